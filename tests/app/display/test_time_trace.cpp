// The time pane: sample picks per time base, the joint between blocks, the
// scroll, clipping, and the handlers of the time controls.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"
#include "app/display/TimeTrace.h"

using namespace display_test;

namespace {

// With gain 16384 in AM a sample x sits exactly x rows above the offset row.
struct TimeTraceTest : ::testing::Test {
    Fixture f;
    int32_t ch1[OutputPerBlock] = {};
    int32_t ch2[OutputPerBlock] = {};

    void SetUp() override
    {
        f.p.Chan1Enabled = true;
        f.p.Chan2Enabled = false;
        f.d.Settings.Chan1TimeGain = 16384;
        f.d.Settings.Chan1TimeOffset = 84;
        f.d.Settings.Chan1Color = clRed;
        Fill(f.d.TimeWorkImage, clBlack);
    }
    void Draw() { DrawTimeTrace(f.d, f.p, ch1, ch2); }
    TColor At(int x, int y) { return Pixel(f.d.TimeImage, x, y); }
};

TEST_F(TimeTraceTest, StepFourDrawsSamplesZeroEightSixteenTwentyFour)
{
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = 60;                          // every sample not picked lies far off
    ch1[0] = 1;
    ch1[8] = 2;
    ch1[16] = 3;
    ch1[24] = 4;
    f.d.TimeStep = 4;
    Draw();
    // Segment i runs from column 726 + i; each rises one row, so it is one pixel.
    EXPECT_EQ(At(726, 84), clRed);            // the joint from TraceLast1 = 0
    EXPECT_EQ(At(727, 83), clRed);
    EXPECT_EQ(At(728, 82), clRed);
    EXPECT_EQ(At(729, 81), clRed);
    EXPECT_EQ(f.d.TraceLast1, 4);
    for (int y = 0; y < TimePaneHeight; ++y)
        EXPECT_NE(At(725, y), clRed) << "nothing left of the new strip, row " << y;
    EXPECT_EQ(CountOnRow(f.d.TimeImage, 84 - 60, clRed), 0);
}

TEST_F(TimeTraceTest, StepThirtyTwoDrawsEverySample)
{
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = s % 2;                       // 0, 1, 0, 1, ...
    f.d.TimeStep = 32;
    Draw();
    for (int i = 0; i < OutputPerBlock; ++i) {
        const int previous = i == 0 ? 0 : (i - 1) % 2;
        EXPECT_EQ(At(698 + i, 84 - previous), clRed) << "segment " << i;
    }
    EXPECT_EQ(f.d.TraceLast1, 1);
}

TEST_F(TimeTraceTest, StripScrollsLeftByTheStepEachBlock)
{
    ch1[0] = 10;
    for (int s = 1; s < OutputPerBlock; ++s)
        ch1[s] = 10;
    f.d.TimeStep = 8;
    Draw();
    ASSERT_EQ(At(729, 74), clRed);
    Draw();
    // The first block's columns 722 .. 729 now sit at 714 .. 721.
    EXPECT_EQ(At(721, 74), clRed);
    EXPECT_EQ(At(729, 74), clRed);
    // The new strip was cleared to the background before drawing.
    f.d.Settings.BackgroundStyle = 1;
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = 100;                          // off the pane at the top after the joint
    f.p.Chan1Enabled = false;
    Draw();
    for (int y = 0; y < TimePaneHeight; ++y)
        EXPECT_EQ(At(725, y), clWhite) << y;
}

TEST_F(TimeTraceTest, ReenabledChannelJoinsItsLastDrawnValue)
{
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = 20;
    Draw();
    ASSERT_EQ(f.d.TraceLast1, 20);
    f.p.Chan1Enabled = false;
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = 5;
    Draw();
    EXPECT_EQ(f.d.TraceLast1, 20) << "a disabled channel keeps its joint";
    f.p.Chan1Enabled = true;
    Draw();
    // The first segment runs from row 84 - 20 down to row 84 - 5 on columns 726/727.
    for (int y = 64; y < 72; ++y)
        EXPECT_EQ(At(726, y), clRed) << y;
    for (int y = 72; y < 79; ++y)
        EXPECT_EQ(At(727, y), clRed) << y;
}

TEST_F(TimeTraceTest, ValuesBeyondThePaneAreClippedNotLimited)
{
    f.d.Settings.Chan1TimeGain = 391;                  // the largest track-bar gain
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = INT32_MAX;                    // a row some 52 million pixels above the pane
    Draw();
    // Half of the first segment's rows lie on column 726: clipped, it fills rows 0 .. 84.
    for (int y = 0; y <= 84; ++y)
        EXPECT_EQ(At(726, y), clRed) << y;
    EXPECT_NE(At(726, 85), clRed);
    EXPECT_EQ(CountOnRow(f.d.TimeImage, 0, clRed), 1) << "the other segments lie above row 0";
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = INT32_MIN;
    Draw();
    // Back through the whole pane and out at the bottom: column 726 holds the
    // upper half of the rise, column 727 the visible lower part.
    EXPECT_EQ(At(727, TimePaneHeight - 1), clRed);
}

TEST_F(TimeTraceTest, FmShiftsByFifteenAndBothChannelsUseTheirOwnState)
{
    f.p.ModulationType = 2;
    f.p.Chan2Enabled = true;
    f.d.Settings.Chan2TimeGain = 16384;
    f.d.Settings.Chan2TimeOffset = 140;
    f.d.Settings.Chan2Color = clLime;
    for (int s = 0; s < OutputPerBlock; ++s) {
        ch1[s] = 20;                           // (20 x 16384) >> 15 = 10
        ch2[s] = -7;                           // arithmetic shift: -3.5 rounds down to -4
    }
    Draw();
    EXPECT_EQ(f.d.TraceLast1, 10);
    EXPECT_EQ(f.d.TraceLast2, -4);
    EXPECT_EQ(At(729, 74), clRed);
    EXPECT_EQ(At(729, 144), clLime);
}

TEST(TimeControls, TimeBaseGainOffsetAndTrackBars)
{
    Fixture f;
    for (float v : {2.0f, 3.0f, 4.0f}) {
        f.d.TimeStep = 0;
        TimeBaseDialClick(f.d, v);
        EXPECT_EQ(f.d.TimeStep, 4) << v;
    }
    TimeBaseDialClick(f.d, 5.9f);
    EXPECT_EQ(f.d.TimeStep, 8);
    TimeBaseDialClick(f.d, 6.0f);
    EXPECT_EQ(f.d.TimeStep, 16);
    TimeBaseDialClick(f.d, 7.0f);
    EXPECT_EQ(f.d.TimeStep, 32);
    TimeBaseDialClick(f.d, 8.0f);
    EXPECT_EQ(f.d.TimeStep, 32) << "an unknown position keeps the step";
    EXPECT_EQ(f.d.Settings.TimeBaseSetting, 8);

    Chan1GainDialClick(f.d, f.p, 1.0f);
    EXPECT_FLOAT_EQ(f.p.Chan1DemodGain, 0.001f);
    Chan2GainDialClick(f.d, f.p, 6.0f);
    EXPECT_FLOAT_EQ(f.p.Chan2DemodGain, 100.0f);
    Chan2GainDialClick(f.d, f.p, 0.0f);
    EXPECT_FLOAT_EQ(f.p.Chan2DemodGain, 100.0f) << "position 0 leaves the gain";
    EXPECT_EQ(f.d.Settings.Chan2GainStep, 0);

    Chan1OffsetDialClick(f.d, 55.0f);
    EXPECT_EQ(f.d.Settings.Chan1TimeOffset, 75);
    EXPECT_EQ(f.d.Settings.Chan1OffsetPos, 55);
    Chan2OffsetDialClick(f.d, 22.0f);
    EXPECT_EQ(f.d.Settings.Chan2TimeOffset, 131);
    Chan1OffsetDialClick(f.d, 100.0f);
    EXPECT_EQ(f.d.Settings.Chan1TimeOffset, 0);
    f.d.Settings.DisplayType = DisplayRawSpectrum;
    Chan2OffsetDialClick(f.d, 50.0f);
    EXPECT_EQ(f.d.Settings.Chan2SpecOffset, 185);
    EXPECT_EQ(f.d.Settings.Chan2SpecOffsetPos, 50);
    EXPECT_EQ(f.d.Settings.Chan2TimeOffset, 131) << "mode 1 moves the spectrum baseline only";

    Chan1GainTrackBarChange(f.d, 40);
    EXPECT_EQ(f.d.Settings.Chan1TimeGain, 391);
    EXPECT_EQ(f.d.Settings.Chan1TimeGainSetting, 391);
    Chan2GainFTrackBarChange(f.d, 1);
    EXPECT_EQ(f.d.Settings.Chan2SpecGain, 1);
    EXPECT_EQ(f.d.Settings.Chan2SpecGainSetting, 1);

    // Values no dial can hold (a damaged settings value) change nothing or stay finite.
    TimeBaseDialClick(f.d, std::nanf(""));
    EXPECT_EQ(f.d.TimeStep, 32);
    Chan1OffsetDialClick(f.d, 1e30f);
    EXPECT_EQ(f.d.Settings.Chan1SpecOffset, INT32_MIN);   // still in mode 1 here
    Chan1GainDialClick(f.d, f.p, -1e30f);
    EXPECT_FLOAT_EQ(f.p.Chan1DemodGain, 0.001f);

    Chan1EnableSwitchClick(f.p, true);
    DisplayHoldSwClick(f.p, true);
    EXPECT_TRUE(f.p.Chan1Enabled);
    EXPECT_TRUE(f.p.DisplayHold);
}

}  // namespace

