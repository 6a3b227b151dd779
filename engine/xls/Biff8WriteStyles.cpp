#include "engine/xls/Biff8WriteStyles.h"

#include "engine/numfmt/NumberFormat.h"
#include "engine/xls/Biff8WriteText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tabrix::engine::xls {

namespace {

constexpr size_t kMaxFonts = 510;    // FONT records the format allows
constexpr size_t kMaxCellXfs = 4000; // distinct cell formats the 2003 application accepts
constexpr uint32_t kMaxFormatUnits = 255;
constexpr uint8_t kCellXfUsedAttributes = 0xFC; // a cell XF sets all six attribute groups itself
constexpr uint16_t kAutoForeground = 64;
constexpr uint16_t kAutoBackground = 65;
constexpr uint16_t kAutoFontColor = 0x7FFF;

// Built-in number formats that depend on the installation's locale: the file carries their codes so that they
// show the same everywhere. The currency ones are always present, as the format requires at least eight FORMATs.
constexpr uint16_t kAlwaysWrittenFormats[] = {5, 6, 7, 8, 42, 41, 44, 43};
bool isLocaleBuiltin(uint16_t id) {
    return (id >= 5 && id <= 8) || (id >= 27 && id <= 36) || (id >= 41 && id <= 44);
}

const std::map<std::string, uint16_t>& builtinIds() {
    static const std::map<std::string, uint16_t> ids = [] {
        std::map<std::string, uint16_t> m;
        for (uint16_t id = 0; id < 50; ++id)
            if (std::string code = numfmt::builtinFormat(id); !code.empty()) m.emplace(code, id);
        return m;
    }();
    return ids;
}

uint8_t underlineCode(Underline u) {
    switch (u) {
    case Underline::None:
        return 0x00;
    case Underline::Single:
        return 0x01;
    case Underline::Double:
        return 0x02;
    case Underline::SingleAccounting:
        return 0x21;
    case Underline::DoubleAccounting:
        return 0x22;
    }
    return 0;
}

uint16_t twips(double points, int low, int high) {
    return static_cast<uint16_t>(std::clamp<long>(std::lround(points * 20), low, high));
}

void put16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
void put32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

} // namespace

Biff8WriteStyles::Biff8WriteStyles(const StyleTable& styles)
    : m_styles(styles), m_used(styles.size(), 0), m_xf(styles.size(), kDefaultXf) {}

void Biff8WriteStyles::noteColors(const Style& s, uint32_t uses) {
    m_palette.note(s.font.color, uses);
    if (s.fill.pattern != 0) {
        m_palette.note(s.fill.fg, uses);
        m_palette.note(s.fill.bg, uses);
    }
    for (const BorderSide* side :
         {&s.border.left, &s.border.right, &s.border.top, &s.border.bottom, &s.border.diagonal})
        if (side->style != 0) m_palette.note(side->color, uses);
}

void Biff8WriteStyles::build(std::vector<std::string>& warnings) {
    m_used[0] = std::max<uint32_t>(m_used[0], 1);
    for (uint32_t id = 0; id < m_used.size(); ++id)
        if (m_used[id]) noteColors(m_styles.get(id), m_used[id]);
    m_palette.resolve(warnings);

    const Style& base = m_styles.get(0);
    for (uint16_t id : kAlwaysWrittenFormats)
        formatIndex(numfmt::builtinFormat(id), warnings);

    m_cellXfs.push_back(cellXf(base, warnings));
    m_xfIndex.emplace(m_cellXfs.back(), kDefaultXf);
    size_t dropped = 0;
    for (uint32_t id = 1; id < m_used.size(); ++id) {
        if (!m_used[id]) continue;
        XfBytes bytes = cellXf(m_styles.get(id), warnings);
        auto [it, added] = m_xfIndex.try_emplace(bytes, static_cast<uint16_t>(kDefaultXf + m_cellXfs.size()));
        if (added) {
            if (m_cellXfs.size() >= kMaxCellXfs) {
                m_xfIndex.erase(it);
                ++dropped;
                continue;
            }
            m_cellXfs.push_back(bytes);
        }
        m_xf[id] = it->second;
    }
    if (m_fontsDropped > 0)
        warnings.push_back("字体种类超过 2003 格式的 510 种上限，" + std::to_string(m_fontsDropped) +
                           " 种字体已改用默认字体");
    if (dropped > 0)
        warnings.push_back("单元格格式超过 2003 格式的 4000 种上限，" + std::to_string(dropped) +
                           " 种格式的单元格已改用默认格式");
}

