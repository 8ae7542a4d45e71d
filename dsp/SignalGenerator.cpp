#include "dsp/SignalGenerator.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

constexpr double TwoPi = 6.283185307179586476925286766559;
constexpr double FullScale = 32767.0;

uint64_t SplitMix64(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

double WrapPhase(double phase) {
    if (phase >= TwoPi || phase < 0.0) phase -= TwoPi * std::floor(phase / TwoPi);
    return phase;
}

// Pole of a one-pole low-pass at cutoff hz for a filter running at rate.
double OnePolePole(double hz, double rate) { return std::exp(-TwoPi * hz / rate); }

// Two identical one-pole low-passes in cascade pass white noise of unit variance with a
// variance of (1-a)^4 (1+a^2) / (1-a^2)^3; the reciprocal root scales it back to unity.
double CascadeNorm(double a) {
    const double r = a * a;
    const double variance = std::pow(1.0 - a, 4) * (1.0 + r) / std::pow(1.0 - r, 3);
    return 1.0 / std::sqrt(variance);
}

// Shape of the background: the RMS of the pink filter below after its 70 Hz band limit, for
// unit white input (measured over 2 x 10^7 control samples).
constexpr double PinkRms = 2.564;
constexpr double PinkLimitHz = 70.0;
constexpr double AlphaPeak = 0.5;       // alpha amplitude at the top of a burst
constexpr double BackgroundRms = 0.15;  // pink background, well below the alpha bursts
constexpr double BurstCutoffHz = 0.5;   // envelope variations over a few seconds
constexpr double WanderCutoffHz = 0.1;  // alpha frequency drifts slowly
constexpr double WanderHz = 0.3;        // ... by about this much
constexpr double WarmUpSeconds = 2.0;   // start in steady state, not from filter rest

bool Finite(double v) { return std::isfinite(v); }

double ClampOr(double v, double lo, double hi, double fallback) {
    if (!Finite(v)) return fallback;
    return std::clamp(v, lo, hi);
}

}  // namespace

// --- SynthRandom ---------------------------------------------------------------------------

SynthRandom::SynthRandom(uint64_t seed) {
    uint64_t x = seed;
    for (auto& s : s_) s = SplitMix64(x);
}

uint64_t SynthRandom::NextBits() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

