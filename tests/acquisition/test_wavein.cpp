// The wave-input device: message sequences, the device-error routine, the buffer
// protocol, the time-out path and the simulated backends.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CaptureHelpers.h"
#include "acquisition/DemoBackend.h"
#include "acquisition/FileBackend.h"
#include "acquisition/ScriptedBackend.h"
#include "acquisition/WaveInFactory.h"

namespace {

using Texts = std::vector<std::string>;

// Exposes Deliver so a test can fill a buffer part of the way.
class ManualBackend : public QueuedWaveInBackend {
public:
    std::string Name() const override { return "manual"; }
    size_t Push(size_t bytes)
    {
        std::vector<uint8_t> data(bytes, 0x5A);
        return Deliver(data.data(), bytes);
    }
    bool Lost = false;

protected:
    WaveResult DoQueryFormat(const WaveFormat&) override { return WaveNoError; }
    WaveResult DoOpen(const WaveFormat&) override { return WaveNoError; }
    WaveResult DoStart() override { return WaveNoError; }
    void DoStop() override {}
    void DoClose() override {}
    bool DeliveryLost() override { return Lost; }
};

bool AllCaptionsAreDevice(const HeadlessHost& host)
{
    for (const HostMessage& m : host.Messages)
        if (m.Caption != "Wave Device Message") return false;
    return true;
}

}  // namespace

TEST(WaveInDevice, NoDeviceMessagesInOrderAndTerminationOnlyOnceRunning)
{
    ScriptedBackend backend;
    backend.SimulateNoDevice();
    CaptureRig rig(backend);
    rig.OpenSequence();
    EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Could not open the input wave device", "Error Opening Input wave device",
                                              "Error preparing the header_a", "Error in sending 'a' buffer",
                                              "Error starting the input wave device"}));
    EXPECT_TRUE(AllCaptionsAreDevice(rig.host));
    EXPECT_EQ(rig.host.TerminateRequests, 0) << "the opening sequence runs before acquisition is marked running";
    EXPECT_EQ(rig.device.LastResult(), WaveErrInvalidHandle);

    // The loop marks itself running; its first position poll fails and asks to terminate.
    rig.state->AcquisitionIdle = false;
    rig.device.GetPosition();
    EXPECT_EQ(rig.host.Messages.back().Text, "Error getting the byte position");
    EXPECT_EQ(rig.host.TerminateRequests, 1);
    EXPECT_EQ(rig.device.Position, 1u) << "a failed poll leaves the position record alone";

    // Each further failure while running asks again; the sequence goes on regardless.
    rig.device.RearmB();
    rig.device.PrepareB();
    rig.device.QueueB();
    EXPECT_EQ(rig.host.MessageTexts().size(), 8u);
    EXPECT_EQ(rig.host.Messages[6].Text, "Error preparing the header_b");
    EXPECT_EQ(rig.host.Messages[7].Text, "Error in sending 'b' buffer");
    EXPECT_EQ(rig.host.TerminateRequests, 3);
}

TEST(WaveInDevice, FormatRefusalAndSingleFailuresEachShowTheirOwnText)
{
    // A format no device can capture: the query's message first, then the open's.
    {
        ScriptedBackend backend;
        CaptureRig rig(backend);
        rig.state->BitsPerSample = 24;
        rig.device.Configure();
        rig.device.Open();
        EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Could not open the input wave device", "Error Opening Input wave device"}));
        EXPECT_EQ(rig.device.LastResult(), WaveErrBadFormat);
    }
    // One scripted failure per step, in a running acquisition: one box and one request each.
    {
        ScriptedBackend backend;
        backend.Fail(WaveOperation::Start, WaveErrNoMemory, 1, 1);
        backend.Fail(WaveOperation::PrepareHeader, WaveErrNoMemory, 2, 1);
        backend.Fail(WaveOperation::AddBuffer, WaveErrError, 2, 1);
        backend.Fail(WaveOperation::UnprepareHeader, WaveErrError, 1, 1);
        CaptureRig rig(backend);
        rig.OpenSequence();
        EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Error starting the input wave device"}));
        EXPECT_EQ(rig.host.TerminateRequests, 0);
        rig.state->AcquisitionIdle = false;
        rig.device.Start();
        rig.device.PrepareB();
        rig.device.QueueB();
        rig.device.WaitA();
        rig.device.UnprepareA();
        EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Error starting the input wave device", "Error preparing the header_b",
                                                  "Error in sending 'b' buffer", "Error unpreparing the Header a"}));
        EXPECT_EQ(rig.host.TerminateRequests, 3);
        EXPECT_EQ(backend.Calls(WaveOperation::Start), 2);
    }
}

