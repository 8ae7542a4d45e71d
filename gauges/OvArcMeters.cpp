#include "gauges/OvArcMeters.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

TPoint Polar(TPoint c, double r, double a)
{
    const double rad = a * Pi / 180.0;
    return Point(c.X + int(std::lround(r * std::sin(rad))), c.Y - int(std::lround(r * std::cos(rad))));
}

int Distance(TPoint a, TPoint b) { return int(std::lround(std::hypot(a.X - b.X, a.Y - b.Y))); }

} // namespace

TOvArcMeter::TOvArcMeter(int sweep, int start, QSize design, QWidget* Owner)
    : TOvAnalogDisplay(Owner)
    , FSweep(sweep)
    , FStart(start)
    , FDesign(design)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    FBevelPlate.SetStyle(bsLowered);
    FBevelPlate.SetSpacing(0);
    FBevelPlate.SetWidth(1);
    ScaleSettings().SetPointerColor(clBlack);
    ScaleSettings().SetSubSteps(4);
    SignalSettings().SetName1(QStringLiteral("Meter"));
    SetFaceColor(clCream);
    TakePreferredSize();
}

void TOvArcMeter::Loaded()
{
    TOvAnalogDisplay::Loaded();
    FBevelPlate.SetOnChange([this](QObject* s) { SettingsChanged(s); });
}

TPoint TOvArcMeter::NeedleTip() const { return Polar(FCentre, FNeedle, NeedleAngle()); }

void TOvArcMeter::LayoutFace(TCanvas& c, const TRect& R)
{
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    const int W = R.Width();
    const int H = R.Height();
    const TScaleMetrics& scale = MeasureScale(c);
    const int lh = scale.LabelHeight;
    FShroud = TRect {};
    if (FSweep >= 270) {
        const int side = std::min(W, H) - 2;
        FScaleRect = Bounds(R.Left + (W - side) / 2, R.Top + 2, side, side);
    } else if (FSweep >= 180) {
        // Centre just above the text row at the bottom.
        const int w = std::max(10, std::min(W - 4, 2 * (H - textH - lh / 2 - lh - 6)));
        FScaleRect = Bounds(R.Left + (W - w) / 2, R.Top + 2, w, w);
    } else {
        const int shroudH = std::min(textH + Zoomed(6), H / 3);
        FShroud = Rect(R.Left, R.Bottom - shroudH, R.Right, R.Bottom);
        // The arc spans the width where the height allows; its ends stay
        // above the shroud and its pivot lies under the shroud or below.
        const double half = std::sin(FSweep / 2.0 * Pi / 180.0);
        const double drop = 1.0 - std::cos(FSweep / 2.0 * Pi / 180.0); // arc height per radius
        const int byWidth = int((W - 8) / half);
        const int byHeight = int(2.0 * (FShroud.Top - R.Top - 2 - lh) / drop);
        const int w = std::max(10, std::min(byWidth, byHeight));
        FScaleRect = Bounds(R.Left + (W - w) / 2, R.Top + 2, w, w);
    }
    // The scale's geometry: its centre, the tick circle, the band inside it.
    TScaleMetrics m = scale;
    m.MajorPenWidth = 1;
    const TScaleCircleGeometry g = LayoutScaleCircle(FScaleRect, FSweep, FStart, ScaleLook(), m);
    FCentre = g.Centre;
    const int rTick = Distance(FCentre, g.Outer0);
    FBandOuter = rTick - 1;
    FBandInner = std::max(2, FBandOuter - std::max(3, m.MajorTickLength / 2));
    FNeedle = std::max(4, rTick - 2);
    PlanLabels(CircularLabelBoxes(c, FScaleRect, FSweep, FStart));

    // Caption and value.
    const QString& name = SignalSettings().Name1();
    c.Font.SetStyle(fsBold);
    const int readout = ReadoutWidth(c);
    c.Font.SetStyle(0);
    const int gap = textH / 2;
    FCaption = FValue = TTextSpot {};
    if (FShroud.Width() > 0) {
        const int cy = FShroud.Top + FShroud.Height() / 2;
        if (ShowValue())
            FValue = { Point(FShroud.Right - 4, cy), 5, FShroud.Width() - 8 };
        FCaption = { Point(FShroud.Left + 4, cy), 3, FShroud.Width() - 8 - (ShowValue() ? readout + gap : 0) };
    } else if (FSweep >= 270) {
        // In the opening below the hub: the caption, then the value.
        const int width = std::min(W - 4, FNeedle * 3 / 2);
        int y = FCentre.Y + std::max(textH / 2 + 4, FNeedle / 4);
        if (FNeedle > 3 * textH) {
            FCaption = { Point(FCentre.X, y), 1, width };
            y += textH + 1;
        } else if (!name.isEmpty()) {
            PlanDropped();
        }
        if (ShowValue())
            FValue = { Point(FCentre.X, y), 1, width };
    } else {
        // Along the bottom, inside the plate's frame.
        TRect in = R;
        ShrinkRect(in, FBevelPlate.Width());
        if (ShowValue())
            FValue = { Point(in.Right - 3, in.Bottom - 2), 8, in.Width() - 6 };
        FCaption = { Point(in.Left + 3, in.Bottom - 2), 6, in.Width() - 6 - (ShowValue() ? readout + gap : 0) };
    }
    if (name.isEmpty())
        FCaption = TTextSpot {};
    PlanCaptionAndValue(c, FCaption, FValue);
}

