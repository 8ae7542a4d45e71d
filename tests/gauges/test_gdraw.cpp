// The shared drawing routines, checked by the pixels a user sees.
#include "gauges/GDraw.h"
#include "tests/support/TextInk.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TColor Px(TBitmap& b, int x, int y)
{
    return b.Canvas.Pixel(x, y);
}

int Lum(TColor c)
{
    c = ColorToRGB(c);
    return GetRValue(c) + GetGValue(c) + GetBValue(c);
}

// Text pixels of colour ink over background inside r (text is antialiased).
int CountInkIn(TBitmap& b, const TRect& r, TColor ink, TColor background = clWhite)
{
    return textink::CountInk(b.Image(), r, ink, background);
}

int CountIn(TBitmap& b, const TRect& r, TColor color)
{
    int n = 0;
    for (int y = std::max(0, r.Top); y < std::min(b.Height(), r.Bottom); ++y)
        for (int x = std::max(0, r.Left); x < std::min(b.Width(), r.Right); ++x)
            n += Px(b, x, y) == color;
    return n;
}

TBevelParams TestBevel()
{
    TBevelParams p;
    p.Width = 3;
    p.Spacing = 2;
    p.Color = RGB(100, 100, 100);
    p.ColorHighLightFrom = RGB(240, 0, 0);
    p.ColorHighLightTo = RGB(0, 0, 240);
    p.ColorShadowFrom = RGB(0, 240, 0);
    p.ColorShadowTo = RGB(0, 0, 0);
    p.PenColor = clFuchsia;
    return p;
}

} // namespace

