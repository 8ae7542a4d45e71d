// Text is drawn antialiased, so the edge pixels of a glyph blend the text
// colour into whatever lies beneath it. These helpers tell text pixels from
// the background without relying on exact colours.
#pragma once

#include "platform/canvas/Canvas.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>

namespace textink {

// Largest difference of the red, green and blue channels.
inline int Distance(TColor a, TColor b)
{
    a = ColorToRGB(a);
    b = ColorToRGB(b);
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

// The pixel carries more of the text colour than of the background.
inline bool IsInk(TColor pixel, TColor ink, TColor background)
{
    return Distance(pixel, ink) < Distance(pixel, background);
}

// The pixel is the text colour, the background, or a blend of the two: one
// mixing ratio explains every channel (within tol).
inline bool IsBlend(TColor pixel, TColor ink, TColor background, int tol = 12)
{
    pixel = ColorToRGB(pixel);
    ink = ColorToRGB(ink);
    background = ColorToRGB(background);
    const int p[3] = {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
    const int i[3] = {GetRValue(ink), GetGValue(ink), GetBValue(ink)};
    const int b[3] = {GetRValue(background), GetGValue(background), GetBValue(background)};
    double lo = 0.0, hi = 1.0; // range of the ink share that fits every channel
    for (int k = 0; k < 3; ++k) {
        const int span = i[k] - b[k];
        if (span == 0) {
            if (std::abs(p[k] - b[k]) > tol)
                return false;
            continue;
        }
        double t1 = double(p[k] - tol - b[k]) / span;
        double t2 = double(p[k] + tol - b[k]) / span;
        if (t1 > t2)
            std::swap(t1, t2);
        lo = std::max(lo, t1);
        hi = std::min(hi, t2);
    }
    return lo <= hi;
}

inline TColor ImagePixel(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

// Ink pixels of image inside r.
inline int CountInk(const QImage& image, const TRect& r, TColor ink, TColor background)
{
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
            n += IsInk(ImagePixel(image, x, y), ink, background) ? 1 : 0;
    return n;
}

} // namespace textink
