#include "dsp/Demod.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "dsp/Simd.h"

namespace {

constexpr float HalfPi = 1.5707964f;
constexpr float PiF = 3.1415927f;
constexpr int AmFirst = 31;  // the AM output lags the band signal by 31 samples
constexpr int FmFirst = 32;
constexpr int BlockCount = 4096;
constexpr double AmScale = 50.0;
constexpr double FmOutScale = 250.0;

}  // namespace

void BuildAtanTable(float* T)
{
    for (int i = 0; i < AtanTableSize; ++i)
        T[i] = static_cast<float>(std::atan2(static_cast<double>(i), 65535.0));
}

float PhaseAngle(const float* T, float x, float y)
{
    // A NaN would make the table index meaningless: pass it on instead of reading anywhere.
    if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<float>::quiet_NaN();
    const float a = std::fabs(x);
    const float b = std::fabs(y);
    float r;
    if (b > a) {
        if (a == 0.0f) {
            r = HalfPi;
        } else {
            const double q = 65535.0 * static_cast<double>(a) / static_cast<double>(b) + 0.5;
            r = HalfPi - T[static_cast<int>(q)];
        }
    } else {
        if (b == 0.0f) {
            r = 0.0f;
        } else {
            // Both infinite: inf / inf has no value; the angle is the diagonal.
            const double q = 65535.0 * static_cast<double>(b) / static_cast<double>(a) + 0.5;
            r = T[std::isnan(q) ? AtanTableSize - 1 : static_cast<int>(q)];
        }
    }
    if (x < 0.0f) r = PiF - r;
    if (y < 0.0f) r = -r;
    return r;
}

namespace {

void AmScalar(const float* I, const float* Q, float gain, float* out)
{
    const double g = gain;
    for (int i = 0; i < BlockCount; ++i) {
        const double re = I[AmFirst + i];
        const double im = Q[AmFirst + i];
        out[i] = static_cast<float>(std::sqrt(re * re + im * im) * g * AmScale);
    }
}

void FmScalar(const float* I, const float* Q, float gain, double fmScale, const float* T,
              float* out)
{
    const double scale = FmOutScale * fmScale;
    const double g = gain;
    for (int i = 0; i < BlockCount; ++i) {
        const int m = FmFirst + i;
        const double i0 = I[m], i1 = I[m + 1], q0 = Q[m], q1 = Q[m + 1];
        const float re = static_cast<float>(i0 * i1 + q0 * q1);
        const float im = static_cast<float>(i0 * q1 - i1 * q0);
        const double d = PhaseAngle(T, re, im);
        out[i] = static_cast<float>(scale * d * g);
    }
}

#ifdef VQ_X86
// Four outputs per step in double lanes; plain multiplies and adds (the float products are exact
// in double, so the sums round exactly as in the scalar code).
VQ_AVX2 void AmAvx2(const float* I, const float* Q, float gain, float* out)
{
    const __m256d g = _mm256_set1_pd(gain);
    const __m256d k = _mm256_set1_pd(AmScale);
    for (int i = 0; i < BlockCount; i += 4) {
        const __m256d re = _mm256_cvtps_pd(_mm_loadu_ps(I + AmFirst + i));
        const __m256d im = _mm256_cvtps_pd(_mm_loadu_ps(Q + AmFirst + i));
        const __m256d s = _mm256_add_pd(_mm256_mul_pd(re, re), _mm256_mul_pd(im, im));
        const __m256d v = _mm256_mul_pd(_mm256_mul_pd(_mm256_sqrt_pd(s), g), k);
        _mm_storeu_ps(out + i, _mm256_cvtpd_ps(v));
    }
}

// PhaseAngle for eight points at once, bit for bit as the scalar routine, in three steps shared
// by the AVX2 and AVX-512 paths, which differ only in how they form the table index.

// True when some x or y is infinite or NaN (never in a sane signal): those eight points then
// take the scalar routine.
VQ_AVX2_INLINE bool AnyNonFinite8(__m256 x, __m256 y)
{
    const __m256 signMask = _mm256_set1_ps(-0.0f);
    const __m256 inf = _mm256_set1_ps(std::numeric_limits<float>::infinity());
    const __m256 bad =
        _mm256_or_ps(_mm256_cmp_ps(_mm256_andnot_ps(signMask, x), inf, _CMP_NLT_UQ),
                     _mm256_cmp_ps(_mm256_andnot_ps(signMask, y), inf, _CMP_NLT_UQ));
    return _mm256_movemask_ps(bad) != 0;
}

VQ_AVX2 __m256 PhaseAngleScalar8(const float* T, __m256 x, __m256 y)
{
    alignas(32) float xs[8], ys[8], rs[8];
    _mm256_store_ps(xs, x);
    _mm256_store_ps(ys, y);
    for (int k = 0; k < 8; ++k) rs[k] = PhaseAngle(T, xs[k], ys[k]);
    return _mm256_load_ps(rs);
}

// The angle from the table index k = trunc(65535 min(a, b) / max(a, b) + 0.5), in single lanes
// (one gather of the eight table entries).
// Finite points give indices 0..65535; the one undefined ratio, 0/0, truncates to 0x80000000,
// which the 0xFFFF mask the callers apply turns into index 0 (T[0] = 0, the scalar result).
VQ_AVX2_INLINE __m256 AngleFromIndex8(const float* T, __m256i idx, __m256 x, __m256 y)
{
    const __m256 signMask = _mm256_set1_ps(-0.0f);
    const __m256 swap =
        _mm256_cmp_ps(_mm256_andnot_ps(signMask, y), _mm256_andnot_ps(signMask, x), _CMP_GT_OQ);
    const __m256 t = _mm256_i32gather_ps(T, idx, 4);
    __m256 r = _mm256_blendv_ps(t, _mm256_sub_ps(_mm256_set1_ps(HalfPi), t), swap);
    const __m256 xNeg = _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_LT_OQ);
    r = _mm256_blendv_ps(r, _mm256_sub_ps(_mm256_set1_ps(PiF), r), xNeg);
    const __m256 yNeg = _mm256_cmp_ps(y, _mm256_setzero_ps(), _CMP_LT_OQ);
    return _mm256_xor_ps(r, _mm256_and_ps(yNeg, signMask));
}

