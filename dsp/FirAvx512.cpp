// The AVX-512 kernel of the FIR filters: sixteen outputs per register (the same fused
// multiply-add per tap and output as the AVX2 one, so the same bits).
#include "dsp/FirDetail.h"

#ifdef VQ_X86
namespace fir_detail {

namespace {

template <int U>
VQ_AVX512_INLINE void Block16(const float* src, const int* off, const float* c, int n, float* out)
{
    __m512 acc[U];
    for (int u = 0; u < U; ++u) acc[u] = _mm512_setzero_ps();
    for (int j = 0; j < n; ++j) {
        const __m512 cj = _mm512_set1_ps(c[j]);
        const float* p = src + off[j];
        for (int u = 0; u < U; ++u)
            acc[u] = _mm512_fmadd_ps(cj, _mm512_loadu_ps(p + 16 * u), acc[u]);
    }
    for (int u = 0; u < U; ++u) _mm512_storeu_ps(out + 16 * u, acc[u]);
}

}  // namespace

VQ_AVX512 void RunBlocks512(const float* src, const int* off, const float* c, int n, float* out,
                            int K)
{
    int k = 0;
    for (; k + 128 <= K; k += 128) Block16<8>(src + k, off, c, n, out + k);
    for (; k + 16 <= K; k += 16) Block16<1>(src + k, off, c, n, out + k);
    for (; k + 8 <= K; k += 8) Block8<1>(src + k, off, c, n, out + k);
    ScalarOutputs(src, off, c, n, out, k, K);
}

}  // namespace fir_detail
#endif
