#include "open_meteo.h"

#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "cp1252.h"
#include "source_lines.h"

namespace nubra {

namespace {

using nlohmann::json;

// What the text shows, and nothing else.
constexpr std::string_view kCurrent = "temperature_2m,weather_code,wind_speed_10m,wind_direction_10m";
constexpr std::string_view kDaily = "weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
                                    "wind_speed_10m_max,wind_direction_10m_dominant";
constexpr int kForecastDays = 7;
// The service gives at most 16 days; more is no answer of its.
constexpr std::size_t kMaxDays = 16;

// A real answer of 16 days is about 1.4 KB and five levels deep: anything
// far larger or deeper is no answer of the service, and is refused before
// it can cost memory or time.
constexpr std::size_t kMaxAnswerBytes = std::size_t{1} << 20;
constexpr int kMaxDepth = 16;

// Values past these are no weather on Earth: the answer is not to be trusted.
constexpr double kMinTemperature = -100, kMaxTemperature = 70;
constexpr double kMaxWindSpeed = 500;     // km/h
constexpr double kMaxPrecipitation = 2000; // mm in a day

[[noreturn]] void unreadable(const std::string& what)
{
    throw EOpenMeteoAnswer("R\xE9ponse du service Open-Meteo illisible (" + what + ").");
}

// "48.5833": degrees with a dot and four decimals, rounded; the
// catalogue's six-decimal form of the rounded value, less its two zeros.
std::string degrees(std::int32_t millionths)
{
    const auto rounded = static_cast<std::int32_t>(std::llround(millionths / 100.0) * 100);
    const std::string text = FormatDegrees(rounded);
    return text.substr(0, text.size() - 2);
}

// A number within [low, high], null (nullopt), or an unreadable answer.
std::optional<double> number(const json& value, double low, double high, const char* what)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_number())
        unreadable(std::string(what) + " n'est pas un nombre");
    const double x = value.get<double>();
    if (!(x >= low && x <= high))
        unreadable(std::string(what) + " hors limites");
    return x;
}

std::optional<std::int64_t> weatherCode(const json& value)
{
    const auto code = number(value, 0, 1000, "weather_code");
    if (code && *code != std::floor(*code))
        unreadable("weather_code n'est pas entier");
    if (!code)
        return std::nullopt;
    return static_cast<std::int64_t>(*code);
}

std::string whole(double x)
{
    const long long rounded = std::llround(x);
    return std::to_string(rounded == 0 ? 0 : rounded);  // no "-0"
}

std::string temperature(double x) { return whole(x) + "\xB0" "C"; }

std::string precipitation(double mm)
{
    const long long tenths = std::llround(mm * 10);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " mm";
}

std::string_view direction(double degrees)
{
    static constexpr std::array<std::string_view, 8> kPoints = {"N", "NE", "E", "SE", "S", "SO", "O", "NO"};
    return kPoints[static_cast<std::size_t>(std::floor((degrees + 22.5) / 45)) % 8];
}

// "vent 25 km/h SO", "vent 25 km/h", "vent SO" or nothing, as the values allow.
std::string wind(std::optional<double> speed, std::optional<double> from)
{
    if (!speed && !from)
        return {};
    std::string text = "vent";
    if (speed)
        text += " " + whole(*speed) + " km/h";
    if (from)
        text += " " + std::string(direction(*from));
    return text;
}

