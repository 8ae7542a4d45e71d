// Gauge framework: settings objects, update counting, the analog value
// models, the two-state model, and input through synthetic Qt events.
#include "gauges/GClass.h"
#include "gauges/OvFlashT.h"
#include "platform/ini/IniFile.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>

namespace {

// Counts the OnChange notifications of a settings object.
// Counts the change events of a settings object from its construction on.
struct ChangeCounter {
    explicit ChangeCounter(TOvPersistent& p)
    {
        p.SetOnChange([this](QObject* s) {
            ++Count;
            LastSender = s;
        });
    }
    int Count = 0;
    QObject* LastSender = nullptr;
};

// Exposes the protected hooks of the windowed analog base.
class TestCControl : public TOvAnalogCControl {
public:
    explicit TestCControl(QWidget* owner = nullptr) : TOvAnalogCControl(owner) { resize(100, 100); }
    using TOvAnalogCControl::SetHitRect;
    using TOvAnalogCControl::SetRoundHitArea;
    int Slides = 0;
    int ValueChanges = 0;
    int ParamChanges = 0;
    void ValueChange() override
    {
        TOvAnalogCControl::ValueChange();
        ++ValueChanges;
    }
    void ParamChange(QObject* s) override
    {
        TOvAnalogCControl::ParamChange(s);
        ++ParamChanges;
    }

protected:
    void SlideTo(TShiftState shift, int x, int y) override
    {
        TOvAnalogCControl::SlideTo(shift, x, y);
        ++Slides;
    }
};

class TestGControl : public TOvAnalogGControl {
public:
    explicit TestGControl(QWidget* owner = nullptr) : TOvAnalogGControl(owner) { }
    int LimitHooks = 0, OverflowHooks = 0, MinMaxHooks = 0, Settings = 0;

protected:
    void LimitChanged() override { ++LimitHooks; }
    void OverflowChanged() override { ++OverflowHooks; }
    void MinMaxChanged() override { ++MinMaxHooks; }

public:
    void SettingsChanged(QObject* s) override
    {
        TOvAnalogGControl::SettingsChanged(s);
        ++Settings;
    }
};

class TestBin : public TOvBinGControl {
public:
    explicit TestBin(QWidget* owner = nullptr) : TOvBinGControl(owner) { resize(20, 40); }
    int StatusHooks = 0, StatusIntHooks = 0, GroupHooks = 0, Flashes = 0;
    bool LastPhase = false;

protected:
    void StatusChanged() override { ++StatusHooks; }
    void StatusIntChanged() override { ++StatusIntHooks; }
    void GroupIndexChanged() override { ++GroupHooks; }
    void Flash(bool on) override
    {
        ++Flashes;
        LastPhase = on;
    }
};

void SendWheel(QWidget* w, int delta)
{
    QWheelEvent e(QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// A move without a pressed button (QTest moves the real cursor for those,
// which an unshown widget never sees).
void SendHover(QWidget* w, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

// ---------------------------------------------------------------- settings objects

TEST(GaugeSettings, SignalSettingsRangeRules)
{
    TSignalSettings s;
    ChangeCounter c(s);
    EXPECT_EQ(s.ValueFrom(), 0.0f); // a fresh object holds exactly 0
    s.SetValueFrom(0.0f);           // equal to the current bound: ignored
    EXPECT_EQ(s.ValueFrom(), 0.0f);
    EXPECT_EQ(c.Count, 0);
    s.SetValueFrom(100.0f); // equal to ValueTo: ignored
    EXPECT_EQ(s.ValueFrom(), 0.0f);
    s.SetValueFrom(5.0f);
    s.SetValueFrom(0.0f); // through the property, 0 becomes 0.000001
    EXPECT_FLOAT_EQ(s.ValueFrom(), 0.000001f);
    EXPECT_EQ(c.Count, 2);
    EXPECT_EQ(c.LastSender, &s);
    s.SetValueTo(0.000001f); // equal to ValueFrom: ignored
    EXPECT_EQ(s.ValueTo(), 100.0f);

    // Derived fields.
    s.SetValueFrom(-50.0f);
    EXPECT_FLOAT_EQ(s.ValueRange(), 150.0f);
    EXPECT_EQ(s.DigitalRange(), 1000);
    EXPECT_DOUBLE_EQ(s.ValuePerDigit(), 0.15);
    EXPECT_NEAR(s.DigitsPerValue(), 1000.0 / 150.0, 1e-9);
    EXPECT_EQ(s.PerMille(-50.0), 0);
    EXPECT_EQ(s.PerMille(100.0), 1000);
    EXPECT_EQ(s.PerMille(25.0), 500);

    // A zero digital range keeps the previous factors.
    const double perDigit = s.ValuePerDigit();
    s.SetDigitalFrom(1000);
    EXPECT_EQ(s.DigitalRange(), 0);
    EXPECT_DOUBLE_EQ(s.ValuePerDigit(), perDigit);

    // Sample text: the longer section of a sectioned format.
    s.SetValueFormat(QStringLiteral("0.0;-000.000"));
    EXPECT_EQ(s.SampleText(), QStringLiteral("-000.000"));
    const int before = c.Count;
    s.SetValueFormat(QStringLiteral("0.0;-000.000")); // unchanged: no notification
    EXPECT_EQ(c.Count, before);
}

TEST(GaugeSettings, SignalSettingsLogScaleSnapsToPowersOfTen)
{
    TSignalSettings s;
    s.SetLogScale(true);
    s.SetValueTo(700.0f);
    EXPECT_FLOAT_EQ(s.ValueTo(), 1000.0f);
    s.SetValueFrom(0.02f);
    EXPECT_FLOAT_EQ(s.ValueFrom(), 0.01f);
    s.SetValueFrom(-3.0f); // non-positive counts as 1
    EXPECT_FLOAT_EQ(s.ValueFrom(), 1.0f);
}

TEST(GaugeSettings, SettersStoreAndNotifyOnlyOnChangeAndIgnoreOutOfRange)
{
    TLED led;
    ChangeCounter lc(led);
    led.SetWidth(3);
    led.SetWidth(81);
    led.SetHeight(0);
    EXPECT_EQ(led.Width(), 13);
    EXPECT_EQ(led.Height(), 13);
    led.SetWidth(80);
    led.SetWidth(80);
    led.SetColorOn(clLime); // the default: no change
    EXPECT_EQ(led.Width(), 80);
    EXPECT_EQ(lc.Count, 1);

    TScaleSettings sc;
    ChangeCounter sl(sc);
    sc.SetSteps(0);
    sc.SetSteps(21);
    sc.SetSubSteps(11);
    EXPECT_EQ(sc.Steps(), 5);
    EXPECT_EQ(sc.SubSteps(), 2);
    EXPECT_EQ(sl.Count, 0);
    sc.SetSteps(20);
    sc.SetDrawLine(true); // always notifies
    sc.SetDrawLine(true);
    EXPECT_EQ(sl.Count, 3);
    sc.Font().SetSize(20); // font changes reach the owner too
    EXPECT_EQ(sl.Count, 4);
    TFont same(sc.Font());
    sc.SetFont(same);
    EXPECT_EQ(sl.Count, 4);

    TOvSBevel b;
    ChangeCounter bc(b);
    b.SetWidth(-1);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(bc.Count, 0);
    EXPECT_EQ(b.TotalThickness(), 7);
    b.SetBevelLine(blBoth);
    EXPECT_EQ(b.TotalThickness(), 9);
    b.SetBevelLine(blInner);
    EXPECT_EQ(b.TotalThickness(), 8);
    EXPECT_EQ(bc.Count, 2);

    TMinMax mm;
    ChangeCounter mc(mm);
    EXPECT_EQ(mm.Max(), -9999999.0f);
    EXPECT_EQ(mm.Min(), 9999999.0f);
    const QDateTime stamp = mm.MaxDateTime();
    QTest::qWait(5);
    mm.SetMax(3.0f); // stamps the time, no notification
    EXPECT_EQ(mm.Max(), 3.0f);
    EXPECT_GT(mm.MaxDateTime(), stamp);
    EXPECT_EQ(mc.Count, 0);
}

TEST(GaugeSettings, OwnedObjectsPropagateAndAssignNotifiesOnce)
{
    TOvSBevel b;
    ChangeCounter bc(b);
    b.Offset().SetLeft(3); // the offset's change recalculates the bevel
    EXPECT_EQ(bc.Count, 1);
    b.SurfaceGrad().SetVisible(true);
    EXPECT_EQ(bc.Count, 2);

    TOvSBevel src;
    src.SetWidth(4);
    src.SetSpacing(1);
    src.SetBevelLine(blOuter);
    src.Offset().SetTop(2);
    src.SurfaceGrad().SetColorTo(clRed);
    b.Assign(src);
    EXPECT_EQ(bc.Count, 3);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Offset().Top(), 2);
    EXPECT_EQ(b.Offset().Left(), 0);
    EXPECT_EQ(b.SurfaceGrad().ColorTo(), clRed);
    EXPECT_EQ(b.TotalThickness(), 6);

    // The elliptic ring image is made once and kept.
    EXPECT_EQ(b.GradientImage(), nullptr);
    b.SetElliptic(true);
    const TBitmap* ring = b.GradientImage();
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->Width(), 30);
    EXPECT_EQ(ring->Height(), 30);
    b.SetColorShadowFrom(clWhite);
    EXPECT_EQ(b.GradientImage(), ring);

    // A control's settings reach it only after Loaded.
    TestCControl dial;
    dial.SignalSettings().SetName1(QStringLiteral("before"));
    EXPECT_EQ(dial.ParamChanges, 0);
    dial.Loaded();
    dial.SignalSettings().SetName1(QStringLiteral("after"));
    EXPECT_EQ(dial.ParamChanges, 1);
    TSignalSettings other;
    other.SetDigitalTo(10);
    dial.SetSignalSettings(other); // copies into the same object, one notification
    EXPECT_EQ(dial.ParamChanges, 2);
    EXPECT_EQ(dial.SignalSettings().DigitalTo(), 10);
    EXPECT_EQ(dial.SignalSettings().Name1(), QStringLiteral("SignalName1"));
}

TEST(GaugeSettings, IniSettingsRejectsEmptyNamesAndRoundTrips)
{
    TIniSettings ini;
    int calls = 0;
    ini.SetOnHandleIniEvent([&](TIniFile&, bool) { ++calls; });
    ini.SetSection(QStringLiteral("Counter"));
    EXPECT_FALSE(ini.Execute(true));
    EXPECT_EQ(ini.ErrorText(), QStringLiteral("Invalid FileName"));
    ini.SetFileName(QStringLiteral("x.ini"));
    ini.SetSection(QString());
    EXPECT_FALSE(ini.Execute(false));
    EXPECT_EQ(ini.ErrorText(), QStringLiteral("Invalid SectionName"));
    EXPECT_EQ(calls, 0);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ini.SetUseAppDir(false);
    ini.SetFileName(dir.filePath(QStringLiteral("gauge.ini")));
    ini.SetSection(QStringLiteral("Counter"));
    ini.SetOnHandleIniEvent([&](TIniFile& f, bool read) {
        ++calls;
        if (read)
            EXPECT_EQ(f.ReadInteger(QStringLiteral("Counter"), QStringLiteral("h"), 0), 12);
        else
            f.WriteInteger(QStringLiteral("Counter"), QStringLiteral("h"), 12);
    });
    EXPECT_TRUE(ini.Execute(false));
    EXPECT_TRUE(ini.Execute(true));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(ini.ErrorText().isEmpty());
}

// ---------------------------------------------------------------- update counting

TEST(GaugeControls, UpdateCountingAndLoaded)
{
    TestCControl c;
    EXPECT_EQ(c.UpdateCount(), 1); // the analog level's constructor update
    EXPECT_TRUE(c.Loading());
    c.Change(); // held back while updating
    EXPECT_EQ(c.ParamChanges, 0);
    const int paints = c.PaintCount();
    c.Repaint(); // no paint while updating
    EXPECT_EQ(c.PaintCount(), paints);
    c.Loaded();
    EXPECT_EQ(c.UpdateCount(), 0);
    EXPECT_FALSE(c.Loading());
    c.EndUpdate(); // never below 0
    EXPECT_EQ(c.UpdateCount(), 0);
    c.BeginUpdate();
    c.BeginUpdate();
    c.EndUpdate();
    c.Change();
    EXPECT_EQ(c.ParamChanges, 0);
    c.EndUpdate();
    c.Change();
    EXPECT_EQ(c.ParamChanges, 1);

    TestGControl g;
    EXPECT_EQ(g.UpdateCount(), 1);
    g.Change();
    EXPECT_EQ(g.Settings, 0);
    g.Loaded(); // reaching 0 runs Change, hence SettingsChanged
    EXPECT_EQ(g.UpdateCount(), 0);
    EXPECT_EQ(g.Settings, 1);
    g.SectorSettings().SetSector1To(300); // hooked now
    EXPECT_EQ(g.Settings, 2);
    g.EndUpdate();
    EXPECT_EQ(g.UpdateCount(), 0);
}

// ---------------------------------------------------------------- windowed analog control

TEST(GaugeControls, AnalogCValueClampAndQuantisation)
{
    TestCControl c;
    int events = 0;
    c.SetOnValueChange([&](QObject* s) {
        ++events;
        EXPECT_EQ(s, &c);
    });
    c.SetValue(30.0f); // before Loaded: no event while loading
    EXPECT_EQ(events, 0);
    c.Loaded();
    EXPECT_EQ(c.Digit(), 300);

    c.SetValue(150.0f);
    EXPECT_EQ(c.Value(), 100.0f);
    EXPECT_EQ(c.Digit(), c.SignalSettings().DigitalTo());
    EXPECT_EQ(events, 1);
    c.SetValue(100.0f); // unchanged
    EXPECT_EQ(events, 1);
    c.SetValue(-5.0f);
    EXPECT_EQ(c.Value(), 0.0f);
    EXPECT_EQ(c.Digit(), 0);
    c.SetDigit(5000);
    EXPECT_EQ(c.Digit(), 1000);
    EXPECT_EQ(c.Value(), 100.0f);
    EXPECT_EQ(c.ValueText(), QStringLiteral("100.0"));
    EXPECT_EQ(c.DigitText(), QStringLiteral("1000"));

    TestCControl q;
    q.SignalSettings().SetDigitalFrom(2);
    q.SignalSettings().SetDigitalTo(7);
    q.SignalSettings().SetValueTo(7.0f);
    q.SignalSettings().SetValueFrom(2.0f);
    q.Loaded();
    q.SetValue(4.4f);
    EXPECT_EQ(q.Value(), 4.0f);
    EXPECT_EQ(q.Digit(), 4);
    q.SetValue(4.3f); // same step again: still quantised
    EXPECT_EQ(q.Value(), 4.0f);
    q.SetValue(4.6f);
    EXPECT_EQ(q.Value(), 5.0f);
    c.SetValue(std::numeric_limits<float>::quiet_NaN()); // ignored
    EXPECT_EQ(c.Digit(), 1000);
}

TEST(GaugeControls, AnalogCKeysAndWheel)
{
    TestCControl c;
    c.Loaded();
    c.SetValue(50.0f);
    int changed = 0;
    int changes = 0;
    c.SetOnValueChanged([&](QObject*) { ++changed; });
    c.SetOnValueChange([&](QObject*) { ++changes; });
    QTest::keyClick(&c, Qt::Key_PageUp);
    EXPECT_EQ(c.Digit(), 510);
    EXPECT_EQ(changed, 1); // the release reports the change once
    QTest::keyClick(&c, Qt::Key_Up);
    QTest::keyClick(&c, Qt::Key_Right);
    EXPECT_EQ(c.Digit(), 512);
    QTest::keyClick(&c, Qt::Key_Down);
    QTest::keyClick(&c, Qt::Key_Left);
    QTest::keyClick(&c, Qt::Key_PageDown);
    EXPECT_EQ(c.Digit(), 500);
    QTest::keyClick(&c, Qt::Key_End);
    EXPECT_EQ(c.Digit(), 1000);
    QTest::keyClick(&c, Qt::Key_PageUp); // clamped at the top: no change
    EXPECT_EQ(c.Digit(), 1000);
    const int changedAtTop = changed;
    QTest::keyClick(&c, Qt::Key_Home);
    EXPECT_EQ(c.Digit(), 0);
    EXPECT_EQ(changed, changedAtTop + 1);
    EXPECT_EQ(changes, 8);

    c.SetChangeSmall(5);
    c.SetEnabledKeys(TEnabledKeys { vkUp });
    QTest::keyClick(&c, Qt::Key_Right); // not enabled
    QTest::keyClick(&c, Qt::Key_Up);
    EXPECT_EQ(c.Digit(), 5);
    c.SetEnableKeyboard(false);
    QTest::keyClick(&c, Qt::Key_Up);
    EXPECT_EQ(c.Digit(), 5);
    int keyDowns = 0;
    c.SetOnKeyDown([&](QObject*, int& key, TShiftState) {
        ++keyDowns;
        EXPECT_EQ(key, int(Qt::Key_Up));
    });
    QTest::keyClick(&c, Qt::Key_Up);
    EXPECT_EQ(keyDowns, 1);
    c.SetOnKeyDown(nullptr);

    // Navigation keys are claimed before shortcuts; others go on to the parent.
    c.SetEnableKeyboard(true);
    QKeyEvent overrideUp(QEvent::ShortcutOverride, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&c, &overrideUp);
    EXPECT_TRUE(overrideUp.isAccepted());
    QKeyEvent overrideRight(QEvent::ShortcutOverride, Qt::Key_Right, Qt::NoModifier);
    overrideRight.ignore();
    QApplication::sendEvent(&c, &overrideRight); // not an enabled key
    EXPECT_FALSE(overrideRight.isAccepted());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&c, &escape);
    EXPECT_FALSE(escape.isAccepted());
    c.SetEnableKeyboard(false);
    c.SetDigit(5);

    SendWheel(&c, 120);
    EXPECT_EQ(c.Digit(), 10);
    SendWheel(&c, -120);
    SendWheel(&c, -120);
    EXPECT_EQ(c.Digit(), 0);
    c.SetDesigning(true);
    SendWheel(&c, 120);
    EXPECT_EQ(c.Digit(), 0);
}

TEST(GaugeControls, WheelDeltasAddUpToWholeNotches)
{
    TestCControl c;
    c.Loaded();
    c.SetChangeSmall(1);
    c.SetDigit(500);
    int changes = 0;
    c.SetOnValueChange([&](QObject*) { ++changes; });

    // A smooth wheel: seven events of 15 are less than a notch, the eighth completes it.
    for (int i = 0; i < 7; ++i)
        SendWheel(&c, 15);
    EXPECT_EQ(c.Digit(), 500);
    SendWheel(&c, 15);
    EXPECT_EQ(c.Digit(), 501);
    EXPECT_EQ(changes, 1);

    // One event of two notches steps twice; the remainder carries over.
    SendWheel(&c, 240);
    EXPECT_EQ(c.Digit(), 503);
    SendWheel(&c, 60);
    EXPECT_EQ(c.Digit(), 503);
    SendWheel(&c, 60);
    EXPECT_EQ(c.Digit(), 504);

    // Turning back drops an unfinished notch of the other direction.
    SendWheel(&c, 100);
    SendWheel(&c, -100);
    EXPECT_EQ(c.Digit(), 504);
    SendWheel(&c, -20);
    EXPECT_EQ(c.Digit(), 503);
    SendWheel(&c, -360);
    EXPECT_EQ(c.Digit(), 500);
}

TEST(GaugeControls, AnalogCMouseHitAreaDragAndValueChanged)
{
    TestCControl c;
    c.Loaded();
    c.SetHitRect(Rect(10, 10, 50, 50));
    int changed = 0, downs = 0;
    c.SetOnValueChanged([&](QObject*) { ++changed; });
    c.SetOnMouseDown([&](QObject*, TMouseButton b, TShiftState, int x, int y) {
        ++downs;
        EXPECT_EQ(b, mbLeft);
        EXPECT_EQ(x, 60);
        EXPECT_EQ(y, 60);
    });
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(60, 60)); // outside: no drag
    EXPECT_FALSE(c.Dragging());
    EXPECT_EQ(c.Slides, 0);
    EXPECT_EQ(downs, 1);
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(60, 60));
    c.SetOnMouseDown(nullptr);

    // Right edge exclusive, bottom edge inclusive.
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_FALSE(c.Dragging());
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(30, 50));
    EXPECT_TRUE(c.Dragging());
    EXPECT_EQ(c.Slides, 1);
    QTest::mouseMove(&c, QPoint(80, 80)); // a drag continues outside
    EXPECT_EQ(c.Slides, 2);
    c.SetDigit(c.Digit() + 3);
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(80, 80));
    EXPECT_FALSE(c.Dragging());
    EXPECT_EQ(changed, 1);
    QTest::mouseClick(&c, Qt::LeftButton, {}, QPoint(30, 30)); // nothing changed
    EXPECT_EQ(changed, 1);

    // Round hit area: the circle inscribed in the rectangle's width.
    c.SetRoundHitArea(true);
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(11, 11)); // corner, outside the circle
    EXPECT_FALSE(c.Dragging());
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(11, 11));
    QTest::mousePress(&c, Qt::LeftButton, {}, QPoint(30, 11));
    EXPECT_TRUE(c.Dragging());
    QTest::mouseRelease(&c, Qt::LeftButton, {}, QPoint(30, 11));

    // Hovering: slide cursor inside, the saved cursor outside.
    SendHover(&c, QPoint(30, 30));
    EXPECT_TRUE(c.InHitArea());
    EXPECT_EQ(c.Cursor(), c.CursorSlide());
    SendHover(&c, QPoint(90, 90));
    EXPECT_FALSE(c.InHitArea());
    EXPECT_EQ(c.Cursor(), crDefault);
}

