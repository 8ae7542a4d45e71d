// The window as built: geometry of the scaled panel, the menus and their check marks,
// the first-run state, and the command line.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QTest>

#include "app/dialogs/DesktopCommands.h"
#include "app/window/CommandLine.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

QStringList Captions(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QStringList Checked(const TEEGForm& form, const QStringList& names)
{
    QStringList out;
    for (const QString& n : names)
        if (form.Action(n)->isChecked()) out << n;
    return out;
}

QByteArray ReadSettingsBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteSettingsBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

const QStringList TypeItems = {"Spectrum1", "Phase1", "Waterfall1"};
const QStringList PaletteItems = {"PsuedoColor1", "BlackWhite1", "Red3", "Green1", "Blue3", "RedGreen1"};

}  // namespace

TEST(WindowLayout, PanesAreScaledToTheirFixedSizes)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TFrontPanel& p = rig.Form->Panel();
    EXPECT_EQ(p.SpectrumBox->size(), QSize(PaneWidth, SpectrumPaneHeight));
    EXPECT_EQ(p.TimeBox->size(), QSize(PaneWidth, TimePaneHeight));
    EXPECT_EQ(p.ImagePanel->width() / 2, PaneCentre);
    // 808 x 541 design client area, scaled by 730 / 592.
    EXPECT_EQ(rig.Form->Client()->size(), QSize(996, 667));
    EXPECT_EQ(rig.Form->minimumSize(), rig.Form->maximumSize());
    EXPECT_EQ(rig.Form->windowTitle(), QStringLiteral("Velquor"));
    // The panes sit inside the client area, above the status strip.
    const QRect spectrum(p.SpectrumBox->mapTo(rig.Form->Client(), QPoint(0, 0)), p.SpectrumBox->size());
    const QRect time(p.TimeBox->mapTo(rig.Form->Client(), QPoint(0, 0)), p.TimeBox->size());
    EXPECT_TRUE(rig.Form->Client()->rect().contains(spectrum));
    EXPECT_LT(time.bottom(), spectrum.top());
    // The column boxes end where the time pane's rim begins: no frame runs through it.
    EXPECT_LE(p.GroupBox2->geometry().right(), p.TimeBasePanel->geometry().left() - 1);
    EXPECT_GE(p.GroupBox1->geometry().left(), p.TimeBasePanel->geometry().right() + 1);
}

TEST(WindowLayout, EveryCaptionFitsItsBoxWithoutTouchingItsNeighbours)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TFrontPanel& p = rig.Form->Panel();
    for (QLabel* label : p.Labels) {
        const QFontMetrics fm(label->font());
        EXPECT_LE(fm.horizontalAdvance(label->text()) + std::max(0, label->indent()), label->width())
            << label->text().toStdString();
        EXPECT_LE(fm.height(), label->height() + 4) << label->text().toStdString();
        for (QLabel* other : p.Labels) {
            if (other != label && other->parentWidget() == label->parentWidget()) {
                EXPECT_FALSE(label->geometry().intersects(other->geometry()))
                    << label->text().toStdString() << " / " << other->text().toStdString();
            }
        }
    }
    // The frequency readouts in the pane's corners keep off its frame.
    EXPECT_GE(p.LoFreqLabel->indent(), 3);
    EXPECT_GE(p.HiFreqLabel->indent(), 3);
    EXPECT_LE(QFontMetrics(p.HiFreqLabel->font()).horizontalAdvance(QStringLiteral("150 Hz")) + p.HiFreqLabel->indent(),
              p.HiFreqLabel->width());
    // The longest readouts the labels ever show.
    const QFontMetrics readout(p.MarkerLabel->font());
    EXPECT_LE(readout.horizontalAdvance(QStringLiteral("Marker Difference = 150 Hz")), p.MarkerLabel->width());
    EXPECT_LE(readout.horizontalAdvance(QStringLiteral("Cursor Position = 150 Hz")), p.CursorLabel->width());
    // The recorder's captions in one size (fitting RECORD alone made it the smallest).
    for (QPushButton* b : {p.RecordBtn, p.PlayBtn, p.StopWvBtn, p.PauseBtn}) {
        EXPECT_LT(QFontMetrics(b->font()).horizontalAdvance(b->text()) + 6, b->width()) << b->text().toStdString();
        EXPECT_EQ(b->font().pixelSize(), p.RecordBtn->font().pixelSize()) << b->text().toStdString();
    }
    // LED captions: lamp, spacing and text inside the control, lamps apart from the previous caption.
    TOvLED* leds[] = {p.OvldLED, p.Ov60HzLED, p.OvChan1, p.OvChan2};
    for (TOvLED* led : leds) led->Snapshot();
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(leds[i]->LampRect().Right + 5 + leds[i]->CaptionWidth(), leds[i]->width()) << i;
        if (i > 0) {
            EXPECT_GE(leds[i]->x(), leds[i - 1]->x() + leds[i - 1]->width()) << i;
        }
    }
}

