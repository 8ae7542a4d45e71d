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
    SetTabStop(true);
}

TOvSwitch::~TOvSwitch() = default;

void TOvSwitch::Loaded()
{
    TOvBinGControl::Loaded();
    FBevelOuter.SetOnChange([this](QObject* Sender) { ParamChange(Sender); });
    UpdateLayout();
}

void TOvSwitch::ParamChange(QObject* Sender)
{
    UpdateLayout();
    updateGeometry();
    TOvBinGControl::ParamChange(Sender);
}

void TOvSwitch::UpdateLayout()
{
    FButtonRect = FBevelOuter.ContentRect(ClientRect());
}

QSize TOvSwitch::MinimumButtonSize() const
{
    // The knob's frame and grip need room on the short side; the knob is
    // half of the long side.
    const int shortSide = 2 * BtnBevelWidth() + 6;
    return QSize(shortSide, 2 * shortSide);
}

QSize TOvSwitch::sizeHint() const
{
    return Oriented(DesignSize()).expandedTo(minimumSizeHint());
}

QSize TOvSwitch::minimumSizeHint() const
{
    const int frame = 2 * FBevelOuter.TotalThickness();
    return Oriented(MinimumButtonSize()) + QSize(frame, frame);
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
    if (!StoreChanged(FOrientation, v))
        return;
    const int longSide = std::max(Width(), Height());
    const int shortSide = std::min(Width(), Height());
    if (v == boHorizontal)
        SetBounds(Left(), Top(), longSide, shortSide);
    else
        SetBounds(Left(), Top(), shortSide, longSide);
    FVertical = v == boVertical;
    UpdateLayout();
    updateGeometry();
    Invalidate();
    emit settingsChanged();
}

void TOvSwitch::SetSwapGraphic(bool v)
{
    StoreButton(FSwapGraphic, v);
}

void TOvSwitch::DrawFrame(TCanvas& Canvas)
{
    TRect r = ClientRect();
    FBevelOuter.PaintBevel(Canvas, r);
}

void TOvSwitch::Paint()
{
    if (!Showing())
        return;
    TCanvas& c = Canvas();
    c.Font = Font();
    DrawFrame(c);
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

TOvRockerSwitch::TRockerShape TOvRockerSwitch::RockerShape(const TRect& R, bool Vertical, bool State) const
{
    const int L = R.Left;
    const int T = R.Top;
    const int Rr = R.Right - 1;
    const int Bb = R.Bottom - 1;
    const int w = BtnBevelWidth();
    const int ww = w + FBtnBevel2Width;

    TRockerShape s;
    if (Vertical) {
        const int m = T + (Bb - T) / 2;
        if (!State) {
            s.Highlight = { Point(L, T), Point(Rr, T), Point(Rr - ww, T + ww), Point(L + ww, T + ww), Point(L + w, m),
                            Point(L + w, Bb - w), Point(L, Bb) };
            s.Shadow = { Point(Rr - ww, T + ww), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + w, Bb - w),
                         Point(Rr - w, Bb - w), Point(Rr - w, m) };
            s.FaceB = { Point(L + ww, T + ww), Point(Rr - ww, T + ww), Point(Rr - w, m), Point(L + w, m) };
            s.FaceA = { Point(L + w, m), Point(Rr - w, m), Point(Rr - w, Bb - w), Point(L + w, Bb - w) };
        } else {
            s.Highlight = { Point(L, T), Point(Rr, T), Point(Rr - w, T + w), Point(L + w, T + w), Point(L + w, m),
                            Point(L + ww, Bb - ww), Point(L, Bb) };
            s.Shadow = { Point(Rr - w, T + w), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + ww, Bb - ww),
                         Point(Rr - ww, Bb - ww), Point(Rr - w, m) };
            s.FaceB = { Point(L + w, T + w), Point(Rr - w, T + w), Point(Rr - w, m), Point(L + w, m) };
            s.FaceA = { Point(L + w, m), Point(Rr - w, m), Point(Rr - ww, Bb - ww), Point(L + ww, Bb - ww) };
        }
    } else {
        const int m = L + (Rr - L) / 2;
        if (!State) {
            s.Highlight = { Point(L, T), Point(Rr, T), Point(Rr - w, T + w), Point(m, T + w), Point(L + ww, T + ww),
                            Point(L + ww, Bb - ww), Point(L, Bb) };
            s.Shadow = { Point(Rr - w, T + w), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + ww, Bb - ww),
                         Point(m, Bb - w), Point(Rr - w, Bb - w) };
            s.FaceB = { Point(L + ww, T + ww), Point(m, T + w), Point(m, Bb - w), Point(L + ww, Bb - ww) };
            s.FaceA = { Point(m, T + w), Point(Rr - w, T + w), Point(Rr - w, Bb - w), Point(m, Bb - w) };
        } else {
            s.Highlight = { Point(L, T), Point(Rr, T), Point(Rr - ww, T + ww), Point(m, T + w), Point(L + w, T + w),
                            Point(L + w, Bb - w), Point(L, Bb) };
            s.Shadow = { Point(Rr - ww, T + ww), Point(Rr, T), Point(Rr, Bb), Point(L, Bb), Point(L + w, Bb - w),
                         Point(m, Bb - w), Point(Rr - ww, Bb - ww) };
            s.FaceB = { Point(L + w, T + w), Point(m, T + w), Point(m, Bb - w), Point(L + w, Bb - w) };
            s.FaceA = { Point(m, T + w), Point(Rr - ww, T + ww), Point(Rr - ww, Bb - ww), Point(m, Bb - w) };
        }
    }
    return s;
}

