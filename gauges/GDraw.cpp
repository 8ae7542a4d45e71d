#include "gauges/GDraw.h"

#include "platform/canvas/FormatFloat.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// Rounding to nearest, ties to even (the default floating-point mode).
int RoundEven(double v)
{
    return int(std::nearbyint(v));
}

int Clamp255(int v)
{
    return std::clamp(v, 0, 255);
}

QRgb ToRgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// from + round(fraction * (to - from)) per channel, on resolved RGB values.
QRgb MixRgb(TColor from, TColor to, double fraction)
{
    const int r = GetRValue(from) + RoundEven(fraction * (GetRValue(to) - GetRValue(from)));
    const int g = GetGValue(from) + RoundEven(fraction * (GetGValue(to) - GetGValue(from)));
    const int b = GetBValue(from) + RoundEven(fraction * (GetBValue(to) - GetBValue(from)));
    return qRgb(Clamp255(r), Clamp255(g), Clamp255(b));
}

// Colour table of steps 0..n: from + round(k * difference / n).
std::vector<QRgb> StepTable(TColor from, TColor to, int n)
{
    n = std::max(1, n);
    std::vector<QRgb> t(size_t(n) + 1);
    for (int k = 0; k <= n; ++k) {
        const int r = GetRValue(from) + RoundEven(double(k) * (GetRValue(to) - GetRValue(from)) / n);
        const int g = GetGValue(from) + RoundEven(double(k) * (GetGValue(to) - GetGValue(from)) / n);
        const int b = GetBValue(from) + RoundEven(double(k) * (GetBValue(to) - GetBValue(from)) / n);
        t[size_t(k)] = qRgb(Clamp255(r), Clamp255(g), Clamp255(b));
    }
    return t;
}

void FillRow(QImage& img, int y, int x0, int x1, QRgb c)
{
    if (y < 0 || y >= img.height())
        return;
    x0 = std::max(0, x0);
    x1 = std::min(img.width() - 1, x1);
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = x0; x <= x1; ++x)
        line[x] = c;
}

void FillCol(QImage& img, int x, QRgb c)
{
    if (x < 0 || x >= img.width())
        return;
    for (int y = 0; y < img.height(); ++y)
        reinterpret_cast<QRgb*>(img.scanLine(y))[x] = c;
}

void PutPixel(QImage& img, int x, int y, QRgb c)
{
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
        reinterpret_cast<QRgb*>(img.scanLine(y))[x] = c;
}

// Lines from a centre line outwards, one per step: gsHorizontal2/3 (rows)
// and gsVertical2/3 (columns).
void CentreLines(QImage& img, bool rows, int centre, int n, TColor from, TColor to)
{
    const std::vector<QRgb> t = StepTable(from, to, n);
    n = std::max(1, n);
    const int extent = rows ? img.height() : img.width();
    for (int k = n; k >= 0; --k) {
        for (int pos : {centre - k, centre + k}) {
            if (pos < 0 || pos >= extent)
                continue;
            if (rows)
                FillRow(img, pos, 0, img.width() - 1, t[size_t(k)]);
            else
                FillCol(img, pos, t[size_t(k)]);
        }
    }
}

void TopLeftGradient(QImage& img, TColor from, TColor to)
{
    // The classic routine draws anti-diagonal lines, one per pixel step, whose
    // colour goes half-way per family: ColorFrom at the upper left, the mid
    // colour on the diagonal from the lower left to the upper right, ColorTo at
    // the lower right. Computed per pixel here, so no line leaves a hole and
    // both corners get their exact colours.
    const int w = img.width();
    const int h = img.height();
    const double sx = w > 1 ? 1.0 / (w - 1) : 0.0;
    const double sy = h > 1 ? 1.0 / (h - 1) : 0.0;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = MixRgb(from, to, (x * sx + y * sy) / 2.0);
    }
}

} // namespace

// ---------------------------------------------------------------- colours

