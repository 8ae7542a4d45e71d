// TOvDial: a focusable rotary knob. The pointer sweeps 270 degrees clockwise
// from the lower left (minimum) over the top to the lower right (maximum).
// Around the knob sits a circular scale with labels, above it an optional
// value box, below it one or two name captions.
//
// A full paint rebuilds the whole picture and caches the knob without its
// pointer; a value change only copies that cache, draws the pointer over it
// and shows the knob rectangle and the value box (FlushedRects() lists them).
#pragma once

#include "gauges/GaugesExport.h"

#include "gauges/GClass.h"

#include <array>

enum TDialOption { opBevelOuter, opUnit, opValue, opName1, opName2, opScale, opScaleText };
using TDialOptions = TSet<TDialOption>;
enum TDialPointer { dpRound, dpLine, dpTriangle };

class VELQUOR_GAUGES_EXPORT TOvDial : public TOvAnalogCControl {
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

    // Layout of the last paint, for descendants and tests.
    TRect KnobRect() const { return FKnobRect; }   // inside the knob's bevel, control coordinates
    TRect ValueRect() const { return FValueRect; } // value text area, control coordinates
    TPoint Centre() const { return FCentre; }      // knob centre in KnobRect coordinates
    bool BitmapValid() const { return FBitmapValid; }
    float PointerAngle() const { return FPointerAngle; } // degrees from the minimum position
    int RoundPointerRadius() const { return FRoundPointerRadius; }
    // The pointer colour the next redraw uses.
    TColor PointerColor() const;

    static constexpr int SweepAngle = 270;
    static constexpr int StartAngle = 225;
    static constexpr int MaxRoundPointerRadius = 6;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SlideTo(TShiftState Shift, int X, int Y) override;

private:
    void HookSettings();

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
    TRect FKnobRect {};
    TPoint FCentre {};
    TRect FValueRect {};
    // Triangle (apex, two base corners, apex), inner end of the line pointer,
    // centre of the round pointer; pre-rotated to the start angle.
    std::array<TPoint, 4> FTriangle {};
    TPoint FLineEnd {};
    TPoint FRoundCentre {};
    int FRoundPointerRadius = 2;
    float FPointerAngle = 0.0f;
    float FLastMouseAngle = 0.0f;
    int FSampleWidth = 0, FSampleHeight = 0;
    int FUnitWidth = 0, FUnitHeight = 0;
};
