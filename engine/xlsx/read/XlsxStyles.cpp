#include "engine/xlsx/read/XlsxStyles.h"
#include "engine/xlsx/StyleNames.h"

#include "engine/numfmt/NumberFormat.h"
#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/read/XlsxColors.h"
#include "engine/xlsx/XmlText.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::xlsx {

namespace {
template <size_t N> uint8_t indexOf(const std::array<std::string_view, N>& names, const char* value, uint8_t fallback) {
    if (!value) return fallback;
    for (size_t i = 0; i < N; ++i)
        if (names[i] == value) return static_cast<uint8_t>(i);
    return fallback;
}


uint32_t toIndex(const char* text) {
    auto v = text ? parseInt(text) : std::nullopt;
    return v && *v >= 0 && *v <= int64_t(UINT32_MAX) ? uint32_t(*v) : 0;
}

uint8_t toByte(const char* text, uint8_t fallback) {
    auto v = text ? parseInt(text) : std::nullopt;
    return v && *v >= 0 && *v <= 255 ? uint8_t(*v) : fallback;
}

struct RawFont {
    Font font;
    ColorSpec color;
};
struct RawFill {
    uint8_t pattern = 0;
    ColorSpec fg, bg;
};
struct RawBorder {
    Border border;
    std::array<ColorSpec, 5> colors;
};
struct RawXf {
    uint32_t numFmt = 0, font = 0, fill = 0, border = 0;
    Alignment alignment;
    Protection protection;
};

class StylesHandler : public XmlHandler {
public:
    std::unordered_map<uint32_t, std::string> numFmts;
    std::vector<RawFont> fonts;
    std::vector<RawFill> fills;
    std::vector<RawBorder> borders;
    std::vector<RawXf> xfs;
    std::vector<Argb> palette;

    void startElement(std::string_view name, const char** atts) override {
        if (m_depth++ == 1) m_section = name;
        if (m_section == "numFmts" && name == "numFmt") {
            const char* code = findAttr(atts, "formatCode");
            numFmts[toIndex(findAttr(atts, "numFmtId"))] = code ? code : "";
        } else if (m_section == "fonts") {
            fontElement(name, atts);
        } else if (m_section == "fills") {
            fillElement(name, atts);
        } else if (m_section == "borders") {
            borderElement(name, atts);
        } else if (m_section == "cellXfs") {
            xfElement(name, atts);
        } else if (m_section == "colors" && name == "rgbColor" && m_inIndexed) {
            const char* rgb = findAttr(atts, "rgb");
            palette.push_back(rgb ? XlsxColors::parseRgb(rgb) : 0);
        } else if (m_section == "colors" && name == "indexedColors") {
            m_inIndexed = true;
        }
    }
    void endElement(std::string_view name) override {
        if (--m_depth == 1) m_section = {};
        if (name == "indexedColors") m_inIndexed = false;
    }

private:
    void fontElement(std::string_view name, const char** atts);
    void fillElement(std::string_view name, const char** atts);
    void borderElement(std::string_view name, const char** atts);
    void xfElement(std::string_view name, const char** atts);

