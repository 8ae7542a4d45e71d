// WAVE recording and playback: the recorder buttons and their states, Open Wave and Save
// Wave, the per-block record and play steps, and the files they leave.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecorderHelpers.h"
#include "acquisition/Recorder.h"

namespace {

using Texts = std::vector<std::string>;

struct RecorderRig {
    RecorderRig() : state(std::make_unique<AcquisitionState>()), recorder(*state, host, dialogs, &counter)
    {
        recorder.SetPatchInterval(std::chrono::milliseconds(0));
    }
    std::unique_ptr<AcquisitionState> state;
    HeadlessHost host;
    ScriptedDialogs dialogs;
    CounterLog counter;
    Recorder recorder;

    std::vector<uint32_t> Colors() const
    {
        return {recorder.CaptionColor(RecordBtn), recorder.CaptionColor(PlayBtn), recorder.CaptionColor(StopWvBtn),
                recorder.CaptionColor(PauseBtn)};
    }
    void Save(const std::string& path)
    {
        dialogs.SaveAnswers.push_back(path);
        recorder.SaveWave1Click();
    }
    void Open(const std::string& path)
    {
        dialogs.OpenAnswers.push_back(path);
        recorder.OpenWave1Click();
    }
    // One captured block of recognisable bytes, recorded.
    void RecordBlock(int seed)
    {
        const Bytes block = Pattern(state->BufferBytes, seed);
        std::copy(block.begin(), block.end(), state->CaptureBufferA);
        recorder.RecordStep(state->CaptureBufferA);
    }
};

constexpr uint32_t R = CaptionRed;
constexpr uint32_t N = CaptionNavy;

}  // namespace

TEST(Recorder, ButtonsWithoutFilesShowTheRightMessagesAndChangeNothing)
{
    RecorderRig rig;
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{N, N, R, N})) << "STOP is red at start";
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);

    rig.recorder.RecordBtnClick();
    rig.recorder.PlayBtnClick();
    rig.recorder.PauseBtnClick();
    ASSERT_EQ(rig.host.Messages.size(), 2u);
    EXPECT_EQ(rig.host.Messages[0], (HostMessage{"No output file has been specified", "Record Error"}));
    EXPECT_EQ(rig.host.Messages[1], (HostMessage{"No input file has been specified", "Play Error"}));
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);
    EXPECT_FALSE(rig.state->Recording);
    EXPECT_FALSE(rig.state->Playing);
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{N, N, R, N}));
    EXPECT_TRUE(rig.counter.Calls.empty());

    // Cancelled dialogs open nothing and say nothing; an uncreatable output file is refused.
    rig.recorder.OpenWave1Click();
    rig.recorder.SaveWave1Click();
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_FALSE(rig.state->OutputFileSet);
    EXPECT_EQ(rig.host.Messages.size(), 2u);
    rig.Save(TempPath("no/such/folder/out.wav"));
    EXPECT_FALSE(rig.state->OutputFileSet);
    EXPECT_EQ(rig.host.Messages.back(),
              (HostMessage{std::string("Could not open the Wave file (") + std::strerror(ENOENT) + ")", "File Error Message"}));
    rig.Open(TempPath("missing.wav"));
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_EQ(rig.host.Messages.back(), (HostMessage{"Could not open the file", "File Open Error Message"}));
}