void joinItem(std::string& line, const std::string& item, const char* separator)
{
    if (item.empty())
        return;
    if (!line.empty())
        line += separator;
    line += item;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "Mardi 8 décembre" of "2026-12-08".
std::string dayName(const json& value)
{
    static constexpr std::array<std::string_view, 7> kDays = {"Jeudi", "Vendredi", "Samedi", "Dimanche",
                                                               "Lundi", "Mardi", "Mercredi"};  // from 1970-01-01
    static constexpr std::array<std::string_view, 12> kMonths = {
        "janvier", "f\xE9vrier", "mars", "avril", "mai", "juin",
        "juillet", "ao\xFBt", "septembre", "octobre", "novembre", "d\xE9" "cembre"};
    if (!value.is_string())
        unreadable("date absente");
    const std::string& text = value.get_ref<const std::string&>();
    // "YYYY-MM-DD", digits where digits belong, a day its month has.
    bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        shaped = shaped && text[i] >= '0' && text[i] <= '9';
    const auto digits = [&text](std::size_t at, std::size_t n) {
        unsigned v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + static_cast<unsigned>(text[i] - '0');
        return v;
    };
    const unsigned y = shaped ? digits(0, 4) : 0, m = shaped ? digits(5, 2) : 0, d = shaped ? digits(8, 2) : 0;
    static constexpr unsigned kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    if (!shaped || m < 1 || m > 12 || d < 1 || d > kMonthDays[m - 1] || (m == 2 && d == 29 && !leap))
        unreadable("date " + Utf8ToCp1252(text));
    const std::int64_t days = daysFromCivil(y, m, d);
    const std::size_t weekday = static_cast<std::size_t>(((days % 7) + 7) % 7);
    return std::string(kDays[weekday]) + " " + std::to_string(d) + " " + std::string(kMonths[m - 1]);
}

const json& member(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end())
        unreadable(std::string(key) + " absent");
    return *it;
}

// The current conditions: "Actuellement : 4°C, couvert, vent 12 km/h SO".
std::string currentLine(const json& current)
{
    if (!current.is_object())
        unreadable("current n'est pas un objet");
    std::string items;
    if (const auto t = number(member(current, "temperature_2m"), kMinTemperature, kMaxTemperature, "temperature_2m"))
        joinItem(items, temperature(*t), ", ");
    if (const auto code = weatherCode(member(current, "weather_code")))
        joinItem(items, OpenMeteoWeather(*code), ", ");
    joinItem(items,
             wind(number(member(current, "wind_speed_10m"), 0, kMaxWindSpeed, "wind_speed_10m"),
                  number(member(current, "wind_direction_10m"), 0, 360, "wind_direction_10m")),
             ", ");
    return "Actuellement : " + items;
}

// One line per day of the daily arrays, which must all be as long as "time".
std::vector<std::string> dayLines(const json& daily)
{
    if (!daily.is_object())
        unreadable("daily n'est pas un objet");
    const json& time = member(daily, "time");
    if (!time.is_array() || time.size() > kMaxDays)
        unreadable("time n'est pas une liste de jours");
    const char* names[] = {"weather_code", "temperature_2m_min", "temperature_2m_max", "precipitation_sum",
                           "wind_speed_10m_max", "wind_direction_10m_dominant"};
    std::array<const json*, 6> columns{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        columns[c] = &member(daily, names[c]);
        if (!columns[c]->is_array() || columns[c]->size() != time.size())
            unreadable(std::string(names[c]) + " n'a pas un jour par date");
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < time.size(); ++i) {
        std::string items;
        if (const auto code = weatherCode((*columns[0])[i]))
            joinItem(items, OpenMeteoWeather(*code), ", ");
        if (const auto low = number((*columns[1])[i], kMinTemperature, kMaxTemperature, names[1]))
            joinItem(items, "min " + temperature(*low), ", ");
        if (const auto high = number((*columns[2])[i], kMinTemperature, kMaxTemperature, names[2]))
            joinItem(items, "max " + temperature(*high), ", ");
        if (const auto mm = number((*columns[3])[i], 0, kMaxPrecipitation, names[3]))
            joinItem(items, precipitation(*mm), ", ");
        joinItem(items,
                 wind(number((*columns[4])[i], 0, kMaxWindSpeed, names[4]), number((*columns[5])[i], 0, 360, names[5])),
                 ", ");
        std::string line = dayName(time[i]);
        if (!items.empty())
            line += " : " + items;
        lines.push_back(std::move(line));
    }
    return lines;
}