TEST(GDraw, RectangularBevelFrameColoursPerPass)
{
    // Raised: pass i has top = highlight From..To at i/Width, bottom = shadow From..To.
    TBitmap b(40, 40);
    TRect r = Rect(0, 0, 40, 40);
    DrawBevel(b.Canvas, r, TestBevel());
    EXPECT_EQ(r, Rect(5, 5, 35, 35));
    const TColor top[3] = {RGB(160, 0, 80), RGB(80, 0, 160), RGB(0, 0, 240)};
    const TColor bottom[3] = {RGB(0, 160, 0), RGB(0, 80, 0), RGB(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Px(b, 20, i), top[i]) << "pass " << i + 1;
        EXPECT_EQ(Px(b, i, 20), top[i]) << "pass " << i + 1;
        EXPECT_EQ(Px(b, 20, 39 - i), bottom[i]) << "pass " << i + 1;
        EXPECT_EQ(Px(b, 39 - i, 20), bottom[i]) << "pass " << i + 1;
        EXPECT_EQ(Px(b, 39 - i, i), bottom[i]);   // top right corner: bottom colour
    }
    EXPECT_EQ(Px(b, 3, 3), RGB(100, 100, 100));   // spacing in Color
    EXPECT_EQ(Px(b, 20, 20), RGB(100, 100, 100));

    // Lowered: top = shadow To..From, bottom = highlight To..From.
    TBevelParams low = TestBevel();
    low.Style = bsLowered;
    TBitmap l(40, 40);
    r = Rect(0, 0, 40, 40);
    DrawBevel(l.Canvas, r, low);
    EXPECT_EQ(Px(l, 20, 0), RGB(0, 80, 0));
    EXPECT_EQ(Px(l, 20, 2), RGB(0, 240, 0));
    EXPECT_EQ(Px(l, 20, 39), RGB(80, 0, 160));
    EXPECT_EQ(Px(l, 20, 37), RGB(240, 0, 0));

    // Bevel lines: outer line around everything, inner line inside the passes,
    // each adding one pixel; offsets move each edge inwards.
    TBevelParams both = TestBevel();
    both.BevelLine = blBoth;
    both.OffsetLeft = 1;
    both.OffsetTop = 2;
    both.OffsetRight = 3;
    both.OffsetBottom = 4;
    TBitmap bb(40, 40);
    r = Rect(0, 0, 40, 40);
    DrawBevel(bb.Canvas, r, both);
    EXPECT_EQ(r, Rect(7 + 1, 7 + 2, 33 - 3, 33 - 4));
    EXPECT_EQ(Px(bb, 20, 0), clFuchsia);
    EXPECT_EQ(Px(bb, 39, 39), clFuchsia);
    EXPECT_EQ(Px(bb, 20, 1), top[0]);
    EXPECT_EQ(Px(bb, 20, 3), top[2]);
    EXPECT_EQ(Px(bb, 20, 4), clFuchsia);
    EXPECT_EQ(Px(bb, 35, 20), clFuchsia);
    EXPECT_EQ(Px(bb, 20, 5), RGB(100, 100, 100));
    EXPECT_EQ(BevelTotalThickness(2, 3, blBoth), 7);
    EXPECT_EQ(BevelTotalThickness(2, 3, blOuter), 6);
    EXPECT_EQ(BevelTotalThickness(5, 2, blNone), 7);

    // System colours: a default bevel draws the palette's highlight and shadow.
    TBitmap d(20, 20);
    r = Rect(0, 0, 20, 20);
    DrawBevel(d.Canvas, r, TBevelParams{});
    EXPECT_EQ(r, Rect(7, 7, 13, 13));
    EXPECT_EQ(Px(d, 10, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Px(d, 10, 19), ColorToRGB(clBtnShadow));
    EXPECT_EQ(Px(d, 10, 10), ColorToRGB(clBtnFace));

    // A visible surface gradient fills the inner rectangle, inside the frame.
    TBevelParams g = TestBevel();
    g.GradVisible = true;
    g.GradColorFrom = clRed;
    g.GradColorTo = clBlue;
    TBitmap gb(40, 40);
    r = Rect(0, 0, 40, 40);
    DrawBevel(gb.Canvas, r, g);
    EXPECT_EQ(Px(gb, 20, 3), clRed);
    EXPECT_EQ(Px(gb, 20, 36), clBlue);
    EXPECT_EQ(Px(gb, 20, 2), top[2]);
}

TEST(GDraw, RoundBevelSizeRules)
{
    TBitmap ring;
    BuildRoundBevelImage(ring, clWhite, clBlack);
    ASSERT_EQ(ring.Width(), 30);
    EXPECT_EQ(Px(ring, 0, 0), clWhite);
    EXPECT_EQ(Px(ring, 29, 29), clBlack);

    TBevelParams p;
    p.Width = 2;
    p.Spacing = 1;
    p.BevelLine = blOuter;
    p.PenColor = clBlack;
    p.Color = RGB(100, 100, 100);

    // Narrower than 5 pixels, or no ring image: nothing drawn, rect unchanged.
    TBitmap small(10, 10);
    TRect r = Rect(0, 0, 4, 10);
    DrawRoundBevel(small.Canvas, r, 0, 0, p, &ring);
    EXPECT_EQ(r, Rect(0, 0, 4, 10));
    EXPECT_EQ(CountIn(small, Rect(0, 0, 10, 10), clWhite), 100);
    r = Rect(0, 0, 10, 10);
    DrawRoundBevel(small.Canvas, r, 0, 0, p, nullptr);
    EXPECT_EQ(r, Rect(0, 0, 10, 10));
    EXPECT_EQ(CountIn(small, Rect(0, 0, 10, 10), clWhite), 100);

    // A 30-pixel knob: shrinks by Width + Spacing + 1 for the outer line.
    TBitmap b(40, 40);
    r = Rect(5, 5, 35, 35);
    DrawRoundBevel(b.Canvas, r, 0, 0, p, &ring);
    EXPECT_EQ(r, Rect(9, 9, 31, 31));
    EXPECT_EQ(Px(b, 5, 5), clWhite);     // outside the ellipse: untouched
    EXPECT_EQ(Px(b, 34, 34), clWhite);
    EXPECT_EQ(Px(b, 4, 20), clWhite);
    EXPECT_EQ(Px(b, 5, 20), clBlack);    // outer line
    EXPECT_EQ(Px(b, 34, 20), clBlack);
    EXPECT_EQ(Px(b, 20, 20), RGB(100, 100, 100));
    // Raised: the ring is light at the upper left, dark at the lower right.
    EXPECT_GT(Lum(Px(b, 10, 10)), Lum(Px(b, 29, 29)) + 200);

    TBevelParams low = p;
    low.Style = bsLowered;
    low.BevelLine = blBoth;
    low.OffsetLeft = 2;
    TBitmap lb(40, 40);
    r = Rect(5, 5, 35, 35);
    DrawRoundBevel(lb.Canvas, r, 0, 0, low, &ring);
    EXPECT_EQ(r, Rect(10 + 2, 10, 30, 30));
    EXPECT_LT(Lum(Px(lb, 10, 10)) + 200, Lum(Px(lb, 29, 29)));

    // A surface gradient is clipped to the face.
    TBevelParams g = p;
    g.GradVisible = true;
    g.GradColorFrom = clRed;
    g.GradColorTo = clBlue;
    g.GradStyle = gsElliptic1;
    TBitmap gb(40, 40);
    r = Rect(5, 5, 35, 35);
    DrawRoundBevel(gb.Canvas, r, 0, 0, g, &ring);
    EXPECT_EQ(Px(gb, 20, 20), clRed);
    EXPECT_EQ(Px(gb, 5, 5), clWhite);
    EXPECT_EQ(Px(gb, 8, 8), Px(b, 8, 8));   // the ring stays
}

TEST(GDraw, CircularScaleLabelsRunClockwiseFromTheStart)
{
    TFont font("Arial", 8, clRed);
    TScaleLook look;
    look.Font = &font;
    look.Color = clBlack;
    TScaleMetrics m;
    TBitmap b(200, 200);
    MeasureScaleLabels(b.Canvas, look, 0, 100, m);
    EXPECT_EQ(m.Labels, QString("0;20;40;60;80;100;"));
    EXPECT_EQ(m.WidestLabel, b.Canvas.TextWidth("100"));
    EXPECT_EQ(m.LabelHeight, b.Canvas.TextHeight("0"));
    EXPECT_EQ(m.MajorPenWidth, int(std::nearbyint(m.LabelHeight / 14.0)));
    EXPECT_EQ(m.LabelMargin, std::max(m.WidestLabel, m.LabelHeight) / 2 + 1);

    TRect r = Rect(0, 0, 200, 200);
    DrawScaleCircle(b.Canvas, r, 270, 225, look, m);
    const int mg = m.LabelMargin;
    const int radius = (200 - 2 * mg) / 2 - m.WidestLabel / 2 + mg;
    const TPoint c{100, radius + m.LabelHeight / 2};
    EXPECT_EQ(m.Centre, c);
    EXPECT_EQ(m.MajorTickLength, std::max(3, radius / 7));
    EXPECT_GT(r.Left, 0);
    EXPECT_LT(r.Right, 200);

    // Each label sits centred on its point, 54 degrees apart clockwise from 225.
    const QStringList labels = {"0", "20", "40", "60", "80", "100"};
    int inBoxes = 0;
    for (int j = 0; j < 6; ++j) {
        const TPoint p = RotatePoint(RotatePoint({c.X, c.Y - radius}, c, true, 225), c, true, j * 54.0);
        const TSize ext = b.Canvas.TextExtent(labels[j]);
        const TRect box = Bounds(p.X - ext.cx / 2, p.Y - ext.cy / 2, ext.cx, ext.cy);
        const int n = CountInkIn(b, box, clRed);
        EXPECT_GT(n, 3) << labels[j].toStdString();
        inBoxes += n;
    }
    EXPECT_EQ(inBoxes, CountInkIn(b, Rect(0, 0, 200, 200), clRed));   // no text elsewhere
    // "0" at the lower left, "100" at the lower right, "40" upper left, "60" upper right.
    const TPoint p0 = RotatePoint({c.X, c.Y - radius}, c, true, 225);
    EXPECT_LT(p0.X, c.X);
    EXPECT_GT(p0.Y, c.Y);
    // Ticks in the scale colour: the first major tick starts at the outer end.
    const TPoint tick = RotatePoint({c.X, c.Y - radius + mg}, c, true, 225);
    EXPECT_EQ(Px(b, tick.X, tick.Y), clBlack);
    EXPECT_EQ(m.ArcStart, tick);

    // Log labels: decades, the step count the largest divisor up to Steps.
    TScaleMetrics lm;
    lm.LogScale = true;
    MeasureScaleLabels(b.Canvas, look, 1, 1000, lm);
    EXPECT_EQ(lm.Labels, QString("1e0;1e1;1e2;1e3;"));
    EXPECT_EQ(lm.LogSteps, 3);
    MeasureScaleLabels(b.Canvas, look, 1, 1e4, lm);
    EXPECT_EQ(lm.LogSteps, 4);
    MeasureScaleLabels(b.Canvas, look, 0.1, 1e6, lm);   // 7 decades, Steps 5: one step
    EXPECT_EQ(lm.Labels, QString("1e-1;1e6;"));
    TRect lr = Rect(0, 0, 200, 200);
    DrawScaleCircle(b.Canvas, lr, 270, 225, look, lm);   // must not crash
}

TEST(GDraw, GradientEndsAndPlainFills)
{
    TBitmap b(20, 10);
    DrawGradient(b.Canvas, Rect(0, 0, 20, 10), clRed, gsHorizontal1, clBlue);
    EXPECT_EQ(Px(b, 5, 0), clRed);
    EXPECT_EQ(Px(b, 5, 9), clBlue);
    EXPECT_EQ(Px(b, 0, 4), Px(b, 19, 4));   // bands run across
    DrawGradient(b.Canvas, Rect(0, 0, 20, 10), clRed, gsVertical1, clBlue);
    EXPECT_EQ(Px(b, 0, 5), clRed);
    EXPECT_EQ(Px(b, 19, 5), clBlue);

    // Centre-line styles: ColorFrom on the centre line, ColorTo at the edge.
    TBitmap h(10, 21);
    DrawGradient(h.Canvas, Rect(0, 0, 10, 21), clRed, gsHorizontal2, clBlue);
    EXPECT_EQ(Px(h, 3, 10), clRed);
    EXPECT_EQ(Px(h, 3, 0), clBlue);
    EXPECT_EQ(Px(h, 3, 20), clBlue);
    DrawGradient(h.Canvas, Rect(0, 0, 10, 21), clRed, gsHorizontal3, clBlue);
    EXPECT_EQ(Px(h, 3, 7), clRed);

    // Centred styles: ColorFrom in the middle, ColorTo at the corners (the
    // larger figures of the other styles reach nearly into the corners).
    for (TGradientStyle s : {gsElliptic1, gsElliptic2, gsRectangle, gsDiamond1, gsDiamond2}) {
        TBitmap e(21, 21);
        DrawGradient(e.Canvas, Rect(0, 0, 21, 21), clRed, s, clBlue);
        EXPECT_EQ(Px(e, 10, 10), clRed) << s;
        if (s == gsElliptic1 || s == gsDiamond2) {
            EXPECT_EQ(Px(e, 0, 0), clBlue) << s;
        }
        EXPECT_GT(GetBValue(Px(e, 0, 0)), 200) << s;
    }
    // gsElliptic3 is centred up and left of the middle.
    TBitmap e3(40, 40);
    DrawGradient(e3.Canvas, Rect(0, 0, 40, 40), clRed, gsElliptic3, clBlue);
    EXPECT_EQ(Px(e3, 9, 9), clRed);
    EXPECT_GT(GetBValue(Px(e3, 20, 20)), 0);

    // Corner styles: ColorFrom in one corner, ColorTo in the opposite one,
    // darkening steadily along the diagonal with no holes.
    TBitmap t(30, 30);
    DrawGradient(t.Canvas, Rect(0, 0, 30, 30), clWhite, gsTopLeft, clBlack);
    EXPECT_EQ(Px(t, 0, 0), clWhite);
    EXPECT_EQ(Px(t, 29, 29), clBlack);
    for (int i = 1; i < 30; ++i)
        EXPECT_LE(Lum(Px(t, i, i)), Lum(Px(t, i - 1, i - 1)));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const TColor c = Px(t, x, y);
            EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
        }
    DrawGradient(t.Canvas, Rect(0, 0, 30, 30), clWhite, gsTopRight, clBlack);
    EXPECT_EQ(Px(t, 29, 0), clWhite);
    EXPECT_EQ(Px(t, 0, 29), clBlack);

    // Two colours with the same RGB value: one plain fill, for every style.
    TBitmap p(12, 12);
    DrawGradient(p.Canvas, Rect(1, 1, 11, 11), clBtnFace, gsElliptic3, ColorToRGB(clBtnFace));
    EXPECT_EQ(CountIn(p, Rect(1, 1, 11, 11), ColorToRGB(clBtnFace)), 100);
    EXPECT_EQ(Px(p, 0, 0), clWhite);
    // Empty rectangles draw nothing.
    DrawGradient(p.Canvas, Rect(5, 5, 5, 9), clRed, gsHorizontal1, clBlue);
    EXPECT_EQ(CountIn(p, Rect(0, 0, 12, 12), clRed), 0);
}

