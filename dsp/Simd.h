#pragma once
// What the vector kernels share: the x86 intrinsics where the target has them and the
// attributes that compile one function for one instruction set (the rest of the library stays
// at the baseline, so the program runs on any x86-64).

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VQ_X86 1
#endif

#define VQ_INLINE inline __attribute__((always_inline))

#define VQ_TARGET_AVX2 "avx2,fma"
#define VQ_TARGET_AVX512 "avx2,fma,avx512f,avx512vl,avx512dq,avx512bw"
#define VQ_AVX2 __attribute__((target(VQ_TARGET_AVX2)))
#define VQ_AVX512 __attribute__((target(VQ_TARGET_AVX512)))
#define VQ_AVX2_INLINE __attribute__((target(VQ_TARGET_AVX2), always_inline)) inline
#define VQ_AVX512_INLINE __attribute__((target(VQ_TARGET_AVX512), always_inline)) inline

// Everything defined between VQ_BEGIN_AVX2 (or VQ_BEGIN_AVX512) and VQ_END_TARGET is compiled for
// that instruction set, templates included.
#define VQ_PRAGMA_TEXT(x) _Pragma(#x)
#define VQ_PRAGMA(x) VQ_PRAGMA_TEXT(x)
#define VQ_BEGIN_AVX2 VQ_PRAGMA(GCC push_options) VQ_PRAGMA(GCC target(VQ_TARGET_AVX2))
#define VQ_BEGIN_AVX512 VQ_PRAGMA(GCC push_options) VQ_PRAGMA(GCC target(VQ_TARGET_AVX512))
#define VQ_END_TARGET VQ_PRAGMA(GCC pop_options)

#ifdef VQ_X86
// The loads, stores and arithmetic of a vector type for FftVector.h: floats F with the
// intrinsics FP##_..._ps, doubles R with RP##_..._pd, all with the function attribute ATTR.
#define VQ_VECTOR_OPS(ATTR, FP, RP)                                                                \
    static ATTR F Load(const float* p) { return FP##_loadu_ps(p); }                               \
    static ATTR R Load(const double* p) { return RP##_loadu_pd(p); }                              \
    static ATTR void Store(float* p, F v) { FP##_storeu_ps(p, v); }                               \
    static ATTR F Set(float v) { return FP##_set1_ps(v); }                                        \
    static ATTR F Add(F a, F b) { return FP##_add_ps(a, b); }                                     \
    static ATTR F Sub(F a, F b) { return FP##_sub_ps(a, b); }                                     \
    static ATTR F Mul(F a, F b) { return FP##_mul_ps(a, b); }                                     \
    static ATTR R Add(R a, R b) { return RP##_add_pd(a, b); }                                     \
    static ATTR R Sub(R a, R b) { return RP##_sub_pd(a, b); }                                     \
    static ATTR R Mul(R a, R b) { return RP##_mul_pd(a, b); }

// a0 b0 a1 b1 a2 b2 a3 b3 into lo, a4 b4 .. a7 b7 into hi.
VQ_AVX2_INLINE void Interleave8(__m256 a, __m256 b, __m256& lo, __m256& hi)
{
    const __m256 t0 = _mm256_unpacklo_ps(a, b), t1 = _mm256_unpackhi_ps(a, b);
    lo = _mm256_permute2f128_ps(t0, t1, 0x20);
    hi = _mm256_permute2f128_ps(t0, t1, 0x31);
}

// 8 x 8 transpose: r[c] receives column c of the rows r[0..7].
VQ_AVX2_INLINE void Transpose8x8(__m256 r[8])
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
#endif
