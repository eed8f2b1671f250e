// The bar's number conversions: rounding with halves to even, the arithmetic
// errors its setters raise, and the mapping between Value and the fill
// level in percent.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kavrel::progressbar {

// An arithmetic failure raised to the caller of a property operation. The
// property keeps the value it had before the call.
class ArithmeticError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OverflowError : public ArithmeticError {
public:
    using ArithmeticError::ArithmeticError;
};

class DivisionByZeroError : public ArithmeticError {
public:
    using ArithmeticError::ArithmeticError;
};

// base::RoundHalfEven(x) as a 32-bit integer. Throws OverflowError, naming `what`,
// when the result does not fit (or x is not a number).
std::int32_t NearestInt32(double x, std::string_view what);

// The fill level in percent for `value` on the range min..max, mapped
// linearly onto 0..100: round((value - min) x 100 / (max - min)), the
// subtraction and the product in 32-bit integers, the quotient in double.
// Throws OverflowError when an intermediate or the result leaves 32 bits and
// DivisionByZeroError when min equals max. Not limited to 0..100.
std::int32_t PercentFromValue(std::int32_t value, std::int32_t min, std::int32_t max);

// The Value a fill level stands for: round(min + percent / 100 x (max - min))
// in double. Throws OverflowError when the result leaves 32 bits.
std::int32_t ValueFromPercent(std::int32_t percent, std::int32_t min, std::int32_t max);

}  // namespace kavrel::progressbar
