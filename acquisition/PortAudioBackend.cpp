#include "acquisition/PortAudioBackend.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <chrono>
#include <cstdlib>

namespace {

// ALSA and JACK report every device they probe and fail to open on stderr; a program
// that only asks for the default input has nothing to say about them.
void SilentAlsaHandler(const char*, int, const char*, int, const char*, ...) {}
void SilentJackHandler(const char*) {}

void SilenceProbingChatter()
{
    snd_lib_error_set_handler(SilentAlsaHandler);
    // JACK is reached only through PortAudio's own dependency, so it is looked up at run
    // time rather than linked: without libjack in the process there is nothing to silence.
    using JackHandlerSetter = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (void* symbol = dlsym(RTLD_DEFAULT, name)) {
            reinterpret_cast<JackHandlerSetter>(symbol)(SilentJackHandler);
        }
    }
    // Probing must not start a JACK server as a side effect.
    setenv("JACK_NO_START_SERVER", "1", 0);
}

}  // namespace

struct PortAudioBackend::CallbackAccess {
    static int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* self)
    {
        auto* backend = static_cast<PortAudioBackend*>(self);
        backend->lastDeliveryMs_.store(backend->NowMs(), std::memory_order_relaxed);
        if (input) backend->Deliver(static_cast<const uint8_t*>(input), frames * backend->blockAlign_);
        return paContinue;
    }
};

PortAudioBackend::PortAudioBackend() = default;

PortAudioBackend::~PortAudioBackend()
{
    if (stream_) {
        Pa_AbortStream(static_cast<PaStream*>(stream_));
        Pa_CloseStream(static_cast<PaStream*>(stream_));
        stream_ = nullptr;
    }
    if (initialised_) Pa_Terminate();
}

int64_t PortAudioBackend::NowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool PortAudioBackend::Initialise()
{
    if (initialised_) return true;
    SilenceProbingChatter();
    const PaError error = Pa_Initialize();
    if (error != paNoError) {
        lastError_ = Pa_GetErrorText(error);
        return false;
    }
    initialised_ = true;
    return true;
}

WaveResult PortAudioBackend::DefaultInput(const WaveFormat& format, void* parameters)
{
    if (!Initialise()) return WaveErrNoDriver;
    const PaDeviceIndex device = Pa_GetDefaultInputDevice();
    deviceName_.clear();
    if (device == paNoDevice) {
        lastError_ = "no default input device";
        return WaveErrBadDeviceId;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info) {
        lastError_ = "no information on the default input device";
        return WaveErrBadDeviceId;
    }
    deviceName_ = info->name ? info->name : "";
    auto* p = static_cast<PaStreamParameters*>(parameters);
    p->device = device;
    p->channelCount = format.Channels;
    p->sampleFormat = paInt16;
    // The high latency keeps the host's buffering deep; the loop's own two buffers set the pace.
    p->suggestedLatency = info->defaultHighInputLatency;
    p->hostApiSpecificStreamInfo = nullptr;
    return WaveNoError;
}

WaveResult PortAudioBackend::DoQueryFormat(const WaveFormat& format)
{
    PaStreamParameters parameters{};
    const WaveResult result = DefaultInput(format, &parameters);
    if (result != WaveNoError) return result;
    const PaError error = Pa_IsFormatSupported(&parameters, nullptr, format.SamplesPerSec);
    if (error != paFormatIsSupported) {
        lastError_ = Pa_GetErrorText(error);
        return WaveErrBadFormat;
    }
    return WaveNoError;
}

WaveResult PortAudioBackend::DoOpen(const WaveFormat& format)
{
    return OpenStream(format);
}

WaveResult PortAudioBackend::OpenStream(const WaveFormat& format)
{
    PaStreamParameters parameters{};
    const WaveResult result = DefaultInput(format, &parameters);
    if (result != WaveNoError) return result;
    PaStream* stream = nullptr;
    const PaError error = Pa_OpenStream(&stream, &parameters, nullptr, format.SamplesPerSec, CallbackFrames,
                                        paClipOff, &CallbackAccess::Callback, this);
    if (error != paNoError) {
        lastError_ = Pa_GetErrorText(error);
        return error == paSampleFormatNotSupported || error == paInvalidSampleRate ||
                       error == paInvalidChannelCount
                   ? WaveErrBadFormat
                   : WaveErrError;
    }
    stream_ = stream;
    streamStarted_ = false;
    blockAlign_ = format.BlockAlign;
    return WaveNoError;
}

WaveResult PortAudioBackend::DoStart()
{
    // The stream keeps running across a reset (capture is only switched off), so a restart
    // after a time-out is immediate.
    if (stream_ && streamStarted_ && Pa_IsStreamActive(static_cast<PaStream*>(stream_)) == 1 && !DeliveryLost())
        return WaveNoError;
    if (stream_ && streamStarted_) {
        // The stream has died (its server or device went away). PortAudio cannot restart such
        // a stream in place (the start waits for a capture thread that never comes up), so it
        // is replaced by a fresh one on the default input; that fails at once while the
        // device is still missing.
        auto* dead = static_cast<PaStream*>(stream_);
        Pa_AbortStream(dead);
        Pa_CloseStream(dead);
        stream_ = nullptr;
        streamStarted_ = false;
    }
    if (!stream_) {
        // Replaced, or a replacement failed before: try the default input again.
        const WaveResult reopened = OpenStream(OpenFormat());
        if (reopened != WaveNoError) return reopened;
    }
    lastDeliveryMs_.store(NowMs(), std::memory_order_relaxed);
    const PaError error = Pa_StartStream(static_cast<PaStream*>(stream_));
    if (error != paNoError) {
        lastError_ = Pa_GetErrorText(error);
        return WaveErrError;
    }
    streamStarted_ = true;
    return WaveNoError;
}

void PortAudioBackend::DoStop()
{
    // Capture is off (the queue takes nothing more); the stream itself runs on until Close.
}

void PortAudioBackend::DoClose()
{
    if (!stream_) return;
    auto* stream = static_cast<PaStream*>(stream_);
    Pa_AbortStream(stream);
    Pa_CloseStream(stream);
    stream_ = nullptr;
    streamStarted_ = false;
}

bool PortAudioBackend::DeliveryLost()
{
    auto* stream = static_cast<PaStream*>(stream_);
    if (!stream) return true;
    if (Pa_IsStreamActive(stream) != 1) return true;
    return NowMs() - lastDeliveryMs_.load(std::memory_order_relaxed) > LostAfterMs;
}
