// The settings file through the real window: a file the window saved reloads to the same
// panel, and the next save writes the same bytes, for the first run and for every field.
#include <QAction>
#include <QFile>
#include <QLabel>

#include "app/settings/FirstRunPanel.h"
#include "app/settings/SettingsRecord.h"
#include "tests/app/window/WindowTestSupport.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteRecord(const QString& path, const SettingsRecord& record)
{
    const auto bytes = EncodeSettings(record);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())), qint64(bytes.size()));
}

// What the panel shows: every dial, track bar and switch, the check marks, the readouts.
QStringList Panel(TEEGForm& f)
{
    TFrontPanel& p = f.Panel();
    QStringList out;
    for (TOvDial* d : {p.Chan1GainDial, p.Chan2GainDial, p.Chan1OffsetDial, p.Chan2OffsetDial, p.FreqBaseDial,
                       p.TimeBaseDial})
        out << d->Name() + QStringLiteral("=") + QString::number(d->Value());
    for (QSlider* s : {p.Chan1GainTrackBar, p.Chan2GainTrackBar, p.Chan1GainFTrackBar, p.Chan2GainFTrackBar})
        out << s->objectName() + QStringLiteral("=") + QString::number(s->value());
    for (TOvBinGControl* s : std::initializer_list<TOvBinGControl*>{p.Chan1EnableSwitch, p.Chan2EnableSwitch,
                                                                    p.DisplayHoldSw, p.MkrSwitch, p.ExpandSw,
                                                                    p.FltrMkrsSw, p.FltrEnbSw})
        out << s->Name() + QStringLiteral("=") + QString::number(s->Checked());
    for (QAction* a : f.findChildren<QAction*>())
        if (a->isChecked()) out << a->objectName();
    for (QLabel* l : {p.HiFreqLabel, p.LoFreqLabel, p.MarkerLabel})
        out << l->text();
    return out;
}

struct RoundTrip {
    QStringList Loaded;     // the panel after the first load
    QStringList Reloaded;   // after loading what the first session saved
    QByteArray Saved;       // the first session's save
    QByteArray SavedAgain;  // the second session's
};

// Two sessions on the rig's settings file: each starts, shows its panel and closes (saves).
RoundTrip TwoSessions(WindowRig& rig)
{
    RoundTrip r;
    rig.Open("silence");
    r.Loaded = Panel(*rig.Form);
    rig.Form.reset();
    r.Saved = ReadBytes(rig.SettingsPath());
    rig.Open("silence");
    r.Reloaded = Panel(*rig.Form);
    rig.Form.reset();
    r.SavedAgain = ReadBytes(rig.SettingsPath());
    return r;
}

}  // namespace

TEST(StoredPanel, TheFirstRunsSaveReloadsToTheSamePanelAndSavesTheSameBytes)
{
    WindowRig rig;
    const RoundTrip r = TwoSessions(rig);
    ASSERT_EQ(r.Saved.size(), 158);
    EXPECT_EQ(r.Reloaded, r.Loaded);
    EXPECT_EQ(r.SavedAgain, r.Saved);
}

TEST(StoredPanel, EveryFieldRoundTripsThroughTheWindow)
{
    // Each field at the ends of what it may hold (flags 0 and 1; the kept ones at values a
    // hand-edited file may carry), the others at the first-run panel's values.
    for (const SettingsField& field : SettingsFields()) {
        std::vector<double> values = {field.Low, field.High};
        if (field.Rule == SettingsRule::Kept) values = {-7, 1, 3, 123456};
        if (field.Rule == SettingsRule::KnownType) values = {1, 2, 4, 5, 6};
        for (double value : values) {
            WindowRig rig;
            SettingsRecord record = FirstRunSettings();
            field.Set(record, value);
            ASSERT_NO_FATAL_FAILURE(WriteRecord(rig.SettingsPath(), record));
            const RoundTrip r = TwoSessions(rig);
            EXPECT_EQ(r.Reloaded, r.Loaded) << field.Name << " = " << value;
            EXPECT_EQ(r.SavedAgain, r.Saved) << field.Name << " = " << value;
        }
    }
}

// Programs without the window (benchmarks, the fuzz harness, the display tests) start from
// the same first-run panel as the window, with the same derived values.
TEST(StoredPanel, ProgramsWithoutTheWindowStartFromTheSameFirstRunPanel)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open("silence"));
    const TEEGForm& f = *rig.Form;
    auto display = std::make_unique<DisplayState>();
    auto processing = std::make_unique<ProcessingState>();
    ModelControls controls;
    ApplyFirstRunPanel(*display, *processing, controls);
    AcquisitionState acquisition;
    StoredOptions options;
    EXPECT_EQ(CaptureSettings({display->Settings, *processing, acquisition, options}), rig.Form->Settings().StoredValues());
    EXPECT_EQ(processing->FreqSpan, f.Proc().FreqSpan);
    EXPECT_EQ(processing->Chan2DemodGain, f.Proc().Chan2DemodGain);
    EXPECT_EQ(display->TimeStep, f.Display().TimeStep);
    EXPECT_EQ(display->View.Labels.HiFreq, f.Display().View.Labels.HiFreq);
    EXPECT_EQ(controls.DialValue(PanelDial::Chan2Offset), rig.Form->DialValue(PanelDial::Chan2Offset));
}
