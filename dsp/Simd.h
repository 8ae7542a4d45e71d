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

#ifdef VQ_X86
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
