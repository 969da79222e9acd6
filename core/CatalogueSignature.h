#pragma once

#include "core/SigningKey.h"

#include <string>
#include <string_view>
#include <vector>

// The detached signature of a catalogue (zezodi.txt.sig beside zezodi.txt): the primary's
// Ed25519 signature over the catalogue's bytes, as one line of base64 text. A Windows peer never
// fetches it.
class CCatalogueSignature
{
public:
    static constexpr std::string_view kFileSuffix = ".sig";

    // The signature text of data, with its line end.
    static std::string Sign(std::string_view data, const CSigningKey::SecretKey& secret);

    enum class EVerdict
    {
        Valid,
        // The signature text is no signature.
        Malformed,
        // A signature, but by none of the keys, or of other bytes.
        NotByTheseKeys
    };

    // Whether signatureText (a line end after it allowed) is the signature of data by one of
    // keys.
    static EVerdict Verify(std::string_view data, std::string_view signatureText,
                           const std::vector<CSigningKey::PublicKey>& keys);
};
