#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <vector>

namespace tabrix::engine {

/// Readies a workbook's formulas for writing, in either format: array areas whose first cell no longer holds a
/// formula are forgotten, links to other workbooks that no formula or name uses any more are removed (the others
/// renumbered in the formulas), and the log gets one line per workbook the formulas refer to because cells were
/// copied out of it ("结果中的公式引用了原工作簿“f.xlsx”"), then what copying could not keep.
void prepareFormulasForSave(BookData& book, std::vector<std::string>& warnings);

} // namespace tabrix::engine
