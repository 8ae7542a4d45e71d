// Update-counting bases of the gauge controls.
#include "gauges/GBaseControls.h"
#include "gauges/GAccessible.h"


TOvFlashEvent::~TOvFlashEvent() = default;

// ================================================================ TOvGraphicControl

TOvGraphicControl::TOvGraphicControl(QWidget* Owner)
    : TGraphicControl(Owner)
{
    OvAccessible::Install();
}

void TOvGraphicControl::BeginUpdate() { ++FUpdateCount; }

void TOvGraphicControl::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0) {
        Change();
        update(); // a paint held back during the update runs now
    }
}

void TOvGraphicControl::Change()
{
    if (FUpdateCount == 0)
        SettingsChanged(this);
}

// ================================================================ TOvCustomControl

TOvCustomControl::TOvCustomControl(QWidget* Owner)
    : TCustomControl(Owner)
{
    OvAccessible::Install();
}

void TOvCustomControl::BeginUpdate() { ++FUpdateCount; }

void TOvCustomControl::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        Invalidate();
}

void TOvCustomControl::Change()
{
    if (FUpdateCount == 0)
        ParamChange(this);
}

void TOvCustomControl::ParamChange(QObject*)
{
    Invalidate();
    emit settingsChanged();
}

void TOvGraphicControl::MessageReceived(const TControlMessage& Msg)
{
    if (Msg.Msg == TOvFlashEvent::MessageNumber)
        FlashMessage(TOvFlashEvent(Msg.WParam, Msg.LParam));
}

void TOvCustomControl::MessageReceived(const TControlMessage& Msg)
{
    if (Msg.Msg == TOvFlashEvent::MessageNumber)
        FlashMessage(TOvFlashEvent(Msg.WParam, Msg.LParam));
}
