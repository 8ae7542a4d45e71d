#pragma once
// Direct pixel work on the panes' RGB32 images, clipped to the image. The
// per-block drawing of the panes is a few hundred one-pixel lines and whole
// image copies; writing the pixels here keeps a redraw well under a
// millisecond and keeps lines of any length (a trace far off the pane) cheap.
// Line rules are the canvas's: the end pixel of a line is left out.

#include <QImage>

#include <cstdint>

#include "platform/canvas/Canvas.h"

namespace pane {

inline QRgb ToRgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline TColor FromRgb(QRgb c)
{
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

class Pixels {
public:
    explicit Pixels(TBitmap& bitmap) : Pixels(bitmap.MutableImage()) {}
    explicit Pixels(QImage& image)
        : bits_(image.bits()), stride_(image.bytesPerLine() / 4), width_(image.width()),
          height_(image.height())
    {
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    QRgb* Row(int y) { return reinterpret_cast<QRgb*>(bits_) + static_cast<ptrdiff_t>(y) * stride_; }

    void Set(int x, int y, QRgb c)
    {
        if (x >= 0 && x < width_ && y >= 0 && y < height_)
            Row(y)[x] = c;
    }

    // Rectangle [left, right) x [top, bottom), clipped.
    void Fill(int left, int top, int right, int bottom, QRgb c);

    // Line from (x0, y) towards x1 on row y: x0 included, x1 left out; a
    // zero-length line draws nothing.
    void HLine(int y, int64_t x0, int64_t x1, QRgb c);
    // The same on column x.
    void VLine(int x, int64_t y0, int64_t y1, QRgb c);

    // Line from (x, y0) to (x + 1, y1), as the canvas rasterises it: one pixel per
    // row from y0 towards y1 (y1 left out), the first half of the rows on column
    // x and the rest on column x + 1; a line with |y1 - y0| <= 1 is the single
    // pixel (x, y0).
    void StepLine(int x, int64_t y0, int64_t y1, QRgb c);

private:
    uchar* bits_;
    ptrdiff_t stride_;
    int width_;
    int height_;
};

// Copies all of `from` onto `to` (same size).
void CopyImage(TBitmap& to, TBitmap& from);

}  // namespace pane
