// The non-windowed analog display base: value, limits, sectors, min/max, hint.
#include "gauges/GBaseControls.h"
#include "gauges/GAccessible.h"

#include <QLocale>

#include <cmath>
#include <limits>

// ================================================================ TOvAnalogGControl

TOvAnalogGControl::TOvAnalogGControl(QWidget* Owner)
    : TOvGraphicControl(Owner)
    , TOvAnalogValue(50.0f, 500)
{
    BeginUpdate();
    SetFont(TFont(QStringLiteral("Arial"), 8, Font().Color()));
    SetParentFont(false);
    FSignalSettings.Compute();
    // Both limit flags start set, so this first check stores the real state.
    ValueChange();
}

void TOvAnalogGControl::Loaded()
{
    TOvGraphicControl::Loaded();
    auto hook = [this](QObject* sender) { SettingsChanged(sender); };
    FSectorSettings.SetOnChange(hook);
    FSignalSettings.SetOnChange(hook);
    FMinMax.SetOnChange(hook);
    EndUpdate();
}

void TOvAnalogGControl::DigitFromValue()
{
    FDigit = FLogScale ? FSignalSettings.LogDigitOfValue(FValue, FLogFactor) : FSignalSettings.DigitOfValue(FValue);
}

void TOvAnalogGControl::Dispatch()
{
    if (Designing())
        SettingsChanged(this);
    else
        ValueChange();
}

void TOvAnalogGControl::SetValue(float v)
{
    if (v == FValue || std::isnan(v))
        return;
    if (FLogScale && v <= 0.0f)
        return;
    FValue = v;
    DigitFromValue();
    Dispatch();
}

void TOvAnalogGControl::SetDigit(int d)
{
    if (!StoreChanged(FDigit, d))
        return;
    // Without a usable factor the linear value stands.
    FValue = FLogScale && FLogFactor != 0.0 ? FSignalSettings.LogValueOfDigit(d, FLogFactor)
                                            : FSignalSettings.ValueOfDigit(d);
    Dispatch();
}

void TOvAnalogGControl::SetLimitUpper(float v)
{
    if (v == FLimitUpper || std::isnan(v))
        return;
    FLimitUpper = v;
    FLimitUpperDigits = FSignalSettings.PerMille(v);
    ValueChange();
}

void TOvAnalogGControl::SetLimitLower(float v)
{
    if (v == FLimitLower || std::isnan(v))
        return;
    if (v == 0.0f)
        v = 0.0001f;
    FLimitLower = v;
    FLimitLowerDigits = FSignalSettings.PerMille(v);
    ValueChange();
}

void TOvAnalogGControl::SetHintOptions(THintOptions v)
{
    if (StoreChanged(FHintOptions, v))
        RebuildHint();
}

void TOvAnalogGControl::SetLogScale(bool v)
{
    if (FLogScale == v)
        return;
    FLogScale = v;
    FSignalSettings.SetLogScale(v);
    Change();
}

void TOvAnalogGControl::SettingsChanged(QObject*)
{
    FSignalSettings.Compute();
    if (FLogScale) {
        // Without a defined factor the last one stands.
        if (const double factor = FSignalSettings.LogFactor(); factor != 0.0)
            FLogFactor = factor;
        if (FValue <= 0.0f)
            FValue = 1.0f;
    }
    DigitFromValue();
    if (FOnSettingsChange)
        FOnSettingsChange(this);
    emit settingsChanged();
    Invalidate();
}

