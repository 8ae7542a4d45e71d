// Signal generator and velquor-synth: the carriers, modulations and file layout that the rest of
// the system is calibrated against.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "LittleEndian.h"
#include "ToolRun.h"
#include "dsp/SignalGenerator.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Fs = 44100.0;

std::vector<int16_t> Synthesize(const SignalGeneratorSettings& s, int frames) {
    SignalGenerator g(s);
    std::vector<int16_t> out(static_cast<size_t>(frames) * g.Channels());
    g.Generate(out.data(), frames);
    return out;
}

// Amplitude of the component at hz, from a Hann-windowed DFT over x[start .. start+len).
double AmplitudeAt(const std::vector<int16_t>& x, int start, int len, double hz) {
    std::complex<double> sum = 0.0;
    double wsum = 0.0;
    for (int k = 0; k < len; ++k) {
        const double w = 0.5 - 0.5 * std::cos(2 * Pi * k / len);
        const double a = -2 * Pi * hz * (start + k) / Fs;
        sum += w * x[start + k] * std::complex<double>(std::cos(a), std::sin(a));
        wsum += w;
    }
    return 2.0 * std::abs(sum) / wsum;
}

// One channel's complex baseband around its carrier at x[start .. start+BasebandLength): a
// 4-term Blackman-Harris window (sidelobes near -92 dB) keeps the other carrier out while
// passing a few hundred hertz of deviation.
constexpr int BasebandLength = 220;
std::complex<double> Baseband(const std::vector<int16_t>& x, int start, double carrier) {
    std::complex<double> sum = 0.0;
    double wsum = 0.0;
    for (int k = 0; k < BasebandLength; ++k) {
        const double t = 2 * Pi * k / (BasebandLength - 1);
        const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        const double a = -2 * Pi * carrier * (start + k) / Fs;
        sum += w * x[start + k] * std::complex<double>(std::cos(a), std::sin(a));
        wsum += w;
    }
    return sum * (2.0 / wsum);
}

std::vector<double> Envelope(const std::vector<int16_t>& x, double carrier, int hop) {
    std::vector<double> env;
    for (int n = 0; n + BasebandLength <= static_cast<int>(x.size()); n += hop)
        env.push_back(std::abs(Baseband(x, n, carrier)));
    return env;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / a.size();
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / b.size();
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

}  // namespace

TEST(SignalGenerator, CarriersAndAmSidebandsSitAtTheirFrequencies) {
    SignalGeneratorSettings s;  // AM, 10 Hz on 19145 Hz, 6 Hz on 16065 Hz, depth 0.5
    const auto x = Synthesize(s, 44100);
    SignalGenerator g(s);
    const double c = g.CarrierAmplitude();
    EXPECT_NEAR(c, 0.8 * 32767 / 2 / 1.5, 1e-9);

    EXPECT_NEAR(AmplitudeAt(x, 0, 44100, 19145), c, 0.01 * c);
    EXPECT_NEAR(AmplitudeAt(x, 0, 44100, 16065), c, 0.01 * c);
    // Sidebands of depth x c / 2 at carrier +- tone; each channel carries its own tone.
    for (double f : {19135.0, 19155.0, 16059.0, 16071.0}) EXPECT_NEAR(AmplitudeAt(x, 0, 44100, f), 0.25 * c, 0.01 * c) << f;
    for (double f : {19139.0, 19151.0, 16055.0, 16075.0}) EXPECT_LT(AmplitudeAt(x, 0, 44100, f), 0.005 * c) << f;
    // Nothing between the channels.
    EXPECT_LT(AmplitudeAt(x, 0, 44100, 17600), 0.001 * c);

    // Other carriers move with their settings.
    s.CarrierHz[0] = 5000;
    s.CarrierHz[1] = 12000;
    const auto y = Synthesize(s, 44100);
    EXPECT_NEAR(AmplitudeAt(y, 0, 44100, 5000), c, 0.01 * c);
    EXPECT_NEAR(AmplitudeAt(y, 0, 44100, 12000), c, 0.01 * c);
    EXPECT_LT(AmplitudeAt(y, 0, 44100, 19145), 0.001 * c);
}

