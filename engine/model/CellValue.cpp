#include "engine/model/CellValue.h"

#include <array>
#include <utility>

namespace tabrix::engine {

namespace {
constexpr std::array<std::pair<ErrorCode, std::string_view>, 8> kErrors{{
    {ErrorCode::Null, "#NULL!"},
    {ErrorCode::Div0, "#DIV/0!"},
    {ErrorCode::Value, "#VALUE!"},
    {ErrorCode::Ref, "#REF!"},
    {ErrorCode::Name, "#NAME?"},
    {ErrorCode::Num, "#NUM!"},
    {ErrorCode::NA, "#N/A"},
    {ErrorCode::GettingData, "#GETTING_DATA"},
}};
} // namespace

std::string_view errorText(ErrorCode code) {
    for (const auto& [c, text] : kErrors)
        if (c == code) return text;
    return "#N/A";
}

std::optional<ErrorCode> errorFromText(std::string_view text) {
    for (const auto& [c, t] : kErrors)
        if (t == text) return c;
    return std::nullopt;
}

} // namespace tabrix::engine
