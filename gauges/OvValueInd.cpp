#include "gauges/OvValueInd.h"

#include <algorithm>

TOvValueInd::TOvValueInd(QWidget* Owner)
    : TOvAnalogDisplay(Owner)
    , FFontValue(QStringLiteral("System"), 14, clLime, fsBold)
{
    SetFaceColor(clBlack);
    FBevelValue.SetStyle(bsLowered);
    FBevelValue.SetColor(clBlack);
    FBevelValue.SetSpacing(2);
    FBevelValue.SetWidth(2);
    SignalSettings().SetName1(QStringLiteral("Value"));
    const QSize s = DefaultSize();
    SetBounds(Left(), Top(), s.width(), s.height());
}

void TOvValueInd::Loaded()
{
    TOvAnalogDisplay::Loaded();
    FBevelValue.SetOnChange([this](QObject* s) { SettingsChanged(s); });
    FFontValue.OnChange = [this](TFont&) { SettingsChanged(this); };
}

TColor TOvValueInd::DigitColour() const
{
    if (ShowLimits()) {
        if (UpperExceeded())
            return LimitUpperColor();
        if (LowerExceeded())
            return LimitLowerColor();
    }
    return FFontValue.Color();
}

void TOvValueInd::LayoutFace(TCanvas& c, const TRect& R)
{
    TRect r = R;
    c.Font = Font();
    const QString& name = SignalSettings().Name1();
    const int h = name.isEmpty() ? 0 : c.TextHeight(name);
    if (h > 0 && R.Height() - h > 24) {
        FCaptionAt = Point(R.Left + 1, R.Top);
        r.Top += h + 1;
    } else {
        FCaptionAt = Point(-1000, -1000);
    }
    FWindow = r;
}

void TOvValueInd::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    const TSignalSettings& sig = SignalSettings();
    c.Font = Font();
    c.Brush.Style = bsClear;
    if (FCaptionAt.X > -1000)
        TextOutAligned(c, FCaptionAt.X, FCaptionAt.Y, 0, sig.Name1());

    TRect w = FWindow;
    FBevelValue.SetColor(FaceColor());
    FBevelValue.PaintBevel(c, w);
    if (w.Width() <= 0 || w.Height() <= 0)
        return;
    // Unit at the right, digits right-aligned before it.
    c.Font = FFontValue;
    c.Font.SetColor(DigitColour());
    const QString unit = sig.ValueUnit();
    c.Font.SetSize(std::max(6, FFontValue.Size() * 2 / 3));
    const int unitW = unit.isEmpty() ? 0 : c.TextWidth(unit) + 3;
    const int cy = w.Top + (w.Height() - (FShowBar ? 4 : 0)) / 2;
    if (!unit.isEmpty())
        TextOutAligned(c, w.Right, cy, 5, unit);
    c.Font = FFontValue;
    c.Font.SetColor(DigitColour());
    const QString text = Designing() ? sig.SampleText() : ValueText();
    TextOutAligned(c, w.Right - unitW, cy, 5, text);
    if (FShowBar && w.Height() > 16) {
        const TRect strip = Rect(w.Left, w.Bottom - 3, w.Right, w.Bottom);
        c.Brush.Style = bsSolid;
        c.Brush.Color = 0x303030;
        c.FillRect(strip);
        c.Brush.Color = ValueColour();
        c.FillRect(Rect(strip.Left, strip.Top, TOvGaugePaint::PosOf(strip.Left, strip.Right, DrawPerMille()), strip.Bottom));
    }
}
