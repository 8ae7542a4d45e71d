// A real SQLite database file in a temporary directory with one table of
// instrument readings, for the dataset and data-aware gauge tests.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include <gtest/gtest.h>

class SqliteTable {
public:
    // Rows: (id, level, gain, armed, label). Opens a read-write connection.
    SqliteTable()
    {
        FPath = FDir.filePath(QStringLiteral("readings.db"));
        FConnection = Open(false);
        Exec(QStringLiteral("CREATE TABLE readings (id INTEGER PRIMARY KEY, level INTEGER NOT NULL, "
                            "gain REAL CHECK (gain <= 1000), armed BOOLEAN, label TEXT, small SMALLINT)"));
        Exec(QStringLiteral("INSERT INTO readings VALUES (1, 42, 2.7, 1, 'alpha', 7)"));
        Exec(QStringLiteral("INSERT INTO readings VALUES (2, 17, 55.5, 0, 'beta', 8)"));
        Exec(QStringLiteral("INSERT INTO readings VALUES (3, 99, 0.25, 1, 'gamma', 9)"));
    }
    ~SqliteTable()
    {
        for (const QString& c : FOpened)
            QSqlDatabase::removeDatabase(c);
    }

    // A further connection to the same file; readOnly opens it with
    // QSQLITE_OPEN_READONLY (the file permissions do not stop root).
    QString Open(bool readOnly)
    {
        const QString name = QUuid::createUuid().toString();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(FPath);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        FOpened << name;
        return name;
    }

    void Exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(FConnection));
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " in " << sql.toStdString();
    }

    // The stored value of a column of row id, read on a fresh query.
    QVariant Stored(const QString& column, int id)
    {
        QSqlQuery q(QSqlDatabase::database(FConnection));
        q.prepare(QStringLiteral("SELECT %1 FROM readings WHERE id = ?").arg(column));
        q.addBindValue(id);
        if (!q.exec() || !q.next())
            return QVariant();
        return q.value(0);
    }

    const QString& Connection() const { return FConnection; }
    const QString& Path() const { return FPath; }

private:
    QTemporaryDir FDir;
    QString FPath;
    QString FConnection;
    QStringList FOpened;
};
