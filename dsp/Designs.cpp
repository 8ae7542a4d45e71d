#include "dsp/Designs.h"

#include <algorithm>
#include <cmath>

#include "dsp/BandPass.h"
#include "dsp/Iir.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double InputRate = 44100.0;
constexpr double OutputRate = InputRate / 128.0;
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

}  // namespace

CarrierBandHz CarrierBandEdges(double carrierHz)
{
    return {carrierHz - CarrierHalfBandHz, carrierHz + CarrierHalfBandHz};
}

void DesignCarrierBand(ProcessingState& state, int channel, int modulationType)
{
    if (channel != 1 && channel != 2)
        return;
    const double carrier = channel == 1 ? state.Chan1CarrierHz : state.Chan2CarrierHz;
    const CarrierBandHz band = CarrierBandEdges(carrier);
    if (modulationType == 2) {
        DesignBandPass(state, channel, 1024, HzToFraction(band.Low), HzToFraction(band.High));
        return;
    }
    IirCoefficients& lowPass = channel == 1 ? state.Chan1BandLowPass : state.Chan2BandLowPass;
    IirCoefficients& highPass = channel == 1 ? state.Chan1BandHighPass : state.Chan2BandHighPass;
    DesignLowPass(lowPass, HzToFraction(band.High));
    DesignHighPass(highPass, HzToFraction(band.Low));
    // A band that lets nothing through (a carrier far outside its own band) keeps the factor
    // finite: the output is silence either way.
    const double gain = AmCarrierGain(lowPass, highPass, carrier);
    (channel == 1 ? state.Chan1AmCompensation : state.Chan2AmCompensation) =
        gain > 1e-3 && std::isfinite(gain) ? static_cast<float>(1.0 / gain) : 1.0f;
}

void DesignCarrierBands(ProcessingState& state)
{
    for (int channel = 1; channel <= 2; ++channel) {
        DesignCarrierBand(state, channel, 2);
        if (state.ModulationType == 1)
            DesignCarrierBand(state, channel, 1);
    }
}

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
    DesignCarrierBands(state);
    DesignLowPass(state.SmoothingLowPass, 0.075f);
    DesignLowPass(state.MarkerLowPass, HzToFraction(1536.0));
    DesignHighPass(state.MarkerHighPass, HzToFraction(1024.0));
}

void ApplyAmPresetBands(ProcessingState& state)
{
    state.ModulationType = 1;
    DesignCarrierBands(state);
}

void ApplyFmPresetBands(ProcessingState& state)
{
    state.ModulationType = 2;
    DesignCarrierBands(state);
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

std::complex<double> FirResponse(const FirTable& table, double fraction)
{
    // Centred: tap j weighs input i + h - j.
    const int h = (table.n + 1) / 2 - 1;
    std::complex<double> sum = 0.0;
    for (int j = 0; j < table.n; ++j)
        sum += static_cast<double>(table.c[j]) * std::polar(1.0, -2.0 * Pi * fraction * (j - h));
    return sum;
}

double AmBandGain(const IirCoefficients& lowPass, const IirCoefficients& highPass, double hz)
{
    const double f = hz / InputRate;
    return std::pow(std::abs(IirResponse(lowPass, f)), 3) * std::pow(std::abs(IirResponse(highPass, f)), 3);
}

double QuadratureEnvelopeGain(double hz)
{
    // Q is g times the band signal turned by a quarter period (the table is antisymmetric), so
    // the envelope is sqrt(cos^2 + g^2 sin^2) of the carrier's phase; its mean over the phase
    // is what the decimation keeps.
    const double g = std::abs(FirResponse(QuadratureTaps, hz / InputRate));
    constexpr int Steps = 256;
    double sum = 0.0;
    for (int k = 0; k < Steps; ++k) {
        const double phase = 2.0 * Pi * (k + 0.5) / Steps;
        sum += std::hypot(std::cos(phase), g * std::sin(phase));
    }
    return sum / Steps;
}

double AmCarrierGain(const IirCoefficients& lowPass, const IirCoefficients& highPass, double carrierHz)
{
    return AmBandGain(lowPass, highPass, carrierHz) * QuadratureEnvelopeGain(carrierHz);
}

double PostFilterGain(const ProcessingState& state, double hz)
{
    const double f = hz / OutputRate;
    if (state.FilterEnabled)
        return std::norm(IirResponse(state.MarkerLowPass, f)) * std::norm(IirResponse(state.MarkerHighPass, f));
    return std::norm(IirResponse(state.SmoothingLowPass, f));
}
