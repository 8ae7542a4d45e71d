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

// One cycle of the sine in 4096 steps, read with linear interpolation: the error is below
// 3 x 10^-7 of full scale, far under the 16-bit quantisation.
constexpr int SineBits = 12;
constexpr int SineSize = 1 << SineBits;
constexpr int FractionBits = 32 - SineBits;
constexpr double FractionScale = 1.0 / double(1u << FractionBits);
constexpr double PhaseUnits = 4294967296.0;  // 2^32 per cycle

struct SineTable {
    float Value[SineSize + 1];
    SineTable() {
        for (int i = 0; i <= SineSize; ++i) Value[i] = static_cast<float>(std::sin(TwoPi * i / SineSize));
    }
};

const float* Sine() {
    static const SineTable table;
    return table.Value;
}

inline double SineAt(const float* table, uint32_t phase) {
    const uint32_t i = phase >> FractionBits;
    const double fraction = double(phase & ((1u << FractionBits) - 1)) * FractionScale;
    return table[i] + (table[i + 1] - table[i]) * fraction;
}

// Phase step of an oscillator at hz (0 < hz < rate), rounded to the nearest unit.
uint32_t PhaseStep(double hz) {
    return static_cast<uint32_t>(static_cast<uint64_t>(hz / SignalGeneratorLimits::SampleRate * PhaseUnits + 0.5));
}

// Rounds half away from zero (as lround) and holds the result to 16-bit full scale.
inline int16_t ToSample(double v) {
    const double r = v >= 0.0 ? v + 0.5 : v - 0.5;
    if (r >= 32767.0) return 32767;
    if (r <= -32767.0) return -32767;
    return static_cast<int16_t>(r);
}

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
        const double phase = s.TonePhaseDeg[ch];
        if (!Finite(phase) || std::fabs(phase) > L::MaxTonePhaseDeg) {
            msg << "channel " << ch + 1 << " tone phase " << phase << " degrees is outside -" << L::MaxTonePhaseDeg
                << " to " << L::MaxTonePhaseDeg << " degrees";
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
        s.TonePhaseDeg[ch] = ClampOr(s.TonePhaseDeg[ch], -L::MaxTonePhaseDeg, L::MaxTonePhaseDeg, 0.0);
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
    deviationSteps_ = settings_.DeviationHz / SignalGeneratorLimits::SampleRate * PhaseUnits;
    for (int ch = 0; ch < 2; ++ch) {
        carrierStep_[ch] = PhaseStep(settings_.CarrierHz[ch]);
        toneStep_[ch] = PhaseStep(settings_.ToneHz[ch]);
        // A fraction of a cycle in (-1, 1), wrapped into the unsigned phase.
        const double cycles = settings_.TonePhaseDeg[ch] / 360.0;
        tonePhase_[ch] = static_cast<uint32_t>(std::llround((cycles - std::floor(cycles)) * PhaseUnits));
        eegPrevious_[ch] = eeg_[ch].Next();
        eegNext_[ch] = eeg_[ch].Next();
    }
}

void SignalGenerator::Generate(int16_t* out, int frames) {
    if (out == nullptr) return;
    const float* sine = Sine();
    const bool am = settings_.Modulation == SynthModulation::Am;
    const bool eeg = settings_.Signal == SynthSignal::Eeg;
    const double depth = settings_.Depth;
    const int stride = settings_.Stereo ? 2 : 1;
    int16_t* sample = out + (stride - 1);
    // Runs of frames that share one EEG control interval (or the whole call for tones).
    for (int done = 0; done < frames;) {
        const int run = eeg ? std::min(frames - done, EegSignal::ControlStep - eegPosition_) : frames - done;
        const double t0 = double(eegPosition_) / EegSignal::ControlStep;
        for (int i = 0; i < run; ++i) {
            double sum = 0.0;
            for (int ch = 0; ch < 2; ++ch) {
                double m;
                if (eeg) {
                    const double t = t0 + double(i) * (1.0 / EegSignal::ControlStep);
                    m = eegPrevious_[ch] + (eegNext_[ch] - eegPrevious_[ch]) * t;
                } else {
                    m = SineAt(sine, tonePhase_[ch]);
                    tonePhase_[ch] += toneStep_[ch];
                }
                const double carrier = SineAt(sine, carrierPhase_[ch]);
                if (am) {
                    sum += carrierAmplitude_ * (1.0 + depth * m) * carrier;
                    carrierPhase_[ch] += carrierStep_[ch];
                } else {
                    sum += carrierAmplitude_ * carrier;
                    // m stays within -1..1 and the deviation below the carrier, so the step is positive.
                    carrierPhase_[ch] += static_cast<uint32_t>(
                        static_cast<int64_t>(double(carrierStep_[ch]) + deviationSteps_ * m + 0.5));
                }
            }
            if (settings_.Stereo) sample[-1] = 0;
            // The amplitudes above keep |sum| within full scale; the clamp only guards rounding.
            *sample = ToSample(sum);
            sample += stride;
        }
        done += run;
        if (eeg) {
            eegPosition_ += run;
            if (eegPosition_ == EegSignal::ControlStep) {
                eegPosition_ = 0;
                for (int ch = 0; ch < 2; ++ch) {
                    eegPrevious_[ch] = eegNext_[ch];
                    eegNext_[ch] = eeg_[ch].Next();
                }
            }
        }
    }
}
