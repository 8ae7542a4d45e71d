// One block's redraw of both panes (background, the frequency pane routine for
// both channels, time trace, grid, marker lines) per frequency-pane mode, on
// traces of the demo signal's size, uncalibrated and calibrated. Goal: at most
// 2 ms per redraw.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "app/display/DisplayControls.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "dsp/ProcessingState.h"
#include "bench/support/KernelContext.h"

namespace {

struct Panes {
    std::unique_ptr<DisplayState> d = std::make_unique<DisplayState>();
    std::unique_ptr<ProcessingState> p = std::make_unique<ProcessingState>();
    ModelControls controls;

    explicit Panes(int mode, float dial)
    {
        ApplyFirstRunPanel(*d, *p, controls);
        controls.SetDial(PanelDial::FreqBase, dial);
        FreqBaseDialClick(*d, *p, dial);
        if (mode == DisplayPhase)
            Phase1Click(*d, *p, controls);
        else if (mode == DisplayWaterfall)
            Waterfall1Click(*d, *p, controls);
        MkrSwitchClick(*d, *p, true);
        d->Settings.Marker1Pos = 330;
        d->Settings.Marker2Pos = 250;
        d->TimeStep = 32;   // the most time-trace segments per block
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0.0, 3000.0);
        for (int n = 0; n < TraceLength; ++n) {
            const double t = n / 344.53125;
            p->Chan1Trace[n] = int32_t(15000.0 * std::sin(2 * M_PI * 10.0 * t) + noise(random));
            p->Chan2Trace[n] = int32_t(8000.0 * std::sin(2 * M_PI * 6.0 * t) + noise(random));
        }
    }
};

void BM_RedrawPanes(benchmark::State& state)
{
    const int mode = int(state.range(0));
    const float dial = float(state.range(1));
    Panes panes(mode, dial);
    for (auto _ : state) {
        RedrawPanes(*panes.d, *panes.p);
        benchmark::DoNotOptimize(panes.d->SpectrumImage.Image().constBits());
    }
    state.SetLabel(mode == DisplaySpectrum ? "spectrum" : mode == DisplayPhase ? "phase" : "waterfall");
}

// The same with both channels calibrated and the pointer over the pane: the time pane's
// scale bars with their labels, and the cursor's microvolts read from both traces.
void BM_RedrawPanesCalibrated(benchmark::State& state)
{
    Panes panes(int(state.range(0)), 60.0f);
    panes.d->Microvolts[0] = {true, 0.0005};
    panes.d->Microvolts[1] = {true, 0.0005};
    SpectrumBoxMouseMove(*panes.d, *panes.p, 100, 309, false);
    for (auto _ : state) {
        RedrawPanes(*panes.d, *panes.p);
        benchmark::DoNotOptimize(panes.d->TimeImage.Image().constBits());
    }
}

}  // namespace

BENCHMARK(BM_RedrawPanesCalibrated)->Arg(DisplaySpectrum)->Arg(DisplayPhase)->Unit(benchmark::kMicrosecond);

// Modes 4, 5, 6 at the first-run scale (dial 60, interpolated) and at the
// widest scale (dial 150).
BENCHMARK(BM_RedrawPanes)
    ->ArgsProduct({{DisplaySpectrum, DisplayPhase, DisplayWaterfall}, {60, 150}})
    ->Unit(benchmark::kMicrosecond);
