// Accessibility of the gauges: what a screen reader or test tool sees of
// each control through QAccessible, and the change notifications the
// controls send. The gauge bases install the interface factory when the
// first gauge is made, so a program needs no set-up of its own.
//
// - Operable analog controls (dials, gear dial, sliders): role Dial or
//   Slider, with a value interface (Value, ValueFrom..ValueTo, the step of
//   ChangeSmall digits); setting the value through it is a user's change.
// - Analog displays (meters, bars, tank, thermometer, value indicator):
//   role Indicator, with a read-only value interface.
// - Switches: role CheckBox, checkable, checked with Checked; the toggle
//   and press actions click them. Other two-state buttons: role Button.
// - LEDs: role Indicator, value text "On" or "Off" (checked while on).
// - Clock and operating-hour counter: role StaticText, value text as shown.
//
// Names: the widget's accessibleName when set, else the control's caption
// (for analog controls the second name, then the first), else the
// component name.
#pragma once

#include "gauges/GaugesExport.h"

#include <QString>
#include <QVariant>

class QAccessibleEvent;
class QObject;

namespace OvAccessible {

// Installs the factory (once; later calls do nothing).
VELQUOR_GAUGES_EXPORT void Install();

// Change notifications from the controls' change paths. They cost nothing
// while no assistive tool listens.
VELQUOR_GAUGES_EXPORT void ValueChanged(QObject* control, const QVariant& value);
VELQUOR_GAUGES_EXPORT void CheckedChanged(QObject* control);

// Where the notifications go: QAccessible::updateAccessibility (which passes
// them on only while an assistive tool is active), or the given sink, for
// recording tools and tests. Returns the previous sink; null restores Qt's.
using EventSink = void (*)(QAccessibleEvent* event);
VELQUOR_GAUGES_EXPORT EventSink SetEventSink(EventSink sink);

// The name the control is announced with.
VELQUOR_GAUGES_EXPORT QString NameOf(const QObject* control);

} // namespace OvAccessible
