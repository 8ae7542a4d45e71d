// TOvDial: layout, pointer angles, scale labels, fast redraw, quantisation,
// dragging by angle, keys and wheel.
#include "gauges/OvDial.h"
#include "tests/support/TextInk.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

TColor PixelAt(const QImage& img, int x, int y)
{
    return QColorToColor(img.pixelColor(x, y));
}

// A loaded dial of the given size; the pointer colour is made unique.
std::unique_ptr<TOvDial> MakeDial(int w = 113, int h = 161)
{
    auto d = std::make_unique<TOvDial>();
    d->SetBounds(0, 0, w, h);
    d->SetColorNonFocus(RGB(250, 10, 10));
    d->Loaded();
    return d;
}

// Velquor's front-panel look: no outer bevel, no value box.
TDialOptions VelquorOptions()
{
    return { opUnit, opName2, opScale, opScaleText };
}

// Centre of the knob face in control coordinates.
TPoint KnobCentre(const TOvDial& d)
{
    const TRect k = d.KnobRect();
    return Point(k.Left + d.Centre().X, k.Top + d.Centre().Y);
}

// Where the centre of the round pointer belongs for a pointer angle measured
// clockwise from straight up.
TPoint RoundPointerSpot(const TOvDial& d, double degreesFromUp)
{
    const TPoint c = KnobCentre(d);
    const double r = d.KnobRect().Width() / 2 - d.RoundPointerRadius();
    const double a = degreesFromUp * M_PI / 180.0;
    return Point(c.X + int(std::lround(r * std::sin(a))), c.Y - int(std::lround(r * std::cos(a))));
}

struct Counter {
    int n = 0;
    TNotifyEvent Handler()
    {
        return [this](QObject*) { ++n; };
    }
};

void SendWheel(QWidget* w, int delta)
{
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent ev(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &ev);
}


} // namespace

TEST(OvDial, LifecycleAndRepaintRules)
{
    TOvDial d;
    // One update level from each constructor: nothing paints before Loaded.
    EXPECT_EQ(d.UpdateCount(), 2);
    d.BevelDial().SetColor(clRed); // not hooked yet: no repaint request
    d.Loaded();
    EXPECT_EQ(d.UpdateCount(), 0);
    d.Snapshot();
    const int paints = d.PaintCount();
    EXPECT_EQ(paints, 1);

    // After Loaded every settings object and property repaints on a change.
    d.BevelDial().SetColor(clBlue);
    d.Snapshot();
    EXPECT_EQ(d.PaintCount(), paints + 1);
    d.FontValue().SetColor(clYellow);
    d.Snapshot();
    EXPECT_EQ(d.PaintCount(), paints + 2);
    d.SetPointerType(dpLine);
    d.Snapshot();
    EXPECT_EQ(d.PaintCount(), paints + 3);
    d.SetPointerType(dpLine); // unchanged: no repaint
    d.SetPointerSize(8);
    d.Snapshot();
    EXPECT_EQ(d.PaintCount(), paints + 3);
}

TEST(OvDial, RoundPointerAtMinimumMiddleAndMaximum)
{
    auto d = MakeDial();
    const TColor pointer = RGB(250, 10, 10);
    const struct {
        float value;
        double angle;
    } cases[] = { { 0.0f, 225.0 }, { 50.0f, 360.0 }, { 100.0f, 495.0 } };
    for (const auto& c : cases) {
        d->SetValue(c.value);
        const QImage img = d->Snapshot();
        ASSERT_TRUE(d->BitmapValid());
        for (const auto& other : cases) {
            const TPoint p = RoundPointerSpot(*d, other.angle);
            if (other.angle == c.angle)
                EXPECT_EQ(PixelAt(img, p.X, p.Y), pointer) << "value " << c.value << " angle " << other.angle;
            else
                EXPECT_NE(PixelAt(img, p.X, p.Y), pointer) << "value " << c.value << " angle " << other.angle;
        }
    }
    EXPECT_FLOAT_EQ(d->PointerAngle(), 270.0f);
}

TEST(OvDial, LinePointerIsTwoPixelsWideAndPointerSizeLong)
{
    auto d = MakeDial(85, 85);
    d->SetOptions(VelquorOptions());
    d->SetPointerType(dpLine);
    d->SetPointerSize(10);
    d->SetValue(50.0f); // straight up
    const QImage img = d->Snapshot();
    const TColor pointer = RGB(250, 10, 10);
    const TRect k = d->KnobRect();
    auto countRow = [&](int y) {
        int n = 0;
        for (int x = k.Left; x < k.Right; ++x)
            n += PixelAt(img, x, y) == pointer;
        return n;
    };
    for (int y = k.Top + 1; y < k.Top + 9; ++y)
        EXPECT_EQ(countRow(y), 2) << "row " << y - k.Top;
    for (int y = k.Top + 12; y < k.Bottom; ++y)
        EXPECT_EQ(countRow(y), 0) << "row " << y - k.Top;
}

