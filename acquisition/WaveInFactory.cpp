#include "acquisition/WaveInFactory.h"

#include "acquisition/DemoBackend.h"
#include "acquisition/FileBackend.h"
#include "acquisition/PortAudioBackend.h"
#include "acquisition/ScriptedBackend.h"

const char* WaveInBackendNames()
{
    return "portaudio, demo, demo-am, demo-fm, file:PATH, file-loop:PATH, silence, scripted";
}

namespace {

// Zeros that match any opened format: the source takes the format it is asked for.
class SilenceSource : public SampleSource {
public:
    WaveFormat Format() const override { return format_; }
    size_t Read(uint8_t* out, size_t bytes) override
    {
        std::fill(out, out + bytes, uint8_t{0});
        return bytes;
    }
    bool Rewind() override { return true; }
    void Adopt(const WaveFormat& format) { format_ = format; }

private:
    WaveFormat format_ = PcmFormat(1);
};

// A file device over silence that accepts mono and stereo alike.
class SilenceBackend : public FileBackend {
public:
    explicit SilenceBackend(SourcePace pace) : FileBackend(std::make_unique<SilenceSource>(), SourceEnd::Loop, pace) {}
    std::string Name() const override { return "silence"; }

protected:
    WaveResult DoQueryFormat(const WaveFormat& format) override
    {
        static_cast<SilenceSource&>(Source()).Adopt(format);
        return FileBackend::DoQueryFormat(format);
    }
    WaveResult DoOpen(const WaveFormat& format) override { return DoQueryFormat(format); }
};

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::unique_ptr<WaveInBackend> MakeWaveInBackend(const std::string& name, std::string& error, SourcePace pace)
{
    error.clear();
    if (name == "portaudio") return std::make_unique<PortAudioBackend>();
    if (name == "demo" || name == "demo-am" || name == "demo-fm") {
        SignalGeneratorSettings settings = DemoBackend::DefaultSettings();
        if (name == "demo-fm") settings.Modulation = SynthModulation::Fm;
        return std::make_unique<DemoBackend>(settings);
    }
    if (name == "silence") return std::make_unique<SilenceBackend>(pace);
    if (name == "scripted") return std::make_unique<ScriptedBackend>();
    const bool loop = StartsWith(name, "file-loop:");
    if (loop || StartsWith(name, "file:")) {
        const std::string path = name.substr(loop ? 10 : 5);
        auto source = std::make_unique<WaveFileSource>(path);
        if (!source->Error().empty()) {
            error = source->Error();
            return nullptr;
        }
        return std::make_unique<FileBackend>(std::move(source), loop ? SourceEnd::Loop : SourceEnd::Silence, pace);
    }
    error = "unknown input \"" + name + "\" (known: " + WaveInBackendNames() + ")";
    return nullptr;
}
