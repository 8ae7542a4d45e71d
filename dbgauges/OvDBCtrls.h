// The data-aware gauges: each wrapper is a gauge of the library with a
// TOvFieldDataLink added. DataField names the field, DataSource the source of
// the dataset, DataReadOnly is the link's read-only flag.
//
// - Analog wrappers show the field's value as their Value and write the
//   user's changes back (after the base class's ValueChange). A value read
//   from the database is never written back, even where the control
//   quantizes it; after a write they show what the field stored.
// - Two-state wrappers take StatusInt from an integer or float field and
//   Checked from a boolean field, and write their state back.
// - Display wrappers start read-only, so a program setting their Value does
//   not write to the database until DataReadOnly is cleared.
// - A write that is refused (read-only dataset or wrapper, key field, no
//   record, a database error such as a constraint or a lock, another
//   writer's change or deletion of the record) leaves the control showing
//   the value that is stored, and the wrapper signals writeRefused with the
//   reason; a database error also makes the wrapper read-only
//   (dataReadOnlyChanged).
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

#include <algorithm>
#include <climits>
#include <memory>

// Whether a wrapper starts writable or, as the display wrappers do, read-only.
enum class TOvDBStart { Writable, ReadOnly };

// What every wrapper adds to its gauge: the link and its published
// properties. The wrapper's own data-read and write-back hooks use it.
class DBGAUGES_EXPORT TOvDBLinkHolder {
public:
    TOvDBLinkHolder(const TOvDBLinkHolder&) = delete;
    TOvDBLinkHolder& operator=(const TOvDBLinkHolder&) = delete;