    int m_depth = 0;
    std::string m_section;
    bool m_inIndexed = false;
    bool m_gradientStop = false;
    int m_borderSide = -1;
};

void StylesHandler::fontElement(std::string_view name, const char** atts) {
    if (name == "font") {
        fonts.emplace_back();
        return;
    }
    if (fonts.empty()) return;
    Font& f = fonts.back().font;
    const char* val = findAttr(atts, "val");
    if (name == "b") f.bold = parseBool(val, true);
    else if (name == "i") f.italic = parseBool(val, true);
    else if (name == "strike") f.strike = parseBool(val, true);
    else if (name == "outline") f.outline = parseBool(val, true);
    else if (name == "shadow") f.shadow = parseBool(val, true);
    else if (name == "u") f.underline = Underline(indexOf(kUnderline, val ? val : "single", 1));
    else if (name == "vertAlign") f.vertAlign = VertAlignRun(indexOf(kVertAlign, val, 0));
    else if (name == "sz") f.size = val ? parseDouble(val).value_or(f.size) : f.size;
    else if (name == "name" && val) f.name = val;
    else if (name == "family") f.family = toByte(val, 0);
    else if (name == "charset") f.charset = toByte(val, 0);
    else if (name == "scheme" && val) f.scheme = std::string_view(val) == "none" ? "" : val;
    else if (name == "color") fonts.back().color = XlsxColors::read(atts);
}

void StylesHandler::fillElement(std::string_view name, const char** atts) {
    if (name == "fill") {
        fills.emplace_back();
    } else if (fills.empty()) {
        return;
    } else if (name == "patternFill") {
        fills.back().pattern = indexOf(kPatterns, findAttr(atts, "patternType"), 0);
    } else if (name == "fgColor") {
        fills.back().fg = XlsxColors::read(atts);
    } else if (name == "bgColor") {
        fills.back().bg = XlsxColors::read(atts);
    } else if (name == "gradientFill") {
        // A gradient has no pattern equivalent; its first stop's colour as a solid fill keeps the cell coloured.
        fills.back().pattern = 1;
        m_gradientStop = true;
    } else if (name == "color" && m_gradientStop) {
        fills.back().fg = XlsxColors::read(atts);
        m_gradientStop = false;
    }
}

void StylesHandler::borderElement(std::string_view name, const char** atts) {
    static constexpr std::array<std::string_view, 5> kSides = {"left", "right", "top", "bottom", "diagonal"};
    if (name == "border") {
        borders.emplace_back();
        Border& b = borders.back().border;
        b.diagonalUp = parseBool(findAttr(atts, "diagonalUp"), false);
        b.diagonalDown = parseBool(findAttr(atts, "diagonalDown"), false);
        return;
    }
    if (borders.empty()) return;
    if (name == "color") {
        if (m_borderSide >= 0) borders.back().colors[size_t(m_borderSide)] = XlsxColors::read(atts);
        return;
    }
    std::string_view side = name == "start" ? "left" : name == "end" ? "right" : name;
    auto it = std::find(kSides.begin(), kSides.end(), side);
    m_borderSide = it == kSides.end() ? -1 : int(it - kSides.begin());
    if (m_borderSide < 0) return;
    Border& b = borders.back().border;
    BorderSide* sides[5] = {&b.left, &b.right, &b.top, &b.bottom, &b.diagonal};
    sides[m_borderSide]->style = indexOf(kBorderStyles, findAttr(atts, "style"), 0);
}

void StylesHandler::xfElement(std::string_view name, const char** atts) {
    if (name == "xf") {
        RawXf& xf = xfs.emplace_back();
        xf.numFmt = toIndex(findAttr(atts, "numFmtId"));
        xf.font = toIndex(findAttr(atts, "fontId"));
        xf.fill = toIndex(findAttr(atts, "fillId"));
        xf.border = toIndex(findAttr(atts, "borderId"));
        return;
    }
    if (xfs.empty()) return;
    if (name == "alignment") {
        Alignment& a = xfs.back().alignment;
        a.horizontal = indexOf(kHorizontal, findAttr(atts, "horizontal"), 0);
        a.vertical = indexOf(kVertical, findAttr(atts, "vertical"), 2);
        a.wrap = parseBool(findAttr(atts, "wrapText"), false);
        a.shrink = parseBool(findAttr(atts, "shrinkToFit"), false);
        a.indent = toByte(findAttr(atts, "indent"), 0);
        a.rotation = toByte(findAttr(atts, "textRotation"), 0);
        a.readingOrder = toByte(findAttr(atts, "readingOrder"), 0);
    } else if (name == "protection") {
        Protection& p = xfs.back().protection;
        p.locked = parseBool(findAttr(atts, "locked"), true);
        p.hidden = parseBool(findAttr(atts, "hidden"), false);
    }
}

Style buildStyle(const StylesHandler& h, const RawXf& xf, const XlsxColors& colors) {
    Style s;
    if (auto it = h.numFmts.find(xf.numFmt); it != h.numFmts.end() && !it->second.empty()) {
        s.numFmt = it->second;
    } else {
        std::string code = numfmt::builtinFormat(xf.numFmt);
        s.numFmt = code.empty() ? "General" : code;
    }
    if (xf.font < h.fonts.size()) {
        s.font = h.fonts[xf.font].font;
        s.font.color = colors.resolve(h.fonts[xf.font].color);
    }
    if (xf.fill < h.fills.size()) {
        const RawFill& f = h.fills[xf.fill];
        s.fill = {f.pattern, colors.resolve(f.fg), colors.resolve(f.bg)};
    }
    if (xf.border < h.borders.size()) {
        const RawBorder& b = h.borders[xf.border];
        s.border = b.border;
        BorderSide* sides[5] = {&s.border.left, &s.border.right, &s.border.top, &s.border.bottom, &s.border.diagonal};
        for (size_t i = 0; i < 5; ++i) sides[i]->color = sides[i]->style ? colors.resolve(b.colors[i]) : 0;
    }
    s.alignment = xf.alignment;
    s.protection = xf.protection;
    return s;
}
} // namespace

uint32_t readStyles(std::string_view xml, XlsxColors& colors, StyleTable& out, const std::string& where) {
    StylesHandler handler;
    parseXml(handler, xml, where);
    if (!handler.palette.empty()) colors.setPalette(handler.palette);
    for (size_t i = 0; i < handler.xfs.size(); ++i) {
        Style style = buildStyle(handler, handler.xfs[i], colors);
        if (i == 0)
            out.setDefault(style);
        else
            out.append(style);
    }
    return static_cast<uint32_t>(std::max<size_t>(handler.xfs.size(), 1));
}

} // namespace tabrix::engine::xlsx
