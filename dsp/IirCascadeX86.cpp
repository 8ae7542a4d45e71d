// The steady part of the IIR cascade in AVX2 and AVX-512: one body, compiled for each.
#pragma GCC optimize("fp-contract=off")

#include "dsp/IirDetail.h"

#ifdef VQ_X86
namespace iir_detail {
namespace {

// Shift the outputs one lane up: lanes 0 and 6 take the new input samples instead.
VQ_AVX2_INLINE void Feed(const __m256d y[3], double in1, double in2, __m256d f[3])
{
    const __m256d r0 = _mm256_permute4x64_pd(y[0], 0x93);  // l3 l0 l1 l2
    const __m256d r1 = _mm256_permute4x64_pd(y[1], 0x93);  // l7 l4 l5 l6
    const __m256d r2 = _mm256_permute4x64_pd(y[2], 0x93);  // l11 l8 l9 l10
    f[0] = _mm256_blend_pd(r0, _mm256_set1_pd(in1), 0x1);
    f[1] = _mm256_blend_pd(_mm256_blend_pd(r1, r0, 0x1), _mm256_set1_pd(in2), 0x4);
    f[2] = _mm256_blend_pd(r2, r1, 0x1);
}

// The steady part: every lane has a sample. Three vectors of four doubles; no fused
// multiply-add (see the top of the file), so the sums round exactly as in IirFilter4.
VQ_AVX2_INLINE void SteadyBody(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    __m256d x[4][3], y[4][3], older[3], newer[3];
    for (int v = 0; v < 3; ++v) {
        for (int k = 0; k < 4; ++k) {
            x[k][v] = _mm256_load_pd(&w.x[k][4 * v]);
            y[k][v] = _mm256_load_pd(&w.y[k][4 * v]);
        }
        older[v] = _mm256_cvtps_pd(_mm_load_ps(&w.last2[4 * v]));
        newer[v] = _mm256_cvtps_pd(_mm_load_ps(&w.last[4 * v]));
    }
    const int S = job.sections;
    const int delay = Lag * (S - 1);
    const float* in1 = job.in[0];
    const float* in2 = job.channels > 1 ? job.in[1] : job.in[0];
    float* out1 = job.out[0];
    float* out2 = job.channels > 1 ? job.out[1] : nullptr;
    alignas(16) float last[Lanes];
    __m128 yf[3] = {};
    for (int t = tBegin; t < tEnd; ++t) {
        __m256d f[3];
        Feed(older, in1[t], in2[t], f);
        for (int v = 0; v < 3; ++v) {
            const double* c0 = &w.c[0][4 * v];
            __m256d s = _mm256_mul_pd(_mm256_load_pd(c0 + 1 * Lanes), x[0][v]);
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 2 * Lanes), x[1][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 3 * Lanes), x[2][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 4 * Lanes), x[3][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 6 * Lanes), y[1][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 7 * Lanes), y[2][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 8 * Lanes), y[3][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 0 * Lanes), f[v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 5 * Lanes), y[0][v]));
            yf[v] = _mm256_cvtpd_ps(s);
            const __m256d yd = _mm256_cvtps_pd(yf[v]);
            x[3][v] = x[2][v];
            x[2][v] = x[1][v];
            x[1][v] = x[0][v];
            x[0][v] = f[v];
            y[3][v] = y[2][v];
            y[2][v] = y[1][v];
            y[1][v] = y[0][v];
            y[0][v] = yd;
            older[v] = newer[v];
            newer[v] = yd;
        }
        _mm_store_ps(&last[0], yf[0]);
        _mm_store_ps(&last[4], yf[1]);
        _mm_store_ps(&last[8], yf[2]);
        out1[t - delay] = last[S - 1];
        if (out2) out2[t - delay] = last[ChainLanes + S - 1];
    }
    for (int v = 0; v < 3; ++v) {
        for (int k = 0; k < 4; ++k) {
            _mm256_store_pd(&w.x[k][4 * v], x[k][v]);
            _mm256_store_pd(&w.y[k][4 * v], y[k][v]);
        }
        _mm_store_ps(&w.last2[4 * v], _mm256_cvtpd_ps(older[v]));
        _mm_store_ps(&w.last[4 * v], _mm256_cvtpd_ps(newer[v]));
    }
}

}  // namespace

VQ_AVX2 void SteadyAvx2(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    SteadyBody(w, job, tBegin, tEnd);
}

// The same code with AVX-512's 32 registers, which hold the whole wavefront state that AVX2's
// 16 must spill.
VQ_AVX512 void SteadyAvx512(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    SteadyBody(w, job, tBegin, tEnd);
}

}  // namespace iir_detail
#endif
