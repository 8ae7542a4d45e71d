// The data-aware wrappers on a real SQLite file: reading into the gauges,
// writing the user's changes back, refusals, display wrappers, removal.
#include "dbgauges/OvDBCtrls.h"
#include "tests/dbgauges/Readings.h"
#include "tests/support/SqliteTable.h"

#include <QKeyEvent>
#include <QMetaProperty>
#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Ov;

namespace {

struct WrapperTest : ReadingsForm {
    void SetUp() override
    {
        // Every UPDATE of the table is counted.
        table.Exec(QStringLiteral("CREATE TABLE writes (n INTEGER)"));
        table.Exec(QStringLiteral("CREATE TRIGGER count_writes AFTER UPDATE ON readings "
                                  "BEGIN INSERT INTO writes VALUES (1); END"));
    }
    int Writes()
    {
        QSqlQuery q(QSqlDatabase::database(table.Connection()));
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM writes")) && q.next() ? q.value(0).toInt() : -1;
    }
};

TEST_F(WrapperTest, DialOnIntegerFieldShowsAndWritesWholeSteps)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    dial->SignalSettings().SetDigitalTo(100); // one key step is one unit
    ds.Open();
    EXPECT_EQ(dial->Value(), 42.0f);
    Key(dial, Qt::Key_Up);
    EXPECT_EQ(dial->Value(), 43.0f);
    const QVariant stored = table.Stored("level", 1);
    EXPECT_EQ(stored.toInt(), 43);
    EXPECT_EQ(stored.typeId(), QMetaType::LongLong); // stored as an integer
    EXPECT_EQ(Writes(), 1);
}

TEST_F(WrapperTest, FloatToTwoStateTruncates)
{
    auto* led = Make<TOvDBLED>(QStringLiteral("gain")); // 2.7
    auto* btn = Make<TOvDBColBitBtn>(QStringLiteral("gain"));
    ds.Open();
    EXPECT_EQ(led->StatusInt(), 2);
    EXPECT_FALSE(led->Checked()); // bit 0 of 2
    EXPECT_EQ(btn->StatusInt(), 2);
    EXPECT_EQ(Writes(), 0);
    // Clicking the button (bit 0 on) writes the new status.
    btn->SetChecked(true);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 3.0);
    EXPECT_EQ(led->StatusInt(), 3); // the other gauge on the field follows
}

TEST_F(WrapperTest, BooleanFieldAndToggleSwitchBothWays)
{
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("armed"));
    ds.Open();
    EXPECT_TRUE(sw->Checked()); // record 1: armed
    sw->SetChecked(false);
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 0);
    sw->SetChecked(true);
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 1);
    ds.Next(); // record 2: not armed
    EXPECT_FALSE(sw->Checked());
    ds.Next(); // record 3: armed
    EXPECT_TRUE(sw->Checked());
    EXPECT_EQ(Writes(), 2);
}

TEST_F(WrapperTest, RockerSwitchOnBooleanFieldWritesClicks)
{
    auto* rocker = Make<TOvDBRockerSwitch>(QStringLiteral("armed"));
    rocker->SetMode(mSwitch);
    ds.Open();
    ASSERT_TRUE(rocker->Checked());
    rocker->SetChecked(false);
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 0);
}

