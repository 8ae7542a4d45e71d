#pragma once
// File input: delivers the blocks of a sample source (a WAVE file, samples in memory, a
// signal generator) either as fast as the loop takes them, for batch processing, tools and
// benchmarks (every queued buffer is filled the moment it is queued on a started device, on
// the caller's thread, so a wait for it never waits), or at a sound card's pace, so a file
// watched in the window runs in real time as the card would deliver it.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/CardClock.h"
#include "acquisition/QueuedWaveIn.h"
#include "acquisition/WaveFile.h"
#include "dsp/SignalGenerator.h"

class SampleSource {
public:
    virtual ~SampleSource() = default;
    // Format of the samples; the device opens only with a matching format.
    virtual WaveFormat Format() const = 0;
    // Reads up to `bytes` bytes; fewer (or 0) at the end.
    virtual size_t Read(uint8_t* out, size_t bytes) = 0;
    // Back to the first sample; false when the source cannot restart.
    virtual bool Rewind() = 0;
    // Why the source cannot deliver anything (empty when it can).
    virtual std::string Error() const { return {}; }
    // What the source is, for messages ("input file /path/x.wav"); empty for no name.
    virtual std::string Describe() const { return {}; }
};

WaveFormat PcmFormat(uint16_t channels, uint32_t sampleRate = 44100);

// The sample data of a 16-bit PCM WAVE file, read as Open Wave reads it (chunks walked
// to "data", a data size beyond the end of the file read to the end of the file), in
// whatever channel count and rate the file has.
class WaveFileSource : public SampleSource {
public:
    explicit WaveFileSource(const std::string& path);

    WaveFormat Format() const override { return format_; }
    size_t Read(uint8_t* out, size_t bytes) override { return reader_.Read(out, bytes); }
    bool Rewind() override { return reader_.Rewind(); }
    std::string Error() const override { return error_; }
    std::string Describe() const override { return "input file " + path_; }
    int64_t DataBytes() const { return reader_.DataBytes(); }

private:
    std::string path_;
    WaveReader reader_;
    WaveFormat format_;
    std::string error_;
};

class MemorySource : public SampleSource {
public:
    MemorySource(std::vector<uint8_t> bytes, const WaveFormat& format) : bytes_(std::move(bytes)), format_(format) {}
    WaveFormat Format() const override { return format_; }
    size_t Read(uint8_t* out, size_t bytes) override;
    bool Rewind() override { position_ = 0; return true; }

private:
    std::vector<uint8_t> bytes_;
    WaveFormat format_;
    size_t position_ = 0;
};

// An endless signal from SignalGenerator, produced as fast as it is read.
class GeneratorSource : public SampleSource {
public:
    explicit GeneratorSource(const SignalGeneratorSettings& settings);
    WaveFormat Format() const override;
    size_t Read(uint8_t* out, size_t bytes) override;
    bool Rewind() override;

private:
    SignalGeneratorSettings settings_;
    std::unique_ptr<SignalGenerator> generator_;
    std::vector<int16_t> scratch_;
};

// What the device delivers once the source has ended.
enum class SourceEnd {
    Silence,   // zeros, as fast as before; Exhausted() tells the caller the source is done
    Loop,      // the source again from its start
    Stall      // nothing: the buffers stay queued and the loop's waits time out
};

// How fast the samples come.
enum class SourcePace {
    Fast,   // each queued buffer filled at once
    Card    // in chunks at the moments a sound card's would arrive (CardClock), whether
            // buffers are queued or not (the device's backlog keeps them)
};

class FileBackend : public QueuedWaveInBackend {
public:
    FileBackend(std::unique_ptr<SampleSource> source, SourceEnd end = SourceEnd::Silence,
                SourcePace pace = SourcePace::Fast);
    ~FileBackend() override;
    std::string Name() const override { return "file"; }

    SampleSource& Source() { return *source_; }
    SourcePace Pace() const { return pace_; }
    bool Exhausted() const { return exhausted_; }
    uint64_t SourceBytesDelivered() const { return sourceBytes_; }
    // The source's format against the one asked for, and the input choice that fits it.
    std::string FormatRefusal(const WaveFormat& format) const override;

protected:
    WaveResult DoQueryFormat(const WaveFormat& format) override;
    WaveResult DoOpen(const WaveFormat& format) override { return DoQueryFormat(format); }
    WaveResult DoStart() override;
    void DoStop() override;
    void DoClose() override {}
    void OnQueued() override;

private:
    // Up to `bytes` of the source into scratch_, by the end rule once it has ended; 0 when
    // nothing comes (a stalled end).
    size_t Take(size_t bytes);

    std::unique_ptr<SampleSource> source_;
    SourceEnd end_;
    SourcePace pace_;
    // Read by any thread; written by the one that delivers (the caller's, or the clock's).
    std::atomic<bool> exhausted_ = false;
    std::atomic<uint64_t> sourceBytes_ = 0;
    std::vector<uint8_t> scratch_;
    CardClock clock_;
};
