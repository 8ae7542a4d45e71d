#include "app/window/ConsoleDialogs.h"

#include <QPrinter>

void ConsoleDialogs::ShowMessage(const QString& text, const QString& caption)
{
    ++messages_;
    std::fprintf(out_, "velquor: %s: %s\n", caption.toLocal8Bit().constData(),
                 QString(text).replace(QLatin1Char('\n'), QStringLiteral(" / ")).toLocal8Bit().constData());
    std::fflush(out_);
}

std::unique_ptr<QPrinter> ConsoleDialogs::SetupPrinter(const PrintRequest&)
{
    return nullptr;
}
