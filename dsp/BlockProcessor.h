#pragma once
// One pass of the per-block chain, without drawing: band separation,
// quadrature, demodulation, two decimations, DC removal, levels, post filter
// and trace update for both channels, plus what the indicators need.
//
// The caller keeps the loop's own rules: it skips ProcessBlock while
// DisplayHold is set (traces and levels then freeze), and calls StartRun when
// a run of the acquisition loop starts.

#include <cstddef>
#include <cstdint>

#include "dsp/ProcessingState.h"
#include "dsp/Truncate.h"

constexpr uint32_t LedRed = 0x0000FF;      // clRed: channel disabled
constexpr uint32_t LedMedGray = 0xA4A0A0;  // clMedGray: channel enabled

struct ChannelIndicator {
    bool Checked = false;                  // LED lit
    uint32_t ColorOff = LedRed;            // LED colour while not lit
};

struct BlockReport {
    bool Overload = false;                 // OvldLED: either channel over its limit
    ChannelIndicator Chan1;                // OvChan1
    ChannelIndicator Chan2;                // OvChan2
};

// Start of a run: both DC estimates back to 0, their warm-up restarted, the FM scale from
// SampleRate.
void StartRun(ProcessingState& state);

// Unpacks one block of 16-bit little-endian PCM into BlockSamples: mono takes
// every sample, stereo the second (right) sample of each 4-byte frame. Frames
// missing from a short buffer become 0. Returns the number of frames read.
int UnpackBlock(ProcessingState& state, const uint8_t* data, size_t byteCount, bool stereo);

// The trace samples of a block whose first `frames` frames hold signal (a file's last block):
// one per 128 frames, rounded up, so each sample's time lies within the signal.
int CoveredOutputSamples(int frames);

// Processes BlockSamples through the whole chain for both channels (also a
// disabled one). No allocation. At the end any non-finite loop state is reset
// to zero so that one bad block cannot poison a channel for the session.
void ProcessBlock(ProcessingState& state, BlockReport& report);

// The stages of ProcessBlock for one channel (1 or 2), exposed for tests.
// They read BlockFloat, the float copy of BlockSamples that ProcessBlock makes.
// SeparateBand and Demodulate fill the channel's work array (4096 values);
// Decimate leaves the block's 32 output samples in work entries 0..31;
// FinishChannel removes DC, updates the level, post-filters and appends the
// samples to the trace.
void SeparateBand(ProcessingState& state, int channel);
void SeparateBands(ProcessingState& state);  // both channels, as ProcessBlock does
void Demodulate(ProcessingState& state, int channel);
void Decimate(ProcessingState& state, int channel);
void FinishChannel(ProcessingState& state, int channel);
void ResetNonFiniteState(ProcessingState& state);
BlockReport IndicatorReport(const ProcessingState& state);
