#pragma once
// Real transforms of power-of-two length (4 .. 65536), the windowed power spectrum
// and the Hamming table of the displays.
//
// Storage: every array handed to or returned by these routines is used from entry 1.
//   x, out:  entry n + 1 holds sample n (entries 1 .. N).
//   re, im:  entry k holds slot k - 1 (entries 1 .. N/2).
// Slot 0 packs the two real bins: re = X[0] / 2, im = X[N/2] / 2; slot s > 0 holds X[s]
// unscaled. Entry 0 of every array is never read or written.
// A length that is not a power of two from 4 to 65536 leaves every array untouched.

#include <cstdint>

#include "dsp/SimdKernel.h"

// The kernel (SimdKernel.h) picks how the fast path runs; every kernel gives the same bits as the
// plain loops below.

// Forward transform of x[1..N] into re[1..N/2], im[1..N/2]. x is not changed and must not
// overlap re or im.
void RealFft(const float* x, float* re, float* im, int N, SimdKernel kernel = SimdKernel::Auto);

// Inverse of RealFft: out[1..N] receives the samples; re and im serve as work space and are
// destroyed (out must not overlap them).
void InverseRealFft(float* out, float* re, float* im, int N,
                    SimdKernel kernel = SimdKernel::Auto);

// work[k] = samples[offset + k - 1] x window[k] for k = 1..N, transformed into re, im
// (entries 1..N/2); then work[k] = re[k]^2 + im[k]^2 for k = 1..N/2. work[0] is not touched,
// entries N/2 + 1 .. N keep the windowed samples. window needs entries 1..N (513 for N = 512).
void PowerSpectrum(const int32_t* samples, int offset, const float* window, float* work,
                   float* re, float* im, int N);

// The same transforms written as plain loops straight from the algorithm (recurrences run
// inline, no tables, no vectors). RealFft and InverseRealFft give the same results bit for bit;
// these exist so that can be checked.
void RealFftPlain(const float* x, float* re, float* im, int N);
void InverseRealFftPlain(float* out, float* re, float* im, int N);

// One step of an overlap-add fast convolution of length N: in[0 .. N/2-1] (from entry 0) padded
// with N/2 zeros, RealFft, every slot times the response (responseRe/Im hold slots 0 .. N/2-1
// from entry 0; slot 0 as a plain complex product), InverseRealFft giving y[0 .. N-1];
// out[i] = y[i] + tail[i] and tail[i] = y[N/2 + i] for i < N/2. Work arrays: re, im entries
// 1 .. N/2, work entries 1 .. N (the fast path keeps its stages in aligned stack space of its
// own, up to 32 KB, and leaves work alone). Same results as doing those steps one by one; no
// allocation. in and out may be the same array.
void OverlapAddBlock(const float* in, const float* responseRe, const float* responseIm,
                     float* tail, float* out, float* re, float* im, float* work, int N,
                     SimdKernel kernel = SimdKernel::Auto);

// OverlapAddBlock with two responses (two channels) on the same input: the forward transform
// and its split are shared, everything else is done per channel exactly as OverlapAddBlock does
// it, with the same results. products needs entries 1 .. N. in may be the same array as out1 or
// out2.
void OverlapAddBlockPair(const float* in, const float* response1Re, const float* response1Im,
                         float* tail1, float* out1, const float* response2Re,
                         const float* response2Im, float* tail2, float* out2, float* re, float* im,
                         float* work, float* products, int N,
                         SimdKernel kernel = SimdKernel::Auto);

// True for the lengths the transforms accept: powers of two from 4 to 65536.
bool IsFftLength(int N);

constexpr int Hamming512Size = 513;
// w[k] = 0.54 - 0.46 cos(k x step), k = 0..512, step = 6.2831853 / 512 rounded to single.
void BuildHamming512(float* w);
