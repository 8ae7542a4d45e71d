#pragma once
// The display data model, in one object owned by the main window: the settings model
// (DisplaySettings, what the settings file keeps), the view state the window mirrors onto
// its widgets (DisplayView), what the panes keep between blocks and the four images.
// What the processing chain also reads (traces, levels, the enable and hold flags, the
// modulation type, FreqSpan, FreqScaleSetting, the filter marker rows and the post-filter
// flags) lives in ProcessingState and is passed alongside; it is never copied here. The
// frequency pane's work arrays belong to its routines (FrequencyScratch, FrequencyPane.h).
//
// The object holds four images; its owner allocates it on the heap. The images need a
// QGuiApplication to draw on.

#include <QString>

#include <cstdint>
#include <memory>

#include "app/display/DisplaySettings.h"
#include "platform/canvas/Canvas.h"

// Pane geometry after the window's start-up scaling.
constexpr int PaneWidth = 730;
constexpr int SpectrumPaneHeight = 371;    // rows of the frequency axis (H)
constexpr int TimePaneHeight = 168;
constexpr int PaneCentre = PaneWidth / 2;  // x of the frequency pane's centre line (c)

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
    // The calibrated channels' amplitudes at the cursor's frequency ("Ch1 12.3 uV p-p");
    // empty while no channel is calibrated or the pointer has not been over the pane.
    QString CursorMicrovolts;
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

// What the window mirrors onto its widgets after each handler and block.
struct DisplayView {
    DisplayLabels Labels;
    DisplayMenuChecks MenuChecks;
    DisplaySwitches Switches;
    bool SpectrumHintOn = false;           // SpectrumBox shows MarkerHint
};

// A pair of markers while the mouse drags it: whether each marker may still move (the
// other one was not taken first) and how far from a marker the pointer grabs it.
struct MarkerDrag {
    bool Free1 = true;
    bool Free2 = true;
    int32_t GrabBelow = 10;
    int32_t GrabAbove = 10;
};

// A channel's calibration as it applies to the block just drawn; the window sets it after
// every block (the factor follows the carrier's level in AM).
struct ChannelMicrovolts {
    bool Calibrated = false;               // a calibration for the channel's modulation and carrier
    double PerTraceUnit = 0.0;             // microvolts per trace unit; 0 while it cannot apply
};

// A channel's scale label as last drawn: the text is rendered once and copied onto the time
// pane each block until it, its colour or the background changes.
struct ScaleLabel {
    QString Text;
    TColor Color = clNone;
    TColor Background = clNone;
    TBitmap Image;
};

struct FrequencyScratch;

struct DisplayState {
    DisplayState();
    ~DisplayState();
    DisplayState(const DisplayState&) = delete;
    DisplayState& operator=(const DisplayState&) = delete;

    DisplaySettings Settings;
    DisplayView View;

    int32_t CurrentChannel = 1;            // channel being drawn

    // Time pane.
    bool TimeTraceOn = true;
    int32_t TimeStep = 4;                  // pixel columns per block: 4, 8, 16 or 32
    TColor TimeBackground = clWhite;       // the background the time images hold now
    int32_t TraceLast1 = 0;                // last value drawn, the joint to the next segment
    int32_t TraceLast2 = 0;
    int32_t PhaseScale1 = 50;
    int32_t PhaseScale2 = 50;

    // Frequency axis (FreqSpan S itself is in ProcessingState).
    int32_t InterpBase = 512;              // B: half the points handed to the interpolation
    int32_t InterpFactor = 2;              // F: for the expanded view from interpolated points

    // Markers while they are shown and dragged.
    bool Marker2On = false;
    bool FilterMarker2On = false;
    MarkerDrag FrequencyDrag;
    MarkerDrag FilterDrag;
    bool ExpandOn = false;
    int32_t ExpandSpan = 9;

    // Microvolts: each channel's calibration, and the point of the frequency axis under the
    // pointer (a distance in rows or columns as the cursor readout takes it; -1 none yet).
    ChannelMicrovolts Microvolts[2];
    int32_t CursorPoint = -1;
    ScaleLabel ScaleLabels[2];

    // Off-screen images: the frequency pane as shown, the waterfall history,
    // the time pane as shown and its scrolling strip. Filled white on creation.
    TBitmap SpectrumImage{PaneWidth, SpectrumPaneHeight};
    TBitmap WaterfallImage{PaneWidth, SpectrumPaneHeight};
    TBitmap TimeImage{PaneWidth, TimePaneHeight};
    TBitmap TimeWorkImage{PaneWidth, TimePaneHeight};

    // The frequency pane routines' work arrays.
    std::unique_ptr<FrequencyScratch> Scratch;
};

// Status strip colours of BackgroundStyle (white, black, teal; anything else as black).
StatusStripColors StatusColors(int backgroundStyle);
