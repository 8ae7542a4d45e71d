// The platform control layer: QWidget-based stand-ins for the desktop
// widget layer's graphic (non-windowed) and custom (windowed) controls, with
// VCL-style properties, events, input hooks and an off-screen picture.
//
// - A property P has a getter P() and a setter SetP(v). Events are
//   std::function members with getter OnX() and setter SetOnX(); they fire
//   only when assigned and pass the control as sender.
// - Non-windowed controls (TGraphicControl) never take the focus; windowed
//   ones (TCustomControl) take focus, keys and the wheel.
// - Every control composes its picture in an off-screen TBitmap (Canvas()) and
//   the widget shows that bitmap. Paint() redraws all of it; fast partial
//   redraws draw on Canvas() and call Flush(rect) to show only that rectangle.
//   Snapshot() gives the picture (painting first if needed), also for widgets
//   that are not shown.
// - Life cycle: construct (csLoading) -> set properties -> Loaded() -> live.
//   A control shown, painted or snapshotted before Loaded() calls it itself.
// - Input arrives as the hooks MouseDown/MouseMove/MouseUp, Click (press and
//   release inside, before MouseUp), DblClick, KeyDown/KeyUp (Qt key codes),
//   DoEnter/DoExit and DoMouseWheel (delta 120 per notch, accumulated from
//   finer wheels); the base versions fire the matching events. Window
//   messages (TControlMessage) reach MessageReceived.
#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/canvas/PlatformExport.h"

#include <QEvent>
#include <QList>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <initializer_list>

class QMenu;
class QPainter;

// A Pascal-style set over an enumeration with at most 64 members.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members)
    {
        for (E m : members)
            FBits |= Bit(m);
    }
    static constexpr TSet FromBits(std::uint64_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }
    constexpr std::uint64_t Bits() const { return FBits; }
    constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr TSet& Include(E m)
    {
        FBits |= Bit(m);
        return *this;
    }
    constexpr TSet& Exclude(E m)
    {
        FBits &= ~Bit(m);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint64_t Bit(E m) { return std::uint64_t(1) << static_cast<unsigned>(m); }
    std::uint64_t FBits = 0;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
    ssShift = 1u << 0, ssAlt = 1u << 1, ssCtrl = 1u << 2,
    ssLeft = 1u << 3, ssRight = 1u << 4, ssMiddle = 1u << 5, ssDouble = 1u << 6
};
using TShiftState = unsigned; // or-ed TShiftFlag values

// Cursor index of the platform. 0 is the default arrow; CursorSlide's default
// 5 is the library's hand cursor. Negative values are the platform's stock
// cursors (crArrow -2, crCross -3, crIBeam -4, crSizeNESW -6, crSizeNS -7,
// crSizeNWSE -8, crSizeWE -9, crHourGlass -11, crHandPoint -21).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crOvHand = 5;

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
// Key is a Qt::Key code; a handler may set it to 0 to swallow the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
using TContextPopupEvent = std::function<void(QObject* Sender, QPoint MousePos, bool& Handled)>;

// A window message for one control: message number and two parameters, sent
// synchronously with QCoreApplication::sendEvent.
class VELQUOR_PLATFORM_EXPORT TControlMessage : public QEvent {
public:
    static QEvent::Type EventType() { return static_cast<QEvent::Type>(QEvent::User + 124); }
    TControlMessage(int msg, std::uint32_t wParam, std::int64_t lParam)
        : QEvent(EventType()), Msg(msg), WParam(wParam), LParam(lParam) { }
    ~TControlMessage() override;
    int Msg;
    std::uint32_t WParam;
    std::int64_t LParam;
};

enum TComponentStateFlag : unsigned { csLoading = 1u << 0, csDesigning = 1u << 1, csDestroying = 1u << 2 };

// Common QWidget base: VCL-like properties, events, overridable input hooks,
// and the off-screen picture.
class VELQUOR_PLATFORM_EXPORT TControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY enabledChanged)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
public:
    explicit TControl(QWidget* Owner = nullptr);
    ~TControl() override;

    // Component state. csLoading is set from construction until Loaded.
    unsigned ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Designing() const { return (FComponentState & csDesigning) != 0; }
    bool Destroying() const { return (FComponentState & csDestroying) != 0; }
    void SetDesigning(bool v);
    bool IsLoaded() const { return FLoadedDone; }
    // Called once after the published properties are set (what form streaming
    // does). A control shown (or snapshot) without it calls it itself.
    virtual void Loaded();

    QString Name() const { return objectName(); }
    void SetName(const QString& v) { setObjectName(v); }
    QWidget* Owner() const { return parentWidget(); }

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect ClientRect() const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool v);

    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& v);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v) { FParentFont = v; }

    // Caption / Text: one text; a change reaches TextChanged.
    const QString& Text() const { return FText; }
    void SetText(const QString& v);
    const QString& Caption() const { return FText; }
    void SetCaption(const QString& v) { SetText(v); }

    const QString& Hint() const { return FHint; }
    void SetHint(const QString& v);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor v);
    // Position among the focusable siblings (-1: after those with a position,
    // in creation order); ApplyTabOrder makes it the Tab sequence.
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int v) { FTabOrder = v; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* m) { FPopupMenu = m; }

    // Events.
    const TNotifyEvent& OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent e) { FOnClick = std::move(e); }
    const TNotifyEvent& OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(TNotifyEvent e) { FOnDblClick = std::move(e); }
    const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(TMouseEvent e) { FOnMouseDown = std::move(e); }
    const TMouseMoveEvent& OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(TMouseMoveEvent e) { FOnMouseMove = std::move(e); }
    const TMouseEvent& OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(TMouseEvent e) { FOnMouseUp = std::move(e); }
    const TKeyEvent& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(TKeyEvent e) { FOnKeyDown = std::move(e); }
    const TKeyEvent& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(TKeyEvent e) { FOnKeyUp = std::move(e); }
    const TNotifyEvent& OnEnter() const { return FOnEnter; }
    void SetOnEnter(TNotifyEvent e) { FOnEnter = std::move(e); }
    const TNotifyEvent& OnExit() const { return FOnExit; }
    void SetOnExit(TNotifyEvent e) { FOnExit = std::move(e); }
    const TContextPopupEvent& OnContextPopup() const { return FOnContextPopup; }
    void SetOnContextPopup(TContextPopupEvent e) { FOnContextPopup = std::move(e); }

    // The off-screen picture of the control (size of the control).
    TCanvas& Canvas();
    TBitmap& Picture();
    // Full repaint later (next paint event, or the next Snapshot).
    void Invalidate();
    // Full repaint into the picture now, then show it.
    void Repaint();
    // Show the part r of the picture (after a fast redraw on Canvas()).
    void Flush(const TRect& r);
    // The picture as a user would see it: runs a pending full paint first. A
    // transparent control is shown over its parent's background colour.
    QImage Snapshot();
    // Rectangles flushed since the last full paint (for tests of fast redraws).
    const QList<TRect>& FlushedRects() const { return FFlushed; }
    void ClearFlushedRects() { FFlushed.clear(); }
    // Number of full paints so far.
    int PaintCount() const { return FPaintCount; }
    // A transparent control paints no background of its own: its picture
    // starts fully transparent at each full paint and the parent shows
    // through wherever Paint() draws nothing.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    // One notch of a mouse wheel, in 1/8 degree.
    static constexpr int WheelNotch = 120;

