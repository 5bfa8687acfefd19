// The replica's Open-Meteo answers: the documented JSON shape, values a
// reader can trust, the refusals, and the same bytes for the same request.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

#include "pages.h"

namespace nubra {
namespace {

using json = nlohmann::ordered_json;

constexpr std::int64_t kDay = 20795; // 2026-12-08
const std::string kVariables =
    "&current=temperature_2m,weather_code,wind_speed_10m,wind_direction_10m"
    "&daily=weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,wind_speed_10m_max,"
    "wind_direction_10m_dominant&timezone=auto";

std::vector<std::string> keysOf(const json& object)
{
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

// Every position of a coarse world grid, at the lengths the service allows:
// the shape, the units, one entry a day, dates from the day on, and values
// of the documented kinds and ranges, with nulls only where the last days
// have them.
TEST(ReplicaOpenMeteo, AnswersInTheDocumentedShapeEverywhere)
{
    const std::set<int> wmoCodes = {0, 1, 2, 3, 45, 48, 51, 53, 55, 56, 57, 61, 63, 65, 66, 67, 71, 73, 75, 77,
                                    80, 81, 82, 85, 86, 95, 96, 99};
    const std::vector<std::string> dailyKeys = {"time", "weather_code", "temperature_2m_max", "temperature_2m_min",
                                                "precipitation_sum", "wind_speed_10m_max", "wind_direction_10m_dominant"};
    for (const int days : {1, 7, 16}) {
        for (double latitude = -90; latitude <= 90; latitude += 22.5) {
            for (double longitude = -180; longitude <= 180; longitude += 45) {
                const std::string query = "latitude=" + std::to_string(latitude) + "&longitude=" +
                                          std::to_string(longitude) + kVariables +
                                          "&forecast_days=" + std::to_string(days);
                SCOPED_TRACE(query);
                const replica::TAnswer answer = replica::OpenMeteoAnswer(query, kDay);
                ASSERT_EQ(answer.Status, 200u);
                const json body = json::parse(answer.Body);
                EXPECT_EQ(keysOf(body), (std::vector<std::string>{
                                            "latitude", "longitude", "generationtime_ms", "utc_offset_seconds",
                                            "timezone", "timezone_abbreviation", "elevation", "current_units",
                                            "current", "daily_units", "daily"}));
                EXPECT_NEAR(body["latitude"].get<double>(), latitude, 0.01);
                EXPECT_EQ(body["utc_offset_seconds"].get<int>() % 1800, 0);
                EXPECT_EQ(body["current_units"].dump(),
                          R"({"time":"iso8601","interval":"seconds","temperature_2m":"°C","weather_code":"wmo code",)"
                          R"("wind_speed_10m":"km/h","wind_direction_10m":"°"})");
                EXPECT_EQ(body["current"]["time"], "2026-12-08T12:00");
                EXPECT_TRUE(wmoCodes.count(body["current"]["weather_code"].get<int>()));
                EXPECT_EQ(body["daily_units"]["precipitation_sum"], "mm");
                EXPECT_EQ(body["daily_units"]["temperature_2m_max"], "°C");

                const json& daily = body["daily"];
                ASSERT_EQ(keysOf(daily), dailyKeys);
                for (const std::string& key : dailyKeys)
                    ASSERT_EQ(daily[key].size(), static_cast<std::size_t>(days)) << key;
                EXPECT_EQ(daily["time"][0], "2026-12-08");
                EXPECT_EQ(daily["time"][days - 1], days == 16 ? "2026-12-23" : days == 7 ? "2026-12-14" : "2026-12-08");
                for (int i = 0; i < days; ++i) {
                    const bool lastDays = i >= 6 && (i == days - 1 || (days > 10 && i == days - 2));
                    const int code = daily["weather_code"][i].get<int>();
                    EXPECT_TRUE(wmoCodes.count(code)) << code;
                    EXPECT_LE(daily["temperature_2m_min"][i].get<double>(), daily["temperature_2m_max"][i].get<double>());
                    EXPECT_GT(daily["temperature_2m_min"][i].get<double>(), -70);
                    EXPECT_LT(daily["temperature_2m_max"][i].get<double>(), 50);
                    const double wind = daily["wind_speed_10m_max"][i].get<double>();
                    EXPECT_TRUE(wind >= 0 && wind <= 80) << wind;
                    const json& rain = daily["precipitation_sum"][i];
                    const json& direction = daily["wind_direction_10m_dominant"][i];
                    EXPECT_EQ(rain.is_null(), lastDays) << i;
                    EXPECT_EQ(direction.is_null(), lastDays) << i;
                    if (!rain.is_null()) {
                        EXPECT_EQ(rain.get<double>() > 0, code > 48) << "code " << code << ", " << rain;
                    }
                    if (!direction.is_null()) {
                        EXPECT_TRUE(direction.get<int>() >= 0 && direction.get<int>() <= 359);
                    }
                }
            }
        }
    }
}

TEST(ReplicaOpenMeteo, GivesOnlyWhatIsAskedInTheOrderAsked)
{
    const replica::TAnswer answer = replica::AnswerRequest(
        "/v1/forecast?latitude=50.8503&longitude=4.3517&daily=temperature_2m_min&daily=weather_code&timezone=auto", "", kDay);
    ASSERT_EQ(answer.Status, 200u);
    const json body = json::parse(answer.Body);
    EXPECT_FALSE(body.contains("current"));
    EXPECT_EQ(keysOf(body["daily"]), (std::vector<std::string>{"time", "temperature_2m_min", "weather_code"}));
    EXPECT_EQ(body["daily"]["time"].size(), 7u);
    EXPECT_EQ(body["timezone"], "Europe/Brussels");
}

TEST(ReplicaOpenMeteo, RefusesABadParameterWithTheReason)
{
    const struct {
        std::string query;
        std::string reason;
    } cases[] = {
        {"longitude=7.6833", "Value required for key 'latitude'."},
        {"latitude=48.5833", "Value required for key 'longitude'."},
        {"latitude=48,5833&longitude=7.6833", "Value of type 'Float' required for key 'latitude'."},
        {"latitude=nan&longitude=7.6833", "Value of type 'Float' required for key 'latitude'."},
        {"latitude=91&longitude=7.6833", "Latitude must be in range of -90 to 90°. Given: 91.0."},
        {"latitude=48.5&longitude=-180.5", "Longitude must be in range of -180 to 180°. Given: -180.5."},
        {"latitude=48.5&longitude=7.6&forecast_days=17", "Forecast days is invalid. Allowed range 0 to 16."},
        {"latitude=48.5&longitude=7.6&forecast_days=-1", "Forecast days is invalid. Allowed range 0 to 16."},
        {"latitude=48.5&longitude=7.6&forecast_days=7.5", "Value of type 'Int' required for key 'forecast_days'."},
        {"latitude=48.5&longitude=7.6&current=temperature_2m,cloud_cover",
         "Cannot initialize ForecastVariable from invalid String value cloud_cover for key current"},
        {"latitude=48.5&longitude=7.6&daily=weather_code,%22%5C%C3%A9",
         "Cannot initialize ForecastVariableDaily from invalid String value \"\\?? for key daily"},
    };
    for (const auto& c : cases) {
        const replica::TAnswer answer = replica::OpenMeteoAnswer(c.query, kDay);
        EXPECT_EQ(answer.Status, 400u) << c.query;
        const json body = json::parse(answer.Body);
        EXPECT_EQ(body, (json{{"error", true}, {"reason", c.reason}})) << c.query;
    }
}

TEST(ReplicaOpenMeteo, SameRequestSameBytes)
{
    const std::string query = "latitude=48.5833&longitude=7.6833" + kVariables + "&forecast_days=7";
    const std::string body = replica::OpenMeteoAnswer(query, kDay).Body;
    EXPECT_EQ(replica::OpenMeteoAnswer(query, kDay).Body, body);
    EXPECT_NE(replica::OpenMeteoAnswer(query, kDay + 1).Body, body);
    EXPECT_NE(replica::OpenMeteoAnswer("latitude=46.2044&longitude=6.1432" + kVariables, kDay).Body, body);
}

} // namespace
} // namespace nubra
