#include "tools/gauge-gallery/Gallery.h"
#include "tools/gauge-gallery/MoreGauges.h"

#include "app/window/PanelParts.h"

#include "gauges/OvClock.h"
#include "gauges/OvDial.h"
#include "gauges/OvLED.h"
#include "gauges/OvOpHour.h"
#include "gauges/OvSwitch.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

// Client size of Velquor's main window at design time.
constexpr int PanelWidth = 808;
constexpr int PanelHeight = 541;
constexpr int EventLineHeight = 22;

// Font heights are given as pixel heights; TFont sizes are points at 96 dpi,
// so -15 px is 11 pt, -17 px is 13 pt and -13 px is 10 pt.
TFont GroupFont() { return TFont(QStringLiteral("MS Sans Serif"), 11, clNavy); }

// Velquor's front-panel parts at design size.
const TPanelParts Parts{PanelScale(1.0)};

void UseGroupLook(QWidget* w)
{
    w->setFont(GroupFont().ToQFont());
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ColorToQColor(clNavy));
    w->setPalette(pal);
}

QGroupBox* MakeBox(QWidget* parent, const QString& caption, int l, int t, int w, int h)
{
    auto* box = new QGroupBox(caption, parent);
    UseGroupLook(box);
    box->setGeometry(l, t, w, h);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int l, int t, int w, int h,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(l, t, w, h);
    label->setAlignment(align);
    return label;
}

void SetHintText(TControl* c, const QString& text)
{
    c->SetHint(text);
    c->SetShowHint(true);
}

} // namespace

TGalleryWindow::TGalleryWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Gauge gallery"));
    setFixedSize(PanelWidth, PanelHeight + EventLineHeight);

    auto* ch1 = MakeBox(this, QStringLiteral("Channel 1"), 1, 0, 104, 313);
    auto* ch2 = MakeBox(this, QStringLiteral("Channel 2"), 703, 0, 104, 313);
    auto* freq = MakeBox(this, QStringLiteral("Freq. Display"), 1, 319, 104, 117);
    auto* time = MakeBox(this, QStringLiteral("Time Display"), 703, 319, 104, 117);
    auto* display = MakeBox(this, QStringLiteral("Display"), 1, 442, 104, 99);
    auto* filter = MakeBox(this, QStringLiteral("Filter"), 703, 442, 104, 99);
    auto* record = MakeBox(this, QString(), 104, 0, 599, 37);
    auto* other = MakeBox(this, QStringLiteral("Other configurations"), 104, 38, 599, 466);
    auto* status = MakeBox(this, QString(), 104, 506, 599, 35);

    FEventLine = MakeLabel(this, QString(), 4, PanelHeight, PanelWidth - 8, EventLineHeight);
    FEventLine->setText(QStringLiteral("Click a dial and turn it by dragging, with the arrow keys, "
                                       "Page Up/Down, Home/End or the wheel; click the switches."));

    BuildChannelBox(ch1, 1);
    BuildChannelBox(ch2, 2);
    BuildFreqBox(freq);
    BuildTimeBox(time);
    BuildDisplayBox(display);
    BuildFilterBox(filter);
    BuildRecordBox(record);
    BuildStatusBox(status);
    BuildOtherOptions(other);
    QWidget* more = BuildMoreGaugesPanel(this, 1, PanelHeight + EventLineHeight, PanelWidth - 2);
    setFixedSize(PanelWidth, PanelHeight + EventLineHeight + more->height() + 2);

    Chan1GainDial->setFocus();
}

void TGalleryWindow::Report(const QString& name, const QString& text)
{
    FEventLine->setText(name + QStringLiteral(": ") + text);
}

void TGalleryWindow::WatchDial(TOvDial* dial)
{
    dial->SetOnValueChange([this, dial](QObject*) {
        Report(dial->Name(), dial->ValueText() + QLatin1Char(' ') + dial->SignalSettings().ValueUnit());
    });
    dial->SetOnClick([this, dial](QObject*) {
        Report(dial->Name(), QStringLiteral("click at ") + dial->ValueText() + QLatin1Char(' ')
                                 + dial->SignalSettings().ValueUnit());
    });
}

void TGalleryWindow::WatchSwitch(TOvBinGControl* bin, const std::function<bool()>& checked)
{
    bin->SetOnStatusChanged([this, bin, checked](QObject*) {
        Report(bin->Name(), checked() ? QStringLiteral("on") : QStringLiteral("off"));
    });
}

