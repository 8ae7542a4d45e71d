// velquor-synth: writes a calibration or demo WAVE file carrying two EEG channels on their audio
// carriers, the way the acquisition hardware delivers them.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/WaveFile.h"
#include "dsp/SignalGenerator.h"

namespace {

constexpr const char* Program = "velquor-synth";
constexpr double MaxSeconds = 3600.0;
constexpr int ChunkFrames = 4096;

void PrintHelp() {
    const SignalGeneratorSettings d;
    std::printf(
        "Usage: %s [options] --out FILE\n"
        "       %s [options] FILE\n"
        "\n"
        "Writes a 44100 Hz 16-bit PCM WAVE file carrying two EEG channels, each on its own\n"
        "audio carrier (channel 1 on --carrier1, channel 2 on --carrier2), summed in one signal.\n"
        "\n"
        "Options (a value may also be given as --option=VALUE):\n"
        "  --out FILE, -o FILE  output file (or give FILE as the only positional argument);\n"
        "                       an existing file is replaced only once the new one is complete;\n"
        "                       a symbolic link's target is written, not the link; a FIFO or a\n"
        "                       character device (/dev/null) is written in place; \"-\" writes the\n"
        "                       WAVE to standard output (the report then goes to standard error)\n"
        "  --mode am|fm         modulation: am = envelope, fm = carrier frequency (default am)\n"
        "  --am, --fm           short for --mode am, --mode fm\n"
        "  --mono               one sample per frame (default)\n"
        "  --stereo             two samples per frame: the signal on the right sample, the left\n"
        "                       sample silent (0)\n"
        "  --carrier1 HZ        channel 1 carrier, %g to %g Hz (default %g)\n"
        "  --carrier2 HZ        channel 2 carrier, %g to %g Hz (default %g)\n"
        "  --depth F            AM depth, 0 to 1: envelope = 1 + F x signal (default %g)\n"
        "  --deviation HZ       FM peak deviation, 0 to %g Hz; each carrier plus or minus the\n"
        "                       deviation must stay inside 0 to 22050 Hz (default %g)\n"
        "  --seconds S          duration, above 0 up to %g s (default 10)\n"
        "  --signal tone|eeg    modulating signal: a pure tone per channel, or an EEG-like signal\n"
        "                       (alpha rhythm near 10 Hz in bursts over 1/f background noise,\n"
        "                       a different random stream per channel) (default tone)\n"
        "  --tone1 HZ           channel 1 tone, above 0 up to %g Hz (default %g)\n"
        "  --tone2 HZ           channel 2 tone, above 0 up to %g Hz (default %g)\n"
        "  --phase1 DEG         channel 1 tone's starting phase, -360 to 360 degrees (default 0)\n"
        "  --phase2 DEG         channel 2 tone's starting phase, -360 to 360 degrees (default 0);\n"
        "                       with equal tones, --phase2 90 has channel 2 lead channel 1 by a\n"
        "                       quarter period (the Phase view's test input)\n"
        "  --seed N             seed of the EEG-like signal, 0 to 2^64-1 (default %llu); the\n"
        "                       same seed always gives the same file\n"
        "  --amplitude F        peak of both carriers' sum as a fraction of full scale, above 0\n"
        "                       up to 1 (default %g); the output never clips\n"
        "  --help, -h           show this help and exit\n"
        "\n"
        "Exit status: 0 on success, 2 on a bad option or value, 1 when the file cannot be written.\n",
        Program, Program, SignalGeneratorLimits::MinCarrierHz, SignalGeneratorLimits::MaxCarrierHz,
        d.CarrierHz[0], SignalGeneratorLimits::MinCarrierHz, SignalGeneratorLimits::MaxCarrierHz,
        d.CarrierHz[1], d.Depth, SignalGeneratorLimits::MaxDeviationHz, d.DeviationHz, MaxSeconds,
        SignalGeneratorLimits::MaxToneHz, d.ToneHz[0], SignalGeneratorLimits::MaxToneHz, d.ToneHz[1],
        static_cast<unsigned long long>(d.Seed), d.Amplitude);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "%s: %s (see --help)\n", Program, message.c_str());
    return 2;
}

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0' && std::isfinite(value);
}

