// The canvas layer the gauges draw on: colours, rectangles, pen, brush, font,
// a GDI-like canvas and an off-screen bitmap, all over QPainter with
// antialiasing off.
//
// Pixel rules follow the classic desktop graphics layer the gauge code was
// written for:
//  - Rectangle, Ellipse, RoundRect, FillRect: the right and bottom edges are
//    exclusive; Rectangle(0, 0, 10, 10) with a 1-pixel pen covers x 0..9.
//    With a clear pen (psClear) the filled figure is one pixel smaller.
//  - LineTo and Polyline leave out the last pixel; Polygon is closed.
//  - StretchDraw / CopyRect with a rectangle given right-to-left or
//    bottom-to-top mirror the image along that axis.
//  - Elliptic clip regions (CreateEllipticRgn) exclude the right and bottom
//    edge: CreateEllipticRgn(l, t, r + 1, b + 1) holds exactly the pixels of
//    Ellipse(l, t, r, b).
//  - 1-pixel lines, ellipses and arcs are rasterised here, not by Qt, so their
//    pixels are exact and symmetric; wider pens go through QPainter.
#pragma once

#include "platform/canvas/PlatformExport.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QColor;
class QFontMetrics;
class QPainter;
class QPaintDevice;

// ---------------------------------------------------------------- colours

// 0x00BBGGRR. Negative values (0x80000000 | index) are system colours that
// keep their identity until drawn and then resolve through the fixed classic
// palette (ClassicPalette.h; ColorToRGB / ColorToQColor).
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// Not a colour: "draw nothing" / "use the default". ColorToQColor gives a
// transparent colour for clNone and the window text colour for clDefault.
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | unsigned(index)); }
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

constexpr bool IsSystemColor(TColor c) { return c < 0; }

// The graphics layer's routines (colour conversion, rectangles, regions,
// ellipse rows, font names) as one exported class; the free functions below
// forward to it, so code reads as on the desktop layer.
struct TPoint;
struct TRect;
struct TSpan;

class VELQUOR_PLATFORM_EXPORT TGdi {
public:
    static TColor ColorToRGB(TColor c);
    static QColor ColorToQColor(TColor c);
    static TColor QColorToColor(const QColor& c);
    static void InflateRect(TRect& r, int dx, int dy);
    static void OffsetRect(TRect& r, int dx, int dy);
    static bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
    static bool IsRectEmpty(const TRect& r);
    static bool PtInRect(const TRect& r, TPoint p);
    static TPoint CenterPoint(const TRect& r);
    static TRect NormalizedRect(const TRect& r);
    static QString ResolveFontFamily(const QString& name);
    static std::vector<TSpan> EllipseRows(int left, int top, int right, int bottom);
    static QRegion CreateRectRgn(int left, int top, int right, int bottom);
    static QRegion CreateEllipticRgn(int left, int top, int right, int bottom);
};

// A system colour becomes its RGB value in the fixed classic palette;
// any other value is returned unchanged (clNone and clDefault included).
inline TColor ColorToRGB(TColor c)
{
    return TGdi::ColorToRGB(c);
}
// The QColor a colour draws with (system colours resolved; clNone transparent).
inline QColor ColorToQColor(TColor c)
{
    return TGdi::ColorToQColor(c);
}
inline TColor QColorToColor(const QColor& c)
{
    return TGdi::QColorToColor(c);
}

// ---------------------------------------------------------------- geometry

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and bottom are exclusive, as in the desktop graphics layer.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height)
{
    return {left, top, left + width, top + height};
}
inline void InflateRect(TRect& r, int dx, int dy)
{
    return TGdi::InflateRect(r, dx, dy);
}
inline void OffsetRect(TRect& r, int dx, int dy)
{
    return TGdi::OffsetRect(r, dx, dy);
}
// Intersection of a and b into dst; false (and dst empty) when they do not overlap.
inline bool IntersectRect(TRect& dst, const TRect& a, const TRect& b)
{
    return TGdi::IntersectRect(dst, a, b);
}
inline bool IsRectEmpty(const TRect& r)
{
    return TGdi::IsRectEmpty(r);
}
// Right and bottom exclusive.
inline bool PtInRect(const TRect& r, TPoint p)
{
    return TGdi::PtInRect(r, p);
}
// (Left + Width div 2, Top + Height div 2).
inline TPoint CenterPoint(const TRect& r)
{
    return TGdi::CenterPoint(r);
}
// Same rectangle with Left <= Right and Top <= Bottom.
inline TRect NormalizedRect(const TRect& r)
{
    return TGdi::NormalizedRect(r);
}

