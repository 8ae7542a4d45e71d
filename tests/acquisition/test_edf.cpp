// EDF+ recordings of the traces, read back with EDFlib: the synthesized two-tone recording
// through velquor-trace against its own CSV, clipping, annotation bursts, changes noticed by
// the session, and a writer killed with SIGKILL.

#include <gtest/gtest.h>

#include <edflib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ToolRun.h"
#include "acquisition/EdfRecorder.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"
#include "tests/support/CalibrationEntry.h"

namespace {

using velquor_test::Quote;
using velquor_test::TempPath;

struct Annotation {
    double Onset;
    std::string Text;
};

// A file opened with EDFlib's reader: header, both signals' physical samples, annotations.
struct EdfRead {
    int Status = -100;             // edfopen_file_readonly's result (a handle, or an error < 0)
    edf_hdr_struct Header{};
    std::vector<double> Samples[2];
    std::vector<Annotation> Annotations;

    explicit EdfRead(const std::string& path)
    {
        Status = edfopen_file_readonly(path.c_str(), &Header, EDFLIB_READ_ALL_ANNOTATIONS);
        if (Status < 0) return;
        for (int s = 0; s < 2 && s < Header.edfsignals; ++s) {
            Samples[s].resize(static_cast<size_t>(Header.signalparam[s].smp_in_file));
            edfread_physical_samples(Status, s, static_cast<int>(Samples[s].size()), Samples[s].data());
        }
        for (long long i = 0; i < Header.annotations_in_file; ++i) {
            edf_annotation_struct a{};
            edf_get_annotation(Status, static_cast<int>(i), &a);
            Annotations.push_back({a.onset / 1e7, a.annotation});
        }
        edfclose_file(Status);
    }
    std::string Label(int s) const { return Trim(Header.signalparam[s].label); }
    std::string Prefilter(int s) const { return Trim(Header.signalparam[s].prefilter); }
    std::string Transducer(int s) const { return Trim(Header.signalparam[s].transducer); }
    const Annotation* Find(const std::string& prefix) const
    {
        for (const Annotation& a : Annotations)
            if (a.Text.rfind(prefix, 0) == 0) return &a;
        return nullptr;
    }
    static std::string Trim(std::string s)
    {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
};

struct CsvTraces {
    std::vector<int> Chan[2];
};

CsvTraces ReadCsv(const std::string& path)
{
    CsvTraces t;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);   // header
    while (std::getline(in, line)) {
        double time = 0;
        int a = 0, b = 0;
        if (std::sscanf(line.c_str(), "%lf,%d,%d", &time, &a, &b) == 3) {
            t.Chan[0].push_back(a);
            t.Chan[1].push_back(b);
        }
    }
    return t;
}

// The EDF samples equal the CSV traces within half a digital step; beyond the CSV the final
// record is padding.
void ExpectSamplesMatchCsv(const EdfRead& edf, const CsvTraces& csv)
{
    for (int s = 0; s < 2; ++s) {
        const auto& p = edf.Header.signalparam[s];
        const double step = (p.phys_max - p.phys_min) / (p.dig_max - p.dig_min);
        ASSERT_GE(edf.Samples[s].size(), csv.Chan[s].size());
        ASSERT_LT(edf.Samples[s].size(), csv.Chan[s].size() + EdfSamplesPerRecord);
        int worst = -1;
        double worstError = 0.0;
        for (size_t i = 0; i < csv.Chan[s].size(); ++i) {
            const double e = std::fabs(edf.Samples[s][i] - csv.Chan[s][i]);
            if (e > worstError) worstError = e, worst = static_cast<int>(i);
        }
        EXPECT_LE(worstError, 0.5 * step + 1e-6) << "signal " << s << " sample " << worst;
        for (size_t i = csv.Chan[s].size(); i < edf.Samples[s].size(); ++i) ASSERT_NEAR(edf.Samples[s][i], 0.0, 1e-6);
    }
}

velquor_test::ToolRun RunEdfTool(const std::string& tool, const std::string& args)
{
    return velquor_test::RunTool(tool, args);
}

}  // namespace

