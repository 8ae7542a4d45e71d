// The waterfall: palettes, the new line per channel call, two rows per block,
// the red strip in the history and the copy onto the pane.

#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "app/display/FrequencyPane.h"

using namespace display_test;

namespace {

TEST(WaterfallPalette, EveryPaletteAcrossAndBeyondTheLevelRange)
{
    EXPECT_EQ(WaterfallColor(PaletteBlackWhite, 137), RGB(137, 137, 137));
    EXPECT_EQ(WaterfallColor(PaletteRed, 137), RGB(137, 0, 0));
    EXPECT_EQ(WaterfallColor(PaletteGreen, 137), RGB(0, 137, 0));
    EXPECT_EQ(WaterfallColor(PaletteBlue, 137), RGB(0, 0, 137));
    EXPECT_EQ(WaterfallColor(PaletteAqua, 137), RGB(0, 137, 137));
    EXPECT_EQ(WaterfallColor(PalettePseudoColor, 137), clTeal);
    // Above 255: the palette's top colour; below 0: black.
    EXPECT_EQ(WaterfallColor(PaletteBlackWhite, 4000), clWhite);
    EXPECT_EQ(WaterfallColor(PalettePseudoColor, 256), clYellow);
    EXPECT_EQ(WaterfallColor(PaletteRed, 1 << 30), RGB(255, 0, 0));
    EXPECT_EQ(WaterfallColor(PaletteAqua, 300), clAqua);
    for (int palette = PalettePseudoColor; palette <= PaletteAqua; ++palette) {
        EXPECT_EQ(WaterfallColor(palette, -1), clBlack) << palette;
        EXPECT_EQ(WaterfallColor(palette, INT32_MIN), clBlack) << palette;
        EXPECT_EQ(WaterfallColor(palette, 0), clBlack) << palette;
    }
    EXPECT_EQ(WaterfallColor(3, 200), clBlack) << "an unknown palette";
}

TEST(WaterfallPalette, PseudoColourBandEdges)
{
    const struct {
        int First, Last;
        TColor Color;
    } bands[] = {{0, 9, clBlack},     {10, 19, clMaroon},  {20, 29, clPurple},  {30, 39, clNavy},
                 {40, 49, clBlue},    {50, 59, clOlive},   {60, 79, clGreen},   {80, 99, clGray},
                 {100, 119, clSilver}, {120, 159, clTeal}, {160, 179, clLime},  {180, 199, clRed},
                 {200, 219, clFuchsia}, {220, 255, clYellow}};
    for (const auto& band : bands) {
        EXPECT_EQ(PseudoColor(band.First), band.Color) << band.First;
        EXPECT_EQ(PseudoColor(band.Last), band.Color) << band.Last;
    }
}

struct WaterfallTest : ::testing::Test {
    Fixture f;
    int32_t tone[TraceLength] = {};
    int32_t silence[TraceLength] = {};

