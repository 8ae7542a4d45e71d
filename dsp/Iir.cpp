// Bit-for-bit agreement between the section-by-section and the interleaved recursions needs every
// product and sum rounded on its own: no fused multiply-add contraction in this file.
#pragma GCC optimize("fp-contract=off")

#include "dsp/Iir.h"

#include "dsp/IirDetail.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double Pi = 3.14159265;
constexpr double TwoPi = 6.2831853;

int ValidPoles(int poles)
{
    poles = std::clamp(poles, 2, 20);
    return poles & ~1;
}

}  // namespace

float ClampCutoff(float cutoff)
{
    // NaN compares false everywhere: send it to the lower bound as well.
    if (!(cutoff >= MinCutoff)) return MinCutoff;
    if (cutoff > MaxCutoff) return MaxCutoff;
    return cutoff;
}

PolePair CalcPolePair(int p, int chebyshev, float ripplePercent, float cutoff, int highPass,
                      int poles)
{
    const double np = poles;
    // Pole on the unit circle (single precision, like every stored intermediate below).
    float rp = static_cast<float>(-std::cos(Pi / (2.0 * np) + (p - 1) * Pi / np));
    float ip = static_cast<float>(std::sin(Pi / (2.0 * np) + (p - 1) * Pi / np));

    if (chebyshev == 1) {
        const double ratio = 100.0 / (100.0 - static_cast<double>(ripplePercent));
        const double es = std::sqrt(ratio * ratio - 1.0);
        const double vx = (1.0 / np) * std::log(1.0 / es + std::sqrt(1.0 / (es * es) + 1.0));
        double kx = (1.0 / np) * std::log(1.0 / es + std::sqrt(1.0 / (es * es) - 1.0));
        kx = (std::exp(kx) + std::exp(-kx)) / 2.0;
        rp = static_cast<float>(rp * ((std::exp(vx) - std::exp(-vx)) / 2.0) / kx);
        ip = static_cast<float>(ip * ((std::exp(vx) + std::exp(-vx)) / 2.0) / kx);
    }

    // s-domain to z-domain (bilinear transform).
    const float t = static_cast<float>(2.0 * std::tan(0.5));
    const double tt = static_cast<double>(t) * t;
    const double m = static_cast<double>(rp) * rp + static_cast<double>(ip) * ip;
    const float d3 = static_cast<float>(4.0 - 4.0 * rp * static_cast<double>(t) + m * tt);
    const float x0 = static_cast<float>(tt / d3);
    const float x1 = static_cast<float>(2.0 * tt / d3);
    const float x2 = static_cast<float>(tt / d3);
    const float y1 = static_cast<float>((8.0 - 2.0 * m * tt) / d3);
    const float y2 = static_cast<float>((-4.0 - 4.0 * rp * static_cast<double>(t) - m * tt) / d3);

    // Low-pass to low-pass or low-pass to high-pass transform.
    const double w = static_cast<float>(TwoPi * static_cast<double>(cutoff));
    const float k = highPass == 1
                        ? static_cast<float>(-std::cos(w / 2.0 + 0.5) / std::cos(w / 2.0 - 0.5))
                        : static_cast<float>(std::sin(0.5 - w / 2.0) / std::sin(0.5 + w / 2.0));
    const double kd = k;
    const double kk = kd * kd;
    const double d = 1.0 + y1 * kd - y2 * kk;

    PolePair r;
    r.A0 = static_cast<float>((x0 - x1 * kd + x2 * kk) / d);
    r.A1 = static_cast<float>((-2.0 * x0 * kd + x1 + x1 * kk - 2.0 * x2 * kd) / d);
    r.A2 = static_cast<float>((x0 * kk - x1 * kd + x2) / d);
    r.B1 = static_cast<float>((2.0 * kd + y1 + y1 * kk - 2.0 * y2 * kd) / d);
    r.B2 = static_cast<float>((-kk - y1 * kd + y2) / d);
    if (highPass == 1) {
        r.A1 = -r.A1;
        r.B1 = -r.B1;
    }
    return r;
}

void CalcIir(float* a, float* b, float ripplePercent, float cutoff, int poles, int highPass,
             int chebyshev)
{
    cutoff = ClampCutoff(cutoff);
    poles = ValidPoles(poles);

    for (int i = 0; i < 23; ++i) {
        a[i] = 0.0f;
        b[i] = 0.0f;
    }
    a[2] = 1.0f;
    b[2] = 1.0f;

    float ta[23];
    float tb[23];
    for (int p = 1; p <= poles / 2; ++p) {
        const PolePair s = CalcPolePair(p, chebyshev, ripplePercent, cutoff, highPass, poles);
        std::memcpy(ta, a, sizeof ta);
        std::memcpy(tb, b, sizeof tb);
        for (int i = 2; i < 23; ++i) {
            a[i] = static_cast<float>(static_cast<double>(s.A0) * ta[i] +
                                      static_cast<double>(s.A1) * ta[i - 1] +
                                      static_cast<double>(s.A2) * ta[i - 2]);
            b[i] = static_cast<float>(static_cast<double>(tb[i]) -
                                      static_cast<double>(s.B1) * tb[i - 1] -
                                      static_cast<double>(s.B2) * tb[i - 2]);
        }
    }

    b[2] = 0.0f;
    for (int i = 0; i <= 20; ++i) {
        a[i] = a[i + 2];
        b[i] = -b[i + 2];
    }

    // Normalise to unit gain at the centre of the pass band (DC, or half the rate).
    double sa = 0.0;
    double sb = 0.0;
    for (int i = 0; i <= 20; ++i) {
        const double sign = (highPass == 1 && (i & 1)) ? -1.0 : 1.0;
        sa += a[i] * sign;
        sb += b[i] * sign;
    }
    const float gain = static_cast<float>(sa / (1.0 - sb));
    for (int i = 0; i <= 20; ++i) a[i] = static_cast<float>(static_cast<double>(a[i]) / gain);
}

