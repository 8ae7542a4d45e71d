#include "acquisition/QueuedWaveIn.h"

#include <algorithm>
#include <cstring>

bool QueuedWaveInBackend::FormatUsable(const WaveFormat& format)
{
    return format.FormatTag == 1 && format.BitsPerSample == 16 && (format.Channels == 1 || format.Channels == 2) &&
           format.BlockAlign == format.Channels * 2 && format.SamplesPerSec > 0 &&
           format.AvgBytesPerSec == format.SamplesPerSec * format.BlockAlign;
}

WaveResult QueuedWaveInBackend::QueryFormat(const WaveFormat& format)
{
    if (!FormatUsable(format)) return WaveErrBadFormat;
    return DoQueryFormat(format);
}

WaveResult QueuedWaveInBackend::Open(const WaveFormat& format)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_) return WaveErrAllocated;
    }
    if (!FormatUsable(format)) return WaveErrBadFormat;
    const WaveResult result = DoOpen(format);
    if (result != WaveNoError) return result;
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    started_ = false;
    position_ = 0;
    format_ = format;
    backlog_.Clear();
    backlog_.SetLimit(backlogLimit_ ? backlogLimit_ : size_t{format.AvgBytesPerSec} * BacklogSeconds);
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::PrepareHeader(WaveHeader& header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return WaveErrInvalidHandle;
    if (header.Data == nullptr || header.BufferLength == 0) return WaveErrInvalidParam;
    header.Flags.fetch_or(WaveHeaderPrepared, std::memory_order_acq_rel);
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::UnprepareHeader(WaveHeader& header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return WaveErrInvalidHandle;
    if (std::find(queue_.begin(), queue_.end(), &header) != queue_.end()) return WaveErrStillPlaying;
    header.Flags.fetch_and(~WaveHeaderPrepared, std::memory_order_acq_rel);
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::AddBuffer(WaveHeader& header)
{
    bool started = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) return WaveErrInvalidHandle;
        if (header.Data == nullptr || header.BufferLength == 0) return WaveErrInvalidParam;
        if (!(header.Flags.load(std::memory_order_acquire) & WaveHeaderPrepared)) return WaveErrUnprepared;
        if (std::find(queue_.begin(), queue_.end(), &header) != queue_.end()) return WaveErrStillPlaying;
        header.BytesRecorded = 0;
        header.LostBefore = 0;
        header.Flags.fetch_and(~WaveHeaderDone, std::memory_order_acq_rel);
        header.Flags.fetch_or(WaveHeaderInQueue, std::memory_order_acq_rel);
        queue_.push_back(&header);
        started = started_;
        // Sound captured while no buffer was queued comes first.
        if (started) DrainBacklog();
    }
    if (started) OnQueued();
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::Start()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) return WaveErrInvalidHandle;
        if (started_) return WaveNoError;
        started_ = true;
    }
    const WaveResult result = DoStart();
    if (result != WaveNoError) {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = false;
        return result;
    }
    OnQueued();
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::GetPosition(uint32_t& bytes)
{
    bool lostCheck = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) return WaveErrInvalidHandle;
        lostCheck = started_ && !queue_.empty();
    }
    const bool lost = lostCheck && DeliveryLost();
    std::lock_guard<std::mutex> lock(mutex_);
    bytes = position_;
    if (lost && !queue_.empty()) bytes += queue_.front()->BufferLength - queue_.front()->BytesRecorded;
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::Reset()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) return WaveErrInvalidHandle;
        started_ = false;
    }
    DoStop();
    std::lock_guard<std::mutex> lock(mutex_);
    // Every queued header comes back marked done, the head with what it holds so far; what
    // waited for buffers is given up with the capture it came from.
    const auto now = CaptureBacklog::Clock::now();
    for (WaveHeader* header : queue_) {
        header->Captured = now;
        header->Flags.fetch_and(~WaveHeaderInQueue, std::memory_order_acq_rel);
        header->Flags.fetch_or(WaveHeaderDone, std::memory_order_release);
    }
    queue_.clear();
    backlog_.Clear();
    position_ = 0;
    return WaveNoError;
}

WaveResult QueuedWaveInBackend::Close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) return WaveErrInvalidHandle;
        if (!queue_.empty()) return WaveErrStillPlaying;
        started_ = false;
    }
    DoStop();
    DoClose();
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    backlog_.Clear();
    return WaveNoError;
}

void QueuedWaveInBackend::Filled(WaveHeader& head, size_t bytes, CaptureBacklog::Clock::time_point at)
{
    head.BytesRecorded += static_cast<uint32_t>(bytes);
    position_ += static_cast<uint32_t>(bytes);
    if (head.BytesRecorded < head.BufferLength) return;
    queue_.pop_front();
    ++completed_;
    head.Captured = at;
    head.Flags.fetch_and(~WaveHeaderInQueue, std::memory_order_acq_rel);
    head.Flags.fetch_or(WaveHeaderDone, std::memory_order_release);
}

void QueuedWaveInBackend::DrainBacklog()
{
    while (!queue_.empty() && !backlog_.Empty()) {
        WaveHeader* head = queue_.front();
        const CaptureBacklog::Taken taken =
            backlog_.Take(head->Data + head->BytesRecorded, head->BufferLength - head->BytesRecorded);
        head->LostBefore += taken.LostBefore;
        Filled(*head, taken.Bytes, taken.Arrived);
    }
}

size_t QueuedWaveInBackend::Deliver(const uint8_t* data, size_t bytes)
{
    const auto now = CaptureBacklog::Clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return 0;
    size_t stored = 0;
    // A queued buffer with room means the backlog is empty (queueing drains it), so these
    // bytes come next in order.
    while (stored < bytes && !queue_.empty()) {
        WaveHeader* head = queue_.front();
        head->LostBefore += backlog_.TakePendingLoss();
        const size_t n = std::min<size_t>(bytes - stored, head->BufferLength - head->BytesRecorded);
        std::memcpy(head->Data + head->BytesRecorded, data + stored, n);
        stored += n;
        Filled(*head, n, now);
    }
    const size_t dropped = stored < bytes ? backlog_.Push(data + stored, bytes - stored, now) : 0;
    dropped_ += dropped;
    return bytes - dropped;
}

size_t QueuedWaveInBackend::HeadBytesMissing() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return 0;
    return queue_.front()->BufferLength - queue_.front()->BytesRecorded;
}

bool QueuedWaveInBackend::IsOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool QueuedWaveInBackend::IsStarted() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
}

size_t QueuedWaveInBackend::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

uint64_t QueuedWaveInBackend::DroppedBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

size_t QueuedWaveInBackend::BacklogBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return backlog_.Size();
}

void QueuedWaveInBackend::SetBacklogLimit(size_t bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    backlogLimit_ = bytes;
    if (open_ && bytes) backlog_.SetLimit(bytes);
}

uint64_t QueuedWaveInBackend::CompletedBuffers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return completed_;
}
