// The dataset layer against a real SQLite file: types, navigation, states,
// edit and write-back, refusals, and the notifications the links receive.
#include "platform/dataset/DataSet.h"
#include "tests/support/SqliteTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace Ov;

namespace {

// Counts what a link hears.
class CountingLink : public TFieldDataLink {
public:
    CountingLink()
    {
        OnDataChange = [this] { ++DataChanges; };
        OnActiveChange = [this] { ++ActiveChanges; };
        OnEditingChange = [this] { ++EditingChanges; };
    }
    int DataChanges = 0, ActiveChanges = 0, EditingChanges = 0;
};

struct DataSetTest : ::testing::Test {
    SqliteTable table;
    TDataSet ds;
    TDataSource source;
    void SetUp() override
    {
        ds.SetConnectionName(table.Connection());
        ds.SetTableName(QStringLiteral("readings"));
        source.SetDataSet(&ds);
    }
};

TEST_F(DataSetTest, OpensWithTypesKeyAndFirstRecord)
{
    EXPECT_EQ(ds.State(), dsInactive);
    ds.Open();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(source.State(), dsBrowse);
    ASSERT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ds.FieldByName("level")->DataType(), ftLargeint); // SQLite integers are 64-bit
    EXPECT_EQ(ds.FieldByName("gain")->DataType(), ftFloat);
    EXPECT_EQ(ds.FieldByName("armed")->DataType(), ftBoolean);
    EXPECT_EQ(ds.FieldByName("label")->DataType(), ftString);
    EXPECT_EQ(ds.FieldByName("small")->DataType(), ftSmallint); // SQLite declared type
    EXPECT_EQ(ds.IndexFieldNames(), QStringList { "id" });
    EXPECT_TRUE(ds.FieldByName("id")->IsIndexField());
    EXPECT_FALSE(ds.FieldByName("level")->IsIndexField());
    EXPECT_EQ(ds.FieldByName("level")->AsInteger(), 42);
    EXPECT_FLOAT_EQ(ds.FieldByName("gain")->AsFloat(), 2.7);
    EXPECT_EQ(ds.FieldByName("gain")->AsInteger(), 2); // truncated
    EXPECT_TRUE(ds.FieldByName("armed")->AsBoolean());
    EXPECT_EQ(ds.FieldByName("label")->AsString(), "alpha");
    EXPECT_EQ(ds.FindField("nope"), nullptr);
    EXPECT_THROW(ds.FieldByName("nope"), EDatabaseError);
}

TEST_F(DataSetTest, NavigationStopsAtTheEnds)
{
    ds.Open();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 0);
    ds.Next();
    ds.Next();
    EXPECT_EQ(ds.FieldByName("label")->AsString(), "gamma");
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.First();
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 1);
}

TEST_F(DataSetTest, EditPostWritesOnlyChangedFieldsAndReadsBack)
{
    ds.Open();
    ds.Next();
    EXPECT_THROW(ds.FieldByName("level")->SetAsInteger(5), EDatabaseError); // not in edit mode
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    ds.FieldByName("level")->SetAsFloat(23.0); // the database converts it to its integer
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(ds.FieldByName("level")->AsInteger(), 23); // the edit buffer
    EXPECT_EQ(table.Stored("level", 2).toInt(), 17);     // not yet written
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(table.Stored("level", 2).toInt(), 23);
    EXPECT_EQ(table.Stored("gain", 2).toDouble(), 55.5);
    EXPECT_EQ(ds.FieldByName("level")->Value().typeId(), QMetaType::LongLong); // as stored
}

TEST_F(DataSetTest, WritesAreConvertedToTheFieldsType)
{
    ds.Open();
    ds.Edit();
    ds.FieldByName("level")->SetAsFloat(23.6);
    EXPECT_EQ(ds.FieldByName("level")->Value(), QVariant(qlonglong(24)));
    EXPECT_THROW(ds.FieldByName("small")->SetAsInteger(40000), EDatabaseError);
    EXPECT_THROW(ds.FieldByName("level")->SetAsFloat(std::nan("")), EDatabaseError);
    ds.FieldByName("armed")->SetAsInteger(0);
    EXPECT_EQ(ds.FieldByName("armed")->Value(), QVariant(false));
    ds.FieldByName("gain")->SetAsInteger(3);
    EXPECT_EQ(ds.FieldByName("gain")->Value(), QVariant(3.0));
    ds.Post();
    EXPECT_EQ(table.Stored("level", 1).toInt(), 24);
    EXPECT_EQ(table.Stored("small", 1).toInt(), 7); // the refused value never reached the buffer
}

