// Base controls of the gauge library: the update-counting non-windowed and
// windowed bases, the analog value model in a windowed (operable) and a
// non-windowed (display) variant, and the two-state base of switches and
// LEDs. They build on the platform controls (platform/controls) and the
// settings objects (GSettings.h).
//
// Life cycle: construct (csLoading, update count held by each analog level)
// -> set properties -> Loaded() (hooks the settings objects' OnChange, ends
// the update, first repaint) -> live. The flash timer's message reaches
// FlashMessage.
#pragma once

#include "gauges/GSettings.h"
#include "gauges/GaugesExport.h"
#include "platform/controls/Controls.h"

#include <QPointer>
#include <QSize>

#include <cstdint>

// The flash timer's message (user message base + 100): Counter is the tick
// counter, Param the phase (0/1) or, for period entries, the lateness in ms.
class VELQUOR_GAUGES_EXPORT TOvFlashEvent : public TControlMessage {
public:
    static constexpr int MessageNumber = 1124;
    static QEvent::Type EventType() { return TControlMessage::EventType(); }
    TOvFlashEvent(std::uint32_t counter, std::int64_t param)
        : TControlMessage(MessageNumber, counter, param), Counter(counter), Param(param) { }
    ~TOvFlashEvent() override;
    std::uint32_t Counter;
    std::int64_t Param;
};

// ---------------------------------------------------------------------------
// Library base controls
// ---------------------------------------------------------------------------

// The update counting both library bases add to their platform control:
// a control under BeginUpdate does not paint, and EndUpdate back to 0 ends
// the update (UpdateEnded). Each constructor level that needs it calls
// BeginUpdate and the matching Loaded calls EndUpdate. Also the flash
// timer's message and the library's information object.
template <class Control>
class TOvUpdating : public Control {
public:
    using Control::Control;
    void BeginUpdate() { ++FUpdateCount; }
    // Never below 0; reaching 0 calls UpdateEnded.
    void EndUpdate()
    {
        if (FUpdateCount <= 0)
            return;
        if (--FUpdateCount == 0)
            UpdateEnded();
    }
    int UpdateCount() const { return FUpdateCount; }
    TOvInfo& OvInfo() { return FOvInfo; }

protected:
    virtual void UpdateEnded() = 0;
    // The flash timer's message.
    virtual void FlashMessage(const TOvFlashEvent& Msg) { (void)Msg; }
    void MessageReceived(const TControlMessage& Msg) override
    {
        if (Msg.Msg == TOvFlashEvent::MessageNumber)
            FlashMessage(TOvFlashEvent(Msg.WParam, Msg.LParam));
    }
    bool CanPaint() const override { return FUpdateCount == 0; }

private:
    int FUpdateCount = 0;
    TOvInfo FOvInfo;
};

// Non-windowed base with update counting; its own constructor and Loaded
// neither begin nor end an update.
class VELQUOR_GAUGES_EXPORT TOvGraphicControl : public TOvUpdating<TGraphicControl> {
    Q_OBJECT
public:
    explicit TOvGraphicControl(QWidget* Owner = nullptr);
    // SettingsChanged when UpdateCount is 0.
    virtual void Change();
    // A setting changed: recompute and repaint (empty in the base).
    virtual void SettingsChanged(QObject* Sender) { (void)Sender; }

signals:
    // A published setting changed (beside OnSettingsChange where a control has it).
    void settingsChanged();

protected:
    // Change, then the paint held back during the update.
    void UpdateEnded() override;
};

// Windowed base with update counting (same constructor/Loaded contract).
class VELQUOR_GAUGES_EXPORT TOvCustomControl : public TOvUpdating<TCustomControl> {
    Q_OBJECT
public:
    explicit TOvCustomControl(QWidget* Owner = nullptr);
    // ParamChange when UpdateCount is 0.
    virtual void Change();
    // A setting changed: recompute derived values and repaint. The OnChange
    // handler of owned settings objects.
    virtual void ParamChange(QObject* Sender);

signals:
    // A published setting changed.
    void settingsChanged();

protected:
    // Invalidates the control.
    void UpdateEnded() override { Invalidate(); }
};

