#include "catalogue.h"

#include "entries.h"
#include "vunzip.h"

namespace nubra {

namespace {

// Locates `name`, decompresses it into `entry` and returns the bytes
// produced. The stream is positioned at whatever ZipFindEntry gives, -1
// included: the archive reader's first read of the local header then fails
// with EReadError, which ends the loading. The extraction's result code is
// not looked at: a refused local header leaves the entry empty (an empty
// table), a decompression that fails part-way leaves the bytes produced so
// far, and those are parsed.
std::span<const std::uint8_t> extractEntry(TStream& resource, TMemoryStream& entry, const char* name)
{
    resource.Seek(ZipFindEntry(resource, name));
    entry.Clear();
    ZipExtract(resource, entry);
    entry.Seek(0);
    return entry.Bytes();
}

} // namespace

// The entries in this order; each table is filled as soon as its entry is
// read, so a failure on a later entry leaves the earlier tables filled.
void LoadCatalogues(TStream& resource, TMemoryStream& entry, TCatalogues& tables)
{
    ParseFranceEntry(extractEntry(resource, entry, "data.fr"), tables.FranceCities);
    ParseCanadaEntry(extractEntry(resource, entry, "data.ca"), tables.CanadaCities);
    ParseSuisseEntry(extractEntry(resource, entry, "data.ch"), tables.SuisseCities);
    ParseBelgiqueEntry(extractEntry(resource, entry, "data.be"), tables.BelgiqueCities);
}

} // namespace nubra
