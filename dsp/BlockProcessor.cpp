#include "dsp/BlockProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "dsp/BandPass.h"
#include "dsp/Demod.h"
#include "dsp/Fir.h"
#include "dsp/Iir.h"

namespace {

// What one channel's pass reads and writes, picked once per channel.
struct ChannelRefs {
    ChannelState& loop;
    float* work;
    int32_t* trace;
    float& level;
    float gain;
    float amCompensation;
    const IirCoefficients& lowPass;
    const IirCoefficients& highPass;
    const FmBand& band;
};

ChannelRefs Refs(ProcessingState& s, int channel)
{
    if (channel == 2)
        return {s.Chan2State, s.Chan2Work, s.Chan2Trace, s.Chan2Level, s.Chan2DemodGain,
                s.Chan2AmCompensation, s.Chan2BandLowPass, s.Chan2BandHighPass, s.Chan2Band};
    return {s.Chan1State, s.Chan1Work, s.Chan1Trace, s.Chan1Level, s.Chan1DemodGain,
            s.Chan1AmCompensation, s.Chan1BandLowPass, s.Chan1BandHighPass, s.Chan1Band};
}

// Non-finite floats are exactly those whose exponent bits are all ones; the
// largest exponent field over the array finds one without a branch per value,
// so the check vectorises.
void ZeroIfNonFinite(float* values, size_t n)
{
    uint32_t maxExponent = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, values + i, sizeof bits);
        const uint32_t exponent = bits & 0x7F800000u;
        maxExponent = exponent > maxExponent ? exponent : maxExponent;
    }
    if (maxExponent == 0x7F800000u)
        std::memset(values, 0, n * sizeof(float));
}

void ZeroIfNonFinite(float& value)
{
    if (!std::isfinite(value))
        value = 0.0f;
}

// The post filter in force: the smoothing low-pass twice, or the marker low-pass twice and
// the marker high-pass twice.
struct PostFilter {
    const IirCoefficients* Sets[4];
    int Count;
};

PostFilter PostFilterInForce(const ProcessingState& s)
{
    if (s.FilterEnabled)
        return {{&s.MarkerLowPass, &s.MarkerLowPass, &s.MarkerHighPass, &s.MarkerHighPass}, 4};
    return {{&s.SmoothingLowPass, &s.SmoothingLowPass, nullptr, nullptr}, 2};
}

