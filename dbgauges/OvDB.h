// TOvFieldDataLink: the field data link of the data-aware gauges. It follows
// one field of a data source's dataset and converts between the field and a
// gauge's value, kept in three representations (single, integer, boolean)
// that always agree.
#pragma once

#include "dbgauges/DbGaugesExport.h"
#include "platform/dataset/DataSet.h"

#include <QObject>
#include <functional>

class DBGAUGES_EXPORT TOvFieldDataLink : public TFieldDataLink {
public:
    enum TValueKind : unsigned char { vkInteger = 0, vkFloat = 1, vkBoolean = 2, vkNone = 3 };

    TOvFieldDataLink();

    // The control this link serves (for the owner's bookkeeping only).
    QObject* Control() const { return FControl; }
    void SetControl(QObject* c) { FControl = c; }

    // Fired when DataChange stored a value that differs from the last one.
    const std::function<void(QObject*)>& OnDataRead() const { return FOnDataRead; }
    void SetOnDataRead(std::function<void(QObject*)> e) { FOnDataRead = std::move(e); }

    TValueKind ValueKind() const { return FValueKind; }
    bool Writing() const { return FWriting; }
    float AsSingle() const { return FSingle; }
    int AsInteger() const { return FInteger; }
    bool AsBoolean() const { return FBoolean; }

    // The three representations from one value.
    void StoreSingle(float f);
    void StoreInteger(int i);
    void StoreBoolean(bool b);

    // ValueKind from the bound field's type; an unsupported type unbinds the field.
    void SetDTyp();
    // The data-change notification: read the field and fire OnDataRead when
    // the value differs from the stored one.
    void DataChange();
    // Write the stored value to the field and the record to the database.
    bool DbWrite();
    bool DbWriteSingle(float v);
    bool DbWriteInteger(int i);
    bool DbWriteBoolean(bool b);

    // Whether the bound field is part of the dataset's current index.
    bool FieldIsIndex() const;
    // Whether the last write was refused (index field, edit refused, or a
    // database error); cleared by the next write that reaches the database.
    bool LastWriteRefused() const { return FLastWriteRefused; }

private:
    // Edit mode requested ahead of a write; never throws.
    void TryEdit();
    // After a refused write: the stored value becomes the field's value again
    // and the control is told, so it shows what the database holds.
    void Resync();

    QObject* FControl = nullptr;
    std::function<void(QObject*)> FOnDataRead;
    TValueKind FValueKind = vkNone;
    bool FWriting = false;
    float FSingle = 0.0f;
    int FInteger = 0;
    bool FBoolean = false;
    bool FLastWriteRefused = false;
};
