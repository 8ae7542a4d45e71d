// What stands where a recording is to go: FIFOs, devices, directories, links and files of the
// user's, for Save Wave and for EDF+; a disk that fills during a WAVE recording; and how far a
// WAVE header may lag its data when the program is killed.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RecorderHelpers.h"
#include "acquisition/EdfRecorder.h"
#include "acquisition/Recorder.h"

namespace {

// Runs `body` in a child process, which exits with its result (0 passes); a child still
// running after `seconds` (blocked in an open, say) is killed by its alarm and counts as
// status 99. Blocking calls are tried there, so this program itself never hangs.
int InChild(const std::function<int()>& body, unsigned seconds = 10)
{
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        alarm(seconds);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return 99;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

bool Exists(const std::string& path, mode_t type)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

struct SaveRig {
    SaveRig() : state(std::make_unique<AcquisitionState>()), recorder(*state, host, dialogs) {}
    bool Save(const std::string& path)
    {
        dialogs.SaveAnswers.push_back(path);
        recorder.SaveWave1Click();
        return state->OutputFileSet;
    }
    std::string LastMessage() const { return host.Messages.empty() ? std::string() : host.Messages.back().Text; }

    std::unique_ptr<AcquisitionState> state;
    HeadlessHost host;
    ScriptedDialogs dialogs;
    Recorder recorder;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

// A FIFO would hold the open for ever (and the window with it); a device takes the open and
// then fails the header, after which the old recorder removed the device node. Each is
// refused with its reason, without waiting, and left as it was.
TEST(RecordingTargets, SaveWaveRefusesFifosDevicesAndFoldersAndLeavesThemAlone)
{
    const std::string fifo = TempPath("target.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(InChild([&] {
                  SaveRig rig;
                  if (rig.Save(fifo)) return 1;
                  if (rig.host.Messages.size() != 1 || rig.host.Messages[0].Caption != "File Error Message") return 2;
                  const std::string text = rig.LastMessage();
                  return text.rfind("Could not open the Wave file (", 0) == 0 && Contains(text, "FIFO") ? 0 : 3;
              }),
              0);
    EXPECT_TRUE(Exists(fifo, S_IFIFO));

    const std::string folder = TempPath("target-folder.wav");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    SaveRig rig;
    EXPECT_FALSE(rig.Save(folder));
    EXPECT_EQ(rig.LastMessage(), "Could not open the Wave file (is a directory)");
    EXPECT_TRUE(Exists(folder, S_IFDIR));

    if (geteuid() == 0) {
        // A copy of /dev/full's node: it opens, and every write to it fails.
        const std::string full = TempPath("full-copy");
        ASSERT_EQ(mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
        EXPECT_EQ(InChild([&] {
                      SaveRig r;
                      return !r.Save(full) && Contains(r.LastMessage(), "device") ? 0 : 1;
                  }),
                  0);
        EXPECT_TRUE(Exists(full, S_IFCHR)) << "the device node was removed";
        std::remove(full.c_str());
    }
    std::remove(fifo.c_str());
    rmdir(folder.c_str());
}

// A link is written through (the link stays, its target holds the recording, a dangling one
// gets its target created); a file of the user's that cannot take the header is not removed,
// while a file the recorder made itself goes again.
TEST(RecordingTargets, LinksAreWrittenThroughAndOnlyTheRecordersOwnFileIsEverRemoved)
{
    const std::string target = TempPath("link-target.wav");
    const std::string link = TempPath("link.wav");
    WriteBytes(target, Pattern(100));
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    SaveRig rig;
    ASSERT_TRUE(rig.Save(link)) << rig.LastMessage();
    rig.recorder.RecordBtnClick();
    std::fill(rig.state->CaptureBufferA, rig.state->CaptureBufferA + 8192, uint8_t{7});
    rig.recorder.RecordStep(rig.state->CaptureBufferA);
    rig.recorder.StopWvBtnClick();
    EXPECT_TRUE(Exists(link, S_IFLNK));
    EXPECT_EQ(ReadBytes(target).size(), 44u + 8192);
    EXPECT_EQ(Le32At(ReadBytes(target), 40), 8192u);

    const std::string dangling = TempPath("dangling.wav");
    const std::string made = TempPath("made-through-link.wav");
    ASSERT_EQ(symlink(made.c_str(), dangling.c_str()), 0);
    ASSERT_TRUE(rig.Save(dangling)) << rig.LastMessage();
    rig.recorder.StopWvBtnClick();
    EXPECT_TRUE(Exists(dangling, S_IFLNK));
    EXPECT_EQ(ReadBytes(made).size(), 44u);

    // No room for the header (a file-size limit: a full disk alike).
    const std::string users = TempPath("users.wav");
    WriteBytes(users, Pattern(10));
    const std::string fresh = TempPath("fresh.wav");
    EXPECT_EQ(InChild([&] {
                  const rlimit limit{20, 20};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
                  SaveRig r;
                  if (r.Save(users) || r.Save(fresh)) return 1;
                  return Contains(r.LastMessage(), std::strerror(EFBIG)) ? 0 : 2;
              }),
              0);
    EXPECT_TRUE(Exists(users, S_IFREG)) << "the user's file was removed";
    EXPECT_FALSE(Exists(fresh, S_IFREG)) << "the recorder's own empty file was left behind";
    for (const std::string& p : {target, link, dangling, made, users}) std::remove(p.c_str());
}

// The disk fills up during a recording: the recording stops with the system's reason and says
// how much the file keeps; the file plays exactly that, whole frames, sizes to match.
TEST(RecordingTargets, AFullDiskEndsTheRecordingWithTheReasonAndWhatTheFileKeeps)
{
    const std::string path = TempPath("filling.wav");
    const std::string report = TempPath("filling.txt");
    // Room for the header, five blocks and 1001 bytes of the sixth.
    const rlim_t room = 44 + 5 * 8192 + 1001;
    EXPECT_EQ(InChild([&] {
                  const rlimit limit{room, room};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
                  SaveRig r;
                  if (!r.Save(path)) return 1;
                  r.recorder.RecordBtnClick();
                  for (int b = 0; b < 10 && r.state->Recording; ++b) {
                      const Bytes block = Pattern(8192, b);
                      std::copy(block.begin(), block.end(), r.state->CaptureBufferA);
                      r.recorder.RecordStep(r.state->CaptureBufferA);
                  }
                  if (r.state->Recording || r.state->OutputFileSet || r.host.Messages.size() != 1) return 2;
                  if (r.host.Messages[0].Caption != "Record Error") return 3;
                  std::FILE* out = std::fopen(report.c_str(), "w");
                  if (!out) return 4;
                  std::fputs(r.host.Messages[0].Text.c_str(), out);
                  std::fclose(out);
                  return 0;
              }),
              0);
    const std::string text = velquor_test::ReadText(report);
    EXPECT_TRUE(Contains(text, std::string("(") + std::strerror(EFBIG) + ")")) << text;
    EXPECT_TRUE(Contains(text, "keeps the first 0.48 s")) << text;   // 5 x 8192 + 1000 bytes
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 5 * 8192 + 1000);
    EXPECT_EQ(Le32At(file, 40), 5u * 8192 + 1000);
    EXPECT_EQ(Le32At(file, 4), 5u * 8192 + 1000 + 36);
    std::remove(path.c_str());
    std::remove(report.c_str());
}

// EDF+ follows the same rules: a FIFO or a device is refused without waiting on it, a
// directory with its reason, and a device node is never touched.
TEST(RecordingTargets, EdfOpensOnlyRegularFilesOrNewNames)
{
    const std::string fifo = TempPath("eeg.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(InChild([&] {
                  EdfRecorder r;
                  std::string error;
                  return !r.Open(fifo, EdfHeader{}, error) && Contains(error, "FIFO") ? 0 : 1;
              }),
              0);
    EXPECT_TRUE(Exists(fifo, S_IFIFO));
    if (geteuid() == 0) {
        const std::string full = TempPath("eeg-full-copy");
        ASSERT_EQ(mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
        EdfRecorder r;
        std::string error;
        EXPECT_FALSE(r.Open(full, EdfHeader{}, error));
        EXPECT_TRUE(Contains(error, "device")) << error;
        EXPECT_TRUE(Exists(full, S_IFCHR));
        std::remove(full.c_str());
    }
    std::remove(fifo.c_str());
}

// A killed program leaves the header as last patched. However fast the blocks come (a backlog
// written after a dialog closed, 30 blocks in a burst here), the sizes never lag the data on
// disk by more than three blocks of 4096 frames: 0.28 s, inside the half second promised.
TEST(RecordingTargets, TheWaveHeaderNeverLagsTheDataByMoreThanThreeBlocks)
{
    const std::string path = TempPath("lag.wav");
    WaveWriter writer;
    ASSERT_TRUE(writer.Create(path, WaveFileFormat{}));
    int64_t worst = 0;
    const Bytes block = Pattern(8192, 3);
    for (int b = 0; b < 30; ++b) {
        ASSERT_EQ(writer.Write(block.data(), block.size()), block.size());
        const Bytes file = ReadBytes(path);
        worst = std::max<int64_t>(worst, static_cast<int64_t>(file.size()) - 44 - Le32At(file, 40));
    }
    EXPECT_LE(worst, 2 * 8192) << "after a write";
    EXPECT_LE(worst + 8192, 44100) << "a kill inside the next write";
    writer.Abandon();
    std::remove(path.c_str());
}
