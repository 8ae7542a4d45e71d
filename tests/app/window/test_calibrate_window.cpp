// Options > Calibrate... and what a calibration changes in the window: measuring a known
// signal, saving and clearing it in calibration.ini beside the settings file, refusals with
// their reasons, calibrations that do not apply, the scale bars, the cursor's microvolts and
// EDF+ in microvolts.
#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <sys/stat.h>

#include <edflib.h>

#include <fstream>

#include "app/dialogs/CalibrateForm.h"
#include "app/dialogs/CalibrationStore.h"
#include "app/display/Markers.h"
#include "app/display/Microvolts.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

// 10 Hz on both channels at modulation depth `depth` (AM), carriers at `amplitude` of full scale.
SignalGeneratorSettings Calibrator(double depth, double amplitude = 0.8)
{
    SignalGeneratorSettings s = ToneSettings(10.0, 10.0);
    s.Depth = depth;
    s.Amplitude = amplitude;
    return s;
}

// Blocks that fill the 512-sample traces.
constexpr int TraceBlocks = TraceLength / OutputPerBlock + 1;

struct CalibrateWindow : WindowRig {
    std::string CalibrationPath() const { return Path("calibration.ini"); }

    void Start(const SignalGeneratorSettings& settings, const char* name = "input.wav")
    {
        ASSERT_NO_FATAL_FAILURE(WriteSignalWave(Path(name), settings, 8));
        ASSERT_NO_FATAL_FAILURE(Open(std::string("file-loop:") + Path(name)));
        Run(12);                           // the chain settles on the input
    }
    TCalibrateForm& Dialog()
    {
        Form->Action(QStringLiteral("Calibrate1"))->trigger();
        return *Form->CalibrateWindow();
    }
    // Measures both channels' declared signal until both are done.
    void Measure(double microvolts, double hz, const std::vector<int>& channels = {1, 2})
    {
        TCalibrateForm& d = Dialog();
        for (int c : channels) {
            d.Controls(c).Microvolts->setValue(microvolts);
            d.Controls(c).Hz->setValue(hz);
            d.Controls(c).Measure->click();
        }
        const int needed = d.Controls(channels.front()).Progress->maximum();
        Run(needed);
    }
    std::string CalibrationText() const
    {
        std::ifstream in(CalibrationPath());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The microvolt figures of the cursor readout, channel 1 then 2.
    std::vector<double> CursorMicrovolts() const
    {
        std::vector<double> figures;
        const QRegularExpression number(QStringLiteral("Ch\\d ([0-9.]+)"));
        for (auto it = number.globalMatch(Form->Display().View.Labels.CursorMicrovolts); it.hasNext();)
            figures.push_back(it.next().captured(1).toDouble());
        return figures;
    }
};

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

}  // namespace

