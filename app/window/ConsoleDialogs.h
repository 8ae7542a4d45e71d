#pragma once
// Dialogs for a run without a person at the screen (--screenshot): message boxes go to
// standard error, file and printer dialogs are cancelled, nothing blocks.

#include <cstdio>

#include "platform/dialogs/Dialogs.h"

class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(std::FILE* out = stderr) : out_(out) {}
    void ShowMessage(const QString& text, const QString& caption) override;
    std::unique_ptr<QPrinter> SetupPrinter(const PrintRequest&) override;
    int Messages() const { return messages_; }

protected:
    std::optional<QString> AskOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> AskSaveFile(const FileDialogRequest&) override { return std::nullopt; }

private:
    std::FILE* out_;
    int messages_ = 0;
};
