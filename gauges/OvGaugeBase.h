// Common ground of the further gauge classes (sliders, gear dial, value
// indicator, meters, bars, thermometer, tank):
//
//   TOvAnalogDisplay   display analog (TOvAnalogGControl value model) with an
//                      outer bevel, a scale look and Qt properties
//   TOvAnalogOperable  windowed analog (TOvAnalogCControl value model) with
//                      the same
//   TOvGaugePaint      drawing helpers over the library's routines: linear
//                      scales, sector bands on arcs and along lines, needles
//
// Layout is computed when the size or a setting changes (LayoutFace, run
// before the next paint), painting goes through small overridable steps
// (PaintFrame, then PaintFace), and every class answers sizeHint and
// minimumSizeHint.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GDraw.h"
#include "platform/canvas/Canvas.h"

#if __has_include("gauges/GaugesExport.h")
#include "gauges/GaugesExport.h"
#endif
#ifndef VELQUOR_GAUGES_EXPORT
#define VELQUOR_GAUGES_EXPORT
#endif

#include <QSize>
#include <QString>

#include <vector>

// Drawing helpers shared by the further gauges.
struct VELQUOR_GAUGES_EXPORT TOvGaugePaint {
    // Ticks and labels of a linear scale along one axis. The value range
    // from..to runs from pixel p0 to p1 (either direction) on the line at
    // `base` (y for horizontal scales, x for vertical ones); ticks point away
    // from the face by `side` (+1 down/right, -1 up/left); labels sit beyond
    // the ticks. Returns the thickness used (ticks plus labels).
    static int DrawLinearScale(TCanvas& c, TScaleSettings& scale, double from, double to, int p0, int p1,
                               int base, bool vertical, int side, bool labels = true);
    // Thickness a linear scale needs across its axis (ticks plus labels).
    static int LinearScaleThickness(TCanvas& c, TScaleSettings& scale, double from, double to, bool vertical,
                                    bool labels = true);
    // A band between radii rInner and rOuter about centre, from angle a0 over
    // `sweep` degrees (clockwise from straight up), filled in colour.
    static void DrawArcBand(TCanvas& c, TPoint centre, int rOuter, int rInner, double a0, double sweep,
                            TColor colour);
    // The three sectors of s as arc bands over the scale's sweep.
    static void DrawSectorArcs(TCanvas& c, const TSectorSettings& s, TPoint centre, int rOuter, int rInner,
                               double start, double sweep);
    // The three sectors as strips between positions p0 (0 per mille) and p1
    // (1000 per mille) across cross0..cross1.
    static void DrawSectorStrips(TCanvas& c, const TSectorSettings& s, int p0, int p1, int cross0, int cross1,
                                 bool vertical);
    // A tapered needle from centre to radius r at angle a (degrees clockwise
    // from straight up), with a counterweight tail, in colour.
    static void DrawNeedle(TCanvas& c, TPoint centre, int r, double a, TColor colour, int width);
    // A limit mark: a triangle from its tip to a base 6 pixels wide centred
    // at `back` (tip and back share an x or a y), filled in colour with an
    // outline in pen.
    static void DrawMark(TCanvas& c, TPoint tip, TPoint back, TColor colour, TColor pen);
    // Position in per mille between p0 and p1.
    static int PosOf(int p0, int p1, int perMille) { return p0 + int((long long)(p1 - p0) * perMille / 1000); }
    // Darker or lighter shade of a colour (factor 0..2).
    static TColor Shade(TColor colour, double factor);
};

// What the display and the operable further gauges share: the outer bevel
// and scale look they publish, the face inside the bevel with its layout
// cache, the paint in two steps (frame, then face), the preferred and
// smallest sizes, and the bookkeeping behind their finer change signals.
class VELQUOR_GAUGES_EXPORT TOvGaugeFace {
public:
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& v) { FBevelOuter.Assign(v); }
    TScaleSettings& ScaleSettings() { return FScaleSettings; }
    void SetScaleSettings(const TScaleSettings& v) { FScaleSettings.Assign(v); }
    // The content rectangle inside the outer bevel (after the last layout).
    TRect FaceRect() const { return FFaceRect; }

