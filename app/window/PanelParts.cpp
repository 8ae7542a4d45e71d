#include "app/window/PanelParts.h"

#include <cmath>

int PanelScale::Edge(int v) const
{
    return static_cast<int>(std::trunc(v * factor_));
}

QRect PanelScale::Rect(int left, int top, int width, int height) const
{
    const int l = Edge(left);
    const int t = Edge(top);
    return QRect(l, t, Edge(left + width) - l, Edge(top + height) - t);
}

int PanelScale::FontPoints(int designPixelHeight) const
{
    return static_cast<int>(std::lround(designPixelHeight * factor_ * 0.75));
}

TFont TPanelParts::Font(const QString& name, int designPixels, TColor color, TFontStyles style) const
{
    return TFont(name, s_.FontPoints(designPixels), color, style);
}

void TPanelParts::Place(QWidget* w, int l, int t, int width, int height) const
{
    w->setGeometry(s_.Rect(l, t, width, height));
}

void TPanelParts::Place(TControl* c, int l, int t, int width, int height) const
{
    const QRect r = s_.Rect(l, t, width, height);
    c->SetBounds(r.x(), r.y(), r.width(), r.height());
}

QSlider* TPanelParts::TrackBar(QWidget* parent, int l, int t) const
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    Place(bar, l, t, 79, 20);
    bar->setRange(1, 40);
    bar->setValue(1);
    // Page Up / Page Down and a click on the groove move five positions (gain 50), as a
    // dial's Page keys move five steps; a page of one position was no more than an arrow.
    bar->setPageStep(5);
    bar->setSingleStep(1);
    bar->setTickPosition(QSlider::NoTicks);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

void TPanelParts::DialLook(TOvDial* d, TColor valueColor) const
{
    d->BevelOuter().SetStyle(bsRaised);
    d->BevelOuter().SetSpacing(5);
    d->BevelOuter().SetWidth(2);
    d->BevelOuter().SetBevelLine(blOuter);
    d->BevelValue().SetStyle(bsLowered);
    d->BevelValue().SetColor(clBlack);
    d->BevelValue().SetWidth(2);
    d->BevelDial().SetStyle(bsRaised);
    d->BevelDial().SetColor(clSkyBlue);
    d->BevelDial().SetSpacing(1);
    d->BevelDial().SetWidth(2);
    d->BevelDial().SetColorShadowFrom(clBtnHighlight);
    d->BevelDial().SetPenColor(clBtnShadow);
    // The captions keep the dial's own font (MS Sans Serif, 10 pt: the design's 11 pixels at
    // the window's scale).
    d->SetFontValue(Font(QStringLiteral("System"), 17, valueColor, fsBold));
    d->SetOptions({opUnit, opName2, opScale, opScaleText});
    TScaleSettings& scale = d->ScaleSettings();
    scale.SetColor(clBlack);
    scale.SetPointerColor(clLime);
    scale.SetFont(Font(QStringLiteral("Arial"), 13, clNavy));
    scale.SetSteps(5);
    scale.SetSubSteps(2);
    scale.SetValueFormat(QStringLiteral("##0"));
    d->SignalSettings().SetValueFormat(QStringLiteral("##0.0"));
    d->SignalSettings().SetValueUnit(QStringLiteral("%"));
    d->SetPointerType(dpLine);
    d->SetPointerSize(s_.Edge(10));
    d->SetColorFocus(clRed);
    d->SetEnableKeyboard(true);
    d->SetEnabledKeys({vkPrior, vkNext, vkEnd, vkHome, vkLeft, vkDown, vkUp, vkRight});
}

TOvDial* TPanelParts::Dial(QWidget* parent, const QString& name, int l, int t, int w, int h, int digitalFrom,
                           int digitalTo, float valueFrom, float valueTo, float value, int changeLarge,
                           const QString& name2, TColor valueColor, int subSteps, const QString& scaleFormat) const
{
    auto* d = new TOvDial(parent);
    d->SetName(name);
    Place(d, l, t, w, h);
    DialLook(d, valueColor);
    d->ScaleSettings().SetSubSteps(subSteps);
    d->ScaleSettings().SetValueFormat(scaleFormat);
    TSignalSettings& sig = d->SignalSettings();
    sig.SetDigitalFrom(digitalFrom);
    sig.SetDigitalTo(digitalTo);
    sig.SetValueFrom(valueFrom);
    sig.SetValueTo(valueTo);
    sig.SetName2(name2);
    d->SetChangeLarge(changeLarge);
    d->SetValue(value);
    d->Loaded();
    return d;
}

