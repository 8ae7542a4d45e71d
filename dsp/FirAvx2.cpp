// The AVX2 kernel of the FIR filters: eight outputs per register.
#include "dsp/FirDetail.h"

#ifdef VQ_X86
namespace fir_detail {

namespace {

// K outputs (any K) reading src[off[j] + k].
VQ_AVX2 void RunBlocks(const float* src, const int* off, const float* c, int n, float* out, int K)
{
    int k = 0;
    for (; k + 64 <= K; k += 64) Block8<8>(src + k, off, c, n, out + k);
    for (; k + 8 <= K; k += 8) Block8<1>(src + k, off, c, n, out + k);
    ScalarOutputs(src, off, c, n, out, k, K);
}

// One kernel or the other for K outputs.
VQ_AVX2 void RunAny(const float* src, const int* off, const float* c, int n, float* out, int K,
                    bool wide)
{
    if (wide)
        RunBlocks512(src, off, c, n, out, K);
    else
        RunBlocks(src, off, c, n, out, K);
}

}  // namespace

// FirOne for the vector paths' ends, with the CPU's fused multiply-add inline (the baseline
// build calls the library's fmaf for every tap).
VQ_AVX2 float FirOneFma(const float* in, const float* c, int n, int count, int i)
{
    return FirOne(in, c, n, count, i);
}

// Consecutive outputs iBegin .. iEnd-1 near the ends of the input (some taps fall outside it),
// eight at a time: every lane runs the taps in order and keeps its sum unchanged where the tap's
// input index lies outside 0..count-1, exactly as FirOne leaves such terms out. The inputs come
// from a zero-padded copy so that no load leaves the array.
VQ_AVX2 void EdgeOutputs(const float* in, const float* c, int n, int count, int iBegin, int iEnd,
                         float* out)
{
    const int h = Centre(n);
    const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i countV = _mm256_set1_epi32(count);
    for (int i0 = iBegin; i0 < iEnd; i0 += 8) {
        // Lane l, tap j reads input index i0 + l + h - j: the window lo .. lo + n + 6.
        const int lo = i0 + h - (n - 1);
        float window[MaxVectorTaps + 8];
        for (int t = 0; t < n + 7; ++t)
            window[t] = (lo + t >= 0 && lo + t < count) ? in[lo + t] : 0.0f;
        __m256 sum = _mm256_setzero_ps();
        for (int j = 0; j < n; ++j) {
            const __m256i index = _mm256_add_epi32(_mm256_set1_epi32(i0 + h - j), iota);
            const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(index, minusOne),
                                                    _mm256_cmpgt_epi32(countV, index));
            const __m256 term =
                _mm256_fmadd_ps(_mm256_set1_ps(c[j]), _mm256_loadu_ps(window + n - 1 - j), sum);
            sum = _mm256_blendv_ps(sum, term, _mm256_castsi256_ps(inside));
        }
        alignas(32) float lanes[8];
        _mm256_store_ps(lanes, sum);
        for (int l = 0; l < 8 && i0 + l < iEnd; ++l) out[i0 + l - iBegin] = lanes[l];
    }
}

namespace {

// split[p * L + m] = in[base + p + step * m] for p < step, m < L (0 past the input's end).
VQ_AVX2 void SplitPhases(const float* in, int count, int base, int step, int L, float* split)
{
    int m0 = 0;
    if (step % 8 == 0) {
        // Blocks of 8 rows by 8 phases, transposed in registers.
        for (; m0 + 8 <= L && base + step * (m0 + 8) <= count; m0 += 8) {
            for (int p0 = 0; p0 < step; p0 += 8) {
                __m256 r[8];
                const float* src = in + base + step * m0 + p0;
                for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_ps(src + step * i);
                Transpose8x8(r);
                for (int c = 0; c < 8; ++c) _mm256_storeu_ps(split + (p0 + c) * L + m0, r[c]);
            }
        }
    }
    for (int m = m0; m < L; ++m) {
        const int idx = base + step * m;
        for (int p = 0; p < step; ++p) split[p * L + m] = idx + p < count ? in[idx + p] : 0.0f;
    }
}

}  // namespace

VQ_AVX2 void StridedVector(const float* in, float* out, const FirTable& t, int count, int first,
                           int step, int kBegin, int kEnd, bool wide)
{
    const int n = t.n;
    const int h = Centre(n);
    int off[MaxVectorTaps];
    if (step == 1) {
        // Outputs first + k read in[first + k + h - j]: contiguous across outputs.
        for (int j = 0; j < n; ++j) off[j] = n - 1 - j;
        const float* src = in + first + kBegin + h - (n - 1);
        RunAny(src, off, t.c, n, out + kBegin, kEnd - kBegin, wide);
        return;
    }
    // Strided outputs: split the input into `step` phases so that each tap again reads
    // consecutive memory across outputs.
    alignas(32) float split[SplitFloats];
    const int span = (n - 1) / step + 1;
    const int chunk = (SplitFloats / step - span) & ~7;
    for (int k0 = kBegin; k0 < kEnd; k0 += chunk) {
        const int K = kEnd - k0 < chunk ? kEnd - k0 : chunk;
        const int L = K + span;
        const int base = first + step * k0 + h - (n - 1);
        SplitPhases(in, count, base, step, L, split);
        for (int j = 0; j < n; ++j) {
            const int r = n - 1 - j;
            off[j] = (r % step) * L + r / step;
        }
        RunAny(split, off, t.c, n, out + k0, K, wide);
    }
}

}  // namespace fir_detail
#endif
