// The acquisition loop over the scripted device: start and stop, the buffer protocol and its
// time-outs, restarts, format changes, termination, and the recorder's steps inside it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopRig.h"
#include "RecorderHelpers.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/FileBackend.h"
#include "acquisition/ScriptedBackend.h"
#include "dsp/Designs.h"

namespace {

using Texts = std::vector<std::string>;

// The scripted device's counting pattern: frame k holds k (mod 65536).
int16_t PatternSample(uint64_t frame)
{
    return static_cast<int16_t>(static_cast<uint16_t>(frame));
}

}  // namespace

TEST(AcquisitionLoop, RunsBlockByBlockAndASecondStartReturnsAtOnce)
{
    LoopRig rig;
    bool nestedReturned = false;
    int opensDuringRun = 0;
    rig.host.OnPass = [&] {
        if (rig.host.PassEnds == 3) {
            rig.loop.StartBtnClick();   // a loop is running: returns at once
            nestedReturned = true;
            opensDuringRun = rig.backend.Calls(WaveOperation::Open);
        }
        if (rig.host.PassEnds >= 6) rig.state->AcquisitionIdle = true;
    };
    rig.loop.StartBtnClick();
    EXPECT_TRUE(nestedReturned);
    EXPECT_EQ(opensDuringRun, 1);
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Open), 1);
    // The pass that saw the flag after its wait ends before processing its block.
    EXPECT_EQ(rig.loop.Passes(), 6u);
    EXPECT_EQ(rig.loop.BlocksProcessed(), 5u);
    EXPECT_EQ(rig.host.BlocksProcessed, 5);
    EXPECT_EQ(rig.processing->BlockSamples[0], PatternSample(4 * 4096)) << "the fifth block was processed last";
    EXPECT_EQ(rig.processing->BlockSamples[4095], PatternSample(5 * 4096 - 1));
    EXPECT_TRUE(rig.host.Messages.empty());
    EXPECT_EQ(rig.state->TimeOutCount, 0);
    // The loop left the device open; the stop shuts it down without complaint.
    rig.loop.StopBtnClick();
    EXPECT_TRUE(rig.host.Messages.empty());
    EXPECT_FALSE(rig.loop.TerminationRequested());
}

TEST(AcquisitionLoop, FiveTimeOutsEndTheRunAndTheRecordingSpansTheRestart)
{
    LoopRig rig;
    const std::string path = TempPath("spanning.wav");
    rig.dialogs.SaveAnswers.push_back(path);
    rig.recorder.SaveWave1Click();
    rig.recorder.RecordBtnClick();
    // Every other buffer stalls: the waits for them time out (reset, restart, go on).
    for (int n = 2; n <= 20; n += 2) rig.backend.StallBuffer(n);
    int timeOuts = 0;
    rig.host.OnPass = [&] {
        if (rig.state->DeviceTimedOut) ++timeOuts;
        if (rig.host.PassEnds >= 40) rig.state->AcquisitionIdle = true;   // safety net
    };
    rig.loop.StartTimerTimer();   // runs the loop until it ends by itself, then shuts down
    EXPECT_EQ(timeOuts, 5);
    EXPECT_EQ(rig.state->TimeOutCount, 4) << "four counted, the fifth ends the run";
    EXPECT_TRUE(rig.state->AcquisitionIdle);
    EXPECT_LT(rig.host.PassEnds, 40);
    const int firstRunPasses = rig.host.PassEnds;
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Close), 1) << "the start timer's handler shut the device down";
    EXPECT_TRUE(rig.host.StartTimerEnabled()) << "and re-armed itself";
    EXPECT_TRUE(rig.host.Messages.empty());

    // 250 ms later the timer reopens the device and a new run counts its time-outs afresh.
    rig.host.StartIntervalMs = 250;
    const auto before = std::chrono::steady_clock::now();
    int count0 = -1;
    rig.host.OnPass = [&] {
        if (count0 < 0) count0 = rig.state->TimeOutCount;
        if (rig.host.PassEnds >= firstRunPasses + 4) rig.state->AcquisitionIdle = true;
    };
    while (rig.backend.Calls(WaveOperation::Open) < 2 &&
           std::chrono::steady_clock::now() - before < std::chrono::seconds(2)) {
        rig.host.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(240));
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Open), 2);
    EXPECT_EQ(count0, 0);

    // The recording went on through the restart; its header matches what was written.
    rig.recorder.StopWvBtnClick();
    const Bytes file = ReadBytes(path);
    const int passes = rig.host.PassEnds;
    ASSERT_GE(file.size(), 44u);
    EXPECT_EQ(file.size() - 44, static_cast<size_t>(passes) * 8192);
    EXPECT_EQ(Le32At(file, 40), file.size() - 44);
    EXPECT_EQ(Le32At(file, 4), file.size() - 8);
}

