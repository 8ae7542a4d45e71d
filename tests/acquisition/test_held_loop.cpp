// A loop held up by a modal dialog: capture goes on behind it, the blocks queue in the
// device's backlog, and when the dialog closes the loop takes them in order, so a recording
// holds every sample; a backlog that overflows says so. The device is the scripted one run
// live (a sound card's clock producing the counting pattern, eight times real time here so
// that ten seconds of sound pass in 1.25 s), and the dialog serves the timers as a modal
// dialog's own event loop does.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopRig.h"
#include "acquisition/CaptureBacklog.h"
#include "acquisition/DemoBackend.h"

namespace {

constexpr double Speed = 8.0;
constexpr int Frames = 4096;   // per block

struct HeldRig : LoopRig {
    HeldRig()
    {
        host.TimeOutIntervalMs = 350;   // the real timer: the dialog outlasts it many times
        recorder.SetPatchInterval(std::chrono::milliseconds(250));
        backend.RunLive(Speed);
        host.OnProcessMessages = [this] {
            if (!dialogDone && !inDialog && host.PassEnds >= DialogAfterPasses) HoldDialog();
        };
        StopAfter(StopAfterPasses);
    }

    // A modal dialog open for `DialogSeconds` of sound: the loop stands, the dialog's own
    // event loop runs the timers (the capture time-out fires in it, as under Qt).
    void HoldDialog()
    {
        inDialog = true;
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::duration<double>(DialogSeconds / Speed);
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            host.ProcessMessages();
        }
        inDialog = false;
        dialogDone = true;
    }

    void Record(const std::string& path)
    {
        dialogs.SaveAnswers.push_back(path);
        recorder.SaveWave1Click();
        recorder.RecordBtnClick();
    }

    // The recorded samples (mono).
    static std::vector<int16_t> Samples(const std::string& path)
    {
        const Bytes file = ReadBytes(path);
        std::vector<int16_t> s(file.size() > 44 ? (file.size() - 44) / 2 : 0);
        if (!s.empty()) std::memcpy(s.data(), file.data() + 44, s.size() * 2);
        return s;
    }

    int DialogAfterPasses = 20;
    double DialogSeconds = 10.0;
    int StopAfterPasses = 20 + 108 + 20;   // 108 blocks are ten seconds
    bool inDialog = false;
    bool dialogDone = false;
};

// Frames where the counting pattern does not go on by one: (index, frames missing).
std::vector<std::pair<size_t, int>> Jumps(const std::vector<int16_t>& s)
{
    std::vector<std::pair<size_t, int>> jumps;
    for (size_t i = 1; i < s.size(); ++i) {
        const auto step = static_cast<uint16_t>(static_cast<uint16_t>(s[i]) - static_cast<uint16_t>(s[i - 1]));
        if (step != 1) jumps.emplace_back(i, step - 1);
    }
    return jumps;
}

}  // namespace

TEST(HeldLoop, TenSecondsInADialogLeaveARecordingEqualToTheInputSampleForSample)
{
    HeldRig rig;
    const std::string path = TempPath("held.wav");
    rig.Record(path);
    rig.loop.StartBtnClick();
    const int resets = rig.backend.Calls(WaveOperation::Reset);
    rig.loop.StopBtnClick();
    rig.recorder.StopWvBtnClick();
    ASSERT_TRUE(rig.dialogDone);

    const std::vector<int16_t> s = HeldRig::Samples(path);
    ASSERT_EQ(s.size(), size_t(rig.StopAfterPasses) * Frames);   // the last pass records, then ends
    EXPECT_EQ(s[0], 0) << "the recording starts at the first frame captured";
    EXPECT_TRUE(Jumps(s).empty()) << Jumps(s).size() << " holes, the first at frame " << Jumps(s)[0].first;
    // The device went on for the whole dialog, and its blocks were processed afterwards.
    EXPECT_GE(rig.backend.FramesDelivered(), uint64_t(rig.DialogAfterPasses + 107) * Frames);
    EXPECT_EQ(rig.loop.BlocksProcessed(), uint64_t(rig.StopAfterPasses - 1));
    // The capture time-out fired inside the dialog, but the buffers were there: no time-out
    // counts against the run, no restart, no message.
    EXPECT_EQ(rig.state->TimeOutCount, 0);
    EXPECT_EQ(resets, 0);
    EXPECT_TRUE(rig.host.Messages.empty());
    EXPECT_TRUE(rig.host.LostSeconds.empty());
    EXPECT_EQ(rig.backend.DroppedBytes(), 0u);
}