TEST_F(WrapperTest, TextFieldClearsDataField)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("label"));
    auto* led = Make<TOvDBLED>(QStringLiteral("label"));
    const float before = dial->Value();
    ds.Open();
    EXPECT_TRUE(dial->DataField().isEmpty());
    EXPECT_TRUE(led->DataField().isEmpty());
    EXPECT_EQ(dial->Value(), before);
    dial->SetValue(12.0f);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(WrapperTest, MovingRecordsUpdatesEveryGaugeWithoutWriting)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    auto* gear = Make<TOvDBGearDial>(QStringLiteral("gain"));
    auto* slider = Make<TOvDBHSlider>(QStringLiteral("level"));
    auto* meter = Make<TOvDB270Meter>(QStringLiteral("level"));
    auto* tank = Make<TOvDBTank>(QStringLiteral("gain"));
    auto* led = Make<TOvDBLED>(QStringLiteral("armed"));
    ds.Open();
    EXPECT_EQ(dial->Value(), 42.0f);
    EXPECT_EQ(slider->Value(), 42.0f);
    EXPECT_EQ(meter->Value(), 42.0f);
    EXPECT_FLOAT_EQ(tank->Value(), 2.7f);
    ds.Next();
    EXPECT_EQ(dial->Value(), 17.0f);
    EXPECT_FLOAT_EQ(gear->Value(), 55.5f);
    EXPECT_EQ(meter->Value(), 17.0f);
    EXPECT_FALSE(led->Checked());
    // Record 3's gain 0.25 does not fit the gear dial's 0.1 steps: the dial
    // shows 0.2, and the stored 0.25 stays as it is.
    ds.Next();
    EXPECT_NEAR(gear->Value(), 0.2f, 1e-6);
    EXPECT_EQ(table.Stored("gain", 3).toDouble(), 0.25);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(WrapperTest, RepaintOfAQuantizedReadValueWritesNothing)
{
    // The dial re-announces its value at every paint and focus change; a
    // value it rounded on reading (0.25 shown as 0.2) must not reach the table.
    auto* dial = Make<TOvDBDial>(QStringLiteral("gain"));
    ds.Open();
    ds.Last();
    EXPECT_NEAR(dial->Value(), 0.2f, 1e-6);
    dial->Snapshot();
    dial->Repaint();
    dial->ValueChange();
    EXPECT_EQ(table.Stored("gain", 3).toDouble(), 0.25);
    EXPECT_EQ(Writes(), 0);
    // A real turn still writes, and turning back to the shown value too.
    dial->SetValue(0.5f);
    EXPECT_EQ(table.Stored("gain", 3).toDouble(), 0.5);
    dial->SetValue(0.2f);
    EXPECT_NEAR(table.Stored("gain", 3).toDouble(), 0.2, 1e-6);
    EXPECT_EQ(Writes(), 2);
}

TEST_F(WrapperTest, WriteOfOneGaugeReachesTheOthersOnTheField)
{
    auto* vs = Make<TOvDBVSlider>(QStringLiteral("level"));
    auto* ind = Make<TOvDBValueInd>(QStringLiteral("level"));
    ds.Open();
    vs->SetValue(64.0f);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 64);
    EXPECT_EQ(ind->Value(), 64.0f);
}

TEST_F(WrapperTest, PrimaryKeyWriteIsRefusedAndTheGaugeShowsTheKey)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("id"));
    ds.Open();
    EXPECT_EQ(dial->Value(), 1.0f);
    dial->SetValue(5.0f);
    EXPECT_EQ(dial->Value(), 1.0f);
    EXPECT_EQ(table.Stored("id", 1).toInt(), 1);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(WrapperTest, DatabaseErrorMakesTheWrapperReadOnlyAndShowsTheStoredValue)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("gain"));
    dial->SignalSettings().SetValueTo(2000.0f);
    ds.Open();
    EXPECT_EQ(dial->Value(), 2.0f); // 2.7 in the dial's steps of 2
    dial->SetValue(1500.0f);        // breaks the CHECK constraint
    EXPECT_TRUE(dial->DataReadOnly());
    EXPECT_EQ(dial->Value(), 2.0f); // back at the stored value
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
    dial->SetValue(100.0f); // read-only now: no write
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
}

TEST_F(WrapperTest, ReadOnlyDatabaseFileMakesTheSwitchReadOnly)
{
    TReadings ro(table.Open(true));
    auto* sw = new TOvDBToggleSwitch(&form);
    sw->SetDataField(QStringLiteral("armed"));
    sw->SetDataSource(&ro.Source);
    sw->Loaded();
    ro.Set.Open();
    ASSERT_TRUE(sw->Checked());
    sw->SetChecked(false);
    EXPECT_TRUE(sw->DataReadOnly());
    EXPECT_TRUE(sw->Checked()); // what the database holds
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 1);
    delete sw;
}

TEST_F(WrapperTest, DisplayWrappersWriteOnlyAfterDataReadOnlyIsCleared)
{
    auto* m = Make<TOvDB120Meter>(QStringLiteral("level"));
    auto* th = Make<TOvDBThermometer>(QStringLiteral("level"));
    auto* bar = Make<TOvDBVBar>(QStringLiteral("level"));
    EXPECT_TRUE(m->DataReadOnly());
    EXPECT_TRUE(th->DataReadOnly());
    EXPECT_TRUE(bar->DataReadOnly());
    ds.Open();
    m->SetValue(77.0f);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
    EXPECT_EQ(Writes(), 0);
    m->SetDataReadOnly(false);
    m->SetValue(78.0f);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 78);
    EXPECT_EQ(th->Value(), 78.0f);
}

