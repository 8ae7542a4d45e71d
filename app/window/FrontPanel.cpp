#include "app/window/FrontPanel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/display/DisplayState.h"

PanelScale StartupScale()
{
    return PanelScale(double(PaneWidth) / DesignPaneWidth);
}

// ---------------------------------------------------------------- paint box

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!image_) return;
    QPainter painter(this);
    // On a high-DPI screen the pane image is magnified by the (whole) scale factor; each pane
    // pixel becomes a sharp block.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(0, 0, image_->Image());
}

void TPaintBox::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (onMouseDown_) onMouseDown_(p.x(), p.y());
}

void TPaintBox::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (onMouseMove_) onMouseMove_(p.x(), p.y(), (e->buttons() & Qt::LeftButton) != 0);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (onMouseUp_) onMouseUp_(p.x(), p.y());
}

// ---------------------------------------------------------------- builders

namespace {

// Shrinks a widget's font, a point at a time, until the widest of `texts` fits its width
// with `margin` pixels to spare: the substitute fonts run wider than the design fonts.
void FitFont(QWidget* w, const QStringList& texts, int margin)
{
    QFont f = w->font();
    for (;;) {
        const QFontMetrics fm(f);
        int widest = 0;
        for (const QString& t : texts) widest = std::max(widest, fm.horizontalAdvance(t));
        if (widest + margin <= w->width() || f.pixelSize() <= 8) break;
        f.setPixelSize(f.pixelSize() - 1);
    }
    w->setFont(f);
}

// One size for a row of widgets fitted one by one: the smallest any of them needed.
void SameFontSize(const QList<QWidget*>& widgets)
{
    int pixels = widgets.front()->font().pixelSize();
    for (const QWidget* w : widgets)
        pixels = std::min(pixels, w->font().pixelSize());
    for (QWidget* w : widgets) {
        QFont f = w->font();
        f.setPixelSize(pixels);
        w->setFont(f);
    }
}

// The panel's parts, and the boxes, panels, labels and buttons only the window has.
class Builder : public TPanelParts {
public:
    using TPanelParts::TPanelParts;

    static void SetTextColor(QWidget* w, TColor color)
    {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, ColorToQColor(color));
        pal.setColor(QPalette::ButtonText, ColorToQColor(color));
        w->setPalette(pal);
    }

    QGroupBox* Box(QWidget* parent, const QString& caption, int l, int t, int w, int h) const
    {
        auto* box = new QGroupBox(caption, parent);
        box->setFont(PanelFont().ToQFont());
        SetTextColor(box, clNavy);
        Place(box, l, t, w, h);
        return box;
    }

    QFrame* Panel(QWidget* parent, TColor color, bool bevel, int l, int t, int w, int h) const
    {
        auto* panel = new QFrame(parent);
        panel->setFrameStyle(bevel ? (QFrame::Panel | QFrame::Raised) : QFrame::NoFrame);
        panel->setLineWidth(1);
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, ColorToQColor(color));
        panel->setPalette(pal);
        Place(panel, l, t, w, h);
        return panel;
    }

    QLabel* Label(TFrontPanel& panel, QWidget* parent, const QString& text, int l, int t, int w, int h,
                  Qt::Alignment align, const TFont& font) const
    {
        auto* label = new QLabel(text, parent);
        label->setFont(font.ToQFont());
        SetTextColor(label, font.Color());
        label->setAlignment(align);
        Place(label, l, t, w, h);
        FitFont(label, {text}, 4);
        panel.Labels.append(label);
        return label;
    }

    QPushButton* RecorderButton(QWidget* parent, const QString& caption, int left, int width, TColor color) const
    {
        auto* b = new QPushButton(caption, parent);
        Place(b, left, 11, width, 20);
        b->setFont(PanelFont().ToQFont());
        b->setFocusPolicy(Qt::NoFocus);
        FitFont(b, {caption}, 10);
        SetButtonCaptionColor(b, color);
        return b;
    }
};

