// The gallery window: Velquor's front-panel gauges laid out as on the main
// window (design-time positions inside their group boxes), and a middle area
// with other configurations of the same controls. Every control is live:
// dials turn with mouse, keys and wheel, switches toggle, one LED flashes,
// the hour counter counts and the clock runs. The line at the bottom names
// the last event.
#pragma once

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class TOvDial;
class TOvRockerSwitch;
class TOvToggleSwitch;
class TOvLED;
class TOvBinGControl;
class TOvClock;
class TOvOpHourCounter;

class TGalleryWindow : public QWidget {
public:
    explicit TGalleryWindow(QWidget* parent = nullptr);

    // Front-panel controls, named as on the main window.
    TOvDial* Chan1GainDial = nullptr;
    TOvDial* Chan2GainDial = nullptr;
    TOvDial* Chan1OffsetDial = nullptr;
    TOvDial* Chan2OffsetDial = nullptr;
    TOvDial* FreqBaseDial = nullptr;
    TOvDial* TimeBaseDial = nullptr;
    TOvToggleSwitch* Chan1EnableSwitch = nullptr;
    TOvToggleSwitch* Chan2EnableSwitch = nullptr;
    TOvRockerSwitch* DisplayHoldSw = nullptr;
    TOvRockerSwitch* MkrSwitch = nullptr;
    TOvRockerSwitch* ExpandSw = nullptr;
    TOvRockerSwitch* FltrMkrsSw = nullptr;
    TOvRockerSwitch* FltrEnbSw = nullptr;
    TOvLED* OvldLED = nullptr;
    TOvLED* Ov60HzLED = nullptr;
    TOvLED* OvChan1 = nullptr;
    TOvLED* OvChan2 = nullptr;
    TOvClock* OvClock1 = nullptr;
    TOvOpHourCounter* OvOpHourCounter1 = nullptr;

private:
    void BuildChannelBox(QGroupBox* box, int channel);
    void BuildFreqBox(QGroupBox* box);
    void BuildTimeBox(QGroupBox* box);
    void BuildDisplayBox(QGroupBox* box);
    void BuildFilterBox(QGroupBox* box);
    void BuildRecordBox(QWidget* box);
    void BuildStatusBox(QWidget* box);
    void BuildOtherOptions(QGroupBox* box);

    // Shows "name: text" in the event line.
    void Report(const QString& name, const QString& text);
    void WatchDial(TOvDial* dial);
    void WatchSwitch(TOvBinGControl* control, const std::function<bool()>& checked);

    QLabel* FEventLine = nullptr;
};
