// What assistive tools and the keyboard get from the gauges: roles, names,
// values and states through QAccessible, the change notifications, Space on
// a focused switch, and the focus rectangle.
#include "gauges/GAccessible.h"
#include "gauges/OvClock.h"
#include "gauges/OvDial.h"
#include "gauges/OvLED.h"
#include "gauges/OvMeters.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSlider.h"
#include "gauges/OvSwitch.h"

#include <QAccessible>
#include <QApplication>
#include <QDateTime>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Records the notifications while alive.
struct EventLog {
    struct Entry {
        QObject* Object;
        QAccessible::Event Type;
        QVariant Value;
        bool CheckedChanged;
    };
    static std::vector<Entry>& Entries()
    {
        static std::vector<Entry> e;
        return e;
    }
    static void Handler(QAccessibleEvent* e)
    {
        Entry x { e->object(), e->type(), {}, false };
        if (e->type() == QAccessible::ValueChanged)
            x.Value = static_cast<QAccessibleValueChangeEvent*>(e)->value();
        if (e->type() == QAccessible::StateChanged)
            x.CheckedChanged = static_cast<QAccessibleStateChangeEvent*>(e)->changedStates().checked;
        Entries().push_back(x);
    }
    EventLog()
    {
        Entries().clear();
        OvAccessible::SetEventSink(&EventLog::Handler);
    }
    ~EventLog() { OvAccessible::SetEventSink(nullptr); }
    int Count(QObject* o, QAccessible::Event t) const
    {
        int n = 0;
        for (const Entry& e : Entries())
            n += e.Object == o && e.Type == t;
        return n;
    }
    const Entry* Last(QObject* o, QAccessible::Event t) const
    {
        const Entry* found = nullptr;
        for (const Entry& e : Entries())
            if (e.Object == o && e.Type == t)
                found = &e;
        return found;
    }
};

QAccessibleInterface* Iface(QObject* o)
{
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(o);
    EXPECT_NE(i, nullptr);
    return i;
}

// A top-level host that holds the keyboard focus.
struct FocusHost {
    QWidget Window;
    FocusHost() { Window.resize(200, 200); }
    void Show()
    {
        Window.show();
        QApplication::setActiveWindow(&Window);
        Window.activateWindow();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST(GaugeAccessibility, DialShowsItsValueRangeAndStepAndTakesValuesAsAUserChange)
{
    TOvDial dial;
    dial.SetName2(QStringLiteral("Gain x10"));
    dial.SignalSettings().SetDigitalFrom(1);
    dial.SignalSettings().SetDigitalTo(6);
    dial.SignalSettings().SetValueFrom(1.0f);
    dial.SignalSettings().SetValueTo(6.0f);
    dial.SetValue(3.0f);
    dial.Loaded();
    int changes = 0;
    dial.SetOnValueChange([&](QObject*) { ++changes; });

    QAccessibleInterface* a = Iface(&dial);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->role(), QAccessible::Dial);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Gain x10"));
    EXPECT_TRUE(a->state().focusable);
    EXPECT_FALSE(a->state().readOnly);
    QAccessibleValueInterface* v = a->valueInterface();
    ASSERT_TRUE(v);
    EXPECT_DOUBLE_EQ(v->currentValue().toDouble(), 3.0);
    EXPECT_DOUBLE_EQ(v->minimumValue().toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(v->maximumValue().toDouble(), 6.0);
    EXPECT_DOUBLE_EQ(v->minimumStepSize().toDouble(), 1.0);

    v->setCurrentValue(5.0);
    EXPECT_FLOAT_EQ(dial.Value(), 5.0f);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(a->text(QAccessible::Value).startsWith(dial.ValueText()));

    // An explicit accessible name wins over the caption.
    dial.setAccessibleName(QStringLiteral("Channel 1 Gain x10"));
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Channel 1 Gain x10"));
}

TEST(GaugeAccessibility, SliderAndMeterRoles)
{
    TOvHSlider slider;
    slider.Loaded();
    QAccessibleInterface* s = Iface(&slider);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->role(), QAccessible::Slider);
    ASSERT_TRUE(s->valueInterface());

    TOvHMeter meter;
    meter.SetValue(42.0f);
    meter.Loaded();
    QAccessibleInterface* m = Iface(&meter);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->role(), QAccessible::Indicator);
    EXPECT_TRUE(m->state().readOnly);
    ASSERT_TRUE(m->valueInterface());
    EXPECT_DOUBLE_EQ(m->valueInterface()->currentValue().toDouble(), 42.0);
    // A display ignores values offered from outside.
    m->valueInterface()->setCurrentValue(10.0);
    EXPECT_FLOAT_EQ(meter.Value(), 42.0f);
}

