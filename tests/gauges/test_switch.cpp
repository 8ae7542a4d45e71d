// TOvSwitch, TOvRockerSwitch, TOvToggleSwitch: the half-sensitive click,
// orientation, the toggle's knob half, the rocker's LED strip and caption.
#include "gauges/OvSwitch.h"
#include "tests/support/TextInk.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

TColor PixelAt(const QImage& img, int x, int y)
{
    return QColorToColor(img.pixelColor(x, y));
}

// Count pixels of one colour inside r (control coordinates).
int CountColour(const QImage& img, const TRect& r, TColor c)
{
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            n += PixelAt(img, x, y) == c;
    return n;
}

struct Events {
    int clicks = 0, downs = 0, status = 0;
    void Attach(TControl& c)
    {
        c.SetOnClick([this](QObject*) { ++clicks; });
        c.SetOnMouseDown([this](QObject*, TMouseButton, TShiftState, int, int) { ++downs; });
    }
};

void Click(QWidget* w, int x, int y)
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
}

// The two halves of a rectangle, split at its midpoint: first the upper (or
// left) half, then the lower (or right) half.
std::pair<TRect, TRect> Halves(const TRect& r, bool vertical)
{
    TRect a = r, b = r;
    if (vertical) {
        a.Bottom = b.Top = r.Top + r.Height() / 2;
    } else {
        a.Right = b.Left = r.Left + r.Width() / 2;
    }
    return { a, b };
}

} // namespace

TEST(OvToggleSwitch, ClicksCountOnlyOnTheHalfTheKnobCanMoveTo)
{
    TOvToggleSwitch sw;
    sw.Loaded();
    ASSERT_EQ(sw.Width(), 25);
    ASSERT_EQ(sw.Height(), 57);
    ASSERT_EQ(sw.Mode(), mSwitch);
    Events ev;
    ev.Attach(sw);

    // Off, vertical: the lower half swallows the press, the click still fires.
    Click(&sw, 12, 50);
    EXPECT_FALSE(sw.Checked());
    EXPECT_EQ(ev.downs, 0);
    EXPECT_EQ(ev.clicks, 1);
    Click(&sw, 12, 28); // the middle row belongs to neither half
    EXPECT_FALSE(sw.Checked());
    Click(&sw, 12, 5);
    EXPECT_TRUE(sw.Checked());
    EXPECT_EQ(ev.downs, 1);
    EXPECT_EQ(ev.clicks, 3);
    // On: now the upper half is dead and the lower one switches off.
    Click(&sw, 12, 5);
    EXPECT_TRUE(sw.Checked());
    Click(&sw, 12, 50);
    EXPECT_FALSE(sw.Checked());
    EXPECT_EQ(ev.downs, 2);

    // Horizontal: off listens on the left half, on on the right half.
    sw.SetOrientation(boHorizontal);
    Click(&sw, 50, 12);
    EXPECT_FALSE(sw.Checked());
    Click(&sw, 5, 12);
    EXPECT_TRUE(sw.Checked());
    Click(&sw, 5, 12);
    EXPECT_TRUE(sw.Checked());
    Click(&sw, 50, 12);
    EXPECT_FALSE(sw.Checked());

    // SwapGraphic turns the rule round along with the picture.
    sw.SetSwapGraphic(true);
    Click(&sw, 5, 12);
    EXPECT_FALSE(sw.Checked());
    Click(&sw, 50, 12);
    EXPECT_TRUE(sw.Checked());

    // The right button passes the same rule but does not toggle.
    Click(&sw, 5, 12);
    EXPECT_FALSE(sw.Checked());
    QTest::mouseClick(&sw, Qt::RightButton, Qt::NoModifier, QPoint(50, 12));
    EXPECT_FALSE(sw.Checked());
}

TEST(OvToggleSwitch, OrientationTurnsTheBounds)
{
    TOvToggleSwitch sw;
    sw.Loaded();
    EXPECT_TRUE(sw.Vertical());
    sw.SetOrientation(boHorizontal);
    EXPECT_EQ(sw.Width(), 57);
    EXPECT_EQ(sw.Height(), 25);
    EXPECT_FALSE(sw.Vertical());
    sw.SetOrientation(boHorizontal); // unchanged
    EXPECT_EQ(sw.Width(), 57);
    sw.SetOrientation(boVertical);
    EXPECT_EQ(sw.Width(), 25);
    EXPECT_EQ(sw.Height(), 57);
}

