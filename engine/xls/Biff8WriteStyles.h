#pragma once

#include "engine/model/StyleTable.h"
#include "engine/xls/Biff8WriteBuffer.h"
#include "engine/xls/Biff8WritePalette.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tabrix::engine::xls {

/// The formatting records of a workbook: FONT, FORMAT, XF, STYLE and PALETTE, built from the styles its cells,
/// rows and columns use. Style id 0 (the workbook default) is the default cell XF 15; every other used style gets
/// one cell XF, equal ones shared.
class Biff8WriteStyles {
public:
    static constexpr uint16_t kDefaultXf = 15;

    explicit Biff8WriteStyles(const StyleTable& styles);

    /// Counts a use of a style id (a cell, row or column); call for every use before build(). How often a style
    /// is used decides which colours keep an exact palette entry when there are too many.
    void use(uint32_t styleId) {
        if (styleId < m_used.size()) ++m_used[styleId];
    }
    /// Resolves the palette and makes the fonts, formats and XFs. Warnings: colours that changed, styles beyond
    /// what the format can hold.
    void build(std::vector<std::string>& warnings);

    uint16_t xf(uint32_t styleId) const { return styleId < m_xf.size() ? m_xf[styleId] : kDefaultXf; }
    void write(Biff8WriteBuffer& out) const;

private:
    using XfBytes = std::array<uint8_t, 20>;
    uint16_t fontIndex(const Font& font);
    uint16_t formatIndex(const std::string& code, std::vector<std::string>& warnings);
    XfBytes cellXf(const Style& style, std::vector<std::string>& warnings);
    void noteColors(const Style& style, uint32_t uses);
    void writeFonts(Biff8WriteBuffer& out) const;
    void writeFormats(Biff8WriteBuffer& out) const;
    void writeXfs(Biff8WriteBuffer& out) const;

    const StyleTable& m_styles;
    std::vector<uint32_t> m_used;
    std::vector<uint16_t> m_xf;
    Biff8WritePalette m_palette;
    std::vector<std::array<uint8_t, 14>> m_fonts; ///< FONT bodies before the name, in record order
    std::vector<std::string> m_fontNames;
    std::map<std::string, uint16_t> m_fontIndex; ///< FONT body + name → font index
    std::vector<std::pair<uint16_t, std::string>> m_formats;
    std::map<std::string, uint16_t> m_formatIndex;
    uint16_t m_nextFormat = 164;
    size_t m_fontsDropped = 0;
    std::vector<XfBytes> m_cellXfs; ///< XF 15 onwards
    std::map<XfBytes, uint16_t> m_xfIndex;
};

} // namespace tabrix::engine::xls
