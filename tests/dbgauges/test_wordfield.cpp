// A word field (unsigned 16 bits) comes only from databases other than
// SQLite, whose integers are all 64-bit. A small in-memory Qt SQL driver
// stands in for one: a table "meters" (id INTEGER key, reading UNSIGNED
// SMALLINT) that answers the dataset's SELECTs and UPDATEs.
#include "dbgauges/OvDBCtrls.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QSqlResult>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>

using namespace Ov;

namespace {

// The rows of the table: id -> reading.
std::map<int, int>& Meters()
{
    static std::map<int, int> rows;
    return rows;
}

QSqlRecord MetersLayout()
{
    QSqlRecord r;
    r.append(QSqlField(QStringLiteral("id"), QMetaType(QMetaType::Int)));
    r.append(QSqlField(QStringLiteral("reading"), QMetaType(QMetaType::UShort)));
    return r;
}

class WordResult : public QSqlResult {
public:
    explicit WordResult(const QSqlDriver* driver) : QSqlResult(driver) { }

protected:
    QVariant data(int i) override
    {
        const auto& row = FRows.at(size_t(at()));
        return i == 0 ? QVariant(row.first) : QVariant(row.second);
    }
    bool isNull(int) override { return false; }
    bool reset(const QString& sql) override
    {
        FRows.clear();
        FAffected = 0;
        static const QRegularExpression select(QStringLiteral("^SELECT .* FROM meters(?: WHERE id = (\\d+))?"));
        static const QRegularExpression update(
            QStringLiteral("^UPDATE meters SET reading = (-?\\d+) WHERE id = (\\d+) AND \\(reading = (-?\\d+)"));
        if (const auto m = select.match(sql); m.hasMatch()) {
            for (const auto& [id, reading] : Meters())
                if (m.captured(1).isEmpty() || m.captured(1).toInt() == id)
                    FRows.emplace_back(id, reading);
            setSelect(true);
            setActive(true);
            return true;
        }
        if (const auto m = update.match(sql); m.hasMatch()) {
            const auto row = Meters().find(m.captured(2).toInt());
            if (row != Meters().end() && row->second == m.captured(3).toInt()) {
                row->second = m.captured(1).toInt();
                FAffected = 1;
            }
            setSelect(false);
            setActive(true);
            return true;
        }
        return false;
    }
    bool fetch(int i) override
    {
        if (i < 0 || i >= int(FRows.size()))
            return false;
        setAt(i);
        return true;
    }
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(int(FRows.size()) - 1); }
    int size() override { return int(FRows.size()); }
    int numRowsAffected() override { return FAffected; }
    QSqlRecord record() const override { return isSelect() ? MetersLayout() : QSqlRecord(); }

private:
    std::vector<std::pair<int, int>> FRows;
    int FAffected = 0;
};

class WordDriver : public QSqlDriver {
public:
    bool hasFeature(DriverFeature) const override { return false; }
    bool open(const QString&, const QString&, const QString&, const QString&, int, const QString&) override
    {
        setOpen(true);
        setOpenError(false);
        return true;
    }
    void close() override { setOpen(false); }
    QSqlResult* createResult() const override { return new WordResult(this); }
    QSqlRecord record(const QString& table) const override
    {
        return table == QLatin1String("meters") ? MetersLayout() : QSqlRecord();
    }
    QSqlIndex primaryIndex(const QString& table) const override
    {
        QSqlIndex key(table);
        if (table == QLatin1String("meters"))
            key.append(MetersLayout().field(0));
        return key;
    }
};

TEST(WordField, TypedAsAnIntegerAndHeldToItsRange)
{
    QSqlDatabase::registerSqlDriver(QStringLiteral("WORDTEST"), new QSqlDriverCreator<WordDriver>);
    Meters() = { { 1, 65535 }, { 2, 7 } };
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("WORDTEST"), QStringLiteral("words"));
        ASSERT_TRUE(db.open());
    }
    {
        TDataSet ds;
        ds.SetConnectionName(QStringLiteral("words"));
        ds.SetTableName(QStringLiteral("meters"));
        TDataSource source;
        source.SetDataSet(&ds);
        QWidget form;
        auto* slider = new TOvDBHSlider(&form);
        slider->SetValueTo(70000.0f);
        slider->SetDigitalTo(70000);
        slider->SetDataField(QStringLiteral("reading"));
        slider->SetDataSource(&source);
        slider->Loaded();
        ds.Open();
        ASSERT_EQ(ds.FieldByName("reading")->DataType(), ftWord);
        EXPECT_EQ(slider->DataLink()->ValueKind(), TOvFieldDataLink::vkInteger);
        EXPECT_EQ(slider->Value(), 65535.0f);

        slider->SetValue(40000.0f);
        EXPECT_EQ(Meters()[1], 40000);
        EXPECT_FALSE(slider->DataReadOnly());
        // Beyond 16 bits: the field refuses it, and the slider shows what is stored.
        slider->SetValue(66000.0f);
        EXPECT_EQ(Meters()[1], 40000);
        EXPECT_EQ(slider->Value(), 40000.0f);
        EXPECT_TRUE(slider->DataReadOnly());
        EXPECT_TRUE(slider->DataLink()->LastRefusal().contains(QStringLiteral("0 to 65535")));
        ds.Next();
        EXPECT_EQ(slider->Value(), 7.0f);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("words"));
}

} // namespace
