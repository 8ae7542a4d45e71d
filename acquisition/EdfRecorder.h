#pragma once
// EDF+ recording of the two demodulated EEG channels. EdfRecorder writes the file: two
// 16-bit signals of 441 samples per 1.28 s data record (exactly 344.53125 Hz) and an
// "EDF Annotations" signal carrying the time-keeping and event TALs. Every record goes to
// the file as soon as it is full, with its annotations, and the header's record count is
// rewritten right after it: a process killed at any moment leaves a file that EDF readers
// open with every complete record and every annotation written so far.
//
// EdfSession ties a recorder to the processing chain: it describes the recording from the
// state in force (labels, transducer, pre-filtering, physical range), feeds the 32 new
// trace samples of each processed block and annotates the changes that alter the meaning
// of the data (modulation type, carriers, gains, post filter) at the first sample they
// affect. Callers add what only they see (Hold, recorder pauses) through Annotate.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>

#include "acquisition/RegularFile.h"
#include "dsp/Calibration.h"
#include "dsp/ProcessingState.h"

constexpr int EdfSamplesPerRecord = 441;               // per signal and data record
constexpr double EdfRecordSeconds = 1.28;              // 441 / 344.53125
constexpr double EdfSampleRate = 344.53125;            // 44100 / 128
constexpr int EdfDigitalMax = 32767;                   // symmetric digital range: 0 stays 0
// TAL space per record (512 "samples"): room for about 18 events, more than the 13.8 blocks of
// a record, so even a change on every block (a dragged filter marker) builds no backlog.
constexpr int EdfAnnotationBytes = 1024;
constexpr double EdfPhysicalLimit = 9999999.0;         // largest magnitude an 8-character field holds

struct EdfSignal {
    std::string Label;              // "EEG Ch1"
    std::string Transducer;         // carrier and modulation
    std::string Prefilter;          // "LP:25.8Hz (smoothing low-pass)"
    std::string Dimension = "AU";   // trace units, uncalibrated; "uV" when calibrated
    double PhysicalMax = 32767.0;   // the range is -PhysicalMax .. +PhysicalMax
};

struct EdfHeader {
    std::string Equipment = "Velquor";
    std::string RecordingAdditional;        // free text after the standard subfields
    std::time_t Start = 0;                  // local start date and time; 0: now
    EdfSignal Signals[2];
};

class EdfRecorder {
public:
    EdfRecorder() = default;
    ~EdfRecorder();
    EdfRecorder(const EdfRecorder&) = delete;
    EdfRecorder& operator=(const EdfRecorder&) = delete;

    // Creates the file, or replaces a regular file (a symbolic link's target is written), and
    // writes its header with a record count of 0. False with the reason in `error` when the
    // file cannot be created or something else (a FIFO, a device) stands at the path.
    bool Open(const std::string& path, const EdfHeader& header, std::string& error);
    bool IsOpen() const { return file_.IsOpen(); }

    // `count` trace samples per channel, each worth scale1 (scale2) physical units; records are
    // written as they fill. Samples beyond the physical range are clipped to it and counted.
    // False once writing has failed.
    bool AddSamples(const int32_t* chan1, const int32_t* chan2, int count, double scale1 = 1.0,
                    double scale2 = 1.0);
    // An event at the time of the next sample. Control characters become blanks; texts are
    // cut to 200 bytes (at a UTF-8 boundary).
    void Annotate(const std::string& text);

    // Writes a final partial record (padded with zeros and marked "End of recording" at the
    // true end) and any annotations still pending, then closes. False when a write failed.
    bool Close();

    int64_t Records() const { return records_; }
    int64_t Samples() const { return samples_; }          // per channel, accepted so far
    int64_t Clipped(int channel) const { return clipped_[channel == 2 ? 1 : 0]; }
    int64_t ClippedTotal() const { return clipped_[0] + clipped_[1]; }
    // Trace units per digital step of a channel.
    double Quantisation(int channel) const;
    double PhysicalMax(int channel) const { return physMax_[channel == 2 ? 1 : 0]; }
    // Annotations that did not fit any record (only when a burst outgrows the TAL space of
    // every record up to the end).
    int64_t DroppedAnnotations() const { return dropped_; }
    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }

