#pragma once

#include "engine/model/StyleTable.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::xlsx {

/// xl/styles.xml, and the cell format index each style id of the workbook becomes. Styles are added in the order
/// the sheets first use them, before any part is written; equal fonts, fills, borders, number formats and cell
/// formats are written once. Format 0 is the workbook default (style 0) and the Normal cell style's format.
class StylesPart {
public:
    explicit StylesPart(const StyleTable& styles);

    /// Gives the style its cell format, once; returns the format's index. Throws EngineError for an unknown id.
    int32_t add(uint32_t styleId);
    /// The index add() gave the style; 0 for the default style and for one never added.
    int32_t xfIndex(uint32_t styleId) const {
        return styleId < m_xfOfStyle.size() && m_xfOfStyle[styleId] >= 0 ? m_xfOfStyle[styleId] : 0;
    }

    std::string xml() const;

private:
    /// One kind of element (fonts, fills, ...) as written, each distinct element once, in order of first use.
    struct ElementList {
        std::vector<std::string> elements;
        std::unordered_map<std::string, int32_t> index;
        int32_t add(std::string element);
    };

    const StyleTable& m_styles;
    std::vector<int32_t> m_xfOfStyle;
    std::vector<std::pair<int32_t, std::string>> m_numFmts; ///< custom codes: id, code
    ElementList m_fonts, m_fills, m_borders, m_xfs;

    int32_t numFmtId(const std::string& code);
};

} // namespace tabrix::engine::xlsx
