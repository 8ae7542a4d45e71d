// The main window's construction, lifecycle and its part as the acquisition loop's host.
#include "app/window/EEGForm.h"

#include <cstdio>
#include <thread>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QThread>

#include "app/dialogs/CalibrateForm.h"
#include "app/dialogs/CalibrationStore.h"
#include "app/dialogs/ChannelSetupForm.h"
#include "app/display/Redraw.h"
#include "app/display/TimeTrace.h"
#include "app/settings/SettingsFile.h"
#include "app/window/MenuShortcuts.h"
#include "dsp/Designs.h"
#include "platform/canvas/ClassicPalette.h"

// The recorder drives OvOpHourCounter1.
class TEEGForm::HourCounter : public HourCounterHooks {
public:
    explicit HourCounter(TOvOpHourCounter*& counter) : counter_(counter) {}
    void SetCount(bool counting) override
    {
        if (counter_) counter_->SetCount(counting);
    }
    void ResetTime() override
    {
        if (counter_) counter_->SetTime(0, 0, 0);
    }

private:
    TOvOpHourCounter*& counter_;
};

// ---------------------------------------------------------------- construction

TEEGForm::TEEGForm(EEGFormOptions options, QWidget* parent)
    : QMainWindow(parent),
      proc_(std::make_unique<ProcessingState>()),
      display_(std::make_unique<DisplayState>()),
      dialogs_(*options.UserDialogs),
      input_(std::move(options.Input))
{
    // 1. The window and its components. The capture buffers (2) and the defaults of the
    // shared state (3) are the state objects' own; the layout is scaled once as it is
    // built (4), so that both panes are PaneWidth wide.
    setObjectName(QStringLiteral("EEGForm"));
    setWindowTitle(QStringLiteral("Velquor"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setPalette(ClassicWidgetPalette());
    const PanelScale scale = StartupScale();
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setAutoFillBackground(true);
    client_->setFixedSize(scale.Edge(DesignClientWidth), scale.Edge(DesignClientHeight));
    setCentralWidget(client_);
    BuildMenus();
    ApplyMenuShortcuts([this](const QString& name) { return Action(name); });
    panel_ = BuildFrontPanel(client_, scale);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    waveDialogs_ = std::make_unique<RecorderDialogs>(dialogs_);
    hourCounter_ = std::make_unique<HourCounter>(panel_.OvOpHourCounter1);
    AcquisitionHost& host = *this;
    recorder_ = std::make_unique<Recorder>(acq_, host, *waveDialogs_, hourCounter_.get());
    loop_ = std::make_unique<AcquisitionLoop>(acq_, *proc_, host, *input_, recorder_.get());

    // Save, copy and print pause a running loop and resume it afterwards.
    graphics_ = std::make_unique<GraphicsCommands>(
        dialogs_, GraphicsHooks{[this] { return ClientImage(); }, [this] { return display_->SpectrumImage.Image(); },
                                [this] {
                                    pausedForGraphics_ = !acq_.AcquisitionIdle;
                                    if (pausedForGraphics_) loop_->StopBtnClick();
                                },
                                [this] {
                                    if (pausedForGraphics_ && !closing_) loop_->StartBtnClick();
                                    pausedForGraphics_ = false;
                                }});
    channelSetup_ = new TChannelSetupForm(*proc_, this);

    startTimer_.setInterval(250);
    timeOutTimer_.setInterval(350);
    connect(&startTimer_, &QTimer::timeout, this, [this] { loop_->StartTimerTimer(); });
    connect(&timeOutTimer_, &QTimer::timeout, this, [this] { loop_->TimeOutTimerTimer(); });
    BindPanel();

    // 5. The four images belong to the display state; the paint boxes show two of them.
    panel_.TimeBox->SetImage(&display_->TimeImage);
    panel_.SpectrumBox->SetImage(&display_->SpectrumImage);

    // 6. Paths. The calibrations live beside the settings file, in a file of their own.
    settingsFile_ = SettingsFile(options.SettingsPath.isEmpty() ? SettingsFilePath() : options.SettingsPath);
    calibrations_ = std::make_unique<CalibrationStore>(
        QFile::encodeName(QFileInfo(settingsFile_.Path()).dir().filePath(QStringLiteral("calibration.ini"))).toStdString());
    if (!calibrations_->Unreadable().empty())
        std::fprintf(stderr, "velquor: %s: the channels stay uncalibrated and it is not written over\n",
                     calibrations_->Unreadable().c_str());
    for (const std::string& problem : calibrations_->Problems())
        std::fprintf(stderr, "velquor: %s: not used: %s\n", calibrations_->Path().c_str(), problem.c_str());
    calibrate_ = new TCalibrateForm(*proc_, *calibrations_, this);

    // 7. Hamming512 and 11. the arctangent table are built with the processing state.
    // 8. Settings. Without a file the window comes up in the state its controls show.
    LoadStoredSettings();
    if (!SettingsNotSaved().isEmpty()) {
        std::fprintf(stderr, "velquor: %s\n", SettingsNotSaved().toLocal8Bit().constData());
        panel_.SettingsLabel->setText(QStringLiteral("Settings not saved:\n") + settingsFile_.NotSavedCause());
        panel_.SettingsLabel->setToolTip(SettingsNotSaved());
        panel_.SettingsLabel->setAccessibleDescription(SettingsNotSaved());
        panel_.SettingsLabel->show();
    }
    acq_.ApplyingSettings = false;
    // The time pane shows the chosen background before the first block arrives.
    MatchTimeBackground(*display_);

    // 9, 10. Band filters from the carriers and the post filters. The smoothing then follows
    // the frequency scale the settings set, as after any turn of the dial: its start-up
    // cut-off (25.8 Hz) would hide the top of the pane's band until the dial was touched.
    StartupDesigns(*proc_);
    RedesignSmoothing(*proc_);

    SyncOptionChecks();
    SyncDisplay();
    SyncRecorderButtons();
    if (options.StartAcquisition) startTimer_.start();
}

TEEGForm::~TEEGForm()
{
    FormDestroy();
}

// ---------------------------------------------------------------- the loop's host

void TEEGForm::ProcessMessages()
{
    lastMessages_ = std::chrono::steady_clock::now();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TEEGForm::SleepMs(int milliseconds)
{
    if (milliseconds <= 0) return;
    // The pacer stretches the loop's millisecond polls while the buffer is far from full;
    // the window's messages are still served between any two sleeps.
    const uint32_t rate = acq_.AvgBytesPerSec ? acq_.AvgBytesPerSec : 1;
    const auto period = std::chrono::duration_cast<WaitPacer::Clock::duration>(
        std::chrono::duration<double>(double(acq_.BufferBytes) / rate));
    const auto sleep = pacer_.Sleep(WaitPacer::Clock::now(), loop_->Passes(), period,
                                    std::chrono::milliseconds(milliseconds));
    std::this_thread::sleep_for(sleep);
    pacer_.Woke(WaitPacer::Clock::now());
}

void TEEGForm::SetTimeOutTimer(bool enabled)
{
    if (!enabled) {
        timeOutTimer_.stop();
    } else if (!timeOutTimer_.isActive()) {
        timeOutTimer_.start();
    }
    // Every pass arms this timer just before it waits for its buffer, and the wait serves
    // the window's messages. An input that never makes the loop wait (a file read as fast
    // as the loop takes it) would starve the window: then the messages are served here,
    // at the same point of the pass, whenever none were served for MessageStarveMs.
    if (enabled && std::chrono::steady_clock::now() - lastMessages_ > std::chrono::milliseconds(MessageStarveMs))
        ProcessMessages();
}

void TEEGForm::RequestTerminate()
{
    // A device failure while acquiring: the loop ends at its next check; the program then
    // ends through the destroy handler, which saves the settings and finishes a recording.
    exitCode_ = 1;
    closing_ = true;
    acq_.AcquisitionIdle = true;
    startTimer_.stop();
    QCoreApplication::exit(exitCode_);
}

void TEEGForm::UpdateMicrovolts()
{
    for (int channel = 1; channel <= 2; ++channel) {
        const ChannelCalibration* c = calibrations_->Find(channel, *proc_);
        display_->Microvolts[channel - 1] = {c != nullptr, c ? MicrovoltsPerTraceUnit(*c, *proc_, channel) : 0.0};
    }
}

void TEEGForm::BlockProcessed(const BlockReport& report)
{
    UpdateMicrovolts();
    RedrawPanes(*display_, *proc_);
    panel_.OvldLED->SetChecked(report.Overload);
    const std::pair<TOvLED*, const ChannelIndicator*> leds[] = {{panel_.OvChan1, &report.Chan1},
                                                                {panel_.OvChan2, &report.Chan2}};
    for (const auto& [led, indicator] : leds) {
        led->LED().SetColorOff(static_cast<TColor>(indicator->ColorOff));
        led->SetChecked(indicator->Checked);
    }
    panel_.TimeBox->update();
    panel_.SpectrumBox->update();
    SyncDisplay();
    SyncRecorderButtons();               // playback may have stopped at the end of its data
    if (edf_.Active() && !edf_.Block(*proc_, loop_->LastCaptureTime())) StopEdf(true);
    calibrate_->BlockProcessed();
    ++blocksShown_;
    if (onBlock_) onBlock_(blocksShown_);
}

void TEEGForm::InputLost(double seconds)
{
    if (!edf_.Active()) return;
    edf_.InputLost(seconds);
    // A WAVE recording has said so already.
    if (!acq_.Recording)
        dialogs_.ShowMessage(QStringLiteral("The window was held up so long that the sound card's queue overflowed: "
                                            "%1 s of input were lost. The EDF+ file marks the gap.")
                                 .arg(seconds, 0, 'f', 1),
                             QStringLiteral("Record Error"));
}

QImage TEEGForm::ClientImage()
{
    return client_->grab().toImage();
}

// ---------------------------------------------------------------- lifecycle

void TEEGForm::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept();
}

void TEEGForm::FormClose()
{
    if (closing_ && acq_.AcquisitionIdle && !startTimer_.isActive()) {
        // Already closing (Exit closes, then ends the application): no second wait.
        QCoreApplication::exit(exitCode_);
        return;
    }
    closing_ = true;
    acq_.AcquisitionIdle = true;         // a running loop ends at its next check
    startTimer_.stop();
    QThread::msleep(250);
    QCoreApplication::exit(exitCode_);
}

void TEEGForm::FormDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    closing_ = true;
    acq_.AcquisitionIdle = true;
    startTimer_.stop();
    timeOutTimer_.stop();
    SaveSettingsNow();
    recorder_->FinishOnExit();
    StopEdf(false);
}
