// A small ini file reader and writer for the gauges that persist values.
//
// The file is read once at construction. A missing, unreadable or malformed
// file reads as defaults; it never throws. Section and key names compare
// case-insensitively but keep their spelling; comments, blank lines and lines
// we do not understand are kept and written back in place. Writes change the
// in-memory copy and, with AutoSave on (the default), save the file at once,
// as the desktop ini functions do; a failed save is reported by the return
// value and leaves the old file intact.
#pragma once

#include "platform/canvas/PlatformExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class VELQUOR_PLATFORM_EXPORT TIniFile {
public:
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    // False when the file existed but could not be read (or was too large);
    // it then reads as empty and ErrorString() says why.
    bool ReadOk() const { return FReadOk; }
    const QString& ErrorString() const { return FError; }

    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool on) { FAutoSave = on; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal with "$" or "0x"; anything else gives def.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // An integer value: non-zero is true; "true"/"false" also accepted.
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    // A number with "." as decimal separator; anything else gives def.
    double ReadFloat(const QString& section, const QString& key, double def) const;

    // Each returns false when the value cannot be stored (section or key empty
    // or holding "]", "=" or a line break, value holding a line break) or when
    // the automatic save fails.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);
    bool WriteFloat(const QString& section, const QString& key, double value);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const;   // key names
    bool DeleteKey(const QString& section, const QString& key);
    bool EraseSection(const QString& section);

    // Writes the file (atomically: a temporary file renamed over the old one).
    bool UpdateFile();

private:
    struct Line {
        QByteArray Raw;        // the line as read (without the line break)
        enum Kind { Other, Section, Entry } Type = Other;
        QString Name;          // section name or key, as spelled
        QString Value;         // entry value, trimmed
    };
    int FindSection(const QString& section) const;
    int SectionEnd(int sectionLine) const;
    int FindKey(const QString& section, const QString& key) const;
    bool Store();
    void Parse(const QByteArray& data);

    QString FFileName;
    bool FReadOk = true;
    bool FAutoSave = true;
    QString FError;
    QByteArray FEol = "\n";   // line break of the file read, kept on save
    std::vector<Line> FLines;
};
