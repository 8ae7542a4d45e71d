// The demo's form: a table of instrument readings shown by data-aware
// gauges, with a record navigator. Turning the dial, the slider or the gear
// dial, or clicking a switch, writes the current record; moving to another
// record updates every gauge.
#pragma once

#include "platform/dataset/DataSet.h"

#include <QWidget>

class QLabel;
class QPushButton;
class TOvDBDial;
class TOvDBHSlider;
class TOvDBGearDial;
class TOvDBToggleSwitch;

// Creates the readings table with a few rows when the database has none.
// Returns false with a message when the database refuses.
bool CreateDemoTable(const QString& connection, QString& error);

class TDemoWindow : public QWidget {
public:
    TDemoWindow(const QString& connection, QWidget* parent = nullptr);
    // Opens the table; false with a message when that fails.
    bool Open(QString& error);

    Ov::TDataSet Readings;
    Ov::TDataSource ReadingsSource;
    TOvDBDial* LevelDial = nullptr;
    TOvDBHSlider* PressureSlider = nullptr;
    TOvDBGearDial* TemperatureGear = nullptr;
    TOvDBToggleSwitch* PumpSwitch = nullptr;

private:
    void Navigate(int recNo);
    void UpdateStatus();

    QLabel* FStation = nullptr;
    QLabel* FRecord = nullptr;
    QLabel* FStatus = nullptr;
    QPushButton* FFirst = nullptr;
    QPushButton* FPrior = nullptr;
    QPushButton* FNext = nullptr;
    QPushButton* FLast = nullptr;
};
