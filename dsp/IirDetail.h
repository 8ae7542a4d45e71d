#pragma once
// The IIR cascade's kernels (IirCascade.cpp, IirCascadeX86.cpp) and the one 4-pole output they
// and IirFilter4 share.

#include "dsp/Iir.h"
#include "dsp/Simd.h"

namespace iir_detail {

// One output of the 4-pole recursion. The order of the double sums is fixed here and shared by
// every implementation (the oldest terms first, the newest input and output last, which keeps the
// loop-carried path of the interleaved version short).

struct Coef4 {
    double a0, a1, a2, a3, a4, b1, b2, b3, b4;
};

inline Coef4 LoadCoef(const float* b, const float* a)
{
    return {a[0], a[1], a[2], a[3], a[4], b[1], b[2], b[3], b[4]};
}

inline double Sum4(const Coef4& c, double x0, double x1, double x2, double x3, double x4, double y1,
                   double y2, double y3, double y4)
{
    double s = c.a1 * x1;
    s = s + c.a2 * x2;
    s = s + c.a3 * x3;
    s = s + c.a4 * x4;
    s = s + c.b2 * y2;
    s = s + c.b3 * y3;
    s = s + c.b4 * y4;
    s = s + c.a0 * x0;
    s = s + c.b1 * y1;
    return s;
}

// Interleaved cascade. The sections of both channels sit in 12 lanes and advance as a
// wavefront: at step t, section s works on sample t - 2s, taking as input what section s - 1
// produced two steps earlier (two, not one, so the hand-over between sections is off the
// step-to-step critical path). Each lane does exactly the arithmetic of IirFilter4, so the
// results are identical; only independent recursions overlap. The lanes go in pairs of the two
// channels' same section, two sections per group of four (LaneOf): a group's input is then the
// upper half of the group before and the lower half of its own, one shuffle.

constexpr int Lanes = 12;
constexpr int Lag = 2;

constexpr int LaneOf(int channel, int section)
{
    return 4 * (section / 2) + 2 * (section % 2) + channel;
}

struct Wave {
    alignas(32) double x[4][Lanes];  // x[k][lane]: input k + 1 samples back
    alignas(32) double y[4][Lanes];  // y[k][lane]: output k + 1 samples back
    alignas(32) double c[9][Lanes];  // a0..a4, b1..b4
    alignas(32) double feed[Lanes];  // the lane's input at the coming step
    alignas(32) float last[Lanes];   // outputs of the latest step (kept by lanes that rest)
    alignas(32) float last2[Lanes];  // outputs of the step before
};

struct CascadeJob {
    const float* in[2];
    float* out[2];
    const IirSection* chain[2];
    int channels;
    int sections;
    int count;
};

#ifdef VQ_X86
// The steady part of a cascade, steps tBegin .. tEnd - 1 where every lane has a sample.
void SteadyAvx2(Wave& w, const CascadeJob& job, int tBegin, int tEnd);
void SteadyAvx512(Wave& w, const CascadeJob& job, int tBegin, int tEnd);
#endif

}  // namespace iir_detail
