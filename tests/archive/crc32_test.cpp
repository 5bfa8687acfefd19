#include <gtest/gtest.h>
#include <zlib.h>

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

TEST(Crc32, SixteenBytesAtATimeEqualsTheByteWiseTable)
{
    // Every length from 0 to 100 at every alignment, then long buffers; the
    // register may start anywhere (a CRC is fed window by window).
    const Bytes data = randomBytes(70000, 3);
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (std::size_t n = 0; n <= 100; ++n) {
            const std::uint32_t start = 0xFFFFFFFFu ^ static_cast<std::uint32_t>(n * 2654435761u);
            ASSERT_EQ(Crc32Update(start, data.data() + offset, n),
                      Crc32UpdateBytewise(start, data.data() + offset, n))
                << offset << " " << n;
        }
    }
    for (std::size_t n : {4096u, 32768u, 69993u})
        EXPECT_EQ(Crc32Update(0xFFFFFFFFu, data.data() + 7, n),
                  Crc32UpdateBytewise(0xFFFFFFFFu, data.data() + 7, n));
    // And both agree with zlib's.
    EXPECT_EQ(Crc32(data.data(), data.size()),
              static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
}
