#pragma once
// File > Save Form, Save Bitmap, Copy Form, Copy Bitmap and Print Form. Each pauses
// acquisition around its work, so the display does not change underneath it and no block
// is processed while a dialog is open. The window passes its pictures and its stop and
// start operations in; the dialogs go through the dialog interface.

#include <functional>

#include <QImage>
#include <QString>

class Dialogs;
class QPrinter;

// Writes `image` as a 24-bit Windows bitmap. False when the file cannot be written.
bool SaveBmp24(const QImage& image, const QString& path);

// Prints `image` on one page of `printer`, as large as the page allows without changing
// its proportions. False when the printer cannot be started.
bool PrintImageOnPage(const QImage& image, QPrinter& printer);

// The clipboard's image (QGuiApplication::clipboard()).
void CopyImageToClipboard(const QImage& image);

struct GraphicsHooks {
    std::function<QImage()> WindowImage;    // the main window's client area as painted
    std::function<QImage()> PaneImage;      // SpectrumImage, the frequency pane
    std::function<void()> StopBtnClick;     // pause acquisition
    std::function<void()> StartBtnClick;    // resume it (runs the loop nested; returns when it ends)
};

class GraphicsCommands {
public:
    static constexpr const char* Filter = "Windows BMP Bitmap|*.bmp";
    static constexpr const char* DefaultExtension = "bmp";
    static constexpr const char* FirstName = "EEGForm";

    GraphicsCommands(Dialogs& dialogs, GraphicsHooks hooks) : dialogs_(dialogs), hooks_(std::move(hooks)) {}

    // Each returns true when it wrote, copied or printed something. A failure shows a
    // message and returns without resuming acquisition: the start-up timer restarts it.
    bool SaveForm1Click();
    bool SaveBitmap1Click();
    bool CopyForm1Click();
    bool CopyBitmap1Click();
    bool PrintForm1Click();

    // The name SaveGraphicsDialog proposes next: "EEGForm" first, then the last one chosen.
    const QString& LastName() const { return lastName_; }

private:
    enum class Outcome { Done, Cancelled, Failed };
    Outcome SaveThroughDialog(const QImage& picture);
    void Stop();
    void Start();

    Dialogs& dialogs_;
    GraphicsHooks hooks_;
    QString lastName_ = QString::fromLatin1(FirstName);
};
