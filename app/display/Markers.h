#pragma once
// Markers on the frequency pane: dragging, the cursor and marker readouts, the
// marker and filter switches and the band-pass from the filter markers.
// Readouts land in DisplayState::Labels; switch positions in
// DisplayState::Switches.

#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

// Mouse on SpectrumBox, (x, y) in pane pixels.
void SpectrumBoxMouseDown(DisplayState& d);
void SpectrumBoxMouseMove(DisplayState& d, ProcessingState& p, int x, int y, bool leftButton);
void SpectrumBoxMouseUp(DisplayState& d);

// MarkerLabel from the marker positions. A difference that is not positive
// (marker 1 not beyond marker 2) reads "Marker Difference = ?".
void UpdateMarkerLabel(DisplayState& d, const ProcessingState& p);

// The four switches; `checked` is the switch's new position. A refusal sets the
// switch back off in d.View.Switches and shows its message through `controls`.
void MkrSwitchClick(DisplayState& d, const ProcessingState& p, bool checked);
void FltrMkrsSwClick(DisplayState& d, ProcessingState& p, DisplayControls& controls, bool checked);
void FltrEnbSwClick(DisplayState& d, ProcessingState& p, bool checked);
void ExpandSwClick(DisplayState& d, ProcessingState& p, DisplayControls& controls, bool checked);
