#include "gauges/OvSwitch.h"

#include "gauges/GDraw.h"

#include <algorithm>
#include <array>

// ---------------------------------------------------------------- TOvSwitch

TOvSwitch::TOvSwitch(QWidget* Owner)
    : TOvBinGControl(Owner)
{
    FBevelOuter.SetWidth(1);
    FBevelOuter.SetSpacing(1);
    FBevelOuter.SetStyle(bsLowered);
    FBevelOuter.SetColor(clBtnShadow);
    FBevelOuter.SetBevelLine(blInner);
    SetMode(mSwitch);
}

TOvSwitch::~TOvSwitch() = default;

void TOvSwitch::Loaded()
{
    TOvBinGControl::Loaded();
    FBevelOuter.SetOnChange([this](QObject* Sender) { ParamChange(Sender); });
}

void TOvSwitch::ParamChange(QObject* Sender)
{
    (void)Sender;
    Invalidate();
}

void TOvSwitch::SetBtnColorHighlight(TColor v)
{
    StoreButton(FBtnColorHighlight, v);
}

void TOvSwitch::SetBtnColorShadow(TColor v)
{
    StoreButton(FBtnColorShadow, v);
}

void TOvSwitch::SetBtnColorFace(TColor v)
{
    StoreButton(FBtnColorFace, v);
}

void TOvSwitch::SetBtnBevelWidth(int v)
{
    if (v < 0)
        return;
    StoreButton(FBtnBevelWidth, v);
}

void TOvSwitch::SetOrientation(TBtnOrientation v)
{
    if (v == FOrientation)
        return;
    FOrientation = v;
    const int longSide = std::max(Width(), Height());
    const int shortSide = std::min(Width(), Height());
    if (v == boHorizontal)
        SetBounds(Left(), Top(), longSide, shortSide);
    else
        SetBounds(Left(), Top(), shortSide, longSide);
    FVertical = v == boVertical;
    Invalidate();
}

void TOvSwitch::SetSwapGraphic(bool v)
{
    StoreButton(FSwapGraphic, v);
}

void TOvSwitch::Paint()
{
    if (!Showing())
        return;
    TCanvas& c = Canvas();
    c.Font = Font();
    TRect r = ClientRect();
    FBevelOuter.PaintBevel(c, r);
    FButtonRect = r;
    StatusChanged();
}

void TOvSwitch::StatusChanged()
{
    if (!Showing() || FButtonRect.Width() <= 0 || FButtonRect.Height() <= 0)
        return;
    TBitmap button(FButtonRect.Width(), FButtonRect.Height());
    button.Canvas.Font = Font();
    DrawSwitch(button.Canvas, button.ClientRect(), FVertical, Checked() != FSwapGraphic);
    Canvas().Draw(FButtonRect.Left, FButtonRect.Top, button);
    Flush(FButtonRect);
}

void TOvSwitch::DrawSwitch(TCanvas& Canvas, const TRect& R, bool Vertical, bool State)
{
    (void)Canvas;
    (void)R;
    (void)Vertical;
    (void)State;
}

void TOvSwitch::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // Only a press on the half the knob can move to counts; the other half
    // swallows it (the click event still fires).
    const bool on = Checked() != FSwapGraphic;
    bool pass;
    if (FVertical)
        pass = on ? Y > Height() / 2 : Y < Height() / 2;
    else
        pass = on ? X > Width() / 2 : X < Width() / 2;
    if (pass)
        TOvBinGControl::MouseDown(Button, Shift, X, Y);
}

// ---------------------------------------------------------------- TOvRockerSwitch

TOvRockerSwitch::TOvRockerSwitch(QWidget* Owner)
    : TOvSwitch(Owner)
{
    SetBounds(Left(), Top(), 33, 81);
}

void TOvRockerSwitch::SetLEDHeight(int v)
{
    if (v < 0)
        return;
    StoreButton(FLEDHeight, v);
}

void TOvRockerSwitch::SetBtnBevel2Width(int v)
{
    if (v < 0)
        return;
    StoreButton(FBtnBevel2Width, v);
}

