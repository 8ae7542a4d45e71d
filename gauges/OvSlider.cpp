#include "gauges/OvSlider.h"

#include <algorithm>
#include <cmath>

TOvSlider::TOvSlider(bool vertical, QWidget* Owner)
    : TOvAnalogOperable(Owner)
    , FVertical(vertical)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SignalSettings().SetName1(QStringLiteral("Level"));
    ScaleSettings().SetSubSteps(4);
    TakePreferredSize();
}

void TOvSlider::SetThumbLength(int v)
{
    if (v < 6 || v > 60)
        return;
    if (StoreChanged(FThumbLength, v))
        Change();
}

void TOvSlider::SetThumbColor(TColor v)
{
    if (StoreChanged(FThumbColor, v))
        ParamChange(this);
}

QSize TOvSlider::DesignSize() const { return FVertical ? QSize(86, 220) : QSize(220, 86); }

TRect TOvSlider::ThumbRect() const
{
    const int pos = TOvGaugePaint::PosOf(FP0, FP1, DrawPerMille());
    const int length = Zoomed(FThumbLength);
    const int half = length / 2;
    if (FVertical)
        return Rect(FTrackBand.Left, pos - half, FTrackBand.Right, pos - half + length);
    return Rect(pos - half, FTrackBand.Top, pos - half + length, FTrackBand.Bottom);
}

void TOvSlider::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    c.Font = Zoomed(FontValue());
    const int readout = ReadoutWidth(c);
    const int valueW = readout + Zoomed(12);
    const int valueH = c.TextHeight(QStringLiteral("0")) + Zoomed(6);
    const int valueNeeds = readout + 10; // inside the box's frame, 2 pixels from its edge
    c.Font = Zoomed(Font());
    const int captionH = sig.Name1().isEmpty() ? 0 : c.TextHeight(sig.Name1());
    const int scaleT = MeasureLinearScale(c, ShowScale(), FVertical);
    const int labelHalf = ShowScale() ? LabelOverhang(FVertical) : 0;
    const int margin = std::max(Zoomed(FThumbLength) / 2, labelHalf) + 1;
    FCaption = TTextSpot {};
    FValueRect = TRect {};

    if (!FVertical) {
        int top = R.Top;
        const int headerH = std::max(ShowValue() ? valueH : 0, captionH);
        if (headerH > 0 && R.Height() - headerH - scaleT >= Zoomed(12)) {
            int captionRight = R.Right - 2;
            if (ShowValue()) {
                FValueRect = Rect(std::max(R.Left, R.Right - valueW), top, R.Right, top + valueH);
                PlanText(FValueRect, valueNeeds, TTextFit::Readout);
                captionRight = FValueRect.Left - 4;
            }
            if (captionH > 0) {
                FCaption = { Point(R.Left + 2, top + headerH / 2), 3, captionRight - R.Left - 2 };
                PlanText(c, FCaption.At.X, FCaption.At.Y, 3, sig.Name1(), FCaption.Width, TTextFit::Caption);
            }
            top += headerH + 3;
        } else if (headerH > 0) {
            PlanDropped();
        }
        const int room = R.Bottom - top - scaleT - 1;
        if (room < Zoomed(8))
            PlanDropped();
        const int bandH = std::clamp(room, Zoomed(8), Zoomed(24));
        FTrackBand = Rect(R.Left, top, R.Right, top + bandH);
        FP0 = R.Left + margin;
        FP1 = R.Right - 1 - margin;
        const int gy = top + bandH / 2;
        const int g = Zoomed(3);
        FGroove = Rect(FP0 - g, gy - g, FP1 + g + 1, gy + g + 1);
        FScaleBase = FTrackBand.Bottom + 1;
    } else {
        int top = R.Top;
        if (captionH > 0 && R.Height() > Zoomed(80)) {
            FCaption = { Point(R.Left + R.Width() / 2, top), 1, R.Width() };
            PlanText(c, FCaption.At.X, FCaption.At.Y, 1, sig.Name1(), FCaption.Width, TTextFit::Caption);
            top += captionH + 1;
        } else if (captionH > 0) {
            PlanDropped();
        }
        if (ShowValue() && R.Height() - (top - R.Top) > Zoomed(80)) {
            const int w = std::min(valueW, R.Width());
            FValueRect = Rect(R.Left + (R.Width() - w) / 2, top, R.Left + (R.Width() - w) / 2 + w, top + valueH);
            PlanText(FValueRect, valueNeeds, TTextFit::Readout);
            top += valueH + 3;
        } else if (ShowValue()) {
            PlanDropped();
        }
        const int room = R.Width() - scaleT - 2;
        if (room < Zoomed(8))
            PlanDropped();
        const int bandW = std::clamp(room, Zoomed(8), Zoomed(24));
        const int left = R.Left + std::max(0, (R.Width() - bandW - scaleT) / 2);
        FTrackBand = Rect(left, top, left + bandW, R.Bottom);
        FP0 = R.Bottom - 1 - margin;
        FP1 = top + margin;
        const int gx = left + bandW / 2;
        const int g = Zoomed(3);
        FGroove = Rect(gx - g, FP1 - g, gx + g + 1, FP0 + g + 1);
        FScaleBase = FTrackBand.Right + 1;
    }
    if (ShowScale())
        PlanLinearScale(FP0, FP1, FScaleBase, FVertical, 1);
    SetHitRect(FTrackBand);
}

