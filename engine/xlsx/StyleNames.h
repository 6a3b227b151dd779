#pragma once

#include <array>
#include <string_view>

namespace tabrix::engine::xlsx {

// The names the styles part gives the model's style codes, in the model's numbering; the reader and the writer
// both go by these tables.
inline constexpr std::array<std::string_view, 19> kPatterns = {
    "none",       "solid",        "mediumGray",      "darkGray",      "lightGray",     "darkHorizontal", "darkVertical",
    "darkDown",   "darkUp",       "darkGrid",        "darkTrellis",   "lightHorizontal", "lightVertical", "lightDown",
    "lightUp",    "lightGrid",    "lightTrellis",    "gray125",       "gray0625"};
inline constexpr std::array<std::string_view, 14> kBorderStyles = {
    "none",         "thin",          "medium",     "dashed",           "dotted", "thick", "double", "hair",
    "mediumDashed", "dashDot",       "mediumDashDot", "dashDotDot", "mediumDashDotDot", "slantDashDot"};
inline constexpr std::array<std::string_view, 8> kHorizontal = {"general", "left",    "center",           "right",
                                                         "fill",    "justify", "centerContinuous", "distributed"};
inline constexpr std::array<std::string_view, 5> kVertical = {"top", "center", "bottom", "justify", "distributed"};
inline constexpr std::array<std::string_view, 5> kUnderline = {"none", "single", "double", "singleAccounting",
                                                        "doubleAccounting"};
inline constexpr std::array<std::string_view, 3> kVertAlign = {"baseline", "superscript", "subscript"};

} // namespace tabrix::engine::xlsx
