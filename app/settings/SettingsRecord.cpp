#include "app/settings/SettingsRecord.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>

namespace {

constexpr std::array<SettingsFieldInfo, SettingsFieldCount> Fields = {{
    {1, 0, SettingsFieldType::U8, "Chan1Enabled"},
    {2, 1, SettingsFieldType::U8, "Chan2Enabled"},
    {3, 2, SettingsFieldType::I32, "Chan1TimeGainSetting"},
    {4, 6, SettingsFieldType::I32, "Chan2TimeGainSetting"},
    {5, 10, SettingsFieldType::I32, "Reserved5"},
    {6, 14, SettingsFieldType::I32, "Reserved6"},
    {7, 18, SettingsFieldType::I32, "Chan1GainStep"},
    {8, 22, SettingsFieldType::I32, "Chan2GainStep"},
    {9, 26, SettingsFieldType::I32, "Chan1OffsetPos"},
    {10, 30, SettingsFieldType::I32, "Chan2OffsetPos"},
    {11, 34, SettingsFieldType::I32, "Chan1RawGainStep"},
    {12, 38, SettingsFieldType::I32, "Chan2RawGainStep"},
    {13, 42, SettingsFieldType::I32, "Chan1SpecOffset"},
    {14, 46, SettingsFieldType::I32, "Chan2SpecOffset"},
    {15, 50, SettingsFieldType::U8, "DisplayHold"},
    {16, 51, SettingsFieldType::I32, "TimeBaseSetting"},
    {17, 55, SettingsFieldType::I32, "InputStereo"},
    {18, 59, SettingsFieldType::I32, "DisplayType"},
    {19, 63, SettingsFieldType::I32, "BackgroundStyle"},
    {20, 67, SettingsFieldType::I32, "Chan1Color"},
    {21, 71, SettingsFieldType::I32, "Chan2Color"},
    {22, 75, SettingsFieldType::I32, "Marker1Pos"},
    {23, 79, SettingsFieldType::I32, "Marker2Pos"},
    {24, 83, SettingsFieldType::U8, "Marker1On"},
    {25, 84, SettingsFieldType::I32, "WindowsOs"},
    {26, 88, SettingsFieldType::U8, "GridOn"},
    {27, 89, SettingsFieldType::I32, "FreqScaleSetting"},
    {28, 93, SettingsFieldType::I32, "WaterfallPalette"},
    {29, 97, SettingsFieldType::I32, "Chan1TimeGain"},
    {30, 101, SettingsFieldType::I32, "Chan2TimeGain"},
    {31, 105, SettingsFieldType::I32, "Chan1TimeOffset"},
    {32, 109, SettingsFieldType::I32, "Chan2TimeOffset"},
    {33, 113, SettingsFieldType::I32, "Chan1SpecOffsetPos"},
    {34, 117, SettingsFieldType::I32, "Chan2SpecOffsetPos"},
    {35, 121, SettingsFieldType::I32, "Chan1SpecGain"},
    {36, 125, SettingsFieldType::I32, "Chan2SpecGain"},
    {37, 129, SettingsFieldType::I32, "Chan1SpecGainSetting"},
    {38, 133, SettingsFieldType::I32, "Chan2SpecGainSetting"},
    {39, 137, SettingsFieldType::I32, "FilterMarker1Pos"},
    {40, 141, SettingsFieldType::I32, "FilterMarker2Pos"},
    {41, 145, SettingsFieldType::U8, "FilterMarker1On"},
    {42, 146, SettingsFieldType::I32, "ModulationType"},
    {43, 150, SettingsFieldType::F32, "Chan1CarrierHz"},
    {44, 154, SettingsFieldType::F32, "Chan2CarrierHz"},
}};

// The table is contiguous and ends at the record's size.
constexpr bool LayoutIsContiguous()
{
    size_t next = 0;
    for (size_t i = 0; i < Fields.size(); ++i) {
        if (Fields[i].Offset != next || Fields[i].Number != static_cast<int>(i) + 1)
            return false;
        next += Fields[i].Type == SettingsFieldType::U8 ? 1 : 4;
    }
    return next == SettingsFileSize;
}
static_assert(LayoutIsContiguous());

uint32_t LoadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

template <typename T>
void Decode(const uint8_t* p, T& value)
{
    if constexpr (std::is_same_v<T, uint8_t>)
        value = p[0];
    else if constexpr (std::is_same_v<T, int32_t>)
        value = static_cast<int32_t>(LoadLe32(p));
    else
        value = std::bit_cast<float>(LoadLe32(p));
}

template <typename T>
void Encode(uint8_t* p, const T& value)
{
    if constexpr (std::is_same_v<T, uint8_t>)
        p[0] = value;
    else if constexpr (std::is_same_v<T, int32_t>)
        StoreLe32(p, static_cast<uint32_t>(value));
    else
        StoreLe32(p, std::bit_cast<uint32_t>(value));
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return std::clamp(v, lo, hi);
}

uint8_t Flag(uint8_t v)
{
    // The loader tests "value = 1": any other byte means off.
    return v == 1 ? 1 : 0;
}

float Carrier(float hz, float fallback)
{
    if (!std::isfinite(hz))
        return fallback;
    return std::clamp(hz, SettingsLimits::CarrierMinHz, SettingsLimits::CarrierMaxHz);
}

bool KnownDisplayType(int32_t type)
{
    return type == 1 || type == 2 || type == 4 || type == 5 || type == 6;
}

}  // namespace

const std::array<SettingsFieldInfo, SettingsFieldCount>& SettingsFields()
{
    return Fields;
}