bool SameSet(const IirCoefficients& a, const IirCoefficients& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool PostStatesFit(const ChannelState& loop, const ProcessingState& s)
{
    if (loop.PostBandPassRun != s.FilterEnabled)
        return false;
    return s.FilterEnabled ? SameSet(loop.PostLowPassRun, s.MarkerLowPass) && SameSet(loop.PostHighPassRun, s.MarkerHighPass)
                           : SameSet(loop.PostLowPassRun, s.SmoothingLowPass);
}

// A section's gain for a constant input; 0 where the design gives no usable figure (a
// high-pass, whose sums both nearly vanish).
double ConstantGain(const IirCoefficients& set)
{
    double a = 0.0, b = 0.0;
    for (int k = 0; k <= 4; ++k)
        a += set.a[k];
    for (int k = 1; k <= 4; ++k)
        b += set.b[k];
    const double gain = a / (1.0 - b);
    return std::isfinite(gain) && std::fabs(gain) <= 2.0 ? gain : 0.0;
}

// New states for the post filter in force: each section starts settled on the oldest kept
// input and then runs over all of them, so it holds what it would had it run for those 1.5 s
// (what the start misses has died away by the end). The states of a changed design carried
// the old filter's past into the new recursion: a turn of the frequency scale with the
// band-pass on gave spikes larger than the signal, ringing for about a second.
void RestartPostFilter(ChannelState& loop, const ProcessingState& s)
{
    const PostFilter post = PostFilterInForce(s);
    float inputs[TraceLength];
    std::memcpy(inputs, loop.PostInputs, sizeof inputs);
    double level = inputs[0];
    for (int k = 0; k < post.Count; ++k) {
        const double gain = ConstantGain(*post.Sets[k]);
        IirState& section = loop.PostSections[k];
        for (int j = 0; j < 4; ++j) {
            section.x[j] = static_cast<float>(level);
            section.y[j] = static_cast<float>(level * gain);
        }
        IirFilter4(inputs, inputs, TraceLength, section, *post.Sets[k]);
        level *= gain;
    }
    loop.PostLowPassRun = *post.Sets[0];
    loop.PostHighPassRun = s.FilterEnabled ? s.MarkerHighPass : IirCoefficients{};
    loop.PostBandPassRun = s.FilterEnabled;
}

// Only what persists into the next block: histories, tails, section states.
void ResetChannel(ChannelState& loop)
{
    for (IirState& section : loop.BandSections)
        ResetIfNonFinite(section);
    ZeroIfNonFinite(loop.FmTail, FmQuarter);
    ZeroIfNonFinite(loop.Quadrature, QuadratureHistory);
    ZeroIfNonFinite(loop.AliasHistory, AliasAverageLength - 1);
    ZeroIfNonFinite(loop.Decim1Buffer, DecimationHistory);
    ZeroIfNonFinite(loop.Decim2Buffer, DecimationHistory);
    for (IirState& section : loop.PostSections)
        ResetIfNonFinite(section);
    ZeroIfNonFinite(loop.PostInputs, TraceLength);
    ZeroIfNonFinite(loop.DcEstimate);
}

// AM band: six sections low, low, high, high, low, high, each with its own state.
void AmChain(ChannelRefs& ch, IirSection* chain)
{
    const IirCoefficients* order[6] = {&ch.lowPass, &ch.lowPass, &ch.highPass,
                                       &ch.highPass, &ch.lowPass, &ch.highPass};
    for (int k = 0; k < 6; ++k)
        chain[k] = IirSection{order[k], &ch.loop.BandSections[k]};
}

// out[i] = the mean of the block's input i and the 15 before it (the last 15 of the previous
// block in history), summed as a pairwise tree: sums of 4 in one pass, of 16 from them in the
// next, each a plain vector loop (in AVX2 where the CPU has it; the same bits either way: adds
// in the same order and a multiply by a power of two).
__attribute__((target_clones("avx2", "default"))) void AverageAliases(const float* in, float* history, float* sums, float* out)
{
    static_assert(AliasAverageLength == 16, "two passes of four");
    constexpr int Keep = AliasAverageLength - 1;
    std::memcpy(sums, history, Keep * sizeof(float));
    std::memcpy(sums + Keep, in, BlockFrames * sizeof(float));
    std::memcpy(history, in + BlockFrames - Keep, Keep * sizeof(float));
    const int fours = BlockFrames + 12;
    for (int i = 0; i < fours; ++i)
        sums[i] = (sums[i] + sums[i + 1]) + (sums[i + 2] + sums[i + 3]);
    for (int i = 0; i < BlockFrames; ++i)
        out[i] = ((sums[i] + sums[i + 4]) + (sums[i + 8] + sums[i + 12])) * (1.0f / AliasAverageLength);
}

ChannelIndicator ChannelLed(bool enabled, float level, int32_t modulationType)
{
    ChannelIndicator led;
    if (!enabled) {
        led.ColorOff = LedRed;
        led.Checked = false;
    } else {
        led.ColorOff = LedMedGray;
        led.Checked = modulationType == 2 ? level < 10000.0f : level > 2400.0f;
    }
    return led;
}

}  // namespace

void StartRun(ProcessingState& state)
{
    state.FmScale = static_cast<double>(state.SampleRate) * 0.15915494327375637;
    state.Chan1State.DcEstimate = 0.0f;
    state.Chan2State.DcEstimate = 0.0f;
    state.Chan1State.DcWarmUp = DcWarmUpBlocks;
    state.Chan2State.DcWarmUp = DcWarmUpBlocks;
}

int UnpackBlock(ProcessingState& state, const uint8_t* data, size_t byteCount, bool stereo)
{
    const size_t frameBytes = stereo ? 4 : 2;
    const size_t offset = stereo ? 2 : 0;
    size_t frames = data ? byteCount / frameBytes : 0;
    if (frames > static_cast<size_t>(BlockFrames))
        frames = BlockFrames;
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* p = data + i * frameBytes + offset;
        state.BlockSamples[i] = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    }
    for (size_t i = frames; i < static_cast<size_t>(BlockFrames); ++i)
        state.BlockSamples[i] = 0;
    return static_cast<int>(frames);
}