// What both analog value models hold: the value, its digit and their texts,
// and the signal settings (range, format, unit, names) with their fields as
// the control's own accessors, which its Qt properties name. The models
// themselves (setters, events) are the controls'.
class VELQUOR_GAUGES_EXPORT TOvAnalogValue {
public:
    float Value() const { return FValue; }
    int Digit() const { return FDigit; }
    const QString& ValueText() const { return FValueText; }
    const QString& DigitText() const { return FDigitText; }

    TSignalSettings& SignalSettings() { return FSignalSettings; }
    const TSignalSettings& SignalSettings() const { return FSignalSettings; }
    void SetSignalSettings(const TSignalSettings& v) { FSignalSettings.Assign(v); }

    // The signal settings' range ends, format, unit and names as properties.
    float ValueFrom() const { return SignalSettings().ValueFrom(); }
    void SetValueFrom(float v) { SignalSettings().SetValueFrom(v); }
    float ValueTo() const { return SignalSettings().ValueTo(); }
    void SetValueTo(float v) { SignalSettings().SetValueTo(v); }
    int DigitalFrom() const { return SignalSettings().DigitalFrom(); }
    void SetDigitalFrom(int v) { SignalSettings().SetDigitalFrom(v); }
    int DigitalTo() const { return SignalSettings().DigitalTo(); }
    void SetDigitalTo(int v) { SignalSettings().SetDigitalTo(v); }
    QString ValueFormat() const { return SignalSettings().ValueFormat(); }
    void SetValueFormat(const QString& v) { SignalSettings().SetValueFormat(v); }
    QString ValueUnit() const { return SignalSettings().ValueUnit(); }
    void SetValueUnit(const QString& v) { SignalSettings().SetValueUnit(v); }
    QString Name1() const { return SignalSettings().Name1(); }
    void SetName1(const QString& v) { SignalSettings().SetName1(v); }
    QString Name2() const { return SignalSettings().Name2(); }
    void SetName2(const QString& v) { SignalSettings().SetName2(v); }
    // text followed by the unit, when there is one ("35.0" -> "35.0 l/min").
    QString WithUnit(const QString& text) const
    {
        const QString unit = ValueUnit();
        return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
    }

protected:
    TOvAnalogValue(float value, int digit) : FDigit(digit), FValue(value), FAnnouncedValue(value) { }
    // Whether the value differs from the one last announced (valueChanged
    // tells only a new value); it counts as announced from now on.
    bool AnnounceValue()
    {
        if (FValue == FAnnouncedValue)
            return false;
        FAnnouncedValue = FValue;
        return true;
    }
    ~TOvAnalogValue() = default;
    TOvAnalogValue(const TOvAnalogValue&) = delete;
    TOvAnalogValue& operator=(const TOvAnalogValue&) = delete;

    TSignalSettings FSignalSettings;
    int FDigit;
    float FValue;
    QString FValueText, FDigitText;

private:
    float FAnnouncedValue;
};