uint16_t Biff8WriteStyles::fontIndex(const Font& font) {
    std::array<uint8_t, 14> body{};
    put16(&body[0], twips(font.size, 20, 8191));
    // Bit 0 repeats "bold" as older readers (xlrd among them) take it from there rather than from the weight.
    put16(&body[2], uint16_t((font.bold ? 0x01 : 0) | (font.italic ? 0x02 : 0) | (font.strike ? 0x08 : 0) |
                             (font.outline ? 0x10 : 0) | (font.shadow ? 0x20 : 0)));
    put16(&body[4], font.color == 0 ? kAutoFontColor : m_palette.index(font.color));
    put16(&body[6], font.bold ? 700 : 400);
    put16(&body[8], static_cast<uint16_t>(font.vertAlign));
    body[10] = underlineCode(font.underline);
    body[11] = font.family;
    body[12] = font.charset;
    std::string key(reinterpret_cast<const char*>(body.data()), body.size());
    key += font.name;
    if (auto it = m_fontIndex.find(key); it != m_fontIndex.end()) return it->second;
    if (m_fonts.size() >= kMaxFonts) {
        ++m_fontsDropped;
        return 0;
    }
    // The first font fills records 0-3 (what the 2003 application does); index 4 is never used, so record k >= 4
    // has index k + 1.
    do {
        m_fonts.push_back(body);
        m_fontNames.push_back(font.name.empty() ? "Arial" : font.name);
    } while (m_fonts.size() < 4);
    auto record = static_cast<uint16_t>(m_fonts.size() - 1);
    uint16_t index = record >= 4 ? record + 1 : 0;
    m_fontIndex.emplace(key, index);
    return index;
}

uint16_t Biff8WriteStyles::formatIndex(const std::string& code, std::vector<std::string>& warnings) {
    if (code.empty() || code == "General") return 0;
    if (auto it = m_formatIndex.find(code); it != m_formatIndex.end()) return it->second;
    uint16_t id;
    if (auto b = builtinIds().find(code); b != builtinIds().end()) {
        id = b->second;
        if (isLocaleBuiltin(id)) m_formats.emplace_back(id, code);
    } else {
        std::string probe;
        bool wide = false;
        if (appendBiff8Chars(code, probe, wide) > kMaxFormatUnits) {
            warnings.push_back("数字格式“" + code.substr(0, 60) + "…”超过 2003 格式的 255 个字符上限，已改为常规格式");
            m_formatIndex.emplace(code, 0);
            return 0;
        }
        id = m_nextFormat++;
        m_formats.emplace_back(id, code);
    }
    m_formatIndex.emplace(code, id);
    return id;
}

