#include "acquisition/FileBackend.h"

#include <algorithm>
#include <cstring>

WaveFormat PcmFormat(uint16_t channels, uint32_t sampleRate)
{
    WaveFormat f;
    f.Channels = channels;
    f.SamplesPerSec = sampleRate;
    f.BlockAlign = static_cast<uint16_t>(channels * 2);
    f.AvgBytesPerSec = sampleRate * f.BlockAlign;
    f.BitsPerSample = 16;
    return f;
}

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

WaveFileSource::WaveFileSource(const std::string& path)
{
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        Fail("cannot open " + path);
        return;
    }
    uint8_t riff[12];
    if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        Fail(path + " is not a RIFF WAVE file");
        return;
    }
    bool haveFormat = false;
    for (;;) {
        uint8_t chunk[8];
        if (std::fread(chunk, 1, 8, file_) != 8) {
            Fail(path + " has no data chunk");
            return;
        }
        const uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fmt[16];
            if (size < 16 || std::fread(fmt, 1, 16, file_) != 16) {
                Fail(path + " has a short format chunk");
                return;
            }
            format_.FormatTag = Le16(fmt);
            format_.Channels = Le16(fmt + 2);
            format_.SamplesPerSec = Le32(fmt + 4);
            format_.AvgBytesPerSec = Le32(fmt + 8);
            format_.BlockAlign = Le16(fmt + 12);
            format_.BitsPerSample = Le16(fmt + 14);
            haveFormat = true;
            if (std::fseek(file_, long(size - 16) + (size & 1), SEEK_CUR) != 0) {
                Fail(path + " is truncated");
                return;
            }
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                Fail(path + " has its data before its format chunk");
                return;
            }
            dataOffset_ = std::ftell(file_);
            dataBytes_ = size;
            left_ = size;
            if (format_.FormatTag != 1 || format_.BitsPerSample != 16) {
                Fail(path + " is not 16-bit PCM");
                return;
            }
            return;
        } else if (std::fseek(file_, long(size) + (size & 1), SEEK_CUR) != 0) {
            Fail(path + " is truncated");
            return;
        }
    }
}

WaveFileSource::~WaveFileSource()
{
    if (file_) std::fclose(file_);
}

bool WaveFileSource::Fail(const std::string& message)
{
    error_ = message;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    return false;
}

size_t WaveFileSource::Read(uint8_t* out, size_t bytes)
{
    if (!file_) return 0;
    const size_t n = std::fread(out, 1, std::min<size_t>(bytes, left_), file_);
    left_ -= static_cast<uint32_t>(n);
    if (n < bytes) left_ = 0;  // the file ends before its data size says: that is the end
    return n;
}

bool WaveFileSource::Rewind()
{
    if (!file_ || std::fseek(file_, dataOffset_, SEEK_SET) != 0) return false;
    left_ = dataBytes_;
    return true;
}

size_t MemorySource::Read(uint8_t* out, size_t bytes)
{
    const size_t n = std::min(bytes, bytes_.size() - position_);
    if (n) std::memcpy(out, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

GeneratorSource::GeneratorSource(const SignalGeneratorSettings& settings)
    : settings_(settings), generator_(std::make_unique<SignalGenerator>(settings))
{
}

WaveFormat GeneratorSource::Format() const
{
    return PcmFormat(static_cast<uint16_t>(generator_->Channels()));
}

size_t GeneratorSource::Read(uint8_t* out, size_t bytes)
{
    const int channels = generator_->Channels();
    const size_t frames = bytes / (2 * channels);
    scratch_.resize(frames * channels);
    generator_->Generate(scratch_.data(), static_cast<int>(frames));
    std::memcpy(out, scratch_.data(), frames * 2 * channels);
    return frames * 2 * channels;
}

bool GeneratorSource::Rewind()
{
    generator_ = std::make_unique<SignalGenerator>(settings_);
    return true;
}

FileBackend::FileBackend(std::unique_ptr<SampleSource> source, SourceEnd end)
    : source_(std::move(source)), end_(end), scratch_(CaptureBufferSize)
{
}

WaveResult FileBackend::DoQueryFormat(const WaveFormat& format)
{
    // A source that cannot deliver is a device that is not there.
    if (!source_ || !source_->Error().empty()) return WaveErrBadDeviceId;
    const WaveFormat f = source_->Format();
    if (f.Channels != format.Channels || f.SamplesPerSec != format.SamplesPerSec ||
        f.BitsPerSample != format.BitsPerSample || f.BlockAlign != format.BlockAlign)
        return WaveErrBadFormat;
    return WaveNoError;
}

void FileBackend::OnQueued()
{
    for (;;) {
        const size_t missing = std::min(HeadBytesMissing(), scratch_.size());
        if (missing == 0) return;
        size_t got = exhausted_ ? 0 : source_->Read(scratch_.data(), missing);
        if (got == 0 && end_ == SourceEnd::Loop && source_->Rewind()) {
            got = source_->Read(scratch_.data(), missing);
        }
        if (got == 0) {
            exhausted_ = true;
            if (end_ == SourceEnd::Stall) return;
            std::memset(scratch_.data(), 0, missing);
            got = missing;
        } else {
            sourceBytes_ += got;
        }
        if (Deliver(scratch_.data(), got) == 0) return;
    }
}
