#pragma once

#include "core/SigningKey.h"
#include "secondary/SecondarySettings.h"

#include <functional>
#include <string>
#include <vector>

// A secondary that lists the primary's public keys (PrimaryPublicKey) applies only a catalogue
// that one of them signed, and installs only downloads whose SHA-256 is the one the signed
// catalogue names. Without keys nothing is checked, so a Windows primary still serves it.
class CSignatureCheck
{
public:
    explicit CSignatureCheck(const SSecondarySettings& settings);

    // Keys are listed: catalogues and downloads are checked.
    bool Required() const { return !m_keysText.empty(); }

    enum class EVerdict
    {
        Valid,
        // No signature could be fetched for the catalogue.
        Unsigned,
        // A signature, but by no listed key or of other bytes; or the keys are no keys.
        NotTrusted
    };

    // Fetches the signature beside the catalogue (its URL with ".sig" appended) into the
    // download directory and checks the downloaded catalogue against it; the signature file is
    // removed again. Valid when no keys are listed.
    EVerdict CheckCatalogue(const std::string& catalogueUrl, const std::string& cataloguePath,
                            const std::function<bool()>& stopRequested) const;

    // Whether the file at path has the SHA-256 the catalogue names (true when no keys are
    // listed; false for an entry without one).
    bool Matches(const std::string& path, const std::string& sha256) const;

private:
    const SSecondarySettings& m_settings;
    std::string m_keysText;
    std::vector<CSigningKey::PublicKey> m_keys;
    bool m_keysValid = false;
};
