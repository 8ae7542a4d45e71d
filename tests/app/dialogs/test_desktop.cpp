#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

#include "app/dialogs/DesktopCommands.h"
#include "platform/dialogs/ScriptedDialogs.h"

namespace {

ProgramFinder Having(std::set<QString> programs)
{
    return [programs](const QString& p) { return programs.count(p) > 0; };
}

}  // namespace

TEST(VolumeControl, TakesTheFirstMixerThatExists)
{
    using C = ProgramCommand;
    EXPECT_EQ(ChooseVolumeControl(Having({"pavucontrol", "kmix", "alsamixer", "xterm"})), (C{"pavucontrol", {}}));
    EXPECT_EQ(ChooseVolumeControl(Having({"gnome-control-center", "kmix"})), (C{"gnome-control-center", {"sound"}}));
    EXPECT_EQ(ChooseVolumeControl(Having({"kmix", "alsamixer", "xterm"})), (C{"kmix", {}}));
    EXPECT_EQ(ChooseVolumeControl(Having({"alsamixer", "xterm", "konsole"})), (C{"konsole", {"-e", "alsamixer"}}));
    EXPECT_EQ(ChooseVolumeControl(Having({"alsamixer", "gnome-terminal"})), (C{"gnome-terminal", {"--", "alsamixer"}}));
    EXPECT_EQ(ChooseVolumeControl(Having({"alsamixer"})), std::nullopt);   // no terminal to run it in
    EXPECT_EQ(ChooseVolumeControl(Having({"xterm"})), std::nullopt);
    EXPECT_EQ(ChooseVolumeControl(Having({})), std::nullopt);
}

TEST(VolumeControl, NoMixerOrAFailedStartShowsTheMessage)
{
    ScriptedDialogs dialogs;
    std::vector<ProgramCommand> started;
    auto starter = [&](const ProgramCommand& c) { started.push_back(c); return true; };
    EXPECT_TRUE(StartVolumeControl(dialogs, Having({"kmix"}), starter));
    EXPECT_TRUE(dialogs.Asked.empty());
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].Program, "kmix");

    EXPECT_FALSE(StartVolumeControl(dialogs, Having({}), starter));
    EXPECT_FALSE(StartVolumeControl(dialogs, Having({"pavucontrol"}), [](const ProgramCommand&) { return false; }));
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    EXPECT_EQ(dialogs.Messages()[0].Text, "Could not run the Volume Control");
    EXPECT_EQ(dialogs.Messages()[1].Text, "Could not run the Volume Control");
    EXPECT_EQ(started.size(), 1u);
}

TEST(VolumeControl, WindowsProgramTable)
{
    EXPECT_EQ(WindowsVolumeControlProgram(0, 3, 1), "C:\\WINDOWS\\SNDVOL32.EXE");
    EXPECT_EQ(WindowsVolumeControlProgram(1, 4, 2), "C:\\WINDOWS\\SNDVOL32.EXE");
    EXPECT_EQ(WindowsVolumeControlProgram(2, 5, 1), "C:\\WINDOWS\\SYSTEM32\\SNDVOL32.EXE");
    EXPECT_EQ(WindowsVolumeControlProgram(2, 5, 2), "C:\\WINNT\\SYSTEM32\\SNDVOL32.EXE");
    EXPECT_EQ(WindowsVolumeControlProgram(2, 3, 2), "C:\\WINNT\\SYSTEM32\\SNDVOL32.EXE");
    EXPECT_EQ(WindowsVolumeControlProgram(2, 2, 1), "");
    EXPECT_EQ(WindowsVolumeControlProgram(3, 10, 1), "C:\\WINNT\\SYSTEM32\\SNDVOL32.EXE");
}

TEST(Help, OpensTheHelpPageAsAFileUrl)
{
    ScriptedDialogs dialogs;
    const QString help = FindHelpFile(QStringLiteral("/nonexistent"));
    ASSERT_FALSE(help.isEmpty()) << "the source tree's help page is found";
    EXPECT_TRUE(help.endsWith("docs/help/index.html"));
    QUrl opened;
    EXPECT_TRUE(OpenHelp(dialogs, help, [&](const QUrl& url) { opened = url; return true; }));
    EXPECT_TRUE(dialogs.Asked.empty());
    EXPECT_TRUE(opened.isLocalFile());
    EXPECT_EQ(opened.toLocalFile(), help);
}

TEST(Help, InstalledPagesComeFirst)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath("share/velquor/help"));
    QFile page(prefix.filePath("share/velquor/help/index.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
    page.close();
    EXPECT_EQ(FindHelpFile(prefix.filePath("bin")), QFileInfo(page).canonicalFilePath());
}

// Without a browser the message names the page, so the user can open it by hand; without
// the page it says where the page belongs.
TEST(Help, MissingPageOrFailedBrowserShowsTheMessage)
{
    ScriptedDialogs dialogs;
    int opens = 0;
    auto opener = [&](const QUrl&) { ++opens; return false; };
    EXPECT_FALSE(OpenHelp(dialogs, QStringLiteral("/nonexistent/index.html"), opener));
    EXPECT_EQ(opens, 0);
    const QString page = FindHelpFile(QString());
    EXPECT_FALSE(OpenHelp(dialogs, page, opener));
    EXPECT_EQ(opens, 1);
    ASSERT_EQ(dialogs.Messages().size(), 2u);
    for (const auto& m : dialogs.Messages()) {
        EXPECT_TRUE(m.Text.startsWith("Could not run the help application")) << m.Text.toStdString();
        EXPECT_EQ(m.Caption, "Velquor");
    }
    const QString expected =
        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath("../share/velquor/help/index.html"));
    EXPECT_TRUE(dialogs.Messages()[0].Text.contains(expected)) << dialogs.Messages()[0].Text.toStdString();
    EXPECT_TRUE(dialogs.Messages()[1].Text.contains("No web browser")) << dialogs.Messages()[1].Text.toStdString();
    EXPECT_TRUE(dialogs.Messages()[1].Text.contains(page)) << dialogs.Messages()[1].Text.toStdString();
}

TEST(Help, PageDescribesEveryMenuCommandAndControl)
{
    QFile page(FindHelpFile(QString()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    for (const char* item :
         {"Open Wave", "Save Wave", "Save Form", "Save Bitmap", "Copy Form", "Copy Bitmap", "Volume Control",
          "Print Form", "Exit", "Microphone", "Line", "WinXP", "Win2K", "Channel Setup", "Spectrum", "Phase",
          "Waterfall", "BackGround Color", "Channel 1 Color", "Channel 2 Color", "Waterfall Color",
          "Gridlines", "Help Menu", "About", "Gain x10", "Position", "Timeline", "Freq Scale", "Time",
          "Hold", "Mkrs", "Exp", "Enable", "RECORD", "PLAY", "STOP", "PAUSE", "Overload", "60 Hz", "Ch1",
          "Ch2"})
        EXPECT_TRUE(html.contains(QString::fromLatin1(item))) << item;
}
