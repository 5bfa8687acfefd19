// The place catalogues: their in-memory records and tables, and the loader
// that fills them from the archive's entries ("data.fr", "data.ca",
// "data.ch", "data.be", "data.lu", "data.mc", "data.om"; CatalogueEntries()
// lists them).
//
// Every text is 8-bit Windows-1252. A record owns none of its texts: it
// points into the bytes of the entry it was parsed from, which its
// TCatalogues keeps (one byte block per table), and its text fields are
// views computed from there. France alone has 36,565 communes; a 16-byte
// record over the entry's ~870 KB costs far less than a record holding four
// strings (136 bytes, plus an allocation for every name longer than a
// string's inline buffer). A place is known everywhere by its city index:
// its zero-based position in its country's table. A TCatalogues is filled
// once by one load and only read afterwards: its owner hands a const
// reference to whoever reads it (the window's lists, the sources through
// the country table, the companion).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "stream.h"

namespace nubra {

struct TEntryParse;

// A record's text fields are views into its entry's bytes, valid as long as
// those bytes are (see TCatalogues). Only the entry parsers (entries.h) make
// records with texts; a default-constructed record has empty texts.

// The commune string S of "data.fr": commune code (5) + postal code (5) +
// name. Each field is a range of characters of S counted from 1; a range
// running past the end of S takes what is there, so a short S gives short
// or empty fields.
struct TVilleFrance {
    TVilleFrance() = default;

    std::string_view CodeInsee() const { return characters(1, 5); }    // official commune code ("67001", "2A004")
    std::string_view CodePostal() const { return characters(6, 5); }   // postal code, five digits
    std::string_view Departement() const { return characters(1, 2); }  // first two characters of CodeInsee ("67", "2A")
    std::string_view Nom() const { return characters(11, std::string_view::npos); }

private:
    friend TEntryParse ParseFranceEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleFrance>& table);

    // Over `commune` (at most 255 bytes, as its length byte allows).
    TVilleFrance(std::string_view commune, std::uint8_t region)
        : text_(commune.data()), length_(static_cast<std::uint8_t>(commune.size())), Region(region) {}

    // Characters `first` (from 1) to `first + count - 1` of S.
    std::string_view characters(std::size_t first, std::size_t count) const
    {
        if (first > length_)
            return {};
        return std::string_view(text_ + first - 1, std::min<std::size_t>(count, length_ - (first - 1)));
    }

    const char* text_ = nullptr;
    std::uint8_t length_ = 0;

public:
    std::uint8_t Region = 0;  // 1..22: position in FranceRegions plus 1
};

// The city code and the name, stored one after the other in "data.ca" as
// two short strings: the name starts one length byte after the code ends.
struct TVillecanada {
    TVillecanada() = default;

    std::string_view Nom() const
    {
        return text_ ? std::string_view(text_ + codeLength_ + 1, nameLength_) : std::string_view();
    }
    // The weather service's page code ("AB-12").
    std::string_view CodeVille() const { return std::string_view(text_, codeLength_); }

private:
    friend TEntryParse ParseCanadaEntry(std::span<const std::uint8_t> bytes, std::vector<TVillecanada>& table);

    // Over `code` and `name`, `name` starting one length byte after `code` ends.
    TVillecanada(std::string_view code, std::string_view name, std::uint8_t province)
        : text_(code.data()), codeLength_(static_cast<std::uint8_t>(code.size())),
          nameLength_(static_cast<std::uint8_t>(name.size())), Province(province) {}

    const char* text_ = nullptr;
    std::uint8_t codeLength_ = 0;
    std::uint8_t nameLength_ = 0;

public:
    std::uint8_t Province = 0; // 1..13: position in CanadaProvinces plus 1
};

struct TVilleSuisse {
    TVilleSuisse() = default;

    std::string_view Nom() const { return std::string_view(name_, length_); }

private:
    friend TEntryParse ParseSuisseEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleSuisse>& table);

    TVilleSuisse(std::string_view name, std::uint16_t npa)
        : name_(name.data()), length_(static_cast<std::uint8_t>(name.size())), NPA(npa) {}

    const char* name_ = nullptr;
    std::uint8_t length_ = 0;

public:
    std::uint16_t NPA = 0;     // postal number
};

struct TVilleBelge {
    TVilleBelge() = default;

