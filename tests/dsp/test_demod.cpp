#include "dsp/Demod.h"
#include "dsp/Fir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct AtanFixture : ::testing::Test {
    std::vector<float> T = std::vector<float>(AtanTableSize);
    void SetUp() override { BuildAtanTable(T.data()); }
};

// A carrier of the given amplitude through the quadrature filter, as the chain forms I and Q.
void Quadrature(double hz, double amplitude, std::vector<float>& I, std::vector<float>& Q)
{
    I.resize(4158);
    Q.resize(4158);
    for (int n = 0; n < 4158; ++n)
        I[n] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * n / 44100.0 + 0.3));
    FirFilterStrided(I.data(), Q.data(), QuadratureTaps, 4158, 0, 1, 4158);
}

}  // namespace

using AtanTable = AtanFixture;
using PhaseAngleTest = AtanFixture;
using Demodulators = AtanFixture;

TEST_F(AtanTable, EndsAndMonotonic)
{
    EXPECT_EQ(T[0], 0.0f);
    EXPECT_EQ(T[65535], 0.7853982f);
    EXPECT_EQ(T[32768], static_cast<float>(std::atan2(32768.0, 65535.0)));
    for (int i = 1; i < AtanTableSize; ++i) ASSERT_GE(T[i], T[i - 1]) << i;
}

