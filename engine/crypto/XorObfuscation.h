#pragma once

#include "engine/crypto/Secret.h"

#include <array>
#include <cstdint>

namespace tabrix::engine::crypto {

/// The XOR obfuscation of the oldest protected 2003-format workbooks. It is no cipher: a 16-byte array made from
/// the password is XORed over the data. The password counts as up to 15 single bytes (each character's low byte,
/// or its high byte where the low one is zero).
struct XorObfuscation {
    explicit XorObfuscation(const Password& password);

    uint16_t key = 0;      ///< as the FILEPASS record stores it
    uint16_t verifier = 0; ///< as the FILEPASS record stores it
    std::array<uint8_t, 16> array{};

    /// Undoes the obfuscation of one byte that sits at array index `index % 16`.
    uint8_t decrypt(uint8_t value, size_t index) const {
        value ^= array[index % 16];
        return uint8_t(value >> 5 | value << 3);
    }
};

} // namespace tabrix::engine::crypto
