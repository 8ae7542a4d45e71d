#pragma once
// Minimal 16-bit PCM WAVE writer with the plain 44-byte header. The data goes to a side file
// that replaces the target only when it is complete, so a failed run never leaves a truncated
// file behind or destroys an existing one.

#include <cstdint>
#include <cstdio>
#include <string>

class WaveWriter {
public:
    WaveWriter() = default;
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;
    ~WaveWriter();  // abandons an unfinished file

    // On failure these return false and leave a message in Error().
    bool Open(const std::string& path, int channels, uint32_t sampleRate);
    bool Write(const int16_t* samples, int frames);  // frames x channels samples
    bool Finish();                                   // patches the sizes and moves the file in place

    const std::string& Error() const { return error_; }
    uint32_t DataBytes() const { return dataBytes_; }

private:
    bool Fail(const std::string& what);
    void Abandon();

    std::FILE* file_ = nullptr;
    std::string path_, partPath_, error_;
    int channels_ = 1;
    uint32_t sampleRate_ = 44100;
    uint32_t dataBytes_ = 0;
};

// The 44-byte header: "RIFF", data + 36, "WAVE", "fmt ", 16, PCM 1, channels, rate,
// byte rate, block align, 16 bits, "data", data bytes; all little-endian.
void BuildWaveHeader(uint8_t header[44], int channels, uint32_t sampleRate, uint32_t dataBytes);
