// The window under faults a careless system produces: a FIFO where the settings file should
// be, and an input file the capture format cannot take.
#include <QFileInfo>
#include <QLabel>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "tests/app/window/WindowTestSupport.h"

namespace {

// Standard error of this process into a file for as long as it lives.
class CapturedStderr {
public:
    explicit CapturedStderr(const std::string& path) : path_(path)
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CapturedStderr() { Restore(); }
    std::string Text()
    {
        Restore();
        QFile f(QString::fromStdString(path_));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }

private:
    void Restore()
    {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    std::string path_;
    int saved_ = -1;
};

bool IsFifo(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

// The start-up used to wait in the open of a FIFO for ever. Now the window comes up on the
// first-run panel at once, says once (standard error, status strip) that the settings will
// not be saved and why, and leaves the FIFO as it is at exit.
TEST(WindowSettingsFile, AFifoAtTheSettingsPathNeitherHoldsTheStartNorIsReplaced)
{
    WindowRig rig;
    const QString path = rig.SettingsPath();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // Should the window wait in the open after all, a writer appears after five seconds and
    // lets it go, so that the test fails rather than hangs.
    std::atomic<bool> constructed{false};
    std::thread rescue([&] {
        for (int i = 0; i < 50 && !constructed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (constructed) return;
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    const auto started = std::chrono::steady_clock::now();
    std::string said;
    {
        CapturedStderr err(rig.Path("stderr.txt"));
        ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
        said = err.Text();
    }
    constructed = true;
    rescue.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << "the start waited on the FIFO";

    TEEGForm& f = *rig.Form;
    EXPECT_NE(said.find("velquor: The settings will not be saved: " + path.toStdString()), std::string::npos) << said;
    EXPECT_NE(said.find("FIFO"), std::string::npos) << said;
    QLabel* label = f.Panel().SettingsLabel;
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisibleTo(&f));
    EXPECT_EQ(label->text(), QStringLiteral("Settings not saved:\nfile unreadable"));
    EXPECT_EQ(label->toolTip(), f.SettingsNotSaved());
    EXPECT_FALSE(f.SaveSettingsNow());
    rig.Form.reset();
    EXPECT_TRUE(IsFifo(path)) << "the FIFO was replaced at exit";

    // A readable file brings no such note.
    ::unlink(QFile::encodeName(path).constData());
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    EXPECT_FALSE(rig.Form->Panel().SettingsLabel->isVisibleTo(rig.Form.get()));
    EXPECT_TRUE(rig.Form->SettingsNotSaved().isEmpty());
}

// An input file the capture format cannot take is named in one message with what is wrong,
// then the program ends as it does when its device fails (status 1). A file that cannot be
// opened at all is refused before the window, with the system's reason.
TEST(VelquorProgram, AnUnusableInputFileIsRefusedInOneMessageThatSaysWhy)
{
    QTemporaryDir dir;
    SignalGeneratorSettings stereo = ToneSettings(10.0, 6.0);
    stereo.Stereo = true;
    const QString stereoWave = dir.filePath(QStringLiteral("stereo.wav"));
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(stereoWave.toStdString(), stereo, 1));
    const QString slowWave = dir.filePath(QStringLiteral("22050.wav"));
    {
        WaveFileFormat slow;
        slow.SampleRate = 22050;
        slow.ByteRate = 44100;
        WaveWriter writer;
        ASSERT_TRUE(writer.Create(slowWave.toStdString(), slow));
        const std::vector<uint8_t> silence(44100);
        writer.Write(silence.data(), silence.size());
        ASSERT_TRUE(writer.Finish());
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("DISPLAY"));
    struct Case {
        QString Input;
        int Status;
        std::string Says;
    };
    const Case cases[] = {
        {QStringLiteral("file:") + stereoWave, 1,
         "Could not open the input wave device (input file " + stereoWave.toStdString() +
             ": found 44100 Hz, 16-bit PCM, 2 channels; needed 44100 Hz, 16-bit PCM, 1 channel; stereo file: choose "
             "Options > Input > Line)"},
        {QStringLiteral("file:") + slowWave, 1,
         "(input file " + slowWave.toStdString() +
             ": found 22050 Hz, 16-bit PCM, 1 channel; needed 44100 Hz, 16-bit PCM, 1 channel)"},
        {QStringLiteral("file:") + dir.filePath(QStringLiteral("missing.wav")), 2, std::strerror(ENOENT)},
    };
    for (const Case& c : cases) {
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), c.Input, QStringLiteral("--screenshot"),
                                                    dir.filePath(QStringLiteral("shot.png"))});
        ASSERT_TRUE(run.waitForFinished(60000));
        const std::string err = run.readAllStandardError().toStdString();
        EXPECT_EQ(run.exitCode(), c.Status) << err;
        EXPECT_NE(err.find(c.Says), std::string::npos) << err;
        size_t lines = 0;
        for (size_t at = err.find("Wave Device Message"); at != std::string::npos;
             at = err.find("Wave Device Message", at + 1))
            ++lines;
        EXPECT_EQ(lines, c.Status == 1 ? 1u : 0u) << err;
    }
}
