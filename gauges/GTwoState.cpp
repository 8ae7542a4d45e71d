// The two-state base of switches and LEDs.
#include "gauges/GBaseControls.h"
#include "gauges/GAccessible.h"

#include <QKeyEvent>

#include "gauges/OvFlashT.h"

#include <QMouseEvent>

// ================================================================ TOvBinGControl

TOvBinGControl::TOvBinGControl(QWidget* Owner)
    : TGraphicControl(Owner)
{
    OvAccessible::Install();
}

TOvBinGControl::~TOvBinGControl() { LeaveFlash(); }

void TOvBinGControl::LeaveFlash()
{
    if (FFlashRegistered) {
        TOvFlashRegistry::UnregisterControl(this);
        FFlashRegistered = false;
    }
}

void TOvBinGControl::UpdateFlashing()
{
    if (FChecked && FFlashing) {
        TOvFlashRegistry::RegisterControl(this, FlashCode(FFrequency));
        FFlashRegistered = true;
    } else {
        LeaveFlash();
    }
}

void TOvBinGControl::SetChecked(bool c)
{
    if (!StoreChanged(FChecked, c))
        return;
    UpdateFlashing();
    const int bit = int(1u << unsigned(FStatusBit));
    if (c)
        SetStatusInt(FMode == mRadioButton ? bit : (FStatusInt | bit));
    else if (FMode != mRadioButton)
        SetStatusInt(FStatusInt & ~bit);
    StatusChanged();
    if (FOnStatusChanged)
        FOnStatusChanged(this);
    emit checkedChanged(FChecked);
    OvAccessible::CheckedChanged(this);
}

void TOvBinGControl::SetStatusInt(int s)
{
    if (s == FStatusInt)
        return;
    FStatusInt = s;
    SetChecked(((unsigned(s) >> unsigned(FStatusBit)) & 1u) != 0);
    if (FStatusInt != s)
        return; // the Checked setter stored (and announced) a different status
    FLowestBit = 32;
    for (int i = 0; i < 32; ++i) {
        if ((unsigned(s) >> unsigned(i)) & 1u) {
            FLowestBit = i;
            break;
        }
    }
    StatusIntChanged();
    if (FOnStatusIntChanged)
        FOnStatusIntChanged(this);
    emit statusIntChanged(FStatusInt);

    // Share the status with the group: one propagation at a time per owner,
    // so the members' own setters do not start it again.
    QWidget* owner = parentWidget();
    if (FGroupIndex != 0 && owner) {
        static const char* const busy = "_ovGroupPropagation";
        if (!owner->property(busy).toBool()) {
            owner->setProperty(busy, true);
            const QObjectList siblings = owner->children();
            for (QObject* o : siblings) {
                auto* other = dynamic_cast<TOvBinGControl*>(o);
                if (other && other != this && other->FGroupIndex == FGroupIndex)
                    other->SetStatusInt(s);
            }
            owner->setProperty(busy, QVariant());
        }
    }
}

void TOvBinGControl::SetStatusBit(int b)
{
    if (b == FStatusBit || b < 0 || b > 31)
        return;
    FStatusBit = b;
    SetChecked(((unsigned(FStatusInt) >> unsigned(b)) & 1u) != 0);
    emit settingsChanged();
}

void TOvBinGControl::SetGroupIndex(int g)
{
    if (g == FGroupIndex || g < 0)
        return;
    FGroupIndex = g;
    if (g != 0) {
        TOvBinGControl* first = this;
        if (QWidget* owner = parentWidget()) {
            for (QObject* o : owner->children()) {
                auto* other = dynamic_cast<TOvBinGControl*>(o);
                if (other && other->FGroupIndex == g) {
                    first = other;
                    break;
                }
            }
        }
        SetStatusInt(first->FStatusInt);
    }
    GroupIndexChanged();
    emit settingsChanged();
}

void TOvBinGControl::SetMode(TMode m)
{
    const bool changed = m != FMode;
    if (changed)
        FMode = m;
    if (m == mButton)
        SetStatusInt(0);
    else if (m == mRadioButton)
        SetStatusInt(1);
    if (changed)
        emit settingsChanged();
}

void TOvBinGControl::SetFrequency(TFlashFreq f)
{
    if (!StoreChanged(FFrequency, f))
        return;
    if (FChecked && FFlashing)
        UpdateFlashing(); // replaces the entry's rate
    emit settingsChanged();
}

void TOvBinGControl::SetFlashing(bool f)
{
    if (!StoreChanged(FFlashing, f))
        return;
    UpdateFlashing();
    StatusChanged();
    if (FOnStatusChanged)
        FOnStatusChanged(this);
    emit settingsChanged();
}

void TOvBinGControl::ParamChange(QObject*)
{
    Invalidate();
    emit settingsChanged();
}

void TOvBinGControl::PressAction()
{
    FPressed = true;
    switch (FMode) {
    case mButton:
        SetChecked(true);
        break;
    case mSwitch:
        SetChecked(!FChecked);
        break;
    case mRadioButton:
        SetStatusInt(int(1u << unsigned(FStatusBit)));
        break;
    case mIndicator:
        break;
    }
}

void TOvBinGControl::ReleaseAction()
{
    if (FMode == mIndicator)
        return;
    FPressed = false;
    if (FMode == mButton)
        SetChecked(false);
    StatusChanged();
}

void TOvBinGControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        PressAction();
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TOvBinGControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft)
        ReleaseAction();
}

void TOvBinGControl::SetTabStop(bool v)
{
    FTabStop = v;
    setFocusPolicy(v ? Qt::StrongFocus : Qt::NoFocus);
}

void TOvBinGControl::Toggle()
{
    if (FMode == mIndicator || !isEnabled())
        return;
    PressAction();
    Click();
    ReleaseAction();
}

bool TOvBinGControl::WantsKey(int Key) const
{
    return FTabStop && FMode != mIndicator && (Key == Qt::Key_Space || Key == Qt::Key_Select);
}

void TOvBinGControl::KeyDown(int& Key, TShiftState Shift)
{
    TGraphicControl::KeyDown(Key, Shift);
    if (Key != 0 && WantsKey(Key) && !FKeyPressed) {
        FKeyPressed = true;
        PressAction();
    }
}

void TOvBinGControl::KeyUp(int& Key, TShiftState Shift)
{
    TGraphicControl::KeyUp(Key, Shift);
    if (Key != 0 && WantsKey(Key) && FKeyPressed) {
        FKeyPressed = false;
        Click();
        ReleaseAction();
    }
}

void TOvBinGControl::DoExit()
{
    // Focus lost with Space still down: the press ends without a click.
    if (FKeyPressed) {
        FKeyPressed = false;
        ReleaseAction();
    }
    TGraphicControl::DoExit();
}

void TOvBinGControl::keyPressEvent(QKeyEvent* e)
{
    // A held Space presses once: its repeats are swallowed.
    if (e->isAutoRepeat() && WantsKey(e->key())) {
        e->accept();
        return;
    }
    TGraphicControl::keyPressEvent(e);
}

void TOvBinGControl::MessageReceived(const TControlMessage& Msg)
{
    if (Msg.Msg == TOvFlashEvent::MessageNumber)
        Flash(Msg.LParam != 0);
}