TEST_F(PhaseAngleTest, CasesAndAccuracy)
{
    const float* t = T.data();
    EXPECT_EQ(PhaseAngle(t, 1.0f, 0.0f), 0.0f);
    EXPECT_EQ(PhaseAngle(t, 0.0f, 1.0f), 1.5707964f);
    EXPECT_EQ(PhaseAngle(t, -1.0f, 0.0f), 3.1415927f);
    EXPECT_EQ(PhaseAngle(t, 0.0f, -1.0f), -1.5707964f);
    EXPECT_EQ(PhaseAngle(t, 1.0f, 1.0f), 0.7853982f);
    EXPECT_EQ(PhaseAngle(t, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(PhaseAngle(t, -1.0f, -1.0f), -(3.1415927f - 0.7853982f));
    EXPECT_EQ(PhaseAngle(t, -0.0f, 0.0f), 0.0f);          // -0 is not below 0
    EXPECT_EQ(PhaseAngle(t, 1e-30f, 1e30f), 1.5707964f);  // ratio rounds to index 0
    EXPECT_EQ(PhaseAngle(t, INFINITY, 5.0f), 0.0f);
    EXPECT_EQ(PhaseAngle(t, -3.0f, INFINITY), 1.5707964f);
    EXPECT_EQ(PhaseAngle(t, INFINITY, -INFINITY), -0.7853982f);
    EXPECT_TRUE(std::isnan(PhaseAngle(t, NAN, 1.0f)));
    EXPECT_TRUE(std::isnan(PhaseAngle(t, 1.0f, NAN)));
    // Index = trunc(65535 x ratio + 0.5): ratio 0.5 -> 32768.
    EXPECT_EQ(PhaseAngle(t, 2.0f, 1.0f), T[32768]);
    EXPECT_EQ(PhaseAngle(t, 1.0f, 2.0f), 1.5707964f - T[32768]);

    // Over all directions the error against atan2 stays within about 7.8e-6 rad.
    double worst = 0.0;
    for (int k = 0; k < 400000; ++k) {
        const double ang = -M_PI + 2.0 * M_PI * (k + 0.37) / 400000.0;
        const float x = static_cast<float>(1000.0 * std::cos(ang));
        const float y = static_cast<float>(1000.0 * std::sin(ang));
        const double err =
            std::fabs(static_cast<double>(PhaseAngle(t, x, y)) - std::atan2(double(y), double(x)));
        worst = std::max(worst, std::min(err, 2.0 * M_PI - err));
    }
    EXPECT_LT(worst, 7.9e-6);
    EXPECT_GT(worst, 7.6e-6);  // half a table step (7.63e-6) plus the roundings
}

TEST_F(Demodulators, AmEnvelopeOfASteadyCarrier)
{
    std::vector<float> I, Q, out(4096);
    Quadrature(16065.0, 1000.0, I, Q);
    DemodulateAm(I.data(), Q.data(), 1.0f, out.data());
    float lo = 1e30f, hi = 0.0f;
    for (float v : out) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_NEAR(lo, 50000.0f, 3.0f);
    EXPECT_NEAR(hi, 52770.0f, 5.0f);  // quadrature gain 1.0555 at 16065 Hz

    Quadrature(19145.0, 1000.0, I, Q);
    DemodulateAm(I.data(), Q.data(), 1.0f, out.data());
    lo = 1e30f;
    hi = 0.0f;
    for (float v : out) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_NEAR(lo, 50000.0f, 1.0f);
    EXPECT_NEAR(hi, 50120.0f, 3.0f);

    // Output i reads entry 31 + i; gain scales.
    std::vector<float> zeros(4158, 0.0f), half(4096);
    zeros[31] = 3.0f;
    std::vector<float> q(4158, 0.0f);
    q[31] = 4.0f;
    DemodulateAm(zeros.data(), q.data(), 0.5f, half.data());
    EXPECT_EQ(half[0], 125.0f);
    EXPECT_EQ(half[1], 0.0f);
}

TEST_F(Demodulators, FmCarrierGivesItsFrequency)
{
    std::vector<float> I, Q, out(4096);
    Quadrature(16000.0, 1000.0, I, Q);
    const double fmScale = 44100.0 * 0.15915494327375637;
    const float gain = 0.01f;
    DemodulateFm(I.data(), Q.data(), gain, fmScale, T.data(), out.data());
    double mean = 0.0;
    for (float v : out) mean += v;
    mean /= 4096.0;
    const double expected = -250.0 * 16000.0 * gain;
    // The mean phase step is -2 pi 16000 / 44100; the quadrature ripple adds about +-0.04 rad.
    EXPECT_NEAR(mean, expected, 1e-3 * std::fabs(expected));
    for (float v : out) ASSERT_NEAR(v, expected, 0.02 * std::fabs(expected));
    // A rise of the carrier frequency moves the output down.
    Quadrature(16100.0, 1000.0, I, Q);
    std::vector<float> higher(4096);
    DemodulateFm(I.data(), Q.data(), gain, fmScale, T.data(), higher.data());
    double meanHigher = 0.0;
    for (float v : higher) meanHigher += v;
    EXPECT_NEAR(meanHigher / 4096.0 - mean, -250.0 * 100.0 * gain, 0.5);
}

TEST_F(Demodulators, VectorPathsMatchTheScalarDefinitionBitForBit)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::uniform_int_distribution<int> e(-20, 20);
    std::vector<float> I(4158), Q(4158);
    for (int n = 0; n < 4158; ++n) {
        I[n] = std::ldexp(d(rng), e(rng));
        Q[n] = std::ldexp(d(rng), e(rng));
    }
    // Zeros, signed zeros, equal magnitudes, infinities and NaN among the inputs.
    I[100] = 0.0f;
    Q[100] = 0.0f;
    I[101] = 0.0f;
    Q[101] = 0.0f;
    I[200] = -0.0f;
    Q[300] = 0.0f;
    I[400] = 5.0f;
    Q[400] = 5.0f;
    I[401] = -5.0f;
    Q[401] = 5.0f;
    I[500] = INFINITY;
    Q[600] = -INFINITY;
    I[700] = NAN;
    I[800] = 3e38f;
    Q[800] = -3e38f;

    const float gain = 0.37f;
    const double fmScale = 44100.0 * 0.15915494327375637;
    for (SimdKernel kernel : AllSimdKernels) {
        if (!SimdKernelAvailable(kernel)) continue;
        SCOPED_TRACE(static_cast<int>(kernel));
        std::vector<float> am(4096), fm(4096);
        DemodulateAm(I.data(), Q.data(), gain, am.data(), kernel);
        DemodulateFm(I.data(), Q.data(), gain, fmScale, T.data(), fm.data(), kernel);
        for (int i = 0; i < 4096; ++i) {
            const int m = 31 + i;
            const double re = I[m], im = Q[m];
            const float a = static_cast<float>(std::sqrt(re * re + im * im) * double(gain) * 50.0);
            ASSERT_TRUE(SameBits(am[i], a) || (std::isnan(a) && std::isnan(am[i]))) << i;

            const int k = 32 + i;
            const double i0 = I[k], i1 = I[k + 1], q0 = Q[k], q1 = Q[k + 1];
            const float x = static_cast<float>(i0 * i1 + q0 * q1);
            const float y = static_cast<float>(i0 * q1 - i1 * q0);
            const double ang = PhaseAngle(T.data(), x, y);
            const float f = static_cast<float>(250.0 * fmScale * ang * double(gain));
            ASSERT_TRUE(SameBits(fm[i], f) || (std::isnan(f) && std::isnan(fm[i]))) << i;
        }
    }
}
