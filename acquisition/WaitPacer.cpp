#include "acquisition/WaitPacer.h"

#include <algorithm>

WaitPacer::Clock::duration WaitPacer::Sleep(Clock::time_point now, uint64_t pass, Clock::duration period,
                                            Clock::duration requested)
{
    if (pass != pass_) {
        // A new pass: the previous buffer was found complete right after the previous
        // pass's last sleep, if that pass slept at all and it was not long ago (a run
        // that ended and restarted has no cadence to go on).
        const bool seen = woken_ && wakePass_ + 1 == pass && now - lastWake_ < period && period > Clock::duration{};
        if (seen) {
            // The completion happened a little before it was seen. Keep the expected
            // moment where that agrees with the sighting, so that the detection delays do
            // not add up from block to block; otherwise trust the sighting.
            const Clock::time_point seenAt = lastWake_;
            const Clock::time_point anchor =
                due_ == Clock::time_point{} ? seenAt - SeenLate : std::clamp(due_, seenAt - SeenLate, seenAt);
            due_ = anchor + period;
        } else {
            due_ = Clock::time_point{};
        }
        pass_ = pass;
        passStart_ = now;
    }
    if (due_ == Clock::time_point{})
        return now - passStart_ < EarlyWait ? std::max(requested, EarlySleep) : requested;
    const Clock::duration untilPolling = due_ - Lead - now;
    if (untilPolling <= requested) return requested;
    return std::max(requested, std::min(untilPolling, Slice));
}

void WaitPacer::Woke(Clock::time_point now)
{
    lastWake_ = now;
    wakePass_ = pass_;
    woken_ = true;
}