TEST(OvToggleSwitch, KnobSitsInTheHalfOfItsStateAndOrientation)
{
    const TColor on = RGB(0, 250, 0), off = RGB(250, 0, 0);
    for (bool vertical : { true, false }) {
        for (bool checked : { false, true }) {
            for (bool swap : { false, true }) {
                TOvToggleSwitch sw;
                if (!vertical)
                    sw.SetOrientation(boHorizontal);
                sw.SetTextOn(QString());
                sw.SetTextOff(QString());
                sw.SetColorOn(on);
                sw.SetColorOff(off);
                sw.SetChecked(checked);
                sw.SetSwapGraphic(swap);
                const QImage img = sw.Snapshot();
                const TRect br = sw.ButtonRect();
                auto [first, second] = Halves(br, vertical);
                // Knob up (or left) when the shown state is on.
                const bool knobFirst = checked != swap;
                const TRect knob = knobFirst ? first : second;
                const TRect free = knobFirst ? second : first;
                const TColor fill = checked ? on : off; // the colour tells the real state
                const std::string what = std::string(vertical ? "vertical" : "horizontal")
                    + (checked ? " checked" : " unchecked") + (swap ? " swapped" : "");
                EXPECT_EQ(CountColour(img, free, fill), free.Width() * free.Height()) << what;
                EXPECT_EQ(CountColour(img, knob, fill), 0) << what;
                EXPECT_EQ(PixelAt(img, knob.Left, knob.Top), clBlack) << what;
                EXPECT_EQ(PixelAt(img, knob.Right - 1, knob.Bottom - 1), clBlack) << what;
                EXPECT_EQ(sw.KnobRect().Width(), knob.Width()) << what;
                EXPECT_EQ(sw.KnobRect().Height(), knob.Height()) << what;
            }
        }
    }
}

TEST(OvToggleSwitch, ChannelSwitchStatesDifferOnlyByTheKnob)
{
    // Velquor's channel switches: "-" on both sides, one colour.
    auto make = [](bool checked, bool swap) {
        auto sw = std::make_unique<TOvToggleSwitch>();
        sw->SetBounds(0, 0, 33, 20);
        sw->SetOrientation(boHorizontal);
        sw->SetTextOn("-");
        sw->SetTextOff("-");
        sw->SetColorOn(clSkyBlue);
        sw->SetColorOff(clSkyBlue);
        sw->SetChecked(checked);
        sw->SetSwapGraphic(swap);
        return sw;
    };
    const QImage checked = make(true, false)->Snapshot();
    const QImage unchecked = make(false, false)->Snapshot();
    const QImage uncheckedSwapped = make(false, true)->Snapshot();
    EXPECT_NE(checked, unchecked);
    EXPECT_EQ(checked, uncheckedSwapped);

    // Texts and colours still follow Checked under SwapGraphic.
    TOvToggleSwitch sw;
    sw.SetSwapGraphic(true);
    sw.SetColorOn(RGB(0, 250, 0));
    sw.SetColorOff(RGB(250, 0, 0));
    const QImage img = sw.Snapshot();
    const TRect br = sw.ButtonRect();
    // Unchecked and swapped: knob up, the lower half in the off colour.
    EXPECT_EQ(PixelAt(img, br.Left + 1, br.Bottom - 2), RGB(250, 0, 0));
    EXPECT_EQ(PixelAt(img, br.Left, br.Top), clBlack);
}

TEST(OvToggleSwitch, StateChangeRedrawsOnlyTheButton)
{
    TOvToggleSwitch sw;
    const QImage before = sw.Snapshot();
    const int paints = sw.PaintCount();
    sw.ClearFlushedRects();
    sw.SetChecked(true);
    EXPECT_EQ(sw.PaintCount(), paints);
    ASSERT_EQ(sw.FlushedRects().size(), 1);
    EXPECT_EQ(sw.FlushedRects()[0], sw.ButtonRect());
    EXPECT_NE(sw.Snapshot(), before);

    // Hidden: no drawing at all.
    sw.SetVisible(false);
    sw.ClearFlushedRects();
    sw.SetChecked(false);
    EXPECT_TRUE(sw.FlushedRects().isEmpty());
}

