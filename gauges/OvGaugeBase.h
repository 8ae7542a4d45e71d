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

#include <algorithm>
#include <vector>

// Drawing helpers shared by the further gauges.
struct VELQUOR_GAUGES_EXPORT TOvGaugePaint {
    // Tick lengths of a linear scale whose labels are labelHeight high.
    static int MajorTick(int labelHeight) { return std::max(4, labelHeight / 2 + 1); }
    static int MinorTick(int labelHeight) { return std::max(2, MajorTick(labelHeight) / 2); }
    // Ticks and labels of a linear scale along one axis, with the labels
    // measured (MeasureScaleLabels) in look. The value range runs from
    // pixel p0 to p1 (either direction) on the line at `base` (y for
    // horizontal scales, x for vertical ones); ticks point away from the face
    // by `side` (+1 down/right, -1 up/left); labels sit beyond the ticks.
    // Labels that would run into each other are thinned to every second,
    // third, ... one. The labels drawn are added to drawn when given.
    // Returns the thickness used (ticks plus labels).
    static int DrawLinearScale(TCanvas& c, const TScaleLook& look, const TScaleMetrics& m, int p0, int p1,
                               int base, bool vertical, int side, bool labels = true,
                               std::vector<TFittedText>* drawn = nullptr);
    // Thickness a linear scale needs across its axis (ticks plus labels).
    static int LinearScaleThickness(const TScaleMetrics& m, bool vertical, bool labels = true);
    // How far the end labels reach beyond the ends of the scale's travel.
    static int LabelOverhang(const TScaleMetrics& m, bool vertical);
    // The travel the labels need so that none runs into the next.
    static int LabelsLength(const TScaleMetrics& m, bool vertical, int steps);
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
// cache, the paint in two steps (frame, then face), the bookkeeping behind
// their finer change signals, and the rules that keep their texts legible:
//
// - The size hints come from the layout. The preferred size is the design
//   size, larger where the fonts and texts need more; the minimum is the
//   smallest size at which the layout places every caption, readout and
//   scale label without overlap, inside the face, the readouts of the range
//   whole and the captions at most condensed.
// - Above the preferred size the face grows as a whole: its fonts and
//   lengths by the factor Zoom().
// - Texts are drawn fitted (TOvDraw::DrawFittedText): captions condense and
//   shrink but are never cut, readouts show the whole number or the
//   overflow mark. PlacedTexts() lists what the last paint drew.
class VELQUOR_GAUGES_EXPORT TOvGaugeFace {
public:
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& v) { FBevelOuter.Assign(v); }
    TScaleSettings& ScaleSettings() { return FScaleSettings; }
    void SetScaleSettings(const TScaleSettings& v) { FScaleSettings.Assign(v); }
    // The content rectangle inside the outer bevel (after the last layout).
    TRect FaceRect() const { return FFaceRect; }
    // The factor the face grows by above its preferred size (1 up to it).
    double Zoom() const { return FZoom; }
    // What the last paint drew: captions and readouts (as drawn, fitted or
    // marked), then the scale labels.
    const std::vector<TFittedText>& PlacedTexts() const { return FPlaced; }

protected:
    // The control and its signal settings (range, format, unit, names).
    TOvGaugeFace(TControl& control, const TSignalSettings& signal);
    virtual ~TOvGaugeFace();
    TOvGaugeFace(const TOvGaugeFace&) = delete;
    TOvGaugeFace& operator=(const TOvGaugeFace&) = delete;

    // Paint steps: the frame (outer bevel) gives the face rectangle; the
    // face is the instrument itself.
    virtual void PaintFrame(TCanvas& c, TRect& R);
    virtual void PaintFace(TCanvas& c, const TRect& R) = 0;
    // Layout of the face for its rectangle R, after a size or setting
    // change. It accounts for its texts (PlanText, PlanDropped): the size
    // hints rest on that account.
    virtual void LayoutFace(TCanvas& c, const TRect& R) = 0;
    // The size the face is designed for at its fonts' own sizes.
    virtual QSize DesignSize() const = 0;
    // The preferred and the smallest legible size (from the layout).
    QSize PreferredSize() const;
    QSize LegibleMinimum() const;
    // A constructor's last step: the control takes its preferred size.
    void TakePreferredSize();
    // The frame, then the face clipped to it (laid out first when due).
    void PaintGauge(TCanvas& c, int width, int height);
    void InvalidateLayout() { FLayoutValid = false; }
    // Settings that change the texts or their fonts: the hints are due again.
    void InvalidateHints();
    // The outer bevel and the scale report their changes to e.
    void HookFace(const TNotifyEvent& e);

    // A text of the face: anchor and alignment as TextOutAligned takes them,
    // and the width it may take; hidden where the layout found no room.
    struct TTextSpot {
        TPoint At { -1000, -1000 };
        int Align = 0;
        int Width = 0;
        bool Shown() const { return At.X > -1000; }
    };
    // A font or a length grown by the zoom.
    TFont Zoomed(const TFont& f) const;
    int Zoomed(int length) const;
    // A text of the face, drawn fitted into width and recorded.
    TRect DrawText(TCanvas& c, int x, int y, int align, const QString& text, int width, TTextFit fit);
    // The widest readout of the range in the canvas font: its ends and the
    // format's sample, with the unit or without.
    int ReadoutWidth(TCanvas& c, bool withUnit = true) const;
    QString WithUnitText(const QString& text) const;

