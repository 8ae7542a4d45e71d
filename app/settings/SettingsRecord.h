#pragma once
// The settings file's record: 44 fields in 158 bytes, little-endian, unaligned, no header.
// Encoding and decoding go field by field through explicit byte offsets, so the layout
// never depends on the compiler's struct packing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

constexpr size_t SettingsFileSize = 158;
constexpr int SettingsFieldCount = 44;

// Member defaults are the values written when no file exists.
struct SettingsRecord {
    uint8_t Chan1Enabled = 0;               //  1 @   0
    uint8_t Chan2Enabled = 0;               //  2 @   1
    int32_t Chan1TimeGainSetting = 1;       //  3 @   2  time-gain track bar position x 10 - 9
    int32_t Chan2TimeGainSetting = 1;       //  4 @   6
    int32_t Reserved5 = 10;                 //  5 @  10  written back as read
    int32_t Reserved6 = 10;                 //  6 @  14
    int32_t Chan1GainStep = 0;              //  7 @  18  gain dial position
    int32_t Chan2GainStep = 0;              //  8 @  22
    int32_t Chan1OffsetPos = 0;             //  9 @  26  offset dial position outside mode 1
    int32_t Chan2OffsetPos = 0;             // 10 @  30
    int32_t Chan1RawGainStep = 0;           // 11 @  34  gain dial position in mode 1
    int32_t Chan2RawGainStep = 0;           // 12 @  38
    int32_t Chan1SpecOffset = 186;          // 13 @  42
    int32_t Chan2SpecOffset = 371;          // 14 @  46
    uint8_t DisplayHold = 0;                // 15 @  50
    int32_t TimeBaseSetting = 0;            // 16 @  51  time-base dial position
    int32_t InputStereo = 0;                // 17 @  55  0 Microphone, 1 Line
    int32_t DisplayType = 4;                // 18 @  59  1 raw, 4 Spectrum, 5 Phase, 6 Waterfall
    int32_t BackgroundStyle = 2;            // 19 @  63  1 white, 2 black, 3 teal
    int32_t Chan1Color = 0x00FFFF;          // 20 @  67  0x00BBGGRR
    int32_t Chan2Color = 0x00FFFF;          // 21 @  71
    int32_t Marker1Pos = 142;               // 22 @  75
    int32_t Marker2Pos = 396;               // 23 @  79
    uint8_t Marker1On = 0;                  // 24 @  83  frequency markers shown
    int32_t WindowsOs = 1;                  // 25 @  84  1 WinXP, 2 Win2K
    uint8_t GridOn = 1;                     // 26 @  88
    int32_t FreqScaleSetting = 0;           // 27 @  89  0.4 x frequency-scale dial value
    int32_t WaterfallPalette = 5;           // 28 @  93  4 .. 9
    int32_t Chan1TimeGain = 25;             // 29 @  97
    int32_t Chan2TimeGain = 25;             // 30 @ 101
    int32_t Chan1TimeOffset = 42;           // 31 @ 105
    int32_t Chan2TimeOffset = 126;          // 32 @ 109
    int32_t Chan1SpecOffsetPos = 0;         // 33 @ 113  offset dial position in mode 1
    int32_t Chan2SpecOffsetPos = 0;         // 34 @ 117
    int32_t Chan1SpecGain = 0;              // 35 @ 121
    int32_t Chan2SpecGain = 0;              // 36 @ 125
    int32_t Chan1SpecGainSetting = 0;       // 37 @ 129  frequency-gain track bar position x 10 - 9
    int32_t Chan2SpecGainSetting = 0;       // 38 @ 133
    int32_t FilterMarker1Pos = 142;         // 39 @ 137
    int32_t FilterMarker2Pos = 396;         // 40 @ 141
    uint8_t FilterMarker1On = 0;            // 41 @ 145  filter markers shown
    int32_t ModulationType = 1;             // 42 @ 146  1 AM, 2 FM
    float Chan1CarrierHz = 19145.0f;        // 43 @ 150
    float Chan2CarrierHz = 16065.0f;        // 44 @ 154

    bool operator==(const SettingsRecord&) const = default;
};

enum class SettingsFieldType { U8, I32, F32 };

struct SettingsFieldInfo {
    int Number;                 // 1 .. 44
    size_t Offset;              // bytes from the start of the file
    SettingsFieldType Type;
    const char* Name;
};

// The layout, in file order.
const std::array<SettingsFieldInfo, SettingsFieldCount>& SettingsFields();
inline size_t FieldSize(SettingsFieldType type) { return type == SettingsFieldType::U8 ? 1 : 4; }

