#pragma once
// The time pane: the scrolling strip chart of both channels and the handlers
// of the controls that shape it (time base, gain and offset dials, gain track
// bars, enable switches, Hold).

#include <cstdint>

#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

// Adds TimeStep columns at the right of TimeWorkImage from the block's 32 new
// samples of each enabled channel (new1, new2; OutputPerBlock values each),
// copies the strip onto TimeImage and scrolls the strip left by TimeStep.
void DrawTimeTrace(DisplayState& d, const ProcessingState& p, const int32_t* new1,
                   const int32_t* new2);

// Time-base dial (positions 2 .. 7): TimeStep 4, 4, 4, 8, 16, 32.
void TimeBaseDialClick(DisplayState& d, float value);
inline void TimeBaseDialValueChange(DisplayState& d, float value) { TimeBaseDialClick(d, value); }

// Gain dials (1 .. 6): demodulator gain 10^(p - 4); positions outside 1 .. 10
// leave it unchanged.
void Chan1GainDialClick(DisplayState& d, ProcessingState& p, float value);
void Chan2GainDialClick(DisplayState& d, ProcessingState& p, float value);
inline void Chan1GainDialValueChange(DisplayState& d, ProcessingState& p, float value)
{
    Chan1GainDialClick(d, p, value);
}
inline void Chan2GainDialValueChange(DisplayState& d, ProcessingState& p, float value)
{
    Chan2GainDialClick(d, p, value);
}

// Offset dials (0 .. 100): the channel's zero row in the time pane, or in mode
// 1 its spectrum baseline.
void Chan1OffsetDialClick(DisplayState& d, float value);
void Chan2OffsetDialClick(DisplayState& d, float value);
inline void Chan1OffsetDialValueChange(DisplayState& d, float value) { Chan1OffsetDialClick(d, value); }
inline void Chan2OffsetDialValueChange(DisplayState& d, float value) { Chan2OffsetDialClick(d, value); }

// Track bars (1 .. 40): gain = position x 10 - 9, time gains and spectrum gains.
void Chan1GainTrackBarChange(DisplayState& d, int position);
void Chan2GainTrackBarChange(DisplayState& d, int position);
void Chan1GainFTrackBarChange(DisplayState& d, int position);
void Chan2GainFTrackBarChange(DisplayState& d, int position);

// Enable switches and Hold: the flags the chain and the redraw read.
void Chan1EnableSwitchClick(ProcessingState& p, bool checked);
void Chan2EnableSwitchClick(ProcessingState& p, bool checked);
void DisplayHoldSwClick(ProcessingState& p, bool checked);

// The background colour of a BackgroundStyle (white, black, teal).
TColor BackgroundColor(int backgroundStyle);

// Brings the time images' background to BackgroundStyle's colour: the pixels of the old
// background take the new one, the traces drawn so far stay. The images are created white;
// without this the scrolling strip would carry white into a black pane for a whole width.
void MatchTimeBackground(DisplayState& d);
