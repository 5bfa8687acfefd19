// Builds small ZIP archives by hand for the loader tests: stored entries,
// with the local header's method and flags open to tampering.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nubra::test {

struct ZipEntrySpec {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint16_t method = 0; // 0 stored; anything else is written as is
    std::uint16_t flags = 0;  // bit 0: encrypted
};

inline std::uint32_t crc32(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

inline std::vector<std::uint8_t> buildZip(const std::vector<ZipEntrySpec>& entries)
{
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> directory;
    const auto put16 = [](std::vector<std::uint8_t>& v, std::uint32_t x) {
        v.push_back(static_cast<std::uint8_t>(x));
        v.push_back(static_cast<std::uint8_t>(x >> 8));
    };
    const auto put32 = [&](std::vector<std::uint8_t>& v, std::uint32_t x) {
        put16(v, x & 0xFFFF);
        put16(v, x >> 16);
    };
    for (const ZipEntrySpec& e : entries) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto size = static_cast<std::uint32_t>(e.bytes.size());
        const std::uint32_t crc = crc32(e.bytes);
        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, e.flags);
        put16(out, e.method);
        put16(out, 0);
        put16(out, 0x3821);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, static_cast<std::uint32_t>(e.name.size()));
        put16(out, 0);
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());

        put32(directory, 0x02014B50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, e.flags);
        put16(directory, e.method);
        put16(directory, 0);
        put16(directory, 0x3821);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, static_cast<std::uint32_t>(e.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, offset);
        directory.insert(directory.end(), e.name.begin(), e.name.end());
    }
    const auto directoryAt = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put16(out, static_cast<std::uint32_t>(entries.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directoryAt);
    put16(out, 0);
    return out;
}

} // namespace nubra::test
