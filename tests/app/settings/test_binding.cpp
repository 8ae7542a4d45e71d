#include <gtest/gtest.h>

#include <memory>

#include "acquisition/AcquisitionState.h"
#include "app/display/DisplayState.h"
#include "app/settings/binding/SettingsBinding.h"
#include "dsp/ProcessingState.h"

// Every stored value has one home in the state objects: storing a record of non-default
// values and capturing it again gives the same record.
TEST(SettingsBinding, StoreThenCaptureGivesEveryFieldBack)
{
    auto display = std::make_unique<DisplayState>();
    auto processing = std::make_unique<ProcessingState>();
    auto acquisition = std::make_unique<AcquisitionState>();
    int32_t windowsOs = 1;

    SettingsRecord r;
    int32_t next = 2;
    // Distinct in-range-agnostic values per field, flags 1, carriers odd.
    ForEachSettingsField(r, [&](const SettingsFieldInfo&, auto& member) {
        using T = std::remove_reference_t<decltype(member)>;
        if constexpr (std::is_same_v<T, uint8_t>)
            member = 1;
        else
            member = static_cast<T>(next++ * 3);
    });
    int32_t reserved5 = 0, reserved6 = 0;
    StoreSettings(r, {*display, *processing, *acquisition, windowsOs, reserved5, reserved6});
    EXPECT_EQ(CaptureSettings(*display, *processing, *acquisition, windowsOs, reserved5, reserved6), r);
}
