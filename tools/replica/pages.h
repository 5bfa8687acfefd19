// The pages nubra-replica serves: a stand-in for the four weather services,
// for Open-Meteo's forecast API and for the official warning feeds
// (MeteoAlarm's Atom indexes and CAP documents, Environment Canada's
// GeoMet alerts), for tests and for the offline demonstration. Every page has the shape the
// matching forecast source expects (navigation, scripts, entities, CR LF
// line breaks, some UTF-8 bytes, the markers, boxes and tables), and its
// forecast varies with the place and the day, deterministically: the same
// place on the same day always gives the same bytes.
//
// The paths answered, for any Host:
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
//   /feeds/meteoalarm-legacy-atom-<france|belgium|switzerland|luxembourg>
//                                            MeteoAlarm's Atom index of a
//                                            country; see MeteoAlarmAtomAnswer
//   /feeds/meteoalarm-legacy-atom-garbage    200 with a body that is not XML
//                                            (gzip bytes sent without their
//                                            Content-Encoding)
//   /api/v1/warnings/feeds-<country>/<uuid>  a CAP 1.2 document the index
//                                            links to; see MeteoAlarmCapAnswer
//   /collections/weather-alerts/items?f=json&bbox=<lon1>,<lat1>,<lon2>,<lat2>&limit=<n>[&offset=<k>]
//                                            GeoMet's weather alerts; see
//                                            GeoMetAlertsAnswer
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
// header `cookie` (empty when none), for the day `day`. `origin`
// ("http://127.0.0.1:8080", from the request's scheme and Host) starts the
// addresses the warning feeds link to, so that a client following them
// comes back to the replica; empty (or holding anything but a scheme, host
// and port) gives the real services' addresses.
TAnswer AnswerRequest(std::string_view target, std::string_view cookie, std::int64_t day,
                      std::string_view origin = {});

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

// --- Warning feeds.
//
// The replica's clock for warnings: 12:00 local time on `day`, the time of
// Open-Meteo's "current", in UTC seconds: Central European Time (summer
// time from the last Sunday of March to the last of October) for
// MeteoAlarm's countries, North America's Eastern time for Canada
// (`canada`). Every onset and expiry below is counted from it ("now").
std::int64_t WarningsNow(std::int64_t day, bool canada);

// MeteoAlarm's Atom index of `country` ("france", "belgium", "switzerland",
// "luxembourg"; "garbage" gives 200 with gzip bytes, no XML), shaped as the
// recorded French index: one <entry> per warning, area and geocode, with
// cap:geocode, the link "https://meteoalarm.org?geocode=EMMA_ID:<code>",
// cap:areaDesc, the English cap:event, sent/expires/effective/onset in
// UTC (+00:00), severity, message_type, status, identifier, the link of
// type application/cap+xml to "<origin>/api/v1/warnings/feeds-<country>/<uuid>"
// (a UUID that changes with the day), and the title
// "<Colour> <Type> Warning issued for <Country> - <area>" that gives the
// level. 200 application/atom+xml; another country is 404. The warnings,
// times from now (h hours):
//   france
//     Bas Rhin         NUTS3 FR421, EMMA_ID FR086   orange wind, now-4h to now+20h
//                      (the next morning), Alert; Haut-Rhin (FR422, FR083) has none
//     Gironde          NUTS3 FR612, EMMA_ID FR014   yellow rain, now-30h to now-6h: expired;
//                      its CAP link answers 500
//     Paris            NUTS3 FR101, EMMA_ID FR067   green (level 1) wind, now-2h to now+22h
//     Haute Savoie     NUTS3 FR718, EMMA_ID FR035   yellow avalanches, all-clear: msgType
//                      Update, CAP responseType AllClear, onset now-3h, effective and
//                      expires a minute later, as Météo-France ends a warning
//     Finistere        NUTS3 FR522, EMMA_ID FR046   yellow thunderstorms to come, now+26h to
//                      now+34h (tomorrow 14:00 to 22:00); its CAP link answers 200 with
//                      malformed XML (the document cut off inside its first description)
//     Bouches du Rhone NUTS3 FR824, EMMA_ID FR027   yellow rain in force, now-2h to now+10h;
//                      its CAP link answers 500, so a warning in force has only its entry
//   belgium    Brabant et Bruxelles, EMMA_ID BE004, one entry for each of NUTS2 BE10,
//              BE24 and BE31 (one CAP document): yellow snow-ice, now-3h to now+15h
//   switzerland  Lausanne - Lavaux, no geocode: the entry carries <cap:polygon>
//              (MeteoAlarm's index has no element of its own for it; the CAP
//              form "lat,lon ...") and the CAP area its <polygon>
//              46.62,6.45 46.62,6.85 46.48,6.90 46.45,6.60 46.50,6.45 (closed), around
//              Lausanne (46.52 N, 6.63 E), Zürich outside: yellow wind, now-1h to now+9h
//   luxembourg LU001 (South; geocode EMMA_ID LU001): yellow heat, now-2h to now+8h;
//              nothing for LU002
TAnswer MeteoAlarmAtomAnswer(std::string_view country, std::int64_t day, std::string_view origin = {});

