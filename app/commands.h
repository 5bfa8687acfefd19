// The parts of the forecast commands that need no display: the default
// place in the settings file, the choice of forecast source, the service
// hosts taken from the settings file, and the texts of the error box.
// Texts are Windows-1252 bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "countries.h"
#include "hosts.h"

namespace nubra {

class TIdHTTP;

// Section and keys of the default place in "nubra.ini".
inline constexpr std::string_view kGeneralSection = "general";
inline constexpr std::string_view kCountryKey = "Pays";
inline constexpr std::string_view kCityKey = "villedefaut";
inline constexpr std::string_view kHostsSection = "serveurs";
inline constexpr std::string_view kSourcesSection = "sources";

struct TPlace {
    std::int32_t Country = 0;
    std::int32_t City = 0;
};

// "Pays" then "villedefaut" of section "general", each 0 when absent or not
// an integer (a missing or unreadable file gives France, first commune).
TPlace ReadDefaultPlace(const std::string& settingsPath);

// "villedefaut" first, then "Pays"; when the first write fails (it raises
// EProfileError) the second is not attempted.
void WriteDefaultPlace(const std::string& settingsPath, const TPlace& place);

// The forecast text of `city` from the source of `country`, fetched on
// `http` from `hosts`; nullopt, with nothing fetched, for a country index
// no row has. A city index that its country's table does not hold raises
// std::runtime_error with InvalidPlaceMessage before anything is fetched.
// Fetch and page errors of the sources pass through.
//
// The country's source is the one `sources` gives it (its default where
// `sources` gives none); a source that reads positions asks `positions`,
// and one that shows warnings gives them `warningsTimeLimit`.
std::optional<std::string> FetchForecast(const TCatalogues& tables, const TServiceHosts& hosts,
                                         std::int32_t country, std::int32_t city, TIdHTTP& http,
                                         const TSourceChoice& sources, const TPositionsSource& positions = {},
                                         std::chrono::milliseconds warningsTimeLimit = kWarningsTimeLimit);

// The message for a city index its country's table does not hold.
std::string InvalidPlaceMessage(std::int32_t country, std::int32_t city);

// The hosts the sources use: `base` with the overrides of the section
// "serveurs" of the settings file (keys "france", "suisse", "canada",
// "canada-site", "belgique", "open-meteo"); keys absent from the file keep the host of
// `base`. Values that are not a host or host:port (for "open-meteo", also
// "http://host[:port]") are ignored and their keys appended to `rejected`. The window and nubra-cli both start from
// DefaultServiceHosts().
TServiceHosts SettingsHosts(const std::string& settingsPath, std::vector<std::string>& rejected,
                            TServiceHosts base = DefaultServiceHosts());

// The source of each country from the section "sources" of the settings
// file (keys: the countries' keys; values: the name of a source the country
// offers, ASCII case ignored); an absent key gives the country's default. A
// value that names no source the country offers ("monaco=classique") is
// ignored (the country gets its default) and its key appended to
// `rejected`.
TSourceChoice SettingsSources(const std::string& settingsPath, std::vector<std::string>& rejected);

// The title of the error box: the executable's file name without its
// folder, cut before its first ".", its first character as it stands and
// every later letter in lower case ("/usr/bin/nubra" gives "nubra",
// "NUBRA.bin" gives "Nubra").
std::string ApplicationTitle(std::string_view executablePath);

// The message as the error box shows it: a "." is appended when the last
// byte sorts after "." (so "Erreur 404" gains one, "Fin." or "(x)" not).
std::string ErrorBoxText(std::string_view message);

} // namespace nubra
