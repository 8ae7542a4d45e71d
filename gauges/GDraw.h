// Drawing and geometry routines shared by the gauge controls: bevels,
// gradients, circular scales, aligned text, point rotation and angle, hit
// tests, 3D dots and colour interpolation.
//
// The settings objects (TOvSBevel, TOvGradSettings, TScaleSettings in
// GClass.h) own PaintBevel, PaintRoundBevel, MeasureScale and
// DrawCircularScale; they fill the plain parameter records below and call
// DrawBevel, DrawRoundBevel, MeasureScaleLabels and DrawScaleCircle. This
// header does not include GClass.h, so GClass.h can include it.
#pragma once

#include "gauges/GaugesExport.h"

#include "platform/canvas/Canvas.h"

#include <QString>

enum TGradientStyle {
    gsHorizontal1, gsHorizontal2, gsHorizontal3,
    gsVertical1, gsVertical2, gsVertical3,
    gsElliptic1, gsElliptic2, gsElliptic3,
    gsRectangle, gsDiamond1, gsDiamond2,
    gsTopLeft, gsTopRight
};

enum TBevelLine { blNone, blOuter, blInner, blBoth };

// The drawing and geometry routines as one exported class; the free
// functions below forward to it.
struct TBevelParams;
struct TScaleLook;
struct TScaleMetrics;
struct TScaleCircleGeometry;

// How a text is fitted into the width it has (TOvDraw::DrawFittedText).
enum class TTextFit {
    // A caption: condensed, then smaller down to the smallest legible size;
    // where even that is too wide it ends in "..." rather than being cut.
    Caption,
    // A number: shown whole (condensed and smaller if need be) or, where
    // even the smallest legible size cannot hold it, as the overflow mark,
    // never as some of its digits.
    Readout,
    // A scale label: drawn as it is, its layout having made room for it.
    Label,
};

// What DrawFittedText drew: the text's box and what it shows.
struct TFittedText {
    TTextFit Fit = TTextFit::Caption;
    TRect Box;
    QString Shown;         // the text, the shortened caption or the overflow mark
    int NaturalWidth = 0;  // the text's width in the canvas font
    bool Overflow = false; // a readout too wide to show
};

class VELQUOR_GAUGES_EXPORT TOvDraw {
public:
    // The smallest pixel size a fitted text is made (6 points at 96 dpi).
    static constexpr int MinLegiblePixels = 8;
    // What a readout too wide for its box shows.
    static QString OverflowMark(TCanvas& canvas, int width);
    // The box of a text placed as TextOutAligned places it, in the canvas font.
    static TRect AlignedBox(TCanvas& canvas, int x, int y, int alignment, const QString& text);
    // Text placed as TextOutAligned places it, no wider than width: as it
    // is, or fitted by the rule.
    static TFittedText DrawFittedText(TCanvas& canvas, int x, int y, int alignment, const QString& text, int width,
                                      TTextFit fit);
    static TColor InterpolateColor(TColor c1, TColor c2, int steps, int i);
    static void DrawGradient(TCanvas& canvas, const TRect& rect, TColor colorFrom, TGradientStyle style,
                  TColor colorTo);
    static int BevelTotalThickness(int spacing, int width, TBevelLine line);
    static void DrawBevel(TCanvas& canvas, TRect& r, const TBevelParams& bevel);
    static TRect BevelContentRect(const TRect& r, const TBevelParams& bevel);
    static TRect RoundBevelContentRect(const TRect& r, const TBevelParams& bevel,
                                                  const TBitmap* ringImage);
    static void BuildRoundBevelImage(TBitmap& image, TColor shadowFrom, TColor shadowTo);
    static void DrawRoundBevel(TCanvas& canvas, TRect& r, int dx, int dy, const TBevelParams& bevel,
                    const TBitmap* ringImage);
    static void MeasureScaleLabels(TCanvas& canvas, const TScaleLook& look, double from, double to,
                        TScaleMetrics& metrics);
    static TScaleCircleGeometry LayoutScaleCircle(const TRect& r, int sweep, int start,
                                                             const TScaleLook& look, TScaleMetrics& metrics);
    static void DrawScaleCircle(TCanvas& canvas, TRect& r, int sweep, int start, const TScaleLook& look,
                     TScaleMetrics& metrics);
    static void TextOutAligned(TCanvas& canvas, int x, int y, int alignment, const QString& text);
    static void TextOutLines(TCanvas& canvas, int x, int y, int alignment, const QString& text,
                  int extraSpacing);
    static TPoint RotatePoint(TPoint p, TPoint centre, bool clockwise, double degrees);
    static float PointAngle(TPoint centre, TPoint p);
    static bool PointInRect(int x, int y, const TRect& r);
    static bool PointInCircle(int x, int y, const TRect& r);
    static void ShrinkRect(TRect& r, int d);
    static void ShrinkRect(TRect& r, int dx, int dy);
    static TPoint RectCenter(const TRect& r);
    static void DrawDot(TCanvas& canvas, TPoint c, int r, TColor color);
};

