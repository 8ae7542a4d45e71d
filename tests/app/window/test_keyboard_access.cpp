// The window without a mouse: what a screen reader finds in the accessible
// tree, the Tab chain across the panel, Space on the switches, the menu
// shortcuts, and the screenshot's focus option.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMap>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <set>

#include "app/window/CommandLine.h"
#include "app/window/MenuShortcuts.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

struct Found {
    QAccessible::Role Role;
    QString Value;
    QAccessibleInterface* Iface;
};

// Every named node of the accessible tree below `root`, by name.
QMultiMap<QString, Found> Walk(QAccessibleInterface* root)
{
    QMultiMap<QString, Found> out;
    std::function<void(QAccessibleInterface*, int)> visit = [&](QAccessibleInterface* node, int depth) {
        ASSERT_LT(depth, 30);
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child || !child->isValid())
                continue;
            EXPECT_EQ(child->parent()->object(), node->object()) << child->text(QAccessible::Name).toStdString();
            const QString name = child->text(QAccessible::Name);
            if (!name.isEmpty())
                out.insert(name, Found { child->role(), child->text(QAccessible::Value), child });
            visit(child, depth + 1);
        }
    };
    visit(root, 0);
    return out;
}

void MakeActive(QWidget* w)
{
    QApplication::setActiveWindow(w);
    w->activateWindow();
    QCoreApplication::processEvents();
}

// The key tests' window: on silence, active, so the keys reach its focused control.
void OpenActive(WindowRig& rig)
{
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    MakeActive(rig.Form.get());
}

}  // namespace

TEST(WindowAccessibility, TheTreeHoldsEveryPanelControlWithNameRoleAndValue)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&f);
    ASSERT_TRUE(root);
    const QMultiMap<QString, Found> tree = Walk(root);
    EXPECT_FALSE(tree.isEmpty());

    struct Expect {
        const char* Name;
        QAccessible::Role Role;
        QString Value; // empty: not checked here
    };
    const TFrontPanel& p = f.Panel();
    auto dial = [](const TOvDial* d) { return d->ValueText() + QStringLiteral(" %"); };
    auto bar = [](const QSlider* s) { return QString::number(s->value()); };
    const Expect expected[] = {
        { "Channel 1 Gain x10", QAccessible::Dial, dial(p.Chan1GainDial) },
        { "Channel 2 Gain x10", QAccessible::Dial, dial(p.Chan2GainDial) },
        { "Channel 1 Position", QAccessible::Dial, dial(p.Chan1OffsetDial) },
        { "Channel 2 Position", QAccessible::Dial, dial(p.Chan2OffsetDial) },
        { "Freq Scale", QAccessible::Dial, dial(p.FreqBaseDial) },
        { "Time", QAccessible::Dial, dial(p.TimeBaseDial) },
        { "Channel 1 Timeline gain", QAccessible::Slider, bar(p.Chan1GainTrackBar) },
        { "Channel 1 Spectrum gain", QAccessible::Slider, bar(p.Chan1GainFTrackBar) },
        { "Channel 2 Timeline gain", QAccessible::Slider, bar(p.Chan2GainTrackBar) },
        { "Channel 2 Spectrum gain", QAccessible::Slider, bar(p.Chan2GainFTrackBar) },
        { "Channel 1 Enable", QAccessible::CheckBox, "On" },
        { "Channel 2 Enable", QAccessible::CheckBox, "On" },
        { "Display hold", QAccessible::CheckBox, "Off" },
        { "Markers", QAccessible::CheckBox, "Off" },
        { "Expand", QAccessible::CheckBox, "Off" },
        { "Filter markers", QAccessible::CheckBox, "Off" },
        { "Filter enable", QAccessible::CheckBox, "Off" },
        { "RECORD", QAccessible::Button, {} },
        { "PLAY", QAccessible::Button, {} },
        { "STOP", QAccessible::Button, {} },
        { "PAUSE", QAccessible::Button, {} },
        { "Overload", QAccessible::Indicator, "Off" },
        { "60 Hz", QAccessible::Indicator, "Off" },
        { "Ch1", QAccessible::Indicator, {} },
        { "Ch2", QAccessible::Indicator, {} },
        { "Clock", QAccessible::StaticText, p.OvClock1->ShownText() },
        { "Operating hours", QAccessible::StaticText, "00h:00m:00s" },
        { "Time traces", QAccessible::Client, {} },
        { "Frequency display", QAccessible::Client, {} },
    };
    // The values a first run starts with (not the design defaults: the first-run state applies).
    EXPECT_EQ(dial(p.Chan1GainDial), QStringLiteral("3.0 %"));
    for (const Expect& e : expected) {
        const QString name = QString::fromLatin1(e.Name);
        ASSERT_EQ(tree.count(name), 1) << e.Name;
        const Found& found = tree.value(name);
        EXPECT_EQ(found.Role, e.Role) << e.Name;
        if (!e.Value.isEmpty()) {
            EXPECT_EQ(found.Value, e.Value) << e.Name;
        }
    }
    EXPECT_FALSE(p.OvClock1->ShownText().isEmpty());

    // Values follow the controls, and the value interface reports the range.
    f.Panel().TimeBaseDial->SetValue(7.0f);
    QAccessibleInterface* time = tree.value(QStringLiteral("Time")).Iface;
    EXPECT_EQ(time->text(QAccessible::Value), QStringLiteral("7.0 %"));
    ASSERT_TRUE(time->valueInterface());
    EXPECT_DOUBLE_EQ(time->valueInterface()->maximumValue().toDouble(), 7.0);
    // Setting a value through it runs the dial's handler, as turning it does.
    time->valueInterface()->setCurrentValue(2.0);
    EXPECT_EQ(f.Display().TimeStep, 4);
}

