#include "gauges/OvLED.h"

#include "gauges/GDraw.h"
#include "gauges/OvFlashT.h"

#include <QStringList>

#include <algorithm>

void DrawLamp(TCanvas& canvas, const TRect& r, TLEDShape shape, TColor color)
{
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    const int hw = (R - L) / 2;
    const int hh = (B - T) / 2;
    canvas.Pen.Color = clBtnShadow;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = color;
    switch (shape) {
    case sRound: {
        canvas.Ellipse(L, T, R, B);
        const int inset = (R - L) / 5;
        canvas.Pen.Color = clBtnHighlight;
        canvas.Pen.Width = std::max(1, (R - L) / 8);
        const int l = L + inset, t = T + inset, rr = R - inset, b = B - inset;
        // From the top centre counter-clockwise to the left middle.
        canvas.Arc(l, t, rr, b, l + (rr - l) / 2, t, l, t + (b - t) / 2);
        canvas.Pen.Width = 1;
        break;
    }
    case sArrowLeft:
        canvas.Polygon({Point(L, T + hh), Point(R - 1, T), Point(R - 1, B - 1)});
        break;
    case sArrowRight:
        canvas.Polygon({Point(L, T), Point(R - 1, T + hh), Point(L, B - 1)});
        break;
    case sArrowUp:
        canvas.Polygon({Point(L + hw, T), Point(R - 1, B - 1), Point(L, B - 1)});
        break;
    case sArrowDown:
        canvas.Polygon({Point(L, T), Point(R - 1, T), Point(L + hw, B - 1)});
        break;
    case sRectangle:
        // Corner radius 1: a 2 x 2 corner ellipse.
        canvas.RoundRect(L, T, R, B, 2, 2);
        break;
    case sDiamondLeft:
        canvas.Polygon({Point(L, T), Point(L + hw, T), Point(R, B), Point(L + hw, B)});
        break;
    case sDiamondRight:
        canvas.Polygon({Point(L + hw, T), Point(R, T), Point(L + hw, B), Point(L, B)});
        break;
    }
}

TOvLED::TOvLED(QWidget* Owner)
    : TOvBinGControl(Owner)
{
    SetBounds(Left(), Top(), 73, 33);
    // The caption starts as the component's name and follows it while the
    // two agree, as a freshly placed component's caption does.
    FNameAtCaption = objectName();
    SetCaption(FNameAtCaption);
    QObject::connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        if (Caption() == FNameAtCaption)
            SetCaption(name);
        FNameAtCaption = name;
    });
    FLED.SetOnChange([this](QObject* sender) { ParamChange(sender); });
}

TOvLED::~TOvLED()
{
    FLED.SetOnChange(nullptr);
    TOvFlashRegistry::UnregisterControl(this);
}

void TOvLED::SetLED_Position(TLEDPos value)
{
    if (value == FLEDPosition)
        return;
    FLEDPosition = value;
    Invalidate();
}

void TOvLED::SetSpacing(int value)
{
    if (value == FSpacing)
        return;
    FSpacing = value;
    Invalidate();
}

void TOvLED::ParamChange(QObject* Sender)
{
    (void)Sender;
    Invalidate();
}

TRect TOvLED::FlashRect() const
{
    TRect r = FLED.LampRect();
    // The diamonds' outline reaches the right and bottom edge itself.
    r.Right += 1;
    r.Bottom += 1;
    TRect clipped;
    IntersectRect(clipped, r, Rect(0, 0, Width(), Height()));
    return clipped;
}

void TOvLED::Paint()
{
    if (Painting)
        return;
    Painting = true;
    TCanvas& canvas = Canvas();
    const int W = Width();
    const int H = Height();

    // The control stands on a face-coloured panel.
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clBtnFace;
    canvas.FillRect(Rect(0, 0, W, H));

    canvas.Font = Font();
    const QString caption = Caption();
    const QStringList lines = caption.split(QLatin1Char('|'));
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, canvas.TextWidth(line));
    const int lineHeight = canvas.TextHeight(QStringLiteral("X"));
    FCaptionWidth = widest;
    FCaptionHeight = lineHeight * int(lines.size());

    int w = FLED.Width();
    int h = FLED.Height();
    if (FLED.Shape() == sRound)
        w = h = std::max(w, h);

    TRect lamp;
    int x = 0, y = 0, alignment = 3;
    switch (FLEDPosition) {
    case lpLeft:
        lamp = Bounds(0, H / 2 - h / 2, w, h);
        x = lamp.Right + FSpacing;
        y = H / 2;
        alignment = 3;
        break;
    case lpRight:
        lamp = Bounds(W - w, H / 2 - h / 2, w, h);
        x = lamp.Left - FSpacing;
        y = H / 2;
        alignment = 5;
        break;
    case lpTop:
        lamp = Bounds(W / 2 - w / 2, 0, w, h);
        x = W / 2;
        y = lamp.Bottom + FSpacing;
        alignment = 1;
        break;
    case lpBottom:
        lamp = Bounds(W / 2 - w / 2, H - h, w, h);
        x = W / 2;
        y = lamp.Top - FSpacing;
        alignment = 7;
        break;
    }
    FLED.SetLampRect(lamp);

    canvas.Brush.Style = bsClear;
    TextOutLines(canvas, x, y, alignment, caption, 0);
    DrawLamp(canvas, lamp, FLED.Shape(), Checked() ? FLED.ColorOn() : FLED.ColorOff());
    Painting = false;
}

void TOvLED::DrawLampNow(TColor color)
{
    if (Painting || !(Visible() || Designing()))
        return;
    // Before the first full paint there is no lamp rectangle; that paint
    // draws the lamp in the right colour anyway.
    if (PaintCount() == 0) {
        Invalidate();
        return;
    }
    DrawLamp(Canvas(), FLED.LampRect(), FLED.Shape(), color);
    Flush(FlashRect());
}

void TOvLED::StatusChanged()
{
    DrawLampNow(Checked() ? FLED.ColorOn() : FLED.ColorOff());
}

void TOvLED::Flash(bool On)
{
    DrawLampNow(On ? FLED.ColorOn() : FLED.ColorOff());
}
