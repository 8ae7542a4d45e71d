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

int TOvGaugePaint::LinearScaleThickness(const TScaleMetrics& m, bool vertical, bool labels)
{
    const int tick = MajorTick(m.LabelHeight);
    if (!labels)
        return tick + 1;
    return tick + 2 + (vertical ? m.WidestLabel : m.LabelHeight);
}

int TOvGaugePaint::LabelOverhang(const TScaleMetrics& m, bool vertical)
{
    return (vertical ? m.LabelHeight : m.WidestLabel) / 2 + 1;
}

int TOvGaugePaint::LabelsLength(const TScaleMetrics& m, bool vertical, int steps)
{
    // Neighbouring labels at least one blank apart.
    const int pitch = (vertical ? m.LabelHeight : m.WidestLabel) + std::max(2, m.LabelHeight / 3);
    return std::max(1, steps) * pitch;
}

namespace {

QStringList LabelTexts(const TScaleMetrics& m)
{
    QStringList list = m.Labels.split(QLatin1Char(';'));
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

} // namespace

int TOvGaugePaint::DrawLinearScale(TCanvas& c, const TScaleLook& look, const TScaleMetrics& m, int p0, int p1,
                                   int base, bool vertical, int side, bool labels, std::vector<TFittedText>* drawn)
{
    const QStringList texts = LabelTexts(m);
    const int steps = std::max(1, look.Steps);
    const int sub = std::max(1, look.SubSteps);
    const int major = MajorTick(m.LabelHeight);
    const int minor = MinorTick(m.LabelHeight);
    const TColor colour = look.Color;
    c.Brush.Style = bsClear;
    if (look.Font)
        c.Font = *look.Font;
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
    if (look.DrawLine) {
        SolidPen(c, colour);
        if (vertical) {
            c.MoveTo(base, std::min(p0, p1));
            c.LineTo(base, std::max(p0, p1) + 1);
        } else {
            c.MoveTo(std::min(p0, p1), base);
            c.LineTo(std::max(p0, p1) + 1, base);
        }
    }
    // Labels that would touch their neighbours: every k-th only.
    const int spacing = std::abs(p1 - p0) / steps;
    const int needed = LabelsLength(m, vertical, 1);
    int every = 1;
    while (every < steps && every * spacing < needed)
        ++every;
    const int total = steps * sub;
    for (int k = 0; k <= total; ++k) {
        const int p = p0 + int(std::lround(double(p1 - p0) * k / total));
        const bool isMajor = k % sub == 0;
        tick(p, isMajor ? major : minor, 1);
        const int i = k / sub;
        if (!isMajor || !labels || i % every != 0)
            continue;
        const QString text = i < texts.size() ? texts[i] : QString();
        const TPoint at = vertical ? Point(base + side * (major + 2), p) : Point(p, base + side * (major + 1));
        const int align = vertical ? (side > 0 ? 3 : 5) : (side > 0 ? 1 : 7);
        TextOutAligned(c, at.X, at.Y, align, text);
        if (drawn) {
            const TRect box = TOvDraw::AlignedBox(c, at.X, at.Y, align, text);
            drawn->push_back(TFittedText { TTextFit::Label, box, text, box.Width(), false });
        }
    }
    return LinearScaleThickness(m, vertical, labels);
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

TOvGaugeFace::TOvGaugeFace(TControl& control, const TSignalSettings& signal)
    : FControl(control)
    , FSignal(signal)
    , FEmittedFrom(signal.ValueFrom())
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

void TOvGaugeFace::InvalidateHints()
{
    FPreferred = QSize();
    FMinimum = QSize();
    FLayoutValid = false;
}

double TOvGaugeFace::ZoomAt(int w, int h) const
{
    const QSize p = PreferredSize();
    if (p.width() <= 0 || p.height() <= 0)
        return 1.0;
    return std::max(1.0, std::min(double(w) / p.width(), double(h) / p.height()));
}

void TOvGaugeFace::PaintGauge(TCanvas& c, int width, int height)
{
    FPlaced.clear();
    TRect R = Rect(0, 0, width, height);
    PaintFrame(c, R);
    FFaceRect = R;
    if (R.Width() <= 2 || R.Height() <= 2)
        return;
    if (!FLayoutValid) {
        FZoom = ZoomAt(width, height);
        FPlan.clear();
        FPlanComplete = true;
        LayoutFace(c, R);
        FLayoutValid = true;
    }
    c.SetClipRect(R);
    PaintFace(c, R);
    c.ClearClip();
}

TFont TOvGaugeFace::Zoomed(const TFont& f) const
{
    TFont z(f);
    if (FZoom != 1.0)
        z.SetSize(std::max(1, int(std::lround(f.Size() * FZoom))));
    return z;
}

int TOvGaugeFace::Zoomed(int length) const { return int(std::lround(length * FZoom)); }

TRect TOvGaugeFace::DrawText(TCanvas& c, int x, int y, int align, const QString& text, int width, TTextFit fit)
{
    TFittedText t = TOvDraw::DrawFittedText(c, x, y, align, text, width, fit);
    FPlaced.push_back(t);
    return t.Box;
}

QString TOvGaugeFace::WithUnitText(const QString& text) const
{
    const QString& unit = FSignal.ValueUnit();
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

int TOvGaugeFace::ReadoutWidth(TCanvas& c, bool withUnit) const
{
    const QString& format = FSignal.ValueFormat();
    int widest = 0;
    for (const QString& text : { FormatFloat(format, FSignal.ValueFrom()), FormatFloat(format, FSignal.ValueTo()),
                                 FSignal.SampleText() })
        widest = std::max(widest, c.NaturalTextWidth(withUnit ? WithUnitText(text) : text));
    return widest;
}

TScaleLook TOvGaugeFace::ScaleLook() const
{
    TScaleLook look = FScaleSettings.Look();
    look.Font = &FScaleFont;
    return look;
}

const TScaleMetrics& TOvGaugeFace::MeasureScale(TCanvas& c)
{
    FScaleFont = Zoomed(FScaleSettings.Font());
    FScaleMetrics = TScaleMetrics {};
    MeasureScaleLabels(c, ScaleLook(), FSignal.ValueFrom(), FSignal.ValueTo(), FScaleMetrics);
    return FScaleMetrics;
}

int TOvGaugeFace::MeasureLinearScale(TCanvas& c, bool shown, bool vertical)
{
    if (!shown)
        return 0;
    MeasureScale(c);
    return LinearScaleThickness(vertical);
}

void TOvGaugeFace::DrawLinearScale(TCanvas& c, int p0, int p1, int base, bool vertical, int side)
{
    TOvGaugePaint::DrawLinearScale(c, ScaleLook(), FScaleMetrics, p0, p1, base, vertical, side, true, &FPlaced);
}

std::vector<TRect> TOvGaugeFace::CircularLabelBoxes(TCanvas& c, const TRect& R, int sweep, int start)
{
    TScaleMetrics m = FScaleMetrics;
    m.MajorPenWidth = 1;
    const TScaleCircleGeometry g = LayoutScaleCircle(R, sweep, start, ScaleLook(), m);
    c.Font = FScaleFont;
    const QStringList labels = m.Labels.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    std::vector<TRect> boxes;
    for (int i = 0; i < int(labels.size()) && i <= g.Steps; ++i) {
        const TPoint p = RotatePoint(g.Label0, g.Centre, true, i == g.Steps ? double(g.Sweep) : i * g.MajorAngle);
        boxes.push_back(TOvDraw::AlignedBox(c, p.X, p.Y, 4, labels[i]));
    }
    return boxes;
}

TScaleCircleGeometry TOvGaugeFace::DrawCircularScale(TCanvas& c, TRect& R, int sweep, int start)
{
    FScaleMetrics.MajorPenWidth = 1;
    for (const TRect& box : CircularLabelBoxes(c, R, sweep, start))
        FPlaced.push_back(TFittedText { TTextFit::Label, box, QString(), box.Width(), false });
    const TScaleCircleGeometry g = LayoutScaleCircle(R, sweep, start, ScaleLook(), FScaleMetrics);
    DrawScaleCircle(c, R, sweep, start, ScaleLook(), FScaleMetrics);
    return g;
}

void TOvGaugeFace::PlanText(const TRect& box, int needed, TTextFit fit) { FPlan.push_back({ box, needed, fit }); }

void TOvGaugeFace::PlanText(TCanvas& c, int x, int y, int align, const QString& text, int width, TTextFit fit)
{
    // The box the text takes at the width it may have, placed by the alignment.
    const int needed = c.NaturalTextWidth(text);
    const int w = std::min(needed, width);
    const int h = c.TextHeight(text);
    int left = x - (align % 3 == 1 ? w / 2 : align % 3 == 2 ? w : 0);
    int top = y - (align / 3 == 1 ? h / 2 : align / 3 == 2 ? h : 0);
    PlanText(Rect(left, top, left + w, top + h), needed, fit);
}

void TOvGaugeFace::PlanLabels(const std::vector<TRect>& boxes)
{
    for (const TRect& b : boxes)
        FPlan.push_back({ b, b.Width(), TTextFit::Label });
}

void TOvGaugeFace::PlanLinearScale(int p0, int p1, int base, bool vertical, int side)
{
    // Where DrawLinearScale puts each label; all of them must fit apart.
    const TScaleMetrics& m = FScaleMetrics;
    const int steps = std::max(1, FScaleSettings.Steps());
    if (std::abs(p1 - p0) < TOvGaugePaint::LabelsLength(m, vertical, steps))
        PlanDropped();
    const int major = TOvGaugePaint::MajorTick(m.LabelHeight);
    std::vector<TRect> boxes;
    for (int i = 0; i <= steps; ++i) {
        const int p = p0 + int(std::lround(double(p1 - p0) * i / steps));
        if (vertical) {
            const int x = side > 0 ? base + major + 2 : base - major - 2 - m.WidestLabel;
            boxes.push_back(Rect(x, p - m.LabelHeight / 2, x + m.WidestLabel, p - m.LabelHeight / 2 + m.LabelHeight));
        } else {
            const int y = side > 0 ? base + major + 1 : base - major - 1 - m.LabelHeight;
            boxes.push_back(Rect(p - m.WidestLabel / 2, y, p - m.WidestLabel / 2 + m.WidestLabel, y + m.LabelHeight));
        }
    }
    PlanLabels(boxes);
}

bool TOvGaugeFace::Overlapping(const std::vector<TRect>& boxes)
{
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (boxes[i].Left < boxes[j].Right && boxes[j].Left < boxes[i].Right && boxes[i].Top < boxes[j].Bottom
                && boxes[j].Top < boxes[i].Bottom)
                return true;
    return false;
}

bool TOvGaugeFace::LegibleAt(int w, int h)
{
    TRect R = FBevelOuter.ContentRect(Rect(0, 0, w, h));
    if (R.Width() <= 2 || R.Height() <= 2)
        return false;
    TBitmap scratch(1, 1);
    const double zoom = FZoom;
    FZoom = 1.0;
    FPlan.clear();
    FPlanComplete = true;
    LayoutFace(scratch.Canvas, R);
    FZoom = zoom;
    FLayoutValid = false; // the real size's layout is due again
    if (!FPlanComplete)
        return false;
    for (size_t i = 0; i < FPlan.size(); ++i) {
        const TPlanned& t = FPlan[i];
        const int room = t.Box.Width();
        const bool wide = t.Fit == TTextFit::Caption ? room * 100 >= t.Needed * TCanvas::MinFitStretch
                                                     : room >= t.Needed;
        if (!wide || t.Box.Left < R.Left || t.Box.Top < R.Top || t.Box.Right > R.Right || t.Box.Bottom > R.Bottom)
            return false;
        for (size_t j = 0; j < i; ++j) {
            const TRect& o = FPlan[j].Box;
            if (t.Box.Left < o.Right && o.Left < t.Box.Right && t.Box.Top < o.Bottom && o.Top < t.Box.Bottom)
                return false;
        }
    }
    return true;
}

QSize TOvGaugeFace::LegibleMinimum() const
{
    // While loading, settings change without telling: nothing is kept.
    if (FMinimum.isValid() && !FControl.Loading())
        return FMinimum;
    auto* self = const_cast<TOvGaugeFace*>(this);
    const QSize d = DesignSize();
    auto at = [&d](double f) { return QSize(int(std::lround(d.width() * f)), int(std::lround(d.height() * f))); };
    // Along the design's shape first: down while legible, or up until it is.
    double f = 1.0;
    if (self->LegibleAt(d.width(), d.height())) {
        while (f > 0.1 && self->LegibleAt(at(f - 0.05).width(), at(f - 0.05).height()))
            f -= 0.05;
    } else {
        while (f < 6.0 && !self->LegibleAt(at(f).width(), at(f).height()))
            f += 0.05;
    }
    QSize m = at(f);
    // Then each side on its own.
    while (m.width() > 8 && self->LegibleAt(m.width() - 1, m.height()))
        m.rwidth() -= 1;
    while (m.height() > 8 && self->LegibleAt(m.width(), m.height() - 1))
        m.rheight() -= 1;
    FMinimum = m;
    return FMinimum;
}

void TOvGaugeFace::TakePreferredSize()
{
    const QSize s = PreferredSize();
    FControl.SetBounds(FControl.Left(), FControl.Top(), s.width(), s.height());
}

QSize TOvGaugeFace::PreferredSize() const
{
    if (!FPreferred.isValid() || FControl.Loading())
        FPreferred = DesignSize().expandedTo(LegibleMinimum());
    return FPreferred;
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
    , TOvGaugeFace(*this, SignalSettings())
{
}

void TOvAnalogDisplay::Loaded()
{
    InvalidateHints();
    TOvAnalogGControl::Loaded();
    HookFace([this](QObject* sender) { SettingsChanged(sender); });
}

void TOvAnalogDisplay::SettingsChanged(QObject* Sender)
{
    TOvAnalogGControl::SettingsChanged(Sender);
    InvalidateHints();
    updateGeometry();
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

void TOvAnalogDisplay::TopTextRow(TCanvas& c, TRect& r, int rest, int inset, int gap, TTextSpot& caption,
                                  TTextSpot& value, bool unit)
{
    c.Font = Zoomed(Font());
    const int textH = c.TextHeight(QStringLiteral("X"));
    const bool hasCaption = !Name1().isEmpty();
    caption = value = TTextSpot {};
    if (r.Height() <= textH + rest) {
        if (hasCaption || ShowValue())
            PlanDropped();
        return;
    }
    c.Font.SetStyle(fsBold);
    const int readout = ReadoutWidth(c, unit);
    const int width = r.Width() - 2 * inset;
    if (ShowValue())
        value = { Point(r.Right - inset, r.Top), 2, width };
    if (hasCaption)
        caption = { Point(r.Left + inset, r.Top), 0, width - (ShowValue() ? readout + textH / 2 : 0) };
    r.Top += textH + gap;
}

void TOvAnalogDisplay::PaintCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value, bool unit)
{
    // The value first: a caption on its row ends before it (a value beyond
    // the range can be wider than the layout planned for).
    c.Brush.Style = bsClear;
    TRect valueBox {};
    if (value.Shown()) {
        c.Font = Zoomed(Font());
        c.Font.SetStyle(fsBold);
        valueBox = DrawText(c, value.At.X, value.At.Y, value.Align, unit ? ValueWithUnit() : ValueText(), value.Width,
                            TTextFit::Readout);
    }
    c.Font = Zoomed(Font());
    if (caption.Shown()) {
        int width = caption.Width;
        const TRect box = TOvDraw::AlignedBox(c, caption.At.X, caption.At.Y, caption.Align, Name1());
        const bool sameRow = value.Shown() && box.Top < valueBox.Bottom && valueBox.Top < box.Bottom;
        if (sameRow && caption.Align % 3 == 0 && valueBox.Left < caption.At.X + width)
            width = std::max(1, valueBox.Left - c.TextHeight(QStringLiteral("X")) / 2 - caption.At.X);
        DrawText(c, caption.At.X, caption.At.Y, caption.Align, Name1(), width, TTextFit::Caption);
    }
}

void TOvAnalogDisplay::PlanCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value, bool unit)
{
    c.Font = Zoomed(Font());
    if (caption.Shown())
        PlanText(c, caption.At.X, caption.At.Y, caption.Align, Name1(), caption.Width, TTextFit::Caption);
    if (value.Shown()) {
        c.Font.SetStyle(fsBold);
        const int needed = ReadoutWidth(c, unit);
        const int h = c.TextHeight(QStringLiteral("0"));
        const int w = std::min(needed, value.Width);
        const int left = value.At.X - (value.Align % 3 == 1 ? w / 2 : value.Align % 3 == 2 ? w : 0);
        const int top = value.At.Y - (value.Align / 3 == 1 ? h / 2 : value.Align / 3 == 2 ? h : 0);
        PlanText(Rect(left, top, left + w, top + h), needed, TTextFit::Readout);
    }
}

// ================================================================ TOvAnalogOperable

TOvAnalogOperable::TOvAnalogOperable(QWidget* Owner)
    : TOvAnalogCControl(Owner)
    , TOvGaugeFace(*this, SignalSettings())
    , FFontValue(QStringLiteral("System"), 10, clLime, fsBold)
{
}

void TOvAnalogOperable::Loaded()
{
    InvalidateHints();
    TOvAnalogCControl::Loaded();
    HookFace([this](QObject* sender) { ParamChange(sender); });
    FFontValue.OnChange = [this](TFont&) { ParamChange(this); };
}

void TOvAnalogOperable::ParamChange(QObject* Sender)
{
    TOvAnalogCControl::ParamChange(Sender);
    InvalidateHints();
    updateGeometry();
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

void TOvAnalogOperable::SetShowScale(bool v)
{
    if (StoreChanged(FShowScale, v))
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
    c.Font = Zoomed(FFontValue);
    if (!Enabled())
        c.Font.SetColor(clGray);
    c.Brush.Style = bsClear;
    // Formatted here: the value text is built only by value changes.
    DrawText(c, r.Right - 2, r.Top + r.Height() / 2, 5, WithUnit(FormatFloat(ValueFormat(), Value())),
             r.Width() - 4, TTextFit::Readout);
}
