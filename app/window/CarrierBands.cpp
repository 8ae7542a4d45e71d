#include "app/window/CarrierBands.h"

#include "dsp/Designs.h"

void DesignAmCarrierBands(ProcessingState& p)
{
    ApplyAmPresetBands(p);
}

void DesignFmCarrierBands(ProcessingState& p)
{
    ApplyFmPresetBands(p);
}
