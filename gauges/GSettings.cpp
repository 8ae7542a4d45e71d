// Settings objects of the gauge framework.
#include "gauges/GSettings.h"

#include "platform/ini/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

// Power of ten nearest in exponent; values <= 0 count as 1.
float NearestPowerOfTen(float x)
{
    const double v = x <= 0.0f ? 1.0 : double(x);
    return float(std::pow(10.0, std::nearbyint(std::log10(v))));
}

} // namespace

// ---------------------------------------------------------------- TOvPersistent

TOvPersistent::TOvPersistent(QObject* parent)
    : QObject(parent)
{
}

void TOvPersistent::Changed() { FireChange(); }

void TOvPersistent::FireChange()
{
    if (FOnChange)
        FOnChange(this);
    emit changed();
}

// ---------------------------------------------------------------- TOvOffset

void TOvOffset::Assign(const TOvOffset& src)
{
    if (&src == this)
        return;
    const bool differs = FTop != src.FTop || FLeft != src.FLeft || FRight != src.FRight || FBottom != src.FBottom;
    FTop = src.FTop;
    FLeft = src.FLeft;
    FRight = src.FRight;
    FBottom = src.FBottom;
    if (differs)
        Changed();
}

// ---------------------------------------------------------------- TOvGradSettings

void TOvGradSettings::Assign(const TOvGradSettings& src)
{
    if (&src == this)
        return;
    const bool differs = FColorFrom != src.FColorFrom || FColorTo != src.FColorTo || FVisible != src.FVisible
        || FStyle != src.FStyle;
    FColorFrom = src.FColorFrom;
    FColorTo = src.FColorTo;
    FVisible = src.FVisible;
    FStyle = src.FStyle;
    if (differs)
        Changed();
}

// ---------------------------------------------------------------- TOvSBevel

TOvSBevel::TOvSBevel()
{
    // Changes of the owned objects recalculate the bevel (which notifies the owner).
    FOffset.SetOnChange([this](QObject*) {
        if (!FAssigning)
            Recalculate();
    });
    FSurfaceGrad.SetOnChange([this](QObject*) {
        if (!FAssigning)
            Recalculate();
    });
    FTotalThickness = BevelTotalThickness(F.Spacing, F.Width, F.BevelLine);
}

TOvSBevel::~TOvSBevel() = default;

void TOvSBevel::SetWidth(int v)
{
    if (v < 0)
        return;
    Store(F.Width, v);
}

void TOvSBevel::SetElliptic(bool v)
{
    if (FElliptic == v)
        return;
    FElliptic = v;
    Recalculate();
}

void TOvSBevel::Assign(const TOvSBevel& src)
{
    if (&src == this)
        return;
    FAssigning = true;
    FOffset.Assign(src.FOffset);
    FSurfaceGrad.Assign(src.FSurfaceGrad);
    FAssigning = false;
    F = src.F;
    Recalculate();
}

void TOvSBevel::Recalculate()
{
    FTotalThickness = BevelTotalThickness(F.Spacing, F.Width, F.BevelLine);
    if (FElliptic) {
        // The ring image is made once and kept; only its colours follow the settings.
        if (!FGradImage)
            FGradImage = std::make_unique<TBitmap>(30, 30);
        BuildRoundBevelImage(*FGradImage, F.ColorShadowFrom, F.ColorShadowTo);
    }
    FireChange();
}

TBevelParams TOvSBevel::Params() const
{
    TBevelParams p;
    static_cast<TBevelFields&>(p) = F;
    p.GradVisible = FSurfaceGrad.Visible();
    p.GradColorFrom = FSurfaceGrad.ColorFrom();
    p.GradColorTo = FSurfaceGrad.ColorTo();
    p.GradStyle = FSurfaceGrad.Style();
    p.OffsetLeft = FOffset.Left();
    p.OffsetTop = FOffset.Top();
    p.OffsetRight = FOffset.Right();
    p.OffsetBottom = FOffset.Bottom();
    return p;
}

void TOvSBevel::PaintBevel(TCanvas& Canvas, TRect& R)
{
    DrawBevel(Canvas, R, Params());
}

