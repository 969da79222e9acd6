#pragma once

#include "core/SigningKey.h"

#include <optional>
#include <string>
#include <string_view>

// What a primary with a signing key adds to a build: the SHA-256 of each published copy, as
// served, for its catalogue entry, and the detached signature of the whole catalogue
// (zezodi.txt.sig beside it, in the same generation). Without a key it adds nothing.
class CCatalogueSigner
{
public:
    // keyFile empty: the build signs nothing. Empty on success, else why the key cannot be
    // used.
    std::string Load(const std::string& keyFile);

    bool Signs() const { return m_secret.has_value(); }

    // The SHA-256 text of a published copy; empty when the build signs nothing. 0 or the errno
    // of the failed read.
    int Checksum(const std::string& path, std::string& sha256) const;

    // Where the published copy `name` of section lies in the generation directory dir.
    static std::string ServedPath(const std::string& dir, std::string_view section,
                                  const std::string& name);

    // Writes the signature of the catalogue at cataloguePath beside it, readable by everyone.
    // 0 or the errno.
    int SignCatalogue(const std::string& cataloguePath) const;

private:
    std::optional<CSigningKey::SecretKey> m_secret;
};
