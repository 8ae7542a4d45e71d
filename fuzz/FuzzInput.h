#pragma once
// The readers under fuzzing take file names: each input is written to one scratch file per
// process (in /dev/shm where there is one, so no disk is worn) and read back from there.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& FuzzScratchPath(const char* suffix)
{
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp")
                                    + "/velquor_fuzz_" + std::to_string(getpid()) + suffix;
    return path;
}

inline bool WriteFuzzInput(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
