#include "engine/text/TextValue.h"

#include <algorithm>

#include <charconv>
#include <cstdint>
#include <string>

namespace tabrix::engine::text {

namespace {
constexpr int kMaxNumberDigits = 15; // beyond this a spreadsheet number loses digits

std::string_view trimSpaces(std::string_view t) {
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    return t;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Scans a number "[+-]digits[,ddd...][.digits][e[+-]digits]" and writes it without separators into plain.
// grouped tells whether thousands separators were used; decimals counts the digits after the point.
bool scanNumber(std::string_view t, std::string& plain, bool& grouped, int& decimals) {
    size_t i = 0;
    plain.clear();
    grouped = false;
    decimals = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') plain += '-';
        ++i;
    }
    size_t intDigits = 0;
    int groupDigits = 0;
    while (i < t.size()) {
        if (isDigit(t[i])) {
            if (intDigits == 1 && plain.back() == '0') return false; // "05" keeps its zero as text
            plain += t[i++];
            ++groupDigits, ++intDigits;
        } else if (t[i] == ',' && groupDigits > 0 && (grouped ? groupDigits == 3 : groupDigits <= 3) &&
                   i + 1 < t.size() && isDigit(t[i + 1])) {
            grouped = true;
            groupDigits = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3) return false;
    if (intDigits > size_t(kMaxNumberDigits)) return false;
    if (i < t.size() && t[i] == '.') {
        plain += t[i++];
        while (i < t.size() && isDigit(t[i]))
            plain += t[i++], ++decimals;
    }
    if (intDigits == 0 && decimals == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E') && !grouped) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) exp += t[j++];
        if (j >= t.size() || !isDigit(t[j])) return false;
        while (j < t.size() && isDigit(t[j]))
            exp += t[j++];
        plain += exp;
        i = j;
    }
    return i == t.size();
}

// The common case, "-123" or "45.67", read straight from the text; nullopt sends anything else the long way.
std::optional<double> plainDecimal(std::string_view t) {
    size_t i = t.front() == '-' ? 1 : 0;
    const size_t start = i;
    size_t intDigits = 0;
    while (i < t.size() && isDigit(t[i]))
        ++i, ++intDigits;
    if (intDigits == 0 || intDigits > size_t(kMaxNumberDigits) || (intDigits > 1 && t[start] == '0'))
        return std::nullopt;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i]))
            ++i;
    }
    if (i != t.size()) return std::nullopt;
    double v = 0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

std::optional<double> toDouble(const std::string& plain) {
    double v = 0;
    auto res = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size()) return std::nullopt;
    return v;
}

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool readInt(std::string_view& t, int minDigits, int maxDigits, int& out) {
    int n = 0;
    out = 0;
    while (n < maxDigits && n < int(t.size()) && isDigit(t[size_t(n)]))
        out = out * 10 + (t[size_t(n)] - '0'), ++n;
    if (n < minDigits) return false;
    t.remove_prefix(size_t(n));
    return true;
}

