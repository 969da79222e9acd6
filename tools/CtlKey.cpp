#include "tools/CtlKey.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/SigningKey.h"

namespace {
constexpr int kExitFailure = 1;
} // namespace

CCtlKey::CCtlKey(std::ostream& out, std::ostream& err) : m_out{out}, m_err{err} {}

std::string CCtlKey::ConfiguredPath()
{
    const std::string configured = CConfigFile::ReadWholeText(ConfigKeys::kSigningKeyFile);
    return configured.empty() ? CSigningKey::DefaultPath() : configured;
}

int CCtlKey::Generate(const std::string& path)
{
    const std::string file = path.empty() ? ConfiguredPath() : path;
    const std::string problem = CSigningKey::Generate(file);
    if (!problem.empty()) {
        m_err << "zezodictl: cannot make a signing key: " << problem << "\n";
        return kExitFailure;
    }
    m_err << "zezodictl: made the signing key " << file
          << " (readable by its owner only); every preparation signs the catalogue with it from "
             "now on\n";
    return Show(file);
}

int CCtlKey::Show(const std::string& path)
{
    const std::string file = path.empty() ? ConfiguredPath() : path;
    CSigningKey::SecretKey secret{};
    const std::string problem = CSigningKey::Load(file, secret);
    if (!problem.empty()) {
        m_err << "zezodictl: cannot read the signing key: " << problem << "\n";
        return kExitFailure;
    }
    m_out << CSigningKey::PublicText(secret) << "\n";
    m_err << "zezodictl: on each secondary: zezodictl ini set zezodi.ini Config PrimaryPublicKey "
             "KEY\n"
             "zezodictl: to change the primary's key without a flag day, list the old and the new "
             "key there (\"OLD NEW\"), make the new key the primary's, and drop the old one once "
             "every secondary lists the new one\n";
    return 0;
}