TEST(Recorder, StatesCaptionColoursAndCounter)
{
    RecorderRig rig;
    const std::string in = TempPath("in.wav");
    WriteBytes(in, SimpleWave(Pattern(3 * 8192)));
    rig.Save(TempPath("out.wav"));
    rig.Open(in);
    ASSERT_TRUE(rig.state->OutputFileSet);
    ASSERT_TRUE(rig.state->InputFileSet);
    EXPECT_EQ(rig.state->PlayBytesLeft, 3 * 8192);

    rig.recorder.RecordBtnClick();
    EXPECT_EQ(rig.state->RecorderState, RecorderRecord);
    EXPECT_TRUE(rig.state->Recording);
    EXPECT_FALSE(rig.state->Playing);
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{R, N, N, N}));
    rig.recorder.RecordBtnClick();  // already recording: nothing
    EXPECT_EQ(rig.counter.Calls, (Texts{"count on"}));

    rig.recorder.PlayBtnClick();
    EXPECT_EQ(rig.state->RecorderState, RecorderPlay);
    EXPECT_TRUE(rig.state->Playing);
    EXPECT_FALSE(rig.state->Recording);
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{N, R, N, N}));

    rig.recorder.PauseBtnClick();
    EXPECT_EQ(rig.state->RecorderState, RecorderPause);
    EXPECT_FALSE(rig.state->Playing);
    EXPECT_FALSE(rig.state->Recording);
    EXPECT_TRUE(rig.state->InputFileSet && rig.state->OutputFileSet) << "pause keeps the files open";
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{N, N, N, R}));

    rig.recorder.StopWvBtnClick();
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_FALSE(rig.state->OutputFileSet);
    EXPECT_EQ(rig.Colors(), (std::vector<uint32_t>{N, N, R, N}));
    EXPECT_EQ(rig.counter.Calls, (Texts{"count on", "count on", "count off", "count off", "reset"}));
    EXPECT_TRUE(rig.host.Messages.empty());

    // STOP closed both files: RECORD and PLAY need new ones.
    rig.recorder.RecordBtnClick();
    rig.recorder.PlayBtnClick();
    EXPECT_EQ(rig.host.MessageTexts(), (Texts{"No output file has been specified", "No input file has been specified"}));
}

TEST(Recorder, SaveWaveFinishesTheCurrentFileAndRecordingGoesOn)
{
    RecorderRig rig;
    // Save Wave, then STOP without any RECORD: a 44-byte file with sizes 36 and 0.
    const std::string empty = TempPath("empty.wav");
    rig.Save(empty);
    rig.recorder.StopWvBtnClick();
    Bytes file = ReadBytes(empty);
    ASSERT_EQ(file.size(), 44u);
    EXPECT_EQ(Le32At(file, 4), 36u);
    EXPECT_EQ(Le32At(file, 40), 0u);

    const std::string first = TempPath("first.wav");
    const std::string second = TempPath("second.wav");
    rig.Save(first);
    rig.recorder.RecordBtnClick();
    for (int k = 0; k < 3; ++k) rig.RecordBlock(k);
    EXPECT_EQ(rig.state->RecordedBytes, 3 * 8192);
    rig.Save(second);
    EXPECT_EQ(rig.state->RecordedBytes, 0);
    EXPECT_EQ(rig.state->RecorderState, RecorderRecord) << "a new output file does not change the state";
    for (int k = 3; k < 5; ++k) rig.RecordBlock(k);
    // A cancelled Save Wave still finishes the current file; recording then has nowhere to go.
    rig.recorder.SaveWave1Click();
    EXPECT_FALSE(rig.state->OutputFileSet);
    rig.RecordBlock(9);

    file = ReadBytes(first);
    ASSERT_EQ(file.size(), 44u + 3 * 8192);
    EXPECT_EQ(Le32At(file, 4), 3u * 8192 + 36);
    EXPECT_EQ(Le32At(file, 40), 3u * 8192);
    EXPECT_EQ(Bytes(file.begin() + 44 + 2 * 8192, file.end()), Pattern(8192, 2));
    file = ReadBytes(second);
    ASSERT_EQ(file.size(), 44u + 2 * 8192);
    EXPECT_EQ(Le32At(file, 40), 2u * 8192);
    EXPECT_EQ(Bytes(file.begin() + 44, file.begin() + 44 + 8192), Pattern(8192, 3));
    EXPECT_TRUE(rig.host.Messages.empty());
}