void BuildChannelColumn(const Builder& b, TFrontPanel& p, QGroupBox* box, int channel)
{
    const QString n = QString::number(channel);
    const TFont font = b.PanelFont();
    const QRect gainBounds = channel == 1 ? QRect(22, 20, 61, 76) : QRect(20, 20, 62, 76);
    TOvDial* gain = b.Dial(box, QStringLiteral("Chan%1GainDial").arg(n), gainBounds.x(), gainBounds.y(),
                           gainBounds.width(), gainBounds.height(), 1, 6, 1.0f, 6.0f, 3.0f, 5,
                           QStringLiteral("Gain x10"), clNavy);
    b.Label(p, box, QStringLiteral("Timeline"), 13, 96, 79, 18, Qt::AlignCenter, font);
    QSlider* timeGain = b.TrackBar(box, 13, 114);
    b.Label(p, box, QStringLiteral("Spectrum"), 13, 135, 79, 18, Qt::AlignCenter, font);
    QSlider* specGain = b.TrackBar(box, 13, 153);
    // Steps of 0.1 on the 0 .. 100 scale; the Page keys move 5 (50 steps), not 0.5.
    TOvDial* offset = b.Dial(box, QStringLiteral("Chan%1OffsetDial").arg(n), 11, 174, 85, 85, 0, 1000,
                             channel == 1 ? 0.0f : 0.000001f, 100.0f, channel == 1 ? 55.0f : 22.0f, 50,
                             QStringLiteral("Position"), clLime);
    b.Label(p, box, QStringLiteral("Enable"), 13, 261, 79, 18, Qt::AlignCenter, font);
    b.Label(p, box, QStringLiteral("On"), 6, 280, 26, 20, Qt::AlignRight | Qt::AlignVCenter, font);
    b.Label(p, box, QStringLiteral("Off"), 70, 280, 30, 20, Qt::AlignLeft | Qt::AlignVCenter, font);
    TOvToggleSwitch* enable = b.Toggle(box, QStringLiteral("Chan%1EnableSwitch").arg(n));
    if (channel == 1) {
        p.Chan1GainDial = gain;
        p.Chan1GainTrackBar = timeGain;
        p.Chan1GainFTrackBar = specGain;
        p.Chan1OffsetDial = offset;
        p.Chan1EnableSwitch = enable;
    } else {
        p.Chan2GainDial = gain;
        p.Chan2GainTrackBar = timeGain;
        p.Chan2GainFTrackBar = specGain;
        p.Chan2OffsetDial = offset;
        p.Chan2EnableSwitch = enable;
    }
}

}  // namespace

void SetButtonCaptionColor(QPushButton* button, TColor color)
{
    if (button->palette().color(QPalette::ButtonText) == ColorToQColor(color)) return;
    QPalette pal = button->palette();
    pal.setColor(QPalette::ButtonText, ColorToQColor(color));
    button->setPalette(pal);
}

