// The frequency axis: RowToHz, the frequency-scale dial and the scale labels;
// the Display menu commands and their check marks.

#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "app/display/TimeTrace.h"
#include "dsp/Iir.h"

using namespace display_test;

namespace {

TEST(FrequencyScale, DialSetsSpanInterpolationAndTopLabel)
{
    const struct {
        float Dial;
        int Span, Base, Factor;
        const char* Spectrum;
        const char* Waterfall;
    } cases[] = {
        {60.0f, 123, 128, 8, "59 Hz", "58 Hz"},
        {100.0f, 206, 256, 4, "100 Hz", "98 Hz"},
        {150.0f, 309, 512, 4, "150 Hz", "147 Hz"},
        {10.0f, 20, 32, 32, "9 Hz", "9 Hz"},
        {124.0f, 255, 256, 4, "124 Hz", "121 Hz"},
        {125.0f, 257, 512, 4, "125 Hz", "122 Hz"},
    };
    for (const auto& c : cases) {
        Fixture f;
        FreqBaseDialClick(f.d, f.p, c.Dial);
        EXPECT_EQ(f.p.FreqSpan, c.Span) << c.Dial;
        EXPECT_EQ(f.d.InterpBase, c.Base) << c.Dial;
        EXPECT_EQ(f.d.InterpFactor, c.Factor) << c.Dial;
        EXPECT_EQ(f.p.FreqScaleSetting, int(0.4 * c.Dial)) << c.Dial;
        EXPECT_EQ(f.d.View.Labels.HiFreq, QString::fromLatin1(c.Spectrum)) << c.Dial;
        f.d.Settings.DisplayType = DisplayWaterfall;
        FreqBaseDialClick(f.d, f.p, c.Dial);
        EXPECT_EQ(f.d.View.Labels.HiFreq, QString::fromLatin1(c.Waterfall)) << c.Dial;
    }
}

TEST(FrequencyScale, StartupSpanAndRowToHz)
{
    Fixture f;
    ASSERT_EQ(f.p.FreqSpan, 512);
    UpdateScaleLabels(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("249 Hz"));
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("0 Hz"));
    f.p.FreqSpan = 123;
    EXPECT_EQ(RowToHz(f.p, 10), 1u);
    EXPECT_EQ(RowToHz(f.p, 100), 16u);
    EXPECT_EQ(RowToHz(f.p, 0), 0u);
}

TEST(FrequencyScale, DialFollowsSmoothingAndModeOneKeepsTheStoredSetting)
{
    Fixture f;
    FreqBaseDialClick(f.d, f.p, 10.0f);
    EXPECT_EQ(f.p.FreqScaleSetting, 4);
    IirCoefficients expected = {};
    CalcIir(expected, 0.5f, SmoothingCutoff(4), 4, 0, 1);
    EXPECT_NEAR(SmoothingCutoff(4), 0.029f, 0.0005f);
    for (int i = 0; i < 23; ++i) {
        EXPECT_FLOAT_EQ(f.p.SmoothingLowPass.a[i], expected.a[i]) << i;
        EXPECT_FLOAT_EQ(f.p.SmoothingLowPass.b[i], expected.b[i]) << i;
    }
    f.d.Settings.DisplayType = DisplayRawSpectrum;
    FreqBaseDialClick(f.d, f.p, 100.0f);
    EXPECT_EQ(f.p.FreqScaleSetting, 4);
    EXPECT_EQ(f.p.FreqSpan, 206);
}

TEST(FrequencyScale, HeldDisplayStillGetsItsLabels)
{
    Fixture f;
    f.p.DisplayHold = true;
    FreqBaseDialClick(f.d, f.p, 150.0f);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("150 Hz"));
}

