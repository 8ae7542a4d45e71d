// The main window's menus: one table of items, each bound to the command that does its
// work, and the commands that are the window's own (input format, options, EDF+, help).
#include "app/window/EEGForm.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>

#include "app/dialogs/CalibrateForm.h"
#include "app/dialogs/CalibrationStore.h"
#include "app/dialogs/ChannelSetupForm.h"
#include "app/dialogs/DesktopCommands.h"
#include "app/display/FrequencyPane.h"
#include "app/window/CommandLine.h"
#include "dsp/Designs.h"

QAction* TEEGForm::AddItem(QMenu* menu, const QString& name, const QString& caption, std::function<void()> command,
                           bool checkable)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    // Every command may change what the panel shows: the widgets follow the state after it.
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        command();
        SyncDisplay();
    });
    actions_.insert(name, action);
    return action;
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
    DisplayState& d = *display_;
    ProcessingState& p = *proc_;

    QMenu* file = topMenu(QStringLiteral("File1"), QStringLiteral("File"));
    AddItem(file, QStringLiteral("OpenWave1"), QStringLiteral("Open Wave"), [this] { recorder_->OpenWave1Click(); });
    AddItem(file, QStringLiteral("SaveWave1"), QStringLiteral("Save Wave"), [this] { recorder_->SaveWave1Click(); });
    AddItem(file, QStringLiteral("RecordEdf1"), QStringLiteral("Record EDF+..."), [this] { RecordEdf1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("SaveForm1"), QStringLiteral("Save Form"), [this] { graphics_->SaveForm1Click(); });
    AddItem(file, QStringLiteral("SaveBitmap1"), QStringLiteral("Save Bitmap"), [this] { graphics_->SaveBitmap1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("CopyForm1"), QStringLiteral("Copy Form"), [this] { graphics_->CopyForm1Click(); });
    AddItem(file, QStringLiteral("CopyBitmap1"), QStringLiteral("Copy Bitmap"), [this] { graphics_->CopyBitmap1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("Vomume1"), QStringLiteral("Volume Control"), [this] { StartVolumeControl(dialogs_); });
    file->addSeparator();
    AddItem(file, QStringLiteral("PrintForm1"), QStringLiteral("Print Form"), [this] { graphics_->PrintForm1Click(); });
    file->addSeparator();
    AddItem(file, QStringLiteral("Exit1"), QStringLiteral("Exit"), [this] {
        close();
        QCoreApplication::exit(exitCode_);
    });

    QMenu* options = topMenu(QStringLiteral("Options1"), QStringLiteral("Options"));
    QMenu* input = subMenu(options, QStringLiteral("Input1"), QStringLiteral("Input"));
    AddItem(input, QStringLiteral("Mic1"), QStringLiteral("Microphone"), [this] { SelectInput(false); }, true);
    AddItem(input, QStringLiteral("Line1"), QStringLiteral("Line"), [this] { SelectInput(true); }, true);
    QMenu* os = subMenu(options, QStringLiteral("WindowsOS1"), QStringLiteral("Windows OS"));
    AddItem(os, QStringLiteral("WindowsXP"), QStringLiteral("WinXP"), [this] { SelectWindowsOs(1); }, true);
    AddItem(os, QStringLiteral("Windows2K"), QStringLiteral("Win2K"), [this] { SelectWindowsOs(2); }, true);
    QMenu* modulation = subMenu(options, QStringLiteral("ModulationType1"), QStringLiteral("Modulation Type"));
    AddItem(modulation, QStringLiteral("AM1"), QStringLiteral("AM"), [this] { SelectModulation(1); }, true);
    AddItem(modulation, QStringLiteral("FM1"), QStringLiteral("FM"), [this] { SelectModulation(2); }, true);
    AddItem(options, QStringLiteral("ChannelSetup1"), QStringLiteral("Channel Setup"), [this] {
        // Modeless: the carriers change at the next block while acquisition goes on.
        channelSetup_->show();
        channelSetup_->raise();
        channelSetup_->activateWindow();
    });
    AddItem(options, QStringLiteral("Calibrate1"), QStringLiteral("Calibrate..."), [this] {
        // Modeless: the measurement takes the blocks that follow.
        calibrate_->show();
        calibrate_->raise();
        calibrate_->activateWindow();
    });

    QMenu* display = topMenu(QStringLiteral("Display1"), QStringLiteral("Display"));
    QMenu* type = subMenu(display, QStringLiteral("Type1"), QStringLiteral("Type"));
    AddItem(type, QStringLiteral("Spectrum1"), QStringLiteral("Spectrum"), [this, &d, &p] { Spectrum1Click(d, p, *this); }, true);
    AddItem(type, QStringLiteral("Phase1"), QStringLiteral("Phase"), [this, &d, &p] { Phase1Click(d, p, *this); }, true);
    AddItem(type, QStringLiteral("Waterfall1"), QStringLiteral("Waterfall"), [this, &d, &p] { Waterfall1Click(d, p, *this); },
            true);
    QMenu* background = subMenu(display, QStringLiteral("BackGroundColor1"), QStringLiteral("BackGround Color"));
    AddItem(background, QStringLiteral("White1"), QStringLiteral("White"), [&d] { White1Click(d); });
    AddItem(background, QStringLiteral("Black1"), QStringLiteral("Black"), [&d] { Black1Click(d); });
    AddItem(background, QStringLiteral("Teal1"), QStringLiteral("Teal"), [&d] { Teal1Click(d); });
    QMenu* colour1 = subMenu(display, QStringLiteral("Channel1Color1"), QStringLiteral("Channel 1 Color"));
    QMenu* colour2 = subMenu(display, QStringLiteral("Channel2Color1"), QStringLiteral("Channel 2 Color"));
    for (const ChannelColorItem& item : ChannelColorItems) {
        const TColor c = item.Color;
        AddItem(colour1, QString::fromLatin1(item.Chan1Item), QString::fromLatin1(item.Caption),
                [&d, c] { Chan1ColorClick(d, c); });
        AddItem(colour2, QString::fromLatin1(item.Chan2Item), QString::fromLatin1(item.Caption),
                [&d, c] { Chan2ColorClick(d, c); });
    }
    QMenu* waterfall = subMenu(display, QStringLiteral("WaterfallColor1"), QStringLiteral("Waterfall Color"));
    for (const WaterfallColorItem& item : WaterfallColorItems) {
        const int palette = item.Palette;
        AddItem(waterfall, QString::fromLatin1(item.Item), QString::fromLatin1(item.Caption),
                [&d, palette] { WaterfallColorClick(d, palette); }, true);
    }
    QMenu* grid = subMenu(display, QStringLiteral("Gridlines1"), QStringLiteral("Gridlines"));
    AddItem(grid, QStringLiteral("GridOn1"), QStringLiteral("On"), [&d] { GridOn1Click(d); }, true);
    AddItem(grid, QStringLiteral("GridOff1"), QStringLiteral("Off"), [&d] { GridOff1Click(d); }, true);

    QMenu* help = topMenu(QStringLiteral("Help1"), QStringLiteral("Help"));
    AddItem(help, QStringLiteral("HelpMenu1"), QStringLiteral("Help Menu"),
            [this] { OpenHelp(dialogs_, FindHelpFile(QCoreApplication::applicationDirPath())); });
    help->addSeparator();
    AddItem(help, QStringLiteral("About1"), QStringLiteral("About"),
            [this] { dialogs_.ShowMessage(AboutText(), QStringLiteral("About Velquor")); });
}

QString TEEGForm::AboutText()
{
    return QStringLiteral("Velquor: a two-channel EEG viewer for the sound card\n") + QString::fromLatin1(VelquorVersionLine)
           + QStringLiteral("\nCopyright the Velquor developers. All rights reserved.");
}

// ---------------------------------------------------------------- Options

void TEEGForm::SelectInput(bool stereo)
{
    Check(QStringLiteral("Mic1"), !stereo);
    Check(QStringLiteral("Line1"), stereo);
    // With no loop running there is no open device to stop: the next start uses the format.
    if (acq_.AcquisitionIdle || acq_.ApplyingSettings)
        acq_.SetInputStereo(stereo);
    else if (stereo)
        loop_->Line1Click();
    else
        loop_->Mic1Click();
}

void TEEGForm::SelectWindowsOs(int32_t option)
{
    options_.WindowsOs = option;
    SyncOptionChecks();
}

void TEEGForm::SelectModulation(int32_t type)
{
    if (type == 1)
        ApplyAmPresetBands(*proc_);
    else
        ApplyFmPresetBands(*proc_);
    SyncOptionChecks();
}

// ---------------------------------------------------------------- EDF+ recording

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
    // Channels calibrated for the modulation and carrier in force are recorded in microvolts.
    if (!edf_.Start(QFile::encodeName(*path).toStdString(), *proc_, reason, calibrations_->InForce(*proc_))) {
        dialogs_.ShowMessage(QStringLiteral("Could not open the EDF+ file (%1)").arg(QString::fromStdString(reason)),
                             QStringLiteral("File Error Message"));
        return;
    }
    if (proc_->DisplayHold) edf_.Annotate("Hold on");
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
