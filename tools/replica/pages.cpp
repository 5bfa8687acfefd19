// Page generation for nubra-replica. The source file is UTF-8, so the
// accented letters written directly in the literals below reach the pages
// as UTF-8 byte pairs, the way a UTF-8 site serves them; others are written
// as HTML entities. Both are what the forecast sources decode.
#include "pages.h"

#include "ascii.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <span>
#include <utility>

namespace nubra::replica {

namespace {

constexpr std::size_t kMaxPlaceKey = 16;

// --- Deterministic variation -------------------------------------------

std::uint64_t mix(std::uint64_t x)
{
    // splitmix64's finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t hashOf(std::string_view text)
{
    std::uint64_t h = 0xCBF29CE484222325ull; // FNV-1a
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

// A small generator seeded by the service, the place and the day.
class TDice {
public:
    TDice(std::string_view service, std::string_view place, std::int64_t day)
        : state_(mix(hashOf(service) ^ mix(hashOf(place)) ^ static_cast<std::uint64_t>(day))) {}
    // A number from `low` to `high` inclusive.
    int between(int low, int high)
    {
        state_ = mix(state_);
        return low + static_cast<int>(state_ % static_cast<std::uint64_t>(high - low + 1));
    }
    template <class Array>
    auto pick(const Array& items) { return items[static_cast<std::size_t>(between(0, static_cast<int>(items.size()) - 1))]; }

private:
    std::uint64_t state_;
};

// --- Calendar ------------------------------------------------------------

struct TDate {
    int Year, Month, Day, WeekDay; // WeekDay 0 = Monday
};

TDate dateOf(std::int64_t days)
{
    // Howard Hinnant's civil_from_days
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    const int weekDay = static_cast<int>(((days % 7) + 7 + 3) % 7); // 1970-01-01 was a Thursday
    return {y, m, d, weekDay};
}

constexpr std::array<std::string_view, 7> kDays = {
    "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"};
constexpr std::array<std::string_view, 7> kDaysCapital = {
    "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};
constexpr std::array<std::string_view, 7> kDayAbbreviations = {"Lu", "Ma", "Me", "Je", "Ve", "Sa", "Di"};
constexpr std::array<std::string_view, 12> kMonths = {
    "janvier", "février", "mars", "avril", "mai", "juin",
    "juillet", "août", "septembre", "octobre", "novembre", "décembre"};

std::string twoDigits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

std::string longDate(std::int64_t day)
{
    const TDate d = dateOf(day);
    return std::string(kDays[static_cast<std::size_t>(d.WeekDay)]) + " " + std::to_string(d.Day) + " " +
           std::string(kMonths[static_cast<std::size_t>(d.Month - 1)]) + " " + std::to_string(d.Year);
}

// "2026-12-08", as ISO 8601 writes a date.
std::string isoDate(std::int64_t day)
{
    const TDate d = dateOf(day);
    return std::to_string(d.Year) + "-" + twoDigits(d.Month) + "-" + twoDigits(d.Day);
}

// "2026-12-08T08:05": `minutes` after 00:00 of `day`, on the day before or
// after when it falls outside it.
std::string localTime(std::int64_t day, int minutes)
{
    const int dayShift = minutes >= 0 ? minutes / 1440 : -((1439 - minutes) / 1440);
    const int inDay = minutes - dayShift * 1440;
    return isoDate(day + dayShift) + "T" + twoDigits(inDay / 60) + ":" + twoDigits(inDay % 60);
}

// --- Weather vocabulary ------------------------------------------------------

// Written half with entities, half in UTF-8, as real sites mix them.
constexpr std::array<std::string_view, 10> kSkies = {
    "Ensoleill&eacute;", "Éclaircies", "Peu nuageux", "Nuageux", "Tr&egrave;s nuageux",
    "Averses", "Pluie faible", "Neige faible", "Brouillard", "Orages isolés"};
constexpr std::array<std::string_view, 8> kWinds = {"N", "NE", "E", "SE", "S", "SO", "O", "NO"};
constexpr std::array<std::string_view, 6> kSaints = {
    "Saint Ambroise", "Sainte Barbe", "Saint Nicolas", "Sainte Lucie", "Saint Pierre", "Sainte Odile"};
constexpr std::array<std::string_view, 6> kCanadaSkies = {
    "Ensoleillé", "Nuageux", "Alternance de soleil et de nuages", "Quelques averses de neige",
    "Pluie", "Dégagement en soirée"};

std::string hourMinute(int minutes)
{
    return twoDigits(minutes / 60) + "h" + twoDigits(minutes % 60);
}

// A "Cookie" header value: "name=value; name2=value2".
std::string_view cookieValue(std::string_view cookie, std::string_view name)
{
    std::size_t start = 0;
    while (start < cookie.size()) {
        std::size_t end = cookie.find(';', start);
        if (end == std::string_view::npos)
            end = cookie.size();
        std::string_view pair = cookie.substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

constexpr std::uint64_t kSessionSecret = 0x6E75627261736573ull;

std::string hex16(std::uint64_t value)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
    return text;
}

std::string newSessionId()
{
    static std::atomic<std::uint64_t> counter{1};
    const std::uint64_t n = mix(counter.fetch_add(1) ^ 0xA5A5A5A5ull);
    return hex16(n) + hex16(mix(n ^ kSessionSecret));
}

bool isPlaceKey(std::string_view key)
{
    if (key.empty() || key.size() > kMaxPlaceKey)
        return false;
    for (char c : key) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

// The value of `name` in a query "a=1&b=2", or nothing.
std::string_view queryValue(std::string_view query, std::string_view name)
{
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

// --- Page furniture ------------------------------------------------------------

std::string pageHead(std::string_view title, std::string_view extraHead = {})
{
    std::string page = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">\r\n"
                       "<html lang=\"fr\">\r\n<head>\r\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\r\n"
                       "<title>";
    page += title;
    page += "</title>\r\n"
            "<script type=\"text/javascript\">\r\n"
            "  var pub = { zone: 'meteo', rafraichir: 900 };\r\n"
            "  function ouvrir(u) { if (u.length > 0 && u.length < 2048) { window.open(u, '_blank'); } }\r\n"
            "  function bandeau(n) {\r\n"
            "    var html = '';\r\n"
            "    for (var i = 0; i < n && i < 12; i++) { html += '<span class=\"b' + i + '\">' + i + '</span>'; }\r\n"
            "    document.write('<div class=\"bandeau\">' + html + '</div>');\r\n"
            "  }\r\n"
            "</script>\r\n"
            "<!-- <div class=\"ancien\"> ancienne mise en page </div> -->\r\n"
            "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/commun.css\" />\r\n";
    page += extraHead;
    page += "</head>\r\n";
    return page;
}

std::string navigation(std::string_view site)
{
    std::string nav = "<div id=\"entete\">\r\n  <a href=\"/\"><img src=\"/images/logo.png\" alt=\"";
    nav += site;
    nav += "\" /></a>\r\n  <ul class=\"menu\">\r\n"
           "    <li><a href=\"/\">Accueil</a></li>\r\n"
           "    <li><a href=\"/cartes\">Cartes &amp; observations</a></li>\r\n"
           "    <li><a href=\"/montagne\">Montagne &ndash; neige</a></li>\r\n"
           "    <li><a href=\"/mer\">Marine</a></li>\r\n"
           "  </ul>\r\n</div>\r\n";
    return nav;
}

// The site map at the foot of every page: a few dozen links, as the
// services' pages carry, so that a page weighs what a real one does.
std::string siteMap()
{
    static constexpr std::array<std::string_view, 8> sections = {
        "Prévisions", "Observations", "Cartes", "Climat", "Montagne", "Mer", "Agriculture", "Aide"};
    static constexpr std::array<std::string_view, 8> topics = {
        "aujourd&#39;hui", "demain", "7 jours", "radar", "satellite", "vigilance", "archives", "RSS"};
    std::string map = "<div id=\"plan\">\r\n";
    for (std::string_view section : sections) {
        map += "  <dl class=\"rubrique\"><dt>";
        map += section;
        map += "</dt>\r\n";
        for (std::string_view topic : topics) {
            map += "    <dd><a href=\"/plan/";
            map += std::to_string(hashOf(section) % 9973) + "/" + std::to_string(hashOf(topic) % 9973);
            map += ".html\" title=\"";
            map += section;
            map += " &ndash; ";
            map += topic;
            map += "\">";
            map += topic;
            map += "</a></dd>\r\n";
        }
        map += "  </dl>\r\n";
    }
    map += "</div>\r\n";
    return map;
}

std::string pageFoot(std::string_view site)
{
    std::string foot = siteMap();
    foot += "<div id=\"pied\">\r\n  <p>&copy; 2026 ";
    foot += site;
    foot += " &ndash; Tous droits réservés &middot; <a href=\"/mentions\">Mentions légales</a></p>\r\n"
            "</div>\r\n"
            "<script type=\"text/javascript\">if (document.images) { var t = new Image(); t.src = '/stat.gif?r=' + Math.random(); }</script>\r\n"
            "</body>\r\n</html>\r\n";
    return foot;
}

std::string simplePage(std::string_view title, std::string_view message)
{
    std::string page = pageHead(title);
    page += "<body>\r\n<h1>";
    page += title;
    page += "</h1>\r\n<p>";
    page += message;
    page += "</p>\r\n</body>\r\n</html>\r\n";
    return page;
}

TAnswer typedAnswer(unsigned status, const char* contentType, std::string body)
{
    TAnswer answer;
    answer.Status = status;
    answer.Headers.emplace_back("Content-Type", contentType);
    answer.Body = std::move(body);
    return answer;
}

TAnswer htmlAnswer(unsigned status, std::string body)
{
    return typedAnswer(status, "text/html; charset=utf-8", std::move(body));
}

TAnswer notFound()
{
    return htmlAnswer(404, simplePage("Page introuvable", "La page demandée n'existe pas sur ce serveur."));
}

// --- Open-Meteo forecast API -------------------------------------------------
//
// "/v1/forecast" answers as the service documents it: the grid point,
// the time zone, then for each of "current", "hourly" and "daily" an object
// of units and an object of values, holding the requested variables in the
// order of the request. Only the variables below are known; another name is
// refused with a 400, as the service refuses a name it does not know.
// Values are kept in tenths (one decimal, as the service prints them) so
// that no rounding or negative zero reaches the text.

struct TOpenMeteoVariable {
    std::string_view Name;
    std::string_view Unit;
};

constexpr std::array<TOpenMeteoVariable, 7> kCurrentVariables = {{
    {"temperature_2m", "°C"},
    {"apparent_temperature", "°C"},
    {"relative_humidity_2m", "%"},
    {"weather_code", "wmo code"},
    {"wind_speed_10m", "km/h"},
    {"wind_direction_10m", "°"},
    {"wind_gusts_10m", "km/h"},
}};
constexpr std::array<TOpenMeteoVariable, 7> kHourlyVariables = {{
    {"temperature_2m", "°C"},
    {"precipitation_probability", "%"},
    {"precipitation", "mm"},
    {"weather_code", "wmo code"},
    {"wind_speed_10m", "km/h"},
    {"wind_direction_10m", "°"},
    {"wind_gusts_10m", "km/h"},
}};
constexpr std::array<TOpenMeteoVariable, 12> kDailyVariables = {{
    {"weather_code", "wmo code"},
    {"temperature_2m_max", "°C"},
    {"temperature_2m_min", "°C"},
    {"precipitation_sum", "mm"},
    {"precipitation_probability_max", "%"},
    {"wind_speed_10m_max", "km/h"},
    {"wind_gusts_10m_max", "km/h"},
    {"wind_direction_10m_dominant", "°"},
    {"sunrise", "iso8601"},
    {"sunset", "iso8601"},
    {"daylight_duration", "s"},
    {"uv_index_max", ""},
}};

constexpr int kMaxForecastDays = 16;
constexpr int kDefaultForecastDays = 7;
constexpr std::size_t kMaxEchoedValue = 64;

// The query's parameters, names and values percent-decoded, in order.
using TParameters = std::vector<std::pair<std::string, std::string>>;

std::string percentDecoded(std::string_view text)
{
    using ascii::hexValue;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

TParameters parametersOf(std::string_view query)
{
    TParameters parameters;
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        parameters.emplace_back(percentDecoded(pair.substr(0, equals)),
                                equals == std::string_view::npos ? std::string{} : percentDecoded(pair.substr(equals + 1)));
    }
    return parameters;
}

// The first value of `name`, or nothing when the query lacks it.
std::optional<std::string_view> firstValue(const TParameters& parameters, std::string_view name)
{
    for (const auto& [key, value] : parameters)
        if (key == name)
            return value;
    return std::nullopt;
}

// Every item of every `name=a,b` of the query, empty items dropped: the
// service takes a list comma-separated or repeated.
std::vector<std::string> listValues(const TParameters& parameters, std::string_view name)
{
    std::vector<std::string> items;
    for (const auto& [key, value] : parameters) {
        if (key != name)
            continue;
        std::size_t start = 0;
        while (start <= value.size()) {
            std::size_t end = value.find(',', start);
            if (end == std::string::npos)
                end = value.size();
            if (end > start)
                items.push_back(value.substr(start, end - start));
            start = end + 1;
        }
    }
    return items;
}

// A JSON string literal of `text`, which is UTF-8: quotes, backslashes
// and control bytes escaped.
std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// A value of the query quoted in a reason: its first characters, any byte
// outside printable ASCII shown as '?', so that the body stays UTF-8
// whatever the query carried.
std::string echoed(std::string_view value)
{
    std::string out;
    for (const char ch : value.substr(0, kMaxEchoedValue)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        out += c >= 0x20 && c < 0x7F ? ch : '?';
    }
    return out;
}

// A value in tenths as the service prints a one-decimal number: "7.0",
// "-0.4", "12.3".
std::string tenths(int value)
{
    const int magnitude = value < 0 ? -value : value;
    return (value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

// A value in hundredths with the decimals it needs, at least one: "48.58",
// "7.6", "-0.05", "0.0".
std::string hundredths(long value)
{
    const long magnitude = value < 0 ? -value : value;
    std::string text = (value < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." +
                       std::to_string(magnitude % 100 / 10);
    if (magnitude % 10 != 0)
        text += static_cast<char>('0' + magnitude % 10);
    return text;
}

// A number as the service echoes a Float it refuses: the shortest text
// that reads back, with ".0" when it has no fractional part ("91.0",
// "-200.5").
std::string floatText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    std::string out(text, result.ptr);
    if (out.find_first_of(".en") == std::string::npos)
        out += ".0";
    return out;
}

std::optional<double> parsedNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

TAnswer jsonAnswer(unsigned status, std::string body)
{
    return typedAnswer(status, "application/json; charset=utf-8", std::move(body));
}

TAnswer openMeteoRefusal(std::string_view reason)
{
    return jsonAnswer(400, "{\"error\":true,\"reason\":" + jsonString(reason) + "}");
}

// --- Time zones, resolved from the position as "timezone=auto" asks.

enum class TSummerTime { None, Europe, NorthAmerica };

struct TTimeZone {
    std::string Name;
    int StandardOffset; // seconds east of UTC
    std::string StandardAbbreviation;
    std::string SummerAbbreviation;
    TSummerTime Summer;
};

// Days since 1970-01-01 of a civil date (Howard Hinnant's days_from_civil).
std::int64_t daysFromCivil(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Days since 1970-01-01 of the `nth` Sunday of `month` in `year`; 5 gives
// the last one.
std::int64_t nthSunday(int year, int month, int nth)
{
    const std::int64_t first = daysFromCivil(year, month, 1);
    std::int64_t sunday = first + (6 - dateOf(first).WeekDay) + 7 * (nth - 1);
    while (dateOf(sunday).Month != month)
        sunday -= 7;
    return sunday;
}

bool isSummerTime(TSummerTime rule, std::int64_t day)
{
    const int year = dateOf(day).Year;
    switch (rule) {
    case TSummerTime::Europe:
        return day >= nthSunday(year, 3, 5) && day < nthSunday(year, 10, 5);
    case TSummerTime::NorthAmerica:
        return day >= nthSunday(year, 3, 2) && day < nthSunday(year, 11, 1);
    case TSummerTime::None:
        break;
    }
    return false;
}

// True when the position lies inside the polygon `corners` (latitude,
// longitude pairs, in order around it): the even-odd rule.
bool inside(double latitude, double longitude, std::span<const std::pair<double, double>> corners)
{
    bool in = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        const auto [yi, xi] = corners[i];
        const auto [yj, xj] = corners[j];
        if ((yi > latitude) != (yj > latitude) && longitude < (xj - xi) * (latitude - yi) / (yj - yi) + xi)
            in = !in;
    }
    return in;
}

// Luxembourg's outline, drawn between its border places and their
// neighbours in Belgium (Arlon, Martelange, Aubange) and France (Longwy,
// Audun-le-Tiche, Thionville's north), so that each stays on its side.
constexpr std::pair<double, double> kLuxembourg[] = {
    {49.518, 5.830}, {49.505, 5.880}, {49.497, 5.930}, {49.490, 5.960}, {49.455, 6.000}, {49.455, 6.050},
    {49.475, 6.080}, {49.490, 6.120}, {49.504, 6.160}, {49.510, 6.200}, {49.506, 6.255}, {49.505, 6.274},
    {49.478, 6.283}, {49.478, 6.300}, {49.465, 6.340}, {49.465, 6.370}, {49.500, 6.390}, {49.580, 6.450},
    {49.700, 6.550}, {49.810, 6.550}, {50.175, 6.140}, {50.175, 6.010}, {50.160, 5.965}, {50.115, 5.915},
    {50.095, 5.905}, {50.060, 5.855}, {50.040, 5.855}, {50.022, 5.848}, {50.005, 5.835}, {49.985, 5.820},
    {49.955, 5.785}, {49.940, 5.775}, {49.900, 5.770}, {49.880, 5.765}, {49.845, 5.765}, {49.835, 5.739},
    {49.826, 5.742}, {49.815, 5.755}, {49.800, 5.780}, {49.775, 5.800}, {49.765, 5.805}, {49.745, 5.815},
    {49.735, 5.830}, {49.724, 5.835}, {49.721, 5.866}, {49.705, 5.870}, {49.678, 5.865}, {49.655, 5.885},
    {49.640, 5.885}, {49.600, 5.865}, {49.575, 5.865}, {49.552, 5.832}, {49.528, 5.830}};

// The zone of a position: boxes for the countries of the catalogues
// (Luxembourg by its outline, Belgium cut from France along its
// south-western border, Canada split at the provinces' zone limits, each
// overseas territory its own), a whole-hour nautical zone elsewhere.
TTimeZone timeZoneAt(double latitude, double longitude)
{
    const auto box = [&](double south, double north, double west, double east) {
        return latitude > south && latitude < north && longitude > west && longitude < east;
    };
    if (inside(latitude, longitude, kLuxembourg))
        return {"Europe/Luxembourg", 3600, "CET", "CEST", TSummerTime::Europe};
    if (box(43.724, 43.741, 7.408, 7.44))  // between Cap-d'Ail and Beausoleil
        return {"Europe/Monaco", 3600, "CET", "CEST", TSummerTime::Europe};
    if (box(15.8, 16.6, -61.9, -60.9))
        return {"America/Guadeloupe", -14400, "AST", "AST", TSummerTime::None};
    if (box(14.3, 14.95, -61.3, -60.7))
        return {"America/Martinique", -14400, "AST", "AST", TSummerTime::None};
    if (box(2.0, 6.0, -54.7, -51.5))
        return {"America/Cayenne", -10800, "GMT-3", "GMT-3", TSummerTime::None};
    if (box(-21.45, -20.8, 55.15, 55.9))
        return {"Indian/Reunion", 14400, "GMT+4", "GMT+4", TSummerTime::None};
    if (box(-13.1, -12.55, 44.95, 45.35))
        return {"Indian/Mayotte", 10800, "EAT", "EAT", TSummerTime::None};
    if (box(46.7, 47.2, -56.5, -56.05))
        return {"America/Miquelon", -10800, "GMT-3", "GMT-2", TSummerTime::NorthAmerica};
    const bool inBelgium = latitude > 49.45 && latitude < 51.55 && longitude > 2.5 && longitude < 6.45 &&
                           latitude > 51.09 - 0.489 * (longitude - 2.55);
    if (inBelgium)
        return {"Europe/Brussels", 3600, "CET", "CEST", TSummerTime::Europe};
    if (latitude > 45.8 && latitude < 47.85 && longitude > 5.95 && longitude < 10.5)
        return {"Europe/Zurich", 3600, "CET", "CEST", TSummerTime::Europe};
    if (latitude > 41.3 && latitude < 51.2 && longitude > -5.3 && longitude < 9.7)
        return {"Europe/Paris", 3600, "CET", "CEST", TSummerTime::Europe};
    const bool inCanada = longitude > -141 && longitude < -52.5 && latitude < 84 &&
                          (latitude > 49 || (longitude > -95.2 && latitude > 41.6));
    if (inCanada) {
        if (longitude > -59.5)
            return {"America/St_Johns", -12600, "NST", "NDT", TSummerTime::NorthAmerica};
        if (longitude > -69.1 && latitude < 48)
            return {"America/Halifax", -14400, "AST", "ADT", TSummerTime::NorthAmerica};
        if (longitude > -90)
            return {"America/Toronto", -18000, "EST", "EDT", TSummerTime::NorthAmerica};
        if (longitude > -102)
            return {"America/Winnipeg", -21600, "CST", "CDT", TSummerTime::NorthAmerica};
        if (longitude > -110)
            return {"America/Regina", -21600, "CST", "CST", TSummerTime::None};
        if (longitude > -120)
            return {"America/Edmonton", -25200, "MST", "MDT", TSummerTime::NorthAmerica};
        return {"America/Vancouver", -28800, "PST", "PDT", TSummerTime::NorthAmerica};
    }
    const int hours = static_cast<int>(std::lround(longitude / 15));
    if (hours == 0)
        return {"GMT", 0, "GMT", "GMT", TSummerTime::None};
    const std::string east = std::to_string(hours < 0 ? -hours : hours);
    const std::string abbreviation = std::string("GMT") + (hours > 0 ? "+" : "-") + east;
    return {std::string("Etc/GMT") + (hours > 0 ? "-" : "+") + east, hours * 3600, abbreviation, abbreviation,
            TSummerTime::None};
}

// --- The weather of one grid point on one day.

struct TDailyWeather {
    int WeatherCode;
    int MaxTenths, MinTenths;  // °C
    int PrecipitationTenths;   // mm
    int WindMaxTenths;         // km/h
    int WindDirection;         // degrees, 0 to 359
};

// Precipitation in tenths of a millimetre, from `low` to `high`, that a
// WMO code implies: nothing for clear skies and fog, little for drizzle and
// snow grains, most for heavy rain, showers and thunderstorms.
std::pair<int, int> precipitationRange(int code)
{
    switch (code) {
    case 51: case 56: return {1, 5};
    case 53: return {5, 15};
    case 55: case 57: return {15, 40};
    case 61: case 66: return {10, 50};
    case 63: return {50, 150};
    case 65: case 82: return {150, 400};
    case 67: return {50, 200};
    case 71: case 85: return {5, 30};
    case 73: return {30, 80};
    case 75: return {80, 200};
    case 77: return {1, 10};
    case 80: return {5, 50};
    case 81: return {50, 150};
    case 86: return {30, 120};
    case 95: return {50, 250};
    case 96: case 99: return {100, 400};
    default: return {0, 0};
    }
}

// A code picked by `roll` (0 to 99) and fitted to the day's temperatures:
// snow when the maximum stays at or below 1 °C, freezing drizzle or rain
// when the minimum is below zero, thunder only on warm days.
int weatherCodeFor(TDice& dice, int roll, int maxTenths, int minTenths)
{
    const bool snowy = maxTenths <= 10;
    const bool freezing = minTenths < 0;
    const int strength = dice.between(0, 2);
    if (roll < 12) return 0;
    if (roll < 24) return 1;
    if (roll < 36) return 2;
    if (roll < 48) return 3;
    if (roll < 54) return freezing ? 48 : 45;
    if (roll < 62) return freezing ? (strength == 0 ? 56 : 57) : 51 + 2 * strength;
    if (roll < 78) {
        if (snowy) return dice.between(0, 9) == 0 ? 77 : 71 + 2 * strength;
        if (freezing && maxTenths <= 30) return strength == 0 ? 66 : 67;
        return 61 + 2 * strength;
    }
    if (roll < 90) {
        if (snowy) return strength == 0 ? 85 : 86;
        return 80 + strength;
    }
    if (maxTenths < 150) return 3;
    const int hail = dice.between(0, 5);
    return hail == 0 ? 99 : hail == 1 ? 96 : 95;
}

// The grid point's weather on `date`: the latitude and the season set the
// mean temperature and its swing (colder and wider inland in North
// America, colder with height), the rest comes from dice seeded by the
// grid point and the date, so a date's weather does not depend on the day
// it is asked.
TDailyWeather dailyWeather(std::string_view gridPoint, double latitude, double longitude, int elevation,
                           std::int64_t date)
{
    TDice dice("open-meteo", gridPoint, date);
    const TDate d = dateOf(date);
    const double dayOfYear = static_cast<double>(date - daysFromCivil(d.Year, 1, 1));
    double season = std::cos(2 * 3.14159265358979 * (dayOfYear - 200) / 365.25);
    if (latitude < 0)
        season = -season;
    const double absLatitude = std::fabs(latitude);
    const bool northAmerica = longitude > -140 && longitude < -52 && latitude > 25;
    const double mean = 26 - 0.3 * absLatitude - std::max(0.0, absLatitude - 55) * 0.8 - (northAmerica ? 5 : 0) -
                        0.0065 * elevation;
    const double swing = 2 + 0.15 * absLatitude + (northAmerica ? 7 : 0);
    const int middle = static_cast<int>(std::lround(10 * (mean + season * swing))) + dice.between(-40, 40);

    const int roll = dice.between(0, 99);
    const bool wet = roll >= 54 && roll < 100;
    const int half = wet ? dice.between(10, 25) : dice.between(25, 45);
    TDailyWeather w{};
    w.MaxTenths = middle + half;
    w.MinTenths = middle - half;
    w.WeatherCode = weatherCodeFor(dice, roll, w.MaxTenths, w.MinTenths);
    const auto [low, high] = precipitationRange(w.WeatherCode);
    w.PrecipitationTenths = dice.between(low, high);
    int wind = dice.between(50, 300);
    if (w.WeatherCode >= 61 && w.WeatherCode != 77)
        wind += dice.between(0, 200);
    if (w.WeatherCode == 65 || w.WeatherCode == 75 || w.WeatherCode == 82 || w.WeatherCode == 86 ||
        w.WeatherCode >= 95)
        wind += dice.between(100, 300);
    w.WindMaxTenths = std::min(wind, 800);
    // Mostly from the west, as in the mid-latitudes.
    w.WindDirection = dice.between(0, 9) < 6 ? dice.between(180, 330) : dice.between(0, 359);
    return w;
}

// --- The hours of one grid point on one day.

constexpr int kHours = 24;
constexpr int kNoon = 12;
// On the last day of a long forecast the hours after this one come as null
// (see OpenMeteoAnswer). No daily extreme is placed after it, and the later
// hours are kept under the extremes before it, so that each daily value is
// that of the hours shown whether or not the day ends the forecast.
constexpr int kLastHourOfShortDay = 20;

// How far the temperature has gone from the day's minimum to its maximum,
// in percent, at each hour: lowest at 05:00, near sunrise, highest at
// 15:00, four fifths of the way at noon.
constexpr std::array<int, kHours> kTemperatureShape = {30, 24, 18, 12, 6,  0,  5,  15, 30, 45, 60, 70,
                                                       80, 90, 97, 100, 96, 88, 76, 65, 55, 47, 40, 35};
constexpr int kColdestHour = 5;
constexpr int kWarmestHour = 15;
// The wind in percent of the day's strongest before the dice: calmer at
// night, strongest in the afternoon.
constexpr std::array<int, kHours> kWindShape = {45, 42, 40, 40, 40, 42, 45, 50, 55, 60, 65, 70,
                                                75, 80, 85, 85, 80, 75, 65, 58, 52, 50, 48, 46};

// What the dice of "now" decide at noon on a date, always rolled in this
// order so that no value depends on the order of the variables asked: the
// wind as a share of the day's strongest, the direction's turn from the
// day's dominant one, the relative humidity (higher on foggy or wet days).
struct TNoon {
    int WindPercent;   // 40 to 80
    int DirectionTurn; // -20 to 20 degrees
    int Humidity;      // %, 40 to 100
};

TNoon noonOf(std::string_view gridPoint, const TDailyWeather& w, std::int64_t date)
{
    TDice now("open-meteo-now", gridPoint, date);
    TNoon noon{};
    noon.WindPercent = now.between(40, 80);
    noon.DirectionTurn = now.between(-20, 20);
    const int code = w.WeatherCode;
    noon.Humidity = code == 45 || code == 48 ? now.between(92, 100) : code > 48 ? now.between(70, 98) : now.between(40, 85);
    return noon;
}

struct THourlyWeather {
    std::array<int, kHours> TemperatureTenths;   // °C
    std::array<int, kHours> PrecipitationChance; // %
    std::array<int, kHours> PrecipitationTenths; // mm
    std::array<int, kHours> WeatherCode;
    std::array<int, kHours> WindTenths;          // km/h
    std::array<int, kHours> WindDirection;       // degrees, 0 to 359
    std::array<int, kHours> GustTenths;          // km/h
};

// A code of the same kind as `code` and no stronger, for the hours around
// a day's worst: lighter drizzle, rain, snow or showers, and rain showers
// around a thunderstorm. Snow grains (77) have no lighter kind.
int sameKindNoStronger(TDice& dice, int code)
{
    static constexpr std::array<std::array<int, 3>, 7> kinds = {{
        {51, 53, 55}, {56, 57, 0}, {61, 63, 65}, {66, 67, 0}, {71, 73, 75}, {80, 81, 82}, {85, 86, 0}}};
    if (code >= 95)
        return dice.between(80, 81);
    for (const auto& kind : kinds)
        for (std::size_t i = 0; i < kind.size(); ++i)
            if (kind[i] == code)
                return kind[static_cast<std::size_t>(dice.between(0, static_cast<int>(i)))];
    return code;
}

// The hours of a day, made to agree with its daily values: temperatures
// from the minimum (at 05:00) to the maximum (at 15:00), the daily code at
// one hour and no stronger one at the others, a spell of wet hours (codes
// above 48, at least a tenth each) whose tenths add up to the day's sum,
// the strongest wind at one afternoon hour, gusts above the wind. Noon
// holds what "current" gives.
THourlyWeather hourlyWeather(std::string_view gridPoint, const TDailyWeather& w, const TNoon& noon, std::int64_t date)
{
    TDice dice("open-meteo-hourly", gridPoint, date);
    THourlyWeather h{};
    const int range = w.MaxTenths - w.MinTenths;
    for (int hour = 0; hour < kHours; ++hour) {
        int t = w.MinTenths + range * kTemperatureShape[static_cast<std::size_t>(hour)] / 100;
        if (hour != kColdestHour && hour != kWarmestHour && hour != kNoon)
            t = std::clamp(t + dice.between(-3, 3), w.MinTenths, w.MaxTenths);
        h.TemperatureTenths[static_cast<std::size_t>(hour)] = t;
    }

    // The sky of the dry hours, then what sets the day's code.
    const int code = w.WeatherCode;
    const bool wet = w.PrecipitationTenths > 0;
    const bool foggy = code == 45 || code == 48;
    for (std::size_t hour = 0; hour < kHours; ++hour) {
        h.WeatherCode[hour] = dice.between(wet ? 2 : foggy ? 1 : 0, std::min(code, 3));
        h.PrecipitationChance[hour] = wet ? dice.between(10, 35) : dice.between(0, foggy ? 15 : 10);
    }
    if (wet) {
        const int hours = std::min(code >= 80 ? dice.between(1, 5) : dice.between(3, 12), w.PrecipitationTenths);
        const int first = dice.between(0, std::min(kLastHourOfShortDay, kHours - hours));
        const int last = first + hours - 1;
        const int worst = dice.between(first, std::min(last, kLastHourOfShortDay));
        // A tenth for each wet hour; the rest shared by weight, the worst
        // hour weighing most and taking what the division leaves.
        std::array<int, kHours> weight{};
        int totalWeight = 0;
        for (int hour = first; hour <= last; ++hour)
            totalWeight += weight[static_cast<std::size_t>(hour)] = hour == worst ? 4 : dice.between(1, 3);
        const int rest = w.PrecipitationTenths - hours;
        int shared = 0;
        const int worstChance = dice.between(70, 100);
        for (int hour = first; hour <= last; ++hour) {
            const auto i = static_cast<std::size_t>(hour);
            const int share = rest * weight[i] / totalWeight;
            shared += share;
            h.PrecipitationTenths[i] = 1 + share;
            h.WeatherCode[i] = hour == worst ? code : sameKindNoStronger(dice, code);
            h.PrecipitationChance[i] = hour == worst ? worstChance : dice.between(40, worstChance);
        }
        h.PrecipitationTenths[static_cast<std::size_t>(worst)] += rest - shared;
    } else if (foggy) {
        // Fog in the night and the morning.
        const int first = dice.between(0, 5);
        const int last = first + dice.between(2, 5);
        for (int hour = first; hour <= last; ++hour)
            h.WeatherCode[static_cast<std::size_t>(hour)] = code;
    } else {
        h.WeatherCode[static_cast<std::size_t>(dice.between(9, 18))] = code;
    }

    const int windiest = dice.between(13, 17);
    const bool convective = code >= 80;
    for (int hour = 0; hour < kHours; ++hour) {
        const auto i = static_cast<std::size_t>(hour);
        const int percent = hour == windiest ? 100
                            : hour == kNoon  ? noon.WindPercent
                                             : std::clamp(kWindShape[i] + dice.between(-10, 10), 20, 95);
        h.WindTenths[i] = w.WindMaxTenths * percent / 100;
        const int turn = hour == kNoon ? noon.DirectionTurn : dice.between(-30, 30);
        h.WindDirection[i] = (w.WindDirection + turn + 360) % 360;
        const int gustFactor = 100 + dice.between(30, 80) + (convective ? dice.between(20, 60) : 0);
        h.GustTenths[i] = h.WindTenths[i] * gustFactor / 100 + dice.between(10, 50);
    }

    const auto shortDay = static_cast<std::ptrdiff_t>(kLastHourOfShortDay + 1);
    const int topChance = *std::max_element(h.PrecipitationChance.begin(), h.PrecipitationChance.begin() + shortDay);
    const int topGust = *std::max_element(h.GustTenths.begin(), h.GustTenths.begin() + shortDay);
    for (std::size_t hour = kLastHourOfShortDay + 1; hour < kHours; ++hour) {
        h.PrecipitationChance[hour] = std::min(h.PrecipitationChance[hour], topChance);
        h.GustTenths[hour] = std::max(h.WindTenths[hour], std::min(h.GustTenths[hour], topGust));
    }
    return h;
}

// The felt temperature: colder with the wind, 0.125 °C per km/h up to
// 4 °C, and warmer with humidity above 20 °C, up to 4 °C too.
int apparentTenths(int temperatureTenths, int windTenths, int humidity)
{
    int felt = temperatureTenths - std::min(windTenths / 8, 40);
    if (temperatureTenths > 200)
        felt += std::min((humidity - 40) * (temperatureTenths - 200) / 100, 40);
    return felt;
}

// --- The sun of one position on one day.

struct TSun {
    bool RisesAndSets;    // false in the polar night and the midnight sun
    int SunriseMinutes;   // local, from 00:00 of the day; may fall outside it
    int SunsetMinutes;
    int DaylightTenths;   // seconds
    double NoonElevation; // degrees above the horizon
};

// Sunrise and sunset by the usual approximation: the declination and the
// equation of time from the fractional year (NOAA's series), the hour
// angle at which the sun's centre stands 0.833° below the horizon
// (refraction and the sun's radius), and the solar noon from the longitude
// and the zone's offset.
TSun sunOn(double latitude, double longitude, std::int64_t date, int utcOffsetSeconds)
{
    constexpr double degree = std::numbers::pi / 180;
    const TDate d = dateOf(date);
    const std::int64_t yearStart = daysFromCivil(d.Year, 1, 1);
    const double yearLength = static_cast<double>(daysFromCivil(d.Year + 1, 1, 1) - yearStart);
    const double g = 2 * std::numbers::pi / yearLength * static_cast<double>(date - yearStart);
    const double declination = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) -
                               0.006758 * std::cos(2 * g) + 0.000907 * std::sin(2 * g) -
                               0.002697 * std::cos(3 * g) + 0.00148 * std::sin(3 * g);
    const double equationOfTime = 229.18 * (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g) -
                                            0.014615 * std::cos(2 * g) - 0.040849 * std::sin(2 * g)); // minutes
    const double phi = latitude * degree;
    const double cosHourAngle = (std::sin(-0.833 * degree) - std::sin(phi) * std::sin(declination)) /
                                (std::cos(phi) * std::cos(declination));
    TSun sun{};
    sun.NoonElevation = 90 - std::fabs(latitude - declination / degree);
    if (cosHourAngle >= 1 || cosHourAngle <= -1) {
        sun.DaylightTenths = cosHourAngle >= 1 ? 0 : 864000;
        return sun;
    }
    const double hourAngle = std::acos(cosHourAngle) / degree;
    const double noon = 720 - 4 * longitude - equationOfTime + utcOffsetSeconds / 60.0;
    sun.RisesAndSets = true;
    sun.SunriseMinutes = static_cast<int>(std::lround(noon - 4 * hourAngle));
    sun.SunsetMinutes = static_cast<int>(std::lround(noon + 4 * hourAngle));
    sun.DaylightTenths = static_cast<int>(std::lround(hourAngle * 4800)); // 4 minutes a degree, both sides of noon
    return sun;
}

// The day's highest UV index in tenths: about 8.5 with the sun overhead in
// a clear sky, falling with the square of the sine of the noon elevation,
// and less under clouds, fog and rain.
int uvIndexTenths(const TSun& sun, int code)
{
    if (sun.NoonElevation <= 0)
        return 0;
    const int sky = code <= 1 ? 100 : code == 2 ? 90 : code == 3 ? 70 : code <= 57 ? 60 : code <= 77 ? 50 : code <= 86 ? 65 : 60;
    const double s = std::sin(sun.NoonElevation * std::numbers::pi / 180);
    return static_cast<int>(std::lround(85 * s * s * sky / 100));
}


// --- Warning feeds ---------------------------------------------------------------
//
// MeteoAlarm's Atom indexes and CAP 1.2 documents for France, Belgium,
// Switzerland and Luxembourg, and Environment Canada's GeoMet
// "weather-alerts" answers, in the shapes the services publish (see the
// recorded documents of tests/data/warnings/). Every time is relative to
// the replica's clock for warnings, WarningsNow, so the same day always
// gives the same bytes.

constexpr std::string_view kMeteoAlarmOrigin = "https://feeds.meteoalarm.org";
constexpr std::string_view kGeoMetOrigin = "https://api.weather.gc.ca";
constexpr std::int64_t kHour = 3600;

// "2026-12-08T11:00:00+01:00": `utc` written in the offset `offset`
// (seconds east of UTC); "+00:00" for 0.
std::string offsetTime(std::int64_t utc, int offset)
{
    const std::int64_t local = utc + offset;
    const std::int64_t days = local >= 0 ? local / 86400 : -((86399 - local) / 86400);
    const int seconds = static_cast<int>(local - days * 86400);
    const int magnitude = offset < 0 ? -offset : offset;
    return isoDate(days) + "T" + twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
           twoDigits(seconds % 60) + (offset < 0 ? "-" : "+") + twoDigits(magnitude / 3600) + ":" +
           twoDigits(magnitude / 60 % 60);
}

// "2026-12-08T11:00:00.000Z", as GeoMet writes its times.
std::string zuluTime(std::int64_t utc)
{
    return offsetTime(utc, 0).substr(0, 19) + ".000Z";
}

// "20261208110000" (local), as MeteoAlarm's identifiers carry the time sent.
std::string compactTime(std::int64_t utc, int offset)
{
    std::string text;
    for (char c : offsetTime(utc, offset).substr(0, 19))
        if (c >= '0' && c <= '9')
            text += c;
    return text;
}

// `text` for XML character data and attribute values.
std::string xmlEscaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The offset of Central European Time, or of North America's Eastern time
// (Montréal, Québec, Ottawa), on `day`.
int europeanOffset(std::int64_t day)
{
    return isSummerTime(TSummerTime::Europe, day) ? 7200 : 3600;
}
int easternOffset(std::int64_t day)
{
    return isSummerTime(TSummerTime::NorthAmerica, day) ? -14400 : -18000;
}

// An origin "scheme://host[:port]" taken from the request, or `fallback`
// when it holds anything but the characters of a host and port.
std::string originOr(std::string_view origin, std::string_view fallback)
{
    const std::size_t scheme = origin.find("://");
    if (origin.empty() || scheme == std::string_view::npos || origin.size() > 300 ||
        (origin.substr(0, scheme) != "http" && origin.substr(0, scheme) != "https"))
        return std::string(fallback);
    const std::string_view host = origin.substr(scheme + 3);
    if (host.empty())
        return std::string(fallback);
    for (char c : host) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                        c == '.' || c == ':' || c == '[' || c == ']';
        if (!ok)
            return std::string(fallback);
    }
    return std::string(origin);
}

// A version-4 UUID that the country, the warning and the day fix.
std::string warningUuid(std::string_view country, std::size_t warning, std::int64_t day)
{
    const std::uint64_t a = mix(hashOf(country) ^ mix(warning + 1) ^ static_cast<std::uint64_t>(day));
    const std::uint64_t b = mix(a ^ 0x5741524E494E4753ull);
    const std::string high = hex16(a), low = hex16(b);
    std::string uuid = high.substr(0, 8) + "-" + high.substr(8, 4) + "-4" + high.substr(13, 3) + "-" +
                       std::string(1, "89AB"[b >> 62]) + low.substr(1, 3) + "-" + low.substr(4, 12);
    for (char& c : uuid)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c + 32);
    return uuid;
}

// What the CAP link of an index entry answers.
enum class TCapLink { Document, ServerError, Malformed };

// One area of a MeteoAlarm warning: the name the index and the English
// block give (MeteoAlarm writes French names without hyphens: "Bas Rhin"),
// the French block's name, the EMMA_ID the index's link carries, the
// geocodes (each its own index entry, as MeteoAlarm lists a warning once
// per geocode) and, for Switzerland, a CAP polygon "lat,lon lat,lon ...".
struct TMeteoAlarmArea {
    std::string_view Name;
    std::string_view FrenchName;
    std::string_view Emma;
    std::vector<std::pair<std::string_view, std::string_view>> Geocodes;
    std::string_view Polygon;
};

struct TMeteoAlarmWarning {
    int Level;                     // 1 green ... 4 red
    std::string_view Type;         // awareness_type "1; Wind"
    std::string_view TitleType;    // "Wind", as the index's title names it
    std::string_view EnglishEvent; // "Severe wind warning"
    std::string_view FrenchEvent;  // "Vigilance orange vent violent"
    std::string_view FrenchDescription, FrenchInstruction;
    std::string_view EnglishDescription, EnglishInstruction;
    std::string_view MsgType;      // Alert, Update
    std::string_view ResponseType; // Monitor, Prepare, AllClear
    // Seconds from WarningsNow.
    std::int64_t Sent, Effective, Onset, Expires;
    std::vector<TMeteoAlarmArea> Areas;
    TCapLink Link = TCapLink::Document;
};

struct TMeteoAlarmCountry {
    std::string_view Slug;       // "france": feeds-france, meteoalarm-legacy-atom-france
    std::string_view Name;       // "France"
    std::string_view Code;       // "FR"
    std::string_view Oid;        // the country's WMO OID number: 250
    std::string_view Sender;     // CAP <sender>
    std::string_view SenderName; // CAP <senderName>
    std::string_view French;     // the French block's language: "fr-FR"
    std::string_view Web;
    std::vector<TMeteoAlarmWarning> Warnings;
};

constexpr std::array<std::string_view, 5> kLevelColours = {"", "green", "yellow", "orange", "red"};
constexpr std::array<std::string_view, 5> kLevelTitles = {"", "Green", "Yellow", "Orange", "Red"};
constexpr std::array<std::string_view, 5> kLevelSeverities = {"", "Minor", "Moderate", "Severe", "Extreme"};

const std::vector<TMeteoAlarmCountry>& meteoAlarmCountries()
{
    static const std::vector<TMeteoAlarmCountry> countries = {
        {"france", "France", "FR", "250", "vigilance@meteo.fr", "METEO-FRANCE", "fr-FR",
         "http://vigilance.meteofrance.com/",
         {
             {3, "1; Wind", "Wind", "Severe wind warning", "Vigilance orange vent violent",
              "Des rafales de 100 à 120 km/h sont attendues en plaine d’Alsace cet après-midi et cette nuit, "
              "jusqu’à 130 km/h sur les crêtes vosgiennes.",
              "Limitez vos déplacements. Ne vous promenez pas en forêt et rangez les objets exposés au vent.",
              "Gusts of 100 to 120 km/h are expected over the Alsace plain this afternoon and tonight.",
              "Limit your travel and stay away from woods.",
              "Alert", "Prepare", -5 * kHour, -5 * kHour, -4 * kHour, 20 * kHour,
              {{"Bas Rhin", "Bas-Rhin", "FR086", {{"NUTS3", "FR421"}}, {}}}},
             {2, "10; Rain", "Rain", "Moderate rain warning", "Vigilance jaune pluie-inondation",
              "Des pluies soutenues ont donné 30 à 50 mm sur le département ; l’épisode est terminé.",
              "Soyez prudents près des cours d’eau.",
              "Steady rain brought 30 to 50 mm over the department; the episode is over.",
              "Take care near streams.",
              "Alert", "Monitor", -31 * kHour, -31 * kHour, -30 * kHour, -6 * kHour,
              {{"Gironde", "Gironde", "FR014", {{"NUTS3", "FR612"}}, {}}}},
             {1, "1; Wind", "Wind", "Minor wind warning", "Vigilance verte vent violent",
              "Pas de vigilance particulière.", "",
              "No particular awareness is required.", "",
              "Alert", "None", -2 * kHour, -2 * kHour, -2 * kHour, 22 * kHour,
              {{"Paris", "Paris", "FR067", {{"NUTS3", "FR101"}}, {}}}},
             // An all-clear as Météo-France sends one: an update whose block
             // expires a minute after it takes effect.
             {2, "9; avalanches", "Avalanches", "Moderate avalanches warning", "Vigilance jaune avalanches",
              "Fin de vigilance : le risque d’avalanches redevient habituel pour la saison.", "",
              "End of awareness: the avalanche risk is back to what the season brings.", "",
              "Update", "AllClear", -3 * kHour + 86, -3 * kHour + 60, -3 * kHour, -3 * kHour + 60,
              {{"Haute Savoie", "Haute-Savoie", "FR035", {{"NUTS3", "FR718"}}, {}}}},
             {2, "3; Thunderstorm", "Thunderstorm", "Moderate thunderstorm warning", "Vigilance jaune orages",
              "Des orages parfois forts sont attendus demain après-midi, avec grêle et rafales de 80 km/h.",
              "Mettez à l’abri les objets sensibles au vent.",
              "Thunderstorms, locally strong, are expected tomorrow afternoon, with hail and 80 km/h gusts.",
              "Secure objects sensitive to wind.",
              "Alert", "Monitor", -1 * kHour, -1 * kHour, 26 * kHour, 34 * kHour,
              {{"Finistere", "Finistère", "FR046", {{"NUTS3", "FR522"}}, {}}}, TCapLink::Malformed},
             {2, "10; Rain", "Rain", "Moderate rain warning", "Vigilance jaune pluie-inondation",
              "Des pluies orageuses donneront 40 à 60 mm d’ici ce soir.",
              "Ne vous engagez pas sur une route inondée.",
              "Thundery rain will bring 40 to 60 mm by tonight.", "Do not drive on a flooded road.",
              "Alert", "Monitor", -2 * kHour, -2 * kHour, -2 * kHour, 10 * kHour,
              {{"Bouches du Rhone", "Bouches-du-Rhône", "FR027", {{"NUTS3", "FR824"}}, {}}},
              TCapLink::ServerError},
         }},
        {"belgium", "Belgium", "BE", "56", "meteo@meteo.be", "IRM-KMI", "fr-BE", "https://www.meteo.be/",
         {
             {2, "2; snow-ice", "Snow-ice", "Moderate snow-ice warning", "Avertissement jaune neige et verglas",
              "Quelques centimètres de neige et des plaques de verglas rendent les routes glissantes.",
              "Adaptez votre vitesse et soyez prudents sur les trottoirs.",
              "A few centimetres of snow and icy patches make roads slippery.",
              "Adapt your speed and take care on pavements.",
              "Alert", "Monitor", -3 * kHour, -3 * kHour, -3 * kHour, 15 * kHour,
              {{"Brabant et Bruxelles", "Brabant et Bruxelles", "BE004",
                {{"NUTS2", "BE10"}, {"NUTS2", "BE24"}, {"NUTS2", "BE31"}}, {}}}},
         }},
        {"switzerland", "Switzerland", "CH", "756", "warnings@meteoswiss.ch", "MétéoSuisse", "fr-CH",
         "https://www.meteosuisse.admin.ch/",
         {
             {2, "1; Wind", "Wind", "Moderate wind warning", "Avertissement de vent, degré 2",
              "Rafales de 70 à 90 km/h sur la région lausannoise et le Lavaux.",
              "Évitez les forêts et les rives du lac.",
              "Gusts of 70 to 90 km/h over the Lausanne area and Lavaux.", "Avoid woods and the lake shore.",
              "Alert", "Monitor", -1 * kHour, -1 * kHour, -1 * kHour, 9 * kHour,
              {{"Lausanne - Lavaux", "Lausanne – Lavaux", {}, {},
                "46.620,6.450 46.620,6.850 46.480,6.900 46.450,6.600 46.500,6.450 46.620,6.450"}}},
         }},
        {"luxembourg", "Luxembourg", "LU", "442", "meteo@meteolux.lu", "MeteoLux", "fr-LU",
         "https://www.meteolux.lu/",
         {
             {2, "5; high-temperature", "High-temperature", "Moderate high-temperature warning",
              "Vigilance jaune fortes températures",
              "Des températures de 30 à 33 °C sont attendues dans le sud du pays.",
              "Buvez régulièrement et évitez les efforts aux heures chaudes.",
              "Temperatures of 30 to 33 °C are expected in the south of the country.",
              "Drink regularly and avoid effort in the heat of the day.",
              "Alert", "Monitor", -2 * kHour, -2 * kHour, -2 * kHour, 8 * kHour,
              {{"South", "Sud", "LU001", {{"EMMA_ID", "LU001"}}, {}}}},
         }},
    };
    return countries;
}

const TMeteoAlarmCountry* meteoAlarmCountry(std::string_view slug)
{
    for (const TMeteoAlarmCountry& country : meteoAlarmCountries())
        if (country.Slug == slug)
            return &country;
    return nullptr;
}

std::string capLinkOf(const TMeteoAlarmCountry& country, std::size_t warning, std::int64_t day, std::string_view origin)
{
    return std::string(origin) + "/api/v1/warnings/feeds-" + std::string(country.Slug) + "/" +
           warningUuid(country.Slug, warning, day);
}

std::string capIdentifier(const TMeteoAlarmCountry& country, const TMeteoAlarmWarning& w, std::size_t warning,
                          std::int64_t day)
{
    const std::int64_t now = WarningsNow(day, false);
    return "2.49.0.0." + std::string(country.Oid) + ".0." + std::string(country.Code) + "." +
           compactTime(now + w.Sent, europeanOffset(day)) + "." +
           std::to_string(100000 + mix(hashOf(country.Slug) ^ warning ^ static_cast<std::uint64_t>(day)) % 900000);
}

std::string atomIndex(const TMeteoAlarmCountry& country, std::int64_t day, std::string_view origin)
{
    const std::int64_t now = WarningsNow(day, false);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<feed\n\txmlns=\"http://www.w3.org/2005/Atom\"\n"
                      "\txmlns:cap=\"urn:oasis:names:tc:emergency:cap:1.2\">\n"
                      "\t<link href=\"https://pubsubhubbub.appspot.com/\" rel=\"hub\"/>\n";
    xml += "\t<link href=\"" + std::string(origin) + "/feeds/meteoalarm-legacy-atom-" + std::string(country.Slug) +
           "\" rel=\"self\" type=\"application/atom+xml\"/>\n";
    xml += "\t<link href=\"https://meteoalarm.org\" rel=\"alternate\" type=\"text/html\"/>\n"
           "\t<rights>Copyright (c) " + std::to_string(dateOf(day).Year) + ", meteoalarm.org</rights>\n"
           "\t<generator>Meteoalarm Producer Server</generator>\n"
           "\t<logo>https://feeds.meteoalarm.org/images/logo.svg</logo>\n"
           "\t<author>\n\t\t<name>meteoalarm.org</name>\n\t\t<uri>https://meteoalarm.org</uri>\n"
           "\t\t<email>meteoalarm@zamg.ac.at</email>\n\t</author>\n"
           "\t<id>tag:meteoalarm.org,2021-02-19:" + std::string(country.Code) + "</id>\n"
           "\t<title>Meteoalarm - severe weather warnings for Europe</title>\n"
           "\t<updated>" + offsetTime(now - 1800, 0).substr(0, 19) + ".851613Z</updated>\n";
    const auto& warnings = country.Warnings;
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        const TMeteoAlarmWarning& w = warnings[i];
        const std::string link = capLinkOf(country, i, day, origin);
        const std::string sent = offsetTime(now + w.Sent, 0);
        for (std::size_t a = 0; a < w.Areas.size(); ++a) {
            const TMeteoAlarmArea& area = w.Areas[a];
            // One entry per geocode; an area without one still has its entry.
            const std::size_t entries = std::max<std::size_t>(1, area.Geocodes.size());
            for (std::size_t g = 0; g < entries; ++g) {
                xml += "\t<entry>\n";
                if (g < area.Geocodes.size())
                    xml += "\t\t<cap:geocode>\n\t\t\t<valueName>" + std::string(area.Geocodes[g].first) +
                           "</valueName>\n\t\t\t<value>" + std::string(area.Geocodes[g].second) +
                           "</value>\n\t\t</cap:geocode>\n";
                if (!area.Emma.empty())
                    xml += "\t\t<link href=\"https://meteoalarm.org?geocode=EMMA_ID:" + std::string(area.Emma) +
                           "\" hreflang=\"en\" title=\"" + xmlEscaped(area.Name) + "\"/>\n";
                xml += "\t\t<cap:areaDesc>" + xmlEscaped(area.Name) + "</cap:areaDesc>\n";
                // Switzerland's areas are drawn, not coded: the entry carries
                // its CAP polygon as the document's <area> does.
                if (!area.Polygon.empty())
                    xml += "\t\t<cap:polygon>" + std::string(area.Polygon) + "</cap:polygon>\n";
                xml += "\t\t<cap:event>" + std::string(w.EnglishEvent) + "</cap:event>\n";
                xml += "\t\t<cap:sent>" + sent + "</cap:sent>\n";
                xml += "\t\t<cap:expires>" + offsetTime(now + w.Expires, 0) + "</cap:expires>\n";
                xml += "\t\t<cap:effective>" + offsetTime(now + w.Effective, 0) + "</cap:effective>\n";
                xml += "\t\t<cap:onset>" + offsetTime(now + w.Onset, 0) + "</cap:onset>\n";
                xml += "\t\t<cap:certainty>Likely</cap:certainty>\n";
                xml += "\t\t<cap:severity>" + std::string(kLevelSeverities[static_cast<std::size_t>(w.Level)]) +
                       "</cap:severity>\n";
                xml += "\t\t<cap:urgency>" + std::string(w.Onset > 0 ? "Future" : "Immediate") + "</cap:urgency>\n";
                xml += "\t\t<cap:scope>Public</cap:scope>\n";
                xml += "\t\t<cap:message_type>" + std::string(w.MsgType) + "</cap:message_type>\n";
                xml += "\t\t<cap:status>Actual</cap:status>\n";
                xml += "\t\t<cap:identifier>" + capIdentifier(country, w, i, day) + "</cap:identifier>\n";
                xml += "\t\t<link href=\"" + link + "\" type=\"application/cap+xml\"/>\n";
                xml += "\t\t<link href=\"https://meteoalarm.org?region=" + std::string(country.Code) +
                       "\" hreflang=\"en\" rel=\"related\" title=\"" + std::string(country.Name) + "\"/>\n";
                xml += "\t\t<author>\n\t\t\t<name>meteoalarm.org</name>\n\t\t\t<uri>https://meteoalarm.org</uri>\n"
                       "\t\t</author>\n";
                xml += "\t\t<published>" + sent.substr(0, 19) + "Z</published>\n";
                xml += "\t\t<id>" + link + "?index_info=1&amp;index_area=" + std::to_string(a) +
                       "&amp;index_geocode=" + std::to_string(g) + "</id>\n";
                xml += "\t\t<title>" + std::string(kLevelTitles[static_cast<std::size_t>(w.Level)]) + " " +
                       std::string(w.TitleType) + " Warning issued for " + std::string(country.Name) + " - " +
                       xmlEscaped(area.Name) + "</title>\n";
                xml += "\t\t<updated>" + sent.substr(0, 19) + "Z</updated>\n";
                xml += "\t</entry>\n";
            }
        }
    }
    xml += "</feed>\n";
    return xml;
}

std::string capInfoBlock(const TMeteoAlarmCountry& country, const TMeteoAlarmWarning& w, std::int64_t day,
                         bool french)
{
    const std::int64_t now = WarningsNow(day, false);
    const int offset = europeanOffset(day);
    const std::string_view event = french ? w.FrenchEvent : w.EnglishEvent;
    const std::string_view description = french ? w.FrenchDescription : w.EnglishDescription;
    const std::string_view instruction = french ? w.FrenchInstruction : w.EnglishInstruction;
    const auto level = static_cast<std::size_t>(w.Level);
    std::string xml = "\t<info>\n";
    xml += "\t\t<language>" + std::string(french ? country.French : "en-GB") + "</language>\n";
    xml += "\t\t<category>Met</category>\n";
    xml += "\t\t<event>" + xmlEscaped(event) + "</event>\n";
    xml += "\t\t<responseType>" + std::string(w.ResponseType) + "</responseType>\n";
    xml += "\t\t<urgency>" + std::string(w.Onset > 0 ? "Future" : "Immediate") + "</urgency>\n";
    xml += "\t\t<severity>" + std::string(kLevelSeverities[level]) + "</severity>\n";
    xml += "\t\t<certainty>Likely</certainty>\n";
    xml += "\t\t<effective>" + offsetTime(now + w.Effective, offset) + "</effective>\n";
    xml += "\t\t<onset>" + offsetTime(now + w.Onset, offset) + "</onset>\n";
    xml += "\t\t<expires>" + offsetTime(now + w.Expires, offset) + "</expires>\n";
    xml += "\t\t<senderName>" + xmlEscaped(country.SenderName) + "</senderName>\n";
    xml += "\t\t<headline>" + xmlEscaped(event) + "</headline>\n";
    xml += "\t\t<description>" + xmlEscaped(description) + "</description>\n";
    if (!instruction.empty())
        xml += "\t\t<instruction>" + xmlEscaped(instruction) + "</instruction>\n";
    xml += "\t\t<web>" + std::string(country.Web) + "</web>\n";
    xml += "\t\t<contact>" + xmlEscaped(country.SenderName) + "</contact>\n";
    xml += "\t\t<parameter>\n\t\t\t<valueName>awareness_level</valueName>\n\t\t\t<value>" + std::to_string(w.Level) +
           "; " + std::string(kLevelColours[level]) + "; " + std::string(kLevelSeverities[level]) +
           "</value>\n\t\t</parameter>\n";
    xml += "\t\t<parameter>\n\t\t\t<valueName>awareness_type</valueName>\n\t\t\t<value>" + std::string(w.Type) +
           "</value>\n\t\t</parameter>\n";
    for (const TMeteoAlarmArea& area : w.Areas) {
        xml += "\t\t<area>\n\t\t\t<areaDesc>" + xmlEscaped(french ? area.FrenchName : area.Name) + "</areaDesc>\n";
        if (!area.Polygon.empty())
            xml += "\t\t\t<polygon>" + std::string(area.Polygon) + "</polygon>\n";
        if (!area.Emma.empty() && (area.Geocodes.empty() || area.Geocodes.front().first != "EMMA_ID"))
            xml += "\t\t\t<geocode>\n\t\t\t\t<valueName>EMMA_ID</valueName>\n\t\t\t\t<value>" +
                   std::string(area.Emma) + "</value>\n\t\t\t</geocode>\n";
        for (const auto& [name, value] : area.Geocodes)
            xml += "\t\t\t<geocode>\n\t\t\t\t<valueName>" + std::string(name) + "</valueName>\n\t\t\t\t<value>" +
                   std::string(value) + "</value>\n\t\t\t</geocode>\n";
        xml += "\t\t</area>\n";
    }
    xml += "\t</info>\n";
    return xml;
}

std::string capDocument(const TMeteoAlarmCountry& country, std::size_t warning, std::int64_t day)
{
    const TMeteoAlarmWarning& w = country.Warnings[warning];
    const std::int64_t now = WarningsNow(day, false);
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\n<alert\n"
                      "\txmlns=\"urn:oasis:names:tc:emergency:cap:1.2\">\n";
    xml += "\t<identifier>" + capIdentifier(country, w, warning, day) + "</identifier>\n";
    xml += "\t<sender>" + std::string(country.Sender) + "</sender>\n";
    xml += "\t<sent>" + offsetTime(now + w.Sent, europeanOffset(day)) + "</sent>\n";
    xml += "\t<status>Actual</status>\n";
    xml += "\t<msgType>" + std::string(w.MsgType) + "</msgType>\n";
    xml += "\t<scope>Public</scope>\n";
    xml += capInfoBlock(country, w, day, true);
    xml += capInfoBlock(country, w, day, false);
    xml += "</alert>\n";
    return xml;
}

// -- GeoMet

struct TGeoMetAlert {
    std::string_view Code, Type;               // "WW", "warning"
    std::string_view NameEn, NameFr;           // "wind warning", "avertissement de vent"
    std::string_view ShortEn, ShortFr;         // "Wind", "Vent"
    std::string_view TextEn, TextFr;
    std::string_view ColourEn, ColourFr;       // empty for a statement
    std::string_view ConfidenceEn, ConfidenceFr, ImpactEn, ImpactFr;
    std::string_view Area;                     // feature_name_en and _fr
    std::string_view StatusEn, StatusFr;
    // Seconds from WarningsNow.
    std::int64_t Publication, Validity, EventEnd, Expiration;
    std::string_view FeatureId;                // "fea1-1201"
    // The outer ring, [longitude, latitude], closed.
    std::vector<std::pair<double, double>> Ring;
};

const std::vector<TGeoMetAlert>& geoMetAlerts()
{
    static const std::vector<TGeoMetAlert> alerts = {
        {"WW", "warning", "wind warning", "avertissement de vent", "Wind", "Vent",
         "Strong winds that may cause damage are expected.\n\nWhat:\nWesterly wind gusts of 90 km/h.\n\n"
         "When:\nThis afternoon until tonight.",
         "Des vents forts pouvant causer des dommages sont prévus.\n\nQuoi :\nRafales d'ouest de 90 km/h.\n\n"
         "Quand :\nCet après-midi jusqu'en soirée.",
         "yellow", "jaune", "High", "élevée", "Moderate", "modéré", "Montréal", "issued", "émis",
         -2 * kHour, -1 * kHour, 10 * kHour, 14 * kHour, "fea1-1201",
         {{-73.97, 45.50}, {-73.95, 45.40}, {-73.52, 45.46}, {-73.47, 45.60}, {-73.49, 45.70}, {-73.85, 45.52},
          {-73.97, 45.50}}},
        {"FRW", "warning", "freezing rain warning", "avertissement de pluie verglaçante", "Freezing rain",
         "Pluie verglaçante",
         "Freezing rain leading to icy and slippery conditions.",
         "Pluie verglaçante rendant les surfaces glacées et glissantes.",
         "yellow", "jaune", "High", "élevée", "Moderate", "modéré", "Québec", "continued", "maintenu",
         -30 * kHour, -28 * kHour, -20 * kHour, -16 * kHour, "fea1-1214",
         {{-71.50, 46.70}, {-71.00, 46.70}, {-71.00, 46.95}, {-71.50, 46.95}, {-71.50, 46.70}}},
        {"SPS", "statement", "special weather statement", "bulletin météorologique spécial", "Special weather",
         "Météorologique spécial",
         "Snow at times heavy is possible tomorrow.\n\nTotal snowfall amounts of 10 to 15 cm are possible.",
         "De la neige parfois forte est possible demain.\n\nDes accumulations totales de 10 à 15 cm sont "
         "possibles.",
         {}, {}, {}, {}, {}, {}, "Ottawa Nord - Kanata - Orléans", "issued", "émis",
         -3 * kHour, -2 * kHour, 20 * kHour, 24 * kHour, "fea1-1230",
         {{-76.00, 45.25}, {-75.40, 45.25}, {-75.40, 45.55}, {-76.00, 45.55}, {-76.00, 45.25}}},
    };
    return alerts;
}

// A number of GeoJSON as the service prints it: "-73.97", "45.5".
std::string geoNumber(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string geoMetFeature(const TGeoMetAlert& a, std::int64_t day)
{
    const std::int64_t now = WarningsNow(day, true);
    const std::string id = compactTime(now + a.Publication, 0) + std::to_string(mix(hashOf(a.FeatureId)) % 1000000) +
                           "_" + std::string(a.FeatureId);
    auto field = [](std::string& json, std::string_view name, std::string_view value) {
        json += "," + jsonString(name) + ":" + jsonString(value);
    };
    std::string json = "{\"type\":\"Feature\",\"properties\":{\"id\":" + jsonString(id);
    field(json, "alert_code", a.Code);
    field(json, "alert_type", a.Type);
    field(json, "alert_name_en", a.NameEn);
    field(json, "alert_name_fr", a.NameFr);
    field(json, "alert_short_name_en", a.ShortEn);
    field(json, "alert_short_name_fr", a.ShortFr);
    field(json, "publication_datetime", zuluTime(now + a.Publication));
    field(json, "expiration_datetime", zuluTime(now + a.Expiration));
    field(json, "validity_datetime", zuluTime(now + a.Validity));
    field(json, "event_end_datetime", zuluTime(now + a.EventEnd));
    field(json, "alert_text_en", a.TextEn);
    field(json, "alert_text_fr", a.TextFr);
    // A statement has no colour, confidence or impact: the keys are absent.
    if (!a.ColourEn.empty()) {
        field(json, "risk_colour_en", a.ColourEn);
        field(json, "risk_colour_fr", a.ColourFr);
        field(json, "confidence_en", a.ConfidenceEn);
        field(json, "confidence_fr", a.ConfidenceFr);
        field(json, "impact_en", a.ImpactEn);
        field(json, "impact_fr", a.ImpactFr);
    }
    field(json, "feature_name_en", a.Area);
    field(json, "feature_name_fr", a.Area);
    field(json, "province", a.FeatureId == "fea1-1230" ? "ON" : "QC");
    field(json, "status_en", a.StatusEn);
    field(json, "status_fr", a.StatusFr);
    field(json, "feature_id", a.FeatureId);
    json += "},\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[";
    for (std::size_t i = 0; i < a.Ring.size(); ++i)
        json += (i ? ",[" : "[") + geoNumber(a.Ring[i].first) + "," + geoNumber(a.Ring[i].second) + "]";
    json += "]]},\"id\":" + jsonString(id) + "}";
    return json;
}

bool ringOverlaps(const std::vector<std::pair<double, double>>& ring, double west, double south, double east,
                  double north)
{
    double minLon = 180, maxLon = -180, minLat = 90, maxLat = -90;
    for (const auto& [lon, lat] : ring) {
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
    }
    return minLon <= east && maxLon >= west && minLat <= north && maxLat >= south;
}

TAnswer geoMetRefusal(std::string_view description)
{
    return typedAnswer(400, "application/json",
                       "{\"code\":\"InvalidParameterValue\",\"type\":\"InvalidParameterValue\",\"description\":" +
                           jsonString(description) + "}");
}

} // namespace

std::int64_t WarningsNow(std::int64_t day, bool canada)
{
    return day * 86400 + 12 * kHour - (canada ? easternOffset(day) : europeanOffset(day));
}

TAnswer MeteoAlarmAtomAnswer(std::string_view country, std::int64_t day, std::string_view origin)
{
    if (country == "garbage")
        // A gzip stream sent without its Content-Encoding: bytes that are no XML.
        return typedAnswer(200, "application/atom+xml",
                           std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03\xB3\x49\xCB\x4C\x4D\xB1\x03\x00",
                                       18));
    const TMeteoAlarmCountry* c = meteoAlarmCountry(country);
    if (!c)
        return notFound();
    return typedAnswer(200, "application/atom+xml; charset=utf-8",
                       atomIndex(*c, day, originOr(origin, kMeteoAlarmOrigin)));
}

TAnswer MeteoAlarmCapAnswer(std::string_view country, std::string_view uuid, std::int64_t day)
{
    const TMeteoAlarmCountry* c = meteoAlarmCountry(country);
    if (!c)
        return notFound();
    for (std::size_t i = 0; i < c->Warnings.size(); ++i) {
        if (warningUuid(c->Slug, i, day) != uuid)
            continue;
        switch (c->Warnings[i].Link) {
        case TCapLink::ServerError:
            return typedAnswer(500, "text/html; charset=utf-8",
                               "<html><head><title>500 Internal Server Error</title></head><body>"
                               "<h1>Internal Server Error</h1></body></html>\n");
        case TCapLink::Malformed: {
            // Cut inside the French block's description, as a transfer that
            // broke off: the elements opened before the cut never close.
            std::string document = capDocument(*c, i, day);
            document.resize(document.find("<description>") + 40);
            return typedAnswer(200, "application/cap+xml; charset=utf-8", std::move(document));
        }
        case TCapLink::Document:
            return typedAnswer(200, "application/cap+xml; charset=utf-8", capDocument(*c, i, day));
        }
    }
    return notFound();
}

TAnswer GeoMetAlertsAnswer(std::string_view query, std::int64_t day, std::string_view origin)
{
    const TParameters parameters = parametersOf(query);
    if (const auto f = firstValue(parameters, "f"); f && *f != "json")
        return geoMetRefusal("Invalid format: only f=json is served here");
    double box[4] = {-180, -90, 180, 90};
    std::string bboxText;
    if (const auto bbox = firstValue(parameters, "bbox")) {
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            const std::size_t end = i < 3 ? bbox->find(',', start) : bbox->size();
            const std::optional<double> value =
                end == std::string_view::npos ? std::nullopt : parsedNumber(bbox->substr(start, end - start));
            if (!value)
                return geoMetRefusal("bbox values must be numbers: lon1,lat1,lon2,lat2");
            box[i] = *value;
            start = end + 1;
        }
        if (box[0] > box[2] || box[1] > box[3] || box[1] < -90 || box[3] > 90 || box[0] < -180 || box[2] > 180)
            return geoMetRefusal("bbox must be lon1,lat1,lon2,lat2 with lon1 <= lon2 and lat1 <= lat2");
        bboxText = "&bbox=" + echoed(*bbox);
    }
    auto wholeNumber = [](std::string_view text) -> std::optional<long> {
        long value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    };
    long limit = 10, offset = 0;
    if (const auto text = firstValue(parameters, "limit")) {
        const auto value = wholeNumber(*text);
        if (!value || *value < 1 || *value > 10000)
            return geoMetRefusal("limit must be a whole number from 1 to 10000");
        limit = *value;
    }
    if (const auto text = firstValue(parameters, "offset")) {
        const auto value = wholeNumber(*text);
        if (!value || *value < 0)
            return geoMetRefusal("offset must be a whole number, 0 or more");
        offset = *value;
    }

    std::vector<const TGeoMetAlert*> matched;
    for (const TGeoMetAlert& a : geoMetAlerts())
        if (ringOverlaps(a.Ring, box[0], box[1], box[2], box[3]))
            matched.push_back(&a);
    const std::size_t first = std::min(matched.size(), static_cast<std::size_t>(offset));
    const std::size_t last = std::min(matched.size(), first + static_cast<std::size_t>(limit));

    std::string json = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (std::size_t i = first; i < last; ++i)
        json += (i > first ? "," : "") + geoMetFeature(*matched[i], day);
    const std::string items = originOr(origin, kGeoMetOrigin) + "/collections/weather-alerts/items";
    const std::string page = bboxText + "&limit=" + std::to_string(limit);
    json += "],\"numberMatched\":" + std::to_string(matched.size()) +
            ",\"numberReturned\":" + std::to_string(last - first) + ",\"links\":[";
    json += "{\"type\":\"application/geo+json\",\"rel\":\"self\",\"title\":\"This document as GeoJSON\",\"href\":" +
            jsonString(items + "?f=json" + page + (offset ? "&offset=" + std::to_string(offset) : "")) + "}";
    json += ",{\"rel\":\"alternate\",\"type\":\"application/ld+json\",\"title\":\"This document as RDF (JSON-LD)\","
            "\"href\":" + jsonString(items + "?f=jsonld" + page) + "}";
    json += ",{\"type\":\"text/html\",\"rel\":\"alternate\",\"title\":\"This document as HTML\",\"href\":" +
            jsonString(items + "?f=html" + page) + "}";
    if (first > 0)
        json += ",{\"type\":\"application/geo+json\",\"rel\":\"prev\",\"title\":\"Items (prev)\",\"href\":" +
                jsonString(items + "?f=json" + page + "&offset=" +
                           std::to_string(first > static_cast<std::size_t>(limit) ? first - limit : 0)) + "}";
    if (last < matched.size())
        json += ",{\"type\":\"application/geo+json\",\"rel\":\"next\",\"title\":\"Items (next)\",\"href\":" +
                jsonString(items + "?f=json" + page + "&offset=" + std::to_string(last)) + "}";
    json += ",{\"type\":\"application/json\",\"title\":\"Weather alerts\",\"rel\":\"collection\",\"href\":" +
            jsonString(originOr(origin, kGeoMetOrigin) + "/collections/weather-alerts") + "}";
    json += "],\"timeStamp\":" + jsonString(offsetTime(WarningsNow(day, true), 0).substr(0, 19) + ".000000Z") + "}";
    return typedAnswer(200, "application/geo+json", std::move(json));
}

std::int64_t Today()
{
    using namespace std::chrono;
    return duration_cast<days>(system_clock::now().time_since_epoch()).count();
}

bool HasFranceSession(std::string_view cookie)
{
    const std::string_view value = cookieValue(cookie, FranceSessionCookie);
    if (value.size() != 32)
        return false;
    std::uint64_t n = 0;
    for (char c : value.substr(0, 16)) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = c >= 'A' && c <= 'F';
        if (!digit && !letter)
            return false;
        n = n * 16 + static_cast<std::uint64_t>(digit ? c - '0' : c - 'A' + 10);
    }
    return value.substr(16) == hex16(mix(n ^ kSessionSecret));
}

std::string FranceHomePage(std::int64_t day)
{
    std::string page = pageHead("Nubra-France : prévisions météo pour la France");
    page += "<body>\r\n";
    page += navigation("Nubra-France");
    page += "<div id=\"contenu\">\r\n  <h1>La météo d&rsquo;aujourd&rsquo;hui</h1>\r\n  <p>Nous sommes le ";
    page += longDate(day);
    page += ".</p>\r\n  <form action=\"/recherche\" method=\"get\"><input type=\"text\" name=\"ville\" /></form>\r\n</div>\r\n";
    page += pageFoot("Nubra-France");
    return page;
}

std::string FranceCommunePage(std::string_view codeInsee, std::int64_t day)
{
    TDice dice("france", codeInsee, day);
    const TDate today = dateOf(day);
    const std::string style =
        "<style type=\"text/css\">\r\n"
        "  #meteo .cityWeather p { margin: 0; padding: 2px 0; }\r\n"
        "  #meteo table.previsions td { text-align: center; }\r\n"
        "</style>\r\n";
    std::string page = pageHead("Prévisions pour la commune " + std::string(codeInsee));
    page += "<body>\r\n";
    page += navigation("Nubra-France");
    page += "<div id=\"meteo\">\r\n<h1>Prévisions pour la commune n&deg; ";
    page += codeInsee;
    page += "</h1>\r\n";

    // Ephemeris: the block is the second "div" after the style's marker,
    // so the style sheet stands right before it.
    const int sunrise = 7 * 60 + dice.between(0, 80);
    const int sunset = 16 * 60 + 30 + dice.between(0, 200);
    const int moonrise = dice.between(0, 23 * 60);
    const int moonset = (moonrise + 12 * 60 + dice.between(0, 90)) % (24 * 60);
    page += style;
    page += "<div class=\"cityWeather\">\r\n";
    page += "<div class=\"ephemeride\"><h3>Aujourd'hui</h3><p class=\"sunrise\">Lever ";
    page += hourMinute(sunrise) + " - Coucher " + hourMinute(sunset);
    page += "</p><p class=\"moonrise\">Lever " + hourMinute(moonrise) + " - Coucher " + hourMinute(moonset);
    page += "</p><p>F&ecirc;te : ";
    page += dice.pick(kSaints);
    page += "</p><div class=\"separateur\"></div></div>\r\n</div>\r\n";

    // Update time, then the forecast table with two title rows.
    page += "<p class=\"maj\">Actualisé le " + longDate(day) + " à " + twoDigits(5 + dice.between(0, 12)) + "h00</p>\r\n";
    page += "<table class=\"previsions\" summary=\"Prévisions\">\r\n"
            "<tr><th colspan=\"5\">Prévisions pour les prochains jours</th></tr>\r\n"
            "<tr><th>Période</th><th>Ciel</th><th>Température</th><th>Vent</th><th>Rafales</th></tr>\r\n";
    static constexpr std::array<std::string_view, 2> halves = {"matin", "après-midi"};
    for (int i = 0; i < 8; ++i) {
        const TDate d = dateOf(day + i / 2);
        const int temperature = dice.between(-6, 14) + (i % 2) * 5;
        const int wind = 5 * dice.between(1, 8);
        page += "<tr>\r\n  <td>";
        page += kDaysCapital[static_cast<std::size_t>(d.WeekDay)];
        page += " " + std::to_string(d.Day) + " ";
        page += halves[static_cast<std::size_t>(i % 2)];
        page += "</td>\r\n  <td><img src=\"/images/picto/" + std::to_string(dice.between(1, 30)) + ".gif\" alt=\"";
        page += dice.pick(kSkies);
        page += "\" /></td>\r\n  <td>" + std::to_string(temperature) + "&deg;C</td>\r\n  <td>";
        page += dice.pick(kWinds);
        page += " " + std::to_string(wind) + " km/h</td>\r\n  <td>";
        if (wind >= 25)
            page += std::to_string(wind + 20) + " km/h";
        else
            page += "-";
        page += "</td>\r\n</tr>\r\n";
    }
    page += "</table>\r\n<p class=\"note\">Prochaine actualisation vers " + twoDigits(today.Day % 12 + 6) + "h00.</p>\r\n</div>\r\n";
    page += pageFoot("Nubra-France");
    return page;
}

std::string SuissePage(std::string_view npa, std::int64_t day)
{
    TDice dice("suisse", npa, day);
    std::string page = pageHead("NubraSuisse - Prévisions locales");
    page += "<body>\r\n";
    page += navigation("NubraSuisse");
    // A layout table before the heading, as the service's pages have.
    page += "<table class=\"mise-en-page\" width=\"100%\"><tr><td><a href=\"/web/fr.html\">Accueil</a></td>"
            "<td><a href=\"/web/fr/meteo.html\">Météo</a></td></tr></table>\r\n";
    page += "<h1>Prévisions pour " + std::string(npa) + "</h1>\r\n";
    page += "<table class=\"prevision\" cellspacing=\"0\">\r\n"
            "<tr><th>Jour</th><th>Temps</th><th>Temp. min|max</th><th>Soleil</th><th>Précip.</th><th>Rafales</th></tr>\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        const int low = dice.between(-10, 8);
        const int high = low + dice.between(2, 9);
        page += "<tr>\r\n  <td>";
        page += kDayAbbreviations[static_cast<std::size_t>(d.WeekDay)];
        page += ", " + twoDigits(d.Day) + "." + twoDigits(d.Month) + ".</td>\r\n";
        page += "  <td><img src=\"/img/symbole/" + std::to_string(dice.between(1, 35)) + ".png\" alt=\"";
        page += dice.pick(kSkies);
        page += "\" /></td>\r\n";
        page += "  <td>" + std::to_string(low) + "|" + std::to_string(high) + "&deg;</td>\r\n";
        page += "  <td>" + std::to_string(10 * dice.between(0, 10)) + "%</td>\r\n";
        page += "  <td>" + std::to_string(dice.between(0, 12)) + " mm</td>\r\n";
        page += "  <td>" + std::to_string(5 * dice.between(0, 20)) + "%</td>\r\n</tr>\r\n";
    }
    page += "</table>\r\n<p>Données fournies à titre indicatif &ndash; NubraSuisse.</p>\r\n";
    page += pageFoot("NubraSuisse");
    return page;
}

std::string CanadaPage(std::string_view codeVille, std::int64_t day)
{
    TDice dice("canada", codeVille, day);
    std::string page = pageHead("Prévisions - " + std::string(codeVille));
    page += "<body>\r\n<p><a href=\"#contenu\">Passer au contenu</a> | <a href=\"/index_f.html\">Accueil</a></p>\r\n";
    page += "<div id=\"contenu\">\r\n";
    page += "<div class=\"theDefListsBox\">\r\n"
            "<h2>Conditions actuelles</h2>\r\n<dl>\r\n";
    page += "<dt>Condition :</dt><dd>";
    page += dice.pick(kCanadaSkies);
    page += "</dd>\r\n<dt>Température :</dt><dd>" + std::to_string(dice.between(-30, 10)) + "&deg;C</dd>\r\n";
    page += "<dt>Vent :</dt><dd>" + std::string(dice.pick(kWinds)) + " " + std::to_string(5 * dice.between(0, 10)) +
            " km/h</dd>\r\n</dl>\r\n</div>\r\n";
    page += "<div class=\"theDefListsBox\">\r\n<h2>Prévisions émises le " + longDate(day) + "</h2>\r\n<dl>\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        page += "<dt>";
        page += i == 0 ? std::string("Ce soir et cette nuit") : std::string(kDaysCapital[static_cast<std::size_t>(d.WeekDay)]);
        page += "</dt><dd>";
        page += dice.pick(kCanadaSkies);
        const int value = i == 0 ? dice.between(-25, -1) : dice.between(-15, 8);
        page += i == 0 ? ". Minimum " : ". Maximum ";
        if (value == 0)
            page += "z&eacute;ro";
        else
            page += (value < 0 ? "moins " : "plus ") + std::to_string(value < 0 ? -value : value);
        page += ".</dd>\r\n";
    }
    page += "</dl>\r\n</div>\r\n";
    page += "<p class=\"avis\">Aucun avertissement en vigueur.</p>\r\n</div>\r\n";
    page += pageFoot("Nubra Canada");
    return page;
}

