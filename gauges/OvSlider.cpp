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
    const QSize s = DefaultSize();
    SetBounds(Left(), Top(), s.width(), s.height());
}

void TOvSlider::SetThumbLength(int v)
{
    if (v == FThumbLength || v < 6 || v > 60)
        return;
    FThumbLength = v;
    Change();
}

void TOvSlider::SetShowScale(bool v)
{
    if (StoreChanged(FShowScale, v))
        Change();
}

void TOvSlider::SetThumbColor(TColor v)
{
    if (StoreChanged(FThumbColor, v))
        ParamChange(this);
}

QSize TOvSlider::DefaultSize() const { return FVertical ? QSize(86, 220) : QSize(220, 86); }
QSize TOvSlider::SmallestSize() const { return FVertical ? QSize(40, 90) : QSize(90, 40); }

TRect TOvSlider::ThumbRect() const
{
    const int pos = TOvGaugePaint::PosOf(FP0, FP1, DrawPerMille());
    const int half = FThumbLength / 2;
    if (FVertical)
        return Rect(FTrackBand.Left, pos - half, FTrackBand.Right, pos - half + FThumbLength);
    return Rect(pos - half, FTrackBand.Top, pos - half + FThumbLength, FTrackBand.Bottom);
}

void TOvSlider::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    c.Font = FontValue();
    const QString sample = sig.SampleText() + (sig.ValueUnit().isEmpty() ? QString() : QStringLiteral(" ") + sig.ValueUnit());
    const int valueW = c.TextWidth(sample) + 12;
    const int valueH = c.TextHeight(sample) + 6;
    c.Font = Font();
    const int captionH = sig.Name1().isEmpty() ? 0 : c.TextHeight(sig.Name1());
    const int scaleT = FShowScale ? TOvGaugePaint::LinearScaleThickness(c, ScaleSettings(), sig.ValueFrom(), sig.ValueTo(), FVertical) : 0;
    const int labelHalf = FShowScale ? (FVertical ? ScaleSettings().LabelHeight() : ScaleSettings().WidestLabel()) / 2 + 1 : 0;
    const int margin = std::max(FThumbLength / 2, labelHalf) + 1;

    if (!FVertical) {
        int top = R.Top;
        const int headerH = std::max(ShowValue() ? valueH : 0, captionH);
        if (headerH > 0 && R.Height() - headerH - scaleT >= 12) {
            if (ShowValue())
                FValueRect = Rect(std::max(R.Left, R.Right - valueW), top, R.Right, top + valueH);
            else
                FValueRect = TRect {};
            FCaptionAt = Point(R.Left + 2, top + headerH / 2);
            top += headerH + 3;
        } else {
            FValueRect = TRect {};
            FCaptionAt = Point(-1000, -1000);
        }
        const int bandH = std::clamp(R.Bottom - top - scaleT - 1, 8, 24);
        FTrackBand = Rect(R.Left, top, R.Right, top + bandH);
        FP0 = R.Left + margin;
        FP1 = R.Right - 1 - margin;
        const int gy = top + bandH / 2;
        FGroove = Rect(FP0 - 3, gy - 3, FP1 + 4, gy + 4);
        FScaleBase = FTrackBand.Bottom + 1;
    } else {
        int top = R.Top;
        if (captionH > 0 && R.Height() > 80) {
            FCaptionAt = Point(R.Left + R.Width() / 2, top);
            top += captionH + 1;
        } else {
            FCaptionAt = Point(-1000, -1000);
        }
        if (ShowValue() && R.Height() - (top - R.Top) > 80) {
            const int w = std::min(valueW, R.Width());
            FValueRect = Rect(R.Left + (R.Width() - w) / 2, top, R.Left + (R.Width() - w) / 2 + w, top + valueH);
            top += valueH + 3;
        } else {
            FValueRect = TRect {};
        }
        const int bandW = std::clamp(R.Width() - scaleT - 2, 8, 24);
        const int left = R.Left + std::max(0, (R.Width() - bandW - scaleT) / 2);
        FTrackBand = Rect(left, top, left + bandW, R.Bottom);
        FP0 = R.Bottom - 1 - margin;
        FP1 = top + margin;
        const int gx = left + bandW / 2;
        FGroove = Rect(gx - 3, FP1 - 3, gx + 4, FP0 + 4);
        FScaleBase = FTrackBand.Right + 1;
    }
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
    const TSignalSettings& sig = SignalSettings();
    c.Font = Font();
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    if (FCaptionAt.X > -1000)
        TextOutAligned(c, FCaptionAt.X, FCaptionAt.Y, FVertical ? 1 : 3, sig.Name1());
    if (ShowValue() && FValueRect.Width() > 0)
        PaintValueBox(c, FValueRect);
    if (FShowScale) {
        TOvGaugePaint::DrawLinearScale(c, ScaleSettings(), sig.ValueFrom(), sig.ValueTo(), FP0, FP1, FScaleBase,
                                       FVertical, 1);
    }
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
