#pragma once
// The processing data model: every item the acquisition chain reads or keeps
// across blocks, in one object owned by the main window. The object is large
// (the arctangent table alone is 256 KiB), so its owner allocates it on the heap.

#include <cstdint>

#include "dsp/BandPass.h"
#include "dsp/Iir.h"

constexpr int BlockFrames = 4096;          // frames per block
constexpr int TraceLength = 512;           // samples kept per channel trace
constexpr int OutputPerBlock = 32;         // output samples per channel and block
constexpr int QuadratureHistory = 62;      // band samples carried into the next block
constexpr int DecimationHistory = 101;     // FIR history in front of each decimation stage
constexpr int FirstDecimatedCount = 256;   // samples after the first decimation (4096 / 16)
// The demodulated samples are averaged over 16 before the first decimation: the average has
// its zeros at every multiple of 44100 / 16 Hz, exactly the frequencies that stage folds onto
// 0 Hz, where the FIR table lets through up to 17 %. The demodulators' ripple at twice the
// carrier lands there for carriers near a multiple of 44100 / 32 Hz (11025 Hz above all).
constexpr int AliasAverageLength = 16;
// Blocks at the start of a run whose DC estimate is their own mean: while the filters warm up,
// the blend from 0 would leave the FM traces far off scale for seconds.
constexpr int DcWarmUpBlocks = 2;

// Loop state of one channel: kept from block to block and across mode switches;
// only the DC estimate and its warm-up count are reset, when a run starts.
struct ChannelState {
    IirState BandSections[6];              // AM band: low, low, high, high, low, high
    float FmTail[FmQuarter];               // FM overlap-add tail
    float Quadrature[QuadratureHistory + BlockFrames];          // I: history + block
    float QuadratureFiltered[QuadratureHistory + BlockFrames];  // Q: its filtered twin
    float AliasHistory[AliasAverageLength - 1];   // the last demodulated samples of the previous block
    // Decimation buffers (history + block). The chain computes only the kept
    // outputs, straight into the work array, so they need no filtered twins.
    float Decim1Buffer[DecimationHistory + BlockFrames];
    float Decim2Buffer[DecimationHistory + FirstDecimatedCount];
    IirState PostSections[4];              // 1, 2: low-pass (smoothing or marker); 3, 4: marker high-pass
    // The post filter's inputs of the last TraceLength samples, oldest first, and the filter the
    // section states were made with. When the filter in force differs (the band followed the
    // markers or the frequency scale, the smoothing followed the scale, the other filter was
    // switched on) the states are made afresh from these inputs, so the output goes on from
    // the signal instead of ringing from states of another design.
    float PostInputs[TraceLength];
    IirCoefficients PostLowPassRun;
    IirCoefficients PostHighPassRun;
    bool PostBandPassRun;
    float DcEstimate;
    int32_t DcWarmUp = DcWarmUpBlocks;     // blocks of the run still taking their own mean
};

struct ProcessingState {
    ProcessingState();                     // defaults of the main window constructor; builds the tables

    // Fixed quantities and shared settings.
    uint32_t SampleRate = 44100;
    int32_t FramesPerBlock = BlockFrames;
    int32_t ModulationType = 1;            // 1 AM, 2 FM
    float Chan1CarrierHz = 19145.0f;
    float Chan2CarrierHz = 16065.0f;
    bool Chan1Enabled = false;             // drawing only: a disabled channel is still processed
    bool Chan2Enabled = false;
    float Chan1DemodGain = 0.0f;           // 0 until a gain-dial handler runs
    float Chan2DemodGain = 0.0f;
    bool FilterEnabled = false;            // marker band-pass post filter
    bool FilterBypass = true;              // smoothing low-pass post filter
    bool DisplayHold = false;              // honoured by the caller: ProcessBlock always processes
    double FmScale = 0.0;                  // SampleRate / (2 pi), set by StartRun and the constructor

    // Display parameters the filter designs read.
    int32_t FreqSpan = 512;
    int32_t SpectrumRows = 371;
    int32_t FilterMarker1Pos = 142;        // high-pass edge
    int32_t FilterMarker2Pos = 396;        // low-pass edge
    int32_t FreqScaleSetting = 0;

    // Block data.
    int32_t BlockSamples[BlockFrames] = {};
    float BlockFloat[BlockFrames] = {};    // BlockSamples as float, shared by both channels
    float Chan1Work[BlockFrames] = {};
    float Chan2Work[BlockFrames] = {};
    float PostScratch[OutputPerBlock] = {};
    float AliasScratch[AliasAverageLength - 1 + BlockFrames] = {};   // the average's partial sums
    FmScratch FmWork = {};                 // work arrays of the FM fast convolution, both channels
    int32_t Chan1Trace[TraceLength] = {};
    int32_t Chan2Trace[TraceLength] = {};
    float Chan1Level = 0.0f;
    float Chan2Level = 0.0f;

    // Tables built once.
    float Hamming512[513] = {};
    float AtanTable[65536] = {};

    // FM band kernels and responses (Chan1BandKernel = Chan1Band.Kernel,
    // Chan1BandResponse = Chan1Band.ResponseRe / ResponseIm).
    FmBand Chan1Band = {};
    FmBand Chan2Band = {};

    // IIR coefficient sets.
    IirCoefficients Chan1BandLowPass = {};
    IirCoefficients Chan1BandHighPass = {};
    IirCoefficients Chan2BandLowPass = {};
    IirCoefficients Chan2BandHighPass = {};
    // What each channel's AM output is multiplied by: 1 / the band's gain at the carrier (with
    // the quadrature filter's envelope gain), set whenever the AM sets are designed, so the same
    // modulation reads the same on both channels at any carriers.
    float Chan1AmCompensation = 1.0f;
    float Chan2AmCompensation = 1.0f;
    IirCoefficients SmoothingLowPass = {};
    IirCoefficients MarkerLowPass = {};
    IirCoefficients MarkerHighPass = {};

    // Per-channel loop state.
    ChannelState Chan1State = {};
    ChannelState Chan2State = {};
};
