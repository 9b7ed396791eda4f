#include "package/extended.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace scr {

double ExtendedToDouble(const std::array<uint8_t, 10>& b) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = mantissa << 8 | b[std::size_t(i)];
    const unsigned se = unsigned(b[8]) | unsigned(b[9]) << 8;
    const bool negative = se & 0x8000;
    const int exponent = int(se & 0x7FFF);
    const uint64_t sign = uint64_t(negative) << 63;

    if (exponent == 0x7FFF) {
        // Infinity when the fraction (below the integer bit) is zero, NaN otherwise; a NaN
        // keeps its sign and the top of its payload, and stays a NaN.
        const uint64_t fraction = mantissa & 0x7FFFFFFFFFFFFFFFull;
        if (fraction == 0) return std::bit_cast<double>(sign | 0x7FF0000000000000ull);
        uint64_t payload = fraction >> 11;
        if (payload == 0) payload = 1ull << 51;
        return std::bit_cast<double>(sign | 0x7FF0000000000000ull | payload);
    }
    if (mantissa == 0) return std::bit_cast<double>(sign);

    // value = mantissa * 2^(e - 63), e the unbiased exponent (denormals use the smallest one).
    int e = (exponent == 0 ? 1 : exponent) - 16383;
    const int lead = std::countl_zero(mantissa);  // normalise unnormals and denormals
    mantissa <<= lead;
    e -= lead;

    // Keep 53 bits for a normal double, fewer when the result is subnormal.
    int drop = 11;
    if (e < -1022) drop += -1022 - e;
    uint64_t kept;
    if (drop >= 64) {
        // Below half the smallest subnormal rounds to zero; exactly half rounds to even (zero).
        const bool above_half = drop == 64 && (mantissa << 1) != 0;
        kept = above_half ? 1 : 0;
    } else {
        kept = mantissa >> drop;
        const uint64_t rest = mantissa & ((uint64_t(1) << drop) - 1);
        const uint64_t half = uint64_t(1) << (drop - 1);
        if (rest > half || (rest == half && (kept & 1))) ++kept;
    }

    if (e >= -1022) {
        if (kept == (uint64_t(1) << 53)) {  // rounding carried into a new bit
            kept >>= 1;
            ++e;
        }
        if (e > 1023) return std::bit_cast<double>(sign | 0x7FF0000000000000ull);
        const uint64_t biased = uint64_t(e + 1023);
        return std::bit_cast<double>(sign | biased << 52 | (kept & 0xFFFFFFFFFFFFFull));
    }
    // Subnormal: kept already holds the fraction; a carry into bit 52 makes it the smallest normal.
    return std::bit_cast<double>(sign | kept);
}

std::array<uint8_t, 10> DoubleToExtended(double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = bits >> 63;
    const int exponent = int((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;
    uint64_t mantissa;
    int e;
    if (exponent == 0x7FF) {
        e = 0x7FFF;
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    } else if (exponent == 0) {
        if (fraction == 0) {
            e = 0;
            mantissa = 0;
        } else {
            const int lead = std::countl_zero(fraction);  // >= 12
            mantissa = fraction << lead;
            e = -1022 - (lead - 11) + 16383;
        }
    } else {
        e = exponent - 1023 + 16383;
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    }
    std::array<uint8_t, 10> out{};
    for (int i = 0; i < 8; ++i) out[std::size_t(i)] = uint8_t(mantissa >> (8 * i));
    const unsigned se = unsigned(e) | (negative ? 0x8000u : 0u);
    out[8] = uint8_t(se);
    out[9] = uint8_t(se >> 8);
    return out;
}

}  // namespace scr
