// TOvColBitBtn: a two-state push button whose face lights in ColorOn while
// Checked (pressed in) and shows ColorOff, raised, otherwise; the caption is
// the control's Text. The two-state model is that of every switch: Mode
// (mSwitch by default: each click toggles), StatusBit, StatusInt, groups.
#pragma once

#include "gauges/OvGaugeBase.h"

class VELQUOR_GAUGES_EXPORT TOvColBitBtn : public TOvBinGControl {
    Q_OBJECT

public:
    explicit TOvColBitBtn(QWidget* Owner = nullptr);
    ~TOvColBitBtn() override;

    TColor ColorOn() const { return FColorOn; }
    void SetColorOn(TColor v);
    TColor ColorOff() const { return FColorOff; }
    void SetColorOff(TColor v);
    TOvSBevel& BevelOuter() { return FBevelOuter; }
    // Colour of the face now (flash phase included).
    TColor FaceColour() const;
    TRect FaceRect() const { return FFace; }
    void Loaded() override;

    // The design size, wider or higher where the caption needs it at its
    // font's own size; the minimum holds the caption condensed as far as
    // captions go.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The caption or a look setting changed: the size hints too.
    void ParamChange(QObject* Sender) override;

protected:
    void Paint() override;
    void StatusChanged() override;
    void StatusIntChanged() override;
    void Flash(bool On) override;

private:
    TColor FColorOn = clLime;
    TColor FColorOff = clBtnFace;
    TOvSBevel FBevelOuter;
    bool FFlashOn = true;
    TRect FFace {};

    // The size the caption needs at stretchPercent of its width.
    QSize CaptionSize(int stretchPercent) const;
};
