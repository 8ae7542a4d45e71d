#pragma once
// The recorder's Open Wave and Save Wave dialogs over the program's dialog interface, and
// the recorder's message boxes onto it.

#include <string>

#include "acquisition/Recorder.h"

class Dialogs;

class RecorderDialogs : public FileDialogs {
public:
    static constexpr const char* OpenFilter = "Wave Files|*.wav|All Files|*.*";
    static constexpr const char* SaveFilter = "Wave File|*.wav|All Files|*.*";
    static constexpr const char* DefaultExtension = "wav";

    explicit RecorderDialogs(Dialogs& dialogs) : dialogs_(dialogs) {}

    bool OpenWave(std::string& name) override;
    bool SaveWave(std::string& name) override;

private:
    Dialogs& dialogs_;
};

// An AcquisitionHost::ShowMessage in terms of the dialog interface (text and caption as the
// recorder and the device layer give them, UTF-8).
void ShowHostMessage(Dialogs& dialogs, const std::string& text, const std::string& caption);
