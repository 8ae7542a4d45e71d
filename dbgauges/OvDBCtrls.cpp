#include "dbgauges/OvDBCtrls.h"

using Ov::TDataSource;

// ================================================================ TOvDBLinkHolder

TOvDBLinkHolder::TOvDBLinkHolder(QObject* control, TOvDBStart start)
    : FLink(std::make_unique<TOvFieldDataLink>())
{
    FLink->SetControl(control);
    FLink->SetReadOnly(start == TOvDBStart::ReadOnly);
    FLink->SetOnDataRead([this](QObject*) { DataRead(); });
    FLink->SetOnWriteRefused([this](const QString& reason) { WriteRefused(reason); });
    FLink->SetOnReadOnlyChange([this](bool readOnly) { ReadOnlyChanged(readOnly); });
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
    // Agreed unless the link reads back something else (a refusal, or the
    // field's own rounding), which the read then records.
    FAgreed = v;
    FAgreedValid = true;
    FLink->DbWriteSingle(v);
}

void TOvDBLinkHolder::WriteState(int statusInt, bool checked)
{
    if (!FLink || FReading)
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

// ================================================================ the wrappers

TOvDBHSlider::TOvDBHSlider(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::Writable) { }
TOvDBVSlider::TOvDBVSlider(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::Writable) { }
TOvDBDial::TOvDBDial(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::Writable) { }
TOvDBGearDial::TOvDBGearDial(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::Writable) { }
TOvDBValueInd::TOvDBValueInd(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBHMeter::TOvDBHMeter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBVMeter::TOvDBVMeter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBFlexHMeter::TOvDBFlexHMeter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBFlexVMeter::TOvDBFlexVMeter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDB270Meter::TOvDB270Meter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDB180Meter::TOvDB180Meter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDB120Meter::TOvDB120Meter(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBBar::TOvDBBar(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBVBar::TOvDBVBar(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBHBar::TOvDBHBar(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBThermometer::TOvDBThermometer(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBTank::TOvDBTank(QWidget* Owner) : TOvDBAnalog(Owner, TOvDBStart::ReadOnly) { }
TOvDBLED::TOvDBLED(QWidget* Owner) : TOvDBTwoState(Owner) { }
TOvDBColBitBtn::TOvDBColBitBtn(QWidget* Owner) : TOvDBTwoState(Owner) { }
TOvDBRockerSwitch::TOvDBRockerSwitch(QWidget* Owner) : TOvDBTwoState(Owner) { }
TOvDBToggleSwitch::TOvDBToggleSwitch(QWidget* Owner) : TOvDBTwoState(Owner) { }
