#pragma once

#include "framework/Host.h"

#include <string>

namespace tabrix::engine {
class Workbook;
}

namespace tabrix::framework {

/// Puts one line into the log when an opened workbook's file is not what its name says ("“a.xls”实际是网页表格
/// （HTML），已按表格读取"): a page, a 2003 XML spreadsheet or text under a workbook's name, or a workbook of the
/// other format. shownPath is the file as the user named it, when the workbook was opened from a copy.
void logContent(Host& host, const engine::Workbook& book, const std::string& shownPath = {});

} // namespace tabrix::framework
