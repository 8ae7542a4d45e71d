#pragma once
// The front panel as a first run shows it, for programs without the window (benchmarks,
// the fuzz harness, display tests): the settings table's first-run values stored into the
// state and run through the handlers that derive from them. The window itself applies the
// same values through the settings loader.

#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

// Channels enabled, gain dials 3, offsets at rows 42 and 125 (dials 75, 25), time base 4,
// frequency scale 60, track bars at 3, Spectrum mode. Sets the dials through `controls`.
void ApplyFirstRunPanel(DisplayState& d, ProcessingState& p, DisplayControls& controls);
