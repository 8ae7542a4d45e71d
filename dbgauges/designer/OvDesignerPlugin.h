// The Qt Designer plugin of the gauge libraries: one collection that offers
// each data-aware wrapper in the group "OvDBAware" (in registration order)
// and each gauge class of stdgauges in the group "OvGauges".
#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <functional>

// One class offered to the form designer.
class TOvWidgetPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    using Factory = std::function<QWidget*(QWidget*)>;
    TOvWidgetPlugin(const QString& className, const QString& group, const QString& header, Factory factory,
                    QObject* parent);

    QString name() const override { return FName; }
    QString group() const override { return FGroup; }
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override { return FHeader; }
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override { return FInitialized; }
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

private:
    QString FName, FGroup, FHeader;
    Factory FFactory;
    bool FInitialized = false;
};

class TOvDesignerCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit TOvDesignerCollection(QObject* parent = nullptr);
    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }

private:
    QList<QDesignerCustomWidgetInterface*> FWidgets;
};