TEST(WindowCalibrate, MeasureSaveAndReadMicrovoltsAtAnyInputLevel)
{
    CalibrateWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Start(Calibrator(0.2)));
    TEEGForm& f = *w.Form;
    TCalibrateForm& d = w.Dialog();
    ASSERT_TRUE(d.isVisible());
    EXPECT_EQ(d.Controls(1).State->text(), QStringLiteral("Uncalibrated"));
    EXPECT_FALSE(d.Controls(1).Save->isEnabled());
    EXPECT_FALSE(d.Controls(1).Clear->isEnabled());

    // Measuring: progress in blocks, the acquisition going on (the dialog is modeless).
    d.Controls(1).Measure->click();
    d.Controls(2).Measure->click();
    EXPECT_EQ(d.Controls(1).Measure->text(), QStringLiteral("Stop"));
    const int needed = d.Controls(1).Progress->maximum();
    EXPECT_EQ(needed, 33);                 // 3 s of blocks
    const long long start = f.BlocksShown();
    QString tenth;
    w.Run(needed, [&](long long n) {
        if (n - start == 10) tenth = d.Controls(1).Progress->text();
    });
    EXPECT_EQ(tenth, QStringLiteral("10 of 33 blocks"));
    for (int c : {1, 2}) {
        // Depth 0.2 is 40 % p-p, and the chain passes 10 Hz at 1.10.
        const QRegularExpression measured(QStringLiteral("^Measured 4[34]\\.\\d % modulation depth p-p at 10 Hz, "
                                                         "the tone 100 % of the signal's power: 2\\d\\d\\.\\d uV "
                                                         "per 100 % modulation depth\\. Save keeps it\\.$"));
        EXPECT_TRUE(measured.match(d.Controls(c).Result->text()).hasMatch()) << d.Controls(c).Result->text().toStdString();
        EXPECT_TRUE(d.Controls(c).Save->isEnabled());
        d.Controls(c).Save->click();
        EXPECT_TRUE(d.Controls(c).Result->text().startsWith(QStringLiteral("Saved in "))) << c;
        EXPECT_EQ(d.Controls(c).State->text(),
                  QStringLiteral("Calibrated with 100 uV p-p at 10 Hz (AM, %1 Hz)").arg(c == 1 ? 19145 : 16065));
        EXPECT_TRUE(d.Controls(c).Clear->isEnabled());
    }
    const std::string kept = w.CalibrationText();
    EXPECT_NE(kept.find("[Channel1 AM 19145]"), std::string::npos) << kept;
    EXPECT_NE(kept.find("[Channel2 AM 16065]"), std::string::npos) << kept;
    w.Run(1);
    EXPECT_TRUE(f.Display().Microvolts[0].Calibrated);
    EXPECT_GT(f.Display().Microvolts[1].PerTraceUnit, 0.0);

    // The calibration signal itself reads 100 uV p-p at 10 Hz (row 62 of the first-run scale),
    // once the traces hold blocks of one run (each run of the rig starts the input anew).
    SpectrumBoxMouseMove(f.Display(), f.Proc(), 100, SpectrumPaneHeight - 62, false);
    w.Run(TraceBlocks);
    for (double uv : w.CursorMicrovolts()) EXPECT_NEAR(uv, 100.0, 2.0);
    EXPECT_TRUE(f.Panel().CursorLabel->text().contains(QStringLiteral("uV p-p")));

    // Depths 0.1 and 0.3 read 50 and 150 uV p-p, at full input level and at half of it.
    const struct {
        double Depth, Amplitude, Microvolts;
    } cases[] = {{0.3, 0.8, 150.0}, {0.1, 0.8, 50.0}, {0.3, 0.4, 150.0}};
    for (const auto& c : cases) {
        w.Form.reset();
        ASSERT_NO_FATAL_FAILURE(w.Start(Calibrator(c.Depth, c.Amplitude), "measured.wav"));
        TEEGForm& g = *w.Form;
        SpectrumBoxMouseMove(g.Display(), g.Proc(), 100, SpectrumPaneHeight - 62, false);
        w.Run(TraceBlocks);
        const std::vector<double> read = w.CursorMicrovolts();
        ASSERT_EQ(read.size(), 2u) << g.Display().View.Labels.CursorMicrovolts.toStdString();
        for (double uv : read) EXPECT_NEAR(uv, c.Microvolts, 0.04 * c.Microvolts) << c.Depth << " " << c.Amplitude;
        // The time pane's bar is that many microvolts on the traces' own scale.
        const TimeScale s = ChannelTimeScale(g.Display(), g.Proc(), 1);
        ASSERT_TRUE(s.Bar);
        const double perRow = 16384.0 / g.Display().Settings.Chan1TimeGain * g.Display().Microvolts[0].PerTraceUnit;
        EXPECT_NEAR((s.Bottom - s.Top) * perRow, s.Microvolts, perRow);
    }
    // Nothing of it went into the settings record.
    w.Form.reset();
    EXPECT_EQ(QFile(w.SettingsPath()).size(), 158);
}

