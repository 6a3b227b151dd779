#pragma once

#include <cstdint>
#include <string_view>

namespace tabrix::engine::formula {

/// A worksheet function of the 2003 format's built-in table (the index a ptgFunc/ptgFuncVar token carries), or an
/// add-in function of the Analysis ToolPak, which the format calls through a name (index 255).
///
/// Operand classes are letters: 'R' reference, 'V' value, 'A' array. paramClasses gives one letter per parameter,
/// the last letter repeating for the rest; 'P' marks a parameter that takes the class of the call itself (the
/// branches of IF and CHOOSE, which hand their argument back unchanged).
struct BiffFunction {
    uint16_t index;
    std::string_view name;
    uint8_t minArgs;
    uint8_t maxArgs;
    char returnClass;
    std::string_view paramClasses;

    /// Fixed-count functions are called with ptgFunc, the others with ptgFuncVar and an argument count.
    bool fixedArgs() const { return minArgs == maxArgs; }
    char paramClass(size_t argument) const;
};

/// Index of the user-defined/add-in function slot: its first argument is the function's name.
inline constexpr uint16_t kBiffUserFunction = 255;

/// The built-in function with this table index, or nullptr.
const BiffFunction* biffFunctionByIndex(uint16_t index);
/// The built-in function of this name (any case), or nullptr: functions newer than the 2003 format are not here.
const BiffFunction* biffFunctionByName(std::string_view name);
/// The Analysis ToolPak function of this name (any case), or nullptr; its index is kBiffUserFunction.
const BiffFunction* biffAddInFunctionByName(std::string_view name);

} // namespace tabrix::engine::formula
