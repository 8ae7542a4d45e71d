// The data source and the links that follow a dataset through it.
#include "platform/dataset/DataSet.h"

namespace Ov {

// ---------------------------------------------------------------- TDataSource

TDataSource::TDataSource(QObject* parent)
    : QObject(parent)
{
}

TDataSource::~TDataSource()
{
    const QList<TDataLink*> links = FLinks;
    for (TDataLink* l : links)
        l->SourceDestroyed();
    FLinks.clear();
}

void TDataSource::SetDataSet(TDataSet* v)
{
    if (FDataSet == v)
        return;
    for (const auto& c : FConnections)
        disconnect(c);
    FConnections.clear();
    FDataSet = v;
    Connect();
    Notify([](TDataLink& l) { l.SyncState(); l.RecordChanged(nullptr); });
}

void TDataSource::Connect()
{
    TDataSet* ds = FDataSet.data();
    if (!ds)
        return;
    FConnections << connect(ds, &TDataSet::StateChanged, this, [this] { Notify([](TDataLink& l) { l.SyncState(); }); });
    FConnections << connect(ds, &TDataSet::DataSetChanged, this, [this] {
        Notify([](TDataLink& l) { l.SyncState(); l.RecordChanged(nullptr); });
    });
    FConnections << connect(ds, &TDataSet::RecordChanged, this,
                            [this] { Notify([](TDataLink& l) { l.RecordChanged(nullptr); }); });
    FConnections << connect(ds, &TDataSet::FieldChanged, this,
                            [this](TField* f) { Notify([f](TDataLink& l) { l.RecordChanged(f); }); });
    FConnections << connect(ds, &TDataSet::UpdateDataRequested, this,
                            [this] { Notify([](TDataLink& l) { l.UpdateData(); }); });
    FConnections << connect(ds, &QObject::destroyed, this, [this] {
        FDataSet = nullptr;
        Notify([](TDataLink& l) { l.SyncState(); });
    });
}

void TDataSource::Notify(const std::function<void(TDataLink&)>& f)
{
    // A handler may add or remove links: walk a copy, skip removed ones.
    const QList<TDataLink*> links = FLinks;
    for (TDataLink* l : links)
        if (FLinks.contains(l))
            f(*l);
}

void TDataSource::SetEnabled(bool v)
{
    if (FEnabled == v)
        return;
    FEnabled = v;
    Notify([](TDataLink& l) { l.SyncState(); l.RecordChanged(nullptr); });
}

TDataSetState TDataSource::State() const
{
    if (!FDataSet || !FEnabled)
        return dsInactive;
    return FDataSet->State();
}

bool TDataSource::Edit()
{
    // No record to edit is a refusal, not an error.
    if (State() == dsBrowse && FDataSet->CanModify() && FDataSet->RecNo() >= 0)
        FDataSet->Edit();
    return State() == dsEdit;
}

void TDataSource::AddLink(TDataLink* l)
{
    if (!FLinks.contains(l))
        FLinks << l;
}

void TDataSource::RemoveLink(TDataLink* l) { FLinks.removeAll(l); }

// ---------------------------------------------------------------- TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (FDataSource)
        FDataSource->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* v)
{
    if (FDataSource == v)
        return;
    if (FDataSource)
        FDataSource->RemoveLink(this);
    FDataSource = v;
    if (FDataSource)
        FDataSource->AddLink(this);
    SyncState();
    RecordChanged(nullptr);
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool v) { FReadOnly = v; }

void TDataLink::SyncState()
{
    const TDataSetState s = FDataSource ? FDataSource->State() : dsInactive;
    const bool active = s != dsInactive;
    if (active != FActive) {
        FActive = active;
        ActiveChanged();
    }
    const bool editing = s == dsEdit && !FReadOnly;
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

void TDataLink::UpdateRecord()
{
    // Outside edit mode there is nothing to put back.
    TDataSet* ds = DataSet();
    if (ds && ds->State() == dsEdit)
        ds->UpdateRecord();
}

// ---------------------------------------------------------------- TFieldDataLink

void TFieldDataLink::SetFieldName(const QString& v)
{
    if (FFieldName == v)
        return;
    FFieldName = v;
    UpdateField();
    if (OnDataChange)
        OnDataChange();
}

void TFieldDataLink::UpdateField()
{
    TDataSet* ds = DataSet();
    FField = Active() && ds && !FFieldName.isEmpty() ? ds->FindField(FFieldName) : nullptr;
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && FField && FField->CanModify(); }

bool TFieldDataLink::Edit()
{
    if (CanModify() && DataSource())
        DataSource()->Edit();
    SyncState();
    return Editing();
}

void TFieldDataLink::SetReadOnly(bool v)
{
    TDataLink::SetReadOnly(v);
    SyncState();
}

void TFieldDataLink::UpdateRecord()
{
    TDataLink::UpdateRecord();
    FModified = false;
}

void TFieldDataLink::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange)
        OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    if (!Editing())
        FModified = false;
    if (OnEditingChange)
        OnEditingChange();
}

void TFieldDataLink::RecordChanged(TField* field)
{
    UpdateField();
    if (field == nullptr || field == FField) {
        if (OnDataChange)
            OnDataChange();
    }
}

void TFieldDataLink::UpdateData()
{
    if (FModified) {
        if (FField && OnUpdateData)
            OnUpdateData();
        FModified = false;
    }
}

} // namespace Ov
