#include "secondary/SignatureCheck.h"

#include "core/CatalogueSignature.h"
#include "core/FileSha256.h"
#include "core/ProfileFile.h"
#include "core/RunAndWait.h"
#include "secondary/WgetCommand.h"

#include <cerrno>
#include <unistd.h>

namespace {

// The signature is one line of base64; anything much longer is no signature.
constexpr std::size_t kMaxSignature = 256;

} // namespace

CSignatureCheck::CSignatureCheck(const SSecondarySettings& settings)
    : m_settings{settings}, m_keysText{settings.primaryKeys}
{
    m_keysValid = CSigningKey::ParsePublicKeys(m_keysText, m_keys) && !m_keys.empty();
}

CSignatureCheck::EVerdict
CSignatureCheck::CheckCatalogue(const std::string& catalogueUrl, const std::string& cataloguePath,
                                const std::function<bool()>& stopRequested) const
{
    if (!Required()) {
        return EVerdict::Valid;
    }
    const std::string suffix{CCatalogueSignature::kFileSuffix};
    const std::string signaturePath = cataloguePath + suffix;
    // wget saves beside a file that is still there.
    if (unlink(signaturePath.c_str()) != 0 && errno != ENOENT) {
        return EVerdict::Unsigned;
    }
    const int result = RunAndWait(CWgetCommand::Line(m_settings, catalogueUrl + suffix),
                                  m_settings.downloadDir, stopRequested);
    std::string signature;
    CProfileFile::SStamp stamp;
    const bool fetched =
        result == 0 &&
        CProfileFile::Load(signaturePath, signature, stamp) == CProfileFile::EResult::Present &&
        signature.size() <= kMaxSignature;
    unlink(signaturePath.c_str());
    if (!fetched) {
        return EVerdict::Unsigned;
    }
    std::string catalogue;
    if (!m_keysValid ||
        CProfileFile::Load(cataloguePath, catalogue, stamp) != CProfileFile::EResult::Present) {
        return EVerdict::NotTrusted;
    }
    return CCatalogueSignature::Verify(catalogue, signature, m_keys) ==
                   CCatalogueSignature::EVerdict::Valid
               ? EVerdict::Valid
               : EVerdict::NotTrusted;
}

bool CSignatureCheck::Matches(const std::string& path, const std::string& sha256) const
{
    if (!Required()) {
        return true;
    }
    std::string actual;
    return !sha256.empty() && CFileSha256::Compute(path, actual) == 0 && actual == sha256;
}
