// The README's gain section is velquor-gain's output, and velquor-gain's figures are what the
// running chain does: a carrier through the AM band sections, sines through the decimation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "TestPaths.h"
#include "ToolRun.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

// The figure in the row starting with `first` of the table under `heading`, column `column`
// (0 = the first column).
double TableValue(const std::string& text, const std::string& heading, const std::string& first, int column)
{
    size_t at = text.find(heading);
    if (at == std::string::npos) return std::nan("");
    at = text.find("\n| " + first + " |", at);
    if (at == std::string::npos) return std::nan("");
    size_t cell = at + 2;
    for (int c = 0; c < column; ++c) cell = text.find('|', cell) + 1;
    return std::stod(text.substr(cell, text.find('|', cell) - cell));
}

// Mean envelope of channel 1's AM demodulator (gain 1) per unit of a steady carrier at `hz`, in
// units of the demodulator's factor 50, after `blocks` blocks through the band and demodulator.
double EnvelopeAfter(ProcessingState& s, double hz, int blocks)
{
    s.Chan1DemodGain = 1.0f;
    long n = 0;
    double mean = 0.0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < BlockFrames; ++i, ++n)
            s.BlockFloat[i] = static_cast<float>(1000.0 * std::sin(2.0 * Pi * hz * n / 44100.0));
        SeparateBand(s, 1);
        Demodulate(s, 1);
        mean = 0.0;
        for (int i = 0; i < BlockFrames; ++i) mean += s.Chan1Work[i];
        mean /= BlockFrames;
    }
    return mean / (50.0 * 1000.0);
}

// Peak of channel 1's work entries 0..n-1 after `blocks` blocks of a sine at `hz` (44100 Hz
// input), through `stage` (band separation or decimation) of the running chain.
double PeakAfter(ProcessingState& s, double hz, bool band, int blocks)
{
    long n = 0;
    double peak = 0.0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < BlockFrames; ++i, ++n) {
            const float x = static_cast<float>(1000.0 * std::sin(2.0 * Pi * hz * n / 44100.0));
            s.BlockFloat[i] = x;
            s.Chan1Work[i] = x;
        }
        const int count = band ? BlockFrames : OutputPerBlock;
        if (band) SeparateBand(s, 1);
        else Decimate(s, 1);
        if (b >= blocks - 4)
            for (int i = 0; i < count; ++i) peak = std::max(peak, std::fabs(static_cast<double>(s.Chan1Work[i])));
    }
    return peak / 1000.0;
}

}  // namespace

TEST(GainTables, ReadmeSectionIsTheToolsOutput)
{
    const velquor_test::ToolRun run = velquor_test::RunTool(velquor_test::GainTool, "");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string readme = velquor_test::ReadText(std::string(VELQUOR_SOURCE_DIR) + "/README.md");
    const std::string begin = "<!-- velquor-gain: begin -->\n";
    const size_t from = readme.find(begin);
    const size_t to = readme.find("<!-- velquor-gain: end -->");
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(readme.substr(from + begin.size(), to - from - begin.size()), run.Out)
        << "README.md's gain section is stale: replace it with the output of velquor-gain";
}

TEST(GainTables, FiguresAreWhatTheChainDoes)
{
    const std::string tables = velquor_test::RunTool(velquor_test::GainTool, "").Out;
    for (double carrier : {2000.0, 11000.0, 16065.0, 19145.0}) {
        auto s = std::make_unique<ProcessingState>();
        s->Chan1CarrierHz = static_cast<float>(carrier);
        StartupDesigns(*s);
        char row[16];
        std::snprintf(row, sizeof row, "%.0f", carrier);
        EXPECT_NEAR(PeakAfter(*s, carrier, true, 12), TableValue(tables, "AM carrier band", row, 1), 0.015) << carrier;
        // What the AM output is divided by leaves the table's compensated gain at every carrier.
        EXPECT_NEAR(EnvelopeAfter(*s, carrier, 12), TableValue(tables, "AM carrier band", row, 4), 0.01) << carrier;
    }
    for (double hz : {0.0, 10.0, 20.0, 60.0}) {
        auto s = std::make_unique<ProcessingState>();
        // A DC input has no peak to find: a constant stands for it.
        const double measured = hz == 0.0 ? [&] {
            for (int b = 0; b < 6; ++b) {
                std::fill(s->Chan1Work, s->Chan1Work + BlockFrames, 1000.0f);
                Decimate(*s, 1);
            }
            return s->Chan1Work[31] / 1000.0;
        }() : PeakAfter(*s, hz, false, 40);
        char row[16];
        std::snprintf(row, sizeof row, "%.0f", hz);
        EXPECT_NEAR(measured, TableValue(tables, "Decimation", row, 3), 0.015) << hz << " Hz";
    }
}
