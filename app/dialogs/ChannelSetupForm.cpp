#include "app/dialogs/ChannelSetupForm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>

#include "app/dialogs/ChannelSetup.h"

namespace {

const QColor Navy(0, 0, 128);
const QColor Silver(192, 192, 192);
const QColor Aqua(0, 255, 255);
const QString FontFamily = QStringLiteral("Liberation Sans");

void Fill(QWidget* w, const QColor& background, const QColor& text = Qt::black)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QFont PixelFont(int pixels, bool bold = false, bool underline = false)
{
    QFont f(FontFamily);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

QFrame* Panel(QWidget* parent, int left, int top, int width, int height, const QColor& colour)
{
    auto* panel = new QFrame(parent);
    panel->setGeometry(left, top, width, height);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(1);
    Fill(panel, colour);
    return panel;
}

QLabel* Label(QWidget* parent, const QString& text, int left, int top, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

TChannelSetupForm::TChannelSetupForm(ProcessingState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      state_(state)
{
    setObjectName(QStringLiteral("ChannelSetupForm"));
    setWindowTitle(QStringLiteral("Channel Carrier Frequency Setup"));
    setFixedSize(339, 150);
    Fill(this, Navy);
    BuildChannel(1, 4);
    BuildChannel(2, 172);
    // Closing hides the window; it lives as long as the main window.
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TChannelSetupForm::BuildChannel(int channel, int left)
{
    const bool first = channel == 1;
    QFrame* outer = Panel(this, left, 4, 165, 141, Silver);
    outer->setObjectName(first ? QStringLiteral("Chan1Pnl") : QStringLiteral("Panel3"));
    QLabel* title = Label(outer, first ? QStringLiteral("Channel 1") : QStringLiteral("Channel 2"), 31, 0,
                          PixelFont(25, false, true), Qt::black);
    title->setObjectName(first ? QStringLiteral("Label1") : QStringLiteral("Label2"));

    QFrame* box = Panel(outer, 8, 40, 145, 65, Qt::black);
    box->setObjectName(first ? QStringLiteral("Panel1") : QStringLiteral("Panel4"));
    QLabel* caption = Label(box, QStringLiteral("Carrier Freq (Hz)"), 14, 5, PixelFont(16), Qt::white);
    caption->setObjectName(first ? QStringLiteral("Label5") : QStringLiteral("Label9"));

    auto* display = new QLineEdit(QStringLiteral("16000"), box);
    display->setObjectName(first ? QStringLiteral("Chan1FreqDisp") : QStringLiteral("Chan2FreqDisp"));
    display->setGeometry(4, 24, 130, 40);
    display->setFrame(false);
    display->setReadOnly(true);
    display->setAlignment(Qt::AlignCenter);
    display->setFont(PixelFont(27, true));
    display->setFocusPolicy(Qt::NoFocus);
    display->setToolTip(QStringLiteral("Type in a Frequency Value"));
    Fill(display, Qt::black, Aqua);

    auto* bar = new QScrollBar(Qt::Horizontal, outer);
    bar->setObjectName(first ? QStringLiteral("Chan1FreqScrollBar") : QStringLiteral("Chan2FreqScrollBar"));
    bar->setGeometry(8, 104, 145, 16);
    bar->setRange(CarrierScrollMin, CarrierScrollMax);
    bar->setPageStep(10);
    bar->setSingleStep(1);
    bar->setValue(CarrierScrollMin);
    bar->setToolTip(first ? QStringLiteral("Set the Frequency of Channel 1")
                          : QStringLiteral("Set the Frequency of Channel 2"));
    // Reached by Tab and moved by the keys: arrows 1 Hz, Page Up / Page Down 10 Hz, Home and
    // End the ends of the range.
    bar->setFocusPolicy(Qt::StrongFocus);
    // A scroll bar's keys run towards its start by default (Right and Page Up lowered the
    // carrier): here Right, Up and Page Up raise it, as the thumb moves.
    bar->setInvertedControls(false);
    bar->setAccessibleName(first ? QStringLiteral("Channel 1 carrier frequency")
                                 : QStringLiteral("Channel 2 carrier frequency"));
    connect(bar, &QScrollBar::valueChanged, this, [this, channel] { ScrollBarChange(channel); });

    (first ? chan1FreqDisp_ : chan2FreqDisp_) = display;
    (first ? chan1FreqScrollBar_ : chan2FreqScrollBar_) = bar;
}

void TChannelSetupForm::FormShow()
{
    chan1FreqDisp_->setText(CarrierText(state_.Chan1CarrierHz));
    chan1FreqScrollBar_->setValue(CarrierPosition(state_.Chan1CarrierHz));
    chan2FreqDisp_->setText(CarrierText(state_.Chan2CarrierHz));
    chan2FreqScrollBar_->setValue(CarrierPosition(state_.Chan2CarrierHz));
}

void TChannelSetupForm::Chan1FreqScrollBarChange()
{
    ScrollBarChange(1);
}

void TChannelSetupForm::Chan2FreqScrollBarChange()
{
    ScrollBarChange(2);
}

void TChannelSetupForm::ScrollBarChange(int channel)
{
    QScrollBar* bar = channel == 1 ? chan1FreqScrollBar_ : chan2FreqScrollBar_;
    QLineEdit* display = channel == 1 ? chan1FreqDisp_ : chan2FreqDisp_;
    const float carrier = ApplyCarrierPosition(state_, channel, bar->value());
    display->setText(CarrierText(carrier));
    bar->setPageStep(10);
    bar->setSingleStep(1);
    emit CarrierChanged(channel, carrier);
}

void TChannelSetupForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar is not "shown" again.
    if (event->spontaneous())
        return;
    if (!centred_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        centred_ = true;
    }
    FormShow();
}
