#include "platform/dialogs/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

void QtDialogs::ShowMessage(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<QString> QtDialogs::AskFile(const FileDialogRequest& request, bool save)
{
    // Qt's own dialog: the same look on every desktop, and it honours the default suffix.
    QFileDialog dialog(parent_, request.Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.Filter.isEmpty())
        dialog.setNameFilter(QtFileFilter(request.Filter));
    if (!request.DefaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExtension);
    if (!request.InitialName.isEmpty())
        dialog.selectFile(request.InitialName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.front();
}

std::optional<QString> QtDialogs::AskOpenFile(const FileDialogRequest& request)
{
    return AskFile(request, false);
}

std::optional<QString> QtDialogs::AskSaveFile(const FileDialogRequest& request)
{
    return AskFile(request, true);
}

bool PrinterAvailable()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

std::unique_ptr<QPrinter> QtDialogs::SetupPrinter(const PrintRequest& request)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(request.DocumentName);
    if (!PrinterAvailable()) {
        // Nothing to print to: offer the page as a PDF file instead.
        FileDialogRequest pdf;
        pdf.Title = request.Title.isEmpty() ? QStringLiteral("Print to PDF File") : request.Title;
        pdf.Filter = QStringLiteral("PDF Files|*.pdf|All Files|*.*");
        pdf.DefaultExtension = QStringLiteral("pdf");
        pdf.InitialName = request.PdfInitialName;
        const std::optional<QString> path = SaveFile(pdf);
        if (!path)
            return nullptr;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(*path);
        return printer;
    }
    QPrintDialog dialog(printer.get(), parent_);
    if (!request.Title.isEmpty())
        dialog.setWindowTitle(request.Title);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}
