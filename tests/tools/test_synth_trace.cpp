// End to end: velquor-synth's files played through the acquisition loop by velquor-trace; each
// channel shows the tone of its own carrier.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>

#include "ToolRun.h"

namespace {

constexpr double BinHz = 0.672912598;

using velquor_test::TempPath;

struct Result {
    int status = -1;
    std::string output;  // stdout and stderr together
};

Result RunTool(const std::string& tool, const std::string& args) {
    const velquor_test::ToolRun run = velquor_test::RunTool(tool, args);
    return {run.Status, run.Out + run.Err};
}

// Dominant frequency velquor-trace reports for a channel, or NaN.
double Dominant(const std::string& output, int channel) {
    const std::regex line("Channel " + std::to_string(channel) + " .*dominant frequency ([0-9.]+) Hz");
    std::smatch m;
    return std::regex_search(output, m, line) ? std::stod(m[1]) : std::nan("");
}

}  // namespace

TEST(SynthThroughTrace, EachChannelShowsItsOwnTone) {
    struct Case { const char* synth; const char* trace; double tone1, tone2; };
    const Case cases[] = {
        {"--mode am --seconds 6", "--am", 10, 6},
        {"--mode fm --stereo --seconds 6", "--fm --line", 10, 6},
        // Swapped and other tones: the channel follows its carrier, not a fixed assignment.
        {"--mode am --tone1 6 --tone2 12 --seconds 6", "--am --gain 2", 6, 12},
    };
    const std::string wave = TempPath("tones.wav");
    const std::string csv = TempPath("tones.csv");
    for (const auto& c : cases) {
        ASSERT_EQ(RunTool(velquor_test::SynthTool, std::string(c.synth) + " --out \"" + wave + "\"").status, 0) << c.synth;
        const Result r = RunTool(velquor_test::TraceTool, "\"" + wave + "\" " + c.trace + " --summary --csv \"" + csv + "\"");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NEAR(Dominant(r.output, 1), c.tone1, BinHz) << c.synth << "\n" << r.output;
        EXPECT_NEAR(Dominant(r.output, 2), c.tone2, BinHz) << c.synth << "\n" << r.output;
    }
    std::remove(wave.c_str());
    std::remove(csv.c_str());
}

// The summary describes the signal, not the step into silence that a final partial block of
// the file ends with: a file cut at a whole block and one running 272 frames into the next
// report the same amplitude (RMS of the trace) and the same kind of indicator level.
TEST(SynthThroughTrace, SummaryIgnoresTheFinalPartialBlock) {
    const std::string wave = TempPath("partial.wav");
    double rms[2] = {}, levels[2] = {};
    const char* lengths[2] = {"--seconds 1.857596", "--seconds 2"};  // 20 blocks; 21 blocks + 272 frames
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(RunTool(velquor_test::SynthTool, std::string(lengths[k]) + " --out \"" + wave + "\"").status, 0);
        const Result r = RunTool(velquor_test::TraceTool, "\"" + wave + "\" --summary");
        ASSERT_EQ(r.status, 0) << r.output;
        std::smatch m;
        const std::regex line("Channel 1 .*RMS ([0-9.]+), peak [0-9]+, indicator level ([0-9.]+)");
        ASSERT_TRUE(std::regex_search(r.output, m, line)) << r.output;
        rms[k] = std::stod(m[1]);
        levels[k] = std::stod(m[2]);
    }
    EXPECT_GT(rms[0], 1000.0);
    EXPECT_NEAR(rms[1], rms[0], 0.1 * rms[0]);
    EXPECT_GT(levels[0], 1000.0);
    EXPECT_NEAR(levels[1], levels[0], 0.2 * levels[0]);
    std::remove(wave.c_str());
}
