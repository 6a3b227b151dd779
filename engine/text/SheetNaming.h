#pragma once

#include "engine/model/BookData.h"

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::text {

/// A sheet name the workbook can take: characters a name cannot hold become "_", at most 31 characters, and a
/// name the workbook already has (ignoring case) gets " (2)", " (3)", ...; an empty name becomes fallback.
std::string validSheetName(std::string_view wanted, const BookData& book, const std::string& fallback);

/// The sheet a text file opens as is named after the file: its name without the folder and the last extension.
std::string sheetNameForFile(const std::string& path);

/// Appends the sheet names (<x:Name>) of a page exported by a spreadsheet program, found in a comment.
void collectSheetNames(std::string_view comment, std::vector<std::string>& names);

} // namespace tabrix::engine::text