private:
    struct Pending {
        int64_t Onset;       // in 100 microsecond units from the start
        std::string Text;
    };
    bool WriteRecord();
    bool WriteAll(const void* data, size_t bytes);
    bool PatchRecordCount();
    void Fail(const std::string& what);

    OutputFile file_;
    std::string path_;
    double physMax_[2] = {32767.0, 32767.0};
    int16_t buffer_[2][EdfSamplesPerRecord] = {};
    int filled_ = 0;
    int64_t records_ = 0;
    int64_t samples_ = 0;
    int64_t clipped_[2] = {0, 0};
    int64_t dropped_ = 0;
    std::deque<Pending> pending_;
    bool failed_ = false;
    std::string error_;
};

// -3 dB edges of the post filter in force (both of its sections), from the coefficients the
// chain runs with: LowHz 0 for the smoothing low-pass.
struct PostFilterEdges {
    bool Band = false;       // marker band-pass
    double LowHz = 0.0;
    double HighHz = 0.0;
};
PostFilterEdges PostFilterInForce(const ProcessingState& state);
// "LP:25.8Hz (smoothing low-pass)" or "HP:9.7Hz LP:30.4Hz (marker band-pass)".
std::string PostFilterText(const ProcessingState& state);

// The largest trace magnitude the chain can produce on a channel at its gain in force: AM, the
// envelope of a full-scale carrier (32768 x 50 x gain); FM, a phase step of pi per input sample
// (250 x SampleRate / 2 x gain). Bounded to what the header can state and at least 1.
double ChainMaximum(const ProcessingState& state, int channel);

// The channels recorded in microvolts: a channel whose calibration is given (and matches it at
// the start) is recorded in "uV", the others in trace units.
struct EdfCalibrations {
    std::optional<ChannelCalibration> Channel[2];
};

// The header for a recording of the chain as it stands.
EdfHeader DescribeRecording(const ProcessingState& state, const EdfCalibrations& calibrations = {});

class EdfSession {
public:
    using Clock = std::chrono::steady_clock;
    // A pause between the capture of processed blocks longer than this is annotated as a gap.
    static constexpr std::chrono::milliseconds GapThreshold{400};

    // Opens the file and annotates the start with the chain's settings. A calibrated channel
    // is written in microvolts with the factor of each block (MicrovoltsPerTraceUnit); while the
    // calibration does not apply (modulation or carrier changed, an AM carrier gone) it writes
    // 0 and says so in an annotation, and again when it applies once more.
    bool Start(const std::string& path, const ProcessingState& state, std::string& error,
               const EdfCalibrations& calibrations = {});
    bool Active() const { return recorder_.IsOpen(); }
    // After each processed block: changes since the last block, then the block's new samples
    // of each trace, the first `samples` of its 32 (fewer only for a file's last, partial block).
    // `captured` (the window passes the block's capture time; tools play faster than real time
    // and pass nothing) lets a pause in acquisition show as an annotated gap, while blocks that
    // queued up behind a dialog, captured back to back, show none.
    bool Block(const ProcessingState& state, std::optional<Clock::time_point> captured = std::nullopt,
               int samples = OutputPerBlock);
    void Annotate(const std::string& text) { recorder_.Annotate(text); }
    // Input lost before the next block (the sound card's backlog overflowed): annotated as a
    // gap with its length, in place of the plain gap the capture times would show.
    void InputLost(double seconds);
    bool Stop();
    // The message a user gets when the recording stops: records, length, clipping.
    std::string Summary() const;
    const EdfRecorder& Recorder() const { return recorder_; }

private:
    struct Settings {
        int32_t ModulationType = 0;
        float Carrier[2] = {};
        float Gain[2] = {};
        std::string PostFilter;
        bool FilterEnabled = false;
        IirCoefficients Sets[3] = {};    // smoothing, marker low, marker high
    };
    static Settings Snapshot(const ProcessingState& state, const Settings* previous);
    void AnnotateChanges(const Settings& now);
    // Physical units per trace unit of a channel for the block (1 uncalibrated; 0 while its
    // calibration does not apply), annotating when that starts or ends.
    double ChannelScale(const ProcessingState& state, int channel);

    EdfRecorder recorder_;
    EdfCalibrations calibrations_;
    bool applies_[2] = {true, true};    // a calibrated channel's factor applied at the last block
    Settings last_;
    std::optional<Clock::time_point> lastBlock_;
    int64_t stoppedRecords_ = 0;
};

// Annotation texts.
std::string ModulationAnnotation(int32_t modulationType);
std::string CarrierAnnotation(float chan1Hz, float chan2Hz);
std::string GainAnnotation(int channel, float gain);