// ---------------------------------------------------------------- colours

// Per channel c1 + round((c2 - c1) / steps * i); steps 0 counts as 1. Equal
// colours (system colours included) return c1 itself, so clBtnFace to
// clBtnFace stays clBtnFace. Different colours are interpolated on their RGB
// values.
inline TColor InterpolateColor(TColor c1, TColor c2, int steps, int i)
{
    return TOvDraw::InterpolateColor(c1, c2, steps, i);
}

// ---------------------------------------------------------------- gradients

// Fills rect with a two-colour gradient; composed off-screen, drawn in one step.
inline void DrawGradient(TCanvas& canvas, const TRect& rect, TColor colorFrom, TGradientStyle style,
                  TColor colorTo)
{
    return TOvDraw::DrawGradient(canvas, rect, colorFrom, style, colorTo);
}

// ---------------------------------------------------------------- bevels

// The frame values of a bevel with the defaults of a fresh one: the fields
// of the bevel settings object TOvSBevel, and what the painting routines read.
struct TBevelFields {
    TBevelStyle Style = bsRaised;
    int Spacing = 5;
    TBevelLine BevelLine = blNone;
    int Width = 2;
    TColor Color = clBtnFace;
    TColor ColorShadowFrom = clBtnShadow;
    TColor ColorShadowTo = clBtnShadow;
    TColor ColorHighLightFrom = clBtnHighlight;
    TColor ColorHighLightTo = clBtnHighlight;
    TColor PenColor = clBlack;
    friend bool operator==(const TBevelFields&, const TBevelFields&) = default;
};

// Everything a bevel paint reads from a TOvSBevel: its frame fields plus
// the values of its Offset and SurfaceGrad objects.
struct TBevelParams : TBevelFields {
    bool GradVisible = false;        // SurfaceGrad.Visible
    TColor GradColorFrom = 0xE2E2E2; // SurfaceGrad.ColorFrom
    TColor GradColorTo = 0x8F8F8F;   // SurfaceGrad.ColorTo
    TGradientStyle GradStyle = gsHorizontal1;
    int OffsetLeft = 0, OffsetTop = 0, OffsetRight = 0, OffsetBottom = 0;
};

// Spacing + Width, plus 1 for blOuter or blInner, plus 2 for blBoth.
inline int BevelTotalThickness(int spacing, int width, TBevelLine line)
{
    return TOvDraw::BevelTotalThickness(spacing, width, line);
}

// Rectangular bevel in r; r becomes the content rectangle.
inline void DrawBevel(TCanvas& canvas, TRect& r, const TBevelParams& bevel)
{
    return TOvDraw::DrawBevel(canvas, r, bevel);
}

// The content rectangles DrawBevel and DrawRoundBevel leave in r, computed
// without drawing (layouts use them).
inline TRect BevelContentRect(const TRect& r, const TBevelParams& bevel)
{
    return TOvDraw::BevelContentRect(r, bevel);
}
inline TRect RoundBevelContentRect(const TRect& r, const TBevelParams& bevel,
                                                  const TBitmap* ringImage)
{
    return TOvDraw::RoundBevelContentRect(r, bevel, ringImage);
}

// Fills image (resized to 30 x 30) with the gsTopLeft gradient from
// shadowFrom to shadowTo: the ring image of an elliptic bevel, built once per
// bevel by Recalculate.
inline void BuildRoundBevelImage(TBitmap& image, TColor shadowFrom, TColor shadowTo)
{
    return TOvDraw::BuildRoundBevelImage(image, shadowFrom, shadowTo);
}

// Elliptic bevel (knob) in r, offset on the canvas by (dx, dy) for the clip.
// Draws nothing and leaves r unchanged when r is narrower than 5 pixels or
// ringImage is null or empty (the bevel is not Elliptic). Otherwise r becomes
// the content rectangle.
inline void DrawRoundBevel(TCanvas& canvas, TRect& r, int dx, int dy, const TBevelParams& bevel,
                    const TBitmap* ringImage)
{
    return TOvDraw::DrawRoundBevel(canvas, r, dx, dy, bevel, ringImage);
}

// ---------------------------------------------------------------- scales

// What a scale paint reads from a TScaleSettings.
struct TScaleLook {
    TColor Color = clBlack;
    const TFont* Font = nullptr;   // the scale font; the canvas font is used when null
    int Steps = 5;
    int SubSteps = 2;
    QString ValueFormat = QStringLiteral("##0");
    QString ValueFormatLog = QStringLiteral("0e-0");
    bool DrawLine = true;          // linear scales: the line along the ticks
};

