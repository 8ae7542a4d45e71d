#include "app/dialogs/CalibrationStore.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

namespace {

std::string Figure(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

const char* Kind(mode_t mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "a device";
}

}  // namespace

CalibrationStore::CalibrationStore(std::string path) : path_(std::move(path))
{
    // Only a regular file is read: opening a FIFO would wait for a writer that never comes.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        unreadable_ = path_ + " is " + Kind(st.st_mode) + ", not a calibration file";
        return;
    }
    std::string error;
    if (!file_.Load(path_, error)) unreadable_ = path_ + " cannot be read (" + error + ")";
}

const ChannelCalibration* CalibrationStore::Find(int channel, const ProcessingState& state) const
{
    return file_.Find(channel, state.ModulationType, channel == 2 ? state.Chan2CarrierHz : state.Chan1CarrierHz);
}

EdfCalibrations CalibrationStore::InForce(const ProcessingState& state) const
{
    EdfCalibrations in;
    for (int channel = 1; channel <= 2; ++channel)
        if (const ChannelCalibration* c = Find(channel, state)) in.Channel[channel - 1] = *c;
    return in;
}

std::string CalibrationStore::Describe(int channel, const ProcessingState& state) const
{
    if (const ChannelCalibration* c = Find(channel, state))
        return "Calibrated with " + Figure(c->DeclaredMicrovoltsPp) + " uV p-p at " + Figure(c->DeclaredHz) + " Hz (" +
               ModulationName(c->ModulationType) + ", " + Figure(c->CarrierHz) + " Hz)";
    std::string text = "Uncalibrated";
    for (const ChannelCalibration& c : file_.Entries())
        if (c.Channel == channel) return text + ": the one kept was " + CalibrationMismatch(c, state, channel);
    return text;
}

bool CalibrationStore::Write(std::string& error)
{
    if (!unreadable_.empty()) {
        error = unreadable_ + "; it is not written over";
        return false;
    }
    return file_.Save(path_, error);
}

bool CalibrationStore::Save(const ChannelCalibration& calibration, std::string& error)
{
    if (!unreadable_.empty()) return Write(error);
    const ChannelCalibration* old = file_.Find(calibration.Channel, calibration.ModulationType, calibration.CarrierHz);
    const std::optional<ChannelCalibration> before = old ? std::optional<ChannelCalibration>(*old) : std::nullopt;
    file_.Store(calibration);
    if (Write(error)) return true;
    // The file keeps what it held; so does the store.
    if (before)
        file_.Store(*before);
    else
        file_.Remove(calibration.Channel, calibration.ModulationType, calibration.CarrierHz);
    return false;
}

bool CalibrationStore::Clear(int channel, const ProcessingState& state, std::string& error)
{
    const ChannelCalibration* c = Find(channel, state);
    if (!c) {
        error = "channel " + std::to_string(channel) + " has no calibration for " + ModulationName(state.ModulationType) +
                " at " + Figure(channel == 2 ? state.Chan2CarrierHz : state.Chan1CarrierHz) + " Hz";
        return false;
    }
    if (!unreadable_.empty()) return Write(error);
    const ChannelCalibration removed = *c;
    file_.Remove(channel, removed.ModulationType, removed.CarrierHz);
    if (Write(error)) return true;
    file_.Store(removed);
    return false;
}
