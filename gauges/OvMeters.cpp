#include "gauges/OvMeters.h"

#include <algorithm>

TOvLinearMeter::TOvLinearMeter(bool vertical, bool bar, QWidget* Owner)
    : TOvAnalogDisplay(Owner)
    , FVertical(vertical)
    , FBar(bar)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack));
    FBevelPlate.SetStyle(bsLowered);
    FBevelPlate.SetSpacing(0);
    FBevelPlate.SetWidth(bar ? 2 : 1);
    SignalSettings().SetName1(bar ? QStringLiteral("Level") : QStringLiteral("Meter"));
    ScaleSettings().SetSubSteps(bar ? 2 : 4);
    ScaleSettings().SetPointerColor(clRed);
    SetFaceColor(bar ? TColor(0x202020) : TColor(clWhite));
    TakePreferredSize();
}

void TOvLinearMeter::Loaded()
{
    TOvAnalogDisplay::Loaded();
    FBevelPlate.SetOnChange([this](QObject* s) { SettingsChanged(s); });
}

void TOvLinearMeter::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    TRect r = R;
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    const bool room = FVertical ? R.Height() > 3 * textH + Zoomed(40) : R.Height() > textH + Zoomed(24);
    const bool caption = !sig.Name1().isEmpty() && room;
    const bool value = ShowValue() && room;
    if (!room && (!sig.Name1().isEmpty() || ShowValue()))
        PlanDropped();
    c.Font.SetStyle(fsBold);
    const int readout = ReadoutWidth(c);
    FCaptionSpot = FValueSpot = TTextSpot {};
    if (!FVertical) {
        if (caption || value) {
            // One row: the caption at the left, the value at the right.
            if (value)
                FValueSpot = { Point(R.Right - 1, R.Top), 2, R.Width() - 2 };
            if (caption)
                FCaptionSpot = { Point(R.Left + 1, R.Top), 0, R.Width() - 2 - (value ? readout + textH / 2 : 0) };
            r.Top += textH + 1;
        }
    } else {
        if (caption) {
            FCaptionSpot = { Point(R.Left + R.Width() / 2, R.Top), 1, R.Width() };
            r.Top += textH + 1;
        }
        if (value) {
            FValueSpot = { Point(R.Left + R.Width() / 2, R.Bottom), 7, R.Width() };
            r.Bottom -= textH + 1;
        }
    }
    PlanCaptionAndValue(c, FCaptionSpot, FValueSpot);

    const int scaleT = MeasureLinearScale(c, FShowScale, FVertical);
    const int labelHalf = FShowScale ? LabelOverhang(FVertical) + 1 : 2;
    const int bevel = FBevelPlate.Width() + FBevelPlate.Spacing();

    if (!FBar) {
        // Plate over the whole rest: strip, ticks and labels inside it, room
        // for the pointer's foot beyond them.
        FPlate = r;
        FInner = r;
        ShrinkRect(FInner, bevel);
        const int foot = Zoomed(10);
        const int across = FVertical ? FInner.Width() : FInner.Height();
        const int strip = std::clamp(across / 8, Zoomed(3), Zoomed(8));
        if (across < strip + scaleT + foot + 4)
            PlanDropped();
        const int offset = std::max(2, (across - strip - scaleT - foot) / 2);
        if (!FVertical) {
            FP0 = FInner.Left + labelHalf;
            FP1 = FInner.Right - 1 - labelHalf;
            FStrip0 = FInner.Top + offset;
        } else {
            FP0 = FInner.Bottom - 1 - labelHalf;
            FP1 = FInner.Top + labelHalf;
            FStrip0 = FInner.Left + offset;
        }
        FStrip1 = FStrip0 + strip;
        FScaleBase = FStrip1;
    } else {
        // Trough beside the scale.
        const int across = (FVertical ? r.Width() : r.Height()) - scaleT - 2;
        if (across < Zoomed(8))
            PlanDropped();
        const int thick = std::clamp(across, Zoomed(8), Zoomed(30));
        if (!FVertical) {
            FPlate = Rect(r.Left + labelHalf - bevel, r.Top, r.Right - labelHalf + bevel, r.Top + thick);
            FInner = FPlate;
            ShrinkRect(FInner, bevel);
            FP0 = FInner.Left;
            FP1 = FInner.Right - 1;
            FScaleBase = FPlate.Bottom + 1;
        } else {
            const int left = r.Left + std::max(0, (r.Width() - thick - scaleT - 2) / 2);
            FPlate = Rect(left, r.Top + labelHalf - bevel, left + thick, r.Bottom - labelHalf + bevel);
            FInner = FPlate;
            ShrinkRect(FInner, bevel);
            FP0 = FInner.Bottom - 1;
            FP1 = FInner.Top;
            FScaleBase = FPlate.Right + 1;
        }
    }
    if (FShowScale)
        PlanLinearScale(FP0, FP1, FScaleBase, FVertical, 1);
}

void TOvLinearMeter::PaintPlate(TCanvas& c)
{
    TRect p = FPlate;
    FBevelPlate.SetColor(FaceColor());
    FBevelPlate.PaintBevel(c, p);
}

