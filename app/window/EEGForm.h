#pragma once
// TEEGForm: Velquor's main window. It owns the shared state (capture, processing and
// display), the front panel, the menus, the two timers and the acquisition loop, and
// binds every menu item and control to its handler. The handlers themselves are thin:
// display logic lives in app/display, processing in dsp/, acquisition in acquisition/.

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

#include "acquisition/AcquisitionLoop.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/EdfRecorder.h"
#include "acquisition/Recorder.h"
#include "acquisition/WaitPacer.h"
#include "acquisition/WaveIn.h"
#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "app/dialogs/GraphicsCommands.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/SettingsTarget.h"
#include "app/window/FrontPanel.h"
#include "dsp/ProcessingState.h"
#include "platform/dialogs/Dialogs.h"

class QAction;
class QMenu;
class TChannelSetupForm;
class TEEGForm;

// The loop's view of the window: nested message processing serves the Qt event loop,
// the two timers are QTimers, message boxes go through the window's dialogs.
class TWindowHost : public AcquisitionHost {
public:
    // Longest time a pass may go without serving the window's messages.
    static constexpr int MessageStarveMs = 20;

    explicit TWindowHost(TEEGForm& form) : form_(form) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ProcessMessages() override;
    void SleepMs(int milliseconds) override;
    void SetTimeOutTimer(bool enabled) override;
    void SetStartTimer(bool enabled) override;
    void RequestTerminate() override;
    void BlockProcessed(const BlockReport& report) override;
    void InputLost(double seconds) override;

private:
    TEEGForm& form_;
    std::chrono::steady_clock::time_point lastMessages_{};
    WaitPacer pacer_;
};

struct EEGFormOptions {
    Dialogs* UserDialogs = nullptr;             // required; outlives the window
    std::unique_ptr<WaveInBackend> Input;       // required
    QString SettingsPath;                       // empty: the user's configuration folder
    bool StartAcquisition = true;               // arm the start-up timer at construction
};

class TEEGForm : public QMainWindow, public DisplayControls {
public:
    explicit TEEGForm(EEGFormOptions options, QWidget* parent = nullptr);
    ~TEEGForm() override;                       // FormDestroy

    // ---- Shared state (one instance each, for the life of the window).
    AcquisitionState Acq;
    std::unique_ptr<ProcessingState> Proc;
    std::unique_ptr<DisplayState> Display;
    int32_t WindowsOsOption = 1;                // 1 WinXP, 2 Win2K: stored, chooses nothing here
    int32_t Reserved5 = 10;                     // two settings fields kept only to be written back
    int32_t Reserved6 = 10;

    // ---- Lifecycle and loop.
    void StartTimerTimer();
    void TimeOutTimerTimer();
    void StartBtnClick();
    void StopBtnClick();
    void FormClose();
    void FormDestroy();

    // ---- File menu.
    void OpenWave1Click();
    void SaveWave1Click();
    // "Record EDF+..." / "Stop EDF+": the traces of every processed block to an EDF+ file.
    void RecordEdf1Click();
    void SaveForm1Click();
    void SaveBitmap1Click();
    void CopyForm1Click();
    void CopyBitmap1Click();
    void Vomume1Click();
    void PrintForm1Click();
    void Exit1Click();
    // ---- Options menu.
    void Mic1Click();
    void Line1Click();
    void WindowsXPClick();
    void Windows2KClick();
    void AM1Click();
    void FM1Click();
    void ChannelSetup1Click();
    // ---- Display menu.
    void Spectrum1Click();
    void Phase1Click();
    void Waterfall1Click();
    void RawSpectrum1Click();
    void White1Click();
    void Black1Click();
    void Teal1Click();
    void Chan1ColorClick(TColor color);
    void Chan2ColorClick(TColor color);
    void WaterfallColorClick(int palette);
    void CheckWaterfallColor(int palette);
    void GridOn1Click();
    void GridOff1Click();
    // ---- Help menu.
    void HelpMenu1Click();
    void About1Click();
    static QString AboutText();

    // ---- Front panel (the handlers read the control's current position).
    void TimeBaseDialClick();
    void Chan1GainDialClick();
    void Chan2GainDialClick();
    void Chan1OffsetDialClick();
    void Chan2OffsetDialClick();
    void FreqBaseDialClick();
    void Chan1GainTrackBarChange();
    void Chan2GainTrackBarChange();
    void Chan1GainFTrackBarChange();
    void Chan2GainFTrackBarChange();
    void Chan1EnableSwitchClick();
    void Chan2EnableSwitchClick();
    void DisplayHoldSwClick();
    void MkrSwitchClick();
    void ExpandSwClick();
    void FltrMkrsSwClick();
    void FltrEnbSwClick();
    void RecordBtnClick();
    void PlayBtnClick();
    void StopWvBtnClick();
    void PauseBtnClick();
    void SpectrumBoxMouseDown(int x, int y);
    void SpectrumBoxMouseMove(int x, int y, bool leftButton);
    void SpectrumBoxMouseUp(int x, int y);

