#pragma once

#include <string_view>

namespace tabrix::engine::xlsx {

/// xl/theme/theme1.xml: the default theme, whose colours the styles part's theme colours (a font's "text"
/// colour) and the reader's defaults refer to. The same for every package.
std::string_view themePart();

} // namespace tabrix::engine::xlsx
