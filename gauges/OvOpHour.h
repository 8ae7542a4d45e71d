// Unit OvOpHour: an operating-hour counter that counts elapsed or remaining
// hours, minutes and seconds once per second from the shared flash timer,
// fires events at zero and at a limit, and can keep its count in an ini file.
#pragma once

#include "gauges/GaugesExport.h"

#include "gauges/GClass.h"

// How a display control sizes itself: alNone lets it grow to fit its text;
// any other alignment leaves the size to the layout.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// What the hour counter and the clock share: both show a time as text inside
// a double bevel.
// Their starting look: lime "System" 10 in a black lowered inner bevel, with
// the outer bevel spaced 2 from the edge.
void InitTimeDisplay(TFont& font, TOvSBevel& inner, TOvSBevel& outer);
// With alNone the control grows to the needed size; it never shrinks.
void GrowTimeDisplay(TOvGraphicControl& control, TAlign align, int neededWidth, int neededHeight);
// Draws text at the top left of box on a fill of color, touching nothing
// outside box.
void DrawTimeText(TCanvas& canvas, const TRect& box, const TFont& font, TColor color, const QString& text);

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
enum TOpHrIndicate { oiHour, oiHourMin, oiHourMinSec };

class VELQUOR_GAUGES_EXPORT TOvOpHourCounter : public TOvGraphicControl
{
public:
    explicit TOvOpHourCounter(QWidget* Owner = nullptr);
    ~TOvOpHourCounter() override;
    void Loaded() override;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value) { FAlign = value; }
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
    TOvSBevel& BevelInner() { return FBevelInner; }
    void SetBevelInner(const TOvSBevel& value) { FBevelInner.Assign(value); }
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& value) { FBevelOuter.Assign(value); }
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
    // The rectangle the once-per-second redraw touches.
    TRect TextRect() const { return FTextRect; }

    void SettingsChanged(QObject* Sender) override;

protected:
    void Paint() override;
    void FlashMessage(const TOvFlashEvent& Msg) override;

private:
    void ZeroLimitCheck();
    void HandleIni(TIniFile& ini, bool read);
    void LoadIniIfPending();
    void RedrawText();
    void StartCounting();
    void StopCounting();

    TAlign FAlign = alNone;
    bool FCount = false;
    bool FCountDown = false;
    QString FSeparatorHour = QStringLiteral("h");
    QString FSeparatorMin = QStringLiteral("m");
    QString FSeparatorSec = QStringLiteral("s");
    QString FSeparatorChar = QStringLiteral(":");
    int FHourDigits = 4;
    TOvSBevel FBevelInner;
    TOvSBevel FBevelOuter;
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
    TRect FInnerRect {};
    TRect FTextRect {};
};
