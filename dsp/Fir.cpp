#include "dsp/Fir.h"

#include <array>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VELQUOR_FIR_X86 1
#endif

namespace {

// Tables given by their first half; the rest is mirrored (sign = -1 for the antisymmetric
// quadrature filter).
template <int N, int H>
constexpr std::array<float, N> Mirror(const float (&half)[H], float sign)
{
    std::array<float, N> c{};
    for (int j = 0; j < H; ++j) {
        // Zero taps stay +0 on both sides (a -0 tap would flip the sign of a zero sum).
        c[N - 1 - j] = half[j] == 0.0f ? 0.0f : sign * half[j];
        c[j] = half[j];
    }
    return c;
}

constexpr float QuadratureHalf[18] = {0.038135f, 0.0f, 0.024179f, 0.0f, 0.032403f, 0.0f,
                                      0.043301f, 0.0f, 0.05842f,  0.0f, 0.081119f, 0.0f,
                                      0.120167f, 0.0f, 0.207859f, 0.0f, 0.635163f, 0.0f};

constexpr float Decim1Half[51] = {
    -0.06982917f,  0.027791478f,  0.02323592f,  0.01969467f,   0.016970506f,  0.014863635f,
    0.013287335f,  0.012079306f,  0.011215759f, 0.010585373f,  0.010153047f,  0.009877705f,
    0.009709991f,  0.009629955f,  0.009642532f, 0.00971764f,   0.0098407f,    0.00997363f,
    0.010145368f,  0.0103316335f, 0.010546389f, 0.010761664f,  0.010968592f,  0.011183859f,
    0.01141664f,   0.011653266f,  0.011869579f, 0.0120800175f, 0.0123401685f, 0.012547816f,
    0.0127682835f, 0.012985916f,  0.013154555f, 0.013378848f,  0.013490926f,  0.013741808f,
    0.013818601f,  0.013936598f,  0.014197538f, 0.014251528f,  0.014364505f,  0.014471266f,
    0.01464205f,   0.014725302f,  0.014781193f, 0.014788544f,  0.014829071f,  0.01486528f,
    0.014941835f,  0.014964661f,  0.014996181f};

constexpr float Decim2Half[51] = {
    0.0211343f,     -0.06592921f,  -0.023407592f, -0.010766572f,  -0.006144427f,  -0.003351159f,
    -0.0008258831f, 0.0016977739f, 0.004082439f,  0.0060146386f,  0.0072599784f,  0.0076373117f,
    0.007016547f,   0.005434186f,  0.0030527792f, 0.0001123276f,  -0.0030372168f, -0.005985957f,
    -0.008340644f,  -0.009754516f, -0.009983435f, -0.008905353f,  -0.006549979f,  -0.003135788f,
    0.0009636572f,  0.005283245f,  0.009278718f,  0.012396456f,   0.014147698f,   0.014170935f,
    0.0122932745f,  0.008563858f,  0.0032451516f, -0.0031653305f, -0.009981262f,  -0.016373815f,
    -0.021426635f,  -0.024275849f, -0.024249202f, -0.02086019f,   -0.013859208f,  -0.0032863782f,
    0.010460727f,   0.026592808f,  0.044099f,     0.06195001f,    0.078842394f,   0.09343544f,
    0.104760915f,   0.11202576f,   0.114335805f};

constexpr std::array<float, 35> QuadratureC = Mirror<35, 18>(QuadratureHalf, -1.0f);
constexpr std::array<float, 101> Decim1C = Mirror<101, 51>(Decim1Half, 1.0f);
constexpr std::array<float, 101> Decim2C = Mirror<101, 51>(Decim2Half, 1.0f);

inline int Centre(int n) { return (n + 1) / 2 - 1; }

// One output of the reference convolution.
inline float FirOne(const float* in, const float* c, int n, int count, int i)
{
    const int h = Centre(n);
    // Taps whose input index i + h - j lies in 0..count-1.
    int jBegin = i + h - (count - 1);
    if (jBegin < 0) jBegin = 0;
    int jEnd = i + h + 1;
    if (jEnd > n) jEnd = n;
    float sum = 0.0f;
    for (int j = jBegin; j < jEnd; ++j) sum = std::fma(c[j], in[i + h - j], sum);
    return sum;
}

}  // namespace

