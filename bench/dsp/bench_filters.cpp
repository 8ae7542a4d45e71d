// Filtering kernels of one block (4096 samples at 44100 Hz, both channels where the chain runs
// two). Real time for one block is 92.88 ms.
#include "dsp/Demod.h"
#include "dsp/Fir.h"
#include "dsp/Iir.h"
#include "bench/support/KernelContext.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<float> Signal(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-3000.0f, 3000.0f);
    std::vector<float> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = static_cast<float>(8000.0 * std::sin(2.0 * M_PI * 19145.0 * i / 44100.0)) + d(rng);
    return v;
}

struct AmBand {
    IirCoefficients lp1, hp1, lp2, hp2;
    IirState st1[6]{}, st2[6]{};
    IirSection c1[6], c2[6];
    AmBand()
    {
        CalcIir(lp1, 0.5f, static_cast<float>(19645.0 / 44100.0), 4, 0, 1);
        CalcIir(hp1, 0.5f, static_cast<float>(18645.0 / 44100.0), 4, 1, 1);
        CalcIir(lp2, 0.5f, static_cast<float>(16565.0 / 44100.0), 4, 0, 1);
        CalcIir(hp2, 0.5f, static_cast<float>(15565.0 / 44100.0), 4, 1, 1);
        const IirCoefficients* s1[6] = {&lp1, &lp1, &hp1, &hp1, &lp1, &hp1};
        const IirCoefficients* s2[6] = {&lp2, &lp2, &hp2, &hp2, &lp2, &hp2};
        for (int s = 0; s < 6; ++s) {
            c1[s] = {s1[s], &st1[s]};
            c2[s] = {s2[s], &st2[s]};
        }
    }
};

