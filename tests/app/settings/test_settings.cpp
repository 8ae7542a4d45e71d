#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <variant>
#include <sys/resource.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "FakeSettingsTarget.h"
#include "app/settings/SettingsFile.h"

namespace {

std::vector<uint8_t> ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return {b.begin(), b.end()};
}

void WriteAll(const QString& path, const std::vector<uint8_t>& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

int32_t I32At(const std::vector<uint8_t>& b, size_t off)
{
    return int32_t(uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 |
                   uint32_t(b[off + 3]) << 24);
}

float F32At(const std::vector<uint8_t>& b, size_t off)
{
    const uint32_t u = uint32_t(I32At(b, off));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// What the tests know of each field, written out here from the file's description rather
// than taken from the code under test: its offset, a value a user can reach that differs
// from the default (consistent with what the handlers derive: a track-bar copy is position
// x 10 - 9, a spectrum gain is its track bar's copy) and the range the loader must hold a
// loaded value to.
struct FieldCase {
    const char* Name;
    std::variant<uint8_t SettingsRecord::*, int32_t SettingsRecord::*, float SettingsRecord::*> Member;
    size_t Offset;
    double Value;
    double Low, High;
};

#define FIELD(name) #name, &SettingsRecord::name
constexpr double Any = 1e12;   // no range: the value is written back as read
const FieldCase Cases[] = {
    {FIELD(Chan1Enabled), 0, 1, 0, 1},              {FIELD(Chan2Enabled), 1, 1, 0, 1},
    {FIELD(Chan1TimeGainSetting), 2, 391, 1, 391},  {FIELD(Chan2TimeGainSetting), 6, 21, 1, 391},
    {FIELD(Reserved5), 10, -7, -Any, Any},          {FIELD(Reserved6), 14, 123456, -Any, Any},
    {FIELD(Chan1GainStep), 18, 6, 1, 6},            {FIELD(Chan2GainStep), 22, 2, 1, 6},
    {FIELD(Chan1OffsetPos), 26, 90, 0, 100},        {FIELD(Chan2OffsetPos), 30, 10, 0, 100},
    {FIELD(Chan1RawGainStep), 34, 5, 1, 6},         {FIELD(Chan2RawGainStep), 38, 1, 1, 6},
    {FIELD(Chan1SpecOffset), 42, 200, 0, 371},      {FIELD(Chan2SpecOffset), 46, 300, 0, 371},
    {FIELD(DisplayHold), 50, 1, 0, 1},              {FIELD(TimeBaseSetting), 51, 7, 2, 7},
    {FIELD(InputStereo), 55, 1, 0, 1},              {FIELD(DisplayType), 59, 6, 1, 6},
    {FIELD(BackgroundStyle), 63, 3, -Any, Any},     {FIELD(Chan1Color), 67, 0x123456, 0, 0xFFFFFF},
    {FIELD(Chan2Color), 71, 0xABCDEF, 0, 0xFFFFFF}, {FIELD(Marker1Pos), 75, 300, 0, 366},
    {FIELD(Marker2Pos), 79, 100, 0, 361},           {FIELD(Marker1On), 83, 1, 0, 1},
    {FIELD(WindowsOs), 84, 2, 1, 2},                {FIELD(GridOn), 88, 0, 0, 1},
    {FIELD(FreqScaleSetting), 89, 40, 4, 60},       {FIELD(WaterfallPalette), 93, 8, 4, 9},
    {FIELD(Chan1TimeGain), 97, 101, 1, 391},        {FIELD(Chan2TimeGain), 101, 111, 1, 391},
    {FIELD(Chan1TimeOffset), 105, 20, 0, 168},      {FIELD(Chan2TimeOffset), 109, 150, 0, 168},
    {FIELD(Chan1SpecOffsetPos), 113, 33, 0, 100},   {FIELD(Chan2SpecOffsetPos), 117, 66, 0, 100},
    {FIELD(Chan1SpecGain), 121, 31, 1, 391},        {FIELD(Chan2SpecGain), 125, 381, 1, 391},
    {FIELD(Chan1SpecGainSetting), 129, 31, 1, 391}, {FIELD(Chan2SpecGainSetting), 133, 381, 1, 391},
    {FIELD(FilterMarker1Pos), 137, 250, 0, 366},    {FIELD(FilterMarker2Pos), 141, 50, 0, 361},
    {FIELD(FilterMarker1On), 145, 1, 0, 1},         {FIELD(ModulationType), 146, 2, 1, 2},
    {FIELD(Chan1CarrierHz), 150, 2500.5, 1000, 20000}, {FIELD(Chan2CarrierHz), 154, 12000.25, 1000, 20000},
};
#undef FIELD

double Get(const SettingsRecord& r, const FieldCase& c)
{
    return std::visit([&](auto member) { return double(r.*member); }, c.Member);
}

SettingsRecord NonDefaultRecord()
{
    SettingsRecord r;
    for (const FieldCase& c : Cases)
        std::visit([&](auto member) { r.*member = static_cast<std::remove_reference_t<decltype(r.*member)>>(c.Value); },
                   c.Member);
    return r;
}

SettingsRecord InRangeStart()
{
    return ClampSettings(SettingsRecord{});
}

// The names of the fields outside the ranges above (display type 3 draws nothing).
std::string OutOfRange(const SettingsRecord& r)
{
    std::string out;
    for (const FieldCase& c : Cases)
        if (!(Get(r, c) >= c.Low && Get(r, c) <= c.High))   // a NaN carrier is outside too
            out += std::string(c.Name) + " ";
    if (r.DisplayType == 3)
        out += "DisplayType ";
    return out;
}

// A stand-in window in the in-range start state after `file` (all its fields) is applied.
FakeSettingsTarget AppliedTo(const SettingsRecord& file)
{
    FakeSettingsTarget t;
    t.State = InRangeStart();
    ApplySettings(file, t);
    return t;
}

void ApplyBytes(const std::vector<uint8_t>& bytes, FakeSettingsTarget& target)
{
    ApplySettings(SettingsFromBytes(bytes), target);
}

std::vector<uint8_t> Encoded(const SettingsRecord& r)
{
    const auto a = EncodeSettings(r);
    return {a.begin(), a.end()};
}

}  // namespace

// ---- Layout -------------------------------------------------------------------------

TEST(SettingsLayout, WrittenFileIs158BytesWithEachFieldAtItsOffset)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    const SettingsRecord r = NonDefaultRecord();
    ASSERT_TRUE(WriteSettingsFile(path, r));
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 158u);
    for (const FieldCase& c : Cases) {
        double stored = 0;
        if (std::holds_alternative<uint8_t SettingsRecord::*>(c.Member))
            stored = b[c.Offset];
        else if (std::holds_alternative<int32_t SettingsRecord::*>(c.Member))
            stored = I32At(b, c.Offset);
        else
            stored = F32At(b, c.Offset);
        EXPECT_EQ(stored, c.Value) << c.Name << " at " << c.Offset;
    }
}

