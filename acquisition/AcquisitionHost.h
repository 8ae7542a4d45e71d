#pragma once
// The window side of acquisition: everything the device layer, the loop and the
// recorder need from the main window (message boxes, nested message processing,
// the two timers, termination, LEDs and redraw) behind one small interface, so that
// acquisition runs the same under the Qt window, in tools and in tests.

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dsp/BlockProcessor.h"

class AcquisitionHost {
public:
    virtual ~AcquisitionHost() = default;

    // Modal message box with an OK button only; returns when it is dismissed.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // Lets the window process its pending messages; handlers and timers run nested here.
    virtual void ProcessMessages() = 0;
    virtual void SleepMs(int milliseconds) = 0;
    // The 350 ms TimeOutTimer. On expiry the host calls the loop's TimeOutTimerTimer
    // (which sets DeviceTimedOut and disables the timer).
    virtual void SetTimeOutTimer(bool enabled) = 0;
    // The 250 ms StartTimer. On expiry the host calls the loop's StartTimerTimer.
    virtual void SetStartTimer(bool enabled) = 0;
    // Application.Terminate: a request, the caller goes on.
    virtual void RequestTerminate() = 0;
    // End of a processed pass: indicators and redraw. Not called for DisplayHold blocks.
    virtual void BlockProcessed(const BlockReport& report) = 0;
    // The device's backlog overflowed while the loop was held up (a dialog left open longer
    // than the backlog holds): `seconds` of input were lost before the block now taken.
    // The loop has said so where a WAVE recording runs; recordings of the host's own (EDF+)
    // mark it here.
    virtual void InputLost(double seconds) { (void)seconds; }
};

struct HostMessage {
    std::string Text;
    std::string Caption;
    bool operator==(const HostMessage&) const = default;
};

// A host without a window, for tools and tests: records the message boxes (and can
// echo them to a stream), runs the two timers on a steady clock whenever
// ProcessMessages is called, sleeps for real and counts termination requests.
class HeadlessHost : public AcquisitionHost {
public:
    using Clock = std::chrono::steady_clock;

    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ProcessMessages() override;
    void SleepMs(int milliseconds) override;
    void SetTimeOutTimer(bool enabled) override;
    void SetStartTimer(bool enabled) override;
    void RequestTerminate() override;
    void BlockProcessed(const BlockReport& report) override;
    void InputLost(double seconds) override { LostSeconds.push_back(seconds); }

    // Handlers of the two timers (usually the loop's TimeOutTimerTimer and StartTimerTimer).
    std::function<void()> OnTimeOut;
    std::function<void()> OnStartTimer;
    // Runs inside every ProcessMessages call, after the timers: a stand-in for the
    // user's commands that run nested in the loop.
    std::function<void()> OnProcessMessages;
    // Runs on every BlockProcessed call.
    std::function<void(const BlockReport&)> OnBlock;

    int TimeOutIntervalMs = 350;
    int StartIntervalMs = 250;
    // When set, each message box is also written as "Caption: Text" lines to this stream.
    std::FILE* EchoMessages = nullptr;

    std::vector<HostMessage> Messages;
    std::vector<double> LostSeconds;          // each overflow of the device's backlog
    int TerminateRequests = 0;
    int BlocksProcessed = 0;
    int ProcessMessagesCalls = 0;
    BlockReport LastReport;

    bool TimeOutTimerEnabled() const { return timeOutEnabled_; }
    bool StartTimerEnabled() const { return startEnabled_; }
    // The message texts alone, in order (for checking sequences).
    std::vector<std::string> MessageTexts() const;

private:
    bool timeOutEnabled_ = false;
    bool startEnabled_ = false;
    Clock::time_point timeOutDue_{};
    Clock::time_point startDue_{};
};
