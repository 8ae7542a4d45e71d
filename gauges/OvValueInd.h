// TOvValueInd: a digital value indicator. A lowered black window shows the
// value right-aligned in FontValue, coloured by the limit state (LimitUpper
// exceeded: the upper-limit colour, below LimitLower: the lower-limit colour),
// the unit beside it and the caption (Name1) above. A thin strip under the
// digits shows the position in the range in the sector colour.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvValueInd : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(bool ShowBar READ ShowBar WRITE SetShowBar)

public:
    explicit TOvValueInd(QWidget* Owner = nullptr);

    TFont& FontValue() { return FFontValue; }
    void SetFontValue(const TFont& v) { FFontValue.Assign(v); }
    TOvSBevel& BevelValue() { return FBevelValue; }
    bool ShowBar() const { return FShowBar; }
    void SetShowBar(bool v) { StoreSetting(FShowBar, v); }
    // Colour the digits are drawn in now.
    TColor DigitColour() const;
    TRect WindowRect() const { return FWindow; }
    void Loaded() override;

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    QSize DesignSize() const override { return QSize(130, 58); }
    // The unit's font: two thirds of the digits'.
    TFont UnitFont() const;

private:
    TFont FFontValue;
    TOvSBevel FBevelValue;
    bool FShowBar = true;
    TRect FWindow {};
    TTextSpot FCaption;
    int FUnitWidth = 0;
    int FValueMiddle = 0;
    int FBar = 0;
};
