#pragma once
// Test scaffolding for the recorder, the loop and velquor-trace: WAVE files built byte by
// byte, dialogs and an hour counter that tests answer, and a host that reports each pass.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "acquisition/AcquisitionHost.h"
#include "acquisition/Recorder.h"
#include "LittleEndian.h"
#include "TestPaths.h"

using Bytes = std::vector<uint8_t>;
using velquor_test::Append16;
using velquor_test::Append32;
using velquor_test::AppendText;
using velquor_test::Le32At;
using velquor_test::ReadBytes;
using velquor_test::TempPath;
using velquor_test::WriteBytes;

inline void AppendChunk(Bytes& b, const char* id, const Bytes& body)
{
    AppendText(b, id);
    Append32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);   // pad byte
}

// A fmt chunk body of `size` (16 or more) bytes. An extensible one (tag 0xFFFE, size 40 or
// more) carries its sub-format code (1 PCM, 3 float) in the standard GUID.
inline Bytes FmtBody(uint16_t channels, uint32_t rate = 44100, uint16_t bits = 16, uint32_t size = 16, uint16_t tag = 1,
                     uint16_t subFormat = 1)
{
    Bytes f;
    Append16(f, tag);
    Append16(f, channels);
    Append32(f, rate);
    Append32(f, rate * channels * bits / 8);
    Append16(f, static_cast<uint16_t>(channels * bits / 8));
    Append16(f, bits);
    if (tag == 0xFFFE && size >= 40) {
        Append16(f, 22);
        Append16(f, bits);
        Append32(f, channels == 1 ? 0x4 : 0x3);
        Append16(f, subFormat);
        for (uint8_t b : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) f.push_back(b);
    }
    while (f.size() < size) f.push_back(0);
    return f;
}

// RIFF/WAVE around the given chunks (RIFF size filled in).
inline Bytes Riff(const Bytes& chunks)
{
    Bytes b;
    AppendText(b, "RIFF");
    Append32(b, static_cast<uint32_t>(chunks.size() + 4));
    AppendText(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

// Samples with a recognisable pattern: byte i of the data is (i * 7 + seed) & 0xFF.
inline Bytes Pattern(size_t bytes, int seed = 0)
{
    Bytes d(bytes);
    for (size_t i = 0; i < bytes; ++i) d[i] = static_cast<uint8_t>(i * 7 + seed);
    return d;
}

// Plain 44-byte-header mono file.
inline Bytes SimpleWave(const Bytes& data, uint16_t channels = 1, uint32_t rate = 44100)
{
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FmtBody(channels, rate));
    AppendChunk(chunks, "data", data);
    return Riff(chunks);
}

// Dialogs answered from queues; an empty queue (or an empty answer) cancels.
class ScriptedDialogs : public FileDialogs {
public:
    std::deque<std::string> OpenAnswers;
    std::deque<std::string> SaveAnswers;
    int OpenCalls = 0;
    int SaveCalls = 0;

    bool OpenWave(std::string& name) override { return Answer(OpenAnswers, name, OpenCalls); }
    bool SaveWave(std::string& name) override { return Answer(SaveAnswers, name, SaveCalls); }

private:
    static bool Answer(std::deque<std::string>& answers, std::string& name, int& calls)
    {
        ++calls;
        if (answers.empty()) return false;
        name = answers.front();
        answers.pop_front();
        return !name.empty();
    }
};

// The recorder panel's counter: its calls as a log ("count on", "count off", "reset").
class CounterLog : public HourCounterHooks {
public:
    std::vector<std::string> Calls;
    bool Counting = false;
    void SetCount(bool counting) override
    {
        Counting = counting;
        Calls.push_back(counting ? "count on" : "count off");
    }
    void ResetTime() override { Calls.push_back("reset"); }
};

// A headless host that also reports the end of every capture wait (the loop disables the
// time-out timer once per pass, right after the wait). The time-out timer's own handler
// disables it too; whoever connects the handler marks it with InTimeOutHandler.
class PassHost : public HeadlessHost {
public:
    std::function<void()> OnPass;
    int PassEnds = 0;
    bool InTimeOutHandler = false;
    void SetTimeOutTimer(bool enabled) override
    {
        HeadlessHost::SetTimeOutTimer(enabled);
        if (!enabled && !InTimeOutHandler) {
            ++PassEnds;
            if (OnPass) OnPass();
        }
    }
};
