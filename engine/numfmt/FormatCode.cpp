#include "engine/numfmt/FormatCode.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace tabrix::engine::numfmt {

namespace {

constexpr std::string_view kChineseGeneral = "G/通用格式";
constexpr std::string_view kChineseAmPm = "上午/下午";

size_t codePointLength(std::string_view s, size_t pos) {
    if (pos >= s.size()) return 0;
    const auto lead = static_cast<unsigned char>(s[pos]);
    const size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - pos);
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, size_t pos, std::string_view word) {
    if (s.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (lower(s[pos + i]) != lower(word[i])) return false;
    return true;
}

bool isDateKind(PartKind kind) {
    return kind >= PartKind::Year;
}

void add(FormatSection& section, PartKind kind, std::string_view text, size_t width = 1) {
    section.parts.push_back({kind, uint8_t(std::min<size_t>(width, 255)), std::string(text)});
}

void parseCondition(std::string_view text, Condition& condition) {
    using Op = Condition::Op;
    struct Comparison {
        std::string_view token;
        Op op;
    };
    static constexpr Comparison kComparisons[] = {{"<=", Op::LessEqual}, {"<>", Op::NotEqual}, {">=", Op::GreaterEqual},
                                                  {"<", Op::Less},       {">", Op::Greater},   {"=", Op::Equal}};
    for (const Comparison& comparison : kComparisons) {
        if (!text.starts_with(comparison.token)) continue;
        size_t n = comparison.token.size();
        while (n < text.size() && text[n] == ' ')
            ++n;
        double operand = 0;
        auto result = std::from_chars(text.data() + n, text.data() + text.size(), operand);
        if (result.ec != std::errc()) return;
        condition.op = comparison.op;
        condition.operand = operand;
        return;
    }
}

// "[h]" "[mm]" "[ss]" elapsed time, "[>=100]" conditions, "[$¥-804]" currency symbols; colours, locales and
// "[DBNum1]" change nothing in the text.
size_t lexBracket(std::string_view code, size_t pos, FormatSection& section) {
    const size_t close = code.find(']', pos + 1);
    if (close == std::string_view::npos) {
        add(section, PartKind::Literal, "[");
        return pos + 1;
    }
    const std::string_view inside = code.substr(pos + 1, close - pos - 1);
    const char first = inside.empty() ? '\0' : lower(inside[0]);
    bool sameLetter = first == 'h' || first == 'm' || first == 's';
    for (char c : inside)
        sameLetter = sameLetter && lower(c) == first;
    if (sameLetter) {
        const PartKind kind = first == 'h'   ? PartKind::ElapsedHours
                              : first == 'm' ? PartKind::ElapsedMinutes
                                             : PartKind::ElapsedSeconds;
        add(section, kind, inside, inside.size());
    } else if (first == '<' || first == '>' || first == '=') {
        parseCondition(inside, section.condition);
    } else if (first == '$') {
        const std::string_view symbol = inside.substr(1, inside.find('-') - 1);
        if (!symbol.empty()) add(section, PartKind::Literal, symbol);
    }
    return close + 1;
}

// A run of one date letter ("yyyy", "mmm", "aaaa"), or the letter shown as text when it means nothing.
size_t lexLetters(std::string_view code, size_t pos, FormatSection& section) {
    const char letter = lower(code[pos]);
    size_t end = pos;
    while (end < code.size() && lower(code[end]) == letter)
        ++end;
    const size_t width = end - pos;
    const std::string_view text = code.substr(pos, width);
    switch (letter) {
    case 'y':
        add(section, PartKind::Year, text, width <= 2 ? 2 : 4);
        break;
    case 'e':
        add(section, PartKind::Year, text, 4);
        break;
    case 'b':
        add(section, PartKind::BuddhistYear, text, width <= 2 ? 2 : 4);
        break;
    case 'g':
        add(section, PartKind::Era, text, width);
        break;
    case 'm':
        add(section, PartKind::Month, text, width);
        break;
    case 'd':
        add(section, PartKind::Day, text, width);
        break;
    case 'h':
        add(section, PartKind::Hour, text, width);
        break;
    case 's':
        add(section, PartKind::Second, text, width);
        break;
    case 'a':
        if (width >= 3)
            add(section, PartKind::Weekday, text, width);
        else
            add(section, PartKind::Literal, text);
        break;
    default:
        add(section, PartKind::Literal, text);
        break;
    }
    return end;
}

// Lexes the part starting at pos; returns where the next one starts.
size_t lexPart(std::string_view code, size_t pos, FormatSection& section) {
    const char c = code[pos];
    const size_t next = codePointLength(code, pos + 1);
    switch (c) {
    case '"': {
        const size_t close = std::min(code.find('"', pos + 1), code.size());
        add(section, PartKind::Literal, code.substr(pos + 1, close - pos - 1));
        return std::min(close + 1, code.size());
    }
    case '\\':
        add(section, PartKind::Literal, code.substr(pos + 1, next));
        return pos + 1 + next;
    case '_':
        add(section, PartKind::Literal, " ");
        return pos + 1 + next; // room as wide as the next character
    case '*':
        return pos + 1 + next; // fill to the column width: no width here
    case '[':
        return lexBracket(code, pos, section);
    case '0':
    case '#':
    case '?':
        add(section, PartKind::Digit, code.substr(pos, 1));
        return pos + 1;
    case '.':
        add(section, PartKind::Point, ".");
        return pos + 1;
    case ',':
        add(section, PartKind::Group, ",");
        return pos + 1; // told apart from scaling once the section is read
    case '%':
        add(section, PartKind::Percent, "%");
        return pos + 1;
    case '/':
        add(section, PartKind::Slash, "/");
        return pos + 1;
    case '@':
        add(section, PartKind::TextValue, "@");
        return pos + 1;
    default:
        break;
    }
    for (std::string_view general : {std::string_view("General"), kChineseGeneral}) {
        if (startsWithNoCase(code, pos, general)) {
            add(section, PartKind::General, general);
            return pos + general.size();
        }
    }
    for (std::string_view designators : {std::string_view("AM/PM"), std::string_view("A/P"), kChineseAmPm}) {
        if (startsWithNoCase(code, pos, designators)) {
            add(section, PartKind::AmPm, code.substr(pos, designators.size()));
            return pos + designators.size();
        }
    }
    if ((c == 'E' || c == 'e') && pos + 1 < code.size() && (code[pos + 1] == '+' || code[pos + 1] == '-')) {
        add(section, PartKind::Exponent, code.substr(pos, 2));
        return pos + 2;
    }
    if (std::string_view("ymdhsebga").find(lower(c)) != std::string_view::npos) return lexLetters(code, pos, section);
    const size_t length = codePointLength(code, pos);
    add(section, PartKind::Literal, code.substr(pos, length));
    return pos + length;
}

// The nearest date or time part before (step -1) or after (step +1) index i.
PartKind nearestDatePart(const std::vector<FormatPart>& parts, size_t i, int step) {
    for (size_t j = i + step; j < parts.size(); j += step)
        if (isDateKind(parts[j].kind)) return parts[j].kind;
    return PartKind::Literal;
}

void finishDate(FormatSection& section) {
    auto& parts = section.parts;
    for (size_t i = 0; i < parts.size(); ++i) {
        FormatPart& part = parts[i];
        if (part.kind == PartKind::Month && part.width <= 2) {
            // "m" right after hours or right before seconds means minutes.
            const PartKind before = nearestDatePart(parts, i, -1);
            const PartKind after = nearestDatePart(parts, i, +1);
            if (before == PartKind::Hour || before == PartKind::ElapsedHours || after == PartKind::Second ||
                after == PartKind::ElapsedSeconds)
                part.kind = PartKind::Minute;
        } else if (part.kind == PartKind::AmPm) {
            section.twelveHour = true;
        } else if (part.kind == PartKind::Point && i + 1 < parts.size() && parts[i + 1].kind == PartKind::Digit &&
                   parts[i + 1].text == "0") {
            const PartKind before = nearestDatePart(parts, i, -1);
            if (before != PartKind::Second && before != PartKind::ElapsedSeconds) continue;
            size_t zeros = 0;
            while (i + 1 + zeros < parts.size() && zeros < 3 && parts[i + 1 + zeros].kind == PartKind::Digit &&
                   parts[i + 1 + zeros].text == "0")
                ++zeros;
            part = {PartKind::SubSecond, uint8_t(zeros), "." + std::string(zeros, '0')};
            parts.erase(parts.begin() + std::ptrdiff_t(i + 1), parts.begin() + std::ptrdiff_t(i + 1 + zeros));
            section.subSecondDigits = std::max(section.subSecondDigits, int(zeros));
        }
    }
    for (FormatPart& part : parts)
        if (!isDateKind(part.kind) && part.kind != PartKind::General && part.kind != PartKind::TextValue)
            part.kind = PartKind::Literal;
}

bool isFractionSlash(const std::vector<FormatPart>& parts, size_t i) {
    bool digitBefore = false;
    for (size_t j = 0; j < i; ++j)
        digitBefore = digitBefore || parts[j].kind == PartKind::Digit;
    if (!digitBefore || i + 1 >= parts.size()) return false;
    const FormatPart& after = parts[i + 1];
    return after.kind == PartKind::Digit ||
           (after.kind == PartKind::Literal && after.text[0] >= '1' && after.text[0] <= '9');
}

// Placeholders by region, and each comma as thousands separator, scaling by 1000, or plain text.
void finishNumber(FormatSection& section) {
    auto& parts = section.parts;
    enum Region { Integer, Fraction, Exponent };
    std::vector<Region> regions(parts.size());
    Region region = Integer;
    for (size_t i = 0; i < parts.size(); ++i) {
        FormatPart& part = parts[i];
        if (part.kind == PartKind::Point && region == Integer && !section.fraction) {
            region = Fraction;
        } else if (part.kind == PartKind::Exponent && region != Exponent && !section.fraction) {
            region = Exponent;
            section.scientific = true;
        } else if (part.kind == PartKind::Slash && !section.fraction && isFractionSlash(parts, i)) {
            section.fraction = true;
        } else if (part.kind == PartKind::Digit) {
            std::string& placeholders = region == Integer    ? section.intPlaceholders
                                        : region == Fraction ? section.fracPlaceholders
                                                             : section.expPlaceholders;
            placeholders += part.text;
        } else if (part.kind == PartKind::Percent) {
            section.scalePower += 2;
        } else if (part.kind == PartKind::Point || part.kind == PartKind::Exponent || part.kind == PartKind::Slash) {
            part.kind = PartKind::Literal;
        }
        regions[i] = region;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].kind != PartKind::Group) continue;
        size_t before = i;
        while (before > 0 && (parts[before - 1].kind == PartKind::Group || parts[before - 1].kind == PartKind::Scale))
            --before;
        size_t after = i;
        while (after < parts.size() && parts[after].kind == PartKind::Group)
            ++after;
        const bool digitBefore = before > 0 && parts[before - 1].kind == PartKind::Digit;
        const bool digitAfter = after < parts.size() && parts[after].kind == PartKind::Digit;
        if (digitBefore && digitAfter && regions[i] == Integer && regions[after] == Integer) {
            section.grouping = true;
        } else if (digitBefore && !digitAfter && regions[i] != Exponent) {
            parts[i].kind = PartKind::Scale;
            section.scalePower -= 3;
        } else {
            parts[i].kind = PartKind::Literal;
        }
    }
}

void finishSection(FormatSection& section) {
    for (const FormatPart& part : section.parts) {
        section.hasText = section.hasText || part.kind == PartKind::TextValue;
        section.isDate = section.isDate || isDateKind(part.kind);
    }
    if (section.isDate)
        finishDate(section);
    else
        finishNumber(section);
}

} // namespace

bool Condition::holdsFor(double value) const {
    switch (op) {
    case Op::None:
        return true;
    case Op::Less:
        return value < operand;
    case Op::LessEqual:
        return value <= operand;
    case Op::Greater:
        return value > operand;
    case Op::GreaterEqual:
        return value >= operand;
    case Op::Equal:
        return value == operand;
    case Op::NotEqual:
        return value != operand;
    }
    return true;
}

FormatCode parseFormatCode(std::string_view code) {
    FormatCode format;
    format.sections.emplace_back();
    size_t pos = 0;
    while (pos < code.size()) {
        if (code[pos] == ';') {
            format.sections.emplace_back();
            ++pos;
        } else {
            pos = lexPart(code, pos, format.sections.back());
        }
    }
    for (FormatSection& section : format.sections)
        finishSection(section);
    return format;
}

} // namespace tabrix::engine::numfmt
