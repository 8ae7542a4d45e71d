// Settings objects of the gauge library: the small persistent objects that
// group related published properties (bevel, gradient, offsets, scale,
// sectors, signal range, min/max record, LED shape, ini file), and the
// enumerations and event types the gauges share.
//
// - A published property P has a getter P() and a setter SetP(v). Setters
//   store and notify only when the value really changes; out-of-range values
//   are ignored silently.
// - Every settings object fires OnChange (with itself as sender) after a
//   change, and a Qt signal changed() beside it. Settings objects are owned by
//   exactly one control (plain members); the published setter of a settings
//   object (SetBevelOuter(...)) copies values into the existing object, which
//   is never replaced.
#pragma once

#include "gauges/GDraw.h" // TGradientStyle, TBevelLine, TBevelParams and the painting routines
#include "gauges/GEnums.h"
#include "gauges/GaugesExport.h"
#include "platform/canvas/Canvas.h"
#include "platform/canvas/FormatFloat.h"
#include "platform/controls/Controls.h" // TSet, event types

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class TIniFile;

enum THintOption { hoAutoHint, hoValue, hoName1, hoName2, hoMin, hoMax, hoMinMaxDate, hoMinMaxTime };
using THintOptions = TSet<THintOption>;
enum TEnabledKey { vkPrior, vkNext, vkEnd, vkHome, vkLeft, vkDown, vkUp, vkRight };
using TEnabledKeys = TSet<TEnabledKey>;

using TOverflowEvent = std::function<void(QObject* Sender, int PPT)>;
using TSectorChangeEvent = std::function<void(QObject* Sender, bool Sector1, bool Sector2, bool Sector3, bool Enter)>;
using TLimitEvent = std::function<void(QObject* Sender, bool Lower, bool Upper)>;
using THandleIniEvent = std::function<void(TIniFile& Ini, bool Read)>;

// Stores v in field when it differs; true when it did. What every setter of
// the library does before it notifies, so that it notifies only on a change.
template <class T>
bool StoreChanged(T& field, const T& v)
{
    if (field == v)
        return false;
    field = v;
    return true;
}

// ---------------------------------------------------------------------------
// Settings objects
// ---------------------------------------------------------------------------

// Base of all settings objects: OnChange with the object as sender.
class VELQUOR_GAUGES_EXPORT TOvPersistent : public QObject {
    Q_OBJECT
public:
    explicit TOvPersistent(QObject* parent = nullptr);
    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }
    // The change operation; TSignalSettings and TOvSBevel replace it with
    // Recalculate.
    virtual void Changed();

signals:
    // Fired with OnChange.
    void changed();

protected:
    void FireChange(); // OnChange(this) when assigned
    template <class T>
    bool Store(T& field, const T& v)
    {
        if (!StoreChanged(field, v))
            return false;
        Changed();
        return true;
    }

private:
    TNotifyEvent FOnChange;
};

class VELQUOR_GAUGES_EXPORT TOvOffset : public TOvPersistent {
public:
    int Top() const { return FTop; }
    int Left() const { return FLeft; }
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }
    void SetTop(int v) { Store(FTop, v); }
    void SetLeft(int v) { Store(FLeft, v); }
    void SetRight(int v) { Store(FRight, v); }
    void SetBottom(int v) { Store(FBottom, v); }
    void Assign(const TOvOffset& src); // one change operation

private:
    int FTop = 0, FLeft = 0, FRight = 0, FBottom = 0;
};

class VELQUOR_GAUGES_EXPORT TOvGradSettings : public TOvPersistent {
public:
    TColor ColorFrom() const { return FColorFrom; }
    TColor ColorTo() const { return FColorTo; }
    bool Visible() const { return FVisible; }
    TGradientStyle Style() const { return FStyle; }
    void SetColorFrom(TColor v) { Store(FColorFrom, v); }
    void SetColorTo(TColor v) { Store(FColorTo, v); }
    void SetVisible(bool v) { Store(FVisible, v); }
    void SetStyle(TGradientStyle v) { Store(FStyle, v); }
    void Assign(const TOvGradSettings& src);

private:
    TColor FColorFrom = 0xE2E2E2;
    TColor FColorTo = 0x8F8F8F;
    bool FVisible = false;
    TGradientStyle FStyle = gsHorizontal1;
};

// Bevel frame settings and the rectangular and elliptic bevel painting.
class VELQUOR_GAUGES_EXPORT TOvSBevel : public TOvPersistent {
public:
    TOvSBevel();
    ~TOvSBevel() override;

