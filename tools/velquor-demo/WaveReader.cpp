#include "WaveReader.h"

#include <cerrno>
#include <cstring>

namespace {

uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

WaveReader::~WaveReader() {
    if (file_ != nullptr) std::fclose(file_);
}

bool WaveReader::Fail(const std::string& message) {
    error_ = message;
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    return false;
}

bool WaveReader::Open(const std::string& path) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return Fail("could not open the file '" + path + "': " + std::strerror(errno));
    const std::string name = "'" + path + "'";

    uint8_t riff[12];
    if (std::fread(riff, 1, 12, file_) != 12) return Fail(name + " is too short for a WAVE header");
    if (std::memcmp(riff, "RIFF", 4) != 0) return Fail(name + " is not a RIFF file");
    if (std::memcmp(riff + 8, "WAVE", 4) != 0) return Fail(name + " is not a WAVE file");

    bool haveFormat = false;
    for (;;) {
        uint8_t chunk[8];
        if (std::fread(chunk, 1, 8, file_) != 8)
            return Fail(haveFormat ? name + " has no data chunk" : name + " has no fmt chunk");
        const uint32_t size = Get32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return Fail(name + ": fmt chunk too short");
            uint8_t f[16];
            if (std::fread(f, 1, 16, file_) != 16) return Fail(name + ": fmt chunk cut short");
            const uint16_t tag = Get16(f), channels = Get16(f + 2), align = Get16(f + 12), bits = Get16(f + 14);
            sampleRate_ = Get32(f + 4);
            if (tag != 1) return Fail(name + " is not PCM (format tag " + std::to_string(tag) + ")");
            if (bits != 16) return Fail(name + " has " + std::to_string(bits) + "-bit samples; 16-bit needed");
            if (channels != 1 && channels != 2)
                return Fail(name + " has " + std::to_string(channels) + " channels; mono or stereo needed");
            if (align != channels * 2) return Fail(name + " has an inconsistent block align");
            if (sampleRate_ != 44100)
                return Fail(name + " is sampled at " + std::to_string(sampleRate_) + " Hz; 44100 Hz needed");
            channels_ = channels;
            haveFormat = true;
            // Chunks are padded to an even size.
            if (std::fseek(file_, static_cast<long>(size - 16 + (size & 1)), SEEK_CUR) != 0)
                return Fail(name + ": fmt chunk cut short");
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return Fail(name + ": data chunk before the fmt chunk");
            dataBytes_ = size;
            break;
        } else if (std::fseek(file_, static_cast<long>(size) + (size & 1), SEEK_CUR) != 0) {
            return Fail(name + ": chunk '" + std::string(reinterpret_cast<char*>(chunk), 4) + "' cut short");
        }
    }

    // Trust the file over the header: an unfinished recording says 0 or too much.
    const long start = std::ftell(file_);
    if (start < 0 || std::fseek(file_, 0, SEEK_END) != 0) return Fail(name + " cannot be measured");
    const long end = std::ftell(file_);
    std::fseek(file_, start, SEEK_SET);
    const uint64_t available = end > start ? static_cast<uint64_t>(end - start) : 0;
    if (dataBytes_ == 0 && available > 0) {
        unfinished_ = true;  // sizes never patched: take what is there
        dataBytes_ = static_cast<uint32_t>(available > 0xFFFFFFF0u ? 0xFFFFFFF0u : available);
    } else if (available < dataBytes_) {
        truncated_ = true;
        dataBytes_ = static_cast<uint32_t>(available);
    }
    dataBytes_ -= dataBytes_ % static_cast<uint32_t>(BlockAlign());
    if (dataBytes_ == 0) return Fail(name + " holds no sample data");
    left_ = dataBytes_;
    return true;
}

size_t WaveReader::Read(uint8_t* buffer, size_t maxBytes) {
    if (file_ == nullptr || left_ == 0) return 0;
    const size_t want = maxBytes < left_ ? maxBytes : left_;
    const size_t got = std::fread(buffer, 1, want, file_);
    left_ -= static_cast<uint32_t>(got);
    if (got < want) left_ = 0;
    return got;
}