TEST(SignalGenerator, StereoCarriesTheSignalOnTheRightSample) {
    SignalGeneratorSettings s;
    s.Signal = SynthSignal::Eeg;
    const auto mono = Synthesize(s, 5000);
    s.Stereo = true;
    const auto stereo = Synthesize(s, 5000);
    ASSERT_EQ(stereo.size(), 2 * mono.size());
    for (size_t i = 0; i < mono.size(); ++i) {
        ASSERT_EQ(stereo[2 * i], 0) << i;
        ASSERT_EQ(stereo[2 * i + 1], mono[i]) << i;
    }
}

TEST(SignalGenerator, AmEnvelopeFollowsDepth) {
    for (double depth : {0.5, 1.0, 0.0}) {
        SignalGeneratorSettings s;
        s.Depth = depth;
        const auto x = Synthesize(s, 44100);
        const double c = SignalGenerator(s).CarrierAmplitude();
        for (int ch = 0; ch < 2; ++ch) {
            const auto env = Envelope(x, s.CarrierHz[ch], 21);
            const auto [lo, hi] = std::minmax_element(env.begin(), env.end());
            EXPECT_NEAR(*hi, c * (1 + depth), 0.01 * c) << "depth " << depth << " channel " << ch + 1;
            EXPECT_NEAR(*lo, c * (1 - depth), 0.01 * c) << "depth " << depth << " channel " << ch + 1;
        }
        // The full-scale budget is shared: peaks of both envelopes add up to the amplitude.
        EXPECT_NEAR(2 * c * (1 + depth), 0.8 * 32767, 1e-6);
    }
    // The envelope moves at the channel's tone: one full cycle of 6 Hz after 1/6 s.
    SignalGeneratorSettings s;
    const auto x = Synthesize(s, 44100);
    const int period = static_cast<int>(Fs / 6);
    for (int n : {1000, 5000, 9000})
        EXPECT_NEAR(std::abs(Baseband(x, n, 16065)), std::abs(Baseband(x, n + period, 16065)), 0.005 * SignalGenerator(s).CarrierAmplitude());
}

TEST(SignalGenerator, FmInstantaneousFrequencyFollowsTheToneWithTheDeviation) {
    SignalGeneratorSettings s;
    s.Modulation = SynthModulation::Fm;
    s.DeviationHz = 200;
    const auto x = Synthesize(s, 44100);
    const double c = SignalGenerator(s).CarrierAmplitude();
    EXPECT_NEAR(c, 0.8 * 32767 / 2, 1e-9);
    constexpr int h = 44;  // phase step over 1 ms
    for (int ch = 0; ch < 2; ++ch) {
        double maxError = 0, hi = -1e9, lo = 1e9;
        for (int n = 0; n + h + BasebandLength <= 44100; n += 97) {
            const auto z0 = Baseband(x, n, s.CarrierHz[ch]);
            const auto z1 = Baseband(x, n + h, s.CarrierHz[ch]);
            const double offset = std::arg(z1 * std::conj(z0)) * Fs / (2 * Pi * h);
            // A rise of the modulating signal raises the carrier frequency.
            const double centre = n + BasebandLength / 2.0 + h / 2.0 - 0.5;
            const double expected = s.DeviationHz * std::sin(2 * Pi * s.ToneHz[ch] * centre / Fs);
            maxError = std::max(maxError, std::abs(offset - expected));
            hi = std::max(hi, offset);
            lo = std::min(lo, offset);
        }
        EXPECT_LT(maxError, 2.0) << "channel " << ch + 1;
        EXPECT_NEAR(hi, 200, 2.0) << "channel " << ch + 1;
        EXPECT_NEAR(lo, -200, 2.0) << "channel " << ch + 1;
    }
}

