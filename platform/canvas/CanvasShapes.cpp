// Lines, rectangles, ellipses, arcs and polygons, rasterised to the desktop layer's pixels.
#include "platform/canvas/CanvasDetail.h"

#include <QColor>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

std::vector<TSpan> TGdi::EllipseRows(int left, int top, int right, int bottom)
{
    const int w = right - left;
    const int h = bottom - top;
    std::vector<TSpan> rows;
    if (w <= 0 || h <= 0)
        return rows;
    rows.resize(size_t(h));
    // Pixel centres inside the ellipse that touches the box edges.
    const double a = w / 2.0;
    const double b = h / 2.0;
    for (int y = 0; y < (h + 1) / 2; ++y) {
        const double dy = (y + 0.5 - b) / b;
        const double q = std::max(0.0, 1.0 - dy * dy);
        const double dx = a * std::sqrt(q);
        int xl = int(std::ceil(a - dx - 0.5 - 1e-9));
        int xr = w - 1 - xl;
        if (xl > xr) {   // thinner than a pixel: keep the middle pixel(s)
            xl = int(std::ceil(a - 1.0));
            xr = w - 1 - xl;
        }
        rows[size_t(y)] = {left + xl, left + xr};
        rows[size_t(h - 1 - y)] = rows[size_t(y)];
    }
    return rows;
}

void canvas_detail::RowsToRuns(const std::vector<TSpan>& rows, int top, std::vector<QRect>& runs)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Left <= rows[i].Right)
            runs.push_back(QRect(rows[i].Left, top + int(i), rows[i].Right - rows[i].Left + 1, 1));
}

namespace {

// Splits a filled shape given by rows into its 1-pixel outline runs and its
// interior runs. The outline of a row reaches over to where its neighbour
// rows begin, so the outline stays connected on steep parts.
void ShapeRuns(const std::vector<TSpan>& rows, int top, std::vector<QRect>* outline,
               std::vector<QRect>* interior)
{
    const int n = int(rows.size());
    for (int i = 0; i < n; ++i) {
        const TSpan s = rows[size_t(i)];
        if (s.Left > s.Right)
            continue;
        const int y = top + i;
        const bool hasPrev = i > 0 && rows[size_t(i - 1)].Left <= rows[size_t(i - 1)].Right;
        const bool hasNext = i + 1 < n && rows[size_t(i + 1)].Left <= rows[size_t(i + 1)].Right;
        if (!hasPrev || !hasNext) {
            if (outline)
                outline->push_back(QRect(s.Left, y, s.Right - s.Left + 1, 1));
            continue;
        }
        const TSpan p = rows[size_t(i - 1)];
        const TSpan q = rows[size_t(i + 1)];
        const int leftEnd = std::min(s.Right, std::max(s.Left, std::max(p.Left, q.Left) - 1));
        const int rightStart = std::max(s.Left, std::min(s.Right, std::min(p.Right, q.Right) + 1));
        if (leftEnd + 1 >= rightStart) {
            if (outline)
                outline->push_back(QRect(s.Left, y, s.Right - s.Left + 1, 1));
            continue;
        }
        if (outline) {
            outline->push_back(QRect(s.Left, y, leftEnd - s.Left + 1, 1));
            outline->push_back(QRect(rightStart, y, s.Right - rightStart + 1, 1));
        }
        if (interior)
            interior->push_back(QRect(leftEnd + 1, y, rightStart - leftEnd - 1, 1));
    }
}

// Rows of a rectangle with elliptic corners of size cw x ch.
std::vector<TSpan> RoundRectRows(int l, int t, int r, int b, int cw, int ch)
{
    const int h = b - t;
    std::vector<TSpan> rows;
    if (r - l <= 0 || h <= 0)
        return rows;
    rows.assign(size_t(h), TSpan{l, r - 1});
    cw = std::min(cw, r - l);
    ch = std::min(ch, h);
    if (cw < 2 || ch < 2)
        return rows;
    const std::vector<TSpan> corner = EllipseRows(0, 0, cw, ch);
    const int half = ch / 2;
    for (int i = 0; i < half; ++i) {
        // A rounded corner always loses at least its corner pixel.
        const int inset = std::max(corner[size_t(i)].Left, i == 0 ? 1 : 0);
        rows[size_t(i)] = {l + inset, r - 1 - inset};
        rows[size_t(h - 1 - i)] = rows[size_t(i)];
    }
    return rows;
}

QPainter::CompositionMode ModeFor(TPenMode mode)
{
    switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case pmCopy: break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// Dash patterns of the cosmetic pens, in pixels on / off.
const std::vector<int>& DashPattern(TPenStyle style)
{
    static const std::vector<int> solid;
    static const std::vector<int> dash{18, 6};
    static const std::vector<int> dot{3, 3};
    static const std::vector<int> dashDot{9, 6, 3, 6};
    static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return solid;
    }
}

bool IsThin(const TPen& pen)
{
    return pen.Width <= 1;
}

// The one-pixel frame of a normalised, non-empty rectangle as up to four
// runs; each pixel belongs to one run only, so xor modes stay exact.
std::vector<QRect> FrameRuns(const TRect& n)
{
    std::vector<QRect> edges;
    edges.push_back(QRect(n.Left, n.Top, n.Width(), 1));
    if (n.Height() > 1)
        edges.push_back(QRect(n.Left, n.Bottom - 1, n.Width(), 1));
    if (n.Height() > 2) {
        edges.push_back(QRect(n.Left, n.Top + 1, 1, n.Height() - 2));
        if (n.Width() > 1)
            edges.push_back(QRect(n.Right - 1, n.Top + 1, 1, n.Height() - 2));
    }
    return edges;
}

// The pixels of a point list, for QPainter.
std::vector<QPoint> ToQPoints(const TPoint* points, int count)
{
    std::vector<QPoint> q;
    q.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        q.push_back(QPoint(points[i].X, points[i].Y));
    return q;
}

} // namespace

