// WAVE reader and writer: the Open Wave checks in their order, the chunk walk to the sample
// data, the header as written and its sizes while recording.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "RecorderHelpers.h"
#include "acquisition/WaveFile.h"

namespace {

WaveFileFormat Mono()
{
    return WaveFileFormat{};
}

struct Refusal {
    std::string Text;
    std::string Caption;
};

Refusal OpenRefusal(const Bytes& file, const WaveFileFormat& expected = Mono())
{
    const std::string path = TempPath("refused.wav");
    WriteBytes(path, file);
    WaveReader reader;
    WaveMessage m;
    const bool opened = reader.Open(path, expected, m);
    EXPECT_EQ(opened, reader.IsOpen());
    if (opened) return {"opened", ""};
    return {m.Text, m.Caption};
}

}  // namespace

TEST(WaveReader, RefusesBadFilesWithTheirMessagesInOrder)
{
    WaveReader reader;
    WaveMessage m;
    EXPECT_FALSE(reader.Open(TempPath("missing.wav"), Mono(), m));
    EXPECT_EQ(m.Text, "Could not open the file");
    EXPECT_EQ(m.Caption, "File Open Error Message");

    const Bytes good = SimpleWave(Pattern(100));
    Bytes notRiff = good;
    notRiff[3] = 'X';
    Bytes notWave = good;
    notWave[11] = 'X';
    Bytes badFmt = good;
    badFmt[14] = 'X';
    const auto check = [](const Refusal& r, const char* text, const char* caption) {
        EXPECT_EQ(r.Text, text);
        EXPECT_EQ(r.Caption, caption);
    };
    check(OpenRefusal(notRiff), "Not a RIFF file", "File Error Message");
    check(OpenRefusal(Bytes{'R', 'I'}), "Not a RIFF file", "File Error Message");
    check(OpenRefusal(Bytes{}), "Not a RIFF file", "File Error Message");
    check(OpenRefusal(notWave), "Not a WAVE file", "File Error Message");
    // A RIFF check comes before the WAVE check: a file failing both names the first.
    Bytes both = notWave;
    both[0] = 'X';
    check(OpenRefusal(both), "Not a RIFF file", "File Error Message");
    check(OpenRefusal(badFmt), "fmt incorrect", "File Error Message");

    Bytes dataFirst;
    AppendChunk(dataFirst, "data", Pattern(10));
    AppendChunk(dataFirst, "fmt ", FmtBody(1));
    check(OpenRefusal(Riff(dataFirst)), "fmt incorrect", "File Error Message");
    Bytes shortFmt;
    AppendChunk(shortFmt, "fmt ", Bytes(12, 0));
    AppendChunk(shortFmt, "data", Pattern(10));
    check(OpenRefusal(Riff(shortFmt)), "fmt incorrect", "File Error Message");

    Bytes noData;
    AppendChunk(noData, "fmt ", FmtBody(1));
    AppendChunk(noData, "LIST", Pattern(30));
    check(OpenRefusal(Riff(noData)), "No data chunk in the file", "File Error Message");
    // A chunk size that runs past the end of the file finds no data either.
    Bytes runaway;
    AppendChunk(runaway, "fmt ", FmtBody(1));
    AppendText(runaway, "junk");
    Append32(runaway, 0x7FFFFFF0);
    check(OpenRefusal(Riff(runaway)), "No data chunk in the file", "File Error Message");

    check(OpenRefusal(SimpleWave(Pattern(100), 1, 22050)), "Wave parameters not compatible", "File Open Error Message");
    check(OpenRefusal(SimpleWave(Pattern(100), 2)), "Wave parameters not compatible", "File Open Error Message");
    Bytes eightBit;
    AppendChunk(eightBit, "fmt ", FmtBody(1, 44100, 8));
    AppendChunk(eightBit, "data", Pattern(100));
    check(OpenRefusal(Riff(eightBit)), "Wave parameters not compatible", "File Open Error Message");
    Bytes compressed;
    AppendChunk(compressed, "fmt ", FmtBody(1, 44100, 16, 16, 2));
    AppendChunk(compressed, "data", Pattern(100));
    check(OpenRefusal(Riff(compressed)), "Wave parameters not compatible", "File Open Error Message");

    // Line mode takes the stereo file and refuses the mono one.
    WaveFileFormat stereo;
    stereo.Channels = 2;
    stereo.BlockAlign = 4;
    stereo.ByteRate = 176400;
    check(OpenRefusal(SimpleWave(Pattern(100), 2), stereo), "opened", "");
    check(OpenRefusal(SimpleWave(Pattern(100), 1), stereo), "Wave parameters not compatible", "File Open Error Message");
}

