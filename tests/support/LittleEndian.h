#pragma once
// Little-endian fields of byte buffers (WAVE headers, sample data), read and appended.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velquor_test {

inline uint16_t Le16At(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

inline uint32_t Le32At(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// The four characters at `at` (a chunk identifier).
inline std::string TagAt(const std::vector<uint8_t>& b, size_t at)
{
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

inline void Append16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Append32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void AppendText(std::vector<uint8_t>& b, const char* text)
{
    for (const char* p = text; *p; ++p) b.push_back(static_cast<uint8_t>(*p));
}

// 16-bit samples of a byte buffer.
inline std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

}  // namespace velquor_test
