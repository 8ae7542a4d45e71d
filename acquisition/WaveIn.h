#pragma once
// Wave input: one capture device with a fixed PCM format and two buffers used
// alternately, completion found by polling each header's done flag.
//
// WaveInBackend is the device driver side, with the waveIn call protocol: buffers are
// handed over as headers, the device fills them in queue order, sets their bytes
// recorded and then their done flag; a reset returns every queued header marked done
// and sets the byte position back to 0. A backend may fill buffers from its own thread
// (PortAudio callback, demo pacing thread) but never calls into our code: the loop
// only polls.
//
// WaveInDevice holds the device record (format and headers A and B) and performs the
// operations the acquisition loop, the Stop command and the start-up timer use. Each
// failing call stores its result code, shows its own message under "Wave Device
// Message" and runs the device-error routine; the caller's sequence then goes on.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"

// Result codes of the device calls, with the values of the waveIn interface.
using WaveResult = uint32_t;
constexpr WaveResult WaveNoError = 0;
constexpr WaveResult WaveErrError = 1;          // general failure
constexpr WaveResult WaveErrBadDeviceId = 2;    // no such device (no default input)
constexpr WaveResult WaveErrAllocated = 4;      // already open
constexpr WaveResult WaveErrInvalidHandle = 5;  // device not open
constexpr WaveResult WaveErrNoDriver = 6;
constexpr WaveResult WaveErrNoMemory = 7;
constexpr WaveResult WaveErrInvalidParam = 11;
constexpr WaveResult WaveErrBadFormat = 32;     // format not supported
constexpr WaveResult WaveErrStillPlaying = 33;  // header still queued
constexpr WaveResult WaveErrUnprepared = 34;    // header not prepared

// Short description of a result code, for diagnostics.
const char* WaveResultName(WaveResult result);

// Header flags.
constexpr uint32_t WaveHeaderDone = 0x01;       // the only flag the loop reads
constexpr uint32_t WaveHeaderPrepared = 0x02;
constexpr uint32_t WaveHeaderInQueue = 0x10;

struct WaveFormat {
    uint16_t FormatTag = 1;                     // PCM
    uint16_t Channels = 1;
    uint32_t SamplesPerSec = 44100;
    uint32_t AvgBytesPerSec = 88200;
    uint16_t BlockAlign = 2;
    uint16_t BitsPerSample = 16;
    uint16_t ExtraSize = 0;
};

// One capture buffer handed to the device. The device writes BytesRecorded and the
// buffer contents before it sets WaveHeaderDone (release); a reader that sees the flag
// (acquire) sees the data.
struct WaveHeader {
    uint8_t* Data = nullptr;
    uint32_t BufferLength = 0;
    uint32_t BytesRecorded = 0;
    uintptr_t User = 0;
    std::atomic<uint32_t> Flags{0};
    uint32_t Loops = 0;
    WaveHeader* Next = nullptr;
    uintptr_t Reserved = 0;
    // Beyond the waveIn header: when the buffer's last byte arrived (the capture time of the
    // block, which differs from the moment it is taken when the loop was held up), and the
    // input bytes lost just before its data because they found the device's backlog full.
    std::chrono::steady_clock::time_point Captured{};
    uint64_t LostBefore = 0;

    bool Done() const { return (Flags.load(std::memory_order_acquire) & WaveHeaderDone) != 0; }
};

class WaveInBackend {
public:
    virtual ~WaveInBackend() = default;

    virtual std::string Name() const = 0;
    // The format-query open: can the default input capture this format? Opens nothing.
    virtual WaveResult QueryFormat(const WaveFormat& format) = 0;
    virtual WaveResult Open(const WaveFormat& format) = 0;
    virtual WaveResult PrepareHeader(WaveHeader& header) = 0;
    virtual WaveResult UnprepareHeader(WaveHeader& header) = 0;
    virtual WaveResult AddBuffer(WaveHeader& header) = 0;
    virtual WaveResult Start() = 0;
    // Bytes captured into buffers since the device was opened, started after a reset, ...
    virtual WaveResult GetPosition(uint32_t& bytes) = 0;
    // Stops capture, returns every queued header marked done, position back to 0.
    virtual WaveResult Reset() = 0;
    virtual WaveResult Close() = 0;
    // Why the device cannot capture `format`, where it can say so in words a user acts on
    // (the format found against the one needed, the menu choice that fits); empty when it
    // cannot. A device that explains its refusal is reported in one message.
    virtual std::string FormatRefusal(const WaveFormat& format) const
    {
        (void)format;
        return {};
    }
};

constexpr const char* WaveDeviceCaption = "Wave Device Message";

class WaveInDevice {
public:
    WaveInDevice(AcquisitionState& state, AcquisitionHost& host, WaveInBackend& backend);
    WaveInDevice(const WaveInDevice&) = delete;
    WaveInDevice& operator=(const WaveInDevice&) = delete;

    // Switches to another backend; only while the device is closed.
    void SetBackend(WaveInBackend& backend) { backend_ = &backend; }
    WaveInBackend& Backend() const { return *backend_; }

    // The operations, in the order of the opening sequence and the double-buffer protocol.
    void Configure();
    void Open();
    void PrepareA();
    void PrepareB();
    void QueueA();
    void QueueB();
    void Start();
    uint32_t GetPosition();                     // also stored in Position
    void RearmA();
    void RearmB();
    uint32_t WaitA();                           // header A's bytes recorded
    uint32_t WaitB();
    void Reset();
    void UnprepareA();
    void UnprepareB();
    void Close();
    void ShutDown();                            // Reset, unprepare A, unprepare B, Close

    // The main window's device-error routine: after a device message, asks the
    // application to terminate while acquisition runs; nothing more while idle.
    void DeviceError();

    WaveResult LastResult() const { return lastResult_; }

    // The device record and the position record (its byte count).
    WaveFormat Format;
    WaveHeader HeaderA;
    WaveHeader HeaderB;
    uint32_t Position = 0;

private:
    bool Check(WaveResult result, const char* message);
    // Whether the opening was refused with an explanation: the steps that then fail only
    // because the device never opened add nothing to that one message.
    bool explained_ = false;
    void Rearm(WaveHeader& header, uint8_t* buffer);
    uint32_t Wait(WaveHeader& header);

    AcquisitionState& state_;
    AcquisitionHost& host_;
    WaveInBackend* backend_;
    WaveResult lastResult_ = WaveNoError;
};
