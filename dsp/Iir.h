#pragma once
// Recursive (IIR) filter design and the 4-pole recursion used by the carrier bands and the
// post filters.
#include <complex>
#include <cstdint>

#include "dsp/SimdKernel.h"

// After design, a[0..P] are the feed-forward and b[1..P] the feedback coefficients (b[0] = 0).
struct IirCoefficients {
    float a[23];
    float b[23];
};

struct PolePair {
    float A0, A1, A2, B1, B2;
};

// Chebyshev type I (chebyshev == 1) or Butterworth (any other value) design; cutoff is a fraction
// of the rate the filter runs at. Cutoffs outside (0, 0.5) are first pulled inside by ClampCutoff
// and poles outside 2..20 (or odd) are brought to the nearest valid even count, so a bad request
// never yields a meaningless set.
void CalcIir(float* a, float* b, float ripplePercent, float cutoff, int poles, int highPass,
             int chebyshev);
void CalcIir(IirCoefficients& set, float ripplePercent, float cutoff, int poles, int highPass,
             int chebyshev);
PolePair CalcPolePair(int p, int chebyshev, float ripplePercent, float cutoff, int highPass,
                      int poles);

// The frequency response of a 4-pole set at `fraction` of the rate it runs at (feedback terms
// added, as IirFilter4 runs it).
std::complex<double> IirResponse(const IirCoefficients& set, double fraction);

// Last 4 inputs and outputs of one place a 4-pole filter runs; x[3] / y[3] are the newest.
struct IirState {
    float x[4];
    float y[4];
};

// y[n] = a0 x[n] + ... + a4 x[n-4] + b1 y[n-1] + ... + b4 y[n-4], sums in double, y stored as
// single. input and output may be the same array (each input is read before its output is
// written).
void IirFilter4(const float* input, float* output, int count, IirState& state, const float* b,
                const float* a);
void IirFilter4(const float* input, float* output, int count, IirState& state,
                const IirCoefficients& set);

// One section of a cascade: its coefficient set and its own state.
struct IirSection {
    const IirCoefficients* set;
    IirState* state;
};
constexpr int MaxCascadeSections = 6;

// Runs `sections` (1..6) IirFilter4 passes one after the other (section k filters section k-1's
// output) for two independent channels at once. The results and final states are bit for bit
// those of calling IirFilter4 section by section, on every kernel (SimdKernel.h; Portable runs
// them section by section); the recursions are interleaved so they overlap.
// in1/out1 and in2/out2 may be the same array (in place).
void IirCascadePair(const float* in1, float* out1, const IirSection* chain1, const float* in2,
                    float* out2, const IirSection* chain2, int sections, int count,
                    SimdKernel kernel = SimdKernel::Auto);
// The same for one channel.
void IirCascade(const float* input, float* output, const IirSection* chain, int sections, int count,
                SimdKernel kernel = SimdKernel::Auto);

// Zeroes a state holding NaN or infinity so one bad block cannot poison a channel for good.
// Returns true when it had to reset.
bool ResetIfNonFinite(IirState& state);

// Keeps cutoffs strictly inside (0, 0.5): values (and NaN) outside [MinCutoff, MaxCutoff] are
// pulled to the nearest bound. Outside these bounds the 4-pole, 0.5 % designs with single-precision
// coefficients are no longer stable (their impulse response stops decaying).
constexpr float MinCutoff = 0.005f;
constexpr float MaxCutoff = 0.495f;
float ClampCutoff(float cutoff);

// Marker cutoffs from rows (unsigned 32-bit arithmetic, rows clamped into the pane first:
// y1 into 0..rows-5, y2 into 0..rows-10), both passed through ClampCutoff.
struct MarkerCutoffs {
    float f1, f2;
};
MarkerCutoffs ComputeMarkerCutoffs(int32_t freqSpan, uint32_t sampleRate, int32_t rows, int32_t y1,
                                   int32_t y2);

// The marker band-pass: the high-pass at the lower of the two markers' cutoffs, the low-pass at
// the higher, whichever marker lies where (the start-up rows put marker 1 above marker 2). Two
// markers on one frequency keep a band one display row wide. With marker 1 below marker 2, as
// dragging keeps them, HighPass is f1 and LowPass f2.
struct MarkerBand {
    float HighPass, LowPass;
};
MarkerBand ComputeMarkerBand(int32_t freqSpan, uint32_t sampleRate, int32_t rows, int32_t y1, int32_t y2);

// 2.5 x V Hz at the output rate as a fraction of it, at least 0.025 (and at most MaxCutoff).
float SmoothingCutoff(int32_t freqScaleSetting);
