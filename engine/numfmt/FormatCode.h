#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::numfmt {

enum class PartKind : uint8_t {
    Literal,   // text shown as is (quoted, escaped, "_x" space, bare punctuation or CJK, "[$¥-804]" symbol)
    Digit,     // a digit placeholder: text is "0", "#" or "?"
    Point,     // the decimal point
    Group,     // a "," between integer placeholders: thousands separators on
    Scale,     // a "," after the last placeholder: divides by 1000
    Percent,   // "%": multiplies by 100
    Exponent,  // "E+", "E-", "e+", "e-"
    Slash,     // the "/" of a fraction
    TextValue, // "@"
    General,   // "General" (or the Chinese "G/通用格式") inside a section
    Year,      // y, yy (width <= 2) or yyy, yyyy, e
    BuddhistYear,
    Era, // g, gg, ggg: the era name, empty outside Japanese and Taiwanese calendars
    Month,
    Minute,
    Day,
    Hour,
    Second,
    SubSecond, // ".0", ".00", ".000" after seconds
    AmPm,      // text holds the two designators, e.g. "AM/PM", "a/p", "上午/下午"
    ElapsedHours,
    ElapsedMinutes,
    ElapsedSeconds,
    Weekday, // aaa (一) or aaaa (星期一)
};

struct FormatPart {
    PartKind kind = PartKind::Literal;
    uint8_t width = 1; // letters in a date or time code ("mmm" is 3), digits of an elapsed or sub-second code
    std::string text;  // literal text, or the code as written
};

struct Condition {
    enum class Op : uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
    Op op = Op::None;
    double operand = 0;
    bool holdsFor(double value) const;
};

/// One ";"-separated section of a format code, lexed and classified.
struct FormatSection {
    std::vector<FormatPart> parts;
    Condition condition;
    bool isDate = false;
    bool hasText = false; // holds "@"
    bool twelveHour = false;
    bool fraction = false; // a number shown as a fraction ("# ?/?")
    bool grouping = false; // thousands separators
    int scalePower = 0;    // powers of ten from "%" (+2 each) and scaling commas (-3 each)
    int subSecondDigits = 0;
    std::string intPlaceholders;  // placeholder characters before the point (or before E)
    std::string fracPlaceholders; // after the point
    std::string expPlaceholders;  // after E+ / E-
    bool scientific = false;
};

/// A format code split into its sections (at most four are used: positive; negative; zero; text).
struct FormatCode {
    std::vector<FormatSection> sections;
};

FormatCode parseFormatCode(std::string_view code);

} // namespace tabrix::engine::numfmt
