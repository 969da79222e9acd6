#include "core/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHolder = 64;
// Readable and writable by every user: the window of a desktop user and the service of root
// take the same file.
constexpr mode_t kSharedMode = 0666;

std::string TempDirectory()
{
    const char* value = std::getenv("TMPDIR");
    return value == nullptr || *value == '\0' ? std::string{"/tmp"} : std::string{value};
}

// Without O_CREAT first: a sticky temporary directory with protected regular files refuses
// O_CREAT on a file that another user made, even to root. Read-only still allows flock.
int OpenLockFile(const std::string& path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0 && errno == EACCES) {
            fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        }
        if (fd >= 0 || errno != ENOENT) {
            return fd;
        }
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kSharedMode);
        if (fd >= 0) {
            // The umask must not keep the other users out.
            fchmod(fd, kSharedMode);
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

} // namespace

CInstanceLock::CInstanceLock(std::string name) : m_path{TempDirectory() + "/" + name + ".lock"} {}

CInstanceLock::~CInstanceLock()
{
    Release();
}

CInstanceLock::EResult CInstanceLock::TryClaim(std::string_view holder)
{
    if (m_fd >= 0) {
        return EResult::Claimed;
    }
    const int fd = OpenLockFile(m_path);
    if (fd < 0) {
        m_error = errno;
        return EResult::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            return EResult::Held;
        }
        m_error = error;
        return EResult::Unavailable;
    }
    m_fd = fd;
    // A file opened read-only keeps the previous holder's word; the claim holds all the same.
    if (ftruncate(m_fd, 0) == 0) {
        const std::string text = std::string{holder.substr(0, kMaxHolder)} + "\n";
        [[maybe_unused]] const ssize_t written = pwrite(m_fd, text.data(), text.size(), 0);
    }
    return EResult::Claimed;
}

std::string CInstanceLock::Holder() const
{
    const int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return {};
    }
    char buffer[kMaxHolder + 1]{};
    const ssize_t size = read(fd, buffer, kMaxHolder);
    close(fd);
    std::string text{buffer, size > 0 ? static_cast<std::size_t>(size) : 0};
    const std::size_t end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

void CInstanceLock::Release()
{
    if (m_fd < 0) {
        return;
    }
    // Closing the descriptor ends the lock; the file stays for the next claim.
    close(m_fd);
    m_fd = -1;
}

std::string CInstanceLock::RoleName(bool primary)
{
    return primary ? "zezodi-primary" : "zezodi-secondary";
}