void TOvLinearMeter::PaintPointer(TCanvas& c)
{
    const int pos = ValuePos();
    const TColor colour = ScaleSettings().PointerColor();
    c.Pen.Color = colour;
    c.Pen.Width = 2;
    c.Pen.Style = psSolid;
    c.Brush.Color = colour;
    c.Brush.Style = bsSolid;
    const int s = Zoomed(5);
    if (!FVertical) {
        c.MoveTo(pos, FInner.Top + 1);
        c.LineTo(pos, FInner.Bottom - s);
        c.Pen.Width = 1;
        c.Pen.Color = TOvGaugePaint::Shade(colour, 0.6);
        c.Polygon({ Point(pos, FInner.Bottom - 2 * s), Point(pos - s, FInner.Bottom - 1), Point(pos + s, FInner.Bottom - 1) });
    } else {
        c.MoveTo(FInner.Left + 1, pos);
        c.LineTo(FInner.Right - s, pos);
        c.Pen.Width = 1;
        c.Pen.Color = TOvGaugePaint::Shade(colour, 0.6);
        c.Polygon({ Point(FInner.Right - 2 * s, pos), Point(FInner.Right - 1, pos - s), Point(FInner.Right - 1, pos + s) });
    }
}

void TOvLinearMeter::PaintBar(TCanvas& c)
{
    const int pos = ValuePos();
    TRect fill = FInner;
    if (!FVertical)
        fill.Right = std::min(FInner.Right, pos + 1);
    else
        fill.Top = std::max(FInner.Top, pos);
    if (fill.Width() <= 0 || fill.Height() <= 0)
        return;
    const TColor colour = ValueColour();
    // Lit in the middle, darker at the edges: a rounded bar.
    DrawGradient(c, fill, TOvGaugePaint::Shade(colour, 1.35), FVertical ? gsVertical2 : gsHorizontal2,
                 TOvGaugePaint::Shade(colour, 0.6));
}

void TOvLinearMeter::PaintLimits(TCanvas& c)
{
    for (const TLimitMark& l : LimitMarks()) {
        const int p = TOvGaugePaint::PosOf(FP0, FP1, l.PerMille);
        if (!FBar) {
            const TPoint tip = FVertical ? Point(FStrip1 + 4, p) : Point(p, FStrip1 + 4);
            const TPoint back = FVertical ? Point(FStrip1 + 8, p) : Point(p, FStrip1 + 8);
            TOvGaugePaint::DrawMark(c, tip, back, l.Colour, l.Colour);
            continue;
        }
        c.Pen.Color = l.Colour;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        if (!FVertical) {
            c.MoveTo(p, FInner.Top);
            c.LineTo(p, FInner.Bottom);
        } else {
            c.MoveTo(FInner.Left, p);
            c.LineTo(FInner.Right, p);
        }
    }
}

void TOvLinearMeter::PaintMinMax(TCanvas& c)
{
    TMinMax& mm = MinMax();
    const struct {
        bool visible;
        bool recorded;
        int pos;
        TColor colour;
    } marks[2] = { { mm.MinVisible(), mm.Min() != TMinMax::InitialMin, MinPos(), mm.MinColor() },
                   { mm.MaxVisible(), mm.Max() != TMinMax::InitialMax, MaxPos(), mm.MaxColor() } };
    for (const auto& m : marks) {
        if (!m.visible || !m.recorded)
            continue;
        const int p = TOvGaugePaint::PosOf(FP0, FP1, std::clamp(m.pos, 0, 1000));
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = m.colour;
        c.Brush.Style = bsSolid;
        if (!FVertical)
            c.Polygon({ Point(p, FPlate.Top + 4), Point(p - 3, FPlate.Top - 0), Point(p + 3, FPlate.Top - 0) });
        else
            c.Polygon({ Point(FPlate.Left + 4, p), Point(FPlate.Left, p - 3), Point(FPlate.Left, p + 3) });
    }
}

void TOvLinearMeter::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    PaintCaptionAndValue(c, FCaptionSpot, FValueSpot);
    PaintPlate(c);
    if (!FBar) {
        TOvGaugePaint::DrawSectorStrips(c, SectorSettings(), FP0, FP1, FStrip0, FStrip1, FVertical);
        if (FShowScale)
            DrawLinearScale(c, FP0, FP1, FScaleBase, FVertical, 1);
        PaintLimits(c);
        PaintPointer(c);
    } else {
        PaintBar(c);
        PaintLimits(c);
        if (FShowScale)
            DrawLinearScale(c, FP0, FP1, FScaleBase, FVertical, 1);
        PaintMinMax(c);
    }
}

TOvHMeter::TOvHMeter(QWidget* Owner) : TOvLinearMeter(false, false, Owner) { }
TOvVMeter::TOvVMeter(QWidget* Owner) : TOvLinearMeter(true, false, Owner) { }
TOvFlexHMeter::TOvFlexHMeter(QWidget* Owner) : TOvLinearMeter(false, true, Owner) { }
TOvFlexVMeter::TOvFlexVMeter(QWidget* Owner) : TOvLinearMeter(true, true, Owner) { }
