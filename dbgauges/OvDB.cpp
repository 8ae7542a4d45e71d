#include "dbgauges/OvDB.h"

using Ov::EDatabaseError;
using Ov::ERecordLost;
using Ov::EUpdateConflict;
using Ov::TDataSet;
using Ov::TField;

TOvFieldDataLink::TOvFieldDataLink()
{
    OnDataChange = [this] { DataChange(); };
}

void TOvFieldDataLink::StoreSingle(float f)
{
    FSingle = f;
    FInteger = Ov::TruncToLargeInt(double(f));
    FBoolean = FInteger == 1;
    FSetter = TSetter::Float;
}

void TOvFieldDataLink::StoreInteger(qint64 i)
{
    FSingle = float(i);
    FInteger = i;
    FBoolean = i == 1;
    FSetter = TSetter::Integer;
}

void TOvFieldDataLink::StoreBoolean(bool b)
{
    FInteger = b ? 1 : 0;
    FSingle = b ? 1.0f : 0.0f;
    FBoolean = b;
    FSetter = TSetter::Boolean;
}

bool TOvFieldDataLink::FieldIsIndex() const
{
    TField* f = Field();
    return f && f->IsIndexField();
}

void TOvFieldDataLink::SetDTyp()
{
    TField* f = Field();
    if (!f) {
        FValueKind = vkNone;
        return;
    }
    switch (f->DataType()) {
    case Ov::ftSmallint:
    case Ov::ftInteger:
    case Ov::ftWord:
    case Ov::ftLargeint:
        FValueKind = vkInteger;
        break;
    case Ov::ftFloat:
        FValueKind = vkFloat;
        break;
    case Ov::ftBoolean:
        FValueKind = vkBoolean;
        break;
    default:
        // A field the gauges cannot show: unbind it.
        FValueKind = vkNone;
        SetFieldName(QString());
        break;
    }
}

bool TOvFieldDataLink::ReadField(bool onlyChanged)
{
    SetDTyp();
    TField* f = Field();
    if (!f)
        return false;
    switch (FValueKind) {
    case vkInteger: {
        const qint64 i = f->AsLargeInt();
        // The single too: a value written as a fraction reads back whole.
        if (onlyChanged && i == FInteger && float(i) == FSingle)
            return false;
        StoreInteger(i);
        return true;
    }
    case vkFloat: {
        const float s = float(f->AsFloat());
        if (onlyChanged && s == FSingle)
            return false;
        StoreSingle(s);
        return true;
    }
    case vkBoolean: {
        const bool b = f->AsBoolean();
        if (onlyChanged && b == FBoolean && FSingle == (b ? 1.0f : 0.0f))
            return false;
        StoreBoolean(b);
        return true;
    }
    case vkNone:
        return false;
    }
    return false;
}

void TOvFieldDataLink::DataChange()
{
    if (!DataSource() || FWriting || !Field())
        return;
    if (ReadField(true) && FOnDataRead)
        FOnDataRead(FControl);
}

void TOvFieldDataLink::SetReadOnly(bool v)
{
    const bool was = ReadOnly();
    TFieldDataLink::SetReadOnly(v);
    if (was != v && FOnReadOnlyChange)
        FOnReadOnlyChange(v);
}

bool TOvFieldDataLink::Bound() const
{
    return DataSet() && Field() && DataSource() && DataSource()->State() != Ov::dsInactive;
}

QString TOvFieldDataLink::CannotWrite() const
{
    const TDataSet* ds = DataSet();
    if (ReadOnly())
        return QStringLiteral("the gauge is read-only (DataReadOnly)");
    if (FieldIsIndex())
        return QStringLiteral("the field is part of the key");
    if (ds->ReadOnly())
        return QStringLiteral("the dataset is read-only");
    if (!ds->CanModify())
        return QStringLiteral("the dataset has no table and key to write to");
    if (Field()->ReadOnly())
        return QStringLiteral("the field is read-only");
    if (ds->RecNo() < 0)
        return QStringLiteral("there is no record to write to");
    return QString();
}

void TOvFieldDataLink::Refuse(const QString& reason)
{
    FRefusal = reason;
    if (ReadField(false) && FOnDataRead)
        FOnDataRead(FControl);
    if (FOnWriteRefused)
        FOnWriteRefused(reason);
}

bool TOvFieldDataLink::DbWrite()
{
    if (!Bound() || FieldIsIndex())
        return false;

    QString refusal;
    bool result = false;
    try {
        SetDTyp();
        if (Edit()) {
            FWriting = true;
            TField* f = Field();
            switch (FValueKind) {
            case vkInteger:
            case vkFloat:
            case vkBoolean:
                // The setter of the representation last stored; the field
                // converts to its own type.
                if (FSetter == TSetter::Float)
                    f->SetAsFloat(double(FSingle));
                else if (FSetter == TSetter::Integer)
                    f->SetAsLargeInt(FInteger);
                else
                    f->SetAsBoolean(FBoolean);
                result = true;
                break;
            case vkNone:
                break;
            }
            Modified();
            UpdateRecord();
        } else if (FValueKind != vkNone) {
            refusal = CannotWrite();
            if (refusal.isEmpty())
                refusal = QStringLiteral("the dataset would not edit the record");
        }
    } catch (const EUpdateConflict& e) {
        // Nothing was written; the record holds the other writer's values.
        refusal = e.Message();
        result = false;
    } catch (const ERecordLost& e) {
        refusal = QStringLiteral("the record was %1").arg(e.Message());
        result = false;
    } catch (const EDatabaseError& e) {
        // A constraint, a lock, a value the field cannot hold: read-only
        // from now on (until DataReadOnly is cleared).
        refusal = e.Message();
        result = false;
        if (TDataSet* d = DataSet(); d && d->State() == Ov::dsEdit)
            d->Cancel();
        SetReadOnly(true);
    }
    FWriting = false;
    if (!refusal.isEmpty()) {
        Refuse(refusal);
        return false;
    }
    FRefusal.clear();
    // The field's type may have stored something else than was written.
    if (result && ReadField(true) && FOnDataRead)
        FOnDataRead(FControl);
    return result;
}

void TOvFieldDataLink::TryEdit()
{
    // A refusal here is met again inside DbWrite, which handles it.
    try {
        Edit();
    } catch (const EDatabaseError&) {
    }
}

template <class Store>
bool TOvFieldDataLink::WriteChanged(bool changed, Store store)
{
    if (!Bound() || !changed)
        return false;
    if (const QString why = CannotWrite(); !why.isEmpty()) {
        Refuse(why);
        return false;
    }
    TryEdit();
    store();
    return DbWrite();
}

bool TOvFieldDataLink::DbWriteSingle(float v)
{
    return WriteChanged(v != FSingle, [this, v] { StoreSingle(v); });
}

bool TOvFieldDataLink::DbWriteInteger(qint64 i)
{
    return WriteChanged(i != FInteger, [this, i] { StoreInteger(i); });
}

bool TOvFieldDataLink::DbWriteBoolean(bool b)
{
    return WriteChanged(b != FBoolean, [this, b] { StoreBoolean(b); });
}
