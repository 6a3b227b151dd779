#pragma once

#include "engine/model/BookData.h"

#include <memory>

namespace tabrix::engine {

/// Hands a closed workbook's data to a background thread that frees it. A large workbook holds hundreds of
/// thousands of small allocations, and freeing them one by one costs tens of milliseconds at the end of an
/// operation the user is waiting for. The thread is never joined: what is still queued when the process ends is
/// given back with the rest of its memory. When the thread cannot be had, the data is freed at once.
void releaseLater(std::unique_ptr<BookData> book) noexcept;

} // namespace tabrix::engine
