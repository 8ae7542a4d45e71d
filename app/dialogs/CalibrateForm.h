#pragma once
// TCalibrateForm: the modeless window of Options > Calibrate..., one column per channel. The
// user feeds the channel's EEG input a known signal, declares it (microvolts peak to peak and
// hertz) and presses Measure; the window then measures the channel over the blocks that
// follow (the acquisition goes on: the dialog is modeless) and shows the progress, then the
// result or why it is refused. Save keeps the measured calibration for the modulation and
// carrier it was made at; Clear removes the channel's calibration for those in force.

#include <QWidget>

#include <memory>
#include <optional>

#include "dsp/Calibration.h"
#include "dsp/ProcessingState.h"

class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class CalibrationStore;

class TCalibrateForm : public QWidget {
public:
    TCalibrateForm(const ProcessingState& state, CalibrationStore& store, QWidget* parent = nullptr);
    ~TCalibrateForm() override;

    // After every processed block: the measurements in progress take it; the states follow.
    void BlockProcessed();

    // The controls of a channel (1 or 2), for the keyboard and for tests.
    struct Channel {
        QLabel* State = nullptr;           // "Calibrated with ..." / "Uncalibrated ..."
        QDoubleSpinBox* Microvolts = nullptr;
        QDoubleSpinBox* Hz = nullptr;
        QPushButton* Measure = nullptr;
        QPushButton* Save = nullptr;
        QPushButton* Clear = nullptr;
        QProgressBar* Progress = nullptr;  // blocks measured of those needed
        QLabel* Result = nullptr;          // the measurement, the refusal or what Save and Clear did
    };
    const Channel& Controls(int channel) const { return channels_[channel == 2 ? 1 : 0].Controls; }
    QLabel* FileLabel() const { return fileLabel_; }

    void MeasureClick(int channel);
    void SaveClick(int channel);
    void ClearClick(int channel);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct ChannelPart {
        Channel Controls;
        std::unique_ptr<CalibrationMeter> Meter;
        std::optional<CalibrationResult> Measured;
    };
    void BuildChannel(int channel);
    void ShowResult(int channel, const QString& text, bool refused);
    // The state lines, the file line and which buttons can act.
    void Refresh();

    const ProcessingState& state_;
    CalibrationStore& store_;
    ChannelPart channels_[2];
    QLabel* fileLabel_ = nullptr;
    bool centred_ = false;
};
