// The replica answers every place of Luxembourg, Monaco and the overseas
// communes in its own country's or territory's time zone, and no place of
// Belgium or France in Luxembourg's or Monaco's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "catalogue.h"
#include "coords.h"
#include "pages.h"

namespace nubra {
namespace {

constexpr std::int64_t kDay = 20795; // 2026-12-08, winter in the north

struct TZone {
    std::string name;
    int offset; // seconds east of UTC on kDay
};

TZone zoneAt(const TPosition& p)
{
    const replica::TAnswer answer = replica::OpenMeteoAnswer(
        "latitude=" + FormatDegrees(p.Latitude) + "&longitude=" + FormatDegrees(p.Longitude) +
            "&daily=weather_code&timezone=auto&forecast_days=1",
        kDay);
    const nlohmann::json body = nlohmann::json::parse(answer.Body);
    return {body["timezone"].get<std::string>(), body["utc_offset_seconds"].get<int>()};
}

TEST(ReplicaTimeZones, EveryPlaceOfTheNewCountriesIsInItsOwnZone)
{
    TCatalogues tables;
    LoadEmbeddedCatalogues(tables);
    TCoordinates positions;
    ASSERT_EQ(LoadEmbeddedCoordinates(positions), "");
    const auto expectEvery = [&](std::string_view section, auto zoneOf, auto wanted) {
        const std::vector<TPosition>& all = positions.Of(section);
        ASSERT_FALSE(all.empty()) << section;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!wanted(i)) continue;
            const TZone zone = zoneAt(all[i]);
            const TZone expected = zoneOf(i);
            EXPECT_EQ(zone.name, expected.name) << section << " " << i;
            EXPECT_EQ(zone.offset, expected.offset) << section << " " << i;
        }
    };
    const auto every = [](std::size_t) { return true; };
    const auto always = [](TZone zone) { return [zone](std::size_t) { return zone; }; };
    expectEvery("lu", always({"Europe/Luxembourg", 3600}), every);
    expectEvery("mc", always({"Europe/Monaco", 3600}), every);
    for (const std::string_view neighbour : {"be", "fr"}) {
        for (const TPosition& p : positions.Of(neighbour)) {
            const std::string zone = zoneAt(p).name;
            EXPECT_TRUE(zone != "Europe/Luxembourg" && zone != "Europe/Monaco")
                << neighbour << " " << FormatDegrees(p.Latitude) << " " << FormatDegrees(p.Longitude);
        }
    }
    const TZone territories[] = {{"America/Guadeloupe", -14400}, {"America/Martinique", -14400},
                                 {"America/Cayenne", -10800},    {"Indian/Reunion", 14400},
                                 {"America/Miquelon", -10800},   {"Indian/Mayotte", 10800}};
    expectEvery("om", [&](std::size_t i) { return territories[tables.OutreMerCities[i].Region - 1]; }, every);
}

} // namespace
} // namespace nubra