TEST(WaveInDevice, ShutDownReportsEveryFailingStepAndClosesAnOpenDevice)
{
    // Already closed: four boxes, one per step, none skipped; idle, so no termination.
    {
        ScriptedBackend backend;
        CaptureRig rig(backend);
        rig.device.Configure();
        rig.device.ShutDown();
        EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Error Resetting the input wave device", "Error unpreparing the _a Header",
                                                  "Error unpreparing the _b Header", "Error closing the input wave device"}));
        EXPECT_TRUE(AllCaptionsAreDevice(rig.host));
        EXPECT_EQ(rig.host.TerminateRequests, 0);
    }
    // A running device with both buffers queued shuts down silently; a second shut-down
    // then finds it closed.
    {
        ScriptedBackend backend;
        backend.StallBuffer(1);
        CaptureRig rig(backend);
        rig.OpenSequence();
        rig.device.RearmB();
        rig.device.PrepareB();
        rig.device.QueueB();
        EXPECT_EQ(backend.QueuedCount(), 2u);
        rig.device.ShutDown();
        EXPECT_TRUE(rig.host.Messages.empty());
        EXPECT_FALSE(backend.IsOpen());
        EXPECT_TRUE(rig.device.HeaderA.Done() && rig.device.HeaderB.Done());
        rig.device.ShutDown();
        EXPECT_EQ(rig.host.Messages.size(), 4u);
    }
    // A failing reset leaves the buffers queued, so the close fails too: both reported.
    {
        ScriptedBackend backend;
        backend.StallBuffer(1);
        backend.Fail(WaveOperation::Reset, WaveErrError);
        CaptureRig rig(backend);
        rig.OpenSequence();
        rig.device.ShutDown();
        EXPECT_EQ(rig.host.MessageTexts(), (Texts{"Error Resetting the input wave device", "Error unpreparing the _a Header",
                                                  "Error closing the input wave device"}));
        EXPECT_EQ(rig.device.LastResult(), WaveErrStillPlaying);
    }
}

