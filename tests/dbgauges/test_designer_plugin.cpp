// The Designer plugin loads like Qt Designer loads it and offers the
// data-aware gauges in the group "OvDBAware" in registration order.
#include "dbgauges/OvDBCtrls.h"

#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

TEST(DesignerPlugin, OffersTheWrappersInRegistrationOrder)
{
    QPluginLoader loader(QStringLiteral(DBGAUGES_DESIGNER_PLUGIN));
    QObject* instance = loader.instance();
    ASSERT_NE(instance, nullptr) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(instance);
    ASSERT_NE(collection, nullptr);

    QStringList dbAware, gauges;
    for (QDesignerCustomWidgetInterface* w : collection->customWidgets()) {
        if (w->group() == QLatin1String("OvDBAware"))
            dbAware << w->name();
        else if (w->group() == QLatin1String("OvGauges"))
            gauges << w->name();
        else
            ADD_FAILURE() << "unexpected group " << w->group().toStdString();
    }
    const QStringList expected = {
        "TOvDBVSlider", "TOvDBHSlider", "TOvDBDial", "TOvDBGearDial", "TOvDBValueInd", "TOvDBBar",
        "TOvDBHBar", "TOvDBVBar", "TOvDBThermometer", "TOvDBTank", "TOvDBHMeter", "TOvDBVMeter",
        "TOvDBFlexHMeter", "TOvDBFlexVMeter", "TOvDB120Meter", "TOvDB180Meter", "TOvDB270Meter",
        "TOvDBLED", "TOvDBColBitBtn", "TOvDBRockerSwitch", "TOvDBToggleSwitch",
    };
    EXPECT_EQ(dbAware, expected);
    for (const char* g : { "TOvDial", "TOvLED", "TOvHSlider", "TOvGearDial", "TOv270Meter", "TOvTank",
                           "TOvColBitBtn" })
        EXPECT_TRUE(gauges.contains(QLatin1String(g))) << g;
    EXPECT_EQ(gauges.size(), 23);
}

TEST(DesignerPlugin, CreatesWidgetsOfTheNamedClassWithTheirProperties)
{
    QPluginLoader loader(QStringLiteral(DBGAUGES_DESIGNER_PLUGIN));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);
    QWidget form;
    for (QDesignerCustomWidgetInterface* w : collection->customWidgets()) {
        QWidget* widget = w->createWidget(&form);
        ASSERT_NE(widget, nullptr);
        // The dynamic type (not every gauge class carries its own meta-object).
        EXPECT_TRUE(QString::fromLatin1(typeid(*widget).name()).endsWith(w->name())) << w->name().toStdString();
        EXPECT_TRUE(w->domXml().contains(QStringLiteral("class=\"%1\"").arg(w->name())));
        if (w->group() == QLatin1String("OvDBAware")) {
            EXPECT_GE(widget->metaObject()->indexOfProperty("DataField"), 0) << w->name().toStdString();
            EXPECT_GE(widget->metaObject()->indexOfProperty("DataSource"), 0);
            EXPECT_GE(widget->metaObject()->indexOfProperty("DataReadOnly"), 0);
            EXPECT_NE(OvDBDataLinkOf(widget), nullptr);
        }
    }
}

} // namespace
