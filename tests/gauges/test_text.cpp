// Gauge text: glyphs keep the shapes of their font on every canvas, and a
// caption wider than its box is fitted into it.
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvFlashT.h"
#include "tests/support/TextInk.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The text as the font's own outlines give it: no hinting, antialiased,
// black on white with the baseline at the font's ascent.
QImage OutlineReference(const QFont& font, const QString& text, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.addText(QPointF(0, QFontMetrics(font).ascent()), font, text);
    p.fillPath(path, Qt::black);
    return image;
}

// Share of the inked pixels (darker than half) two pictures have in common.
double Overlap(const QImage& a, const QImage& b)
{
    int both = 0, either = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const bool ia = qGray(a.pixel(x, y)) < 128;
            const bool ib = qGray(b.pixel(x, y)) < 128;
            both += ia && ib ? 1 : 0;
            either += ia || ib ? 1 : 0;
        }
    return either ? double(both) / either : 0.0;
}

// Draws with a TCanvas straight on the widget, inside its paint event.
class TTextWidget : public QWidget {
public:
    TFont Font;
    QString Text;

protected:
    void paintEvent(QPaintEvent*) override
    {
        TCanvas c(this);
        c.Brush.Color = clWhite;
        c.Brush.Style = bsSolid;
        c.FillRect(Rect(0, 0, width(), height()));
        c.Font = Font;
        c.Brush.Style = bsClear;
        c.TextOut(0, 0, Text);
    }
};

} // namespace

// With full hinting and no antialiasing "0" and "O" got stubs and "8" lost
// its waist (overlap 0.5 to 0.67 with the outlines); now they follow the
// outlines of the same font closely on off-screen images and widgets alike.
TEST(GaugeText, ZeroLetterOAndEightFollowTheFontsOutlines)
{
    for (const TFont& font : { TFont("System", 10, clBlack), TFont("MS Sans Serif", 11, clBlack) }) {
        for (const QString& glyph : { QStringLiteral("0"), QStringLiteral("O"), QStringLiteral("8") }) {
            const QFont qfont = font.ToQFont();
            const QSize size(QFontMetrics(qfont).horizontalAdvance(glyph) + 4, QFontMetrics(qfont).height());
            const QImage reference = OutlineReference(qfont, glyph, size);

            TBitmap offscreen(size.width(), size.height());
            offscreen.Canvas.Font = font;
            offscreen.Canvas.Brush.Style = bsClear;
            offscreen.Canvas.TextOut(0, 0, glyph);
            EXPECT_GT(Overlap(offscreen.Image(), reference), 0.8)
                << font.Name().toStdString() << " " << glyph.toStdString() << " off-screen";

            TTextWidget widget;
            widget.Font = font;
            widget.Text = glyph;
            widget.resize(size);
            EXPECT_GT(Overlap(widget.grab().toImage(), reference), 0.8)
                << font.Name().toStdString() << " " << glyph.toStdString() << " on a widget";
        }
    }
}

TEST(GaugeText, CounterTextFollowsTheOutlinesOfItsFont)
{
    TOvOpHourCounter counter;
    counter.Font().SetColor(clBlack);
    counter.BevelInner().SetColor(clWhite);
    counter.Loaded();
    counter.SetTime(0, 0, 8);
    const QImage image = counter.Snapshot();
    const TRect box = counter.TextRect();
    ASSERT_FALSE(IsRectEmpty(box));
    const QImage text = image.copy(box.Left, box.Top, box.Width(), box.Height());
    const QImage reference = OutlineReference(counter.Font().ToQFont(), counter.TimeText(), text.size());
    EXPECT_GT(Overlap(text, reference), 0.75) << counter.TimeText().toStdString();
    TOvFlashRegistry::Shutdown();
}

TEST(GaugeText, CaptionWiderThanItsBoxIsFittedNotClipped)
{
    QWidget panel;
    TOvLED led(&panel);
    led.SetBounds(0, 0, 46, 26); // a box made for "Ch2", given "Overload"
    led.Font().SetColor(clBlack);
    led.SetCaption("Overload");
    led.Loaded();
    const QImage image = led.Snapshot();
    const TColor panelColour = QColorToColor(panel.palette().color(QPalette::Window));
    const int textLeft = led.LampRect().Right + led.Spacing();
    ASSERT_GT(led.CaptionWidth(), 46 - textLeft); // it would not fit as it is
    int right = -1, left = 1000;
    for (int y = 0; y < image.height(); ++y)
        for (int x = textLeft; x < image.width(); ++x)
            if (textink::IsInk(textink::ImagePixel(image, x, y), clBlack, panelColour)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0);
    EXPECT_GE(left, textLeft);
    EXPECT_LE(right, 45);                      // nothing cut at the right edge ...
    EXPECT_GT(right - left, (46 - textLeft) / 2); // ... and condensed, not dropped
}
