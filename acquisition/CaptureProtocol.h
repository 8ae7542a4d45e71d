#pragma once
// The double-buffer capture protocol, in one place: the opening sequence of a run and one
// capture step of the loop (wait for the half-buffer position, queue the other buffer, wait
// for this one under the time-out timer, unprepare it, switch buffers). The acquisition loop
// runs it for every pass; tests drive it directly, so they exercise the loop's own protocol.

#include <chrono>
#include <cstdint>
#include <functional>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/WaveIn.h"

constexpr int TimeOutsTolerated = 4;        // per run; the fifth ends the loop

struct CapturedBlock {
    bool Captured = false;                  // false: acquisition ended during the position poll
    uint8_t* Data = nullptr;                // the buffer that has just completed
    uint32_t BytesRecorded = 0;             // what the device put into it
    bool TimedOut = false;                  // its wait ended through the time-out timer
    // When its last byte was captured, and the input bytes lost just before it (the device's
    // backlog overflowed while the loop was held up).
    std::chrono::steady_clock::time_point CapturedAt{};
    uint64_t LostBytes = 0;
};

class CaptureProtocol {
public:
    CaptureProtocol(WaveInDevice& device, AcquisitionState& state, AcquisitionHost& host)
        : device_(device), state_(state), host_(host)
    {
    }

    // Start of a run: position 1, buffer A next; configure, open, prepare and queue A,
    // start. Only header A is queued; the first capture step queues B.
    void OpenSequence();

    // One capture step. A time-out left over from the previous step counts against the run;
    // the fourth counted time-out followed by another one marks acquisition idle (the caller
    // ends the loop at its next check). `ending` is polled between position polls.
    CapturedBlock Capture(const std::function<bool()>& ending);

private:
    bool WaitForHalfBuffer(const std::function<bool()>& ending);

    WaveInDevice& device_;
    AcquisitionState& state_;
    AcquisitionHost& host_;
};
