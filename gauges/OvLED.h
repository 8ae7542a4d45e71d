// Unit OvLED: a small lamp of a chosen shape with a caption beside it. It
// lights steadily or flashes at one of five rates, driven by the shared flash
// timer; a flash repaints only the lamp.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"

// Non-windowed: a widget that never takes the focus and paints no background
// of its own (the panel it stands on shows around lamp and caption).
class VELQUOR_GAUGES_EXPORT TOvLED : public TOvBinGControl
{
    Q_OBJECT
    Q_PROPERTY(Ov::TLEDPos LED_Position READ LED_Position WRITE SetLED_Position NOTIFY settingsChanged)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing NOTIFY settingsChanged)
    Q_PROPERTY(Ov::TLEDShape Shape READ Shape WRITE SetShape NOTIFY settingsChanged)
    Q_PROPERTY(TColor ColorOn READ ColorOn WRITE SetColorOn NOTIFY settingsChanged)
    Q_PROPERTY(TColor ColorOff READ ColorOff WRITE SetColorOff NOTIFY settingsChanged)

public:
    // Draws a lamp of the given shape in r (right and bottom exclusive) filled
    // with color: pen clBtnShadow, plus the highlight arc of a round lamp.
    static void DrawLamp(TCanvas& canvas, const TRect& r, TLEDShape shape, TColor color);

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

    // The layout: the caption block and the lamp rectangle.
    int CaptionWidth() const { return FCaptionWidth; }
    int CaptionHeight() const { return FCaptionHeight; }
    TRect LampRect() const { return FLED.LampRect(); }
    // The part of the picture a flash redraws (the lamp plus the one-pixel
    // outline some shapes put on its right and bottom edges).
    TRect FlashRect() const;

    void ParamChange(QObject* Sender) override;

    // Lamp plus spacing plus the caption at its natural width; the minimum
    // fits the caption at the narrowest the canvas condenses text to.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Property access for form designers (the LED settings object's values).
    TLEDShape Shape() const { return FLED.Shape(); }
    void SetShape(TLEDShape v) { FLED.SetShape(v); }
    TColor ColorOn() const { return FLED.ColorOn(); }
    void SetColorOn(TColor c) { FLED.SetColorOn(c); }
    TColor ColorOff() const { return FLED.ColorOff(); }
    void SetColorOff(TColor c) { FLED.SetColorOff(c); }

protected:
    // Lamp rectangle, caption anchor and the caption's box, from the size, the
    // LED settings, the font and the caption; run on every change of these.
    virtual void UpdateLayout();
    // Drawing steps of a full paint, in this order.
    virtual void DrawCaption(TCanvas& canvas);
    virtual void DrawLampFace(TCanvas& canvas, TColor color);

    void Paint() override;
    void StatusChanged() override;
    void Flash(bool On) override;
    void Resized() override { UpdateLayout(); }
    void FontChanged() override { ParamChange(this); }

private:
    void DrawLampNow(TColor color);
    QSize HintFor(int captionWidth) const;

    TLED FLED;
    TLEDPos FLEDPosition = lpLeft;
    int FSpacing = 5;
    bool Painting = false;
    int FCaptionWidth = 0;
    int FCaptionHeight = 0;
    // Layout: where the caption goes, its alignment and the width it must fit.
    TPoint FCaptionAnchor;
    int FCaptionAlignment = 3;
    int FCaptionFitWidth = 0;
    QString FNameAtCaption;
};
