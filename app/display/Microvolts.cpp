#include "app/display/Microvolts.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "app/display/PanePixels.h"
#include "app/display/TimeTrace.h"

namespace {

constexpr int BarColumn = 4;               // the bar's two columns: 4 and 5
constexpr int TickLeft = 2;                // its end ticks: columns 2 .. 8
constexpr int TickRight = 9;
constexpr int LabelColumn = 12;
constexpr int TextGap = 2;                 // between a zero line and a word beside it
constexpr int WordRows = 16;               // the rows a word beside a zero line needs

const ChannelMicrovolts& Of(const DisplayState& d, int channel)
{
    return d.Microvolts[channel == 2 ? 1 : 0];
}

bool Drawn(const ProcessingState& p, int channel)
{
    return channel == 2 ? p.Chan2Enabled : p.Chan1Enabled;
}

// Microvolts per row of the time pane: a sample x sits (x x gain) >> 14 rows (>> 15 in FM)
// from its zero line.
double MicrovoltsPerRow(const DisplayState& d, const ProcessingState& p, int channel)
{
    const int32_t gain = channel == 2 ? d.Settings.Chan2TimeGain : d.Settings.Chan1TimeGain;
    if (gain <= 0) return 0.0;
    const double unitsPerRow = (p.ModulationType == 2 ? 32768.0 : 16384.0) / gain;
    return unitsPerRow * Of(d, channel).PerTraceUnit;
}

// The label's picture, rendered again only when its text or colours change.
const TBitmap& LabelImage(ScaleLabel& label, const QString& text, TColor color, TColor background)
{
    if (label.Text == text && label.Color == color && label.Background == background && label.Image.Width() > 0)
        return label.Image;
    TCanvas& canvas = label.Image.Canvas;
    canvas.Font = TFont(QStringLiteral("Arial"), 8, color);
    label.Image.SetSize(std::max(canvas.TextWidth(text), 1), std::max(canvas.TextHeight(text), 1));
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = background;
    canvas.FillRect(label.Image.ClientRect());
    canvas.TextOut(0, 0, text);
    canvas.Release();
    label.Text = text;
    label.Color = color;
    label.Background = background;
    return label.Image;
}

// Copies `from` onto `to` with its top-left corner at (x, y), clipped.
void Paste(TBitmap& to, const TBitmap& from, int x, int y)
{
    pane::Pixels px(to);
    const QImage& source = from.Image();
    for (int row = 0; row < source.height(); ++row) {
        if (y + row < 0 || y + row >= px.Height()) continue;
        const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(row));
        for (int column = 0; column < source.width(); ++column)
            px.Set(x + column, y + row, line[column]);
    }
}

}  // namespace