TEST(SettingsLayout, NegativeAndExtremeValuesSurviveEncoding)
{
    SettingsRecord r;
    r.Reserved5 = INT32_MIN;
    r.Reserved6 = INT32_MAX;
    r.Chan1CarrierHz = -0.0f;
    r.Chan2CarrierHz = std::numeric_limits<float>::denorm_min();
    SettingsRecord back;
    EXPECT_EQ(DecodeSettings(EncodeSettings(r), back), 44);
    EXPECT_EQ(back, r);
    EXPECT_TRUE(std::signbit(back.Chan1CarrierHz));
}

TEST(SettingsLayout, CopyFieldsTouchesOnlyTheRange)
{
    const SettingsRecord from = NonDefaultRecord();
    SettingsRecord to;
    CopySettingsFields(from, to, 15, 17);
    EXPECT_EQ(to.DisplayHold, from.DisplayHold);
    EXPECT_EQ(to.TimeBaseSetting, from.TimeBaseSetting);
    EXPECT_EQ(to.InputStereo, from.InputStereo);
    EXPECT_EQ(to.Chan2SpecOffset, SettingsRecord{}.Chan2SpecOffset);
    EXPECT_EQ(to.DisplayType, SettingsRecord{}.DisplayType);
}

// ---- Missing file -------------------------------------------------------------------

