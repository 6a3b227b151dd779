#pragma once

#include "engine/model/Style.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// A colour as a styles part writes it, kept unresolved until the part's own palette (which comes last) is known.
struct ColorSpec {
    enum Kind : uint8_t { None, Auto, Rgb, Theme, Indexed } kind = None;
    uint32_t value = 0;
    double tint = 0;
};

/// Turns the colour attributes of a styles part (rgb, indexed, theme with tint, auto) into ARGB. Indexed colours
/// come from the standard 64-colour palette unless the styles part brings its own; theme colours come from the
/// theme part's colour scheme, else from the default Office theme.
class XlsxColors {
public:
    XlsxColors();

    /// Reads the clrScheme of a theme part.
    void loadTheme(std::string_view xml, const std::string& where);
    /// Replaces the indexed palette (the styles part's <indexedColors>) from its first entry on.
    void setPalette(const std::vector<Argb>& colors);

    /// The colour a <color>-like element's attributes name.
    static ColorSpec read(const char** atts);
    /// ARGB of a colour; 0 (automatic) when it names none.
    Argb resolve(const ColorSpec& spec) const;
    static Argb parseRgb(std::string_view hex);
    static Argb applyTint(Argb color, double tint);

private:
    std::vector<Argb> m_palette;
    std::array<Argb, 12> m_theme; ///< in the order the styles part counts them: lt1, dk1, lt2, dk2, accents, links
};

} // namespace tabrix::engine::xlsx
