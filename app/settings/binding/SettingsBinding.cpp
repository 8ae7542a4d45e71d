#include "app/settings/binding/SettingsBinding.h"

#include "acquisition/AcquisitionState.h"
#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"

SettingsRecord CaptureSettings(const DisplayState& d, const ProcessingState& p,
                               const AcquisitionState& a, int32_t windowsOs, int32_t reserved5,
                               int32_t reserved6)
{
    SettingsRecord r;
    r.Reserved5 = reserved5;
    r.Reserved6 = reserved6;
    r.Chan1Enabled = p.Chan1Enabled ? 1 : 0;
    r.Chan2Enabled = p.Chan2Enabled ? 1 : 0;
    r.Chan1TimeGainSetting = d.Chan1TimeGainSetting;
    r.Chan2TimeGainSetting = d.Chan2TimeGainSetting;
    r.Chan1GainStep = d.Chan1GainStep;
    r.Chan2GainStep = d.Chan2GainStep;
    r.Chan1OffsetPos = d.Chan1OffsetPos;
    r.Chan2OffsetPos = d.Chan2OffsetPos;
    r.Chan1RawGainStep = d.Chan1RawGainStep;
    r.Chan2RawGainStep = d.Chan2RawGainStep;
    r.Chan1SpecOffset = d.Chan1SpecOffset;
    r.Chan2SpecOffset = d.Chan2SpecOffset;
    r.DisplayHold = p.DisplayHold ? 1 : 0;
    r.TimeBaseSetting = d.TimeBaseSetting;
    r.InputStereo = a.InputStereo;
    r.DisplayType = d.DisplayType;
    r.BackgroundStyle = d.BackgroundStyle;
    r.Chan1Color = static_cast<int32_t>(d.Chan1Color);
    r.Chan2Color = static_cast<int32_t>(d.Chan2Color);
    r.Marker1Pos = d.Marker1Pos;
    r.Marker2Pos = d.Marker2Pos;
    r.Marker1On = d.Marker1On ? 1 : 0;
    r.WindowsOs = windowsOs;
    r.GridOn = d.GridOn ? 1 : 0;
    r.FreqScaleSetting = p.FreqScaleSetting;
    r.WaterfallPalette = d.WaterfallPalette;
    r.Chan1TimeGain = d.Chan1TimeGain;
    r.Chan2TimeGain = d.Chan2TimeGain;
    r.Chan1TimeOffset = d.Chan1TimeOffset;
    r.Chan2TimeOffset = d.Chan2TimeOffset;
    r.Chan1SpecOffsetPos = d.Chan1SpecOffsetPos;
    r.Chan2SpecOffsetPos = d.Chan2SpecOffsetPos;
    r.Chan1SpecGain = d.Chan1SpecGain;
    r.Chan2SpecGain = d.Chan2SpecGain;
    r.Chan1SpecGainSetting = d.Chan1SpecGainSetting;
    r.Chan2SpecGainSetting = d.Chan2SpecGainSetting;
    r.FilterMarker1Pos = p.FilterMarker1Pos;
    r.FilterMarker2Pos = p.FilterMarker2Pos;
    r.FilterMarker1On = d.FilterMarker1On ? 1 : 0;
    r.ModulationType = p.ModulationType;
    r.Chan1CarrierHz = p.Chan1CarrierHz;
    r.Chan2CarrierHz = p.Chan2CarrierHz;
    return r;
}

void StoreSettings(const SettingsRecord& r, const SettingsSources& into)
{
    DisplayState& d = into.Display;
    ProcessingState& p = into.Processing;
    into.Reserved5 = r.Reserved5;
    into.Reserved6 = r.Reserved6;
    p.Chan1Enabled = r.Chan1Enabled == 1;
    p.Chan2Enabled = r.Chan2Enabled == 1;
    d.Chan1TimeGainSetting = r.Chan1TimeGainSetting;
    d.Chan2TimeGainSetting = r.Chan2TimeGainSetting;
    d.Chan1GainStep = r.Chan1GainStep;
    d.Chan2GainStep = r.Chan2GainStep;
    d.Chan1OffsetPos = r.Chan1OffsetPos;
    d.Chan2OffsetPos = r.Chan2OffsetPos;
    d.Chan1RawGainStep = r.Chan1RawGainStep;
    d.Chan2RawGainStep = r.Chan2RawGainStep;
    d.Chan1SpecOffset = r.Chan1SpecOffset;
    d.Chan2SpecOffset = r.Chan2SpecOffset;
    p.DisplayHold = r.DisplayHold == 1;
    d.TimeBaseSetting = r.TimeBaseSetting;
    into.Acquisition.InputStereo = r.InputStereo;   // the format follows in Mic1Click / Line1Click
    d.DisplayType = r.DisplayType;
    d.BackgroundStyle = r.BackgroundStyle;
    d.Chan1Color = static_cast<TColor>(r.Chan1Color);
    d.Chan2Color = static_cast<TColor>(r.Chan2Color);
    d.Marker1Pos = r.Marker1Pos;
    d.Marker2Pos = r.Marker2Pos;
    d.Marker1On = r.Marker1On == 1;
    into.WindowsOs = r.WindowsOs;
    d.GridOn = r.GridOn == 1;
    p.FreqScaleSetting = r.FreqScaleSetting;
    d.WaterfallPalette = r.WaterfallPalette;
    d.Chan1TimeGain = r.Chan1TimeGain;
    d.Chan2TimeGain = r.Chan2TimeGain;
    d.Chan1TimeOffset = r.Chan1TimeOffset;
    d.Chan2TimeOffset = r.Chan2TimeOffset;
    d.Chan1SpecOffsetPos = r.Chan1SpecOffsetPos;
    d.Chan2SpecOffsetPos = r.Chan2SpecOffsetPos;
    d.Chan1SpecGain = r.Chan1SpecGain;
    d.Chan2SpecGain = r.Chan2SpecGain;
    d.Chan1SpecGainSetting = r.Chan1SpecGainSetting;
    d.Chan2SpecGainSetting = r.Chan2SpecGainSetting;
    p.FilterMarker1Pos = r.FilterMarker1Pos;
    p.FilterMarker2Pos = r.FilterMarker2Pos;
    d.FilterMarker1On = r.FilterMarker1On == 1;
    p.ModulationType = r.ModulationType;
    p.Chan1CarrierHz = r.Chan1CarrierHz;
    p.Chan2CarrierHz = r.Chan2CarrierHz;
}
