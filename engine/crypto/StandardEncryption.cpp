#include "engine/crypto/StandardEncryption.h"

#include "engine/EngineError.h"
#include "engine/crypto/Primitives.h"

#include <algorithm>
#include <cstdio>

namespace tabrix::engine::crypto {

namespace {
constexpr uint32_t kSpinCount = 50000;
constexpr uint32_t kAes128 = 0x660E, kAes192 = 0x660F, kAes256 = 0x6610;
} // namespace

StandardEncryption::StandardEncryption(std::span<const uint8_t> info, const std::string& where) {
    auto damaged = [&] { throw EngineError(where + ": 加密信息（EncryptionInfo，标准加密）已损坏"); };
    if (info.size() < 8) damaged();
    const size_t headerSize = le32At(info, 4), header = 8;
    if (headerSize < 32 || header + headerSize + 4 + 16 + 16 + 4 > info.size()) damaged();
    const uint32_t algId = le32At(info, header + 8);
    m_keyBits = le32At(info, header + 16);
    if (algId != kAes128 && algId != kAes192 && algId != kAes256)
        throw EngineError(where + ": 工作簿设有密码，但加密方式不受支持（标准加密中的算法 0x" + [&] {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04X", algId);
            return std::string(buf);
        }() + "，只支持 AES）");
    if (m_keyBits != 128 && m_keyBits != 192 && m_keyBits != 256) damaged();
    const size_t verifier = header + headerSize;
    if (le32At(info, verifier) != 16) damaged();
    m_salt.assign(info.begin() + long(verifier + 4), info.begin() + long(verifier + 20));
    m_verifier.assign(info.begin() + long(verifier + 20), info.begin() + long(verifier + 36));
    const size_t hashAt = verifier + 40;
    // The SHA-1 verifier hash is stored padded to the AES block.
    if (hashAt + 32 > info.size()) damaged();
    m_verifierHash.assign(info.begin() + long(hashAt), info.begin() + long(hashAt + 32));
}

std::string StandardEncryption::schemeName() const { return "标准加密 AES-" + std::to_string(m_keyBits); }

SecretBytes StandardEncryption::unlock(const Password& password) const {
    SecretBytes pw = password.utf16();
    SecretBytes h = hash(HashKind::Sha1, {m_salt, pw});
    uint8_t counter[4];
    for (uint32_t i = 0; i < kSpinCount; ++i) {
        putLe32(counter, i);
        h = hash(HashKind::Sha1, {Bytes(counter, 4), h});
    }
    putLe32(counter, 0);
    SecretBytes final = hash(HashKind::Sha1, {h, Bytes(counter, 4)});
    // The CryptoAPI key derivation: the hash XORed into 64 bytes of 0x36 and of 0x5C, each hashed again.
    SecretBytes inner(64, 0x36), outer(64, 0x5C);
    for (size_t i = 0; i < final.size(); ++i) inner[i] ^= final[i], outer[i] ^= final[i];
    SecretBytes key = hash(HashKind::Sha1, {inner});
    SecretBytes second = hash(HashKind::Sha1, {outer});
    key.insert(key.end(), second.begin(), second.end());
    key.resize(m_keyBits / 8);

    SecretBytes verifier = aes(AesMode::Ecb, false, key, {}, m_verifier);
    SecretBytes stored = aes(AesMode::Ecb, false, key, {}, m_verifierHash);
    SecretBytes expected = hash(HashKind::Sha1, {verifier});
    if (!std::equal(expected.begin(), expected.end(), stored.begin())) return {};
    return key;
}

std::string StandardEncryption::decrypt(std::span<const uint8_t> encryptedPackage, const SecretBytes& key,
                                        const std::string& where) const {
    if (encryptedPackage.size() < 8) throw EngineError(where + ": 加密的工作簿内容（EncryptedPackage）不完整");
    const uint64_t size = uint64_t(le32At(encryptedPackage, 0)) | uint64_t(le32At(encryptedPackage, 4)) << 32;
    auto data = encryptedPackage.subspan(8);
    data = data.first(data.size() - data.size() % 16);
    if (size > data.size()) throw EngineError(where + ": 加密的工作簿内容（EncryptedPackage）不完整");
    SecretBytes plain = aes(AesMode::Ecb, false, key, {}, data);
    return std::string(plain.begin(), plain.begin() + long(size));
}

} // namespace tabrix::engine::crypto
