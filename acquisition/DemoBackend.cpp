#include "acquisition/DemoBackend.h"

#include <vector>

DemoBackend::DemoBackend(const SignalGeneratorSettings& settings) : settings_(settings) {}

DemoBackend::~DemoBackend()
{
    DoStop();
}

SignalGeneratorSettings DemoBackend::DefaultSettings()
{
    SignalGeneratorSettings s;
    s.Signal = SynthSignal::Eeg;
    s.Modulation = SynthModulation::Am;
    // The level a user first sees: both channels' traces about 21 rows peak to peak at the
    // first-run gains, while neither lights Overload (their smoothed levels peak near 4400
    // and 5300 against the AM limit of 6000). The full 0.8 lit it in four blocks of ten.
    s.Amplitude = 0.33;
    return s;
}

WaveResult DemoBackend::DoQueryFormat(const WaveFormat& format)
{
    // The generator works at 44100 Hz only.
    return format.SamplesPerSec == static_cast<uint32_t>(SignalGeneratorLimits::SampleRate) ? WaveNoError
                                                                                            : WaveErrBadFormat;
}

WaveResult DemoBackend::DoOpen(const WaveFormat& format)
{
    const WaveResult result = DoQueryFormat(format);
    if (result != WaveNoError) return result;
    // A new generator only when the channel layout changes, so the signal runs on across reopenings.
    const bool stereo = format.Channels == 2;
    if (!generator_ || generator_->Settings().Stereo != stereo) {
        SignalGeneratorSettings s = settings_;
        s.Stereo = stereo;
        generator_ = std::make_unique<SignalGenerator>(s);
    }
    return WaveNoError;
}

WaveResult DemoBackend::DoStart()
{
    DoStop();
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopRequested_ = false;
    }
    const WaveFormat format = OpenFormat();
    thread_ = std::thread(&DemoBackend::Run, this, std::chrono::steady_clock::now(), format.SamplesPerSec,
                          static_cast<int>(format.Channels));
    return WaveNoError;
}

void DemoBackend::DoStop()
{
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopRequested_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DemoBackend::DoClose() {}

void DemoBackend::Run(std::chrono::steady_clock::time_point origin, uint32_t sampleRate, int channels)
{
    std::vector<int16_t> chunk(static_cast<size_t>(ChunkFrames) * channels);
    for (uint64_t k = 1;; ++k) {
        // Chunk k is complete at origin + k x ChunkFrames / rate; computed from the origin
        // each time so that the pace does not drift.
        const auto due = origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(double(k) * ChunkFrames / sampleRate));
        {
            std::unique_lock<std::mutex> lock(stopMutex_);
            if (stopSignal_.wait_until(lock, due, [this] { return stopRequested_; })) return;
        }
        // The signal runs on while no buffer is queued, as live input does.
        generator_->Generate(chunk.data(), ChunkFrames);
        Deliver(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size() * sizeof(int16_t));
    }
}
