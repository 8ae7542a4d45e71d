#include "dsp/Iir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

namespace {

double Magnitude(const IirCoefficients& s, double f) { return std::abs(IirResponse(s, f)); }

double CentreGain(const IirCoefficients& s, bool highPass)
{
    double sa = 0.0, sb = 0.0;
    for (int i = 0; i <= 4; ++i) {
        const double sign = highPass && (i & 1) ? -1.0 : 1.0;
        sa += s.a[i] * sign;
        sb += s.b[i] * sign;
    }
    return sa / (1.0 - sb);
}

// Largest |output| over the last 1000 samples of a long impulse response: 0 for a decaying filter.
double ImpulseTail(const IirCoefficients& s)
{
    std::vector<float> in(200000, 0.0f), out(in.size());
    in[0] = 1.0f;
    IirState st{};
    IirFilter4(in.data(), out.data(), static_cast<int>(in.size()), st, s);
    double m = 0.0;
    for (size_t i = 0; i < out.size(); ++i)
        if (!std::isfinite(out[i])) return INFINITY;
    for (size_t i = out.size() - 1000; i < out.size(); ++i)
        m = std::max(m, std::fabs(double(out[i])));
    return m;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<float> Noise(size_t n, unsigned seed, float amp)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-amp, amp);
    std::vector<float> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

}  // namespace

TEST(CalcIir, UnitGainAtPassBandCentreAndShape)
{
    IirCoefficients lp;
    CalcIir(lp, 0.5f, 0.075f, 4, 0, 1);
    EXPECT_NEAR(CentreGain(lp, false), 1.0, 1e-5);
    EXPECT_EQ(lp.b[0], 0.0f);
    for (int i = 5; i < 21; ++i) {
        EXPECT_EQ(lp.a[i], 0.0f) << i;
        EXPECT_EQ(lp.b[i], 0.0f) << i;
    }
    // Chebyshev with 0.5 % ripple: about -3 dB at the cutoff, ripple above 1 in the pass band.
    EXPECT_NEAR(Magnitude(lp, 0.075), 0.7107, 2e-3);
    double peak = 0.0;
    for (double f = 0.0; f < 0.07; f += 0.0005) peak = std::max(peak, Magnitude(lp, f));
    EXPECT_GT(peak, 1.004);
    EXPECT_LT(peak, 1.006);
    EXPECT_LT(Magnitude(lp, 0.2), 0.01);

    IirCoefficients hp;
    CalcIir(hp, 0.5f, 0.3f, 4, 1, 1);
    EXPECT_NEAR(CentreGain(hp, true), 1.0, 1e-5);
    EXPECT_NEAR(Magnitude(hp, 0.5), 1.0, 1e-5);
    EXPECT_NEAR(Magnitude(hp, 0.3), 0.7107, 2e-3);
    EXPECT_LT(Magnitude(hp, 0.1), 0.01);

    // The start-up band sets of the default carriers: unit gain at their pass-band centre.
    const float edges[4] = {
        static_cast<float>(19645.0 / 44100.0), static_cast<float>(18645.0 / 44100.0),
        static_cast<float>(16565.0 / 44100.0), static_cast<float>(15565.0 / 44100.0)};
    for (int k = 0; k < 4; ++k) {
        IirCoefficients s;
        CalcIir(s, 0.5f, edges[k], 4, k & 1, 1);
        EXPECT_NEAR(CentreGain(s, k & 1), 1.0, 1e-5) << k;
        EXPECT_LT(ImpulseTail(s), 1e-20) << k;
    }

    // The raw-array form writes the same set.
    float a[23], b[23];
    CalcIir(a, b, 0.5f, 0.075f, 4, 0, 1);
    EXPECT_EQ(std::memcmp(a, lp.a, sizeof a), 0);
    EXPECT_EQ(std::memcmp(b, lp.b, sizeof b), 0);
}

