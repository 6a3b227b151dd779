#include "engine/numfmt/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace tabrix::engine::numfmt;

namespace {

struct Case {
    double value;
    const char* code;
    const char* expected;
};

void expectTexts(const std::vector<Case>& cases, bool date1904 = false) {
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.code, date1904), c.expected) << c.value << " with " << c.code;
}

constexpr double kJan5th2024 = 45296; // a Friday
constexpr double kSecond = 1.0 / 86400;

} // namespace

TEST(NumberFormatGeneral, ShowsElevenCharactersAtMost) {
    expectTexts({
        {0, "General", "0"},
        {-0.0, "General", "0"},
        {1, "General", "1"},
        {-42, "General", "-42"},
        {12345678901, "General", "12345678901"},
        {123456789012, "General", "1.23457E+11"},
        {1234567890123, "General", "1.23457E+12"},
        {100000000000, "General", "1E+11"},
        {99999999999.5, "General", "1E+11"},
        {1234567890.5, "General", "1234567891"},
        {0.1 + 0.2, "General", "0.3"},
        {1.0 / 3, "General", "0.333333333"},
        {-2.0 / 3, "General", "-0.666666667"},
        {1234.5678901234, "General", "1234.56789"},
        {3.14159265358979, "General", "3.141592654"},
        {0.0001, "General", "0.0001"},
        {1.23456789e-5, "General", "1.23457E-05"},
        {1e-10, "General", "1E-10"},
        {1e-300, "General", "1E-300"},
        {1e300, "General", "1E+300"},
        {-1.5e20, "General", "-1.5E+20"},
        {2.5, "", "2.5"},
        {2.5, "GENERAL", "2.5"},
        {2.5, "G/通用格式", "2.5"},
        {-2.5, "[Red]General", "-2.5"},
    });
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN(), "0", false), "#NUM!");
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity(), "General", false), "#NUM!");
}

TEST(NumberFormatDigits, RoundsTheFifteenDigitDecimalHalfAwayFromZero) {
    expectTexts({
        {2.675, "0.00", "2.68"}, // the double is 2.67499999999999982236431605997495353221893310546875
        {1.005, "0.00", "1.01"},
        {0.5, "0", "1"},
        {2.5, "0", "3"},
        {-0.5, "0", "-1"},
        {0.125, "0.00", "0.13"},
        {999.995, "0.00", "1000.00"},
        {1234567890123456789.0, "0", "1234567890123460000"},
        {-0.001, "0.00", "-0.00"}, // the sign comes from the value, not from what rounding leaves
    });
}

