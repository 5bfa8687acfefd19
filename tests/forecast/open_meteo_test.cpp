// The Open-Meteo source: answers turned into text, the request's address,
// and the answers it must refuse with a message rather than misread.
#include "open_meteo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>


#include "recording_http.h"
#include "saved_file.h"

namespace nubra {
namespace {

std::string saved(const char* name) { return test::savedFile(std::string("") + name); }

// A daily block of one day, `values` the six arrays' one entry each.
std::string oneDay(const std::string& values, const std::string& current = R"("temperature_2m":4.3,
    "weather_code":3,"wind_speed_10m":12.4,"wind_direction_10m":225)")
{
    return R"({"current":{)" + current + R"(},"daily":{"time":["2026-12-13"],)" + values + "}}";
}

TEST(OpenMeteo, AnswerBecomesOneLinePerDayWithNullsLeftOut)
{
    EXPECT_EQ(OpenMeteoText(saved("open_meteo_answer.json"), "Achenheim", "api.open-meteo.com"),
              "Pr\xE9visions Open-Meteo pour Achenheim, actualis\xE9" "es le mardi 8 d\xE9" "cembre \xE0 12h00\r\n"
              "Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - api.open-meteo.com\r\n"
              "Actuellement : 4\xB0" "C, couvert, vent 12 km/h SO\r\n"
              "Mardi 8 : pluie faible, 2 \xE0 7\xB0" "C, 3,4 mm, vent 25 km/h SO\r\n"
              "Mercredi 9 : couvert, -2 \xE0 6\xB0" "C, 0,0 mm, vent 14 km/h N\r\n"
              "Jeudi 10 : temps non pr\xE9" "cis\xE9 (code 42), -5 \xE0 0\xB0" "C, vent 9 km/h\r\n");

    // Every value null: the date alone, no current line.
    const std::string nulls = oneDay(R"("weather_code":[null],"temperature_2m_max":[null],
        "temperature_2m_min":[null],"precipitation_sum":[null],"wind_speed_10m_max":[null],
        "wind_direction_10m_dominant":[null])",
                                     R"("temperature_2m":null,"weather_code":null,"wind_speed_10m":null,
        "wind_direction_10m":null)");
    EXPECT_EQ(OpenMeteoText(nulls, "X", "h"), "Pr\xE9visions Open-Meteo pour X\r\nDonn\xE9" "es Open-Meteo.com "
                                              "(CC BY 4.0) - h\r\nDimanche 13\r\n");
}

// An hourly block for `days` consecutive local dates from `first`, each
// hour's values made from its hour of the day `h`: temperature h/2,
// 0.1 mm and light rain (61) from `wetFrom` up to `wetTo` (the afternoon
// unless given), overcast (3) else, a chance of h %, wind 10+h from the south-west, gusts
// 20+h. `hours` lists each day's stamped hours (23 or 25 on clock changes).
std::string hourlyBlock(const std::vector<std::pair<std::string, std::vector<int>>>& days, int wetFrom = 12,
                        int wetTo = 18)
{
    std::string time, t, p, c, w, d, g, r;
    for (const auto& [date, hours] : days)
        for (const int h : hours) {
            const auto add = [](std::string& column, const std::string& v) { column += (column.empty() ? "" : ",") + v; };
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "\"%sT%02d:00\"", date.c_str(), h);
            add(time, stamp);
            add(t, std::to_string(h / 2.0));
            add(r, h >= wetFrom && h < wetTo ? "0.1" : "0.0");
            add(p, std::to_string(h));
            add(c, h >= wetFrom && h < wetTo ? "61" : "3");
            add(w, std::to_string(10 + h));
            add(d, "225");
            add(g, std::to_string(20 + h));
        }
    return R"("hourly":{"time":[)" + time + R"(],"temperature_2m":[)" + t + R"(],"precipitation_probability":[)" + p +
           R"(],"precipitation":[)" + r + R"(],"weather_code":[)" + c + R"(],"wind_speed_10m":[)" + w +
           R"(],"wind_direction_10m":[)" + d + R"(],"wind_gusts_10m":[)" + g + "]}";
}

std::vector<int> wholeDay()
{
    std::vector<int> hours(24);
    for (int h = 0; h < 24; ++h)
        hours[static_cast<std::size_t>(h)] = h;
    return hours;
}