TEST(OvDial, DisabledDialDrawsPointerInButtonShadowAndIgnoresInput)
{
    auto d = MakeDial();
    d->SetValue(50.0f);
    d->SetEnabled(false);
    const QImage img = d->Snapshot();
    const TPoint p = RoundPointerSpot(*d, 360.0);
    EXPECT_EQ(PixelAt(img, p.X, p.Y), ColorToRGB(clBtnShadow));

    Counter changes;
    d->SetOnValueChange(changes.Handler());
    const TPoint c = KnobCentre(*d);
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X - 15, c.Y));
    QTest::mouseMove(d.get(), QPoint(c.X, c.Y - 15));
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X, c.Y - 15));
    QTest::keyClick(d.get(), Qt::Key_PageUp);
    SendWheel(d.get(), 120);
    EXPECT_EQ(d->Digit(), 500);
    EXPECT_EQ(changes.n, 0);
}

TEST(OvDial, CircularScaleLabelsRunClockwiseFromTheStart)
{
    auto d = MakeDial(113, 161);
    d->SetOptions(VelquorOptions());
    d->ScaleSettings().Font().SetSize(10);
    d->ScaleSettings().Font().SetColor(clBlack);
    const QImage img = d->Snapshot();
    const TScaleSettings& s = d->ScaleSettings();
    ASSERT_EQ(s.Labels(), QStringList({ "0", "20", "40", "60", "80", "100" }));

    // Without a frame or value box the scale starts at the top edge, so the
    // label radius is the centre's height less half a label.
    const TPoint c = s.ScaleCentre();
    const int r = c.Y - s.LabelHeight() / 2;
    for (int i = 0; i < 6; ++i) {
        const QString label = s.Labels()[i];
        // The label alone, as the scale font draws it.
        TBitmap ref(60, 30);
        ref.Canvas.Font = s.Font();
        ref.Canvas.Font.SetColor(clBlack);
        ref.Canvas.Brush.Style = bsClear;
        ref.Canvas.TextOut(0, 0, label);
        const int tw = ref.Canvas.TextWidth(label);
        const int th = ref.Canvas.TextHeight(label);
        const QImage glyphs = ref.Image();

        const double a = (225.0 + 54.0 * i) * M_PI / 180.0;
        const int px = c.X + int(std::lround(r * std::sin(a))) - tw / 2;
        const int py = c.Y - int(std::lround(r * std::cos(a))) - th / 2;
        bool found = false;
        for (int dy = -2; dy <= 2 && !found; ++dy) {
            for (int dx = -2; dx <= 2 && !found; ++dx) {
                bool all = true;
                int inked = 0;
                for (int y = 0; y < th && all; ++y) {
                    for (int x = 0; x < tw && all; ++x) {
                        // Pixels the reference inks fully must be ink on the dial too.
                        if (GetRValue(PixelAt(glyphs, x, y)) >= 64)
                            continue;
                        ++inked;
                        const int ix = px + dx + x, iy = py + dy + y;
                        all = ix >= 0 && iy >= 0 && ix < img.width() && iy < img.height()
                            && textink::IsInk(PixelAt(img, ix, iy), clBlack, clBtnFace);
                    }
                }
                found = all && inked > 0;
            }
        }
        EXPECT_TRUE(found) << "label " << label.toStdString() << " not at " << 225 + 54 * i << " degrees";
    }
}

