#pragma once
// Shared helpers of the display tests: heap-allocated states, traces with
// known tones and pixel reads.

#include <QImage>

#include <cmath>
#include <memory>

#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "app/display/PanePixels.h"
#include "dsp/ProcessingState.h"

namespace display_test {

constexpr double OutputRate = 344.53125;
constexpr double SlotHz = OutputRate / 512.0;   // 0.6729 Hz

struct Fixture {
    std::unique_ptr<DisplayState> Display = std::make_unique<DisplayState>();
    std::unique_ptr<ProcessingState> Processing = std::make_unique<ProcessingState>();
    ModelControls Controls;
    DisplayState& d = *Display;
    ProcessingState& p = *Processing;
};

inline void FillTone(int32_t* trace, double hz, double amplitude, double phase = 0.0)
{
    for (int n = 0; n < TraceLength; ++n)
        trace[n] = static_cast<int32_t>(amplitude * std::sin(2.0 * M_PI * hz * n / OutputRate + phase));
}

inline TColor Pixel(const TBitmap& image, int x, int y)
{
    return pane::FromRgb(image.Image().pixel(x, y));
}

inline void Fill(TBitmap& image, TColor color)
{
    pane::Pixels px(image);
    px.Fill(0, 0, px.Width(), px.Height(), pane::ToRgb(color));
}

// Number of pixels of `color` on row y between columns from and to (exclusive).
inline int CountOnRow(const TBitmap& image, int y, TColor color, int from = 0, int to = PaneWidth)
{
    int n = 0;
    for (int x = from; x < to; ++x)
        n += Pixel(image, x, y) == color;
    return n;
}

// Number of pixels of `color` in column x.
inline int CountOnColumn(const TBitmap& image, int x, TColor color)
{
    int n = 0;
    for (int y = 0; y < image.Height(); ++y)
        n += Pixel(image, x, y) == color;
    return n;
}

// The row with the longest run of `color` between columns from and to.
inline int LongestRow(const TBitmap& image, TColor color, int from, int to, int* length = nullptr)
{
    int best = -1, bestCount = 0;
    for (int y = 0; y < image.Height(); ++y) {
        const int n = CountOnRow(image, y, color, from, to);
        if (n > bestCount) {
            best = y;
            bestCount = n;
        }
    }
    if (length)
        *length = bestCount;
    return best;
}

}  // namespace display_test