TEST(GaugeControls, AnalogCFocusColoursAndValueIndicator)
{
    TestCControl c;
    c.Loaded();
    const int before = c.ValueChanges;
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&c, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&c, &out);
    EXPECT_EQ(c.ValueChanges, before + 2); // redraw in the other colour each time
    const int params = c.ParamChanges;
    c.SetColorFocus(clLime); // unchanged
    c.SetColorNonFocus(clRed);
    EXPECT_EQ(c.ParamChanges, params + 1);
    c.SetChangeLarge(25); // stored without repaint
    EXPECT_EQ(c.ParamChanges, params + 1);

    EXPECT_EQ(c.focusPolicy(), Qt::StrongFocus);
    c.SetTabStop(false);
    EXPECT_EQ(c.focusPolicy(), Qt::ClickFocus);

    auto indicator = std::make_unique<TestGControl>();
    indicator->Loaded();
    c.SignalSettings().SetValueUnit(QStringLiteral("dB"));
    c.SetValue(20.0f);
    c.SetValueIndicator(indicator.get());
    EXPECT_EQ(indicator->SignalSettings().ValueUnit(), QStringLiteral("dB"));
    EXPECT_EQ(indicator->Value(), 20.0f);
    c.SetValue(70.0f);
    EXPECT_EQ(indicator->Value(), 70.0f);
    indicator.reset();
    EXPECT_EQ(c.ValueIndicator(), nullptr);
    c.SetValue(10.0f); // no dangling reference
    EXPECT_EQ(c.Value(), 10.0f);
}

