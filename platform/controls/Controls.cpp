// The platform control layer over QWidget.
#include "platform/controls/Controls.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace {

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

} // namespace

TControlMessage::~TControlMessage() = default;

// ================================================================ TControl

TControl::TControl(QWidget* Owner)
    : QWidget(Owner)
{
    // The picture covers the whole widget; nothing shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    FFont.OnChange = [this](TFont&) { FontChanged(); };
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
    setEnabled(v); // the change event repaints
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
        FPicture = std::make_unique<TBitmap>();
        FPicture->SetTransparent(FTransparent);
        FPicture->SetSize(w, h);
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

void TControl::SetTransparent(bool v)
{
    if (v == FTransparent)
        return;
    FTransparent = v;
    setAttribute(Qt::WA_OpaquePaintEvent, !v);
    if (FPicture) {
        FPicture->SetTransparent(v);
        FPicture->Clear(); // repainted before it is shown
    }
    Invalidate();
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
    if (FTransparent)
        FPicture->Clear();
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
    if (!FTransparent) {
        QImage shown = FPicture->Image().copy();
        if (hasFocus()) {
            QPainter p(&shown);
            DrawFocusOverlay(p);
        }
        return shown;
    }
    // A transparent control as it shows on a plain panel: the parent's
    // background colour (the classic button face without a parent).
    const QColor panel = parentWidget() ? parentWidget()->palette().color(parentWidget()->backgroundRole())
                                        : ColorToQColor(clBtnFace);
    QImage shown(FPicture->Image().size(), QImage::Format_RGB32);
    shown.fill(panel);
    QPainter p(&shown);
    p.drawImage(0, 0, FPicture->Image());
    DrawFocusOverlay(p);
    p.end();
    return shown;
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
    if (e->type() == TControlMessage::EventType()) {
        MessageReceived(*static_cast<TControlMessage*>(e));
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
    DrawFocusOverlay(p);
}

TRect TControl::FocusRect() const
{
    return ClientRect();
}

void TControl::DrawFocusOverlay(QPainter& p) const
{
    if (!hasFocus())
        return;
    const TRect r = FocusRect();
    if (r.Right - r.Left >= 2 && r.Bottom - r.Top >= 2)
        DrawFocusRectangle(p, r);
}

void DrawFocusRectangle(QPainter& p, const TRect& r)
{
    // Two pixels wide, right and bottom exclusive: a checkerboard of black
    // and white dots, so that it reads on light faces and dark boxes alike
    // and still shows on a panel scaled up from its design size.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    auto dot = [&](int x, int y) {
        p.setPen(((x + y) & 1) == 0 ? Qt::black : Qt::white);
        p.drawPoint(x, y);
    };
    for (int ring = 0; ring < 2; ++ring) {
        const int l = r.Left + ring, t = r.Top + ring, rr = r.Right - 1 - ring, b = r.Bottom - 1 - ring;
        if (rr <= l || b <= t)
            break;
        for (int x = l; x <= rr; ++x) {
            dot(x, t);
            dot(x, b);
        }
        for (int y = t + 1; y < b; ++y) {
            dot(l, y);
            dot(rr, y);
        }
    }
    p.restore();
}

namespace {

int TabOrderOf(const QWidget* w)
{
    const QVariant v = w->property("TabOrder");
    return v.isValid() ? v.toInt() : -1;
}

void CollectTabSequence(QWidget* container, QList<QWidget*>& out)
{
    QList<QWidget*> kids;
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow())
            kids.append(w);
    }
    // Those with a position first, by position; the rest keep creation order.
    std::stable_sort(kids.begin(), kids.end(), [](const QWidget* a, const QWidget* b) {
        const int ta = TabOrderOf(a), tb = TabOrderOf(b);
        if ((ta < 0) != (tb < 0))
            return ta >= 0;
        return ta >= 0 && ta < tb;
    });
    for (QWidget* w : kids) {
        if (w->focusPolicy() & Qt::TabFocus)
            out.append(w);
        CollectTabSequence(w, out);
    }
}

} // namespace

QList<QWidget*> TabSequence(QWidget* root)
{
    QList<QWidget*> out;
    if (root)
        CollectTabSequence(root, out);
    return out;
}

QList<QWidget*> ApplyTabOrder(QWidget* root)
{
    const QList<QWidget*> chain = TabSequence(root);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    return chain;
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
    // Smooth wheels and touchpads send fractions of a notch; they add up, and
    // the control sees one whole notch (120) at a time.
    const QPoint p = e->position().toPoint();
    const int delta = e->angleDelta().y();
    if (delta == 0) {
        e->ignore();
        return;
    }
    if ((delta > 0) != (FWheelRemainder > 0))
        FWheelRemainder = 0; // a change of direction drops the unfinished notch
    FWheelRemainder += delta;
    bool handled = false;
    const TShiftState shift = ShiftOf(e->modifiers(), e->buttons());
    while (std::abs(FWheelRemainder) >= WheelNotch) {
        const int notch = FWheelRemainder > 0 ? WheelNotch : -WheelNotch;
        FWheelRemainder -= notch;
        handled = DoMouseWheel(shift, notch, p) || handled;
    }
    if (handled || FWheelRemainder != 0)
        e->accept();
    else
        e->ignore();
}

void TControl::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        // Enabled and disabled controls look different (greyed parts).
        Invalidate();
        emit enabledChanged(isEnabled());
    }
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
