// velquor-trace: plays a WAVE file through the acquisition loop, exactly as the program's
// PLAY does (Open Wave's checks, one block per pass, the whole processing chain), on a
// file-paced input device so it runs as fast as the machine allows, and writes the two
// channel traces as CSV and/or as an EDF+ recording.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/AcquisitionLoop.h"
#include "acquisition/CalibrationFile.h"
#include "acquisition/EdfRecorder.h"
#include "acquisition/Recorder.h"
#include "acquisition/WaveInFactory.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/Fft.h"
#include "dsp/Iir.h"

namespace {

constexpr const char* Program = "velquor-trace";
constexpr double OutputRate = 44100.0 / 128.0;   // 344.53125 trace samples per second
constexpr double BinHz = 0.672912598;            // one slot of the 512-point trace transform
constexpr int DefaultGainPosition = 3;           // the gain dials' default value
// The edges the post-filter designs can honour: cutoffs inside MinCutoff..MaxCutoff of the
// output rate (1.72..170.54 Hz), named rounded inwards.
constexpr double FilterMinHz = 1.72;
constexpr double FilterMaxHz = 170.5;
static_assert(FilterMinHz >= MinCutoff * OutputRate - 0.01 && FilterMaxHz <= MaxCutoff * OutputRate);
static_assert(CalibrationMinHz == 0.5 && CalibrationMaxHz == 150.0, "the messages name 0.5 to 150 Hz");

void PrintHelp()
{
    std::printf(
        "Usage: %s FILE.wav [--csv OUT.csv | --csv -] [--edf OUT.edf] [options]\n"
        "\n"
        "Plays FILE.wav through Velquor's acquisition loop as the recorder's PLAY does, on an\n"
        "input device that delivers blocks as fast as the loop takes them, and writes the two\n"
        "channel traces: 32 samples per channel for each block of 4096 frames, 344.53125 rows\n"
        "per second of sound; a last block the file fills only in part gives the samples its\n"
        "data covers (one per 128 frames, rounded up). The file must match the capture format:\n"
        "44100 Hz, 16-bit PCM, mono (--mic) or stereo (--line, the right sample is used).\n"
        "\n"
        "Output (--csv): a header line \"time_s,channel1,channel2\", then one row per trace\n"
        "sample: time in seconds from the start of the file (row / 344.53125), then the\n"
        "channel 1 and channel 2 trace values (integers, as the time pane draws them); a\n"
        "channel calibrated by --calibration FILE is a column \"channelN_uV\" in microvolts.\n"
        "\n"
        "Output (--edf): an EDF+ file of the same traces: signals \"EEG Ch1\" and \"EEG Ch2\",\n"
        "441 samples per 1.28 s data record (344.53125 Hz), annotations for the settings; the\n"
        "range of each signal is the chain's maximum at its gain (AM: 32768 x 50 x gain, FM:\n"
        "250 x 22050 x gain) in 16-bit steps; a calibrated channel is in microvolts (dimension\n"
        "uV), its range 400 %% modulation depth (AM) or 22050 Hz of deviation (FM) in\n"
        "microvolts. Samples beyond it are clipped; the count is printed on standard error.\n"
        "\n"
        "Options (a value may also be given as --option=VALUE):\n"
        "  --csv OUT        write the CSV to OUT; \"-\" writes it to standard output\n"
        "  --edf OUT        write the traces as an EDF+ file to OUT\n"
        "  --summary        print for each channel, from its last 512 trace samples (the last\n"
        "                   whole block of file data, after the post filter): the dominant\n"
        "                   frequency (display transform, bins of 0.6729 Hz, the two lowest\n"
        "                   slots skipped), the RMS and the peak; and the indicator level (the\n"
        "                   smoothed |x| before the post filter that the status LEDs read).\n"
        "                   On standard error when --csv -\n"
        "  --am             demodulate the carriers' envelopes (default)\n"
        "  --fm             demodulate the carriers' instantaneous frequency\n"
        "  --carrier1 HZ    channel 1 carrier, 1000 to 20000 Hz (default 19145); its band is\n"
        "                   designed as every design in the program does it: the carrier\n"
        "                   -%.0f Hz to +%.0f Hz\n"
        "  --carrier2 HZ    channel 2 carrier, 1000 to 20000 Hz (default 16065)\n"
        "  --gain1 P        channel 1 gain dial position 1 to 6: gain 10^(P-4) (default %d)\n"
        "  --gain2 P        channel 2 gain dial position (default %d)\n"
        "  --gain P         both gain dials\n"
        "  --filter LOW:HIGH  post filter: the marker band-pass from LOW to HIGH Hz, both\n"
        "                   within 1.72 to 170.5 Hz; without it the smoothing low-pass runs\n"
        "  --calibration FILE  read the channels' calibrations from FILE: a channel with one\n"
        "                   for the modulation and carrier in force is written in microvolts\n"
        "                   (CSV column channelN_uV, EDF+ dimension uV); one without stays in\n"
        "                   trace units, as both do without this option (standard error says\n"
        "                   which and why)\n"
        "  --calibrate UVPP@HZ  FILE.wav records a known signal of UVPP microvolts peak to\n"
        "                   peak at HZ Hz (0.5 to 150) fed to the channels' inputs: measures\n"
        "                   each channel's response (after the first second) and stores it in\n"
        "                   the --calibration FILE, by default $XDG_CONFIG_HOME/velquor/\n"
        "                   calibration.ini (~/.config/velquor/calibration.ini). A recording\n"
        "                   without a clear tone at HZ, clipped, without a carrier or shorter\n"
        "                   than about 4 s is refused with the reason, and nothing is written\n"
        "  --channel N      with --calibrate: calibrate channel N only (default both)\n"
        "  --mic            Microphone input: mono files (default)\n"
        "  --line           Line input: stereo files\n"
        "  --help, -h       show this help and exit\n"
        "\n"
        "The input must be a regular file (not a pipe, FIFO or device). Messages of the file\n"
        "checks (\"Not a RIFF file\", \"Wave parameters not compatible\", ...) are printed on\n"
        "standard error as \"FILE: Caption: Text (context)\"; a data chunk shorter than its\n"
        "header says is played as far as it goes, with a warning.\n"
        "Exit status: 0 on success, 1 when the file is refused, holds no sample data, output\n"
        "cannot be written, the calibration file cannot be read (or, with --calibration\n"
        "FILE alone, does not exist) or a calibration is refused, 2 on a bad option.\n",
        Program, CarrierHalfBandHz, CarrierHalfBandHz, DefaultGainPosition, DefaultGainPosition);
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see --help)\n", Program, message.c_str());
    return 2;
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

bool ParseGain(const std::string& text, int& position)
{
    if (text.size() != 1 || text[0] < '1' || text[0] > '6') return false;
    position = text[0] - '0';
    return true;
}

// Answers Open Wave with the file named on the command line; Save Wave is never used.
class CommandLineDialogs : public FileDialogs {
public:
    explicit CommandLineDialogs(std::string path) : path_(std::move(path)) {}
    bool OpenWave(std::string& name) override
    {
        name = path_;
        return true;
    }
    bool SaveWave(std::string&) override { return false; }

private:
    std::string path_;
};

struct Options {
    std::string path;
    std::string csv;
    std::string edf;
    bool summary = false;
    int modulation = 1;
    double carrier[2] = {19145.0, 16065.0};
    int gain[2] = {DefaultGainPosition, DefaultGainPosition};
    bool filter = false;
    double filterLow = 0.0;
    double filterHigh = 0.0;
    bool line = false;
    std::string calibration;         // --calibration FILE
    bool calibrate = false;          // --calibrate UVPP@HZ
    double calibrateUvPp = 0.0;
    double calibrateHz = 0.0;
    int calibrateChannel = 0;        // --channel N; 0 both
};

// 0 when parsed, 1 after --help, otherwise the exit status of a usage error.
int ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        const bool valued = arg == "--csv" || arg == "--edf" || arg == "--carrier1" || arg == "--carrier2" || arg == "--gain1" ||
                            arg == "--gain2" || arg == "--gain" || arg == "--filter" || arg == "--calibration" ||
                            arg == "--calibrate" || arg == "--channel";
        if (valued && !inlineValue) {
            if (i + 1 >= argc) return Usage("option " + arg + " needs a value");
            value = argv[++i];
        } else if (!valued && inlineValue) {
            return Usage("option " + arg + " takes no value");
        }
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 1;
        } else if (arg == "--csv") {
            if (value.empty()) return Usage("option --csv needs a file name or -");
            o.csv = value;
        } else if (arg == "--edf") {
            if (value.empty()) return Usage("option --edf needs a file name");
            o.edf = value;
        } else if (arg == "--summary") {
            o.summary = true;
        } else if (arg == "--am") {
            o.modulation = 1;
        } else if (arg == "--fm") {
            o.modulation = 2;
        } else if (arg == "--carrier1" || arg == "--carrier2") {
            double hz = 0.0;
            if (!ParseNumber(value, hz) || hz < 1000.0 || hz > 20000.0)
                return Usage("option " + arg + ": '" + value + "' is not a carrier from 1000 to 20000 Hz");
            o.carrier[arg == "--carrier1" ? 0 : 1] = hz;
        } else if (arg == "--gain1" || arg == "--gain2" || arg == "--gain") {
            int p = 0;
            if (!ParseGain(value, p)) return Usage("option " + arg + ": '" + value + "' is not a dial position from 1 to 6");
            if (arg != "--gain2") o.gain[0] = p;
            if (arg != "--gain1") o.gain[1] = p;
        } else if (arg == "--filter") {
            const size_t colon = value.find(':');
            double low = 0.0, high = 0.0;
            if (colon == std::string::npos || !ParseNumber(value.substr(0, colon), low) ||
                !ParseNumber(value.substr(colon + 1), high) || !(high > low))
                return Usage("option --filter: '" + value + "' is not LOW:HIGH with LOW below HIGH");
            // Beyond these the designs would move the edges without a word.
            if (low < FilterMinHz || high > FilterMaxHz)
                return Usage("option --filter: '" + value + "' lies outside 1.72 to 170.5 Hz, the band edges the " +
                             "post filter can honour at 344.53 Hz");
            o.filter = true;
            o.filterLow = low;
            o.filterHigh = high;
        } else if (arg == "--calibration") {
            if (value.empty()) return Usage("option --calibration needs a file name");
            o.calibration = value;
        } else if (arg == "--calibrate") {
            const size_t at = value.find('@');
            double uvpp = 0.0, hz = 0.0;
            if (at == std::string::npos || !ParseNumber(value.substr(0, at), uvpp) ||
                !ParseNumber(value.substr(at + 1), hz) || !(uvpp > 0.0))
                return Usage("option --calibrate: '" + value + "' is not UVPP@HZ, e.g. 100@10 for 100 uV peak to peak at 10 Hz");
            if (hz < CalibrationMinHz || hz > CalibrationMaxHz)
                return Usage("option --calibrate: " + value.substr(at + 1) + " Hz lies outside 0.5 to 150 Hz, where the "
                             "traces show a calibration signal");
            o.calibrate = true;
            o.calibrateUvPp = uvpp;
            o.calibrateHz = hz;
        } else if (arg == "--channel") {
            if (value != "1" && value != "2") return Usage("option --channel: '" + value + "' is not 1 or 2");
            o.calibrateChannel = value[0] - '0';
        } else if (arg == "--mic") {
            o.line = false;
        } else if (arg == "--line") {
            o.line = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            if (!o.path.empty()) return Usage("more than one input file given");
            o.path = arg;
        }
    }
    if (o.path.empty()) return Usage("no input file given");
    if (o.csv.empty() && o.edf.empty() && !o.summary && !o.calibrate)
        return Usage("nothing to do: give --csv OUT, --edf OUT, --summary and/or --calibrate UVPP@HZ");
    if (o.calibrateChannel != 0 && !o.calibrate) return Usage("option --channel belongs to --calibrate");
    return 0;
}

