#include "app/dialogs/DesktopCommands.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "platform/dialogs/Dialogs.h"

QString FindHelpFile(const QString& applicationDir)
{
    const QDir dir(applicationDir);
    const QStringList candidates = {
        dir.filePath(QString::fromLatin1(InstalledHelpPath)),
        dir.filePath(QStringLiteral("help/index.html")),
#ifdef VELQUOR_HELP_SOURCE_DIR
        QStringLiteral(VELQUOR_HELP_SOURCE_DIR "/index.html"),
#endif
    };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    return {};
}

UrlOpener DesktopUrlOpener()
{
    return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool OpenHelp(Dialogs& dialogs, const QString& helpFile, const UrlOpener& open)
{
    const bool found = !helpFile.isEmpty() && QFileInfo(helpFile).isFile();
    const bool started = found && open && open(QUrl::fromLocalFile(helpFile));
    if (started)
        return true;
    // The user can still read the help: say which file to open, or where it should be.
    QString text = QString::fromLatin1(HelpFailedMessage);
    if (found)
        text += QStringLiteral(".\n\nNo web browser could be started. Open this page in one:\n%1")
                    .arg(QDir::toNativeSeparators(helpFile));
    else
        text += QStringLiteral(".\n\nThe help page is missing: it belongs in\n%1")
                    .arg(QDir::toNativeSeparators(
                        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(
                            QString::fromLatin1(InstalledHelpPath)))));
    dialogs.ShowMessage(text, QString::fromLatin1(ProgramCaption));
    return false;
}

ProgramFinder PathProgramFinder()
{
    return [](const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); };
}

ProgramStarter DetachedStarter()
{
    return [](const ProgramCommand& c) { return QProcess::startDetached(c.Program, c.Arguments); };
}

std::optional<ProgramCommand> ChooseVolumeControl(const ProgramFinder& exists)
{
    if (!exists)
        return std::nullopt;
    if (exists(QStringLiteral("pavucontrol")))
        return ProgramCommand{QStringLiteral("pavucontrol"), {}};
    if (exists(QStringLiteral("gnome-control-center")))
        return ProgramCommand{QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}};
    if (exists(QStringLiteral("kmix")))
        return ProgramCommand{QStringLiteral("kmix"), {}};
    if (!exists(QStringLiteral("alsamixer")))
        return std::nullopt;
    // alsamixer is a terminal program: it needs a terminal window to run in.
    const struct {
        const char* program;
        QStringList arguments;
    } terminals[] = {
        {"x-terminal-emulator", {QStringLiteral("-e"), QStringLiteral("alsamixer")}},
        {"gnome-terminal", {QStringLiteral("--"), QStringLiteral("alsamixer")}},
        {"konsole", {QStringLiteral("-e"), QStringLiteral("alsamixer")}},
        {"xfce4-terminal", {QStringLiteral("-e"), QStringLiteral("alsamixer")}},
        {"xterm", {QStringLiteral("-e"), QStringLiteral("alsamixer")}},
    };
    for (const auto& t : terminals)
        if (exists(QString::fromLatin1(t.program)))
            return ProgramCommand{QString::fromLatin1(t.program), t.arguments};
    return std::nullopt;
}

bool StartVolumeControl(Dialogs& dialogs, const ProgramFinder& exists, const ProgramStarter& start)
{
    const std::optional<ProgramCommand> command = ChooseVolumeControl(exists);
    const bool started = command && start && start(*command);
    if (!started)
        dialogs.ShowMessage(QString::fromLatin1(VolumeFailedMessage), QString::fromLatin1(ProgramCaption));
    return started;
}

QString WindowsVolumeControlProgram(int platformId, int majorVersion, int windowsOsOption)
{
    switch (platformId) {
    case 0:   // Win32s
    case 1:   // Windows 9x
        return QStringLiteral("C:\\WINDOWS\\SNDVOL32.EXE");
    case 2:   // NT
        if (majorVersion < 3)
            return {};
        if (windowsOsOption == 1)
            return QStringLiteral("C:\\WINDOWS\\SYSTEM32\\SNDVOL32.EXE");
        if (windowsOsOption == 2)
            return QStringLiteral("C:\\WINNT\\SYSTEM32\\SNDVOL32.EXE");
        return {};
    default:
        return QStringLiteral("C:\\WINNT\\SYSTEM32\\SNDVOL32.EXE");
    }
}
