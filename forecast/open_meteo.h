// The Open-Meteo source: a forecast for any position, from the national
// weather services' models, read as JSON over HTTPS (or from a plain-HTTP
// server named "http://host" such as the local replica) from
// "/v1/forecast" and turned into the same kind of text as the historic
// sources (Windows-1252, CR LF after every line):
//
//   Prévisions Open-Meteo pour <name>
//   Données Open-Meteo.com (CC BY 4.0) - <host>
//   Actuellement : 4°C, couvert, vent 12 km/h SO
//   Mardi 8 décembre : pluie faible, min 2°C, max 7°C, 3,4 mm, vent 25 km/h SO
//   ... one line per day
//
// Temperatures and wind speeds are rounded to whole units, precipitation to
// a tenth with a decimal comma; wind directions are one of the eight points
// N NE E SE S SO O NO. A value the answer gives as null is left out of its
// line. An answer that is not JSON, not of the documented shape, with daily
// arrays of different lengths or absurd values, raises EOpenMeteoAnswer
// "Réponse du service Open-Meteo illisible." with what was wrong.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "coords.h"
#include "hosts.h"
#include "http.h"

namespace nubra {

class EOpenMeteoAnswer : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Path and query of the forecast of `position`, asking only for what the
// text shows, seven days, in the place's own time zone.
std::string OpenMeteoForecastPath(const TPosition& position);

// The text of an answer body for the place `name` (Windows-1252), naming
// `host` in the credit line. Raises EOpenMeteoAnswer.
std::string OpenMeteoText(std::string_view json, std::string_view name, std::string_view host);

// The French words of a WMO weather code as the service uses them
// ("ciel dégagé" ... "orage avec forte grêle"); a code outside the table
// gives "temps non précisé (code N)".
std::string OpenMeteoWeather(std::int64_t code);

// Fetches the forecast of `position` from `hosts.OpenMeteo` with the live
// fetch of `http` and turns it into text, the credit line naming the host. An answer 400 carrying the service's reason raises
// EHttpError "Le service Open-Meteo refuse la demande : <reason>"; other
// fetch failures pass through as the client reports them.
std::string GetForecastOpenMeteo(std::string_view name, const TPosition& position, const TServiceHosts& hosts,
                                 TIdHTTP& http);

} // namespace nubra
