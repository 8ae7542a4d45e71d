#include "platform/canvas/Canvas.h"

#include "platform/canvas/ClassicPalette.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>

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

// ---------------------------------------------------------------- canvas

TCanvas::TCanvas(QPaintDevice* device) : FDevice(device) {}

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
