#include "engine/numfmt/DecimalDigits.h"

#include <charconv>
#include <cstdlib>

namespace tabrix::engine::numfmt {

DecimalDigits DecimalDigits::of(double magnitude) {
    DecimalDigits d;
    if (!(magnitude > 0)) return d;
    char buffer[40];
    // d.dddddddddddddde±XX: 15 significant digits, correctly rounded from the binary value
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific, 14);
    *result.ptr = '\0';
    d.digits.reserve(15);
    d.digits.push_back(buffer[0]);
    const char* p = buffer + 2;
    while (*p >= '0' && *p <= '9')
        d.digits.push_back(*p++);
    d.exponent = std::atoi(p + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

std::string DecimalDigits::integerPart() const {
    if (exponent <= 0 || isZero()) return {};
    std::string out = digits.substr(0, size_t(exponent));
    out.resize(size_t(exponent), '0');
    return out;
}

std::string DecimalDigits::fractionPart(int count) const {
    std::string out(size_t(count > 0 ? count : 0), '0');
    for (int i = 0; i < count; ++i) {
        const int index = exponent + i;
        if (index >= 0 && index < int(digits.size())) out[size_t(i)] = digits[size_t(index)];
    }
    return out;
}

std::string DecimalDigits::plain() const {
    std::string out = integerPart();
    if (out.empty()) out = "0";
    const int decimals = int(digits.size()) - exponent;
    if (decimals > 0) out += "." + fractionPart(decimals);
    return out;
}

void DecimalDigits::roundToDecimals(int decimals) {
    roundKeeping(exponent + decimals);
}

void DecimalDigits::roundToSignificant(int count) {
    roundKeeping(count);
}

// Keeps the first `keep` digits, rounding half away from zero on the digit after them.
void DecimalDigits::roundKeeping(int keep) {
    if (isZero() || keep >= int(digits.size())) return;
    if (keep < 0) {
        digits.clear();
        exponent = 0;
        return;
    }
    const bool up = digits[size_t(keep)] >= '5';
    digits.resize(size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits[size_t(i)] == '9')
            digits[size_t(i--)] = '0';
        if (i >= 0) {
            ++digits[size_t(i)];
        } else {
            digits.insert(digits.begin(), '1'); // 9.99 became 10.0: one more integer digit
            ++exponent;
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (isZero()) exponent = 0;
}

} // namespace tabrix::engine::numfmt