// The JSON of `text`, or a discarded value when it is not JSON or nests
// deeper than any answer of the service.
json parseBounded(std::string_view text)
{
    struct TooDeep {};
    try {
        return json::parse(
            text.begin(), text.end(),
            [](int depth, json::parse_event_t, json&) {
                if (depth > kMaxDepth)
                    throw TooDeep{};
                return true;
            },
            /*allow_exceptions=*/false);
    } catch (const TooDeep&) {
        return json(json::value_t::discarded);
    }
}

} // namespace

std::string OpenMeteoForecastPath(const TPosition& position)
{
    std::string path = "/v1/forecast?latitude=" + degrees(position.Latitude) + "&longitude=" +
                       degrees(position.Longitude);
    path += "&current=";
    path += kCurrent;
    path += "&daily=";
    path += kDaily;
    path += "&timezone=auto&forecast_days=" + std::to_string(kForecastDays);
    return path;
}

std::string OpenMeteoWeather(std::int64_t code)
{
    struct Words {
        int code;
        const char* text;
    };
    static constexpr Words kWords[] = {
        {0, "ciel d\xE9gag\xE9"},
        {1, "plut\xF4t d\xE9gag\xE9"},
        {2, "partiellement nuageux"},
        {3, "couvert"},
        {45, "brouillard"},
        {48, "brouillard givrant"},
        {51, "bruine faible"},
        {53, "bruine mod\xE9r\xE9" "e"},
        {55, "bruine dense"},
        {56, "bruine vergla\xE7" "ante faible"},
        {57, "bruine vergla\xE7" "ante dense"},
        {61, "pluie faible"},
        {63, "pluie mod\xE9r\xE9" "e"},
        {65, "pluie forte"},
        {66, "pluie vergla\xE7" "ante faible"},
        {67, "pluie vergla\xE7" "ante forte"},
        {71, "neige faible"},
        {73, "neige mod\xE9r\xE9" "e"},
        {75, "neige forte"},
        {77, "neige en grains"},
        {80, "averses de pluie faibles"},
        {81, "averses de pluie mod\xE9r\xE9" "es"},
        {82, "averses de pluie violentes"},
        {85, "averses de neige faibles"},
        {86, "averses de neige fortes"},
        {95, "orage"},
        {96, "orage avec gr\xEAle faible"},
        {99, "orage avec forte gr\xEAle"},
    };
    for (const Words& w : kWords)
        if (w.code == code)
            return w.text;
    return "temps non pr\xE9" "cis\xE9 (code " + std::to_string(code) + ")";
}

std::string OpenMeteoText(std::string_view body, std::string_view name, std::string_view host)
{
    if (body.size() > kMaxAnswerBytes)
        unreadable("r\xE9ponse trop longue");
    const json answer = parseBounded(body);
    if (answer.is_discarded())
        unreadable("ce n'est pas du JSON");
    if (!answer.is_object())
        unreadable("ce n'est pas un objet JSON");
    std::vector<std::string> lines;
    lines.push_back("Pr\xE9visions Open-Meteo pour " + std::string(name));
    lines.push_back("Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - " + std::string(host));
    lines.push_back(currentLine(member(answer, "current")));
    for (std::string& line : dayLines(member(answer, "daily")))
        lines.push_back(std::move(line));
    return sources::JoinLines(lines);
}

std::string GetForecastOpenMeteo(std::string_view name, const TPosition& position, const TServiceHosts& hosts,
                                 TIdHTTP& http)
{
    std::string body;
    try {
        body = http.FetchLive(LiveServiceAddress(hosts.OpenMeteo, OpenMeteoForecastPath(position)));
    } catch (const EHttpError& error) {
        if (error.Status() != 400)
            throw;
        // {"error": true, "reason": "..."}: the service says what it refused.
        const json answer = error.Body().size() <= kMaxAnswerBytes ? parseBounded(error.Body()) : json();
        if (answer.is_object()) {
            const auto reason = answer.find("reason");
            if (reason != answer.end() && reason->is_string())
                throw EHttpError("Le service Open-Meteo refuse la demande : " +
                                 Utf8ToCp1252(reason->get_ref<const std::string&>()));
        }
        throw;
    }
    return OpenMeteoText(body, name, LiveServiceHost(hosts.OpenMeteo));
}

} // namespace nubra
