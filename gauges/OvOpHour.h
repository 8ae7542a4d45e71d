// Unit OvOpHour: an operating-hour counter that counts elapsed or remaining
// hours, minutes and seconds once per second from the shared flash timer,
// fires events at zero and at a limit, and can keep its count in an ini file.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"
#include "gauges/OvTimeDisplay.h"

// A time of hours, minutes and seconds. Setting a field normalises the three
// (seconds of 60 or more carry into minutes, minutes into hours); negative
// values are kept as they are.
class VELQUOR_GAUGES_EXPORT TTimeSetting : public TOvPersistent
{
public:
    int Hour() const { return FHour; }
    int Min() const { return FMin; }
    int Sec() const { return FSec; }
    void SetHour(int value);
    void SetMin(int value);
    void SetSec(int value);
    void Assign(const TTimeSetting& src);

    // The carry rule shared with TOvOpHourCounter::SetTime.
    static void Normalize(int& hour, int& min, int& sec);

private:
    void Store(int& field, int value);
    int FHour = 0;
    int FMin = 0;
    int FSec = 0;
};

enum TOpHrOption { opResetOnLimit, opStopOnLimit, opPresetOnZero };
using TOpHrOptions = TSet<TOpHrOption>;

class VELQUOR_GAUGES_EXPORT TOvOpHourCounter : public TOvTimeDisplay
{
    Q_OBJECT
    Q_PROPERTY(bool Count READ Count WRITE SetCount NOTIFY settingsChanged)
    Q_PROPERTY(bool CountDown READ CountDown WRITE SetCountDown NOTIFY settingsChanged)
    Q_PROPERTY(int HourDigits READ HourDigits WRITE SetHourDigits NOTIFY settingsChanged)
    Q_PROPERTY(Ov::TOpHrIndicate Indicate READ Indicate WRITE SetIndicate NOTIFY settingsChanged)
    Q_PROPERTY(QString TimeText READ TimeText NOTIFY timeChanged)

public:
    explicit TOvOpHourCounter(QWidget* Owner = nullptr);
    ~TOvOpHourCounter() override;
    void Loaded() override;

    bool Count() const { return FCount; }
    void SetCount(bool value);
    bool CountDown() const { return FCountDown; }
    void SetCountDown(bool value);
    const QString& SeparatorHour() const { return FSeparatorHour; }
    void SetSeparatorHour(const QString& value);
    const QString& SeparatorMin() const { return FSeparatorMin; }
    void SetSeparatorMin(const QString& value);
    const QString& SeparatorSec() const { return FSeparatorSec; }
    void SetSeparatorSec(const QString& value);
    const QString& SeparatorChar() const { return FSeparatorChar; }
    void SetSeparatorChar(const QString& value);
    int HourDigits() const { return FHourDigits; }
    void SetHourDigits(int value);
    TIniSettings& IniSettings() { return FIniSettings; }
    void SetIniSettings(const TIniSettings& value) { FIniSettings.Assign(value); }
    const TNotifyEvent& OnZero() const { return FOnZero; }
    void SetOnZero(TNotifyEvent event) { FOnZero = std::move(event); }
    const TNotifyEvent& OnLimit() const { return FOnLimit; }
    void SetOnLimit(TNotifyEvent event) { FOnLimit = std::move(event); }
    TTimeSetting& Limit() { return FLimit; }
    void SetLimit(const TTimeSetting& value) { FLimit.Assign(value); }
    TTimeSetting& PresetValue() { return FPresetValue; }
    void SetPresetValue(const TTimeSetting& value) { FPresetValue.Assign(value); }
    TOpHrOptions Options() const { return FOptions; }
    void SetOptions(TOpHrOptions value) { FOptions = value; }
    TOpHrIndicate Indicate() const { return FIndicate; }
    void SetIndicate(TOpHrIndicate value);

    // Normalises and stores the count, runs the zero/limit check and redraws
    // the text.
    void SetTime(int hour, int min, int sec);
    int Hours() const { return FHours; }
    int Minutes() const { return FMinutes; }
    int Seconds() const { return FSeconds; }
    bool ZeroReached() const { return FZeroReached; }
    bool LimitReached() const { return FLimitReached; }
    // True while the counter is subscribed to the flash timer.
    bool Counting() const;
    // The displayed text of the current count.
    QString TimeText() const;

signals:
    // The count changed (each counted second, SetTime, a preset or reset).
    void timeChanged();

protected:
    QString DisplayText() const override { return TimeText(); }
    void Paint() override;
    void FlashMessage(const TOvFlashEvent& Msg) override;

private:
    void ZeroLimitCheck();
    void HandleIni(TIniFile& ini, bool read);
    void LoadIniIfPending();
    void RedrawText();
    void StartCounting();
    void StopCounting();

    bool FCount = false;
    bool FCountDown = false;
    QString FSeparatorHour = QStringLiteral("h");
    QString FSeparatorMin = QStringLiteral("m");
    QString FSeparatorSec = QStringLiteral("s");
    QString FSeparatorChar = QStringLiteral(":");
    int FHourDigits = 4;
    TIniSettings FIniSettings;
    TNotifyEvent FOnZero, FOnLimit;
    TTimeSetting FLimit;
    TTimeSetting FPresetValue;
    TOpHrOptions FOptions;
    TOpHrIndicate FIndicate = oiHourMinSec;

    int FHours = 0, FMinutes = 0, FSeconds = 0;
    bool FZeroReached = false;
    bool FLimitReached = false;
    bool FIniPending = true;
    bool FIniLoaded = false;
    bool FPresetting = false;
    bool FLaidOut = false;
    int FTextWidth = 0, FTextHeight = 0;
};
