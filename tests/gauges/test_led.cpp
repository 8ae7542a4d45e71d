// LED indicator, flash registry and flash timer thread.
#include "gauges/OvClock.h"
#include "tests/support/TextInk.h"
#include "gauges/OvFlashT.h"
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Records the flash messages it receives.
class TFlashProbe : public QObject
{
public:
    std::vector<std::pair<quint32, qint64>> Messages;
    bool event(QEvent* e) override
    {
        if (e->type() == TOvFlashEvent::EventType()) {
            auto* m = static_cast<TOvFlashEvent*>(e);
            Messages.emplace_back(m->Counter, m->Param);
            return true;
        }
        return QObject::event(e);
    }
};

// Each test starts and ends without a registry, so its timer starts fresh.
class OvFlashTest : public ::testing::Test
{
protected:
    void SetUp() override { TOvFlashRegistry::Shutdown(); }
    void TearDown() override { TOvFlashRegistry::Shutdown(); }

    // A registry whose schedule is driven by hand: fake clocks, and once the
    // timer exists, its ticks switched off.
    TOvFlashRegistry* ManualRegistry()
    {
        TOvFlashRegistry* registry = TOvFlashRegistry::Acquire();
        registry->SetClocks([this] { return TickNow; }, [this] { return WallNow; });
        return registry;
    }
    static void Freeze()
    {
        TOvFlashRegistry* registry = TOvFlashRegistry::Instance();
        ASSERT_NE(registry, nullptr);
        ASSERT_NE(registry->Timer(), nullptr);
        registry->Timer()->SetEnabled(false);
    }
    static void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            TOvFlashRegistry::Instance()->Tick();
    }

    qint64 TickNow = 5000;
    qint64 WallNow = 1'700'000'000'000;
};

TColor PixelAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

} // namespace

// ---------------------------------------------------------------- registry

TEST_F(OvFlashTest, TimerThreadStartsWithFirstSubscriberAndStopsCleanly)
{
    EXPECT_EQ(TOvFlashRegistry::Instance(), nullptr);
    TFlashProbe probe;
    TOvFlashRegistry::RegisterControl(&probe, FlashCode8Hz);
    TOvFlashRegistry* registry = TOvFlashRegistry::Instance();
    ASSERT_NE(registry, nullptr);
    ASSERT_NE(registry->Timer(), nullptr);
    EXPECT_TRUE(registry->Timer()->ThreadActive());
    EXPECT_FALSE(registry->Timer()->Idle());
    EXPECT_EQ(registry->Timer()->Interval(), 16);

    // Ticks arrive on this thread while it processes events.
    QElapsedTimer clock;
    clock.start();
    while (registry->TickCounter() < 10 && clock.elapsed() < 3000)
        QTest::qWait(5);
    EXPECT_GE(registry->TickCounter(), 10u);
    EXPECT_FALSE(probe.Messages.empty());
    EXPECT_GE(registry->Timer()->HandedTicks(), 10u);

    // Leaving does not stop the timer while the application runs.
    TOvFlashRegistry::UnregisterControl(&probe);
    EXPECT_EQ(registry->Count(), 0);
    EXPECT_NE(registry->Timer(), nullptr);

    // Shut-down while a hand-over may be pending must not hang.
    QTest::qWait(40);
    TOvFlashRegistry::Shutdown();
    EXPECT_EQ(TOvFlashRegistry::Instance(), nullptr);

    // A new subscriber brings a new timer.
    TOvFlashRegistry::RegisterControl(&probe, FlashCodeSecond);
    ASSERT_NE(TOvFlashRegistry::Instance(), nullptr);
    EXPECT_TRUE(TOvFlashRegistry::Instance()->Timer()->ThreadActive());

    // Shut-down while the worker is surely blocked in a hand-over: this
    // thread serves no events for several intervals first, so the worker
    // cannot finish a tick; joining it without serving the pending call
    // would hang here.
    const TOvFlashTimer* timer = TOvFlashRegistry::Instance()->Timer();
    clock.restart();
    while (timer->HandedTicks() < 1 && clock.elapsed() < 3000)
        QTest::qWait(5);
    const quint64 handed = timer->HandedTicks();
    QThread::msleep(100);
    EXPECT_LE(timer->HandedTicks(), handed + 1); // stuck, not ticking
    TOvFlashRegistry::Shutdown();
    EXPECT_EQ(TOvFlashRegistry::Instance(), nullptr);
}

