// The recorder through the window: a recording of the demo input played back draws what
// was drawn while recording, and a program killed while recording leaves a file that plays.
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QThread>

#include <csignal>

#include "tests/app/window/WindowTestSupport.h"

namespace {

struct Traces {
    std::vector<int32_t> Chan1, Chan2;
};

Traces TracesOf(const TEEGForm& f)
{
    return {std::vector<int32_t>(f.Proc().Chan1Trace, f.Proc().Chan1Trace + 512),
            std::vector<int32_t>(f.Proc().Chan2Trace, f.Proc().Chan2Trace + 512)};
}

}  // namespace

// Ten seconds of the live demo signal recorded with Save Wave and RECORD, then played in a
// fresh window with Open Wave and PLAY. Both windows start from the first-run state and the
// recording covers every block the first one processed, so the chain sees the same samples
// from the same start: each block's traces, and the panes at the end, must be identical.
TEST(WindowRecorder, PlayingARecordingOfTheDemoDrawsWhatWasDrawnWhileRecording)
{
    constexpr int Blocks = 108;   // 10.03 s of 4096-frame blocks
    QTemporaryDir dir;
    const std::string wave = QDir(dir.path()).filePath(QStringLiteral("demo-10s.wav")).toStdString();

    std::vector<Traces> recorded;
    QImage recordedTime, recordedSpectrum;
    {
        WindowRig rig;
        ASSERT_NO_FATAL_FAILURE(rig.Open("demo"));
        TEEGForm& f = *rig.Form;
        rig.Dialogs.AnswerFile(QString::fromStdString(wave));
        f.Action("SaveWave1")->trigger();
        f.Panel().RecordBtn->click();   // before the loop starts: its first block is recorded
        EXPECT_EQ(f.Rec().CaptionColor(RecordBtn), CaptionRed);
        rig.Run(Blocks, [&](long long n) {
            recorded.push_back(TracesOf(f));
            if (n == Blocks) f.Panel().StopWvBtn->click();   // finishes the file
        });
        recordedTime = f.Display().TimeImage.Image().copy();
        recordedSpectrum = f.Display().SpectrumImage.Image().copy();
        EXPECT_TRUE(rig.Dialogs.Messages().empty());
    }
    ASSERT_EQ(recorded.size(), size_t(Blocks));
    EXPECT_EQ(QFileInfo(QString::fromStdString(wave)).size(), 44 + Blocks * 8192);

    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));   // every block comes from the file
    TEEGForm& f = *rig.Form;
    rig.Dialogs.AnswerFile(QString::fromStdString(wave));
    f.Action("OpenWave1")->trigger();
    ASSERT_TRUE(f.Acq().InputFileSet) << (rig.Dialogs.Messages().empty() ? "" : rig.Dialogs.Messages().back().Text.toStdString());
    f.Panel().PlayBtn->click();
    std::vector<Traces> played;
    rig.Run(Blocks, [&](long long) { played.push_back(TracesOf(f)); });
    ASSERT_EQ(played.size(), size_t(Blocks));
    int differing = 0;
    for (int b = 0; b < Blocks; ++b)
        differing += played[b].Chan1 != recorded[b].Chan1 || played[b].Chan2 != recorded[b].Chan2;
    EXPECT_EQ(differing, 0);
    // The demo really moved the traces (a silent recording would compare equal too).
    EXPECT_GE(PeakToPeakRows(recorded.back().Chan1.data(), 25), 5);
    EXPECT_EQ(f.Display().TimeImage.Image(), recordedTime);
    EXPECT_EQ(f.Display().SpectrumImage.Image(), recordedSpectrum);
    EXPECT_EQ(f.Rec().CaptionColor(PlayBtn), CaptionRed);

    // The next block finds the file used up and stops.
    rig.Run(2);
    EXPECT_FALSE(f.Acq().Playing);
    EXPECT_EQ(f.Rec().CaptionColor(StopWvBtn), CaptionRed);
    EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

// SIGKILL leaves no chance to finish the file: its header must already describe the data,
// all but its last quarter second or so, because the recorder patches the sizes as it goes.
TEST(VelquorProgram, ARecordingKilledWithSigkillStillPlaysUpToItsLastSecond)
{
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("killed.wav"));
    QProcess live;
    QProcessEnvironment env = ProgramEnvironment(dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VELQUOR_TEST_RECORD"), wave);
    live.setProcessEnvironment(env);
    live.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), QStringLiteral("demo")});
    ASSERT_TRUE(live.waitForStarted(20000));
    // About three seconds of recording (a loaded machine may start slowly).
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(wave).size() < 44 + 3 * 88200 && waited.elapsed() < 60000) QThread::msleep(50);
    ::kill(static_cast<pid_t>(live.processId()), SIGKILL);
    ASSERT_TRUE(live.waitForFinished(20000));
    EXPECT_EQ(live.exitStatus(), QProcess::CrashExit);

    const int64_t onDisk = QFileInfo(wave).size() - 44;
    ASSERT_GE(onDisk, 3 * 88200);
    WaveReader reader;
    WaveMessage refusal;
    WaveFileFormat capture;   // mono 16-bit 44100 Hz: the first-run input
    ASSERT_TRUE(reader.Open(wave.toStdString(), capture, refusal)) << refusal.Text;
    EXPECT_LE(reader.DataBytes(), onDisk);
    // Patched every quarter second of sound: at most three blocks (0.28 s) behind the data.
    EXPECT_GE(reader.DataBytes(), onDisk - 3 * 8192) << "the header lags the data by more than three blocks";
    EXPECT_EQ(reader.DataBytes() % 8192, 0);   // whole blocks

    // And the window plays it to its end without a message.
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    rig.Dialogs.AnswerFile(wave);
    rig.Form->Action("OpenWave1")->trigger();
    rig.Form->Panel().PlayBtn->click();
    const long long blocks = reader.DataBytes() / 8192;
    rig.Run(blocks + 2);
    EXPECT_FALSE(rig.Form->Acq().Playing);
    EXPECT_TRUE(rig.Dialogs.Messages().empty());
}
