#include "acquisition/AcquisitionLoop.h"

#include <cstdio>

// The device reports through this host so that the loop learns of a termination request
// (the device-error routine's) and can end at its next check; everything is passed on.
class AcquisitionLoop::DeviceHost : public AcquisitionHost {
public:
    explicit DeviceHost(AcquisitionHost& outer) : outer_(outer) {}

    void ShowMessage(const std::string& text, const std::string& caption) override { outer_.ShowMessage(text, caption); }
    void ProcessMessages() override { outer_.ProcessMessages(); }
    void SleepMs(int milliseconds) override { outer_.SleepMs(milliseconds); }
    void SetTimeOutTimer(bool enabled) override { outer_.SetTimeOutTimer(enabled); }
    void SetStartTimer(bool enabled) override { outer_.SetStartTimer(enabled); }
    void RequestTerminate() override
    {
        terminate = true;
        outer_.RequestTerminate();
    }
    void BlockProcessed(const BlockReport& report) override { outer_.BlockProcessed(report); }
    void InputLost(double seconds) override { outer_.InputLost(seconds); }

    bool terminate = false;

private:
    AcquisitionHost& outer_;
};

AcquisitionLoop::AcquisitionLoop(AcquisitionState& state, ProcessingState& processing, AcquisitionHost& host,
                                 WaveInBackend& backend, Recorder* recorder)
    : state_(state),
      processing_(processing),
      host_(host),
      recorder_(recorder),
      deviceHost_(std::make_unique<DeviceHost>(host)),
      device_(std::make_unique<WaveInDevice>(state, *deviceHost_, backend)),
      capture_(*device_, state, host)
{
}

AcquisitionLoop::~AcquisitionLoop() = default;

bool AcquisitionLoop::TerminationRequested() const
{
    return deviceHost_->terminate;
}

bool AcquisitionLoop::Ending() const
{
    return state_.AcquisitionIdle || deviceHost_->terminate;
}

void AcquisitionLoop::StartBtnClick()
{
    if (!state_.AcquisitionIdle) return;     // a loop is running: leave it alone
    if (deviceHost_->terminate) return;      // the application is ending

    capture_.OpenSequence();

    state_.AcquisitionIdle = false;
    state_.TimeOutCount = 0;
    StartRun(processing_);                   // DC estimates from 0, FM scale from the rate
    while (Pass()) {
    }
}

bool AcquisitionLoop::Pass()
{
    if (Ending()) return false;
    ++passes_;
    // Capture, mono and stereo alike: the device paces the loop.
    const CapturedBlock captured = capture_.Capture([this] { return Ending(); });
    if (!captured.Captured) return false;
    uint8_t* block = captured.Data;
    lastCapture_ = captured.CapturedAt != std::chrono::steady_clock::time_point{} ? captured.CapturedAt
                                                                                   : std::chrono::steady_clock::now();
    if (captured.LostBytes) InputLost(captured.LostBytes);

    // Playback replaces the captured block; recording keeps whatever the block now holds.
    if (recorder_) {
        recorder_->PlayStep(block);
        recorder_->RecordStep(block);
    }
    if (Ending()) return false;

    const size_t bytes = state_.BufferBytes <= CaptureBufferSize ? state_.BufferBytes : CaptureBufferSize;
    UnpackBlock(processing_, block, bytes, state_.InputStereo != 0);
    if (processing_.DisplayHold) return true;   // captured, recorded and played; traces frozen
    ProcessBlock(processing_, report_);
    ++blocksProcessed_;
    host_.BlockProcessed(report_);
    return true;
}

void AcquisitionLoop::InputLost(uint64_t bytes)
{
    const double rate = state_.AvgBytesPerSec ? double(state_.AvgBytesPerSec) : 1.0;
    const double seconds = double(bytes) / rate;
    if (state_.Recording) {
        // Never joined silently: the user learns how much is missing and where.
        char text[320];
        std::snprintf(text, sizeof text,
                      "The window was held up so long that the sound card's queue overflowed: %.1f s of input "
                      "were lost. The Wave file goes on; the sound before and after the loss meet at %.1f s.",
                      seconds, static_cast<double>(state_.RecordedBytes) / rate);
        host_.ShowMessage(text, "Record Error");
    }
    host_.InputLost(seconds);
}

void AcquisitionLoop::StopBtnClick()
{
    state_.AcquisitionIdle = true;
    state_.DeviceTimedOut = false;
    device_->ShutDown();
}

void AcquisitionLoop::TimeOutTimerTimer()
{
    state_.DeviceTimedOut = true;
    host_.SetTimeOutTimer(false);
}

void AcquisitionLoop::StartTimerTimer()
{
    host_.SetStartTimer(false);
    StartBtnClick();
    StopBtnClick();
    if (!deviceHost_->terminate) host_.SetStartTimer(true);
}

void AcquisitionLoop::SetFormat(bool stereo)
{
    state_.InputStereo = stereo ? 1 : 0;
    if (!state_.ApplyingSettings) StopBtnClick();
    state_.SetInputStereo(stereo);
    if (!state_.ApplyingSettings) StartBtnClick();
}

void AcquisitionLoop::Mic1Click()
{
    SetFormat(false);
}

void AcquisitionLoop::Line1Click()
{
    SetFormat(true);
}

void ConnectTimers(HeadlessHost& host, AcquisitionLoop& loop)
{
    host.OnTimeOut = [&loop] { loop.TimeOutTimerTimer(); };
    host.OnStartTimer = [&loop] { loop.StartTimerTimer(); };
}
