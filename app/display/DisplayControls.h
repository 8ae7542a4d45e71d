#pragma once
// What the display commands need of the front panel beyond the display state:
// setting a dial the way the control itself holds values, and a modal message.
// The main window implements it over its gauges and message boxes; tests
// answer without blocking.

#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>

// A dial value (or a product of one) truncated toward zero, as the handlers
// take positions; NaN gives 0 and values beyond int32 saturate, so a bad
// stored setting cannot make the conversion undefined.
inline int32_t DialPosition(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(std::trunc(v));
}

enum class PanelDial {
    Chan1Gain,
    Chan2Gain,
    Chan1Offset,
    Chan2Offset,
    FreqBase,
    TimeBase,
};

class DisplayControls {
public:
    virtual ~DisplayControls() = default;

    // Sets the dial's value without running its handler (the caller runs the
    // handler itself) and returns the value the dial then holds: the control
    // limits it to its range and holds it to its steps.
    virtual float SetDial(PanelDial dial, float value) = 0;

    // The value the dial holds now.
    virtual float DialValue(PanelDial dial) const = 0;

    // The frequency-scale dial's upper limit (150 in modes 4 to 6, 100 in the
    // raw modes) and its design width (105 or 102 before the window's scaling).
    virtual void SetFreqDialRange(float valueTo, int designWidth) = 0;

    // A modal message box with an OK button, owned by the main window.
    virtual void ShowMessage(const QString& text, const QString& caption) = 0;
};

// Limits and steps of the six dials as the front panel configures them; used
// by controls that have no gauges (tests, benchmarks, headless tools).
class ModelControls : public DisplayControls {
public:
    float SetDial(PanelDial dial, float value) override;
    float DialValue(PanelDial dial) const override { return values_[static_cast<int>(dial)]; }
    void SetFreqDialRange(float valueTo, int designWidth) override;
    void ShowMessage(const QString& text, const QString& caption) override;

    float FreqValueTo() const { return freqValueTo_; }

    // Every message shown, as "caption: text", oldest first.
    const QStringList& Messages() const { return messages_; }

private:
    float values_[6] = {3.0f, 3.0f, 75.0f, 25.0f, 60.0f, 4.0f};
    float freqValueTo_ = 150.0f;
    QStringList messages_;
};