// ---------------------------------------------------------------- tools

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor };
enum TBrushStyle { bsSolid, bsClear };
// The platform's bevel style, used by the gauge bevels.
enum TBevelStyle { bsLowered, bsRaised };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;   // an or-combination of TFontStyle

// Face names of the original desktop map to the installed Liberation fonts:
// "MS Sans Serif", "Arial", "System" (and "Tahoma", "Verdana", "MS Shell Dlg")
// to Liberation Sans, "Times New Roman" to Liberation Serif, "Courier New" to
// Liberation Mono; other names pass through. Liberation Sans has Arial's
// widths but is wider than MS Sans Serif and System at the sizes the gauges
// use, so layouts keep their boxes and captions are fitted into them
// (TCanvas::SetTextFitWidth, TCanvas::FitFont).
inline QString ResolveFontFamily(const QString& name)
{
    return TGdi::ResolveFontFamily(name);
}

// A font description with change notification. Size is in points at 96
// pixels per inch (the pixel size is round(Size * 96 / 72), as the desktop
// layer does); text is drawn antialiased with vertical-only hinting.
class VELQUOR_PLATFORM_EXPORT TFont {
public:
    TFont();   // "MS Sans Serif", size 8, clWindowText, no style
    TFont(const QString& name, int size, TColor color = clWindowText, TFontStyles style = 0);
    TFont(const TFont& other);              // copies name, size, colour and style, not OnChange
    TFont& operator=(const TFont& other);   // same as Assign

    const QString& Name() const { return F.Name; }
    int Size() const { return F.Size; }
    TColor Color() const { return F.Color; }
    TFontStyles Style() const { return F.Style; }
    int PixelSize() const;

    // Each setter stores a different value and fires OnChange.
    void SetName(const QString& name);
    void SetSize(int size);
    void SetColor(TColor color);
    void SetStyle(TFontStyles style);
    // Copies name, size, colour and style; fires OnChange once when any differs.
    void Assign(const TFont& other);
    bool SameAs(const TFont& other) const;

    QFont ToQFont() const;

    std::function<void(TFont&)> OnChange;

private:
    void Changed();
    // What a font is; copies and comparisons take all of it at once.
    struct Description {
        QString Name;
        int Size;
        TColor Color;
        TFontStyles Style;
        bool operator==(const Description&) const = default;
    };
    Description F;
};

class TBitmap;

// Rows of the filled ellipse inscribed in [left, right) x [top, bottom): for
// each row from the top, its first and last pixel (inclusive). Symmetric about
// both axes; shared by Ellipse, elliptic clip regions and gradient fills.
struct TSpan {
    int Left = 0;
    int Right = -1;
};
inline std::vector<TSpan> EllipseRows(int left, int top, int right, int bottom)
{
    return TGdi::EllipseRows(left, top, right, bottom);
}

// Saved clip state, for restoring after a temporary clip.
struct TClipState {
    bool Active = false;
    QRegion Region;
};

// Region helpers with the desktop layer's semantics (see the top comment).
inline QRegion CreateRectRgn(int left, int top, int right, int bottom)
{
    return TGdi::CreateRectRgn(left, top, right, bottom);
}
inline QRegion CreateEllipticRgn(int left, int top, int right, int bottom)
{
    return TGdi::CreateEllipticRgn(left, top, right, bottom);
}

// ---------------------------------------------------------------- canvas

// Draws on a QImage (TBitmap), a QWidget (only inside its paintEvent) or any
// other paint device. The painter starts lazily on the first drawing call and
// ends in Release() or the destructor.
class VELQUOR_PLATFORM_EXPORT TCanvas {
public:
    explicit TCanvas(QPaintDevice* device = nullptr);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TPoint PenPos;

    void SetDevice(QPaintDevice* device);   // ends any running painter
    QPaintDevice* Device() const { return FDevice; }
    // Ends the painter (flushes); the next drawing call starts a new one. The
    // clip state survives.
    void Release();
    // The painter, started if needed; nullptr without a device.
    QPainter* Painter();

    // The current clip box, or the whole device without a clip.
    TRect ClipRect() const;

