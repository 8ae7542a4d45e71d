#include "platform/canvas/Canvas.h"

#include "platform/canvas/ClassicPalette.h"

#include <QColor>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- colours

TColor TGdi::QColorToColor(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

TColor TGdi::ColorToRGB(TColor c)
{
    if (!IsSystemColor(c))
        return c;
    // The fixed classic palette, not the desktop theme's.
    return ClassicSystemColor(c & 0xFF);
}

QColor TGdi::ColorToQColor(TColor c)
{
    if (c == clNone)
        return QColor(0, 0, 0, 0);
    if (c == clDefault)
        c = clWindowText;
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// ---------------------------------------------------------------- geometry

void TGdi::InflateRect(TRect& r, int dx, int dy)
{
    r.Left -= dx;
    r.Top -= dy;
    r.Right += dx;
    r.Bottom += dy;
}

void TGdi::OffsetRect(TRect& r, int dx, int dy)
{
    r.Left += dx;
    r.Top += dy;
    r.Right += dx;
    r.Bottom += dy;
}

bool TGdi::IsRectEmpty(const TRect& r)
{
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

bool TGdi::IntersectRect(TRect& dst, const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (IsRectEmpty(r)) {
        dst = TRect{};
        return false;
    }
    dst = r;
    return true;
}

bool TGdi::PtInRect(const TRect& r, TPoint p)
{
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

TPoint TGdi::CenterPoint(const TRect& r)
{
    return {r.Left + (r.Right - r.Left) / 2, r.Top + (r.Bottom - r.Top) / 2};
}

TRect TGdi::NormalizedRect(const TRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

// ---------------------------------------------------------------- shapes

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

void RowsToRuns(const std::vector<TSpan>& rows, int top, std::vector<QRect>& runs)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Left <= rows[i].Right)
            runs.push_back(QRect(rows[i].Left, top + int(i), rows[i].Right - rows[i].Left + 1, 1));
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

// The part of img that sourceRect selects, mirrored along each axis on which
// dest and sourceRect run in opposite directions, and where it goes. A deep
// copy, so copying within one image reads the old pixels. False when either
// rectangle is empty.
bool ImagePart(const QImage& img, const TRect& dest, const TRect& sourceRect, QImage& part, QRect& target)
{
    const TRect dn = NormalizedRect(dest);
    const TRect sn = NormalizedRect(sourceRect);
    if (IsRectEmpty(dn) || IsRectEmpty(sn))
        return false;
    const bool flipH = (dest.Right < dest.Left) != (sourceRect.Right < sourceRect.Left);
    const bool flipV = (dest.Bottom < dest.Top) != (sourceRect.Bottom < sourceRect.Top);
    part = img.copy(QRect(sn.Left, sn.Top, sn.Width(), sn.Height()));
    if (flipH || flipV)
        part = part.mirrored(flipH, flipV);
    target = QRect(dn.Left, dn.Top, dn.Width(), dn.Height());
    return true;
}

// Stores value in field; true when that changed it.
template <class T>
bool Store(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

QRegion TGdi::CreateRectRgn(int left, int top, int right, int bottom)
{
    const TRect r = NormalizedRect({left, top, right, bottom});
    if (IsRectEmpty(r))
        return QRegion();
    return QRegion(r.Left, r.Top, r.Width(), r.Height());
}

QRegion TGdi::CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const TRect r = NormalizedRect({left, top, right, bottom});
    const std::vector<TSpan> rows = EllipseRows(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
    std::vector<QRect> runs;
    RowsToRuns(rows, r.Top, runs);
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), int(runs.size()));
    return region;
}

// ---------------------------------------------------------------- fonts

QString TGdi::ResolveFontFamily(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("ms sans serif") || n == QLatin1String("arial") || n == QLatin1String("system")
        || n == QLatin1String("tahoma") || n == QLatin1String("ms shell dlg")
        || n == QLatin1String("ms shell dlg 2") || n == QLatin1String("verdana") || n.isEmpty())
        return QStringLiteral("Liberation Sans");
    if (n == QLatin1String("times new roman") || n == QLatin1String("ms serif"))
        return QStringLiteral("Liberation Serif");
    if (n == QLatin1String("courier new") || n == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return name;
}

TFont::TFont() : TFont(QStringLiteral("MS Sans Serif"), 8, clWindowText, 0) {}

TFont::TFont(const QString& name, int size, TColor color, TFontStyles style)
    : FName(name), FSize(size), FColor(color), FStyle(style)
{
}

TFont::TFont(const TFont& other)
    : FName(other.FName), FSize(other.FSize), FColor(other.FColor), FStyle(other.FStyle)
{
}

TFont& TFont::operator=(const TFont& other)
{
    Assign(other);
    return *this;
}

int TFont::PixelSize() const
{
    // The desktop layer's MulDiv(Size, 96, 72), which rounds.
    const int px = int(std::lround(std::abs(FSize) * 96.0 / 72.0));
    return std::max(1, px);
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(*this);
}

void TFont::SetName(const QString& name)
{
    if (Store(FName, name))
        Changed();
}

void TFont::SetSize(int size)
{
    if (Store(FSize, size))
        Changed();
}

void TFont::SetColor(TColor color)
{
    if (Store(FColor, color))
        Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (Store(FStyle, style))
        Changed();
}

bool TFont::SameAs(const TFont& other) const
{
    return FName == other.FName && FSize == other.FSize && FColor == other.FColor
           && FStyle == other.FStyle;
}

void TFont::Assign(const TFont& other)
{
    if (this == &other || SameAs(other))
        return;
    FName = other.FName;
    FSize = other.FSize;
    FColor = other.FColor;
    FStyle = other.FStyle;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont f(ResolveFontFamily(FName));
    f.setPixelSize(PixelSize());
    f.setBold(FStyle & fsBold);
    f.setItalic(FStyle & fsItalic);
    f.setUnderline(FStyle & fsUnderline);
    f.setStrikeOut(FStyle & fsStrikeOut);
    // Antialiased glyphs with vertical-only hinting: full hinting squeezes the
    // round glyphs of Liberation Sans at small sizes ("0" and "O" get stubs),
    // light hinting keeps their shapes and still snaps the baseline and
    // x-height to whole pixels. Kerning stays off so that a text is as wide
    // as the sum of its characters, as the layouts assume.
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

// ---------------------------------------------------------------- canvas

TCanvas::TCanvas(QPaintDevice* device) : FDevice(device) {}

const QFont& TCanvas::CurrentFont()
{
    if (!FFontCached || !FFontKey.SameAs(Font)) {
        FFontKey = Font;
        FQFont = Font.ToQFont();
        FMetrics = std::make_unique<QFontMetrics>(FQFont);
        FFontCached = true;
    }
    return FQFont;
}

const QFontMetrics& TCanvas::CurrentMetrics()
{
    CurrentFont();
    return *FMetrics;
}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::SetDevice(QPaintDevice* device)
{
    Release();
    FDevice = device;
}

void TCanvas::Release()
{
    if (FPainter) {
        if (FPainter->isActive())
            FPainter->end();
        FPainter.reset();
    }
}

QPainter* TCanvas::Painter()
{
    if (FPainter)
        return FPainter.get();
    if (!FDevice || FDevice->width() <= 0 || FDevice->height() <= 0)
        return nullptr;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(FDevice))
        return nullptr;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    FPainter = std::move(painter);
    ApplyClip();
    return FPainter.get();
}

QImage* TCanvas::Image() const
{
    if (FDevice && FDevice->devType() == QInternal::Image)
        return static_cast<QImage*>(FDevice);
    return nullptr;
}

void TCanvas::ApplyClip()
{
    if (!FPainter)
        return;
    // The clip is removed with NoClip: after setClipping(false) the raster
    // engine ignores the next region set.
    if (FClipActive)
        FPainter->setClipRegion(FClip);
    else
        FPainter->setClipRegion(QRegion(), Qt::NoClip);
}

TRect TCanvas::ClipRect() const
{
    if (FClipActive) {
        const QRect b = FClip.boundingRect();
        return {b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    if (!FDevice)
        return {};
    return {0, 0, FDevice->width(), FDevice->height()};
}

void TCanvas::SelectClipRgn(const QRegion* region)
{
    FClipActive = region != nullptr;
    FClip = region ? *region : QRegion();
    ApplyClip();
}

void TCanvas::SetClipRect(const TRect& r)
{
    const QRegion region = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    SelectClipRgn(&region);
}

void TCanvas::SetClipEllipse(const TRect& r)
{
    const QRegion region = CreateEllipticRgn(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
    SelectClipRgn(&region);
}

void TCanvas::IntersectClipRect(const TRect& r)
{
    QRegion region = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    if (FClipActive)
        region = region.intersected(FClip);
    SelectClipRgn(&region);
}

void TCanvas::SetClip(const TClipState& state)
{
    FClipActive = state.Active;
    FClip = state.Active ? state.Region : QRegion();
    ApplyClip();
}

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
        std::vector<QPoint> q;
        for (int i = 0; i < count; ++i)
            q.push_back(QPoint(points[i].X, points[i].Y));
        WideLines(q, false);
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
        std::vector<QPoint> q;
        for (int i = 0; i < count; ++i)
            q.push_back(QPoint(points[i].X, points[i].Y));
        WideLines(q, true);
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
            RowsToRuns(EllipseRows(n.Left, n.Top, n.Right - 1, n.Bottom - 1), n.Top, runs);
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
            RowsToRuns(rows, box.Top, runs);
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

TColor TCanvas::Pixel(int x, int y)
{
    const QImage* img = Image();
    if (!img || x < 0 || y < 0 || x >= img->width() || y >= img->height())
        return clNone;
    const QRgb p = img->pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->fillRect(QRect(x, y, 1, 1), ColorToQColor(color));
}

QFont TCanvas::FitFont(const QFont& font, const QString& text, int width)
{
    if (width <= 0 || QFontMetrics(font).horizontalAdvance(text) <= width)
        return font;
    // Condense first (the glyphs keep their height), then shrink as well.
    QFont f = font;
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    int stretch = std::max(MinFitStretch, 100 * width / std::max(1, natural));
    for (;;) {
        f.setStretch(stretch);
        if (QFontMetrics(f).horizontalAdvance(text) <= width || stretch <= MinFitStretch)
            break;
        --stretch;
    }
    while (QFontMetrics(f).horizontalAdvance(text) > width && f.pixelSize() > 4)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}

QFont TCanvas::FittedFont(const QString& text)
{
    const QFont& font = CurrentFont();
    if (FFitWidth <= 0 || CurrentMetrics().horizontalAdvance(text) <= FFitWidth)
        return font;
    return FitFont(font, text, FFitWidth);
}

int TCanvas::NaturalTextWidth(const QString& text)
{
    return CurrentMetrics().horizontalAdvance(text);
}

void TCanvas::PrepareTextPainter()
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(CurrentFont());
    p->setPen(ColorToQColor(Font.Color()));
    p->setBrush(Qt::NoBrush);
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const QFontMetrics& fm = CurrentMetrics();
    const int width = TextWidth(text);
    if (Brush.Style == bsSolid && !text.isEmpty())
        p->fillRect(QRect(x, y, width, fm.height()), ColorToQColor(Brush.Color));
    PrepareTextPainter();
    p->setFont(FittedFont(text));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    PenPos = {x + width, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const TRect n = NormalizedRect(r);
    if (IsRectEmpty(n))
        return;
    const QRect qr(n.Left, n.Top, n.Width(), n.Height());
    p->save();
    if (FClipActive)
        p->setClipRegion(FClip.intersected(QRegion(qr)));
    else
        p->setClipRect(qr);
    if (Brush.Style == bsSolid)
        p->fillRect(qr, ColorToQColor(Brush.Color));
    const QFontMetrics& fm = CurrentMetrics();
    PrepareTextPainter();
    p->setFont(FittedFont(text));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    p->restore();
}

int TCanvas::TextWidth(const QString& text)
{
    const int natural = CurrentMetrics().horizontalAdvance(text);
    return FFitWidth > 0 ? std::min(natural, FFitWidth) : natural;
}

int TCanvas::TextHeight(const QString&)
{
    return CurrentMetrics().height();
}

TSize TCanvas::TextExtent(const QString& text)
{
    return {TextWidth(text), CurrentMetrics().height()};
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    const QImage& img = bitmap.Image();
    if (img.isNull())
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(QPoint(x, y), img);
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap)
{
    CopyRect(dest, bitmap, bitmap.ClientRect());
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect)
{
    const QImage& img = source.Image();
    if (img.isNull())
        return;
    QImage part;
    QRect target;
    if (!ImagePart(img, dest, sourceRect, part, target))
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(target, part);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    const QImage* img = source.Image();
    if (!img || img->isNull())
        return;
    QImage part;
    QRect target;
    if (!ImagePart(*img, dest, sourceRect, part, target))
        return;
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(target, part);
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

// ---------------------------------------------------------------- bitmap

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height)
{
    SetSize(width, height);
}

TBitmap::~TBitmap()
{
    Canvas.SetDevice(nullptr);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == FImage.width() && height == FImage.height())
        return;
    Canvas.SetDevice(nullptr);
    Canvas.ClearClip();
    QImage next;
    if (width > 0 && height > 0) {
        next = QImage(width, height, FTransparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        next.fill(FTransparent ? QColor(Qt::transparent) : QColor(Qt::white));
        if (!FImage.isNull()) {
            QPainter p(&next);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPoint(0, 0), FImage);
        }
    }
    FImage = next;
    Canvas.SetDevice(FImage.isNull() ? nullptr : &FImage);
}

void TBitmap::Assign(const TBitmap& other)
{
    if (&other == this)
        return;
    const QImage& src = other.Image();
    Canvas.SetDevice(nullptr);
    Canvas.ClearClip();
    FImage = src.copy();
    Canvas.SetDevice(FImage.isNull() ? nullptr : &FImage);
}

const QImage& TBitmap::Image() const
{
    Canvas.Release();
    return FImage;
}

QImage& TBitmap::MutableImage()
{
    Canvas.Release();
    return FImage;
}

void TBitmap::SetImage(const QImage& image)
{
    Canvas.SetDevice(nullptr);
    Canvas.ClearClip();
    FImage = image.isNull()
        ? QImage()
        : image.convertToFormat(FTransparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Canvas.SetDevice(FImage.isNull() ? nullptr : &FImage);
}

void TBitmap::SetTransparent(bool v)
{
    if (v == FTransparent)
        return;
    FTransparent = v;
    if (FImage.isNull())
        return;
    Canvas.SetDevice(nullptr);
    FImage = FImage.convertToFormat(v ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Canvas.SetDevice(&FImage);
}

void TBitmap::Clear()
{
    Canvas.Release();
    FImage.fill(FTransparent ? QColor(Qt::transparent) : QColor(Qt::white));
}
