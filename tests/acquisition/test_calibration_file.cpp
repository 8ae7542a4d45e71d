// The calibration file: where it lives, what survives a round trip, and that nothing a user
// or another program put in it is lost or mistaken for a calibration.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TestPaths.h"
#include "acquisition/CalibrationFile.h"
#include "tests/support/CalibrationEntry.h"

namespace {

using velquor_test::ReadText;
using velquor_test::TempPath;

void Write(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// Sets an environment variable for the scope of a test.
class Env {
public:
    Env(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~Env()
    {
        if (had_) setenv(name_, old_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace

TEST(CalibrationFile, LivesBesideTheSettingsFile)
{
    {
        Env config("XDG_CONFIG_HOME", "/tmp/cfg");
        EXPECT_EQ(DefaultCalibrationPath(), "/tmp/cfg/velquor/calibration.ini");
    }
    Env config("XDG_CONFIG_HOME", "");
    Env home("HOME", "/home/eeg");
    EXPECT_EQ(DefaultCalibrationPath(), "/home/eeg/.config/velquor/calibration.ini");
}

TEST(CalibrationFile, RoundTripKeepsWhatItDoesNotUnderstand)
{
    const std::string folder = TempPath("calibration-folder");
    const std::string path = folder + "/velquor/calibration.ini";
    std::remove(path.c_str());
    CalibrationFile file;
    std::string error;
    ASSERT_TRUE(file.Load(path, error)) << "a missing file reads as empty";
    EXPECT_TRUE(file.Entries().empty());
    file.Store(CalibrationEntry(1, 1, 19145.0, 227.25));
    file.Store(CalibrationEntry(2, 2, 16065.5, 0.4875));
    ASSERT_TRUE(file.Save(path, error)) << error;   // the folders are made

    // Someone adds a comment, a key of their own and a section of another program.
    std::string text = ReadText(path);
    const size_t firstSection = text.find("DeclaredHz=10\n") + 14;
    text = "; my lab's amplifier, gain x1000\n" + text.substr(0, firstSection) + "Operator=Kim\n" +
           text.substr(firstSection) + "\n[Display]\nZoom=2\n";
    Write(path, text);

    CalibrationFile again;
    ASSERT_TRUE(again.Load(path, error)) << error;
    EXPECT_TRUE(again.Problems().empty());
    ASSERT_EQ(again.Entries().size(), 2u);
    const ChannelCalibration* am = again.Find(1, 1, 19145.0);
    ASSERT_NE(am, nullptr);
    EXPECT_EQ(am->MicrovoltsPerUnit, 227.25);
    EXPECT_EQ(am->DeclaredMicrovoltsPp, 100.0);
    EXPECT_EQ(am->DeclaredHz, 10.0);
    EXPECT_NE(again.Find(2, 2, 16065.5), nullptr);
    EXPECT_NE(again.Find(2, 2, 16065.52), nullptr) << "within the carrier tolerance";
    EXPECT_EQ(again.Find(2, 2, 16066.0), nullptr);
    EXPECT_EQ(again.Find(1, 2, 19145.0), nullptr) << "another modulation";
    EXPECT_EQ(again.Find(2, 1, 19145.0), nullptr) << "another channel";

    // Replacing and clearing touch only their own section.
    again.Store(CalibrationEntry(1, 1, 19145.0, 300.0));
    EXPECT_TRUE(again.Remove(2, 2, 16065.5));
    EXPECT_FALSE(again.Remove(2, 2, 16065.5));
    ASSERT_TRUE(again.Save(path, error)) << error;
    const std::string saved = ReadText(path);
    for (const char* kept : {"; my lab's amplifier, gain x1000", "Operator=Kim", "[Display]", "Zoom=2",
                             "[Channel1 AM 19145]", "MicrovoltsPerUnit=300"})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept << "\n" << saved;
    EXPECT_EQ(saved.find("Channel2"), std::string::npos) << saved;
    std::remove(path.c_str());
}

TEST(CalibrationFile, BadSectionsAreReportedKeptAndNotUsed)
{
    const std::string path = TempPath("bad-calibration.ini");
    Write(path,
          "[Channel1 AM 19145]\nMicrovoltsPerUnit=abc\n"
          "[Channel2 FM 16065]\nDeclaredHz=10\n"
          "[Channel1 FM 12000]\nMicrovoltsPerUnit=-3\n"
          "[Channel3 AM 19145]\nMicrovoltsPerUnit=5\n"
          "[Channel2 AM 16065]\r\nMicrovoltsPerUnit = 2.5 ; measured\r\n"
          "[Channel2 AM 16065]\nMicrovoltsPerUnit=9\n");
    CalibrationFile file;
    std::string error;
    ASSERT_TRUE(file.Load(path, error)) << error;
    ASSERT_EQ(file.Entries().size(), 1u);
    EXPECT_EQ(file.Find(2, 1, 16065.0)->MicrovoltsPerUnit, 2.5);
    ASSERT_EQ(file.Problems().size(), 4u);
    EXPECT_EQ(file.Problems()[0], "line 1: [Channel1 AM 19145]: MicrovoltsPerUnit is not a positive number ('abc')");
    EXPECT_EQ(file.Problems()[1], "line 3: [Channel2 FM 16065]: MicrovoltsPerUnit is missing");
    EXPECT_NE(file.Problems()[3].find("line 11: [Channel2 AM 16065]: the same channel"), std::string::npos);
    // Writing keeps every one of them as it was.
    ASSERT_TRUE(file.Save(path, error)) << error;
    const std::string saved = ReadText(path);
    for (const char* kept : {"MicrovoltsPerUnit=abc", "[Channel2 FM 16065]", "MicrovoltsPerUnit=-3", "[Channel3 AM 19145]",
                             "MicrovoltsPerUnit=9"})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept << "\n" << saved;

    // A file that cannot be read is an error, not an empty store to be overwritten.
    const std::string folder = TempPath("calibration-is-a-folder");
    ::mkdir(folder.c_str(), 0700);
    EXPECT_FALSE(file.Load(folder, error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    std::remove(path.c_str());
}
