#include "tools/dbgauges-demo/DemoWindow.h"

#include "dbgauges/OvDBCtrls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

using Ov::EDatabaseError;
using Ov::TDataSet;
using Ov::TDataSource;
using Ov::TField;

namespace {

constexpr int FormWidth = 760;
constexpr int FormHeight = 500;

QGroupBox* MakeBox(QWidget* parent, const QString& caption, int l, int t, int w, int h)
{
    auto* box = new QGroupBox(caption, parent);
    box->setGeometry(l, t, w, h);
    return box;
}

template <class T>
T* Bind(QWidget* parent, TDataSource* source, const QString& field, int l, int t, int w, int h)
{
    auto* g = new T(parent);
    g->SetBounds(l, t, w, h);
    g->SetDataField(field);
    g->SetDataSource(source);
    return g;
}

} // namespace

bool CreateDemoTable(const QString& connection, QString& error)
{
    QSqlDatabase db = QSqlDatabase::database(connection);
    if (db.tables().contains(QStringLiteral("readings"), Qt::CaseInsensitive))
        return true;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE readings (id INTEGER PRIMARY KEY, station TEXT, level INTEGER, "
                               "pressure REAL, temperature REAL, pump BOOLEAN, valve BOOLEAN)"))) {
        error = q.lastError().text();
        return false;
    }
    struct Row {
        int id;
        const char* station;
        int level;
        double pressure, temperature;
        bool pump, valve;
    };
    const Row rows[] = {
        { 1, "North basin", 42, 3.2, 21.5, true, false }, { 2, "East tower", 78, 6.8, 34.0, true, true },
        { 3, "South well", 15, 1.1, 8.5, false, false },  { 4, "West works", 63, 4.5, 47.5, true, true },
        { 5, "Harbour", 91, 8.9, -4.0, false, true },
    };
    db.transaction();
    for (const Row& r : rows) {
        q.prepare(QStringLiteral("INSERT INTO readings VALUES (?, ?, ?, ?, ?, ?, ?)"));
        q.addBindValue(r.id);
        q.addBindValue(QString::fromLatin1(r.station));
        q.addBindValue(r.level);
        q.addBindValue(r.pressure);
        q.addBindValue(r.temperature);
        q.addBindValue(r.pump);
        q.addBindValue(r.valve);
        if (!q.exec()) {
            error = q.lastError().text();
            db.rollback();
            return false;
        }
    }
    db.commit();
    return true;
}

template <class T>
void TDemoWindow::Watch(T* wrapper, const QString& name)
{
    FWritable.emplace_back(name, wrapper);
    connect(wrapper, &T::writeRefused, this, [this, name](const QString& reason) {
        FRefusal = QStringLiteral("%1: not saved, %2. The gauges show what the database holds.").arg(name, reason);
        UpdateStatus();
    });
    connect(wrapper, &T::dataReadOnlyChanged, this, [this] { UpdateStatus(); });
}

