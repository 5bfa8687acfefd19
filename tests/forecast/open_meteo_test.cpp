// The Open-Meteo source: answers turned into text, the request's address,
// and the answers it must refuse with a message rather than misread.
#include "open_meteo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "recording_http.h"

namespace nubra {
namespace {

std::string saved(const char* name)
{
    std::ifstream in(std::string(NUBRA_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A daily block of one day, `values` the six arrays' one entry each.
std::string oneDay(const std::string& values, const std::string& current = R"("temperature_2m":4.3,
    "weather_code":3,"wind_speed_10m":12.4,"wind_direction_10m":225)")
{
    return R"({"current":{)" + current + R"(},"daily":{"time":["2026-12-13"],)" + values + "}}";
}

TEST(OpenMeteo, AnswerBecomesOneLinePerDayWithNullsLeftOut)
{
    EXPECT_EQ(OpenMeteoText(saved("open_meteo_answer.json"), "Achenheim", "api.open-meteo.com"),
              "Pr\xE9visions Open-Meteo pour Achenheim\r\n"
              "Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - api.open-meteo.com\r\n"
              "Actuellement : 4\xB0" "C, couvert, vent 12 km/h SO\r\n"
              "Mardi 8 d\xE9" "cembre : pluie faible, min 2\xB0" "C, max 7\xB0" "C, 3,4 mm, vent 25 km/h SO\r\n"
              "Mercredi 9 d\xE9" "cembre : couvert, min -2\xB0" "C, max 6\xB0" "C, 0,0 mm, vent 14 km/h N\r\n"
              "Jeudi 10 d\xE9" "cembre : temps non pr\xE9" "cis\xE9 (code 42), min -5\xB0" "C, max 0\xB0" "C, "
              "vent 9 km/h\r\n");

    // Every value null: the date alone, the current line without items.
    const std::string nulls = oneDay(R"("weather_code":[null],"temperature_2m_max":[null],
        "temperature_2m_min":[null],"precipitation_sum":[null],"wind_speed_10m_max":[null],
        "wind_direction_10m_dominant":[null])",
                                     R"("temperature_2m":null,"weather_code":null,"wind_speed_10m":null,
        "wind_direction_10m":null)");
    EXPECT_EQ(OpenMeteoText(nulls, "X", "h"), "Pr\xE9visions Open-Meteo pour X\r\nDonn\xE9" "es Open-Meteo.com "
                                              "(CC BY 4.0) - h\r\nActuellement : \r\nDimanche 13 d\xE9" "cembre\r\n");
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
        oneDay(good, R"("temperature_2m":4)"),                                    // current incomplete
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
    EXPECT_THROW(GetForecastOpenMeteo("Vancouver", {49282730, -123120740}, hosts, http), EHttpError);
    ASSERT_EQ(http.Requests.size(), 1u);
    EXPECT_EQ(http.Requests[0],
              "https://om.test:8080/v1/forecast?latitude=49.2827&longitude=-123.1207"
              "&current=temperature_2m,weather_code,wind_speed_10m,wind_direction_10m"
              "&daily=weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
              "wind_speed_10m_max,wind_direction_10m_dominant&timezone=auto&forecast_days=7");
    EXPECT_EQ(OpenMeteoForecastPath({-45, 5}).substr(0, 45), "/v1/forecast?latitude=0.0000&longitude=0.0000");
    // A plain-HTTP server is named so; the credit line names the host alone.
    hosts.OpenMeteo = "http://om.test:8080";
    const std::string plain = "http" + http.Requests[0].substr(5);
    http.Pages[plain] = saved("open_meteo_answer.json");
    const std::string text = GetForecastOpenMeteo("Vancouver", {49282730, -123120740}, hosts, http);
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
        GetForecastOpenMeteo("X", {}, hosts, refusing);
        ADD_FAILURE();
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), "Le service Open-Meteo refuse la demande : Latitude must be in range of -90 to "
                               "90\xB0. Given: 91.0.");
    }
    refusing.body = "<html>400</html>";
    try {
        GetForecastOpenMeteo("X", {}, hosts, refusing);
        ADD_FAILURE();
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), "HTTP/1.1 400 Bad Request");
    }
}

} // namespace
} // namespace nubra
