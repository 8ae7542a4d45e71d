#pragma once
// The settings file's record: 44 fields in 158 bytes, little-endian, unaligned, no header.
// One table, VELQUOR_SETTINGS_FIELDS, says everything about a field: its place in the
// file, its type, where the value lives while the program runs, its default and first-run
// values and the range a loaded value is held to. The record's members, the layout, the
// checks on load and the copies to and from the program's state are all made from it.
// Encoding and decoding go field by field through the byte offsets, so the layout never
// depends on the compiler's struct packing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <variant>

struct DisplaySettings;
struct ProcessingState;
struct AcquisitionState;
struct StoredOptions;

constexpr size_t SettingsFileSize = 158;
constexpr int SettingsFieldCount = 44;

// How a loaded value is held to what its control and the arrays behind it accept. Values
// already inside keep their meaning, so the load's results stay those of the unchecked values.
enum class SettingsRule {
    Kept,             // any value: written back as read (a background style outside 1..3
                      // selects no colour, which is harmless)
    Flag,             // 1 is on; the loader tests "value = 1", so any other byte is off
    Clamp,            // held to low..high; a float that is not finite takes the default
    ClampOrFirstRun,  // an exact 0 (a defaults file's unset dial: nothing a control can
                      // show) takes the first-run value; other values are held to low..high
    Either,           // a two-way choice: low stays low, any other value is high, so the
                      // value names the handler the loader runs for it
    InsideOrDefault,  // outside low..high takes the default (the value indexes a table)
    KnownType,        // a display type the panes draw (1, 2, 4, 5, 6), else the default:
                      // an unknown type would leave the pane blank under a Spectrum check
    Colour,           // the colour's low 24 bits (0x00BBGGRR)
};

// The fields in file order, one row each:
//   X(name, offset, type, home, default, first run, rule, low, high)
// name       the record's member, and the member of `home` that holds the value while the
//            program runs (the window's state objects; tests use fakes)
// offset     bytes from the start of the file
// type       uint8_t (a flag byte; its home is a bool), int32_t or float
// default    what a record holds before anything is read into it
// first run  what the window's panel shows on a first run, held by its rule like a loaded
//            value (marker 2 at the drag's stop, channel 2 on the row its offset dial gives),
//            so that a file holding it reloads unchanged; every gain is the one its track
//            bar shows (position 7: 61), which draws the demo signal's traces about 45 rows
//            peak to peak and its alpha peaks about 150 pixels long
// rule, low, high  how a loaded value is held (SettingsRule)
#define VELQUOR_SETTINGS_FIELDS(X)                                                                       \
    X(Chan1Enabled,           0, uint8_t, ProcessingState,  0,        1,        Flag,            0, 1)      \
    X(Chan2Enabled,           1, uint8_t, ProcessingState,  0,        1,        Flag,            0, 1)      \
    X(Chan1TimeGainSetting,   2, int32_t, DisplaySettings,  1,        61,       Clamp,           1, 391)    \
    X(Chan2TimeGainSetting,   6, int32_t, DisplaySettings,  1,        61,       Clamp,           1, 391)    \
    X(Reserved5,             10, int32_t, StoredOptions,    10,       10,       Kept,            0, 0)      \
    X(Reserved6,             14, int32_t, StoredOptions,    10,       10,       Kept,            0, 0)      \
    X(Chan1GainStep,         18, int32_t, DisplaySettings,  0,        3,        ClampOrFirstRun, 1, 6)      \
    X(Chan2GainStep,         22, int32_t, DisplaySettings,  0,        3,        ClampOrFirstRun, 1, 6)      \
    X(Chan1OffsetPos,        26, int32_t, DisplaySettings,  0,        75,       Clamp,           0, 100)    \
    X(Chan2OffsetPos,        30, int32_t, DisplaySettings,  0,        25,       Clamp,           0, 100)    \
    X(Chan1RawGainStep,      34, int32_t, DisplaySettings,  0,        3,        ClampOrFirstRun, 1, 6)      \
    X(Chan2RawGainStep,      38, int32_t, DisplaySettings,  0,        3,        ClampOrFirstRun, 1, 6)      \
    X(Chan1SpecOffset,       42, int32_t, DisplaySettings,  186,      186,      Clamp,           0, 371)    \
    X(Chan2SpecOffset,       46, int32_t, DisplaySettings,  371,      371,      Clamp,           0, 371)    \
    X(DisplayHold,           50, uint8_t, ProcessingState,  0,        0,        Flag,            0, 1)      \
    X(TimeBaseSetting,       51, int32_t, DisplaySettings,  0,        4,        ClampOrFirstRun, 2, 7)      \
    X(InputStereo,           55, int32_t, AcquisitionState, 0,        0,        Either,          0, 1)      \
    X(DisplayType,           59, int32_t, DisplaySettings,  4,        4,        KnownType,       1, 6)      \
    X(BackgroundStyle,       63, int32_t, DisplaySettings,  2,        2,        Kept,            0, 0)      \
    X(Chan1Color,            67, int32_t, DisplaySettings,  0x00FFFF, 0x00FFFF, Colour,          0, 0xFFFFFF) \
    X(Chan2Color,            71, int32_t, DisplaySettings,  0x00FFFF, 0x00FFFF, Colour,          0, 0xFFFFFF) \
    X(Marker1Pos,            75, int32_t, DisplaySettings,  142,      142,      Clamp,           0, 366)    \
    X(Marker2Pos,            79, int32_t, DisplaySettings,  396,      361,      Clamp,           0, 361)    \
    X(Marker1On,             83, uint8_t, DisplaySettings,  0,        0,        Flag,            0, 1)      \
    X(WindowsOs,             84, int32_t, StoredOptions,    1,        1,        Either,          1, 2)      \
    X(GridOn,                88, uint8_t, DisplaySettings,  1,        1,        Flag,            0, 1)      \
    X(FreqScaleSetting,      89, int32_t, ProcessingState,  0,        24,       ClampOrFirstRun, 4, 60)     \
    X(WaterfallPalette,      93, int32_t, DisplaySettings,  5,        5,        InsideOrDefault, 4, 9)      \
    X(Chan1TimeGain,         97, int32_t, DisplaySettings,  25,       61,       Clamp,           1, 391)    \
    X(Chan2TimeGain,        101, int32_t, DisplaySettings,  25,       61,       Clamp,           1, 391)    \
    X(Chan1TimeOffset,      105, int32_t, DisplaySettings,  42,       42,       Clamp,           0, 168)    \
    X(Chan2TimeOffset,      109, int32_t, DisplaySettings,  126,      125,      Clamp,           0, 168)    \
    X(Chan1SpecOffsetPos,   113, int32_t, DisplaySettings,  0,        50,       Clamp,           0, 100)    \
    X(Chan2SpecOffsetPos,   117, int32_t, DisplaySettings,  0,        0,        Clamp,           0, 100)    \
    X(Chan1SpecGain,        121, int32_t, DisplaySettings,  0,        61,       Clamp,           1, 391)    \
    X(Chan2SpecGain,        125, int32_t, DisplaySettings,  0,        61,       Clamp,           1, 391)    \
    X(Chan1SpecGainSetting, 129, int32_t, DisplaySettings,  0,        61,       Clamp,           1, 391)    \
    X(Chan2SpecGainSetting, 133, int32_t, DisplaySettings,  0,        61,       Clamp,           1, 391)    \
    X(FilterMarker1Pos,     137, int32_t, ProcessingState,  142,      142,      Clamp,           0, 366)    \
    X(FilterMarker2Pos,     141, int32_t, ProcessingState,  396,      361,      Clamp,           0, 361)    \
    X(FilterMarker1On,      145, uint8_t, DisplaySettings,  0,        0,        Flag,            0, 1)      \
    X(ModulationType,       146, int32_t, ProcessingState,  1,        1,        Either,          1, 2)      \
    X(Chan1CarrierHz,       150, float,   ProcessingState,  19145,    19145,    Clamp,           1000, 20000) \
    X(Chan2CarrierHz,       154, float,   ProcessingState,  16065,    16065,    Clamp,           1000, 20000)

