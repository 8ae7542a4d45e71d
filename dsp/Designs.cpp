#include "dsp/Designs.h"

#include "dsp/BandPass.h"
#include "dsp/Iir.h"

namespace {

constexpr float Ripple = 0.5f;
constexpr int Poles = 4;
constexpr int Chebyshev = 1;

// CalcIir itself keeps the cutoff inside (0, 0.5).
void DesignLowPass(IirCoefficients& set, float cutoff)
{
    CalcIir(set, Ripple, cutoff, Poles, 0, Chebyshev);
}

void DesignHighPass(IirCoefficients& set, float cutoff)
{
    CalcIir(set, Ripple, cutoff, Poles, 1, Chebyshev);
}

void DesignBandHz(ProcessingState& state, int channel, double lowHz, double highHz)
{
    DesignBandPass(state, channel, 1024, HzToFraction(lowHz), HzToFraction(highHz));
}

// The four AM band sets: each channel's low-pass at its upper edge, high-pass at its lower edge.
void DesignAmBandsHz(ProcessingState& state, double low1Hz, double high1Hz, double low2Hz,
                     double high2Hz)
{
    DesignLowPass(state.Chan1BandLowPass, HzToFraction(high1Hz));
    DesignHighPass(state.Chan1BandHighPass, HzToFraction(low1Hz));
    DesignLowPass(state.Chan2BandLowPass, HzToFraction(high2Hz));
    DesignHighPass(state.Chan2BandHighPass, HzToFraction(low2Hz));
}

}  // namespace

float HzToFraction(double hz)
{
    return ClampCutoff(static_cast<float>(hz * (1.0 / 44100.0)));
}

bool DesignBandPass(ProcessingState& state, int channel, int M, float lowEdge, float highEdge)
{
    // Taps 0..M must fit the kernel without wrapping in the 2048-point convolution.
    if ((channel != 1 && channel != 2) || M < 2 || M > 1024)
        return false;
    FmBand& band = channel == 1 ? state.Chan1Band : state.Chan2Band;
    DesignBandPass(band, M, ClampCutoff(lowEdge), ClampCutoff(highEdge));
    return true;
}

void StartupDesigns(ProcessingState& state)
{
    const double c1 = state.Chan1CarrierHz;
    const double c2 = state.Chan2CarrierHz;
    DesignBandHz(state, 1, c1 - 500.0, c1 + 500.0);
    DesignBandHz(state, 2, c2 - 500.0, c2 + 500.0);
    if (state.ModulationType == 1)
        DesignAmBandsHz(state, c1 - 500.0, c1 + 500.0, c2 - 500.0, c2 + 500.0);
    DesignLowPass(state.SmoothingLowPass, 0.075f);
    DesignLowPass(state.MarkerLowPass, HzToFraction(1536.0));
    DesignHighPass(state.MarkerHighPass, HzToFraction(1024.0));
}

void ApplyAmPresetBands(ProcessingState& state)
{
    state.ModulationType = 1;
    DesignBandHz(state, 1, 16250.0, 17750.0);
    DesignBandHz(state, 2, 18250.0, 19750.0);
    DesignAmBandsHz(state, 14750.0, 17000.0, 18250.0, 19750.0);
}

void ApplyFmPresetBands(ProcessingState& state)
{
    state.ModulationType = 2;
    DesignBandHz(state, 1, 11500.0, 15500.0);
    DesignBandHz(state, 2, 16500.0, 21500.0);
}

void RecalcMarkerFilter(ProcessingState& state)
{
    const MarkerBand band =
        ComputeMarkerBand(state.FreqSpan, state.SampleRate, state.SpectrumRows,
                          state.FilterMarker1Pos, state.FilterMarker2Pos);
    DesignLowPass(state.MarkerLowPass, band.LowPass);
    DesignHighPass(state.MarkerHighPass, band.HighPass);
}

void RedesignSmoothing(ProcessingState& state)
{
    DesignLowPass(state.SmoothingLowPass, SmoothingCutoff(state.FreqScaleSetting));
}