TEST(ScaleLabels, MarkersAndExpandedViewChooseTheLabels)
{
    Fixture f;
    FreqBaseDialClick(f.d, f.p, 60.0f);
    f.d.View.Labels.LoFreq = QStringLiteral("stale");
    UpdateScaleLabels(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("stale")) << "no markers: left as it was";

    f.d.Settings.Marker1On = f.d.Marker2On = true;
    f.d.Settings.Marker1Pos = 330;
    f.d.Settings.Marker2Pos = 250;
    UpdateScaleLabels(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("0 Hz"));
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("59 Hz"));

    f.d.ExpandOn = true;
    UpdateScaleLabels(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("19 Hz"));   // RowToHz(121)
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("6 Hz"));    // RowToHz(41)

    f.d.Settings.DisplayType = DisplayWaterfall;
    UpdateScaleLabels(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("53 Hz"));   // RowToHz(330): columns here
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("40 Hz"));
}

TEST(DisplayMenu, TypeCommandsCheckTheirItemAndReapplyTheDials)
{
    Fixture f;
    f.d.Settings.Chan1GainStep = 5;
    f.d.Settings.Chan2GainStep = 2;
    f.d.Settings.Chan1OffsetPos = 55;
    f.d.Settings.Chan2OffsetPos = 22;
    f.p.FreqScaleSetting = 60;                 // dial 150
    Phase1Click(f.d, f.p, f.Controls);
    EXPECT_EQ(f.d.Settings.DisplayType, DisplayPhase);
    EXPECT_FALSE(f.d.View.MenuChecks.Spectrum1);
    EXPECT_TRUE(f.d.View.MenuChecks.Phase1);
    EXPECT_FALSE(f.d.View.MenuChecks.Waterfall1);
    EXPECT_FLOAT_EQ(f.p.Chan1DemodGain, 10.0f);
    EXPECT_FLOAT_EQ(f.p.Chan2DemodGain, 0.01f);
    EXPECT_EQ(f.d.Settings.Chan1TimeOffset, 75);
    EXPECT_EQ(f.d.Settings.Chan2TimeOffset, 131);
    EXPECT_FLOAT_EQ(f.Controls.DialValue(PanelDial::FreqBase), 150.0f);
    EXPECT_EQ(f.p.FreqSpan, 309);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("150 Hz"));

    Waterfall1Click(f.d, f.p, f.Controls);
    EXPECT_TRUE(f.d.View.MenuChecks.Waterfall1);
    EXPECT_FALSE(f.d.View.MenuChecks.Phase1);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("147 Hz"));

    // A stored setting between dial steps: 25 x 2.5 = 62.5, held by the dial at 63.
    f.p.FreqScaleSetting = 25;
    Spectrum1Click(f.d, f.p, f.Controls);
    EXPECT_TRUE(f.d.View.MenuChecks.Spectrum1);
    EXPECT_EQ(f.d.Settings.DisplayType, DisplaySpectrum);
    EXPECT_FLOAT_EQ(f.Controls.DialValue(PanelDial::FreqBase), 63.0f);
    EXPECT_EQ(f.p.FreqSpan, 129);
}

TEST(DisplayMenu, RawSpectrumModeKeepsItsOwnDialsAndScale)
{
    Fixture f;
    FreqBaseDialClick(f.d, f.p, f.Controls.SetDial(PanelDial::FreqBase, 60.0f));
    f.d.Settings.Chan1RawGainStep = 4;
    f.d.Settings.Chan2RawGainStep = 6;
    f.d.Settings.Chan1SpecOffsetPos = 50;
    f.d.Settings.Chan2SpecOffsetPos = 0;
    RawSpectrum1Click(f.d, f.p, f.Controls);
    EXPECT_EQ(f.d.Settings.DisplayType, DisplayRawSpectrum);
    EXPECT_FALSE(f.d.View.MenuChecks.Spectrum1 || f.d.View.MenuChecks.Phase1 || f.d.View.MenuChecks.Waterfall1);
    EXPECT_EQ(f.d.InterpBase, 256) << "S = 206 after the dial's update";
    EXPECT_FLOAT_EQ(f.Controls.FreqValueTo(), 100.0f);
    EXPECT_FLOAT_EQ(f.Controls.DialValue(PanelDial::FreqBase), 100.0f);
    EXPECT_EQ(f.p.FreqScaleSetting, 24) << "stored from the dial before the range changed";
    EXPECT_EQ(f.p.FreqSpan, 206);
    EXPECT_FLOAT_EQ(f.p.Chan1DemodGain, 1.0f);
    EXPECT_FLOAT_EQ(f.p.Chan2DemodGain, 100.0f);
    EXPECT_EQ(f.d.Settings.Chan1SpecOffset, 185);
    EXPECT_EQ(f.d.Settings.Chan2SpecOffset, 370) << "channel 2's dial starts just above 0";
    // Back to Spectrum: the dial's range and the stored scale return.
    Spectrum1Click(f.d, f.p, f.Controls);
    EXPECT_FLOAT_EQ(f.Controls.FreqValueTo(), 150.0f);
    EXPECT_EQ(f.p.FreqSpan, 123);
}

TEST(DisplayMenu, BackgroundColoursGridAndWaterfallChecks)
{
    Fixture f;
    White1Click(f.d);
    EXPECT_EQ(f.d.Settings.BackgroundStyle, 1);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).Panel, clWhite);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).FreqLabels, clRed);
    Teal1Click(f.d);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).Panel, clTeal);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).ReadoutLabels, clYellow);
    Black1Click(f.d);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).FreqLabels, clAqua);
    EXPECT_EQ(StatusColors(f.d.Settings.BackgroundStyle).ReadoutLabels, clYellow);

    for (const ChannelColorItem& item : ChannelColorItems) {
        Chan1ColorClick(f.d, item.Color);
        Chan2ColorClick(f.d, item.Color);
        EXPECT_EQ(f.d.Settings.Chan1Color, item.Color) << item.Chan1Item;
        EXPECT_EQ(f.d.Settings.Chan2Color, item.Color) << item.Chan2Item;
    }

    for (const WaterfallColorItem& item : WaterfallColorItems) {
        WaterfallColorClick(f.d, item.Palette);
        EXPECT_EQ(f.d.Settings.WaterfallPalette, item.Palette);
        EXPECT_EQ(f.d.View.MenuChecks.WaterfallColor, item.Palette) << item.Item;
    }
    CheckWaterfallColor(f.d, 3);
    CheckWaterfallColor(f.d, 10);
    EXPECT_EQ(f.d.View.MenuChecks.WaterfallColor, PaletteAqua) << "outside 4 .. 9 nothing changes";

    GridOff1Click(f.d);
    EXPECT_FALSE(f.d.Settings.GridOn);
    EXPECT_TRUE(f.d.View.MenuChecks.GridOff1);
    EXPECT_FALSE(f.d.View.MenuChecks.GridOn1);
    GridOn1Click(f.d);
    EXPECT_TRUE(f.d.Settings.GridOn && f.d.View.MenuChecks.GridOn1 && !f.d.View.MenuChecks.GridOff1);
}

TEST(FirstRun, PanelComesUpShowingTheSignal)
{
    Fixture f;
    ApplyFirstRunPanel(f.d, f.p, f.Controls);
    EXPECT_TRUE(f.p.Chan1Enabled && f.p.Chan2Enabled);
    EXPECT_FLOAT_EQ(f.p.Chan1DemodGain, 0.1f);
    EXPECT_FLOAT_EQ(f.p.Chan2DemodGain, 0.1f);
    EXPECT_EQ(f.d.TimeStep, 4);
    EXPECT_EQ(f.p.FreqSpan, 123);
    EXPECT_EQ(f.d.Settings.Chan1SpecGain, 61);
    EXPECT_EQ(f.d.Settings.Chan2SpecGain, 61);
    EXPECT_EQ(f.d.Settings.Chan1TimeGain, 61);
    EXPECT_EQ(f.d.Settings.Chan2TimeGain, 61);
    EXPECT_EQ(f.d.Settings.Chan1TimeOffset, 42);
    EXPECT_EQ(f.d.Settings.Chan2TimeOffset, 125);   // the row its offset dial (25, just above 0 at its start) gives
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("59 Hz"));
    EXPECT_EQ(f.d.Settings.DisplayType, DisplaySpectrum);
}

}  // namespace
