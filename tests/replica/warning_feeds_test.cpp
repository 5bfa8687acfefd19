// The replica's warning feeds read back with the program's own readers: the
// cases each feed is there to show (in force, expired, green, all-clear,
// to come, a failing and a broken CAP link, polygons, paging) come out as
// pages.h says.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "coords.h"
#include "pages.h"
#include "warnings.h"

namespace nubra {
namespace {

constexpr std::int64_t kDay = 20795;     // 2026-12-08, winter time
constexpr std::int64_t kSummer = 20640;  // 2026-07-06, summer time
constexpr std::string_view kOrigin = "http://127.0.0.1:8080";

TPosition at(double latitude, double longitude)
{
    return {static_cast<std::int32_t>(latitude * 1e6), static_cast<std::int32_t>(longitude * 1e6)};
}

bool hasCode(const TWarning& w, std::string_view name, std::string_view value)
{
    return std::find(w.AreaCodes.begin(), w.AreaCodes.end(), TAreaCode{std::string(name), std::string(value)}) !=
           w.AreaCodes.end();
}

// The target of an address the replica wrote, once its origin is removed.
std::string targetOf(const std::string& address)
{
    EXPECT_TRUE(address.starts_with(kOrigin)) << address;
    return address.substr(kOrigin.size());
}

std::vector<TWarning> index(std::string_view country, std::int64_t day)
{
    const replica::TAnswer answer =
        replica::AnswerRequest("/feeds/meteoalarm-legacy-atom-" + std::string(country), "", day, kOrigin);
    EXPECT_EQ(answer.Status, 200u) << country;
    return ReadMeteoAlarmAtom(answer.Body);
}

// At the replica's now, France's index keeps the orange wind of Bas-Rhin
// first, then the yellow rain in force and the thunderstorms to come; the
// expired rain, the green entry and the all-clear go. Strasbourg's codes are
// there, Colmar's (Haut-Rhin) nowhere. In summer and winter alike.
TEST(ReplicaWarnings, FranceIndexGivesTheWarningsInForceAtNow)
{
    for (const std::int64_t day : {kDay, kSummer}) {
        const std::int64_t now = replica::WarningsNow(day, false);
        const std::vector<TWarning> all = index("france", day);
        ASSERT_EQ(all.size(), 6u);
        const std::vector<TWarning> current = CurrentWarnings(all, now);
        ASSERT_EQ(current.size(), 3u) << day;
        const TWarning& wind = current[0];
        EXPECT_EQ(wind.AreaDescriptions, std::vector<std::string>{"Bas Rhin"});
        EXPECT_EQ(wind.Level, 3);
        EXPECT_TRUE(hasCode(wind, "NUTS3", "FR421") && hasCode(wind, "EMMA_ID", "FR086"));
        ASSERT_TRUE(wind.Onset && wind.Expires);
        EXPECT_LT(*wind.Onset, now);
        EXPECT_GT(*wind.Expires, now + 12 * 3600);  // the next morning
        EXPECT_EQ(current[1].AreaDescriptions, std::vector<std::string>{"Bouches du Rhone"});
        EXPECT_EQ(current[2].AreaDescriptions, std::vector<std::string>{"Finistere"});
        EXPECT_GT(*current[2].Onset, now + 24 * 3600);  // tomorrow
        for (const TWarning& w : current)
            EXPECT_FALSE(hasCode(w, "NUTS3", "FR422") || hasCode(w, "EMMA_ID", "FR083"));
    }
}

// Every CAP link of every index answers the document of the same warning,
// in French, with the index's times, level and areas; but Bouches-du-Rhône's,
// which answers 500, and Finistère's, which is malformed XML.
TEST(ReplicaWarnings, CapLinksResolveToTheSameWarnings)
{
    int failed = 0, malformed = 0, documents = 0;
    for (const std::string_view country : {"france", "belgium", "switzerland", "luxembourg"}) {
        for (const TWarning& entry : index(country, kDay)) {
            const replica::TAnswer answer = replica::AnswerRequest(targetOf(entry.CapLink), "", kDay);
            const std::string area = entry.AreaDescriptions.at(0);
            if (area == "Bouches du Rhone") {
                EXPECT_EQ(answer.Status, 500u);
                ++failed;
                continue;
            }
            ASSERT_EQ(answer.Status, 200u) << area;
            if (area == "Finistere") {
                try {
                    ReadCapDocument(answer.Body);
                    ADD_FAILURE() << "Finistère's document was read";
                } catch (const EWarningDocument& error) {
                    EXPECT_TRUE(std::string(error.what()).starts_with("Document CAP illisible (XML mal form"))
                        << error.what();
                }
                ++malformed;
                continue;
            }
            const std::vector<TWarning> read = ReadCapDocument(answer.Body);
            ASSERT_EQ(read.size(), 1u) << area;
            const TWarning& w = read[0];
            ++documents;
            EXPECT_TRUE(w.Language.starts_with("fr-")) << area;
            EXPECT_EQ(w.Identifier, entry.Identifier);
            EXPECT_EQ(w.Onset, entry.Onset);
            EXPECT_EQ(w.Expires, entry.Expires);
            EXPECT_EQ(w.Level, entry.Level) << area;
            EXPECT_TRUE(w.Event.starts_with("Vigilance") || w.Event.starts_with("Avertissement")) << w.Event;
            EXPECT_FALSE(w.Description.empty());
            for (const TAreaCode& code : entry.AreaCodes)
                EXPECT_TRUE(hasCode(w, code.Name, code.Value)) << area << " " << code.Value;
            EXPECT_EQ(w.Ended, area == "Haute Savoie") << area;
            if (area == "Bas Rhin") {
                EXPECT_EQ(w.Event, "Vigilance orange vent violent");
                EXPECT_EQ(w.Sender, "METEO-FRANCE");
                EXPECT_EQ(w.AwarenessType, 1);
                EXPECT_NE(w.Description.find("apr\xE8s-midi"), std::string::npos) << w.Description;
            }
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(malformed, 1);
    EXPECT_EQ(documents, 4 + 3 + 1 + 1);  // France's four, Belgium's three entries, Switzerland, Luxembourg
    // Another day's link is not found, nor another country's feed.
    EXPECT_EQ(replica::AnswerRequest(targetOf(index("belgium", kDay).at(0).CapLink), "", kDay + 1).Status, 404u);
    EXPECT_EQ(replica::AnswerRequest("/feeds/meteoalarm-legacy-atom-germany", "", kDay).Status, 404u);
}

// Belgium's three entries are one warning for BE004; Luxembourg warns LU001
// only; Switzerland's area is a polygon holding Lausanne, not Zürich.
TEST(ReplicaWarnings, BelgiumLuxembourgAndSwitzerlandAreas)
{
    const std::vector<TWarning> belgium = CurrentWarnings(index("belgium", kDay), replica::WarningsNow(kDay, false));
    ASSERT_EQ(belgium.size(), 1u);
    for (const std::string_view code : {"BE10", "BE24", "BE31"})
        EXPECT_TRUE(hasCode(belgium[0], "NUTS2", code)) << code;
    EXPECT_TRUE(hasCode(belgium[0], "EMMA_ID", "BE004"));

    const std::vector<TWarning> luxembourg =
        CurrentWarnings(index("luxembourg", kDay), replica::WarningsNow(kDay, false));
    ASSERT_EQ(luxembourg.size(), 1u);
    EXPECT_TRUE(hasCode(luxembourg[0], "EMMA_ID", "LU001"));
    EXPECT_FALSE(hasCode(luxembourg[0], "EMMA_ID", "LU002"));

    const std::vector<TWarning> swiss = index("switzerland", kDay);
    ASSERT_EQ(swiss.size(), 1u);
    const std::vector<TWarning> document =
        ReadCapDocument(replica::AnswerRequest(targetOf(swiss[0].CapLink), "", kDay).Body);
    ASSERT_EQ(document.size(), 1u);
    EXPECT_EQ(document[0].Language, "fr-CH");
    ASSERT_EQ(document[0].Polygons.size(), 1u);
    EXPECT_TRUE(PolygonContains(document[0].Polygons[0], at(46.52, 6.63)));   // Lausanne
    EXPECT_FALSE(PolygonContains(document[0].Polygons[0], at(47.37, 8.54)));  // Zürich
    EXPECT_EQ(CurrentWarnings(document, replica::WarningsNow(kDay, false)).size(), 1u);
}

TGeoMetAlerts geoMet(const std::string& target, std::int64_t day = kDay)
{
    const replica::TAnswer answer = replica::AnswerRequest(target, "", day, kOrigin);
    EXPECT_EQ(answer.Status, 200u) << target;
    return ReadGeoMetAlerts(answer.Body);
}

// A box around Montréal gives its yellow wind warning, in force, whose
// polygon holds Montréal and not Sainte-Rose on Laval's north shore, inside
// the polygon's bounding box. The wider box adds the expired Québec warning,
// which CurrentWarnings drops, and Ottawa's statement without a colour,
// which it keeps.
TEST(ReplicaWarnings, GeoMetAnswersTheAlertsOfTheBox)
{
    const std::int64_t now = replica::WarningsNow(kDay, true);
    const TGeoMetAlerts montreal =
        geoMet("/collections/weather-alerts/items?f=json&bbox=-73.7,45.45,-73.5,45.6&limit=10");
    ASSERT_EQ(montreal.Warnings.size(), 1u);
    EXPECT_TRUE(montreal.Next.empty());
    const TWarning& wind = montreal.Warnings[0];
    EXPECT_EQ(wind.Event, "avertissement de vent");
    EXPECT_EQ(wind.AreaDescriptions, std::vector<std::string>{"Montr\xE9" "al"});
    EXPECT_EQ(wind.Level, 2);
    ASSERT_EQ(wind.Polygons.size(), 1u);
    EXPECT_TRUE(PolygonContains(wind.Polygons[0], at(45.50, -73.57)));
    EXPECT_FALSE(PolygonContains(wind.Polygons[0], at(45.61, -73.78)));
    EXPECT_EQ(CurrentWarnings(montreal.Warnings, now).size(), 1u);

    const TGeoMetAlerts wide = geoMet("/collections/weather-alerts/items?f=json&bbox=-77,44,-70,48&limit=10");
    ASSERT_EQ(wide.Warnings.size(), 3u);
    const std::vector<TWarning> current = CurrentWarnings(wide.Warnings, now);
    ASSERT_EQ(current.size(), 2u);
    EXPECT_EQ(current[0].Event, "avertissement de vent");
    EXPECT_EQ(current[1].Kind, "statement");
    EXPECT_EQ(current[1].Level, 0);
    EXPECT_EQ(current[1].AreaDescriptions.at(0), "Ottawa Nord - Kanata - Orl\xE9" "ans");
    EXPECT_TRUE(geoMet("/collections/weather-alerts/items?f=json&bbox=-60,45,-59,46&limit=10").Warnings.empty());
    EXPECT_EQ(replica::AnswerRequest("/collections/weather-alerts/items?f=json&bbox=-73.5,45.4,-73.7", "", kDay).Status,
              400u);
}

// With limit=1, following "next" gives every alert of the box once, in the
// order of one page of ten, and the last page has no "next".
TEST(ReplicaWarnings, GeoMetPagesFollowNextToTheEnd)
{
    const std::string box = "/collections/weather-alerts/items?f=json&bbox=-77,44,-70,48";
    std::vector<std::string> whole;
    for (const TWarning& w : geoMet(box + "&limit=10").Warnings)
        whole.push_back(w.Identifier);
    std::vector<std::string> paged;
    std::string target = box + "&limit=1";
    for (int page = 0; page < 10 && !target.empty(); ++page) {
        const TGeoMetAlerts alerts = geoMet(target);
        ASSERT_EQ(alerts.Warnings.size(), 1u) << target;
        paged.push_back(alerts.Warnings[0].Identifier);
        target = alerts.Next.empty() ? std::string() : targetOf(alerts.Next);
    }
    EXPECT_TRUE(target.empty());
    EXPECT_EQ(paged, whole);
    EXPECT_EQ(std::set<std::string>(paged.begin(), paged.end()).size(), 3u);
}

// The garbage index: 200, and the reader refuses it with its message.
TEST(ReplicaWarnings, GarbageIndexIsRefusedByTheReader)
{
    const replica::TAnswer answer = replica::AnswerRequest("/feeds/meteoalarm-legacy-atom-garbage", "", kDay);
    ASSERT_EQ(answer.Status, 200u);
    try {
        ReadMeteoAlarmAtom(answer.Body);
        FAIL() << "the garbage was read";
    } catch (const EWarningDocument& error) {
        EXPECT_EQ(std::string(error.what()), "Index MeteoAlarm illisible (XML mal form\xE9 \xE0 l'octet 18).");
    }
}

} // namespace
} // namespace nubra