void TCanvas::FillSpans(const std::vector<QRect>& spans, TColor color)
{
    QPainter* p = Painter();
    if (!p || spans.empty())
        return;
    const QColor c = ColorToQColor(color);
    if (c.alpha() == 0 && Pen.Mode == pmCopy)
        return;
    p->setCompositionMode(ModeFor(Pen.Mode));
    for (const QRect& r : spans)
        p->fillRect(r, c);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::PlotPoints(const std::vector<QPoint>& points, TColor color)
{
    if (points.empty())
        return;
    // Runs of horizontally adjacent pixels become one rectangle.
    std::vector<QRect> runs;
    runs.reserve(points.size());
    for (const QPoint& pt : points) {
        if (!runs.empty()) {
            QRect& last = runs.back();
            if (last.top() == pt.y() && last.left() + last.width() == pt.x()) {
                last.setWidth(last.width() + 1);
                continue;
            }
        }
        runs.push_back(QRect(pt.x(), pt.y(), 1, 1));
    }
    FillSpans(runs, color);
}

void TCanvas::ThinLine(int x0, int y0, int x1, int y1, std::vector<QPoint>& out, int& phase) const
{
    const std::vector<int>& pattern = DashPattern(Pen.Style);
    int total = 0;
    for (int v : pattern)
        total += v;
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        bool on = true;
        if (total > 0) {
            int pos = phase % total;
            for (size_t k = 0; k < pattern.size(); ++k) {
                if (pos < pattern[k]) {
                    on = (k % 2) == 0;
                    break;
                }
                pos -= pattern[k];
            }
            ++phase;
        }
        if (on)
            out.push_back(QPoint(x0, y0));
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void TCanvas::WideLines(const std::vector<QPoint>& points, bool closed)
{
    QPainter* p = Painter();
    if (!p || points.size() < 2)
        return;
    const QColor c = ColorToQColor(Pen.Color);
    QPen pen(c, Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (Pen.Style) {
    case psDash: pen.setStyle(Qt::DashLine); break;
    case psDot: pen.setStyle(Qt::DotLine); break;
    case psDashDot: pen.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    p->setCompositionMode(ModeFor(Pen.Mode));
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    if (closed)
        p->drawPolygon(points.data(), int(points.size()));
    else
        p->drawPolyline(points.data(), int(points.size()));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::MoveTo(int x, int y)
{
    PenPos = {x, y};
}

void TCanvas::LineTo(int x, int y)
{
    const TPoint from = PenPos;
    PenPos = {x, y};
    if (Pen.Style == psClear)
        return;
    if (IsThin(Pen)) {
        std::vector<QPoint> pts;
        int phase = 0;
        ThinLine(from.X, from.Y, x, y, pts, phase);
        PlotPoints(pts, Pen.Color);
    } else {
        WideLines({QPoint(from.X, from.Y), QPoint(x, y)}, false);
    }
}

void TCanvas::Polyline(const TPoint* points, int count)
{
    if (count < 2 || Pen.Style == psClear)
        return;
    if (IsThin(Pen)) {
        std::vector<QPoint> pts;
        int phase = 0;
        for (int i = 1; i < count; ++i)
            ThinLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y, pts, phase);
        PlotPoints(pts, Pen.Color);
    } else {
        WideLines(ToQPoints(points, count), false);
    }
}

void TCanvas::Polygon(const TPoint* points, int count)
{
    if (count < 2)
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    if (Brush.Style == bsSolid && count >= 3) {
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << QPointF(points[i].X + 0.5, points[i].Y + 0.5);
        p->setCompositionMode(ModeFor(Pen.Mode));
        p->setPen(Qt::NoPen);
        p->setBrush(ColorToQColor(Brush.Color));
        p->drawPolygon(poly, Qt::OddEvenFill);
        p->setBrush(Qt::NoBrush);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (Pen.Style == psClear)
        return;
    if (IsThin(Pen)) {
        std::vector<QPoint> pts;
        int phase = 0;
        for (int i = 0; i < count; ++i) {
            const TPoint a = points[i];
            const TPoint b = points[(i + 1) % count];
            ThinLine(a.X, a.Y, b.X, b.Y, pts, phase);
        }
        PlotPoints(pts, Pen.Color);
    } else {
        WideLines(ToQPoints(points, count), true);
    }
}

void TCanvas::FillRect(const TRect& r)
{
    if (Brush.Style == bsClear)
        return;
    const TRect n = NormalizedRect(r);
    if (IsRectEmpty(n))
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    p->fillRect(QRect(n.Left, n.Top, n.Width(), n.Height()), ColorToQColor(Brush.Color));
}

void TCanvas::FrameRect(const TRect& r)
{
    const TRect n = NormalizedRect(r);
    if (IsRectEmpty(n))
        return;
    const TPenMode mode = Pen.Mode;
    Pen.Mode = pmCopy;
    FillSpans(FrameRuns(n), Brush.Color);
    Pen.Mode = mode;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    const TRect n = NormalizedRect({left, top, right, bottom});
    if (Pen.Style == psClear) {
        // Without an outline the figure is one pixel smaller.
        if (Brush.Style == bsSolid && n.Width() > 1 && n.Height() > 1)
            FillSpans({QRect(n.Left, n.Top, n.Width() - 1, n.Height() - 1)}, Brush.Color);
        return;
    }
    if (IsRectEmpty(n))
        return;
    if (IsThin(Pen)) {
        if (Brush.Style == bsSolid && n.Width() > 2 && n.Height() > 2)
            FillSpans({QRect(n.Left + 1, n.Top + 1, n.Width() - 2, n.Height() - 2)}, Brush.Color);
        if (Pen.Style == psSolid || Pen.Style == psInsideFrame) {
            FillSpans(FrameRuns(n), Pen.Color);
        } else {
            const TPoint pts[4] = {{n.Left, n.Top}, {n.Right - 1, n.Top}, {n.Right - 1, n.Bottom - 1},
                                   {n.Left, n.Bottom - 1}};
            const TBrushStyle bs = Brush.Style;
            Brush.Style = bsClear;
            Polygon(pts, 4);
            Brush.Style = bs;
        }
        return;
    }
    if (Brush.Style == bsSolid)
        FillSpans({QRect(n.Left, n.Top, n.Width(), n.Height())}, Brush.Color);
    WideLines({QPoint(n.Left, n.Top), QPoint(n.Right - 1, n.Top), QPoint(n.Right - 1, n.Bottom - 1),
               QPoint(n.Left, n.Bottom - 1)},
              true);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    const TRect n = NormalizedRect({left, top, right, bottom});
    if (Pen.Style == psClear) {
        if (Brush.Style == bsSolid) {
            std::vector<QRect> runs;
            canvas_detail::RowsToRuns(EllipseRows(n.Left, n.Top, n.Right - 1, n.Bottom - 1), n.Top, runs);
            FillSpans(runs, Brush.Color);
        }
        return;
    }
    const std::vector<TSpan> rows = EllipseRows(n.Left, n.Top, n.Right, n.Bottom);
    if (rows.empty())
        return;
    std::vector<QRect> outline, interior;
    ShapeRuns(rows, n.Top, &outline, &interior);
    if (Brush.Style == bsSolid)
        FillSpans(interior, Brush.Color);
    if (IsThin(Pen)) {
        FillSpans(outline, Pen.Color);
        return;
    }
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(ModeFor(Pen.Mode));
    p->setPen(QPen(ColorToQColor(Pen.Color), Pen.Width));
    p->setBrush(Qt::NoBrush);
    p->drawEllipse(QRect(n.Left, n.Top, n.Width() - 1, n.Height() - 1));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerW, int cornerH)
{
    const TRect n = NormalizedRect({left, top, right, bottom});
    const bool clearPen = Pen.Style == psClear;
    const TRect box = clearPen ? TRect{n.Left, n.Top, n.Right - 1, n.Bottom - 1} : n;
    const std::vector<TSpan> rows =
        RoundRectRows(box.Left, box.Top, box.Right, box.Bottom, cornerW, cornerH);
    if (rows.empty())
        return;
    if (clearPen) {
        if (Brush.Style == bsSolid) {
            std::vector<QRect> runs;
            canvas_detail::RowsToRuns(rows, box.Top, runs);
            FillSpans(runs, Brush.Color);
        }
        return;
    }
    std::vector<QRect> outline, interior;
    ShapeRuns(rows, box.Top, &outline, &interior);
    if (Brush.Style == bsSolid)
        FillSpans(interior, Brush.Color);
    FillSpans(outline, Pen.Color);
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    if (Pen.Style == psClear)
        return;
    const TRect n = NormalizedRect({x1, y1, x2, y2});
    if (IsRectEmpty(n))
        return;
    // Angles in screen terms (counter-clockwise, y up), seen from the box centre
    // in pixel-centre coordinates.
    const double cx = (n.Left + n.Right - 1) / 2.0;
    const double cy = (n.Top + n.Bottom - 1) / 2.0;
    const double twoPi = 2.0 * M_PI;
    auto angleOf = [&](double x, double y) {
        double a = std::atan2(cy - y, x - cx);
        if (a < 0)
            a += twoPi;
        return a;
    };
    const double a0 = angleOf(x3, y3);
    const double a1 = angleOf(x4, y4);
    double span = a1 - a0;
    if (span <= 0)
        span += twoPi;   // equal rays draw the whole ellipse
    if (IsThin(Pen)) {
        std::vector<QRect> outline;
        ShapeRuns(EllipseRows(n.Left, n.Top, n.Right, n.Bottom), n.Top, &outline, nullptr);
        std::vector<QPoint> pts;
        for (const QRect& run : outline)
            for (int x = run.left(); x < run.left() + run.width(); ++x) {
                double rel = angleOf(x, run.top()) - a0;
                if (rel < 0)
                    rel += twoPi;
                if (rel <= span)
                    pts.push_back(QPoint(x, run.top()));
            }
        PlotPoints(pts, Pen.Color);
        return;
    }
    QPainter* p = Painter();
    if (!p)
        return;
    // Qt's arc angles are parametric: convert the rays.
    const double ra = std::max(0.5, (n.Width() - 1) / 2.0);
    const double rb = std::max(0.5, (n.Height() - 1) / 2.0);
    auto param = [&](double a) {
        double t = std::atan2(ra * std::sin(a), rb * std::cos(a));
        if (t < 0)
            t += twoPi;
        return t;
    };
    const double t0 = param(a0);
    double tspan = param(a1) - t0;
    if (tspan <= 0)
        tspan += twoPi;
    p->setCompositionMode(ModeFor(Pen.Mode));
    p->setPen(QPen(ColorToQColor(Pen.Color), Pen.Width, Qt::SolidLine, Qt::FlatCap));
    p->setBrush(Qt::NoBrush);
    p->drawArc(QRect(n.Left, n.Top, n.Width() - 1, n.Height() - 1), int(std::lround(t0 * 180.0 / M_PI * 16)),
               int(std::lround(tspan * 180.0 / M_PI * 16)));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width)
{
    const TPen saved = Pen;
    Pen.Width = 1;
    Pen.Style = psSolid;
    Pen.Mode = pmCopy;
    r.Bottom -= 1;
    r.Right -= 1;
    while (width > 0) {
        --width;
        const TPoint topRight{r.Right, r.Top};
        TPoint bottomLeft{r.Left, r.Bottom};
        Pen.Color = topColor;
        Polyline({bottomLeft, {r.Left, r.Top}, topRight});
        Pen.Color = bottomColor;
        bottomLeft.X -= 1;
        Polyline({topRight, {r.Right, r.Bottom}, bottomLeft});
        InflateRect(r, -1, -1);
    }
    r.Bottom += 1;
    r.Right += 1;
    Pen = saved;
}