TEST(WindowMenus, CaptionsSeparatorsAndStartingCheckMarks)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    EXPECT_EQ(Captions(f.MenuNamed("File1")),
              QStringList({"Open Wave", "Save Wave", "Record EDF+...", "-", "Save Form", "Save Bitmap", "-", "Copy Form", "Copy Bitmap",
                           "-", "Volume Control", "-", "Print Form", "-", "Exit"}));
    EXPECT_EQ(Captions(f.MenuNamed("Options1")),
              QStringList({"Input", "Windows OS", "Modulation Type", "Channel Setup", "Calibrate..."}));
    EXPECT_EQ(Captions(f.MenuNamed("Input1")), QStringList({"Microphone", "Line"}));
    EXPECT_EQ(Captions(f.MenuNamed("WindowsOS1")), QStringList({"WinXP", "Win2K"}));
    EXPECT_EQ(Captions(f.MenuNamed("ModulationType1")), QStringList({"AM", "FM"}));
    EXPECT_EQ(Captions(f.MenuNamed("Display1")), QStringList({"Type", "BackGround Color", "Channel 1 Color",
                                                             "Channel 2 Color", "Waterfall Color", "Gridlines"}));
    EXPECT_EQ(Captions(f.MenuNamed("Type1")), QStringList({"Spectrum", "Phase", "Waterfall"}));
    EXPECT_EQ(Captions(f.MenuNamed("BackGroundColor1")), QStringList({"White", "Black", "Teal"}));
    EXPECT_EQ(Captions(f.MenuNamed("Channel1Color1")),
              QStringList({"Black", "Red", "Blue", "Aqua", "Yellow", "Lime", "White"}));
    EXPECT_EQ(Captions(f.MenuNamed("WaterfallColor1")),
              QStringList({"Psuedo Color", "Black-White", "Red", "Green", "Blue", "Aqua"}));
    EXPECT_EQ(Captions(f.MenuNamed("Help1")), QStringList({"Help Menu", "-", "About"}));

    EXPECT_EQ(Checked(f, {"Mic1", "Line1", "WindowsXP", "Windows2K", "AM1", "FM1", "GridOn1", "GridOff1"}),
              QStringList({"Mic1", "WindowsXP", "AM1", "GridOn1"}));
    EXPECT_EQ(Checked(f, TypeItems), QStringList({"Spectrum1"}));
    EXPECT_EQ(Checked(f, PaletteItems), QStringList({"BlackWhite1"}));
    for (const char* plain : {"White1", "Black1", "Teal1", "Red1", "Red2", "Exit1", "About1"})
        EXPECT_FALSE(f.Action(plain)->isCheckable()) << plain;
}

