// The soak run: the acquisition loop on a looping WAVE input for many blocks as fast as it
// goes, with both panes redrawn after every block as the window does, reporting resident
// memory at the start and the end of the run and the blocks per second.
//
// VELQUOR_SOAK_BLOCKS sets the block count (default 3000, about 4.6 minutes of sound, so
// that `make bench` stays short); 310000 blocks are 8 hours of sound:
//   VELQUOR_SOAK_BLOCKS=310000 build/bench/bench_soak

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/WaveFile.h"
#include "acquisition/WaveInFactory.h"
#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "dsp/Designs.h"
#include "dsp/ProcessingState.h"
#include "dsp/SignalGenerator.h"
#include "bench/support/DemoRecording.h"
#include "bench/support/KernelContext.h"

namespace {

constexpr double BlockSeconds = 4096.0 / 44100.0;
constexpr long DefaultBlocks = 3000;
// Memory at the start is taken once the loop has run this many blocks: by then every
// buffer, image and font cache of the steady state exists.
constexpr long WarmUpBlocks = 200;

long SoakBlocks()
{
    const char* text = std::getenv("VELQUOR_SOAK_BLOCKS");
    if (!text || !*text) return DefaultBlocks;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return (*end == '\0' && n > WarmUpBlocks) ? n : DefaultBlocks;
}

// Resident set size in KiB (second field of /proc/self/statm, in pages).
double ResidentKiB()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long size = 0;
    long resident = 0;
    const int got = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return got == 2 ? double(resident) * double(::sysconf(_SC_PAGESIZE)) / 1024.0 : 0;
}

void BM_Soak(benchmark::State& st)
{
    const int modulation = static_cast<int>(st.range(0));
    const long total = SoakBlocks();
    const velquor_bench::DemoRecording file(modulation == 1 ? SynthModulation::Am : SynthModulation::Fm,
                                             "soak");
    if (!file.Ok()) {
        st.SkipWithError("cannot write the soak input file");
        return;
    }
    std::string error;
    std::unique_ptr<WaveInBackend> input = MakeWaveInBackend("file-loop:" + file.Path(), error);
    if (!input) {
        st.SkipWithError(error.c_str());
        return;
    }

    auto state = std::make_unique<AcquisitionState>();
    auto processing = std::make_unique<ProcessingState>();
    auto display = std::make_unique<DisplayState>();
    ModelControls controls;
    state->ApplyingSettings = false;
    processing->ModulationType = modulation;
    StartupDesigns(*processing);
    ApplyFirstRunPanel(*display, *processing, controls);
    // Both markers on: the marker band-pass and the marker lines take part every block.
    MkrSwitchClick(*display, *processing, true);
    display->Settings.Marker1Pos = 330;
    display->Settings.Marker2Pos = 250;

    HeadlessHost host;
    long blocks = 0;
    double rssStart = 0;
    auto clockStart = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    host.OnBlock = [&](const BlockReport&) {
        RedrawPanes(*display, *processing);
        benchmark::DoNotOptimize(display->SpectrumImage.Image().constBits());
        if (++blocks == WarmUpBlocks) {
            rssStart = ResidentKiB();
            clockStart = std::chrono::steady_clock::now();
            cpuStart = std::clock();
        }
        if (blocks >= total) state->AcquisitionIdle = true;
    };
    AcquisitionLoop loop(*state, *processing, host, *input);
    ConnectTimers(host, loop);

    for (auto _ : st) {
        loop.StartBtnClick();
        loop.StopBtnClick();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double rssEnd = ResidentKiB();
    if (!host.Messages.empty()) st.SkipWithError(host.Messages.front().Text.c_str());
    if (blocks < total) st.SkipWithError("the loop stopped before the block count");

    const double timed = double(blocks - WarmUpBlocks);
    st.counters["blocks"] = double(blocks);
    st.counters["hours_of_sound"] = double(blocks) * BlockSeconds / 3600.0;
    st.counters["blocks_per_s"] = seconds > 0 ? timed / seconds : 0;
    // On a shared machine the wall clock counts other programs' turns too.
    st.counters["blocks_per_cpu_s"] = cpuSeconds > 0 ? timed / cpuSeconds : 0;
    st.counters["realtime_factor"] = seconds > 0 ? timed * BlockSeconds / seconds : 0;
    st.counters["rss_start_KiB"] = rssStart;
    st.counters["rss_end_KiB"] = rssEnd;
    st.counters["rss_growth_KiB"] = rssEnd - rssStart;
}
BENCHMARK(BM_Soak)->Arg(1)->Arg(2)->ArgName("mod")->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
