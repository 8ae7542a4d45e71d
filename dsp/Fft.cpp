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
// butterflies are regrouped (the first stages fused with the bit reversal, independent
// butterflies and split pairs side by side in vector lanes), which changes no operation. A
// twiddle whose product is exact (1, and -j as the rounding of the third stage's u_2) is
// applied as that exact value. For finite inputs, signed zeros aside, RealFft == RealFftPlain
// bit for bit, on every path (portable, AVX2, AVX-512; see FftKernel).
// The vector paths use no fused multiply-add where a product is rounded (the library is built
// with -ffp-contract=off): a fused multiply-add would round differently. Note that a
// difference at double precision mostly vanishes in the rounding to single, so the bit-for-bit
// tests cannot be relied on to catch one; the operations themselves must be kept.

#define VQ_INLINE inline __attribute__((always_inline))

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VQ_X86 1
#endif

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
    // Split twiddle w_k for M points: index M/2 + k, k = 1 .. M/2 - 1 (entry M/2 unused). One
    // more entry past the largest table is read, never used, by the last pass of the split.
    alignas(64) double fwr[TableMaxM + 8];
    alignas(64) double fwi[TableMaxM + 8];
    alignas(64) double iwr[TableMaxM + 8];
    alignas(64) double iwi[TableMaxM + 8];
    // Bit reversal within M points: index M + n.
    uint16_t rev[2 * TableMaxM];
    // The third stage's u_2 is (0, 1 + 2^-52): its product with any finite z, rounded to single,
    // is -j z exactly (conj: +j z), as the product with -j itself. Checked, not assumed.
    bool stage3QuarterExact;

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
        stage3QuarterExact = ur[6] == 0.0 && ui[6] >= 1.0 && ui[6] <= 1.0 + 0x1p-50;
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

// MultiplyInverse: the input is already split (forward); the product and the inverse split.
enum class SplitMode { Forward, Inverse, ForwardMultiplyInverse, MultiplyInverse };

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

// ---------------------------------------------------------------- AVX-512 kernels
// The same operations as the generic kernels above, written with intrinsics: eight double
// lanes per register halve the double-precision work, and the conversions read straight from
// memory. Only the stages from le2 = 8 on, the split and the last inverse stage are here; the
// float-only front (bit reversal with stages 1 and 2) and the le2 = 4 stage are shared.

#ifdef VQ_X86
#define VQ_T512 "avx2,avx512f,avx512vl,avx512dq,avx512bw"
#define VQ_AVX512 __attribute__((target(VQ_T512)))
#define VQ_AVX512_INLINE __attribute__((target(VQ_T512), always_inline)) inline

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
#endif

// ---------------------------------------------------------------- drivers
// The transforms put together from one set of kernels: Generic (the vector-extension code,
// compiled for the baseline and for AVX2) or Avx512.

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
            ::Stage<Inverse, 4>(sr, si, dr, di, M, le2, twr, twi);
        else
            ::Stage<Inverse, 8>(sr, si, dr, di, M, le2, twr, twi);
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

#ifdef VQ_X86
// ---------------------------------------------------------------- AVX2 front
// The fused front of the AVX-512 path (bit reversal with stages 1, 2 and 3) for machines with
// AVX2 only: the same lanes, eight points per register, the doubles in two halves.

#define VQ_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace avx2 {

VQ_AVX2_INLINE void Transpose8(__m256 r[8])
{
    __m256 t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_ps(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_ps(r[i], r[i + 1]);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_shuffle_ps(t[i], t[i + 2], 0x44);
        u[i + 1] = _mm256_shuffle_ps(t[i], t[i + 2], 0xEE);
        u[i + 2] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0x44);
        u[i + 3] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0xEE);
    }
    for (int c = 0; c < 4; ++c) {
        r[c] = _mm256_permute2f128_ps(u[c], u[c + 4], 0x20);
        r[c + 4] = _mm256_permute2f128_ps(u[c], u[c + 4], 0x31);
    }
}

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
        Transpose8(R);
        Transpose8(I);
        for (int l = 0; l < 8; ++l) {
            _mm256_storeu_ps(zr + rev[n + l], R[l]);
            _mm256_storeu_ps(zi + rev[n + l], I[l]);
        }
    }
}

