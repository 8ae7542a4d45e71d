// The further gauges' texts: a readout shows the whole number or the overflow
// mark, never other digits; captions are condensed, never cut; at the
// minimum size hint every caption, readout and scale label is drawn whole,
// inside the face and apart from the others; above the preferred size the
// fonts grow with the control.
#include "gauges/OvArcMeters.h"
#include "gauges/OvBars.h"
#include "gauges/OvColBitBtn.h"
#include "gauges/OvDial.h"
#include "gauges/OvGearDial.h"
#include "gauges/OvMeters.h"
#include "gauges/OvSlider.h"
#include "gauges/OvTank.h"
#include "gauges/OvThermometer.h"
#include "gauges/OvValueInd.h"
#include "tests/support/TextInk.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// A further gauge with what the tests need of either value model.
struct TGauge {
    const char* Name;
    std::unique_ptr<TControl> Control;
    TOvGaugeFace* Face;
    std::function<void(float)> SetValue;
    std::function<QString()> Readout; // the value text the gauge shows, with its unit
    bool Windowed;
};

template <class T>
TGauge Display(const char* name)
{
    auto* g = new T;
    TGauge r { name, std::unique_ptr<TControl>(g), g, [g](float v) { g->SetValue(v); },
               [g] { return g->ValueWithUnit(); }, false };
    return r;
}

// The value indicator draws its unit apart from the digits; the bar shows none.
template <>
TGauge Display<TOvValueInd>(const char* name)
{
    auto* g = new TOvValueInd;
    return { name, std::unique_ptr<TControl>(g), g, [g](float v) { g->SetValue(v); }, [g] { return g->ValueText(); },
             false };
}
template <>
TGauge Display<TOvBar>(const char* name)
{
    auto* g = new TOvBar;
    return { name, std::unique_ptr<TControl>(g), g, [g](float v) { g->SetValue(v); }, [g] { return g->ValueText(); },
             false };
}

template <class T>
TGauge Operable(const char* name)
{
    auto* g = new T;
    TGauge r { name, std::unique_ptr<TControl>(g), g, [g](float v) { g->SetValue(v); },
               [g] { return g->WithUnit(FormatFloat(g->ValueFormat(), g->Value())); }, true };
    return r;
}

std::vector<TGauge> Gauges()
{
    std::vector<TGauge> all;
    all.push_back(Operable<TOvHSlider>("TOvHSlider"));
    all.push_back(Operable<TOvVSlider>("TOvVSlider"));
    all.push_back(Operable<TOvGearDial>("TOvGearDial"));
    all.push_back(Display<TOvValueInd>("TOvValueInd"));
    all.push_back(Display<TOvHMeter>("TOvHMeter"));
    all.push_back(Display<TOvVMeter>("TOvVMeter"));
    all.push_back(Display<TOvFlexHMeter>("TOvFlexHMeter"));
    all.push_back(Display<TOvFlexVMeter>("TOvFlexVMeter"));
    all.push_back(Display<TOv270Meter>("TOv270Meter"));
    all.push_back(Display<TOv180Meter>("TOv180Meter"));
    all.push_back(Display<TOv120Meter>("TOv120Meter"));
    all.push_back(Display<TOvBar>("TOvBar"));
    all.push_back(Display<TOvVBar>("TOvVBar"));
    all.push_back(Display<TOvHBar>("TOvHBar"));
    all.push_back(Display<TOvThermometer>("TOvThermometer"));
    all.push_back(Display<TOvTank>("TOvTank"));
    return all;
}

bool Inside(const TRect& inner, const TRect& outer)
{
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right
        && inner.Bottom <= outer.Bottom;
}

bool Overlap(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool IsOverflowMark(const QString& s) { return !s.isEmpty() && s.count(QLatin1Char('#')) == s.size(); }

// What the paint drew: every text inside the face and apart from the others.
void ExpectTextsApart(const TGauge& g, const std::string& where)
{
    const std::vector<TFittedText>& texts = g.Face->PlacedTexts();
    const TRect face = g.Face->FaceRect();
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(Inside(texts[i].Box, face)) << where << ": \"" << texts[i].Shown.toStdString() << "\" leaves the face";
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(Overlap(texts[i].Box, texts[j].Box))
                << where << ": \"" << texts[i].Shown.toStdString() << "\" runs into \"" << texts[j].Shown.toStdString() << "\"";
    }
}

// The readout the paint drew: the whole value text, or the overflow mark
// where that is allowed; never part of it.
void ExpectReadout(const TGauge& g, bool markAllowed, const std::string& where)
{
    const QString expected = g.Readout();
    const TFittedText* readout = nullptr;
    int readouts = 0;
    for (const TFittedText& t : g.Face->PlacedTexts())
        if (t.Fit == TTextFit::Readout) {
            readout = &t;
            ++readouts;
        }
    ASSERT_EQ(readouts, 1) << where << ": readouts drawn for " << expected.toStdString();
    if (readout->Overflow) {
        EXPECT_TRUE(markAllowed) << where << ": " << expected.toStdString() << " shown as the overflow mark";
        EXPECT_TRUE(IsOverflowMark(readout->Shown));
    } else {
        EXPECT_EQ(readout->Shown, expected) << where;
    }
}