protected:
    // The range the control starts with (not announced as a change).
    explicit TOvGaugeFace(const TSignalSettings& signal);
    virtual ~TOvGaugeFace();
    TOvGaugeFace(const TOvGaugeFace&) = delete;
    TOvGaugeFace& operator=(const TOvGaugeFace&) = delete;

    // Paint steps: the frame (outer bevel) gives the face rectangle; the
    // face is the instrument itself.
    virtual void PaintFrame(TCanvas& c, TRect& R);
    virtual void PaintFace(TCanvas& c, const TRect& R) = 0;
    // Layout of the face for its rectangle R, after a size or setting change.
    virtual void LayoutFace(TCanvas& c, const TRect& R) { (void)c; (void)R; }
    // Preferred and smallest useful sizes.
    virtual QSize DefaultSize() const = 0;
    virtual QSize SmallestSize() const = 0;
    // The frame, then the face clipped to it (laid out first when due).
    void PaintGauge(TCanvas& c, int width, int height);
    void InvalidateLayout() { FLayoutValid = false; }
    // The outer bevel and the scale report their changes to e.
    void HookFace(const TNotifyEvent& e);

    // What changed since it was last announced: the range ends, the
    // captions (names, unit, format).
    struct TFaceChanges {
        bool Range = false;
        bool Captions = false;
    };
    TFaceChanges TakeFaceChanges(const TSignalSettings& signal);

private:
    TOvSBevel FBevelOuter;
    TScaleSettings FScaleSettings;
    bool FLayoutValid = false;
    TRect FFaceRect {};
    QString FEmittedCaptions;
    float FEmittedFrom = 0.0f, FEmittedTo = 0.0f;
};

class VELQUOR_GAUGES_EXPORT TOvAnalogDisplay : public TOvAnalogGControl, public TOvGaugeFace {
    Q_OBJECT
    Q_PROPERTY(float ValueFrom READ ValueFrom WRITE SetValueFrom NOTIFY rangeChanged)
    Q_PROPERTY(float ValueTo READ ValueTo WRITE SetValueTo NOTIFY rangeChanged)
    Q_PROPERTY(float LimitUpper READ LimitUpper WRITE SetLimitUpper NOTIFY limitsChanged)
    Q_PROPERTY(float LimitLower READ LimitLower WRITE SetLimitLower NOTIFY limitsChanged)
    Q_PROPERTY(QString Name1 READ Name1 WRITE SetName1 NOTIFY captionsChanged)
    Q_PROPERTY(QString Name2 READ Name2 WRITE SetName2 NOTIFY captionsChanged)
    Q_PROPERTY(QString ValueUnit READ ValueUnit WRITE SetValueUnit NOTIFY captionsChanged)
    Q_PROPERTY(QString ValueFormat READ ValueFormat WRITE SetValueFormat NOTIFY captionsChanged)
    Q_PROPERTY(bool ShowValue READ ShowValue WRITE SetShowValue)
    Q_PROPERTY(bool ShowLimits READ ShowLimits WRITE SetShowLimits)

public:
    explicit TOvAnalogDisplay(QWidget* Owner = nullptr);
    void Loaded() override;
    void SettingsChanged(QObject* Sender) override;
    void ValueChange() override;

    // Face of the instrument (dial plate, scale strip, display window).
    TColor FaceColor() const { return FFaceColor; }
    void SetFaceColor(TColor v) { StoreSetting(FFaceColor, v); }
    bool ShowValue() const { return FShowValue; }
    void SetShowValue(bool v) { StoreSetting(FShowValue, v); }
    bool ShowLimits() const { return FShowLimits; }
    void SetShowLimits(bool v) { StoreSetting(FShowLimits, v); }

    QSize sizeHint() const override { return DefaultSize(); }
    QSize minimumSizeHint() const override { return SmallestSize(); }

    // Per mille of the value for drawing, held to 0..1000.
    int DrawPerMille() const;
    // Colour the value is shown in: the active sector's colour.
    TColor ValueColour() const { return SectorColor(); }
    // Per mille of a value of the range (not held).
    int PerMilleOf(float v) const { return SignalSettings().PerMille(v); }
    // The value text followed by the unit.
    QString ValueWithUnit() const { return WithUnit(ValueText()); }

