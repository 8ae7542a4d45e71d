// TOvFieldDataLink against a real SQLite file: the three representations,
// field typing, reading, the write steps and their refusals.
#include "dbgauges/OvDB.h"
#include "tests/dbgauges/Readings.h"
#include "tests/support/SqliteTable.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Ov;

namespace {

struct LinkTest : ::testing::Test {
    SqliteTable table;
    TReadings readings { table.Connection() };
    TDataSet& ds = readings.Set;
    TDataSource& source = readings.Source;
    TOvFieldDataLink link;
    int reads = 0;
    void SetUp() override
    {
        link.SetOnDataRead([this](QObject*) { ++reads; });
    }
    void Bind(const QString& field)
    {
        link.SetFieldName(field);
        link.SetDataSource(&source);
        if (!ds.Active())
            ds.Open();
    }
};

TEST(OvFieldDataLink, RepresentationsAlwaysAgree)
{
    TOvFieldDataLink l;
    EXPECT_EQ(l.ValueKind(), TOvFieldDataLink::vkNone);
    EXPECT_FALSE(l.Writing());
    l.StoreSingle(2.7f);
    EXPECT_EQ(l.AsInteger(), 2);
    EXPECT_FALSE(l.AsBoolean());
    l.StoreSingle(1.9f); // trunc 1 counts as true
    EXPECT_EQ(l.AsInteger(), 1);
    EXPECT_TRUE(l.AsBoolean());
    l.StoreSingle(-0.5f);
    EXPECT_EQ(l.AsInteger(), 0);
    l.StoreInteger(1);
    EXPECT_EQ(l.AsSingle(), 1.0f);
    EXPECT_TRUE(l.AsBoolean());
    l.StoreInteger(2);
    EXPECT_FALSE(l.AsBoolean());
    l.StoreBoolean(true);
    EXPECT_EQ(l.AsInteger(), 1);
    EXPECT_EQ(l.AsSingle(), 1.0f);
    l.StoreBoolean(false);
    EXPECT_EQ(l.AsInteger(), 0);
    EXPECT_EQ(l.AsSingle(), 0.0f);
    l.StoreSingle(3.0e10f); // beyond 32 bits: integers are 64-bit
    EXPECT_EQ(l.AsInteger(), 30000001024LL); // the float's own value
    l.StoreSingle(-1.0e20f); // beyond 64 bits: held at the end, not wrapped
    EXPECT_EQ(l.AsInteger(), std::numeric_limits<qint64>::min());
    l.StoreSingle(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(l.AsInteger(), 0);
}

TEST_F(LinkTest, FieldTypesGiveTheValueKind)
{
    Bind(QStringLiteral("level"));
    EXPECT_EQ(link.ValueKind(), TOvFieldDataLink::vkInteger);
    link.SetFieldName(QStringLiteral("small"));
    EXPECT_EQ(link.ValueKind(), TOvFieldDataLink::vkInteger);
    link.SetFieldName(QStringLiteral("gain"));
    EXPECT_EQ(link.ValueKind(), TOvFieldDataLink::vkFloat);
    link.SetFieldName(QStringLiteral("armed"));
    EXPECT_EQ(link.ValueKind(), TOvFieldDataLink::vkBoolean);
}

TEST_F(LinkTest, TextFieldUnbindsOnTheFirstDataChange)
{
    Bind(QStringLiteral("label"));
    EXPECT_TRUE(link.FieldName().isEmpty());
    EXPECT_EQ(link.Field(), nullptr);
    EXPECT_EQ(link.ValueKind(), TOvFieldDataLink::vkNone);
    EXPECT_EQ(reads, 0);
}

TEST_F(LinkTest, DataChangeReadsOnlyDifferentValues)
{
    Bind(QStringLiteral("level"));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(link.AsInteger(), 42);
    EXPECT_EQ(link.AsSingle(), 42.0f);
    link.DataChange(); // same value: no event
    EXPECT_EQ(reads, 1);
    ds.Next();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(link.AsInteger(), 17);

    link.SetFieldName(QStringLiteral("gain"));
    EXPECT_FLOAT_EQ(link.AsSingle(), 55.5f);
    EXPECT_EQ(link.AsInteger(), 55);
}

TEST_F(LinkTest, NothingWithoutSourceOrField)
{
    link.SetFieldName(QStringLiteral("level"));
    link.DataChange();
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(link.DbWrite());
    EXPECT_FALSE(link.DbWriteSingle(5.0f));
    link.SetDataSource(&source); // dataset closed: inactive
    EXPECT_FALSE(link.DbWrite());
    EXPECT_FALSE(link.DbWriteInteger(5));
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

TEST_F(LinkTest, WritesByTypeAndIgnoresItsOwnChange)
{
    Bind(QStringLiteral("level"));
    const int readsBefore = reads;
    EXPECT_TRUE(link.DbWriteSingle(43.0f));
    EXPECT_EQ(table.Stored("level", 1).toInt(), 43);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(link.Writing());
    EXPECT_EQ(reads, readsBefore); // its own write is not read back
    EXPECT_FALSE(link.DbWriteSingle(43.0f)); // unchanged: nothing

    link.SetFieldName(QStringLiteral("armed"));
    EXPECT_TRUE(link.DbWriteBoolean(false));
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 0);
    EXPECT_TRUE(link.DbWriteBoolean(true));
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 1);

    link.SetFieldName(QStringLiteral("gain"));
    EXPECT_TRUE(link.DbWriteInteger(7));
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 7.0);
}

