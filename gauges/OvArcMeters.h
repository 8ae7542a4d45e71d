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
    TOvArcMeter(int sweep, int start, QWidget* Owner);

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

private:
    int FSweep;
    int FStart;
    bool FShowSectors = true;
    TOvSBevel FBevelPlate;
    TRect FScaleRect {};
    TRect FShroud {};
    TPoint FCentre {};
    int FNeedle = 0;
    int FBandOuter = 0, FBandInner = 0;
};

class VELQUOR_GAUGES_EXPORT TOv270Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv270Meter(QWidget* Owner = nullptr);

protected:
    QSize DefaultSize() const override { return QSize(150, 150); }
    QSize SmallestSize() const override { return QSize(60, 60); }
};

class VELQUOR_GAUGES_EXPORT TOv180Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv180Meter(QWidget* Owner = nullptr);

protected:
    QSize DefaultSize() const override { return QSize(180, 110); }
    QSize SmallestSize() const override { return QSize(70, 45); }
};

class VELQUOR_GAUGES_EXPORT TOv120Meter : public TOvArcMeter {
    Q_OBJECT
public:
    explicit TOv120Meter(QWidget* Owner = nullptr);

protected:
    QSize DefaultSize() const override { return QSize(200, 120); }
    QSize SmallestSize() const override { return QSize(80, 50); }
};
