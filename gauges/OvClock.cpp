#include "gauges/OvClock.h"

#include "gauges/OvFlashT.h"

#include <QLocale>

#include <utility>

TOvClock::TOvClock(QWidget* Owner)
    : TOvGraphicControl(Owner)
{
    BeginUpdate();
    SetBounds(Left(), Top(), 69, 24);
    InitTimeDisplay(Font(), FBevelInner, FBevelOuter);
}

TOvClock::~TOvClock()
{
    TOvFlashRegistry::UnregisterControl(this);
    FBevelInner.SetOnChange(nullptr);
    FBevelOuter.SetOnChange(nullptr);
}

void TOvClock::Loaded()
{
    TOvGraphicControl::Loaded();
    FBevelInner.SetOnChange([this](QObject* sender) { SettingsChanged(sender); });
    FBevelOuter.SetOnChange([this](QObject* sender) { SettingsChanged(sender); });
    EndUpdate();
    TOvFlashRegistry::RegisterControl(this, FlashCodeSecond);
}

void TOvClock::SetClockOption(TClockOption value)
{
    if (value == FClockOption)
        return;
    FClockOption = value;
    Change();
}

void TOvClock::SettingsChanged(QObject* Sender)
{
    (void)Sender;
    if (UpdateCount() == 0)
        Invalidate();
}

void TOvClock::SetTimeSource(std::function<QDateTime()> source)
{
    FTimeSource = std::move(source);
}

QDateTime TOvClock::Now() const
{
    return FTimeSource ? FTimeSource() : QDateTime::currentDateTime();
}

QString TOvClock::ClockText(const QDateTime& now) const
{
    const QLocale locale;
    switch (FClockOption) {
    case coDate:
        return locale.toString(now.date(), QLocale::ShortFormat);
    case coTime:
        return locale.toString(now.time(), QLocale::ShortFormat);
    case coDateTime:
        break;
    }
    return locale.toString(now, QLocale::ShortFormat);
}

void TOvClock::Paint()
{
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    const QString text = ClockText(Now());
    const int tw = canvas.TextWidth(text);
    const int th = canvas.TextHeight(text);

    const TOvOffset& oo = FBevelOuter.Offset();
    const TOvOffset& io = FBevelInner.Offset();
    const int neededHeight = th + 2 * FBevelOuter.TotalThickness() + oo.Top() + oo.Bottom()
        + 2 * FBevelInner.TotalThickness() + io.Top() + io.Bottom();
    const int neededWidth = th / 3 + tw + 2 * FBevelOuter.TotalThickness() + oo.Left() + oo.Right()
        + 2 * FBevelInner.TotalThickness() + io.Left() + io.Right();
    GrowTimeDisplay(*this, FAlign, neededWidth, neededHeight);

    TRect r = ClientRect();
    FBevelOuter.PaintBevel(canvas, r);
    FBevelInner.PaintBevel(canvas, r);
    FTextRect = Bounds(r.Left + (r.Width() - tw) / 2, r.Top + (r.Height() - th) / 2, tw, th);
    RedrawText();
}

void TOvClock::RedrawText()
{
    if (FTextRect.Width() <= 0 || FTextRect.Height() <= 0)
        return;
    const QDateTime now = Now();
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    const QString text = ClockText(now);
    if (FAlign == alNone && (canvas.TextWidth(text) > FTextRect.Width()
                             || canvas.TextHeight(text) > FTextRect.Height())) {
        // The text outgrew its box (a longer date or hour): a full paint
        // grows the control.
        Invalidate();
        return;
    }
    DrawTimeText(canvas, FTextRect, Font(), FBevelInner.Color(), text);
    Flush(FTextRect);
    if (FAutoHint && !Designing())
        SetHint(QLocale().toString(now.date(), QLocale::ShortFormat));
}

void TOvClock::FlashMessage(const TOvFlashEvent& Msg)
{
    (void)Msg;
    if ((Visible() || Designing()) && PaintCount() > 0)
        RedrawText();
}
