// Uses the installed dbgauges package as an outside program would: one
// data-aware dial bound to a field of an SQLite table.
#include "dbgauges/OvDBCtrls.h"
#include "gauges/OvDial.h"
#include "platform/dataset/DataSet.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

using namespace Ov;

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
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE tank (id INTEGER PRIMARY KEY, level INTEGER)"));
        q.exec(QStringLiteral("INSERT INTO tank VALUES (1, 42)"));
    }
    int rc = 0;
    {
        QWidget form;
        TDataSet table;
        table.SetTableName(QStringLiteral("tank"));
        TDataSource source;
        source.SetDataSet(&table);
        auto* dial = new TOvDBDial(&form);
        dial->SetDataSource(&source);
        dial->SetDataField(QStringLiteral("level"));
        dial->Loaded();
        table.Open();
        const float shown = dial->Value();
        dial->SetValue(43.0f);
        QSqlQuery check;
        const int stored = check.exec(QStringLiteral("SELECT level FROM tank WHERE id = 1")) && check.next()
            ? check.value(0).toInt()
            : -1;
        if (shown != 42.0f || stored != 43) {
            std::fprintf(stderr, "dial showed %g, database holds %d\n", double(shown), stored);
            rc = 1;
        } else {
            std::printf("dbgauges consumer: dial showed %g, wrote %d\n", double(shown), stored);
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return rc;
}
