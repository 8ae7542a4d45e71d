// What the data-aware gauges show after a write, on a real SQLite file: a
// refused write (read-only dataset or link, constraint, lock, key field, lost
// row, another writer's change) leaves every wrapper kind showing what the
// file holds, and a write that went through shows what was stored (the
// field's own rounding, 64-bit integers).
#include "dbgauges/OvDBCtrls.h"
#include "tests/dbgauges/Readings.h"
#include "tests/support/SqliteTable.h"

#include <QApplication>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QKeyEvent>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

using namespace Ov;

namespace {

struct RefusalTest : ReadingsForm {
    // A dial over 0..100 in steps of 0.1.
    TOvDBDial* FineDial(const QString& field)
    {
        auto* dial = Make<TOvDBDial>(field);
        dial->SignalSettings().SetDigitalTo(1000);
        return dial;
    }
};

// Every wrapper, bound to `level` (42 in record 1) and writable.
struct AnyWrapper {
    const char* Name;
    std::function<QWidget*(RefusalTest&)> Make;
};

template <class W>
AnyWrapper Wrapper(const char* name)
{
    return { name, [](RefusalTest& t) -> QWidget* {
                auto* w = t.Make<W>(QStringLiteral("level"));
                w->SetDataReadOnly(false);
                return w;
            } };
}

std::vector<AnyWrapper> AnalogWrappers()
{
    return { Wrapper<TOvDBHSlider>("HSlider"),       Wrapper<TOvDBVSlider>("VSlider"),
             Wrapper<TOvDBDial>("Dial"),             Wrapper<TOvDBGearDial>("GearDial"),
             Wrapper<TOvDBValueInd>("ValueInd"),     Wrapper<TOvDBHMeter>("HMeter"),
             Wrapper<TOvDBVMeter>("VMeter"),         Wrapper<TOvDBFlexHMeter>("FlexHMeter"),
             Wrapper<TOvDBFlexVMeter>("FlexVMeter"), Wrapper<TOvDB270Meter>("270Meter"),
             Wrapper<TOvDB180Meter>("180Meter"),     Wrapper<TOvDB120Meter>("120Meter"),
             Wrapper<TOvDBBar>("Bar"),               Wrapper<TOvDBVBar>("VBar"),
             Wrapper<TOvDBHBar>("HBar"),             Wrapper<TOvDBThermometer>("Thermometer"),
             Wrapper<TOvDBTank>("Tank") };
}

std::vector<AnyWrapper> TwoStateWrappers()
{
    return { Wrapper<TOvDBLED>("LED"), Wrapper<TOvDBColBitBtn>("ColBitBtn"),
             Wrapper<TOvDBRockerSwitch>("RockerSwitch"), Wrapper<TOvDBToggleSwitch>("ToggleSwitch") };
}

float ValueOf(QWidget* w) { return w->property("Value").toFloat(); }

// ---------------------------------------------------------------- refusals

TEST_F(RefusalTest, ReadOnlyDatasetDialShowsTheStoredValue)
{
    auto* dial = FineDial(QStringLiteral("gain"));
    ds.Open();
    ASSERT_FLOAT_EQ(dial->Value(), 2.7f);
    ds.SetReadOnly(true);
    Key(dial, Qt::Key_Up);
    EXPECT_FLOAT_EQ(dial->Value(), 2.7f);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
}

TEST_F(RefusalTest, AfterAConstraintMadeTheLinkReadOnlyKeysShowTheStoredValue)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("gain"));
    dial->SignalSettings().SetValueTo(2000.0f);
    dial->SignalSettings().SetDigitalTo(2000); // whole units
    ds.Open();
    ASSERT_FLOAT_EQ(dial->Value(), 3.0f); // 2.7 in whole units
    dial->SetValue(1500.0f); // breaks CHECK (gain <= 1000)
    ASSERT_TRUE(dial->DataReadOnly());
    ASSERT_FLOAT_EQ(dial->Value(), 3.0f);
    Key(dial, Qt::Key_Down);
    EXPECT_FLOAT_EQ(dial->Value(), 3.0f);
    Key(dial, Qt::Key_Up);
    Key(dial, Qt::Key_Up);
    EXPECT_FLOAT_EQ(dial->Value(), 3.0f);
    EXPECT_EQ(table.Stored("gain", 1).toDouble(), 2.7);
}

