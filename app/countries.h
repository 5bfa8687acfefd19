// The four countries, one row each: everything that differs between them
// outside the window's view code (places.cpp shows each country's lists its
// own way). The sources, the companion and the window's commands go through
// a row instead of switching on the country index.
//
// Adding a country means: its record type, table, entry bytes and parser in
// catalogue/, its source (udef_<country>.{h,cpp}) and host field in
// forecast/, one row here, and its lists in places.cpp and the window's
// country list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "coords.h"
#include "hosts.h"

namespace nubra {

class TIdHTTP;

// Country indexes: the settings file's "Pays", the country list's entries.
inline constexpr std::int32_t kFrance = 0;
inline constexpr std::int32_t kSuisse = 1;
inline constexpr std::int32_t kCanada = 2;
inline constexpr std::int32_t kBelgique = 3;

struct TCountry {
    std::int32_t Index;     // kFrance...
    std::string_view Name;  // "France": the country list's entry and messages
    std::string_view Key;   // "france": nubra-cli's COUNTRY argument
    std::string_view Where; // "en France": the country with its preposition

    // The number of records of the country's table in `tables`.
    std::int32_t (*CityCount)(const TCatalogues& tables);
    // The name of record `city`, which must be a valid index.
    std::string_view (*CityName)(const TCatalogues& tables, std::int32_t city);
    // The fields of record `city` (a valid index) as texts, in declared
    // order (numbers in decimal).
    std::vector<std::string> (*CityFields)(const TCatalogues& tables, std::int32_t city);
    // Fetches the forecast of record `city` (a valid index) from the
    // country's source on `http`.
    std::string (*Fetch)(const TCatalogues& tables, std::int32_t city, const TServiceHosts& hosts, TIdHTTP& http);
    // The forecast text of a page of the country's source already fetched,
    // for the place `name`, with the attribution naming the host in `hosts`.
    std::string (*Walk)(std::string_view page, std::string_view name, const TServiceHosts& hosts);
    // The positions of the country's records in the positions entry.
    std::vector<TPosition> TCoordinates::*Positions;
};

// Where a country's forecast comes from: its historic service, as the
// country row fetches it, or Open-Meteo for the record's position.
enum class TSource { Classique, OpenMeteo };

// The source of each country, by country index.
using TSourceChoice = std::array<TSource, 4>;

// The source of a country the settings name none for. The historic
// services no longer publish their pages, so a default on them could only
// fail; Open-Meteo answers for every place's position.
inline constexpr TSource kDefaultSource = TSource::OpenMeteo;

// Every country on `source`.
constexpr TSourceChoice AllOn(TSource source)
{
    TSourceChoice choice{};
    choice.fill(source);
    return choice;
}

// "classique" or "open-meteo" (ASCII case ignored), or nullopt.
std::optional<TSource> ParseSourceName(std::string_view text);

// The positions entry, asked for only when an Open-Meteo fetch needs it:
// returns the positions, or raises std::runtime_error with the reason they
// cannot be read.
using TPositionsSource = std::function<const TCoordinates&()>;

// The rows, in country-index order.
std::span<const TCountry> Countries();

// The row of a country index, or nullptr outside 0..3.
const TCountry* FindCountry(std::int32_t index);

// The row named by a key ("france") or a country index in decimal ("0"),
// or nullptr.
const TCountry* FindCountry(std::string_view keyOrIndex);

// True when `city` indexes a record of the country's table.
bool IsValidCity(const TCountry& country, const TCatalogues& tables, std::int32_t city);

// The forecast of record `city` from `source`; a city index outside the
// table raises std::runtime_error "Aucune ville d'indice <city> <Where>"
// before anything is fetched. With Open-Meteo, `positions` is asked for the
// positions, and a record without one raises std::runtime_error. Fetch
// failures of the source pass through.
std::string FetchCityForecast(const TCountry& country, const TCatalogues& tables, std::int32_t city,
                              const TServiceHosts& hosts, TIdHTTP& http, TSource source,
                              const TPositionsSource& positions = {});

} // namespace nubra
