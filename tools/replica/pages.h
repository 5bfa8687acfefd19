// The pages nubra-replica serves: a stand-in for the four weather services
// and for Open-Meteo's forecast API, for tests and for the offline
// demonstration. Every page has the shape the
// matching forecast source expects (navigation, scripts, entities, CR LF
// line breaks, some UTF-8 bytes, the markers, boxes and tables), and its
// forecast varies with the place and the day, deterministically: the same
// place on the same day always gives the same bytes.
//
// The six paths answered, for any Host:
//   /france/accueil                          France home page; sets the
//                                            session cookie JSESSIONID
//   /jsp/site/Portal.jsp?page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F<code>0
//                                            France commune page; without
//                                            the session cookie it answers
//                                            302 to the home page, as the
//                                            service does when a session
//                                            has expired
//   /web/fr/meteo/previsions_en_detail/prevision_par_localite.html?language=fr&plz=<npa>&x=0&y=0
//   /forecast/city_f.html?<code>&unit=m
//   /index.php?place=ville&ville=Bruxelles&station=<station>
//   /v1/forecast?latitude=<lat>&longitude=<lon>&current=<names>&hourly=<names>&daily=<names>&timezone=auto&forecast_days=<n>
//                                            Open-Meteo forecast, JSON; see
//                                            OpenMeteoAnswer
// Anything else is 404 with a small HTML page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nubra::replica {

struct TAnswer {
    unsigned Status = 200;
    std::vector<std::pair<std::string, std::string>> Headers; // besides Content-Length
    std::string Body;
};

// Days since 1970-01-01, UTC, of the current time.
std::int64_t Today();

// The answer to a GET of `target` (path and query) carrying the "Cookie"
// header `cookie` (empty when none), for the day `day`.
TAnswer AnswerRequest(std::string_view target, std::string_view cookie, std::int64_t day);

// The page bodies, also used by the tests directly.
std::string FranceHomePage(std::int64_t day);
std::string FranceCommunePage(std::string_view codeInsee, std::int64_t day);
std::string SuissePage(std::string_view npa, std::int64_t day);
std::string CanadaPage(std::string_view codeVille, std::int64_t day);
std::string BelgiquePage(std::string_view station, std::int64_t day);

// The answer to "/v1/forecast?<query>" on the day `day`, in the shape
// Open-Meteo documents: 200 with a JSON body (Content-Type application/json;
// charset=utf-8) holding the grid point (the position to a hundredth of a
// degree), generationtime_ms, the time zone "timezone=auto" resolves
// (utc_offset_seconds, timezone, timezone_abbreviation), the elevation,
// then "current_units" and "current" (at 12:00 local on `day`, interval
// 900) when "current" names variables, "hourly_units" and "hourly" (24
// local hours "YYYY-MM-DDTHH:00" a day from 00:00 of `day`, clock changes
// ignored) when "hourly" does, "daily_units" and "daily" (one date and one
// value per day from `day` on) when "daily" does, each holding the
// requested variables in the order asked. Known variables and units:
//   current  temperature_2m °C, apparent_temperature °C,
//            relative_humidity_2m %, weather_code "wmo code",
//            wind_speed_10m km/h, wind_direction_10m °, wind_gusts_10m km/h
//   hourly   temperature_2m °C, precipitation_probability %,
//            precipitation mm, weather_code "wmo code", wind_speed_10m km/h,
//            wind_direction_10m °, wind_gusts_10m km/h
//   daily    weather_code "wmo code", temperature_2m_max °C,
//            temperature_2m_min °C, precipitation_sum mm,
//            precipitation_probability_max %, wind_speed_10m_max km/h,
//            wind_gusts_10m_max km/h, wind_direction_10m_dominant °,
//            sunrise iso8601, sunset iso8601, daylight_duration s,
//            uv_index_max ""
// Numbers have one decimal; codes, directions, probabilities and humidity
// none. The hours agree with their day: its temperatures run from the
// daily minimum to the maximum, its precipitation adds up to the daily sum
// to the tenth, and the daily code, probability, wind and gusts are the
// highest of its hours; gusts are never below the wind. "current" is the
// 12:00 row of `day` for the variables both have; the apparent
// temperature stays within 4 °C of the temperature, lower with wind.
// Sunrise and sunset ("YYYY-MM-DDTHH:MM" local, in the offset of their own
// date) come from the sun's declination and hour angle at -0.833°; where
// the sun does not rise (polar night) daylight_duration is 0.0 and where
// it does not set (midnight sun) 86400.0, and in both cases sunrise and
// sunset are, by the replica's convention, "YYYY-MM-DDT00:00" of the day.
// The last day of a forecast of seven days or more has null
// precipitation_sum and wind_direction_10m_dominant and null values in
// every hourly variable from 21:00 on, and with more than ten days the
// day before it has null precipitation_sum and wind_direction_10m_dominant
// too. forecast_days defaults to 7. A bad parameter gives 400 with
// {"error":true,"reason":"..."}: latitude or longitude missing, not a
// number or out of range, forecast_days not an integer from 0 to 16, an
// unknown variable, a timezone other than auto, GMT or UTC.
TAnswer OpenMeteoAnswer(std::string_view query, std::int64_t day);

// The name of the session cookie the France home page sets, and whether a
// "Cookie" header carries a session the replica issued.
inline constexpr std::string_view FranceSessionCookie = "JSESSIONID";
bool HasFranceSession(std::string_view cookie);

} // namespace nubra::replica
