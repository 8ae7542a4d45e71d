#pragma once
// What loading the settings needs from the main window: the shared values the file
// keeps, the controls it sets from code, and the handlers it runs. The window implements
// it over its state and widgets; tests implement it with fakes.

#include "app/settings/SettingsRecord.h"

// Controls the loader sets from code before running their handler. Setting one from code
// never runs a handler by itself.
enum class SettingsControl {
    Chan1EnableSwitch,      // Checked: 0 or 1
    Chan2EnableSwitch,
    Chan1GainTrackBar,      // Position (the track bar holds it to 1..40)
    Chan2GainTrackBar,
    DisplayHoldSw,          // Checked
    TimeBaseDial,           // Value
    MkrSwitch,              // Checked
    FreqBaseDial,           // Value
    Chan1GainFTrackBar,     // Position
    Chan2GainFTrackBar,
    FltrMkrsSw,             // Checked
    Chan1GainDial,          // Value
    Chan2GainDial,
};

class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;

    // The shared values the file keeps, gathered into a record, and written back from one.
    virtual SettingsRecord StoredValues() const = 0;
    virtual void SetStoredValues(const SettingsRecord& values) = 0;
    // The ApplyingSettings flag: true while the file is applied.
    virtual void SetApplyingSettings(bool applying) = 0;

    virtual void SetControl(SettingsControl control, double value) = 0;

    // Handlers, in the order the loader runs them.
    virtual void Chan1EnableSwitchClick() = 0;
    virtual void Chan2EnableSwitchClick() = 0;
    virtual void Chan1GainTrackBarChange() = 0;
    virtual void Chan2GainTrackBarChange() = 0;
    virtual void TimeBaseDialClick() = 0;
    virtual void Mic1Click() = 0;
    virtual void Line1Click() = 0;
    virtual void White1Click() = 0;
    virtual void Black1Click() = 0;
    virtual void Teal1Click() = 0;
    virtual void MkrSwitchClick() = 0;
    virtual void WindowsXPClick() = 0;
    virtual void Windows2KClick() = 0;
    virtual void GridOn1Click() = 0;
    virtual void GridOff1Click() = 0;
    virtual void FreqBaseDialClick() = 0;
    virtual void FreqBaseDialValueChange() = 0;
    virtual void CheckWaterfallColor(int palette) = 0;
    virtual void Chan1GainFTrackBarChange() = 0;
    virtual void Chan2GainFTrackBarChange() = 0;
    virtual void RawSpectrum1Click() = 0;
    virtual void Spectrum1Click() = 0;
    virtual void Phase1Click() = 0;
    virtual void Waterfall1Click() = 0;
    virtual void FltrMkrsSwClick() = 0;
    virtual void AM1Click() = 0;
    virtual void FM1Click() = 0;
    virtual void Chan1GainDialClick() = 0;
    virtual void Chan2GainDialClick() = 0;
};
