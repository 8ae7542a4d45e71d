#include "app/display/Redraw.h"

#include "app/display/FrequencyPane.h"
#include "app/display/Microvolts.h"
#include "app/display/PanePixels.h"
#include "app/display/TimeTrace.h"

namespace {

constexpr int NewestSamples = TraceLength - OutputPerBlock;   // first of the block's 32 samples

void DrawRawPane(DisplayState& d)
{
    // The raw types have no curve: background, a 13-line grid and the vertical
    // marker lines.
    pane::Pixels px(d.SpectrumImage);
    px.Fill(0, 0, px.Width(), px.Height(), pane::ToRgb(BackgroundColor(d.Settings.BackgroundStyle)));
    const QRgb grid = pane::ToRgb(d.Settings.BackgroundStyle == 3 ? clBlack : clTeal);
    if (d.Settings.GridOn) {
        for (int k = 0; k <= 12; ++k)
            px.HLine(37 * k, 0, px.Width(), grid);
        for (int k = 0; k <= 14; ++k)
            px.VLine(52 * k, 0, px.Height(), grid);
    }
}

}  // namespace

void FillBackground(DisplayState& d)
{
    const QRgb c = pane::ToRgb(BackgroundColor(d.Settings.BackgroundStyle));
    for (TBitmap* image : {&d.SpectrumImage, &d.TimeImage}) {
        pane::Pixels px(*image);
        px.Fill(0, 0, px.Width(), px.Height(), c);
    }
}

void DrawGrid(DisplayState& d)
{
    if (!d.Settings.GridOn)
        return;
    const QRgb c = pane::ToRgb(d.Settings.BackgroundStyle == 3 ? clBlack : clTeal);
    pane::Pixels spectrum(d.SpectrumImage);
    for (int k = 0; k <= 10; ++k)
        spectrum.HLine(37 * k, 0, spectrum.Width(), c);
    for (int k = 0; k <= 14; ++k)
        spectrum.VLine(52 * k, 0, spectrum.Height(), c);
    pane::Pixels time(d.TimeImage);
    for (int k = 0; k <= 5; ++k)
        time.HLine(34 * k, 0, time.Width(), c);
    for (int k = 0; k <= 14; ++k)
        time.VLine(52 * k, 0, time.Height(), c);
}

void DrawMarkerLines(DisplayState& d, const ProcessingState& p)
{
    if (d.ExpandOn)
        return;
    pane::Pixels px(d.SpectrumImage);
    if (d.Settings.DisplayType == DisplayWaterfall) {
        // The frequency markers stand on their columns in both halves, over channel 1's
        // spectrum and over channel 2's, so a drag is seen where it goes.
        if (d.Settings.Marker1On || d.Marker2On)
            for (const int32_t pos : {d.Settings.Marker1Pos, d.Settings.Marker2Pos})
                for (const int first : {0, WaterfallChannel2Column})
                    px.VLine(first + pos, 0, px.Height(), pane::ToRgb(clFuchsia));
        return;
    }
    const bool vertical = d.Settings.DisplayType == DisplayRawSpectrum || d.Settings.DisplayType == DisplayRawTime;
    auto line = [&](int32_t pos, TColor color) {
        if (vertical)
            px.VLine(pos, 0, px.Height(), pane::ToRgb(color));
        else
            px.HLine(pos, 0, px.Width(), pane::ToRgb(color));
    };
    if (d.Settings.Marker1On || d.Marker2On) {
        line(d.Settings.Marker1Pos, clFuchsia);
        line(d.Settings.Marker2Pos, clFuchsia);
    }
    const bool frequencyMode = d.Settings.DisplayType == DisplaySpectrum || d.Settings.DisplayType == DisplayPhase;
    if (frequencyMode && (d.Settings.FilterMarker1On || d.FilterMarker2On)) {
        line(p.FilterMarker1Pos, clYellow);
        line(p.FilterMarker2Pos, clYellow);
    }
}

void UpdateSpectrumHint(DisplayState& d)
{
    // Outside the waterfall the frequency markers would switch the hint, but the
    // filter markers decide right after them in every such mode, so the hint
    // follows the filter markers. In the waterfall, whose only markers are the
    // frequency markers, it follows those.
    if (d.Settings.DisplayType == DisplayWaterfall)
        d.View.SpectrumHintOn = d.Settings.Marker1On || d.Marker2On;
    else
        d.View.SpectrumHintOn = d.Settings.FilterMarker1On || d.FilterMarker2On;
}

void RedrawPanes(DisplayState& d, const ProcessingState& p)
{
    // The time trace replaces the whole time pane with its strip, so the pane needs
    // its background only when no trace is drawn.
    const QRgb background = pane::ToRgb(BackgroundColor(d.Settings.BackgroundStyle));
    pane::Pixels spectrum(d.SpectrumImage);
    spectrum.Fill(0, 0, spectrum.Width(), spectrum.Height(), background);
    if (!d.TimeTraceOn) {
        pane::Pixels time(d.TimeImage);
        time.Fill(0, 0, time.Width(), time.Height(), background);
    }
    const int32_t* traces[2] = {p.Chan1Trace, p.Chan2Trace};
    const bool enabled[2] = {p.Chan1Enabled, p.Chan2Enabled};
    for (int channel = 1; channel <= 2; ++channel) {
        if (!enabled[channel - 1])
            continue;
        d.CurrentChannel = channel;
        const TColor color = channel == 1 ? d.Settings.Chan1Color : d.Settings.Chan2Color;
        const int32_t gain = channel == 1 ? d.Settings.Chan1SpecGain : d.Settings.Chan2SpecGain;
        switch (d.Settings.DisplayType) {
        case DisplaySpectrum:
            DrawSpectrumChannel(d, p, channel, traces[channel - 1], gain);
            break;
        case DisplayPhase:
            DrawPhaseChannel(d, p, channel, traces[channel - 1], color);
            break;
        case DisplayWaterfall:
            DrawWaterfallChannel(d, p, channel, traces[channel - 1], gain);
            break;
        default:
            break;
        }
    }
    if (d.TimeTraceOn)
        DrawTimeTrace(d, p, p.Chan1Trace + NewestSamples, p.Chan2Trace + NewestSamples);
    DrawGrid(d);
    DrawTimeScales(d, p);
    DrawMarkerLines(d, p);
    UpdateSpectrumHint(d);
    UpdateCursorMicrovolts(d, p);
    if (d.Settings.DisplayType == DisplayRawSpectrum || d.Settings.DisplayType == DisplayRawTime) {
        DrawRawPane(d);
        DrawMarkerLines(d, p);
    }
}
