// ZipExtract of one entry compressed with FUZZ_METHOD. The local header is
// built here, so the fuzzer's bytes reach the decoder at once:
//   byte 0-1  general-purpose flags (bit 0, encryption, is cleared)
//   byte 2-5  uncompressed size (only its low 24 bits, to keep outputs small)
//   byte 6-9  expected CRC-32
//   rest      the compressed data; the compressed size is its length
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "vunzip.h"

#ifndef FUZZ_METHOD
#error "FUZZ_METHOD must name the compression method"
#endif

namespace {

void putLe16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    v[at] = static_cast<std::uint8_t>(x);
    v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

void putLe32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    putLe16(v, at, x & 0xFFFF);
    putLe16(v, at + 2, x >> 16);
}

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    if (size < 10)
        return 0;
    const std::uint32_t flags = (data[0] | (data[1] << 8)) & ~1u;
    const std::uint32_t unpacked = le32(data + 2) & 0xFFFFFF;
    const std::uint32_t crc = le32(data + 6);
    const std::size_t packed = size - 10;

    std::vector<std::uint8_t> archive(30, 0);
    putLe32(archive, 0, 0x04034B50);
    putLe16(archive, 6, flags);
    putLe16(archive, 8, FUZZ_METHOD);
    putLe32(archive, 14, crc);
    putLe32(archive, 18, static_cast<std::uint32_t>(packed));
    putLe32(archive, 22, unpacked);
    archive.insert(archive.end(), data + 10, data + size);

    TSpanStream in(archive);
    TMemoryStream out(std::int64_t{64} << 20);
    try {
        (void)ZipExtract(in, out);
    } catch (const EReadError&) {
    }
    return 0;
}