TEST_F(DataSetTest, CancelAndMovingPostOrDropTheBuffer)
{
    ds.Open();
    ds.Edit();
    ds.FieldByName("level")->SetAsInteger(1);
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("level")->AsInteger(), 42);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
    ds.Edit();
    ds.FieldByName("level")->SetAsInteger(2);
    ds.Next(); // moving posts the pending edit
    EXPECT_EQ(table.Stored("level", 1).toInt(), 2);
}

TEST_F(DataSetTest, RefusedPostRaisesAndKeepsEditMode)
{
    ds.Open();
    ds.Edit();
    ds.FieldByName("gain")->SetAsFloat(5000.0); // breaks the CHECK constraint
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Cancel();
    EXPECT_FLOAT_EQ(ds.FieldByName("gain")->AsFloat(), 2.7);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
}

TEST_F(DataSetTest, PostWritesOnlyOverTheValuesTheRecordWasReadWith)
{
    ds.Open();
    // Another writer changes a field this post leaves alone: no conflict.
    table.Exec(QStringLiteral("UPDATE readings SET gain = 9.5 WHERE id = 1"));
    ds.Edit();
    ds.FieldByName("level")->SetAsInteger(43);
    ds.Post();
    EXPECT_EQ(table.Stored("level", 1).toInt(), 43);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 9.5);
    EXPECT_EQ(ds.FieldByName("gain")->AsFloat(), 9.5); // read back with the row

    // ... and one this post writes: nothing is written, the record shows the
    // other writer's value.
    table.Exec(QStringLiteral("UPDATE readings SET level = 60 WHERE id = 1"));
    ds.Edit();
    ds.FieldByName("level")->SetAsInteger(44);
    EXPECT_THROW(ds.Post(), EUpdateConflict);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 60);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName("level")->AsInteger(), 60);
    // A NULL read is a value like any other.
    table.Exec(QStringLiteral("UPDATE readings SET armed = NULL WHERE id = 1"));
    ds.Refresh();
    ds.Edit();
    ds.FieldByName("armed")->SetAsBoolean(true);
    ds.Post();
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 1);
}

TEST_F(DataSetTest, PostOnADeletedRecordDropsIt)
{
    ds.Open();
    ds.Next();
    table.Exec(QStringLiteral("DELETE FROM readings WHERE id = 2"));
    ds.Edit();
    ds.FieldByName("level")->SetAsInteger(5);
    EXPECT_THROW(ds.Post(), ERecordLost);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 3); // the next record takes its place
    EXPECT_EQ(table.Stored("level", 3).toInt(), 99);
}

TEST_F(DataSetTest, IntegersAreSixtyFourBit)
{
    table.Exec(QStringLiteral("UPDATE readings SET level = 3000000000 WHERE id = 1"));
    table.Exec(QStringLiteral("UPDATE readings SET level = -3000000000 WHERE id = 2"));
    ds.Open();
    TField* level = ds.FieldByName("level");
    EXPECT_EQ(level->AsLargeInt(), 3000000000LL);
    EXPECT_EQ(level->AsInteger(), INT_MAX); // held at the end of its range, never wrapped
    EXPECT_EQ(level->AsFloat(), 3.0e9);
    ds.Edit();
    level->SetAsLargeInt(-5000000000LL);
    ds.Post();
    EXPECT_EQ(table.Stored("level", 1).toLongLong(), -5000000000LL);
    ds.Next();
    EXPECT_EQ(level->AsLargeInt(), -3000000000LL);
    EXPECT_EQ(level->AsInteger(), INT_MIN);
    // A 32-bit field keeps its own range.
    ds.Edit();
    EXPECT_THROW(ds.FieldByName("small")->SetAsLargeInt(3000000000LL), EDatabaseError);
    ds.Cancel();
}

