#include "dbgauges/OvDBCtrls.h"

// ================================================================ TOvDBLinkHolder

TOvDBLinkHolder::TOvDBLinkHolder(QObject* control, float value)
    : FLink(std::make_unique<TOvFieldDataLink>())
{
    FLink->SetControl(control);
    FLink->StoreSingle(value);
}

TOvDBLinkHolder::~TOvDBLinkHolder()
{
    QObject::disconnect(FSourceGone);
    FLink.reset();
}

void TOvDBLinkHolder::SetDataSource(TDataSource* v)
{
    if (v == FLink->DataSource())
        return;
    auto* control = dynamic_cast<TControl*>(FLink->Control());
    if (FLink->DataSourceFixed() && control && control->Loading())
        return;
    QObject::disconnect(FSourceGone);
    FLink->SetDataSource(v);
    if (v)
        FSourceGone = QObject::connect(v, &QObject::destroyed, [this](QObject* o) { Notification(o); });
}

void TOvDBLinkHolder::Notification(QObject* removed)
{
    if (removed && removed == static_cast<QObject*>(FLink->DataSource()))
        FLink->SetDataSource(nullptr);
    QObject::disconnect(FSourceGone);
}

void TOvDBLinkHolder::WriteSingle(float v)
{
    if (!FLink || FReading)
        return;
    if (FAgreedValid && v == FAgreed)
        return;
    if (FLink->DbWriteSingle(v)) {
        FAgreed = v;
        FAgreedValid = true;
    }
}

void TOvDBLinkHolder::WriteState(int statusInt, bool checked)
{
    if (!FLink || FReading || FLink->ReadOnly())
        return;
    if (FLink->Field())
        FLink->SetDTyp();
    switch (FLink->ValueKind()) {
    case TOvFieldDataLink::vkInteger:
    case TOvFieldDataLink::vkFloat:
        FLink->DbWriteInteger(statusInt);
        break;
    case TOvFieldDataLink::vkBoolean:
        FLink->DbWriteBoolean(checked);
        break;
    case TOvFieldDataLink::vkNone:
        break;
    }
}

TOvFieldDataLink* OvDBDataLinkOf(QObject* control)
{
    auto* holder = dynamic_cast<TOvDBLinkHolder*>(control);
    return holder ? holder->DataLink() : nullptr;
}

// ================================================================ TOvDBHSlider

