#pragma once
// The carrier dialog's work without its widgets: storing a scroll-bar position as a
// channel's carrier and redesigning that channel's band for the current modulation type,
// so a running acquisition picks the new band up with its next block.

#include <QString>

#include "dsp/ProcessingState.h"

constexpr int CarrierScrollMin = 1000;
constexpr int CarrierScrollMax = 20000;

// The change handler of a carrier scroll bar (channel 1 or 2): the position becomes the
// carrier and the channel's band of the current modulation type is redesigned by the band
// rule every design uses (DesignCarrierBand), so showing the dialog at the carriers in force
// changes nothing. Returns the carrier.
float ApplyCarrierPosition(ProcessingState& state, int channel, int position);

// A carrier as the dialog shows it: "%.0f".
QString CarrierText(float hz);

// The scroll-bar position FormShow gives a carrier: trunc(hz), held to 1000..20000.
int CarrierPosition(float hz);
