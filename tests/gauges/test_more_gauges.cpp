// The further gauge classes: geometry of what they draw at two sizes and at
// both ends of their range, their input, value models, properties and size
// hints.
#include "gauges/OvArcMeters.h"
#include "gauges/OvBars.h"
#include "gauges/OvColBitBtn.h"
#include "gauges/OvGearDial.h"
#include "gauges/OvMeters.h"
#include "gauges/OvSlider.h"
#include "gauges/OvTank.h"
#include "gauges/OvThermometer.h"
#include "gauges/OvValueInd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMetaMethod>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

TColor At(const QImage& img, int x, int y) { return QColorToColor(img.pixelColor(x, y)); }
TColor At(const QImage& img, TPoint p) { return At(img, p.X, p.Y); }

// Counts pixels of a colour in a rectangle.
int CountColour(const QImage& img, const TRect& r, TColor c)
{
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(img.height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(img.width(), r.Right); ++x)
            n += At(img, x, y) == c ? 1 : 0;
    return n;
}

// The red channel clearly leads: mercury, the needle of a linear meter.
bool Reddish(TColor c)
{
    return GetRValue(c) > 150 && GetGValue(c) < 120 && GetBValue(c) < 120;
}

template <class T>
std::unique_ptr<T> Make(int w, int h)
{
    auto g = std::make_unique<T>();
    g->SetBounds(0, 0, w, h);
    g->Loaded();
    return g;
}

