#include "app/dialogs/GraphicsCommands.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>

#include "app/dialogs/DesktopCommands.h"
#include "platform/dialogs/Dialogs.h"

bool SaveBmp24(const QImage& image, const QString& path)
{
    if (image.isNull())
        return false;
    // RGB888 has no alpha channel, so the writer stores 24 bits per pixel.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QImageWriter writer(path, "bmp");
    return writer.write(rgb);
}

bool PrintImageOnPage(const QImage& image, QPrinter& printer)
{
    if (image.isNull())
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    const QRect target(QPoint(0, 0), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    return painter.end();
}

void CopyImageToClipboard(const QImage& image)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(image);
}

void GraphicsCommands::Stop()
{
    if (hooks_.StopBtnClick)
        hooks_.StopBtnClick();
}

void GraphicsCommands::Start()
{
    if (hooks_.StartBtnClick)
        hooks_.StartBtnClick();
}

GraphicsCommands::Outcome GraphicsCommands::SaveThroughDialog(const QImage& picture)
{
    FileDialogRequest request;
    request.Title = QStringLiteral("Save As");
    request.Filter = QString::fromLatin1(Filter);
    request.DefaultExtension = QString::fromLatin1(DefaultExtension);
    request.InitialName = lastName_;
    const std::optional<QString> path = dialogs_.SaveFile(request);
    if (!path)
        return Outcome::Cancelled;
    lastName_ = *path;
    if (!SaveBmp24(picture, *path)) {
        dialogs_.ShowMessage(QStringLiteral("Cannot create file \"%1\".").arg(QDir::toNativeSeparators(*path)),
                             QString::fromLatin1(ProgramCaption));
        return Outcome::Failed;
    }
    return Outcome::Done;
}

bool GraphicsCommands::SaveForm1Click()
{
    // The picture is taken before acquisition stops: it shows the display as it was
    // when the command was chosen.
    const QImage picture = hooks_.WindowImage ? hooks_.WindowImage() : QImage();
    Stop();
    const Outcome outcome = SaveThroughDialog(picture);
    if (outcome == Outcome::Failed)
        return false;
    Start();
    return outcome == Outcome::Done;
}

bool GraphicsCommands::SaveBitmap1Click()
{
    Stop();
    const QImage pane = hooks_.PaneImage ? hooks_.PaneImage() : QImage();
    const Outcome outcome = SaveThroughDialog(pane);
    if (outcome == Outcome::Failed)
        return false;
    Start();
    return outcome == Outcome::Done;
}

bool GraphicsCommands::CopyForm1Click()
{
    const QImage picture = hooks_.WindowImage ? hooks_.WindowImage() : QImage();
    Stop();
    CopyImageToClipboard(picture);
    Start();
    return !picture.isNull();
}

bool GraphicsCommands::CopyBitmap1Click()
{
    Stop();
    const QImage pane = hooks_.PaneImage ? hooks_.PaneImage() : QImage();
    CopyImageToClipboard(pane);
    Start();
    return !pane.isNull();
}

bool GraphicsCommands::PrintForm1Click()
{
    Stop();
    PrintRequest request;
    request.Title = QStringLiteral("Print Form");
    request.DocumentName = QStringLiteral("Velquor");
    request.PdfInitialName = QStringLiteral("EEGForm.pdf");
    std::unique_ptr<QPrinter> printer = dialogs_.SetupPrinter(request);
    if (!printer) {
        Start();
        return false;
    }
    const QImage picture = hooks_.WindowImage ? hooks_.WindowImage() : QImage();
    if (!PrintImageOnPage(picture, *printer)) {
        dialogs_.ShowMessage(QStringLiteral("Printing failed"), QString::fromLatin1(ProgramCaption));
        return false;
    }
    Start();
    return true;
}
