#include "engine/text/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tabrix::engine::text {

namespace {
std::string lowerTrimmed(std::string_view label) {
    std::string out;
    for (char c : label)
        if (c != '"' && c != '\'' && c != ' ' && c != '\t') out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool iconvKnows(const std::string& name) {
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == iconv_t(-1)) return false;
    iconv_close(cd);
    return true;
}

// Converts the whole buffer; strict conversion fails on the first undefined byte instead of replacing it.
std::optional<std::string> convert(std::string_view bytes, const std::string& encoding, bool strict) {
    iconv_t cd = iconv_open("UTF-8", encoding.c_str());
    if (cd == iconv_t(-1)) return std::nullopt;
    std::string out(bytes.size() + bytes.size() / 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t done = 0;
    bool failed = false;
    while (inLeft > 0) {
        char* dst = out.data() + done;
        size_t outLeft = out.size() - done;
        size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
        done = size_t(dst - out.data());
        if (rc != size_t(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (strict) {
            failed = true;
            break;
        }
        // An undefined byte, or a character cut off at the end of the file.
        if (out.size() - done < 3) out.resize(out.size() * 2);
        out.replace(done, 3, "\xEF\xBF\xBD");
        done += 3;
        ++in, --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    if (failed) return std::nullopt;
    out.resize(done);
    return out;
}

// How the high bytes of a non-UTF-8 file pair up. Chinese text in GBK is almost all GB2312 pairs (both bytes
// 0xA1-0xFE); Western text in Windows-1252 has single accented letters between ASCII letters, which GBK would
// read as pairs with an ASCII trail byte.
bool looksLikeGbk(std::string_view bytes) {
    size_t gb2312 = 0, other = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = uint8_t(bytes[i]);
        if (b < 0x80) continue;
        if (b >= 0x81 && b <= 0xFE && i + 1 < bytes.size()) {
            auto t = uint8_t(bytes[i + 1]);
            if (b >= 0xA1 && t >= 0xA1 && t <= 0xFE) {
                ++gb2312;
            } else if (t >= 0x30 && t <= 0x39 && i + 3 < bytes.size()) {
                ++other; // a four-byte GB18030 sequence: rare in real text
                i += 2;
            } else {
                ++other;
            }
            ++i;
        } else {
            ++other;
        }
    }
    return gb2312 > 0 && gb2312 >= other;
}
} // namespace

std::optional<std::pair<std::string, size_t>> bomEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return std::pair<std::string, size_t>{"UTF-8", 3};
    if (bytes.starts_with("\xFF\xFE")) return std::pair<std::string, size_t>{"UTF-16LE", 2};
    if (bytes.starts_with("\xFE\xFF")) return std::pair<std::string, size_t>{"UTF-16BE", 2};
    return std::nullopt;
}

std::optional<std::string> charsetName(std::string_view label) {
    const std::string l = lowerTrimmed(label);
    if (l.empty() || l.size() > 40) return std::nullopt;
    static const std::pair<const char*, const char*> aliases[] = {
        {"gb2312", "GB18030"},      {"gbk", "GB18030"},           {"x-gbk", "GB18030"},      {"cp936", "GB18030"},
        {"gb18030", "GB18030"},     {"euc-cn", "GB18030"},        {"gb_2312-80", "GB18030"}, {"csgb2312", "GB18030"},
        {"big5", "BIG5-HKSCS"},     {"utf-8", "UTF-8"},           {"utf8", "UTF-8"},         {"unicode", "UTF-16LE"},
        {"iso-8859-1", "CP1252"},   {"latin1", "CP1252"},         {"us-ascii", "CP1252"},    {"ascii", "CP1252"},
        {"macintosh", "MACINTOSH"}, {"x-mac-roman", "MACINTOSH"}, {"shift_jis", "CP932"},    {"sjis", "CP932"},
        {"euc-kr", "CP949"},        {"ks_c_5601-1987", "CP949"}};
    for (const auto& [from, to] : aliases)
        if (l == from) return std::string(to);
    std::string upper = l;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (upper.starts_with("WINDOWS-")) upper = "CP" + upper.substr(8);
    if (iconvKnows(upper)) return upper;
    return std::nullopt;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: most of a table is ASCII.
        while (end - p >= 8) {
            uint64_t word;
            std::copy(p, p + 8, reinterpret_cast<uint8_t*>(&word));
            if (word & 0x8080808080808080ULL) break;
            p += 8;
        }
        if (p >= end) break;
        uint8_t b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        if ((b & 0xF0) == 0xE0 && end - p >= 3) {
            // Three bytes, as every Chinese character: continuation bytes, no overlong form, no surrogate.
            const uint8_t c1 = p[1], c2 = p[2];
            if ((c1 & 0xC0) != 0x80 || (c2 & 0xC0) != 0x80 || (b == 0xE0 && c1 < 0xA0) || (b == 0xED && c1 >= 0xA0))
                return false;
            p += 3;
            continue;
        }
        int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
        if (n < 0 || b > 0xF4 || end - p <= n) return false;
        uint32_t cp = b & (0x3F >> n);
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (p[i] & 0x3F);
        }
        if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        p += n + 1;
    }
    return true;
}

std::string convertToUtf8(std::string_view bytes, const std::string& encoding) {
    if (auto out = convert(bytes, encoding, false)) return std::move(*out);
    return std::string(bytes);
}

DecodedText decodeText(std::string_view bytes, std::string_view declared) {
    if (auto bom = bomEncoding(bytes)) {
        std::string_view rest = bytes.substr(bom->second);
        if (bom->first == "UTF-8" && isValidUtf8(rest)) return {std::string(rest), "UTF-8"};
        return {convertToUtf8(rest, bom->first), bom->first};
    }
    if (auto name = charsetName(declared); name && *name != "UTF-8") {
        // A page declared UTF-16 but written in 8 bits (the declaration copied from elsewhere) is not taken at its
        // word.
        if (!name->starts_with("UTF-16"))
            if (auto out = convert(bytes, *name, true)) return {std::move(*out), *name};
    }
    if (isValidUtf8(bytes)) return {std::string(bytes), "UTF-8"};
    const std::string legacy = looksLikeGbk(bytes) ? "GB18030" : "CP1252";
    return {convertToUtf8(bytes, legacy), legacy};
}

bool looksLikeText(std::string_view head) {
    if (auto bom = bomEncoding(head); bom) return true;
    size_t controls = 0;
    for (char c : head) {
        auto b = uint8_t(c);
        if (b == 0) return false;
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') ++controls;
    }
    return controls * 50 <= head.size();
}

} // namespace tabrix::engine::text