namespace {

// Polygons of the rocker are filled and outlined in one colour.
void FillPolygon(TCanvas& c, const TPoint* pts, int n, TColor colour)
{
    c.Pen.Color = colour;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Brush.Color = colour;
    c.Brush.Style = bsSolid;
    c.Polygon(pts, n);
}

} // namespace

void TOvRockerSwitch::DrawBands(TCanvas& c, const TRockerShape& Shape)
{
    FillPolygon(c, Shape.Highlight.data(), int(Shape.Highlight.size()), BtnColorHighlight());
    FillPolygon(c, Shape.Shadow.data(), int(Shape.Shadow.size()), BtnColorShadow());
}

void TOvRockerSwitch::DrawFaces(TCanvas& c, const TRockerShape& Shape, bool State)
{
    FillPolygon(c, Shape.FaceB.data(), int(Shape.FaceB.size()), State ? BtnColorFace() : FBtnColorFaceSh);
    FillPolygon(c, Shape.FaceA.data(), int(Shape.FaceA.size()), State ? FBtnColorFaceHi : BtnColorFace());
}

void TOvRockerSwitch::DrawLEDStrip(TCanvas& c, const TRect& Strip)
{
    c.Brush.Color = Checked() ? FLEDColorOn : FLEDColorOff;
    c.Brush.Style = bsSolid;
    c.FillRect(Strip);
    TRect frame = Strip;
    Frame3D(c, frame, BtnColorShadow(), BtnColorHighlight(), 1);
}

void TOvRockerSwitch::DrawCaption(TCanvas& c, int X, int Y, int FitWidth)
{
    c.Font = Font();
    c.Brush.Style = bsClear;
    c.SetTextFitWidth(std::max(1, FitWidth));
    TextOutLines(c, X, Y, 4, Text(), 0);
    c.SetTextFitWidth(0);
}

void TOvRockerSwitch::DrawSwitch(TCanvas& c, const TRect& R, bool Vertical, bool State)
{
    const int L = R.Left;
    const int T = R.Top;
    const int Rr = R.Right - 1;
    const int Bb = R.Bottom - 1;
    const int w = BtnBevelWidth();

    c.Font = Font();
    const int th = c.TextHeight(QStringLiteral("X"));

    const TRockerShape shape = RockerShape(R, Vertical, State);
    const auto& faceA = shape.FaceA;
    const auto& faceB = shape.FaceB;
    DrawBands(c, shape);
    DrawFaces(c, shape, State);

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
    DrawLEDStrip(c, led);

    // Caption, kept within the face it stands on.
    int x, y, fit;
    if (Vertical) {
        x = L + (Rr - L) / 2;
        y = SwapGraphic() ? faceB[0].Y + th : faceA[2].Y - th;
        fit = (Rr - w) - (L + w) - 1;
    } else {
        y = T + (Bb - T) / 2;
        x = SwapGraphic() ? faceB[0].X + (Rr - L) / 5 : faceA[1].X - (Rr - L) / 5;
        const int m = L + (Rr - L) / 2;
        // The face's outer edge moves in when it is pressed; keep a pixel
        // clear of it on both sides.
        const int faceLeft = SwapGraphic() ? faceB[0].X : m;
        const int faceRight = SwapGraphic() ? m : faceA[1].X;
        fit = 2 * (std::min(x + FTextX - faceLeft, faceRight - (x + FTextX)) - 1);
    }
    DrawCaption(c, x + FTextX, y + FTextY, fit);
}