int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool validDay(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

// "h:mm", "h:mm:ss", "h:mm:ss.fff" → fraction of a day; secondsShown says whether seconds were written.
std::optional<double> timeOfDay(std::string_view t, bool& secondsShown) {
    int h = 0, mi = 0, s = 0;
    if (!readInt(t, 1, 2, h) || t.empty() || t.front() != ':') return std::nullopt;
    t.remove_prefix(1);
    if (!readInt(t, 2, 2, mi)) return std::nullopt;
    double frac = 0;
    secondsShown = false;
    if (!t.empty() && t.front() == ':') {
        t.remove_prefix(1);
        if (!readInt(t, 2, 2, s)) return std::nullopt;
        secondsShown = true;
        if (!t.empty() && t.front() == '.') {
            t.remove_prefix(1);
            double scale = 0.1;
            while (!t.empty() && isDigit(t.front()))
                frac += (t.front() - '0') * scale, scale /= 10, t.remove_prefix(1);
        }
    }
    if (!t.empty() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    return (h * 3600 + mi * 60 + s + frac) / 86400.0;
}

std::optional<ErrorCode> errorLiteral(std::string_view t) {
    if (t.empty() || t.front() != '#') return std::nullopt;
    return errorFromText(t);
}
} // namespace

std::optional<double> dateTimeSerial(std::string_view t, std::string_view& format) {
    bool seconds = false;
    if (t.size() <= 12 && t.find(':') != std::string_view::npos && t.find('-') == std::string_view::npos &&
        t.find('/') == std::string_view::npos) {
        auto time = timeOfDay(t, seconds);
        if (time) format = seconds ? "h:mm:ss" : "h:mm";
        return time;
    }
    int y = 0, m = 0, d = 0;
    std::string_view rest = t;
    if (!readInt(rest, 4, 4, y) || rest.empty() || (rest.front() != '-' && rest.front() != '/')) return std::nullopt;
    const char sep = rest.front();
    rest.remove_prefix(1);
    if (!readInt(rest, 1, 2, m) || rest.empty() || rest.front() != sep) return std::nullopt;
    rest.remove_prefix(1);
    if (!readInt(rest, 1, 2, d) || !validDay(y, m, d) || y < 1900 || y > 9999) return std::nullopt;
    double serial = double(daysFromCivil(y, m, d) - daysFromCivil(1899, 12, 30));
    if (serial < 61) serial -= 1; // the 1900 system's 29 February that never was
    if (rest.empty()) {
        format = "yyyy/m/d";
        return serial;
    }
    if (rest.front() != ' ' && rest.front() != 'T') return std::nullopt;
    rest.remove_prefix(1);
    auto time = timeOfDay(rest, seconds);
    if (!time) return std::nullopt;
    format = seconds ? "yyyy/m/d h:mm:ss" : "yyyy/m/d h:mm";
    return serial + *time;
}

TypedText typeText(std::string_view text) {
    TypedText out;
    const std::string_view t = trimSpaces(text);
    if (t.empty()) return out;
    out.format = "General";
    const char first = t.front();
    if (isDigit(first) || first == '-' || first == '+' || first == '.') {
        // Identity-card and account numbers: more digits than a number keeps, and no date either.
        if (t.size() > size_t(kMaxNumberDigits) && std::all_of(t.begin(), t.end(), isDigit)) {
            out.type = CellType::Text;
            return out;
        }
        // "2024-05-13" and "2024/5/13": four digits and a date separator are no number, so straight to the date.
        const bool dateLike = t.size() >= 6 && isDigit(t[0]) && isDigit(t[1]) && isDigit(t[2]) && isDigit(t[3]) &&
                              (t[4] == '-' || t[4] == '/');
        if (!dateLike) {
            if (auto v = plainDecimal(t)) {
                out.type = CellType::Number;
                out.number = *v;
                return out;
            }
        }
        thread_local std::string plain;
        bool grouped = false;
        int decimals = 0;
        const bool percent = t.back() == '%';
        std::string_view body = percent ? trimSpaces(t.substr(0, t.size() - 1)) : t;
        if (!dateLike && scanNumber(body, plain, grouped, decimals)) {
            // "41.09%" is 41.09e-2, read in one rounding (dividing by 100 would give 0.41090000000000004).
            if (percent && plain.find('e') == std::string::npos) plain += "e-2";
            if (auto v = toDouble(plain)) {
                out.type = CellType::Number;
                out.number = *v;
                if (percent)
                    out.format = decimals > 0 ? "0.00%" : "0%";
                else if (grouped)
                    out.format = decimals > 0 ? "#,##0.00" : "#,##0";
                return out;
            }
        }
        if (isDigit(first)) {
            std::string_view format;
            if (auto serial = dateTimeSerial(t, format)) {
                out.type = CellType::Number;
                out.number = *serial;
                out.format = format;
                return out;
            }
        }
    } else if (sameNoCase(t, "TRUE") || sameNoCase(t, "FALSE")) {
        out.type = CellType::Boolean;
        out.boolean = t.size() == 4;
        return out;
    } else if (auto error = errorLiteral(t)) {
        out.type = CellType::Error;
        out.error = *error;
        return out;
    }
    out.type = CellType::Text;
    return out;
}

std::optional<std::string> namedFormatCode(std::string_view name) {
    static const std::pair<std::string_view, std::string_view> names[] = {{"General", "General"},
                                                                          {"General Number", "General"},
                                                                          {"Fixed", "0.00"},
                                                                          {"Standard", "#,##0.00"},
                                                                          {"Percent", "0.00%"},
                                                                          {"Scientific", "0.00E+00"},
                                                                          {"Short Date", "yyyy/m/d"},
                                                                          {"Medium Date", "dd-mmm-yy"},
                                                                          {"Long Date", "yyyy\"年\"m\"月\"d\"日\""},
                                                                          {"General Date", "yyyy/m/d h:mm"},
                                                                          {"Short Time", "h:mm"},
                                                                          {"Medium Time", "h:mm AM/PM"},
                                                                          {"Long Time", "h:mm:ss"},
                                                                          {"Currency", "\"¥\"#,##0.00"},
                                                                          {"Euro Currency", "[$€-2] #,##0.00"},
                                                                          {"Yes/No", "\"Yes\";\"Yes\";\"No\""},
                                                                          {"True/False", "\"True\";\"True\";\"False\""},
                                                                          {"On/Off", "\"On\";\"On\";\"Off\""},
                                                                          {"0%", "0%"}};
    for (const auto& [n, code] : names)
        if (sameNoCase(name, n)) return std::string(code);
    return std::nullopt;
}

} // namespace tabrix::engine::text
