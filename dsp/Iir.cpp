// Bit-for-bit agreement between the section-by-section and the interleaved recursions needs every
// product and sum rounded on its own: no fused multiply-add contraction in this file.
#pragma GCC optimize("fp-contract=off")

#include "dsp/Iir.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VELQUOR_IIR_X86 1
#endif

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

// One output of the 4-pole recursion. The order of the double sums is fixed here and shared by
// every implementation (the oldest terms first, the newest input and output last, which keeps the
// loop-carried path of the interleaved version short).
namespace {

struct Coef4 {
    double a0, a1, a2, a3, a4, b1, b2, b3, b4;
};

inline Coef4 LoadCoef(const float* b, const float* a)
{
    return {a[0], a[1], a[2], a[3], a[4], b[1], b[2], b[3], b[4]};
}

inline double Sum4(const Coef4& c, double x0, double x1, double x2, double x3, double x4, double y1,
                   double y2, double y3, double y4)
{
    double s = c.a1 * x1;
    s = s + c.a2 * x2;
    s = s + c.a3 * x3;
    s = s + c.a4 * x4;
    s = s + c.b2 * y2;
    s = s + c.b3 * y3;
    s = s + c.b4 * y4;
    s = s + c.a0 * x0;
    s = s + c.b1 * y1;
    return s;
}

}  // namespace

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

// ---------------------------------------------------------------------------------------------
// Interleaved cascade. The sections of both channels sit in 12 lanes (channel 1 in lanes 0..5,
// channel 2 in lanes 6..11) and advance as a wavefront: at step t, lane s of a channel works on
// sample t - 2s, taking as input what lane s - 1 produced two steps earlier (two, not one, so the
// hand-over between lanes is off the step-to-step critical path). Each lane does exactly the
// arithmetic of IirFilter4, so the results are identical; only independent recursions overlap.
namespace {

constexpr int Lanes = 12;
constexpr int ChainLanes = 6;
constexpr int Lag = 2;

struct Wave {
    alignas(32) double x[4][Lanes];  // x[k][lane]: input k + 1 samples back
    alignas(32) double y[4][Lanes];
    alignas(32) double c[9][Lanes];  // a0..a4, b1..b4
    alignas(32) double feed[Lanes];  // the lane's input at the coming step
    alignas(32) float last[Lanes];   // outputs of the latest step
    alignas(32) float last2[Lanes];  // outputs of the step before
};

inline void ScalarLaneStep(Wave& w, int lane, float* outputs)
{
    const Coef4 c = {w.c[0][lane], w.c[1][lane], w.c[2][lane], w.c[3][lane], w.c[4][lane],
                     w.c[5][lane], w.c[6][lane], w.c[7][lane], w.c[8][lane]};
    const double x0 = w.feed[lane];
    const float y =
        static_cast<float>(Sum4(c, x0, w.x[0][lane], w.x[1][lane], w.x[2][lane], w.x[3][lane],
                                w.y[0][lane], w.y[1][lane], w.y[2][lane], w.y[3][lane]));
    for (int k = 3; k > 0; --k) {
        w.x[k][lane] = w.x[k - 1][lane];
        w.y[k][lane] = w.y[k - 1][lane];
    }
    w.x[0][lane] = x0;
    w.y[0][lane] = y;
    outputs[lane] = y;
}

struct CascadeJob {
    const float* in[2];
    float* out[2];
    const IirSection* chain[2];
    int channels;
    int sections;
    int count;
};

// Steps where some lanes have no sample yet (start) or no more (end): scalar, lane by lane.
void MaskedStep(Wave& w, const CascadeJob& job, int t)
{
    float now[Lanes];
    for (int l = 0; l < Lanes; ++l) now[l] = w.last[l];
    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < job.sections; ++s) {
            const int n = t - Lag * s;
            if (n < 0 || n >= job.count) continue;
            const int lane = ch * ChainLanes + s;
            w.feed[lane] = s == 0 ? static_cast<double>(job.in[ch][n]) : w.last2[lane - 1];
            ScalarLaneStep(w, lane, now);
            if (s == job.sections - 1) job.out[ch][n] = now[lane];
        }
    }
    for (int l = 0; l < Lanes; ++l) {
        w.last2[l] = w.last[l];
        w.last[l] = now[l];
    }
}

