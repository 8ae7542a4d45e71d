#include "platform/ini/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cmath>
#include <cstdint>

namespace {

// Larger files are not ini files we wrote; reading them would only waste memory.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

QString Decode(const QByteArray& raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(raw);
    if (!utf8.hasError())
        return s;
    return QString::fromLatin1(raw);   // the desktop's ini files are 8-bit
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ValidName(const QString& s, bool section)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        return false;
    if (s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')) || s.contains(QChar(0)))
        return false;
    if (section)
        return !s.contains(QLatin1Char(']'));
    return !s.contains(QLatin1Char('=')) && !t.startsWith(QLatin1Char('[')) && !t.startsWith(QLatin1Char(';'));
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName)
{
    QFile f(fileName);
    if (!f.exists())
        return;
    if (QFileInfo(f).size() > kMaxFileSize) {
        FReadOk = false;
        FError = QStringLiteral("The file is too large to be an ini file: ") + fileName;
        return;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        FReadOk = false;
        FError = QStringLiteral("Cannot read ") + fileName + QStringLiteral(": ") + f.errorString();
        return;
    }
    const QByteArray data = f.read(kMaxFileSize + 1);
    if (f.error() != QFileDevice::NoError || data.size() > kMaxFileSize) {
        FReadOk = false;
        FError = QStringLiteral("Cannot read ") + fileName + QStringLiteral(": ") + f.errorString();
        return;
    }
    Parse(data);
}

void TIniFile::Parse(const QByteArray& data)
{
    int start = 0;
    const int n = int(data.size());
    while (start < n) {
        int end = int(data.indexOf('\n', start));
        if (end < 0)
            end = n;
        QByteArray raw = data.mid(start, end - start);
        if (raw.endsWith('\r')) {
            raw.chop(1);
            FEol = "\r\n";
        }
        start = end + 1;

        Line line;
        line.Raw = raw;
        const QString text = Decode(raw).trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            const int close = int(text.indexOf(QLatin1Char(']')));
            if (close > 1) {
                line.Type = Line::Section;
                line.Name = text.mid(1, close - 1).trimmed();
            }
        } else if (!text.startsWith(QLatin1Char(';')) && !text.startsWith(QLatin1Char('#'))) {
            const int eq = int(text.indexOf(QLatin1Char('=')));
            if (eq > 0 && !text.left(eq).trimmed().isEmpty()) {
                line.Type = Line::Entry;
                line.Name = text.left(eq).trimmed();
                QString value = text.mid(eq + 1).trimmed();
                if (value.size() >= 2
                    && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                        || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
                    value = value.mid(1, value.size() - 2);
                line.Value = value;
            }
        }
        FLines.push_back(std::move(line));
    }
}

int TIniFile::FindSection(const QString& section) const
{
    const QString name = section.trimmed();
    for (size_t i = 0; i < FLines.size(); ++i)
        if (FLines[i].Type == Line::Section && SameName(FLines[i].Name, name))
            return int(i);
    return -1;
}

int TIniFile::SectionEnd(int sectionLine) const
{
    int i = sectionLine + 1;
    while (i < int(FLines.size()) && FLines[size_t(i)].Type != Line::Section)
        ++i;
    return i;
}

int TIniFile::FindKey(const QString& section, const QString& key) const
{
    const int s = FindSection(section);
    if (s < 0)
        return -1;
    const QString name = key.trimmed();
    const int end = SectionEnd(s);
    for (int i = s + 1; i < end; ++i)
        if (FLines[size_t(i)].Type == Line::Entry && SameName(FLines[size_t(i)].Name, name))
            return i;
    return -1;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const int i = FindKey(section, key);
    return i < 0 ? def : FLines[size_t(i)].Value;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const QString s = ReadString(section, key, QString()).trimmed();
    if (s.isEmpty())
        return def;
    bool ok = false;
    qlonglong v = 0;
    if (s.startsWith(QLatin1Char('$')))
        v = s.mid(1).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = s.mid(2).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("-$")))
        v = -s.mid(2).toLongLong(&ok, 16);
    else
        v = s.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        return def;
    return int(v);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    const QString s = ReadString(section, key, QString()).trimmed();
    if (SameName(s, QStringLiteral("true")))
        return true;
    if (SameName(s, QStringLiteral("false")))
        return false;
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString& section, const QString& key, double def) const
{
    const QString s = ReadString(section, key, QString()).trimmed();
    bool ok = false;
    const double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? v : def;
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!ValidName(section, true) || !ValidName(key, false) || value.contains(QLatin1Char('\n'))
        || value.contains(QLatin1Char('\r')) || value.contains(QChar(0)))
        return false;
    // Quotes keep outer blanks and quote characters through a read.
    const bool quote = value.trimmed() != value
                       || (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\'')))
                           && value.endsWith(value[0]));
    const QString v = quote ? QLatin1Char('"') + value + QLatin1Char('"') : value;
    int i = FindKey(section, key);
    if (i >= 0) {
        Line& line = FLines[size_t(i)];
        if (line.Value == value)
            return true;
        line.Value = value;
        line.Raw = (line.Name + QLatin1Char('=') + v).toUtf8();
        return FAutoSave ? Store() : true;
    }
    Line entry;
    entry.Type = Line::Entry;
    entry.Name = key.trimmed();
    entry.Value = value;
    entry.Raw = (entry.Name + QLatin1Char('=') + v).toUtf8();
    int s = FindSection(section);
    if (s < 0) {
        // A new section goes at the end, after a blank line.
        if (!FLines.empty() && !FLines.back().Raw.trimmed().isEmpty())
            FLines.push_back(Line{});
        Line head;
        head.Type = Line::Section;
        head.Name = section.trimmed();
        head.Raw = (QLatin1Char('[') + head.Name + QLatin1Char(']')).toUtf8();
        FLines.push_back(head);
        FLines.push_back(entry);
    } else {
        // After the last entry of the section, before trailing blank lines.
        int at = SectionEnd(s);
        while (at > s + 1 && FLines[size_t(at - 1)].Type == Line::Other
               && FLines[size_t(at - 1)].Raw.trimmed().isEmpty())
            --at;
        FLines.insert(FLines.begin() + at, entry);
    }
    return FAutoSave ? Store() : true;
}