TEST(WaveInDevice, ResetReturnsEveryQueuedHeaderDoneAndTheProtocolIsEnforced)
{
    ManualBackend backend;
    CaptureRig rig(backend);
    rig.OpenSequence();
    rig.device.PrepareB();
    rig.device.QueueB();
    EXPECT_EQ(backend.Push(1000), 1000u);
    EXPECT_EQ(rig.device.GetPosition(), 1000u);
    // A device that stops delivering reports the head buffer as given up, so a poll for
    // the half-buffer position ends and the wait for the buffer runs into its time-out.
    backend.Lost = true;
    EXPECT_EQ(rig.device.GetPosition(), 8192u);
    backend.Lost = false;
    EXPECT_FALSE(rig.device.HeaderA.Done());
    rig.device.Reset();
    EXPECT_TRUE(rig.device.HeaderA.Done());
    EXPECT_TRUE(rig.device.HeaderB.Done());
    EXPECT_EQ(rig.device.HeaderA.BytesRecorded, 1000u) << "the head keeps what it holds";
    EXPECT_EQ(rig.device.HeaderB.BytesRecorded, 0u);
    EXPECT_EQ(rig.device.HeaderA.Flags & WaveHeaderInQueue, 0u);
    EXPECT_EQ(backend.QueuedCount(), 0u);
    EXPECT_EQ(rig.device.GetPosition(), 0u) << "a reset sets the position back to 0";
    EXPECT_EQ(backend.Push(10), 0u) << "a reset device captures nothing until started";
    EXPECT_TRUE(rig.host.Messages.empty());

    // The waveIn rules: no queueing of an unprepared or already queued header, no
    // unpreparing or closing while a header is queued, no second open.
    EXPECT_EQ(backend.Open(rig.device.Format), WaveErrAllocated);
    rig.device.UnprepareA();
    EXPECT_EQ(backend.AddBuffer(rig.device.HeaderA), WaveErrUnprepared);
    rig.device.PrepareA();
    rig.device.QueueA();
    EXPECT_EQ(backend.AddBuffer(rig.device.HeaderA), WaveErrStillPlaying);
    EXPECT_EQ(backend.UnprepareHeader(rig.device.HeaderA), WaveErrStillPlaying);
    EXPECT_EQ(backend.Close(), WaveErrStillPlaying);
    rig.device.Start();
    EXPECT_EQ(backend.Push(20000), 20000u) << "one buffer queued: the rest waits for the next";
    EXPECT_TRUE(rig.device.HeaderA.Done());
    EXPECT_EQ(rig.device.HeaderA.BytesRecorded, 8192u);
    EXPECT_EQ(backend.BacklogBytes(), 20000u - 8192u);
    rig.device.PrepareB();
    rig.device.QueueB();
    EXPECT_TRUE(rig.device.HeaderB.Done()) << "queued, it takes what waited at once";
    EXPECT_EQ(backend.BacklogBytes(), 20000u - 2 * 8192u);
    EXPECT_EQ(backend.DroppedBytes(), 0u) << "only what arrives while started counts";

    // A full backlog: what does not fit is lost, and the buffer that receives the next bytes
    // after the loss says how much was lost before them.
    backend.SetBacklogLimit(4000);
    EXPECT_EQ(backend.Push(5000), 4000u - (20000u - 2 * 8192u));
    EXPECT_EQ(backend.DroppedBytes(), 5000u - (4000u - (20000u - 2 * 8192u)));
    rig.device.UnprepareA();
    rig.device.PrepareA();
    rig.device.QueueA();
    EXPECT_FALSE(rig.device.HeaderA.Done());
    EXPECT_EQ(rig.device.HeaderA.BytesRecorded, 4000u);
    EXPECT_EQ(backend.Push(5000), 5000u);
    EXPECT_TRUE(rig.device.HeaderA.Done());
    EXPECT_EQ(rig.device.HeaderA.LostBefore, backend.DroppedBytes());
    EXPECT_EQ(backend.BacklogBytes(), 5000u - (8192u - 4000u));
    EXPECT_TRUE(rig.host.Messages.empty());
}

TEST(WaveInDevice, StalledBufferEndsItsWaitThroughResetAndRestart)
{
    ScriptedBackend backend;
    backend.StallBuffer(2);  // header B of the first pass
    CaptureRig rig(backend);
    rig.host.TimeOutIntervalMs = 60;
    rig.OpenSequence();
    rig.state->AcquisitionIdle = false;

    const CaptureRig::Block first = rig.CaptureOne();  // A: completes at once
    EXPECT_FALSE(first.TimedOut);
    EXPECT_EQ(first.Bytes.size(), 8192u);
    const auto before = std::chrono::steady_clock::now();
    const CaptureRig::Block stalled = rig.CaptureOne();  // B: never completes
    const double waitedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    EXPECT_TRUE(stalled.TimedOut);
    EXPECT_GE(waitedMs, 55.0);
    EXPECT_EQ(stalled.Bytes.size(), 0u) << "the block holds what the buffer received: nothing";
    EXPECT_EQ(backend.Calls(WaveOperation::Reset), 1);
    EXPECT_EQ(backend.Calls(WaveOperation::Start), 2);
    EXPECT_TRUE(rig.host.Messages.empty());
    EXPECT_EQ(rig.host.TerminateRequests, 0);

    // The protocol recovers by itself: A came back from the reset (empty), then full blocks
    // continue the stream where it stopped.
    const std::vector<CaptureRig::Block> after = rig.Capture(4);
    EXPECT_EQ(after[0].Bytes.size(), 0u);
    int64_t expected = 4096;
    for (size_t i = 1; i < after.size(); ++i) {
        ASSERT_EQ(after[i].Bytes.size(), 8192u);
        EXPECT_FALSE(after[i].TimedOut);
        const std::vector<int16_t> s = Samples(after[i].Bytes);
        EXPECT_EQ(s.front(), static_cast<int16_t>(expected));
        EXPECT_EQ(s.back(), static_cast<int16_t>(expected + 4095));
        expected += 4096;
    }
    EXPECT_TRUE(rig.host.Messages.empty());

    // A shut-down from a command that runs inside the wait hands the header back: the wait
    // returns without its time-out.
    ScriptedBackend stuck;
    stuck.StallBuffer(1);
    CaptureRig second(stuck);
    second.host.TimeOutIntervalMs = 60000;
    second.OpenSequence();
    second.host.OnProcessMessages = [&] {
        if (second.host.ProcessMessagesCalls == 3) second.device.ShutDown();
    };
    second.device.WaitA();
    EXPECT_EQ(second.host.ProcessMessagesCalls, 3);
    EXPECT_FALSE(second.state->DeviceTimedOut);
    EXPECT_FALSE(stuck.IsOpen());
}

