#include "dsp/Fir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<float> Noise(int n, unsigned seed)
{
    // Wide dynamic range so that a changed summation order would show.
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::uniform_int_distribution<int> e(-12, 16);
    std::vector<float> v(n);
    for (auto& x : v) x = std::ldexp(d(rng), e(rng));
    return v;
}

// The definition, one output at a time.
std::vector<float> PlainFir(const std::vector<float>& in, const FirTable& t)
{
    std::vector<float> out(in.size());
    FirFilterPlain(in.data(), out.data(), t, static_cast<int>(in.size()));
    return out;
}

}  // namespace

TEST(FirTables, ValuesSymmetryAndSums)
{
    ASSERT_EQ(QuadratureTaps.n, 35);
    ASSERT_EQ(Decim1Taps.n, 101);
    ASSERT_EQ(Decim2Taps.n, 101);

    const float* q = QuadratureTaps.c;
    for (int j = 1; j < 35; j += 2) {
        EXPECT_EQ(q[j], 0.0f) << j;
        EXPECT_FALSE(std::signbit(q[j])) << j;  // +0: a -0 tap would flip the sign of zero sums
    }
    EXPECT_EQ(q[17], 0.0f);
    for (int j = 0; j < 35; ++j) EXPECT_EQ(q[34 - j], -q[j]) << j;
    EXPECT_EQ(q[0], 0.038135f);
    EXPECT_EQ(q[2], 0.024179f);
    EXPECT_GT(q[0], q[2]);
    EXPECT_EQ(q[8], 0.05842f);
    EXPECT_EQ(q[16], 0.635163f);
    EXPECT_EQ(q[18], -0.635163f);
    EXPECT_EQ(q[20], -0.207859f);
    EXPECT_EQ(q[34], -0.038135f);

    double s1 = 0.0, s2 = 0.0;
    for (int j = 0; j < 101; ++j) {
        EXPECT_EQ(Decim1Taps.c[100 - j], Decim1Taps.c[j]) << j;
        EXPECT_EQ(Decim2Taps.c[100 - j], Decim2Taps.c[j]) << j;
        s1 += Decim1Taps.c[j];
        s2 += Decim2Taps.c[j];
    }
    EXPECT_NEAR(s1, 1.16976, 1e-5);
    EXPECT_NEAR(s2, 0.85905, 1e-5);
    EXPECT_EQ(Decim1Taps.c[0], -0.06982917f);
    EXPECT_EQ(Decim1Taps.c[50], 0.014996181f);
    EXPECT_EQ(Decim2Taps.c[1], -0.06592921f);
    EXPECT_EQ(Decim2Taps.c[50], 0.114335805f);
}

TEST(FirFilter, CentredSumsAndEnds)
{
    // 101 taps over 101 samples: output 0 uses taps 0..50 only, output 100 taps 50..100.
    const std::vector<float> in = Noise(101, 3);
    std::vector<float> out(101);
    FirFilter(in.data(), out.data(), Decim2Taps, 101);
    const float* c = Decim2Taps.c;
    float first = 0.0f;
    for (int j = 0; j <= 50; ++j) first = std::fma(c[j], in[50 - j], first);
    float last = 0.0f;
    for (int j = 50; j <= 100; ++j) last = std::fma(c[j], in[150 - j], last);
    EXPECT_TRUE(SameBits(out[0], first));
    EXPECT_TRUE(SameBits(out[100], last));
    // Accumulating in double instead of rounding after each tap would differ somewhere.
    int differs = 0;
    for (int i = 0; i < 101; ++i) {
        double acc = 0.0;
        for (int j = 0; j < 101; ++j) {
            const int k = i + 50 - j;
            if (k >= 0 && k < 101) acc += double(c[j]) * in[k];
        }
        differs += static_cast<float>(acc) != out[i];
    }
    EXPECT_GT(differs, 0);

    // Aligned with the input, no delay: an impulse at 60 reproduces the table around 60.
    std::vector<float> imp(200, 0.0f), resp(200);
    imp[60] = 1.0f;
    FirFilter(imp.data(), resp.data(), QuadratureTaps, 200);
    for (int i = 0; i < 200; ++i) {
        const int j = i + 17 - 60;  // in[i + 17 - j] is the impulse
        EXPECT_EQ(resp[i], j >= 0 && j < 35 ? QuadratureTaps.c[j] : 0.0f) << i;
    }

    // Every tap is multiplied, the zero ones included: an infinite sample makes the outputs
    // whose window meets it through a zero tap NaN (0 x inf), the others infinite.
    std::vector<float> spike(200, 0.0f), spiked(200);
    spike[100] = INFINITY;
    FirFilter(spike.data(), spiked.data(), QuadratureTaps, 200);
    // Output i meets the spike through tap i - 83.
    EXPECT_TRUE(std::isnan(spiked[100]));  // centre tap c[17] = 0
    EXPECT_TRUE(std::isnan(spiked[84]));   // c[1] = 0
    EXPECT_EQ(spiked[83], INFINITY);       // c[0] > 0
    EXPECT_EQ(spiked[99], INFINITY);       // c[16] > 0
    EXPECT_EQ(spiked[101], -INFINITY);     // c[18] < 0
    EXPECT_EQ(spiked[82], 0.0f);           // the windows of 82 and 118 miss the spike
    EXPECT_EQ(spiked[118], 0.0f);

    // Fewer samples than taps: every output keeps only the taps that land inside.
    const std::vector<float> shortIn = Noise(5, 9);
    std::vector<float> shortOut(5);
    FirFilter(shortIn.data(), shortOut.data(), Decim1Taps, 5);
    for (int i = 0; i < 5; ++i) {
        float s = 0.0f;
        for (int j = 0; j < 101; ++j) {
            const int k = i + 50 - j;
            if (k >= 0 && k < 5) s = std::fma(Decim1Taps.c[j], shortIn[k], s);
        }
        EXPECT_TRUE(SameBits(shortOut[i], s)) << i;
    }
}