TEST(WindowMenus, DisplayCommandsMoveTheirCheckMarks)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    f.Action("Phase1")->trigger();
    EXPECT_EQ(Checked(f, TypeItems), QStringList({"Phase1"}));
    EXPECT_EQ(f.Display().Settings.DisplayType, DisplayPhase);
    f.Action("Waterfall1")->trigger();
    EXPECT_EQ(Checked(f, TypeItems), QStringList({"Waterfall1"}));
    EXPECT_EQ(f.Display().Settings.DisplayType, DisplayWaterfall);
    f.Action("Spectrum1")->trigger();   // triggering a checked item must leave it checked
    f.Action("Spectrum1")->trigger();
    EXPECT_EQ(Checked(f, TypeItems), QStringList({"Spectrum1"}));
    // The display-type commands keep the frequency scale of the dial (60 -> S = 123).
    EXPECT_EQ(f.Proc().FreqSpan, 123);
    EXPECT_EQ(f.Panel().HiFreqLabel->text(), QStringLiteral("59 Hz"));

    f.Action("GridOff1")->trigger();
    EXPECT_EQ(Checked(f, {"GridOn1", "GridOff1"}), QStringList({"GridOff1"}));
    EXPECT_FALSE(f.Display().Settings.GridOn);
    f.Action("GridOn1")->trigger();
    EXPECT_EQ(Checked(f, {"GridOn1", "GridOff1"}), QStringList({"GridOn1"}));

    for (const QString& item : PaletteItems) {
        f.Action(item)->trigger();
        EXPECT_EQ(Checked(f, PaletteItems), QStringList({item}));
    }
    EXPECT_EQ(f.Display().Settings.WaterfallPalette, PaletteAqua);

    // Background: the status strip and its labels take the colours; no check marks.
    f.Action("White1")->trigger();
    EXPECT_EQ(f.Panel().ScopeStatusPanel->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(f.Panel().HiFreqLabel->palette().color(QPalette::WindowText), QColor(Qt::red));
    f.Action("Teal1")->trigger();
    EXPECT_EQ(f.Panel().ScopeStatusPanel->palette().color(QPalette::Window), QColor(0, 128, 128));
    EXPECT_EQ(f.Panel().MarkerLabel->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    EXPECT_EQ(f.Display().Settings.BackgroundStyle, 3);

    f.Action("Red2")->trigger();
    EXPECT_EQ(f.Display().Settings.Chan2Color, clRed);
    EXPECT_EQ(f.Display().Settings.Chan1Color, clYellow);

    f.Action("Windows2K")->trigger();
    EXPECT_EQ(Checked(f, {"WindowsXP", "Windows2K"}), QStringList({"Windows2K"}));
    EXPECT_EQ(f.Options().WindowsOs, 2);
    f.Action("FM1")->trigger();
    EXPECT_EQ(Checked(f, {"AM1", "FM1"}), QStringList({"FM1"}));
    EXPECT_EQ(f.Proc().ModulationType, 2);
}

TEST(WindowMenus, AboutShowsTheVersionLineAndInputChangesWhileIdleShowNoDeviceErrors)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    f.Action("About1")->trigger();
    f.Action("About1")->trigger();
    ASSERT_EQ(rig.Dialogs.Messages().size(), 2u);
    const auto box = rig.Dialogs.Messages()[1];
    EXPECT_EQ(box.Caption, QStringLiteral("About Velquor"));
    EXPECT_EQ(box.Text.split('\n').size(), 3);
    EXPECT_EQ(box.Text.split('\n')[1], QStringLiteral("         Version 1.17 "));
    EXPECT_EQ(rig.Dialogs.Messages()[0].Text, box.Text);

    // No loop runs: Line and Microphone only change the format (no device to stop).
    f.Action("Line1")->trigger();
    EXPECT_EQ(f.Acq().InputStereo, 1);
    EXPECT_EQ(f.Acq().BufferBytes, 16384);
    EXPECT_EQ(Checked(f, {"Mic1", "Line1"}), QStringList({"Line1"}));
    f.Action("Mic1")->trigger();
    EXPECT_EQ(f.Acq().BufferBytes, 8192);
    EXPECT_EQ(Checked(f, {"Mic1", "Line1"}), QStringList({"Mic1"}));
    EXPECT_EQ(rig.Dialogs.Messages().size(), 2u);
}

TEST(WindowFirstRun, ComesUpInTheStateItsControlsShowAndWritesIt)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();
    EXPECT_TRUE(f.Proc().Chan1Enabled);
    EXPECT_TRUE(f.Proc().Chan2Enabled);
    EXPECT_TRUE(p.Chan1EnableSwitch->Checked());
    EXPECT_FLOAT_EQ(f.Proc().Chan1DemodGain, 0.1f);
    EXPECT_FLOAT_EQ(f.Proc().Chan2DemodGain, 0.1f);
    EXPECT_FLOAT_EQ(p.Chan1GainDial->Value(), 3.0f);
    EXPECT_EQ(f.Display().TimeStep, 4);
    EXPECT_FLOAT_EQ(p.FreqBaseDial->Value(), 60.0f);
    EXPECT_EQ(f.Proc().FreqSpan, 123);
    // Every gain is the one its track bar shows (position 7: 61).
    EXPECT_EQ(f.Display().Settings.Chan1SpecGain, 61);
    EXPECT_EQ(f.Display().Settings.Chan2SpecGain, 61);
    EXPECT_EQ(p.Chan1GainFTrackBar->value(), 7);
    EXPECT_EQ(p.Chan2GainFTrackBar->value(), 7);
    EXPECT_EQ(f.Display().Settings.Chan1TimeGain, 61);
    EXPECT_EQ(f.Display().Settings.Chan2TimeGain, 61);
    EXPECT_EQ(p.Chan1GainTrackBar->value(), 7);
    EXPECT_EQ(p.Chan2GainTrackBar->value(), 7);
    EXPECT_EQ(f.Display().Settings.Chan1TimeOffset, 42);
    EXPECT_EQ(f.Display().Settings.Chan2TimeOffset, 125);   // the row its offset dial gives, as on every reload
    EXPECT_FLOAT_EQ(p.Chan1OffsetDial->Value(), 75.0f);
    EXPECT_FLOAT_EQ(p.Chan2OffsetDial->Value(), 25.0f);
    EXPECT_TRUE(f.Display().Settings.GridOn);
    EXPECT_EQ(f.Display().Settings.BackgroundStyle, 2);
    EXPECT_EQ(f.Display().Settings.DisplayType, DisplaySpectrum);
    EXPECT_FALSE(f.Acq().ApplyingSettings);
    // The file written on the first run holds what the window shows.
    const auto shown = EncodeSettings(f.Settings().StoredValues());
    EXPECT_EQ(ReadSettingsBytes(rig.SettingsPath()), QByteArray(reinterpret_cast<const char*>(shown.data()), 158));
}

