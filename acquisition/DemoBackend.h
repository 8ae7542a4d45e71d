#pragma once
// Demo input: the EEG-like two-channel signal of velquor-synth (both channels on their
// carriers), generated live and paced in real time by a steady clock, so the program
// shows a real signal on a machine without a sound card. A pacing thread delivers the
// samples in small chunks at the moments a sound card would, whether buffers are queued
// or not (the device's backlog keeps them); a buffer completes when its last sample's
// time has come.

#include <memory>
#include <vector>

#include "acquisition/CardClock.h"
#include "acquisition/QueuedWaveIn.h"
#include "dsp/SignalGenerator.h"

class DemoBackend : public QueuedWaveInBackend {
public:
    static constexpr int ChunkFrames = CardClock::ChunkFrames;

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
    SignalGeneratorSettings settings_;
    std::unique_ptr<SignalGenerator> generator_;
    std::vector<int16_t> chunk_;
    CardClock clock_;
};
