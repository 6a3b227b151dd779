#include "engine/crypto/BiffProtection.h"

#include "engine/EngineError.h"
#include "engine/crypto/Primitives.h"
#include "engine/crypto/XorObfuscation.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>

namespace tabrix::engine::crypto {

namespace {
constexpr uint16_t kBof = 0x0809, kFilePass = 0x002F, kBoundSheet = 0x0085;
constexpr size_t kBlockSize = 1024;
constexpr uint32_t kAlgRc4 = 0x6801, kAlgSha1 = 0x8004;
constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr std::u16string_view kProvider = u"Microsoft Enhanced Cryptographic Provider v1.0";

// Records the format never transforms: BOF, FILEPASS, INTERFACEHDR, the shared-workbook locks and revision heads.
bool alwaysPlain(uint16_t id) {
    return id == kBof || id == kFilePass || id == 0x00E1 || id == 0x0194 || id == 0x0195 || id == 0x0196 ||
           id == 0x0138;
}

// Calls visit(offset, length) for every stretch of record bodies after `from` that the scheme transforms.
void forEachProtectedStretch(std::span<const uint8_t> stream, size_t from,
                             const std::function<void(size_t, size_t)>& visit) {
    for (size_t pos = from; pos + 4 <= stream.size();) {
        uint16_t id = le16At(stream, pos), len = le16At(stream, pos + 2);
        size_t body = pos + 4, end = std::min(body + len, stream.size());
        // The sheet positions in BOUNDSHEET stay plain, so a reader can find the sheets before it decrypts.
        size_t start = id == kBoundSheet ? std::min(body + 4, end) : body;
        if (!alwaysPlain(id) && start < end) visit(start, end - start);
        pos = body + len;
    }
}

SecretBytes rc4BlockKey(const Password& password, Bytes salt, uint32_t block) {
    uint8_t blockBytes[4];
    putLe32(blockBytes, block);
    SecretBytes pw = password.utf16();
    SecretBytes h0 = hash(HashKind::Md5, {pw});
    SecretBytes truncated(h0.begin(), h0.begin() + 5);
    SecretBytes repeated;
    for (int i = 0; i < 16; ++i) {
        repeated.insert(repeated.end(), truncated.begin(), truncated.end());
        repeated.insert(repeated.end(), salt.begin(), salt.end());
    }
    SecretBytes h1 = hash(HashKind::Md5, {repeated});
    SecretBytes h2 = hash(HashKind::Md5, {Bytes(h1.data(), 5), Bytes(blockBytes, 4)});
    h2.resize(16);
    return h2;
}

SecretBytes cryptoApiBlockKey(const Password& password, Bytes salt, uint32_t keyBits, uint32_t block) {
    uint8_t blockBytes[4];
    putLe32(blockBytes, block);
    SecretBytes pw = password.utf16();
    SecretBytes h0 = hash(HashKind::Sha1, {salt, pw});
    SecretBytes key = hash(HashKind::Sha1, {h0, Bytes(blockBytes, 4)});
    // A 40-bit key still runs as a 128-bit RC4 key whose last 88 bits are zero.
    if (keyBits == 40) {
        std::fill(key.begin() + 5, key.end(), 0);
        key.resize(16);
    } else {
        key.resize(keyBits / 8);
    }
    return key;
}

// Applies the block-keyed RC4 stream to the stretches: each 1024-byte block of the stream has a key of its own,
// and every byte of a block, plain or not, advances that block's key stream.
void applyRc4(std::span<uint8_t> stream, size_t from, const std::function<SecretBytes(uint32_t)>& keyFor) {
    std::unique_ptr<Rc4> rc4;
    size_t block = SIZE_MAX, at = 0;
    forEachProtectedStretch(stream, from, [&](size_t offset, size_t length) {
        for (size_t end = offset + length; offset < end;) {
            size_t b = offset / kBlockSize;
            if (b != block) {
                rc4 = std::make_unique<Rc4>(keyFor(uint32_t(b)));
                block = b;
                at = b * kBlockSize;
            }
            rc4->skip(offset - at);
            size_t n = std::min(end, (b + 1) * kBlockSize) - offset;
            rc4->xor_(stream.data() + offset, n);
            offset += n;
            at = offset;
        }
    });
}

[[noreturn]] void unsupported(const std::string& where, const std::string& what) {
    throw EngineError(where + ": 工作簿设有密码，但加密方式不受支持（" + what + "）");
}
[[noreturn]] void damaged(const std::string& where, const std::string& scheme) {
    throw EngineError(where + ": 工作簿设有密码，但加密信息（FILEPASS，" + scheme + "）已损坏");
}
} // namespace

std::optional<BiffProtection> BiffProtection::find(std::span<const uint8_t> stream, int biff,
                                                   const std::string& where) {
    if (stream.size() < 8 || le16At(stream, 0) != kBof) return std::nullopt;
    size_t next = 4 + le16At(stream, 2);
    if (next + 4 > stream.size() || le16At(stream, next) != kFilePass) return std::nullopt;
    const size_t len = le16At(stream, next + 2);
    if (next + 4 + len > stream.size()) damaged(where, "记录不完整");
    Bytes body = stream.subspan(next + 4, len);
    BiffProtection p;
    p.m_filePassEnd = next + 4 + len;
    auto take = [&](std::vector<uint8_t>& into, size_t at, size_t n, const char* scheme) {
        if (at + n > body.size()) damaged(where, scheme);
        into.assign(body.begin() + long(at), body.begin() + long(at + n));
    };
    // BIFF5 knows only XOR obfuscation and stores it without the type field.
    const size_t xorAt = biff < 8 ? 0 : 2;
    if (biff >= 8 && body.size() < 2) damaged(where, "记录是空的");
    if (biff < 8 || le16At(body, 0) == 0) {
        if (body.size() < xorAt + 4) damaged(where, "XOR 混淆");
        p.m_scheme = Scheme::Xor;
        p.m_xorKey = le16At(body, xorAt);
        p.m_xorVerifier = le16At(body, xorAt + 2);
        return p;
    }
    if (le16At(body, 0) != 1) unsupported(where, "FILEPASS 类型 " + std::to_string(le16At(body, 0)));
    if (body.size() < 6) damaged(where, "RC4");
    const uint16_t major = le16At(body, 2), minor = le16At(body, 4);
    if (major == 1 && minor == 1) {
        p.m_scheme = Scheme::Rc4;
        take(p.m_salt, 6, 16, "RC4");
        take(p.m_verifier, 22, 16, "RC4");
        take(p.m_verifierHash, 38, 16, "RC4");
        return p;
    }
    if (major < 2 || major > 4 || minor != 2)
        unsupported(where, "RC4 版本 " + std::to_string(major) + "." + std::to_string(minor));
    p.m_scheme = Scheme::Rc4CryptoApi;
    if (body.size() < 14) damaged(where, "RC4 CryptoAPI");
    const size_t headerSize = le32At(body, 10), header = 14;
    if (headerSize < 32 || header + headerSize + 40 > body.size()) damaged(where, "RC4 CryptoAPI");
    const uint32_t algId = le32At(body, header + 8), keyBits = le32At(body, header + 16);
    if (algId != kAlgRc4 && algId != 0) unsupported(where, "RC4 CryptoAPI 中的算法 0x" + std::to_string(algId));
    p.m_keyBits = keyBits == 0 ? 40 : keyBits;
    if (p.m_keyBits < 40 || p.m_keyBits > 128 || p.m_keyBits % 8 != 0)
        unsupported(where, "RC4 CryptoAPI 密钥长度 " + std::to_string(keyBits) + " 位");
    const size_t verifier = header + headerSize;
    if (le32At(body, verifier) != 16) damaged(where, "RC4 CryptoAPI");
    take(p.m_salt, verifier + 4, 16, "RC4 CryptoAPI");
    take(p.m_verifier, verifier + 20, 16, "RC4 CryptoAPI");
    take(p.m_verifierHash, verifier + 40, 20, "RC4 CryptoAPI");
    return p;
}

std::string BiffProtection::schemeName() const {
    switch (m_scheme) {
    case Scheme::Xor: return "XOR 混淆";
    case Scheme::Rc4: return "RC4";
    case Scheme::Rc4CryptoApi: return "RC4 CryptoAPI";
    }
    return "";
}

bool BiffProtection::accepts(const Password& password) const {
    if (m_scheme == Scheme::Xor) {
        XorObfuscation x(password);
        return x.key == m_xorKey && x.verifier == m_xorVerifier;
    }
    const bool cryptoApi = m_scheme == Scheme::Rc4CryptoApi;
    SecretBytes key = cryptoApi ? cryptoApiBlockKey(password, m_salt, m_keyBits, 0) : rc4BlockKey(password, m_salt, 0);
    // The verifier and its hash are encrypted as one run of the block-0 key stream.
    SecretBytes both(m_verifier.begin(), m_verifier.end());
    both.insert(both.end(), m_verifierHash.begin(), m_verifierHash.end());
    Rc4(key).xor_(both.data(), both.size());
    Bytes verifier(both.data(), 16), stored(both.data() + 16, both.size() - 16);
    SecretBytes expected = hash(cryptoApi ? HashKind::Sha1 : HashKind::Md5, {verifier});
    return expected.size() == stored.size() && std::equal(expected.begin(), expected.end(), stored.begin());
}

void BiffProtection::decrypt(std::vector<uint8_t>& stream, const Password& password) const {
    if (m_scheme == Scheme::Xor) {
        XorObfuscation x(password);
        // A record's array position starts at (stream offset + body length) for each byte it holds.
        for (size_t pos = m_filePassEnd; pos + 4 <= stream.size();) {
            uint16_t id = le16At(stream, pos), len = le16At(stream, pos + 2);
            size_t body = pos + 4, end = std::min(body + len, stream.size());
            size_t start = id == kBoundSheet ? std::min(body + 4, end) : body;
            if (!alwaysPlain(id))
                for (size_t i = start; i < end; ++i) stream[i] = x.decrypt(stream[i], i + len);
            pos = body + len;
        }
        return;
    }
    if (m_scheme == Scheme::Rc4)
        applyRc4(stream, m_filePassEnd, [&](uint32_t b) { return rc4BlockKey(password, m_salt, b); });
    else
        applyRc4(stream, m_filePassEnd, [&](uint32_t b) { return cryptoApiBlockKey(password, m_salt, m_keyBits, b); });
}

BiffRc4CryptoApiWriter::BiffRc4CryptoApiWriter(const Password& password)
    : m_password(password), m_salt(randomBytes(16)) {
    auto put16 = [&](uint16_t v) { m_filePass.push_back(uint8_t(v)), m_filePass.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(uint16_t(v)), put16(uint16_t(v >> 16)); };
    put16(1);                    // RC4
    put16(4), put16(2);          // CryptoAPI encryption version
    put32(kFlagCryptoApi);
    const uint32_t headerSize = 32 + uint32_t(kProvider.size() + 1) * 2;
    put32(headerSize);
    put32(kFlagCryptoApi), put32(0), put32(kAlgRc4), put32(kAlgSha1), put32(128), put32(1), put32(0), put32(0);
    for (char16_t c : kProvider) put16(uint16_t(c));
    put16(0);
    put32(16);
    m_filePass.insert(m_filePass.end(), m_salt.begin(), m_salt.end());
    SecretBytes verifier = randomBytes(16);
    SecretBytes verifierHash = hash(HashKind::Sha1, {verifier});
    SecretBytes both(verifier.begin(), verifier.end());
    both.insert(both.end(), verifierHash.begin(), verifierHash.end());
    Rc4(cryptoApiBlockKey(m_password, m_salt, 128, 0)).xor_(both.data(), both.size());
    m_filePass.insert(m_filePass.end(), both.begin(), both.begin() + 16);
    put32(20);
    m_filePass.insert(m_filePass.end(), both.begin() + 16, both.end());
}

void BiffRc4CryptoApiWriter::encrypt(std::span<uint8_t> stream) const {
    applyRc4(stream, 0, [&](uint32_t b) { return cryptoApiBlockKey(m_password, m_salt, 128, b); });
}

} // namespace tabrix::engine::crypto
