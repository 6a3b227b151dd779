#pragma once

#include "engine/crypto/Secret.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine::crypto {

/// The encryption of an OOXML package kept in a compound file's EncryptionInfo and EncryptedPackage streams:
/// standard encryption (AES in ECB mode, key from SHA-1) or agile encryption (AES in CBC mode, any SHA hash, an
/// integrity HMAC over the encrypted stream).
class PackageProtection {
public:
    virtual ~PackageProtection() = default;

    /// Reads EncryptionInfo. Throws EngineError (starting with where) for damaged or unsupported encryption.
    static std::unique_ptr<PackageProtection> read(std::span<const uint8_t> encryptionInfo, const std::string& where);

    /// The scheme for messages ("AES-256 / SHA-512 标准加密" ...).
    virtual std::string schemeName() const = 0;
    /// The package key when the password is right; empty otherwise.
    virtual SecretBytes unlock(const Password& password) const = 0;
    /// The zip package from EncryptedPackage with the key unlock() gave. Throws EngineError when the stream is
    /// damaged (cut off, failing its integrity check).
    virtual std::string decrypt(std::span<const uint8_t> encryptedPackage, const SecretBytes& key,
                                const std::string& where) const = 0;
};

/// What agile encryption (AES-256, SHA-512, 100000 rounds) writes for a package: the two streams of the
/// compound file.
struct EncryptedPackageStreams {
    std::vector<uint8_t> encryptionInfo;
    std::vector<uint8_t> encryptedPackage;
};
EncryptedPackageStreams encryptPackageAgile(std::string_view package, const Password& password);

} // namespace tabrix::engine::crypto
