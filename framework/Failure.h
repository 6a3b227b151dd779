#pragma once

#include "framework/Host.h"

#include <exception>
#include <string>

namespace tabrix::framework {

/// Reports a failure inside an operation: the same line goes to the log and into a message box, so the user
/// sees what failed and where, and the log keeps it.
Outcome reportFailure(Host& host, const std::string& operation, const std::exception& error);

} // namespace tabrix::framework
