#include "dbgauges/OvDB.h"

#include <cmath>

namespace {

int TruncToInt(float f)
{
    if (!std::isfinite(f))
        return 0;
    const double t = std::trunc(double(f));
    if (t >= 2147483647.0)
        return 2147483647;
    if (t <= -2147483648.0)
        return -2147483647 - 1;
    return int(t);
}

} // namespace

TOvFieldDataLink::TOvFieldDataLink()
{
    OnDataChange = [this] { DataChange(); };
}

void TOvFieldDataLink::StoreSingle(float f)
{
    FSingle = f;
    FInteger = TruncToInt(f);
    FBoolean = FInteger == 1;
}

void TOvFieldDataLink::StoreInteger(int i)
{
    FSingle = float(i);
    FInteger = i;
    FBoolean = i == 1;
}

void TOvFieldDataLink::StoreBoolean(bool b)
{
    FInteger = b ? 1 : 0;
    FSingle = b ? 1.0f : 0.0f;
    FBoolean = b;
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
    case ftSmallint:
    case ftInteger:
    case ftWord:
        FValueKind = vkInteger;
        break;
    case ftFloat:
        FValueKind = vkFloat;
        break;
    case ftBoolean:
        FValueKind = vkBoolean;
        break;
    default:
        // A field the gauges cannot show: unbind it.
        FValueKind = vkNone;
        SetFieldName(QString());
        break;
    }
}

void TOvFieldDataLink::DataChange()
{
    if (!DataSource() || FWriting || !Field())
        return;
    SetDTyp();
    TField* f = Field();
    switch (FValueKind) {
    case vkInteger: {
        const int i = f->AsInteger();
        if (i == FInteger)
            return;
        StoreInteger(i);
        break;
    }
    case vkFloat: {
        const float s = float(f->AsFloat());
        if (s == FSingle)
            return;
        StoreSingle(s);
        break;
    }
    case vkBoolean: {
        const bool b = f->AsBoolean();
        if (b == FBoolean)
            return;
        StoreBoolean(b);
        break;
    }
    case vkNone:
        return;
    }
    if (FOnDataRead)
        FOnDataRead(FControl);
}

void TOvFieldDataLink::Resync()
{
    if (!DataSource() || !Active() || !Field())
        return;
    SetDTyp();
    TField* f = Field();
    switch (FValueKind) {
    case vkInteger:
        StoreInteger(f->AsInteger());
        break;
    case vkFloat:
        StoreSingle(float(f->AsFloat()));
        break;
    case vkBoolean:
        StoreBoolean(f->AsBoolean());
        break;
    case vkNone:
        return;
    }
    if (FOnDataRead)
        FOnDataRead(FControl);
}

bool TOvFieldDataLink::DbWrite()
{
    TDataSet* ds = DataSet();
    if (!ds || !Field() || !DataSource())
        return false;
    if (DataSource()->State() == dsInactive || FieldIsIndex())
        return false;

    bool result = false;
    bool failed = false;
    try {
        SetDTyp();
        const bool editing = Edit();
        if (editing) {
            FWriting = true;
            result = true;
            TField* f = Field();
            switch (FValueKind) {
            case vkInteger:
                f->SetAsInteger(FInteger);
                break;
            case vkFloat:
                f->SetAsFloat(double(FSingle));
                break;
            case vkBoolean:
                f->SetAsBoolean(FBoolean);
                break;
            case vkNone:
                result = false;
                break;
            }
        }
        Modified();
        UpdateRecord();
        if (!editing && FValueKind != vkNone)
            failed = true; // the dataset would not edit: nothing was stored
    } catch (const EDatabaseError&) {
        // The user sees the gauge return to the stored value, not a message.
        SetReadOnly(true);
        result = false;
        failed = true;
        if (TDataSet* d = DataSet(); d && d->State() == dsEdit)
            d->Cancel();
    }
    FWriting = false;
    FLastWriteRefused = failed;
    if (failed)
        Resync();
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

bool TOvFieldDataLink::DbWriteSingle(float v)
{
    if (!CanModify())
        return false;
    if (FieldIsIndex()) {
        Resync();
        return false;
    }
    if (v == FSingle)
        return false;
    TryEdit();
    StoreSingle(v);
    return DbWrite();
}

bool TOvFieldDataLink::DbWriteInteger(int i)
{
    if (FieldIsIndex()) {
        Resync();
        return false;
    }
    if (i == FInteger)
        return false;
    TryEdit();
    StoreInteger(i);
    return DbWrite();
}

bool TOvFieldDataLink::DbWriteBoolean(bool b)
{
    if (FieldIsIndex()) {
        Resync();
        return false;
    }
    if (b == FBoolean)
        return false;
    TryEdit();
    StoreBoolean(b);
    return DbWrite();
}
