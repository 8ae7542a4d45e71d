#include "gauges/OvDial.h"

#include "gauges/GDraw.h"

#include <algorithm>
#include <cmath>

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
    UpdateLayout();
    EndUpdate();
}

void TOvDial::ParamChange(QObject* Sender)
{
    UpdateLayout();
    updateGeometry();
    TOvAnalogCControl::ParamChange(Sender);
    Invalidate();
}

void TOvDial::Resized()
{
    UpdateLayout();
}

void TOvDial::SetOptions(TDialOptions v)
{
    FOptions = v;
    ParamChange(this);
}

void TOvDial::SetPointerType(TDialPointer v)
{
    if (!StoreChanged(FPointerType, v))
        return;
    UpdateLayout();
    Change();
}

void TOvDial::SetPointerSize(int v)
{
    if (!StoreChanged(FPointerSize, v))
        return;
    UpdateLayout();
    Change();
}

TColor TOvDial::PointerColor() const
{
    if (!Enabled())
        return clBtnShadow;
    return Focused() ? ColorFocus() : ColorNonFocus();
}

TFont TOvDial::LabelFont() const
{
    TFont f = FScaleSettings.Font();
    if (!Enabled())
        f.SetColor(clGrayText);
    return f;
}

// ---------------------------------------------------------------- layout

TOvDial::TLayout TOvDial::ComputeLayout(int W, int H) const
{
    // The scale's label list and metrics belong to the scale settings; the
    // layout measures them as a paint would.
    auto& scale = const_cast<TScaleSettings&>(FScaleSettings);
    const TSignalSettings& sig = SignalSettings();
    TLayout L;
    TBitmap scratch(1, 1);
    TCanvas& c = scratch.Canvas;

    TRect R = Rect(0, 0, W, H);
    if (FOptions.Contains(opBevelOuter))
        R = FBevelOuter.ContentRect(R);
    L.Inner = R;

    scale.MeasureScale(c, sig.ValueFrom(), sig.ValueTo());

    c.Font = FFontValue;
    L.SampleWidth = c.TextWidth(sig.SampleText());
    L.SampleHeight = c.TextHeight(sig.SampleText());
    L.UnitWidth = c.TextWidth(sig.ValueUnit());
    L.UnitHeight = c.TextHeight(sig.ValueUnit());

    // Value box at the top, the unit to its right.
    if (FOptions.Contains(opValue)) {
        const int thick = FBevelValue.TotalThickness();
        const int h = 2 * thick + L.SampleHeight;
        const int d = L.SampleHeight / 3;
        const int u = FOptions.Contains(opUnit) ? L.UnitWidth : 0;
        L.ValueBox.Left = R.Left + (R.Width() - L.SampleWidth - u - d) / 2 - d;
        L.ValueBox.Top = R.Top;
        L.ValueBox.Right = L.ValueBox.Left + L.SampleWidth + 2 * thick + 2 * d;
        L.ValueBox.Bottom = R.Top + h;
        L.ValueRect = FBevelValue.ContentRect(L.ValueBox);
        L.UnitPos = Point(L.ValueRect.Right + d, L.ValueRect.Top);
        L.ValueRect.Left += d;
        L.ValueRect.Right -= d;
        R.Top = R.Top + h + FBevelOuter.Spacing();
        L.Bottom = std::max(L.ValueBox.Bottom, L.ValueRect.Top + L.UnitHeight);
    }

    if (FOptions.Contains(opScaleText))
        scale.MeasureScale(c, sig.ValueFrom(), sig.ValueTo());
    else
        scale.ClearLabels();
    scale.SetMajorTickPenWidth(2);

    // Name captions at the bottom; they do not shrink R (the knob is sized by
    // width alone).
    c.Font = Font();
    const int lineHeight = c.TextHeight(QStringLiteral("X"));
    L.CaptionWidth = R.Width();
    int captionBottom = R.Bottom;
    int captions = 0;
    if (FOptions.Contains(opName2)) {
        L.Name2Pos = Point(W / 2, captionBottom);
        captionBottom -= lineHeight;
        ++captions;
    }
    if (FOptions.Contains(opName1)) {
        L.Name1Pos = Point(W / 2, captionBottom);
        captionBottom -= lineHeight;
        ++captions;
    }

    // Knob placement.
    L.ScaleRect = R;
    int scaleBottom = R.Top;
    if (FOptions.Contains(opScale)) {
        TRect inner = R;
        scale.LayoutCircularScale(inner, SweepAngle, StartAngle);
        L.KnobOuter = inner;
        ShrinkRect(L.KnobOuter, scale.MajorTickLength() + 4);
        // The lowest labels sit at 45 degrees below the centre's level.
        const TPoint centre = scale.ScaleCentre();
        const int radius = centre.Y - R.Top - scale.LabelHeight() / 2;
        scaleBottom = centre.Y + int(std::ceil(radius * 0.7072)) + scale.LabelHeight() / 2 + 1;
    } else {
        L.KnobOuter = R;
        L.KnobOuter.Bottom = R.Top + R.Width();
    }
    L.KnobRect = FBevelDial.RoundContentRect(L.KnobOuter);
    L.RoundPointerRadius = std::min(std::max(L.KnobRect.Width() / 13, 2), MaxRoundPointerRadius);
    // Everything above the captions, plus the captions and the frame below.
    const int frameBottom = H - L.Inner.Bottom;
    L.Bottom = std::max({L.Bottom, L.KnobOuter.Bottom, scaleBottom}) + captions * lineHeight + frameBottom;

    // Pointer shape pointing straight up, turned to the start angle. A knob
    // too small for the pointer keeps the size of the last cached image.
    const int side = L.KnobRect.Width();
    const int half = (side > 10 ? side : FDialBitmap.Width()) / 2;
    L.Centre = Point(half, half);
    const int cx = L.Centre.X;
    const TPoint apex = Point(cx, 0);
    L.Triangle = { apex, Point(cx + FPointerSize / 2, FPointerSize), Point(cx - FPointerSize / 2, FPointerSize),
                   apex };
    for (TPoint& p : L.Triangle)
        p = RotatePoint(p, L.Centre, true, StartAngle);
    L.LineEnd = RotatePoint(Point(cx, FPointerSize), L.Centre, true, StartAngle);
    L.RoundCentre = RotatePoint(Point(cx, L.RoundPointerRadius), L.Centre, true, StartAngle);
    return L;
}