// Non-windowed analog display base: value, limits, sectors, min/max, hint.
// Its constructor calls BeginUpdate; its Loaded hooks the settings objects
// and calls EndUpdate.
class VELQUOR_GAUGES_EXPORT TOvAnalogGControl : public TOvGraphicControl, public TOvAnalogValue {
    Q_OBJECT
    Q_PROPERTY(float Value READ Value WRITE SetValue NOTIFY valueChanged)
    Q_PROPERTY(int Digit READ Digit WRITE SetDigit NOTIFY valueChanged STORED false)
    Q_PROPERTY(float LimitUpper READ LimitUpper WRITE SetLimitUpper NOTIFY settingsChanged)
    Q_PROPERTY(float LimitLower READ LimitLower WRITE SetLimitLower NOTIFY settingsChanged)
    Q_PROPERTY(float ValueFrom READ ValueFrom WRITE SetValueFrom NOTIFY settingsChanged)
    Q_PROPERTY(float ValueTo READ ValueTo WRITE SetValueTo NOTIFY settingsChanged)
    Q_PROPERTY(int DigitalFrom READ DigitalFrom WRITE SetDigitalFrom NOTIFY settingsChanged)
    Q_PROPERTY(int DigitalTo READ DigitalTo WRITE SetDigitalTo NOTIFY settingsChanged)
    Q_PROPERTY(QString ValueFormat READ ValueFormat WRITE SetValueFormat NOTIFY settingsChanged)
    Q_PROPERTY(QString ValueUnit READ ValueUnit WRITE SetValueUnit NOTIFY settingsChanged)
    Q_PROPERTY(QString Name1 READ Name1 WRITE SetName1 NOTIFY settingsChanged)
    Q_PROPERTY(QString Name2 READ Name2 WRITE SetName2 NOTIFY settingsChanged)

public:
    explicit TOvAnalogGControl(QWidget* Owner = nullptr);
    void Loaded() override;

    void SetDigit(int d);
    float LimitUpper() const { return FLimitUpper; }
    void SetLimitUpper(float v);
    float LimitLower() const { return FLimitLower; }
    void SetLimitLower(float v); // 0 is stored as 0.0001
    THintOptions HintOptions() const { return FHintOptions; }
    void SetHintOptions(THintOptions v);
    TSectorSettings& SectorSettings() { return FSectorSettings; }
    void SetSectorSettings(const TSectorSettings& v) { FSectorSettings.Assign(v); }
    TMinMax& MinMax() { return FMinMax; }
    void SetMinMax(const TMinMax& v) { FMinMax.Assign(v); }
    void SetValue(float v); // not clamped: overflow and underflow instead

    const TNotifyEvent& OnMinMaxChange() const { return FOnMinMaxChange; }
    void SetOnMinMaxChange(TNotifyEvent e) { FOnMinMaxChange = std::move(e); }
    const TOverflowEvent& OnOverflow() const { return FOnOverflow; }
    void SetOnOverflow(TOverflowEvent e) { FOnOverflow = std::move(e); }
    const TSectorChangeEvent& OnSectorChange() const { return FOnSectorChange; }
    void SetOnSectorChange(TSectorChangeEvent e) { FOnSectorChange = std::move(e); }
    const TNotifyEvent& OnSettingsChange() const { return FOnSettingsChange; }
    void SetOnSettingsChange(TNotifyEvent e) { FOnSettingsChange = std::move(e); }
    const TNotifyEvent& OnValueChange() const { return FOnValueChange; }
    void SetOnValueChange(TNotifyEvent e) { FOnValueChange = std::move(e); }
    const TLimitEvent& OnLimit() const { return FOnLimit; }
    void SetOnLimit(TLimitEvent e) { FOnLimit = std::move(e); }

    // Read-only state for descendants and tests.
    int PPT() const { return FPPT; }
    bool Overflow() const { return FOverflow; }
    bool Underflow() const { return FUnderflow; }
    bool UpperExceeded() const { return FUpperExceeded; }
    bool LowerExceeded() const { return FLowerExceeded; }
    bool SectorActive(int k) const { return k >= 1 && k <= 3 && FSectorActive[k - 1]; }
    TColor SectorColor() const { return FSectorColor; }
    int LimitUpperDigits() const { return FLimitUpperDigits; }
    int LimitLowerDigits() const { return FLimitLowerDigits; }
    int MinPos() const { return FMinPos; }
    int MaxPos() const { return FMaxPos; }
    bool LogScale() const { return FLogScale; }
    void SetLogScale(bool v);
    double LogFactor() const { return FLogFactor; }
    TColor LimitUpperColor() const { return clRed; }
    TColor LimitLowerColor() const { return clYellow; }

