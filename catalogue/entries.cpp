#include "entries.h"

#include <algorithm>
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

    // A short string, viewed in place (no copy until the caller assigns it).
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

// Characters `first` (from 1) to `first + length - 1` of `text`; a range
// that runs past the end takes what is there.
std::string_view characters(std::string_view text, std::size_t first, std::size_t length)
{
    return first - 1 < text.size() ? text.substr(first - 1, length) : std::string_view();
}

// Reads count records with `readRecord(cursor, record)`, which returns false
// when the data ends inside the record. `minRecordSize` is the fewest bytes
// a record can take, so that a bogus count never reserves memory the data
// could not fill.
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
        Record& record = table.emplace_back();
        if (!readRecord(cursor, record)) {
            table.pop_back(); // incomplete: the data ended inside it
            break;
        }
        result.consumed = cursor.position();
    }
    return result;
}

} // namespace

TEntryParse ParseFranceEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleFrance>& table)
{
    // region byte + length byte
    return parseEntry(bytes, table, 2, [](EntryCursor& in, TVilleFrance& city) {
        std::string_view commune;
        if (!in.byte(city.Region) || !in.shortString(commune))
            return false;
        // "6700167204Achenheim": commune code, postal code, name.
        city.CodePostal = characters(commune, 6, 5);
        city.CodeInsee = characters(commune, 1, 5);
        city.Departement = characters(commune, 1, 2);
        city.Nom = characters(commune, 11, 500);
        return true;
    });
}

TEntryParse ParseCanadaEntry(std::span<const std::uint8_t> bytes, std::vector<TVillecanada>& table)
{
    // province byte + two length bytes
    return parseEntry(bytes, table, 3, [](EntryCursor& in, TVillecanada& city) {
        std::string_view code;
        std::string_view name;
        if (!in.byte(city.Province) || !in.shortString(code) || !in.shortString(name))
            return false;
        city.CodeVille = code;
        city.Nom = name;
        return true;
    });
}

TEntryParse ParseSuisseEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleSuisse>& table)
{
    // postal number + length byte
    return parseEntry(bytes, table, 3, [](EntryCursor& in, TVilleSuisse& city) {
        std::string_view name;
        if (!in.le16(city.NPA) || !in.shortString(name))
            return false;
        city.Nom = name;
        return true;
    });
}

TEntryParse ParseBelgiqueEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleBelge>& table)
{
    // station number + length byte
    return parseEntry(bytes, table, 3, [](EntryCursor& in, TVilleBelge& city) {
        std::string_view name;
        if (!in.le16(city.Station) || !in.shortString(name))
            return false;
        city.Nom = name;
        return true;
    });
}

} // namespace nubra
