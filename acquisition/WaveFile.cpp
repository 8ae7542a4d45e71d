#include "acquisition/WaveFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "acquisition/RegularFile.h"

namespace {

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

bool ReadExact(std::FILE* file, uint8_t* out, size_t bytes)
{
    return std::fread(out, 1, bytes, file) == bytes;
}

// Skips a chunk body of `size` bytes and its pad byte when the size is odd.
bool SkipChunk(std::FILE* file, uint32_t size)
{
    return fseeko(file, static_cast<off_t>(size) + (size & 1), SEEK_CUR) == 0;
}

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatExtensible = 0xFFFE;

// The standard sub-format GUIDs are the format code followed by these 14 bytes.
constexpr uint8_t SubFormatGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

void BuildWaveHeader(uint8_t header[44], const WaveFileFormat& format, uint32_t dataBytes)
{
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, dataBytes + 36);
    std::memcpy(header + 8, "WAVE", 4);
    std::memcpy(header + 12, "fmt ", 4);
    Put32(header + 16, 16);
    Put16(header + 20, FormatPcm);
    Put16(header + 22, format.Channels);
    Put32(header + 24, format.SampleRate);
    Put32(header + 28, format.ByteRate);
    Put16(header + 32, format.BlockAlign);
    Put16(header + 34, format.BitsPerSample);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, dataBytes);
}

// ---------------------------------------------------------------------------------------
// Reader

WaveReader::~WaveReader()
{
    Close();
}

void WaveReader::Close()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
    left_ = 0;
}

bool WaveReader::Refuse(WaveMessage& refusal, const char* text, const char* caption, std::string detail)
{
    Close();
    refusal.Text = text;
    refusal.Caption = caption;
    refusal.Detail = std::move(detail);
    return false;
}

bool IsPcm16(const WaveFileFormat& format)
{
    return (format.FormatTag == FormatPcm || format.FormatTag == FormatExtensible) &&
           format.SubFormat == FormatPcm && format.BitsPerSample == 16;
}

std::string DescribeWaveFormat(const WaveFileFormat& format)
{
    std::string coding;
    switch (format.SubFormat) {
    case FormatPcm: coding = "PCM"; break;
    case 3: coding = "float"; break;
    default: coding = "format " + std::to_string(format.SubFormat); break;
    }
    return std::to_string(format.SampleRate) + " Hz, " + std::to_string(format.BitsPerSample) + "-bit " + coding +
           ", " + std::to_string(format.Channels) + (format.Channels == 1 ? " channel" : " channels");
}

bool WaveReader::Open(const std::string& path, const WaveFileFormat& expected, WaveMessage& refusal)
{
    if (!OpenAnyFormat(path, refusal)) return false;
    // Only 16-bit PCM in the capture format can stand in for the live input.
    if (!IsPcm16(format_) || format_.Channels != expected.Channels || format_.BlockAlign != expected.BlockAlign ||
        format_.BitsPerSample != expected.BitsPerSample || format_.SampleRate != expected.SampleRate) {
        WaveFileFormat needed = expected;
        needed.SubFormat = FormatPcm;
        return Refuse(refusal, "Wave parameters not compatible", FileOpenErrorCaption,
                      "found " + DescribeWaveFormat(format_) + "; needed " + DescribeWaveFormat(needed));
    }
    return true;
}

bool WaveReader::OpenAnyFormat(const std::string& path, WaveMessage& refusal)
{
    Close();
    refusal = {};
    std::string reason;
    const int fd = OpenRegularForReading(path, reason);
    if (fd >= 0) {
        file_ = ::fdopen(fd, "rb");
        if (!file_) {
            reason = std::strerror(errno);
            ::close(fd);
        }
    }
    if (!file_) return Refuse(refusal, "Could not open the file", FileOpenErrorCaption, reason);

    uint8_t id[8];
    if (!ReadExact(file_, id, 4) || std::memcmp(id, "RIFF", 4) != 0)
        return Refuse(refusal, "Not a RIFF file", FileErrorCaption);
    uint8_t riffSize[4];
    const bool haveSize = ReadExact(file_, riffSize, 4);  // not used
    if (!haveSize || !ReadExact(file_, id, 4) || std::memcmp(id, "WAVE", 4) != 0)
        return Refuse(refusal, "Not a WAVE file", FileErrorCaption);

    // The format chunk; chunks some tools put before it (JUNK, bext) are passed over.
    uint32_t size = 0;
    for (;;) {
        if (!ReadExact(file_, id, 8)) return Refuse(refusal, "fmt incorrect", FileErrorCaption);
        size = Le32(id + 4);
        if (std::memcmp(id, "fmt ", 4) == 0) break;
        if (std::memcmp(id, "data", 4) == 0 || !SkipChunk(file_, size))
            return Refuse(refusal, "fmt incorrect", FileErrorCaption);
    }
    uint8_t fmt[16];
    if (size < 16 || !ReadExact(file_, fmt, 16)) return Refuse(refusal, "fmt incorrect", FileErrorCaption);
    format_.FormatTag = Le16(fmt);
    format_.Channels = Le16(fmt + 2);
    format_.SampleRate = Le32(fmt + 4);
    format_.ByteRate = Le32(fmt + 8);
    format_.BlockAlign = Le16(fmt + 12);
    format_.BitsPerSample = Le16(fmt + 14);
    format_.SubFormat = format_.FormatTag;
    uint32_t read = 16;
    if (format_.FormatTag == FormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID: without all of it the
        // coding is unknown.
        format_.SubFormat = 0;
        uint8_t extension[24];
        if (size >= 40) {
            if (!ReadExact(file_, extension, sizeof extension)) return Refuse(refusal, "fmt incorrect", FileErrorCaption);
            read += sizeof extension;
            if (Le16(extension) >= 22 && std::memcmp(extension + 10, SubFormatGuidTail, sizeof SubFormatGuidTail) == 0)
                format_.SubFormat = Le16(extension + 8);
        }
    }
    if (!SkipChunk(file_, size - read)) return Refuse(refusal, "fmt incorrect", FileErrorCaption);

    // Walk on to the data chunk: fact, LIST and any other chunk are skipped.
    for (;;) {
        if (!ReadExact(file_, id, 8)) return Refuse(refusal, "No data chunk in the file", FileErrorCaption);
        size = Le32(id + 4);
        if (std::memcmp(id, "data", 4) == 0) break;
        if (!SkipChunk(file_, size)) return Refuse(refusal, "No data chunk in the file", FileErrorCaption);
    }
    dataOffset_ = ftello(file_);
    declaredBytes_ = size;
    int64_t available = 0;
    if (fseeko(file_, 0, SEEK_END) == 0) available = std::max<int64_t>(0, ftello(file_) - dataOffset_);
    if (fseeko(file_, dataOffset_, SEEK_SET) != 0) return Refuse(refusal, "Could not open the file", FileOpenErrorCaption);
    dataBytes_ = std::min(declaredBytes_, available);
    left_ = dataBytes_;
    return true;
}

