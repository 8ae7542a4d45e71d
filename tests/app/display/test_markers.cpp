// Markers through their handlers: grabbing and dragging, the stops at the
// bottom of the pane, the readouts, the four switches and their refusals.

#include <gtest/gtest.h>

#include <cstring>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"

using namespace display_test;

namespace {

constexpr int H = SpectrumPaneHeight;

struct MarkerTest : ::testing::Test {
    Fixture f;

    void SetUp() override
    {
        FreqBaseDialClick(f.d, f.p, f.Controls.SetDial(PanelDial::FreqBase, 60.0f));
        MkrSwitchClick(f.d, f.p, true);
        f.d.Settings.Marker1Pos = 200;
        f.d.Settings.Marker2Pos = 100;
    }
    void Move(int y, bool left = true) { SpectrumBoxMouseMove(f.d, f.p, 100, y, left); }
};

TEST_F(MarkerTest, GrabWindowWidensOnTheFirstMoveWithTheButtonHeld)
{
    SpectrumBoxMouseDown(f.d);
    EXPECT_EQ(f.d.FrequencyDrag.GrabBelow, 5);
    Move(230);                                 // 30 pixels off: outside the 5-pixel window
    EXPECT_EQ(f.d.Settings.Marker1Pos, 200);
    EXPECT_EQ(f.d.FrequencyDrag.GrabAbove, 45);
    Move(230);                                 // now inside the 45-pixel window
    EXPECT_EQ(f.d.Settings.Marker1Pos, 230);
    EXPECT_FALSE(f.d.FrequencyDrag.Free2);
    Move(274);                                 // follows fast moves within 45 pixels
    EXPECT_EQ(f.d.Settings.Marker1Pos, 274);
    Move(319);                                 // 45 away: lost
    EXPECT_EQ(f.d.Settings.Marker1Pos, 274);
    SpectrumBoxMouseUp(f.d);
    EXPECT_TRUE(f.d.FrequencyDrag.Free1 && f.d.FrequencyDrag.Free2);
    EXPECT_EQ(f.d.FrequencyDrag.GrabBelow, 5);
    EXPECT_EQ(f.d.FilterDrag.GrabAbove, 5);
}

TEST_F(MarkerTest, WithoutTheButtonNothingMovesOrWidens)
{
    SpectrumBoxMouseDown(f.d);
    Move(201, false);
    EXPECT_EQ(f.d.Settings.Marker1Pos, 200);
    EXPECT_EQ(f.d.FrequencyDrag.GrabBelow, 5);
}

TEST_F(MarkerTest, MarkerPulledPastItsPartnerStaysOneMoveThenSitsBeside)
{
    SpectrumBoxMouseDown(f.d);
    Move(198);
    Move(160);
    Move(120);
    Move(95);                                  // marker 1 (lower) now above marker 2
    EXPECT_EQ(f.d.Settings.Marker1Pos, 95);
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = ?"));
    Move(93);
    EXPECT_EQ(f.d.Settings.Marker1Pos, 101) << "one pixel below marker 2";
    EXPECT_EQ(f.d.Settings.Marker2Pos, 100) << "marker 2 cannot be grabbed in this drag";
}

TEST_F(MarkerTest, MarkersStopAboveTheBottomOfThePane)
{
    SpectrumBoxMouseDown(f.d);
    Move(203);
    Move(245);
    Move(289);
    Move(333);
    Move(H + 40);                              // limited to row H, then to H - 5
    EXPECT_EQ(f.d.Settings.Marker1Pos, 366);
    SpectrumBoxMouseUp(f.d);
    SpectrumBoxMouseDown(f.d);
    Move(102);
    for (int y = 140; y < 400; y += 40)
        Move(y);
    EXPECT_EQ(f.d.Settings.Marker2Pos, 361);
    EXPECT_EQ(f.d.Settings.Marker1Pos, 366);
}

TEST_F(MarkerTest, DifferenceReadsRowToHzAndQuestionMarkWhileOutOfOrder)
{
    // The start-up positions (142, 396) put marker 1 above marker 2.
    const struct {
        int32_t Marker1, Marker2;
        const char* Text;
    } cases[] = {{300, 290, "Marker Difference = 1 Hz"},
                 {300, 200, "Marker Difference = 16 Hz"},
                 {142, 396, "Marker Difference = ?"},
                 {142, 142, "Marker Difference = ?"}};
    for (const auto& c : cases) {
        f.d.Settings.Marker1Pos = c.Marker1;
        f.d.Settings.Marker2Pos = c.Marker2;
        UpdateMarkerLabel(f.d, f.p);
        EXPECT_EQ(f.d.View.Labels.Marker, QString::fromLatin1(c.Text)) << c.Marker1 << " " << c.Marker2;
    }
    // Phase and Waterfall (columns) read the same.
    for (const int type : {DisplayPhase, DisplayWaterfall}) {
        f.d.Settings.DisplayType = type;
        f.d.Settings.Marker1Pos = 300;
        f.d.Settings.Marker2Pos = 200;
        f.d.View.Labels.Marker = QStringLiteral("stale");
        UpdateMarkerLabel(f.d, f.p);
        EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 16 Hz")) << type;
        FreqBaseDialClick(f.d, f.p, 60.0f);
        EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 16 Hz")) << type;
    }
}

// A drag in the waterfall moves the readout with it (it waited for the next turn of the Freq
// Scale dial).
TEST_F(MarkerTest, WaterfallReadoutFollowsTheDrag)
{
    f.d.Settings.DisplayType = DisplayWaterfall;
    FreqBaseDialClick(f.d, f.p, 60.0f);
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 16 Hz"));
    SpectrumBoxMouseDown(f.d);
    for (const int x : {202, 240, 280, 300})
        SpectrumBoxMouseMove(f.d, f.p, x, 10, true);
    ASSERT_EQ(f.d.Settings.Marker1Pos, 300);
    EXPECT_EQ(f.d.View.Labels.Marker, QString(QStringLiteral("Marker Difference = ") +
                                              QString::number(RowToHz(f.p, 200)) + QStringLiteral(" Hz")));
    SpectrumBoxMouseUp(f.d);
}

// The Exp switch shows whether the view is expanded. The waterfall never is: the switch stays
// dark there, and a view expanded in Spectrum ends on entering the waterfall, so it is not
// lit on the way back either.
TEST_F(MarkerTest, ExpSwitchShowsTheStateOfTheView)
{
    Waterfall1Click(f.d, f.p, f.Controls);
    ExpandSwClick(f.d, f.p, f.Controls, true);
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_FALSE(f.d.ExpandOn);
    EXPECT_TRUE(f.Controls.Messages().empty());
    Spectrum1Click(f.d, f.p, f.Controls);
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_FALSE(f.d.ExpandOn);

    ExpandSwClick(f.d, f.p, f.Controls, true);
    ASSERT_TRUE(f.d.ExpandOn);
    EXPECT_TRUE(f.d.View.Switches.ExpandSw);
    Waterfall1Click(f.d, f.p, f.Controls);
    EXPECT_FALSE(f.d.ExpandOn);
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("58 Hz")) << "the waterfall's own scale";
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("0 Hz"));
    Phase1Click(f.d, f.p, f.Controls);
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_FALSE(f.d.ExpandOn);
}