void TOvDial::UpdateLayout()
{
    FLayout = ComputeLayout(Width(), Height());
    SetHitRect(FLayout.KnobOuter);
    FMinimumHint = QSize();
    FSizeHint = QSize();
}

TOvDial::TLayout TOvDial::HintLayout(int W) const
{
    // A layout for another width must not disturb the scale metrics of the
    // current one, which owners read.
    auto& scale = const_cast<TScaleSettings&>(FScaleSettings);
    const TScaleMetrics saved = scale.Metrics();
    const TLayout L = ComputeLayout(W, 10000);
    scale.Metrics() = saved;
    return L;
}

QSize TOvDial::sizeHint() const
{
    if (!FSizeHint.isValid()) {
        // The default width, tall enough for everything the layout places.
        constexpr int width = 113;
        FSizeHint = QSize(width, HintLayout(width).Bottom);
    }
    return FSizeHint;
}

QSize TOvDial::minimumSizeHint() const
{
    if (FMinimumHint.isValid())
        return FMinimumHint;
    // The narrowest width whose knob face still carries the pointer (wider
    // than 10 pixels) and whose value box and unit fit inside the frame.
    int w = 8;
    TLayout L;
    for (; w < 400; ++w) {
        L = HintLayout(w);
        const bool knob = L.KnobRect.Width() > 10;
        const int unit = FOptions.Contains(opUnit) ? L.UnitWidth : 0;
        const bool box = !FOptions.Contains(opValue)
            || (L.ValueBox.Left >= L.Inner.Left && L.UnitPos.X + unit <= L.Inner.Right);
        if (knob && box)
            break;
    }
    FMinimumHint = QSize(w, L.Bottom);
    return FMinimumHint;
}

// ---------------------------------------------------------------- painting

void TOvDial::DrawFrame(TCanvas& c)
{
    // Frame, or a plain background in the frame's colour.
    if (FOptions.Contains(opBevelOuter)) {
        TRect R = c.ClipRect();
        FBevelOuter.PaintBevel(c, R);
    } else {
        const TRect R = c.ClipRect();
        c.Pen.Color = FBevelOuter.Color();
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = FBevelOuter.Color();
        c.Brush.Style = bsSolid;
        c.Rectangle(R.Left - 1, R.Top - 1, R.Right + 1, R.Bottom + 1);
    }
}

void TOvDial::DrawValueBox(TCanvas& c)
{
    if (!FOptions.Contains(opValue))
        return;
    TRect box = FLayout.ValueBox;
    FBevelValue.PaintBevel(c, box);
    if (FOptions.Contains(opUnit)) {
        c.Font = FFontValue;
        c.Font.SetColor(Enabled() ? Font().Color() : clGrayText);
        c.Brush.Style = bsClear;
        c.TextOut(FLayout.UnitPos.X, FLayout.UnitPos.Y, SignalSettings().ValueUnit());
    }
}

