// The AVX2 path of the transforms: a fused front of its own, the shared vector kernels
// (FftVector.h) over eight float lanes with their doubles in two registers.
#include "dsp/FftGeneric.h"

#ifdef VQ_X86
namespace fft_detail {

namespace {

// Eight float lanes, their doubles in two registers (see FftVector.h).
struct Avx2x8 {
    static constexpr int W = 8, H = 2;
    using F = __m256;
    using R = __m256d;
    VQ_VECTOR_OPS(VQ_AVX2_INLINE, _mm256, _mm256)
    // Widened straight from memory, each half in one conversion.
    static VQ_AVX2_INLINE void WidenAt(const float* p, R* h)
    {
        h[0] = _mm256_cvtps_pd(_mm_loadu_ps(p));
        h[1] = _mm256_cvtps_pd(_mm_loadu_ps(p + 4));
    }
    static VQ_AVX2_INLINE void Widen(F v, R* h)
    {
        h[0] = _mm256_cvtps_pd(_mm256_castps256_ps128(v));
        h[1] = _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1));
    }
    static VQ_AVX2_INLINE F Narrow(const R* h)
    {
        return _mm256_set_m128(_mm256_cvtpd_ps(h[1]), _mm256_cvtpd_ps(h[0]));
    }
    static VQ_AVX2_INLINE F Reverse(F v)
    {
        return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
    }
    static VQ_AVX2_INLINE void Interleave(F a, F b, F& lo, F& hi) { Interleave8(a, b, lo, hi); }
};

} // namespace

// The fused front of the AVX-512 path (bit reversal with stages 1, 2 and 3) for machines with
// AVX2 only: the same lanes, eight points per register, the doubles in two halves.
namespace avx2 {

// Points p .. p+7 of the source as real and imaginary lanes.
template <Source Src>
VQ_AVX2_INLINE void LoadPoints(const float* sr, const float* si, int p, __m256& re, __m256& im)
{
    if constexpr (Src == Source::Split) {
        re = _mm256_loadu_ps(sr + p);
        im = _mm256_loadu_ps(si + p);
    } else {
        const __m256 v0 = _mm256_loadu_ps(sr + 2 * p), v1 = _mm256_loadu_ps(sr + 2 * p + 8);
        // Points p, p+1, p+4, p+5 | p+2, p+3, p+6, p+7, then the middle quarters swapped.
        re = _mm256_castpd_ps(
            _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(v0, v1, 0x88)), 0xD8));
        im = _mm256_castpd_ps(
            _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(v0, v1, 0xDD)), 0xD8));
    }
}

template <bool Inverse>
VQ_AVX2_INLINE void Radix4Lanes(__m256 ar, __m256 ai, __m256 br, __m256 bi, __m256 cr,
                                __m256 ci, __m256 dr, __m256 di, __m256* oR, __m256* oI)
{
    const __m256 a1r = _mm256_add_ps(ar, br), a1i = _mm256_add_ps(ai, bi);
    const __m256 b1r = _mm256_sub_ps(ar, br), b1i = _mm256_sub_ps(ai, bi);
    const __m256 c1r = _mm256_add_ps(cr, dr), c1i = _mm256_add_ps(ci, di);
    const __m256 d1r = _mm256_sub_ps(cr, dr), d1i = _mm256_sub_ps(ci, di);
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 tr = Inverse ? _mm256_xor_ps(d1i, sign) : d1i;
    const __m256 ti = Inverse ? d1r : _mm256_xor_ps(d1r, sign);
    oR[0] = _mm256_add_ps(a1r, c1r);
    oI[0] = _mm256_add_ps(a1i, c1i);
    oR[1] = _mm256_add_ps(b1r, tr);
    oI[1] = _mm256_add_ps(b1i, ti);
    oR[2] = _mm256_sub_ps(a1r, c1r);
    oI[2] = _mm256_sub_ps(a1i, c1i);
    oR[3] = _mm256_sub_ps(b1r, tr);
    oI[3] = _mm256_sub_ps(b1i, ti);
}

