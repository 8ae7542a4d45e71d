#include "platform/dataset/DataSet.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Ov {

EDatabaseError::~EDatabaseError() = default;
EUpdateConflict::~EUpdateConflict() = default;
ERecordLost::~ERecordLost() = default;

TFieldType FieldTypeOf(QMetaType type)
{
    static constexpr struct {
        QMetaType::Type Id;
        TFieldType Field;
    } Types[] = {
        { QMetaType::Short, ftSmallint },    { QMetaType::SChar, ftSmallint },   { QMetaType::Char, ftSmallint },
        { QMetaType::UShort, ftWord },       { QMetaType::UChar, ftWord },       { QMetaType::Int, ftInteger },
        { QMetaType::UInt, ftInteger },      { QMetaType::LongLong, ftLargeint }, { QMetaType::ULongLong, ftLargeint },
        { QMetaType::Bool, ftBoolean },      { QMetaType::Double, ftFloat },     { QMetaType::Float, ftFloat },
        { QMetaType::QString, ftString },    { QMetaType::QDate, ftDate },       { QMetaType::QTime, ftTime },
        { QMetaType::QDateTime, ftDateTime }, { QMetaType::QByteArray, ftBlob },
    };
    for (const auto& t : Types)
        if (type.id() == t.Id)
            return t.Field;
    return ftUnknown;
}

namespace {

// The database's own words for a failure ("CHECK constraint failed: ...",
// "database is locked"), or the driver's where it gave none.
QString Reason(const QSqlError& e)
{
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text() : text;
}

// SQLite keeps the declared column type only as text; Qt's driver maps few
// names (SMALLINT reads as text). Map them by SQLite's own affinity rules,
// with the usual names for the small integer kinds.
TFieldType SqliteDeclaredType(const QString& declared)
{
    const QString t = declared.trimmed().toUpper();
    if (t.contains(QLatin1String("BOOL")))
        return ftBoolean;
    if (t.contains(QLatin1String("INT"))) {
        if (t.startsWith(QLatin1String("SMALLINT")) || t.startsWith(QLatin1String("TINYINT")))
            return ftSmallint;
        // Whatever the name, SQLite stores an integer column in 64 bits.
        return ftLargeint;
    }
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return ftString;
    if (t.contains(QLatin1String("BLOB")) || t.isEmpty())
        return ftBlob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB"))
        || t.startsWith(QLatin1String("NUMERIC")) || t.startsWith(QLatin1String("DECIMAL")))
        return ftFloat;
    if (t.startsWith(QLatin1String("DATETIME")) || t.startsWith(QLatin1String("TIMESTAMP")))
        return ftDateTime;
    if (t.startsWith(QLatin1String("DATE")))
        return ftDate;
    return ftFloat; // NUMERIC affinity
}

} // namespace

// ---------------------------------------------------------------- TField

TField::TField(TDataSet* dataSet, int index, const QString& name, TFieldType type)
    : FDataSet(dataSet), FIndex(index), FName(name), FType(type)
{
}

bool TField::IsIndexField() const { return FDataSet->IsIndexField(this); }
bool TField::IsNull() const { return Value().isNull(); }
bool TField::CanModify() const { return !FReadOnly && FDataSet->CanModify(); }
QVariant TField::Value() const { return FDataSet->FieldValue(FIndex); }

qint64 TruncToLargeInt(double d)
{
    if (!std::isfinite(d))
        return 0;
    constexpr double top = 9223372036854775807.0; // 2^63, not representable below it
    const double t = std::trunc(d);
    if (t >= top)
        return std::numeric_limits<qint64>::max();
    if (t <= -top)
        return std::numeric_limits<qint64>::min();
    return qint64(t);
}

qint64 TField::AsLargeInt() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    // Stored reals read as integers truncate, as a typed field would.
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return TruncToLargeInt(v.toDouble());
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const QString text = v.toString().trimmed();
        const qint64 whole = text.toLongLong(&ok);
        if (ok)
            return whole;
        const double d = text.toDouble(&ok);
        return ok ? TruncToLargeInt(d) : 0;
    }
    if (v.typeId() == QMetaType::ULongLong)
        return qint64(std::min<quint64>(v.toULongLong(), quint64(std::numeric_limits<qint64>::max())));
    return v.toLongLong();
}

