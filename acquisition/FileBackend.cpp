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

WaveFileSource::WaveFileSource(const std::string& path) : path_(path)
{
    WaveMessage refusal;
    if (!reader_.OpenAnyFormat(path, refusal)) {
        error_ = "cannot open " + path + ": " + refusal.Text + (refusal.Detail.empty() ? "" : " (" + refusal.Detail + ")");
        return;
    }
    const WaveFileFormat& f = reader_.Format();
    if (!IsPcm16(f)) {
        reader_.Close();
        error_ = path + " is not 16-bit PCM (found " + DescribeWaveFormat(f) + ")";
        return;
    }
    format_.Channels = f.Channels;
    format_.SamplesPerSec = f.SampleRate;
    format_.AvgBytesPerSec = f.ByteRate;
    format_.BlockAlign = f.BlockAlign;
    format_.BitsPerSample = f.BitsPerSample;
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

FileBackend::FileBackend(std::unique_ptr<SampleSource> source, SourceEnd end, SourcePace pace)
    : source_(std::move(source)), end_(end), pace_(pace), scratch_(CaptureBufferSize)
{
}

FileBackend::~FileBackend()
{
    clock_.Stop();
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

std::string FileBackend::FormatRefusal(const WaveFormat& format) const
{
    if (!source_) return {};
    if (!source_->Error().empty()) return source_->Error();
    const WaveFormat found = source_->Format();
    auto describe = [](const WaveFormat& f) {
        WaveFileFormat w;
        w.Channels = f.Channels;
        w.SampleRate = f.SamplesPerSec;
        w.BitsPerSample = f.BitsPerSample;
        return DescribeWaveFormat(w);
    };
    std::string why = "found " + describe(found) + "; needed " + describe(format);
    const std::string name = source_->Describe();
    if (!name.empty()) why = name + ": " + why;
    // Only the channel count differs: the other input takes the file.
    if (found.SamplesPerSec == format.SamplesPerSec && found.BitsPerSample == format.BitsPerSample) {
        if (found.Channels == 2 && format.Channels == 1) why += "; stereo file: choose Options > Input > Line";
        if (found.Channels == 1 && format.Channels == 2) why += "; mono file: choose Options > Input > Microphone";
    }
    return why;
}

size_t FileBackend::Take(size_t bytes)
{
    bytes = std::min(bytes, scratch_.size());
    size_t got = exhausted_ ? 0 : source_->Read(scratch_.data(), bytes);
    if (got == 0 && end_ == SourceEnd::Loop && source_->Rewind()) got = source_->Read(scratch_.data(), bytes);
    if (got > 0) {
        sourceBytes_ += got;
        return got;
    }
    exhausted_ = true;
    if (end_ == SourceEnd::Stall) return 0;
    std::memset(scratch_.data(), 0, bytes);
    return bytes;
}

WaveResult FileBackend::DoStart()
{
    if (pace_ != SourcePace::Card) return WaveNoError;
    clock_.Stop();
    const WaveFormat format = OpenFormat();
    // One chunk of whole frames a tick, however much of it the source still has.
    const size_t chunkBytes = size_t{CardClock::ChunkFrames} * format.BlockAlign;
    clock_.Start(format.SamplesPerSec, CardClock::ChunkFrames, 1.0, [this, chunkBytes] {
        for (size_t done = 0; done < chunkBytes;) {
            const size_t got = Take(chunkBytes - done);
            if (got == 0) return;
            Deliver(scratch_.data(), got);
            done += got;
        }
    });
    return WaveNoError;
}

void FileBackend::DoStop()
{
    clock_.Stop();
}

void FileBackend::OnQueued()
{
    if (pace_ == SourcePace::Card) return;
    for (;;) {
        const size_t missing = HeadBytesMissing();
        if (missing == 0) return;
        const size_t got = Take(missing);
        if (got == 0) return;
        if (Deliver(scratch_.data(), got) == 0) return;
    }
}
