// The window acquiring from file inputs: what a user sees in the panes and on the LEDs,
// the carrier-following AM and FM presets, and the ways the program ends.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstring>
#include <QProcess>
#include <QThread>

#include "acquisition/ScriptedBackend.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

constexpr QRgb Lime = 0x00FF00;

// Alpha at 10 Hz on channel 1 and 6 Hz on channel 2, both AM at the default carriers.
struct ToneWindow : WindowRig {
    void Start(SignalGeneratorSettings settings = ToneSettings(10.0, 6.0), double seconds = 12)
    {
        ASSERT_NO_FATAL_FAILURE(WriteSignalWave(Path("tones.wav"), settings, seconds));
        ASSERT_NO_FATAL_FAILURE(Open("file-loop:" + Path("tones.wav")));
    }
};

}  // namespace

TEST(WindowAcquiring, TracesMoveAndTheSpectrumPeaksOnTheRowOfEachTone)
{
    ToneWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Start());
    TEEGForm& f = *w.Form;
    // Spectrum gain 1, so the tones' bars stay below the cap and the longest is the tone's own row.
    f.Panel().Chan1GainFTrackBar->setValue(1);
    f.Panel().Chan2GainFTrackBar->setValue(1);
    w.Run(40);
    EXPECT_EQ(f.BlocksShown(), 40);
    EXPECT_EQ(f.Display().Settings.Chan1SpecGain, 1);
    const QImage before = f.Display().TimeWorkImage.Image().copy();
    w.Run(1);
    const QImage after = f.Display().TimeWorkImage.Image().copy();
    EXPECT_NE(before, after);
    // The strip scrolled by the time step: the old picture reappears 4 columns to the left.
    EXPECT_EQ(before.copy(4, 0, 300, 168).convertToFormat(QImage::Format_RGB32),
              after.copy(0, 0, 300, 168).convertToFormat(QImage::Format_RGB32));
    EXPECT_GE(PeakToPeakRows(f.Proc().Chan1Trace, f.Display().Settings.Chan1TimeGain), 20);
    EXPECT_GE(PeakToPeakRows(f.Proc().Chan2Trace, f.Display().Settings.Chan2TimeGain), 20);

    // At S = 123 a channel-1 tone of 10 Hz lies at d = 62, row 309; 6 Hz at d = 37, row 334.
    const QImage& pane = f.Display().SpectrumImage.Image();
    const Bar bar1 = LongestBar(pane, 1, Lime);
    const Bar bar2 = LongestBar(pane, 2, Lime);
    EXPECT_NEAR(bar1.Row, 309, 2);
    EXPECT_NEAR(bar2.Row, 334, 2);
    EXPECT_GE(bar1.Length, 5);
    EXPECT_GE(bar2.Length, 5);
    // The screen shows the images.
    EXPECT_EQ(f.Panel().SpectrumBox->grab().toImage().convertToFormat(QImage::Format_RGB32),
              pane.convertToFormat(QImage::Format_RGB32));
}

TEST(WindowAcquiring, ChannelLedsFollowTheLevelsAndTurnRedForADisabledChannel)
{
    ToneWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Start());
    TEEGForm& f = *w.Form;
    TFrontPanel& p = f.Panel();
    // Spectrum gain 21: at higher gains the spline's undershoot beside channel 1's tone
    // reaches across the centre strip.
    p.Chan1GainFTrackBar->setValue(3);
    p.Chan2GainFTrackBar->setValue(3);
    w.Run(60);
    EXPECT_TRUE(p.OvChan1->Checked());     // AM level above 2400: signal present
    EXPECT_TRUE(p.OvChan2->Checked());
    EXPECT_EQ(p.OvChan1->LED().ColorOff(), static_cast<TColor>(LedMedGray));
    EXPECT_FALSE(p.Ov60HzLED->Checked());

    p.Chan2EnableSwitch->SetChecked(false);
    f.Settings().Chan2EnableSwitchClick();
    w.Run(2);
    EXPECT_FALSE(p.OvChan2->Checked());
    EXPECT_EQ(p.OvChan2->LED().ColorOff(), clRed);
    EXPECT_TRUE(p.OvChan1->Checked());
    // Channel 2 is still processed, just not drawn: no bars right of the centre strip.
    EXPECT_EQ(LongestBar(f.Display().SpectrumImage.Image(), 2, Lime).Length, 0);
    EXPECT_GT(LongestBar(f.Display().SpectrumImage.Image(), 1, Lime).Length, 0);
}

