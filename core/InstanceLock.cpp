#include "core/InstanceLock.h"

#include "core/ConfigKeys.h"
#include "core/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHolder = 64;
constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kGroupToo = 0660;

// Whoever may write zezodi.ini may change the installation: its group shares the lock only
// where it shares that right.
mode_t LockMode()
{
    struct stat info
    {};
    const std::string ini = CPlatform::IniPath(ConfigKeys::kIniFile);
    return stat(ini.c_str(), &info) == 0 && (info.st_mode & S_IWGRP) != 0 ? kGroupToo : kOwnerOnly;
}

// Never read-only: whoever can only read the file must not be able to hold the role. Never a
// FIFO or a link either: the open must not block, nor lock another file.
int OpenLockFile(const std::string& path)
{
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = open(path.c_str(), kFlags);
        if (fd < 0 && errno == ENOENT) {
            const mode_t mode = LockMode();
            fd = open(path.c_str(), kFlags | O_CREAT | O_EXCL, mode);
            if (fd >= 0) {
                // The umask must not keep the group out where it belongs.
                fchmod(fd, mode);
            } else if (errno == EEXIST) {
                continue;
            }
        }
        if (fd < 0) {
            return -1;
        }
        struct stat info
        {};
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(fd);
            errno = EINVAL;
            return -1;
        }
        return fd;
    }
    return -1;
}

} // namespace

CInstanceLock::CInstanceLock(std::string name)
    : m_path{CPlatform::JoinPath(CPlatform::WindowsDirectory(), name + ".lock")}
{}

CInstanceLock::~CInstanceLock()
{
    Release();
}

CInstanceLock::EResult CInstanceLock::TryClaim(std::string_view holder)
{
    return ClaimWith(holder, LOCK_EX | LOCK_NB);
}

CInstanceLock::EResult CInstanceLock::Claim(std::string_view holder)
{
    return ClaimWith(holder, LOCK_EX);
}

CInstanceLock::EResult CInstanceLock::ClaimWith(std::string_view holder, int operation)
{
    if (m_fd >= 0) {
        return EResult::Claimed;
    }
    const int fd = OpenLockFile(m_path);
    if (fd < 0) {
        m_error = errno;
        return EResult::Unavailable;
    }
    int status = 0;
    do {
        status = flock(fd, operation);
    } while (status != 0 && errno == EINTR);
    if (status != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) {
            return EResult::Held;
        }
        m_error = error;
        return EResult::Unavailable;
    }
    m_fd = fd;
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
