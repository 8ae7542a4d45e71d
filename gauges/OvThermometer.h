// TOvThermometer: a glass tube with a bulb; the column rises in MercuryColor
// (or in the active sector's colour with UseSectorColor), a scale with labels
// runs beside the tube, the limits are marked on its other side, the caption
// sits above and the value below.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvThermometer : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(bool UseSectorColor READ UseSectorColor WRITE SetUseSectorColor)

public:
    explicit TOvThermometer(QWidget* Owner = nullptr);

    TColor MercuryColor() const { return FMercuryColor; }
    void SetMercuryColor(TColor v) { StoreSetting(FMercuryColor, v); }
    bool UseSectorColor() const { return FUseSectorColor; }
    void SetUseSectorColor(bool v) { StoreSetting(FUseSectorColor, v); }
    TColor ColumnColour() const { return FUseSectorColor ? ValueColour() : FMercuryColor; }

    // Layout: tube, bulb, and the column's travel (minimum at TravelFrom).
    TRect TubeRect() const { return FTube; }
    TRect BulbRect() const { return FBulb; }
    int TravelFrom() const { return FP0; }
    int TravelTo() const { return FP1; }
    int ColumnTop() const { return TOvGaugePaint::PosOf(FP0, FP1, DrawPerMille()); }

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintGlass(TCanvas& c);
    virtual void PaintColumn(TCanvas& c);
    QSize DesignSize() const override { return QSize(90, 230); }

private:
    TColor FMercuryColor = clRed;
    bool FUseSectorColor = false;
    TRect FTube {};
    TRect FBulb {};
    int FP0 = 0, FP1 = 0;
    int FScaleBase = 0;
    TTextSpot FCaptionSpot, FValueSpot;
};
