#include "engine/xlsx/XlsxWriteFormats.h"

#include "engine/EngineError.h"

namespace tabrix::engine::xlsx {

namespace {

constexpr int32_t kNoIndex = -1;

void applyFont(lxw_format* f, const Font& font) {
    // A font without a name or size would be written as such and make the styles part invalid.
    if (!font.name.empty()) format_set_font_name(f, font.name.c_str());
    if (font.size > 0 && font.size <= 409) format_set_font_size(f, font.size);
    if (font.bold) format_set_bold(f);
    if (font.italic) format_set_italic(f);
    if (font.strike) format_set_font_strikeout(f);
    if (font.outline) format_set_font_outline(f);
    if (font.shadow) format_set_font_shadow(f);
    if (font.underline != Underline::None && font.underline <= Underline::DoubleAccounting)
        format_set_underline(f, static_cast<uint8_t>(font.underline));
    if (font.vertAlign == VertAlignRun::Superscript) format_set_font_script(f, LXW_FONT_SUPERSCRIPT);
    if (font.vertAlign == VertAlignRun::Subscript) format_set_font_script(f, LXW_FONT_SUBSCRIPT);
    if (font.color != 0) format_set_font_color(f, lxwColor(font.color));
    // Some 2003-format files store the family as Windows pitch-and-family (0x10 = roman, 0x20 = swiss, ...);
    // the package only allows 0-14, and a reader refuses anything else.
    if (font.family <= 14)
        format_set_font_family(f, font.family);
    else if ((font.family >> 4) <= 5)
        format_set_font_family(f, font.family >> 4);
    if (font.charset != 0) format_set_font_charset(f, font.charset);
    // libxlsxwriter marks every font as the theme's minor font unless told otherwise, which would make the
    // application swap a named font for the theme font.
    format_set_font_scheme(f, font.scheme.empty() ? "none" : font.scheme.c_str());
}

void applyFill(lxw_format* f, const Fill& fill) {
    if (fill.pattern == 0 || fill.pattern > LXW_PATTERN_GRAY_0625) return;
    format_set_pattern(f, fill.pattern);
    // For a solid fill libxlsxwriter swaps the two colours when both are set (it expects the cell colour as
    // "background"); hand them over swapped so the file gets them the right way round.
    bool swap = fill.pattern == LXW_PATTERN_SOLID && fill.fg != 0 && fill.bg != 0;
    Argb fg = swap ? fill.bg : fill.fg;
    Argb bg = swap ? fill.fg : fill.bg;
    if (fg != 0) format_set_fg_color(f, lxwColor(fg));
    if (bg != 0) format_set_bg_color(f, lxwColor(bg));
}

void applyBorder(lxw_format* f, const Border& b) {
    auto side = [f](const BorderSide& s, void (*setStyle)(lxw_format*, uint8_t),
                    void (*setColor)(lxw_format*, lxw_color_t)) {
        if (s.style == 0 || s.style > LXW_BORDER_SLANT_DASH_DOT) return;
        setStyle(f, s.style);
        if (s.color != 0) setColor(f, lxwColor(s.color));
    };
    side(b.left, format_set_left, format_set_left_color);
    side(b.right, format_set_right, format_set_right_color);
    side(b.top, format_set_top, format_set_top_color);
    side(b.bottom, format_set_bottom, format_set_bottom_color);
    if (b.diagonal.style != 0 && b.diagonal.style <= LXW_BORDER_SLANT_DASH_DOT && (b.diagonalUp || b.diagonalDown)) {
        uint8_t type = b.diagonalUp && b.diagonalDown ? LXW_DIAGONAL_BORDER_UP_DOWN
                       : b.diagonalUp                 ? LXW_DIAGONAL_BORDER_UP
                                                      : LXW_DIAGONAL_BORDER_DOWN;
        format_set_diag_type(f, type);
        format_set_diag_border(f, b.diagonal.style);
        if (b.diagonal.color != 0) format_set_diag_color(f, lxwColor(b.diagonal.color));
    }
}

void applyAlignment(lxw_format* f, const Alignment& a) {
    static constexpr uint8_t kHorizontal[] = {LXW_ALIGN_NONE, LXW_ALIGN_LEFT, LXW_ALIGN_CENTER,
                                              LXW_ALIGN_RIGHT, LXW_ALIGN_FILL, LXW_ALIGN_JUSTIFY,
                                              LXW_ALIGN_CENTER_ACROSS, LXW_ALIGN_DISTRIBUTED};
    static constexpr uint8_t kVertical[] = {LXW_ALIGN_VERTICAL_TOP, LXW_ALIGN_VERTICAL_CENTER,
                                            LXW_ALIGN_VERTICAL_BOTTOM, LXW_ALIGN_VERTICAL_JUSTIFY,
                                            LXW_ALIGN_VERTICAL_DISTRIBUTED};
    if (a.horizontal != 0 && a.horizontal < std::size(kHorizontal)) format_set_align(f, kHorizontal[a.horizontal]);
    // Bottom is what a cell has without saying so; writing it would only add noise to every format.
    if (a.vertical != 2 && a.vertical < std::size(kVertical)) format_set_align(f, kVertical[a.vertical]);
    if (a.wrap) format_set_text_wrap(f);
    if (a.shrink) format_set_shrink(f);
    if (a.indent != 0) format_set_indent(f, a.indent);
    if (a.rotation != 0) format_set_rotation(f, lxwRotation(a.rotation));
    if (a.readingOrder != 0) format_set_reading_order(f, a.readingOrder);
}

} // namespace

lxw_color_t lxwColor(Argb argb) {
    lxw_color_t rgb = argb & LXW_COLOR_MASK;
    return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb;
}

int16_t lxwRotation(uint8_t stored) {
    if (stored == 255) return 270;
    if (stored > 90 && stored <= 180) return static_cast<int16_t>(90 - stored);
    return stored <= 90 ? stored : 0;
}

XlsxFormatCache::XlsxFormatCache(lxw_workbook* workbook, const StyleTable& styles)
    : m_workbook(workbook), m_styles(styles), m_formats(styles.size(), nullptr), m_xf(styles.size(), kNoIndex) {}

lxw_format* XlsxFormatCache::format(uint32_t styleId) {
    if (styleId == 0) return nullptr;
    if (styleId >= m_formats.size()) throw EngineError("样式编号 " + std::to_string(styleId) + " 不存在");
    if (!m_formats[styleId]) m_formats[styleId] = create(m_styles.get(styleId));
    return m_formats[styleId];
}

int32_t XlsxFormatCache::xfIndex(uint32_t styleId) {
    if (styleId == 0) return 0;
    if (styleId < m_xf.size() && m_xf[styleId] != kNoIndex) return m_xf[styleId];
    // Taking the index now (not when libxlsxwriter writes a cell) registers the format as used before the
    // styles part is laid out: the cells are written by us, so libxlsxwriter never asks for it itself.
    int32_t index = lxw_format_get_xf_index(format(styleId));
    m_xf[styleId] = index;
    return index;
}

lxw_format* XlsxFormatCache::create(const Style& style) {
    lxw_format* f = workbook_add_format(m_workbook);
    if (!f) throw EngineError("内存不足，无法创建单元格格式");
    applyNumberFormat(f, style.numFmt);
    applyFont(f, style.font);
    applyFill(f, style.fill);
    applyBorder(f, style.border);
    applyAlignment(f, style.alignment);
    if (!style.protection.locked) format_set_unlocked(f);
    if (style.protection.hidden) format_set_hidden(f);
    return f;
}

void XlsxFormatCache::applyNumberFormat(lxw_format* f, const std::string& code) {
    if (code.empty() || code == "General") return;
    if (code.size() < LXW_FORMAT_FIELD_LEN) {
        format_set_num_format(f, code.c_str());
        return;
    }
    // libxlsxwriter keeps at most 127 bytes of a code and would cut it silently; a stand-in goes in its place.
    for (const auto& [standIn, real] : m_longFormats) {
        if (real == code) {
            format_set_num_format(f, standIn.c_str());
            return;
        }
    }
    std::string standIn = "TabrixLongNumFmt" + std::to_string(m_longFormats.size());
    format_set_num_format(f, standIn.c_str());
    m_longFormats.emplace_back(std::move(standIn), code);
}

} // namespace tabrix::engine::xlsx