void TOvRockerSwitch::DrawSwitch(TCanvas& c, const TRect& R, bool Vertical, bool State)
{
    const int L = R.Left;
    const int T = R.Top;
    const int Rr = R.Right - 1;
    const int Bb = R.Bottom - 1;
    const int w = BtnBevelWidth();
    const int w2 = FBtnBevel2Width;
    const int ww = w + w2;

    c.Font = Font();
    const int th = c.TextHeight(QStringLiteral("X"));

    using Quad = std::array<TPoint, 4>;
    using Band = std::array<TPoint, 7>;
    Band highlight, shadow;
    Quad faceB, faceA;
    if (Vertical) {
        const int m = T + (Bb - T) / 2;
        if (!State) {
            highlight = { Point(L, T), Point(Rr, T), Point(Rr - ww, T + ww), Point(L + ww, T + ww), Point(L + w, m),
                          Point(L + w, Bb - w), Point(L, Bb) };
            shadow = { Point(Rr - ww, T + ww), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + w, Bb - w),
                       Point(Rr - w, Bb - w), Point(Rr - w, m) };
            faceB = { Point(L + ww, T + ww), Point(Rr - ww, T + ww), Point(Rr - w, m), Point(L + w, m) };
            faceA = { Point(L + w, m), Point(Rr - w, m), Point(Rr - w, Bb - w), Point(L + w, Bb - w) };
        } else {
            highlight = { Point(L, T), Point(Rr, T), Point(Rr - w, T + w), Point(L + w, T + w), Point(L + w, m),
                          Point(L + ww, Bb - ww), Point(L, Bb) };
            shadow = { Point(Rr - w, T + w), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + ww, Bb - ww),
                       Point(Rr - ww, Bb - ww), Point(Rr - w, m) };
            faceB = { Point(L + w, T + w), Point(Rr - w, T + w), Point(Rr - w, m), Point(L + w, m) };
            faceA = { Point(L + w, m), Point(Rr - w, m), Point(Rr - ww, Bb - ww), Point(L + ww, Bb - ww) };
        }
    } else {
        const int m = L + (Rr - L) / 2;
        if (!State) {
            highlight = { Point(L, T), Point(Rr, T), Point(Rr - w, T + w), Point(m, T + w), Point(L + ww, T + ww),
                          Point(L + ww, Bb - ww), Point(L, Bb) };
            shadow = { Point(Rr - w, T + w), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + ww, Bb - ww),
                       Point(m, Bb - w), Point(Rr - w, Bb - w) };
            faceB = { Point(L + ww, T + ww), Point(m, T + w), Point(m, Bb - w), Point(L + ww, Bb - ww) };
            faceA = { Point(m, T + w), Point(Rr - w, T + w), Point(Rr - w, Bb - w), Point(m, Bb - w) };
        } else {
            highlight = { Point(L, T), Point(Rr, T), Point(Rr - ww, T + ww), Point(m, T + w), Point(L + w, T + w),
                          Point(L + w, Bb - w), Point(L, Bb) };
            shadow = { Point(Rr - ww, T + ww), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + w, Bb - w),
                       Point(m, Bb - w), Point(Rr - ww, Bb - ww) };
            faceB = { Point(L + w, T + w), Point(m, T + w), Point(m, Bb - w), Point(L + w, Bb - w) };
            faceA = { Point(m, T + w), Point(Rr - ww, T + ww), Point(Rr - ww, Bb - ww), Point(m, Bb - w) };
        }
    }

    auto fill = [&c](const TPoint* pts, int n, TColor colour) {
        c.Pen.Color = colour;
        c.Pen.Width = 1;
        c.Pen.Style = psSolid;
        c.Brush.Color = colour;
        c.Brush.Style = bsSolid;
        c.Polygon(pts, n);
    };
    fill(highlight.data(), int(highlight.size()), BtnColorHighlight());
    fill(shadow.data(), int(shadow.size()), BtnColorShadow());
    fill(faceB.data(), int(faceB.size()), State ? BtnColorFace() : FBtnColorFaceSh);
    fill(faceA.data(), int(faceA.size()), State ? FBtnColorFaceHi : BtnColorFace());

    FLEDRect = TRect {};
    if (FLEDHeight <= 0)
        return;

    // The LED strip at the outer end of face B, or of face A when swapped.
    TRect led;
    if (Vertical) {
        if (!SwapGraphic()) {
            const int xl = faceB[0].X, xr = faceB[1].X, yt = faceB[0].Y;
            led = Rect(xl + w, yt + w, xr - w, yt + w + FLEDHeight);
        } else {
            const int xl = faceA[3].X, xr = faceA[2].X, yb = faceA[2].Y;
            led = Rect(xl + w, yb - w + 1 - FLEDHeight, xr - w, yb - w + 1);
        }
    } else {
        if (!SwapGraphic()) {
            const int xl = faceB[0].X, yt = faceB[0].Y, yb = faceB[3].Y;
            led = Rect(xl + w, yt + w, xl + w + FLEDHeight, yb - w);
        } else {
            const int xr = faceA[1].X, yt = faceA[1].Y, yb = faceA[2].Y;
            led = Rect(xr - w + 1 - FLEDHeight, yt + w, xr - w + 1, yb - w);
        }
    }
    FLEDRect = led;
    c.Brush.Color = Checked() ? FLEDColorOn : FLEDColorOff;
    c.Brush.Style = bsSolid;
    c.FillRect(led);
    TRect frame = led;
    Frame3D(c, frame, BtnColorShadow(), BtnColorHighlight(), 1);

    // Caption.
    int x, y;
    if (Vertical) {
        x = L + (Rr - L) / 2;
        y = SwapGraphic() ? faceB[0].Y + th : faceA[2].Y - th;
    } else {
        y = T + (Bb - T) / 2;
        x = SwapGraphic() ? faceB[0].X + (Rr - L) / 5 : faceA[1].X - (Rr - L) / 5;
    }
    c.Brush.Style = bsClear;
    TextOutLines(c, x + FTextX, y + FTextY, 4, Text(), 0);
}

