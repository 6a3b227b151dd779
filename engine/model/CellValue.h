#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tabrix::engine {

enum class CellType : uint8_t { Empty, Number, Text, Boolean, Error };

/// Error values, numbered as the 2003 format stores them.
enum class ErrorCode : uint8_t {
    Null = 0x00,
    Div0 = 0x07,
    Value = 0x0F,
    Ref = 0x17,
    Name = 0x1D,
    Num = 0x24,
    NA = 0x2A,
    GettingData = 0x2B,
};

std::string_view errorText(ErrorCode code);
std::optional<ErrorCode> errorFromText(std::string_view text);

/// A cell value as the object model hands it out and takes it in.
using Variant = std::variant<std::monostate, double, std::string, bool, ErrorCode>;

} // namespace tabrix::engine
