// The front panel's bindings: each control runs its handler over the value it holds, then
// the widgets follow the state; and the dials as the display commands set them.
#include "app/window/EEGForm.h"

#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/TimeTrace.h"

void TEEGForm::BindPanel()
{
    DisplayState& d = *display_;
    ProcessingState& p = *proc_;
    TFrontPanel& c = panel_;
    // The handler, then the mirrors; whatever the control passes along is not needed.
    auto synced = [this](auto handler) {
        return [this, handler](auto&&...) {
            handler();
            SyncDisplay();
        };
    };

    for (PanelDial dial : {PanelDial::Chan1Gain, PanelDial::Chan2Gain, PanelDial::Chan1Offset, PanelDial::Chan2Offset,
                           PanelDial::FreqBase, PanelDial::TimeBase}) {
        DialOf(dial)->SetOnValueChange([this, dial](QObject*) { OnDial(dial); });
        DialOf(dial)->SetOnClick([this, dial](QObject*) { OnDial(dial); });
    }
    const std::pair<QSlider*, void (*)(DisplayState&, int)> bars[] = {
        {c.Chan1GainTrackBar, Chan1GainTrackBarChange},   {c.Chan2GainTrackBar, Chan2GainTrackBarChange},
        {c.Chan1GainFTrackBar, Chan1GainFTrackBarChange}, {c.Chan2GainFTrackBar, Chan2GainFTrackBarChange}};
    for (const auto& [bar, handler] : bars)
        connect(bar, &QSlider::valueChanged, this, [this, &d, handler = handler](int position) {
            handler(d, position);
            SyncDisplay();
        });
    c.Chan1EnableSwitch->SetOnClick(synced([&p, &c] { Chan1EnableSwitchClick(p, c.Chan1EnableSwitch->Checked()); }));
    c.Chan2EnableSwitch->SetOnClick(synced([&p, &c] { Chan2EnableSwitchClick(p, c.Chan2EnableSwitch->Checked()); }));
    c.DisplayHoldSw->SetOnClick(synced([this] { DisplayHoldSwClick(); }));
    c.MkrSwitch->SetOnClick(synced([&d, &p, &c] { MkrSwitchClick(d, p, c.MkrSwitch->Checked()); }));
    c.ExpandSw->SetOnClick(synced([this, &d, &p, &c] { ExpandSwClick(d, p, *this, c.ExpandSw->Checked()); }));
    c.FltrMkrsSw->SetOnClick(synced([this, &d, &p, &c] { FltrMkrsSwClick(d, p, *this, c.FltrMkrsSw->Checked()); }));
    c.FltrEnbSw->SetOnClick(synced([&d, &p, &c] { FltrEnbSwClick(d, p, c.FltrEnbSw->Checked()); }));
    const std::pair<QPushButton*, void (Recorder::*)()> buttons[] = {{c.RecordBtn, &Recorder::RecordBtnClick},
                                                                    {c.PlayBtn, &Recorder::PlayBtnClick},
                                                                    {c.StopWvBtn, &Recorder::StopWvBtnClick},
                                                                    {c.PauseBtn, &Recorder::PauseBtnClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this, [this, handler = handler] { RunRecorder(handler); });
    c.SpectrumBox->SetOnMouseDown([&d](int, int) { SpectrumBoxMouseDown(d); });
    c.SpectrumBox->SetOnMouseMove([this, &d, &p](int x, int y, bool left) {
        SpectrumBoxMouseMove(d, p, x, y, left);
        SyncDisplay();
    });
    c.SpectrumBox->SetOnMouseUp([&d](int, int) { SpectrumBoxMouseUp(d); });
}

void TEEGForm::DisplayHoldSwClick()
{
    ::DisplayHoldSwClick(*proc_, panel_.DisplayHoldSw->Checked());
    AnnotateEdf(proc_->DisplayHold ? "Hold on" : "Hold off");
}

void TEEGForm::RunRecorder(void (Recorder::*handler)())
{
    const int32_t before = acq_.RecorderState;
    ((*recorder_).*handler)();
    SyncRecorderButtons();
    // The WAVE recorder's state change, if the button changed it, goes into the EDF+ file.
    static const char* const States[] = {"", "WAVE recorder: RECORD", "WAVE recorder: PLAY", "WAVE recorder: STOP",
                                         "WAVE recorder: PAUSE"};
    const int32_t now = acq_.RecorderState;
    if (now != before && now >= RecorderRecord && now <= RecorderPause) AnnotateEdf(States[now]);
}

// ---------------------------------------------------------------- dials

TOvDial* TEEGForm::DialOf(PanelDial dial) const
{
    switch (dial) {
    case PanelDial::Chan1Gain: return panel_.Chan1GainDial;
    case PanelDial::Chan2Gain: return panel_.Chan2GainDial;
    case PanelDial::Chan1Offset: return panel_.Chan1OffsetDial;
    case PanelDial::Chan2Offset: return panel_.Chan2OffsetDial;
    case PanelDial::FreqBase: return panel_.FreqBaseDial;
    case PanelDial::TimeBase: return panel_.TimeBaseDial;
    }
    return panel_.FreqBaseDial;
}

void TEEGForm::OnDial(PanelDial dial)
{
    if (settingDial_) return;
    DisplayState& d = *display_;
    ProcessingState& p = *proc_;
    const float value = DialValue(dial);
    switch (dial) {
    case PanelDial::Chan1Gain: Chan1GainDialClick(d, p, value); break;
    case PanelDial::Chan2Gain: Chan2GainDialClick(d, p, value); break;
    case PanelDial::Chan1Offset: Chan1OffsetDialClick(d, value); break;
    case PanelDial::Chan2Offset: Chan2OffsetDialClick(d, value); break;
    case PanelDial::FreqBase: FreqBaseDialClick(d, p, value); break;
    case PanelDial::TimeBase: TimeBaseDialClick(d, value); break;
    }
    SyncDisplay();
}

float TEEGForm::SetDial(PanelDial dial, float value)
{
    TOvDial* d = DialOf(dial);
    settingDial_ = true;
    d->SetValue(value);
    settingDial_ = false;
    return d->Value();
}

float TEEGForm::DialValue(PanelDial dial) const
{
    return DialOf(dial)->Value();
}

void TEEGForm::SetFreqDialRange(float valueTo, int designWidth)
{
    // Only the range follows the mode: a wider dial would sit off-centre and run past
    // its group box, so the design width stays.
    (void)designWidth;
    settingDial_ = true;
    panel_.FreqBaseDial->SignalSettings().SetValueTo(valueTo);
    settingDial_ = false;
}

void TEEGForm::ShowMessage(const QString& text, const QString& caption)
{
    dialogs_.ShowMessage(text, caption);
}
