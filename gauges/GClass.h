// Gauge framework: the settings objects that group related published
// properties, and the base controls every gauge derives from.
//
// Conventions used throughout the library:
// - A published property P has a getter P() and a setter SetP(v). Setters
//   store and notify only when the value really changes; out-of-range values
//   are ignored silently.
// - Events are std::function members with getter OnX() and setter SetOnX();
//   they fire only when assigned. Notify events pass the sender (the settings
//   object or the control) as QObject*.
// - Settings objects are owned by exactly one control (plain members); the
//   published setter of a settings object (SetBevelOuter(...)) copies values
//   into the existing object, which is never replaced.
// - Controls are QWidgets. Non-windowed controls (TGraphicControl) never take
//   the focus; windowed ones (TCustomControl) take focus, keys and the wheel.
// - Every control composes its picture in an off-screen TBitmap (Canvas()) and
//   the widget shows that bitmap. Paint() redraws all of it; fast partial
//   redraws draw on Canvas() and call Flush(rect) to show only that rectangle.
//   Snapshot() gives the picture (painting first if needed), also for widgets
//   that are not shown.
// - Life cycle: construct (csLoading, update count held by each analog level)
//   -> set properties -> Loaded() (hooks the settings objects' OnChange, ends
//   the update, first repaint) -> live. A control shown, painted or
//   snapshotted before Loaded() calls it itself.
// - Input arrives as the VCL-style hooks MouseDown/MouseMove/MouseUp, Click
//   (press and release inside, before MouseUp), DblClick, KeyDown/KeyUp (Qt
//   key codes), DoEnter/DoExit and DoMouseWheel (delta 120 per notch); the
//   base versions fire the matching events. The flash timer's message reaches
//   FlashMessage.
#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/canvas/FormatFloat.h"
#include "gauges/GDraw.h" // TGradientStyle, TBevelLine and the painting routines

#include <QDateTime>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

class QMenu;
class TIniFile;

// ---------------------------------------------------------------------------
// Small value types
// ---------------------------------------------------------------------------

// A Pascal-style set over an enumeration with at most 64 members.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members)
    {
        for (E m : members)
            FBits |= Bit(m);
    }
    static constexpr TSet FromBits(std::uint64_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }
    constexpr std::uint64_t Bits() const { return FBits; }
    constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr TSet& Include(E m)
    {
        FBits |= Bit(m);
        return *this;
    }
    constexpr TSet& Exclude(E m)
    {
        FBits &= ~Bit(m);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint64_t Bit(E m) { return std::uint64_t(1) << static_cast<unsigned>(m); }
    std::uint64_t FBits = 0;
};

enum TLEDShape { sRound, sArrowLeft, sArrowRight, sArrowUp, sArrowDown, sRectangle, sDiamondLeft, sDiamondRight };
enum THintOption { hoAutoHint, hoValue, hoName1, hoName2, hoMin, hoMax, hoMinMaxDate, hoMinMaxTime };
using THintOptions = TSet<THintOption>;
enum TEnabledKey { _VK_PRIOR, _VK_NEXT, _VK_END, _VK_HOME, _VK_LEFT, _VK_DOWN, _VK_UP, _VK_RIGHT };
using TEnabledKeys = TSet<TEnabledKey>;
enum TFlashFreq { ff8Hz, ff4Hz, ff2Hz, ff1Hz, ff05Hz };
enum TMode { mButton, mSwitch, mIndicator, mRadioButton };

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
    ssShift = 1u << 0, ssAlt = 1u << 1, ssCtrl = 1u << 2,
    ssLeft = 1u << 3, ssRight = 1u << 4, ssMiddle = 1u << 5, ssDouble = 1u << 6
};
using TShiftState = unsigned; // or-ed TShiftFlag values