TEST(OvDial, ValueChangeRedrawsOnlyKnobAndValueBox)
{
    auto d = MakeDial();
    d->SetValue(50.0f);
    const QImage before = d->Snapshot();
    const int paints = d->PaintCount();
    d->ClearFlushedRects();

    d->SetValue(73.0f);
    EXPECT_EQ(d->PaintCount(), paints);
    ASSERT_EQ(d->FlushedRects().size(), 2);
    EXPECT_EQ(d->FlushedRects()[0], d->KnobRect());
    EXPECT_EQ(d->FlushedRects()[1], d->ValueRect());
    const QImage after = d->Snapshot();
    EXPECT_EQ(d->PaintCount(), paints);

    const TRect k = d->KnobRect(), v = d->ValueRect();
    int changedKnob = 0, changedValue = 0, changedElsewhere = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            if (before.pixel(x, y) == after.pixel(x, y))
                continue;
            if (PtInRect(k, Point(x, y)))
                ++changedKnob;
            else if (PtInRect(v, Point(x, y)))
                ++changedValue;
            else
                ++changedElsewhere;
        }
    }
    EXPECT_GT(changedKnob, 0);
    EXPECT_GT(changedValue, 0);
    EXPECT_EQ(changedElsewhere, 0);

    // Velquor's option set has no value box: only the knob is shown again.
    d->SetOptions(VelquorOptions());
    d->Snapshot();
    d->ClearFlushedRects();
    d->SetValue(20.0f);
    ASSERT_EQ(d->FlushedRects().size(), 1);
    EXPECT_EQ(d->FlushedRects()[0], d->KnobRect());
}

TEST(OvDial, VelquorOptionsDrawNoFrameNoValueBoxAndNameAtTheBottom)
{
    auto d = MakeDial(85, 85);
    const TColor background = RGB(40, 200, 90);
    const TColor text = RGB(200, 0, 200);
    d->SetOptions(VelquorOptions());
    d->BevelOuter().SetColor(background);
    d->Font().SetColor(text);
    d->SignalSettings().SetName2("Position");
    const QImage img = d->Snapshot();

    EXPECT_TRUE(IsRectEmpty(d->ValueRect()));
    EXPECT_EQ(PixelAt(img, 0, 0), background);
    EXPECT_EQ(PixelAt(img, 84, 0), background);
    EXPECT_EQ(PixelAt(img, 0, 84), background);

    // Only the caption uses the control font's colour (the unit text would
    // too, but it belongs to the absent value box).
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (!textink::IsInk(PixelAt(img, x, y), text, background))
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2.0, 85 / 2.0, 2.0);
    EXPECT_GE(maxY, 85 - 6);
    EXPECT_GT(minY, 85 / 2);
}

TEST(OvDial, TinyDialDrawsNoPointerAndResizeRebuildsTheKnob)
{
    auto d = MakeDial(20, 20);
    d->Snapshot();
    EXPECT_FALSE(d->BitmapValid());
    d->ClearFlushedRects();
    d->SetValue(70.0f);
    EXPECT_TRUE(d->FlushedRects().isEmpty());
    EXPECT_EQ(d->Value(), 70.0f);

    const int paints = d->PaintCount();
    d->SetBounds(0, 0, 113, 161);
    const QImage img = d->Snapshot();
    EXPECT_EQ(d->PaintCount(), paints + 1);
    EXPECT_TRUE(d->BitmapValid());
    EXPECT_GT(d->KnobRect().Width(), 10);
    const TPoint p = RoundPointerSpot(*d, 225.0 + 0.7 * 270.0);
    EXPECT_EQ(PixelAt(img, p.X, p.Y), RGB(250, 10, 10));

    d->SetBounds(0, 0, 150, 200);
    d->Snapshot();
    EXPECT_EQ(d->PaintCount(), paints + 2);
    EXPECT_GT(d->KnobRect().Width(), 60);
}

TEST(OvDial, ValuesAreQuantisedToDigitalSteps)
{
    auto d = MakeDial();
    TSignalSettings& s = d->SignalSettings();
    s.SetDigitalFrom(2);
    s.SetDigitalTo(7);
    s.SetValueFrom(2.0f);
    s.SetValueTo(7.0f);
    d->SetValue(4.4f);
    EXPECT_FLOAT_EQ(d->Value(), 4.0f);
    EXPECT_EQ(d->Digit(), 4);
    d->SetValue(4.6f);
    EXPECT_FLOAT_EQ(d->Value(), 5.0f);
    d->SetValue(150.0f);
    EXPECT_FLOAT_EQ(d->Value(), 7.0f);
    EXPECT_EQ(d->Digit(), 7);
    d->SetValue(-3.0f);
    EXPECT_EQ(d->Digit(), 2);

    // A gain dial 1..6 holds exactly six values, and the pointer angle
    // follows the step.
    s.SetDigitalFrom(1);
    s.SetDigitalTo(6);
    s.SetValueFrom(1.0f);
    s.SetValueTo(6.0f);
    for (int step = 1; step <= 6; ++step) {
        d->SetValue(step + 0.3f);
        EXPECT_FLOAT_EQ(d->Value(), float(step));
        EXPECT_NEAR(d->PointerAngle(), (step - 1) * 54.0f, 0.01f);
    }
}

