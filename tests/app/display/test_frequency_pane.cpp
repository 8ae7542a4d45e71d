// Spectrum bars and the phase curve on SpectrumImage: rows of pure tones,
// the bar limit, silence, colours per background and the phase bands.

#include <gtest/gtest.h>

#include <random>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"

using namespace display_test;

namespace {

constexpr int H = SpectrumPaneHeight;
constexpr int LeftEdge = PaneCentre - 5;    // channel 1 bars start here and grow left
constexpr int RightEdge = PaneCentre + 5;   // channel 2 bars start here and grow right

struct SpectrumTest : ::testing::Test {
    Fixture f;
    int32_t trace[TraceLength] = {};

    void SetUp() override
    {
        f.d.Settings.DisplayType = DisplaySpectrum;
        Fill(f.d.SpectrumImage, clBlack);
    }
    void Scale(float dial) { FreqBaseDialClick(f.d, f.p, dial); }
    void Draw(int channel, int gain) { DrawSpectrumChannel(f.d, f.p, channel, trace, gain); }
};

TEST_F(SpectrumTest, ToneOnABinLiesOnItsRowWithoutInterpolation)
{
    ASSERT_EQ(f.p.FreqSpan, 512);
    FillTone(trace, 15 * SlotHz, 20000.0);    // 10.09 Hz, exactly slot 15
    Draw(1, 21);
    int length = 0;
    const int row = LongestRow(f.d.SpectrumImage, clLime, 0, LeftEdge + 1, &length);
    EXPECT_EQ(row, H - 15);
    EXPECT_EQ(RowToHz(f.p, H - row), 10u);
    EXPECT_GT(length, 100);
    // The bar starts at the strip's edge and grows left.
    EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge, row), clLime);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge - length, row), clBlack);
    // The red centre strip: columns c - 5 .. c + 4, rows 0 .. H - 3.
    EXPECT_EQ(Pixel(f.d.SpectrumImage, PaneCentre - 5, 0), clRed);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, PaneCentre + 4, H - 3), clRed);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, PaneCentre + 5, 100), clBlack);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, PaneCentre, H - 2), clBlack);
}

TEST_F(SpectrumTest, TenHertzAtScaleSixtyLiesAtDistanceSixtyTwo)
{
    Scale(60.0f);
    ASSERT_EQ(f.p.FreqSpan, 123);
    FillTone(trace, 10.0, 20000.0);
    Draw(2, 21);
    const int row = LongestRow(f.d.SpectrumImage, clLime, RightEdge, PaneWidth);
    EXPECT_NEAR(row, 309, 1);
    EXPECT_EQ(RowToHz(f.p, 62), 10u);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge, row), clLime);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, row, clLime, 0, LeftEdge + 1), 0)
        << "channel 2 draws right of the strip only";
}

TEST_F(SpectrumTest, NoBarCrossesTheCentreStrip)
{
    // A strong peak: the spline undershoots beside it, below 0.
    Scale(60.0f);
    FillTone(trace, 10.0, 200000.0);
    for (int channel : {1, 2}) {
        Fill(f.d.SpectrumImage, clBlack);
        Draw(channel, 91);
        ASSERT_LT(*std::min_element(f.d.Scratch->RowInterp + 1, f.d.Scratch->RowInterp + H), 0)
            << "the case this guards against";
        const int from = channel == 1 ? LeftEdge + 1 : 0;   // channel 1 bars start on the strip's edge column
        const int to = channel == 1 ? PaneWidth : RightEdge;
        for (int y = 0; y < H; ++y)
            ASSERT_EQ(CountOnRow(f.d.SpectrumImage, y, clLime, from, to), 0) << "channel " << channel << " row " << y;
    }
    // The expanded view likewise.
    f.d.Settings.Marker1On = f.d.Marker2On = true;
    f.d.Settings.Marker1Pos = 330;
    f.d.Settings.Marker2Pos = 250;
    f.d.ExpandOn = true;
    Fill(f.d.SpectrumImage, clBlack);
    Draw(2, 91);
    for (int y = 0; y < H; ++y)
        ASSERT_EQ(CountOnRow(f.d.SpectrumImage, y, clYellow, 0, RightEdge), 0) << "row " << y;
}

