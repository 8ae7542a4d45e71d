#pragma once
// Dialogs for tests: every question is recorded and answered at once from a queue.
// An empty queue answers "cancelled". OnAsk runs while a dialog is "open", so a test can
// check what the program does around a modal dialog (for example that acquisition stands).

#include <deque>
#include <functional>
#include <vector>

#include "platform/dialogs/Dialogs.h"

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, Printer };

    struct Question {
        Kind What = Kind::Message;
        QString Text;               // message boxes
        QString Caption;
        FileDialogRequest File;     // file dialogs
        PrintRequest Print;         // printer setup
    };

    void ShowMessage(const QString& text, const QString& caption) override;
    std::unique_ptr<QPrinter> SetupPrinter(const PrintRequest& request) override;

    // Next answers. A file answer serves both open and save dialogs; a printer answer is
    // the PDF file the "printer" writes to.
    struct Answer {
        bool Accepted = false;
        QString Path;
    };
    void AnswerFile(const QString& path) { FileAnswers.push_back({true, path}); }
    void CancelFile() { FileAnswers.push_back({}); }
    void AnswerPrinter(const QString& pdfPath) { PrinterAnswers.push_back({true, pdfPath}); }
    void CancelPrinter() { PrinterAnswers.push_back({}); }

    std::deque<Answer> FileAnswers;
    std::deque<Answer> PrinterAnswers;
    std::vector<Question> Asked;
    std::function<void(const Question&)> OnAsk;

    // The message boxes shown, in order.
    std::vector<Question> Messages() const;
    int Count(Kind kind) const;

protected:
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override;

private:
    std::optional<QString> NextFile(Kind kind, const FileDialogRequest& request);
    void Record(const Question& question);
};