// Today's periods from the current hour on, tomorrow's four, then the days.
TEST(OpenMeteo, TodayAndTomorrowByPeriodsThenOneLineADay)
{
    const std::string answer =
        R"({"timezone":"Europe/Paris","current":{"time":"2026-12-08T14:30","temperature_2m":4.2,
        "apparent_temperature":1.4,"relative_humidity_2m":87,"weather_code":3,"wind_speed_10m":12,
        "wind_direction_10m":225,"wind_gusts_10m":35},)" +
        hourlyBlock({{"2026-12-08", wholeDay()}, {"2026-12-09", wholeDay()}}) +
        R"(,"daily":{"time":["2026-12-08","2026-12-09","2026-12-10"],"weather_code":[61,61,80],
        "temperature_2m_max":[11.5,11.5,9.2],"temperature_2m_min":[0,0,3.1],"precipitation_sum":[0.6,0.6,4.2],
        "precipitation_probability_max":[23,23,70],"wind_speed_10m_max":[33,33,25],"wind_gusts_10m_max":[43,43,60],
        "wind_direction_10m_dominant":[225,225,270],"sunrise":["2026-12-08T08:05","2026-12-09T08:06",null],
        "sunset":["2026-12-08T16:37","2026-12-09T16:37",null],"daylight_duration":[30500,30400,30300],
        "uv_index_max":[3.4,2.0,4.6]}})";
    EXPECT_EQ(OpenMeteoText(answer, "Strasbourg", "api.open-meteo.com"),
              "Pr\xE9visions Open-Meteo pour Strasbourg, actualis\xE9" "es le mardi 8 d\xE9" "cembre \xE0 14h30\r\n"
              "Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - api.open-meteo.com\r\n"
              "Actuellement : 4\xB0" "C (ressenti 1\xB0" "C), couvert, vent 12 km/h SO, rafales 35 km/h, humidit\xE9 87 %\r\n"
              "Soleil : lever 08h05, coucher 16h37\r\n"
              "Mardi 8 apr\xE8s-midi : pluie faible, 7 \xE0 9\xB0" "C, 0,4 mm (17 %), vent 27 km/h SO, rafales 37 km/h, UV 3\r\n"
              "Mardi 8 soir\xE9" "e : couvert, 9 \xE0 12\xB0" "C, 0,0 mm (23 %), vent 33 km/h SO, rafales 43 km/h\r\n"
              "Mercredi 9 nuit : couvert, 0 \xE0 3\xB0" "C, 0,0 mm (5 %), vent 15 km/h SO, rafales 25 km/h\r\n"
              "Mercredi 9 matin : couvert, 3 \xE0 6\xB0" "C, 0,0 mm (11 %), vent 21 km/h SO, rafales 31 km/h\r\n"
              "Mercredi 9 apr\xE8s-midi : pluie faible, 6 \xE0 9\xB0" "C, 0,6 mm (17 %), vent 27 km/h SO, rafales 37 km/h\r\n"
              "Mercredi 9 soir\xE9" "e : couvert, 9 \xE0 12\xB0" "C, 0,0 mm (23 %), vent 33 km/h SO, rafales 43 km/h\r\n"
              "Jeudi 10 : averses faibles, 3 \xE0 9\xB0" "C, 4,2 mm (70 %), vent 25 km/h O, rafales 60 km/h, UV 5\r\n");
}

