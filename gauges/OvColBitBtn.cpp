#include "gauges/OvColBitBtn.h"

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
    c.Font = Font();
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    const int shift = down ? 1 : 0;
    TextOutLines(c, R.Left + R.Width() / 2 + shift, R.Top + R.Height() / 2 + shift, 4, Caption(), 0);
}