TEST(OvDial, PressWithoutMovingKeepsTheValue)
{
    struct Config {
        int dFrom, dTo;
        float vFrom, vTo, value;
    };
    const Config configs[] = {
        { 1, 6, 1.0f, 6.0f, 3.0f },       // gain
        { 0, 1000, 0.0f, 100.0f, 55.0f }, // offset
        { 0, 1000, 0.000001f, 100.0f, 22.0f },
        { 10, 150, 10.0f, 150.0f, 60.0f }, // frequency scale
        { 2, 7, 2.0f, 7.0f, 4.0f },        // time base
        { 0, 1000, 0.0f, 100.0f, 33.3f },
    };
    for (const Config& c : configs) {
        auto d = MakeDial(85, 85);
        d->SetOptions(VelquorOptions());
        TSignalSettings& s = d->SignalSettings();
        s.SetDigitalFrom(c.dFrom);
        s.SetDigitalTo(c.dTo);
        s.SetValueFrom(c.vFrom);
        s.SetValueTo(c.vTo);
        d->SetValue(c.value);
        d->Snapshot();
        const int digit = d->Digit();
        Counter changes;
        d->SetOnValueChange(changes.Handler());
        const TPoint centre = KnobCentre(*d);
        const int r = d->KnobRect().Width() / 3;
        for (int k = 0; k < 8; ++k) {
            const double a = k * M_PI / 4;
            const QPoint p(centre.X + int(r * std::cos(a)), centre.Y + int(r * std::sin(a)));
            QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, p);
            EXPECT_TRUE(d->Dragging());
            QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, p);
        }
        EXPECT_EQ(d->Digit(), digit) << c.dFrom << ".." << c.dTo << " value " << c.value;
        EXPECT_EQ(changes.n, 0);
    }
}

TEST(OvDial, DraggingTurnsByTheMouseAngleAndNeverWraps)
{
    auto d = MakeDial();
    d->SetValue(50.0f); // pointer straight up
    d->Snapshot();
    Counter changes, changed;
    d->SetOnValueChange(changes.Handler());
    d->SetOnValueChanged(changed.Handler());
    const TPoint c = KnobCentre(*d);

    // A quarter turn clockwise, from the left to the top: +90 degrees.
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X - 10, c.Y));
    EXPECT_EQ(d->Digit(), 500); // the pointer does not jump to the press
    QTest::mouseMove(d.get(), QPoint(c.X, c.Y - 10));
    EXPECT_EQ(d->Digit(), 833);
    // Moving far outside the knob keeps dragging: on to the right, +90 more.
    QTest::mouseMove(d.get(), QPoint(d->Width() - 1, c.Y));
    EXPECT_EQ(d->Digit(), 1000);
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(d->Width() - 1, c.Y));
    EXPECT_GT(changes.n, 0);
    EXPECT_EQ(changed.n, 1);
    EXPECT_FALSE(d->Dragging());

    // Clockwise on through the gap below the centre stays at the maximum.
    d->SetValue(95.0f);
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X + 10, c.Y + 10));
    QTest::mouseMove(d.get(), QPoint(c.X, c.Y + 10));
    EXPECT_EQ(d->Digit(), 1000);
    QTest::mouseMove(d.get(), QPoint(c.X - 10, c.Y + 10));
    EXPECT_EQ(d->Digit(), 1000);
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X - 10, c.Y + 10));
    // A jump of more than 200 degrees counts as the short way round: lower
    // right straight to lower left is a quarter turn clockwise through the gap.
    d->SetValue(95.0f);
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X + 10, c.Y + 10));
    QTest::mouseMove(d.get(), QPoint(c.X - 10, c.Y + 10));
    EXPECT_EQ(d->Digit(), 1000);
    // ... and back is a quarter turn counter-clockwise.
    QTest::mouseMove(d.get(), QPoint(c.X + 10, c.Y + 10));
    EXPECT_EQ(d->Digit(), 667);
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X + 10, c.Y + 10));

    // Counter-clockwise through the gap stays at the minimum.
    d->SetValue(5.0f);
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X - 10, c.Y + 10));
    QTest::mouseMove(d.get(), QPoint(c.X + 10, c.Y + 10));
    EXPECT_EQ(d->Digit(), 0);
    EXPECT_GE(d->PointerAngle(), 0.0f);
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X + 10, c.Y + 10));

    // A press outside the inscribed circle starts no drag.
    d->SetValue(50.0f);
    const TRect hit = d->HitRect();
    QTest::mousePress(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(hit.Left + 1, hit.Top + 1));
    EXPECT_FALSE(d->Dragging());
    QTest::mouseMove(d.get(), QPoint(c.X + 10, c.Y));
    EXPECT_EQ(d->Digit(), 500);
    QTest::mouseRelease(d.get(), Qt::LeftButton, Qt::NoModifier, QPoint(c.X + 10, c.Y));
}