// conj(u) z forward, u z inverse, for one twiddle u and eight points; products in double.
template <bool Inverse>
VQ_AVX2_INLINE void TwiddleLanes(__m256 zr, __m256 zi, double ur, double ui, __m256& tr,
                                 __m256& ti)
{
    const __m256d wr = _mm256_set1_pd(ur), wi = _mm256_set1_pd(ui);
    __m128 r[2], i[2];
    for (int h = 0; h < 2; ++h) {
        const __m256d xr = _mm256_cvtps_pd(h ? _mm256_extractf128_ps(zr, 1)
                                             : _mm256_castps256_ps128(zr));
        const __m256d xi = _mm256_cvtps_pd(h ? _mm256_extractf128_ps(zi, 1)
                                             : _mm256_castps256_ps128(zi));
        if constexpr (Inverse) {
            r[h] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(wr, xr), _mm256_mul_pd(wi, xi)));
            i[h] = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(wr, xi), _mm256_mul_pd(wi, xr)));
        } else {
            r[h] = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(wr, xr), _mm256_mul_pd(wi, xi)));
            i[h] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(wr, xi), _mm256_mul_pd(wi, xr)));
        }
    }
    tr = _mm256_set_m128(r[1], r[0]);
    ti = _mm256_set_m128(i[1], i[0]);
}

// As avx512::GatherRadix8 (see there), M >= 64.
template <bool Inverse, Source Src>
VQ_AVX2_INLINE void GatherRadix8(const float* sr, const float* si, float* zr, float* zi, int M,
                                 const uint16_t* rev, const double* u3r, const double* u3i,
                                 bool quarterExact)
{
    const int q = M / 4, e = M / 8;
    const __m256 zero = _mm256_setzero_ps();
    const __m256 sign = _mm256_set1_ps(-0.0f);
    for (int n = 0; n < e; n += 8) {
        __m256 R[8], I[8];
        for (int g = 0; g < 2; ++g) {
            const int p = n + g * e;
            __m256 ar, ai, br, bi, cr, ci, dr, di;
            LoadPoints<Src>(sr, si, p, ar, ai);
            LoadPoints<Src>(sr, si, p + q, cr, ci);
            if constexpr (Src == Source::Padded) {
                br = bi = dr = di = zero;
            } else {
                LoadPoints<Src>(sr, si, p + 2 * q, br, bi);
                LoadPoints<Src>(sr, si, p + 3 * q, dr, di);
            }
            Radix4Lanes<Inverse>(ar, ai, br, bi, cr, ci, dr, di, R + 4 * g, I + 4 * g);
        }
        for (int k = 0; k < 4; ++k) {
            __m256 tr = R[4 + k], ti = I[4 + k];
            if (k == 2 && quarterExact) {
                tr = Inverse ? _mm256_xor_ps(I[4 + k], sign) : I[4 + k];
                ti = Inverse ? R[4 + k] : _mm256_xor_ps(R[4 + k], sign);
            } else if (k != 0) {
                TwiddleLanes<Inverse>(R[4 + k], I[4 + k], u3r[k], u3i[k], tr, ti);
            }
            R[4 + k] = _mm256_sub_ps(R[k], tr);
            I[4 + k] = _mm256_sub_ps(I[k], ti);
            R[k] = _mm256_add_ps(R[k], tr);
            I[k] = _mm256_add_ps(I[k], ti);
        }
        Transpose8x8(R);
        Transpose8x8(I);
        for (int l = 0; l < 8; ++l) {
            _mm256_storeu_ps(zr + rev[n + l], R[l]);
            _mm256_storeu_ps(zi + rev[n + l], I[l]);
        }
    }
}

} // namespace avx2

namespace {

// The fused front, for 64 points and more.
struct Avx2Front {
    static constexpr bool Fused = true;
    template <bool Inverse, Source Src>
    static VQ_AVX2_INLINE void Gather(const float* sr, const float* si, float* zr, float* zi,
                                      int M, const uint16_t* rev, const double* u3r,
                                      const double* u3i, bool quarterExact)
    {
        avx2::GatherRadix8<Inverse, Src>(sr, si, zr, zi, M, rev, u3r, u3i, quarterExact);
    }
};

} // namespace
} // namespace fft_detail

VQ_BEGIN_AVX2
#include "dsp/FftVector.h"
VQ_END_TARGET

namespace fft_detail {

using Avx2Kernels = VectorKernels<Avx2x8, Avx2x8, Avx2Front>;

VQ_FFT_PATH(Avx2, VQ_AVX2, Avx2Kernels)

} // namespace fft_detail
#endif