TColor TOvDraw::InterpolateColor(TColor c1, TColor c2, int steps, int i)
{
    if (c1 == c2)
        return c1;
    if (steps == 0)
        steps = 1;
    const TColor a = ColorToRGB(c1);
    const TColor b = ColorToRGB(c2);
    auto channel = [&](int x, int y) { return Clamp255(x + RoundEven(double(y - x) / steps * i)); };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

// ---------------------------------------------------------------- gradients

void TOvDraw::DrawGradient(TCanvas& canvas, const TRect& rect, TColor colorFrom, TGradientStyle style,
                  TColor colorTo)
{
    const int w = rect.Width();
    const int h = rect.Height();
    if (w <= 0 || h <= 0)
        return;
    const TColor from = ColorToRGB(colorFrom);
    const TColor to = ColorToRGB(colorTo);
    if (from == to) {
        const TBrush saved = canvas.Brush;
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = colorFrom;
        canvas.FillRect(rect);
        canvas.Brush = saved;
        return;
    }
    int n = std::max({std::abs(GetRValue(to) - GetRValue(from)), std::abs(GetGValue(to) - GetGValue(from)),
                      std::abs(GetBValue(to) - GetBValue(from)), 1});

    TBitmap bitmap(w, h);
    QImage& img = bitmap.MutableImage();
    img.fill(ToRgb(to));
    switch (style) {
    case gsHorizontal1:
    case gsVertical1: {
        // Bands of equal size; the first in ColorFrom, the last in ColorTo.
        const bool rows = style == gsHorizontal1;
        const int extent = rows ? h : w;
        const int bands = std::max(1, std::min(n + 1, extent));
        const std::vector<QRgb> t = StepTable(from, to, std::max(1, bands - 1));
        for (int j = 0; j < bands; ++j) {
            const int a = j * extent / bands;
            const int b = (j + 1) * extent / bands;
            const QRgb c = bands == 1 ? ToRgb(from) : t[size_t(j)];
            for (int p = a; p < b; ++p) {
                if (rows)
                    FillRow(img, p, 0, w - 1, c);
                else
                    FillCol(img, p, c);
            }
        }
        break;
    }
    case gsHorizontal2: CentreLines(img, true, h / 2, std::max(1, h / 2), from, to); break;
    case gsHorizontal3: CentreLines(img, true, h / 3, std::max(1, RoundEven(h * 0.67)), from, to); break;
    case gsVertical2: CentreLines(img, false, w / 2, std::max(1, w / 2), from, to); break;
    case gsVertical3: CentreLines(img, false, w / 3, std::max(1, RoundEven(w * 0.67)), from, to); break;
    case gsElliptic1:
    case gsElliptic2:
    case gsElliptic3: {
        const double f = style == gsElliptic1 ? 0.5 : style == gsElliptic2 ? 0.695 : 0.82;
        int cx = w / 2;
        int cy = h / 2;
        if (style == gsElliptic3) {
            cx -= w / 4 + 1;
            cy -= h / 4 + 1;
        }
        const std::vector<QRgb> t = StepTable(from, to, n);
        // Ellipse k takes step k - 1, so the innermost one is ColorFrom.
        for (int k = n; k >= 1; --k) {
            const int rx = RoundEven(k * f * w / n);
            const int ry = RoundEven(k * f * h / n);
            const int top = cy - ry;
            const std::vector<TSpan> rows = EllipseRows(cx - rx, top, cx + rx, cy + ry);
            for (size_t i = 0; i < rows.size(); ++i)
                FillRow(img, top + int(i), rows[i].Left, rows[i].Right, t[size_t(k - 1)]);
        }
        if (n >= 1)
            PutPixel(img, cx, cy, ToRgb(from));
        break;
    }
    case gsRectangle: {
        const std::vector<QRgb> t = StepTable(from, to, n);
        const int cx = w / 2;
        const int cy = h / 2;
        for (int k = n; k >= 0; --k) {
            const int hx = k * w / (2 * n);
            const int hy = k * h / (2 * n);
            for (int y = cy - hy; y < cy + hy + 1; ++y)
                FillRow(img, y, cx - hx, cx + hx, t[size_t(k)]);
        }
        break;
    }
    case gsDiamond1:
    case gsDiamond2: {
        // Concentric diamonds, filled pixel by pixel so no gaps show.
        const std::vector<QRgb> t = StepTable(from, to, n);
        const double cx = (w - 1) / 2.0;
        const double cy = (h - 1) / 2.0;
        const double rx = std::max(0.5, style == gsDiamond1 ? double(w) : w / 2.0);
        const double ry = std::max(0.5, style == gsDiamond1 ? double(h) : h / 2.0);
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const double d = std::abs(x - cx) / rx + std::abs(y - cy) / ry;
                const int k = std::clamp(int(std::ceil(d * n - 1e-9)), 0, n);
                line[x] = t[size_t(k)];
            }
        }
        break;
    }
    case gsTopLeft:
    case gsTopRight:
        TopLeftGradient(img, from, to);
        if (style == gsTopRight)
            img = img.mirrored(true, false);
        break;
    }
    canvas.Draw(rect.Left, rect.Top, bitmap);
}