// The private scale metrics of a TScaleSettings (constructor values below).
// MeasureScaleLabels and DrawScaleCircle update them; owners read Centre and
// the arc-line fields, and may clear the labels themselves.
struct TScaleMetrics {
    bool LogScale = false;        // input: log labels and tick spacing
    int MajorTickLength = 14;
    int MinorTickLength = 7;
    int MajorPenWidth = 2;
    int LabelMargin = 4;
    QString Labels;               // each label followed by ";"
    int WidestLabel = 0;
    int LabelHeight = 0;
    TPoint Centre;
    int FirstExponent = 0;        // log scale
    int LastExponent = 0;
    int LogSteps = 0;             // decade steps of a log scale
    TPoint ArcStart;              // first outer tick end
    TPoint ArcEnd;                // last major inner end
    TRect ArcRect;                // box of an arc line through the ticks
};

// Everything a circular scale's drawing computes before it draws: centre,
// inner rectangle, tick geometry (LayoutScaleCircle also updates the
// metrics' tick lengths, centre and arc fields).
struct TScaleCircleGeometry {
    TPoint Centre;
    TRect Inner;            // the rectangle DrawScaleCircle returns
    int Steps = 1;
    int SubSteps = 1;
    double MinorAngle = 0.0;
    double MajorAngle = 0.0;
    int Sweep = 0;
    TPoint Outer0, MajorInner0, MinorOuter0, Label0; // reference points at the start angle
};

// Builds and measures the label list for the range from..to (MeasureScale).
inline void MeasureScaleLabels(TCanvas& canvas, const TScaleLook& look, double from, double to,
                        TScaleMetrics& metrics)
{
    return TOvDraw::MeasureScaleLabels(canvas, look, from, to, metrics);
}

// The geometry of a circular scale in r, without drawing (layouts use it).
inline TScaleCircleGeometry LayoutScaleCircle(const TRect& r, int sweep, int start,
                                                             const TScaleLook& look, TScaleMetrics& metrics)
{
    return TOvDraw::LayoutScaleCircle(r, sweep, start, look, metrics);
}

// Draws ticks and labels on an arc of sweep degrees starting at start degrees
// (clockwise from straight up); r becomes the inner rectangle and
// metrics.Centre the scale centre (DrawCircularScale). Uses the labels of the
// last MeasureScaleLabels.
inline void DrawScaleCircle(TCanvas& canvas, TRect& r, int sweep, int start, const TScaleLook& look,
                     TScaleMetrics& metrics)
{
    return TOvDraw::DrawScaleCircle(canvas, r, sweep, start, look, metrics);
}

// ---------------------------------------------------------------- text

// Text placed relative to (x, y): alignment 0..8 = rows top/middle/bottom by
// columns left/centre/right (0 top-left, 4 centred, 7 bottom-centre, 8
// bottom-right).
inline void TextOutAligned(TCanvas& canvas, int x, int y, int alignment, const QString& text)
{
    return TOvDraw::TextOutAligned(canvas, x, y, alignment, text);
}
// Lines separated by "|", line pitch TextHeight("X") + extraSpacing, the block
// placed by the alignment's row.
inline void TextOutLines(TCanvas& canvas, int x, int y, int alignment, const QString& text,
                  int extraSpacing)
{
    return TOvDraw::TextOutLines(canvas, x, y, alignment, text, extraSpacing);
}

// ---------------------------------------------------------------- geometry

// p rotated about centre by degrees, clockwise on screen (y down) or counter-clockwise.
inline TPoint RotatePoint(TPoint p, TPoint centre, bool clockwise, double degrees)
{
    return TOvDraw::RotatePoint(p, centre, clockwise, degrees);
}
// Degrees 0..360 of p seen from centre: 0 straight down, growing clockwise
// (90 left, 180 up, 270 right).
inline float PointAngle(TPoint centre, TPoint p)
{
    return TOvDraw::PointAngle(centre, p);
}
// Left <= x < Right and Top <= y <= Bottom.
inline bool PointInRect(int x, int y, const TRect& r)
{
    return TOvDraw::PointInRect(x, y, r);
}
// Inside the circle inscribed in r's width: 2 * distance to r's centre <= width.
inline bool PointInCircle(int x, int y, const TRect& r)
{
    return TOvDraw::PointInCircle(x, y, r);
}
// Moves every edge inwards by d (dx horizontally, dy vertically).
inline void ShrinkRect(TRect& r, int d)
{
    return TOvDraw::ShrinkRect(r, d);
}
inline void ShrinkRect(TRect& r, int dx, int dy)
{
    return TOvDraw::ShrinkRect(r, dx, dy);
}
// (Left + (Right - Left) div 2, Top + (Bottom - Top) div 2).
inline TPoint RectCenter(const TRect& r)
{
    return TOvDraw::RectCenter(r);
}

// A 3D dot of radius r at c: filled in color, highlight outline, shadow on
// the lower right half.
inline void DrawDot(TCanvas& canvas, TPoint c, int r, TColor color)
{
    return TOvDraw::DrawDot(canvas, c, r, color);
}
