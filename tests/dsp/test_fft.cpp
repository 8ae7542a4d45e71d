#include "dsp/Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Entry-1 arrays of a transform of N points.
struct Arrays {
    explicit Arrays(int N) : N(N), x(N + 1, 0.0f), re(N / 2 + 1, 0.0f), im(N / 2 + 1, 0.0f) {}
    int N;
    std::vector<float> x, re, im;
};

std::vector<float> RandomSignal(int N, unsigned seed, float amplitude)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> x(N + 1, 0.0f);
    for (int n = 1; n <= N; ++n)
        x[n] = dist(gen);
    return x;
}

} // namespace

TEST(RealFft, LayoutMatchesTheDiscreteTransform)
{
    // Slot 0 packs X[0]/2 and X[N/2]/2; slot s holds X[s] = sum x[n] e^(-j 2 pi s n / N).
    for (int N : {4, 8, 64, 2048}) {
        Arrays a(N);
        a.x = RandomSignal(N, 11u + N, 1.0f);
        RealFft(a.x.data(), a.re.data(), a.im.data(), N);
        double x0 = 0.0, xh = 0.0;
        for (int n = 0; n < N; ++n) {
            x0 += a.x[n + 1];
            xh += (n % 2 ? -1.0 : 1.0) * a.x[n + 1];
        }
        const double tol = 2e-6 * N;
        EXPECT_NEAR(a.re[1], x0 / 2, tol) << N;
        EXPECT_NEAR(a.im[1], xh / 2, tol) << N;
        for (int s = 1; s < N / 2; s += (N > 64 ? 37 : 1)) {
            double r = 0.0, i = 0.0;
            for (int n = 0; n < N; ++n) {
                r += a.x[n + 1] * std::cos(2 * Pi * s * n / N);
                i -= a.x[n + 1] * std::sin(2 * Pi * s * n / N);
            }
            EXPECT_NEAR(a.re[s + 1], r, tol) << N << " slot " << s;
            EXPECT_NEAR(a.im[s + 1], i, tol) << N << " slot " << s;
        }
    }
}

TEST(RealFft, CosineConstantAndAlternatingInputs)
{
    for (int N : {8, 512, 2048}) {
        for (int b : {1, 3, N / 4, N / 2 - 1}) {
            Arrays a(N);
            for (int n = 0; n < N; ++n)
                a.x[n + 1] = static_cast<float>(std::cos(2 * Pi * b * n / N));
            RealFft(a.x.data(), a.re.data(), a.im.data(), N);
            for (int s = 0; s < N / 2; ++s) {
                const double expected = (s == b) ? N / 2.0 : 0.0;
                EXPECT_NEAR(a.re[s + 1], expected, 2e-5 * N) << "N " << N << " bin " << b;
                EXPECT_NEAR(a.im[s + 1], 0.0, 2e-5 * N) << "N " << N << " bin " << b;
            }
        }
        Arrays c(N), alt(N);
        for (int n = 0; n < N; ++n) {
            c.x[n + 1] = 1.0f;
            alt.x[n + 1] = (n % 2) ? -1.0f : 1.0f;
        }
        const std::vector<float> before = c.x;
        RealFft(c.x.data(), c.re.data(), c.im.data(), N);
        RealFft(alt.x.data(), alt.re.data(), alt.im.data(), N);
        EXPECT_EQ(c.x, before);  // input untouched
        EXPECT_FLOAT_EQ(c.re[1], N / 2.0f);
        EXPECT_NEAR(c.im[1], 0.0f, 1e-6);
        EXPECT_NEAR(alt.re[1], 0.0f, 1e-6);
        EXPECT_FLOAT_EQ(alt.im[1], N / 2.0f);
        for (int s = 1; s < N / 2; ++s) {
            EXPECT_NEAR(std::hypot(c.re[s + 1], c.im[s + 1]), 0.0, 1e-5 * N);
            EXPECT_NEAR(std::hypot(alt.re[s + 1], alt.im[s + 1]), 0.0, 1e-5 * N);
        }
    }
}

