#include "engine/xls/XlsStyles.h"

#include "engine/numfmt/NumberFormat.h"

#include <algorithm>

namespace tabrix::engine::xls {

namespace {
constexpr Argb kOpaque = 0xFF000000u;
constexpr uint16_t kFirstPaletteIndex = 8;
constexpr size_t kDefaultXf = 15;

// Indexes 0-7 are fixed; they are not part of the palette a PALETTE record replaces.
constexpr uint32_t kFixedColors[8] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                      0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

uint8_t lineStyle(uint32_t v) { return v <= 13 ? uint8_t(v) : 0; }
uint8_t vertical(uint32_t v) { return v <= 4 ? uint8_t(v) : 2; }
uint8_t rotation(uint8_t v) { return v <= 180 || v == 255 ? v : 0; }

Font defaultFont() {
    Font f;
    f.name = "Arial";
    f.size = 10;
    return f;
}
} // namespace

std::array<uint32_t, 56> XlsStyleBuilder::defaultPalette() {
    return {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
            0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
            0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
            0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
            0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
            0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
            0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
}

Argb XlsStyleBuilder::color(uint16_t index) const {
    if (index < kFirstPaletteIndex) return kOpaque | kFixedColors[index];
    if (index < kFirstPaletteIndex + m_palette.size()) return kOpaque | m_palette[index - kFirstPaletteIndex];
    return 0; // 64 window text, 65 window background, 0x7FFF font automatic: all "automatic"
}

void XlsStyleBuilder::parseFont(RecordReader& r) {
    RawFont f;
    f.font = defaultFont();
    uint16_t height = r.u16();
    uint16_t flags = r.u16();
    f.color = r.u16();
    uint16_t weight = r.u16();
    uint16_t script = r.u16();
    uint8_t underline = r.u8();
    f.font.family = r.u8();
    f.font.charset = r.u8();
    r.skip(1);
    f.font.name = r.string(1);
    if (height > 0) f.font.size = height / 20.0;
    f.font.italic = flags & 0x02;
    f.font.strike = flags & 0x08;
    f.font.outline = flags & 0x10;
    f.font.shadow = flags & 0x20;
    f.font.bold = weight >= 600;
    f.font.vertAlign = script == 1 ? VertAlignRun::Superscript
                       : script == 2 ? VertAlignRun::Subscript
                                     : VertAlignRun::Baseline;
    switch (underline) {
    case 0x01: f.font.underline = Underline::Single; break;
    case 0x02: f.font.underline = Underline::Double; break;
    case 0x21: f.font.underline = Underline::SingleAccounting; break;
    case 0x22: f.font.underline = Underline::DoubleAccounting; break;
    default: f.font.underline = Underline::None; break;
    }
    m_fonts.push_back(std::move(f));
}

void XlsStyleBuilder::parseFormat(RecordReader& r) {
    uint16_t id = r.u16();
    m_formats[id] = r.string(m_biff >= 8 ? 2 : 1);
}

void XlsStyleBuilder::parsePalette(RecordReader& r) {
    size_t count = std::min<size_t>({r.u16(), m_palette.size(), r.remaining() / 4});
    for (size_t i = 0; i < count; ++i) {
        auto rgb = r.bytes(4);
        m_palette[i] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    }
}

void XlsStyleBuilder::parseXf(RecordReader& r) {
    RawXf xf;
    xf.font = r.u16();
    xf.format = r.u16();
    uint16_t type = r.u16();
    xf.protection.locked = type & 0x01;
    xf.protection.hidden = type & 0x02;
    xf.isStyle = type & 0x04;
    uint8_t align = r.u8();
    xf.alignment.horizontal = align & 0x07;
    xf.alignment.wrap = align & 0x08;
    xf.alignment.vertical = vertical((align >> 4) & 0x07);
    if (m_biff >= 8)
        parseXf8(r, xf);
    else
        parseXf5(r, xf);
    m_xfs.push_back(xf);
}

void XlsStyleBuilder::parseXf8(RecordReader& r, RawXf& xf) {
    xf.alignment.rotation = rotation(r.u8());
    uint8_t indent = r.u8();
    xf.alignment.indent = indent & 0x0F;
    xf.alignment.shrink = indent & 0x10;
    xf.alignment.readingOrder = (indent >> 6) & 0x03;
    r.skip(1); // which attributes differ from the parent style; cell XFs carry all of them anyway
    uint32_t b1 = r.u32();
    uint32_t b2 = r.u32();
    uint16_t fill = r.u16();
    xf.lines = {lineStyle(b1 & 0x0F), lineStyle((b1 >> 4) & 0x0F), lineStyle((b1 >> 8) & 0x0F),
                lineStyle((b1 >> 12) & 0x0F), lineStyle((b2 >> 21) & 0x0F)};
    xf.colors = {uint16_t((b1 >> 16) & 0x7F), uint16_t((b1 >> 23) & 0x7F), uint16_t(b2 & 0x7F),
                 uint16_t((b2 >> 7) & 0x7F), uint16_t((b2 >> 14) & 0x7F)};
    xf.diagonalDown = b1 & (1u << 30);
    xf.diagonalUp = b1 & (1u << 31);
    xf.pattern = uint8_t((b2 >> 26) & 0x3F);
    xf.patternFg = fill & 0x7F;
    xf.patternBg = (fill >> 7) & 0x7F;
}

void XlsStyleBuilder::parseXf5(RecordReader& r, RawXf& xf) {
    switch (r.u8() & 0x03) {
    case 1: xf.alignment.rotation = 255; break; // letters stacked
    case 2: xf.alignment.rotation = 90; break;
    case 3: xf.alignment.rotation = 180; break;
    default: break;
    }
    uint32_t fill = r.u32();
    uint32_t lines = r.u32();
    xf.patternFg = fill & 0x7F;
    xf.patternBg = (fill >> 7) & 0x7F;
    xf.pattern = uint8_t((fill >> 16) & 0x3F);
    xf.lines = {lineStyle((lines >> 3) & 0x07), lineStyle((lines >> 6) & 0x07), lineStyle(lines & 0x07),
                lineStyle((fill >> 22) & 0x07), 0};
    xf.colors = {uint16_t((lines >> 16) & 0x7F), uint16_t((lines >> 23) & 0x7F), uint16_t((lines >> 9) & 0x7F),
                 uint16_t((fill >> 25) & 0x7F), 0};
}

Style XlsStyleBuilder::styleOf(const RawXf& xf) const {
    Style s;
    if (auto it = m_formats.find(xf.format); it != m_formats.end() && !it->second.empty()) {
        s.numFmt = it->second;
    } else {
        std::string code = numfmt::builtinFormat(xf.format);
        s.numFmt = code.empty() ? "General" : code;
    }
    // Font index 4 does not exist in the format: the fifth FONT record has index 5.
    size_t font = xf.font >= 4 ? xf.font - 1u : xf.font;
    if (font >= m_fonts.size()) font = 0;
    if (!m_fonts.empty()) {
        s.font = m_fonts[font].font;
        s.font.color = color(m_fonts[font].color);
    } else {
        s.font = defaultFont();
    }
    s.alignment = xf.alignment;
    s.protection = xf.protection;
    BorderSide* sides[5] = {&s.border.left, &s.border.right, &s.border.top, &s.border.bottom, &s.border.diagonal};
    for (size_t i = 0; i < 5; ++i) {
        sides[i]->style = xf.lines[i];
        sides[i]->color = xf.lines[i] ? color(xf.colors[i]) : 0;
    }
    s.border.diagonalUp = xf.diagonalUp;
    s.border.diagonalDown = xf.diagonalDown;
    if (xf.pattern > 0 && xf.pattern <= 18) s.fill = {xf.pattern, color(xf.patternFg), color(xf.patternBg)};
    return s;
}

std::vector<uint32_t> XlsStyleBuilder::build(StyleTable& styles) const {
    if (m_xfs.empty()) {
        Style s;
        s.font = m_fonts.empty() ? defaultFont() : m_fonts[0].font;
        styles.setDefault(s);
        return {};
    }
    size_t defaultXf = kDefaultXf;
    if (defaultXf >= m_xfs.size() || m_xfs[defaultXf].isStyle) {
        auto cell = std::find_if(m_xfs.begin(), m_xfs.end(), [](const RawXf& xf) { return !xf.isStyle; });
        defaultXf = cell == m_xfs.end() ? 0 : size_t(cell - m_xfs.begin());
    }
    styles.setDefault(styleOf(m_xfs[defaultXf]));
    std::vector<uint32_t> ids(m_xfs.size(), 0);
    for (size_t i = 0; i < m_xfs.size(); ++i) ids[i] = styles.intern(styleOf(m_xfs[i]));
    return ids;
}

} // namespace tabrix::engine::xls
