#pragma once

#include "engine/crypto/Secret.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tabrix::engine::crypto {

/// Every cipher and hash the protection schemes use, all from OpenSSL's libcrypto; nothing here computes a
/// cipher or a hash itself. Failures of the library itself are EngineErrors.

enum class HashKind { Md5, Sha1, Sha256, Sha384, Sha512 };

/// The hash named as in an encryption description ("SHA512", "SHA-1"); nullopt for one we do not know.
std::optional<HashKind> hashNamed(std::string_view name);
size_t hashSize(HashKind kind);

using Bytes = std::span<const uint8_t>;

/// A hash over the concatenation of the parts.
SecretBytes hash(HashKind kind, std::initializer_list<Bytes> parts);
SecretBytes hmac(HashKind kind, Bytes key, Bytes data);

/// AES without padding (the schemes pad themselves); the key's length picks AES-128, -192 or -256.
enum class AesMode { Ecb, Cbc };
SecretBytes aes(AesMode mode, bool encrypt, Bytes key, Bytes iv, Bytes data);

/// An RC4 key stream; xor() continues where the previous call stopped.
class Rc4 {
public:
    explicit Rc4(Bytes key);
    ~Rc4();
    Rc4(const Rc4&) = delete;
    Rc4& operator=(const Rc4&) = delete;
    void xor_(uint8_t* data, size_t size);
    void skip(size_t size);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// Bytes from the system's random generator (salts, keys).
SecretBytes randomBytes(size_t count);

inline Bytes bytesOf(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }
inline void putLe32(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v), at[1] = uint8_t(v >> 8), at[2] = uint8_t(v >> 16), at[3] = uint8_t(v >> 24);
}
inline uint32_t le32At(Bytes b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint16_t le16At(Bytes b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

} // namespace tabrix::engine::crypto