    void SettingsChanged(QObject* Sender) override;
    // Value update: PPT, sectors, limits, overflow, min/max, hint, events.
    virtual void ValueChange();

signals:
    // Value (and Digit) changed: beside OnValueChange, with the new value.
    void valueChanged(float value);

protected:
    virtual void LimitChanged() { }    // limit state changed
    virtual void OverflowChanged() { } // overflow state changed
    virtual void MinMaxChanged() { }   // a recorded extreme changed
    virtual void Moved() { }           // the control moved since the last update
    void Dispatch();                   // SettingsChanged in design mode, else ValueChange
    void DigitFromValue();
    void RebuildHint();

private:
    float FLimitUpper = 90.0f;
    float FLimitLower = 10.0f;
    THintOptions FHintOptions { hoAutoHint, hoValue, hoName1, hoName2, hoMin, hoMax, hoMinMaxDate, hoMinMaxTime };
    TSectorSettings FSectorSettings;
    TMinMax FMinMax;
    TNotifyEvent FOnMinMaxChange, FOnSettingsChange, FOnValueChange;
    TOverflowEvent FOnOverflow;
    TSectorChangeEvent FOnSectorChange;
    TLimitEvent FOnLimit;

    int FLimitUpperDigits = 900;
    int FLimitLowerDigits = 100;
    int FPPT = 0;
    bool FSectorActive[3] = { false, false, false };
    TColor FSectorColor = clYellow;
    bool FOverflow = false, FUnderflow = false;
    bool FUpperExceeded = true, FLowerExceeded = true;
    int FMinPos = 0, FMaxPos = 0;
    bool FLogScale = false;
    double FLogFactor = 0.0;
    QPoint FLastPos { -32768, -32768 };
};

// Windowed operable analog base: value, keys, mouse, wheel, focus colours.
// Its constructor calls BeginUpdate; its Loaded calls EndUpdate.
class VELQUOR_GAUGES_EXPORT TOvAnalogCControl : public TOvCustomControl, public TOvAnalogValue {
    Q_OBJECT
    Q_PROPERTY(float Value READ Value WRITE SetValue NOTIFY valueChanged)
    Q_PROPERTY(int Digit READ Digit WRITE SetDigit NOTIFY valueChanged STORED false)
    Q_PROPERTY(int ChangeLarge READ ChangeLarge WRITE SetChangeLarge)
    Q_PROPERTY(int ChangeSmall READ ChangeSmall WRITE SetChangeSmall)
    Q_PROPERTY(TColor ColorFocus READ ColorFocus WRITE SetColorFocus NOTIFY settingsChanged)
    Q_PROPERTY(TColor ColorNonFocus READ ColorNonFocus WRITE SetColorNonFocus NOTIFY settingsChanged)
    Q_PROPERTY(bool EnableKeyboard READ EnableKeyboard WRITE SetEnableKeyboard)
    Q_PROPERTY(float ValueFrom READ ValueFrom WRITE SetValueFrom NOTIFY settingsChanged)
    Q_PROPERTY(float ValueTo READ ValueTo WRITE SetValueTo NOTIFY settingsChanged)
    Q_PROPERTY(int DigitalFrom READ DigitalFrom WRITE SetDigitalFrom NOTIFY settingsChanged)
    Q_PROPERTY(int DigitalTo READ DigitalTo WRITE SetDigitalTo NOTIFY settingsChanged)
    Q_PROPERTY(QString ValueFormat READ ValueFormat WRITE SetValueFormat NOTIFY settingsChanged)
    Q_PROPERTY(QString ValueUnit READ ValueUnit WRITE SetValueUnit NOTIFY settingsChanged)
    Q_PROPERTY(QString Name1 READ Name1 WRITE SetName1 NOTIFY settingsChanged)
    Q_PROPERTY(QString Name2 READ Name2 WRITE SetName2 NOTIFY settingsChanged)

public:
    explicit TOvAnalogCControl(QWidget* Owner = nullptr);
    ~TOvAnalogCControl() override;
    void Loaded() override;