// A first session killed before it saves leaves only the file written at its start: the
// next start shows the same panel, not both channels off and empty panes.
TEST(WindowFirstRun, ASessionKilledBeforeItSavesComesBackWithTheFirstRunPanel)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    const QByteArray written = ReadSettingsBytes(rig.SettingsPath());
    rig.Form.reset();
    WriteSettingsBytes(rig.SettingsPath(), written);
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    EXPECT_TRUE(f.Proc().Chan1Enabled);
    EXPECT_TRUE(f.Proc().Chan2Enabled);
    EXPECT_TRUE(f.Panel().Chan2EnableSwitch->Checked());
    EXPECT_FLOAT_EQ(f.Panel().Chan1GainDial->Value(), 3.0f);
    EXPECT_FLOAT_EQ(f.Proc().Chan2DemodGain, 0.1f);
    EXPECT_EQ(f.Display().TimeStep, 4);
    EXPECT_EQ(f.Proc().FreqSpan, 123);
    EXPECT_EQ(f.Display().Settings.Chan1SpecGain, 61);
    EXPECT_EQ(f.Panel().Chan2GainFTrackBar->value(), 7);
}

// An empty file, or one cut short, takes the first-run panel for the fields it lacks, and
// the window saves them so.
TEST(WindowFirstRun, AnEmptyOrShortFileGivesTheFirstRunPanelForWhatItLacks)
{
    WindowRig rig;
    WriteSettingsBytes(rig.SettingsPath(), {});
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    EXPECT_TRUE(rig.Form->Proc().Chan1Enabled);
    EXPECT_EQ(rig.Form->Proc().FreqSpan, 123);
    EXPECT_FLOAT_EQ(rig.Form->Panel().FreqBaseDial->Value(), 60.0f);
    rig.Form.reset();
    QByteArray saved = ReadSettingsBytes(rig.SettingsPath());
    ASSERT_EQ(saved.size(), 158);
    EXPECT_EQ(saved[0], 1);
    EXPECT_EQ(saved[89], 24);   // frequency scale 60

    // Channel 1 stored off, nothing after it: only channel 1 is off.
    WriteSettingsBytes(rig.SettingsPath(), QByteArray(1, '\0'));
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    EXPECT_FALSE(rig.Form->Proc().Chan1Enabled);
    EXPECT_TRUE(rig.Form->Proc().Chan2Enabled);
    EXPECT_FLOAT_EQ(rig.Form->Proc().Chan1DemodGain, 0.1f);
}

TEST(WindowFirstRun, TheNextRunLoadsWhatTheWindowSavedOnClosing)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    rig.Form->Action("Waterfall1")->trigger();
    rig.Form->Action("Teal1")->trigger();
    rig.Form->Panel().Chan2GainFTrackBar->setValue(7);
    rig.Form->Panel().Chan1GainTrackBar->setValue(5);
    rig.Form.reset();   // FormDestroy saves
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    EXPECT_EQ(rig.Form->Display().Settings.DisplayType, DisplayWaterfall);
    EXPECT_TRUE(rig.Form->Action("Waterfall1")->isChecked());
    EXPECT_EQ(rig.Form->Display().Settings.BackgroundStyle, 3);
    EXPECT_EQ(rig.Form->Display().Settings.Chan2SpecGain, 61);
    EXPECT_EQ(rig.Form->Panel().Chan2GainFTrackBar->value(), 7);
    EXPECT_EQ(rig.Form->Panel().Chan1GainTrackBar->value(), 5);
    EXPECT_EQ(rig.Form->Display().Settings.Chan1TimeGain, 41);
    // Channel 2's time gain was never touched: still the first run's 61, its bar still at 7.
    EXPECT_EQ(rig.Form->Display().Settings.Chan2TimeGain, 61);
    EXPECT_EQ(rig.Form->Panel().Chan2GainTrackBar->value(), 7);
    EXPECT_TRUE(rig.Form->Proc().Chan1Enabled);
    EXPECT_FLOAT_EQ(rig.Form->Proc().Chan1DemodGain, 0.1f);
    EXPECT_EQ(rig.Form->Proc().FreqSpan, 123);
}

