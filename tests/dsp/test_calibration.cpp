// Calibration in microvolts: a channel measured on a known signal reads other signals in
// microvolts whatever the input level, the gain dial and the post filter; a measurement that
// cannot be trusted is refused with its reason; a calibration applies only to the channel,
// modulation and carrier it was made for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include "dsp/BlockProcessor.h"
#include "dsp/Calibration.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double OutputRate = 44100.0 / 128.0;

struct ChainSetup {
    float Gain = 0.1f;
    int FreqScaleSetting = 0;   // 0: the start-up smoothing
};

std::unique_ptr<ProcessingState> Chain(const SignalGeneratorSettings& synth, const ChainSetup& setup)
{
    auto s = std::make_unique<ProcessingState>();
    s->ModulationType = synth.Modulation == SynthModulation::Fm ? 2 : 1;
    s->Chan1CarrierHz = static_cast<float>(synth.CarrierHz[0]);
    s->Chan2CarrierHz = static_cast<float>(synth.CarrierHz[1]);
    StartupDesigns(*s);
    s->Chan1DemodGain = s->Chan2DemodGain = setup.Gain;
    if (setup.FreqScaleSetting > 0) {
        s->FreqScaleSetting = setup.FreqScaleSetting;
        RedesignSmoothing(*s);
    }
    StartRun(*s);
    return s;
}

// Plays `blocks` blocks, the samples times `boost` as a sound card's 16 bits hold them
// (beyond full scale they clip); after each block, `each(state)`.
template <typename Each>
void Play(ProcessingState& s, const SignalGeneratorSettings& synth, int blocks, Each each, double boost = 1.0)
{
    SignalGenerator generator(synth);
    std::vector<int16_t> block(BlockFrames);
    BlockReport report;
    for (int b = 0; b < blocks; ++b) {
        generator.Generate(block.data(), BlockFrames);
        for (int i = 0; i < BlockFrames; ++i)
            s.BlockSamples[i] = static_cast<int32_t>(std::clamp(std::lround(block[i] * boost), -32768L, 32767L));
        ProcessBlock(s, report);
        each(s);
    }
}

CalibrationResult Calibrate(const SignalGeneratorSettings& synth, const ChainSetup& setup, double uvpp, double hz,
                            int blocks = 48, double boost = 1.0)
{
    auto s = Chain(synth, setup);
    CalibrationMeter meter(1, uvpp, hz);
    Play(*s, synth, blocks, [&](const ProcessingState& st) { meter.AddBlock(st); }, boost);
    return meter.Result();
}

// Peak-to-peak microvolts at `hz` on channel 1 after the chain settled: every block's samples
// converted with that block's factor, then the tone's amplitude (Hann-weighted correlation).
double ReadMicrovoltsPp(const SignalGeneratorSettings& synth, const ChainSetup& setup, const ChannelCalibration& cal,
                        double hz)
{
    auto s = Chain(synth, setup);
    std::vector<double> uv;
    int block = 0;
    Play(*s, synth, 48, [&](const ProcessingState& st) {
        const double factor = MicrovoltsPerTraceUnit(cal, st, 1);
        if (++block > 16)
            for (int i = TraceLength - OutputPerBlock; i < TraceLength; ++i)
                uv.push_back(st.Chan1Trace[i] * factor);
    });
    std::complex<double> sum = 0.0;
    double weight = 0.0;
    const size_t n = uv.size();
    double mean = 0.0;
    for (double v : uv)
        mean += v / n;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * i / (n - 1));
        sum += w * (uv[i] - mean) * std::polar(1.0, -2.0 * Pi * hz * i / OutputRate);
        weight += w;
    }
    return 4.0 * std::abs(sum) / weight;
}

SignalGeneratorSettings Tone(SynthModulation modulation, double depthOrDeviation, double amplitude = 0.8,
                             double hz = 10.0)
{
    SignalGeneratorSettings synth;
    synth.Modulation = modulation;
    synth.ToneHz[0] = synth.ToneHz[1] = hz;
    synth.Depth = depthOrDeviation;
    synth.DeviationHz = depthOrDeviation;
    synth.Amplitude = amplitude;
    return synth;
}

}  // namespace

// Calibrated on 100 uV p-p at depth 0.2, depths 0.1 and 0.3 read 50 and 150 uV p-p, at the
// full input level and at half of it, whatever the gain dial and the smoothing stand at (the
// measurement took out the post filter's gain, the AM reading follows the carrier's level).
TEST(Calibration, AmReadsMicrovoltsAtAnyLevelGainAndPostFilter)
{
    const CalibrationResult r = Calibrate(Tone(SynthModulation::Am, 0.2), {0.1f, 4}, 100.0, 10.0);
    ASSERT_TRUE(r.Ok) << r.Reason;
    EXPECT_EQ(r.Calibration.Channel, 1);
    EXPECT_EQ(r.Calibration.ModulationType, 1);
    EXPECT_EQ(r.Calibration.CarrierHz, 19145.0);
    EXPECT_GT(r.ToneShare, 0.95);
    // The depth's p-p is 0.4; the chain's response at 10 Hz is 1.10.
    EXPECT_NEAR(r.MeasuredPp, 0.4 * 1.10, 0.02);
    EXPECT_EQ(r.ClippedSamples, 0);

    for (double amplitude : {0.8, 0.4}) {
        for (const ChainSetup& setup : {ChainSetup{0.1f, 0}, ChainSetup{1.0f, 24}, ChainSetup{0.01f, 0}}) {
            SCOPED_TRACE(testing::Message() << "amplitude " << amplitude << ", gain " << setup.Gain);
            EXPECT_NEAR(ReadMicrovoltsPp(Tone(SynthModulation::Am, 0.1, amplitude), setup, r.Calibration, 10.0), 50.0, 2.0);
            EXPECT_NEAR(ReadMicrovoltsPp(Tone(SynthModulation::Am, 0.3, amplitude), setup, r.Calibration, 10.0), 150.0, 6.0);
        }
    }
}