TEST(FirFilterStrided, BitForBitWithTheReference)
{
    struct Case {
        const FirTable* t;
        int count, first, step, outCount;
    };
    const Case cases[] = {
        {&QuadratureTaps, 4158, 31, 1, 4099},  // the quadrature range the demodulators read
        {&QuadratureTaps, 4158, 0, 1, 4158},   // all of it, both ends included
        {&Decim1Taps, 4197, 51, 16, 256},      // first decimation as used
        {&Decim2Taps, 357, 51, 8, 32},         // second decimation as used
        {&Decim1Taps, 4197, 0, 1, 4197},
        {&Decim2Taps, 357, 0, 8, 45},
        {&Decim1Taps, 4197, 3, 5, 839},
        {&Decim2Taps, 4197, 7, 33, 127},
        {&QuadratureTaps, 999, 2, 3, 332},
        {&Decim1Taps, 20000, 13, 600, 33},  // big stride, still split into phases
        {&Decim1Taps, 20000, 13, 5000, 4},  // stride too big to split: plain path
        {&Decim2Taps, 101, 0, 1, 101},
        {&Decim2Taps, 60, 0, 1, 60},           // shorter than the table
        {&QuadratureTaps, 4158, 4100, 1, 58},  // only the far end
    };
    // Every path this CPU runs (Auto included) against the definition.
    for (SimdKernel kernel : AllSimdKernels) {
        if (!SimdKernelAvailable(kernel)) continue;
        SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)));
        unsigned seed = 1;
        for (const Case& k : cases) {
            const std::vector<float> in = Noise(k.count, seed++);
            const std::vector<float> ref = PlainFir(in, *k.t);
            std::vector<float> whole(k.count);
            FirFilter(in.data(), whole.data(), *k.t, k.count, kernel);
            for (int i = 0; i < k.count; ++i) ASSERT_TRUE(SameBits(whole[i], ref[i])) << i;
            std::vector<float> out(k.outCount + 1, 12345.0f);
            FirFilterStrided(in.data(), out.data(), *k.t, k.count, k.first, k.step, k.outCount,
                             kernel);
            for (int i = 0; i < k.outCount; ++i)
                ASSERT_TRUE(SameBits(out[i], ref[k.first + k.step * i]))
                    << "n=" << k.t->n << " count=" << k.count << " step=" << k.step << " i=" << i;
            EXPECT_EQ(out[k.outCount], 12345.0f);  // nothing written past the end
        }

        // Special values travel the same way: zeros of either sign, infinities, NaN.
        std::vector<float> in = Noise(4197, 99);
        in[700] = -0.0f;
        in[1500] = INFINITY;
        in[3000] = NAN;
        const std::vector<float> ref = PlainFir(in, Decim1Taps);
        std::vector<float> out(256);
        FirFilterStrided(in.data(), out.data(), Decim1Taps, 4197, 51, 16, 256, kernel);
        for (int i = 0; i < 256; ++i) {
            const float r = ref[51 + 16 * i];
            ASSERT_TRUE(SameBits(out[i], r) || (std::isnan(out[i]) && std::isnan(r))) << i;
        }

        // The same near both ends, where the outputs lack some of their taps.
        std::vector<float> q = Noise(4158, 98);
        q[3] = INFINITY;
        q[10] = -0.0f;
        q[4150] = NAN;
        q[4140] = -INFINITY;
        const std::vector<float> qRef = PlainFir(q, QuadratureTaps);
        std::vector<float> qOut(4158);
        FirFilter(q.data(), qOut.data(), QuadratureTaps, 4158, kernel);
        for (int i = 0; i < 4158; ++i)
            ASSERT_TRUE(SameBits(qOut[i], qRef[i]) || (std::isnan(qOut[i]) && std::isnan(qRef[i])))
                << i;
    }
}