TEST(SettingsLoad, MissingFileIsCreatedWithTheFirstRunPanelAndNoHandlerRuns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    FakeSettingsTarget t;
    EXPECT_EQ(LoadSettings(path, t), SettingsLoadResult::Created);
    EXPECT_TRUE(t.Calls.empty());
    EXPECT_TRUE(t.ControlSets.empty());
    EXPECT_FALSE(t.Applying);
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 158u);
    EXPECT_EQ(b, Encoded(FirstRunSettings()));
    // What the window shows: channels on, gain dials 3, time base 4, frequency scale 60.
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(I32At(b, 18), 3);
    EXPECT_EQ(I32At(b, 51), 4);
    EXPECT_EQ(I32At(b, 89), 24);
    EXPECT_EQ(F32At(b, 150), 19145.0f);
}

TEST(SettingsLoad, UncreatableOrUnreadableFileMeansCurrentValuesAndNothingWritten)
{
    QTemporaryDir dir;
    FakeSettingsTarget t;
    // Folder of the path is a plain file: nothing can be created.
    WriteAll(dir.filePath("plain"), {1, 2, 3});
    EXPECT_EQ(LoadSettings(dir.filePath("plain/Velquor.cfg"), t), SettingsLoadResult::Unavailable);
    EXPECT_EQ(ReadAll(dir.filePath("plain")), std::vector<uint8_t>({1, 2, 3}));
    // A folder where the file should be: not read, not replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Velquor.cfg"));
    EXPECT_EQ(LoadSettings(dir.filePath("Velquor.cfg"), t), SettingsLoadResult::Unreadable);
    EXPECT_TRUE(QFileInfo(dir.filePath("Velquor.cfg")).isDir());
    EXPECT_TRUE(t.Calls.empty());
    EXPECT_FALSE(t.Applying);
}

// ---- Applying -----------------------------------------------------------------------

TEST(SettingsApply, HandlersRunInTheLoadersOrderWithApplyingSettingsSet)
{
    FakeSettingsTarget t = AppliedTo(NonDefaultRecord());
    const std::vector<std::string> expected = {
        "Chan1EnableSwitchClick", "Chan2EnableSwitchClick", "Chan1GainTrackBarChange",
        "Chan2GainTrackBarChange", "TimeBaseDialClick", "Line1Click", "Teal1Click",
        "MkrSwitchClick", "Windows2KClick", "GridOff1Click", "FreqBaseDialClick",
        "FreqBaseDialValueChange", "CheckWaterfallColor", "Chan1GainFTrackBarChange",
        "Chan2GainFTrackBarChange", "Waterfall1Click", "FltrMkrsSwClick", "FM1Click",
        "Chan1GainDialClick", "Chan2GainDialClick"};
    EXPECT_EQ(t.CallNames(), expected);
    EXPECT_TRUE(t.EverApplyingDuringHandlers);
    EXPECT_FALSE(t.Applying);
    EXPECT_EQ(t.Controls[SettingsControl::DisplayHoldSw], 1.0);
    EXPECT_EQ(t.Controls[SettingsControl::FreqBaseDial], 100.0);
    EXPECT_EQ(t.CheckedPalette, 8);
}

TEST(SettingsApply, EachHandlerSeesItsOwnFieldAndTheEarlierOnesButNotTheLaterOnes)
{
    const SettingsRecord start = InRangeStart();
    const SettingsRecord file = NonDefaultRecord();
    const FakeSettingsTarget t = AppliedTo(file);
    const HandlerCall* timeBase = t.Find("TimeBaseDialClick");
    ASSERT_NE(timeBase, nullptr);
    EXPECT_EQ(timeBase->Values.Chan1SpecOffset, file.Chan1SpecOffset);     // field 13: read
    EXPECT_EQ(timeBase->Values.TimeBaseSetting, file.TimeBaseSetting);     // its own field
    EXPECT_EQ(timeBase->Values.InputStereo, start.InputStereo);            // field 17: not yet
    EXPECT_EQ(timeBase->Values.Chan1TimeGain, 391);                        // from the track bar
    const HandlerCall* waterfall = t.Find("Waterfall1Click");
    ASSERT_NE(waterfall, nullptr);
    EXPECT_EQ(waterfall->Values.FilterMarker1Pos, start.FilterMarker1Pos); // field 39: after
    EXPECT_EQ(waterfall->Values.Chan1TimeGain, file.Chan1TimeGain);        // field 29 replaced it
}

TEST(SettingsApply, LineModeFromTheFileRunsLine1ClickWhileApplying)
{
    SettingsRecord r = InRangeStart();
    r.InputStereo = 1;
    FakeSettingsTarget t = AppliedTo(r);
    const HandlerCall* line = t.Find("Line1Click");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->Applying);
    EXPECT_FALSE(t.Ran("Mic1Click"));
    EXPECT_EQ(t.State.InputStereo, 1);
}