TEST(RealFft, InverseRoundTrip)
{
    // The split's theta, c1 and s1 are single precision, so the round trip holds to about 4e-6
    // of the peak up to N = 2048 (the lengths in use), and loosens with N beyond that.
    for (int N : {4, 8, 16, 32, 512, 2048, 4096, 16384, 65536}) {
        for (float amp : {1.0f, 30000.0f}) {
            Arrays a(N);
            a.x = RandomSignal(N, 7u * N, amp);
            RealFft(a.x.data(), a.re.data(), a.im.data(), N);
            std::vector<float> out(N + 1, -99.0f);
            InverseRealFft(out.data(), a.re.data(), a.im.data(), N);
            EXPECT_EQ(out[0], -99.0f);  // entry 0 not used
            double worst = 0.0;
            for (int n = 1; n <= N; ++n)
                worst = std::max(worst, std::abs(static_cast<double>(out[n]) - a.x[n]));
            EXPECT_LE(worst, (N <= 2048 ? 5e-6 : 5e-4) * amp) << "N " << N;
        }
    }
}

// Every vector path this CPU runs against the plain loops, over every length. The inputs span
// a wide range of magnitudes so that each product's rounding is exercised.
TEST(SimdKernel, NamesAndRequestsTheCpuCannotRun)
{
    // The names VELQUOR_KERNEL takes; anything else leaves the choice to the CPU.
    for (SimdKernel k : AllSimdKernels)
        EXPECT_EQ(SimdKernelFromName(SimdKernelName(k)), k);
    EXPECT_EQ(SimdKernelFromName("AVX2"), SimdKernel::Auto);
    EXPECT_EQ(SimdKernelFromName(nullptr), SimdKernel::Auto);
    // Whatever is asked for, what runs is a kernel this CPU has.
    for (SimdKernel k : AllSimdKernels) {
        const SimdKernel runs = ResolveSimdKernel(k);
        EXPECT_NE(runs, SimdKernel::Auto);
        EXPECT_TRUE(SimdKernelAvailable(runs));
        if (SimdKernelAvailable(k) && k != SimdKernel::Auto) {
            EXPECT_EQ(runs, k);
        }
    }
}

TEST(RealFft, EveryKernelEqualsPlainLoopsBitForBit)
{
    std::mt19937 gen(77);
    std::uniform_real_distribution<float> mant(-1.0f, 1.0f);
    std::uniform_int_distribution<int> expo(-30, 30);
    for (SimdKernel kernel : AllSimdKernels) {
        if (!SimdKernelAvailable(kernel))
            continue;
        SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)));
        for (int N = 4; N <= 65536; N *= 2) {
            for (int wide = 0; wide < 2; ++wide) {
                std::vector<float> x = RandomSignal(N, 1000u + N, 1000.0f);
                if (wide) {
                    for (int n = 1; n <= N; ++n)
                        x[n] = std::ldexp(mant(gen), expo(gen));
                }
                // Guard values around the arrays: entry 0 and anything past the end stay.
                constexpr float Guard = -12345.0f;
                constexpr int Past = 24;
                std::vector<float> re(N / 2 + 1 + Past, Guard), im(N / 2 + 1 + Past, Guard);
                Arrays plain(N);
                const std::vector<float> before = x;
                RealFft(x.data(), re.data(), im.data(), N, kernel);
                RealFftPlain(x.data(), plain.re.data(), plain.im.data(), N);
                ASSERT_EQ(x, before) << "input changed, N " << N;
                ASSERT_EQ(re[0], Guard) << N;
                ASSERT_EQ(im[0], Guard) << N;
                for (int k = N / 2 + 1; k < N / 2 + 1 + Past; ++k) {
                    ASSERT_EQ(re[k], Guard) << "written past the end, N " << N;
                    ASSERT_EQ(im[k], Guard) << "written past the end, N " << N;
                }
                ASSERT_TRUE(std::equal(plain.re.begin() + 1, plain.re.end(), re.begin() + 1))
                    << "forward N " << N;
                ASSERT_TRUE(std::equal(plain.im.begin() + 1, plain.im.end(), im.begin() + 1))
                    << "forward N " << N;
                std::vector<float> outFast(N + 1 + Past, Guard), outPlain(N + 1, 0.0f);
                InverseRealFft(outFast.data(), re.data(), im.data(), N, kernel);
                InverseRealFftPlain(outPlain.data(), plain.re.data(), plain.im.data(), N);
                ASSERT_EQ(outFast[0], Guard) << N;
                for (int k = N + 1; k < N + 1 + Past; ++k)
                    ASSERT_EQ(outFast[k], Guard) << "written past the end, N " << N;
                ASSERT_TRUE(std::equal(outPlain.begin() + 1, outPlain.end(), outFast.begin() + 1))
                    << "inverse N " << N;
            }
        }
    }
}

