#pragma once
// TEEGForm: Velquor's main window. It owns the shared state (capture, processing and
// display), the front panel, the menus, the two timers and the acquisition loop, and
// binds every menu item and control to its handler. The handlers live where their work
// is: the display commands in app/display, the recorder's in acquisition/Recorder, the
// graphics commands in app/dialogs; the window's menu table and panel bindings call them
// and then mirror the display state onto the widgets.
//
// The window's code is split by concern: construction and the loop's host (EEGForm.cpp),
// the menus and their commands (EEGFormMenus.cpp), the front panel's bindings and dials
// (EEGFormPanel.cpp), the mirrors of the state onto the widgets (EEGFormSync.cpp) and the
// settings file's view of the window (EEGFormSettings.cpp).

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionLoop.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/EdfRecorder.h"
#include "acquisition/Recorder.h"
#include "acquisition/WaitPacer.h"
#include "acquisition/WaveIn.h"
#include "app/dialogs/GraphicsCommands.h"
#include "app/dialogs/RecorderDialogs.h"
#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/SettingsRecord.h"
#include "app/settings/SettingsTarget.h"
#include "app/window/FrontPanel.h"
#include "dsp/ProcessingState.h"
#include "platform/dialogs/Dialogs.h"

class QAction;
class QMenu;
class CalibrationStore;
class TCalibrateForm;
class TChannelSetupForm;

struct EEGFormOptions {
    Dialogs* UserDialogs = nullptr;             // required; outlives the window
    std::unique_ptr<WaveInBackend> Input;       // required
    QString SettingsPath;                       // empty: the user's configuration folder
    bool StartAcquisition = true;               // arm the start-up timer at construction
};

class TEEGForm : public QMainWindow, public DisplayControls, private AcquisitionHost {
public:
    // Longest time a pass of the loop may go without serving the window's messages.
    static constexpr int MessageStarveMs = 20;

    explicit TEEGForm(EEGFormOptions options, QWidget* parent = nullptr);
    ~TEEGForm() override;                       // FormDestroy

    // The shared state, one instance each for the life of the window.
    AcquisitionState& Acq() { return acq_; }
    const AcquisitionState& Acq() const { return acq_; }
    ProcessingState& Proc() { return *proc_; }
    const ProcessingState& Proc() const { return *proc_; }
    DisplayState& Display() { return *display_; }
    const DisplayState& Display() const { return *display_; }
    StoredOptions& Options() { return options_; }

    // Lifecycle.
    void FormClose();
    void FormDestroy();

    // The handlers that do more than one command's work: the EDF+ recording, Hold (which
    // the recording notes) and the recorder's buttons (their captions and notes follow).
    void RecordEdf1Click();
    void DisplayHoldSwClick();
    static QString AboutText();

    // The settings file: loaded at construction (the first-run panel when there is none),
    // saved by the destroy handler.
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
    QMenu* MenuNamed(const QString& name) const { return menus_.value(name); }
    AcquisitionLoop& Loop() { return *loop_; }
    Recorder& Rec() { return *recorder_; }
    const EdfSession& Edf() const { return edf_; }
    QTimer& StartTimer() { return startTimer_; }
    QTimer& TimeOutTimer() { return timeOutTimer_; }
    TChannelSetupForm* ChannelSetupWindow() const { return channelSetup_; }
    // Options > Calibrate...: the dialog, and the calibrations it keeps beside the settings file.
    TCalibrateForm* CalibrateWindow() const { return calibrate_; }
    CalibrationStore& Calibrations() { return *calibrations_; }
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
    void SetOnBlock(std::function<void(long long blocks)> onBlock) { onBlock_ = std::move(onBlock); }
    // The client area as "Save Form" takes it.
    QImage ClientImage();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    class HourCounter;
    class SettingsAdapter;

    // ---- AcquisitionHost: the loop's view of the window. Nested message processing
    // serves the Qt event loop, the two timers are QTimers, message boxes go through the
    // window's dialogs.
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        ShowHostMessage(dialogs_, text, caption);
    }
    void ProcessMessages() override;
    void SleepMs(int milliseconds) override;
    void SetTimeOutTimer(bool enabled) override;
    void SetStartTimer(bool enabled) override
    {
        if (!enabled || closing_)
            startTimer_.stop();
        else if (!startTimer_.isActive())
            startTimer_.start();
    }
    void RequestTerminate() override;
    void BlockProcessed(const BlockReport& report) override;
    void InputLost(double seconds) override;

    // Construction (EEGFormMenus.cpp, EEGFormPanel.cpp, EEGFormSettings.cpp).
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption, std::function<void()> command,
                     bool checkable = false);
    void BindPanel();
    void LoadStoredSettings();

    // Commands shared by the menus and the settings loader.
    void SelectInput(bool stereo);              // Mic1Click, Line1Click
    void SelectWindowsOs(int32_t option);       // WindowsXPClick, Windows2KClick
    void SelectModulation(int32_t type);        // AM1Click, FM1Click
    // A recorder button's handler, then its captions and the EDF+ note of the change.
    void RunRecorder(void (Recorder::*handler)());
    // Ends the EDF+ recording; `tell` shows its summary (and any failure) in a message box.
    void StopEdf(bool tell);
    void AnnotateEdf(const std::string& text);

    // Dials (EEGFormPanel.cpp).
    TOvDial* DialOf(PanelDial dial) const;
    // Runs a dial's handler unless the dial is being set from code.
    void OnDial(PanelDial dial);

    // Mirrors of the state onto the widgets (EEGFormSync.cpp).
    void SyncDisplay();                         // labels, colours, switches, check marks, hint
    void SyncTrackBars();
    void SyncRecorderButtons();
    void SyncOptionChecks();                    // input, modulation, Windows OS
    // Each channel's calibration as it applies to the block just processed.
    void UpdateMicrovolts();
    void Check(const QString& item, bool checked);

    AcquisitionState acq_;
    std::unique_ptr<ProcessingState> proc_;
    std::unique_ptr<DisplayState> display_;
    StoredOptions options_;

    Dialogs& dialogs_;
    std::unique_ptr<WaveInBackend> input_;
    std::unique_ptr<FileDialogs> waveDialogs_;
    std::unique_ptr<HourCounter> hourCounter_;
    std::unique_ptr<SettingsTarget> settings_;
    std::unique_ptr<GraphicsCommands> graphics_;
    TChannelSetupForm* channelSetup_ = nullptr;
    std::unique_ptr<CalibrationStore> calibrations_;
    TCalibrateForm* calibrate_ = nullptr;
    bool pausedForGraphics_ = false;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<AcquisitionLoop> loop_;
    QTimer startTimer_;
    QTimer timeOutTimer_;
    std::chrono::steady_clock::time_point lastMessages_{};
    WaitPacer pacer_;
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
    std::function<void(long long)> onBlock_;
    EdfSession edf_;
};
