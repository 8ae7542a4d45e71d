#include "gauges/OvTimeDisplay.h"

#include "gauges/GAccessible.h"

#include "gauges/OvFlashT.h"

#include <algorithm>

TOvTimeDisplay::TOvTimeDisplay(QWidget* Owner)
    : TOvGraphicControl(Owner)
{
    BeginUpdate();
    Font().Assign(TFont(QStringLiteral("System"), 10, clLime));
    FBevelInner.SetSpacing(0);
    FBevelInner.SetWidth(1);
    FBevelInner.SetStyle(bsLowered);
    FBevelInner.SetColor(clBlack);
    FBevelOuter.SetSpacing(2);
    FBevelOuter.SetWidth(1);
}

TOvTimeDisplay::~TOvTimeDisplay()
{
    TOvFlashRegistry::UnregisterControl(this);
    FBevelInner.SetOnChange(nullptr);
    FBevelOuter.SetOnChange(nullptr);
}

void TOvTimeDisplay::Loaded()
{
    TOvGraphicControl::Loaded();
    FBevelInner.SetOnChange([this](QObject* sender) { SettingsChanged(sender); });
    FBevelOuter.SetOnChange([this](QObject* sender) { SettingsChanged(sender); });
    UpdateLayout();
    EndUpdate();
}

void TOvTimeDisplay::SettingsChanged(QObject* Sender)
{
    (void)Sender;
    UpdateLayout();
    if (UpdateCount() == 0)
        Invalidate();
    updateGeometry();
    emit settingsChanged();
}

QSize TOvTimeDisplay::NeededSize(int tw, int th) const
{
    int w = th / 3 + tw + 2 * FBevelOuter.TotalThickness() + 2 * FBevelInner.TotalThickness();
    int h = th + 2 * FBevelOuter.TotalThickness() + 2 * FBevelInner.TotalThickness();
    if (OffsetsCount()) {
        const TOvOffset& oo = FBevelOuter.Offset();
        const TOvOffset& io = FBevelInner.Offset();
        w += oo.Left() + oo.Right() + io.Left() + io.Right();
        h += oo.Top() + oo.Bottom() + io.Top() + io.Bottom();
    }
    return QSize(w, h);
}

QSize TOvTimeDisplay::sizeHint() const
{
    TBitmap scratch(1, 1);
    scratch.Canvas.Font = Font();
    const QString text = DisplayText();
    return NeededSize(scratch.Canvas.TextWidth(text), scratch.Canvas.TextHeight(text));
}

void TOvTimeDisplay::Grow(int neededWidth, int neededHeight)
{
    if (FAlign != alNone || (neededWidth <= Width() && neededHeight <= Height()))
        return;
    SetBounds(Left(), Top(), std::max(Width(), neededWidth), std::max(Height(), neededHeight));
    updateGeometry();
}

void TOvTimeDisplay::UpdateLayout()
{
    FInnerRect = FBevelInner.ContentRect(FBevelOuter.ContentRect(ClientRect()));
}

void TOvTimeDisplay::DrawFrame(TCanvas& canvas)
{
    TRect r = ClientRect();
    FBevelOuter.PaintBevel(canvas, r);
    FBevelInner.PaintBevel(canvas, r);
}

void TOvTimeDisplay::DrawTextBox(TCanvas& canvas, const TRect& box, const QString& text)
{
    if (box.Width() <= 0 || box.Height() <= 0)
        return;
    TBitmap bitmap(box.Width(), box.Height());
    bitmap.Canvas.Brush.Style = bsSolid;
    bitmap.Canvas.Brush.Color = FBevelInner.Color();
    bitmap.Canvas.FillRect(bitmap.ClientRect());
    bitmap.Canvas.Font = Font();
    bitmap.Canvas.Brush.Style = bsClear;
    bitmap.Canvas.TextOut(0, 0, text);
    canvas.Draw(box.Left, box.Top, bitmap);
    if (text != FAnnouncedText) {
        FAnnouncedText = text;
        OvAccessible::ValueChanged(this, text);
    }
}
