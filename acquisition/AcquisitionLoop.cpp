#include "acquisition/AcquisitionLoop.h"

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
      device_(std::make_unique<WaveInDevice>(state, *deviceHost_, backend))
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

    // Opening sequence: only header A is queued; the first pass queues B.
    device_->Position = 1;
    state_.BufferInWork = 0;
    device_->Configure();
    device_->Open();
    device_->PrepareA();
    device_->QueueA();
    device_->Start();

    state_.AcquisitionIdle = false;
    state_.TimeOutCount = 0;
    StartRun(processing_);                   // DC estimates from 0, FM scale from the rate
    while (Pass()) {
    }
}

bool AcquisitionLoop::WaitForHalfBuffer()
{
    // The device must be at least half-way into the buffer we are about to wait for, so
    // that queueing the other one now keeps two buffers in its queue.
    for (;;) {
        const uint32_t bufferBytes = state_.BufferBytes ? state_.BufferBytes : 1;
        const uint32_t at = device_->GetPosition() % bufferBytes;
        if (at == 0 || at >= bufferBytes / 2) return true;
        host_.ProcessMessages();
        if (Ending()) return false;
        host_.SleepMs(1);
    }
}

bool AcquisitionLoop::Pass()
{
    if (Ending()) return false;
    ++passes_;
    if (state_.DeviceTimedOut) ++state_.TimeOutCount;   // left over from the previous pass

    // Capture, mono and stereo alike: the device paces the loop.
    const bool waitA = state_.BufferInWork == 0;
    if (!WaitForHalfBuffer()) return false;
    if (waitA) {
        device_->RearmB();
        device_->PrepareB();
        device_->QueueB();
    } else {
        device_->RearmA();
        device_->PrepareA();
        device_->QueueA();
    }
    state_.DeviceTimedOut = false;
    host_.SetTimeOutTimer(true);
    if (waitA) device_->WaitA(); else device_->WaitB();
    if (state_.DeviceTimedOut && state_.TimeOutCount >= TimeOutsTolerated) state_.AcquisitionIdle = true;
    host_.SetTimeOutTimer(false);
    if (waitA) device_->UnprepareA(); else device_->UnprepareB();
    state_.BufferInWork = waitA ? 1 : 0;
    uint8_t* block = waitA ? state_.CaptureBufferA : state_.CaptureBufferB;

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