    // The scale: labels of the range measured in the scale font grown by the
    // zoom, and a linear scale drawn with them (its label boxes recorded).
    const TScaleMetrics& MeasureScale(TCanvas& c);
    const TScaleMetrics& ScaleMetrics() const { return FScaleMetrics; }
    TScaleLook ScaleLook() const;
    void DrawLinearScale(TCanvas& c, int p0, int p1, int base, bool vertical, int side);
    // A circular scale of sweep degrees from start in R (DrawScaleCircle with
    // one-pixel major ticks); R becomes its inner rectangle. The boxes its
    // labels take in R, for the layout.
    TScaleCircleGeometry DrawCircularScale(TCanvas& c, TRect& R, int sweep, int start);
    std::vector<TRect> CircularLabelBoxes(TCanvas& c, const TRect& R, int sweep, int start);
    int LinearScaleThickness(bool vertical) const { return TOvGaugePaint::LinearScaleThickness(FScaleMetrics, vertical); }
    // A linear scale that is shown measured: the thickness it takes across
    // its axis (0 when not shown).
    int MeasureLinearScale(TCanvas& c, bool shown, bool vertical);
    int LabelOverhang(bool vertical) const { return TOvGaugePaint::LabelOverhang(FScaleMetrics, vertical); }

    // The layout's account of its texts: the box a text may fill and the
    // width it needs at its font's own size; scale labels by their boxes; a
    // text the layout had to leave out.
    void PlanText(const TRect& box, int needed, TTextFit fit);
    void PlanText(TCanvas& c, int x, int y, int align, const QString& text, int width, TTextFit fit);
    void PlanLabels(const std::vector<TRect>& boxes);
    void PlanLinearScale(int p0, int p1, int base, bool vertical, int side);
    void PlanDropped() { FPlanComplete = false; }
    // Whether any two of the boxes overlap.
    static bool Overlapping(const std::vector<TRect>& boxes);

    // What changed since it was last announced: the range ends, the
    // captions (names, unit, format).
    struct TFaceChanges {
        bool Range = false;
        bool Captions = false;
    };
    TFaceChanges TakeFaceChanges(const TSignalSettings& signal);

private:
    struct TPlanned {
        TRect Box;
        int Needed;
        TTextFit Fit;
    };
    // Lays the face out at w x h (at its fonts' own sizes) and judges the
    // account: every text planned, inside the face, wide enough, apart.
    bool LegibleAt(int w, int h);
    double ZoomAt(int w, int h) const;

    TControl& FControl;
    const TSignalSettings& FSignal;
    TOvSBevel FBevelOuter;
    TScaleSettings FScaleSettings;
    bool FLayoutValid = false;
    TRect FFaceRect {};
    double FZoom = 1.0;
    TFont FScaleFont;
    TScaleMetrics FScaleMetrics;
    std::vector<TFittedText> FPlaced;
    std::vector<TPlanned> FPlan;
    bool FPlanComplete = true;
    mutable QSize FPreferred, FMinimum; // cached once loaded; empty when due
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

    QSize sizeHint() const override { return PreferredSize(); }
    QSize minimumSizeHint() const override { return LegibleMinimum(); }

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
    void FontChanged() override { SettingsChanged(this); }
    void LimitChanged() override { emit limitsChanged(); }
    template <class T>
    void StoreSetting(T& field, const T& v)
    {
        if (StoreChanged(field, v))
            Change();
    }
    // The caption (Name1) and the value text with its unit (bold) at their
    // spots, in the control's font; the layout plans them for the size hints.
    // One text row at the top of r, when r keeps more than `rest` pixels
    // below it (else the layout counts the texts left out): the caption at
    // its left and the value (with its unit or without) at its right, inset
    // pixels in. r then starts gap pixels below the row.
    void TopTextRow(TCanvas& c, TRect& r, int rest, int inset, int gap, TTextSpot& caption, TTextSpot& value,
                    bool unit = true);
    void PaintCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value, bool unit = true);
    void PlanCaptionAndValue(TCanvas& c, const TTextSpot& caption, const TTextSpot& value, bool unit = true);

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
    Q_PROPERTY(bool ShowScale READ ShowScale WRITE SetShowScale)

public:
    explicit TOvAnalogOperable(QWidget* Owner = nullptr);
    void Loaded() override;
    void ParamChange(QObject* Sender) override;
    void ValueChange() override;

    TFont& FontValue() { return FFontValue; }
    void SetFontValue(const TFont& v) { FFontValue.Assign(v); }
    bool ShowValue() const { return FShowValue; }
    void SetShowValue(bool v);
    bool ShowScale() const { return FShowScale; }
    void SetShowScale(bool v);

    QSize sizeHint() const override { return PreferredSize(); }
    QSize minimumSizeHint() const override { return LegibleMinimum(); }

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
    void FontChanged() override { ParamChange(this); }
    // A value box (lowered black bevel, value right-aligned in FontValue)
    // centred in R; returns the rectangle it took.
    void PaintValueBox(TCanvas& c, const TRect& R);
    // Digit for a per-mille position of the travel.
    int DigitAtPerMille(double perMille) const;

private:
    TFont FFontValue;
    bool FShowValue = true;
    bool FShowScale = true;
};
