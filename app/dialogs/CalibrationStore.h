#pragma once
// The channels' calibrations as the window applies them and the Calibrate dialog changes them:
// the calibration file (acquisition/CalibrationFile) beside the settings file, read once at
// start. A file that is there but cannot be read is never written over: every change is then
// refused with the reason, and the channels stay uncalibrated.

#include <string>
#include <vector>

#include "acquisition/CalibrationFile.h"
#include "acquisition/EdfRecorder.h"
#include "dsp/Calibration.h"
#include "dsp/ProcessingState.h"

class CalibrationStore {
public:
    // Reads the file at `path` (a missing file is an empty store).
    explicit CalibrationStore(std::string path);

    const std::string& Path() const { return path_; }
    // Why nothing will be written (the file could not be read, with the system's reason);
    // empty when changes are saved.
    const std::string& Unreadable() const { return unreadable_; }
    // Sections of the file that could not be used, with the reason.
    const std::vector<std::string>& Problems() const { return file_.Problems(); }

    // The calibration of a channel for the modulation and carrier in force, or nullptr.
    const ChannelCalibration* Find(int channel, const ProcessingState& state) const;
    // Both channels' calibrations in force, for an EDF+ recording in microvolts.
    EdfCalibrations InForce(const ProcessingState& state) const;

    // A line on the channel's state as it stands: "Calibrated with 100 uV p-p at 10 Hz (AM,
    // 19145 Hz)", or "Uncalibrated", followed where the file holds one for this channel made
    // for another modulation or carrier by why it does not apply.
    std::string Describe(int channel, const ProcessingState& state) const;

    // Stores a measured calibration (replacing the one of its channel, modulation and carrier)
    // and writes the file; false, with the reason, when the file could not be read at start
    // or cannot be written (the store then keeps what the file holds).
    bool Save(const ChannelCalibration& calibration, std::string& error);
    // Removes the channel's calibration for the modulation and carrier in force and writes
    // the file; false, with the reason, when there is none or the file cannot be written.
    bool Clear(int channel, const ProcessingState& state, std::string& error);

private:
    bool Write(std::string& error);

    std::string path_;
    std::string unreadable_;
    CalibrationFile file_;
};
