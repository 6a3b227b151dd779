#pragma once

#include "engine/crypto/PackageProtection.h"
#include "engine/crypto/Primitives.h"

namespace tabrix::engine::crypto {

/// Agile encryption: an XML description of the package key (keyData), an integrity HMAC (dataIntegrity) and the
/// package key encrypted under a key derived from the password (the password key encryptor). The package is
/// encrypted in 4096-byte segments, each with its own IV.
class AgileEncryption : public PackageProtection {
public:
    struct CipherParams {
        uint32_t keyBits = 256;
        uint32_t blockSize = 16;
        HashKind hash = HashKind::Sha512;
        std::vector<uint8_t> salt;
    };

    /// xml: EncryptionInfo after its 8-byte head.
    AgileEncryption(std::string_view xml, const std::string& where);

    std::string schemeName() const override;
    SecretBytes unlock(const Password& password) const override;
    std::string decrypt(std::span<const uint8_t> encryptedPackage, const SecretBytes& key,
                        const std::string& where) const override;

private:
    CipherParams m_keyData;
    CipherParams m_password;
    uint32_t m_spinCount = 100000;
    std::vector<uint8_t> m_hmacKey, m_hmacValue;
    std::vector<uint8_t> m_verifierInput, m_verifierValue, m_keyValue;
};

} // namespace tabrix::engine::crypto
