#include "countries.h"

#include <array>
#include <stdexcept>

#include "ascii.h"
#include "fixed_lists.h"

namespace nubra {
namespace {

// The row functions that only differ by table, made once for each table.
template <auto Table>
const auto& record(const TCatalogues& tables, std::int32_t city) {
    return (tables.*Table)[static_cast<std::size_t>(city)];
}

template <auto Table>
std::int32_t cityCount(const TCatalogues& tables) {
    return CityCount(tables.*Table);
}

template <auto Table>
std::string_view cityName(const TCatalogues& tables, std::int32_t city) {
    return record<Table>(tables, city).Nom();
}

template <auto Table, auto Group>
std::int32_t cityGroup(const TCatalogues& tables, std::int32_t city) {
    return record<Table>(tables, city).*Group;
}

template <auto Table>
std::string nameEntry(const TCatalogues& tables, std::int32_t city) {
    return std::string(record<Table>(tables, city).Nom());
}

using std::to_string;
using T = TCatalogues;

constexpr const TForecastSource* kFranceSources[] = {&kFranceClassique, &kOpenMeteo};
constexpr const TForecastSource* kSuisseSources[] = {&kSuisseClassique, &kOpenMeteo};
constexpr const TForecastSource* kCanadaSources[] = {&kCanadaClassique, &kOpenMeteo};
constexpr const TForecastSource* kBelgiqueSources[] = {&kBelgiqueClassique, &kOpenMeteo};
// No historic service ever covered these.
constexpr const TForecastSource* kOpenMeteoOnly[] = {&kOpenMeteo};

// The historic services no longer publish their pages, so a default on them
// could only fail; Open-Meteo answers for every place's position.
constexpr const TForecastSource* kDefault = &kOpenMeteo;

constexpr TCountry kCountries[] = {
    {kFrance, "France", "france", "en France", cityCount<&T::FranceCities>, cityName<&T::FranceCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleFrance& c = record<&T::FranceCities>(tables, city);
         return {std::string(c.CodePostal()), std::string(c.CodeInsee()), std::string(c.Departement()),
                 std::string(c.Nom()), to_string(c.Region)};
     },
     TListView::ByRegionAndDepartment, FranceRegions, nullptr, nullptr, kFranceSources, kDefault, "fr",
     &kFranceWarnings},
    {kSuisse, "Suisse", "suisse", "en Suisse", cityCount<&T::SuisseCities>, cityName<&T::SuisseCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleSuisse& c = record<&T::SuisseCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.NPA)};
     },
     TListView::Flat, {}, nullptr,
     // The same name is several localities; the postal number tells them apart.
     [](const TCatalogues& tables, std::int32_t city) {
         const TVilleSuisse& c = record<&T::SuisseCities>(tables, city);
         return std::string(c.Nom()) + " " + to_string(c.NPA);
     },
     kSuisseSources, kDefault, "ch", &kSuisseWarnings},
    {kCanada, "Canada", "canada", "au Canada", cityCount<&T::CanadaCities>, cityName<&T::CanadaCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVillecanada& c = record<&T::CanadaCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.Province), std::string(c.CodeVille())};
     },
     TListView::ByGroup, CanadaProvinces, cityGroup<&T::CanadaCities, &TVillecanada::Province>, nullptr,
     kCanadaSources, kDefault, "ca", &kCanadaWarnings},
    {kBelgique, "Belgique", "belgique", "en Belgique", cityCount<&T::BelgiqueCities>, cityName<&T::BelgiqueCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleBelge& c = record<&T::BelgiqueCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.Station)};
     },
     TListView::Flat, {}, nullptr, nameEntry<&T::BelgiqueCities>, kBelgiqueSources, kDefault, "be",
     &kBelgiqueWarnings},
    {kLuxembourg, "Luxembourg", "luxembourg", "au Luxembourg", cityCount<&T::LuxembourgCities>,
     cityName<&T::LuxembourgCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TLieu& c = record<&T::LuxembourgCities>(tables, city);
         return {std::string(c.Nom()), to_string(c.Groupe)};
     },
     TListView::ByGroup, LuxembourgCantons, cityGroup<&T::LuxembourgCities, &TLieu::Groupe>, nullptr,
     kOpenMeteoOnly, kDefault, "lu", &kLuxembourgWarnings},
    {kMonaco, "Monaco", "monaco", "\xE0 Monaco", cityCount<&T::MonacoCities>, cityName<&T::MonacoCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         return {std::string(record<&T::MonacoCities>(tables, city).Nom())};
     },
     TListView::Flat, {}, nullptr, nameEntry<&T::MonacoCities>, kOpenMeteoOnly, kDefault, "mc", nullptr},
    {kOutreMer, "Outre-mer", "outre-mer", "outre-mer", cityCount<&T::OutreMerCities>,
     cityName<&T::OutreMerCities>,
     [](const TCatalogues& tables, std::int32_t city) -> std::vector<std::string> {
         const TVilleFrance& c = record<&T::OutreMerCities>(tables, city);
         return {std::string(c.CodePostal()), std::string(c.CodeInsee()), std::string(c.Nom()),
                 to_string(c.Region)};
     },
     TListView::ByGroup, OutreMerTerritories, cityGroup<&T::OutreMerCities, &TVilleFrance::Region>, nullptr,
     kOpenMeteoOnly, kDefault, "om", nullptr},
};

