#include "platform/dialogs/ScriptedDialogs.h"

#include <QPrinter>

void ScriptedDialogs::Record(const Question& question)
{
    Asked.push_back(question);
    if (OnAsk)
        OnAsk(question);
}

void ScriptedDialogs::ShowMessage(const QString& text, const QString& caption)
{
    Question q;
    q.What = Kind::Message;
    q.Text = text;
    q.Caption = caption;
    Record(q);
}

std::optional<QString> ScriptedDialogs::NextFile(Kind kind, const FileDialogRequest& request)
{
    Question q;
    q.What = kind;
    q.File = request;
    Record(q);
    if (FileAnswers.empty())
        return std::nullopt;
    const Answer answer = FileAnswers.front();
    FileAnswers.pop_front();
    if (!answer.Accepted)
        return std::nullopt;
    return answer.Path;
}

std::optional<QString> ScriptedDialogs::AskOpenFile(const FileDialogRequest& request)
{
    return NextFile(Kind::OpenFile, request);
}

std::optional<QString> ScriptedDialogs::AskSaveFile(const FileDialogRequest& request)
{
    return NextFile(Kind::SaveFile, request);
}

std::unique_ptr<QPrinter> ScriptedDialogs::SetupPrinter(const PrintRequest& request)
{
    Question q;
    q.What = Kind::Printer;
    q.Print = request;
    Record(q);
    if (PrinterAnswers.empty())
        return nullptr;
    const Answer answer = PrinterAnswers.front();
    PrinterAnswers.pop_front();
    if (!answer.Accepted)
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(request.DocumentName);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(answer.Path);
    return printer;
}

std::vector<ScriptedDialogs::Question> ScriptedDialogs::Messages() const
{
    std::vector<Question> out;
    for (const Question& q : Asked)
        if (q.What == Kind::Message)
            out.push_back(q);
    return out;
}

int ScriptedDialogs::Count(Kind kind) const
{
    int n = 0;
    for (const Question& q : Asked)
        n += q.What == kind ? 1 : 0;
    return n;
}