TEST(SettingsApply, RawSpectrumTypeSetsTheGainDialsWithoutTheirHandlers)
{
    SettingsRecord r = NonDefaultRecord();
    r.DisplayType = 1;
    FakeSettingsTarget t = AppliedTo(r);
    EXPECT_TRUE(t.Ran("RawSpectrum1Click"));
    EXPECT_FALSE(t.Ran("Chan1GainDialClick"));
    EXPECT_FALSE(t.Ran("Chan2GainDialClick"));
    EXPECT_EQ(t.Controls[SettingsControl::Chan1GainDial], 5.0);
    EXPECT_EQ(t.Controls[SettingsControl::Chan2GainDial], 1.0);
    EXPECT_EQ(t.State.Chan1GainStep, 6);    // the stored step of the other types stays
}

TEST(SettingsApply, TrackValuesGivePositionsOneToForty)
{
    struct Case {
        int32_t stored;
        double position;
    } cases[] = {{391, 40}, {0, 1}, {1, 1}, {11, 2}, {12, 2}, {20, 2}, {21, 3}, {-500, 1}, {INT32_MAX, 40}, {INT32_MIN, 1}};
    for (const Case& c : cases) {
        SettingsRecord r = InRangeStart();
        r.Chan1TimeGainSetting = c.stored;
        r.Chan2SpecGainSetting = c.stored;
        FakeSettingsTarget t = AppliedTo(r);
        // Position as set, before the control holds it (the set value itself is already in range).
        double set1 = -1, set2 = -1;
        for (const auto& [control, value] : t.ControlSets) {
            if (control == SettingsControl::Chan1GainTrackBar)
                set1 = value;
            if (control == SettingsControl::Chan2GainFTrackBar)
                set2 = value;
        }
        EXPECT_EQ(set1, c.position) << c.stored;
        EXPECT_EQ(set2, c.position) << c.stored;
    }
}

TEST(SettingsApply, BackgroundOutsideOneToThreeRunsNoColourHandlerAndStays)
{
    for (int32_t style : {0, 4, -1, 1000}) {
        SettingsRecord r = InRangeStart();
        r.BackgroundStyle = style;
        FakeSettingsTarget t = AppliedTo(r);
        EXPECT_FALSE(t.Ran("White1Click") || t.Ran("Black1Click") || t.Ran("Teal1Click")) << style;
        EXPECT_EQ(t.State.BackgroundStyle, style);
    }
    for (auto [style, handler] : {std::pair{1, "White1Click"}, {2, "Black1Click"}, {3, "Teal1Click"}}) {
        SettingsRecord r = InRangeStart();
        r.BackgroundStyle = style;
        FakeSettingsTarget t = AppliedTo(r);
        EXPECT_TRUE(t.Ran(handler));
    }
}

TEST(SettingsApply, DisplayTypesChooseTheirCommand)
{
    for (auto [type, handler] : {std::pair{1, "RawSpectrum1Click"}, {4, "Spectrum1Click"},
                                 {5, "Phase1Click"}, {6, "Waterfall1Click"}}) {
        SettingsRecord r = InRangeStart();
        r.DisplayType = type;
        FakeSettingsTarget t = AppliedTo(r);
        EXPECT_TRUE(t.Ran(handler)) << type;
    }
    // Type 2 is kept and runs nothing; an unknown type becomes Spectrum.
    SettingsRecord r = InRangeStart();
    r.DisplayType = 2;
    FakeSettingsTarget t2 = AppliedTo(r);
    EXPECT_EQ(t2.State.DisplayType, 2);
    EXPECT_FALSE(t2.Ran("Spectrum1Click") || t2.Ran("Phase1Click") || t2.Ran("Waterfall1Click"));
    r.DisplayType = 3;
    EXPECT_TRUE(AppliedTo(r).Ran("Spectrum1Click"));
}