#ifdef VELQUOR_IIR_X86
// Shift the outputs one lane up: lanes 0 and 6 take the new input samples instead.
__attribute__((target("avx2"))) inline void Feed(const __m256d y[3], double in1, double in2,
                                                 __m256d f[3])
{
    const __m256d r0 = _mm256_permute4x64_pd(y[0], 0x93);  // l3 l0 l1 l2
    const __m256d r1 = _mm256_permute4x64_pd(y[1], 0x93);  // l7 l4 l5 l6
    const __m256d r2 = _mm256_permute4x64_pd(y[2], 0x93);  // l11 l8 l9 l10
    f[0] = _mm256_blend_pd(r0, _mm256_set1_pd(in1), 0x1);
    f[1] = _mm256_blend_pd(_mm256_blend_pd(r1, r0, 0x1), _mm256_set1_pd(in2), 0x4);
    f[2] = _mm256_blend_pd(r2, r1, 0x1);
}

// The steady part: every lane has a sample. Three vectors of four doubles; no fused
// multiply-add (see the top of the file), so the sums round exactly as in IirFilter4.
__attribute__((target("avx2"), always_inline)) inline void SteadyBody(Wave& w,
                                                                      const CascadeJob& job,
                                                                      int tBegin, int tEnd)
{
    __m256d x[4][3], y[4][3], older[3], newer[3];
    for (int v = 0; v < 3; ++v) {
        for (int k = 0; k < 4; ++k) {
            x[k][v] = _mm256_load_pd(&w.x[k][4 * v]);
            y[k][v] = _mm256_load_pd(&w.y[k][4 * v]);
        }
        older[v] = _mm256_cvtps_pd(_mm_load_ps(&w.last2[4 * v]));
        newer[v] = _mm256_cvtps_pd(_mm_load_ps(&w.last[4 * v]));
    }
    const int S = job.sections;
    const int delay = Lag * (S - 1);
    const float* in1 = job.in[0];
    const float* in2 = job.channels > 1 ? job.in[1] : job.in[0];
    float* out1 = job.out[0];
    float* out2 = job.channels > 1 ? job.out[1] : nullptr;
    alignas(16) float last[Lanes];
    __m128 yf[3] = {};
    for (int t = tBegin; t < tEnd; ++t) {
        __m256d f[3];
        Feed(older, in1[t], in2[t], f);
        for (int v = 0; v < 3; ++v) {
            const double* c0 = &w.c[0][4 * v];
            __m256d s = _mm256_mul_pd(_mm256_load_pd(c0 + 1 * Lanes), x[0][v]);
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 2 * Lanes), x[1][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 3 * Lanes), x[2][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 4 * Lanes), x[3][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 6 * Lanes), y[1][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 7 * Lanes), y[2][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 8 * Lanes), y[3][v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 0 * Lanes), f[v]));
            s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_load_pd(c0 + 5 * Lanes), y[0][v]));
            yf[v] = _mm256_cvtpd_ps(s);
            const __m256d yd = _mm256_cvtps_pd(yf[v]);
            x[3][v] = x[2][v];
            x[2][v] = x[1][v];
            x[1][v] = x[0][v];
            x[0][v] = f[v];
            y[3][v] = y[2][v];
            y[2][v] = y[1][v];
            y[1][v] = y[0][v];
            y[0][v] = yd;
            older[v] = newer[v];
            newer[v] = yd;
        }
        _mm_store_ps(&last[0], yf[0]);
        _mm_store_ps(&last[4], yf[1]);
        _mm_store_ps(&last[8], yf[2]);
        out1[t - delay] = last[S - 1];
        if (out2) out2[t - delay] = last[ChainLanes + S - 1];
    }
    for (int v = 0; v < 3; ++v) {
        for (int k = 0; k < 4; ++k) {
            _mm256_store_pd(&w.x[k][4 * v], x[k][v]);
            _mm256_store_pd(&w.y[k][4 * v], y[k][v]);
        }
        _mm_store_ps(&w.last2[4 * v], _mm256_cvtpd_ps(older[v]));
        _mm_store_ps(&w.last[4 * v], _mm256_cvtpd_ps(newer[v]));
    }
}

