// A small dataset layer over Qt SQL: what data-aware controls bind to.
//
//   TDataSet      the rows of a table (or of a SELECT) with a current record,
//                 the states inactive / browse / edit, an edit buffer and the
//                 primary key as its current index. Post writes the edit
//                 buffer back to the database at once.
//   TField        one column of the current record: name, type, read and
//                 write by type (writes go to the edit buffer).
//   TDataSource   connects a dataset to any number of data links.
//   TDataLink     a link's view of its source: activity, editing, record and
//                 field changes, and the request to put its data back.
//   TFieldDataLink  a link that follows one field by name.
//
// Database failures raise EDatabaseError; callers that must not fail (the
// gauges) catch it. Everything runs on the user-interface thread. The layer
// lives in the gauge libraries' namespace Ov.
#pragma once

#include "platform/dataset/DataSetExport.h"

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSqlQuery;

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace Ov {

class TDataSet;
class TDataSource;

class VELQUOR_DATASET_EXPORT EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), FMessage(message) { }
    ~EDatabaseError() override;
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// A post found the record's stored values changed by another writer since
// they were read: nothing was written, and the record holds the new values.
class VELQUOR_DATASET_EXPORT EUpdateConflict : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    ~EUpdateConflict() override;
};

// A post found the record deleted by another writer: nothing was written,
// and the record is gone from the dataset.
class VELQUOR_DATASET_EXPORT ERecordLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    ~ERecordLost() override;
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit };

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftLargeint,
    ftDate, ftTime, ftDateTime, ftBlob
};

// Field type of a Qt SQL column type.
VELQUOR_DATASET_EXPORT TFieldType FieldTypeOf(QMetaType type);

// trunc(d) as a 64-bit integer, held at the ends of that range (and 0 for
// what is not a number): how a real reads as a whole number, never wrapped.
VELQUOR_DATASET_EXPORT qint64 TruncToLargeInt(double d);

class VELQUOR_DATASET_EXPORT TField {
public:
    TField(TDataSet* dataSet, int index, const QString& name, TFieldType type);

    TDataSet* DataSet() const { return FDataSet; }
    int Index() const { return FIndex; }
    const QString& FieldName() const { return FName; }
    TFieldType DataType() const { return FType; }
    // Part of the dataset's primary key.
    bool IsIndexField() const;
    bool IsNull() const;
    // Writable: the dataset can be modified and the field is not read-only.
    bool CanModify() const;
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }

    QVariant Value() const;
    // Integers read whole (reals truncate); AsInteger holds a value beyond
    // 32 bits at the nearer end of its range rather than wrapping.
    qint64 AsLargeInt() const;
    int AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QString AsString() const;
    // Writes need the dataset in edit mode (EDatabaseError otherwise); each
    // notifies the links of a field change. The value is converted to the
    // field's type: integer fields round floats and refuse values outside
    // their range (EDatabaseError).
    void SetValue(const QVariant& v);
    void SetAsInteger(int v) { SetValue(QVariant(v)); }
    void SetAsLargeInt(qint64 v) { SetValue(QVariant(v)); }
    void SetAsFloat(double v) { SetValue(QVariant(v)); }
    void SetAsBoolean(bool v) { SetValue(QVariant(v)); }
    void SetAsString(const QString& v) { SetValue(QVariant(v)); }

private:
    QVariant Converted(const QVariant& v) const;

    TDataSet* FDataSet;
    int FIndex;
    QString FName;
    TFieldType FType;
    bool FReadOnly = false;
};

class VELQUOR_DATASET_EXPORT TDataSet : public QObject {
    Q_OBJECT
public:
    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    // The connection (by name, as QSqlDatabase::database knows it).
    void SetConnectionName(const QString& v);
    const QString& ConnectionName() const { return FConnection; }
    QSqlDatabase Database() const;
    // Rows of this table, ordered by its primary key. Writes go to this table.
    void SetTableName(const QString& v);
    const QString& TableName() const { return FTableName; }
    // A SELECT to use instead of the whole table (writes still go to
    // TableName, when one is set; without one the dataset is read-only).
    void SetSelectSql(const QString& v);
    const QString& SelectSql() const { return FSelectSql; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);

