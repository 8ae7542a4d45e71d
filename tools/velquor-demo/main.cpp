// velquor-demo: plays a WAVE file through the per-block chain, block by block as the acquisition
// loop would, and reports the dominant frequency and the level of each channel's trace.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "WaveReader.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/Fft.h"

namespace {

constexpr const char* Program = "velquor-demo";
constexpr double BinHz = 0.672912598;  // one slot of the 512-point trace transform
constexpr int DefaultGainPosition = 3;  // the gain dials' form default

void PrintHelp() {
    std::printf(
        "Usage: %s [--am | --fm] [--gain P] FILE\n"
        "\n"
        "Plays FILE (a 44100 Hz 16-bit PCM WAVE file, mono or stereo, as velquor-synth writes\n"
        "it; of stereo frames the right sample is used) through the block processor in blocks of\n"
        "4096 frames, then prints for each channel the dominant frequency of its 512-sample trace\n"
        "(display transform, bins of 0.6729 Hz, the two lowest slots skipped) and its level.\n"
        "Channel 1 is expected on a 19145 Hz carrier, channel 2 on 16065 Hz.\n"
        "\n"
        "Options:\n"
        "  --am         demodulate the carriers' envelopes (default)\n"
        "  --fm         demodulate the carriers' instantaneous frequency\n"
        "  --gain P     gain dial position 1 to 6 for both channels: gain 10^(P-4) (default %d)\n"
        "  --help, -h   show this help and exit\n"
        "\n"
        "Exit status: 0 on success, 2 on a bad option, 1 when the file cannot be played.\n",
        Program, DefaultGainPosition);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "%s: %s (see --help)\n", Program, message.c_str());
    return 2;
}

struct Peak {
    int slot = 0;
    double power = 0.0;
};

// Strongest slot of the trace's display transform, above the two lowest slots (DC and its
// Hamming leakage).
Peak DominantSlot(ProcessingState& state, const int32_t* trace) {
    float work[TraceLength + 1];
    float re[TraceLength / 2 + 1];
    float im[TraceLength / 2 + 1];
    PowerSpectrum(trace, 0, state.Hamming512, work, re, im, TraceLength);
    Peak best;
    for (int k = 3; k <= TraceLength / 2; ++k) {
        if (work[k] > best.power) {
            best.power = work[k];
            best.slot = k - 1;
        }
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int modulation = 1;
    int gainPosition = DefaultGainPosition;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--am") {
            modulation = 1;
        } else if (arg == "--fm") {
            modulation = 2;
        } else if (arg == "--gain" || arg.rfind("--gain=", 0) == 0) {
            std::string value;
            if (arg == "--gain") {
                if (i + 1 >= argc) return Usage("option --gain needs a value");
                value = argv[++i];
            } else {
                value = arg.substr(7);
            }
            if (value.size() != 1 || value[0] < '1' || value[0] > '6')
                return Usage("option --gain: '" + value + "' is not a dial position from 1 to 6");
            gainPosition = value[0] - '0';
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            if (!path.empty()) return Usage("more than one input file given");
            path = arg;
        }
    }
    if (path.empty()) return Usage("no input file given");

    WaveReader wave;
    if (!wave.Open(path)) {
        std::fprintf(stderr, "%s: %s\n", Program, wave.Error().c_str());
        return 1;
    }

    // The state holds the arctangent table and every buffer: too large for the stack.
    auto state = std::make_unique<ProcessingState>();
    state->ModulationType = modulation;
    StartupDesigns(*state);
    const float gain = static_cast<float>(std::pow(10.0, gainPosition - 4));
    state->Chan1DemodGain = gain;
    state->Chan2DemodGain = gain;
    state->Chan1Enabled = true;
    state->Chan2Enabled = true;
    StartRun(*state);

    const bool stereo = wave.Channels() == 2;
    const size_t blockBytes = static_cast<size_t>(BlockFrames) * wave.BlockAlign();
    auto buffer = std::make_unique<uint8_t[]>(blockBytes);
    BlockReport report;
    long blocks = 0;
    size_t leftover = 0;
    for (;;) {
        const size_t got = wave.Read(buffer.get(), blockBytes);
        if (got < blockBytes) {
            // A partial block would be padded with silence and distort the traces: leave it out.
            leftover = got / wave.BlockAlign();
            break;
        }
        UnpackBlock(*state, buffer.get(), got, stereo);
        ProcessBlock(*state, report);
        ++blocks;
    }

    const uint32_t frames = wave.DataBytes() / wave.BlockAlign();
    std::printf("%s: %s: %s, %u frames (%.2f s); %s, gain %g (dial %d); %ld blocks of %d frames",
                Program, path.c_str(), stereo ? "stereo (right sample used)" : "mono", frames,
                frames / 44100.0, modulation == 1 ? "AM" : "FM", gain, gainPosition, blocks, BlockFrames);
    if (leftover > 0) std::printf(", last %zu frames (less than a block) left out", leftover);
    std::printf("\n");
    if (wave.Unfinished()) std::printf("%s: note: the header's sizes were never filled in; played all data present\n", Program);
    if (wave.Truncated()) std::printf("%s: note: the file is shorter than its header says; played what is there\n", Program);
    constexpr long FullTraceBlocks = TraceLength / OutputPerBlock;
    if (blocks < FullTraceBlocks)
        std::printf("%s: note: only %ld blocks; the traces fill up after %ld\n", Program, blocks, FullTraceBlocks);

    struct Row {
        int number;
        float carrier;
        const int32_t* trace;
        float level;
        const ChannelIndicator& led;
    };
    const Row rows[] = {{1, state->Chan1CarrierHz, state->Chan1Trace, state->Chan1Level, report.Chan1},
                        {2, state->Chan2CarrierHz, state->Chan2Trace, state->Chan2Level, report.Chan2}};
    for (const Row& row : rows) {
        const Peak peak = DominantSlot(*state, row.trace);
        if (peak.power <= 0.0) {
            std::printf("Channel %d (carrier %.0f Hz): no signal in the trace, level %.1f\n", row.number,
                        row.carrier, row.level);
        } else {
            std::printf("Channel %d (carrier %.0f Hz): dominant frequency %.2f Hz (slot %d), level %.1f, LED %s\n",
                        row.number, row.carrier, peak.slot * BinHz, peak.slot, row.level,
                        row.led.Checked ? "lit" : "off");
        }
    }
    std::printf("Overload LED: %s\n", report.Overload ? "lit" : "off");
    return 0;
}