TEST(NumberFormatDigits, PlaceholdersPointAndThousands) {
    expectTexts({
        {0, "0.00", "0.00"},
        {1234.5, "0", "1235"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {999.999, "#,##0.00", "1,000.00"},
        {-1234567, "#,##0", "-1,234,567"},
        {0.4, "#,##0", "0"},
        {0, "#,###", ""},
        {0.5, "#.##", ".5"},
        {1, "0.#", "1."},
        {12.5, ".00", "12.50"},
        {5, "000", "005"},
        {5, "00,000", "00,005"},
        {5551234, "000-0000", "555-1234"},
        {1.5, "0.0?", "1.5 "},
        {1.5, "??0.0", "  1.5"},
        {1234567, "#,##0,", "1,235"},
        {1234567, "0.0,,", "1.2"},
        {12345, "0,\"K\"", "12K"},
    });
}

TEST(NumberFormatDigits, PercentAndLiterals) {
    expectTexts({
        {0.5, "0%", "50%"},
        {0.075, "0%", "8%"}, // 0.075*100 in binary is 7.4999...; the decimal digits are shifted instead
        {0.12345, "0.00%", "12.35%"},
        {-0.1, "0%", "-10%"},
        {5, "0\" pcs\"", "5 pcs"},
        {5, "0\\k", "5k"},
        {5, "0_)", "5 "},
        {5, "**0", "5"},
        {-5, "\"$\"0", "-$5"},
        {1234, "_(\"$\"* #,##0_)", " $1,234 "},
        {1234.5, "[$¥-804]#,##0.00", "¥1,234.50"},
        {5, "[$-804]0", "5"},
        {5, "[Red]0.0", "5.0"},
        {5, "[Color10]0", "5"},
        {5, "0元", "5元"},
        {1234.5, "@", "1234.5"},
        {-1.5, "0.00;@", "-1.50"},
        {5, "\"Total: \"General", "Total: 5"},
    });
}

TEST(NumberFormatSections, PositiveNegativeZero) {
    expectTexts({
        {-1234.5, "#,##0.00;[Red](#,##0.00)", "(1,234.50)"},
        {-5, "#,##0;[Red]-#,##0", "-5"},
        {5, "0;(0)", "5"},
        {-5, "0;(0)", "(5)"},
        {0, "0;(0)", "0"},
        {0, "0;-0;\"zero\"", "zero"},
        {-5, "0;-0;\"zero\"", "-5"},
        {5, "0;;", "5"},
        {-5, "0;;", ""},
        {0, "0;;", ""},
        {-5, "0;0;0;@", "5"},
        {0, "#,##0;-#,##0;\"-\"", "-"},
        {-1234.5, "#,##0.00_ ;[Red]\\-#,##0.00\\ ", "-1,234.50 "},
        {1.5, "0.00_);[Red]\\(0.00\\)", "1.50 "},
        {-1.5, "0.00_);[Red]\\(0.00\\)", "(1.50)"},
    });
}

TEST(NumberFormatSections, Conditions) {
    expectTexts({
        {150, "[>=100]0.0;0", "150.0"},
        {50, "[>=100]0.0;0", "50"},
        {5551234, "[<=9999999]###-####;(###) ###-####", "555-1234"},
        {4155551234, "[<=9999999]###-####;(###) ###-####", "(415) 555-1234"},
        {50, "[Red][<=100]0;[Blue][>100]0.0", "50"},
        {150, "[Red][<=100]0;[Blue][>100]0.0", "150.0"},
        {-5, "[>0]0;[<0](0);\"nil\"", "(5)"},
        {0, "[>0]0;[<0](0);\"nil\"", "nil"},
    });
}

TEST(NumberFormatScientific, MantissaAndExponent) {
    expectTexts({
        {12345, "0.00E+00", "1.23E+04"},
        {0.00012345, "0.00E+00", "1.23E-04"},
        {-12345, "0.00E+00", "-1.23E+04"},
        {0, "0.00E+00", "0.00E+00"},
        {9.999, "0.00E+00", "1.00E+01"},
        {1e100, "0.00E+00", "1.00E+100"},
        {123456, "0.0E-0", "1.2E5"},
        {0.000123, "0.0E-0", "1.2E-4"},
        {12345, "##0.0E+0", "12.3E+3"},
        {0.012, "##0.0E+0", "12.0E-3"},
        {1234567, "##0.0E+0", "1.2E+6"},
    });
}

TEST(NumberFormatFractions, BestFractionForThePlaceholders) {
    expectTexts({
        {1.5, "# ?/?", "1 1/2"},
        {-1.5, "# ?/?", "-1 1/2"},
        {0.75, "# ?/?", " 3/4"},
        {M_PI, "# ?/?", "3 1/7"},
        {M_PI, "# ?\?/??", "3 14/99"},
        {0.1, "# ?\?/??", "  1/10"},
        {2, "# ?/?", "2    "},
        {1.25, "?/?", "5/4"},
        {0.5, "# ?/8", " 4/8"},
        {0.3, "# ?/10", " 3/10"},
    });
}

TEST(NumberFormatDates, DatePartsAndNames) {
    expectTexts({
        {kJan5th2024, "yyyy/m/d", "2024/1/5"},
        {kJan5th2024, "yyyy-mm-dd", "2024-01-05"},
        {kJan5th2024, "m/d/yyyy", "1/5/2024"},
        {kJan5th2024, "d-mmm-yy", "5-Jan-24"},
        {kJan5th2024, "mmmm d, yyyy", "January 5, 2024"},
        {kJan5th2024, "mmmmm", "J"},
        {kJan5th2024, "ddd dddd", "Fri Friday"},
        {kJan5th2024, "yy y yyy", "24 24 2024"},
        {kJan5th2024, "e", "2024"},
        {kJan5th2024, "bbbb", "2567"},
        {kJan5th2024 + 0.75, "yyyy/m/d h:mm", "2024/1/5 18:00"},
        {kJan5th2024, "yyyy/m/d;@", "2024/1/5"},
        {kJan5th2024, "[$-F800]dddd, mmmm dd, yyyy", "Friday, January 05, 2024"},
        {2958465, "yyyy/m/d", "9999/12/31"},
        {kJan5th2024 + 0.25, "d/m/yyyy hh:mm", "5/1/2024 06:00"},
    });
}

TEST(NumberFormatDates, LeapYearBugAndTheEdgesOfTheCalendar) {
    expectTexts({
        {0, "yyyy-mm-dd", "1900-01-00"},
        {1, "yyyy-mm-dd dddd", "1900-01-01 Sunday"},
        {59, "yyyy-mm-dd", "1900-02-28"},
        {60, "yyyy-mm-dd", "1900-02-29"},
        {61, "yyyy-mm-dd dddd", "1900-03-01 Thursday"},
        {25569, "yyyy-mm-dd", "1970-01-01"},
        {-1, "yyyy/m/d", "########"},
        {2958466, "yyyy/m/d", "########"},
        {2958465.9999999999, "yyyy/m/d", "########"},
        {-0.5, "h:mm", "########"},
    });
}

TEST(NumberFormatDates, TheDateSystemOf1904) {
    expectTexts(
        {
            {0, "yyyy-mm-dd", "1904-01-01"},
            {kJan5th2024 - 1462, "yyyy/m/d", "2024/1/5"},
            {kJan5th2024 - 1462, "aaaa", "星期五"},
            {1.5, "[h]:mm", "36:00"},
            {2958465 - 1462, "yyyy/m/d", "9999/12/31"},
            {2958466 - 1462, "yyyy/m/d", "########"},
        },
        true);
}

TEST(NumberFormatTimes, ClockTimes) {
    expectTexts({
        {0.75, "h:mm:ss", "18:00:00"},
        {0, "h:mm", "0:00"},
        {12.5 / 24, "hh:mm", "12:30"},
        {0.5, "h:mm AM/PM", "12:00 PM"},
        {0, "h:mm AM/PM", "12:00 AM"},
        {0.25, "hh:mm am/pm", "06:00 am"},
        {13.0 / 24, "h A/P", "1 P"},
        {60 * kSecond, "mm:ss", "01:00"},
        {kJan5th2024 + 0.6, "yyyy-mm-dd hh:mm:ss", "2024-01-05 14:24:00"},
        {0.99999999, "h:mm:ss", "0:00:00"},
        {kJan5th2024 + 0.99999999, "yyyy/m/d h:mm:ss", "2024/1/6 0:00:00"},
        {0.5 + 1.5 * kSecond, "hh:mm:ss.0", "12:00:01.5"},
        {0.5 + 1.25 * kSecond, "mm:ss.00", "00:01.25"},
        {0.5 + 1.26 * kSecond, "mmss.0", "0001.3"},
        {0.5 + 1.6 * kSecond, "h:mm:ss", "12:00:02"},
        {0.5, "h.0", "12.0"}, // ".0" only means tenths of a second after seconds
    });
}

TEST(NumberFormatTimes, ElapsedTime) {
    expectTexts({
        {1.5, "[h]:mm:ss", "36:00:00"},
        {2.5, "[mm]:ss", "3600:00"},
        {kSecond * 75, "[ss]", "75"},
        {0.25, "[hh]", "06"},
        {30 + 0.5 / 24, "[h]\"h\"mm", "720h30"},
    });
}

TEST(NumberFormatChinese, BuiltInAndCustomChineseFormats) {
    expectTexts({
        {kJan5th2024, "yyyy\"年\"m\"月\"d\"日\"", "2024年1月5日"},
        {kJan5th2024, "yyyy年m月d日", "2024年1月5日"},
        {kJan5th2024, "[DBNum1][$-804]yyyy\"年\"m\"月\";@", "2024年1月"},
        {kJan5th2024, "aaa", "五"},
        {kJan5th2024, "yyyy/m/d aaaa", "2024/1/5 星期五"},
        {0.6, "上午/下午h\"时\"mm\"分\"", "下午2时24分"},
        {0.25, "上午/下午h\"时\"mm\"分\"", "上午6时00分"},
        {0.6, "h\"时\"mm\"分\"ss\"秒\"", "14时24分00秒"},
        {1234.5, "\"¥\"#,##0.00;[红色]\"¥\"-#,##0.00", "¥1,234.50"},
        {-1234.5, "\"¥\"#,##0.00;[红色]\"¥\"-#,##0.00", "¥-1,234.50"},
    });
}

TEST(NumberFormatBuiltins, CodesOfTheBuiltInIds) {
    EXPECT_EQ(builtinFormat(0), "General");
    EXPECT_EQ(builtinFormat(4), "#,##0.00");
    EXPECT_EQ(builtinFormat(13), "# ?\?/??");
    EXPECT_EQ(builtinFormat(14), "yyyy/m/d");
    EXPECT_EQ(builtinFormat(22), "yyyy/m/d h:mm");
    EXPECT_EQ(builtinFormat(31), "yyyy\"年\"m\"月\"d\"日\"");
    EXPECT_EQ(builtinFormat(34), "上午/下午h\"时\"mm\"分\"");
    EXPECT_EQ(builtinFormat(49), "@");
    for (uint32_t id : {23u, 24u, 25u, 26u, 59u, 163u, 164u})
        EXPECT_EQ(builtinFormat(id), "") << id;
}

TEST(NumberFormatBuiltins, ExactlyTheDateIdsAreDates) {
    const std::set<uint32_t> dates = {14, 15, 16, 17, 18, 19, 20, 21, 22, 27, 28, 29, 30, 31, 32, 33,
                                      34, 35, 36, 45, 46, 47, 50, 51, 52, 53, 54, 55, 56, 57, 58};
    for (uint32_t id = 0; id <= 58; ++id) {
        const std::string code = builtinFormat(id);
        if (code.empty()) continue;
        EXPECT_EQ(isDateFormat(code), dates.count(id) == 1) << id << " " << code;
    }
}

TEST(NumberFormatBuiltins, ShowTheWayAChineseInstallationDoes) {
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {1, "1235"},     {3, "1,235"},      {9, "123450%"},      {11, "1.23E+03"}, {14, "1903/5/18"},
        {20, "12:00"},   {27, "1903年5月"}, {28, "5月18日"},     {32, "12时00分"}, {37, "1,235 "},
        {41, " 1,235 "}, {42, " ¥1,235 "},  {46, "29628:00:00"}, {48, "1.2E+3"},   {55, "下午12时00分"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(formatNumber(1234.5, builtinFormat(id), false), text) << id;
    EXPECT_EQ(formatNumber(-1234.5, builtinFormat(37), false), "(1,235)");
    EXPECT_EQ(formatNumber(-1234.5, builtinFormat(43), false), " -1,234.50 ");
    EXPECT_EQ(formatNumber(0, builtinFormat(41), false), " - ");
}

TEST(NumberFormatDetection, DateCodesAndLookalikes) {
    for (const char* code : {"yyyy/m/d", "h:mm", "[h]:mm:ss", "[mm]:ss", "[ss]", "mm:ss", "d-mmm", "AM/PM", "e", "bbbb",
                             "aaa", "上午/下午h\"时\"", "[$-804]yyyy", "[Red]yyyy", "yyyy/m/d;@", "0;yyyy"})
        EXPECT_TRUE(isDateFormat(code)) << code;
    for (const char* code :
         {"General", "0.00", "@", "#,##0;[Red]-#,##0", "\"day\"0", "0\\d", "0_h", "0*d", "[Red]0", "[>100]0",
          "[$-804]0", "[DBNum1]0", "0.00E+00", "0.0e+0", "\"年\"0", "G/通用格式", "", "[$¥-804]#,##0", "0;-0;0;\"d\"@"})
        EXPECT_FALSE(isDateFormat(code)) << code;
}

TEST(NumberFormatText, TheTextSection) {
    EXPECT_EQ(formatText("abc", "@"), "abc");
    EXPECT_EQ(formatText("abc", "General"), "abc");
    EXPECT_EQ(formatText("abc", "0.00"), "abc");
    EXPECT_EQ(formatText("abc", "0;-0"), "abc");
    EXPECT_EQ(formatText("abc", "\"Name: \"@"), "Name: abc");
    EXPECT_EQ(formatText("abc", "0;@\"!\""), "abc!");
    EXPECT_EQ(formatText("abc", "0;-0;0;\"<\"@\">\""), "<abc>");
    EXPECT_EQ(formatText("abc", "0;-0;0;\"n/a\""), "n/a");
    EXPECT_EQ(formatText("abc", "0;-0;0;"), "");
    EXPECT_EQ(formatText("abc", "yyyy/m/d;@"), "abc");
    EXPECT_EQ(formatText("abc", builtinFormat(41)), " abc ");
    EXPECT_EQ(formatText("文本", "@@"), "文本文本");
}