TEST(SignalGenerator, TonePhaseShiftsTheChannelsTone) {
    // Equal 10 Hz tones; channel 2 starts 90 degrees ahead, so its envelope at time t is
    // channel 1's a quarter period (25 ms) later.
    SignalGeneratorSettings s;
    s.ToneHz[1] = 10.0;
    s.TonePhaseDeg[1] = 90.0;
    const auto x = Synthesize(s, 44100);
    const double c = SignalGenerator(s).CarrierAmplitude();
    const int quarter = static_cast<int>(Fs / 40);
    for (int n : {1000, 7000, 20000})
        EXPECT_NEAR(std::abs(Baseband(x, n, 16065)), std::abs(Baseband(x, n + quarter, 19145)), 0.01 * c) << n;
    // Envelope c (1 + depth sin(phase)): channel 2 starts at its peak.
    EXPECT_NEAR(std::abs(Baseband(x, 0, 16065)), c * 1.5, 0.02 * c);
    // A whole turn either way is the same tone; beyond it is refused.
    s.TonePhaseDeg[1] = -270.0;
    EXPECT_EQ(Synthesize(s, 44100), x);
    s.TonePhaseDeg[1] = 361.0;
    EXPECT_NE(CheckSignalSettings(s), "");
    s.TonePhaseDeg[0] = std::nan("");
    s.TonePhaseDeg[1] = 0.0;
    EXPECT_NE(CheckSignalSettings(s), "");
}

TEST(SignalGenerator, StreamDoesNotDependOnHowItIsCut) {
    SignalGeneratorSettings am, fmEeg, stereoEeg;
    fmEeg.Modulation = SynthModulation::Fm;
    fmEeg.Signal = SynthSignal::Eeg;
    stereoEeg.Signal = SynthSignal::Eeg;
    stereoEeg.Stereo = true;
    for (const auto& s : {am, fmEeg, stereoEeg}) {
        constexpr int total = 30000;
        const auto whole = Synthesize(s, total);
        SignalGenerator g(s);
        std::vector<int16_t> pieces(whole.size());
        const int cuts[] = {1, 7, 31, 32, 33, 4096, 333, 1000, 0, 5};
        int done = 0;
        for (int i = 0; done < total; ++i) {
            const int n = std::min(cuts[i % 10], total - done);
            g.Generate(pieces.data() + static_cast<size_t>(done) * g.Channels(), n);
            done += n;
        }
        EXPECT_EQ(pieces, whole);
    }
    // Long runs keep their phase: the carrier is still exactly on frequency after a minute.
    SignalGeneratorSettings s;
    SignalGenerator g(s);
    std::vector<int16_t> skip(44100);
    for (int i = 0; i < 60; ++i) g.Generate(skip.data(), 44100);
    std::vector<int16_t> late(44100);
    g.Generate(late.data(), 44100);
    const double c = g.CarrierAmplitude();
    EXPECT_NEAR(AmplitudeAt(late, 0, 44100, 19145), c, 0.01 * c);
    EXPECT_NEAR(AmplitudeAt(late, 0, 44100, 19135), 0.25 * c, 0.01 * c);
}

TEST(SignalGenerator, SeedsAreReproducibleAndChannelsIndependent) {
    SignalGeneratorSettings s;
    s.Signal = SynthSignal::Eeg;
    s.Seed = 42;
    const auto a = Synthesize(s, 44100);
    EXPECT_EQ(Synthesize(s, 44100), a);
    s.Seed = 43;
    EXPECT_NE(Synthesize(s, 44100), a);

    EXPECT_NE(SignalGenerator::ChannelSeed(42, 0), SignalGenerator::ChannelSeed(42, 1));
    EXPECT_NE(SignalGenerator::ChannelSeed(42, 0), SignalGenerator::ChannelSeed(43, 0));

    // The two channels' envelopes are unrelated over ten seconds.
    s.Seed = 42;
    s.Depth = 1.0;
    const auto x = Synthesize(s, 441000);
    const auto e1 = Envelope(x, s.CarrierHz[0], 441);
    const auto e2 = Envelope(x, s.CarrierHz[1], 441);
    EXPECT_LT(std::abs(Correlation(e1, e2)), 0.3);
    // ... while each envelope does vary.
    const auto [lo, hi] = std::minmax_element(e1.begin(), e1.end());
    EXPECT_GT(*hi - *lo, 0.5 * SignalGenerator(s).CarrierAmplitude());
}

