// The data-aware gauges: each wrapper is a gauge of the library with a
// TOvFieldDataLink added. DataField names the field, DataSource the source of
// the dataset, DataReadOnly is the link's read-only flag.
//
// - Analog wrappers show the field's value as their Value and write the
//   user's changes back (after the base class's ValueChange). A value read
//   from the database is never written back, even where the control
//   quantizes it.
// - Two-state wrappers take StatusInt from an integer or float field and
//   Checked from a boolean field, and write their state back.
// - Display wrappers start read-only, so a program setting their Value does
//   not write to the database until DataReadOnly is cleared.
// - A write the database refuses (index field, read-only dataset, database
//   error) leaves the control showing the value that is stored; a database
//   error also makes the link read-only, without a message.
#pragma once

#include "dbgauges/DbGaugesExport.h"
#include "dbgauges/OvDB.h"
#include "gauges/OvArcMeters.h"
#include "gauges/OvBars.h"
#include "gauges/OvColBitBtn.h"
#include "gauges/OvDial.h"
#include "gauges/OvGearDial.h"
#include "gauges/OvLED.h"
#include "gauges/OvMeters.h"
#include "gauges/OvSlider.h"
#include "gauges/OvSwitch.h"
#include "gauges/OvTank.h"
#include "gauges/OvThermometer.h"
#include "gauges/OvValueInd.h"

#include <QMetaObject>
#include <QString>

#include <functional>
#include <memory>

// What every wrapper adds to its gauge: the link and its published
// properties. The wrapper's own data-read and write-back hooks use it.
class DBGAUGES_EXPORT TOvDBLinkHolder {
public:
    TOvDBLinkHolder(const TOvDBLinkHolder&) = delete;
    TOvDBLinkHolder& operator=(const TOvDBLinkHolder&) = delete;

    QString DataField() const { return FLink->FieldName(); }
    void SetDataField(const QString& v) { FLink->SetFieldName(v); }
    TDataSource* DataSource() const { return FLink->DataSource(); }
    // Assigns the source (unless the link's source is fixed while the form
    // is loading) and asks to be told when it goes away.
    void SetDataSource(TDataSource* v);
    bool DataReadOnly() const { return FLink->ReadOnly(); }
    void SetDataReadOnly(bool v) { FLink->SetReadOnly(v); }
    // The answer to the data-link query.
    TOvFieldDataLink* DataLink() const { return FLink.get(); }

protected:
    // The link serves control, starts at value and reports reads to onRead.
    TOvDBLinkHolder(QObject* control, float value, std::function<void()> onRead);
    // Frees the link before the gauge's own destructor runs.
    ~TOvDBLinkHolder();
    // Removal notification: a component of the form went away.
    void Notification(QObject* removed);
    // True while the wrapper applies a value it read.
    bool Reading() const { return FReading; }
    class ReadScope {
    public:
        explicit ReadScope(TOvDBLinkHolder& h) : FHolder(h) { FHolder.FReading = true; }
        ~ReadScope() { FHolder.FReading = false; }
        // The value the control shows after the read (quantized or not).
        void Shown(float v) { FHolder.FAgreed = v; FHolder.FAgreedValid = true; }
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;

    private:
        TOvDBLinkHolder& FHolder;
    };
    // Write-back of the analog wrappers: only a value that differs from the
    // one the control showed when it last agreed with the database (a
    // repaint or a focus change re-announces the same value).
    void WriteSingle(float v);
    // Write-back of the two-state wrappers.
    void WriteState(int statusInt, bool checked);
    std::unique_ptr<TOvFieldDataLink> FLink;

private:
    QMetaObject::Connection FSourceGone;
    bool FReading = false;
    float FAgreed = 0.0f;
    bool FAgreedValid = false;
};

// The link of a wrapper (null for other widgets): the data-link query.
DBGAUGES_EXPORT TOvFieldDataLink* OvDBDataLinkOf(QObject* control);

