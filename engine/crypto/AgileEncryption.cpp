#include "engine/crypto/AgileEncryption.h"

#include "engine/EngineError.h"

#include <expat.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace tabrix::engine::crypto {

namespace {
constexpr uint8_t kVerifierInputBlock[8] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
constexpr uint8_t kVerifierValueBlock[8] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
constexpr uint8_t kKeyValueBlock[8] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
constexpr uint8_t kHmacKeyBlock[8] = {0x5F, 0xB2, 0xAD, 0x01, 0x0C, 0xB9, 0xE1, 0xF6};
constexpr uint8_t kHmacValueBlock[8] = {0xA0, 0x67, 0x7F, 0x02, 0xB2, 0x2C, 0x84, 0x33};
constexpr size_t kSegment = 4096;
constexpr uint32_t kMaxSpinCount = 10'000'000;
constexpr const char* kPasswordUri = "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

using Attributes = std::map<std::string, std::string>;

std::string_view localName(std::string_view name) {
    size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

struct InfoXml {
    Attributes keyData, dataIntegrity, passwordKey;
    bool otherEncryptorsOnly = false;
    bool inPasswordEncryptor = false;
};

void XMLCALL onStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto& x = *static_cast<InfoXml*>(user);
    Attributes a;
    for (int i = 0; atts[i]; i += 2) a[std::string(localName(atts[i]))] = atts[i + 1];
    std::string_view local = localName(name);
    if (local == "keyData") x.keyData = std::move(a);
    else if (local == "dataIntegrity") x.dataIntegrity = std::move(a);
    else if (local == "keyEncryptor") x.inPasswordEncryptor = a["uri"] == kPasswordUri;
    else if (local == "encryptedKey" && x.inPasswordEncryptor) x.passwordKey = std::move(a);
}

std::vector<uint8_t> base64(const std::string& text) {
    std::string clean;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) clean += c;
    if (clean.empty() || clean.size() % 4 != 0) return {};
    std::vector<uint8_t> out(clean.size() / 4 * 3 + 3);
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()), int(clean.size()));
    if (n < 0) return {};
    size_t padding = clean.size() >= 2 && clean[clean.size() - 1] == '=' ? (clean[clean.size() - 2] == '=' ? 2 : 1) : 0;
    out.resize(size_t(n) - padding);
    return out;
}

std::string base64(Bytes data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.data(), int(data.size()));
    out.resize(size_t(n));
    return out;
}

// A hash cut or padded with 0x36 to the length a key or IV needs.
SecretBytes fitted(SecretBytes h, size_t size) {
    h.resize(size, 0x36);
    return h;
}

SecretBytes passwordHash(const Password& password, Bytes salt, HashKind kind, uint32_t spinCount) {
    SecretBytes pw = password.utf16();
    SecretBytes h = hash(kind, {salt, pw});
    uint8_t counter[4];
    for (uint32_t i = 0; i < spinCount; ++i) {
        putLe32(counter, i);
        h = hash(kind, {Bytes(counter, 4), h});
    }
    return h;
}

SecretBytes blockKey(const SecretBytes& h, const uint8_t (&block)[8], HashKind kind, uint32_t keyBits) {
    return fitted(hash(kind, {h, Bytes(block, 8)}), keyBits / 8);
}

SecretBytes ivFor(const AgileEncryption::CipherParams& p, Bytes blockKey) {
    return fitted(hash(p.hash, {p.salt, blockKey}), p.blockSize);
}

SecretBytes padded(Bytes data, size_t block) {
    SecretBytes out(data.begin(), data.end());
    out.resize((data.size() + block - 1) / block * block, 0);
    return out;
}

bool startsWith(Bytes whole, Bytes part) {
    return whole.size() >= part.size() && std::equal(part.begin(), part.end(), whole.begin());
}
} // namespace

