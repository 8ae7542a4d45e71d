#include "app/dialogs/CalibrateForm.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/dialogs/CalibrationStore.h"

namespace {

// The declared signal a calibrator most often gives.
constexpr double DefaultMicrovoltsPp = 100.0;
constexpr double DefaultHz = 10.0;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

void SetText(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

void SetTextColor(QLabel* label, const QColor& color)
{
    QPalette pal = label->palette();
    if (pal.color(QPalette::WindowText) == color) return;
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

// What the measurement found, in the calibration's own reference unit.
QString MeasuredText(const CalibrationResult& r)
{
    const ChannelCalibration& c = r.Calibration;
    const QString measured = c.ModulationType == 2
                                 ? QStringLiteral("%1 Hz of deviation").arg(r.MeasuredPp, 0, 'g', 3)
                                 : QStringLiteral("%1 % modulation depth").arg(100.0 * r.MeasuredPp, 0, 'g', 3);
    return QStringLiteral("Measured %1 p-p at %2 Hz, the tone %3 % of the signal's power: %4 %5. Save keeps it.")
        .arg(measured)
        .arg(c.DeclaredHz, 0, 'g', 4)
        .arg(100.0 * r.ToneShare, 0, 'f', 0)
        .arg(c.MicrovoltsPerUnit, 0, 'g', 4)
        .arg(QString::fromLatin1(ReferenceUnitText(c.ModulationType)));
}

}  // namespace

TCalibrateForm::TCalibrateForm(const ProcessingState& state, CalibrationStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      store_(store)
{
    setObjectName(QStringLiteral("CalibrateForm"));
    setWindowTitle(QStringLiteral("Calibrate"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Feed a channel's EEG input a known signal (a calibrator, or the "
                                            "amplifier's test signal), enter it, and press Measure. The channel "
                                            "then reads in microvolts for the modulation and carrier in force."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);
    for (int channel = 1; channel <= 2; ++channel) {
        BuildChannel(channel);
        columns->addWidget(channels_[channel - 1].Controls.State->parentWidget());
    }
    fileLabel_ = new QLabel(this);
    fileLabel_->setObjectName(QStringLiteral("CalibrationFileLabel"));
    fileLabel_->setWordWrap(true);
    fileLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(fileLabel_);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumWidth(620);
    Refresh();
}

TCalibrateForm::~TCalibrateForm() = default;

void TCalibrateForm::BuildChannel(int channel)
{
    const QString n = QString::number(channel);
    auto* box = new QGroupBox(QStringLiteral("Channel ") + n, this);
    box->setObjectName(QStringLiteral("CalibrateChannel") + n);
    auto* column = new QVBoxLayout(box);
    Channel& c = channels_[channel - 1].Controls;

    c.State = new QLabel(box);
    c.State->setObjectName(QStringLiteral("Chan%1CalibrationState").arg(n));
    c.State->setWordWrap(true);
    c.State->setMinimumHeight(2 * c.State->fontMetrics().lineSpacing());
    column->addWidget(c.State);

    auto* form = new QFormLayout;
    c.Microvolts = new QDoubleSpinBox(box);
    c.Microvolts->setObjectName(QStringLiteral("Chan%1CalibrationMicrovolts").arg(n));
    c.Microvolts->setRange(0.1, 100000.0);
    c.Microvolts->setDecimals(1);
    c.Microvolts->setValue(DefaultMicrovoltsPp);
    c.Microvolts->setSuffix(QStringLiteral(" uV p-p"));
    c.Microvolts->setAccessibleName(QStringLiteral("Channel %1 calibration signal, microvolts peak to peak").arg(n));
    form->addRow(QStringLiteral("Signal:"), c.Microvolts);
    c.Hz = new QDoubleSpinBox(box);
    c.Hz->setObjectName(QStringLiteral("Chan%1CalibrationHz").arg(n));
    c.Hz->setRange(CalibrationMinHz, CalibrationMaxHz);
    c.Hz->setDecimals(2);
    c.Hz->setValue(DefaultHz);
    c.Hz->setSuffix(QStringLiteral(" Hz"));
    c.Hz->setAccessibleName(QStringLiteral("Channel %1 calibration signal, hertz").arg(n));
    form->addRow(QStringLiteral("Frequency:"), c.Hz);
    column->addLayout(form);

    auto* buttons = new QHBoxLayout;
    c.Measure = new QPushButton(QStringLiteral("Measure"), box);
    c.Save = new QPushButton(QStringLiteral("Save"), box);
    c.Clear = new QPushButton(QStringLiteral("Clear"), box);
    for (QPushButton* b : {c.Measure, c.Save, c.Clear}) {
        b->setObjectName(QStringLiteral("Chan%1Calibration%2").arg(n, b->text()));
        // Both columns have the same captions: a screen reader names the channel too.
        b->setAccessibleName(QStringLiteral("Channel %1 %2").arg(n, b->text()));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    connect(c.Measure, &QPushButton::clicked, this, [this, channel] { MeasureClick(channel); });
    connect(c.Save, &QPushButton::clicked, this, [this, channel] { SaveClick(channel); });
    connect(c.Clear, &QPushButton::clicked, this, [this, channel] { ClearClick(channel); });
    column->addLayout(buttons);

    c.Progress = new QProgressBar(box);
    c.Progress->setObjectName(QStringLiteral("Chan%1CalibrationProgress").arg(n));
    c.Progress->setRange(0, 1);
    c.Progress->setValue(0);
    c.Progress->setFormat(QStringLiteral("%v of %m blocks"));
    c.Progress->setTextVisible(false);   // until a measurement runs
    column->addWidget(c.Progress);

    c.Result = new QLabel(box);
    c.Result->setObjectName(QStringLiteral("Chan%1CalibrationResult").arg(n));
    c.Result->setWordWrap(true);
    c.Result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    c.Result->setMinimumHeight(4 * c.Result->fontMetrics().lineSpacing());
    c.Result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(c.Result);
    column->addStretch(1);
}

void TCalibrateForm::MeasureClick(int channel)
{
    ChannelPart& part = channels_[channel == 2 ? 1 : 0];
    Channel& c = part.Controls;
    if (part.Meter) {
        // Pressed again while measuring: the measurement stops, nothing is kept.
        part.Meter.reset();
        ShowResult(channel, QStringLiteral("Measurement stopped."), false);
        Refresh();
        return;
    }
    part.Measured.reset();
    // The chain has been running on the input already: no blocks to let settle.
    part.Meter = std::make_unique<CalibrationMeter>(channel, c.Microvolts->value(), c.Hz->value(), 0);
    c.Progress->setRange(0, part.Meter->BlocksNeeded());
    c.Progress->setValue(0);
    c.Progress->setTextVisible(true);
    ShowResult(channel,
               QStringLiteral("Measuring %1 uV p-p at %2 Hz: keep the signal on and the settings as they are.")
                   .arg(c.Microvolts->value(), 0, 'g', 6)
                   .arg(c.Hz->value(), 0, 'g', 6),
               false);
    Refresh();
}

void TCalibrateForm::SaveClick(int channel)
{
    ChannelPart& part = channels_[channel == 2 ? 1 : 0];
    if (!part.Measured || !part.Measured->Ok) return;
    const ChannelCalibration& calibration = part.Measured->Calibration;
    if (!CalibrationMatches(calibration, state_, channel)) {
        ShowResult(channel,
                   QStringLiteral("Not saved: the measurement was ") + Text(CalibrationMismatch(calibration, state_, channel)) +
                       QStringLiteral(". Measure again."),
                   true);
        return;
    }
    std::string error;
    if (!store_.Save(calibration, error)) {
        ShowResult(channel, QStringLiteral("Not saved: ") + Text(error), true);
        return;
    }
    part.Measured.reset();
    ShowResult(channel, QStringLiteral("Saved in ") + Text(store_.Path()) + QStringLiteral("."), false);
    Refresh();
}

void TCalibrateForm::ClearClick(int channel)
{
    std::string error;
    if (!store_.Clear(channel, state_, error)) {
        ShowResult(channel, QStringLiteral("Not cleared: ") + Text(error), true);
        return;
    }
    ShowResult(channel,
               QStringLiteral("Cleared: channel %1 reads in trace units for %2 at %3 Hz.")
                   .arg(channel)
                   .arg(QString::fromLatin1(ModulationName(state_.ModulationType)))
                   .arg(double(channel == 2 ? state_.Chan2CarrierHz : state_.Chan1CarrierHz), 0, 'g', 10),
               false);
    Refresh();
}

void TCalibrateForm::BlockProcessed()
{
    for (int channel = 1; channel <= 2; ++channel) {
        ChannelPart& part = channels_[channel - 1];
        if (!part.Meter) continue;
        part.Meter->AddBlock(state_);
        part.Controls.Progress->setValue(std::min(part.Meter->BlocksMeasured(), part.Meter->BlocksNeeded()));
        if (!part.Meter->Ready()) continue;
        const CalibrationResult r = part.Meter->Result();
        part.Meter.reset();
        if (r.Ok) {
            part.Measured = r;
            ShowResult(channel, MeasuredText(r), false);
        } else {
            ShowResult(channel, QStringLiteral("Refused: ") + Text(r.Reason) + QStringLiteral("."), true);
        }
    }
    if (isVisible()) Refresh();
}

void TCalibrateForm::ShowResult(int channel, const QString& text, bool refused)
{
    QLabel* label = channels_[channel == 2 ? 1 : 0].Controls.Result;
    SetText(label, text);
    SetTextColor(label, refused ? QColor(Qt::darkRed) : palette().color(QPalette::WindowText));
}

void TCalibrateForm::Refresh()
{
    const bool writable = store_.Unreadable().empty();
    for (int channel = 1; channel <= 2; ++channel) {
        ChannelPart& part = channels_[channel - 1];
        Channel& c = part.Controls;
        SetText(c.State, Text(store_.Describe(channel, state_)));
        const bool measuring = part.Meter != nullptr;
        const QString measure = measuring ? QStringLiteral("Stop") : QStringLiteral("Measure");
        if (c.Measure->text() != measure) {
            c.Measure->setText(measure);
            c.Measure->setAccessibleName(QStringLiteral("Channel %1 %2").arg(channel).arg(measure));
        }
        c.Microvolts->setEnabled(!measuring);
        c.Hz->setEnabled(!measuring);
        c.Save->setEnabled(writable && !measuring && part.Measured && part.Measured->Ok);
        c.Clear->setEnabled(writable && !measuring && store_.Find(channel, state_) != nullptr);
    }
    QString file = writable ? QStringLiteral("Calibrations are kept in ") + Text(store_.Path()) + QStringLiteral(".")
                            : QStringLiteral("Calibrations cannot be saved: ") + Text(store_.Unreadable()) +
                                  QStringLiteral("; it is left as it is.");
    for (const std::string& problem : store_.Problems())
        file += QStringLiteral("\nNot used: ") + Text(problem);
    SetText(fileLabel_, file);
    SetTextColor(fileLabel_, writable && store_.Problems().empty() ? palette().color(QPalette::WindowText)
                                                                   : QColor(Qt::darkRed));
}

void TCalibrateForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) {
        adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        centred_ = true;
    }
    Refresh();
}
