#include "acquisition/ScriptedBackend.h"

#include <vector>

void ScriptedBackend::Fail(WaveOperation operation, WaveResult code, int fromCall, int count)
{
    failures_.insert({static_cast<int>(operation), Failure{code, fromCall, count}});
}

void ScriptedBackend::StallBuffer(int number)
{
    stalled_.insert(number);
}

void ScriptedBackend::RunLive(double speed)
{
    liveSpeed_ = speed > 0 ? speed : 1.0;
}

// Frames `first` .. `first` + count - 1 of the counting pattern.
static void PatternFrames(int16_t* out, uint64_t first, size_t count, int channels)
{
    for (size_t i = 0; i < count; ++i) {
        const auto k = static_cast<int16_t>(static_cast<uint16_t>(first + i));
        if (channels == 2) {
            out[2 * i] = static_cast<int16_t>(-k);
            out[2 * i + 1] = k;
        } else {
            out[i] = k;
        }
    }
}

WaveResult ScriptedBackend::DoStart()
{
    if (liveSpeed_ <= 0) return WaveNoError;
    clock_.Stop();
    const WaveFormat format = OpenFormat();
    chunk_.assign(static_cast<size_t>(ChunkFrames) * format.Channels, 0);
    clock_.Start(format.SamplesPerSec, ChunkFrames, liveSpeed_, [this, channels = int(format.Channels)] {
        PatternFrames(chunk_.data(), framesDelivered_, ChunkFrames, channels);
        framesDelivered_ += ChunkFrames;
        Deliver(reinterpret_cast<const uint8_t*>(chunk_.data()), chunk_.size() * sizeof(int16_t));
    });
    return WaveNoError;
}

void ScriptedBackend::DoStop()
{
    clock_.Stop();
}

void ScriptedBackend::SimulateNoDevice()
{
    Fail(WaveOperation::QueryFormat, WaveErrBadDeviceId);
    Fail(WaveOperation::Open, WaveErrBadDeviceId);
}

WaveResult ScriptedBackend::Scripted(WaveOperation operation)
{
    const int index = static_cast<int>(operation);
    const int call = ++calls_[index];
    auto [first, last] = failures_.equal_range(index);
    for (auto it = first; it != last; ++it) {
        const Failure& f = it->second;
        if (call >= f.From && (f.Count < 0 || call < f.From + f.Count)) return f.Code;
    }
    return WaveNoError;
}

WaveResult ScriptedBackend::QueryFormat(const WaveFormat& format)
{
    const WaveResult r = Scripted(WaveOperation::QueryFormat);
    return r != WaveNoError ? r : QueuedWaveInBackend::QueryFormat(format);
}

WaveResult ScriptedBackend::Open(const WaveFormat& format)
{
    const WaveResult r = Scripted(WaveOperation::Open);
    return r != WaveNoError ? r : QueuedWaveInBackend::Open(format);
}

WaveResult ScriptedBackend::PrepareHeader(WaveHeader& header)
{
    const WaveResult r = Scripted(WaveOperation::PrepareHeader);
    return r != WaveNoError ? r : QueuedWaveInBackend::PrepareHeader(header);
}

WaveResult ScriptedBackend::UnprepareHeader(WaveHeader& header)
{
    const WaveResult r = Scripted(WaveOperation::UnprepareHeader);
    return r != WaveNoError ? r : QueuedWaveInBackend::UnprepareHeader(header);
}

WaveResult ScriptedBackend::AddBuffer(WaveHeader& header)
{
    const WaveResult r = Scripted(WaveOperation::AddBuffer);
    if (r != WaveNoError) return r;
    // Numbered before the base class may fill it (it completes at once on a started device).
    const int number = buffersQueued_ + 1;
    const auto previous = sequence_.find(&header);
    const int previousNumber = previous != sequence_.end() ? previous->second : 0;
    sequence_[&header] = number;
    if (liveSpeed_ <= 0) order_.push_back(&header);
    const WaveResult result = QueuedWaveInBackend::AddBuffer(header);
    if (result != WaveNoError) {
        if (liveSpeed_ <= 0) order_.pop_back();
        if (previousNumber) sequence_[&header] = previousNumber; else sequence_.erase(&header);
        return result;
    }
    buffersQueued_ = number;
    return WaveNoError;
}

WaveResult ScriptedBackend::Start()
{
    const WaveResult r = Scripted(WaveOperation::Start);
    return r != WaveNoError ? r : QueuedWaveInBackend::Start();
}

WaveResult ScriptedBackend::GetPosition(uint32_t& bytes)
{
    const WaveResult r = Scripted(WaveOperation::GetPosition);
    return r != WaveNoError ? r : QueuedWaveInBackend::GetPosition(bytes);
}

WaveResult ScriptedBackend::Reset()
{
    const WaveResult r = Scripted(WaveOperation::Reset);
    if (r != WaveNoError) return r;
    const WaveResult result = QueuedWaveInBackend::Reset();
    if (result == WaveNoError) order_.clear();
    return result;
}

WaveResult ScriptedBackend::Close()
{
    const WaveResult r = Scripted(WaveOperation::Close);
    return r != WaveNoError ? r : QueuedWaveInBackend::Close();
}

void ScriptedBackend::OnQueued()
{
    if (liveSpeed_ > 0) return;   // the clock delivers
    const int channels = OpenFormat().Channels;
    std::vector<int16_t> frames;
    while (!order_.empty()) {
        const size_t missing = HeadBytesMissing();
        if (missing == 0) break;
        if (stalled_.count(sequence_[order_.front()])) break;
        const size_t count = missing / (2 * channels);
        if (count == 0) break;
        frames.resize(count * channels);
        PatternFrames(frames.data(), framesDelivered_, count, channels);
        if (Deliver(reinterpret_cast<const uint8_t*>(frames.data()), count * 2 * channels) == 0) break;
        framesDelivered_ += count;
        order_.pop_front();
    }
}