void ApplyOptions(const Options& o, ProcessingState& ps)
{
    ps.ModulationType = o.modulation;
    ps.Chan1CarrierHz = static_cast<float>(o.carrier[0]);
    ps.Chan2CarrierHz = static_cast<float>(o.carrier[1]);
    StartupDesigns(ps);
    ps.Chan1DemodGain = static_cast<float>(std::pow(10.0, o.gain[0] - 4));
    ps.Chan2DemodGain = static_cast<float>(std::pow(10.0, o.gain[1] - 4));
    ps.Chan1Enabled = true;
    ps.Chan2Enabled = true;
    if (o.filter) {
        // The marker band-pass: low-pass at the upper edge, high-pass at the lower edge,
        // designed at the output rate as the filter markers do.
        CalcIir(ps.MarkerLowPass, 0.5f, static_cast<float>(o.filterHigh / OutputRate), 4, 0, 1);
        CalcIir(ps.MarkerHighPass, 0.5f, static_cast<float>(o.filterLow / OutputRate), 4, 1, 1);
        ps.FilterEnabled = true;
        ps.FilterBypass = false;
    }
}

// Traces and levels as they stood after the last block that was all file data: a final
// partial block ends in silence, and the step would dominate both.
struct SummarySnapshot {
    bool Taken = false;
    int32_t Traces[2][TraceLength] = {};
    float Levels[2] = {};

