// The AVX-512 path of the transforms.
#include "dsp/FftGeneric.h"

#ifdef VQ_X86
namespace fft_detail {

// The same operations as the generic kernels (FftGeneric.h), written with intrinsics: eight double
// lanes per register halve the double-precision work, and the conversions read straight from
// memory. Only the stages from le2 = 8 on, the split and the last inverse stage are here; the
// float-only front (bit reversal with stages 1 and 2) and the le2 = 4 stage are shared.

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

// The butterfly's t for the eight points at (pr, pi): conj(u) b forward, u b inverse.
template <bool Inverse>
VQ_AVX512_INLINE void Twiddle(const float* pr, const float* pi, __m512d wr, __m512d wi,
                              __m256& tr, __m256& ti)
{
    const __m512d xr = WideAt(pr);
    const __m512d xi = WideAt(pi);
    if constexpr (Inverse) {
        tr = Narrow(_mm512_sub_pd(_mm512_mul_pd(wr, xr), _mm512_mul_pd(wi, xi)));
        ti = Narrow(_mm512_add_pd(_mm512_mul_pd(wr, xi), _mm512_mul_pd(wi, xr)));
    } else {
        tr = Narrow(_mm512_add_pd(_mm512_mul_pd(wr, xr), _mm512_mul_pd(wi, xi)));
        ti = Narrow(_mm512_sub_pd(_mm512_mul_pd(wr, xi), _mm512_mul_pd(wi, xr)));
    }
}

// Eight butterflies (ia .. ia+7 with ib .. ib+7) from (sr, si) into (dr, di).
template <bool Inverse>
VQ_AVX512_INLINE void Butterflies(const float* sr, const float* si, float* dr, float* di, int ia,
                                  int ib, __m512d wr, __m512d wi)
{
    const __m256 ar = _mm256_loadu_ps(sr + ia);
    const __m256 ai = _mm256_loadu_ps(si + ia);
    __m256 tr, ti;
    Twiddle<Inverse>(sr + ib, si + ib, wr, wi, tr, ti);
    _mm256_storeu_ps(dr + ib, _mm256_sub_ps(ar, tr));
    _mm256_storeu_ps(di + ib, _mm256_sub_ps(ai, ti));
    _mm256_storeu_ps(dr + ia, _mm256_add_ps(ar, tr));
    _mm256_storeu_ps(di + ia, _mm256_add_ps(ai, ti));
}

// One stage of half-span le2 (8 or more) from (sr, si) into (dr, di).
template <bool Inverse>
VQ_AVX512_INLINE void Stage(const float* sr, const float* si, float* dr, float* di, int M,
                            int le2, const double* twr, const double* twi)
{
    if (le2 == 8) {
        const __m512d wr = _mm512_load_pd(twr), wi = _mm512_load_pd(twi);
        for (int i0 = 0; i0 < M; i0 += 16)
            Butterflies<Inverse>(sr, si, dr, di, i0, i0 + 8, wr, wi);
        return;
    }
    // Sixteen butterflies per step: the float sums and differences in one register each.
    for (int i0 = 0; i0 < M; i0 += 2 * le2) {
        for (int j = 0; j < le2; j += 16) {
            const int ia = i0 + j, ib = i0 + j + le2;
            __m256 tr0, ti0, tr1, ti1;
            Twiddle<Inverse>(sr + ib, si + ib, _mm512_load_pd(twr + j), _mm512_load_pd(twi + j),
                             tr0, ti0);
            Twiddle<Inverse>(sr + ib + 8, si + ib + 8, _mm512_load_pd(twr + j + 8),
                             _mm512_load_pd(twi + j + 8), tr1, ti1);
            const __m512 tr = Join(tr0, tr1), ti = Join(ti0, ti1);
            const __m512 ar = _mm512_loadu_ps(sr + ia);
            const __m512 ai = _mm512_loadu_ps(si + ia);
            _mm512_storeu_ps(dr + ib, _mm512_sub_ps(ar, tr));
            _mm512_storeu_ps(di + ib, _mm512_sub_ps(ai, ti));
            _mm512_storeu_ps(dr + ia, _mm512_add_ps(ar, tr));
            _mm512_storeu_ps(di + ia, _mm512_add_ps(ai, ti));
        }
    }
}

// Last inverse stage (le2 = M/2), scaled and interleaved into samples; see LastInverseStage.
template <bool WithTail>
VQ_AVX512_INLINE void LastInverseStage(const float* sr, const float* si, float* out, float* tail,
                                       int M, const double* twr, const double* twi, float scale)
{
    const int le2 = M / 2;
    const __m256 k = _mm256_set1_ps(scale);
    const __m512i interleave =
        _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i interleaveHigh =
        _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    const __m512 k16 = _mm512_set1_ps(scale);
    int j = 0;
    // Sixteen butterflies per step where the half-span allows.
    for (; j + 16 <= le2; j += 16) {
        __m256 tr0, ti0, tr1, ti1;
        Twiddle<true>(sr + j + le2, si + j + le2, _mm512_load_pd(twr + j),
                      _mm512_load_pd(twi + j), tr0, ti0);
        Twiddle<true>(sr + j + 8 + le2, si + j + 8 + le2, _mm512_load_pd(twr + j + 8),
                      _mm512_load_pd(twi + j + 8), tr1, ti1);
        const __m512 tr = Join(tr0, tr1), ti = Join(ti0, ti1);
        const __m512 ar = _mm512_loadu_ps(sr + j), ai = _mm512_loadu_ps(si + j);
        const __m512 nar = _mm512_mul_ps(_mm512_add_ps(ar, tr), k16);
        const __m512 nai = _mm512_mul_ps(_mm512_add_ps(ai, ti), k16);
        const __m512 nbr = _mm512_mul_ps(_mm512_sub_ps(ar, tr), k16);
        const __m512 nbi = _mm512_mul_ps(_mm512_sub_ps(ai, ti), k16);
        __m512 a0 = _mm512_permutex2var_ps(nar, interleave, nai);
        __m512 a1 = _mm512_permutex2var_ps(nar, interleaveHigh, nai);
        const __m512 b0 = _mm512_permutex2var_ps(nbr, interleave, nbi);
        const __m512 b1 = _mm512_permutex2var_ps(nbr, interleaveHigh, nbi);
        if constexpr (WithTail) {
            a0 = _mm512_add_ps(a0, _mm512_loadu_ps(tail + 2 * j));
            a1 = _mm512_add_ps(a1, _mm512_loadu_ps(tail + 2 * j + 16));
            _mm512_storeu_ps(tail + 2 * j, b0);
            _mm512_storeu_ps(tail + 2 * j + 16, b1);
        } else {
            _mm512_storeu_ps(out + M + 2 * j, b0);
            _mm512_storeu_ps(out + M + 2 * j + 16, b1);
        }
        _mm512_storeu_ps(out + 2 * j, a0);
        _mm512_storeu_ps(out + 2 * j + 16, a1);
    }
    for (; j < le2; j += 8) {
        const __m256 ar = _mm256_loadu_ps(sr + j);
        const __m256 ai = _mm256_loadu_ps(si + j);
        __m256 tr, ti;
        Twiddle<true>(sr + j + le2, si + j + le2, _mm512_load_pd(twr + j),
                      _mm512_load_pd(twi + j), tr, ti);
        const __m256 nar = _mm256_mul_ps(_mm256_add_ps(ar, tr), k);
        const __m256 nai = _mm256_mul_ps(_mm256_add_ps(ai, ti), k);
        const __m256 nbr = _mm256_mul_ps(_mm256_sub_ps(ar, tr), k);
        const __m256 nbi = _mm256_mul_ps(_mm256_sub_ps(ai, ti), k);
        __m512 lo = _mm512_permutex2var_ps(_mm512_castps256_ps512(nar), interleave,
                                           _mm512_castps256_ps512(nai));
        const __m512 hi = _mm512_permutex2var_ps(_mm512_castps256_ps512(nbr), interleave,
                                                 _mm512_castps256_ps512(nbi));
        if constexpr (WithTail) {
            lo = _mm512_add_ps(lo, _mm512_loadu_ps(tail + 2 * j));
            _mm512_storeu_ps(tail + 2 * j, hi);
        } else {
            _mm512_storeu_ps(out + M + 2 * j, hi);
        }
        _mm512_storeu_ps(out + 2 * j, lo);
    }
}

VQ_AVX512_INLINE __m512 Reverse16(__m512 v)
{
    return _mm512_permutexvar_ps(
        _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), v);
}