TEST(CalcIir, ButterworthWhenNotChebyshev)
{
    IirCoefficients b0, b2, cheb;
    CalcIir(b0, 0.5f, 0.1f, 4, 0, 0);
    CalcIir(b2, 0.5f, 0.1f, 4, 0, 2);
    CalcIir(cheb, 0.5f, 0.1f, 4, 0, 1);
    EXPECT_EQ(std::memcmp(&b0, &b2, sizeof b0), 0);
    EXPECT_NE(std::memcmp(&b0, &cheb, sizeof b0), 0);
    EXPECT_NEAR(CentreGain(b0, false), 1.0, 1e-5);
    EXPECT_NEAR(Magnitude(b0, 0.1), std::sqrt(0.5), 1e-3);
    // Maximally flat: no ripple, falling all the way, 4th order (-24 dB per octave far out).
    double prev = Magnitude(b0, 0.0);
    for (double f = 0.002; f < 0.5; f += 0.002) {
        const double m = Magnitude(b0, f);
        EXPECT_LE(m, prev + 1e-7) << f;
        prev = m;
    }
    EXPECT_LE(Magnitude(b0, 0.05), 1.0 + 1e-6);
    // The pole pairs sit on the unit circle before warping: same A/B for pair 1 either way
    // except for the warp.
    const PolePair p = CalcPolePair(1, 0, 0.5f, 0.1f, 0, 4);
    EXPECT_TRUE(std::isfinite(p.A0) && std::isfinite(p.B2));
    EXPECT_NEAR(p.A0, p.A2, 1e-7);  // a low-pass pair is symmetric in its feed-forward part
}

TEST(CalcIir, OutOfRangeRequestsStillGiveSaneFilters)
{
    EXPECT_EQ(ClampCutoff(0.075f), 0.075f);
    EXPECT_EQ(ClampCutoff(0.3f), 0.3f);
    for (float bad : {0.0f, -0.2f, 0.5f, 0.7f, 1e9f, NAN, INFINITY, -INFINITY, 1e-6f}) {
        const float c = ClampCutoff(bad);
        EXPECT_GT(c, 0.0f) << bad;
        EXPECT_LT(c, 0.5f) << bad;
        for (int hp = 0; hp < 2; ++hp) {
            IirCoefficients s;
            CalcIir(s, 0.5f, bad, 4, hp, 1);
            for (int i = 0; i < 23; ++i)
                ASSERT_TRUE(std::isfinite(s.a[i]) && std::isfinite(s.b[i]));
            EXPECT_LT(ImpulseTail(s), 1e-6) << bad << " hp " << hp;
        }
    }
    // Odd or out-of-range pole counts are brought to a valid even count instead of dividing by 0.
    IirCoefficients z, two;
    CalcIir(z, 0.5f, 0.1f, 0, 0, 1);
    CalcIir(two, 0.5f, 0.1f, 2, 0, 1);
    EXPECT_EQ(std::memcmp(&z, &two, sizeof z), 0);
}

TEST(IirFilter4, RecursionAndBlockContinuity)
{
    IirCoefficients s;
    CalcIir(s, 0.5f, static_cast<float>(16565.0 / 44100.0), 4, 0, 1);
    const std::vector<float> in = Noise(4128, 7, 20000.0f);

    IirState whole{};
    std::vector<float> outWhole(4128);
    IirFilter4(in.data(), outWhole.data(), 4128, whole, s);

    IirState split{};
    std::vector<float> outSplit(4128);
    IirFilter4(in.data(), outSplit.data(), 4096, split, s);
    IirFilter4(in.data() + 4096, outSplit.data() + 4096, 32, split, s);
    for (int i = 0; i < 4128; ++i) ASSERT_TRUE(SameBits(outWhole[i], outSplit[i])) << i;
    EXPECT_EQ(std::memcmp(&whole, &split, sizeof whole), 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(whole.x[k], in[4124 + k]);
        EXPECT_EQ(whole.y[k], outWhole[4124 + k]);
    }

    // The formula itself, against a long-double evaluation from the same history.
    IirState st{{1.0f, -2.0f, 3.0f, -4.0f}, {0.5f, -0.25f, 0.125f, 2.0f}};
    const IirState st0 = st;
    float out[8];
    IirFilter4(in.data(), out, 8, st, s);
    long double x[12], y[12];
    for (int k = 0; k < 4; ++k) {
        x[k] = st0.x[k];
        y[k] = st0.y[k];
    }
    for (int n = 0; n < 8; ++n) {
        x[4 + n] = in[n];
        long double acc = 0;
        for (int i = 0; i <= 4; ++i) acc += static_cast<long double>(s.a[i]) * x[4 + n - i];
        for (int i = 1; i <= 4; ++i) acc += static_cast<long double>(s.b[i]) * y[4 + n - i];
        y[4 + n] = out[n];
        EXPECT_NEAR(static_cast<double>(out[n]), static_cast<double>(acc),
                    std::fabs(static_cast<double>(acc)) * 1.2e-7 + 1e-30)
            << n;
    }

    // In place gives the same as separate arrays; a 4-pole set ignores a[5..], b[5..].
    std::vector<float> inPlace = in;
    IirState ip{};
    IirFilter4(inPlace.data(), inPlace.data(), 4128, ip, s);
    for (int i = 0; i < 4128; ++i) ASSERT_TRUE(SameBits(inPlace[i], outWhole[i])) << i;
    IirCoefficients noisy = s;
    for (int i = 5; i < 23; ++i) noisy.a[i] = noisy.b[i] = 123.0f;
    IirState ns{};
    std::vector<float> outNoisy(4128);
    IirFilter4(in.data(), outNoisy.data(), 4128, ns, noisy);
    EXPECT_EQ(std::memcmp(outNoisy.data(), outWhole.data(), 4128 * sizeof(float)), 0);
}

