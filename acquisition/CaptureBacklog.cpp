#include "acquisition/CaptureBacklog.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<uint8_t[]> CaptureBacklog::NewSegment()
{
    if (spare_.empty()) return std::make_unique<uint8_t[]>(SegmentBytes);
    std::unique_ptr<uint8_t[]> segment = std::move(spare_.back());
    spare_.pop_back();
    return segment;
}

size_t CaptureBacklog::Push(const uint8_t* data, size_t bytes, Clock::time_point arrived)
{
    const size_t room = limit_ > Size() ? limit_ - Size() : 0;
    const size_t n = std::min(bytes, room);
    if (n > 0) {
        if (pendingLoss_) {
            losses_.push_back({pushed_, pendingLoss_});
            pendingLoss_ = 0;
        }
        for (size_t done = 0; done < n;) {
            if (segments_.empty() || tailFill_ == SegmentBytes) {
                segments_.push_back(NewSegment());
                tailFill_ = 0;
            }
            const size_t k = std::min(n - done, SegmentBytes - tailFill_);
            std::memcpy(segments_.back().get() + tailFill_, data + done, k);
            tailFill_ += k;
            done += k;
        }
        pushed_ += n;
        if (!arrivals_.empty() && arrivals_.back().At == arrived)
            arrivals_.back().End = pushed_;
        else
            arrivals_.push_back({pushed_, arrived});
    }
    pendingLoss_ += bytes - n;
    return bytes - n;
}

CaptureBacklog::Taken CaptureBacklog::Take(uint8_t* out, size_t bytes)
{
    Taken taken;
    const size_t n = std::min(bytes, Size());
    if (n == 0) return taken;
    for (size_t done = 0; done < n;) {
        const size_t end = segments_.size() == 1 ? tailFill_ : SegmentBytes;
        const size_t k = std::min(n - done, end - headOffset_);
        std::memcpy(out + done, segments_.front().get() + headOffset_, k);
        done += k;
        headOffset_ += k;
        if (headOffset_ == end) {
            // Two spare segments cover the come and go of a running capture without
            // allocating; the rest of a long backlog goes back to the system.
            if (spare_.size() < 2) spare_.push_back(std::move(segments_.front()));
            segments_.pop_front();
            headOffset_ = 0;
            if (segments_.empty()) tailFill_ = 0;
        }
    }
    taken_ += n;
    taken.Bytes = n;
    // The last byte taken (offset taken_ - 1) belongs to the first piece ending past it.
    while (!arrivals_.empty() && arrivals_.front().End < taken_) arrivals_.pop_front();
    if (!arrivals_.empty()) {
        taken.Arrived = arrivals_.front().At;
        if (arrivals_.front().End == taken_) arrivals_.pop_front();
    }
    while (!losses_.empty() && losses_.front().At < taken_) {
        taken.LostBefore += losses_.front().Bytes;
        losses_.pop_front();
    }
    return taken;
}

uint64_t CaptureBacklog::TakePendingLoss()
{
    const uint64_t loss = pendingLoss_;
    pendingLoss_ = 0;
    return loss;
}

void CaptureBacklog::Clear()
{
    while (!segments_.empty()) {
        if (spare_.size() < 2) spare_.push_back(std::move(segments_.front()));
        segments_.pop_front();
    }
    headOffset_ = tailFill_ = 0;
    taken_ = pushed_;
    pendingLoss_ = 0;
    arrivals_.clear();
    losses_.clear();
}
