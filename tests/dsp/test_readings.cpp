// Readings a user can compare: identical modulation reads alike on both channels whatever
// their carriers, and the FM traces carry no alias tones of the discriminator's ripple.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double OutputRate = 44100.0 / 128.0;

struct Traces {
    std::vector<double> Chan[2];
};

// Plays `blocks` blocks of the generator through the chain as the program sets it up at
// start-up and collects each block's 32 new trace samples.
Traces Play(const SignalGeneratorSettings& synth, int blocks, float gain, int freqScaleSetting = 0)
{
    auto s = std::make_unique<ProcessingState>();
    s->ModulationType = synth.Modulation == SynthModulation::Fm ? 2 : 1;
    s->Chan1CarrierHz = static_cast<float>(synth.CarrierHz[0]);
    s->Chan2CarrierHz = static_cast<float>(synth.CarrierHz[1]);
    StartupDesigns(*s);
    s->Chan1DemodGain = gain;
    s->Chan2DemodGain = gain;
    if (freqScaleSetting > 0) {
        s->FreqScaleSetting = freqScaleSetting;
        RedesignSmoothing(*s);
    }
    StartRun(*s);
    SignalGenerator generator(synth);
    std::vector<int16_t> block(BlockFrames);
    Traces t;
    BlockReport report;
    for (int b = 0; b < blocks; ++b) {
        generator.Generate(block.data(), BlockFrames);
        for (int i = 0; i < BlockFrames; ++i)
            s->BlockSamples[i] = block[i];
        ProcessBlock(*s, report);
        for (int i = TraceLength - OutputPerBlock; i < TraceLength; ++i) {
            t.Chan[0].push_back(s->Chan1Trace[i]);
            t.Chan[1].push_back(s->Chan2Trace[i]);
        }
    }
    return t;
}

// Amplitude of the component at `hz` in the last n samples: Hann-weighted correlation after
// removing the straight-line trend (the DC removal settles slowly).
double Amplitude(const std::vector<double>& x, double hz, int n)
{
    const size_t start = x.size() - static_cast<size_t>(n);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        sx += i;
        sy += x[start + i];
        sxx += double(i) * i;
        sxy += double(i) * x[start + i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double offset = (sy - slope * sx) / n;
    std::complex<double> sum = 0.0;
    double weight = 0.0;
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * i / (n - 1));
        sum += w * (x[start + i] - offset - slope * i) * std::polar(1.0, -2.0 * Pi * hz * i / OutputRate);
        weight += w;
    }
    return 2.0 * std::abs(sum) / weight;
}

// The strongest component from lowHz to highHz other than the tone (and its immediate
// neighbourhood), in dB relative to the tone.
double WorstSpurDb(const std::vector<double>& x, double toneHz, int n, double lowHz, double highHz)
{
    const double tone = Amplitude(x, toneHz, n);
    double worst = 0.0;
    for (double hz = lowHz; hz <= highHz; hz += 0.25)
        if (std::fabs(hz - toneHz) >= 1.5)
            worst = std::max(worst, Amplitude(x, hz, n));
    return 20.0 * std::log10(worst / tone);
}

}  // namespace

// The same 10 Hz modulation on both carriers gives the same trace amplitude on both channels,
// wherever the carriers lie in 1000..20000 Hz (AM divides by its band's gain at the carrier).
TEST(ChannelAgreement, IdenticalModulationReadsAlikeOnBothChannels)
{
    const double pairs[][2] = {{19145, 16065}, {16065, 19145}, {6000, 12000}, {1000, 20000},
                               {3000, 9000}, {11025, 14000}, {2000, 4500}, {17500, 8000}};
    for (SynthModulation modulation : {SynthModulation::Am, SynthModulation::Fm}) {
        for (const auto& pair : pairs) {
            SignalGeneratorSettings synth;
            synth.Modulation = modulation;
            synth.CarrierHz[0] = pair[0];
            synth.CarrierHz[1] = pair[1];
            synth.ToneHz[0] = synth.ToneHz[1] = 10.0;
            synth.Depth = 0.3;
            const Traces t = Play(synth, 64, modulation == SynthModulation::Am ? 0.1f : 1.0f);
            const double a1 = Amplitude(t.Chan[0], 10.0, 1024);
            const double a2 = Amplitude(t.Chan[1], 10.0, 1024);
            SCOPED_TRACE(testing::Message() << (modulation == SynthModulation::Am ? "AM " : "FM ") << pair[0]
                                            << "/" << pair[1] << " Hz");
            EXPECT_GT(a1, 100.0);
            EXPECT_NEAR(a2 / a1, 1.0, 0.03);
        }
    }
}

// A carrier near a quarter of the sampling rate (or near another multiple of 44100 / 32 Hz):
// the demodulator's ripple at twice the carrier lands next to a multiple of the first
// decimation's output rate and would alias into the trace as tones beside the modulation.
TEST(AliasSpurs, FmStaysBelowMinus30DbAtEveryCarrier)
{
    for (double carrier : {11000.0, 11025.0, 11050.0, 5512.5, 16537.5, 9646.875, 2756.25, 16065.0}) {
        SignalGeneratorSettings synth;
        synth.Modulation = SynthModulation::Fm;
        synth.CarrierHz[0] = carrier;
        synth.CarrierHz[1] = carrier < 13000.0 ? 18000.0 : 4000.0;
        synth.ToneHz[0] = 8.0;
        synth.DeviationHz = 50.0;
        const Traces t = Play(synth, 140, 1.0f);
        EXPECT_LT(WorstSpurDb(t.Chan[0], 8.0, 4096, 1.0, 60.0), -30.0) << carrier << " Hz";
    }
}

// The AM envelope ripples at twice the carrier too: near 11025 Hz it showed as a steady tone at
// twice the distance (50 Hz at 11000 Hz), 23 dB below a 5 % modulation, with the smoothing
// opened to 60 Hz.
TEST(AliasSpurs, AmStaysBelowMinus30DbNearAQuarterOfTheRate)
{
    for (double carrier : {11000.0, 11040.0, 5512.5}) {
        SignalGeneratorSettings synth;
        synth.CarrierHz[0] = carrier;
        synth.CarrierHz[1] = 18000.0;
        synth.ToneHz[0] = 8.0;
        synth.Depth = 0.05;
        const Traces t = Play(synth, 140, 0.1f, 24);
        EXPECT_LT(WorstSpurDb(t.Chan[0], 8.0, 4096, 1.0, 60.0), -30.0) << carrier << " Hz";
    }
}