// Calls f(info, member) for every field in file order; member is uint8_t&, int32_t& or float&
// (const for a const record).
template <typename Record, typename F>
void ForEachSettingsField(Record& r, F&& f)
{
    const auto& info = SettingsFields();
    int i = 0;
    f(info[i++], r.Chan1Enabled);
    f(info[i++], r.Chan2Enabled);
    f(info[i++], r.Chan1TimeGainSetting);
    f(info[i++], r.Chan2TimeGainSetting);
    f(info[i++], r.Reserved5);
    f(info[i++], r.Reserved6);
    f(info[i++], r.Chan1GainStep);
    f(info[i++], r.Chan2GainStep);
    f(info[i++], r.Chan1OffsetPos);
    f(info[i++], r.Chan2OffsetPos);
    f(info[i++], r.Chan1RawGainStep);
    f(info[i++], r.Chan2RawGainStep);
    f(info[i++], r.Chan1SpecOffset);
    f(info[i++], r.Chan2SpecOffset);
    f(info[i++], r.DisplayHold);
    f(info[i++], r.TimeBaseSetting);
    f(info[i++], r.InputStereo);
    f(info[i++], r.DisplayType);
    f(info[i++], r.BackgroundStyle);
    f(info[i++], r.Chan1Color);
    f(info[i++], r.Chan2Color);
    f(info[i++], r.Marker1Pos);
    f(info[i++], r.Marker2Pos);
    f(info[i++], r.Marker1On);
    f(info[i++], r.WindowsOs);
    f(info[i++], r.GridOn);
    f(info[i++], r.FreqScaleSetting);
    f(info[i++], r.WaterfallPalette);
    f(info[i++], r.Chan1TimeGain);
    f(info[i++], r.Chan2TimeGain);
    f(info[i++], r.Chan1TimeOffset);
    f(info[i++], r.Chan2TimeOffset);
    f(info[i++], r.Chan1SpecOffsetPos);
    f(info[i++], r.Chan2SpecOffsetPos);
    f(info[i++], r.Chan1SpecGain);
    f(info[i++], r.Chan2SpecGain);
    f(info[i++], r.Chan1SpecGainSetting);
    f(info[i++], r.Chan2SpecGainSetting);
    f(info[i++], r.FilterMarker1Pos);
    f(info[i++], r.FilterMarker2Pos);
    f(info[i++], r.FilterMarker1On);
    f(info[i++], r.ModulationType);
    f(info[i++], r.Chan1CarrierHz);
    f(info[i++], r.Chan2CarrierHz);
}

std::array<uint8_t, SettingsFileSize> EncodeSettings(const SettingsRecord& record);

// Reads the fields that lie wholly inside `bytes` over `into` (the others keep their
// values there) and returns how many fields were read. Bytes past 158 are ignored.
int DecodeSettings(std::span<const uint8_t> bytes, SettingsRecord& into);

// Copies fields first..last (numbers 1..44) from `from` to `to`.
void CopySettingsFields(const SettingsRecord& from, SettingsRecord& to, int first, int last);

// Ranges a loaded value is held to: what its control and the arrays behind it accept.
struct SettingsLimits {
    static constexpr int32_t TrackMin = 1, TrackMax = 391;         // position x 10 - 9, positions 1..40
    static constexpr int32_t GainStepMin = 1, GainStepMax = 6;     // gain dials
    static constexpr int32_t OffsetPosMin = 0, OffsetPosMax = 100; // offset dials
    static constexpr int32_t TimeBaseMin = 2, TimeBaseMax = 7;     // time-base dial
    static constexpr int32_t FreqScaleMin = 4, FreqScaleMax = 60;  // 0.4 x frequency dial 10..150
    static constexpr int32_t SpectrumRows = 371;                   // frequency pane rows
    static constexpr int32_t TimeRows = 168;                       // time pane rows
    static constexpr int32_t Marker1Max = SpectrumRows - 5;        // the drag stops: 366
    static constexpr int32_t Marker2Max = SpectrumRows - 10;       // 361
    static constexpr int32_t PaletteMin = 4, PaletteMax = 9;
    static constexpr float CarrierMinHz = 1000.0f, CarrierMaxHz = 20000.0f;
    // What the gain dials, the time base and the frequency scale show on a first run.
    static constexpr int32_t FirstRunGainStep = 3;
    static constexpr int32_t FirstRunTimeBase = 4;
    static constexpr int32_t FirstRunFreqScale = 24;                // frequency dial 60
};

// Holds every field to what its control and arrays accept. Values already inside keep
// their meaning, so the load's results stay those of the unchecked values; a background
// style outside 1..3 is kept (it selects no colour, which is harmless). The defaults
// table's 0 in a gain step, the time base or the frequency scale (a file written on a first
// run whose session never saved) holds nothing a control can show: it loads as the
// first-run panel instead of the nearest end, which would flatten the traces for good.
SettingsRecord ClampSettings(const SettingsRecord& record);

// True when every field lies inside the ranges ClampSettings enforces.
bool SettingsInRange(const SettingsRecord& record);
