#pragma once
// The FIR filters' vector kernels (FirAvx2.cpp, FirAvx512.cpp), called by the dispatcher in
// Fir.cpp. Every kernel does the per-tap fused multiply-add of FirOne in the same order.

#include "dsp/Fir.h"
#include "dsp/Simd.h"

#include <cmath>

namespace fir_detail {

inline int Centre(int n) { return (n + 1) / 2 - 1; }

// One output of the reference convolution.
inline float FirOne(const float* in, const float* c, int n, int count, int i)
{
    const int h = Centre(n);
    // Taps whose input index i + h - j lies in 0..count-1.
    int jBegin = i + h - (count - 1);
    if (jBegin < 0) jBegin = 0;
    int jEnd = i + h + 1;
    if (jEnd > n) jEnd = n;
    float sum = 0.0f;
    for (int j = jBegin; j < jEnd; ++j) sum = std::fma(c[j], in[i + h - j], sum);
    return sum;
}

// Work space on the stack for the phase-split copy of strided input (32 KB).
constexpr int SplitFloats = 8192;
constexpr int MaxVectorTaps = 256;

#ifdef VQ_X86
// U groups of 8 outputs: out[k] = fold over j of fma(c[j], src[off[j] + k], sum), k = 0..8U-1.
// The same per-tap fused multiply-add in the same order as FirOne, eight outputs per register.
template <int U>
VQ_AVX2_INLINE void Block8(const float* src, const int* off, const float* c, int n, float* out)
{
    __m256 acc[U];
    for (int u = 0; u < U; ++u) acc[u] = _mm256_setzero_ps();
    for (int j = 0; j < n; ++j) {
        const __m256 cj = _mm256_broadcast_ss(c + j);
        const float* p = src + off[j];
        for (int u = 0; u < U; ++u)
            acc[u] = _mm256_fmadd_ps(cj, _mm256_loadu_ps(p + 8 * u), acc[u]);
    }
    for (int u = 0; u < U; ++u) _mm256_storeu_ps(out + 8 * u, acc[u]);
}

// Outputs k .. K - 1 reading src[off[j] + k], one at a time: the ends of the vector loops.
VQ_AVX2_INLINE void ScalarOutputs(const float* src, const int* off, const float* c, int n,
                                  float* out, int k, int K)
{
    for (; k < K; ++k) {
        float sum = 0.0f;
        for (int j = 0; j < n; ++j) sum = std::fma(c[j], src[off[j] + k], sum);
        out[k] = sum;
    }
}

// K outputs (any K) reading src[off[j] + k], sixteen per register (FirAvx512.cpp).
void RunBlocks512(const float* src, const int* off, const float* c, int n, float* out, int K);

// Outputs first + step k for k = kBegin .. kEnd - 1, every tap inside the input, eight per
// register (sixteen when wide).
void StridedVector(const float* in, float* out, const FirTable& t, int count, int first, int step,
                   int kBegin, int kEnd, bool wide);

// Consecutive outputs iBegin .. iEnd - 1 near the ends of the input, into out[0 ..].
void EdgeOutputs(const float* in, const float* c, int n, int count, int iBegin, int iEnd,
                 float* out);

// FirOne with the CPU's fused multiply-add inline.
float FirOneFma(const float* in, const float* c, int n, int count, int i);
#endif

}  // namespace fir_detail