// A backlog of three blocks against ten seconds in the dialog: what did not fit is lost, and
// the recording says how much and where its two ends meet, in one message; the file holds
// exactly one hole there, of exactly that size.
TEST(HeldLoop, AnOverflowingBacklogIsReportedWhereTheRecordingJoinsItsEnds)
{
    HeldRig rig;
    rig.backend.SetBacklogLimit(3 * 8192);
    // Held display: blocks are recorded, not processed, so that a slow build (sanitizers)
    // keeps up with the device's eightfold pace and the one loss is the dialog's.
    rig.processing->DisplayHold = true;
    const std::string path = TempPath("overflow.wav");
    rig.Record(path);
    rig.loop.StartBtnClick();
    rig.loop.StopBtnClick();
    rig.recorder.StopWvBtnClick();

    const std::vector<int16_t> s = HeldRig::Samples(path);
    const auto jumps = Jumps(s);
    ASSERT_EQ(jumps.size(), 1u);
    ASSERT_EQ(rig.host.LostSeconds.size(), 1u);
    const uint64_t lostFrames = rig.backend.DroppedBytes() / 2;
    const double lost = lostFrames / 44100.0;
    EXPECT_NEAR(rig.host.LostSeconds[0], lost, 1e-9);
    EXPECT_GT(lost, 8.0);
    EXPECT_EQ(uint64_t(jumps[0].second), lostFrames % 65536) << "the pattern counts modulo 65536";
    ASSERT_EQ(rig.host.Messages.size(), 1u);
    EXPECT_EQ(rig.host.Messages[0].Caption, "Record Error");
    char said[64];
    std::snprintf(said, sizeof said, "%.1f s of input were lost", lost);
    EXPECT_NE(rig.host.Messages[0].Text.find(said), std::string::npos) << rig.host.Messages[0].Text;
    // The hole follows the last frame that was in the backlog: the two buffers and three
    // blocks of backlog behind the block being processed when the dialog opened.
    std::snprintf(said, sizeof said, "meet at %.1f s", jumps[0].first / 44100.0);
    EXPECT_NE(rig.host.Messages[0].Text.find(said), std::string::npos) << rig.host.Messages[0].Text;
    EXPECT_EQ(rig.state->TimeOutCount, 0);
}

// The demo input behaves as a card: it produces in real time whether its buffers are taken or
// not, and what it produced while none was queued completes the next buffers at once.
TEST(HeldLoop, TheDemoInputKeepsProducingWhileNoBufferIsQueued)
{
    DemoBackend demo;
    AcquisitionState state;
    HeadlessHost host;
    WaveInDevice device(state, host, demo);
    device.Configure();
    device.Open();
    device.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));   // over three blocks, none queued
    const size_t waiting = demo.BacklogBytes();
    EXPECT_GE(waiting, 3u * 8192);
    device.PrepareA();
    device.QueueA();
    EXPECT_TRUE(device.HeaderA.Done()) << "the first block was waiting";
    SignalGenerator reference(DemoBackend::DefaultSettings());
    std::vector<int16_t> expected(Frames);
    reference.Generate(expected.data(), Frames);
    EXPECT_EQ(std::memcmp(state.CaptureBufferA, expected.data(), 8192), 0);
    EXPECT_EQ(demo.DroppedBytes(), 0u);
    device.ShutDown();
    EXPECT_EQ(demo.BacklogBytes(), 0u) << "a reset gives the backlog up";
    EXPECT_TRUE(host.Messages.empty());
}

// The backlog itself: bytes come back in order across its segments, each buffer learns when
// its last byte arrived, and a loss is reported by the take that passes the place it left.
TEST(CaptureBacklogOrder, BytesArrivalsAndLossesComeBackInOrder)
{
    using Clock = CaptureBacklog::Clock;
    const Clock::time_point t0 = Clock::now();
    auto at = [t0](int s) { return t0 + std::chrono::seconds(s); };
    CaptureBacklog backlog;
    backlog.SetLimit(120000);
    std::vector<uint8_t> in(250000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 13 + i / 251);

    // Two pieces a second apart, over two segments.
    EXPECT_EQ(backlog.Push(in.data(), 50000, at(0)), 0u);
    EXPECT_EQ(backlog.Push(in.data() + 50000, 50000, at(1)), 0u);
    std::vector<uint8_t> out(220000);
    CaptureBacklog::Taken t = backlog.Take(out.data(), 50000);
    EXPECT_EQ(t.Bytes, 50000u);
    EXPECT_EQ(t.Arrived, at(0)) << "the last byte taken came with the first piece";
    t = backlog.Take(out.data() + 50000, 30000);
    EXPECT_EQ(t.Arrived, at(1));

    // 150000 bytes against room for 100000: the rest is dropped, and so are 10 more bytes
    // that find it full. The loss belongs before the next byte stored, not before these.
    EXPECT_EQ(backlog.Push(in.data() + 100000, 150000, at(3)), 50000u);
    EXPECT_EQ(backlog.Push(in.data(), 10, at(4)), 10u);
    t = backlog.Take(out.data() + 80000, 20000);
    EXPECT_EQ(t.Arrived, at(1));
    EXPECT_EQ(t.LostBefore, 0u);
    t = backlog.Take(out.data() + 100000, 120000);
    EXPECT_EQ(t.Bytes, 100000u);
    EXPECT_EQ(t.Arrived, at(3));
    EXPECT_EQ(t.LostBefore, 0u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 200000, in.begin()));

    EXPECT_EQ(backlog.Push(in.data() + 7, 5, at(5)), 0u);
    uint8_t tail[5];
    t = backlog.Take(tail, 5);
    EXPECT_EQ(t.LostBefore, 50010u);
    EXPECT_EQ(t.Arrived, at(5));
    EXPECT_EQ(std::memcmp(tail, in.data() + 7, 5), 0);
    EXPECT_TRUE(backlog.Empty());

    // A loss with nothing stored after it yet is handed over as it is; Clear forgets all.
    EXPECT_EQ(backlog.Push(in.data(), 130000, at(6)), 10000u);
    EXPECT_EQ(backlog.TakePendingLoss(), 10000u);
    backlog.Clear();
    EXPECT_TRUE(backlog.Empty());
    EXPECT_EQ(backlog.Take(tail, 5).Bytes, 0u);
    EXPECT_EQ(backlog.TakePendingLoss(), 0u);
}
