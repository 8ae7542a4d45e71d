// TOvDial: one value change (knob image copy, pointer, value box, blit into
// the control's picture) against one full paint of the control.
#include "gauges/OvDial.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Velquor's offset dial (85 x 85, scale and caption, no value box) or the
// library's default dial (113 x 161, with frame and value box).
std::unique_ptr<TOvDial> MakeDial(bool velquor)
{
    auto d = std::make_unique<TOvDial>();
    if (velquor) {
        d->SetBounds(0, 0, 85, 85);
        d->SetOptions({ opUnit, opName2, opScale, opScaleText });
        d->SetPointerType(dpLine);
        d->SetPointerSize(10);
        d->SignalSettings().SetName2("Position");
    }
    d->Loaded();
    d->SetValue(50.0f);
    d->Snapshot();
    return d;
}

void BM_DialValueChange(benchmark::State& state)
{
    auto d = MakeDial(state.range(0) != 0);
    int i = 0;
    for (auto _ : state) {
        d->SetValue((++i & 1) ? 30.0f : 70.0f);
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) ? "Velquor 85x85" : "default 113x161");
}
BENCHMARK(BM_DialValueChange)->Arg(1)->Arg(0);

// The same change on a shown dial, including the widget's repaint of the
// flushed rectangles.
void BM_DialValueChangeShown(benchmark::State& state)
{
    auto d = MakeDial(true);
    d->show();
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        d->ClearFlushedRects();
        d->SetValue((++i & 1) ? 30.0f : 70.0f);
        for (const TRect& r : d->FlushedRects())
            d->repaint(r.Left, r.Top, r.Width(), r.Height());
    }
}
BENCHMARK(BM_DialValueChangeShown);

void BM_DialFullPaint(benchmark::State& state)
{
    auto d = MakeDial(state.range(0) != 0);
    for (auto _ : state) {
        d->Repaint();
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) ? "Velquor 85x85" : "default 113x161");
}
BENCHMARK(BM_DialFullPaint)->Arg(1)->Arg(0);

} // namespace
