// The windowed operable analog base: value, keys, mouse, wheel, focus colours.
#include "gauges/GBaseControls.h"
#include "gauges/GAccessible.h"

#include <QKeyEvent>

#include <cmath>
#include <limits>

namespace {


// The key's member of TEnabledKey, or -1.
int EnabledKeyOf(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
        return vkPrior;
    case Qt::Key_PageDown:
        return vkNext;
    case Qt::Key_End:
        return vkEnd;
    case Qt::Key_Home:
        return vkHome;
    case Qt::Key_Left:
        return vkLeft;
    case Qt::Key_Down:
        return vkDown;
    case Qt::Key_Up:
        return vkUp;
    case Qt::Key_Right:
        return vkRight;
    default:
        return -1;
    }
}

bool InRect(int x, int y, const TRect& r)
{
    return r.Left <= x && x < r.Right && r.Top <= y && y <= r.Bottom;
}

bool InCircle(int x, int y, const TRect& r)
{
    const double cx = r.Left + (r.Right - r.Left) / 2.0;
    const double cy = r.Top + (r.Bottom - r.Top) / 2.0;
    return 2.0 * std::hypot(x - cx, y - cy) <= double(r.Right - r.Left);
}

} // namespace

// ================================================================ TOvAnalogCControl

TOvAnalogCControl::TOvAnalogCControl(QWidget* Owner)
    : TOvCustomControl(Owner)
    , TOvAnalogValue(0.0f, 0)
{
    BeginUpdate();
    SetFont(TFont(QStringLiteral("MS Sans Serif"), 10, Font().Color()));
    SetParentFont(false);
    // Hovering over the hit area changes the cursor, so moves are needed
    // without a pressed button too.
    setMouseTracking(true);
}

TOvAnalogCControl::~TOvAnalogCControl() = default;

void TOvAnalogCControl::Loaded()
{
    TOvCustomControl::Loaded();
    FSignalSettings.Recalculate();
    FSignalSettings.SetOnChange([this](QObject* sender) { ParamChange(sender); });
    FDigit = DigitOfValue();
    EndUpdate();
}

int TOvAnalogCControl::DigitOfValue() const
{
    return FSignalSettings.DigitOfValue(FValue);
}

void TOvAnalogCControl::SetValue(float v)
{
    if (std::isnan(v))
        return;
    if (v == FValue && UpdateCount() <= 0)
        return;
    TSignalSettings& s = FSignalSettings;
    if (s.DigitsPerValue() == 0.0)
        s.Recalculate();
    FValue = s.ClampValue(v);
    const int d = DigitOfValue();
    if (d == FDigit && UpdateCount() <= 0) {
        // Same step: the Digit setter would ignore it, so snap the value to
        // the step here; the control holds only quantised values.
        FValue = s.ValueOfDigit(d);
        return;
    }
    SetDigit(d);
}

void TOvAnalogCControl::SetDigit(int d)
{
    if (d == FDigit && UpdateCount() <= 0)
        return;
    TSignalSettings& s = FSignalSettings;
    if (s.DigitsPerValue() == 0.0)
        s.Recalculate();
    FDigit = s.ClampDigit(d);
    FValue = s.ValueOfDigit(FDigit);
    ValueChange();
    if (FOnValueChange && !Loading())
        FOnValueChange(this);
    // The notify signal only for a new value (an update re-applies the same).
    if (AnnounceValue()) {
        emit valueChanged(FValue);
        OvAccessible::ValueChanged(this, double(FValue));
    }
    FUserChanged = true;
}

void TOvAnalogCControl::ValueChange()
{
    FValueText = FormatFloat(FSignalSettings.ValueFormat(), FValue);
    FDigitText = QString::number(FDigit);
    if (FValueIndicator)
        FValueIndicator->SetValue(FValue);
}

void TOvAnalogCControl::ParamChange(QObject* Sender)
{
    FSavedCursor = Cursor();
    if (FValueIndicator)
        FValueIndicator->SignalSettings().Assign(FSignalSettings);
    FDigit = DigitOfValue();
    TOvCustomControl::ParamChange(Sender);
}

void TOvAnalogCControl::SetValueIndicator(TOvAnalogGControl* v)
{
    FValueIndicator = v; // cleared automatically when the indicator is destroyed
    if (v)
        v->SignalSettings().Assign(FSignalSettings);
    ValueChange();
}

void TOvAnalogCControl::SetColorFocus(TColor v)
{
    if (StoreChanged(FColorFocus, v))
        ParamChange(this);
}