double SynthRandom::Uniform() {
    // 53 random bits, offset by half a step so neither 0 nor 1 can occur.
    return (static_cast<double>(NextBits() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

double SynthRandom::Gaussian() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    const double r = std::sqrt(-2.0 * std::log(Uniform()));
    const double angle = TwoPi * Uniform();
    spare_ = r * std::sin(angle);
    haveSpare_ = true;
    return r * std::cos(angle);
}

// --- EegSignal -----------------------------------------------------------------------------

EegSignal::EegSignal(uint64_t seed)
    : random_(seed),
      burstPole_(OnePolePole(BurstCutoffHz, Rate)),
      burstNorm_(CascadeNorm(burstPole_)),
      wanderPole_(OnePolePole(WanderCutoffHz, Rate)),
      wanderNorm_(CascadeNorm(wanderPole_)),
      pinkLimitPole_(OnePolePole(PinkLimitHz, Rate)) {
    alphaPhase_ = TwoPi * random_.Uniform();
    const int warmUp = static_cast<int>(WarmUpSeconds * Rate);
    for (int i = 0; i < warmUp; ++i) Next();
}

double EegSignal::SlowNoise(double* stages, double a, double norm) {
    stages[0] = a * stages[0] + (1.0 - a) * random_.Gaussian();
    stages[1] = a * stages[1] + (1.0 - a) * stages[0];
    return stages[1] * norm;
}

double EegSignal::Next() {
    // Background: white noise through a sum of one-pole sections whose poles are spread so the
    // power falls at about 3 dB per octave (the well-known pink approximation), then band-limited
    // as an EEG amplifier would.
    const double w = random_.Gaussian();
    double* b = pink_;
    b[0] = 0.99886 * b[0] + w * 0.0555179;
    b[1] = 0.99332 * b[1] + w * 0.0750759;
    b[2] = 0.96900 * b[2] + w * 0.1538520;
    b[3] = 0.86650 * b[3] + w * 0.3104856;
    b[4] = 0.55000 * b[4] + w * 0.5329522;
    b[5] = -0.7616 * b[5] - w * 0.0168980;
    const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
    b[6] = w * 0.115926;
    pinkLowPass_[0] = pinkLimitPole_ * pinkLowPass_[0] + (1.0 - pinkLimitPole_) * pink;
    pinkLowPass_[1] = pinkLimitPole_ * pinkLowPass_[1] + (1.0 - pinkLimitPole_) * pinkLowPass_[0];
    const double background = pinkLowPass_[1] * (BackgroundRms / PinkRms);

    // Alpha bursts: a slow unit-variance process pushed through a soft step, so the rhythm is
    // mostly either present or absent, with smooth waxing and waning between.
    const double burst = SlowNoise(envelopeStages_, burstPole_, burstNorm_);
    const double envelope = 0.5 * (1.0 + std::tanh(2.5 * (burst - 0.2)));
    const double wander = SlowNoise(wanderStages_, wanderPole_, wanderNorm_);
    const double alphaHz = AlphaHz + std::clamp(WanderHz * wander, -1.0, 1.0);
    const double alpha = AlphaPeak * envelope * std::sin(alphaPhase_);
    alphaPhase_ = WrapPhase(alphaPhase_ + TwoPi * alphaHz / Rate);

    return std::clamp(alpha + background, -1.0, 1.0);
}

// --- Settings ------------------------------------------------------------------------------

std::string CheckSignalSettings(const SignalGeneratorSettings& s) {
    using L = SignalGeneratorLimits;
    std::ostringstream msg;
    for (int ch = 0; ch < 2; ++ch) {
        const double fc = s.CarrierHz[ch];
        if (!Finite(fc) || fc < L::MinCarrierHz || fc > L::MaxCarrierHz) {
            msg << "channel " << ch + 1 << " carrier " << fc << " Hz is outside " << L::MinCarrierHz
                << " to " << L::MaxCarrierHz << " Hz";
            return msg.str();
        }
        const double tone = s.ToneHz[ch];
        if (!Finite(tone) || tone <= 0.0 || tone > L::MaxToneHz) {
            msg << "channel " << ch + 1 << " tone " << tone << " Hz is outside 0 (exclusive) to "
                << L::MaxToneHz << " Hz";
            return msg.str();
        }
    }
    if (!Finite(s.Depth) || s.Depth < 0.0 || s.Depth > 1.0) {
        msg << "AM depth " << s.Depth << " is outside 0 to 1";
        return msg.str();
    }
    if (!Finite(s.DeviationHz) || s.DeviationHz < 0.0 || s.DeviationHz > L::MaxDeviationHz) {
        msg << "FM deviation " << s.DeviationHz << " Hz is outside 0 to " << L::MaxDeviationHz << " Hz";
        return msg.str();
    }
    if (s.Modulation == SynthModulation::Fm) {
        for (int ch = 0; ch < 2; ++ch) {
            const double fc = s.CarrierHz[ch];
            if (fc - s.DeviationHz <= 0.0 || fc + s.DeviationHz >= L::SampleRate / 2) {
                msg << "channel " << ch + 1 << " carrier " << fc << " Hz plus or minus deviation "
                    << s.DeviationHz << " Hz would swing outside 0 to " << L::SampleRate / 2 << " Hz";
                return msg.str();
            }
        }
    }
    if (!Finite(s.Amplitude) || s.Amplitude <= 0.0 || s.Amplitude > 1.0) {
        msg << "amplitude " << s.Amplitude << " is outside 0 (exclusive) to 1";
        return msg.str();
    }
    return {};
}

namespace {

SignalGeneratorSettings Sanitized(SignalGeneratorSettings s) {
    using L = SignalGeneratorLimits;
    const SignalGeneratorSettings defaults;
    for (int ch = 0; ch < 2; ++ch) {
        s.CarrierHz[ch] = ClampOr(s.CarrierHz[ch], L::MinCarrierHz, L::MaxCarrierHz, defaults.CarrierHz[ch]);
        s.ToneHz[ch] = ClampOr(s.ToneHz[ch], 0.01, L::MaxToneHz, defaults.ToneHz[ch]);
    }
    s.Depth = ClampOr(s.Depth, 0.0, 1.0, defaults.Depth);
    // Keep every carrier's swing inside 0..Nyquist.
    double maxDeviation = L::MaxDeviationHz;
    for (double fc : s.CarrierHz) maxDeviation = std::min({maxDeviation, fc - 1.0, L::SampleRate / 2 - 1.0 - fc});
    s.DeviationHz = ClampOr(s.DeviationHz, 0.0, maxDeviation, std::min(defaults.DeviationHz, maxDeviation));
    s.Amplitude = ClampOr(s.Amplitude, 1e-6, 1.0, defaults.Amplitude);
    return s;
}

}  // namespace

// --- SignalGenerator -----------------------------------------------------------------------

uint64_t SignalGenerator::ChannelSeed(uint64_t seed, int ch) {
    uint64_t x = seed ^ (0xD1B54A32D192ED03ull * static_cast<uint64_t>(ch + 1));
    return SplitMix64(x);
}

SignalGenerator::SignalGenerator(const SignalGeneratorSettings& settings)
    : settings_(Sanitized(settings)),
      eeg_{EegSignal(ChannelSeed(settings_.Seed, 0)), EegSignal(ChannelSeed(settings_.Seed, 1))} {
    // Each carrier may reach half the peak; in AM its envelope swings up to 1 + Depth.
    const double share = settings_.Amplitude * FullScale / 2.0;
    carrierAmplitude_ = settings_.Modulation == SynthModulation::Am ? share / (1.0 + settings_.Depth) : share;
    for (int ch = 0; ch < 2; ++ch) {
        eegPrevious_[ch] = eeg_[ch].Next();
        eegNext_[ch] = eeg_[ch].Next();
    }
}

double SignalGenerator::Modulating(int ch) {
    if (settings_.Signal == SynthSignal::Tone) {
        const double m = std::sin(tonePhase_[ch]);
        tonePhase_[ch] = WrapPhase(tonePhase_[ch] + TwoPi * settings_.ToneHz[ch] / SignalGeneratorLimits::SampleRate);
        return m;
    }
    const double t = static_cast<double>(eegPosition_) / EegSignal::ControlStep;
    return eegPrevious_[ch] + (eegNext_[ch] - eegPrevious_[ch]) * t;
}

void SignalGenerator::Generate(int16_t* out, int frames) {
    if (out == nullptr) return;
    constexpr double Rate = SignalGeneratorLimits::SampleRate;
    const bool am = settings_.Modulation == SynthModulation::Am;
    for (int i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (int ch = 0; ch < 2; ++ch) {
            const double m = Modulating(ch);
            double frequency = settings_.CarrierHz[ch];
            double envelope = carrierAmplitude_;
            if (am) {
                envelope *= 1.0 + settings_.Depth * m;
            } else {
                frequency += settings_.DeviationHz * m;
            }
            sum += envelope * std::sin(carrierPhase_[ch]);
            carrierPhase_[ch] = WrapPhase(carrierPhase_[ch] + TwoPi * frequency / Rate);
        }
        if (settings_.Signal == SynthSignal::Eeg && ++eegPosition_ == EegSignal::ControlStep) {
            eegPosition_ = 0;
            for (int ch = 0; ch < 2; ++ch) {
                eegPrevious_[ch] = eegNext_[ch];
                eegNext_[ch] = eeg_[ch].Next();
            }
        }
        // The amplitudes above keep |sum| within full scale; the clamp only guards rounding.
        const long rounded = std::clamp(std::lround(sum), -32767L, 32767L);
        const int16_t sample = static_cast<int16_t>(rounded);
        if (settings_.Stereo) {
            out[2 * i] = 0;
            out[2 * i + 1] = sample;
        } else {
            out[i] = sample;
        }
    }
}