TDemoWindow::TDemoWindow(const QString& connection, TFormSize size, QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("dbgauges demo: instrument readings"));
    setFixedSize(FormWidth, FormHeight);
    Readings.SetConnectionName(connection);
    Readings.SetTableName(QStringLiteral("readings"));
    ReadingsSource.SetDataSet(&Readings);
    TDataSource* src = &ReadingsSource;

    // Record navigator and the station name (a text field: a label shows it).
    auto* nav = MakeBox(this, QString(), 4, 2, FormWidth - 8, 40);
    auto* row = new QHBoxLayout(nav);
    row->setContentsMargins(8, 4, 8, 4);
    FFirst = new QPushButton(QStringLiteral("|<"), nav);
    FPrior = new QPushButton(QStringLiteral("<"), nav);
    FNext = new QPushButton(QStringLiteral(">"), nav);
    FLast = new QPushButton(QStringLiteral(">|"), nav);
    for (QPushButton* b : { FFirst, FPrior, FNext, FLast }) {
        b->setFixedWidth(36);
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
    }
    FRecord = new QLabel(nav);
    FStation = new QLabel(nav);
    QFont big = FStation->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 2);
    FStation->setFont(big);
    row->addSpacing(12);
    row->addWidget(FRecord);
    row->addSpacing(12);
    row->addWidget(FStation, 1);
    connect(FFirst, &QPushButton::clicked, this, [this] { Navigate(0); });
    connect(FPrior, &QPushButton::clicked, this, [this] { Navigate(Readings.RecNo() - 1); });
    connect(FNext, &QPushButton::clicked, this, [this] { Navigate(Readings.RecNo() + 1); });
    connect(FLast, &QPushButton::clicked, this, [this] { Navigate(Readings.RecordCount() - 1); });

    // Level: an operable dial, and displays of the same field.
    auto* level = MakeBox(this, QStringLiteral("Level (integer)"), 4, 46, 372, 226);
    LevelDial = Bind<TOvDBDial>(level, src, QStringLiteral("level"), 10, 22, 113, 161);
    LevelDial->SignalSettings().SetDigitalTo(100); // whole units per step
    LevelDial->SignalSettings().SetValueFormat(QStringLiteral("##0"));
    LevelDial->SignalSettings().SetName1(QStringLiteral("Set level"));
    LevelDial->SignalSettings().SetName2(QString());
    LevelDial->BevelDial().SetColor(clSkyBlue);
    Watch(LevelDial, QStringLiteral("Level dial"));
    auto* meter = Bind<TOvDB270Meter>(level, src, QStringLiteral("level"), 128, 22, 150, 150);
    meter->SetName1(QStringLiteral("Level"));
    meter->SetValueFormat(QStringLiteral("##0"));
    auto* tank = Bind<TOvDBTank>(level, src, QStringLiteral("level"), 284, 22, 80, 196);
    tank->SetName1(QStringLiteral("Tank"));
    tank->SetValueFormat(QStringLiteral("##0"));
    auto* bar = Bind<TOvDBHBar>(level, src, QStringLiteral("level"), 10, 178, 268, 42);
    bar->SetName1(QString());
    bar->SetShowValue(false);
    bar->SetValueFormat(QStringLiteral("##0"));

    // Pressure: a slider, a digital indicator and a panel meter.
    auto* pressure = MakeBox(this, QStringLiteral("Pressure (float)"), 380, 46, 376, 226);
    PressureSlider = Bind<TOvDBHSlider>(pressure, src, QStringLiteral("pressure"), 10, 22, 220, 80);
    PressureSlider->SetName1(QStringLiteral("Set pressure"));
    PressureSlider->SetValueTo(10.0f);
    PressureSlider->SetValueFormat(QStringLiteral("0.0"));
    PressureSlider->SetValueUnit(QStringLiteral("bar"));
    PressureSlider->SetDigitalTo(100);
    Watch(PressureSlider, QStringLiteral("Pressure slider"));
    auto* ind = Bind<TOvDBValueInd>(pressure, src, QStringLiteral("pressure"), 236, 22, 130, 58);
    ind->SetName1(QStringLiteral("Pressure"));
    ind->SetValueTo(10.0f);
    ind->SetLimitUpper(8.0f);
    ind->SetLimitLower(1.5f);
    ind->SetValueUnit(QStringLiteral("bar"));
    ind->SetValueFormat(QStringLiteral("0.00"));
    auto* vu = Bind<TOvDB120Meter>(pressure, src, QStringLiteral("pressure"), 10, 108, 220, 110);
    vu->SetName1(QStringLiteral("Pressure"));
    vu->SetValueTo(10.0f);
    vu->SetLimitUpper(8.0f);
    vu->SetLimitLower(1.5f);
    vu->SetValueUnit(QStringLiteral("bar"));
    auto* fh = Bind<TOvDBFlexHMeter>(pressure, src, QStringLiteral("pressure"), 236, 86, 130, 66);
    fh->SetName1(QStringLiteral("Load"));
    fh->SetValueTo(10.0f);
    fh->SetShowValue(false);
    fh->ScaleSettings().SetSteps(2);
    auto* pbar = Bind<TOvDBBar>(pressure, src, QStringLiteral("pressure"), 236, 158, 130, 60);
    pbar->SetName1(QStringLiteral("Pressure"));
    pbar->SetValueTo(10.0f);
    pbar->SetLimitUpper(8.0f);
    pbar->SetLimitLower(1.5f);

    // Temperature: a gear dial to set it, a thermometer to show it.
    auto* temp = MakeBox(this, QStringLiteral("Temperature (float)"), 4, 276, 372, 218);
    TemperatureGear = Bind<TOvDBGearDial>(temp, src, QStringLiteral("temperature"), 10, 22, 130, 170);
    TemperatureGear->SetName1(QStringLiteral("Set temperature"));
    TemperatureGear->SetValueFrom(-20.0f);
    TemperatureGear->SetValueTo(60.0f);
    TemperatureGear->SetDigitalTo(160); // half-degree steps
    TemperatureGear->SetValueUnit(QStringLiteral("\u00B0C"));
    TemperatureGear->ScaleSettings().SetSteps(4);
    Watch(TemperatureGear, QStringLiteral("Temperature gear"));
    auto* th = Bind<TOvDBThermometer>(temp, src, QStringLiteral("temperature"), 146, 22, 96, 190);
    th->SetName1(QStringLiteral("Temperature"));
    th->SetValueFrom(-20.0f);
    th->SetValueTo(60.0f);
    th->SetLimitUpper(45.0f);
    th->SetLimitLower(0.0f);
    th->ScaleSettings().SetSteps(4);
    auto* m180 = Bind<TOvDB180Meter>(temp, src, QStringLiteral("temperature"), 248, 22, 118, 80);
    m180->SetName1(QStringLiteral("\u00B0C"));
    m180->SetValueFrom(-20.0f);
    m180->SetValueTo(60.0f);
    m180->SetValueUnit(QString());
    m180->ScaleSettings().SetSteps(4);
    auto* hb = Bind<TOvDBHBar>(temp, src, QStringLiteral("temperature"), 248, 108, 118, 60);
    hb->SetName1(QStringLiteral("Temp."));
    hb->SetValueFrom(-20.0f);
    hb->SetValueTo(60.0f);
    hb->SetShowValue(false);
    hb->ScaleSettings().SetSteps(2);

    // Booleans: pump and valve.
    auto* state = MakeBox(this, QStringLiteral("Pump and valve (boolean)"), 380, 276, 376, 218);
    PumpSwitch = Bind<TOvDBToggleSwitch>(state, src, QStringLiteral("pump"), 16, 30, 40, 70);
    PumpSwitch->SetTextOn(QStringLiteral("On"));
    PumpSwitch->SetTextOff(QStringLiteral("Off"));
    PumpSwitch->SetMode(mSwitch);
    Watch(PumpSwitch, QStringLiteral("Pump switch"));
    auto* pumpLed = Bind<TOvDBLED>(state, src, QStringLiteral("pump"), 66, 50, 90, 30);
    pumpLed->SetCaption(QStringLiteral("Pump running"));
    pumpLed->SetLED_Position(lpLeft);
    auto* valve = Bind<TOvDBColBitBtn>(state, src, QStringLiteral("valve"), 16, 120, 100, 36);
    valve->SetCaption(QStringLiteral("Valve open"));
    valve->SetColorOn(clAqua);
    Watch(valve, QStringLiteral("Valve button"));
    auto* valveRocker = Bind<TOvDBRockerSwitch>(state, src, QStringLiteral("valve"), 200, 30, 60, 130);
    valveRocker->SetCaption(QStringLiteral("Valve"));
    valveRocker->SetMode(mSwitch);
    Watch(valveRocker, QStringLiteral("Valve rocker"));
    auto* valveLed = Bind<TOvDBLED>(state, src, QStringLiteral("valve"), 270, 80, 90, 30);
    valveLed->SetCaption(QStringLiteral("Valve"));
    valveLed->LED().SetColorOn(clAqua);

    FStatus = new QLabel(state);
    FStatus->setGeometry(16, 162, 350, 52);
    FStatus->setWordWrap(true);
    FStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (QObject* o : findChildren<QObject*>()) {
        if (auto* c = dynamic_cast<TControl*>(o))
            c->Loaded();
    }
    if (size != TFormSize::Designed)
        Arrange(size);
}

