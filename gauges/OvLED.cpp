#include "gauges/OvLED.h"

#include "gauges/GDraw.h"
#include "gauges/OvFlashT.h"

#include <QStringList>

#include <algorithm>

void TOvLED::DrawLamp(TCanvas& canvas, const TRect& r, TLEDShape shape, TColor color)
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
    SetTransparent(true);
    UpdateLayout();
}

TOvLED::~TOvLED()
{
    FLED.SetOnChange(nullptr);
    TOvFlashRegistry::UnregisterControl(this);
}

void TOvLED::SetLED_Position(TLEDPos value)
{
    if (StoreChanged(FLEDPosition, value))
        ParamChange(this);
}

void TOvLED::SetSpacing(int value)
{
    if (StoreChanged(FSpacing, value))
        ParamChange(this);
}

void TOvLED::ParamChange(QObject* Sender)
{
    (void)Sender;
    UpdateLayout();
    updateGeometry();
    Invalidate();
    emit settingsChanged();
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

void TOvLED::UpdateLayout()
{
    TCanvas& canvas = Canvas();
    const int W = Width();
    const int H = Height();
    canvas.Font = Font();
    canvas.SetTextFitWidth(0);
    const QStringList lines = Caption().split(QLatin1Char('|'));
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
    switch (FLEDPosition) {
    case lpLeft:
        lamp = Bounds(0, H / 2 - h / 2, w, h);
        FCaptionAnchor = {lamp.Right + FSpacing, H / 2};
        FCaptionAlignment = 3;
        FCaptionFitWidth = W - FCaptionAnchor.X;
        break;
    case lpRight:
        lamp = Bounds(W - w, H / 2 - h / 2, w, h);
        FCaptionAnchor = {lamp.Left - FSpacing, H / 2};
        FCaptionAlignment = 5;
        FCaptionFitWidth = FCaptionAnchor.X;
        break;
    case lpTop:
        lamp = Bounds(W / 2 - w / 2, 0, w, h);
        FCaptionAnchor = {W / 2, lamp.Bottom + FSpacing};
        FCaptionAlignment = 1;
        FCaptionFitWidth = W;
        break;
    case lpBottom:
        lamp = Bounds(W / 2 - w / 2, H - h, w, h);
        FCaptionAnchor = {W / 2, lamp.Top - FSpacing};
        FCaptionAlignment = 7;
        FCaptionFitWidth = W;
        break;
    }
    FCaptionFitWidth = std::max(1, FCaptionFitWidth);
    FLED.SetLampRect(lamp);
}

void TOvLED::DrawCaption(TCanvas& canvas)
{
    canvas.Font = Font();
    canvas.Brush.Style = bsClear;
    // The caption keeps to the box beside the lamp; a wider font is condensed.
    canvas.SetTextFitWidth(FCaptionFitWidth);
    TextOutLines(canvas, FCaptionAnchor.X, FCaptionAnchor.Y, FCaptionAlignment, Caption(), 0);
    canvas.SetTextFitWidth(0);
}

void TOvLED::DrawLampFace(TCanvas& canvas, TColor color)
{
    DrawLamp(canvas, FLED.LampRect(), FLED.Shape(), color);
}

void TOvLED::Paint()
{
    if (Painting)
        return;
    Painting = true;
    // No background: the picture starts transparent and the panel shows.
    TCanvas& canvas = Canvas();
    DrawCaption(canvas);
    DrawLampFace(canvas, Checked() ? FLED.ColorOn() : FLED.ColorOff());
    Painting = false;
}

QSize TOvLED::HintFor(int captionWidth) const
{
    int w = FLED.Width();
    int h = FLED.Height();
    if (FLED.Shape() == sRound)
        w = h = std::max(w, h);
    if (Caption().isEmpty())
        return QSize(w, h);
    if (FLEDPosition == lpLeft || FLEDPosition == lpRight)
        return QSize(w + FSpacing + captionWidth, std::max(h, FCaptionHeight));
    return QSize(std::max(w, captionWidth), h + FSpacing + FCaptionHeight);
}

QSize TOvLED::sizeHint() const
{
    return HintFor(FCaptionWidth);
}

QSize TOvLED::minimumSizeHint() const
{
    return HintFor((FCaptionWidth * TCanvas::MinFitStretch + 99) / 100);
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
    DrawLampFace(Canvas(), color);
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
