#include "catalogue.h"

#include <utility>

#include "entries.h"
#include "vunzip.h"

namespace nubra {

namespace {

// Locates `name`, decompresses it into `entry`, parses the bytes produced
// into `table` and keeps them in `block`, which the records point into; the
// bytes are handed over from the stream, not copied, which leaves `entry`
// empty. The stream is positioned at whatever ZipFindEntry gives, -1
// included: the archive reader's first read of the local header then fails
// with EReadError, which ends the loading and leaves the table and its block
// as they were. The extraction's result code is not looked at: a refused
// local header leaves the entry empty (an empty table), a decompression that
// fails part-way leaves the bytes produced so far, and those are parsed.
template <class Record>
void loadEntry(TStream& resource, TMemoryStream& entry, const char* name,
               TEntryParse (*parse)(std::span<const std::uint8_t>, std::vector<Record>&),
               std::vector<std::uint8_t>& block, std::vector<Record>& table)
{
    resource.Seek(ZipFindEntry(resource, name));
    entry.Clear();
    ZipExtract(resource, entry);
    std::vector<std::uint8_t> bytes = entry.TakeBytes();
    // Parsed aside, so that the table never points into bytes it no longer has.
    std::vector<Record> records;
    parse(bytes, records);
    block = std::move(bytes);
    table = std::move(records);
}

} // namespace

// The entries in this order; each table is filled as soon as its entry is
// read, so a failure on a later entry leaves the earlier tables filled.
void LoadCatalogues(TStream& resource, TMemoryStream& entry, TCatalogues& tables)
{
    loadEntry(resource, entry, "data.fr", ParseFranceEntry, tables.FranceEntry, tables.FranceCities);
    loadEntry(resource, entry, "data.ca", ParseCanadaEntry, tables.CanadaEntry, tables.CanadaCities);
    loadEntry(resource, entry, "data.ch", ParseSuisseEntry, tables.SuisseEntry, tables.SuisseCities);
    loadEntry(resource, entry, "data.be", ParseBelgiqueEntry, tables.BelgiqueEntry, tables.BelgiqueCities);
}

} // namespace nubra
