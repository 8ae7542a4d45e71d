// The settings file's view of the main window: where the stored values live, the controls
// the loader sets from code and the handlers it runs, each straight to the command that
// does the work. The widgets are mirrored once the whole file is applied.
#include "app/window/EEGForm.h"

#include <QSignalBlocker>

#include "app/display/FrequencyPane.h"
#include "app/display/Markers.h"
#include "app/display/TimeTrace.h"
#include "app/settings/SettingsFile.h"

class TEEGForm::SettingsAdapter : public SettingsTarget {
public:
    explicit SettingsAdapter(TEEGForm& form) : f_(form), d_(*form.display_), p_(*form.proc_), c_(form.panel_) {}

    SettingsRecord StoredValues() const override { return CaptureSettings(Home()); }
    void SetStoredValues(const SettingsRecord& values) override { StoreSettings(values, Home()); }
    void SetApplyingSettings(bool applying) override { f_.acq_.ApplyingSettings = applying; }
    void SetControl(SettingsControl control, double value) override
    {
        auto track = [](QSlider* bar, double v) {
            const QSignalBlocker block(bar);
            bar->setValue(static_cast<int>(v));
        };
        auto dial = [this](PanelDial which, double v) { f_.SetDial(which, static_cast<float>(v)); };
        switch (control) {
        case SettingsControl::Chan1EnableSwitch: c_.Chan1EnableSwitch->SetChecked(value != 0); break;
        case SettingsControl::Chan2EnableSwitch: c_.Chan2EnableSwitch->SetChecked(value != 0); break;
        case SettingsControl::Chan1GainTrackBar: track(c_.Chan1GainTrackBar, value); break;
        case SettingsControl::Chan2GainTrackBar: track(c_.Chan2GainTrackBar, value); break;
        case SettingsControl::DisplayHoldSw: c_.DisplayHoldSw->SetChecked(value != 0); break;
        case SettingsControl::TimeBaseDial: dial(PanelDial::TimeBase, value); break;
        case SettingsControl::MkrSwitch: c_.MkrSwitch->SetChecked(value != 0); break;
        case SettingsControl::FreqBaseDial: dial(PanelDial::FreqBase, value); break;
        case SettingsControl::Chan1GainFTrackBar: track(c_.Chan1GainFTrackBar, value); break;
        case SettingsControl::Chan2GainFTrackBar: track(c_.Chan2GainFTrackBar, value); break;
        case SettingsControl::FltrMkrsSw: c_.FltrMkrsSw->SetChecked(value != 0); break;
        case SettingsControl::Chan1GainDial: dial(PanelDial::Chan1Gain, value); break;
        case SettingsControl::Chan2GainDial: dial(PanelDial::Chan2Gain, value); break;
        }
    }

    void Chan1EnableSwitchClick() override { ::Chan1EnableSwitchClick(p_, c_.Chan1EnableSwitch->Checked()); }
    void Chan2EnableSwitchClick() override { ::Chan2EnableSwitchClick(p_, c_.Chan2EnableSwitch->Checked()); }
    void Chan1GainTrackBarChange() override { ::Chan1GainTrackBarChange(d_, c_.Chan1GainTrackBar->value()); }
    void Chan2GainTrackBarChange() override { ::Chan2GainTrackBarChange(d_, c_.Chan2GainTrackBar->value()); }
    void TimeBaseDialClick() override { ::TimeBaseDialClick(d_, f_.DialValue(PanelDial::TimeBase)); }
    void Mic1Click() override { f_.SelectInput(false); }
    void Line1Click() override { f_.SelectInput(true); }
    void White1Click() override { ::White1Click(d_); }
    void Black1Click() override { ::Black1Click(d_); }
    void Teal1Click() override { ::Teal1Click(d_); }
    void MkrSwitchClick() override { ::MkrSwitchClick(d_, p_, c_.MkrSwitch->Checked()); }
    void WindowsXPClick() override { f_.SelectWindowsOs(1); }
    void Windows2KClick() override { f_.SelectWindowsOs(2); }
    void GridOn1Click() override { ::GridOn1Click(d_); }
    void GridOff1Click() override { ::GridOff1Click(d_); }
    void FreqBaseDialClick() override { ::FreqBaseDialClick(d_, p_, f_.DialValue(PanelDial::FreqBase)); }
    void FreqBaseDialValueChange() override { ::FreqBaseDialValueChange(d_, p_, f_.DialValue(PanelDial::FreqBase)); }
    void CheckWaterfallColor(int palette) override { ::CheckWaterfallColor(d_, palette); }
    void Chan1GainFTrackBarChange() override { ::Chan1GainFTrackBarChange(d_, c_.Chan1GainFTrackBar->value()); }
    void Chan2GainFTrackBarChange() override { ::Chan2GainFTrackBarChange(d_, c_.Chan2GainFTrackBar->value()); }
    void RawSpectrum1Click() override { ::RawSpectrum1Click(d_, p_, f_); }
    void Spectrum1Click() override { ::Spectrum1Click(d_, p_, f_); }
    void Phase1Click() override { ::Phase1Click(d_, p_, f_); }
    void Waterfall1Click() override { ::Waterfall1Click(d_, p_, f_); }
    void FltrMkrsSwClick() override { ::FltrMkrsSwClick(d_, p_, f_, c_.FltrMkrsSw->Checked()); }
    void AM1Click() override { f_.SelectModulation(1); }
    void FM1Click() override { f_.SelectModulation(2); }
    void Chan1GainDialClick() override { ::Chan1GainDialClick(d_, p_, f_.DialValue(PanelDial::Chan1Gain)); }
    void Chan2GainDialClick() override { ::Chan2GainDialClick(d_, p_, f_.DialValue(PanelDial::Chan2Gain)); }

private:
    SettingsHome Home() const { return {d_.Settings, p_, f_.acq_, f_.options_}; }

    TEEGForm& f_;
    DisplayState& d_;
    ProcessingState& p_;
    TFrontPanel& c_;
};

void TEEGForm::LoadStoredSettings()
{
    settings_ = std::make_unique<SettingsAdapter>(*this);
    // Without a readable file the first-run panel goes through the same loader, so what the
    // window shows is exactly what a file holding it reloads to.
    if (settingsFile_.Load(*settings_) != SettingsLoadResult::Applied)
        ApplySettings(FirstRunSettings(), *settings_);
}

SettingsTarget& TEEGForm::Settings()
{
    return *settings_;
}

bool TEEGForm::SaveSettingsNow()
{
    return settingsFile_.Save(*settings_);
}
