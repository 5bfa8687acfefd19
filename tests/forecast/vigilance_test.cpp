// The warnings' lines as the forecast text shows them, from the documents
// the services really sent, and which places a warning covers.
#include "vigilance.h"

#include <gtest/gtest.h>

#include <string>

#include "french_time.h"
#include "recording_http.h"
#include "saved_file.h"

namespace nubra {
namespace {

std::string saved(const char* name) { return test::savedFile(std::string("warnings/") + name); }

constexpr std::int32_t kParisWinter = 3600;

TEST(WarningLines, FrenchEventAndPeriodInTheLocalTimeThenTheDescription)
{
    const std::vector<TWarning> cap = ReadCapDocument(saved("meteoalarm-fr_cap_2022-12-07__meteoalert-api.xml"));
    ASSERT_FALSE(cap.empty());
    const std::string text = WarningLines({cap.front()}, "M\xE9t\xE9o-France", kParisWinter);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "Vigilance jaune avalanches : du mercredi 7 d\xE9" "cembre 06h00 au mercredi 7 d\xE9" "cembre 06h01 "
              "(M\xE9t\xE9o-France)");
    // The issuer's own words follow, as they stand.
    EXPECT_NE(text.find("\r\nDes phenomenes habituels dans la region"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(WarningLines, IndexEntryWithoutFrenchTextSaysItsColourAndArea)
{
    const std::vector<TWarning> atom = ReadMeteoAlarmAtom(saved("meteoalarm-fr_atom_2022-12-08__meteoalert-api.xml"));
    ASSERT_FALSE(atom.empty());
    const TWarning& haute = atom.front();
    ASSERT_EQ(haute.AreaDescriptions.front(), "Haute Savoie");
    // The index is English: its event is not shown, nor any description.
    EXPECT_EQ(WarningLines({haute}, "M\xE9t\xE9o-France", kParisWinter),
              "Vigilance jaune - Haute Savoie : du mercredi 7 d\xE9" "cembre 16h00 au jeudi 8 d\xE9" "cembre 16h00 "
              "(M\xE9t\xE9o-France)\r\n");
    EXPECT_EQ(WarningLines({}, "IRM", 0), "Aucune vigilance en cours\r\n");
}

TEST(WarningLines, CanadianAlertNamesGetTheirColourAndEndAtTheEventsEnd)
{
    const TGeoMetAlerts alerts = ReadGeoMetAlerts(saved("eccc-geomet-weather-alerts_2026-03-05__linecast.json"));
    ASSERT_FALSE(alerts.Warnings.empty());
    const TWarning& first = alerts.Warnings.front();
    const std::string text = WarningLines({first}, "Environnement Canada", -5 * 3600);
    // Valid from 22h00 UTC, the event ending at 06h00 UTC: Toronto's clock.
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "avertissement de pluie vergla\xE7" "ante (jaune) : du jeudi 5 mars 17h00 au vendredi 6 mars 01h00 "
              "(Environnement Canada)");
    EXPECT_NE(text.find("\r\nQuoi :\r\n"), std::string::npos);  // the text's blank lines and line breaks kept
}

TEST(WarningCover, ByWholeAreaCodeOrByPolygon)
{
    TWarning w;
    w.AreaCodes = {{"NUTS3", "FR421"}, {"EMMA_ID", "FR086"}};
    EXPECT_TRUE(CoversAreas(w, "FR086 FR421"));
    EXPECT_TRUE(CoversAreas(w, "FR421"));
    EXPECT_FALSE(CoversAreas(w, "FR42 FR4211"));  // whole codes only
    EXPECT_FALSE(CoversAreas(w, ""));
    w.Polygons = {{{45'000'000, -74'000'000}, {46'000'000, -74'000'000}, {46'000'000, -73'000'000}}};
    EXPECT_TRUE(CoversPosition(w, {45'900'000, -73'900'000}));
    EXPECT_FALSE(CoversPosition(w, {45'100'000, -73'100'000}));
}

// An index of ten current orange warnings for Bas-Rhin, each linking to its
// own document: eight documents are fetched and the last two entries stay
// as the index gives them; a document that gives the all-clear removes its
// warning, one that cannot be had leaves its index entry, one naming the
// area by another code keeps the index's. A second forecast fetches again
// only what the first did not get.
TEST(MeteoAlarmFetch, EightDocumentsAtMostEachOnceAndTheIndexWhereOneFails)
{
    const std::string period = "<cap:onset>2026-12-08T10:00:00+00:00</cap:onset>"
                               "<cap:expires>2026-12-09T10:00:00+00:00</cap:expires>";
    const std::string document = "https://meteoalarm.test/api/v1/warnings/feeds-france/fetch-test-";
    std::string index = R"(<feed xmlns="http://www.w3.org/2005/Atom" xmlns:cap="urn:oasis:names:tc:emergency:cap:1.2">)";
    test::TRecordingHttp http;
    for (int n = 0; n < 10; ++n) {
        const std::string id = std::to_string(n);
        index += "<entry><cap:geocode><valueName>EMMA_ID</valueName><value>FR086</value></cap:geocode>"
                 "<cap:areaDesc>Bas Rhin</cap:areaDesc><cap:event>Event " + id + "</cap:event>" + period +
                 "<cap:identifier>id-" + id + "</cap:identifier><link href=\"" + document + id +
                 "\" type=\"application/cap+xml\"/><title>Orange Wind Warning - Bas Rhin</title></entry>";
        if (n == 1)
            continue;  // a 404
        http.Pages[document + id] =
            R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2"><status>Actual</status><msgType>Alert</msgType>)"
            "<identifier>id-" + id + "</identifier><info><language>fr-FR</language><event>Vigilance orange " + id +
            "</event><responseType>" + (n == 0 ? "AllClear" : "Monitor") + "</responseType>" +
            "<parameter><valueName>awareness_level</valueName><value>3; orange; Severe</value></parameter>" +
            period + "<area><areaDesc>Bas-Rhin</areaDesc><geocode><valueName>EMMA_ID</valueName><value>" +
            (n == 2 ? "FR999" : "FR086") + "</value></geocode></area></info></alert>";
    }
    index += "</feed>";
    const std::string atom = "https://meteoalarm.test/feeds/meteoalarm-legacy-atom-france";
    http.Pages[atom] = index;
    TServiceHosts hosts;
    hosts.MeteoAlarm = "meteoalarm.test";
    TPlaceMatch place;
    place.AreaCodes = "FR086 FR421";
    const std::int64_t now = 20795LL * 86400 + 12 * 3600;  // 2026-12-08 12:00 UTC

    std::vector<TWarning> first = FetchMeteoAlarmWarnings("france", place, now, hosts, http);
    ASSERT_EQ(http.Requests.size(), 1 + kMaxCapDocuments);
    std::vector<std::string> events;
    for (const TWarning& w : first)
        events.push_back(w.Event);
    EXPECT_EQ(events, (std::vector<std::string>{"Event 1", "Vigilance orange 2", "Vigilance orange 3",
                                                "Vigilance orange 4", "Vigilance orange 5", "Vigilance orange 6",
                                                "Vigilance orange 7", "Event 8", "Event 9"}));

    http.Requests.clear();
    EXPECT_EQ(FetchMeteoAlarmWarnings("france", place, now, hosts, http).size(), 9u);
    EXPECT_EQ(http.Requests, (std::vector<std::string>{atom, document + "1", document + "8", document + "9"}));
}

TEST(FrenchTime, DaysMonthsAndClocksOnEitherSideOfMidnight)
{
    // 2026-12-08 23:30 UTC is Wednesday 00h30 in Paris, Tuesday 18h30 in Montréal.
    const std::int64_t t = 20795LL * 86400 + 23 * 3600 + 30 * 60;
    EXPECT_EQ(FrenchDateTime(t, 3600), "mercredi 9 d\xE9" "cembre 00h30");
    EXPECT_EQ(FrenchDateTime(t, -5 * 3600), "mardi 8 d\xE9" "cembre 18h30");
    EXPECT_EQ(FrenchDateTime(0, 0), "jeudi 1 janvier 00h00");
    EXPECT_EQ(FrenchDateTime(-1, 0), "mercredi 31 d\xE9" "cembre 23h59");
    EXPECT_EQ(FrenchDateTime(951782400, 0), "mardi 29 f\xE9vrier 00h00");  // 2000, a leap year
}

} // namespace
} // namespace nubra
