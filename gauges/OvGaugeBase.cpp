#include "gauges/OvGaugeBase.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Point at radius r and angle a (degrees clockwise from straight up).
TPoint Polar(TPoint c, double r, double a)
{
    const double rad = a * Pi / 180.0;
    return Point(c.X + int(std::lround(r * std::sin(rad))), c.Y - int(std::lround(r * std::cos(rad))));
}

void SolidPen(TCanvas& c, TColor colour, int width = 1)
{
    c.Pen.Color = colour;
    c.Pen.Width = width;
    c.Pen.Style = psSolid;
    c.Pen.Mode = pmCopy;
}

void SolidBrush(TCanvas& c, TColor colour)
{
    c.Brush.Color = colour;
    c.Brush.Style = bsSolid;
}

} // namespace

// ================================================================ TOvGaugePaint

TColor TOvGaugePaint::Shade(TColor colour, double factor)
{
    const TColor rgb = ColorToRGB(colour);
    auto ch = [factor](int v) {
        const double x = factor <= 1.0 ? v * factor : v + (255 - v) * (factor - 1.0);
        return std::clamp(int(std::lround(x)), 0, 255);
    };
    return RGB(ch(GetRValue(rgb)), ch(GetGValue(rgb)), ch(GetBValue(rgb)));
}

int TOvGaugePaint::LinearScaleThickness(TCanvas& c, TScaleSettings& scale, double from, double to, bool vertical,
                                        bool labels)
{
    scale.MeasureScale(c, from, to);
    const int tick = std::max(4, scale.LabelHeight() / 2 + 1);
    if (!labels)
        return tick + 1;
    return tick + 2 + (vertical ? scale.WidestLabel() : scale.LabelHeight());
}

int TOvGaugePaint::DrawLinearScale(TCanvas& c, TScaleSettings& scale, double from, double to, int p0, int p1,
                                   int base, bool vertical, int side, bool labels)
{
    scale.MeasureScale(c, from, to);
    const QStringList texts = scale.Labels();
    const int steps = scale.Steps();
    const int sub = scale.SubSteps();
    const int major = std::max(4, scale.LabelHeight() / 2 + 1);
    const int minor = std::max(2, major / 2);
    const TColor colour = scale.Color();
    c.Brush.Style = bsClear;
    c.Font = scale.Font();
    c.Font.SetColor(colour);

    auto tick = [&](int p, int len, int width) {
        SolidPen(c, colour, width);
        if (vertical) {
            c.MoveTo(base, p);
            c.LineTo(base + side * len, p);
        } else {
            c.MoveTo(p, base);
            c.LineTo(p, base + side * len);
        }
    };
    if (scale.DrawLine()) {
        SolidPen(c, colour);
        if (vertical) {
            c.MoveTo(base, std::min(p0, p1));
            c.LineTo(base, std::max(p0, p1) + 1);
        } else {
            c.MoveTo(std::min(p0, p1), base);
            c.LineTo(std::max(p0, p1) + 1, base);
        }
    }
    const int total = steps * sub;
    for (int k = 0; k <= total; ++k) {
        const int p = p0 + int(std::lround(double(p1 - p0) * k / total));
        const bool isMajor = k % sub == 0;
        tick(p, isMajor ? major : minor, 1);
        if (isMajor && labels) {
            const int i = k / sub;
            const QString text = i < texts.size() ? texts[i] : QString();
            if (vertical)
                TextOutAligned(c, base + side * (major + 2), p, side > 0 ? 3 : 5, text);
            else
                TextOutAligned(c, p, base + side * (major + 1), side > 0 ? 1 : 7, text);
        }
    }
    return labels ? major + 2 + (vertical ? scale.WidestLabel() : scale.LabelHeight()) : major + 1;
}

void TOvGaugePaint::DrawArcBand(TCanvas& c, TPoint centre, int rOuter, int rInner, double a0, double sweep,
                                TColor colour)
{
    if (sweep <= 0.0 || rOuter <= rInner)
        return;
    const int n = std::max(2, int(std::ceil(sweep / 3.0)));
    std::vector<TPoint> pts;
    pts.reserve(size_t(2 * n + 2));
    for (int i = 0; i <= n; ++i)
        pts.push_back(Polar(centre, rOuter, a0 + sweep * i / n));
    for (int i = n; i >= 0; --i)
        pts.push_back(Polar(centre, rInner, a0 + sweep * i / n));
    SolidPen(c, colour);
    SolidBrush(c, colour);
    c.Polygon(pts);
}