// ---------------------------------------------------------------- display analog control

TEST(GaugeControls, AnalogGOverflowSectorsLimitsAndMinMax)
{
    TestGControl g;
    g.Loaded();
    EXPECT_EQ(g.Value(), 50.0f);
    EXPECT_EQ(g.Digit(), 500);
    EXPECT_FALSE(g.UpperExceeded()); // the construction check stored the real state
    EXPECT_FALSE(g.LowerExceeded());
    EXPECT_TRUE(g.SectorActive(2));
    EXPECT_EQ(g.SectorColor(), clGreen);

    std::vector<int> overflow;
    std::vector<std::array<bool, 4>> sectors;
    std::vector<std::pair<bool, bool>> limits;
    g.SetOnOverflow([&](QObject*, int ppt) { overflow.push_back(ppt); });
    g.SetOnSectorChange([&](QObject*, bool s1, bool s2, bool s3, bool enter) {
        sectors.push_back({ s1, s2, s3, enter });
    });
    g.SetOnLimit([&](QObject*, bool lower, bool upper) { limits.emplace_back(lower, upper); });

    g.SetValue(150.0f);
    EXPECT_EQ(g.Value(), 150.0f); // not clamped
    EXPECT_EQ(g.Digit(), 1500);
    EXPECT_EQ(g.PPT(), 1000);
    ASSERT_EQ(overflow.size(), 1u);
    EXPECT_EQ(overflow[0], 1500);
    EXPECT_TRUE(g.Overflow());
    g.SetValue(160.0f); // still over: no second event
    EXPECT_EQ(overflow.size(), 1u);
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(limits[0], std::make_pair(false, true));
    // Leaving sector 2 (at 1500 no sector is active).
    ASSERT_EQ(sectors.size(), 1u);
    EXPECT_EQ(sectors[0], (std::array<bool, 4> { false, true, false, false }));

    g.SetValue(95.0f); // back inside: one event with the PPT
    ASSERT_EQ(overflow.size(), 2u);
    EXPECT_EQ(overflow[1], 950);
    EXPECT_FALSE(g.Overflow());
    EXPECT_EQ(g.OverflowHooks, 2);
    ASSERT_EQ(sectors.size(), 2u);
    EXPECT_EQ(sectors[1], (std::array<bool, 4> { false, false, true, true }));
    EXPECT_EQ(g.SectorColor(), clRed);

    g.SetValue(-10.0f);
    ASSERT_EQ(overflow.size(), 3u);
    EXPECT_EQ(overflow[2], -100);
    EXPECT_TRUE(g.Underflow());
    EXPECT_EQ(g.PPT(), 0);
    EXPECT_EQ(limits.back(), std::make_pair(true, false));

    // Min/max: the first record replaces the initial values without the hook.
    EXPECT_EQ(g.MinMax().Min(), -10.0f);
    EXPECT_EQ(g.MinMax().Max(), 160.0f);
    EXPECT_EQ(g.MinMaxHooks, 3); // 50 -> 150 -> 160 and 50 -> -10; not the construction record
    EXPECT_EQ(g.MinPos(), 0);
    EXPECT_EQ(g.MaxPos(), 1000);

    // Extreme values raise events; they never crash or wrap.
    g.SetValue(std::numeric_limits<float>::infinity());
    EXPECT_TRUE(g.Overflow());
    EXPECT_EQ(g.PPT(), 1000);
    g.SetDigit(std::numeric_limits<int>::min());
    EXPECT_TRUE(g.Underflow());
    g.SetValue(-10.0f);

    g.SetLimitLower(0.0f); // stored as 0.0001
    EXPECT_FLOAT_EQ(g.LimitLower(), 0.0001f);
    g.SetLimitUpper(50.0f);
    EXPECT_EQ(g.LimitUpperDigits(), 500);
}

