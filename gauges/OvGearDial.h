// TOvGearDial: a knurled gear wheel turned like the rotary dial. The toothed
// rim turns with the value over 270 degrees (lower left = minimum, lower
// right = maximum), a marker dot on the rim shows the position, a circular
// scale with labels surrounds it, a value box sits above and the caption
// below. Mouse drag (angle about the centre), keyboard and wheel.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvGearDial : public TOvAnalogOperable {
    Q_OBJECT
    Q_PROPERTY(int Teeth READ Teeth WRITE SetTeeth)

public:
    explicit TOvGearDial(QWidget* Owner = nullptr);

    // Number of teeth on the rim (0 = from the size, else 8..60).
    int Teeth() const { return FTeeth; }
    void SetTeeth(int v);
    TColor GearColor() const { return FGearColor; }
    void SetGearColor(TColor v);
    TOvSBevel& BevelHub() { return FBevelHub; }

    static constexpr int SweepAngle = 270;
    static constexpr int StartAngle = 225;

    // Layout of the last paint (control coordinates).
    TPoint Centre() const { return FCentre; }
    int Radius() const { return FRadius; }
    // Degrees of the marker from the minimum position.
    double PointerAngle() const { return SweepAngle * DrawPerMille() / 1000.0; }
    TRect ValueRect() const { return FValueRect; }

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintScale(TCanvas& c, TRect& R);
    virtual void PaintGear(TCanvas& c);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SlideTo(TShiftState Shift, int X, int Y) override;
    QSize DesignSize() const override { return QSize(130, 170); }

private:
    int FTeeth = 0;
    TColor FGearColor = 0xB8B4B0;
    TOvSBevel FBevelHub;
    TRect FValueRect {};
    TRect FScaleArea {};
    bool FScaleShown = false;
    TTextSpot FCaption;
    TPoint FCentre {};
    int FRadius = 0;
    double FDragAngle = 0.0;
    double FLastMouseAngle = 0.0;
};
