#pragma once
// WAVE files of the recorder: the reader behind Open Wave (its checks, in their order and
// with their message texts) that plays the sample data, and the writer that records the
// captured blocks behind a 44-byte header.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include <sys/types.h>

#include "acquisition/RegularFile.h"

constexpr const char* FileErrorCaption = "File Error Message";
constexpr const char* FileOpenErrorCaption = "File Open Error Message";

// The format chunk's fields as they are read and written.
struct WaveFileFormat {
    uint16_t FormatTag = 1;        // 1 PCM; 0xFFFE extensible (its SubFormat says what is inside)
    uint16_t Channels = 1;
    uint32_t SampleRate = 44100;
    uint32_t ByteRate = 88200;
    uint16_t BlockAlign = 2;
    uint16_t BitsPerSample = 16;
    // The sample coding: the tag itself, or for an extensible format the code of its
    // sub-format GUID (1 PCM, 3 float); 0 when the extension is missing or not a standard GUID.
    uint16_t SubFormat = 1;
};

// A refusal: the text and caption of its message box, and for the command-line tools the
// context the box leaves out (the system's reason, or what was found against what is needed).
struct WaveMessage {
    std::string Text;
    std::string Caption;
    std::string Detail;
};

// "22050 Hz, 16-bit PCM, 2 channels": a format as the messages name it.
std::string DescribeWaveFormat(const WaveFileFormat& format);

class WaveReader {
public:
    WaveReader() = default;
    ~WaveReader();
    WaveReader(const WaveReader&) = delete;
    WaveReader& operator=(const WaveReader&) = delete;

    // Opens the file and checks it against the capture format `expected`. On success the
    // file stays open at its first sample; on a refusal it is closed and `refusal` holds
    // the message to show. Only a regular file is read: a FIFO, a device or a directory is
    // refused at once ("Could not open the file"), never waited on.
    bool Open(const std::string& path, const WaveFileFormat& expected, WaveMessage& refusal);
    // The same checks and chunk walk without the comparison with a capture format: any
    // format chunk is taken as it is (the caller decides what it can play).
    bool OpenAnyFormat(const std::string& path, WaveMessage& refusal);
    // Back to the first sample; false when no file is open or the seek fails.
    bool Rewind();
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    const WaveFileFormat& Format() const { return format_; }
    int64_t DataOffset() const { return dataOffset_; }
    int64_t DeclaredDataBytes() const { return declaredBytes_; }
    // Sample bytes that can be played: the declared size, or less when the file ends first.
    int64_t DataBytes() const { return dataBytes_; }
    int64_t BytesLeft() const { return left_; }

    // Reads up to `bytes` bytes of sample data, never beyond the data chunk (a chunk that
    // follows it is not sound). Returns the bytes read; 0 at the end.
    size_t Read(uint8_t* out, size_t bytes);

private:
    bool Refuse(WaveMessage& refusal, const char* text, const char* caption, std::string detail = {});

    std::FILE* file_ = nullptr;
    WaveFileFormat format_;
    int64_t dataOffset_ = 0;
    int64_t declaredBytes_ = 0;
    int64_t dataBytes_ = 0;
    int64_t left_ = 0;
};

class WaveWriter {
public:
    // The most sample data one RIFF file can describe (its size field is 32 bits),
    // rounded down to whole 4-byte frames.
    static constexpr int64_t MaxDataBytes = (int64_t{0xFFFFFFFF} - 36) / 4 * 4;
    static constexpr int HeaderBytes = 44;

    WaveWriter() = default;
    ~WaveWriter();
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    // Creates the file, or replaces a regular file (a symbolic link's target is written), and
    // writes the header with sizes 36 and 0. Anything else at the path (a FIFO, a device, a
    // directory) is refused without waiting on it; Error() says why. A file this call
    // created and could not write is removed again; nothing else ever is.
    bool Create(const std::string& path, const WaveFileFormat& format);
    // Appends sample bytes, at most up to MaxDataBytes; returns the bytes taken. The samples
    // are handed to the system at once, and the two sizes are patched whenever PatchInterval
    // of sound has been written since the last patch, so a program that is killed leaves a
    // file whose sizes describe all but at most that much (and the block being written).
    size_t Write(const uint8_t* data, size_t bytes);
    // Writes the two sizes for the data so far.
    bool Patch();
    // Patch, then close. False when anything written was lost; the file then keeps the
    // whole frames that reached it, with sizes to match (DataBytes).
    bool Finish();
    // Closes without patching (what a crash leaves; for tests).
    void Abandon();

    bool IsOpen() const { return file_.IsOpen(); }
    bool Failed() const { return failed_; }
    // Why Create or a write failed: the system's reason, or what stands at the path.
    const std::string& Error() const { return error_; }
    int64_t DataBytes() const { return dataBytes_; }
    const WaveFileFormat& Format() const { return format_; }

    // Sound time, not wall time: a backlog written in a burst is described as closely as
    // live blocks are. A quarter second is every third 4096-frame block, so the header lags
    // the data by at most 0.28 s.
    std::chrono::milliseconds PatchInterval{250};

private:
    bool WriteAt(const uint8_t* data, size_t bytes, off_t offset, size_t& written);
    void Fail();
    int64_t PatchEveryBytes() const;

    OutputFile file_;
    WaveFileFormat format_;
    int64_t dataBytes_ = 0;
    int64_t patchedBytes_ = 0;
    bool failed_ = false;
    std::string error_;
};

// 16-bit PCM (plain, or as the sub-format of WAVE_FORMAT_EXTENSIBLE): what the capture
// buffers hold.
bool IsPcm16(const WaveFileFormat& format);

// The 44-byte header for `dataBytes` bytes of samples (sizes dataBytes + 36 and dataBytes).
void BuildWaveHeader(uint8_t header[44], const WaveFileFormat& format, uint32_t dataBytes);
