#include "app/settings/SettingsRecord.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>

#include "acquisition/AcquisitionState.h"
#include "app/display/DisplaySettings.h"
#include "dsp/ProcessingState.h"

namespace {

template <typename Home>
Home& In(const SettingsHome& h)
{
    if constexpr (std::is_same_v<Home, DisplaySettings>)
        return h.Display;
    else if constexpr (std::is_same_v<Home, ProcessingState>)
        return h.Processing;
    else if constexpr (std::is_same_v<Home, AcquisitionState>)
        return h.Acquisition;
    else
        return h.Options;
}

// A flag byte lives as a bool; every other value has its own type in both places.
template <typename Stored, typename Held>
Stored ToRecord(Held value)
{
    if constexpr (std::is_same_v<Held, bool>) {
        static_assert(std::is_same_v<Stored, uint8_t>, "a bool is stored as a flag byte");
        return value ? 1 : 0;
    } else {
        static_assert(std::is_same_v<Stored, Held>, "a field's home holds its record type");
        return value;
    }
}

template <typename Held, typename Stored>
Held FromRecord(Stored value)
{
    if constexpr (std::is_same_v<Held, bool>)
        return value == 1;
    else
        return value;
}

template <typename T>
constexpr SettingsFieldType TypeOf()
{
    static_assert(std::is_same_v<T, uint8_t> || std::is_same_v<T, int32_t> || std::is_same_v<T, float>);
    return std::is_same_v<T, uint8_t> ? SettingsFieldType::U8
                                      : std::is_same_v<T, int32_t> ? SettingsFieldType::I32 : SettingsFieldType::F32;
}

#define VELQUOR_SETTINGS_ROW(name, offset, type, home, def, firstRun, rule, low, high)                     \
    SettingsField{0,                                                                                        \
                  offset,                                                                                   \
                  TypeOf<type>(),                                                                           \
                  #name,                                                                                    \
                  &SettingsRecord::name,                                                                    \
                  double(def),                                                                              \
                  double(firstRun),                                                                         \
                  SettingsRule::rule,                                                                       \
                  double(low),                                                                              \
                  double(high),                                                                             \
                  [](const SettingsHome& h, SettingsRecord& r) { r.name = ToRecord<type>(In<home>(h).name); }, \
                  [](const SettingsRecord& r, const SettingsHome& h) {                                     \
                      In<home>(h).name = FromRecord<decltype(In<home>(h).name)>(r.name);                   \
                  }},

constexpr std::array<SettingsField, SettingsFieldCount> Numbered(std::array<SettingsField, SettingsFieldCount> rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].Number = static_cast<int>(i) + 1;
    return rows;
}

constexpr std::array<SettingsField, SettingsFieldCount> Fields = Numbered({{VELQUOR_SETTINGS_FIELDS(VELQUOR_SETTINGS_ROW)}});
#undef VELQUOR_SETTINGS_ROW

// Each field starts where the one before it ends, and the last ends at the record's size,
// so a row moved or given the wrong type cannot pass.
constexpr bool LayoutIsContiguous()
{
    size_t next = 0;
    for (const SettingsField& f : Fields) {
        if (f.Offset != next)
            return false;
        next += f.Type == SettingsFieldType::U8 ? 1 : 4;
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

bool KnownDisplayType(double type)
{
    return type == 1 || type == 2 || type == 4 || type == 5 || type == 6;
}

double Held(const SettingsField& f, double v)
{
    switch (f.Rule) {
    case SettingsRule::Kept:
        return v;
    case SettingsRule::Flag:
        return v == 1 ? 1 : 0;
    case SettingsRule::Clamp:
        return std::isfinite(v) ? std::clamp(v, f.Low, f.High) : f.Default;
    case SettingsRule::ClampOrFirstRun:
        return v == 0 ? f.FirstRun : std::clamp(v, f.Low, f.High);
    case SettingsRule::Either:
        return v == f.Low ? f.Low : f.High;
    case SettingsRule::InsideOrDefault:
        return v >= f.Low && v <= f.High ? v : f.Default;
    case SettingsRule::KnownType:
        return KnownDisplayType(v) ? v : f.Default;
    case SettingsRule::Colour:
        return static_cast<int32_t>(v) & 0x00FFFFFF;
    }
    return v;
}

}  // namespace

const std::array<SettingsField, SettingsFieldCount>& SettingsFields()
{
    return Fields;
}

SettingsRecord FirstRunSettings()
{
    SettingsRecord r;
    for (const SettingsField& f : Fields)
        f.Set(r, f.FirstRun);
    return r;
}

std::array<uint8_t, SettingsFileSize> EncodeSettings(const SettingsRecord& record)
{
    std::array<uint8_t, SettingsFileSize> bytes{};
    for (const SettingsField& f : Fields)
        std::visit([&](auto member) { Encode(bytes.data() + f.Offset, record.*member); }, f.Member);
    return bytes;
}

int DecodeSettings(std::span<const uint8_t> bytes, SettingsRecord& into)
{
    int read = 0;
    for (const SettingsField& f : Fields) {
        if (f.Offset + FieldSize(f.Type) <= bytes.size()) {
            std::visit([&](auto member) { Decode(bytes.data() + f.Offset, into.*member); }, f.Member);
            ++read;
        }
    }
    return read;
}

SettingsRecord SettingsFromBytes(std::span<const uint8_t> bytes)
{
    SettingsRecord r = FirstRunSettings();
    DecodeSettings(bytes, r);
    return r;
}

void CopySettingsFields(const SettingsRecord& from, SettingsRecord& to, int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, SettingsFieldCount);
    for (int number = first; number <= last; ++number) {
        std::visit([&](auto member) { to.*member = from.*member; }, Fields[size_t(number - 1)].Member);
    }
}

SettingsRecord ClampSettings(const SettingsRecord& in)
{
    SettingsRecord r = in;
    for (const SettingsField& f : Fields)
        f.Set(r, Held(f, f.Get(in)));
    return r;
}

SettingsRecord CaptureSettings(const SettingsHome& from)
{
    SettingsRecord r;
    for (const SettingsField& f : Fields)
        f.Capture(from, r);
    return r;
}

void StoreSettings(const SettingsRecord& record, const SettingsHome& into)
{
    for (const SettingsField& f : Fields)
        f.Store(record, into);
}