double RoundScaleValue(double atMost)
{
    const double decade = std::pow(10.0, std::floor(std::log10(atMost)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * decade <= atMost * (1.0 + 1e-12)) return step * decade;
    return decade;
}

QString MicrovoltFigure(double microvolts)
{
    const double v = std::fabs(microvolts);
    const int decimals = v >= 99.95 ? 0 : v >= 9.995 ? 1 : 2;
    return QString::number(microvolts, 'f', decimals);
}

TimeScale ChannelTimeScale(const DisplayState& d, const ProcessingState& p, int channel)
{
    TimeScale s;
    s.Shown = d.TimeTraceOn && Drawn(p, channel);
    if (!s.Shown) return s;
    const int other = channel == 2 ? 1 : 2;
    const int zero = std::clamp<int>(channel == 2 ? d.Settings.Chan2TimeOffset : d.Settings.Chan1TimeOffset, 0,
                                     TimePaneHeight - 1);
    const int otherZero = channel == 2 ? d.Settings.Chan1TimeOffset : d.Settings.Chan2TimeOffset;
    // Away from the other drawn channel: the upper one upwards, the lower one downwards.
    if (Drawn(p, other))
        s.Up = zero < otherZero || (zero == otherZero && channel == 1);
    else
        s.Up = true;

    const double perRow = MicrovoltsPerRow(d, p, channel);
    const ChannelMicrovolts& m = Of(d, channel);
    int rows = WordRows;                   // room for a word
    if (m.Calibrated && perRow > 0.0 && std::isfinite(perRow)) {
        s.Bar = true;
        s.Microvolts = RoundScaleValue(MaxScaleBarRows * perRow);
        rows = std::clamp(static_cast<int>(std::lround(s.Microvolts / perRow)), 1, MaxScaleBarRows);
        s.Text = QString::number(s.Microvolts, 'g', 6) + QStringLiteral(" uV");
    } else {
        s.Text = QString::fromLatin1(m.Calibrated ? NoCarrierText : UncalibratedText);
    }
    // Where the pane has no room on the preferred side, the other side.
    if (s.Up && zero - rows < 0)
        s.Up = false;
    else if (!s.Up && zero + rows > TimePaneHeight - 1)
        s.Up = true;
    s.Top = s.Up ? zero - rows : zero;
    s.Bottom = s.Up ? zero : zero + rows;
    return s;
}

void DrawTimeScales(DisplayState& d, const ProcessingState& p)
{
    for (int channel = 1; channel <= 2; ++channel) {
        const TimeScale s = ChannelTimeScale(d, p, channel);
        if (!s.Shown) continue;
        const TColor color = channel == 2 ? d.Settings.Chan2Color : d.Settings.Chan1Color;
        const TColor background = BackgroundColor(d.Settings.BackgroundStyle);
        if (s.Bar) {
            pane::Pixels px(d.TimeImage);
            const QRgb c = pane::ToRgb(color);
            px.Fill(BarColumn, s.Top, BarColumn + 2, s.Bottom + 1, c);
            px.HLine(s.Top, TickLeft, TickRight, c);
            px.HLine(s.Bottom, TickLeft, TickRight, c);
        }
        const TBitmap& label = LabelImage(d.ScaleLabels[channel - 1], s.Text, color, background);
        const int height = label.Height();
        const int top = s.Bar ? (s.Top + s.Bottom + 1) / 2 - height / 2
                              : s.Up ? s.Bottom - TextGap - height : s.Top + TextGap + 1;
        Paste(d.TimeImage, label, s.Bar ? LabelColumn : BarColumn, std::clamp(top, 0, TimePaneHeight - height));
    }
}

double PointHz(const ProcessingState& p, int32_t point)
{
    return double(point) * p.FreqSpan * p.SampleRate / 33554432.0;   // 2^25: RowToHz without its floors
}

double TraceAmplitudePp(const ProcessingState& p, int channel, double hz)
{
    const double rate = p.SampleRate / 128.0;
    if (!(hz > 0.0 && hz < rate / 2)) return 0.0;
    const int32_t* trace = channel == 2 ? p.Chan2Trace : p.Chan1Trace;
    const std::complex<double> step = std::polar(1.0, -2.0 * M_PI * hz / rate);
    std::complex<double> turn = 1.0, sum = 0.0;
    double weight = 0.0;
    for (int n = 0; n < TraceLength; ++n) {
        const double w = p.Hamming512[n + 1];
        sum += w * trace[n] * turn;
        weight += w;
        turn *= step;
    }
    // A sinusoid of amplitude A gives |sum| = A x weight / 2; peak to peak is 2 A.
    return weight > 0.0 ? 4.0 * std::abs(sum) / weight : 0.0;
}

void UpdateCursorMicrovolts(DisplayState& d, const ProcessingState& p)
{
    QString text;
    bool figure = false;
    const bool frequencyAxis = d.Settings.DisplayType == DisplaySpectrum || d.Settings.DisplayType == DisplayPhase ||
                               d.Settings.DisplayType == DisplayWaterfall;
    if (frequencyAxis && d.CursorPoint >= 0) {
        const double hz = PointHz(p, d.CursorPoint);
        for (int channel = 1; channel <= 2; ++channel) {
            const ChannelMicrovolts& m = Of(d, channel);
            if (!m.Calibrated || !Drawn(p, channel)) continue;
            if (!text.isEmpty()) text += QStringLiteral(", ");
            text += QStringLiteral("Ch%1 ").arg(channel);
            if (m.PerTraceUnit > 0.0) {
                text += MicrovoltFigure(TraceAmplitudePp(p, channel, hz) * m.PerTraceUnit);
                figure = true;
            } else {
                text += QStringLiteral("no carrier");
            }
        }
    }
    if (figure) text += QStringLiteral(" uV p-p");
    d.View.Labels.CursorMicrovolts = text;
}