bool WaveReader::Rewind()
{
    if (!file_ || fseeko(file_, dataOffset_, SEEK_SET) != 0) return false;
    left_ = dataBytes_;
    return true;
}

size_t WaveReader::Read(uint8_t* out, size_t bytes)
{
    if (!file_ || left_ <= 0) return 0;
    const size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(bytes), left_));
    const size_t got = std::fread(out, 1, want, file_);
    left_ = got < want ? 0 : left_ - static_cast<int64_t>(got);
    return got;
}

// ---------------------------------------------------------------------------------------
// Writer

WaveWriter::~WaveWriter()
{
    if (IsOpen()) Finish();
}

bool WaveWriter::WriteAt(const uint8_t* data, size_t bytes, off_t offset, size_t& written)
{
    written = 0;
    while (written < bytes) {
        const ssize_t n = ::pwrite(file_.Fd(), data + written, bytes - written, offset + static_cast<off_t>(written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing without an error still means the disk is full.
            if (n == 0) errno = ENOSPC;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

void WaveWriter::Fail()
{
    if (!failed_) error_ = std::strerror(errno);
    failed_ = true;
}

bool WaveWriter::Create(const std::string& path, const WaveFileFormat& format)
{
    if (IsOpen()) Finish();
    failed_ = false;
    error_.clear();
    dataBytes_ = patchedBytes_ = 0;
    format_ = format;
    if (!file_.Open(path, error_)) return false;
    uint8_t header[HeaderBytes];
    BuildWaveHeader(header, format_, 0);
    size_t written = 0;
    if (!WriteAt(header, HeaderBytes, 0, written)) {
        error_ = std::strerror(errno);
        // Only a file made just now goes again; a file of the user's is never removed.
        file_.Discard();
        return false;
    }
    return true;
}

int64_t WaveWriter::PatchEveryBytes() const
{
    return static_cast<int64_t>(PatchInterval.count()) * format_.ByteRate / 1000;
}

size_t WaveWriter::Write(const uint8_t* data, size_t bytes)
{
    if (!IsOpen() || failed_) return 0;
    const size_t room = static_cast<size_t>(MaxDataBytes - dataBytes_);
    const size_t want = std::min(bytes, room);
    size_t written = 0;
    if (want && !WriteAt(data, want, HeaderBytes + dataBytes_, written)) Fail();
    dataBytes_ += static_cast<int64_t>(written);
    if (dataBytes_ - patchedBytes_ >= PatchEveryBytes()) Patch();
    return written;
}

bool WaveWriter::Patch()
{
    if (!IsOpen()) return false;
    // Every sample byte is the system's the moment write returns (a killed program loses
    // none of it), so the sizes can describe all of it.
    uint8_t size[4];
    size_t written = 0;
    Put32(size, static_cast<uint32_t>(dataBytes_ + 36));
    bool ok = WriteAt(size, 4, 4, written);
    Put32(size, static_cast<uint32_t>(dataBytes_));
    ok = ok && WriteAt(size, 4, 40, written);
    if (!ok)
        Fail();
    else
        patchedBytes_ = dataBytes_;
    return ok && !failed_;
}

bool WaveWriter::Finish()
{
    if (!IsOpen()) return !failed_;
    if (failed_) {
        // A write failed part-way: keep the whole frames that reached the file, so the header
        // describes exactly what plays.
        const int64_t align = format_.BlockAlign ? format_.BlockAlign : 1;
        dataBytes_ = dataBytes_ / align * align;
        if (::ftruncate(file_.Fd(), HeaderBytes + dataBytes_) != 0) error_ += " (the file keeps a partial frame)";
    }
    Patch();
    if (!file_.Close()) Fail();
    return !failed_;
}

void WaveWriter::Abandon()
{
    file_.Close();
}
