#include "engine/xlsx/write/XmlEscape.h"

#include "engine/model/CellRect.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace tabrix::engine::xlsx {

namespace {

bool isNameChar(unsigned char c) {
    return c >= 0x80 || std::isalnum(c) || c == '_' || c == '.' || c == '\\' || c == '?';
}

bool allOf(std::string_view s, int (*pred)(int)) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [pred](char c) { return pred((unsigned char)c) != 0; });
}

/// "A1"-style: one to three letters then a row number, within the sheet's bounds.
bool looksLikeA1(std::string_view s) {
    size_t letters = 0;
    while (letters < s.size() && std::isalpha((unsigned char)s[letters]))
        ++letters;
    if (letters == 0 || letters > 3 || !allOf(s.substr(letters), std::isdigit)) return false;
    uint64_t col = 0, row = 0;
    for (size_t i = 0; i < letters; ++i)
        col = col * 26 + uint64_t(std::toupper((unsigned char)s[i]) - 'A' + 1);
    std::from_chars(s.data() + letters, s.data() + s.size(), row);
    return col <= kMaxCols && row >= 1 && row <= kMaxRows;
}

/// "R", "C", "R1", "C2", "R1C2", "RC": the other reference notation.
bool looksLikeR1C1(std::string_view s) {
    auto digits = [](std::string_view t) { return t.empty() || allOf(t, std::isdigit); };
    if (s.empty() || (s[0] != 'R' && s[0] != 'r' && s[0] != 'C' && s[0] != 'c')) return false;
    if (s[0] == 'C' || s[0] == 'c') return digits(s.substr(1));
    size_t c = s.find_first_of("Cc");
    if (c == std::string_view::npos) return digits(s.substr(1));
    return digits(s.substr(1, c - 1)) && digits(s.substr(c + 1));
}

} // namespace

std::string escapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x20) {
            char ref[8];
            std::snprintf(ref, sizeof ref, "&#%u;", c);
            out += ref;
        } else
            out += ch;
    }
    return out;
}

bool isValidDefinedName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    auto first = static_cast<unsigned char>(name[0]);
    if (!(first >= 0x80 || std::isalpha(first) || first == '_' || first == '\\')) return false;
    if (!std::all_of(name.begin(), name.end(), [](char c) { return isNameChar(static_cast<unsigned char>(c)); }))
        return false;
    return !looksLikeA1(name) && !looksLikeR1C1(name);
}

std::string xmlNumber(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

} // namespace tabrix::engine::xlsx