TEST(WaveReader, WalksTheChunksToTheSampleData)
{
    const auto openAt = [](const Bytes& file, int64_t& offset, Bytes& data) {
        const std::string path = TempPath("walk.wav");
        WriteBytes(path, file);
        WaveReader reader;
        WaveMessage m;
        if (!reader.Open(path, Mono(), m)) return false;
        offset = reader.DataOffset();
        data.assign(static_cast<size_t>(reader.DataBytes()) + 100, 0xEE);
        const size_t got = reader.Read(data.data(), data.size());
        data.resize(got);
        return reader.Read(data.data(), 1) == 0;
    };
    const Bytes samples = Pattern(1000, 3);
    int64_t offset = 0;
    Bytes data;

    // 16-byte format chunk: the samples follow the 44-byte header.
    ASSERT_TRUE(openAt(SimpleWave(samples), offset, data));
    EXPECT_EQ(offset, 44);
    EXPECT_EQ(data, samples);

    // 18-byte format chunk and a fact chunk: the samples start at 58.
    Bytes withFact;
    AppendChunk(withFact, "fmt ", FmtBody(1, 44100, 16, 18));
    AppendChunk(withFact, "fact", Bytes{1, 2, 3, 4});
    AppendChunk(withFact, "data", samples);
    ASSERT_TRUE(openAt(Riff(withFact), offset, data));
    EXPECT_EQ(offset, 58);
    EXPECT_EQ(data, samples);

    // As ffmpeg writes them: a LIST chunk between format and data, and odd-sized chunks
    // with their pad bytes; a chunk in front of the format chunk; a trailing chunk after
    // the data is not played as sound.
    Bytes others;
    AppendChunk(others, "JUNK", Pattern(28));
    AppendChunk(others, "fmt ", FmtBody(1, 44100, 16, 17));
    AppendChunk(others, "LIST", Pattern(27));
    AppendChunk(others, "odd ", Pattern(1));
    AppendChunk(others, "data", samples);
    AppendChunk(others, "LIST", Pattern(40, 9));
    ASSERT_TRUE(openAt(Riff(others), offset, data));
    EXPECT_EQ(offset, 12 + 36 + 26 + 36 + 10 + 8);
    EXPECT_EQ(data, samples);

    // WAVE_FORMAT_EXTENSIBLE with 16-bit PCM plays.
    Bytes extensible;
    AppendChunk(extensible, "fmt ", FmtBody(1, 44100, 16, 40, 0xFFFE));
    AppendChunk(extensible, "data", samples);
    ASSERT_TRUE(openAt(Riff(extensible), offset, data));
    EXPECT_EQ(data, samples);

    // A data size beyond the end of the file plays to the end of the file.
    Bytes truncated = SimpleWave(samples);
    truncated[40] = 0xFF;
    truncated[41] = 0xFF;
    truncated[42] = 0xFF;
    truncated[43] = 0x7F;
    {
        const std::string path = TempPath("long.wav");
        WriteBytes(path, truncated);
        WaveReader reader;
        WaveMessage m;
        ASSERT_TRUE(reader.Open(path, Mono(), m));
        EXPECT_EQ(reader.DeclaredDataBytes(), 0x7FFFFFFF);
        EXPECT_EQ(reader.DataBytes(), 1000);
    }
    ASSERT_TRUE(openAt(truncated, offset, data));
    EXPECT_EQ(data, samples);
}

