#pragma once
// Conversions from raster dots and page points into printer units,
// rounding half up.
#include <cstdint>

namespace impact {

// a * c / b, rounded half up, in 32-bit integer arithmetic; 0 when any
// argument is 0.
uint32_t scaleRound(uint32_t a, uint32_t b, uint32_t c);

// x * b / a in extended precision, rounded half up; 0 for a or b of 0 and
// for x <= 0.
uint32_t scaleRoundFloat(float x, int32_t a, int32_t b);

// A non-negative extended-precision value truncated toward zero, held at
// UINT32_MAX when it does not fit (and 0 for negative or NaN values).
uint32_t truncateToUnsigned(long double value);

} // namespace impact
