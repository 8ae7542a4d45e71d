// Images on the canvas (draw, stretch, copy) and the off-screen bitmap.
#include "platform/canvas/Canvas.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

namespace {

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

} // namespace

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
    CopyImageRect(dest, &source.Image(), sourceRect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    CopyImageRect(dest, source.Image(), sourceRect);
}

void TCanvas::CopyImageRect(const TRect& dest, const QImage* img, const TRect& sourceRect)
{
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