TEST(WaveWriter, HeaderSizesWhileRecordingAndOnFinish)
{
    WaveFileFormat stereo;
    stereo.Channels = 2;
    stereo.BlockAlign = 4;
    stereo.ByteRate = 176400;
    const std::string path = TempPath("out.wav");
    WaveWriter writer;
    writer.PatchInterval = std::chrono::hours(1);
    ASSERT_TRUE(writer.Create(path, stereo));
    Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u);
    uint8_t expected[44];
    BuildWaveHeader(expected, stereo, 0);
    EXPECT_EQ(Bytes(expected, expected + 44), file);
    EXPECT_EQ(Le32At(file, 4), 36u);
    EXPECT_EQ(Le32At(file, 16), 16u);
    EXPECT_EQ(Le32At(file, 24), 44100u);
    EXPECT_EQ(Le32At(file, 28), 176400u);
    EXPECT_EQ(file[22], 2);
    EXPECT_EQ(file[32], 4);
    EXPECT_EQ(file[34], 16);

    // Not yet due (an hour of sound between patches): the sizes still say 0 after a write.
    const Bytes block = Pattern(16384, 5);
    EXPECT_EQ(writer.Write(block.data(), block.size()), block.size());
    EXPECT_EQ(Le32At(ReadBytes(path), 40), 0u);

    // Due (30 ms of sound, less than the 93 ms written since the last patch): the next write
    // patches both sizes to everything written so far, and the file holds that much data
    // (what a killed program leaves behind).
    writer.PatchInterval = std::chrono::milliseconds(30);
    EXPECT_EQ(writer.Write(block.data(), block.size()), block.size());
    file = ReadBytes(path);
    EXPECT_EQ(Le32At(file, 40), 2u * 16384);
    EXPECT_EQ(Le32At(file, 4), 2u * 16384 + 36);
    ASSERT_GE(file.size(), 44u + 2 * 16384);
    EXPECT_EQ(Bytes(file.begin() + 44 + 16384, file.begin() + 44 + 2 * 16384), block);

    // A crash after more writes: the file still reads back as the patched length.
    writer.PatchInterval = std::chrono::hours(1);
    writer.Write(block.data(), 100);
    writer.Abandon();
    WaveReader reader;
    WaveMessage m;
    ASSERT_TRUE(reader.Open(path, stereo, m)) << m.Text;
    EXPECT_EQ(reader.DataBytes(), 2 * 16384);

    // Finish patches the rest.
    ASSERT_TRUE(writer.Create(path, stereo));
    writer.Write(block.data(), 1000);
    EXPECT_TRUE(writer.Finish());
    file = ReadBytes(path);
    EXPECT_EQ(file.size(), 1044u);
    EXPECT_EQ(Le32At(file, 4), 1036u);
    EXPECT_EQ(Le32At(file, 40), 1000u);
    EXPECT_FALSE(writer.IsOpen());
}

TEST(WaveFile, NamesOfAnyLength)
{
    // A path far longer than 255 characters, through folders of 100-character names.
    std::string dir = ::testing::TempDir() + "velquor_long";
    ::mkdir(dir.c_str(), 0700);
    for (int i = 0; i < 4; ++i) {
        dir += "/" + std::string(100, static_cast<char>('a' + i));
        ::mkdir(dir.c_str(), 0700);
    }
    const std::string path = dir + "/" + std::string(200, 'w') + ".wav";
    ASSERT_GT(path.size(), 600u);
    WaveWriter writer;
    ASSERT_TRUE(writer.Create(path, Mono()));
    const Bytes block = Pattern(8192);
    writer.Write(block.data(), block.size());
    ASSERT_TRUE(writer.Finish());
    WaveReader reader;
    WaveMessage m;
    ASSERT_TRUE(reader.Open(path, Mono(), m)) << m.Text;
    EXPECT_EQ(reader.DataBytes(), 8192);
    std::remove(path.c_str());

    // A name the system cannot take at all is a plain open failure.
    const std::string impossible = ::testing::TempDir() + std::string(5000, 'x') + ".wav";
    EXPECT_FALSE(writer.Create(impossible, Mono()));
    EXPECT_FALSE(reader.Open(impossible, Mono(), m));
    EXPECT_EQ(m.Text, "Could not open the file");
}