// The pace itself (one block per 92.88 ms) depends on the machine's load and is measured by
// bench_acquisition (BM_DemoPacing); here only what holds on any machine.
TEST(WaveInBackends, DemoSignalArrivesInOrderWithoutLossAndPaced)
{
    for (const bool stereo : {false, true}) {
        DemoBackend backend;
        CaptureRig rig(backend, stereo);
        rig.OpenSequence();
        rig.state->AcquisitionIdle = false;
        const std::vector<CaptureRig::Block> blocks = rig.Capture(8);
        rig.device.ShutDown();
        EXPECT_TRUE(rig.host.Messages.empty());

        // Paced, not delivered all at once: the blocks complete one after the other.
        EXPECT_GT(AveragePeriodMs(blocks, 1), 0.0) << "stereo " << stereo;
        for (size_t i = 1; i < blocks.size(); ++i)
            EXPECT_LT(blocks[i - 1].Completed, blocks[i].Completed) << "block " << i << " stereo " << stereo;

        // The blocks are the generator's stream without a gap.
        SignalGeneratorSettings settings = DemoBackend::DefaultSettings();
        settings.Stereo = stereo;
        SignalGenerator reference(settings);
        const int channels = stereo ? 2 : 1;
        std::vector<int16_t> expected(4096 * channels);
        for (size_t i = 0; i < blocks.size(); ++i) {
            reference.Generate(expected.data(), 4096);
            ASSERT_EQ(blocks[i].Bytes.size(), expected.size() * 2);
            EXPECT_FALSE(blocks[i].TimedOut);
            EXPECT_EQ(Samples(blocks[i].Bytes), expected) << "block " << i << " stereo " << stereo;
        }
        EXPECT_EQ(backend.DroppedBytes(), 0u);
    }
}