void TOvSlider::PaintGroove(TCanvas& c)
{
    TOvSBevel groove;
    groove.SetStyle(bsLowered);
    groove.SetWidth(1);
    groove.SetSpacing(0);
    groove.SetColor(0x303030);
    TRect g = FGroove;
    groove.PaintBevel(c, g);
    // The travelled part of the groove lights in the pointer colour.
    const int pos = TOvGaugePaint::PosOf(FP0, FP1, DrawPerMille());
    c.Brush.Color = PointerColour();
    c.Brush.Style = bsSolid;
    if (FVertical)
        c.FillRect(Rect(g.Left, std::min(pos, g.Bottom), g.Right, g.Bottom));
    else
        c.FillRect(Rect(g.Left, g.Top, std::max(pos, g.Left), g.Bottom));
}

void TOvSlider::PaintThumb(TCanvas& c)
{
    TRect t = ThumbRect();
    TOvSBevel bevel;
    bevel.SetSpacing(0);
    bevel.SetWidth(2);
    bevel.SetColor(FThumbColor);
    bevel.SetBevelLine(blOuter);
    bevel.SetPenColor(clBtnShadow);
    bevel.PaintBevel(c, t);
    if (t.Width() > 2 && t.Height() > 2)
        DrawGradient(c, t, clBtnHighlight, FVertical ? gsHorizontal2 : gsVertical2, FThumbColor);
    const TRect m = ThumbRect();
    c.Pen.Color = PointerColour();
    c.Pen.Width = 2;
    c.Pen.Style = psSolid;
    if (FVertical) {
        const int y = m.Top + m.Height() / 2;
        c.MoveTo(m.Left + 3, y);
        c.LineTo(m.Right - 3, y);
    } else {
        const int x = m.Left + m.Width() / 2;
        c.MoveTo(x, m.Top + 3);
        c.LineTo(x, m.Bottom - 3);
    }
    c.Pen.Width = 1;
}

void TOvSlider::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    c.Font = Zoomed(Font());
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    if (FCaption.Shown())
        DrawText(c, FCaption.At.X, FCaption.At.Y, FCaption.Align, Name1(), FCaption.Width, TTextFit::Caption);
    if (ShowValue() && FValueRect.Width() > 0)
        PaintValueBox(c, FValueRect);
    if (ShowScale())
        DrawLinearScale(c, FP0, FP1, FScaleBase, FVertical, 1);
    PaintGroove(c);
    PaintThumb(c);
}

void TOvSlider::SlideTo(TShiftState Shift, int X, int Y)
{
    TOvAnalogOperable::SlideTo(Shift, X, Y);
    if (FP1 == FP0)
        return;
    const double pm = 1000.0 * ((FVertical ? Y : X) - FP0) / double(FP1 - FP0);
    SetDigit(DigitAtPerMille(pm));
}

TOvHSlider::TOvHSlider(QWidget* Owner)
    : TOvSlider(false, Owner)
{
}

TOvVSlider::TOvVSlider(QWidget* Owner)
    : TOvSlider(true, Owner)
{
}
