// Pixel rules of the canvas layer the gauges rely on.
#include "platform/canvas/Canvas.h"
#include "platform/canvas/ClassicPalette.h"
#include "tests/support/TextInk.h"
#include "platform/canvas/FormatFloat.h"

#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

// A white bitmap of the given size.
struct Board {
    TBitmap bmp;
    Board(int w, int h) : bmp(w, h) {}
    TCanvas& c() { return bmp.Canvas; }
    TColor at(int x, int y) { return bmp.Canvas.Pixel(x, y); }
    int count(TColor color)
    {
        int n = 0;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                n += at(x, y) == color;
        return n;
    }
    // Bounding box of pixels in color; empty when none.
    TRect box(TColor color)
    {
        TRect r{1 << 20, 1 << 20, -1, -1};
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (at(x, y) == color) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.Right < 0 ? TRect{} : r;
    }
};

} // namespace

TEST(Canvas, RectanglesHaveExclusiveRightAndBottomEdges)
{
    Board b(20, 20);
    b.c().Pen.Color = clRed;
    b.c().Brush.Color = clBlue;
    b.c().Rectangle(0, 0, 10, 10);
    EXPECT_EQ(b.box(clRed), Rect(0, 0, 10, 10));
    EXPECT_EQ(b.at(9, 9), clRed);
    EXPECT_EQ(b.at(10, 10), clWhite);
    EXPECT_EQ(b.at(5, 5), clBlue);
    EXPECT_EQ(b.count(clBlue), 8 * 8);

    // A clear pen: the fill alone, one pixel smaller.
    Board p(20, 20);
    p.c().Pen.Style = psClear;
    p.c().Brush.Color = clLime;
    p.c().Rectangle(2, 2, 12, 12);
    EXPECT_EQ(p.box(clLime), Rect(2, 2, 11, 11));

    // FillRect and FrameRect use the brush; both exclusive; a clear brush fills nothing.
    Board f(20, 20);
    f.c().Brush.Color = clNavy;
    f.c().FillRect(Rect(3, 4, 8, 6));
    EXPECT_EQ(f.box(clNavy), Rect(3, 4, 8, 6));
    EXPECT_EQ(f.count(clNavy), 10);
    f.c().Brush.Color = clMaroon;
    f.c().FrameRect(Rect(10, 10, 15, 14));
    EXPECT_EQ(f.box(clMaroon), Rect(10, 10, 15, 14));
    EXPECT_EQ(f.count(clMaroon), 5 * 2 + 2 * 2);
    f.c().Brush.Style = bsClear;
    f.c().Brush.Color = clRed;
    f.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(f.count(clRed), 0);

    // Reversed corners draw the same rectangle.
    Board r(20, 20);
    r.c().Pen.Color = clRed;
    r.c().Brush.Style = bsClear;
    r.c().Rectangle(10, 10, 0, 0);
    EXPECT_EQ(r.box(clRed), Rect(0, 0, 10, 10));
    EXPECT_EQ(r.count(clRed), 36);
}

TEST(Canvas, LinesLeaveOutTheirEndPixel)
{
    // A red line from one point to another on a fresh board.
    auto redLine = [](Board& board, TPoint from, TPoint to) {
        board.c().Pen.Color = clRed;
        board.c().MoveTo(from.X, from.Y);
        board.c().LineTo(to.X, to.Y);
    };
    Board b(20, 20);
    redLine(b, {2, 3}, {8, 3});
    EXPECT_EQ(b.box(clRed), Rect(2, 3, 8, 4));   // x 2..7
    EXPECT_EQ(b.c().PenPos, Point(8, 3));

    Board v(20, 20);
    redLine(v, {5, 10}, {5, 2});   // upwards: 10..3
    EXPECT_EQ(v.box(clRed), Rect(5, 3, 6, 11));

    Board d(20, 20);
    redLine(d, {0, 0}, {5, 5});
    EXPECT_EQ(d.count(clRed), 5);
    EXPECT_EQ(d.at(4, 4), clRed);
    EXPECT_EQ(d.at(5, 5), clWhite);

    // Polyline: inner vertices drawn, the last point not.
    Board pl(20, 20);
    pl.c().Pen.Color = clRed;
    pl.c().Polyline({{1, 1}, {6, 1}, {6, 6}});
    EXPECT_EQ(pl.at(6, 1), clRed);
    EXPECT_EQ(pl.at(6, 5), clRed);
    EXPECT_EQ(pl.at(6, 6), clWhite);
    EXPECT_EQ(pl.count(clRed), 10);

    // Polygon: closed outline through every vertex, filled inside.
    Board pg(20, 20);
    pg.c().Pen.Color = clRed;
    pg.c().Brush.Color = clBlue;
    pg.c().Polygon({{2, 2}, {12, 2}, {12, 12}, {2, 12}});
    EXPECT_EQ(pg.box(clRed), Rect(2, 2, 13, 13));
    EXPECT_EQ(pg.count(clRed), 40);
    EXPECT_EQ(pg.box(clBlue), Rect(3, 3, 12, 12));

    // A clear pen draws nothing; a wide pen covers more than one pixel.
    Board w(20, 20);
    w.c().Pen.Style = psClear;
    w.c().MoveTo(0, 5);
    w.c().LineTo(19, 5);
    EXPECT_EQ(w.count(clBlack), 0);
    w.c().Pen.Style = psSolid;
    w.c().Pen.Width = 3;
    w.c().MoveTo(2, 10);
    w.c().LineTo(17, 10);
    EXPECT_GE(w.box(clBlack).Height(), 3);
}