// ---------------------------------------------------------------- bevels

int TOvDraw::BevelTotalThickness(int spacing, int width, TBevelLine line)
{
    int t = spacing + width;
    if (line == blOuter || line == blInner)
        t += 1;
    else if (line == blBoth)
        t += 2;
    return t;
}

void TOvDraw::DrawBevel(TCanvas& canvas, TRect& r, const TBevelParams& bevel)
{
    const int width = std::max(0, bevel.Width);
    const int total = BevelTotalThickness(bevel.Spacing, width, bevel.BevelLine);
    const bool outerLine = bevel.BevelLine == blOuter || bevel.BevelLine == blBoth;
    const bool innerLine = bevel.BevelLine == blInner || bevel.BevelLine == blBoth;

    canvas.Brush.Style = bsSolid;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    canvas.Pen.Mode = pmCopy;
    canvas.Brush.Color = bevel.Color;
    canvas.Pen.Color = bevel.Color;
    canvas.Rectangle(r);
    const TRect outer = r;
    TRect inner = r;
    ShrinkRect(inner, total - bevel.Spacing);

    if (outerLine)
        ShrinkRect(r, 1);
    canvas.Rectangle(r);
    for (int i = 1; i <= width; ++i) {
        TColor top, bottom;
        if (bevel.Style == bsRaised) {
            top = InterpolateColor(bevel.ColorHighLightFrom, bevel.ColorHighLightTo, width, i);
            bottom = InterpolateColor(bevel.ColorShadowFrom, bevel.ColorShadowTo, width, i);
        } else {
            top = InterpolateColor(bevel.ColorShadowTo, bevel.ColorShadowFrom, width, i);
            bottom = InterpolateColor(bevel.ColorHighLightTo, bevel.ColorHighLightFrom, width, i);
        }
        canvas.Frame3D(r, top, bottom, 1);
    }

    if (bevel.GradVisible)
        DrawGradient(canvas, inner, bevel.GradColorFrom, bevel.GradStyle, bevel.GradColorTo);

    canvas.Pen.Color = bevel.PenColor;
    canvas.Brush.Style = bsClear;
    if (innerLine) {
        canvas.Rectangle(r);
        ShrinkRect(r, 1);
    }
    if (outerLine)
        canvas.Rectangle(outer);

    ShrinkRect(r, bevel.Spacing);
    r.Left += bevel.OffsetLeft;
    r.Top += bevel.OffsetTop;
    r.Right -= bevel.OffsetRight;
    r.Bottom -= bevel.OffsetBottom;
}

TRect TOvDraw::BevelContentRect(const TRect& r, const TBevelParams& bevel)
{
    TRect c = r;
    ShrinkRect(c, BevelTotalThickness(bevel.Spacing, std::max(0, bevel.Width), bevel.BevelLine));
    c.Left += bevel.OffsetLeft;
    c.Top += bevel.OffsetTop;
    c.Right -= bevel.OffsetRight;
    c.Bottom -= bevel.OffsetBottom;
    return c;
}

TRect TOvDraw::RoundBevelContentRect(const TRect& r, const TBevelParams& bevel, const TBitmap* ringImage)
{
    if (r.Right - r.Left < 5 || !ringImage || ringImage->Width() <= 0 || ringImage->Height() <= 0)
        return r;
    return BevelContentRect(r, bevel);
}

