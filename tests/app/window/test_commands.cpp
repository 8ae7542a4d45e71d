// File, Options and settings commands through the window's real handlers.
#include <QAction>
#include <QFile>
#include <QScrollBar>

#include "app/dialogs/ChannelSetupForm.h"
#include "app/settings/SettingsFile.h"
#include "tests/app/window/WindowTestSupport.h"

TEST(WindowSettings, AStoredFileIsAppliedThroughTheHandlers)
{
    WindowRig rig;
    SettingsRecord r;
    r.Chan1Enabled = 1;
    r.Chan2Enabled = 0;
    r.InputStereo = 1;
    r.Chan1TimeGainSetting = 391;
    r.Chan2TimeGainSetting = 0;
    r.Chan1GainStep = 5;
    r.Chan2GainStep = 2;
    r.TimeBaseSetting = 6;
    r.FreqScaleSetting = 40;            // dial 100: S = 206
    r.DisplayType = 5;
    r.BackgroundStyle = 7;              // no colour handler runs
    r.ModulationType = 2;
    r.WindowsOs = 2;
    r.GridOn = 0;
    r.WaterfallPalette = 4;
    ASSERT_TRUE(WriteSettingsFile(rig.SettingsPath(), r));
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();
    EXPECT_TRUE(p.Chan1EnableSwitch->Checked());
    EXPECT_FALSE(p.Chan2EnableSwitch->Checked());
    EXPECT_FALSE(f.Proc().Chan2Enabled);
    EXPECT_EQ(p.Chan1GainTrackBar->value(), 40);
    EXPECT_EQ(p.Chan2GainTrackBar->value(), 1);
    EXPECT_TRUE(f.Action("Line1")->isChecked());
    EXPECT_EQ(f.Acq().BufferBytes, 16384);
    EXPECT_TRUE(f.Acq().AcquisitionIdle);      // the load started nothing
    EXPECT_FLOAT_EQ(f.Proc().Chan1DemodGain, 10.0f);
    EXPECT_FLOAT_EQ(f.Proc().Chan2DemodGain, 0.01f);
    EXPECT_EQ(f.Display().TimeStep, 16);
    EXPECT_EQ(f.Proc().FreqSpan, 206);
    EXPECT_EQ(p.HiFreqLabel->text(), QStringLiteral("100 Hz"));
    EXPECT_TRUE(f.Action("Phase1")->isChecked());
    EXPECT_TRUE(f.Action("FM1")->isChecked());
    EXPECT_EQ(f.Proc().ModulationType, 2);
    EXPECT_TRUE(f.Action("Windows2K")->isChecked());
    EXPECT_TRUE(f.Action("GridOff1")->isChecked());
    EXPECT_TRUE(f.Action("PsuedoColor1")->isChecked());
    EXPECT_EQ(f.Display().Settings.BackgroundStyle, 7);
    EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

TEST(WindowCommands, SaveFormWritesTheWindowAndSaveBitmapThePane)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(rig.Path("tones.wav"), ToneSettings(10.0, 6.0), 5));
    ASSERT_NO_FATAL_FAILURE(rig.Open("file-loop:" + rig.Path("tones.wav")));
    TEEGForm& f = *rig.Form;
    f.Action("Waterfall1")->trigger();
    rig.Run(15);
    const QString form = QString::fromStdString(rig.Path("form.bmp"));
    const QString pane = QString::fromStdString(rig.Path("pane.bmp"));
    rig.Dialogs.AnswerFile(form);
    f.Action("SaveForm1")->trigger();
    rig.Dialogs.AnswerFile(pane);
    f.Action("SaveBitmap1")->trigger();
    EXPECT_EQ(QImage(form).convertToFormat(QImage::Format_RGB32),
              f.ClientImage().convertToFormat(QImage::Format_RGB32));
    const QImage bitmap(pane);
    ASSERT_EQ(bitmap.size(), QSize(PaneWidth, SpectrumPaneHeight));
    // The waterfall carries the red centre strip.
    EXPECT_EQ(bitmap.pixelColor(PaneCentre, 100), QColor(Qt::red));
    // Nothing ran a loop behind the idle window's back.
    EXPECT_TRUE(f.Acq().AcquisitionIdle);
    EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