VQ_AVX512_INLINE __m256 Reverse(__m256 v)
{
    return _mm256_permutexvar_ps(_mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0), v);
}

// SplitPair on eight pairs: lanes of p hold slots k .. k+7, lanes of q slots M-k .. M-k-7.
VQ_AVX512_INLINE void SplitLanes(__m256& pr, __m256& pi, __m256& qr, __m256& qi, __m512d wr,
                                 __m512d wi)
{
    const __m512d sumI = _mm512_add_pd(Wide(pi), Wide(qi));
    const __m512d difR = _mm512_sub_pd(Wide(pr), Wide(qr));
    const __m256 A = _mm256_add_ps(pr, qr);
    const __m256 B = Narrow(_mm512_sub_pd(_mm512_mul_pd(sumI, wr), _mm512_mul_pd(difR, wi)));
    const __m256 C = _mm256_sub_ps(pi, qi);
    const __m256 D = Narrow(_mm512_add_pd(_mm512_mul_pd(sumI, wi), _mm512_mul_pd(difR, wr)));
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 negHalf = _mm256_set1_ps(-0.5f);  // -(x) x 0.5 == x x -0.5
    pr = _mm256_mul_ps(_mm256_add_ps(A, B), half);
    pi = _mm256_mul_ps(_mm256_sub_ps(C, D), half);
    qr = _mm256_mul_ps(_mm256_sub_ps(A, B), half);
    qi = _mm256_mul_ps(_mm256_add_ps(C, D), negHalf);
}