TEST(EegSignal, AlphaBurstsOverPinkBackground) {
    EegSignal eeg(SignalGenerator::ChannelSeed(7, 0));
    const int rate = static_cast<int>(EegSignal::Rate);  // one-second segments, 1 Hz resolution
    const int segments = 180;
    std::vector<double> v(static_cast<size_t>(rate) * segments);
    int railed = 0;
    for (auto& x : v) {
        x = eeg.Next();
        ASSERT_LE(std::abs(x), 1.0);
        railed += std::abs(x) == 1.0;
    }
    EXPECT_LT(railed, static_cast<int>(v.size() / 1000));

    // Averaged power spectrum, and the alpha amplitude of each second.
    std::vector<double> power(61, 0.0);
    std::vector<double> alphaPerSecond;
    for (int seg = 0; seg < segments; ++seg) {
        double alpha = 0;
        for (int f = 1; f <= 60; ++f) {
            std::complex<double> sum = 0;
            for (int k = 0; k < rate; ++k) {
                const double w = 0.5 - 0.5 * std::cos(2 * Pi * k / rate);
                const double a = -2 * Pi * f * k / EegSignal::Rate;
                sum += w * v[static_cast<size_t>(seg) * rate + k] * std::complex<double>(std::cos(a), std::sin(a));
            }
            power[f] += std::norm(sum);
            if (f >= 9 && f <= 11) alpha += std::norm(sum);
        }
        alphaPerSecond.push_back(std::sqrt(alpha));
    }
    auto band = [&](int lo, int hi) {
        double p = 0;
        for (int f = lo; f <= hi; ++f) p += power[f];
        return p / (hi - lo + 1);
    };
    const int peak = static_cast<int>(std::max_element(power.begin() + 4, power.begin() + 41) - power.begin());
    EXPECT_GE(peak, 9);
    EXPECT_LE(peak, 11);
    EXPECT_GT(band(9, 11), 5 * band(4, 6));
    EXPECT_GT(band(9, 11), 5 * band(15, 20));
    // 1/f background: power falls with frequency away from the alpha band.
    EXPECT_GT(band(2, 3), 2 * band(15, 20));
    EXPECT_GT(band(15, 20), 2 * band(40, 50));
    // Bursts: some seconds carry strong alpha, others little.
    const auto [lo, hi] = std::minmax_element(alphaPerSecond.begin(), alphaPerSecond.end());
    EXPECT_GT(*hi, 4 * *lo);
}

TEST(SignalGenerator, NeverClipsAndUsesTheAmplitude) {
    for (auto mode : {SynthModulation::Am, SynthModulation::Fm}) {
        for (auto signal : {SynthSignal::Tone, SynthSignal::Eeg}) {
            SignalGeneratorSettings s;
            s.Modulation = mode;
            s.Signal = signal;
            s.Depth = 1.0;
            s.Amplitude = 1.0;
            s.ToneHz[0] = 7.0;
            s.ToneHz[1] = 3.0;
            const auto x = Synthesize(s, 441000);
            int peak = 0;
            for (int16_t v : x) {
                ASSERT_NE(v, -32768);
                peak = std::max(peak, std::abs(static_cast<int>(v)));
            }
            EXPECT_LE(peak, 32767);
            if (signal == SynthSignal::Tone) {
                EXPECT_GT(peak, 0.95 * 32767);
            }
        }
    }
    // The amplitude scales the whole signal.
    SignalGeneratorSettings s;
    s.Amplitude = 0.25;
    const auto quiet = Synthesize(s, 44100);
    const int peak = std::abs(static_cast<int>(*std::max_element(quiet.begin(), quiet.end(), [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); })));
    EXPECT_LE(peak, 0.25 * 32767 + 1);
    EXPECT_GT(peak, 0.22 * 32767);
}

