#include "app/window/CarrierBands.h"

#include "dsp/Designs.h"

namespace {

// StartupDesigns also designs the three post filters; those belong to the
// frequency-scale dial and the filter markers, so they are kept.
void DesignBandsFromCarriers(ProcessingState& p, int32_t modulationType)
{
    p.ModulationType = modulationType;
    const IirCoefficients smoothing = p.SmoothingLowPass;
    const IirCoefficients markerLow = p.MarkerLowPass;
    const IirCoefficients markerHigh = p.MarkerHighPass;
    StartupDesigns(p);
    p.SmoothingLowPass = smoothing;
    p.MarkerLowPass = markerLow;
    p.MarkerHighPass = markerHigh;
}

}  // namespace

void DesignAmCarrierBands(ProcessingState& p)
{
    DesignBandsFromCarriers(p, 1);
}

void DesignFmCarrierBands(ProcessingState& p)
{
    DesignBandsFromCarriers(p, 2);
}