TEST(GaugeControls, AnalogGHintText)
{
    TestGControl g;
    g.Loaded();
    g.SetHintOptions(THintOptions { hoAutoHint, hoValue, hoMin, hoMax });
    g.SetValue(40.0f);
    g.SetValue(50.0f);
    const QStringList lines = g.Hint().split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Value= 50.0 %"));
    EXPECT_EQ(lines[1], QStringLiteral("MIN= 40.0 %"));
    EXPECT_EQ(lines[2], QStringLiteral("MAX= 50.0 %"));
    EXPECT_FALSE(g.Hint().contains(QLatin1Char('\n')));

    g.SetHintOptions(THintOptions { hoAutoHint, hoMax, hoMinMaxDate, hoName1 });
    const QStringList two = g.Hint().split(QLatin1Char('\r'));
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(two[0].startsWith(QStringLiteral("MAX= 50.0 % ")));
    EXPECT_EQ(two[1], QStringLiteral("SignalName1"));

    g.SetHintOptions(THintOptions { hoValue }); // without hoAutoHint the hint stays
    g.SetValue(60.0f);
    EXPECT_EQ(g.Hint().split(QLatin1Char('\r')).size(), 2);
}

// ---------------------------------------------------------------- two-state control

TEST(GaugeControls, BinGroupSwitchAndRadio)
{
    QWidget owner;
    auto* a = new TestBin(&owner);
    auto* b = new TestBin(&owner);
    auto* other = new TestBin(&owner); // another group
    for (TestBin* s : { a, b })
        s->SetMode(mSwitch);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    b->SetStatusBit(1);
    other->SetMode(mSwitch);
    other->SetGroupIndex(2);
    int statusInt = 0;
    b->SetOnStatusIntChanged([&](QObject* s) {
        ++statusInt;
        EXPECT_EQ(s, b);
    });

    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(a->StatusInt(), 1);
    EXPECT_EQ(b->StatusInt(), 1);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(other->StatusInt(), 0);
    EXPECT_EQ(statusInt, 1);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(a->StatusInt(), 3);
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(a->LowestBit(), 0);

    // A new member takes the group's status.
    auto* c = new TestBin(&owner);
    c->SetStatusBit(1);
    c->SetGroupIndex(1);
    EXPECT_EQ(c->StatusInt(), 3);
    EXPECT_TRUE(c->Checked());
    EXPECT_EQ(c->GroupHooks, 1);

    // Radio buttons: a click makes the member's bit the whole status.
    for (TestBin* s : { a, b, c })
        s->SetMode(mRadioButton);
    EXPECT_EQ(a->StatusInt(), 1);
    c->SetStatusBit(2);
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(a->StatusInt(), 4);
    EXPECT_FALSE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(c->Checked());
    c->SetChecked(false); // radio members are unchecked only by another member
    EXPECT_EQ(c->StatusInt(), 4);

    // mButton always clears the status, even when the mode stays.
    a->SetMode(mButton);
    EXPECT_EQ(a->StatusInt(), 0);
    a->SetStatusInt(1);
    a->SetMode(mButton);
    EXPECT_EQ(a->StatusInt(), 0);
}

