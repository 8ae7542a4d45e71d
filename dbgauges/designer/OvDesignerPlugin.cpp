#include "dbgauges/designer/OvDesignerPlugin.h"

#include "dbgauges/OvDBCtrls.h"
#include "gauges/OvClock.h"
#include "gauges/OvOpHour.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include <memory>

namespace {

template <class T>
QWidget* Create(QWidget* parent)
{
    auto* w = new T(parent);
    w->SetDesigning(true);
    return w;
}

} // namespace

TOvWidgetPlugin::TOvWidgetPlugin(const QString& className, const QString& group, const QString& header,
                                 Factory factory, QObject* parent)
    : QObject(parent)
    , FName(className)
    , FGroup(group)
    , FHeader(header)
    , FFactory(std::move(factory))
{
}

QString TOvWidgetPlugin::toolTip() const { return FName; }

QString TOvWidgetPlugin::whatsThis() const
{
    return FGroup == QLatin1String("OvDBAware")
        ? QStringLiteral("%1: a gauge bound to a database field (DataSource, DataField).").arg(FName)
        : QStringLiteral("%1: an instrument-style gauge control.").arg(FName);
}

QIcon TOvWidgetPlugin::icon() const
{
    // A small picture of the control itself.
    std::unique_ptr<QWidget> w(FFactory(nullptr));
    const QPixmap shot = w->grab();
    return QIcon(shot.scaled(22, 22, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QWidget* TOvWidgetPlugin::createWidget(QWidget* parent) { return FFactory(parent); }

void TOvWidgetPlugin::initialize(QDesignerFormEditorInterface*) { FInitialized = true; }

QString TOvWidgetPlugin::domXml() const
{
    std::unique_ptr<QWidget> w(FFactory(nullptr));
    QString object = FName.mid(1); // TOvDBDial -> OvDBDial
    object[0] = object[0].toLower();
    return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\">"
                          "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>%3</width>"
                          "<height>%4</height></rect></property></widget></ui>")
        .arg(FName, object)
        .arg(w->width())
        .arg(w->height());
}

TOvDesignerCollection::TOvDesignerCollection(QObject* parent)
    : QObject(parent)
{
    const QString db = QStringLiteral("OvDBAware");
    const QString dbHeader = QStringLiteral("dbgauges/OvDBCtrls.h");
    auto add = [this](const QString& name, const QString& group, const QString& header,
                      TOvWidgetPlugin::Factory f) { FWidgets << new TOvWidgetPlugin(name, group, header, std::move(f), this); };
    // Registration order of the data-aware gauges.
    add(QStringLiteral("TOvDBVSlider"), db, dbHeader, Create<TOvDBVSlider>);
    add(QStringLiteral("TOvDBHSlider"), db, dbHeader, Create<TOvDBHSlider>);
    add(QStringLiteral("TOvDBDial"), db, dbHeader, Create<TOvDBDial>);
    add(QStringLiteral("TOvDBGearDial"), db, dbHeader, Create<TOvDBGearDial>);
    add(QStringLiteral("TOvDBValueInd"), db, dbHeader, Create<TOvDBValueInd>);
    add(QStringLiteral("TOvDBBar"), db, dbHeader, Create<TOvDBBar>);
    add(QStringLiteral("TOvDBHBar"), db, dbHeader, Create<TOvDBHBar>);
    add(QStringLiteral("TOvDBVBar"), db, dbHeader, Create<TOvDBVBar>);
    add(QStringLiteral("TOvDBThermometer"), db, dbHeader, Create<TOvDBThermometer>);
    add(QStringLiteral("TOvDBTank"), db, dbHeader, Create<TOvDBTank>);
    add(QStringLiteral("TOvDBHMeter"), db, dbHeader, Create<TOvDBHMeter>);
    add(QStringLiteral("TOvDBVMeter"), db, dbHeader, Create<TOvDBVMeter>);
    add(QStringLiteral("TOvDBFlexHMeter"), db, dbHeader, Create<TOvDBFlexHMeter>);
    add(QStringLiteral("TOvDBFlexVMeter"), db, dbHeader, Create<TOvDBFlexVMeter>);
    add(QStringLiteral("TOvDB120Meter"), db, dbHeader, Create<TOvDB120Meter>);
    add(QStringLiteral("TOvDB180Meter"), db, dbHeader, Create<TOvDB180Meter>);
    add(QStringLiteral("TOvDB270Meter"), db, dbHeader, Create<TOvDB270Meter>);
    add(QStringLiteral("TOvDBLED"), db, dbHeader, Create<TOvDBLED>);
    add(QStringLiteral("TOvDBColBitBtn"), db, dbHeader, Create<TOvDBColBitBtn>);
    add(QStringLiteral("TOvDBRockerSwitch"), db, dbHeader, Create<TOvDBRockerSwitch>);
    add(QStringLiteral("TOvDBToggleSwitch"), db, dbHeader, Create<TOvDBToggleSwitch>);

    // The gauge library's own classes.
    const QString std = QStringLiteral("OvGauges");
    add(QStringLiteral("TOvDial"), std, QStringLiteral("gauges/OvDial.h"), Create<TOvDial>);
    add(QStringLiteral("TOvRockerSwitch"), std, QStringLiteral("gauges/OvSwitch.h"), Create<TOvRockerSwitch>);
    add(QStringLiteral("TOvToggleSwitch"), std, QStringLiteral("gauges/OvSwitch.h"), Create<TOvToggleSwitch>);
    add(QStringLiteral("TOvLED"), std, QStringLiteral("gauges/OvLED.h"), Create<TOvLED>);
    add(QStringLiteral("TOvClock"), std, QStringLiteral("gauges/OvClock.h"), Create<TOvClock>);
    add(QStringLiteral("TOvOpHourCounter"), std, QStringLiteral("gauges/OvOpHour.h"), Create<TOvOpHourCounter>);
    add(QStringLiteral("TOvHSlider"), std, QStringLiteral("gauges/OvSlider.h"), Create<TOvHSlider>);
    add(QStringLiteral("TOvVSlider"), std, QStringLiteral("gauges/OvSlider.h"), Create<TOvVSlider>);
    add(QStringLiteral("TOvGearDial"), std, QStringLiteral("gauges/OvGearDial.h"), Create<TOvGearDial>);
    add(QStringLiteral("TOvValueInd"), std, QStringLiteral("gauges/OvValueInd.h"), Create<TOvValueInd>);
    add(QStringLiteral("TOvHMeter"), std, QStringLiteral("gauges/OvMeters.h"), Create<TOvHMeter>);
    add(QStringLiteral("TOvVMeter"), std, QStringLiteral("gauges/OvMeters.h"), Create<TOvVMeter>);
    add(QStringLiteral("TOvFlexHMeter"), std, QStringLiteral("gauges/OvMeters.h"), Create<TOvFlexHMeter>);
    add(QStringLiteral("TOvFlexVMeter"), std, QStringLiteral("gauges/OvMeters.h"), Create<TOvFlexVMeter>);
    add(QStringLiteral("TOv270Meter"), std, QStringLiteral("gauges/OvArcMeters.h"), Create<TOv270Meter>);
    add(QStringLiteral("TOv180Meter"), std, QStringLiteral("gauges/OvArcMeters.h"), Create<TOv180Meter>);
    add(QStringLiteral("TOv120Meter"), std, QStringLiteral("gauges/OvArcMeters.h"), Create<TOv120Meter>);
    add(QStringLiteral("TOvBar"), std, QStringLiteral("gauges/OvBars.h"), Create<TOvBar>);
    add(QStringLiteral("TOvVBar"), std, QStringLiteral("gauges/OvBars.h"), Create<TOvVBar>);
    add(QStringLiteral("TOvHBar"), std, QStringLiteral("gauges/OvBars.h"), Create<TOvHBar>);
    add(QStringLiteral("TOvThermometer"), std, QStringLiteral("gauges/OvThermometer.h"), Create<TOvThermometer>);
    add(QStringLiteral("TOvTank"), std, QStringLiteral("gauges/OvTank.h"), Create<TOvTank>);
    add(QStringLiteral("TOvColBitBtn"), std, QStringLiteral("gauges/OvColBitBtn.h"), Create<TOvColBitBtn>);
}
