#include "app/settings/FirstRunPanel.h"

#include "acquisition/AcquisitionState.h"
#include "app/display/FrequencyPane.h"
#include "app/display/TimeTrace.h"
#include "app/settings/SettingsRecord.h"

void ApplyFirstRunPanel(DisplayState& d, ProcessingState& p, DisplayControls& controls)
{
    const SettingsRecord first = FirstRunSettings();
    AcquisitionState acquisition;   // the input and the two options keep their defaults here
    StoredOptions options;
    StoreSettings(first, {d.Settings, p, acquisition, options});
    TimeBaseDialClick(d, controls.SetDial(PanelDial::TimeBase, float(first.TimeBaseSetting)));
    // Re-applies the gain and offset dials and the frequency scale from the stored values.
    Spectrum1Click(d, p, controls);
}
