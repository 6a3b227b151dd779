#include "engine/numfmt/DecimalDigits.h"
#include "engine/numfmt/GeneralFormat.h"
#include "engine/numfmt/SectionRender.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace tabrix::engine::numfmt {

namespace {

// Fills integer placeholders from the right; the first placeholder takes every digit that finds no place.
// "0" shows a zero where there is no digit, "?" a space, "#" nothing.
class IntegerWriter {
public:
    IntegerWriter(std::string_view placeholders, std::string digits, bool grouping)
        : m_placeholders(placeholders), m_digits(std::move(digits)), m_grouping(grouping) {}

    void writeNext(std::string& out) {
        const int slots = int(m_placeholders.size());
        const int length = int(m_digits.size());
        const int slot = m_slot++;
        if (slot >= slots) return;
        const int position = slots - 1 - slot; // place value of this slot: 0 for units
        if (slot == 0 && length > slots) {
            for (int k = 0; k <= length - slots; ++k)
                put(out, m_digits[size_t(k)], length - 1 - k);
        } else if (position < length) {
            put(out, m_digits[size_t(length - 1 - position)], position);
        } else if (m_placeholders[size_t(slot)] != '#') {
            put(out, m_placeholders[size_t(slot)] == '0' ? '0' : ' ', position);
        }
    }

private:
    void put(std::string& out, char c, int position) {
        out.push_back(c);
        if (m_grouping && position > 0 && position % 3 == 0) out.push_back(c == ' ' ? ' ' : ',');
    }

    std::string_view m_placeholders;
    std::string m_digits;
    bool m_grouping;
    int m_slot = 0;
};

// Fills placeholders after the point from the left; trailing zeros under "#" vanish and under "?" turn to spaces.
class FractionWriter {
public:
    FractionWriter(std::string_view placeholders, std::string digits)
        : m_placeholders(placeholders), m_digits(std::move(digits)), m_shown(m_digits.size()) {
        while (m_shown > 0 && m_digits[m_shown - 1] == '0' && m_placeholders[m_shown - 1] != '0')
            --m_shown;
    }

