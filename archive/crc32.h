// CRC-32 of the ZIP format (ISO-HDLC): reflected polynomial 0xEDB88320,
// register started at 0xFFFFFFFF and complemented at the end.
//
// The byte-wise table CRC is the definition:
//   crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8)
// Crc32Update is a faster equivalent (carry-less multiplication, or tables
// sixteen bytes per step, "slicing by 16") that tests pin to
// Crc32UpdateBytewise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace nubra {

inline constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;

// tables[0] is the standard 256-entry table; tables[k][b] is the CRC of byte
// b followed by k zero bytes, which lets sixteen bytes be folded at once.
inline constexpr std::size_t kCrc32Slices = 16;

constexpr std::array<std::array<std::uint32_t, 256>, kCrc32Slices> MakeCrc32Tables()
{
    std::array<std::array<std::uint32_t, 256>, kCrc32Slices> t{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t c = b;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ kCrc32Polynomial : c >> 1;
        t[0][b] = c;
    }
    for (std::size_t k = 1; k < kCrc32Slices; ++k)
        for (std::size_t b = 0; b < 256; ++b)
            t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
    return t;
}

inline constexpr auto kCrc32Tables = MakeCrc32Tables();
inline constexpr const std::array<std::uint32_t, 256>& kCrc32Table = kCrc32Tables[0];

// Feeds n bytes to a CRC register, one table lookup per byte.
constexpr std::uint32_t Crc32UpdateBytewise(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        crc = kCrc32Table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

// Same result as Crc32UpdateBytewise: 64 bytes per step by carry-less
// multiplication where the processor has it (PCLMULQDQ) and n is at least
// kCrc32CarrylessMinimum, the rest through Crc32UpdateSliced.
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* p, std::size_t n);
inline constexpr std::size_t kCrc32CarrylessMinimum = 64;
bool Crc32HasCarrylessMultiply();

// Same result as Crc32UpdateBytewise, sixteen bytes per step through the
// tables: the way taken without carry-less multiplication.
std::uint32_t Crc32UpdateSliced(std::uint32_t crc, const std::uint8_t* p, std::size_t n);

// The CRC-32 of n bytes (register started and finished).
inline std::uint32_t Crc32(const std::uint8_t* p, std::size_t n)
{
    return ~Crc32Update(0xFFFFFFFFu, p, n);
}

namespace crc32_detail {
constexpr std::uint32_t checkValue()
{
    constexpr char text[] = "123456789";
    std::uint8_t bytes[9]{};
    for (int i = 0; i < 9; ++i)
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    return ~Crc32UpdateBytewise(0xFFFFFFFFu, bytes, 9);
}
} // namespace crc32_detail

static_assert(kCrc32Table[1] == 0x77073096u && kCrc32Table[255] == 0x2D02EF8Du);
static_assert(crc32_detail::checkValue() == 0xCBF43926u, "CRC-32 check value");

} // namespace nubra
