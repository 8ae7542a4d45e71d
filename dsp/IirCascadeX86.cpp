// The steady part of the IIR cascade in AVX2 and AVX-512: one body, compiled for each (AVX-512's
// 32 registers hold the whole wavefront, where AVX2's 16 must keep part of it in memory).
//
// The products of a coefficient (single) and a sample (single) are exact in double, so a fused
// multiply-add rounds exactly as IirFilter4's product and sum: s = fma(c, x, s) is
// s + c x rounded once, the only rounding either has.
#pragma GCC optimize("fp-contract=off")

#include "dsp/IirDetail.h"

#ifdef VQ_X86
namespace iir_detail {
namespace {

constexpr int Groups = Lanes / 4;  // groups of four lanes, one register each
constexpr int Chunk = 256;         // steps whose outputs are gathered before they are stored

// The history of every group in registers: X1..X4 the last inputs, Y1..Y4 the last outputs,
// newest first.
struct History {
    __m256d x[4][Groups];
    __m256d y[4][Groups];
};

// One step at t: the groups' inputs (the input pair for the first sections, the sections before
// from two steps back for the others), the nine terms in IirFilter4's order, the outputs rounded
// to single. The newest input and output replace the oldest (X4, Y4): four steps with the names
// passed round bring them back (see Run).
template <int Final>
VQ_AVX2_INLINE void Step(const double* c, float in1, float in2, __m256d* X1, __m256d* X2,
                         __m256d* X3, __m256d* X4, __m256d* Y1, __m256d* Y2, __m256d* Y3,
                         __m256d* Y4, float* staged)
{
    const __m128d inputs = _mm_cvtps_pd(_mm_setr_ps(in1, in2, 0.0f, 0.0f));
    __m256d f[Groups];
    f[0] = _mm256_insertf128_pd(_mm256_castpd128_pd256(inputs), _mm256_castpd256_pd128(Y2[0]), 1);
    for (int g = 1; g < Groups; ++g)
        f[g] = _mm256_permute2f128_pd(Y2[g - 1], Y2[g], 0x21);
    for (int g = 0; g < Groups; ++g) {
        const double* k = c + 4 * g;
        __m256d s = _mm256_mul_pd(_mm256_load_pd(k + 1 * Lanes), X1[g]);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 2 * Lanes), X2[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 3 * Lanes), X3[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 4 * Lanes), X4[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 6 * Lanes), Y2[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 7 * Lanes), Y3[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 8 * Lanes), Y4[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 0 * Lanes), f[g], s);
        s = _mm256_fmadd_pd(_mm256_load_pd(k + 5 * Lanes), Y1[g], s);
        const __m128 y = _mm256_cvtpd_ps(s);
        if (g == Final)
            _mm_store_ps(staged, y);
        X4[g] = f[g];
        Y4[g] = _mm256_cvtps_pd(y);
    }
}

// Steps tBegin .. tEnd - 1. Final: the group of the last section, whose two channels' outputs
// (lanes 2 half, 2 half + 1) are the cascade's.
template <int Final>
VQ_AVX2_INLINE void Run(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    History h;
    for (int g = 0; g < Groups; ++g) {
        for (int k = 0; k < 4; ++k) {
            h.x[k][g] = _mm256_load_pd(&w.x[k][4 * g]);
            h.y[k][g] = _mm256_load_pd(&w.y[k][4 * g]);
        }
    }
    const int S = job.sections;
    const int half = (S - 1) % 2;
    const int delay = Lag * (S - 1);
    const float* in1 = job.in[0];
    const float* in2 = job.channels > 1 ? job.in[1] : job.in[0];
    const double* c = &w.c[0][0];
    auto& X = h.x;
    auto& Y = h.y;
    alignas(16) float staged[Chunk][4];
    for (int t0 = tBegin; t0 < tEnd; t0 += Chunk) {
        const int steps = tEnd - t0 < Chunk ? tEnd - t0 : Chunk;
        int i = 0;
        for (; i + 4 <= steps; i += 4) {
            const int t = t0 + i;
            Step<Final>(c, in1[t], in2[t], X[0], X[1], X[2], X[3], Y[0], Y[1], Y[2], Y[3],
                        staged[i]);
            Step<Final>(c, in1[t + 1], in2[t + 1], X[3], X[0], X[1], X[2], Y[3], Y[0], Y[1],
                        Y[2], staged[i + 1]);
            Step<Final>(c, in1[t + 2], in2[t + 2], X[2], X[3], X[0], X[1], Y[2], Y[3], Y[0],
                        Y[1], staged[i + 2]);
            Step<Final>(c, in1[t + 3], in2[t + 3], X[1], X[2], X[3], X[0], Y[1], Y[2], Y[3],
                        Y[0], staged[i + 3]);
        }
        for (; i < steps; ++i) {
            const int t = t0 + i;
            Step<Final>(c, in1[t], in2[t], X[0], X[1], X[2], X[3], Y[0], Y[1], Y[2], Y[3],
                        staged[i]);
            for (int g = 0; g < Groups; ++g) {
                const __m256d x0 = X[3][g], y0 = Y[3][g];
                X[3][g] = X[2][g];
                X[2][g] = X[1][g];
                X[1][g] = X[0][g];
                X[0][g] = x0;
                Y[3][g] = Y[2][g];
                Y[2][g] = Y[1][g];
                Y[1][g] = Y[0][g];
                Y[0][g] = y0;
            }
        }
        // Inputs up to t0 + steps - 1 are read, so the outputs may go where the inputs were.
        float* out1 = job.out[0] + t0 - delay;
        float* out2 = job.channels > 1 ? job.out[1] + t0 - delay : nullptr;
        for (int j = 0; j < steps; ++j)
            out1[j] = staged[j][2 * half];
        if (out2)
            for (int j = 0; j < steps; ++j)
                out2[j] = staged[j][2 * half + 1];
    }
    for (int g = 0; g < Groups; ++g) {
        for (int k = 0; k < 4; ++k) {
            _mm256_store_pd(&w.x[k][4 * g], X[k][g]);
            _mm256_store_pd(&w.y[k][4 * g], Y[k][g]);
        }
        _mm_store_ps(&w.last[4 * g], _mm256_cvtpd_ps(Y[0][g]));
        _mm_store_ps(&w.last2[4 * g], _mm256_cvtpd_ps(Y[1][g]));
    }
}

VQ_AVX2_INLINE void Steady(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    switch ((job.sections - 1) / 2) {
    case 0: Run<0>(w, job, tBegin, tEnd); break;
    case 1: Run<1>(w, job, tBegin, tEnd); break;
    default: Run<2>(w, job, tBegin, tEnd); break;
    }
}

}  // namespace

VQ_AVX2 void SteadyAvx2(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    Steady(w, job, tBegin, tEnd);
}

VQ_AVX512 void SteadyAvx512(Wave& w, const CascadeJob& job, int tBegin, int tEnd)
{
    Steady(w, job, tBegin, tEnd);
}

}  // namespace iir_detail
#endif
