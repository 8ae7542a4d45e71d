// Operating-hour counter and clock.
#include "gauges/OvClock.h"
#include "tests/support/TextInk.h"
#include "gauges/OvFlashT.h"
#include "gauges/OvOpHour.h"
#include "platform/ini/IniFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Delivers the once-per-second flash message the way the registry does.
void Second(QObject* control, int n = 1)
{
    for (int i = 0; i < n; ++i) {
        TOvFlashEvent message(0, 0);
        QCoreApplication::sendEvent(control, &message);
    }
}

bool Subscribed(const QObject* control)
{
    const TOvFlashRegistry* registry = TOvFlashRegistry::Instance();
    return registry && registry->IsRegistered(control);
}

// The pixels of box in image that are lime text on black, and those that are
// neither (antialiased glyph edges blend the two and count as neither).
struct TInk {
    int Lit = 0, Other = 0;
};
TInk LimeOnBlack(const QImage& image, const TRect& box)
{
    TInk ink;
    for (int y = box.Top; y < box.Bottom; ++y)
        for (int x = box.Left; x < box.Right; ++x) {
            const TColor c = textink::ImagePixel(image, x, y);
            ink.Lit += textink::IsInk(c, clLime, clBlack) ? 1 : 0;
            ink.Other += textink::IsBlend(c, clLime, clBlack) ? 0 : 1;
        }
    return ink;
}

struct TTime {
    int H, M, S;
};

TTime CountOf(const TOvOpHourCounter& c)
{
    return {c.Hours(), c.Minutes(), c.Seconds()};
}

bool operator==(const TTime& a, const TTime& b)
{
    return a.H == b.H && a.M == b.M && a.S == b.S;
}

std::ostream& operator<<(std::ostream& os, const TTime& t)
{
    return os << t.H << ":" << t.M << ":" << t.S;
}

class OvOpHourCounterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TOvFlashRegistry::Shutdown();
        Counter = std::make_unique<TOvOpHourCounter>(&Panel);
        Counter->SetName("OvOpHourCounter1");
        Counter->Loaded();
        Counter->SetOnZero([this](QObject*) { ++Zeros; });
        Counter->SetOnLimit([this](QObject*) { ++Limits; });
    }
    void TearDown() override
    {
        Counter.reset();
        TOvFlashRegistry::Shutdown();
    }

    QWidget Panel;
    std::unique_ptr<TOvOpHourCounter> Counter;
    int Zeros = 0;
    int Limits = 0;
};

} // namespace

TEST_F(OvOpHourCounterTest, SetTimeAndTimeSettingNormalise)
{
    Counter->SetTime(0, 0, 75);
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 1, 15}));
    Counter->SetTime(1, 125, 3600);
    EXPECT_EQ(CountOf(*Counter), (TTime{4, 5, 0}));

    TTimeSetting t;
    int changes = 0;
    t.SetOnChange([&](QObject*) { ++changes; });
    t.SetSec(130);
    EXPECT_EQ(t.Min(), 2);
    EXPECT_EQ(t.Sec(), 10);
    t.SetMin(61);
    EXPECT_EQ(t.Hour(), 1);
    EXPECT_EQ(t.Min(), 1);
    t.SetMin(1); // equal: ignored
    EXPECT_EQ(changes, 2);
    t.SetSec(-5); // negative values stay as they are
    EXPECT_EQ(t.Sec(), -5);
}

TEST_F(OvOpHourCounterTest, CountingUpCarriesAndDownBorrows)
{
    Counter->Limit().SetHour(100); // keep the limit out of the way
    Counter->SetTime(0, 0, 59);
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 1, 0}));
    Counter->SetTime(0, 59, 59);
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{1, 0, 0}));

    Counter->SetCountDown(true);
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 59, 59}));
    Counter->SetTime(2, 0, 30);
    Second(Counter.get(), 31);
    EXPECT_EQ(CountOf(*Counter), (TTime{1, 59, 59}));
    EXPECT_EQ(Zeros, 0);
}

TEST_F(OvOpHourCounterTest, CountingDownToZeroStopsOrPresets)
{
    Counter->SetCountDown(true);
    Counter->SetTime(0, 0, 1);
    Counter->SetCount(true);
    EXPECT_TRUE(Subscribed(Counter.get()));
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 0, 0}));
    EXPECT_EQ(Zeros, 1);
    EXPECT_TRUE(Counter->ZeroReached());
    // Stopped, while Count stays true.
    EXPECT_FALSE(Subscribed(Counter.get()));
    EXPECT_TRUE(Counter->Count());
    // At zero it stays at zero and reports zero at every check.
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 0, 0}));
    EXPECT_EQ(Zeros, 2);
    Counter->SetTime(0, 0, 0);
    EXPECT_EQ(Zeros, 3);
    // Counting up again resumes.
    Counter->SetCountDown(false);
    EXPECT_TRUE(Subscribed(Counter.get()));
    // Count off and on registers again.
    Counter->SetCount(false);
    EXPECT_FALSE(Subscribed(Counter.get()));
    Counter->SetCount(true);
    EXPECT_TRUE(Subscribed(Counter.get()));

    // With a preset the count continues from it.
    Counter->SetCountDown(true);
    Counter->PresetValue().SetMin(10);
    Counter->SetOptions({opPresetOnZero});
    Counter->SetTime(0, 0, 1);
    Zeros = 0;
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 10, 0}));
    EXPECT_EQ(Zeros, 1);
    EXPECT_TRUE(Subscribed(Counter.get()));
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 9, 59}));

    // A preset of zero cannot preset forever: it stops like no preset.
    Counter->PresetValue().SetMin(0);
    Counter->SetTime(0, 0, 1);
    Zeros = 0;
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 0, 0}));
    EXPECT_EQ(Zeros, 1);
    EXPECT_FALSE(Subscribed(Counter.get()));
}

