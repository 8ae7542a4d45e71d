#pragma once
// The carrier dialog's work without its widgets: storing a scroll-bar position as a
// channel's carrier and redesigning that channel's band for the current modulation type,
// so a running acquisition picks the new band up with its next block.

#include <QString>

#include "dsp/ProcessingState.h"

constexpr int CarrierScrollMin = 1000;
constexpr int CarrierScrollMax = 20000;
constexpr double DialogFmHalfBandHz = 2200.0;   // FM band: carrier +- 2200 Hz
constexpr double DialogAmHalfBandHz = 1000.0;   // AM band: carrier +- 1000 Hz

// Band edges in hertz for a carrier, kept inside the spectrum (0, 22050) Hz: near the ends
// of the carrier range the FM band would otherwise reach below 0 Hz or above half the
// sample rate.
struct BandEdgesHz {
    double Low;
    double High;
};
BandEdgesHz DialogBandEdges(double carrierHz, double halfBandHz);

// The change handler of a carrier scroll bar (channel 1 or 2): the position becomes the
// carrier and the channel's band of the current modulation type is redesigned (FM: the
// band-pass kernel and response; AM: its low-pass and high-pass sets). Returns the carrier.
float ApplyCarrierPosition(ProcessingState& state, int channel, int position);

// A carrier as the dialog shows it: "%.0f".
QString CarrierText(float hz);

// The scroll-bar position FormShow gives a carrier: trunc(hz), held to 1000..20000.
int CarrierPosition(float hz);