    void SetUp() override
    {
        f.d.Settings.DisplayType = DisplayWaterfall;
        f.d.Settings.WaterfallPalette = PaletteBlackWhite;
        FreqBaseDialClick(f.d, f.p, 60.0f);
        Fill(f.d.WaterfallImage, clNavy);
        Fill(f.d.SpectrumImage, clBlack);
        FillTone(tone, 10.0, 30000.0);
    }
    void Block(const int32_t* trace)
    {
        DrawWaterfallChannel(f.d, f.p, 1, trace, 391);
        DrawWaterfallChannel(f.d, f.p, 2, trace, 391);
    }
    // The column of the 10 Hz tone in the channel 1 half.
    int ToneColumn()
    {
        int best = 0;
        for (int x = 1; x < 368; ++x)
            if (f.d.Scratch->RowInterp[x] > f.d.Scratch->RowInterp[best])
                best = x;
        return best;
    }
};

TEST_F(WaterfallTest, ToneColumnMatchesTheFrequencyAxis)
{
    DrawWaterfallChannel(f.d, f.p, 1, tone, 391);
    const int x = ToneColumn();
    EXPECT_NEAR(x, 63, 2);
    EXPECT_EQ(RowToHz(f.p, x), 10u);
    EXPECT_EQ(Pixel(f.d.WaterfallImage, x, 0), clWhite) << "a level above 255 shows white";
}

TEST_F(WaterfallTest, EachBlockAddsTwoRowsWithBothChannels)
{
    Block(tone);
    const int x = ToneColumn();
    Block(silence);
    // Channel 1 half: the silent block's line on rows 0 .. 2, the tone on rows 3 and 4.
    for (int y = 0; y <= 2; ++y)
        EXPECT_EQ(Pixel(f.d.WaterfallImage, x, y), clBlack) << y;
    for (int y = 3; y <= 4; ++y)
        EXPECT_EQ(Pixel(f.d.WaterfallImage, x, y), clWhite) << y;
    EXPECT_EQ(Pixel(f.d.WaterfallImage, x, 5), clNavy) << "older history than the two blocks";
    // Channel 2 half, 370 columns to the right.
    EXPECT_EQ(Pixel(f.d.WaterfallImage, 370 + x, 1), clBlack);
    EXPECT_EQ(Pixel(f.d.WaterfallImage, 370 + x, 2), clWhite);
    EXPECT_EQ(Pixel(f.d.WaterfallImage, 370 + x, 3), clWhite);
    // The pane shows the history as it was copied, rows 0 .. H - 2.
    for (int y = 0; y < SpectrumPaneHeight - 1; ++y)
        for (int col : {x, 370 + x, 100})
            ASSERT_EQ(Pixel(f.d.SpectrumImage, col, y), Pixel(f.d.WaterfallImage, col, y))
                << col << "," << y;
    EXPECT_EQ(Pixel(f.d.SpectrumImage, x, SpectrumPaneHeight - 1), clBlack) << "last row not copied";
}

TEST_F(WaterfallTest, RedStripLivesInTheHistory)
{
    DrawWaterfallChannel(f.d, f.p, 1, silence, 391);
    for (int y : {0, 100, SpectrumPaneHeight - 3}) {
        EXPECT_EQ(CountOnRow(f.d.WaterfallImage, y, clRed, 355, 375), 10) << y;
        EXPECT_EQ(Pixel(f.d.WaterfallImage, PaneCentre - 5, y), clRed);
    }
    EXPECT_EQ(CountOnRow(f.d.WaterfallImage, SpectrumPaneHeight - 2, clRed), 0);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 0) << "the pane shows it from the next call";
    DrawWaterfallChannel(f.d, f.p, 1, silence, 391);
    EXPECT_EQ(CountOnRow(f.d.SpectrumImage, 100, clRed), 10);
}

TEST_F(WaterfallTest, PaletteAppliesToNewLinesOnly)
{
    Block(tone);
    const int x = ToneColumn();
    f.d.Settings.WaterfallPalette = PaletteRed;
    DrawWaterfallChannel(f.d, f.p, 1, tone, 391);
    EXPECT_EQ(Pixel(f.d.WaterfallImage, x, 0), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(f.d.WaterfallImage, x, 2), clWhite);
}

TEST_F(WaterfallTest, ChannelOneLevelsAreNotLimitedChannelTwosAre)
{
    DrawWaterfallChannel(f.d, f.p, 1, tone, 391);
    EXPECT_GT(*std::max_element(f.d.Scratch->RowLevels, f.d.Scratch->RowLevels + SpectrumPaneHeight), PaneWidth - 5);
    DrawWaterfallChannel(f.d, f.p, 2, tone, 391);
    EXPECT_EQ(*std::max_element(f.d.Scratch->RowLevels, f.d.Scratch->RowLevels + SpectrumPaneHeight), PaneWidth - 5);
}

}  // namespace

// The history is created white; on entering the mode it starts in the palette's zero level,
// so the rows not yet reached read as "nothing" instead of a white block, and rows of an
// earlier visit are not shown as if they were recent.
TEST(WaterfallHistory, EnteringTheModeStartsAnEmptyHistoryInThePalettesZeroLevel)
{
    Fixture f;
    f.d.Settings.DisplayType = DisplaySpectrum;
    f.d.Settings.WaterfallPalette = PaletteAqua;
    ASSERT_EQ(Pixel(f.d.WaterfallImage, 100, 300), clWhite);
    Waterfall1Click(f.d, f.p, f.Controls);
    EXPECT_EQ(f.d.Settings.DisplayType, DisplayWaterfall);
    EXPECT_EQ(CountOnRow(f.d.WaterfallImage, 0, clBlack), PaneWidth);
    EXPECT_EQ(CountOnRow(f.d.WaterfallImage, SpectrumPaneHeight - 1, clBlack), PaneWidth);

    // Choosing it again while in the mode keeps the history.
    int32_t tone[TraceLength] = {};
    FillTone(tone, 10.0, 30000.0);
    DrawWaterfallChannel(f.d, f.p, 1, tone, 391);
    const QImage history = f.d.WaterfallImage.Image().copy();
    Waterfall1Click(f.d, f.p, f.Controls);
    EXPECT_EQ(f.d.WaterfallImage.Image(), history);
}
