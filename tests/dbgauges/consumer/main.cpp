// Uses the installed stdgauges and dbgauges packages as an outside program
// would: data-aware gauges bound to an SQLite file, driven as a user drives
// them. What it checks: a refused write leaves the gauge showing the stored
// value and is reported with its reason, DataReadOnly announces its changes,
// another writer's change is never overwritten, 64-bit integers keep their
// value and sign, and after a write the gauge shows what was stored.
#include "dbgauges/OvDBCtrls.h"
#include "platform/dataset/DataSet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

namespace {

int Failures = 0;

void Check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++Failures;
}

void Exec(const QString& sql)
{
    QSqlQuery q;
    if (!q.exec(sql)) {
        std::fprintf(stderr, "cannot run %s\n", qPrintable(sql));
        ++Failures;
    }
}

qlonglong Stored(const char* column)
{
    QSqlQuery q;
    return q.exec(QStringLiteral("SELECT %1 FROM tank WHERE id = 1").arg(QLatin1String(column))) && q.next()
        ? q.value(0).toLongLong()
        : -999;
}

void Key(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(dir.filePath(QStringLiteral("consumer.db")));
        if (!db.open()) {
            std::fprintf(stderr, "cannot open the database\n");
            return 1;
        }
        Exec(QStringLiteral("CREATE TABLE tank (id INTEGER PRIMARY KEY, level INTEGER, pump BOOLEAN, "
                            "big INTEGER)"));
        Exec(QStringLiteral("INSERT INTO tank VALUES (1, 69, 1, 3000000000)"));
    }
    {
        QWidget form;
        Ov::TDataSet table;
        table.SetTableName(QStringLiteral("tank"));
        Ov::TDataSource source;
        source.SetDataSet(&table);
        auto* dial = new TOvDBDial(&form);
        dial->SignalSettings().SetDigitalTo(100); // whole units
        dial->SetDataSource(&source);
        dial->SetDataField(QStringLiteral("level"));
        auto* pump = new TOvDBToggleSwitch(&form);
        pump->SetMode(mSwitch);
        pump->SetDataSource(&source);
        pump->SetDataField(QStringLiteral("pump"));
        auto* big = new TOvDB270Meter(&form);
        big->SetDataSource(&source);
        big->SetDataField(QStringLiteral("big"));
        for (TControl* c : std::initializer_list<TControl*> { dial, pump, big })
            c->Loaded();
        QStringList refusals;
        QObject::connect(dial, &TOvDBDial::writeRefused, [&refusals](const QString& r) { refusals << r; });
        QObject::connect(pump, &TOvDBToggleSwitch::writeRefused, [&refusals](const QString& r) { refusals << r; });
        int readOnlyChanges = 0;
        QObject::connect(pump, &TOvDBToggleSwitch::dataReadOnlyChanged, [&readOnlyChanges](bool) { ++readOnlyChanges; });
        table.Open();
        Check(dial->Value() == 69.0f, "the dial shows the stored level");

        // Refusals show the stored value and say why.
        table.SetReadOnly(true);
        Key(dial, Qt::Key_Up);
        Check(dial->Value() == 69.0f && Stored("level") == 69, "a read-only dataset: the dial stays at the stored 69");
        table.SetReadOnly(false);
        pump->SetDataReadOnly(true);
        pump->Toggle();
        Check(pump->Checked() && Stored("pump") == 1, "DataReadOnly: the switch does not flip");
        pump->SetDataReadOnly(false);
        Check(readOnlyChanges == 2, "DataReadOnly announces both changes");
        Check(refusals == QStringList({ "the dataset is read-only", "the gauge is read-only (DataReadOnly)" }),
              "both refusals are reported with their reason");

        // Another writer's value is not overwritten.
        refusals.clear();
        Exec(QStringLiteral("UPDATE tank SET level = 60 WHERE id = 1"));
        Key(dial, Qt::Key_Up);
        Check(Stored("level") == 60 && dial->Value() == 60.0f, "another writer's 60 stays and is shown");
        Check(refusals == QStringList({ "changed by another writer" }), "reported as changed by another writer");
        Key(dial, Qt::Key_Up);
        Check(Stored("level") == 61 && dial->Value() == 61.0f, "the next step writes 61");

        // 64-bit integers keep their value and sign.
        Check(big->Value() == 3.0e9f && big->DrawPerMille() == 1000, "3000000000 reads whole, pinned at the top");
        big->SetDataReadOnly(false);
        big->SetValue(-5.0e9f);
        Check(Stored("big") == -5000000000LL, "-5000000000 is written whole");

        // A fractional value on an integer field shows what was stored.
        dial->SignalSettings().SetDigitalTo(1000); // steps of 0.1
        dial->SetValue(42.9f);
        Check(Stored("level") == 43 && dial->Value() == 43.0f, "42.9 on an integer field is stored and shown as 43");
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    std::printf("dbgauges consumer: %d failure(s)\n", Failures);
    return Failures == 0 ? 0 : 1;
}
