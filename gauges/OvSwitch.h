// Two-state switch controls: TOvSwitch (the common base: outer bevel, button
// colours, orientation and the half-sensitive click), TOvRockerSwitch (a
// rocker with a status LED strip and a caption) and TOvToggleSwitch (a slide
// toggle with an "on" and an "off" text). All are non-windowed.
#pragma once

#include "gauges/GClass.h"
#include "gauges/GaugesExport.h"

#include <QSize>

#include <array>

class VELQUOR_GAUGES_EXPORT TOvSwitch : public TOvBinGControl {
    Q_OBJECT
    Q_PROPERTY(Ov::TBtnOrientation Orientation READ Orientation WRITE SetOrientation NOTIFY settingsChanged)
    Q_PROPERTY(bool SwapGraphic READ SwapGraphic WRITE SetSwapGraphic NOTIFY settingsChanged)
    Q_PROPERTY(TColor BtnColorFace READ BtnColorFace WRITE SetBtnColorFace NOTIFY settingsChanged)
    Q_PROPERTY(TColor BtnColorHighlight READ BtnColorHighlight WRITE SetBtnColorHighlight NOTIFY settingsChanged)
    Q_PROPERTY(TColor BtnColorShadow READ BtnColorShadow WRITE SetBtnColorShadow NOTIFY settingsChanged)
    Q_PROPERTY(int BtnBevelWidth READ BtnBevelWidth WRITE SetBtnBevelWidth NOTIFY settingsChanged)

public:
    explicit TOvSwitch(QWidget* Owner = nullptr);
    ~TOvSwitch() override;

    void Loaded() override;
    // Settings changed (or the text): repaint the whole control.
    void ParamChange(QObject* Sender) override;

    TOvSBevel& BevelOuter() { return FBevelOuter; }
    const TOvSBevel& BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(const TOvSBevel& v) { FBevelOuter.Assign(v); }
    TColor BtnColorHighlight() const { return FBtnColorHighlight; }
    void SetBtnColorHighlight(TColor v);
    TColor BtnColorShadow() const { return FBtnColorShadow; }
    void SetBtnColorShadow(TColor v);
    TColor BtnColorFace() const { return FBtnColorFace; }
    void SetBtnColorFace(TColor v);
    int BtnBevelWidth() const { return FBtnBevelWidth; }
    void SetBtnBevelWidth(int v); // accepted when >= 0

    // Published by the descendants.
    TBtnOrientation Orientation() const { return FOrientation; }
    // Turns the control so that its long side runs along the orientation.
    void SetOrientation(TBtnOrientation v);
    bool SwapGraphic() const { return FSwapGraphic; }
    void SetSwapGraphic(bool v);

    bool Vertical() const { return FVertical; }
    // The area inside BevelOuter, control coordinates.
    TRect ButtonRect() const { return FButtonRect; }

    // The designed size along the orientation (widened for a caption where a
    // descendant has one); the minimum still shows the whole button.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The button rectangle inside the frame, on size and settings changes.
    virtual void UpdateLayout();
    // Drawing steps: the frame of a full paint, then the button (DrawSwitch).
    virtual void DrawFrame(TCanvas& Canvas);
    // Size of the control for the orientation: long and short side.
    virtual QSize DesignSize() const { return QSize(25, 57); }
    virtual QSize MinimumButtonSize() const;
    QSize Oriented(QSize vertical) const { return FVertical ? vertical : vertical.transposed(); }
    void Resized() override { UpdateLayout(); }
    void Paint() override;
    // Redraw the button (state or button setting changed).
    void StatusChanged() override;
    // Draws the switch into R of a bitmap the size of ButtonRect; State is
    // Checked xor SwapGraphic. The base draws nothing.
    virtual void DrawSwitch(TCanvas& Canvas, const TRect& R, bool Vertical, bool State);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool Showing() const { return Visible() || Designing(); }
    // Store a changed value and redraw the button.
    template <class T>
    void StoreButton(T& field, const T& v)
    {
        if (!StoreChanged(field, v))
            return;
        StatusChanged();
        emit settingsChanged();
    }
    // Store a changed value and repaint the whole control.
    template <class T>
    void StoreRepaint(T& field, const T& v)
    {
        if (!StoreChanged(field, v))
            return;
        updateGeometry();
        Invalidate();
        emit settingsChanged();
    }

private:
    TOvSBevel FBevelOuter;
    TColor FBtnColorHighlight = clBtnHighlight;
    TColor FBtnColorShadow = clBtnShadow;
    TColor FBtnColorFace = clBtnFace;
    int FBtnBevelWidth = 2;
    TBtnOrientation FOrientation = boVertical;
    bool FSwapGraphic = false;
    bool FVertical = true;
    TRect FButtonRect {};
};

class VELQUOR_GAUGES_EXPORT TOvRockerSwitch : public TOvSwitch {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText NOTIFY settingsChanged)
    Q_PROPERTY(int LEDHeight READ LEDHeight WRITE SetLEDHeight NOTIFY settingsChanged)
    Q_PROPERTY(TColor LEDColorOn READ LEDColorOn WRITE SetLEDColorOn NOTIFY settingsChanged)
    Q_PROPERTY(TColor LEDColorOff READ LEDColorOff WRITE SetLEDColorOff NOTIFY settingsChanged)
    Q_PROPERTY(TColor BtnColorFaceHi READ BtnColorFaceHi WRITE SetBtnColorFaceHi NOTIFY settingsChanged)
    Q_PROPERTY(TColor BtnColorFaceSh READ BtnColorFaceSh WRITE SetBtnColorFaceSh NOTIFY settingsChanged)