TEST(SignalGenerator, SettingsOutsideTheLimitsAreRefusedOrClamped) {
    const SignalGeneratorSettings ok;
    EXPECT_EQ(CheckSignalSettings(ok), "");
    auto bad = [&](auto change) {
        SignalGeneratorSettings s = ok;
        change(s);
        return CheckSignalSettings(s);
    };
    EXPECT_NE(bad([](auto& s) { s.CarrierHz[0] = 999; }), "");
    EXPECT_NE(bad([](auto& s) { s.CarrierHz[1] = 20001; }), "");
    EXPECT_NE(bad([](auto& s) { s.CarrierHz[1] = std::nan(""); }), "");
    EXPECT_NE(bad([](auto& s) { s.Depth = -0.01; }), "");
    EXPECT_NE(bad([](auto& s) { s.Depth = 1.01; }), "");
    EXPECT_NE(bad([](auto& s) { s.ToneHz[0] = 0; }), "");
    EXPECT_NE(bad([](auto& s) { s.Amplitude = 0; }), "");
    EXPECT_NE(bad([](auto& s) { s.Amplitude = 1.5; }), "");
    EXPECT_NE(bad([](auto& s) { s.DeviationHz = -1; }), "");
    EXPECT_NE(bad([](auto& s) { s.Modulation = SynthModulation::Fm; s.CarrierHz[0] = 20000; s.DeviationHz = 2100; }), "");
    EXPECT_NE(bad([](auto& s) { s.Modulation = SynthModulation::Fm; s.CarrierHz[1] = 1000; s.DeviationHz = 1000; }), "");
    // The same deviation is harmless in AM, where it is not used.
    EXPECT_EQ(bad([](auto& s) { s.CarrierHz[0] = 20000; s.DeviationHz = 2100; }), "");
    EXPECT_NE(bad([](auto& s) { s.CarrierHz[0] = 1234.5; }).find("channel"), 0u);

    // A generator given nonsense still produces a sane, unclipped signal.
    SignalGeneratorSettings s;
    s.Modulation = SynthModulation::Fm;
    s.CarrierHz[0] = std::nan("");
    s.CarrierHz[1] = 1e9;
    s.DeviationHz = 1e6;
    s.Amplitude = 50;
    s.Depth = -3;
    SignalGenerator g(s);
    EXPECT_EQ(CheckSignalSettings(g.Settings()), "");
    EXPECT_EQ(g.Settings().CarrierHz[0], 19145.0);
    EXPECT_EQ(g.Settings().CarrierHz[1], 20000.0);
    std::vector<int16_t> x(44100);
    g.Generate(x.data(), 44100);
    EXPECT_EQ(std::count(x.begin(), x.end(), static_cast<int16_t>(-32768)), 0);
}

// --- velquor-synth command line ---------------------------------------------------------------

namespace {

using velquor_test::Le16At;
using velquor_test::Le32At;
using velquor_test::ReadBytes;
using velquor_test::TagAt;
using velquor_test::TempPath;

int RunSynth(const std::string& args) {
    return velquor_test::RunTool(velquor_test::SynthTool, args).Status;
}

}  // namespace

