#include "app/display/PanePixels.h"

#include <algorithm>
#include <cstring>

namespace pane {

void Pixels::Fill(int left, int top, int right, int bottom, QRgb c)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y)
        std::fill(Row(y) + left, Row(y) + std::max(left, right), c);
}

void Pixels::HLine(int y, int64_t x0, int64_t x1, QRgb c)
{
    if (y < 0 || y >= height_ || x0 == x1)
        return;
    // Pixels x0 .. x1 - 1 going right, x1 + 1 .. x0 going left.
    int64_t a = x0 < x1 ? x0 : x1 + 1;
    int64_t b = x0 < x1 ? x1 : x0 + 1;   // exclusive
    a = std::max<int64_t>(a, 0);
    b = std::min<int64_t>(b, width_);
    if (a < b)
        std::fill(Row(y) + a, Row(y) + b, c);
}

void Pixels::VLine(int x, int64_t y0, int64_t y1, QRgb c)
{
    if (x < 0 || x >= width_ || y0 == y1)
        return;
    int64_t a = y0 < y1 ? y0 : y1 + 1;
    int64_t b = y0 < y1 ? y1 : y0 + 1;
    a = std::max<int64_t>(a, 0);
    b = std::min<int64_t>(b, height_);
    for (int64_t y = a; y < b; ++y)
        Row(int(y))[x] = c;
}

void Pixels::StepLine(int x, int64_t y0, int64_t y1, QRgb c)
{
    const int64_t n = y1 > y0 ? y1 - y0 : y0 - y1;
    if (n <= 1) {
        if (y0 >= 0 && y0 < height_)
            Set(x, int(y0), c);
        return;
    }
    const int64_t half = (n + 1) / 2;   // rows on column x
    if (y1 > y0) {
        VLine(x, y0, y0 + half, c);
        VLine(x + 1, y0 + half, y1, c);
    } else {
        VLine(x, y0, y0 - half, c);
        VLine(x + 1, y0 - half, y1, c);
    }
}

void CopyImage(TBitmap& to, TBitmap& from)
{
    QImage& dst = to.MutableImage();
    const QImage& src = from.Image();
    const int h = std::min(dst.height(), src.height());
    const size_t bytes = size_t(std::min(dst.width(), src.width())) * 4;
    for (int y = 0; y < h; ++y)
        std::memcpy(dst.scanLine(y), src.constScanLine(y), bytes);
}

}  // namespace pane