    // A limit as a scale marks it: where in per mille, in which colour.
    struct TLimitMark {
        int PerMille;
        TColor Colour;
    };
    // The limits to mark, lower then upper: those inside the range, none
    // without ShowLimits.
    std::vector<TLimitMark> LimitMarks() const;

signals:
    void rangeChanged();
    void limitsChanged();
    void captionsChanged();

protected:
    void Paint() override { PaintGauge(Canvas(), Width(), Height()); }
    void Resized() override { InvalidateLayout(); }
    void LimitChanged() override { emit limitsChanged(); }
    template <class T>
    void StoreSetting(T& field, const T& v)
    {
        if (StoreChanged(field, v))
            Change();
    }
    // A text of the face: anchor and alignment as TextOutAligned takes them;
    // hidden where the layout found no room for it.
    struct TTextSpot {
        TPoint At { -1000, -1000 };
        int Align = 0;
        bool Shown() const { return At.X > -1000; }
    };
    // The caption (Name1) and the value text with its unit (bold) at their
    // spots, in the control's font.
    void PaintCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value);

private:
    TColor FFaceColor = clWhite;
    bool FShowValue = true;
    bool FShowLimits = true;
};

class VELQUOR_GAUGES_EXPORT TOvAnalogOperable : public TOvAnalogCControl, public TOvGaugeFace {
    Q_OBJECT
    Q_PROPERTY(float ValueFrom READ ValueFrom WRITE SetValueFrom NOTIFY rangeChanged)
    Q_PROPERTY(float ValueTo READ ValueTo WRITE SetValueTo NOTIFY rangeChanged)
    Q_PROPERTY(int DigitalFrom READ DigitalFrom WRITE SetDigitalFrom NOTIFY rangeChanged)
    Q_PROPERTY(int DigitalTo READ DigitalTo WRITE SetDigitalTo NOTIFY rangeChanged)
    Q_PROPERTY(QString Name1 READ Name1 WRITE SetName1 NOTIFY captionsChanged)
    Q_PROPERTY(QString Name2 READ Name2 WRITE SetName2 NOTIFY captionsChanged)
    Q_PROPERTY(QString ValueUnit READ ValueUnit WRITE SetValueUnit NOTIFY captionsChanged)
    Q_PROPERTY(QString ValueFormat READ ValueFormat WRITE SetValueFormat NOTIFY captionsChanged)
    Q_PROPERTY(int ChangeLarge READ ChangeLarge WRITE SetChangeLarge)
    Q_PROPERTY(int ChangeSmall READ ChangeSmall WRITE SetChangeSmall)
    Q_PROPERTY(bool ShowValue READ ShowValue WRITE SetShowValue)

public:
    explicit TOvAnalogOperable(QWidget* Owner = nullptr);
    void Loaded() override;
    void ParamChange(QObject* Sender) override;
    void ValueChange() override;

    TFont& FontValue() { return FFontValue; }
    void SetFontValue(const TFont& v) { FFontValue.Assign(v); }
    bool ShowValue() const { return FShowValue; }
    void SetShowValue(bool v);

    QSize sizeHint() const override { return DefaultSize(); }
    QSize minimumSizeHint() const override { return SmallestSize(); }

    // The value in per mille of the digital range, 0..1000.
    int DrawPerMille() const;
    // Pointer colour: focus colours when enabled, shadow when disabled.
    TColor PointerColour() const;

signals:
    void rangeChanged();
    void captionsChanged();

protected:
    void Paint() override { PaintGauge(Canvas(), Width(), Height()); }
    void Resized() override { InvalidateLayout(); }
    // A value box (lowered black bevel, value right-aligned in FontValue)
    // centred in R; returns the rectangle it took.
    void PaintValueBox(TCanvas& c, const TRect& R);
    // Digit for a per-mille position of the travel.
    int DigitAtPerMille(double perMille) const;

private:
    TFont FFontValue;
    bool FShowValue = true;
};
