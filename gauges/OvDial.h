// TOvDial: a focusable rotary knob. The pointer sweeps 270 degrees clockwise
// from the lower left (minimum) over the top to the lower right (maximum).
// Around the knob sits a circular scale with labels, above it an optional
// value box, below it one or two name captions.
//
// The layout (frame, value box, scale, knob, captions, pointer shape) is
// computed when the size or a setting changes; a full paint only draws it,
// step by step through overridable hooks (DrawFrame, DrawValueBox,
// DrawCaptions, DrawScale, DrawKnob), and caches the knob without its
// pointer. A value change only copies that cache, draws the pointer over it
// (DrawPointer) and the value (DrawValueText), and shows the knob rectangle
// and the value box (FlushedRects() lists them).
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"

#include <QSize>

#include <array>
#include <cstdint>

enum TDialOption { opBevelOuter, opUnit, opValue, opName1, opName2, opScale, opScaleText };
using TDialOptions = TSet<TDialOption>;

class VELQUOR_GAUGES_EXPORT TOvDial : public TOvAnalogCControl {
    Q_OBJECT
    Q_PROPERTY(int Options READ OptionBits WRITE SetOptionBits NOTIFY settingsChanged)
    Q_PROPERTY(Ov::TDialPointer PointerType READ PointerType WRITE SetPointerType NOTIFY settingsChanged)
    Q_PROPERTY(int PointerSize READ PointerSize WRITE SetPointerSize NOTIFY settingsChanged)

public:
    explicit TOvDial(QWidget* Owner = nullptr);
    ~TOvDial() override;

    void Loaded() override;
    void ParamChange(QObject* Sender) override;
    // Fast pointer redraw (after every Digit change, on focus changes and at
    // the end of each paint).
    void ValueChange() override;

    // Published properties.
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& v) { FBevelOuter.Assign(v); }
    TOvSBevel& BevelValue() { return FBevelValue; }
    void SetBevelValue(const TOvSBevel& v) { FBevelValue.Assign(v); }
    TOvSBevel& BevelDial() { return FBevelDial; }
    void SetBevelDial(const TOvSBevel& v) { FBevelDial.Assign(v); }
    TFont& FontValue() { return FFontValue; }
    const TFont& FontValue() const { return FFontValue; }
    void SetFontValue(const TFont& v) { FFontValue.Assign(v); }
    TDialOptions Options() const { return FOptions; }
    void SetOptions(TDialOptions v);
    TScaleSettings& ScaleSettings() { return FScaleSettings; }
    void SetScaleSettings(const TScaleSettings& v) { FScaleSettings.Assign(v); }
    TDialPointer PointerType() const { return FPointerType; }
    void SetPointerType(TDialPointer v);
    int PointerSize() const { return FPointerSize; }
    void SetPointerSize(int v);
    // Options as their bit values (opBevelOuter 1 ... opScaleText 64).
    int OptionBits() const { return int(FOptions.Bits()); }
    void SetOptionBits(int v) { SetOptions(TDialOptions::FromBits(std::uint64_t(v) & 127u)); }

    // The size the layout is made for at the default width; the minimum is
    // the smallest size that still shows the pointer (a knob face wider than
    // 10 pixels), the whole value box and the captions.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The layout, for descendants and tests.
    TRect KnobRect() const { return FLayout.KnobRect; }   // inside the knob's bevel, control coordinates
    TRect ValueRect() const { return FLayout.ValueRect; } // value text area, control coordinates
    TPoint Centre() const { return FLayout.Centre; }      // knob centre in KnobRect coordinates
    bool BitmapValid() const { return FBitmapValid; }
    float PointerAngle() const { return FPointerAngle; } // degrees from the minimum position
    int RoundPointerRadius() const { return FLayout.RoundPointerRadius; }
    // The pointer colour the next redraw uses.
    TColor PointerColor() const;
    // What the value box showed at the last redraw: the value text, fitted,
    // or the overflow mark.
    const TFittedText& ShownValue() const { return FShownValue; }

    static constexpr int SweepAngle = 270;
    static constexpr int StartAngle = 225;
    static constexpr int MaxRoundPointerRadius = 6;

protected:
    // Everything a paint draws where, for a control of W x H.
    struct TLayout {
        TRect Inner;          // inside the outer frame (or the whole control)
        TRect ValueBox;       // the value box with its bevel; empty without opValue
        TRect ValueRect;      // the value text area
        TPoint UnitPos;       // top-left of the unit text
        int CaptionWidth = 0; // width the name captions must fit
        TPoint Name1Pos, Name2Pos; // bottom centres of the captions
        TRect ScaleRect;      // the rectangle the scale is drawn in
        TRect KnobOuter;      // the knob with its bevel (the hit rectangle)
        TRect KnobRect;       // the knob's face
        TPoint Centre;        // knob centre in knob-face coordinates
        int RoundPointerRadius = 2;
        std::array<TPoint, 4> Triangle {};
        TPoint LineEnd {};
        TPoint RoundCentre {};
        int Bottom = 0;       // the height the control needs at this width
        int SampleWidth = 0, SampleHeight = 0, UnitWidth = 0, UnitHeight = 0;
    };
    // The layout for a control of W x H with the current settings (also sizes
    // the scale's labels and metrics).
    TLayout ComputeLayout(int W, int H) const;
    // Recompute the layout for the current size and settings.
    virtual void UpdateLayout();
    // The layout at width W for the size hints (leaves the scale metrics alone).
    TLayout HintLayout(int W) const;
    const TLayout& Layout() const { return FLayout; }

    // Drawing steps of a full paint, in this order.
    virtual void DrawFrame(TCanvas& c);
    virtual void DrawValueBox(TCanvas& c);
    virtual void DrawCaptions(TCanvas& c);
    virtual void DrawScale(TCanvas& c);
    virtual void DrawKnob(TCanvas& c);
    // Drawing steps of the fast redraw: the pointer on the knob face (in
    // knob-face coordinates) and the value text in the value box's bitmap.
    virtual void DrawPointer(TCanvas& c, TColor colour);
    virtual void DrawValueText(TCanvas& c, const QString& text);

    void Paint() override;
    void Resized() override;
    void FontChanged() override { ParamChange(this); }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SlideTo(TShiftState Shift, int X, int Y) override;

private:
    void HookSettings();
    // The scale's label font, greyed on a disabled dial.
    TFont LabelFont() const;

    TOvSBevel FBevelOuter;
    TOvSBevel FBevelValue;
    TOvSBevel FBevelDial;
    TFont FFontValue;
    TDialOptions FOptions { opBevelOuter, opUnit, opValue, opName1, opName2, opScale, opScaleText };
    TScaleSettings FScaleSettings;
    TDialPointer FPointerType = dpRound;
    int FPointerSize = 8;

    TBitmap FDialBitmap;
    bool FBitmapValid = false;
    // The current layout. Triangle (apex, two base corners, apex), inner end
    // of the line pointer and centre of the round pointer are pre-rotated to
    // the start angle.
    TLayout FLayout;
    float FPointerAngle = 0.0f;
    float FLastMouseAngle = 0.0f;
    TFittedText FShownValue;
    mutable QSize FSizeHint;    // cached; empty when the settings changed
    mutable QSize FMinimumHint;
};
