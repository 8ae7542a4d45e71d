// The WAVE reader on arbitrary bytes: the capture-format check and the format-free open
// must refuse with a message or open, and reading never goes past the data chunk.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "acquisition/WaveFile.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzScratchFile input(".wav", data, size);
    if (!input.Ok()) return 0;
    const std::string& path = input.Path();

    for (const bool anyFormat : {false, true}) {
        WaveReader reader;
        WaveMessage refusal;
        WaveFileFormat capture;
        capture.Channels = 2;
        capture.BlockAlign = 4;
        capture.ByteRate = 176400;
        const bool open = anyFormat ? reader.OpenAnyFormat(path, refusal) : reader.Open(path, capture, refusal);
        if (!open) {
            if (refusal.Text.empty()) std::abort();   // a refusal always says why
            continue;
        }
        if (reader.DataOffset() < 12 || reader.DataOffset() > int64_t(size)) std::abort();
        if (reader.DataBytes() > int64_t(size) - reader.DataOffset()) std::abort();
        std::vector<uint8_t> buffer(1000);
        for (int pass = 0; pass < 2; ++pass) {
            int64_t total = 0;
            while (const size_t n = reader.Read(buffer.data(), buffer.size())) total += int64_t(n);
            if (total != reader.DataBytes()) std::abort();
            if (!reader.Rewind()) break;
        }
    }
    return 0;
}
