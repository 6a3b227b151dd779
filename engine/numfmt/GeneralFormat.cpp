#include "engine/numfmt/GeneralFormat.h"

#include "engine/numfmt/DecimalDigits.h"

#include <cmath>
#include <cstdlib>

namespace tabrix::engine::numfmt {

namespace {

constexpr int kWidth = 11;           // characters of a default-width column, the decimal point included
constexpr int kScientificDigits = 6; // "1.23457E+12" fills the width

std::string scientific(const DecimalDigits& d) {
    std::string out(1, d.digits[0]);
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    const int power = d.exponent - 1;
    out += power < 0 ? "E-" : "E+";
    const int magnitude = std::abs(power);
    if (magnitude < 10) out += '0';
    out += std::to_string(magnitude);
    return out;
}

} // namespace

std::string formatGeneral(double value) {
    if (!std::isfinite(value)) return "#NUM!";
    const DecimalDigits exact = DecimalDigits::of(std::fabs(value));
    if (exact.isZero()) return "0";
    const std::string sign = value < 0 ? "-" : "";

    DecimalDigits sci = exact;
    sci.roundToSignificant(kScientificDigits);
    if (exact.exponent <= kWidth) {
        const int integerDigits = std::max(exact.exponent, 1);
        DecimalDigits plain = exact;
        plain.roundToDecimals(std::max(kWidth - 1 - integerDigits, 0));
        // Plain form wins unless rounding pushed it past the width or it keeps fewer digits than E-form.
        if (!plain.isZero() && plain.exponent <= kWidth && plain.digits.size() >= sci.digits.size())
            return sign + plain.plain();
    }
    return sign + scientific(sci);
}

} // namespace tabrix::engine::numfmt
