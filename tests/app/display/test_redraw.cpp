// The per-block redraw: background, channels by mode and enable flag, grid,
// marker lines, the pane hint and the raw modes.

#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "app/display/TimeTrace.h"

using namespace display_test;

namespace {

constexpr int H = SpectrumPaneHeight;

struct RedrawTest : ::testing::Test {
    Fixture f;
    void SetUp() override
    {
        ApplyFirstRunPanel(f.d, f.p, f.Controls);
        FillTone(f.p.Chan1Trace, 10.0, 20000.0);
        FillTone(f.p.Chan2Trace, 20.0, 20000.0);
        Chan1GainFTrackBarChange(f.d, 3);
        Chan2GainFTrackBarChange(f.d, 3);
        // Time gain 21: each tone keeps to its own half of the time pane.
        Chan1GainTrackBarChange(f.d, 3);
        Chan2GainTrackBarChange(f.d, 3);
    }
};

TEST_F(RedrawTest, GridLinesOnBothPanes)
{
    f.d.TimeTraceOn = false;
    f.p.Chan1Enabled = f.p.Chan2Enabled = false;
    RedrawPanes(f.d, f.p);
    // Black background, teal grid: 11 rows and 15 columns on the frequency pane,
    // 6 rows and 15 columns on the time pane.
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 37, clTeal), PaneWidth);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 369, clTeal), 15);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 38, clTeal), 15);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, 52 * 14, 200), clTeal);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, 53, 200), clBlack);
    EXPECT_EQ(CountOnRow(f.d.TimeImage, TimePaneHeight - 1, clTeal), 15);
    EXPECT_EQ(CountOnRow(f.d.TimeImage, 34 * 4, clTeal), PaneWidth);
    Teal1Click(f.d);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 37, clBlack), PaneWidth) << "black grid on teal";
    EXPECT_EQ(Pixel(f.d.SpectrumImage, 53, 200), clTeal);
    GridOff1Click(f.d);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 37, clTeal), PaneWidth) << "background only";
    EXPECT_EQ(CountOnRow(f.d.TimeImage, 34, clTeal), PaneWidth);
}

TEST_F(RedrawTest, MarkerLinesAndHint)
{
    MkrSwitchClick(f.d, f.p, true);
    f.d.Settings.Marker1Pos = 300;
    f.d.Settings.Marker2Pos = 250;
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 300, clFuchsia), PaneWidth);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 250, clFuchsia), PaneWidth);
    EXPECT_FALSE(f.d.View.SpectrumHintOn) << "in the frequency modes the filter markers decide";

    ExpandSwClick(f.d, f.p, f.Controls, true);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 300, clFuchsia), 0) << "no lines in the expanded view";

    f.p.FilterMarker1Pos = 320;
    f.p.FilterMarker2Pos = 280;
    FltrMkrsSwClick(f.d, f.p, f.Controls, true);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 320, clYellow), PaneWidth);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 280, clYellow), PaneWidth);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 300, clFuchsia), 0);
    EXPECT_TRUE(f.d.View.SpectrumHintOn);

    Waterfall1Click(f.d, f.p, f.Controls);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 320, clYellow), 0) << "no filter markers on the waterfall";
    EXPECT_FALSE(f.d.View.SpectrumHintOn) << "in the waterfall the frequency markers decide";
    FltrMkrsSwClick(f.d, f.p, f.Controls, false);
    Spectrum1Click(f.d, f.p, f.Controls);
    RedrawPanes(f.d, f.p);
    EXPECT_FALSE(f.d.View.SpectrumHintOn);
}

// The waterfall's frequency markers are drawn, not dragged blind: vertical lines on their
// columns over channel 1's spectrum and on the same frequencies over channel 2's, and the
// hint says they can be dragged. Off, no line.
TEST_F(RedrawTest, WaterfallShowsItsFrequencyMarkersInBothHalves)
{
    Waterfall1Click(f.d, f.p, f.Controls);
    MkrSwitchClick(f.d, f.p, true);
    f.d.Settings.Marker1Pos = 200;
    f.d.Settings.Marker2Pos = 60;
    RedrawPanes(f.d, f.p);
    for (const int x : {200, 60, WaterfallChannel2Column + 200, WaterfallChannel2Column + 60})
        EXPECT_EQ(CountOnColumn(f.d.SpectrumImage, x, clFuchsia), H) << "column " << x;
    EXPECT_EQ(CountOnColumn(f.d.SpectrumImage, 130, clFuchsia), 0);
    EXPECT_TRUE(f.d.View.SpectrumHintOn);
    // The lines are the pane's, not the history's: they do not scroll down the waterfall.
    EXPECT_EQ(CountOnColumn(f.d.WaterfallImage, 200, clFuchsia), 0);

    MkrSwitchClick(f.d, f.p, false);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnColumn(f.d.SpectrumImage, 200, clFuchsia), 0);
    EXPECT_FALSE(f.d.View.SpectrumHintOn);
}