TEST_F(OvFlashTest, FlashPhasesAndReRegistration)
{
    TOvFlashRegistry* registry = ManualRegistry();
    TFlashProbe probe;
    registry->Register(&probe, FlashCode1Hz);
    Freeze();
    // ff1Hz flips every 32 ticks.
    Ticks(64);
    ASSERT_EQ(probe.Messages.size(), 2u);
    EXPECT_EQ(probe.Messages[0], std::make_pair(32u, qint64(1)));
    EXPECT_EQ(probe.Messages[1], std::make_pair(64u, qint64(0)));

    // Registering again replaces the code of the one entry.
    registry->Register(&probe, FlashCode8Hz);
    EXPECT_EQ(registry->Count(), 1);
    EXPECT_EQ(registry->CodeOf(&probe), FlashCode8Hz);
    probe.Messages.clear();
    Ticks(16);
    ASSERT_EQ(probe.Messages.size(), 4u);
    EXPECT_EQ(probe.Messages[0].first, 68u);
    EXPECT_EQ(probe.Messages[1].first, 72u);

    registry->Unregister(&probe);
    EXPECT_FALSE(registry->IsRegistered(&probe));
    EXPECT_EQ(registry->CodeOf(&probe), -1);
}

TEST_F(OvFlashTest, PeriodEntriesAbsorbLateness)
{
    TOvFlashRegistry* registry = ManualRegistry();
    std::vector<qint64> lateness;
    int key = 0;
    registry->Register(&key, [&](quint32, qint64 late) { lateness.push_back(late); }, 100);
    Freeze();

    TickNow += 50;   // not due yet
    registry->Tick();
    EXPECT_TRUE(lateness.empty());
    TickNow += 50;   // exactly due
    registry->Tick();
    TickNow += 250;  // 150 ms late: the next due time moves 150 ms earlier
    registry->Tick();
    TickNow += 1;    // so it is due (51 ms late) at once
    registry->Tick();
    TickNow += 5000; // lateness beyond a second counts as none
    registry->Tick();
    ASSERT_EQ(lateness.size(), 4u);
    EXPECT_EQ(lateness[0], 0);
    EXPECT_EQ(lateness[1], 150);
    EXPECT_EQ(lateness[2], 51);
    EXPECT_EQ(lateness[3], 0);
}

TEST_F(OvFlashTest, OncePerSecondReleasesOverdueSecondsOneByOne)
{
    TOvFlashRegistry* registry = ManualRegistry();
    int seconds = 0;
    int key = 0;
    registry->Register(&key, [&](quint32, qint64 param) {
        EXPECT_EQ(param, 0);
        ++seconds;
    }, FlashCodeSecond);
    Freeze();
    EXPECT_EQ(registry->NextSecond(), WallNow + 1000);

    WallNow += 999;
    registry->Tick();
    EXPECT_EQ(seconds, 0);
    WallNow += 1;
    registry->Tick();
    EXPECT_EQ(seconds, 1);
    // A stall of 3.5 s: one second per tick until caught up.
    WallNow += 3500;
    Ticks(5);
    EXPECT_EQ(seconds, 4);
    EXPECT_EQ(registry->NextSecond(), WallNow + 500);
}

TEST_F(OvFlashTest, FailingOrLeavingSubscribersDoNotDisturbTheTick)
{
    TOvFlashRegistry* registry = ManualRegistry();
    int a = 0, b = 0, c = 0, d = 0;
    int served = 0;
    registry->Register(&a, [](quint32, qint64) { throw std::runtime_error("repaint failed"); },
                       FlashCodeSecond);
    // Leaves during the tick, and takes the next entry with it.
    registry->Register(&b, [&](quint32, qint64) {
        ++served;
        registry->Unregister(&b);
        registry->Unregister(&c);
    }, FlashCodeSecond);
    registry->Register(&c, [&](quint32, qint64) { served += 100; }, FlashCodeSecond);
    registry->Register(&d, [&](quint32, qint64) { served += 10; }, FlashCodeSecond);
    Freeze();

    WallNow += 1000;
    registry->Tick();
    EXPECT_EQ(served, 11);
    EXPECT_EQ(registry->Count(), 2);
    EXPECT_TRUE(registry->IsRegistered(&a));
    EXPECT_TRUE(registry->IsRegistered(&d));

    // A control destroyed without leaving is skipped, then dropped.
    auto* gone = new TFlashProbe;
    registry->Register(gone, FlashCode8Hz);
    delete gone;
    Ticks(8);
    EXPECT_EQ(registry->Count(), 2);
}