    TOvOffset& Offset() { return FOffset; }
    const TOvOffset& Offset() const { return FOffset; }
    void SetOffset(const TOvOffset& v) { FOffset.Assign(v); }
    TBevelStyle Style() const { return F.Style; }
    void SetStyle(TBevelStyle v) { Store(F.Style, v); }
    int Spacing() const { return F.Spacing; }
    void SetSpacing(int v) { Store(F.Spacing, v); }
    TBevelLine BevelLine() const { return F.BevelLine; }
    void SetBevelLine(TBevelLine v) { Store(F.BevelLine, v); }
    int Width() const { return F.Width; }
    void SetWidth(int v); // negative values are ignored
    TColor Color() const { return F.Color; }
    void SetColor(TColor v) { Store(F.Color, v); }
    TColor ColorShadowFrom() const { return F.ColorShadowFrom; }
    void SetColorShadowFrom(TColor v) { Store(F.ColorShadowFrom, v); }
    TColor ColorShadowTo() const { return F.ColorShadowTo; }
    void SetColorShadowTo(TColor v) { Store(F.ColorShadowTo, v); }
    TColor ColorHighLightFrom() const { return F.ColorHighLightFrom; }
    void SetColorHighLightFrom(TColor v) { Store(F.ColorHighLightFrom, v); }
    TColor ColorHighLightTo() const { return F.ColorHighLightTo; }
    void SetColorHighLightTo(TColor v) { Store(F.ColorHighLightTo, v); }
    TColor PenColor() const { return F.PenColor; }
    void SetPenColor(TColor v) { Store(F.PenColor, v); }
    TOvGradSettings& SurfaceGrad() { return FSurfaceGrad; }
    const TOvGradSettings& SurfaceGrad() const { return FSurfaceGrad; }
    void SetSurfaceGrad(const TOvGradSettings& v) { FSurfaceGrad.Assign(v); }

    void Assign(const TOvSBevel& src); // copies all published values, one Recalculate

    // Spacing + Width (+1 for blOuter/blInner, +2 for blBoth); PaintRoundBevel
    // replaces it with its own figure.
    int TotalThickness() const { return FTotalThickness; }
    // Set by owners that paint the bevel as an ellipse (the dial's knob).
    bool Elliptic() const { return FElliptic; }
    void SetElliptic(bool v);
    // The 30 x 30 ring image of an elliptic bevel (null until Recalculate made it).
    const TBitmap* GradientImage() const { return FGradImage.get(); }

    void Changed() override { Recalculate(); }
    virtual void Recalculate();

    // Paint a rectangular bevel in R; R becomes the content rectangle.
    void PaintBevel(TCanvas& Canvas, TRect& R);
    // Paint an elliptic bevel (knob) in R; R becomes the content rectangle.
    void PaintRoundBevel(TCanvas& Canvas, TRect& R, int dx, int dy);
    // The values the painting routines read.
    TBevelParams Params() const;
    // The content rectangles PaintBevel and PaintRoundBevel leave in R,
    // computed without painting.
    TRect ContentRect(const TRect& R) const;
    TRect RoundContentRect(const TRect& R) const;

private:
    TOvOffset FOffset;
    TBevelFields F; // the frame values and their defaults, shared with TBevelParams
    TOvGradSettings FSurfaceGrad;
    int FTotalThickness = 5;
    bool FElliptic = false;
    bool FAssigning = false;
    std::unique_ptr<TBitmap> FGradImage;
};

// Three coloured value sectors in per mille of the value range.
class VELQUOR_GAUGES_EXPORT TSectorSettings : public TOvPersistent {
public:
    TColor Sector1Color() const { return FSector1Color; }
    int Sector1From() const { return FSector1From; }
    int Sector1To() const { return FSector1To; }
    TColor Sector2Color() const { return FSector2Color; }
    int Sector2From() const { return FSector2From; }
    int Sector2To() const { return FSector2To; }
    TColor Sector3Color() const { return FSector3Color; }
    int Sector3From() const { return FSector3From; }
    int Sector3To() const { return FSector3To; }
    int Offset() const { return FOffset; }
    int WidthOffset() const { return FWidthOffset; }
    void SetSector1Color(TColor v) { Store(FSector1Color, v); }
    void SetSector1From(int v) { Store(FSector1From, v); }
    void SetSector1To(int v) { Store(FSector1To, v); }
    void SetSector2Color(TColor v) { Store(FSector2Color, v); }
    void SetSector2From(int v) { Store(FSector2From, v); }
    void SetSector2To(int v) { Store(FSector2To, v); }
    void SetSector3Color(TColor v) { Store(FSector3Color, v); }
    void SetSector3From(int v) { Store(FSector3From, v); }
    void SetSector3To(int v) { Store(FSector3To, v); }
    void SetOffset(int v) { Store(FOffset, v); }
    void SetWidthOffset(int v) { Store(FWidthOffset, v); }
    void Assign(const TSectorSettings& src);

