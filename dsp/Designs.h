#pragma once
// Design moments of the band and post filters, as plain functions over the
// processing state. Every band fraction is hertz x (1/44100) in double,
// stored single and kept strictly inside (0, 0.5).

#include <complex>

#include "dsp/Fir.h"
#include "dsp/Iir.h"
#include "dsp/ProcessingState.h"

// hertz -> fraction of the 44100 Hz input rate, single, inside (0, 0.5).
float HzToFraction(double hz);

// Channel 1 or 2 FM band kernel and response. Returns false (nothing designed)
// for another channel or an M the 2048-point fast convolution cannot hold.
bool DesignBandPass(ProcessingState& state, int channel, int M, float lowEdge, float highEdge);

// The one band rule of every carrier band, AM and FM alike, at every design moment (start-up,
// the Modulation Type commands, the carrier dialog, the tools): the carrier +-1000 Hz. Measured
// over carriers 1000..20000 Hz: the AM trace's response stays within 1.5 % from 10 to 140 Hz
// (6 % at +-500 Hz); FM stays flat to 140 Hz for deviations up to 1000 Hz (+-500 Hz lost a third
// there, +-2200 Hz took in a carrier 2000 Hz away); AM carriers 1500 Hz apart keep each other's
// modulation below -29 dB.
constexpr double CarrierHalfBandHz = 1000.0;
struct CarrierBandHz {
    double Low;
    double High;
};
CarrierBandHz CarrierBandEdges(double carrierHz);

// Channel 1 or 2's band for a modulation type (1 AM, 2 FM) at the channel's carrier in force:
// FM, its kernel and response; AM, its low-pass and high-pass sets and the AM compensation.
void DesignCarrierBand(ProcessingState& state, int channel, int modulationType);
// Both channels' FM bands and, in AM mode (ModulationType 1), their AM sets.
void DesignCarrierBands(ProcessingState& state);

// Construction: the carrier bands (DesignCarrierBands), then the smoothing and marker post
// filters.
void StartupDesigns(ProcessingState& state);

// The Modulation Type commands: ModulationType (1 AM, 2 FM) and the carrier bands by the band
// rule, so each channel keeps its own carrier whichever mode is chosen (fixed preset bands
// would hand each default carrier the other channel's band). The FM command leaves the AM
// sets alone; neither touches the post filters.
void ApplyAmPresetBands(ProcessingState& state);
void ApplyFmPresetBands(ProcessingState& state);

// Frequency response of a centred FIR table the chain runs, at a fraction of its own rate (a
// 4-pole set's is IirResponse in dsp/Iir.h).
std::complex<double> FirResponse(const FirTable& table, double fraction);

// |H| at `hz` of a channel's six AM band sections (three low-pass, three high-pass).
double AmBandGain(const IirCoefficients& lowPass, const IirCoefficients& highPass, double hz);
// The envelope a steady carrier of amplitude 1 at `hz` gives after the quadrature filter:
// its gain g there turns the analytic signal into an ellipse, whose mean radius this is.
double QuadratureEnvelopeGain(double hz);
// What the AM output is divided by: the band's gain at the carrier times the quadrature
// envelope gain, so a carrier's modulation reads the same on either channel at any carrier.
double AmCarrierGain(const IirCoefficients& lowPass, const IirCoefficients& highPass, double carrierHz);

// |H| at `hz` (output rate) of the post filter in force: two smoothing passes, or the two
// marker low-pass and two high-pass passes.
double PostFilterGain(const ProcessingState& state, double hz);

// MarkerLowPass and MarkerHighPass from the filter marker rows (clamped into
// the pane first): a band from the lower marker frequency to the higher.
void RecalcMarkerFilter(ProcessingState& state);

// SmoothingLowPass from FreqScaleSetting: 2.5 x V Hz at the output rate, at least 0.025.
void RedesignSmoothing(ProcessingState& state);