TEST_F(OvFlashTest, SecondFlashTimerReportsAndStaysIdle)
{
    TOvFlashRegistry* registry = ManualRegistry();
    QString text, caption;
    registry->SetMessageHandler([&](const QString& t, const QString& c) {
        text = t;
        caption = c;
    });
    TFlashProbe probe;
    registry->Register(&probe, FlashCode4Hz);
    EXPECT_EQ(registry->TimerInstances(), 1);
    {
        TOvFlashTimer second;
        EXPECT_TRUE(second.Idle());
        EXPECT_FALSE(second.ThreadActive());
        EXPECT_EQ(registry->TimerInstances(), 2);
        EXPECT_EQ(caption, "Error Message");
        EXPECT_TRUE(text.startsWith("Only one TOvFlashTimer per Application!"));
    }
    EXPECT_EQ(registry->TimerInstances(), 1);
}

TEST_F(OvFlashTest, FlashComponentEventsEnabledAndDestructionInsideItsTick)
{
    TOvFlash flash;
    EXPECT_TRUE(flash.Enabled());
    EXPECT_EQ(flash.ThreadPriority(), QThread::NormalPriority);
    // Without an event the thread does not run.
    EXPECT_FALSE(flash.ThreadActive());
    int calls = 0;
    QObject* sender = nullptr;
    flash.SetOnTimer([&](QObject* s) {
        ++calls;
        sender = s;
    });
    EXPECT_TRUE(flash.ThreadActive());
    QElapsedTimer clock;
    clock.start();
    while (calls < 3 && clock.elapsed() < 3000)
        QTest::qWait(5);
    EXPECT_GE(calls, 3);
    EXPECT_EQ(sender, &flash);

    flash.SetEnabled(false);
    EXPECT_FALSE(flash.ThreadActive());
    QTest::qWait(20); // a tick handed over before the suspend runs as a no-op
    const int frozen = calls;
    QTest::qWait(60);
    EXPECT_EQ(calls, frozen);

    flash.SetEnabled(true);
    flash.SetThreadPriority(QThread::HighPriority);
    EXPECT_TRUE(flash.ThreadActive());
    clock.restart();
    while (calls < frozen + 2 && clock.elapsed() < 3000)
        QTest::qWait(5);
    EXPECT_GE(calls, frozen + 2);

    // A component deleted by its own timer event: the worker waiting for
    // that very tick cannot be joined there; it must still end cleanly.
    auto* doomed = new TOvFlash;
    bool deleted = false;
    doomed->SetOnTimer([&](QObject* s) {
        if (!deleted) {
            deleted = true;
            delete s;
        }
    });
    clock.restart();
    while (!deleted && clock.elapsed() < 3000)
        QTest::qWait(5);
    EXPECT_TRUE(deleted);
    QTest::qWait(30);
}

// ---------------------------------------------------------------- LED

namespace {

class OvLEDTest : public OvFlashTest
{
protected:
    QWidget Panel;
};

} // namespace

