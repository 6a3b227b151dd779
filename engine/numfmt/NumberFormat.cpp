#include "engine/numfmt/NumberFormat.h"

#include "engine/numfmt/FormatCode.h"
#include "engine/numfmt/GeneralFormat.h"
#include "engine/numfmt/SectionRender.h"

#include <cmath>
#include <functional>
#include <unordered_map>

namespace tabrix::engine::numfmt {

namespace {

// Built-in formats as a Chinese (PRC) installation shows them: ids with no format code in the file.
std::string_view builtinCode(uint32_t id) {
    switch (id) {
    case 0:
        return "General";
    case 1:
        return "0";
    case 2:
        return "0.00";
    case 3:
        return "#,##0";
    case 4:
        return "#,##0.00";
    case 5:
        return R"("¥"#,##0;"¥"\-#,##0)";
    case 6:
        return R"("¥"#,##0;[Red]"¥"\-#,##0)";
    case 7:
        return R"("¥"#,##0.00;"¥"\-#,##0.00)";
    case 8:
        return R"("¥"#,##0.00;[Red]"¥"\-#,##0.00)";
    case 9:
        return "0%";
    case 10:
        return "0.00%";
    case 11:
        return "0.00E+00";
    case 12:
        return "# ?/?";
    case 13:
        return "# ?\?/??"; // "?\?" keeps the compiler from reading a trigraph
    case 14:
        return "yyyy/m/d";
    case 15:
        return "d-mmm-yy";
    case 16:
        return "d-mmm";
    case 17:
        return "mmm-yy";
    case 18:
        return "h:mm AM/PM";
    case 19:
        return "h:mm:ss AM/PM";
    case 20:
        return "h:mm";
    case 21:
        return "h:mm:ss";
    case 22:
        return "yyyy/m/d h:mm";
    case 27:
        return R"(yyyy"年"m"月")";
    case 28:
        return R"(m"月"d"日")";
    case 29:
        return R"(m"月"d"日")";
    case 30:
        return "m-d-yy";
    case 31:
        return R"(yyyy"年"m"月"d"日")";
    case 32:
        return R"(h"时"mm"分")";
    case 33:
        return R"(h"时"mm"分"ss"秒")";
    case 34:
        return R"(上午/下午h"时"mm"分")";
    case 35:
        return R"(上午/下午h"时"mm"分"ss"秒")";
    case 36:
        return R"(yyyy"年"m"月")";
    case 37:
        return "#,##0 ;(#,##0)";
    case 38:
        return "#,##0 ;[Red](#,##0)";
    case 39:
        return "#,##0.00;(#,##0.00)";
    case 40:
        return "#,##0.00;[Red](#,##0.00)";
    case 41:
        return R"(_ * #,##0_ ;_ * \-#,##0_ ;_ * "-"_ ;_ @_ )";
    case 42:
        return R"(_ "¥"* #,##0_ ;_ "¥"* \-#,##0_ ;_ "¥"* "-"_ ;_ @_ )";
    case 43:
        return R"(_ * #,##0.00_ ;_ * \-#,##0.00_ ;_ * "-"??_ ;_ @_ )";
    case 44:
        return R"(_ "¥"* #,##0.00_ ;_ "¥"* \-#,##0.00_ ;_ "¥"* "-"??_ ;_ @_ )";
    case 45:
        return "mm:ss";
    case 46:
        return "[h]:mm:ss";
    case 47:
        return "mmss.0";
    case 48:
        return "##0.0E+0";
    case 49:
        return "@";
    case 50:
        return R"(yyyy"年"m"月")";
    case 51:
        return R"(m"月"d"日")";
    case 52:
        return R"(yyyy"年"m"月")";
    case 53:
        return R"(m"月"d"日")";
    case 54:
        return R"(m"月"d"日")";
    case 55:
        return R"(上午/下午h"时"mm"分")";
    case 56:
        return R"(上午/下午h"时"mm"分"ss"秒")";
    case 57:
        return R"(yyyy"年"m"月")";
    case 58:
        return R"(m"月"d"日")";
    default:
        return {};
    }
}

struct CodeHash {
    using is_transparent = void;
    size_t operator()(std::string_view code) const { return std::hash<std::string_view>{}(code); }
};

// Workbooks use a handful of codes for millions of cells, so each code is parsed once per thread.
const FormatCode& parsed(std::string_view code) {
    thread_local std::unordered_map<std::string, FormatCode, CodeHash, std::equal_to<>> cache;
    auto it = cache.find(code);
    if (it != cache.end()) return it->second;
    if (cache.size() >= 1024) cache.clear();
    return cache.emplace(std::string(code), parseFormatCode(code)).first->second;
}

bool isGeneralCode(std::string_view code) {
    if (code.empty()) return true;
    if (code.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i)
        if ((code[i] | 0x20) != "general"[i]) return false;
    return true;
}

// The text section is the fourth, or the last of fewer when it holds "@"; -1 when there is none.
int textSectionIndex(const FormatCode& format) {
    const int count = int(format.sections.size());
    if (count >= 4) return 3;
    return format.sections.back().hasText ? count - 1 : -1;
}

int numberSectionCount(const FormatCode& format) {
    const int text = textSectionIndex(format);
    return text >= 0 ? text : std::min(int(format.sections.size()), 3);
}

struct Choice {
    const FormatSection* section = nullptr; // null: show as General
    bool minus = false;                     // the section shows the magnitude and a "-" goes before it
};

// A second section whose condition admits only negative numbers shows them without a sign, as an
// unconditional second section does.
bool meantForNegatives(const Condition& condition) {
    using Op = Condition::Op;
    return condition.op == Op::None || ((condition.op == Op::Less && condition.operand <= 0) ||
                                        (condition.op == Op::LessEqual && condition.operand < 0));
}

Choice chooseSection(const FormatCode& format, double value) {
    const int count = numberSectionCount(format);
    if (count == 0) return {};
    const auto& s = format.sections;
    const bool conditional =
        s[0].condition.op != Condition::Op::None || (count > 1 && s[1].condition.op != Condition::Op::None);
    if (!conditional) {
        if (count == 1 || value > 0 || (value == 0 && count == 2)) return {&s[0], value < 0};
        return value < 0 ? Choice{&s[1], false} : Choice{&s[2], false};
    }
    const bool first = s[0].condition.op != Condition::Op::None ? s[0].condition.holdsFor(value)
                                                                : (count >= 3 ? value > 0 : value >= 0);
    if (first) return {&s[0], value < 0};
    if (count >= 2) {
        const bool second =
            s[1].condition.op != Condition::Op::None ? s[1].condition.holdsFor(value) : (count >= 3 ? value < 0 : true);
        if (second) return {&s[1], value < 0 && !meantForNegatives(s[1].condition)};
    }
    // Nothing matched: the third section if any, else the first, rather than no text at all.
    return {&s[count >= 3 ? 2 : 0], value < 0};
}

} // namespace

bool isGeneralFormat(std::string_view code) {
    return isGeneralCode(code);
}

std::string builtinFormat(uint32_t id) {
    return std::string(builtinCode(id));
}

bool isDateFormat(std::string_view code) {
    if (isGeneralCode(code)) return false;
    const FormatCode& format = parsed(code);
    const int count = numberSectionCount(format);
    for (int i = 0; i < count; ++i)
        if (format.sections[size_t(i)].isDate) return true;
    return false;
}

std::string formatNumber(double value, std::string_view code, bool date1904) {
    if (!std::isfinite(value)) return "#NUM!";
    if (value == 0) value = 0; // no "-0" from a negative zero
    if (isGeneralCode(code)) return formatGeneral(value);
    const Choice choice = chooseSection(parsed(code), value);
    if (!choice.section) return formatGeneral(value);
    const FormatSection& section = *choice.section;
    if (section.isDate) return renderDateSection(section, choice.minus ? value : std::fabs(value), date1904);
    const double magnitude = std::fabs(value);
    std::string body =
        section.fraction ? renderFractionSection(section, magnitude) : renderNumberSection(section, magnitude);
    return choice.minus ? "-" + body : body;
}

std::string formatText(std::string_view text, std::string_view code) {
    if (isGeneralCode(code)) return std::string(text);
    const FormatCode& format = parsed(code);
    const int index = textSectionIndex(format);
    if (index < 0) return std::string(text);
    std::string out;
    for (const FormatPart& part : format.sections[size_t(index)].parts) {
        if (part.kind == PartKind::TextValue || part.kind == PartKind::General)
            out += text;
        else
            out += part.text;
    }
    return out;
}

} // namespace tabrix::engine::numfmt
