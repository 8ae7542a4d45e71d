// What library users and layouts meet: size hints, properties with notify
// signals, a transparent LED, greyed disabled dials, the value mapping of the
// signal settings.
#include "gauges/OvClock.h"
#include "gauges/OvDial.h"
#include "gauges/OvFlashT.h"
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSwitch.h"
#include "tests/support/TextInk.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPalette>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

TColor At(const QImage& image, int x, int y)
{
    return textink::ImagePixel(image, x, y);
}

int CountNear(const QImage& image, const TRect& r, TColor colour, int tolerance = 0)
{
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
            n += textink::Distance(At(image, x, y), colour) <= tolerance ? 1 : 0;
    return n;
}

} // namespace

// ---------------------------------------------------------------- size hints

TEST(SizeHints, DialAtItsMinimumStillShowsPointerAndValue)
{
    TOvDial d;
    d.SetColorNonFocus(RGB(250, 10, 10));
    d.Loaded();
    const QSize hint = d.sizeHint();
    const QSize minimum = d.minimumSizeHint();
    EXPECT_EQ(hint.width(), 113);
    EXPECT_GE(hint.height(), minimum.height());
    EXPECT_GT(minimum.width(), 20);
    EXPECT_LT(minimum.width(), hint.width());

    // At the minimum: the knob image is valid, the pointer and the value drawn.
    d.SetBounds(0, 0, minimum.width(), minimum.height());
    d.SetValue(75.0f);
    const QImage image = d.Snapshot();
    EXPECT_TRUE(d.BitmapValid());
    EXPECT_GT(d.KnobRect().Width(), 10);
    EXPECT_GT(CountNear(image, d.KnobRect(), RGB(250, 10, 10)), 0);
    const TRect value = d.ValueRect();
    ASSERT_FALSE(IsRectEmpty(value));
    EXPECT_GE(value.Left, 0);
    EXPECT_LE(value.Right, minimum.width());
    EXPECT_GT(textink::CountInk(image, value, d.FontValue().Color(), clBlack), 0);
    // The captions sit below the scale, inside the control.
    EXPECT_LE(d.KnobRect().Bottom, minimum.height());

    // One pixel narrower loses something the minimum keeps.
    d.SetBounds(0, 0, minimum.width() - 1, minimum.height());
    d.Snapshot();
    const bool knobLost = d.KnobRect().Width() <= 10;
    const bool boxLost = d.ValueRect().Left < 0 || d.ValueRect().Left - 2 < 0;
    EXPECT_TRUE(knobLost || boxLost || !d.BitmapValid());

    // Without the value box the minimum is set by the knob alone.
    TOvDial plain;
    plain.SetOptions({ opScale, opScaleText, opName2 });
    plain.Loaded();
    const QSize m2 = plain.minimumSizeHint();
    plain.SetBounds(0, 0, m2.width(), m2.height());
    plain.Snapshot();
    EXPECT_TRUE(plain.BitmapValid());
    EXPECT_LE(m2.width(), minimum.width());
}

TEST(SizeHints, DialHintFollowsOptionsAndFonts)
{
    TOvDial d;
    d.Loaded();
    const QSize base = d.sizeHint();
    d.SetOptions({ opScale, opScaleText });
    EXPECT_LT(d.sizeHint().height(), base.height()); // no value box, no captions
    d.SetOptions({ opBevelOuter, opUnit, opValue, opName1, opName2, opScale, opScaleText });
    EXPECT_EQ(d.sizeHint(), base);
    d.Font().SetSize(14); // taller captions
    EXPECT_GT(d.sizeHint().height(), base.height());

    // Asking for hints leaves the scale geometry of the current size alone.
    d.SetBounds(0, 0, 150, 200);
    d.Snapshot();
    const TPoint centre = d.ScaleSettings().ScaleCentre();
    const int tick = d.ScaleSettings().MajorTickLength();
    d.minimumSizeHint();
    d.sizeHint();
    EXPECT_EQ(d.ScaleSettings().ScaleCentre(), centre);
    EXPECT_EQ(d.ScaleSettings().MajorTickLength(), tick);
}