TEST_F(OvLEDTest, SteadyFlashingAndFrequencyStates)
{
    ManualRegistry();
    TOvLED led(&Panel);
    led.SetCaption("Ch1");
    led.LED().SetColorOn(clRed);
    led.LED().SetColorOff(clGray);
    led.Snapshot();
    const TRect lamp = led.LampRect();
    const int cx = lamp.Left + lamp.Width() / 2, cy = lamp.Top + lamp.Height() / 2;
    EXPECT_EQ(PixelAt(led.Picture().Image(), cx, cy), clGray);

    // Checked without Flashing: steadily on, no registry entry.
    led.SetChecked(true);
    EXPECT_EQ(PixelAt(led.Picture().Image(), cx, cy), clRed);
    ASSERT_NE(TOvFlashRegistry::Instance(), nullptr);
    EXPECT_FALSE(TOvFlashRegistry::Instance()->IsRegistered(&led));

    // Flashing on an unchecked LED does not register; checking starts it.
    led.SetChecked(false);
    led.SetFlashing(true);
    EXPECT_FALSE(TOvFlashRegistry::Instance()->IsRegistered(&led));
    led.SetChecked(true);
    EXPECT_EQ(TOvFlashRegistry::Instance()->CodeOf(&led), FlashCode1Hz);
    Freeze();

    // ff1Hz to ff8Hz: still one entry, the lamp flips every 4 ticks.
    led.SetFrequency(ff8Hz);
    EXPECT_EQ(TOvFlashRegistry::Instance()->Count(), 1);
    EXPECT_EQ(TOvFlashRegistry::Instance()->CodeOf(&led), FlashCode8Hz);
    std::vector<TColor> lampColours;
    for (int i = 0; i < 16; ++i) {
        Ticks(1);
        lampColours.push_back(PixelAt(led.Picture().Image(), cx, cy));
    }
    // The lamp follows bit 2 of the tick counter from its first flip on
    // (tick 4); before that it keeps the steady Checked colour.
    for (int i = 0; i < 16; ++i) {
        const int tick = i + 1;
        const TColor expected = (tick < 4 || (tick & 4)) ? clRed : clGray;
        EXPECT_EQ(lampColours[i], expected) << "tick " << tick;
    }

    // Stopping the flashing leaves the lamp steadily on.
    led.SetFlashing(false);
    EXPECT_FALSE(TOvFlashRegistry::Instance()->IsRegistered(&led));
    EXPECT_EQ(PixelAt(led.Picture().Image(), cx, cy), clRed);

    // Destroying a flashing LED removes its entry before the next tick.
    auto* other = new TOvLED(&Panel);
    other->SetFlashing(true);
    other->SetChecked(true);
    EXPECT_TRUE(TOvFlashRegistry::Instance()->IsRegistered(other));
    delete other;
    EXPECT_EQ(TOvFlashRegistry::Instance()->Count(), 0);
    Ticks(8);
}

TEST_F(OvLEDTest, FlashingRepaintsOnlyTheLamp)
{
    ManualRegistry();
    TOvLED led(&Panel);
    led.SetBounds(0, 0, 80, 26);
    led.SetCaption("Overload");
    led.LED().SetColorOn(clRed);
    led.LED().SetColorOff(clGray);
    led.SetFrequency(ff8Hz);
    led.SetFlashing(true);
    led.SetChecked(true);
    Freeze();
    const QImage before = led.Snapshot();
    const int paints = led.PaintCount();
    led.ClearFlushedRects();

    Ticks(8); // on at tick 4 (no change), off at tick 8
    const QImage after = led.Snapshot();
    EXPECT_EQ(led.PaintCount(), paints);
    ASSERT_EQ(led.FlushedRects().size(), 2);
    for (const TRect& r : led.FlushedRects())
        EXPECT_EQ(r, led.FlashRect());

    const TRect flash = led.FlashRect();
    int changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            if (before.pixel(x, y) != after.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(PtInRect(flash, Point(x, y))) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 0);
}

