#include "app/dialogs/ChannelSetup.h"

#include <algorithm>
#include <cmath>

#include "dsp/Designs.h"

float ApplyCarrierPosition(ProcessingState& state, int channel, int position)
{
    const float carrier = static_cast<float>(std::clamp(position, CarrierScrollMin, CarrierScrollMax));
    if (channel == 1)
        state.Chan1CarrierHz = carrier;
    else if (channel == 2)
        state.Chan2CarrierHz = carrier;
    else
        return carrier;
    DesignCarrierBand(state, channel, state.ModulationType == 1 ? 1 : 2);
    return carrier;
}

QString CarrierText(float hz)
{
    return QString::asprintf("%.0f", double(hz));
}

int CarrierPosition(float hz)
{
    if (!std::isfinite(hz))
        return CarrierScrollMin;
    const double t = std::trunc(double(hz));
    return static_cast<int>(std::clamp(t, double(CarrierScrollMin), double(CarrierScrollMax)));
}
