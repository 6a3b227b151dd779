#include "engine/xls/Biff8WriteText.h"

#include "engine/EngineError.h"

#include <algorithm>

namespace tabrix::engine::xls {

void Biff8WriteBuffer::end(size_t headerPos) {
    size_t length = m_data.size() - headerPos - 4;
    // Callers split long data themselves; reaching this is a fault in the writer, not in the workbook.
    if (length > kMaxRecordLength) throw EngineError("内部错误：2003 格式的记录超过 8224 字节");
    patch16(headerPos + 2, static_cast<uint16_t>(length));
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from UTF-8 at p (p < end); advances p. Overlong forms, surrogates and truncated sequences
// become U+FFFD so that a damaged text still writes.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    unsigned char b = *p++;
    if (b < 0x80) return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || b > 0xF4) return kReplacement;
    char32_t cp = b & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (p == end || (*p & 0xC0) != 0x80) return kReplacement;
        cp = cp << 6 | (*p++ & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

bool allAscii(std::string_view s) {
    unsigned char any = 0;
    for (char c : s)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

void appendUnit(std::string& out, char16_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

// Cuts encoded characters to at most maxUnits units, keeping surrogate pairs whole.
uint32_t cutUnits(std::string& chars, uint32_t units, bool wide, uint32_t maxUnits) {
    if (units <= maxUnits) return units;
    uint32_t keep = maxUnits;
    if (wide && keep > 0) {
        auto last = static_cast<char16_t>(uint8_t(chars[2 * keep - 2]) | uint8_t(chars[2 * keep - 1]) << 8);
        if (last >= 0xD800 && last <= 0xDBFF) --keep;
    }
    chars.resize(size_t(keep) * (wide ? 2 : 1));
    return keep;
}

struct Encoded {
    std::string chars;
    uint32_t units = 0;
    bool wide = false;
};

Encoded encode(std::string_view utf8, uint32_t maxUnits) {
    Encoded e;
    e.units = appendBiff8Chars(utf8, e.chars, e.wide);
    e.units = cutUnits(e.chars, e.units, e.wide, maxUnits);
    return e;
}

} // namespace

uint32_t appendBiff8Chars(std::string_view utf8, std::string& out, bool& wide) {
    if (allAscii(utf8)) {
        wide = false;
        out.append(utf8);
        return static_cast<uint32_t>(utf8.size());
    }
    // Decode once into UTF-16; narrow afterwards when every unit fits in a byte.
    thread_local std::u16string units;
    units.clear();
    auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    char16_t highest = 0;
    while (p < end) {
        char32_t cp = nextCodePoint(p, end);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            highest = 0xFFFF;
        } else {
            units.push_back(static_cast<char16_t>(cp));
            highest = std::max(highest, static_cast<char16_t>(cp));
        }
    }
    wide = highest > 0xFF;
    if (wide) {
        out.reserve(out.size() + units.size() * 2);
        for (char16_t u : units)
            appendUnit(out, u);
    } else {
        for (char16_t u : units)
            out.push_back(static_cast<char>(u));
    }
    return static_cast<uint32_t>(units.size());
}

void writeShortString(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits) {
    Encoded e = encode(utf8, std::min<uint32_t>(maxUnits, 255));
    out.u8(static_cast<uint8_t>(e.units));
    out.u8(e.wide ? 1 : 0);
    out.append(e.chars);
}

void writeLongString(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits) {
    Encoded e = encode(utf8, std::min<uint32_t>(maxUnits, 0xFFFF));
    out.u16(static_cast<uint16_t>(e.units));
    out.u8(e.wide ? 1 : 0);
    out.append(e.chars);
}

uint32_t writeStringNoCount(Biff8WriteBuffer& out, std::string_view utf8, uint32_t maxUnits) {
    Encoded e = encode(utf8, maxUnits);
    out.u8(e.wide ? 1 : 0);
    out.append(e.chars);
    return e.units;
}

void Biff8ContinuedWriter::nextRecord() {
    m_out.end(m_recordStart);
    m_recordStart = m_out.begin(rec::Continue);
}

void Biff8ContinuedWriter::putChars(const char* chars, uint32_t units, bool wide) {
    const size_t unit = wide ? 2 : 1;
    while (true) {
        auto n = static_cast<uint32_t>(std::min<size_t>(units, room() / unit));
        // A surrogate pair split over two records would reach readers that decode each record alone as two
        // broken halves.
        if (wide && n > 0 && n < units) {
            auto last = static_cast<char16_t>(uint8_t(chars[2 * n - 2]) | uint8_t(chars[2 * n - 1]) << 8);
            if (last >= 0xD800 && last <= 0xDBFF) --n;
        }
        m_out.append(std::string_view(chars, n * unit));
        chars += n * unit;
        units -= n;
        if (units == 0) return;
        nextRecord();
        m_out.u8(wide ? 1 : 0);
    }
}

} // namespace tabrix::engine::xls