VQ_AVX512_INLINE void ProductLanes(__m256& a, __m256& b, __m256 hr, __m256 hi)
{
    const __m512d ad = Wide(a), bd = Wide(b), hrd = Wide(hr), hid = Wide(hi);
    a = Narrow(_mm512_sub_pd(_mm512_mul_pd(ad, hrd), _mm512_mul_pd(bd, hid)));
    b = Narrow(_mm512_add_pd(_mm512_mul_pd(ad, hid), _mm512_mul_pd(bd, hrd)));
}

// SplitFast with the eight-pair passes in AVX-512; the odd slots as there.
template <SplitMode Mode>
VQ_AVX512_INLINE void Split(const float* sr, const float* si, float* zr, float* zi, int M,
                            const FftTables& T, const float* hr = nullptr,
                            const float* hi = nullptr)
{
    constexpr bool inverseOnly = (Mode == SplitMode::Inverse);
    constexpr bool firstSplit = (Mode != SplitMode::MultiplyInverse);
    constexpr bool product =
        (Mode == SplitMode::ForwardMultiplyInverse || Mode == SplitMode::MultiplyInverse);
    const double* fr = (inverseOnly ? T.iwr : T.fwr) + M / 2;
    const double* fi = (inverseOnly ? T.iwi : T.fwi) + M / 2;
    const double* br = T.iwr + M / 2;
    const double* bi = T.iwi + M / 2;
    auto take = [&](int slot) {
        zr[slot] = sr[slot];
        zi[slot] = si[slot];
    };
    take(0);
    if constexpr (firstSplit)
        SplitSlot0(zr, zi, inverseOnly);
    if constexpr (product) {
        ProductSlot(zr, zi, 0, hr, hi);
        SplitSlot0(zr, zi, true);
    }
    int k = 1;
    if constexpr (!product) {
        // Sixteen pairs per pass: the single-precision steps in one register each.
        for (; k + 15 <= M / 2 - 1; k += 16) {
            const int mk = M - k - 15;
            const __m512 pr = _mm512_loadu_ps(sr + k), pi = _mm512_loadu_ps(si + k);
            const __m512 qr = Reverse16(_mm512_loadu_ps(sr + mk));
            const __m512 qi = Reverse16(_mm512_loadu_ps(si + mk));
            __m256 B[2], D[2];
            for (int h = 0; h < 2; ++h) {
                const __m256 pih = h ? High8(pi) : Low8(pi), qih = h ? High8(qi) : Low8(qi);
                const __m256 prh = h ? High8(pr) : Low8(pr), qrh = h ? High8(qr) : Low8(qr);
                const __m512d sumI = _mm512_add_pd(Wide(pih), Wide(qih));
                const __m512d difR = _mm512_sub_pd(Wide(prh), Wide(qrh));
                const __m512d wr = _mm512_loadu_pd(fr + k + 8 * h);
                const __m512d wi = _mm512_loadu_pd(fi + k + 8 * h);
                B[h] = Narrow(_mm512_sub_pd(_mm512_mul_pd(sumI, wr), _mm512_mul_pd(difR, wi)));
                D[h] = Narrow(_mm512_add_pd(_mm512_mul_pd(sumI, wi), _mm512_mul_pd(difR, wr)));
            }
            const __m512 A = _mm512_add_ps(pr, qr), C = _mm512_sub_ps(pi, qi);
            const __m512 b = Join(B[0], B[1]), d = Join(D[0], D[1]);
            const __m512 half = _mm512_set1_ps(0.5f), negHalf = _mm512_set1_ps(-0.5f);
            _mm512_storeu_ps(zr + k, _mm512_mul_ps(_mm512_add_ps(A, b), half));
            _mm512_storeu_ps(zi + k, _mm512_mul_ps(_mm512_sub_ps(C, d), half));
            _mm512_storeu_ps(zr + mk, Reverse16(_mm512_mul_ps(_mm512_sub_ps(A, b), half)));
            _mm512_storeu_ps(zi + mk, Reverse16(_mm512_mul_ps(_mm512_add_ps(C, d), negHalf)));
        }
    }
    // The middle slot, which is its own partner, as it stands before the last pass below
    // (which writes over it when the split works in place).
    const float middleRe = sr[M / 2], middleIm = si[M / 2];
    // Eight-pair passes; the last one (k = M/2 - 7, always reached as M/2 - 1 = 7 mod 8) also
    // takes the middle slot in its lane 7 and pairs it with itself: that lane's result is
    // thrown away below.
    for (; k + 7 <= M / 2; k += 8) {
        const int mk = M - k - 7;
        __m256 pr = _mm256_loadu_ps(sr + k), pi = _mm256_loadu_ps(si + k);
        __m256 qr = Reverse(_mm256_loadu_ps(sr + mk)), qi = Reverse(_mm256_loadu_ps(si + mk));
        if constexpr (firstSplit)
            SplitLanes(pr, pi, qr, qi, _mm512_loadu_pd(fr + k), _mm512_loadu_pd(fi + k));
        if constexpr (product) {
            ProductLanes(pr, pi, _mm256_loadu_ps(hr + k), _mm256_loadu_ps(hi + k));
            ProductLanes(qr, qi, Reverse(_mm256_loadu_ps(hr + mk)),
                         Reverse(_mm256_loadu_ps(hi + mk)));
            SplitLanes(pr, pi, qr, qi, _mm512_loadu_pd(br + k), _mm512_loadu_pd(bi + k));
        }
        _mm256_storeu_ps(zr + k, pr);
        _mm256_storeu_ps(zi + k, pi);
        _mm256_storeu_ps(zr + mk, Reverse(qr));
        _mm256_storeu_ps(zi + mk, Reverse(qi));
    }
    for (; k <= M / 2 - 1; ++k) {
        take(k);
        take(M - k);
        if constexpr (firstSplit)
            SplitPair(zr, zi, k, M - k, fr[k], fi[k]);
        if constexpr (product) {
            ProductSlot(zr, zi, k, hr, hi);
            ProductSlot(zr, zi, M - k, hr, hi);
            SplitPair(zr, zi, k, M - k, br[k], bi[k]);
        }
    }
    zr[M / 2] = middleRe;
    zi[M / 2] = middleIm;
    if constexpr (firstSplit)
        zi[M / 2] = -zi[M / 2];
    if constexpr (product) {
        ProductSlot(zr, zi, M / 2, hr, hi);
        zi[M / 2] = -zi[M / 2];
    }
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

// Called, not inlined, from the shared drivers (one call per stage).
struct Avx512Kernels {
    template <bool Inverse, Source Src>
    VQ_AVX512 static int Front(const float* sr, const float* si, float* zr, float* zi, int M,
                               const FftTables& T)
    {
        if (M < 64)
            return GenericKernels::Front<Inverse, Src>(sr, si, zr, zi, M, T);
        avx512::GatherRadix8<Inverse, Src>(sr, si, zr, zi, M, T.rev + M, T.ur + 4, T.ui + 4,
                                           T.stage3QuarterExact);
        return 8;
    }
    template <bool Inverse>
    VQ_AVX512 static void Stage(const float* sr, const float* si, float* dr, float* di,
                                       int M, int le2, const double* twr, const double* twi)
    {
        if (le2 == 4)
            fft_detail::Stage<Inverse, 4>(sr, si, dr, di, M, le2, twr, twi);
        else
            avx512::Stage<Inverse>(sr, si, dr, di, M, le2, twr, twi);
    }
    template <bool WithTail>
    VQ_AVX512 static void Last(const float* sr, const float* si, float* out, float* tail,
                                      int M, const double* twr, const double* twi, float scale)
    {
        avx512::LastInverseStage<WithTail>(sr, si, out, tail, M, twr, twi, scale);
    }
    template <SplitMode Mode>
    VQ_AVX512 static void Split(const float* sr, const float* si, float* zr, float* zi,
                                       int M, const FftTables& T, const float* hr = nullptr,
                                       const float* hi = nullptr)
    {
        avx512::Split<Mode>(sr, si, zr, zi, M, T, hr, hi);
    }
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
VQ_FFT_PATH(Avx512, VQ_AVX512, Avx512Kernels)
#pragma GCC diagnostic pop

} // namespace fft_detail
#endif
