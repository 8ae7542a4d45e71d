#pragma once
// Where each stored value lives in the program's state objects: the two functions behind
// a window's SettingsTarget::StoredValues and SetStoredValues.

#include <cstdint>

#include "app/settings/SettingsRecord.h"

struct DisplayState;
struct ProcessingState;
struct AcquisitionState;

struct SettingsSources {
    DisplayState& Display;
    ProcessingState& Processing;
    AcquisitionState& Acquisition;
    int32_t& WindowsOs;             // the Windows OS option: 1 WinXP, 2 Win2K
    int32_t& Reserved5;             // fields 5 and 6: kept only to be written back as read
    int32_t& Reserved6;
};

SettingsRecord CaptureSettings(const DisplayState& display, const ProcessingState& processing,
                               const AcquisitionState& acquisition, int32_t windowsOs,
                               int32_t reserved5 = 10, int32_t reserved6 = 10);
// Writes the stored values into the state objects (no handler runs; the loader runs them).
void StoreSettings(const SettingsRecord& record, const SettingsSources& into);