void TOvAnalogGControl::ValueChange()
{
    if (pos() != FLastPos) {
        FLastPos = pos();
        Moved();
    }
    const TSignalSettings& s = FSignalSettings;
    FDigitText = QString::number(FDigit);
    FValueText = FormatFloat(s.ValueFormat(), FValue);
    FPPT = s.PerMilleOfDigit(FDigit);

    for (int k = 1; k <= 3; ++k) {
        const bool active = FSectorSettings.SectorFrom(k) <= FPPT && FPPT <= FSectorSettings.SectorTo(k);
        if (active)
            FSectorColor = FSectorSettings.SectorColor(k);
        if (active != FSectorActive[k - 1]) {
            FSectorActive[k - 1] = active;
            if (FOnSectorChange)
                FOnSectorChange(this, k == 1, k == 2, k == 3, active);
        }
    }

    const bool upper = FValue > FLimitUpper;
    const bool lower = FValue < FLimitLower;
    if (upper != FUpperExceeded || lower != FLowerExceeded) {
        FUpperExceeded = upper;
        FLowerExceeded = lower;
        LimitChanged();
        if (FOnLimit)
            FOnLimit(this, lower, upper);
    }

    if (FPPT > 1000) {
        if (!FOverflow) {
            FOverflow = true;
            FUnderflow = false;
            OverflowChanged();
            if (FOnOverflow)
                FOnOverflow(this, FPPT);
        }
        FPPT = 1000;
    } else if (FPPT < 0) {
        if (!FUnderflow) {
            FUnderflow = true;
            FOverflow = false;
            OverflowChanged();
            if (FOnOverflow)
                FOnOverflow(this, FPPT);
        }
        FPPT = 0;
    } else if (FOverflow || FUnderflow) {
        FOverflow = false;
        FUnderflow = false;
        OverflowChanged();
        if (FOnOverflow)
            FOnOverflow(this, FPPT);
    }

    if (Designing()) {
        FMinPos = FPPT;
        FMaxPos = FPPT;
    } else {
        if (FValue < FMinMax.Min()) {
            const bool wasInitial = FMinMax.Min() == TMinMax::InitialMin;
            FMinMax.SetMin(FValue);
            FMinPos = FPPT;
            if (!wasInitial) {
                MinMaxChanged();
                if (FOnMinMaxChange)
                    FOnMinMaxChange(this);
            }
        }
        if (FValue > FMinMax.Max()) {
            const bool wasInitial = FMinMax.Max() == TMinMax::InitialMax;
            FMinMax.SetMax(FValue);
            FMaxPos = FPPT;
            if (!wasInitial) {
                MinMaxChanged();
                if (FOnMinMaxChange)
                    FOnMinMaxChange(this);
            }
        }
    }

    RebuildHint();
    if (FOnValueChange)
        FOnValueChange(this);
    // The notify signal only for a new value (a limit or range change runs
    // this update too).
    if (AnnounceValue()) {
        emit valueChanged(FValue);
        OvAccessible::ValueChanged(this, double(FValue));
    }
}

void TOvAnalogGControl::RebuildHint()
{
    if (!FHintOptions.Contains(hoAutoHint) || Designing())
        return;
    const TSignalSettings& s = FSignalSettings;
    const QLocale locale;
    auto extreme = [&](const QString& label, float v, const QDateTime& when) {
        QString line = label + FormatFloat(s.ValueFormat(), v) + QLatin1Char(' ') + s.ValueUnit();
        if (FHintOptions.Contains(hoMinMaxDate))
            line += QLatin1Char(' ') + locale.toString(when.date(), QLocale::ShortFormat);
        if (FHintOptions.Contains(hoMinMaxTime))
            line += QLatin1Char(' ') + locale.toString(when.time(), QLocale::ShortFormat);
        return line;
    };
    QStringList lines;
    if (FHintOptions.Contains(hoValue))
        lines << QStringLiteral("Value= ") + FValueText + QLatin1Char(' ') + s.ValueUnit();
    if (FHintOptions.Contains(hoMin))
        lines << extreme(QStringLiteral("MIN= "), FMinMax.Min(), FMinMax.MinDateTime());
    if (FHintOptions.Contains(hoMax))
        lines << extreme(QStringLiteral("MAX= "), FMinMax.Max(), FMinMax.MaxDateTime());
    if (FHintOptions.Contains(hoName1))
        lines << s.Name1();
    if (FHintOptions.Contains(hoName2))
        lines << s.Name2();
    SetHint(lines.join(QLatin1Char('\r')));
}