void TOvGaugePaint::DrawSectorArcs(TCanvas& c, const TSectorSettings& s, TPoint centre, int rOuter, int rInner,
                                   double start, double sweep)
{
    for (int k = 1; k <= 3; ++k) {
        const int f = std::clamp(s.SectorFrom(k), 0, 1000);
        const int t = std::clamp(s.SectorTo(k), 0, 1000);
        if (t <= f)
            continue;
        DrawArcBand(c, centre, rOuter, rInner, start + sweep * f / 1000.0, sweep * (t - f) / 1000.0,
                    s.SectorColor(k));
    }
}

void TOvGaugePaint::DrawSectorStrips(TCanvas& c, const TSectorSettings& s, int p0, int p1, int cross0, int cross1,
                                     bool vertical)
{
    c.Pen.Style = psClear;
    for (int k = 1; k <= 3; ++k) {
        const int f = std::clamp(s.SectorFrom(k), 0, 1000);
        const int t = std::clamp(s.SectorTo(k), 0, 1000);
        if (t < f)
            continue;
        int a = PosOf(p0, p1, f);
        int b = PosOf(p0, p1, t);
        if (a > b)
            std::swap(a, b);
        SolidBrush(c, s.SectorColor(k));
        if (vertical)
            c.FillRect(Rect(std::min(cross0, cross1), a, std::max(cross0, cross1), b + 1));
        else
            c.FillRect(Rect(a, std::min(cross0, cross1), b + 1, std::max(cross0, cross1)));
    }
    c.Pen.Style = psSolid;
}

void TOvGaugePaint::DrawNeedle(TCanvas& c, TPoint centre, int r, double a, TColor colour, int width)
{
    const double half = std::max(1, width) / 2.0 + 0.5;
    const TPoint tip = Polar(centre, r, a);
    const TPoint l = Polar(centre, half, a - 90.0);
    const TPoint rr = Polar(centre, half, a + 90.0);
    const TPoint tail = Polar(centre, std::max(4, r / 6), a + 180.0);
    SolidPen(c, TOvGaugePaint::Shade(colour, 0.6));
    SolidBrush(c, colour);
    c.Polygon({ tip, l, tail, rr });
}

void TOvGaugePaint::DrawMark(TCanvas& c, TPoint tip, TPoint back, TColor colour, TColor pen)
{
    const bool across = tip.X == back.X; // the base runs horizontally
    const TPoint a = across ? Point(back.X - 3, back.Y) : Point(back.X, back.Y - 3);
    const TPoint b = across ? Point(back.X + 3, back.Y) : Point(back.X, back.Y + 3);
    SolidPen(c, pen);
    SolidBrush(c, colour);
    c.Polygon({ tip, a, b });
}

// ================================================================ TOvGaugeFace

TOvGaugeFace::TOvGaugeFace(const TSignalSettings& signal)
    : FEmittedFrom(signal.ValueFrom())
    , FEmittedTo(signal.ValueTo())
{
    FBevelOuter.SetSpacing(3);
    FBevelOuter.SetWidth(2);
    FBevelOuter.SetBevelLine(blOuter);
    FScaleSettings.Font().SetSize(7);
    FScaleSettings.Font().SetName(QStringLiteral("Arial"));
}

TOvGaugeFace::~TOvGaugeFace() = default;

void TOvGaugeFace::HookFace(const TNotifyEvent& e)
{
    FBevelOuter.SetOnChange(e);
    FScaleSettings.SetOnChange(e);
}

void TOvGaugeFace::PaintFrame(TCanvas& c, TRect& R) { FBevelOuter.PaintBevel(c, R); }

void TOvGaugeFace::PaintGauge(TCanvas& c, int width, int height)
{
    TRect R = Rect(0, 0, width, height);
    PaintFrame(c, R);
    FFaceRect = R;
    if (R.Width() <= 2 || R.Height() <= 2)
        return;
    if (!FLayoutValid) {
        LayoutFace(c, R);
        FLayoutValid = true;
    }
    c.SetClipRect(R);
    PaintFace(c, R);
    c.ClearClip();
}

TOvGaugeFace::TFaceChanges TOvGaugeFace::TakeFaceChanges(const TSignalSettings& signal)
{
    TFaceChanges changed;
    if (signal.ValueFrom() != FEmittedFrom || signal.ValueTo() != FEmittedTo) {
        FEmittedFrom = signal.ValueFrom();
        FEmittedTo = signal.ValueTo();
        changed.Range = true;
    }
    const QString captions = signal.Name1() + QChar(1) + signal.Name2() + QChar(1) + signal.ValueUnit() + QChar(1)
        + signal.ValueFormat();
    if (captions != FEmittedCaptions) {
        FEmittedCaptions = captions;
        changed.Captions = true;
    }
    return changed;
}

// ================================================================ TOvAnalogDisplay