TEST(WaveInBackends, FilePacedDeliversTheFileThenSilenceAndRefusesOtherFormats)
{
    // A WAVE file with a LIST chunk before its data: 2.5 blocks of a ramp.
    const std::string path = TempPath("filebackend.wav");
    std::vector<int16_t> ramp(10240);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 3);
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
        auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
        const uint32_t data = static_cast<uint32_t>(ramp.size() * 2);
        std::fwrite("RIFF", 1, 4, f); u32(4 + 24 + 14 + 8 + data);
        std::fwrite("WAVEfmt ", 1, 8, f); u32(16); u16(1); u16(1); u32(44100); u32(88200); u16(2); u16(16);
        std::fwrite("LIST", 1, 4, f); u32(5); std::fwrite("INFOx\0", 1, 6, f);  // odd size, pad byte
        std::fwrite("data", 1, 4, f); u32(data);
        std::fwrite(ramp.data(), 2, ramp.size(), f);
        std::fclose(f);
    }
    std::string error;
    std::unique_ptr<WaveInBackend> backend = MakeWaveInBackend("file:" + path, error);
    ASSERT_TRUE(backend) << error;
    auto* file = dynamic_cast<FileBackend*>(backend.get());
    ASSERT_NE(file, nullptr);
    CaptureRig rig(*backend);
    rig.OpenSequence();
    const std::vector<CaptureRig::Block> blocks = rig.Capture(4);
    EXPECT_TRUE(rig.host.Messages.empty());
    std::vector<int16_t> got;
    for (const auto& b : blocks) {
        const std::vector<int16_t> s = Samples(b.Bytes);
        got.insert(got.end(), s.begin(), s.end());
    }
    ASSERT_EQ(got.size(), 4u * 4096u);
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + ramp.size(), got.end(), [](int16_t v) { return v == 0; }));
    EXPECT_TRUE(file->Exhausted());
    EXPECT_EQ(file->SourceBytesDelivered(), ramp.size() * 2);
    rig.device.ShutDown();

    // Line (stereo) capture from a mono file is refused in one message that says why and what
    // to choose; the steps of the run that follow on the unopened device add nothing to it,
    // and the first position poll of the running loop ends the program.
    std::unique_ptr<WaveInBackend> again = MakeWaveInBackend("file:" + path, error);
    CaptureRig stereo(*again, true);
    stereo.OpenSequence();
    stereo.state->AcquisitionIdle = false;
    EXPECT_EQ(stereo.host.TerminateRequests, 0);
    stereo.device.GetPosition();
    EXPECT_EQ(stereo.host.TerminateRequests, 1);
    stereo.state->AcquisitionIdle = true;
    stereo.device.ShutDown();
    EXPECT_EQ(stereo.host.MessageTexts(),
              (Texts{"Could not open the input wave device (input file " + path +
                     ": found 44100 Hz, 16-bit PCM, 1 channel; needed 44100 Hz, 16-bit PCM, 2 channels; "
                     "mono file: choose Options > Input > Microphone)"}));
    // A sound card without the format keeps its own messages, one per failing step.
    ScriptedBackend card;
    card.Fail(WaveOperation::QueryFormat, WaveErrBadFormat);
    card.Fail(WaveOperation::Open, WaveErrBadFormat);
    CaptureRig cardRig(card);
    cardRig.device.Configure();
    cardRig.device.Open();
    EXPECT_EQ(cardRig.host.MessageTexts(), (Texts{"Could not open the input wave device", "Error Opening Input wave device"}));

    // file-loop: once the file has ended it starts again at its first sample (after the LIST).
    std::unique_ptr<WaveInBackend> looped = MakeWaveInBackend("file-loop:" + path, error);
    ASSERT_TRUE(looped) << error;
    CaptureRig loopRig(*looped);
    loopRig.OpenSequence();
    std::vector<int16_t> cycle;
    for (const auto& b : loopRig.Capture(3)) {
        const std::vector<int16_t> s = Samples(b.Bytes);
        cycle.insert(cycle.end(), s.begin(), s.end());
    }
    loopRig.device.ShutDown();
    ASSERT_EQ(cycle.size(), 3u * 4096u);
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), cycle.begin()));
    EXPECT_TRUE(std::equal(cycle.begin() + ramp.size(), cycle.end(), ramp.begin()));

    // Unusable names and files are refused with a reason, not a device.
    EXPECT_FALSE(MakeWaveInBackend("file:/nonexistent/x.wav", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
    if (std::FILE* f = std::fopen(path.c_str(), "r+b")) {   // bits per sample -> 8
        const uint16_t eight = 8;
        std::fseek(f, 34, SEEK_SET);
        std::fwrite(&eight, 2, 1, f);
        std::fclose(f);
    }
    EXPECT_FALSE(MakeWaveInBackend("file:" + path, error));
    EXPECT_NE(error.find("not 16-bit PCM"), std::string::npos) << error;
    EXPECT_FALSE(MakeWaveInBackend("soundblaster", error));
    EXPECT_NE(error.find("portaudio"), std::string::npos);
    for (const char* name : {"portaudio", "demo", "demo-fm", "silence", "scripted"}) {
        std::unique_ptr<WaveInBackend> b = MakeWaveInBackend(name, error);
        ASSERT_TRUE(b) << name;
        EXPECT_EQ(b->Name(), std::string(name) == "demo-fm" ? "demo" : name);
    }
    std::remove(path.c_str());
}

// A file at a sound card's pace: the same samples in the same order as fast delivery, then
// silence, but never a block before the card's clock has reached its last frame (block k
// completes at k x 4096 / 44100 s after the start at the earliest, however late it is taken).
TEST(WaveInBackends, FileAtTheCardsPaceComesInOrderAndNeverAheadOfTheClock)
{
    for (const bool stereo : {false, true}) {
        const int channels = stereo ? 2 : 1;
        std::vector<int16_t> ramp(6144 * channels);   // a block and a half
        for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 7 + 1);
        std::vector<uint8_t> bytes(ramp.size() * 2);
        std::memcpy(bytes.data(), ramp.data(), bytes.size());
        FileBackend backend(std::make_unique<MemorySource>(bytes, PcmFormat(static_cast<uint16_t>(channels))),
                            SourceEnd::Silence, SourcePace::Card);
        EXPECT_EQ(backend.Pace(), SourcePace::Card);
        CaptureRig rig(backend, stereo);
        const auto start = std::chrono::steady_clock::now();
        rig.OpenSequence();
        const std::vector<CaptureRig::Block> blocks = rig.Capture(3);
        rig.device.ShutDown();
        EXPECT_TRUE(rig.host.Messages.empty());

        const std::chrono::duration<double> blockPeriod(4096.0 / 44100.0);
        std::vector<int16_t> got;
        for (size_t k = 0; k < blocks.size(); ++k) {
            EXPECT_FALSE(blocks[k].TimedOut) << "block " << k;
            EXPECT_GE(blocks[k].Completed - start, blockPeriod * double(k + 1)) << "block " << k << " stereo " << stereo;
            const std::vector<int16_t> s = Samples(blocks[k].Bytes);
            got.insert(got.end(), s.begin(), s.end());
        }
        ASSERT_EQ(got.size(), 3u * 4096u * channels);
        EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), got.begin()));
        EXPECT_TRUE(std::all_of(got.begin() + ramp.size(), got.end(), [](int16_t v) { return v == 0; }));
        EXPECT_TRUE(backend.Exhausted());
        EXPECT_EQ(backend.SourceBytesDelivered(), bytes.size());
        EXPECT_EQ(backend.DroppedBytes(), 0u);
    }
}

