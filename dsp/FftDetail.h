#pragma once
// The fast path of the real transforms, shared by its kernels (FftPortable.cpp, FftAvx2.cpp,
// FftAvx512.cpp) and the dispatcher (Fft.cpp): constant tables, the scalar steps, and the
// drivers that put one transform together from a set of kernels.
//
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
// bit for bit, on every path (portable, AVX2, AVX-512; see SimdKernel).
// The vector paths use no fused multiply-add where a product is rounded (the library is built
// with -ffp-contract=off): a fused multiply-add would round differently. Note that a
// difference at double precision mostly vanishes in the rounding to single, so the bit-for-bit
// tests cannot be relied on to catch one; the operations themselves must be kept.

#include "dsp/Simd.h"

#include <cstdint>

namespace fft_detail {

constexpr int MaxLog2 = 16;      // N up to 65536
constexpr int TableMaxM = 2048;  // fast path: M = N/2 up to 2048
constexpr int FastMinM = 16;

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
void SplitStep(int M, float& c, float& s);

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

VQ_INLINE void ProductSlot(float* zr, float* zi, int s, const float* hr, const float* hi)
{
    const float a = zr[s], b = zi[s];
    zr[s] = static_cast<float>(static_cast<double>(a) * hr[s] - static_cast<double>(b) * hi[s]);
    zi[s] = static_cast<float>(static_cast<double>(a) * hi[s] + static_cast<double>(b) * hr[s]);
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

    FftTables();
};

const FftTables& Tables();

enum class Source { Interleaved, Padded, Split };

// MultiplyInverse: the input is already split (forward); the product and the inverse split.
enum class SplitMode { Forward, Inverse, ForwardMultiplyInverse, MultiplyInverse };

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

extern const FastPath PortablePath;
#ifdef VQ_X86
extern const FastPath Avx2Path;
extern const FastPath Avx512Path;
#endif

// Entry points of one kernel set K, compiled with the function attribute ATTR (the
// instruction set): NAME##Path. The stage space is not cleared (see StageSpace).
#define VQ_FFT_PATH(NAME, ATTR, K)                                                                 \
    VQ_PRAGMA(GCC diagnostic push)                                                                 \
    VQ_PRAGMA(GCC diagnostic ignored "-Wmaybe-uninitialized")                                      \
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
    const FastPath NAME##Path = {NAME##Forward, NAME##Inverse, NAME##OverlapAdd,                   \
                                 NAME##OverlapAddPair};                                            \
    VQ_PRAGMA(GCC diagnostic pop)

#pragma GCC diagnostic pop

} // namespace fft_detail