// Cursor index of the platform. 0 is the default arrow; CursorSlide's default
// 5 is the library's hand cursor. Negative values are the platform's stock
// cursors (crArrow -2, crCross -3, crIBeam -4, crSizeNESW -6, crSizeNS -7,
// crSizeNWSE -8, crSizeWE -9, crHourGlass -11, crHandPoint -21).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crOvHand = 5;

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
// Key is a Qt::Key code; a handler may set it to 0 to swallow the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
using TContextPopupEvent = std::function<void(QObject* Sender, QPoint MousePos, bool& Handled)>;
using TOverflowEvent = std::function<void(QObject* Sender, int PPT)>;
using TSectorChangeEvent = std::function<void(QObject* Sender, bool Sector1, bool Sector2, bool Sector3, bool Enter)>;
using TLimitEvent = std::function<void(QObject* Sender, bool Lower, bool Upper)>;
using THandleIniEvent = std::function<void(TIniFile& Ini, bool Read)>;

// The flash timer's message (user message base + 100): Counter is the tick
// counter, Param the phase (0/1) or, for period entries, the lateness in ms.
// It reaches every control through TControl::FlashMessage.
class TOvFlashEvent : public QEvent {
public:
    static constexpr int MessageNumber = 1124;
    static QEvent::Type EventType() { return static_cast<QEvent::Type>(QEvent::User + 124); }
    TOvFlashEvent(std::uint32_t counter, std::int64_t param)
        : QEvent(EventType()), Counter(counter), Param(param) { }
    std::uint32_t Counter;
    std::int64_t Param;
};

// ---------------------------------------------------------------------------
// Settings objects
// ---------------------------------------------------------------------------

// Base of all settings objects: OnChange with the object as sender.
class TOvPersistent : public QObject {
public:
    explicit TOvPersistent(QObject* parent = nullptr);
    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent e) { FOnChange = std::move(e); }
    // The change operation; TSignalSettings and TOvSBevel replace it with
    // Recalculate.
    virtual void Changed();

protected:
    void FireChange(); // OnChange(this) when assigned
    template <class T>
    bool Store(T& field, const T& v)
    {
        if (field == v)
            return false;
        field = v;
        Changed();
        return true;
    }

private:
    TNotifyEvent FOnChange;
};

class TOvOffset : public TOvPersistent {
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

class TOvGradSettings : public TOvPersistent {
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
class TOvSBevel : public TOvPersistent {
public:
    TOvSBevel();
    ~TOvSBevel() override;

    TOvOffset& Offset() { return FOffset; }
    const TOvOffset& Offset() const { return FOffset; }
    void SetOffset(const TOvOffset& v) { FOffset.Assign(v); }
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle v) { Store(FStyle, v); }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int v) { Store(FSpacing, v); }
    TBevelLine BevelLine() const { return FBevelLine; }
    void SetBevelLine(TBevelLine v) { Store(FBevelLine, v); }
    int Width() const { return FWidth; }
    void SetWidth(int v); // negative values are ignored
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { Store(FColor, v); }
    TColor ColorShadowFrom() const { return FColorShadowFrom; }
    void SetColorShadowFrom(TColor v) { Store(FColorShadowFrom, v); }
    TColor ColorShadowTo() const { return FColorShadowTo; }
    void SetColorShadowTo(TColor v) { Store(FColorShadowTo, v); }
    TColor ColorHighLightFrom() const { return FColorHighLightFrom; }
    void SetColorHighLightFrom(TColor v) { Store(FColorHighLightFrom, v); }
    TColor ColorHighLightTo() const { return FColorHighLightTo; }
    void SetColorHighLightTo(TColor v) { Store(FColorHighLightTo, v); }
    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor v) { Store(FPenColor, v); }
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

private:
    TOvOffset FOffset;
    TBevelStyle FStyle = bsRaised;
    int FSpacing = 5;
    TBevelLine FBevelLine = blNone;
    int FWidth = 2;
    TColor FColor = clBtnFace;
    TColor FColorShadowFrom = clBtnShadow;
    TColor FColorShadowTo = clBtnShadow;
    TColor FColorHighLightFrom = clBtnHighlight;
    TColor FColorHighLightTo = clBtnHighlight;
    TColor FPenColor = clBlack;
    TOvGradSettings FSurfaceGrad;
    int FTotalThickness = 5;
    bool FElliptic = false;
    bool FAssigning = false;
    std::unique_ptr<TBitmap> FGradImage;
};