const FirTable QuadratureTaps = {35, QuadratureC.data()};
const FirTable Decim1Taps = {101, Decim1C.data()};
const FirTable Decim2Taps = {101, Decim2C.data()};

namespace {

// Work space on the stack for the phase-split copy of strided input (32 KB).
constexpr int SplitFloats = 8192;
constexpr int MaxVectorTaps = 256;

#ifdef VELQUOR_FIR_X86
// U groups of 8 outputs: out[k] = fold over j of fma(c[j], src[off[j] + k], sum), k = 0..8U-1.
// The same per-tap fused multiply-add in the same order as FirOne, eight outputs per register.
template <int U>
__attribute__((target("avx2,fma"), always_inline)) inline void Block8(const float* src,
                                                                      const int* off,
                                                                      const float* c, int n,
                                                                      float* out)
{
    __m256 acc[U];
    for (int u = 0; u < U; ++u) acc[u] = _mm256_setzero_ps();
    for (int j = 0; j < n; ++j) {
        const __m256 cj = _mm256_broadcast_ss(c + j);
        const float* p = src + off[j];
        for (int u = 0; u < U; ++u)
            acc[u] = _mm256_fmadd_ps(cj, _mm256_loadu_ps(p + 8 * u), acc[u]);
    }
    for (int u = 0; u < U; ++u) _mm256_storeu_ps(out + 8 * u, acc[u]);
}

// K outputs (any K) reading src[off[j] + k].
__attribute__((target("avx2,fma"))) void RunBlocks(const float* src, const int* off, const float* c,
                                                   int n, float* out, int K)
{
    int k = 0;
    for (; k + 64 <= K; k += 64) Block8<8>(src + k, off, c, n, out + k);
    for (; k + 8 <= K; k += 8) Block8<1>(src + k, off, c, n, out + k);
    for (; k < K; ++k) {
        float sum = 0.0f;
        for (int j = 0; j < n; ++j) sum = std::fma(c[j], src[off[j] + k], sum);
        out[k] = sum;
    }
}

// The same with sixteen outputs per register where the CPU has AVX-512 (the same fused
// multiply-add per tap and output, so the same bits).
template <int U>
__attribute__((target("avx2,fma,avx512f"), always_inline)) inline void Block16(const float* src,
                                                                                const int* off,
                                                                                const float* c,
                                                                                int n, float* out)
{
    __m512 acc[U];
    for (int u = 0; u < U; ++u) acc[u] = _mm512_setzero_ps();
    for (int j = 0; j < n; ++j) {
        const __m512 cj = _mm512_set1_ps(c[j]);
        const float* p = src + off[j];
        for (int u = 0; u < U; ++u)
            acc[u] = _mm512_fmadd_ps(cj, _mm512_loadu_ps(p + 16 * u), acc[u]);
    }
    for (int u = 0; u < U; ++u) _mm512_storeu_ps(out + 16 * u, acc[u]);
}

__attribute__((target("avx2,fma,avx512f"))) void RunBlocks512(const float* src, const int* off,
                                                              const float* c, int n, float* out,
                                                              int K)
{
    int k = 0;
    for (; k + 128 <= K; k += 128) Block16<8>(src + k, off, c, n, out + k);
    for (; k + 16 <= K; k += 16) Block16<1>(src + k, off, c, n, out + k);
    for (; k + 8 <= K; k += 8) Block8<1>(src + k, off, c, n, out + k);
    for (; k < K; ++k) {
        float sum = 0.0f;
        for (int j = 0; j < n; ++j) sum = std::fma(c[j], src[off[j] + k], sum);
        out[k] = sum;
    }
}

// One kernel or the other for K outputs.
__attribute__((target("avx2,fma"))) void RunAny(const float* src, const int* off, const float* c,
                                                int n, float* out, int K, bool wide)
{
    if (wide)
        RunBlocks512(src, off, c, n, out, K);
    else
        RunBlocks(src, off, c, n, out, K);
}

// FirOne for the vector paths' ends, with the CPU's fused multiply-add inline (the baseline
// build calls the library's fmaf for every tap).
__attribute__((target("avx2,fma"))) float FirOneFma(const float* in, const float* c, int n,
                                                    int count, int i)
{
    return FirOne(in, c, n, count, i);
}

// Consecutive outputs iBegin .. iEnd-1 near the ends of the input (some taps fall outside it),
// eight at a time: every lane runs the taps in order and keeps its sum unchanged where the tap's
// input index lies outside 0..count-1, exactly as FirOne leaves such terms out. The inputs come
// from a zero-padded copy so that no load leaves the array.
__attribute__((target("avx2,fma"))) void EdgeOutputs(const float* in, const float* c, int n,
                                                     int count, int iBegin, int iEnd, float* out)
{
    const int h = Centre(n);
    const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i countV = _mm256_set1_epi32(count);
    for (int i0 = iBegin; i0 < iEnd; i0 += 8) {
        // Lane l, tap j reads input index i0 + l + h - j: the window lo .. lo + n + 6.
        const int lo = i0 + h - (n - 1);
        float window[MaxVectorTaps + 8];
        for (int t = 0; t < n + 7; ++t)
            window[t] = (lo + t >= 0 && lo + t < count) ? in[lo + t] : 0.0f;
        __m256 sum = _mm256_setzero_ps();
        for (int j = 0; j < n; ++j) {
            const __m256i index = _mm256_add_epi32(_mm256_set1_epi32(i0 + h - j), iota);
            const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(index, minusOne),
                                                    _mm256_cmpgt_epi32(countV, index));
            const __m256 term =
                _mm256_fmadd_ps(_mm256_set1_ps(c[j]), _mm256_loadu_ps(window + n - 1 - j), sum);
            sum = _mm256_blendv_ps(sum, term, _mm256_castsi256_ps(inside));
        }
        alignas(32) float lanes[8];
        _mm256_store_ps(lanes, sum);
        for (int l = 0; l < 8 && i0 + l < iEnd; ++l) out[i0 + l - iBegin] = lanes[l];
    }
}