TEST(WindowKeyboard, TabVisitsTheColumnsInPanelOrder)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();
    const QList<QWidget*> expected {
        p.Chan1GainDial, p.Chan1GainTrackBar, p.Chan1GainFTrackBar, p.Chan1OffsetDial, p.Chan1EnableSwitch,
        p.FreqBaseDial,
        p.DisplayHoldSw, p.MkrSwitch, p.ExpandSw,
        p.RecordBtn, p.PlayBtn, p.StopWvBtn, p.PauseBtn,
        p.Chan2GainDial, p.Chan2GainTrackBar, p.Chan2GainFTrackBar, p.Chan2OffsetDial, p.Chan2EnableSwitch,
        p.TimeBaseDial,
        p.FltrMkrsSw, p.FltrEnbSw,
    };
    EXPECT_EQ(TabSequence(f.Client()), expected);

    // The keys themselves: Tab from the first control walks the chain, and
    // Shift+Tab walks it back.
    MakeActive(&f);
    p.Chan1GainDial->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(p.Chan1GainDial->hasFocus());
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), expected[i]) << i;
    }
    for (int i = expected.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(QApplication::focusWidget(), expected[i]) << i;
    }
}

TEST(WindowKeyboard, SpaceSwitchesAndTheHandlerRuns)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(OpenActive(rig));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();

    p.DisplayHoldSw->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(p.DisplayHoldSw->hasFocus());
    QTest::keyClick(p.DisplayHoldSw, Qt::Key_Space);
    EXPECT_TRUE(p.DisplayHoldSw->Checked());
    EXPECT_TRUE(f.Proc().DisplayHold);
    QTest::keyClick(p.DisplayHoldSw, Qt::Key_Space);
    EXPECT_FALSE(f.Proc().DisplayHold);

    p.Chan2EnableSwitch->setFocus(Qt::TabFocusReason);
    QTest::keyClick(p.Chan2EnableSwitch, Qt::Key_Space);
    EXPECT_FALSE(f.Proc().Chan2Enabled);

    // The refusal path too: Expand without markers shows its message and stays off.
    p.ExpandSw->setFocus(Qt::TabFocusReason);
    QTest::keyClick(p.ExpandSw, Qt::Key_Space);
    EXPECT_FALSE(p.ExpandSw->Checked());
    ASSERT_EQ(rig.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(rig.Dialogs.Messages()[0].Text, QStringLiteral("Markers must be enabled!"));

    // The focused switch shows the dotted rectangle in the window's picture.
    p.FltrEnbSw->setFocus(Qt::TabFocusReason);
    const QImage client = f.ClientImage();
    const QPoint at = p.FltrEnbSw->mapTo(f.Client(), QPoint(0, 0));
    EXPECT_EQ(client.pixelColor(at), QColor(Qt::black));
    EXPECT_EQ(client.pixelColor(at + QPoint(1, 0)), QColor(Qt::white));
}

