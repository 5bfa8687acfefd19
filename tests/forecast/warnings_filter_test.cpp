// The documents' times, polygon containment and the choice of the warnings
// worth showing.
#include "warnings.h"

#include <gtest/gtest.h>

#include <string>
#include "saved_file.h"

namespace nubra {
namespace {

std::string saved(const char* name) { return test::savedFile(std::string("warnings/") + name); }

TEST(WarningTime, OffsetsFractionsAndStrictFields)
{
    struct Case {
        const char* Text;
        std::optional<std::int64_t> Seconds;
    };
    const Case cases[] = {
        {"2022-12-07T06:01:00+01:00", 1670389260},
        {"2022-12-07T05:01:00Z", 1670389260},
        {"2022-12-07T05:01:00-00:00", 1670389260},
        {"2026-03-05T21:26:06.795Z", 1772745966},
        {"2024-02-29T23:59:59-05:30", 1709270999},
        {"1969-12-31T23:59:59+00:00", -1},
        {"2023-02-29T00:00:00Z", std::nullopt},   // no such day
        {"2022-12-07T24:00:00Z", std::nullopt},
        {"2022-12-07T16:00:60Z", std::nullopt},
        {"2022-13-07T16:00:00Z", std::nullopt},
        {"2022-12-07 16:00:00Z", std::nullopt},
        {"2022-12-07T16:00:00", std::nullopt},    // no offset
        {"2022-12-07T16:00:00+1:00", std::nullopt},
        {"2022-12-07T16:00:00+01:00 ", std::nullopt},
        {"2022-12-07T16:00:00.Z", std::nullopt},
        {"2022-12-7T16:00:00Z", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseWarningTime(c.Text), c.Seconds) << c.Text;
}

TPosition at(std::int32_t latitude, std::int32_t longitude)
{
    return {latitude, longitude};
}

TEST(WarningPolygon, InsideOutsideBoundaryAndCorners)
{
    // A square 46..47 N, 6..7 E, in millionths.
    const TPolygon square = {at(46000000, 6000000), at(46000000, 7000000), at(47000000, 7000000),
                             at(47000000, 6000000), at(46000000, 6000000)};
    EXPECT_TRUE(PolygonContains(square, at(46000001, 6500000)));
    EXPECT_FALSE(PolygonContains(square, at(45999999, 6500000)));
    EXPECT_TRUE(PolygonContains(square, at(46999999, 6999999)));
    EXPECT_FALSE(PolygonContains(square, at(47000000, 7000001)));
    // The boundary is inside, on every side and at the corners.
    EXPECT_TRUE(PolygonContains(square, at(46000000, 6500000)));
    EXPECT_TRUE(PolygonContains(square, at(46500000, 7000000)));
    EXPECT_TRUE(PolygonContains(square, at(47000000, 6000000)));

    // A diamond whose left and right corners lie on the ray from the
    // position: each corner must count once.
    const TPolygon diamond = {at(10, 0), at(0, 10), at(-10, 0), at(0, -10)};
    EXPECT_TRUE(PolygonContains(diamond, at(0, -5)));
    EXPECT_FALSE(PolygonContains(diamond, at(0, -15)));
    EXPECT_FALSE(PolygonContains(diamond, at(6, 6)));
    EXPECT_TRUE(PolygonContains(diamond, at(5, 5)));

    // A concave ring (a U open to the north) leaves its notch out.
    const TPolygon u = {at(0, 0), at(0, 30), at(30, 30), at(30, 20), at(10, 20), at(10, 10), at(30, 10), at(30, 0)};
    EXPECT_FALSE(PolygonContains(u, at(20, 15)));
    EXPECT_TRUE(PolygonContains(u, at(20, 25)));
    EXPECT_TRUE(PolygonContains(u, at(5, 15)));

    EXPECT_FALSE(PolygonContains({at(0, 0), at(10, 10)}, at(5, 5)));
    EXPECT_FALSE(PolygonContains({}, at(0, 0)));
}

TWarning warning(const char* event, int level, std::int64_t onset)
{
    TWarning w;
    w.Identifier = event;
    w.Event = event;
    w.Level = level;
    w.Status = "Actual";
    w.Onset = onset;
    w.Expires = onset + 86400;
    return w;
}

TEST(WarningFilter, LeavesOutWhatIsOverOrMinorAndOrdersBySeverityThenOnset)
{
    const std::int64_t now = 1000000;
    std::vector<TWarning> all;
    all.push_back(warning("jaune tard", 2, now + 7200));
    all.push_back(warning("vert", 1, now));
    all.push_back(warning("jaune tot", 2, now - 3600));
    all.push_back(warning("expire", 4, now - 86400));  // expires exactly now
    all.push_back(warning("levee", 3, now));
    all.back().Ended = true;
    all.push_back(warning("exercice", 4, now));
    all.back().Status = "Exercise";
    all.push_back(warning("rouge", 4, now + 3600));
    all.push_back(warning("sans niveau", 0, now));
    TWarning bulletin = warning("bulletin", 0, now);
    bulletin.Kind = "statement";
    bulletin.Status.clear();  // GeoMet states none
    all.push_back(bulletin);
    TWarning other = warning("essai", 0, now);
    other.Kind = "test";
    all.push_back(other);

    std::vector<std::string> events;
    for (const TWarning& w : CurrentWarnings(all, now))
        events.push_back(w.Event);
    EXPECT_EQ(events, (std::vector<std::string>{"rouge", "jaune tot", "jaune tard", "bulletin", "sans niveau"}));
}

TEST(WarningFilter, AtomEntriesOfOneDocumentBecomeOneWarningOverTheirAreas)
{
    const auto entries = ReadMeteoAlarmAtom(saved("meteoalarm-fr_atom_2022-12-08__meteoalert-api.xml"));
    // 2022-12-07 16:00 UTC: the document of 05:00 expired at 05:01.
    const auto current = CurrentWarnings(entries, 1670428800);
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0].Identifier, "2.49.0.0.250.0.FR.20221207160058.764028");
    EXPECT_EQ(current[0].AreaCodes.size(), 12u);  // six NUTS3 and six EMMA_ID
    EXPECT_EQ(current[0].AreaDescriptions.size(), 6u);

    // The same warning fetched twice under other identifiers is listed once.
    std::vector<TWarning> twice = {entries[0], entries[0], entries[1]};
    twice[1].Identifier = "autre";
    twice[2].Identifier = "encore";
    EXPECT_EQ(CurrentWarnings(twice, 1670428800).size(), 2u);
}

TEST(WarningFilter, GeoMetWarningsLastUntilTheyExpireAndTheStatementStays)
{
    const auto alerts = ReadGeoMetAlerts(saved("eccc-geomet-weather-alerts_2026-03-05__linecast.json")).Warnings;
    const auto during = CurrentWarnings(alerts, 1772762400);  // 02:00 UTC
    ASSERT_EQ(during.size(), 7u);
    EXPECT_EQ(during[0].Kind, "warning");
    EXPECT_EQ(during[6].Kind, "statement");
    // 07:00 UTC: the rain is over (06:00) but the warnings are in force to 08:04.
    EXPECT_EQ(CurrentWarnings(alerts, 1772780400).size(), 7u);
    const auto after = CurrentWarnings(alerts, 1772785800);  // 08:30 UTC
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].Kind, "statement");
}

} // namespace
} // namespace nubra