// The index of AngleFromIndex8 with the ratio in two halves of four double lanes.
VQ_AVX2_INLINE __m256i AngleIndexAvx2(__m256 x, __m256 y)
{
    const __m256 signMask = _mm256_set1_ps(-0.0f);
    const __m256 a = _mm256_andnot_ps(signMask, x);
    const __m256 b = _mm256_andnot_ps(signMask, y);
    const __m256 num = _mm256_min_ps(a, b);
    const __m256 den = _mm256_max_ps(a, b);
    const __m256d scale = _mm256_set1_pd(65535.0);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m128i mask = _mm_set1_epi32(0xFFFF);
    __m128i idx[2];
    for (int h = 0; h < 2; ++h) {
        const __m128 n4 = h ? _mm256_extractf128_ps(num, 1) : _mm256_castps256_ps128(num);
        const __m128 d4 = h ? _mm256_extractf128_ps(den, 1) : _mm256_castps256_ps128(den);
        const __m256d q = _mm256_add_pd(
            _mm256_div_pd(_mm256_mul_pd(scale, _mm256_cvtps_pd(n4)), _mm256_cvtps_pd(d4)), half);
        idx[h] = _mm_and_si128(_mm256_cvttpd_epi32(q), mask);
    }
    return _mm256_set_m128i(idx[1], idx[0]);
}

VQ_AVX2 void FmAvx2(const float* I, const float* Q, float gain, double fmScale, const float* T,
                    float* out)
{
    const __m256d scale = _mm256_set1_pd(FmOutScale * fmScale);
    const __m256d g = _mm256_set1_pd(gain);
    for (int i = 0; i < BlockCount; i += 8) {
        __m128 re[2], im[2];
        for (int h = 0; h < 2; ++h) {
            const int m = FmFirst + i + 4 * h;
            const __m256d i0 = _mm256_cvtps_pd(_mm_loadu_ps(I + m));
            const __m256d i1 = _mm256_cvtps_pd(_mm_loadu_ps(I + m + 1));
            const __m256d q0 = _mm256_cvtps_pd(_mm_loadu_ps(Q + m));
            const __m256d q1 = _mm256_cvtps_pd(_mm_loadu_ps(Q + m + 1));
            re[h] = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(i0, i1), _mm256_mul_pd(q0, q1)));
            im[h] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(i0, q1), _mm256_mul_pd(i1, q0)));
        }
        const __m256 x = _mm256_set_m128(re[1], re[0]);
        const __m256 y = _mm256_set_m128(im[1], im[0]);
        __m256 r;
        if (AnyNonFinite8(x, y)) {
            r = PhaseAngleScalar8(T, x, y);
        } else {
            r = AngleFromIndex8(T, AngleIndexAvx2(x, y), x, y);
        }
        for (int h = 0; h < 2; ++h) {
            const __m256d d =
                _mm256_cvtps_pd(h ? _mm256_extractf128_ps(r, 1) : _mm256_castps256_ps128(r));
            _mm_storeu_ps(out + i + 4 * h,
                          _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_mul_pd(scale, d), g)));
        }
    }
}