// Three coloured value sectors in per mille of the value range.
class TSectorSettings : public TOvPersistent {
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
class TSignalSettings : public TOvPersistent {
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
class TMinMax : public TOvPersistent {
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
class TScaleSettings : public TOvPersistent {
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
    void DrawCircularScale(TCanvas& Canvas, TRect& R, int Sweep, int Start);
    // Forget the labels: no label list, margin, width or height.
    void ClearLabels();

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
    TScaleLook Look() const;
};

// LED shape, colours and size. The lamp itself is drawn by TOvLED.
class TLED : public TOvPersistent {
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
class TIniSettings : public QObject {
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
class TOvInfo : public QObject {
public:
    QString Library() const;
    QString Version() const;
    QString Author() const;
    QString Contents() const;
    QString License() const;
};

// ---------------------------------------------------------------------------
// Platform control layer (the widget layer's graphic and custom controls)
// ---------------------------------------------------------------------------

enum TComponentStateFlag : unsigned { csLoading = 1u << 0, csDesigning = 1u << 1, csDestroying = 1u << 2 };

// Common QWidget base: VCL-like properties, events, overridable input hooks,
// and the off-screen picture.
class TControl : public QWidget {
public:
    explicit TControl(QWidget* Owner = nullptr);
    ~TControl() override;

    // Component state. csLoading is set from construction until Loaded.
    unsigned ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Designing() const { return (FComponentState & csDesigning) != 0; }
    bool Destroying() const { return (FComponentState & csDestroying) != 0; }
    void SetDesigning(bool v);
    bool IsLoaded() const { return FLoadedDone; }
    // Called once after the published properties are set (what form streaming
    // does). A control shown (or snapshot) without it calls it itself.
    virtual void Loaded();

    QString Name() const { return objectName(); }
    void SetName(const QString& v) { setObjectName(v); }
    QWidget* Owner() const { return parentWidget(); }

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect ClientRect() const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool v);

    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& v);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v) { FParentFont = v; }

    // Caption / Text: one text; a change reaches TextChanged.
    const QString& Text() const { return FText; }
    void SetText(const QString& v);
    const QString& Caption() const { return FText; }
    void SetCaption(const QString& v) { SetText(v); }

    const QString& Hint() const { return FHint; }
    void SetHint(const QString& v);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor v);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* m) { FPopupMenu = m; }
    TOvInfo& OvInfo() { return FOvInfo; }

    // Events.
    const TNotifyEvent& OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent e) { FOnClick = std::move(e); }
    const TNotifyEvent& OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(TNotifyEvent e) { FOnDblClick = std::move(e); }
    const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(TMouseEvent e) { FOnMouseDown = std::move(e); }
    const TMouseMoveEvent& OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent e) { FOnMouseMove = std::move(e); }
    const TMouseEvent& OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(TMouseEvent e) { FOnMouseUp = std::move(e); }
    const TKeyEvent& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent e) { FOnKeyDown = std::move(e); }
    const TKeyEvent& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(TKeyEvent e) { FOnKeyUp = std::move(e); }
    const TNotifyEvent& OnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent e) { FOnEnter = std::move(e); }
    const TNotifyEvent& OnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent e) { FOnExit = std::move(e); }
    const TContextPopupEvent& OnContextPopup() const { return FOnContextPopup; }
    void SetOnContextPopup(TContextPopupEvent e) { FOnContextPopup = std::move(e); }

    // The off-screen picture of the control (size of the control).
    TCanvas& Canvas();
    TBitmap& Picture();
    // Full repaint later (next paint event, or the next Snapshot).
    void Invalidate();
    // Full repaint into the picture now, then show it.
    void Repaint();
    // Show the part r of the picture (after a fast redraw on Canvas()).
    void Flush(const TRect& r);
    // The picture as a user would see it: runs a pending full paint first.
    QImage Snapshot();
    // Rectangles flushed since the last full paint (for tests of fast redraws).
    const QList<TRect>& FlushedRects() const { return FFlushed; }
    void ClearFlushedRects() { FFlushed.clear(); }
    // Number of full paints so far.
    int PaintCount() const { return FPaintCount; }