TEST_F(RedrawTest, DisabledChannelIsDrawnInNeitherPane)
{
    f.p.Chan2Enabled = false;
    for (int i = 0; i < 40; ++i)
        RedrawPanes(f.d, f.p);
    int left = 0, right = 0;
    for (int y = 0; y < H; ++y) {
        left += CountOnRow(f.d.SpectrumImage, y, clLime, 0, PaneCentre - 5);
        right += CountOnRow(f.d.SpectrumImage, y, clLime, PaneCentre + 5, PaneWidth);
    }
    EXPECT_GT(left, 100);
    EXPECT_EQ(right, 0);
    // Channel 2's zero row (126) stays empty in the time pane; channel 1's trace is there.
    int yellowNear1 = 0, yellowNear2 = 0;
    for (int y = 0; y < TimePaneHeight; ++y) {
        const int n = CountOnRow(f.d.TimeImage, y, clYellow);
        (y < 84 ? yellowNear1 : yellowNear2) += n;
    }
    EXPECT_GT(yellowNear1, 100);
    EXPECT_EQ(yellowNear2, 0);
}

TEST_F(RedrawTest, EveryModeDrawsItsPane)
{
    RedrawPanes(f.d, f.p);
    const int spectrumBar = LongestRow(f.d.SpectrumImage, clLime, 0, PaneCentre - 5);
    EXPECT_NEAR(spectrumBar, 309, 1);

    GridOff1Click(f.d);                        // a grid column crosses the strip
    Phase1Click(f.d, f.p, f.Controls);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 10);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clLime, 0, PaneCentre - 5), 0);

    Waterfall1Click(f.d, f.p, f.Controls);
    for (int i = 0; i < 5; ++i)
        RedrawPanes(f.d, f.p);
    EXPECT_GT(CountOnRow(f.d.SpectrumImage, 3, clWhite, 0, 368), 0) << "channel 1's tone";
}

TEST_F(RedrawTest, RawModesDrawGridAndVerticalMarkersOnly)
{
    MkrSwitchClick(f.d, f.p, true);
    f.d.Settings.Marker1Pos = 300;
    f.d.Settings.Marker2Pos = 250;
    RawSpectrum1Click(f.d, f.p, f.Controls);
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, 300, 10), clFuchsia);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, 250, 200), clFuchsia);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 0) << "no centre strip, no curve";
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clLime), 0);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 37 * 9, clTeal), PaneWidth - 2);
}

}  // namespace

TEST_F(RedrawTest, TimeTraceCoversTheWholeTimePane)
{
    // With the trace on, the time pane is the strip alone: whatever the pane held before
    // (here a red leftover) is gone, and the picture is the one a clean pane gets.
    Fixture clean;
    ApplyFirstRunPanel(clean.d, clean.p, clean.Controls);
    std::copy(std::begin(f.p.Chan1Trace), std::end(f.p.Chan1Trace), clean.p.Chan1Trace);
    std::copy(std::begin(f.p.Chan2Trace), std::end(f.p.Chan2Trace), clean.p.Chan2Trace);
    Chan1GainFTrackBarChange(clean.d, 3);
    Chan2GainFTrackBarChange(clean.d, 3);
    Chan1GainTrackBarChange(clean.d, 3);
    Chan2GainTrackBarChange(clean.d, 3);
    f.d.TimeImage.MutableImage().fill(QColor(Qt::red));
    ASSERT_TRUE(f.d.TimeTraceOn);
    for (int block = 0; block < 3; ++block) {
        RedrawPanes(f.d, f.p);
        RedrawPanes(clean.d, clean.p);
    }
    EXPECT_EQ(f.d.TimeImage.Image(), clean.d.TimeImage.Image());
    EXPECT_EQ(f.d.SpectrumImage.Image(), clean.d.SpectrumImage.Image());
    EXPECT_GT(CountOnRow(f.d.TimeImage, 34 * 4, clTeal), 0);

    // Switched off, the pane gets its background again.
    f.d.TimeTraceOn = false;
    f.d.TimeImage.MutableImage().fill(QColor(Qt::red));
    RedrawPanes(f.d, f.p);
    EXPECT_EQ(Pixel(f.d.TimeImage, 53, 10), clBlack);
}