TEST(OvDial, KeysAndWheelStepTheDigit)
{
    auto d = MakeDial();
    d->SetChangeLarge(5);
    d->SetValue(50.0f);
    Counter changes, changed;
    d->SetOnValueChange(changes.Handler());
    d->SetOnValueChanged(changed.Handler());

    QTest::keyClick(d.get(), Qt::Key_PageUp);
    EXPECT_EQ(d->Digit(), 505);
    EXPECT_EQ(changes.n, 1);
    EXPECT_EQ(changed.n, 1); // on key release
    QTest::keyClick(d.get(), Qt::Key_PageDown);
    QTest::keyClick(d.get(), Qt::Key_PageDown);
    EXPECT_EQ(d->Digit(), 495);
    QTest::keyClick(d.get(), Qt::Key_Up);
    QTest::keyClick(d.get(), Qt::Key_Right);
    EXPECT_EQ(d->Digit(), 497);
    QTest::keyClick(d.get(), Qt::Key_Down);
    QTest::keyClick(d.get(), Qt::Key_Left);
    EXPECT_EQ(d->Digit(), 495);
    QTest::keyClick(d.get(), Qt::Key_End);
    EXPECT_EQ(d->Digit(), 1000);
    QTest::keyClick(d.get(), Qt::Key_PageUp); // clamped: no change, no event
    EXPECT_EQ(d->Digit(), 1000);
    QTest::keyClick(d.get(), Qt::Key_Home);
    EXPECT_EQ(d->Digit(), 0);
    EXPECT_FLOAT_EQ(d->PointerAngle(), 0.0f);

    SendWheel(d.get(), 120);
    SendWheel(d.get(), 120);
    EXPECT_EQ(d->Digit(), 2);
    SendWheel(d.get(), -120);
    EXPECT_EQ(d->Digit(), 1);
    SendWheel(d.get(), 60); // not a whole notch
    EXPECT_EQ(d->Digit(), 1);

    // A key outside EnabledKeys, or the keyboard switched off, does nothing.
    d->SetEnabledKeys({ vkPrior, vkNext });
    QTest::keyClick(d.get(), Qt::Key_End);
    EXPECT_EQ(d->Digit(), 1);
    d->SetEnableKeyboard(false);
    QTest::keyClick(d.get(), Qt::Key_PageUp);
    EXPECT_EQ(d->Digit(), 1);
}

TEST(OvDial, FocusRedrawsThePointerInTheFocusColour)
{
    auto d = MakeDial();
    d->SetColorFocus(RGB(10, 10, 250));
    d->SetValue(50.0f);
    d->show();
    d->activateWindow();
    if (!QTest::qWaitForWindowActive(d.get()))
        GTEST_SKIP() << "no active window on this platform";
    const int paints = d->PaintCount();
    d->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(d->Focused());
    const TPoint p = RoundPointerSpot(*d, 360.0);
    EXPECT_EQ(PixelAt(d->Snapshot(), p.X, p.Y), RGB(10, 10, 250));
    d->clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(d->Snapshot(), p.X, p.Y), RGB(250, 10, 10));
    // Only the knob was redrawn, not the whole control.
    EXPECT_EQ(d->PaintCount(), paints);
}

TEST(OvDial, ValueBoxShowsTheValueRightAligned)
{
    auto d = MakeDial();
    d->FontValue().SetColor(clLime);
    d->SetValue(7.0f); // "7.0" is narrower than the sample "##0.0"
    const QImage img = d->Snapshot();
    EXPECT_EQ(d->ValueText(), "7.0");
    const TRect v = d->ValueRect();
    ASSERT_FALSE(IsRectEmpty(v));
    int leftInk = 0, rightInk = 0;
    for (int y = v.Top; y < v.Bottom; ++y) {
        for (int x = v.Left; x < v.Right; ++x) {
            const TColor c = PixelAt(img, x, y);
            if (textink::IsInk(c, clLime, clBlack))
                (x < v.Left + v.Width() / 3 ? leftInk : rightInk)++;
            else
                EXPECT_TRUE(textink::IsBlend(c, clLime, clBlack)) << x << "," << y;
        }
    }
    EXPECT_EQ(leftInk, 0);
    EXPECT_GT(rightInk, 0);
}