signals:
    // The control was enabled or disabled (by SetEnabled or by its parent).
    void enabledChanged(bool enabled);

protected:
    // Drawing hook: compose the whole control on Canvas().
    virtual void Paint() { }
    // VCL-style input hooks; the base versions fire the matching events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Click();
    virtual void DblClick();
    virtual void KeyDown(int& Key, TShiftState Shift);
    virtual void KeyUp(int& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    // Wheel delta in 1/8 degree (one notch = 120); true when handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, QPoint MousePos);
    // The platform's text-changed notification.
    virtual void TextChanged() { }
    // A window message sent to this control.
    virtual void MessageReceived(const TControlMessage& Msg) { (void)Msg; }
    // Size changed (after the picture was resized).
    virtual void Resized() { }
    // Font changed; the base repaints.
    virtual void FontChanged() { Invalidate(); }
    // Whether the control uses this key (unused keys go on to the parent).
    virtual bool WantsKey(int Key) const { (void)Key; return false; }
    // Where the dotted focus rectangle goes while the control has the focus
    // (control coordinates); empty for none. Drawn over the picture, never
    // into it, so a fast redraw cannot leave a stale one behind.
    virtual TRect FocusRect() const;
    // Whether a full paint may run now (update counting suppresses it).
    virtual bool CanPaint() const { return true; }
    bool MousePressedInside() const { return FClickPending; }

    // Qt plumbing.
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;

    void MarkDestroying() { FComponentState |= csDestroying; }

private:
    void RunPaint();
    void EnsurePictureSize();
    void DrawFocusOverlay(QPainter& p) const;

    unsigned FComponentState = csLoading;
    bool FLoadedDone = false;
    bool FVisible = true;
    TFont FFont;
    bool FParentFont = false;
    QString FText;
    QString FHint;
    bool FShowHint = false;
    TCursor FCursor = crDefault;
    QMenu* FPopupMenu = nullptr;
    std::unique_ptr<TBitmap> FPicture;
    bool FNeedsPaint = true;
    bool FInPaint = false;
    bool FClickPending = false;
    int FPaintCount = 0;
    bool FTransparent = false;
    int FWheelRemainder = 0; // wheel delta short of a whole notch
    int FTabOrder = -1;
    QList<TRect> FFlushed;

    TNotifyEvent FOnClick, FOnDblClick, FOnEnter, FOnExit;
    TMouseEvent FOnMouseDown, FOnMouseUp;
    TMouseMoveEvent FOnMouseMove;
    TKeyEvent FOnKeyDown, FOnKeyUp;
    TContextPopupEvent FOnContextPopup;
};

// The platform's non-windowed control: never takes the focus.
class VELQUOR_PLATFORM_EXPORT TGraphicControl : public TControl {
    Q_OBJECT
public:
    explicit TGraphicControl(QWidget* Owner = nullptr);
};

// The platform's windowed control: takes focus (click and tab), keys, wheel.
class VELQUOR_PLATFORM_EXPORT TCustomControl : public TControl {
    Q_OBJECT
public:
    explicit TCustomControl(QWidget* Owner = nullptr);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    bool Focused() const { return hasFocus(); }
    void SetFocus();

private:
    bool FTabStop = true;
};

// The Tab sequence of root's focusable descendants: each container's children
// in the order of their "TabOrder" property (a TControl's TabOrder, or a
// dynamic property of a plain widget; those without one follow in creation
// order), containers depth first. Hidden and disabled widgets keep their
// place. ApplyTabOrder chains them with QWidget::setTabOrder and returns them.
VELQUOR_PLATFORM_EXPORT QList<QWidget*> TabSequence(QWidget* root);
VELQUOR_PLATFORM_EXPORT QList<QWidget*> ApplyTabOrder(QWidget* root);

// Draws a dotted focus rectangle two pixels wide along the inside of r, in
// alternating black and white dots so that it shows on any background.
VELQUOR_PLATFORM_EXPORT void DrawFocusRectangle(QPainter& p, const TRect& r);