TEST_F(RefusalTest, ToggleWithDataReadOnlyDoesNotFlipOnAClick)
{
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("armed"));
    sw->SetMode(mSwitch);
    ds.Open();
    ASSERT_TRUE(sw->Checked());
    sw->SetDataReadOnly(true);
    sw->Toggle();
    EXPECT_TRUE(sw->Checked());
    EXPECT_EQ(table.Stored("armed", 1).toInt(), 1);
}

TEST_F(RefusalTest, TwoStateWrappersOnTheKeyFieldShowTheKey)
{
    // Record 2: id 2, bit 0 clear. Setting bit 0 would make it 3.
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("id"));
    auto* btn = Make<TOvDBColBitBtn>(QStringLiteral("id"));
    sw->SetMode(mSwitch);
    ds.Open();
    ds.Next();
    ASSERT_EQ(sw->StatusInt(), 2);
    ASSERT_FALSE(sw->Checked());
    sw->Toggle();
    EXPECT_EQ(sw->StatusInt(), 2);
    EXPECT_FALSE(sw->Checked());
    btn->Toggle();
    EXPECT_EQ(btn->StatusInt(), 2);
    EXPECT_FALSE(btn->Checked());
    EXPECT_EQ(table.Stored("id", 2).toInt(), 2);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(RefusalTest, EveryWrapperKindShowsTheStoredValueWhenTheDatasetIsReadOnly)
{
    std::vector<std::pair<const char*, QWidget*>> analog, twoState;
    for (const AnyWrapper& w : AnalogWrappers())
        analog.emplace_back(w.Name, w.Make(*this));
    for (const AnyWrapper& w : TwoStateWrappers())
        twoState.emplace_back(w.Name, w.Make(*this));
    ds.Open();
    ds.SetReadOnly(true);
    for (auto [name, w] : analog) {
        w->setProperty("Value", 50.0f);
        EXPECT_FLOAT_EQ(ValueOf(w), 42.0f) << name;
    }
    for (auto [name, w] : twoState) {
        auto* b = static_cast<TOvBinGControl*>(w);
        b->SetStatusInt(3);
        EXPECT_EQ(b->StatusInt(), 42) << name;
    }
    EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
}

TEST_F(RefusalTest, ALockedDatabaseRefusesAndTheGaugeShowsTheStoredValue)
{
    // A second connection holds the write lock; ours gives up at once.
    const QString mine = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mine);
        db.setDatabaseName(table.Path());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        ASSERT_TRUE(db.open());
    }
    {
        TReadings locked(mine);
        auto* dial = new TOvDBDial(&form);
        dial->SignalSettings().SetDigitalTo(100);
        dial->SetDataField(QStringLiteral("level"));
        dial->SetDataSource(&locked.Source);
        dial->Loaded();
        locked.Set.Open();
        ASSERT_EQ(dial->Value(), 42.0f);
        QSqlQuery other(QSqlDatabase::database(table.Connection()));
        ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        Key(dial, Qt::Key_Up);
        EXPECT_EQ(dial->Value(), 42.0f);
        ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));
        EXPECT_EQ(table.Stored("level", 1).toInt(), 42);
        delete dial;
    }
    QSqlDatabase::removeDatabase(mine);
}

TEST_F(RefusalTest, ALostRowRefusesAndTheGaugeShowsWhatIsStored)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    dial->SignalSettings().SetDigitalTo(100);
    ds.Open();
    ASSERT_EQ(dial->Value(), 42.0f);
    table.Exec(QStringLiteral("DELETE FROM readings WHERE id = 1"));
    Key(dial, Qt::Key_Up);
    // Record 1 is gone: the gauge shows the record the dataset now stands on.
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(dial->Value(), float(ds.FieldByName("level")->AsInteger()));
    EXPECT_EQ(table.Stored("level", 2).toInt(), 17);
    EXPECT_EQ(table.Stored("level", 3).toInt(), 99);
}

// ---------------------------------------------------------------- telling the program

// The reasons of the refusals a spy recorded.
QStringList Reasons(const QSignalSpy& spy)
{
    QStringList r;
    for (const QList<QVariant>& call : spy)
        r << call.at(0).toString();
    return r;
}