AgileEncryption::AgileEncryption(std::string_view xml, const std::string& where) {
    auto damaged = [&](const std::string& what) {
        throw EngineError(where + ": 加密信息（EncryptionInfo，AES 敏捷加密）已损坏（" + what + "）");
    };
    auto unsupported = [&](const std::string& what) {
        throw EngineError(where + ": 工作簿设有密码，但加密方式不受支持（敏捷加密：" + what + "）");
    };
    InfoXml info;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &info);
    XML_SetStartElementHandler(parser, onStart);
    const bool parsed = XML_Parse(parser, xml.data(), int(xml.size()), 1) != XML_STATUS_ERROR;
    XML_ParserFree(parser);
    if (!parsed) damaged("XML 无法解析");
    if (info.keyData.empty()) damaged("缺少 keyData");
    if (info.passwordKey.empty()) unsupported("没有密码加密项，可能是用证书加密的");

    auto params = [&](Attributes& a, CipherParams& p) {
        if (a["cipherAlgorithm"] != "AES") unsupported("算法 " + a["cipherAlgorithm"]);
        if (a["cipherChaining"] != "ChainingModeCBC") unsupported("链接方式 " + a["cipherChaining"]);
        auto kind = hashNamed(a["hashAlgorithm"]);
        if (!kind) unsupported("散列 " + a["hashAlgorithm"]);
        p.hash = *kind;
        p.keyBits = uint32_t(std::strtoul(a["keyBits"].c_str(), nullptr, 10));
        p.blockSize = uint32_t(std::strtoul(a["blockSize"].c_str(), nullptr, 10));
        if (p.keyBits != 128 && p.keyBits != 192 && p.keyBits != 256) unsupported("密钥长度 " + a["keyBits"]);
        if (p.blockSize != 16) damaged("blockSize " + a["blockSize"]);
        p.salt = base64(a["saltValue"]);
        if (p.salt.size() < 1) damaged("saltValue");
    };
    params(info.keyData, m_keyData);
    params(info.passwordKey, m_password);
    m_spinCount = uint32_t(std::strtoul(info.passwordKey["spinCount"].c_str(), nullptr, 10));
    if (m_spinCount > kMaxSpinCount) damaged("spinCount " + info.passwordKey["spinCount"]);
    m_verifierInput = base64(info.passwordKey["encryptedVerifierHashInput"]);
    m_verifierValue = base64(info.passwordKey["encryptedVerifierHashValue"]);
    m_keyValue = base64(info.passwordKey["encryptedKeyValue"]);
    if (m_verifierInput.empty() || m_verifierInput.size() % 16 || m_verifierValue.empty() ||
        m_verifierValue.size() % 16 || m_keyValue.size() < m_keyData.keyBits / 8 || m_keyValue.size() % 16)
        damaged("encryptedKey");
    m_hmacKey = base64(info.dataIntegrity["encryptedHmacKey"]);
    m_hmacValue = base64(info.dataIntegrity["encryptedHmacValue"]);
    if (m_hmacKey.size() % 16 || m_hmacValue.size() % 16) damaged("dataIntegrity");
}

std::string AgileEncryption::schemeName() const {
    static const char* names[] = {"MD5", "SHA-1", "SHA-256", "SHA-384", "SHA-512"};
    return "敏捷加密 AES-" + std::to_string(m_keyData.keyBits) + " / " + names[int(m_keyData.hash)];
}

SecretBytes AgileEncryption::unlock(const Password& password) const {
    const CipherParams& p = m_password;
    SecretBytes h = passwordHash(password, p.salt, p.hash, m_spinCount);
    SecretBytes input = aes(AesMode::Cbc, false, blockKey(h, kVerifierInputBlock, p.hash, p.keyBits), p.salt,
                            m_verifierInput);
    input.resize(std::min(input.size(), p.salt.size()));
    SecretBytes value = aes(AesMode::Cbc, false, blockKey(h, kVerifierValueBlock, p.hash, p.keyBits), p.salt,
                            m_verifierValue);
    if (!startsWith(value, hash(p.hash, {input}))) return {};
    SecretBytes key = aes(AesMode::Cbc, false, blockKey(h, kKeyValueBlock, p.hash, p.keyBits), p.salt, m_keyValue);
    key.resize(m_keyData.keyBits / 8);
    return key;
}

std::string AgileEncryption::decrypt(std::span<const uint8_t> encryptedPackage, const SecretBytes& key,
                                     const std::string& where) const {
    if (encryptedPackage.size() < 8) throw EngineError(where + ": 加密的工作簿内容（EncryptedPackage）不完整");
    // The HMAC covers the whole stream as stored, so damage shows before anything is decrypted.
    if (!m_hmacKey.empty() && !m_hmacValue.empty()) {
        SecretBytes hmacKey = aes(AesMode::Cbc, false, key, ivFor(m_keyData, Bytes(kHmacKeyBlock, 8)), m_hmacKey);
        SecretBytes stored = aes(AesMode::Cbc, false, key, ivFor(m_keyData, Bytes(kHmacValueBlock, 8)), m_hmacValue);
        const size_t n = hashSize(m_keyData.hash);
        hmacKey.resize(std::min(hmacKey.size(), n));
        if (!startsWith(stored, hmac(m_keyData.hash, hmacKey, encryptedPackage)))
            throw EngineError(where + ": 加密的工作簿内容已损坏（完整性校验不符，" + schemeName() + "）");
    }
    const uint64_t size = uint64_t(le32At(encryptedPackage, 0)) | uint64_t(le32At(encryptedPackage, 4)) << 32;
    auto data = encryptedPackage.subspan(8);
    if (size > data.size()) throw EngineError(where + ": 加密的工作簿内容（EncryptedPackage）不完整");
    std::string out;
    out.reserve(size);
    uint8_t index[4];
    for (uint32_t i = 0; out.size() < size; ++i) {
        auto segment = data.subspan(size_t(i) * kSegment, std::min(kSegment, data.size() - size_t(i) * kSegment));
        segment = segment.first(segment.size() - segment.size() % 16);
        if (segment.empty()) throw EngineError(where + ": 加密的工作簿内容（EncryptedPackage）不完整");
        putLe32(index, i);
        SecretBytes plain = aes(AesMode::Cbc, false, key, ivFor(m_keyData, Bytes(index, 4)), segment);
        out.append(plain.begin(), plain.begin() + long(std::min<uint64_t>(plain.size(), size - out.size())));
    }
    return out;
}

