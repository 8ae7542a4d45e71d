#include "app/display/FrequencyPane.h"

#include <algorithm>
#include <cmath>

#include "app/display/Markers.h"
#include "app/display/PanePixels.h"
#include "app/display/TimeTrace.h"
#include "dsp/Designs.h"
#include "dsp/Fft.h"
#include "dsp/Spline.h"
#include "dsp/Truncate.h"

namespace {

constexpr int H = SpectrumPaneHeight;
constexpr int TransformLength = 512;
constexpr int SpectrumSlots = TransformLength / 2;   // slots 0 .. 255 carry the spectrum
constexpr int DisplayPoints = 512;                   // points of the frequency axis
constexpr int BarLimit = PaneWidth - 5;              // longest bar, as a length

int32_t Saturate(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The power spectrum of a trace as amplitudes per display point: point k is
// transform slot k (k = 0 .. 255); points from 256 on lie above the output
// rate's Nyquist frequency and carry no power. The chain's transform stores
// slot k in entry k + 1; reading entry k + 1 for point k keeps the bars on the
// rows that RowToHz and the cursor readout name.
void Amplitudes(FrequencyScratch& s, const ProcessingState& p, const int32_t* trace, bool waterfall)
{
    float* work = s.PowerWork;
    PowerSpectrum(trace, 0, p.Hamming512, work, s.SpectrumRe, s.SpectrumIm, TransformLength);
    const bool fm = p.ModulationType == 2;
    for (int k = 0; k < DisplayPoints; ++k) {
        float v = k < SpectrumSlots ? work[k + 1] : 0.0f;
        if (!(v >= 1.0f))   // also a NaN from a broken trace
            v = 1.0f;
        if (waterfall)
            work[k] = fm ? std::sqrt(v * 1e-7f) : std::sqrt(v * 1e-6f);
        else
            work[k] = fm ? std::sqrt(v) * 0.00125f : std::sqrt(v) * 0.0025f;
    }
}

// Points of the normal view: `levels` (RowLevels, n = 2 x B) spread over 512
// display points (A = span) into RowInterp.
void InterpolateRows(DisplayState& d, double span, const int32_t* levels)
{
    const int n = std::clamp(2 * d.InterpBase, 2, RowArraySize);
    FrequencyScratch& s = *d.Scratch;
    InterpolateTrace(levels, n, float(DisplayPoints), float(std::max(span, 1.0)), s.RowInterp, s.Spline);
}

// The expanded view: the band between the frequency markers, from `levels`
// (RowLevels, when S = 512) or RowInterp, starting at the row of marker 1, spread
// over the pane's rows into RowExpand. The whole pane shows the marker band, so the
// scale labels and the cursor readout of the expanded view hold for the drawing.
bool InterpolateExpanded(DisplayState& d, bool fromRowLevels, const int32_t* levels)
{
    if (!(d.Settings.Marker1On && d.ExpandOn))
        return false;
    d.ExpandSpan = std::max(d.Settings.Marker1Pos - d.Settings.Marker2Pos, 9);
    const int start = std::clamp(H - d.Settings.Marker1Pos, 0, RowArraySize - 1);
    int n = fromRowLevels ? (d.InterpBase * d.ExpandSpan) / 256
                          : ((d.InterpBase * d.ExpandSpan) / 256 * d.InterpFactor) / 2;
    n = std::clamp(n, 2, RowArraySize - start);
    FrequencyScratch& s = *d.Scratch;
    const int32_t* source = (fromRowLevels ? levels : s.RowInterp) + start;
    InterpolateTrace(source, n, float(H), float(d.ExpandSpan), s.RowExpand, s.Spline);
    return true;
}

// Rows i = first .. H - 1 (row y = H - i) as bars from the centre strip's edge:
// leftwards for channel 1, rightwards for channel 2. An amplitude is never below
// 0: the spline undershoots beside a strong peak, and such a level would cross
// the strip into the other channel's half.
void DrawBars(pane::Pixels& px, int channel, const int32_t* levels, int first, QRgb c)
{
    const int x0 = channel == 1 ? PaneCentre - 5 : PaneCentre + 5;
    for (int i = first; i < H; ++i) {
        const int64_t length = std::max(levels[i], 0);
        px.HLine(H - i, x0, channel == 1 ? x0 - length : x0 + length, c);
    }
}

// Pixels per radian of the phase curve: 3000 / 32, so +-90 degrees is +-147 pixels and
// +-180 degrees +-294. Truncated towards zero, so a lead and a lag of the same size
// draw bars of the same length.
int32_t PhaseLevel(double phi)
{
    return int32_t(int64_t(std::trunc(1000.0 * phi)) * 3 / 32);
}

constexpr double TwoPi = 6.283185307179586;

// A level of the phase curve taken the short way round, back onto -180 .. +180 degrees.
int32_t WrapPhaseLevel(int32_t level)
{
    const double phi = level * (32.0 / 3000.0);
    return PhaseLevel(phi - TwoPi * std::round(phi / TwoPi));
}

// Row i of the phase curve from the centre strip: a positive phase (channel 1 leading)
// to the right, a negative one (channel 1 lagging) to the left.
void PhaseBar(pane::Pixels& px, int i, int32_t level, QRgb c)
{
    const int64_t length = std::clamp(level, -BarLimit, BarLimit);
    if (length >= 0)
        px.HLine(H - i, PaneCentre + 5, PaneCentre + 5 + length, c);
    else
        px.HLine(H - i, PaneCentre - 5, PaneCentre - 5 + length, c);
}

TColor BarColor(int backgroundStyle)
{
    switch (backgroundStyle) {
    case 1:
        return clBlack;
    case 3:
        return clYellow;
    default:
        return clLime;
    }
}

QString HzText(uint32_t hz)
{
    return QString::number(hz) + QStringLiteral(" Hz");
}

QString MarkerText(uint32_t hz)
{
    return QStringLiteral("Marker Difference = ") + HzText(hz);
}

const QString UnknownMarker = QStringLiteral("Marker Difference = ?");

bool BothMarkers(const DisplayState& d)
{
    return d.Settings.Marker1On && d.Marker2On;
}

// Milliseconds of the time-axis mode: (((pos x 100000 div SampleRate) x S) >> 11) x 0.01.
double RawTimeMs(const ProcessingState& p, int32_t position)
{
    const uint32_t rate = std::max<uint32_t>(p.SampleRate, 1);
    const uint32_t a = (uint32_t(position) * 100000u) / rate;
    return double((a * uint32_t(p.FreqSpan)) >> 11) * 0.01;
}

QString MsText(double ms)
{
    return QString::number(ms, 'g', 4) + QStringLiteral(" ms");
}

// The marker text that the frequency-scale update leaves for the mode before
// UpdateMarkerLabel runs.
void ScaleMarkerText(DisplayState& d, const ProcessingState& p)
{
    switch (d.Settings.DisplayType) {
    case DisplaySpectrum:
        d.View.Labels.Marker = UnknownMarker;
        break;
    case DisplayWaterfall:
        if (BothMarkers(d) && d.Settings.Marker1Pos > d.Settings.Marker2Pos)
            d.View.Labels.Marker = MarkerText(RowToHz(p, d.Settings.Marker1Pos - d.Settings.Marker2Pos));
        else
            d.View.Labels.Marker = UnknownMarker;
        break;
    case DisplayRawTime:
        // Columns: marker 1 lies right of marker 2 after any drag.
        if (BothMarkers(d) && d.Settings.Marker1Pos > d.Settings.Marker2Pos)
            d.View.Labels.Marker = QStringLiteral("Marker Difference = ") +
                              MsText(RawTimeMs(p, d.Settings.Marker1Pos - d.Settings.Marker2Pos));
        else
            d.View.Labels.Marker = UnknownMarker;
        break;
    default:
        break;
    }
}

void SelectType(DisplayState& d, int type)
{
    d.View.MenuChecks.Spectrum1 = type == DisplaySpectrum;
    d.View.MenuChecks.Phase1 = type == DisplayPhase;
    d.View.MenuChecks.Waterfall1 = type == DisplayWaterfall;
    d.Settings.DisplayType = type;
}

void ReapplyChannelDials(DisplayState& d, ProcessingState& p, DisplayControls& controls, int gain1,
                         int gain2, int offset1, int offset2)
{
    Chan1GainDialClick(d, p, controls.SetDial(PanelDial::Chan1Gain, float(gain1)));
    Chan2GainDialClick(d, p, controls.SetDial(PanelDial::Chan2Gain, float(gain2)));
    Chan1OffsetDialClick(d, controls.SetDial(PanelDial::Chan1Offset, float(offset1)));
    Chan2OffsetDialClick(d, controls.SetDial(PanelDial::Chan2Offset, float(offset2)));
}

void SelectFrequencyType(DisplayState& d, ProcessingState& p, DisplayControls& controls, int type)
{
    SelectType(d, type);
    ReapplyChannelDials(d, p, controls, d.Settings.Chan1GainStep, d.Settings.Chan2GainStep, d.Settings.Chan1OffsetPos,
                        d.Settings.Chan2OffsetPos);
    controls.SetFreqDialRange(150.0f, 105);
    FreqBaseDialClick(d, p, controls.SetDial(PanelDial::FreqBase, float(p.FreqScaleSetting) * 2.5f));
}

void SetBackground(DisplayState& d, int32_t style)
{
    d.Settings.BackgroundStyle = style;
    MatchTimeBackground(d);
}

void SetGrid(DisplayState& d, bool on)
{
    d.View.MenuChecks.GridOn1 = on;
    d.View.MenuChecks.GridOff1 = !on;
    d.Settings.GridOn = on;
}

}  // namespace

uint32_t RowToHz(const ProcessingState& p, int32_t d)
{
    const uint32_t perPixel = (uint32_t(p.FreqSpan) * p.SampleRate) / 2048u;
    return (perPixel * uint32_t(d)) / 16384u;
}

TColor PseudoColor(int32_t v)
{
    if (v < 10) return clBlack;
    if (v < 20) return clMaroon;
    if (v < 30) return clPurple;
    if (v < 40) return clNavy;
    if (v < 50) return clBlue;
    if (v < 60) return clOlive;
    if (v < 80) return clGreen;
    if (v < 100) return clGray;
    if (v < 120) return clSilver;
    if (v < 160) return clTeal;
    if (v < 180) return clLime;
    if (v < 200) return clRed;
    if (v < 220) return clFuchsia;
    return clYellow;
}

TColor WaterfallColor(int palette, int32_t v)
{
    v = std::clamp<int32_t>(v, 0, 255);
    switch (palette) {
    case PalettePseudoColor:
        return PseudoColor(v);
    case PaletteBlackWhite:
        return RGB(v, v, v);
    case PaletteRed:
        return RGB(v, 0, 0);
    case PaletteGreen:
        return RGB(0, v, 0);
    case PaletteBlue:
        return RGB(0, 0, v);
    case PaletteAqua:
        return RGB(0, v, v);
    default:
        return clBlack;
    }
}

void DrawCentreStrip(TBitmap& image)
{
    pane::Pixels(image).Fill(PaneCentre - 5, 0, PaneCentre + 5, H - 2, pane::ToRgb(clRed));
}

void DrawSpectrumChannel(DisplayState& d, const ProcessingState& p, int channel,
                         const int32_t* trace, int32_t gain)
{
    if (d.Settings.DisplayType != DisplaySpectrum || (channel != 1 && channel != 2))
        return;
    FrequencyScratch& s = *d.Scratch;
    Amplitudes(s, p, trace, false);
    DrawCentreStrip(d.SpectrumImage);
    pane::Pixels px(d.SpectrumImage);
    const QRgb bar = pane::ToRgb(BarColor(d.Settings.BackgroundStyle));

    for (int i = 0; i < H; ++i) {
        const int64_t level = (int64_t(TruncateToInt(s.PowerWork[i])) * gain) >> 9;
        s.RowLevels[i] = Saturate(std::min<int64_t>(level, BarLimit));
    }
    const bool full = p.FreqSpan == 512;
    if (full) {
        if (!d.ExpandOn)
            DrawBars(px, channel, s.RowLevels, 0, bar);
    } else {
        InterpolateRows(d, p.FreqSpan, s.RowLevels);
        if (!d.ExpandOn)
            DrawBars(px, channel, s.RowInterp, 1, bar);
    }
    if (InterpolateExpanded(d, full, s.RowLevels))
        DrawBars(px, channel, s.RowExpand, 1, pane::ToRgb(clYellow));
}

void DrawPhaseChannel(DisplayState& d, const ProcessingState& p, int channel,
                      const int32_t* trace, TColor penColor)
{
    if (d.Settings.DisplayType != DisplayPhase || (channel != 1 && channel != 2))
        return;
    FrequencyScratch& s = *d.Scratch;
    if (channel == 1) {
        PowerSpectrum(trace, 0, p.Hamming512, s.PowerWork, s.PhaseSpectrum1Re, s.PhaseSpectrum1Im,
                      TransformLength);
        DrawCentreStrip(d.SpectrumImage);
        return;
    }
    PowerSpectrum(trace, 0, p.Hamming512, s.PowerWork, s.PhaseSpectrum2Re, s.PhaseSpectrum2Im,
                  TransformLength);
    for (int k = 1; k <= H; ++k) {
        s.PhaseSpectrum2Re[k] *= 0.1f;
        s.PhaseSpectrum2Im[k] *= 0.1f;
    }
    // Row i shows slot i, stored in entry i + 1 (see Amplitudes); entries above
    // the transform's 256 slots stay zero, which reads as phase 0. The conjugate
    // product's phase is channel 1's phase minus channel 2's: the block's timing
    // turns both alike and cancels, so the rows stand still for a steady relation,
    // over the whole circle. Where either spectrum is (nearly) empty there is no
    // relation to show: phase 0.
    // The interpolated views draw from PhaseRows, the same curve taken along the
    // rows the short way round the circle (each row within half a turn of the one
    // below): a relation near +-180 degrees reads +179 on one bin and -179 on the
    // next, and a spline through those would draw everything in between.
    double previous = 0.0;
    s.PhaseRows[0] = 0;                  // the DC slot carries no relation
    for (int i = 1; i < H; ++i) {
        const double a = s.PhaseSpectrum1Re[i + 1], b = s.PhaseSpectrum1Im[i + 1];
        const double c = s.PhaseSpectrum2Re[i + 1], e = s.PhaseSpectrum2Im[i + 1];
        const double x = a * c + b * e;
        const double y = b * c - a * e;
        double phi = x * x + y * y >= 1.0 ? std::atan2(y, x) : 0.0;
        if (!std::isfinite(phi))
            phi = 0.0;
        s.RowLevels[i] = PhaseLevel(phi);
        previous = phi + TwoPi * std::round((previous - phi) / TwoPi);
        s.PhaseRows[i] = PhaseLevel(previous);
    }

    pane::Pixels px(d.SpectrumImage);
    const bool full = p.FreqSpan == 512;
    if (!full)
        InterpolateRows(d, p.FreqSpan, s.PhaseRows);
    const bool expanded = InterpolateExpanded(d, full, s.PhaseRows);
    for (int32_t* rows : {s.RowInterp, s.RowExpand})
        for (int i = 1; i < H; ++i)
            rows[i] = WrapPhaseLevel(rows[i]);
    if (full) {
        if (!d.ExpandOn) {
            struct Band {
                int First, Last;
                TColor Color;
            };
            static constexpr Band bands[] = {{1, 5, clMaroon}, {5, 10, clRed},  {12, 17, clYellow},
                                             {19, 29, clLime}, {31, 59, clBlue}, {61, H - 1, clPurple}};
            for (const Band& band : bands)
                for (int i = band.First; i <= band.Last; ++i)
                    PhaseBar(px, i, s.RowLevels[i], pane::ToRgb(band.Color));
        }
    } else if (!d.ExpandOn) {
        for (int i = 1; i < H; ++i)
            PhaseBar(px, i, s.RowInterp[i], pane::ToRgb(penColor));
    }
    if (expanded)
        for (int i = 1; i < H; ++i)
            PhaseBar(px, i, s.RowExpand[i], pane::ToRgb(penColor));
    DrawCentreStrip(d.SpectrumImage);
}

void DrawWaterfallChannel(DisplayState& d, const ProcessingState& p, int channel,
                          const int32_t* trace, int32_t gain)
{
    if (channel != 1 && channel != 2)
        return;
    FrequencyScratch& s = *d.Scratch;
    Amplitudes(s, p, trace, true);
    for (int i = 0; i < H; ++i) {
        int64_t level = (int64_t(TruncateToInt(s.PowerWork[i])) * gain) >> 5;
        if (channel == 2)
            level = std::min<int64_t>(level, BarLimit);
        s.RowLevels[i] = Saturate(level);
    }
    InterpolateRows(d, p.FreqSpan - 3, s.RowLevels);

    pane::Pixels fall(d.WaterfallImage);
    const int w = fall.Width();
    const int h = fall.Height();
    QRgb* top = fall.Row(0);
    const int first = channel == 1 ? 0 : WaterfallChannel2Column;
    for (int x = 0; x <= 367 && first + x < w; ++x)
        top[first + x] = pane::ToRgb(WaterfallColor(d.Settings.WaterfallPalette, std::min(s.RowInterp[x], 255)));

    // Scroll down one row: rows 0 .. h - 3 move to 1 .. h - 2; row 0 keeps the
    // new line and the last row is left alone.
    for (int y = h - 2; y >= 1; --y)
        std::copy(fall.Row(y - 1), fall.Row(y - 1) + w, fall.Row(y));

    pane::Pixels shown(d.SpectrumImage);
    const int rows = std::min(h - 1, shown.Height() - 1);
    const int cols = std::min(w, shown.Width());
    for (int y = 0; y < rows; ++y)
        std::copy(fall.Row(y), fall.Row(y) + cols, shown.Row(y));
    DrawCentreStrip(d.WaterfallImage);
}

void UpdateScaleLabels(DisplayState& d, const ProcessingState& p)
{
    const int m1 = d.Settings.Marker1Pos, m2 = d.Settings.Marker2Pos;
    switch (d.Settings.DisplayType) {
    case DisplaySpectrum:
    case DisplayPhase:
        if (BothMarkers(d) && !d.View.Switches.FltrMkrsSw && d.ExpandOn) {
            d.View.Labels.HiFreq = HzText(RowToHz(p, H - m2));
            d.View.Labels.LoFreq = HzText(RowToHz(p, H - m1));
        } else if ((BothMarkers(d) && !d.View.Switches.FltrMkrsSw) ||
                   (d.Settings.FilterMarker1On && d.FilterMarker2On && d.View.Switches.FltrMkrsSw)) {
            d.View.Labels.HiFreq = HzText(RowToHz(p, H));
            d.View.Labels.LoFreq = QStringLiteral("0 Hz");
        } else {
            d.View.Labels.HiFreq = HzText(RowToHz(p, H));
        }
        break;
    case DisplayWaterfall:
        if (BothMarkers(d) && d.ExpandOn) {
            d.View.Labels.HiFreq = HzText(RowToHz(p, m1));
            d.View.Labels.LoFreq = HzText(RowToHz(p, m2));
        } else {
            d.View.Labels.HiFreq = HzText(RowToHz(p, 363));
            if (BothMarkers(d))
                d.View.Labels.LoFreq = QStringLiteral("0 Hz");
        }
        break;
    case DisplayRawSpectrum: {
        // The raw spectrum's columns, read as the cursor reads them: the right
        // edge (column 729) at ((S x SampleRate) div 729 x 729) >> 10 hertz.
        const uint32_t perColumn = (uint32_t(p.FreqSpan) * p.SampleRate) / 729u;
        d.View.Labels.HiFreq = HzText((perColumn * 729u) >> 10);
        d.View.Labels.LoFreq = QStringLiteral("0 Hz");
        break;
    }
    case DisplayRawTime:
        if (d.ExpandOn) {
            d.View.Labels.HiFreq = MsText(RawTimeMs(p, m2));
            d.View.Labels.LoFreq = MsText(RawTimeMs(p, m1));
        } else {
            d.View.Labels.HiFreq = MsText(RawTimeMs(p, 512));
            d.View.Labels.LoFreq = QStringLiteral("0 ms");
        }
        break;
    default:
        break;
    }
}

void FreqBaseDialClick(DisplayState& d, ProcessingState& p, float value)
{
    if (!std::isfinite(value))
        return;
    if (d.Settings.DisplayType != DisplayRawSpectrum)
        p.FreqScaleSetting = DialPosition(0.4 * value);
    const float span = static_cast<float>(0.4L * value * 5.15L);
    const int32_t s = TruncateToInt(span);
    p.FreqSpan = s;
    struct Row {
        int Low, High, Base, Factor;
    };
    static constexpr Row table[] = {{9, 16, 16, 64},    {17, 32, 32, 32},   {33, 64, 64, 16},
                                    {65, 128, 128, 8},  {129, 256, 256, 4}, {257, 511, 512, 4}};
    for (const Row& row : table) {
        if (s >= row.Low && s <= row.High) {
            d.InterpBase = row.Base;
            d.InterpFactor = row.Factor;
            break;
        }
    }
    UpdateScaleLabels(d, p);
    ScaleMarkerText(d, p);
    RecalcMarkerFilter(p);
    UpdateMarkerLabel(d, p);
    RedesignSmoothing(p);
}

void Spectrum1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls)
{
    SelectFrequencyType(d, p, controls, DisplaySpectrum);
}

