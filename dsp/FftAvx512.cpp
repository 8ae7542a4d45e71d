// The AVX-512 path of the transforms: a fused front of its own and the shared vector kernels
// (FftVector.h) over sixteen float lanes (eight where the span is shorter); eight double lanes
// per register halve the double-precision work, and the conversions read straight from memory.
#include "dsp/FftGeneric.h"

#ifdef VQ_X86
namespace fft_detail {

// GCC 12's headers start several AVX-512 shuffles and conversions from an "undefined"
// register and then warn that it may be used uninitialized; it never is.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace avx512 {

// Full-mask forms of the conversions: the plain ones start from an "undefined" register that
// GCC 12 warns about.
VQ_AVX512_INLINE __m512d Wide(__m256 v) { return _mm512_maskz_cvtps_pd(0xFF, v); }
VQ_AVX512_INLINE __m512d WideAt(const float* p) { return Wide(_mm256_loadu_ps(p)); }
VQ_AVX512_INLINE __m256 Narrow(__m512d v) { return _mm512_maskz_cvtpd_ps(0xFF, v); }
typedef float V8 __attribute__((vector_size(32)));
typedef float V16 __attribute__((vector_size(64)));
VQ_AVX512_INLINE __m256 Low8(__m512 v)
{
    const V16 w = reinterpret_cast<V16>(v);
    return reinterpret_cast<__m256>(__builtin_shufflevector(w, w, 0, 1, 2, 3, 4, 5, 6, 7));
}
VQ_AVX512_INLINE __m256 High8(__m512 v)
{
    const V16 w = reinterpret_cast<V16>(v);
    return reinterpret_cast<__m256>(__builtin_shufflevector(w, w, 8, 9, 10, 11, 12, 13, 14, 15));
}
VQ_AVX512_INLINE __m512 Join(__m256 lo, __m256 hi)
{
    return _mm512_insertf32x8(_mm512_castps256_ps512(lo), hi, 1);
}

// The front below keeps a point set in one register: lanes 0..7 the real parts of points
// p .. p+7, lanes 8..15 their imaginary parts.

template <Source Src> VQ_AVX512_INLINE __m512 LoadPacked(const float* sr, const float* si, int p)
{
    if constexpr (Src == Source::Split) {
        return Join(_mm256_loadu_ps(sr + p), _mm256_loadu_ps(si + p));
    } else {
        const __m512i split =
            _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
        return _mm512_permutexvar_ps(split, _mm512_loadu_ps(sr + 2 * p));
    }
}

// -j z forward (zi, -zr), +j z inverse (-zi, zr), on packed lanes: halves swapped, one negated.
template <bool Inverse> VQ_AVX512_INLINE __m512 MinusJ(__m512 z)
{
    const __m512 swapped = _mm512_shuffle_f32x4(z, z, 0x4E);
    const __m512 sign = Inverse ? _mm512_setr_ps(-0.f, -0.f, -0.f, -0.f, -0.f, -0.f, -0.f, -0.f,
                                                 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f)
                                : _mm512_setr_ps(0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, -0.f,
                                                 -0.f, -0.f, -0.f, -0.f, -0.f, -0.f, -0.f);
    return _mm512_xor_ps(swapped, sign);
}

// Stages 1 and 2 of GatherRadix4 on packed lanes: o[0..3] of the groups of the points a..d.
template <bool Inverse>
VQ_AVX512_INLINE void Radix4Packed(__m512 a, __m512 b, __m512 c, __m512 d, __m512* o)
{
    const __m512 a1 = _mm512_add_ps(a, b), b1 = _mm512_sub_ps(a, b);
    const __m512 c1 = _mm512_add_ps(c, d), d1 = _mm512_sub_ps(c, d);
    const __m512 t = MinusJ<Inverse>(d1);
    o[0] = _mm512_add_ps(a1, c1);
    o[1] = _mm512_add_ps(b1, t);
    o[2] = _mm512_sub_ps(a1, c1);
    o[3] = _mm512_sub_ps(b1, t);
}

// Bit reversal fused with stages 1, 2 and 3, for M >= 64. Lane l stands for n = n0 + l
// (n < M/8) and builds the eight points of the output block at rev(n): positions 0..3 are the
// radix-4 group of the points n, n + M/2, n + M/4, n + 3M/4 (as GatherRadix4), positions 4..7
// the group of the same points plus M/8 (rev(n + M/8) = rev(n) + 4); stage 3 pairs position k
// with k + 4 under the twiddle u_k of that stage, the same for every lane (u_0 = 1 exactly, so
// its product is the point itself; u_2 gives -j z, see stage3QuarterExact). Eight blocks are
// transposed into place at once.
template <bool Inverse, Source Src>
VQ_AVX512_INLINE void GatherRadix8(const float* sr, const float* si, float* zr, float* zi, int M,
                                   const uint16_t* rev, const double* u3r, const double* u3i,
                                   bool quarterExact)
{
    const int q = M / 4, e = M / 8;
    __m512d wr[4], wi[4];
    for (int k = 1; k < 4; ++k) {
        wr[k] = _mm512_set1_pd(u3r[k]);
        wi[k] = _mm512_set1_pd(u3i[k]);
    }
    for (int n = 0; n < e; n += 8) {
        __m512 P[8];
        for (int g = 0; g < 2; ++g) {
            const int p = n + g * e;
            const __m512 a = LoadPacked<Src>(sr, si, p);
            const __m512 c = LoadPacked<Src>(sr, si, p + q);
            __m512 b, d;
            if constexpr (Src == Source::Padded) {
                b = d = _mm512_setzero_ps();
            } else {
                b = LoadPacked<Src>(sr, si, p + 2 * q);
                d = LoadPacked<Src>(sr, si, p + 3 * q);
            }
            Radix4Packed<Inverse>(a, b, c, d, P + 4 * g);
        }
        for (int k = 0; k < 4; ++k) {
            __m512 t = P[4 + k];
            if (k == 2 && quarterExact) {
                t = MinusJ<Inverse>(t);
            } else if (k != 0) {
                const __m512d xr = Wide(Low8(t)), xi = Wide(High8(t));
                __m256 tr, ti;
                if constexpr (Inverse) {
                    tr = Narrow(_mm512_sub_pd(_mm512_mul_pd(wr[k], xr), _mm512_mul_pd(wi[k], xi)));
                    ti = Narrow(_mm512_add_pd(_mm512_mul_pd(wr[k], xi), _mm512_mul_pd(wi[k], xr)));
                } else {
                    tr = Narrow(_mm512_add_pd(_mm512_mul_pd(wr[k], xr), _mm512_mul_pd(wi[k], xi)));
                    ti = Narrow(_mm512_sub_pd(_mm512_mul_pd(wr[k], xi), _mm512_mul_pd(wi[k], xr)));
                }
                t = Join(tr, ti);
            }
            P[4 + k] = _mm512_sub_ps(P[k], t);
            P[k] = _mm512_add_ps(P[k], t);
        }
        // Transpose: row l (lane l of every P[k]) becomes block rev(n + l); the real and
        // imaginary halves go through the same shuffles side by side.
        __m512 t0[8], t1[8];
        for (int i = 0; i < 8; i += 2) {
            t0[i] = _mm512_unpacklo_ps(P[i], P[i + 1]);
            t0[i + 1] = _mm512_unpackhi_ps(P[i], P[i + 1]);
        }
        for (int i = 0; i < 8; i += 4) {
            t1[i] = _mm512_shuffle_ps(t0[i], t0[i + 2], 0x44);
            t1[i + 1] = _mm512_shuffle_ps(t0[i], t0[i + 2], 0xEE);
            t1[i + 2] = _mm512_shuffle_ps(t0[i + 1], t0[i + 3], 0x44);
            t1[i + 3] = _mm512_shuffle_ps(t0[i + 1], t0[i + 3], 0xEE);
        }
        // Now quarter h of t1[c] holds the values k = 0..3 of row 4 (h % 2) + c (real parts
        // for h < 2, imaginary for h >= 2), and t1[c + 4] the values k = 4..7.
        for (int c = 0; c < 4; ++c) {
            // r0 = [real row c | imaginary row c], r1 the same for row c + 4.
            const __m512 lo = _mm512_shuffle_f32x4(t1[c], t1[c + 4], 0x88);
            const __m512 hi = _mm512_shuffle_f32x4(t1[c], t1[c + 4], 0xDD);
            const __m512 r0 = _mm512_shuffle_f32x4(lo, lo, 0xD8);
            const __m512 r1 = _mm512_shuffle_f32x4(hi, hi, 0xD8);
            _mm256_storeu_ps(zr + rev[n + c], Low8(r0));
            _mm256_storeu_ps(zi + rev[n + c], High8(r0));
            _mm256_storeu_ps(zr + rev[n + c + 4], Low8(r1));
            _mm256_storeu_ps(zi + rev[n + c + 4], High8(r1));
        }
    }
}

} // namespace avx512
#pragma GCC diagnostic pop

