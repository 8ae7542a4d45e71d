// Linear sliders: TOvHSlider (left = minimum) and TOvVSlider (bottom =
// minimum). A thumb runs in a lowered groove, the groove fills up to the
// value in the pointer colour, a scale with labels runs beside it and a value
// box with the caption sits above. Mouse (click or drag anywhere on the
// groove), keyboard and wheel as for every windowed analog control.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvSlider : public TOvAnalogOperable {
    Q_OBJECT
    Q_PROPERTY(int ThumbLength READ ThumbLength WRITE SetThumbLength)

public:
    TOvSlider(bool vertical, QWidget* Owner);

    bool Vertical() const { return FVertical; }
    int ThumbLength() const { return FThumbLength; }
    void SetThumbLength(int v); // 6..60
    TColor ThumbColor() const { return FThumbColor; }
    void SetThumbColor(TColor v);

    // Layout (control coordinates): the groove, the thumb's travel from
    // minimum (TravelFrom) to maximum (TravelTo) along the axis, the thumb.
    TRect GrooveRect() const { return FGroove; }
    int TravelFrom() const { return FP0; }
    int TravelTo() const { return FP1; }
    TRect ThumbRect() const;
    TRect ValueRect() const { return FValueRect; }

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    virtual void PaintGroove(TCanvas& c);
    virtual void PaintThumb(TCanvas& c);
    void SlideTo(TShiftState Shift, int X, int Y) override;
    QSize DesignSize() const override;

private:
    bool FVertical;
    int FThumbLength = 12;
    TColor FThumbColor = clBtnFace;
    TRect FGroove {};
    TRect FTrackBand {};
    int FP0 = 0, FP1 = 0;
    int FScaleBase = 0;
    TRect FValueRect {};
    TTextSpot FCaption;
};

class VELQUOR_GAUGES_EXPORT TOvHSlider : public TOvSlider {
    Q_OBJECT
public:
    explicit TOvHSlider(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOvVSlider : public TOvSlider {
    Q_OBJECT
public:
    explicit TOvVSlider(QWidget* Owner = nullptr);
};
