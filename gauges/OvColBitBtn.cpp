#include "gauges/OvColBitBtn.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

TOvColBitBtn::TOvColBitBtn(QWidget* Owner)
    : TOvBinGControl(Owner)
{
    SetFont(TFont(QStringLiteral("Arial"), 8, clBlack, fsBold));
    SetMode(mSwitch);
    SetCaption(QStringLiteral("Bit"));
    FBevelOuter.SetSpacing(0);
    FBevelOuter.SetWidth(2);
    FBevelOuter.SetBevelLine(blOuter);
    SetBounds(Left(), Top(), 75, 30);
    SetTabStop(true);
}

TOvColBitBtn::~TOvColBitBtn() = default;

void TOvColBitBtn::Loaded()
{
    TOvBinGControl::Loaded();
    FBevelOuter.SetOnChange([this](QObject* s) { ParamChange(s); });
}

void TOvColBitBtn::SetColorOn(TColor v)
{
    if (StoreChanged(FColorOn, v))
        ParamChange(this);
}

void TOvColBitBtn::SetColorOff(TColor v)
{
    if (StoreChanged(FColorOff, v))
        ParamChange(this);
}

void TOvColBitBtn::ParamChange(QObject* Sender)
{
    updateGeometry();
    TOvBinGControl::ParamChange(Sender);
}

TColor TOvColBitBtn::FaceColour() const
{
    return Checked() && (!Flashing() || FFlashOn) ? FColorOn : FColorOff;
}

void TOvColBitBtn::StatusChanged()
{
    FFlashOn = true;
    Invalidate();
}

void TOvColBitBtn::StatusIntChanged() { Invalidate(); }

void TOvColBitBtn::Flash(bool On)
{
    FFlashOn = On;
    Invalidate();
}

void TOvColBitBtn::Paint()
{
    TCanvas& c = Canvas();
    TRect R = Rect(0, 0, Width(), Height());
    const bool down = Checked() || Pressed();
    FBevelOuter.SetStyle(down ? bsLowered : bsRaised);
    const TColor face = FaceColour();
    FBevelOuter.SetColor(face);
    FBevelOuter.PaintBevel(c, R);
    FFace = R;
    if (R.Width() > 2 && R.Height() > 2) {
        if (face == FColorOn && Checked())
            DrawGradient(c, R, TOvGaugePaint::Shade(face, 1.6), gsElliptic1, face);
        else
            DrawGradient(c, R, TOvGaugePaint::Shade(face, 1.12), gsHorizontal1, TOvGaugePaint::Shade(face, 0.9));
    }
    // Above the preferred size the caption grows with the button.
    c.Font = Font();
    const QSize preferred = sizeHint();
    const double zoom = std::max(1.0, std::min(double(Width()) / preferred.width(), double(Height()) / preferred.height()));
    if (zoom > 1.0)
        c.Font.SetSize(int(std::lround(Font().Size() * zoom)));
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    // The caption's lines centred on the face, each condensed (then made
    // smaller) to its width rather than cut.
    const int shift = down ? 1 : 0;
    const QStringList lines = Caption().split(QLatin1Char('|'));
    const int pitch = c.TextHeight(QStringLiteral("X"));
    int y = R.Top + R.Height() / 2 + shift - pitch * (int(lines.size()) - 1) / 2;
    for (const QString& line : lines) {
        TOvDraw::DrawFittedText(c, R.Left + R.Width() / 2 + shift, y, 4, line, R.Width() - 4, TTextFit::Caption);
        y += pitch;
    }
}

QSize TOvColBitBtn::CaptionSize(int stretchPercent) const
{
    TBitmap scratch(1, 1);
    TCanvas& c = scratch.Canvas;
    c.Font = Font();
    const QStringList lines = Caption().split(QLatin1Char('|'));
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, c.NaturalTextWidth(line));
    // Inside the bevel, two pixels from its edge and one for the pressed shift.
    const int frame = 2 * FBevelOuter.TotalThickness() + 4 + 1;
    return QSize((widest * stretchPercent + 99) / 100 + frame,
                 int(lines.size()) * c.TextHeight(QStringLiteral("X")) + frame);
}

QSize TOvColBitBtn::sizeHint() const { return QSize(75, 30).expandedTo(CaptionSize(100)); }

QSize TOvColBitBtn::minimumSizeHint() const { return CaptionSize(TCanvas::MinFitStretch); }