TEST(WindowAcquiring, OverloadLedLightsOnALoudFileOnly)
{
    {
        ToneWindow loud;
        SignalGeneratorSettings s = ToneSettings(10.0, 6.0);
        s.Depth = 1.0;
        s.Amplitude = 0.98;
        ASSERT_NO_FATAL_FAILURE(loud.Start(s));
        loud.Run(80);
        EXPECT_TRUE(loud.Form->Panel().OvldLED->Checked());
    }
    {
        ToneWindow quiet;
        SignalGeneratorSettings s = ToneSettings(10.0, 6.0);
        s.Depth = 0.1;
        ASSERT_NO_FATAL_FAILURE(quiet.Start(s));
        quiet.Run(80);
        EXPECT_FALSE(quiet.Form->Panel().OvldLED->Checked());
    }
}

TEST(WindowAcquiring, HoldFreezesThePanesWhileBlocksGoOn)
{
    ToneWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Start());
    TEEGForm& f = *w.Form;
    w.Run(20);
    const QImage frozen = f.Display().TimeImage.Image().copy();
    f.Panel().DisplayHoldSw->SetChecked(true);
    f.DisplayHoldSwClick();
    const uint64_t passes = f.Loop().Passes();
    f.SetOnBlock({});
    QTimer::singleShot(300, [&] { f.Acq().AcquisitionIdle = true; });
    f.Loop().StartTimerTimer();
    f.StartTimer().stop();
    EXPECT_GT(f.Loop().Passes(), passes + 5);
    EXPECT_EQ(f.BlocksShown(), 20);
    EXPECT_EQ(f.Display().TimeImage.Image(), frozen);
}

// With the demo signal's carriers, each channel must keep its own signal whichever
// modulation the menu chooses: AM, then FM, then AM again.
TEST(WindowAcquiring, ModulationPresetsFollowTheCarriers)
{
    ToneWindow am;
    ASSERT_NO_FATAL_FAILURE(am.Start(ToneSettings(10.0, 6.0, SynthModulation::Am)));
    TEEGForm& f = *am.Form;
    f.Action("AM1")->trigger();
    am.Run(30);
    EXPECT_NEAR(DominantHz(f.Proc().Chan1Trace), 10.0, 0.5);
    EXPECT_NEAR(DominantHz(f.Proc().Chan2Trace), 6.0, 0.5);
    f.Action("FM1")->trigger();
    EXPECT_EQ(f.Proc().ModulationType, 2);
    am.Run(5);
    f.Action("AM1")->trigger();
    am.Run(30);
    EXPECT_NEAR(DominantHz(f.Proc().Chan1Trace), 10.0, 0.5);
    EXPECT_NEAR(DominantHz(f.Proc().Chan2Trace), 6.0, 0.5);
    EXPECT_TRUE(f.Action("AM1")->isChecked());
    EXPECT_FALSE(f.Action("FM1")->isChecked());

    ToneWindow fm;
    ASSERT_NO_FATAL_FAILURE(fm.Start(ToneSettings(9.0, 5.0, SynthModulation::Fm)));
    TEEGForm& g = *fm.Form;
    g.Action("FM1")->trigger();
    fm.Run(90);   // the FM discriminator's DC (the carrier itself) takes a while to settle
    EXPECT_NEAR(DominantHz(g.Proc().Chan1Trace), 9.0, 0.5);
    EXPECT_NEAR(DominantHz(g.Proc().Chan2Trace), 5.0, 0.5);
}