    void writeNext(std::string& out) {
        const size_t slot = m_slot++;
        if (slot >= m_placeholders.size()) return;
        if (slot < m_shown)
            out.push_back(m_digits[slot]);
        else if (m_placeholders[slot] == '?')
            out.push_back(' ');
    }

private:
    std::string_view m_placeholders;
    std::string m_digits;
    size_t m_shown;
    size_t m_slot = 0;
};

int floorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// The power of ten of a scientific format for a number whose first digit has place value 10^leading:
// "##0.0E+0" keeps powers a multiple of three (engineering), "00.0E+0" shows two integer digits.
int exponentFor(const std::string& intPlaceholders, int leading) {
    const int n = int(intPlaceholders.size());
    if (n > 1 && intPlaceholders.find_first_not_of('0') != std::string::npos) return floorDiv(leading, n) * n;
    return leading - n + 1;
}

// Turns the digits into the mantissa, rounded to the placeholders after the point; returns the power of ten.
int toMantissa(const FormatSection& section, DecimalDigits& digits) {
    if (digits.isZero()) return 0;
    const int decimals = int(section.fracPlaceholders.size());
    int power = exponentFor(section.intPlaceholders, digits.exponent - 1);
    DecimalDigits mantissa = digits;
    mantissa.exponent -= power;
    mantissa.roundToDecimals(decimals);
    const int roundedPower = exponentFor(section.intPlaceholders, mantissa.exponent + power - 1);
    if (!mantissa.isZero() && roundedPower != power) { // 9.999 rounded up to 10.00: one place further
        power = roundedPower;
        mantissa = digits;
        mantissa.exponent -= power;
        mantissa.roundToDecimals(decimals);
    }
    digits = mantissa;
    return power;
}

std::string exponentSign(const std::string& code, int power) {
    if (power < 0) return "-";
    return code.size() > 1 && code[1] == '+' ? "+" : "";
}

void bestFraction(double x, int64_t maxDenominator, int64_t& numerator, int64_t& denominator) {
    // Convergents of the continued fraction of x; the last allowed one is tried against the semiconvergent
    // cut at the largest denominator that fits.
    int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double rest = x;
    for (int step = 0; step < 64; ++step) {
        const double whole = std::floor(rest);
        if (whole > 1e15) break;
        const auto a = int64_t(whole);
        const int64_t p2 = a * p1 + p0;
        const int64_t q2 = a * q1 + q0;
        if (q2 > maxDenominator) {
            const int64_t k = (maxDenominator - q0) / q1;
            const int64_t ps = p0 + k * p1;
            const int64_t qs = q0 + k * q1;
            if (std::fabs(x - double(ps) / double(qs)) < std::fabs(x - double(p1) / double(q1))) p1 = ps, q1 = qs;
            break;
        }
        p0 = p1, q0 = q1, p1 = p2, q1 = q2;
        const double fraction = rest - whole;
        if (fraction < 1e-12) break;
        rest = 1 / fraction;
    }
    numerator = p1;
    denominator = q1;
}

bool isDigitLiteral(const FormatPart& part) {
    return part.kind == PartKind::Literal && part.text.size() == 1 && part.text[0] >= '0' && part.text[0] <= '9';
}

// The pieces of a fraction section: [integer placeholders] literal [numerator]/[denominator].
struct FractionLayout {
    size_t numeratorBegin = 0;
    size_t slash = 0;
    size_t denominatorEnd = 0;
    std::string integerPlaceholders;
    std::string numeratorPlaceholders;
    std::string denominatorText; // placeholders, or the digits of a fixed denominator
    int64_t fixedDenominator = 0;
};

FractionLayout fractionLayout(const FormatSection& section) {
    const auto& parts = section.parts;
    FractionLayout layout;
    while (layout.slash < parts.size() && parts[layout.slash].kind != PartKind::Slash)
        ++layout.slash;
    layout.numeratorBegin = layout.slash;
    while (layout.numeratorBegin > 0 && parts[layout.numeratorBegin - 1].kind == PartKind::Digit)
        layout.numeratorBegin--;
    for (size_t i = 0; i < layout.numeratorBegin; ++i)
        if (parts[i].kind == PartKind::Digit) layout.integerPlaceholders += parts[i].text;
    for (size_t i = layout.numeratorBegin; i < layout.slash; ++i)
        layout.numeratorPlaceholders += parts[i].text;
    bool literal = false;
    layout.denominatorEnd = layout.slash + 1;
    while (layout.denominatorEnd < parts.size() && layout.denominatorText.size() < 9 &&
           (parts[layout.denominatorEnd].kind == PartKind::Digit || isDigitLiteral(parts[layout.denominatorEnd]))) {
        literal = literal || isDigitLiteral(parts[layout.denominatorEnd]);
        layout.denominatorText += parts[layout.denominatorEnd++].text;
    }
    // "?/8" and "?/10" fix the denominator; a "0" placeholder among written digits is a digit too.
    if (literal && layout.denominatorText.find_first_not_of("0123456789") == std::string::npos)
        for (char c : layout.denominatorText)
            layout.fixedDenominator = layout.fixedDenominator * 10 + (c - '0');
    return layout;
}

std::string denominatorText(const FractionLayout& layout, int64_t denominator) {
    if (layout.fixedDenominator > 0) return layout.denominatorText;
    std::string out = std::to_string(denominator);
    for (size_t i = out.size(); i < layout.denominatorText.size(); ++i)
        if (layout.denominatorText[i] != '#') out.push_back(layout.denominatorText[i] == '0' ? '0' : ' ');
    return out;
}

} // namespace