TEST(WindowCommands, ChannelSetupIsModelessAndItsCarriersReachTheNextBlock)
{
    WindowRig rig;
    // Channel 1's tone on a carrier of 17000 Hz instead of 19145 Hz.
    SignalGeneratorSettings s = ToneSettings(10.0, 6.0);
    s.CarrierHz[0] = 17000.0;
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(rig.Path("moved.wav"), s, 10));
    ASSERT_NO_FATAL_FAILURE(rig.Open("file-loop:" + rig.Path("moved.wav")));
    TEEGForm& f = *rig.Form;
    f.Action("ChannelSetup1")->trigger();
    TChannelSetupForm* setup = f.ChannelSetupWindow();
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->isVisible());
    EXPECT_FALSE(setup->isModal());
    setup->Chan1FreqScrollBar()->setValue(17000);
    EXPECT_FLOAT_EQ(f.Proc().Chan1CarrierHz, 17000.0f);
    rig.Run(40);
    EXPECT_NEAR(DominantHz(f.Proc().Chan1Trace), 10.0, 0.5);
    EXPECT_NEAR(DominantHz(f.Proc().Chan2Trace), 6.0, 0.5);
}

TEST(WindowCommands, LineWhileAcquiringRestartsInStereoWithoutDeviceMessages)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("demo"));
    TEEGForm& f = *rig.Form;
    bool switched = false;
    f.SetOnBlock([&](long long n) {
        if (n == 3 && !switched) {
            switched = true;
            f.Action("Line1")->trigger();   // stops, reformats and runs a nested loop
        }
        if (n >= 8) f.Acq().AcquisitionIdle = true;
    });
    f.Loop().StartTimerTimer();
    f.StartTimer().stop();
    EXPECT_TRUE(switched);
    EXPECT_GE(f.BlocksShown(), 8);
    EXPECT_EQ(f.Acq().InputStereo, 1);
    EXPECT_TRUE(f.Action("Line1")->isChecked());
    for (const auto& m : rig.Dialogs.Messages()) ADD_FAILURE() << m.Caption.toStdString() << ": " << m.Text.toStdString();
}

// A first session that ended before saving (a crash, a power cut) leaves the defaults table
// on disk. Its unset gain steps, time base and frequency scale load as the panel a first run
// shows, not as the nearest end of each dial (gain dial 1 would flatten the traces for good).
TEST(WindowSettings, TheDefaultsTableOfACrashedFirstRunLoadsAsTheFirstRunPanel)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    QFile written(rig.SettingsPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray table = written.readAll();
    written.close();
    ASSERT_EQ(table.size(), 158);
    rig.Form.reset();   // saves the running state over it ...
    QFile::remove(rig.SettingsPath());
    QFile left(rig.SettingsPath());   // ... which the crash never did
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.write(table);
    left.close();

    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();
    EXPECT_FLOAT_EQ(p.Chan1GainDial->Value(), 3.0f);
    EXPECT_FLOAT_EQ(p.Chan2GainDial->Value(), 3.0f);
    EXPECT_FLOAT_EQ(f.Proc().Chan1DemodGain, 0.1f);
    EXPECT_FLOAT_EQ(f.Proc().Chan2DemodGain, 0.1f);
    EXPECT_FLOAT_EQ(p.TimeBaseDial->Value(), 4.0f);
    EXPECT_EQ(f.Display().TimeStep, 4);
    EXPECT_FLOAT_EQ(p.FreqBaseDial->Value(), 60.0f);
    EXPECT_EQ(f.Proc().FreqSpan, 123);
    EXPECT_EQ(p.HiFreqLabel->text(), QStringLiteral("59 Hz"));
    EXPECT_TRUE(rig.Dialogs.Messages().empty());
}
