// Fonts, and text on the canvas: fitting, measuring, drawing.
#include "platform/canvas/Canvas.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Stores value in field; true when that changed it.
template <class T>
bool Store(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

// ---------------------------------------------------------------- fonts

QString TGdi::ResolveFontFamily(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("ms sans serif") || n == QLatin1String("arial") || n == QLatin1String("system")
        || n == QLatin1String("tahoma") || n == QLatin1String("ms shell dlg")
        || n == QLatin1String("ms shell dlg 2") || n == QLatin1String("verdana") || n.isEmpty())
        return QStringLiteral("Liberation Sans");
    if (n == QLatin1String("times new roman") || n == QLatin1String("ms serif"))
        return QStringLiteral("Liberation Serif");
    if (n == QLatin1String("courier new") || n == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return name;
}

TFont::TFont() : TFont(QStringLiteral("MS Sans Serif"), 8, clWindowText, 0) {}

TFont::TFont(const QString& name, int size, TColor color, TFontStyles style)
    : F{name, size, color, style}
{
}

TFont::TFont(const TFont& other) : F(other.F) {}

TFont& TFont::operator=(const TFont& other)
{
    Assign(other);
    return *this;
}

int TFont::PixelSize() const
{
    // The desktop layer's MulDiv(Size, 96, 72), which rounds.
    const int px = int(std::lround(std::abs(F.Size) * 96.0 / 72.0));
    return std::max(1, px);
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(*this);
}

void TFont::SetName(const QString& name)
{
    if (Store(F.Name, name))
        Changed();
}

void TFont::SetSize(int size)
{
    if (Store(F.Size, size))
        Changed();
}

void TFont::SetColor(TColor color)
{
    if (Store(F.Color, color))
        Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (Store(F.Style, style))
        Changed();
}

bool TFont::SameAs(const TFont& other) const
{
    return F == other.F;
}

void TFont::Assign(const TFont& other)
{
    if (this == &other || SameAs(other))
        return;
    F = other.F;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont f(ResolveFontFamily(F.Name));
    f.setPixelSize(PixelSize());
    f.setBold(F.Style & fsBold);
    f.setItalic(F.Style & fsItalic);
    f.setUnderline(F.Style & fsUnderline);
    f.setStrikeOut(F.Style & fsStrikeOut);
    // Antialiased glyphs with vertical-only hinting: full hinting squeezes the
    // round glyphs of Liberation Sans at small sizes ("0" and "O" get stubs),
    // light hinting keeps their shapes and still snaps the baseline and
    // x-height to whole pixels. Kerning stays off so that a text is as wide
    // as the sum of its characters, as the layouts assume.
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

const QFont& TCanvas::CurrentFont()
{
    if (!FFontCached || !FFontKey.SameAs(Font)) {
        FFontKey = Font;
        FQFont = Font.ToQFont();
        FMetrics = std::make_unique<QFontMetrics>(FQFont);
        FFontCached = true;
    }
    return FQFont;
}

const QFontMetrics& TCanvas::CurrentMetrics()
{
    CurrentFont();
    return *FMetrics;
}

QFont TCanvas::FitFont(const QFont& font, const QString& text, int width)
{
    if (width <= 0 || QFontMetrics(font).horizontalAdvance(text) <= width)
        return font;
    // Condense first (the glyphs keep their height), then shrink as well.
    QFont f = font;
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    int stretch = std::max(MinFitStretch, 100 * width / std::max(1, natural));
    for (;;) {
        f.setStretch(stretch);
        if (QFontMetrics(f).horizontalAdvance(text) <= width || stretch <= MinFitStretch)
            break;
        --stretch;
    }
    while (QFontMetrics(f).horizontalAdvance(text) > width && f.pixelSize() > 4)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}

QFont TCanvas::FittedFont(const QString& text)
{
    const QFont& font = CurrentFont();
    if (FFitWidth <= 0 || CurrentMetrics().horizontalAdvance(text) <= FFitWidth)
        return font;
    return FitFont(font, text, FFitWidth);
}

int TCanvas::NaturalTextWidth(const QString& text)
{
    return CurrentMetrics().horizontalAdvance(text);
}

void TCanvas::PrepareTextPainter()
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(CurrentFont());
    p->setPen(ColorToQColor(Font.Color()));
    p->setBrush(Qt::NoBrush);
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const QFontMetrics& fm = CurrentMetrics();
    const int width = TextWidth(text);
    if (Brush.Style == bsSolid && !text.isEmpty())
        p->fillRect(QRect(x, y, width, fm.height()), ColorToQColor(Brush.Color));
    PrepareTextPainter();
    p->setFont(FittedFont(text));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    PenPos = {x + width, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    const TRect n = NormalizedRect(r);
    if (IsRectEmpty(n))
        return;
    const QRect qr(n.Left, n.Top, n.Width(), n.Height());
    p->save();
    if (FClipActive)
        p->setClipRegion(FClip.intersected(QRegion(qr)));
    else
        p->setClipRect(qr);
    if (Brush.Style == bsSolid)
        p->fillRect(qr, ColorToQColor(Brush.Color));
    const QFontMetrics& fm = CurrentMetrics();
    PrepareTextPainter();
    p->setFont(FittedFont(text));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    p->restore();
}

int TCanvas::TextWidth(const QString& text)
{
    const int natural = CurrentMetrics().horizontalAdvance(text);
    return FFitWidth > 0 ? std::min(natural, FFitWidth) : natural;
}

int TCanvas::TextHeight(const QString&)
{
    return CurrentMetrics().height();
}

TSize TCanvas::TextExtent(const QString& text)
{
    return {TextWidth(text), CurrentMetrics().height()};
}