    // The state a first run without a settings file comes up in: what the controls show.
    void ApplyFirstRunState();
    // The settings file: loaded at construction (with the first-run state when there is
    // none), saved by the destroy handler.
    SettingsTarget& Settings();
    bool SaveSettingsNow();

    // ---- DisplayControls.
    float SetDial(PanelDial dial, float value) override;
    float DialValue(PanelDial dial) const override;
    void SetFreqDialRange(float valueTo, int designWidth) override;
    void ShowMessage(const QString& text, const QString& caption) override;

    // ---- For the program's main routine and for tests.
    TFrontPanel& Panel() { return panel_; }
    QWidget* Client() const { return client_; }
    // A menu item by its component name ("Spectrum1", "AM1", "Exit1", ...); null when unknown.
    QAction* Action(const QString& name) const { return actions_.value(name); }
    QMenu* MenuNamed(const QString& name) const;
    AcquisitionLoop& Loop() { return *loop_; }
    Recorder& Rec() { return *recorder_; }
    const EdfSession& Edf() const { return edf_; }
    QTimer& StartTimer() { return startTimer_; }
    QTimer& TimeOutTimer() { return timeOutTimer_; }
    TChannelSetupForm* ChannelSetupWindow() const { return channelSetup_; }
    GraphicsCommands& Graphics() { return *graphics_; }
    const QString& SettingsPath() const { return settingsFile_.Path(); }
    // Why the settings will not be saved at exit (empty when they will); said at start-up on
    // standard error and in the status strip.
    const QString& SettingsNotSaved() const { return settingsFile_.NotSaved(); }
    bool Closing() const { return closing_; }
    // Status the program should end with: 0, or 1 after a device failure ended it.
    int ExitCode() const { return exitCode_; }
    // Processed blocks since construction.
    long long BlocksShown() const { return blocksShown_; }
    // Runs after every processed block (after the redraw and the indicators).
    std::function<void(long long blocks)> OnBlock;
    // The client area as "Save Form" takes it.
    QImage ClientImage();

    // Called by the host.
    void BlockProcessed(const BlockReport& report);
    void InputLost(double seconds);
    void RequestTerminate();
    void HostSetTimeOutTimer(bool enabled);
    void HostSetStartTimer(bool enabled);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    class HourCounter;
    class SettingsAdapter;

    void BuildMenus();
    void BindPanel();
    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption, std::function<void()> handler,
                     bool checkable = false);
    TOvDial* DialOf(PanelDial dial) const;
    // Mirrors the display state (labels, colours, switches, check marks, hint) onto the widgets.
    void SyncDisplay();
    void SyncTrackBars();
    void SyncRecorderButtons();
    void SetInputChecks();
    void SetModulationChecks();
    void SetWindowsChecks();
    // Runs a dial handler unless the dial is being set from code.
    void OnDial(PanelDial dial);
    // Ends the EDF+ recording; `tell` shows its summary (and any failure) in a message box.
    void StopEdf(bool tell);
    void AnnotateEdf(const std::string& text);
    // The WAVE recorder's state change, if a button changed it (pauses and ends of playback).
    void AnnotateRecorder(int32_t before);

    Dialogs& dialogs_;
    std::unique_ptr<WaveInBackend> input_;
    TWindowHost host_;
    std::unique_ptr<FileDialogs> waveDialogs_;
    std::unique_ptr<HourCounter> hourCounter_;
    std::unique_ptr<SettingsAdapter> settings_;
    std::unique_ptr<GraphicsCommands> graphics_;
    TChannelSetupForm* channelSetup_ = nullptr;
    bool pausedForGraphics_ = false;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<AcquisitionLoop> loop_;
    QTimer startTimer_;
    QTimer timeOutTimer_;
    QWidget* client_ = nullptr;
    TFrontPanel panel_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    SettingsFile settingsFile_;
    bool settingDial_ = false;
    bool closing_ = false;
    bool destroyed_ = false;
    int exitCode_ = 0;
    long long blocksShown_ = 0;
    EdfSession edf_;
};

