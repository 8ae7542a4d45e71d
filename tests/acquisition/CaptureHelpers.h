#pragma once
// Test scaffolding shared by the device tests: a headless host whose time-out timer
// sets DeviceTimedOut, and the double-buffer capture protocol run for a number of
// blocks (the acquisition loop's capture step, without the processing).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/WaveIn.h"

struct CaptureRig {
    explicit CaptureRig(WaveInBackend& backend, bool stereo = false)
        : state(std::make_unique<AcquisitionState>()), device(*state, host, backend)
    {
        state->SetInputStereo(stereo);
        host.OnTimeOut = [this] {
            state->DeviceTimedOut = true;
            host.SetTimeOutTimer(false);
        };
    }

    // Configure, Open, Prepare A, Queue A, Start, as the loop's start does.
    void OpenSequence()
    {
        state->BufferInWork = 0;
        device.Position = 1;
        device.Configure();
        device.Open();
        device.PrepareA();
        device.QueueA();
        device.Start();
    }

    struct Block {
        std::vector<uint8_t> Bytes;
        std::chrono::steady_clock::time_point Completed;
        bool TimedOut = false;
    };

    // One pass of the capture protocol: poll for the half-buffer position, queue the other
    // buffer, wait for this one with the time-out timer running, unprepare it.
    Block CaptureOne()
    {
        const uint32_t bufferBytes = state->BufferBytes;
        const bool waitA = state->BufferInWork == 0;
        for (;;) {
            const uint32_t at = device.GetPosition() % bufferBytes;
            if (at == 0 || at >= bufferBytes / 2) break;
            host.ProcessMessages();
            host.SleepMs(1);
        }
        if (waitA) {
            device.RearmB();
            device.PrepareB();
            device.QueueB();
        } else {
            device.RearmA();
            device.PrepareA();
            device.QueueA();
        }
        state->DeviceTimedOut = false;
        host.SetTimeOutTimer(true);
        const uint32_t got = waitA ? device.WaitA() : device.WaitB();
        Block block;
        block.Completed = std::chrono::steady_clock::now();
        block.TimedOut = state->DeviceTimedOut;
        host.SetTimeOutTimer(false);
        if (waitA) device.UnprepareA(); else device.UnprepareB();
        const uint8_t* data = waitA ? state->CaptureBufferA : state->CaptureBufferB;
        block.Bytes.assign(data, data + got);
        state->BufferInWork = waitA ? 1 : 0;
        return block;
    }

    std::vector<Block> Capture(int blocks)
    {
        std::vector<Block> out;
        for (int i = 0; i < blocks; ++i) out.push_back(CaptureOne());
        return out;
    }

    std::unique_ptr<AcquisitionState> state;
    HeadlessHost host;
    WaveInDevice device;
};

inline std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

inline double AveragePeriodMs(const std::vector<CaptureRig::Block>& blocks, size_t first)
{
    if (blocks.size() < first + 2) return 0.0;
    const auto span = blocks.back().Completed - blocks[first].Completed;
    return std::chrono::duration<double, std::milli>(span).count() / double(blocks.size() - 1 - first);
}
