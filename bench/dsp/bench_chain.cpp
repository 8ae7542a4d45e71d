// One block (4096 frames, 92.88 ms of sound) through the whole chain, both channels.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "tests/support/ChainInput.h"
#include "bench/support/KernelContext.h"

namespace {

constexpr double BlockSeconds = 4096.0 / 44100.0;  // 92.88 ms
constexpr int InputBlocks = 8;

// Eight consecutive blocks of the two default carriers, 10 Hz and 6 Hz tones.
std::vector<int32_t> TwoCarrierBlocks(bool fm)
{
    std::vector<int32_t> out(InputBlocks * BlockFrames);
    velquor_test::TwoCarrierSource source(fm);
    for (int b = 0; b < InputBlocks; ++b)
        source.Fill(out.data() + b * BlockFrames);
    return out;
}

void ChainBlock(benchmark::State& bench, bool fm)
{
    auto state = velquor_test::ReadyChainState(fm);
    const std::vector<int32_t> input = TwoCarrierBlocks(fm);
    BlockReport report;
    int block = 0;
    for (auto _ : bench) {
        std::memcpy(state->BlockSamples, input.data() + 4096 * block, 4096 * sizeof(int32_t));
        block = (block + 1) % InputBlocks;
        ProcessBlock(*state, report);
        benchmark::DoNotOptimize(state->Chan1Trace);
        benchmark::ClobberMemory();
    }
    // Seconds of sound per second of processing.
    bench.counters["realtime_factor"] =
        benchmark::Counter(BlockSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// One stage of the chain for both channels, to show where a block's time goes.
enum class Stage { Band, Demodulate, Decimate, Finish };

void ChainStage(benchmark::State& bench, bool fm, Stage stage)
{
    auto state = velquor_test::ReadyChainState(fm);
    const std::vector<int32_t> input = TwoCarrierBlocks(fm);
    BlockReport report;
    std::memcpy(state->BlockSamples, input.data(), 4096 * sizeof(int32_t));
    ProcessBlock(*state, report);  // fills BlockFloat and every stage's input
    for (auto _ : bench) {
        if (stage == Stage::Band)
            SeparateBands(*state);  // both channels together, as ProcessBlock runs them
        for (int ch = 1; ch <= 2; ++ch) {
            switch (stage) {
            case Stage::Band: break;
            case Stage::Demodulate: Demodulate(*state, ch); break;
            case Stage::Decimate: Decimate(*state, ch); break;
            case Stage::Finish: FinishChannel(*state, ch); break;
            }
        }
        benchmark::ClobberMemory();
    }
}

void BM_ChainBlockAm(benchmark::State& bench) { ChainBlock(bench, false); }
void BM_ChainBlockFm(benchmark::State& bench) { ChainBlock(bench, true); }

}  // namespace

BENCHMARK(BM_ChainBlockAm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChainBlockFm)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, BandAm, false, Stage::Band)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, BandFm, true, Stage::Band)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, QuadratureDemodAm, false, Stage::Demodulate)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, QuadratureDemodFm, true, Stage::Demodulate)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, Decimate, false, Stage::Decimate)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ChainStage, Finish, false, Stage::Finish)->Unit(benchmark::kMicrosecond);