void TOvAnalogCControl::SetColorNonFocus(TColor v)
{
    if (StoreChanged(FColorNonFocus, v))
        ParamChange(this);
}

bool TOvAnalogCControl::HitTest(int X, int Y) const
{
    return FRoundHitArea ? InCircle(X, Y, FHitRect) : InRect(X, Y, FHitRect);
}

void TOvAnalogCControl::SlideTo(TShiftState, int X, int Y) { FLastPoint = QPoint(X, Y); }

void TOvAnalogCControl::StepDigit(int inc, int dec)
{
    // Wide arithmetic: a huge step must clamp, not wrap.
    SetDigit(FSignalSettings.ClampDigit(inc >= 1 ? (long long)FDigit + inc : (long long)FDigit - dec));
}

void TOvAnalogCControl::FireValueChanged()
{
    if (!FUserChanged)
        return;
    FUserChanged = false;
    if (FOnValueChanged)
        FOnValueChanged(this);
}

void TOvAnalogCControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TOvCustomControl::MouseDown(Button, Shift, X, Y);
    SetFocus();
    if (Button == mbLeft && HitTest(X, Y)) {
        FDragging = true;
        SlideTo(Shift, X, Y);
        FLastPoint = QPoint(X, Y);
    }
}

void TOvAnalogCControl::MouseMove(TShiftState Shift, int X, int Y)
{
    TOvCustomControl::MouseMove(Shift, X, Y);
    FInHitArea = HitTest(X, Y);
    if (FInHitArea) {
        if (Cursor() != FCursorSlide)
            SetCursor(FCursorSlide);
    } else if (Cursor() != FSavedCursor) {
        SetCursor(FSavedCursor);
    }
    if (FDragging)
        SlideTo(Shift, X, Y);
}

void TOvAnalogCControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TOvCustomControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft)
        FDragging = false;
    FireValueChanged();
}

void TOvAnalogCControl::KeyDown(int& Key, TShiftState Shift)
{
    TOvCustomControl::KeyDown(Key, Shift);
    if (!FEnableKeyboard)
        return;
    const int member = EnabledKeyOf(Key);
    if (member < 0 || !FEnabledKeys.Contains(static_cast<TEnabledKey>(member)))
        return;
    const TSignalSettings& s = FSignalSettings;
    switch (member) {
    case vkPrior:
        SetDigit(s.ClampDigit((long long)FDigit + FChangeLarge));
        break;
    case vkNext:
        // The lower end first here (they differ only for an inverted range).
        SetDigit(int(std::min<long long>(s.DigitalTo(), std::max<long long>(s.DigitalFrom(), (long long)FDigit - FChangeLarge))));
        break;
    case vkEnd:
        SetDigit(s.DigitalTo());
        break;
    case vkHome:
        SetDigit(s.DigitalFrom());
        break;
    case vkLeft:
    case vkDown:
        StepDigit(0, FChangeSmall);
        break;
    case vkUp:
    case vkRight:
        StepDigit(FChangeSmall, 0);
        break;
    default:
        break;
    }
}

void TOvAnalogCControl::KeyUp(int& Key, TShiftState Shift)
{
    TOvCustomControl::KeyUp(Key, Shift);
    FireValueChanged();
}

void TOvAnalogCControl::DoEnter()
{
    TOvCustomControl::DoEnter();
    ValueChange();
}

void TOvAnalogCControl::DoExit()
{
    TOvCustomControl::DoExit();
    ValueChange();
}

bool TOvAnalogCControl::DoMouseWheel(TShiftState, int WheelDelta, QPoint)
{
    if (Designing())
        return false;
    if (WheelDelta == 120)
        StepDigit(FChangeSmall, 0);
    else if (WheelDelta == -120)
        StepDigit(0, FChangeSmall);
    return true;
}

bool TOvAnalogCControl::WantsKey(int Key) const
{
    if (!FEnableKeyboard)
        return false;
    const int member = EnabledKeyOf(Key);
    return member >= 0 && FEnabledKeys.Contains(static_cast<TEnabledKey>(member));
}

bool TOvAnalogCControl::event(QEvent* e)
{
    // Claim the navigation keys before shortcuts and dialogs take them, as a
    // control that wants arrow keys does.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (WantsKey(ke->key()) && (ke->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            e->accept();
            return true;
        }
    }
    return TOvCustomControl::event(e);
}
