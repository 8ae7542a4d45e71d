// Bar displays. TOvBar is a single column (vertical when the control is at
// least as high as wide) that fills in the colour of the active sector, with
// the value above and the caption below. TOvVBar and TOvHBar are segmented
// LED bars: each segment lights in the colour of the sector it lies in and
// stays dimly lit in a dark shade of it otherwise, with a scale beside them.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvBar : public TOvAnalogDisplay {
    Q_OBJECT
public:
    explicit TOvBar(QWidget* Owner = nullptr);
    // Vertical when at least as high as wide.
    bool Vertical() const { return Height() >= Width(); }
    TRect TroughRect() const { return FTrough; }
    // The filled part of the trough at the current value.
    TRect FillRect() const;

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    QSize DesignSize() const override { return QSize(44, 150); }

private:
    bool FUpright = true;
    TRect FTrough {};
    TRect FInner {};
    TTextSpot FValueSpot, FCaptionSpot;
};

class VELQUOR_GAUGES_EXPORT TOvSegmentBar : public TOvAnalogDisplay {
    Q_OBJECT
    Q_PROPERTY(int Segments READ Segments WRITE SetSegments)
    Q_PROPERTY(bool ShowScale READ ShowScale WRITE SetShowScale)

public:
    TOvSegmentBar(bool vertical, QWidget* Owner);

    bool Vertical() const { return FVertical; }
    // Number of segments; 0 = one per 6 pixels of length. Else 2..200.
    int Segments() const { return FSegments; }
    void SetSegments(int v);
    bool ShowScale() const { return FShowScale; }
    void SetShowScale(bool v) { StoreSetting(FShowScale, v); }
    // Segments in use after the last layout, and how many are lit now.
    int SegmentCount() const { return FCount; }
    int LitSegments() const;
    // Rectangle of segment i (0 = at the minimum end).
    TRect SegmentRect(int i) const;

protected:
    void LayoutFace(TCanvas& c, const TRect& R) override;
    void PaintFace(TCanvas& c, const TRect& R) override;
    QSize DesignSize() const override { return FVertical ? QSize(64, 220) : QSize(220, 64); }

private:
    bool FVertical;
    int FSegments = 0;
    bool FShowScale = true;
    bool FScaleShown = true;
    int FCount = 0;
    TRect FStrip {};
    int FScaleBase = 0;
    TTextSpot FValueSpot, FCaptionSpot;
};

class VELQUOR_GAUGES_EXPORT TOvVBar : public TOvSegmentBar {
    Q_OBJECT
public:
    explicit TOvVBar(QWidget* Owner = nullptr);
};

class VELQUOR_GAUGES_EXPORT TOvHBar : public TOvSegmentBar {
    Q_OBJECT
public:
    explicit TOvHBar(QWidget* Owner = nullptr);
};
