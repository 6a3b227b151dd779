#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <string_view>

namespace tabrix::engine {

/// A formula (no leading "=") as the application shows it: links by the file name of their workbook
/// ("[f.xlsx]Sheet1!A1" for the stored "[1]Sheet1!A1").
std::string displayFormula(const BookData& book, std::string_view formula);

} // namespace tabrix::engine
