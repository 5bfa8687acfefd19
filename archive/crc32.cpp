#include "crc32.h"

namespace nubra {

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    const auto& t = kCrc32Tables;
    // Fold eight bytes per step: the register xor the first four bytes gives
    // four indices into the tables for "byte followed by 7..4 zero bytes",
    // the next four bytes index the tables for 3..0 zero bytes.
    while (n >= 8) {
        const std::uint32_t lo = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                        std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    return Crc32UpdateBytewise(crc, p, n);
}

} // namespace nubra
