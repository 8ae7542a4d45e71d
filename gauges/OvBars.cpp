#include "gauges/OvBars.h"

#include <algorithm>

// ================================================================ TOvBar

TOvBar::TOvBar(QWidget* Owner)
    : TOvAnalogDisplay(Owner)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SetFaceColor(0x202020);
    SignalSettings().SetName1(QStringLiteral("Bar"));
    TakePreferredSize();
}

void TOvBar::LayoutFace(TCanvas& c, const TRect& R)
{
    // Upright when at least as high as wide (the frame is the same all round).
    FUpright = R.Height() >= R.Width();
    const bool caption = !Name1().isEmpty();
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    TRect r = R;
    FValueSpot = FCaptionSpot = TTextSpot {};
    if (FUpright) {
        if (ShowValue() && r.Height() > 3 * textH + Zoomed(10)) {
            FValueSpot = { Point(R.Left + R.Width() / 2, r.Top), 1, R.Width() };
            r.Top += textH + 1;
        } else if (ShowValue()) {
            PlanDropped();
        }
        if (caption && r.Height() > 2 * textH + Zoomed(10)) {
            FCaptionSpot = { Point(R.Left + R.Width() / 2, r.Bottom), 7, R.Width() };
            r.Bottom -= textH + 1;
        } else if (caption) {
            PlanDropped();
        }
    } else {
        TopTextRow(c, r, Zoomed(10), 0, 1, FCaptionSpot, FValueSpot, false);
    }
    PlanCaptionAndValue(c, FCaptionSpot, FValueSpot, false);
    FTrough = r;
    FInner = r;
    ShrinkRect(FInner, 2);
    if (FInner.Width() < 2 || FInner.Height() < 2)
        PlanDropped();
}

TRect TOvBar::FillRect() const
{
    TRect f = FInner;
    const int pm = DrawPerMille();
    if (FUpright)
        f.Top = f.Bottom - int((long long)f.Height() * pm / 1000);
    else
        f.Right = f.Left + int((long long)f.Width() * pm / 1000);
    return f;
}

void TOvBar::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    PaintCaptionAndValue(c, FCaptionSpot, FValueSpot, false);
    TOvSBevel trough;
    trough.SetStyle(bsLowered);
    trough.SetSpacing(0);
    trough.SetWidth(2);
    trough.SetColor(FaceColor());
    TRect t = FTrough;
    trough.PaintBevel(c, t);
    const TRect f = FillRect();
    if (f.Width() > 0 && f.Height() > 0) {
        const TColor colour = ValueColour();
        DrawGradient(c, f, TOvGaugePaint::Shade(colour, 1.4), FUpright ? gsVertical2 : gsHorizontal2,
                     TOvGaugePaint::Shade(colour, 0.55));
    }
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    for (const TLimitMark& l : LimitMarks()) {
        c.Pen.Color = l.Colour;
        if (FUpright) {
            const int y = FInner.Bottom - int((long long)FInner.Height() * l.PerMille / 1000);
            c.MoveTo(FInner.Left, y);
            c.LineTo(FInner.Right, y);
        } else {
            const int x = FInner.Left + int((long long)FInner.Width() * l.PerMille / 1000);
            c.MoveTo(x, FInner.Top);
            c.LineTo(x, FInner.Bottom);
        }
    }
}

// ================================================================ TOvSegmentBar

TOvSegmentBar::TOvSegmentBar(bool vertical, QWidget* Owner)
    : TOvAnalogDisplay(Owner)
    , FVertical(vertical)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SetFaceColor(clBlack);
    SignalSettings().SetName1(QStringLiteral("Level"));
    TakePreferredSize();
}

void TOvSegmentBar::SetSegments(int v)
{
    if (v != 0 && (v < 2 || v > 200))
        return;
    StoreSetting(FSegments, v);
}

