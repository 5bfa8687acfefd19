// The Switzerland forecast source: a locality's page on the federal
// service's site, by postal number, turned into a heading, an attribution
// line and, for each day of the forecast table, the written-out date, the
// weather, the temperatures, the sunshine, the precipitation and the
// probability of gusts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "hosts.h"
#include "http.h"

namespace nubra {

// Day abbreviations of the page's date cells and the French day names,
// alternately: "Lu", "Lundi", "Ma", "Mardi", ... "Di", "Dimanche".
extern const std::array<std::string_view, 14> DayNames;

// "Janvier" .. "Décembre"; MonthNames[0] is month 1.
extern const std::array<std::string_view, 12> MonthNames;

// A date cell written out: "Lu, 07.12." gives "Lundi 07 Décembre", "Xy,
// 07.12." gives "07 Décembre". Characters 8 and 9 must be a whole number,
// else std::runtime_error "'xx' n'est pas une valeur entière correcte".
// A month number outside 1 to 12 is kept as written ("Lu, 07.13." gives
// "Lundi 07 13"): the page's own figure is the best we can show.
std::string ExpandDate(std::string_view date);

// Path and query of the page of postal number `npa`.
std::string SuisseForecastPath(std::uint16_t npa);

// The forecast text of a page already fetched (`page` as it came, not
// decoded). Empty only for an empty page. A page without "Prévisions pour"
// is walked from its start; a page cut short before the table's end gives
// the lines gathered so far. Raises ExpandDate's error.
std::string WalkSuissePage(std::string_view page, std::string_view name, std::string_view host);

// Fetches and walks the page of `locality` from `hosts.Suisse`.
std::string GetForecastSuisse(const TVilleSuisse& locality, const TServiceHosts& hosts, TIdHTTP& http);

} // namespace nubra
