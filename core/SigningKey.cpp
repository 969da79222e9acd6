#include "core/SigningKey.h"

#include "core/Platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kSecretPrefix = "zezodi-ed25519-secret:";
constexpr std::string_view kSeparators = " \t,";
constexpr mode_t kOwnerOnly = 0600;
// The longest key file read: the prefix, the base64 text and a line end.
constexpr std::size_t kMaxKeyFile = 256;

std::string Base64(const unsigned char* data, std::size_t size)
{
    std::string text(sodium_base64_encoded_len(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text;
}

template <std::size_t N> bool FromBase64(std::string_view text, std::array<unsigned char, N>& out)
{
    std::size_t size = 0;
    const char* end = nullptr;
    return sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &size, &end,
                             sodium_base64_VARIANT_ORIGINAL) == 0 &&
           size == N && end == text.data() + text.size();
}

std::string ErrorText(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

} // namespace

std::string CSigningKey::Generate(const std::string& path)
{
    if (sodium_init() < 0) {
        return "the cryptography library cannot be initialised";
    }
    PublicKey publicKey{};
    SecretKey secret{};
    crypto_sign_keypair(publicKey.data(), secret.data());
    const std::string text =
        std::string{kSecretPrefix} + Base64(secret.data(), secret.size()) + "\n";
    sodium_memzero(secret.data(), secret.size());
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kOwnerOnly);
    if (fd < 0) {
        return errno == EEXIST ? path + " exists already: a key is never overwritten"
                               : ErrorText(path, errno);
    }
    // The umask may only take rights away; the mode is checked when the key is read.
    const bool written =
        write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    const int error = errno;
    close(fd);
    if (!written) {
        unlink(path.c_str());
        return ErrorText(path, error);
    }
    return {};
}

std::string CSigningKey::Load(const std::string& path, SecretKey& secret)
{
    if (sodium_init() < 0) {
        return "the cryptography library cannot be initialised";
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return ErrorText(path, errno);
    }
    struct stat info
    {};
    std::string problem;
    char buffer[kMaxKeyFile + 1]{};
    ssize_t size = -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = path + ": not a regular file";
    } else if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        problem = path + ": readable by others than its owner (chmod 600)";
    } else if ((size = read(fd, buffer, kMaxKeyFile)) < 0) {
        problem = ErrorText(path, errno);
    }
    close(fd);
    if (!problem.empty()) {
        return problem;
    }
    std::string_view text{buffer, static_cast<std::size_t>(size)};
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    if (!text.starts_with(kSecretPrefix) ||
        !FromBase64(text.substr(kSecretPrefix.size()), secret)) {
        return path + ": holds no signing key";
    }
    return {};
}

std::string CSigningKey::PublicText(const SecretKey& secret)
{
    PublicKey publicKey{};
    crypto_sign_ed25519_sk_to_pk(publicKey.data(), secret.data());
    return Base64(publicKey.data(), publicKey.size());
}

bool CSigningKey::ParsePublicKeys(std::string_view text, std::vector<PublicKey>& keys)
{
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t begin = text.find_first_not_of(kSeparators, position);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(kSeparators, begin), text.size());
        PublicKey key{};
        if (!FromBase64(text.substr(begin, end - begin), key)) {
            return false;
        }
        keys.push_back(key);
        position = end;
    }
    return true;
}

std::string CSigningKey::DefaultPath()
{
    return CPlatform::JoinPath(CPlatform::WindowsDirectory(), "zezodi.key");
}
