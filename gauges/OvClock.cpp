#include "gauges/OvClock.h"

#include "gauges/OvFlashT.h"

#include <QLocale>

#include <utility>

TOvClock::TOvClock(QWidget* Owner)
    : TOvTimeDisplay(Owner)
{
    SetBounds(Left(), Top(), 69, 24);
}

TOvClock::~TOvClock() = default;

void TOvClock::Loaded()
{
    TOvTimeDisplay::Loaded();
    TOvFlashRegistry::RegisterControl(this, FlashCodeSecond);
}

void TOvClock::SetClockOption(TClockOption value)
{
    if (!StoreChanged(FClockOption, value))
        return;
    Change();
    emit settingsChanged();
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

    const QSize needed = NeededSize(tw, th);
    Grow(needed.width(), needed.height());

    DrawFrame(canvas);
    const TRect r = InnerRect();
    SetTextRect(Bounds(r.Left + (r.Width() - tw) / 2, r.Top + (r.Height() - th) / 2, tw, th));
    RedrawText();
}

void TOvClock::RedrawText()
{
    const TRect box = TextRect();
    if (box.Width() <= 0 || box.Height() <= 0)
        return;
    const QDateTime now = Now();
    TCanvas& canvas = Canvas();
    canvas.Font = Font();
    const QString text = ClockText(now);
    if (Align() == alNone && (canvas.TextWidth(text) > box.Width() || canvas.TextHeight(text) > box.Height())) {
        // The text outgrew its box (a longer date or hour): a full paint
        // grows the control.
        Invalidate();
        return;
    }
    DrawTextBox(canvas, box, text);
    Flush(box);
    if (FAutoHint && !Designing())
        SetHint(QLocale().toString(now.date(), QLocale::ShortFormat));
}

void TOvClock::FlashMessage(const TOvFlashEvent& Msg)
{
    (void)Msg;
    if ((Visible() || Designing()) && PaintCount() > 0)
        RedrawText();
}
