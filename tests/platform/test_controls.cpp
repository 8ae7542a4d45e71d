// The platform control layer: transparency, wheel notches, window messages
// and the enabled state.
#include "platform/canvas/ClassicPalette.h"
#include "platform/controls/Controls.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Paints a 4 x 4 red square at (2, 2) and nothing else; records wheel
// notches and messages.
class TProbeControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<int> Notches;
    int Msg = 0;
    std::uint32_t WParam = 0;
    std::int64_t LParam = 0;

protected:
    void Paint() override
    {
        Canvas().Brush.Color = clRed;
        Canvas().Brush.Style = bsSolid;
        Canvas().FillRect(Rect(2, 2, 6, 6));
    }
    bool DoMouseWheel(TShiftState, int WheelDelta, QPoint) override
    {
        Notches.push_back(WheelDelta);
        return true;
    }
    void MessageReceived(const TControlMessage& m) override
    {
        Msg = m.Msg;
        WParam = m.WParam;
        LParam = m.LParam;
    }
};

void Wheel(QWidget* w, int delta)
{
    QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TColor At(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

} // namespace

TEST(Controls, TransparentControlLetsItsParentShowWhereItDrawsNothing)
{
    QWidget panel;
    panel.resize(40, 40);
    QPalette dark = panel.palette();
    dark.setColor(QPalette::Window, QColor(20, 30, 40));
    panel.setPalette(dark);
    panel.setAutoFillBackground(true);

    TProbeControl opaque(&panel);
    opaque.SetBounds(0, 0, 10, 10);
    EXPECT_FALSE(opaque.Transparent());
    const QImage o = opaque.Snapshot();
    EXPECT_EQ(At(o, 0, 0), clWhite); // an opaque picture starts white
    EXPECT_EQ(At(o, 3, 3), clRed);

    TProbeControl clear(&panel);
    clear.SetBounds(20, 20, 10, 10);
    clear.SetTransparent(true);
    EXPECT_EQ(clear.Picture().Image().pixel(0, 0), qRgba(0, 0, 0, 0));
    const QImage s = clear.Snapshot(); // shown over the parent's colour
    EXPECT_EQ(At(s, 0, 0), RGB(20, 30, 40));
    EXPECT_EQ(At(s, 3, 3), clRed);

    // On screen: the panel's colour around the square, inside the control.
    const QImage shown = panel.grab().toImage();
    EXPECT_EQ(At(shown, 20, 20), RGB(20, 30, 40));
    EXPECT_EQ(At(shown, 29, 29), RGB(20, 30, 40));
    EXPECT_EQ(At(shown, 23, 23), clRed);
    EXPECT_EQ(At(shown, 0, 0), clWhite); // the opaque control covers its box
}

TEST(Controls, WheelDeltasReachTheControlAsWholeNotches)
{
    TProbeControl c;
    c.SetBounds(0, 0, 10, 10);
    for (int i = 0; i < 8; ++i)
        Wheel(&c, 15); // a touchpad: eight eighths of a notch
    EXPECT_EQ(c.Notches, std::vector<int>({120}));
    c.Notches.clear();
    Wheel(&c, 240); // two notches at once
    EXPECT_EQ(c.Notches, std::vector<int>({120, 120}));
    c.Notches.clear();
    Wheel(&c, 90);
    Wheel(&c, -60); // turning back drops the unfinished 90
    EXPECT_TRUE(c.Notches.empty());
    Wheel(&c, -60);
    EXPECT_EQ(c.Notches, std::vector<int>({-120}));
}

TEST(Controls, WindowMessagesAndEnabledState)
{
    QWidget panel;
    TProbeControl c(&panel);
    TControlMessage m(1124, 7, -3);
    QApplication::sendEvent(&c, &m);
    EXPECT_EQ(c.Msg, 1124);
    EXPECT_EQ(c.WParam, 7u);
    EXPECT_EQ(c.LParam, -3);

    QSignalSpy spy(&c, &TControl::enabledChanged);
    c.Snapshot();
    const int paints = c.PaintCount();
    panel.setEnabled(false); // through the parent as well
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(c.property("Enabled").toBool());
    c.Snapshot();
    EXPECT_EQ(c.PaintCount(), paints + 1); // a disabled control repaints
    panel.setEnabled(true);
    EXPECT_TRUE(c.property("Enabled").toBool());
    EXPECT_EQ(spy.count(), 2);
}

TEST(Controls, TabOrderSortsEachContainerAndNestsDepthFirst)
{
    QWidget root;
    auto* boxA = new QWidget(&root);
    auto* boxB = new QWidget(&root);
    auto* a1 = new TProbeControl(boxA);
    auto* a2 = new TProbeControl(boxA);
    auto* a3 = new TProbeControl(boxA);
    auto* b1 = new TProbeControl(boxB);
    auto* plain = new QWidget(boxB);
    plain->setFocusPolicy(Qt::StrongFocus);
    auto* graphic = new TGraphicControl(boxB); // never takes the focus
    auto* clickOnly = new TProbeControl(boxB);
    clickOnly->SetTabStop(false);

    // B before A; inside A the stored positions reverse creation order, and
    // a control without a position follows those with one.
    boxB->setProperty("TabOrder", 0);
    boxA->setProperty("TabOrder", 1);
    a3->SetTabOrder(0);
    a1->SetTabOrder(1);
    EXPECT_EQ(a1->property("TabOrder").toInt(), 1);
    plain->setProperty("TabOrder", 0);
    b1->SetTabOrder(1);

    const QList<QWidget*> expected { plain, b1, a3, a1, a2 };
    EXPECT_EQ(TabSequence(&root), expected);
    (void)graphic;
    EXPECT_EQ(ApplyTabOrder(&root), expected);
    for (int i = 0; i + 1 < expected.size(); ++i)
        EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
}
