#pragma once
// Helpers of the window tests: WAVE fixtures from the signal generator, a window on a
// file input with scripted dialogs and a private settings path, and a way to run it for
// a number of processed blocks.

#include <QDir>
#include <QImage>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/DemoBackend.h"
#include "acquisition/WaveFile.h"
#include "acquisition/WaveInFactory.h"
#include "app/window/EEGForm.h"
#include "dsp/SignalGenerator.h"
#include "platform/dialogs/ScriptedDialogs.h"

// The environment of a velquor program run by a test: offscreen, without a display, and
// with a settings folder of its own (`configHome` is its XDG_CONFIG_HOME).
inline QProcessEnvironment ProgramEnvironment(const QString& configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    env.remove(QStringLiteral("DISPLAY"));
    return env;
}

// Writes `seconds` of the generator's output as a 44100 Hz 16-bit WAVE file.
inline void WriteSignalWave(const std::string& path, const SignalGeneratorSettings& settings, double seconds)
{
    SignalGenerator generator(settings);
    WaveFileFormat format;
    format.Channels = static_cast<uint16_t>(generator.Channels());
    format.BlockAlign = static_cast<uint16_t>(2 * format.Channels);
    format.ByteRate = 44100u * format.BlockAlign;
    WaveWriter writer;
    ASSERT_TRUE(writer.Create(path, format));
    std::vector<int16_t> chunk(4096 * static_cast<size_t>(generator.Channels()));
    for (int frames = static_cast<int>(seconds * 44100); frames > 0; frames -= 4096) {
        const int n = frames < 4096 ? frames : 4096;
        generator.Generate(chunk.data(), n);
        writer.Write(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<size_t>(n) * 2 * generator.Channels());
    }
    ASSERT_TRUE(writer.Finish());
}

inline SignalGeneratorSettings ToneSettings(double tone1, double tone2, SynthModulation modulation = SynthModulation::Am)
{
    SignalGeneratorSettings s;
    s.Signal = SynthSignal::Tone;
    s.Modulation = modulation;
    s.ToneHz[0] = tone1;
    s.ToneHz[1] = tone2;
    return s;
}

struct WindowRig {
    QTemporaryDir Dir;
    ScriptedDialogs Dialogs;
    std::unique_ptr<TEEGForm> Form;

    std::string Path(const char* name) const { return QDir(Dir.path()).filePath(QString::fromLatin1(name)).toStdString(); }

    QString SettingsPath() const { return QDir(Dir.path()).filePath(QStringLiteral("Velquor.cfg")); }

    // A window on the named input (see MakeWaveInBackend), not started.
    void Open(const std::string& input)
    {
        std::string error;
        auto backend = MakeWaveInBackend(input, error);
        ASSERT_TRUE(backend) << error;
        Open(std::move(backend));
    }

    void Open(std::unique_ptr<WaveInBackend> backend)
    {
        EEGFormOptions options;
        options.UserDialogs = &Dialogs;
        options.Input = std::move(backend);
        options.SettingsPath = SettingsPath();
        options.StartAcquisition = false;
        Form = std::make_unique<TEEGForm>(std::move(options));
        Form->show();
    }

    // Runs the acquisition loop as the start-up timer does until `blocks` more blocks
    // have been processed; `each` runs after every block.
    void Run(long long blocks, const std::function<void(long long)>& each = {})
    {
        const long long target = Form->BlocksShown() + blocks;
        Form->SetOnBlock([this, target, each](long long n) {
            if (each) each(n);
            if (n >= target) Form->Acq().AcquisitionIdle = true;
        });
        Form->Loop().StartTimerTimer();
        Form->StartTimer().stop();
        Form->SetOnBlock({});
    }
};

// Frequency (Hz, 0.25 Hz steps from 1 to 40) with the most power in a 512-sample trace,
// after removing its straight-line trend (the DC estimate still settling).
inline double DominantHz(const int32_t* trace)
{
    constexpr double Rate = 44100.0 / 128.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < 512; ++i) {
        sx += i;
        sy += trace[i];
        sxx += double(i) * i;
        sxy += double(i) * trace[i];
    }
    const double slope = (512 * sxy - sx * sy) / (512 * sxx - sx * sx);
    const double offset = (sy - slope * sx) / 512;
    double best = 0, bestHz = 0;
    for (double f = 1.0; f <= 40.0; f += 0.25) {
        double re = 0, im = 0;
        for (int i = 0; i < 512; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / 511.0);
            const double x = trace[i] - offset - slope * i;
            re += x * w * std::cos(2 * M_PI * f * i / Rate);
            im += x * w * std::sin(2 * M_PI * f * i / Rate);
        }
        if (re * re + im * im > best) {
            best = re * re + im * im;
            bestHz = f;
        }
    }
    return bestHz;
}

// Peak-to-peak of a trace in time-pane rows at time gain `gain` (AM: >> 14).
inline int PeakToPeakRows(const int32_t* trace, int gain)
{
    int lo = trace[0], hi = trace[0];
    for (int i = 1; i < 512; ++i) {
        lo = std::min(lo, trace[i]);
        hi = std::max(hi, trace[i]);
    }
    return ((hi - lo) * gain) >> 14;
}

// Length of the longest bar of one side of the spectrum pane (channel 1 left of the centre
// strip, channel 2 right of it), and its row; bars are drawn in `color`. The grid's lines,
// drawn over the bars, do not end one.
struct Bar {
    int Row = -1;
    int Length = 0;
};
inline Bar LongestBar(const QImage& image, int channel, QRgb color)
{
    Bar best;
    const QRgb bar = color & 0xFFFFFF;
    const QRgb grid = qRgb(0, 128, 128) & 0xFFFFFF;
    const int c = image.width() / 2;
    const int step = channel == 1 ? -1 : 1;
    for (int y = 0; y < image.height(); ++y) {
        int length = 0;
        for (int k = 1, x = c + 6 * step; x >= 0 && x < image.width(); ++k, x += step) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == bar)
                length = k;
            else if (pixel != grid)
                break;
        }
        if (length > best.Length) best = {y, length};
    }
    return best;
}
