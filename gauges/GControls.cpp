// Base controls of the gauge framework: the platform control layer over
// QWidget and the library's update-counting, analog and two-state bases.
#include "gauges/GClass.h"

#include "gauges/OvFlashT.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <limits>

namespace {

// Round half to even into the int range; NaN gives 0.
int RoundToInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(r);
}

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out)
{
    switch (b) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

Qt::CursorShape ShapeOf(TCursor c)
{
    switch (c) {
    case crOvHand:
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crCross:
        return Qt::CrossCursor;
    case -4:
        return Qt::IBeamCursor;
    case -6:
        return Qt::SizeBDiagCursor;
    case -7:
        return Qt::SizeVerCursor;
    case -8:
        return Qt::SizeFDiagCursor;
    case -9:
        return Qt::SizeHorCursor;
    case -11:
        return Qt::WaitCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// The key's member of TEnabledKey, or -1.
int EnabledKeyOf(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
        return _VK_PRIOR;
    case Qt::Key_PageDown:
        return _VK_NEXT;
    case Qt::Key_End:
        return _VK_END;
    case Qt::Key_Home:
        return _VK_HOME;
    case Qt::Key_Left:
        return _VK_LEFT;
    case Qt::Key_Down:
        return _VK_DOWN;
    case Qt::Key_Up:
        return _VK_UP;
    case Qt::Key_Right:
        return _VK_RIGHT;
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

// ================================================================ TControl

TControl::TControl(QWidget* Owner)
    : QWidget(Owner)
{
    // The picture covers the whole widget; nothing shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    FFont.OnChange = [this](TFont&) { Invalidate(); };
}

TControl::~TControl()
{
    FComponentState |= csDestroying;
}

void TControl::SetDesigning(bool v)
{
    if (v)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~unsigned(csDesigning);
}

void TControl::Loaded()
{
    FComponentState &= ~unsigned(csLoading);
    FLoadedDone = true;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    const bool resized = AWidth != width() || AHeight != height();
    setGeometry(ALeft, ATop, AWidth, AHeight);
    if (resized) {
        // A hidden widget gets its resize event only when shown; the picture
        // and the owners' layout must follow at once.
        EnsurePictureSize();
        Resized();
        Invalidate();
    }
}

TRect TControl::ClientRect() const { return Rect(0, 0, width(), height()); }

void TControl::SetVisible(bool v)
{
    if (FVisible == v)
        return;
    FVisible = v;
    // A top-level control is never popped up as a window by the property.
    if (parentWidget() || !v)
        QWidget::setVisible(v);
}

void TControl::SetEnabled(bool v)
{
    if (testAttribute(Qt::WA_ForceDisabled) == !v)
        return;
    setEnabled(v);
    Invalidate();
}

void TControl::SetFont(const TFont& v) { FFont.Assign(v); }

void TControl::SetText(const QString& v)
{
    if (FText == v)
        return;
    FText = v;
    TextChanged();
}

void TControl::SetHint(const QString& v)
{
    FHint = v;
    QString shown = v;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setToolTip(FShowHint ? shown : QString());
}

void TControl::SetShowHint(bool v)
{
    FShowHint = v;
    SetHint(FHint);
}

void TControl::SetCursor(TCursor v)
{
    FCursor = v;
    if (v == crDefault)
        unsetCursor();
    else
        setCursor(ShapeOf(v));
}

// ---------------------------------------------------------------- picture

void TControl::EnsurePictureSize()
{
    const int w = std::max(1, width());
    const int h = std::max(1, height());
    if (!FPicture) {
        FPicture = std::make_unique<TBitmap>(w, h);
        FNeedsPaint = true;
    } else if (FPicture->Width() != w || FPicture->Height() != h) {
        FPicture->SetSize(w, h);
        FNeedsPaint = true;
    }
}

TCanvas& TControl::Canvas()
{
    EnsurePictureSize();
    return FPicture->Canvas;
}

TBitmap& TControl::Picture()
{
    EnsurePictureSize();
    return *FPicture;
}

void TControl::Invalidate()
{
    FNeedsPaint = true;
    update();
}

void TControl::RunPaint()
{
    if (FInPaint || !CanPaint())
        return;
    EnsurePictureSize();
    FInPaint = true;
    FNeedsPaint = false;
    FFlushed.clear();
    Paint();
    FInPaint = false;
    ++FPaintCount;
}

void TControl::Repaint()
{
    FNeedsPaint = true;
    RunPaint();
    update();
}

void TControl::Flush(const TRect& r)
{
    FFlushed.append(r);
    update(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

QImage TControl::Snapshot()
{
    if (!FLoadedDone)
        Loaded();
    EnsurePictureSize();
    if (FNeedsPaint)
        RunPaint();
    return FPicture->Image().copy();
}

// ---------------------------------------------------------------- input hooks

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseDown)
        FOnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FOnMouseMove)
        FOnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseUp)
        FOnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click()
{
    if (FOnClick)
        FOnClick(this);
}

void TControl::DblClick()
{
    if (FOnDblClick)
        FOnDblClick(this);
}

void TControl::KeyDown(int& Key, TShiftState Shift)
{
    if (FOnKeyDown)
        FOnKeyDown(this, Key, Shift);
}

void TControl::KeyUp(int& Key, TShiftState Shift)
{
    if (FOnKeyUp)
        FOnKeyUp(this, Key, Shift);
}

void TControl::DoEnter()
{
    if (FOnEnter)
        FOnEnter(this);
}

void TControl::DoExit()
{
    if (FOnExit)
        FOnExit(this);
}

bool TControl::DoMouseWheel(TShiftState, int, QPoint) { return false; }

// ---------------------------------------------------------------- Qt plumbing

bool TControl::event(QEvent* e)
{
    if (e->type() == TOvFlashEvent::EventType()) {
        FlashMessage(*static_cast<TOvFlashEvent*>(e));
        return true;
    }
    return QWidget::event(e);
}

void TControl::paintEvent(QPaintEvent* e)
{
    if (!FLoadedDone)
        Loaded();
    EnsurePictureSize();
    if (FNeedsPaint)
        RunPaint();
    const QImage& img = FPicture->Image();
    QPainter p(this);
    p.drawImage(e->rect(), img, e->rect());
}

void TControl::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const bool changed = !FPicture || FPicture->Width() != std::max(1, width())
        || FPicture->Height() != std::max(1, height());
    if (changed) {
        EnsurePictureSize();
        Resized();
        Invalidate();
    }
}

void TControl::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!FLoadedDone)
        Loaded();
}

