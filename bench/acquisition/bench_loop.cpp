// The acquisition loop over a long WAVE file, file-paced and without drawing: how many blocks
// per second the loop carries from the device through the whole processing chain, and the
// real-time factor (one block is 4096 / 44100 s = 92.88 ms of sound). Also the pace of the
// live demo input, which a test cannot time on a loaded machine.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/AcquisitionLoop.h"
#include "acquisition/CaptureProtocol.h"
#include "acquisition/DemoBackend.h"
#include "acquisition/FileBackend.h"
#include "acquisition/Recorder.h"
#include "acquisition/WaveFile.h"
#include "acquisition/WaveInFactory.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"
#include "bench/support/DemoRecording.h"
#include "bench/support/KernelContext.h"

namespace {

constexpr double BlockSeconds = 4096.0 / 44100.0;
constexpr int BlocksPerRun = 200;          // 18.6 s of sound per iteration

class NoDialogs : public FileDialogs {
public:
    std::string Name;
    bool OpenWave(std::string& name) override
    {
        name = Name;
        return true;
    }
    bool SaveWave(std::string&) override { return false; }
};

struct Rig {
    explicit Rig(int modulation)
        : state(std::make_unique<AcquisitionState>()), processing(std::make_unique<ProcessingState>())
    {
        state->ApplyingSettings = false;
        processing->ModulationType = modulation;
        StartupDesigns(*processing);
        processing->Chan1DemodGain = 0.1f;
        processing->Chan2DemodGain = 0.1f;
        host.OnBlock = [this](const BlockReport&) {
            if (++blocks >= BlocksPerRun) state->AcquisitionIdle = true;
        };
    }
    void RunOnce(AcquisitionLoop& loop)
    {
        blocks = 0;
        loop.StartBtnClick();
        loop.StopBtnClick();
    }
    std::unique_ptr<AcquisitionState> state;
    std::unique_ptr<ProcessingState> processing;
    HeadlessHost host;
    int blocks = 0;
};

void Report(benchmark::State& st)
{
    st.counters["blocks_per_s"] = benchmark::Counter(BlocksPerRun, benchmark::Counter::kIsIterationInvariantRate);
    // Seconds of sound per second of work.
    st.counters["realtime_factor"] =
        benchmark::Counter(BlocksPerRun * BlockSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// The file as the capture device's input (file-paced backend, looping over the file).
void BM_LoopFileDevice(benchmark::State& st)
{
    const int modulation = static_cast<int>(st.range(0));
    const velquor_bench::DemoRecording file(modulation == 1 ? SynthModulation::Am : SynthModulation::Fm,
                                             "bench_loop");
    const std::string& path = file.Path();
    Rig rig(modulation);
    FileBackend backend(std::make_unique<WaveFileSource>(path), SourceEnd::Loop);
    AcquisitionLoop loop(*rig.state, *rig.processing, rig.host, backend);
    for (auto _ : st) rig.RunOnce(loop);
    if (!rig.host.Messages.empty()) st.SkipWithError(rig.host.Messages.front().Text.c_str());
    Report(st);
}
BENCHMARK(BM_LoopFileDevice)->Arg(1)->Arg(2)->ArgName("mod")->Unit(benchmark::kMillisecond);

// The file played by the recorder (as velquor-trace does), over a file-paced silent device.
void BM_LoopPlayback(benchmark::State& st)
{
    const velquor_bench::DemoRecording file(SynthModulation::Am, "bench_loop");
    const std::string& path = file.Path();
    Rig rig(1);
    NoDialogs dialogs;
    dialogs.Name = path;
    Recorder recorder(*rig.state, rig.host, dialogs);
    std::string error;
    std::unique_ptr<WaveInBackend> backend = MakeWaveInBackend("silence", error);
    AcquisitionLoop loop(*rig.state, *rig.processing, rig.host, *backend, &recorder);
    for (auto _ : st) {
        if (!rig.state->Playing) {
            st.PauseTiming();
            recorder.OpenWave1Click();
            recorder.PlayBtnClick();
            st.ResumeTiming();
        }
        rig.RunOnce(loop);
    }
    if (!rig.host.Messages.empty()) st.SkipWithError(rig.host.Messages.front().Text.c_str());
    Report(st);
}
BENCHMARK(BM_LoopPlayback)->Unit(benchmark::kMillisecond);

// The demo input's pace through the loop's capture protocol: one iteration is one block, so
// the time per iteration is the block period (92.88 ms when the pacing keeps real time).
void BM_DemoPacing(benchmark::State& st)
{
    auto state = std::make_unique<AcquisitionState>();
    state->SetInputStereo(st.range(0) != 0);
    HeadlessHost host;
    host.OnTimeOut = [&] {
        state->DeviceTimedOut = true;
        host.SetTimeOutTimer(false);
    };
    DemoBackend backend;
    WaveInDevice device(*state, host, backend);
    CaptureProtocol protocol(device, *state, host);
    protocol.OpenSequence();
    state->AcquisitionIdle = false;
    protocol.Capture({});                     // the first block completes from the start
    int timedOut = 0;
    for (auto _ : st)
        if (protocol.Capture({}).TimedOut) ++timedOut;
    device.ShutDown();
    if (!host.Messages.empty()) st.SkipWithError(host.Messages.front().Text.c_str());
    st.counters["nominal_ms"] = BlockSeconds * 1000.0;
    st.counters["timed_out"] = timedOut;
    st.counters["dropped_bytes"] = static_cast<double>(backend.DroppedBytes());
}
BENCHMARK(BM_DemoPacing)->Arg(0)->Arg(1)->ArgName("stereo")->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
