// CPU use of the whole program while it acquires the demo input in real time: the main
// window with its panel, the acquisition loop waiting for its buffers (slices of up to
// 10 ms, millisecond polls near each expected completion), the processing chain, the
// redraw of both panes and the demo signal's pacing thread.
//
// Counters: cpu_pct (the whole process, % of one core), ui_thread_pct (the window's
// thread alone: loop, processing, drawing), blocks (processed), first_block_s (from the
// window's construction to the first block drawn: start-up, the 250 ms start-up timer and the
// first 92.9 ms of sound), first_block_since_exec_s (the same from the process's start, as a
// user launching the program waits), peak_rss_MiB (VmHWM at the end). The run lasts
// VELQUOR_BENCH_SECONDS (default 20) after a 2 s warm-up; quote a 60 s run.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "acquisition/WaveInFactory.h"
#include "app/window/ConsoleDialogs.h"
#include "app/window/EEGForm.h"
#include "bench/support/KernelContext.h"

namespace {

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// A line "Key:   value kB" of /proc/self/status, in MiB; 0 where there is none.
double StatusMiB(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
    return 0.0;
}

// Seconds since this process started (its start time and the uptime, both from /proc).
double SecondsSinceExec()
{
    std::ifstream stat("/proc/self/stat");
    std::string text;
    std::getline(stat, text);
    // Field 22, counted after the command name in parentheses (field 2), is the start time.
    std::string::size_type at = text.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field)
        at = text.find(' ', at + 1);
    if (at == std::string::npos)
        return 0.0;
    const double startTicks = std::stod(text.substr(at + 1));
    std::ifstream uptime("/proc/uptime");
    double up = 0.0;
    uptime >> up;
    return up - startTicks / double(::sysconf(_SC_CLK_TCK));
}

int BenchSeconds()
{
    const char* s = std::getenv("VELQUOR_BENCH_SECONDS");
    const int n = s ? std::atoi(s) : 0;
    return n > 0 ? n : 20;
}

void BM_ProgramAcquiringDemo(benchmark::State& state)
{
    const int seconds = BenchSeconds();
    for (auto _ : state) {
        QTemporaryDir dir;
        const auto constructed = std::chrono::steady_clock::now();
        ConsoleDialogs dialogs;
        std::string error;
        EEGFormOptions options;
        options.UserDialogs = &dialogs;
        options.Input = MakeWaveInBackend("demo", error);
        options.SettingsPath = dir.filePath(QStringLiteral("Velquor.cfg"));
        TEEGForm form(std::move(options));
        double firstBlock = 0, firstBlockSinceExec = 0;
        form.SetOnBlock([&](long long) {
            if (firstBlock > 0)
                return;
            const auto now = std::chrono::steady_clock::now();
            firstBlock = std::chrono::duration<double>(now - constructed).count();
            firstBlockSinceExec = SecondsSinceExec();
        });
        form.show();

        double process0 = 0, thread0 = 0;
        long long blocks0 = 0;
        auto wall0 = std::chrono::steady_clock::now();
        double cpu = 0, uiCpu = 0, wall = 0;
        long long blocks = 0;
        QTimer::singleShot(2000, &form, [&] {
            process0 = CpuSeconds(RUSAGE_SELF);
            thread0 = CpuSeconds(RUSAGE_THREAD);
            blocks0 = form.BlocksShown();
            wall0 = std::chrono::steady_clock::now();
        });
        QTimer::singleShot(2000 + seconds * 1000, &form, [&] {
            wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
            cpu = CpuSeconds(RUSAGE_SELF) - process0;
            uiCpu = CpuSeconds(RUSAGE_THREAD) - thread0;
            blocks = form.BlocksShown() - blocks0;
            form.close();
        });
        QEventLoop loop;
        loop.exec();
        state.SetIterationTime(wall);
        state.counters["cpu_pct"] = 100.0 * cpu / wall;
        state.counters["ui_thread_pct"] = 100.0 * uiCpu / wall;
        state.counters["blocks"] = double(blocks);
        state.counters["dialogs"] = dialogs.Messages();
        state.counters["first_block_s"] = firstBlock;
        state.counters["first_block_since_exec_s"] = firstBlockSinceExec;
        state.counters["peak_rss_MiB"] = StatusMiB("VmHWM");
    }
}
BENCHMARK(BM_ProgramAcquiringDemo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