// The CAP 1.2 document of `uuid` in `country`'s feed on `day` (404 for
// another): shaped as the recorded one, identifier
// "2.49.0.0.<country number>.0.<CC>.<sent, local>.<n>", sender, sent, status
// Actual, msgType, then a French block (fr-FR, fr-BE, fr-CH, fr-LU; French
// event such as "Vigilance orange vent violent", headline, description,
// instruction, senderName METEO-FRANCE, IRM-KMI, MétéoSuisse, MeteoLux)
// and an English one (en-GB), times in Central European local time,
// parameters awareness_level "3; orange; Severe" and awareness_type
// "1; Wind", and areas with their geocodes (EMMA_ID first) or polygon.
// 200 application/cap+xml; the two links above answer 500 (HTML) and
// malformed XML.
TAnswer MeteoAlarmCapAnswer(std::string_view country, std::string_view uuid, std::int64_t day);

// GeoMet's "/collections/weather-alerts/items?<query>" on `day`, shaped as
// the recorded answer: a FeatureCollection of the alerts whose polygon's
// bounding box overlaps `bbox` (lon1,lat1,lon2,lat2; the whole world when
// absent), `offset` (0) and `limit` (10, from 1 to 10000) applied in the
// order below, numberMatched, numberReturned, links (self, alternates,
// prev when offset > 0, next when more remain, with the next offset,
// collection) and timeStamp. Each feature: a Polygon ([lon, lat], closed)
// and properties with paired _en/_fr fields, times as
// "2026-12-08T16:00:00.000Z". 200 application/geo+json; f other than json,
// a bbox not four numbers in order, or a bad limit or offset give 400
// {"code":"InvalidParameterValue",...}. The alerts, times from now:
//   Montréal  yellow wind warning (WW), published now-2h, valid from now-1h, event end
//             now+10h, expires now+14h; polygon (lat, lon) 45.50,-73.97 45.40,-73.95
//             45.46,-73.52 45.60,-73.47 45.70,-73.49 45.52,-73.85: holds Montréal
//             (45.50 N, 73.57 W), not Laval's north shore at Sainte-Rose (45.61 N, 73.78 W)
//             which its bounding box does hold
//   Québec    yellow freezing rain warning, expired: expires now-16h; box 46.70 to
//             46.95 N, 71.50 to 71.00 W
//   Ottawa    special weather statement (SPS), no colour, confidence or impact,
//             published now-3h, expires now+24h; box 45.25 to 45.55 N, 76.00 to 75.40 W
TAnswer GeoMetAlertsAnswer(std::string_view query, std::int64_t day, std::string_view origin = {});

// The name of the session cookie the France home page sets, and whether a
// "Cookie" header carries a session the replica issued.
inline constexpr std::string_view FranceSessionCookie = "JSESSIONID";
bool HasFranceSession(std::string_view cookie);

} // namespace nubra::replica
