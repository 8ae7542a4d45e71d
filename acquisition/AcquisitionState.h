#pragma once
// State shared by the wave-input device, the acquisition loop and the WAVE recorder:
// the capture format, the two capture buffers and the loop and recorder flags. One
// instance lives in the main window (or in a tool) for the life of the process; the
// handlers talk to a running loop only through these flags.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t CaptureBufferSize = 20000;  // bytes per capture buffer, sized for the largest block

// RecorderState values.
constexpr int32_t RecorderRecord = 1;
constexpr int32_t RecorderPlay = 2;
constexpr int32_t RecorderStop = 3;
constexpr int32_t RecorderPause = 4;

struct AcquisitionState {
    // Capture format (Microphone: mono, the default; Line: stereo).
    uint32_t SampleRate = 44100;
    int32_t FramesPerBlock = 4096;
    uint16_t InputChannels = 1;
    uint16_t BlockAlign = 2;
    uint16_t BitsPerSample = 16;
    int32_t BytesPerSample = 2;
    uint32_t AvgBytesPerSec = 88200;
    int32_t InputStereo = 0;                  // 0 Microphone (mono), 1 Line (stereo)
    uint16_t BufferBytes = 8192;              // FramesPerBlock x BlockAlign

    // The two capture buffers, also the WAVE read and write buffers. Only the first
    // BufferBytes bytes of each are used.
    uint8_t CaptureBufferA[CaptureBufferSize] = {};
    uint8_t CaptureBufferB[CaptureBufferSize] = {};

    // Loop flags.
    bool AcquisitionIdle = true;              // no loop running; setting it asks a running loop to end
    bool DeviceTimedOut = false;              // set by the 350 ms time-out timer
    int32_t BufferInWork = 0;                 // buffer the loop waits for next: 0 = A, 1 = B
    int32_t TimeOutCount = 0;                 // buffer time-outs in the current run
    bool ApplyingSettings = true;             // true while the settings file is applied

    // Recorder state. The open files themselves belong to the recorder object.
    bool OutputFileSet = false;
    bool InputFileSet = false;
    bool Recording = false;
    bool Playing = false;
    // 64-bit so that a data chunk above 2 GiB neither turns negative nor wraps.
    int64_t RecordedBytes = 0;                // data bytes written to the current output file
    int64_t PlayBytesLeft = 0;                // data bytes of the input file not yet read (signed)
    int32_t RecorderState = RecorderStop;
    std::string InputFileName;                // names of any length
    std::string OutputFileName;

    // Sets the capture format as the Microphone (false) and Line (true) commands do.
    void SetInputStereo(bool stereo)
    {
        InputStereo = stereo ? 1 : 0;
        InputChannels = stereo ? 2 : 1;
        BlockAlign = stereo ? 4 : 2;
        BitsPerSample = 16;
        BytesPerSample = 2;
        AvgBytesPerSec = SampleRate * BlockAlign;
        BufferBytes = static_cast<uint16_t>(FramesPerBlock * BlockAlign);
    }
};
