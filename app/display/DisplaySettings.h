#pragma once
// The display's settings model: the values of the panes and of their controls that the
// settings file keeps. Those the processing chain also reads (the enable and hold flags,
// the frequency scale, the filter marker rows, the modulation type and the carriers)
// live in ProcessingState. Plain values without Qt, so the settings record can name them.

#include <cstdint>

// DisplayType values.
constexpr int DisplayRawSpectrum = 1;      // raw-spectrum types 1 and 2 (settings file only)
constexpr int DisplayRawTime = 2;
constexpr int DisplaySpectrum = 4;
constexpr int DisplayPhase = 5;
constexpr int DisplayWaterfall = 6;

// WaterfallPalette values.
constexpr int PalettePseudoColor = 4;
constexpr int PaletteBlackWhite = 5;
constexpr int PaletteRed = 6;
constexpr int PaletteGreen = 7;
constexpr int PaletteBlue = 8;
constexpr int PaletteAqua = 9;

// The values before the settings file is applied.
struct DisplaySettings {
    // Frequency pane mode and looks.
    int32_t DisplayType = DisplaySpectrum;
    int32_t BackgroundStyle = 2;           // 1 white, 2 black, 3 teal
    int32_t Chan1Color = 0x00FFFF;         // trace colours, 0x00BBGGRR: yellow
    int32_t Chan2Color = 0x00FFFF;
    bool GridOn = true;
    int32_t WaterfallPalette = PaletteBlackWhite;

    // Time pane.
    int32_t TimeBaseSetting = 4;           // time-base dial position 2 .. 7
    int32_t Chan1TimeGain = 25;
    int32_t Chan2TimeGain = 25;
    int32_t Chan1TimeOffset = 42;          // row of the channel's zero line
    int32_t Chan2TimeOffset = 126;

    // Frequency pane gains and baselines.
    int32_t Chan1SpecGain = 0;
    int32_t Chan2SpecGain = 0;
    int32_t Chan1SpecOffset = 186;
    int32_t Chan2SpecOffset = 371;

    // Control positions.
    int32_t Chan1GainStep = 3;
    int32_t Chan2GainStep = 3;
    int32_t Chan1RawGainStep = 3;          // gain dial positions of mode 1
    int32_t Chan2RawGainStep = 3;
    int32_t Chan1OffsetPos = 75;
    int32_t Chan2OffsetPos = 25;
    int32_t Chan1SpecOffsetPos = 50;       // offset dial positions of mode 1
    int32_t Chan2SpecOffsetPos = 0;
    int32_t Chan1TimeGainSetting = 1;      // track-bar position x 10 - 9
    int32_t Chan2TimeGainSetting = 1;
    int32_t Chan1SpecGainSetting = 0;
    int32_t Chan2SpecGainSetting = 0;

    // Frequency markers and the filter markers' switch (their rows are in ProcessingState).
    bool Marker1On = false;
    int32_t Marker1Pos = 142;
    int32_t Marker2Pos = 396;
    bool FilterMarker1On = false;
};
