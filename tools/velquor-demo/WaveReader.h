#pragma once
// Reader for the 16-bit PCM WAVE files the recorder and velquor-synth write. It checks the
// header and walks the chunks up to "data", so a file with extra chunks still plays; anything
// it cannot play is refused with a message instead of being misread.

#include <cstdint>
#include <cstdio>
#include <string>

class WaveReader {
public:
    WaveReader() = default;
    WaveReader(const WaveReader&) = delete;
    WaveReader& operator=(const WaveReader&) = delete;
    ~WaveReader();

    // False with a message in Error() when the file cannot be played.
    bool Open(const std::string& path);
    // Reads up to maxBytes of sample data; returns the bytes read (0 at the end).
    size_t Read(uint8_t* buffer, size_t maxBytes);

    int Channels() const { return channels_; }
    uint32_t SampleRate() const { return sampleRate_; }
    int BlockAlign() const { return channels_ * 2; }
    uint32_t DataBytes() const { return dataBytes_; }
    // Set when the header promised more data than the file holds.
    bool Truncated() const { return truncated_; }
    // Set when the header's sizes were never filled in (a recording that was not finished).
    bool Unfinished() const { return unfinished_; }
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& message);

    std::FILE* file_ = nullptr;
    std::string error_;
    int channels_ = 0;
    uint32_t sampleRate_ = 0;
    uint32_t dataBytes_ = 0;
    uint32_t left_ = 0;
    bool truncated_ = false;
    bool unfinished_ = false;
};
