// What the operating-hour counter and the clock share: a non-windowed
// display of a time as text inside a double bevel, advanced once per second
// by the flash timer. It grows to fit its text (with Align alNone), never
// shrinks, and redraws only the text box on a tick.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"

#include <QSize>

// How a display control sizes itself: alNone lets it grow to fit its text;
// any other alignment leaves the size to the layout.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class VELQUOR_GAUGES_EXPORT TOvTimeDisplay : public TOvGraphicControl
{
    Q_OBJECT

public:
    // Starting look: lime "System" 10 in a black lowered inner bevel, with
    // the outer bevel spaced 2 from the edge. In an update until Loaded.
    explicit TOvTimeDisplay(QWidget* Owner = nullptr);
    ~TOvTimeDisplay() override;
    void Loaded() override;
    // A setting changed: lay out again and repaint (after the update).
    void SettingsChanged(QObject* Sender) override;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value) { FAlign = value; }
    TOvSBevel& BevelInner() { return FBevelInner; }
    const TOvSBevel& BevelInner() const { return FBevelInner; }
    void SetBevelInner(const TOvSBevel& value) { FBevelInner.Assign(value); }
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    const TOvSBevel& BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& value) { FBevelOuter.Assign(value); }
    // The rectangle the once-per-second redraw touches.
    TRect TextRect() const { return FTextRect; }
    // Inside both bevels, for the current size and bevels.
    TRect InnerRect() const { return FInnerRect; }

    // The text the display shows now (what a screen reader reads).
    QString ShownText() const { return DisplayText(); }

    // The size the current text needs; the display never shows less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // The text shown now.
    virtual QString DisplayText() const = 0;
    // Whether the bevels' offsets count towards the needed size (the clock's do).
    virtual bool OffsetsCount() const { return false; }
    // The control's size for a text of tw x th.
    QSize NeededSize(int tw, int th) const;
    // With alNone the control grows to the needed size; it never shrinks.
    void Grow(int neededWidth, int neededHeight);
    // The inner rectangle, on size and bevel changes. (Where the text goes
    // depends on the text, which is measured when it is drawn.)
    virtual void UpdateLayout();
    void Resized() override { UpdateLayout(); }
    // Drawing steps: the two bevels around InnerRect, and the text at the top
    // left of box on the inner bevel's colour, touching nothing outside box.
    virtual void DrawFrame(TCanvas& canvas);
    virtual void DrawTextBox(TCanvas& canvas, const TRect& box, const QString& text);
    void SetTextRect(const TRect& r) { FTextRect = r; }

private:
    TAlign FAlign = alNone;
    TOvSBevel FBevelInner;
    TOvSBevel FBevelOuter;
    TRect FTextRect {};
    TRect FInnerRect {};
    QString FAnnouncedText;
};