// The clocks go forward (no 02:00) and back (02:00 twice): each period
// holds the rows stamped within it, however many.
TEST(OpenMeteo, PeriodsOfDaysOf23And25Hours)
{
    std::vector<int> spring, autumn;
    for (int h = 0; h < 24; ++h) {
        if (h != 2)
            spring.push_back(h);
        autumn.push_back(h);
        if (h == 2)
            autumn.push_back(h);
    }
    // Wet at night: the night's sum counts its rows.
    const std::string answer = "{" + hourlyBlock({{"2027-03-28", spring}, {"2027-03-29", autumn}}, 0, 6) + "}";
    const std::string text = OpenMeteoText(answer, "X", "h");
    EXPECT_NE(text.find("\r\nDimanche 28 nuit : pluie faible, 0 \xE0 3\xB0" "C, 0,5 mm (5 %), vent 15 km/h SO, rafales 25 km/h\r\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("\r\nLundi 29 nuit : pluie faible, 0 \xE0 3\xB0" "C, 0,7 mm (5 %)"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);  // heading, credit, eight periods
}

// Other units are converted, an unknown one refuses the answer; a field
// left out is a field of nulls; the service's refusal is its reason.
TEST(OpenMeteo, UnitsMissingFieldsAndTheServicesRefusal)
{
    const std::string imperial =
        R"({"current_units":{"temperature_2m":"°F","wind_speed_10m":"mp/h","wind_gusts_10m":"kn"},
        "current":{"temperature_2m":50,"wind_speed_10m":10,"wind_gusts_10m":20},
        "daily_units":{"precipitation_sum":"inch","wind_speed_10m_max":"m/s"},
        "daily":{"time":["2026-12-13"],"precipitation_sum":[0.5],"wind_speed_10m_max":[5]}})";
    EXPECT_EQ(OpenMeteoText(imperial, "X", "h"),
              "Pr\xE9visions Open-Meteo pour X\r\nDonn\xE9" "es Open-Meteo.com (CC BY 4.0) - h\r\n"
              "Actuellement : 10\xB0" "C, vent 16 km/h, rafales 37 km/h\r\n"
              "Dimanche 13 : 12,7 mm, vent 18 km/h\r\n");
    try {
        OpenMeteoText(R"({"current_units":{"temperature_2m":"K"},"current":{"temperature_2m":280}})", "X", "h");
        ADD_FAILURE() << "a temperature in kelvins was read";
    } catch (const EOpenMeteoAnswer& e) {
        EXPECT_STREQ(e.what(), "R\xE9ponse du service Open-Meteo illisible (unit\xE9 \xAB K \xBB de temperature_2m).");
    }
    const std::string noRain = saved("open_meteo_answer.json");
    std::string cut = noRain;
    cut.replace(cut.find("\"precipitation_sum\":[3.35,0.0,null],"), 36, "");
    EXPECT_NE(OpenMeteoText(cut, "X", "h").find("Mardi 8 : pluie faible, 2 \xE0 7\xB0" "C, vent 25 km/h SO\r\n"),
              std::string::npos);
    try {
        OpenMeteoText(R"({"error":true,"reason":"Cannot initialize WeatherVariable from invalid String value tempeture_2m."})",
                      "X", "h");
        ADD_FAILURE() << "an error object was read as a forecast";
    } catch (const EOpenMeteoAnswer& e) {
        EXPECT_STREQ(e.what(), "Le service Open-Meteo refuse la demande : Cannot initialize WeatherVariable from invalid "
                               "String value tempeture_2m.");
    }
}

// North of the polar circle the sun may not rise, or not set, all day.
TEST(OpenMeteo, TheSunLineSaysWhatTheSunDoesNotDo)
{
    const auto sun = [](const char* daylight) {
        const std::string text = OpenMeteoText(std::string(R"({"daily":{"time":["2026-12-13"],"daylight_duration":[)") +
                                                   daylight + R"(],"sunrise":["2026-12-13T00:00"]}})",
                                               "X", "h");
        return text.substr(text.find("Soleil"));
    };
    EXPECT_EQ(sun("0.0"), "Soleil : ne se l\xE8ve pas aujourd'hui\r\nDimanche 13\r\n");
    EXPECT_EQ(sun("86400.0"), "Soleil : ne se couche pas aujourd'hui\r\nDimanche 13\r\n");
    EXPECT_EQ(sun("3600.0"), "Soleil : lever 00h00\r\nDimanche 13\r\n");
}

TEST(OpenMeteo, EveryWmoCodeHasWords)
{
    for (const int code : {0, 1, 2, 3, 45, 48, 51, 53, 55, 56, 57, 61, 63, 65, 66, 67, 71, 73, 75, 77, 80, 81, 82, 85,
                           86, 95, 96, 99})
        EXPECT_EQ(OpenMeteoWeather(code).find("code"), std::string::npos) << code;
    EXPECT_EQ(OpenMeteoWeather(0), "ciel d\xE9gag\xE9");
    EXPECT_EQ(OpenMeteoWeather(99), "orage avec forte gr\xEAle");
    EXPECT_EQ(OpenMeteoWeather(4), "temps non pr\xE9" "cis\xE9 (code 4)");
}