TEST_F(MarkerTest, CursorReadout)
{
    Move(0, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = ") + f.d.View.Labels.HiFreq);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = 59 Hz"));
    Move(-50, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = 59 Hz")) << "Y limited to 0";
    Move(H, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = 0 Hz"));
    Move(H - 62, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = 10 Hz"));

    // Expanded: the pane spans the marker band; the top reads HiFreqLabel again.
    f.d.Settings.Marker1Pos = 330;
    f.d.Settings.Marker2Pos = 250;
    ExpandSwClick(f.d, f.p, f.Controls, true);
    ASSERT_TRUE(f.d.ExpandOn);
    Move(0, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = ") + f.d.View.Labels.HiFreq);
    Move(H, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = ") + f.d.View.Labels.LoFreq);

    // Waterfall: columns, the right half repeats the frequencies of the left.
    f.d.ExpandOn = false;
    f.d.Settings.DisplayType = DisplayWaterfall;
    SpectrumBoxMouseMove(f.d, f.p, 63, 10, false);
    const QString left = f.d.View.Labels.Cursor;
    EXPECT_EQ(left, QStringLiteral("Cursor Position = 10 Hz"));
    SpectrumBoxMouseMove(f.d, f.p, 63 + 369, 10, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, left);
}

TEST_F(MarkerTest, MarkerPositionsOutsideThePaneComeInOnTheFirstMove)
{
    f.d.Settings.Marker2Pos = 396;
    f.p.FilterMarker2Pos = 396;
    Move(50, false);
    EXPECT_EQ(f.d.Settings.Marker2Pos, 361) << "set to H - 2, then held at H - 10";
    EXPECT_EQ(f.p.FilterMarker2Pos, 361);
}

TEST_F(MarkerTest, FilterMarkersReplaceTheFrequencyMarkersAndSetTheBand)
{
    ExpandSwClick(f.d, f.p, f.Controls, true);
    ASSERT_TRUE(f.d.ExpandOn);
    f.p.FilterMarker1Pos = 300;
    f.p.FilterMarker2Pos = 200;
    FltrMkrsSwClick(f.d, f.p, f.Controls, true);
    EXPECT_TRUE(f.d.Settings.FilterMarker1On && f.d.FilterMarker2On);
    EXPECT_FALSE(f.d.Settings.Marker1On || f.d.Marker2On || f.d.ExpandOn);
    EXPECT_FALSE(f.d.View.Switches.MkrSwitch || f.d.View.Switches.ExpandSw);
    EXPECT_TRUE(f.d.View.Switches.FltrMkrsSw);
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 16 Hz"));
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("0 Hz"));
    EXPECT_TRUE(f.Controls.Messages().isEmpty());

    // Dragging a filter marker recomputes the band-pass at once.
    const IirCoefficients before = f.p.MarkerLowPass;
    SpectrumBoxMouseDown(f.d);
    Move(202);
    Move(180);
    EXPECT_EQ(f.p.FilterMarker2Pos, 180);
    EXPECT_EQ(f.d.Settings.Marker2Pos, 100) << "the frequency markers are off";
    EXPECT_NE(0, std::memcmp(&before, &f.p.MarkerLowPass, sizeof before));

    FltrEnbSwClick(f.d, f.p, true);
    EXPECT_TRUE(f.p.FilterEnabled);
    EXPECT_FALSE(f.p.FilterBypass);
    FltrEnbSwClick(f.d, f.p, false);
    EXPECT_FALSE(f.p.FilterEnabled);
    EXPECT_TRUE(f.p.FilterBypass);

    // Turning the frequency markers on switches the filter markers off.
    MkrSwitchClick(f.d, f.p, true);
    EXPECT_FALSE(f.d.Settings.FilterMarker1On || f.d.View.Switches.FltrMkrsSw);
    MkrSwitchClick(f.d, f.p, false);
    EXPECT_FALSE(f.d.Settings.Marker1On || f.d.Marker2On);
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = ?"));
}

TEST_F(MarkerTest, RefusalsShowTheirMessagesAndLeaveTheSwitchOff)
{
    f.d.Settings.DisplayType = DisplayWaterfall;
    FltrMkrsSwClick(f.d, f.p, f.Controls, true);
    ASSERT_EQ(f.Controls.Messages().size(), 1);
    EXPECT_EQ(f.Controls.Messages()[0],
              QStringLiteral("Error Message: Only Vertical Frequency or Phase mode allowed"));
    EXPECT_FALSE(f.d.View.Switches.FltrMkrsSw);
    EXPECT_FALSE(f.d.Settings.FilterMarker1On);

    // In Waterfall the Expand switch changes nothing and stays off.
    ExpandSwClick(f.d, f.p, f.Controls, true);
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_FALSE(f.d.ExpandOn);
    EXPECT_EQ(f.Controls.Messages().size(), 1);

    f.d.Settings.DisplayType = DisplaySpectrum;
    MkrSwitchClick(f.d, f.p, false);
    ExpandSwClick(f.d, f.p, f.Controls, true);
    ASSERT_EQ(f.Controls.Messages().size(), 2);
    EXPECT_EQ(f.Controls.Messages()[1], QStringLiteral("Error Message: Markers must be enabled!"));
    EXPECT_FALSE(f.d.View.Switches.ExpandSw);
    EXPECT_FALSE(f.d.ExpandOn);
}

TEST_F(MarkerTest, WaterfallDragsColumnsAndKeepsMarkersInTheLeftHalf)
{
    f.d.Settings.DisplayType = DisplayWaterfall;
    SpectrumBoxMouseDown(f.d);
    SpectrumBoxMouseMove(f.d, f.p, 202, 10, true);
    SpectrumBoxMouseMove(f.d, f.p, 240, 10, true);
    EXPECT_EQ(f.d.Settings.Marker1Pos, 240);
    SpectrumBoxMouseMove(f.d, f.p, 280, 10, true);
    SpectrumBoxMouseMove(f.d, f.p, 320, 10, true);
    SpectrumBoxMouseMove(f.d, f.p, 360, 10, true);
    SpectrumBoxMouseMove(f.d, f.p, 369, 10, true);
    EXPECT_EQ(f.d.Settings.Marker1Pos, 366);
}

TEST_F(MarkerTest, RawModesReadColumnsInHertzAndMilliseconds)
{
    f.d.Settings.DisplayType = DisplayRawSpectrum;
    FreqBaseDialClick(f.d, f.p, 100.0f);       // S = 206
    SpectrumBoxMouseMove(f.d, f.p, 729, 10, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, QStringLiteral("Cursor Position = ") + f.d.View.Labels.HiFreq);
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("8871 Hz"));
    f.d.Settings.Marker1Pos = 300;
    f.d.Settings.Marker2Pos = 200;
    UpdateMarkerLabel(f.d, f.p);
    // ((4 x 206 x 44100) div 729 x 100) >> 10 = 4867
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 4867 Hz"));

    f.d.Settings.DisplayType = DisplayRawTime;
    FreqBaseDialClick(f.d, f.p, 60.0f);        // S = 123
    EXPECT_EQ(f.d.View.Labels.HiFreq, QStringLiteral("0.69 ms"));   // ((1160 x 123) >> 11) x 0.01
    EXPECT_EQ(f.d.View.Labels.LoFreq, QStringLiteral("0 ms"));
    // ((100 x 100000 div 44100) x 123 >> 11) x 0.01 = 0.13 ms
    EXPECT_EQ(f.d.View.Labels.Marker, QStringLiteral("Marker Difference = 0.13 ms"));
    const QString cursor = f.d.View.Labels.Cursor;
    SpectrumBoxMouseMove(f.d, f.p, 10, 10, false);
    EXPECT_EQ(f.d.View.Labels.Cursor, cursor) << "mode 2 leaves the cursor readout";
}

}  // namespace