TEST(VelquorSynth, WritesTheHeaderAndTheGeneratorsSamples) {
    struct Case { const char* args; int channels; int frames; SignalGeneratorSettings settings; };
    SignalGeneratorSettings stereoFm;
    stereoFm.Stereo = true;
    stereoFm.Modulation = SynthModulation::Fm;
    stereoFm.DeviationHz = 300;
    stereoFm.Signal = SynthSignal::Eeg;
    stereoFm.Seed = 9;
    stereoFm.CarrierHz[0] = 18000;
    SignalGeneratorSettings monoAm;
    monoAm.ToneHz[0] = 12.5;
    monoAm.Depth = 0.8;
    SignalGeneratorSettings phased;
    phased.ToneHz[1] = 10.0;
    phased.TonePhaseDeg[0] = -30.0;
    phased.TonePhaseDeg[1] = 90.0;
    const Case cases[] = {
        {"--stereo --mode fm --deviation 300 --signal eeg --seed 9 --carrier1 18000 --seconds 0.5", 2, 22050, stereoFm},
        {"--tone1=12.5 --depth 0.8 --seconds 1", 1, 44100, monoAm},
        {"--tone2 10 --phase1 -30 --phase2=90 --seconds 0.5", 1, 22050, phased},
    };
    for (const auto& c : cases) {
        const std::string path = TempPath("out.wav");
        std::remove(path.c_str());
        ASSERT_EQ(RunSynth(std::string(c.args) + " --out \"" + path + "\""), 0) << c.args;
        const auto b = ReadBytes(path);
        const uint32_t dataBytes = static_cast<uint32_t>(c.frames * c.channels * 2);
        ASSERT_EQ(b.size(), 44u + dataBytes) << c.args;
        EXPECT_EQ(TagAt(b, 0), "RIFF");
        EXPECT_EQ(Le32At(b, 4), dataBytes + 36);
        EXPECT_EQ(TagAt(b, 8), "WAVE");
        EXPECT_EQ(TagAt(b, 12), "fmt ");
        EXPECT_EQ(Le32At(b, 16), 16u);
        EXPECT_EQ(Le16At(b, 20), 1);
        EXPECT_EQ(Le16At(b, 22), c.channels);
        EXPECT_EQ(Le32At(b, 24), 44100u);
        EXPECT_EQ(Le32At(b, 28), 44100u * 2 * c.channels);
        EXPECT_EQ(Le16At(b, 32), 2 * c.channels);
        EXPECT_EQ(Le16At(b, 34), 16);
        EXPECT_EQ(TagAt(b, 36), "data");
        EXPECT_EQ(Le32At(b, 40), dataBytes);
        // The data are the generator's samples, little-endian.
        const auto expected = Synthesize(c.settings, c.frames);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(static_cast<int16_t>(Le16At(b, 44 + 2 * i)), expected[i]) << c.args << " sample " << i;
        std::remove(path.c_str());
    }
    // Positional file name; default ten seconds, mono.
    const std::string path = TempPath("positional.wav");
    ASSERT_EQ(RunSynth("\"" + path + "\""), 0);
    EXPECT_EQ(ReadBytes(path).size(), 44u + 441000u * 2);
    std::remove(path.c_str());
    EXPECT_EQ(RunSynth("--help"), 0);
}

TEST(VelquorSynth, BadOptionsFailAndLeaveExistingFilesAlone) {
    const std::string path = TempPath("keep.wav");
    {
        std::ofstream keep(path, std::ios::binary);
        keep << "keep me";
    }
    const std::string out = " --out \"" + path + "\"";
    for (const char* args : {"--bogus", "--mode pm", "--signal noise", "--depth 1.5", "--depth x",
                             "--carrier1 500", "--carrier2 21000", "--seconds 0", "--seconds -1",
                             "--seconds 4000", "--tone1 0", "--phase2 400", "--phase1 x", "--amplitude 0", "--amplitude 2",
                             "--seed -3", "--seed 1.5", "--fm --carrier1 20000 --deviation 2500",
                             "--deviation", "--mono=1", "extra.wav"}) {
        EXPECT_NE(RunSynth(std::string(args) + out), 0) << args;
        const auto b = ReadBytes(path);
        EXPECT_TRUE(std::string(b.begin(), b.end()) == "keep me") << args;
    }
    EXPECT_NE(RunSynth("--seconds 1"), 0);  // no output file
    std::remove(path.c_str());
    // An unwritable destination is an error, not a silent success.
    EXPECT_NE(RunSynth("--seconds 0.1 --out /nonexistent-dir/x.wav"), 0);
}

