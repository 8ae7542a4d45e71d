#include "acquisition/CaptureProtocol.h"

void CaptureProtocol::OpenSequence()
{
    device_.Position = 1;
    state_.BufferInWork = 0;
    device_.Configure();
    device_.Open();
    device_.PrepareA();
    device_.QueueA();
    device_.Start();
}

bool CaptureProtocol::WaitForHalfBuffer(const std::function<bool()>& ending)
{
    // The device must be at least half-way into the buffer we are about to wait for, so
    // that queueing the other one now keeps two buffers in its queue.
    for (;;) {
        const uint32_t bufferBytes = state_.BufferBytes ? state_.BufferBytes : 1;
        const uint32_t at = device_.GetPosition() % bufferBytes;
        if (at == 0 || at >= bufferBytes / 2) return true;
        host_.ProcessMessages();
        if (ending && ending()) return false;
        host_.SleepMs(1);
    }
}

CapturedBlock CaptureProtocol::Capture(const std::function<bool()>& ending)
{
    CapturedBlock block;
    if (state_.DeviceTimedOut) ++state_.TimeOutCount;   // left over from the previous step

    const bool waitA = state_.BufferInWork == 0;
    if (!WaitForHalfBuffer(ending)) return block;
    if (waitA) {
        device_.RearmB();
        device_.PrepareB();
        device_.QueueB();
    } else {
        device_.RearmA();
        device_.PrepareA();
        device_.QueueA();
    }
    state_.DeviceTimedOut = false;
    host_.SetTimeOutTimer(true);
    block.BytesRecorded = waitA ? device_.WaitA() : device_.WaitB();
    block.TimedOut = state_.DeviceTimedOut;
    if (state_.DeviceTimedOut && state_.TimeOutCount >= TimeOutsTolerated) state_.AcquisitionIdle = true;
    host_.SetTimeOutTimer(false);
    const WaveHeader& header = waitA ? device_.HeaderA : device_.HeaderB;
    block.CapturedAt = header.Captured;
    block.LostBytes = header.LostBefore;
    if (waitA) device_.UnprepareA(); else device_.UnprepareB();
    state_.BufferInWork = waitA ? 1 : 0;
    block.Data = waitA ? state_.CaptureBufferA : state_.CaptureBufferB;
    block.Captured = true;
    return block;
}
