#include "engine/crypto/Primitives.h"

#include "engine/EngineError.h"

// RC4 lives in OpenSSL's legacy provider, which a system may not install; the library's own RC4 functions are
// the fallback, and their deprecation notice is no news to us.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/rc4.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace tabrix::engine::crypto {

namespace {
[[noreturn]] void libraryFailed(const char* what) {
    throw EngineError(std::string("加密库（OpenSSL）出错：") + what);
}

const EVP_MD* digestOf(HashKind kind) {
    switch (kind) {
    case HashKind::Md5: return EVP_md5();
    case HashKind::Sha1: return EVP_sha1();
    case HashKind::Sha256: return EVP_sha256();
    case HashKind::Sha384: return EVP_sha384();
    case HashKind::Sha512: return EVP_sha512();
    }
    return EVP_sha1();
}

struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;
} // namespace

std::optional<HashKind> hashNamed(std::string_view name) {
    std::string n;
    for (char c : name)
        if (c != '-') n += char(std::toupper(static_cast<unsigned char>(c)));
    if (n == "SHA1") return HashKind::Sha1;
    if (n == "SHA256") return HashKind::Sha256;
    if (n == "SHA384") return HashKind::Sha384;
    if (n == "SHA512") return HashKind::Sha512;
    if (n == "MD5") return HashKind::Md5;
    return std::nullopt;
}

size_t hashSize(HashKind kind) { return size_t(EVP_MD_get_size(digestOf(kind))); }

SecretBytes hash(HashKind kind, std::initializer_list<Bytes> parts) {
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), digestOf(kind), nullptr)) libraryFailed("无法计算散列");
    for (Bytes part : parts)
        if (!part.empty() && !EVP_DigestUpdate(ctx.get(), part.data(), part.size())) libraryFailed("无法计算散列");
    SecretBytes out(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), out.data(), &size)) libraryFailed("无法计算散列");
    out.resize(size);
    return out;
}

SecretBytes hmac(HashKind kind, Bytes key, Bytes data) {
    SecretBytes out(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    if (!HMAC(digestOf(kind), key.data(), int(key.size()), data.data(), data.size(), out.data(), &size))
        libraryFailed("无法计算 HMAC");
    out.resize(size);
    return out;
}

SecretBytes aes(AesMode mode, bool encrypt, Bytes key, Bytes iv, Bytes data) {
    const EVP_CIPHER* cipher = nullptr;
    switch (key.size()) {
    case 16: cipher = mode == AesMode::Ecb ? EVP_aes_128_ecb() : EVP_aes_128_cbc(); break;
    case 24: cipher = mode == AesMode::Ecb ? EVP_aes_192_ecb() : EVP_aes_192_cbc(); break;
    case 32: cipher = mode == AesMode::Ecb ? EVP_aes_256_ecb() : EVP_aes_256_cbc(); break;
    default: throw EngineError("AES 密钥长度为 " + std::to_string(key.size() * 8) + " 位，不是 128、192 或 256");
    }
    if (data.size() % 16 != 0) throw EngineError("AES 数据长度 " + std::to_string(data.size()) + " 不是 16 的倍数");
    if (mode == AesMode::Cbc && iv.size() < 16) throw EngineError("AES 初始向量不足 16 字节");
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || !EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), mode == AesMode::Cbc ? iv.data() : nullptr,
                                   encrypt ? 1 : 0))
        libraryFailed("无法初始化 AES");
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    SecretBytes out(data.size() + 16);
    int n = 0, tail = 0;
    if (!EVP_CipherUpdate(ctx.get(), out.data(), &n, data.data(), int(data.size())) ||
        !EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail))
        libraryFailed("AES 运算失败");
    out.resize(size_t(n + tail));
    return out;
}

namespace {
// The legacy provider in a library context of its own: loading it into the default context would stop OpenSSL
// from loading the default provider there by itself.
const EVP_CIPHER* legacyRc4() {
    static std::once_flag once;
    static EVP_CIPHER* cipher = nullptr;
    std::call_once(once, [] {
        OSSL_LIB_CTX* ctx = OSSL_LIB_CTX_new();
        if (ctx && OSSL_PROVIDER_load(ctx, "legacy")) cipher = EVP_CIPHER_fetch(ctx, "RC4", nullptr);
    });
    return cipher;
}
} // namespace

struct Rc4::State {
    CipherCtx evp;
    RC4_KEY fallback{};
    bool usesEvp = false;
    ~State() { wipe(&fallback, sizeof fallback); }
};

Rc4::Rc4(Bytes key) : m_state(std::make_unique<State>()) {
    if (const EVP_CIPHER* cipher = legacyRc4()) {
        m_state->evp.reset(EVP_CIPHER_CTX_new());
        auto* ctx = m_state->evp.get();
        m_state->usesEvp = ctx && EVP_CipherInit_ex(ctx, cipher, nullptr, nullptr, nullptr, 1) &&
                           EVP_CIPHER_CTX_set_key_length(ctx, int(key.size())) &&
                           EVP_CipherInit_ex(ctx, nullptr, nullptr, key.data(), nullptr, 1);
    }
    if (!m_state->usesEvp) RC4_set_key(&m_state->fallback, int(key.size()), key.data());
}

Rc4::~Rc4() = default;

void Rc4::xor_(uint8_t* data, size_t size) {
    if (size == 0) return;
    if (!m_state->usesEvp) return RC4(&m_state->fallback, size, data, data);
    int n = 0;
    if (!EVP_CipherUpdate(m_state->evp.get(), data, &n, data, int(size))) libraryFailed("RC4 运算失败");
}

void Rc4::skip(size_t size) {
    uint8_t scratch[256];
    while (size > 0) {
        size_t n = std::min(size, sizeof scratch);
        xor_(scratch, n);
        size -= n;
    }
}

SecretBytes randomBytes(size_t count) {
    SecretBytes out(count);
    if (count && RAND_bytes(out.data(), int(count)) != 1) libraryFailed("无法取得随机数");
    return out;
}

} // namespace tabrix::engine::crypto
