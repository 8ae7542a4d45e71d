#pragma once
// A sound card's clock for the inputs that stand in for one (the demo signal, the scripted
// test device): on its own thread it calls `produce` for chunk k = 1, 2, ... at the moment
// the chunk's last frame is due, origin + k x frames / rate (divided by `speed`), whether
// anybody takes the chunks or not, until stopped. Each moment is computed from the origin,
// so the pace does not drift.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CardClock {
public:
    // 23.2 ms at 44100 Hz: four chunks per 4096-frame block, so a block still completes at
    // its last frame's moment, with a quarter of the wake-ups of smaller chunks.
    static constexpr int ChunkFrames = 1024;

    CardClock() = default;
    ~CardClock() { Stop(); }
    CardClock(const CardClock&) = delete;
    CardClock& operator=(const CardClock&) = delete;

    // Starts afresh (a running clock is stopped first).
    void Start(uint32_t sampleRate, int chunkFrames, double speed, std::function<void()> produce);
    // Returns once the thread has ended; a chunk being produced is finished first.
    void Stop();

private:
    void Run(std::chrono::steady_clock::time_point origin, double chunkSeconds);

    std::function<void()> produce_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopRequested_ = false;
};
