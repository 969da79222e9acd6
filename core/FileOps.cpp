#include "core/FileOps.h"

#include "core/Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Classic backtracking match: on a mismatch, let the last '*' swallow one more character.
bool MatchPlain(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            // One character, which in UTF-8 may take several bytes.
            ++p;
            ++n;
            while (n < name.size() && IsUtf8Continuation(name[n]))
                ++n;
        } else if (p < pattern.size() && LowerAscii(pattern[p]) == LowerAscii(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

enum class EntryKind
{
    RegularFile,
    Directory
};

std::vector<std::string> ListEntries(std::string_view dir, EntryKind kind, std::string_view pattern)
{
    std::vector<std::string> names;
    const std::string path(dir);
    DIR* stream = opendir(path.c_str());
    if (stream == nullptr)
        return names;
    const int dirFd = dirfd(stream);
    while (const dirent* entry = readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (!pattern.empty() && !CFileOps::WildcardMatch(pattern, name))
            continue;
        struct stat info
        {};
        if (fstatat(dirFd, entry->d_name, &info, 0) != 0)
            continue;
        const bool wanted =
            kind == EntryKind::RegularFile ? S_ISREG(info.st_mode) : S_ISDIR(info.st_mode);
        if (wanted)
            names.emplace_back(name);
    }
    closedir(stream);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CFileOps::CompareNames(a, b);
    });
    return names;
}

int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

constexpr std::size_t kCopyChunk = 16 * 1024 * 1024;

int CopyContent(int from, int to)
{
    // In the kernel where it can: no copy through our memory, and a shared extent on file
    // systems that have them. Any refusal before the first byte falls back to reading.
    for (bool copied = false;;) {
        const ssize_t sent = copy_file_range(from, nullptr, to, nullptr, kCopyChunk, 0);
        if (sent > 0) {
            copied = true;
            continue;
        }
        // Nothing at the first call: a file that is empty, or one whose size says nothing
        // (pseudo-files); reading tells which.
        if (sent == 0 && copied)
            return 0;
        if (sent == 0)
            break;
        if (errno == EINTR)
            continue;
        if (copied || (errno != EXDEV && errno != EINVAL && errno != ENOSYS &&
                       errno != EOPNOTSUPP && errno != EBADF))
            return errno;
        break;
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        if (const int error = WriteAll(to, buffer, static_cast<std::size_t>(got)); error != 0)
            return error;
    }
}

constexpr std::string_view kTemporaryPrefix = ".zezodi-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kRandomPart = 6;

// ".zezodi-PID-XXXXXX.tmp" beside dst: the process id tells a later run whether the file's
// writer is gone, so that a killed run's temporaries can be recognised and removed.
std::string TemporaryTemplate(const std::string& dst)
{
    const std::size_t slash = dst.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : dst.substr(0, slash + 1);
    return dir + std::string(kTemporaryPrefix) + std::to_string(getpid()) + "-XXXXXX" +
           std::string(kTemporarySuffix);
}

// Creates a new empty temporary beside dst and names it in `name`: an open descriptor, or -1
// with errno set.
int CreateTemporaryBeside(std::string_view dst, std::string& name)
{
    name = TemporaryTemplate(std::string(dst));
    return mkostemps(name.data(), static_cast<int>(kTemporarySuffix.size()), O_CLOEXEC);
}

// A temporary name beside dst that no file had a moment ago, without creating a file under
// it: mkostemps' pattern filled from a process-wide counter and the clock.
std::string FreshTemporaryName(std::string_view dst)
{
    static std::atomic<std::uint64_t> counter{0};
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = TemporaryTemplate(std::string(dst));
    std::uint64_t value =
        counter++ * 0x9E3779B97F4A7C15ull ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::size_t at = name.size() - kTemporarySuffix.size() - kRandomPart;
    for (std::size_t i = 0; i < kRandomPart; ++i) {
        name[at + i] = kLetters[value % (sizeof kLetters - 1)];
        value /= sizeof kLetters - 1;
    }
    return name;
}

// Gives src the name of a new temporary beside dst, replacing nothing: the temporary's name
// in `name`. 0 or the errno, src then where it was.
int RenameToTemporary(const std::string& src, std::string_view dst, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = FreshTemporaryName(dst);
        if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // A file system without the flag: the name is held by an empty file until the rename
        // replaces it.
        const int reserved = CreateTemporaryBeside(dst, name);
        if (reserved < 0)
            return errno;
        close(reserved);
        if (rename(src.c_str(), name.c_str()) != 0) {
            const int error = errno;
            unlink(name.c_str());
            return error;
        }
        return 0;
    }
    return EEXIST;
}

