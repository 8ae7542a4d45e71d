#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/dialogs/QtDialogs.h"
#include "platform/dialogs/ScriptedDialogs.h"

TEST(FileFilters, PairsBecomeQtFilters)
{
    EXPECT_EQ(QtFileFilter("Wave Files|*.wav|All Files|*.*"), "Wave Files (*.wav);;All Files (*.*)");
    EXPECT_EQ(QtFileFilter("Windows BMP Bitmap|*.bmp"), "Windows BMP Bitmap (*.bmp)");
    EXPECT_EQ(QtFileFilter("Images|*.bmp;*.png"), "Images (*.bmp *.png)");
    EXPECT_EQ(QtFileFilter("Dangling"), "Dangling (*)");
    EXPECT_EQ(QtFileFilter(""), "");
    EXPECT_EQ(FirstFilterPatterns("Images|*.bmp;*.png|All|*.*"), QStringList({"*.bmp", "*.png"}));
}

TEST(FileFilters, DefaultExtensionOnlyForNamesWithoutOne)
{
    EXPECT_EQ(WithDefaultExtension("/tmp/EEGForm", "bmp"), "/tmp/EEGForm.bmp");
    EXPECT_EQ(WithDefaultExtension("/tmp/a.b/EEGForm", "bmp"), "/tmp/a.b/EEGForm.bmp");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot.png", "bmp"), "/tmp/shot.png");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot.", "bmp"), "/tmp/shot.");
    EXPECT_EQ(WithDefaultExtension("/tmp/shot", ""), "/tmp/shot");
    EXPECT_EQ(WithDefaultExtension("", "bmp"), "");
}

TEST(ScriptedDialogs, AnswersInOrderRecordsQuestionsAndCancelsWhenEmpty)
{
    ScriptedDialogs dialogs;
    dialogs.AnswerFile("/tmp/rec");
    dialogs.CancelFile();
    FileDialogRequest request{"Save Wave", "Wave File|*.wav|All Files|*.*", "wav", ""};
    EXPECT_EQ(dialogs.SaveFile(request), std::optional<QString>("/tmp/rec.wav"));
    EXPECT_EQ(dialogs.OpenFile(request), std::nullopt);
    EXPECT_EQ(dialogs.OpenFile(request), std::nullopt);   // queue empty: cancelled
    dialogs.ShowMessage("Not a RIFF file", "File Error Message");

    ASSERT_EQ(dialogs.Asked.size(), 4u);
    EXPECT_EQ(dialogs.Asked[0].What, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.Asked[0].File.Filter, request.Filter);
    EXPECT_EQ(dialogs.Asked[1].What, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(dialogs.Count(ScriptedDialogs::Kind::OpenFile), 2);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].Text, "Not a RIFF file");
    EXPECT_EQ(dialogs.Messages()[0].Caption, "File Error Message");
}

TEST(ScriptedDialogs, OpeningAnExistingFileWithoutExtensionKeepsItsName)
{
    QTemporaryDir dir;
    QFile bare(dir.filePath("recording"));
    ASSERT_TRUE(bare.open(QIODevice::WriteOnly));
    bare.close();
    ScriptedDialogs dialogs;
    dialogs.AnswerFile(dir.filePath("recording"));
    dialogs.AnswerFile(dir.filePath("other"));
    dialogs.AnswerFile(dir.filePath("recording"));
    const FileDialogRequest request{"Open Wave", "Wave Files|*.wav|All Files|*.*", "wav", ""};
    EXPECT_EQ(dialogs.OpenFile(request), std::optional<QString>(dir.filePath("recording")));
    EXPECT_EQ(dialogs.OpenFile(request), std::optional<QString>(dir.filePath("other.wav")));
    EXPECT_EQ(dialogs.SaveFile(request), std::optional<QString>(dir.filePath("recording.wav")));
}

TEST(ScriptedDialogs, PrinterAnswerIsAPdfPrinterThatWritesOnePage)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    int askedWhileOpen = 0;
    dialogs.OnAsk = [&](const ScriptedDialogs::Question& q) {
        askedWhileOpen += q.What == ScriptedDialogs::Kind::Printer;
    };
    EXPECT_EQ(dialogs.SetupPrinter({"Print", "Velquor", ""}), nullptr);   // nothing queued
    dialogs.AnswerPrinter(dir.filePath("page.pdf"));
    std::unique_ptr<QPrinter> printer = dialogs.SetupPrinter({"Print", "Velquor", ""});
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(askedWhileOpen, 2);
    EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
    {
        QPainter painter(printer.get());
        ASSERT_TRUE(painter.isActive());
        painter.drawText(100, 100, "page");
    }
    QFile file(dir.filePath("page.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
}

namespace {

// Acts on the next modal dialog as soon as the event loop shows it.
template <typename Action>
void WhenModal(Action action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal)
            action(modal);
    });
}

}  // namespace

TEST(QtDialogs, SaveDialogProposesTheNameAndAddsTheDefaultExtension)
{
    QTemporaryDir dir;
    QtDialogs dialogs;
    QString proposed;
    QStringList filters;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        filters = dialog->nameFilters();
        dialog->selectFile(dir.filePath("shot"));
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto path = dialogs.SaveFile({"Save", "Windows BMP Bitmap|*.bmp", "bmp", dir.filePath("EEGForm")});
    EXPECT_EQ(proposed, "EEGForm.bmp");   // the proposed name, with the suffix the dialog will add
    EXPECT_EQ(filters, QStringList({"Windows BMP Bitmap (*.bmp)"}));
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QFileInfo(*path).fileName(), "shot.bmp");
}

TEST(QtDialogs, CancelledOpenDialogGivesNothing)
{
    QtDialogs dialogs;
    WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.OpenFile({"Open", "Wave Files|*.wav|All Files|*.*", "wav", ""}), std::nullopt);
}

TEST(QtDialogs, MessageBoxHasTheCaptionTextAndOnlyOk)
{
    QtDialogs dialogs;
    QString caption, text;
    int buttons = -1;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.ShowMessage("Could not run the Volume Control", "Velquor");
    EXPECT_EQ(caption, "Velquor");
    EXPECT_EQ(text, "Could not run the Volume Control");
    EXPECT_EQ(buttons, 1);
}
