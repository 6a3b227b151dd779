#include "engine/ssml/R1C1Formula.h"

#include "engine/model/CellAddress.h"
#include "engine/model/CellRect.h"

#include <optional>

namespace tabrix::engine::ssml {

namespace {
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// One axis of a reference: "R", "R3", "R[-2]" (or the same with C).
struct Part {
    bool present = false;
    bool absolute = false;
    int64_t value = 0; ///< 1-based when absolute, an offset otherwise
};

bool readPart(std::string_view f, size_t& i, char letter, Part& part) {
    if (i >= f.size() || (f[i] != letter && f[i] != letter + 32)) return false;
    size_t j = i + 1;
    part = Part{true, false, 0};
    if (j < f.size() && f[j] == '[') {
        size_t k = j + 1;
        bool negative = false;
        if (k < f.size() && (f[k] == '-' || f[k] == '+')) negative = f[k++] == '-';
        int64_t v = 0;
        size_t digits = 0;
        while (k < f.size() && f[k] >= '0' && f[k] <= '9' && digits < 8)
            v = v * 10 + (f[k++] - '0'), ++digits;
        if (digits == 0 || k >= f.size() || f[k] != ']') return false;
        part.value = negative ? -v : v;
        j = k + 1;
    } else if (j < f.size() && f[j] >= '0' && f[j] <= '9') {
        int64_t v = 0;
        size_t digits = 0;
        while (j < f.size() && f[j] >= '0' && f[j] <= '9' && digits < 8)
            v = v * 10 + (f[j++] - '0'), ++digits;
        part.absolute = true;
        part.value = v;
    }
    i = j;
    return true;
}

// Resolves one axis to a 0-based index; nullopt when it falls off the sheet.
std::optional<uint32_t> resolve(const Part& part, uint32_t here, uint32_t limit) {
    const int64_t v = part.absolute ? part.value - 1 : int64_t(here) + part.value;
    if (v < 0 || v >= int64_t(limit)) return std::nullopt;
    return uint32_t(v);
}

std::string rowText(const Part& p, uint32_t index) {
    return (p.absolute ? "$" : "") + std::to_string(index + 1);
}
std::string colText(const Part& p, uint32_t index) {
    return (p.absolute ? "$" : "") + columnLetters(index);
}

// A reference at f[i] (R and/or C parts, not followed by a name character); writes its A1 form.
bool reference(std::string_view f, size_t& i, uint32_t row, uint32_t col, std::string& out, Part& r, Part& c) {
    size_t j = i;
    r = Part{};
    c = Part{};
    readPart(f, j, 'R', r);
    readPart(f, j, 'C', c);
    if ((!r.present && !c.present) || (j < f.size() && (isNameChar(f[j]) || f[j] == '(' || f[j] == '!'))) return false;
    auto ri = resolve(r, row, kMaxRows);
    auto ci = resolve(c, col, kMaxCols);
    if ((r.present && !ri) || (c.present && !ci))
        out += "#REF!";
    else if (r.present && c.present)
        out += colText(c, *ci) + rowText(r, *ri);
    else if (r.present)
        out += rowText(r, *ri);
    else
        out += colText(c, *ci);
    i = j;
    return true;
}
} // namespace

std::string r1c1ToA1(std::string_view f, uint32_t row, uint32_t col) {
    if (!f.empty() && f.front() == '=') f.remove_prefix(1);
    std::string out;
    out.reserve(f.size() + 8);
    size_t i = 0;
    while (i < f.size()) {
        const char ch = f[i];
        if (ch == '"' || ch == '\'') {
            size_t end = f.find(ch, i + 1);
            while (end != std::string_view::npos && end + 1 < f.size() && f[end + 1] == ch)
                end = f.find(ch, end + 2);
            end = end == std::string_view::npos ? f.size() : end + 1;
            out.append(f.substr(i, end - i));
            i = end;
            continue;
        }
        const bool startsName = i == 0 || !isNameChar(f[i - 1]);
        Part r, c;
        size_t at = i;
        std::string piece;
        if (startsName && reference(f, at, row, col, piece, r, c)) {
            // Whole rows and columns ("R1:R3", "C2") are "1:3" and "B:B" in A1: a half never stands alone.
            if (r.present != c.present) {
                Part r2, c2;
                size_t next = at + 1;
                std::string second;
                if (at < f.size() && f[at] == ':' && reference(f, next, row, col, second, r2, c2) &&
                    r2.present == r.present && c2.present == c.present) {
                    piece += ":" + second;
                    at = next;
                } else {
                    piece += ":" + piece;
                }
            }
            out += piece;
            i = at;
            continue;
        }
        if (!startsName || !(std::isalpha(static_cast<unsigned char>(ch)) || ch == '_')) {
            out += ch;
            ++i;
            continue;
        }
        while (i < f.size() && isNameChar(f[i]))
            out += f[i++]; // a name or function, copied whole
    }
    return out;
}

} // namespace tabrix::engine::ssml