TEST(Recorder, RecordingSurvivesACrashAndIsFinishedAtProgramEnd)
{
    RecorderRig rig;
    const std::string path = TempPath("crash.wav");
    rig.Save(path);
    rig.recorder.RecordBtnClick();
    for (int k = 0; k < 4; ++k) rig.RecordBlock(k);
    // Read while the recorder still holds the file, never finished: the sizes describe the
    // data written (patched while recording).
    Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 4 * 8192);
    EXPECT_EQ(Le32At(file, 40), 4u * 8192);
    EXPECT_EQ(Le32At(file, 4), 4u * 8192 + 36);

    // PAUSE brings the header up to date at once, however long the patch interval.
    rig.recorder.SetPatchInterval(std::chrono::hours(1));
    rig.RecordBlock(4);
    EXPECT_EQ(Le32At(ReadBytes(path), 40), 4u * 8192) << "not patched yet";
    rig.recorder.PauseBtnClick();
    EXPECT_EQ(Le32At(ReadBytes(path), 40), 5u * 8192);
    EXPECT_EQ(Le32At(ReadBytes(path), 4), 5u * 8192 + 36);
    rig.recorder.RecordBtnClick();
    rig.recorder.SetPatchInterval(std::chrono::milliseconds(0));

    // Program end (FormDestroy's part) finishes the file.
    rig.recorder.FinishOnExit();
    EXPECT_FALSE(rig.state->OutputFileSet);
    file = ReadBytes(path);
    EXPECT_EQ(Le32At(file, 40), 5u * 8192);
    EXPECT_EQ(file.size(), 44u + 5 * 8192);

    // A format change while recording ends the file at the last block of its own format.
    const std::string changed = TempPath("changed.wav");
    rig.Save(changed);
    rig.RecordBlock(0);
    rig.state->SetInputStereo(true);
    rig.RecordBlock(1);
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);
    file = ReadBytes(changed);
    ASSERT_EQ(file.size(), 44u + 8192);
    EXPECT_EQ(Le32At(file, 40), 8192u);
}

TEST(Recorder, PlaybackReadsOneBlockPerStepThenStops)
{
    RecorderRig rig;
    // Exactly n = 3 blocks: n + 1 reads, the last one finding nothing, then STOP.
    const std::string path = TempPath("three.wav");
    const Bytes data = Pattern(3 * 8192, 1);
    WriteBytes(path, SimpleWave(data));
    rig.Open(path);
    rig.recorder.PlayBtnClick();
    uint8_t* block = rig.state->CaptureBufferB;
    std::vector<size_t> reads;
    for (int pass = 0; pass < 6 && rig.state->Playing; ++pass) {
        std::fill(block, block + 8192, uint8_t{0xAA});
        rig.recorder.PlayStep(block);
        if (rig.state->Playing) {
            reads.push_back(rig.recorder.LastPlayBytes());
            if (reads.back() == 8192) {
                EXPECT_EQ(Bytes(block, block + 8192), Bytes(data.begin() + (reads.size() - 1) * 8192,
                                                           data.begin() + reads.size() * 8192));
            }
        }
    }
    EXPECT_EQ(reads, (std::vector<size_t>{8192, 8192, 8192, 0}));
    EXPECT_EQ(rig.host.ProcessMessagesCalls, 4) << "messages are processed before each read";
    EXPECT_EQ(rig.state->RecorderState, RecorderStop);
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_EQ(block[0], 0xAA) << "the stopping pass leaves the captured block alone";

    // A short last block leaves the rest of the buffer as captured; a LIST chunk before
    // the data is passed over, one after it is not played.
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1));
    AppendChunk(chunks, "LIST", Pattern(26, 4));
    AppendChunk(chunks, "data", Pattern(8192 + 1000, 2));
    AppendChunk(chunks, "LIST", Pattern(40, 6));
    WriteBytes(path, Riff(chunks));
    rig.Open(path);
    rig.recorder.PlayBtnClick();
    rig.recorder.PlayStep(block);
    std::fill(block, block + 8192, uint8_t{0xAA});
    rig.recorder.PlayStep(block);
    EXPECT_EQ(rig.recorder.LastPlayBytes(), 1000u);
    const Bytes expected = Pattern(8192 + 1000, 2);
    EXPECT_EQ(Bytes(block, block + 1000), Bytes(expected.begin() + 8192, expected.end()));
    EXPECT_EQ(block[1000], 0xAA);
    EXPECT_EQ(block[8191], 0xAA);

    // A command run inside the step's message processing may close the file: no read.
    rig.host.OnProcessMessages = [&rig] { rig.recorder.StopWvBtnClick(); };
    rig.Open(path);
    rig.recorder.PlayBtnClick();
    rig.recorder.PlayStep(block);
    EXPECT_EQ(rig.recorder.LastPlayBytes(), 0u);
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_TRUE(rig.host.Messages.empty());
}