TEST(AcquisitionLoop, DisplayHoldRecordsAndPlaysButFreezesTheTraces)
{
    LoopRig rig;
    const std::string in = TempPath("in.wav");
    const std::string out = TempPath("out.wav");
    const Bytes data = Pattern(20 * 8192, 7);
    WriteBytes(in, SimpleWave(data));
    rig.dialogs.OpenAnswers.push_back(in);
    rig.dialogs.SaveAnswers.push_back(out);
    rig.recorder.OpenWave1Click();
    rig.recorder.SaveWave1Click();
    rig.recorder.PlayBtnClick();
    // RECORD would end PLAY: record through the flags directly, as both run per block.
    rig.state->Recording = true;

    std::vector<int32_t> trace1, trace2;
    float level1 = 0, level2 = 0;
    int processedAtHold = 0;
    rig.host.OnPass = [&] {
        if (rig.host.PassEnds == 4) {
            rig.processing->DisplayHold = true;
            trace1.assign(rig.processing->Chan1Trace, rig.processing->Chan1Trace + TraceLength);
            trace2.assign(rig.processing->Chan2Trace, rig.processing->Chan2Trace + TraceLength);
            level1 = rig.processing->Chan1Level;
            level2 = rig.processing->Chan2Level;
            processedAtHold = rig.host.BlocksProcessed;
        }
        if (rig.host.PassEnds >= 9) rig.state->AcquisitionIdle = true;
    };
    rig.loop.StartBtnClick();
    EXPECT_EQ(processedAtHold, 3);
    EXPECT_EQ(rig.host.BlocksProcessed, 3) << "no processing or drawing while held";
    EXPECT_EQ(std::vector<int32_t>(rig.processing->Chan1Trace, rig.processing->Chan1Trace + TraceLength), trace1);
    EXPECT_EQ(std::vector<int32_t>(rig.processing->Chan2Trace, rig.processing->Chan2Trace + TraceLength), trace2);
    EXPECT_EQ(rig.processing->Chan1Level, level1);
    EXPECT_EQ(rig.processing->Chan2Level, level2);
    // Nine passes each played a block from the file and recorded it.
    EXPECT_EQ(rig.state->PlayBytesLeft, 11 * 8192);
    EXPECT_EQ(rig.state->RecordedBytes, 9 * 8192);
    rig.recorder.StopWvBtnClick();
    const Bytes file = ReadBytes(out);
    ASSERT_EQ(file.size(), 44u + 9 * 8192);
    EXPECT_EQ(Bytes(file.begin() + 44, file.end()), Bytes(data.begin(), data.begin() + 9 * 8192));
}