int CoveredOutputSamples(int frames)
{
    constexpr int FramesPerSample = BlockFrames / OutputPerBlock;
    return std::clamp((frames + FramesPerSample - 1) / FramesPerSample, 0, OutputPerBlock);
}

void SeparateBand(ProcessingState& state, int channel)
{
    ChannelRefs ch = Refs(state, channel);
    if (state.ModulationType == 2) {
        // FM band: overlap-add in four quarters of 1024 samples.
        for (int q = 0; q < 4; ++q)
            FmOverlapAddQuarter(state.BlockFloat + FmQuarter * q, ch.band, ch.loop.FmTail,
                                ch.work + FmQuarter * q, state.FmWork);
        return;
    }
    IirSection chain[6];
    AmChain(ch, chain);
    IirCascade(state.BlockFloat, ch.work, chain, 6, BlockFrames);
}

void SeparateBands(ProcessingState& state)
{
    ChannelRefs c1 = Refs(state, 1);
    ChannelRefs c2 = Refs(state, 2);
    if (state.ModulationType == 2) {
        // Both channels' quarters from the same samples: one forward transform serves both,
        // with the same results as one channel at a time.
        for (int q = 0; q < 4; ++q)
            FmOverlapAddQuarterPair(state.BlockFloat + FmQuarter * q, c1.band, c1.loop.FmTail,
                                    c1.work + FmQuarter * q, c2.band, c2.loop.FmTail,
                                    c2.work + FmQuarter * q, state.FmWork);
        return;
    }
    // Both channels' recursions interleaved; the same results as one channel at a time.
    IirSection chain1[6], chain2[6];
    AmChain(c1, chain1);
    AmChain(c2, chain2);
    IirCascadePair(state.BlockFloat, c1.work, chain1, state.BlockFloat, c2.work, chain2, 6,
                   BlockFrames);
}

void Demodulate(ProcessingState& state, int channel)
{
    ChannelRefs ch = Refs(state, channel);
    ChannelState& loop = ch.loop;
    std::memcpy(loop.Quadrature + QuadratureHistory, ch.work, BlockFrames * sizeof(float));
    FirFilter(loop.Quadrature, loop.QuadratureFiltered, QuadratureTaps,
              QuadratureHistory + BlockFrames);
    if (state.ModulationType == 2)
        DemodulateFm(loop.Quadrature, loop.QuadratureFiltered, ch.gain, state.FmScale,
                     state.AtanTable, ch.work);
    else
        DemodulateAm(loop.Quadrature, loop.QuadratureFiltered, ch.gain * ch.amCompensation, ch.work);
    // The block's last 62 band samples, still at the end of I, become the next history.
    std::memcpy(loop.Quadrature, loop.Quadrature + BlockFrames, QuadratureHistory * sizeof(float));
}

void Decimate(ProcessingState& state, int channel)
{
    ChannelRefs ch = Refs(state, channel);
    ChannelState& loop = ch.loop;
    // First stage, 44100 -> 2756.25 Hz: the 16-sample average into the buffer, then only the
    // kept outputs 51, 67, ... are computed.
    AverageAliases(ch.work, loop.AliasHistory, state.AliasScratch, loop.Decim1Buffer + DecimationHistory);
    FirFilterStrided(loop.Decim1Buffer, ch.work, Decim1Taps, DecimationHistory + BlockFrames,
                     51, 16, FirstDecimatedCount);
    std::memcpy(loop.Decim1Buffer, loop.Decim1Buffer + BlockFrames,
                DecimationHistory * sizeof(float));
    // Second stage, 2756.25 -> 344.53125 Hz.
    std::memcpy(loop.Decim2Buffer + DecimationHistory, ch.work,
                FirstDecimatedCount * sizeof(float));
    FirFilterStrided(loop.Decim2Buffer, ch.work, Decim2Taps,
                     DecimationHistory + FirstDecimatedCount, 51, 8, OutputPerBlock);
    std::memcpy(loop.Decim2Buffer, loop.Decim2Buffer + FirstDecimatedCount,
                DecimationHistory * sizeof(float));
}