    // Open reads all rows; failures raise EDatabaseError.
    void Open();
    void Close();
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool v) { v ? Open() : Close(); }
    TDataSetState State() const { return FState; }
    bool CanModify() const;

    int RecordCount() const { return int(FRows.size()); }
    // 0-based number of the current record, -1 when there is none.
    int RecNo() const { return FRecNo; }
    bool IsEmpty() const { return FRows.empty(); }
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    // Moving posts a pending edit first.
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveTo(int recNo);
    // Reads the rows again, keeping the current record where it still exists.
    void Refresh();

    // Edit mode: the current record is copied into the edit buffer.
    void Edit();
    // Writes the modified fields of the edit buffer to the database and
    // reads the stored row back. The write happens only where each modified
    // field still holds the value the record was read with (one statement:
    // UPDATE ... WHERE key = ? AND field IS ?). Raises EDatabaseError (the
    // dataset stays in edit mode) when the database refuses; EUpdateConflict
    // when another writer changed a modified field (the record then holds
    // the stored values) and ERecordLost when the record is gone (it leaves
    // the dataset); after those two the dataset is back in browse mode.
    void Post();
    // Drops the edit buffer; the record is as stored.
    void Cancel();
    // The links put their data into the edit buffer, then Post.
    void UpdateRecord();
    bool Modified() const { return FModified; }

    const std::vector<std::unique_ptr<TField>>& Fields() const { return FFields; }
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const; // EDatabaseError when missing
    // The fields of the current index (the primary key).
    const QStringList& IndexFieldNames() const { return FIndexFields; }
    bool IsIndexField(const TField* field) const;

    // Used by TField.
    QVariant FieldValue(int index) const;
    void SetFieldValue(int index, const QVariant& v);

signals:
    // deFieldChange: field set; deRecordChange: current record's data;
    // deDataSetChange: rows or position; deStateChange: state.
    void FieldChanged(TField* field);
    void RecordChanged();
    void DataSetChanged();
    void StateChanged();
    // Ask the links to put their modified data into the edit buffer.
    void UpdateDataRequested();

private:
    void SetState(TDataSetState s);
    void CheckActive() const;
    void CheckBrowseMove();
    QString QuotedTable() const;
    QString Quoted(const QString& name) const;
    // The statement that reads the rows: the SELECT given, or the whole
    // table in key order.
    QString SelectStatement() const;
    // All rows of an executed query.
    void ReadRows(QSqlQuery& q);
    // "key = ?" for each key field, and the current record's key values.
    QStringList KeyCondition(QVariantList& values) const;
    // The current record as stored; false when it is gone.
    bool RereadCurrent();
    // Another writer changed or deleted the current record under a post.
    [[noreturn]] void PostFoundChanged();

    QString FConnection = QLatin1String(QSqlDatabase::defaultConnection);
    QString FTableName;
    QString FSelectSql;
    bool FReadOnly = false;
    TDataSetState FState = dsInactive;
    std::vector<std::unique_ptr<TField>> FFields;
    QStringList FIndexFields;
    std::vector<QVariantList> FRows;
    QVariantList FBuffer;
    std::vector<bool> FBufferModified;
    bool FModified = false;
    int FRecNo = -1;
    bool FBof = true, FEof = true;
};

class TDataLink;

class VELQUOR_DATASET_EXPORT TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet.data(); }
    void SetDataSet(TDataSet* v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    // Inactive without a dataset, when disabled, or when the dataset is closed.
    TDataSetState State() const;
    // Puts the dataset into edit mode when it can be modified and has a
    // current record; true when editing.
    bool Edit();

    const QList<TDataLink*>& Links() const { return FLinks; }

private:
    friend class TDataLink;
    void AddLink(TDataLink* l);
    void RemoveLink(TDataLink* l);
    void Connect();
    void Notify(const std::function<void(TDataLink&)>& f);

    QPointer<TDataSet> FDataSet;
    bool FEnabled = true;
    QList<TDataLink*> FLinks;
    QList<QMetaObject::Connection> FConnections;
};

class VELQUOR_DATASET_EXPORT TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* v);
    // A link whose owner fixes the source itself: form loading leaves it alone.
    bool DataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool v) { FDataSourceFixed = v; }
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool v);
    // Put this link's modified data into the edit buffer and post it.
    virtual void UpdateRecord();

protected:
    friend class TDataSource;
    virtual void ActiveChanged() { }
    virtual void EditingChanged() { }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() { }
    void SyncState();
    void SourceDestroyed() { FDataSource = nullptr; SyncState(); }

private:
    TDataSource* FDataSource = nullptr;
    bool FDataSourceFixed = false;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
};

class VELQUOR_DATASET_EXPORT TFieldDataLink : public TDataLink {
public:
    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& v);
    TField* Field() const { return FField; }
    // Not read-only and the field can be modified.
    bool CanModify() const;
    // Puts the dataset into edit mode when the link can modify; true when editing.
    bool Edit();
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    void SetReadOnly(bool v) override;
    // In edit mode: puts the links' data into the record and writes it back
    // (EDatabaseError when the database refuses); outside it, nothing.
    void UpdateRecord() override;

    // Notifications for the owner of the link.
    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnActiveChange;
    std::function<void()> OnUpdateData;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void UpdateField();

private:
    QString FFieldName;
    TField* FField = nullptr;
    bool FModified = false;
};

} // namespace Ov