void TControl::mousePressEvent(QMouseEvent* e)
{
    TMouseButton b;
    if (!ButtonOf(e->button(), b)) {
        QWidget::mousePressEvent(e);
        return;
    }
    if (b == mbLeft)
        FClickPending = true;
    const QPoint p = e->position().toPoint();
    MouseDown(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    e->accept();
}

void TControl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    MouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    e->accept();
}

void TControl::mouseReleaseEvent(QMouseEvent* e)
{
    TMouseButton b;
    if (!ButtonOf(e->button(), b)) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    // Click comes before MouseUp, and only for a press and release inside.
    if (b == mbLeft && FClickPending) {
        FClickPending = false;
        if (rect().contains(p))
            Click();
    }
    MouseUp(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    e->accept();
}

void TControl::mouseDoubleClickEvent(QMouseEvent* e)
{
    TMouseButton b;
    if (!ButtonOf(e->button(), b)) {
        QWidget::mouseDoubleClickEvent(e);
        return;
    }
    // A double click reports DblClick and a second press, but no Click.
    if (b == mbLeft)
        DblClick();
    const QPoint p = e->position().toPoint();
    MouseDown(b, ShiftOf(e->modifiers(), e->buttons()) | ssDouble, p.x(), p.y());
    e->accept();
}

void TControl::keyPressEvent(QKeyEvent* e)
{
    int key = e->key();
    const int original = key;
    KeyDown(key, ShiftOf(e->modifiers(), Qt::NoButton));
    // Keys the control does not use (Return, Escape, ...) go on to the
    // parent, so dialogs keep their default and cancel buttons.
    e->setAccepted(key == 0 || WantsKey(original));
}

void TControl::keyReleaseEvent(QKeyEvent* e)
{
    if (e->isAutoRepeat()) {
        e->setAccepted(WantsKey(e->key()));
        return;
    }
    int key = e->key();
    const int original = key;
    KeyUp(key, ShiftOf(e->modifiers(), Qt::NoButton));
    e->setAccepted(key == 0 || WantsKey(original));
}

void TControl::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    DoEnter();
}