TEST(AcquisitionLoop, PlaybackOfNBlocksReadsNPlusOneThenStops)
{
    LoopRig rig;
    const std::string in = TempPath("three.wav");
    WriteBytes(in, SimpleWave(Pattern(3 * 8192, 1)));
    rig.dialogs.OpenAnswers.push_back(in);
    rig.recorder.OpenWave1Click();
    rig.recorder.PlayBtnClick();
    std::vector<size_t> reads;
    int stoppedAtPass = 0;
    rig.host.OnProcessMessages = [&] { reads.push_back(rig.state->PlayBytesLeft); };
    rig.host.OnPass = [&] {
        if (stoppedAtPass == 0 && rig.state->RecorderState == RecorderStop) stoppedAtPass = rig.host.PassEnds;
        if (rig.host.PassEnds >= 7) rig.state->AcquisitionIdle = true;
    };
    rig.loop.StartBtnClick();
    EXPECT_EQ(reads.size(), 4u) << "n + 1 reads (messages are processed before each)";
    EXPECT_EQ(rig.state->PlayBytesLeft, -8192);
    EXPECT_EQ(stoppedAtPass, 6) << "the pass after the fourth read runs STOP (seen at the next pass)";
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_TRUE(rig.host.Messages.empty());
}

TEST(AcquisitionLoop, EachRunStartsItsDcEstimateAtZero)
{
    LoopRig rig;
    rig.StopAfter(4);
    rig.loop.StartBtnClick();
    rig.loop.StopBtnClick();
    // The counting pattern is a sawtooth with a large mean: the estimate has moved.
    EXPECT_NE(rig.processing->Chan1State.DcEstimate, 0.0f);
    float atFirstPass = -1.0f;
    const int before = rig.host.PassEnds;
    rig.host.OnPass = [&] {
        if (rig.host.PassEnds == before + 1) atFirstPass = rig.processing->Chan1State.DcEstimate;
        if (rig.host.PassEnds >= before + 2) rig.state->AcquisitionIdle = true;
    };
    rig.loop.StartBtnClick();
    EXPECT_EQ(atFirstPass, 0.0f);
}

TEST(AcquisitionLoop, LineAndMicrophoneRestartWithTheNewFormat)
{
    LoopRig rig;
    // While the settings are applied only the format changes.
    rig.state->ApplyingSettings = true;
    rig.loop.Line1Click();
    EXPECT_EQ(rig.state->InputStereo, 1);
    EXPECT_EQ(rig.state->BufferBytes, 16384);
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Open), 0);
    rig.loop.Mic1Click();
    EXPECT_EQ(rig.state->BufferBytes, 8192);
    rig.state->ApplyingSettings = false;

    // Running: Line stops the loop and runs a stereo loop nested in the handler; the outer
    // loop ends when the inner one has.
    int16_t stereoSample = 0;
    rig.host.OnPass = [&] {
        if (rig.host.PassEnds == 2) rig.loop.Line1Click();
        if (rig.host.PassEnds == 6) stereoSample = static_cast<int16_t>(rig.processing->BlockSamples[1]);
        if (rig.host.PassEnds >= 7) rig.state->AcquisitionIdle = true;
    };
    rig.loop.StartBtnClick();
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Open), 2);
    EXPECT_EQ(rig.backend.Calls(WaveOperation::Close), 1);
    EXPECT_EQ(rig.state->InputChannels, 2);
    EXPECT_EQ(rig.loop.Device().Format.Channels, 2);
    EXPECT_EQ(rig.loop.Device().HeaderA.BufferLength, 16384u);
    // Stereo is serviced like mono: device-paced blocks, the right sample used.
    EXPECT_EQ(rig.processing->BlockSamples[1] - rig.processing->BlockSamples[0], 1);
    EXPECT_NE(stereoSample, 0);
    EXPECT_TRUE(rig.host.Messages.empty());
    rig.loop.StopBtnClick();
}

