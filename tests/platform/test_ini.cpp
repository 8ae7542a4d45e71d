// The ini reader and writer: round trips, preserved content, bad files.
#include "platform/ini/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(IniFile, ValuesSurviveARoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("counter.ini");
    {
        TIniFile ini(path);
        EXPECT_TRUE(ini.ReadOk());
        EXPECT_TRUE(ini.WriteInteger("OvOpHourCounter1", "h", 12));
        EXPECT_TRUE(ini.WriteInteger("OvOpHourCounter1", "m", -7));
        EXPECT_TRUE(ini.WriteBool("Flags", "On", true));
        EXPECT_TRUE(ini.WriteFloat("Flags", "Gain", 0.1));
        EXPECT_TRUE(ini.WriteString("Flags", "Name", "  padded  "));
        EXPECT_TRUE(ini.WriteString("Flags", "Quoted", "\"q\""));
        EXPECT_TRUE(ini.WriteString("Flags", "Empty", ""));
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("OvOpHourCounter1", "h", 0), 12);
    EXPECT_EQ(ini.ReadInteger("ovophourcounter1", "M", 0), -7);   // names ignore case
    EXPECT_TRUE(ini.ReadBool("Flags", "On", false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Flags", "Gain", 0), 0.1);
    EXPECT_EQ(ini.ReadString("Flags", "Name", ""), QString("  padded  "));
    EXPECT_EQ(ini.ReadString("Flags", "Quoted", ""), QString("\"q\""));
    EXPECT_EQ(ini.ReadString("Flags", "Empty", "def"), QString(""));
    EXPECT_EQ(ini.ReadString("Flags", "Missing", "def"), QString("def"));
    EXPECT_EQ(ini.ReadSections(), QStringList({"OvOpHourCounter1", "Flags"}));
    EXPECT_EQ(ini.ReadSection("Flags").size(), 5);

    // Overwriting keeps one entry, under its first spelling.
    TIniFile again(path);
    EXPECT_TRUE(again.WriteInteger("OVOPHOURCOUNTER1", "H", 13));
    TIniFile check(path);
    EXPECT_EQ(check.ReadInteger("OvOpHourCounter1", "h", 0), 13);
    EXPECT_EQ(check.ReadSection("OvOpHourCounter1"), QStringList({"h", "m"}));
}

TEST(IniFile, CommentsAndUnknownLinesArePreserved)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("app.ini");
    WriteAll(path, "; written by hand\r\n[Main]\r\nKey = Value \r\nnot an entry\r\n\r\n[Other]\r\n# hash comment\r\nX=1\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Main", "Key", ""), QString("Value"));
    EXPECT_EQ(ini.ReadString("Main", "key", ""), QString("Value"));
    EXPECT_TRUE(ini.WriteString("Main", "New", "n"));
    EXPECT_TRUE(ini.WriteInteger("Other", "X", 2));
    const QByteArray saved = ReadAll(path);
    EXPECT_EQ(saved,
              QByteArray("; written by hand\r\n[Main]\r\nKey = Value \r\nnot an entry\r\nNew=n\r\n\r\n"
                         "[Other]\r\n# hash comment\r\nX=2\r\n"));

    // Batched writes reach the file only with UpdateFile.
    TIniFile batch(path);
    batch.SetAutoSave(false);
    EXPECT_TRUE(batch.WriteString("Third", "a", "b"));
    EXPECT_FALSE(TIniFile(path).SectionExists("Third"));
    EXPECT_TRUE(batch.UpdateFile());
    EXPECT_TRUE(TIniFile(path).SectionExists("third"));

    // Erase and delete.
    TIniFile e(path);
    EXPECT_TRUE(e.EraseSection("main"));
    EXPECT_TRUE(e.DeleteKey("Other", "X"));
    TIniFile after(path);
    EXPECT_FALSE(after.SectionExists("Main"));
    EXPECT_FALSE(after.ValueExists("Other", "X"));
    EXPECT_TRUE(after.SectionExists("Other"));
    EXPECT_TRUE(ReadAll(path).startsWith("; written by hand\r\n[Other]"));
}

TEST(IniFile, BadFilesReadAsDefaults)
{
    QTemporaryDir dir;
    // Missing file.
    TIniFile missing(dir.filePath("nope.ini"));
    EXPECT_TRUE(missing.ReadOk());
    EXPECT_EQ(missing.ReadInteger("S", "h", 42), 42);

    // Binary garbage, NUL bytes, an unterminated section, lines without "=".
    const QString junk = dir.filePath("junk.ini");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919) & 0xFF);
    garbage += "\n[Broken\n=novalue\n[S]\nh=12abc\nm=$1F\ns=0x10\nbig=99999999999\nneg=-3\nf=1.5e\n";
    WriteAll(junk, garbage);
    TIniFile bad(junk);
    EXPECT_TRUE(bad.ReadOk());
    EXPECT_EQ(bad.ReadInteger("S", "h", 7), 7);      // not a number
    EXPECT_EQ(bad.ReadInteger("S", "m", 7), 31);     // hexadecimal
    EXPECT_EQ(bad.ReadInteger("S", "s", 7), 16);
    EXPECT_EQ(bad.ReadInteger("S", "big", 7), 7);    // out of range
    EXPECT_EQ(bad.ReadInteger("S", "neg", 7), -3);
    EXPECT_DOUBLE_EQ(bad.ReadFloat("S", "f", 2.5), 2.5);
    EXPECT_FALSE(bad.ReadBool("Broken", "", false));
    // Writing to it keeps the garbage bytes as they were.
    EXPECT_TRUE(bad.WriteInteger("S", "h", 1));
    EXPECT_TRUE(ReadAll(junk).startsWith(garbage.left(4096)));

    // A directory in place of the file: nothing read, writes refused.
    const QString asDir = dir.filePath("dir.ini");
    ASSERT_TRUE(QDir().mkdir(asDir));
    TIniFile d(asDir);
    EXPECT_EQ(d.ReadInteger("S", "h", 5), 5);
    EXPECT_FALSE(d.WriteInteger("S", "h", 1));
    EXPECT_FALSE(d.ErrorString().isEmpty());

    // An oversized file is not read and never overwritten.
    const QString huge = dir.filePath("huge.ini");
    WriteAll(huge, QByteArray(5 * 1024 * 1024, 'x'));
    TIniFile h(huge);
    EXPECT_FALSE(h.ReadOk());
    EXPECT_FALSE(h.WriteInteger("S", "h", 1));
    EXPECT_EQ(ReadAll(huge).size(), 5 * 1024 * 1024);
}

TEST(IniFile, WriteFailuresAreReported)
{
    QTemporaryDir dir;
    // Directory does not exist.
    TIniFile ini(dir.filePath("no/such/dir/x.ini"));
    EXPECT_FALSE(ini.WriteInteger("S", "h", 1));
    EXPECT_FALSE(ini.ErrorString().isEmpty());
    // Names and values that cannot be stored.
    TIniFile ok(dir.filePath("ok.ini"));
    EXPECT_FALSE(ok.WriteString("", "k", "v"));
    EXPECT_FALSE(ok.WriteString("S]", "k", "v"));
    EXPECT_FALSE(ok.WriteString("S", "k=1", "v"));
    EXPECT_FALSE(ok.WriteString("S", "", "v"));
    EXPECT_FALSE(ok.WriteString("S", "k", "two\nlines"));
    EXPECT_FALSE(QFile::exists(dir.filePath("ok.ini")));
    // No file name at all.
    TIniFile none("");
    EXPECT_FALSE(none.WriteString("S", "k", "v"));
    EXPECT_FALSE(none.UpdateFile());
}