TEST(EdfExport, TwoToneRecordingReadsBackInEdflibAndMatchesTheCsv)
{
    struct Case {
        const char* synth;
        const char* trace;
        const char* modulation;
        double range;          // the chain's maximum at gain 0.1
    };
    const Case cases[] = {
        {"--mode am --seconds 6", "--am", "AM", 163840.0},
        {"--mode fm --seconds 6", "--fm --filter 4:30", "FM", 551250.0},
    };
    const std::string wave = TempPath("tones.wav");
    const std::string csvPath = TempPath("tones.csv");
    const std::string edfPath = TempPath("tones.edf");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.synth);
        ASSERT_EQ(RunEdfTool(velquor_test::SynthTool, std::string(c.synth) + " --out " + Quote(wave)).Status, 0);
        const auto run = RunEdfTool(velquor_test::TraceTool,
                             Quote(wave) + " " + c.trace + " --csv " + Quote(csvPath) + " --edf " + Quote(edfPath));
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Err.find("0 samples clipped"), std::string::npos) << run.Err;

        const EdfRead edf(edfPath);
        ASSERT_GE(edf.Status, 0) << "EDFlib refused the file";
        EXPECT_EQ(edf.Header.filetype, EDFLIB_FILETYPE_EDFPLUS);
        ASSERT_EQ(edf.Header.edfsignals, 2);
        EXPECT_EQ(edf.Header.datarecord_duration, 12800000);   // 1.28 s
        EXPECT_EQ(edf.Label(0), "EEG Ch1");
        EXPECT_EQ(edf.Label(1), "EEG Ch2");
        for (int s = 0; s < 2; ++s) {
            EXPECT_EQ(edf.Header.signalparam[s].smp_in_datarecord, 441);
            EXPECT_EQ(edf.Header.signalparam[s].phys_max, c.range);
            EXPECT_EQ(edf.Header.signalparam[s].phys_min, -c.range);
            EXPECT_NE(edf.Transducer(s).find(std::string(c.modulation) + " telemetry carrier " +
                                             (s == 0 ? "19145" : "16065") + " Hz"),
                      std::string::npos)
                << edf.Transducer(s);
        }
        const CsvTraces csv = ReadCsv(csvPath);
        ASSERT_GT(csv.Chan[0].size(), 2000u);   // 6 s of traces
        EXPECT_EQ(edf.Header.datarecords_in_file,
                  static_cast<long long>((csv.Chan[0].size() + EdfSamplesPerRecord - 1) / EdfSamplesPerRecord));
        ExpectSamplesMatchCsv(edf, csv);

        // The settings at the start, the end of the data.
        for (const char* text : {"Recording start", "Gain Ch1 0.1", "Gain Ch2 0.1", "Post filter ",
                                 "Carriers Ch1 19145 Hz, Ch2 16065 Hz"}) {
            const Annotation* a = edf.Find(text);
            ASSERT_NE(a, nullptr) << text;
            EXPECT_EQ(a->Onset, 0.0) << text;
        }
        ASSERT_NE(edf.Find(std::string("Modulation ") + c.modulation), nullptr);
        const Annotation* end = edf.Find("End of recording");
        ASSERT_NE(end, nullptr);
        EXPECT_NEAR(end->Onset, csv.Chan[0].size() / EdfSampleRate, 1e-4);
        // The post filter in force: the marker band's edges near the ones asked for.
        if (std::string(c.modulation) == "FM") {
            double low = 0, high = 0;
            ASSERT_EQ(std::sscanf(edf.Prefilter(0).c_str(), "HP:%lfHz LP:%lfHz", &low, &high), 2) << edf.Prefilter(0);
            EXPECT_NEAR(low, 4.0, 1.0);
            EXPECT_NEAR(high, 30.0, 3.0);
        } else {
            EXPECT_EQ(edf.Prefilter(0).rfind("LP:", 0), 0u) << edf.Prefilter(0);
        }
    }
    std::remove(wave.c_str());
    std::remove(csvPath.c_str());
    std::remove(edfPath.c_str());
}

