#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "archive_test_support.h"
#include "crc32.h"

using namespace nubra;
using namespace nubra::test;

TEST(Crc32, KnownValues)
{
    const struct {
        const char* text;
        std::uint32_t crc;
    } rows[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& row : rows) {
        const Bytes b = toBytes(row.text);
        EXPECT_EQ(Crc32(b.data(), b.size()), row.crc) << row.text;
    }
}

TEST(Crc32, BothFastWaysEqualTheByteWiseTable)
{
    // Every length from 0 to 300 at every alignment (the carry-less fold
    // takes 64 bytes and more, in 64- and 16-byte steps, the tables the
    // rest), then long buffers; the register may start anywhere (a CRC is
    // fed window by window).
    const Bytes data = randomBytes(70000, 3);
    for (std::size_t offset = 0; offset < 16; ++offset) {
        for (std::size_t n = 0; n <= 300; ++n) {
            const std::uint32_t start = 0xFFFFFFFFu ^ static_cast<std::uint32_t>(n * 2654435761u);
            const std::uint32_t expected = Crc32UpdateBytewise(start, data.data() + offset, n);
            ASSERT_EQ(Crc32Update(start, data.data() + offset, n), expected) << offset << " " << n;
            ASSERT_EQ(Crc32UpdateSliced(start, data.data() + offset, n), expected) << offset << " " << n;
        }
    }
    for (std::size_t n : {4096u, 32768u, 69993u}) {
        const std::uint32_t expected = Crc32UpdateBytewise(0xFFFFFFFFu, data.data() + 7, n);
        EXPECT_EQ(Crc32Update(0xFFFFFFFFu, data.data() + 7, n), expected);
        EXPECT_EQ(Crc32UpdateSliced(0xFFFFFFFFu, data.data() + 7, n), expected);
    }
    // Runs of one byte value, where a wrong fold constant shows at once.
    for (const std::uint8_t value : {0x00, 0xFF, 0x80}) {
        const Bytes run(1000, value);
        EXPECT_EQ(Crc32Update(0u, run.data(), run.size()), Crc32UpdateBytewise(0u, run.data(), run.size()));
    }
    // And all agree with zlib's.
    EXPECT_EQ(Crc32(data.data(), data.size()),
              static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
    if (!Crc32HasCarrylessMultiply())
        std::printf("note: no carry-less multiply on this processor; Crc32Update took the tables only\n");
}
