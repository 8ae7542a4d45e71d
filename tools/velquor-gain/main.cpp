// velquor-gain: the gain of the processing chain where it depends on the carrier, on the EEG
// frequency and on the frequency scale, computed from the filter designs and tables the chain
// runs with, printed as Markdown tables for calibration.

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dsp/Designs.h"
#include "dsp/Fir.h"
#include "dsp/Iir.h"
#include "dsp/ProcessingState.h"

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double InputRate = 44100.0;
constexpr double FirstRate = InputRate / 16.0;     // 2756.25 Hz
constexpr double OutputRate = InputRate / 128.0;   // 344.53125 Hz

// |H| of a 4-pole set or a FIR table at a fraction f of its rate.
double IirGain(const IirCoefficients& set, double f)
{
    return std::abs(IirResponse(set, f));
}

double FirGain(const FirTable& table, double f)
{
    return std::abs(FirResponse(table, f));
}

// The mean of AliasAverageLength samples ahead of the first decimation, at a fraction f.
double AverageGain(double f)
{
    if (f == 0.0) return 1.0;
    return std::fabs(std::sin(Pi * f * AliasAverageLength) / (AliasAverageLength * std::sin(Pi * f)));
}

void AmBandTable(ProcessingState& state)
{
    std::printf("| Carrier (Hz) | AM band gain at the carrier | Quadrature filter gain | Envelope gain | Compensated gain |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (double carrier : {1000.0, 2000.0, 4000.0, 6000.0, 8000.0, 10000.0, 11000.0, 12000.0, 14000.0, 16065.0,
                           18000.0, 19145.0, 20000.0}) {
        // The band as every design makes it.
        state.ModulationType = 1;
        state.Chan1CarrierHz = static_cast<float>(carrier);
        StartupDesigns(state);
        const double band = AmBandGain(state.Chan1BandLowPass, state.Chan1BandHighPass, carrier);
        const double envelope = AmCarrierGain(state.Chan1BandLowPass, state.Chan1BandHighPass, carrier);
        std::printf("| %.0f | %.2f | %.3f | %.3f | %.2f |\n", carrier, band, FirGain(QuadratureTaps, carrier / InputRate),
                    envelope, envelope * state.Chan1AmCompensation);
    }
}

void DecimationTable()
{
    std::printf("| EEG frequency (Hz) | First stage | Second stage | Both |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (double hz : {0.0, 2.0, 5.0, 10.0, 15.0, 20.0, 30.0, 40.0, 60.0, 80.0, 100.0, 120.0, 150.0}) {
        const double first = AverageGain(hz / InputRate) * FirGain(Decim1Taps, hz / InputRate);
        const double second = FirGain(Decim2Taps, hz / FirstRate);
        std::printf("| %.0f | %.2f | %.2f | %.2f |\n", hz, first, second, first * second);
    }
}

void SmoothingTable()
{
    std::printf("| Freq Scale dial | Smoothing cut-off (Hz) | Gain at 10 Hz | Gain at the dial's value in Hz |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (int dial : {10, 20, 30, 40, 60, 80, 100, 150}) {
        const int v = static_cast<int>(0.4 * dial);   // FreqScaleSetting
        IirCoefficients set;
        CalcIir(set, 0.5f, SmoothingCutoff(v), 4, 0, 1);
        // Two passes of the section.
        const double at10 = std::pow(IirGain(set, 10.0 / OutputRate), 2);
        const double atDial = dial < OutputRate / 2 ? std::pow(IirGain(set, dial / OutputRate), 2) : 0.0;
        std::printf("| %d | %.1f | %.2f | %.2f |\n", dial, SmoothingCutoff(v) * OutputRate, at10, atDial);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        std::fprintf(help ? stdout : stderr,
                     "Usage: velquor-gain\n\n"
                     "Prints the processing chain's gain as Markdown tables: the AM carrier band's gain at\n"
                     "the carrier (band designed at the carrier -%.0f to +%.0f Hz), the quadrature filter's\n"
                     "gain there, the envelope gain the AM output is divided by and the gain that leaves;\n"
                     "the first decimation stage (16-sample average and FIR table) and the second at EEG\n"
                     "frequencies; the smoothing low-pass cut-off for each Freq Scale dial setting. Takes\n"
                     "no options.\n",
                     CarrierHalfBandHz, CarrierHalfBandHz);
        return help ? 0 : 2;
    }
    auto state = std::make_unique<ProcessingState>();
    std::printf("AM carrier band (six sections, designed at the carrier -%.0f to +%.0f Hz); each channel's AM\n"
                "output is divided by the envelope gain at its carrier, so every carrier reads the compensated gain:\n\n",
                CarrierHalfBandHz, CarrierHalfBandHz);
    AmBandTable(*state);
    std::printf("\nDecimation to 344.53 Hz (at the EEG frequency; the first stage averages 16 samples before its\n"
                "FIR table):\n\n");
    DecimationTable();
    std::printf("\nSmoothing low-pass (two passes; cut-off 2.5 x the Freq Scale setting, at least 8.6 Hz, in the\n"
                "window from the first block; velquor-trace, which has no dial, keeps 25.8 Hz):\n\n");
    SmoothingTable();
    return std::fflush(stdout) == 0 ? 0 : 1;
}