// 8 x 8 transpose: r[c] receives column c of the rows r[0..7].
__attribute__((target("avx2,fma"), always_inline)) inline void Transpose8(__m256 r[8])
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

// split[p * L + m] = in[base + p + step * m] for p < step, m < L (0 past the input's end).
__attribute__((target("avx2,fma"))) void SplitPhases(const float* in, int count, int base,
                                                     int step, int L, float* split)
{
    int m0 = 0;
    if (step % 8 == 0) {
        // Blocks of 8 rows by 8 phases, transposed in registers.
        for (; m0 + 8 <= L && base + step * (m0 + 8) <= count; m0 += 8) {
            for (int p0 = 0; p0 < step; p0 += 8) {
                __m256 r[8];
                const float* src = in + base + step * m0 + p0;
                for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_ps(src + step * i);
                Transpose8(r);
                for (int c = 0; c < 8; ++c) _mm256_storeu_ps(split + (p0 + c) * L + m0, r[c]);
            }
        }
    }
    for (int m = m0; m < L; ++m) {
        const int idx = base + step * m;
        for (int p = 0; p < step; ++p) split[p * L + m] = idx + p < count ? in[idx + p] : 0.0f;
    }
}

__attribute__((target("avx2,fma"))) void StridedAvx2(const float* in, float* out, const FirTable& t,
                                                     int count, int first, int step, int kBegin,
                                                     int kEnd, bool wide)
{
    const int n = t.n;
    const int h = Centre(n);
    int off[MaxVectorTaps];
    if (step == 1) {
        // Outputs first + k read in[first + k + h - j]: contiguous across outputs.
        for (int j = 0; j < n; ++j) off[j] = n - 1 - j;
        const float* src = in + first + kBegin + h - (n - 1);
        RunAny(src, off, t.c, n, out + kBegin, kEnd - kBegin, wide);
        return;
    }
    // Strided outputs: split the input into `step` phases so that each tap again reads
    // consecutive memory across outputs.
    alignas(32) float split[SplitFloats];
    const int span = (n - 1) / step + 1;
    const int chunk = (SplitFloats / step - span) & ~7;
    for (int k0 = kBegin; k0 < kEnd; k0 += chunk) {
        const int K = kEnd - k0 < chunk ? kEnd - k0 : chunk;
        const int L = K + span;
        const int base = first + step * k0 + h - (n - 1);
        SplitPhases(in, count, base, step, L, split);
        for (int j = 0; j < n; ++j) {
            const int r = n - 1 - j;
            off[j] = (r % step) * L + r / step;
        }
        RunAny(split, off, t.c, n, out + k0, K, wide);
    }
}
#endif