void TGalleryWindow::BuildChannelBox(QGroupBox* box, int channel)
{
    const QString n = QString::number(channel);
    TOvDial* gain = Parts.Dial(box, QStringLiteral("Chan%1GainDial").arg(n), channel == 1 ? 22 : 20, 20,
                               channel == 1 ? 61 : 62, 76, 1, 6, 1.0f, 6.0f, 3.0f, 5, QStringLiteral("Gain x10"), clNavy);
    MakeLabel(box, QStringLiteral("Timeline"), 13, 96, 79, 18, Qt::AlignCenter);
    Parts.TrackBar(box, 13, 114);
    MakeLabel(box, QStringLiteral("Spectrum"), 13, 135, 79, 18, Qt::AlignCenter);
    Parts.TrackBar(box, 13, 153);
    TOvDial* offset = Parts.Dial(box, QStringLiteral("Chan%1OffsetDial").arg(n), 11, 174, 85, 85, 0,
                                    1000, channel == 1 ? 0.0f : 0.000001f, 100.0f,
                                    channel == 1 ? 55.0f : 22.0f, 5, QStringLiteral("Position"), clLime);
    MakeLabel(box, QStringLiteral("Enable"), 13, 261, 79, 18, Qt::AlignCenter);
    MakeLabel(box, QStringLiteral("On"), 8, 280, 24, 20, Qt::AlignRight | Qt::AlignVCenter);
    MakeLabel(box, QStringLiteral("Off"), 70, 280, 30, 20);
    TOvToggleSwitch* enable = Parts.Toggle(box, QStringLiteral("Chan%1EnableSwitch").arg(n));
    WatchDial(gain);
    WatchDial(offset);
    WatchSwitch(enable, [enable] { return enable->Checked(); });
    if (channel == 1) {
        Chan1GainDial = gain;
        Chan1OffsetDial = offset;
        Chan1EnableSwitch = enable;
    } else {
        Chan2GainDial = gain;
        Chan2OffsetDial = offset;
        Chan2EnableSwitch = enable;
    }
}

void TGalleryWindow::BuildFreqBox(QGroupBox* box)
{
    FreqBaseDial = Parts.Dial(box, QStringLiteral("FreqBaseDial"), 7, 20, 85, 85, 10, 150, 10.0f, 150.0f, 60.0f, 5,
                              QStringLiteral("Freq Scale"), clLime, 1, QStringLiteral("0"));
    WatchDial(FreqBaseDial);
}

void TGalleryWindow::BuildTimeBox(QGroupBox* box)
{
    TimeBaseDial = Parts.Dial(box, QStringLiteral("TimeBaseDial"), 20, 20, 59, 85, 2, 7, 2.0f, 7.0f,
                                 4.0f, 1, QStringLiteral("Time"), clLime);
    WatchDial(TimeBaseDial);
}

void TGalleryWindow::BuildDisplayBox(QGroupBox* box)
{
    MakeLabel(box, QStringLiteral("Hold"), 1, 27, 35, 18, Qt::AlignCenter);
    MakeLabel(box, QStringLiteral("Mkrs"), 34, 27, 35, 18, Qt::AlignCenter);
    MakeLabel(box, QStringLiteral("Exp"), 68, 27, 35, 18, Qt::AlignCenter);
    DisplayHoldSw = Parts.Rocker(box, QStringLiteral("DisplayHoldSw"), 5, 46, 27, 47);
    MkrSwitch = Parts.Rocker(box, QStringLiteral("MkrSwitch"), 38, 46, 27, 47);
    ExpandSw = Parts.Rocker(box, QStringLiteral("ExpandSw"), 72, 46, 26, 46);
    for (TOvRockerSwitch* s : { DisplayHoldSw, MkrSwitch, ExpandSw })
        WatchSwitch(s, [s] { return s->Checked(); });
}

void TGalleryWindow::BuildFilterBox(QGroupBox* box)
{
    MakeLabel(box, QStringLiteral("Mkrs"), 8, 27, 43, 18, Qt::AlignCenter);
    MakeLabel(box, QStringLiteral("Enable"), 50, 27, 51, 18, Qt::AlignCenter);
    FltrMkrsSw = Parts.Rocker(box, QStringLiteral("FltrMkrsSw"), 16, 46, 27, 46);
    FltrEnbSw = Parts.Rocker(box, QStringLiteral("FltrEnbSw"), 62, 46, 27, 46);
    for (TOvRockerSwitch* s : { FltrMkrsSw, FltrEnbSw })
        WatchSwitch(s, [s] { return s->Checked(); });
}