void BM_Decim1FirPlainLoop(benchmark::State& state)
{
    const std::vector<float> in = Signal(4197, 1);
    std::vector<float> out(4197);
    for (auto _ : state) {
        FirFilterPlain(in.data(), out.data(), Decim1Taps, 4197);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Decim1FirPlainLoop)->Unit(benchmark::kMicrosecond);

// FirFilter over the whole first-decimation buffer (all 4197 outputs).
void BM_Decim1FirFilterAll(benchmark::State& state)
{
    const std::vector<float> in = Signal(4197, 1);
    std::vector<float> out(4197);
    for (auto _ : state) {
        FirFilter(in.data(), out.data(), Decim1Taps, 4197);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Decim1FirFilterAll)->Unit(benchmark::kMicrosecond);

// Only the 256 outputs the decimation keeps, as the chain runs it.
void BM_Decim1FirStrided(benchmark::State& state)
{
    const std::vector<float> in = Signal(4197, 1);
    std::vector<float> out(256);
    for (auto _ : state) {
        FirFilterStrided(in.data(), out.data(), Decim1Taps, 4197, 51, 16, 256);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Decim1FirStrided)->Unit(benchmark::kMicrosecond);

void BM_Decim2FirStrided(benchmark::State& state)
{
    const std::vector<float> in = Signal(357, 2);
    std::vector<float> out(32);
    for (auto _ : state) {
        FirFilterStrided(in.data(), out.data(), Decim2Taps, 357, 51, 8, 32);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Decim2FirStrided)->Unit(benchmark::kMicrosecond);

void BM_QuadratureFirFilterAll(benchmark::State& state)
{
    const std::vector<float> in = Signal(4158, 3);
    std::vector<float> out(4158);
    for (auto _ : state) {
        FirFilter(in.data(), out.data(), QuadratureTaps, 4158);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_QuadratureFirFilterAll)->Unit(benchmark::kMicrosecond);

void BM_QuadratureFirFast(benchmark::State& state)
{
    // Entries 31..4129, all the demodulators read.
    const std::vector<float> in = Signal(4158, 3);
    std::vector<float> out(4158);
    for (auto _ : state) {
        FirFilterStrided(in.data(), out.data() + 31, QuadratureTaps, 4158, 31, 1, 4099);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_QuadratureFirFast)->Unit(benchmark::kMicrosecond);

void BM_IirFilter4x4096(benchmark::State& state)
{
    AmBand band;
    const std::vector<float> in = Signal(4096, 4);
    std::vector<float> out(4096);
    for (auto _ : state) {
        IirFilter4(in.data(), out.data(), 4096, band.st1[0], band.lp1);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_IirFilter4x4096)->Unit(benchmark::kMicrosecond);

void BM_AmBandSectionBySection(benchmark::State& state)
{
    // 12 IirFilter4 runs of 4096: six sections per channel.
    AmBand band;
    const std::vector<float> in = Signal(4096, 5);
    std::vector<float> o1(4096), o2(4096);
    for (auto _ : state) {
        IirFilter4(in.data(), o1.data(), 4096, *band.c1[0].state, *band.c1[0].set);
        IirFilter4(in.data(), o2.data(), 4096, *band.c2[0].state, *band.c2[0].set);
        for (int s = 1; s < 6; ++s) {
            IirFilter4(o1.data(), o1.data(), 4096, *band.c1[s].state, *band.c1[s].set);
            IirFilter4(o2.data(), o2.data(), 4096, *band.c2[s].state, *band.c2[s].set);
        }
        benchmark::DoNotOptimize(o1.data());
        benchmark::DoNotOptimize(o2.data());
    }
}
BENCHMARK(BM_AmBandSectionBySection)->Unit(benchmark::kMicrosecond);

void BM_AmBandCascadePair(benchmark::State& state)
{
    // Arg: 0 the CPU's best, 2 AVX2, 3 AVX-512 (SimdKernel order).
    const SimdKernel kernel = static_cast<SimdKernel>(state.range(0));
    if (!SimdKernelAvailable(kernel)) {
        state.SkipWithError("kernel not available on this CPU");
        return;
    }
    AmBand band;
    const std::vector<float> in = Signal(4096, 5);
    std::vector<float> o1(4096), o2(4096);
    for (auto _ : state) {
        IirCascadePair(in.data(), o1.data(), band.c1, in.data(), o2.data(), band.c2, 6, 4096,
                       kernel);
        benchmark::DoNotOptimize(o1.data());
        benchmark::DoNotOptimize(o2.data());
    }
}
BENCHMARK(BM_AmBandCascadePair)->Arg(0)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_PhaseAngleX8192(benchmark::State& state)
{
    std::vector<float> T(AtanTableSize);
    BuildAtanTable(T.data());
    const std::vector<float> x = Signal(8192, 6), y = Signal(8192, 7);
    for (auto _ : state) {
        float acc = 0.0f;
        for (int i = 0; i < 8192; ++i) acc += PhaseAngle(T.data(), x[i], y[i]);
        benchmark::DoNotOptimize(acc);
    }
}
BENCHMARK(BM_PhaseAngleX8192)->Unit(benchmark::kMicrosecond);

void BM_DemodulateFmTwoChannels(benchmark::State& state)
{
    std::vector<float> T(AtanTableSize);
    BuildAtanTable(T.data());
    const std::vector<float> I = Signal(4158, 8);
    std::vector<float> Q(4158), out(4096);
    FirFilter(I.data(), Q.data(), QuadratureTaps, 4158);
    for (auto _ : state) {
        DemodulateFm(I.data(), Q.data(), 1.0f, 7018.73299, T.data(), out.data());
        DemodulateFm(I.data(), Q.data(), 1.0f, 7018.73299, T.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_DemodulateFmTwoChannels)->Unit(benchmark::kMicrosecond);

void BM_DemodulateAmTwoChannels(benchmark::State& state)
{
    const std::vector<float> I = Signal(4158, 9);
    std::vector<float> Q(4158), out(4096);
    FirFilter(I.data(), Q.data(), QuadratureTaps, 4158);
    for (auto _ : state) {
        DemodulateAm(I.data(), Q.data(), 1.0f, out.data());
        DemodulateAm(I.data(), Q.data(), 1.0f, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_DemodulateAmTwoChannels)->Unit(benchmark::kMicrosecond);

// Everything of this unit one AM block needs, both channels: band sections, quadrature filter,
// envelope, both decimations and the post filter.
void BM_FilterKernelsAmBlock(benchmark::State& state)
{
    AmBand band;
    const std::vector<float> in = Signal(4096, 10);
    std::vector<float> I1(4158, 0.0f), I2(4158, 0.0f), Q1(4158), Q2(4158);
    std::vector<float> d1(4197, 0.0f), d2(4197, 0.0f), e1(357, 0.0f), e2(357, 0.0f);
    std::vector<float> out1(32), out2(32);
    IirCoefficients smooth;
    CalcIir(smooth, 0.5f, 0.075f, 4, 0, 1);
    IirState p1[2]{}, p2[2]{};
    for (auto _ : state) {
        IirCascadePair(in.data(), I1.data() + 62, band.c1, in.data(), I2.data() + 62, band.c2, 6,
                       4096);
        FirFilterStrided(I1.data(), Q1.data() + 31, QuadratureTaps, 4158, 31, 1, 4099);
        FirFilterStrided(I2.data(), Q2.data() + 31, QuadratureTaps, 4158, 31, 1, 4099);
        DemodulateAm(I1.data(), Q1.data(), 1.0f, d1.data() + 101);
        DemodulateAm(I2.data(), Q2.data(), 1.0f, d2.data() + 101);
        FirFilterStrided(d1.data(), e1.data() + 101, Decim1Taps, 4197, 51, 16, 256);
        FirFilterStrided(d2.data(), e2.data() + 101, Decim1Taps, 4197, 51, 16, 256);
        FirFilterStrided(e1.data(), out1.data(), Decim2Taps, 357, 51, 8, 32);
        FirFilterStrided(e2.data(), out2.data(), Decim2Taps, 357, 51, 8, 32);
        IirFilter4(out1.data(), out1.data(), 32, p1[0], smooth);
        IirFilter4(out1.data(), out1.data(), 32, p1[1], smooth);
        IirFilter4(out2.data(), out2.data(), 32, p2[0], smooth);
        IirFilter4(out2.data(), out2.data(), 32, p2[1], smooth);
        benchmark::DoNotOptimize(out1.data());
        benchmark::DoNotOptimize(out2.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(92.88e-3, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FilterKernelsAmBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