TEST(OvRockerSwitch, LedStripAndCaptionFollowStateSwapAndHeight)
{
    const TColor ledOn = RGB(1, 255, 2), ledOff = RGB(3, 100, 4), ink = RGB(255, 0, 255);
    auto make = [&](bool vertical) {
        auto r = std::make_unique<TOvRockerSwitch>();
        r->SetBounds(0, 0, 27, 47);
        if (!vertical)
            r->SetOrientation(boHorizontal);
        r->SetLEDColorOn(ledOn);
        r->SetLEDColorOff(ledOff);
        r->Font().SetColor(ink);
        r->SetText("Hold");
        r->Loaded();
        return r;
    };
    for (bool vertical : { true, false }) {
        auto r = make(vertical);
        QImage img = r->Snapshot();
        const TRect br = r->ButtonRect();
        auto [first, second] = Halves(br, vertical);
        // Unchecked: the strip at the outer end of face B (top or left).
        EXPECT_GT(CountColour(img, first, ledOff), 0);
        EXPECT_EQ(CountColour(img, second, ledOff), 0);
        EXPECT_EQ(CountColour(img, br, ledOn), 0);
        EXPECT_GT(textink::CountInk(img, br, ink, clBtnFace), 0); // antialiased caption
        const TRect led = r->LEDRect();
        EXPECT_EQ(vertical ? led.Height() : led.Width(), 8);

        r->SetChecked(true);
        img = r->Snapshot();
        EXPECT_GT(CountColour(img, first, ledOn), 0);
        EXPECT_EQ(CountColour(img, br, ledOff), 0);

        // Swapped: the strip moves to the far end of face A.
        r->SetSwapGraphic(true);
        img = r->Snapshot();
        EXPECT_EQ(CountColour(img, first, ledOn), 0);
        EXPECT_GT(CountColour(img, second, ledOn), 0);

        // LEDHeight 0 hides the strip and the caption.
        r->SetLEDHeight(0);
        img = r->Snapshot();
        EXPECT_EQ(CountColour(img, br, ledOn), 0);
        EXPECT_EQ(textink::CountInk(img, br, ink, clBtnFace), 0);
        EXPECT_TRUE(IsRectEmpty(r->LEDRect()));
    }
}

TEST(OvRockerSwitch, FacesShadeByStateAndClickToggles)
{
    const TColor hi = RGB(220, 221, 222), face = RGB(100, 101, 102), shaded = RGB(50, 51, 52);
    TOvRockerSwitch r;
    r.SetBounds(0, 0, 27, 47);
    r.SetLEDHeight(0);
    r.SetBtnColorFaceHi(hi);
    r.SetBtnColorFace(face);
    r.SetBtnColorFaceSh(shaded);
    // Negative widths are ignored.
    r.SetBtnBevelWidth(-1);
    r.SetBtnBevel2Width(-3);
    r.SetLEDHeight(-1);
    EXPECT_EQ(r.BtnBevelWidth(), 2);
    EXPECT_EQ(r.BtnBevel2Width(), 3);
    EXPECT_EQ(r.LEDHeight(), 0);
    r.Loaded();
    Events ev;
    ev.Attach(r);
    int status = 0;
    r.SetOnStatusChanged([&status](QObject*) { ++status; });

    QImage img = r.Snapshot();
    const TRect br = r.ButtonRect();
    const int cx = br.Left + br.Width() / 2;
    const int upper = br.Top + br.Height() / 4, lower = br.Bottom - br.Height() / 4;
    // Off: face B (upper) shaded, face A (lower) plain.
    EXPECT_EQ(PixelAt(img, cx, upper), shaded);
    EXPECT_EQ(PixelAt(img, cx, lower), face);

    Click(&r, 13, 40); // lower half while off: swallowed
    EXPECT_FALSE(r.Checked());
    EXPECT_EQ(ev.clicks, 1);
    EXPECT_EQ(status, 0);
    Click(&r, 13, 5);
    EXPECT_TRUE(r.Checked());
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ev.downs, 1);

    // On: face B plain, face A lit.
    img = r.Snapshot();
    EXPECT_EQ(PixelAt(img, cx, upper), face);
    EXPECT_EQ(PixelAt(img, cx, lower), hi);
}