void TGalleryWindow::BuildRecordBox(QWidget* box)
{
    OvClock1 = Parts.Clock(box);
    // Named as on the main window, but the gallery never loads or saves it.
    OvOpHourCounter1 = Parts.HourCounter(box);
    OvOpHourCounter1->SetTime(1, 5, 9);
    OvOpHourCounter1->SetCount(true);

    // The recorder buttons drive the counter as in Velquor: record and play
    // count, pause halts, stop halts and resets.
    struct Btn {
        const char* caption;
        int left;
        TColor color;
    };
    const Btn buttons[] = { { "RECORD", 125, clBlack }, { "PLAY", 216, clBlack }, { "STOP", 301, clRed },
                            { "PAUSE", 392, clNavy } };
    for (const Btn& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), box);
        button->setGeometry(b.left, 11, 66, 20);
        // The caption keeps to the button the panel gives it: a substitute
        // font wider than the original is condensed, never clipped.
        const QFont font = TFont(QStringLiteral("MS Sans Serif"), 11, b.color).ToQFont();
        button->setFont(TCanvas::FitFont(font, button->text(), 66 - 8));
        QPalette pal = button->palette();
        pal.setColor(QPalette::ButtonText, ColorToQColor(b.color));
        button->setPalette(pal);
        button->setFocusPolicy(Qt::NoFocus);
        const QString caption = button->text();
        connect(button, &QPushButton::clicked, this, [this, caption] {
            if (caption == QLatin1String("RECORD") || caption == QLatin1String("PLAY")) {
                OvOpHourCounter1->SetCount(true);
            } else {
                OvOpHourCounter1->SetCount(false);
                if (caption == QLatin1String("STOP"))
                    OvOpHourCounter1->SetTime(0, 0, 0);
            }
            Report(QStringLiteral("OvOpHourCounter1"), caption + QStringLiteral(" -> ")
                                                           + OvOpHourCounter1->TimeText());
        });
    }
}

void TGalleryWindow::BuildStatusBox(QWidget* box)
{
    auto* mode = MakeLabel(box, QStringLiteral("Mode =  Active"), 8, 7, 160, 26);
    mode->setFont(GroupFont().ToQFont());
    OvldLED = Parts.Led(box, QStringLiteral("OvldLED"), QStringLiteral("Overload"), 353, 7, 80, 26, true);
    Ov60HzLED = Parts.Led(box, QStringLiteral("Ov60HzLED"), QStringLiteral("60 Hz"), 449, 7, 59, 26, true);
    OvChan1 = Parts.Led(box, QStringLiteral("OvChan1"), QStringLiteral("Ch1"), 507, 7, 46, 26, false);
    OvChan2 = Parts.Led(box, QStringLiteral("OvChan2"), QStringLiteral("Ch2"), 553, 7, 46, 27, false);
    // As the acquisition loop would set them: channels on, mains hum seen,
    // and an overload that flashes (the front panel itself never flashes).
    OvChan1->SetChecked(true);
    OvChan2->SetChecked(true);
    Ov60HzLED->SetChecked(true);
    OvldLED->SetFrequency(ff2Hz);
    OvldLED->SetFlashing(true);
    OvldLED->SetChecked(true);
}

