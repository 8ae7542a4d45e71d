// Round trips through velquor-trace: a recording made by the loop from the demo signal plays
// back to the same traces; files of other tools play from their data; incompatible files are
// refused with their message and a failing exit status.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "RecorderHelpers.h"
#include "ToolRun.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/DemoBackend.h"
#include "dsp/Designs.h"

namespace {

using velquor_test::Quote;
using velquor_test::ReadText;
using velquor_test::ToolRun;
using velquor_test::TraceTool;

ToolRun Trace(const std::string& args, const std::string& redirect = "")
{
    return velquor_test::RunTool(TraceTool, args, redirect);
}

struct Row {
    int Channel1;
    int Channel2;
    bool operator==(const Row&) const = default;
};

// The rows of a velquor-trace CSV; checks the header and the time column on the way.
std::vector<Row> ParseCsv(const std::string& text)
{
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,channel1,channel2");
    while (std::getline(in, line)) {
        double t = 0;
        Row r{};
        if (std::sscanf(line.c_str(), "%lf,%d,%d", &t, &r.Channel1, &r.Channel2) != 3) {
            ADD_FAILURE() << "bad row: " << line;
            break;
        }
        EXPECT_NEAR(t, rows.size() / 344.53125, 1e-6);
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

TEST(TraceTool, RecordingOfTheDemoSignalPlaysBackToTheSameTraces)
{
    constexpr int Blocks = 18;
    auto state = std::make_unique<AcquisitionState>();
    auto processing = std::make_unique<ProcessingState>();
    state->ApplyingSettings = false;
    StartupDesigns(*processing);
    processing->Chan1DemodGain = 0.1f;   // gain dial position 3, the tool's default
    processing->Chan2DemodGain = 0.1f;
    HeadlessHost host;
    ScriptedDialogs dialogs;
    Recorder recorder(*state, host, dialogs);
    DemoBackend backend;
    AcquisitionLoop loop(*state, *processing, host, backend, &recorder);
    ConnectTimers(host, loop);

    const std::string path = TempPath("demo.wav");
    dialogs.SaveAnswers.push_back(path);
    recorder.SaveWave1Click();
    recorder.RecordBtnClick();
    std::vector<Row> live;
    host.OnBlock = [&](const BlockReport&) {
        for (int i = TraceLength - OutputPerBlock; i < TraceLength; ++i)
            live.push_back({processing->Chan1Trace[i], processing->Chan2Trace[i]});
        if (live.size() == Blocks * OutputPerBlock) {
            recorder.StopWvBtnClick();   // exactly the processed blocks are in the file
            state->AcquisitionIdle = true;
        }
    };
    loop.StartTimerTimer();
    ASSERT_EQ(live.size(), static_cast<size_t>(Blocks * OutputPerBlock));
    EXPECT_TRUE(host.Messages.empty());
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + Blocks * 8192);
    EXPECT_EQ(Le32At(file, 40), Blocks * 8192u);

    const ToolRun run = Trace(Quote(path) + " --csv -");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<Row> played = ParseCsv(run.Out);
    ASSERT_EQ(played.size(), live.size());
    EXPECT_TRUE(played == live) << "the played traces differ from the live ones";
    bool nonZero = false;
    for (const Row& r : live) nonZero = nonZero || r.Channel1 != 0 || r.Channel2 != 0;
    EXPECT_TRUE(nonZero) << "the demo signal should reach the traces";
}

TEST(TraceTool, PlaysOtherToolsFilesAndRefusesIncompatibleOnes)
{
    // A tone-like signal: a 19145 Hz carrier with a slow envelope, 5 blocks.
    Bytes samples;
    for (int i = 0; i < 5 * 4096; ++i) {
        const double env = 1.0 + 0.5 * std::sin(2 * 3.14159265358979 * 10.0 * i / 44100.0);
        const auto v = static_cast<int16_t>(8000.0 * env * std::sin(2 * 3.14159265358979 * 19145.0 * i / 44100.0));
        Append16(samples, static_cast<uint16_t>(v));
    }
    const std::string plain = TempPath("plain.wav");
    WriteBytes(plain, SimpleWave(samples));
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1));
    AppendChunk(chunks, "LIST", Pattern(26));   // as ffmpeg writes it: ISFT Lavf...
    AppendChunk(chunks, "data", samples);
    const std::string withList = TempPath("list.wav");
    WriteBytes(withList, Riff(chunks));

    const ToolRun a = Trace(Quote(plain) + " --csv -");
    const ToolRun b = Trace(Quote(withList) + " --csv -");
    ASSERT_EQ(a.Status, 0) << a.Err;
    ASSERT_EQ(b.Status, 0) << b.Err;
    const std::vector<Row> rows = ParseCsv(a.Out);
    EXPECT_EQ(rows.size(), 5u * 32);
    EXPECT_EQ(a.Out, b.Out) << "the LIST chunk must not be played as sound";
    // The CSV can also go to a file.
    const std::string csv = TempPath("out.csv");
    EXPECT_EQ(Trace(Quote(plain) + " --csv '" + csv + "'").Status, 0);
    EXPECT_EQ(ReadText(csv), a.Out);

    const std::string slow = TempPath("22050.wav");
    WriteBytes(slow, SimpleWave(samples, 1, 22050));
    const std::string stereo = TempPath("stereo.wav");
    WriteBytes(stereo, SimpleWave(samples, 2));
    for (const std::string& refused : {slow, stereo}) {
        const ToolRun r = Trace(Quote(refused) + " --csv -");
        EXPECT_NE(r.Status, 0);
        EXPECT_NE(r.Err.find("File Open Error Message: Wave parameters not compatible"), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "") << "nothing is written for a refused file";
    }
    // The stereo file plays in Line mode (right sample).
    const ToolRun line = Trace(Quote(stereo) + " --line --csv -");
    EXPECT_EQ(line.Status, 0) << line.Err;
    EXPECT_EQ(ParseCsv(line.Out).size(), 3u * 32) << "2.5 blocks of stereo frames";

    const ToolRun missing = Trace(Quote(TempPath("missing.wav")) + " --csv -");
    EXPECT_NE(missing.Status, 0);
    EXPECT_NE(missing.Err.find("Could not open the file"), std::string::npos);
    const ToolRun notWave = Trace(Quote(csv) + " --csv -");
    EXPECT_NE(notWave.Status, 0);
    EXPECT_NE(notWave.Err.find("Not a RIFF file"), std::string::npos);

    const ToolRun help = Trace("--help");
    EXPECT_EQ(help.Status, 0);
    for (const char* option : {"--csv", "--am", "--fm", "--carrier1", "--gain1", "--filter", "--line"})
        EXPECT_NE(help.Out.find(option), std::string::npos) << option;
    EXPECT_EQ(Trace(Quote(plain) + " --gain1 7 --csv -").Status, 2);
    EXPECT_EQ(Trace(Quote(plain) + " --filter 12:8 --csv -").Status, 2);
}
