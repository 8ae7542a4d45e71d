#include "gauges/OvOpHour.h"

#include "gauges/OvFlashT.h"
#include "platform/ini/IniFile.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Zero-padded decimal with at least digits digits (the sign comes first), as
// "%.nd" formats. The padding is capped so that a wild HourDigits cannot
// build a huge string.
QString PadNumber(int value, int digits)
{
    digits = std::clamp(digits, 0, 32);
    QString text = QString::number(std::abs(static_cast<qint64>(value)));
    if (text.size() < digits)
        text.prepend(QString(digits - text.size(), QLatin1Char('0')));
    if (value < 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

} // namespace

// ------------------------------------------------------------- TTimeSetting

void TTimeSetting::Normalize(int& hour, int& min, int& sec)
{
    if (sec >= 60) {
        min += sec / 60;
        sec %= 60;
    }
    if (min >= 60) {
        hour += min / 60;
        min %= 60;
    }
}

void TTimeSetting::Store(int& field, int value)
{
    if (!StoreChanged(field, value))
        return;
    Normalize(FHour, FMin, FSec);
    Changed();
}

void TTimeSetting::SetHour(int value) { Store(FHour, value); }
void TTimeSetting::SetMin(int value) { Store(FMin, value); }
void TTimeSetting::SetSec(int value) { Store(FSec, value); }

void TTimeSetting::Assign(const TTimeSetting& src)
{
    if (&src == this)
        return;
    const bool differs = FHour != src.FHour || FMin != src.FMin || FSec != src.FSec;
    FHour = src.FHour;
    FMin = src.FMin;
    FSec = src.FSec;
    if (differs)
        Changed();
}

// --------------------------------------------------------- TOvOpHourCounter

TOvOpHourCounter::TOvOpHourCounter(QWidget* Owner)
    : TOvTimeDisplay(Owner)
{
    SetBounds(Left(), Top(), 113, 24);
    FIniSettings.SetFileName(QStringLiteral("OrvellApp.ini"));
}

TOvOpHourCounter::~TOvOpHourCounter()
{
    TOvFlashRegistry::UnregisterControl(this);
    // Only a count that was loaded is written back: a counter that never
    // got to load (never painted) would otherwise overwrite the stored count.
    if (!Designing() && FIniSettings.AutoLoadSave() && FIniLoaded)
        FIniSettings.Execute(false);
    FIniSettings.SetOnHandleIniEvent(nullptr);
}

void TOvOpHourCounter::Loaded()
{
    FIniSettings.SetOnHandleIniEvent([this](TIniFile& ini, bool read) { HandleIni(ini, read); });
    TOvTimeDisplay::Loaded();
}

bool TOvOpHourCounter::Counting() const
{
    const TOvFlashRegistry* registry = TOvFlashRegistry::Instance();
    return registry && registry->IsRegistered(this);
}

void TOvOpHourCounter::StartCounting()
{
    TOvFlashRegistry::RegisterControl(this, FlashCodeSecond);
}

void TOvOpHourCounter::StopCounting()
{
    TOvFlashRegistry::UnregisterControl(this);
}

void TOvOpHourCounter::SetCount(bool value)
{
    if (!StoreChanged(FCount, value))
        return;
    if (Designing())
        return;
    if (FCount)
        StartCounting();
    else
        StopCounting();
    emit settingsChanged();
}

void TOvOpHourCounter::SetCountDown(bool value)
{
    if (!StoreChanged(FCountDown, value))
        return;
    // Counting down to zero may have stopped the counter; counting up again
    // resumes it.
    if (!FCountDown && FCount && !Designing())
        StartCounting();
    emit settingsChanged();
}

void TOvOpHourCounter::SetSeparatorHour(const QString& value)
{
    if (StoreChanged(FSeparatorHour, value))
        Change();
}

void TOvOpHourCounter::SetSeparatorMin(const QString& value)
{
    if (StoreChanged(FSeparatorMin, value))
        Change();
}

void TOvOpHourCounter::SetSeparatorSec(const QString& value)
{
    if (StoreChanged(FSeparatorSec, value))
        Change();
}

void TOvOpHourCounter::SetSeparatorChar(const QString& value)
{
    if (StoreChanged(FSeparatorChar, value))
        Change();
}

void TOvOpHourCounter::SetHourDigits(int value)
{
    if (StoreChanged(FHourDigits, value))
        Change();
}

void TOvOpHourCounter::SetIndicate(TOpHrIndicate value)
{
    if (!StoreChanged(FIndicate, value))
        return;
    Invalidate();
    updateGeometry();
    emit settingsChanged();
}

QString TOvOpHourCounter::TimeText() const
{
    // Composed piece by piece rather than through a format string, so that
    // separators holding "%" show as typed.
    QString text = PadNumber(FHours, FHourDigits) + FSeparatorHour;
    if (FIndicate == oiHour)
        return text;
    text += FSeparatorChar + PadNumber(FMinutes, 2) + FSeparatorMin;
    if (FIndicate == oiHourMin)
        return text;
    text += FSeparatorChar + PadNumber(FSeconds, 2) + FSeparatorSec;
    return text;
}

void TOvOpHourCounter::SetTime(int hour, int min, int sec)
{
    TTimeSetting::Normalize(hour, min, sec);
    FHours = hour;
    FMinutes = min;
    FSeconds = sec;
    ZeroLimitCheck();
    RedrawText();
    emit timeChanged();
}

void TOvOpHourCounter::ZeroLimitCheck()
{
    FZeroReached = false;
    const bool positive = FHours > 0 || FMinutes > 0 || FSeconds >= 1;
    const bool nonNegative = FHours >= 0 && FMinutes >= 0 && FSeconds >= 0;
    if (!(positive && nonNegative)) {
        FZeroReached = true;
        const bool presetIsZero = FPresetValue.Hour() <= 0 && FPresetValue.Min() <= 0 && FPresetValue.Sec() <= 0;
        // A preset of zero would land on zero again and preset forever, so
        // it stops like a counter without preset.
        if (FOptions.Contains(opPresetOnZero) && !presetIsZero && !FPresetting) {
            FPresetting = true;
            SetTime(FPresetValue.Hour(), FPresetValue.Min(), FPresetValue.Sec());
            FPresetting = false;
        } else {
            StopCounting();
            FHours = FMinutes = FSeconds = 0;
        }
        if (FOnZero)
            FOnZero(this);
    }

    const bool reached = FHours >= FLimit.Hour() && FMinutes >= FLimit.Min() && FSeconds >= FLimit.Sec();
    if (!reached) {
        FLimitReached = false;
        return;
    }
    if (!FLimitReached) {
        if (FOnLimit)
            FOnLimit(this);
        if (FOptions.Contains(opResetOnLimit)) {
            FHours = FMinutes = FSeconds = 0;
            FZeroReached = true;
        }
        if (FOptions.Contains(opStopOnLimit))
            StopCounting();
    }
    FLimitReached = true;
}

void TOvOpHourCounter::FlashMessage(const TOvFlashEvent& Msg)
{
    (void)Msg;
    if (FCountDown) {
        if (!FZeroReached) {
            if (FSeconds < 1) {
                FSeconds = 59;
                if (FMinutes < 1) {
                    FMinutes = 59;
                    --FHours;
                } else {
                    --FMinutes;
                }
            } else {
                --FSeconds;
            }
        }
    } else {
        if (FSeconds >= 59) {
            FSeconds = 0;
            if (FMinutes >= 59) {
                FMinutes = 0;
                ++FHours;
            } else {
                ++FMinutes;
            }
        } else {
            ++FSeconds;
        }
    }
    ZeroLimitCheck();
    if (Visible())
        RedrawText();
    emit timeChanged();
}

void TOvOpHourCounter::HandleIni(TIniFile& ini, bool read)
{
    const QString section = FIniSettings.Section();
    if (read) {
        FHours = ini.ReadInteger(section, QStringLiteral("h"), 0);
        FMinutes = ini.ReadInteger(section, QStringLiteral("m"), 0);
        FSeconds = ini.ReadInteger(section, QStringLiteral("s"), 0);
    } else {
        ini.WriteInteger(section, QStringLiteral("h"), FHours);
        ini.WriteInteger(section, QStringLiteral("m"), FMinutes);
        ini.WriteInteger(section, QStringLiteral("s"), FSeconds);
    }
}

void TOvOpHourCounter::LoadIniIfPending()
{
    if (!FIniPending)
        return;
    if (FIniSettings.Section().isEmpty())
        FIniSettings.SetSection(Name());
    if (!Designing() && FIniSettings.AutoLoadSave())
        FIniSettings.Execute(true);
    FIniPending = false;
    FIniLoaded = true;
}

void TOvOpHourCounter::Paint()
{
    LoadIniIfPending();
    if (!(Visible() || Designing()))
        return;
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    const QString text = TimeText();
    FTextWidth = canvas.TextWidth(text);
    FTextHeight = canvas.TextHeight(text);

    const QSize needed = NeededSize(FTextWidth, FTextHeight);
    Grow(needed.width(), needed.height());
    DrawFrame(canvas);
    FLaidOut = true;
    RedrawText();
}

void TOvOpHourCounter::RedrawText()
{
    // Nothing to redraw into before a full paint has laid out the box.
    if (FTextHeight < 1 || !(Visible() || Designing()) || !FLaidOut)
        return;
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    const QString text = TimeText();
    const int tw = canvas.TextWidth(text);
    if (tw > FTextWidth && Align() == alNone) {
        // The text outgrew the box (more hour digits): a full paint resizes.
        Invalidate();
        return;
    }
    const TRect inner = InnerRect();
    const int left = inner.Left + (inner.Width() - FTextWidth) / 2;
    const int top = inner.Top + (inner.Height() - FTextHeight) / 2;
    SetTextRect(Bounds(left, top, FTextWidth, FTextHeight));
    DrawTextBox(canvas, TextRect(), text);
    Flush(TextRect());
}