TEST(CommandLine, OptionsValuesAndRefusals)
{
    ProgramOptions o = ParseCommandLine({});
    EXPECT_EQ(o.Input, "portaudio");
    EXPECT_TRUE(o.Screenshot.empty());
    o = ParseCommandLine({"--input", "file:/tmp/a b.wav", "--screenshot=shot.png", "--blocks", "7"});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.Input, "file:/tmp/a b.wav");
    EXPECT_EQ(o.Screenshot, "shot.png");
    EXPECT_EQ(o.Blocks, 7);
    o = ParseCommandLine({"--screenshot", "x.png"});
    EXPECT_EQ(o.Blocks, DefaultScreenshotBlocks);
    EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).Version);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--input"}, {"--input="}, {"--blocks", "5"},
                                               {"--screenshot", "x.png", "--blocks", "0"},
                                               {"--screenshot", "x.png", "--blocks", "12x"}, {"--frobnicate"}})
        EXPECT_FALSE(ParseCommandLine(bad).Error.empty()) << bad[0];
    EXPECT_NE(UsageText().find("file-loop:PATH"), std::string::npos);

    std::string chosen, error;
    EXPECT_FALSE(MakeInput("nonsense", chosen, error, SourcePace::Card));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(MakeInput("file:/nonexistent/none.wav", chosen, error, SourcePace::Card));
    EXPECT_TRUE(MakeInput("demo-fm", chosen, error, SourcePace::Card));
    EXPECT_EQ(chosen, "demo-fm");
}

// A file watched in the window comes at the sound card's pace; --fast and a screenshot take
// it as fast as it is processed, as the tools do.
TEST(CommandLine, FileInputsRunAtTheCardsPaceUnlessFastOrAScreenshot)
{
    EXPECT_EQ(InputPace(ParseCommandLine({"--input", "file:a.wav"})), SourcePace::Card);
    const ProgramOptions fast = ParseCommandLine({"--fast", "--input", "file-loop:a.wav"});
    EXPECT_TRUE(fast.Error.empty()) << fast.Error;
    EXPECT_TRUE(fast.Fast);
    EXPECT_EQ(InputPace(fast), SourcePace::Fast);
    EXPECT_EQ(InputPace(ParseCommandLine({"--input", "file:a.wav", "--screenshot", "x.png"})), SourcePace::Fast);
    EXPECT_NE(UsageText().find("--fast"), std::string::npos);

    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(QStringLiteral("tone.wav")).toStdString();
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(path, ToneSettings(10, 12), 1.0));
    for (const SourcePace pace : {SourcePace::Card, SourcePace::Fast}) {
        for (const std::string& name : {"file:" + path, "file-loop:" + path, std::string("silence")}) {
            std::string chosen, error;
            const std::unique_ptr<WaveInBackend> input = MakeInput(name, chosen, error, pace);
            const auto* file = dynamic_cast<const FileBackend*>(input.get());
            ASSERT_NE(file, nullptr) << name << ": " << error;
            EXPECT_EQ(file->Pace(), pace) << name;
        }
    }
}