public:
    explicit TOvRockerSwitch(QWidget* Owner = nullptr);

    // The caption is the control's Text (lines separated by "|").
    int TextX() const { return FTextX; }
    void SetTextX(int v) { StoreRepaint(FTextX, v); }
    int TextY() const { return FTextY; }
    void SetTextY(int v) { StoreRepaint(FTextY, v); }
    int LEDHeight() const { return FLEDHeight; }
    void SetLEDHeight(int v); // accepted when >= 0; 0 hides the strip and the caption
    TColor BtnColorFaceHi() const { return FBtnColorFaceHi; }
    void SetBtnColorFaceHi(TColor v) { StoreButton(FBtnColorFaceHi, v); }
    TColor BtnColorFaceSh() const { return FBtnColorFaceSh; }
    void SetBtnColorFaceSh(TColor v) { StoreButton(FBtnColorFaceSh, v); }
    int BtnBevel2Width() const { return FBtnBevel2Width; }
    void SetBtnBevel2Width(int v); // accepted when >= 0
    TColor LEDColorOn() const { return FLEDColorOn; }
    void SetLEDColorOn(TColor v) { StoreButton(FLEDColorOn, v); }
    TColor LEDColorOff() const { return FLEDColorOff; }
    void SetLEDColorOff(TColor v) { StoreButton(FLEDColorOff, v); }

    // Where the last drawing put the LED strip (bitmap coordinates of the
    // button, empty when hidden).
    TRect LEDRect() const { return FLEDRect; }

    // The rocker's outline for a button rectangle R: the highlight and shadow
    // bands and the two face halves (B upper or left, A lower or right).
    struct TRockerShape {
        std::array<TPoint, 7> Highlight, Shadow;
        std::array<TPoint, 4> FaceB, FaceA;
    };
    TRockerShape RockerShape(const TRect& R, bool Vertical, bool State) const;

protected:
    void DrawSwitch(TCanvas& Canvas, const TRect& R, bool Vertical, bool State) override;
    // Drawing steps of the rocker, in this order.
    virtual void DrawBands(TCanvas& Canvas, const TRockerShape& Shape);
    virtual void DrawFaces(TCanvas& Canvas, const TRockerShape& Shape, bool State);
    virtual void DrawLEDStrip(TCanvas& Canvas, const TRect& Strip);
    // The caption centred at (X, Y), condensed to FitWidth if wider.
    virtual void DrawCaption(TCanvas& Canvas, int X, int Y, int FitWidth);
    QSize DesignSize() const override;
    QSize MinimumButtonSize() const override;

private:
    int FTextX = 0;
    int FTextY = 0;
    int FLEDHeight = 8;
    TColor FBtnColorFaceHi = 0xDDDDDD;
    TColor FBtnColorFaceSh = clBtnFace;
    int FBtnBevel2Width = 3;
    TColor FLEDColorOn = clLime;
    TColor FLEDColorOff = clGreen;
    TRect FLEDRect {};
};

class VELQUOR_GAUGES_EXPORT TOvToggleSwitch : public TOvSwitch {
    Q_OBJECT
    Q_PROPERTY(QString TextOn READ TextOn WRITE SetTextOn NOTIFY settingsChanged)
    Q_PROPERTY(QString TextOff READ TextOff WRITE SetTextOff NOTIFY settingsChanged)
    Q_PROPERTY(TColor ColorOn READ ColorOn WRITE SetColorOn NOTIFY settingsChanged)
    Q_PROPERTY(TColor ColorOff READ ColorOff WRITE SetColorOff NOTIFY settingsChanged)

public:
    explicit TOvToggleSwitch(QWidget* Owner = nullptr);

    const QString& TextOff() const { return FTextOff; }
    void SetTextOff(const QString& v) { StoreRepaint(FTextOff, v); }
    const QString& TextOn() const { return FTextOn; }
    void SetTextOn(const QString& v) { StoreRepaint(FTextOn, v); }
    TColor ColorOn() const { return FColorOn; }
    void SetColorOn(TColor v) { StoreRepaint(FColorOn, v); }
    TColor ColorOff() const { return FColorOff; }
    void SetColorOff(TColor v) { StoreRepaint(FColorOff, v); }

    // The knob rectangle of the last drawing (bitmap coordinates of the button).
    TRect KnobRect() const { return FKnobRect; }

protected:
    void DrawSwitch(TCanvas& Canvas, const TRect& R, bool Vertical, bool State) override;
    // Drawing steps of the toggle, in this order: the track in the state's
    // colour, the knob with its frame, the grip lines, the state's text.
    virtual void DrawTrack(TCanvas& Canvas, const TRect& R, TColor Colour);
    virtual void DrawKnob(TCanvas& Canvas, TRect& K);
    virtual void DrawGrip(TCanvas& Canvas, const TRect& K, bool Vertical);
    virtual void DrawStateText(TCanvas& Canvas, int X, int Y, int FitWidth, const QString& Text);

private:
    QString FTextOff = QStringLiteral("0");
    QString FTextOn = QStringLiteral("1");
    TColor FColorOn = clLime;
    TColor FColorOff = clRed;
    TRect FKnobRect {};
};