TEST(RealFft, LengthsThatAreNoPowerOfTwoChangeNothing)
{
    for (int N : {0, 2, 6, 100, 131072, -8}) {
        std::vector<float> x(16, 1.0f), re(16, 5.0f), im(16, 6.0f), out(16, 7.0f);
        RealFft(x.data(), re.data(), im.data(), N);
        InverseRealFft(out.data(), re.data(), im.data(), N);
        EXPECT_EQ(re, std::vector<float>(16, 5.0f)) << N;
        EXPECT_EQ(im, std::vector<float>(16, 6.0f)) << N;
        EXPECT_EQ(out, std::vector<float>(16, 7.0f)) << N;
        EXPECT_FALSE(IsFftLength(N));
    }
    EXPECT_TRUE(IsFftLength(4));
    EXPECT_TRUE(IsFftLength(65536));
}

namespace {

void CheckOverlapAddAgainstSteps(SimdKernel kernel)
{
    for (int N : {8, 32, 64, 128, 512, 2048, 4096, 8192}) {
        const int h = N / 2;
        const std::vector<float> in = RandomSignal(h, 3u * N, 20000.0f);
        const std::vector<float> hr = RandomSignal(h, 5u * N, 1.0f);
        const std::vector<float> hi = RandomSignal(h, 9u * N, 1.0f);
        std::vector<float> tail = RandomSignal(h, 13u * N, 100.0f);
        std::vector<float> tailRef = tail;
        // out has guard entries past its end: nothing may be written there.
        std::vector<float> out(h + 16, -777.0f), re(h + 1), im(h + 1), work(N + 1);
        OverlapAddBlock(in.data() + 1, hr.data() + 1, hi.data() + 1, tail.data() + 1,
                        out.data(), re.data(), im.data(), work.data(), N, kernel);

        Arrays a(N);
        std::copy(in.begin() + 1, in.end(), a.x.begin() + 1);
        RealFftPlain(a.x.data(), a.re.data(), a.im.data(), N);
        for (int s = 0; s < h; ++s) {
            const float p = a.re[s + 1], q = a.im[s + 1];
            a.re[s + 1] = static_cast<float>(static_cast<double>(p) * hr[s + 1] -
                                             static_cast<double>(q) * hi[s + 1]);
            a.im[s + 1] = static_cast<float>(static_cast<double>(p) * hi[s + 1] +
                                             static_cast<double>(q) * hr[s + 1]);
        }
        std::vector<float> y(N + 1);
        InverseRealFftPlain(y.data(), a.re.data(), a.im.data(), N);
        for (int i = 0; i < h; ++i) {
            ASSERT_EQ(out[i], y[i + 1] + tailRef[i + 1]) << "N " << N << " i " << i;
            ASSERT_EQ(tail[i + 1], y[h + i + 1]) << "N " << N << " i " << i;
        }

        // Pair form: the second response is the first mirrored; outputs written over the input.
        std::vector<float> in2(in.begin() + 1, in.end());
        std::vector<float> tail1 = tailRef, tail2 = tailRef, out2(h), products(N + 1);
        std::vector<float> hr2(hi.begin() + 1, hi.end()), hi2(hr.begin() + 1, hr.end());
        std::vector<float> out2Ref(h), tail2Ref = tailRef;
        OverlapAddBlock(in.data() + 1, hr2.data(), hi2.data(), tail2Ref.data() + 1, out2Ref.data(),
                        re.data(), im.data(), work.data(), N, kernel);
        OverlapAddBlockPair(in2.data(), hr.data() + 1, hi.data() + 1, tail1.data() + 1,
                            in2.data(), hr2.data(), hi2.data(), tail2.data() + 1, out2.data(),
                            re.data(), im.data(), work.data(), products.data(), N, kernel);
        for (int i = h; i < h + 16; ++i)
            EXPECT_EQ(out[i], -777.0f) << "written past the end, N " << N;
        EXPECT_TRUE(std::equal(in2.begin(), in2.end(), out.begin()))
            << "pair, first response, N " << N;
        EXPECT_EQ(tail1, tail) << "pair, first tail, N " << N;
        EXPECT_EQ(out2, out2Ref) << "pair, second response, N " << N;
        EXPECT_EQ(tail2, tail2Ref) << "pair, second tail, N " << N;
    }
}

} // namespace

