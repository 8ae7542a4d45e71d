#pragma once
// The fast path in GCC's vector extensions: the front (bit reversal fused with stages 1 and 2)
// and a vector type over which FftVector.h builds the rest. The portable path runs on these at
// the baseline instruction set; the AVX2 and AVX-512 paths use the front below 64 points and
// the four-lane type for the stage of half-span 4.

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

// W float lanes (4 or 8) and their doubles as one vector (see FftVector.h), in GCC's vector
// extensions: the compiler picks the instructions of the target it compiles for.
template <int Lanes> struct GenericVector {
    static constexpr int W = Lanes, H = 1;
    typedef typename Vec<W>::F F;
    typedef typename Vec<W>::D R;
    static VQ_INLINE F Load(const float* p)
    {
        F v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static VQ_INLINE R Load(const double* p)
    {
        R v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static VQ_INLINE void Store(float* p, F v) { std::memcpy(p, &v, sizeof v); }
    static VQ_INLINE F Set(float v) { return F{} + v; }
    static VQ_INLINE F Add(F a, F b) { return a + b; }
    static VQ_INLINE F Sub(F a, F b) { return a - b; }
    static VQ_INLINE F Mul(F a, F b) { return a * b; }
    static VQ_INLINE R Add(R a, R b) { return a + b; }
    static VQ_INLINE R Sub(R a, R b) { return a - b; }
    static VQ_INLINE R Mul(R a, R b) { return a * b; }
    static VQ_INLINE void Widen(F v, R* h) { h[0] = __builtin_convertvector(v, R); }
    static VQ_INLINE void WidenAt(const float* p, R* h) { Widen(Load(p), h); }
    static VQ_INLINE F Narrow(const R* h) { return __builtin_convertvector(h[0], F); }
    static VQ_INLINE F Reverse(F v)
    {
        if constexpr (W == 8)
            return __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0);
        else
            return __builtin_shufflevector(v, v, 3, 2, 1, 0);
    }
    static VQ_INLINE void Interleave(F a, F b, F& lo, F& hi)
    {
        if constexpr (W == 8) {
            lo = __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11);
            hi = __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15);
        } else {
            lo = __builtin_shufflevector(a, b, 0, 4, 1, 5);
            hi = __builtin_shufflevector(a, b, 2, 6, 3, 7);
        }
    }
};

// The front of every path below 64 points and of the portable path: stages 1 and 2 with the
// bit reversal; returns the half-span of the next stage.
struct GenericFront {
    static constexpr bool Fused = false;
    template <bool Inverse, Source Src>
    static VQ_INLINE int Front(const float* sr, const float* si, float* zr, float* zi, int M,
                               const FftTables& T)
    {
        GatherRadix4<Inverse, Src>(sr, si, zr, zi, M, T.rev + M);
        return 4;
    }
};

} // namespace fft_detail
