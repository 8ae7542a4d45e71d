#include "platform/dialogs/Dialogs.h"

#include <QFileInfo>

std::optional<QString> Dialogs::OpenFile(const FileDialogRequest& request)
{
    std::optional<QString> path = AskOpenFile(request);
    if (!path || path->isEmpty())
        return std::nullopt;
    // An existing file without an extension is the file the user picked.
    if (QFileInfo(*path).isFile())
        return path;
    return WithDefaultExtension(*path, request.DefaultExtension);
}

std::optional<QString> Dialogs::SaveFile(const FileDialogRequest& request)
{
    std::optional<QString> path = AskSaveFile(request);
    if (!path || path->isEmpty())
        return std::nullopt;
    return WithDefaultExtension(*path, request.DefaultExtension);
}

QString QtFileFilter(const QString& pairs)
{
    if (pairs.isEmpty())
        return {};
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QStringLiteral("*");
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        if (patterns.isEmpty())
            patterns = QStringLiteral("*");
        entries << QStringLiteral("%1 (%2)").arg(description.isEmpty() ? patterns : description, patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

QStringList FirstFilterPatterns(const QString& pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return {};
    return parts[1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString WithDefaultExtension(const QString& path, const QString& extension)
{
    if (extension.isEmpty() || path.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}