TEST(SettingsApply, TwoWayChoicesFollowTheFirstValueOnly)
{
    SettingsRecord r = InRangeStart();
    r.InputStereo = 7;       // anything but 0: Line
    r.WindowsOs = 0;         // anything but 1: Win2K
    r.GridOn = 2;            // anything but 1: grid off
    r.ModulationType = -3;   // anything but 1: FM
    r.Chan1Enabled = 2;      // only 1 turns a switch on
    FakeSettingsTarget t = AppliedTo(r);
    EXPECT_TRUE(t.Ran("Line1Click"));
    EXPECT_TRUE(t.Ran("Windows2KClick"));
    EXPECT_TRUE(t.Ran("GridOff1Click"));
    EXPECT_TRUE(t.Ran("FM1Click"));
    EXPECT_EQ(t.Controls[SettingsControl::Chan1EnableSwitch], 0.0);
    EXPECT_EQ(t.State.Chan1Enabled, 0);
}

TEST(SettingsApply, DamagedValuesAreHeldToWhatTheirControlsAccept)
{
    SettingsRecord r;
    r.Chan1GainStep = -1;
    r.Chan2GainStep = 99;
    r.TimeBaseSetting = -4;
    r.FreqScaleSetting = 1000;
    r.WaterfallPalette = 42;
    r.Chan1Color = int32_t(0xFF00FF00u);
    r.Marker1Pos = 5000;
    r.Marker2Pos = -20;
    r.FilterMarker1Pos = 396;
    r.FilterMarker2Pos = 396;
    r.Chan1TimeOffset = 900;
    r.Chan2SpecOffset = -1;
    r.Chan1CarrierHz = std::numeric_limits<float>::quiet_NaN();
    r.Chan2CarrierHz = 0.0f;
    FakeSettingsTarget t = AppliedTo(r);
    const SettingsRecord& s = t.State;
    EXPECT_EQ(s.Chan1GainStep, 1);
    EXPECT_EQ(s.Chan2GainStep, 6);
    EXPECT_EQ(t.Controls[SettingsControl::TimeBaseDial], 2.0);
    EXPECT_EQ(t.Controls[SettingsControl::FreqBaseDial], 150.0);
    EXPECT_EQ(s.FreqScaleSetting, 60);
    EXPECT_EQ(s.WaterfallPalette, 5);
    EXPECT_EQ(s.Chan1Color, 0x00FF00);
    EXPECT_EQ(s.Marker1Pos, 366);
    EXPECT_EQ(s.Marker2Pos, 0);
    EXPECT_EQ(s.FilterMarker1Pos, 366);
    EXPECT_EQ(s.FilterMarker2Pos, 361);
    EXPECT_EQ(s.Chan1TimeOffset, 168);
    EXPECT_EQ(s.Chan2SpecOffset, 0);
    EXPECT_EQ(s.Chan1CarrierHz, 19145.0f);
    EXPECT_EQ(s.Chan2CarrierHz, 1000.0f);
}

TEST(SettingsLoad, AShortFileTakesTheFirstRunPanelForTheFieldsItLacksAndStillRunsEveryStep)
{
    const FakeSettingsTarget full = AppliedTo(InRangeStart());
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    std::vector<uint8_t> bytes = Encoded(NonDefaultRecord());
    bytes.resize(60);   // fields 1..17 whole, field 18 cut
    WriteAll(path, bytes);

    FakeSettingsTarget t;
    t.State = InRangeStart();
    t.State.ModulationType = 2;   // the window's current values play no part
    t.State.Chan2CarrierHz = 5000.0f;
    EXPECT_EQ(LoadSettings(path, t), SettingsLoadResult::Applied);
    EXPECT_EQ(t.CallNames().size(), full.CallNames().size());
    EXPECT_TRUE(t.Ran("Line1Click"));              // field 17 was there
    EXPECT_TRUE(t.Ran("Spectrum1Click"));          // field 18 was not: the first-run type
    EXPECT_TRUE(t.Ran("AM1Click"));                // the first-run modulation
    EXPECT_EQ(t.State.TimeBaseSetting, 7);
    EXPECT_EQ(t.State.Chan2CarrierHz, 16065.0f);
    const SettingsRecord first = FirstRunSettings();
    for (const FieldCase& c : Cases) {
        if (c.Offset >= 59) {
            EXPECT_EQ(Get(t.State, c), Get(first, c)) << c.Name;
        }
    }
}

