// The demo's form: a table of instrument readings shown by data-aware
// gauges, with a record navigator. Turning the dial, the slider or the gear
// dial, or clicking a switch, writes the current record; moving to another
// record updates every gauge.
#pragma once

#include "platform/dataset/DataSet.h"

#include <QWidget>

#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class TOvDBLinkHolder;
class TOvDBDial;
class TOvDBHSlider;
class TOvDBGearDial;
class TOvDBToggleSwitch;

// Creates the readings table with a few rows when the database has none.
// Returns false with a message when the database refuses.
bool CreateDemoTable(const QString& connection, QString& error);

// How the form's gauges are sized: as designed, or each at its minimum
// size hint, its preferred size or twice that (in rows, for a look at them).
enum class TFormSize { Designed, Minimum, Preferred, Double };

class TDemoWindow : public QWidget {
public:
    TDemoWindow(const QString& connection, TFormSize size = TFormSize::Designed, QWidget* parent = nullptr);
    // Opens the table; false with a message when that fails.
    bool Open(QString& error);
    // The status line: the record's state, the last write the database did
    // not take and why, and which controls are read-only.
    QString StatusText() const;

    Ov::TDataSet Readings;
    Ov::TDataSource ReadingsSource;
    TOvDBDial* LevelDial = nullptr;
    TOvDBHSlider* PressureSlider = nullptr;
    TOvDBGearDial* TemperatureGear = nullptr;
    TOvDBToggleSwitch* PumpSwitch = nullptr;

private:
    // Reports of a writable wrapper, named as the status line names it.
    template <class T>
    void Watch(T* wrapper, const QString& name);
    // The gauges of each box in a row, at the size asked for.
    void Arrange(TFormSize size);
    void Navigate(int recNo);
    void UpdateStatus();

    QString FRefusal;                        // the last refused write, as the status line tells it
    std::vector<std::pair<QString, TOvDBLinkHolder*>> FWritable; // the controls that write

    QLabel* FStation = nullptr;
    QLabel* FRecord = nullptr;
    QLabel* FStatus = nullptr;
    QPushButton* FFirst = nullptr;
    QPushButton* FPrior = nullptr;
    QPushButton* FNext = nullptr;
    QPushButton* FLast = nullptr;
};