Biff8WriteStyles::XfBytes Biff8WriteStyles::cellXf(const Style& s, std::vector<std::string>& warnings) {
    XfBytes x{};
    put16(&x[0], fontIndex(s.font));
    put16(&x[2], formatIndex(s.numFmt, warnings));
    put16(&x[4], uint16_t((s.protection.locked ? 0x01 : 0) | (s.protection.hidden ? 0x02 : 0)));
    const Alignment& a = s.alignment;
    x[6] = uint8_t(std::min<uint8_t>(a.horizontal, 7) | (a.wrap ? 0x08 : 0) | std::min<uint8_t>(a.vertical, 4) << 4);
    x[7] = a.rotation <= 180 || a.rotation == 255 ? a.rotation : 0;
    x[8] = uint8_t(std::min<uint8_t>(a.indent, 15) | (a.shrink ? 0x10 : 0) | std::min<uint8_t>(a.readingOrder, 2) << 6);
    x[9] = kCellXfUsedAttributes;

    const Border& b = s.border;
    auto color = [&](const BorderSide& side) -> uint32_t {
        if (side.style == 0) return 0;
        return side.color == 0 ? kAutoForeground : m_palette.index(side.color);
    };
    auto line = [](const BorderSide& side) -> uint32_t { return std::min<uint8_t>(side.style, 13); };
    uint32_t diagonal = (b.diagonalDown ? 1u : 0u) | (b.diagonalUp ? 2u : 0u);
    if (b.diagonal.style == 0) diagonal = 0;
    put32(&x[10], line(b.left) | line(b.right) << 4 | line(b.top) << 8 | line(b.bottom) << 12 | color(b.left) << 16 |
                      color(b.right) << 23 | diagonal << 30);
    uint32_t diagColor = diagonal ? color(b.diagonal) : 0, diagLine = diagonal ? line(b.diagonal) : 0;
    uint32_t pattern = std::min<uint8_t>(s.fill.pattern, 18);
    put32(&x[14], color(b.top) | color(b.bottom) << 7 | diagColor << 14 | diagLine << 21 | pattern << 26);

    uint16_t fore = kAutoForeground, back = kAutoBackground;
    if (pattern != 0) {
        if (s.fill.fg != 0) fore = m_palette.index(s.fill.fg);
        if (s.fill.bg != 0) back = m_palette.index(s.fill.bg);
    }
    put16(&x[18], uint16_t(fore | back << 7));
    return x;
}

void Biff8WriteStyles::write(Biff8WriteBuffer& out) const {
    writeFonts(out);
    writeFormats(out);
    writeXfs(out);
    // The built-in "Normal" style on XF 0.
    char* p = out.record(wrec::Style, 4);
    Biff8WriteBuffer::put16(p, 0x8000);
    p[2] = 0;
    p[3] = static_cast<char>(0xFF);
    m_palette.write(out);
}

void Biff8WriteStyles::writeFonts(Biff8WriteBuffer& out) const {
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        size_t at = out.begin(rec::Font);
        out.append(std::string_view(reinterpret_cast<const char*>(m_fonts[i].data()), m_fonts[i].size()));
        writeShortString(out, m_fontNames[i]);
        out.end(at);
    }
}

void Biff8WriteStyles::writeFormats(Biff8WriteBuffer& out) const {
    for (const auto& [id, code] : m_formats) {
        size_t at = out.begin(rec::Format);
        out.u16(id);
        writeLongString(out, code, kMaxFormatUnits);
        out.end(at);
    }
}

void Biff8WriteStyles::writeXfs(Biff8WriteBuffer& out) const {
    auto put = [&](const XfBytes& x) { std::memcpy(out.record(rec::Xf, 20), x.data(), 20); };
    // Style XFs 0-14 in the layout the 2003 application writes: 0 is "Normal" (the default style's look),
    // 1-14 are the outline-level styles, which leave everything to Normal.
    XfBytes normal = m_cellXfs[0];
    put16(&normal[4], uint16_t(0xFFF0 | 0x04 | (normal[4] & 0x03)));
    normal[9] = 0;
    put(normal);
    for (int i = 1; i < 15; ++i) {
        XfBytes level{};
        put16(&level[0], i <= 2 ? 1 : i <= 4 ? 2 : 0);
        put16(&level[4], 0xFFF5);
        level[6] = 0x20;
        level[9] = 0xF4;
        put16(&level[18], uint16_t(kAutoForeground | kAutoBackground << 7));
        put(level);
    }
    XfBytes defaultCell = m_cellXfs[0];
    defaultCell[9] = 0; // the default cell XF takes everything from Normal
    put(defaultCell);
    for (size_t i = 1; i < m_cellXfs.size(); ++i)
        put(m_cellXfs[i]);
}

} // namespace tabrix::engine::xls