void CalcIir(IirCoefficients& set, float ripplePercent, float cutoff, int poles, int highPass,
             int chebyshev)
{
    CalcIir(set.a, set.b, ripplePercent, cutoff, poles, highPass, chebyshev);
}

std::complex<double> IirResponse(const IirCoefficients& set, double fraction)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * fraction);
    std::complex<double> num = 0.0, den = 1.0, zk = 1.0;
    for (int k = 0; k <= 4; ++k) {
        num += static_cast<double>(set.a[k]) * zk;
        if (k > 0) den -= static_cast<double>(set.b[k]) * zk;
        zk *= z1;
    }
    return num / den;
}

using namespace iir_detail;

void IirFilter4(const float* input, float* output, int count, IirState& state, const float* b,
                const float* a)
{
    const Coef4 c = LoadCoef(b, a);
    double x1 = state.x[3], x2 = state.x[2], x3 = state.x[1], x4 = state.x[0];
    double y1 = state.y[3], y2 = state.y[2], y3 = state.y[1], y4 = state.y[0];
    for (int n = 0; n < count; ++n) {
        const double x0 = input[n];
        const float y = static_cast<float>(Sum4(c, x0, x1, x2, x3, x4, y1, y2, y3, y4));
        output[n] = y;
        x4 = x3;
        x3 = x2;
        x2 = x1;
        x1 = x0;
        y4 = y3;
        y3 = y2;
        y2 = y1;
        y1 = y;
    }
    state.x[0] = static_cast<float>(x4);
    state.x[1] = static_cast<float>(x3);
    state.x[2] = static_cast<float>(x2);
    state.x[3] = static_cast<float>(x1);
    state.y[0] = static_cast<float>(y4);
    state.y[1] = static_cast<float>(y3);
    state.y[2] = static_cast<float>(y2);
    state.y[3] = static_cast<float>(y1);
}

void IirFilter4(const float* input, float* output, int count, IirState& state,
                const IirCoefficients& set)
{
    IirFilter4(input, output, count, state, set.b, set.a);
}

bool ResetIfNonFinite(IirState& state)
{
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(state.x[k]) || !std::isfinite(state.y[k])) {
            state = IirState{};
            return true;
        }
    }
    return false;
}

MarkerCutoffs ComputeMarkerCutoffs(int32_t freqSpan, uint32_t sampleRate, int32_t rows, int32_t y1,
                                   int32_t y2)
{
    // Rows outside the pane (the start-up marker 2 sits at row 396 of 371) would wrap in the
    // unsigned arithmetic below; hold them inside, where the marker handlers keep them.
    const int32_t h = std::max<int32_t>(rows, 0);
    y1 = std::max<int32_t>(0, std::min<int32_t>(y1, h - 5));
    y2 = std::max<int32_t>(0, std::min<int32_t>(y2, h - 10));

    const uint32_t r = (static_cast<uint32_t>(freqSpan) * sampleRate) >> 9;
    const uint32_t t1 = (r * static_cast<uint32_t>(h - y1)) >> 14;
    const uint32_t t2 = (r * static_cast<uint32_t>(h - y2)) >> 14;

    auto cutoff = [](uint32_t t) {
        float f = static_cast<float>(static_cast<double>(t) * (1.0 / 1378.0));
        f = static_cast<float>(static_cast<double>(f) * 0.25);
        f = static_cast<float>(static_cast<double>(f) * 92.0 * 4.0 * 0.01);
        return ClampCutoff(f);
    };
    return {cutoff(t1), cutoff(t2)};
}

MarkerBand ComputeMarkerBand(int32_t freqSpan, uint32_t sampleRate, int32_t rows, int32_t y1, int32_t y2)
{
    const MarkerCutoffs f = ComputeMarkerCutoffs(freqSpan, sampleRate, rows, y1, y2);
    MarkerBand band{std::min(f.f1, f.f2), std::max(f.f1, f.f2)};
    if (band.HighPass < band.LowPass) return band;

    // One row of the pane as a cutoff: R / 2^14 in the units of t, scaled as the rows are.
    const double r = static_cast<double>((static_cast<uint32_t>(freqSpan) * sampleRate) >> 9);
    double row = r / 16384.0 * (1.0 / 1378.0) * 0.25 * 92.0 * 4.0 * 0.01;
    // An empty span has rows of no width; the band still keeps its edges in order.
    row = std::min(std::max(row, 1e-4), static_cast<double>(MaxCutoff - MinCutoff));
    band.LowPass = static_cast<float>(band.HighPass + row);
    if (band.LowPass > MaxCutoff) {
        // At the top of the pane the row lies below the marker.
        band.LowPass = MaxCutoff;
        band.HighPass = ClampCutoff(static_cast<float>(MaxCutoff - row));
    }
    return band;
}

float SmoothingCutoff(int32_t freqScaleSetting)
{
    float c = static_cast<float>(static_cast<double>(freqScaleSetting) * 2.5 * (128.0 / 44100.0));
    if (c < 0.025f) c = 0.025f;
    return ClampCutoff(c);
}