TEST(WindowEnding, ClosingWithTheLoopRunningEndsItSavesAndFinishesTheRecording)
{
    ToneWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Start());
    TEEGForm& f = *w.Form;
    const std::string recording = w.Path("take.wav");
    w.Dialogs.AnswerFile(QString::fromStdString(recording));
    f.Rec().SaveWave1Click();
    f.Panel().RecordBtn->click();
    EXPECT_EQ(f.Panel().RecordBtn->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(f.Panel().StopWvBtn->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
    f.Action("Phase1")->trigger();

    bool closedInside = false;
    f.SetOnBlock([&](long long n) {
        if (n == 12) {
            f.close();
            closedInside = true;
        }
        ASSERT_LE(n, 13) << "the loop went on after the window closed";
    });
    // The start timer runs the loop inside this event loop; the close inside it ends both.
    QEventLoop events;
    QTimer::singleShot(20000, &events, [&] {   // guard: a hang fails instead of blocking
        f.Acq().AcquisitionIdle = true;
        events.quit();
    });
    f.StartTimer().start();
    events.exec();
    EXPECT_TRUE(closedInside);
    EXPECT_TRUE(f.Closing());
    EXPECT_TRUE(f.Acq().AcquisitionIdle);
    EXPECT_FALSE(f.StartTimer().isActive());
    EXPECT_EQ(f.ExitCode(), 0);
    const long long blocks = f.BlocksShown();
    w.Form.reset();   // FormDestroy

    WaveReader reader;
    WaveMessage refusal;
    ASSERT_TRUE(reader.OpenAnyFormat(recording, refusal));
    QFile wav(QString::fromStdString(recording));
    EXPECT_EQ(wav.size(), 44 + blocks * 8192);
    QFile cfg(w.SettingsPath());
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    const QByteArray saved = cfg.readAll();
    ASSERT_EQ(saved.size(), 158);
    EXPECT_EQ(saved[0], 1);   // channels enabled, as the window showed them
    EXPECT_EQ(saved[59], 5);  // DisplayType Phase
}

TEST(WindowEnding, ADeviceFailureWhileAcquiringEndsTheProgramCleanly)
{
    WindowRig w;
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend* device = backend.get();
    device->Fail(WaveOperation::AddBuffer, WaveErrNoMemory, 10, 1);
    ASSERT_NO_FATAL_FAILURE(w.Open(std::move(backend)));
    TEEGForm& f = *w.Form;
    const std::string recording = w.Path("take.wav");
    w.Dialogs.AnswerFile(QString::fromStdString(recording));
    f.Rec().SaveWave1Click();
    f.Panel().RecordBtn->click();
    long long blocks = 0;
    f.SetOnBlock([&](long long n) { blocks = n; });
    f.Loop().StartTimerTimer();   // returns once the failure has ended the loop
    ASSERT_GE(w.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(w.Dialogs.Messages().front().Caption, QStringLiteral("Wave Device Message"));
    EXPECT_EQ(f.ExitCode(), 1);
    EXPECT_TRUE(f.Closing());
    EXPECT_FALSE(f.StartTimer().isActive());
    EXPECT_TRUE(f.Loop().TerminationRequested());
    EXPECT_GT(blocks, 0);
    w.Form.reset();
    QFile wav(QString::fromStdString(recording));
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    const QByteArray header = wav.read(44);
    uint32_t dataBytes = 0;
    std::memcpy(&dataBytes, header.constData() + 40, 4);
    EXPECT_EQ(dataBytes + 44, static_cast<uint32_t>(wav.size()));
    EXPECT_GT(dataBytes, 0u);
    EXPECT_TRUE(QFile::exists(w.SettingsPath()));
}

TEST(VelquorProgram, ScreenshotHelpAndRefusals)
{
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("tones.wav"));
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(wave.toStdString(), ToneSettings(10.0, 6.0), 3));
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QProcess run;
    const QProcessEnvironment env = ProgramEnvironment(dir.filePath(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(VELQUOR_PROGRAM),
              {QStringLiteral("--input"), QStringLiteral("file:") + wave, QStringLiteral("--screenshot"), shot,
               QStringLiteral("--blocks"), QStringLiteral("20")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(run.readAllStandardOutput()).trimmed(), shot);
    const QImage image(shot);
    EXPECT_EQ(image.size(), QSize(996, 667));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("config/velquor/Velquor.cfg"))));

    // A polite kill while acquiring closes the window as the user would: settings saved.
    QProcess live;
    live.setProcessEnvironment(ProgramEnvironment(dir.filePath(QStringLiteral("live"))));
    live.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), QStringLiteral("demo")});
    ASSERT_TRUE(live.waitForStarted(20000));
    QThread::msleep(1500);
    live.terminate();
    ASSERT_TRUE(live.waitForFinished(20000));
    EXPECT_EQ(live.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(live.exitCode(), 0);
    QFile saved(dir.filePath(QStringLiteral("live/velquor/Velquor.cfg")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.read(1)[0], 1);   // saved at closing: channel 1 enabled

    // auto: the capture device when there is one, else the demo signal, saying which.
    // (Probing the sound system loads its plugins, which keep a few allocations to the end.)
    QProcessEnvironment autoEnv = env;
    autoEnv.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    run.setProcessEnvironment(autoEnv);
    run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), QStringLiteral("auto"),
                                                QStringLiteral("--screenshot"), shot, QStringLiteral("--blocks"),
                                                QStringLiteral("2")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    const QString said = QString::fromLocal8Bit(run.readAllStandardOutput());
    EXPECT_TRUE(said.startsWith(QStringLiteral("velquor: input portaudio (")) ||
                said.startsWith(QStringLiteral("velquor: input demo (no capture device found)")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(shot));
    run.setProcessEnvironment(env);

    run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(run.readAllStandardOutput().contains("--screenshot"));
    run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.readAllStandardOutput(), QByteArray("velquor " VELQUOR_VERSION "\n"));
    run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), QStringLiteral("file:/no/such.wav")});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 2);
}

