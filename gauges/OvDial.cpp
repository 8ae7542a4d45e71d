#include "gauges/OvDial.h"

#include "gauges/GDraw.h"

#include <cmath>

namespace {

// Rounding to nearest, ties to even (the library's rounding everywhere).
int RoundEven(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

} // namespace

TOvDial::TOvDial(QWidget* Owner)
    : TOvAnalogCControl(Owner)
    , FFontValue(QStringLiteral("System"), 10, clLime)
{
    // Second update level; Loaded ends it.
    BeginUpdate();

    FBevelOuter.SetSpacing(5);
    FBevelOuter.SetBevelLine(blOuter);
    FBevelOuter.SetWidth(2);

    FBevelValue.SetStyle(bsLowered);
    FBevelValue.SetWidth(2);
    FBevelValue.SetColor(clBlack);
    FBevelValue.SetSpacing(0);

    FBevelDial.SetColorShadowFrom(clBtnHighlight);
    FBevelDial.SetColorShadowTo(clBtnShadow);
    FBevelDial.SetBevelLine(blOuter);
    FBevelDial.SetPenColor(clBtnShadow);
    FBevelDial.SetSpacing(1);
    FBevelDial.SetElliptic(true);

    FScaleSettings.Font().SetSize(8);

    FDialBitmap.SetSize(1, 1);
    SetRoundHitArea(true);
    SetBounds(Left(), Top(), 113, 161);
}

TOvDial::~TOvDial() = default;

void TOvDial::HookSettings()
{
    auto param = [this](QObject* Sender) { ParamChange(Sender); };
    FBevelOuter.SetOnChange(param);
    FBevelValue.SetOnChange(param);
    FBevelDial.SetOnChange(param);
    FScaleSettings.SetOnChange(param);
    FFontValue.OnChange = [this](TFont&) { ParamChange(this); };
}

void TOvDial::Loaded()
{
    TOvAnalogCControl::Loaded();
    HookSettings();
    EndUpdate();
}

void TOvDial::ParamChange(QObject* Sender)
{
    TOvAnalogCControl::ParamChange(Sender);
    Invalidate();
}

void TOvDial::SetOptions(TDialOptions v)
{
    FOptions = v;
    ParamChange(this);
}

void TOvDial::SetPointerType(TDialPointer v)
{
    if (v == FPointerType)
        return;
    FPointerType = v;
    Change();
}

void TOvDial::SetPointerSize(int v)
{
    if (v == FPointerSize)
        return;
    FPointerSize = v;
    Change();
}

TColor TOvDial::PointerColor() const
{
    if (!Enabled())
        return clBtnShadow;
    return Focused() ? ColorFocus() : ColorNonFocus();
}

void TOvDial::Paint()
{
    const int W = Width();
    const int H = Height();
    TBitmap work(W, H);
    TCanvas& c = work.Canvas;
    TRect R = work.ClientRect();
    const TSignalSettings& sig = SignalSettings();

    // Frame, or a plain background in the frame's colour.
    if (FOptions.Contains(opBevelOuter)) {
        FBevelOuter.PaintBevel(c, R);
    } else {
        c.Pen.Color = FBevelOuter.Color();
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = FBevelOuter.Color();
        c.Brush.Style = bsSolid;
        c.Rectangle(-1, -1, W + 1, H + 1);
    }

    FScaleSettings.MeasureScale(c, sig.ValueFrom(), sig.ValueTo());

    c.Font = FFontValue;
    FSampleWidth = c.TextWidth(sig.SampleText());
    FSampleHeight = c.TextHeight(sig.SampleText());
    FUnitWidth = c.TextWidth(sig.ValueUnit());
    FUnitHeight = c.TextHeight(sig.ValueUnit());

    // Value box at the top, the unit to its right.
    if (FOptions.Contains(opValue)) {
        const int thick = FBevelValue.TotalThickness();
        const int h = 2 * thick + FSampleHeight;
        const int d = FSampleHeight / 3;
        const int u = FOptions.Contains(opUnit) ? FUnitWidth : 0;
        FValueRect.Left = R.Left + (R.Width() - FSampleWidth - u - d) / 2 - d;
        FValueRect.Top = R.Top;
        FValueRect.Right = FValueRect.Left + FSampleWidth + 2 * thick + 2 * d;
        FValueRect.Bottom = R.Top + h;
        FBevelValue.PaintBevel(c, FValueRect);
        c.Font.SetColor(Font().Color());
        c.Brush.Style = bsClear;
        if (FOptions.Contains(opUnit))
            c.TextOut(FValueRect.Right + d, FValueRect.Top, sig.ValueUnit());
        FValueRect.Left += d;
        FValueRect.Right -= d;
        R.Top = R.Top + h + FBevelOuter.Spacing();
    } else {
        FValueRect = TRect {};
    }

    if (FOptions.Contains(opScaleText))
        FScaleSettings.MeasureScale(c, sig.ValueFrom(), sig.ValueTo());
    else
        FScaleSettings.ClearLabels();
    FScaleSettings.SetMajorTickPenWidth(2);

    // Name captions at the bottom; they do not shrink R (the knob is sized by
    // width alone).
    c.Font = Font();
    c.Brush.Style = bsClear;
    int captionBottom = R.Bottom;
    if (FOptions.Contains(opName2)) {
        TextOutAligned(c, W / 2, captionBottom, 7, sig.Name2());
        captionBottom -= c.TextHeight(QStringLiteral("X"));
    }
    if (FOptions.Contains(opName1)) {
        TextOutAligned(c, W / 2, captionBottom, 7, sig.Name1());
        captionBottom -= c.TextHeight(QStringLiteral("X"));
    }

    // Knob placement.
    if (FOptions.Contains(opScale)) {
        FScaleSettings.DrawCircularScale(c, R, SweepAngle, StartAngle);
        FCentre = FScaleSettings.ScaleCentre();
        FKnobRect = R;
        ShrinkRect(FKnobRect, FScaleSettings.MajorTickLength() + 4);
    } else {
        FCentre = Point(R.Left + R.Width() / 2, R.Top + R.Width() / 2);
        FKnobRect = R;
        FKnobRect.Bottom = R.Top + R.Width();
    }
    SetHitRect(FKnobRect);
    // The knob's bevel; KnobRect becomes its face, where the pointer turns.
    FBevelDial.PaintRoundBevel(c, FKnobRect, 0, 0);

    FRoundPointerRadius = std::min(std::max(FKnobRect.Width() / 13, 2), MaxRoundPointerRadius);

    // Cache the knob face without pointer.
    const int side = FKnobRect.Width();
    if (side > 10) {
        FBitmapValid = true;
        FDialBitmap.SetSize(side, side);
        FDialBitmap.Canvas.CopyRect(Rect(0, 0, side, side), work, FKnobRect);
    } else {
        FBitmapValid = false;
    }

    // Pointer shape pointing straight up, turned to the start angle.
    const int half = FDialBitmap.Width() / 2;
    FCentre = Point(half, half);
    const int cx = FCentre.X;
    const TPoint apex = Point(cx, 0);
    FTriangle = { apex, Point(cx + FPointerSize / 2, FPointerSize), Point(cx - FPointerSize / 2, FPointerSize),
                  apex };
    for (TPoint& p : FTriangle)
        p = RotatePoint(p, FCentre, true, StartAngle);
    FLineEnd = RotatePoint(Point(cx, FPointerSize), FCentre, true, StartAngle);
    FRoundCentre = RotatePoint(Point(cx, FRoundPointerRadius), FCentre, true, StartAngle);

    Canvas().Draw(0, 0, work);
    ValueChange();
}

void TOvDial::ValueChange()
{
    TOvAnalogCControl::ValueChange();
    // The angle always follows the value, drawn or not, so that a drag on a
    // dial that has not been painted yet starts from its real position.
    FPointerAngle = static_cast<float>(SignalSettings().PerMille(Value()) * (SweepAngle / 1000.0));

    if (!(Visible() || Designing()) || !FBitmapValid)
        return;

    TBitmap work;
    work.Assign(FDialBitmap);
    TCanvas& c = work.Canvas;

    const TColor colour = PointerColor();
    switch (FPointerType) {
    case dpRound: {
        const TPoint p = RotatePoint(FRoundCentre, FCentre, true, FPointerAngle);
        DrawDot(c, p, FRoundPointerRadius, colour);
        break;
    }
    case dpLine: {
        const TPoint a = RotatePoint(FTriangle[0], FCentre, true, FPointerAngle);
        const TPoint b = RotatePoint(FLineEnd, FCentre, true, FPointerAngle);
        c.Pen.Color = colour;
        c.Pen.Width = 2;
        c.Pen.Style = psSolid;
        c.MoveTo(a.X, a.Y);
        c.LineTo(b.X, b.Y);
        break;
    }
    case dpTriangle: {
        std::array<TPoint, 4> pts;
        for (size_t i = 0; i < pts.size(); ++i)
            pts[i] = RotatePoint(FTriangle[i], FCentre, true, FPointerAngle);
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = colour;
        c.Brush.Style = bsSolid;
        c.Polygon(pts.data(), int(pts.size()));
        break;
    }
    }
    Canvas().Draw(FKnobRect.Left, FKnobRect.Top, work);
    Flush(FKnobRect);

    if (FOptions.Contains(opValue) && FValueRect.Width() > 0 && FValueRect.Height() > 0) {
        work.SetSize(FValueRect.Width(), FValueRect.Height());
        c.Font = FFontValue;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Pen.Color = FBevelValue.Color();
        c.Brush.Color = FBevelValue.Color();
        c.Brush.Style = bsSolid;
        c.FillRect(work.ClientRect());
        c.Brush.Style = bsClear;
        const QString& text = Designing() ? SignalSettings().SampleText() : ValueText();
        c.TextOut(work.Width() - c.TextWidth(text), 0, text);
        Canvas().Draw(FValueRect.Left, FValueRect.Top, work);
        Flush(FValueRect);
    }
}

void TOvDial::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FLastMouseAngle = PointAngle(FCentre, Point(X - FKnobRect.Left, Y - FKnobRect.Top));
    TOvAnalogCControl::MouseDown(Button, Shift, X, Y);
}

void TOvDial::SlideTo(TShiftState Shift, int X, int Y)
{
    const float a = PointAngle(FCentre, Point(X - FKnobRect.Left, Y - FKnobRect.Top));
    float delta = a - FLastMouseAngle;
    // A step this large crossed the gap below the centre: take the short way.
    if (std::fabs(delta) > 200.0f)
        delta += delta > 0.0f ? -360.0f : 360.0f;
    FPointerAngle += delta;
    if (FPointerAngle > SweepAngle)
        FPointerAngle = SweepAngle;
    if (FPointerAngle < 0.0f)
        FPointerAngle = 0.0f;
    FLastMouseAngle = a;

    const TSignalSettings& sig = SignalSettings();
    TOvAnalogCControl::SlideTo(Shift, X, Y);
    SetDigit(RoundEven((0.0001 + FPointerAngle) / SweepAngle * sig.DigitalRange()) + sig.DigitalFrom());
}
