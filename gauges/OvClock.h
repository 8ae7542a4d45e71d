// Unit OvClock: shows the current time, date or both inside a double bevel,
// refreshed once per second from the shared flash timer.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"
#include "gauges/OvTimeDisplay.h"

class VELQUOR_GAUGES_EXPORT TOvClock : public TOvTimeDisplay
{
    Q_OBJECT
    Q_PROPERTY(Ov::TClockOption ClockOption READ ClockOption WRITE SetClockOption NOTIFY settingsChanged)
    Q_PROPERTY(bool AutoHint READ AutoHint WRITE SetAutoHint)

public:
    explicit TOvClock(QWidget* Owner = nullptr);
    ~TOvClock() override;
    void Loaded() override;

    TClockOption ClockOption() const { return FClockOption; }
    void SetClockOption(TClockOption value);
    bool AutoHint() const { return FAutoHint; }
    void SetAutoHint(bool value) { FAutoHint = value; }

    // The text shown for the moment now, in the platform's short formats.
    QString ClockText(const QDateTime& now) const;
    // Where the clock reads the time; replaceable so the display can be
    // checked at a fixed moment.
    void SetTimeSource(std::function<QDateTime()> source);

protected:
    QString DisplayText() const override { return ClockText(Now()); }
    bool OffsetsCount() const override { return true; }
    void Paint() override;
    void FlashMessage(const TOvFlashEvent& Msg) override;

private:
    void RedrawText();
    QDateTime Now() const;

    TClockOption FClockOption = coTime;
    bool FAutoHint = true;
    std::function<QDateTime()> FTimeSource;
};