TEST_F(OvLEDTest, LampLayoutByPositionAndRoundSize)
{
    TOvLED led(&Panel);
    EXPECT_EQ(led.Width(), 73);
    EXPECT_EQ(led.Height(), 33);
    EXPECT_EQ(led.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(led.Spacing(), 5);
    EXPECT_EQ(led.LED_Position(), lpLeft);
    EXPECT_EQ(led.Mode(), mIndicator);
    // The caption starts as the name and follows it until set on its own.
    led.SetName("OvldLED");
    EXPECT_EQ(led.Caption(), "OvldLED");
    led.SetCaption("Overload");
    led.SetName("Ov60HzLED");
    EXPECT_EQ(led.Caption(), "Overload");

    // A round lamp of 13 x 9 is a 13 x 13 circle, vertically centred.
    led.LED().SetHeight(9);
    led.Snapshot();
    EXPECT_EQ(led.LampRect(), Bounds(0, 33 / 2 - 13 / 2, 13, 13));

    // Other shapes keep their size.
    led.LED().SetShape(sRectangle);
    led.SetLED_Position(lpRight);
    led.Snapshot();
    EXPECT_EQ(led.LampRect(), Bounds(73 - 13, 33 / 2 - 9 / 2, 13, 9));
    led.SetLED_Position(lpTop);
    led.Snapshot();
    EXPECT_EQ(led.LampRect(), Bounds(73 / 2 - 13 / 2, 0, 13, 9));
    led.SetLED_Position(lpBottom);
    led.Snapshot();
    EXPECT_EQ(led.LampRect(), Bounds(73 / 2 - 13 / 2, 33 - 9, 13, 9));

    // Sizes outside 4..80 are ignored.
    led.LED().SetWidth(3);
    led.LED().SetHeight(81);
    EXPECT_EQ(led.LED().Width(), 13);
    EXPECT_EQ(led.LED().Height(), 9);
}

TEST_F(OvLEDTest, TwoLineCaptionIsCentredBesideALeftLamp)
{
    TOvLED led(&Panel);
    led.SetBounds(0, 0, 90, 60);
    led.Font().SetColor(clBlack);
    led.SetCaption("Ch|1");
    const QImage image = led.Snapshot();
    TCanvas measure;
    TBitmap scratch(1, 1);
    scratch.Canvas.Font = led.Font();
    const int lineHeight = scratch.Canvas.TextHeight("X");
    EXPECT_EQ(led.CaptionHeight(), 2 * lineHeight);
    EXPECT_EQ(led.CaptionWidth(), scratch.Canvas.TextWidth("Ch"));

    // Text pixels lie right of the lamp plus spacing, on both sides of the
    // middle row, within one line pitch of it.
    const int textLeft = led.LampRect().Right + led.Spacing();
    int top = image.height(), bottom = -1, left = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = led.LampRect().Right; x < image.width(); ++x)
            if (textink::IsInk(PixelAt(image, x, y), clBlack, QColorToColor(Panel.palette().color(QPalette::Window)))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
            }
    ASSERT_GE(bottom, 0);
    EXPECT_GE(left, textLeft);
    EXPECT_LT(top, 30);
    EXPECT_GE(bottom, 30);
    EXPECT_GE(top, 30 - lineHeight);
    EXPECT_LT(bottom, 30 + lineHeight);
}

TEST(OvLEDShapes, OutlinesInTheirRectangle)
{
    const TColor shadow = ColorToRGB(clBtnShadow);
    const TColor highlight = ColorToRGB(clBtnHighlight);
    const TColor background = clAqua; // unlike pen, highlight and lamp colours
    const int L = 3, T = 4, R = 16, B = 17; // 13 x 13
    const int hw = (R - L) / 2, hh = (B - T) / 2;
    struct TCase {
        TLEDShape Shape;
        std::vector<TPoint> Outline; // must be pen pixels
        std::vector<TPoint> Inside;  // must be lamp colour
        std::vector<TPoint> Outside; // must stay background
    };
    const std::vector<TCase> cases = {
        {sRound, {{L + hw, B - 1}, {R - 1, T + hh}, {L, T + hh}},
         {{L + hw, T + hh}, {L + hw + 2, T + hh + 2}},
         {{L, T}, {R - 1, B - 1}, {R, T + hh}, {L + hw, B}}},
        {sArrowLeft, {{L, T + hh}, {R - 1, T}, {R - 1, B - 1}},
         {{R - 3, T + hh}},
         {{L, T}, {L, B - 1}, {R, T + hh}}},
        {sArrowRight, {{L, T}, {R - 1, T + hh}, {L, B - 1}},
         {{L + 2, T + hh}},
         {{R - 1, T}, {R - 1, B - 1}, {L - 1, T + hh}}},
        {sArrowUp, {{L + hw, T}, {R - 1, B - 1}, {L, B - 1}},
         {{L + hw, B - 3}},
         {{L, T}, {R - 1, T}, {L + hw, B}}},
        {sArrowDown, {{L, T}, {R - 1, T}, {L + hw, B - 1}},
         {{L + hw, T + 2}},
         {{L, B - 1}, {R - 1, B - 1}, {L + hw, T - 1}}},
        {sRectangle, {{L + hw, T}, {L, T + hh}, {R - 1, T + hh}, {L + hw, B - 1}},
         {{L + hw, T + hh}, {L + 1, T + 1}},
         {{R, T + hh}, {L + hw, B}, {L - 1, T + hh}}},
        {sDiamondLeft, {{L, T}, {L + hw, T}, {R, B}, {L + hw, B}},
         {{L + hw, T + hh}},
         {{R - 1, T}, {L, B}, {L, B - 1}}},
        {sDiamondRight, {{L + hw, T}, {R, T}, {L + hw, B}, {L, B}},
         {{L + hw, T + hh}},
         {{L, T}, {R, B}, {R - 1, B}}},
    };
    for (const TCase& c : cases) {
        TBitmap bitmap(24, 24);
        bitmap.Canvas.Brush.Color = background;
        bitmap.Canvas.FillRect(bitmap.ClientRect());
        TOvLED::DrawLamp(bitmap.Canvas, Rect(L, T, R, B), c.Shape, clRed);
        const QImage& image = bitmap.Image();
        for (const TPoint& p : c.Outline)
            EXPECT_EQ(PixelAt(image, p.X, p.Y), shadow) << "shape " << c.Shape << " outline " << p.X << "," << p.Y;
        for (const TPoint& p : c.Inside)
            EXPECT_EQ(PixelAt(image, p.X, p.Y), clRed) << "shape " << c.Shape << " inside " << p.X << "," << p.Y;
        for (const TPoint& p : c.Outside)
            EXPECT_EQ(PixelAt(image, p.X, p.Y), background) << "shape " << c.Shape << " outside " << p.X << "," << p.Y;
        // Nothing beyond the rectangle (and its right/bottom edge line).
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                if (x < L || y < T || x > R || y > B) {
                    EXPECT_EQ(PixelAt(image, x, y), background) << "shape " << c.Shape << " at " << x << "," << y;
                }
            }
        }
        if (c.Shape == sRound) {
            // The highlight arc sits in the upper-left quarter only.
            int highlights = 0;
            for (int y = T; y < B; ++y) {
                for (int x = L; x < R; ++x) {
                    if (PixelAt(image, x, y) == highlight) {
                        ++highlights;
                        EXPECT_LE(x, L + hw);
                        EXPECT_LE(y, T + hh);
                    }
                }
            }
            EXPECT_GT(highlights, 0);
        }
    }
}

