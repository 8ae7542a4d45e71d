#include "app/display/Markers.h"

#include <algorithm>

#include "app/display/FrequencyPane.h"
#include "app/display/Microvolts.h"
#include "app/display/TimeTrace.h"
#include "dsp/Designs.h"

namespace {

constexpr int H = SpectrumPaneHeight;
constexpr int DragWindow = 45;
constexpr int ClickWindow = 5;

QString HzText(uint32_t hz)
{
    return QString::number(hz) + QStringLiteral(" Hz");
}

const QString UnknownMarker = QStringLiteral("Marker Difference = ?");

// One pair of markers following the pointer coordinate q. The comparison uses
// the positions before the move, so a marker pulled past its partner stays
// there for one move and is put back one pixel beyond it on the next.
struct Pair {
    int32_t& Pos1;
    int32_t& Pos2;
    bool On1;
    bool On2;
    MarkerDrag& Drag;
};

void Drag(Pair m, int q)
{
    MarkerDrag& g = m.Drag;
    if (m.Pos1 - g.GrabBelow < q && q < m.Pos1 + g.GrabAbove && m.On1 && g.Free1) {
        g.Free2 = false;
        m.Pos1 = m.Pos1 > m.Pos2 ? q : m.Pos2 + 1;
    } else if (m.Pos2 - g.GrabBelow < q && q < m.Pos2 + g.GrabAbove && m.On2 && g.Free2) {
        g.Free1 = false;
        m.Pos2 = m.Pos2 < m.Pos1 ? q : m.Pos1 - 1;
    }
    g.GrabBelow = g.GrabAbove = DragWindow;
}

Pair FrequencyPair(DisplayState& d)
{
    return {d.Settings.Marker1Pos, d.Settings.Marker2Pos, d.Settings.Marker1On, d.Marker2On, d.FrequencyDrag};
}

Pair FilterPair(DisplayState& d, ProcessingState& p)
{
    return {p.FilterMarker1Pos, p.FilterMarker2Pos, d.Settings.FilterMarker1On, d.FilterMarker2On, d.FilterDrag};
}

// How far from a marker the pointer grabs it, for both pairs.
void SetGrabWindows(DisplayState& d, int pixels)
{
    for (MarkerDrag* g : {&d.FrequencyDrag, &d.FilterDrag})
        g->GrabBelow = g->GrabAbove = pixels;
}

// The raw-spectrum cursor: ((S x SampleRate) div 729 x x) >> 10, unsigned.
uint32_t RawCursorHz(const ProcessingState& p, int32_t x)
{
    const uint32_t perColumn = (uint32_t(p.FreqSpan) * p.SampleRate) / 729u;
    return (perColumn * uint32_t(x)) >> 10;
}

// A marker difference in hertz, or "?" while marker 1 is not beyond marker 2
// (the unsigned arithmetic would turn the negative difference into nonsense).
QString Difference(const ProcessingState& p, int32_t first, int32_t second)
{
    if (first <= second)
        return UnknownMarker;
    return QStringLiteral("Marker Difference = ") + HzText(RowToHz(p, first - second));
}

}  // namespace

void SpectrumBoxMouseDown(DisplayState& d)
{
    SetGrabWindows(d, ClickWindow);
}

void SpectrumBoxMouseUp(DisplayState& d)
{
    for (MarkerDrag* g : {&d.FrequencyDrag, &d.FilterDrag})
        g->Free1 = g->Free2 = true;
    SetGrabWindows(d, ClickWindow);
}

void SpectrumBoxMouseMove(DisplayState& d, ProcessingState& p, int x, int y, bool leftButton)
{
    const int m1 = d.Settings.Marker1Pos, m2 = d.Settings.Marker2Pos;
    switch (d.Settings.DisplayType) {
    case DisplayRawSpectrum:
    case DisplayRawTime: {
        x = std::clamp(x, 0, PaneWidth);
        if (d.Settings.DisplayType == DisplayRawSpectrum) {
            const int32_t column = d.ExpandOn ? (m1 - m2) * x / 729 + m2 : x;
            d.View.Labels.Cursor = QStringLiteral("Cursor Position = ") + HzText(RawCursorHz(p, column));
        }
        if (leftButton)
            Drag(FrequencyPair(d), x);
        break;
    }
    case DisplayWaterfall: {
        x = std::clamp(x, 0, PaneWidth - 1);
        if (x > 369)
            x -= 369;   // the right half shows channel 2 over the same frequencies
        const int32_t column = d.ExpandOn ? (m2 - m1) * x / 512 + m1 : x;
        d.View.Labels.Cursor = QStringLiteral("Cursor Position = ") + HzText(RowToHz(p, column));
        d.CursorPoint = column;
        if (leftButton)
            Drag(FrequencyPair(d), x);
        break;
    }
    case DisplaySpectrum:
    case DisplayPhase: {
        y = std::clamp(y, 0, H);
        for (int32_t* pos : {&d.Settings.Marker1Pos, &d.Settings.Marker2Pos, &p.FilterMarker1Pos, &p.FilterMarker2Pos})
            if (*pos > H)
                *pos = H - 2;
        const int32_t row = d.ExpandOn ? (d.Settings.Marker1Pos - d.Settings.Marker2Pos) * (H - y) / H + (H - d.Settings.Marker1Pos)
                                       : H - y;
        d.View.Labels.Cursor = QStringLiteral("Cursor Position = ") + HzText(RowToHz(p, row));
        d.CursorPoint = row;
        if (leftButton) {
            Drag(FrequencyPair(d), y);
            Drag(FilterPair(d, p), y);
        }
        break;
    }
    default:
        break;
    }

    d.Settings.Marker1Pos = std::min(d.Settings.Marker1Pos, H - 5);
    d.Settings.Marker2Pos = std::min(d.Settings.Marker2Pos, H - 10);
    p.FilterMarker1Pos = std::min(p.FilterMarker1Pos, H - 5);
    p.FilterMarker2Pos = std::min(p.FilterMarker2Pos, H - 10);
    UpdateMarkerLabel(d, p);
    RecalcMarkerFilter(p);
    UpdateCursorMicrovolts(d, p);
}

