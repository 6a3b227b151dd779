#pragma once

#include "engine/model/StyleTable.h"
#include "engine/xls/BiffRecordStream.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// Collects the FONT, FORMAT, XF and PALETTE records of the globals substream and turns every XF into a style.
/// Colours are resolved only at the end because PALETTE comes after the XF records.
class XlsStyleBuilder {
public:
    explicit XlsStyleBuilder(int biffVersion) : m_biff(biffVersion) {}

    void parseFont(RecordReader& r);
    void parseFormat(RecordReader& r);
    void parseXf(RecordReader& r);
    void parsePalette(RecordReader& r);

    /// Puts the styles into the table and returns, for each XF index, its style id. XF 15 (the default cell
    /// format of every BIFF5/8 file) becomes the table's default, id 0, and every XF that looks the same shares
    /// that id, so cells that merely carry the default format do not count as formatted.
    std::vector<uint32_t> build(StyleTable& styles) const;

    /// ARGB of a BIFF colour index under the file's palette; 0 (automatic) for the system colours.
    Argb color(uint16_t index) const;

private:
    struct RawFont {
        Font font;
        uint16_t color = 0x7FFF;
    };
    struct RawXf {
        uint16_t font = 0;
        uint16_t format = 0;
        bool isStyle = false;
        Alignment alignment;
        Protection protection;
        std::array<uint8_t, 5> lines{};   ///< left, right, top, bottom, diagonal
        std::array<uint16_t, 5> colors{}; ///< palette indexes, same order
        bool diagonalUp = false;
        bool diagonalDown = false;
        uint8_t pattern = 0;
        uint16_t patternFg = 64;
        uint16_t patternBg = 65;
    };

    void parseXf8(RecordReader& r, RawXf& xf);
    void parseXf5(RecordReader& r, RawXf& xf);
    Style styleOf(const RawXf& xf) const;

    int m_biff;
    std::vector<RawFont> m_fonts;
    std::map<uint16_t, std::string> m_formats;
    std::vector<RawXf> m_xfs;
    std::array<uint32_t, 56> m_palette = defaultPalette();

    static std::array<uint32_t, 56> defaultPalette();
};

} // namespace tabrix::engine::xls