std::string renderNumberSection(const FormatSection& section, double magnitude) {
    DecimalDigits digits = DecimalDigits::of(magnitude);
    if (!digits.isZero()) digits.exponent += section.scalePower;
    int power = 0;
    if (section.scientific)
        power = toMantissa(section, digits);
    else
        digits.roundToDecimals(int(section.fracPlaceholders.size()));

    const std::string integerDigits = digits.integerPart();
    IntegerWriter integer(section.intPlaceholders, integerDigits, section.grouping);
    FractionWriter fraction(section.fracPlaceholders, digits.fractionPart(int(section.fracPlaceholders.size())));
    IntegerWriter exponent(section.expPlaceholders, std::to_string(std::abs(power)), false);
    enum { Integer, Fraction, Exponent } region = Integer;
    std::string out;
    for (const FormatPart& part : section.parts) {
        switch (part.kind) {
        case PartKind::Digit:
            if (region == Integer)
                integer.writeNext(out);
            else if (region == Fraction)
                fraction.writeNext(out);
            else
                exponent.writeNext(out);
            break;
        case PartKind::Point:
            if (section.intPlaceholders.empty()) out += integerDigits; // ".00" still shows 12.50
            out.push_back('.');
            region = Fraction;
            break;
        case PartKind::Exponent:
            out += part.text[0] + exponentSign(part.text, power);
            region = Exponent;
            break;
        case PartKind::Percent:
            out.push_back('%');
            break;
        case PartKind::Group:
        case PartKind::Scale:
            break;
        case PartKind::General:
        case PartKind::TextValue:
            out += formatGeneral(magnitude);
            break;
        default:
            out += part.text;
            break;
        }
    }
    return out;
}

std::string renderFractionSection(const FormatSection& section, double magnitude) {
    const FractionLayout layout = fractionLayout(section);
    const double value = magnitude * std::pow(10.0, section.scalePower);
    const bool hasInteger = !layout.integerPlaceholders.empty();
    int64_t whole = hasInteger ? int64_t(std::floor(value)) : 0;
    const double rest = value - double(whole);
    int64_t numerator = 0;
    int64_t denominator = 1;
    if (layout.fixedDenominator > 0) {
        denominator = layout.fixedDenominator;
        numerator = std::llround(rest * double(denominator));
    } else {
        const auto maxDenominator = int64_t(std::pow(10.0, double(layout.denominatorText.size()))) - 1;
        bestFraction(rest, std::max<int64_t>(maxDenominator, 1), numerator, denominator);
    }
    if (hasInteger && numerator == denominator) whole += 1, numerator = 0;
    // A whole number keeps the width of the fraction as spaces, so columns of fractions stay aligned.
    const bool showFraction = numerator != 0 || !hasInteger;
    const std::string wholeDigits = whole > 0 ? std::to_string(whole) : showFraction ? "" : "0";
    IntegerWriter integer(layout.integerPlaceholders, wholeDigits, section.grouping);
    IntegerWriter top(layout.numeratorPlaceholders, std::to_string(numerator), false);
    const std::string bottom = denominatorText(layout, denominator);
    std::string out;
    for (size_t i = 0; i < section.parts.size(); ++i) {
        const FormatPart& part = section.parts[i];
        if (i < layout.numeratorBegin && part.kind == PartKind::Digit) {
            integer.writeNext(out);
        } else if (i >= layout.numeratorBegin && i < layout.slash) {
            if (showFraction)
                top.writeNext(out);
            else
                out.push_back(' ');
        } else if (i == layout.slash) {
            out.push_back(showFraction ? '/' : ' ');
        } else if (i > layout.slash && i < layout.denominatorEnd) {
            if (i == layout.slash + 1) out += showFraction ? bottom : std::string(layout.denominatorText.size(), ' ');
        } else if (part.kind == PartKind::Percent) {
            out.push_back('%');
        } else if (part.kind == PartKind::General || part.kind == PartKind::TextValue) {
            out += formatGeneral(magnitude);
        } else if (part.kind == PartKind::Literal) {
            out += part.text;
        }
    }
    return out;
}

} // namespace tabrix::engine::numfmt