TEST(GaugeControls, BinModesRangesAndEvents)
{
    TestBin s;
    int statusEvents = 0, downs = 0, clicks = 0;
    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(5, 5)); // no handlers assigned: nothing breaks
    EXPECT_FALSE(s.Checked()); // mIndicator ignores the mouse
    s.SetOnStatusChanged([&](QObject*) { ++statusEvents; });
    s.SetOnMouseDown([&](QObject*, TMouseButton, TShiftState, int, int) { ++downs; });
    s.SetOnClick([&](QObject*) { ++clicks; });

    s.SetMode(mButton);
    QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(s.Checked());
    EXPECT_TRUE(s.Pressed());
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(s.Checked());
    EXPECT_FALSE(s.Pressed());
    EXPECT_EQ(statusEvents, 2);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&s, Qt::RightButton, {}, QPoint(5, 5)); // other buttons do not switch
    EXPECT_FALSE(s.Checked());

    // A double click: DblClick and a second press (ssDouble), no extra Click.
    int dbl = 0;
    TShiftState lastShift = 0;
    s.SetOnDblClick([&](QObject*) { ++dbl; });
    s.SetOnMouseDown([&](QObject*, TMouseButton, TShiftState shift, int, int) { lastShift = shift; });
    s.SetMode(mSwitch);
    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(&s, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(dbl, 1);
    EXPECT_TRUE(lastShift & ssDouble);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(s.Checked()); // toggled by both presses
    s.SetMode(mButton);

    s.SetStatusBit(32);
    s.SetStatusBit(-1);
    EXPECT_EQ(s.StatusBit(), 0);
    s.SetGroupIndex(-1);
    EXPECT_EQ(s.GroupIndex(), 0);
    s.SetStatusInt(int(0x80000000u));
    s.SetStatusBit(31);
    EXPECT_TRUE(s.Checked());
    EXPECT_EQ(s.LowestBit(), 31);
    s.SetStatusInt(0);
    EXPECT_EQ(s.LowestBit(), 32);
    EXPECT_EQ(s.focusPolicy(), Qt::NoFocus);

    // The text-changed notification reaches ParamChange (a repaint).
    s.Loaded();
    s.Snapshot();
    const int paints = s.PaintCount();
    s.SetText(QStringLiteral("abc"));
    s.Snapshot();
    EXPECT_EQ(s.PaintCount(), paints + 1);
}