TEST(AcquisitionLoop, DeviceFailuresWhileRunningEndTheLoopAtItsNextCheck)
{
    LoopRig rig;
    // No device: the opening sequence reports each failure without terminating; the first
    // failing position poll of the running loop asks to terminate, and the loop ends.
    rig.backend.SimulateNoDevice();
    rig.backend.Fail(WaveOperation::GetPosition, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::PrepareHeader, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::AddBuffer, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::Start, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::Reset, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::UnprepareHeader, WaveErrInvalidHandle);
    rig.backend.Fail(WaveOperation::Close, WaveErrInvalidHandle);
    rig.StopAfter(100);
    rig.loop.StartTimerTimer();
    EXPECT_EQ(rig.host.MessageTexts(),
              (Texts{"Could not open the input wave device", "Error Opening Input wave device",
                     "Error preparing the header_a", "Error in sending 'a' buffer", "Error starting the input wave device",
                     "Error getting the byte position", "Error Resetting the input wave device",
                     "Error unpreparing the _a Header", "Error unpreparing the _b Header",
                     "Error closing the input wave device"}));
    EXPECT_EQ(rig.host.TerminateRequests, 1);
    EXPECT_TRUE(rig.loop.TerminationRequested());
    EXPECT_EQ(rig.host.PassEnds, 0);
    EXPECT_FALSE(rig.host.StartTimerEnabled()) << "the application is ending: no restart";
    const size_t shown = rig.host.Messages.size();
    rig.loop.StartBtnClick();
    EXPECT_EQ(rig.host.Messages.size(), shown);

    // A failure inside a running loop (here a restart after a time-out) ends it too.
    LoopRig other;
    other.backend.StallBuffer(3);
    other.backend.Fail(WaveOperation::Start, WaveErrError, 2, 1);
    other.StopAfter(50);
    other.loop.StartBtnClick();
    EXPECT_EQ(other.host.MessageTexts(), (Texts{"Error starting the input wave device"}));
    EXPECT_TRUE(other.loop.TerminationRequested());
    EXPECT_LT(other.host.PassEnds, 50);
}

TEST(AcquisitionLoop, ModeSwitchesAndDisabledChannelsTakeEffectAtTheNextBlock)
{
    auto state = std::make_unique<AcquisitionState>();
    auto processing = std::make_unique<ProcessingState>();
    state->ApplyingSettings = false;
    StartupDesigns(*processing);
    processing->Chan1DemodGain = 0.1f;
    processing->Chan2DemodGain = 0.1f;
    processing->Chan1Enabled = true;   // channel 2 stays disabled
    PassHost host;
    SignalGeneratorSettings tones;     // AM tones on both carriers
    FileBackend backend(std::make_unique<GeneratorSource>(tones));
    AcquisitionLoop loop(*state, *processing, host, backend);

    IirState amSaved[6];
    float fmTailAtSwitch = 0.0f;
    std::vector<BlockReport> reports;
    host.OnBlock = [&](const BlockReport& r) { reports.push_back(r); };
    host.OnPass = [&] {
        if (host.PassEnds == 20) {
            processing->ModulationType = 2;   // FM from the block of this pass on
            std::memcpy(amSaved, processing->Chan1State.BandSections, sizeof amSaved);
            fmTailAtSwitch = processing->Chan1State.FmTail[100];
        }
        if (host.PassEnds >= 24) state->AcquisitionIdle = true;
    };
    loop.StartBtnClick();
    loop.StopBtnClick();
    ASSERT_EQ(reports.size(), 23u);
    EXPECT_EQ(std::memcmp(amSaved, processing->Chan1State.BandSections, sizeof amSaved), 0)
        << "the AM band states are kept unchanged while FM runs";
    EXPECT_NE(processing->Chan1State.FmTail[100], fmTailAtSwitch);

    // The disabled channel is demodulated and traced all the same; only its LED shows red.
    const BlockReport& amReport = reports[18];
    EXPECT_EQ(amReport.Chan2.ColorOff, LedRed);
    EXPECT_FALSE(amReport.Chan2.Checked);
    EXPECT_EQ(amReport.Chan1.ColorOff, LedMedGray);
    EXPECT_TRUE(amReport.Chan1.Checked) << "AM: lit above level 2400";
    EXPECT_GT(processing->Chan2Level, 0.0f);
    int nonZero = 0;
    for (int i = 0; i < TraceLength; ++i) nonZero += processing->Chan2Trace[i] != 0;
    EXPECT_GT(nonZero, TraceLength / 2);
    EXPECT_TRUE(host.Messages.empty());
}
