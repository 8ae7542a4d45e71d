#pragma once
// The frequency pane: spectrum bars, the phase curve and the waterfall, the
// frequency axis with its labels, the waterfall colour maps, the Display menu
// commands and the frequency-scale dial.

#include <cstdint>

#include "app/display/DisplayControls.h"
#include "app/display/DisplayState.h"
#include "dsp/ProcessingState.h"
#include "dsp/Spline.h"

// Entries of the work arrays: RowLevels, RowInterp, RowExpand, the phase spectra.
constexpr int RowArraySize = 4097;

// Work arrays of the routines below (about 200 KiB), sized for the largest case; the
// display state holds one. After a drawing call they hold that channel's rows.
struct FrequencyScratch {
    int32_t RowLevels[RowArraySize] = {};
    int32_t RowInterp[RowArraySize] = {};
    int32_t RowExpand[RowArraySize] = {};
    int32_t PhaseRows[RowArraySize] = {};   // the phase curve unwrapped along the rows
    float PhaseSpectrum1Re[RowArraySize] = {};
    float PhaseSpectrum1Im[RowArraySize] = {};
    float PhaseSpectrum2Re[RowArraySize] = {};
    float PhaseSpectrum2Im[RowArraySize] = {};
    float PowerWork[RowArraySize] = {};
    float SpectrumRe[RowArraySize] = {};
    float SpectrumIm[RowArraySize] = {};
    SplineScratch Spline = {};
};

// Whole hertz at a distance of d pixels along the frequency axis:
// floor(floor(S x SampleRate / 2048) x d / 16384) in unsigned 32-bit arithmetic
// (a negative d wraps, as the readouts have always done).
uint32_t RowToHz(const ProcessingState& p, int32_t d);

// Colour of a waterfall level v in a palette (4 .. 9). Levels above 255 show as
// 255; levels below 0 as 0 (black in every palette). Another palette number
// draws black.
TColor WaterfallColor(int palette, int32_t v);
// The Psuedo Color bands (level 0 .. 255).
TColor PseudoColor(int32_t v);

// The waterfall's column of channel 2's first point (channel 1's is column 0); both halves
// show the same frequencies.
constexpr int WaterfallChannel2Column = 370;

// Red strip between the two channels: (c - 5, 0) .. (c + 5, H - 2).
void DrawCentreStrip(TBitmap& image);

// One channel (1 or 2) of the three modes, drawn from its 512-sample trace
// with the power spectrum of the display transform. Point k of the frequency
// axis is transform slot k (k x 0.6729 Hz), so a tone's bar lies on the row
// that RowToHz names for its frequency. Spectrum and Waterfall take the
// channel's spectrum gain; the phase routine draws, on the channel 2 call, the
// phase difference of the two channels per row (channel 1's phase minus channel
// 2's, -180 .. +180 degrees at 3000 / 32 pixels per radian) from the centre strip,
// to the right while channel 1 leads and to the left while it lags, in fixed
// colour bands at S = 512 and in `penColor` (the channel 2 colour) otherwise.
// Spectrum levels below 0 (the spline's undershoot) draw nothing. With ExpandOn
// (and the frequency markers on) the pane's rows show the band between the
// markers, as the scale labels and the cursor readout say.
void DrawSpectrumChannel(DisplayState& d, const ProcessingState& p, int channel,
                         const int32_t* trace, int32_t gain);
void DrawPhaseChannel(DisplayState& d, const ProcessingState& p, int channel,
                      const int32_t* trace, TColor penColor);
void DrawWaterfallChannel(DisplayState& d, const ProcessingState& p, int channel,
                          const int32_t* trace, int32_t gain);

// HiFreqLabel and LoFreqLabel for the current mode, scale and markers.
void UpdateScaleLabels(DisplayState& d, const ProcessingState& p);

// Frequency-scale update (FreqBaseDialClick and FreqBaseDialValueChange), V the
// dial value 10 .. 150: FreqScaleSetting, S, B, F, the scale labels and the
// marker text, the marker band-pass and the smoothing low-pass.
void FreqBaseDialClick(DisplayState& d, ProcessingState& p, float value);
inline void FreqBaseDialValueChange(DisplayState& d, ProcessingState& p, float value)
{
    FreqBaseDialClick(d, p, value);
}

// Display > Type. Each re-applies the channel dials and the frequency scale
// through `controls`.
void Spectrum1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls);
void Phase1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls);
void Waterfall1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls);
// Mode 1, reached only from a settings file that stores it. The window also
// copies TimeImage onto its time pane at once.
void RawSpectrum1Click(DisplayState& d, ProcessingState& p, DisplayControls& controls);

// Display > BackGround Color.
void White1Click(DisplayState& d);
void Black1Click(DisplayState& d);
void Teal1Click(DisplayState& d);

// Display > Channel 1 Color / Channel 2 Color: each item stores its colour.
struct ChannelColorItem {
    const char* Chan1Item;
    const char* Chan2Item;
    const char* Caption;
    TColor Color;
};
inline constexpr ChannelColorItem ChannelColorItems[] = {
    {"Black2", "Black3", "Black", clBlack},    {"Red1", "Red2", "Red", clRed},
    {"Blue1", "Blue2", "Blue", clBlue},        {"Teal2", "Teal3", "Aqua", clAqua},
    {"Yellow1", "Yellow2", "Yellow", clYellow}, {"Lime1", "Lime2", "Lime", clLime},
    {"White2", "White3", "White", clWhite},
};
void Chan1ColorClick(DisplayState& d, TColor color);
void Chan2ColorClick(DisplayState& d, TColor color);

// Display > Waterfall Color: items and their palettes.
struct WaterfallColorItem {
    const char* Item;
    const char* Caption;
    int Palette;
};
inline constexpr WaterfallColorItem WaterfallColorItems[] = {
    {"PsuedoColor1", "Psuedo Color", PalettePseudoColor}, {"BlackWhite1", "Black-White", PaletteBlackWhite},
    {"Red3", "Red", PaletteRed},       {"Green1", "Green", PaletteGreen},
    {"Blue3", "Blue", PaletteBlue},    {"RedGreen1", "Aqua", PaletteAqua},
};
// PsuedoColor1Click .. RedGreen1Click: WaterfallPalette and its check mark.
void WaterfallColorClick(DisplayState& d, int palette);
// Checks the item of a palette 4 .. 9 and unchecks the others; another value changes nothing.
void CheckWaterfallColor(DisplayState& d, int palette);

// Display > Gridlines.
void GridOn1Click(DisplayState& d);
void GridOff1Click(DisplayState& d);
