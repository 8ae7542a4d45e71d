#pragma once
// The calibration file: each channel's calibration per modulation and carrier, kept beside
// the settings file in its own ini file (the 158-byte settings record stays as other programs
// know it). One section per calibration:
//
//   [Channel1 AM 19145]
//   MicrovoltsPerUnit=227.3      ; per 100 % modulation depth (AM) or per Hz of deviation (FM)
//   DeclaredMicrovoltsPp=100
//   DeclaredHz=10
//
// Our own small reader and writer (the platform's ini class is Qt's, and acquisition has no
// Qt). Whatever it does not understand (comments, other sections, other keys, a section with
// a bad value) is kept as it stands and written back; a bad section is reported, not used.
//
// The window uses it as velquor-trace does: Load(DefaultCalibrationPath()) at start, Find for
// each channel's modulation and carrier whenever they change (nullptr: "Uncalibrated"; Entries
// tells what exists instead), Store or Remove after the Calibrate dialog's Save or Clear, then
// Save.

#include <string>
#include <vector>

#include "dsp/Calibration.h"

// $XDG_CONFIG_HOME/velquor/calibration.ini, or ~/.config/velquor/calibration.ini: the folder
// the settings file lives in.
std::string DefaultCalibrationPath();

class CalibrationFile {
public:
    // Reads `path`. A missing file reads as empty (true). False, with the system's reason in
    // `error`, when it exists but cannot be read; the store is then empty.
    bool Load(const std::string& path, std::string& error);

    // The calibration of a channel for a modulation and carrier, or nullptr.
    const ChannelCalibration* Find(int channel, int modulationType, double carrierHz) const;
    // Every usable calibration, in file order.
    std::vector<ChannelCalibration> Entries() const;
    // Sections that look like calibrations but could not be used, with the reason
    // ("line 7: [Channel1 AM 19145]: MicrovoltsPerUnit is missing").
    const std::vector<std::string>& Problems() const { return problems_; }

    // Adds a calibration, replacing the one of the same channel, modulation and carrier.
    void Store(const ChannelCalibration& calibration);
    // Removes it; false when there was none.
    bool Remove(int channel, int modulationType, double carrierHz);

    // Writes the whole file: a temporary file in the same folder (created when missing), then
    // renamed over the old one, so a failure leaves the old file as it was. False with the
    // reason in `error`.
    bool Save(const std::string& path, std::string& error) const;

    // The section name of a calibration: "Channel1 AM 19145".
    static std::string SectionName(const ChannelCalibration& calibration);

private:
    struct Section {
        bool Calibration = false;        // a usable calibration (else kept as raw lines)
        ChannelCalibration Value;
        std::vector<std::string> Lines;  // raw lines; for a calibration, the lines beyond its keys
    };
    Section* FindSection(int channel, int modulationType, double carrierHz);

    std::vector<std::string> header_;    // lines before the first section
    std::vector<Section> sections_;
    std::vector<std::string> problems_;
};
