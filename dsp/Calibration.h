#pragma once
// Channel calibration in microvolts: measuring a channel's response to a known signal, the
// factor that results, when it applies, and the conversion of trace samples to microvolts.
// Pure computation; acquisition/CalibrationFile keeps the factors on disk.
//
// Trace units depend on the gain dial and, in AM, on the carrier's level at the sound card.
// A calibration is therefore kept per "reference unit", which depends on neither:
//   AM: the trace divided by the channel's carrier level (the envelope's mean that the DC
//       removal tracks, DcEstimate, in trace units), so 1 is 100 % modulation depth: halving
//       the sound card's input level leaves the reading unchanged;
//   FM: the trace divided by 250 x the gain dial's factor: hertz of deviation.
// The measurement also divides by the post filter's gain at the calibration frequency, so the
// factor holds whatever post filter was in force while measuring. The carrier band's own gain
// is compensated inside the chain already (AmCarrierGain), so it needs no share here; what
// does remain is the chain's response over EEG frequencies (README, "The chain's gain"), which
// is why a calibration keeps the frequency it was made at.
//
// How a program uses it (velquor-trace does exactly this; the window does the same per block):
//   1. Calibrating: a CalibrationMeter for the channel with the declared signal (microvolts peak
//      to peak and hertz); after every processed block AddBlock(state, frames); once Ready(),
//      Result() either holds the calibration or the reason it is refused (no clear tone at the
//      declared frequency, clipped input, no carrier, settings changed while measuring).
//   2. Reading: a stored calibration applies while CalibrationMatches(calibration, state,
//      channel) (same channel, modulation and carrier; otherwise show "Uncalibrated" and say
//      why with CalibrationMismatch). MicrovoltsPerTraceUnit(calibration, state, channel) gives
//      the factor for the block just processed: microvolts = trace sample x factor (0 when it
//      does not apply, e.g. an AM channel without a carrier). In AM it follows the carrier level
//      block by block, so take it again after every block (a scale bar, a cursor readout).

#include <cstdint>
#include <string>
#include <vector>

#include "dsp/ProcessingState.h"

struct ChannelCalibration {
    int Channel = 0;                     // 1 or 2
    int ModulationType = 0;              // 1 AM, 2 FM
    double CarrierHz = 0.0;              // the carrier it was made at
    double MicrovoltsPerUnit = 0.0;      // per reference unit: per 100 % depth (AM), per hertz (FM)
    double DeclaredMicrovoltsPp = 0.0;   // the calibration signal as declared
    double DeclaredHz = 0.0;
};

// Carriers within this distance count as the same carrier.
constexpr double CalibrationCarrierToleranceHz = 0.05;
// Declared calibration frequencies: inside the band the traces show.
constexpr double CalibrationMinHz = 0.5;
constexpr double CalibrationMaxHz = 150.0;
// An AM carrier weaker than this (peak, in 16-bit sample steps) counts as absent.
constexpr double MinimumCarrierAmplitude = 8.0;

// "AM" or "FM".
const char* ModulationName(int modulationType);
// "uV per 100 % modulation depth" or "uV per Hz of deviation".
const char* ReferenceUnitText(int modulationType);

// The calibration belongs to the channel as the state stands: same channel, modulation and
// carrier (within CalibrationCarrierToleranceHz).
bool CalibrationMatches(const ChannelCalibration& calibration, const ProcessingState& state, int channel);
// Why it does not apply, e.g. "made for AM at 19145 Hz; the channel runs FM at 16065 Hz";
// empty when it matches.
std::string CalibrationMismatch(const ChannelCalibration& calibration, const ProcessingState& state,
                                int channel);

// Trace units per reference unit on a channel as the state stands (after a block): AM, the
// carrier level; FM, 250 x the gain. 0 when there is nothing to divide by (an AM carrier below
// MinimumCarrierAmplitude, a gain of 0).
double TraceUnitsPerReference(const ProcessingState& state, int channel);

// Microvolts per trace unit now; 0 when the calibration does not apply or the channel has no
// reference (see above).
double MicrovoltsPerTraceUnit(const ChannelCalibration& calibration, const ProcessingState& state, int channel);

// The largest reference value a recording's range must hold: AM 4 (400 % depth, far beyond
// any modulation with the chain's largest gain of 1.32 over EEG frequencies), FM half the
// sampling rate (a phase step of pi per sample, the discriminator's limit).
double ReferenceMaximum(int modulationType, uint32_t sampleRate);

struct CalibrationResult {
    bool Ok = false;
    std::string Reason;                  // why it was refused, for the user
    ChannelCalibration Calibration;      // filled when Ok
    double MeasuredPp = 0.0;             // reference units peak to peak at the declared frequency
    double ToneShare = 0.0;              // share of the signal's power in the tone, 0..1
    int64_t ClippedSamples = 0;          // input samples at full scale
    int64_t InputSamples = 0;
    int Blocks = 0;                      // blocks measured (after the settling ones)
};

class CalibrationMeter {
public:
    // Blocks the chain takes to settle after a start (filters, the DC estimate): about 1 s.
    static constexpr int DefaultSettleBlocks = 11;
    // At most this many trace samples are kept (the latest; about 95 s).
    static constexpr int MaxSamples = 32768;
    // A tone must carry this share of the signal's power to count as clear.
    static constexpr double MinToneShare = 0.8;
    // Input samples at full scale beyond this share make the recording clipped.
    static constexpr double MaxClippedShare = 1e-4;

    // Measures channel 1 or 2's response to a declared signal. settleBlocks: blocks ignored
    // first (0 when the chain has been running on the signal already).
    CalibrationMeter(int channel, double declaredMicrovoltsPp, double declaredHz,
                     int settleBlocks = DefaultSettleBlocks);

    // After every processed block; `frames` of the block held signal (a file's last block may
    // hold fewer than 4096), and as many of its trace samples as they cover count.
    void AddBlock(const ProcessingState& state, int frames = BlockFrames);

    // Blocks measured so far, and whether they are enough for Result (at least 3 s and 8
    // periods of the declared frequency).
    int BlocksMeasured() const { return blocks_; }
    int BlocksNeeded() const;
    bool Ready() const { return blocks_ >= BlocksNeeded(); }

    CalibrationResult Result() const;

private:
    int channel_;
    double declaredPp_;
    double declaredHz_;
    int settle_;
    int blocks_ = 0;
    int32_t modulation_ = 0;
    float carrier_ = 0.0f;
    bool changed_ = false;               // modulation or carrier changed while measuring
    int64_t noCarrierBlocks_ = 0;
    int64_t clipped_ = 0;
    int64_t inputSamples_ = 0;
    std::vector<double> samples_;        // reference units, post filter divided out
    size_t next_ = 0;                    // ring position once full
};