constexpr bool rowsInIndexOrder() {
    for (std::size_t i = 0; i < std::size(kCountries); ++i)
        if (kCountries[i].Index != static_cast<std::int32_t>(i)) return false;
    return true;
}
static_assert(rowsInIndexOrder(), "rows in country-index order");

} // namespace

std::span<const TCountry> Countries() { return kCountries; }

const TCountry* FindCountry(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(std::size(kCountries))) return nullptr;
    return &kCountries[static_cast<std::size_t>(index)];
}

const TCountry* FindCountry(std::string_view keyOrIndex) {
    for (const TCountry& country : kCountries)
        if (keyOrIndex == country.Key || keyOrIndex == to_string(country.Index)) return &country;
    return nullptr;
}

std::string CountryKeys(std::string_view separator) {
    std::string keys;
    for (const TCountry& country : kCountries) {
        if (!keys.empty()) keys += separator;
        keys += country.Key;
    }
    return keys;
}

bool IsValidCity(const TCountry& country, const TCatalogues& tables, std::int32_t city) {
    return city >= 0 && city < country.CityCount(tables);
}

const TForecastSource* FindSource(const TCountry& country, std::string_view name) {
    for (const TForecastSource* source : country.Sources)
        if (ascii::equalsIgnoreCase(name, source->Name)) return source;
    return nullptr;
}

bool IsSourceName(std::string_view name) {
    for (const TForecastSource* source : ForecastSources())
        if (ascii::equalsIgnoreCase(name, source->Name)) return true;
    return false;
}

TSourceChoice DefaultSources() {
    TSourceChoice choice;
    for (const TCountry& country : kCountries) choice.push_back(country.DefaultSource);
    return choice;
}

TSourceChoice AllOn(std::string_view name) {
    TSourceChoice choice;
    for (const TCountry& country : kCountries) {
        const TForecastSource* source = FindSource(country, name);
        choice.push_back(source ? source : country.DefaultSource);
    }
    return choice;
}

std::string FetchCityForecast(const TCountry& country, const TCatalogues& tables, std::int32_t city,
                              const TServiceHosts& hosts, TIdHTTP& http, const TForecastSource& source,
                              const TPositionsSource& positions, std::chrono::milliseconds warningsTimeLimit) {
    if (!IsValidCity(country, tables, city))
        throw std::runtime_error("Aucune ville d'indice " + to_string(city) + " " + std::string(country.Where));
    return source.Fetch(TPlaceQuery{country, tables, city, positions, warningsTimeLimit}, hosts, http);
}

} // namespace nubra