TEST(EdfExport, ToolRefusesAnUnwritableEdfFile)
{
    const std::string wave = TempPath("short.wav");
    ASSERT_EQ(RunEdfTool(velquor_test::SynthTool, "--seconds 1 --out " + Quote(wave)).Status, 0);
    const auto run = RunEdfTool(velquor_test::TraceTool, Quote(wave) + " --edf /nonexistent-folder/x.edf");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("cannot write /nonexistent-folder/x.edf"), std::string::npos) << run.Err;
    std::remove(wave.c_str());
}

TEST(EdfRecorder, ClipsBeyondTheRangeAndCountsPerChannel)
{
    const std::string path = TempPath("clip.edf");
    EdfHeader header;
    header.Signals[0] = {"EEG Ch1", "", "", "AU", 1000.0};
    header.Signals[1] = {"EEG Ch2", "", "", "AU", 50000.0};
    EdfRecorder r;
    std::string error;
    ASSERT_TRUE(r.Open(path, header, error)) << error;
    std::vector<int32_t> a(EdfSamplesPerRecord), b(EdfSamplesPerRecord);
    for (int i = 0; i < EdfSamplesPerRecord; ++i) {
        a[i] = (i % 3 == 0) ? 1001 : (i % 3 == 1 ? -5000 : 999);   // two of three beyond +-1000
        b[i] = i * 100 - 22000;                                     // -22000 .. 22000: inside
    }
    ASSERT_TRUE(r.AddSamples(a.data(), b.data(), EdfSamplesPerRecord));
    EXPECT_EQ(r.Clipped(1), 294);
    EXPECT_EQ(r.Clipped(2), 0);
    ASSERT_TRUE(r.Close());
    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0);
    ASSERT_EQ(edf.Samples[0].size(), 441u);
    EXPECT_EQ(edf.Samples[0][0], 1000.0);
    EXPECT_EQ(edf.Samples[0][1], -1000.0);
    EXPECT_NEAR(edf.Samples[0][2], 999.0, 0.5 * 1000.0 / 32767);
    for (int i = 0; i < EdfSamplesPerRecord; ++i) ASSERT_NEAR(edf.Samples[1][i], b[i], 0.5 * 50000.0 / 32767);
    std::remove(path.c_str());
}

TEST(EdfRecorder, AnnotationBurstsCarryIntoLaterRecordsWithTheirOnsets)
{
    const std::string path = TempPath("burst.edf");
    EdfHeader header;
    header.Signals[0].Label = "EEG Ch1";
    header.Signals[1].Label = "EEG Ch2";
    EdfRecorder r;
    std::string error;
    ASSERT_TRUE(r.Open(path, header, error)) << error;
    const std::vector<int32_t> zeros(100, 0);
    ASSERT_TRUE(r.AddSamples(zeros.data(), zeros.data(), 100));
    // 40 events at one instant: far more than one record's TAL space holds. A control
    // character would end the TAL early; it must arrive as a blank.
    for (int i = 0; i < 40; ++i) r.Annotate("Event number " + std::to_string(i) + " \x14with a long description");
    for (int k = 0; k < 29; ++k) ASSERT_TRUE(r.AddSamples(zeros.data(), zeros.data(), 100));
    ASSERT_TRUE(r.Close());
    EXPECT_EQ(r.DroppedAnnotations(), 0);
    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0);
    EXPECT_EQ(edf.Header.datarecords_in_file, 7);   // 3000 samples: six full records and a padded one
    int events = 0;
    for (const Annotation& a : edf.Annotations)
        if (a.Text.rfind("Event number ", 0) == 0) {
            ++events;
            EXPECT_NEAR(a.Onset, 100 / EdfSampleRate, 1e-4) << a.Text;
            EXPECT_NE(a.Text.find("  with a long"), std::string::npos) << a.Text;
        }
    EXPECT_EQ(events, 40);
    std::remove(path.c_str());
}

