// Design moments: which filter each moment designs, at which fraction, and
// that nothing leaves (0, 0.5) or becomes non-finite.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "dsp/Designs.h"
#include "dsp/Iir.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

// |H| of a 4-pole set at a fraction f of its rate.
double Gain(const IirCoefficients& set, double f)
{
    return std::abs(IirResponse(set, f));
}

// Magnitude of an FM band response at a frequency (slot spacing 44100 / 2048 Hz).
double FmBandGain(const FmBand& band, double hz)
{
    const int s = static_cast<int>(std::lround(hz / (44100.0 / 2048.0)));
    return std::hypot(band.ResponseRe[s], band.ResponseIm[s]);
}

IirCoefficients Design(float cutoff, int highPass)
{
    IirCoefficients set;
    CalcIir(set, 0.5f, cutoff, 4, highPass, 1);
    return set;
}

bool Same(const IirCoefficients& x, const IirCoefficients& y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

bool Finite(const IirCoefficients& set)
{
    for (int i = 0; i < 23; ++i)
        if (!std::isfinite(set.a[i]) || !std::isfinite(set.b[i]))
            return false;
    return true;
}

}  // namespace

TEST(Designs, StartupBandsFollowTheCarriers)
{
    auto s = std::make_unique<ProcessingState>();
    StartupDesigns(*s);
    // The band rule: the carrier +-1000 Hz; fractions as hertz x (1/44100) in double, stored single.
    EXPECT_TRUE(Same(s->Chan1BandLowPass, Design(static_cast<float>(20145.0 / 44100.0), 0)));
    EXPECT_TRUE(Same(s->Chan1BandHighPass, Design(static_cast<float>(18145.0 / 44100.0), 1)));
    EXPECT_TRUE(Same(s->Chan2BandLowPass, Design(static_cast<float>(17065.0 / 44100.0), 0)));
    EXPECT_TRUE(Same(s->Chan2BandHighPass, Design(static_cast<float>(15065.0 / 44100.0), 1)));

    // Each channel passes its own carrier (the narrow band attenuates channel 2's to about 0.87;
    // the compensation makes up for it exactly) and rejects the other one by 40 dB.
    EXPECT_NEAR(AmBandGain(s->Chan1BandLowPass, s->Chan1BandHighPass, 19145.0), 1.0, 0.03);
    EXPECT_NEAR(AmBandGain(s->Chan2BandLowPass, s->Chan2BandHighPass, 16065.0), 0.87, 0.03);
    EXPECT_NEAR(AmCarrierGain(s->Chan1BandLowPass, s->Chan1BandHighPass, 19145.0) * s->Chan1AmCompensation, 1.0, 1e-6);
    EXPECT_NEAR(AmCarrierGain(s->Chan2BandLowPass, s->Chan2BandHighPass, 16065.0) * s->Chan2AmCompensation, 1.0, 1e-6);
    EXPECT_LT(AmBandGain(s->Chan1BandLowPass, s->Chan1BandHighPass, 16065.0), 1e-2);
    EXPECT_LT(AmBandGain(s->Chan2BandLowPass, s->Chan2BandHighPass, 19145.0), 1e-2);
    EXPECT_NEAR(FmBandGain(s->Chan1Band, 19145.0), 1.0, 0.01);
    EXPECT_NEAR(FmBandGain(s->Chan2Band, 16065.0), 1.0, 0.01);
    EXPECT_NEAR(FmBandGain(s->Chan1Band, 18345.0), 1.0, 0.01);   // 800 Hz off the carrier
    EXPECT_LT(FmBandGain(s->Chan1Band, 16065.0), 1e-3);
    EXPECT_LT(FmBandGain(s->Chan2Band, 19145.0), 1e-3);

    // Post filters: smoothing at 0.075, marker band 1536/44100 and 1024/44100.
    EXPECT_TRUE(Same(s->SmoothingLowPass, Design(0.075f, 0)));
    EXPECT_TRUE(Same(s->MarkerLowPass, Design(static_cast<float>(1536.0 / 44100.0), 0)));
    EXPECT_TRUE(Same(s->MarkerHighPass, Design(static_cast<float>(1024.0 / 44100.0), 1)));

    // In FM mode the AM sets are not designed at start-up.
    auto fm = std::make_unique<ProcessingState>();
    fm->ModulationType = 2;
    fm->Chan1CarrierHz = 12000.0f;
    StartupDesigns(*fm);
    EXPECT_TRUE(Same(fm->Chan1BandLowPass, IirCoefficients{}));
    EXPECT_NEAR(FmBandGain(fm->Chan1Band, 12000.0), 1.0, 0.01);
    EXPECT_LT(FmBandGain(fm->Chan1Band, 13500.0), 1e-3);
}

