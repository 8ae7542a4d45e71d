#pragma once
// The main window's front panel: the two panes in the middle, the channel 1 and
// frequency column on the left, the channel 2, time and filter column on the
// right, the recorder strip on top and the status strip below. Laid out at the
// design coordinates of an 808 x 541 client area and scaled once by the factor
// that makes both panes exactly PaneWidth pixels wide.

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QSlider>
#include <QWidget>

#include <functional>

#include "app/window/PanelParts.h"

// Design client area and the pane the scale is taken from.
constexpr int DesignClientWidth = 808;
constexpr int DesignClientHeight = 541;
constexpr int DesignPaneWidth = 592;

// The factor that turns the design pane width into PaneWidth.
PanelScale StartupScale();

// A paint box: shows an off-screen image at (0, 0) and reports the mouse.
class TPaintBox : public QWidget {
public:
    explicit TPaintBox(QWidget* parent = nullptr);
    void SetImage(const TBitmap* image) { image_ = image; }
    // Handlers of the mouse, in pane coordinates; `left` tells whether the left button is held.
    void SetOnMouseDown(std::function<void(int x, int y)> handler) { onMouseDown_ = std::move(handler); }
    void SetOnMouseMove(std::function<void(int x, int y, bool left)> handler) { onMouseMove_ = std::move(handler); }
    void SetOnMouseUp(std::function<void(int x, int y)> handler) { onMouseUp_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    const TBitmap* image_ = nullptr;
    std::function<void(int x, int y)> onMouseDown_;
    std::function<void(int x, int y, bool left)> onMouseMove_;
    std::function<void(int x, int y)> onMouseUp_;
};

struct TFrontPanel {
    // Containers.
    QGroupBox* GroupBox2 = nullptr;    // "Channel 1"
    QGroupBox* GroupBox1 = nullptr;    // "Channel 2"
    QGroupBox* GroupBox4 = nullptr;    // "Freq. Display"
    QGroupBox* GroupBox3 = nullptr;    // "Time Display"
    QGroupBox* GroupBox5 = nullptr;    // "Display"
    QGroupBox* GroupBox6 = nullptr;    // "Filter"
    QGroupBox* RecordBox = nullptr;
    QGroupBox* StatusBox = nullptr;
    QFrame* TimeBasePanel = nullptr;
    QFrame* TimePanel = nullptr;
    QFrame* BaseImagePanel = nullptr;
    QFrame* ImagePanel = nullptr;
    QFrame* ScopeStatusPanel = nullptr;
    TPaintBox* TimeBox = nullptr;
    TPaintBox* SpectrumBox = nullptr;

    // Channel columns.
    TOvDial* Chan1GainDial = nullptr;
    TOvDial* Chan2GainDial = nullptr;
    TOvDial* Chan1OffsetDial = nullptr;
    TOvDial* Chan2OffsetDial = nullptr;
    QSlider* Chan1GainTrackBar = nullptr;
    QSlider* Chan2GainTrackBar = nullptr;
    QSlider* Chan1GainFTrackBar = nullptr;
    QSlider* Chan2GainFTrackBar = nullptr;
    TOvToggleSwitch* Chan1EnableSwitch = nullptr;
    TOvToggleSwitch* Chan2EnableSwitch = nullptr;
    TOvDial* FreqBaseDial = nullptr;
    TOvDial* TimeBaseDial = nullptr;

    // Rocker switches.
    TOvRockerSwitch* DisplayHoldSw = nullptr;
    TOvRockerSwitch* MkrSwitch = nullptr;
    TOvRockerSwitch* ExpandSw = nullptr;
    TOvRockerSwitch* FltrMkrsSw = nullptr;
    TOvRockerSwitch* FltrEnbSw = nullptr;

    // Recorder strip.
    TOvClock* OvClock1 = nullptr;
    TOvOpHourCounter* OvOpHourCounter1 = nullptr;
    QPushButton* RecordBtn = nullptr;
    QPushButton* PlayBtn = nullptr;
    QPushButton* StopWvBtn = nullptr;
    QPushButton* PauseBtn = nullptr;

    // Status strips.
    QLabel* LoFreqLabel = nullptr;
    QLabel* HiFreqLabel = nullptr;
    QLabel* CursorLabel = nullptr;
    QLabel* MarkerLabel = nullptr;
    QLabel* ModeLabel = nullptr;
    QLabel* SettingsLabel = nullptr;   // shown when the settings will not be saved
    TOvLED* OvldLED = nullptr;
    TOvLED* Ov60HzLED = nullptr;
    TOvLED* OvChan1 = nullptr;
    TOvLED* OvChan2 = nullptr;

    // Every text label of the panel (captions of the switches and track bars included).
    QList<QLabel*> Labels;
};

// Builds the panel into `client` (already sized to the scaled client area).
TFrontPanel BuildFrontPanel(QWidget* client, const PanelScale& scale);

// Keyboard and screen-reader set-up of a built panel: the controls' TabOrder
// within each box and the boxes' order on the client, applied as the Tab
// chain (returned, first to last), and accessible names where a caption
// alone would be ambiguous.
QList<QWidget*> SetPanelKeyboardOrder(TFrontPanel& p, QWidget* client);

// The caption colour of a recorder button (0x00BBGGRR).
void SetButtonCaptionColor(QPushButton* button, TColor color);