TEST(EdfSession, AnnotatesChangesAtTheFirstSampleTheyAffect)
{
    auto ps = std::make_unique<ProcessingState>();
    StartupDesigns(*ps);
    ps->Chan1DemodGain = ps->Chan2DemodGain = 0.1f;
    const std::string path = TempPath("changes.edf");
    EdfSession session;
    std::string error;
    ASSERT_TRUE(session.Start(path, *ps, error)) << error;
    const std::string startFilter = PostFilterText(*ps);
    auto blocks = [&](int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(session.Block(*ps));
    };
    blocks(3);
    ps->Chan1DemodGain = 10.0f;            // a gain step after 96 samples
    blocks(2);
    ps->ModulationType = 2;                // after 160
    ps->Chan2CarrierHz = 15000.0f;
    blocks(1);
    ps->FilterMarker1Pos = 300;            // the marker band is not in force: no annotation
    RecalcMarkerFilter(*ps);
    blocks(1);
    ps->FilterEnabled = true;              // now it is, after 224
    ps->FilterBypass = false;
    blocks(1);
    // A pause of the acquisition shows as a gap (the window passes the blocks' capture times).
    const auto t0 = EdfSession::Clock::now();
    ASSERT_TRUE(session.Block(*ps, t0));
    ASSERT_TRUE(session.Block(*ps, t0 + std::chrono::milliseconds(2500)));
    // Blocks captured back to back show none, however late they are processed.
    ASSERT_TRUE(session.Block(*ps, t0 + std::chrono::microseconds(2592880)));
    // Input lost to an overflowing capture queue: annotated with its length, once (the jump
    // in capture times it leaves is not a second gap).
    session.InputLost(12.3);
    ASSERT_TRUE(session.Block(*ps, t0 + std::chrono::milliseconds(2593 + 12300)));
    ASSERT_TRUE(session.Stop());

    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0);
    auto onsetOf = [&](const std::string& text) {
        const Annotation* a = edf.Find(text);
        return a ? a->Onset : -1.0;
    };
    EXPECT_EQ(onsetOf("Post filter " + startFilter), 0.0);
    EXPECT_NEAR(onsetOf("Gain Ch1 10"), 96 / EdfSampleRate, 1e-4);
    EXPECT_NEAR(onsetOf("Modulation FM"), 160 / EdfSampleRate, 1e-4);
    EXPECT_NEAR(onsetOf("Carriers Ch1 19145 Hz, Ch2 15000 Hz"), 160 / EdfSampleRate, 1e-4);
    EXPECT_NEAR(onsetOf("Post filter HP:"), 224 / EdfSampleRate, 1e-4);
    EXPECT_NEAR(onsetOf("Gap: no processed blocks for 2.5 s"), 288 / EdfSampleRate, 1e-4);
    EXPECT_NEAR(onsetOf("Gap: 12.3 s of input lost (capture queue full)"), 352 / EdfSampleRate, 1e-4);
    int gaps = 0;
    for (const Annotation& a : edf.Annotations) gaps += a.Text.rfind("Gap", 0) == 0;
    EXPECT_EQ(gaps, 2);
    int filters = 0;
    for (const Annotation& a : edf.Annotations) filters += a.Text.rfind("Post filter", 0) == 0;
    EXPECT_EQ(filters, 2);
    EXPECT_EQ(edf.Find("Gain Ch2 10"), nullptr);
    std::remove(path.c_str());
}