void TGalleryWindow::BuildOtherOptions(QGroupBox* box)
{
    // --- Dials: the default look with a value box, a triangle pointer, a
    // knob without scale, a disabled dial and one with a negative range.
    auto* plain = new TOvDial(box);
    plain->SetName(QStringLiteral("DefaultDial"));
    plain->SetBounds(8, 22, 113, 161);
    plain->SignalSettings().SetName1(QStringLiteral("Default"));
    plain->SignalSettings().SetName2(QStringLiteral("value box"));
    plain->SetValue(42.0f);
    plain->Loaded();
    SetHintText(plain, QStringLiteral("All options, round pointer"));
    WatchDial(plain);

    auto* tri = new TOvDial(box);
    tri->SetName(QStringLiteral("TriangleDial"));
    tri->SetBounds(126, 22, 113, 161);
    tri->SetPointerType(dpTriangle);
    tri->SetPointerSize(12);
    tri->SetColorFocus(clYellow);
    tri->SetColorNonFocus(clAqua);
    tri->BevelDial().SetColor(clSilver);
    tri->SetFontValue(TFont(QStringLiteral("System"), 13, clYellow, fsBold));
    tri->SignalSettings().SetValueFrom(-50.0f);
    tri->SignalSettings().SetValueTo(50.0f);
    tri->SignalSettings().SetValueUnit(QStringLiteral("dB"));
    tri->SignalSettings().SetName1(QStringLiteral("Balance"));
    tri->SignalSettings().SetName2(QStringLiteral("triangle"));
    tri->ScaleSettings().SetSteps(4);
    tri->ScaleSettings().SetSubSteps(5);
    tri->ScaleSettings().SetColor(clMaroon);
    tri->SetValue(12.5f);
    tri->Loaded();
    WatchDial(tri);

    auto* noScale = new TOvDial(box);
    noScale->SetName(QStringLiteral("NoScaleDial"));
    noScale->SetBounds(244, 22, 90, 140);
    noScale->SetOptions({ opBevelOuter, opValue, opUnit, opName2 });
    noScale->BevelDial().SetColor(clMoneyGreen);
    noScale->SetPointerSize(6);
    noScale->SignalSettings().SetName2(QStringLiteral("no scale"));
    noScale->SetValue(75.0f);
    noScale->Loaded();
    WatchDial(noScale);

    auto* disabled = Parts.Dial(box, QStringLiteral("DisabledDial"), 339, 22, 85, 85, 0, 1000, 0.0f,
                                   100.0f, 30.0f, 5, QStringLiteral("Disabled"), clLime);
    disabled->SetEnabled(false);

    auto* big = Parts.Dial(box, QStringLiteral("LargePanelDial"), 430, 22, 160, 200, 0, 200, -100.0f,
                              100.0f, -40.0f, 10, QStringLiteral("Panel look, large"), clLime);
    big->SetOptions({ opBevelOuter, opValue, opUnit, opName1, opName2, opScale, opScaleText });
    big->SignalSettings().SetName1(QStringLiteral("-100 .. 100"));
    WatchDial(big);

    // --- Switches.
    MakeLabel(box, QStringLiteral("Toggle switches"), 8, 188, 150, 18);
    MakeLabel(box, QStringLiteral("Rocker switches"), 190, 188, 200, 18);
    const struct {
        int left;
        bool vertical;
        bool checked;
        bool swap;
        const char* hint;
    } toggles[] = { { 8, true, true, false, "vertical, on" },
                    { 38, true, false, false, "vertical, off" },
                    { 68, true, false, true, "vertical, off, SwapGraphic" },
                    { 98, false, false, false, "horizontal, off" } };
    for (const auto& t : toggles) {
        auto* s = new TOvToggleSwitch(box);
        s->SetName(QStringLiteral("Toggle%1").arg(t.left));
        s->SetOrientation(t.vertical ? boVertical : boHorizontal);
        s->SetSwapGraphic(t.swap);
        s->SetChecked(t.checked);
        s->SetBounds(t.left, 210, t.vertical ? 25 : 57, t.vertical ? 57 : 25);
        s->Loaded();
        SetHintText(s, QString::fromLatin1(t.hint));
        WatchSwitch(s, [s] { return s->Checked(); });
    }
    const struct {
        int left;
        bool vertical;
        bool checked;
        bool swap;
        int ledHeight;
        TMode mode;
        const char* text;
    } rockers[] = { { 190, true, true, false, 8, mSwitch, "On" },
                    { 228, true, false, false, 8, mSwitch, "Two|lines" },
                    { 266, true, true, true, 8, mSwitch, "Swap" },
                    { 304, true, false, false, 0, mSwitch, "hidden" },
                    { 342, true, false, false, 12, mButton, "Push" },
                    { 380, false, true, false, 8, mSwitch, "Power" },
                    { 470, false, false, true, 8, mSwitch, "Swap" } };
    for (const auto& r : rockers) {
        auto* s = new TOvRockerSwitch(box);
        s->SetName(QStringLiteral("Rocker%1").arg(r.left));
        s->SetOrientation(r.vertical ? boVertical : boHorizontal);
        s->SetSwapGraphic(r.swap);
        s->SetLEDHeight(r.ledHeight);
        s->SetMode(r.mode);
        s->SetChecked(r.checked);
        s->SetText(QString::fromLatin1(r.text));
        s->SetBounds(r.left, r.vertical ? 208 : 244, r.vertical ? 33 : 81, r.vertical ? 81 : 33);
        s->Loaded();
        WatchSwitch(s, [s] { return s->Checked(); });
    }

    // --- LEDs: every shape, every caption position, flashing rates.
    MakeLabel(box, QStringLiteral("LEDs"), 8, 296, 150, 18);
    const struct {
        TLEDShape shape;
        const char* caption;
        TColor on;
    } shapes[] = { { sRound, "Round", clLime },         { sArrowLeft, "Arrow left", clRed },
                   { sArrowRight, "Arrow right", clYellow }, { sArrowUp, "Arrow up", clAqua },
                   { sArrowDown, "Arrow down", clFuchsia },  { sRectangle, "Rectangle", clLime },
                   { sDiamondLeft, "Diamond left", clRed },  { sDiamondRight, "Diamond right", clYellow } };
    int i = 0;
    for (const auto& s : shapes) {
        auto* led = new TOvLED(box);
        led->SetName(QStringLiteral("ShapeLED%1").arg(i));
        led->SetCaption(QString::fromLatin1(s.caption));
        led->LED().SetShape(s.shape);
        led->LED().SetWidth(18);
        led->LED().SetHeight(14);
        led->LED().SetColorOn(s.on);
        led->SetChecked(i % 4 != 3);
        led->SetBounds(8 + (i % 4) * 146, 316 + (i / 4) * 28, 140, 26);
        led->Loaded();
        ++i;
    }
    const struct {
        TLEDPos pos;
        const char* caption;
        TFlashFreq freq;
        int left, top, width, height;
    } positions[] = { { lpRight, "Right, 8 Hz", ff8Hz, 8, 376, 110, 26 },
                      { lpTop, "Top, 1 Hz", ff1Hz, 130, 372, 80, 38 },
                      { lpBottom, "Bottom, 0.5 Hz", ff05Hz, 220, 372, 100, 38 },
                      { lpLeft, "Two|lines", ff4Hz, 330, 372, 90, 38 } };
    for (const auto& p : positions) {
        auto* led = new TOvLED(box);
        led->SetName(QStringLiteral("PosLED%1").arg(p.left));
        led->SetCaption(QString::fromLatin1(p.caption));
        led->SetLED_Position(p.pos);
        led->SetFrequency(p.freq);
        led->SetFlashing(true);
        led->SetChecked(true);
        led->SetBounds(p.left, p.top, p.width, p.height);
        led->Loaded();
    }
    // An LED in switch mode: click to toggle.
    auto* clickLed = new TOvLED(box);
    clickLed->SetName(QStringLiteral("ClickLED"));
    clickLed->SetCaption(QStringLiteral("Click me"));
    clickLed->SetMode(mSwitch);
    clickLed->LED().SetColorOff(clMedGray);
    clickLed->SetBounds(430, 376, 100, 26);
    clickLed->Loaded();
    WatchSwitch(clickLed, [clickLed] { return clickLed->Checked(); });

    // --- Clocks and counters in other formats.
    MakeLabel(box, QStringLiteral("Clocks and counters"), 8, 412, 200, 18);
    auto* dateClock = new TOvClock(box);
    dateClock->SetName(QStringLiteral("DateTimeClock"));
    dateClock->SetClockOption(coDateTime);
    dateClock->SetBounds(8, 432, 69, 24);
    dateClock->Loaded();

    auto* dateOnly = new TOvClock(box);
    dateOnly->SetName(QStringLiteral("DateClock"));
    dateOnly->SetClockOption(coDate);
    dateOnly->SetFont(TFont(QStringLiteral("Arial"), 10, clYellow));
    dateOnly->BevelInner().SetColor(clNavy);
    dateOnly->SetBounds(220, 432, 69, 24);
    dateOnly->Loaded();

    auto* down = new TOvOpHourCounter(box);
    down->SetName(QStringLiteral("CountDown"));
    down->SetCountDown(true);
    down->SetBounds(330, 432, 113, 24);
    down->Loaded();
    down->SetTime(0, 10, 0);
    down->SetCount(true);

    auto* hm = new TOvOpHourCounter(box);
    hm->SetName(QStringLiteral("HourMinCounter"));
    hm->SetIndicate(oiHourMin);
    hm->SetHourDigits(3);
    hm->SetFont(TFont(QStringLiteral("Courier New"), 11, clAqua));
    hm->SetBounds(480, 432, 60, 24);
    hm->Loaded();
    hm->SetTime(12, 34, 0);
}
