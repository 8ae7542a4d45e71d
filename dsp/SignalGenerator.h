#pragma once
// Calibration and demo signal: two EEG channels, each on its own audio carrier, AM or FM,
// as 16-bit PCM at 44100 Hz. A streaming object: construct it once, then call Generate
// repeatedly; the output depends only on the settings (and seed), never on how the
// stream is cut into calls.

#include <cstdint>
#include <string>

enum class SynthModulation { Am, Fm };
enum class SynthSignal { Tone, Eeg };

struct SignalGeneratorSettings {
    SynthModulation Modulation = SynthModulation::Am;
    // Stereo frames carry the signal on the right sample; the left sample is 0, so a reader
    // that takes the wrong sample sees silence rather than a plausible signal.
    bool Stereo = false;
    double CarrierHz[2] = {19145.0, 16065.0};  // channel 1, channel 2
    double Depth = 0.5;                        // AM: envelope = 1 + Depth x m(t), 0..1
    double DeviationHz = 200.0;                // FM: carrier + DeviationHz x m(t)
    SynthSignal Signal = SynthSignal::Tone;
    double ToneHz[2] = {10.0, 6.0};            // modulating tone per channel (Tone signal)
    // Starting phase of each channel's tone in degrees, -360..360: equal tones with channel 1
    // at 0 and channel 2 at 90 have channel 2 leading by a quarter period.
    double TonePhaseDeg[2] = {0.0, 0.0};
    uint64_t Seed = 1;                         // EEG signal; each channel derives its own stream
    double Amplitude = 0.8;                    // peak of both carriers' sum, fraction of full scale
};

// Limits that the generator guarantees to work within.
struct SignalGeneratorLimits {
    static constexpr double SampleRate = 44100.0;
    static constexpr double MinCarrierHz = 1000.0;
    static constexpr double MaxCarrierHz = 20000.0;
    static constexpr double MaxDeviationHz = 5000.0;
    static constexpr double MaxToneHz = 1000.0;
    static constexpr double MaxTonePhaseDeg = 360.0;
};

// Empty when the settings are usable, otherwise a message naming the first bad value.
std::string CheckSignalSettings(const SignalGeneratorSettings& settings);

// Pseudo-random source with a fixed algorithm (xoshiro256**, seeded by splitmix64), so a seed
// gives the same stream with every compiler and library.
class SynthRandom {
public:
    explicit SynthRandom(uint64_t seed);
    uint64_t NextBits();
    double Uniform();   // (0, 1)
    double Gaussian();  // zero mean, unit variance
private:
    uint64_t s_[4];
    double spare_ = 0.0;
    bool haveSpare_ = false;
};

// EEG-like modulating signal at a control rate of 44100 / ControlStep Hz: an alpha rhythm near
// 10 Hz that waxes and wanes in bursts under a slowly varying envelope, over a 1/f (pink)
// background band-limited to about 70 Hz. Values lie in -1..1.
class EegSignal {
public:
    static constexpr int ControlStep = 32;
    static constexpr double Rate = SignalGeneratorLimits::SampleRate / ControlStep;  // 1378.125 Hz
    static constexpr double AlphaHz = 10.0;

    explicit EegSignal(uint64_t seed);
    double Next();

private:
    double SlowNoise(double* stages, double coefficient, double norm);

    SynthRandom random_;
    double burstPole_, burstNorm_, wanderPole_, wanderNorm_, pinkLimitPole_;
    double pink_[7] = {};
    double pinkLowPass_[2] = {};
    double envelopeStages_[2] = {};
    double wanderStages_[2] = {};
    double alphaPhase_ = 0.0;
};

class SignalGenerator {
public:
    // Settings outside the limits of CheckSignalSettings are clamped into them.
    explicit SignalGenerator(const SignalGeneratorSettings& settings);

    // Writes `frames` frames: one int16 per frame in mono, two (left 0, right signal) in stereo.
    void Generate(int16_t* out, int frames);

    int Channels() const { return settings_.Stereo ? 2 : 1; }
    const SignalGeneratorSettings& Settings() const { return settings_; }
    // Peak amplitude of one unmodulated carrier, in sample units.
    double CarrierAmplitude() const { return carrierAmplitude_; }
    // Seed of channel ch's (0 or 1) EEG stream, derived from the common seed.
    static uint64_t ChannelSeed(uint64_t seed, int ch);

private:
    // Oscillator phases are 32-bit fractions of a cycle (they wrap by themselves) read
    // through an interpolated sine table: no transcendental call per sample.
    SignalGeneratorSettings settings_;
    double carrierAmplitude_ = 0.0;
    uint32_t carrierPhase_[2] = {0, 0};
    uint32_t carrierStep_[2] = {0, 0};
    double deviationSteps_ = 0.0;           // FM: phase step per unit of m(t)
    uint32_t tonePhase_[2] = {0, 0};
    uint32_t toneStep_[2] = {0, 0};
    // EEG control values are interpolated linearly up to the audio rate.
    EegSignal eeg_[2];
    double eegPrevious_[2] = {0.0, 0.0};
    double eegNext_[2] = {0.0, 0.0};
    int eegPosition_ = 0;
};
