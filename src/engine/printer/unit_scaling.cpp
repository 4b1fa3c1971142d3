#include "engine/printer/unit_scaling.h"

namespace impact {

uint32_t scaleRound(uint32_t a, uint32_t b, uint32_t c)
{
    if (a == 0 || b == 0 || c == 0)
        return 0;
    uint32_t q = (a * c) / b;
    uint32_t t = ((a * c * 10) / b) % 10; // first decimal digit of the quotient
    return t >= 5 ? q + 1 : q;
}

uint32_t scaleRoundFloat(float x, int32_t a, int32_t b)
{
    if (a == 0 || b == 0 || !(x > 0))
        return 0;
    long double v = static_cast<long double>(x) * b / a;
    if (!(v >= 0))
        return 0;
    // The value is taken modulo 2^32 as an unsigned integer; callers keep
    // the low 16 bits.
    long double whole = v < 18446744073709551616.0L ? v : 18446744073709551615.0L;
    uint64_t d64 = static_cast<uint64_t>(whole);
    uint32_t d = static_cast<uint32_t>(d64);
    return v - static_cast<long double>(d64) >= 0.5L ? d + 1 : d;
}

uint32_t truncateToUnsigned(long double value)
{
    if (!(value > 0))
        return 0;
    if (value >= 4294967295.0L)
        return UINT32_MAX;
    return static_cast<uint32_t>(value);
}

} // namespace impact
