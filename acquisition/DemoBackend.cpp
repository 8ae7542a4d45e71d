#include "acquisition/DemoBackend.h"

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
    // The level a user first sees: neither channel lights Overload (the AM limit is 6000)
    // however long the demo runs: over an hour their smoothed levels peak near 5700 and 5200.
    // At 0.33 they passed 6000 twice an hour; the full 0.8 lit it in four blocks of ten. The
    // first-run panel's gains make the traces and spectra plain at this level.
    s.Amplitude = 0.28;
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
    clock_.Stop();
    const WaveFormat format = OpenFormat();
    chunk_.assign(static_cast<size_t>(ChunkFrames) * format.Channels, 0);
    // The signal runs on while no buffer is queued, as live input does.
    clock_.Start(format.SamplesPerSec, ChunkFrames, 1.0, [this] {
        generator_->Generate(chunk_.data(), ChunkFrames);
        Deliver(reinterpret_cast<const uint8_t*>(chunk_.data()), chunk_.size() * sizeof(int16_t));
    });
    return WaveNoError;
}

void DemoBackend::DoStop()
{
    clock_.Stop();
}

void DemoBackend::DoClose() {}