namespace {

// Pixels of `image` that are neither of the two colours.
int CountOther(const TBitmap& image, TColor a, TColor b)
{
    int n = 0;
    for (int y = 0; y < image.Image().height(); ++y)
        for (int x = 0; x < image.Image().width(); ++x) {
            const TColor c = Pixel(image, x, y);
            n += c != a && c != b;
        }
    return n;
}

}  // namespace

// The images are created white. On a black pane the first block must not scroll a white
// strip in, and a later background change recolours what has scrolled by, traces kept.
TEST(TimeBackground, TheTimeImagesStartInAndFollowTheBackgroundColour)
{
    Fixture f;   // images as created: white
    f.p.Chan1Enabled = true;
    f.p.Chan2Enabled = false;
    f.d.Settings.Chan1TimeGain = 16384;
    f.d.Settings.Chan1TimeOffset = 84;
    f.d.Settings.Chan1Color = clRed;
    int32_t ch1[OutputPerBlock] = {};
    int32_t ch2[OutputPerBlock] = {};
    for (int s = 0; s < OutputPerBlock; ++s)
        ch1[s] = (s % 16) - 8;
    ASSERT_EQ(f.d.Settings.BackgroundStyle, 2);
    for (int block = 0; block < 3; ++block)
        DrawTimeTrace(f.d, f.p, ch1, ch2);
    EXPECT_EQ(CountOther(f.d.TimeImage, clBlack, clRed), 0);
    EXPECT_EQ(CountOther(f.d.TimeWorkImage, clBlack, clRed), 0);
    EXPECT_EQ(Pixel(f.d.TimeImage, 10, 10), clBlack);

    // White: the handler recolours at once (the pane may be idle), the traces stay.
    const int red = PaneWidth - CountOnRow(f.d.TimeImage, 84, clBlack);
    White1Click(f.d);
    EXPECT_EQ(CountOther(f.d.TimeImage, clWhite, clRed), 0);
    EXPECT_EQ(PaneWidth - CountOnRow(f.d.TimeImage, 84, clWhite), red);
    Teal1Click(f.d);
    DrawTimeTrace(f.d, f.p, ch1, ch2);
    EXPECT_EQ(CountOther(f.d.TimeWorkImage, clTeal, clRed), 0);
    EXPECT_EQ(Pixel(f.d.TimeImage, 10, 10), clTeal);

    // A style outside 1..3 draws as black; the strip follows it at the next block.
    f.d.Settings.BackgroundStyle = 7;
    DrawTimeTrace(f.d, f.p, ch1, ch2);
    EXPECT_EQ(CountOther(f.d.TimeWorkImage, clBlack, clRed), 0);
}