void TControl::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    DoExit();
}

void TControl::wheelEvent(QWheelEvent* e)
{
    const QPoint p = e->position().toPoint();
    const int delta = e->angleDelta().y();
    if (DoMouseWheel(ShiftOf(e->modifiers(), e->buttons()), delta, p))
        e->accept();
    else
        e->ignore();
}

void TControl::contextMenuEvent(QContextMenuEvent* e)
{
    bool handled = false;
    if (FOnContextPopup)
        FOnContextPopup(this, e->pos(), handled);
    if (!handled && FPopupMenu) {
        FPopupMenu->popup(e->globalPos());
        handled = true;
    }
    if (handled)
        e->accept();
    else
        e->ignore();
}

// ================================================================ platform bases

TGraphicControl::TGraphicControl(QWidget* Owner)
    : TControl(Owner)
{
    setFocusPolicy(Qt::NoFocus);
}

TCustomControl::TCustomControl(QWidget* Owner)
    : TControl(Owner)
{
    setFocusPolicy(Qt::StrongFocus);
}

void TCustomControl::SetTabStop(bool v)
{
    FTabStop = v;
    setFocusPolicy(v ? Qt::StrongFocus : Qt::ClickFocus);
}

void TCustomControl::SetFocus()
{
    if (isEnabled())
        setFocus(Qt::MouseFocusReason);
}

// ================================================================ TOvGraphicControl

