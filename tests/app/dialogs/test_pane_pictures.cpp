#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include "app/dialogs/GraphicsCommands.h"
#include "app/display/DisplayControls.h"
#include "app/display/FrequencyPane.h"
#include "app/display/Redraw.h"
#include "app/settings/FirstRunPanel.h"
#include "dsp/Designs.h"
#include "platform/dialogs/ScriptedDialogs.h"

// Save Bitmap and Copy Bitmap take the frequency pane as drawn: in Waterfall mode with the
// red strip between the two channels' halves.
TEST(PanePictures, SaveBitmapInWaterfallModeHoldsTheRedStrip)
{
    auto d = std::make_unique<DisplayState>();
    auto p = std::make_unique<ProcessingState>();
    StartupDesigns(*p);
    ModelControls controls;
    ApplyFirstRunPanel(*d, *p, controls);
    Waterfall1Click(*d, *p, controls);
    for (int block = 0; block < 3; ++block)
        RedrawPanes(*d, *p);

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    int stops = 0, starts = 0;
    GraphicsCommands commands(dialogs, GraphicsHooks{{}, [&] { return d->SpectrumImage.Image(); },
                                                     [&] { ++stops; }, [&] { ++starts; }});
    dialogs.AnswerFile(dir.filePath("waterfall"));
    ASSERT_TRUE(commands.SaveBitmap1Click());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(starts, 1);

    const QImage saved(dir.filePath("waterfall.bmp"));
    ASSERT_EQ(saved.size(), QSize(PaneWidth, SpectrumPaneHeight));
    // Rows and columns off the grid lines (every 37th row, every 52nd column).
    for (int y : {1, 100, SpectrumPaneHeight - 3})
        for (int x = PaneCentre - 4; x <= PaneCentre + 4; ++x)
            if (x % 52 != 0) {
                ASSERT_EQ(saved.pixelColor(x, y), QColor(255, 0, 0)) << x << "," << y;
            }
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              d->SpectrumImage.Image().convertToFormat(QImage::Format_RGB32));
}
