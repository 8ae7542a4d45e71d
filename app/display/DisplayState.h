#pragma once
// The display data model: everything the time pane, the frequency pane, the
// markers and the readouts keep between blocks, in one object owned by the
// main window. What the processing chain also reads (traces, levels, the
// enable and hold flags, the modulation type, FreqSpan, FreqScaleSetting, the
// filter marker rows and the post-filter flags) lives in ProcessingState and
// is passed alongside; it is never copied here.
//
// The object holds four images and about 200 KiB of scratch arrays; its owner
// allocates it on the heap. The images need a QGuiApplication to draw on.

#include <QString>

#include <cstdint>

#include "dsp/Spline.h"
#include "platform/canvas/Canvas.h"

// Pane geometry after the window's start-up scaling.
constexpr int PaneWidth = 730;
constexpr int SpectrumPaneHeight = 371;    // rows of the frequency axis (H)
constexpr int TimePaneHeight = 168;
constexpr int PaneCentre = PaneWidth / 2;  // x of the frequency pane's centre line (c)
constexpr int RowArraySize = 4097;         // RowLevels, RowInterp, RowExpand, phase spectra

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

// Message captions and texts of the front-panel refusals.
inline const char* const ErrorCaption = "Error Message";
inline const char* const FilterModeMessage = "Only Vertical Frequency or Phase mode allowed";
inline const char* const MarkersNeededMessage = "Markers must be enabled!";
inline const char* const MarkerHint = "Drag the marker to the desired position";

// Texts of the four labels under the frequency pane. The window copies them to
// HiFreqLabel, LoFreqLabel, CursorLabel and MarkerLabel after each handler and
// block; several rules leave a label "unchanged", so the texts are state.
struct DisplayLabels {
    QString HiFreq = QStringLiteral("512 Hz");
    QString LoFreq = QStringLiteral("0 Hz");
    QString Cursor = QStringLiteral("Cursor Position = ?");
    QString Marker = QStringLiteral("Marker Difference = ?");
};

// The status strip's colours for the current background (background commands).
struct StatusStripColors {
    TColor Panel = clBlack;        // ScopeStatusPanel
    TColor FreqLabels = clAqua;    // LoFreqLabel, HiFreqLabel
    TColor ReadoutLabels = clYellow;  // MarkerLabel, CursorLabel
};

// Check marks of the Display menu. They are state of their own: the waterfall
// colour checks, for example, ignore a palette number outside 4 .. 9.
struct DisplayMenuChecks {
    bool Spectrum1 = true;
    bool Phase1 = false;
    bool Waterfall1 = false;
    bool GridOn1 = true;
    bool GridOff1 = false;
    int WaterfallColor = PaletteBlackWhite;  // the checked item among PsuedoColor1 .. RedGreen1
};

// Positions of the marker and filter switches. Handlers set them off when they
// refuse or when one pair replaces the other; the window mirrors them onto the
// rocker switches (setting Checked there does not run the click handler).
struct DisplaySwitches {
    bool MkrSwitch = false;
    bool ExpandSw = false;
    bool FltrMkrsSw = false;
    bool FltrEnbSw = false;
};

struct DisplayState {
    // Frequency pane mode and looks.
    int32_t DisplayType = DisplaySpectrum;
    int32_t BackgroundStyle = 2;           // 1 white, 2 black, 3 teal
    TColor Chan1Color = clYellow;
    TColor Chan2Color = clYellow;
    bool GridOn = true;
    int32_t WaterfallPalette = PaletteBlackWhite;
    int32_t CurrentChannel = 1;            // channel being drawn

    // Time pane.
    bool TimeTraceOn = true;
    int32_t TimeStep = 4;                  // pixel columns per block: 4, 8, 16 or 32
    int32_t TimeBaseSetting = 4;           // time-base dial position 2 .. 7 (stored)
    TColor TimeBackground = clWhite;       // the background the time images hold now
    int32_t TraceLast1 = 0;                // last value drawn, the joint to the next segment
    int32_t TraceLast2 = 0;
    int32_t Chan1TimeGain = 25;
    int32_t Chan2TimeGain = 25;
    int32_t Chan1TimeOffset = 42;          // row of the channel's zero line
    int32_t Chan2TimeOffset = 126;

    // Frequency pane gains and baselines.
    int32_t Chan1SpecGain = 0;
    int32_t Chan2SpecGain = 0;
    int32_t Chan1SpecOffset = 186;
    int32_t Chan2SpecOffset = 371;
    int32_t PhaseScale1 = 50;
    int32_t PhaseScale2 = 50;

    // Stored control positions (settings file).
    int32_t Chan1GainStep = 3;
    int32_t Chan2GainStep = 3;
    int32_t Chan1RawGainStep = 3;          // gain dial positions of mode 1
    int32_t Chan2RawGainStep = 3;
    int32_t Chan1OffsetPos = 75;
    int32_t Chan2OffsetPos = 25;
    int32_t Chan1SpecOffsetPos = 50;
    int32_t Chan2SpecOffsetPos = 0;
    int32_t Chan1TimeGainSetting = 1;
    int32_t Chan2TimeGainSetting = 1;
    int32_t Chan1SpecGainSetting = 0;
    int32_t Chan2SpecGainSetting = 0;

    // Frequency axis (FreqSpan S itself is in ProcessingState).
    int32_t InterpBase = 512;              // B: half the points handed to the interpolation
    int32_t InterpFactor = 2;              // F: for the expanded view from interpolated points

    // Frequency markers (the filter marker rows are in ProcessingState).
    bool Marker1On = false;
    bool Marker2On = false;
    int32_t Marker1Pos = 142;
    int32_t Marker2Pos = 396;
    bool FilterMarker1On = false;
    bool FilterMarker2On = false;
    bool Marker1Free = true;
    bool Marker2Free = true;
    bool FilterMarker1Free = true;
    bool FilterMarker2Free = true;
    int32_t MarkerGrabBelow = 10;
    int32_t MarkerGrabAbove = 10;
    int32_t FilterGrabBelow = 10;
    int32_t FilterGrabAbove = 10;
    bool ExpandOn = false;
    int32_t ExpandSpan = 9;
    bool SpectrumHintOn = false;           // SpectrumBox shows MarkerHint

    DisplayLabels Labels;
    DisplayMenuChecks MenuChecks;
    DisplaySwitches Switches;

    // Off-screen images: the frequency pane as shown, the waterfall history,
    // the time pane as shown and its scrolling strip. Filled white on creation.
    TBitmap SpectrumImage{PaneWidth, SpectrumPaneHeight};
    TBitmap WaterfallImage{PaneWidth, SpectrumPaneHeight};
    TBitmap TimeImage{PaneWidth, TimePaneHeight};
    TBitmap TimeWorkImage{PaneWidth, TimePaneHeight};

    // Scratch arrays of the drawing routines, sized for the largest case.
    int32_t RowLevels[RowArraySize] = {};
    int32_t RowInterp[RowArraySize] = {};
    int32_t RowExpand[RowArraySize] = {};
    float PhaseSpectrum1Re[RowArraySize] = {};
    float PhaseSpectrum1Im[RowArraySize] = {};
    float PhaseSpectrum2Re[RowArraySize] = {};
    float PhaseSpectrum2Im[RowArraySize] = {};
    float PowerWork[RowArraySize] = {};
    float SpectrumRe[RowArraySize] = {};
    float SpectrumIm[RowArraySize] = {};
    SplineScratch Spline = {};
};

// Status strip colours of BackgroundStyle (white, black, teal; anything else as black).
StatusStripColors StatusColors(int backgroundStyle);