TEST(IirCascade, InterleavedMatchesSectionBySectionBitForBit)
{
    // The AM band order: low, low, high, high, low, high, with each channel's own sets.
    IirCoefficients lp1, hp1, lp2, hp2;
    CalcIir(lp1, 0.5f, static_cast<float>(19645.0 / 44100.0), 4, 0, 1);
    CalcIir(hp1, 0.5f, static_cast<float>(18645.0 / 44100.0), 4, 1, 1);
    CalcIir(lp2, 0.5f, static_cast<float>(16565.0 / 44100.0), 4, 0, 1);
    CalcIir(hp2, 0.5f, static_cast<float>(15565.0 / 44100.0), 4, 1, 1);
    const IirCoefficients* sets1[6] = {&lp1, &lp1, &hp1, &hp1, &lp1, &hp1};
    const IirCoefficients* sets2[6] = {&lp2, &lp2, &hp2, &hp2, &lp2, &hp2};

    std::mt19937 rng(11);
    std::uniform_real_distribution<float> d(-100.0f, 100.0f);
    for (SimdKernel kernel : AllSimdKernels) {
        if (!SimdKernelAvailable(kernel)) continue;
        SCOPED_TRACE(static_cast<int>(kernel));
        for (int sections = 1; sections <= 6; ++sections) {
            for (int count : {4096, 32, 4, 7, 13, 23, 24, 25, 100}) {
                const std::vector<float> in1 = Noise(count, 100 + count, 30000.0f);
                const std::vector<float> in2 = Noise(count, 200 + count, 30000.0f);
                IirState ref1[6], ref2[6], st1[6], st2[6];
                for (int s = 0; s < 6; ++s) {
                    for (int k = 0; k < 4; ++k) {
                        ref1[s].x[k] = d(rng);
                        ref1[s].y[k] = d(rng);
                        ref2[s].x[k] = d(rng);
                        ref2[s].y[k] = d(rng);
                    }
                    st1[s] = ref1[s];
                    st2[s] = ref2[s];
                }
                std::vector<float> r1 = in1, r2 = in2, tmp(count);
                for (int s = 0; s < sections; ++s) {
                    tmp = r1;
                    IirFilter4(tmp.data(), r1.data(), count, ref1[s], *sets1[s]);
                    tmp = r2;
                    IirFilter4(tmp.data(), r2.data(), count, ref2[s], *sets2[s]);
                }
                IirSection c1[6], c2[6];
                for (int s = 0; s < 6; ++s) {
                    c1[s] = {sets1[s], &st1[s]};
                    c2[s] = {sets2[s], &st2[s]};
                }
                std::vector<float> o1(count), o2 = in2;  // channel 2 in place
                IirCascadePair(in1.data(), o1.data(), c1, o2.data(), o2.data(), c2, sections, count,
                               kernel);
                for (int i = 0; i < count; ++i) {
                    ASSERT_TRUE(SameBits(o1[i], r1[i])) << sections << " " << count << " " << i;
                    ASSERT_TRUE(SameBits(o2[i], r2[i])) << sections << " " << count << " " << i;
                }
                for (int s = 0; s < 6; ++s) {
                    EXPECT_EQ(std::memcmp(&st1[s], &ref1[s], sizeof(IirState)), 0)
                        << sections << " " << s;
                    EXPECT_EQ(std::memcmp(&st2[s], &ref2[s], sizeof(IirState)), 0)
                        << sections << " " << s;
                }
            }
        }
    }

    // One channel, twice in a row: the second block continues from the states the first left.
    IirState a[6]{}, b[6]{};
    IirSection ca[6], cb[6];
    for (int s = 0; s < 6; ++s) {
        ca[s] = {sets1[s], &a[s]};
        cb[s] = {sets1[s], &b[s]};
    }
    const std::vector<float> in = Noise(8192, 5, 32768.0f);
    std::vector<float> once(8192), twice(8192);
    IirCascade(in.data(), once.data(), ca, 6, 8192);
    IirCascade(in.data(), twice.data(), cb, 6, 4096);
    IirCascade(in.data() + 4096, twice.data() + 4096, cb, 6, 4096);
    EXPECT_EQ(std::memcmp(once.data(), twice.data(), 8192 * sizeof(float)), 0);

    // One channel on every kernel against the sections run one after the other, in place.
    for (SimdKernel kernel : AllSimdKernels) {
        SCOPED_TRACE(static_cast<int>(kernel));
        IirState st[6]{}, ref[6]{};
        IirSection c[6];
        for (int s = 0; s < 6; ++s)
            c[s] = {sets1[s], &st[s]};
        std::vector<float> out(in.begin(), in.begin() + 4096), r = out;
        IirCascade(out.data(), out.data(), c, 6, 4096, kernel);
        for (int s = 0; s < 6; ++s)
            IirFilter4(r.data(), r.data(), 4096, ref[s], *sets1[s]);
        EXPECT_EQ(std::memcmp(out.data(), r.data(), 4096 * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(st, ref, sizeof st), 0);
    }
}

TEST(IirState, NonFiniteStatesAreReset)
{
    IirState ok{{1, 2, 3, 4}, {5, 6, 7, 8}};
    EXPECT_FALSE(ResetIfNonFinite(ok));
    EXPECT_EQ(ok.y[3], 8.0f);
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        IirState s{{1, 2, 3, 4}, {5, 6, bad, 8}};
        EXPECT_TRUE(ResetIfNonFinite(s));
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(s.x[k] == 0.0f && s.y[k] == 0.0f);
    }
}

