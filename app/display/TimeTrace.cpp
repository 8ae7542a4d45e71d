#include "app/display/TimeTrace.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/display/DisplayControls.h"
#include "app/display/PanePixels.h"

namespace {

// Row offset of a sample: (x x gain) >> 14 in AM, >> 15 in FM, arithmetic
// shift. Formed in 64 bits so that a large sample cannot wrap.
int64_t TraceRow(int32_t x, int32_t gain, int shift)
{
    return (int64_t(x) * gain) >> shift;
}

void DrawChannel(pane::Pixels& px, int step, const int32_t* samples, int32_t gain, int32_t offset,
                 int shift, TColor color, int32_t& last)
{
    const QRgb c = pane::ToRgb(color);
    const int t = step;
    int64_t previous = last;
    const int every = OutputPerBlock / t;
    for (int j = 1; j <= t; ++j) {
        const int64_t y = TraceRow(samples[(j - 1) * every], gain, shift);
        px.StepLine(PaneWidth - t + j - 1, int64_t(offset) - previous, int64_t(offset) - y, c);
        previous = y;
    }
    // The joint for the next block; held inside int32 (a row that far off the
    // pane draws nothing either way).
    last = int32_t(std::clamp<int64_t>(previous, INT32_MIN, INT32_MAX));
}

// A gain dial: its stored step and the demodulator gain 10^(p - 4) of positions 1 .. 10.
void GainDial(int32_t& step, float& gain, float value)
{
    step = DialPosition(value);
    if (step >= 1 && step <= 10)
        gain = static_cast<float>(std::pow(10.0, step - 4));
}

int32_t OffsetRow(int rows, float value)
{
    return DialPosition(static_cast<double>(std::trunc(rows - static_cast<long double>(rows) * value * 0.01L)));
}

// An offset dial's stored position and the row it puts the channel on.
struct OffsetPlace {
    int32_t& Position;
    int32_t& Row;
};

// In mode 1 an offset dial moves the channel's spectrum baseline, otherwise its zero row
// in the time pane.
void OffsetDial(const DisplaySettings& s, float value, OffsetPlace time, OffsetPlace spectrum)
{
    const bool raw = s.DisplayType == DisplayRawSpectrum;
    OffsetPlace& place = raw ? spectrum : time;
    place.Position = DialPosition(value);
    place.Row = OffsetRow(raw ? SpectrumPaneHeight : TimePaneHeight, value);
}

// A gain track bar: gain = position x 10 - 9, stored as its setting too.
void TrackBar(int32_t& gain, int32_t& setting, int position)
{
    gain = setting = position * 10 - 9;
}

}  // namespace

TColor BackgroundColor(int backgroundStyle)
{
    switch (backgroundStyle) {
    case 1:
        return clWhite;
    case 3:
        return clTeal;
    default:
        return clBlack;
    }
}

void MatchTimeBackground(DisplayState& d)
{
    const TColor wanted = BackgroundColor(d.Settings.BackgroundStyle);
    if (wanted == d.TimeBackground)
        return;
    const QRgb from = pane::ToRgb(d.TimeBackground) & 0xFFFFFF;
    const QRgb to = pane::ToRgb(wanted);
    for (TBitmap* image : {&d.TimeWorkImage, &d.TimeImage}) {
        pane::Pixels px(*image);
        for (int y = 0; y < px.Height(); ++y) {
            QRgb* row = px.Row(y);
            for (int x = 0; x < px.Width(); ++x)
                if ((row[x] & 0xFFFFFF) == from)
                    row[x] = to;
        }
    }
    d.TimeBackground = wanted;
}

void DrawTimeTrace(DisplayState& d, const ProcessingState& p, const int32_t* new1,
                   const int32_t* new2)
{
    MatchTimeBackground(d);
    int t = d.TimeStep;
    if (t != 4 && t != 8 && t != 16 && t != 32)
        t = 4;   // the time-base handler allows nothing else; never scroll by a stray value
    pane::Pixels work(d.TimeWorkImage);
    const int w = work.Width();
    const int h = work.Height();
    work.Fill(w - t, 0, w, h, pane::ToRgb(BackgroundColor(d.Settings.BackgroundStyle)));

    const int shift = p.ModulationType == 2 ? 15 : 14;
    if (p.Chan1Enabled)
        DrawChannel(work, t, new1, d.Settings.Chan1TimeGain, d.Settings.Chan1TimeOffset, shift, d.Settings.Chan1Color, d.TraceLast1);
    if (p.Chan2Enabled)
        DrawChannel(work, t, new2, d.Settings.Chan2TimeGain, d.Settings.Chan2TimeOffset, shift, d.Settings.Chan2Color, d.TraceLast2);

    pane::CopyImage(d.TimeImage, d.TimeWorkImage);
    // Scroll the strip left by t columns for the next block; the right-hand t
    // columns are cleared then.
    for (int y = 0; y < h; ++y) {
        QRgb* row = work.Row(y);
        std::memmove(row, row + t, size_t(w - t) * sizeof(QRgb));
    }
}

void TimeBaseDialClick(DisplayState& d, float value)
{
    const int position = DialPosition(value);
    d.Settings.TimeBaseSetting = position;
    switch (position) {
    case 2:
    case 3:
    case 4:
        d.TimeStep = 4;
        break;
    case 5:
        d.TimeStep = 8;
        break;
    case 6:
        d.TimeStep = 16;
        break;
    case 7:
        d.TimeStep = 32;
        break;
    default:
        break;
    }
}

void Chan1GainDialClick(DisplayState& d, ProcessingState& p, float value)
{
    GainDial(d.Settings.Chan1GainStep, p.Chan1DemodGain, value);
}

void Chan2GainDialClick(DisplayState& d, ProcessingState& p, float value)
{
    GainDial(d.Settings.Chan2GainStep, p.Chan2DemodGain, value);
}

void Chan1OffsetDialClick(DisplayState& d, float value)
{
    DisplaySettings& s = d.Settings;
    OffsetDial(s, value, {s.Chan1OffsetPos, s.Chan1TimeOffset}, {s.Chan1SpecOffsetPos, s.Chan1SpecOffset});
}

void Chan2OffsetDialClick(DisplayState& d, float value)
{
    DisplaySettings& s = d.Settings;
    OffsetDial(s, value, {s.Chan2OffsetPos, s.Chan2TimeOffset}, {s.Chan2SpecOffsetPos, s.Chan2SpecOffset});
}

void Chan1GainTrackBarChange(DisplayState& d, int position)
{
    TrackBar(d.Settings.Chan1TimeGain, d.Settings.Chan1TimeGainSetting, position);
}

void Chan2GainTrackBarChange(DisplayState& d, int position)
{
    TrackBar(d.Settings.Chan2TimeGain, d.Settings.Chan2TimeGainSetting, position);
}

void Chan1GainFTrackBarChange(DisplayState& d, int position)
{
    TrackBar(d.Settings.Chan1SpecGain, d.Settings.Chan1SpecGainSetting, position);
}

void Chan2GainFTrackBarChange(DisplayState& d, int position)
{
    TrackBar(d.Settings.Chan2SpecGain, d.Settings.Chan2SpecGainSetting, position);
}

void Chan1EnableSwitchClick(ProcessingState& p, bool checked)
{
    p.Chan1Enabled = checked;
}

void Chan2EnableSwitchClick(ProcessingState& p, bool checked)
{
    p.Chan2Enabled = checked;
}

void DisplayHoldSwClick(ProcessingState& p, bool checked)
{
    p.DisplayHold = checked;
}