protected:
    // Drawing hook: compose the whole control on Canvas().
    virtual void Paint() { }
    // VCL-style input hooks; the base versions fire the matching events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Click();
    virtual void DblClick();
    virtual void KeyDown(int& Key, TShiftState Shift);
    virtual void KeyUp(int& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    // Wheel delta in 1/8 degree (one notch = 120); true when handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, QPoint MousePos);
    // The platform's text-changed notification.
    virtual void TextChanged() { }
    // The flash timer's message.
    virtual void FlashMessage(const TOvFlashEvent& Msg) { (void)Msg; }
    // Size changed (after the picture was resized).
    virtual void Resized() { }
    // Whether the control uses this key (unused keys go on to the parent).
    virtual bool WantsKey(int Key) const { (void)Key; return false; }
    // Whether a full paint may run now (update counting suppresses it).
    virtual bool CanPaint() const { return true; }
    bool MousePressedInside() const { return FClickPending; }

    // Qt plumbing.
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

    void MarkDestroying() { FComponentState |= csDestroying; }

private:
    void RunPaint();
    void EnsurePictureSize();

    unsigned FComponentState = csLoading;
    bool FLoadedDone = false;
    bool FVisible = true;
    TFont FFont;
    bool FParentFont = false;
    QString FText;
    QString FHint;
    bool FShowHint = false;
    TCursor FCursor = crDefault;
    QMenu* FPopupMenu = nullptr;
    TOvInfo FOvInfo;
    std::unique_ptr<TBitmap> FPicture;
    bool FNeedsPaint = true;
    bool FInPaint = false;
    bool FClickPending = false;
    int FPaintCount = 0;
    QList<TRect> FFlushed;

    TNotifyEvent FOnClick, FOnDblClick, FOnEnter, FOnExit;
    TMouseEvent FOnMouseDown, FOnMouseUp;
    TMouseMoveEvent FOnMouseMove;
    TKeyEvent FOnKeyDown, FOnKeyUp;
    TContextPopupEvent FOnContextPopup;
};

// The platform's non-windowed control: never takes the focus.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(QWidget* Owner = nullptr);
};

// The platform's windowed control: takes focus (click and tab), keys, wheel.
class TCustomControl : public TControl {
public:
    explicit TCustomControl(QWidget* Owner = nullptr);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int v) { FTabOrder = v; }
    bool Focused() const { return hasFocus(); }
    void SetFocus();

private:
    bool FTabStop = true;
    int FTabOrder = -1;
};

// ---------------------------------------------------------------------------
// Library base controls
// ---------------------------------------------------------------------------

// Non-windowed base with update counting. Each constructor level that needs
// it calls BeginUpdate and the matching Loaded calls EndUpdate; this base's
// own constructor and Loaded do neither.
class TOvGraphicControl : public TGraphicControl {
public:
    explicit TOvGraphicControl(QWidget* Owner = nullptr);
    void BeginUpdate();
    // Reaching 0 calls Change.
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // SettingsChanged when UpdateCount is 0.
    virtual void Change();
    // A setting changed: recompute and repaint (empty in the base).
    virtual void SettingsChanged(QObject* Sender) { (void)Sender; }

protected:
    bool CanPaint() const override { return FUpdateCount == 0; }

private:
    int FUpdateCount = 0;
};

// Windowed base with update counting (same constructor/Loaded contract).
class TOvCustomControl : public TCustomControl {
public:
    explicit TOvCustomControl(QWidget* Owner = nullptr);
    void BeginUpdate();
    // Reaching 0 invalidates the control.
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // ParamChange when UpdateCount is 0.
    virtual void Change();
    // A setting changed: recompute derived values and repaint. The OnChange
    // handler of owned settings objects.
    virtual void ParamChange(QObject* Sender);

protected:
    bool CanPaint() const override { return FUpdateCount == 0; }

private:
    int FUpdateCount = 0;
};

