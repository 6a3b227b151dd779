#pragma once

#include "engine/crypto/PackageProtection.h"

namespace tabrix::engine::crypto {

/// Standard encryption: a binary header naming AES-128/192/256 and a SHA-1 verifier; the key comes from 50000
/// rounds of SHA-1 over the salted password and the package is AES-ECB encrypted as one run.
class StandardEncryption : public PackageProtection {
public:
    /// info: EncryptionInfo after its version (flags onward).
    StandardEncryption(std::span<const uint8_t> info, const std::string& where);

    std::string schemeName() const override;
    SecretBytes unlock(const Password& password) const override;
    std::string decrypt(std::span<const uint8_t> encryptedPackage, const SecretBytes& key,
                        const std::string& where) const override;

private:
    uint32_t m_keyBits = 128;
    std::vector<uint8_t> m_salt, m_verifier, m_verifierHash;
};

} // namespace tabrix::engine::crypto
