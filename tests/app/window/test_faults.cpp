// The window under faults a careless system produces: a FIFO where the settings file should
// be, a modal dialog left open during a recording, and an input file the capture format
// cannot take.
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTimer>

#include <edflib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "acquisition/ScriptedBackend.h"
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

// Ten seconds in the About box while WAVE and EDF+ record: capture goes on behind the dialog
// (a card's clock: the scripted device run live), the blocks queue, and the loop takes them
// in order afterwards. The WAVE file equals the input sample for sample, the EDF+ file marks
// no gap, and the time-out that fired inside the dialog counts for nothing.
TEST(WindowHeld, ATenSecondDialogDuringARecordingLosesNoSample)
{
    WindowRig rig;
    auto input = std::make_unique<ScriptedBackend>();
    input->RunLive(1.0);
    ScriptedBackend& device = *input;
    ASSERT_NO_FATAL_FAILURE(rig.Open(std::move(input)));
    TEEGForm& f = *rig.Form;
    const std::string wave = rig.Path("held.wav");
    const std::string edf = rig.Path("held.edf");
    rig.Dialogs.AnswerFile(QString::fromStdString(wave));
    f.Action("SaveWave1")->trigger();
    rig.Dialogs.AnswerFile(QString::fromStdString(edf));
    f.RecordEdf1Click();
    f.Panel().RecordBtn->click();
    bool held = false;
    rig.Dialogs.OnAsk = [&](const ScriptedDialogs::Question& q) {
        if (q.Caption != QStringLiteral("About Velquor")) return;
        // A modal dialog's own event loop: the window's timers keep running in it.
        QEventLoop dialog;
        QTimer::singleShot(10000, &dialog, &QEventLoop::quit);
        dialog.exec();
        held = true;
    };
    constexpr int Blocks = 10 + 108 + 10;
    rig.Run(Blocks, [&](long long n) {
        if (n == 10) QTimer::singleShot(0, &f, [&f] { f.Action("About1")->trigger(); });
    });
    f.Panel().StopWvBtn->click();
    f.RecordEdf1Click();
    ASSERT_TRUE(held);
    EXPECT_EQ(f.Acq().TimeOutCount, 0);
    EXPECT_GE(device.FramesDelivered(), uint64_t(Blocks - 1) * 4096);

    QFile recorded(QString::fromStdString(wave));
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QByteArray bytes = recorded.readAll();
    const std::vector<uint8_t> file(bytes.begin(), bytes.end());
    ASSERT_GT(file.size(), 44u);
    const size_t frames = (file.size() - 44) / 2;
    EXPECT_GE(frames, size_t(Blocks - 1) * 4096);
    size_t holes = 0, first = 0;
    for (size_t i = 1; i < frames; ++i) {
        const uint16_t a = uint16_t(file[44 + 2 * (i - 1)] | file[45 + 2 * (i - 1)] << 8);
        const uint16_t b = uint16_t(file[44 + 2 * i] | file[45 + 2 * i] << 8);
        if (uint16_t(b - a) != 1 && holes++ == 0) first = i;
    }
    EXPECT_EQ(holes, 0u) << "first hole at frame " << first;

    edf_hdr_struct header{};
    const int handle = edfopen_file_readonly(edf.c_str(), &header, EDFLIB_READ_ALL_ANNOTATIONS);
    ASSERT_GE(handle, 0);
    for (long long i = 0; i < header.annotations_in_file; ++i) {
        edf_annotation_struct a{};
        edf_get_annotation(handle, static_cast<int>(i), &a);
        EXPECT_NE(std::strncmp(a.annotation, "Gap", 3), 0) << a.annotation;
    }
    edfclose_file(handle);
    // The About box, then the EDF+ summary; nothing about the device or the recording.
    ASSERT_EQ(rig.Dialogs.Messages().size(), 2u);
    EXPECT_EQ(rig.Dialogs.Messages()[1].Caption, QStringLiteral("EDF+ Recording"));
}

// A dialog open longer than the capture queue holds (16 blocks here, 1.5 s of sound, against
// a dialog of three): the EDF+ recording marks the loss with its length, once, and the user is
// told once.
TEST(WindowHeld, AnOverflowingCaptureQueueIsMarkedInTheEdfRecording)
{
    WindowRig rig;
    auto input = std::make_unique<ScriptedBackend>();
    input->RunLive(2.0);
    input->SetBacklogLimit(16 * 8192);
    ASSERT_NO_FATAL_FAILURE(rig.Open(std::move(input)));
    TEEGForm& f = *rig.Form;
    const std::string edf = rig.Path("lost.edf");
    rig.Dialogs.AnswerFile(QString::fromStdString(edf));
    f.RecordEdf1Click();
    rig.Dialogs.OnAsk = [&](const ScriptedDialogs::Question& q) {
        if (q.Caption != QStringLiteral("About Velquor")) return;
        QEventLoop dialog;
        QTimer::singleShot(1500, &dialog, &QEventLoop::quit);
        dialog.exec();
    };
    rig.Run(40, [&](long long n) {
        if (n == 10) QTimer::singleShot(0, &f, [&f] { f.Action("About1")->trigger(); });
    });
    f.RecordEdf1Click();

    edf_hdr_struct header{};
    const int handle = edfopen_file_readonly(edf.c_str(), &header, EDFLIB_READ_ALL_ANNOTATIONS);
    ASSERT_GE(handle, 0);
    std::vector<std::string> gaps;
    for (long long i = 0; i < header.annotations_in_file; ++i) {
        edf_annotation_struct a{};
        edf_get_annotation(handle, static_cast<int>(i), &a);
        if (std::strncmp(a.annotation, "Gap", 3) == 0) gaps.emplace_back(a.annotation);
    }
    edfclose_file(handle);
    ASSERT_EQ(gaps.size(), 1u);
    double seconds = 0;
    ASSERT_EQ(std::sscanf(gaps[0].c_str(), "Gap: %lf s of input lost (capture queue full)", &seconds), 1) << gaps[0];
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 3.0);
    const auto messages = rig.Dialogs.Messages();
    ASSERT_EQ(messages.size(), 3u);   // About, the loss, the EDF+ summary
    EXPECT_EQ(messages[1].Caption, QStringLiteral("Record Error"));
    EXPECT_TRUE(messages[1].Text.endsWith(QStringLiteral("s of input were lost. The EDF+ file marks the gap.")))
        << messages[1].Text.toStdString();
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
