#pragma once
// The part of the waveIn protocol every backend shares: open/started state, header
// preparation, the queue of handed-over buffers filled strictly in order, the byte
// position and reset. A backend supplies the samples through Deliver, from any thread
// (audio callback, pacing thread, or the caller's thread); the queue is guarded by a
// mutex held only for the copies.
//
// Captured bytes that find no buffer queued wait in a backlog (see CaptureBacklog) of up to
// BacklogSeconds of the open format and fill the next buffers as they are queued, so a loop
// held up by a modal dialog catches up afterwards without losing a sample.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "acquisition/CaptureBacklog.h"
#include "acquisition/WaveIn.h"

class QueuedWaveInBackend : public WaveInBackend {
public:
    ~QueuedWaveInBackend() override = default;

    WaveResult QueryFormat(const WaveFormat& format) override;
    WaveResult Open(const WaveFormat& format) override;
    WaveResult PrepareHeader(WaveHeader& header) override;
    WaveResult UnprepareHeader(WaveHeader& header) override;
    WaveResult AddBuffer(WaveHeader& header) override;
    WaveResult Start() override;
    WaveResult GetPosition(uint32_t& bytes) override;
    WaveResult Reset() override;
    WaveResult Close() override;

    // How much captured sound waits at most for buffers: ten minutes (a dialog left open
    // over lunch is longer, and then the recording says what was lost).
    static constexpr uint32_t BacklogSeconds = 600;

    bool IsOpen() const;
    bool IsStarted() const;
    size_t QueuedCount() const;
    // Bytes that found the backlog full; they are lost, and the buffer that receives the
    // next bytes reports them (WaveHeader::LostBefore).
    uint64_t DroppedBytes() const;
    // Captured bytes waiting for a buffer.
    size_t BacklogBytes() const;
    // The backlog's bound in bytes; 0 (the default) for BacklogSeconds of the open format.
    void SetBacklogLimit(size_t bytes);
    uint64_t CompletedBuffers() const;
    const WaveFormat& OpenFormat() const { return format_; }

protected:
    // Copies captured bytes into the queued buffers in order, completing each one that
    // fills up; what finds no buffer goes to the backlog. Only while started. Returns the
    // bytes kept (less than `bytes` only when the backlog is full).
    size_t Deliver(const uint8_t* data, size_t bytes);
    // Bytes still missing from the buffer at the head of the queue (0 when none is queued).
    size_t HeadBytesMissing() const;

    // Hooks. The lock is never held while they run, so they may call Deliver.
    virtual WaveResult DoQueryFormat(const WaveFormat& format) = 0;
    virtual WaveResult DoOpen(const WaveFormat& format) = 0;
    virtual WaveResult DoStart() = 0;
    virtual void DoStop() = 0;                  // capture stops (Reset, Close)
    virtual void DoClose() = 0;
    virtual void OnQueued() {}                  // a buffer was queued while started
    // True when the device has stopped delivering while started. The position then
    // reports the head buffer as given up (its end), so a poll for the half-buffer
    // position cannot spin forever and the wait for the buffer runs into its time-out.
    virtual bool DeliveryLost() { return false; }

private:
    static bool FormatUsable(const WaveFormat& format);
    // With the lock held: the head buffer takes `bytes` more; a full one completes.
    void Filled(WaveHeader& head, size_t bytes, CaptureBacklog::Clock::time_point at);
    // With the lock held: queued buffers take what the backlog holds.
    void DrainBacklog();

    mutable std::mutex mutex_;
    std::deque<WaveHeader*> queue_;
    bool open_ = false;
    bool started_ = false;
    uint32_t position_ = 0;
    uint64_t dropped_ = 0;
    uint64_t completed_ = 0;
    WaveFormat format_;
    CaptureBacklog backlog_;
    size_t backlogLimit_ = 0;
};
