#include "app/window/EEGForm.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QThread>

#include "app/dialogs/ChannelSetupForm.h"
#include "app/dialogs/DesktopCommands.h"
#include "app/dialogs/RecorderDialogs.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/display/TimeTrace.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/binding/SettingsBinding.h"
#include "app/window/CarrierBands.h"
#include "app/window/CommandLine.h"
#include "app/window/MenuShortcuts.h"
#include "dsp/Designs.h"
#include "platform/canvas/ClassicPalette.h"

// ---------------------------------------------------------------- host

void TWindowHost::ShowMessage(const std::string& text, const std::string& caption)
{
    form_.ShowMessage(QString::fromLocal8Bit(text.c_str()), QString::fromLocal8Bit(caption.c_str()));
}

void TWindowHost::ProcessMessages()
{
    lastMessages_ = std::chrono::steady_clock::now();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TWindowHost::SleepMs(int milliseconds)
{
    if (milliseconds <= 0) return;
    // The pacer stretches the loop's millisecond polls while the buffer is far from full;
    // the window's messages are still served between any two sleeps.
    const uint32_t rate = form_.Acq.AvgBytesPerSec ? form_.Acq.AvgBytesPerSec : 1;
    const auto period = std::chrono::duration_cast<WaitPacer::Clock::duration>(
        std::chrono::duration<double>(double(form_.Acq.BufferBytes) / rate));
    const auto sleep = pacer_.Sleep(WaitPacer::Clock::now(), form_.Loop().Passes(), period,
                                    std::chrono::milliseconds(milliseconds));
    std::this_thread::sleep_for(sleep);
    pacer_.Woke(WaitPacer::Clock::now());
}

void TWindowHost::SetTimeOutTimer(bool enabled)
{
    form_.HostSetTimeOutTimer(enabled);
    // Every pass arms this timer just before it waits for its buffer, and the wait serves
    // the window's messages. An input that never makes the loop wait (a file read as fast
    // as the loop takes it) would starve the window: then the messages are served here,
    // at the same point of the pass, whenever none were served for MessageStarveMs.
    if (enabled && std::chrono::steady_clock::now() - lastMessages_ > std::chrono::milliseconds(MessageStarveMs))
        ProcessMessages();
}

void TWindowHost::SetStartTimer(bool enabled)
{
    form_.HostSetStartTimer(enabled);
}

void TWindowHost::RequestTerminate()
{
    form_.RequestTerminate();
}

void TWindowHost::BlockProcessed(const BlockReport& report)
{
    form_.BlockProcessed(report);
}

void TWindowHost::InputLost(double seconds)
{
    form_.InputLost(seconds);
}

// ---------------------------------------------------------------- recorder glue

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

// The settings loader's view of the window: stored values, controls set from code and
// the handlers it runs.
class TEEGForm::SettingsAdapter : public SettingsTarget {
public:
    explicit SettingsAdapter(TEEGForm& form) : f_(form) {}

    SettingsRecord StoredValues() const override
    {
        return CaptureSettings(*f_.Display, *f_.Proc, f_.Acq, f_.WindowsOsOption, f_.Reserved5, f_.Reserved6);
    }
    void SetStoredValues(const SettingsRecord& values) override
    {
        StoreSettings(values, {*f_.Display, *f_.Proc, f_.Acq, f_.WindowsOsOption, f_.Reserved5, f_.Reserved6});
    }
    void SetApplyingSettings(bool applying) override { f_.Acq.ApplyingSettings = applying; }
    void SetControl(SettingsControl control, double value) override
    {
        TFrontPanel& p = f_.panel_;
        auto track = [](QSlider* bar, double v) {
            const QSignalBlocker block(bar);
            bar->setValue(static_cast<int>(v));
        };
        switch (control) {
        case SettingsControl::Chan1EnableSwitch: p.Chan1EnableSwitch->SetChecked(value != 0); break;
        case SettingsControl::Chan2EnableSwitch: p.Chan2EnableSwitch->SetChecked(value != 0); break;
        case SettingsControl::Chan1GainTrackBar: track(p.Chan1GainTrackBar, value); break;
        case SettingsControl::Chan2GainTrackBar: track(p.Chan2GainTrackBar, value); break;
        case SettingsControl::DisplayHoldSw: p.DisplayHoldSw->SetChecked(value != 0); break;
        case SettingsControl::TimeBaseDial: f_.SetDial(PanelDial::TimeBase, static_cast<float>(value)); break;
        case SettingsControl::MkrSwitch: p.MkrSwitch->SetChecked(value != 0); break;
        case SettingsControl::FreqBaseDial: f_.SetDial(PanelDial::FreqBase, static_cast<float>(value)); break;
        case SettingsControl::Chan1GainFTrackBar: track(p.Chan1GainFTrackBar, value); break;
        case SettingsControl::Chan2GainFTrackBar: track(p.Chan2GainFTrackBar, value); break;
        case SettingsControl::FltrMkrsSw: p.FltrMkrsSw->SetChecked(value != 0); break;
        case SettingsControl::Chan1GainDial: f_.SetDial(PanelDial::Chan1Gain, static_cast<float>(value)); break;
        case SettingsControl::Chan2GainDial: f_.SetDial(PanelDial::Chan2Gain, static_cast<float>(value)); break;
        }
    }
    void Chan1EnableSwitchClick() override { f_.Chan1EnableSwitchClick(); }
    void Chan2EnableSwitchClick() override { f_.Chan2EnableSwitchClick(); }
    void Chan1GainTrackBarChange() override { f_.Chan1GainTrackBarChange(); }
    void Chan2GainTrackBarChange() override { f_.Chan2GainTrackBarChange(); }
    void TimeBaseDialClick() override { f_.TimeBaseDialClick(); }
    void Mic1Click() override { f_.Mic1Click(); }
    void Line1Click() override { f_.Line1Click(); }
    void White1Click() override { f_.White1Click(); }
    void Black1Click() override { f_.Black1Click(); }
    void Teal1Click() override { f_.Teal1Click(); }
    void MkrSwitchClick() override { f_.MkrSwitchClick(); }
    void WindowsXPClick() override { f_.WindowsXPClick(); }
    void Windows2KClick() override { f_.Windows2KClick(); }
    void GridOn1Click() override { f_.GridOn1Click(); }
    void GridOff1Click() override { f_.GridOff1Click(); }
    void FreqBaseDialClick() override { f_.FreqBaseDialClick(); }
    void FreqBaseDialValueChange() override { f_.FreqBaseDialClick(); }
    void CheckWaterfallColor(int palette) override { f_.CheckWaterfallColor(palette); }
    void Chan1GainFTrackBarChange() override { f_.Chan1GainFTrackBarChange(); }
    void Chan2GainFTrackBarChange() override { f_.Chan2GainFTrackBarChange(); }
    void RawSpectrum1Click() override { f_.RawSpectrum1Click(); }
    void Spectrum1Click() override { f_.Spectrum1Click(); }
    void Phase1Click() override { f_.Phase1Click(); }
    void Waterfall1Click() override { f_.Waterfall1Click(); }
    void FltrMkrsSwClick() override { f_.FltrMkrsSwClick(); }
    void AM1Click() override { f_.AM1Click(); }
    void FM1Click() override { f_.FM1Click(); }
    void Chan1GainDialClick() override { f_.Chan1GainDialClick(); }
    void Chan2GainDialClick() override { f_.Chan2GainDialClick(); }

private:
    TEEGForm& f_;
};

// ---------------------------------------------------------------- construction

TEEGForm::TEEGForm(EEGFormOptions options, QWidget* parent)
    : QMainWindow(parent),
      Proc(std::make_unique<ProcessingState>()),
      Display(std::make_unique<DisplayState>()),
      dialogs_(*options.UserDialogs),
      input_(std::move(options.Input)),
      host_(*this)
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
    recorder_ = std::make_unique<Recorder>(Acq, host_, *waveDialogs_, hourCounter_.get());
    loop_ = std::make_unique<AcquisitionLoop>(Acq, *Proc, host_, *input_, recorder_.get());

    // Save, copy and print pause a running loop and resume it afterwards.
    graphics_ = std::make_unique<GraphicsCommands>(
        dialogs_, GraphicsHooks{[this] { return ClientImage(); }, [this] { return Display->SpectrumImage.Image(); },
                                [this] {
                                    pausedForGraphics_ = !Acq.AcquisitionIdle;
                                    if (pausedForGraphics_) StopBtnClick();
                                },
                                [this] {
                                    if (pausedForGraphics_ && !closing_) StartBtnClick();
                                    pausedForGraphics_ = false;
                                }});
    channelSetup_ = new TChannelSetupForm(*Proc, this);

    startTimer_.setInterval(250);
    timeOutTimer_.setInterval(350);
    connect(&startTimer_, &QTimer::timeout, this, [this] { StartTimerTimer(); });
    connect(&timeOutTimer_, &QTimer::timeout, this, [this] { TimeOutTimerTimer(); });
    BindPanel();

    // 5. The four images belong to the display state; the paint boxes show two of them.
    panel_.TimeBox->SetImage(&Display->TimeImage);
    panel_.SpectrumBox->SetImage(&Display->SpectrumImage);

    // 6. Paths.
    settingsFile_ = SettingsFile(options.SettingsPath.isEmpty() ? SettingsFilePath() : options.SettingsPath);

    // 7. Hamming512 and 11. the arctangent table are built with the processing state.
    // 8. Settings. Without a file the window comes up in the state its controls show.
    settings_ = std::make_unique<SettingsAdapter>(*this);
    if (settingsFile_.Load(*settings_) != SettingsLoadResult::Applied) ApplyFirstRunState();
    if (!SettingsNotSaved().isEmpty()) {
        std::fprintf(stderr, "velquor: %s\n", SettingsNotSaved().toLocal8Bit().constData());
        panel_.SettingsLabel->setText(QStringLiteral("Settings not saved:\n") + settingsFile_.NotSavedCause());
        panel_.SettingsLabel->setToolTip(SettingsNotSaved());
        panel_.SettingsLabel->setAccessibleDescription(SettingsNotSaved());
        panel_.SettingsLabel->show();
    }
    Acq.ApplyingSettings = false;
    // The time pane shows the chosen background before the first block arrives.
    MatchTimeBackground(*Display);

    // 9, 10. Band filters from the carriers and the post filters.
    StartupDesigns(*Proc);

    SetInputChecks();
    SetModulationChecks();
    SetWindowsChecks();
    SyncDisplay();
    SyncRecorderButtons();
    if (options.StartAcquisition) startTimer_.start();
}