TOvRockerSwitch* TPanelParts::Rocker(QWidget* parent, const QString& name, int l, int t, int w, int h) const
{
    auto* s = new TOvRockerSwitch(parent);
    s->SetName(name);
    s->SetOrientation(boVertical);
    s->SetMode(mSwitch);
    s->BevelOuter().SetStyle(bsLowered);
    s->BevelOuter().SetWidth(1);
    s->BevelOuter().SetSpacing(1);
    s->BevelOuter().SetBevelLine(blInner);
    s->BevelOuter().SetColor(clBtnShadow);
    s->SetBtnBevelWidth(2);
    s->SetBtnBevel2Width(3);
    s->SetBtnColorFaceHi(0xDDDDDD);
    s->SetLEDHeight(s_.Edge(8));
    s->SetLEDColorOn(clLime);
    s->SetLEDColorOff(clGreen);
    s->SetChecked(false);
    Place(s, l, t, w, h);
    s->Loaded();
    return s;
}

TOvToggleSwitch* TPanelParts::Toggle(QWidget* parent, const QString& name) const
{
    auto* s = new TOvToggleSwitch(parent);
    s->SetName(name);
    s->SetOrientation(boHorizontal);
    s->SetMode(mSwitch);
    s->SetChecked(true);
    s->SetStatusInt(1);
    s->SetTextOn(QStringLiteral("-"));
    s->SetTextOff(QStringLiteral("-"));
    s->SetColorOn(clSkyBlue);
    s->SetColorOff(clSkyBlue);
    Place(s, 34, 280, 33, 20);
    s->Loaded();
    return s;
}

TOvLED* TPanelParts::Led(QWidget* parent, const QString& name, const QString& caption, int l, int t, int w, int h,
            bool redWhenOn) const
{
    auto* led = new TOvLED(parent);
    led->SetName(name);
    led->SetCaption(caption);
    led->SetMode(mIndicator);
    led->SetLED_Position(lpLeft);
    led->SetSpacing(5);
    led->LED().SetColorOff(clMedGray);
    if (redWhenOn) led->LED().SetColorOn(clRed);
    led->SetFont(PanelFont());
    Place(led, l, t, w, h);
    led->Loaded();
    return led;
}

TOvClock* TPanelParts::Clock(QWidget* parent) const
{
    auto* clock = new TOvClock(parent);
    clock->SetName(QStringLiteral("OvClock1"));
    clock->SetFont(Font(QStringLiteral("System"), 15, clLime));
    clock->BevelInner().SetStyle(bsLowered);
    clock->BevelOuter().SetStyle(bsRaised);
    Place(clock, 11, 10, 94, 24);
    clock->Loaded();
    return clock;
}

TOvOpHourCounter* TPanelParts::HourCounter(QWidget* parent) const
{
    auto* counter = new TOvOpHourCounter(parent);
    counter->SetName(QStringLiteral("OvOpHourCounter1"));
    counter->SetFont(Font(QStringLiteral("System"), 15, clLime));
    counter->SetSeparatorHour(QStringLiteral("h"));
    counter->SetSeparatorMin(QStringLiteral("m"));
    counter->SetSeparatorSec(QStringLiteral("s"));
    counter->SetSeparatorChar(QStringLiteral(":"));
    counter->SetHourDigits(2);
    // Named as the form resource names it; never loaded or saved.
    counter->IniSettings().SetFileName(QStringLiteral("OrvellApp.ini"));
    counter->IniSettings().SetSection(QStringLiteral("OvOpHourCounter1"));
    counter->IniSettings().SetAutoLoadSave(false);
    Place(counter, 483, 10, 103, 24);
    counter->Loaded();
    counter->SetTime(0, 0, 0);
    counter->SetCount(false);
    return counter;
}
