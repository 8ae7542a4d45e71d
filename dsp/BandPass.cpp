#include "dsp/BandPass.h"

#include "dsp/Fft.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int MaxTaps = FmQuarter + 1;

// Windowed-sinc low-pass of M + 1 taps at edge (fraction of the sample rate), unit DC gain.
void LowPass(float* h, int M, float edge)
{
    const int c = M / 2;
    double sum = 0.0;
    for (int i = 0; i <= M; ++i) {
        const double g = 0.4042113 - 0.4995527 * std::cos(6.2831853 * i / M) +
                         0.0943967 * std::cos(12.5663706 * i / M) -
                         0.0018393 * std::cos(18.849555900000002 * i / M);
        const double v = (i == c) ? 6.2831853 * edge
                                  : std::sin(6.2831853 * edge * (i - c)) / (i - c);
        h[i] = static_cast<float>(v);
        h[i] = static_cast<float>(h[i] * g);
        sum += h[i];
    }
    // An edge at 0 gives taps summing to 0: that is an empty low-pass, not a division by 0.
    if (sum == 0.0 || !std::isfinite(sum)) {
        std::fill(h, h + M + 1, 0.0f);
        return;
    }
    for (int i = 0; i <= M; ++i)
        h[i] = static_cast<float>(h[i] / sum);
}

} // namespace

void DesignBandPass(FmBand& band, int M, float lowEdge, float highEdge)
{
    // More than 1024 taps would wrap around in the 2048-point convolution.
    M = std::clamp(M, 2, FmQuarter);
    const int c = M / 2;
    float h1[MaxTaps];
    float h2[MaxTaps];
    LowPass(h1, M, lowEdge);
    LowPass(h2, M, highEdge);
    for (int i = 0; i <= M; ++i)
        h2[i] = -h2[i];
    h2[c] += 1.0f;  // high-pass at highEdge
    for (int i = 0; i <= M; ++i)
        band.Kernel[i] = -(h1[i] + h2[i]);  // band-reject, inverted to band-pass
    band.Kernel[c] += 1.0f;
    std::fill(band.Kernel + M + 1, band.Kernel + FmKernelLength, 0.0f);

    float x[FmTransform + 1];
    float re[FmQuarter + 1];
    float im[FmQuarter + 1];
    x[0] = 0.0f;
    std::copy(band.Kernel, band.Kernel + FmTransform, x + 1);
    RealFft(x, re, im, FmTransform);
    std::copy(re + 1, re + 1 + FmQuarter, band.ResponseRe);
    std::copy(im + 1, im + 1 + FmQuarter, band.ResponseIm);
}

void FmOverlapAddQuarter(const float* in1024, const FmBand& band, float* tail1024, float* out1024,
                         FmScratch& scratch)
{
    OverlapAddBlock(in1024, band.ResponseRe, band.ResponseIm, tail1024, out1024, scratch.re,
                    scratch.im, scratch.x, FmTransform);
}

void FmOverlapAddQuarterPair(const float* in1024, const FmBand& band1, float* tail1,
                             float* out1, const FmBand& band2, float* tail2, float* out2,
                             FmScratch& scratch)
{
    OverlapAddBlockPair(in1024, band1.ResponseRe, band1.ResponseIm, tail1, out1, band2.ResponseRe,
                        band2.ResponseIm, tail2, out2, scratch.re, scratch.im, scratch.x,
                        scratch.products, FmTransform);
}
