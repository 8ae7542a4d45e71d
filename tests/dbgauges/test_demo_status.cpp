// The demo form tells its user what was not saved and which controls are
// read-only, in its status line.
#include "dbgauges/OvDBCtrls.h"
#include "tools/dbgauges-demo/DemoWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(DemoForm, TheStatusLineTellsARefusalAndTheReadOnlyControls)
{
    QTemporaryDir dir;
    const QString connection = QStringLiteral("demo-status");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(dir.filePath(QStringLiteral("readings.db")));
        ASSERT_TRUE(db.open());
        QString error;
        ASSERT_TRUE(CreateDemoTable(connection, error)) << error.toStdString();
    }
    {
        TDemoWindow form(connection);
        QString error;
        ASSERT_TRUE(form.Open(error)) << error.toStdString();
        EXPECT_TRUE(form.StatusText().contains(QStringLiteral("Every control writes"))) << form.StatusText().toStdString();
        form.Readings.SetReadOnly(true);
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(form.LevelDial, &up);
        EXPECT_TRUE(form.StatusText().contains(QStringLiteral("Level dial: not saved, the dataset is read-only")))
            << form.StatusText().toStdString();
        form.LevelDial->SetDataReadOnly(true);
        form.PumpSwitch->SetDataReadOnly(true);
        EXPECT_TRUE(form.StatusText().contains(QStringLiteral("Read-only now: Level dial, Pump switch")))
            << form.StatusText().toStdString();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace
