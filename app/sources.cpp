#include "sources.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "countries.h"
#include "open_meteo.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "vigilance.h"
#include "warning_areas.h"

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

// The position of the record, from the positions entry.
const TPosition& positionOf(const TPlaceQuery& place) {
    const TCountry& country = place.Country;
    if (!place.Positions) throw std::logic_error("fetch by position without positions");
    const std::vector<TPosition>& known = place.Positions().Of(country.Section);
    if (static_cast<std::size_t>(place.City) >= known.size())
        throw std::runtime_error("Position inconnue pour la ville d'indice " + std::to_string(place.City) + " " +
                                 std::string(country.Where));
    return known[static_cast<std::size_t>(place.City)];
}

// Open-Meteo forecasts the record's position; the place's warnings follow
// its credit line.
std::string openMeteoFetch(const TPlaceQuery& place, const TServiceHosts& hosts, TIdHTTP& http) {
    const TCountry& country = place.Country;
    const TOpenMeteoReading reading =
        FetchOpenMeteo(country.CityName(place.Tables, place.City), positionOf(place), hosts, http);
    std::string text = reading.Text;
    const std::size_t heading = text.find("\r\n");
    const std::size_t credit = heading == std::string::npos ? heading : text.find("\r\n", heading + 2);
    const std::size_t at = credit == std::string::npos ? text.size() : credit + 2;
    text.insert(at, PlaceWarnings(place, reading.UtcOffset.value_or(0), std::time(nullptr), hosts, http));
    return text;
}

// -- Warnings ----------------------------------------------------------------

// A place matched by the warning areas of its record, or by its position.
TPlaceMatch byAreas(const TPlaceQuery& place) {
    TPlaceMatch match;
    match.AreaCodes = EmbeddedWarningAreas().Of(place.Country.Section, static_cast<std::size_t>(place.City));
    return match;
}

TPlaceMatch byPosition(const TPlaceQuery& place) {
    TPlaceMatch match;
    match.ByPosition = true;
    match.Position = positionOf(place);
    return match;
}

template <const char* Feed>
std::vector<TWarning> meteoAlarm(const TPlaceMatch& place, std::int64_t now, const TServiceHosts& hosts,
                                 TIdHTTP& http) {
    return FetchMeteoAlarmWarnings(Feed, place, now, hosts, http);
}

std::vector<TWarning> geoMet(const TPlaceMatch& place, std::int64_t now, const TServiceHosts& hosts, TIdHTTP& http) {
    return FetchGeoMetWarnings(place.Position, now, hosts, http);
}

constexpr char kFranceFeed[] = "france";
constexpr char kSuisseFeed[] = "switzerland";
constexpr char kBelgiqueFeed[] = "belgium";
constexpr char kLuxembourgFeed[] = "luxembourg";
constexpr std::string_view kMeteoAlarmKeys[] = {"meteoalarm"};
constexpr std::string_view kGeoMetKeys[] = {"geomet"};

// Aborts `http` once `limit` has passed, and again every 50 ms until the
// watch ends, so that a request started after the first abort is
// abandoned too.
class TDeadline {
public:
    TDeadline(TIdHTTP& http, std::chrono::milliseconds limit)
        : watcher_([this, &http, limit] {
              std::unique_lock lock(mutex_);
              if (done_.wait_for(lock, limit, [this] { return over_; })) return;
              expired_ = true;
              while (!done_.wait_for(lock, std::chrono::milliseconds(50), [this] { return over_; })) http.Abort();
          }) {}
    ~TDeadline() {
        {
            std::lock_guard lock(mutex_);
            over_ = true;
        }
        done_.notify_all();
        watcher_.join();
    }
    bool Expired() {
        std::lock_guard lock(mutex_);
        return expired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool over_ = false;
    bool expired_ = false;
    std::thread watcher_;  // last: started once the rest is ready
};

} // namespace

const TWarningSource kFranceWarnings = {"M\xE9t\xE9o-France", kMeteoAlarmKeys, byAreas, meteoAlarm<kFranceFeed>};
const TWarningSource kSuisseWarnings = {"M\xE9t\xE9oSuisse", kMeteoAlarmKeys, byPosition, meteoAlarm<kSuisseFeed>};
const TWarningSource kCanadaWarnings = {"Environnement Canada", kGeoMetKeys, byPosition, geoMet};
const TWarningSource kBelgiqueWarnings = {"IRM", kMeteoAlarmKeys, byAreas, meteoAlarm<kBelgiqueFeed>};
const TWarningSource kLuxembourgWarnings = {"MeteoLux", kMeteoAlarmKeys, byAreas, meteoAlarm<kLuxembourgFeed>};

std::string SavedPlaceWarnings(const TPlaceQuery& place, std::string_view document, std::int32_t utcOffset,
                               std::int64_t now) {
    const TWarningSource* source = place.Country.Warnings;
    if (!source) return std::string(kNoWarningService) + "\r\n";
    return WarningLines(ReadSavedWarnings(document, source->Match(place), now), source->Issuer, utcOffset);
}

std::string PlaceWarnings(const TPlaceQuery& place, std::int32_t utcOffset, std::int64_t now,
                          const TServiceHosts& hosts, TIdHTTP& http) {
    const TWarningSource* source = place.Country.Warnings;
    if (!source) return std::string(kNoWarningService) + "\r\n";
    std::string reason;
    {
        TDeadline deadline(http, place.WarningsTimeLimit);
        try {
            return WarningLines(source->Fetch(source->Match(place), now, hosts, http), source->Issuer, utcOffset);
        } catch (const EHttpError& error) {
            // Abandoned by the user (no deadline passed): the whole command is.
            if (!deadline.Expired() && error.Abandoned())
                throw;
            reason = deadline.Expired() ? std::string("d\xE9lai d\xE9pass\xE9.") : std::string(error.what());
        } catch (const std::exception& error) {
            reason = deadline.Expired() ? std::string("d\xE9lai d\xE9pass\xE9.") : std::string(error.what());
        }
    }
    return WarningsUnavailable(reason) + "\r\n";
}

namespace {

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
        const auto add = [&all](std::span<const std::string_view> some) {
            for (std::string_view key : some)
                if (std::find(all.begin(), all.end(), key) == all.end()) all.push_back(key);
        };
        for (const TForecastSource* source : ForecastSources()) add(source->HostKeys);
        for (const TCountry& country : Countries())
            if (country.Warnings) add(country.Warnings->HostKeys);
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
