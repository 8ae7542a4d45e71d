#include "dsp/Calibration.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double OutputRate = 44100.0 / 128.0;
constexpr double FmOutputPerHz = 250.0;   // the discriminator's factor per hertz at gain 1
constexpr double AmOutputPerUnit = 50.0;  // the envelope's factor per unit of carrier at gain 1

float Carrier(const ProcessingState& state, int channel)
{
    return channel == 2 ? state.Chan2CarrierHz : state.Chan1CarrierHz;
}

std::string Hz(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", hz);
    return text;
}

std::string Percent(double share)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %%", 100.0 * share);
    return text;
}

// Amplitude of the component at `hz` and the RMS of what remains after the straight-line trend
// (the DC removal settles slowly) is taken out; Hann weighting, so a frequency between the
// transform's bins is measured at its full amplitude.
struct Tone {
    double Amplitude = 0.0;
    double Rms = 0.0;
};

Tone MeasureTone(const std::vector<double>& x, double hz)
{
    const size_t n = x.size();
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < n; ++i) {
        sx += i;
        sy += x[i];
        sxx += double(i) * i;
        sxy += double(i) * x[i];
    }
    const double count = static_cast<double>(n);
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    const double offset = (sy - slope * sx) / count;
    std::complex<double> sum = 0.0;
    double weight = 0.0, weightedPower = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double v = x[i] - offset - slope * i;
        const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * i / (count - 1));
        sum += w * v * std::polar(1.0, -2.0 * Pi * hz * i / OutputRate);
        weight += w;
        weightedPower += w * v * v;
    }
    Tone tone;
    tone.Amplitude = 2.0 * std::abs(sum) / weight;
    // The power under the same window as the amplitude, so a burst in a corner of the record
    // weighs as it does in the tone's estimate.
    tone.Rms = std::sqrt(weightedPower / weight);
    return tone;
}

}  // namespace

const char* ModulationName(int modulationType)
{
    return modulationType == 2 ? "FM" : "AM";
}

const char* ReferenceUnitText(int modulationType)
{
    return modulationType == 2 ? "uV per Hz of deviation" : "uV per 100 % modulation depth";
}

bool CalibrationMatches(const ChannelCalibration& calibration, const ProcessingState& state, int channel)
{
    return calibration.Channel == channel && calibration.ModulationType == state.ModulationType &&
           std::fabs(calibration.CarrierHz - Carrier(state, channel)) <= CalibrationCarrierToleranceHz &&
           calibration.MicrovoltsPerUnit > 0.0 && std::isfinite(calibration.MicrovoltsPerUnit);
}

std::string CalibrationMismatch(const ChannelCalibration& calibration, const ProcessingState& state, int channel)
{
    if (CalibrationMatches(calibration, state, channel)) return {};
    if (!(calibration.MicrovoltsPerUnit > 0.0) || !std::isfinite(calibration.MicrovoltsPerUnit))
        return "its factor is not a positive number";
    std::string text = "made for channel " + std::to_string(calibration.Channel) + ", " +
                       ModulationName(calibration.ModulationType) + " at " + Hz(calibration.CarrierHz) + " Hz";
    return text + "; channel " + std::to_string(channel) + " runs " + ModulationName(state.ModulationType) + " at " +
           Hz(Carrier(state, channel)) + " Hz";
}

double TraceUnitsPerReference(const ProcessingState& state, int channel)
{
    const double gain = channel == 2 ? state.Chan2DemodGain : state.Chan1DemodGain;
    if (state.ModulationType == 2) {
        const double units = FmOutputPerHz * gain;
        return units > 0.0 && std::isfinite(units) ? units : 0.0;
    }
    // The DC estimate is the envelope's mean, 50 x gain x the carrier's amplitude (the band's
    // gain at the carrier is compensated); below a few sample steps of carrier there is none.
    const double level = (channel == 2 ? state.Chan2State : state.Chan1State).DcEstimate;
    const double floor = AmOutputPerUnit * std::fabs(gain) * MinimumCarrierAmplitude;
    return std::isfinite(level) && floor > 0.0 && level >= floor ? level : 0.0;
}

double MicrovoltsPerTraceUnit(const ChannelCalibration& calibration, const ProcessingState& state, int channel)
{
    if (!CalibrationMatches(calibration, state, channel)) return 0.0;
    const double units = TraceUnitsPerReference(state, channel);
    return units > 0.0 ? calibration.MicrovoltsPerUnit / units : 0.0;
}

double ReferenceMaximum(int modulationType, uint32_t sampleRate)
{
    return modulationType == 2 ? sampleRate / 2.0 : 4.0;
}

CalibrationMeter::CalibrationMeter(int channel, double declaredMicrovoltsPp, double declaredHz, int settleBlocks)
    : channel_(channel == 2 ? 2 : 1),
      declaredPp_(declaredMicrovoltsPp),
      declaredHz_(declaredHz),
      settle_(std::max(settleBlocks, 0))
{
    // The window measures while it draws: no allocation once measuring.
    samples_.reserve(MaxSamples);
}