    QString DataField() const { return FLink->FieldName(); }
    void SetDataField(const QString& v) { FLink->SetFieldName(v); }
    Ov::TDataSource* DataSource() const { return FLink->DataSource(); }
    // Assigns the source (unless the link's source is fixed while the form
    // is loading) and asks to be told when it goes away.
    void SetDataSource(Ov::TDataSource* v);
    bool DataReadOnly() const { return FLink->ReadOnly(); }
    void SetDataReadOnly(bool v) { FLink->SetReadOnly(v); }
    // The answer to the data-link query.
    TOvFieldDataLink* DataLink() const { return FLink.get(); }

protected:
    // The link serves control; start says whether it starts read-only.
    TOvDBLinkHolder(QObject* control, TOvDBStart start);
    // Frees the link before the gauge's own destructor runs.
    virtual ~TOvDBLinkHolder();
    // The link read a value the control must show.
    virtual void DataRead() = 0;
    // A write was refused (the control shows the stored value again).
    virtual void WriteRefused(const QString& reason) = 0;
    virtual void ReadOnlyChanged(bool readOnly) = 0;
    // Removal notification: a component of the form went away.
    void Notification(QObject* removed);
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

// The wrapper Self over gauge class G: the link's reports become Self's
// signals writeRefused and dataReadOnlyChanged.
template <class G, class Self>
class TOvDBWrapper : public G, public TOvDBLinkHolder {
protected:
    TOvDBWrapper(QWidget* Owner, TOvDBStart start)
        : G(Owner)
        , TOvDBLinkHolder(this, start)
    {
    }
    void WriteRefused(const QString& reason) override { emit static_cast<Self*>(this)->writeRefused(reason); }
    void ReadOnlyChanged(bool readOnly) override { emit static_cast<Self*>(this)->dataReadOnlyChanged(readOnly); }
};

// An analog wrapper: the field's value becomes Value, and a changed Value is
// written back (after G's own ValueChange).
template <class G, class Self>
class TOvDBAnalog : public TOvDBWrapper<G, Self> {
public:
    void ValueChange() override
    {
        G::ValueChange();
        this->WriteSingle(this->Value());
    }

protected:
    TOvDBAnalog(QWidget* Owner, TOvDBStart start)
        : TOvDBWrapper<G, Self>(Owner, start)
    {
        this->FLink->StoreSingle(this->Value());
    }
    void DataRead() override
    {
        typename TOvDBLinkHolder::ReadScope reading(*this);
        this->SetValue(this->FLink->AsSingle());
        reading.Shown(this->Value());
    }
};

// A two-state wrapper: StatusInt from an integer or float field (held to
// 32 bits), Checked from a boolean field, and the state written back.
template <class G, class Self>
class TOvDBTwoState : public TOvDBWrapper<G, Self> {
protected:
    explicit TOvDBTwoState(QWidget* Owner)
        : TOvDBWrapper<G, Self>(Owner, TOvDBStart::Writable)
    {
    }
    void DataRead() override
    {
        typename TOvDBLinkHolder::ReadScope reading(*this);
        if (this->FLink->ValueKind() == TOvFieldDataLink::vkBoolean)
            this->SetChecked(this->FLink->AsBoolean());
        else
            this->SetStatusInt(StatusOf(this->FLink->AsInteger()));
    }
    void StatusIntChanged() override
    {
        G::StatusIntChanged();
        this->WriteState(this->StatusInt(), this->Checked());
    }
    static int StatusOf(qint64 v) { return int(std::clamp<qint64>(v, INT_MIN, INT_MAX)); }
};

// Each wrapper publishes DataField, DataSource and DataReadOnly after its
// gauge's properties. writeRefused tells that a write did not reach the
// database and why; the wrapper then shows what is stored.

// Windowed analog wrappers.
class DBGAUGES_EXPORT TOvDBHSlider : public TOvDBAnalog<TOvHSlider, TOvDBHSlider> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBHSlider(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBVSlider : public TOvDBAnalog<TOvVSlider, TOvDBVSlider> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBVSlider(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBDial : public TOvDBAnalog<TOvDial, TOvDBDial> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBDial(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBGearDial : public TOvDBAnalog<TOvGearDial, TOvDBGearDial> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBGearDial(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

// Display analog wrappers (DataReadOnly at construction).
class DBGAUGES_EXPORT TOvDBValueInd : public TOvDBAnalog<TOvValueInd, TOvDBValueInd> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBValueInd(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBHMeter : public TOvDBAnalog<TOvHMeter, TOvDBHMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBHMeter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBVMeter : public TOvDBAnalog<TOvVMeter, TOvDBVMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBVMeter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBFlexHMeter : public TOvDBAnalog<TOvFlexHMeter, TOvDBFlexHMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBFlexHMeter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBFlexVMeter : public TOvDBAnalog<TOvFlexVMeter, TOvDBFlexVMeter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBFlexVMeter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDB270Meter : public TOvDBAnalog<TOv270Meter, TOvDB270Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDB270Meter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDB180Meter : public TOvDBAnalog<TOv180Meter, TOvDB180Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDB180Meter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDB120Meter : public TOvDBAnalog<TOv120Meter, TOvDB120Meter> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDB120Meter(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBBar : public TOvDBAnalog<TOvBar, TOvDBBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBBar(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBVBar : public TOvDBAnalog<TOvVBar, TOvDBVBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBVBar(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBHBar : public TOvDBAnalog<TOvHBar, TOvDBHBar> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBHBar(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBThermometer : public TOvDBAnalog<TOvThermometer, TOvDBThermometer> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBThermometer(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBTank : public TOvDBAnalog<TOvTank, TOvDBTank> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBTank(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

// Two-state wrappers.
class DBGAUGES_EXPORT TOvDBLED : public TOvDBTwoState<TOvLED, TOvDBLED> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBLED(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBColBitBtn : public TOvDBTwoState<TOvColBitBtn, TOvDBColBitBtn> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBColBitBtn(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBRockerSwitch : public TOvDBTwoState<TOvRockerSwitch, TOvDBRockerSwitch> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBRockerSwitch(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};

class DBGAUGES_EXPORT TOvDBToggleSwitch : public TOvDBTwoState<TOvToggleSwitch, TOvDBToggleSwitch> {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(Ov::TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool DataReadOnly READ DataReadOnly WRITE SetDataReadOnly NOTIFY dataReadOnlyChanged)

public:
    explicit TOvDBToggleSwitch(QWidget* Owner = nullptr);

signals:
    void writeRefused(const QString& reason);
    void dataReadOnlyChanged(bool readOnly);
};
