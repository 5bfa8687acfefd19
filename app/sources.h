// Where a forecast comes from. Every source is one TForecastSource: the
// historic service of each of the first four countries ("classique", one
// per country, since each reads its own site and its own record) and
// Open-Meteo, which forecasts any position. The window, its commands and
// nubra-cli only call through these; the country rows (countries.h) say
// which sources each country offers.
//
// A further source is one more TForecastSource here and its name in the
// rows of the countries that offer it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "coords.h"
#include "hosts.h"
#include "vigilance.h"
#include "warnings.h"

namespace nubra {

class TIdHTTP;
struct TCountry;

// The positions entry, asked for only when a fetch needs it: returns the
// positions, or raises std::runtime_error with the reason they cannot be
// read.
using TPositionsSource = std::function<const TCoordinates&()>;

// How long the warnings may still take once the forecast has arrived.
inline constexpr std::chrono::milliseconds kWarningsTimeLimit{5000};

// A record of a country's catalogue, as a source fetches it.
struct TPlaceQuery {
    const TCountry& Country;
    const TCatalogues& Tables;
    std::int32_t City;                    // a valid index of the country's table
    const TPositionsSource& Positions;    // may be empty for a source that needs none
    std::chrono::milliseconds WarningsTimeLimit = kWarningsTimeLimit;
};

struct TForecastSource {
    // The name in the settings' [sources] section and after --source.
    std::string_view Name;
    // The keys of the hosts it reads (the "serveurs" section), in the order
    // nubra-cli hosts lists them.
    std::span<const std::string_view> HostKeys;
    // The forecast text of `place`, fetched on `http` from `hosts`. Fetch
    // and page errors raise.
    std::string (*Fetch)(const TPlaceQuery& place, const TServiceHosts& hosts, TIdHTTP& http);
    // The forecast text of an answer of this source already fetched (what
    // Fetch would have made of it), for the place named `name`, crediting
    // the host in `hosts`. What nubra-cli parse runs.
    std::string (*Text)(std::string_view page, std::string_view name, const TServiceHosts& hosts);
};

// Where a country's official warnings come from, shown within the
// Open-Meteo forecast (vigilance.h says how).
struct TWarningSource {
    // The issuer as it names itself in French: "Météo-France".
    std::string_view Issuer;
    std::span<const std::string_view> HostKeys;
    // How the service's warnings are matched to `place`: by its areas or
    // by its position (which a place without one raises).
    TPlaceMatch (*Match)(const TPlaceQuery& place);
    // The warnings of the place `Match` gave, current at `now` (UTC
    // seconds). Failures raise.
    std::vector<TWarning> (*Fetch)(const TPlaceMatch& place, std::int64_t now, const TServiceHosts& hosts,
                                   TIdHTTP& http);
};

extern const TWarningSource kFranceWarnings;
extern const TWarningSource kSuisseWarnings;
extern const TWarningSource kCanadaWarnings;
extern const TWarningSource kBelgiqueWarnings;
extern const TWarningSource kLuxembourgWarnings;

// The warning lines of `place` (CR LF after each), read within the place's
// WarningsTimeLimit, on a clock `utcOffset` seconds east of UTC, as the Open-Meteo forecast shows them after its
// credit line: its warnings, "Aucune vigilance en cours", or for a country
// without a warning service kNoWarningService. Warnings that cannot be read
// in time, or at all, give one line "Vigilances indisponibles : <reason>"
// and raise nothing, except the abandon of the fetch on `http`
// (EHttpError "Opération annulée."), which passes through.
std::string PlaceWarnings(const TPlaceQuery& place, std::int32_t utcOffset, std::int64_t now,
                          const TServiceHosts& hosts, TIdHTTP& http);

// The warning lines of `place` from `document`, a document of its
// country's warning service saved earlier (ReadSavedWarnings says which),
// current at `now`, the times on a clock `utcOffset` seconds east of UTC:
// what nubra-cli parse warnings runs. kNoWarningService for a country
// without one; a document that cannot be read raises EWarningDocument.
std::string SavedPlaceWarnings(const TPlaceQuery& place, std::string_view document, std::int32_t utcOffset,
                               std::int64_t now);

extern const TForecastSource kFranceClassique;
extern const TForecastSource kSuisseClassique;
extern const TForecastSource kCanadaClassique;
extern const TForecastSource kBelgiqueClassique;
extern const TForecastSource kOpenMeteo;

// Every source once, in the order their hosts are listed.
std::span<const TForecastSource* const> ForecastSources();

// The hosts' keys of every source, each once, in ForecastSources() order,
// then those of the countries' warning sources.
std::span<const std::string_view> SourceHostKeys();

// The source names, each once, in ForecastSources() order, joined by
// `separator` ("classique ou open-meteo").
std::string SourceNames(std::string_view separator);

} // namespace nubra
