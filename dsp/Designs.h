#pragma once
// Design moments of the band and post filters, as plain functions over the
// processing state. Every band fraction is hertz x (1/44100) in double,
// stored single and kept strictly inside (0, 0.5).

#include "dsp/ProcessingState.h"

// hertz -> fraction of the 44100 Hz input rate, single, inside (0, 0.5).
float HzToFraction(double hz);

// Channel 1 or 2 FM band kernel and response. Returns false (nothing designed)
// for another channel or an M the 2048-point fast convolution cannot hold.
bool DesignBandPass(ProcessingState& state, int channel, int M, float lowEdge, float highEdge);

// Construction: FM bands from the carriers +-500 Hz, in AM mode also the four
// AM band sets, then the smoothing and marker post filters.
void StartupDesigns(ProcessingState& state);

// The preset bands of the Modulation Type commands; they also set
// ModulationType (1 AM, 2 FM). The FM preset leaves the AM band sets alone.
void ApplyAmPresetBands(ProcessingState& state);
void ApplyFmPresetBands(ProcessingState& state);

// MarkerLowPass and MarkerHighPass from the filter marker rows (clamped into
// the pane first): a band from the lower marker frequency to the higher.
void RecalcMarkerFilter(ProcessingState& state);

// SmoothingLowPass from FreqScaleSetting: 2.5 x V Hz at the output rate, at least 0.025.
void RedesignSmoothing(ProcessingState& state);