QSize TOvRockerSwitch::DesignSize() const
{
    // 33 x 81, wider where the caption would have to be condensed.
    QSize size(33, 81);
    TBitmap scratch(1, 1);
    scratch.Canvas.Font = Font();
    int widest = 0;
    for (const QString& line : Text().split(QLatin1Char('|')))
        widest = std::max(widest, scratch.Canvas.TextWidth(line));
    const int frame = 2 * BevelOuter().TotalThickness();
    if (FLEDHeight > 0) {
        if (Vertical()) // across the face
            size.setWidth(std::max(size.width(), widest + 2 * BtnBevelWidth() + 3 + frame));
        else // centred a fifth of the length from the end of a face
            size.setHeight(std::max(size.height(), (widest + 1) * 5 / 2 + frame));
    }
    return size;
}

QSize TOvRockerSwitch::MinimumButtonSize() const
{
    // Both bands, a face strip and, when shown, the LED strip and the caption.
    const int ww = BtnBevelWidth() + FBtnBevel2Width;
    TBitmap scratch(1, 1);
    scratch.Canvas.Font = Font();
    const int lines = FLEDHeight > 0 ? int(Text().split(QLatin1Char('|')).size()) : 0;
    const int shortSide = 2 * ww + 2 * BtnBevelWidth() + 4;
    const int longSide = 2 * ww + 2 * BtnBevelWidth() + FLEDHeight + lines * scratch.Canvas.TextHeight(QStringLiteral("X")) + 4;
    return QSize(shortSide, std::max(longSide, shortSide));
}

// ---------------------------------------------------------------- TOvToggleSwitch

TOvToggleSwitch::TOvToggleSwitch(QWidget* Owner)
    : TOvSwitch(Owner)
{
    SetBounds(Left(), Top(), 25, 57);
}

void TOvToggleSwitch::DrawTrack(TCanvas& c, const TRect& R, TColor Colour)
{
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Pen.Color = Colour;
    c.Brush.Color = Colour;
    c.Brush.Style = bsSolid;
    c.Rectangle(R);
}

void TOvToggleSwitch::DrawKnob(TCanvas& c, TRect& K)
{
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Brush.Style = bsSolid;
    c.Brush.Color = BtnColorFace();
    c.Pen.Color = clBlack;
    c.Rectangle(K);
    ShrinkRect(K, 1);
    Frame3D(c, K, BtnColorHighlight(), BtnColorShadow(), BtnBevelWidth());
}

void TOvToggleSwitch::DrawGrip(TCanvas& c, const TRect& K, bool Vertical)
{
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
}

void TOvToggleSwitch::DrawStateText(TCanvas& c, int X, int Y, int FitWidth, const QString& Text)
{
    c.Font = Font();
    c.Brush.Style = bsClear;
    c.SetTextFitWidth(std::max(1, FitWidth));
    TextOutLines(c, X, Y, 4, Text, 0);
    c.SetTextFitWidth(0);
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

    DrawTrack(c, R, fillColour);
    DrawKnob(c, K);
    DrawGrip(c, K, Vertical);

    // Text in the middle of the free half, a quarter of the length from its
    // end, kept within that half.
    int x, y, fit;
    if (Vertical) {
        x = R.Left + R.Width() / 2;
        y = State ? R.Bottom - R.Height() / 4 : R.Top + R.Height() / 4;
        fit = R.Width();
    } else {
        y = R.Top + R.Height() / 2;
        x = State ? R.Right - R.Width() / 4 : R.Left + R.Width() / 4;
        fit = R.Width() / 2;
    }
    DrawStateText(c, x, y, fit, text);
}