TEST_F(DataSetTest, ReadOnlyConnectionRefusesThePost)
{
    TDataSet ro;
    ro.SetConnectionName(table.Open(true));
    ro.SetTableName(QStringLiteral("readings"));
    ro.Open();
    ro.Edit();
    ro.FieldByName("level")->SetAsInteger(7);
    EXPECT_THROW(ro.Post(), EDatabaseError);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

TEST_F(DataSetTest, ReadOnlyDatasetAndKeylessQueryCannotEdit)
{
    ds.Open();
    ds.SetReadOnly(true);
    EXPECT_FALSE(ds.CanModify());
    EXPECT_THROW(ds.Edit(), EDatabaseError);
    EXPECT_FALSE(source.Edit());

    TDataSet q;
    q.SetConnectionName(table.Connection());
    q.SetSelectSql(QStringLiteral("SELECT level, label FROM readings WHERE level > 20"));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_FALSE(q.CanModify());
}

TEST_F(DataSetTest, BadTableOrConnectionIsAnErrorNotACrash)
{
    TDataSet bad;
    bad.SetConnectionName(table.Connection());
    bad.SetTableName(QStringLiteral("missing"));
    EXPECT_THROW(bad.Open(), EDatabaseError);
    EXPECT_FALSE(bad.Active());
    TDataSet none;
    none.SetConnectionName(QStringLiteral("no such connection"));
    none.SetTableName(QStringLiteral("readings"));
    EXPECT_THROW(none.Open(), EDatabaseError);
}

TEST_F(DataSetTest, LinksHearActivityRecordFieldAndEditing)
{
    CountingLink link;
    link.SetFieldName(QStringLiteral("level"));
    link.SetDataSource(&source);
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.Field(), nullptr);
    ds.Open();
    EXPECT_TRUE(link.Active());
    ASSERT_NE(link.Field(), nullptr);
    EXPECT_EQ(link.ActiveChanges, 1);

    const int before = link.DataChanges;
    ds.Next();
    EXPECT_EQ(link.DataChanges, before + 1);

    // A change of another field does not reach this link; its own does.
    ds.Edit();
    EXPECT_TRUE(link.Editing());
    const int atEdit = link.DataChanges;
    ds.FieldByName("gain")->SetAsFloat(1.0);
    EXPECT_EQ(link.DataChanges, atEdit);
    ds.FieldByName("level")->SetAsInteger(3);
    EXPECT_EQ(link.DataChanges, atEdit + 1);
    ds.Post();
    EXPECT_FALSE(link.Editing());

    ds.Close();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.Field(), nullptr);
}

TEST_F(DataSetTest, FieldLinkEditsOnlyWhenItCanModify)
{
    TFieldDataLink link;
    link.SetDataSource(&source);
    link.SetFieldName(QStringLiteral("level"));
    ds.Open();
    link.SetReadOnly(true);
    EXPECT_FALSE(link.CanModify());
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds.State(), dsBrowse);
    link.SetReadOnly(false);
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(ds.State(), dsEdit);
    link.Field()->SetAsInteger(64);
    link.Modified();
    link.UpdateRecord(); // writes the record back
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 64);
}

TEST_F(DataSetTest, RefreshReadsOtherWritersAndKeepsTheRecord)
{
    CountingLink link;
    link.SetFieldName(QStringLiteral("level"));
    link.SetDataSource(&source);
    ds.Open();
    ds.Next(); // id 2
    table.Exec(QStringLiteral("UPDATE readings SET level = 5 WHERE id = 2"));
    table.Exec(QStringLiteral("DELETE FROM readings WHERE id = 1"));
    const int before = link.DataChanges;
    ds.Refresh();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(ds.FieldByName("level")->AsInteger(), 5);
    EXPECT_GT(link.DataChanges, before);
    EXPECT_EQ(link.Field(), ds.FieldByName("level")); // the fields stay
}

TEST_F(DataSetTest, DestroyedSourceAndDatasetLeaveLinksInactive)
{
    auto* src = new TDataSource;
    auto* set = new TDataSet;
    set->SetConnectionName(table.Connection());
    set->SetTableName(QStringLiteral("readings"));
    src->SetDataSet(set);
    set->Open();
    CountingLink link;
    link.SetFieldName(QStringLiteral("level"));
    link.SetDataSource(src);
    EXPECT_TRUE(link.Active());
    delete set;
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.Field(), nullptr);
    delete src;
    EXPECT_EQ(link.DataSource(), nullptr);
}

} // namespace