TEST(SettingsLoad, AnEmptyFileStartsWithTheFirstRunPanel)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    WriteAll(path, {});
    FakeSettingsTarget t;
    t.State = SettingsRecord{};   // channels off, gain steps, time base and scale 0
    EXPECT_EQ(LoadSettings(path, t), SettingsLoadResult::Applied);
    // Channels on, gain dials 3, offsets 75 and 25, time base 4, scale 60, track bars at 3.
    EXPECT_EQ(t.State, FirstRunSettings());
    EXPECT_EQ(t.State.Chan1Enabled, 1);
    EXPECT_EQ(t.State.FreqScaleSetting, 24);
}

TEST(SettingsApply, RoundTripOfEveryNonDefaultValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    const SettingsRecord r = NonDefaultRecord();
    ASSERT_EQ(ClampSettings(r), r);
    // Every field differs from its default, so a field dropped anywhere shows.
    const auto def = Encoded(SettingsRecord{});
    const auto mine = Encoded(r);
    for (const SettingsField& f : SettingsFields())
        EXPECT_FALSE(std::equal(def.begin() + f.Offset, def.begin() + f.Offset + FieldSize(f.Type),
                                mine.begin() + f.Offset))
            << f.Name;

    ASSERT_TRUE(WriteSettingsFile(path, r));
    FakeSettingsTarget t;
    t.State = InRangeStart();
    EXPECT_EQ(LoadSettings(path, t), SettingsLoadResult::Applied);
    EXPECT_EQ(t.State, r);
    ASSERT_TRUE(SaveSettings(path, t));
    EXPECT_EQ(ReadAll(path), mine);
}

// ---- Damaged files ------------------------------------------------------------------

TEST(SettingsFuzz, AnyBytesYieldAStateInsideTheRanges)
{
    std::mt19937 rng(20261207);
    int cases = 0;
    auto check = [&](const std::vector<uint8_t>& bytes) {
        FakeSettingsTarget t;
        t.State = InRangeStart();
        ApplyBytes(bytes, t);
        ++cases;
        ASSERT_EQ(OutOfRange(t.State), "") << "length " << bytes.size();
        ASSERT_FALSE(t.Applying);
        // Every step ran: 20 handlers, less the background one for a style outside 1..3,
        // the display-type one for type 2, the two gain-dial ones for type 1.
        const int32_t type = t.State.DisplayType;
        const bool background = t.Ran("White1Click") || t.Ran("Black1Click") || t.Ran("Teal1Click");
        const size_t expected = 20u - (background ? 0u : 1u) - (type == 2 ? 1u : 0u) - (type == 1 ? 2u : 0u);
        ASSERT_EQ(t.Calls.size(), expected);
        ASSERT_EQ(background, t.State.BackgroundStyle >= 1 && t.State.BackgroundStyle <= 3);
        for (const auto& [control, value] : t.ControlSets) {
            switch (control) {
            case SettingsControl::Chan1GainTrackBar:
            case SettingsControl::Chan2GainTrackBar:
            case SettingsControl::Chan1GainFTrackBar:
            case SettingsControl::Chan2GainFTrackBar:
                ASSERT_TRUE(value >= 1 && value <= 40) << value;
                break;
            case SettingsControl::TimeBaseDial: ASSERT_TRUE(value >= 2 && value <= 7); break;
            case SettingsControl::FreqBaseDial: ASSERT_TRUE(value >= 10 && value <= 150); break;
            case SettingsControl::Chan1GainDial:
            case SettingsControl::Chan2GainDial: ASSERT_TRUE(value >= 1 && value <= 6); break;
            default: ASSERT_TRUE(value == 0 || value == 1); break;
            }
        }
    };
    for (size_t length = 0; length <= 200; ++length)
        for (int rep = 0; rep < 10; ++rep) {
            std::vector<uint8_t> bytes(length);
            for (auto& b : bytes)
                b = uint8_t(rng());
            check(bytes);
        }
    const std::vector<uint8_t> valid = Encoded(NonDefaultRecord());
    for (size_t bit = 0; bit < valid.size() * 8; ++bit) {
        std::vector<uint8_t> bytes = valid;
        bytes[bit / 8] ^= uint8_t(1u << (bit % 8));
        check(bytes);
    }
    for (int rep = 0; rep < 2000; ++rep) {
        std::vector<uint8_t> bytes = valid;
        for (int k = 0; k < 8; ++k)
            bytes[rng() % bytes.size()] ^= uint8_t(1u << (rng() % 8));
        check(bytes);
    }
    EXPECT_GT(cases, 5000);
}

// ---- Saving -------------------------------------------------------------------------