bool ParseSeed(const std::string& text, uint64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return errno == 0;
}

struct Options {
    SignalGeneratorSettings settings;
    std::string out;
    double seconds = 10.0;
};

// Returns -1 to go on, otherwise the exit status.
int ParseArguments(int argc, char** argv, Options& o) {
    const std::vector<std::string> valued = {"--out", "-o", "--mode", "--carrier1", "--carrier2",
                                             "--depth", "--deviation", "--seconds", "--signal",
                                             "--tone1", "--tone2", "--phase1", "--phase2", "--seed",
                                             "--amplitude"};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasValue = true;
            }
        }
        bool needsValue = false;
        for (const auto& v : valued) needsValue = needsValue || arg == v;
        if (needsValue && !hasValue) {
            if (i + 1 >= argc) return Usage("option " + arg + " needs a value");
            value = argv[++i];
        } else if (!needsValue && hasValue) {
            return Usage("option " + arg + " takes no value");
        }

        auto number = [&](double& target, double lo, double hi, bool loOpen) -> std::string {
            double v = 0.0;
            if (!ParseNumber(value, v)) return "option " + arg + ": '" + value + "' is not a number";
            if ((loOpen ? v <= lo : v < lo) || v > hi) {
                char range[96];
                std::snprintf(range, sizeof range, "%s%g to %g", loOpen ? "above " : "", lo, hi);
                return "option " + arg + ": " + value + " is out of range (" + range + ")";
            }
            target = v;
            return {};
        };

        using L = SignalGeneratorLimits;
        auto& s = o.settings;
        std::string error;
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--out" || arg == "-o") {
            if (value.empty()) return Usage("option " + arg + " needs a file name");
            if (!o.out.empty()) return Usage("more than one output file given ('" + o.out + "' and '" + value + "')");
            o.out = value;
        } else if (arg == "--mode") {
            if (value == "am") s.Modulation = SynthModulation::Am;
            else if (value == "fm") s.Modulation = SynthModulation::Fm;
            else return Usage("option --mode: '" + value + "' is neither am nor fm");
        } else if (arg == "--am") {
            s.Modulation = SynthModulation::Am;
        } else if (arg == "--fm") {
            s.Modulation = SynthModulation::Fm;
        } else if (arg == "--mono") {
            s.Stereo = false;
        } else if (arg == "--stereo") {
            s.Stereo = true;
        } else if (arg == "--carrier1") {
            error = number(s.CarrierHz[0], L::MinCarrierHz, L::MaxCarrierHz, false);
        } else if (arg == "--carrier2") {
            error = number(s.CarrierHz[1], L::MinCarrierHz, L::MaxCarrierHz, false);
        } else if (arg == "--depth") {
            error = number(s.Depth, 0.0, 1.0, false);
        } else if (arg == "--deviation") {
            error = number(s.DeviationHz, 0.0, L::MaxDeviationHz, false);
        } else if (arg == "--seconds") {
            error = number(o.seconds, 0.0, MaxSeconds, true);
        } else if (arg == "--signal") {
            if (value == "tone") s.Signal = SynthSignal::Tone;
            else if (value == "eeg") s.Signal = SynthSignal::Eeg;
            else return Usage("option --signal: '" + value + "' is neither tone nor eeg");
        } else if (arg == "--tone1") {
            error = number(s.ToneHz[0], 0.0, L::MaxToneHz, true);
        } else if (arg == "--tone2") {
            error = number(s.ToneHz[1], 0.0, L::MaxToneHz, true);
        } else if (arg == "--phase1" || arg == "--phase2") {
            error = number(s.TonePhaseDeg[arg == "--phase1" ? 0 : 1], -L::MaxTonePhaseDeg, L::MaxTonePhaseDeg, false);
        } else if (arg == "--seed") {
            if (!ParseSeed(value, s.Seed)) return Usage("option --seed: '" + value + "' is not a whole number from 0 to 2^64-1");
        } else if (arg == "--amplitude") {
            error = number(s.Amplitude, 0.0, 1.0, true);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            if (!o.out.empty()) return Usage("more than one output file given ('" + o.out + "' and '" + arg + "')");
            o.out = arg;
        }
        if (!error.empty()) return Usage(error);
    }
    if (o.out.empty()) return Usage("no output file given");
    const std::string problem = CheckSignalSettings(o.settings);
    if (!problem.empty()) return Usage(problem);
    return -1;
}

