#include "WaveWriter.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void BuildWaveHeader(uint8_t h[44], int channels, uint32_t sampleRate, uint32_t dataBytes) {
    const uint16_t blockAlign = static_cast<uint16_t>(channels * 2);
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, dataBytes + 36);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, static_cast<uint16_t>(channels));
    Put32(h + 24, sampleRate);
    Put32(h + 28, sampleRate * blockAlign);
    Put16(h + 32, blockAlign);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

WaveWriter::~WaveWriter() { Abandon(); }

bool WaveWriter::Fail(const std::string& what) {
    error_ = what;
    if (errno != 0) error_ += std::string(": ") + std::strerror(errno);
    Abandon();
    return false;
}

void WaveWriter::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(partPath_.c_str());
    }
}

bool WaveWriter::Open(const std::string& path, int channels, uint32_t sampleRate) {
    Abandon();
    path_ = path;
    partPath_ = path + ".part";
    channels_ = channels;
    dataBytes_ = 0;
    errno = 0;
    file_ = std::fopen(partPath_.c_str(), "wb");
    if (file_ == nullptr) return Fail("cannot create '" + partPath_ + "'");
    uint8_t header[44];
    BuildWaveHeader(header, channels, sampleRate, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) return Fail("cannot write '" + partPath_ + "'");
    sampleRate_ = sampleRate;
    return true;
}

bool WaveWriter::Write(const int16_t* samples, int frames) {
    if (file_ == nullptr) return false;
    const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    if (count * 2 > std::numeric_limits<uint32_t>::max() - 36 - dataBytes_) {
        errno = 0;
        return Fail("the data would exceed the 4 GB limit of a WAVE file");
    }
    uint8_t buffer[8192];
    size_t done = 0;
    errno = 0;
    while (done < count) {
        const size_t n = std::min(count - done, sizeof buffer / 2);
        for (size_t i = 0; i < n; ++i) Put16(buffer + 2 * i, static_cast<uint16_t>(samples[done + i]));
        if (std::fwrite(buffer, 2, n, file_) != n) return Fail("cannot write '" + partPath_ + "'");
        done += n;
    }
    dataBytes_ += static_cast<uint32_t>(count * 2);
    return true;
}

bool WaveWriter::Finish() {
    if (file_ == nullptr) return false;
    uint8_t header[44];
    BuildWaveHeader(header, channels_, sampleRate_, dataBytes_);
    errno = 0;
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, file_) != sizeof header)
        return Fail("cannot write '" + partPath_ + "'");
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        std::remove(partPath_.c_str());
        error_ = "cannot write '" + partPath_ + "': " + std::strerror(errno);
        return false;
    }
    if (std::rename(partPath_.c_str(), path_.c_str()) != 0) {
        error_ = "cannot move the finished file to '" + path_ + "': " + std::strerror(errno);
        std::remove(partPath_.c_str());
        return false;
    }
    return true;
}
