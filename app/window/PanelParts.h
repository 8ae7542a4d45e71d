#pragma once
// The front panel's parts as the main window builds them: the start-up scale and the look
// of the panel's dials, switches, track bars, LEDs, clock and hour counter. The window
// builds them at its start-up scale; the gauge gallery shows the same parts at design size.

#include <QRect>
#include <QSlider>
#include <QString>
#include <QWidget>

#include "gauges/OvClock.h"
#include "gauges/OvDial.h"
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSwitch.h"

// The start-up scale: every edge at design coordinate v moves to trunc(v x k),
// so a control keeps touching its neighbours, and font pixel heights grow by k.
class PanelScale {
public:
    explicit PanelScale(double factor) : factor_(factor) {}
    double Factor() const { return factor_; }
    int Edge(int v) const;
    QRect Rect(int left, int top, int width, int height) const;
    // Point size (96 dpi) of a design font of the given pixel height.
    int FontPoints(int designPixelHeight) const;

private:
    double factor_;
};

class TPanelParts {
public:
    explicit TPanelParts(const PanelScale& scale) : s_(scale) {}

    const PanelScale& Scale() const { return s_; }
    // A design font of the given pixel height at the panel's scale.
    TFont Font(const QString& name, int designPixels, TColor color, TFontStyles style = 0) const;
    // Group-box captions, the labels inside and the LED captions: "MS Sans Serif", 15 px, navy.
    TFont PanelFont() const { return Font(QStringLiteral("MS Sans Serif"), 15, clNavy); }

    void Place(QWidget* w, int l, int t, int width, int height) const;
    void Place(TControl* c, int l, int t, int width, int height) const;

    // A gain track bar: positions 1 .. 40, a page of five.
    QSlider* TrackBar(QWidget* parent, int l, int t) const;
    // The look all six dials share.
    void DialLook(TOvDial* d, TColor valueColor) const;
    TOvDial* Dial(QWidget* parent, const QString& name, int l, int t, int w, int h, int digitalFrom, int digitalTo,
                  float valueFrom, float valueTo, float value, int changeLarge, const QString& name2,
                  TColor valueColor, int subSteps = 2, const QString& scaleFormat = QStringLiteral("##0")) const;
    // The five rocker switches (Hold, Mkrs, Exp and the two filter switches).
    TOvRockerSwitch* Rocker(QWidget* parent, const QString& name, int l, int t, int w, int h) const;
    // A channel's enable switch, at its place in the channel's box.
    TOvToggleSwitch* Toggle(QWidget* parent, const QString& name) const;
    TOvLED* Led(QWidget* parent, const QString& name, const QString& caption, int l, int t, int w, int h,
                bool redWhenOn) const;
    // The recorder strip's clock and hour counter (OvClock1, OvOpHourCounter1), the counter
    // stopped at 0.
    TOvClock* Clock(QWidget* parent) const;
    TOvOpHourCounter* HourCounter(QWidget* parent) const;

private:
    PanelScale s_;
};
