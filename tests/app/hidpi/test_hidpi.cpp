// At a scale factor of 2 the window doubles in device pixels and each pane pixel becomes a
// 2x2 block of its own colour: no smoothing blurs the traces, the grid or the bars.
#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <set>

#include "tests/app/window/WindowTestSupport.h"

namespace {

// The number of pane pixels whose 2x2 block in `shown` differs from the pane pixel.
int BlocksUnlike(const QImage& pane, const QImage& shown)
{
    int unlike = 0;
    for (int y = 0; y < pane.height(); ++y)
        for (int x = 0; x < pane.width(); ++x) {
            const QRgb want = pane.pixel(x, y) & 0xFFFFFF;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    if ((shown.pixel(2 * x + dx, 2 * y + dy) & 0xFFFFFF) != want) {
                        ++unlike;
                        dx = dy = 2;
                    }
        }
    return unlike;
}

TEST(HighDpi, PanesAreShownAsWholePixelBlocksAtScaleFactorTwo)
{
    ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
    WindowRig rig;
    const std::string wave = rig.Path("tones.wav");
    WriteSignalWave(wave, ToneSettings(10.0, 6.0), 8.0);
    rig.Open("file:" + wave);
    rig.Run(30);
    QApplication::processEvents();

    const struct {
        TPaintBox* Box;
        const QImage& Pane;
    } panes[] = {{rig.Form->Panel().TimeBox, rig.Form->Display->TimeImage.Image()},
                 {rig.Form->Panel().SpectrumBox, rig.Form->Display->SpectrumImage.Image()}};
    for (const auto& p : panes) {
        SCOPED_TRACE(p.Box->objectName().toStdString());
        ASSERT_EQ(p.Box->size(), p.Pane.size());
        const QImage shown = p.Box->grab().toImage();
        ASSERT_EQ(shown.size(), 2 * p.Pane.size());
        // The pane holds a picture, not a blank background: the comparison means something.
        std::set<QRgb> colours;
        for (int y = 0; y < p.Pane.height(); ++y)
            for (int x = 0; x < p.Pane.width(); ++x) colours.insert(p.Pane.pixel(x, y));
        EXPECT_GT(colours.size(), 2u);
        EXPECT_EQ(BlocksUnlike(p.Pane, shown), 0);
    }

    // The whole window scales with the screen: twice the device pixels in each direction.
    const QImage client = rig.Form->ClientImage();
    EXPECT_DOUBLE_EQ(client.devicePixelRatio(), 2.0);
    EXPECT_EQ(client.size(), 2 * client.deviceIndependentSize().toSize());
}

}  // namespace