// Page keys move a useful distance: five units of a Position dial's 0 .. 100 (it moved 0.5, so
// 0 to 55 took 110 presses), five positions of a track bar (one, no more than an arrow); a click
// on a track bar's groove moves the same page towards the click.
TEST(WindowKeyboard, PageKeysAndTheGrooveMoveAPage)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(OpenActive(rig));
    TEEGForm& f = *rig.Form;
    TFrontPanel& p = f.Panel();

    p.Chan1OffsetDial->setFocus(Qt::TabFocusReason);
    ASSERT_FLOAT_EQ(p.Chan1OffsetDial->Value(), 75.0f);
    QTest::keyClick(p.Chan1OffsetDial, Qt::Key_PageUp);
    EXPECT_FLOAT_EQ(p.Chan1OffsetDial->Value(), 80.0f);
    EXPECT_EQ(f.Display().Settings.Chan1TimeOffset, 33);   // trunc(168 - 168 x 0.8)
    QTest::keyClick(p.Chan1OffsetDial, Qt::Key_PageDown);
    QTest::keyClick(p.Chan1OffsetDial, Qt::Key_PageDown);
    EXPECT_FLOAT_EQ(p.Chan1OffsetDial->Value(), 70.0f);
    QTest::keyClick(p.Chan1OffsetDial, Qt::Key_Right);
    EXPECT_NEAR(p.Chan1OffsetDial->Value(), 70.1f, 1e-4);   // an arrow stays a fine step
    p.Chan2OffsetDial->setFocus(Qt::TabFocusReason);
    QTest::keyClick(p.Chan2OffsetDial, Qt::Key_PageUp);
    EXPECT_NEAR(p.Chan2OffsetDial->Value(), 30.0f, 1e-4);

    QSlider* bar = p.Chan1GainTrackBar;
    bar->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(bar->value(), 7);
    QTest::keyClick(bar, Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 12);
    EXPECT_EQ(f.Display().Settings.Chan1TimeGain, 111);
    QTest::keyClick(bar, Qt::Key_PageDown);
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 6);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_EQ(bar->value(), 11);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, bar->height() / 2));
    EXPECT_EQ(bar->value(), 6);
    EXPECT_EQ(f.Display().Settings.Chan1TimeGain, 51);
}

TEST(WindowKeyboard, MenuCommandsHaveDistinctShortcuts)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    TEEGForm& f = *rig.Form;
    EXPECT_EQ(f.Action(QStringLiteral("OpenWave1"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(f.Action(QStringLiteral("Exit1"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(f.Action(QStringLiteral("HelpMenu1"))->shortcut(), QKeySequence(Qt::Key_F1));
    std::set<QString> keys;
    for (const MenuShortcut& s : MenuShortcuts()) {
        QAction* a = f.Action(QString::fromLatin1(s.Item));
        ASSERT_TRUE(a) << s.Item;
        EXPECT_EQ(a->shortcut(), s.Keys) << s.Item;
        EXPECT_TRUE(keys.insert(s.Keys.toString()).second) << s.Item;
    }

    // A shortcut runs its command from anywhere in the window: F3 is Phase.
    MakeActive(&f);
    f.Panel().DisplayHoldSw->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.Panel().DisplayHoldSw, Qt::Key_F3);
    EXPECT_TRUE(f.Action(QStringLiteral("Phase1"))->isChecked());
    EXPECT_FALSE(f.Action(QStringLiteral("Spectrum1"))->isChecked());

    // Alt pressed and released alone enters the menu bar at File.
    QWidget* focused = QApplication::focusWidget();
    ASSERT_TRUE(focused);
    QTest::keyPress(focused, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focused, Qt::Key_Alt);
    ASSERT_TRUE(f.menuBar()->activeAction());
    EXPECT_EQ(f.menuBar()->activeAction()->text(), QStringLiteral("File"));
}

TEST(CommandLine, FocusGoesWithAScreenshot)
{
    ProgramOptions o = ParseCommandLine({ "--screenshot", "x.png", "--focus", "DisplayHoldSw" });
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.Focus, "DisplayHoldSw");
    EXPECT_FALSE(ParseCommandLine({ "--focus", "DisplayHoldSw" }).Error.empty());
    EXPECT_NE(UsageText().find("--focus CONTROL"), std::string::npos);
}

TEST(ProgramFocus, TheScreenshotShowsTheFocusedSwitch)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString shot = dir.filePath(QStringLiteral("focus.png"));
    QProcess run;
    run.setProcessEnvironment(ProgramEnvironment(dir.filePath(QStringLiteral("config"))));
    run.start(QStringLiteral(VELQUOR_PROGRAM), { QStringLiteral("--input"), QStringLiteral("silence"),
                                                 QStringLiteral("--screenshot"), shot, QStringLiteral("--blocks"),
                                                 QStringLiteral("3"), QStringLiteral("--focus"),
                                                 QStringLiteral("FltrEnbSw") });
    ASSERT_TRUE(run.waitForFinished(60000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());

    // Where the switch sits in the client area (the same scaled layout here).
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    const TFrontPanel& p = rig.Form->Panel();
    const QPoint at = p.FltrEnbSw->mapTo(rig.Form->Client(), QPoint(0, 0));
    EXPECT_EQ(image.pixelColor(at), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(at + QPoint(1, 0)), QColor(Qt::white));
    const QPoint other = p.FltrMkrsSw->mapTo(rig.Form->Client(), QPoint(0, 0));
    EXPECT_NE(image.pixelColor(other + QPoint(1, 0)), QColor(Qt::white)); // unfocused: the plain frame

    // A name that is no focusable control is refused.
    run.start(QStringLiteral(VELQUOR_PROGRAM), { QStringLiteral("--input"), QStringLiteral("silence"),
                                                 QStringLiteral("--screenshot"), shot, QStringLiteral("--focus"),
                                                 QStringLiteral("OvldLED") });
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_TRUE(run.readAllStandardError().contains("no control \"OvldLED\" takes the keyboard focus"));
}