TEST_F(OvOpHourCounterTest, LimitFiresOncePerCrossingFieldByField)
{
    // The default limit 0:0:0 is met by any count: one event, then quiet.
    Counter->SetTime(0, 0, 3);
    EXPECT_EQ(Limits, 1);
    Second(Counter.get(), 3);
    EXPECT_EQ(Limits, 1);

    // Limit 0:0:10 with reset: fires at 0:0:10 and restarts from 0:0:0.
    Counter->SetTime(0, 0, 0);
    Counter->Limit().SetSec(10);
    Counter->SetOptions({opResetOnLimit});
    Counter->SetTime(0, 0, 8);
    Limits = 0;
    Second(Counter.get());
    EXPECT_EQ(Limits, 0);
    Second(Counter.get());
    EXPECT_EQ(Limits, 1);
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 0, 0}));
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{0, 0, 1}));
    EXPECT_EQ(Limits, 1);

    // Limit 1:30:0 compares field by field: 2:10:0 is not reached.
    Counter->SetOptions({opStopOnLimit});
    Counter->Limit().SetSec(0);
    Counter->Limit().SetHour(1);
    Counter->Limit().SetMin(30);
    Counter->SetCount(true);
    Limits = 0;
    Counter->SetTime(2, 10, 0);
    EXPECT_EQ(Limits, 0);
    EXPECT_FALSE(Counter->LimitReached());
    Counter->SetTime(2, 29, 59);
    Second(Counter.get());
    EXPECT_EQ(CountOf(*Counter), (TTime{2, 30, 0}));
    EXPECT_EQ(Limits, 1);
    EXPECT_TRUE(Counter->LimitReached());
    // opStopOnLimit: unsubscribed, Count still true.
    EXPECT_FALSE(Subscribed(Counter.get()));
    EXPECT_TRUE(Counter->Count());
}

TEST_F(OvOpHourCounterTest, TextFormatsAndSeparators)
{
    Counter->SetTime(0, 0, 5);
    EXPECT_EQ(Counter->TimeText(), "0000h:00m:05s");
    Counter->SetHourDigits(2);
    Counter->SetTime(1, 5, 9);
    EXPECT_EQ(Counter->TimeText(), "01h:05m:09s");
    Counter->SetIndicate(oiHourMin);
    EXPECT_EQ(Counter->TimeText(), "01h:05m");
    Counter->SetIndicate(oiHour);
    EXPECT_EQ(Counter->TimeText(), "01h");
    Counter->SetIndicate(oiHourMinSec);
    Counter->SetSeparatorHour(" % ");
    Counter->SetSeparatorChar("%d");
    Counter->SetSeparatorMin("");
    Counter->SetSeparatorSec(".");
    EXPECT_EQ(Counter->TimeText(), "01 % %d05%d09.");
    Counter->SetTime(12345, 0, 0);
    Counter->SetHourDigits(-3);
    EXPECT_TRUE(Counter->TimeText().startsWith("12345 % "));
}

TEST_F(OvOpHourCounterTest, PaintGrowsOnlyAndSecondRedrawsOnlyTheText)
{
    EXPECT_EQ(Counter->Width(), 113);
    EXPECT_EQ(Counter->Height(), 24);
    EXPECT_EQ(Counter->focusPolicy(), Qt::NoFocus);
    // The very first paint shows the text in the font colour on BevelInner's black.
    const QImage firstPaint = Counter->Snapshot(); // places the text box
    const TInk first = LimeOnBlack(firstPaint, Counter->TextRect());
    EXPECT_GT(first.Lit, 10);
    EXPECT_EQ(first.Other, 0);
    Counter->SetHourDigits(14);
    Counter->Snapshot();
    const int grown = Counter->Width();
    EXPECT_GT(grown, 113);
    Counter->SetHourDigits(2);
    Counter->Snapshot();
    EXPECT_EQ(Counter->Width(), grown);

    const QImage before = Counter->Snapshot();
    const int paints = Counter->PaintCount();
    Counter->ClearFlushedRects();
    Second(Counter.get());
    EXPECT_EQ(Counter->PaintCount(), paints);
    ASSERT_EQ(Counter->FlushedRects().size(), 1);
    const TRect text = Counter->FlushedRects().front();
    EXPECT_EQ(text, Counter->TextRect());
    const QImage after = Counter->Picture().Image();
    int changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            if (before.pixel(x, y) != after.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(PtInRect(text, Point(x, y)));
            }
        }
    }
    EXPECT_GT(changed, 0);
}