void TOvDraw::BuildRoundBevelImage(TBitmap& image, TColor shadowFrom, TColor shadowTo)
{
    image.SetSize(30, 30);
    DrawGradient(image.Canvas, Rect(0, 0, 30, 30), shadowFrom, gsTopLeft, shadowTo);
}

void TOvDraw::DrawRoundBevel(TCanvas& canvas, TRect& r, int dx, int dy, const TBevelParams& bevel,
                    const TBitmap* ringImage)
{
    const int d = r.Right - r.Left;
    if (d < 5 || !ringImage || ringImage->Width() <= 0 || ringImage->Height() <= 0)
        return;
    const int width = std::max(0, bevel.Width);
    const bool outerLine = bevel.BevelLine == blOuter || bevel.BevelLine == blBoth;
    const bool innerLine = bevel.BevelLine == blInner || bevel.BevelLine == blBoth;

    // The knob is composed in a d x d bitmap: the ring image, turned by 180
    // degrees for a lowered bevel, then the face.
    TBitmap b(d, d);
    TCanvas& bc = b.Canvas;
    if (bevel.Style == bsRaised)
        bc.StretchDraw(Rect(0, 0, d, d), *ringImage);
    else
        bc.StretchDraw(Rect(d + 1, d + 1, -1, -1), *ringImage);
    TRect inner = Rect(0, 0, d, d);
    ShrinkRect(inner, width);
    int total = width + bevel.Spacing;
    bc.Pen.Width = 1;
    bc.Pen.Style = psSolid;
    if (outerLine) {
        bc.Brush.Style = bsClear;
        bc.Pen.Color = bevel.PenColor;
        bc.Ellipse(0, 0, d, d);
        ShrinkRect(inner, 1);
        total += 1;
    }
    bc.Brush.Style = bsSolid;
    bc.Brush.Color = bevel.Color;
    if (innerLine) {
        bc.Pen.Color = bevel.PenColor;
        total += 1;
    } else {
        bc.Pen.Color = bevel.Color;
    }
    if (!bevel.GradVisible)
        bc.Ellipse(inner);

    const TClipState saved = canvas.GetClip();
    const QRegion knob = CreateEllipticRgn(r.Left + dx, r.Top + dy, r.Right + dx + 1, r.Bottom + dy + 1);
    canvas.SelectClipRgn(&knob);
    canvas.CopyRect(r, b, b.ClientRect());
    canvas.SetClip(saved);

    if (bevel.GradVisible) {
        TRect g = r;
        ShrinkRect(g, width);
        const QRegion face = CreateEllipticRgn(g.Left + dx, g.Top + dy, g.Right + dx + 1, g.Bottom + dy + 1);
        canvas.SelectClipRgn(&face);
        DrawGradient(canvas, g, bevel.GradColorFrom, bevel.GradStyle, bevel.GradColorTo);
        if (innerLine) {
            canvas.Pen.Width = 1;
            canvas.Pen.Style = psSolid;
            canvas.Pen.Color = bevel.PenColor;
            canvas.Brush.Style = bsClear;
            canvas.Ellipse(g);
        }
        canvas.SetClip(saved);
    }

    ShrinkRect(r, total);
    r.Left += bevel.OffsetLeft;
    r.Top += bevel.OffsetTop;
    r.Right -= bevel.OffsetRight;
    r.Bottom -= bevel.OffsetBottom;
}

// ---------------------------------------------------------------- scales

