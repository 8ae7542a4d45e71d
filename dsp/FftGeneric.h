#pragma once
// The fast path's kernels in GCC's vector extensions: the portable path (compiled for the
// baseline), and the parts the AVX2 and AVX-512 paths share with it.

#include "dsp/FftDetail.h"

#include <cstring>

namespace fft_detail {

template <int W> struct Vec;
template <> struct Vec<4> {
    typedef float F __attribute__((vector_size(16)));
    typedef double D __attribute__((vector_size(32)));
};
template <> struct Vec<8> {
    typedef float F __attribute__((vector_size(32)));
    typedef double D __attribute__((vector_size(64)));
};

// Bit reversal fused with stages 1 and 2 (their twiddles are exactly 1, 1 and -j / +j).
// Interleaved: point n is (x[2n], x[2n+1]). Padded: the same with points M/2 .. M-1 zero
// (a 1024-sample quarter padded to 2048). Split: point n is (sr[n], si[n]).
// Output group i0 = rev(n) takes the points n, n + M/2, n + M/4, n + 3M/4 (n < M/4); four
// groups are done at once and transposed into place.
template <bool Inverse, Source Src>
VQ_INLINE void GatherRadix4(const float* sr, const float* si, float* zr, float* zi, int M,
                            const uint16_t* rev)
{
    typedef Vec<4>::F F;
    const int q = M / 4;
    for (int n = 0; n < q; n += 4) {
        F ar, ai, br, bi, cr, ci, dr, di;
        if constexpr (Src == Source::Split) {
            std::memcpy(&ar, sr + n, sizeof ar);
            std::memcpy(&ai, si + n, sizeof ai);
            std::memcpy(&br, sr + n + 2 * q, sizeof br);
            std::memcpy(&bi, si + n + 2 * q, sizeof bi);
            std::memcpy(&cr, sr + n + q, sizeof cr);
            std::memcpy(&ci, si + n + q, sizeof ci);
            std::memcpy(&dr, sr + n + 3 * q, sizeof dr);
            std::memcpy(&di, si + n + 3 * q, sizeof di);
        } else {
            F lo, hi;
            std::memcpy(&lo, sr + 2 * n, sizeof lo);
            std::memcpy(&hi, sr + 2 * n + 4, sizeof hi);
            ar = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
            ai = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
            std::memcpy(&lo, sr + 2 * (n + q), sizeof lo);
            std::memcpy(&hi, sr + 2 * (n + q) + 4, sizeof hi);
            cr = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
            ci = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
            if constexpr (Src == Source::Padded) {
                br = bi = dr = di = F{0.0f, 0.0f, 0.0f, 0.0f};
            } else {
                std::memcpy(&lo, sr + 2 * (n + 2 * q), sizeof lo);
                std::memcpy(&hi, sr + 2 * (n + 2 * q) + 4, sizeof hi);
                br = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
                bi = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
                std::memcpy(&lo, sr + 2 * (n + 3 * q), sizeof lo);
                std::memcpy(&hi, sr + 2 * (n + 3 * q) + 4, sizeof hi);
                dr = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
                di = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
            }
        }
        const F a1r = ar + br, a1i = ai + bi, b1r = ar - br, b1i = ai - bi;
        const F c1r = cr + dr, c1i = ci + di, d1r = cr - dr, d1i = ci - di;
        const F tr = Inverse ? -d1i : d1i;
        const F ti = Inverse ? d1r : -d1r;
        // Outputs of each group in order 0, 1, 2, 3 of the group; lanes are the four groups.
        const F o[2][4] = {{a1r + c1r, b1r + tr, a1r - c1r, b1r - tr},
                           {a1i + c1i, b1i + ti, a1i - c1i, b1i - ti}};
        for (int part = 0; part < 2; ++part) {
            float* z = part ? zi : zr;
            const F t0 = __builtin_shufflevector(o[part][0], o[part][1], 0, 4, 1, 5);
            const F t1 = __builtin_shufflevector(o[part][2], o[part][3], 0, 4, 1, 5);
            const F t2 = __builtin_shufflevector(o[part][0], o[part][1], 2, 6, 3, 7);
            const F t3 = __builtin_shufflevector(o[part][2], o[part][3], 2, 6, 3, 7);
            const F g0 = __builtin_shufflevector(t0, t1, 0, 1, 4, 5);
            const F g1 = __builtin_shufflevector(t0, t1, 2, 3, 6, 7);
            const F g2 = __builtin_shufflevector(t2, t3, 0, 1, 4, 5);
            const F g3 = __builtin_shufflevector(t2, t3, 2, 3, 6, 7);
            std::memcpy(z + rev[n], &g0, sizeof g0);
            std::memcpy(z + rev[n + 1], &g1, sizeof g1);
            std::memcpy(z + rev[n + 2], &g2, sizeof g2);
            std::memcpy(z + rev[n + 3], &g3, sizeof g3);
        }
    }
}

// The butterfly's t: conj(u) b forward, u b inverse; products in double, t stored as single.
template <bool Inverse, class F, class D>
VQ_INLINE void Twiddle(const F& br, const F& bi, const D& wr, const D& wi, F& tr, F& ti)
{
    const D xr = __builtin_convertvector(br, D);
    const D xi = __builtin_convertvector(bi, D);
    if constexpr (Inverse) {
        tr = __builtin_convertvector(wr * xr - wi * xi, F);
        ti = __builtin_convertvector(wr * xi + wi * xr, F);
    } else {
        tr = __builtin_convertvector(wr * xr + wi * xi, F);
        ti = __builtin_convertvector(wr * xi - wi * xr, F);
    }
}

// One butterfly stage of half-span le2 (a multiple of W), from (sr, si) into (dr, di); the two
// may be the same arrays. twr/twi hold the stage's twiddles u_0 .. u_{le2-1}.
template <bool Inverse, int W>
VQ_INLINE void Stage(const float* sr, const float* si, float* dr, float* di, int M, int le2,
                     const double* twr, const double* twi)
{
    typedef typename Vec<W>::F F;
    typedef typename Vec<W>::D D;
    for (int i0 = 0; i0 < M; i0 += 2 * le2) {
        for (int j = 0; j < le2; j += W) {
            const int ia = i0 + j, ib = i0 + j + le2;
            F ar, ai, br, bi;
            D wr, wi;
            std::memcpy(&ar, sr + ia, sizeof ar);
            std::memcpy(&ai, si + ia, sizeof ai);
            std::memcpy(&br, sr + ib, sizeof br);
            std::memcpy(&bi, si + ib, sizeof bi);
            std::memcpy(&wr, twr + j, sizeof wr);
            std::memcpy(&wi, twi + j, sizeof wi);
            F tr, ti;
            Twiddle<Inverse>(br, bi, wr, wi, tr, ti);
            const F nbr = ar - tr, nbi = ai - ti, nar = ar + tr, nai = ai + ti;
            std::memcpy(dr + ib, &nbr, sizeof nbr);
            std::memcpy(di + ib, &nbi, sizeof nbi);
            std::memcpy(dr + ia, &nar, sizeof nar);
            std::memcpy(di + ia, &nai, sizeof nai);
        }
    }
}

// Last stage of the inverse (le2 = M/2), scaled and interleaved into samples:
// out[2n] = Re z[n] x scale, out[2n+1] = Im z[n] x scale. With a tail: samples 0 .. M-1 go to
// out with tail[i] added, samples M .. 2M-1 become the new tail.
template <bool WithTail>
VQ_INLINE void LastInverseStage(const float* sr, const float* si, float* out, float* tail, int M,
                                const double* twr, const double* twi, float scale)
{
    typedef Vec<8>::F F;
    typedef Vec<8>::D D;
    const int le2 = M / 2;
    for (int j = 0; j < le2; j += 8) {
        F ar, ai, br, bi;
        D wr, wi;
        std::memcpy(&ar, sr + j, sizeof ar);
        std::memcpy(&ai, si + j, sizeof ai);
        std::memcpy(&br, sr + j + le2, sizeof br);
        std::memcpy(&bi, si + j + le2, sizeof bi);
        std::memcpy(&wr, twr + j, sizeof wr);
        std::memcpy(&wi, twi + j, sizeof wi);
        F tr, ti;
        Twiddle<true>(br, bi, wr, wi, tr, ti);
        const F nar = (ar + tr) * scale, nai = (ai + ti) * scale;
        const F nbr = (ar - tr) * scale, nbi = (ai - ti) * scale;
        F lo = __builtin_shufflevector(nar, nai, 0, 8, 1, 9, 2, 10, 3, 11);
        F hi = __builtin_shufflevector(nar, nai, 4, 12, 5, 13, 6, 14, 7, 15);
        const F blo = __builtin_shufflevector(nbr, nbi, 0, 8, 1, 9, 2, 10, 3, 11);
        const F bhi = __builtin_shufflevector(nbr, nbi, 4, 12, 5, 13, 6, 14, 7, 15);
        if constexpr (WithTail) {
            F tlo, thi;
            std::memcpy(&tlo, tail + 2 * j, sizeof tlo);
            std::memcpy(&thi, tail + 2 * j + 8, sizeof thi);
            lo = lo + tlo;
            hi = hi + thi;
            std::memcpy(tail + 2 * j, &blo, sizeof blo);
            std::memcpy(tail + 2 * j + 8, &bhi, sizeof bhi);
        } else {
            std::memcpy(out + M + 2 * j, &blo, sizeof blo);
            std::memcpy(out + M + 2 * j + 8, &bhi, sizeof bhi);
        }
        std::memcpy(out + 2 * j, &lo, sizeof lo);
        std::memcpy(out + 2 * j + 8, &hi, sizeof hi);
    }
}

typedef Vec<8>::F F8;
typedef Vec<8>::D D8;

#define VQ_REV8(v) __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0)
#define VQ_D8(v) __builtin_convertvector(v, D8)
#define VQ_F8(v) __builtin_convertvector(v, F8)

// SplitPair on eight pairs at once: lanes of p hold slots k .. k+7, lanes of q slots M-k ..
// M-k-7 (same lane, same pair).
VQ_INLINE void SplitLanes(F8& pr, F8& pi, F8& qr, F8& qi, const D8& wr, const D8& wi)
{
    const D8 sumI = VQ_D8(pi) + VQ_D8(qi);
    const D8 difR = VQ_D8(pr) - VQ_D8(qr);
    const F8 A = pr + qr;
    const F8 B = VQ_F8(sumI * wr - difR * wi);
    const F8 C = pi - qi;
    const F8 D = VQ_F8(sumI * wi + difR * wr);
    pr = (A + B) * 0.5f;
    pi = (C - D) * 0.5f;
    qr = (A - B) * 0.5f;
    qi = -(C + D) * 0.5f;
}

// Complex product with the response, in double, stored as single.
VQ_INLINE void ProductLanes(F8& a, F8& b, const F8& hr, const F8& hi)
{
    const D8 ad = VQ_D8(a), bd = VQ_D8(b), hrd = VQ_D8(hr), hid = VQ_D8(hi);
    a = VQ_F8(ad * hrd - bd * hid);
    b = VQ_F8(ad * hid + bd * hrd);
}

// The split step over the pairs (k, M-k), eight pairs per pass, the rest one by one. With
// ForwardMultiplyInverse each pair goes through the forward split, the product with the
// response (hr, hi) and the inverse split before the next pair: the same operations as the
// three passes done one after the other.
// Reads (sr, si) and writes (zr, zi); the two may be the same arrays.
template <SplitMode Mode>
VQ_INLINE void SplitFast(const float* sr, const float* si, float* zr, float* zi, int M,
                         const FftTables& T, const float* hr = nullptr, const float* hi = nullptr)
{
    constexpr bool inverseOnly = (Mode == SplitMode::Inverse);
    constexpr bool firstSplit = (Mode != SplitMode::MultiplyInverse);
    constexpr bool product =
        (Mode == SplitMode::ForwardMultiplyInverse || Mode == SplitMode::MultiplyInverse);
    const double* fr = (inverseOnly ? T.iwr : T.fwr) + M / 2;
    const double* fi = (inverseOnly ? T.iwi : T.fwi) + M / 2;
    const double* br = T.iwr + M / 2;
    const double* bi = T.iwi + M / 2;
    // The slots done one by one are first copied to the destination, then worked there.
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
    // The middle slot before the last pass writes over it; that pass (k = M/2 - 7) pairs it with
    // itself in its lane 7, whose result is thrown away (see avx512::Split).
    const float middleRe = sr[M / 2], middleIm = si[M / 2];
    int k = 1;
    for (; k + 7 <= M / 2; k += 8) {
        const int mk = M - k - 7;
        F8 pr, pi, qr, qi;
        D8 wr, wi;
        std::memcpy(&pr, sr + k, sizeof pr);
        std::memcpy(&pi, si + k, sizeof pi);
        std::memcpy(&qr, sr + mk, sizeof qr);
        std::memcpy(&qi, si + mk, sizeof qi);
        qr = VQ_REV8(qr);
        qi = VQ_REV8(qi);
        std::memcpy(&wr, fr + k, sizeof wr);
        std::memcpy(&wi, fi + k, sizeof wi);
        if constexpr (firstSplit)
            SplitLanes(pr, pi, qr, qi, wr, wi);
        if constexpr (product) {
            F8 phr, phi, qhr, qhi;
            std::memcpy(&phr, hr + k, sizeof phr);
            std::memcpy(&phi, hi + k, sizeof phi);
            std::memcpy(&qhr, hr + mk, sizeof qhr);
            std::memcpy(&qhi, hi + mk, sizeof qhi);
            qhr = VQ_REV8(qhr);
            qhi = VQ_REV8(qhi);
            ProductLanes(pr, pi, phr, phi);
            ProductLanes(qr, qi, qhr, qhi);
            std::memcpy(&wr, br + k, sizeof wr);
            std::memcpy(&wi, bi + k, sizeof wi);
            SplitLanes(pr, pi, qr, qi, wr, wi);
        }
        qr = VQ_REV8(qr);
        qi = VQ_REV8(qi);
        std::memcpy(zr + k, &pr, sizeof pr);
        std::memcpy(zi + k, &pi, sizeof pi);
        std::memcpy(zr + mk, &qr, sizeof qr);
        std::memcpy(zi + mk, &qi, sizeof qi);
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

// The transforms put together from the generic kernels.
struct GenericKernels {
    // Bit reversal and the first stages from the source into (zr, zi); returns the half-span
    // of the next stage.
    template <bool Inverse, Source Src>
    static VQ_INLINE int Front(const float* sr, const float* si, float* zr, float* zi, int M,
                               const FftTables& T)
    {
        GatherRadix4<Inverse, Src>(sr, si, zr, zi, M, T.rev + M);
        return 4;
    }
    template <bool Inverse>
    static VQ_INLINE void Stage(const float* sr, const float* si, float* dr, float* di, int M,
                                int le2, const double* twr, const double* twi)
    {
        if (le2 == 4)
            fft_detail::Stage<Inverse, 4>(sr, si, dr, di, M, le2, twr, twi);
        else
            fft_detail::Stage<Inverse, 8>(sr, si, dr, di, M, le2, twr, twi);
    }
    template <bool WithTail>
    static VQ_INLINE void Last(const float* sr, const float* si, float* out, float* tail, int M,
                               const double* twr, const double* twi, float scale)
    {
        LastInverseStage<WithTail>(sr, si, out, tail, M, twr, twi, scale);
    }
    template <SplitMode Mode>
    static VQ_INLINE void Split(const float* sr, const float* si, float* zr, float* zi, int M,
                                const FftTables& T, const float* hr = nullptr,
                                const float* hi = nullptr)
    {
        SplitFast<Mode>(sr, si, zr, zi, M, T, hr, hi);
    }
};

} // namespace fft_detail
