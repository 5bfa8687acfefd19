// Builds catalogue entry bytes by hand for the tests: the record count, then
// fields appended in stored order.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "entries.h"

namespace nubra::test {

class EntryBytes {
public:
    explicit EntryBytes(std::int32_t count) { le32(static_cast<std::uint32_t>(count)); }

    EntryBytes& byte(std::uint8_t value) { bytes_.push_back(value); return *this; }
    EntryBytes& le16(std::uint16_t value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    EntryBytes& le32(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    // One length byte, then the text (at most 255 bytes).
    EntryBytes& text(std::string_view value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value.size()));
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        return *this;
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> truncated(std::size_t size) const
    {
        return {bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(size)};
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Fills `table` from `entry` as LoadCatalogues does: `block` keeps the bytes
// the records point into.
template <class Record>
void FillTable(const EntryBytes& entry, TEntryParse (*parse)(std::span<const std::uint8_t>, std::vector<Record>&),
               std::vector<std::uint8_t>& block, std::vector<Record>& table)
{
    block = entry.bytes();
    parse(block, table);
}

} // namespace nubra::test
