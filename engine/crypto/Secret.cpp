#include "engine/crypto/Secret.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace tabrix::engine::crypto {

void wipe(void* data, size_t size) {
    if (data && size) OPENSSL_cleanse(data, size);
}

// Reserved beyond the short-string buffer, so the text lives in one heap block that is wiped as a whole and
// never moved by the string itself.
Password::Password(std::string_view text) {
    m_text.reserve(std::max<size_t>(text.size(), 64));
    m_text.assign(text);
}

Password::~Password() { wipe(m_text.data(), m_text.capacity()); }

SecretBytes Password::utf16() const {
    SecretBytes out;
    out.reserve(m_text.size() * 2 + 4);
    auto push = [&](uint32_t unit) {
        out.push_back(uint8_t(unit & 0xFF));
        out.push_back(uint8_t(unit >> 8));
    };
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    size_t n = m_text.size();
    for (size_t i = 0; i < n;) {
        uint32_t cp = s[i];
        size_t len = cp < 0x80 ? 1 : (cp >> 5) == 0x6 ? 2 : (cp >> 4) == 0xE ? 3 : (cp >> 3) == 0x1E ? 4 : 1;
        if (i + len > n) len = 1;
        if (len == 2) cp = (cp & 0x1F) << 6 | (s[i + 1] & 0x3F);
        if (len == 3) cp = (cp & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
        if (len == 4) cp = (cp & 0x07) << 18 | (s[i + 1] & 0x3F) << 12 | (s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            push(0xD800 | (cp >> 10));
            push(0xDC00 | (cp & 0x3FF));
        } else {
            push(cp);
        }
    }
    return out;
}

} // namespace tabrix::engine::crypto