void Phase1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls)
{
    SelectFrequencyType(d, p, controls, DisplayPhase);
}

void Waterfall1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls)
{
    // Entering the mode starts an empty history in the palette's zero level: the image is
    // created white, and rows from an earlier visit would show a time that has gone.
    if (d.Settings.DisplayType != DisplayWaterfall)
        pane::Pixels(d.WaterfallImage).Fill(0, 0, PaneWidth, SpectrumPaneHeight,
                                            pane::ToRgb(WaterfallColor(d.Settings.WaterfallPalette, 0)));
    // Nothing expands in the waterfall: entering it ends the expanded view, so the Exp switch,
    // the scale labels and the cursor say what the pane shows.
    d.ExpandOn = false;
    d.View.Switches.ExpandSw = false;
    SelectFrequencyType(d, p, controls, DisplayWaterfall);
}

void RawSpectrum1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls)
{
    SelectType(d, DisplayRawSpectrum);
    d.InterpBase = 512;
    ReapplyChannelDials(d, p, controls, d.Settings.Chan1RawGainStep, d.Settings.Chan2RawGainStep,
                        d.Settings.Chan1SpecOffsetPos, d.Settings.Chan2SpecOffsetPos);
    p.FreqScaleSetting = DialPosition(0.4 * controls.DialValue(PanelDial::FreqBase));
    controls.SetFreqDialRange(100.0f, 102);
    FreqBaseDialClick(d, p, controls.SetDial(PanelDial::FreqBase, 101.0f));
    FreqBaseDialClick(d, p, controls.SetDial(PanelDial::FreqBase, 100.0f));
}

void White1Click(DisplayState& d)
{
    SetBackground(d, 1);
}

void Black1Click(DisplayState& d)
{
    SetBackground(d, 2);
}

void Teal1Click(DisplayState& d)
{
    SetBackground(d, 3);
}

void Chan1ColorClick(DisplayState& d, TColor color)
{
    d.Settings.Chan1Color = color;
}

void Chan2ColorClick(DisplayState& d, TColor color)
{
    d.Settings.Chan2Color = color;
}

void WaterfallColorClick(DisplayState& d, int palette)
{
    d.Settings.WaterfallPalette = palette;
    CheckWaterfallColor(d, palette);
}

void CheckWaterfallColor(DisplayState& d, int palette)
{
    if (palette >= PalettePseudoColor && palette <= PaletteAqua)
        d.View.MenuChecks.WaterfallColor = palette;
}

void GridOn1Click(DisplayState& d)
{
    SetGrid(d, true);
}

void GridOff1Click(DisplayState& d)
{
    SetGrid(d, false);
}