TEST(GaugeAccessibility, SwitchesAreCheckBoxesAndLedsIndicators)
{
    TOvRockerSwitch rocker;
    rocker.SetText(QStringLiteral("Filter|On"));
    rocker.Loaded();
    int clicks = 0;
    rocker.SetOnClick([&](QObject*) { ++clicks; });
    QAccessibleInterface* r = Iface(&rocker);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->role(), QAccessible::CheckBox);
    EXPECT_EQ(r->text(QAccessible::Name), QStringLiteral("Filter On"));
    EXPECT_TRUE(r->state().checkable);
    EXPECT_FALSE(r->state().checked);
    EXPECT_TRUE(r->state().focusable);
    ASSERT_TRUE(r->actionInterface());
    EXPECT_TRUE(r->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    r->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(rocker.Checked());
    EXPECT_TRUE(r->state().checked);
    EXPECT_EQ(clicks, 1);
    rocker.SetEnabled(false);
    r->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(rocker.Checked());

    TOvLED led;
    led.SetText(QStringLiteral("Overload"));
    led.Loaded();
    QAccessibleInterface* l = Iface(&led);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->role(), QAccessible::Indicator);
    EXPECT_EQ(l->text(QAccessible::Name), QStringLiteral("Overload"));
    EXPECT_EQ(l->text(QAccessible::Value), QStringLiteral("Off"));
    EXPECT_FALSE(l->state().focusable);
    led.SetChecked(true);
    EXPECT_EQ(l->text(QAccessible::Value), QStringLiteral("On"));
    EXPECT_TRUE(l->state().checked);
    EXPECT_FALSE(l->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
}

TEST(GaugeAccessibility, ClockAndHourCounterReadTheirShownText)
{
    TOvClock clock;
    clock.SetTimeSource([] { return QDateTime(QDate(2026, 3, 4), QTime(13, 14, 15)); });
    clock.Loaded();
    (void)clock.Snapshot();
    QAccessibleInterface* c = Iface(&clock);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->role(), QAccessible::StaticText);
    EXPECT_EQ(c->text(QAccessible::Name), QStringLiteral("Clock"));
    EXPECT_TRUE(c->text(QAccessible::Value).contains(QStringLiteral("13")));
    EXPECT_EQ(c->text(QAccessible::Value), clock.ShownText());

    TOvOpHourCounter counter;
    counter.IniSettings().SetAutoLoadSave(false);
    counter.SetSeparatorChar(QStringLiteral(":"));
    counter.Loaded();
    counter.SetTime(1, 2, 3);
    QAccessibleInterface* h = Iface(&counter);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->role(), QAccessible::StaticText);
    EXPECT_EQ(h->text(QAccessible::Name), QStringLiteral("Operating hours"));
    EXPECT_EQ(h->text(QAccessible::Value), counter.ShownText());
    EXPECT_TRUE(h->text(QAccessible::Value).contains(QStringLiteral("02")));
}

