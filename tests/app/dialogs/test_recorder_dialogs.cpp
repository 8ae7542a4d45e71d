#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/Recorder.h"
#include "app/dialogs/RecorderDialogs.h"
#include "platform/dialogs/ScriptedDialogs.h"

namespace {

// The window's host as far as messages go: every message box through the dialog interface.
class DialogHost : public HeadlessHost {
public:
    explicit DialogHost(Dialogs& dialogs) : dialogs_(dialogs) {}
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        ShowHostMessage(dialogs_, text, caption);
    }

private:
    Dialogs& dialogs_;
};

struct RecorderRig {
    ScriptedDialogs dialogs;
    RecorderDialogs files{dialogs};
    DialogHost host{dialogs};
    std::unique_ptr<AcquisitionState> state = std::make_unique<AcquisitionState>();
    Recorder recorder{*state, host, files};
};

}  // namespace

TEST(RecorderDialogs, OpenAndSaveAskWithTheirFiltersAndDefaultExtension)
{
    QTemporaryDir dir;
    RecorderRig rig;
    rig.dialogs.AnswerFile(dir.filePath("take1"));
    rig.recorder.SaveWave1Click();
    ASSERT_EQ(rig.dialogs.Asked.size(), 1u);
    EXPECT_EQ(rig.dialogs.Asked[0].What, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(rig.dialogs.Asked[0].File.Filter, "Wave File|*.wav|All Files|*.*");
    EXPECT_EQ(rig.dialogs.Asked[0].File.DefaultExtension, "wav");
    EXPECT_TRUE(rig.state->OutputFileSet);
    rig.recorder.StopWvBtnClick();
    EXPECT_EQ(QFileInfo(dir.filePath("take1.wav")).size(), 44);

    rig.dialogs.AnswerFile(dir.filePath("take1.wav"));
    rig.recorder.OpenWave1Click();
    EXPECT_EQ(rig.dialogs.Asked[1].What, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(rig.dialogs.Asked[1].File.Filter, "Wave Files|*.wav|All Files|*.*");
    EXPECT_TRUE(rig.state->InputFileSet);
    EXPECT_TRUE(rig.dialogs.Messages().empty());
}

TEST(RecorderDialogs, RecorderMessagesBecomeMessageBoxes)
{
    QTemporaryDir dir;
    RecorderRig rig;
    rig.recorder.RecordBtnClick();
    rig.recorder.PlayBtnClick();
    QFile junk(dir.filePath("junk.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a wave file at all, just text");
    junk.close();
    rig.dialogs.AnswerFile(dir.filePath("junk.wav"));
    rig.recorder.OpenWave1Click();
    rig.dialogs.AnswerFile(dir.filePath("no-such-folder/x.wav"));
    rig.recorder.SaveWave1Click();

    const auto messages = rig.dialogs.Messages();
    ASSERT_EQ(messages.size(), 4u);
    // RECORD needs the output file, PLAY the input file.
    EXPECT_EQ(messages[0].Text, "No output file has been specified");
    EXPECT_EQ(messages[0].Caption, "Record Error");
    EXPECT_EQ(messages[1].Text, "No input file has been specified");
    EXPECT_EQ(messages[1].Caption, "Play Error");
    EXPECT_EQ(messages[2].Text, "Not a RIFF file");
    EXPECT_EQ(messages[2].Caption, "File Error Message");
    EXPECT_TRUE(messages[3].Text.startsWith(QStringLiteral("Could not open the Wave file ("))) << messages[3].Text.toStdString();
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_FALSE(rig.state->OutputFileSet);
}

TEST(RecorderDialogs, CancelledDialogsChangeNothing)
{
    RecorderRig rig;
    rig.recorder.OpenWave1Click();
    rig.recorder.SaveWave1Click();
    EXPECT_FALSE(rig.state->InputFileSet);
    EXPECT_FALSE(rig.state->OutputFileSet);
    EXPECT_TRUE(rig.dialogs.Messages().empty());
    EXPECT_EQ(rig.dialogs.Asked.size(), 2u);
}
