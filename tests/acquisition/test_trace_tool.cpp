// Round trips through velquor-trace: a recording made by the loop from the demo signal plays
// back to the same traces; files of other tools play from their data; incompatible files are
// refused with their message and a failing exit status.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "RecorderHelpers.h"
#include "ToolRun.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/DemoBackend.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"

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

// A tone-like signal: a 19145 Hz carrier with a 10 Hz envelope, `frames` mono frames.
Bytes ToneSamples(int frames)
{
    Bytes samples;
    for (int i = 0; i < frames; ++i) {
        const double env = 1.0 + 0.5 * std::sin(2 * 3.14159265358979 * 10.0 * i / 44100.0);
        const auto v = static_cast<int16_t>(8000.0 * env * std::sin(2 * 3.14159265358979 * 19145.0 * i / 44100.0));
        Append16(samples, static_cast<uint16_t>(v));
    }
    return samples;
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
    const Bytes samples = ToneSamples(5 * 4096);
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
        EXPECT_NE(r.Err.find(refused + ": File Open Error Message: Wave parameters not compatible"), std::string::npos)
            << r.Err;
        EXPECT_EQ(r.Out, "") << "nothing is written for a refused file";
    }
    // The stereo file plays in Line mode (right sample).
    const ToolRun line = Trace(Quote(stereo) + " --line --csv -");
    EXPECT_EQ(line.Status, 0) << line.Err;
    EXPECT_EQ(ParseCsv(line.Out).size(), 80u) << "2.5 blocks of stereo frames: the half block gives its 16";

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

namespace {

// Runs velquor-trace on a FIFO. A writer opens the FIFO after two seconds, so a tool that
// waits for one cannot hang the test; the run's duration shows whether it waited.
ToolRun TraceOfFifo(const std::string& fifo, double& seconds)
{
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    ToolRun run = Trace(Quote(fifo) + " --csv -");
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    writer.join();
    return run;
}

}  // namespace

// Only regular files are read: a FIFO is refused at once instead of waiting for a writer, a
// directory says it is one, and every refusal names the file and the system's reason.
TEST(TraceTool, RefusalsNameTheFileAndTheReason)
{
    const std::string fifo = TempPath("input.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    double seconds = 0.0;
    const ToolRun f = TraceOfFifo(fifo, seconds);
    EXPECT_EQ(f.Status, 1);
    EXPECT_LT(seconds, 1.5) << "velquor-trace waited for a writer";
    EXPECT_NE(f.Err.find(fifo + ": File Open Error Message: Could not open the file (not a regular file"),
              std::string::npos) << f.Err;
    std::remove(fifo.c_str());

    const std::string dir = ::testing::TempDir();
    const ToolRun d = Trace(Quote(dir) + " --csv -");
    EXPECT_EQ(d.Status, 1);
    EXPECT_NE(d.Err.find("Could not open the file (is a directory)"), std::string::npos) << d.Err;

    const std::string missing = TempPath("missing.wav");
    const ToolRun m = Trace(Quote(missing) + " --csv -");
    EXPECT_EQ(m.Status, 1);
    EXPECT_NE(m.Err.find(missing + ": File Open Error Message: Could not open the file (No such file or directory)"),
              std::string::npos) << m.Err;

    // What was found against what is needed, and the option that would help.
    const std::string stereo = TempPath("stereo.wav");
    WriteBytes(stereo, SimpleWave(ToneSamples(4096), 2));
    const ToolRun s = Trace(Quote(stereo) + " --csv -");
    EXPECT_EQ(s.Status, 1);
    EXPECT_NE(s.Err.find("Wave parameters not compatible (found 44100 Hz, 16-bit PCM, 2 channels; needed 44100 Hz, "
                         "16-bit PCM, 1 channel; stereo file: use --line)"),
              std::string::npos) << s.Err;
    // A float sub-format inside the extensible format is as incompatible as any other.
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1, 44100, 16, 40, 0xFFFE, 3));
    AppendChunk(chunks, "data", ToneSamples(4096));
    const std::string floats = TempPath("float.wav");
    WriteBytes(floats, Riff(chunks));
    const ToolRun fl = Trace(Quote(floats) + " --csv -");
    EXPECT_EQ(fl.Status, 1);
    EXPECT_NE(fl.Err.find("Wave parameters not compatible (found 44100 Hz, 16-bit float, 1 channel;"), std::string::npos)
        << fl.Err;
}

// A data chunk shorter than its header says plays as far as it goes, with a warning that
// gives both sizes; a file without sample data fails.
TEST(TraceTool, TruncatedDataWarnsAndMissingDataFails)
{
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(1));
    AppendText(chunks, "data");
    Append32(chunks, 5 * 8192);
    const Bytes two = ToneSamples(2 * 4096);
    chunks.insert(chunks.end(), two.begin(), two.end());
    const std::string cut = TempPath("cut.wav");
    WriteBytes(cut, Riff(chunks));
    const ToolRun r = Trace(Quote(cut) + " --csv -");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(ParseCsv(r.Out).size(), 2u * 32);
    EXPECT_NE(r.Err.find("warning: " + cut + ": the data chunk declares 40960 bytes but the file holds 16384"),
              std::string::npos) << r.Err;

    const std::string empty = TempPath("empty.wav");
    WriteBytes(empty, SimpleWave(Bytes{}));
    const ToolRun e = Trace(Quote(empty) + " --csv -");
    EXPECT_EQ(e.Status, 1);
    EXPECT_NE(e.Err.find(empty + ": no sample data"), std::string::npos) << e.Err;
}

