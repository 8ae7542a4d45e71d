#include <gtest/gtest.h>

#include <memory>

#include "acquisition/AcquisitionState.h"
#include "app/display/DisplaySettings.h"
#include "app/settings/SettingsRecord.h"
#include "dsp/ProcessingState.h"

// Every stored value has one home of its own in the state objects: storing a record of
// distinct values and capturing it again gives the same record.
TEST(SettingsBinding, StoreThenCaptureGivesEveryFieldBack)
{
    auto display = std::make_unique<DisplaySettings>();
    auto processing = std::make_unique<ProcessingState>();
    auto acquisition = std::make_unique<AcquisitionState>();
    StoredOptions options;
    const SettingsHome home{*display, *processing, *acquisition, options};

    // A flag holds only 0 or 1: two records, each flag 1 in one of them and 0 in the other,
    // in a pattern that differs between neighbouring flags.
    for (int pass = 0; pass < 2; ++pass) {
        SettingsRecord r;
        int32_t next = 2;
        int flag = pass;
        for (const SettingsField& f : SettingsFields())
            f.Set(r, f.Type == SettingsFieldType::U8 ? (flag++ % 2) : next++ * 3);
        StoreSettings(r, home);
        EXPECT_EQ(CaptureSettings(home), r) << "pass " << pass;
    }
}
