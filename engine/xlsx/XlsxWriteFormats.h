#pragma once

#include "engine/model/StyleTable.h"

#include <xlsxwriter.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix::engine::xlsx {

/// The libxlsxwriter format of each style id a workbook uses, made on first use and kept, so a million cells
/// sharing a handful of styles cost a handful of formats. Style 0 is the workbook default and gets no format.
class XlsxFormatCache {
public:
    XlsxFormatCache(lxw_workbook* workbook, const StyleTable& styles);

    /// nullptr for the default style.
    lxw_format* format(uint32_t styleId);
    /// The cellXfs index the cell's s attribute takes; 0 for the default style. Makes the format when needed.
    int32_t xfIndex(uint32_t styleId);
    /// The index xfIndex gave this style before; for writing once the package's styles are fixed.
    int32_t preparedXfIndex(uint32_t styleId) const { return styleId == 0 ? 0 : m_xf[styleId]; }

    /// Number format codes too long for libxlsxwriter, keyed by the stand-in code written in their place; the
    /// package patcher puts the real codes back into the styles part.
    const std::vector<std::pair<std::string, std::string>>& longNumberFormats() const { return m_longFormats; }

private:
    lxw_workbook* m_workbook;
    const StyleTable& m_styles;
    std::vector<lxw_format*> m_formats;
    std::vector<int32_t> m_xf;
    std::vector<std::pair<std::string, std::string>> m_longFormats;

    lxw_format* create(const Style& style);
    void applyNumberFormat(lxw_format* f, const std::string& code);
};

/// libxlsxwriter's colour for an ARGB colour: the alpha byte dropped, black given its own flag because
/// libxlsxwriter reads 0 as "not set".
lxw_color_t lxwColor(Argb argb);

/// The rotation libxlsxwriter takes (-90..90, 270 for stacked text) for the stored rotation (0-90 up, 91-180
/// down, 255 stacked).
int16_t lxwRotation(uint8_t stored);

} // namespace tabrix::engine::xlsx
