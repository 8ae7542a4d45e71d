// Clip regions with the desktop layer's semantics, and the canvas's clip.
#include "platform/canvas/CanvasDetail.h"

#include <QPainter>

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
    canvas_detail::RowsToRuns(rows, r.Top, runs);
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), int(runs.size()));
    return region;
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
