// The calibrations the window applies: what it says of a channel, and that a write that fails
// leaves the store as the file is.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/dialogs/CalibrationStore.h"
#include "tests/support/CalibrationEntry.h"

namespace {

struct StoreRig {
    QTemporaryDir dir;
    std::string folder = QDir(dir.path()).filePath(QStringLiteral("velquor")).toStdString();
    std::string path = folder + "/calibration.ini";
    std::unique_ptr<ProcessingState> state = std::make_unique<ProcessingState>();
};

}  // namespace

TEST(CalibrationStore, SavesClearsAndSaysWhatAppliesToEachChannel)
{
    StoreRig r;
    CalibrationStore store(r.path);
    EXPECT_TRUE(store.Unreadable().empty()) << "a missing file is an empty store";
    EXPECT_EQ(store.Describe(1, *r.state), "Uncalibrated");
    std::string error;
    ASSERT_TRUE(store.Save(CalibrationEntry(1, 1, 19145.0, 230.0), error)) << error;
    ASSERT_TRUE(store.Save(CalibrationEntry(2, 2, 16065.0, 0.4), error)) << error;
    EXPECT_EQ(store.Describe(1, *r.state), "Calibrated with 100 uV p-p at 10 Hz (AM, 19145 Hz)");
    EXPECT_EQ(store.Describe(2, *r.state),
              "Uncalibrated: the one kept was made for channel 2, FM at 16065 Hz; channel 2 runs AM at 16065 Hz");
    const EdfCalibrations in = store.InForce(*r.state);
    EXPECT_TRUE(in.Channel[0].has_value());
    EXPECT_FALSE(in.Channel[1].has_value());

    // A second store reads what the first wrote; Clear takes the entry in force only.
    CalibrationStore again(r.path);
    ASSERT_NE(again.Find(1, *r.state), nullptr);
    EXPECT_DOUBLE_EQ(again.Find(1, *r.state)->MicrovoltsPerUnit, 230.0);
    EXPECT_FALSE(again.Clear(2, *r.state, error));
    EXPECT_EQ(error, "channel 2 has no calibration for AM at 16065 Hz");
    ASSERT_TRUE(again.Clear(1, *r.state, error)) << error;
    EXPECT_EQ(CalibrationStore(r.path).Find(1, *r.state), nullptr);
    r.state->ModulationType = 2;
    EXPECT_NE(CalibrationStore(r.path).Find(2, *r.state), nullptr);
}

TEST(CalibrationStore, AFailedWriteLeavesTheStoreAsTheFileIs)
{
    StoreRig r;
    CalibrationStore store(r.path);
    std::string error;
    ASSERT_TRUE(store.Save(CalibrationEntry(1, 1, 19145.0, 230.0), error)) << error;
    // The folder becomes a file: nothing can be written there any more.
    ASSERT_TRUE(QDir(QString::fromStdString(r.folder)).removeRecursively());
    std::ofstream(r.folder) << "in the way";
    EXPECT_FALSE(store.Save(CalibrationEntry(1, 1, 19145.0, 999.0), error));
    EXPECT_FALSE(error.empty());
    ASSERT_NE(store.Find(1, *r.state), nullptr);
    EXPECT_DOUBLE_EQ(store.Find(1, *r.state)->MicrovoltsPerUnit, 230.0) << "the old one, as the file had it";
    EXPECT_FALSE(store.Save(CalibrationEntry(2, 1, 16065.0, 230.0), error));
    EXPECT_EQ(store.Find(2, *r.state), nullptr);
    EXPECT_FALSE(store.Clear(1, *r.state, error));
    EXPECT_NE(store.Find(1, *r.state), nullptr);
}
