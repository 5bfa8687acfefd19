#include "catalogue.h"

#include <string>
#include <type_traits>
#include <utility>

#include "entries.h"
#include "vunzip.h"

namespace nubra {

namespace {

// Locates the catalogue's entry, decompresses it into `entry`, parses the
// bytes produced into its table and keeps them as its block, which the
// records point into; the bytes are handed over from the stream, not
// copied, which leaves `entry` empty. The stream is positioned at whatever ZipFindEntry gives, -1
// included: the archive reader's first read of the local header then fails
// with EReadError, which ends the loading and leaves the table and its block
// as they were. The extraction's result code is not looked at: a refused
// local header leaves the entry empty (an empty table), a decompression that
// fails part-way leaves the bytes produced so far, and those are parsed.
void loadEntry(TStream& resource, TMemoryStream& entry, const TCatalogueEntry& catalogue, TCatalogues& tables)
{
    const std::string name(catalogue.Entry);
    resource.Seek(ZipFindEntry(resource, name.c_str()));
    entry.Clear();
    ZipExtract(resource, entry);
    catalogue.Fill(entry.TakeBytes(), tables);
}

// Parsed aside, so that the table never points into bytes it no longer has.
template <auto Block, auto Table, auto Parse>
void fill(std::vector<std::uint8_t> bytes, TCatalogues& tables)
{
    std::remove_reference_t<decltype(tables.*Table)> records;
    Parse(bytes, records);
    tables.*Block = std::move(bytes);
    tables.*Table = std::move(records);
}

using T = TCatalogues;

// A new catalogue is one row here, its table and block in TCatalogues, and
// its entry in the archive.
constexpr TCatalogueEntry kCatalogues[] = {
    {"data.fr", "fr", fill<&T::FranceEntry, &T::FranceCities, ParseFranceEntry>},
    {"data.ca", "ca", fill<&T::CanadaEntry, &T::CanadaCities, ParseCanadaEntry>},
    {"data.ch", "ch", fill<&T::SuisseEntry, &T::SuisseCities, ParseSuisseEntry>},
    {"data.be", "be", fill<&T::BelgiqueEntry, &T::BelgiqueCities, ParseBelgiqueEntry>},
    {"data.lu", "lu", fill<&T::LuxembourgEntry, &T::LuxembourgCities, ParseLieuEntry>},
    {"data.mc", "mc", fill<&T::MonacoEntry, &T::MonacoCities, ParseLieuEntry>},
    {"data.om", "om", fill<&T::OutreMerEntry, &T::OutreMerCities, ParseFranceEntry>},
};

} // namespace

std::span<const TCatalogueEntry> CatalogueEntries() { return kCatalogues; }

// Each table is filled as soon as its entry is read, so a failure on a
// later entry leaves the earlier tables filled.
void LoadCatalogues(TStream& resource, TMemoryStream& entry, TCatalogues& tables)
{
    for (const TCatalogueEntry& catalogue : kCatalogues)
        loadEntry(resource, entry, catalogue, tables);
}

} // namespace nubra