// The loop's own capture step: time-outs count against the run and the fifth marks acquisition
// idle; a run that ends while the device is short of the half-buffer queues nothing more.
TEST(CaptureProtocol, FifthTimeOutEndsTheRunAndAnEndingRunStopsThePoll)
{
    ScriptedBackend backend;
    for (int n = 1; n <= 12; ++n) backend.StallBuffer(n);
    CaptureRig rig(backend);
    rig.host.TimeOutIntervalMs = 5;
    rig.OpenSequence();
    rig.state->AcquisitionIdle = false;
    // Each reset hands the other queued header back at once (empty), so stalls and empty
    // blocks alternate.
    int timeOuts = 0;
    for (int step = 1; step <= 12 && !rig.state->AcquisitionIdle; ++step) {
        const CapturedBlock block = rig.protocol.Capture({});
        EXPECT_TRUE(block.Captured);
        if (block.TimedOut) ++timeOuts;
        EXPECT_EQ(rig.state->BufferInWork, step % 2);
        EXPECT_EQ(rig.state->AcquisitionIdle, timeOuts == 5) << "step " << step;
    }
    EXPECT_EQ(timeOuts, 5);
    EXPECT_EQ(rig.state->TimeOutCount, 4) << "four counted before the fifth";
    EXPECT_TRUE(rig.host.Messages.empty());

    ManualBackend manual;
    CaptureRig short_(manual);
    short_.OpenSequence();
    short_.state->AcquisitionIdle = false;
    ASSERT_EQ(manual.Push(100), 100u);           // position 100 of 8192: not yet half-way
    int polls = 0;
    const CapturedBlock none = short_.protocol.Capture([&] { return ++polls == 3; });
    EXPECT_FALSE(none.Captured);
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(short_.state->BufferInWork, 0);
    EXPECT_EQ(short_.device.HeaderB.Flags.load(), 0u) << "header B was neither prepared nor queued";
}
