#pragma once
// Centred FIR filtering and the three fixed tables (quadrature filter, two decimation stages).

#include "dsp/SimdKernel.h"

struct FirTable {
    int n;
    const float* c;
};

extern const FirTable QuadratureTaps;  // 35 taps, antisymmetric c[34 - j] = -c[j]
extern const FirTable Decim1Taps;      // 101 taps, symmetric, first decimation (44100 Hz)
extern const FirTable Decim2Taps;      // 101 taps, symmetric, second decimation (2756.25 Hz)

// out[i] = sum over j of c[j] x in[i + h - j], h = (n + 1) / 2 - 1, only the terms whose input
// index lies in 0..count-1, added in tap order j = 0, 1, ... with the running sum rounded to single
// after each addition (one fused multiply-add per tap, zero taps included). count outputs; input
// and output distinct. Vectorised across outputs by the kernel (SimdKernel.h), with the same bits.
void FirFilter(const float* input, float* output, const FirTable& table, int count,
               SimdKernel kernel = SimdKernel::Auto);

// Same results bit for bit as FirFilter, computing only outputs first, first + step, ...
// (outCount of them) into output[0..outCount-1]. Vectorised across outputs where the CPU allows.
// step >= 1; the requested outputs must lie in 0..count-1.
void FirFilterStrided(const float* input, float* output, const FirTable& table, int count,
                      int first, int step, int outCount, SimdKernel kernel = SimdKernel::Auto);

// The same outputs as FirFilter, one at a time straight from the definition (the yardstick the
// vector kernels are checked and timed against).
void FirFilterPlain(const float* input, float* output, const FirTable& table, int count);
