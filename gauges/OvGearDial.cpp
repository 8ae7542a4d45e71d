#include "gauges/OvGearDial.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

TPoint Polar(TPoint c, double r, double a)
{
    const double rad = a * Pi / 180.0;
    return Point(c.X + int(std::lround(r * std::sin(rad))), c.Y - int(std::lround(r * std::cos(rad))));
}

} // namespace

TOvGearDial::TOvGearDial(QWidget* Owner)
    : TOvAnalogOperable(Owner)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    SignalSettings().SetName1(QStringLiteral("Gear"));
    FBevelHub.SetColorShadowFrom(clBtnHighlight);
    FBevelHub.SetColorShadowTo(clBtnShadow);
    FBevelHub.SetBevelLine(blOuter);
    FBevelHub.SetPenColor(clBtnShadow);
    FBevelHub.SetSpacing(1);
    FBevelHub.SetColor(0xD8D4D0);
    FBevelHub.SetElliptic(true);
    SetRoundHitArea(true);
    TakePreferredSize();
}

void TOvGearDial::SetTeeth(int v)
{
    if (v != 0 && (v < 8 || v > 60))
        return;
    if (StoreChanged(FTeeth, v))
        Change();
}

void TOvGearDial::SetGearColor(TColor v)
{
    if (StoreChanged(FGearColor, v))
        ParamChange(this);
}

void TOvGearDial::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    TRect area = R;
    FValueRect = TRect {};
    if (ShowValue()) {
        c.Font = Zoomed(FontValue());
        const int readout = ReadoutWidth(c);
        const int w = std::min(R.Width(), readout + Zoomed(12));
        const int h = c.TextHeight(QStringLiteral("0")) + Zoomed(6);
        if (R.Height() - h > Zoomed(40)) {
            FValueRect = Rect(R.Left + (R.Width() - w) / 2, R.Top, R.Left + (R.Width() - w) / 2 + w, R.Top + h);
            PlanText(FValueRect, readout + 10, TTextFit::Readout);
            area.Top += h + 3;
        } else {
            PlanDropped();
        }
    }
    c.Font = Zoomed(Font());
    FCaption = TTextSpot {};
    if (!sig.Name1().isEmpty()) {
        if (area.Height() > Zoomed(50)) {
            const int h = c.TextHeight(sig.Name1());
            FCaption = { Point(R.Left + R.Width() / 2, area.Bottom), 7, R.Width() };
            PlanText(c, FCaption.At.X, FCaption.At.Y, 7, sig.Name1(), FCaption.Width, TTextFit::Caption);
            area.Bottom -= h + 1;
        } else {
            PlanDropped();
        }
    }
    // The scale and wheel fill a square centred in what is left; a wheel too
    // small for the labels keeps its size and the scale goes.
    const int side = std::max(0, std::min(area.Width(), area.Height()));
    FScaleArea = Bounds(area.Left + (area.Width() - side) / 2, area.Top, side, side);
    FScaleShown = false;
    if (ShowScale()) {
        MeasureScale(c);
        const std::vector<TRect> labels = CircularLabelBoxes(c, FScaleArea, SweepAngle, StartAngle);
        FScaleShown = side >= Zoomed(60) && !Overlapping(labels);
        if (FScaleShown)
            PlanLabels(labels);
        else
            PlanDropped();
    }
}

void TOvGearDial::PaintScale(TCanvas& c, TRect& R) { DrawCircularScale(c, R, SweepAngle, StartAngle); }

void TOvGearDial::PaintGear(TCanvas& c)
{
    const int r = FRadius;
    if (r < 6)
        return;
    const TPoint ctr = FCentre;
    const double turn = PointerAngle();
    const int teeth = FTeeth > 0 ? FTeeth : std::clamp(r / 2, 12, 40);
    const double pitch = 360.0 / teeth;
    const int root = std::max(3, r - std::max(2, r / 9));
    std::vector<TPoint> rim;
    rim.reserve(size_t(teeth * 4));
    for (int i = 0; i < teeth; ++i) {
        const double a = StartAngle + turn + i * pitch;
        rim.push_back(Polar(ctr, root, a - pitch * 0.5));
        rim.push_back(Polar(ctr, r, a - pitch * 0.28));
        rim.push_back(Polar(ctr, r, a + pitch * 0.28));
        rim.push_back(Polar(ctr, root, a + pitch * 0.5));
    }
    c.Pen.Color = TOvGaugePaint::Shade(FGearColor, 0.45);
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Brush.Color = FGearColor;
    c.Brush.Style = bsSolid;
    c.Polygon(rim);
    // Shaded wheel body under the teeth: lit from the upper left.
    const TRect body = Rect(ctr.X - root + 1, ctr.Y - root + 1, ctr.X + root, ctr.Y + root);
    const TClipState keep = c.GetClip();
    c.SetClipEllipse(body);
    DrawGradient(c, body, TOvGaugePaint::Shade(FGearColor, 1.5), gsTopLeft, TOvGaugePaint::Shade(FGearColor, 0.7));
    c.SetClip(keep);
    // The hub: an elliptic bevel knob.
    const int hub = std::max(3, root * 3 / 5);
    TRect hubRect = Rect(ctr.X - hub, ctr.Y - hub, ctr.X + hub, ctr.Y + hub);
    FBevelHub.PaintRoundBevel(c, hubRect, 0, 0);
    // The marker dot rides on the wheel between hub and teeth.
    const int dotR = std::clamp((root - hub) / 3, 2, 6);
    DrawDot(c, Polar(ctr, (root + hub) / 2.0, StartAngle + turn), dotR, PointerColour());
}

void TOvGearDial::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    if (ShowValue() && FValueRect.Width() > 0)
        PaintValueBox(c, FValueRect);
    c.Font = Zoomed(Font());
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    if (FCaption.Shown())
        DrawText(c, FCaption.At.X, FCaption.At.Y, FCaption.Align, Name1(), FCaption.Width, TTextFit::Caption);

    TRect wheel = FScaleArea;
    if (FScaleShown) {
        PaintScale(c, wheel);
        FCentre = ScaleMetrics().Centre;
        FRadius = std::max(0, std::min(wheel.Width(), wheel.Height()) / 2 - ScaleMetrics().MajorTickLength / 2 - 2);
    } else {
        FCentre = RectCenter(wheel);
        FRadius = std::max(0, wheel.Width() / 2 - 2);
    }
    SetHitRect(Rect(FCentre.X - FRadius, FCentre.Y - FRadius, FCentre.X + FRadius, FCentre.Y + FRadius));
    PaintGear(c);
}

void TOvGearDial::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FLastMouseAngle = PointAngle(FCentre, Point(X, Y));
    FDragAngle = PointerAngle();
    TOvAnalogOperable::MouseDown(Button, Shift, X, Y);
}

void TOvGearDial::SlideTo(TShiftState Shift, int X, int Y)
{
    TOvAnalogOperable::SlideTo(Shift, X, Y);
    const double a = PointAngle(FCentre, Point(X, Y));
    double delta = a - FLastMouseAngle;
    // A jump this large crossed the gap below the centre: take the short way.
    if (std::fabs(delta) > 200.0)
        delta += delta > 0.0 ? -360.0 : 360.0;
    FLastMouseAngle = a;
    FDragAngle = std::clamp(FDragAngle + delta, 0.0, double(SweepAngle));
    SetDigit(DigitAtPerMille(FDragAngle / SweepAngle * 1000.0));
}
