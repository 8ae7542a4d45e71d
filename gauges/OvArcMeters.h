// Needle meters on a circular scale: TOv270Meter (a round instrument, the
// scale over 270 degrees from the lower left), TOv180Meter (a half-round
// scale with the pivot at the bottom) and TOv120Meter (a wide panel meter:
// a 120-degree arc whose pivot sits under a shroud that carries the caption
// and the value). Each shows the three sectors as a coloured band inside the
// ticks, marks at the two limits, and a needle.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvArcMeter : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(bool ShowSectors READ ShowSectors WRITE SetShowSectors)

public:
    // A scale of sweep degrees from start (clockwise from straight up), in a
    // control designed at the size given.
    TOvArcMeter(int sweep, int start, QSize design, QWidget* Owner);

    int Sweep() const { return FSweep; }
    int Start() const { return FStart; }
    bool ShowSectors() const { return FShowSectors; }
    void SetShowSectors(bool v) { StoreSetting(FShowSectors, v); }
    TOvSBevel& BevelPlate() { return FBevelPlate; }
    void Loaded() override;

    // Layout of the last paint (control coordinates).
    TPoint Centre() const { return FCentre; }
    int NeedleLength() const { return FNeedle; }
    // Needle angle in degrees clockwise from straight up.
    double NeedleAngle() const { return FStart + FSweep * DrawPerMille() / 1000.0; }
    // The needle's tip.
    TPoint NeedleTip() const;

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintPlate(TCanvas& c, const TRect& R);
    virtual void PaintScale(TCanvas& c);
    virtual void PaintNeedle(TCanvas& c);
    virtual void PaintTexts(TCanvas& c, const TRect& R);
    QSize DesignSize() const override { return FDesign; }

private:
    int FSweep;
    int FStart;
    QSize FDesign;
    bool FShowSectors = true;
    TOvSBevel FBevelPlate;
    TRect FScaleRect {};
    TRect FShroud {};
    TPoint FCentre {};
    int FNeedle = 0;
    int FBandOuter = 0, FBandInner = 0;
    TTextSpot FCaption, FValue;
};

class VELQUOR_GAUGES_EXPORT TOv270Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv270Meter(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOv180Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv180Meter(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOv120Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv120Meter(QWidget* Owner = nullptr);
};