// The value box's own text of a value indicator (the unit is drawn apart).
const TFittedText* DigitsOf(const TOvValueInd& ind)
{
    for (const TFittedText& t : ind.PlacedTexts())
        if (t.Fit == TTextFit::Readout)
            return &t;
    return nullptr;
}

// ---------------------------------------------------------------- readouts

TEST(Readouts, AtTheMinimumSizeTheRangeIsShownWholeAndNoOtherDigits)
{
    for (bool wide : { false, true }) {
        for (TGauge& g : Gauges()) {
            auto* c = g.Control.get();
            if (wide) {
                c->setProperty("ValueFrom", -2000.0f);
                c->setProperty("ValueTo", 2000.0f);
                c->setProperty("ValueUnit", QStringLiteral("l/min"));
            }
            c->Loaded();
            const QSize min = c->minimumSizeHint();
            c->SetBounds(0, 0, min.width(), min.height());
            const float from = c->property("ValueFrom").toFloat();
            const float to = c->property("ValueTo").toFloat();
            for (float v : { from, to, 72.0f, -1234.5f }) {
                g.SetValue(v);
                c->Snapshot();
                const std::string where = std::string(g.Name) + (wide ? " -2000..2000" : " 0..100") + " at "
                    + std::to_string(min.width()) + "x" + std::to_string(min.height()) + " showing " + std::to_string(v);
                const bool inRange = v >= from && v <= to;
                ExpectReadout(g, !inRange, where);
                ExpectTextsApart(g, where);
            }
        }
    }
}

TEST(Readouts, TheDialsValueBoxAtItsMinimumShowsTheWholeValue)
{
    for (bool wide : { false, true }) {
        TOvDial d;
        if (wide) {
            d.SignalSettings().SetValueFrom(-2000.0f);
            d.SignalSettings().SetValueTo(2000.0f);
            d.SignalSettings().SetDigitalTo(8000); // steps of 0.5
        }
        d.Loaded();
        const QSize min = d.minimumSizeHint();
        d.SetBounds(0, 0, min.width(), min.height());
        for (float v : { d.SignalSettings().ValueFrom(), d.SignalSettings().ValueTo(), 72.0f, -1234.5f }) {
            d.SetValue(v);
            d.Snapshot();
            EXPECT_EQ(d.ShownValue().Shown, d.ValueText()) << v << (wide ? " -2000..2000" : " 0..100");
            EXPECT_FALSE(d.ShownValue().Overflow);
        }
    }
}

TEST(Readouts, AValueBoxTooNarrowShowsTheOverflowMarkNotSomeDigits)
{
    // The value indicator at width 100 and 80 with -1234.5: the whole
    // number, condensed, or the mark.
    for (int w : { 100, 80, 60, 40 }) {
        TOvValueInd ind;
        ind.SetValueUnit(QStringLiteral("bar"));
        ind.Loaded();
        ind.SetBounds(0, 0, w, 58);
        ind.SetValue(-1234.5f);
        ind.Snapshot();
        const TFittedText* digits = DigitsOf(ind);
        ASSERT_NE(digits, nullptr) << w;
        EXPECT_TRUE(digits->Shown == QStringLiteral("-1234.5") || (digits->Overflow && IsOverflowMark(digits->Shown)))
            << w << ": " << digits->Shown.toStdString();
        EXPECT_TRUE(Inside(digits->Box, ind.FaceRect())) << w;
    }
    // A slider's value box at its preferred size, with a value wider than its range's ends.
    TOvVSlider vs;
    vs.SetValueFrom(-2000.0f);
    vs.SetValueTo(2000.0f);
    vs.SetValueUnit(QStringLiteral("l/min"));
    vs.SetValueFormat(QStringLiteral("0.0"));
    vs.Loaded();
    const QSize s = vs.sizeHint();
    vs.SetBounds(0, 0, s.width(), s.height());
    vs.SetValue(-1240.0f);
    vs.Snapshot();
    bool found = false;
    for (const TFittedText& t : vs.PlacedTexts())
        if (t.Fit == TTextFit::Readout) {
            found = true;
            EXPECT_TRUE(t.Shown == QStringLiteral("-1240.0 l/min") || t.Overflow) << t.Shown.toStdString();
        }
    EXPECT_TRUE(found);
}

// ---------------------------------------------------------------- captions

