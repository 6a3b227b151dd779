#include "engine/xlsx/XmlText.h"
#include "engine/model/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tabrix::engine::xlsx {

const char* findAttr(const char** atts, std::string_view local) {
    for (; *atts; atts += 2)
        if (localName(atts[0]) == local) return atts[1];
    return nullptr;
}

std::string_view trimSpace(std::string_view text) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<int64_t> parseInt(std::string_view text) {
    text = trimSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> parseDouble(std::string_view text) {
    text = trimSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool parseBool(const char* text, bool fallback) {
    if (!text) return fallback;
    std::string_view t = trimSpace(text);
    if (t == "1" || t == "true") return true;
    if (t == "0" || t == "false") return false;
    return fallback;
}

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of "_xHHHH_" at pos, or -1.
int escapeAt(const std::string& s, size_t pos) {
    if (pos + 7 > s.size() || s[pos] != '_' || s[pos + 1] != 'x' || s[pos + 6] != '_') return -1;
    int v = 0;
    for (size_t i = pos + 2; i < pos + 6; ++i) {
        int h = hexValue(s[i]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

} // namespace

void decodeEscapes(std::string& text) {
    if (text.find("_x") == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        int unit = escapeAt(text, i);
        if (unit < 0) {
            out += text[i++];
            continue;
        }
        i += 7;
        uint32_t cp = uint32_t(unit);
        if (cp >= 0xD800 && cp < 0xDC00) {
            int low = escapeAt(text, i);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + uint32_t(low - 0xDC00);
                i += 7;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xDC00 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    text = std::move(out);
}

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

bool readDigits(std::string_view& t, size_t count, int& out) {
    if (t.size() < count) return false;
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        out = out * 10 + (t[i] - '0');
    }
    t.remove_prefix(count);
    return true;
}

bool eat(std::string_view& t, char c) {
    if (t.empty() || t.front() != c) return false;
    t.remove_prefix(1);
    return true;
}

// "HH:MM[:SS[.fff]]" as a fraction of a day; the zone suffix is ignored as the application ignores it.
std::optional<double> timeFraction(std::string_view t) {
    int h = 0, m = 0, s = 0;
    if (!readDigits(t, 2, h) || !eat(t, ':') || !readDigits(t, 2, m)) return std::nullopt;
    double seconds = 0;
    if (eat(t, ':')) {
        if (!readDigits(t, 2, s)) return std::nullopt;
        seconds = s;
        if (eat(t, '.')) {
            double scale = 0.1;
            while (!t.empty() && t.front() >= '0' && t.front() <= '9') {
                seconds += (t.front() - '0') * scale;
                scale /= 10;
                t.remove_prefix(1);
            }
        }
    }
    if (h > 24 || m > 59 || s > 60) return std::nullopt;
    return (h * 3600.0 + m * 60.0 + seconds) / 86400.0;
}
} // namespace

std::optional<double> isoDateSerial(std::string_view text, bool date1904) {
    std::string_view t = trimSpace(text);
    double serial = 0;
    // A time alone ("10:10:10") is a fraction of a day, as "T10:10:10" is.
    const bool timeOnly = t.size() >= 3 && t[2] == ':';
    if (!t.empty() && t.front() != 'T' && !timeOnly) {
        int y = 0, mo = 0, d = 0;
        if (!readDigits(t, 4, y) || !eat(t, '-') || !readDigits(t, 2, mo) || !eat(t, '-') || !readDigits(t, 2, d))
            return std::nullopt;
        if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
        int64_t days = daysFromCivil(y, unsigned(mo), unsigned(d));
        if (date1904) {
            serial = double(days - daysFromCivil(1904, 1, 1));
        } else {
            // The 1900 system counts a 29 February 1900 that never was, so dates before March are one lower.
            serial = double(days - daysFromCivil(1899, 12, 30));
            if (serial < 61) serial -= 1;
        }
        if (t.empty()) return serial;
    }
    // Writers separate date and time by "T" as the standard says, or by a space.
    if (!timeOnly && !eat(t, 'T') && !eat(t, ' ')) return std::nullopt;
    auto fraction = timeFraction(t);
    if (!fraction) return std::nullopt;
    return serial + *fraction;
}

} // namespace tabrix::engine::xlsx