void TDemoWindow::Arrange(TFormSize size)
{
    constexpr int Gap = 8, BoxTop = 22;
    int top = 46, width = FormWidth;
    for (QGroupBox* box : findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (box->title().isEmpty())
            continue; // the navigator
        int x = Gap, rowHeight = 0;
        for (QObject* o : box->children()) {
            auto* g = dynamic_cast<TControl*>(o);
            if (!g)
                continue;
            QSize s = size == TFormSize::Minimum ? g->minimumSizeHint() : g->sizeHint();
            if (size == TFormSize::Double)
                s *= 2;
            g->SetBounds(x, BoxTop, s.width(), s.height());
            x += s.width() + Gap;
            rowHeight = std::max(rowHeight, s.height());
        }
        int boxHeight = BoxTop + rowHeight + Gap;
        if (FStatus->parentWidget() == box) {
            const int w = std::max(350, x - 2 * Gap);
            FStatus->setGeometry(Gap, boxHeight, w, 52);
            boxHeight += 52 + Gap;
            x = std::max(x, w + 2 * Gap);
        }
        box->setGeometry(4, top, std::max(x, 200), boxHeight);
        top += boxHeight + 4;
        width = std::max(width, x + 8);
    }
    setFixedSize(width, top);
}

QString TDemoWindow::StatusText() const { return FStatus->text(); }

