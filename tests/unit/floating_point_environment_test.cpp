// FixedEnvironment against a caller that left the SSE unit rounding upward,
// flushing denormals, trapping division by zero and with a flag raised.
// (Its x87 side exists only on Windows; the Wine test covers it.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "floating_point_environment.h"

namespace {

std::uint64_t bits(double value)
{
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

}  // namespace

TEST(FixedEnvironment, ComputesInTheDefaultModesAndRestoresTheCallersExactly)
{
#if MEX_SUITE_FIX_MXCSR
    constexpr unsigned int round_up = 0x4000, flush_to_zero = 0x8000, denormals_are_zero = 0x40;
    constexpr unsigned int divide_by_zero_mask = 0x200, invalid_flag = 0x1;
    const unsigned int callers = (0x1F80 & ~divide_by_zero_mask) | round_up | flush_to_zero |
                                 denormals_are_zero | invalid_flag;
    const unsigned int before = _mm_getcsr();
    _mm_setcsr(callers);

    volatile double one = 1.0, three = 3.0, zero = 0.0, tiny = 0x1p-1070, half = 0.5;
    double third, quotient, denormal;
    {
        const floating_point_environment::FixedEnvironment fixed;
        third = one / three;       // to nearest, not upward
        quotient = one / zero;     // would trap
        denormal = tiny * half;    // kept, neither read nor flushed as zero
    }
    const unsigned int after = _mm_getcsr();
    _mm_setcsr(before);

    EXPECT_EQ(bits(third), 0x3FD5555555555555u);
    EXPECT_EQ(quotient, std::numeric_limits<double>::infinity());
    EXPECT_EQ(denormal, 0x1p-1071);
    // Modes and flags as the caller left them: none of the inexact, division
    // or underflow flags raised inside shows.
    EXPECT_EQ(after, callers);
#else
    GTEST_SKIP() << "no SSE unit on this architecture";
#endif
}
