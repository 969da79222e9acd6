#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The primary's Ed25519 key pair (libsodium) and the public keys a secondary trusts. The secret
// key lives in a file of its own, readable by its owner only; a public key travels as one line
// of base64 text (44 characters) that an administrator pastes into a secondary's settings.
class CSigningKey
{
public:
    using PublicKey = std::array<unsigned char, 32>;
    using SecretKey = std::array<unsigned char, 64>;

    // Makes a new key pair and writes its secret key to path (mode 0600). Refuses a path that
    // exists. Empty on success, else why not.
    static std::string Generate(const std::string& path);

    // Reads the secret key file. Empty on success, else why not: the file is missing, no
    // regular file, readable by others than its owner, or holds no key.
    static std::string Load(const std::string& path, SecretKey& secret);

    // The public half of a secret key as base64 text.
    static std::string PublicText(const SecretKey& secret);

    // The keys of a setting: base64 texts separated by blanks or commas. False when one of them
    // is no key; keys then holds those read before it.
    static bool ParsePublicKeys(std::string_view text, std::vector<PublicKey>& keys);

    // The default place of the secret key: zezodi.key in the Windows directory.
    static std::string DefaultPath();
};
