// Doubles written as the shortest decimal text that reads back to the same
// bits, in the form std::to_chars(first, last, double) gives.
#pragma once

#include <string>

namespace kavrel::base {

// The shortest digits that read back to v (the nearest such digits when
// several have that length), written as plain or exponent notation,
// whichever is shorter (plain on a tie): "0.1", "1e+22", "1e-04", "-0",
// "inf", "-nan". Byte for byte what std::to_chars(first, last, v) writes,
// without linking its tables.
std::string ShortestDecimal(double v);

}  // namespace kavrel::base
