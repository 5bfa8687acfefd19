// The replica's Open-Meteo answers: the documented JSON shape, values a
// reader can trust, the refusals, and the same bytes for the same request.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
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

const std::string kFullVariables =
    "&current=temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m,"
    "wind_direction_10m,wind_gusts_10m"
    "&hourly=temperature_2m,precipitation_probability,precipitation,weather_code,wind_speed_10m,"
    "wind_direction_10m,wind_gusts_10m"
    "&daily=weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,precipitation_probability_max,"
    "wind_speed_10m_max,wind_gusts_10m_max,wind_direction_10m_dominant,sunrise,sunset,daylight_duration,uv_index_max"
    "&timezone=auto&forecast_days=7";

json fullAnswer(double latitude, double longitude, std::int64_t day)
{
    const replica::TAnswer answer = replica::OpenMeteoAnswer(
        "latitude=" + std::to_string(latitude) + "&longitude=" + std::to_string(longitude) + kFullVariables, day);
    EXPECT_EQ(answer.Status, 200u);
    return json::parse(answer.Body);
}

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

// The hours agree with the days they belong to and with "current", the
// last three hours are null, and asking for more variables changes none of
// the values of the shorter request.
TEST(ReplicaOpenMeteo, HoursAgreeWithTheDaysAndTheCurrentConditions)
{
    int wetDays = 0;
    for (const auto& [latitude, longitude] : {std::pair{48.5833, 7.6333}, {45.5, -73.57}, {-3.1, -60.0}, {64.1, -21.9}}) {
        for (std::int64_t day = kDay; day < kDay + 150; day += 30) {
            SCOPED_TRACE(std::to_string(latitude) + " " + std::to_string(day));
            const json body = fullAnswer(latitude, longitude, day);
            ASSERT_EQ(keysOf(body).at(9), "hourly_units");
            ASSERT_EQ(keysOf(body).at(10), "hourly");
            const json& hourly = body["hourly"];
            const json& daily = body["daily"];
            ASSERT_EQ(hourly["time"].size(), 168u);
            EXPECT_EQ(hourly["time"][24], daily["time"][1].get<std::string>() + "T00:00");
            EXPECT_EQ(hourly["time"][167], daily["time"][6].get<std::string>() + "T23:00");
            for (const auto& [name, values] : hourly.items())
                for (std::size_t row = 0; row < 168 && name != "time"; ++row)
                    ASSERT_EQ(values[row].is_null(), row >= 165) << name << " " << row;

            for (std::size_t i = 0; i < 7; ++i) {
                double low = 1e9, high = -1e9, gusts = 0, wind = 0;
                int rainTenths = 0, chance = 0, code = 0;
                for (std::size_t row = 24 * i; row < 24 * i + 24 && !hourly["temperature_2m"][row].is_null(); ++row) {
                    low = std::min(low, hourly["temperature_2m"][row].get<double>());
                    high = std::max(high, hourly["temperature_2m"][row].get<double>());
                    rainTenths += static_cast<int>(std::lround(10 * hourly["precipitation"][row].get<double>()));
                    chance = std::max(chance, hourly["precipitation_probability"][row].get<int>());
                    code = std::max(code, hourly["weather_code"][row].get<int>());
                    wind = std::max(wind, hourly["wind_speed_10m"][row].get<double>());
                    gusts = std::max(gusts, hourly["wind_gusts_10m"][row].get<double>());
                    EXPECT_GE(hourly["wind_gusts_10m"][row].get<double>(), hourly["wind_speed_10m"][row].get<double>());
                }
                EXPECT_EQ(low, daily["temperature_2m_min"][i].get<double>()) << i;
                EXPECT_EQ(high, daily["temperature_2m_max"][i].get<double>()) << i;
                if (!daily["precipitation_sum"][i].is_null()) {
                    EXPECT_EQ(rainTenths, std::lround(10 * daily["precipitation_sum"][i].get<double>())) << i;
                    wetDays += rainTenths > 0;
                }
                EXPECT_EQ(chance, daily["precipitation_probability_max"][i]) << i;
                EXPECT_EQ(code, daily["weather_code"][i]) << i;
                EXPECT_EQ(wind, daily["wind_speed_10m_max"][i].get<double>()) << i;
                EXPECT_EQ(gusts, daily["wind_gusts_10m_max"][i].get<double>()) << i;
            }

            const json& current = body["current"];
            for (const char* name : {"temperature_2m", "weather_code", "wind_speed_10m", "wind_direction_10m", "wind_gusts_10m"})
                EXPECT_EQ(current[name], hourly[name][12]) << name;
            const int humidity = current["relative_humidity_2m"].get<int>();
            EXPECT_TRUE(humidity >= 40 && humidity <= 100) << humidity;
            const double felt = current["apparent_temperature"].get<double>() - current["temperature_2m"].get<double>();
            EXPECT_TRUE(felt >= -5 && felt <= 5) << felt;
            if (current["temperature_2m"].get<double>() < 15 && current["wind_speed_10m"].get<double>() >= 8) {
                EXPECT_LT(felt, 0);
            }

            const std::string place = "latitude=" + std::to_string(latitude) + "&longitude=" + std::to_string(longitude);
            const json shorter = json::parse(replica::OpenMeteoAnswer(place + kVariables, day).Body);
            for (const auto& [name, values] : shorter["daily"].items())
                EXPECT_EQ(values, daily[name]) << name;
            for (const auto& [name, value] : shorter["current"].items())
                EXPECT_EQ(value, current[name]) << name;
        }
    }
    EXPECT_GT(wetDays, 5);
}