    // Sector k (1..3) accessors for loops.
    TColor SectorColor(int k) const;
    int SectorFrom(int k) const;
    int SectorTo(int k) const;

private:
    TColor FSector1Color = clYellow;
    int FSector1From = 0, FSector1To = 333;
    TColor FSector2Color = clGreen;
    int FSector2From = 334, FSector2To = 666;
    TColor FSector3Color = clRed;
    int FSector3From = 667, FSector3To = 1000;
    int FOffset = 0, FWidthOffset = 0;
};

// Digital and physical range of a value, its format, unit and names.
class VELQUOR_GAUGES_EXPORT TSignalSettings : public TOvPersistent {
public:
    TSignalSettings();

    int DigitalFrom() const { return FDigitalFrom; }
    int DigitalTo() const { return FDigitalTo; }
    const QString& Name1() const { return FName1; }
    const QString& Name2() const { return FName2; }
    const QString& ValueFormat() const { return FValueFormat; }
    float ValueFrom() const { return FValueFrom; }
    float ValueTo() const { return FValueTo; }
    const QString& ValueUnit() const { return FValueUnit; }
    void SetDigitalFrom(int v) { Store(FDigitalFrom, v); }
    void SetDigitalTo(int v) { Store(FDigitalTo, v); }
    void SetName1(const QString& v) { Store(FName1, v); }
    void SetName2(const QString& v) { Store(FName2, v); }
    void SetValueFormat(const QString& v) { Store(FValueFormat, v); }
    // Ignored when equal to the current ValueFrom or ValueTo; 0 is stored as
    // 0.000001; with LogScale the value snaps to the nearest power of ten.
    void SetValueFrom(float v);
    // Ignored when equal to the current ValueFrom or ValueTo; power-of-ten
    // snap with LogScale (0 is kept).
    void SetValueTo(float v);
    void SetValueUnit(const QString& v) { Store(FValueUnit, v); }

    bool LogScale() const { return FLogScale; }
    void SetLogScale(bool v) { FLogScale = v; }

    // Derived fields.
    float ValueRange() const { return FValueRange; }
    int DigitalRange() const { return FDigitalRange; }
    double ValuePerDigit() const { return FValuePerDigit; }
    double DigitsPerValue() const { return FDigitsPerValue; }
    double PerMilleFactor() const { return FPerMilleFactor; }
    const QString& SampleText() const { return FSampleText; }

    // round((value - ValueFrom) * PerMilleFactor): 0..1000 inside the range.
    int PerMille(double value) const;

    // The mapping between values and digits, used by every control (rounding
    // to nearest, ties to even; results saturate at the int range).
    // round((value - ValueFrom) * DigitsPerValue + DigitalFrom).
    int DigitOfValue(double value) const;
    // (digit - DigitalFrom) * ValuePerDigit + ValueFrom, in single precision.
    float ValueOfDigit(int digit) const;
    // round(fraction * DigitalRange) + DigitalFrom: the digit a fraction
    // 0..1 of the range stands for.
    int DigitOfFraction(double fraction) const;
    // Into DigitalFrom..DigitalTo (the upper end checked first).
    int ClampDigit(long long digit) const;
    // Into ValueFrom..ValueTo (the upper end checked first).
    float ClampValue(float value) const;
    // round(1000 / DigitalRange * (digit - DigitalFrom)); 0 for an empty range.
    int PerMilleOfDigit(int digit) const;
    // Logarithmic scales: DigitalRange / log10(ValueTo / ValueFrom), or 0
    // where it is undefined (a non-positive end, or equal ends).
    double LogFactor() const;
    // round(log10(value / ValueFrom) * logFactor) + DigitalFrom.
    int LogDigitOfValue(double value, double logFactor) const;
    // ValueFrom * 10^((digit - DigitalFrom) / logFactor).
    float LogValueOfDigit(int digit, double logFactor) const;

