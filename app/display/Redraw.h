#pragma once
// The acquisition loop's redraw of both panes for one block: background, the
// frequency pane routine of the mode for each enabled channel, the time trace,
// grid, the channels' microvolt scales, marker lines, the pane hint and the
// cursor's microvolt readout. The window then only copies
// SpectrumImage and TimeImage to the screen. (The LED states come from
// IndicatorReport of the processing chain.)

#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

// Uses the traces' newest 32 samples for the time trace. The loop calls it
// after each processed block; while DisplayHold is set it calls neither the
// chain nor this, so both panes keep their last picture.
void RedrawPanes(DisplayState& d, const ProcessingState& p);

// Parts of RedrawPanes, for tests and the raw modes.
void FillBackground(DisplayState& d);
void DrawGrid(DisplayState& d);
void DrawMarkerLines(DisplayState& d, const ProcessingState& p);
void UpdateSpectrumHint(DisplayState& d);
