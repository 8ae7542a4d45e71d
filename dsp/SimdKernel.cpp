#include "dsp/SimdKernel.h"

#include "dsp/Simd.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

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

namespace {

SimdKernel Widest()
{
    if (SimdKernelAvailable(SimdKernel::Avx512))
        return SimdKernel::Avx512;
    if (SimdKernelAvailable(SimdKernel::Avx2))
        return SimdKernel::Avx2;
    return SimdKernel::Portable;
}

SimdKernel Automatic()
{
    const char* name = std::getenv("VELQUOR_KERNEL");
    const SimdKernel asked = name ? SimdKernelFromName(name) : SimdKernel::Auto;
    return asked == SimdKernel::Auto ? Widest() : ResolveSimdKernel(asked);
}

} // namespace

SimdKernel ResolveSimdKernel(SimdKernel kernel)
{
    if (kernel == SimdKernel::Auto) {
        static const SimdKernel automatic = Automatic();
        return automatic;
    }
    return SimdKernelAvailable(kernel) ? kernel : SimdKernel::Portable;
}

const char* SimdKernelName(SimdKernel kernel)
{
    switch (kernel) {
    case SimdKernel::Portable: return "portable";
    case SimdKernel::Avx2: return "avx2";
    case SimdKernel::Avx512: return "avx512";
    default: return "auto";
    }
}

SimdKernel SimdKernelFromName(const char* name)
{
    for (SimdKernel k : {SimdKernel::Portable, SimdKernel::Avx2, SimdKernel::Avx512})
        if (name && std::strcmp(name, SimdKernelName(k)) == 0)
            return k;
    return SimdKernel::Auto;
}