TOvAnalogDisplay::TOvAnalogDisplay(QWidget* Owner)
    : TOvAnalogGControl(Owner)
    , TOvGaugeFace(SignalSettings())
{
}

void TOvAnalogDisplay::Loaded()
{
    TOvAnalogGControl::Loaded();
    HookFace([this](QObject* sender) { SettingsChanged(sender); });
}

void TOvAnalogDisplay::SettingsChanged(QObject* Sender)
{
    TOvAnalogGControl::SettingsChanged(Sender);
    InvalidateLayout();
    // Recompute the value's derived state (PPT, sectors) for the new range.
    ValueChange();
    Invalidate();
    const TFaceChanges changed = TakeFaceChanges(SignalSettings());
    if (changed.Range)
        emit rangeChanged();
    if (changed.Captions)
        emit captionsChanged();
}

void TOvAnalogDisplay::ValueChange()
{
    TOvAnalogGControl::ValueChange();
    Invalidate();
}

int TOvAnalogDisplay::DrawPerMille() const { return std::clamp(PPT(), 0, 1000); }

std::vector<TOvAnalogDisplay::TLimitMark> TOvAnalogDisplay::LimitMarks() const
{
    std::vector<TLimitMark> marks;
    if (!ShowLimits())
        return marks;
    for (const TLimitMark& l : { TLimitMark { PerMilleOf(LimitLower()), LimitLowerColor() },
                                 TLimitMark { PerMilleOf(LimitUpper()), LimitUpperColor() } }) {
        if (l.PerMille >= 0 && l.PerMille <= 1000)
            marks.push_back(l);
    }
    return marks;
}

void TOvAnalogDisplay::PaintCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value)
{
    c.Font = Font();
    c.Brush.Style = bsClear;
    if (caption.Shown())
        TextOutAligned(c, caption.At.X, caption.At.Y, caption.Align, Name1());
    if (value.Shown()) {
        c.Font.SetStyle(fsBold);
        TextOutAligned(c, value.At.X, value.At.Y, value.Align, ValueWithUnit());
    }
}

// ================================================================ TOvAnalogOperable

TOvAnalogOperable::TOvAnalogOperable(QWidget* Owner)
    : TOvAnalogCControl(Owner)
    , TOvGaugeFace(SignalSettings())
    , FFontValue(QStringLiteral("System"), 10, clLime, fsBold)
{
}

void TOvAnalogOperable::Loaded()
{
    TOvAnalogCControl::Loaded();
    HookFace([this](QObject* sender) { ParamChange(sender); });
    FFontValue.OnChange = [this](TFont&) { ParamChange(this); };
}

void TOvAnalogOperable::ParamChange(QObject* Sender)
{
    TOvAnalogCControl::ParamChange(Sender);
    InvalidateLayout();
    const TFaceChanges changed = TakeFaceChanges(SignalSettings());
    if (changed.Range)
        emit rangeChanged();
    if (changed.Captions)
        emit captionsChanged();
}

void TOvAnalogOperable::ValueChange()
{
    TOvAnalogCControl::ValueChange();
    Invalidate();
}

void TOvAnalogOperable::SetShowValue(bool v)
{
    if (StoreChanged(FShowValue, v))
        Change();
}

int TOvAnalogOperable::DrawPerMille() const
{
    const TSignalSettings& s = SignalSettings();
    const int range = s.DigitalTo() - s.DigitalFrom();
    if (range <= 0)
        return 0;
    return std::clamp(int(std::lround(1000.0 * (Digit() - s.DigitalFrom()) / range)), 0, 1000);
}

int TOvAnalogOperable::DigitAtPerMille(double perMille) const
{
    const TSignalSettings& s = SignalSettings();
    perMille = std::clamp(perMille, 0.0, 1000.0);
    return s.DigitalFrom() + int(std::lround(perMille * (s.DigitalTo() - s.DigitalFrom()) / 1000.0));
}

TColor TOvAnalogOperable::PointerColour() const
{
    if (!Enabled())
        return clBtnShadow;
    return Focused() ? ColorFocus() : ColorNonFocus();
}

void TOvAnalogOperable::PaintValueBox(TCanvas& c, const TRect& R)
{
    TOvSBevel box;
    box.SetStyle(bsLowered);
    box.SetColor(clBlack);
    box.SetSpacing(1);
    box.SetWidth(2);
    TRect r = R;
    box.PaintBevel(c, r);
    c.Font = FFontValue;
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    // Formatted here: the value text is built only by value changes.
    TextOutAligned(c, r.Right - 2, r.Top + r.Height() / 2, 5, WithUnit(FormatFloat(ValueFormat(), Value())));
}
