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

/// A worksheet asked for by a name the workbook does not have: the caller named it wrongly, so operations
/// refuse the input instead of reporting a failure.
class MissingSheetError : public EngineError {
public:
    using EngineError::EngineError;
};

/// A protected workbook whose password was not given: the user cancelled the question, or there was no way to
/// ask. Like a missing sheet, a refused input rather than a failure.
class PasswordNotGivenError : public EngineError {
public:
    using EngineError::EngineError;
};

} // namespace tabrix::engine
