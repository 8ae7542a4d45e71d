#pragma once
// The context lines every benchmark that runs the processing prints at its top: the vector
// kernel the chain runs with (VELQUOR_KERNEL=portable|avx2|avx512 picks one the CPU has) and the
// CPU model, so that a figure never goes without both.

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "dsp/SimdKernel.h"

namespace velquor_bench {

// "model name, family F, model M" from /proc/cpuinfo; "unknown" where there is none.
inline std::string CpuModel()
{
    std::ifstream info("/proc/cpuinfo");
    std::string line, name, family, model;
    auto value = [&line] { return line.substr(line.find(':') + 2); };
    while (std::getline(info, line) && (name.empty() || family.empty() || model.empty())) {
        if (line.rfind("model name", 0) == 0)
            name = value();
        else if (line.rfind("cpu family", 0) == 0)
            family = value();
        else if (line.rfind("model\t", 0) == 0)
            model = value();
    }
    if (name.empty())
        return "unknown";
    return name + " (family " + family + ", model " + model + ")";
}

inline const bool KernelContextAdded = [] {
    benchmark::AddCustomContext("simd_kernel",
                                SimdKernelName(ResolveSimdKernel(SimdKernel::Auto)));
    benchmark::AddCustomContext("cpu_model", CpuModel());
    return true;
}();

}  // namespace velquor_bench
