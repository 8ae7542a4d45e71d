#pragma once
// Test double of the wave-input device: a device whose calls can be made to fail with
// chosen result codes and whose buffers can be made to stall, so that every message
// sequence and the time-out path can be driven on purpose. Buffers that are not stalled
// complete at once when queued on a started device, in queue order, with a counting
// pattern: frame k holds k (mod 65536) as its sample (stereo: left -k, right k).
//
// Live, it behaves as a sound card instead: from Start to Reset its clock produces the
// pattern in real time (or faster), whether buffers are queued or not, so a test sees
// exactly which frames a recording kept.

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "acquisition/CardClock.h"
#include "acquisition/QueuedWaveIn.h"

enum class WaveOperation { QueryFormat, Open, PrepareHeader, UnprepareHeader, AddBuffer, Start, GetPosition, Reset, Close };
constexpr int WaveOperationCount = 9;

class ScriptedBackend : public QueuedWaveInBackend {
public:
    ~ScriptedBackend() override { clock_.Stop(); }
    std::string Name() const override { return "scripted"; }

    // Calls `fromCall`, `fromCall` + 1, ... (1-based) of `operation` fail with `code`,
    // `count` of them (-1: every one from then on). A failing call changes nothing.
    void Fail(WaveOperation operation, WaveResult code, int fromCall = 1, int count = -1);
    // The `number`th buffer queued (1-based, over the device's life) never completes by
    // itself; only a reset hands it back. Later buffers wait behind it.
    void StallBuffer(int number);
    // A device that has no input at all: the query and the open fail as without a sound card.
    void SimulateNoDevice();

    // Live: the pattern at `speed` times real time, in chunks of ChunkFrames. Before Open.
    void RunLive(double speed = 1.0);
    static constexpr int ChunkFrames = CardClock::ChunkFrames;

    int Calls(WaveOperation operation) const { return calls_[static_cast<int>(operation)]; }
    int BuffersQueued() const { return buffersQueued_; }
    // Frames of the pattern produced so far (live: taken or not).
    uint64_t FramesDelivered() const { return framesDelivered_; }

    WaveResult QueryFormat(const WaveFormat& format) override;
    WaveResult Open(const WaveFormat& format) override;
    WaveResult PrepareHeader(WaveHeader& header) override;
    WaveResult UnprepareHeader(WaveHeader& header) override;
    WaveResult AddBuffer(WaveHeader& header) override;
    WaveResult Start() override;
    WaveResult GetPosition(uint32_t& bytes) override;
    WaveResult Reset() override;
    WaveResult Close() override;

protected:
    WaveResult DoQueryFormat(const WaveFormat&) override { return WaveNoError; }
    WaveResult DoOpen(const WaveFormat&) override { return WaveNoError; }
    WaveResult DoStart() override;
    void DoStop() override;
    void DoClose() override {}
    void OnQueued() override;

private:
    struct Failure {
        WaveResult Code;
        int From;
        int Count;
    };
    // Counts the call and returns the scripted result (WaveNoError when none applies).
    WaveResult Scripted(WaveOperation operation);

    int calls_[WaveOperationCount] = {};
    std::multimap<int, Failure> failures_;
    std::set<int> stalled_;
    std::map<const WaveHeader*, int> sequence_;   // header -> number it was queued as
    std::deque<const WaveHeader*> order_;         // queued headers in order (mirror of the queue)
    int buffersQueued_ = 0;
    std::atomic<uint64_t> framesDelivered_{0};
    double liveSpeed_ = 0.0;                      // 0: not live
    CardClock clock_;
    std::vector<int16_t> chunk_;
};