namespace {

void SelectScaleFont(TCanvas& canvas, const TScaleLook& look)
{
    if (look.Font)
        canvas.Font.Assign(*look.Font);
}

QStringList LabelList(const QString& labels)
{
    QStringList list = labels.split(QLatin1Char(';'));
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

int Log10Round(double x)
{
    if (!(x > 0))
        x = 1;
    return RoundEven(std::log10(x));
}

} // namespace

void TOvDraw::MeasureScaleLabels(TCanvas& canvas, const TScaleLook& look, double from, double to,
                        TScaleMetrics& metrics)
{
    SelectScaleFont(canvas, look);
    canvas.Pen.Color = look.Color;
    const int steps = std::max(1, look.Steps);
    QString labels;
    if (!metrics.LogScale) {
        for (int j = 0; j <= steps; ++j)
            labels += FormatFloat(look.ValueFormat, from + j * (to - from) / steps) + QLatin1Char(';');
    } else {
        const int e1 = Log10Round(from);
        const int e2 = Log10Round(to);
        const int span = e2 - e1;
        int n = 1;
        if (span != 0)
            for (int c = steps; c >= 2; --c)
                if (span % c == 0) {
                    n = c;
                    break;
                }
        metrics.FirstExponent = e1;
        metrics.LastExponent = e2;
        metrics.LogSteps = n;
        for (int j = 0; j <= n; ++j)
            labels += FormatFloat(look.ValueFormatLog, std::pow(10.0, e1 + j * span / n)) + QLatin1Char(';');
    }
    metrics.Labels = labels;
    int widest = 0;
    for (const QString& label : LabelList(labels))
        widest = std::max(widest, canvas.TextWidth(label));
    metrics.WidestLabel = widest;
    metrics.LabelHeight = canvas.TextHeight(QStringLiteral("0"));
    metrics.MajorPenWidth = RoundEven(metrics.LabelHeight / 14.0);
    metrics.LabelMargin = std::max(widest, metrics.LabelHeight) / 2 + 1;
}

TScaleCircleGeometry TOvDraw::LayoutScaleCircle(const TRect& r, int sweep, int start, const TScaleLook& look,
                                       TScaleMetrics& metrics)
{
    TScaleCircleGeometry g;
    const int w = r.Right - r.Left;
    const int cx = r.Left + w / 2;
    const int m = metrics.LabelMargin;
    const int widest = metrics.WidestLabel;
    const int pw = metrics.MajorPenWidth;
    const int radius = (w - 2 * m) / 2 - widest / 2 + m;

    int t = radius / 7;
    int s = pw == 1 ? t / 2 : RoundEven(t / 1.4);
    t = std::max(t, 3);
    s = std::max(s, 1);
    metrics.MajorTickLength = t;
    metrics.MinorTickLength = s;

    const int cy = r.Top + radius + metrics.LabelHeight / 2;
    const TPoint c{cx, cy};
    metrics.Centre = c;
    g.Centre = c;

    const int e = widest / 2 + pw / 2;
    g.Inner = Rect(cx - radius + e, cy - radius + e, cx + radius - widest / 2 + pw / 2 - 1,
                   cy + radius - widest / 2 + pw / 2 - 1);
    if (pw == 1) {
        g.Inner.Left += 1;
        g.Inner.Top += 1;
    }

    g.Steps = metrics.LogScale ? std::max(1, metrics.LogSteps) : std::max(1, look.Steps);
    g.SubSteps = std::max(1, look.SubSteps);
    g.MinorAngle = double(sweep) / (g.Steps * g.SubSteps);
    g.MajorAngle = g.SubSteps * g.MinorAngle;
    g.Sweep = sweep;

    g.Outer0 = RotatePoint({cx, cy - radius + m}, c, true, start);
    g.MajorInner0 = RotatePoint({cx, cy - radius + m + t}, c, true, start);
    g.MinorOuter0 = RotatePoint({cx, cy - radius + m + t - s}, c, true, start);
    g.Label0 = RotatePoint({cx, cy - radius}, c, true, start);

    metrics.ArcStart = g.Outer0;
    metrics.ArcEnd = RotatePoint(g.MajorInner0, c, true, sweep);
    metrics.ArcRect = Rect(r.Left + t, r.Top + t, r.Right - t, r.Bottom - t + 1);
    return g;
}

void TOvDraw::DrawScaleCircle(TCanvas& canvas, TRect& r, int sweep, int start, const TScaleLook& look,
                     TScaleMetrics& metrics)
{
    const TScaleCircleGeometry g = LayoutScaleCircle(r, sweep, start, look, metrics);
    SelectScaleFont(canvas, look);
    canvas.Pen.Color = look.Color;
    canvas.Pen.Style = psSolid;
    canvas.Pen.Mode = pmCopy;
    canvas.Brush.Style = bsClear;

    const TPoint c = g.Centre;
    const int pw = metrics.MajorPenWidth;
    const QStringList labels = LabelList(metrics.Labels);

    auto major = [&](int i, double angle) {
        if (i < labels.size()) {
            const TPoint lp = RotatePoint(g.Label0, c, true, angle);
            TextOutAligned(canvas, lp.X, lp.Y, 4, labels[i]);
        }
        const TPoint p0 = RotatePoint(g.Outer0, c, true, angle);
        const TPoint p1 = RotatePoint(g.MajorInner0, c, true, angle);
        canvas.Pen.Width = std::max(1, pw);
        canvas.MoveTo(p0.X, p0.Y);
        canvas.LineTo(p1.X, p1.Y);
    };

    for (int i = 0; i < g.Steps; ++i) {
        major(i, i * g.MajorAngle);
        canvas.Pen.Width = 1;
        for (int k = 1; k < g.SubSteps; ++k) {
            const double angle = metrics.LogScale
                                     ? RoundEven(std::log10(k * 10.0 / g.SubSteps) * g.MajorAngle + i * g.MajorAngle)
                                     : RoundEven(i * g.MajorAngle + k * g.MinorAngle);
            const TPoint p0 = RotatePoint(g.MajorInner0, c, true, angle);
            const TPoint p1 = RotatePoint(g.MinorOuter0, c, true, angle);
            canvas.MoveTo(p0.X, p0.Y);
            canvas.LineTo(p1.X, p1.Y);
        }
    }
    major(g.Steps, g.Sweep);
    canvas.Pen.Width = 1;
    r = g.Inner;
}

// ---------------------------------------------------------------- text

void TOvDraw::TextOutAligned(TCanvas& canvas, int x, int y, int alignment, const QString& text)
{
    const TSize size = canvas.TextExtent(text);
    const int w = size.cx;
    const int h = size.cy;
    int left = x;
    int top = y;
    switch (alignment % 3) {
    case 1: left = x - w / 2; break;
    case 2: left = x - w; break;
    default: break;
    }
    switch (alignment / 3) {
    case 1: top = y - h / 2; break;
    case 2: top = y - h; break;
    default: break;
    }
    if (alignment < 0 || alignment > 8) {
        left = x;
        top = y;
    }
    canvas.TextOut(left, top, text);
}

TRect TOvDraw::AlignedBox(TCanvas& canvas, int x, int y, int alignment, const QString& text)
{
    const TSize size = canvas.TextExtent(text);
    int left = x;
    int top = y;
    if (alignment >= 0 && alignment <= 8) {
        left -= alignment % 3 == 1 ? size.cx / 2 : alignment % 3 == 2 ? size.cx : 0;
        top -= alignment / 3 == 1 ? size.cy / 2 : alignment / 3 == 2 ? size.cy : 0;
    }
    return Rect(left, top, left + size.cx, top + size.cy);
}

QString TOvDraw::OverflowMark(TCanvas& canvas, int width)
{
    // Spreadsheets' sign for "too narrow to show": as many as fit, at least one.
    const int one = std::max(1, canvas.NaturalTextWidth(QStringLiteral("#")));
    return QString(std::clamp(width / one, 1, 8), QLatin1Char('#'));
}

TFittedText TOvDraw::DrawFittedText(TCanvas& canvas, int x, int y, int alignment, const QString& text, int width,
                                    TTextFit fit)
{
    TFittedText r;
    r.Fit = fit;
    r.Shown = text;
    r.NaturalWidth = canvas.NaturalTextWidth(text);
    width = std::max(1, width);
    const TFont keep = canvas.Font;
    if (r.NaturalWidth > width && fit != TTextFit::Label) {
        const QFont fitted = TCanvas::FitFont(canvas.Font.ToQFont(), text, width);
        const bool legible = QFontMetrics(fitted).horizontalAdvance(text) <= width
            && fitted.pixelSize() >= MinLegiblePixels;
        if (!legible && fit == TTextFit::Readout) {
            r.Shown = OverflowMark(canvas, width);
            r.Overflow = true;
        } else if (!legible) {
            // The smallest legible size, condensed, and what of the caption fits.
            TFont small = canvas.Font;
            small.SetSize(std::max(1, MinLegiblePixels * 72 / 96));
            canvas.Font = small;
            QFont f = small.ToQFont();
            f.setStretch(TCanvas::MinFitStretch);
            r.Shown = QFontMetrics(f).elidedText(text, Qt::ElideRight, width);
        }
    }
    canvas.SetTextFitWidth(width);
    r.Box = AlignedBox(canvas, x, y, alignment, r.Shown);
    canvas.TextOut(r.Box.Left, r.Box.Top, r.Shown);
    canvas.SetTextFitWidth(0);
    canvas.Font = keep;
    return r;
}

void TOvDraw::TextOutLines(TCanvas& canvas, int x, int y, int alignment, const QString& text, int extraSpacing)
{
    const QStringList lines = text.split(QLatin1Char('|'));
    const int separators = int(lines.size()) - 1;
    const int pitch = canvas.TextHeight(QStringLiteral("X")) + extraSpacing;
    if (alignment >= 3 && alignment <= 5)
        y -= (pitch * separators) / 2;
    else if (alignment >= 6 && alignment <= 8)
        y -= pitch * separators;
    for (const QString& line : lines) {
        TextOutAligned(canvas, x, y, alignment, line);
        y += pitch;
    }
}

// ---------------------------------------------------------------- geometry

TPoint TOvDraw::RotatePoint(TPoint p, TPoint centre, bool clockwise, double degrees)
{
    const double dx = p.X - centre.X;
    const double dy = p.Y - centre.Y;
    const double rad = degrees * M_PI / 180.0;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    if (clockwise)
        return {RoundEven(dx * c - dy * s) + centre.X, RoundEven(dy * c + dx * s) + centre.Y};
    return {RoundEven(dx * c + dy * s) + centre.X, RoundEven(dy * c - dx * s) + centre.Y};
}

float TOvDraw::PointAngle(TPoint centre, TPoint p)
{
    if (p.Y == centre.Y)
        return p.X > centre.X ? 270.0f : 90.0f;
    double a;
    if (p.Y < centre.Y)
        a = std::atan((centre.X - p.X) / (p.Y - centre.Y + 0.0001));
    else if (p.X > centre.X)
        a = M_PI - std::atan((p.X - centre.X) / (p.Y - centre.Y + 0.0001));
    else
        a = -std::atan((p.X - centre.X) / (p.Y - centre.Y + 0.0001)) - M_PI;
    return float(a * 180.0 / M_PI + 180.0);
}

bool TOvDraw::PointInRect(int x, int y, const TRect& r)
{
    return r.Left <= x && x < r.Right && r.Top <= y && y <= r.Bottom;
}

bool TOvDraw::PointInCircle(int x, int y, const TRect& r)
{
    const double cx = r.Left + (r.Right - r.Left) / 2.0;
    const double cy = r.Top + (r.Bottom - r.Top) / 2.0;
    return 2.0 * std::hypot(x - cx, y - cy) <= r.Right - r.Left;
}

void TOvDraw::ShrinkRect(TRect& r, int d)
{
    ShrinkRect(r, d, d);
}

void TOvDraw::ShrinkRect(TRect& r, int dx, int dy)
{
    r.Left += dx;
    r.Top += dy;
    r.Right -= dx;
    r.Bottom -= dy;
}

TPoint TOvDraw::RectCenter(const TRect& r)
{
    return {r.Left + (r.Right - r.Left) / 2, r.Top + (r.Bottom - r.Top) / 2};
}

void TOvDraw::DrawDot(TCanvas& canvas, TPoint c, int r, TColor color)
{
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = color;
    canvas.Pen.Style = psSolid;
    canvas.Pen.Width = 1;
    canvas.Pen.Color = clBtnHighlight;
    canvas.Ellipse(c.X - r, c.Y - r, c.X + r + 1, c.Y + r + 1);
    // The arc runs counter-clockwise from the lower left over the bottom to
    // the upper right, shading the lower right half.
    canvas.Pen.Color = clBtnShadow;
    canvas.Arc(c.X - r, c.Y - r, c.X + r + 1, c.Y + r + 1, c.X - r, c.Y + r + 1, c.X + r + 2, c.Y - r);
}