    std::string_view Nom() const { return std::string_view(name_, length_); }

private:
    friend TEntryParse ParseBelgiqueEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleBelge>& table);

    TVilleBelge(std::string_view name, std::uint16_t station)
        : name_(name.data()), length_(static_cast<std::uint8_t>(name.size())), Station(station) {}

    const char* name_ = nullptr;
    std::uint8_t length_ = 0;

public:
    std::uint16_t Station = 0; // WMO station index without its leading zero
};

// A place of a catalogue that needs no more than its name and, where its
// country's list is grouped, the group it is listed under (Luxembourg's
// cantons); a catalogue listed flat stores 0.
struct TLieu {
    TLieu() = default;

    std::string_view Nom() const { return std::string_view(name_, length_); }

private:
    friend TEntryParse ParseLieuEntry(std::span<const std::uint8_t> bytes, std::vector<TLieu>& table);

    TLieu(std::string_view name, std::uint8_t group)
        : name_(name.data()), length_(static_cast<std::uint8_t>(name.size())), Groupe(group) {}

    const char* name_ = nullptr;
    std::uint8_t length_ = 0;

public:
    std::uint8_t Groupe = 0;   // position of its group in its country's group list plus 1; 0: none
};

static_assert(sizeof(TVilleFrance) == 16 && sizeof(TVillecanada) == 16 && sizeof(TVilleSuisse) == 16 &&
              sizeof(TVilleBelge) == 16 && sizeof(TLieu) == 16, "a record is a pointer, its lengths and its number");

// The tables of one load, in stored order (their size is the record
// count), and the entry bytes each table's records point into.
//
// Moving a TCatalogues moves each block's buffer along with it, so the
// records stay valid; a copy would point into the original's bytes, so
// there is none.
struct TCatalogues {
    TCatalogues() = default;
    TCatalogues(TCatalogues&&) = default;
    TCatalogues& operator=(TCatalogues&&) = default;
    TCatalogues(const TCatalogues&) = delete;
    TCatalogues& operator=(const TCatalogues&) = delete;

    std::vector<TVilleFrance> FranceCities;
    std::vector<TVillecanada> CanadaCities;
    std::vector<TVilleSuisse> SuisseCities;
    std::vector<TVilleBelge> BelgiqueCities;
    std::vector<TLieu> LuxembourgCities;
    std::vector<TLieu> MonacoCities;
    std::vector<TVilleFrance> OutreMerCities;  // the overseas communes, stored as France's are

    // The extracted entries, one per table.
    std::vector<std::uint8_t> FranceEntry;
    std::vector<std::uint8_t> CanadaEntry;
    std::vector<std::uint8_t> SuisseEntry;
    std::vector<std::uint8_t> BelgiqueEntry;
    std::vector<std::uint8_t> LuxembourgEntry;
    std::vector<std::uint8_t> MonacoEntry;
    std::vector<std::uint8_t> OutreMerEntry;
};

// One catalogue of the archive: its entry, its section of the positions
// entry "data.geo" (coords.h), and how the entry's bytes become its table.
struct TCatalogueEntry {
    std::string_view Entry;    // "data.fr"
    std::string_view Section;  // "fr"
    // Parses `bytes` into the catalogue's table of `tables` and keeps them
    // as the block the records point into.
    void (*Fill)(std::vector<std::uint8_t> bytes, TCatalogues& tables);
};

// The catalogues in the order they are loaded and their sections stored.
std::span<const TCatalogueEntry> CatalogueEntries();

// Number of records of a table as the 32-bit count the rest of the program
// works with.
template <class Table>
std::int32_t CityCount(const Table& table) { return static_cast<std::int32_t>(table.size()); }

// True when `city` is a valid index of `table`.
template <class Table>
bool IsValidCity(const Table& table, std::int32_t city) { return city >= 0 && city < CityCount(table); }

// Fills the tables of `tables` from the archive in `resource`, one entry
// after the other in CatalogueEntries() order, using `entry` as the one
// memory stream every entry is decompressed into.
// Each entry's bytes move from `entry` into its table's block, so `entry`
// ends empty. Raises EReadError when an entry cannot be located (the tables
// already filled keep their records).
void LoadCatalogues(TStream& resource, TMemoryStream& entry, TCatalogues& tables);

// Fills `tables` from the archive the executable carries as its resource
// "data", as LoadCatalogues does; the streams live only for the load.
// Raises std::runtime_error when the executable carries no such resource,
// and what LoadCatalogues raises. Defined with the resources (see
// nubra_add_resources), so that whichever set of resources an executable
// links is the one loaded.
void LoadEmbeddedCatalogues(TCatalogues& tables);

} // namespace nubra
