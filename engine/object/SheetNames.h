#pragma once

#include "engine/model/Utf8.h"

#include <string>

namespace tabrix::engine {

class Workbook;

/// Why a sheet name is not allowed (empty text when it is): 1-31 characters, none of : \ / ? * [ ],
/// not beginning or ending with an apostrophe.
std::string sheetNameProblem(const std::string& name);

/// The name a copied sheet takes in the target workbook: its own name, or "Name (2)", "Name (3)", ... cut so that
/// the whole stays within 31 characters.
std::string uniqueCopyName(const Workbook& target, const std::string& name);

/// A valid sheet name made from any text: : \ / ? * [ ] and a leading or trailing apostrophe become "_", cut to
/// 31 characters; an empty result becomes the fallback.
std::string cleanSheetName(const std::string& value, const std::string& fallback);


} // namespace tabrix::engine