TEST(SizeHints, SwitchesHintTheirDesignedSizeAlongTheOrientation)
{
    TOvToggleSwitch t;
    t.Loaded();
    EXPECT_EQ(t.sizeHint(), QSize(25, 57));
    EXPECT_LE(t.minimumSizeHint().width(), 25);
    EXPECT_LE(t.minimumSizeHint().height(), 57);
    t.SetOrientation(boHorizontal);
    EXPECT_EQ(t.sizeHint(), QSize(57, 25));
    EXPECT_GT(t.minimumSizeHint().width(), t.minimumSizeHint().height());

    TOvRockerSwitch r;
    r.Loaded();
    EXPECT_EQ(r.sizeHint(), QSize(33, 81));
    // A caption wider than the face widens the hint, so it needs no condensing.
    r.SetText("Very wide caption");
    EXPECT_GT(r.sizeHint().width(), 33);
    EXPECT_EQ(r.sizeHint().height(), 81);
    r.SetLEDHeight(0); // no caption shown
    EXPECT_EQ(r.sizeHint(), QSize(33, 81));
    EXPECT_LE(r.minimumSizeHint().width(), 33);
}

TEST(SizeHints, LedHintsLampSpacingAndCaption)
{
    QWidget panel;
    TOvLED led(&panel);
    led.SetCaption("Overload");
    led.Loaded();
    const QSize hint = led.sizeHint();
    EXPECT_EQ(hint.width(), 13 + 5 + led.CaptionWidth());
    EXPECT_EQ(hint.height(), std::max(13, led.CaptionHeight()));
    EXPECT_LT(led.minimumSizeHint().width(), hint.width());
    EXPECT_GT(led.minimumSizeHint().width(), 13 + 5);
    led.SetLED_Position(lpTop);
    EXPECT_EQ(led.sizeHint().width(), led.CaptionWidth());
    EXPECT_EQ(led.sizeHint().height(), 13 + 5 + led.CaptionHeight());
    led.SetCaption("");
    EXPECT_EQ(led.sizeHint(), QSize(13, 13));
}

TEST(SizeHints, TimeDisplaysHintTheSizeTheyGrowTo)
{
    TOvOpHourCounter counter;
    counter.Loaded();
    counter.SetHourDigits(8);
    const QSize hint = counter.sizeHint();
    counter.Snapshot(); // grows to fit
    EXPECT_EQ(QSize(counter.Width(), counter.Height()), hint.expandedTo(QSize(113, 24)));
    EXPECT_EQ(counter.minimumSizeHint(), hint);

    TOvClock clock;
    clock.SetTimeSource([] { return QDateTime(QDate(2026, 12, 7), QTime(13, 5, 9)); });
    clock.SetClockOption(coDateTime);
    clock.Loaded();
    const QSize clockHint = clock.sizeHint();
    clock.Snapshot();
    EXPECT_EQ(QSize(clock.Width(), clock.Height()), clockHint.expandedTo(QSize(69, 24)));
    TOvFlashRegistry::Shutdown();
}

TEST(SizeHints, ControlsInAQtLayoutGetAtLeastTheirMinimum)
{
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* dial = new TOvDial(&window);
    auto* led = new TOvLED(&window);
    auto* rocker = new TOvRockerSwitch(&window);
    auto* toggle = new TOvToggleSwitch(&window);
    led->SetCaption("Overload");
    rocker->SetText("Hold");
    for (TControl* c : std::initializer_list<TControl*>{ dial, led, rocker, toggle }) {
        c->Loaded();
        row->addWidget(c);
    }
    window.resize(10, 10); // far too small: the layout keeps the minimums
    window.show();
    QCoreApplication::processEvents();
    for (TControl* c : std::initializer_list<TControl*>{ dial, led, rocker, toggle }) {
        EXPECT_GE(c->Width(), c->minimumSizeHint().width()) << c->metaObject()->className();
        EXPECT_GE(c->Height(), c->minimumSizeHint().height()) << c->metaObject()->className();
    }
    dial->Snapshot();
    EXPECT_TRUE(dial->BitmapValid()); // the pointer is still drawn
}

// ---------------------------------------------------------------- properties