// Start-up, the Modulation Type commands and a channel's own redesign (the carrier dialog's)
// all give the same bands for the same carriers, so no design moment changes a reading.
TEST(Designs, EveryDesignMomentUsesTheOneBandRule)
{
    EXPECT_EQ(CarrierBandEdges(19145.0).Low, 18145.0);
    EXPECT_EQ(CarrierBandEdges(19145.0).High, 20145.0);

    auto start = std::make_unique<ProcessingState>();
    start->Chan1CarrierHz = 7300.0f;
    StartupDesigns(*start);
    auto moments = std::make_unique<ProcessingState>(*start);
    moments->Chan1BandLowPass = moments->Chan2BandHighPass = IirCoefficients{};
    moments->Chan1AmCompensation = 0.0f;
    ApplyFmPresetBands(*moments);
    EXPECT_EQ(moments->ModulationType, 2);
    EXPECT_TRUE(Same(moments->Chan1BandLowPass, IirCoefficients{})) << "the FM command leaves the AM sets";
    ApplyAmPresetBands(*moments);
    EXPECT_EQ(moments->ModulationType, 1);
    EXPECT_EQ(0, std::memcmp(&start->Chan1Band, &moments->Chan1Band, sizeof start->Chan1Band));
    EXPECT_EQ(0, std::memcmp(&start->Chan2Band, &moments->Chan2Band, sizeof start->Chan2Band));
    EXPECT_TRUE(Same(start->Chan1BandLowPass, moments->Chan1BandLowPass));
    EXPECT_TRUE(Same(start->Chan2BandHighPass, moments->Chan2BandHighPass));
    EXPECT_EQ(start->Chan1AmCompensation, moments->Chan1AmCompensation);
    for (int channel = 1; channel <= 2; ++channel)
        for (int modulation = 1; modulation <= 2; ++modulation)
            DesignCarrierBand(*moments, channel, modulation);
    EXPECT_EQ(0, std::memcmp(&start->Chan1Band, &moments->Chan1Band, sizeof start->Chan1Band));
    EXPECT_TRUE(Same(start->Chan1BandHighPass, moments->Chan1BandHighPass));
    EXPECT_TRUE(Same(start->Chan2BandLowPass, moments->Chan2BandLowPass));
    EXPECT_EQ(start->Chan2AmCompensation, moments->Chan2AmCompensation);

    // A channel's redesign touches that channel and that modulation only.
    moments->Chan2CarrierHz = 9000.0f;
    DesignCarrierBand(*moments, 2, 2);
    EXPECT_TRUE(Same(start->Chan2BandLowPass, moments->Chan2BandLowPass));
    EXPECT_EQ(0, std::memcmp(&start->Chan1Band, &moments->Chan1Band, sizeof start->Chan1Band));
    EXPECT_NEAR(FmBandGain(moments->Chan2Band, 9000.0), 1.0, 0.01);
}

