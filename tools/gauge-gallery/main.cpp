// gauge-gallery: shows every gauge control of the library in a window.
//
//   gauge-gallery                      open the window
//   gauge-gallery --screenshot F.png   render offscreen, save F.png, exit
//   gauge-gallery --size min|preferred|double
//                                      every gauge at that size instead
//   gauge-gallery --help               usage
#include "tools/gauge-gallery/Gallery.h"
#include "tools/gauge-gallery/Sizes.h"

#include "platform/canvas/ClassicPalette.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Long enough for the hour counter and the clock to advance once.
constexpr int SettleMs = 1500;

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: gauge-gallery [--size min|preferred|double] [--screenshot FILE.png] [--help]\n"
               "\n"
               "Shows every gauge control: the front-panel dials, rocker and toggle\n"
               "switches, LEDs (one flashing), the hour counter counting and the clock,\n"
               "plus other configurations. Dials turn by dragging, with the arrow keys,\n"
               "Page Up/Down, Home/End and the mouse wheel; switches toggle on click.\n"
               "\n"
               "Options:\n"
               "  --size SIZE            instead, every gauge class at its minimum size\n"
               "                         (min), its preferred size or twice that (double)\n"
               "  --screenshot FILE.png  render the window offscreen, let it settle,\n"
               "                         save it as a PNG image and exit (0 on success)\n"
               "  --help                 show this text and exit\n",
               out);
}

} // namespace

int main(int argc, char** argv)
{
    std::string screenshot;
    bool sizesPage = false;
    TGaugeSize size = TGaugeSize::Preferred;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fputs("gauge-gallery: --screenshot needs a file name\n", stderr);
                return 2;
            }
            screenshot = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--size") == 0) {
            if (i + 1 >= argc || !GaugeSizeFromName(QString::fromLocal8Bit(argv[i + 1]), size)) {
                std::fputs("gauge-gallery: --size takes min, preferred or double\n", stderr);
                return 2;
            }
            sizesPage = true;
            ++i;
            continue;
        }
        std::fprintf(stderr, "gauge-gallery: unknown option \"%s\"\n\n", argv[i]);
        PrintUsage(stderr);
        return 2;
    }

    // A screenshot needs no display.
    if (!screenshot.empty())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    // Plain etched group boxes on the button face, as on the desktop the
    // panel was designed for; falls back to the default style if missing.
    QApplication::setStyle(QStringLiteral("Windows"));
    // The same fixed classic colours the gauges draw with.
    QApplication::setPalette(ClassicWidgetPalette());
    std::unique_ptr<QWidget> shown(sizesPage ? BuildSizesWindow(size) : new TGalleryWindow);
    QWidget& window = *shown;
    window.show();
    if (screenshot.empty())
        return app.exec();

    // Let the first paints, the flash timer and the once-per-second
    // controls run for a moment before taking the picture.
    QTimer::singleShot(SettleMs, &window, [&window, &screenshot] {
        const QString file = QString::fromLocal8Bit(screenshot.c_str());
        const QImage image = window.grab().toImage();
        if (image.isNull() || !image.save(file, "PNG")) {
            std::fprintf(stderr, "gauge-gallery: cannot write the screenshot to \"%s\"\n", screenshot.c_str());
            QCoreApplication::exit(1);
            return;
        }
        std::printf("gauge-gallery: screenshot saved to %s (%d x %d)\n", screenshot.c_str(), image.width(),
                    image.height());
        QCoreApplication::exit(0);
    });
    return app.exec();
}
