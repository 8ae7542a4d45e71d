// Readings in microvolts for calibrated channels: the time pane's scale bars (value, size,
// place, the words of a channel without one) and the cursor's amplitude readout.

#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "app/display/Markers.h"
#include "app/display/Microvolts.h"
#include "app/display/Redraw.h"
#include "app/display/TimeTrace.h"
#include "app/settings/FirstRunPanel.h"

using namespace display_test;

namespace {

struct MicrovoltTest : ::testing::Test {
    Fixture f;
    void SetUp() override
    {
        ApplyFirstRunPanel(f.d, f.p, f.Controls);
        f.p.Chan1Enabled = f.p.Chan2Enabled = true;
    }
    void Calibrate(int channel, double perTraceUnit)
    {
        f.d.Microvolts[channel - 1] = {true, perTraceUnit};
    }
};

TEST(MicrovoltFigures, ScaleValuesAreOneTwoFiveAndFiguresThreeDigits)
{
    const struct {
        double AtMost, Value;
    } cases[] = {{73.0, 50.0}, {50.0, 50.0}, {49.9, 20.0}, {20.0, 20.0}, {19.99, 10.0},
                 {199.0, 100.0}, {0.37, 0.2}, {1200.0, 1000.0}, {5.0e-3, 5.0e-3}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundScaleValue(c.AtMost), c.Value) << c.AtMost;
    EXPECT_EQ(MicrovoltFigure(150.4), QStringLiteral("150"));
    EXPECT_EQ(MicrovoltFigure(99.96), QStringLiteral("100"));
    EXPECT_EQ(MicrovoltFigure(12.34), QStringLiteral("12.3"));
    EXPECT_EQ(MicrovoltFigure(1.234), QStringLiteral("1.23"));
}

TEST_F(MicrovoltTest, ScaleBarIsARoundValueAtTheTracesOwnScale)
{
    // Time gain 25 in AM: a row is 16384 / 25 = 655.36 trace units.
    for (const auto& [fm, perUnit, gain] : {std::tuple{false, 0.0005, 25}, std::tuple{false, 0.02, 25},
                                            std::tuple{true, 0.0005, 25}, std::tuple{false, 0.0005, 391}}) {
        f.p.ModulationType = fm ? 2 : 1;
        f.d.Settings.Chan1TimeGain = gain;
        Calibrate(1, perUnit);
        const TimeScale s = ChannelTimeScale(f.d, f.p, 1);
        ASSERT_TRUE(s.Shown && s.Bar);
        const double perRow = (fm ? 32768.0 : 16384.0) / gain * perUnit;
        const int rows = s.Bottom - s.Top;
        EXPECT_NEAR(rows * perRow, s.Microvolts, perRow) << "the bar is as tall as its value on the traces";
        EXPECT_GE(rows, 2 * MaxScaleBarRows / 5);
        EXPECT_LE(rows, MaxScaleBarRows);
        EXPECT_DOUBLE_EQ(s.Microvolts, RoundScaleValue(s.Microvolts));
        EXPECT_EQ(s.Text, QString::number(s.Microvolts, 'g', 6) + QStringLiteral(" uV"));
    }
    // 655.36 x 0.0005 = 0.328 uV a row: 50 rows hold 16.4 uV, so the bar is 10 uV, 30.5 rows.
    f.p.ModulationType = 1;
    f.d.Settings.Chan1TimeGain = 25;
    Calibrate(1, 0.0005);
    const TimeScale s = ChannelTimeScale(f.d, f.p, 1);
    EXPECT_EQ(s.Text, QStringLiteral("10 uV"));
    EXPECT_EQ(s.Bottom - s.Top, 31);
}

TEST_F(MicrovoltTest, ScalesStandOnTheirZeroLinesAwayFromEachOther)
{
    Calibrate(1, 0.0005);
    Calibrate(2, 0.0005);
    // First-run rows 42 and 126: channel 1 above its line, channel 2 below.
    TimeScale one = ChannelTimeScale(f.d, f.p, 1), two = ChannelTimeScale(f.d, f.p, 2);
    EXPECT_TRUE(one.Up);
    EXPECT_EQ(one.Bottom, f.d.Settings.Chan1TimeOffset);
    EXPECT_FALSE(two.Up);
    EXPECT_EQ(two.Top, f.d.Settings.Chan2TimeOffset);
    // Swapped places swap the sides; a zero line at the pane's edge turns its bar inwards.
    f.d.Settings.Chan1TimeOffset = 150;
    f.d.Settings.Chan2TimeOffset = 10;
    one = ChannelTimeScale(f.d, f.p, 1);
    two = ChannelTimeScale(f.d, f.p, 2);
    EXPECT_TRUE(one.Up) << "the lower one, but no room below: up";
    EXPECT_EQ(one.Bottom, 150);
    EXPECT_FALSE(two.Up) << "the upper one, but no room above: down";
    EXPECT_EQ(two.Top, 10);
    f.d.Settings.Chan1TimeOffset = 100;
    EXPECT_FALSE(ChannelTimeScale(f.d, f.p, 1).Up) << "room below again";
    // A channel not drawn has none.
    f.p.Chan2Enabled = false;
    EXPECT_FALSE(ChannelTimeScale(f.d, f.p, 2).Shown);
}

TEST_F(MicrovoltTest, ChannelsWithoutAScaleSayWhy)
{
    TimeScale s = ChannelTimeScale(f.d, f.p, 1);
    EXPECT_TRUE(s.Shown);
    EXPECT_FALSE(s.Bar);
    EXPECT_EQ(s.Text, QStringLiteral("Uncalibrated"));
    Calibrate(1, 0.0);   // calibrated, but the AM carrier is gone: nothing to scale by
    s = ChannelTimeScale(f.d, f.p, 1);
    EXPECT_FALSE(s.Bar);
    EXPECT_EQ(s.Text, QStringLiteral("No carrier"));
}

TEST_F(MicrovoltTest, ScaleIsDrawnOnThePaneAsShownNotOnTheScrollingStrip)
{
    Calibrate(1, 0.0005);
    RedrawPanes(f.d, f.p);
    const TimeScale s = ChannelTimeScale(f.d, f.p, 1);
    const TColor yellow = static_cast<TColor>(f.d.Settings.Chan1Color);
    for (int y = s.Top; y <= s.Bottom; ++y)
        ASSERT_EQ(Pixel(f.d.TimeImage, 4, y), yellow) << y;
    EXPECT_EQ(CountOnRow(f.d.TimeImage, s.Top, yellow, 2, 9), 7) << "end ticks";
    EXPECT_NE(Pixel(f.d.TimeImage, 4, s.Top - 2), yellow);
    // Label beside the bar, in the channel's colour.
    int label = 0;
    for (int y = s.Top; y <= s.Bottom; ++y)
        for (int x = 12; x < 60; ++x)
            label += Pixel(f.d.TimeImage, x, y) != BackgroundColor(f.d.Settings.BackgroundStyle);
    EXPECT_GT(label, 20);
    // The strip scrolls without it: no bar there after a few blocks.
    for (int i = 0; i < 3; ++i) RedrawPanes(f.d, f.p);
    for (int y = s.Top; y < s.Bottom; ++y)
        ASSERT_NE(Pixel(f.d.TimeWorkImage, 4, y), yellow) << y;
    // Channel 2 uncalibrated: its word below its zero line, nothing on its line.
    const TimeScale two = ChannelTimeScale(f.d, f.p, 2);
    int word = 0;
    for (int y = two.Top + 1; y <= two.Bottom; ++y)
        word += CountOnRow(f.d.TimeImage, y, BackgroundColor(f.d.Settings.BackgroundStyle), 4, 70) < 66;
    EXPECT_GT(word, 5);
}

TEST_F(MicrovoltTest, TraceAmplitudeIsThePeakToPeakOfTheComponentAtThatFrequency)
{
    // Between two transform slots and on one; with a second tone beside it.
    for (double hz : {10.0, 15 * SlotHz, 23.7}) {
        FillTone(f.p.Chan1Trace, hz, 3000.0, 0.4);
        EXPECT_NEAR(TraceAmplitudePp(f.p, 1, hz), 6000.0, 0.005 * 6000.0) << hz;
        EXPECT_LT(TraceAmplitudePp(f.p, 1, hz + 3.0), 0.01 * 6000.0) << hz;
    }
    EXPECT_EQ(TraceAmplitudePp(f.p, 1, 0.0), 0.0);
    EXPECT_EQ(TraceAmplitudePp(f.p, 1, 172.3), 0.0) << "beyond the output's Nyquist frequency";
}

TEST_F(MicrovoltTest, CursorReadsTheCalibratedChannelsAmplitudeAtItsFrequency)
{
    // 10 Hz at the first-run scale lies 62 rows up; 4000 trace units of amplitude at
    // 0.01 uV a unit read 80 uV peak to peak.
    FillTone(f.p.Chan1Trace, 10.0, 4000.0);
    FillTone(f.p.Chan2Trace, 10.0, 2000.0);
    SpectrumBoxMouseMove(f.d, f.p, 100, SpectrumPaneHeight - 62, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = 10 Hz"));
    EXPECT_TRUE(f.d.View.Labels.CursorMicrovolts.isEmpty()) << "no calibration, no figure";

    Calibrate(1, 0.01);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.CursorMicrovolts, QStringLiteral("Ch1 80.0 uV p-p"));
    Calibrate(2, 0.01);
    SpectrumBoxMouseMove(f.d, f.p, 100, SpectrumPaneHeight - 62, false);
    EXPECT_EQ(f.d.View.Labels.CursorMicrovolts, QStringLiteral("Ch1 80.0, Ch2 40.0 uV p-p"));
    // Each block reads the traces anew.
    FillTone(f.p.Chan1Trace, 10.0, 2500.0);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.CursorMicrovolts, QStringLiteral("Ch1 50.0, Ch2 40.0 uV p-p"));
    // A channel not drawn is left out; one without its carrier says so.
    f.p.Chan2Enabled = false;
    Calibrate(1, 0.0);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(f.d.View.Labels.CursorMicrovolts, QStringLiteral("Ch1 no carrier"));
    // The waterfall's columns read the same frequencies.
    Calibrate(1, 0.01);
    f.d.Settings.DisplayType = DisplayWaterfall;
    SpectrumBoxMouseMove(f.d, f.p, 62, 100, false);
    EXPECT_EQ(f.d.View.Labels.CursorMicrovolts, QStringLiteral("Ch1 50.0 uV p-p"));
}

}  // namespace
