// The 80-bit x87 extended-precision float of the stream format (64-bit mantissa with an
// explicit integer bit, 15-bit exponent biased by 16383, sign bit), little-endian.
#pragma once

#include <array>
#include <cstdint>

namespace scr {

// The nearest double (ties to even); infinities, NaN and the sign of zero are kept.
double ExtendedToDouble(const std::array<uint8_t, 10>& bytes);
// The exact extended value of a double.
std::array<uint8_t, 10> DoubleToExtended(double value);

}  // namespace scr
