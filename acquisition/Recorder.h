#pragma once
// WAVE recording and playback: the File menu's Open Wave and Save Wave, the four recorder
// buttons with their caption colours, and the per-block record and play steps of the
// acquisition loop. The dialogs and the recorder panel's hour counter are interfaces the
// window implements (tests answer them).

#include <cstdint>
#include <string>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/WaveFile.h"

// OpenWaveDialog and SaveWaveDialog: true with the chosen name, false when cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual bool OpenWave(std::string& name) = 0;   // default extension "wav", "Wave Files|*.wav|All Files|*.*"
    virtual bool SaveWave(std::string& name) = 0;   // default extension "wav", "Wave File|*.wav|All Files|*.*"
};

// The recorder panel's operating-hour counter OvOpHourCounter1.
class HourCounterHooks {
public:
    virtual ~HourCounterHooks() = default;
    virtual void SetCount(bool counting) = 0;       // its Count property
    virtual void ResetTime() = 0;                   // set to 0:00:00
};

constexpr uint32_t CaptionRed = 0x0000FF;           // clRed: the button of the current state
constexpr uint32_t CaptionNavy = 0x800000;          // clNavy: the others

enum RecorderButton { RecordBtn = 0, PlayBtn = 1, StopWvBtn = 2, PauseBtn = 3 };

class Recorder {
public:
    Recorder(AcquisitionState& state, AcquisitionHost& host, FileDialogs& dialogs, HourCounterHooks* counter = nullptr);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void OpenWave1Click();
    void SaveWave1Click();
    void RecordBtnClick();
    void PlayBtnClick();
    void StopWvBtnClick();
    void PauseBtnClick();
    // FormDestroy's part: finish and close an output file that is still open.
    void FinishOnExit();

    // Per loop pass, after the capture: while playing from an open input file, one block from
    // the file into `block` (messages are processed before the read), or STOP once the data
    // is used up.
    void PlayStep(uint8_t* block);
    // Per loop pass, after playback: while recording into an open output file, one block from
    // `block` to the file.
    void RecordStep(const uint8_t* block);

    // Caption font colour of a recorder button.
    uint32_t CaptionColor(RecorderButton button) const { return captionColors_[button]; }
    // Sample bytes the last PlayStep took from the file (0 when it read nothing).
    size_t LastPlayBytes() const { return lastPlayBytes_; }
    const WaveReader& Input() const { return reader_; }
    // The last Open Wave refusal, with its context (empty after a file was opened).
    const WaveMessage& LastRefusal() const { return lastRefusal_; }
    const WaveWriter& Output() const { return writer_; }
    // How often the output file's sizes are patched while recording.
    void SetPatchInterval(std::chrono::milliseconds interval) { writer_.PatchInterval = interval; }

private:
    void Highlight(RecorderButton button);
    void CloseInput();
    void FinishOutput();
    // A failed or full output file: finished with what it holds, recording stopped, and why said.
    void EndRecording(bool full);
    std::string WriteFailure() const;
    WaveFileFormat CaptureFormat() const;
    bool BlockMatches(const WaveFileFormat& format) const;

    AcquisitionState& state_;
    AcquisitionHost& host_;
    FileDialogs& dialogs_;
    HourCounterHooks* counter_;
    WaveReader reader_;
    WaveWriter writer_;
    uint32_t captionColors_[4] = {CaptionNavy, CaptionNavy, CaptionRed, CaptionNavy};
    size_t lastPlayBytes_ = 0;
    WaveMessage lastRefusal_;
};
