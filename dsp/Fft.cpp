#include "dsp/Fft.h"

#include "dsp/FftDetail.h"

#include <cmath>
#include <utility>

// The plain loops below are the algorithm as written; the fast path (FftDetail.h and the kernel
// files) gives the same bits and is chosen here per call.

using namespace fft_detail;

namespace {

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

const FastPath& ResolvedPath(SimdKernel kernel)
{
    switch (ResolveSimdKernel(kernel)) {
#ifdef VQ_X86
    case SimdKernel::Avx512: return Avx512Path;
    case SimdKernel::Avx2: return Avx2Path;
#endif
    default: return PortablePath;
    }
}

// Auto, the path of every call in use, is resolved once.
const FastPath& PathFor(SimdKernel kernel)
{
    static const FastPath& automatic = ResolvedPath(SimdKernel::Auto);
    return kernel == SimdKernel::Auto ? automatic : ResolvedPath(kernel);
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

void RealFft(const float* x, float* re, float* im, int N, SimdKernel kernel)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        PathFor(kernel).forward(x + 1, re + 1, im + 1, M);
    else
        RealFftPlain(x, re, im, N);
}

void InverseRealFft(float* out, float* re, float* im, int N, SimdKernel kernel)
{
    const int M = N / 2;
    if (IsFftLength(N) && M >= FastMinM && M <= TableMaxM)
        PathFor(kernel).inverse(out + 1, re + 1, im + 1, M);
    else
        InverseRealFftPlain(out, re, im, N);
}

void OverlapAddBlock(const float* in, const float* responseRe, const float* responseIm, float* tail,
                     float* out, float* re, float* im, float* work, int N, SimdKernel kernel)
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
                         float* work, float* products, int N, SimdKernel kernel)
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
