#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tabrix::engine {

/// Colours are ARGB; 0 means "automatic" (the application's default colour).
using Argb = uint32_t;

enum class Underline : uint8_t { None, Single, Double, SingleAccounting, DoubleAccounting };
enum class VertAlignRun : uint8_t { Baseline, Superscript, Subscript };

struct Font {
    std::string name = "Calibri";
    double size = 11;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool outline = false;
    bool shadow = false;
    Underline underline = Underline::None;
    VertAlignRun vertAlign = VertAlignRun::Baseline;
    Argb color = 0;
    uint8_t family = 0;
    uint8_t charset = 0;
    std::string scheme; ///< "minor"/"major" when the font follows the theme
    bool operator==(const Font&) const = default;
};

/// Fill patterns numbered as the 2003 format numbers them (0 none, 1 solid, 2 mediumGray, ..., 16 lightTrellis,
/// 17 gray125, 18 gray0625); xlsx pattern names map onto these numbers.
struct Fill {
    uint8_t pattern = 0;
    Argb fg = 0;
    Argb bg = 0;
    bool operator==(const Fill&) const = default;
};

/// Border line styles as OOXML ST_BorderStyle (0 none, 1 thin, 2 medium, 3 dashed, 4 dotted, 5 thick, 6 double,
/// 7 hair, 8 mediumDashed, 9 dashDot, 10 mediumDashDot, 11 dashDotDot, 12 mediumDashDotDot, 13 slantDashDot),
/// the same numbers the 2003 format uses.
struct BorderSide {
    uint8_t style = 0;
    Argb color = 0;
    bool operator==(const BorderSide&) const = default;
};

struct Border {
    BorderSide left, right, top, bottom, diagonal;
    bool diagonalUp = false;
    bool diagonalDown = false;
    bool operator==(const Border&) const = default;
};

/// Horizontal: 0 general, 1 left, 2 center, 3 right, 4 fill, 5 justify, 6 centerContinuous, 7 distributed.
/// Vertical: 0 top, 1 center, 2 bottom (the default), 3 justify, 4 distributed.
struct Alignment {
    uint8_t horizontal = 0;
    uint8_t vertical = 2;
    bool wrap = false;
    bool shrink = false;
    uint8_t indent = 0;
    uint8_t rotation = 0; ///< 0-90 up, 91-180 down, 255 vertical text (both formats store it this way)
    uint8_t readingOrder = 0;
    bool operator==(const Alignment&) const = default;
};

struct Protection {
    bool locked = true;
    bool hidden = false;
    bool operator==(const Protection&) const = default;
};

/// Everything that formats one cell. The number format is kept as its format code text.
struct Style {
    std::string numFmt = "General";
    Font font;
    Fill fill;
    Border border;
    Alignment alignment;
    Protection protection;
    bool operator==(const Style&) const = default;
};

size_t hashStyle(const Style& style);

} // namespace tabrix::engine
