#include "crc32.h"

namespace nubra {

namespace {

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

} // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    const auto& t = kCrc32Tables;
    // Fold sixteen bytes per step: the register xor the first four bytes
    // gives four indices into the tables for "byte followed by 15..12 zero
    // bytes", the next twelve bytes index the tables for 11..0 zero bytes.
    while (n >= 16) {
        const std::uint32_t a = crc ^ le32(p);
        const std::uint32_t b = le32(p + 4);
        const std::uint32_t c = le32(p + 8);
        const std::uint32_t d = le32(p + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        n -= 16;
    }
    return Crc32UpdateBytewise(crc, p, n);
}

} // namespace nubra
