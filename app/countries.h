// The countries, one row each: everything that differs between them outside
// the window's three list views (places.cpp). The sources, the companion and
// the window's commands go through a row instead of switching on the
// country index, and nothing else is sized by the number of countries.
//
// Adding a country means: its catalogue (a table and a block in
// TCatalogues, one row in catalogue/load.cpp, a record reader if its record
// is new), one row here, and its step in the data generator.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "coords.h"
#include "hosts.h"
#include "sources.h"

namespace nubra {

class TIdHTTP;

// Country indexes: the settings file's "Pays", the country list's entries.
inline constexpr std::int32_t kFrance = 0;
inline constexpr std::int32_t kSuisse = 1;
inline constexpr std::int32_t kCanada = 2;
inline constexpr std::int32_t kBelgique = 3;
inline constexpr std::int32_t kLuxembourg = 4;
inline constexpr std::int32_t kMonaco = 5;
inline constexpr std::int32_t kOutreMer = 6;

// How the window lists a country's places.
enum class TListView {
    // One list of every record (the row's ListEntry texts).
    Flat,
    // The groups in the "Région" list; the list of places holds the
    // records of the group chosen (the row's CityGroup).
    ByGroup,
    // Regions, then the region's departments, then the department's
    // communes (France).
    ByRegionAndDepartment,
};

struct TCountry {
    std::int32_t Index;     // kFrance...
    std::string_view Name;  // "France": the country list's entry and messages
    std::string_view Key;   // "france": nubra-cli's COUNTRY argument, the [sources] key
    std::string_view Where; // "en France": the country with its preposition

    // The number of records of the country's table in `tables`.
    std::int32_t (*CityCount)(const TCatalogues& tables);
    // The name of record `city`, which must be a valid index.
    std::string_view (*CityName)(const TCatalogues& tables, std::int32_t city);
    // The fields of record `city` (a valid index) as texts, in declared
    // order (numbers in decimal).
    std::vector<std::string> (*CityFields)(const TCatalogues& tables, std::int32_t city);

    TListView View;
    // ByGroup: the group list ("Région" list); ByRegionAndDepartment: the regions.
    std::span<const std::string_view> Groups;
    // ByGroup: the group of record `city` (a valid index), 1 for the first of Groups.
    std::int32_t (*CityGroup)(const TCatalogues& tables, std::int32_t city);
    // Flat: the list entry of record `city` (a valid index).
    std::string (*ListEntry)(const TCatalogues& tables, std::int32_t city);

    // The sources the country offers, and the one it reads unless the
    // settings or the command line choose another of them.
    std::span<const TForecastSource* const> Sources;
    const TForecastSource* DefaultSource;
    // The section of the positions entry holding its records' positions
    // (and of the warning-areas entry holding their areas).
    std::string_view Section;
    // Its official warnings; nullptr where no service issues any.
    const TWarningSource* Warnings;
};

// The source of each country, by country index.
using TSourceChoice = std::vector<const TForecastSource*>;

// Every country on its default source.
TSourceChoice DefaultSources();

// Every country on its source named `name` (ASCII case ignored), a country
// that offers none by that name on its default.
TSourceChoice AllOn(std::string_view name);

// True when some source is called `name` (ASCII case ignored).
bool IsSourceName(std::string_view name);

// The country's source called `name` (ASCII case ignored), or nullptr when
// it offers none by that name.
const TForecastSource* FindSource(const TCountry& country, std::string_view name);

// The rows, in country-index order.
std::span<const TCountry> Countries();

// The row of a country index, or nullptr outside the rows.
const TCountry* FindCountry(std::int32_t index);

// The row named by a key ("france") or a country index in decimal ("0"),
// or nullptr.
const TCountry* FindCountry(std::string_view keyOrIndex);

// The country keys joined by `separator` ("france, suisse, ...").
std::string CountryKeys(std::string_view separator);

// True when `city` indexes a record of the country's table.
bool IsValidCity(const TCountry& country, const TCatalogues& tables, std::int32_t city);

// The forecast of record `city` from `source`; a city index outside the
// table raises std::runtime_error "Aucune ville d'indice <city> <Where>"
// before anything is fetched. A source that reads positions asks
// `positions`; a record without one raises std::runtime_error. The
// warnings, where the source shows them, get `warningsTimeLimit` once the
// forecast is in. Fetch failures of the source pass through.
std::string FetchCityForecast(const TCountry& country, const TCatalogues& tables, std::int32_t city,
                              const TServiceHosts& hosts, TIdHTTP& http, const TForecastSource& source,
                              const TPositionsSource& positions = {},
                              std::chrono::milliseconds warningsTimeLimit = kWarningsTimeLimit);

} // namespace nubra