TEST_F(LinkTest, IndexFieldIsNeverWritten)
{
    Bind(QStringLiteral("id"));
    EXPECT_TRUE(link.FieldIsIndex());
    EXPECT_FALSE(link.DbWriteSingle(9.0f));
    EXPECT_FALSE(link.DbWriteInteger(9));
    EXPECT_FALSE(link.DbWriteBoolean(true));
    EXPECT_FALSE(link.DbWrite());
    EXPECT_EQ(table.Stored("id", 1).toInt(), 1);
    // The stored value is the record's again.
    EXPECT_EQ(link.AsInteger(), 1);
    EXPECT_FALSE(link.ReadOnly());
}

TEST_F(LinkTest, DatabaseErrorMakesTheLinkReadOnlySilently)
{
    Bind(QStringLiteral("gain"));
    int reread = 0;
    link.SetOnDataRead([&reread](QObject*) { ++reread; });
    bool result = true;
    EXPECT_NO_THROW(result = link.DbWriteSingle(5000.0f)); // breaks the CHECK constraint
    EXPECT_FALSE(result);
    EXPECT_TRUE(link.ReadOnly());
    EXPECT_TRUE(link.LastWriteRefused());
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
    // The stored value is the database's again, and the owner was told.
    EXPECT_FLOAT_EQ(link.AsSingle(), 2.7f);
    EXPECT_EQ(reread, 1);
    // Read-only for good: the next write does nothing.
    EXPECT_FALSE(link.DbWriteSingle(6.0f));
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
    // Until cleared.
    link.SetReadOnly(false);
    EXPECT_TRUE(link.DbWriteSingle(6.0f));
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 6.0);
}

TEST_F(LinkTest, ReadOnlyDatabaseFileIsADatabaseError)
{
    TReadings ro(table.Open(true));
    link.SetFieldName(QStringLiteral("level"));
    link.SetDataSource(&ro.Source);
    ro.Set.Open();
    EXPECT_NO_THROW(EXPECT_FALSE(link.DbWriteSingle(50.0f)));
    EXPECT_TRUE(link.ReadOnly());
    EXPECT_EQ(link.AsInteger(), 42);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

TEST_F(LinkTest, ValueOutsideTheFieldsRangeIsADatabaseError)
{
    Bind(QStringLiteral("small")); // SMALLINT
    EXPECT_FALSE(link.DbWriteSingle(70000.0f));
    EXPECT_TRUE(link.ReadOnly());
    EXPECT_EQ(link.AsInteger(), 7);
    EXPECT_EQ(table.Stored("small", 1).toInt(), 7);
}

TEST_F(LinkTest, ReadOnlyDatasetRefusesEditAndRestoresTheValue)
{
    Bind(QStringLiteral("level"));
    ds.SetReadOnly(true);
    EXPECT_FALSE(link.DbWriteInteger(50));
    EXPECT_EQ(link.AsInteger(), 42);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

} // namespace
