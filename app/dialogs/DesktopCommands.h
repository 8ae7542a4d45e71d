#pragma once
// Help > Help Menu and File > Volume Control: programs of the desktop that the main
// window starts. Finding and starting are passed in, so tests need no desktop.

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>
#include <QUrl>

class Dialogs;

inline const char* const HelpFailedMessage = "Could not run the help application";
inline const char* const VolumeFailedMessage = "Could not run the Volume Control";
// Caption of the program's simple messages.
inline const char* const ProgramCaption = "Velquor";

// ---- Help ---------------------------------------------------------------------------

// The help pages' start page: next to an installed program (share/velquor/help), else the
// source tree's docs/help. Empty when none exists.
QString FindHelpFile(const QString& applicationDir);

using UrlOpener = std::function<bool(const QUrl&)>;
// QDesktopServices::openUrl: the desktop's default browser.
UrlOpener DesktopUrlOpener();

// Where FindHelpFile looks first, relative to the program's folder (the installed layout).
inline const char* const InstalledHelpPath = "../share/velquor/help/index.html";

// HelpMenu1Click: opens the help file; a missing file or a failed start shows
// "Could not run the help application", followed by the file to open in a browser (when
// no browser could be started) or by where the help was looked for (when it is missing).
// True when the browser was started.
bool OpenHelp(Dialogs& dialogs, const QString& helpFile, const UrlOpener& open = DesktopUrlOpener());

// ---- Volume control -----------------------------------------------------------------

struct ProgramCommand {
    QString Program;
    QStringList Arguments;
    bool operator==(const ProgramCommand&) const = default;
};

using ProgramFinder = std::function<bool(const QString& program)>;
using ProgramStarter = std::function<bool(const ProgramCommand& command)>;

// Executables on PATH (QStandardPaths::findExecutable).
ProgramFinder PathProgramFinder();
// QProcess::startDetached.
ProgramStarter DetachedStarter();

// The desktop's mixer: the first of pavucontrol, "gnome-control-center sound", kmix, and
// alsamixer inside the first terminal program that exists. Nothing when none exists.
std::optional<ProgramCommand> ChooseVolumeControl(const ProgramFinder& exists);

// Vomume1Click: starts the mixer; when none exists or it cannot start, shows
// "Could not run the Volume Control". True when started.
bool StartVolumeControl(Dialogs& dialogs, const ProgramFinder& exists = PathProgramFinder(),
                        const ProgramStarter& start = DetachedStarter());

// The original Windows choice, kept for reference: the volume-control program for an
// operating-system platform id (0 Win32s, 1 Windows 9x, 2 NT), its major version and the
// Windows OS option (1 WinXP, 2 Win2K). Empty where the start fails.
QString WindowsVolumeControlProgram(int platformId, int majorVersion, int windowsOsOption);
