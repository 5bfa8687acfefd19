#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "archive_test_support.h"
#include "stream.h"

using namespace nubra;

TEST(SpanStream, CountingReadStopsAtTheEnd)
{
    const std::array<std::uint8_t, 5> bytes{1, 2, 3, 4, 5};
    TSpanStream s(bytes);
    std::array<std::uint8_t, 8> buf{};
    s.Seek(3);
    EXPECT_EQ(s.Read(buf.data(), 8), 2);
    EXPECT_EQ(buf[0], 4);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Read(buf.data(), 8), 0);
    EXPECT_EQ(s.Write(buf.data(), 1), 0) << "read-only";
}

TEST(SpanStream, ReadsOutsideTheStreamFindNothing)
{
    const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    TSpanStream s(bytes);
    std::uint8_t b = 0;
    s.Seek(-1);
    EXPECT_EQ(s.Read(&b, 1), 0);
    EXPECT_THROW(s.ReadBuffer(&b, 1), EReadError);
    s.Seek(100);
    EXPECT_EQ(s.Read(&b, 1), 0);
}

TEST(Stream, ReadExactlyRaisesTheStreamReadError)
{
    const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    TSpanStream s(bytes);
    std::array<std::uint8_t, 4> buf{};
    try {
        s.ReadBuffer(buf.data(), 4);
        FAIL() << "no error raised";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Erreur de lecture du flux");
    }
    s.Seek(0);
    EXPECT_NO_THROW(s.ReadBuffer(buf.data(), 3));
}

TEST(MemoryStream, GrowsOverwritesAndEmpties)
{
    TMemoryStream m;
    const std::array<std::uint8_t, 3> abc{'a', 'b', 'c'};
    EXPECT_EQ(m.Write(abc.data(), 3), 3);
    m.Seek(1);
    EXPECT_EQ(m.Write(abc.data(), 3), 3);
    EXPECT_EQ(m.Size(), 4);
    EXPECT_EQ(std::vector<std::uint8_t>(m.Bytes().begin(), m.Bytes().end()),
              (std::vector<std::uint8_t>{'a', 'a', 'b', 'c'}));
    // Wholly inside: nothing grows.
    m.Seek(0);
    EXPECT_EQ(m.Write(abc.data() + 2, 1), 1);
    EXPECT_EQ(m.Size(), 4);
    // Past the end: the gap reads as zeros.
    m.Seek(6);
    EXPECT_EQ(m.Write(abc.data(), 2), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(m.Bytes().begin(), m.Bytes().end()),
              (std::vector<std::uint8_t>{'c', 'a', 'b', 'c', 0, 0, 'a', 'b'}));
    EXPECT_EQ(m.Position(), 8);
    m.Clear();
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    m.Seek(-5);
    EXPECT_EQ(m.Write(abc.data(), 3), 0);
}

TEST(MemoryStream, TakeBytesHandsTheBufferOverAndEmpties)
{
    TMemoryStream m;
    const std::array<std::uint8_t, 3> abc{'a', 'b', 'c'};
    m.Write(abc.data(), 3);
    const std::uint8_t* buffer = m.Memory();
    const std::vector<std::uint8_t> taken = m.TakeBytes();
    EXPECT_EQ(taken.data(), buffer) << "moved, not copied";
    EXPECT_EQ(taken, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    EXPECT_EQ(m.Write(abc.data() + 2, 1), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(m.Bytes().begin(), m.Bytes().end()), std::vector<std::uint8_t>{'c'});
}

TEST(MemoryStream, RefusesToGrowPastItsLimit)
{
    TMemoryStream m(4);
    const std::array<std::uint8_t, 6> bytes{};
    EXPECT_EQ(m.Write(bytes.data(), 6), 4);
    EXPECT_EQ(m.Write(bytes.data(), 1), 0);
    EXPECT_EQ(m.Size(), 4);
}

TEST(MemoryStream, ExpectMakesRoomWithinTheLimitOnly)
{
    TMemoryStream m(10);
    m.Expect(std::int64_t{1} << 40); // beyond the limit: must not try to allocate it
    EXPECT_EQ(m.Size(), 0) << "room is not content";
    const std::array<std::uint8_t, 12> bytes{};
    EXPECT_EQ(m.Write(bytes.data(), 12), 10);
    m.Seek(-3);
    m.Expect(5);
    EXPECT_EQ(m.Size(), 10);
}

namespace {

// A scratch file removed when the test ends.
struct ScratchFile {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("nubra_stream_test_" + std::to_string(::getpid()));
    ~ScratchFile() { std::filesystem::remove(path); }
};

} // namespace

// The file stream's buffer must be invisible: every read answers as a
// stream over the same bytes in memory does, across buffer boundaries,
// backwards, past the end, and larger than the buffer.
TEST(FileStream, ReadsAnswerAsTheBytesInMemory)
{
    const ScratchFile file;
    const std::vector<std::uint8_t> bytes = nubra::test::randomBytes(3 * TFileStream::kBufferSize + 123, 7);
    {
        std::ofstream f(file.path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TFileStream disk(file.path.string(), TFileStream::Mode::Read);
    TSpanStream memory(bytes);
    EXPECT_EQ(disk.Size(), memory.Size());
    const std::int64_t size = memory.Size();
    std::mt19937 rng(3);
    std::vector<std::uint8_t> a(200000), b(200000);
    for (int i = 0; i < 3000; ++i) {
        // Mostly the archive reader's way (4,096 bytes on from where the
        // last read ended), with jumps, small and huge reads between.
        std::int64_t at = disk.Position();
        std::int32_t count = 4096;
        switch (rng() % 8) {
        case 0: at = static_cast<std::int64_t>(rng() % static_cast<std::uint32_t>(size + 100)) - 50; break;
        case 1: count = static_cast<std::int32_t>(rng() % 200000); break;
        case 2: count = static_cast<std::int32_t>(rng() % 30); break;
        case 3: at = size - static_cast<std::int64_t>(rng() % 5000); break;
        default: break;
        }
        if (at >= size && rng() % 2)
            at = 0;
        disk.Seek(at);
        memory.Seek(at);
        const std::int32_t n = disk.Read(a.data(), count);
        ASSERT_EQ(n, memory.Read(b.data(), count)) << "read " << count << " at " << at;
        ASSERT_TRUE(std::equal(a.begin(), a.begin() + n, b.begin())) << "read " << count << " at " << at;
        ASSERT_EQ(disk.Position(), memory.Position());
    }
}

TEST(FileStream, CreatedFilesTakeWritesAtThePosition)
{
    const ScratchFile file;
    {
        TFileStream out(file.path.string(), TFileStream::Mode::Create);
        std::uint8_t b = 0;
        EXPECT_EQ(out.Read(&b, 1), 0) << "a created file is not read";
        EXPECT_EQ(out.Write("abcdef", 6), 6);
        out.Seek(2);
        EXPECT_EQ(out.Write("XY", 2), 2);
        EXPECT_EQ(out.Position(), 4);
        EXPECT_EQ(out.Size(), 6);
        out.Seek(-1);
        EXPECT_EQ(out.Write("Z", 1), 0);
    }
    TFileStream in(file.path.string(), TFileStream::Mode::Read);
    std::array<char, 8> text{};
    EXPECT_EQ(in.Read(text.data(), 8), 6);
    EXPECT_STREQ(text.data(), "abXYef");
    in.Seek(0);
    EXPECT_EQ(in.Write("Q", 1), 0) << "a file opened for reading takes no writes";
    EXPECT_THROW(TFileStream((file.path / "absent").string(), TFileStream::Mode::Read), std::runtime_error);
}
