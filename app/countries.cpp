#include "countries.h"

#include <array>
#include <stdexcept>

#include "ascii.h"
#include "open_meteo.h"

#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"

namespace nubra {
namespace {

// The row functions that only differ by table, made once for each table.
template <auto Table>
std::int32_t cityCount(const TCatalogues& tables) {
    return CityCount(tables.*Table);
}

template <auto Table>
std::string_view cityName(const TCatalogues& tables, std::int32_t city) {
    return (tables.*Table)[static_cast<std::size_t>(city)].Nom();
}

template <auto Table, auto Source>
std::string fetch(const TCatalogues& tables, std::int32_t city, const TServiceHosts& hosts, TIdHTTP& http) {
    return Source((tables.*Table)[static_cast<std::size_t>(city)], hosts, http);
}

template <auto Table>
const auto& record(const TCatalogues& tables, std::int32_t city) {
    return (tables.*Table)[static_cast<std::size_t>(city)];
}

using std::to_string;

constexpr std::array<TCountry, 4> kCountries = {{
    {kFrance, "France", "france", "en France", cityCount<&TCatalogues::FranceCities>,
     cityName<&TCatalogues::FranceCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleFrance& c = record<&TCatalogues::FranceCities>(tables, city);
         return {std::string(c.CodePostal()), std::string(c.CodeInsee()), std::string(c.Departement()),
                 std::string(c.Nom()), to_string(c.Region)};
     },
     fetch<&TCatalogues::FranceCities, GetForecastFrance>,
     [](std::string_view page, std::string_view name, const TServiceHosts& hosts) {
         return WalkFrancePage(page, name, hosts.France);
     },
     &TCoordinates::France},
    {kSuisse, "Suisse", "suisse", "en Suisse", cityCount<&TCatalogues::SuisseCities>,
     cityName<&TCatalogues::SuisseCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleSuisse& c = record<&TCatalogues::SuisseCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.NPA)};
     },
     fetch<&TCatalogues::SuisseCities, GetForecastSuisse>,
     [](std::string_view page, std::string_view name, const TServiceHosts& hosts) {
         return WalkSuissePage(page, name, hosts.Suisse);
     },
     &TCoordinates::Suisse},
    {kCanada, "Canada", "canada", "au Canada", cityCount<&TCatalogues::CanadaCities>,
     cityName<&TCatalogues::CanadaCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVillecanada& c = record<&TCatalogues::CanadaCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.Province), std::string(c.CodeVille())};
     },
     fetch<&TCatalogues::CanadaCities, GetForecastCanada>,
     [](std::string_view page, std::string_view name, const TServiceHosts& hosts) {
         return WalkCanadaPage(page, name, hosts.CanadaSite);
     },
     &TCoordinates::Canada},
    {kBelgique, "Belgique", "belgique", "en Belgique", cityCount<&TCatalogues::BelgiqueCities>,
     cityName<&TCatalogues::BelgiqueCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleBelge& c = record<&TCatalogues::BelgiqueCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.Station)};
     },
     fetch<&TCatalogues::BelgiqueCities, GetForecastBelgique>,
     [](std::string_view page, std::string_view name, const TServiceHosts& hosts) {
         return WalkBelgiquePage(page, name, hosts.Belgique);
     },
     &TCoordinates::Belgique},
}};

static_assert(kCountries[kFrance].Index == kFrance && kCountries[kSuisse].Index == kSuisse &&
                  kCountries[kCanada].Index == kCanada && kCountries[kBelgique].Index == kBelgique,
              "rows in country-index order");

} // namespace

std::span<const TCountry> Countries() { return kCountries; }

const TCountry* FindCountry(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kCountries.size())) return nullptr;
    return &kCountries[static_cast<std::size_t>(index)];
}

const TCountry* FindCountry(std::string_view keyOrIndex) {
    for (const TCountry& country : kCountries)
        if (keyOrIndex == country.Key || keyOrIndex == to_string(country.Index)) return &country;
    return nullptr;
}

bool IsValidCity(const TCountry& country, const TCatalogues& tables, std::int32_t city) {
    return city >= 0 && city < country.CityCount(tables);
}

std::optional<TSource> ParseSourceName(std::string_view text) {
    if (ascii::equalsIgnoreCase(text, "classique")) return TSource::Classique;
    if (ascii::equalsIgnoreCase(text, "open-meteo")) return TSource::OpenMeteo;
    return std::nullopt;
}

std::string FetchCityForecast(const TCountry& country, const TCatalogues& tables, std::int32_t city,
                              const TServiceHosts& hosts, TIdHTTP& http, TSource source,
                              const TPositionsSource& positions) {
    if (!IsValidCity(country, tables, city))
        throw std::runtime_error("Aucune ville d'indice " + to_string(city) + " " + std::string(country.Where));
    if (source == TSource::Classique) return country.Fetch(tables, city, hosts, http);

    const std::vector<TPosition>& known = positions().*country.Positions;
    if (static_cast<std::size_t>(city) >= known.size())
        throw std::runtime_error("Position inconnue pour la ville d'indice " + to_string(city) + " " +
                                 std::string(country.Where));
    return GetForecastOpenMeteo(country.CityName(tables, city), known[static_cast<std::size_t>(city)], hosts, http);
}

} // namespace nubra
