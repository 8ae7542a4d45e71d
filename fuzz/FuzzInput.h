#pragma once
// The readers under fuzzing take file names: each input is written to a scratch file of
// the process (in /dev/shm where there is one, so no disk is worn), read back from there
// and removed when the run is over.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

class FuzzScratchFile {
public:
    FuzzScratchFile(const char* suffix, const uint8_t* data, size_t size)
        : path_(std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/velquor_fuzz_"
                + std::to_string(getpid()) + suffix)
    {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return;
        const bool written = std::fwrite(data, 1, size, f) == size;
        ok_ = std::fclose(f) == 0 && written;
    }
    ~FuzzScratchFile() { std::remove(path_.c_str()); }
    FuzzScratchFile(const FuzzScratchFile&) = delete;
    FuzzScratchFile& operator=(const FuzzScratchFile&) = delete;

    const std::string& Path() const { return path_; }
    bool Ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};