TEST(GaugeControls, BinFlashRegistration)
{
    auto s = std::make_unique<TestBin>();
    TOvFlashRegistry* reg = TOvFlashRegistry::Acquire();
    ASSERT_NE(reg, nullptr);
    s->SetChecked(true); // steady: no entry
    EXPECT_FALSE(reg->IsRegistered(s.get()));
    s->SetChecked(false);
    s->SetFlashing(true); // unchecked: no entry
    EXPECT_FALSE(reg->IsRegistered(s.get()));
    s->SetChecked(true);
    EXPECT_TRUE(reg->IsRegistered(s.get()));
    EXPECT_EQ(reg->CodeOf(s.get()), 5);
    const int entries = reg->Count();
    s->SetFrequency(ff8Hz);
    EXPECT_EQ(reg->Count(), entries);
    EXPECT_EQ(reg->CodeOf(s.get()), 2);

    // The flash message reaches Flash(phase).
    TOvFlashEvent msg(7, 1);
    QApplication::sendEvent(s.get(), &msg);
    EXPECT_EQ(s->Flashes, 1);
    EXPECT_TRUE(s->LastPhase);

    const void* key = s.get();
    s.reset(); // destruction leaves the registry
    EXPECT_FALSE(reg->IsRegistered(key));
    EXPECT_EQ(reg->Count(), entries - 1);
}

