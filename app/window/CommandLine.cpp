#include "app/window/CommandLine.h"

#include <charconv>

#include "acquisition/PortAudioBackend.h"
#include "acquisition/WaveInFactory.h"

namespace {

bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& option, std::string& value,
               std::string& error)
{
    const std::string& arg = args[i];
    if (arg.size() > option.size() && arg.compare(0, option.size() + 1, option + "=") == 0) {
        value = arg.substr(option.size() + 1);
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        error = option + " needs a value";
        return false;
    }
    if (value.empty()) {
        error = option + " needs a value";
        return false;
    }
    return true;
}

bool Matches(const std::string& arg, const std::string& option)
{
    return arg == option || (arg.size() > option.size() && arg.compare(0, option.size() + 1, option + "=") == 0);
}

}  // namespace

ProgramOptions ParseCommandLine(const std::vector<std::string>& args)
{
    ProgramOptions o;
    bool blocksGiven = false;
    for (size_t i = 0; i < args.size() && o.Error.empty(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--help" || arg == "-h") {
            o.Help = true;
        } else if (arg == "--version") {
            o.Version = true;
        } else if (arg == "--fast") {
            o.Fast = true;
        } else if (Matches(arg, "--input")) {
            if (TakeValue(args, i, "--input", value, o.Error)) o.Input = value;
        } else if (Matches(arg, "--screenshot")) {
            if (TakeValue(args, i, "--screenshot", value, o.Error)) o.Screenshot = value;
        } else if (Matches(arg, "--focus")) {
            if (TakeValue(args, i, "--focus", value, o.Error)) o.Focus = value;
        } else if (Matches(arg, "--blocks")) {
            if (TakeValue(args, i, "--blocks", value, o.Error)) {
                int n = 0;
                const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
                if (ec != std::errc() || end != value.data() + value.size() || n < 1 || n > 1000000)
                    o.Error = "--blocks needs a whole number from 1 to 1000000, not \"" + value + "\"";
                else
                    o.Blocks = n;
                blocksGiven = true;
            }
        } else {
            o.Error = "unknown option \"" + arg + "\"";
        }
    }
    if (o.Error.empty() && blocksGiven && o.Screenshot.empty()) o.Error = "--blocks goes with --screenshot";
    if (o.Error.empty() && !o.Focus.empty() && o.Screenshot.empty()) o.Error = "--focus goes with --screenshot";
    return o;
}

std::string UsageText()
{
    return std::string(
               "Usage: velquor [--input BACKEND] [--fast] [--screenshot FILE.png [--blocks N] [--focus CONTROL]]\n"
               "       velquor --help | --version\n"
               "\n"
               "Two-channel EEG viewer: separates the AM or FM carriers of both channels\n"
               "in the sound input and shows the time traces and spectra.\n"
               "\n"
               "Options:\n"
               "  --input BACKEND        the wave input (default portaudio):\n"
               "                           portaudio       the default capture device\n"
               "                           auto            the capture device if there is one, else demo\n"
               "                           demo, demo-fm   an EEG-like test signal, AM or FM, in real time\n"
               "                           file:PATH       a WAVE file's samples at the sound card's\n"
               "                                           pace (92.9 ms a block), then silence\n"
               "                           file-loop:PATH  a WAVE file's samples, over and over\n"
               "                           silence         zeros\n"
               "  --fast                 file inputs and silence as fast as they are processed\n"
               "                         (a screenshot always takes them so)\n"
               "  --screenshot FILE.png  run without a display, save the window after N\n"
               "                         processed blocks as a PNG image and exit\n"
               "  --blocks N             blocks before the screenshot (default ")
        + std::to_string(DefaultScreenshotBlocks)
        + ")\n"
          "  --focus CONTROL        give the keyboard focus to a panel control (its\n"
          "                         component name, e.g. DisplayHoldSw) before the screenshot\n"
          "  --help                 show this text\n"
          "  --version              show the version\n"
          "\n"
          "Settings are kept in $XDG_CONFIG_HOME/velquor/Velquor.cfg (~/.config when unset).\n";
}

SourcePace InputPace(const ProgramOptions& options)
{
    return options.Fast || !options.Screenshot.empty() ? SourcePace::Fast : SourcePace::Card;
}

std::unique_ptr<WaveInBackend> MakeInput(const std::string& name, std::string& chosen, std::string& error,
                                         SourcePace pace)
{
    error.clear();
    if (name != "auto") {
        chosen = name;
        return MakeWaveInBackend(name, error, pace);
    }
    auto portAudio = std::make_unique<PortAudioBackend>();
    WaveFormat mono;  // 44100 Hz, 16-bit, mono: the Microphone format the window starts in
    if (portAudio->QueryFormat(mono) == WaveNoError) {
        chosen = "portaudio (" + (portAudio->DeviceName().empty() ? std::string("default input")
                                                                  : portAudio->DeviceName())
                 + ")";
        return portAudio;
    }
    chosen = "demo (no capture device found)";
    return MakeWaveInBackend("demo", error);
}