namespace {

// Reads a FIFO until its writer has come and gone, at most `limit` long: a writer that never
// opens the FIFO cannot hang the test.
std::vector<uint8_t> DrainFifo(const std::string& path, std::chrono::seconds limit) {
    std::vector<uint8_t> got;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return got;
    const auto start = std::chrono::steady_clock::now();
    bool writerSeen = false;
    uint8_t buffer[65536];
    while (std::chrono::steady_clock::now() - start < limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got.insert(got.end(), buffer, buffer + n);
            writerSeen = true;
        } else if (n == 0 && writerSeen) {
            break;   // the writer closed its end
        } else {
            if (n < 0 && errno == EAGAIN) writerSeen = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ::close(fd);
    return got;
}

}  // namespace

// Only a regular file (or a new name) goes through the side file and the rename: a FIFO or a
// device is written in place and stays what it is, a symbolic link keeps pointing at its
// target, which receives the file, and "-" writes the WAVE to standard output.
TEST(VelquorSynth, SpecialFilesAreWrittenInPlaceAndStdoutTakesTheWave) {
    const std::string args = "--seconds 0.2 --fm --stereo ";
    const std::string regular = TempPath("regular.wav");
    ASSERT_EQ(RunSynth(args + "--out " + velquor_test::Quote(regular)), 0);
    const std::vector<uint8_t> reference = ReadBytes(regular);
    ASSERT_EQ(reference.size(), 44u + 8820u * 4);

    const velquor_test::ToolRun piped = velquor_test::RunTool(velquor_test::SynthTool, args + "--out -");
    EXPECT_EQ(piped.Status, 0) << piped.Err;
    EXPECT_TRUE(std::vector<uint8_t>(piped.Out.begin(), piped.Out.end()) == reference)
        << "standard output holds " << piped.Out.size() << " bytes";
    EXPECT_NE(piped.Err.find("wrote standard output"), std::string::npos) << piped.Err;
    const velquor_test::ToolRun full = velquor_test::RunTool(velquor_test::SynthTool, args + "--out -", "> /dev/full");
    EXPECT_EQ(full.Status, 1);
    EXPECT_NE(full.Err.find("cannot write 'standard output'"), std::string::npos) << full.Err;

    const std::string fifo = TempPath("out.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> drained;
    std::thread reader([&] { drained = DrainFifo(fifo, std::chrono::seconds(20)); });
    const int fifoStatus = RunSynth(args + "--out " + velquor_test::Quote(fifo));
    reader.join();
    EXPECT_EQ(fifoStatus, 0);
    struct stat st{};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced by a regular file";
    EXPECT_TRUE(drained == reference) << "the FIFO's reader got " << drained.size() << " bytes";
    std::remove(fifo.c_str());

    EXPECT_EQ(RunSynth(args + "--out /dev/null"), 0);
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    const std::string target = TempPath("target.wav");
    const std::string link = TempPath("link.wav");
    {
        std::ofstream old(target, std::ios::binary);
        old << "old contents";
    }
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(RunSynth(args + "--out " + velquor_test::Quote(link)), 0);
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a regular file";
    EXPECT_TRUE(ReadBytes(target) == reference);
    // A dangling link creates its target.
    std::remove(target.c_str());
    EXPECT_EQ(RunSynth(args + "--out " + velquor_test::Quote(link)), 0);
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(ReadBytes(target) == reference);
    std::remove(link.c_str());
    std::remove(target.c_str());

    const velquor_test::ToolRun dir = velquor_test::RunTool(velquor_test::SynthTool,
                                                            args + "--out " + velquor_test::Quote(::testing::TempDir()));
    EXPECT_EQ(dir.Status, 1);
    EXPECT_NE(dir.Err.find("is a directory"), std::string::npos) << dir.Err;
    std::remove(regular.c_str());
}
