#pragma once
// The program's modal dialogs behind one interface: message boxes (OK only), open and
// save file dialogs, and printer setup. The window uses QtDialogs; tests use
// ScriptedDialogs, which answers from queues without blocking and records every question.
//
// File filters are written as "Description|pattern|Description|pattern" pairs, the form
// the program's dialogs are specified in; QtFileFilter turns them into Qt's form.

#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

class QPrinter;

struct FileDialogRequest {
    QString Title;
    QString Filter;             // "Wave Files|*.wav|All Files|*.*"
    QString DefaultExtension;   // without the dot: "wav"; appended to a name typed without one
    QString InitialName;        // proposed file name (may hold a folder)
};

struct PrintRequest {
    QString Title;              // dialog title
    QString DocumentName;       // print job name
    QString PdfInitialName;     // proposed PDF file where no printer exists
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal message box with an OK button only.
    virtual void ShowMessage(const QString& text, const QString& caption) = 0;

    // The chosen path (with the default extension added where the name has none; when
    // opening, not to the name of an existing file), or nothing when the user cancels.
    std::optional<QString> OpenFile(const FileDialogRequest& request);
    std::optional<QString> SaveFile(const FileDialogRequest& request);

    // Printer setup: a printer ready for one job, or null when the user cancels. Where
    // the machine has no printer, the dialog offers a PDF file instead.
    virtual std::unique_ptr<QPrinter> SetupPrinter(const PrintRequest& request) = 0;

protected:
    virtual std::optional<QString> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> AskSaveFile(const FileDialogRequest& request) = 0;
};

// "Wave Files|*.wav|All Files|*.*" -> "Wave Files (*.wav);;All Files (*.*)". Several
// patterns of one entry may be separated by ';'. An odd trailing description is kept as
// a filter matching everything.
QString QtFileFilter(const QString& pairs);

// The patterns of the first filter entry ("*.wav"), for checks and for naming.
QStringList FirstFilterPatterns(const QString& pairs);

// `path` with ".ext" appended when its file name has no extension (and ext is not empty).
// "a.b/name" gets one, "name." keeps its trailing dot as the user's choice of no extension.
QString WithDefaultExtension(const QString& path, const QString& extension);