void TOvSBevel::PaintRoundBevel(TCanvas& Canvas, TRect& R, int dx, int dy)
{
    const TBitmap* ring = FElliptic ? FGradImage.get() : nullptr;
    const TRect before = R;
    DrawRoundBevel(Canvas, R, dx, dy, Params(), ring);
    // The round bevel reports its own thickness: Width + Spacing and the lines.
    if (!(R == before)) {
        int t = F.Width + F.Spacing;
        if (F.BevelLine == blOuter || F.BevelLine == blBoth)
            ++t;
        if (F.BevelLine == blInner || F.BevelLine == blBoth)
            ++t;
        FTotalThickness = t;
    }
}

TRect TOvSBevel::ContentRect(const TRect& R) const
{
    return BevelContentRect(R, Params());
}

TRect TOvSBevel::RoundContentRect(const TRect& R) const
{
    return RoundBevelContentRect(R, Params(), FElliptic ? FGradImage.get() : nullptr);
}

// ---------------------------------------------------------------- TSectorSettings

void TSectorSettings::Assign(const TSectorSettings& src)
{
    if (&src == this)
        return;
    FSector1Color = src.FSector1Color;
    FSector1From = src.FSector1From;
    FSector1To = src.FSector1To;
    FSector2Color = src.FSector2Color;
    FSector2From = src.FSector2From;
    FSector2To = src.FSector2To;
    FSector3Color = src.FSector3Color;
    FSector3From = src.FSector3From;
    FSector3To = src.FSector3To;
    FOffset = src.FOffset;
    FWidthOffset = src.FWidthOffset;
    Changed();
}

TColor TSectorSettings::SectorColor(int k) const
{
    return k == 1 ? FSector1Color : k == 2 ? FSector2Color : FSector3Color;
}

int TSectorSettings::SectorFrom(int k) const
{
    return k == 1 ? FSector1From : k == 2 ? FSector2From : FSector3From;
}

int TSectorSettings::SectorTo(int k) const
{
    return k == 1 ? FSector1To : k == 2 ? FSector2To : FSector3To;
}

// ---------------------------------------------------------------- TSignalSettings

TSignalSettings::TSignalSettings() = default;

void TSignalSettings::SetValueFrom(float v)
{
    if (std::isnan(v) || v == FValueFrom || v == FValueTo)
        return;
    // A zero lower bound would break logarithmic scales and ratios.
    if (v == 0.0f)
        v = 0.000001f;
    if (FLogScale)
        v = NearestPowerOfTen(v);
    if (v == FValueFrom)
        return;
    FValueFrom = v;
    Recalculate();
}

void TSignalSettings::SetValueTo(float v)
{
    if (std::isnan(v) || v == FValueFrom || v == FValueTo)
        return;
    if (FLogScale && v != 0.0f)
        v = NearestPowerOfTen(v);
    if (v == FValueTo)
        return;
    FValueTo = v;
    Recalculate();
}

void TSignalSettings::Compute()
{
    if (FValueFrom < 0.0f || FValueTo > 0.0f)
        FValueRange = FValueTo - FValueFrom;
    if (FDigitalFrom < 0 || FDigitalTo >= 1)
        FDigitalRange = FDigitalTo - FDigitalFrom;
    if (FDigitalRange > 0)
        FValuePerDigit = double(FValueRange) / FDigitalRange;
    if (FValueRange > 0.0f) {
        FDigitsPerValue = FDigitalRange / double(FValueRange);
        FPerMilleFactor = 1000.0 / double(FValueRange);
        const int semi = FValueFormat.indexOf(QLatin1Char(';'));
        if (semi < 0) {
            FSampleText = FValueFormat;
        } else {
            const QString first = FValueFormat.left(semi);
            const QString rest = FValueFormat.mid(semi + 1);
            FSampleText = first.length() >= rest.length() ? first : rest;
        }
    }
}

void TSignalSettings::Recalculate()
{
    Compute();
    FireChange();
}

int TSignalSettings::PerMille(double value) const
{
    const double p = std::nearbyint((value - double(FValueFrom)) * FPerMilleFactor);
    if (!(p > -2147483648.0))
        return std::numeric_limits<int>::min();
    if (!(p < 2147483647.0))
        return std::numeric_limits<int>::max();
    return int(p);
}

namespace {

// Round half to even into the int range; NaN gives 0.
int SaturatedRound(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(r);
}

} // namespace

int TSignalSettings::DigitOfValue(double value) const
{
    return SaturatedRound((value - double(FValueFrom)) * FDigitsPerValue + FDigitalFrom);
}