// The demo signal at the first-run settings over the 100 blocks `make run` renders: both
// traces at least 30 rows peak to peak as drawn, each channel's alpha peak (8 to 12 Hz: rows
// 297 to 321) at least 100 pixels long and the longest bar in at least a third of the spectra
// (the 1/f background's lowest rows are the longest in most of the others), and Overload dark
// throughout, there and over the half minute after. (It lit in four blocks of ten at the
// demo's former full level; at the first run's former gains the traces spanned 14 and 9 rows
// and the alpha peaks were a few pixels in the 730 x 371 pane.)
TEST(WindowAcquiring, DemoSignalIsPlainlyVisibleAtTheFirstRunSettings)
{
    WindowRig w;
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(w.Path("demo.wav"), DemoBackend::DefaultSettings(), 40));
    ASSERT_NO_FATAL_FAILURE(w.Open("file:" + w.Path("demo.wav")));
    TEEGForm& f = *w.Form;
    const int gains[2] = {f.Display().Settings.Chan1TimeGain, f.Display().Settings.Chan2TimeGain};
    int lo[2] = {1 << 30, 1 << 30}, hi[2] = {-(1 << 30), -(1 << 30)};
    int alphaPeaks[2] = {0, 0}, peaks[2] = {0, 0}, longestAlpha[2] = {0, 0}, overloads = 0;
    w.Run(100 + 320, [&](long long n) {
        overloads += f.Panel().OvldLED->Checked();
        if (n <= 10 || n > 100) return;   // the DC estimate settles first
        const int32_t* traces[2] = {f.Proc().Chan1Trace, f.Proc().Chan2Trace};
        for (int c = 0; c < 2; ++c) {
            for (int i = 480; i < 512; i += 8) {   // the samples a time step of 4 draws
                const int y = (traces[c][i] * gains[c]) >> 14;
                lo[c] = std::min(lo[c], y);
                hi[c] = std::max(hi[c], y);
            }
            const Bar bar = LongestBar(f.Display().SpectrumImage.Image(), c + 1, Lime);
            if (bar.Length == 0) continue;
            ++peaks[c];
            if (bar.Row >= 297 && bar.Row <= 321) {
                ++alphaPeaks[c];
                longestAlpha[c] = std::max(longestAlpha[c], bar.Length);
            }
        }
    });
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE("channel " + std::to_string(c + 1));
        EXPECT_GE(hi[c] - lo[c], 30);
        EXPECT_EQ(peaks[c], 90);
        EXPECT_GE(alphaPeaks[c] * 3, peaks[c]) << alphaPeaks[c] << " of " << peaks[c];
        EXPECT_GE(longestAlpha[c], 100);
    }
    EXPECT_EQ(overloads, 0);
}

// The live demo input paces the loop in real time. While the loop waits for its buffers it
// sleeps in slices, serving the window between them: a 2 ms timer keeps firing at about
// 100 Hz or more, every block arrives (none dropped for want of a queued buffer), and the
// blocks come at the device's rate.
TEST(WindowAcquiring, LiveInputKeepsTheWindowServedWhileTheLoopWaits)
{
    WindowRig w;
    ASSERT_NO_FATAL_FAILURE(w.Open("demo"));
    TEEGForm& f = *w.Form;
    int ticks = 0;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start();
    QElapsedTimer clock;
    long long firstBlock = 0, lastBlock = 0;
    w.Run(2);                                // the cadence is learnt from the first completions
    clock.start();
    ticks = 0;
    w.Run(30, [&](long long) {
        if (!firstBlock) firstBlock = clock.elapsed();
        lastBlock = clock.elapsed();
    });
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_EQ(f.BlocksShown(), 32);
    // 29 block periods of 92.9 ms between the first and the last block.
    EXPECT_NEAR((lastBlock - firstBlock) / 29.0, 92.9, 8.0);
    EXPECT_GE(ticks, 60 * seconds) << ticks << " timer ticks in " << seconds << " s";
    const auto* demo = dynamic_cast<const QueuedWaveInBackend*>(&f.Loop().Device().Backend());
    ASSERT_NE(demo, nullptr);
    EXPECT_EQ(demo->DroppedBytes(), 0u);
}
