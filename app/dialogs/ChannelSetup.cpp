#include "app/dialogs/ChannelSetup.h"

#include <algorithm>
#include <cmath>

#include "dsp/Designs.h"
#include "dsp/Iir.h"

namespace {

constexpr double SampleRateHz = 44100.0;
constexpr double NyquistHz = SampleRateHz / 2.0;
// One hertz inside each end: the edges stay strictly inside the spectrum.
constexpr double EdgeMarginHz = 1.0;

float Fraction(double hz)
{
    return static_cast<float>(hz / SampleRateHz);
}

}  // namespace

BandEdgesHz DialogBandEdges(double carrierHz, double halfBandHz)
{
    const double low = std::clamp(carrierHz - halfBandHz, EdgeMarginHz, NyquistHz - EdgeMarginHz);
    const double high = std::clamp(carrierHz + halfBandHz, EdgeMarginHz, NyquistHz - EdgeMarginHz);
    return {low, high};
}

float ApplyCarrierPosition(ProcessingState& state, int channel, int position)
{
    const float carrier = static_cast<float>(std::clamp(position, CarrierScrollMin, CarrierScrollMax));
    if (channel == 1)
        state.Chan1CarrierHz = carrier;
    else if (channel == 2)
        state.Chan2CarrierHz = carrier;
    else
        return carrier;

    if (state.ModulationType != 1) {
        const BandEdgesHz e = DialogBandEdges(carrier, DialogFmHalfBandHz);
        DesignBandPass(state, channel, 1024, Fraction(e.Low), Fraction(e.High));
    } else {
        const BandEdgesHz e = DialogBandEdges(carrier, DialogAmHalfBandHz);
        IirCoefficients& lowPass = channel == 1 ? state.Chan1BandLowPass : state.Chan2BandLowPass;
        IirCoefficients& highPass = channel == 1 ? state.Chan1BandHighPass : state.Chan2BandHighPass;
        CalcIir(lowPass, 0.5f, Fraction(e.High), 4, 0, 1);
        CalcIir(highPass, 0.5f, Fraction(e.Low), 4, 1, 1);
    }
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
