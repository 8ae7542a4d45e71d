#pragma once
// Captured bytes that found no buffer queued, in arrival order. The acquisition loop runs on
// the window's thread and every modal dialog runs nested inside it, so for as long as a
// dialog is open nobody queues buffers; a sound card goes on capturing all the same. Its
// bytes wait here and fill the next buffers the moment they are queued, so the loop catches
// up block by block and a recording loses nothing.
//
// Grown in segments as needed (ten minutes of stereo are 106 MB: nothing is reserved up
// front) and bounded. What finds it full is dropped; the amount is kept with the next byte
// stored, so the buffer that receives that byte can say what was lost before it. Each piece
// also keeps the moment it arrived: a buffer filled from here completes at its last byte's
// arrival, not at the moment the loop got round to it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CaptureBacklog {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t SegmentBytes = 64 * 1024;

    void SetLimit(size_t bytes) { limit_ = bytes; }
    size_t Limit() const { return limit_; }
    size_t Size() const { return static_cast<size_t>(pushed_ - taken_); }
    bool Empty() const { return pushed_ == taken_; }

    // Appends what fits below the limit; the rest is dropped. Returns the bytes dropped.
    size_t Push(const uint8_t* data, size_t bytes, Clock::time_point arrived);

    struct Taken {
        size_t Bytes = 0;
        Clock::time_point Arrived{};   // arrival of the last byte taken
        uint64_t LostBefore = 0;       // bytes dropped just before some byte taken
    };
    // Moves up to `bytes` of the oldest bytes to `out`.
    Taken Take(uint8_t* out, size_t bytes);

    // A loss that no byte stored here came after (the backlog emptied before the next
    // bytes arrived, and those go straight into a buffer): handed over, and forgotten here.
    uint64_t TakePendingLoss();

    // Forgets everything, a loss not yet reported included (capture restarts afresh).
    void Clear();

private:
    std::unique_ptr<uint8_t[]> NewSegment();

    struct Arrival {
        uint64_t End;                  // stream offset just past the piece
        Clock::time_point At;
    };
    struct Loss {
        uint64_t At;                   // stream offset of the first byte stored after it
        uint64_t Bytes;
    };

    std::deque<std::unique_ptr<uint8_t[]>> segments_;
    std::vector<std::unique_ptr<uint8_t[]>> spare_;   // emptied segments kept for reuse
    size_t headOffset_ = 0;            // first unread byte in segments_.front()
    size_t tailFill_ = 0;              // bytes used in segments_.back()
    uint64_t pushed_ = 0;              // stream offsets: bytes ever stored and ever taken
    uint64_t taken_ = 0;
    size_t limit_ = 0;
    uint64_t pendingLoss_ = 0;         // dropped, waiting for the next byte stored
    std::deque<Arrival> arrivals_;
    std::deque<Loss> losses_;
};