TEST_F(RefusalTest, EachRefusalIsSignalledWithItsReason)
{
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    dial->SignalSettings().SetDigitalTo(100);
    auto* key = Make<TOvDBDial>(QStringLiteral("id"));
    key->SignalSettings().SetDigitalTo(100);
    QSignalSpy refused(dial, &TOvDBDial::writeRefused);
    QSignalSpy keyRefused(key, &TOvDBDial::writeRefused);
    QSignalSpy readOnly(dial, &TOvDBDial::dataReadOnlyChanged);
    ds.Open();
    Key(dial, Qt::Key_Up); // written
    EXPECT_EQ(refused.count(), 0);
    Key(key, Qt::Key_Up);
    EXPECT_EQ(Reasons(keyRefused), QStringList { "the field is part of the key" });

    ds.SetReadOnly(true);
    Key(dial, Qt::Key_Up);
    ds.SetReadOnly(false);
    dial->SetDataReadOnly(true);
    Key(dial, Qt::Key_Up);
    dial->SetDataReadOnly(false);
    table.Exec(QStringLiteral("UPDATE readings SET level = 60 WHERE id = 1"));
    Key(dial, Qt::Key_Up);
    ASSERT_EQ(refused.count(), 3);
    EXPECT_EQ(Reasons(refused), (QStringList { "the dataset is read-only", "the gauge is read-only (DataReadOnly)",
                                               "changed by another writer" }));
    EXPECT_EQ(dial->Value(), 60.0f);
    // The program's own changes of DataReadOnly are announced too.
    EXPECT_EQ(readOnly.count(), 2);
}

TEST_F(RefusalTest, ADatabaseErrorIsSignalledAndMakesTheWrapperReadOnly)
{
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("armed"));
    auto* gauge = Make<TOvDBThermometer>(QStringLiteral("gain"));
    gauge->SetDataReadOnly(false);
    QSignalSpy refused(gauge, &TOvDBThermometer::writeRefused);
    QSignalSpy readOnly(gauge, &TOvDBThermometer::dataReadOnlyChanged);
    QSignalSpy switchRefused(sw, &TOvDBToggleSwitch::writeRefused);
    ds.Open();
    gauge->SetValue(5000.0f); // CHECK (gain <= 1000)
    ASSERT_EQ(refused.count(), 1);
    EXPECT_TRUE(refused.at(0).at(0).toString().contains(QStringLiteral("CHECK constraint failed")))
        << refused.at(0).at(0).toString().toStdString();
    ASSERT_EQ(readOnly.count(), 1);
    EXPECT_TRUE(readOnly.at(0).at(0).toBool());
    EXPECT_FLOAT_EQ(gauge->Value(), 2.7f);
    EXPECT_EQ(switchRefused.count(), 0); // the other wrapper is not concerned

    table.Exec(QStringLiteral("DELETE FROM readings WHERE id = 1"));
    sw->SetChecked(!sw->Checked());
    EXPECT_EQ(Reasons(switchRefused), QStringList { "the record was deleted by another writer" });
}

TEST_F(RefusalTest, DataReadOnlyHasANotifySignal)
{
    TOvDBGearDial gear;
    const QMetaObject* mo = gear.metaObject();
    const QMetaProperty p = mo->property(mo->indexOfProperty("DataReadOnly"));
    ASSERT_TRUE(p.hasNotifySignal());
    EXPECT_EQ(p.notifySignal().name(), QByteArray("dataReadOnlyChanged"));
    EXPECT_GE(mo->indexOfSignal("writeRefused(QString)"), 0);
}

// ---------------------------------------------------------------- other writers

TEST_F(RefusalTest, AnotherWritersChangeIsNeitherLostNorHidden)
{
    table.Exec(QStringLiteral("UPDATE readings SET level = 69 WHERE id = 1"));
    auto* dial = Make<TOvDBDial>(QStringLiteral("level"));
    dial->SignalSettings().SetDigitalTo(100);
    ds.Open();
    ASSERT_EQ(dial->Value(), 69.0f);
    table.Exec(QStringLiteral("UPDATE readings SET level = 60 WHERE id = 1"));
    EXPECT_EQ(dial->Value(), 69.0f); // not read yet
    Key(dial, Qt::Key_Up);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 60); // nothing written
    EXPECT_EQ(dial->Value(), 60.0f);                 // the new stored value
    EXPECT_FALSE(dial->DataReadOnly());
    // The next step starts from what is stored.
    Key(dial, Qt::Key_Up);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 61);
    EXPECT_EQ(dial->Value(), 61.0f);
}

