// The pacer of the loop's device polls, on a simulated clock: a device completes a
// buffer every period (its clock may run off the nominal rate), the loop polls it as the
// window host does (sleep, then check), and each pass spends some time processing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "acquisition/WaitPacer.h"

namespace {

using Clock = WaitPacer::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr Clock::duration Period = microseconds(92880);   // 4096 frames at 44100 Hz
constexpr Clock::duration Poll = milliseconds(1);

struct WaitStats {
    int Wakes = 0;
    Clock::duration LongestSleep{};
    Clock::duration Delay{};        // completion to detection
};

// One pass's wait for a buffer completing at `completion`; `now` ends at the detection.
WaitStats WaitFor(WaitPacer& pacer, Clock::time_point& now, uint64_t pass, Clock::time_point completion,
                  Clock::duration period = Period, Clock::duration wakeLatency = microseconds(60))
{
    WaitStats stats;
    while (now < completion) {
        const Clock::duration sleep = pacer.Sleep(now, pass, period, Poll);
        stats.LongestSleep = std::max(stats.LongestSleep, sleep);
        now += sleep + wakeLatency;
        pacer.Woke(now);
        ++stats.Wakes;
    }
    stats.Delay = now - completion;
    return stats;
}

// Runs `blocks` passes against a device whose buffers last `actual`; returns the worst
// of the passes after the first two (the cadence is learnt by then).
WaitStats RunBlocks(int blocks, Clock::duration actual, Clock::duration processing = milliseconds(3))
{
    WaitPacer pacer;
    Clock::time_point now = Clock::time_point{} + std::chrono::hours(1);
    const Clock::time_point start = now;
    WaitStats worst;
    for (int b = 1; b <= blocks; ++b) {
        const WaitStats s = WaitFor(pacer, now, uint64_t(b), start + b * actual);
        now += processing;
        if (b <= 2) continue;
        worst.Wakes = std::max(worst.Wakes, s.Wakes);
        worst.LongestSleep = std::max(worst.LongestSleep, s.LongestSleep);
        worst.Delay = std::max(worst.Delay, s.Delay);
    }
    return worst;
}

TEST(WaitPacer, WithoutCadenceThePassPollsAsBefore)
{
    WaitPacer pacer;
    const Clock::time_point t0 = Clock::time_point{} + std::chrono::hours(1);
    // First pass of a run: nothing seen yet.
    EXPECT_EQ(pacer.Sleep(t0, 1, Period, Poll), WaitPacer::EarlySleep);
    EXPECT_EQ(pacer.Sleep(t0 + WaitPacer::EarlyWait - Poll, 1, Period, Poll), WaitPacer::EarlySleep);
    EXPECT_EQ(pacer.Sleep(t0 + WaitPacer::EarlyWait, 1, Period, Poll), Poll);
    EXPECT_EQ(pacer.Due(), Clock::time_point{});

    // The loop stopped and restarted 250 ms later: the old sighting says nothing.
    pacer.Woke(t0 + milliseconds(93));
    EXPECT_EQ(pacer.Sleep(t0 + milliseconds(350), 2, Period, Poll), WaitPacer::EarlySleep);
    EXPECT_EQ(pacer.Due(), Clock::time_point{});

    // A pass that never slept (its buffer was complete when it looked) gives the next
    // pass nothing to go on either.
    EXPECT_EQ(pacer.Sleep(t0 + milliseconds(400), 4, Period, Poll), WaitPacer::EarlySleep);
    EXPECT_EQ(pacer.Due(), Clock::time_point{});
}

TEST(WaitPacer, ExpectsTheNextCompletionOnePeriodAfterTheSighting)
{
    WaitPacer pacer;
    const Clock::time_point t0 = Clock::time_point{} + std::chrono::hours(1);
    pacer.Sleep(t0, 1, Period, Poll);
    const Clock::time_point seen = t0 + milliseconds(93);
    pacer.Woke(seen);
    const Clock::time_point pass2 = seen + milliseconds(2);
    const Clock::duration first = pacer.Sleep(pass2, 2, Period, Poll);
    const Clock::time_point due = seen - WaitPacer::SeenLate + Period;
    EXPECT_EQ(pacer.Due(), due);
    EXPECT_EQ(first, WaitPacer::Slice);
    // Slices end exactly where the millisecond polling begins.
    const Clock::time_point last = due - WaitPacer::Lead - milliseconds(4);
    EXPECT_EQ(pacer.Sleep(last, 2, Period, Poll), milliseconds(4));
    EXPECT_EQ(pacer.Sleep(due - WaitPacer::Lead, 2, Period, Poll), Poll);
    EXPECT_EQ(pacer.Sleep(due + milliseconds(5), 2, Period, Poll), Poll);
    // A poll asking for more than the slice gets what it asked.
    EXPECT_EQ(pacer.Sleep(pass2, 2, Period, milliseconds(20)), milliseconds(20));
}

TEST(WaitPacer, KeepsItsExpectationAgainstLateSightingsAndFollowsEarlyOnes)
{
    WaitPacer pacer;
    const Clock::time_point t0 = Clock::time_point{} + std::chrono::hours(1);
    pacer.Sleep(t0, 1, Period, Poll);
    pacer.Woke(t0 + milliseconds(10));
    pacer.Sleep(t0 + milliseconds(12), 2, Period, Poll);
    const Clock::time_point due = pacer.Due();

    // Seen 1 ms late: the expected moment was right, the next is a period after it.
    pacer.Woke(due + milliseconds(1));
    pacer.Sleep(due + milliseconds(3), 3, Period, Poll);
    EXPECT_EQ(pacer.Due(), due + Period);

    // Seen long after (a slow handler held the loop): not later than SeenLate before it.
    const Clock::time_point due3 = pacer.Due();
    pacer.Woke(due3 + milliseconds(30));
    pacer.Sleep(due3 + milliseconds(31), 4, Period, Poll);
    EXPECT_EQ(pacer.Due(), due3 + milliseconds(30) - WaitPacer::SeenLate + Period);

    // Seen early (the device restarted after a time-out): the sighting wins.
    const Clock::time_point due4 = pacer.Due();
    pacer.Woke(due4 - milliseconds(40));
    pacer.Sleep(due4 - milliseconds(39), 5, Period, Poll);
    EXPECT_EQ(pacer.Due(), due4 - milliseconds(40) + Period);
}

TEST(WaitPacer, FewWakesAndPromptDetectionAtTheNominalRate)
{
    const WaitStats s = RunBlocks(200, Period);
    // About nine slices and two or three millisecond polls per block, against ~40 before.
    EXPECT_LE(s.Wakes, 12);
    EXPECT_LE(s.LongestSleep, WaitPacer::Slice);
    EXPECT_LE(s.Delay, microseconds(1100));
}

TEST(WaitPacer, DeviceClockOffTheNominalRateNeitherDriftsNorLosesBlocks)
{
    // 0.1 % off either way, over 2000 blocks (more than three minutes): the expectation
    // follows the device, detection stays prompt and the wake count low.
    for (const Clock::duration actual : {Period + Period / 1000, Period - Period / 1000}) {
        const WaitStats s = RunBlocks(2000, actual);
        EXPECT_LE(s.Wakes, 16);
        EXPECT_LE(s.Delay, microseconds(1100));
    }
    // A device far faster than its nominal rate is still served, at most a slice late.
    const WaitStats fast = RunBlocks(200, Period / 2);
    EXPECT_LE(fast.Delay, WaitPacer::Slice + microseconds(100));
}

}  // namespace
