#pragma once

#include <stdexcept>
#include <string>

namespace tabrix::engine {

/// The one error the engine throws: a failed object-model call, an unreadable or unwritable file.
/// The message says what failed and where (file, sheet, cell, part, record, byte offset).
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tabrix::engine
