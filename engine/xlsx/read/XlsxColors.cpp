#include "engine/xlsx/read/XlsxColors.h"

#include "engine/xlsx/ExpatParser.h"
#include "engine/xlsx/XmlText.h"

#include <algorithm>
#include <cmath>

namespace tabrix::engine::xlsx {

namespace {
constexpr Argb kOpaque = 0xFF000000u;

// The palette every BIFF8/OOXML application starts from (indexes 0-63); 64 and 65 are the system colours.
constexpr uint32_t kStandardPalette[64] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
    0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
    0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
    0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
    0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
    0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

// The default Office theme, in the styles part's order (lt1 and dk1 swapped relative to the theme part).
constexpr uint32_t kDefaultTheme[12] = {0xFFFFFF, 0x000000, 0xEEECE1, 0x1F497D, 0x4F81BD, 0xC0504D,
                                        0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646, 0x0000FF, 0x800080};

// Theme part element → styles index.
int themeSlot(std::string_view name) {
    static constexpr std::string_view kNames[12] = {"lt1",     "dk1",     "lt2",     "dk2",     "accent1", "accent2",
                                                    "accent3", "accent4", "accent5", "accent6", "hlink",   "folHlink"};
    for (int i = 0; i < 12; ++i)
        if (kNames[i] == name) return i;
    return -1;
}

class ThemeHandler : public XmlHandler {
public:
    explicit ThemeHandler(std::array<Argb, 12>& theme) : m_theme(theme) {}
    void startElement(std::string_view name, const char** atts) override {
        if (name == "clrScheme") {
            m_inScheme = !m_done;
        } else if (m_inScheme && themeSlot(name) >= 0) {
            m_slot = themeSlot(name);
        } else if (m_inScheme && m_slot >= 0 && (name == "srgbClr" || name == "sysClr")) {
            const char* value = findAttr(atts, name == "srgbClr" ? "val" : "lastClr");
            if (value) m_theme[size_t(m_slot)] = XlsxColors::parseRgb(value);
            m_slot = -1;
        }
    }
    void endElement(std::string_view name) override {
        if (name == "clrScheme" && m_inScheme) {
            m_inScheme = false;
            m_done = true;
        }
    }

private:
    std::array<Argb, 12>& m_theme;
    bool m_inScheme = false;
    bool m_done = false;
    int m_slot = -1;
};

struct Hsl {
    double h, s, l;
};

Hsl toHsl(double r, double g, double b) {
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    Hsl out{0, 0, (mx + mn) / 2};
    double d = mx - mn;
    if (d <= 0) return out;
    out.s = out.l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == r)
        out.h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g)
        out.h = (b - r) / d + 2;
    else
        out.h = (r - g) / d + 4;
    out.h /= 6;
    return out;
}

double hueToRgb(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 1.0 / 2) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}
} // namespace

XlsxColors::XlsxColors() : m_palette(std::begin(kStandardPalette), std::end(kStandardPalette)) {
    for (auto& c : m_palette) c |= kOpaque;
    for (size_t i = 0; i < 12; ++i) m_theme[i] = kDefaultTheme[i] | kOpaque;
}

void XlsxColors::loadTheme(std::string_view xml, const std::string& where) {
    ThemeHandler handler(m_theme);
    parseXml(handler, xml, where);
}

void XlsxColors::setPalette(const std::vector<Argb>& colors) {
    for (size_t i = 0; i < colors.size() && i < m_palette.size(); ++i) m_palette[i] = colors[i];
}

Argb XlsxColors::parseRgb(std::string_view hex) {
    hex = trimSpace(hex);
    uint32_t v = 0;
    for (char c : hex) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return 0;
        v = v << 4 | uint32_t(d);
    }
    if (hex.size() == 6) return v | kOpaque;
    // Some producers write an alpha of 00 meaning opaque; a colour the user picked is never transparent.
    if (hex.size() == 8) return (v & 0xFF000000u) ? v : (v | kOpaque);
    return 0;
}

Argb XlsxColors::applyTint(Argb color, double tint) {
    if (tint == 0 || !std::isfinite(tint)) return color;
    tint = std::clamp(tint, -1.0, 1.0);
    Hsl hsl = toHsl(((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0);
    hsl.l = tint < 0 ? hsl.l * (1 + tint) : hsl.l * (1 - tint) + tint;
    double r = hsl.l, g = hsl.l, b = hsl.l;
    if (hsl.s > 0) {
        double q = hsl.l < 0.5 ? hsl.l * (1 + hsl.s) : hsl.l + hsl.s - hsl.l * hsl.s;
        double p = 2 * hsl.l - q;
        r = hueToRgb(p, q, hsl.h + 1.0 / 3);
        g = hueToRgb(p, q, hsl.h);
        b = hueToRgb(p, q, hsl.h - 1.0 / 3);
    }
    auto byte = [](double v) { return uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return (color & 0xFF000000u) | byte(r) << 16 | byte(g) << 8 | byte(b);
}

ColorSpec XlsxColors::read(const char** atts) {
    ColorSpec spec;
    if (const char* tint = findAttr(atts, "tint"))
        if (auto t = parseDouble(tint)) spec.tint = *t;
    if (parseBool(findAttr(atts, "auto"), false)) {
        spec.kind = ColorSpec::Auto;
    } else if (const char* rgb = findAttr(atts, "rgb")) {
        spec.kind = ColorSpec::Rgb;
        spec.value = parseRgb(rgb);
    } else if (const char* theme = findAttr(atts, "theme")) {
        auto index = parseInt(theme);
        if (index && *index >= 0 && *index < 12) spec = {ColorSpec::Theme, uint32_t(*index), spec.tint};
    } else if (const char* indexed = findAttr(atts, "indexed")) {
        auto index = parseInt(indexed);
        if (index && *index >= 0 && *index < 64) spec = {ColorSpec::Indexed, uint32_t(*index), spec.tint};
    }
    return spec;
}

Argb XlsxColors::resolve(const ColorSpec& spec) const {
    Argb color = 0;
    switch (spec.kind) {
    case ColorSpec::Rgb: color = spec.value; break;
    case ColorSpec::Theme: color = m_theme[spec.value % 12]; break;
    case ColorSpec::Indexed: color = spec.value < m_palette.size() ? m_palette[spec.value] : 0; break;
    default: return 0;
    }
    return color == 0 ? 0 : applyTint(color, spec.tint);
}

} // namespace tabrix::engine::xlsx
