// The Canada forecast source: a city's page on the weather service's
// text-only site, turned into a heading, an attribution line naming the
// service's main site, and one line per term with its definition, paragraph
// or level-2 heading of the page's forecast boxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "hosts.h"
#include "http.h"

namespace nubra {

// Path and query of a city's page: the code exactly as stored ("AB-12"
// gives "/forecast/city_f.html?AB-12&unit=m").
std::string CanadaForecastPath(std::string_view codeVille);

// The forecast text of a page already fetched (`page` as it came, not
// decoded); `siteHost` is the main site named in the attribution line.
// Empty only for an empty page; a page without forecast boxes gives the two
// heading lines.
std::string WalkCanadaPage(std::string_view page, std::string_view name, std::string_view siteHost);

// Fetches `place`'s page from `hosts.Canada` and walks it, naming
// `hosts.CanadaSite` in the attribution.
std::string GetForecastCanada(const TVillecanada& place, const TServiceHosts& hosts, TIdHTTP& http);

} // namespace nubra
