// The Belgium forecast source: the page of a locality's weather station on
// the newspaper's weather site, turned into a heading, an attribution line
// and one line per list item of the page's forecast block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "hosts.h"
#include "http.h"

namespace nubra {

// The opening tag of the forecast block, matched byte for byte.
inline constexpr std::string_view BelgiqueMarker = "<div class=\"climat-content\">";

// Path and query of a station's page ("/index.php?place=ville&ville=
// Bruxelles&station=6450"); "place" and "ville" are the same for all.
std::string BelgiqueForecastPath(std::uint16_t station);

// The forecast text of a page already fetched (`page` as it came, not
// decoded). Empty only for an empty page. Without the marker the whole page
// is walked from its start.
std::string WalkBelgiquePage(std::string_view page, std::string_view name, std::string_view host);

// Fetches and walks the page of `locality`'s station from `hosts.Belgique`.
std::string GetForecastBelgique(const TVilleBelge& locality, const TServiceHosts& hosts, TIdHTTP& http);

} // namespace nubra
