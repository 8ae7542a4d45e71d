// Unit OvClock: shows the current time, date or both inside a double bevel,
// refreshed once per second from the shared flash timer.
#pragma once

#include "gauges/GaugesExport.h"

#include "gauges/GClass.h"
#include "gauges/OvOpHour.h"   // TAlign

enum TClockOption { coDate, coTime, coDateTime };

class VELQUOR_GAUGES_EXPORT TOvClock : public TOvGraphicControl
{
public:
    explicit TOvClock(QWidget* Owner = nullptr);
    ~TOvClock() override;
    void Loaded() override;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value) { FAlign = value; }
    TClockOption ClockOption() const { return FClockOption; }
    void SetClockOption(TClockOption value);
    TOvSBevel& BevelInner() { return FBevelInner; }
    void SetBevelInner(const TOvSBevel& value) { FBevelInner.Assign(value); }
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& value) { FBevelOuter.Assign(value); }
    bool AutoHint() const { return FAutoHint; }
    void SetAutoHint(bool value) { FAutoHint = value; }

    // The text shown for the moment now, in the platform's short formats.
    QString ClockText(const QDateTime& now) const;
    // Where the clock reads the time; replaceable so the display can be
    // checked at a fixed moment.
    void SetTimeSource(std::function<QDateTime()> source);
    // The rectangle the once-per-second redraw touches.
    TRect TextRect() const { return FTextRect; }

    void SettingsChanged(QObject* Sender) override;

protected:
    void Paint() override;
    void FlashMessage(const TOvFlashEvent& Msg) override;

private:
    void RedrawText();
    QDateTime Now() const;

    TAlign FAlign = alNone;
    TClockOption FClockOption = coTime;
    TOvSBevel FBevelInner;
    TOvSBevel FBevelOuter;
    bool FAutoHint = true;
    std::function<QDateTime()> FTimeSource;
    TRect FTextRect {};
};
