#pragma once
// The instruction set the vector kernels run with (transforms, IIR cascade, FIR filters,
// demodulators). Every kernel gives the same bits as the portable code; the choice changes only
// the speed, so Auto is right for every caller. The others exist for tests and benchmarks.

enum class SimdKernel { Auto, Portable, Avx2, Avx512 };

// True when this CPU (and this build) runs the kernel; Auto and Portable always. Avx2 means
// AVX2 with FMA; Avx512 adds AVX-512 F, VL, DQ and BW.
bool SimdKernelAvailable(SimdKernel kernel);

// The kernel a request runs with: Auto becomes the one named by the environment variable
// VELQUOR_KERNEL (portable, avx2 or avx512; read once), else the widest available; a kernel the
// CPU lacks, asked for either way, becomes Portable. The variable exists to measure what a CPU
// without the wider instruction sets gets; users never need it.
SimdKernel ResolveSimdKernel(SimdKernel kernel);

// "auto", "portable", "avx2", "avx512"; and back (anything else gives Auto).
const char* SimdKernelName(SimdKernel kernel);
SimdKernel SimdKernelFromName(const char* name);

// Every request, for the tests and benchmarks that go through them all.
inline constexpr SimdKernel AllSimdKernels[] = {SimdKernel::Auto, SimdKernel::Portable,
                                                SimdKernel::Avx2, SimdKernel::Avx512};
