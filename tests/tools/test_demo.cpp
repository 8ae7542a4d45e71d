// velquor-demo end to end: velquor-synth's files through the block processor, and files the demo
// must refuse.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string ToolDir = VELQUOR_BINARY_DIR "/tools/";
constexpr double BinHz = 0.672912598;

struct Result {
    int status = -1;
    std::string output;  // stdout and stderr together
};

Result RunTool(const std::string& tool, const std::string& args) {
    Result r;
    const std::string cmd = "\"" + ToolDir + tool + "/" + tool + "\" " + args + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (pipe == nullptr) return r;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) r.output += buffer;
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string TempPath(const char* name) {
    return ::testing::TempDir() + "velquor_demo_" + std::to_string(::getpid()) + "_" + name;
}

// Dominant frequency the demo reports for a channel, or NaN.
double Dominant(const std::string& output, int channel) {
    const std::regex line("Channel " + std::to_string(channel) + " .*dominant frequency ([0-9.]+) Hz");
    std::smatch m;
    return std::regex_search(output, m, line) ? std::stod(m[1]) : std::nan("");
}

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Put32(std::vector<char>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

}  // namespace

TEST(VelquorDemo, EachChannelShowsItsOwnTone) {
    struct Case { const char* synth; const char* demo; double tone1, tone2; };
    const Case cases[] = {
        {"--mode am --seconds 6", "--am", 10, 6},
        {"--mode fm --stereo --seconds 6", "--fm", 10, 6},
        // Swapped and other tones: the channel follows its carrier, not a fixed assignment.
        {"--mode am --tone1 6 --tone2 12 --seconds 6", "--am --gain 2", 6, 12},
    };
    const std::string wave = TempPath("tones.wav");
    for (const auto& c : cases) {
        ASSERT_EQ(RunTool("velquor-synth", std::string(c.synth) + " --out \"" + wave + "\"").status, 0) << c.synth;
        const Result r = RunTool("velquor-demo", std::string(c.demo) + " \"" + wave + "\"");
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NEAR(Dominant(r.output, 1), c.tone1, BinHz) << c.synth << "\n" << r.output;
        EXPECT_NEAR(Dominant(r.output, 2), c.tone2, BinHz) << c.synth << "\n" << r.output;
    }
    std::remove(wave.c_str());
}

TEST(VelquorDemo, RefusesWhatItCannotPlayAndToleratesUnfinishedSizes) {
    const std::string good = TempPath("good.wav");
    ASSERT_EQ(RunTool("velquor-synth", "--seconds 2 --out \"" + good + "\"").status, 0);
    const auto bytes = ReadAll(good);
    ASSERT_EQ(bytes.size(), 44u + 88200u * 2);

    const std::string bad = TempPath("bad.wav");
    struct Case { const char* what; std::vector<char> file; const char* message; };
    auto patched = [&](size_t at, const char* text) {
        auto b = bytes;
        for (size_t i = 0; text[i] != '\0'; ++i) b[at + i] = text[i];
        return b;
    };
    auto patched16 = [&](size_t at, uint16_t v) {
        auto b = bytes;
        b[at] = static_cast<char>(v);
        b[at + 1] = static_cast<char>(v >> 8);
        return b;
    };
    auto rate = bytes;
    Put32(rate, 24, 48000);
    const std::vector<Case> cases = {
        {"empty", {}, "too short"},
        {"not RIFF", patched(0, "RIFX"), "not a RIFF file"},
        {"not WAVE", patched(8, "AVI "), "not a WAVE file"},
        {"no fmt", patched(12, "junk"), "fmt chunk"},
        {"8-bit", patched16(34, 8), "16-bit needed"},
        {"not PCM", patched16(20, 3), "not PCM"},
        {"48 kHz", rate, "44100 Hz needed"},
        {"header only", std::vector<char>(bytes.begin(), bytes.begin() + 44), "no sample data"},
    };
    for (const auto& c : cases) {
        WriteAll(bad, c.file);
        const Result r = RunTool("velquor-demo", "\"" + bad + "\"");
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.what << ": " << r.output;
    }
    EXPECT_EQ(RunTool("velquor-demo", "\"" + TempPath("missing.wav") + "\"").status, 1);
    EXPECT_EQ(RunTool("velquor-demo", "--gain 7 \"" + good + "\"").status, 2);
    EXPECT_EQ(RunTool("velquor-demo", "--bogus \"" + good + "\"").status, 2);
    EXPECT_EQ(RunTool("velquor-demo", "").status, 2);

    // A recording whose sizes were never patched (data size 0) and one cut short still play.
    auto unfinished = bytes;
    Put32(unfinished, 4, 36);
    Put32(unfinished, 40, 0);
    WriteAll(bad, unfinished);
    Result r = RunTool("velquor-demo", "\"" + bad + "\"");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("88200 frames"), std::string::npos) << r.output;
    auto cut = std::vector<char>(bytes.begin(), bytes.begin() + 44 + 40000 * 2);
    WriteAll(bad, cut);
    r = RunTool("velquor-demo", "\"" + bad + "\"");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("40000 frames"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("shorter than its header"), std::string::npos) << r.output;

    std::remove(bad.c_str());
    std::remove(good.c_str());
}
