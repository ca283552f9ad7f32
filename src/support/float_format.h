// Text forms of doubles: the positional display form scripts see and the
// debug form used in traces and tree dumps. Both use the shortest digits that
// read back as the same double.
#pragma once

#include <string>

namespace wexlin {

// Positional notation, never an exponent: 3, 2.5, 0.0000001, -0, inf, -inf, NaN.
std::string format_float_display(double value);

// Always a fractional digit (2.0); exponent form at or above 1e16 and below
// 1e-4 (1e16, 1.5e-7); -0.0, inf, -inf, NaN.
std::string format_float_debug(double value);

} // namespace wexlin
