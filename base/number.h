// Rounding as the stored formats and the bar's arithmetic need it.
#pragma once

namespace kavrel::base {

// x rounded to the nearest integer, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever the FPU's rounding mode.
double RoundHalfEven(double x);

}  // namespace kavrel::base
