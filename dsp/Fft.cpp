#include "dsp/Fft.h"

#include <cmath>
#include <cstring>
#include <utility>

// Radix-2 decimation-in-time transform of N/2 complex points plus a split step, with the
// twiddles made by recurrence (half-angle c, s per stage; w per slot in the split). The
// recurrences run in double, the butterfly's t and the split's A, B, C, D are stored as single.
//
// The fast path (N = 32 .. 4096, which covers every use per block) gives the same results as
// the plain loops: the recurrences depend only on the stage (or on N for the split), so their
// values are made once into a constant table with exactly the same arithmetic, and the
// butterflies are regrouped (stages 1 and 2 fused with the bit reversal, groups vectorised),
// which changes no operation. Signed zeros aside, RealFft == RealFftPlain bit for bit.
// The clones use AVX2 without FMA: a fused multiply-add would round differently.

#define VQ_INLINE inline __attribute__((always_inline))
#define VQ_CLONES __attribute__((target_clones("avx2", "default")))

namespace {

constexpr int MaxLog2 = 16;      // N up to 65536
constexpr int TableMaxM = 2048;  // fast path: M = N/2 up to 2048
constexpr int FastMinM = 16;

int Log2Length(int N)
{
    // m = log2 N, by doubling 1 until it equals N, for m up to 16.
    int m = 0;
    int v = 1;
    while (v != N && m < MaxLog2) {
        v <<= 1;
        ++m;
    }
    return (v == N && m >= 2) ? m : -1;
}

// ---------------------------------------------------------------- plain loops

void PlainBitReverse(float* zr, float* zi, int M)
{
    int j = 0;
    for (int i = 1; i < M; ++i) {
        int k = M >> 1;
        while (k >= 1 && j >= k) {
            j -= k;
            k >>= 1;
        }
        j += k;
        if (i < j) {
            std::swap(zr[i], zr[j]);
            std::swap(zi[i], zi[j]);
        }
    }
}

void PlainStages(float* zr, float* zi, int M, int m, bool inverse)
{
    double c = 1.0;
    for (int L = 1; L <= m - 1; ++L) {
        const int le = 1 << L;
        const int le2 = le >> 1;
        double s = std::sqrt((1.0 - c) / 2.0);
        c = (1.0 + c) / 2.0;
        if (c > 0.0)
            c = std::sqrt(c);
        if (L == 1)
            c = -c;
        if (inverse)
            s = -s;
        double ur = 1.0;
        double ui = 0.0;
        for (int j = 0; j < le2; ++j) {
            for (int i = j; i < M; i += le) {
                const int ip = i + le2;
                const float tr = static_cast<float>(ur * zr[ip] + ui * zi[ip]);
                const float ti = static_cast<float>(ur * zi[ip] - ui * zr[ip]);
                zr[ip] = zr[i] - tr;
                zi[ip] = zi[i] - ti;
                zr[i] = zr[i] + tr;
                zi[i] = zi[i] + ti;
            }
            const double nr = ur * c - ui * s;
            ui = ur * s + ui * c;
            ur = nr;
        }
    }
}

VQ_INLINE void SplitPair(float* zr, float* zi, int k, int mk, double wr, double wi)
{
    const float pr = zr[k], pi = zi[k], qr = zr[mk], qi = zi[mk];
    const double sumI = static_cast<double>(pi) + qi;
    const double difR = static_cast<double>(pr) - qr;
    const float A = pr + qr;
    const float B = static_cast<float>(sumI * wr - difR * wi);
    const float C = pi - qi;
    const float D = static_cast<float>(sumI * wi + difR * wr);
    zr[k] = (A + B) * 0.5f;
    zi[k] = (C - D) * 0.5f;
    zr[mk] = (A - B) * 0.5f;
    zi[mk] = -(C + D) * 0.5f;
}

// theta = 3.141593 / M in single; forward step (c1, s1), inverse (c, -s).
void SplitStep(int M, float& c, float& s)
{
    const float theta = static_cast<float>(3.141593 / M);
    c = static_cast<float>(std::cos(static_cast<double>(theta)));
    s = static_cast<float>(std::sin(static_cast<double>(theta)));
}

VQ_INLINE void SplitSlot0(float* zr, float* zi, bool inverse)
{
    const float t = zr[0];
    const float v = zi[0];
    if (inverse) {
        zr[0] = t + v;
        zi[0] = t - v;
    } else {
        zr[0] = (t + v) * 0.5f;
        zi[0] = (t - v) * 0.5f;
    }
}

void PlainSplit(float* zr, float* zi, int M, bool inverse)
{
    float c, s;
    SplitStep(M, c, s);
    if (inverse)
        s = -s;
    SplitSlot0(zr, zi, inverse);
    double wr = inverse ? -1.0 : 1.0;
    double wi = 0.0;
    for (int k = 1; k <= M / 2 - 1; ++k) {
        const double nr = wr * c - wi * s;
        wi = wr * s + wi * c;
        wr = nr;
        SplitPair(zr, zi, k, M - k, wr, wi);
    }
    zi[M / 2] = -zi[M / 2];
}

// ---------------------------------------------------------------- constant tables

struct FftTables {
    // Butterfly twiddle u of group j in the stage of half-span le2 (forward direction; the
    // inverse recurrence gives exactly the conjugates): index le2 + j.
    alignas(64) double ur[TableMaxM];
    alignas(64) double ui[TableMaxM];
    // Split twiddle w_k for M points: index M/2 + k, k = 1 .. M/2 - 1 (entry M/2 unused).
    alignas(64) double fwr[TableMaxM];
    alignas(64) double fwi[TableMaxM];
    alignas(64) double iwr[TableMaxM];
    alignas(64) double iwi[TableMaxM];
    // Bit reversal within M points: index M + n.
    uint16_t rev[2 * TableMaxM];

