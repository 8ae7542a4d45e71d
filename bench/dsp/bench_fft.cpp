#include "dsp/BandPass.h"
#include "dsp/Fft.h"
#include "bench/support/KernelContext.h"

#include <benchmark/benchmark.h>
#ifdef VELQUOR_BENCH_FFTW
#include <fftw3.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
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

// Our transforms beside FFTW's (the yardstick: single precision r2c / c2r, FFTW_MEASURE plans,
// same lengths, same input). The inverse destroys its input in both, so both restore it each
// time (a copy of N/2 complex values).
struct OursForward {
    explicit OursForward(int N, SimdKernel kernel = SimdKernel::Auto)
        : N(N), kernel(kernel), x(Noise(N + 1, 1)), re(N / 2 + 1), im(N / 2 + 1)
    {
    }
    void Run() { RealFft(x.data(), re.data(), im.data(), N, kernel); }
    const float* Result() const { return re.data(); }
    int N;
    SimdKernel kernel;
    std::vector<float> x, re, im;
};

struct OursInverse {
    explicit OursInverse(int N) : N(N), re(N / 2 + 1), im(N / 2 + 1), re0(N / 2 + 1),
                                  im0(N / 2 + 1), out(N + 1)
    {
        const std::vector<float> x = Noise(N + 1, 2);
        RealFft(x.data(), re0.data(), im0.data(), N);
    }
    void Run()
    {
        std::memcpy(re.data(), re0.data(), re.size() * sizeof(float));
        std::memcpy(im.data(), im0.data(), im.size() * sizeof(float));
        InverseRealFft(out.data(), re.data(), im.data(), N);
    }
    const float* Result() const { return out.data(); }
    int N;
    std::vector<float> re, im, re0, im0, out;
};

template <class Transform> void RunTransform(benchmark::State& state)
{
    Transform t(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        t.Run();
        benchmark::DoNotOptimize(t.Result());
        benchmark::ClobberMemory();
    }
}

void BM_RealFft(benchmark::State& state) { RunTransform<OursForward>(state); }
void BM_InverseRealFft(benchmark::State& state) { RunTransform<OursInverse>(state); }

// Each vector path this CPU runs (arg 1: 1 portable, 2 AVX2, 3 AVX-512).
void BM_RealFftKernel(benchmark::State& state)
{
    const SimdKernel kernel = static_cast<SimdKernel>(state.range(1));
    if (!SimdKernelAvailable(kernel)) {
        state.SkipWithError("kernel not available on this CPU");
        return;
    }
    OursForward t(static_cast<int>(state.range(0)), kernel);
    for (auto _ : state) {
        t.Run();
        benchmark::DoNotOptimize(t.Result());
        benchmark::ClobberMemory();
    }
}

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

#ifdef VELQUOR_BENCH_FFTW
struct FftwForward {
    explicit FftwForward(int N) : N(N)
    {
        in = fftwf_alloc_real(N);
        out = fftwf_alloc_complex(N / 2 + 1);
        plan = fftwf_plan_dft_r2c_1d(N, in, out, FFTW_MEASURE);
        const std::vector<float> x = Noise(N + 1, 1);
        std::memcpy(in, x.data() + 1, N * sizeof(float));  // MEASURE overwrote the arrays
    }
    ~FftwForward()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(in);
        fftwf_free(out);
    }
    void Run() { fftwf_execute(plan); }
    const void* Result() const { return out; }
    int N;
    float* in;
    fftwf_complex* out;
    fftwf_plan plan;
};

struct FftwInverse {
    explicit FftwInverse(int N) : N(N)
    {
        in = fftwf_alloc_complex(N / 2 + 1);
        in0 = fftwf_alloc_complex(N / 2 + 1);
        out = fftwf_alloc_real(N);
        plan = fftwf_plan_dft_c2r_1d(N, in, out, FFTW_MEASURE);
        FftwForward f(N);
        f.Run();
        std::memcpy(in0, f.out, (N / 2 + 1) * sizeof(fftwf_complex));
    }
    ~FftwInverse()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(in);
        fftwf_free(in0);
        fftwf_free(out);
    }
    void Run()
    {
        std::memcpy(in, in0, (N / 2 + 1) * sizeof(fftwf_complex));
        fftwf_execute(plan);
    }
    const void* Result() const { return out; }
    int N;
    fftwf_complex *in, *in0;
    float* out;
    fftwf_plan plan;
};

void BM_FftwR2c(benchmark::State& state) { RunTransform<FftwForward>(state); }
void BM_FftwC2r(benchmark::State& state) { RunTransform<FftwInverse>(state); }

// Ours and FFTW's in alternating short batches within one benchmark, so that both see the same
// load and clock: ours_ns and fftw_ns are the fastest batch of each, ratio the median over the
// iterations of (our batch / FFTW's adjacent batch).
template <class Ours, class Theirs> void RunVersus(benchmark::State& state)
{
    const int N = static_cast<int>(state.range(0));
    Ours ours(N);
    Theirs theirs(N);
    const int batch = N <= 512 ? 16 : 4;
    double bestOurs = 1e30, bestTheirs = 1e30;
    std::vector<double> ratios;
    auto time = [&](auto& t) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < batch; ++i) {
            t.Run();
            benchmark::DoNotOptimize(t.Result());
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double, std::nano> d = std::chrono::steady_clock::now() - start;
        return d.count() / batch;
    };
    for (auto _ : state) {
        const double a = time(ours);
        const double b = time(theirs);
        bestOurs = std::min(bestOurs, a);
        bestTheirs = std::min(bestTheirs, b);
        ratios.push_back(a / b);
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    state.counters["ours_ns"] = bestOurs;
    state.counters["fftw_ns"] = bestTheirs;
    state.counters["ratio"] = ratios[ratios.size() / 2];
}

void BM_RealFftVsFftw(benchmark::State& state) { RunVersus<OursForward, FftwForward>(state); }
void BM_InverseRealFftVsFftw(benchmark::State& state)
{
    RunVersus<OursInverse, FftwInverse>(state);
}
#endif

BENCHMARK(BM_RealFft)->Arg(512)->Arg(2048);
#ifdef VELQUOR_BENCH_FFTW
BENCHMARK(BM_FftwR2c)->Arg(512)->Arg(2048);
#endif
BENCHMARK(BM_InverseRealFft)->Arg(512)->Arg(2048);
#ifdef VELQUOR_BENCH_FFTW
BENCHMARK(BM_FftwC2r)->Arg(512)->Arg(2048);
BENCHMARK(BM_RealFftVsFftw)->Arg(512)->Arg(2048)->MinTime(0.5);
BENCHMARK(BM_InverseRealFftVsFftw)->Arg(512)->Arg(2048)->MinTime(0.5);
#endif
BENCHMARK(BM_RealFftKernel)->ArgsProduct({{512, 2048}, {1, 2, 3}});
BENCHMARK(BM_RealFftPlain)->Arg(2048);

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
