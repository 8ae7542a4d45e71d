#pragma once
// The acquisition loop: started by the hidden start button, it runs on the caller's thread
// and does not return until acquisition ends. Each pass captures one block through the
// double-buffer protocol (or plays it from the input file), records it, unpacks it and
// hands it to the block processor; the window side (messages, timers, LEDs and redraw)
// goes through the host, so the loop runs the same in the window, in tools and in tests.

#include <chrono>
#include <cstdint>
#include <memory>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/CaptureProtocol.h"
#include "acquisition/Recorder.h"
#include "acquisition/WaveIn.h"
#include "dsp/BlockProcessor.h"
#include "dsp/ProcessingState.h"

class AcquisitionLoop {
public:
    // The loop owns the wave-input device over `backend`. `recorder` may be null (no
    // recording or playback).
    AcquisitionLoop(AcquisitionState& state, ProcessingState& processing, AcquisitionHost& host,
                    WaveInBackend& backend, Recorder* recorder = nullptr);
    ~AcquisitionLoop();
    AcquisitionLoop(const AcquisitionLoop&) = delete;
    AcquisitionLoop& operator=(const AcquisitionLoop&) = delete;

    // Runs the loop until it ends; does nothing while a loop is already running.
    void StartBtnClick();
    // Marks acquisition idle and shuts the device down; a running loop ends at its next check.
    void StopBtnClick();
    // The 350 ms TimeOutTimer's handler.
    void TimeOutTimerTimer();
    // The 250 ms StartTimer's handler: runs the loop, shuts the device down when it has
    // ended and re-arms the timer, so acquisition resumes 250 ms later.
    void StartTimerTimer();
    // Options > Input: stop, change the capture format, restart (only the format changes
    // while the settings are being applied). The window sets the menu check marks.
    void Mic1Click();
    void Line1Click();

    WaveInDevice& Device() { return *device_; }
    // True once a device error asked the application to terminate while acquisition ran;
    // a running loop then ends at its next check and no new loop starts.
    bool TerminationRequested() const;
    uint64_t Passes() const { return passes_; }
    uint64_t BlocksProcessed() const { return blocksProcessed_; }
    const BlockReport& LastReport() const { return report_; }
    // When the last block taken was captured. After the loop was held up (a modal dialog) the
    // queued blocks follow each other at the device's pace, however fast they are processed.
    std::chrono::steady_clock::time_point LastCaptureTime() const { return lastCapture_; }

private:
    class DeviceHost;

    bool Pass();                            // one pass; false when the loop ends
    bool Ending() const;
    // Input lost to an overflow of the device's backlog: said where it matters.
    void InputLost(uint64_t bytes);
    void SetFormat(bool stereo);

    AcquisitionState& state_;
    ProcessingState& processing_;
    AcquisitionHost& host_;
    Recorder* recorder_;
    std::unique_ptr<DeviceHost> deviceHost_;
    std::unique_ptr<WaveInDevice> device_;
    CaptureProtocol capture_;
    BlockReport report_;
    uint64_t passes_ = 0;
    uint64_t blocksProcessed_ = 0;
    std::chrono::steady_clock::time_point lastCapture_{};
};

// Connects a headless host's two timers to the loop's handlers.
void ConnectTimers(HeadlessHost& host, AcquisitionLoop& loop);