void FinishChannel(ProcessingState& state, int channel)
{
    ChannelRefs ch = Refs(state, channel);
    ChannelState& loop = ch.loop;
    float* x = ch.work;

    // DC removal with the run's estimate. The first blocks of a run take their own mean; after
    // them the estimate closes a tenth of the gap per block.
    double sum = 0.0;
    for (int i = 0; i < OutputPerBlock; ++i)
        sum += x[i];
    const float mean = static_cast<float>(sum * 0.03125);
    if (loop.DcWarmUp > 0) {
        loop.DcEstimate = mean;
        --loop.DcWarmUp;
    } else {
        loop.DcEstimate = static_cast<float>((9.0 * loop.DcEstimate + mean) * 0.1);
    }
    for (int i = 0; i < OutputPerBlock; ++i)
        x[i] = x[i] - loop.DcEstimate;

    // Smoothed absolute level.
    double level = ch.level;
    for (int i = 0; i < OutputPerBlock; ++i) {
        level = 0.1 * std::fabs(static_cast<double>(x[i])) + 0.9 * level;
        level = static_cast<float>(level);
    }
    ch.level = static_cast<float>(level);

    // Post filter: the marker band-pass while FilterEnabled, else the smoothing low-pass, on
    // states made for it (see RestartPostFilter).
    if (!PostStatesFit(loop, state))
        RestartPostFilter(loop, state);
    std::memmove(loop.PostInputs, loop.PostInputs + OutputPerBlock,
                 (TraceLength - OutputPerBlock) * sizeof(float));
    std::memcpy(loop.PostInputs + TraceLength - OutputPerBlock, x, OutputPerBlock * sizeof(float));
    const PostFilter post = PostFilterInForce(state);
    float* in = x;
    float* out = state.PostScratch;
    for (int k = 0; k < post.Count; ++k) {
        IirFilter4(in, out, OutputPerBlock, loop.PostSections[k], *post.Sets[k]);
        std::swap(in, out);
    }

    // Trace: drop the oldest 32, append the new 32.
    std::memmove(ch.trace, ch.trace + OutputPerBlock,
                 (TraceLength - OutputPerBlock) * sizeof(int32_t));
    for (int i = 0; i < OutputPerBlock; ++i)
        ch.trace[TraceLength - OutputPerBlock + i] = TruncateToInt(x[i]);
}

void ResetNonFiniteState(ProcessingState& state)
{
    ResetChannel(state.Chan1State);
    ResetChannel(state.Chan2State);
    ZeroIfNonFinite(state.Chan1Level);
    ZeroIfNonFinite(state.Chan2Level);
}

BlockReport IndicatorReport(const ProcessingState& state)
{
    BlockReport report;
    // Either channel lights the overload LED. In FM channel 1 from 5000, channel 2 from 3800.
    // In AM both channels read alike since the band's gain is compensated: both from 6000,
    // channel 1's former 5000 at its former band gain of 0.84 (channel 2's 3800 made up for a
    // gain of 0.51 that is gone).
    report.Overload = state.ModulationType == 2 ? state.Chan1Level > 5000.0f || state.Chan2Level > 3800.0f
                                                : state.Chan1Level > 6000.0f || state.Chan2Level > 6000.0f;
    report.Chan1 = ChannelLed(state.Chan1Enabled, state.Chan1Level, state.ModulationType);
    report.Chan2 = ChannelLed(state.Chan2Enabled, state.Chan2Level, state.ModulationType);
    return report;
}

void ProcessBlock(ProcessingState& state, BlockReport& report)
{
    for (int i = 0; i < BlockFrames; ++i)
        state.BlockFloat[i] = static_cast<float>(state.BlockSamples[i]);
    SeparateBands(state);
    for (int channel = 1; channel <= 2; ++channel) {
        Demodulate(state, channel);
        Decimate(state, channel);
        FinishChannel(state, channel);
    }
    ResetNonFiniteState(state);
    report = IndicatorReport(state);
}