TEST(OvOpHourCounterIni, RoundTripAndBadFiles)
{
    TOvFlashRegistry::Shutdown();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("OrvellApp.ini");
    QWidget panel;
    auto make = [&](const QString& name, const QString& section) {
        auto c = std::make_unique<TOvOpHourCounter>(&panel);
        c->SetName(name);
        c->IniSettings().SetFileName(path);
        c->IniSettings().SetSection(section);
        c->IniSettings().SetAutoLoadSave(true);
        c->Loaded();
        return c;
    };
    {
        auto c = make("Rec", "");
        EXPECT_EQ(c->IniSettings().FileName(), path);
        c->Snapshot(); // the first paint loads (nothing yet); the section becomes the name
        EXPECT_EQ(c->IniSettings().Section(), "Rec");
        EXPECT_EQ(CountOf(*c), (TTime{0, 0, 0}));
        c->SetTime(12, 34, 56);
    } // saved at destruction
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger("Rec", "h", -1), 12);
        EXPECT_EQ(ini.ReadInteger("Rec", "m", -1), 34);
        EXPECT_EQ(ini.ReadInteger("Rec", "s", -1), 56);
    }
    {
        auto c = make("Other", "Rec");
        c->Snapshot();
        EXPECT_EQ(CountOf(*c), (TTime{12, 34, 56}));
        EXPECT_EQ(c->TimeText(), "0012h:34m:56s");
    }
    {
        // Never painted, so never loaded: it must not overwrite the count.
        auto c = make("Hidden", "Rec");
    }
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger("Rec", "h", -1), 12);
    }
    {
        // Without AutoLoadSave nothing is read or written.
        auto c = std::make_unique<TOvOpHourCounter>(&panel);
        c->SetName("Rec");
        c->IniSettings().SetFileName(path);
        c->Loaded();
        c->Snapshot();
        EXPECT_EQ(CountOf(*c), (TTime{0, 0, 0}));
        c->SetTime(1, 1, 1);
    }
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger("Rec", "h", -1), 12);
    }
    // A damaged file reads as zeros and does not crash.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("\x01\xff garbage\n[Rec\nh=abc\n[Rec]\nm=\ns=99999999999999\n=\n");
    }
    {
        auto c = make("Broken", "Rec");
        c->Snapshot();
        EXPECT_EQ(c->Hours(), 0);
        EXPECT_EQ(c->Minutes(), 0);
    }
    // An empty file name loads and saves nothing.
    {
        auto c = std::make_unique<TOvOpHourCounter>(&panel);
        c->SetName("NoFile");
        c->IniSettings().SetFileName("");
        c->IniSettings().SetAutoLoadSave(true);
        c->Loaded();
        c->Snapshot();
        EXPECT_EQ(CountOf(*c), (TTime{0, 0, 0}));
    }
    TOvFlashRegistry::Shutdown();
}

TEST(OvClockTest, RegistersGrowsOnlyAndRedrawsOnlyTheText)
{
    TOvFlashRegistry::Shutdown();
    QWidget panel;
    {
        TOvClock clock(&panel);
        EXPECT_EQ(clock.Width(), 69);
        EXPECT_EQ(clock.Height(), 24);
        EXPECT_EQ(clock.ClockOption(), coTime);
        EXPECT_FALSE(Subscribed(&clock));
        const QDateTime fixed(QDate(2026, 12, 24), QTime(23, 59, 58));
        clock.SetTimeSource([&] { return fixed; });
        clock.Loaded();
        EXPECT_TRUE(Subscribed(&clock));

        clock.Snapshot();
        const int timeWidth = clock.Width();
        clock.SetClockOption(coDateTime);
        clock.Snapshot();
        const int dateTimeWidth = clock.Width();
        EXPECT_GT(dateTimeWidth, timeWidth);
        EXPECT_GT(dateTimeWidth, 69);
        clock.SetClockOption(coTime);
        clock.Snapshot();
        EXPECT_EQ(clock.Width(), dateTimeWidth);

        const int paints = clock.PaintCount();
        clock.ClearFlushedRects();
        clock.SetShowHint(true);
        Second(&clock);
        EXPECT_EQ(clock.PaintCount(), paints);
        ASSERT_EQ(clock.FlushedRects().size(), 1);
        EXPECT_EQ(clock.FlushedRects().front(), clock.TextRect());
        // Lime text on BevelInner's black, and nothing else, in the box.
        const TInk shown = LimeOnBlack(clock.Picture().Image(), clock.TextRect());
        EXPECT_GT(shown.Lit, 10);
        EXPECT_EQ(shown.Other, 0);
        EXPECT_EQ(clock.Hint(), QLocale().toString(fixed.date(), QLocale::ShortFormat));
    }
    EXPECT_EQ(TOvFlashRegistry::Instance()->Count(), 0);
    TOvFlashRegistry::Shutdown();
}