void TOvDial::DrawCaptions(TCanvas& c)
{
    c.Font = Font();
    if (!Enabled())
        c.Font.SetColor(clGrayText);
    c.Brush.Style = bsClear;
    // A caption wider than the space inside the frame is condensed to fit.
    c.SetTextFitWidth(std::max(1, FLayout.CaptionWidth));
    if (FOptions.Contains(opName2))
        TextOutAligned(c, FLayout.Name2Pos.X, FLayout.Name2Pos.Y, 7, SignalSettings().Name2());
    if (FOptions.Contains(opName1))
        TextOutAligned(c, FLayout.Name1Pos.X, FLayout.Name1Pos.Y, 7, SignalSettings().Name1());
    c.SetTextFitWidth(0);
}

void TOvDial::DrawScale(TCanvas& c)
{
    if (!FOptions.Contains(opScale))
        return;
    TRect R = FLayout.ScaleRect;
    const TFont labels = LabelFont();
    FScaleSettings.DrawCircularScale(c, R, SweepAngle, StartAngle, &labels);
}

void TOvDial::DrawKnob(TCanvas& c)
{
    TRect knob = FLayout.KnobOuter;
    FBevelDial.PaintRoundBevel(c, knob, 0, 0);
}

void TOvDial::Paint()
{
    const int W = Width();
    const int H = Height();
    TBitmap work(W, H);
    TCanvas& c = work.Canvas;

    DrawFrame(c);
    DrawValueBox(c);
    DrawCaptions(c);
    DrawScale(c);
    DrawKnob(c);

    // Cache the knob face without pointer.
    const TRect& knob = FLayout.KnobRect;
    const int side = knob.Width();
    if (side > 10) {
        FBitmapValid = true;
        FDialBitmap.SetSize(side, side);
        FDialBitmap.Canvas.CopyRect(Rect(0, 0, side, side), work, knob);
    } else {
        FBitmapValid = false;
    }

    Canvas().Draw(0, 0, work);
    ValueChange();
}

void TOvDial::DrawPointer(TCanvas& c, TColor colour)
{
    const TLayout& L = FLayout;
    switch (FPointerType) {
    case dpRound: {
        const TPoint p = RotatePoint(L.RoundCentre, L.Centre, true, FPointerAngle);
        DrawDot(c, p, L.RoundPointerRadius, colour);
        break;
    }
    case dpLine: {
        const TPoint a = RotatePoint(L.Triangle[0], L.Centre, true, FPointerAngle);
        const TPoint b = RotatePoint(L.LineEnd, L.Centre, true, FPointerAngle);
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
            pts[i] = RotatePoint(L.Triangle[i], L.Centre, true, FPointerAngle);
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = colour;
        c.Brush.Style = bsSolid;
        c.Polygon(pts.data(), int(pts.size()));
        break;
    }
    }
}

void TOvDial::DrawValueText(TCanvas& c, const QString& text)
{
    const TRect box = c.ClipRect();
    c.Font = FFontValue;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Pen.Color = FBevelValue.Color();
    c.Brush.Color = FBevelValue.Color();
    c.Brush.Style = bsSolid;
    c.FillRect(box);
    c.Brush.Style = bsClear;
    // A value wider than the sample the box was made for is condensed, made
    // smaller, or shown as the overflow mark: never as some of its digits.
    FShownValue = TOvDraw::DrawFittedText(c, box.Width(), 0, 2, text, box.Width(), TTextFit::Readout);
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
    DrawPointer(work.Canvas, PointerColor());
    const TRect& knob = FLayout.KnobRect;
    Canvas().Draw(knob.Left, knob.Top, work);
    Flush(knob);

    const TRect& value = FLayout.ValueRect;
    if (FOptions.Contains(opValue) && value.Width() > 0 && value.Height() > 0) {
        work.SetSize(value.Width(), value.Height());
        DrawValueText(work.Canvas, Designing() ? SignalSettings().SampleText() : ValueText());
        Canvas().Draw(value.Left, value.Top, work);
        Flush(value);
    }
}

void TOvDial::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FLastMouseAngle = PointAngle(FLayout.Centre, Point(X - FLayout.KnobRect.Left, Y - FLayout.KnobRect.Top));
    TOvAnalogCControl::MouseDown(Button, Shift, X, Y);
}

void TOvDial::SlideTo(TShiftState Shift, int X, int Y)
{
    const float a = PointAngle(FLayout.Centre, Point(X - FLayout.KnobRect.Left, Y - FLayout.KnobRect.Top));
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
    SetDigit(sig.DigitOfFraction((0.0001 + FPointerAngle) / SweepAngle));
}