bool TDemoWindow::Open(QString& error)
{
    try {
        Readings.Open();
    } catch (const EDatabaseError& e) {
        error = e.Message();
        return false;
    }
    connect(&Readings, &TDataSet::DataSetChanged, this, [this] { UpdateStatus(); });
    connect(&Readings, &TDataSet::RecordChanged, this, [this] { UpdateStatus(); });
    UpdateStatus();
    return true;
}

void TDemoWindow::Navigate(int recNo)
{
    FRefusal.clear(); // it concerned the record left
    try {
        Readings.MoveTo(recNo);
    } catch (const EDatabaseError& e) {
        FStatus->setText(QStringLiteral("Cannot leave the record: %1").arg(e.Message()));
    }
}

void TDemoWindow::UpdateStatus()
{
    const int n = Readings.RecordCount();
    FRecord->setText(n > 0 ? QStringLiteral("Record %1 of %2").arg(Readings.RecNo() + 1).arg(n)
                           : QStringLiteral("No records"));
    TField* station = Readings.FindField(QStringLiteral("station"));
    FStation->setText(station ? station->AsString() : QString());
    FFirst->setEnabled(Readings.RecNo() > 0);
    FPrior->setEnabled(Readings.RecNo() > 0);
    FNext->setEnabled(Readings.RecNo() < n - 1);
    FLast->setEnabled(Readings.RecNo() < n - 1);
    // The last refusal (or how to use the form), and which controls may write.
    QStringList readOnly;
    for (const auto& [name, wrapper] : FWritable)
        if (wrapper->DataReadOnly())
            readOnly << name;
    const QString first = !FRefusal.isEmpty()
        ? FRefusal
        : QStringLiteral("Turn the dial, slide or gear, or click a switch: the record is written at once. "
                         "Move between records with the buttons.");
    const QString second = readOnly.isEmpty() ? QStringLiteral("Every control writes to the database.")
                                              : QStringLiteral("Read-only now: %1.").arg(readOnly.join(QStringLiteral(", ")));
    FStatus->setText(first + QLatin1Char('\n') + second);
}
