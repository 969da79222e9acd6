#include "core/CatalogueSignature.h"

#include <array>
#include <cstring>
#include <sodium.h>

namespace {
using Signature = std::array<unsigned char, crypto_sign_BYTES>;
} // namespace

std::string CCatalogueSignature::Sign(std::string_view data, const CSigningKey::SecretKey& secret)
{
    Signature signature{};
    crypto_sign_detached(signature.data(), nullptr,
                         reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                         secret.data());
    std::string text(sodium_base64_encoded_len(signature.size(), sodium_base64_VARIANT_ORIGINAL),
                     '\0');
    sodium_bin2base64(text.data(), text.size(), signature.data(), signature.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text + "\n";
}

CCatalogueSignature::EVerdict
CCatalogueSignature::Verify(std::string_view data, std::string_view signatureText,
                            const std::vector<CSigningKey::PublicKey>& keys)
{
    if (sodium_init() < 0) {
        return EVerdict::Malformed;
    }
    while (!signatureText.empty() &&
           (signatureText.back() == '\n' || signatureText.back() == '\r')) {
        signatureText.remove_suffix(1);
    }
    Signature signature{};
    std::size_t size = 0;
    const char* end = nullptr;
    if (sodium_base642bin(signature.data(), signature.size(), signatureText.data(),
                          signatureText.size(), nullptr, &size, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        size != signature.size() || end != signatureText.data() + signatureText.size()) {
        return EVerdict::Malformed;
    }
    for (const CSigningKey::PublicKey& key : keys) {
        if (crypto_sign_verify_detached(signature.data(),
                                        reinterpret_cast<const unsigned char*>(data.data()),
                                        data.size(), key.data()) == 0) {
            return EVerdict::Valid;
        }
    }
    return EVerdict::NotByTheseKeys;
}