TEST_F(SpectrumTest, BarsStopShortOfThePaneWidth)
{
    FillTone(trace, 15 * SlotHz, 2.0e8);
    Draw(2, 391);
    EXPECT_EQ(f.d.Scratch->RowLevels[15], PaneWidth - 5);
    const int row = H - 15;
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, row, clLime, RightEdge, PaneWidth), PaneWidth - RightEdge)
        << "a capped bar is clipped by the pane";
    for (int i = 0; i < H; ++i)
        EXPECT_LE(f.d.Scratch->RowLevels[i], PaneWidth - 5);
}

TEST_F(SpectrumTest, SilenceDrawsNothingAtAnyGain)
{
    for (float dial : {60.0f, 150.0f}) {
        Scale(dial);
        for (int channel : {1, 2}) {
            Draw(channel, 391);
            EXPECT_EQ(LongestRow(f.d.SpectrumImage, clLime, 0, PaneWidth), -1);
        }
    }
    // FM halves the amplitude factor; silence still reads zero.
    f.p.ModulationType = 2;
    Draw(1, 391);
    EXPECT_EQ(LongestRow(f.d.SpectrumImage, clLime, 0, PaneWidth), -1);
}

TEST_F(SpectrumTest, BarColourFollowsTheBackground)
{
    FillTone(trace, 15 * SlotHz, 20000.0);
    const struct {
        int Style;
        TColor Bar;
    } cases[] = {{1, clBlack}, {2, clLime}, {3, clYellow}};
    for (const auto& c : cases) {
        f.d.Settings.BackgroundStyle = c.Style;
        Fill(f.d.SpectrumImage, clGray);
        Draw(1, 21);
        EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge, H - 15), c.Bar) << c.Style;
    }
}

TEST_F(SpectrumTest, OtherModesLeaveThePaneAlone)
{
    FillTone(trace, 15 * SlotHz, 20000.0);
    f.d.Settings.DisplayType = DisplayPhase;
    Draw(1, 21);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 0, clRed), 0) << "not even the strip";
}

TEST_F(SpectrumTest, ExpandedViewSpreadsTheMarkerBandOverThePane)
{
    Scale(60.0f);
    f.d.Settings.Marker1On = f.d.Marker2On = true;
    f.d.Settings.Marker1Pos = 330;                     // RowToHz(41) = 6 Hz
    f.d.Settings.Marker2Pos = 250;                     // RowToHz(121) = 19 Hz
    f.d.ExpandOn = true;
    FillTone(trace, 10.0, 20000.0);
    Draw(1, 21);
    EXPECT_EQ(LongestRow(f.d.SpectrumImage, clLime, 0, LeftEdge + 1), -1) << "no normal bars";
    const int row = LongestRow(f.d.SpectrumImage, clYellow, 0, LeftEdge + 1);
    // 10 Hz lies 62 - 41 = 21 of the band's 80 rows above marker 1; the pane's 371
    // rows show the band, so the peak sits near 371 x 21 / 80 = 97 rows up.
    EXPECT_NEAR(H - row, 97, 5);
}

struct PhaseTest : ::testing::Test {
    Fixture f;
    int32_t trace1[TraceLength] = {};
    int32_t trace2[TraceLength] = {};

    void SetUp() override
    {
        f.d.Settings.DisplayType = DisplayPhase;
        Fill(f.d.SpectrumImage, clBlack);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-30000, 30000);
        for (int n = 0; n < TraceLength; ++n) {
            trace1[n] = noise(random);
            trace2[n] = noise(random);
        }
    }
};