    void Assign(const TSignalSettings& src); // all published values, one Recalculate
    void Changed() override { Recalculate(); }
    // Recompute the derived fields, then fire OnChange.
    virtual void Recalculate();
    // Recompute the derived fields without firing OnChange.
    void Compute();

private:
    int FDigitalFrom = 0;
    int FDigitalTo = 1000;
    QString FName1 = QStringLiteral("SignalName1");
    QString FName2 = QStringLiteral("SignalName2");
    QString FValueFormat = QStringLiteral("##0.0");
    float FValueFrom = 0.0f;
    float FValueTo = 100.0f;
    QString FValueUnit = QStringLiteral("%");
    bool FLogScale = false;
    float FValueRange = 100.0f;
    int FDigitalRange = 1000;
    double FValuePerDigit = 0.0;
    double FDigitsPerValue = 0.0;
    double FPerMilleFactor = 0.0;
    QString FSampleText = QStringLiteral("##0.0");
};

// Record of the minimum and maximum value with time stamps.
class VELQUOR_GAUGES_EXPORT TMinMax : public TOvPersistent {
public:
    static constexpr float InitialMax = -9999999.0f;
    static constexpr float InitialMin = 9999999.0f;
    TMinMax();

    float Max() const { return FMax; }
    void SetMax(float v); // stamps MaxDateTime, no OnChange
    const QDateTime& MaxDateTime() const { return FMaxDateTime; }
    void SetMaxDateTime(const QDateTime& v) { FMaxDateTime = v; }
    float Min() const { return FMin; }
    void SetMin(float v); // stamps MinDateTime, no OnChange
    const QDateTime& MinDateTime() const { return FMinDateTime; }
    void SetMinDateTime(const QDateTime& v) { FMinDateTime = v; }
    TColor MaxColor() const { return FMaxColor; }
    void SetMaxColor(TColor v) { Store(FMaxColor, v); }
    TColor MinColor() const { return FMinColor; }
    void SetMinColor(TColor v) { Store(FMinColor, v); }
    bool UseSectorCol() const { return FUseSectorCol; }
    void SetUseSectorCol(bool v) { Store(FUseSectorCol, v); }
    bool MinVisible() const { return FMinVisible; }
    void SetMinVisible(bool v) { Store(FMinVisible, v); }
    bool MaxVisible() const { return FMaxVisible; }
    void SetMaxVisible(bool v) { Store(FMaxVisible, v); }
    void Assign(const TMinMax& src);

private:
    float FMax = InitialMax;
    QDateTime FMaxDateTime;
    float FMin = InitialMin;
    QDateTime FMinDateTime;
    TColor FMaxColor = clAqua;
    TColor FMinColor = clAqua;
    bool FUseSectorCol = true;
    bool FMinVisible = true;
    bool FMaxVisible = true;
};

// Scale appearance and the circular scale drawing.
class VELQUOR_GAUGES_EXPORT TScaleSettings : public TOvPersistent {
public:
    TScaleSettings();

    TColor Color() const { return FColor; }
    void SetColor(TColor v) { Store(FColor, v); }
    TColor PointerColor() const { return FPointerColor; }
    void SetPointerColor(TColor v) { Store(FPointerColor, v); }
    bool DrawLine() const { return FDrawLine; }
    void SetDrawLine(bool v); // always stores and fires OnChange
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& v); // copy; fires OnChange
    bool PosLeftTop() const { return FPosLeftTop; }
    void SetPosLeftTop(bool v) { Store(FPosLeftTop, v); }
    int Steps() const { return FSteps; }
    void SetSteps(int v); // accepted only in 1..20
    int SubSteps() const { return FSubSteps; }
    void SetSubSteps(int v); // accepted only in 1..10
    const QString& ValueFormat() const { return FValueFormat; }
    void SetValueFormat(const QString& v) { Store(FValueFormat, v); }
    const QString& ValueFormatLog() const { return FValueFormatLog; }
    void SetValueFormatLog(const QString& v) { Store(FValueFormatLog, v); }
    void Assign(const TScaleSettings& src);

    // Build and measure the label list for a value range.
    void MeasureScale(TCanvas& Canvas, double From, double To);
    // Draw ticks and labels on an arc of Sweep degrees starting at Start
    // (clockwise from straight up); R becomes the inner rectangle.
    // LabelFont, when given, replaces Font for the labels (a greyed scale).
    void DrawCircularScale(TCanvas& Canvas, TRect& R, int Sweep, int Start, const TFont* LabelFont = nullptr);
    // The same geometry without drawing: R becomes the inner rectangle and
    // the metrics take the centre, tick lengths and arc.
    void LayoutCircularScale(TRect& R, int Sweep, int Start);
    // Forget the labels: no label list, margin, width or height.
    void ClearLabels();
    // What the scale routines read of these settings (font, steps, formats).
    TScaleLook Look() const;

    // Scale metrics (set by MeasureScale / DrawCircularScale); owners read
    // the centre and arc fields and may adjust the metrics directly.
    TScaleMetrics& Metrics() { return FMetrics; }
    const TScaleMetrics& Metrics() const { return FMetrics; }
    bool LogScale() const { return FMetrics.LogScale; }
    void SetLogScale(bool v) { FMetrics.LogScale = v; }
    int MajorTickLength() const { return FMetrics.MajorTickLength; }
    int MinorTickLength() const { return FMetrics.MinorTickLength; }
    int MajorTickPenWidth() const { return FMetrics.MajorPenWidth; }
    void SetMajorTickPenWidth(int v) { FMetrics.MajorPenWidth = v; }
    int LabelMargin() const { return FMetrics.LabelMargin; }
    const QString& LabelList() const { return FMetrics.Labels; } // each label followed by ";"
    QStringList Labels() const;
    int WidestLabel() const { return FMetrics.WidestLabel; }
    int LabelHeight() const { return FMetrics.LabelHeight; }
    TPoint ScaleCentre() const { return FMetrics.Centre; }
    TPoint ArcStart() const { return FMetrics.ArcStart; } // first outer tick end
    TPoint ArcEnd() const { return FMetrics.ArcEnd; }     // last major inner end
    TRect ArcRect() const { return FMetrics.ArcRect; }

