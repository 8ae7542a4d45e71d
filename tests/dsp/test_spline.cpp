#include "dsp/Spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

TEST(InterpolateTrace, EqualSpanAndCountReturnsTheInput)
{
    // A = M: every x_j is whole, so output j is input j whatever the input.
    auto s = std::make_unique<SplineScratch>();
    std::mt19937 gen(5);
    std::uniform_int_distribution<int32_t> dist(-5000000, 5000000);
    for (int M : {1, 7, 300, 512}) {
        std::vector<int32_t> input(M + 2), output(M, 0);
        for (int32_t& v : input)
            v = dist(gen);
        InterpolateTrace(input.data(), M + 2, static_cast<float>(M), static_cast<float>(M),
                         output.data(), *s);
        for (int j = 0; j < M; ++j)
            ASSERT_EQ(output[j], input[j]) << "M " << M << " j " << j;
    }
}

TEST(InterpolateTrace, ConstantInput)
{
    auto s = std::make_unique<SplineScratch>();
    for (int32_t v : {0, 1, 1234567, -42}) {
        std::vector<int32_t> input(1024, v), output(512, 0);
        InterpolateTrace(input.data(), 1024, 512.0f, 300.0f, output.data(), *s);
        for (int j = 0; j < 512; ++j) {
            EXPECT_FLOAT_EQ(s->out[j], static_cast<float>(v)) << j;
            // Truncation may read v - 1 where the float falls just below v (v + 1 above for -v).
            EXPECT_LE(std::abs(output[j] - v), 1) << j;
        }
    }
}

TEST(SplineResample, SingleSpikeWithFourOverEight)
{
    // Knots 0 .. 5 (K = trunc(4 + 2)); the values follow the -0.25 elimination and the
    // zero-slope end condition, and d2[0] = -0.25 d2[1].
    auto s = std::make_unique<SplineScratch>();
    const float y[10] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
    float out[8];
    int count = 0;
    SplineResample(y, 10, out, count, 4.0, 8.0, *s);
    EXPECT_EQ(count, 8);
    EXPECT_FLOAT_EQ(s->u[1], 15.0f);
    EXPECT_FLOAT_EQ(s->u[2], -33.75f);
    EXPECT_FLOAT_EQ(s->u[3], 23.4375f);
    EXPECT_FLOAT_EQ(s->u[4], -5.859375f);
    EXPECT_NEAR(s->d2[5], 2.9296875 / 0.875, 1e-5);
    EXPECT_FLOAT_EQ(s->d2[0], -0.25f * s->d2[1]);
    EXPECT_EQ(out[4], 10.0f);  // x = 2 exactly
    const double expected[8] = {0.0, -1.1722019, 0.0, 5.9388079, 10.0, 5.9322684, 0.0, -1.1509487};
    for (int j = 0; j < 8; ++j)
        EXPECT_NEAR(out[j], expected[j], 2e-5) << j;

    auto t = std::make_unique<SplineScratch>();
    const int32_t input[10] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
    int32_t output[8];
    InterpolateTrace(input, 10, 8.0f, 4.0f, output, *t);
    const int32_t truncated[8] = {0, -1, 0, 5, 10, 5, 0, -1};  // toward zero
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(output[j], truncated[j]) << j;
}

TEST(InterpolateTrace, FractionalSpanFollowsNeighbouringSlots)
{
    // 300 slots over 512 rows: x_j = j x 300/512 accumulated; a ramp stays a ramp away from
    // the last knot, and each output lies between its two neighbouring slots.
    auto s = std::make_unique<SplineScratch>();
    std::vector<int32_t> input(600), output(512, 0);
    for (int i = 0; i < 600; ++i)
        input[i] = 1000 + 50 * i;
    InterpolateTrace(input.data(), 600, 512.0f, 300.0f, output.data(), *s);
    for (int j = 0; j < 512; ++j) {
        const double x = j * 300.0 / 512.0;
        const int k = static_cast<int>(x);
        if (x < 296.0) {
            EXPECT_NEAR(output[j], 1000 + 50 * x, 1.0) << j;
        }
        EXPECT_GE(output[j], input[k] - 1) << j;
        EXPECT_LE(output[j], input[k + 1]) << j;
    }
    EXPECT_GT(output[511], output[510]);
}

TEST(InterpolateTrace, InputsOutsideItsAssumptionsStayInBounds)
{
    auto s = std::make_unique<SplineScratch>();
    // Fewer points than trunc(A + 2): knots are limited to the points given.
    std::vector<int32_t> few = {5, 6, 7};
    std::vector<int32_t> output(64, 99);
    InterpolateTrace(few.data(), 3, 64.0f, 40.0f, output.data(), *s);
    for (int32_t v : output) {
        EXPECT_GE(v, -100);
        EXPECT_LE(v, 100);
    }
    // Values at the ends of the int32 range: the float result is held inside the range.
    std::vector<int32_t> big(20, std::numeric_limits<int32_t>::max());
    big[5] = std::numeric_limits<int32_t>::min();
    InterpolateTrace(big.data(), 20, 30.0f, 10.0f, output.data(), *s);
    EXPECT_EQ(output[0], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(output[15], std::numeric_limits<int32_t>::min());
    // No outputs asked for: nothing written.
    std::vector<int32_t> none(4, 77);
    InterpolateTrace(big.data(), 20, 0.0f, 10.0f, none.data(), *s);
    EXPECT_EQ(none, std::vector<int32_t>(4, 77));
}