bool TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::WriteFloat(const QString& section, const QString& key, double value)
{
    if (!std::isfinite(value))
        return false;
    return WriteString(section, key, QString::number(value, 'g', 17));
}

bool TIniFile::SectionExists(const QString& section) const
{
    return FindSection(section) >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FindKey(section, key) >= 0;
}

QStringList TIniFile::ReadSections() const
{
    QStringList out;
    for (const Line& l : FLines)
        if (l.Type == Line::Section) {
            bool seen = false;
            for (const QString& s : out)
                seen = seen || SameName(s, l.Name);
            if (!seen)
                out << l.Name;
        }
    return out;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList out;
    const int s = FindSection(section);
    if (s < 0)
        return out;
    const int end = SectionEnd(s);
    for (int i = s + 1; i < end; ++i)
        if (FLines[size_t(i)].Type == Line::Entry)
            out << FLines[size_t(i)].Name;
    return out;
}

bool TIniFile::DeleteKey(const QString& section, const QString& key)
{
    const int i = FindKey(section, key);
    if (i < 0)
        return true;
    FLines.erase(FLines.begin() + i);
    return FAutoSave ? Store() : true;
}

bool TIniFile::EraseSection(const QString& section)
{
    bool changed = false;
    for (int s = FindSection(section); s >= 0; s = FindSection(section)) {
        FLines.erase(FLines.begin() + s, FLines.begin() + SectionEnd(s));
        changed = true;
    }
    if (!changed)
        return true;
    return FAutoSave ? Store() : true;
}

bool TIniFile::UpdateFile()
{
    return Store();
}

bool TIniFile::Store()
{
    if (FFileName.isEmpty()) {
        FError = QStringLiteral("No ini file name");
        return false;
    }
    if (!FReadOk) {
        // Never overwrite a file we could not read: its content would be lost.
        return false;
    }
    QByteArray data;
    for (const Line& l : FLines) {
        data += l.Raw;
        data += FEol;
    }
    QSaveFile f(FFileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        FError = QStringLiteral("Cannot write ") + FFileName + QStringLiteral(": ") + f.errorString();
        return false;
    }
    return true;
}
