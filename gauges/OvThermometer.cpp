#include "gauges/OvThermometer.h"

#include <algorithm>

TOvThermometer::TOvThermometer(QWidget* Owner)
    : TOvAnalogDisplay(Owner)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SignalSettings().SetName1(QStringLiteral("Temperature"));
    SignalSettings().SetValueUnit(QStringLiteral("\u00B0C"));
    ScaleSettings().SetSubSteps(2);
    TakePreferredSize();
}

void TOvThermometer::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    TRect r = R;
    FCaptionSpot = FValueSpot = TTextSpot {};
    if (!sig.Name1().isEmpty()) {
        if (r.Height() > 3 * textH + Zoomed(40)) {
            FCaptionSpot = { Point(R.Left + R.Width() / 2, r.Top), 1, R.Width() };
            r.Top += textH + 2;
        } else {
            PlanDropped();
        }
    }
    if (ShowValue()) {
        if (r.Height() > 2 * textH + Zoomed(40)) {
            FValueSpot = { Point(R.Left + R.Width() / 2, r.Bottom), 7, R.Width() };
            r.Bottom -= textH + 2;
        } else {
            PlanDropped();
        }
    }
    PlanCaptionAndValue(c, FCaptionSpot, FValueSpot);
    const int scaleT = MeasureLinearScale(c, true, true);
    const int labelHalf = ScaleMetrics().LabelHeight / 2 + 1;
    const int tube = std::clamp((r.Width() - scaleT) / 4, Zoomed(5), Zoomed(14));
    const int bulb = std::min(tube * 2 + 2, std::max(tube, r.Width() - scaleT - 4));
    const int cx = r.Left + std::max(bulb / 2 + 2, (r.Width() - scaleT) / 2);
    FBulb = Rect(cx - bulb / 2, r.Bottom - bulb - 1, cx - bulb / 2 + bulb, r.Bottom - 1);
    FTube = Rect(cx - tube / 2, r.Top + 1, cx - tube / 2 + tube, FBulb.Top + bulb / 2);
    FP0 = FBulb.Top - 3;
    FP1 = std::min(FP0 - 1, FTube.Top + std::max(tube / 2 + 1, labelHalf));
    FScaleBase = std::max(FTube.Right, FBulb.Right - bulb / 4) + 3;
    // The limit marks point at the tube from its left.
    if (FTube.Left - 8 < R.Left)
        PlanDropped();
    PlanLinearScale(FP0, FP1, FScaleBase, true, 1);
}

void TOvThermometer::PaintGlass(TCanvas& c)
{
    // The tube: pale glass, brighter along its middle.
    c.Pen.Color = clGray;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Brush.Color = 0xF4F4F4;
    c.Brush.Style = bsSolid;
    const int w = FTube.Width();
    c.RoundRect(FTube.Left - 1, FTube.Top - 1, FTube.Right + 1, FTube.Bottom + 1, w + 2, w + 2);
    TRect inner = FTube;
    ShrinkRect(inner, 1);
    inner.Top += w / 2;
    if (inner.Width() > 0 && inner.Height() > 0)
        DrawGradient(c, inner, clWhite, gsVertical2, 0xD8D8D8);
}

void TOvThermometer::PaintColumn(TCanvas& c)
{
    const TColor colour = ColumnColour();
    const int w = std::max(2, FTube.Width() / 2);
    const int cx = FTube.Left + FTube.Width() / 2;
    const TRect column = Rect(cx - w / 2, ColumnTop(), cx - w / 2 + w, FBulb.Top + FBulb.Height() / 2);
    if (column.Height() > 0)
        DrawGradient(c, column, TOvGaugePaint::Shade(colour, 1.45), gsVertical2, TOvGaugePaint::Shade(colour, 0.7));
    // The bulb: a lit sphere.
    c.Pen.Color = TOvGaugePaint::Shade(colour, 0.5);
    c.Brush.Color = colour;
    c.Brush.Style = bsSolid;
    c.Ellipse(FBulb);
    const TClipState keep = c.GetClip();
    TRect ball = FBulb;
    ShrinkRect(ball, 1);
    c.SetClipEllipse(ball);
    c.IntersectClipRect(FaceRect());
    DrawGradient(c, ball, TOvGaugePaint::Shade(colour, 1.6), gsElliptic3, TOvGaugePaint::Shade(colour, 0.75));
    c.SetClip(keep);
}

void TOvThermometer::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    PaintCaptionAndValue(c, FCaptionSpot, FValueSpot);
    PaintGlass(c);
    PaintColumn(c);
    DrawLinearScale(c, FP0, FP1, FScaleBase, true, 1);
    // The limits point at the tube from its other side.
    const int x = FTube.Left - 2;
    for (const TLimitMark& l : LimitMarks()) {
        const int p = TOvGaugePaint::PosOf(FP0, FP1, l.PerMille);
        TOvGaugePaint::DrawMark(c, Point(x, p), Point(x - 5, p), l.Colour, clBlack);
    }
}
