#pragma once
// The Qt implementation of the dialog interface, owned by the main window.

#include <QPointer>
#include <QWidget>

#include "platform/dialogs/Dialogs.h"

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void ShowMessage(const QString& text, const QString& caption) override;
    std::unique_ptr<QPrinter> SetupPrinter(const PrintRequest& request) override;

protected:
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override;

private:
    std::optional<QString> AskFile(const FileDialogRequest& request, bool save);

    QPointer<QWidget> parent_;
};

// True when the desktop knows at least one printer.
bool PrinterAvailable();