void SendKey(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

void Mouse(QWidget* w, QEvent::Type type, int x, int y)
{
    const QPointF p(x, y);
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// ---------------------------------------------------------------- sliders

class SliderSizes : public ::testing::TestWithParam<QSize> { };

TEST_P(SliderSizes, HorizontalThumbAndGrooveFollowTheRangeEnds)
{
    const QSize s = GetParam();
    auto sl = Make<TOvHSlider>(s.width(), s.height());
    sl->SetValue(0.0f);
    QImage img = sl->Snapshot();
    const TRect g = sl->GrooveRect();
    ASSERT_GT(sl->TravelTo(), sl->TravelFrom());
    EXPECT_GE(g.Left, 0);
    EXPECT_LE(g.Right, s.width());
    TRect t = sl->ThumbRect();
    EXPECT_EQ(t.Left + t.Width() / 2, sl->TravelFrom());
    // Nothing travelled yet: the groove's far end is dark.
    EXPECT_NE(At(img, g.Right - 3, g.Top + g.Height() / 2), sl->PointerColour());

    sl->SetValue(100.0f);
    img = sl->Snapshot();
    t = sl->ThumbRect();
    EXPECT_EQ(t.Left + t.Width() / 2, sl->TravelTo());
    EXPECT_LE(t.Right, s.width());
    // Travelled all the way: the groove is lit left of the thumb.
    EXPECT_EQ(At(img, g.Left + 3, g.Top + g.Height() / 2), sl->PointerColour());
    // The thumb's marker line in the pointer colour.
    EXPECT_GT(CountColour(img, t, sl->PointerColour()), 2);
}

TEST_P(SliderSizes, VerticalHasItsMinimumAtTheBottom)
{
    const QSize s = GetParam().transposed();
    auto sl = Make<TOvVSlider>(s.width(), s.height());
    sl->SetValue(0.0f);
    sl->Snapshot();
    EXPECT_GT(sl->TravelFrom(), sl->TravelTo());
    const TRect low = sl->ThumbRect();
    sl->SetValue(100.0f);
    const QImage img = sl->Snapshot();
    const TRect high = sl->ThumbRect();
    EXPECT_GT(low.Top, high.Top);
    EXPECT_EQ(high.Top + high.Height() / 2, sl->TravelTo());
    EXPECT_GE(high.Top, 0);
    const TRect g = sl->GrooveRect();
    EXPECT_EQ(At(img, g.Left + g.Width() / 2, g.Bottom - 3), sl->PointerColour());
}

INSTANTIATE_TEST_SUITE_P(TwoSizes, SliderSizes, ::testing::Values(QSize(220, 86), QSize(130, 56)));

TEST(OvSlider, MouseKeysAndWheelMoveTheValue)
{
    auto sl = Make<TOvHSlider>(220, 86);
    sl->Snapshot();
    const TRect g = sl->GrooveRect();
    const int y = g.Top + g.Height() / 2;
    Mouse(sl.get(), QEvent::MouseButtonPress, sl->TravelTo(), y);
    Mouse(sl.get(), QEvent::MouseButtonRelease, sl->TravelTo(), y);
    EXPECT_EQ(sl->Value(), 100.0f);
    // Dragging to the middle of the travel.
    Mouse(sl.get(), QEvent::MouseButtonPress, sl->TravelTo(), y);
    Mouse(sl.get(), QEvent::MouseMove, (sl->TravelFrom() + sl->TravelTo()) / 2, y);
    Mouse(sl.get(), QEvent::MouseButtonRelease, (sl->TravelFrom() + sl->TravelTo()) / 2, y);
    EXPECT_NEAR(sl->Value(), 50.0f, 0.6f);
    SendKey(sl.get(), Qt::Key_Home);
    EXPECT_EQ(sl->Digit(), 0);
    SendKey(sl.get(), Qt::Key_PageUp);
    EXPECT_EQ(sl->Digit(), 10);
    // Clamped like every windowed analog control.
    sl->SetValue(150.0f);
    EXPECT_EQ(sl->Value(), 100.0f);
    EXPECT_EQ(sl->Digit(), 1000);
}

// ---------------------------------------------------------------- gear dial

TEST(OvGearDial, MarkerSitsAtTheEndsOfTheSweepAtBothSizes)
{
    for (QSize s : { QSize(130, 170), QSize(80, 100) }) {
        auto gd = Make<TOvGearDial>(s.width(), s.height());
        gd->SetValue(0.0f);
        gd->Snapshot();
        const TPoint c = gd->Centre();
        ASSERT_GT(gd->Radius(), 8) << s.width();
        EXPECT_EQ(gd->PointerAngle(), 0.0);
        gd->SetValue(100.0f);
        const QImage img = gd->Snapshot();
        EXPECT_EQ(gd->PointerAngle(), 270.0);
        // The marker dot (pointer colour) lies lower right of the centre at
        // the maximum, none lower left.
        const int r = gd->Radius();
        const TRect lowerRight = Rect(c.X, c.Y, c.X + r, c.Y + r);
        const TRect lowerLeft = Rect(c.X - r, c.Y, c.X, c.Y + r);
        EXPECT_GT(CountColour(img, lowerRight, gd->PointerColour()), 0) << s.width();
        EXPECT_EQ(CountColour(img, lowerLeft, gd->PointerColour()), 0) << s.width();
        EXPECT_LE(c.X + r, s.width());
    }
}

TEST(OvGearDial, DragTurnsItClockwise)
{
    auto gd = Make<TOvGearDial>(130, 170);
    gd->SetValue(50.0f); // marker straight up
    gd->Snapshot();
    const TPoint c = gd->Centre();
    const int r = gd->Radius() / 2;
    Mouse(gd.get(), QEvent::MouseButtonPress, c.X, c.Y - r);
    Mouse(gd.get(), QEvent::MouseMove, c.X + r, c.Y); // a quarter turn clockwise
    Mouse(gd.get(), QEvent::MouseButtonRelease, c.X + r, c.Y);
    EXPECT_NEAR(gd->Value(), 50.0f + 100.0f * 90.0f / 270.0f, 1.0f);
    SendKey(gd.get(), Qt::Key_End);
    EXPECT_EQ(gd->Value(), 100.0f);
    QWheelEvent wheel(QPointF(c.X, c.Y), gd->mapToGlobal(QPointF(c.X, c.Y)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(gd.get(), &wheel);
    EXPECT_EQ(gd->Digit(), 999);
}

// ---------------------------------------------------------------- value indicator

TEST(OvValueInd, DigitsTakeTheLimitColours)
{
    for (QSize s : { QSize(130, 58), QSize(80, 30) }) {
        auto v = Make<TOvValueInd>(s.width(), s.height());
        v->SetValue(50.0f);
        QImage img = v->Snapshot();
        EXPECT_GT(CountColour(img, v->WindowRect(), clLime), 5) << s.width();
        v->SetValue(100.0f); // above LimitUpper 90
        img = v->Snapshot();
        EXPECT_EQ(v->DigitColour(), v->LimitUpperColor());
        EXPECT_GT(CountColour(img, v->WindowRect(), v->LimitUpperColor()), 5);
        EXPECT_EQ(CountColour(img, v->WindowRect(), clLime), 0);
        v->SetValue(0.0f); // below LimitLower 10
        img = v->Snapshot();
        EXPECT_GT(CountColour(img, v->WindowRect(), v->LimitLowerColor()), 5);
    }
}

// ---------------------------------------------------------------- linear meters

TEST(OvLinearMeters, NeedleRunsAlongTheScale)
{
    for (QSize s : { QSize(220, 80), QSize(120, 50) }) {
        auto m = Make<TOvHMeter>(s.width(), s.height());
        m->SetValue(0.0f);
        QImage img = m->Snapshot();
        const TRect p = m->PlateRect();
        const int y = p.Top + p.Height() / 2;
        EXPECT_TRUE(Reddish(At(img, m->TravelFrom(), y))) << s.width();
        m->SetValue(100.0f);
        img = m->Snapshot();
        EXPECT_TRUE(Reddish(At(img, m->TravelTo(), y)));
        EXPECT_FALSE(Reddish(At(img, m->TravelFrom(), y)));
        EXPECT_LT(m->TravelTo(), s.width());
    }
    for (QSize s : { QSize(90, 220), QSize(50, 120) }) {
        auto m = Make<TOvVMeter>(s.width(), s.height());
        m->SetValue(100.0f);
        const QImage img = m->Snapshot();
        const TRect p = m->PlateRect();
        EXPECT_LT(m->TravelTo(), m->TravelFrom()); // maximum at the top
        EXPECT_TRUE(Reddish(At(img, p.Left + p.Width() / 2, m->TravelTo()))) << s.height();
    }
}

TEST(OvFlexMeters, TroughFillsInTheSectorColour)
{
    for (QSize s : { QSize(220, 70), QSize(110, 40) }) {
        auto m = Make<TOvFlexHMeter>(s.width(), s.height());
        m->SetShowLimits(false);
        m->SetValue(0.0f);
        QImage img = m->Snapshot();
        const TRect p = m->PlateRect();
        const int y = p.Top + p.Height() / 2;
        const int xEnd = m->TravelTo() - 2;
        EXPECT_EQ(At(img, xEnd, y), m->FaceColor());
        m->SetValue(100.0f);
        img = m->Snapshot();
        const TColor fill = At(img, xEnd, y);
        EXPECT_NE(fill, m->FaceColor()) << s.width();
        EXPECT_GT(GetRValue(fill), 2 * GetGValue(fill)); // sector 3: red
    }
    auto v = Make<TOvFlexVMeter>(70, 200);
    v->SetShowLimits(false);
    v->SetValue(20.0f); // sector 1: yellow, filled near the bottom only
    const QImage img = v->Snapshot();
    const TRect p = v->PlateRect();
    const TColor low = At(img, p.Left + p.Width() / 2, v->TravelFrom() - 2);
    EXPECT_GT(GetGValue(low), 100);
    EXPECT_GT(GetRValue(low), 100);
    EXPECT_EQ(At(img, p.Left + p.Width() / 2, v->TravelTo() + 2), v->FaceColor());
}

// ---------------------------------------------------------------- needle meters

template <class T>
void CheckNeedleMeter(QSize s, int start, int sweep)
{
    auto m = Make<T>(s.width(), s.height());
    m->SetValue(0.0f);
    QImage img = m->Snapshot();
    EXPECT_EQ(m->NeedleAngle(), double(start));
    const TPoint c = m->Centre();
    auto onNeedle = [&](const QImage& im) {
        const TPoint tip = m->NeedleTip();
        // A point 3 pixels in from the tip (clear of a shroud).
        const double len = std::hypot(tip.X - c.X, tip.Y - c.Y);
        const double f = (len - 3.0) / len;
        const TPoint q = Point(c.X + int(std::lround((tip.X - c.X) * f)), c.Y + int(std::lround((tip.Y - c.Y) * f)));
        if (q.X < 0 || q.Y < 0 || q.X >= im.width() || q.Y >= im.height())
            return false;
        const TColor px = At(im, q);
        return GetRValue(px) < 90 && GetGValue(px) < 90 && GetBValue(px) < 90; // the black needle
    };
    EXPECT_TRUE(onNeedle(img)) << s.width() << "x" << s.height();
    const TPoint minTip = m->NeedleTip();
    m->SetValue(100.0f);
    img = m->Snapshot();
    EXPECT_EQ(m->NeedleAngle(), double(start + sweep));
    EXPECT_TRUE(onNeedle(img)) << s.width() << "x" << s.height();
    const TPoint maxTip = m->NeedleTip();
    // Minimum on the left, maximum on the right.
    EXPECT_LT(minTip.X, c.X);
    EXPECT_GT(maxTip.X, c.X);
    // Overflow holds the needle at the end.
    m->SetValue(150.0f);
    EXPECT_EQ(m->NeedleAngle(), double(start + sweep));
    EXPECT_TRUE(m->Overflow());
}

TEST(OvArcMeters, NeedleAtTheRangeEnds)
{
    CheckNeedleMeter<TOv270Meter>(QSize(150, 150), 225, 270);
    CheckNeedleMeter<TOv270Meter>(QSize(90, 90), 225, 270);
    CheckNeedleMeter<TOv180Meter>(QSize(180, 110), 270, 180);
    CheckNeedleMeter<TOv180Meter>(QSize(110, 70), 270, 180);
    CheckNeedleMeter<TOv120Meter>(QSize(200, 120), 300, 120);
    CheckNeedleMeter<TOv120Meter>(QSize(120, 70), 300, 120);
}

TEST(OvArcMeters, SectorBandShowsTheThreeColours)
{
    auto m = Make<TOv270Meter>(150, 150);
    const QImage img = m->Snapshot();
    const TRect all = Rect(0, 0, 150, 150);
    EXPECT_GT(CountColour(img, all, clYellow), 20);
    EXPECT_GT(CountColour(img, all, clGreen), 20);
    EXPECT_GT(CountColour(img, all, clRed), 20);
    m->SetShowSectors(false);
    const QImage plain = m->Snapshot();
    EXPECT_EQ(CountColour(plain, all, clGreen), 0);
}

// ---------------------------------------------------------------- bars

TEST(OvBar, FillsItsTroughInTheSectorColour)
{
    for (QSize s : { QSize(44, 150), QSize(150, 30) }) {
        auto b = Make<TOvBar>(s.width(), s.height());
        b->SetShowLimits(false);
        b->SetValue(0.0f);
        b->Snapshot();
        EXPECT_TRUE(b->FillRect().Width() == 0 || b->FillRect().Height() == 0);
        b->SetValue(100.0f);
        const QImage img = b->Snapshot();
        const TRect f = b->FillRect();
        const TRect t = b->TroughRect();
        EXPECT_GT(f.Width() * f.Height(), (t.Width() - 4) * (t.Height() - 4) * 9 / 10) << s.width();
        const TColor mid = At(img, f.Left + f.Width() / 2, f.Top + f.Height() / 2);
        EXPECT_GT(GetRValue(mid), 2 * GetGValue(mid)); // red: sector 3
        EXPECT_EQ(b->Vertical(), s.height() >= s.width());
    }
}

TEST(OvSegmentBars, SegmentsLightUpToTheValue)
{
    for (bool vertical : { true, false }) {
        for (int len : { 220, 120 }) {
            std::unique_ptr<TOvSegmentBar> b;
            if (vertical)
                b = Make<TOvVBar>(64, len);
            else
                b = Make<TOvHBar>(len, 64);
            b->SetValue(0.0f);
            QImage img = b->Snapshot();
            ASSERT_GT(b->SegmentCount(), 4);
            EXPECT_EQ(b->LitSegments(), 0);
            const TRect first = b->SegmentRect(0);
            const TRect last = b->SegmentRect(b->SegmentCount() - 1);
            const TPoint f = Point(first.Left + first.Width() / 2, first.Top + first.Height() / 2);
            const TPoint l = Point(last.Left + last.Width() / 2, last.Top + last.Height() / 2);
            EXPECT_NE(At(img, f), clYellow);
            b->SetValue(100.0f);
            img = b->Snapshot();
            EXPECT_EQ(b->LitSegments(), b->SegmentCount());
            EXPECT_EQ(At(img, f), clYellow) << vertical << len;
            EXPECT_EQ(At(img, l), clRed);
            if (vertical)
                EXPECT_LT(last.Top, first.Top);
            else
                EXPECT_GT(last.Left, first.Left);
            b->SetValue(50.0f);
            EXPECT_NEAR(b->LitSegments(), b->SegmentCount() / 2, 1);
        }
    }
}

TEST(OvSegmentBars, ASegmentLightsExactlyAtItsMiddle)
{
    // Ten segments over 0..100: segment i spans 10 i .. 10 i + 10, its middle
    // is 10 i + 5.
    for (bool vertical : { true, false }) {
        std::unique_ptr<TOvSegmentBar> b;
        if (vertical)
            b = Make<TOvVBar>(64, 220);
        else
            b = Make<TOvHBar>(220, 64);
        b->SetSegments(10);
        b->Snapshot();
        ASSERT_EQ(b->SegmentCount(), 10);
        const struct {
            float Value;
            int Lit;
        } cases[] = { { 4.9f, 0 }, { 5.0f, 1 }, { 14.9f, 1 }, { 15.0f, 2 }, { 94.9f, 9 }, { 95.0f, 10 }, { 100.0f, 10 } };
        for (const auto& c : cases) {
            b->SetValue(c.Value);
            EXPECT_EQ(b->LitSegments(), c.Lit) << c.Value << (vertical ? " vertical" : " horizontal");
        }
    }
}

// ---------------------------------------------------------------- thermometer, tank

TEST(OvThermometer, ColumnRisesWithTheValue)
{
    for (QSize s : { QSize(90, 230), QSize(50, 130) }) {
        auto t = Make<TOvThermometer>(s.width(), s.height());
        t->SetShowLimits(false);
        t->SetValue(0.0f);
        QImage img = t->Snapshot();
        const TRect tube = t->TubeRect();
        const int cx = tube.Left + tube.Width() / 2;
        EXPECT_EQ(t->ColumnTop(), t->TravelFrom());
        EXPECT_FALSE(Reddish(At(img, cx, t->TravelTo() + 2))) << s.height();
        // The bulb always holds mercury.
        const TRect bulb = t->BulbRect();
        EXPECT_TRUE(Reddish(At(img, bulb.Left + bulb.Width() / 2 + 2, bulb.Top + bulb.Height() * 2 / 3)));
        t->SetValue(100.0f);
        img = t->Snapshot();
        EXPECT_EQ(t->ColumnTop(), t->TravelTo());
        EXPECT_TRUE(Reddish(At(img, cx, t->TravelTo() + 2))) << s.height();
        EXPECT_GE(tube.Top, 0);
        EXPECT_LE(bulb.Bottom, s.height());
    }
}

TEST(OvTank, LiquidLevelFollowsTheValue)
{
    for (QSize s : { QSize(130, 170), QSize(70, 90) }) {
        auto t = Make<TOvTank>(s.width(), s.height());
        t->SetShowLimits(false);
        t->SetValue(0.0f);
        QImage img = t->Snapshot();
        const TRect b = t->BodyRect();
        const int cx = b.Left + b.Width() / 2;
        EXPECT_EQ(t->LevelY(), b.Bottom);
        auto bluish = [](TColor c) { return GetBValue(c) > GetRValue(c) + 40; };
        EXPECT_FALSE(bluish(At(img, cx, b.Top + b.Height() / 2))) << s.width();
        t->SetValue(100.0f);
        img = t->Snapshot();
        EXPECT_EQ(t->LevelY(), b.Top);
        EXPECT_TRUE(bluish(At(img, cx, b.Top + b.Height() / 2))) << s.width();
        t->SetValue(50.0f);
        img = t->Snapshot();
        EXPECT_TRUE(bluish(At(img, cx, b.Bottom - 3)));
        EXPECT_FALSE(bluish(At(img, cx, b.Top + 3 + t->CapHeight() / 2)));
    }
}

// ---------------------------------------------------------------- colour bit button

TEST(OvColBitBtn, ClickTogglesTheBitAndLightsTheFace)
{
    QWidget form;
    auto* b = new TOvColBitBtn(&form);
    b->SetBounds(0, 0, 75, 30);
    b->SetColorOn(clAqua);
    b->SetStatusBit(2);
    b->Loaded();
    QSignalSpy spy(b, &TOvColBitBtn::checkedChanged);
    QImage img = b->Snapshot();
    const TRect f = b->FaceRect();
    EXPECT_EQ(CountColour(img, f, clAqua), 0);
    Mouse(b, QEvent::MouseButtonPress, 30, 15);
    Mouse(b, QEvent::MouseButtonRelease, 30, 15);
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(b->StatusInt(), 4);
    EXPECT_EQ(spy.count(), 1);
    img = b->Snapshot();
    EXPECT_GT(CountColour(img, f, clAqua), f.Width()); // the lit face's rim
    Mouse(b, QEvent::MouseButtonPress, 30, 15);
    Mouse(b, QEvent::MouseButtonRelease, 30, 15);
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(b->StatusInt(), 0);
    // A narrow button still draws its face inside its bounds.
    b->SetBounds(0, 0, 30, 16);
    b->SetChecked(true);
    img = b->Snapshot();
    EXPECT_EQ(img.size(), QSize(30, 16));
    EXPECT_GT(CountColour(img, Rect(0, 0, 30, 16), clAqua), 0);
}

// ---------------------------------------------------------------- framework conventions

TEST(MoreGauges, SizeHintsPropertiesAndNotifySignals)
{
    const std::vector<std::function<QWidget*()>> makers = {
        [] { return new TOvHSlider; }, [] { return new TOvVSlider; }, [] { return new TOvGearDial; },
        [] { return new TOvValueInd; }, [] { return new TOvHMeter; }, [] { return new TOvVMeter; },
        [] { return new TOvFlexHMeter; }, [] { return new TOvFlexVMeter; }, [] { return new TOv270Meter; },
        [] { return new TOv180Meter; }, [] { return new TOv120Meter; }, [] { return new TOvBar; },
        [] { return new TOvVBar; }, [] { return new TOvHBar; }, [] { return new TOvThermometer; },
        [] { return new TOvTank; },
    };
    for (const auto& make : makers) {
        std::unique_ptr<QWidget> w(make());
        const char* name = w->metaObject()->className();
        const QSize hint = w->sizeHint();
        const QSize min = w->minimumSizeHint();
        EXPECT_TRUE(hint.isValid() && min.isValid()) << name;
        EXPECT_LE(min.width(), hint.width()) << name;
        EXPECT_LE(min.height(), hint.height()) << name;
        EXPECT_EQ(w->size(), hint) << name; // the design-time size
        static_cast<TControl*>(w.get())->Loaded();
        QSignalSpy spy(w.get(), SIGNAL(valueChanged(float)));
        EXPECT_TRUE(w->setProperty("Value", 30.0f)) << name;
        EXPECT_FLOAT_EQ(w->property("Value").toFloat(), 30.0f) << name;
        EXPECT_EQ(spy.count(), 1) << name;
        w->setProperty("Value", 30.0f);
        EXPECT_EQ(spy.count(), 1) << name; // no change, no signal
        QSignalSpy range(w.get(), SIGNAL(rangeChanged()));
        EXPECT_TRUE(w->setProperty("ValueTo", 200.0f));
        EXPECT_EQ(range.count(), 1) << name;
        EXPECT_TRUE(w->setProperty("Name1", QStringLiteral("Caption")));
        EXPECT_EQ(w->property("Name1").toString(), "Caption");
        // Drawn at its minimum size without leaving its bounds.
        w->resize(min);
        const QImage img = static_cast<TControl*>(w.get())->Snapshot();
        EXPECT_EQ(img.size(), min) << name;
    }
    auto b = std::make_unique<TOvColBitBtn>();
    EXPECT_TRUE(b->sizeHint().isValid());
    EXPECT_TRUE(b->setProperty("Checked", true));
    EXPECT_EQ(b->StatusInt(), 1);
}

// How many signals of this name the control's meta-object has (its own and inherited).
int SignalsNamed(const QObject& o, const char* name)
{
    const QMetaObject* mo = o.metaObject();
    int n = 0;
    for (int i = 0; i < mo->methodCount(); ++i)
        n += mo->method(i).methodType() == QMetaMethod::Signal && mo->method(i).name() == name ? 1 : 0;
    return n;
}

TEST(MoreGauges, OneSignalPerChangeNotRedeclaredCopies)
{
    TOv270Meter meter;
    TOvHSlider slider;
    TOvColBitBtn button;
    meter.Loaded();
    slider.Loaded();
    button.Loaded();
    EXPECT_EQ(SignalsNamed(meter, "valueChanged"), 1);
    EXPECT_EQ(SignalsNamed(slider, "valueChanged"), 1);
    EXPECT_EQ(SignalsNamed(button, "checkedChanged"), 1);
    EXPECT_EQ(SignalsNamed(button, "statusIntChanged"), 1);
    EXPECT_EQ(meter.metaObject()->indexOfProperty("Value"), TOvAnalogGControl::staticMetaObject.indexOfProperty("Value"));

    // A base-class connection hears every change once, and nothing else.
    int values = 0, checks = 0, states = 0;
    QObject::connect(&meter, &TOvAnalogGControl::valueChanged, [&values](float) { ++values; });
    QObject::connect(&slider, &TOvAnalogCControl::valueChanged, [&values](float) { ++values; });
    QObject::connect(&button, &TOvBinGControl::checkedChanged, [&checks](bool) { ++checks; });
    QObject::connect(&button, &TOvBinGControl::statusIntChanged, [&states](int) { ++states; });
    meter.SetValue(20.0f);
    meter.SetLimitUpper(80.0f); // the value stays: no signal
    slider.SetValue(20.0f);
    EXPECT_EQ(values, 2);
    button.SetChecked(true);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(states, 1);
}

TEST(MoreGauges, UpdateCountingHoldsRepaintsUntilLoaded)
{
    TOv270Meter m;
    EXPECT_GT(m.UpdateCount(), 0);
    m.SetValue(10.0f);
    m.SetName1(QStringLiteral("x"));
    EXPECT_EQ(m.PaintCount(), 0);
    m.Loaded();
    EXPECT_EQ(m.UpdateCount(), 0);
    m.Snapshot();
    EXPECT_EQ(m.PaintCount(), 1);

    TOvHSlider s;
    EXPECT_GT(s.UpdateCount(), 0);
    s.Loaded();
    EXPECT_EQ(s.UpdateCount(), 0);
}

TEST(MoreGauges, DisplayHintAndLimitsFollowTheValue)
{
    auto m = Make<TOvHMeter>(220, 80);
    m->SetValueUnit(QStringLiteral("V"));
    m->SetHintOptions({ hoAutoHint, hoValue });
    m->SetValue(95.0f);
    EXPECT_EQ(m->Hint(), "Value= 95.0 V");
    EXPECT_TRUE(m->UpperExceeded());
    QSignalSpy limits(m.get(), SIGNAL(limitsChanged()));
    m->SetValue(50.0f);
    EXPECT_EQ(limits.count(), 1);
    EXPECT_FALSE(m->UpperExceeded());
}

} // namespace
