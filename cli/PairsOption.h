#pragma once

#include "analysis/CompareSheets.h"

#include <optional>
#include <string>
#include <vector>

namespace tabrix::cli {

/// The column pairs of `compare --pairs K1=K2[,A1=A2...]`: column letters of the first worksheet, "=", those of
/// the second, the first pair being the key pair. nullopt with the problem described when the text cannot be read.
std::optional<std::vector<analysis::ColumnPair>> parsePairs(const std::string& text, std::string& problem);

} // namespace tabrix::cli