void UpdateMarkerLabel(DisplayState& d, const ProcessingState& p)
{
    const bool both = d.Settings.Marker1On && d.Marker2On;
    switch (d.Settings.DisplayType) {
    case DisplayRawSpectrum:
        if (both && d.Settings.Marker1Pos > d.Settings.Marker2Pos) {
            const uint32_t perColumn = (4u * uint32_t(p.FreqSpan) * p.SampleRate) / 729u;
            const uint32_t hz = (perColumn * uint32_t(d.Settings.Marker1Pos - d.Settings.Marker2Pos)) >> 10;
            d.View.Labels.Marker = QStringLiteral("Marker Difference = ") + HzText(hz);
        } else {
            d.View.Labels.Marker = UnknownMarker;
        }
        break;
    case DisplaySpectrum:
        if (both)
            d.View.Labels.Marker = Difference(p, d.Settings.Marker1Pos, d.Settings.Marker2Pos);
        if (d.View.Switches.FltrMkrsSw)
            d.View.Labels.Marker = Difference(p, p.FilterMarker1Pos, p.FilterMarker2Pos);
        break;
    case DisplayPhase:
    case DisplayWaterfall:   // columns: the readout follows a drag there too
        d.View.Labels.Marker = both ? Difference(p, d.Settings.Marker1Pos, d.Settings.Marker2Pos) : UnknownMarker;
        break;
    default:
        break;
    }
}

void MkrSwitchClick(DisplayState& d, const ProcessingState& p, bool checked)
{
    d.View.Switches.MkrSwitch = checked;
    if (checked) {
        d.Settings.Marker1On = d.Marker2On = true;
        d.Settings.FilterMarker1On = d.FilterMarker2On = false;
        d.View.Switches.FltrMkrsSw = false;
        UpdateMarkerLabel(d, p);
    } else {
        d.Settings.Marker1On = d.Marker2On = false;
        d.ExpandOn = false;
        d.View.Switches.ExpandSw = false;
        d.View.Labels.Marker = UnknownMarker;
        d.View.Labels.LoFreq = QStringLiteral("0 Hz");
    }
    TimeBaseDialClick(d, float(d.Settings.TimeBaseSetting));
}

void FltrMkrsSwClick(DisplayState& d, ProcessingState& p, DisplayControls& controls, bool checked)
{
    d.View.Switches.FltrMkrsSw = checked;
    if (checked && (d.Settings.DisplayType == DisplaySpectrum || d.Settings.DisplayType == DisplayPhase)) {
        d.Settings.FilterMarker1On = d.FilterMarker2On = true;
        d.Settings.Marker1On = d.Marker2On = false;
        d.ExpandOn = false;
        d.View.Switches.MkrSwitch = false;
        d.View.Switches.ExpandSw = false;
        d.View.Labels.Marker = UnknownMarker;
        d.View.Labels.LoFreq = QStringLiteral("0 Hz");
        UpdateMarkerLabel(d, p);
    } else if (checked) {
        controls.ShowMessage(QString::fromLatin1(FilterModeMessage), QString::fromLatin1(ErrorCaption));
        d.View.Switches.FltrMkrsSw = false;
    } else {
        d.Settings.FilterMarker1On = d.FilterMarker2On = false;
    }
    TimeBaseDialClick(d, float(d.Settings.TimeBaseSetting));
    FreqBaseDialClick(d, p, controls.DialValue(PanelDial::FreqBase));
    UpdateMarkerLabel(d, p);
}

void FltrEnbSwClick(DisplayState& d, ProcessingState& p, bool checked)
{
    d.View.Switches.FltrEnbSw = checked;
    p.FilterEnabled = checked;
    p.FilterBypass = !checked;
    RecalcMarkerFilter(p);
}

void ExpandSwClick(DisplayState& d, ProcessingState& p, DisplayControls& controls, bool checked)
{
    d.View.Switches.ExpandSw = checked;
    // Nothing expands in the waterfall: the switch stays as the view is (not expanded).
    if (d.Settings.DisplayType == DisplayWaterfall) {
        d.View.Switches.ExpandSw = d.ExpandOn;
        return;
    }
    if (d.Settings.Marker1On && d.Marker2On) {
        d.ExpandOn = checked;
        d.Settings.FilterMarker1On = d.FilterMarker2On = false;
        d.View.Switches.FltrMkrsSw = false;
    } else {
        d.View.Switches.ExpandSw = false;
        if (checked)
            controls.ShowMessage(QString::fromLatin1(MarkersNeededMessage), QString::fromLatin1(ErrorCaption));
    }
    FreqBaseDialClick(d, p, controls.DialValue(PanelDial::FreqBase));
}
