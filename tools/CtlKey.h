#pragma once

#include <ostream>
#include <string>

// zezodictl key: the primary's signing key. generate makes it, show prints its public half for
// the secondaries' PrimaryPublicKey.
class CCtlKey
{
public:
    CCtlKey(std::ostream& out, std::ostream& err);

    // path empty: [Config] SigningKeyFile of zezodi.ini, else zezodi.key in the Windows directory.
    int Generate(const std::string& path);
    int Show(const std::string& path);

    // The key file a primary signs with.
    static std::string ConfiguredPath();

private:
    std::ostream& m_out;
    std::ostream& m_err;
};