// The post-filter designs hold cutoffs inside 1.72..170.5 Hz: edges outside would silently
// move, so they are refused with the range named.
TEST(TraceTool, FilterEdgesOutsideTheDesignableRangeAreRefused)
{
    const std::string path = TempPath("tone.wav");
    WriteBytes(path, SimpleWave(ToneSamples(2 * 4096)));
    for (const char* edges : {"0.1:0.3", "0.5:1", "1:12", "8:171", "12:8", "x:3"}) {
        const ToolRun r = Trace(Quote(path) + " --filter " + edges + " --csv -");
        EXPECT_EQ(r.Status, 2) << edges;
        EXPECT_EQ(r.Out, "") << edges;
        if (std::string(edges) != "12:8" && std::string(edges) != "x:3") {
            EXPECT_NE(r.Err.find("1.72 to 170.5 Hz"), std::string::npos) << r.Err;
        }
    }
    EXPECT_EQ(Trace(Quote(path) + " --filter 1.72:170.5 --csv -").Status, 0);
    EXPECT_EQ(Trace(Quote(path) + " --filter 8:12 --csv -").Status, 0);
}

// --summary reports the amplitude of the traces as drawn (after the post filter) beside the
// indicator level, labelled; output that cannot be written fails the run.
TEST(TraceTool, SummaryReportsTheTraceAmplitudeAndChecksItsWrites)
{
    const std::string path = TempPath("tone.wav");
    WriteBytes(path, SimpleWave(ToneSamples(24 * 4096)));
    const ToolRun r = Trace(Quote(path) + " --summary --csv -");
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<Row> rows = ParseCsv(r.Out);
    ASSERT_EQ(rows.size(), 24u * 32);
    double squares = 0.0;
    int peak = 0;
    for (size_t i = rows.size() - 512; i < rows.size(); ++i) {
        squares += double(rows[i].Channel1) * rows[i].Channel1;
        peak = std::max(peak, std::abs(rows[i].Channel1));
    }
    char expected[96];
    std::snprintf(expected, sizeof expected, "RMS %.1f, peak %d, indicator level ", std::sqrt(squares / 512), peak);
    EXPECT_NE(r.Err.find("Channel 1 (carrier 19145 Hz): dominant frequency"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(expected), std::string::npos) << expected << "\n" << r.Err;
    EXPECT_NE(r.Err.find("indicator level: the smoothed |x| before the post filter"), std::string::npos) << r.Err;

    const ToolRun full = Trace(Quote(path) + " --summary", "> /dev/full");
    EXPECT_EQ(full.Status, 1);
    EXPECT_NE(full.Err.find("could not write the summary"), std::string::npos) << full.Err;
    const ToolRun csvFull = Trace(Quote(path) + " --csv -", "> /dev/full");
    EXPECT_EQ(csvFull.Status, 1);
    EXPECT_NE(csvFull.Err.find("could not write"), std::string::npos) << csvFull.Err;
    EXPECT_EQ(Trace(Quote(path) + " --csv /dev/full").Status, 1);
}

// A file that ends inside a block: only the trace samples whose time the file's data covers
// are written, to the CSV and to the EDF+ file, so the padding of the final block never shows
// (in FM it made a spike of many times the signal).
TEST(TraceTool, FinalPartialBlockWritesOnlyTheSamplesTheDataCovers)
{
    constexpr int Frames = 10 * 4096 + 1000;   // 1000 frames into the eleventh block
    constexpr size_t Rows = 10 * 32 + 8;       // ceil(1000 / 128) samples of it
    SignalGeneratorSettings synth;
    synth.Modulation = SynthModulation::Fm;
    SignalGenerator generator(synth);
    std::vector<int16_t> pcm(Frames);
    generator.Generate(pcm.data(), Frames);
    Bytes samples;
    for (int16_t v : pcm) Append16(samples, static_cast<uint16_t>(v));
    const std::string path = TempPath("partial.wav");
    WriteBytes(path, SimpleWave(samples));
    const std::string edfPath = TempPath("partial.edf");

    const ToolRun run = Trace(Quote(path) + " --fm --csv - --edf " + Quote(edfPath));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<Row> rows = ParseCsv(run.Out);
    ASSERT_EQ(rows.size(), Rows);
    // The last samples stay within the signal's own swing (taken over the last whole blocks).
    int body = 0, tail = 0;
    for (size_t i = 160; i < 320; ++i) body = std::max({body, std::abs(rows[i].Channel1), std::abs(rows[i].Channel2)});
    for (size_t i = 320; i < Rows; ++i) tail = std::max({tail, std::abs(rows[i].Channel1), std::abs(rows[i].Channel2)});
    EXPECT_GT(body, 1000);
    EXPECT_LE(tail, 2 * body);
    // The EDF+ recording ends where the CSV does.
    EXPECT_NE(run.Err.find("EDF+: 1 records"), std::string::npos) << run.Err;
    const std::string edf = ReadText(edfPath);
    EXPECT_NE(edf.find("+0.9520\x14" "End of recording"), std::string::npos) << "end at 328 / 344.53125 s";
    std::remove(path.c_str());
    std::remove(edfPath.c_str());
}

namespace {

// A mono WAVE of the generator's signal, each sample times `boost` as 16 bits hold it.
std::string SynthWave(const std::string& name, const SignalGeneratorSettings& synth, int frames, double boost = 1.0)
{
    SignalGenerator generator(synth);
    std::vector<int16_t> pcm(frames);
    generator.Generate(pcm.data(), frames);
    Bytes samples;
    for (int16_t v : pcm)
        Append16(samples, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::lround(v * boost), -32768L, 32767L))));
    const std::string path = TempPath(name);
    WriteBytes(path, SimpleWave(samples));
    return path;
}

}  // namespace