enum class DestinationKind {
    Stdout,     // "-"
    Replace,    // a regular file or a new name: side file, then rename over it
    InPlace,    // a FIFO or a character device: written directly, never replaced
    Refused
};

struct Destination {
    DestinationKind Kind = DestinationKind::Refused;
    std::string Path;   // the file to write: a symbolic link's target, not the link
};

// Where `out` leads. A symbolic link is followed, so the link stays and its target is
// written; a dangling link names the file to create.
Destination ChooseDestination(const std::string& out, std::string& error) {
    Destination to;
    if (out == "-") {
        if (::isatty(STDOUT_FILENO)) {
            error = "standard output is a terminal; redirect it to a file or a pipe";
            return to;
        }
        to.Kind = DestinationKind::Stdout;
        return to;
    }
    to.Path = out;
    struct stat link{};
    if (::lstat(out.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(out.c_str(), resolved)) {
            to.Path = resolved;
        } else {
            std::vector<char> target(PATH_MAX + 1, '\0');
            const ssize_t n = ::readlink(out.c_str(), target.data(), PATH_MAX);
            if (n <= 0) {
                error = std::strerror(errno);
                return to;
            }
            to.Path.assign(target.data(), static_cast<size_t>(n));
            const size_t slash = out.rfind('/');
            if (to.Path[0] != '/' && slash != std::string::npos) to.Path = out.substr(0, slash + 1) + to.Path;
        }
    }
    struct stat st{};
    if (::stat(to.Path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            error = std::strerror(errno);
            return to;
        }
        to.Kind = DestinationKind::Replace;   // a new file
    } else if (S_ISREG(st.st_mode)) {
        to.Kind = DestinationKind::Replace;
    } else if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
        to.Kind = DestinationKind::InPlace;
    } else {
        error = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file, FIFO or character device";
    }
    return to;
}