// One stage of half-span le2 (8 or more), eight butterflies per step: both halves of b are
// widened straight from memory.
template <bool Inverse>
VQ_AVX2_INLINE void Stage(const float* sr, const float* si, float* dr, float* di, int M, int le2,
                          const double* twr, const double* twi)
{
    for (int i0 = 0; i0 < M; i0 += 2 * le2) {
        for (int j = 0; j < le2; j += 8) {
            const int ia = i0 + j, ib = i0 + j + le2;
            __m128 r[2], i[2];
            for (int h = 0; h < 2; ++h) {
                const __m256d xr = _mm256_cvtps_pd(_mm_loadu_ps(sr + ib + 4 * h));
                const __m256d xi = _mm256_cvtps_pd(_mm_loadu_ps(si + ib + 4 * h));
                const __m256d wr = _mm256_loadu_pd(twr + j + 4 * h);
                const __m256d wi = _mm256_loadu_pd(twi + j + 4 * h);
                if constexpr (Inverse) {
                    r[h] = _mm256_cvtpd_ps(
                        _mm256_sub_pd(_mm256_mul_pd(wr, xr), _mm256_mul_pd(wi, xi)));
                    i[h] = _mm256_cvtpd_ps(
                        _mm256_add_pd(_mm256_mul_pd(wr, xi), _mm256_mul_pd(wi, xr)));
                } else {
                    r[h] = _mm256_cvtpd_ps(
                        _mm256_add_pd(_mm256_mul_pd(wr, xr), _mm256_mul_pd(wi, xi)));
                    i[h] = _mm256_cvtpd_ps(
                        _mm256_sub_pd(_mm256_mul_pd(wr, xi), _mm256_mul_pd(wi, xr)));
                }
            }
            const __m256 tr = _mm256_set_m128(r[1], r[0]), ti = _mm256_set_m128(i[1], i[0]);
            const __m256 ar = _mm256_loadu_ps(sr + ia), ai = _mm256_loadu_ps(si + ia);
            _mm256_storeu_ps(dr + ib, _mm256_sub_ps(ar, tr));
            _mm256_storeu_ps(di + ib, _mm256_sub_ps(ai, ti));
            _mm256_storeu_ps(dr + ia, _mm256_add_ps(ar, tr));
            _mm256_storeu_ps(di + ia, _mm256_add_ps(ai, ti));
        }
    }
}

} // namespace avx2

// The generic kernels with the fused front and the stages above (called, not inlined, as the
// AVX-512 kernels).
struct Avx2Kernels : GenericKernels {
    template <bool Inverse>
    __attribute__((target("avx2"))) static void Stage(const float* sr, const float* si,
                                                      float* dr, float* di, int M, int le2,
                                                      const double* twr, const double* twi)
    {
        if (le2 == 4)
            ::Stage<Inverse, 4>(sr, si, dr, di, M, le2, twr, twi);
        else
            avx2::Stage<Inverse>(sr, si, dr, di, M, le2, twr, twi);
    }
    template <bool Inverse, Source Src>
    __attribute__((target("avx2"))) static int Front(const float* sr, const float* si, float* zr, float* zi, int M,
                                    const FftTables& T)
    {
        if (M < 64)
            return GenericKernels::Front<Inverse, Src>(sr, si, zr, zi, M, T);
        avx2::GatherRadix8<Inverse, Src>(sr, si, zr, zi, M, T.rev + M, T.ur + 4, T.ui + 4,
                                         T.stage3QuarterExact);
        return 8;
    }
};

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
            ::Stage<Inverse, 4>(sr, si, dr, di, M, le2, twr, twi);
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
#endif

// The stages run in aligned work space of the drivers' own (the callers' arrays are used from
// entry 1, which puts every wide access across a cache-line boundary). It is not cleared: the
// front writes every entry before anything reads it, through index tables GCC cannot follow,
// hence the pragma around the drivers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
struct alignas(64) StageSpace {
    float v[2 * TableMaxM];
    float* Re() { return v; }
    float* Im(int M) { return v + M; }
};