// Whether a wrapper starts writable or, as the display wrappers do, read-only.
enum class TOvDBStart { Writable, ReadOnly };

// An analog wrapper over gauge class G: the field's value becomes Value, and
// a changed Value is written back (after G's own ValueChange).
template <class G>
class TOvDBAnalog : public G, public TOvDBLinkHolder {
public:
    // The link read a new value.
    void DataRead()
    {
        ReadScope reading(*this);
        this->SetValue(FLink->AsSingle());
        reading.Shown(this->Value());
    }
    void ValueChange() override
    {
        G::ValueChange();
        WriteSingle(this->Value());
    }

protected:
    TOvDBAnalog(QWidget* Owner, TOvDBStart start)
        : G(Owner)
        , TOvDBLinkHolder(this, this->Value(), [this] { DataRead(); })
    {
        if (start == TOvDBStart::ReadOnly)
            SetDataReadOnly(true);
    }
};

// A two-state wrapper over gauge class G: StatusInt from an integer or float
// field, Checked from a boolean field, and the state written back.
template <class G>
class TOvDBTwoState : public G, public TOvDBLinkHolder {
public:
    // The link read a new value.
    void DataRead()
    {
        ReadScope reading(*this);
        if (FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
            this->SetChecked(FLink->AsBoolean());
        else
            this->SetStatusInt(FLink->AsInteger());
    }

protected:
    explicit TOvDBTwoState(QWidget* Owner)
        : G(Owner)
        , TOvDBLinkHolder(this, 0.0f, [this] { DataRead(); })
    {
    }
    void StatusIntChanged() override
    {
        G::StatusIntChanged();
        WriteState(this->StatusInt(), this->Checked());
    }
};

// Each wrapper publishes DataField, DataSource and DataReadOnly after its
// gauge's properties.

// Windowed analog wrappers.
class DBGAUGES_EXPORT TOvDBHSlider : public TOvDBAnalog<TOvHSlider> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBHSlider(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBVSlider : public TOvDBAnalog<TOvVSlider> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBVSlider(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBDial : public TOvDBAnalog<TOvDial> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBDial(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBGearDial : public TOvDBAnalog<TOvGearDial> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBGearDial(QWidget* Owner = nullptr);
};

// Display analog wrappers (DataReadOnly at construction).
class DBGAUGES_EXPORT TOvDBValueInd : public TOvDBAnalog<TOvValueInd> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBValueInd(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBHMeter : public TOvDBAnalog<TOvHMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBHMeter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBVMeter : public TOvDBAnalog<TOvVMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBVMeter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBFlexHMeter : public TOvDBAnalog<TOvFlexHMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBFlexHMeter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBFlexVMeter : public TOvDBAnalog<TOvFlexVMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBFlexVMeter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDB270Meter : public TOvDBAnalog<TOv270Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDB270Meter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDB180Meter : public TOvDBAnalog<TOv180Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDB180Meter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDB120Meter : public TOvDBAnalog<TOv120Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDB120Meter(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBBar : public TOvDBAnalog<TOvBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBBar(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBVBar : public TOvDBAnalog<TOvVBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBVBar(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBHBar : public TOvDBAnalog<TOvHBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBHBar(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBThermometer : public TOvDBAnalog<TOvThermometer> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBThermometer(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBTank : public TOvDBAnalog<TOvTank> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBTank(QWidget* Owner = nullptr);
};

// Two-state wrappers.
class DBGAUGES_EXPORT TOvDBLED : public TOvDBTwoState<TOvLED> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBLED(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBColBitBtn : public TOvDBTwoState<TOvColBitBtn> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBColBitBtn(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBRockerSwitch : public TOvDBTwoState<TOvRockerSwitch> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBRockerSwitch(QWidget* Owner = nullptr);
};

class DBGAUGES_EXPORT TOvDBToggleSwitch : public TOvDBTwoState<TOvToggleSwitch> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly)

public:
    explicit TOvDBToggleSwitch(QWidget* Owner = nullptr);
};
