#include "tools/gauge-gallery/MoreGauges.h"

#include "gauges/OvArcMeters.h"
#include "gauges/OvGearDial.h"
#include "gauges/OvMeters.h"
#include "gauges/OvSlider.h"
#include "gauges/OvValueInd.h"
#include "gauges/OvBars.h"
#include "gauges/OvColBitBtn.h"
#include "gauges/OvTank.h"
#include "gauges/OvThermometer.h"

#include <QGroupBox>

namespace {

constexpr int PanelHeight = 470;

template <class T>
T* Place(QWidget* parent, int l, int t, int w, int h)
{
    auto* g = new T(parent);
    g->SetBounds(l, t, w, h);
    return g;
}

} // namespace

QWidget* BuildMoreGaugesPanel(QWidget* parent, int left, int top, int width)
{
    auto* box = new QGroupBox(QStringLiteral("Further gauges"), parent);
    box->setGeometry(left, top, width, PanelHeight);

    // Operable: sliders and the gear dial drive the displays beside them.
    auto* hs = Place<TOvHSlider>(box, 8, 22, 200, 80);
    hs->SetName1(QStringLiteral("Throttle"));
    hs->Loaded();
    hs->SetValue(35.0f);
    auto* vs = Place<TOvVSlider>(box, 8, 108, 80, 210);
    vs->SetName1(QStringLiteral("Fader"));
    vs->Loaded();
    vs->SetValue(70.0f);
    auto* gear = Place<TOvGearDial>(box, 92, 108, 116, 150);
    gear->SetName1(QStringLiteral("Trim"));
    gear->SetValueUnit(QStringLiteral("%"));
    gear->Loaded();
    gear->SetValue(60.0f);

    auto* ind = Place<TOvValueInd>(box, 92, 262, 116, 56);
    ind->SetName1(QStringLiteral("Pressure"));
    ind->SetValueUnit(QStringLiteral("bar"));
    ind->Loaded();
    ind->SetValue(72.5f);

    auto* m270 = Place<TOv270Meter>(box, 214, 22, 150, 150);
    m270->SetName1(QStringLiteral("RPM x100"));
    m270->SetValueUnit(QString());
    m270->Loaded();
    m270->SetValue(62.0f);
    auto* m180 = Place<TOv180Meter>(box, 370, 22, 180, 110);
    m180->SetName1(QStringLiteral("Load"));
    m180->Loaded();
    m180->SetValue(40.0f);
    auto* m120 = Place<TOv120Meter>(box, 556, 22, 240, 120);
    m120->SetName1(QStringLiteral("VU"));
    m120->SetValueUnit(QStringLiteral("dB"));
    m120->SetValueFrom(-20.0f);
    m120->SetValueTo(5.0f);
    m120->SetLimitUpper(0.0f);
    m120->SetLimitLower(-15.0f);
    m120->Loaded();
    m120->SetValue(-3.0f);

    auto* hm = Place<TOvHMeter>(box, 370, 138, 220, 80);
    hm->SetName1(QStringLiteral("Flow"));
    hm->SetValueUnit(QStringLiteral("l/min"));
    hm->Loaded();
    hm->SetValue(35.0f);
    auto* fh = Place<TOvFlexHMeter>(box, 370, 224, 220, 70);
    fh->SetName1(QStringLiteral("Level"));
    fh->Loaded();
    for (float v : { 20.0f, 80.0f, 55.0f })
        fh->SetValue(v);
    auto* vm = Place<TOvVMeter>(box, 214, 178, 76, 200);
    vm->SetName1(QStringLiteral("Volts"));
    vm->SetValueUnit(QStringLiteral("V"));
    vm->Loaded();
    vm->SetValue(45.0f);
    auto* fv = Place<TOvFlexVMeter>(box, 294, 178, 70, 200);
    fv->SetName1(QStringLiteral("Fill"));
    fv->Loaded();
    for (float v : { 30.0f, 95.0f, 75.0f })
        fv->SetValue(v);

    // The sliders and the gear dial move displays.
    hs->SetValueIndicator(hm);
    vs->SetValueIndicator(fv);
    gear->SetValueIndicator(ind);

    auto* bar = Place<TOvBar>(box, 596, 148, 40, 146);
    bar->SetName1(QStringLiteral("CPU"));
    bar->Loaded();
    bar->SetValue(48.0f);
    auto* vb = Place<TOvVBar>(box, 640, 148, 60, 230);
    vb->SetName1(QStringLiteral("Peak"));
    vb->Loaded();
    vb->SetValue(82.0f);
    auto* hb = Place<TOvHBar>(box, 370, 300, 220, 60);
    hb->SetName1(QStringLiteral("Signal"));
    hb->Loaded();
    hb->SetValue(64.0f);
    auto* th = Place<TOvThermometer>(box, 704, 148, 92, 230);
    th->SetName1(QStringLiteral("Temp."));
    th->SetValueUnit(QStringLiteral("\u00B0C"));
    th->SetValueFrom(-20.0f);
    th->SetValueTo(60.0f);
    th->SetLimitUpper(45.0f);
    th->SetLimitLower(-5.0f);
    th->ScaleSettings().SetSteps(4);
    th->Loaded();
    th->SetValue(21.5f);
    auto* tank = Place<TOvTank>(box, 8, 324, 200, 140);
    tank->SetName1(QStringLiteral("Tank 1"));
    tank->SetValueUnit(QStringLiteral("m\u00B3"));
    tank->Loaded();
    tank->SetValue(64.0f);
    const char* names[] = { "Pump", "Valve", "Heater", "Alarm" };
    const TColor colours[] = { clLime, clAqua, clYellow, clRed };
    for (int i = 0; i < 4; ++i) {
        auto* b = Place<TOvColBitBtn>(box, 214 + (i % 2) * 76, 384, 72, 40);
        b->SetCaption(QString::fromLatin1(names[i]));
        b->SetColorOn(colours[i]);
        b->Loaded();
        b->SetChecked(i % 2 == 0);
        if (i >= 2)
            b->SetBounds(214 + (i - 2) * 76, 428, 72, 36);
    }
    return box;
}
