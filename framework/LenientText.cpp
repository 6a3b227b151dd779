#include "framework/LenientText.h"

#include <cctype>

namespace tabrix::framework {

namespace {
// The length of the white-space character at the start of text (0 when it starts with none).
size_t blankAt(std::string_view text) {
    if (text.empty()) return 0;
    const unsigned char c = static_cast<unsigned char>(text[0]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
    if (text.substr(0, 2) == "\xC2\xA0") return 2;     // U+00A0
    if (text.substr(0, 3) == "\xE3\x80\x80") return 3; // U+3000
    return 0;
}

// The length of the white-space character that ends text (0 when it ends with none).
size_t blankBefore(std::string_view text) {
    if (text.empty()) return 0;
    const unsigned char c = static_cast<unsigned char>(text.back());
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\xC2\xA0") return 2;
    if (text.size() >= 3 && text.substr(text.size() - 3) == "\xE3\x80\x80") return 3;
    return 0;
}
} // namespace

std::string_view trimmedText(std::string_view text) {
    for (size_t n; (n = blankAt(text)) != 0;) text.remove_prefix(n);
    for (size_t n; (n = blankBefore(text)) != 0;) text.remove_suffix(n);
    return text;
}

std::string lenientText(std::string_view text) {
    text = trimmedText(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        // U+FF01..U+FF5E are EF BC 81..EF BC BF and EF BD 80..EF BD 9E; each is its ASCII form plus 0xFEE0.
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF) {
            const unsigned char b1 = static_cast<unsigned char>(text[i + 1]);
            const unsigned char b2 = static_cast<unsigned char>(text[i + 2]);
            const unsigned code = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if ((b1 == 0xBC || b1 == 0xBD) && (b2 & 0xC0) == 0x80 && code >= 0xFF01 && code <= 0xFF5E) {
                out.push_back(char(code - 0xFEE0));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string headingKey(std::string_view text) {
    std::string key = lenientText(text);
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

} // namespace tabrix::framework