// Renames the temporary over dst; where that fails the temporary goes. 0 or the errno.
int ReplaceWithTemporary(const std::string& temporary, std::string_view dst)
{
    if (rename(temporary.c_str(), std::string(dst).c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return error;
    }
    // Where both were names of one file the rename changed nothing and left the temporary.
    unlink(temporary.c_str());
    return 0;
}

constexpr std::string_view kWorkSuffix = "-work";

enum class ETemporary
{
    None,
    File,
    WorkDirectory
};

// Which of the two names a temporary has (".zezodi-PID-XXXXXX.tmp" of TemporaryTemplate,
// ".zezodi-PID-work" of CFileOps::WorkDirectoryName) and its writer's process id. Any other
// name, however alike, is no temporary and is never removed.
ETemporary TemporaryKind(std::string_view name, pid_t& owner)
{
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
        return ETemporary::None;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    long long pid = 0;
    std::size_t digits = 0;
    while (digits < name.size() && digits < 10 && name[digits] >= '0' && name[digits] <= '9') {
        pid = pid * 10 + (name[digits] - '0');
        ++digits;
    }
    if (digits == 0 || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return ETemporary::None;
    }
    owner = static_cast<pid_t>(pid);
    const std::string_view rest = name.substr(digits);
    if (rest == kWorkSuffix) {
        return ETemporary::WorkDirectory;
    }
    if (rest.size() == 1 + kRandomPart + kTemporarySuffix.size() && rest[0] == '-' &&
        rest.substr(1 + kRandomPart) == kTemporarySuffix) {
        return ETemporary::File;
    }
    return ETemporary::None;
}

bool ProcessIsGone(pid_t pid)
{
    return kill(pid, 0) != 0 && errno == ESRCH;
}

// Fills the open temporary file from the open source; 0 or errno.
int FillCopy(int from, const struct stat& source, int to, CFileOps::EFlush flush)
{
    if (const int error = CopyContent(from, to); error != 0)
        return error;
    if (fchmod(to, source.st_mode & 07777) != 0)
        return errno;
    const timespec times[2] = {source.st_atim, source.st_mtim};
    if (futimens(to, times) != 0)
        return errno;
    if (flush == CFileOps::EFlush::Later) {
        // Only started: a failed write shows when the caller flushes.
        sync_file_range(to, 0, 0, SYNC_FILE_RANGE_WRITE);
        return 0;
    }
    // Durable before the rename, so a crash leaves the old file or the whole new one.
    if (fsync(to) != 0)
        return errno;
    return 0;
}

} // namespace

std::vector<std::string> CFileOps::FindFiles(std::string_view dir, std::string_view pattern)
{
    if (pattern.empty())
        return {};
    return ListEntries(dir, EntryKind::RegularFile, pattern);
}

std::vector<std::string> CFileOps::FindDirectories(std::string_view dir)
{
    return ListEntries(dir, EntryKind::Directory, {});
}