    void SetDigit(int d);
    void SetValue(float v);
    int ChangeLarge() const { return FChangeLarge; }
    void SetChangeLarge(int v) { FChangeLarge = v; }
    int ChangeSmall() const { return FChangeSmall; }
    void SetChangeSmall(int v) { FChangeSmall = v; }
    const TNotifyEvent& OnValueChange() const { return FOnValueChange; }
    void SetOnValueChange(TNotifyEvent e) { FOnValueChange = std::move(e); }
    const TNotifyEvent& OnValueChanged() const { return FOnValueChanged; }
    void SetOnValueChanged(TNotifyEvent e) { FOnValueChanged = std::move(e); }
    TColor ColorFocus() const { return FColorFocus; }
    void SetColorFocus(TColor v);
    TColor ColorNonFocus() const { return FColorNonFocus; }
    void SetColorNonFocus(TColor v);
    TCursor CursorSlide() const { return FCursorSlide; }
    void SetCursorSlide(TCursor v) { FCursorSlide = v; }
    bool EnableKeyboard() const { return FEnableKeyboard; }
    void SetEnableKeyboard(bool v) { FEnableKeyboard = v; }
    TEnabledKeys EnabledKeys() const { return FEnabledKeys; }
    void SetEnabledKeys(TEnabledKeys v) { FEnabledKeys = v; }
    TOvAnalogGControl* ValueIndicator() const { return FValueIndicator.data(); }
    void SetValueIndicator(TOvAnalogGControl* v);

    bool Dragging() const { return FDragging; }
    bool InHitArea() const { return FInHitArea; }
    TRect HitRect() const { return FHitRect; }
    bool RoundHitArea() const { return FRoundHitArea; }
    bool UserChanged() const { return FUserChanged; }

    void ParamChange(QObject* Sender) override;
    // After every accepted Digit change and on focus changes: texts and the
    // ValueIndicator; descendants redraw.
    virtual void ValueChange();

signals:
    // Value (and Digit) changed: beside OnValueChange, with the new value.
    void valueChanged(float value);

protected:
    // Drag position while Dragging; the base only remembers the point.
    virtual void SlideTo(TShiftState Shift, int X, int Y);
    void SetHitRect(const TRect& r) { FHitRect = r; }
    void SetRoundHitArea(bool v) { FRoundHitArea = v; }
    bool HitTest(int X, int Y) const;
    QPoint LastMousePoint() const { return FLastPoint; }
    TCursor SavedCursor() const { return FSavedCursor; }
    int DigitOfValue() const; // round((Value - ValueFrom) * DigitsPerValue + DigitalFrom)
    void StepDigit(int inc, int dec);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyUp(int& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, QPoint MousePos) override;
    bool WantsKey(int Key) const override; // the enabled navigation keys
    bool event(QEvent* e) override;

private:
    void FireValueChanged();

    int FChangeLarge = 10;
    int FChangeSmall = 1;
    TNotifyEvent FOnValueChange, FOnValueChanged;
    TColor FColorFocus = clLime;
    TColor FColorNonFocus = clGreen;
    TCursor FCursorSlide = crOvHand;
    bool FEnableKeyboard = true;
    TEnabledKeys FEnabledKeys { vkPrior, vkNext, vkEnd, vkHome, vkLeft, vkDown, vkUp, vkRight };
    QPointer<TOvAnalogGControl> FValueIndicator;

    bool FDragging = false;
    bool FInHitArea = false;
    TRect FHitRect {};
    bool FRoundHitArea = false;
    TCursor FSavedCursor = crDefault;
    bool FUserChanged = false;
    QPoint FLastPoint;
};

