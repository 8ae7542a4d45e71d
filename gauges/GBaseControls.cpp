// Update-counting bases of the gauge controls.
#include "gauges/GBaseControls.h"
#include "gauges/GAccessible.h"

TOvFlashEvent::~TOvFlashEvent() = default;

// ================================================================ TOvGraphicControl

TOvGraphicControl::TOvGraphicControl(QWidget* Owner)
    : TOvUpdating(Owner)
{
    OvAccessible::Install();
}

void TOvGraphicControl::UpdateEnded()
{
    Change();
    update(); // a paint held back during the update runs now
}

void TOvGraphicControl::Change()
{
    if (UpdateCount() == 0)
        SettingsChanged(this);
}

// ================================================================ TOvCustomControl

TOvCustomControl::TOvCustomControl(QWidget* Owner)
    : TOvUpdating(Owner)
{
    OvAccessible::Install();
}

void TOvCustomControl::Change()
{
    if (UpdateCount() == 0)
        ParamChange(this);
}

void TOvCustomControl::ParamChange(QObject*)
{
    Invalidate();
    emit settingsChanged();
}