TColor BandColor(int i)
{
    if (i <= 4) return clMaroon;
    if (i <= 10) return clRed;
    if (i >= 12 && i <= 17) return clYellow;
    if (i >= 19 && i <= 29) return clLime;
    if (i >= 31 && i <= 59) return clBlue;
    if (i >= 61) return clPurple;
    return clBlack;                            // rows 11, 18, 30 and 60 stay undrawn
}

TEST_F(PhaseTest, CurveIsDrawnInFixedBandsFromTheCentre)
{
    DrawPhaseChannel(f.d, f.p, 1, trace1, clAqua);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 10) << "channel 1 draws the strip only";
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    int drawn = 0, negative = 0, beyondQuarter = 0;
    for (int i = 1; i < 256; ++i) {
        const int level = f.d.Scratch->RowLevels[i];
        const int y = H - i;
        EXPECT_GE(level, -294);
        EXPECT_LE(level, 294);
        drawn += level != 0;
        negative += level < 0;
        beyondQuarter += std::abs(level) > 147;
        if (level > 0) {
            EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge, y), BandColor(i)) << "row " << i;
            EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge + level - 1, y), BandColor(i)) << i;
            EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge + level, y), clBlack) << i;
        } else if (level < -1) {
            // (A lag of one pixel lies under the strip.)
            // A lag grows left from the strip, as channel 1's spectrum bars do.
            EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge, y), clBlack) << "row " << i;
            EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge - 1, y), BandColor(i)) << "row " << i;
            EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge + level + 1, y), BandColor(i)) << i;
            EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge + level, y), clBlack) << i;
        }
    }
    // Two noise traces: phases spread over the whole circle.
    EXPECT_GT(drawn, 150);
    EXPECT_GT(negative, 60);
    EXPECT_GT(beyondQuarter, 60) << "the half of the circle beyond +-90 degrees is not folded in";
    // Rows above the transform's 256 slots carry no spectrum: phase 0, nothing drawn.
    for (int i = 257; i < H; ++i)
        EXPECT_EQ(f.d.Scratch->RowLevels[i], 0) << i;
    EXPECT_EQ(Pixel(f.d.SpectrumImage, PaneCentre, 50), clRed) << "the strip ends both calls";
}

// Equal 10 Hz tones at a fixed relation, at the first-run scale (10 Hz at distance 62).
// `start` is where the traces' window falls in the tones' cycle: it moves with every
// block, and must not move the reading.
struct PhaseRelation : PhaseTest {
    static constexpr int TenHz = 62;
    int Level(double start, double channel1Lead)
    {
        FillTone(trace1, 10.0, 20000.0, start + channel1Lead);
        FillTone(trace2, 10.0, 20000.0, start);
        DrawPhaseChannel(f.d, f.p, 1, trace1, clAqua);
        DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
        return f.d.Scratch->RowInterp[TenHz];
    }
    void SetUp() override
    {
        PhaseTest::SetUp();
        FreqBaseDialClick(f.d, f.p, 60.0f);
    }
};

TEST_F(PhaseRelation, InPhaseChannelsReadZeroWhereverTheBlockFalls)
{
    for (double start = 0.0; start < 2 * M_PI; start += 0.4)
        EXPECT_LE(std::abs(Level(start, 0.0)), 15) << "start " << start;
}

TEST_F(PhaseRelation, LeadAndLagReadTheirAngleSteadilyOnTheirSide)
{
    const struct {
        double Lead;                       // channel 1's lead in radians
        int Expected;                      // pixels: 3000 / 32 per radian
    } cases[] = {{M_PI / 2, 147}, {-M_PI / 2, -147}, {M_PI / 4, 73}, {-3 * M_PI / 4, -220}};
    for (const auto& c : cases) {
        int low = 1000, high = -1000;
        for (double start = 0.0; start < 2 * M_PI; start += 0.4) {
            const int level = Level(start, c.Lead);
            EXPECT_NEAR(level, c.Expected, 15) << "lead " << c.Lead << " start " << start;
            low = std::min(low, level);
            high = std::max(high, level);
        }
        EXPECT_LE(high - low, 10) << "lead " << c.Lead;
    }
    // On the pane: a lead to the right of the strip, a lag to its left.
    const int y = H - TenHz;
    Fill(f.d.SpectrumImage, clBlack);
    Level(1.0, M_PI / 2);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge + 140, y), clAqua);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge - 10, y), clBlack);
    Fill(f.d.SpectrumImage, clBlack);
    Level(1.0, -M_PI / 2);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge - 140, y), clAqua);
    EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge + 10, y), clBlack);
}