namespace {

// The fused front, for 64 points and more.
struct Avx512Front {
    static constexpr bool Fused = true;
    template <bool Inverse, Source Src>
    static VQ_AVX512_INLINE void Gather(const float* sr, const float* si, float* zr, float* zi,
                                        int M, const uint16_t* rev, const double* u3r,
                                        const double* u3i, bool quarterExact)
    {
        avx512::GatherRadix8<Inverse, Src>(sr, si, zr, zi, M, rev, u3r, u3i, quarterExact);
    }
};

// Eight float lanes, their doubles in one register (see FftVector.h).
struct Avx512x8 {
    static constexpr int W = 8, H = 1;
    using F = __m256;
    using R = __m512d;
    VQ_VECTOR_OPS(VQ_AVX512_INLINE, _mm256, _mm512)
    static VQ_AVX512_INLINE void WidenAt(const float* p, R* h) { h[0] = avx512::WideAt(p); }
    static VQ_AVX512_INLINE void Widen(F v, R* h) { h[0] = avx512::Wide(v); }
    static VQ_AVX512_INLINE F Narrow(const R* h) { return avx512::Narrow(h[0]); }
    static VQ_AVX512_INLINE F Reverse(F v)
    {
        return _mm256_permutexvar_ps(_mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0), v);
    }
    static VQ_AVX512_INLINE void Interleave(F a, F b, F& lo, F& hi) { Interleave8(a, b, lo, hi); }
};

