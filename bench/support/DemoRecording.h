#pragma once
// A minute of the demo EEG on both carriers as a WAVE file in /tmp, for the benchmarks that run
// the acquisition loop on a file; removed when the benchmark is done with it.

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/WaveFile.h"
#include "dsp/SignalGenerator.h"

namespace velquor_bench {

class DemoRecording {
public:
    static constexpr int Seconds = 60;

    // name: what the file is for, part of its name (one file per process and purpose).
    DemoRecording(SynthModulation modulation, const std::string& name)
    {
        path_ = "/tmp/velquor_" + name + "_" + std::to_string(::getpid()) + ".wav";
        SignalGeneratorSettings settings;
        settings.Signal = SynthSignal::Eeg;
        settings.Modulation = modulation;
        SignalGenerator generator(settings);
        WaveWriter writer;
        writer.PatchInterval = std::chrono::hours(1);
        if (!writer.Create(path_, WaveFileFormat{})) return;
        std::vector<int16_t> block(4096);
        for (int b = 0; b < Seconds * 44100 / 4096; ++b) {
            generator.Generate(block.data(), 4096);
            writer.Write(reinterpret_cast<const uint8_t*>(block.data()), block.size() * 2);
        }
        ok_ = writer.Finish();
    }
    ~DemoRecording() { std::remove(path_.c_str()); }
    DemoRecording(const DemoRecording&) = delete;
    DemoRecording& operator=(const DemoRecording&) = delete;

    const std::string& Path() const { return path_; }
    bool Ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};

}  // namespace velquor_bench