TEST(Captions, CondensedToTheirBoxNeverCut)
{
    TOvBar bar;
    bar.SetName1(QStringLiteral("Temperature"));
    bar.Loaded();
    TOvVBar vbar;
    vbar.SetName1(QStringLiteral("Temperature"));
    vbar.Loaded();
    for (TOvAnalogDisplay* g : std::initializer_list<TOvAnalogDisplay*> { &bar, &vbar }) {
        for (QSize s : { QSize(44, 150), g->sizeHint(), g->minimumSizeHint() }) {
            g->SetBounds(0, 0, s.width(), s.height());
            g->Snapshot();
            bool found = false;
            for (const TFittedText& t : g->PlacedTexts()) {
                if (t.Shown == QStringLiteral("Temperature")) {
                    found = true;
                    EXPECT_TRUE(Inside(t.Box, g->FaceRect())) << g->metaObject()->className() << " " << s.width();
                }
            }
            EXPECT_TRUE(found) << g->metaObject()->className() << " " << s.width() << "x" << s.height();
        }
    }
}

TEST(Captions, TheColourButtonCondensesItsCaptionInsideTheFace)
{
    TOvColBitBtn b;
    b.SetCaption(QStringLiteral("Emergency stop"));
    b.SetColorOn(clRed);
    b.Loaded();
    EXPECT_GE(b.sizeHint().width(), 75);
    for (QSize s : { QSize(75, 30), b.minimumSizeHint(), b.sizeHint() }) {
        b.SetBounds(0, 0, s.width(), s.height());
        const QImage img = b.Snapshot();
        const TRect face = b.FaceRect();
        // Black ink of the caption: inside the face with a pixel to spare on
        // both sides, and spread over most of it (condensed, not shortened).
        int first = img.width(), last = -1;
        for (int y = face.Top; y < face.Bottom; ++y)
            for (int x = face.Left; x < face.Right; ++x)
                if (textink::Distance(textink::ImagePixel(img, x, y), clBlack) < 90) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        ASSERT_GE(last, first) << s.width();
        EXPECT_GT(first, face.Left) << s.width();
        EXPECT_LT(last, face.Right - 1) << s.width();
        EXPECT_GT(last - first, face.Width() / 2) << s.width();
    }
    EXPECT_LT(b.minimumSizeHint().width(), b.sizeHint().width());
}

// ---------------------------------------------------------------- size hints

TEST(SizeHints, ComeFromTheLayoutAndGrowWithTheTexts)
{
    for (TGauge& g : Gauges()) {
        auto* c = g.Control.get();
        c->Loaded();
        const QSize min = c->minimumSizeHint();
        const QSize pref = c->sizeHint();
        EXPECT_LE(min.width(), pref.width()) << g.Name;
        EXPECT_LE(min.height(), pref.height()) << g.Name;
        // A longer caption and a larger font never make the minimum smaller,
        // and the minimum of some grows.
        c->setProperty("Name1", QStringLiteral("A much longer caption"));
        c->SetFont(TFont(QStringLiteral("Arial"), 11, clBlack));
        const QSize bigger = c->minimumSizeHint();
        EXPECT_GE(bigger.width() * bigger.height(), min.width() * min.height()) << g.Name;
        EXPECT_GE(c->sizeHint().width(), pref.width()) << g.Name;
    }
    TOvBar shortCaption, longCaption;
    shortCaption.SetName1(QStringLiteral("T"));
    longCaption.SetName1(QStringLiteral("Temperature"));
    EXPECT_GT(longCaption.minimumSizeHint().width(), shortCaption.minimumSizeHint().width());
    TOvHMeter small, large;
    large.ScaleSettings().Font().SetSize(10);
    EXPECT_GT(large.minimumSizeHint().width(), small.minimumSizeHint().width());
}

TEST(SizeHints, AboveThePreferredSizeTheFontsGrow)
{
    for (TGauge& g : Gauges()) {
        auto* c = g.Control.get();
        c->setProperty("Name1", QStringLiteral("Caption"));
        c->Loaded();
        const QSize pref = c->sizeHint();
        auto tallest = [&g] {
            int h = 0;
            for (const TFittedText& t : g.Face->PlacedTexts())
                h = std::max(h, t.Box.Height());
            return h;
        };
        c->SetBounds(0, 0, pref.width(), pref.height());
        c->Snapshot();
        EXPECT_DOUBLE_EQ(g.Face->Zoom(), 1.0) << g.Name;
        const int atPreferred = tallest();
        c->SetBounds(0, 0, 2 * pref.width(), 2 * pref.height());
        c->Snapshot();
        EXPECT_DOUBLE_EQ(g.Face->Zoom(), 2.0) << g.Name;
        EXPECT_GE(tallest(), 2 * atPreferred - 3) << g.Name;
        ExpectTextsApart(g, std::string(g.Name) + " at twice its preferred size");
    }
}

} // namespace
