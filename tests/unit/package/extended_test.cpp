// The 80-bit extended float of the stream format converted to the nearest double.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "package/extended.h"

namespace scr {
namespace {

std::array<uint8_t, 10> Ext(uint64_t mantissa, unsigned sign_exponent) {
    std::array<uint8_t, 10> b{};
    for (int i = 0; i < 8; ++i) b[std::size_t(i)] = uint8_t(mantissa >> (8 * i));
    b[8] = uint8_t(sign_exponent);
    b[9] = uint8_t(sign_exponent >> 8);
    return b;
}

TEST(Extended, KnownValues) {
    struct Case {
        uint64_t mantissa;
        unsigned se;
        double expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0x8000000000000000ull, 0x3FFF, 1.0},
        {0xC000000000000000ull, 0xC000, -3.0},
        {0x8000000000000000ull, 0x7FFF, inf},
        {0x8000000000000000ull, 0xFFFF, -inf},
        {0, 0, 0.0},
        {0x8000000000000000ull, 0x43FF, inf},                        // 2^1024: beyond double
        {0x8000000000000000ull, 0x3FFF - 1074, 5e-324},              // smallest subnormal
        {0x8000000000000000ull, 0x3FFF - 1075, 0.0},                 // half of it: ties to even
        {0xC000000000000000ull, 0x3FFF - 1075, 5e-324},              // above half rounds up
        {0x8000000000000400ull, 0x3FFF, 1.0},                        // exactly half an ulp: even
        {0x8000000000000C00ull, 0x3FFF, 1.0 + 2 * std::ldexp(1.0, -52)},  // half, odd: up
        {0x8000000000000401ull, 0x3FFF, 1.0 + std::ldexp(1.0, -52)},  // above half: up
        {0xFFFFFFFFFFFFFFFFull, 0x3FFF, 2.0},                        // carries into the exponent
        {0x4000000000000000ull, 0x3FFF, 0.5},                        // unnormal: no integer bit
    };
    for (const auto& c : cases) EXPECT_EQ(ExtendedToDouble(Ext(c.mantissa, c.se)), c.expected) << std::hex << c.mantissa << " " << c.se;
    EXPECT_TRUE(std::signbit(ExtendedToDouble(Ext(0, 0x8000))));
    const double nan = ExtendedToDouble(Ext(0xC000000000000001ull, 0xFFFF));
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_TRUE(std::signbit(nan));
    EXPECT_TRUE(std::isnan(ExtendedToDouble(Ext(0x8000000000000001ull, 0x7FFF))));  // tiny payload stays NaN
}

TEST(Extended, DoublesRoundTrip) {
    const double values[] = {0.1, -1e-310, 1.7976931348623157e308, 4.9e-324, 123456.789, -0.0};
    for (double d : values) {
        const double back = ExtendedToDouble(DoubleToExtended(d));
        EXPECT_EQ(back, d);
        EXPECT_EQ(std::signbit(back), std::signbit(d));
    }
}

}  // namespace
}  // namespace scr