std::array<uint8_t, SettingsFileSize> EncodeSettings(const SettingsRecord& record)
{
    std::array<uint8_t, SettingsFileSize> bytes{};
    ForEachSettingsField(record, [&](const SettingsFieldInfo& info, const auto& member) {
        Encode(bytes.data() + info.Offset, member);
    });
    return bytes;
}

int DecodeSettings(std::span<const uint8_t> bytes, SettingsRecord& into)
{
    int read = 0;
    ForEachSettingsField(into, [&](const SettingsFieldInfo& info, auto& member) {
        if (info.Offset + FieldSize(info.Type) <= bytes.size()) {
            Decode(bytes.data() + info.Offset, member);
            ++read;
        }
    });
    return read;
}

void CopySettingsFields(const SettingsRecord& from, SettingsRecord& to, int first, int last)
{
    // Encode both, splice the byte range of the fields, decode: one layout, no field list twice.
    if (first > last || first > SettingsFieldCount || last < 1)
        return;
    first = std::max(first, 1);
    last = std::min(last, SettingsFieldCount);
    const auto& info = SettingsFields();
    const size_t begin = info[first - 1].Offset;
    const size_t end = info[last - 1].Offset + FieldSize(info[last - 1].Type);
    const auto source = EncodeSettings(from);
    auto target = EncodeSettings(to);
    std::copy(source.begin() + begin, source.begin() + end, target.begin() + begin);
    DecodeSettings(target, to);
}

SettingsRecord ClampSettings(const SettingsRecord& in)
{
    using L = SettingsLimits;
    const SettingsRecord defaults;
    SettingsRecord r = in;
    r.Chan1Enabled = Flag(r.Chan1Enabled);
    r.Chan2Enabled = Flag(r.Chan2Enabled);
    r.DisplayHold = Flag(r.DisplayHold);
    r.Marker1On = Flag(r.Marker1On);
    r.GridOn = Flag(r.GridOn);
    r.FilterMarker1On = Flag(r.FilterMarker1On);

    for (int32_t* track : {&r.Chan1TimeGainSetting, &r.Chan2TimeGainSetting, &r.Chan1TimeGain,
                           &r.Chan2TimeGain, &r.Chan1SpecGain, &r.Chan2SpecGain,
                           &r.Chan1SpecGainSetting, &r.Chan2SpecGainSetting})
        *track = Clamp(*track, L::TrackMin, L::TrackMax);
    for (int32_t* step : {&r.Chan1GainStep, &r.Chan2GainStep, &r.Chan1RawGainStep, &r.Chan2RawGainStep})
        *step = *step == 0 ? L::FirstRunGainStep : Clamp(*step, L::GainStepMin, L::GainStepMax);
    for (int32_t* pos : {&r.Chan1OffsetPos, &r.Chan2OffsetPos, &r.Chan1SpecOffsetPos, &r.Chan2SpecOffsetPos})
        *pos = Clamp(*pos, L::OffsetPosMin, L::OffsetPosMax);
    r.Chan1SpecOffset = Clamp(r.Chan1SpecOffset, 0, L::SpectrumRows);
    r.Chan2SpecOffset = Clamp(r.Chan2SpecOffset, 0, L::SpectrumRows);
    r.Chan1TimeOffset = Clamp(r.Chan1TimeOffset, 0, L::TimeRows);
    r.Chan2TimeOffset = Clamp(r.Chan2TimeOffset, 0, L::TimeRows);
    r.TimeBaseSetting = r.TimeBaseSetting == 0 ? L::FirstRunTimeBase : Clamp(r.TimeBaseSetting, L::TimeBaseMin, L::TimeBaseMax);
    r.FreqScaleSetting =
        r.FreqScaleSetting == 0 ? L::FirstRunFreqScale : Clamp(r.FreqScaleSetting, L::FreqScaleMin, L::FreqScaleMax);

    // Two-way choices: the loader runs the first handler for one value and the second
    // for any other, so the clamped value names the handler that runs.
    r.InputStereo = r.InputStereo == 0 ? 0 : 1;
    r.WindowsOs = r.WindowsOs == 1 ? 1 : 2;
    r.ModulationType = r.ModulationType == 1 ? 1 : 2;

    // An unknown display type would leave the pane blank under a Spectrum check mark.
    if (!KnownDisplayType(r.DisplayType))
        r.DisplayType = defaults.DisplayType;
    // A palette number indexes the palette table; outside it the menu keeps its check.
    if (r.WaterfallPalette < L::PaletteMin || r.WaterfallPalette > L::PaletteMax)
        r.WaterfallPalette = defaults.WaterfallPalette;
    r.Chan1Color &= 0x00FFFFFF;
    r.Chan2Color &= 0x00FFFFFF;

    r.Marker1Pos = Clamp(r.Marker1Pos, 0, L::Marker1Max);
    r.Marker2Pos = Clamp(r.Marker2Pos, 0, L::Marker2Max);
    r.FilterMarker1Pos = Clamp(r.FilterMarker1Pos, 0, L::Marker1Max);
    r.FilterMarker2Pos = Clamp(r.FilterMarker2Pos, 0, L::Marker2Max);

    r.Chan1CarrierHz = Carrier(r.Chan1CarrierHz, defaults.Chan1CarrierHz);
    r.Chan2CarrierHz = Carrier(r.Chan2CarrierHz, defaults.Chan2CarrierHz);
    return r;
}

bool SettingsInRange(const SettingsRecord& r)
{
    return ClampSettings(r) == r && std::isfinite(r.Chan1CarrierHz) && std::isfinite(r.Chan2CarrierHz);
}