// A calibrated channel is written in microvolts with each block's factor; while its
// calibration does not apply (here a carrier moved) it writes 0 and says so, both ways.
TEST(EdfSession, CalibratedChannelWritesMicrovoltsWhileItsCalibrationApplies)
{
    auto ps = std::make_unique<ProcessingState>();
    StartupDesigns(*ps);
    ps->Chan1DemodGain = ps->Chan2DemodGain = 0.1f;
    StartRun(*ps);
    const ChannelCalibration cal = CalibrationEntry(2, 1, 16065.0, 200.0);
    EdfCalibrations calibrations;
    calibrations.Channel[1] = cal;
    const std::string path = TempPath("calibrated-session.edf");
    EdfSession session;
    std::string error;
    ASSERT_TRUE(session.Start(path, *ps, error, calibrations)) << error;
    SignalGenerator generator(SignalGeneratorSettings{});
    std::vector<int16_t> block(BlockFrames);
    std::vector<double> expected;
    BlockReport report;
    for (int b = 0; b < 9; ++b) {
        ps->Chan2CarrierHz = b >= 5 && b < 7 ? 15000.0f : 16065.0f;   // blocks 5 and 6: moved
        generator.Generate(block.data(), BlockFrames);
        std::copy(block.begin(), block.end(), ps->BlockSamples);
        ProcessBlock(*ps, report);
        const double factor = b >= 5 && b < 7 ? 0.0 : 200.0 / ps->Chan2State.DcEstimate;
        for (int i = TraceLength - OutputPerBlock; i < TraceLength; ++i) expected.push_back(ps->Chan2Trace[i] * factor);
        ASSERT_TRUE(session.Block(*ps));
    }
    ASSERT_TRUE(session.Stop());

    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0);
    EXPECT_EQ(EdfRead::Trim(edf.Header.signalparam[0].physdimension), "AU");
    EXPECT_EQ(EdfRead::Trim(edf.Header.signalparam[1].physdimension), "uV");
    EXPECT_EQ(edf.Header.signalparam[1].phys_max, 800.0);   // 400 % depth
    const double step = 800.0 / 32767;
    double worst = 0.0;
    for (size_t i = 0; i < expected.size(); ++i) worst = std::max(worst, std::fabs(edf.Samples[1][i] - expected[i]));
    EXPECT_LE(worst, 0.5 * step + 1e-9);
    EXPECT_NE(edf.Find("Range Ch1 +-163840 trace units, Ch2 +-800 uV"), nullptr);
    EXPECT_NE(edf.Find("Calibration Ch2 100 uV p-p at 10 Hz: 200 uV per 100 % modulation depth"), nullptr);
    const Annotation* off = edf.Find("Ch2 calibration not applied (made for channel 2, AM at 16065 Hz; channel 2 "
                                     "runs AM at 15000 Hz): 0 written");
    ASSERT_NE(off, nullptr);
    EXPECT_NEAR(off->Onset, 160 / EdfSampleRate, 1e-4);
    const Annotation* on = edf.Find("Ch2 calibrated again");
    ASSERT_NE(on, nullptr);
    EXPECT_NEAR(on->Onset, 224 / EdfSampleRate, 1e-4);
    std::remove(path.c_str());
}

TEST(EdfSession, ChainMaximumFollowsModulationAndGain)
{
    auto ps = std::make_unique<ProcessingState>();
    ps->Chan1DemodGain = 0.1f;
    ps->Chan2DemodGain = 1.0f;
    EXPECT_EQ(ChainMaximum(*ps, 1), 163840.0);
    EXPECT_EQ(ChainMaximum(*ps, 2), 1638400.0);
    ps->ModulationType = 2;
    EXPECT_EQ(ChainMaximum(*ps, 1), 551250.0);
    ps->Chan2DemodGain = 100.0f;            // beyond what the header's 8 characters hold
    EXPECT_EQ(ChainMaximum(*ps, 2), EdfPhysicalLimit);
    ps->Chan1DemodGain = 0.0f;              // no gain dial has run yet
    EXPECT_EQ(ChainMaximum(*ps, 1), 1.0);
}