// Forward: points from x (interleaved or padded) into zr, zi (M points), all stages.
template <class K, Source Src>
VQ_INLINE void ForwardStages(const float* x, float* zr, float* zi, int M, const FftTables& T)
{
    const int first = K::template Front<false, Src>(x, nullptr, zr, zi, M, T);
    for (int le2 = first; le2 < M; le2 <<= 1)
        K::template Stage<false>(zr, zi, zr, zi, M, le2, T.ur + le2, T.ui + le2);
}

// Inverse after the split: (zr, zi) -> samples out[0 .. 2M-1]; the stages run in w.
template <class K, bool WithTail>
VQ_INLINE void InverseStages(const float* zr, const float* zi, StageSpace& w, float* out,
                             float* tail, int M, const FftTables& T)
{
    float* wr = w.Re();
    float* wi = w.Im(M);
    const int first = K::template Front<true, Source::Split>(zr, zi, wr, wi, M, T);
    // M >= 16, so there is at least one middle stage (the front ends before le2 = 4 below
    // M = 64, before 8 from there on) and the last stage reads what it wrote.
    for (int le2 = first; le2 <= M / 4; le2 <<= 1)
        K::template Stage<true>(wr, wi, wr, wi, M, le2, T.ur + le2, T.ui + le2);
    const float scale = 2.0f / static_cast<float>(2 * M);
    K::template Last<WithTail>(wr, wi, out, tail, M, T.ur + M / 2, T.ui + M / 2, scale);
}

template <class K> VQ_INLINE void ForwardDrive(const float* x, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    StageSpace w;
    ForwardStages<K, Source::Interleaved>(x, w.Re(), w.Im(M), M, T);
    K::template Split<SplitMode::Forward>(w.Re(), w.Im(M), zr, zi, M, T);
}

template <class K> VQ_INLINE void InverseDrive(float* out, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    // The split goes to aligned space too: the front then reads it without line splits.
    StageSpace spectrum, w;
    K::template Split<SplitMode::Inverse>(zr, zi, spectrum.Re(), spectrum.Im(M), M, T);
    InverseStages<K, false>(spectrum.Re(), spectrum.Im(M), w, out, nullptr, M, T);
}

template <class K>
VQ_INLINE void OverlapAddDrive(const float* in, const float* hr, const float* hi, float* tail,
                               float* out, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    StageSpace w;
    ForwardStages<K, Source::Padded>(in, w.Re(), w.Im(M), M, T);
    K::template Split<SplitMode::ForwardMultiplyInverse>(w.Re(), w.Im(M), zr, zi, M, T, hr, hi);
    InverseStages<K, true>(zr, zi, w, out, tail, M, T);
}

// Two responses applied to the same input: the forward transform and its split are done once.
template <class K>
VQ_INLINE void OverlapAddPairDrive(const float* in, const float* h1r, const float* h1i,
                                   float* tail1, float* out1, const float* h2r, const float* h2i,
                                   float* tail2, float* out2, float* zr, float* zi, int M)
{
    const FftTables& T = Tables();
    StageSpace spectrum, w;
    float* sr = spectrum.Re();
    float* si = spectrum.Im(M);
    ForwardStages<K, Source::Padded>(in, sr, si, M, T);
    K::template Split<SplitMode::Forward>(sr, si, sr, si, M, T);
    K::template Split<SplitMode::MultiplyInverse>(sr, si, zr, zi, M, T, h1r, h1i);
    InverseStages<K, true>(zr, zi, w, out1, tail1, M, T);
    K::template Split<SplitMode::MultiplyInverse>(sr, si, zr, zi, M, T, h2r, h2i);
    InverseStages<K, true>(zr, zi, w, out2, tail2, M, T);
}

// One set of entry points per instruction set.
struct FastPath {
    void (*forward)(const float* x, float* zr, float* zi, int M);
    void (*inverse)(float* out, float* zr, float* zi, int M);
    void (*overlapAdd)(const float* in, const float* hr, const float* hi, float* tail, float* out,
                       float* zr, float* zi, int M);
    void (*overlapAddPair)(const float* in, const float* h1r, const float* h1i, float* tail1,
                           float* out1, const float* h2r, const float* h2i, float* tail2,
                           float* out2, float* zr, float* zi, int M);
};

