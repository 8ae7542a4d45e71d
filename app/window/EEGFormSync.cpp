// The main window's mirrors: after a command or a block, the widgets follow the state
// (labels, colours, switch positions, check marks, track bars, recorder captions).
// Setting a widget from here never runs its handler.
#include "app/window/EEGForm.h"

#include <algorithm>

#include <QAction>
#include <QSignalBlocker>

#include "app/display/FrequencyPane.h"
#include "platform/canvas/ClassicPalette.h"

namespace {

void SetLabelText(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

void SetColor(QWidget* w, QPalette::ColorRole role, TColor color)
{
    const QColor c = ColorToQColor(color);
    if (w->palette().color(role) == c) return;
    QPalette pal = w->palette();
    pal.setColor(role, c);
    w->setPalette(pal);
}

// The cursor readout: its position, and beneath it, smaller, the calibrated channels'
// amplitudes there.
QString CursorText(const DisplayLabels& labels, int pixels)
{
    if (labels.CursorMicrovolts.isEmpty()) return labels.Cursor;
    return QStringLiteral("<p style=\"line-height:80%\">%1<br><span style=\"font-size:%2px\">%3</span></p>")
        .arg(labels.Cursor.toHtmlEscaped())
        .arg((pixels * 3 + 2) / 4)
        .arg(labels.CursorMicrovolts.toHtmlEscaped());
}

}  // namespace

void TEEGForm::Check(const QString& item, bool checked)
{
    QAction* action = Action(item);
    if (action && action->isChecked() != checked) action->setChecked(checked);
}

void TEEGForm::SyncDisplay()
{
    const DisplayView& v = display_->View;
    SetLabelText(panel_.HiFreqLabel, v.Labels.HiFreq);
    SetLabelText(panel_.LoFreqLabel, v.Labels.LoFreq);
    SetLabelText(panel_.CursorLabel, CursorText(v.Labels, panel_.CursorLabel->font().pixelSize()));
    SetLabelText(panel_.MarkerLabel, v.Labels.Marker);
    const StatusStripColors colors = StatusColors(display_->Settings.BackgroundStyle);
    SetColor(panel_.ScopeStatusPanel, QPalette::Window, colors.Panel);
    for (QLabel* label : {panel_.HiFreqLabel, panel_.LoFreqLabel})
        SetColor(label, QPalette::WindowText, colors.FreqLabels);
    for (QLabel* label : {panel_.CursorLabel, panel_.MarkerLabel})
        SetColor(label, QPalette::WindowText, colors.ReadoutLabels);

    panel_.MkrSwitch->SetChecked(v.Switches.MkrSwitch);
    panel_.ExpandSw->SetChecked(v.Switches.ExpandSw);
    panel_.FltrMkrsSw->SetChecked(v.Switches.FltrMkrsSw);
    panel_.FltrEnbSw->SetChecked(v.Switches.FltrEnbSw);

    Check(QStringLiteral("Spectrum1"), v.MenuChecks.Spectrum1);
    Check(QStringLiteral("Phase1"), v.MenuChecks.Phase1);
    Check(QStringLiteral("Waterfall1"), v.MenuChecks.Waterfall1);
    Check(QStringLiteral("GridOn1"), v.MenuChecks.GridOn1);
    Check(QStringLiteral("GridOff1"), v.MenuChecks.GridOff1);
    for (const WaterfallColorItem& item : WaterfallColorItems)
        Check(QString::fromLatin1(item.Item), v.MenuChecks.WaterfallColor == item.Palette);

    const QString hint = v.SpectrumHintOn ? QString::fromLatin1(MarkerHint) : QString();
    if (panel_.SpectrumBox->toolTip() != hint) panel_.SpectrumBox->setToolTip(hint);
}

void TEEGForm::SyncTrackBars()
{
    const DisplaySettings& s = display_->Settings;
    const std::pair<QSlider*, int> bars[] = {
        {panel_.Chan1GainTrackBar, s.Chan1TimeGain},
        {panel_.Chan2GainTrackBar, s.Chan2TimeGain},
        {panel_.Chan1GainFTrackBar, s.Chan1SpecGain},
        {panel_.Chan2GainFTrackBar, s.Chan2SpecGain},
    };
    // The gains keep their values: only the positions follow.
    for (const auto& [bar, gain] : bars) {
        const QSignalBlocker block(bar);
        bar->setValue(std::clamp((gain + 9) / 10, 1, 40));
    }
}

void TEEGForm::SyncRecorderButtons()
{
    const std::pair<QPushButton*, RecorderButton> buttons[] = {
        {panel_.RecordBtn, RecordBtn}, {panel_.PlayBtn, PlayBtn}, {panel_.StopWvBtn, StopWvBtn}, {panel_.PauseBtn, PauseBtn}};
    for (const auto& [button, which] : buttons)
        SetButtonCaptionColor(button, static_cast<TColor>(recorder_->CaptionColor(which)));
}

void TEEGForm::SyncOptionChecks()
{
    Check(QStringLiteral("Mic1"), acq_.InputStereo == 0);
    Check(QStringLiteral("Line1"), acq_.InputStereo != 0);
    Check(QStringLiteral("AM1"), proc_->ModulationType == 1);
    Check(QStringLiteral("FM1"), proc_->ModulationType == 2);
    Check(QStringLiteral("WindowsXP"), options_.WindowsOs == 1);
    Check(QStringLiteral("Windows2K"), options_.WindowsOs == 2);
}
