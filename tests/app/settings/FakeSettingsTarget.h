#pragma once
// A window stand-in for the settings loader: the shared values in a record, the controls
// the loader sets, and handlers that log their calls and derive what the window's do.

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/settings/SettingsTarget.h"

struct HandlerCall {
    std::string Name;
    SettingsRecord Values;      // the shared values when the handler ran
    bool Applying = false;
};

class FakeSettingsTarget : public SettingsTarget {
public:
    SettingsRecord State;
    bool Applying = true;
    bool EverApplyingDuringHandlers = true;
    std::map<SettingsControl, double> Controls;
    std::vector<HandlerCall> Calls;
    std::vector<std::pair<SettingsControl, double>> ControlSets;
    int CheckedPalette = 5;

    SettingsRecord StoredValues() const override { return State; }
    void SetStoredValues(const SettingsRecord& values) override { State = values; }
    void SetApplyingSettings(bool applying) override { Applying = applying; }
    void SetControl(SettingsControl control, double value) override
    {
        ControlSets.emplace_back(control, value);
        // Track bars hold positions to 1..40 as the real control does.
        if (control == SettingsControl::Chan1GainTrackBar || control == SettingsControl::Chan2GainTrackBar ||
            control == SettingsControl::Chan1GainFTrackBar || control == SettingsControl::Chan2GainFTrackBar)
            value = std::clamp(value, 1.0, 40.0);
        Controls[control] = value;
    }

    std::vector<std::string> CallNames() const
    {
        std::vector<std::string> names;
        for (const auto& c : Calls)
            names.push_back(c.Name);
        return names;
    }
    const HandlerCall* Find(const std::string& name) const
    {
        for (const auto& c : Calls)
            if (c.Name == name)
                return &c;
        return nullptr;
    }
    bool Ran(const std::string& name) const { return Find(name) != nullptr; }

    void Chan1EnableSwitchClick() override { Log("Chan1EnableSwitchClick"); State.Chan1Enabled = Checked(SettingsControl::Chan1EnableSwitch); }
    void Chan2EnableSwitchClick() override { Log("Chan2EnableSwitchClick"); State.Chan2Enabled = Checked(SettingsControl::Chan2EnableSwitch); }
    void Chan1GainTrackBarChange() override { Track("Chan1GainTrackBarChange", SettingsControl::Chan1GainTrackBar, State.Chan1TimeGain, State.Chan1TimeGainSetting); }
    void Chan2GainTrackBarChange() override { Track("Chan2GainTrackBarChange", SettingsControl::Chan2GainTrackBar, State.Chan2TimeGain, State.Chan2TimeGainSetting); }
    void TimeBaseDialClick() override { Log("TimeBaseDialClick"); State.TimeBaseSetting = int(Controls[SettingsControl::TimeBaseDial]); }
    void Mic1Click() override { Log("Mic1Click"); State.InputStereo = 0; }
    void Line1Click() override { Log("Line1Click"); State.InputStereo = 1; }
    void White1Click() override { Log("White1Click"); }
    void Black1Click() override { Log("Black1Click"); }
    void Teal1Click() override { Log("Teal1Click"); }
    void MkrSwitchClick() override { Log("MkrSwitchClick"); State.Marker1On = Checked(SettingsControl::MkrSwitch); }
    void WindowsXPClick() override { Log("WindowsXPClick"); State.WindowsOs = 1; }
    void Windows2KClick() override { Log("Windows2KClick"); State.WindowsOs = 2; }
    void GridOn1Click() override { Log("GridOn1Click"); State.GridOn = 1; }
    void GridOff1Click() override { Log("GridOff1Click"); State.GridOn = 0; }
    void FreqBaseDialClick() override { Log("FreqBaseDialClick"); FreqScale(); }
    void FreqBaseDialValueChange() override { Log("FreqBaseDialValueChange"); FreqScale(); }
    void CheckWaterfallColor(int palette) override
    {
        Log("CheckWaterfallColor");
        if (palette >= 4 && palette <= 9)
            CheckedPalette = palette;
    }
    void Chan1GainFTrackBarChange() override { Track("Chan1GainFTrackBarChange", SettingsControl::Chan1GainFTrackBar, State.Chan1SpecGain, State.Chan1SpecGainSetting); }
    void Chan2GainFTrackBarChange() override { Track("Chan2GainFTrackBarChange", SettingsControl::Chan2GainFTrackBar, State.Chan2SpecGain, State.Chan2SpecGainSetting); }
    void RawSpectrum1Click() override { Log("RawSpectrum1Click"); State.DisplayType = 1; }
    void Spectrum1Click() override { Log("Spectrum1Click"); State.DisplayType = 4; }
    void Phase1Click() override { Log("Phase1Click"); State.DisplayType = 5; }
    void Waterfall1Click() override { Log("Waterfall1Click"); State.DisplayType = 6; }
    void FltrMkrsSwClick() override { Log("FltrMkrsSwClick"); State.FilterMarker1On = Checked(SettingsControl::FltrMkrsSw); }
    void AM1Click() override { Log("AM1Click"); State.ModulationType = 1; }
    void FM1Click() override { Log("FM1Click"); State.ModulationType = 2; }
    void Chan1GainDialClick() override { Log("Chan1GainDialClick"); State.Chan1GainStep = int(Controls[SettingsControl::Chan1GainDial]); }
    void Chan2GainDialClick() override { Log("Chan2GainDialClick"); State.Chan2GainStep = int(Controls[SettingsControl::Chan2GainDial]); }

private:
    void Log(const char* name)
    {
        Calls.push_back({name, State, Applying});
        EverApplyingDuringHandlers = EverApplyingDuringHandlers && Applying;
    }
    uint8_t Checked(SettingsControl c) { return Controls[c] != 0.0 ? 1 : 0; }
    // A track bar's handler: gain and stored setting from the position.
    void Track(const char* name, SettingsControl c, int32_t& gain, int32_t& setting)
    {
        Log(name);
        gain = setting = int32_t(Controls[c]) * 10 - 9;
    }
    void FreqScale()
    {
        if (State.DisplayType != 1)
            State.FreqScaleSetting = int32_t(std::trunc(0.4 * Controls[SettingsControl::FreqBaseDial]));
    }
};
