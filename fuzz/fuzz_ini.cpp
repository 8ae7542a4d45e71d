// The ini reader on arbitrary bytes: reading, then writing a value and reading the file
// back, keeps the value and every section the first read found.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "platform/ini/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzScratchFile input(".ini", data, size);
    if (!input.Ok()) return 0;
    const std::string& path = input.Path();
    const QString name = QString::fromStdString(path);

    TIniFile ini(name);
    const QStringList sections = ini.ReadSections();
    for (const QString& section : sections) {
        for (const QString& key : ini.ReadSection(section)) {
            (void)ini.ReadString(section, key, QString());
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadFloat(section, key, 0.0);
            (void)ini.ReadBool(section, key, false);
        }
    }
    if (!ini.ReadOk()) return 0;
    if (!ini.WriteInteger(QStringLiteral("Fuzz"), QStringLiteral("Value"), 1234)) return 0;

    TIniFile again(name);
    if (again.ReadInteger(QStringLiteral("Fuzz"), QStringLiteral("Value"), 0) != 1234) std::abort();
    for (const QString& section : sections)
        if (!again.SectionExists(section)) std::abort();
    return 0;
}
