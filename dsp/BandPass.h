#pragma once
// FM carrier bands: windowed-sinc band-pass kernels, their 2048-point responses, and the
// overlap-add fast convolution that applies them, one 1024-sample quarter at a time.

constexpr int FmKernelLength = 2048;   // kernel storage; taps 0 .. M written, the rest 0
constexpr int FmQuarter = 1024;        // samples per overlap-add quarter
constexpr int FmTransform = 2048;      // transform length of the fast convolution

struct FmBand {                  // one channel's FM band
    float Kernel[FmKernelLength];  // taps 0..1024 written by the design, 1025..2047 always 0
    float ResponseRe[FmQuarter];   // slots 0..1023 of the 2048-point transform, from entry 0
    float ResponseIm[FmQuarter];
};

// Band-pass by spectral inversion: low-pass at highEdge minus low-pass at lowEdge (windowed
// sinc, four-term cosine window over M + 1 taps), then its 2048-point response into
// ResponseRe/Im. Edges are fractions of the sample rate. M = 1024 in every use; M is kept
// inside 2 .. 1024 so the kernel never wraps around in the 2048-point convolution.
void DesignBandPass(FmBand& band, int M, float lowEdge, float highEdge);

// Work arrays of one quarter (entry-1 storage as the transforms want it). No allocation;
// nothing in them needs to survive between quarters.
struct FmScratch {
    alignas(32) float x[FmTransform + 8];    // work space of the inverse, entries 1..2048
    alignas(32) float re[FmQuarter + 8];     // slots, entries 1..1024
    alignas(32) float im[FmQuarter + 8];
    alignas(32) float products[FmTransform + 8];  // one channel's products (pair form only)
};

// One quarter of the FM overlap-add: in1024 (1024 samples) zero-padded to 2048, transformed,
// multiplied slot by slot with the band's response (slot 0 as a plain complex product),
// transformed back; out1024[i] = result[i] + tail1024[i], and tail1024 becomes result[1024..2047].
// in1024 and out1024 may be the same array.
void FmOverlapAddQuarter(const float* in1024, const FmBand& band, float* tail1024,
                         float* out1024, FmScratch& scratch);

// Both channels' quarter at once from the same input samples (the FM band separation of a
// block reads BlockSamples for both): the forward transform is done once and shared. Results
// are the same as FmOverlapAddQuarter for band1 and then for band2. in1024 may be out1 or out2.
void FmOverlapAddQuarterPair(const float* in1024, const FmBand& band1, float* tail1,
                             float* out1, const FmBand& band2, float* tail2, float* out2,
                             FmScratch& scratch);
