#include "primary/CatalogueSigner.h"

#include "core/CatalogueNames.h"
#include "core/CatalogueSignature.h"
#include "core/FileSha256.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kReadableByAll = 0644;

int WriteWhole(const std::string& path, std::string_view text)
{
    unlink(path.c_str());
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kReadableByAll);
    if (fd < 0) {
        return errno;
    }
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         fchmod(fd, kReadableByAll) == 0;
    const int error = written ? 0 : (errno != 0 ? errno : EIO);
    close(fd);
    return error;
}

} // namespace

std::string CCatalogueSigner::Load(const std::string& keyFile)
{
    m_secret.reset();
    if (keyFile.empty()) {
        return {};
    }
    CSigningKey::SecretKey secret{};
    std::string problem = CSigningKey::Load(keyFile, secret);
    if (problem.empty()) {
        m_secret = secret;
    }
    return problem;
}

int CCatalogueSigner::Checksum(const std::string& path, std::string& sha256) const
{
    sha256.clear();
    return m_secret ? CFileSha256::Compute(path, sha256) : 0;
}

std::string CCatalogueSigner::ServedPath(const std::string& dir, std::string_view section,
                                         const std::string& name)
{
    return CPlatform::JoinPath(CPlatform::JoinPath(dir, CCatalogueNames::SectionPath(section)),
                               name);
}

int CCatalogueSigner::SignCatalogue(const std::string& cataloguePath) const
{
    if (!m_secret) {
        return 0;
    }
    std::string catalogue;
    CProfileFile::SStamp stamp;
    if (CProfileFile::Load(cataloguePath, catalogue, stamp) != CProfileFile::EResult::Present) {
        return errno != 0 ? errno : EIO;
    }
    return WriteWhole(cataloguePath + std::string{CCatalogueSignature::kFileSuffix},
                      CCatalogueSignature::Sign(catalogue, *m_secret));
}
