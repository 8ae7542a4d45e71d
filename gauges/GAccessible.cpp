#include "gauges/GAccessible.h"

#include "gauges/GBaseControls.h"
#include "gauges/OvClock.h"
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSlider.h"
#include "gauges/OvSwitch.h"
#include "gauges/OvTimeDisplay.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>
#include <mutex>

namespace {

QString Caption(const QString& text)
{
    // Rocker captions break lines at "|".
    QString s = text;
    s.replace(QLatin1Char('|'), QLatin1Char(' '));
    return s.simplified();
}

// The value model shared by the operable and the display analog bases.
struct AnalogValues {
    float Value = 0, From = 0, To = 0, Step = 0;
    QString Text, Unit;
};

AnalogValues ValuesOf(const QObject* o)
{
    AnalogValues v;
    auto fill = [&v](const auto* c, int smallDigits) {
        v.Value = c->Value();
        v.From = c->SignalSettings().ValueFrom();
        v.To = c->SignalSettings().ValueTo();
        const int digits = c->SignalSettings().DigitalTo() - c->SignalSettings().DigitalFrom();
        v.Step = digits != 0 ? (v.To - v.From) / float(digits) * float(smallDigits) : 0.0f;
        if (v.Step < 0)
            v.Step = -v.Step;
        v.Text = c->ValueText();
        v.Unit = c->SignalSettings().ValueUnit();
    };
    if (auto* c = dynamic_cast<const TOvAnalogCControl*>(o))
        fill(c, c->ChangeSmall());
    else if (auto* g = dynamic_cast<const TOvAnalogGControl*>(o))
        fill(g, 1);
    return v;
}

// Dials, sliders and analog displays.
class AnalogAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    AnalogAccessible(QWidget* w, QAccessible::Role role, bool operable)
        : QAccessibleWidget(w, role), FOperable(operable) { }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return OvAccessible::NameOf(object());
        case QAccessible::Value: {
            const AnalogValues v = ValuesOf(object());
            return v.Unit.isEmpty() ? v.Text : v.Text + QLatin1Char(' ') + v.Unit;
        }
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = !FOperable;
        return s;
    }

    QVariant currentValue() const override { return double(ValuesOf(object()).Value); }
    void setCurrentValue(const QVariant& value) override
    {
        // A change through an assistive tool is a user's change: the
        // control's own setter runs its events.
        if (!FOperable || !widget()->isEnabled())
            return;
        if (auto* c = dynamic_cast<TOvAnalogCControl*>(object()))
            c->SetValue(value.toFloat());
    }
    QVariant maximumValue() const override
    {
        const AnalogValues v = ValuesOf(object());
        return double(std::max(v.From, v.To));
    }
    QVariant minimumValue() const override
    {
        const AnalogValues v = ValuesOf(object());
        return double(std::min(v.From, v.To));
    }
    QVariant minimumStepSize() const override { return double(ValuesOf(object()).Step); }

private:
    bool FOperable;
};

// Switches, two-state buttons and LEDs.
class TwoStateAccessible : public QAccessibleWidget {
public:
    TwoStateAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) { }

    TOvBinGControl* Control() const { return static_cast<TOvBinGControl*>(object()); }
    bool IsIndicator() const { return Control()->Mode() == mIndicator; }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return OvAccessible::NameOf(object());
        case QAccessible::Value:
            return Control()->Checked() ? QStringLiteral("On") : QStringLiteral("Off");
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const TMode m = Control()->Mode();
        s.checkable = m == mSwitch || m == mRadioButton || m == mIndicator;
        s.checked = Control()->Checked();
        s.pressed = Control()->Pressed();
        s.readOnly = m == mIndicator;
        return s;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (IsIndicator() || !widget()->isEnabled())
            return names;
        names.prepend(role() == QAccessible::CheckBox ? toggleAction() : pressAction());
        return names;
    }

    void doAction(const QString& name) override
    {
        if ((name == toggleAction() || name == pressAction()) && !IsIndicator()) {
            Control()->Toggle();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

// Clock and operating-hour counter.
class TimeAccessible : public QAccessibleWidget {
public:
    explicit TimeAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) { }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return OvAccessible::NameOf(object());
        case QAccessible::Value:
            return static_cast<const TOvTimeDisplay*>(object())->ShownText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* Factory(const QString& key, QObject* o)
{
    // Decided once, at the most derived class, from what the object is.
    if (!o || !o->isWidgetType() || key != QLatin1String(o->metaObject()->className()))
        return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (dynamic_cast<TOvSlider*>(o))
        return new AnalogAccessible(w, QAccessible::Slider, true);
    if (dynamic_cast<TOvAnalogCControl*>(o))
        return new AnalogAccessible(w, QAccessible::Dial, true);
    if (dynamic_cast<TOvAnalogGControl*>(o))
        return new AnalogAccessible(w, QAccessible::Indicator, false);
    if (dynamic_cast<TOvSwitch*>(o))
        return new TwoStateAccessible(w, QAccessible::CheckBox);
    if (auto* b = dynamic_cast<TOvBinGControl*>(o))
        return new TwoStateAccessible(w, b->Mode() == mIndicator ? QAccessible::Indicator : QAccessible::Button);
    if (dynamic_cast<TOvTimeDisplay*>(o))
        return new TimeAccessible(w);
    return nullptr;
}

OvAccessible::EventSink Sink = nullptr;

void Send(QAccessibleEvent& e)
{
    if (Sink)
        Sink(&e);
    else
        QAccessible::updateAccessibility(&e);
}

// Notifications wait until the control is complete: an interface made
// while a constructor runs would be made for the wrong class and cached.
bool Announceable(QObject* o)
{
    auto* c = dynamic_cast<TControl*>(o);
    return c && !c->Loading() && !c->Destroying();
}

} // namespace

namespace OvAccessible {

void Install()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(Factory); });
}

void ValueChanged(QObject* control, const QVariant& value)
{
    if (!Announceable(control))
        return;
    QAccessibleValueChangeEvent e(control, value);
    Send(e);
}

void CheckedChanged(QObject* control)
{
    if (!Announceable(control))
        return;
    // The event names the state that changed; the reader asks for its value.
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent e(control, changed);
    Send(e);
}

EventSink SetEventSink(EventSink sink)
{
    const EventSink previous = Sink;
    Sink = sink;
    return previous;
}

QString NameOf(const QObject* control)
{
    auto* w = qobject_cast<const QWidget*>(control);
    if (!w)
        return {};
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    QString name;
    if (auto* c = dynamic_cast<const TOvAnalogCControl*>(control))
        name = !c->Name2().isEmpty() ? c->Name2() : c->Name1();
    else if (auto* g = dynamic_cast<const TOvAnalogGControl*>(control))
        name = !g->SignalSettings().Name2().isEmpty() ? g->SignalSettings().Name2() : g->SignalSettings().Name1();
    else if (auto* t = dynamic_cast<const TControl*>(control))
        name = Caption(t->Text());
    if (name.isEmpty()) {
        if (dynamic_cast<const TOvClock*>(control))
            name = QStringLiteral("Clock");
        else if (dynamic_cast<const TOvOpHourCounter*>(control))
            name = QStringLiteral("Operating hours");
        else
            name = w->objectName();
    }
    return name;
}

} // namespace OvAccessible