TEST(GaugeAccessibility, ChangesAreNotifiedOnlyOnceTheControlIsComplete)
{
    EventLog log;
    TOvDial dial;
    TOvToggleSwitch toggle;
    toggle.SetChecked(true); // still loading: nothing announced
    EXPECT_EQ(log.Count(&toggle, QAccessible::StateChanged), 0);
    dial.Loaded();
    toggle.Loaded();

    dial.SetValue(70.0f);
    const EventLog::Entry* v = log.Last(&dial, QAccessible::ValueChanged);
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->Value.toDouble(), 70.0);
    // The event's interface is the dial's, not a base class's.
    ASSERT_NE(Iface(&dial), nullptr);
    EXPECT_EQ(Iface(&dial)->role(), QAccessible::Dial);

    toggle.SetChecked(false);
    const EventLog::Entry* s = log.Last(&toggle, QAccessible::StateChanged);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->CheckedChanged);
    toggle.SetChecked(false); // unchanged: no second event
    EXPECT_EQ(log.Count(&toggle, QAccessible::StateChanged), 1);

    TOvHMeter meter;
    meter.Loaded();
    meter.SetValue(12.0f);
    ASSERT_NE(log.Last(&meter, QAccessible::ValueChanged), nullptr);
    EXPECT_DOUBLE_EQ(log.Last(&meter, QAccessible::ValueChanged)->Value.toDouble(), 12.0);
}

TEST(GaugeKeyboard, SpaceOnAFocusedSwitchClicksItOnce)
{
    FocusHost host;
    auto* toggle = new TOvToggleSwitch(&host.Window);
    auto* led = new TOvLED(&host.Window);
    toggle->Loaded();
    led->Loaded();
    EXPECT_EQ(toggle->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(led->focusPolicy(), Qt::NoFocus);
    int clicks = 0;
    bool checkedAtClick = false;
    toggle->SetOnClick([&](QObject*) {
        ++clicks;
        checkedAtClick = toggle->Checked();
    });
    host.Show();
    toggle->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(toggle->hasFocus());

    // The press changes the state, the release clicks (the handler reads the new state).
    QTest::keyPress(toggle, Qt::Key_Space);
    EXPECT_TRUE(toggle->Checked());
    EXPECT_EQ(clicks, 0);
    // A held key: its repeats change nothing.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(toggle, &repeat);
    EXPECT_TRUE(toggle->Checked());
    QTest::keyRelease(toggle, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(checkedAtClick);
    QTest::keyClick(toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle->Checked());
    EXPECT_EQ(clicks, 2);

    // Other keys go on to the parent.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(toggle, &enter);
    EXPECT_FALSE(enter.isAccepted());

    // A switch without TabStop is left out of the focus chain.
    toggle->SetTabStop(false);
    EXPECT_EQ(toggle->focusPolicy(), Qt::NoFocus);
}

TEST(GaugeKeyboard, FocusRectangleShowsOnlyWhileFocused)
{
    FocusHost host;
    auto* rocker = new TOvRockerSwitch(&host.Window);
    auto* other = new TOvToggleSwitch(&host.Window);
    rocker->SetBounds(10, 10, 27, 47);
    other->SetBounds(60, 10, 33, 20);
    rocker->Loaded();
    other->Loaded();
    host.Show();
    other->setFocus(Qt::TabFocusReason);
    const QImage unfocused = rocker->Snapshot();

    rocker->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rocker->hasFocus());
    const QImage focused = rocker->Snapshot();
    ASSERT_EQ(focused.size(), unfocused.size());
    // Dotted along the edge, two pixels deep: black and white alternate; the
    // inside is untouched.
    const int w = focused.width(), h = focused.height();
    int black = 0, white = 0;
    for (int x = 0; x < w; ++x) {
        black += focused.pixelColor(x, 0) == Qt::black;
        white += focused.pixelColor(x, 0) == Qt::white;
    }
    EXPECT_GE(black, w / 2 - 1);
    EXPECT_GE(white, w / 2 - 1);
    EXPECT_EQ(focused.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(focused.pixelColor(1, 0), QColor(Qt::white));
    EXPECT_EQ(focused.pixelColor(1, 1), QColor(Qt::black));
    EXPECT_EQ(focused.pixelColor(2, 1), QColor(Qt::white));
    EXPECT_EQ(focused.copy(2, 2, w - 4, h - 4), unfocused.copy(2, 2, w - 4, h - 4));
    // The widget as shown on screen carries the same rectangle.
    const QImage shown = rocker->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(1, 0), QColor(Qt::white));

    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(rocker->Snapshot(), unfocused);
}
