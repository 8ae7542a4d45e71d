#include "app/dialogs/RecorderDialogs.h"

#include <QFile>

#include "platform/dialogs/Dialogs.h"

namespace {

bool Ask(Dialogs& dialogs, bool save, std::string& name)
{
    FileDialogRequest request;
    request.Title = save ? QStringLiteral("Save Wave") : QStringLiteral("Open Wave");
    request.Filter = QString::fromLatin1(save ? RecorderDialogs::SaveFilter : RecorderDialogs::OpenFilter);
    request.DefaultExtension = QString::fromLatin1(RecorderDialogs::DefaultExtension);
    const std::optional<QString> path = save ? dialogs.SaveFile(request) : dialogs.OpenFile(request);
    if (!path)
        return false;
    // The recorder opens files with the C runtime: hand it the name in the file system's encoding.
    name = QFile::encodeName(*path).toStdString();
    return true;
}

}  // namespace

bool RecorderDialogs::OpenWave(std::string& name)
{
    return Ask(dialogs_, false, name);
}

bool RecorderDialogs::SaveWave(std::string& name)
{
    return Ask(dialogs_, true, name);
}

void ShowHostMessage(Dialogs& dialogs, const std::string& text, const std::string& caption)
{
    dialogs.ShowMessage(QString::fromStdString(text), QString::fromStdString(caption));
}
