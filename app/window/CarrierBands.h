#pragma once
// The Modulation Type presets, designed around the channels' own carriers.
//
// A fixed preset band ignores the carrier settings and, at the default carriers,
// hands each channel the other one's carrier; instead both commands use the
// band rule of every design (dsp DesignCarrierBands: the FM responses, and in AM the four
// IIR band sets), so each channel keeps its own signal whichever mode is chosen.
// The post filters (smoothing and marker band-pass) are left as they are.

#include "dsp/ProcessingState.h"

// ModulationType := 1, FM responses and AM band sets from the carriers.
void DesignAmCarrierBands(ProcessingState& p);
// ModulationType := 2, FM responses from the carriers; the AM band sets stay.
void DesignFmCarrierBands(ProcessingState& p);
