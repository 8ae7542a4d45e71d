// velquor: the program's main routine. Creates the application and the main window,
// which starts acquiring 250 ms after the event loop runs. See --help.
#include <QApplication>
#include <QPrinter>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "app/window/CommandLine.h"
#include "app/window/ConsoleDialogs.h"
#include "app/settings/SettingsFile.h"
#include "app/window/EEGForm.h"
#include "platform/canvas/ClassicPalette.h"
#include "platform/dialogs/QtDialogs.h"

namespace {

// A screenshot run that never reaches its block count (an input that stalls) gives up.
int ScreenshotDeadlineMs(int blocks)
{
    return 30000 + blocks * 200;
}

// Offscreen runs: the platform's notes about the missing desktop say nothing to the user.
void QuietOffscreenMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || message.contains(QLatin1String("propagateSizeHints"))
        || message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Ctrl+C in the terminal or a polite kill closes the window as the user would, so the
// settings are saved and an open recording is finished. The handler only writes a byte;
// the window closes from the event loop (which the acquisition loop keeps serving).
int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

void CloseOnTerminationSignals(QWidget& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// Test hook, for the tests that kill the program while it records (never needed by a user):
// with VELQUOR_TEST_RECORD naming a WAVE file, the first Save Wave question is answered with
// that name and RECORD is pressed at the first block, as the user would do through the File
// menu and the recorder panel. Every other question goes to the real dialogs.
class RecordHookDialogs : public Dialogs {
public:
    RecordHookDialogs(Dialogs& inner, QString path) : inner_(inner), path_(std::move(path)) {}
    void ShowMessage(const QString& text, const QString& caption) override { inner_.ShowMessage(text, caption); }
    std::unique_ptr<QPrinter> SetupPrinter(const PrintRequest& request) override { return inner_.SetupPrinter(request); }

protected:
    std::optional<QString> AskOpenFile(const FileDialogRequest& request) override { return inner_.OpenFile(request); }
    std::optional<QString> AskSaveFile(const FileDialogRequest& request) override
    {
        if (answered_) return inner_.SaveFile(request);
        answered_ = true;
        return path_;
    }

private:
    Dialogs& inner_;
    const QString path_;
    bool answered_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const ProgramOptions options = ParseCommandLine(args);
    if (!options.Error.empty()) {
        std::fprintf(stderr, "velquor: %s\n\n%s", options.Error.c_str(), UsageText().c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("velquor %s\n", VELQUOR_VERSION);
        return 0;
    }

    const bool screenshot = !options.Screenshot.empty();
    // A screenshot needs neither a display nor a person to answer message boxes.
    // (An offscreen platform chosen with options, such as a screen configuration, is kept.)
    if (screenshot) {
        if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietOffscreenMessages);
    }

    // The panes are drawn in pane pixels (their arithmetic counts them), so on a high-DPI
    // screen they are scaled up by whole factors without smoothing: a factor of 1.5 becomes
    // 2 rather than smearing every trace pixel over one and a half device pixels.
    // QT_SCALE_FACTOR_ROUNDING_POLICY still chooses otherwise.
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR_ROUNDING_POLICY"))
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELQUOR_VERSION));
    // The desktop entry (velquor.desktop) names the window's icon and groups its windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("velquor"));
    QCoreApplication::setApplicationName(QStringLiteral("velquor"));
    QCoreApplication::setOrganizationName(QString());
    // One look on every desktop: the classic style and palette the panel was designed with.
    if (QStyleFactory::keys().contains(QStringLiteral("Windows"), Qt::CaseInsensitive))
        QApplication::setStyle(QStringLiteral("Windows"));
    QApplication::setPalette(ClassicWidgetPalette());

    std::string chosen;
    std::string error;
    std::unique_ptr<WaveInBackend> input = MakeInput(options.Input, chosen, error, InputPace(options));
    if (!input) {
        std::fprintf(stderr, "velquor: %s\n", error.c_str());
        return 2;
    }
    if (options.Input == "auto") std::printf("velquor: input %s\n", chosen.c_str());
    std::fflush(stdout);

    const QString settingsPath = SettingsFilePath(true);

    QtDialogs qtDialogs;
    ConsoleDialogs consoleDialogs;
    EEGFormOptions formOptions;
    formOptions.UserDialogs = screenshot ? static_cast<Dialogs*>(&consoleDialogs) : &qtDialogs;
    const QString recordHook = qEnvironmentVariable("VELQUOR_TEST_RECORD");
    RecordHookDialogs hookDialogs(*formOptions.UserDialogs, recordHook);
    if (!recordHook.isEmpty()) formOptions.UserDialogs = &hookDialogs;
    formOptions.Input = std::move(input);
    formOptions.SettingsPath = settingsPath;

    int status = 0;
    {
        TEEGForm window(std::move(formOptions));
        if (!screenshot) {
            // Placed at the centre of the desktop.
            if (QScreen* s = QGuiApplication::primaryScreen()) {
                const QRect area = s->availableGeometry();
                window.adjustSize();
                window.move(area.center() - window.rect().center());
            }
        }
        window.show();
        CloseOnTerminationSignals(window);

        if (screenshot) {
            if (!options.Focus.empty()) {
                // The keyboard focus as Tab would put it, to show its rectangle.
                auto* target = window.findChild<QWidget*>(QString::fromLocal8Bit(options.Focus.c_str()));
                if (!target || target->focusPolicy() == Qt::NoFocus) {
                    std::fprintf(stderr, "velquor: no control \"%s\" takes the keyboard focus\n",
                                 options.Focus.c_str());
                    return 2;
                }
                window.activateWindow();
                target->setFocus(Qt::TabFocusReason);
            }
            const QString file = QString::fromLocal8Bit(options.Screenshot.c_str());
            int shotStatus = 1;
            window.SetOnBlock([&](long long blocks) {
                if (blocks != options.Blocks) return;
                const QImage image = window.ClientImage();
                if (!image.isNull() && image.save(file, "PNG")) {
                    std::printf("%s\n", options.Screenshot.c_str());
                    shotStatus = 0;
                } else {
                    std::fprintf(stderr, "velquor: cannot write the screenshot to \"%s\"\n",
                                 options.Screenshot.c_str());
                }
                std::fflush(stdout);
                window.close();
            });
            QTimer::singleShot(ScreenshotDeadlineMs(options.Blocks), &window, [&] {
                std::fprintf(stderr, "velquor: no screenshot: only %lld of %d blocks arrived\n", window.BlocksShown(),
                             options.Blocks);
                window.close();
            });
            app.exec();
            status = window.ExitCode() != 0 ? window.ExitCode() : shotStatus;
        } else {
            if (!recordHook.isEmpty()) {
                window.SetOnBlock([&window](long long blocks) {
                    if (blocks != 1) return;
                    window.Rec().SaveWave1Click();
                    window.Panel().RecordBtn->click();
                });
            }
            status = app.exec();
            if (window.ExitCode() != 0) status = window.ExitCode();
        }
    }
    return status;
}
