// At a scale factor of 2 the window doubles in device pixels and each pane pixel becomes a
// 2x2 block of its own colour: no smoothing blurs the traces, the grid or the bars.
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

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
    } panes[] = {{rig.Form->Panel().TimeBox, rig.Form->Display().TimeImage.Image()},
                 {rig.Form->Panel().SpectrumBox, rig.Form->Display().SpectrumImage.Image()}};
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

namespace {

// The program's screenshot of a few blocks on an offscreen screen of `logicalDpi` (96 is a
// scale factor of 1, 144 of 1.5); null when it failed.
QImage ProgramScreenshot(const QTemporaryDir& dir, const QString& wave, int logicalDpi)
{
    const QString config = dir.filePath(QStringLiteral("screen%1.json").arg(logicalDpi));
    QFile json(config);
    if (!json.open(QIODevice::WriteOnly)) return {};
    json.write(QStringLiteral(R"({"screens":[{"name":"s","x":0,"y":0,"width":2560,"height":1600,)"
                              R"("logicalDpi":%1,"logicalBaseDpi":96,"dpr":1}]})")
                   .arg(logicalDpi)
                   .toUtf8());
    json.close();
    const QString shot = dir.filePath(QStringLiteral("shot%1.png").arg(logicalDpi));
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    env.remove(QStringLiteral("QT_SCALE_FACTOR_ROUNDING_POLICY"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(VELQUOR_PROGRAM), {QStringLiteral("--input"), QStringLiteral("file:") + wave,
                                                QStringLiteral("--screenshot"), shot, QStringLiteral("--blocks"),
                                                QStringLiteral("5")});
    if (!run.waitForFinished(60000) || run.exitCode() != 0) {
        ADD_FAILURE() << run.readAllStandardError().toStdString();
        return {};
    }
    return QImage(shot);
}

// A desktop at 150 % gets the window at twice its size, never one and a half: fractional
// factors would blur the panes, so the program rounds the factor to a whole number.
TEST(HighDpi, ProgramRoundsAFractionalDesktopFactorToAWholeOne)
{
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("tones.wav"));
    WriteSignalWave(wave.toStdString(), ToneSettings(10.0, 6.0), 3.0);
    const QImage plain = ProgramScreenshot(dir, wave, 96);
    const QImage scaled = ProgramScreenshot(dir, wave, 144);
    ASSERT_FALSE(plain.isNull());
    ASSERT_FALSE(scaled.isNull());
    EXPECT_EQ(scaled.size(), 2 * plain.size());
}

}  // namespace