    FftTables()
    {
        double c = 1.0;
        for (int le2 = 1; le2 < TableMaxM; le2 <<= 1) {
            // Same statements as PlainStages, forward direction.
            const double s = std::sqrt((1.0 - c) / 2.0);
            c = (1.0 + c) / 2.0;
            if (c > 0.0)
                c = std::sqrt(c);
            if (le2 == 1)
                c = -c;
            double r = 1.0, i = 0.0;
            for (int j = 0; j < le2; ++j) {
                ur[le2 + j] = r;
                ui[le2 + j] = i;
                const double nr = r * c - i * s;
                i = r * s + i * c;
                r = nr;
            }
        }
        ur[0] = ui[0] = 0.0;
        for (int M = 2; M <= TableMaxM; M <<= 1) {
            float cs, sn;
            SplitStep(M, cs, sn);
            for (int dir = 0; dir < 2; ++dir) {
                const float s = dir ? -sn : sn;
                double* wr = dir ? iwr : fwr;
                double* wi = dir ? iwi : fwi;
                double r = dir ? -1.0 : 1.0, i = 0.0;
                wr[M / 2] = wi[M / 2] = 0.0;
                for (int k = 1; k <= M / 2 - 1; ++k) {
                    const double nr = r * cs - i * s;
                    i = r * s + i * cs;
                    r = nr;
                    wr[M / 2 + k] = r;
                    wi[M / 2 + k] = i;
                }
            }
        }
        fwr[0] = fwi[0] = iwr[0] = iwi[0] = fwr[1] = fwi[1] = iwr[1] = iwi[1] = 0.0;
        rev[0] = rev[1] = 0;
        for (int p = 0, M = 1; M <= TableMaxM; ++p, M <<= 1) {
            for (int n = 0; n < M; ++n) {
                int r = 0;
                for (int b = 0; b < p; ++b)
                    r |= ((n >> b) & 1) << (p - 1 - b);
                rev[M + n] = static_cast<uint16_t>(r);
            }
        }
    }
};

const FftTables& Tables()
{
    static const FftTables tables;
    return tables;
}

// ---------------------------------------------------------------- fast kernels

template <int W> struct Vec;
template <> struct Vec<4> {
    typedef float F __attribute__((vector_size(16)));
    typedef double D __attribute__((vector_size(32)));
};
template <> struct Vec<8> {
    typedef float F __attribute__((vector_size(32)));
    typedef double D __attribute__((vector_size(64)));
};

enum class Source { Interleaved, Padded, Split };

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

VQ_INLINE void ProductSlot(float* zr, float* zi, int s, const float* hr, const float* hi)
{
    const float a = zr[s], b = zi[s];
    zr[s] = static_cast<float>(static_cast<double>(a) * hr[s] - static_cast<double>(b) * hi[s]);
    zi[s] = static_cast<float>(static_cast<double>(a) * hi[s] + static_cast<double>(b) * hr[s]);
}

enum class SplitMode { Forward, Inverse, ForwardMultiplyInverse };

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
    SplitSlot0(zr, zi, inverseOnly);
    if constexpr (Mode == SplitMode::ForwardMultiplyInverse) {
        ProductSlot(zr, zi, 0, hr, hi);
        SplitSlot0(zr, zi, true);
    }
    int k = 1;
    for (; k + 7 <= M / 2 - 1; k += 8) {
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
        SplitLanes(pr, pi, qr, qi, wr, wi);
        if constexpr (Mode == SplitMode::ForwardMultiplyInverse) {
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
        SplitPair(zr, zi, k, M - k, fr[k], fi[k]);
        if constexpr (Mode == SplitMode::ForwardMultiplyInverse) {
            ProductSlot(zr, zi, k, hr, hi);
            ProductSlot(zr, zi, M - k, hr, hi);
            SplitPair(zr, zi, k, M - k, br[k], bi[k]);
        }
    }
    take(M / 2);
    zi[M / 2] = -zi[M / 2];
    if constexpr (Mode == SplitMode::ForwardMultiplyInverse) {
        ProductSlot(zr, zi, M / 2, hr, hi);
        zi[M / 2] = -zi[M / 2];
    }
}

// Forward: points from x (interleaved or padded) into zr, zi (M points), all stages.
template <Source Src>
VQ_INLINE void ForwardStages(const float* x, float* zr, float* zi, int M, const FftTables& T)
{
    GatherRadix4<false, Src>(x, nullptr, zr, zi, M, T.rev + M);
    Stage<false, 4>(zr, zi, zr, zi, M, 4, T.ur + 4, T.ui + 4);
    for (int le2 = 8; le2 < M; le2 <<= 1)
        Stage<false, 8>(zr, zi, zr, zi, M, le2, T.ur + le2, T.ui + le2);
}

// Inverse after the split: (zr, zi) -> samples out[0 .. 2M-1], using work (2M floats).
template <bool WithTail>
VQ_INLINE void InverseStages(float* zr, float* zi, float* work, float* out, float* tail, int M,
                             const FftTables& T)
{
    float* wr = work;
    float* wi = work + M;
    GatherRadix4<true, Source::Split>(zr, zi, wr, wi, M, T.rev + M);
    // Middle stages in work; the last of them writes back into zr, zi.
    for (int le2 = 4; le2 <= M / 4; le2 <<= 1) {
        const bool last = (le2 == M / 4);
        float* dr = last ? zr : wr;
        float* di = last ? zi : wi;
        if (le2 == 4)
            Stage<true, 4>(wr, wi, dr, di, M, le2, T.ur + le2, T.ui + le2);
        else
            Stage<true, 8>(wr, wi, dr, di, M, le2, T.ur + le2, T.ui + le2);
    }
    const float scale = 2.0f / static_cast<float>(2 * M);
    LastInverseStage<WithTail>(zr, zi, out, tail, M, T.ur + M / 2, T.ui + M / 2, scale);
}

VQ_CLONES void ForwardFast(const float* x, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    ForwardStages<Source::Interleaved>(x, zr, zi, M, T);
    SplitFast<SplitMode::Forward>(zr, zi, zr, zi, M, T);
}

VQ_CLONES void InverseFast(float* out, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    SplitFast<SplitMode::Inverse>(zr, zi, zr, zi, M, T);
    // out doubles as the work space of the middle stages; the last stage reads zr, zi only.
    InverseStages<false>(zr, zi, out, out, nullptr, M, T);
}

VQ_CLONES void OverlapAddFast(const float* in, const float* hr, const float* hi, float* tail,
                              float* out, float* zr, float* zi, float* work, int M)
{
    const FftTables& T = Tables();
    ForwardStages<Source::Padded>(in, zr, zi, M, T);
    SplitFast<SplitMode::ForwardMultiplyInverse>(zr, zi, zr, zi, M, T, hr, hi);
    InverseStages<true>(zr, zi, work, out, tail, M, T);
}

// Two responses applied to the same input: the forward transform is done once.
VQ_CLONES void OverlapAddPairFast(const float* in, const float* h1r, const float* h1i, float* tail1,
                                  float* out1, const float* h2r, const float* h2i, float* tail2,
                                  float* out2, float* zr, float* zi, float* products, float* work,
                                  int M)
{
    const FftTables& T = Tables();
    ForwardStages<Source::Padded>(in, zr, zi, M, T);
    float* pr = products;
    float* pi = products + M;
    SplitFast<SplitMode::ForwardMultiplyInverse>(zr, zi, pr, pi, M, T, h1r, h1i);
    InverseStages<true>(pr, pi, work, out1, tail1, M, T);
    SplitFast<SplitMode::ForwardMultiplyInverse>(zr, zi, pr, pi, M, T, h2r, h2i);
    InverseStages<true>(pr, pi, work, out2, tail2, M, T);
}

} // namespace

