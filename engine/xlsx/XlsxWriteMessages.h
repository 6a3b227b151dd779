#pragma once

#include <xlsxwriter.h>

#include <string>

namespace tabrix::engine::xlsx {

/// What a libxlsxwriter error means, in words a user understands.
std::string describeLxwError(lxw_error err);

} // namespace tabrix::engine::xlsx