namespace {

// Opens `path` for reading and returns the refusal, timing the attempt. A FIFO gets a writer
// after two seconds, so a reader that waits for one cannot hang the test.
struct TimedRefusal {
    bool Opened = false;
    WaveMessage Message;
    double Seconds = 0.0;
};

TimedRefusal TimedOpen(const std::string& path)
{
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    const char junk[8] = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
                    (void)!::write(fd, junk, sizeof junk);
                    ::close(fd);
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    TimedRefusal r;
    const auto start = std::chrono::steady_clock::now();
    WaveReader reader;
    r.Opened = reader.Open(path, WaveFileFormat{}, r.Message);
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    writer.join();
    return r;
}

}  // namespace

// Only a regular file can be a recording: a FIFO, a directory or a device is refused at once
// with the open's message, and the reason goes along for the tools to print.
TEST(WaveReader, RefusesSpecialFilesAtOnceAndSaysWhy)
{
    const std::string fifo = TempPath("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const TimedRefusal f = TimedOpen(fifo);
    EXPECT_FALSE(f.Opened);
    EXPECT_LT(f.Seconds, 1.0) << "the reader waited for a writer";
    EXPECT_EQ(f.Message.Text, "Could not open the file");
    EXPECT_EQ(f.Message.Caption, "File Open Error Message");
    EXPECT_NE(f.Message.Detail.find("not a regular file"), std::string::npos) << f.Message.Detail;
    std::remove(fifo.c_str());

    const TimedRefusal dir = TimedOpen(::testing::TempDir());
    EXPECT_FALSE(dir.Opened);
    EXPECT_EQ(dir.Message.Text, "Could not open the file");
    EXPECT_NE(dir.Message.Detail.find("is a directory"), std::string::npos) << dir.Message.Detail;

    const TimedRefusal device = TimedOpen("/dev/zero");
    EXPECT_FALSE(device.Opened);
    EXPECT_LT(device.Seconds, 1.0);
    EXPECT_NE(device.Message.Detail.find("not a regular file"), std::string::npos) << device.Message.Detail;

    const TimedRefusal missing = TimedOpen(TempPath("missing.wav"));
    EXPECT_EQ(missing.Message.Text, "Could not open the file");
    EXPECT_EQ(missing.Message.Detail, std::strerror(ENOENT));
}

// The refusal of an incompatible file says what was found against what is needed.
TEST(WaveReader, IncompatibleFormatNamesWhatWasFoundAndWhatIsNeeded)
{
    const std::string path = TempPath("slow.wav");
    WriteBytes(path, SimpleWave(Pattern(100), 2, 22050));
    WaveReader reader;
    WaveMessage m;
    ASSERT_FALSE(reader.Open(path, WaveFileFormat{}, m));
    EXPECT_EQ(m.Text, "Wave parameters not compatible");
    EXPECT_EQ(m.Detail, "found 22050 Hz, 16-bit PCM, 2 channels; needed 44100 Hz, 16-bit PCM, 1 channel");
}

// WAVE_FORMAT_EXTENSIBLE is only as good as its sub-format: 16-bit PCM plays, a float
// sub-format (or a truncated extension) is refused like any other incompatible format.
TEST(WaveReader, ExtensibleFormatMustCarryPcm)
{
    const Bytes samples = Pattern(200);
    auto file = [&](uint32_t size, uint16_t subFormat) {
        Bytes chunks;
        AppendChunk(chunks, "fmt ", FmtBody(1, 44100, 16, size, 0xFFFE, subFormat));
        AppendChunk(chunks, "data", samples);
        return Riff(chunks);
    };
    EXPECT_EQ(OpenRefusal(file(40, 1)).Text, "opened");
    EXPECT_EQ(OpenRefusal(file(40, 3)).Text, "Wave parameters not compatible");
    EXPECT_EQ(OpenRefusal(file(18, 1)).Text, "Wave parameters not compatible");
    EXPECT_EQ(OpenRefusal(file(40, 0)).Text, "Wave parameters not compatible");
}
