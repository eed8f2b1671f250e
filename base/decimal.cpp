#include "base/decimal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kavrel::base {

namespace {

// p significant digits of |v| (no sign, no point) and the power of ten of
// the first one, correctly rounded by printf's exponent conversion.
struct Digits {
    std::string digits;
    int exponent = 0;
};

Digits Rounded(double magnitude, int precision) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", precision - 1, magnitude);
    Digits d;
    const char* c = text;
    for (; *c != 'e'; ++c) {
        if (*c != '.') d.digits += *c;
    }
    d.exponent = std::atoi(c + 1);
    return d;
}

// The value the digits stand for, read back as a double.
double Read(const Digits& d) {
    std::string text = d.digits + "e" + std::to_string(d.exponent - static_cast<int>(d.digits.size()) + 1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);  // never out of range: digits came from a double
    return value;
}

// The same number of digits one unit further along the last digit
// (up = true) or back; the exponent moves when the digits carry or borrow.
Digits Step(Digits d, bool up) {
    const std::size_t n = d.digits.size();
    std::size_t i = n;
    if (up) {
        while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
        if (i == 0) {  // 99..9 + 1 = 100..0: one more power of ten, same count of digits
            d.digits = "1" + std::string(n - 1, '0');
            ++d.exponent;
        } else {
            ++d.digits[i - 1];
        }
    } else {
        while (i > 0 && d.digits[i - 1] == '0') d.digits[--i] = '9';
        --d.digits[i - 1];  // digits start with 1..9, so the borrow stops inside them
        if (d.digits[0] == '0') {  // 100..0 - 1 = 99..9 one power of ten lower
            d.digits = std::string(n, '9');
            --d.exponent;
        }
    }
    return d;
}

// The shortest digits that read back to magnitude (> 0, finite). For each
// length the correctly rounded digits are the nearest; when they miss, the
// only other candidate of that length is the neighbour on the far side of
// the value, which can still be inside the reading interval where that
// interval is lopsided (at a power of two the gap below is half the gap above).
Digits Shortest(double magnitude) {
    for (int precision = 1; precision < 17; ++precision) {
        Digits d = Rounded(magnitude, precision);
        const double back = Read(d);
        if (back == magnitude) return d;
        Digits other = Step(d, back < magnitude);
        if (Read(other) == magnitude) return other;
    }
    return Rounded(magnitude, 17);  // 17 digits always read back
}

std::string Trimmed(std::string digits) {
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return digits;
}

}  // namespace

std::string ShortestDecimal(double v) {
    const std::string sign = std::signbit(v) ? "-" : "";
    if (std::isnan(v)) return sign + "nan";
    if (std::isinf(v)) return sign + "inf";
    if (v == 0) return sign + "0";

    const Digits d = Shortest(std::fabs(v));
    const std::string digits = Trimmed(d.digits);
    const int n = static_cast<int>(digits.size());
    const int e = d.exponent;

    std::string scientific = digits.substr(0, 1);
    if (n > 1) scientific += "." + digits.substr(1);
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
    scientific += exponent;

    std::string plain;
    if (e < 0) {
        plain = "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + digits;
    } else if (n <= e + 1) {
        // A whole number in plain notation is written as its exact value,
        // which has as many digits as the shortest ones padded with zeros.
        char whole[320];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(v));
        plain = whole;
    } else {
        plain = digits.substr(0, static_cast<std::size_t>(e + 1)) + "." + digits.substr(static_cast<std::size_t>(e + 1));
    }
    return sign + (plain.size() <= scientific.size() ? plain : scientific);
}

}  // namespace kavrel::base
