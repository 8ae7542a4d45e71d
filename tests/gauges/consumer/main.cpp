// Uses the installed stdgauges package the way an outside program would:
// headers from include/stdgauges, the shared library via find_package.
#include "gauges/OvDial.h"
#include "gauges/OvLED.h"
// The rest of the public header set must compile from the install as well.
#include "gauges/GClass.h"
#include "gauges/GDraw.h"
#include "gauges/OvClock.h"
#include "gauges/OvFlash.h"
#include "gauges/OvFlashT.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSwitch.h"
#include "gauges/GBaseControls.h"
#include "gauges/GSettings.h"
#include "gauges/OvTimeDisplay.h"
#include "platform/canvas/Canvas.h"
#include "platform/canvas/ClassicPalette.h"
#include "platform/controls/Controls.h"
#include "platform/canvas/FormatFloat.h"
#include "platform/ini/IniFile.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>

namespace {

// Pixels that differ from the top-left (background) pixel.
int ForegroundPixels(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != background ? 1 : 0;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TOvDial dial;
    dial.SetBounds(0, 0, 113, 161);
    dial.BevelDial().SetColor(clSkyBlue);
    dial.SignalSettings().SetName2(QStringLiteral("Position"));
    dial.Loaded();
    dial.SetValue(75.0f);

    TOvLED led;
    led.SetBounds(0, 0, 73, 33);
    led.SetCaption(QStringLiteral("Ch1"));
    led.LED().SetColorOn(clRed);
    led.Loaded();
    led.SetChecked(true);

    const QImage dialImage = dial.grab().toImage();
    const QImage ledImage = led.grab().toImage();
    const int dialInk = ForegroundPixels(dialImage);
    const int ledInk = ForegroundPixels(ledImage);

    const TRect lamp = led.LampRect();
    const TColor lampColour
        = QColorToColor(ledImage.pixelColor((lamp.Left + lamp.Right) / 2, (lamp.Top + lamp.Bottom) / 2));
    const TRect knob = dial.KnobRect();
    const TColor knobColour
        = QColorToColor(dialImage.pixelColor((knob.Left + knob.Right) / 2, (knob.Top + knob.Bottom) / 2));

    bool ok = true;
    if (dialImage.size() != QSize(113, 161) || dialInk < 113 * 161 / 10) {
        std::fprintf(stderr, "dial picture looks empty (%d x %d, %d drawn pixels)\n", dialImage.width(),
                     dialImage.height(), dialInk);
        ok = false;
    }
    if (dial.Value() != 75.0f || knobColour != clSkyBlue) {
        std::fprintf(stderr, "dial value %g, knob colour %06x\n", double(dial.Value()), unsigned(knobColour));
        ok = false;
    }
    if (ClassicSystemColor(15) != ColorToRGB(clBtnFace) || dial.metaObject()->indexOfProperty("Value") < 0) {
        std::fprintf(stderr, "palette or properties missing from the package\n");
        ok = false;
    }
    if (ledInk < 20 || lampColour != clRed) {
        std::fprintf(stderr, "LED picture wrong (%d drawn pixels, lamp colour %06x)\n", ledInk,
                     unsigned(lampColour));
        ok = false;
    }
    if (!ok)
        return 1;
    std::printf("stdgauges consumer: dial %s (%d drawn pixels), LED lit (%d drawn pixels)\n",
                qPrintable(dial.ValueText()), dialInk, ledInk);
    return 0;
}