bool CFileOps::WildcardMatch(std::string_view pattern, std::string_view name)
{
    if (MatchPlain(pattern, name))
        return true;
    // Windows lets a trailing ".*" stand for "no extension at all".
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return MatchPlain(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

bool CFileOps::CompareNames(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto la = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto lb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (la != lb)
            return la < lb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::string CFileOps::FindNameNoCase(std::string_view dir, std::string_view name)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return {};
    if (Exists(CPlatform::JoinPath(dir, name)))
        return std::string(name);
    const std::string wanted = LowerAscii(name);
    std::string found;
    const std::string path(dir);
    DIR* stream = opendir(path.c_str());
    if (stream == nullptr)
        return found;
    while (const dirent* entry = readdir(stream)) {
        const std::string_view candidate = entry->d_name;
        if (LowerAscii(candidate) != wanted)
            continue;
        // Several spellings: take the first in listing order, the same on every machine.
        if (found.empty() || CompareNames(candidate, found))
            found = candidate;
    }
    closedir(stream);
    return found;
}

int CFileOps::CopyBeside(std::string_view src, std::string_view dst, std::string& temporary,
                         EFlush flush)
{
    const std::string source(src);
    // O_NONBLOCK: a FIFO at the source must not block the caller; it is refused below.
    const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (from < 0)
        return errno;
    struct stat info
    {};
    if (fstat(from, &info) != 0) {
        const int error = errno;
        close(from);
        return error;
    }
    if (!S_ISREG(info.st_mode)) {
        close(from);
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    }
    std::string name;
    const int to = CreateTemporaryBeside(dst, name);
    if (to < 0) {
        const int error = errno;
        close(from);
        return error;
    }
    int error = FillCopy(from, info, to, flush);
    close(from);
    if (close(to) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        unlink(name.c_str());
        return error;
    }
    temporary = std::move(name);
    return 0;
}

int CFileOps::MoveBeside(std::string_view src, std::string_view dst, std::string& temporary)
{
    const std::string source(src);
    const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (from < 0)
        return errno;
    struct stat info
    {};
    int error = fstat(from, &info) != 0 ? errno : (!S_ISREG(info.st_mode) ? EINVAL : 0);
    // Durable before it can be renamed over the local file, as a copy would be.
    if (error == 0 && fsync(from) != 0)
        error = errno;
    close(from);
    if (error != 0)
        return error;
    std::string name;
    if (const int moved = RenameToTemporary(source, dst, name); moved != 0)
        return moved;
    temporary = std::move(name);
    return 0;
}

int CFileOps::LinkReplacing(std::string_view src, std::string_view dst)
{
    // The link is made under a temporary name beside dst and renamed over it, so dst is never
    // missing and a killed run leaves a name that RemoveStaleTemporaries knows.
    // A link never replaces a name, so a free name needs no file to hold it.
    const std::string source(src);
    struct stat from
    {};
    struct stat to
    {};
    // Already a name of that file, as a run killed between two renames leaves it.
    if (stat(source.c_str(), &from) == 0 && lstat(std::string(dst).c_str(), &to) == 0 &&
        from.st_dev == to.st_dev && from.st_ino == to.st_ino)
        return 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FreshTemporaryName(dst);
        if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return ReplaceWithTemporary(name, dst);
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int CFileOps::CopyFileKeepTime(std::string_view src, std::string_view dst, EFlush flush)
{
    std::string temporary;
    if (const int error = CopyBeside(src, dst, temporary, flush); error != 0)
        return error;
    return ReplaceWithTemporary(temporary, dst);
}

int CFileOps::FlushFileSystem(std::string_view path)
{
    const int fd = open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    const int error = syncfs(fd) != 0 ? errno : 0;
    close(fd);
    return error;
}

int CFileOps::TakeAttributes(std::string_view path, const struct stat& like)
{
    const std::string target(path);
    // Owner and group where this process may give them (root may; others keep their own
    // user and may still keep the group); chown first, as it clears set-id bits.
    if (chown(target.c_str(), like.st_uid, like.st_gid) != 0)
        (void)!chown(target.c_str(), static_cast<uid_t>(-1), like.st_gid);
    if (chmod(target.c_str(), like.st_mode & 07777) != 0)
        return errno;
    return 0;
}

std::string CFileOps::WorkDirectoryName()
{
    return std::string(kTemporaryPrefix) + std::to_string(getpid()) + std::string(kWorkSuffix);
}

void CFileOps::RemoveStaleTemporaries(std::string_view dir)
{
    const std::string path(dir);
    DIR* stream = opendir(path.c_str());
    if (stream == nullptr)
        return;
    const int dirFd = dirfd(stream);
    std::vector<std::string> files;
    std::vector<std::string> workDirectories;
    while (const dirent* entry = readdir(stream)) {
        pid_t owner = 0;
        const ETemporary kind = TemporaryKind(entry->d_name, owner);
        struct stat info
        {};
        if (kind == ETemporary::None || !ProcessIsGone(owner) ||
            fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (kind == ETemporary::File && S_ISREG(info.st_mode))
            files.emplace_back(entry->d_name);
        else if (kind == ETemporary::WorkDirectory && S_ISDIR(info.st_mode))
            workDirectories.emplace_back(entry->d_name);
    }
    for (const std::string& name : files)
        unlinkat(dirFd, name.c_str(), 0);
    closedir(stream);
    for (const std::string& name : workDirectories) {
        // remove_all does not follow symbolic links: nothing outside dir is touched.
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path) / name, ignored);
    }
}

bool CFileOps::IsSoleRegularFile(std::string_view path)
{
    struct stat info
    {};
    return lstat(std::string(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_nlink == 1;
}

void CFileOps::RemoveNotFollowing(std::string_view path)
{
    // remove_all does not follow symbolic links, neither the path itself nor any inside it.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

bool CFileOps::OutOfSpace(std::string_view path)
{
    return !HasRoom(path, 0);
}

bool CFileOps::HasRoom(std::string_view path, unsigned long long bytes)
{
    struct statvfs info
    {};
    // A file system that cannot tell is taken to have room: the writes then tell.
    return statvfs(std::string(path).c_str(), &info) != 0 ||
           static_cast<unsigned long long>(info.f_bavail) * info.f_frsize >= kLowSpace + bytes;
}

bool CFileOps::Exists(std::string_view path)
{
    struct stat info
    {};
    return stat(std::string(path).c_str(), &info) == 0;
}

bool CFileOps::SameFile(std::string_view a, std::string_view b)
{
    struct stat first
    {};
    struct stat second
    {};
    return stat(std::string(a).c_str(), &first) == 0 &&
           stat(std::string(b).c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool CFileOps::IsDirectory(std::string_view path)
{
    struct stat info
    {};
    return stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CFileOps::IsRegularFile(std::string_view path)
{
    struct stat info
    {};
    return stat(std::string(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

int CFileOps::CreateDirectory(std::string_view path)
{
    if (mkdir(std::string(path).c_str(), 0777) != 0)
        return errno;
    return 0;
}
