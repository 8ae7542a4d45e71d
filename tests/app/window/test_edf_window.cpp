// File > Record EDF+...: the traces of every processed block go to the chosen file beside the
// WAVE recorder, with the window's events as annotations; read back with EDFlib.
#include <QTimer>

#include <edflib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/app/window/WindowTestSupport.h"

namespace {

struct EdfFile {
    int Handle = -1;
    edf_hdr_struct Header{};
    std::vector<double> Samples[2];
    std::vector<std::pair<double, std::string>> Annotations;

    explicit EdfFile(const std::string& path)
    {
        Handle = edfopen_file_readonly(path.c_str(), &Header, EDFLIB_READ_ALL_ANNOTATIONS);
        if (Handle < 0) return;
        for (int s = 0; s < 2; ++s) {
            Samples[s].resize(static_cast<size_t>(Header.signalparam[s].smp_in_file));
            edfread_physical_samples(Handle, s, static_cast<int>(Samples[s].size()), Samples[s].data());
        }
        for (long long i = 0; i < Header.annotations_in_file; ++i) {
            edf_annotation_struct a{};
            edf_get_annotation(Handle, static_cast<int>(i), &a);
            Annotations.emplace_back(a.onset / 1e7, a.annotation);
        }
        edfclose_file(Handle);
    }
    double OnsetOf(const std::string& text) const
    {
        for (const auto& [onset, t] : Annotations)
            if (t == text) return onset;
        return -1.0;
    }
};

}  // namespace

TEST(WindowEdf, RecordEdfWritesEveryProcessedBlockWithTheWindowsEvents)
{
    WindowRig w;
    ASSERT_NO_FATAL_FAILURE(WriteSignalWave(w.Path("tones.wav"), ToneSettings(10.0, 6.0), 12));
    ASSERT_NO_FATAL_FAILURE(w.Open("file-loop:" + w.Path("tones.wav")));
    TEEGForm& f = *w.Form;
    QAction* item = f.Action(QStringLiteral("RecordEdf1"));
    ASSERT_NE(item, nullptr);

    // Cancelling the dialog records nothing.
    w.Dialogs.CancelFile();
    f.RecordEdf1Click();
    EXPECT_FALSE(f.Edf().Active());
    EXPECT_EQ(item->text(), QStringLiteral("Record EDF+..."));
    const ScriptedDialogs::Question& asked = w.Dialogs.Asked.back();
    EXPECT_EQ(asked.What, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(asked.File.Filter, QStringLiteral("EDF+ Files|*.edf|All Files|*.*"));
    EXPECT_EQ(asked.File.DefaultExtension, QStringLiteral("edf"));

    // The name is typed without its extension: the dialog adds it.
    w.Dialogs.AnswerFile(QString::fromStdString(w.Path("eeg")));
    f.RecordEdf1Click();
    ASSERT_TRUE(f.Edf().Active());
    EXPECT_EQ(item->text(), QStringLiteral("Stop EDF+"));

    std::vector<int32_t> expected[2];
    auto keep = [&](long long) {
        expected[0].insert(expected[0].end(), f.Proc().Chan1Trace + 480, f.Proc().Chan1Trace + 512);
        expected[1].insert(expected[1].end(), f.Proc().Chan2Trace + 480, f.Proc().Chan2Trace + 512);
    };
    w.Run(20, keep);
    f.Panel().Chan1GainDial->SetValue(5.0f);    // a gain step at sample 640, 100 times up
    w.Run(10, keep);
    // Hold: blocks go on, none is processed, nothing is written.
    f.Panel().DisplayHoldSw->SetChecked(true);
    f.DisplayHoldSwClick();
    QTimer::singleShot(200, [&] { f.Acq().AcquisitionIdle = true; });
    f.Loop().StartTimerTimer();
    f.StartTimer().stop();
    f.Panel().DisplayHoldSw->SetChecked(false);
    f.DisplayHoldSwClick();
    w.Run(10, keep);
    EXPECT_EQ(f.Edf().Recorder().Samples(), 40 * 32);

    const size_t messages = w.Dialogs.Messages().size();
    f.RecordEdf1Click();                         // Stop EDF+
    EXPECT_FALSE(f.Edf().Active());
    EXPECT_EQ(item->text(), QStringLiteral("Record EDF+..."));
    ASSERT_EQ(w.Dialogs.Messages().size(), messages + 1);
    EXPECT_EQ(w.Dialogs.Messages().back().Caption, QStringLiteral("EDF+ Recording"));
    EXPECT_TRUE(w.Dialogs.Messages().back().Text.startsWith(QStringLiteral("3 data records (3.84 s) written to ")))
        << w.Dialogs.Messages().back().Text.toStdString();

    const EdfFile edf(w.Path("eeg.edf"));
    ASSERT_GE(edf.Handle, 0) << "EDFlib refused the window's file";
    EXPECT_EQ(edf.Header.datarecords_in_file, 3);   // 1280 samples: two records and a padded third
    for (int s = 0; s < 2; ++s) {
        const double step = edf.Header.signalparam[s].phys_max / edf.Header.signalparam[s].dig_max;
        ASSERT_EQ(expected[s].size(), 1280u);
        for (size_t i = 0; i < expected[s].size(); ++i) {
            // The gain step raises channel 1 beyond the range chosen at the start: clipped.
            const double clipped = std::clamp<double>(expected[s][i], -edf.Header.signalparam[s].phys_max,
                                                      edf.Header.signalparam[s].phys_max);
            ASSERT_NEAR(edf.Samples[s][i], clipped, 0.5 * step + 1e-6) << s << " " << i;
        }
    }
    EXPECT_EQ(edf.OnsetOf("Recording start"), 0.0);
    EXPECT_NEAR(edf.OnsetOf("Gain Ch1 10"), 640 / 344.53125, 1e-4);
    EXPECT_NEAR(edf.OnsetOf("Hold on"), 960 / 344.53125, 1e-4);
    EXPECT_NEAR(edf.OnsetOf("Hold off"), 960 / 344.53125, 1e-4);
    EXPECT_GT(f.Edf().Recorder().Clipped(1), 0);
    EXPECT_EQ(f.Edf().Recorder().Clipped(2), 0);
}

TEST(WindowEdf, AnUnwritableFileIsRefusedWithAMessage)
{
    WindowRig w;
    ASSERT_NO_FATAL_FAILURE(w.Open("silence"));
    TEEGForm& f = *w.Form;
    w.Dialogs.AnswerFile(QString::fromStdString(w.Path("missing-folder/eeg.edf")));
    f.RecordEdf1Click();
    EXPECT_FALSE(f.Edf().Active());
    ASSERT_EQ(w.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(w.Dialogs.Messages()[0].Caption, QStringLiteral("File Error Message"));
    EXPECT_TRUE(w.Dialogs.Messages()[0].Text.startsWith(QStringLiteral("Could not open the EDF+ file")));
    EXPECT_EQ(f.Action(QStringLiteral("RecordEdf1"))->text(), QStringLiteral("Record EDF+..."));
}
