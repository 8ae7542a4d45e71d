#pragma once
// The panes' readings in microvolts for calibrated channels (DisplayState::Microvolts, set by
// the window after every block): in the time pane a vertical scale bar of a round number of
// microvolts beside each drawn channel's zero line, or the word saying why there is none; in
// the cursor readout the calibrated channels' amplitudes at the cursor's frequency.

#include <QString>

#include <cstdint>

#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

// The texts a channel without a scale shows in the time pane.
inline const char* const UncalibratedText = "Uncalibrated";
inline const char* const NoCarrierText = "No carrier";

// A scale bar is at most this tall; its value is the largest 1-2-5 number of microvolts that
// fits, so it is never shorter than 2 / 5 of it.
constexpr int MaxScaleBarRows = 50;

// Where a channel's scale sits in the time pane. The bar (or the word) stands on the channel's
// zero line, on the side away from the other drawn channel where the pane has room, so it never
// lies across the other trace's zero line or its own.
struct TimeScale {
    bool Shown = false;                    // the channel is drawn
    bool Bar = false;                      // a scale bar; else Text says why there is none
    double Microvolts = 0.0;               // the bar's value
    int Top = 0;                           // the bar's first and last row
    int Bottom = 0;
    bool Up = true;                        // it grows up from the zero line (else down)
    QString Text;                          // "50 uV", "Uncalibrated" or "No carrier"
};
TimeScale ChannelTimeScale(const DisplayState& d, const ProcessingState& p, int channel);

// Draws both channels' scales onto TimeImage (the pane as shown, not the scrolling strip).
void DrawTimeScales(DisplayState& d, const ProcessingState& p);

// The largest 1, 2 or 5 x 10^k at most `atMost` (which must be above 0).
double RoundScaleValue(double atMost);

// A microvolt figure with three significant digits at most: "123", "12.3", "1.23".
QString MicrovoltFigure(double microvolts);

// Peak-to-peak amplitude, in trace units, of the component of a channel's 512-sample trace
// at `hz`: the display transform's window (Hamming) evaluated at that very frequency, so a
// tone between two transform slots reads its full amplitude. 0 outside 0 < hz < half the
// output rate.
double TraceAmplitudePp(const ProcessingState& p, int channel, double hz);

// The frequency of a point of the frequency axis (rows or columns from the pane's origin, as
// the cursor readout takes them) at the current scale.
double PointHz(const ProcessingState& p, int32_t point);

// Labels.CursorMicrovolts from the cursor's point and the drawn, calibrated channels.
void UpdateCursorMicrovolts(DisplayState& d, const ProcessingState& p);