TEST(MarkerCutoffs, FromRowsAndClampedIntoThePane)
{
    const MarkerCutoffs m = ComputeMarkerCutoffs(512, 44100, 371, 300, 200);
    EXPECT_EQ(m.f1, 0.12751815f);
    EXPECT_EQ(m.f2, 0.30711174f);
    EXPECT_NEAR(m.f1 * 344.53125, 43.9, 0.05);
    EXPECT_NEAR(m.f2 * 344.53125, 105.8, 0.05);

    // Start-up rows 142 and 396: marker 2 lies below the 371-row pane; it is held at row 361
    // instead of wrapping to an enormous unsigned distance.
    const MarkerCutoffs s = ComputeMarkerCutoffs(512, 44100, 371, 142, 396);
    const MarkerCutoffs held = ComputeMarkerCutoffs(512, 44100, 371, 142, 361);
    EXPECT_EQ(s.f2, held.f2);
    EXPECT_EQ(s.f2,
              static_cast<float>(static_cast<float>(static_cast<float>(26.0 / 1378.0) * 0.25) *
                                 92.0 * 4.0 * 0.01));
    EXPECT_GT(s.f1, 0.0f);
    EXPECT_LT(s.f1, 0.5f);

    // Rows above the top or far below, empty spans, huge spans: always a usable cutoff.
    for (int y : {-1000, -1, 0, 366, 370, 371, 400, 1 << 30}) {
        for (int span : {0, 1, 64, 512, 1 << 20}) {
            const MarkerCutoffs c = ComputeMarkerCutoffs(span, 44100, 371, y, y);
            EXPECT_GE(c.f1, MinCutoff);
            EXPECT_LE(c.f1, MaxCutoff);
            EXPECT_GE(c.f2, MinCutoff);
            EXPECT_LE(c.f2, MaxCutoff);
        }
    }
    // Row 0 (the top) is the highest frequency of the pane.
    EXPECT_EQ(ComputeMarkerCutoffs(123, 44100, 371, 0, 0).f1,
              ComputeMarkerCutoffs(123, 44100, 371, -50, -50).f1);
}

TEST(SmoothingCutoff, FromTheFrequencyScale)
{
    EXPECT_EQ(SmoothingCutoff(24), 0.17414966f);  // dial 60: 60 Hz at the output rate
    EXPECT_EQ(SmoothingCutoff(0), 0.025f);
    EXPECT_EQ(SmoothingCutoff(3), 0.025f);  // 7.5 Hz is below the floor of 0.025
    EXPECT_EQ(SmoothingCutoff(4), static_cast<float>(4 * 2.5 * (128.0 / 44100.0)));
    EXPECT_EQ(SmoothingCutoff(-5), 0.025f);
    EXPECT_EQ(SmoothingCutoff(1000), MaxCutoff);  // a bad stored setting cannot pass 0.5
}