    void MoveTo(int x, int y);
    void LineTo(int x, int y);   // end pixel left out; PenPos moves to (x, y)
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(const TRect& r);    // brush only, no outline
    void FrameRect(const TRect& r);   // 1-pixel frame in the brush colour
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerW, int cornerH);
    // Counter-clockwise (as seen on screen) along the ellipse of the box, from
    // the ray towards (x3, y3) to the ray towards (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(const TPoint* points, int count);
    void Polygon(std::initializer_list<TPoint> points) { Polygon(points.begin(), int(points.size())); }
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
    void Polyline(const TPoint* points, int count);
    void Polyline(std::initializer_list<TPoint> points) { Polyline(points.begin(), int(points.size())); }
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }

    // Pixel access; reading works on image devices only (clNone elsewhere and
    // outside the image).
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Text with its top-left corner at (x, y), in Font; a solid brush fills the
    // text box first, a clear brush leaves the background.
    void TextOut(int x, int y, const QString& text);

    // Fitting: with a fit width above 0, a text wider than it is drawn
    // condensed (down to MinFitStretch per cent of its width, then also
    // smaller) so that it fits, and TextWidth / TextExtent report the fitted
    // width. Owners set it to the width of the box a caption must stay in, so
    // a font wider than the one a layout was made for never gets clipped.
    static constexpr int MinFitStretch = 60;
    int TextFitWidth() const { return FFitWidth; }
    void SetTextFitWidth(int width) { FFitWidth = std::max(0, width); }
    // font, condensed (and if need be made smaller) so that text is at most
    // width pixels wide; also for captions of ordinary Qt widgets.
    static QFont FitFont(const QFont& font, const QString& text, int width);
    // The natural width of text, ignoring the fit width.
    int NaturalTextWidth(const QString& text);
    // The same, clipped to r; a solid brush fills r first.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    TSize TextExtent(const QString& text);

    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& dest, const TBitmap& bitmap);
    // Copies source (in bitmap or in an image-backed canvas) into dest, scaled;
    // reversed rectangles mirror.
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

    // Clipping. SelectClipRgn(nullptr) removes the clip.
    void SelectClipRgn(const QRegion* region);
    void SetClipRect(const TRect& r);
    void SetClipEllipse(const TRect& r);   // same pixels as Ellipse(r)
    void IntersectClipRect(const TRect& r);
    void ClearClip() { SelectClipRgn(nullptr); }
    TClipState GetClip() const { return {FClipActive, FClip}; }
    void SetClip(const TClipState& state);

    // 3D frame: top and left edges in topColor, bottom and right in
    // bottomColor, width passes, each shrinking r by 1 (r is the inner
    // rectangle afterwards).
    void Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width);

private:
    friend class TBitmap;
    QImage* Image() const;
    void CopyImageRect(const TRect& dest, const QImage* img, const TRect& sourceRect);
    void ApplyClip();
    void PlotPoints(const std::vector<QPoint>& points, TColor color);
    void FillSpans(const std::vector<QRect>& spans, TColor color);
    void ThinLine(int x0, int y0, int x1, int y1, std::vector<QPoint>& out, int& phase) const;
    void WideLines(const std::vector<QPoint>& points, bool closed);
    void PrepareTextPainter();
    // The QFont and metrics of Font, rebuilt only when Font changes.
    const QFont& CurrentFont();
    const QFontMetrics& CurrentMetrics();
    // The font text is drawn in: Font, condensed when it must fit.
    QFont FittedFont(const QString& text);

    QPaintDevice* FDevice = nullptr;
    std::unique_ptr<QPainter> FPainter;
    bool FClipActive = false;
    QRegion FClip;
    bool FFontCached = false;
    TFont FFontKey;
    QFont FQFont;
    std::unique_ptr<QFontMetrics> FMetrics;
    int FFitWidth = 0;
};

// Frame3D as a free routine (the way the gauge code calls it).
inline void Frame3D(TCanvas& canvas, TRect& r, TColor topColor, TColor bottomColor, int width)
{
    canvas.Frame3D(r, topColor, bottomColor, width);
}

// ---------------------------------------------------------------- bitmap

// An off-screen RGB32 image with its canvas. A new or grown area is white;
// resizing keeps the old content at the top left. A transparent bitmap has an
// alpha channel, and its new or cleared area is fully transparent.
class VELQUOR_PLATFORM_EXPORT TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap();

    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    void SetSize(int width, int height);   // negative sizes count as 0
    TRect ClientRect() const { return {0, 0, Width(), Height()}; }
    // Copies size and pixels of another bitmap.
    void Assign(const TBitmap& other);

    // The image, with any painting flushed. Do not keep a copy across further
    // painting on Canvas.
    const QImage& Image() const;
    // The image for direct pixel writes (painting flushed first); its size
    // must not be changed through it.
    QImage& MutableImage();
    // Takes size and pixels of image (converted to RGB32).
    void SetImage(const QImage& image);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    // White, or fully transparent for a transparent bitmap.
    void Clear();

    // Mutable so that reading the image of a const bitmap can flush painting.
    mutable TCanvas Canvas;

private:
    QImage FImage;
    bool FTransparent = false;
};