// Two-state base of switches and LEDs (a non-windowed control).
class VELQUOR_GAUGES_EXPORT TOvBinGControl : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked NOTIFY checkedChanged)
    Q_PROPERTY(int StatusInt READ StatusInt WRITE SetStatusInt NOTIFY statusIntChanged)
    Q_PROPERTY(int StatusBit READ StatusBit WRITE SetStatusBit NOTIFY settingsChanged)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex NOTIFY settingsChanged)
    Q_PROPERTY(Ov::TMode Mode READ Mode WRITE SetMode NOTIFY settingsChanged)
    Q_PROPERTY(bool Flashing READ Flashing WRITE SetFlashing NOTIFY settingsChanged)
    Q_PROPERTY(Ov::TFlashFreq Frequency READ Frequency WRITE SetFrequency NOTIFY settingsChanged)
public:
    explicit TOvBinGControl(QWidget* Owner = nullptr);
    ~TOvBinGControl() override;

    bool Checked() const { return FChecked; }
    void SetChecked(bool c);
    bool Flashing() const { return FFlashing; }
    void SetFlashing(bool f);
    TFlashFreq Frequency() const { return FFrequency; }
    void SetFrequency(TFlashFreq f);
    int StatusInt() const { return FStatusInt; }
    void SetStatusInt(int s);
    int StatusBit() const { return FStatusBit; }
    void SetStatusBit(int b);  // 0..31
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int g); // >= 0
    TMode Mode() const { return FMode; }
    void SetMode(TMode m);
    const TNotifyEvent& OnStatusChanged() const { return FOnStatusChanged; }
    void SetOnStatusChanged(TNotifyEvent e) { FOnStatusChanged = std::move(e); }
    const TNotifyEvent& OnStatusIntChanged() const { return FOnStatusIntChanged; }
    void SetOnStatusIntChanged(TNotifyEvent e) { FOnStatusIntChanged = std::move(e); }

    bool Pressed() const { return FPressed; }
    int LowestBit() const { return FLowestBit; } // 32 when none is set
    // Flash registry code of a frequency: ff8Hz 2 ... ff05Hz 6.
    static int FlashCode(TFlashFreq f) { return 2 + static_cast<int>(f); }
    // True while this control has an entry in the flash registry.
    bool FlashRegistered() const { return FFlashRegistered; }

    // A setting changed (or the text): repaint.
    virtual void ParamChange(QObject* Sender);
    TOvInfo& OvInfo() { return FOvInfo; }

    // Keyboard operation. A control with TabStop takes the focus by Tab and
    // click; Space then acts as a left click: the press on key down, the
    // Click and the release on key up. Indicators never take the focus.
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    // What a click does, from code or an assistive tool: press, Click, release.
    void Toggle();

signals:
    // Beside OnStatusChanged and OnStatusIntChanged.
    void checkedChanged(bool checked);
    void statusIntChanged(int statusInt);
    // A published setting changed.
    void settingsChanged();

protected:
    virtual void StatusChanged() { }
    virtual void GroupIndexChanged() { }
    virtual void StatusIntChanged() { }
    virtual void Flash(bool On) { (void)On; }

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyUp(int& Key, TShiftState Shift) override;
    bool WantsKey(int Key) const override;
    void DoExit() override;
    void keyPressEvent(QKeyEvent* e) override;
    void TextChanged() override { ParamChange(this); }
    void MessageReceived(const TControlMessage& Msg) override;

private:
    void UpdateFlashing();
    void LeaveFlash();
    // The state change of a left press and of its release (mouse or Space).
    void PressAction();
    void ReleaseAction();
    bool FTabStop = false;
    bool FKeyPressed = false;

    bool FChecked = false;
    bool FFlashing = false;
    TFlashFreq FFrequency = ff1Hz;
    int FStatusInt = 0;
    int FStatusBit = 0;
    int FGroupIndex = 0;
    TMode FMode = mIndicator;
    TNotifyEvent FOnStatusChanged, FOnStatusIntChanged;
    bool FPressed = false;
    int FLowestBit = 32;
    bool FFlashRegistered = false;
    TOvInfo FOvInfo;
};

