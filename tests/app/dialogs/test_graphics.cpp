#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/dialogs/GraphicsCommands.h"
#include "platform/dialogs/ScriptedDialogs.h"

namespace {

QImage TestPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x + y) & 0xFF));
    return image;
}

uint32_t Le(const QByteArray& b, int offset, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | uint8_t(b[offset + i]);
    return v;
}

// Records the order of what a command does.
struct Rig {
    ScriptedDialogs dialogs;
    std::vector<std::string> events;
    QImage window = TestPicture(1002, 667);
    QImage pane = TestPicture(730, 371);
    GraphicsCommands commands{dialogs, GraphicsHooks{
        [this] { events.push_back("window image"); return window; },
        [this] { events.push_back("pane image"); return pane; },
        [this] { events.push_back("stop"); },
        [this] { events.push_back("start"); }}};
    Rig()
    {
        dialogs.OnAsk = [this](const ScriptedDialogs::Question& q) {
            events.push_back(q.What == ScriptedDialogs::Kind::Message ? "message" : "dialog");
        };
    }
};

using Events = std::vector<std::string>;

}  // namespace

TEST(SaveForm, TakesThePictureBeforeStoppingAndWritesA24BitBmpOfItsSize)
{
    QTemporaryDir dir;
    Rig rig;
    rig.dialogs.AnswerFile(dir.filePath("shot"));   // typed without an extension
    EXPECT_TRUE(rig.commands.SaveForm1Click());
    EXPECT_EQ(rig.events, (Events{"window image", "stop", "dialog", "start"}));
    const ScriptedDialogs::Question& q = rig.dialogs.Asked.front();
    EXPECT_EQ(q.File.InitialName, "EEGForm");
    EXPECT_EQ(q.File.Filter, "Windows BMP Bitmap|*.bmp");
    EXPECT_EQ(q.File.DefaultExtension, "bmp");

    QFile file(dir.filePath("shot.bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bmp = file.readAll();
    ASSERT_GT(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(Le(bmp, 18, 4), 1002u);    // width
    EXPECT_EQ(Le(bmp, 22, 4), 667u);     // height
    EXPECT_EQ(Le(bmp, 28, 2), 24u);      // bits per pixel
    const QImage back(dir.filePath("shot.bmp"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), rig.window);

    // The next save proposes the name chosen last.
    rig.dialogs.CancelFile();
    EXPECT_FALSE(rig.commands.SaveBitmap1Click());
    EXPECT_EQ(rig.dialogs.Asked.back().File.InitialName, dir.filePath("shot.bmp"));
}

TEST(SaveBitmap, StopsFirstThenSavesThePaneAsShown)
{
    QTemporaryDir dir;
    Rig rig;
    rig.dialogs.AnswerFile(dir.filePath("pane.bmp"));
    EXPECT_TRUE(rig.commands.SaveBitmap1Click());
    EXPECT_EQ(rig.events, (Events{"stop", "pane image", "dialog", "start"}));
    const QImage back(dir.filePath("pane.bmp"));
    EXPECT_EQ(back.size(), QSize(730, 371));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), rig.pane);
}

TEST(SaveForm, CancelResumesAndAFailedWriteLeavesTheRestartToTheStartTimer)
{
    QTemporaryDir dir;
    Rig rig;
    rig.dialogs.CancelFile();
    EXPECT_FALSE(rig.commands.SaveForm1Click());
    EXPECT_EQ(rig.events, (Events{"window image", "stop", "dialog", "start"}));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A file that cannot be written: a message, and no restart from the command.
    rig.events.clear();
    rig.dialogs.AnswerFile(dir.filePath("missing-folder/shot.bmp"));
    EXPECT_FALSE(rig.commands.SaveForm1Click());
    EXPECT_EQ(rig.events, (Events{"window image", "stop", "dialog", "message"}));
    EXPECT_TRUE(rig.dialogs.Messages().front().Text.startsWith("Cannot create file"));
}

TEST(CopyCommands, PutThePicturesOnTheClipboard)
{
    Rig rig;
    EXPECT_TRUE(rig.commands.CopyBitmap1Click());
    EXPECT_EQ(rig.events, (Events{"stop", "pane image", "start"}));
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), rig.pane);
    rig.events.clear();
    EXPECT_TRUE(rig.commands.CopyForm1Click());
    EXPECT_EQ(rig.events, (Events{"window image", "stop", "start"}));
    EXPECT_EQ(QApplication::clipboard()->image().size(), rig.window.size());
}

TEST(PrintForm, PrintsTheWindowOnOnePageOfAPdf)
{
    QTemporaryDir dir;
    Rig rig;
    const QString pdf = dir.filePath("form.pdf");
    rig.dialogs.AnswerPrinter(pdf);
    EXPECT_TRUE(rig.commands.PrintForm1Click());
    EXPECT_EQ(rig.events, (Events{"stop", "dialog", "window image", "start"}));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const int pages = int(bytes.count("/Type /Page")) - int(bytes.count("/Type /Pages"));
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(bytes.count("/Subtype /Image"), 1);

    // Cancelled setup: nothing printed, acquisition resumes.
    rig.events.clear();
    rig.dialogs.CancelPrinter();
    EXPECT_FALSE(rig.commands.PrintForm1Click());
    EXPECT_EQ(rig.events, (Events{"stop", "dialog", "start"}));
}