TEST(Calibration, FmReadsMicrovoltsFromTheDeviation)
{
    const CalibrationResult r = Calibrate(Tone(SynthModulation::Fm, 100.0), {1.0f, 0}, 100.0, 10.0);
    ASSERT_TRUE(r.Ok) << r.Reason;
    EXPECT_EQ(r.Calibration.ModulationType, 2);
    EXPECT_NEAR(r.MeasuredPp, 200.0 * 1.10, 5.0);   // hertz of deviation p-p
    for (double amplitude : {0.8, 0.4})
        EXPECT_NEAR(ReadMicrovoltsPp(Tone(SynthModulation::Fm, 50.0, amplitude), {0.1f, 0}, r.Calibration, 10.0), 50.0,
                    2.0);
}

TEST(Calibration, UntrustworthyMeasurementsAreRefusedWithTheReason)
{
    // The tone is at 13 Hz, not at the declared 10 Hz.
    CalibrationResult r = Calibrate(Tone(SynthModulation::Am, 0.2, 0.8, 13.0), {}, 100.0, 10.0);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Reason.find("no clear tone at 10 Hz on channel 1"), std::string::npos) << r.Reason;

    // Driven beyond full scale.
    r = Calibrate(Tone(SynthModulation::Am, 0.2), {}, 100.0, 10.0, 48, 1.6);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Reason.find("the input is clipped"), std::string::npos) << r.Reason;
    EXPECT_GT(r.ClippedSamples, 0);

    // Channel 2's carrier is not where the chain looks for it.
    SignalGeneratorSettings elsewhere = Tone(SynthModulation::Am, 0.2);
    elsewhere.CarrierHz[1] = 6000.0;
    auto s = Chain(Tone(SynthModulation::Am, 0.2), {});
    CalibrationMeter noCarrier(2, 100.0, 10.0);
    Play(*s, elsewhere, 48, [&](const ProcessingState& st) { noCarrier.AddBlock(st); });
    r = noCarrier.Result();
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Reason.find("no carrier on channel 2 at 16065 Hz"), std::string::npos) << r.Reason;

    // Too short, and a carrier moved while measuring.
    r = Calibrate(Tone(SynthModulation::Am, 0.2), {}, 100.0, 10.0, 30);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Reason.find("too short"), std::string::npos) << r.Reason;
    auto moved = Chain(Tone(SynthModulation::Am, 0.2), {});
    CalibrationMeter meter(1, 100.0, 10.0);
    int block = 0;
    Play(*moved, Tone(SynthModulation::Am, 0.2), 48, [&](ProcessingState& st) {
        meter.AddBlock(st);
        if (++block == 20) st.Chan1CarrierHz = 19000.0f;
    });
    r = meter.Result();
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Reason.find("changed during the measurement"), std::string::npos) << r.Reason;

    // Declarations outside what the traces can show.
    EXPECT_NE(CalibrationMeter(1, 100.0, 200.0).Result().Reason.find("0.5 to 150 Hz"), std::string::npos);
    EXPECT_NE(CalibrationMeter(1, -5.0, 10.0).Result().Reason.find("positive number"), std::string::npos);
}

TEST(Calibration, AppliesOnlyToItsChannelModulationAndCarrier)
{
    auto s = Chain(Tone(SynthModulation::Am, 0.2), {});
    Play(*s, Tone(SynthModulation::Am, 0.2), 12, [](const ProcessingState&) {});
    ChannelCalibration cal;
    cal.Channel = 1;
    cal.ModulationType = 1;
    cal.CarrierHz = 19145.0;
    cal.MicrovoltsPerUnit = 250.0;
    EXPECT_TRUE(CalibrationMatches(cal, *s, 1));
    EXPECT_EQ(CalibrationMismatch(cal, *s, 1), "");
    // AM: per trace unit, the factor over the carrier's level (the DC estimate).
    EXPECT_NEAR(MicrovoltsPerTraceUnit(cal, *s, 1), 250.0 / s->Chan1State.DcEstimate, 1e-9);
    EXPECT_FALSE(CalibrationMatches(cal, *s, 2));
    EXPECT_EQ(MicrovoltsPerTraceUnit(cal, *s, 2), 0.0);

    s->Chan1CarrierHz = 19000.0f;
    EXPECT_EQ(MicrovoltsPerTraceUnit(cal, *s, 1), 0.0);
    EXPECT_EQ(CalibrationMismatch(cal, *s, 1), "made for channel 1, AM at 19145 Hz; channel 1 runs AM at 19000 Hz");
    s->Chan1CarrierHz = 19145.0f;
    s->ModulationType = 2;
    EXPECT_EQ(MicrovoltsPerTraceUnit(cal, *s, 1), 0.0);
    EXPECT_NE(CalibrationMismatch(cal, *s, 1).find("runs FM"), std::string::npos);
    // FM: per hertz of deviation, 250 x the gain trace units.
    cal.ModulationType = 2;
    EXPECT_NEAR(MicrovoltsPerTraceUnit(cal, *s, 1), 250.0 / (250.0 * 0.1f), 1e-9);
}