bool IsFftLength(int N) { return Log2Length(N) > 0; }

void RealFftPlain(const float* x, float* re, float* im, int N)
{
    const int m = Log2Length(N);
    if (m < 0)
        return;
    const int M = N / 2;
    float* zr = re + 1;
    float* zi = im + 1;
    for (int n = 0; n < M; ++n) {
        zr[n] = x[1 + 2 * n];
        zi[n] = x[2 + 2 * n];
    }
    PlainBitReverse(zr, zi, M);
    PlainStages(zr, zi, M, m, false);
    PlainSplit(zr, zi, M, false);
}

void InverseRealFftPlain(float* out, float* re, float* im, int N)
{
    const int m = Log2Length(N);
    if (m < 0)
        return;
    const int M = N / 2;
    float* zr = re + 1;
    float* zi = im + 1;
    PlainSplit(zr, zi, M, true);
    PlainBitReverse(zr, zi, M);
    PlainStages(zr, zi, M, m, true);
    const float scale = 2.0f / static_cast<float>(N);
    for (int n = 0; n < M; ++n) {
        out[1 + 2 * n] = zr[n] * scale;
        out[2 + 2 * n] = zi[n] * scale;
    }
}

void RealFft(const float* x, float* re, float* im, int N)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        ForwardFast(x + 1, re + 1, im + 1, M);
    else
        RealFftPlain(x, re, im, N);
}

