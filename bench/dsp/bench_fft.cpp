#include "dsp/BandPass.h"
#include "dsp/Fft.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<float> Noise(int count, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-20000.0f, 20000.0f);
    std::vector<float> v(count);
    for (float& f : v)
        f = dist(gen);
    return v;
}

void BM_RealFft(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    const std::vector<float> x = Noise(N + 1, 1);
    std::vector<float> re(N / 2 + 1), im(N / 2 + 1);
    for (auto _ : state) {
        RealFft(x.data(), re.data(), im.data(), N);
        benchmark::DoNotOptimize(re.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RealFft)->Arg(512)->Arg(2048);

void BM_RealFftPlain(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    const std::vector<float> x = Noise(N + 1, 1);
    std::vector<float> re(N / 2 + 1), im(N / 2 + 1);
    for (auto _ : state) {
        RealFftPlain(x.data(), re.data(), im.data(), N);
        benchmark::DoNotOptimize(re.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RealFftPlain)->Arg(2048);

void BM_InverseRealFft(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    const std::vector<float> x = Noise(N + 1, 2);
    std::vector<float> re(N / 2 + 1), im(N / 2 + 1), re0(N / 2 + 1), im0(N / 2 + 1), out(N + 1);
    RealFft(x.data(), re0.data(), im0.data(), N);
    for (auto _ : state) {
        // The inverse destroys its input: restore it each time (a copy of 2 x N/2 floats).
        re = re0;
        im = im0;
        InverseRealFft(out.data(), re.data(), im.data(), N);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_InverseRealFft)->Arg(2048);

// One FM quarter: 1024 samples -> forward 2048, products, inverse 2048, overlap-add.
void BM_FmQuarter(benchmark::State& state)
{
    static FmBand band;
    static FmScratch scratch;
    DesignBandPass(band, 1024, 16250.0f / 44100.0f, 17750.0f / 44100.0f);
    const std::vector<float> in = Noise(FmQuarter, 3);
    std::vector<float> out(FmQuarter), tail(FmQuarter, 0.0f);
    for (auto _ : state) {
        FmOverlapAddQuarter(in.data(), band, tail.data(), out.data(), scratch);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FmQuarter);

// The FM band separation of one block: 4 quarters x 2 channels, one channel after the other
// or (shared) both channels' quarters at once with one forward transform, as the chain runs it.
void FmBandSeparation(benchmark::State& state, bool shared)
{
    static FmBand band1, band2;
    static FmScratch scratch;
    DesignBandPass(band1, 1024, 18395.0f / 44100.0f, 19895.0f / 44100.0f);
    DesignBandPass(band2, 1024, 15315.0f / 44100.0f, 16815.0f / 44100.0f);
    const std::vector<float> in = Noise(4096, 4);
    std::vector<float> out1(4096), out2(4096), tail1(FmQuarter, 0.0f), tail2(FmQuarter, 0.0f);
    for (auto _ : state) {
        for (int q = 0; q < 4; ++q) {
            const int at = q * FmQuarter;
            if (shared) {
                FmOverlapAddQuarterPair(in.data() + at, band1, tail1.data(), out1.data() + at,
                                        band2, tail2.data(), out2.data() + at, scratch);
            } else {
                FmOverlapAddQuarter(in.data() + at, band1, tail1.data(), out1.data() + at,
                                    scratch);
                FmOverlapAddQuarter(in.data() + at, band2, tail2.data(), out2.data() + at,
                                    scratch);
            }
        }
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
        benchmark::ClobberMemory();
    }
}
void BM_FmBandSeparationBlock(benchmark::State& state) { FmBandSeparation(state, false); }
void BM_FmBandSeparationBlockPair(benchmark::State& state) { FmBandSeparation(state, true); }
BENCHMARK(BM_FmBandSeparationBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FmBandSeparationBlockPair)->Unit(benchmark::kMicrosecond);

void BM_PowerSpectrum512(benchmark::State& state)
{
    float window[Hamming512Size];
    BuildHamming512(window);
    std::vector<int32_t> trace(512);
    for (int i = 0; i < 512; ++i)
        trace[i] = static_cast<int32_t>(3000.0 * std::sin(i * 0.3));
    std::vector<float> work(513), re(257), im(257);
    for (auto _ : state) {
        PowerSpectrum(trace.data(), 0, window, work.data(), re.data(), im.data(), 512);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PowerSpectrum512);

} // namespace