__attribute__((target("avx2"))) void SteadyAvx2(Wave& w, const CascadeJob& job, int tBegin,
                                                int tEnd)
{
    SteadyBody(w, job, tBegin, tEnd);
}

// The same code with AVX-512's 32 registers, which hold the whole wavefront state that AVX2's
// 16 must spill.
__attribute__((target("avx2,avx512f,avx512vl"))) void SteadyAvx512(Wave& w, const CascadeJob& job,
                                                                   int tBegin, int tEnd)
{
    SteadyBody(w, job, tBegin, tEnd);
}
#endif

IirKernel Resolve(IirKernel k)
{
    if (k == IirKernel::Auto) {
        if (IirKernelAvailable(IirKernel::Avx512)) return IirKernel::Avx512;
        if (IirKernelAvailable(IirKernel::Avx2)) return IirKernel::Avx2;
        return IirKernel::SectionBySection;
    }
    if (!IirKernelAvailable(k)) return IirKernel::SectionBySection;
    return k;
}

void RunCascade(const CascadeJob& job, IirKernel kernel)
{
    const int S = job.sections;
    if (S < 1 || S > MaxCascadeSections || job.count <= 0) return;

    kernel = Resolve(kernel);
    if (kernel == IirKernel::SectionBySection || job.count < 4 * S) {
        // Section by section; IirFilter4 reads each input before writing that output, so the
        // later passes can run in place.
        for (int ch = 0; ch < job.channels; ++ch) {
            const IirSection* c = job.chain[ch];
            IirFilter4(job.in[ch], job.out[ch], job.count, *c[0].state, *c[0].set);
            for (int s = 1; s < S; ++s)
                IirFilter4(job.out[ch], job.out[ch], job.count, *c[s].state, *c[s].set);
        }
        return;
    }

    Wave w{};
    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < S; ++s) {
            const int lane = ch * ChainLanes + s;
            const IirState& st = *job.chain[ch][s].state;
            const IirCoefficients& set = *job.chain[ch][s].set;
            for (int k = 0; k < 4; ++k) {
                w.x[k][lane] = st.x[3 - k];
                w.y[k][lane] = st.y[3 - k];
            }
            for (int i = 0; i < 5; ++i) w.c[i][lane] = set.a[i];
            for (int i = 1; i < 5; ++i) w.c[4 + i][lane] = set.b[i];
        }
    }

    const int steps = job.count + Lag * (S - 1);
    int t = 0;
    for (; t < Lag * (S - 1); ++t) MaskedStep(w, job, t);
#ifdef VELQUOR_IIR_X86
    if (kernel == IirKernel::Avx512)
        SteadyAvx512(w, job, t, job.count);
    else
        SteadyAvx2(w, job, t, job.count);
    t = job.count;
#endif
    for (; t < steps; ++t) MaskedStep(w, job, t);

    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < S; ++s) {
            const int lane = ch * ChainLanes + s;
            IirState& st = *job.chain[ch][s].state;
            for (int k = 0; k < 4; ++k) {
                st.x[3 - k] = static_cast<float>(w.x[k][lane]);
                st.y[3 - k] = static_cast<float>(w.y[k][lane]);
            }
        }
    }
}

}  // namespace

bool IirKernelAvailable(IirKernel kernel)
{
    switch (kernel) {
#ifdef VELQUOR_IIR_X86
        case IirKernel::Avx2:
            return __builtin_cpu_supports("avx2");
        case IirKernel::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#else
        case IirKernel::Avx2:
        case IirKernel::Avx512:
            return false;
#endif
        default:
            return true;
    }
}

void IirCascadePair(const float* in1, float* out1, const IirSection* chain1, const float* in2,
                    float* out2, const IirSection* chain2, int sections, int count,
                    IirKernel kernel)
{
    CascadeJob job{{in1, in2}, {out1, out2}, {chain1, chain2}, 2, sections, count};
    RunCascade(job, kernel);
}

void IirCascade(const float* input, float* output, const IirSection* chain, int sections, int count,
                IirKernel kernel)
{
    CascadeJob job{{input, input}, {output, output}, {chain, chain}, 1, sections, count};
    RunCascade(job, kernel);
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