// A writer killed with SIGKILL leaves a file EDFlib opens, holding every record that was
// complete and the annotations written with them; the record still filling is lost.
TEST(EdfRecorder, SigkilledWriterLeavesAReadableFile)
{
    const std::string path = TempPath("killed.edf");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        EdfHeader header;
        header.Signals[0].Label = "EEG Ch1";
        header.Signals[1].Label = "EEG Ch2";
        EdfRecorder r;
        std::string error;
        if (!r.Open(path, header, error)) _exit(3);
        r.Annotate("Recording start");
        std::vector<int32_t> a(32), b(32);
        int64_t n = 0;
        // Five and a half records, block by block as the loop feeds them.
        while (r.Samples() < 5 * EdfSamplesPerRecord + 220) {
            for (int i = 0; i < 32; ++i, ++n) {
                a[i] = static_cast<int32_t>(n % 1000);
                b[i] = -static_cast<int32_t>(n % 777);
            }
            if (r.Samples() == 28 * 32) r.Annotate("Hold on");
            r.AddSamples(a.data(), b.data(), 32);
        }
        const char done = 1;
        if (write(ready[1], &done, 1) != 1) _exit(4);
        pause();   // killed here, with the file open and a record half full
        _exit(0);
    }
    close(ready[1]);
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0) << "EDFlib refused the file left by the killed writer";
    EXPECT_EQ(edf.Header.datarecords_in_file, 5);
    ASSERT_EQ(edf.Samples[0].size(), 5u * EdfSamplesPerRecord);
    for (size_t i = 0; i < edf.Samples[0].size(); ++i) {
        ASSERT_NEAR(edf.Samples[0][i], static_cast<double>(i % 1000), 0.5) << i;
        ASSERT_NEAR(edf.Samples[1][i], -static_cast<double>(i % 777), 0.5) << i;
    }
    ASSERT_NE(edf.Find("Recording start"), nullptr);
    const Annotation* hold = edf.Find("Hold on");
    ASSERT_NE(hold, nullptr);
    EXPECT_NEAR(hold->Onset, 28 * 32 / EdfSampleRate, 1e-4);
    std::remove(path.c_str());
}

// A write that fails mid-recording (here the file size limit; a full disk alike) stops the
// recorder with the record it was writing named, and what was written before stays readable.
TEST(EdfRecorder, AFailedWriteIsReportedAndKeepsTheRecordsBefore)
{
    const std::string path = TempPath("limited.edf");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        // Room for the header, 8 records and a part of the ninth.
        const rlim_t bytes = 1024 + 8 * (4 * EdfSamplesPerRecord + EdfAnnotationBytes) + 300;
        const rlimit limit{bytes, bytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(10);
        EdfHeader header;
        header.Signals[0].Label = "EEG Ch1";
        header.Signals[1].Label = "EEG Ch2";
        EdfRecorder r;
        std::string error;
        if (!r.Open(path, header, error)) _exit(11);
        std::vector<int32_t> a(32, 7), b(32, -7);
        for (int block = 0; block < 1000; ++block)
            if (!r.AddSamples(a.data(), b.data(), 32)) break;
        if (!r.Failed() || r.Records() != 8) _exit(12);
        if (r.Error().find("cannot write data record 9") != 0) _exit(13);
        if (r.Close()) _exit(14);   // the failure stays reported
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The part of the ninth record that reached the disk is cut off again.
    const EdfRead edf(path);
    ASSERT_GE(edf.Status, 0) << "EDFlib refused the file";
    EXPECT_EQ(edf.Header.datarecords_in_file, 8);
    ASSERT_EQ(edf.Samples[1].size(), 8u * EdfSamplesPerRecord);
    EXPECT_NEAR(edf.Samples[1].back(), -7.0, 0.5);
    std::remove(path.c_str());
}

TEST(EdfExport, ToolReportsAFullDevice)
{
    const std::string wave = TempPath("short.wav");
    ASSERT_EQ(RunEdfTool(velquor_test::SynthTool, "--seconds 1 --out " + Quote(wave)).Status, 0);
    const auto run = RunEdfTool(velquor_test::TraceTool, Quote(wave) + " --edf /dev/full");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("/dev/full"), std::string::npos) << run.Err;
    std::remove(wave.c_str());
}

