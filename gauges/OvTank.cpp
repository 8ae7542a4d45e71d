#include "gauges/OvTank.h"

#include <algorithm>

TOvTank::TOvTank(QWidget* Owner)
    : TOvAnalogDisplay(Owner)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SignalSettings().SetName1(QStringLiteral("Tank"));
    TakePreferredSize();
}

void TOvTank::LayoutFace(TCanvas& c, const TRect& R)
{
    TRect r = R;
    TopTextRow(c, r, Zoomed(30), 1, 2, FCaptionSpot, FValueSpot);
    PlanCaptionAndValue(c, FCaptionSpot, FValueSpot);
    const int scaleT = MeasureLinearScale(c, FShowScale, true);
    const int w = std::max(Zoomed(8), r.Width() - scaleT - 4);
    FCap = std::clamp(std::min(w / 5, (r.Bottom - r.Top) / 6), Zoomed(4), Zoomed(24));
    FBody = Rect(r.Left + 1, r.Top + FCap / 2 + 1, r.Left + 1 + w, r.Bottom - FCap / 2 - 1);
    if (FBody.Bottom <= FBody.Top)
        FBody.Bottom = FBody.Top + 1;
    FScaleBase = FBody.Right + 3;
    if (FShowScale)
        PlanLinearScale(FBody.Bottom, FBody.Top, FScaleBase, true, 1);
}

void TOvTank::PaintTank(TCanvas& c)
{
    const TRect body = FBody;
    const int h = FCap;
    // Metal body: lit along the middle, shaded to the sides; round bottom.
    const TColor lit = TOvGaugePaint::Shade(FTankColor, 1.55);
    const TColor dark = TOvGaugePaint::Shade(FTankColor, 0.6);
    const TRect bottom = Rect(body.Left, body.Bottom - h / 2, body.Right, body.Bottom - h / 2 + h);
    const TClipState keep = c.GetClip();
    c.SetClipEllipse(bottom);
    c.IntersectClipRect(FaceRect());
    DrawGradient(c, bottom, lit, gsVertical2, dark);
    c.SetClip(keep);
    DrawGradient(c, body, lit, gsVertical2, dark);
}

void TOvTank::PaintLiquid(TCanvas& c)
{
    const TRect body = FBody;
    const int h = FCap;
    const int y = LevelY();
    const TColor lit = TOvGaugePaint::Shade(FLiquidColor, 1.4);
    const TColor dark = TOvGaugePaint::Shade(FLiquidColor, 0.55);
    const TClipState keep = c.GetClip();
    if (DrawPerMille() > 0) {
        const TRect bottom = Rect(body.Left, body.Bottom - h / 2, body.Right, body.Bottom - h / 2 + h);
        c.SetClipEllipse(bottom);
        c.IntersectClipRect(FaceRect());
        DrawGradient(c, bottom, lit, gsVertical2, dark);
        c.SetClip(keep);
        if (body.Bottom > y)
            DrawGradient(c, Rect(body.Left, y, body.Right, body.Bottom), lit, gsVertical2, dark);
        // The surface, seen slightly from above.
        c.Pen.Color = TOvGaugePaint::Shade(FLiquidColor, 0.7);
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = TOvGaugePaint::Shade(FLiquidColor, 1.25);
        c.Brush.Style = bsSolid;
        c.Ellipse(body.Left, y - h / 2, body.Right, y - h / 2 + h);
    }
    // Top cap and outline.
    c.Pen.Color = TOvGaugePaint::Shade(FTankColor, 0.4);
    c.Brush.Color = TOvGaugePaint::Shade(FTankColor, 1.3);
    c.Ellipse(body.Left, body.Top - h / 2, body.Right, body.Top - h / 2 + h);
    c.MoveTo(body.Left, body.Top);
    c.LineTo(body.Left, body.Bottom);
    c.MoveTo(body.Right - 1, body.Top);
    c.LineTo(body.Right - 1, body.Bottom);
    c.Brush.Style = bsClear;
    c.Arc(body.Left, body.Bottom - h / 2, body.Right, body.Bottom - h / 2 + h, body.Left, body.Bottom,
          body.Right, body.Bottom);
}

void TOvTank::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    PaintCaptionAndValue(c, FCaptionSpot, FValueSpot);
    PaintTank(c);
    PaintLiquid(c);
    if (FShowScale)
        DrawLinearScale(c, FBody.Bottom, FBody.Top, FScaleBase, true, 1);
    for (const TLimitMark& l : LimitMarks()) {
        const int p = TOvGaugePaint::PosOf(FBody.Bottom, FBody.Top, l.PerMille);
        TOvGaugePaint::DrawMark(c, Point(FScaleBase, p), Point(FScaleBase + 4, p), l.Colour, clBlack);
    }
}
