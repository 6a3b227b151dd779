#pragma once

#include "engine/model/SheetData.h"

#include <xlsxwriter.h>

#include <string>

namespace tabrix::engine::xlsx {

/// The save log's line for what a sheet held but the file cannot carry, e.g. `工作表“数据”：以下内容未保存：图表、超链接`;
/// empty when nothing was left out.
std::string droppedFeaturesWarning(const SheetData& sheet);

/// What a libxlsxwriter error means, in words a user understands.
std::string describeLxwError(lxw_error err);

/// What a system error number means (disk full, no permission, ...).
std::string describeErrno(int err);

} // namespace tabrix::engine::xlsx
