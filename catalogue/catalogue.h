// The four place catalogues: their in-memory records and tables, and the
// loader that fills them from the archive's entries "data.fr", "data.ca",
// "data.ch" and "data.be".
//
// Every text is 8-bit Windows-1252, owned by its record. A place is known
// everywhere by its city index: its zero-based position in its country's
// table. A TCatalogues is filled once by one load and only read afterwards:
// its owner hands a const reference to whoever reads it (the window's
// lists, the sources through the country table, the companion).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stream.h"

namespace nubra {

struct TVilleFrance {
    std::string CodePostal;   // postal code, five digits
    std::string CodeInsee;    // official commune code ("67001", "2A004")
    std::string Departement;  // first two characters of CodeInsee ("67", "2A")
    std::string Nom;
    std::uint8_t Region = 0;  // 1..22: position in FranceRegions plus 1
};

struct TVillecanada {
    std::string Nom;
    std::uint8_t Province = 0; // 1..13: position in CanadaProvinces plus 1
    std::string CodeVille;     // the weather service's page code ("AB-12")
};

struct TVilleSuisse {
    std::string Nom;
    std::uint16_t NPA = 0;     // postal number
};

struct TVilleBelge {
    std::string Nom;
    std::uint16_t Station = 0; // WMO station index without its leading zero
};

// The four tables of one load, in stored order. Their size is the record
// count.
struct TCatalogues {
    std::vector<TVilleFrance> FranceCities;
    std::vector<TVillecanada> CanadaCities;
    std::vector<TVilleSuisse> SuisseCities;
    std::vector<TVilleBelge> BelgiqueCities;
};

// Number of records of a table as the 32-bit count the rest of the program
// works with.
template <class Table>
std::int32_t CityCount(const Table& table) { return static_cast<std::int32_t>(table.size()); }

// True when `city` is a valid index of `table`.
template <class Table>
bool IsValidCity(const Table& table, std::int32_t city) { return city >= 0 && city < CityCount(table); }

// Fills the four tables of `tables` from the archive in `resource`, using
// `entry` as the one memory stream all four entries are decompressed into.
// Raises EReadError when an entry cannot be located (the tables already
// filled keep their records).
void LoadCatalogues(TStream& resource, TMemoryStream& entry, TCatalogues& tables);

// Fills `tables` from the archive the executable carries as its resource
// "data", as LoadCatalogues does; the streams live only for the load.
// Raises std::runtime_error when the executable carries no such resource,
// and what LoadCatalogues raises. Defined with the resources (see
// nubra_add_resources), so that whichever set of resources an executable
// links is the one loaded.
void LoadEmbeddedCatalogues(TCatalogues& tables);

} // namespace nubra
