#include "dsp/SimdKernel.h"

#include "dsp/Simd.h"

bool SimdKernelAvailable(SimdKernel kernel)
{
    switch (kernel) {
#ifdef VQ_X86
    case SimdKernel::Avx2: return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case SimdKernel::Avx512:
        return SimdKernelAvailable(SimdKernel::Avx2) && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512bw");
#else
    case SimdKernel::Avx2:
    case SimdKernel::Avx512: return false;
#endif
    default: return true;
    }
}

SimdKernel ResolveSimdKernel(SimdKernel kernel)
{
    if (kernel == SimdKernel::Auto) {
        if (SimdKernelAvailable(SimdKernel::Avx512))
            return SimdKernel::Avx512;
        if (SimdKernelAvailable(SimdKernel::Avx2))
            return SimdKernel::Avx2;
        return SimdKernel::Portable;
    }
    return SimdKernelAvailable(kernel) ? kernel : SimdKernel::Portable;
}
