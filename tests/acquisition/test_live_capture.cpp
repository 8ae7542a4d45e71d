// Live capture through PortAudio against a real sound server: a private PulseAudio
// daemon (started by .ci/run) whose null sink's monitor is the default source. A fixture
// from velquor-synth is played into the sink with paplay and must reach the acquisition
// loop bit-exact and without a gap, at the sound card's pace. Without a reachable
// daemon the test skips and says why. The no-device case runs against an empty runtime
// folder, where PortAudio finds no default input.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CaptureHelpers.h"
#include "ToolRun.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/FileBackend.h"
#include "acquisition/PortAudioBackend.h"
#include "dsp/Designs.h"

extern char** environ;

namespace {

// Sets (or with nullptr unsets) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1); else unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1); else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

std::string MakeTempDir(const std::string& tag)
{
    std::string pattern = testing::TempDir() + "velquor_" + tag + "_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* dir = mkdtemp(buffer.data());
    return dir ? std::string(dir) : std::string();
}

// An ALSA configuration of the test's own: the system configuration with the default
// device routed to PulseAudio, so the machine's own files stay untouched.
std::string WriteAlsaConfig(const std::string& dir)
{
    const std::string path = dir + "/asound.conf";
    std::ofstream out(path);
    for (const char* system : {"/usr/share/alsa/alsa.conf", "/etc/alsa/alsa.conf"}) {
        struct stat st {};
        if (stat(system, &st) == 0) {
            out << "<" << system << ">\n";
            break;
        }
    }
    out << "pcm.!default { type pulse }\nctl.!default { type pulse }\n";
    return path;
}

bool SoundServerReachable()
{
    return std::system("pactl info >/dev/null 2>&1") == 0;
}

pid_t Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

std::vector<int16_t> ReadFixture(const std::string& path, uint16_t& channels)
{
    WaveFileSource source(path);
    channels = source.Format().Channels;
    std::vector<uint8_t> bytes(source.DataBytes());
    bytes.resize(source.Read(bytes.data(), bytes.size()));
    return Samples(bytes);
}

// Position of `needle` in `haystack`, or -1.
long Find(const std::vector<int16_t>& haystack, const int16_t* needle, size_t length)
{
    const auto it = std::search(haystack.begin(), haystack.end(), needle, needle + length);
    return it == haystack.end() ? -1 : static_cast<long>(it - haystack.begin());
}

void PlayAndCapture(bool stereo)
{
    if (!SoundServerReachable()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        GTEST_SKIP() << "no PulseAudio daemon reachable (XDG_RUNTIME_DIR=" << (runtime ? runtime : "unset")
                     << "); .ci/run starts a private one for this test";
    }
    const std::string dir = MakeTempDir("live");
    ASSERT_FALSE(dir.empty());
    ScopedEnv alsa("ALSA_CONFIG_PATH", WriteAlsaConfig(dir).c_str());

    // The fixture: 3 s of the EEG-like signal on both carriers.
    const std::string fixture = dir + "/fixture.wav";
    const std::string command = velquor_test::Quote(velquor_test::SynthTool) + " --signal eeg --seconds 3 --seed 11 " +
                                (stereo ? "--stereo " : "--mono ") + "--out '" + fixture + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    uint16_t channels = 0;
    const std::vector<int16_t> expected = ReadFixture(fixture, channels);
    ASSERT_EQ(channels, stereo ? 2 : 1);
    ASSERT_GT(expected.size(), 100000u);

    // The acquisition loop itself, as the window runs it: each processed block is taken
    // from the capture buffer the loop has just finished waiting for.
    auto state = std::make_unique<AcquisitionState>();
    auto processing = std::make_unique<ProcessingState>();
    state->ApplyingSettings = false;
    state->SetInputStereo(stereo);
    StartupDesigns(*processing);
    HeadlessHost host;
    PortAudioBackend backend;
    AcquisitionLoop loop(*state, *processing, host, backend);
    ConnectTimers(host, loop);

    constexpr size_t SettleBlocks = 4;     // the stream settles before the fixture plays
    constexpr size_t PlayBlocks = 50;      // 3 s of fixture plus the player's start-up and latency
    std::vector<CaptureRig::Block> blocks;
    pid_t player = 0;
    host.OnBlock = [&](const BlockReport&) {
        const bool inA = state->BufferInWork == 1;
        const WaveHeader& header = inA ? loop.Device().HeaderA : loop.Device().HeaderB;
        const uint8_t* data = inA ? state->CaptureBufferA : state->CaptureBufferB;
        CaptureRig::Block block;
        block.Bytes.assign(data, data + header.BytesRecorded);
        block.Completed = std::chrono::steady_clock::now();
        block.TimedOut = state->DeviceTimedOut;
        blocks.push_back(std::move(block));
        if (blocks.size() == SettleBlocks) player = Spawn({"paplay", fixture});
        if (blocks.size() == SettleBlocks + PlayBlocks) state->AcquisitionIdle = true;
    };
    loop.StartBtnClick();
    loop.StopBtnClick();
    int status = 0;
    if (player > 0) waitpid(player, &status, 0);
    ASSERT_TRUE(host.Messages.empty()) << host.Messages.front().Text << " (" << backend.LastError() << ")";
    ASSERT_GT(player, 0) << "paplay could not be started";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "paplay failed";
    EXPECT_EQ(host.TerminateRequests, 0);
    EXPECT_EQ(blocks.size(), SettleBlocks + PlayBlocks);

    std::vector<int16_t> stream;
    int timedOut = 0;
    for (const CaptureRig::Block& b : blocks) {
        EXPECT_EQ(b.Bytes.size(), state->BufferBytes);
        timedOut += b.TimedOut;
        const std::vector<int16_t> s = Samples(b.Bytes);
        stream.insert(stream.end(), s.begin(), s.end());
    }
    EXPECT_EQ(timedOut, 0);

    // Find the fixture's opening (from its first non-silent frame) in the stream, then
    // everything after must match sample for sample.
    size_t first = 0;
    while (first < expected.size() && expected[first] == 0) ++first;
    first -= first % channels;
    const size_t probe = 64 * channels;
    ASSERT_LT(first + probe, expected.size());
    const long at = Find(stream, expected.data() + first, probe);
    ASSERT_GE(at, 0) << "the fixture's first samples never arrived";
    const size_t start = static_cast<size_t>(at);
    const size_t length = expected.size() - first;
    ASSERT_LE(start + length, stream.size()) << "the capture ended before the fixture did";
    size_t mismatches = 0;
    size_t firstMismatch = length;
    for (size_t i = 0; i < length; ++i) {
        if (stream[start + i] != expected[first + i]) {
            if (!mismatches) firstMismatch = i;
            ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0u) << "first difference at fixture sample " << first + firstMismatch << " of "
                              << expected.size();

    const double period = AveragePeriodMs(blocks, SettleBlocks);
    EXPECT_NEAR(period, 4096.0 * 1000.0 / 44100.0, 92.88 * 0.05) << "average block period";
    std::printf("live capture (%s, device \"%s\"): fixture found at frame %zu, average block period %.2f ms\n",
                stereo ? "stereo" : "mono", backend.DeviceName().c_str(), start / channels, period);
    std::remove(fixture.c_str());
}

}  // namespace

// Microphone (mono) then Line (stereo) in one test: both play into the one test sink, so
// they must not run side by side.
TEST(LiveCapture, CaptureReceivesTheFixtureBitExactAndContiguous)
{
    PlayAndCapture(false);
    if (HasFatalFailure() || IsSkipped()) return;
    PlayAndCapture(true);
}

TEST(LiveCapture, NoSoundServerGivesTheNoDeviceMessages)
{
    // An empty runtime folder: no daemon to reach, and none may be started on demand.
    const std::string dir = MakeTempDir("nodevice");
    ASSERT_FALSE(dir.empty());
    const std::string runtime = dir + "/runtime";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    const std::string clientConfig = dir + "/client.conf";
    std::ofstream(clientConfig) << "autospawn = no\n";
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
    ScopedEnv server("PULSE_SERVER", nullptr);
    ScopedEnv client("PULSE_CLIENTCONFIG", clientConfig.c_str());
    ScopedEnv alsa("ALSA_CONFIG_PATH", WriteAlsaConfig(dir).c_str());

    PortAudioBackend backend;
    CaptureRig rig(backend);
    rig.OpenSequence();
    if (!backend.DeviceName().empty()) {
        GTEST_SKIP() << "PortAudio finds an input device without a sound server (\"" << backend.DeviceName()
                     << "\"): this machine has a sound card";
    }
    EXPECT_EQ(rig.host.MessageTexts(),
              (std::vector<std::string>{"Could not open the input wave device", "Error Opening Input wave device",
                                        "Error preparing the header_a", "Error in sending 'a' buffer",
                                        "Error starting the input wave device"}));
    EXPECT_EQ(rig.host.Messages.front().Caption, "Wave Device Message");
    EXPECT_EQ(rig.host.TerminateRequests, 0);
    EXPECT_EQ(backend.LastError(), "no default input device");
    rig.state->AcquisitionIdle = false;
    rig.device.GetPosition();
    EXPECT_EQ(rig.host.Messages.back().Text, "Error getting the byte position");
    EXPECT_EQ(rig.host.TerminateRequests, 1);
}

TEST(LiveCapture, LostSoundServerEndsTheWaitThroughItsTimeOut)
{
    // A daemon of this test's own, so that killing it disturbs nobody else.
    if (std::system("command -v pulseaudio >/dev/null 2>&1") != 0) GTEST_SKIP() << "pulseaudio is not installed";
    const std::string dir = MakeTempDir("lost");
    ASSERT_FALSE(dir.empty());
    const std::string runtime = dir + "/runtime";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    const std::string script = dir + "/server.pa";
    std::ofstream(script) << "load-module module-native-protocol-unix auth-anonymous=1\n"
                             "load-module module-null-source source_name=lostmic rate=44100 channels=2\n"
                             "set-default-source lostmic\n";
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
    ScopedEnv server("PULSE_SERVER", nullptr);
    ScopedEnv alsa("ALSA_CONFIG_PATH", WriteAlsaConfig(dir).c_str());
    const pid_t daemon = Spawn({"pulseaudio", "-n", "-F", script, "--daemonize=no", "--exit-idle-time=-1",
                                "--log-target=file:" + dir + "/pulseaudio.log"});
    ASSERT_GT(daemon, 0);
    bool up = false;
    for (int i = 0; i < 50 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        up = SoundServerReachable();
    }
    if (!up) {
        kill(daemon, SIGKILL);
        waitpid(daemon, nullptr, 0);
        GTEST_SKIP() << "the test's own PulseAudio daemon did not start";
    }

    PortAudioBackend backend;
    CaptureRig rig(backend);
    rig.OpenSequence();
    ASSERT_TRUE(rig.host.Messages.empty()) << rig.host.Messages.front().Text << " (" << backend.LastError() << ")";
    rig.state->AcquisitionIdle = false;
    const std::vector<CaptureRig::Block> before = rig.Capture(3);
    for (const auto& b : before) EXPECT_FALSE(b.TimedOut);

    kill(daemon, SIGKILL);
    waitpid(daemon, nullptr, 0);
    const auto lostAt = std::chrono::steady_clock::now();
    const std::vector<CaptureRig::Block> after = rig.Capture(4);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lostAt).count();
    int timedOut = 0;
    for (const auto& b : after) timedOut += b.TimedOut;
    EXPECT_GE(timedOut, 1) << "the waits after the loss end through the time-out";
    EXPECT_LT(seconds, 4 * 0.35 + 3.0) << "four passes, each bounded by its time-out";
    for (const HostMessage& m : rig.host.Messages) {
        EXPECT_EQ(m.Caption, "Wave Device Message");
        std::printf("after the loss: \"%s\"\n", m.Text.c_str());
    }
    std::printf("lost sound server: %d of 4 waits timed out, %.2f s, %d termination requests (%s)\n", timedOut, seconds,
                rig.host.TerminateRequests, backend.LastError().c_str());
    rig.state->AcquisitionIdle = true;
    rig.device.ShutDown();
}