TEST(Canvas, EllipsesStayInsideTheirBoxAndMatchEllipticClip)
{
    Board b(30, 30);
    b.c().Pen.Color = clRed;
    b.c().Brush.Color = clBlue;
    b.c().Ellipse(2, 3, 15, 16);   // 13 x 13
    TRect all = b.box(clRed);
    EXPECT_EQ(all, Rect(2, 3, 15, 16));
    EXPECT_EQ(b.at(2, 3), clWhite);   // corners stay out
    EXPECT_EQ(b.at(14, 15), clWhite);
    EXPECT_EQ(b.at(8, 9), clBlue);    // centre filled
    // Symmetric about both axes.
    for (int y = 3; y < 16; ++y)
        for (int x = 2; x < 15; ++x) {
            EXPECT_EQ(b.at(x, y), b.at(2 + 14 - x, y)) << x << "," << y;
            EXPECT_EQ(b.at(x, y), b.at(x, 3 + 15 - y)) << x << "," << y;
        }
    // The outline is closed: every filled row is bounded by outline pixels.
    for (int y = 3; y < 16; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < 30; ++x)
            if (b.at(x, y) != clWhite) {
                if (first < 0)
                    first = x;
                last = x;
            }
        ASSERT_GE(first, 0);
        EXPECT_EQ(b.at(first, y), clRed);
        EXPECT_EQ(b.at(last, y), clRed);
    }

    // CreateEllipticRgn(l, t, r + 1, b + 1) clips to exactly the pixels of Ellipse(l, t, r, b).
    Board clip(30, 30);
    const QRegion rgn = CreateEllipticRgn(2, 3, 16, 17);
    clip.c().SelectClipRgn(&rgn);
    clip.c().Brush.Color = clLime;
    clip.c().FillRect(Rect(0, 0, 30, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            EXPECT_EQ(clip.at(x, y) == clLime, b.at(x, y) != clWhite) << x << "," << y;
    // SetClipEllipse is the same clip.
    Board clip2(30, 30);
    clip2.c().SetClipEllipse(Rect(2, 3, 15, 16));
    clip2.c().Brush.Color = clLime;
    clip2.c().FillRect(Rect(0, 0, 30, 30));
    EXPECT_EQ(clip2.count(clLime), clip.count(clLime));

    // Degenerate boxes draw nothing and do not crash.
    Board z(10, 10);
    z.c().Ellipse(5, 5, 5, 9);
    z.c().Ellipse(5, 5, 6, 6);
    EXPECT_EQ(z.count(clBlack), 1);
}

TEST(Canvas, ArcRunsCounterClockwise)
{
    // From the top centre counter-clockwise to the left middle: the upper left quarter.
    Board b(21, 21);
    b.c().Pen.Color = clRed;
    b.c().Arc(0, 0, 21, 21, 10, 0, 0, 10);
    const TRect box = b.box(clRed);
    EXPECT_EQ(box.Left, 0);
    EXPECT_EQ(box.Top, 0);
    EXPECT_LE(box.Right, 12);
    EXPECT_LE(box.Bottom, 12);
    // The same points swapped give the other three quarters.
    Board o(21, 21);
    o.c().Pen.Color = clRed;
    o.c().Arc(0, 0, 21, 21, 0, 10, 10, 0);
    EXPECT_EQ(o.box(clRed), Rect(0, 0, 21, 21));
    EXPECT_EQ(o.at(1, 4), clWhite);
}

TEST(Canvas, StretchAndCopyFlipReversedRectangles)
{
    TBitmap src(2, 2);
    src.Canvas.SetPixel(0, 0, clRed);
    src.Canvas.SetPixel(1, 0, clLime);
    src.Canvas.SetPixel(0, 1, clBlue);
    src.Canvas.SetPixel(1, 1, clYellow);

    Board plain(4, 4);
    plain.c().StretchDraw(Rect(0, 0, 4, 4), src);
    EXPECT_EQ(plain.at(0, 0), clRed);
    EXPECT_EQ(plain.at(1, 1), clRed);
    EXPECT_EQ(plain.at(3, 0), clLime);
    EXPECT_EQ(plain.at(0, 3), clBlue);
    EXPECT_EQ(plain.at(3, 3), clYellow);

    Board both(4, 4);   // right-to-left and bottom-to-top: turned by 180 degrees
    both.c().StretchDraw(Rect(4, 4, 0, 0), src);
    EXPECT_EQ(both.at(0, 0), clYellow);
    EXPECT_EQ(both.at(3, 0), clBlue);
    EXPECT_EQ(both.at(0, 3), clLime);
    EXPECT_EQ(both.at(3, 3), clRed);

    Board h(2, 2);   // source given right-to-left: mirrored horizontally
    h.c().CopyRect(Rect(0, 0, 2, 2), src, Rect(2, 0, 0, 2));
    EXPECT_EQ(h.at(0, 0), clLime);
    EXPECT_EQ(h.at(1, 1), clBlue);

    Board v(2, 2);   // destination bottom-to-top: mirrored vertically
    v.c().CopyRect(Rect(0, 2, 2, 0), src.Canvas, Rect(0, 0, 2, 2));
    EXPECT_EQ(v.at(0, 0), clBlue);
    EXPECT_EQ(v.at(1, 0), clYellow);

    // Draw copies 1:1; a copy within one image reads the old pixels.
    Board d(6, 6);
    d.c().Draw(1, 1, src);
    EXPECT_EQ(d.at(1, 1), clRed);
    EXPECT_EQ(d.at(2, 2), clYellow);
    d.c().CopyRect(Rect(2, 1, 4, 3), d.c(), Rect(1, 1, 3, 3));
    EXPECT_EQ(d.at(2, 1), clRed);
    EXPECT_EQ(d.at(3, 2), clYellow);
}

TEST(Canvas, ClipRegionsRestrictAndRestore)
{
    Board b(20, 20);
    b.c().SetClipRect(Rect(5, 5, 10, 10));
    EXPECT_EQ(b.c().ClipRect(), Rect(5, 5, 10, 10));
    const TClipState saved = b.c().GetClip();
    b.c().Brush.Color = clRed;
    b.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(b.box(clRed), Rect(5, 5, 10, 10));
    b.c().IntersectClipRect(Rect(7, 0, 20, 20));
    b.c().Brush.Color = clBlue;
    b.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(b.box(clBlue), Rect(7, 5, 10, 10));
    b.c().SetClip(saved);
    b.c().Brush.Color = clLime;
    b.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(b.box(clLime), Rect(5, 5, 10, 10));
    b.c().ClearClip();
    EXPECT_EQ(b.c().ClipRect(), Rect(0, 0, 20, 20));
    b.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(b.count(clLime), 400);
    // A clip selected again after being cleared applies again.
    b.c().SetClip(saved);
    b.c().Brush.Color = clRed;
    b.c().FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(b.box(clRed), Rect(5, 5, 10, 10));
}

TEST(Canvas, Frame3DColoursEdgesAndShrinks)
{
    Board b(12, 12);
    TRect r = Rect(1, 1, 11, 11);
    b.c().Frame3D(r, clRed, clBlue, 2);
    EXPECT_EQ(r, Rect(3, 3, 9, 9));
    EXPECT_EQ(b.at(1, 1), clRed);     // top left
    EXPECT_EQ(b.at(5, 1), clRed);     // top edge
    EXPECT_EQ(b.at(1, 5), clRed);     // left edge
    EXPECT_EQ(b.at(10, 1), clBlue);   // top right corner belongs to the bottom colour
    EXPECT_EQ(b.at(1, 10), clBlue);   // bottom left corner too
    EXPECT_EQ(b.at(10, 5), clBlue);
    EXPECT_EQ(b.at(5, 10), clBlue);
    EXPECT_EQ(b.at(2, 2), clRed);     // second pass
    EXPECT_EQ(b.at(9, 9), clBlue);
    EXPECT_EQ(b.at(3, 3), clWhite);   // inside untouched
    EXPECT_EQ(b.at(0, 0), clWhite);
    EXPECT_EQ(b.at(11, 11), clWhite);
}

TEST(Canvas, SystemColoursResolveThroughTheClassicPalette)
{
    // The desktop theme does not matter: the classic colours hold everywhere.
    const QPalette saved = QGuiApplication::palette();
    QPalette odd = saved;
    odd.setColor(QPalette::Button, QColor(10, 20, 30));
    odd.setColor(QPalette::Light, QColor(40, 50, 60));
    QGuiApplication::setPalette(odd);
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_FALSE(IsSystemColor(clRed));
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
    EXPECT_EQ(ColorToRGB(clBtnHighlight), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clHighlight), ClassicSystemColor(13));
    QGuiApplication::setPalette(saved);
    // A rocker's lit face (0xDDDDDD) is lighter than the button face, which is
    // lighter than the shadow.
    EXPECT_GT(GetRValue(0xDDDDDD), GetRValue(ColorToRGB(clBtnFace)));
    EXPECT_GT(GetRValue(ColorToRGB(clBtnFace)), GetRValue(ColorToRGB(clBtnShadow)));
    // Ordinary widgets get the same colours, greyed text when disabled.
    const QPalette widgets = ClassicWidgetPalette();
    EXPECT_EQ(QColorToColor(widgets.color(QPalette::Button)), ColorToRGB(clBtnFace));
    EXPECT_EQ(QColorToColor(widgets.color(QPalette::Window)), ColorToRGB(clBtnFace));
    EXPECT_EQ(QColorToColor(widgets.color(QPalette::Light)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(QColorToColor(widgets.color(QPalette::Dark)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(QColorToColor(widgets.color(QPalette::Disabled, QPalette::WindowText)), ColorToRGB(clGrayText));
    EXPECT_EQ(ClassicSystemColor(99), clBlack);
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
    EXPECT_EQ(clMedGray, 0xA4A0A0);

    // A system colour keeps its identity in the pen until drawn.
    Board b(4, 4);
    b.c().Brush.Color = clBtnFace;
    EXPECT_EQ(b.c().Brush.Color, clBtnFace);
    b.c().FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(b.at(0, 0), ColorToRGB(clBtnFace));
    // clNone draws nothing.
    b.c().Brush.Color = clNone;
    b.c().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(b.at(3, 3), clWhite);
}

TEST(Canvas, FontsResolveAndTextIsPlacedAtItsTopLeft)
{
    EXPECT_EQ(ResolveFontFamily("MS Sans Serif"), QString("Liberation Sans"));
    EXPECT_EQ(ResolveFontFamily("Arial"), QString("Liberation Sans"));
    EXPECT_EQ(ResolveFontFamily("System"), QString("Liberation Sans"));
    EXPECT_EQ(ResolveFontFamily("Liberation Mono"), QString("Liberation Mono"));
    TFont font("Arial", 14, clRed);
    EXPECT_EQ(QFontInfo(font.ToQFont()).family(), QString("Liberation Sans"));
    EXPECT_EQ(font.PixelSize(), 19);   // 14 pt at 96 dpi

    // Setters notify only on a change; Assign notifies once.
    int changes = 0;
    font.OnChange = [&](TFont&) { ++changes; };
    font.SetSize(14);
    EXPECT_EQ(changes, 0);
    font.SetSize(10);
    EXPECT_EQ(changes, 1);
    font.Assign(TFont("System", 12, clLime, fsBold));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(font.Style(), unsigned(fsBold));

    Board b(80, 40);
    b.c().Font = TFont("Arial", 10, clRed);
    const TSize ext = b.c().TextExtent("Hg");
    EXPECT_GT(ext.cx, 5);
    EXPECT_GT(ext.cy, 8);
    // Advances are not hinted horizontally: widths add up to within a pixel.
    EXPECT_NEAR(b.c().TextWidth("HgHg"), 2 * ext.cx, 1);
    b.c().Brush.Color = clYellow;
    b.c().TextOut(10, 5, "Hg");
    // The solid brush fills the text box; glyph pixels blend the font colour
    // into the brush (text is antialiased).
    EXPECT_EQ(b.box(clYellow).Left, 10);
    EXPECT_EQ(b.box(clYellow).Top, 5);
    const TRect ink = b.box(clRed);
    EXPECT_GE(ink.Left, 10);
    EXPECT_GE(ink.Top, 5);
    EXPECT_LE(ink.Right, 10 + ext.cx);
    EXPECT_LE(ink.Bottom, 5 + ext.cy);
    int stray = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const TColor c = b.c().Pixel(x, y);
            const bool inBox = x >= 10 && x < 10 + ext.cx && y >= 5 && y < 5 + ext.cy;
            stray += (inBox ? textink::IsBlend(c, clRed, clYellow) : c == clWhite) ? 0 : 1;
        }
    EXPECT_EQ(stray, 0);

    // A clear brush leaves the background; TextRect clips.
    Board t(80, 40);
    t.c().Font = TFont("Arial", 10, clBlue);
    t.c().Brush.Style = bsClear;
    t.c().TextOut(0, 0, "Hg");
    int blends = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            blends += textink::IsBlend(t.c().Pixel(x, y), clBlue, clWhite) ? 1 : 0;
    EXPECT_EQ(blends, 80 * 40);
    EXPECT_GT(t.count(clWhite), 80 * 40 / 2);
    Board tr(80, 40);
    tr.c().Font = TFont("Arial", 10, clBlue);
    tr.c().Brush.Color = clLime;
    tr.c().TextRect(Rect(0, 0, 6, 40), 0, 0, "WWWW");
    EXPECT_LE(tr.box(clBlue).Right, 6);
    EXPECT_EQ(tr.box(clLime).Right, 6);
}

TEST(Canvas, BitmapsStartWhiteAndKeepContentOnResize)
{
    TBitmap bmp(4, 3);
    EXPECT_EQ(bmp.Width(), 4);
    EXPECT_EQ(bmp.Height(), 3);
    EXPECT_EQ(bmp.Canvas.Pixel(3, 2), clWhite);
    EXPECT_EQ(bmp.Canvas.Pixel(4, 0), clNone);   // outside
    bmp.Canvas.SetPixel(1, 1, clRed);
    bmp.SetSize(8, 8);
    EXPECT_EQ(bmp.Canvas.Pixel(1, 1), clRed);
    EXPECT_EQ(bmp.Canvas.Pixel(7, 7), clWhite);
    TBitmap copy;
    copy.Assign(bmp);
    EXPECT_EQ(copy.Canvas.Pixel(1, 1), clRed);
    copy.Canvas.SetPixel(1, 1, clBlue);
    EXPECT_EQ(bmp.Canvas.Pixel(1, 1), clRed);   // a deep copy

    // An empty bitmap ignores drawing; negative sizes count as 0.
    TBitmap empty;
    empty.Canvas.Rectangle(0, 0, 10, 10);
    empty.Canvas.TextOut(0, 0, "x");
    EXPECT_EQ(empty.Canvas.Pixel(0, 0), clNone);
    empty.SetSize(-5, 3);
    EXPECT_EQ(empty.Width(), 0);
    TBitmap other(2, 2);
    other.Canvas.Draw(0, 0, empty);
    other.Canvas.StretchDraw(Rect(0, 0, 2, 2), empty);
    EXPECT_EQ(other.Canvas.Pixel(0, 0), clWhite);
}

namespace {

// A widget that blits its off-screen bitmap in one step, as the gauges do.
class BlitWidget : public QWidget {
public:
    TBitmap Back{20, 10};
    TColor ReadBack = 0;
protected:
    void paintEvent(QPaintEvent*) override
    {
        TCanvas c(this);
        c.Draw(0, 0, Back);
        ReadBack = c.Pixel(0, 0);   // widgets cannot be read back
    }
};

} // namespace

TEST(Canvas, WidgetCanvasDrawsInsidePaintEvent)
{
    BlitWidget w;
    w.resize(20, 10);
    w.Back.Canvas.Brush.Color = clRed;
    w.Back.Canvas.FillRect(Rect(0, 0, 10, 10));
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(QColorToColor(shot.pixelColor(0, 0)), clRed);
    EXPECT_EQ(QColorToColor(shot.pixelColor(15, 5)), clWhite);
    EXPECT_EQ(w.ReadBack, clNone);
    // A canvas without a device ignores drawing.
    TCanvas none;
    none.Rectangle(0, 0, 5, 5);
    none.TextOut(0, 0, "x");
    EXPECT_EQ(none.Pixel(0, 0), clNone);
    EXPECT_EQ(none.ClipRect(), TRect{});
}

TEST(FormatFloat, PictureFormats)
{
    EXPECT_EQ(FormatFloat("##0", 0), QString("0"));
    EXPECT_EQ(FormatFloat("##0", 20), QString("20"));
    EXPECT_EQ(FormatFloat("##0", 100), QString("100"));
    EXPECT_EQ(FormatFloat("##0", 1234), QString("1234"));
    EXPECT_EQ(FormatFloat("##0.0", 50), QString("50.0"));
    EXPECT_EQ(FormatFloat("##0.0", 0.05), QString("0.1"));    // half away from zero
    EXPECT_EQ(FormatFloat("##0.0", 0.15), QString("0.2"));    // on decimal digits
    EXPECT_EQ(FormatFloat("0", 2.5), QString("3"));
    EXPECT_EQ(FormatFloat("##0.0", -1.25), QString("-1.3"));
    EXPECT_EQ(FormatFloat("##0.0", -0.01), QString("0.0"));   // no "-0.0"
    EXPECT_EQ(FormatFloat("0.##", 1.5), QString("1.5"));
    EXPECT_EQ(FormatFloat("0.##", 2), QString("2"));
    EXPECT_EQ(FormatFloat("#.00", 0.5), QString(".50"));
    EXPECT_EQ(FormatFloat("000", 7), QString("007"));
    EXPECT_EQ(FormatFloat("#,##0", 1234567), QString("1,234,567"));
    EXPECT_EQ(FormatFloat("0 'V'", 12), QString("12 V"));
    EXPECT_EQ(FormatFloat("0e-0", 1000), QString("1e3"));
    EXPECT_EQ(FormatFloat("0e-0", 0.01), QString("1e-2"));
    EXPECT_EQ(FormatFloat("0.0E+00", 12345), QString("1.2E+04"));
    EXPECT_EQ(FormatFloat("0.0E+00", 9.96), QString("1.0E+01"));
    EXPECT_EQ(FormatFloat("0;(0);zero", -5), QString("(5)"));
    EXPECT_EQ(FormatFloat("0;(0);zero", 0), QString("zero"));
    EXPECT_EQ(FormatFloat("", 0.5), QString("0.5"));
    EXPECT_EQ(FormatFloat("##0", 99.5), QString("100"));
}

TEST(Canvas, TextWiderThanItsBoxIsCondensedToFit)
{
    Board b(120, 30);
    b.c().Font = TFont("MS Sans Serif", 8, clBlack);
    b.c().Brush.Style = bsClear;
    const int natural = b.c().TextWidth("RECORD");
    ASSERT_GT(natural, 30);

    // Narrower than the text: condensed to the box, and measured so.
    const int fit = natural * 3 / 4;
    b.c().SetTextFitWidth(fit);
    EXPECT_EQ(b.c().TextWidth("RECORD"), fit);
    EXPECT_EQ(b.c().NaturalTextWidth("RECORD"), natural);
    EXPECT_EQ(b.c().TextWidth("I"), b.c().NaturalTextWidth("I")); // short texts keep their width
    b.c().TextOut(10, 5, "RECORD");
    int inkLeft = 1000, inkRight = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (textink::IsInk(b.c().Pixel(x, y), clBlack, clWhite)) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
    ASSERT_GE(inkRight, 0);
    EXPECT_GE(inkLeft, 10);
    EXPECT_LT(inkRight, 10 + fit);
    EXPECT_GT(inkRight, 10 + fit / 2); // condensed, not cut off

    // Far too narrow for condensing alone: smaller as well, still inside.
    Board n(120, 30);
    n.c().Font = TFont("MS Sans Serif", 8, clBlack);
    n.c().Brush.Style = bsClear;
    n.c().SetTextFitWidth(natural / 3);
    n.c().TextOut(0, 0, "RECORD");
    int right = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (textink::IsInk(n.c().Pixel(x, y), clBlack, clWhite))
                right = std::max(right, x);
    EXPECT_GE(right, 0);
    EXPECT_LT(right, natural / 3 + 1);

    // No fit width: the natural width again.
    n.c().SetTextFitWidth(0);
    EXPECT_EQ(n.c().TextWidth("RECORD"), natural);
}