void InverseRealFft(float* out, float* re, float* im, int N)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        InverseFast(out + 1, re + 1, im + 1, M);
    else
        InverseRealFftPlain(out, re, im, N);
}

void OverlapAddBlock(const float* in, const float* responseRe, const float* responseIm, float* tail,
                     float* out, float* re, float* im, float* work, int N)
{
    const int M = N / 2;
    if (!IsFftLength(N))
        return;
    if (M >= FastMinM && M <= TableMaxM) {
        OverlapAddFast(in, responseRe, responseIm, tail, out, re + 1, im + 1, work + 1, M);
        return;
    }
    for (int i = 0; i < M; ++i) {
        work[1 + i] = in[i];
        work[1 + M + i] = 0.0f;
    }
    RealFftPlain(work, re, im, N);
    for (int s = 0; s < M; ++s) {
        const float a = re[1 + s], b = im[1 + s];
        re[1 + s] = static_cast<float>(static_cast<double>(a) * responseRe[s] -
                                       static_cast<double>(b) * responseIm[s]);
        im[1 + s] = static_cast<float>(static_cast<double>(a) * responseIm[s] +
                                       static_cast<double>(b) * responseRe[s]);
    }
    InverseRealFftPlain(work, re, im, N);
    for (int i = 0; i < M; ++i) {
        out[i] = work[1 + i] + tail[i];
        tail[i] = work[1 + M + i];
    }
}

void OverlapAddBlockPair(const float* in, const float* response1Re, const float* response1Im,
                         float* tail1, float* out1, const float* response2Re,
                         const float* response2Im, float* tail2, float* out2, float* re, float* im,
                         float* work, float* products, int N)
{
    const int M = N / 2;
    if (!IsFftLength(N))
        return;
    if (M >= FastMinM && M <= TableMaxM) {
        OverlapAddPairFast(in, response1Re, response1Im, tail1, out1, response2Re, response2Im,
                           tail2, out2, re + 1, im + 1, products + 1, work + 1, M);
        return;
    }
    // Rare lengths: one channel after the other (the first output may overwrite the input).
    for (int i = 0; i < M; ++i)
        products[1 + i] = in[i];
    OverlapAddBlock(products + 1, response1Re, response1Im, tail1, out1, re, im, work, N);
    OverlapAddBlock(products + 1, response2Re, response2Im, tail2, out2, re, im, work, N);
}

void PowerSpectrum(const int32_t* samples, int offset, const float* window, float* work, float* re,
                   float* im, int N)
{
    if (!IsFftLength(N))
        return;
    for (int k = 1; k <= N; ++k)
        work[k] = static_cast<float>(samples[offset + k - 1]) * window[k];
    RealFft(work, re, im, N);
    for (int k = 1; k <= N / 2; ++k)
        work[k] = static_cast<float>(static_cast<double>(re[k]) * re[k] +
                                     static_cast<double>(im[k]) * im[k]);
}

void BuildHamming512(float* w)
{
    const float step = static_cast<float>(6.2831853 / 512.0);
    for (int k = 0; k <= 512; ++k)
        w[k] = static_cast<float>(0.54 - 0.46 * std::cos(k * static_cast<double>(step)));
}