EncryptedPackageStreams encryptPackageAgile(std::string_view package, const Password& password) {
    constexpr uint32_t kSpin = 100000;
    AgileEncryption::CipherParams keyData{256, 16, HashKind::Sha512, {}};
    SecretBytes dataSalt = randomBytes(16), passwordSalt = randomBytes(16);
    keyData.salt.assign(dataSalt.begin(), dataSalt.end());
    SecretBytes key = randomBytes(32);

    EncryptedPackageStreams out;
    auto& enc = out.encryptedPackage;
    enc.resize(8);
    putLe32(enc.data(), uint32_t(package.size()));
    putLe32(enc.data() + 4, uint32_t(uint64_t(package.size()) >> 32));
    uint8_t index[4];
    for (size_t at = 0, i = 0; at < package.size(); at += kSegment, ++i) {
        putLe32(index, uint32_t(i));
        SecretBytes segment = padded(bytesOf(package.substr(at, kSegment)), 16);
        SecretBytes cipher = aes(AesMode::Cbc, true, key, ivFor(keyData, Bytes(index, 4)), segment);
        enc.insert(enc.end(), cipher.begin(), cipher.end());
    }

    SecretBytes hmacKey = randomBytes(64);
    SecretBytes hmacValue = hmac(HashKind::Sha512, hmacKey, enc);
    SecretBytes encHmacKey = aes(AesMode::Cbc, true, key, ivFor(keyData, Bytes(kHmacKeyBlock, 8)), hmacKey);
    SecretBytes encHmacValue = aes(AesMode::Cbc, true, key, ivFor(keyData, Bytes(kHmacValueBlock, 8)), hmacValue);

    SecretBytes h = passwordHash(password, passwordSalt, HashKind::Sha512, kSpin);
    SecretBytes verifierInput = randomBytes(16);
    SecretBytes encVerifierInput =
        aes(AesMode::Cbc, true, blockKey(h, kVerifierInputBlock, HashKind::Sha512, 256), passwordSalt, verifierInput);
    SecretBytes encVerifierValue = aes(AesMode::Cbc, true, blockKey(h, kVerifierValueBlock, HashKind::Sha512, 256),
                                       passwordSalt, hash(HashKind::Sha512, {verifierInput}));
    SecretBytes encKey =
        aes(AesMode::Cbc, true, blockKey(h, kKeyValueBlock, HashKind::Sha512, 256), passwordSalt, key);

    const std::string cipher =
        "saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" cipherAlgorithm=\"AES\" "
        "cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" ";
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
        "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
        "<keyData " + cipher + "saltValue=\"" + base64(dataSalt) + "\"/>"
        "<dataIntegrity encryptedHmacKey=\"" + base64(encHmacKey) + "\" encryptedHmacValue=\"" +
        base64(encHmacValue) + "\"/>"
        "<keyEncryptors><keyEncryptor uri=\"" + kPasswordUri + "\"><p:encryptedKey spinCount=\"" +
        std::to_string(kSpin) + "\" " + cipher + "saltValue=\"" + base64(passwordSalt) +
        "\" encryptedVerifierHashInput=\"" + base64(encVerifierInput) + "\" encryptedVerifierHashValue=\"" +
        base64(encVerifierValue) + "\" encryptedKeyValue=\"" + base64(encKey) +
        "\"/></keyEncryptor></keyEncryptors></encryption>";
    auto& info = out.encryptionInfo;
    info = {0x04, 0x00, 0x04, 0x00, 0x40, 0x00, 0x00, 0x00};
    info.insert(info.end(), xml.begin(), xml.end());
    return out;
}

} // namespace tabrix::engine::crypto