TOvDBHSlider::TOvDBHSlider(QWidget* Owner)
    : TOvHSlider(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBHSlider::~TOvDBHSlider() = default;

void TOvDBHSlider::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBHSlider::ValueChange()
{
    TOvHSlider::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBVSlider

TOvDBVSlider::TOvDBVSlider(QWidget* Owner)
    : TOvVSlider(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBVSlider::~TOvDBVSlider() = default;

void TOvDBVSlider::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBVSlider::ValueChange()
{
    TOvVSlider::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBDial

TOvDBDial::TOvDBDial(QWidget* Owner)
    : TOvDial(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBDial::~TOvDBDial() = default;

void TOvDBDial::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBDial::ValueChange()
{
    TOvDial::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBGearDial

TOvDBGearDial::TOvDBGearDial(QWidget* Owner)
    : TOvGearDial(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBGearDial::~TOvDBGearDial() = default;

void TOvDBGearDial::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBGearDial::ValueChange()
{
    TOvGearDial::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBValueInd

TOvDBValueInd::TOvDBValueInd(QWidget* Owner)
    : TOvValueInd(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBValueInd::~TOvDBValueInd() = default;

void TOvDBValueInd::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBValueInd::ValueChange()
{
    TOvValueInd::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBHMeter

TOvDBHMeter::TOvDBHMeter(QWidget* Owner)
    : TOvHMeter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBHMeter::~TOvDBHMeter() = default;

void TOvDBHMeter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBHMeter::ValueChange()
{
    TOvHMeter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBVMeter

TOvDBVMeter::TOvDBVMeter(QWidget* Owner)
    : TOvVMeter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBVMeter::~TOvDBVMeter() = default;

void TOvDBVMeter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBVMeter::ValueChange()
{
    TOvVMeter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBFlexHMeter

TOvDBFlexHMeter::TOvDBFlexHMeter(QWidget* Owner)
    : TOvFlexHMeter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBFlexHMeter::~TOvDBFlexHMeter() = default;

void TOvDBFlexHMeter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBFlexHMeter::ValueChange()
{
    TOvFlexHMeter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBFlexVMeter

TOvDBFlexVMeter::TOvDBFlexVMeter(QWidget* Owner)
    : TOvFlexVMeter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBFlexVMeter::~TOvDBFlexVMeter() = default;

void TOvDBFlexVMeter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBFlexVMeter::ValueChange()
{
    TOvFlexVMeter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDB270Meter

TOvDB270Meter::TOvDB270Meter(QWidget* Owner)
    : TOv270Meter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDB270Meter::~TOvDB270Meter() = default;

void TOvDB270Meter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDB270Meter::ValueChange()
{
    TOv270Meter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDB180Meter

TOvDB180Meter::TOvDB180Meter(QWidget* Owner)
    : TOv180Meter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDB180Meter::~TOvDB180Meter() = default;

void TOvDB180Meter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDB180Meter::ValueChange()
{
    TOv180Meter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDB120Meter

TOvDB120Meter::TOvDB120Meter(QWidget* Owner)
    : TOv120Meter(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDB120Meter::~TOvDB120Meter() = default;

void TOvDB120Meter::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDB120Meter::ValueChange()
{
    TOv120Meter::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBBar

TOvDBBar::TOvDBBar(QWidget* Owner)
    : TOvBar(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBBar::~TOvDBBar() = default;

void TOvDBBar::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBBar::ValueChange()
{
    TOvBar::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBVBar

TOvDBVBar::TOvDBVBar(QWidget* Owner)
    : TOvVBar(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBVBar::~TOvDBVBar() = default;

void TOvDBVBar::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBVBar::ValueChange()
{
    TOvVBar::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBHBar

TOvDBHBar::TOvDBHBar(QWidget* Owner)
    : TOvHBar(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBHBar::~TOvDBHBar() = default;

void TOvDBHBar::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBHBar::ValueChange()
{
    TOvHBar::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBThermometer

TOvDBThermometer::TOvDBThermometer(QWidget* Owner)
    : TOvThermometer(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBThermometer::~TOvDBThermometer() = default;

void TOvDBThermometer::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBThermometer::ValueChange()
{
    TOvThermometer::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBTank

TOvDBTank::TOvDBTank(QWidget* Owner)
    : TOvTank(Owner)
    , TOvDBLinkHolder(this, Value())
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    SetDataReadOnly(true);
}

TOvDBTank::~TOvDBTank() = default;

void TOvDBTank::DataRead()
{
    ReadScope reading(*this);
    SetValue(FLink->AsSingle());
    reading.Shown(Value());
}

void TOvDBTank::ValueChange()
{
    TOvTank::ValueChange();
    WriteSingle(Value());
}

// ================================================================ TOvDBLED

TOvDBLED::TOvDBLED(QWidget* Owner)
    : TOvLED(Owner)
    , TOvDBLinkHolder(this, 0.0f)
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBLED::~TOvDBLED() = default;

void TOvDBLED::DataRead()
{
    ReadScope reading(*this);
    if (FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
        SetChecked(FLink->AsBoolean());
    else
        SetStatusInt(FLink->AsInteger());
}

void TOvDBLED::StatusIntChanged()
{
    TOvLED::StatusIntChanged();
    WriteState(StatusInt(), Checked());
}

// ================================================================ TOvDBColBitBtn

TOvDBColBitBtn::TOvDBColBitBtn(QWidget* Owner)
    : TOvColBitBtn(Owner)
    , TOvDBLinkHolder(this, 0.0f)
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBColBitBtn::~TOvDBColBitBtn() = default;

void TOvDBColBitBtn::DataRead()
{
    ReadScope reading(*this);
    if (FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
        SetChecked(FLink->AsBoolean());
    else
        SetStatusInt(FLink->AsInteger());
}

void TOvDBColBitBtn::StatusIntChanged()
{
    TOvColBitBtn::StatusIntChanged();
    WriteState(StatusInt(), Checked());
}

// ================================================================ TOvDBRockerSwitch

TOvDBRockerSwitch::TOvDBRockerSwitch(QWidget* Owner)
    : TOvRockerSwitch(Owner)
    , TOvDBLinkHolder(this, 0.0f)
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBRockerSwitch::~TOvDBRockerSwitch() = default;

void TOvDBRockerSwitch::DataRead()
{
    ReadScope reading(*this);
    if (FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
        SetChecked(FLink->AsBoolean());
    else
        SetStatusInt(FLink->AsInteger());
}

void TOvDBRockerSwitch::StatusIntChanged()
{
    TOvRockerSwitch::StatusIntChanged();
    WriteState(StatusInt(), Checked());
}

// ================================================================ TOvDBToggleSwitch

TOvDBToggleSwitch::TOvDBToggleSwitch(QWidget* Owner)
    : TOvToggleSwitch(Owner)
    , TOvDBLinkHolder(this, 0.0f)
{
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
}

TOvDBToggleSwitch::~TOvDBToggleSwitch() = default;

void TOvDBToggleSwitch::DataRead()
{
    ReadScope reading(*this);
    if (FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
        SetChecked(FLink->AsBoolean());
    else
        SetStatusInt(FLink->AsInteger());
}

void TOvDBToggleSwitch::StatusIntChanged()
{
    TOvToggleSwitch::StatusIntChanged();
    WriteState(StatusInt(), Checked());
}
