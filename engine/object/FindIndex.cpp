#include "engine/object/FindIndex.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tabrix::engine {

std::string foldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

namespace {
// The text of printf's "%.15G" without printf: a search compares the text of every number it passes, and
// printf's digit generation would cost more than reading the file.
std::string numberText(double v) {
    char buf[40];
    if (v == 0) return std::signbit(v) ? "-0" : "0";
    if (std::fabs(v) < 1e15 && v == std::trunc(v)) {
        const auto end = std::to_chars(buf, buf + sizeof buf, int64_t(v)).ptr;
        return std::string(buf, end);
    }
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15).ptr;
    std::replace(buf, end, 'e', 'E');
    return std::string(buf, end);
}

size_t utf8Step(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - i);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
} // namespace

std::optional<std::string> findText(const BookData& book, const Cell& cell) {
    switch (cell.type) {
    case CellType::Number:
        return numberText(cell.number);
    case CellType::Text:
        return foldCase(book.text(cell));
    case CellType::Boolean:
        return cell.boolean ? "true" : "false";
    case CellType::Error:
        return foldCase(errorText(cell.error));
    case CellType::Empty:
        break;
    }
    return std::nullopt;
}

Variant literalWhat(const Variant& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return value;
    std::string escaped;
    escaped.reserve(text->size());
    for (char c : *text) {
        if (c == '*' || c == '?' || c == '~') escaped += '~';
        escaped += c;
    }
    return escaped;
}

bool hasWildcards(std::string_view p) { return p.find_first_of("*?~") != std::string_view::npos; }

bool wildcardMatch(std::string_view p, std::string_view t) {
    // Iterative matcher with one backtrack point for the last "*": linear in practice, never exponential.
    size_t pi = 0, ti = 0, starP = std::string_view::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = ++pi;
            starT = ti;
            continue;
        }
        if (pi < p.size() && p[pi] == '?') {
            ++pi;
            ti += utf8Step(t, ti);
            continue;
        }
        if (pi < p.size()) {
            size_t lit = pi;
            if (p[pi] == '~' && pi + 1 < p.size()) lit = pi + 1;
            if (lower(p[lit]) == lower(t[ti])) {
                pi = lit + 1;
                ++ti;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        pi = starP;
        starT += utf8Step(t, starT);
        ti = starT;
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

bool FindIndex::Column::holds(const Group& g, std::string_view text) const {
    if (g.textLength != text.size()) return false;
    const size_t held = std::min(text.size(), kHeld);
    if (std::memcmp(g.head, text.data(), held) != 0) return false;
    return held == text.size() ||
           std::string_view(texts).substr(g.textAt + held, g.textLength - held) == text.substr(held);
}

size_t FindIndex::Column::placeOf(std::string_view text, uint64_t hash) const {
    const size_t mask = table.size() - 1;
    const uint32_t tag = uint32_t(hash >> 32);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Group& g = table[at];
        if (g.count == 0 || (g.tag == tag && holds(g, text))) return at;
    }
}

void FindIndex::Column::build(const BookData& book, const SheetData& sheet, uint32_t col) {
    const uint32_t count = sheet.rowCount();
    texts.clear();
    rows.clear();
    size_t size = 16;
    while (size < size_t(count) * 2)
        size *= 2;
    table.assign(size, Group{});
    std::vector<uint32_t> placeOfRow(count);
    const std::hash<std::string_view> hasher;
    // A long column's places are all over a table far larger than the caches: each row's value is read and its
    // place fetched a few rows before it is entered.
    constexpr uint32_t kAhead = 8;
    struct Coming {
        std::string text;
        uint64_t hash = 0;
    };
    std::array<Coming, kAhead> coming;
    auto load = [&](uint32_t r) {
        Coming& k = coming[r % kAhead];
        const Cell* c = sheet.find(r, col);
        auto text = c ? findText(book, *c) : std::nullopt;
        k.text = text ? std::move(*text) : std::string();
        k.hash = hasher(k.text);
        __builtin_prefetch(&table[k.hash & (table.size() - 1)]);
    };
    for (uint32_t r = 0; r < std::min(count, kAhead); ++r)
        load(r);
    for (uint32_t r = 0; r < count; ++r) {
        const std::string_view value = coming[r % kAhead].text;
        const uint64_t hash = coming[r % kAhead].hash;
        const size_t at = placeOf(value, hash);
        Group& g = table[at];
        if (g.count++ == 0) {
            g.tag = uint32_t(hash >> 32);
            g.textLength = uint32_t(value.size());
            g.first = r;
            g.textAt = texts.size();
            std::memcpy(g.head, value.data(), std::min(value.size(), kHeld));
            texts.append(value);
        }
        placeOfRow[r] = uint32_t(at);
        if (r + kAhead < count) load(r + kAhead); // the place just used is free again
    }
    // Values on several rows get a run of rows, in row order.
    uint32_t next = 0;
    for (Group& g : table)
        if (g.count > 1) {
            g.first = next;
            next += g.count;
        }
    rows.resize(next);
    std::vector<uint32_t> filled(table.size(), 0);
    constexpr uint32_t kFetch = 16;
    for (uint32_t r = 0; r < count; ++r) {
        if (r + kFetch < count) {
            __builtin_prefetch(&table[placeOfRow[r + kFetch]]);
            __builtin_prefetch(&filled[placeOfRow[r + kFetch]]);
        }
        const Group& g = table[placeOfRow[r]];
        if (g.count > 1) rows[g.first + filled[placeOfRow[r]]++] = r;
    }
}

const FindIndex::Column* FindIndex::current(uint32_t col, uint64_t version) const {
    const auto it = m_columns.find(col);
    return it != m_columns.end() && it->second.version == version ? &it->second : nullptr;
}

std::span<const uint32_t> FindIndex::rows(const BookData& book, const SheetData& sheet, uint32_t col, uint64_t version,
                                          const std::string& folded) {
    auto [it, fresh] = m_columns.try_emplace(col);
    Column& column = it->second;
    if (fresh || column.version != version) {
        try {
            column.build(book, sheet, col);
        } catch (...) {
            // Half built is not built: the next find builds it again.
            m_columns.erase(it);
            throw;
        }
        column.version = version;
    }
    const Group& g = column.table[column.placeOf(folded, std::hash<std::string_view>()(folded))];
    if (g.count == 0) return {};
    if (g.count == 1) return std::span<const uint32_t>(&g.first, 1);
    return std::span<const uint32_t>(column.rows).subspan(g.first, g.count);
}

} // namespace tabrix::engine
