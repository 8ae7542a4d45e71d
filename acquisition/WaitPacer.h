#pragma once
// How long the loop's device polls sleep. The loop asks for a 1 ms sleep between polls,
// but a buffer takes a whole block (92.9 ms) to fill, and a thousand wake-ups a second,
// each serving the window's messages, cost as much as the processing itself. Buffers
// complete one block period apart, so once a completion has been seen the next one is
// expected a period later: until shortly before that moment the pacer sleeps in slices
// (short enough for the window's messages to be served between them), and from there
// it polls every millisecond. A wrong expectation costs at most one slice of delay: the
// caller checks its buffer after every sleep.

#include <chrono>
#include <cstdint>

class WaitPacer {
public:
    using Clock = std::chrono::steady_clock;

    // Longest sleep: the window's messages are served between sleeps, so at 100 Hz or more.
    static constexpr Clock::duration Slice = std::chrono::milliseconds(10);
    // Millisecond polling starts this long before the expected completion: the expected
    // moment is within about a millisecond of the real one (see SeenLate).
    static constexpr Clock::duration Lead = std::chrono::milliseconds(1);
    // How long before the moment a completion was seen it may have happened: the polling
    // period and the scheduler's wake-up latency.
    static constexpr Clock::duration SeenLate = std::chrono::milliseconds(2);
    // Without an expected completion (the first pass of a run, after a pass that did not
    // wait): polls of EarlySleep during the first EarlyWait of a pass, as asked after that.
    static constexpr Clock::duration EarlyWait = std::chrono::milliseconds(70);
    static constexpr Clock::duration EarlySleep = std::chrono::milliseconds(4);

    // The sleep for a poll asking for `requested`, at `now`, in pass `pass` of the loop
    // (the pass counter tells the pacer that the previous buffer has completed), with
    // buffers completing `period` apart.
    Clock::duration Sleep(Clock::time_point now, uint64_t pass, Clock::duration period, Clock::duration requested);
    // The sleep ended at `now`; the caller checks its buffer next.
    void Woke(Clock::time_point now);

    // Expected completion of the buffer now waited for; the epoch when none is known.
    Clock::time_point Due() const { return due_; }

private:
    uint64_t pass_ = 0;
    Clock::time_point passStart_{};
    Clock::time_point lastWake_{};
    uint64_t wakePass_ = 0;
    bool woken_ = false;
    Clock::time_point due_{};
};
