#pragma once
// Live input through PortAudio: the system's default input device (ALSA, and PulseAudio
// or PipeWire through ALSA's pulse plugin), 16-bit PCM, mono or stereo. PortAudio's
// callback thread fills the queued buffers in order and marks them done; our loop only
// polls. PortAudio is initialised on first use (so a sound server started before then is
// found) and released with the backend.

#include <atomic>
#include <cstdint>
#include <string>

#include "acquisition/QueuedWaveIn.h"

class PortAudioBackend : public QueuedWaveInBackend {
public:
    PortAudioBackend();
    ~PortAudioBackend() override;
    PortAudioBackend(const PortAudioBackend&) = delete;
    PortAudioBackend& operator=(const PortAudioBackend&) = delete;

    std::string Name() const override { return "portaudio"; }
    // Name of the default input device found by the last query (empty when none).
    const std::string& DeviceName() const { return deviceName_; }
    // PortAudio's text for the last failure (empty when none), for diagnostics.
    const std::string& LastError() const { return lastError_; }
    // Frames per callback the stream asks for.
    static constexpr unsigned long CallbackFrames = 512;
    // A started stream that has delivered nothing for this long counts as lost.
    static constexpr int LostAfterMs = 500;

protected:
    WaveResult DoQueryFormat(const WaveFormat& format) override;
    WaveResult DoOpen(const WaveFormat& format) override;
    WaveResult DoStart() override;
    void DoStop() override;
    void DoClose() override;
    bool DeliveryLost() override;

private:
    struct CallbackAccess;                     // PortAudio's callback, defined with PortAudio's types
    bool Initialise();
    // Fills the stream parameters for the default input; false (with the result) when unusable.
    WaveResult DefaultInput(const WaveFormat& format, void* parameters);
    WaveResult OpenStream(const WaveFormat& format);
    int64_t NowMs() const;

    bool initialised_ = false;
    void* stream_ = nullptr;                   // PaStream*
    bool streamStarted_ = false;               // started since it was opened
    uint32_t blockAlign_ = 2;
    std::atomic<int64_t> lastDeliveryMs_{0};
    std::string deviceName_;
    std::string lastError_;
};
