#pragma once
// TChannelSetupForm: the small modeless window in which the user sets each channel's
// carrier. Created hidden at start-up; Options > Channel Setup shows it. Moving a scroll
// bar stores the carrier at once and redesigns that channel's band.

#include <QWidget>

#include "dsp/ProcessingState.h"

class QLabel;
class QLineEdit;
class QScrollBar;
class QFrame;

class TChannelSetupForm : public QWidget {
    Q_OBJECT

public:
    explicit TChannelSetupForm(ProcessingState& state, QWidget* parent = nullptr);

    // Fills both displays and scroll bars from the carriers. Setting a position that
    // differs from the current one runs that scroll bar's change handler.
    void FormShow();
    void Chan1FreqScrollBarChange();
    void Chan2FreqScrollBarChange();

    QScrollBar* Chan1FreqScrollBar() const { return chan1FreqScrollBar_; }
    QScrollBar* Chan2FreqScrollBar() const { return chan2FreqScrollBar_; }
    QLineEdit* Chan1FreqDisp() const { return chan1FreqDisp_; }
    QLineEdit* Chan2FreqDisp() const { return chan2FreqDisp_; }

signals:
    // After a change handler has stored a carrier and redesigned its band.
    void CarrierChanged(int channel, float hz);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildChannel(int channel, int left);
    void ScrollBarChange(int channel);

    ProcessingState& state_;
    QLineEdit* chan1FreqDisp_ = nullptr;
    QLineEdit* chan2FreqDisp_ = nullptr;
    QScrollBar* chan1FreqScrollBar_ = nullptr;
    QScrollBar* chan2FreqScrollBar_ = nullptr;
    bool centred_ = false;
};