    void Take(const ProcessingState& ps)
    {
        std::copy(ps.Chan1Trace, ps.Chan1Trace + TraceLength, Traces[0]);
        std::copy(ps.Chan2Trace, ps.Chan2Trace + TraceLength, Traces[1]);
        Levels[0] = ps.Chan1Level;
        Levels[1] = ps.Chan2Level;
        Taken = true;
    }
};

// False when the summary could not be written.
bool PrintSummary(std::FILE* out, const ProcessingState& ps, SummarySnapshot& snapshot, long rows)
{
    std::fprintf(out, "%s: %ld rows (%.2f s of traces)\n", Program, rows, rows / OutputRate);
    std::fprintf(out, "%s: RMS and peak of the last %d trace samples (after the post filter); indicator level: "
                      "the smoothed |x| before the post filter that the status LEDs read\n",
                 Program, TraceLength);
    if (!snapshot.Taken) snapshot.Take(ps);
    const float carriers[2] = {ps.Chan1CarrierHz, ps.Chan2CarrierHz};
    for (int ch = 0; ch < 2; ++ch) {
        const int32_t* trace = snapshot.Traces[ch];
        float work[TraceLength + 1];
        float re[TraceLength / 2 + 1];
        float im[TraceLength / 2 + 1];
        PowerSpectrum(trace, 0, ps.Hamming512, work, re, im, TraceLength);
        int slot = 0;
        double power = 0.0;
        for (int k = 3; k <= TraceLength / 2; ++k) {
            if (work[k] > power) {
                power = work[k];
                slot = k - 1;
            }
        }
        double squares = 0.0;
        int64_t peak = 0;
        for (int i = 0; i < TraceLength; ++i) {
            squares += static_cast<double>(trace[i]) * trace[i];
            peak = std::max<int64_t>(peak, std::llabs(static_cast<long long>(trace[i])));
        }
        const double rms = std::sqrt(squares / TraceLength);
        std::fprintf(out, "Channel %d (carrier %.0f Hz): ", ch + 1, carriers[ch]);
        if (power <= 0.0)
            std::fprintf(out, "no signal");
        else
            std::fprintf(out, "dominant frequency %.2f Hz", slot * BinHz);
        std::fprintf(out, ", RMS %.1f, peak %lld, indicator level %.1f\n", rms, static_cast<long long>(peak),
                     snapshot.Levels[ch]);
    }
    if (rows < TraceLength) std::fprintf(out, "%s: note: shorter than one full trace (512 rows)\n", Program);
    return std::fflush(out) == 0 && !std::ferror(out);
}