// Non-windowed analog display base: value, limits, sectors, min/max, hint.
// Its constructor calls BeginUpdate; its Loaded hooks the settings objects
// and calls EndUpdate.
class TOvAnalogGControl : public TOvGraphicControl {
public:
    explicit TOvAnalogGControl(QWidget* Owner = nullptr);
    void Loaded() override;

    int Digit() const { return FDigit; }
    void SetDigit(int d);
    float LimitUpper() const { return FLimitUpper; }
    void SetLimitUpper(float v);
    float LimitLower() const { return FLimitLower; }
    void SetLimitLower(float v); // 0 is stored as 0.0001
    THintOptions HintOptions() const { return FHintOptions; }
    void SetHintOptions(THintOptions v);
    TSectorSettings& SectorSettings() { return FSectorSettings; }
    void SetSectorSettings(const TSectorSettings& v) { FSectorSettings.Assign(v); }
    TSignalSettings& SignalSettings() { return FSignalSettings; }
    const TSignalSettings& SignalSettings() const { return FSignalSettings; }
    void SetSignalSettings(const TSignalSettings& v) { FSignalSettings.Assign(v); }
    TMinMax& MinMax() { return FMinMax; }
    void SetMinMax(const TMinMax& v) { FMinMax.Assign(v); }
    float Value() const { return FValue; }
    void SetValue(float v); // not clamped: overflow and underflow instead

    const TNotifyEvent& OnMinMaxChange() const { return FOnMinMaxChange; }
    void SetOnMinMaxChange(TNotifyEvent e) { FOnMinMaxChange = std::move(e); }
    const TOverflowEvent& OnOverflow() const { return FOnOverflow; }
    void SetOnOverflow(TOverflowEvent e) { FOnOverflow = std::move(e); }
    const TSectorChangeEvent& OnSectorChange() const { return FOnSectorChange; }
    void SetOnSectorChange(TSectorChangeEvent e) { FOnSectorChange = std::move(e); }
    const TNotifyEvent& OnSettingsChange() const { return FOnSettingsChange; }
    void SetOnSettingsChange(TNotifyEvent e) { FOnSettingsChange = std::move(e); }
    const TNotifyEvent& OnValueChange() const { return FOnValueChange; }
    void SetOnValueChange(TNotifyEvent e) { FOnValueChange = std::move(e); }
    const TLimitEvent& OnLimit() const { return FOnLimit; }
    void SetOnLimit(TLimitEvent e) { FOnLimit = std::move(e); }

    // Read-only state for descendants and tests.
    int PPT() const { return FPPT; }
    bool Overflow() const { return FOverflow; }
    bool Underflow() const { return FUnderflow; }
    bool UpperExceeded() const { return FUpperExceeded; }
    bool LowerExceeded() const { return FLowerExceeded; }
    bool SectorActive(int k) const { return k >= 1 && k <= 3 && FSectorActive[k - 1]; }
    TColor SectorColor() const { return FSectorColor; }
    int LimitUpperDigits() const { return FLimitUpperDigits; }
    int LimitLowerDigits() const { return FLimitLowerDigits; }
    int MinPos() const { return FMinPos; }
    int MaxPos() const { return FMaxPos; }
    const QString& ValueText() const { return FValueText; }
    const QString& DigitText() const { return FDigitText; }
    bool LogScale() const { return FLogScale; }
    void SetLogScale(bool v);
    double LogFactor() const { return FLogFactor; }
    TColor LimitUpperColor() const { return clRed; }
    TColor LimitLowerColor() const { return clYellow; }

    void SettingsChanged(QObject* Sender) override;
    // Value update: PPT, sectors, limits, overflow, min/max, hint, events.
    virtual void ValueChange();

protected:
    virtual void LimitChanged() { }    // limit state changed
    virtual void OverflowChanged() { } // overflow state changed
    virtual void MinMaxChanged() { }   // a recorded extreme changed
    virtual void Moved() { }           // the control moved since the last update
    void Dispatch();                   // SettingsChanged in design mode, else ValueChange
    void DigitFromValue();
    void RebuildHint();

private:
    int FDigit = 500;
    float FLimitUpper = 90.0f;
    float FLimitLower = 10.0f;
    THintOptions FHintOptions { hoAutoHint, hoValue, hoName1, hoName2, hoMin, hoMax, hoMinMaxDate, hoMinMaxTime };
    TSectorSettings FSectorSettings;
    TSignalSettings FSignalSettings;
    TMinMax FMinMax;
    float FValue = 50.0f;
    TNotifyEvent FOnMinMaxChange, FOnSettingsChange, FOnValueChange;
    TOverflowEvent FOnOverflow;
    TSectorChangeEvent FOnSectorChange;
    TLimitEvent FOnLimit;