// ---------------------------------------------------------------- painting plumbing

TEST(GaugeControls, PictureFlushAndBevelGeometry)
{
    class Painter : public TOvGraphicControl {
    public:
        Painter() { resize(40, 30); }
        TRect Inner {};

    protected:
        void Paint() override
        {
            TOvSBevel bevel;
            bevel.Offset().SetLeft(2);
            TRect r = ClientRect();
            bevel.PaintBevel(Canvas(), r);
            Inner = r;
        }
    };
    Painter p;
    p.Loaded();
    const QImage img = p.Snapshot();
    EXPECT_EQ(img.size(), QSize(40, 30));
    // Width 2 + Spacing 5 on every side, plus the left offset.
    EXPECT_EQ(p.Inner, Rect(9, 7, 33, 23));
    // Raised: the first pass's top-left frame is the highlight colour.
    EXPECT_EQ(QColor(img.pixel(0, 0)).rgb(), ColorToQColor(clBtnHighlight).rgb());
    EXPECT_EQ(QColor(img.pixel(39, 29)).rgb(), ColorToQColor(clBtnShadow).rgb());

    p.ClearFlushedRects();
    p.Canvas().Brush.Color = clRed;
    p.Canvas().Brush.Style = bsSolid;
    p.Canvas().FillRect(Rect(1, 1, 5, 5));
    p.Flush(Rect(1, 1, 5, 5));
    ASSERT_EQ(p.FlushedRects().size(), 1);
    EXPECT_EQ(p.FlushedRects()[0], Rect(1, 1, 5, 5));
    const int paints = p.PaintCount();
    EXPECT_EQ(QColor(p.Snapshot().pixel(2, 2)).rgb(), QColor(Qt::red).rgb()); // no full repaint
    EXPECT_EQ(p.PaintCount(), paints);
    p.SetBounds(0, 0, 50, 30); // resizing repaints fully
    EXPECT_EQ(p.Snapshot().width(), 50);
    EXPECT_EQ(p.PaintCount(), paints + 1);
}