TEST(OpenMeteo, AnswersThatCannotBeTrustedGiveTheMessage)
{
    const std::string good = R"("weather_code":[1],"temperature_2m_max":[5],"temperature_2m_min":[1],
        "precipitation_sum":[0.2],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])";
    ASSERT_NO_THROW(OpenMeteoText(oneDay(good), "X", "h"));
    const std::string full = saved("open_meteo_answer.json");
    const std::string bad[] = {
        "",
        "<html>502 Bad Gateway</html>",
        full.substr(0, full.size() / 2),                                         // cut short
        "[1, 2, 3]",                                                             // not an object
        R"({"current":{}})",                                                     // no daily block
        oneDay(R"("weather_code":[1,2],"temperature_2m_max":[5],"temperature_2m_min":[1],
            "precipitation_sum":[0],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])"), // lengths
        oneDay(R"("weather_code":[1],"temperature_2m_max":[10000],"temperature_2m_min":[1],
            "precipitation_sum":[0],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])"), // absurd
        oneDay(R"("weather_code":[2.5],"temperature_2m_max":[5],"temperature_2m_min":[1],
            "precipitation_sum":[0],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])"),
        oneDay(R"("weather_code":[1],"temperature_2m_max":["5"],"temperature_2m_min":[1],
            "precipitation_sum":[0],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])"),
        oneDay(R"("weather_code":[1],"temperature_2m_max":[5],"temperature_2m_min":[1],
            "precipitation_sum":[-1],"wind_speed_10m_max":[10],"wind_direction_10m_dominant":[90])"),
        oneDay(good).replace(oneDay(good).find("2026-12-13"), 10, "2026-13-40"),  // no such date
        oneDay(good).replace(oneDay(good).find("2026-12-13"), 10, "2026-02-31"),  // a day February lacks
        oneDay(good).replace(oneDay(good).find("2026-12-13"), 10, "+026-02-03"),
        std::string(100000, '[') + std::string(100000, ']'),                      // deeper than any answer
        "{\"a\":\"" + std::string(2u << 20, 'x') + "\"}",                          // larger than any answer
    };
    for (const std::string& body : bad) {
        try {
            OpenMeteoText(body, "X", "h");
            ADD_FAILURE() << "accepted: " << body;
        } catch (const EOpenMeteoAnswer& e) {
            EXPECT_EQ(std::string(e.what()).rfind("R\xE9ponse du service Open-Meteo illisible", 0), 0u) << e.what();
        }
    }
}

TEST(OpenMeteo, RequestsThePositionAndReportsTheServicesReason)
{
    TServiceHosts hosts = DefaultServiceHosts();
    hosts.OpenMeteo = "om.test:8080";
    test::TRecordingHttp http;
    EXPECT_THROW(FetchOpenMeteo("Vancouver", {49282730, -123120740}, hosts, http), EHttpError);
    ASSERT_EQ(http.Requests.size(), 1u);
    EXPECT_EQ(http.Requests[0],
              "https://om.test:8080/v1/forecast?latitude=49.2827&longitude=-123.1207"
              "&current=temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m,"
              "wind_direction_10m,wind_gusts_10m"
              "&hourly=temperature_2m,precipitation_probability,precipitation,weather_code,wind_speed_10m,"
              "wind_direction_10m,wind_gusts_10m"
              "&daily=weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
              "precipitation_probability_max,wind_speed_10m_max,wind_gusts_10m_max,wind_direction_10m_dominant,"
              "sunrise,sunset,daylight_duration,uv_index_max&timezone=auto&forecast_days=7");
    EXPECT_EQ(OpenMeteoForecastPath({-45, 5}).substr(0, 45), "/v1/forecast?latitude=0.0000&longitude=0.0000");
    // A plain-HTTP server is named so; the credit line names the host alone.
    hosts.OpenMeteo = "http://om.test:8080";
    const std::string plain = "http" + http.Requests[0].substr(5);
    http.Pages[plain] = saved("open_meteo_answer.json");
    const std::string text = FetchOpenMeteo("Vancouver", {49282730, -123120740}, hosts, http).Text;
    EXPECT_EQ(http.Requests.back(), plain);
    EXPECT_NE(text.find("(CC BY 4.0) - om.test:8080\r\n"), std::string::npos) << text;

    // A refusal carries the service's reason; one without gives the status line.
    class TRefusing : public TIdHTTP {
    public:
        std::string body;
        std::string FetchLive(const std::string&) override
        {
            throw EHttpError("HTTP/1.1 400 Bad Request", 400, body);
        }
    } refusing;
    refusing.body = R"({"error":true,"reason":"Latitude must be in range of -90 to 90\u00b0. Given: 91.0."})";
    try {
        FetchOpenMeteo("X", {}, hosts, refusing);
        ADD_FAILURE();
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), "Le service Open-Meteo refuse la demande : Latitude must be in range of -90 to "
                               "90\xB0. Given: 91.0.");
    }
    refusing.body = "<html>400</html>";
    try {
        FetchOpenMeteo("X", {}, hosts, refusing);
        ADD_FAILURE();
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 400 Bad Request");
    }
}

} // namespace
} // namespace nubra
