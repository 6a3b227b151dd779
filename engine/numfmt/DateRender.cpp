#include "engine/numfmt/SectionRender.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace tabrix::engine::numfmt {

namespace {

constexpr int64_t kFirstSerialPastYear9999 = 2958466; // 10000-01-01
constexpr int64_t kDays1900To1904 = 1462;             // serial 0 of the 1904 system is 1904-01-01

constexpr std::string_view kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
constexpr std::string_view kDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr std::string_view kChineseDays[7] = {"日", "一", "二", "三", "四", "五", "六"};

struct DateTime {
    int64_t year = 1900;
    int month = 1;
    int day = 0;
    int weekday = 0; // 0 is Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int64_t subUnits = 0; // fraction of the second in units of 10^-subSecondDigits
    int64_t totalSeconds = 0;
};

// Civil date of a day count from 1970-01-01 (proleptic Gregorian calendar).
void civilFromDays(int64_t z, DateTime& t) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = yoe + era * 400 + (t.month <= 2 ? 1 : 0);
}

// Serial 1 is 1900-01-01 and serial 60 is 1900-02-29, a day that never was but that every spreadsheet keeps
// for compatibility; serial 0 shows as 1900-01-00.
void dateOfSerial(int64_t serial, DateTime& t) {
    if (serial == 0) {
        t.year = 1900, t.month = 1, t.day = 0;
    } else if (serial == 60) {
        t.year = 1900, t.month = 2, t.day = 29;
    } else {
        civilFromDays(serial - (serial < 60 ? 25568 : 25569), t);
    }
    t.weekday = int((serial + 6) % 7);
}

std::string padded(int64_t value, size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string yearText(int64_t year, int width) {
    return width <= 2 ? padded(year % 100, 2) : padded(year, 4);
}

std::string monthText(int month, int width) {
    const std::string_view name = kMonths[month - 1];
    switch (width) {
    case 1:
        return std::to_string(month);
    case 2:
        return padded(month, 2);
    case 3:
        return std::string(name.substr(0, 3));
    case 5:
        return std::string(name.substr(0, 1));
    default:
        return std::string(name);
    }
}

std::string dayText(const DateTime& t, int width) {
    switch (width) {
    case 1:
        return std::to_string(t.day);
    case 2:
        return padded(t.day, 2);
    case 3:
        return std::string(kDays[t.weekday].substr(0, 3));
    default:
        return std::string(kDays[t.weekday]);
    }
}

// "AM/PM", "a/p", "上午/下午": the designator before the slash for the morning, after it for the afternoon.
std::string amPmText(std::string_view designators, int hour) {
    const size_t slash = designators.find('/');
    return std::string(hour < 12 ? designators.substr(0, slash) : designators.substr(slash + 1));
}

std::string partText(const FormatSection& section, const FormatPart& part, const DateTime& t) {
    const int width = part.width;
    switch (part.kind) {
    case PartKind::Year:
        return yearText(t.year, width);
    case PartKind::BuddhistYear:
        return yearText(t.year + 543, width);
    case PartKind::Era:
        return {};
    case PartKind::Month:
        return monthText(t.month, width);
    case PartKind::Day:
        return dayText(t, width);
    case PartKind::Minute:
        return width == 1 ? std::to_string(t.minute) : padded(t.minute, 2);
    case PartKind::Second:
        return width == 1 ? std::to_string(t.second) : padded(t.second, 2);
    case PartKind::Hour: {
        const int hour = section.twelveHour ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;
        return width == 1 ? std::to_string(hour) : padded(hour, 2);
    }
    case PartKind::SubSecond:
        return "." + padded(t.subUnits, size_t(section.subSecondDigits)).substr(0, size_t(width));
    case PartKind::AmPm:
        return amPmText(part.text, t.hour);
    case PartKind::ElapsedHours:
        return padded(t.totalSeconds / 3600, size_t(width));
    case PartKind::ElapsedMinutes:
        return padded(t.totalSeconds / 60, size_t(width));
    case PartKind::ElapsedSeconds:
        return padded(t.totalSeconds, size_t(width));
    case PartKind::Weekday:
        return width == 3 ? std::string(kChineseDays[t.weekday]) : "星期" + std::string(kChineseDays[t.weekday]);
    default:
        return part.text;
    }
}

} // namespace

std::string renderDateSection(const FormatSection& section, double serial, bool date1904) {
    if (!(serial >= 0) || serial >= double(kFirstSerialPastYear9999)) return kNotShowable;
    // Round to the smallest unit shown, so 0.9999999 shows as the next midnight and not as 23:59:60.
    int64_t unitsPerSecond = 1;
    for (int i = 0; i < section.subSecondDigits; ++i)
        unitsPerSecond *= 10;
    const int64_t units = std::llround(serial * 86400.0 * double(unitsPerSecond));
    const int64_t unitsPerDay = 86400 * unitsPerSecond;
    const int64_t day = units / unitsPerDay + (date1904 ? kDays1900To1904 : 0);
    if (day >= kFirstSerialPastYear9999) return kNotShowable;

    DateTime t;
    dateOfSerial(day, t);
    t.totalSeconds = units / unitsPerSecond;
    t.subUnits = units % unitsPerSecond;
    const int64_t secondOfDay = t.totalSeconds % 86400;
    t.hour = int(secondOfDay / 3600);
    t.minute = int(secondOfDay / 60 % 60);
    t.second = int(secondOfDay % 60);

    std::string out;
    for (const FormatPart& part : section.parts)
        out += partText(section, part, t);
    return out;
}

} // namespace tabrix::engine::numfmt