std::string BelgiquePage(std::string_view station, std::int64_t day)
{
    TDice dice("belgique", station, day);
    std::string page = pageHead("Le Soir - Météo");
    page += "<body>\r\n";
    page += navigation("Le Soir");
    page += "<div id=\"meteo-ville\">\r\n<h2>Station " + std::string(station) + "</h2>\r\n";
    page += "<div class=\"climat-content\">\r\n<ul class=\"jours\">\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        const int low = dice.between(-5, 9);
        page += "  <li><b>";
        page += kDaysCapital[static_cast<std::size_t>(d.WeekDay)];
        page += " " + std::to_string(d.Day) + " : </b> <i>";
        page += dice.pick(kSkies);
        page += "</i> <span>, " + std::to_string(low) + "&deg; / " + std::to_string(low + dice.between(2, 8)) +
                "&deg;</span></li>\r\n";
    }
    page += "</ul>\r\n</div>\r\n<p class=\"source\">Source : Institut royal météorologique</p>\r\n</div>\r\n";
    page += "<div class=\"pub\"><ul><li>Publicité</li></ul></div>\r\n";
    page += pageFoot("Le Soir");
    return page;
}

TAnswer OpenMeteoAnswer(std::string_view query, std::int64_t day)
{
    const TParameters parameters = parametersOf(query);

    // Decoding first, as the service does: every parameter must read as its
    // type and every variable be known; ranges are checked afterwards.
    std::optional<double> coordinates[2];
    constexpr std::array<std::string_view, 2> coordinateKeys = {"latitude", "longitude"};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::optional<std::string_view> text = firstValue(parameters, coordinateKeys[i]);
        if (!text)
            return openMeteoRefusal("Value required for key '" + std::string(coordinateKeys[i]) + "'.");
        coordinates[i] = parsedNumber(*text);
        if (!coordinates[i])
            return openMeteoRefusal("Value of type 'Float' required for key '" + std::string(coordinateKeys[i]) + "'.");
    }
    int forecastDays = kDefaultForecastDays;
    if (const std::optional<std::string_view> text = firstValue(parameters, "forecast_days")) {
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), forecastDays);
        if (text->empty() || error != std::errc() || end != text->data() + text->size())
            return openMeteoRefusal("Value of type 'Int' required for key 'forecast_days'.");
    }
    const std::vector<std::string> current = listValues(parameters, "current");
    const std::vector<std::string> hourly = listValues(parameters, "hourly");
    const std::vector<std::string> daily = listValues(parameters, "daily");
    auto unitOf = [](const auto& known, std::string_view name) -> std::optional<std::string_view> {
        for (const TOpenMeteoVariable& variable : known)
            if (variable.Name == name)
                return variable.Unit;
        return std::nullopt;
    };
    for (const std::string& name : current)
        if (!unitOf(kCurrentVariables, name))
            return openMeteoRefusal("Cannot initialize ForecastVariable from invalid String value " + echoed(name) +
                                    " for key current");
    for (const std::string& name : hourly)
        if (!unitOf(kHourlyVariables, name))
            return openMeteoRefusal("Cannot initialize ForecastVariable from invalid String value " + echoed(name) +
                                    " for key hourly");
    for (const std::string& name : daily)
        if (!unitOf(kDailyVariables, name))
            return openMeteoRefusal("Cannot initialize ForecastVariableDaily from invalid String value " +
                                    echoed(name) + " for key daily");

    const double latitude = *coordinates[0];
    const double longitude = *coordinates[1];
    if (latitude < -90 || latitude > 90)
        return openMeteoRefusal("Latitude must be in range of -90 to 90°. Given: " + floatText(latitude) + ".");
    if (longitude < -180 || longitude > 180)
        return openMeteoRefusal("Longitude must be in range of -180 to 180°. Given: " + floatText(longitude) + ".");
    if (forecastDays < 0 || forecastDays > kMaxForecastDays)
        return openMeteoRefusal("Forecast days is invalid. Allowed range 0 to 16.");

    TTimeZone zone{"GMT", 0, "GMT", "GMT", TSummerTime::None};
    const std::optional<std::string_view> zoneName = firstValue(parameters, "timezone");
    if (zoneName && *zoneName == "auto") {
        zone = timeZoneAt(latitude, longitude);
    } else if (zoneName && *zoneName != "GMT" && *zoneName != "UTC") {
        return openMeteoRefusal("Invalid timezone " + echoed(*zoneName));
    }
    const bool summer = isSummerTime(zone.Summer, day);
    const int offset = zone.StandardOffset + (summer ? 3600 : 0);

    // The grid point: the position to a hundredth of a degree, which also
    // seeds the weather, so neighbouring places in one cell share it.
    const long latitudeCell = std::lround(latitude * 100);
    const long longitudeCell = std::lround(longitude * 100);
    const std::string gridPoint = hundredths(latitudeCell) + "," + hundredths(longitudeCell);
    TDice site("open-meteo-site", gridPoint, 0);
    const bool alpine = zone.Name == "Europe/Zurich";
    const int elevation = alpine ? site.between(400, 1600) : site.between(5, 450);

    std::string json = "{\"latitude\":" + hundredths(latitudeCell) + ",\"longitude\":" + hundredths(longitudeCell);
    json += ",\"generationtime_ms\":0." + std::to_string(site.between(100, 999)) + std::to_string(site.between(1000, 9999));
    json += ",\"utc_offset_seconds\":" + std::to_string(offset);
    json += ",\"timezone\":" + jsonString(zone.Name);
    json += ",\"timezone_abbreviation\":" + jsonString(summer ? zone.SummerAbbreviation : zone.StandardAbbreviation);
    json += ",\"elevation\":" + std::to_string(elevation) + ".0";

    // Every day of the forecast, and at least the first for "current": its
    // daily values, its noon, its hours and its sun.
    struct TForecastDay {
        std::int64_t Date;
        TDailyWeather Daily;
        TNoon Noon;
        THourlyWeather Hours;
        TSun Sun;
    };
    std::vector<TForecastDay> days;
    for (std::int64_t date = day; date < day + std::max(forecastDays, 1); ++date) {
        const TDailyWeather w = dailyWeather(gridPoint, latitude, longitude, elevation, date);
        const TNoon noon = noonOf(gridPoint, w, date);
        const int dateOffset = zone.StandardOffset + (isSummerTime(zone.Summer, date) ? 3600 : 0);
        days.push_back({date, w, noon, hourlyWeather(gridPoint, w, noon, date),
                        sunOn(static_cast<double>(latitudeCell) / 100, static_cast<double>(longitudeCell) / 100,
                              date, dateOffset)});
    }
    auto unitsOf = [&](std::string_view block, const auto& known, const std::vector<std::string>& names) {
        json += ",\"" + std::string(block) + "_units\":{\"time\":\"iso8601\"";
        if (block == "current")
            json += ",\"interval\":\"seconds\"";
        for (const std::string& name : names)
            json += ",\"" + name + "\":" + jsonString(*unitOf(known, name));
        json += "}";
    };

    if (!current.empty()) {
        const TForecastDay& today = days.front();
        const THourlyWeather& h = today.Hours;
        unitsOf("current", kCurrentVariables, current);
        json += ",\"current\":{\"time\":\"" + isoDate(day) + "T12:00\",\"interval\":900";
        for (const std::string& name : current) {
            json += ",\"" + name + "\":";
            if (name == "temperature_2m")
                json += tenths(h.TemperatureTenths[kNoon]);
            else if (name == "apparent_temperature")
                json += tenths(apparentTenths(h.TemperatureTenths[kNoon], h.WindTenths[kNoon], today.Noon.Humidity));
            else if (name == "relative_humidity_2m")
                json += std::to_string(today.Noon.Humidity);
            else if (name == "weather_code")
                json += std::to_string(h.WeatherCode[kNoon]);
            else if (name == "wind_speed_10m")
                json += tenths(h.WindTenths[kNoon]);
            else if (name == "wind_direction_10m")
                json += std::to_string(h.WindDirection[kNoon]);
            else
                json += tenths(h.GustTenths[kNoon]);
        }
        json += "}";
    }

    // The finest models stop short of the last day of a week or more: its
    // last three hours come as null, and so do its precipitation sum and
    // dominant direction, which those hours would complete; with more than
    // ten days the day before has them null too.
    auto beyondHorizon = [forecastDays](int i) {
        return i >= 6 && (i == forecastDays - 1 || (forecastDays > 10 && i == forecastDays - 2));
    };
    if (!hourly.empty()) {
        unitsOf("hourly", kHourlyVariables, hourly);
        json += ",\"hourly\":{\"time\":[";
        for (int i = 0; i < forecastDays; ++i)
            for (int hour = 0; hour < kHours; ++hour)
                json += (i || hour ? ",\"" : "\"") + isoDate(day + i) + "T" + twoDigits(hour) + ":00\"";
        json += "]";
        for (const std::string& name : hourly) {
            json += ",\"" + name + "\":[";
            for (int i = 0; i < forecastDays; ++i) {
                const THourlyWeather& h = days[static_cast<std::size_t>(i)].Hours;
                const bool cut = forecastDays >= 7 && i == forecastDays - 1;
                for (std::size_t hour = 0; hour < kHours; ++hour) {
                    if (i || hour)
                        json += ",";
                    if (cut && hour > kLastHourOfShortDay)
                        json += "null";
                    else if (name == "temperature_2m")
                        json += tenths(h.TemperatureTenths[hour]);
                    else if (name == "precipitation_probability")
                        json += std::to_string(h.PrecipitationChance[hour]);
                    else if (name == "precipitation")
                        json += tenths(h.PrecipitationTenths[hour]);
                    else if (name == "weather_code")
                        json += std::to_string(h.WeatherCode[hour]);
                    else if (name == "wind_speed_10m")
                        json += tenths(h.WindTenths[hour]);
                    else if (name == "wind_direction_10m")
                        json += std::to_string(h.WindDirection[hour]);
                    else
                        json += tenths(h.GustTenths[hour]);
                }
            }
            json += "]";
        }
        json += "}";
    }

    if (!daily.empty()) {
        unitsOf("daily", kDailyVariables, daily);
        json += ",\"daily\":{\"time\":[";
        for (int i = 0; i < forecastDays; ++i)
            json += (i ? ",\"" : "\"") + isoDate(day + i) + "\"";
        json += "]";
        for (const std::string& name : daily) {
            json += ",\"" + name + "\":[";
            for (int i = 0; i < forecastDays; ++i) {
                const TForecastDay& f = days[static_cast<std::size_t>(i)];
                const TDailyWeather& w = f.Daily;
                if (i)
                    json += ",";
                if (name == "weather_code")
                    json += std::to_string(w.WeatherCode);
                else if (name == "temperature_2m_max")
                    json += tenths(w.MaxTenths);
                else if (name == "temperature_2m_min")
                    json += tenths(w.MinTenths);
                else if (name == "precipitation_sum")
                    json += beyondHorizon(i) ? "null" : tenths(w.PrecipitationTenths);
                else if (name == "precipitation_probability_max")
                    json += std::to_string(*std::max_element(f.Hours.PrecipitationChance.begin(),
                                                             f.Hours.PrecipitationChance.end()));
                else if (name == "wind_speed_10m_max")
                    json += tenths(w.WindMaxTenths);
                else if (name == "wind_gusts_10m_max")
                    json += tenths(*std::max_element(f.Hours.GustTenths.begin(), f.Hours.GustTenths.end()));
                else if (name == "wind_direction_10m_dominant")
                    json += beyondHorizon(i) ? "null" : std::to_string(w.WindDirection);
                else if (name == "sunrise" || name == "sunset")
                    json += "\"" + (f.Sun.RisesAndSets ? localTime(f.Date, name == "sunrise" ? f.Sun.SunriseMinutes
                                                                                           : f.Sun.SunsetMinutes)
                                                       : isoDate(f.Date) + "T00:00") + "\"";
                else if (name == "daylight_duration")
                    json += tenths(f.Sun.DaylightTenths);
                else
                    json += tenths(uvIndexTenths(f.Sun, w.WeatherCode));
            }
            json += "]";
        }
        json += "}";
    }
    json += "}";
    return jsonAnswer(200, std::move(json));
}