TEST_F(PhaseRelation, OppositeChannelsReadHalfATurn)
{
    for (double start = 0.0; start < 2 * M_PI; start += 0.4)
        EXPECT_GE(std::abs(Level(start, M_PI)), 294 - 15) << "start " << start;
}

TEST_F(PhaseTest, InterpolatedCurveUsesThePenColour)
{
    FreqBaseDialClick(f.d, f.p, 60.0f);
    DrawPhaseChannel(f.d, f.p, 1, trace1, clAqua);
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    int aqua = 0;
    for (int i = 1; i < H; ++i)
        aqua += Pixel(f.d.SpectrumImage, RightEdge, H - i) == clAqua;
    EXPECT_GT(aqua, 200);
    for (TColor band : {clMaroon, clYellow, clLime, clBlue, clPurple})
        EXPECT_EQ(CountOnRow(f.d.SpectrumImage, H - 40, band), 0);
}

TEST_F(PhaseTest, ChannelTwoAloneUsesTheStoredChannelOneSpectrum)
{
    // Channel 1 never drawn: its spectrum is zero, so there is no relation and
    // every row reads phase 0.
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    for (int i = 1; i < H; ++i)
        ASSERT_EQ(f.d.Scratch->RowLevels[i], 0) << i;
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, H - 40, clBlack, RightEdge, PaneWidth), PaneWidth - RightEdge);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 10);

    // After one channel 1 call its spectrum stays for later channel 2 calls.
    DrawPhaseChannel(f.d, f.p, 1, trace1, clAqua);
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    int32_t first[H];
    std::copy(f.d.Scratch->RowLevels, f.d.Scratch->RowLevels + H, first);
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    EXPECT_TRUE(std::equal(first + 1, first + H, f.d.Scratch->RowLevels + 1));
    EXPECT_NE(std::count(first + 1, first + H, 0), H - 1);
}

TEST_F(PhaseTest, ExpandedViewFillsEveryRowFromTheMarkerBand)
{
    FreqBaseDialClick(f.d, f.p, 60.0f);
    f.d.Settings.Marker1On = f.d.Marker2On = true;
    f.d.Settings.Marker1Pos = 330;
    f.d.Settings.Marker2Pos = 250;
    f.d.ExpandOn = true;
    std::fill(f.d.Scratch->RowExpand, f.d.Scratch->RowExpand + RowArraySize, 9999);
    DrawPhaseChannel(f.d, f.p, 1, trace1, clAqua);
    DrawPhaseChannel(f.d, f.p, 2, trace2, clAqua);
    for (int i = 1; i < H; ++i) {
        // The spline may overshoot the curve's -294 .. 294; 9999 would be a stale row.
        ASSERT_GE(f.d.Scratch->RowExpand[i], -600) << i;
        ASSERT_LE(f.d.Scratch->RowExpand[i], 600) << "row " << i << " left over from an earlier call";
    }
    // Only the expanded curve is drawn, in the pen colour, on the side of its sign.
    for (int i = 1; i < H; ++i) {
        const int level = f.d.Scratch->RowExpand[i];
        EXPECT_EQ(Pixel(f.d.SpectrumImage, RightEdge, H - i) == clAqua, level > 0) << i;
        EXPECT_EQ(Pixel(f.d.SpectrumImage, LeftEdge - 1, H - i) == clAqua, level < -1) << i;
    }
}

}  // namespace