TOvGraphicControl::TOvGraphicControl(QWidget* Owner)
    : TGraphicControl(Owner)
{
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

void TOvCustomControl::ParamChange(QObject*) { Invalidate(); }

// ================================================================ TOvAnalogGControl

TOvAnalogGControl::TOvAnalogGControl(QWidget* Owner)
    : TOvGraphicControl(Owner)
{
    BeginUpdate();
    SetFont(TFont(QStringLiteral("Arial"), 8, Font().Color()));
    SetParentFont(false);
    FSignalSettings.Compute();
    // Both limit flags start set, so this first check stores the real state.
    ValueChange();
}

void TOvAnalogGControl::Loaded()
{
    TOvGraphicControl::Loaded();
    auto hook = [this](QObject* sender) { SettingsChanged(sender); };
    FSectorSettings.SetOnChange(hook);
    FSignalSettings.SetOnChange(hook);
    FMinMax.SetOnChange(hook);
    EndUpdate();
}

void TOvAnalogGControl::DigitFromValue()
{
    if (FLogScale)
        FDigit = RoundToInt(std::log10(double(FValue) / double(FSignalSettings.ValueFrom())) * FLogFactor)
            + FSignalSettings.DigitalFrom();
    else
        FDigit = RoundToInt((double(FValue) - FSignalSettings.ValueFrom()) * FSignalSettings.DigitsPerValue()
            + FSignalSettings.DigitalFrom());
}

void TOvAnalogGControl::Dispatch()
{
    if (Designing())
        SettingsChanged(this);
    else
        ValueChange();
}

void TOvAnalogGControl::SetValue(float v)
{
    if (v == FValue || std::isnan(v))
        return;
    if (FLogScale && v <= 0.0f)
        return;
    FValue = v;
    DigitFromValue();
    Dispatch();
}

void TOvAnalogGControl::SetDigit(int d)
{
    if (d == FDigit)
        return;
    FDigit = d;
    const TSignalSettings& s = FSignalSettings;
    FValue = float(double(d) - s.DigitalFrom()) * float(s.ValuePerDigit()) + s.ValueFrom();
    // Without a usable factor the linear value stands.
    if (FLogScale && FLogFactor != 0.0)
        FValue = float(double(s.ValueFrom()) * std::pow(10.0, (double(d) - s.DigitalFrom()) / FLogFactor));
    Dispatch();
}

void TOvAnalogGControl::SetLimitUpper(float v)
{
    if (v == FLimitUpper || std::isnan(v))
        return;
    FLimitUpper = v;
    FLimitUpperDigits = FSignalSettings.PerMille(v);
    ValueChange();
}

void TOvAnalogGControl::SetLimitLower(float v)
{
    if (v == FLimitLower || std::isnan(v))
        return;
    if (v == 0.0f)
        v = 0.0001f;
    FLimitLower = v;
    FLimitLowerDigits = FSignalSettings.PerMille(v);
    ValueChange();
}

void TOvAnalogGControl::SetHintOptions(THintOptions v)
{
    if (v == FHintOptions)
        return;
    FHintOptions = v;
    RebuildHint();
}

void TOvAnalogGControl::SetLogScale(bool v)
{
    if (FLogScale == v)
        return;
    FLogScale = v;
    FSignalSettings.SetLogScale(v);
    Change();
}

void TOvAnalogGControl::SettingsChanged(QObject*)
{
    FSignalSettings.Compute();
    if (FLogScale) {
        const double from = FSignalSettings.ValueFrom();
        const double to = FSignalSettings.ValueTo();
        // log10 of a ratio of 1 (or of a non-positive range) has no factor.
        if (from > 0.0 && to > 0.0 && to != from)
            FLogFactor = FSignalSettings.DigitalRange() / std::log10(to / from);
        if (FValue <= 0.0f)
            FValue = 1.0f;
    }
    DigitFromValue();
    if (FOnSettingsChange)
        FOnSettingsChange(this);
    Invalidate();
}

void TOvAnalogGControl::ValueChange()
{
    if (pos() != FLastPos) {
        FLastPos = pos();
        Moved();
    }
    const TSignalSettings& s = FSignalSettings;
    FDigitText = QString::number(FDigit);
    FValueText = FormatFloat(s.ValueFormat(), FValue);
    FPPT = s.DigitalRange() != 0 ? RoundToInt(1000.0 / s.DigitalRange() * (double(FDigit) - s.DigitalFrom())) : 0;

    for (int k = 1; k <= 3; ++k) {
        const bool active = FSectorSettings.SectorFrom(k) <= FPPT && FPPT <= FSectorSettings.SectorTo(k);
        if (active)
            FSectorColor = FSectorSettings.SectorColor(k);
        if (active != FSectorActive[k - 1]) {
            FSectorActive[k - 1] = active;
            if (FOnSectorChange)
                FOnSectorChange(this, k == 1, k == 2, k == 3, active);
        }
    }

    const bool upper = FValue > FLimitUpper;
    const bool lower = FValue < FLimitLower;
    if (upper != FUpperExceeded || lower != FLowerExceeded) {
        FUpperExceeded = upper;
        FLowerExceeded = lower;
        LimitChanged();
        if (FOnLimit)
            FOnLimit(this, lower, upper);
    }

    if (FPPT > 1000) {
        if (!FOverflow) {
            FOverflow = true;
            FUnderflow = false;
            OverflowChanged();
            if (FOnOverflow)
                FOnOverflow(this, FPPT);
        }
        FPPT = 1000;
    } else if (FPPT < 0) {
        if (!FUnderflow) {
            FUnderflow = true;
            FOverflow = false;
            OverflowChanged();
            if (FOnOverflow)
                FOnOverflow(this, FPPT);
        }
        FPPT = 0;
    } else if (FOverflow || FUnderflow) {
        FOverflow = false;
        FUnderflow = false;
        OverflowChanged();
        if (FOnOverflow)
            FOnOverflow(this, FPPT);
    }

    if (Designing()) {
        FMinPos = FPPT;
        FMaxPos = FPPT;
    } else {
        if (FValue < FMinMax.Min()) {
            const bool wasInitial = FMinMax.Min() == TMinMax::InitialMin;
            FMinMax.SetMin(FValue);
            FMinPos = FPPT;
            if (!wasInitial) {
                MinMaxChanged();
                if (FOnMinMaxChange)
                    FOnMinMaxChange(this);
            }
        }
        if (FValue > FMinMax.Max()) {
            const bool wasInitial = FMinMax.Max() == TMinMax::InitialMax;
            FMinMax.SetMax(FValue);
            FMaxPos = FPPT;
            if (!wasInitial) {
                MinMaxChanged();
                if (FOnMinMaxChange)
                    FOnMinMaxChange(this);
            }
        }
    }

    RebuildHint();
    if (FOnValueChange)
        FOnValueChange(this);
}

void TOvAnalogGControl::RebuildHint()
{
    if (!FHintOptions.Contains(hoAutoHint) || Designing())
        return;
    const TSignalSettings& s = FSignalSettings;
    const QLocale locale;
    auto extreme = [&](const QString& label, float v, const QDateTime& when) {
        QString line = label + FormatFloat(s.ValueFormat(), v) + QLatin1Char(' ') + s.ValueUnit();
        if (FHintOptions.Contains(hoMinMaxDate))
            line += QLatin1Char(' ') + locale.toString(when.date(), QLocale::ShortFormat);
        if (FHintOptions.Contains(hoMinMaxTime))
            line += QLatin1Char(' ') + locale.toString(when.time(), QLocale::ShortFormat);
        return line;
    };
    QStringList lines;
    if (FHintOptions.Contains(hoValue))
        lines << QStringLiteral("Value= ") + FValueText + QLatin1Char(' ') + s.ValueUnit();
    if (FHintOptions.Contains(hoMin))
        lines << extreme(QStringLiteral("MIN= "), FMinMax.Min(), FMinMax.MinDateTime());
    if (FHintOptions.Contains(hoMax))
        lines << extreme(QStringLiteral("MAX= "), FMinMax.Max(), FMinMax.MaxDateTime());
    if (FHintOptions.Contains(hoName1))
        lines << s.Name1();
    if (FHintOptions.Contains(hoName2))
        lines << s.Name2();
    SetHint(lines.join(QLatin1Char('\r')));
}

// ================================================================ TOvAnalogCControl

TOvAnalogCControl::TOvAnalogCControl(QWidget* Owner)
    : TOvCustomControl(Owner)
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
    const TSignalSettings& s = FSignalSettings;
    return RoundToInt((double(FValue) - s.ValueFrom()) * s.DigitsPerValue() + s.DigitalFrom());
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
    if (v > s.ValueTo())
        v = s.ValueTo();
    if (v < s.ValueFrom())
        v = s.ValueFrom();
    FValue = v;
    const int d = DigitOfValue();
    if (d == FDigit && UpdateCount() <= 0) {
        // Same step: the Digit setter would ignore it, so snap the value to
        // the step here; the control holds only quantised values.
        FValue = float(d - s.DigitalFrom()) * float(s.ValuePerDigit()) + s.ValueFrom();
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
    if (d > s.DigitalTo())
        d = s.DigitalTo();
    if (d < s.DigitalFrom())
        d = s.DigitalFrom();
    FDigit = d;
    FValue = float(d - s.DigitalFrom()) * float(s.ValuePerDigit()) + s.ValueFrom();
    ValueChange();
    if (FOnValueChange && !Loading())
        FOnValueChange(this);
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
    if (v == FColorFocus)
        return;
    FColorFocus = v;
    ParamChange(this);
}

void TOvAnalogCControl::SetColorNonFocus(TColor v)
{
    if (v == FColorNonFocus)
        return;
    FColorNonFocus = v;
    ParamChange(this);
}

bool TOvAnalogCControl::HitTest(int X, int Y) const
{
    return FRoundHitArea ? InCircle(X, Y, FHitRect) : InRect(X, Y, FHitRect);
}

void TOvAnalogCControl::SlideTo(TShiftState, int X, int Y) { FLastPoint = QPoint(X, Y); }

void TOvAnalogCControl::StepDigit(int inc, int dec)
{
    const TSignalSettings& s = FSignalSettings;
    // Wide arithmetic: a huge step must clamp, not wrap.
    long long d = inc >= 1 ? (long long)FDigit + inc : (long long)FDigit - dec;
    if (d > s.DigitalTo())
        d = s.DigitalTo();
    if (d < s.DigitalFrom())
        d = s.DigitalFrom();
    SetDigit(int(d));
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
    case _VK_PRIOR:
        SetDigit(int(std::max<long long>(s.DigitalFrom(), std::min<long long>(s.DigitalTo(), (long long)FDigit + FChangeLarge))));
        break;
    case _VK_NEXT:
        SetDigit(int(std::min<long long>(s.DigitalTo(), std::max<long long>(s.DigitalFrom(), (long long)FDigit - FChangeLarge))));
        break;
    case _VK_END:
        SetDigit(s.DigitalTo());
        break;
    case _VK_HOME:
        SetDigit(s.DigitalFrom());
        break;
    case _VK_LEFT:
    case _VK_DOWN:
        StepDigit(0, FChangeSmall);
        break;
    case _VK_UP:
    case _VK_RIGHT:
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

// ================================================================ TOvBinGControl

TOvBinGControl::TOvBinGControl(QWidget* Owner)
    : TGraphicControl(Owner)
{
}

TOvBinGControl::~TOvBinGControl() { LeaveFlash(); }

void TOvBinGControl::LeaveFlash()
{
    if (FFlashRegistered) {
        Unregister(this);
        FFlashRegistered = false;
    }
}

void TOvBinGControl::UpdateFlashing()
{
    if (FChecked && FFlashing) {
        Register(this, FlashCode(FFrequency));
        FFlashRegistered = true;
    } else {
        LeaveFlash();
    }
}

void TOvBinGControl::SetChecked(bool c)
{
    if (c == FChecked)
        return;
    FChecked = c;
    UpdateFlashing();
    const int bit = int(1u << unsigned(FStatusBit));
    if (c)
        SetStatusInt(FMode == mRadioButton ? bit : (FStatusInt | bit));
    else if (FMode != mRadioButton)
        SetStatusInt(FStatusInt & ~bit);
    StatusChanged();
    if (FOnStatusChanged)
        FOnStatusChanged(this);
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
}

void TOvBinGControl::SetMode(TMode m)
{
    if (m != FMode)
        FMode = m;
    if (m == mButton)
        SetStatusInt(0);
    else if (m == mRadioButton)
        SetStatusInt(1);
}

void TOvBinGControl::SetFrequency(TFlashFreq f)
{
    if (f == FFrequency)
        return;
    FFrequency = f;
    if (FChecked && FFlashing)
        UpdateFlashing(); // replaces the entry's rate
}

void TOvBinGControl::SetFlashing(bool f)
{
    if (f == FFlashing)
        return;
    FFlashing = f;
    UpdateFlashing();
    StatusChanged();
    if (FOnStatusChanged)
        FOnStatusChanged(this);
}

void TOvBinGControl::ParamChange(QObject*) { Invalidate(); }

void TOvBinGControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
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
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TOvBinGControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (FMode == mIndicator || Button != mbLeft)
        return;
    FPressed = false;
    if (FMode == mButton)
        SetChecked(false);
    StatusChanged();
}
