#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

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

TEST(MemoryStream, RefusesToGrowPastItsLimit)
{
    TMemoryStream m(4);
    const std::array<std::uint8_t, 6> bytes{};
    EXPECT_EQ(m.Write(bytes.data(), 6), 4);
    EXPECT_EQ(m.Write(bytes.data(), 1), 0);
    EXPECT_EQ(m.Size(), 4);
}