float TSignalSettings::ValueOfDigit(int digit) const
{
    return float(double(digit) - FDigitalFrom) * float(FValuePerDigit) + FValueFrom;
}

int TSignalSettings::DigitOfFraction(double fraction) const
{
    return SaturatedRound(fraction * FDigitalRange) + FDigitalFrom;
}

int TSignalSettings::ClampDigit(long long digit) const
{
    if (digit > FDigitalTo)
        digit = FDigitalTo;
    if (digit < FDigitalFrom)
        digit = FDigitalFrom;
    return int(digit);
}

float TSignalSettings::ClampValue(float value) const
{
    if (value > FValueTo)
        value = FValueTo;
    if (value < FValueFrom)
        value = FValueFrom;
    return value;
}

int TSignalSettings::PerMilleOfDigit(int digit) const
{
    return FDigitalRange != 0 ? SaturatedRound(1000.0 / FDigitalRange * (double(digit) - FDigitalFrom)) : 0;
}

double TSignalSettings::LogFactor() const
{
    const double from = FValueFrom;
    const double to = FValueTo;
    // log10 of a ratio of 1 (or of a non-positive range) has no factor.
    if (from > 0.0 && to > 0.0 && to != from)
        return FDigitalRange / std::log10(to / from);
    return 0.0;
}

int TSignalSettings::LogDigitOfValue(double value, double logFactor) const
{
    return SaturatedRound(std::log10(value / double(FValueFrom)) * logFactor) + FDigitalFrom;
}

float TSignalSettings::LogValueOfDigit(int digit, double logFactor) const
{
    return float(double(FValueFrom) * std::pow(10.0, (double(digit) - FDigitalFrom) / logFactor));
}

void TSignalSettings::Assign(const TSignalSettings& src)
{
    if (&src == this)
        return;
    FDigitalFrom = src.FDigitalFrom;
    FDigitalTo = src.FDigitalTo;
    FName1 = src.FName1;
    FName2 = src.FName2;
    FValueFormat = src.FValueFormat;
    FValueFrom = src.FValueFrom;
    FValueTo = src.FValueTo;
    FValueUnit = src.FValueUnit;
    Recalculate();
}

// ---------------------------------------------------------------- TMinMax

TMinMax::TMinMax()
    : FMaxDateTime(QDateTime::currentDateTime())
    , FMinDateTime(FMaxDateTime)
{
}

void TMinMax::SetMax(float v)
{
    FMax = v;
    FMaxDateTime = QDateTime::currentDateTime();
}

void TMinMax::SetMin(float v)
{
    FMin = v;
    FMinDateTime = QDateTime::currentDateTime();
}

void TMinMax::Assign(const TMinMax& src)
{
    if (&src == this)
        return;
    FMaxColor = src.FMaxColor;
    FMinColor = src.FMinColor;
    FUseSectorCol = src.FUseSectorCol;
    FMinVisible = src.FMinVisible;
    FMaxVisible = src.FMaxVisible;
    Changed();
}

// ---------------------------------------------------------------- TScaleSettings

TScaleSettings::TScaleSettings()
    : FFont(QStringLiteral("Arial"), 14)
{
    FFont.OnChange = [this](TFont&) { Changed(); };
}

void TScaleSettings::SetDrawLine(bool v)
{
    FDrawLine = v;
    Changed();
}

void TScaleSettings::SetFont(const TFont& v)
{
    FFont.Assign(v); // fires OnChange when anything differs
}

void TScaleSettings::SetSteps(int v)
{
    if (v < 1 || v > 20)
        return;
    Store(FSteps, v);
}

void TScaleSettings::SetSubSteps(int v)
{
    if (v < 1 || v > 10)
        return;
    Store(FSubSteps, v);
}

void TScaleSettings::Assign(const TScaleSettings& src)
{
    if (&src == this)
        return;
    FColor = src.FColor;
    FPointerColor = src.FPointerColor;
    FDrawLine = src.FDrawLine;
    auto hook = std::move(FFont.OnChange);
    FFont.OnChange = nullptr;
    FFont.Assign(src.FFont);
    FFont.OnChange = std::move(hook);
    FPosLeftTop = src.FPosLeftTop;
    FSteps = src.FSteps;
    FSubSteps = src.FSubSteps;
    FValueFormat = src.FValueFormat;
    FValueFormatLog = src.FValueFormatLog;
    Changed();
}