TEST(GDraw, ColourInterpolation)
{
    EXPECT_EQ(InterpolateColor(clBtnFace, clBtnFace, 2, 1), clBtnFace);   // identity kept
    EXPECT_EQ(InterpolateColor(clBtnShadow, clBtnShadow, 0, 5), clBtnShadow);
    // Ties round to even: 0.5 -> 0, 1.5 -> 2, 127.5 -> 128.
    EXPECT_EQ(InterpolateColor(RGB(0, 0, 0), RGB(1, 3, 255), 2, 1), RGB(0, 2, 128));
    EXPECT_EQ(InterpolateColor(clBlack, clWhite, 0, 1), clWhite);   // steps 0 counts as 1
    EXPECT_EQ(InterpolateColor(clWhite, clBlack, 4, 0), clWhite);
    EXPECT_EQ(InterpolateColor(clBtnFace, clBlack, 1, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(InterpolateColor(clBlack, clWhite, 2, 5), clWhite);   // clamped
}

TEST(GDraw, PointAngleAndRotation)
{
    const TPoint c{50, 50};
    EXPECT_NEAR(PointAngle(c, {50, 40}), 180.0, 1e-3);   // straight up
    EXPECT_NEAR(PointAngle(c, {60, 50}), 270.0, 1e-3);   // right
    EXPECT_NEAR(PointAngle(c, {50, 60}), 0.0, 1e-3);     // straight down
    EXPECT_NEAR(PointAngle(c, {40, 50}), 90.0, 1e-3);    // left
    EXPECT_NEAR(PointAngle(c, {60, 60}), 315.0, 0.01);
    EXPECT_NEAR(PointAngle(c, {40, 40}), 135.0, 0.01);
    EXPECT_NEAR(PointAngle(c, {40, 60}), 45.0, 0.01);
    EXPECT_NEAR(PointAngle(c, {60, 40}), 225.0, 0.01);

    EXPECT_EQ(RotatePoint({50, 40}, c, true, 90), Point(60, 50));
    EXPECT_EQ(RotatePoint({50, 40}, c, false, 90), Point(40, 50));
    EXPECT_EQ(RotatePoint({50, 40}, c, true, 180), Point(50, 60));
    EXPECT_EQ(RotatePoint({50, 40}, c, true, 225), Point(43, 57));   // the dial's minimum
    EXPECT_EQ(RotatePoint({50, 40}, c, true, 495), Point(57, 57));   // and maximum
    EXPECT_EQ(RotatePoint({50, 40}, c, true, 0), Point(50, 40));

    EXPECT_TRUE(PointInRect(0, 0, Rect(0, 0, 10, 5)));
    EXPECT_FALSE(PointInRect(10, 2, Rect(0, 0, 10, 5)));   // right edge exclusive
    EXPECT_TRUE(PointInRect(9, 5, Rect(0, 0, 10, 5)));     // bottom edge inclusive
    EXPECT_FALSE(PointInRect(9, 6, Rect(0, 0, 10, 5)));
    EXPECT_TRUE(PointInCircle(5, 0, Rect(0, 0, 10, 10)));
    EXPECT_TRUE(PointInCircle(10, 5, Rect(0, 0, 10, 10)));
    EXPECT_FALSE(PointInCircle(0, 0, Rect(0, 0, 10, 10)));
    EXPECT_FALSE(PointInCircle(11, 5, Rect(0, 0, 10, 10)));

    TRect r = Rect(0, 0, 10, 20);
    ShrinkRect(r, 2);
    EXPECT_EQ(r, Rect(2, 2, 8, 18));
    ShrinkRect(r, 1, 3);
    EXPECT_EQ(r, Rect(3, 5, 7, 15));
    EXPECT_EQ(RectCenter(Rect(0, 0, 9, 9)), Point(4, 4));
    EXPECT_EQ(RectCenter(Rect(-9, -9, 0, 0)), Point(-5, -5));
}

TEST(GDraw, AlignedAndMultiLineText)
{
    TBitmap b(120, 100);
    b.Canvas.Font = TFont("Arial", 10, clRed);
    b.Canvas.Brush.Style = bsClear;
    const TSize ext = b.Canvas.TextExtent("Ag");
    // Alignment 7: the text's bottom centre at the reference point.
    TextOutAligned(b.Canvas, 60, 50, 7, "Ag");
    const TRect box = Bounds(60 - ext.cx / 2, 50 - ext.cy, ext.cx, ext.cy);
    const int inBox = CountInkIn(b, box, clRed);
    EXPECT_GT(inBox, 5);
    EXPECT_EQ(inBox, CountInkIn(b, Rect(0, 0, 120, 100), clRed));

    // Alignment a: a % 3 picks left, centre or right of x; a / 3 picks top,
    // middle or bottom of y.
    for (int a = 0; a <= 8; ++a) {
        TBitmap t(120, 100);
        t.Canvas.Font = TFont("Arial", 10, clRed);
        t.Canvas.Brush.Color = clBlue;   // a solid brush shows the box
        TextOutAligned(t.Canvas, 60, 50, a, "Ag");
        const int left = a % 3 == 0 ? 60 : a % 3 == 1 ? 60 - ext.cx / 2 : 60 - ext.cx;
        const int top = a / 3 == 0 ? 50 : a / 3 == 1 ? 50 - ext.cy / 2 : 50 - ext.cy;
        EXPECT_EQ(CountIn(t, Bounds(left, top, ext.cx, ext.cy), clWhite), 0) << a;
        EXPECT_EQ(CountIn(t, Rect(0, 0, 120, 100), clWhite), 120 * 100 - ext.cx * ext.cy) << a;
    }

    // Two lines centred about y: the first above, the second below.
    TBitmap l(120, 100);
    l.Canvas.Font = TFont("Arial", 10, clRed);
    l.Canvas.Brush.Style = bsClear;
    TextOutLines(l.Canvas, 60, 50, 4, "A|B", 2);
    const int pitch = l.Canvas.TextHeight("X") + 2;
    EXPECT_GT(CountInkIn(l, Rect(0, 50 - pitch / 2 - ext.cy / 2, 120, 50 - pitch / 2 + ext.cy - ext.cy / 2), clRed), 3);
    EXPECT_GT(CountInkIn(l, Rect(0, 50 + pitch - pitch / 2 - ext.cy / 2, 120, 100), clRed), 3);
    EXPECT_EQ(CountInkIn(l, Rect(0, 0, 120, 50 - pitch / 2 - ext.cy / 2), clRed), 0);
}

TEST(GDraw, FittedTextIsWholeCondensedMarkedOrShortenedNeverCut)
{
    TBitmap b(300, 40);
    b.Canvas.Font = TFont(QStringLiteral("Arial"), 10, clBlack);
    const QString number = QStringLiteral("-1234.5");
    const int natural = b.Canvas.NaturalTextWidth(number);
    // Room enough: as it is.
    TFittedText t = TOvDraw::DrawFittedText(b.Canvas, 10, 5, 0, number, 200, TTextFit::Readout);
    EXPECT_EQ(t.Shown, number);
    EXPECT_EQ(t.Box.Width(), natural);
    // A little too narrow: the whole number, condensed into the width.
    t = TOvDraw::DrawFittedText(b.Canvas, 290, 5, 2, number, natural * 4 / 5, TTextFit::Readout);
    EXPECT_EQ(t.Shown, number);
    EXPECT_FALSE(t.Overflow);
    EXPECT_LE(t.Box.Width(), natural * 4 / 5);
    EXPECT_EQ(t.Box.Right, 290);
    // Far too narrow: the overflow mark, never some of the digits.
    t = TOvDraw::DrawFittedText(b.Canvas, 10, 5, 0, number, natural / 4, TTextFit::Readout);
    EXPECT_TRUE(t.Overflow);
    EXPECT_EQ(t.Shown.count(QLatin1Char('#')), t.Shown.size());
    EXPECT_LE(t.Box.Width(), natural / 4);
    // A caption that far too narrow ends in "..." instead.
    const QString caption = QStringLiteral("Temperature");
    t = TOvDraw::DrawFittedText(b.Canvas, 10, 5, 0, caption, b.Canvas.NaturalTextWidth(caption) / 3, TTextFit::Caption);
    EXPECT_FALSE(t.Overflow);
    EXPECT_TRUE(t.Shown.endsWith(QChar(0x2026))) << t.Shown.toStdString();
    EXPECT_LE(t.Box.Width(), b.Canvas.NaturalTextWidth(caption) / 3);
    EXPECT_EQ(b.Canvas.Font.Size(), 10); // the canvas font is left as it was
}

TEST(GDraw, DotIsShadedAtTheLowerRight)
{
    TBitmap b(21, 21);
    DrawDot(b.Canvas, {10, 10}, 5, clLime);
    EXPECT_EQ(Px(b, 10, 10), clLime);
    const TColor hi = ColorToRGB(clBtnHighlight);
    const TColor sh = ColorToRGB(clBtnShadow);
    ASSERT_NE(hi, sh);
    EXPECT_EQ(Px(b, 5, 10), hi);    // left
    EXPECT_EQ(Px(b, 10, 5), hi);    // top
    EXPECT_EQ(Px(b, 15, 10), sh);   // right
    EXPECT_EQ(Px(b, 10, 15), sh);   // bottom
    EXPECT_EQ(Px(b, 4, 10), clWhite);
    EXPECT_EQ(Px(b, 16, 10), clWhite);
}
