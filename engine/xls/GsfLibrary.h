#pragma once

namespace tabrix::engine::xls {

/// Initialises libgsf once per process. Reading and writing may start on different threads (a folder
/// conversion reads the next file while it saves the current one), so both go through this one guard.
void ensureGsfReady();

} // namespace tabrix::engine::xls