// ---------------------------------------------------------------- stress

// Flashing LEDs, counters and clocks come and go many times while the timer
// thread ticks; the registry also shuts down and restarts in between.
TEST_F(OvFlashTest, StressCreateAndDestroyUnderTheTimerThread)
{
    QWidget panel;
    QElapsedTimer clock;
    clock.start();
    int rounds = 0;
    quint32 ticksSeen = 0;
    while (clock.elapsed() < 2500) {
        std::vector<std::unique_ptr<TOvLED>> leds;
        std::vector<std::unique_ptr<TOvOpHourCounter>> counters;
        std::vector<std::unique_ptr<TOvClock>> clocks;
        for (int i = 0; i < 12; ++i) {
            auto led = std::make_unique<TOvLED>(&panel);
            led->SetFrequency(static_cast<TFlashFreq>(i % 5));
            led->SetFlashing(true);
            led->SetChecked(true);
            led->Snapshot();
            leds.push_back(std::move(led));
        }
        for (int i = 0; i < 3; ++i) {
            auto counter = std::make_unique<TOvOpHourCounter>(&panel);
            counter->Loaded();
            counter->SetCountDown(i == 0);
            counter->SetTime(0, 0, 2);
            counter->SetCount(true);
            counters.push_back(std::move(counter));
        }
        auto clockControl = std::make_unique<TOvClock>(&panel);
        clockControl->Loaded();
        clocks.push_back(std::move(clockControl));

        // A subscriber that destroys an LED from inside the tick.
        int key = 0;
        TOvLED* victim = leds.back().get();
        TOvFlashRegistry::Instance()->Register(&key, [&](quint32, qint64) {
            if (victim) {
                for (auto& l : leds)
                    if (l.get() == victim)
                        l.reset();
                victim = nullptr;
            }
        }, 20);

        QTest::qWait(5 + rounds % 20);
        TOvFlashRegistry* registry = TOvFlashRegistry::Instance();
        ASSERT_NE(registry, nullptr);
        ticksSeen += registry->TickCounter() > 0 ? 1 : 0;
        registry->Unregister(&key);
        for (std::size_t i = 0; i < leds.size(); i += 2)
            leds[i].reset();
        QCoreApplication::processEvents();
        leds.clear();
        counters.clear();
        clocks.clear();
        EXPECT_EQ(registry->Count(), 0);
        if (rounds % 7 == 3)
            TOvFlashRegistry::Shutdown();
        ++rounds;
    }
    EXPECT_GT(rounds, 5);
    EXPECT_GT(ticksSeen, 0u);
}
