#include "entries.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "little_endian.h"

namespace nubra {

namespace {

// A bounds-checked little-endian reader over an entry's bytes. Every read
// either takes all it asks for and returns true, or takes nothing and
// returns false.
class EntryCursor {
public:
    explicit EntryCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }

    bool byte(std::uint8_t& value)
    {
        if (remaining() < 1)
            return false;
        value = bytes_[pos_++];
        return true;
    }

    bool le16(std::uint16_t& value)
    {
        if (remaining() < 2)
            return false;
        value = nubra::le16(bytes_.data() + pos_);
        pos_ += 2;
        return true;
    }

    // A short string, viewed in place.
    bool shortString(std::string_view& text)
    {
        if (remaining() < 1 || remaining() - 1 < bytes_[pos_])
            return false;
        const std::size_t length = bytes_[pos_];
        text = std::string_view(reinterpret_cast<const char*>(bytes_.data() + pos_ + 1), length);
        pos_ += 1 + length;
        return true;
    }

    // The record count: as many of its 4 bytes as there are, low-order
    // first; the missing high-order bytes stay 0.
    std::int32_t count()
    {
        std::uint32_t value = 0;
        const std::size_t n = std::min<std::size_t>(4, remaining());
        for (std::size_t i = 0; i < n; ++i)
            value |= static_cast<std::uint32_t>(bytes_[pos_ + i]) << (8 * i);
        pos_ += n;
        return static_cast<std::int32_t>(value);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// Reads count records with `readRecord(cursor)`, which returns the record,
// or nullopt when the data ends inside it. `minRecordSize` is the fewest
// bytes a record can take, so that a bogus count never reserves memory the
// data could not fill.
template <class Record, class ReadRecord>
TEntryParse parseEntry(std::span<const std::uint8_t> bytes, std::vector<Record>& table,
                       std::size_t minRecordSize, ReadRecord readRecord)
{
    table.clear();
    EntryCursor cursor(bytes);
    TEntryParse result;
    result.announced = cursor.count();
    result.consumed = cursor.position();
    if (result.announced <= 0)
        return result;
    const auto wanted = static_cast<std::size_t>(result.announced);
    table.reserve(std::min(wanted, cursor.remaining() / minRecordSize));
    for (std::size_t i = 0; i < wanted && cursor.remaining() >= minRecordSize; ++i) {
        const std::optional<Record> record = readRecord(cursor);
        if (!record)
            break; // incomplete: the data ended inside it
        table.push_back(*record);
        result.consumed = cursor.position();
    }
    return result;
}

} // namespace

TEntryParse ParseFranceEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleFrance>& table)
{
    // region byte + length byte
    return parseEntry(bytes, table, 2, [](EntryCursor& in) -> std::optional<TVilleFrance> {
        std::uint8_t region = 0;
        std::string_view commune; // "6700167204Achenheim": commune code, postal code, name
        if (!in.byte(region) || !in.shortString(commune))
            return std::nullopt;
        return TVilleFrance(commune, region);
    });
}

TEntryParse ParseCanadaEntry(std::span<const std::uint8_t> bytes, std::vector<TVillecanada>& table)
{
    // province byte + two length bytes
    return parseEntry(bytes, table, 3, [](EntryCursor& in) -> std::optional<TVillecanada> {
        std::uint8_t province = 0;
        std::string_view code;
        std::string_view name;
        if (!in.byte(province) || !in.shortString(code) || !in.shortString(name))
            return std::nullopt;
        return TVillecanada(code, name, province);
    });
}

TEntryParse ParseSuisseEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleSuisse>& table)
{
    // postal number + length byte
    return parseEntry(bytes, table, 3, [](EntryCursor& in) -> std::optional<TVilleSuisse> {
        std::uint16_t npa = 0;
        std::string_view name;
        if (!in.le16(npa) || !in.shortString(name))
            return std::nullopt;
        return TVilleSuisse(name, npa);
    });
}

TEntryParse ParseBelgiqueEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleBelge>& table)
{
    // station number + length byte
    return parseEntry(bytes, table, 3, [](EntryCursor& in) -> std::optional<TVilleBelge> {
        std::uint16_t station = 0;
        std::string_view name;
        if (!in.le16(station) || !in.shortString(name))
            return std::nullopt;
        return TVilleBelge(name, station);
    });
}

TEntryParse ParseLieuEntry(std::span<const std::uint8_t> bytes, std::vector<TLieu>& table)
{
    // group byte + length byte
    return parseEntry(bytes, table, 2, [](EntryCursor& in) -> std::optional<TLieu> {
        std::uint8_t group = 0;
        std::string_view name;
        if (!in.byte(group) || !in.shortString(name))
            return std::nullopt;
        return TLieu(name, group);
    });
}

} // namespace nubra
