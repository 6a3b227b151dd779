#pragma once

#include "engine/model/SheetData.h"

#include <string>

namespace tabrix::engine {

/// The save log's line for what a sheet held but the file cannot carry, e.g. `工作表“数据”：以下内容未保存：图表、超链接`;
/// empty when nothing was left out. Both formats' writers log it the same way.
std::string droppedFeaturesWarning(const SheetData& sheet);

/// What a system error number means (disk full, no permission, ...), for the errors of both formats' writers.
std::string describeErrno(int err);

} // namespace tabrix::engine