int TField::AsInteger() const
{
    return int(std::clamp<qint64>(AsLargeInt(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    return v.isNull() ? 0.0 : v.toDouble();
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("t") || s == QLatin1String("1")
            || s == QLatin1String("yes");
    }
    return v.toDouble() != 0.0;
}

QString TField::AsString() const { return Value().toString(); }

void TField::SetValue(const QVariant& v)
{
    FDataSet->SetFieldValue(FIndex, Converted(v));
}

QVariant TField::Converted(const QVariant& v) const
{
    if (v.isNull())
        return v;
    auto integer = [&](double lo, double hi) {
        bool ok = false;
        const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
        // The field's own type decides what is stored: a float written to an
        // integer field is rounded, one outside the type's range refused.
        const double r = std::round(d);
        if (!ok || !std::isfinite(d) || r < lo || r > hi)
            throw EDatabaseError(QStringLiteral("%1 is not a valid value for field \"%2\". The allowed range is %3 to %4")
                                     .arg(v.toString(), FName)
                                     .arg(lo, 0, 'f', 0)
                                     .arg(hi, 0, 'f', 0));
        return QVariant(qlonglong(r));
    };
    switch (FType) {
    case ftSmallint:
        return integer(-32768.0, 32767.0);
    case ftWord:
        return integer(0.0, 65535.0);
    case ftInteger:
        return integer(-2147483648.0, 2147483647.0);
    case ftLargeint:
        if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
            return QVariant(v.toLongLong());
        return integer(-9.2e18, 9.2e18);
    case ftFloat: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("\"%1\" is not a valid floating point value for field \"%2\"").arg(v.toString(), FName));
        return QVariant(d);
    }
    case ftBoolean:
        if (v.typeId() == QMetaType::Bool)
            return v;
        return QVariant(v.toDouble() != 0.0);
    case ftString:
        return QVariant(v.toString());
    default:
        return v;
    }
}

// ---------------------------------------------------------------- TDataSet

TDataSet::TDataSet(QObject* parent)
    : QObject(parent)
{
}

TDataSet::~TDataSet()
{
    // Links hold field pointers: let them drop those first.
    if (Active()) {
        FState = dsInactive;
        emit StateChanged();
    }
}

void TDataSet::SetConnectionName(const QString& v)
{
    if (Active())
        Close();
    FConnection = v;
}

QSqlDatabase TDataSet::Database() const { return QSqlDatabase::database(FConnection, false); }

void TDataSet::SetTableName(const QString& v)
{
    if (Active())
        Close();
    FTableName = v;
}

void TDataSet::SetSelectSql(const QString& v)
{
    if (Active())
        Close();
    FSelectSql = v;
}

void TDataSet::SetReadOnly(bool v)
{
    if (FReadOnly == v)
        return;
    if (v && FState == dsEdit)
        Cancel();
    FReadOnly = v;
    emit StateChanged();
}

bool TDataSet::CanModify() const
{
    return Active() && !FReadOnly && !FTableName.isEmpty() && !FIndexFields.isEmpty();
}

QString TDataSet::Quoted(const QString& name) const
{
    return Database().driver()->escapeIdentifier(name, QSqlDriver::FieldName);
}

QString TDataSet::QuotedTable() const
{
    return Database().driver()->escapeIdentifier(FTableName, QSqlDriver::TableName);
}

QString TDataSet::SelectStatement() const
{
    if (!FSelectSql.isEmpty())
        return FSelectSql;
    QString sql = QStringLiteral("SELECT * FROM %1").arg(QuotedTable());
    if (!FIndexFields.isEmpty()) {
        QStringList keys;
        for (const QString& k : FIndexFields)
            keys << Quoted(k);
        sql += QStringLiteral(" ORDER BY ") + keys.join(QLatin1Char(','));
    }
    return sql;
}

void TDataSet::ReadRows(QSqlQuery& q)
{
    const int columns = q.record().count();
    FRows.clear();
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        FRows.push_back(std::move(row));
    }
}

