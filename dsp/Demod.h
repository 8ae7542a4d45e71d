#pragma once
// AM envelope and FM phase-step demodulation of the quadrature pair, and the table-driven
// arctangent they use. The kernel (SimdKernel.h) changes only the speed: every one gives the same
// bits.

#include "dsp/SimdKernel.h"

constexpr int AtanTableSize = 65536;

// T[i] = atan(i / 65535) for i = 0..65535, computed in double and stored as single.
void BuildAtanTable(float* T);

// Angle of (x, y) in -pi..pi from the table, one division, no library call. NaN in, NaN out.
float PhaseAngle(const float* T, float x, float y);

// I, Q: the 4158-entry quadrature buffer and its filtered twin (Q = FIR of I with
// QuadratureTaps). out[i] = sqrt(I[31+i]^2 + Q[31+i]^2) x gain x 50, i = 0..4095.
void DemodulateAm(const float* I, const float* Q, float gain, float* out4096,
                  SimdKernel kernel = SimdKernel::Auto);

// out[i] = 250 x fmScale x PhaseAngle(re, im) x gain with m = 32 + i,
// re = I[m] I[m+1] + Q[m] Q[m+1], im = I[m] Q[m+1] - I[m+1] Q[m]; i = 0..4095.
void DemodulateFm(const float* I, const float* Q, float gain, double fmScale, const float* T,
                  float* out4096, SimdKernel kernel = SimdKernel::Auto);