TAnswer AnswerRequest(std::string_view target, std::string_view cookie, std::int64_t day, std::string_view origin)
{
    const std::size_t mark = target.find('?');
    const std::string_view path = target.substr(0, mark);
    const std::string_view query = mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);

    if (path == "/france/accueil") {
        TAnswer answer = htmlAnswer(200, FranceHomePage(day));
        answer.Headers.emplace_back("Set-Cookie", std::string(FranceSessionCookie) + "=" + newSessionId() + "; Path=/");
        return answer;
    }
    if (path == "/jsp/site/Portal.jsp") {
        constexpr std::string_view prefix = "page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F";
        if (query.substr(0, prefix.size()) != prefix || query.size() < prefix.size() + 2 || query.back() != '0')
            return notFound();
        const std::string_view code = query.substr(prefix.size(), query.size() - prefix.size() - 1);
        if (!isPlaceKey(code))
            return notFound();
        if (!HasFranceSession(cookie)) {
            TAnswer answer = htmlAnswer(302, simplePage("Session expirée", "Votre session a expiré."));
            answer.Headers.emplace_back("Location", "/france/accueil");
            return answer;
        }
        return htmlAnswer(200, FranceCommunePage(code, day));
    }
    if (path == "/web/fr/meteo/previsions_en_detail/prevision_par_localite.html") {
        const std::string_view npa = queryValue(query, "plz");
        if (!isPlaceKey(npa))
            return notFound();
        return htmlAnswer(200, SuissePage(npa, day));
    }
    if (path == "/forecast/city_f.html") {
        const std::string_view code = query.substr(0, query.find('&'));
        if (!isPlaceKey(code))
            return notFound();
        return htmlAnswer(200, CanadaPage(code, day));
    }
    if (path == "/index.php") {
        const std::string_view station = queryValue(query, "station");
        if (!isPlaceKey(station))
            return notFound();
        return htmlAnswer(200, BelgiquePage(station, day));
    }
    if (path == "/v1/forecast")
        return OpenMeteoAnswer(query, day);
    constexpr std::string_view atomPrefix = "/feeds/meteoalarm-legacy-atom-";
    if (path.starts_with(atomPrefix))
        return MeteoAlarmAtomAnswer(path.substr(atomPrefix.size()), day, origin);
    constexpr std::string_view capPrefix = "/api/v1/warnings/feeds-";
    if (path.starts_with(capPrefix)) {
        const std::string_view rest = path.substr(capPrefix.size());
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return notFound();
        return MeteoAlarmCapAnswer(rest.substr(0, slash), rest.substr(slash + 1), day);
    }
    if (path == "/collections/weather-alerts/items")
        return GeoMetAlertsAnswer(query, day, origin);
    return notFound();
}

} // namespace nubra::replica
