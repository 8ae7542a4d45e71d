// Unit OvLED: a small lamp of a chosen shape with a caption beside it. It
// lights steadily or flashes at one of five rates, driven by the shared flash
// timer; a flash repaints only the lamp.
#pragma once

#include "gauges/GaugesExport.h"

#include "gauges/GClass.h"

enum TLEDPos { lpLeft, lpRight, lpTop, lpBottom };

// Draws a lamp of the given shape in r (right and bottom exclusive) filled
// with color: pen clBtnShadow, plus the highlight arc of a round lamp.
void DrawLamp(TCanvas& canvas, const TRect& r, TLEDShape shape, TColor color);

// Non-windowed: a widget that never takes the focus.
class VELQUOR_GAUGES_EXPORT TOvLED : public TOvBinGControl
{
public:
    explicit TOvLED(QWidget* Owner = nullptr);
    ~TOvLED() override;

    TLED& LED() { return FLED; }
    const TLED& LED() const { return FLED; }
    // Copies the values into the owned settings object.
    void SetLED(const TLED& value) { FLED.Assign(value); }
    TLEDPos LED_Position() const { return FLEDPosition; }
    void SetLED_Position(TLEDPos value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);

    // Layout of the last paint: the caption block and the lamp rectangle.
    int CaptionWidth() const { return FCaptionWidth; }
    int CaptionHeight() const { return FCaptionHeight; }
    TRect LampRect() const { return FLED.LampRect(); }
    // The part of the picture a flash redraws (the lamp plus the one-pixel
    // outline some shapes put on its right and bottom edges).
    TRect FlashRect() const;

    void ParamChange(QObject* Sender) override;

protected:
    void Paint() override;
    void StatusChanged() override;
    void Flash(bool On) override;

private:
    void DrawLampNow(TColor color);

    TLED FLED;
    TLEDPos FLEDPosition = lpLeft;
    int FSpacing = 5;
    bool Painting = false;
    int FCaptionWidth = 0;
    int FCaptionHeight = 0;
    QString FNameAtCaption;
};