void TOvArcMeter::PaintPlate(TCanvas& c, const TRect& R)
{
    TRect p = R;
    FBevelPlate.SetColor(FaceColor());
    FBevelPlate.PaintBevel(c, p);
}

void TOvArcMeter::PaintScale(TCanvas& c)
{
    if (FShowSectors)
        TOvGaugePaint::DrawSectorArcs(c, SectorSettings(), FCentre, FBandOuter, FBandInner, FStart, FSweep);
    for (const TLimitMark& l : LimitMarks()) {
        const double a = FStart + FSweep * l.PerMille / 1000.0;
        TOvGaugePaint::DrawArcBand(c, FCentre, FBandInner, std::max(1, FBandInner - 5), a - 1.5, 3.0, l.Colour);
    }
    TRect r = FScaleRect;
    DrawCircularScale(c, r, FSweep, FStart);
}

void TOvArcMeter::PaintNeedle(TCanvas& c)
{
    TOvGaugePaint::DrawNeedle(c, FCentre, FNeedle, NeedleAngle(), ScaleSettings().PointerColor(),
                              std::max(2, FNeedle / 30));
    if (FShroud.Width() == 0)
        DrawDot(c, FCentre, std::clamp(FNeedle / 12, 3, 8), clGray);
}

void TOvArcMeter::PaintTexts(TCanvas& c, const TRect& R)
{
    (void)R;
    c.Font = Zoomed(Font());
    c.Brush.Style = bsClear;
    if (FShroud.Width() > 0) {
        TRect s = FShroud;
        TOvSBevel shroud;
        shroud.SetSpacing(0);
        shroud.SetWidth(1);
        shroud.PaintBevel(c, s);
        c.Brush.Style = bsClear;
    }
    PaintCaptionAndValue(c, FCaption, FValue);
    if (FShroud.Width() > 0)
        DrawDot(c, Point(FCentre.X, std::min(FCentre.Y, FShroud.Top)), 3, clGray);
}

void TOvArcMeter::PaintFace(TCanvas& c, const TRect& R)
{
    PaintPlate(c, R);
    TRect inner = R;
    ShrinkRect(inner, FBevelPlate.Width());
    c.SetClipRect(inner);
    PaintScale(c);
    PaintNeedle(c);
    PaintTexts(c, inner);
}

TOv270Meter::TOv270Meter(QWidget* Owner) : TOvArcMeter(270, 225, QSize(150, 150), Owner) { }
TOv180Meter::TOv180Meter(QWidget* Owner) : TOvArcMeter(180, 270, QSize(180, 110), Owner) { }
TOv120Meter::TOv120Meter(QWidget* Owner) : TOvArcMeter(120, 300, QSize(200, 120), Owner) { }
