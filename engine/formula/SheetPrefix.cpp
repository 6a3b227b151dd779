#include "engine/formula/SheetPrefix.h"

#include <algorithm>
#include <charconv>

namespace tabrix::engine::formula {

namespace {
bool isAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// "AB12", which would read as a cell reference.
bool looksLikeA1(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isAsciiLetter(s[i]))
        ++i;
    if (i == 0 || i > 3 || i == s.size()) return false;
    return std::all_of(s.begin() + ptrdiff_t(i), s.end(), [](unsigned char c) { return isDigit(c); });
}

// "R", "C", "R1C1", "r2", which would read as an R1C1 reference.
bool looksLikeR1C1(std::string_view s) {
    size_t i = 0;
    auto digits = [&] {
        while (i < s.size() && isDigit(s[i]))
            ++i;
    };
    if (i < s.size() && (s[i] == 'R' || s[i] == 'r')) ++i, digits();
    if (i < s.size() && (s[i] == 'C' || s[i] == 'c')) ++i, digits();
    return i > 0 && i == s.size();
}

bool needsQuotes(std::string_view name) {
    if (name.empty() || isDigit(name[0]) || name[0] == '.') return true;
    for (unsigned char c : name)
        if (!(c >= 0x80 || isAsciiLetter(c) || isDigit(c) || c == '_' || c == '.')) return true;
    return looksLikeA1(name) || looksLikeR1C1(name);
}

std::string quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}
} // namespace

std::string quoteSheetName(std::string_view name) {
    return needsQuotes(name) ? quoted(name) : std::string(name);
}

std::optional<SheetPrefix> parseSheetPrefix(std::string_view prefix) {
    if (prefix.empty() || prefix.back() != '!') return std::nullopt;
    prefix.remove_suffix(1);
    std::string body;
    if (!prefix.empty() && prefix.front() == '\'') {
        if (prefix.size() < 2 || prefix.back() != '\'') return std::nullopt;
        for (size_t i = 1; i + 1 < prefix.size(); ++i) {
            if (prefix[i] == '\'') {
                if (i + 2 >= prefix.size() || prefix[i + 1] != '\'') return std::nullopt;
                ++i;
            }
            body += prefix[i];
        }
    } else {
        body = prefix;
    }
    SheetPrefix out;
    std::string_view rest = body;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view digits = rest.substr(1, close - 1);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out.book);
        if (ec != std::errc() || end != digits.data() + digits.size() || out.book == 0) return std::nullopt;
        rest.remove_prefix(close + 1);
    }
    if (rest.empty()) return out.book ? std::optional(out) : std::nullopt;
    const size_t colon = rest.find(':');
    out.firstSheet = rest.substr(0, colon);
    if (colon != std::string_view::npos) out.lastSheet = rest.substr(colon + 1);
    if (out.firstSheet.empty() || (colon != std::string_view::npos && out.lastSheet.empty())) return std::nullopt;
    return out;
}

std::string formatSheetPrefix(const SheetPrefix& prefix) {
    return formatSheetPrefix(prefix, prefix.book ? std::to_string(prefix.book) : std::string());
}

std::string formatSheetPrefix(const SheetPrefix& prefix, std::string_view bookLabel) {
    const std::string book = prefix.book ? "[" + std::string(bookLabel) + "]" : std::string();
    if (prefix.firstSheet.empty()) return book + "!";
    std::string sheets = prefix.firstSheet;
    if (!prefix.lastSheet.empty()) sheets += ":" + prefix.lastSheet;
    // A label that would not read as a plain word ("my book.xlsx") is quoted with the sheet, as the application does.
    bool quote = needsQuotes(prefix.firstSheet) || (!prefix.lastSheet.empty() && needsQuotes(prefix.lastSheet));
    for (unsigned char c : bookLabel)
        if (!(c >= 0x80 || isAsciiLetter(c) || isDigit(c) || c == '_' || c == '.')) quote = true;
    return (quote ? quoted(book + sheets) : book + sheets) + "!";
}

} // namespace tabrix::engine::formula