QStringList TDataSet::KeyCondition(QVariantList& values) const
{
    QStringList where;
    for (const QString& k : FIndexFields) {
        where << Quoted(k) + QStringLiteral(" = ?");
        values << FRows[size_t(FRecNo)][FindField(k)->Index()];
    }
    return where;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::Open()
{
    if (Active())
        return;
    QSqlDatabase db = Database();
    if (!db.isValid())
        throw EDatabaseError(QStringLiteral("No database connection \"%1\"").arg(FConnection));
    if (!db.isOpen() && !db.open())
        throw EDatabaseError(Reason(db.lastError()));
    if (FTableName.isEmpty() && FSelectSql.isEmpty())
        throw EDatabaseError(QStringLiteral("No table name or query"));

    // Field types: declared column types of the table where there is one,
    // else the types of the first row of the query.
    QSqlRecord layout;
    FIndexFields.clear();
    if (!FTableName.isEmpty()) {
        layout = db.record(FTableName);
        if (layout.isEmpty())
            throw EDatabaseError(QStringLiteral("Table \"%1\" not found").arg(FTableName));
        const QSqlIndex pk = db.primaryIndex(FTableName);
        for (int i = 0; i < pk.count(); ++i)
            FIndexFields << pk.fieldName(i);
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(SelectStatement()))
        throw EDatabaseError(Reason(q.lastError()));
    // Declared column types of an SQLite table.
    QHash<QString, QString> declared;
    if (!FTableName.isEmpty() && db.driverName() == QLatin1String("QSQLITE")) {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QuotedTable())))
            while (info.next())
                declared.insert(info.value(1).toString().toLower(), info.value(2).toString());
    }
    const QSqlRecord rec = q.record();
    FFields.clear();
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = rec.fieldName(i);
        TFieldType type;
        if (declared.contains(name.toLower()))
            type = SqliteDeclaredType(declared.value(name.toLower()));
        else
            type = FieldTypeOf(layout.contains(name) ? layout.field(name).metaType() : rec.field(i).metaType());
        FFields.push_back(std::make_unique<TField>(this, i, name, type));
    }
    ReadRows(q);
    // A key column missing from the query cannot identify rows to write.
    for (const QString& k : FIndexFields) {
        if (!FindField(k)) {
            FIndexFields.clear();
            break;
        }
    }
    FRecNo = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
    FModified = false;
    SetState(dsBrowse);
    emit DataSetChanged();
}

void TDataSet::Close()
{
    if (!Active())
        return;
    FState = dsInactive;
    emit StateChanged();
    FFields.clear();
    FRows.clear();
    FBuffer.clear();
    FRecNo = -1;
    FBof = FEof = true;
    FModified = false;
}

void TDataSet::SetState(TDataSetState s)
{
    if (FState == s)
        return;
    FState = s;
    emit StateChanged();
}

void TDataSet::CheckBrowseMove()
{
    CheckActive();
    if (FState == dsEdit)
        Post();
}

void TDataSet::MoveTo(int recNo)
{
    CheckBrowseMove();
    if (FRows.empty())
        return;
    const int n = int(FRows.size());
    FBof = recNo <= 0;
    FEof = recNo >= n - 1;
    recNo = std::clamp(recNo, 0, n - 1);
    if (recNo == FRecNo)
        return;
    FRecNo = recNo;
    emit DataSetChanged();
}

void TDataSet::First() { MoveTo(0); }
void TDataSet::Last() { MoveTo(RecordCount() - 1); }
void TDataSet::Next() { MoveTo(FRecNo + 1); }
void TDataSet::Prior() { MoveTo(FRecNo - 1); }

void TDataSet::Refresh()
{
    CheckBrowseMove();
    QVariantList key;
    if (FRecNo >= 0)
        KeyCondition(key);
    const int oldRecNo = FRecNo;
    // Reopen without dropping the fields the links point at when the layout stays.
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    if (!q.exec(SelectStatement()))
        throw EDatabaseError(Reason(q.lastError()));
    if (q.record().count() != int(FFields.size()))
        throw EDatabaseError(QStringLiteral("The layout of \"%1\" changed").arg(FTableName));
    ReadRows(q);
    FRecNo = FRows.empty() ? -1 : std::clamp(oldRecNo, 0, int(FRows.size()) - 1);
    if (!key.isEmpty()) {
        for (size_t r = 0; r < FRows.size(); ++r) {
            bool same = true;
            for (int i = 0; i < FIndexFields.size(); ++i)
                same = same && FRows[r][FindField(FIndexFields[i])->Index()] == key[i];
            if (same) {
                FRecNo = int(r);
                break;
            }
        }
    }
    FBof = FRecNo <= 0;
    FEof = FRecNo < 0 || FRecNo >= int(FRows.size()) - 1;
    emit DataSetChanged();
}

void TDataSet::Edit()
{
    CheckActive();
    if (FState == dsEdit)
        return;
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (FRecNo < 0)
        throw EDatabaseError(QStringLiteral("Cannot edit an empty dataset"));
    FBuffer = FRows[size_t(FRecNo)];
    FBufferModified.assign(FFields.size(), false);
    FModified = false;
    SetState(dsEdit);
}

void TDataSet::Cancel()
{
    if (FState != dsEdit)
        return;
    FBuffer.clear();
    FModified = false;
    SetState(dsBrowse);
    emit RecordChanged();
}

void TDataSet::UpdateRecord()
{
    if (FState != dsEdit)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    emit UpdateDataRequested();
    Post();
}

