#include "acquisition/CardClock.h"

#include <chrono>

void CardClock::Start(uint32_t sampleRate, int chunkFrames, double speed, std::function<void()> produce)
{
    Stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
    }
    produce_ = std::move(produce);
    const double rate = sampleRate ? double(sampleRate) : 1.0;
    const double chunkSeconds = chunkFrames / rate / (speed > 0 ? speed : 1.0);
    thread_ = std::thread(&CardClock::Run, this, std::chrono::steady_clock::now(), chunkSeconds);
}

void CardClock::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void CardClock::Run(std::chrono::steady_clock::time_point origin, double chunkSeconds)
{
    for (uint64_t k = 1;; ++k) {
        const auto due = origin + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(double(k) * chunkSeconds));
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stopSignal_.wait_until(lock, due, [this] { return stopRequested_; })) return;
        }
        produce_();
    }
}
