// TOvFieldDataLink: the field data link of the data-aware gauges. It follows
// one field of a data source's dataset and converts between the field and a
// gauge's value, kept in three representations (single, integer, boolean)
// that always agree. Integers are 64-bit, as SQLite stores them.
//
// A write either reaches the database, after which the link reads back what
// was stored (the field's own type may round it), or is refused: by a
// read-only dataset, link or field, a key field, no current record, a
// database error (constraint, lock; the link then becomes read-only), or
// another writer who changed or deleted the record since it was read (the
// write is then not made at all). A refusal reads the stored value again,
// tells the control (OnDataRead), so that it shows what is stored, and
// reports the reason (OnWriteRefused).
#pragma once

#include "dbgauges/DbGaugesExport.h"
#include "platform/dataset/DataSet.h"

#include <QObject>
#include <QString>

#include <functional>

class DBGAUGES_EXPORT TOvFieldDataLink : public Ov::TFieldDataLink {
public:
    enum TValueKind : unsigned char { vkInteger = 0, vkFloat = 1, vkBoolean = 2, vkNone = 3 };

    TOvFieldDataLink();

    // The control this link serves (for the owner's bookkeeping only).
    QObject* Control() const { return FControl; }
    void SetControl(QObject* c) { FControl = c; }

    // Fired when the value the control must show changed: a read that
    // differs from the last value, a write the field stored differently, a
    // refused write.
    const std::function<void(QObject*)>& OnDataRead() const { return FOnDataRead; }
    void SetOnDataRead(std::function<void(QObject*)> e) { FOnDataRead = std::move(e); }
    // Fired after a refused write (the control shows the stored value again),
    // with the reason in words.
    const std::function<void(const QString&)>& OnWriteRefused() const { return FOnWriteRefused; }
    void SetOnWriteRefused(std::function<void(const QString&)> e) { FOnWriteRefused = std::move(e); }
    // Fired when the read-only flag changes (by the owner, or by a database error).
    const std::function<void(bool)>& OnReadOnlyChange() const { return FOnReadOnlyChange; }
    void SetOnReadOnlyChange(std::function<void(bool)> e) { FOnReadOnlyChange = std::move(e); }

    TValueKind ValueKind() const { return FValueKind; }
    bool Writing() const { return FWriting; }
    float AsSingle() const { return FSingle; }
    qint64 AsInteger() const { return FInteger; }
    bool AsBoolean() const { return FBoolean; }

    // The three representations from one value.
    void StoreSingle(float f);
    void StoreInteger(qint64 i);
    void StoreBoolean(bool b);

    // ValueKind from the bound field's type; an unsupported type unbinds the field.
    void SetDTyp();
    // The data-change notification: read the field and fire OnDataRead when
    // the value differs from the stored one.
    void DataChange();
    // Write the stored value to the field and the record to the database.
    bool DbWrite();
    // Writes of a changed value: the single with the field's float setter
    // (the dataset converts it), the integer and the boolean with their own.
    bool DbWriteSingle(float v);
    bool DbWriteInteger(qint64 i);
    bool DbWriteBoolean(bool b);

    void SetReadOnly(bool v) override;
    // Whether the bound field is part of the dataset's current index.
    bool FieldIsIndex() const;
    // Whether the last write was refused, and why; cleared by the next write
    // that reaches the database.
    bool LastWriteRefused() const { return !FRefusal.isEmpty(); }
    const QString& LastRefusal() const { return FRefusal; }

private:
    // Which setter DbWrite uses: that of the representation last stored.
    enum class TSetter { Float, Integer, Boolean };
    // A field of an active dataset to write to.
    bool Bound() const;
    // Why a bound link cannot write now (empty when it can).
    QString CannotWrite() const;
    // The steps the Db-writes share: a changed value of a bound link is
    // refused, or stored and written after edit mode was requested.
    template <class Store>
    bool WriteChanged(bool changed, Store store);
    // Edit mode requested ahead of a write; never throws.
    void TryEdit();
    // The field's value into the three representations; with onlyChanged,
    // only when it differs from them. True when stored.
    bool ReadField(bool onlyChanged);
    // A refused write: the stored value is the field's value again, the
    // control is told, and so is the owner, with the reason.
    void Refuse(const QString& reason);

    QObject* FControl = nullptr;
    std::function<void(QObject*)> FOnDataRead;
    std::function<void(const QString&)> FOnWriteRefused;
    std::function<void(bool)> FOnReadOnlyChange;
    TValueKind FValueKind = vkNone;
    TSetter FSetter = TSetter::Float;
    bool FWriting = false;
    float FSingle = 0.0f;
    qint64 FInteger = 0;
    bool FBoolean = false;
    QString FRefusal;
};