// Sunrise and sunset where and when they are, the daylight between them,
// and the replica's convention where the sun does not rise or set; the UV
// index follows the sun's height.
TEST(ReplicaOpenMeteo, SunFollowsThePositionAndTheDate)
{
    const json december = fullAnswer(48.58, 7.63, kDay)["daily"];
    const json june = fullAnswer(48.58, 7.63, 20625)["daily"]; // 2026-06-21, summer time
    EXPECT_EQ(fullAnswer(48.58, 7.63, kDay)["daily_units"].dump(),
              R"({"time":"iso8601","weather_code":"wmo code","temperature_2m_max":"°C","temperature_2m_min":"°C",)"
              R"("precipitation_sum":"mm","precipitation_probability_max":"%","wind_speed_10m_max":"km/h",)"
              R"("wind_gusts_10m_max":"km/h","wind_direction_10m_dominant":"°","sunrise":"iso8601",)"
              R"("sunset":"iso8601","daylight_duration":"s","uv_index_max":""})");
    auto minutes = [](const json& time) {
        const std::string text = time.get<std::string>();
        return std::stoi(text.substr(11, 2)) * 60 + std::stoi(text.substr(14, 2));
    };
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(december["sunrise"][i].get<std::string>().substr(0, 11), december["time"][i].get<std::string>() + "T");
        EXPECT_TRUE(minutes(december["sunrise"][i]) >= 7 * 60 + 45 && minutes(december["sunrise"][i]) <= 8 * 60 + 30)
            << december["sunrise"][i];
        EXPECT_TRUE(minutes(december["sunset"][i]) >= 16 * 60 + 15 && minutes(december["sunset"][i]) <= 16 * 60 + 50)
            << december["sunset"][i];
        EXPECT_NEAR(december["daylight_duration"][i].get<double>(),
                    60.0 * (minutes(december["sunset"][i]) - minutes(december["sunrise"][i])), 60);
        EXPECT_TRUE(minutes(june["sunrise"][i]) >= 5 * 60 + 15 && minutes(june["sunrise"][i]) <= 5 * 60 + 45)
            << june["sunrise"][i];
        EXPECT_TRUE(minutes(june["sunset"][i]) >= 21 * 60 + 20 && minutes(june["sunset"][i]) <= 21 * 60 + 50)
            << june["sunset"][i];
        EXPECT_LT(december["uv_index_max"][i].get<double>(), june["uv_index_max"][i].get<double>());
        EXPECT_LE(june["uv_index_max"][i].get<double>(), 9);
    }

    const json polarNight = fullAnswer(78.22, 15.65, kDay)["daily"];
    const json midnightSun = fullAnswer(78.22, 15.65, 20625)["daily"];
    for (std::size_t i = 0; i < 7; ++i) {
        for (const json* days : {&polarNight, &midnightSun}) {
            const std::string midnight = (*days)["time"][i].get<std::string>() + "T00:00";
            EXPECT_EQ((*days)["sunrise"][i], midnight);
            EXPECT_EQ((*days)["sunset"][i], midnight);
        }
        EXPECT_EQ(polarNight["daylight_duration"][i], 0.0);
        EXPECT_EQ(polarNight["uv_index_max"][i], 0.0);
        EXPECT_EQ(midnightSun["daylight_duration"][i], 86400.0);
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

    const json hours = json::parse(replica::OpenMeteoAnswer(
        "latitude=50.8503&longitude=4.3517&hourly=wind_gusts_10m,temperature_2m&forecast_days=2", kDay).Body);
    EXPECT_EQ(keysOf(hours), (std::vector<std::string>{"latitude", "longitude", "generationtime_ms", "utc_offset_seconds",
                                                       "timezone", "timezone_abbreviation", "elevation",
                                                       "hourly_units", "hourly"}));
    EXPECT_EQ(hours["hourly_units"].dump(), R"({"time":"iso8601","wind_gusts_10m":"km/h","temperature_2m":"°C"})");
    EXPECT_EQ(hours["hourly"]["time"].size(), 48u);
    EXPECT_EQ(hours["hourly"]["time"][47], "2026-12-09T23:00");
    EXPECT_FALSE(hours["hourly"]["temperature_2m"][47].is_null()); // only a week or more ends short
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
        {"latitude=48.5&longitude=7.6&hourly=temperature_2m,uv_index",
         "Cannot initialize ForecastVariable from invalid String value uv_index for key hourly"},
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
    const std::string full = "latitude=48.5833&longitude=7.6833" + kFullVariables;
    EXPECT_EQ(replica::OpenMeteoAnswer(full, kDay).Body, replica::OpenMeteoAnswer(full, kDay).Body);
}

} // namespace
} // namespace nubra
