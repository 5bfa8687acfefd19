// Little-endian field reads: the ZIP headers, the place catalogues' records
// and the CRC's sixteen-byte steps all store their integers least
// significant byte first. Each read assembles the value from single bytes,
// so it needs no alignment and means the same on any host; compilers turn
// it into one load. The caller has checked that the bytes are there.
#pragma once

#include <cstdint>

namespace nubra {

inline std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

} // namespace nubra
