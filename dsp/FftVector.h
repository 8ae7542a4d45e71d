#pragma once
// The transform kernels the AVX2 and AVX-512 paths share, written once over a vector type V:
// the butterfly stages after the front, the last inverse stage and the split. V gives W float
// lanes (V::F, one register) and their widened values (H registers V::R of doubles), with the
// loads, conversions and arithmetic of one instruction set:
//   F Load(const float*), Store(float*, F), Add, Sub, Mul, Set(float), Reverse(F) (lanes
//   reversed), Interleave(a, b, lo, hi) (a0 b0 a1 b1 ... in lo, the rest in hi);
//   R Load(const double*) for register h of W doubles (LoadD below), Add, Sub, Mul on R;
//   WidenAt(const float*, R*), Widen(F, R*), Narrow(const R*) -> F.
// The operations are those of the plain loops: products in double, rounded to single where
// the algorithm stores single; only the lanes differ.
//
// Each kernel file includes this header (after FftGeneric.h), the AVX ones inside a target
// region (VQ_BEGIN_AVX2, Simd.h); it is all in an unnamed namespace, so every file compiles its
// own copy for its own instruction set.

namespace fft_detail {
namespace {

// W doubles in H registers.
template <class V> struct Wide {
    typename V::R h[V::H];
};

template <class V> VQ_INLINE Wide<V> WidenAt(const float* p)
{
    Wide<V> w;
    V::WidenAt(p, w.h);
    return w;
}
template <class V> VQ_INLINE Wide<V> Widen(typename V::F v)
{
    Wide<V> w;
    V::Widen(v, w.h);
    return w;
}
template <class V> VQ_INLINE Wide<V> LoadD(const double* p)
{
    Wide<V> w;
    for (int h = 0; h < V::H; ++h)
        w.h[h] = V::Load(p + h * (V::W / V::H));
    return w;
}
template <class V> VQ_INLINE typename V::F Narrow(const Wide<V>& w) { return V::Narrow(w.h); }

template <class V, class Op> VQ_INLINE Wide<V> Each(const Wide<V>& a, const Wide<V>& b, Op op)
{
    Wide<V> r;
    for (int h = 0; h < V::H; ++h)
        r.h[h] = op(a.h[h], b.h[h]);
    return r;
}
template <class V> VQ_INLINE Wide<V> operator+(const Wide<V>& a, const Wide<V>& b)
{
    return Each(a, b, [](auto x, auto y) { return V::Add(x, y); });
}
template <class V> VQ_INLINE Wide<V> operator-(const Wide<V>& a, const Wide<V>& b)
{
    return Each(a, b, [](auto x, auto y) { return V::Sub(x, y); });
}
template <class V> VQ_INLINE Wide<V> operator*(const Wide<V>& a, const Wide<V>& b)
{
    return Each(a, b, [](auto x, auto y) { return V::Mul(x, y); });
}

// The butterfly's t: conj(u) b forward, u b inverse; products in double, t stored as single.
template <class V, bool Inverse>
VQ_INLINE void TwiddleV(const Wide<V>& xr, const Wide<V>& xi, const Wide<V>& wr, const Wide<V>& wi,
                        typename V::F& tr, typename V::F& ti)
{
    if constexpr (Inverse) {
        tr = Narrow(wr * xr - wi * xi);
        ti = Narrow(wr * xi + wi * xr);
    } else {
        tr = Narrow(wr * xr + wi * xi);
        ti = Narrow(wr * xi - wi * xr);
    }
}

// One stage of half-span le2 (a multiple of W) from (sr, si) into (dr, di); the two may be the
// same arrays. twr, twi: the stage's twiddles u_0 .. u_{le2-1}.
template <class V, bool Inverse>
VQ_INLINE void StageV(const float* sr, const float* si, float* dr, float* di, int M, int le2,
                      const double* twr, const double* twi)
{
    for (int i0 = 0; i0 < M; i0 += 2 * le2) {
        for (int j = 0; j < le2; j += V::W) {
            const int ia = i0 + j, ib = i0 + j + le2;
            typename V::F tr, ti;
            TwiddleV<V, Inverse>(WidenAt<V>(sr + ib), WidenAt<V>(si + ib), LoadD<V>(twr + j),
                                 LoadD<V>(twi + j), tr, ti);
            const typename V::F ar = V::Load(sr + ia), ai = V::Load(si + ia);
            V::Store(dr + ib, V::Sub(ar, tr));
            V::Store(di + ib, V::Sub(ai, ti));
            V::Store(dr + ia, V::Add(ar, tr));
            V::Store(di + ia, V::Add(ai, ti));
        }
    }
}

// Butterflies j .. of the last inverse stage (le2 = M/2), W per step while W more remain,
// scaled and interleaved into samples: out[2n] = Re z[n] x scale, out[2n+1] = Im z[n] x scale.
// With a tail: samples 0 .. M-1 go to out with tail[i] added, samples M .. 2M-1 become the new
// tail. Returns the first butterfly not done.
template <class V, bool WithTail>
VQ_INLINE int LastV(const float* sr, const float* si, float* out, float* tail, int M,
                    const double* twr, const double* twi, float scale, int j)
{
    using F = typename V::F;
    const int le2 = M / 2;
    const F k = V::Set(scale);
    for (; j + V::W <= le2; j += V::W) {
        F tr, ti;
        TwiddleV<V, true>(WidenAt<V>(sr + j + le2), WidenAt<V>(si + j + le2), LoadD<V>(twr + j),
                          LoadD<V>(twi + j), tr, ti);
        const F ar = V::Load(sr + j), ai = V::Load(si + j);
        F lo, hi, blo, bhi;
        V::Interleave(V::Mul(V::Add(ar, tr), k), V::Mul(V::Add(ai, ti), k), lo, hi);
        V::Interleave(V::Mul(V::Sub(ar, tr), k), V::Mul(V::Sub(ai, ti), k), blo, bhi);
        if constexpr (WithTail) {
            lo = V::Add(lo, V::Load(tail + 2 * j));
            hi = V::Add(hi, V::Load(tail + 2 * j + V::W));
            V::Store(tail + 2 * j, blo);
            V::Store(tail + 2 * j + V::W, bhi);
        } else {
            V::Store(out + M + 2 * j, blo);
            V::Store(out + M + 2 * j + V::W, bhi);
        }
        V::Store(out + 2 * j, lo);
        V::Store(out + 2 * j + V::W, hi);
    }
    return j;
}

// SplitPair on W pairs: lanes of p hold slots k .. k+W-1, lanes of q slots M-k .. M-k-W+1
// (same lane, same pair).
template <class V>
VQ_INLINE void SplitLanesV(typename V::F& pr, typename V::F& pi, typename V::F& qr,
                           typename V::F& qi, const Wide<V>& wr, const Wide<V>& wi)
{
    using F = typename V::F;
    const Wide<V> sumI = Widen<V>(pi) + Widen<V>(qi);
    const Wide<V> difR = Widen<V>(pr) - Widen<V>(qr);
    const F A = V::Add(pr, qr);
    const F B = Narrow(sumI * wr - difR * wi);
    const F C = V::Sub(pi, qi);
    const F D = Narrow(sumI * wi + difR * wr);
    const F half = V::Set(0.5f);
    pr = V::Mul(V::Add(A, B), half);
    pi = V::Mul(V::Sub(C, D), half);
    qr = V::Mul(V::Sub(A, B), half);
    qi = V::Mul(V::Add(C, D), V::Set(-0.5f));  // -(x) x 0.5 == x x -0.5
}

// Complex product with the response, in double, stored as single.
template <class V>
VQ_INLINE void ProductLanesV(typename V::F& a, typename V::F& b, typename V::F hr,
                             typename V::F hi)
{
    const Wide<V> ad = Widen<V>(a), bd = Widen<V>(b), hrd = Widen<V>(hr), hid = Widen<V>(hi);
    a = Narrow(ad * hrd - bd * hid);
    b = Narrow(ad * hid + bd * hrd);
}

// Split passes of W pairs from k while k + W - 1 <= kLast; returns the first k not done.
// fr, fi: the first split's twiddles, br, bi: the inverse split's after a product.
template <class V, SplitMode Mode>
VQ_INLINE int SplitPassV(const float* sr, const float* si, float* zr, float* zi, int M, int k,
                         int kLast, const double* fr, const double* fi, const double* br,
                         const double* bi, const float* hr, const float* hi)
{
    constexpr bool firstSplit = (Mode != SplitMode::MultiplyInverse);
    constexpr bool product =
        (Mode == SplitMode::ForwardMultiplyInverse || Mode == SplitMode::MultiplyInverse);
    for (; k + V::W - 1 <= kLast; k += V::W) {
        const int mk = M - k - (V::W - 1);
        typename V::F pr = V::Load(sr + k), pi = V::Load(si + k);
        typename V::F qr = V::Reverse(V::Load(sr + mk)), qi = V::Reverse(V::Load(si + mk));
        if constexpr (firstSplit)
            SplitLanesV<V>(pr, pi, qr, qi, LoadD<V>(fr + k), LoadD<V>(fi + k));
        if constexpr (product) {
            ProductLanesV<V>(pr, pi, V::Load(hr + k), V::Load(hi + k));
            ProductLanesV<V>(qr, qi, V::Reverse(V::Load(hr + mk)), V::Reverse(V::Load(hi + mk)));
            SplitLanesV<V>(pr, pi, qr, qi, LoadD<V>(br + k), LoadD<V>(bi + k));
        }
        V::Store(zr + k, pr);
        V::Store(zi + k, pi);
        V::Store(zr + mk, V::Reverse(qr));
        V::Store(zi + mk, V::Reverse(qi));
    }
    return k;
}

// The split step over the pairs (k, M-k): WideV::W pairs per pass while they stay below the
// middle (not with a product, whose registers would not hold), then V::W pairs, the rest one by
// one. With ForwardMultiplyInverse each pair goes through the forward split, the product with
// the response (hr, hi) and the inverse split before the next pair: the same operations as the
// three passes done one after the other. MultiplyInverse: the input is already split (forward).
// Reads (sr, si) and writes (zr, zi); the two may be the same arrays.
template <class WideV, class V, SplitMode Mode>
VQ_INLINE void SplitV(const float* sr, const float* si, float* zr, float* zi, int M,
                      const FftTables& T, const float* hr, const float* hi)
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
    // The middle slot, its own partner, as it stands before the passes: the last narrow pass
    // (k = M/2 - W + 1, reached as M/2 - 1 = W - 1 mod W) takes it in its last lane and pairs
    // it with itself, and that lane's result is thrown away below.
    const float middleRe = sr[M / 2], middleIm = si[M / 2];
    int k = 1;
    if constexpr (WideV::W > V::W && !product)
        k = SplitPassV<WideV, Mode>(sr, si, zr, zi, M, k, M / 2 - 1, fr, fi, br, bi, hr, hi);
    k = SplitPassV<V, Mode>(sr, si, zr, zi, M, k, M / 2, fr, fi, br, bi, hr, hi);
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

// A path's kernels for the drivers (FftDetail.h): the path's own front FrontK::Gather (bit
// reversal fused with stages 1 to 3, where FrontK::Fused) from 64 points on, else the generic
// one (stages 1 and 2); the stage of half-span 4 in four lanes; the rest with WideV where the
// span allows and V otherwise. Called, not inlined, from the drivers (one call per stage).
template <class WideV, class V, class FrontK> struct VectorKernels {
    template <bool Inverse, Source Src>
    static int Front(const float* sr, const float* si, float* zr, float* zi, int M,
                     const FftTables& T)
    {
        if constexpr (FrontK::Fused) {
            if (M >= 64) {
                FrontK::template Gather<Inverse, Src>(sr, si, zr, zi, M, T.rev + M, T.ur + 4,
                                                      T.ui + 4, T.stage3QuarterExact);
                return 8;
            }
        }
        return GenericFront::Front<Inverse, Src>(sr, si, zr, zi, M, T);
    }
    template <bool Inverse>
    static void Stage(const float* sr, const float* si, float* dr, float* di, int M, int le2,
                      const double* twr, const double* twi)
    {
        if (le2 == 4)
            StageV<GenericVector<4>, Inverse>(sr, si, dr, di, M, le2, twr, twi);
        else if (le2 >= WideV::W)
            StageV<WideV, Inverse>(sr, si, dr, di, M, le2, twr, twi);
        else
            StageV<V, Inverse>(sr, si, dr, di, M, le2, twr, twi);
    }
    template <bool WithTail>
    static void Last(const float* sr, const float* si, float* out, float* tail, int M,
                     const double* twr, const double* twi, float scale)
    {
        int j = LastV<WideV, WithTail>(sr, si, out, tail, M, twr, twi, scale, 0);
        LastV<V, WithTail>(sr, si, out, tail, M, twr, twi, scale, j);
    }
    template <SplitMode Mode>
    static void Split(const float* sr, const float* si, float* zr, float* zi, int M,
                      const FftTables& T, const float* hr = nullptr, const float* hi = nullptr)
    {
        SplitV<WideV, V, Mode>(sr, si, zr, zi, M, T, hr, hi);
    }
};

} // namespace
} // namespace fft_detail
