#include "acquisition/WaveIn.h"

const char* WaveResultName(WaveResult result)
{
    switch (result) {
    case WaveNoError: return "no error";
    case WaveErrError: return "general error";
    case WaveErrBadDeviceId: return "no such device";
    case WaveErrAllocated: return "device already open";
    case WaveErrInvalidHandle: return "device not open";
    case WaveErrNoDriver: return "no driver";
    case WaveErrNoMemory: return "out of memory";
    case WaveErrInvalidParam: return "invalid parameter";
    case WaveErrBadFormat: return "format not supported";
    case WaveErrStillPlaying: return "buffer still queued";
    case WaveErrUnprepared: return "header not prepared";
    default: return "unknown error";
    }
}

WaveInDevice::WaveInDevice(AcquisitionState& state, AcquisitionHost& host, WaveInBackend& backend)
    : state_(state), host_(host), backend_(&backend)
{
}

bool WaveInDevice::Check(WaveResult result, const char* message)
{
    lastResult_ = result;
    if (result == WaveNoError) return true;
    if (!(explained_ && result == WaveErrInvalidHandle)) host_.ShowMessage(message, WaveDeviceCaption);
    DeviceError();
    return false;
}

void WaveInDevice::DeviceError()
{
    if (!state_.AcquisitionIdle) host_.RequestTerminate();
}

void WaveInDevice::Configure()
{
    Format.FormatTag = 1;
    Format.Channels = state_.InputChannels;
    Format.SamplesPerSec = state_.SampleRate;
    Format.AvgBytesPerSec = state_.AvgBytesPerSec;
    Format.BlockAlign = state_.BlockAlign;
    Format.BitsPerSample = state_.BitsPerSample;
    Format.ExtraSize = 0;
    RearmA();
    RearmB();
}

void WaveInDevice::Open()
{
    // The query comes first so that an unusable format is named before the open fails too.
    const WaveResult query = backend_->QueryFormat(Format);
    const std::string why = query != WaveNoError ? backend_->FormatRefusal(Format) : std::string();
    explained_ = !why.empty();
    if (explained_) {
        // One message that says what is wrong; the real open would only fail again.
        lastResult_ = query;
        host_.ShowMessage("Could not open the input wave device (" + why + ")", WaveDeviceCaption);
        DeviceError();
        return;
    }
    Check(query, "Could not open the input wave device");
    Check(backend_->Open(Format), "Error Opening Input wave device");
}

void WaveInDevice::PrepareA() { Check(backend_->PrepareHeader(HeaderA), "Error preparing the header_a"); }
void WaveInDevice::PrepareB() { Check(backend_->PrepareHeader(HeaderB), "Error preparing the header_b"); }
void WaveInDevice::QueueA() { Check(backend_->AddBuffer(HeaderA), "Error in sending 'a' buffer"); }
void WaveInDevice::QueueB() { Check(backend_->AddBuffer(HeaderB), "Error in sending 'b' buffer"); }
void WaveInDevice::Start() { Check(backend_->Start(), "Error starting the input wave device"); }

uint32_t WaveInDevice::GetPosition()
{
    uint32_t bytes = Position;
    if (Check(backend_->GetPosition(bytes), "Error getting the byte position")) Position = bytes;
    return Position;
}

void WaveInDevice::Rearm(WaveHeader& header, uint8_t* buffer)
{
    // The buffer length never exceeds the buffer, whatever BufferBytes holds.
    header.Data = buffer;
    header.BufferLength = state_.BufferBytes <= CaptureBufferSize ? state_.BufferBytes
                                                                  : static_cast<uint32_t>(CaptureBufferSize);
    header.Flags.store(0, std::memory_order_release);
    header.Loops = 0;
    header.LostBefore = 0;
    header.Captured = {};
}

void WaveInDevice::RearmA() { Rearm(HeaderA, state_.CaptureBufferA); }
void WaveInDevice::RearmB() { Rearm(HeaderB, state_.CaptureBufferB); }

uint32_t WaveInDevice::Wait(WaveHeader& header)
{
    for (;;) {
        if (header.Done()) return header.BytesRecorded;
        host_.ProcessMessages();
        host_.SleepMs(1);
        if (state_.DeviceTimedOut && header.Done()) {
            // The buffer came in: the timer ran out while a handler held the loop (a modal
            // dialog), not while the device was late. Capture went on meanwhile; nothing to
            // restart and nothing to count against the run.
            state_.DeviceTimedOut = false;
            return header.BytesRecorded;
        }
        if (state_.DeviceTimedOut) {
            // The buffer is overdue: the reset hands back every queued header marked done and
            // the restart begins with an empty queue, which the next pass refills.
            Reset();
            Start();
            return header.BytesRecorded;
        }
    }
}

uint32_t WaveInDevice::WaitA() { return Wait(HeaderA); }
uint32_t WaveInDevice::WaitB() { return Wait(HeaderB); }

void WaveInDevice::Reset() { Check(backend_->Reset(), "Error Resetting the input wave device"); }
void WaveInDevice::UnprepareA() { Check(backend_->UnprepareHeader(HeaderA), "Error unpreparing the Header a"); }
void WaveInDevice::UnprepareB() { Check(backend_->UnprepareHeader(HeaderB), "Error unpreparing the Header b"); }
void WaveInDevice::Close() { Check(backend_->Close(), "Error closing the input wave device"); }

void WaveInDevice::ShutDown()
{
    // Each step runs whatever the previous one returned.
    Check(backend_->Reset(), "Error Resetting the input wave device");
    Check(backend_->UnprepareHeader(HeaderA), "Error unpreparing the _a Header");
    Check(backend_->UnprepareHeader(HeaderB), "Error unpreparing the _b Header");
    Check(backend_->Close(), "Error closing the input wave device");
}