TEST(Properties, ValuesStatesAndSettingsAreBindable)
{
    TOvDial d;
    d.Loaded();
    QSignalSpy values(&d, &TOvAnalogCControl::valueChanged);
    QSignalSpy settings(&d, &TOvCustomControl::settingsChanged);
    EXPECT_TRUE(d.setProperty("Value", 42.0f));
    EXPECT_FLOAT_EQ(d.Value(), 42.0f);
    ASSERT_EQ(values.count(), 1);
    EXPECT_FLOAT_EQ(values.at(0).at(0).toFloat(), 42.0f);
    EXPECT_TRUE(d.setProperty("ValueTo", 200.0f));
    EXPECT_FLOAT_EQ(d.SignalSettings().ValueTo(), 200.0f);
    EXPECT_GE(settings.count(), 1);
    EXPECT_TRUE(d.setProperty("Name2", QStringLiteral("Gain")));
    EXPECT_EQ(d.SignalSettings().Name2(), "Gain");
    EXPECT_TRUE(d.setProperty("PointerType", QVariant::fromValue(dpTriangle)));
    EXPECT_EQ(d.PointerType(), dpTriangle);
    EXPECT_TRUE(d.setProperty("Options", 1 | 32));
    EXPECT_TRUE(d.Options().Contains(opScale));
    EXPECT_FALSE(d.Options().Contains(opValue));
    const QMetaProperty value = d.metaObject()->property(d.metaObject()->indexOfProperty("Value"));
    EXPECT_TRUE(value.hasNotifySignal());
    // Enumerations show by name, as a form designer lists them.
    const QMetaProperty pointer = d.metaObject()->property(d.metaObject()->indexOfProperty("PointerType"));
    ASSERT_TRUE(pointer.isEnumType());
    EXPECT_STREQ(pointer.enumerator().valueToKey(dpLine), "dpLine");
    EXPECT_TRUE(d.setProperty("PointerType", "dpLine"));
    EXPECT_EQ(d.PointerType(), dpLine);

    QWidget panel;
    TOvLED led(&panel);
    led.Loaded();
    QSignalSpy checked(&led, &TOvBinGControl::checkedChanged);
    QSignalSpy status(&led, &TOvBinGControl::statusIntChanged);
    EXPECT_TRUE(led.setProperty("Checked", true));
    EXPECT_TRUE(led.Checked());
    EXPECT_EQ(checked.count(), 1);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(led.property("StatusInt").toInt(), 1);
    EXPECT_TRUE(led.setProperty("ColorOn", int(clRed)));
    EXPECT_EQ(led.LED().ColorOn(), clRed);

    TOvToggleSwitch sw(&panel);
    sw.Loaded();
    EXPECT_TRUE(sw.setProperty("Orientation", QVariant::fromValue(boHorizontal)));
    EXPECT_EQ(sw.Width(), 57);
    EXPECT_TRUE(sw.setProperty("TextOn", QStringLiteral("I")));
    EXPECT_EQ(sw.TextOn(), "I");

    TOvOpHourCounter counter(&panel);
    counter.Loaded();
    QSignalSpy time(&counter, &TOvOpHourCounter::timeChanged);
    counter.SetTime(0, 0, 5);
    EXPECT_EQ(time.count(), 1);
    EXPECT_EQ(counter.property("TimeText").toString(), "0000h:00m:05s");
}

// ---------------------------------------------------------------- look

TEST(Look, LedOnADarkParentLeavesThePanelAroundItsLamp)
{
    QWidget panel;
    panel.resize(120, 60);
    QPalette dark = panel.palette();
    const QColor navy(10, 20, 60);
    dark.setColor(QPalette::Window, navy);
    panel.setPalette(dark);
    panel.setAutoFillBackground(true);
    TOvLED led(&panel);
    led.SetBounds(20, 10, 73, 33);
    led.SetCaption("");
    led.LED().SetColorOn(clLime);
    led.Loaded();

    auto check = [&](const char* when) {
        const QImage shown = panel.grab().toImage();
        const TRect lamp = led.FlashRect();
        int touched = 0;
        for (int y = 0; y < led.Height(); ++y)
            for (int x = 0; x < led.Width(); ++x)
                if (!PtInRect(lamp, Point(x, y)))
                    touched += At(shown, 20 + x, 10 + y) != QColorToColor(navy) ? 1 : 0;
        EXPECT_EQ(touched, 0) << when;
        const TRect r = led.LampRect();
        EXPECT_EQ(At(shown, 20 + (r.Left + r.Right) / 2, 10 + (r.Top + r.Bottom) / 2),
                  led.Checked() ? clLime : ColorToRGB(clBtnFace))
            << when;
    };
    check("off");
    led.SetChecked(true); // the fast lamp redraw
    check("on");
    led.SetFlashing(true);
    TOvFlashRegistry::Shutdown();
}