// Writes the 44-byte header with its final sizes, then the samples, without seeking, so a
// pipe or FIFO takes it as well as a file. Returns 0, or the error code of a failed write.
int WriteWave(std::FILE* out, const WaveFileFormat& format, uint32_t dataBytes, SignalGenerator& generator,
              long long totalFrames) {
    uint8_t header[WaveWriter::HeaderBytes];
    BuildWaveHeader(header, format, dataBytes);
    errno = 0;
    if (std::fwrite(header, 1, sizeof header, out) != sizeof header) return errno ? errno : EIO;
    std::vector<int16_t> chunk(static_cast<size_t>(ChunkFrames) * generator.Channels());
    std::vector<uint8_t> bytes(chunk.size() * 2);
    for (long long done = 0; done < totalFrames;) {
        const int n = static_cast<int>(std::min<long long>(ChunkFrames, totalFrames - done));
        generator.Generate(chunk.data(), n);
        const size_t count = static_cast<size_t>(n) * generator.Channels();
        for (size_t i = 0; i < count; ++i) {  // little-endian whatever the host
            const auto v = static_cast<uint16_t>(chunk[i]);
            bytes[2 * i] = static_cast<uint8_t>(v);
            bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
        if (std::fwrite(bytes.data(), 1, 2 * count, out) != 2 * count) return errno ? errno : EIO;
        done += n;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    const int parsed = ParseArguments(argc, argv, o);
    if (parsed >= 0) return parsed;

    const long long totalFrames = std::llround(o.seconds * SignalGeneratorLimits::SampleRate);
    if (totalFrames < 1) return Usage("option --seconds: too short for a single frame");

    SignalGenerator generator(o.settings);
    WaveFileFormat format;
    format.Channels = static_cast<uint16_t>(generator.Channels());
    format.SampleRate = static_cast<uint32_t>(SignalGeneratorLimits::SampleRate);
    format.BlockAlign = static_cast<uint16_t>(2 * format.Channels);
    format.ByteRate = format.SampleRate * format.BlockAlign;
    const uint64_t dataBytes = static_cast<uint64_t>(totalFrames) * format.BlockAlign;
    if (dataBytes > static_cast<uint64_t>(WaveWriter::MaxDataBytes)) return Usage("option --seconds: too long for one WAVE file");

    // A reader that goes away (a closed pipe or FIFO) is a write error, not a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const Destination to = ChooseDestination(o.out, error);
    if (to.Kind == DestinationKind::Refused) {
        std::fprintf(stderr, "%s: cannot write '%s': %s\n", Program, o.out.c_str(), error.c_str());
        return 1;
    }
    auto fail = [&](const char* what, const std::string& path, int code) {
        std::fprintf(stderr, "%s: %s '%s': %s\n", Program, what, path.c_str(), std::strerror(code));
        return 1;
    };

    std::FILE* out = nullptr;
    std::string part;   // the side file of a replace
    if (to.Kind == DestinationKind::Stdout) {
        out = stdout;
    } else if (to.Kind == DestinationKind::InPlace) {
        errno = 0;
        out = std::fopen(to.Path.c_str(), "wb");
        if (!out) return fail("cannot open", to.Path, errno);
    } else {
        // The samples go to a side file that replaces the target only once it is complete,
        // so a failed run never leaves a truncated file behind or destroys an existing one.
        part = to.Path + ".part";
        errno = 0;
        out = std::fopen(part.c_str(), "wb");
        if (!out) return fail("cannot create", part, errno);
    }
    const int written = WriteWave(out, format, static_cast<uint32_t>(dataBytes), generator, totalFrames);
    int closed = 0;
    if (out == stdout) {
        if (std::fflush(stdout) != 0) closed = errno ? errno : EIO;
    } else if (std::fclose(out) != 0) {
        closed = errno ? errno : EIO;
    }
    const int problem = written ? written : closed;
    if (problem) {
        if (!part.empty()) std::remove(part.c_str());
        const std::string shown = !part.empty() ? part : to.Kind == DestinationKind::Stdout ? "standard output" : to.Path;
        return fail("cannot write", shown, problem);
    }
    if (!part.empty() && std::rename(part.c_str(), to.Path.c_str()) != 0) {
        const int code = errno;
        std::remove(part.c_str());
        return fail("cannot move the finished file to", to.Path, code);
    }

    // The report goes where the WAVE does not.
    std::FILE* report = to.Kind == DestinationKind::Stdout ? stderr : stdout;
    const auto& s = generator.Settings();
    const bool am = s.Modulation == SynthModulation::Am;
    std::fprintf(report, "%s: wrote %s: %lld frames (%.3f s), %s, %s", Program,
                 to.Kind == DestinationKind::Stdout ? "standard output" : o.out.c_str(), totalFrames,
                 static_cast<double>(totalFrames) / SignalGeneratorLimits::SampleRate,
                 s.Stereo ? "stereo (signal on the right sample)" : "mono", am ? "AM" : "FM");
    if (am) std::fprintf(report, " depth %g", s.Depth);
    else std::fprintf(report, " deviation %g Hz", s.DeviationHz);
    if (s.Signal == SynthSignal::Tone) {
        std::fprintf(report, ", channel 1: %g Hz tone on %g Hz, channel 2: %g Hz tone on %g Hz", s.ToneHz[0],
                     s.CarrierHz[0], s.ToneHz[1], s.CarrierHz[1]);
        if (s.TonePhaseDeg[0] != 0.0 || s.TonePhaseDeg[1] != 0.0)
            std::fprintf(report, ", tone phases %g and %g degrees", s.TonePhaseDeg[0], s.TonePhaseDeg[1]);
        std::fprintf(report, "\n");
    } else {
        std::fprintf(report, ", EEG-like signal seed %llu, carriers %g Hz and %g Hz\n",
                     static_cast<unsigned long long>(s.Seed), s.CarrierHz[0], s.CarrierHz[1]);
    }
    return 0;
}