// A frequency as the messages show it: whole hertz unless it has a fraction.
std::string HzText(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, hz == std::round(hz) ? "%.0f" : "%.2f", hz);
    return text;
}

// The stored calibrations that apply to the channels as the options set them.
EdfCalibrations FindCalibrations(const Options& o, const CalibrationFile& file, const ProcessingState& ps)
{
    EdfCalibrations found;
    if (o.calibration.empty()) return found;
    for (int c = 0; c < 2; ++c)
        if (const ChannelCalibration* cal = file.Find(c + 1, ps.ModulationType, c == 0 ? ps.Chan1CarrierHz : ps.Chan2CarrierHz))
            found.Channel[c] = *cal;
    return found;
}

// On standard error: which channels are in microvolts, and why the others are not.
void ReportCalibrations(const Options& o, const CalibrationFile& file, const EdfCalibrations& found,
                        const ProcessingState& ps)
{
    if (o.calibration.empty()) {
        std::fprintf(stderr, "%s: uncalibrated: both channels in trace units (--calibration FILE gives microvolts)\n",
                     Program);
        return;
    }
    for (int c = 0; c < 2; ++c) {
        const double carrier = c == 0 ? ps.Chan1CarrierHz : ps.Chan2CarrierHz;
        if (const std::optional<ChannelCalibration>& cal = found.Channel[c]) {
            std::fprintf(stderr, "%s: channel %d in microvolts: calibrated with %g uV p-p at %g Hz (%.6g %s)\n", Program,
                         c + 1, cal->DeclaredMicrovoltsPp, cal->DeclaredHz, cal->MicrovoltsPerUnit,
                         ReferenceUnitText(cal->ModulationType));
            continue;
        }
        std::string others;
        for (const ChannelCalibration& e : file.Entries())
            if (e.Channel == c + 1) others += std::string(others.empty() ? "" : ", ") + ModulationName(e.ModulationType) +
                                              " at " + HzText(e.CarrierHz) + " Hz";
        std::fprintf(stderr, "%s: channel %d uncalibrated, in trace units: %s holds no calibration for %s at %s Hz%s%s%s\n",
                     Program, c + 1, o.calibration.c_str(), ModulationName(ps.ModulationType), HzText(carrier).c_str(),
                     others.empty() ? "" : " (only for ", others.c_str(), others.empty() ? "" : ")");
    }
}