TEEGForm::~TEEGForm()
{
    FormDestroy();
}

QAction* TEEGForm::AddItem(QMenu* menu, const QString& name, const QString& caption, std::function<void()> handler,
                           bool checkable)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    actions_.insert(name, action);
    return action;
}

QMenu* TEEGForm::MenuNamed(const QString& name) const
{
    return menus_.value(name);
}

void TEEGForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto remember = [this](QMenu* m, const QString& name) {
        m->setObjectName(name);
        menus_.insert(name, m);
        return m;
    };
    auto topMenu = [&](const QString& name, const QString& caption) { return remember(bar->addMenu(caption), name); };
    auto subMenu = [&](QMenu* parent, const QString& name, const QString& caption) {
        return remember(parent->addMenu(caption), name);
    };

    QMenu* file = topMenu(QStringLiteral("File1"), QStringLiteral("File"));
    AddItem(file, QStringLiteral("OpenWave1"), QStringLiteral("Open Wave"), [this] { OpenWave1Click(); });
    AddItem(file, QStringLiteral("SaveWave1"), QStringLiteral("Save Wave"), [this] { SaveWave1Click(); });
    AddItem(file, QStringLiteral("RecordEdf1"), QStringLiteral("Record EDF+..."), [this] { RecordEdf1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("SaveForm1"), QStringLiteral("Save Form"), [this] { SaveForm1Click(); });
    AddItem(file, QStringLiteral("SaveBitmap1"), QStringLiteral("Save Bitmap"), [this] { SaveBitmap1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("CopyForm1"), QStringLiteral("Copy Form"), [this] { CopyForm1Click(); });
    AddItem(file, QStringLiteral("CopyBitmap1"), QStringLiteral("Copy Bitmap"), [this] { CopyBitmap1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("Vomume1"), QStringLiteral("Volume Control"), [this] { Vomume1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("PrintForm1"), QStringLiteral("Print Form"), [this] { PrintForm1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("Exit1"), QStringLiteral("Exit"), [this] { Exit1Click(); });

    QMenu* options = topMenu(QStringLiteral("Options1"), QStringLiteral("Options"));
    QMenu* input = subMenu(options, QStringLiteral("Input1"), QStringLiteral("Input"));
    AddItem(input, QStringLiteral("Mic1"), QStringLiteral("Microphone"), [this] { Mic1Click(); }, true);
    AddItem(input, QStringLiteral("Line1"), QStringLiteral("Line"), [this] { Line1Click(); }, true);
    QMenu* os = subMenu(options, QStringLiteral("WindowsOS1"), QStringLiteral("Windows OS"));
    AddItem(os, QStringLiteral("WindowsXP"), QStringLiteral("WinXP"), [this] { WindowsXPClick(); }, true);
    AddItem(os, QStringLiteral("Windows2K"), QStringLiteral("Win2K"), [this] { Windows2KClick(); }, true);
    QMenu* modulation = subMenu(options, QStringLiteral("ModulationType1"), QStringLiteral("Modulation Type"));
    AddItem(modulation, QStringLiteral("AM1"), QStringLiteral("AM"), [this] { AM1Click(); }, true);
    AddItem(modulation, QStringLiteral("FM1"), QStringLiteral("FM"), [this] { FM1Click(); }, true);
    AddItem(options, QStringLiteral("ChannelSetup1"), QStringLiteral("Channel Setup"), [this] { ChannelSetup1Click(); });

    QMenu* display = topMenu(QStringLiteral("Display1"), QStringLiteral("Display"));
    QMenu* type = subMenu(display, QStringLiteral("Type1"), QStringLiteral("Type"));
    AddItem(type, QStringLiteral("Spectrum1"), QStringLiteral("Spectrum"), [this] { Spectrum1Click(); }, true);
    AddItem(type, QStringLiteral("Phase1"), QStringLiteral("Phase"), [this] { Phase1Click(); }, true);
    AddItem(type, QStringLiteral("Waterfall1"), QStringLiteral("Waterfall"), [this] { Waterfall1Click(); }, true);
    QMenu* background = subMenu(display, QStringLiteral("BackGroundColor1"), QStringLiteral("BackGround Color"));
    AddItem(background, QStringLiteral("White1"), QStringLiteral("White"), [this] { White1Click(); });
    AddItem(background, QStringLiteral("Black1"), QStringLiteral("Black"), [this] { Black1Click(); });
    AddItem(background, QStringLiteral("Teal1"), QStringLiteral("Teal"), [this] { Teal1Click(); });
    QMenu* colour1 = subMenu(display, QStringLiteral("Channel1Color1"), QStringLiteral("Channel 1 Color"));
    QMenu* colour2 = subMenu(display, QStringLiteral("Channel2Color1"), QStringLiteral("Channel 2 Color"));
    for (const ChannelColorItem& item : ChannelColorItems) {
        const TColor c = item.Color;
        AddItem(colour1, QString::fromLatin1(item.Chan1Item), QString::fromLatin1(item.Caption),
                [this, c] { Chan1ColorClick(c); });
        AddItem(colour2, QString::fromLatin1(item.Chan2Item), QString::fromLatin1(item.Caption),
                [this, c] { Chan2ColorClick(c); });
    }
    QMenu* waterfall = subMenu(display, QStringLiteral("WaterfallColor1"), QStringLiteral("Waterfall Color"));
    for (const WaterfallColorItem& item : WaterfallColorItems) {
        const int palette = item.Palette;
        AddItem(waterfall, QString::fromLatin1(item.Item), QString::fromLatin1(item.Caption),
                [this, palette] { WaterfallColorClick(palette); }, true);
    }
    QMenu* grid = subMenu(display, QStringLiteral("Gridlines1"), QStringLiteral("Gridlines"));
    AddItem(grid, QStringLiteral("GridOn1"), QStringLiteral("On"), [this] { GridOn1Click(); }, true);
    AddItem(grid, QStringLiteral("GridOff1"), QStringLiteral("Off"), [this] { GridOff1Click(); }, true);

    QMenu* help = topMenu(QStringLiteral("Help1"), QStringLiteral("Help"));
    AddItem(help, QStringLiteral("HelpMenu1"), QStringLiteral("Help Menu"), [this] { HelpMenu1Click(); });
    help->addSeparator();
    AddItem(help, QStringLiteral("About1"), QStringLiteral("About"), [this] { About1Click(); });
}

void TEEGForm::BindPanel()
{
    const std::pair<TOvDial*, PanelDial> dials[] = {
        {panel_.Chan1GainDial, PanelDial::Chan1Gain},     {panel_.Chan2GainDial, PanelDial::Chan2Gain},
        {panel_.Chan1OffsetDial, PanelDial::Chan1Offset}, {panel_.Chan2OffsetDial, PanelDial::Chan2Offset},
        {panel_.FreqBaseDial, PanelDial::FreqBase},       {panel_.TimeBaseDial, PanelDial::TimeBase},
    };
    for (const auto& [dial, which] : dials) {
        const PanelDial w = which;
        dial->SetOnValueChange([this, w](QObject*) { OnDial(w); });
        dial->SetOnClick([this, w](QObject*) { OnDial(w); });
    }
    connect(panel_.Chan1GainTrackBar, &QSlider::valueChanged, this, [this] { Chan1GainTrackBarChange(); });
    connect(panel_.Chan2GainTrackBar, &QSlider::valueChanged, this, [this] { Chan2GainTrackBarChange(); });
    connect(panel_.Chan1GainFTrackBar, &QSlider::valueChanged, this, [this] { Chan1GainFTrackBarChange(); });
    connect(panel_.Chan2GainFTrackBar, &QSlider::valueChanged, this, [this] { Chan2GainFTrackBarChange(); });
    panel_.Chan1EnableSwitch->SetOnClick([this](QObject*) { Chan1EnableSwitchClick(); });
    panel_.Chan2EnableSwitch->SetOnClick([this](QObject*) { Chan2EnableSwitchClick(); });
    panel_.DisplayHoldSw->SetOnClick([this](QObject*) { DisplayHoldSwClick(); });
    panel_.MkrSwitch->SetOnClick([this](QObject*) { MkrSwitchClick(); });
    panel_.ExpandSw->SetOnClick([this](QObject*) { ExpandSwClick(); });
    panel_.FltrMkrsSw->SetOnClick([this](QObject*) { FltrMkrsSwClick(); });
    panel_.FltrEnbSw->SetOnClick([this](QObject*) { FltrEnbSwClick(); });
    connect(panel_.RecordBtn, &QPushButton::clicked, this, [this] { RecordBtnClick(); });
    connect(panel_.PlayBtn, &QPushButton::clicked, this, [this] { PlayBtnClick(); });
    connect(panel_.StopWvBtn, &QPushButton::clicked, this, [this] { StopWvBtnClick(); });
    connect(panel_.PauseBtn, &QPushButton::clicked, this, [this] { PauseBtnClick(); });
    panel_.SpectrumBox->OnMouseDown = [this](int x, int y) { SpectrumBoxMouseDown(x, y); };
    panel_.SpectrumBox->OnMouseMove = [this](int x, int y, bool left) { SpectrumBoxMouseMove(x, y, left); };
    panel_.SpectrumBox->OnMouseUp = [this](int x, int y) { SpectrumBoxMouseUp(x, y); };
}

void TEEGForm::ApplyFirstRunState()
{
    // The panel shows both channels on, the gain dials at 3, time base 4, frequency
    // scale 60 and Spectrum mode: the state is made to match, so the signal shows.
    ApplyFirstRunPanel(*Display, *Proc, *this);
    panel_.Chan1EnableSwitch->SetChecked(Proc->Chan1Enabled);
    panel_.Chan2EnableSwitch->SetChecked(Proc->Chan2Enabled);
    panel_.DisplayHoldSw->SetChecked(Proc->DisplayHold);
    SyncTrackBars();
    // The time gains keep 25; their stored positions are those the track bars now show,
    // so the next run puts the bars where they are (the loader restores the gains after).
    Display->Chan1TimeGainSetting = panel_.Chan1GainTrackBar->value() * 10 - 9;
    Display->Chan2TimeGainSetting = panel_.Chan2GainTrackBar->value() * 10 - 9;
    SyncDisplay();
}

// ---------------------------------------------------------------- mirrors

namespace {

void SetLabelText(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

void SetLabelColor(QWidget* w, TColor color)
{
    const QColor c = ColorToQColor(color);
    if (w->palette().color(QPalette::WindowText) == c) return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

void SetPanelColor(QWidget* w, TColor color)
{
    const QColor c = ColorToQColor(color);
    if (w->palette().color(QPalette::Window) == c) return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
}

void SetCheck(QAction* action, bool checked)
{
    if (action && action->isChecked() != checked) action->setChecked(checked);
}

int TrackPosition(int gain)
{
    return std::clamp((gain + 9) / 10, 1, 40);
}

}  // namespace

void TEEGForm::SyncDisplay()
{
    const DisplayState& d = *Display;
    SetLabelText(panel_.HiFreqLabel, d.Labels.HiFreq);
    SetLabelText(panel_.LoFreqLabel, d.Labels.LoFreq);
    SetLabelText(panel_.CursorLabel, d.Labels.Cursor);
    SetLabelText(panel_.MarkerLabel, d.Labels.Marker);
    const StatusStripColors colors = StatusColors(d.BackgroundStyle);
    SetPanelColor(panel_.ScopeStatusPanel, colors.Panel);
    SetLabelColor(panel_.HiFreqLabel, colors.FreqLabels);
    SetLabelColor(panel_.LoFreqLabel, colors.FreqLabels);
    SetLabelColor(panel_.CursorLabel, colors.ReadoutLabels);
    SetLabelColor(panel_.MarkerLabel, colors.ReadoutLabels);

    panel_.MkrSwitch->SetChecked(d.Switches.MkrSwitch);
    panel_.ExpandSw->SetChecked(d.Switches.ExpandSw);
    panel_.FltrMkrsSw->SetChecked(d.Switches.FltrMkrsSw);
    panel_.FltrEnbSw->SetChecked(d.Switches.FltrEnbSw);

    SetCheck(Action(QStringLiteral("Spectrum1")), d.MenuChecks.Spectrum1);
    SetCheck(Action(QStringLiteral("Phase1")), d.MenuChecks.Phase1);
    SetCheck(Action(QStringLiteral("Waterfall1")), d.MenuChecks.Waterfall1);
    SetCheck(Action(QStringLiteral("GridOn1")), d.MenuChecks.GridOn1);
    SetCheck(Action(QStringLiteral("GridOff1")), d.MenuChecks.GridOff1);
    for (const WaterfallColorItem& item : WaterfallColorItems)
        SetCheck(Action(QString::fromLatin1(item.Item)), d.MenuChecks.WaterfallColor == item.Palette);

    const QString hint = d.SpectrumHintOn ? QString::fromLatin1(MarkerHint) : QString();
    if (panel_.SpectrumBox->toolTip() != hint) panel_.SpectrumBox->setToolTip(hint);
}

void TEEGForm::SyncTrackBars()
{
    const std::pair<QSlider*, int> bars[] = {
        {panel_.Chan1GainTrackBar, Display->Chan1TimeGain},
        {panel_.Chan2GainTrackBar, Display->Chan2TimeGain},
        {panel_.Chan1GainFTrackBar, Display->Chan1SpecGain},
        {panel_.Chan2GainFTrackBar, Display->Chan2SpecGain},
    };
    // The gains keep their values: only the positions follow.
    for (const auto& [bar, gain] : bars) {
        const QSignalBlocker block(bar);
        bar->setValue(TrackPosition(gain));
    }
}

void TEEGForm::SyncRecorderButtons()
{
    SetButtonCaptionColor(panel_.RecordBtn, static_cast<TColor>(recorder_->CaptionColor(RecordBtn)));
    SetButtonCaptionColor(panel_.PlayBtn, static_cast<TColor>(recorder_->CaptionColor(PlayBtn)));
    SetButtonCaptionColor(panel_.StopWvBtn, static_cast<TColor>(recorder_->CaptionColor(StopWvBtn)));
    SetButtonCaptionColor(panel_.PauseBtn, static_cast<TColor>(recorder_->CaptionColor(PauseBtn)));
}

void TEEGForm::SetInputChecks()
{
    SetCheck(Action(QStringLiteral("Mic1")), Acq.InputStereo == 0);
    SetCheck(Action(QStringLiteral("Line1")), Acq.InputStereo != 0);
}

void TEEGForm::SetModulationChecks()
{
    SetCheck(Action(QStringLiteral("AM1")), Proc->ModulationType == 1);
    SetCheck(Action(QStringLiteral("FM1")), Proc->ModulationType == 2);
}

void TEEGForm::SetWindowsChecks()
{
    SetCheck(Action(QStringLiteral("WindowsXP")), WindowsOsOption == 1);
    SetCheck(Action(QStringLiteral("Windows2K")), WindowsOsOption == 2);
}

// ---------------------------------------------------------------- display controls

TOvDial* TEEGForm::DialOf(PanelDial dial) const
{
    switch (dial) {
    case PanelDial::Chan1Gain: return panel_.Chan1GainDial;
    case PanelDial::Chan2Gain: return panel_.Chan2GainDial;
    case PanelDial::Chan1Offset: return panel_.Chan1OffsetDial;
    case PanelDial::Chan2Offset: return panel_.Chan2OffsetDial;
    case PanelDial::FreqBase: return panel_.FreqBaseDial;
    case PanelDial::TimeBase: return panel_.TimeBaseDial;
    }
    return panel_.FreqBaseDial;
}

float TEEGForm::SetDial(PanelDial dial, float value)
{
    TOvDial* d = DialOf(dial);
    settingDial_ = true;
    d->SetValue(value);
    settingDial_ = false;
    return d->Value();
}

float TEEGForm::DialValue(PanelDial dial) const
{
    return DialOf(dial)->Value();
}

void TEEGForm::SetFreqDialRange(float valueTo, int designWidth)
{
    // Only the range follows the mode: a wider dial would sit off-centre and run past
    // its group box, so the design width stays.
    (void)designWidth;
    settingDial_ = true;
    panel_.FreqBaseDial->SignalSettings().SetValueTo(valueTo);
    settingDial_ = false;
}

void TEEGForm::ShowMessage(const QString& text, const QString& caption)
{
    dialogs_.ShowMessage(text, caption);
}

void TEEGForm::OnDial(PanelDial dial)
{
    if (settingDial_) return;
    switch (dial) {
    case PanelDial::Chan1Gain: Chan1GainDialClick(); break;
    case PanelDial::Chan2Gain: Chan2GainDialClick(); break;
    case PanelDial::Chan1Offset: Chan1OffsetDialClick(); break;
    case PanelDial::Chan2Offset: Chan2OffsetDialClick(); break;
    case PanelDial::FreqBase: FreqBaseDialClick(); break;
    case PanelDial::TimeBase: TimeBaseDialClick(); break;
    }
}

// ---------------------------------------------------------------- lifecycle and loop

void TEEGForm::StartTimerTimer()
{
    loop_->StartTimerTimer();
}

void TEEGForm::TimeOutTimerTimer()
{
    loop_->TimeOutTimerTimer();
}

void TEEGForm::StartBtnClick()
{
    loop_->StartBtnClick();
}

void TEEGForm::StopBtnClick()
{
    loop_->StopBtnClick();
}

void TEEGForm::HostSetTimeOutTimer(bool enabled)
{
    if (!enabled) {
        timeOutTimer_.stop();
    } else if (!timeOutTimer_.isActive()) {
        timeOutTimer_.start();
    }
}

void TEEGForm::HostSetStartTimer(bool enabled)
{
    if (!enabled || closing_) {
        startTimer_.stop();
    } else if (!startTimer_.isActive()) {
        startTimer_.start();
    }
}

void TEEGForm::RequestTerminate()
{
    // A device failure while acquiring: the loop ends at its next check; the program then
    // ends through the destroy handler, which saves the settings and finishes a recording.
    exitCode_ = 1;
    closing_ = true;
    Acq.AcquisitionIdle = true;
    startTimer_.stop();
    QCoreApplication::exit(exitCode_);
}

void TEEGForm::BlockProcessed(const BlockReport& report)
{
    RedrawPanes(*Display, *Proc);
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
    if (edf_.Active() && !edf_.Block(*Proc, loop_->LastCaptureTime())) StopEdf(true);
    ++blocksShown_;
    if (OnBlock) OnBlock(blocksShown_);
}

void TEEGForm::InputLost(double seconds)
{
    if (!edf_.Active()) return;
    edf_.InputLost(seconds);
    // A WAVE recording has said so already.
    if (!Acq.Recording)
        dialogs_.ShowMessage(QStringLiteral("The window was held up so long that the sound card's queue overflowed: "
                                            "%1 s of input were lost. The EDF+ file marks the gap.")
                                 .arg(seconds, 0, 'f', 1),
                             QStringLiteral("Record Error"));
}

QImage TEEGForm::ClientImage()
{
    return client_->grab().toImage();
}

void TEEGForm::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept();
}

void TEEGForm::FormClose()
{
    if (closing_ && Acq.AcquisitionIdle && !startTimer_.isActive()) {
        // Already closing (Exit closes, then ends the application): no second wait.
        QCoreApplication::exit(exitCode_);
        return;
    }
    closing_ = true;
    Acq.AcquisitionIdle = true;          // a running loop ends at its next check
    startTimer_.stop();
    QThread::msleep(250);
    QCoreApplication::exit(exitCode_);
}

void TEEGForm::FormDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    closing_ = true;
    Acq.AcquisitionIdle = true;
    startTimer_.stop();
    timeOutTimer_.stop();
    SaveSettingsNow();
    recorder_->FinishOnExit();
    StopEdf(false);
}

SettingsTarget& TEEGForm::Settings()
{
    return *settings_;
}

bool TEEGForm::SaveSettingsNow()
{
    return settingsFile_.Save(*settings_);
}

void TEEGForm::Exit1Click()
{
    close();
    QCoreApplication::exit(exitCode_);
}

// ---------------------------------------------------------------- File menu

void TEEGForm::OpenWave1Click()
{
    recorder_->OpenWave1Click();
}

void TEEGForm::SaveWave1Click()
{
    recorder_->SaveWave1Click();
}

void TEEGForm::RecordEdf1Click()
{
    if (edf_.Active()) {
        StopEdf(true);
        return;
    }
    FileDialogRequest request;
    request.Title = QStringLiteral("Record EDF+");
    request.Filter = QStringLiteral("EDF+ Files|*.edf|All Files|*.*");
    request.DefaultExtension = QStringLiteral("edf");
    const std::optional<QString> path = dialogs_.SaveFile(request);
    if (!path) return;
    std::string reason;
    if (!edf_.Start(QFile::encodeName(*path).toStdString(), *Proc, reason)) {
        dialogs_.ShowMessage(QStringLiteral("Could not open the EDF+ file (%1)").arg(QString::fromStdString(reason)),
                             QStringLiteral("File Error Message"));
        return;
    }
    if (Proc->DisplayHold) edf_.Annotate("Hold on");
    Action(QStringLiteral("RecordEdf1"))->setText(QStringLiteral("Stop EDF+"));
}

void TEEGForm::StopEdf(bool tell)
{
    if (!edf_.Active() && !edf_.Recorder().Failed()) return;
    const bool written = edf_.Stop();
    if (QAction* item = Action(QStringLiteral("RecordEdf1"))) item->setText(QStringLiteral("Record EDF+..."));
    if (!tell) return;
    if (!written)
        dialogs_.ShowMessage(QStringLiteral("Could not write the EDF+ file (%1)")
                                 .arg(QString::fromStdString(edf_.Recorder().Error())),
                             QStringLiteral("Record Error"));
    else
        dialogs_.ShowMessage(QString::fromStdString(edf_.Summary()), QStringLiteral("EDF+ Recording"));
}

void TEEGForm::AnnotateEdf(const std::string& text)
{
    if (edf_.Active()) edf_.Annotate(text);
}

void TEEGForm::AnnotateRecorder(int32_t before)
{
    static const char* const States[] = {"", "WAVE recorder: RECORD", "WAVE recorder: PLAY", "WAVE recorder: STOP",
                                         "WAVE recorder: PAUSE"};
    const int32_t now = Acq.RecorderState;
    if (now != before && now >= RecorderRecord && now <= RecorderPause) AnnotateEdf(States[now]);
}

void TEEGForm::SaveForm1Click()
{
    graphics_->SaveForm1Click();
}

void TEEGForm::SaveBitmap1Click()
{
    graphics_->SaveBitmap1Click();
}

void TEEGForm::CopyForm1Click()
{
    graphics_->CopyForm1Click();
}

void TEEGForm::CopyBitmap1Click()
{
    graphics_->CopyBitmap1Click();
}

void TEEGForm::Vomume1Click()
{
    StartVolumeControl(dialogs_);
}

void TEEGForm::PrintForm1Click()
{
    graphics_->PrintForm1Click();
}

// ---------------------------------------------------------------- Options menu

void TEEGForm::Mic1Click()
{
    SetCheck(Action(QStringLiteral("Mic1")), true);
    SetCheck(Action(QStringLiteral("Line1")), false);
    // With no loop running there is no open device to stop: the next start uses the format.
    if (Acq.AcquisitionIdle || Acq.ApplyingSettings)
        Acq.SetInputStereo(false);
    else
        loop_->Mic1Click();
}

void TEEGForm::Line1Click()
{
    SetCheck(Action(QStringLiteral("Mic1")), false);
    SetCheck(Action(QStringLiteral("Line1")), true);
    if (Acq.AcquisitionIdle || Acq.ApplyingSettings)
        Acq.SetInputStereo(true);
    else
        loop_->Line1Click();
}

void TEEGForm::WindowsXPClick()
{
    WindowsOsOption = 1;
    SetWindowsChecks();
}

void TEEGForm::Windows2KClick()
{
    WindowsOsOption = 2;
    SetWindowsChecks();
}

void TEEGForm::AM1Click()
{
    DesignAmCarrierBands(*Proc);
    SetModulationChecks();
}

void TEEGForm::FM1Click()
{
    DesignFmCarrierBands(*Proc);
    SetModulationChecks();
}

void TEEGForm::ChannelSetup1Click()
{
    // Modeless: the carriers change at the next block while acquisition goes on.
    channelSetup_->show();
    channelSetup_->raise();
    channelSetup_->activateWindow();
}

// ---------------------------------------------------------------- Display menu

void TEEGForm::Spectrum1Click()
{
    ::Spectrum1Click(*Display, *Proc, *this);
    SyncDisplay();
}

void TEEGForm::Phase1Click()
{
    ::Phase1Click(*Display, *Proc, *this);
    SyncDisplay();
}

void TEEGForm::Waterfall1Click()
{
    ::Waterfall1Click(*Display, *Proc, *this);
    SyncDisplay();
}

void TEEGForm::RawSpectrum1Click()
{
    ::RawSpectrum1Click(*Display, *Proc, *this);
    SyncDisplay();
}

void TEEGForm::White1Click()
{
    ::White1Click(*Display);
    SyncDisplay();
}

void TEEGForm::Black1Click()
{
    ::Black1Click(*Display);
    SyncDisplay();
}

void TEEGForm::Teal1Click()
{
    ::Teal1Click(*Display);
    SyncDisplay();
}

void TEEGForm::Chan1ColorClick(TColor color)
{
    ::Chan1ColorClick(*Display, color);
}

void TEEGForm::Chan2ColorClick(TColor color)
{
    ::Chan2ColorClick(*Display, color);
}

void TEEGForm::WaterfallColorClick(int palette)
{
    ::WaterfallColorClick(*Display, palette);
    SyncDisplay();
}

void TEEGForm::CheckWaterfallColor(int palette)
{
    ::CheckWaterfallColor(*Display, palette);
    SyncDisplay();
}

void TEEGForm::GridOn1Click()
{
    ::GridOn1Click(*Display);
    SyncDisplay();
}

void TEEGForm::GridOff1Click()
{
    ::GridOff1Click(*Display);
    SyncDisplay();
}

// ---------------------------------------------------------------- Help menu

void TEEGForm::HelpMenu1Click()
{
    OpenHelp(dialogs_, FindHelpFile(QCoreApplication::applicationDirPath()));
}

QString TEEGForm::AboutText()
{
    return QStringLiteral("Velquor: a two-channel EEG viewer for the sound card\n") + QString::fromLatin1(VelquorVersionLine)
           + QStringLiteral("\nCopyright the Velquor developers. All rights reserved.");
}

void TEEGForm::About1Click()
{
    dialogs_.ShowMessage(AboutText(), QStringLiteral("About Velquor"));
}

// ---------------------------------------------------------------- front panel

void TEEGForm::TimeBaseDialClick()
{
    ::TimeBaseDialClick(*Display, panel_.TimeBaseDial->Value());
}

void TEEGForm::Chan1GainDialClick()
{
    ::Chan1GainDialClick(*Display, *Proc, panel_.Chan1GainDial->Value());
}

void TEEGForm::Chan2GainDialClick()
{
    ::Chan2GainDialClick(*Display, *Proc, panel_.Chan2GainDial->Value());
}

void TEEGForm::Chan1OffsetDialClick()
{
    ::Chan1OffsetDialClick(*Display, panel_.Chan1OffsetDial->Value());
}

void TEEGForm::Chan2OffsetDialClick()
{
    ::Chan2OffsetDialClick(*Display, panel_.Chan2OffsetDial->Value());
}

void TEEGForm::FreqBaseDialClick()
{
    ::FreqBaseDialClick(*Display, *Proc, panel_.FreqBaseDial->Value());
    SyncDisplay();
}

void TEEGForm::Chan1GainTrackBarChange()
{
    ::Chan1GainTrackBarChange(*Display, panel_.Chan1GainTrackBar->value());
}

void TEEGForm::Chan2GainTrackBarChange()
{
    ::Chan2GainTrackBarChange(*Display, panel_.Chan2GainTrackBar->value());
}

void TEEGForm::Chan1GainFTrackBarChange()
{
    ::Chan1GainFTrackBarChange(*Display, panel_.Chan1GainFTrackBar->value());
}

void TEEGForm::Chan2GainFTrackBarChange()
{
    ::Chan2GainFTrackBarChange(*Display, panel_.Chan2GainFTrackBar->value());
}

void TEEGForm::Chan1EnableSwitchClick()
{
    ::Chan1EnableSwitchClick(*Proc, panel_.Chan1EnableSwitch->Checked());
}

void TEEGForm::Chan2EnableSwitchClick()
{
    ::Chan2EnableSwitchClick(*Proc, panel_.Chan2EnableSwitch->Checked());
}

void TEEGForm::DisplayHoldSwClick()
{
    ::DisplayHoldSwClick(*Proc, panel_.DisplayHoldSw->Checked());
    AnnotateEdf(Proc->DisplayHold ? "Hold on" : "Hold off");
}

void TEEGForm::MkrSwitchClick()
{
    ::MkrSwitchClick(*Display, *Proc, panel_.MkrSwitch->Checked());
    SyncDisplay();
}

void TEEGForm::ExpandSwClick()
{
    ::ExpandSwClick(*Display, *Proc, *this, panel_.ExpandSw->Checked());
    SyncDisplay();
}

void TEEGForm::FltrMkrsSwClick()
{
    ::FltrMkrsSwClick(*Display, *Proc, *this, panel_.FltrMkrsSw->Checked());
    SyncDisplay();
}

void TEEGForm::FltrEnbSwClick()
{
    ::FltrEnbSwClick(*Display, *Proc, panel_.FltrEnbSw->Checked());
    SyncDisplay();
}

void TEEGForm::RecordBtnClick()
{
    const int32_t before = Acq.RecorderState;
    recorder_->RecordBtnClick();
    SyncRecorderButtons();
    AnnotateRecorder(before);
}

void TEEGForm::PlayBtnClick()
{
    const int32_t before = Acq.RecorderState;
    recorder_->PlayBtnClick();
    SyncRecorderButtons();
    AnnotateRecorder(before);
}

void TEEGForm::StopWvBtnClick()
{
    const int32_t before = Acq.RecorderState;
    recorder_->StopWvBtnClick();
    SyncRecorderButtons();
    AnnotateRecorder(before);
}

void TEEGForm::PauseBtnClick()
{
    const int32_t before = Acq.RecorderState;
    recorder_->PauseBtnClick();
    SyncRecorderButtons();
    AnnotateRecorder(before);
}

void TEEGForm::SpectrumBoxMouseDown(int, int)
{
    ::SpectrumBoxMouseDown(*Display);
}

void TEEGForm::SpectrumBoxMouseMove(int x, int y, bool leftButton)
{
    ::SpectrumBoxMouseMove(*Display, *Proc, x, y, leftButton);
    SyncDisplay();
}

void TEEGForm::SpectrumBoxMouseUp(int, int)
{
    ::SpectrumBoxMouseUp(*Display);
}