TFrontPanel BuildFrontPanel(QWidget* client, const PanelScale& scale)
{
    Builder b(scale);
    TFrontPanel p;
    const TFont font = b.PanelFont();

    // The panes first, so that the column boxes overlapping their sky-blue rims draw on top.
    // The time pane's rim starts where the Channel 1 box ends (the design's 98 ran 7 pixels
    // under the box's frame); the pane itself stays where it was, above the frequency pane.
    p.TimeBasePanel = b.Panel(client, clSkyBlue, true, 105, 33, 598, 143);
    p.TimePanel = b.Panel(p.TimeBasePanel, clWhite, false, 3, 3, 592, 138);
    p.TimeBox = new TPaintBox(p.TimePanel);
    p.TimeBox->setObjectName(QStringLiteral("TimeBox"));
    b.Place(p.TimeBox, 0, 0, 592, 137);

    p.BaseImagePanel = b.Panel(client, clSkyBlue, true, 104, 176, 599, 335);
    p.ImagePanel = b.Panel(p.BaseImagePanel, clWhite, false, 3, 2, 593, 302);
    p.SpectrumBox = new TPaintBox(p.ImagePanel);
    p.SpectrumBox->setObjectName(QStringLiteral("SpectrumBox"));
    b.Place(p.SpectrumBox, 0, 1, 592, 301);
    p.ScopeStatusPanel = b.Panel(p.BaseImagePanel, clBlack, false, 3, 304, 593, 28);
    const TFont readout = b.Font(QStringLiteral("MS Sans Serif"), 15, clRed);
    // The readouts are widened about their design centres so that the longest
    // texts ("Marker Difference = 150 Hz") fit without touching their neighbours.
    p.LoFreqLabel = b.Label(p, p.ScopeStatusPanel, QStringLiteral("0 Hz"), 2, 7, 77, 16,
                            Qt::AlignLeft | Qt::AlignVCenter, readout);
    // The cursor readout takes the strip's height: calibrated channels add a second line with
    // their microvolts at the cursor (one line stays centred where the others are).
    p.CursorLabel = b.Label(p, p.ScopeStatusPanel, QStringLiteral("Cursor Position = ?"), 81, 2, 196, 26,
                            Qt::AlignCenter, readout);
    p.MarkerLabel = b.Label(p, p.ScopeStatusPanel, QStringLiteral("Marker Difference = ?"), 283, 7, 210, 16,
                            Qt::AlignCenter, readout);
    p.HiFreqLabel = b.Label(p, p.ScopeStatusPanel, QStringLiteral("512 Hz"), 515, 7, 77, 16,
                            Qt::AlignRight | Qt::AlignVCenter, readout);
    // The readouts' longest texts decide one font for all four.
    FitFont(p.CursorLabel, {QStringLiteral("Cursor Position = 9999 Hz")}, 6);
    FitFont(p.MarkerLabel, {QStringLiteral("Marker Difference = 9999 Hz")}, 6);
    SameFontSize({p.CursorLabel, p.MarkerLabel, p.LoFreqLabel, p.HiFreqLabel});
    // The frequency readouts sit in the pane's corners: keep them off its frame.
    p.LoFreqLabel->setIndent(4);
    p.HiFreqLabel->setIndent(4);

    p.GroupBox2 = b.Box(client, QStringLiteral("Channel 1"), 1, 0, 104, 313);
    p.GroupBox1 = b.Box(client, QStringLiteral("Channel 2"), 703, 0, 104, 313);
    BuildChannelColumn(b, p, p.GroupBox2, 1);
    BuildChannelColumn(b, p, p.GroupBox1, 2);

    p.GroupBox4 = b.Box(client, QStringLiteral("Freq. Display"), 1, 319, 104, 117);
    p.FreqBaseDial = b.Dial(p.GroupBox4, QStringLiteral("FreqBaseDial"), 7, 20, 85, 85, 10, 150, 10.0f, 150.0f,
                            60.0f, 5, QStringLiteral("Freq Scale"), clLime, 1, QStringLiteral("0"));
    p.GroupBox3 = b.Box(client, QStringLiteral("Time Display"), 703, 319, 104, 117);
    p.TimeBaseDial = b.Dial(p.GroupBox3, QStringLiteral("TimeBaseDial"), 20, 20, 59, 85, 2, 7, 2.0f, 7.0f, 4.0f, 1,
                            QStringLiteral("Time"), clLime);

    p.GroupBox5 = b.Box(client, QStringLiteral("Display"), 1, 442, 104, 99);
    // One caption centred over each switch, side by side without overlapping.
    b.Label(p, p.GroupBox5, QStringLiteral("Hold"), 2, 27, 33, 18, Qt::AlignCenter, font);
    b.Label(p, p.GroupBox5, QStringLiteral("Mkrs"), 35, 27, 33, 18, Qt::AlignCenter, font);
    b.Label(p, p.GroupBox5, QStringLiteral("Exp"), 68, 27, 33, 18, Qt::AlignCenter, font);
    p.DisplayHoldSw = b.Rocker(p.GroupBox5, QStringLiteral("DisplayHoldSw"), 5, 46, 27, 47);
    p.MkrSwitch = b.Rocker(p.GroupBox5, QStringLiteral("MkrSwitch"), 38, 46, 27, 47);
    p.ExpandSw = b.Rocker(p.GroupBox5, QStringLiteral("ExpandSw"), 72, 46, 26, 46);

    p.GroupBox6 = b.Box(client, QStringLiteral("Filter"), 703, 442, 104, 99);
    b.Label(p, p.GroupBox6, QStringLiteral("Mkrs"), 6, 27, 43, 18, Qt::AlignCenter, font);
    b.Label(p, p.GroupBox6, QStringLiteral("Enable"), 50, 27, 51, 18, Qt::AlignCenter, font);
    p.FltrMkrsSw = b.Rocker(p.GroupBox6, QStringLiteral("FltrMkrsSw"), 16, 46, 27, 46);
    p.FltrEnbSw = b.Rocker(p.GroupBox6, QStringLiteral("FltrEnbSw"), 62, 46, 27, 46);

    p.RecordBox = b.Box(client, QString(), 104, -4, 599, 37);
    p.OvClock1 = b.Clock(p.RecordBox);
    p.RecordBtn = b.RecorderButton(p.RecordBox, QStringLiteral("RECORD"), 125, 66, clNavy);
    p.PlayBtn = b.RecorderButton(p.RecordBox, QStringLiteral("PLAY"), 216, 66, clNavy);
    p.StopWvBtn = b.RecorderButton(p.RecordBox, QStringLiteral("STOP"), 301, 66, clRed);
    p.PauseBtn = b.RecorderButton(p.RecordBox, QStringLiteral("PAUSE"), 392, 65, clNavy);
    // RECORD, the widest caption, decides one size for the four.
    SameFontSize({p.RecordBtn, p.PlayBtn, p.StopWvBtn, p.PauseBtn});
    p.OvOpHourCounter1 = b.HourCounter(p.RecordBox);

    p.StatusBox = b.Box(client, QString(), 104, 506, 599, 35);
    p.ModeLabel = b.Label(p, p.StatusBox, QStringLiteral("Mode =  Active"), 8, 7, 150, 26,
                          Qt::AlignLeft | Qt::AlignVCenter, font);
    // Two lines in red, beside the mode: the window fills in the cause.
    p.SettingsLabel = b.Label(p, p.StatusBox, QStringLiteral("Settings not saved:"), 166, 4, 144, 30,
                              Qt::AlignLeft | Qt::AlignVCenter, b.Font(QStringLiteral("MS Sans Serif"), 12, clRed));
    p.SettingsLabel->setObjectName(QStringLiteral("SettingsLabel"));
    p.SettingsLabel->hide();
    // Spread so that no caption runs into the next lamp.
    p.OvldLED = b.Led(p.StatusBox, QStringLiteral("OvldLED"), QStringLiteral("Overload"), 318, 7, 84, 26, true);
    p.Ov60HzLED = b.Led(p.StatusBox, QStringLiteral("Ov60HzLED"), QStringLiteral("60 Hz"), 410, 7, 66, 26, true);
    p.OvChan1 = b.Led(p.StatusBox, QStringLiteral("OvChan1"), QStringLiteral("Ch1"), 486, 7, 52, 26, false);
    p.OvChan2 = b.Led(p.StatusBox, QStringLiteral("OvChan2"), QStringLiteral("Ch2"), 544, 7, 52, 27, false);
    SetPanelKeyboardOrder(p, client);
    return p;
}

