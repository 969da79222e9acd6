#include "core/FileSha256.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t kChunk = 1 << 16;
} // namespace

int CFileSha256::Compute(const std::string& path, std::string& hex)
{
    if (sodium_init() < 0) {
        return EINVAL;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat info
    {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return EINVAL;
    }
    crypto_hash_sha256_state state{};
    crypto_hash_sha256_init(&state);
    std::array<unsigned char, kChunk> buffer{};
    for (;;) {
        const ssize_t size = read(fd, buffer.data(), buffer.size());
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size < 0) {
            const int error = errno;
            close(fd);
            return error;
        }
        if (size == 0) {
            break;
        }
        crypto_hash_sha256_update(&state, buffer.data(), static_cast<unsigned long long>(size));
    }
    close(fd);
    std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
    crypto_hash_sha256_final(&state, digest.data());
    hex.assign(digest.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
    hex.pop_back();
    return 0;
}