// The same with eight double lanes per register where the CPU has AVX-512 (half the
// instructions for the double-precision part).
// Full-mask forms of the conversions: the plain ones start from an "undefined" register that
// GCC 12 warns about.
VQ_AVX512_INLINE __m512d Widen8(__m256 v) { return _mm512_maskz_cvtps_pd(0xFF, v); }

VQ_AVX512_INLINE __m256 Narrow8(__m512d v) { return _mm512_maskz_cvtpd_ps(0xFF, v); }

VQ_AVX512 void FmAvx512(const float* I, const float* Q, float gain, double fmScale,
                        const float* T, float* out)
{
    const __m512d scale = _mm512_set1_pd(FmOutScale * fmScale);
    const __m512d g = _mm512_set1_pd(gain);
    const __m256 signMask = _mm256_set1_ps(-0.0f);
    const __m512d k65535 = _mm512_set1_pd(65535.0);
    const __m512d half = _mm512_set1_pd(0.5);
    const __m256i mask = _mm256_set1_epi32(0xFFFF);
    // I[m + 1 ..] and Q[m + 1 ..] are the widened I[m ..], Q[m ..] moved on by one lane, the
    // last lane taken from the next group (read up to entry 4135 of the 4158).
    __m512d iNext = Widen8(_mm256_loadu_ps(I + FmFirst));
    __m512d qNext = Widen8(_mm256_loadu_ps(Q + FmFirst));
    for (int i = 0; i < BlockCount; i += 8) {
        const int m = FmFirst + i;
        const __m512d i0 = iNext, q0 = qNext;
        iNext = Widen8(_mm256_loadu_ps(I + m + 8));
        qNext = Widen8(_mm256_loadu_ps(Q + m + 8));
        const __m512d i1 = _mm512_castsi512_pd(_mm512_maskz_alignr_epi64(
            0xFF, _mm512_castpd_si512(iNext), _mm512_castpd_si512(i0), 1));
        const __m512d q1 = _mm512_castsi512_pd(_mm512_maskz_alignr_epi64(
            0xFF, _mm512_castpd_si512(qNext), _mm512_castpd_si512(q0), 1));
        // Products of two floats are exact in double, so fusing one of them into the sum
        // rounds exactly as the separate multiply and add.
        const __m256 x = Narrow8(_mm512_fmadd_pd(i0, i1, _mm512_mul_pd(q0, q1)));
        const __m256 y = Narrow8(_mm512_fmsub_pd(i0, q1, _mm512_mul_pd(i1, q0)));
        __m256 r;
        // Infinity or NaN in x or y (class bits: QNaN, +inf, -inf, SNaN).
        if ((_mm256_fpclass_ps_mask(x, 0x99) | _mm256_fpclass_ps_mask(y, 0x99)) != 0) {
            r = PhaseAngleScalar8(T, x, y);
        } else {
            // The index of AngleFromIndex8 with the ratio in one register of eight doubles.
            const __m256 a = _mm256_andnot_ps(signMask, x);
            const __m256 b = _mm256_andnot_ps(signMask, y);
            const __m512d q =
                _mm512_add_pd(_mm512_div_pd(_mm512_mul_pd(k65535, Widen8(_mm256_min_ps(a, b))),
                                            Widen8(_mm256_max_ps(a, b))),
                              half);
            r = AngleFromIndex8(T, _mm256_and_si256(_mm512_maskz_cvttpd_epi32(0xFF, q), mask), x,
                                y);
        }
        _mm256_storeu_ps(out + i, Narrow8(_mm512_mul_pd(_mm512_mul_pd(scale, Widen8(r)), g)));
    }
}
#endif

}  // namespace

void DemodulateAm(const float* I, const float* Q, float gain, float* out4096,
                  [[maybe_unused]] SimdKernel kernel)
{
#ifdef VQ_X86
    // The envelope has no wider path: AVX-512 machines take the AVX2 one.
    if (ResolveSimdKernel(kernel) != SimdKernel::Portable) {
        AmAvx2(I, Q, gain, out4096);
        return;
    }
#endif
    AmScalar(I, Q, gain, out4096);
}

void DemodulateFm(const float* I, const float* Q, float gain, double fmScale, const float* T,
                  float* out4096, SimdKernel kernel)
{
    switch (ResolveSimdKernel(kernel)) {
#ifdef VQ_X86
        case SimdKernel::Avx512:
            FmAvx512(I, Q, gain, fmScale, T, out4096);
            return;
        case SimdKernel::Avx2:
            FmAvx2(I, Q, gain, fmScale, T, out4096);
            return;
#endif
        default:
            FmScalar(I, Q, gain, fmScale, T, out4096);
            return;
    }
}
