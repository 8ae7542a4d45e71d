#pragma once
// Demo input: the EEG-like two-channel signal of velquor-synth (both channels on their
// carriers), generated live and paced in real time by a steady clock, so the program
// shows a real signal on a machine without a sound card. A pacing thread delivers the
// samples in small chunks at the moments a sound card would; a buffer completes when
// its last sample's time has come.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "acquisition/QueuedWaveIn.h"
#include "dsp/SignalGenerator.h"

class DemoBackend : public QueuedWaveInBackend {
public:
    // 23.2 ms at 44100 Hz: four chunks per 4096-frame block, so a block still completes at
    // its last sample's moment, with a quarter of the wake-ups of smaller chunks.
    static constexpr int ChunkFrames = 1024;

    // The EEG signal with the given carriers and modulation; Stereo follows the opened format.
    explicit DemoBackend(const SignalGeneratorSettings& settings = DefaultSettings());
    ~DemoBackend() override;

    static SignalGeneratorSettings DefaultSettings();
    std::string Name() const override { return "demo"; }

protected:
    WaveResult DoQueryFormat(const WaveFormat& format) override;
    WaveResult DoOpen(const WaveFormat& format) override;
    WaveResult DoStart() override;
    void DoStop() override;
    void DoClose() override;

private:
    void Run(std::chrono::steady_clock::time_point origin, uint32_t sampleRate, int channels);

    SignalGeneratorSettings settings_;
    std::unique_ptr<SignalGenerator> generator_;
    std::thread thread_;
    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopRequested_ = false;
};