TEST(Designs, MarkerAndSmoothingRedesigns)
{
    auto s = std::make_unique<ProcessingState>();
    // The worked example: rows 300 and 200 of 371 at span 512.
    s->FilterMarker1Pos = 300;
    s->FilterMarker2Pos = 200;
    RecalcMarkerFilter(*s);
    EXPECT_TRUE(Same(s->MarkerHighPass, Design(0.12751815f, 1)));
    EXPECT_TRUE(Same(s->MarkerLowPass, Design(0.30711174f, 0)));

    // Start-up rows 142 and 396: row 396 lies below the pane and is clamped
    // into it, so both cutoffs stay finite and inside (0, 0.5).
    s->FilterMarker1Pos = 142;
    s->FilterMarker2Pos = 396;
    const MarkerCutoffs f = ComputeMarkerCutoffs(512, 44100, 371, 142, 396);
    EXPECT_GT(f.f1, 0.0f);
    EXPECT_LT(f.f1, 0.5f);
    EXPECT_GT(f.f2, 0.0f);
    EXPECT_LT(f.f2, 0.5f);
    RecalcMarkerFilter(*s);
    EXPECT_TRUE(Finite(s->MarkerLowPass));
    EXPECT_TRUE(Finite(s->MarkerHighPass));
    EXPECT_TRUE(Same(s->MarkerLowPass, Design(f.f1, 0)));   // marker 1 is the higher one here
    EXPECT_NEAR(Gain(s->MarkerLowPass, 0.0), 1.0, 1e-3);

    // Smoothing: V = 24 gives 60 Hz, c = 0.17414966; small V is held at 0.025;
    // an absurd V still gives a usable design.
    s->FreqScaleSetting = 24;
    RedesignSmoothing(*s);
    EXPECT_EQ(SmoothingCutoff(24), 0.17414966f);
    EXPECT_TRUE(Same(s->SmoothingLowPass, Design(0.17414966f, 0)));
    s->FreqScaleSetting = 0;
    RedesignSmoothing(*s);
    EXPECT_TRUE(Same(s->SmoothingLowPass, Design(0.025f, 0)));
    s->FreqScaleSetting = 100000;
    RedesignSmoothing(*s);
    EXPECT_TRUE(Finite(s->SmoothingLowPass));
    EXPECT_NEAR(Gain(s->SmoothingLowPass, 0.0), 1.0, 1e-3);
}

TEST(Designs, FractionsStayInsideTheOpenBand)
{
    EXPECT_EQ(HzToFraction(1536.0), static_cast<float>(1536.0 / 44100.0));
    for (double hz : {-2200.0, 0.0, 22050.0, 25000.0}) {
        const float f = HzToFraction(hz);
        EXPECT_GT(f, 0.0f) << hz;
        EXPECT_LT(f, 0.5f) << hz;
    }

    // A carrier near the top of the range still gives finite AM and FM bands.
    auto s = std::make_unique<ProcessingState>();
    s->Chan1CarrierHz = 21900.0f;
    s->Chan2CarrierHz = 300.0f;
    StartupDesigns(*s);
    EXPECT_TRUE(Finite(s->Chan1BandLowPass));
    EXPECT_TRUE(Finite(s->Chan2BandHighPass));
    bool finite = true;
    for (int k = 0; k < 1024; ++k)
        finite &= std::isfinite(s->Chan1Band.ResponseRe[k]) &&
                  std::isfinite(s->Chan2Band.ResponseIm[k]);
    EXPECT_TRUE(finite);

    // The state-level band design refuses what the fast convolution cannot hold.
    const FmBand before = s->Chan1Band;
    EXPECT_FALSE(DesignBandPass(*s, 3, 1024, 0.1f, 0.2f));
    EXPECT_FALSE(DesignBandPass(*s, 1, 2048, 0.1f, 0.2f));
    EXPECT_EQ(0, std::memcmp(&before, &s->Chan1Band, sizeof before));
    EXPECT_TRUE(DesignBandPass(*s, 1, 1024, 0.1f, 0.2f));
    EXPECT_NEAR(FmBandGain(s->Chan1Band, 0.15 * 44100.0), 1.0, 0.01);
}