namespace {

// Peak-to-peak amplitude of the component at `hz` in samples[from..]: Hann-weighted correlation.
double PeakToPeakAt(const std::vector<double>& samples, size_t from, double hz)
{
    const size_t n = samples.size() - from;
    double mean = 0.0;
    for (size_t i = from; i < samples.size(); ++i) mean += samples[i] / n;
    std::complex<double> sum = 0.0;
    double weight = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (n - 1));
        sum += w * (samples[from + i] - mean) * std::polar(1.0, -2.0 * M_PI * hz * i / EdfSampleRate);
        weight += w;
    }
    return 4.0 * std::abs(sum) / weight;
}

}  // namespace

// Calibrated on a 10 Hz recording declared 100 uV p-p at depth 0.2, recordings at depths 0.1
// and 0.3 read 50 and 150 uV p-p in the EDF+ file EDFlib reads, at the full input level and at
// half of it; the CSV says its columns are microvolts.
TEST(EdfExport, CalibratedRecordingsReadMicrovoltsAtAnyInputLevel)
{
    const std::string wave = TempPath("calibrate.wav");
    const std::string ini = TempPath("calibration.ini");
    const std::string edfPath = TempPath("calibrated.edf");
    const std::string csvPath = TempPath("calibrated.csv");
    std::remove(ini.c_str());
    const std::string tones = " --mode am --tone1 10 --tone2 10 --seconds 8 --out " + Quote(wave);
    ASSERT_EQ(RunEdfTool(velquor_test::SynthTool, "--depth 0.2" + tones).Status, 0);
    const auto cal = RunEdfTool(velquor_test::TraceTool, Quote(wave) + " --calibrate 100@10 --calibration " + Quote(ini));
    ASSERT_EQ(cal.Status, 0) << cal.Err;
    EXPECT_NE(cal.Err.find("calibration written to " + ini), std::string::npos) << cal.Err;
    EXPECT_NE(velquor_test::ReadText(ini).find("[Channel2 AM 16065]"), std::string::npos);

    for (const char* amplitude : {"0.8", "0.4"}) {
        for (double depth : {0.1, 0.3}) {
            SCOPED_TRACE(testing::Message() << "amplitude " << amplitude << ", depth " << depth);
            ASSERT_EQ(RunEdfTool(velquor_test::SynthTool, "--depth " + std::to_string(depth) + " --amplitude " +
                                                              amplitude + tones).Status, 0);
            const auto run = RunEdfTool(velquor_test::TraceTool, Quote(wave) + " --calibration " + Quote(ini) +
                                                                     " --edf " + Quote(edfPath) + " --csv " + Quote(csvPath));
            ASSERT_EQ(run.Status, 0) << run.Err;
            EXPECT_NE(run.Err.find("channel 1 in microvolts"), std::string::npos) << run.Err;
            EXPECT_NE(run.Err.find("0 samples clipped"), std::string::npos) << run.Err;
            const EdfRead edf(edfPath);
            ASSERT_GE(edf.Status, 0);
            for (int s = 0; s < 2; ++s) {
                EXPECT_EQ(EdfRead::Trim(edf.Header.signalparam[s].physdimension), "uV");
                // From 2 s on: the chain has settled.
                EXPECT_NEAR(PeakToPeakAt(edf.Samples[s], 690, 10.0), 500.0 * depth, 0.04 * 500.0 * depth) << "signal " << s;
            }
            EXPECT_NE(edf.Transducer(0).find("calibrated 100 uV p-p at 10 Hz"), std::string::npos) << edf.Transducer(0);
            EXPECT_NE(edf.Find("Calibration Ch1 100 uV p-p at 10 Hz"), nullptr);
            std::ifstream csv(csvPath);
            std::string header;
            std::getline(csv, header);
            EXPECT_EQ(header, "time_s,channel1_uV,channel2_uV");
        }
    }
    for (const std::string& path : {wave, ini, edfPath, csvPath}) std::remove(path.c_str());
}
