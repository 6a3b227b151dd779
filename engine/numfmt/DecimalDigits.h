#pragma once

#include <string>

namespace tabrix::engine::numfmt {

/// A non-negative number as decimal digits, rounded the way a spreadsheet rounds what it shows: from the
/// 15-significant-digit decimal form of the double, half away from zero. So 2.675 (stored as 2.67499999...)
/// shows as 2.68 with two decimals, and 0.1+0.2 shows as 0.3.
struct DecimalDigits {
    std::string digits; // significant digits without leading or trailing zeros; empty for zero
    int exponent = 0;   // the first digit's place value is 10^(exponent-1): "12", 3 is 120

    static DecimalDigits of(double magnitude);

    bool isZero() const { return digits.empty(); }
    /// Digits before the point ("" for less than one).
    std::string integerPart() const;
    /// Exactly `count` digits after the point.
    std::string fractionPart(int count) const;
    /// "0.25", "1200", "3": no exponent, no trailing zeros.
    std::string plain() const;

    void roundToDecimals(int decimals);
    void roundToSignificant(int count);

private:
    void roundKeeping(int keep);
};

} // namespace tabrix::engine::numfmt