#define VQ_PATH(NAME, ATTR, K)                                                                     \
    ATTR void NAME##Forward(const float* x, float* zr, float* zi, int M)                          \
    {                                                                                              \
        ForwardDrive<K>(x, zr, zi, M);                                                             \
    }                                                                                              \
    ATTR void NAME##Inverse(float* out, float* zr, float* zi, int M)                              \
    {                                                                                              \
        InverseDrive<K>(out, zr, zi, M);                                                           \
    }                                                                                              \
    ATTR void NAME##OverlapAdd(const float* in, const float* hr, const float* hi, float* tail,    \
                               float* out, float* zr, float* zi, int M)                           \
    {                                                                                              \
        OverlapAddDrive<K>(in, hr, hi, tail, out, zr, zi, M);                                      \
    }                                                                                              \
    ATTR void NAME##OverlapAddPair(const float* in, const float* h1r, const float* h1i,           \
                                   float* tail1, float* out1, const float* h2r, const float* h2i, \
                                   float* tail2, float* out2, float* zr, float* zi, int M)        \
    {                                                                                              \
        OverlapAddPairDrive<K>(in, h1r, h1i, tail1, out1, h2r, h2i, tail2, out2, zr, zi, M);      \
    }                                                                                              \
    constexpr FastPath NAME##Path = {NAME##Forward, NAME##Inverse, NAME##OverlapAdd,               \
                                     NAME##OverlapAddPair};

VQ_PATH(Portable, , GenericKernels)
#ifdef VQ_X86
VQ_PATH(Avx2, __attribute__((target("avx2"))), Avx2Kernels)
VQ_PATH(Avx512, VQ_AVX512, Avx512Kernels)
#endif

#pragma GCC diagnostic pop

FftKernel Resolve(FftKernel kernel)
{
    if (kernel == FftKernel::Auto) {
        if (FftKernelAvailable(FftKernel::Avx512))
            return FftKernel::Avx512;
        if (FftKernelAvailable(FftKernel::Avx2))
            return FftKernel::Avx2;
        return FftKernel::Portable;
    }
    return FftKernelAvailable(kernel) ? kernel : FftKernel::Portable;
}

const FastPath& ResolvedPath(FftKernel kernel)
{
    switch (Resolve(kernel)) {
#ifdef VQ_X86
    case FftKernel::Avx512: return Avx512Path;
    case FftKernel::Avx2: return Avx2Path;
#endif
    default: return PortablePath;
    }
}

// Auto, the path of every call in use, is resolved once.
const FastPath& PathFor(FftKernel kernel)
{
    static const FastPath& automatic = ResolvedPath(FftKernel::Auto);
    return kernel == FftKernel::Auto ? automatic : ResolvedPath(kernel);
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

bool FftKernelAvailable(FftKernel kernel)
{
    switch (kernel) {
#ifdef VQ_X86
    case FftKernel::Avx2: return __builtin_cpu_supports("avx2");
    case FftKernel::Avx512:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512bw");
#else
    case FftKernel::Avx2:
    case FftKernel::Avx512: return false;
#endif
    default: return true;
    }
}

void RealFft(const float* x, float* re, float* im, int N, FftKernel kernel)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        PathFor(kernel).forward(x + 1, re + 1, im + 1, M);
    else
        RealFftPlain(x, re, im, N);
}

void InverseRealFft(float* out, float* re, float* im, int N, FftKernel kernel)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        PathFor(kernel).inverse(out + 1, re + 1, im + 1, M);
    else
        InverseRealFftPlain(out, re, im, N);
}

void OverlapAddBlock(const float* in, const float* responseRe, const float* responseIm, float* tail,
                     float* out, float* re, float* im, float* work, int N, FftKernel kernel)
{
    const int M = N / 2;
    if (!IsFftLength(N))
        return;
    if (M >= FastMinM && M <= TableMaxM) {
        PathFor(kernel).overlapAdd(in, responseRe, responseIm, tail, out, re + 1, im + 1, M);
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
                         float* work, float* products, int N, FftKernel kernel)
{
    const int M = N / 2;
    if (!IsFftLength(N))
        return;
    if (M >= FastMinM && M <= TableMaxM) {
        PathFor(kernel).overlapAddPair(in, response1Re, response1Im, tail1, out1, response2Re,
                                       response2Im, tail2, out2, re + 1, im + 1, M);
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