// The record, one member a row; a new record holds the defaults column.
struct SettingsRecord {
#define VELQUOR_SETTINGS_MEMBER(name, offset, type, home, def, ...) type name = static_cast<type>(def);
    VELQUOR_SETTINGS_FIELDS(VELQUOR_SETTINGS_MEMBER)
#undef VELQUOR_SETTINGS_MEMBER

    bool operator==(const SettingsRecord&) const = default;
};

// The values the file keeps that no other state object holds: the Windows OS option (kept
// in the file only; it chooses nothing on this system) and two reserved fields.
struct StoredOptions {
    int32_t WindowsOs = 1;      // 1 WinXP, 2 Win2K
    int32_t Reserved5 = 10;
    int32_t Reserved6 = 10;
};

// Where the stored values live while the program runs.
struct SettingsHome {
    DisplaySettings& Display;
    ProcessingState& Processing;
    AcquisitionState& Acquisition;
    StoredOptions& Options;
};

enum class SettingsFieldType { U8, I32, F32 };
inline size_t FieldSize(SettingsFieldType type) { return type == SettingsFieldType::U8 ? 1 : 4; }

using SettingsMember = std::variant<uint8_t SettingsRecord::*, int32_t SettingsRecord::*, float SettingsRecord::*>;

// A row of the table. The values are doubles, which hold every int32 and float exactly.
struct SettingsField {
    int Number;                 // 1 .. 44
    size_t Offset;
    SettingsFieldType Type;
    const char* Name;
    SettingsMember Member;
    double Default;
    double FirstRun;
    SettingsRule Rule;
    double Low;
    double High;
    void (*Capture)(const SettingsHome& from, SettingsRecord& record);
    void (*Store)(const SettingsRecord& record, const SettingsHome& into);

    double Get(const SettingsRecord& record) const
    {
        return std::visit([&](auto member) { return double(record.*member); }, Member);
    }
    void Set(SettingsRecord& record, double value) const
    {
        std::visit([&](auto member) { record.*member = static_cast<std::remove_reference_t<decltype(record.*member)>>(value); },
                   Member);
    }
};

// The table, in file order.
const std::array<SettingsField, SettingsFieldCount>& SettingsFields();

// The first-run column as a record.
SettingsRecord FirstRunSettings();

std::array<uint8_t, SettingsFileSize> EncodeSettings(const SettingsRecord& record);

// Reads the fields that lie wholly inside `bytes` over `into` (the others keep their
// values there) and returns how many fields were read. Bytes past 158 are ignored.
int DecodeSettings(std::span<const uint8_t> bytes, SettingsRecord& into);

// The record a file's bytes stand for: the fields they hold, and for those a short file
// lacks the first-run panel's values (an empty file is the first-run panel).
SettingsRecord SettingsFromBytes(std::span<const uint8_t> bytes);

// Copies fields first..last (numbers 1..44) from `from` to `to`.
void CopySettingsFields(const SettingsRecord& from, SettingsRecord& to, int first, int last);

// Holds every field by its rule.
SettingsRecord ClampSettings(const SettingsRecord& record);

// The stored values gathered from the program's state, and written back into it (no
// handler runs; the loader runs them).
SettingsRecord CaptureSettings(const SettingsHome& from);
void StoreSettings(const SettingsRecord& record, const SettingsHome& into);