    int FLimitUpperDigits = 900;
    int FLimitLowerDigits = 100;
    int FPPT = 0;
    bool FSectorActive[3] = { false, false, false };
    TColor FSectorColor = clYellow;
    bool FOverflow = false, FUnderflow = false;
    bool FUpperExceeded = true, FLowerExceeded = true;
    int FMinPos = 0, FMaxPos = 0;
    QString FValueText, FDigitText;
    bool FLogScale = false;
    double FLogFactor = 0.0;
    QPoint FLastPos { -32768, -32768 };
};

// Windowed operable analog base: value, keys, mouse, wheel, focus colours.
// Its constructor calls BeginUpdate; its Loaded calls EndUpdate.
class TOvAnalogCControl : public TOvCustomControl {
public:
    explicit TOvAnalogCControl(QWidget* Owner = nullptr);
    ~TOvAnalogCControl() override;
    void Loaded() override;

    int Digit() const { return FDigit; }
    void SetDigit(int d);
    float Value() const { return FValue; }
    void SetValue(float v);
    int ChangeLarge() const { return FChangeLarge; }
    void SetChangeLarge(int v) { FChangeLarge = v; }
    int ChangeSmall() const { return FChangeSmall; }
    void SetChangeSmall(int v) { FChangeSmall = v; }
    const TNotifyEvent& OnValueChange() const { return FOnValueChange; }
    void SetOnValueChange(TNotifyEvent e) { FOnValueChange = std::move(e); }
    const TNotifyEvent& OnValueChanged() const { return FOnValueChanged; }
    void SetOnValueChanged(TNotifyEvent e) { FOnValueChanged = std::move(e); }
    TSignalSettings& SignalSettings() { return FSignalSettings; }
    const TSignalSettings& SignalSettings() const { return FSignalSettings; }
    void SetSignalSettings(const TSignalSettings& v) { FSignalSettings.Assign(v); }
    TColor ColorFocus() const { return FColorFocus; }
    void SetColorFocus(TColor v);
    TColor ColorNonFocus() const { return FColorNonFocus; }
    void SetColorNonFocus(TColor v);
    TCursor CursorSlide() const { return FCursorSlide; }
    void SetCursorSlide(TCursor v) { FCursorSlide = v; }
    bool EnableKeyboard() const { return FEnableKeyboard; }
    void SetEnableKeyboard(bool v) { FEnableKeyboard = v; }
    TEnabledKeys EnabledKeys() const { return FEnabledKeys; }
    void SetEnabledKeys(TEnabledKeys v) { FEnabledKeys = v; }
    TOvAnalogGControl* ValueIndicator() const { return FValueIndicator.data(); }
    void SetValueIndicator(TOvAnalogGControl* v);

    const QString& ValueText() const { return FValueText; }
    const QString& DigitText() const { return FDigitText; }
    bool Dragging() const { return FDragging; }
    bool InHitArea() const { return FInHitArea; }
    TRect HitRect() const { return FHitRect; }
    bool RoundHitArea() const { return FRoundHitArea; }
    bool UserChanged() const { return FUserChanged; }