void TOvSegmentBar::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    const bool caption = !sig.Name1().isEmpty();
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    TRect r = R;
    FValueSpot = FCaptionSpot = TTextSpot {};
    if (FVertical) {
        if (caption && r.Height() > 3 * textH + Zoomed(30)) {
            FCaptionSpot = { Point(R.Left + R.Width() / 2, r.Top), 1, R.Width() };
            r.Top += textH + 1;
        } else if (caption) {
            PlanDropped();
        }
        if (ShowValue() && r.Height() > 2 * textH + Zoomed(30)) {
            FValueSpot = { Point(R.Left + R.Width() / 2, r.Bottom), 7, R.Width() };
            r.Bottom -= textH + 1;
        } else if (ShowValue()) {
            PlanDropped();
        }
    } else {
        TopTextRow(c, r, Zoomed(14), 0, 1, FCaptionSpot, FValueSpot);
    }
    PlanCaptionAndValue(c, FCaptionSpot, FValueSpot);
    int scaleT = MeasureLinearScale(c, FShowScale, FVertical);
    // Without room for the labels beside a usable strip, the scale goes.
    FScaleShown = FShowScale && (FVertical ? r.Width() : r.Height()) - scaleT >= Zoomed(8);
    if (FShowScale && !FScaleShown) {
        PlanDropped();
        scaleT = 0;
    }
    const int labelHalf = FScaleShown ? LabelOverhang(FVertical) : 0;
    if (FVertical) {
        const int w = std::clamp(r.Width() - scaleT - 2, Zoomed(6), Zoomed(26));
        const int left = r.Left + std::max(0, (r.Width() - w - scaleT - 2) / 2);
        FStrip = Rect(left, r.Top + labelHalf, left + w, r.Bottom - labelHalf);
        FScaleBase = FStrip.Right + 2;
    } else {
        const int h = std::clamp(r.Height() - scaleT - 2, Zoomed(6), Zoomed(22));
        FStrip = Rect(r.Left + labelHalf, r.Top, r.Right - labelHalf, r.Top + h);
        FScaleBase = FStrip.Bottom + 2;
    }
    const int length = FVertical ? FStrip.Height() : FStrip.Width();
    FCount = FSegments > 0 ? FSegments : std::max(2, length / Zoomed(6));
    FCount = std::min(FCount, std::max(2, length / 2));
    if (FScaleShown) {
        const int p0 = FVertical ? FStrip.Bottom - 1 : FStrip.Left;
        const int p1 = FVertical ? FStrip.Top : FStrip.Right - 1;
        PlanLinearScale(p0, p1, FScaleBase, FVertical, 1);
    }
}

int TOvSegmentBar::LitSegments() const
{
    // A segment lights once the value reaches its middle.
    return std::clamp(int((long long)DrawPerMille() * FCount / 1000 + (DrawPerMille() * FCount % 1000 >= 500 ? 1 : 0)),
                      0, FCount);
}

TRect TOvSegmentBar::SegmentRect(int i) const
{
    if (FCount <= 0)
        return TRect {};
    const int length = FVertical ? FStrip.Height() : FStrip.Width();
    const int a = int((long long)length * i / FCount);
    const int b = int((long long)length * (i + 1) / FCount) - 1; // one-pixel gap
    if (FVertical)
        return Rect(FStrip.Left, FStrip.Bottom - b, FStrip.Right, FStrip.Bottom - a);
    return Rect(FStrip.Left + a, FStrip.Top, FStrip.Left + b, FStrip.Bottom);
}

void TOvSegmentBar::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    PaintCaptionAndValue(c, FCaptionSpot, FValueSpot);
    // Black strip behind the segments.
    c.Brush.Style = bsSolid;
    c.Brush.Color = FaceColor();
    TRect back = FStrip;
    InflateRect(back, 1, 1);
    c.FillRect(back);
    const int lit = LitSegments();
    const TSectorSettings& s = SectorSettings();
    for (int i = 0; i < FCount; ++i) {
        const int pm = int((i + 0.5) * 1000 / FCount);
        TColor colour = clGray;
        for (int k = 1; k <= 3; ++k)
            if (s.SectorFrom(k) <= pm && pm <= s.SectorTo(k))
                colour = s.SectorColor(k);
        c.Brush.Color = i < lit ? colour : TOvGaugePaint::Shade(colour, 0.28);
        c.FillRect(SegmentRect(i));
    }
    if (FScaleShown) {
        const int p0 = FVertical ? FStrip.Bottom - 1 : FStrip.Left;
        const int p1 = FVertical ? FStrip.Top : FStrip.Right - 1;
        DrawLinearScale(c, p0, p1, FScaleBase, FVertical, 1);
        for (const TLimitMark& l : LimitMarks()) {
            const int p = TOvGaugePaint::PosOf(p0, p1, l.PerMille);
            if (FVertical)
                TOvGaugePaint::DrawMark(c, Point(FScaleBase, p), Point(FScaleBase + 4, p), l.Colour, clBlack);
            else
                TOvGaugePaint::DrawMark(c, Point(p, FScaleBase), Point(p, FScaleBase + 4), l.Colour, clBlack);
        }
    }
}

TOvVBar::TOvVBar(QWidget* Owner) : TOvSegmentBar(true, Owner) { }
TOvHBar::TOvHBar(QWidget* Owner) : TOvSegmentBar(false, Owner) { }
