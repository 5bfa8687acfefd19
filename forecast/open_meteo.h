// The Open-Meteo source: a forecast for any position, from the national
// weather services' models, read as JSON over HTTPS (or from a plain-HTTP
// server named "http://host" such as the local replica) from
// "/v1/forecast" and turned into the same kind of text as the historic
// sources (Windows-1252, CR LF after every line):
//
//   Prévisions Open-Meteo pour <name>, actualisées le mardi 8 décembre à 14h00
//   Données Open-Meteo.com (CC BY 4.0) - <host>
//   Actuellement : 4°C (ressenti 1°C), couvert, vent 12 km/h SO, rafales 35 km/h, humidité 87 %
//   Soleil : lever 08h05, coucher 16h37
//   Mardi 8 après-midi : pluie faible, 5 à 7°C, 2,1 mm (80 %), vent 20 km/h SO, rafales 45 km/h, UV 3
//   Mardi 8 soirée : ...
//   Mercredi 9 nuit : ... (then matin, après-midi, soirée)
//   Jeudi 10 : averses faibles, 3 à 9°C, 4,2 mm (70 %), vent 25 km/h O, rafales 60 km/h, UV 4
//   ... one line a day (the month is in the heading; lines that short fit the window)
//
// Times are the place's own, as the answer gives them. The periods (nuit
// 0 h-6 h, matin, après-midi, soirée) hold the hourly rows stamped from
// their start up to their end: today's still to come, the current one from
// the current hour on, then tomorrow's. Each says the most significant
// weather of its hours (the highest code), the lowest and highest
// temperature, the rain summed with its highest chance, the strongest wind
// with its direction and the strongest gust.
//
// Temperatures and speeds are rounded to whole units, precipitation to a
// tenth with a decimal comma; wind directions are one of the eight points
// N NE E SE S SO O NO. A value the answer gives as null, or a field it
// leaves out, is left out of its line; values in other units that the
// answer states are converted. An answer that is not JSON, not of the
// documented shape, with arrays of different lengths, absurd values, a unit
// we do not know or nothing at all to show, raises EOpenMeteoAnswer
// "Réponse du service Open-Meteo illisible (...)." with what was wrong; the
// service's own refusal ({"error": true, "reason": ...}) raises it with
// "Le service Open-Meteo refuse la demande : <reason>".
#pragma once

#include <cstdint>
#include <optional>
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

// An answer read: its text, and the place's clock as seconds east of UTC
// ("utc_offset_seconds"; nullopt when the answer gives none that a clock
// on Earth can have).
struct TOpenMeteoReading {
    std::string Text;
    std::optional<std::int32_t> UtcOffset;
};

// The text of an answer body for the place `name` (Windows-1252), naming
// `host` in the credit line, and its clock. Raises EOpenMeteoAnswer.
TOpenMeteoReading ReadOpenMeteoAnswer(std::string_view json, std::string_view name, std::string_view host);

// ReadOpenMeteoAnswer's text.
std::string OpenMeteoText(std::string_view json, std::string_view name, std::string_view host);

// The French words of a WMO weather code as the service uses them
// ("ciel dégagé" ... "orage avec forte grêle"); a code outside the table
// gives "temps non précisé (code N)".
std::string OpenMeteoWeather(std::int64_t code);

// Fetches the forecast of `position` from `hosts.OpenMeteo` with the live
// fetch of `http` and turns it into text, the credit line naming the host. An answer 400 carrying the service's reason raises
// EHttpError "Le service Open-Meteo refuse la demande : <reason>"; other
// fetch failures pass through as the client reports them.
TOpenMeteoReading FetchOpenMeteo(std::string_view name, const TPosition& position, const TServiceHosts& hosts,
                                 TIdHTTP& http);

} // namespace nubra