TEST(OverlapAddBlock, EqualsTheStepsDoneOneByOneOnEveryKernel)
{
    for (SimdKernel kernel : AllSimdKernels) {
        if (!SimdKernelAvailable(kernel))
            continue;
        SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)));
        CheckOverlapAddAgainstSteps(kernel);
    }
}

TEST(PowerSpectrum, ConstantTraceAndStorage)
{
    std::vector<float> w(Hamming512Size);
    BuildHamming512(w.data());
    EXPECT_NEAR(w[0], 0.08f, 1e-6);
    EXPECT_NEAR(w[256], 1.0f, 1e-6);
    EXPECT_NEAR(w[512], w[0], 1e-6);
    EXPECT_NEAR(w[128], 0.54f, 1e-6);

    const int N = 512;
    for (int v : {1000, -37}) {
        std::vector<int32_t> trace(N + 4, v);
        std::vector<float> work(N + 1, 0.0f), re(N / 2 + 1), im(N / 2 + 1);
        work[0] = 123.0f;
        PowerSpectrum(trace.data(), 2, w.data(), work.data(), re.data(), im.data(), N);
        EXPECT_EQ(work[0], 123.0f);
        const double w1 = std::pow(0.54 * v * N, 2) / 4;
        const double w2 = std::pow(0.23 * v * N, 2);
        EXPECT_NEAR(work[1], w1, 1e-5 * w1);
        EXPECT_NEAR(work[2], w2, 1e-5 * w1);
        for (int k = 3; k <= N / 2; ++k)
            EXPECT_NEAR(work[k], 0.0, 1e-9 * w1) << k;
        EXPECT_FLOAT_EQ(re[1] * re[1] + im[1] * im[1], work[1]);
        for (int k = N / 2 + 1; k <= N; ++k)
            EXPECT_EQ(work[k], static_cast<float>(v) * w[k]) << k;  // windowed samples remain
    }

    // A varying trace read from an offset: sample offset + k - 1 is weighted by w[k].
    std::vector<int32_t> ramp(N + 10);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int32_t>(i * i) - 3000;
    std::vector<float> work(N + 1), re(N / 2 + 1), im(N / 2 + 1), x(N + 1, 0.0f);
    PowerSpectrum(ramp.data(), 7, w.data(), work.data(), re.data(), im.data(), N);
    for (int k = 1; k <= N; ++k)
        x[k] = static_cast<float>(ramp[7 + k - 1]) * w[k];
    for (int k = N / 2 + 1; k <= N; ++k)
        ASSERT_EQ(work[k], x[k]) << k;
    std::vector<float> re2(N / 2 + 1), im2(N / 2 + 1);
    RealFft(x.data(), re2.data(), im2.data(), N);
    for (int k = 1; k <= N / 2; ++k) {
        ASSERT_EQ(re[k], re2[k]) << k;
        ASSERT_EQ(work[k], static_cast<float>(static_cast<double>(re2[k]) * re2[k] +
                                              static_cast<double>(im2[k]) * im2[k]))
            << k;
    }
}