int CalibrationMeter::BlocksNeeded() const
{
    constexpr int MinimumBlocks = 33;   // about 3 s
    const double hz = std::max(declaredHz_, CalibrationMinHz);
    const int forPeriods = static_cast<int>(std::ceil(8.0 / hz * OutputRate / OutputPerBlock));
    return std::max(MinimumBlocks, forPeriods);
}

void CalibrationMeter::AddBlock(const ProcessingState& state, int frames)
{
    frames = std::clamp(frames, 0, BlockFrames);
    for (int i = 0; i < frames; ++i)
        clipped_ += state.BlockSamples[i] >= 32767 || state.BlockSamples[i] <= -32768;
    inputSamples_ += frames;
    if (settle_ > 0) {
        --settle_;
        modulation_ = state.ModulationType;
        carrier_ = Carrier(state, channel_);
        return;
    }
    if (blocks_ == 0) {
        modulation_ = state.ModulationType;
        carrier_ = Carrier(state, channel_);
    } else if (state.ModulationType != modulation_ || Carrier(state, channel_) != carrier_) {
        changed_ = true;
    }
    ++blocks_;
    const double units = TraceUnitsPerReference(state, channel_);
    const double post = PostFilterGain(state, declaredHz_);
    if (units <= 0.0 || !(post > 0.0)) {
        ++noCarrierBlocks_;
        return;
    }
    const int32_t* trace = (channel_ == 2 ? state.Chan2Trace : state.Chan1Trace) + TraceLength - OutputPerBlock;
    const int count = CoveredOutputSamples(frames);
    for (int i = 0; i < count; ++i) {
        const double v = trace[i] / units / post;
        if (samples_.size() < static_cast<size_t>(MaxSamples)) {
            samples_.push_back(v);
        } else {
            samples_[next_] = v;
            next_ = (next_ + 1) % samples_.size();
        }
    }
}

CalibrationResult CalibrationMeter::Result() const
{
    CalibrationResult r;
    r.Blocks = blocks_;
    r.ClippedSamples = clipped_;
    r.InputSamples = inputSamples_;
    const std::string channel = "channel " + std::to_string(channel_);
    if (!(declaredPp_ > 0.0) || !std::isfinite(declaredPp_)) {
        r.Reason = "the declared signal must be a positive number of microvolts peak to peak";
        return r;
    }
    if (!(declaredHz_ >= CalibrationMinHz && declaredHz_ <= CalibrationMaxHz)) {
        r.Reason = "the declared frequency must lie within " + Hz(CalibrationMinHz) + " to " + Hz(CalibrationMaxHz) +
                   " Hz, where the traces show it";
        return r;
    }
    if (changed_) {
        r.Reason = "the modulation or the carrier of " + channel + " changed during the measurement";
        return r;
    }
    if (!Ready()) {
        char text[160];
        std::snprintf(text, sizeof text, "too short: %d blocks measured (%.1f s), %d needed (%.1f s)", blocks_,
                      blocks_ * OutputPerBlock / OutputRate, BlocksNeeded(), BlocksNeeded() * OutputPerBlock / OutputRate);
        r.Reason = text;
        return r;
    }
    if (inputSamples_ > 0 && static_cast<double>(clipped_) / inputSamples_ > MaxClippedShare) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "the input is clipped: %lld of %lld samples at full scale; lower the calibration signal or "
                      "the sound card's input level",
                      static_cast<long long>(clipped_), static_cast<long long>(inputSamples_));
        r.Reason = text;
        return r;
    }
    if (noCarrierBlocks_ > 0) {
        r.Reason = "no carrier on " + channel + " at " + Hz(carrier_) + " Hz in " + std::to_string(noCarrierBlocks_) +
                   " of the " + std::to_string(blocks_) + " blocks measured";
        return r;
    }
    // In time order (the ring's oldest first).
    std::vector<double> x(samples_.begin() + static_cast<std::ptrdiff_t>(next_), samples_.end());
    x.insert(x.end(), samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(next_));
    const Tone tone = MeasureTone(x, declaredHz_);
    r.MeasuredPp = 2.0 * tone.Amplitude;
    r.ToneShare = tone.Rms > 0.0 ? std::min(1.0, 0.5 * tone.Amplitude * tone.Amplitude / (tone.Rms * tone.Rms)) : 0.0;
    if (!(r.MeasuredPp > 0.0) || r.ToneShare < MinToneShare) {
        r.Reason = "no clear tone at " + Hz(declaredHz_) + " Hz on " + channel + ": it carries " +
                   Percent(r.ToneShare) + " of the signal's power, at least " + Percent(MinToneShare) +
                   " is needed (is the calibration signal on, at that frequency?)";
        return r;
    }
    r.Ok = true;
    r.Calibration.Channel = channel_;
    r.Calibration.ModulationType = modulation_;
    r.Calibration.CarrierHz = carrier_;
    r.Calibration.MicrovoltsPerUnit = declaredPp_ / r.MeasuredPp;
    r.Calibration.DeclaredMicrovoltsPp = declaredPp_;
    r.Calibration.DeclaredHz = declaredHz_;
    return r;
}