TEST_F(RefusalTest, AnotherWritersChangeIsNotOverwrittenByASwitch)
{
    // small holds status bits 0b111; the switch shows bit 0.
    auto* sw = Make<TOvDBToggleSwitch>(QStringLiteral("small"));
    sw->SetMode(mSwitch);
    ds.Open();
    ASSERT_EQ(sw->StatusInt(), 7);
    ASSERT_TRUE(sw->Checked());
    table.Exec(QStringLiteral("UPDATE readings SET small = 4 WHERE id = 1"));
    sw->Toggle(); // would write 0b110 over the other writer's 0b100
    EXPECT_EQ(table.Stored("small", 1).toInt(), 4);
    EXPECT_EQ(sw->StatusInt(), 4);
    EXPECT_FALSE(sw->Checked());
}

// ---------------------------------------------------------------- what is stored

TEST_F(RefusalTest, SixtyFourBitIntegersReadWithoutWrapping)
{
    table.Exec(QStringLiteral("UPDATE readings SET level = 3000000000 WHERE id = 1"));
    table.Exec(QStringLiteral("UPDATE readings SET level = -3000000000 WHERE id = 2"));
    auto* meter = Make<TOvDB270Meter>(QStringLiteral("level"));
    auto* th = Make<TOvDBThermometer>(QStringLiteral("level"));
    auto* tank = Make<TOvDBTank>(QStringLiteral("level"));
    auto* led = Make<TOvDBLED>(QStringLiteral("level"));
    ds.Open();
    for (TOvAnalogDisplay* g : std::initializer_list<TOvAnalogDisplay*> { meter, th, tank }) {
        EXPECT_FLOAT_EQ(g->Value(), 3.0e9f) << g->metaObject()->className();
        EXPECT_EQ(g->DrawPerMille(), 1000) << g->metaObject()->className(); // pinned at the top
    }
    EXPECT_EQ(led->StatusInt(), INT_MAX); // a status beyond 32 bits is held, not wrapped
    ds.Next();
    for (TOvAnalogDisplay* g : std::initializer_list<TOvAnalogDisplay*> { meter, th, tank }) {
        EXPECT_FLOAT_EQ(g->Value(), -3.0e9f) << g->metaObject()->className();
        EXPECT_EQ(g->DrawPerMille(), 0) << g->metaObject()->className();
    }
    EXPECT_EQ(led->StatusInt(), INT_MIN);
}

TEST_F(RefusalTest, SixtyFourBitIntegersWrite)
{
    auto* meter = Make<TOvDB270Meter>(QStringLiteral("level"));
    meter->SetDataReadOnly(false);
    ds.Open();
    meter->SetValue(3.0e9f + 256.0f); // a float that is a whole number
    EXPECT_EQ(table.Stored("level", 1).toLongLong(), 3000000256LL);
    EXPECT_FLOAT_EQ(meter->Value(), 3.0e9f + 256.0f);
    EXPECT_FALSE(meter->DataReadOnly());
    meter->SetValue(-5.0e9f);
    EXPECT_EQ(table.Stored("level", 1).toLongLong(), -5000000000LL);
}

TEST_F(RefusalTest, AFractionalDialOnAnIntegerFieldShowsWhatWasStored)
{
    auto* dial = FineDial(QStringLiteral("level")); // steps of 0.1
    ds.Open();
    ASSERT_FLOAT_EQ(dial->Value(), 42.0f);
    // Turned to 42.9: the field's type rounds what is written, and the dial
    // shows the result.
    dial->SetValue(42.9f);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 43);
    EXPECT_FLOAT_EQ(dial->Value(), 43.0f);
    dial->SetValue(50.4f);
    EXPECT_EQ(table.Stored("level", 1).toInt(), 50);
    EXPECT_FLOAT_EQ(dial->Value(), 50.0f);
}

} // namespace