TEST(SettingsSave, FailedSaveLeavesTheOldFileIntactAndNoTemporaryBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Velquor.cfg");
    ASSERT_TRUE(WriteSettingsFile(path, NonDefaultRecord()));
    const std::vector<uint8_t> before = ReadAll(path);

    // A full disk: no file may grow past 100 bytes (works for root too).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = WriteSettingsFile(path, SettingsRecord{});
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Velquor.cfg"}));
}

TEST(SettingsSave, SaveIntoAFolderThatCannotTakeFilesFailsSilently)
{
    QTemporaryDir dir;
    WriteAll(dir.filePath("notafolder"), {9});
    FakeSettingsTarget t;
    EXPECT_FALSE(SaveSettings(dir.filePath("notafolder/Velquor.cfg"), t));
    EXPECT_EQ(ReadAll(dir.filePath("notafolder")), std::vector<uint8_t>({9}));
}

TEST(SettingsSave, ReadOnlyFolderKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("ro");
    const QString path = folder + "/Velquor.cfg";
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    ASSERT_TRUE(WriteSettingsFile(path, NonDefaultRecord()));
    const std::vector<uint8_t> before = ReadAll(path);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                          QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QFile::setPermissions(dir.path(), readOnly);
    QFile::setPermissions(folder, readOnly);

    bool saved = true;
    if (geteuid() == 0) {
        // Permissions do not stop root: save as an ordinary user in a child process.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(2);
            _exit(WriteSettingsFile(path, SettingsRecord{}) ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "could not become an ordinary user";
        saved = WEXITSTATUS(status) == 1;
    } else {
        saved = WriteSettingsFile(path, SettingsRecord{});
    }
    QFile::setPermissions(folder, readOnly | QFileDevice::WriteOwner);
    QFile::setPermissions(dir.path(), readOnly | QFileDevice::WriteOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"Velquor.cfg"}));
}

TEST(SettingsPath, LivesUnderXdgConfigHomeAndTheFolderIsCreated)
{
    QTemporaryDir dir;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString path = SettingsFilePath();
    if (old.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", old);
    EXPECT_EQ(path, dir.path() + "/velquor/Velquor.cfg");
    EXPECT_TRUE(QFileInfo(dir.path() + "/velquor").isDir());
}

// Only an exact 0 (the defaults table's unset value) becomes the first-run panel value;
// every other stray value is still held to the nearest end of its control.
TEST(SettingsApply, UnsetZerosLoadAsTheFirstRunPanelOtherStrayValuesAreClamped)
{
    const struct {
        int32_t SettingsRecord::*Member;
        int32_t Stored, Loaded;
    } cases[] = {
        {&SettingsRecord::Chan1GainStep, 0, 3},    {&SettingsRecord::Chan2GainStep, 0, 3},
        {&SettingsRecord::Chan1RawGainStep, 0, 3}, {&SettingsRecord::Chan2RawGainStep, 0, 3},
        {&SettingsRecord::TimeBaseSetting, 0, 4},  {&SettingsRecord::FreqScaleSetting, 0, 24},
        {&SettingsRecord::Chan1GainStep, -1, 1},   {&SettingsRecord::Chan2GainStep, 7, 6},
        {&SettingsRecord::TimeBaseSetting, 1, 2},  {&SettingsRecord::FreqScaleSetting, 3, 4},
    };
    for (const auto& c : cases) {
        SettingsRecord r = InRangeStart();
        r.*c.Member = c.Stored;
        EXPECT_EQ(ClampSettings(r).*c.Member, c.Loaded) << c.Stored;
    }

    SettingsRecord unset;   // the defaults: gain steps, time base and scale 0
    FakeSettingsTarget t = AppliedTo(unset);
    EXPECT_EQ(t.Controls[SettingsControl::TimeBaseDial], 4.0);
    EXPECT_EQ(t.Controls[SettingsControl::FreqBaseDial], 60.0);
    EXPECT_EQ(t.State.Chan1GainStep, 3);
}

// The first-run panel is what a load would make of it: a file holding it reloads unchanged.
TEST(SettingsLayout, TheFirstRunPanelIsHeldLikeALoadedFile)
{
    EXPECT_EQ(ClampSettings(FirstRunSettings()), FirstRunSettings());
    EXPECT_EQ(OutOfRange(FirstRunSettings()), "");
}
