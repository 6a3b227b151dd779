#pragma once

// Token numbers and codes shared by the 2003-format formula decoder and encoder; not a public engine header.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tabrix::engine::formula::ptg {

// Tokens without an operand class.
inline constexpr uint8_t kExp = 0x01;
inline constexpr uint8_t kTbl = 0x02;
inline constexpr uint8_t kAdd = 0x03; // ptgAdd .. ptgRange are the binary operators, in this order
inline constexpr uint8_t kRange = 0x11;
inline constexpr uint8_t kIsect = 0x0F;
inline constexpr uint8_t kUnion = 0x10;
inline constexpr uint8_t kUplus = 0x12;
inline constexpr uint8_t kUminus = 0x13;
inline constexpr uint8_t kPercent = 0x14;
inline constexpr uint8_t kParen = 0x15;
inline constexpr uint8_t kMissArg = 0x16;
inline constexpr uint8_t kStr = 0x17;
inline constexpr uint8_t kAttr = 0x19;
inline constexpr uint8_t kErr = 0x1C;
inline constexpr uint8_t kBool = 0x1D;
inline constexpr uint8_t kInt = 0x1E;
inline constexpr uint8_t kNum = 0x1F;

// Classed tokens, by their number with the class bits cleared; the encoder ORs in a class.
inline constexpr uint8_t kArray = 0x00;
inline constexpr uint8_t kFunc = 0x01;
inline constexpr uint8_t kFuncVar = 0x02;
inline constexpr uint8_t kName = 0x03;
inline constexpr uint8_t kRef = 0x04;
inline constexpr uint8_t kArea = 0x05;
inline constexpr uint8_t kMemArea = 0x06;
inline constexpr uint8_t kMemErr = 0x07;
inline constexpr uint8_t kMemNoMem = 0x08;
inline constexpr uint8_t kMemFunc = 0x09;
inline constexpr uint8_t kRefErr = 0x0A;
inline constexpr uint8_t kAreaErr = 0x0B;
inline constexpr uint8_t kRefN = 0x0C;
inline constexpr uint8_t kAreaN = 0x0D;
inline constexpr uint8_t kMemAreaN = 0x0E;
inline constexpr uint8_t kMemNoMemN = 0x0F;
inline constexpr uint8_t kNameX = 0x19;
inline constexpr uint8_t kRef3d = 0x1A;
inline constexpr uint8_t kArea3d = 0x1B;
inline constexpr uint8_t kRefErr3d = 0x1C;
inline constexpr uint8_t kAreaErr3d = 0x1D;

inline constexpr uint8_t kClassRef = 0x20;
inline constexpr uint8_t kClassValue = 0x40;
inline constexpr uint8_t kClassArray = 0x60;

// ptgAttr option bits.
inline constexpr uint8_t kAttrSemi = 0x01;
inline constexpr uint8_t kAttrIf = 0x02;
inline constexpr uint8_t kAttrChoose = 0x04;
inline constexpr uint8_t kAttrGoto = 0x08;
inline constexpr uint8_t kAttrSum = 0x10;

// Element types of an array constant.
inline constexpr uint8_t kArrayEmpty = 0x00;
inline constexpr uint8_t kArrayNumber = 0x01;
inline constexpr uint8_t kArrayString = 0x02;
inline constexpr uint8_t kArrayBool = 0x04;
inline constexpr uint8_t kArrayError = 0x10;

// Grid of the 2003 format (BIFF8); BIFF5 has 16,384 rows.
inline constexpr uint32_t kRows = 65536;
inline constexpr uint32_t kRowsBiff5 = 16384;
inline constexpr uint32_t kCols = 256;

// Relative flags: in BIFF8 in the column field, in BIFF5 in the row field (which then has 14 bits for the row).
inline constexpr uint16_t kRowRelative = 0x8000;
inline constexpr uint16_t kColRelative = 0x4000;

struct ErrorCode {
    uint8_t code;
    std::string_view text;
};
inline constexpr ErrorCode kErrors[] = {{0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"}, {0x17, "#REF!"},
                                        {0x1D, "#NAME?"}, {0x24, "#NUM!"},   {0x2A, "#N/A"}};

inline std::optional<std::string_view> errorText(uint8_t code) {
    for (const ErrorCode& e : kErrors)
        if (e.code == code) return e.text;
    return std::nullopt;
}

// Error literals are matched without regard to case, as the program accepts "#n/a".
inline std::optional<uint8_t> errorCode(std::string_view text) {
    for (const ErrorCode& e : kErrors) {
        if (e.text.size() != text.size()) continue;
        bool same = true;
        for (size_t i = 0; i < text.size() && same; ++i) {
            char c = text[i];
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
            same = c == e.text[i];
        }
        if (same) return e.code;
    }
    return std::nullopt;
}

} // namespace tabrix::engine::formula::ptg