// After a --calibrate run: every measured channel's result; the file is written only when all
// of them succeeded. False when one was refused or the file could not be written.
bool FinishCalibration(const std::vector<CalibrationMeter>& meters, CalibrationFile& file, const std::string& path)
{
    bool ok = true;
    for (const CalibrationMeter& meter : meters) {
        const CalibrationResult r = meter.Result();
        if (!r.Ok) {
            std::fprintf(stderr, "%s: calibration refused: %s\n", Program, r.Reason.c_str());
            ok = false;
            continue;
        }
        const ChannelCalibration& c = r.Calibration;
        std::fprintf(stderr,
                     "%s: channel %d, %s at %s Hz: %g uV p-p at %g Hz read %.5g p-p (%s over %d blocks, the tone %.1f %% "
                     "of the power): %.6g %s\n",
                     Program, c.Channel, ModulationName(c.ModulationType), HzText(c.CarrierHz).c_str(),
                     c.DeclaredMicrovoltsPp, c.DeclaredHz, r.MeasuredPp,
                     c.ModulationType == 2 ? "Hz of deviation" : "modulation depth", r.Blocks, 100.0 * r.ToneShare,
                     c.MicrovoltsPerUnit, ReferenceUnitText(c.ModulationType));
        file.Store(c);
    }
    if (!ok) {
        std::fprintf(stderr, "%s: nothing written to %s\n", Program, path.c_str());
        return false;
    }
    std::string error;
    if (!file.Save(path, error)) {
        std::fprintf(stderr, "%s: could not write the calibration: %s\n", Program, error.c_str());
        return false;
    }
    std::fprintf(stderr, "%s: calibration written to %s\n", Program, path.c_str());
    return true;
}

