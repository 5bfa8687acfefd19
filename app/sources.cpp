#include "sources.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "countries.h"
#include "open_meteo.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"

namespace nubra {
namespace {

// A historic source: the record of its country's table handed to the
// source's fetch, its page to the source's walk with the host it credits.
template <auto Table, auto Get>
std::string classicFetch(const TPlaceQuery& place, const TServiceHosts& hosts, TIdHTTP& http) {
    return Get((place.Tables.*Table)[static_cast<std::size_t>(place.City)], hosts, http);
}

template <auto Walk, auto Host>
std::string classicText(std::string_view page, std::string_view name, const TServiceHosts& hosts) {
    return Walk(page, name, hosts.*Host);
}

constexpr std::string_view kFranceKeys[] = {"france"};
constexpr std::string_view kSuisseKeys[] = {"suisse"};
constexpr std::string_view kCanadaKeys[] = {"canada", "canada-site"};
constexpr std::string_view kBelgiqueKeys[] = {"belgique"};
constexpr std::string_view kOpenMeteoKeys[] = {"open-meteo"};

// Open-Meteo forecasts the record's position, from the positions entry.
std::string openMeteoFetch(const TPlaceQuery& place, const TServiceHosts& hosts, TIdHTTP& http) {
    const TCountry& country = place.Country;
    if (!place.Positions) throw std::logic_error("Open-Meteo fetch without positions");
    const std::vector<TPosition>& known = place.Positions().Of(country.Section);
    if (static_cast<std::size_t>(place.City) >= known.size())
        throw std::runtime_error("Position inconnue pour la ville d'indice " + std::to_string(place.City) + " " +
                                 std::string(country.Where));
    return GetForecastOpenMeteo(country.CityName(place.Tables, place.City), known[static_cast<std::size_t>(place.City)],
                                hosts, http);
}

std::string openMeteoText(std::string_view page, std::string_view name, const TServiceHosts& hosts) {
    return OpenMeteoText(page, name, LiveServiceHost(hosts.OpenMeteo));
}

using T = TCatalogues;
using H = TServiceHosts;

} // namespace

const TForecastSource kFranceClassique = {"classique", kFranceKeys,
                                          classicFetch<&T::FranceCities, GetForecastFrance>,
                                          classicText<WalkFrancePage, &H::France>};
const TForecastSource kSuisseClassique = {"classique", kSuisseKeys,
                                          classicFetch<&T::SuisseCities, GetForecastSuisse>,
                                          classicText<WalkSuissePage, &H::Suisse>};
const TForecastSource kCanadaClassique = {"classique", kCanadaKeys,
                                          classicFetch<&T::CanadaCities, GetForecastCanada>,
                                          classicText<WalkCanadaPage, &H::CanadaSite>};
const TForecastSource kBelgiqueClassique = {"classique", kBelgiqueKeys,
                                            classicFetch<&T::BelgiqueCities, GetForecastBelgique>,
                                            classicText<WalkBelgiquePage, &H::Belgique>};
const TForecastSource kOpenMeteo = {"open-meteo", kOpenMeteoKeys, openMeteoFetch, openMeteoText};

std::span<const TForecastSource* const> ForecastSources() {
    static const TForecastSource* const sources[] = {&kFranceClassique, &kSuisseClassique, &kCanadaClassique,
                                                     &kBelgiqueClassique, &kOpenMeteo};
    return sources;
}

std::span<const std::string_view> SourceHostKeys() {
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> all;
        for (const TForecastSource* source : ForecastSources())
            for (std::string_view key : source->HostKeys)
                if (std::find(all.begin(), all.end(), key) == all.end()) all.push_back(key);
        return all;
    }();
    return keys;
}

std::string SourceNames(std::string_view separator) {
    std::vector<std::string_view> names;
    for (const TForecastSource* source : ForecastSources())
        if (std::find(names.begin(), names.end(), source->Name) == names.end()) names.push_back(source->Name);
    std::string joined;
    for (std::string_view name : names) {
        if (!joined.empty()) joined += separator;
        joined += name;
    }
    return joined;
}

} // namespace nubra
