// The readings table of a SqliteTable (tests/support) as a dataset, with a
// data source on it, and a form of wrappers bound to it, for the data link
// and wrapper tests.
#pragma once

#include "platform/dataset/DataSet.h"
#include "tests/support/SqliteTable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

struct TReadings {
    // A dataset on the named connection (closed until opened).
    explicit TReadings(const QString& connection)
    {
        Set.SetConnectionName(connection);
        Set.SetTableName(QStringLiteral("readings"));
        Source.SetDataSet(&Set);
    }
    Ov::TDataSet Set;
    Ov::TDataSource Source;
};

// Wrappers on a form, bound to the readings; keys as a user presses them.
struct ReadingsForm : ::testing::Test {
    SqliteTable table;
    QWidget form;
    TReadings readings { table.Connection() };
    Ov::TDataSet& ds = readings.Set;
    Ov::TDataSource& source = readings.Source;

    template <class W>
    W* Make(const QString& field)
    {
        auto* w = new W(&form);
        w->SetDataField(field);
        w->SetDataSource(&source);
        w->Loaded();
        return w;
    }
    static void Key(QWidget* w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
};