namespace {

// Steady peak of a tone at `hz` after the marker band-pass as the post filter runs it: two
// low-pass passes, then two high-pass passes, at the output rate.
double MarkerBandAmplitude(const ProcessingState& s, double hz)
{
    constexpr double Rate = 44100.0 / 128.0;
    constexpr int Samples = 20 * 345;
    std::vector<float> x(Samples), y(Samples);
    for (int i = 0; i < Samples; ++i)
        x[i] = static_cast<float>(1000.0 * std::sin(2.0 * Pi * hz * i / Rate));
    IirState st[4] = {};
    IirFilter4(x.data(), y.data(), Samples, st[0], s.MarkerLowPass);
    IirFilter4(y.data(), x.data(), Samples, st[1], s.MarkerLowPass);
    IirFilter4(x.data(), y.data(), Samples, st[2], s.MarkerHighPass);
    IirFilter4(y.data(), x.data(), Samples, st[3], s.MarkerHighPass);
    double peak = 0.0;
    for (int i = Samples - 2 * 345; i < Samples; ++i)
        peak = std::max(peak, std::fabs(static_cast<double>(x[i])));
    return peak / 1000.0;
}

}  // namespace

// The band runs from the lower marker frequency to the higher, whichever marker is where:
// the start-up rows (marker 1 above marker 2, which the row clamp holds at 361) must not
// give a high-pass above its low-pass, which silences every trace.
TEST(Designs, MarkerBandPassRunsFromTheLowerToTheHigherMarker)
{
    auto s = std::make_unique<ProcessingState>();
    // Four sections of 0.5 % ripple each.
    const double ripple = std::pow(1.005, 4) - 1.0;
    for (const auto& rows : {std::pair{142, 396}, std::pair{396, 142}, std::pair{300, 200}, std::pair{200, 300}}) {
        s->FilterMarker1Pos = rows.first;
        s->FilterMarker2Pos = rows.second;
        RecalcMarkerFilter(*s);
        const double a = MarkerBandAmplitude(*s, rows.first == 142 || rows.first == 396 ? 10.0 : 70.0);
        EXPECT_NEAR(a, 1.0, ripple) << "rows " << rows.first << ", " << rows.second;
        // Outside the band the tone is gone.
        EXPECT_LT(MarkerBandAmplitude(*s, rows.first == 142 || rows.first == 396 ? 2.0 : 20.0), 0.05);
    }
    // The start-up rows and the swapped rows design the same band.
    s->FilterMarker1Pos = 142;
    s->FilterMarker2Pos = 396;
    RecalcMarkerFilter(*s);
    const IirCoefficients low = s->MarkerLowPass, high = s->MarkerHighPass;
    s->FilterMarker1Pos = 361;
    s->FilterMarker2Pos = 142;
    RecalcMarkerFilter(*s);
    EXPECT_TRUE(Same(low, s->MarkerLowPass));
    EXPECT_TRUE(Same(high, s->MarkerHighPass));

    // Both markers on one frequency: still a band, one display row wide.
    const MarkerBand same = ComputeMarkerBand(512, 44100, 371, 200, 200);
    const double rowWidth = (44100.0 / 16384.0) * 0.25 * 0.92 * 4.0 / 1378.0;
    EXPECT_EQ(same.HighPass, ComputeMarkerCutoffs(512, 44100, 371, 200, 200).f1);
    EXPECT_NEAR(same.LowPass - same.HighPass, rowWidth, 1e-6);
    // At the top of the pane the row lies below the marker: the band stays inside (0, 0.5).
    const MarkerBand top = ComputeMarkerBand(1 << 20, 44100, 371, 0, 0);
    EXPECT_LE(top.LowPass, MaxCutoff);
    EXPECT_LT(top.HighPass, top.LowPass);
}
