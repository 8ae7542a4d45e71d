// The settings loader on arbitrary bytes: the file is loaded through a stand-in window,
// the loaded values are stored into the program's state objects as the window does and
// both panes are drawn with them. Every value the loader lets through must be one the
// displays can use (the sanitizers catch any index it leaves out of range).
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "acquisition/AcquisitionState.h"
#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "app/display/TimeTrace.h"
#include "app/settings/SettingsFile.h"
#include "dsp/Designs.h"
#include "dsp/ProcessingState.h"
#include "fuzz/FuzzInput.h"
#include "tests/app/settings/FakeSettingsTarget.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);   // fonts for the pane labels
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzScratchFile input(".cfg", data, size);
    if (!input.Ok()) return 0;
    const std::string& path = input.Path();

    FakeSettingsTarget target;
    const SettingsLoadResult result = LoadSettings(QString::fromStdString(path), target);
    if (target.Applying) std::abort();   // ApplyingSettings is cleared on every path
    if (result != SettingsLoadResult::Applied) return 0;

    static auto display = std::make_unique<DisplayState>();
    static auto processing = std::make_unique<ProcessingState>();
    static auto acquisition = std::make_unique<AcquisitionState>();
    static bool designed = (StartupDesigns(*processing), true);
    (void)designed;
    ModelControls controls;
    ApplyFirstRunPanel(*display, *processing, controls);

    const SettingsRecord& r = target.State;
    StoredOptions options;
    StoreSettings(r, SettingsHome{display->Settings, *processing, *acquisition, options});
    TimeBaseDialClick(*display, float(r.TimeBaseSetting));
    Chan1GainDialClick(*display, *processing, float(r.Chan1GainStep));
    Chan2GainDialClick(*display, *processing, float(r.Chan2GainStep));
    CheckWaterfallColor(*display, r.WaterfallPalette);
    switch (r.DisplayType) {
    case 1: RawSpectrum1Click(*display, *processing, controls); break;
    case 5: Phase1Click(*display, *processing, controls); break;
    case 6: Waterfall1Click(*display, *processing, controls); break;
    default: Spectrum1Click(*display, *processing, controls); break;
    }
    if (r.DisplayType != 1) FreqBaseDialClick(*display, *processing, float(r.FreqScaleSetting) / 0.4f);
    MkrSwitchClick(*display, *processing, r.Marker1On != 0);
    FltrMkrsSwClick(*display, *processing, controls, r.FilterMarker1On != 0);
    RedrawPanes(*display, *processing);
    return 0;
}