TScaleLook TScaleSettings::Look() const
{
    TScaleLook look;
    look.Color = FColor;
    look.Font = &FFont;
    look.Steps = FSteps;
    look.SubSteps = FSubSteps;
    look.ValueFormat = FValueFormat;
    look.ValueFormatLog = FValueFormatLog;
    look.DrawLine = FDrawLine;
    return look;
}

void TScaleSettings::MeasureScale(TCanvas& Canvas, double From, double To)
{
    MeasureScaleLabels(Canvas, Look(), From, To, FMetrics);
}

void TScaleSettings::DrawCircularScale(TCanvas& Canvas, TRect& R, int Sweep, int Start, const TFont* LabelFont)
{
    TScaleLook look = Look();
    if (LabelFont)
        look.Font = LabelFont;
    DrawScaleCircle(Canvas, R, Sweep, Start, look, FMetrics);
}

void TScaleSettings::LayoutCircularScale(TRect& R, int Sweep, int Start)
{
    R = LayoutScaleCircle(R, Sweep, Start, Look(), FMetrics).Inner;
}

void TScaleSettings::ClearLabels()
{
    FMetrics.Labels.clear();
    FMetrics.LabelMargin = 0;
    FMetrics.WidestLabel = 0;
    FMetrics.LabelHeight = 0;
}

QStringList TScaleSettings::Labels() const
{
    QStringList list = FMetrics.Labels.split(QLatin1Char(';'));
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

// ---------------------------------------------------------------- TLED

void TLED::SetWidth(int v)
{
    if (v < 4 || v > 80)
        return;
    Store(FWidth, v);
}

void TLED::SetHeight(int v)
{
    if (v < 4 || v > 80)
        return;
    Store(FHeight, v);
}

void TLED::Assign(const TLED& src)
{
    if (&src == this)
        return;
    FShape = src.FShape;
    FColorOn = src.FColorOn;
    FColorOff = src.FColorOff;
    FWidth = src.FWidth;
    FHeight = src.FHeight;
    Changed();
}

// ---------------------------------------------------------------- TIniSettings

void TIniSettings::Assign(const TIniSettings& src)
{
    if (&src == this)
        return;
    FFileName = src.FFileName;
    FSection = src.FSection;
    FUseAppDir = src.FUseAppDir;
    FAutoLoadSave = src.FAutoLoadSave;
}

QString TIniSettings::FilePath() const
{
    if (FFileName.isEmpty())
        return QString();
    if (!FUseAppDir || QFileInfo(FFileName).isAbsolute())
        return FFileName;
    return QDir(QCoreApplication::applicationDirPath()).filePath(FFileName);
}

bool TIniSettings::Execute(bool Read)
{
    if (FFileName.trimmed().isEmpty()) {
        FErrorText = QStringLiteral("Invalid FileName");
        return false;
    }
    if (FSection.trimmed().isEmpty()) {
        FErrorText = QStringLiteral("Invalid SectionName");
        return false;
    }
    FErrorText.clear();
    if (!FOnHandleIniEvent)
        return true;
    TIniFile ini(FilePath());
    if (!ini.ReadOk()) {
        // An unreadable file reads as defaults; writing over it would lose it.
        FErrorText = ini.ErrorString();
        if (!Read)
            return false;
    }
    if (!Read)
        ini.SetAutoSave(false); // one write of the whole file, not one per key
    FOnHandleIniEvent(ini, Read);
    if (!Read && !ini.UpdateFile()) {
        FErrorText = ini.ErrorString().isEmpty() ? QStringLiteral("Cannot write ") + ini.FileName()
                                                 : ini.ErrorString();
        return false;
    }
    return FErrorText.isEmpty();
}

// ---------------------------------------------------------------- TOvInfo

QString TOvInfo::Library() const { return QStringLiteral("stdgauges"); }
QString TOvInfo::Version() const { return QStringLiteral(VELQUOR_VERSION); }
QString TOvInfo::Author() const { return QStringLiteral("Velquor developers"); }
QString TOvInfo::Contents() const
{
    return QStringLiteral("Dial, switches, LED, flash timer, operating-hour counter, clock");
}
QString TOvInfo::License() const { return QStringLiteral("Part of Velquor"); }
