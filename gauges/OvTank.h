// TOvTank: a standing cylindrical tank whose liquid level follows the value:
// a metal body with elliptic caps, the liquid in LiquidColor with a lighter
// surface, a level scale beside it, the caption and the value above.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvTank : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(bool ShowScale READ ShowScale WRITE SetShowScale)

public:
    explicit TOvTank(QWidget* Owner = nullptr);

    TColor LiquidColor() const { return FLiquidColor; }
    void SetLiquidColor(TColor v) { StoreSetting(FLiquidColor, v); }
    TColor TankColor() const { return FTankColor; }
    void SetTankColor(TColor v) { StoreSetting(FTankColor, v); }
    bool ShowScale() const { return FShowScale; }
    void SetShowScale(bool v) { StoreSetting(FShowScale, v); }

    // Layout: the body between the centres of the caps, the cap height, and
    // the liquid surface's y at the current value.
    TRect BodyRect() const { return FBody; }
    int CapHeight() const { return FCap; }
    int LevelY() const { return TOvGaugePaint::PosOf(FBody.Bottom, FBody.Top, DrawPerMille()); }

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintTank(TCanvas& c);
    virtual void PaintLiquid(TCanvas& c);
    QSize DesignSize() const override { return QSize(130, 170); }

private:
    TColor FLiquidColor = 0xD08020;
    TColor FTankColor = 0xB0B0B0;
    bool FShowScale = true;
    TRect FBody {};
    int FCap = 0;
    int FScaleBase = 0;
    TTextSpot FCaptionSpot, FValueSpot;
};