TEST(WindowCalibrate, RecordingsWithoutAClearToneOrClippedAreRefusedWithTheReason)
{
    // An EEG-like signal: no tone at the declared 10 Hz.
    CalibrateWindow w;
    SignalGeneratorSettings eeg = Calibrator(0.3);
    eeg.Signal = SynthSignal::Eeg;
    ASSERT_NO_FATAL_FAILURE(w.Start(eeg));
    w.Measure(100.0, 10.0, {1});
    TCalibrateForm& d = *w.Form->CalibrateWindow();
    EXPECT_TRUE(d.Controls(1).Result->text().startsWith(QStringLiteral("Refused: no clear tone at 10 Hz on channel 1")))
        << d.Controls(1).Result->text().toStdString();
    EXPECT_FALSE(d.Controls(1).Save->isEnabled());
    // Stopped half way: nothing measured, nothing to save.
    d.Controls(1).Measure->click();
    w.Run(5);
    d.Controls(1).Measure->click();
    EXPECT_EQ(d.Controls(1).Result->text(), QStringLiteral("Measurement stopped."));
    EXPECT_EQ(d.Controls(1).Measure->text(), QStringLiteral("Measure"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(w.CalibrationPath())));

    // A clipped recording: the tone is there, but so are full-scale samples.
    w.Form.reset();
    SignalGenerator generator(Calibrator(0.5, 1.0));
    WaveFileFormat format;
    WaveWriter writer;
    ASSERT_TRUE(writer.Create(w.Path("clipped.wav"), format));
    std::vector<int16_t> chunk(4096);
    for (int block = 0; block < 90; ++block) {
        generator.Generate(chunk.data(), 4096);
        for (int16_t& v : chunk) v = static_cast<int16_t>(std::clamp(v * 2, -32768, 32767));
        writer.Write(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size() * 2);
    }
    ASSERT_TRUE(writer.Finish());
    ASSERT_NO_FATAL_FAILURE(w.Open("file-loop:" + w.Path("clipped.wav")));
    w.Measure(100.0, 10.0, {2});
    TCalibrateForm& e = *w.Form->CalibrateWindow();
    EXPECT_TRUE(e.Controls(2).Result->text().startsWith(QStringLiteral("Refused: the input is clipped")))
        << e.Controls(2).Result->text().toStdString();
    EXPECT_FALSE(e.Controls(2).Save->isEnabled());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(w.CalibrationPath())));
}

TEST(WindowCalibrate, ACalibrationForOtherCarriersOrModulationIsNotApplied)
{
    CalibrateWindow w;
    WriteText(w.CalibrationPath(),
              "[Channel1 AM 18000]\nMicrovoltsPerUnit=250\nDeclaredMicrovoltsPp=100\nDeclaredHz=10\n"
              "[Channel2 FM 16065]\nMicrovoltsPerUnit=0.5\nDeclaredMicrovoltsPp=100\nDeclaredHz=10\n");
    ASSERT_NO_FATAL_FAILURE(w.Start(Calibrator(0.2)));
    TEEGForm& f = *w.Form;
    for (int c : {0, 1}) EXPECT_FALSE(f.Display().Microvolts[c].Calibrated) << c;
    EXPECT_EQ(ChannelTimeScale(f.Display(), f.Proc(), 1).Text, QStringLiteral("Uncalibrated"));
    TCalibrateForm& d = w.Dialog();
    EXPECT_EQ(d.Controls(1).State->text(),
              QStringLiteral("Uncalibrated: the one kept was made for channel 1, AM at 18000 Hz; channel 1 runs AM at "
                             "19145 Hz"));
    EXPECT_FALSE(d.Controls(1).Clear->isEnabled());

    // In FM channel 2's applies (its factor per hertz of deviation, whatever the input);
    // channel 1's still does not.
    f.Action(QStringLiteral("FM1"))->trigger();
    w.Run(1);
    EXPECT_FALSE(f.Display().Microvolts[0].Calibrated);
    EXPECT_TRUE(f.Display().Microvolts[1].Calibrated);
    EXPECT_NEAR(f.Display().Microvolts[1].PerTraceUnit, 0.5 / (250 * f.Proc().Chan2DemodGain), 1e-9);
    EXPECT_TRUE(ChannelTimeScale(f.Display(), f.Proc(), 2).Bar);
    EXPECT_TRUE(d.Controls(2).State->text().startsWith(QStringLiteral("Calibrated with 100 uV p-p at 10 Hz (FM, 16065 Hz)")));

    // Clear removes it from the file, and the channel is uncalibrated again.
    ASSERT_TRUE(d.Controls(2).Clear->isEnabled());
    d.Controls(2).Clear->click();
    EXPECT_EQ(d.Controls(2).Result->text(), QStringLiteral("Cleared: channel 2 reads in trace units for FM at 16065 Hz."));
    const std::string kept = w.CalibrationText();
    EXPECT_EQ(kept.find("Channel2 FM"), std::string::npos) << kept;
    EXPECT_NE(kept.find("[Channel1 AM 18000]"), std::string::npos) << kept;
    w.Run(1);
    EXPECT_FALSE(f.Display().Microvolts[1].Calibrated);
    EXPECT_EQ(ChannelTimeScale(f.Display(), f.Proc(), 2).Text, QStringLiteral("Uncalibrated"));
}