TEST(Look, DisabledDialGreysLabelsCaptionsAndPointer)
{
    TOvDial d;
    d.SetBounds(0, 0, 113, 161);
    d.ScaleSettings().SetColor(clBlue); // ticks blue: black is text only
    d.ScaleSettings().Font().SetColor(clBlack);
    d.Font().SetColor(clBlack);
    d.SetOptions({ opName1, opName2, opScale, opScaleText });
    d.Loaded();
    const TRect all = Rect(0, 0, 113, 161);
    const QImage enabled = d.Snapshot();
    EXPECT_GT(textink::CountInk(enabled, all, clBlack, clBtnFace), 20);

    d.SetEnabled(false);
    const QImage disabled = d.Snapshot();
    EXPECT_EQ(textink::CountInk(disabled, all, clBlack, clBtnFace), 0);
    EXPECT_GT(CountNear(disabled, all, ColorToRGB(clGrayText), 40), 20);
    EXPECT_EQ(d.PointerColor(), clBtnShadow);
    // Ticks keep their colour.
    EXPECT_GT(CountNear(disabled, all, clBlue), 0);
}

// ---------------------------------------------------------------- range mapping

TEST(SignalRange, ValuesAndDigitsMapAndClampInOnePlace)
{
    TSignalSettings s;
    s.SetDigitalFrom(2);
    s.SetDigitalTo(7);
    s.SetValueFrom(2.0f);
    s.SetValueTo(7.0f);
    EXPECT_EQ(s.DigitOfValue(4.4), 4);
    EXPECT_EQ(s.DigitOfValue(4.5), 4); // ties to even
    EXPECT_EQ(s.DigitOfValue(5.5), 6);
    EXPECT_FLOAT_EQ(s.ValueOfDigit(4), 4.0f);
    EXPECT_EQ(s.ClampDigit(100), 7);
    EXPECT_EQ(s.ClampDigit(-100), 2);
    EXPECT_EQ(s.ClampDigit(std::numeric_limits<long long>::max()), 7);
    EXPECT_FLOAT_EQ(s.ClampValue(9.0f), 7.0f);
    EXPECT_FLOAT_EQ(s.ClampValue(-1.0f), 2.0f);
    EXPECT_EQ(s.DigitOfFraction(0.0), 2);
    EXPECT_EQ(s.DigitOfFraction(1.0), 7);
    EXPECT_EQ(s.DigitOfFraction(0.5), 4); // 2.5 rounds to even
    EXPECT_EQ(s.PerMilleOfDigit(7), 1000);
    EXPECT_EQ(s.PerMilleOfDigit(2), 0);
    EXPECT_EQ(s.DigitOfValue(1e30), std::numeric_limits<int>::max()); // saturates

    // Logarithmic: 1 .. 1000 over 3000 digits, 1000 digits per decade.
    TSignalSettings l;
    l.SetDigitalTo(3000);
    l.SetValueFrom(1.0f);
    l.SetValueTo(1000.0f);
    EXPECT_NEAR(l.LogFactor(), 1000.0, 1e-9);
    EXPECT_EQ(l.LogDigitOfValue(10.0, l.LogFactor()), 1000);
    EXPECT_NEAR(l.LogValueOfDigit(2000, l.LogFactor()), 100.0f, 1e-3);
    // No factor for a range touching zero.
    TSignalSettings z;
    EXPECT_EQ(z.LogFactor(), 0.0);
}
