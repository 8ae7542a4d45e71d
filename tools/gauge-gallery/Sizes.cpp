#include "tools/gauge-gallery/Sizes.h"

#include "gauges/OvArcMeters.h"
#include "gauges/OvBars.h"
#include "gauges/OvClock.h"
#include "gauges/OvColBitBtn.h"
#include "gauges/OvDial.h"
#include "gauges/OvGearDial.h"
#include "gauges/OvLED.h"
#include "gauges/OvMeters.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSlider.h"
#include "gauges/OvSwitch.h"
#include "gauges/OvTank.h"
#include "gauges/OvThermometer.h"
#include "gauges/OvValueInd.h"

#include <QLabel>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Room between the cells and for the name above each gauge.
constexpr int Gap = 10;
constexpr int LabelHeight = 16;
constexpr int RowWidth = 1180;

// One gauge of the page, made and configured as a form would.
struct TEntry {
    const char* Name;
    std::function<TControl*(QWidget*)> Make;
};

template <class T>
T* Analog(QWidget* parent, const char* caption, const char* unit, float value)
{
    auto* g = new T(parent);
    g->SetName1(QString::fromUtf8(caption));
    g->SetValueUnit(QString::fromUtf8(unit));
    g->Loaded();
    g->SetValue(value);
    return g;
}

std::vector<TEntry> Entries()
{
    return {
        { "TOvHSlider", [](QWidget* p) { return Analog<TOvHSlider>(p, "Throttle", "l/min", 35.0f); } },
        { "TOvVSlider", [](QWidget* p) { return Analog<TOvVSlider>(p, "Fader", "%", 70.0f); } },
        { "TOvGearDial", [](QWidget* p) { return Analog<TOvGearDial>(p, "Trim", "%", 60.0f); } },
        { "TOvValueInd", [](QWidget* p) { return Analog<TOvValueInd>(p, "Pressure", "bar", 72.5f); } },
        { "TOvHMeter", [](QWidget* p) { return Analog<TOvHMeter>(p, "Flow", "l/min", 35.0f); } },
        { "TOvVMeter", [](QWidget* p) { return Analog<TOvVMeter>(p, "Volts", "V", 45.0f); } },
        { "TOvFlexHMeter", [](QWidget* p) { return Analog<TOvFlexHMeter>(p, "Level", "%", 55.0f); } },
        { "TOvFlexVMeter", [](QWidget* p) { return Analog<TOvFlexVMeter>(p, "Fill", "%", 75.0f); } },
        { "TOv270Meter", [](QWidget* p) { return Analog<TOv270Meter>(p, "RPM x100", "", 62.0f); } },
        { "TOv180Meter", [](QWidget* p) { return Analog<TOv180Meter>(p, "Load", "%", 40.0f); } },
        { "TOv120Meter", [](QWidget* p) { return Analog<TOv120Meter>(p, "Output", "dB", 64.0f); } },
        { "TOvBar", [](QWidget* p) { return Analog<TOvBar>(p, "Temperature", "%", 48.0f); } },
        { "TOvVBar", [](QWidget* p) { return Analog<TOvVBar>(p, "Temperature", "%", 82.0f); } },
        { "TOvHBar", [](QWidget* p) { return Analog<TOvHBar>(p, "Signal", "%", 64.0f); } },
        { "TOvThermometer", [](QWidget* p) { return Analog<TOvThermometer>(p, "Temperature", "\u00B0C", 21.5f); } },
        { "TOvTank", [](QWidget* p) { return Analog<TOvTank>(p, "Tank 1", "m\u00B3", 64.0f); } },
        { "TOvColBitBtn",
          [](QWidget* p) {
              auto* b = new TOvColBitBtn(p);
              b->SetCaption(QStringLiteral("Emergency stop"));
              b->SetColorOn(clRed);
              b->Loaded();
              b->SetChecked(true);
              return b;
          } },
        { "TOvDial",
          [](QWidget* p) {
              auto* d = new TOvDial(p);
              d->SignalSettings().SetName1(QStringLiteral("Gain"));
              d->SignalSettings().SetName2(QStringLiteral("Channel 1"));
              d->Loaded();
              d->SetValue(42.0f);
              return d;
          } },
        { "TOvRockerSwitch",
          [](QWidget* p) {
              auto* r = new TOvRockerSwitch(p);
              r->SetText(QStringLiteral("Power"));
              r->Loaded();
              r->SetChecked(true);
              return r;
          } },
        { "TOvToggleSwitch",
          [](QWidget* p) {
              auto* t = new TOvToggleSwitch(p);
              t->Loaded();
              return t;
          } },
        { "TOvLED",
          [](QWidget* p) {
              auto* l = new TOvLED(p);
              l->SetCaption(QStringLiteral("Overload"));
              l->Loaded();
              l->SetChecked(true);
              return l;
          } },
        { "TOvClock",
          [](QWidget* p) {
              auto* c = new TOvClock(p);
              c->Loaded();
              return c;
          } },
        { "TOvOpHourCounter",
          [](QWidget* p) {
              auto* c = new TOvOpHourCounter(p);
              c->Loaded();
              c->SetTime(12, 34, 56);
              return c;
          } },
    };
}

QSize SizeFor(const QWidget& w, TGaugeSize size)
{
    switch (size) {
    case TGaugeSize::Minimum:
        return w.minimumSizeHint();
    case TGaugeSize::Preferred:
        return w.sizeHint();
    case TGaugeSize::Double:
        return 2 * w.sizeHint();
    }
    return w.sizeHint();
}

} // namespace

bool GaugeSizeFromName(const QString& name, TGaugeSize& size)
{
    if (name == QLatin1String("min"))
        size = TGaugeSize::Minimum;
    else if (name == QLatin1String("preferred"))
        size = TGaugeSize::Preferred;
    else if (name == QLatin1String("double"))
        size = TGaugeSize::Double;
    else
        return false;
    return true;
}

QWidget* BuildSizesWindow(TGaugeSize size)
{
    auto* window = new QWidget;
    const char* title = size == TGaugeSize::Minimum ? "minimum" : size == TGaugeSize::Preferred ? "preferred" : "double";
    window->setWindowTitle(QStringLiteral("Gauge gallery: every gauge at its %1 size").arg(QLatin1String(title)));
    // Cells flow left to right and wrap; each row is as high as its tallest cell.
    int x = Gap, y = Gap, rowHeight = 0, width = 0;
    for (const TEntry& e : Entries()) {
        TControl* g = e.Make(window);
        const QSize s = SizeFor(*g, size);
        const QString name = QString::fromLatin1(e.Name);
        auto* label = new QLabel(QStringLiteral("%1 %2x%3").arg(name).arg(s.width()).arg(s.height()), window);
        const int cellWidth = std::max(s.width(), label->sizeHint().width());
        if (x > Gap && x + cellWidth > RowWidth) {
            x = Gap;
            y += rowHeight + Gap;
            rowHeight = 0;
        }
        label->setGeometry(x, y, cellWidth, LabelHeight);
        g->SetBounds(x, y + LabelHeight, s.width(), s.height());
        x += cellWidth + Gap;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, LabelHeight + s.height());
    }
    window->setFixedSize(width, y + rowHeight + Gap);
    return window;
}