TEST(WindowCalibrate, ACalibrationFileThatCannotBeReadIsNeverWrittenOver)
{
    for (const bool fifo : {false, true}) {
        CalibrateWindow w;
        const std::string path = w.CalibrationPath();
        // A folder, or a FIFO that nobody writes: neither is waited on nor replaced.
        ASSERT_EQ(fifo ? ::mkfifo(path.c_str(), 0600) : ::mkdir(path.c_str(), 0700), 0);
        ASSERT_NO_FATAL_FAILURE(w.Start(Calibrator(0.2)));
        TCalibrateForm& d = w.Dialog();
        EXPECT_FALSE(w.Form->Calibrations().Unreadable().empty());
        EXPECT_TRUE(d.FileLabel()->text().startsWith(QStringLiteral("Calibrations cannot be saved: ")))
            << d.FileLabel()->text().toStdString();
        EXPECT_TRUE(d.FileLabel()->text().contains(QString::fromLatin1(fifo ? "a FIFO" : "a folder")));
        w.Measure(100.0, 10.0, {1});
        EXPECT_TRUE(d.Controls(1).Result->text().startsWith(QStringLiteral("Measured"))) << fifo;
        EXPECT_FALSE(d.Controls(1).Save->isEnabled()) << "nothing can be saved";
        d.SaveClick(1);
        EXPECT_TRUE(d.Controls(1).Result->text().startsWith(QStringLiteral("Not saved: "))) << fifo;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_TRUE(fifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode)) << "left as it was";
        EXPECT_FALSE(w.Form->Display().Microvolts[0].Calibrated);
    }
}

TEST(WindowCalibrate, RecordEdfWritesCalibratedChannelsInMicrovolts)
{
    CalibrateWindow w;
    WriteText(w.CalibrationPath(), "[Channel1 AM 19145]\nMicrovoltsPerUnit=229.3\nDeclaredMicrovoltsPp=100\nDeclaredHz=10\n");
    ASSERT_NO_FATAL_FAILURE(w.Start(Calibrator(0.3)));
    TEEGForm& f = *w.Form;
    w.Dialogs.AnswerFile(QString::fromStdString(w.Path("eeg.edf")));
    f.RecordEdf1Click();
    ASSERT_TRUE(f.Edf().Active());
    w.Run(20);
    f.RecordEdf1Click();

    edf_hdr_struct header{};
    const int handle = edfopen_file_readonly(w.Path("eeg.edf").c_str(), &header, EDFLIB_DO_NOT_READ_ANNOTATIONS);
    ASSERT_GE(handle, 0);
    EXPECT_STREQ(header.signalparam[0].physdimension, "uV      ");
    EXPECT_STREQ(header.signalparam[1].physdimension, "AU      ");
    // 0.3 x 2 of depth at 229.3 uV per unit and the chain's 1.10 at 10 Hz: about 150 uV p-p.
    std::vector<double> uv(static_cast<size_t>(header.signalparam[0].smp_in_file));
    edfread_physical_samples(handle, 0, static_cast<int>(uv.size()), uv.data());
    edfclose_file(handle);
    const auto [low, high] = std::minmax_element(uv.begin() + 200, uv.begin() + 600);
    EXPECT_NEAR(*high - *low, 150.0, 8.0);
}
