#include "engine/model/CellAddress.h"

#include <cctype>

namespace tabrix::engine {

std::string columnLetters(uint32_t col) {
    std::string out;
    uint64_t n = uint64_t(col) + 1;
    while (n > 0) {
        uint64_t rem = (n - 1) % 26;
        out.insert(out.begin(), char('A' + rem));
        n = (n - 1) / 26;
    }
    return out;
}

std::optional<uint32_t> columnFromLetters(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) return std::nullopt;
    uint32_t n = 0;
    for (char ch : letters) {
        if (!std::isalpha(static_cast<unsigned char>(ch))) return std::nullopt;
        n = n * 26 + uint32_t(std::toupper(static_cast<unsigned char>(ch)) - 'A' + 1);
    }
    if (n > kMaxCols) return std::nullopt;
    return n - 1;
}

namespace {
// Reads "$"? letters from pos; returns the column and advances pos.
std::optional<uint32_t> readColumn(std::string_view t, size_t& pos, bool& absolute) {
    absolute = pos < t.size() && t[pos] == '$';
    size_t start = pos + (absolute ? 1 : 0);
    size_t end = start;
    while (end < t.size() && std::isalpha(static_cast<unsigned char>(t[end]))) ++end;
    auto col = columnFromLetters(t.substr(start, end - start));
    if (col) pos = end;
    return col;
}

std::optional<uint32_t> readRow(std::string_view t, size_t& pos, bool& absolute) {
    absolute = pos < t.size() && t[pos] == '$';
    size_t start = pos + (absolute ? 1 : 0);
    size_t end = start;
    uint64_t n = 0;
    while (end < t.size() && std::isdigit(static_cast<unsigned char>(t[end])) && end - start < 8)
        n = n * 10 + uint64_t(t[end++] - '0');
    if (end == start || n == 0 || n > kMaxRows) return std::nullopt;
    pos = end;
    return static_cast<uint32_t>(n - 1);
}
} // namespace

std::optional<CellRef> parseCellRef(std::string_view text) {
    CellRef ref;
    size_t pos = 0;
    auto col = readColumn(text, pos, ref.colAbsolute);
    if (!col) return std::nullopt;
    auto row = readRow(text, pos, ref.rowAbsolute);
    if (!row || pos != text.size()) return std::nullopt;
    ref.row = *row;
    ref.col = *col;
    return ref;
}

std::optional<CellRect> parseRangeRef(std::string_view text) {
    auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        auto ref = parseCellRef(text);
        if (!ref) return std::nullopt;
        return CellRect{ref->row, ref->col, ref->row, ref->col};
    }
    auto a = text.substr(0, colon), b = text.substr(colon + 1);
    CellRect rect;
    if (auto ra = parseCellRef(a)) {
        auto rb = parseCellRef(b);
        if (!rb) return std::nullopt;
        rect = {ra->row, ra->col, rb->row, rb->col};
    } else {
        bool abs = false;
        size_t pa = 0, pb = 0;
        if (auto ca = readColumn(a, pa, abs); ca && pa == a.size()) {
            auto cb = readColumn(b, pb, abs);
            if (!cb || pb != b.size()) return std::nullopt;
            rect = {0, *ca, kMaxRows - 1, *cb};
        } else if (auto rwa = readRow(a, pa = 0, abs); rwa && pa == a.size()) {
            auto rwb = readRow(b, pb, abs);
            if (!rwb || pb != b.size()) return std::nullopt;
            rect = {*rwa, 0, *rwb, kMaxCols - 1};
        } else {
            return std::nullopt;
        }
    }
    if (rect.firstRow > rect.lastRow) std::swap(rect.firstRow, rect.lastRow);
    if (rect.firstCol > rect.lastCol) std::swap(rect.firstCol, rect.lastCol);
    return rect;
}

std::string cellName(uint32_t row, uint32_t col, bool absolute) {
    std::string out;
    if (absolute) out += '$';
    out += columnLetters(col);
    if (absolute) out += '$';
    out += std::to_string(uint64_t(row) + 1);
    return out;
}

std::string rangeName(const CellRect& rect, bool absolute) {
    std::string out = cellName(rect.firstRow, rect.firstCol, absolute);
    if (rect.rows() > 1 || rect.cols() > 1) out += ':' + cellName(rect.lastRow, rect.lastCol, absolute);
    return out;
}

} // namespace tabrix::engine
