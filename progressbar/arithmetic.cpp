#include "progressbar/arithmetic.h"

#include <cmath>
#include <limits>

#include "base/number.h"

namespace kavrel::progressbar {

namespace {

std::string Text(std::int64_t n) { return std::to_string(n); }

std::int32_t Checked32(std::int64_t n, const std::string& what) {
    if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        throw OverflowError(what + " = " + Text(n) + " does not fit in 32 bits (overflow)");
    }
    return static_cast<std::int32_t>(n);
}

}  // namespace

std::int32_t NearestInt32(double x, std::string_view what) {
    const double r = base::RoundHalfEven(x);
    // NaN fails both comparisons, so it is refused too.
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        throw OverflowError(std::string(what) + " = " + std::to_string(x) + " does not fit in 32 bits (overflow)");
    }
    return static_cast<std::int32_t>(r);
}

std::int32_t PercentFromValue(std::int32_t value, std::int32_t min, std::int32_t max) {
    const std::int32_t offset =
        Checked32(static_cast<std::int64_t>(value) - min, "Value " + Text(value) + " - Min " + Text(min));
    const std::int32_t scaled =
        Checked32(static_cast<std::int64_t>(offset) * 100, "Value: " + Text(offset) + " x 100");
    const std::int32_t range =
        Checked32(static_cast<std::int64_t>(max) - min, "Value: Max " + Text(max) + " - Min " + Text(min));
    if (range == 0) {
        throw DivisionByZeroError("Value: division by zero (Max " + Text(max) + " equals Min " + Text(min) + ")");
    }
    return NearestInt32(static_cast<double>(scaled) / static_cast<double>(range), "Value: percentage");
}

std::int32_t ValueFromPercent(std::int32_t percent, std::int32_t min, std::int32_t max) {
    const double range = static_cast<double>(max) - static_cast<double>(min);
    return NearestInt32(static_cast<double>(min) + static_cast<double>(percent) / 100.0 * range, "Value");
}

}  // namespace kavrel::progressbar