namespace {

// "column IS value" as the driver spells a comparison that holds for two
// NULLs as well.
QString SameValue(const QString& driver, const QString& column)
{
    if (driver == QLatin1String("QSQLITE"))
        return column + QStringLiteral(" IS ?");
    if (driver == QLatin1String("QPSQL"))
        return column + QStringLiteral(" IS NOT DISTINCT FROM ?");
    if (driver == QLatin1String("QMYSQL") || driver == QLatin1String("QMARIADB"))
        return column + QStringLiteral(" <=> ?");
    return QStringLiteral("(%1 = ? OR (%1 IS NULL AND ? IS NULL))").arg(column);
}

} // namespace

void TDataSet::Post()
{
    if (FState != dsEdit)
        return;
    if (!FModified) {
        FBuffer.clear();
        SetState(dsBrowse);
        return;
    }
    const QString driver = Database().driverName();
    QStringList sets;
    QVariantList values;
    for (size_t i = 0; i < FFields.size(); ++i) {
        if (!FBufferModified[i])
            continue;
        sets << Quoted(FFields[i]->FieldName()) + QStringLiteral(" = ?");
        values << FBuffer[int(i)];
    }
    QStringList where = KeyCondition(values);
    // Only over the values the record was read with: another writer's change
    // is never overwritten unseen.
    const QVariantList& read = FRows[size_t(FRecNo)];
    for (size_t i = 0; i < FFields.size(); ++i) {
        if (!FBufferModified[i])
            continue;
        const QString condition = SameValue(driver, Quoted(FFields[i]->FieldName()));
        where << condition;
        for (int n = int(condition.count(QLatin1Char('?'))); n > 0; --n)
            values << read[int(i)];
    }
    QSqlQuery q(Database());
    q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(QuotedTable(), sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND "))));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw EDatabaseError(Reason(q.lastError()));
    if (q.numRowsAffected() == 0)
        PostFoundChanged();
    FBuffer.clear();
    FModified = false;
    RereadCurrent();
    SetState(dsBrowse);
    emit RecordChanged();
}

void TDataSet::PostFoundChanged()
{
    FBuffer.clear();
    FModified = false;
    if (RereadCurrent()) {
        SetState(dsBrowse);
        emit RecordChanged();
        throw EUpdateConflict(QStringLiteral("changed by another writer"));
    }
    FRows.erase(FRows.begin() + FRecNo);
    FRecNo = FRows.empty() ? -1 : std::min(FRecNo, int(FRows.size()) - 1);
    FBof = FRecNo <= 0;
    FEof = FRecNo < 0 || FRecNo >= int(FRows.size()) - 1;
    SetState(dsBrowse);
    emit DataSetChanged();
    throw ERecordLost(QStringLiteral("deleted by another writer"));
}

bool TDataSet::RereadCurrent()
{
    // What the database stored (its own type conversion included).
    QVariantList key;
    const QStringList where = KeyCondition(key);
    QStringList cols;
    for (const auto& f : FFields)
        cols << Quoted(f->FieldName());
    QSqlQuery q(Database());
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                  .arg(cols.join(QLatin1Char(',')), QuotedTable(), where.join(QStringLiteral(" AND "))));
    for (const QVariant& v : key)
        q.addBindValue(v);
    if (!q.exec())
        return true; // unknown: keep what was read
    if (!q.next())
        return false;
    QVariantList& row = FRows[size_t(FRecNo)];
    for (int i = 0; i < int(FFields.size()); ++i)
        row[i] = q.value(i);
    return true;
}

TField* TDataSet::FindField(const QString& name) const
{
    for (const auto& f : FFields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const
{
    TField* f = FindField(name);
    if (!f)
        throw EDatabaseError(QStringLiteral("Field \"%1\" not found").arg(name));
    return f;
}

bool TDataSet::IsIndexField(const TField* field) const
{
    if (!field)
        return false;
    for (const QString& k : FIndexFields)
        if (k.compare(field->FieldName(), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QVariant TDataSet::FieldValue(int index) const
{
    if (FState == dsEdit && index < FBuffer.size())
        return FBuffer[index];
    if (FRecNo < 0 || index < 0 || index >= int(FFields.size()))
        return QVariant();
    return FRows[size_t(FRecNo)][index];
}

void TDataSet::SetFieldValue(int index, const QVariant& v)
{
    if (FState != dsEdit)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (index < 0 || index >= int(FFields.size()))
        throw EDatabaseError(QStringLiteral("Field index out of range"));
    if (FFields[size_t(index)]->ReadOnly())
        throw EDatabaseError(QStringLiteral("Field \"%1\" cannot be modified").arg(FFields[size_t(index)]->FieldName()));
    FBuffer[index] = v;
    FBufferModified[size_t(index)] = true;
    FModified = true;
    emit FieldChanged(FFields[size_t(index)].get());
}

} // namespace Ov
