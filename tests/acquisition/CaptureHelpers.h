#pragma once
// Test scaffolding shared by the device tests: a headless host whose time-out timer
// sets DeviceTimedOut, and the acquisition loop's own capture protocol (CaptureProtocol)
// run for a number of blocks, without the processing.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/AcquisitionState.h"
#include "acquisition/CaptureProtocol.h"
#include "acquisition/WaveIn.h"
#include "LittleEndian.h"
#include "TestPaths.h"

struct CaptureRig {
    explicit CaptureRig(WaveInBackend& backend, bool stereo = false)
        : state(std::make_unique<AcquisitionState>()), device(*state, host, backend), protocol(device, *state, host)
    {
        state->SetInputStereo(stereo);
        host.OnTimeOut = [this] {
            state->DeviceTimedOut = true;
            host.SetTimeOutTimer(false);
        };
    }

    // The loop's opening sequence.
    void OpenSequence() { protocol.OpenSequence(); }

    struct Block {
        std::vector<uint8_t> Bytes;
        std::chrono::steady_clock::time_point Completed;
        bool TimedOut = false;
    };

    // One capture step of the loop's protocol; the block holds what the device recorded.
    Block CaptureOne()
    {
        const CapturedBlock captured = protocol.Capture({});
        Block block;
        block.Completed = std::chrono::steady_clock::now();
        block.TimedOut = captured.TimedOut;
        if (captured.Data) block.Bytes.assign(captured.Data, captured.Data + captured.BytesRecorded);
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
    CaptureProtocol protocol;
};

using velquor_test::TempPath;

inline std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    return velquor_test::Samples16(bytes);
}

inline double AveragePeriodMs(const std::vector<CaptureRig::Block>& blocks, size_t first)
{
    if (blocks.size() < first + 2) return 0.0;
    const auto span = blocks.back().Completed - blocks[first].Completed;
    return std::chrono::duration<double, std::milli>(span).count() / double(blocks.size() - 1 - first);
}
