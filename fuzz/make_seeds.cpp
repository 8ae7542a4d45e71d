// Writes the seed corpora of the harnesses: well-formed WAVE files (mono and stereo, with
// an extra chunk, an extensible format), settings files (defaults, a short one, every
// display type) and ini files. Usage: make_seeds DIR (creates DIR/wavefile, DIR/settings, DIR/ini).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/WaveFile.h"
#include "app/settings/SettingsRecord.h"

namespace {

void Put(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> Wave(uint16_t channels, uint32_t sampleBytes, bool extraChunk)
{
    WaveFileFormat format;
    format.Channels = channels;
    format.BlockAlign = uint16_t(2 * channels);
    format.ByteRate = 44100u * format.BlockAlign;
    uint8_t header[44];
    BuildWaveHeader(header, format, sampleBytes);
    std::vector<uint8_t> bytes(header, header + 36);
    if (extraChunk) {
        const uint8_t list[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
        bytes.insert(bytes.end(), list, list + sizeof list);
    }
    bytes.insert(bytes.end(), header + 36, header + 44);
    for (uint32_t i = 0; i < sampleBytes; ++i) bytes.push_back(uint8_t(i * 37));
    const uint32_t riff = uint32_t(bytes.size() - 8);
    for (int k = 0; k < 4; ++k) bytes[4 + k] = uint8_t(riff >> (8 * k));
    return bytes;
}

std::vector<uint8_t> Text(const char* s) { return std::vector<uint8_t>(s, s + std::char_traits<char>::length(s)); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    for (const char* sub : {"wavefile", "settings", "ini"}) std::filesystem::create_directories(dir / sub);

    Put(dir / "wavefile/mono.wav", Wave(1, 64, false));
    Put(dir / "wavefile/stereo.wav", Wave(2, 128, false));
    Put(dir / "wavefile/list.wav", Wave(2, 32, true));
    std::vector<uint8_t> truncated = Wave(2, 400, false);
    truncated.resize(100);
    Put(dir / "wavefile/truncated.wav", truncated);

    SettingsRecord record;
    const auto defaults = EncodeSettings(record);
    Put(dir / "settings/defaults.cfg", std::vector<uint8_t>(defaults.begin(), defaults.end()));
    Put(dir / "settings/short.cfg", std::vector<uint8_t>(defaults.begin(), defaults.begin() + 60));
    for (const int32_t type : {1, 5, 6}) {
        record.DisplayType = type;
        record.Marker1On = 1;
        record.FilterMarker1On = uint8_t(type == 5);
        record.ModulationType = type == 6 ? 2 : 1;
        const auto bytes = EncodeSettings(record);
        Put(dir / ("settings/type" + std::to_string(type) + ".cfg"), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }

    Put(dir / "ini/gauges.ini", Text("[Dial1]\nValue=42\nMin=$10\nMax=0x7f\n; note\n[Switch]\nOn=true\nLevel=1.5\n"));
    Put(dir / "ini/crlf.ini", Text("[A]\r\nKey = spaced value \r\n\r\n[B]\r\nx=-3\r\n"));
    Put(dir / "ini/odd.ini", Text("no section=1\n[unterminated\n=empty key\n[C]\nk=v=w\n"));
    return 0;
}