    void ParamChange(QObject* Sender) override;
    // After every accepted Digit change and on focus changes: texts and the
    // ValueIndicator; descendants redraw.
    virtual void ValueChange();

protected:
    // Drag position while Dragging; the base only remembers the point.
    virtual void SlideTo(TShiftState Shift, int X, int Y);
    void SetHitRect(const TRect& r) { FHitRect = r; }
    void SetRoundHitArea(bool v) { FRoundHitArea = v; }
    bool HitTest(int X, int Y) const;
    QPoint LastMousePoint() const { return FLastPoint; }
    TCursor SavedCursor() const { return FSavedCursor; }
    int DigitOfValue() const; // round((Value - ValueFrom) * DigitsPerValue + DigitalFrom)
    void StepDigit(int inc, int dec);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyUp(int& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, QPoint MousePos) override;
    bool WantsKey(int Key) const override; // the enabled navigation keys
    bool event(QEvent* e) override;

private:
    void FireValueChanged();

    int FDigit = 0;
    float FValue = 0.0f;
    int FChangeLarge = 10;
    int FChangeSmall = 1;
    TNotifyEvent FOnValueChange, FOnValueChanged;
    TSignalSettings FSignalSettings;
    TColor FColorFocus = clLime;
    TColor FColorNonFocus = clGreen;
    TCursor FCursorSlide = crOvHand;
    bool FEnableKeyboard = true;
    TEnabledKeys FEnabledKeys { _VK_PRIOR, _VK_NEXT, _VK_END, _VK_HOME, _VK_LEFT, _VK_DOWN, _VK_UP, _VK_RIGHT };
    QPointer<TOvAnalogGControl> FValueIndicator;

    QString FValueText, FDigitText;
    bool FDragging = false;
    bool FInHitArea = false;
    TRect FHitRect {};
    bool FRoundHitArea = false;
    TCursor FSavedCursor = crDefault;
    bool FUserChanged = false;
    QPoint FLastPoint;
};

// Two-state base of switches and LEDs (a non-windowed control).
class TOvBinGControl : public TGraphicControl {
public:
    explicit TOvBinGControl(QWidget* Owner = nullptr);
    ~TOvBinGControl() override;

    bool Checked() const { return FChecked; }
    void SetChecked(bool c);
    bool Flashing() const { return FFlashing; }
    void SetFlashing(bool f);
    TFlashFreq Frequency() const { return FFrequency; }
    void SetFrequency(TFlashFreq f);
    int StatusInt() const { return FStatusInt; }
    void SetStatusInt(int s);
    int StatusBit() const { return FStatusBit; }
    void SetStatusBit(int b);  // 0..31
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int g); // >= 0
    TMode Mode() const { return FMode; }
    void SetMode(TMode m);
    const TNotifyEvent& OnStatusChanged() const { return FOnStatusChanged; }
    void SetOnStatusChanged(TNotifyEvent e) { FOnStatusChanged = std::move(e); }
    const TNotifyEvent& OnStatusIntChanged() const { return FOnStatusIntChanged; }
    void SetOnStatusIntChanged(TNotifyEvent e) { FOnStatusIntChanged = std::move(e); }

    bool Pressed() const { return FPressed; }
    int LowestBit() const { return FLowestBit; } // 32 when none is set
    // Flash registry code of a frequency: ff8Hz 2 ... ff05Hz 6.
    static int FlashCode(TFlashFreq f) { return 2 + static_cast<int>(f); }
    // True while this control has an entry in the flash registry.
    bool FlashRegistered() const { return FFlashRegistered; }

    // A setting changed (or the text): repaint.
    virtual void ParamChange(QObject* Sender);

protected:
    virtual void StatusChanged() { }
    virtual void GroupIndexChanged() { }
    virtual void StatusIntChanged() { }
    virtual void Flash(bool On) { (void)On; }

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void TextChanged() override { ParamChange(this); }
    void FlashMessage(const TOvFlashEvent& Msg) override { Flash(Msg.Param != 0); }

private:
    void UpdateFlashing();
    void LeaveFlash();

    bool FChecked = false;
    bool FFlashing = false;
    TFlashFreq FFrequency = ff1Hz;
    int FStatusInt = 0;
    int FStatusBit = 0;
    int FGroupIndex = 0;
    TMode FMode = mIndicator;
    TNotifyEvent FOnStatusChanged, FOnStatusIntChanged;
    bool FPressed = false;
    int FLowestBit = 32;
    bool FFlashRegistered = false;
};
