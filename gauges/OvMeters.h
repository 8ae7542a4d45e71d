// Linear meters. TOvHMeter and TOvVMeter are pointer meters: a white scale
// plate with the three sector colours as a strip, ticks and labels, limit
// marks and a needle that runs along the scale. TOvFlexHMeter and
// TOvFlexVMeter are bevel meters: a lowered trough that fills up to the value
// with a shaded bar in the sector colour, a scale beside it, limit lines and
// the recorded minimum and maximum as small marks.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvLinearMeter : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(bool ShowScale READ ShowScale WRITE SetShowScale)

public:
    TOvLinearMeter(bool vertical, bool bar, QWidget* Owner);

    bool Vertical() const { return FVertical; }
    bool ShowScale() const { return FShowScale; }
    void SetShowScale(bool v) { StoreSetting(FShowScale, v); }
    TOvSBevel& BevelPlate() { return FBevelPlate; }

    // Layout: where the minimum and maximum of the range lie along the axis,
    // the plate (or trough) and the value text position.
    int TravelFrom() const { return FP0; }
    int TravelTo() const { return FP1; }
    TRect PlateRect() const { return FPlate; }
    // Pixel of the value along the axis.
    int ValuePos() const { return TOvGaugePaint::PosOf(FP0, FP1, DrawPerMille()); }
    void Loaded() override;

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintPlate(TCanvas& c);
    virtual void PaintPointer(TCanvas& c);
    virtual void PaintBar(TCanvas& c);
    virtual void PaintLimits(TCanvas& c);
    virtual void PaintMinMax(TCanvas& c);
    QSize DesignSize() const override { return FVertical ? QSize(90, 220) : QSize(220, 80); }

private:
    bool FVertical;
    bool FBar;
    bool FShowScale = true;
    TOvSBevel FBevelPlate;
    TRect FPlate {};
    TRect FInner {};
    int FP0 = 0, FP1 = 0;
    int FScaleBase = 0;
    int FStrip0 = 0, FStrip1 = 0;
    TTextSpot FCaptionSpot, FValueSpot;
};

class VELQUOR_GAUGES_EXPORT TOvHMeter : public TOvLinearMeter {
    Q_OBJECT
public:
    explicit TOvHMeter(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOvVMeter : public TOvLinearMeter {
    Q_OBJECT
public:
    explicit TOvVMeter(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOvFlexHMeter : public TOvLinearMeter {
    Q_OBJECT
public:
    explicit TOvFlexHMeter(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOvFlexVMeter : public TOvLinearMeter {
    Q_OBJECT
public:
    explicit TOvFlexVMeter(QWidget* Owner = nullptr);
};
