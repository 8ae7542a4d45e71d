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
    TakePreferredSize();
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

TFont TOvValueInd::UnitFont() const
{
    TFont f = Zoomed(FFontValue);
    f.SetSize(std::max(6, f.Size() * 2 / 3));
    return f;
}

void TOvValueInd::LayoutFace(TCanvas& c, const TRect& R)
{
    const TSignalSettings& sig = SignalSettings();
    // The window needs the digits' height inside its frame (its spacing is
    // the window's black too), and the bar.
    c.Font = Zoomed(FFontValue);
    const int digitsH = c.TextHeight(QStringLiteral("0"));
    const int digitsW = ReadoutWidth(c, false);
    FBar = FShowBar ? Zoomed(4) : 0;
    const int frame = 2 * FBevelValue.Width();
    const int window = digitsH + FBar + frame;

    TRect r = R;
    c.Font = Zoomed(Font());
    const QString& name = sig.Name1();
    const int h = name.isEmpty() ? 0 : c.TextHeight(name);
    FCaption = TTextSpot {};
    if (h > 0 && R.Height() - h - 1 >= window) {
        FCaption = { Point(R.Left + 1, R.Top), 0, R.Width() - 2 };
        PlanText(c, FCaption.At.X, FCaption.At.Y, 0, name, FCaption.Width, TTextFit::Caption);
        r.Top += h + 1;
    } else if (h > 0) {
        PlanDropped();
    }
    FWindow = r;
    // Unit at the right of the window, digits right-aligned before it.
    const TRect w = FBevelValue.ContentRect(r);
    c.Font = UnitFont();
    const QString& unit = sig.ValueUnit();
    FUnitWidth = unit.isEmpty() ? 0 : c.TextWidth(unit) + 3;
    FValueMiddle = w.Top + (w.Height() - (FShowBar ? 4 : 0)) / 2;
    if (r.Height() < window)
        PlanDropped();
    if (!unit.isEmpty())
        PlanText(c, w.Right, FValueMiddle, 5, unit, w.Width(), TTextFit::Caption);
    const int room = std::max(0, w.Width() - FUnitWidth);
    PlanText(Rect(w.Right - FUnitWidth - std::min(room, digitsW), FValueMiddle - digitsH / 2, w.Right - FUnitWidth,
                  FValueMiddle - digitsH / 2 + digitsH),
             digitsW, TTextFit::Readout);
}

void TOvValueInd::PaintFace(TCanvas& c, const TRect& R)
{
    (void)R;
    const TSignalSettings& sig = SignalSettings();
    c.Font = Zoomed(Font());
    c.Brush.Style = bsClear;
    if (FCaption.Shown())
        DrawText(c, FCaption.At.X, FCaption.At.Y, FCaption.Align, sig.Name1(), FCaption.Width, TTextFit::Caption);

    TRect w = FWindow;
    FBevelValue.SetColor(FaceColor());
    FBevelValue.PaintBevel(c, w);
    if (w.Width() <= 0 || w.Height() <= 0)
        return;
    const QString unit = sig.ValueUnit();
    c.Font = UnitFont();
    c.Font.SetColor(DigitColour());
    if (!unit.isEmpty())
        DrawText(c, w.Right, FValueMiddle, 5, unit, w.Width(), TTextFit::Caption);
    c.Font = Zoomed(FFontValue);
    c.Font.SetColor(DigitColour());
    const QString text = Designing() ? sig.SampleText() : ValueText();
    DrawText(c, w.Right - FUnitWidth, FValueMiddle, 5, text, w.Width() - FUnitWidth, TTextFit::Readout);
    if (FShowBar && w.Height() > 16) {
        const TRect strip = Rect(w.Left, w.Bottom - FBar + 1, w.Right, w.Bottom);
        c.Brush.Style = bsSolid;
        c.Brush.Color = 0x303030;
        c.FillRect(strip);
        c.Brush.Color = ValueColour();
        c.FillRect(Rect(strip.Left, strip.Top, TOvGaugePaint::PosOf(strip.Left, strip.Right, DrawPerMille()), strip.Bottom));
    }
}
