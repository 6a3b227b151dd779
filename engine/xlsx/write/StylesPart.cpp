#include "engine/xlsx/write/StylesPart.h"

#include "engine/EngineError.h"
#include "engine/xlsx/StyleNames.h"
#include "engine/xlsx/write/XmlEscape.h"

#include <cstdio>

namespace tabrix::engine::xlsx {

namespace {

constexpr int32_t kUnassigned = -1;
constexpr int32_t kFirstCustomFormat = 164;

/// The default font of a new workbook: the theme's body font, in the theme's text colour. Format 0 uses it.
constexpr std::string_view kDefaultFont =
    "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/><scheme val=\"minor\"/></font>";
/// The two fills every styles part reserves, whatever its cells use.
constexpr std::string_view kNoFill = "<fill><patternFill patternType=\"none\"/></fill>";
constexpr std::string_view kGray125Fill = "<fill><patternFill patternType=\"gray125\"/></fill>";
constexpr std::string_view kNoBorder = "<border><left/><right/><top/><bottom/><diagonal/></border>";
constexpr std::string_view kDefaultXf = "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";

/// Built-in number formats that read the same in every locale: the code is written as its id. Date formats are
/// left out on purpose, since the application shows its built-in dates in the user's own locale's order.
struct BuiltinCode {
    int32_t id;
    std::string_view code;
};
constexpr BuiltinCode kFixedBuiltins[] = {{1, "0"},         {2, "0.00"},         {3, "#,##0"},  {4, "#,##0.00"},
                                          {9, "0%"},        {10, "0.00%"},       {11, "0.00E+00"}, {12, "# ?/?"},
                                          {13, "# ?\?/?\?"},  {49, "@"}};

std::string colorElement(std::string_view tag, Argb argb) {
    char text[16];
    std::snprintf(text, sizeof text, "FF%06X", static_cast<unsigned>(argb & 0xFFFFFF));
    return "<" + std::string(tag) + " rgb=\"" + text + "\"/>";
}

std::string fontElement(const Font& font) {
    std::string x = "<font>";
    if (font.bold) x += "<b/>";
    if (font.italic) x += "<i/>";
    if (font.strike) x += "<strike/>";
    if (font.outline) x += "<outline/>";
    if (font.shadow) x += "<shadow/>";
    if (font.underline == Underline::Single)
        x += "<u/>";
    else if (font.underline != Underline::None && size_t(font.underline) < kUnderline.size())
        x += "<u val=\"" + std::string(kUnderline[size_t(font.underline)]) + "\"/>";
    if (font.vertAlign != VertAlignRun::Baseline && size_t(font.vertAlign) < kVertAlign.size())
        x += "<vertAlign val=\"" + std::string(kVertAlign[size_t(font.vertAlign)]) + "\"/>";
    // A font needs a size and a name, or readers refuse the part.
    x += "<sz val=\"" + xmlNumber(font.size > 0 && font.size <= 409 ? font.size : 11) + "\"/>";
    x += font.color != 0 ? colorElement("color", font.color) : std::string("<color theme=\"1\"/>");
    x += "<name val=\"" + escapeXml(font.name.empty() ? std::string("Calibri") : font.name) + "\"/>";
    // Some 2003-format files store the family as Windows pitch-and-family (0x10 = roman, 0x20 = swiss, ...); the
    // package allows 0-14 only.
    const int family = font.family <= 14 ? font.family : (font.family >> 4) <= 5 ? (font.family >> 4) : 0;
    if (family != 0) x += "<family val=\"" + std::to_string(family) + "\"/>";
    if (font.charset != 0) x += "<charset val=\"" + std::to_string(font.charset) + "\"/>";
    // Only a font the theme supplies carries a scheme: with one, the application would swap a named font for the
    // theme's.
    if (font.scheme == "minor" || font.scheme == "major") x += "<scheme val=\"" + font.scheme + "\"/>";
    return x + "</font>";
}

std::string fillElement(const Fill& fill) {
    if (fill.pattern == 0 || fill.pattern >= kPatterns.size()) return std::string(kNoFill);
    Argb fg = fill.fg, bg = fill.bg;
    // A solid fill shows its foreground colour: one given as background only is the cell's colour.
    if (fill.pattern == 1 && fg == 0 && bg != 0) std::swap(fg, bg);
    std::string x = "<fill><patternFill patternType=\"" + std::string(kPatterns[fill.pattern]) + "\"";
    if (fg == 0 && bg == 0) return x + "/></fill>";
    x += ">";
    if (fg != 0) x += colorElement("fgColor", fg);
    if (bg != 0) x += colorElement("bgColor", bg);
    return x + "</patternFill></fill>";
}

std::string borderSide(std::string_view tag, const BorderSide& side) {
    if (side.style == 0 || side.style >= kBorderStyles.size()) return "<" + std::string(tag) + "/>";
    std::string x = "<" + std::string(tag) + " style=\"" + std::string(kBorderStyles[side.style]) + "\"";
    if (side.color == 0) return x + "/>";
    return x + ">" + colorElement("color", side.color) + "</" + std::string(tag) + ">";
}

std::string borderElement(const Border& b) {
    const bool diagonal = b.diagonal.style != 0 && (b.diagonalUp || b.diagonalDown);
    std::string x = "<border";
    if (diagonal && b.diagonalUp) x += " diagonalUp=\"1\"";
    if (diagonal && b.diagonalDown) x += " diagonalDown=\"1\"";
    x += ">" + borderSide("left", b.left) + borderSide("right", b.right) + borderSide("top", b.top) +
         borderSide("bottom", b.bottom) + borderSide("diagonal", diagonal ? b.diagonal : BorderSide{});
    return x + "</border>";
}

std::string alignmentElement(const Alignment& a) {
    std::string x;
    if (a.horizontal != 0 && a.horizontal < kHorizontal.size())
        x += " horizontal=\"" + std::string(kHorizontal[a.horizontal]) + "\"";
    // Bottom is what a cell has without saying so.
    if (a.vertical != 2 && a.vertical < kVertical.size()) x += " vertical=\"" + std::string(kVertical[a.vertical]) + "\"";
    if (a.rotation != 0 && (a.rotation <= 180 || a.rotation == 255))
        x += " textRotation=\"" + std::to_string(a.rotation) + "\"";
    if (a.wrap) x += " wrapText=\"1\"";
    if (a.indent != 0) x += " indent=\"" + std::to_string(a.indent) + "\"";
    if (a.shrink) x += " shrinkToFit=\"1\"";
    if (a.readingOrder == 1 || a.readingOrder == 2) x += " readingOrder=\"" + std::to_string(a.readingOrder) + "\"";
    return x.empty() ? x : "<alignment" + x + "/>";
}

std::string protectionElement(const Protection& p) {
    if (p.locked && !p.hidden) return {};
    std::string x = "<protection";
    if (!p.locked) x += " locked=\"0\"";
    if (p.hidden) x += " hidden=\"1\"";
    return x + "/>";
}

template <typename List>
void appendList(std::string& out, std::string_view tag, const List& elements) {
    out += "<" + std::string(tag) + " count=\"" + std::to_string(elements.size()) + "\">";
    for (const auto& e : elements) out += e;
    out += "</" + std::string(tag) + ">";
}

} // namespace

int32_t StylesPart::ElementList::add(std::string element) {
    auto [it, added] = index.try_emplace(element, static_cast<int32_t>(elements.size()));
    if (added) elements.push_back(std::move(element));
    return it->second;
}

StylesPart::StylesPart(const StyleTable& styles) : m_styles(styles), m_xfOfStyle(styles.size(), kUnassigned) {
    m_fonts.add(std::string(kDefaultFont));
    m_fills.add(std::string(kNoFill));
    m_fills.add(std::string(kGray125Fill));
    m_borders.add(std::string(kNoBorder));
    m_xfs.add(std::string(kDefaultXf));
}

int32_t StylesPart::numFmtId(const std::string& code) {
    if (code.empty() || code == "General") return 0;
    for (const auto& builtin : kFixedBuiltins)
        if (builtin.code == code) return builtin.id;
    for (const auto& [id, known] : m_numFmts)
        if (known == code) return id;
    const int32_t id = kFirstCustomFormat + static_cast<int32_t>(m_numFmts.size());
    m_numFmts.emplace_back(id, code);
    return id;
}

int32_t StylesPart::add(uint32_t styleId) {
    if (styleId == 0) return 0;
    if (styleId >= m_xfOfStyle.size()) throw EngineError("样式编号 " + std::to_string(styleId) + " 不存在");
    if (m_xfOfStyle[styleId] != kUnassigned) return m_xfOfStyle[styleId];
    const Style& style = m_styles.get(styleId);
    const int32_t numFmt = numFmtId(style.numFmt);
    const int32_t font = m_fonts.add(fontElement(style.font));
    const int32_t fill = m_fills.add(fillElement(style.fill));
    const int32_t border = m_borders.add(borderElement(style.border));
    const std::string alignment = alignmentElement(style.alignment);
    const std::string protection = protectionElement(style.protection);
    std::string xf = "<xf numFmtId=\"" + std::to_string(numFmt) + "\" fontId=\"" + std::to_string(font) +
                     "\" fillId=\"" + std::to_string(fill) + "\" borderId=\"" + std::to_string(border) + "\" xfId=\"0\"";
    if (numFmt != 0) xf += " applyNumberFormat=\"1\"";
    if (font != 0) xf += " applyFont=\"1\"";
    if (fill != 0) xf += " applyFill=\"1\"";
    if (border != 0) xf += " applyBorder=\"1\"";
    if (!alignment.empty()) xf += " applyAlignment=\"1\"";
    if (!protection.empty()) xf += " applyProtection=\"1\"";
    xf += alignment.empty() && protection.empty() ? "/>" : ">" + alignment + protection + "</xf>";
    return m_xfOfStyle[styleId] = m_xfs.add(std::move(xf));
}

std::string StylesPart::xml() const {
    std::string x(kXmlDeclaration);
    x += "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    if (!m_numFmts.empty()) {
        x += "<numFmts count=\"" + std::to_string(m_numFmts.size()) + "\">";
        for (const auto& [id, code] : m_numFmts)
            x += "<numFmt numFmtId=\"" + std::to_string(id) + "\" formatCode=\"" + escapeXml(code) + "\"/>";
        x += "</numFmts>";
    }
    appendList(x, "fonts", m_fonts.elements);
    appendList(x, "fills", m_fills.elements);
    appendList(x, "borders", m_borders.elements);
    x += "<cellStyleXfs count=\"1\">" + std::string(kDefaultXf) + "</cellStyleXfs>";
    appendList(x, "cellXfs", m_xfs.elements);
    x += "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "<dxfs count=\"0\"/><tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
         "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
    return x;
}

} // namespace tabrix::engine::xlsx