// The refusal of Open Wave with its context: the file, the system's reason or what was
// found against what is needed, and a hint where an option would help.
void PrintRefusal(const Options& o, const HeadlessHost& host, const Recorder& recorder)
{
    const WaveMessage& refusal = recorder.LastRefusal();
    for (const HostMessage& m : host.Messages) {
        std::string context = m.Text == refusal.Text ? refusal.Detail : std::string();
        if (m.Text == "Wave parameters not compatible" && recorder.Input().Format().Channels == 2 && !o.line)
            context += "; stereo file: use --line";
        else if (m.Text == "Wave parameters not compatible" && recorder.Input().Format().Channels == 1 && o.line)
            context += "; mono file: leave out --line";
        std::fprintf(stderr, "%s: %s: %s: %s%s%s%s\n", Program, o.path.c_str(), m.Caption.c_str(), m.Text.c_str(),
                     context.empty() ? "" : " (", context.c_str(), context.empty() ? "" : ")");
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    const int parsed = ParseOptions(argc, argv, o);
    if (parsed == 1) return 0;
    if (parsed != 0) return parsed;

    // Both states are large (capture buffers, arctangent table): on the heap.
    auto state = std::make_unique<AcquisitionState>();
    auto processing = std::make_unique<ProcessingState>();
    state->ApplyingSettings = false;
    state->SetInputStereo(o.line);
    ApplyOptions(o, *processing);

    HeadlessHost host;
    CommandLineDialogs dialogs(o.path);
    Recorder recorder(*state, host, dialogs);
    recorder.OpenWave1Click();
    if (!state->InputFileSet) {
        PrintRefusal(o, host, recorder);
        return 1;
    }
    host.EchoMessages = stderr;   // anything later (device messages) as it comes
    const int64_t held = recorder.Input().DataBytes();
    const int64_t declared = recorder.Input().DeclaredDataBytes();
    if (held < declared)
        std::fprintf(stderr, "%s: warning: %s: the data chunk declares %lld bytes but the file holds %lld; "
                             "playing what is there\n",
                     Program, o.path.c_str(), static_cast<long long>(declared), static_cast<long long>(held));
    if (held < state->BlockAlign) {
        std::fprintf(stderr, "%s: %s: no sample data (the data chunk %s)\n", Program, o.path.c_str(),
                     declared == 0 ? "is empty" : "holds no whole frame");
        return 1;
    }

    // The calibration file: read before anything is written, so a file that cannot be read is
    // neither overwritten nor silently ignored.
    CalibrationFile calibrationFile;
    const std::string calibrationPath =
        !o.calibration.empty() ? o.calibration : o.calibrate ? DefaultCalibrationPath() : std::string();
    if (!calibrationPath.empty()) {
        std::string reason;
        // A file named to be read must be there: a mistyped name would pass as "no calibration".
        std::error_code ec;
        if (!o.calibrate && !std::filesystem::exists(calibrationPath, ec)) {
            std::fprintf(stderr, "%s: cannot read the calibration file %s: %s\n", Program, calibrationPath.c_str(),
                         ec ? ec.message().c_str() : "No such file or directory");
            return 1;
        }
        if (!calibrationFile.Load(calibrationPath, reason)) {
            std::fprintf(stderr, "%s: cannot read the calibration file %s: %s\n", Program, calibrationPath.c_str(),
                         reason.c_str());
            return 1;
        }
        for (const std::string& problem : calibrationFile.Problems())
            std::fprintf(stderr, "%s: warning: %s: %s (ignored)\n", Program, calibrationPath.c_str(), problem.c_str());
    }
    const EdfCalibrations calibrations = o.calibrate ? EdfCalibrations{} : FindCalibrations(o, calibrationFile, *processing);
    if (!o.calibrate && (!o.csv.empty() || !o.edf.empty()))
        ReportCalibrations(o, calibrationFile, calibrations, *processing);

    std::FILE* csv = nullptr;
    const bool toStdout = o.csv == "-";
    if (!o.csv.empty()) {
        csv = toStdout ? stdout : std::fopen(o.csv.c_str(), "w");
        if (!csv) {
            std::fprintf(stderr, "%s: cannot write %s\n", Program, o.csv.c_str());
            return 1;
        }
        std::fprintf(csv, "time_s,channel1%s,channel2%s\n", calibrations.Channel[0] ? "_uV" : "",
                     calibrations.Channel[1] ? "_uV" : "");
    }

    EdfSession edf;
    if (!o.edf.empty()) {
        std::string reason;
        if (!edf.Start(o.edf, *processing, reason, calibrations)) {
            std::fprintf(stderr, "%s: cannot write %s: %s\n", Program, o.edf.c_str(), reason.c_str());
            return 1;
        }
    }

    std::string error;
    std::unique_ptr<WaveInBackend> backend = MakeWaveInBackend("silence", error);
    if (!backend) {
        std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
        return 1;
    }
    AcquisitionLoop loop(*state, *processing, host, *backend, &recorder);
    ConnectTimers(host, loop);

    std::vector<CalibrationMeter> meters;
    if (o.calibrate)
        for (int channel = 1; channel <= 2; ++channel)
            if (o.calibrateChannel == 0 || o.calibrateChannel == channel)
                meters.emplace_back(channel, o.calibrateUvPp, o.calibrateHz);

    long rows = 0;
    int64_t unavailable[2] = {0, 0};   // calibrated samples without a carrier to scale by
    auto snapshot = std::make_unique<SummarySnapshot>();
    host.OnBlock = [&](const BlockReport&) {
        // Only blocks that carried file data become rows; the first one without ends the run.
        const size_t played = recorder.LastPlayBytes();
        if (played == 0) {
            state->AcquisitionIdle = true;   // the loop ends at its next check
            return;
        }
        if (played == static_cast<size_t>(state->BufferBytes)) snapshot->Take(*processing);
        // The samples whose time the data covers: the rest reflect the padding of the block.
        const int count = CoveredOutputSamples(static_cast<int>(played / state->BlockAlign));
        for (CalibrationMeter& meter : meters) meter.AddBlock(*processing, static_cast<int>(played / state->BlockAlign));
        if (csv) {
            const int first = TraceLength - OutputPerBlock;
            const int32_t* traces[2] = {processing->Chan1Trace, processing->Chan2Trace};
            double scale[2] = {0.0, 0.0};
            for (int c = 0; c < 2; ++c)
                if (calibrations.Channel[c]) {
                    scale[c] = MicrovoltsPerTraceUnit(*calibrations.Channel[c], *processing, c + 1);
                    if (scale[c] <= 0.0) unavailable[c] += count;
                }
            for (int i = first; i < first + count; ++i, ++rows) {
                std::fprintf(csv, "%.6f", rows / OutputRate);
                for (int c = 0; c < 2; ++c) {
                    if (!calibrations.Channel[c]) std::fprintf(csv, ",%d", traces[c][i]);
                    else if (scale[c] > 0.0) std::fprintf(csv, ",%.3f", traces[c][i] * scale[c]);
                    else std::fprintf(csv, ",nan");
                }
                std::fputc('\n', csv);
            }
            if (std::ferror(csv)) state->AcquisitionIdle = true;   // the output is lost: stop here
        } else {
            rows += count;
        }
        if (edf.Active() && !edf.Block(*processing, std::nullopt, count)) state->AcquisitionIdle = true;
    };
    recorder.PlayBtnClick();
    loop.StartBtnClick();
    loop.StopBtnClick();
    recorder.StopWvBtnClick();

    int status = 0;
    if (csv) {
        const bool failed = std::ferror(csv) != 0;
        const bool closed = toStdout ? std::fflush(stdout) == 0 : std::fclose(csv) == 0;
        if (failed || !closed) {
            std::fprintf(stderr, "%s: could not write %s\n", Program, toStdout ? "the CSV to standard output" : o.csv.c_str());
            status = 1;
        }
    }
    if (edf.Active() || edf.Recorder().Failed()) {
        const bool written = edf.Stop();
        const EdfRecorder& r = edf.Recorder();
        if (!written) {
            std::fprintf(stderr, "%s: could not write %s: %s\n", Program, o.edf.c_str(), r.Error().c_str());
            status = 1;
        } else {
            std::fprintf(stderr,
                         "%s: EDF+: %lld records (%.2f s) in %s; range Ch1 +-%.0f, Ch2 +-%.0f (steps of %.4g and "
                         "%.4g); %lld samples clipped (Ch1 %lld, Ch2 %lld)\n",
                         Program, static_cast<long long>(r.Records()), r.Records() * EdfRecordSeconds, o.edf.c_str(),
                         r.PhysicalMax(1), r.PhysicalMax(2), r.Quantisation(1), r.Quantisation(2),
                         static_cast<long long>(r.ClippedTotal()), static_cast<long long>(r.Clipped(1)),
                         static_cast<long long>(r.Clipped(2)));
        }
    }
    for (int c = 0; c < 2; ++c)
        if (unavailable[c] > 0)
            std::fprintf(stderr, "%s: channel %d: %lld samples without a carrier to scale by were written as nan\n",
                         Program, c + 1, static_cast<long long>(unavailable[c]));
    if (o.calibrate && !FinishCalibration(meters, calibrationFile, calibrationPath)) status = 1;
    if (loop.TerminationRequested()) status = 1;
    if (o.summary && !PrintSummary(toStdout ? stderr : stdout, *processing, *snapshot, rows)) {
        std::fprintf(stderr, "%s: could not write the summary\n", Program);
        status = 1;
    }
    return status;
}