QList<QWidget*> SetPanelKeyboardOrder(TFrontPanel& p, QWidget* client)
{
    // Component names for the plain widgets too, so every control can be
    // found by name (--focus, tests).
    const std::pair<QWidget*, const char*> components[] = {
        { p.Chan1GainTrackBar, "Chan1GainTrackBar" }, { p.Chan1GainFTrackBar, "Chan1GainFTrackBar" },
        { p.Chan2GainTrackBar, "Chan2GainTrackBar" }, { p.Chan2GainFTrackBar, "Chan2GainFTrackBar" },
        { p.RecordBtn, "RecordBtn" }, { p.PlayBtn, "PlayBtn" }, { p.StopWvBtn, "StopWvBtn" }, { p.PauseBtn, "PauseBtn" },
    };
    for (const auto& [widget, name] : components)
        if (widget->objectName().isEmpty())
            widget->setObjectName(QString::fromLatin1(name));

    // Names a screen reader announces where the control's own caption is
    // shared (both channels) or lives in a separate label.
    for (int channel = 1; channel <= 2; ++channel) {
        const QString c = QStringLiteral("Channel %1 ").arg(channel);
        const bool one = channel == 1;
        (one ? p.Chan1GainDial : p.Chan2GainDial)->setAccessibleName(c + QStringLiteral("Gain x10"));
        (one ? p.Chan1GainTrackBar : p.Chan2GainTrackBar)->setAccessibleName(c + QStringLiteral("Timeline gain"));
        (one ? p.Chan1GainFTrackBar : p.Chan2GainFTrackBar)->setAccessibleName(c + QStringLiteral("Spectrum gain"));
        (one ? p.Chan1OffsetDial : p.Chan2OffsetDial)->setAccessibleName(c + QStringLiteral("Position"));
        (one ? p.Chan1EnableSwitch : p.Chan2EnableSwitch)->setAccessibleName(c + QStringLiteral("Enable"));
    }
    p.DisplayHoldSw->setAccessibleName(QStringLiteral("Display hold"));
    p.MkrSwitch->setAccessibleName(QStringLiteral("Markers"));
    p.ExpandSw->setAccessibleName(QStringLiteral("Expand"));
    p.FltrMkrsSw->setAccessibleName(QStringLiteral("Filter markers"));
    p.FltrEnbSw->setAccessibleName(QStringLiteral("Filter enable"));
    p.TimeBox->setAccessibleName(QStringLiteral("Time traces"));
    p.SpectrumBox->setAccessibleName(QStringLiteral("Frequency display"));

    // Tab runs down the left column (channel 1, frequency display, display
    // switches), across the recorder strip, then down the right column
    // (channel 2, time display, filter switches).
    const QList<QWidget*> boxes { p.GroupBox2, p.GroupBox4, p.GroupBox5, p.RecordBox,
                                  p.GroupBox1, p.GroupBox3, p.GroupBox6, p.StatusBox };
    for (int i = 0; i < boxes.size(); ++i)
        boxes[i]->setProperty("TabOrder", i);
    auto order = [](const QList<QWidget*>& controls) {
        for (int i = 0; i < controls.size(); ++i)
            controls[i]->setProperty("TabOrder", i);
    };
    order({ p.Chan1GainDial, p.Chan1GainTrackBar, p.Chan1GainFTrackBar, p.Chan1OffsetDial, p.Chan1EnableSwitch });
    order({ p.Chan2GainDial, p.Chan2GainTrackBar, p.Chan2GainFTrackBar, p.Chan2OffsetDial, p.Chan2EnableSwitch });
    order({ p.DisplayHoldSw, p.MkrSwitch, p.ExpandSw });
    order({ p.FltrMkrsSw, p.FltrEnbSw });
    order({ p.RecordBtn, p.PlayBtn, p.StopWvBtn, p.PauseBtn });
    // The recorder buttons are reached by Tab; a click still leaves the focus where it was.
    for (QPushButton* button : { p.RecordBtn, p.PlayBtn, p.StopWvBtn, p.PauseBtn })
        button->setFocusPolicy(Qt::TabFocus);
    return ApplyTabOrder(client);
}
