#pragma once

#include "engine/crypto/Secret.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine::crypto {

/// The password protection of a 2003-format workbook stream, as its FILEPASS record describes it: XOR
/// obfuscation, RC4, or RC4 through the CryptoAPI. Record headers stay plain; record bodies after FILEPASS are
/// transformed by their position in the stream, except the few records the format leaves readable.
class BiffProtection {
public:
    enum class Scheme { Xor, Rc4, Rc4CryptoApi };

    /// The protection of the stream, when its globals begin with BOF followed by FILEPASS; nullopt otherwise.
    /// Throws EngineError (starting with where) for a FILEPASS this reader cannot use.
    static std::optional<BiffProtection> find(std::span<const uint8_t> stream, int biff, const std::string& where);

    Scheme scheme() const { return m_scheme; }
    /// The scheme's name for messages.
    std::string schemeName() const;
    /// Whether the password is the one the stream was protected with (checked against the stored verifier).
    bool accepts(const Password& password) const;
    /// Turns the stream back into plain records, in place; the password must be accepted.
    void decrypt(std::vector<uint8_t>& stream, const Password& password) const;

private:
    Scheme m_scheme = Scheme::Xor;
    size_t m_filePassEnd = 0; ///< stream offset after the FILEPASS record
    uint16_t m_xorKey = 0, m_xorVerifier = 0;
    std::vector<uint8_t> m_salt, m_verifier, m_verifierHash;
    uint32_t m_keyBits = 40;
};

/// Writes a workbook stream encrypted with RC4 CryptoAPI (128-bit keys, SHA-1), the scheme current spreadsheet
/// programs use for the 2003 format. The writer places filePass() as the record after the globals' BOF, then
/// hands the finished stream to encrypt().
class BiffRc4CryptoApiWriter {
public:
    explicit BiffRc4CryptoApiWriter(const Password& password);
    /// The body of the FILEPASS record.
    const std::vector<uint8_t>& filePass() const { return m_filePass; }
    void encrypt(std::span<uint8_t> stream) const;

private:
    Password m_password;
    SecretBytes m_salt;
    std::vector<uint8_t> m_filePass;
};

} // namespace tabrix::engine::crypto