// ---------------------------------------------------------------- TOvToggleSwitch

TOvToggleSwitch::TOvToggleSwitch(QWidget* Owner)
    : TOvSwitch(Owner)
{
    SetBounds(Left(), Top(), 25, 57);
}

void TOvToggleSwitch::DrawSwitch(TCanvas& c, const TRect& R, bool Vertical, bool State)
{
    // Text and colour tell the real state; only the knob follows SwapGraphic.
    const TColor fillColour = Checked() ? FColorOn : FColorOff;
    const QString& text = Checked() ? FTextOn : FTextOff;

    TRect K = R;
    if (Vertical) {
        const int mid = R.Top + R.Height() / 2;
        if (State)
            K.Bottom = mid;
        else
            K.Top = mid;
    } else {
        const int mid = R.Left + R.Width() / 2;
        if (State)
            K.Right = mid;
        else
            K.Left = mid;
    }
    FKnobRect = K;

    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Pen.Color = fillColour;
    c.Brush.Color = fillColour;
    c.Brush.Style = bsSolid;
    c.Rectangle(R);

    c.Brush.Color = BtnColorFace();
    c.Pen.Color = clBlack;
    c.Rectangle(K);
    ShrinkRect(K, 1);
    Frame3D(c, K, BtnColorHighlight(), BtnColorShadow(), BtnBevelWidth());

    // Grip lines every 4 pixels.
    if (Vertical) {
        for (int y = K.Top + 2; y < K.Bottom - 2; y += 4) {
            c.Pen.Color = BtnColorHighlight();
            c.MoveTo(K.Left + 1, y);
            c.LineTo(K.Right - 2, y);
            c.Pen.Color = BtnColorShadow();
            c.MoveTo(K.Left + 1, y + 1);
            c.LineTo(K.Right - 2, y + 1);
        }
    } else {
        for (int x = K.Left + 2; x < K.Right - 2; x += 4) {
            c.Pen.Color = BtnColorShadow();
            c.MoveTo(x, K.Top + 2);
            c.LineTo(x, K.Bottom - 2);
            c.Pen.Color = BtnColorHighlight();
            c.MoveTo(x + 1, K.Top + 2);
            c.LineTo(x + 1, K.Bottom - 2);
        }
    }

    // Text in the middle of the free half, a quarter of the length from its end.
    int x, y;
    if (Vertical) {
        x = R.Left + R.Width() / 2;
        y = State ? R.Bottom - R.Height() / 4 : R.Top + R.Height() / 4;
    } else {
        y = R.Top + R.Height() / 2;
        x = State ? R.Right - R.Width() / 4 : R.Left + R.Width() / 4;
    }
    c.Font = Font();
    c.Brush.Style = bsClear;
    TextOutLines(c, x, y, 4, text, 0);
}