private:
    TColor FColor = clBlack;
    TColor FPointerColor = clLime;
    bool FDrawLine = true;
    TFont FFont;
    bool FPosLeftTop = false;
    int FSteps = 5;
    int FSubSteps = 2;
    QString FValueFormat = QStringLiteral("##0");
    QString FValueFormatLog = QStringLiteral("0e-0");

    TScaleMetrics FMetrics;
};

// LED shape, colours and size. The lamp itself is drawn by TOvLED.
class VELQUOR_GAUGES_EXPORT TLED : public TOvPersistent {
public:
    TLEDShape Shape() const { return FShape; }
    void SetShape(TLEDShape v) { Store(FShape, v); }
    TColor ColorOn() const { return FColorOn; }
    void SetColorOn(TColor v) { Store(FColorOn, v); }
    TColor ColorOff() const { return FColorOff; }
    void SetColorOff(TColor v) { Store(FColorOff, v); }
    int Width() const { return FWidth; }
    void SetWidth(int v);  // accepted only in 4..80
    int Height() const { return FHeight; }
    void SetHeight(int v); // accepted only in 4..80
    void Assign(const TLED& src);

    // Lamp rectangle computed at each paint (not published).
    TRect LampRect() const { return FLampRect; }
    void SetLampRect(const TRect& r) { FLampRect = r; }

private:
    TLEDShape FShape = sRound;
    TColor FColorOn = clLime;
    TColor FColorOff = clBtnFace;
    int FWidth = 13;
    int FHeight = 13;
    TRect FLampRect {};
};

// Ini file name and section for controls that persist values.
class VELQUOR_GAUGES_EXPORT TIniSettings : public QObject {
public:
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& v) { FFileName = v; }
    const QString& Section() const { return FSection; }
    void SetSection(const QString& v) { FSection = v; }
    bool UseAppDir() const { return FUseAppDir; }
    void SetUseAppDir(bool v) { FUseAppDir = v; }
    bool AutoLoadSave() const { return FAutoLoadSave; }
    void SetAutoLoadSave(bool v) { FAutoLoadSave = v; }
    const THandleIniEvent& OnHandleIniEvent() const { return FOnHandleIniEvent; }
    void SetOnHandleIniEvent(THandleIniEvent e) { FOnHandleIniEvent = std::move(e); }
    void Assign(const TIniSettings& src);

    // Full path of the ini file (FileName inside the application's directory
    // with UseAppDir, unless FileName is absolute).
    QString FilePath() const;
    // Open the ini file and hand it to OnHandleIniEvent (Read true: load,
    // false: save and write the file back). An empty FileName or Section
    // records "Invalid FileName" / "Invalid SectionName", opens nothing and
    // returns false; so does a file that cannot be written.
    bool Execute(bool Read);
    // Text of the last failure ("" after a successful Execute).
    const QString& ErrorText() const { return FErrorText; }

private:
    QString FFileName;
    QString FSection;
    bool FUseAppDir = true;
    bool FAutoLoadSave = false;
    THandleIniEvent FOnHandleIniEvent;
    QString FErrorText;
};

// Read-only library information shown at design time; not stored.
class VELQUOR_GAUGES_EXPORT TOvInfo : public QObject {
public:
    QString Library() const;
    QString Version() const;
    QString Author() const;
    QString Contents() const;
    QString License() const;
};
