// The readings table of a SqliteTable (tests/support) as a dataset, with a
// data source on it, for the data link and wrapper tests.
#pragma once

#include "platform/dataset/DataSet.h"

#include <QString>

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