TEST(WindowControls, EachControlRunsItsHandler)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();
    // Dials: any value change runs the handler.
    p.TimeBaseDial->SetValue(7.0f);
    EXPECT_EQ(f.Display().TimeStep, 32);
    p.Chan2GainDial->SetValue(6.0f);
    EXPECT_FLOAT_EQ(f.Proc().Chan2DemodGain, 100.0f);
    p.Chan1OffsetDial->SetValue(55.0f);
    EXPECT_EQ(f.Display().Settings.Chan1TimeOffset, 75);
    p.FreqBaseDial->SetValue(150.0f);
    EXPECT_EQ(f.Proc().FreqSpan, 309);
    EXPECT_EQ(p.HiFreqLabel->text(), QStringLiteral("150 Hz"));
    // Track bars.
    p.Chan2GainTrackBar->setValue(40);
    EXPECT_EQ(f.Display().Settings.Chan2TimeGain, 391);
    p.Chan1GainFTrackBar->setValue(2);
    EXPECT_EQ(f.Display().Settings.Chan1SpecGain, 11);
    // Switches, clicked as a user does: press and release on the half the knob moves to.
    QTest::mouseClick(p.Chan2EnableSwitch, Qt::LeftButton, {}, QPoint(p.Chan2EnableSwitch->width() * 3 / 4,
                                                                         p.Chan2EnableSwitch->height() / 2));
    EXPECT_FALSE(p.Chan2EnableSwitch->Checked());
    EXPECT_FALSE(f.Proc().Chan2Enabled);
    QTest::mouseClick(p.MkrSwitch, Qt::LeftButton, {}, QPoint(p.MkrSwitch->width() / 2, p.MkrSwitch->height() / 4));
    EXPECT_TRUE(f.Display().Settings.Marker1On);
    // Filter markers replace the frequency markers and switch MkrSwitch off.
    QTest::mouseClick(p.FltrMkrsSw, Qt::LeftButton, {}, QPoint(p.FltrMkrsSw->width() / 2, p.FltrMkrsSw->height() / 4));
    EXPECT_TRUE(f.Display().Settings.FilterMarker1On);
    EXPECT_FALSE(p.MkrSwitch->Checked());
    // Expand without frequency markers is refused with a message, and the switch goes back off.
    QTest::mouseClick(p.ExpandSw, Qt::LeftButton, {}, QPoint(p.ExpandSw->width() / 2, p.ExpandSw->height() / 4));
    EXPECT_FALSE(p.ExpandSw->Checked());
    ASSERT_EQ(rig.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(rig.Dialogs.Messages()[0].Text, QStringLiteral("Markers must be enabled!"));
    EXPECT_EQ(rig.Dialogs.Messages()[0].Caption, QStringLiteral("Error Message"));
    QTest::mouseClick(p.FltrEnbSw, Qt::LeftButton, {}, QPoint(p.FltrEnbSw->width() / 2, p.FltrEnbSw->height() / 4));
    EXPECT_TRUE(f.Proc().FilterEnabled);
    EXPECT_FALSE(f.Proc().FilterBypass);
    QTest::mouseClick(p.DisplayHoldSw, Qt::LeftButton, {},
                      QPoint(p.DisplayHoldSw->width() / 2, p.DisplayHoldSw->height() / 4));
    EXPECT_TRUE(f.Proc().DisplayHold);
    // The pointer over the pane reads its frequency: the top row is HiFreqLabel's.
    QTest::mouseMove(p.SpectrumBox, QPoint(100, 0));
    EXPECT_EQ(p.CursorLabel->text(), QStringLiteral("Cursor Position = 150 Hz"));
    // Recorder: PLAY without an input file refuses; STOP stays red.
    QTest::mouseClick(p.PlayBtn, Qt::LeftButton);
    EXPECT_EQ(rig.Dialogs.Messages().back().Caption, QStringLiteral("Play Error"));
    EXPECT_EQ(p.StopWvBtn->palette().color(QPalette::ButtonText), QColor(Qt::red));
}

TEST(WindowControls, ExitClosesAndTheDestroyHandlerSaves)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    QFile::remove(rig.SettingsPath());
    rig.Form->Action("Exit1")->trigger();
    EXPECT_TRUE(rig.Form->Closing());
    EXPECT_FALSE(rig.Form->isVisible());
    EXPECT_TRUE(rig.Form->Acq().AcquisitionIdle);
    EXPECT_FALSE(rig.Form->StartTimer().isActive());
    rig.Form.reset();
    EXPECT_EQ(QFile(rig.SettingsPath()).size(), 158);
}

// Help > Help Menu from a build tree: the program's folder holds no help, so the page is
// found in the source tree the program was built from.
TEST(WindowHelp, TheHelpPageIsFoundFromTheBuiltProgramsFolder)
{
    const QString programDir = QFileInfo(QStringLiteral(VELQUOR_PROGRAM)).absolutePath();
    const QString page = FindHelpFile(programDir);
    ASSERT_FALSE(page.isEmpty());
    EXPECT_TRUE(page.endsWith(QStringLiteral("docs/help/index.html"))) << page.toStdString();
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(html.readAll().contains("Help Menu"));
}