TEST_F(WrapperTest, EveryWrapperReadsItsField)
{
    std::vector<QWidget*> analog = {
        Make<TOvDBHSlider>("level"), Make<TOvDBVSlider>("level"), Make<TOvDBDial>("level"),
        Make<TOvDBGearDial>("level"), Make<TOvDBValueInd>("level"), Make<TOvDBHMeter>("level"),
        Make<TOvDBVMeter>("level"), Make<TOvDBFlexHMeter>("level"), Make<TOvDBFlexVMeter>("level"),
        Make<TOvDB270Meter>("level"), Make<TOvDB180Meter>("level"), Make<TOvDB120Meter>("level"),
        Make<TOvDBBar>("level"), Make<TOvDBVBar>("level"), Make<TOvDBHBar>("level"),
        Make<TOvDBThermometer>("level"), Make<TOvDBTank>("level"),
    };
    std::vector<TOvBinGControl*> twoState = { Make<TOvDBLED>("small"), Make<TOvDBColBitBtn>("small"),
                                              Make<TOvDBRockerSwitch>("small"), Make<TOvDBToggleSwitch>("small") };
    ds.Open();
    for (QWidget* w : analog) {
        ASSERT_NE(OvDBDataLinkOf(w), nullptr);
        EXPECT_EQ(OvDBDataLinkOf(w)->AsSingle(), 42.0f) << w->metaObject()->className();
        if (auto* d = dynamic_cast<TOvDial*>(w))
            EXPECT_EQ(d->Value(), 42.0f);
        else
            EXPECT_FLOAT_EQ(w->property("Value").toFloat(), 42.0f) << w->metaObject()->className();
    }
    for (TOvBinGControl* b : twoState)
        EXPECT_EQ(b->StatusInt(), 7) << b->metaObject()->className();
    EXPECT_EQ(OvDBDataLinkOf(&form), nullptr);
    EXPECT_EQ(Writes(), 0);
}

TEST_F(WrapperTest, EmptyTableTakesNoWritesAndThrowsNothing)
{
    table.Exec(QStringLiteral("DELETE FROM readings"));
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("armed"));
    ds.Open();
    EXPECT_NO_THROW(dial->SetValue(30.0f));
    EXPECT_NO_THROW(sw->SetChecked(!sw->Checked()));
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_FALSE(dial->DataReadOnly()); // a refusal, not a database error
}

TEST_F(WrapperTest, RemovedDataSourceLeavesTheWrapperUnbound)
{
    auto* src = new TDataSource;
    src->SetDataSet(&ds);
    auto* dial = new TOvDBDial(&form);
    dial->SetDataField(QStringLiteral("level"));
    dial->SetDataSource(src);
    dial->Loaded();
    ds.Open();
    EXPECT_EQ(dial->DataSource(), src);
    delete src;
    EXPECT_EQ(dial->DataSource(), nullptr);
    dial->SetValue(3.0f); // no source: nothing to write, nothing to crash
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

TEST_F(WrapperTest, FixedDataSourceIsKeptWhileLoading)
{
    TDataSource other;
    auto* dial = new TOvDBDial(&form);
    dial->SetDataSource(&source);
    dial->DataLink()->SetDataSourceFixed(true);
    dial->SetDataSource(&other); // still loading: ignored
    EXPECT_EQ(dial->DataSource(), &source);
    dial->Loaded();
    dial->SetDataSource(&other);
    EXPECT_EQ(dial->DataSource(), &other);
}

TEST_F(WrapperTest, PublishedPropertiesInOrder)
{
    TOvDBDial dial;
    const QMetaObject* mo = dial.metaObject();
    const int n = mo->propertyCount();
    ASSERT_GE(n, 3);
    EXPECT_STREQ(mo->property(n - 3).name(), "DataField");
    EXPECT_STREQ(mo->property(n - 2).name(), "DataSource");
    EXPECT_STREQ(mo->property(n - 1).name(), "DataReadOnly");
    EXPECT_TRUE(dial.setProperty("DataField", QStringLiteral("level")));
    EXPECT_EQ(dial.DataField(), "level");
}

} // namespace
