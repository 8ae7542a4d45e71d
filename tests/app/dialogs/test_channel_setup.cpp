#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <vector>

#include "acquisition/AcquisitionLoop.h"
#include "acquisition/FileBackend.h"
#include "acquisition/WaveFile.h"
#include "app/dialogs/ChannelSetup.h"
#include "app/dialogs/ChannelSetupForm.h"
#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/SignalGenerator.h"
#include <QTemporaryDir>

namespace {

IirCoefficients Design(float cutoff, int highPass)
{
    IirCoefficients set{};
    CalcIir(set, 0.5f, cutoff, 4, highPass, 1);
    return set;
}

bool SameSet(const IirCoefficients& a, const IirCoefficients& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameBand(const FmBand& a, const FmBand& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// |response| of an FM band at a frequency (2048-point transform, slots from entry 0).
double BandGain(const FmBand& band, double hz)
{
    const int slot = int(std::lround(hz / 44100.0 * 2048.0));
    return std::hypot(band.ResponseRe[slot], band.ResponseIm[slot]);
}

struct FormRig {
    std::unique_ptr<ProcessingState> state = std::make_unique<ProcessingState>();
    std::unique_ptr<TChannelSetupForm> form;
    std::unique_ptr<QSignalSpy> changes;
    FormRig()
    {
        StartupDesigns(*state);
        form = std::make_unique<TChannelSetupForm>(*state);
        changes = std::make_unique<QSignalSpy>(form.get(), &TChannelSetupForm::CarrierChanged);
    }
};

}  // namespace

TEST(ChannelSetupForm, LooksAsDesigned)
{
    FormRig rig;
    EXPECT_EQ(rig.form->windowTitle(), "Channel Carrier Frequency Setup");
    EXPECT_EQ(rig.form->size(), QSize(339, 150));
    EXPECT_EQ(rig.form->Chan1FreqScrollBar()->minimum(), 1000);
    EXPECT_EQ(rig.form->Chan1FreqScrollBar()->maximum(), 20000);
    EXPECT_EQ(rig.form->Chan1FreqScrollBar()->pageStep(), 10);
    EXPECT_EQ(rig.form->Chan2FreqScrollBar()->toolTip(), "Set the Frequency of Channel 2");
    EXPECT_EQ(rig.form->Chan1FreqDisp()->toolTip(), "Type in a Frequency Value");
    EXPECT_TRUE(rig.form->Chan1FreqDisp()->isReadOnly());
    EXPECT_EQ(rig.form->Chan1FreqDisp()->text(), "16000");
    EXPECT_EQ(rig.changes->count(), 0);
    // Every text fits its box in the substitute font.
    for (QLabel* label : rig.form->findChildren<QLabel*>()) {
        const QWidget* box = label->parentWidget();
        EXPECT_TRUE(box->rect().contains(label->geometry())) << label->text().toStdString();
    }
    const QFontMetrics display(rig.form->Chan1FreqDisp()->font());
    EXPECT_LT(display.horizontalAdvance("20000"), rig.form->Chan1FreqDisp()->width() - 8);
}

TEST(ChannelSetupForm, FirstShowRedesignsChannelOneAtItsCarrierAm)
{
    FormRig rig;
    ASSERT_EQ(rig.state->ModulationType, 1);
    rig.form->FormShow();
    EXPECT_EQ(rig.form->Chan1FreqDisp()->text(), "19145");
    EXPECT_EQ(rig.form->Chan1FreqScrollBar()->value(), 19145);
    EXPECT_EQ(rig.form->Chan2FreqScrollBar()->value(), 16065);
    ASSERT_EQ(rig.changes->count(), 2);   // once per channel: both left 1000
    EXPECT_EQ(rig.changes->at(0).at(0).toInt(), 1);
    EXPECT_TRUE(SameSet(rig.state->Chan1BandLowPass, Design(float(20145.0 / 44100.0), 0)));
    EXPECT_TRUE(SameSet(rig.state->Chan1BandHighPass, Design(float(18145.0 / 44100.0), 1)));
    EXPECT_TRUE(SameSet(rig.state->Chan2BandLowPass, Design(float(17065.0 / 44100.0), 0)));

    // Showing again without changes runs no change handler.
    rig.form->FormShow();
    EXPECT_EQ(rig.changes->count(), 2);
}

// The carriers can be set without a mouse: Tab reaches both scroll bars in turn, the arrows
// move 1 Hz, Page Up / Page Down 10 Hz, Home and End to the ends of the range; each key runs
// the change handler, which stores the carrier and redesigns the band.
TEST(ChannelSetupForm, TheKeysSetTheCarriers)
{
    FormRig rig;
    rig.form->show();
    rig.form->activateWindow();
    QApplication::setActiveWindow(rig.form.get());
    QScrollBar* one = rig.form->Chan1FreqScrollBar();
    QScrollBar* two = rig.form->Chan2FreqScrollBar();
    one->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(one->hasFocus());
    EXPECT_EQ(one->value(), 19145);
    QTest::keyClick(one, Qt::Key_Right);
    QTest::keyClick(one, Qt::Key_PageUp);
    EXPECT_FLOAT_EQ(rig.state->Chan1CarrierHz, 19156.0f);
    EXPECT_EQ(rig.form->Chan1FreqDisp()->text(), "19156");
    EXPECT_TRUE(SameSet(rig.state->Chan1BandLowPass, Design(float(20156.0 / 44100.0), 0)));
    QTest::keyClick(one, Qt::Key_End);
    EXPECT_FLOAT_EQ(rig.state->Chan1CarrierHz, 20000.0f);

    QTest::keyClick(one, Qt::Key_Tab);
    ASSERT_TRUE(two->hasFocus());
    QTest::keyClick(two, Qt::Key_Left);
    QTest::keyClick(two, Qt::Key_PageDown);
    QTest::keyClick(two, Qt::Key_PageDown);
    EXPECT_FLOAT_EQ(rig.state->Chan2CarrierHz, 16044.0f);
    EXPECT_EQ(rig.form->Chan2FreqDisp()->text(), "16044");
    QTest::keyClick(two, Qt::Key_Home);
    EXPECT_FLOAT_EQ(rig.state->Chan2CarrierHz, 1000.0f);
    QTest::keyClick(two, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(one->hasFocus());
    EXPECT_EQ(one->accessibleName(), "Channel 1 carrier frequency");
}

TEST(ChannelSetupForm, FractionalCarrierShowsRoundedButStoresTheTruncatedPosition)
{
    FormRig rig;
    EXPECT_EQ(CarrierText(16000.7f), "16001");
    EXPECT_EQ(CarrierPosition(16000.7f), 16000);
    rig.state->Chan1CarrierHz = 16000.7f;
    rig.form->FormShow();   // the scroll bar moves from 1000: the handler stores 16000
    EXPECT_EQ(rig.state->Chan1CarrierHz, 16000.0f);
    EXPECT_EQ(rig.form->Chan1FreqDisp()->text(), "16000");

    // Where the position already equals, nothing runs: the text shows the stored carrier.
    rig.state->Chan1CarrierHz = 16000.7f;
    const int before = rig.changes->count();
    rig.form->FormShow();
    EXPECT_EQ(rig.changes->count(), before);
    EXPECT_EQ(rig.form->Chan1FreqDisp()->text(), "16001");
    EXPECT_EQ(rig.state->Chan1CarrierHz, 16000.7f);

    // Carriers outside the scroll range (or not numbers) are held to it.
    EXPECT_EQ(CarrierPosition(25000.0f), 20000);
    EXPECT_EQ(CarrierPosition(-3.0f), 1000);
    EXPECT_EQ(CarrierPosition(NAN), 1000);
}

TEST(ChannelSetupForm, FmScrollOfChannelTwoChangesOnlyChannelTwosFmBand)
{
    FormRig rig;
    rig.state->ModulationType = 2;
    rig.form->FormShow();
    const FmBand chan1 = rig.state->Chan1Band;
    const IirCoefficients amLow2 = rig.state->Chan2BandLowPass;
    const FmBand chan2Before = rig.state->Chan2Band;
    rig.form->Chan2FreqScrollBar()->setValue(9000);
    EXPECT_EQ(rig.state->Chan2CarrierHz, 9000.0f);
    EXPECT_EQ(rig.form->Chan2FreqDisp()->text(), "9000");
    EXPECT_TRUE(SameBand(chan1, rig.state->Chan1Band));
    EXPECT_TRUE(SameSet(amLow2, rig.state->Chan2BandLowPass));
    EXPECT_FALSE(SameBand(chan2Before, rig.state->Chan2Band));
    // The band rule's 2000 Hz around 9000 Hz.
    EXPECT_GT(BandGain(rig.state->Chan2Band, 9000.0), 0.9);
    EXPECT_GT(BandGain(rig.state->Chan2Band, 8200.0), 0.9);
    EXPECT_LT(BandGain(rig.state->Chan2Band, 7000.0), 0.01);
    EXPECT_LT(BandGain(rig.state->Chan2Band, 11000.0), 0.01);
}

TEST(ChannelSetupForm, FmBandsStayFiniteAtTheEndsOfTheRange)
{
    for (int carrier : {1000, 1100, 19900, 20000}) {
        auto state = std::make_unique<ProcessingState>();
        state->ModulationType = 2;
        ApplyCarrierPosition(*state, 1, carrier);
        const FmBand& band = state->Chan1Band;
        bool finite = true;
        for (int i = 0; i < FmQuarter; ++i)
            finite = finite && std::isfinite(band.ResponseRe[i]) && std::isfinite(band.ResponseIm[i]);
        EXPECT_TRUE(finite) << carrier;
        EXPECT_GT(BandGain(band, carrier), 0.9) << carrier;   // the carrier passes
        EXPECT_LT(BandGain(band, carrier < 10000 ? 10000.0 : 10000.0), 0.01) << carrier;
    }
}

// A running acquisition of a synthesized recording whose carriers lie far from the
// defaults recovers both tones once the dialog moves both scroll bars to them.
TEST(ChannelSetupForm, RunningAcquisitionRecoversTonesAtMovedCarriers)
{
    for (SynthModulation modulation : {SynthModulation::Am, SynthModulation::Fm}) {
        QTemporaryDir dir;
        const std::string path = dir.filePath("moved.wav").toStdString();
        SignalGeneratorSettings synth;
        synth.Modulation = modulation;
        synth.CarrierHz[0] = 6000.0;
        synth.CarrierHz[1] = 11000.0;
        synth.ToneHz[0] = 10.0;
        synth.ToneHz[1] = 6.0;
        {
            SignalGenerator generator(synth);
            std::vector<int16_t> samples(44100 * 8);
            generator.Generate(samples.data(), int(samples.size()));
            WaveWriter writer;
            WaveFileFormat format;
            ASSERT_TRUE(writer.Create(path, format));
            writer.Write(reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * 2);
            ASSERT_TRUE(writer.Finish());
        }

        auto acquisition = std::make_unique<AcquisitionState>();
        auto processing = std::make_unique<ProcessingState>();
        acquisition->ApplyingSettings = false;
        processing->ModulationType = modulation == SynthModulation::Am ? 1 : 2;
        StartupDesigns(*processing);
        processing->Chan1DemodGain = modulation == SynthModulation::Am ? 0.1f : 1.0f;
        processing->Chan2DemodGain = processing->Chan1DemodGain;
        HeadlessHost host;
        FileBackend backend(std::make_unique<WaveFileSource>(path));
        AcquisitionLoop loop(*acquisition, *processing, host, backend);
        TChannelSetupForm form(*processing);

        // The trace without its straight-line trend: in FM the carrier itself is the
        // demodulator's DC level, and the DC removal settles slowly after a carrier jump.
        auto detrended = [](const int32_t* trace) {
            double sx = 0, sy = 0, sxx = 0, sxy = 0;
            for (int i = 0; i < TraceLength; ++i) {
                sx += i;
                sy += trace[i];
                sxx += double(i) * i;
                sxy += double(i) * trace[i];
            }
            const double n = TraceLength;
            const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
            const double offset = (sy - slope * sx) / n;
            std::vector<double> x(TraceLength);
            for (int i = 0; i < TraceLength; ++i)
                x[i] = trace[i] - (offset + slope * i);
            return x;
        };
        // Tone amplitude: Hann-windowed correlation over the last 512 samples.
        auto toneAmplitude = [&](const int32_t* trace, double hz) {
            const std::vector<double> x = detrended(trace);
            std::complex<double> sum = 0;
            double weight = 0;
            for (int i = 0; i < TraceLength; ++i) {
                const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (TraceLength - 1));
                sum += w * x[i] * std::polar(1.0, -2.0 * M_PI * hz * i / 344.53125);
                weight += w;
            }
            return 2.0 * std::abs(sum) / weight;
        };
        // How much of the trace the tone is: about 1.4 (amplitude over RMS) for a clean
        // tone, far less for noise or the silence of an empty band.
        auto toneShare = [&](const int32_t* trace, double hz) {
            double power = 0;
            for (double v : detrended(trace))
                power += v * v;
            const double rms = std::sqrt(power / TraceLength);
            return rms > 0.0 ? toneAmplitude(trace, hz) / rms : 0.0;
        };
        double before1 = 0, before2 = 0, share1 = 0, share2 = 0;
        host.OnBlock = [&](const BlockReport&) {
            const int block = host.BlocksProcessed;
            if (block == 30) {
                before1 = toneAmplitude(processing->Chan1Trace, 10.0);
                before2 = toneAmplitude(processing->Chan2Trace, 6.0);
                share1 = toneShare(processing->Chan1Trace, 10.0);
                share2 = toneShare(processing->Chan2Trace, 6.0);
                form.Chan1FreqScrollBar()->setValue(6000);
                form.Chan2FreqScrollBar()->setValue(11000);
            }
            if (block >= 70)
                acquisition->AcquisitionIdle = true;
        };
        loop.StartBtnClick();
        loop.StopBtnClick();
        ASSERT_GE(host.BlocksProcessed, 70);
        EXPECT_EQ(processing->Chan1CarrierHz, 6000.0f);
        EXPECT_EQ(processing->Chan2CarrierHz, 11000.0f);
        const double after1 = toneAmplitude(processing->Chan1Trace, 10.0);
        const double after2 = toneAmplitude(processing->Chan2Trace, 6.0);
        const double cross1 = toneAmplitude(processing->Chan1Trace, 6.0);
        const double cross2 = toneAmplitude(processing->Chan2Trace, 10.0);
        SCOPED_TRACE(modulation == SynthModulation::Am ? "AM" : "FM");
        EXPECT_GT(after1, 10.0);
        EXPECT_GT(after2, 10.0);
        // Before, the bands around the default carriers show no tone (FM: the discriminator's
        // noise without a carrier) or at most a trace of it (AM: channel 2's band at 16065 Hz
        // passes 11000 Hz at -80 dB).
        EXPECT_TRUE(share1 < 0.5 || before1 < after1 / 1000.0) << share1 << " " << before1;
        EXPECT_TRUE(share2 < 0.5 || before2 < after2 / 1000.0) << share2 << " " << before2;
        EXPECT_GT(toneShare(processing->Chan1Trace, 10.0), 1.2);
        EXPECT_GT(toneShare(processing->Chan2Trace, 6.0), 1.2);
        EXPECT_LT(cross1, after1 / 10.0);   // each channel keeps its own tone
        EXPECT_LT(cross2, after2 / 10.0);
    }
}

// Opening the dialog moves its scroll bars to the carriers, which redesigns both bands: with
// one band rule for every design that changes nothing, so the traces stay bit for bit those
// of a twin chain whose dialog stays closed.
TEST(ChannelSetupForm, OpeningTheDialogLeavesTheTracesBitIdentical)
{
    for (int modulation : {1, 2}) {
        SCOPED_TRACE(modulation == 1 ? "AM" : "FM");
        SignalGeneratorSettings synth;
        synth.Modulation = modulation == 1 ? SynthModulation::Am : SynthModulation::Fm;
        SignalGenerator generator(synth);
        std::vector<int16_t> samples(BlockFrames);
        auto opened = std::make_unique<ProcessingState>();
        auto closed = std::make_unique<ProcessingState>();
        for (ProcessingState* s : {opened.get(), closed.get()}) {
            s->ModulationType = modulation;
            StartupDesigns(*s);
            s->Chan1DemodGain = s->Chan2DemodGain = 0.1f;
            StartRun(*s);
        }
        TChannelSetupForm form(*opened);
        BlockReport report;
        for (int block = 0; block < 24; ++block) {
            if (block == 8) form.FormShow();
            generator.Generate(samples.data(), BlockFrames);
            for (ProcessingState* s : {opened.get(), closed.get()}) {
                std::copy(samples.begin(), samples.end(), s->BlockSamples);
                ProcessBlock(*s, report);
            }
        }
        EXPECT_EQ(opened->Chan1CarrierHz, closed->Chan1CarrierHz);
        EXPECT_EQ(0, std::memcmp(opened->Chan1Trace, closed->Chan1Trace, sizeof opened->Chan1Trace));
        EXPECT_EQ(0, std::memcmp(opened->Chan2Trace, closed->Chan2Trace, sizeof opened->Chan2Trace));
    }
}

TEST(ChannelSetupForm, PaintsNavyFormSilverPanelsAndAquaDigitsOnBlack)
{
    FormRig rig;
    rig.form->FormShow();
    const QImage image = rig.form->grab().toImage();
    image.save(QStringLiteral(VELQUOR_BINARY_DIR "/channel-setup.png"));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 128));          // form, outside the panels
    EXPECT_EQ(image.pixelColor(160, 140), QColor(192, 192, 192));  // Chan1Pnl below its scroll bar
    // The display box: black with aqua digits.
    int aqua = 0;
    for (int y = 68; y < 108; ++y)
        for (int x = 16; x < 146; ++x)
            aqua += image.pixelColor(x, y) == QColor(0, 255, 255);
    EXPECT_GT(aqua, 100);
    EXPECT_EQ(image.pixelColor(18, 70), QColor(Qt::black));
}
