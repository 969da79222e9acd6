#include "core/ProfileFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

CProfileFile::SStamp StampOf(const struct stat& info)
{
    CProfileFile::SStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    stamp.changed = info.st_ctim;
    return stamp;
}

CProfileFile::EResult Missing()
{
    return errno == ENOENT || errno == ENOTDIR ? CProfileFile::EResult::Absent
                                               : CProfileFile::EResult::Failed;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file that a write must replace: the target when path is a symbolic link, so that the
// link stays in place.
bool WriteTarget(const std::string& path, std::string& target)
{
    struct stat info
    {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        target = path;
        return true;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return false;
    }
    target = resolved;
    return true;
}

std::pair<std::string, std::string> DirectoryAndName(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos) {
        return {std::string(), target};
    }
    return {target.substr(0, slash + 1), target.substr(slash + 1)};
}

std::string TemporaryBeside(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    const auto [dir, name] = DirectoryAndName(target);
    return dir + "." + name + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1)) + ".tmp";
}

} // namespace

bool CProfileFile::SStamp::SameFile(const SStamp& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed);
}

CProfileFile::EResult CProfileFile::Stat(const std::string& path, SStamp& stamp)
{
    struct stat info
    {};
    if (::stat(path.c_str(), &info) != 0) {
        return Missing();
    }
    if (!S_ISREG(info.st_mode)) {
        return EResult::Failed;
    }
    stamp = StampOf(info);
    return EResult::Present;
}

CProfileFile::EResult CProfileFile::Load(const std::string& path, std::string& bytes, SStamp& stamp)
{
    // File times come from the coarse clock: a change after this moment carries a later time.
    timespec before{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &before);
    // O_NONBLOCK: a FIFO in place of an INI file is refused below instead of blocking here.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Missing();
    }
    struct stat info
    {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxBytes) {
        ::close(fd);
        return EResult::Failed;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return EResult::Failed;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() > static_cast<std::size_t>(kMaxBytes)) {
            ::close(fd);
            return EResult::Failed;
        }
    }
    ::close(fd);
    stamp = StampOf(info);
    stamp.settled = Before(info.st_ctim, before);
    return EResult::Present;
}

bool CProfileFile::Replace(const std::string& path, std::string_view bytes)
{
    std::string target;
    if (!WriteTarget(path, target)) {
        return false;
    }
    struct stat old
    {};
    const bool existed = ::stat(target.c_str(), &old) == 0;

    std::string temporary;
    int fd = -1;
    do {
        temporary = TemporaryBeside(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    if (fd < 0) {
        return false;
    }
    // Only root can hand a file to its previous owner; for anyone else the new file is theirs.
    bool ok = !existed || (::fchmod(fd, old.st_mode & 07777) == 0 &&
                           (::geteuid() != 0 || ::fchown(fd, old.st_uid, old.st_gid) == 0));
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

int CProfileFile::Lock(const std::string& path)
{
    std::string target;
    if (!WriteTarget(path, target)) {
        target = path;
    }
    const auto [dir, name] = DirectoryAndName(target);
    const std::string lockPath = dir + "." + name + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    // Every holder only reads, changes and replaces one small file, so the wait is short.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

void CProfileFile::Unlock(int fd)
{
    if (fd >= 0) {
        ::flock(fd, LOCK_UN);
        ::close(fd);
    }
}