bool HasAvx2Fma()
{
#ifdef VELQUOR_FIR_X86
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

bool HasAvx512()
{
#ifdef VELQUOR_FIR_X86
    return HasAvx2Fma() && __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

FirKernel Resolve(FirKernel kernel)
{
    if (kernel == FirKernel::Auto) {
        if (HasAvx512()) return FirKernel::Avx512;
        if (HasAvx2Fma()) return FirKernel::Avx2;
        return FirKernel::Portable;
    }
    return FirKernelAvailable(kernel) ? kernel : FirKernel::Portable;
}

}  // namespace

bool FirKernelAvailable(FirKernel kernel)
{
    switch (kernel) {
        case FirKernel::Avx2: return HasAvx2Fma();
        case FirKernel::Avx512: return HasAvx512();
        default: return true;
    }
}

void FirFilterStrided(const float* input, float* output, const FirTable& table, int count,
                      int first, int step, int outCount, FirKernel kernel)
{
    const int n = table.n;
    const int h = Centre(n);
    if (outCount <= 0) return;
    if (step < 1) step = 1;

    // Outputs whose every tap lies inside the input: i - (n - 1 - h) >= 0 and i + h <= count - 1.
    auto inner = [&](int k) {
        const int i = first + step * k;
        return i + h - (n - 1) >= 0 && i + h <= count - 1;
    };
    int kBegin = 0;
    while (kBegin < outCount && !inner(kBegin)) ++kBegin;
    int kEnd = outCount;
    while (kEnd > kBegin && !inner(kEnd - 1)) --kEnd;

    const FirKernel use = Resolve(kernel);
    bool vector = false;
#ifdef VELQUOR_FIR_X86
    vector = use != FirKernel::Portable && kEnd > kBegin && n <= MaxVectorTaps &&
             (step == 1 || SplitFloats / step - ((n - 1) / step + 1) >= 8);
#endif
    if (!vector) {
        for (int k = 0; k < outCount; ++k)
            output[k] = FirOne(input, table.c, n, count, first + step * k);
        return;
    }
#ifdef VELQUOR_FIR_X86
    if (step == 1) {
        EdgeOutputs(input, table.c, n, count, first, first + kBegin, output);
    } else {
        for (int k = 0; k < kBegin; ++k)
            output[k] = FirOneFma(input, table.c, n, count, first + step * k);
    }
    StridedAvx2(input, output, table, count, first, step, kBegin, kEnd,
                use == FirKernel::Avx512);
    if (step == 1) {
        EdgeOutputs(input, table.c, n, count, first + kEnd, first + outCount, output + kEnd);
    } else {
        for (int k = kEnd; k < outCount; ++k)
            output[k] = FirOneFma(input, table.c, n, count, first + step * k);
    }
#endif
}

void FirFilter(const float* input, float* output, const FirTable& table, int count,
               FirKernel kernel)
{
    FirFilterStrided(input, output, table, count, 0, 1, count, kernel);
}
