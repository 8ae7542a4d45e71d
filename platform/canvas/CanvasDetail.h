#pragma once
// What the parts of the canvas share (Canvas.cpp, CanvasShapes.cpp, CanvasRegions.cpp,
// CanvasText.cpp, CanvasImages.cpp).

#include "platform/canvas/Canvas.h"

#include <QRect>

#include <vector>

namespace canvas_detail {

// One run per non-empty row, row i at y = top + i.
void RowsToRuns(const std::vector<TSpan>& rows, int top, std::vector<QRect>& runs);

} // namespace canvas_detail