// Sixteen float lanes in one register, their doubles in two.
struct Avx512x16 {
    static constexpr int W = 16, H = 2;
    using F = __m512;
    using R = __m512d;
    VQ_VECTOR_OPS(VQ_AVX512_INLINE, _mm512, _mm512)
    static VQ_AVX512_INLINE void WidenAt(const float* p, R* h)
    {
        h[0] = avx512::WideAt(p);
        h[1] = avx512::WideAt(p + 8);
    }
    static VQ_AVX512_INLINE void Widen(F v, R* h)
    {
        h[0] = avx512::Wide(avx512::Low8(v));
        h[1] = avx512::Wide(avx512::High8(v));
    }
    static VQ_AVX512_INLINE F Narrow(const R* h)
    {
        return avx512::Join(avx512::Narrow(h[0]), avx512::Narrow(h[1]));
    }
    static VQ_AVX512_INLINE F Reverse(F v)
    {
        // The full-mask form: the plain one starts from an "undefined" register (see above).
        return _mm512_maskz_permutexvar_ps(
            0xFFFF, _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), v);
    }
    static VQ_AVX512_INLINE void Interleave(F a, F b, F& lo, F& hi)
    {
        lo = _mm512_permutex2var_ps(
            a, _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23), b);
        hi = _mm512_permutex2var_ps(
            a, _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31),
            b);
    }
};

} // namespace
} // namespace fft_detail

VQ_BEGIN_AVX512
#include "dsp/FftVector.h"
VQ_END_TARGET

namespace fft_detail {

using Avx512Kernels = VectorKernels<Avx512x16, Avx512x8, Avx512Front>;

VQ_FFT_PATH(Avx512, VQ_AVX512, Avx512Kernels)

} // namespace fft_detail
#endif
