// Renders both panes in every mode and background from the demo signal run
// through the whole chain, for a person to look at. Writes PNGs only when
// VELQUOR_DISPLAY_PNG_DIR names a folder; the checks below hold either way.

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include <algorithm>
#include <vector>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "app/display/TimeTrace.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"

using namespace display_test;

namespace {

struct DemoRun {
    Fixture f;
    SignalGenerator synth;
    std::vector<int16_t> pcm = std::vector<int16_t>(BlockFrames);

    // First-run panel, with the spectrum gain track bars at `gainPosition`.
    DemoRun(const SignalGeneratorSettings& settings, int gainPosition) : synth(settings)
    {
        StartupDesigns(f.p);
        ApplyFirstRunPanel(f.d, f.p, f.Controls);
        Chan1GainFTrackBarChange(f.d, gainPosition);
        Chan2GainFTrackBarChange(f.d, gainPosition);
        StartRun(f.p);
    }
    void Blocks(int n)
    {
        for (int i = 0; i < n; ++i) {
            synth.Generate(pcm.data(), BlockFrames);
            UnpackBlock(f.p, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2, false);
            BlockReport report;
            ProcessBlock(f.p, report);
            RedrawPanes(f.d, f.p);
        }
    }
    // Both panes as the window stacks them, with the scale labels' texts beneath.
    QImage Compose()
    {
        const StatusStripColors colors = StatusColors(f.d.Settings.BackgroundStyle);
        QImage out(PaneWidth, TimePaneHeight + 6 + SpectrumPaneHeight + 24, QImage::Format_RGB32);
        out.fill(QColor(166, 202, 240));
        QPainter painter(&out);
        painter.drawImage(0, 0, f.d.TimeImage.Image());
        painter.drawImage(0, TimePaneHeight + 6, f.d.SpectrumImage.Image());
        const QRect strip(0, TimePaneHeight + 6 + SpectrumPaneHeight, PaneWidth, 24);
        painter.fillRect(strip, ColorToQColor(colors.Panel));
        painter.setPen(ColorToQColor(colors.FreqLabels));
        painter.drawText(strip.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, f.d.View.Labels.LoFreq);
        painter.drawText(strip.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignRight, f.d.View.Labels.HiFreq);
        painter.setPen(ColorToQColor(colors.ReadoutLabels));
        painter.drawText(strip, Qt::AlignCenter, f.d.View.Labels.Cursor + QStringLiteral("     ") + f.d.View.Labels.Marker);
        return out;
    }
};

void Save(const QImage& image, const QString& name)
{
    const QString dir = qEnvironmentVariable("VELQUOR_DISPLAY_PNG_DIR");
    if (!dir.isEmpty())
        image.save(QDir(dir).filePath(name));
}

SignalGeneratorSettings Eeg()
{
    SignalGeneratorSettings s;
    s.Signal = SynthSignal::Eeg;
    return s;
}

TEST(RenderDemo, EveryModeAndBackgroundShowsTheSignal)
{
    DemoRun run(Eeg(), 8);
    run.Blocks(120);
    auto& d = run.f.d;
    auto& p = run.f.p;

    const char* backgrounds[] = {"", "white", "black", "teal"};
    for (int style = 1; style <= 3; ++style) {
        d.Settings.BackgroundStyle = style;
        Spectrum1Click(d, p, run.f.Controls);
        run.Blocks(200);   // a full pane width of time trace in the new background
        Save(run.Compose(), QStringLiteral("spectrum-%1.png").arg(backgrounds[style]));
        // Both traces move: more than 20 rows between their highest and lowest pixel.
        int top1 = TimePaneHeight, bottom1 = -1;
        for (int y = 0; y < 84; ++y)
            for (int x = 0; x < PaneWidth; ++x)
                if (Pixel(d.TimeImage, x, y) == clYellow) {
                    top1 = std::min(top1, y);
                    bottom1 = std::max(bottom1, y);
                }
        EXPECT_GT(bottom1 - top1, 20) << backgrounds[style];

        Phase1Click(d, p, run.f.Controls);
        run.Blocks(3);
        Save(run.Compose(), QStringLiteral("phase-%1.png").arg(backgrounds[style]));
        Waterfall1Click(d, p, run.f.Controls);
        run.Blocks(120);
        Save(run.Compose(), QStringLiteral("waterfall-%1.png").arg(backgrounds[style]));
    }

    // The waterfall colours, and markers and filter markers in Spectrum mode.
    for (const WaterfallColorItem& item : WaterfallColorItems) {
        WaterfallColorClick(d, item.Palette);
        run.Blocks(30);
    }
    WaterfallColorClick(d, PalettePseudoColor);
    run.Blocks(60);
    Save(run.Compose(), QStringLiteral("waterfall-palettes.png"));

    d.Settings.BackgroundStyle = 2;
    Spectrum1Click(d, p, run.f.Controls);
    MkrSwitchClick(d, p, true);
    SpectrumBoxMouseDown(d);
    SpectrumBoxMouseMove(d, p, 200, 300, false);
    d.Settings.Marker1Pos = 330;
    d.Settings.Marker2Pos = 250;
    UpdateMarkerLabel(d, p);
    run.Blocks(2);
    Save(run.Compose(), QStringLiteral("spectrum-markers.png"));
    ExpandSwClick(d, p, run.f.Controls, true);
    run.Blocks(2);
    Save(run.Compose(), QStringLiteral("spectrum-expanded.png"));
    EXPECT_EQ(d.View.Labels.HiFreq, QStringLiteral("19 Hz"));
    p.FilterMarker1Pos = 320;
    p.FilterMarker2Pos = 280;
    FltrMkrsSwClick(d, p, run.f.Controls, true);
    run.Blocks(2);
    Save(run.Compose(), QStringLiteral("spectrum-filter-markers.png"));
    EXPECT_TRUE(run.f.Controls.Messages().isEmpty());
}

TEST(RenderDemo, AlphaPeakOfChannelOne)
{
    DemoRun run(Eeg(), 8);
    run.Blocks(20);
    // The demo's 10 Hz alpha waxes and wanes; summed over 100 blocks its bars
    // stand out of the pink background between 6 and 16 Hz.
    std::vector<int> sum(SpectrumPaneHeight);
    for (int block = 0; block < 100; ++block) {
        run.Blocks(1);
        for (int row = 0; row < SpectrumPaneHeight; ++row) {
            const uint32_t hz = RowToHz(run.f.p, SpectrumPaneHeight - row);
            if (hz >= 6 && hz <= 16)
                sum[row] += CountOnRow(run.f.d.SpectrumImage, row, clLime, 0, PaneCentre - 5);
        }
    }
    const int bestRow = int(std::max_element(sum.begin(), sum.end()) - sum.begin());
    EXPECT_NEAR(RowToHz(run.f.p, SpectrumPaneHeight - bestRow), 10u, 1u);
    EXPECT_GT(sum[bestRow] / 100, 50);
}

}  // namespace