// --calibrate refuses a recording it cannot trust, says why and writes nothing; by default it
// writes the user's calibration file; a calibration for other carriers is not applied, and the
// channel stays in trace units with the reason on standard error.
TEST(TraceTool, CalibrationRefusalsDefaultFileAndMismatches)
{
    SignalGeneratorSettings synth;
    synth.ToneHz[0] = synth.ToneHz[1] = 10.0;
    synth.Depth = 0.2;
    const int frames = 6 * 44100;
    const std::string ini = TempPath("refused.ini");
    std::remove(ini.c_str());

    const std::string clipped = SynthWave("clipped.wav", synth, frames, 1.5);
    ToolRun r = Trace(Quote(clipped) + " --calibrate 100@10 --calibration " + Quote(ini));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("calibration refused: the input is clipped"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("nothing written to " + ini), std::string::npos) << r.Err;
    EXPECT_FALSE(std::ifstream(ini).good());

    synth.ToneHz[1] = 14.0;
    const std::string wrongTone = SynthWave("wrong-tone.wav", synth, frames);
    r = Trace(Quote(wrongTone) + " --calibrate 100@10 --calibration " + Quote(ini));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("calibration refused: no clear tone at 10 Hz on channel 2"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::ifstream(ini).good()) << "channel 1 alone is not written either";
    // Channel 1 alone is fine, and goes to the user's calibration file.
    const std::string config = TempPath("config-home");
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", config.c_str(), 1), 0);
    r = Trace(Quote(wrongTone) + " --calibrate 100@10 --channel 1");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(r.Status, 0) << r.Err;
    const std::string written = config + "/velquor/calibration.ini";
    EXPECT_NE(ReadText(written).find("[Channel1 AM 19145]"), std::string::npos);
    EXPECT_EQ(ReadText(written).find("Channel2"), std::string::npos);

    // Played with other carriers, the calibration does not apply.
    const std::string tone = SynthWave("tone.wav", synth, 2 * 4096);
    r = Trace(Quote(tone) + " --carrier2 15000 --calibration " + Quote(written) + " --csv -");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "time_s,channel1_uV,channel2");
    EXPECT_NE(r.Err.find("channel 2 uncalibrated, in trace units: " + written +
                         " holds no calibration for AM at 15000 Hz"), std::string::npos) << r.Err;
    r = Trace(Quote(tone) + " --fm --calibration " + Quote(written) + " --csv -");
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "time_s,channel1,channel2");
    EXPECT_NE(r.Err.find("channel 1 uncalibrated, in trace units: " + written +
                         " holds no calibration for FM at 19145 Hz (only for AM at 19145 Hz)"), std::string::npos) << r.Err;
    // Without a calibration file both stay in trace units, and it says so.
    r = Trace(Quote(tone) + " --csv -");
    EXPECT_EQ(ParseCsv(r.Out).size(), 64u);
    EXPECT_NE(r.Err.find("uncalibrated: both channels in trace units"), std::string::npos) << r.Err;
    // A calibration file that cannot be read, or is not there, stops the run before anything
    // is written.
    for (const std::string& bad : {config, config + "/missing.ini"}) {
        r = Trace(Quote(tone) + " --calibration " + Quote(bad) + " --csv -");
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("cannot read the calibration file " + bad + ": "), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_EQ(Trace(Quote(tone) + " --calibrate 100 --csv -").Status, 2);
    EXPECT_EQ(Trace(Quote(tone) + " --calibrate 100@500").Status, 2);
    EXPECT_EQ(Trace(Quote(tone) + " --channel 1 --csv -").Status, 2);
    for (const std::string& path : {clipped, wrongTone, tone, written}) std::remove(path.c_str());
}
