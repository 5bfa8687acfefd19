// The France forecast source: a commune's page on the national service's
// site, turned into a heading with the update time, an attribution line,
// the ephemeris (sun and moon) and one line per forecast period.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "hosts.h"
#include "http.h"

namespace nubra {

// The path of the service's home page, fetched first so the session cookie
// it sets goes out with the commune page's request.
inline constexpr std::string_view FranceHomePath = "/france/accueil";

// Path and query of a commune's forecast page: the commune code followed by
// the digit 0 ("67001" gives "...previsionsville%2F670010").
std::string FranceForecastPath(std::string_view codeInsee);

// The forecast text of a commune page already fetched: `page` is the body as
// it came (not decoded), `name` the commune's name for the heading, `host`
// the site named in the attribution line. Empty when the page is empty or
// lacks ".cityWeather" or "Actualis", or ends inside the ephemeris block.
std::string WalkFrancePage(std::string_view page, std::string_view name, std::string_view host);

// Fetches the home page, then `commune`'s page, on `http`, from
// `hosts.France`, and walks it. Fetch failures pass through as EHttpError.
std::string GetForecastFrance(const TVilleFrance& commune, const TServiceHosts& hosts, TIdHTTP& http);

} // namespace nubra
