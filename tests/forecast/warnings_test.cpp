// The readers of warning documents on what the services really sent
// (tests/data/warnings, see its README), and the documents they must refuse
// with a message rather than misread.
#include "warnings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include "saved_file.h"

namespace nubra {
namespace {

std::string saved(const char* name) { return test::savedFile(std::string("warnings/") + name); }

bool hasCode(const TWarning& w, const char* name, const char* value)
{
    for (const TAreaCode& c : w.AreaCodes)
        if (c.Name == name && c.Value == value)
            return true;
    return false;
}

TEST(WarningReaders, AtomIndexGivesEachEntryItsCodesLevelAndDocument)
{
    const auto warnings = ReadMeteoAlarmAtom(saved("meteoalarm-fr_atom_2022-12-08__meteoalert-api.xml"));
    ASSERT_EQ(warnings.size(), 12u);
    const TWarning& w = warnings[0];
    EXPECT_EQ(w.AreaCodes, (std::vector<TAreaCode>{{"NUTS3", "FR718"}, {"EMMA_ID", "FR035"}}));
    EXPECT_EQ(w.AreaDescriptions, std::vector<std::string>{"Haute Savoie"});
    EXPECT_EQ(w.CapLink,
              "https://feeds.meteoalarm.org/api/v1/warnings/feeds-france/04d497d4-d114-4d6b-93ba-13fa7ed577fe");
    EXPECT_EQ(w.Identifier, "2.49.0.0.250.0.FR.20221207160058.764028");
    EXPECT_EQ(w.Level, 2);
    EXPECT_EQ(w.LevelColour, "Yellow");
    EXPECT_EQ(w.Event, "Moderate avalanches warning");
    EXPECT_EQ(w.Status, "Actual");
    EXPECT_EQ(w.MessageType, "Alert");
    EXPECT_EQ(w.Onset, 1670425200);
    EXPECT_EQ(w.Expires, 1670511600);
    EXPECT_TRUE(hasCode(warnings[11], "EMMA_ID", "FR032"));
    EXPECT_TRUE(hasCode(warnings[11], "NUTS3", "FR821"));
}

TEST(WarningReaders, AtomAwarenessElementsWinOverTheTitleColour)
{
    const auto warnings = ReadMeteoAlarmAtom(R"(<a:feed xmlns:a="http://www.w3.org/2005/Atom"
        xmlns:cap="urn:oasis:names:tc:emergency:cap:1.2"><a:entry>
        <a:title>Yellow Wind Warning</a:title><cap:awareness_level>3; orange; Severe</cap:awareness_level>
        <cap:awareness_type>1; Wind</cap:awareness_type><cap:message_type>Cancel</cap:message_type>
        </a:entry><a:entry><a:title>Red Flood Warning</a:title></a:entry></a:feed>)");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].Level, 3);
    EXPECT_EQ(warnings[0].LevelColour, "orange");
    EXPECT_EQ(warnings[0].AwarenessType, 1);
    EXPECT_EQ(warnings[0].AwarenessText, "Wind");
    EXPECT_TRUE(warnings[0].Ended);
    EXPECT_EQ(warnings[1].Level, 4);
    EXPECT_FALSE(warnings[1].Ended);
}

TEST(WarningReaders, FrenchCapBlockGivesLevelTypeEventAndAllClear)
{
    const auto warnings = ReadCapDocument(saved("meteoalarm-fr_cap_2022-12-07__meteoalert-api.xml"));
    ASSERT_EQ(warnings.size(), 1u);  // the en-GB block is left out
    const TWarning& w = warnings[0];
    EXPECT_EQ(w.Language, "fr-FR");
    EXPECT_EQ(w.Level, 2);
    EXPECT_EQ(w.LevelColour, "yellow");
    EXPECT_EQ(w.AwarenessType, 9);
    EXPECT_EQ(w.AwarenessText, "avalanches");
    EXPECT_EQ(w.Event, "Vigilance jaune avalanches");
    EXPECT_EQ(w.Sender, "METEO-FRANCE");
    EXPECT_EQ(w.ResponseType, "AllClear");
    EXPECT_TRUE(w.Ended);
    EXPECT_EQ(w.MessageType, "Update");
    EXPECT_EQ(w.Effective, 1670389260);  // 06:01+01:00
    ASSERT_EQ(w.AreaCodes.size(), 6u);
    EXPECT_EQ(w.AreaCodes[5], (TAreaCode{"NUTS3", "FR718"}));
    EXPECT_EQ(w.AreaDescriptions[5], "Haute Savoie");
}

TEST(WarningReaders, CanadianDocumentKeepsActiveAndEndedBlocksApart)
{
    const auto warnings = ReadCapDocument(saved("eccc-cap_large_ontario__rs-cap.xml"));
    ASSERT_EQ(warnings.size(), 2u);  // the two fr-CA blocks
    const TWarning& active = warnings[0];
    const TWarning& ended = warnings[1];
    EXPECT_EQ(active.Event, "avertissement de chaleur");
    EXPECT_EQ(active.Kind, "warning");
    EXPECT_EQ(active.Stage, "active");
    EXPECT_FALSE(active.Ended);
    EXPECT_EQ(active.AreaDescriptions.size(), 11u);
    ASSERT_EQ(active.Polygons.size(), 11u);
    EXPECT_EQ(active.Polygons[0][0].Latitude, 46278500);
    EXPECT_EQ(active.Polygons[0][0].Longitude, -80493500);
    EXPECT_EQ(ended.Headline, "avertissement de chaleur annul\xE9");
    EXPECT_EQ(ended.Stage, "ended");
    EXPECT_TRUE(ended.Ended);
    EXPECT_EQ(ended.AreaDescriptions, (std::vector<std::string>{"Elliot Lake - Ranger Lake", "Chapleau - lac Missinaibi"}));

    const auto current = CurrentWarnings(warnings, 1594382400);  // 2020-07-10 12:00 UTC, before both expire
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0].AreaDescriptions, active.AreaDescriptions);
}

TEST(WarningReaders, FrenchBlockFirstAndDescriptionUnaltered)
{
    const auto warnings = ReadCapDocument(saved("eccc-cap_naad_wind_2019-01-09_frCA-first__tannerryan-cap.xml"));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].AreaDescriptions, std::vector<std::string>{"\xCEles-de-la-Madeleine"});
    EXPECT_TRUE(warnings[0].Description.starts_with("\nDes vents forts pouvant causer des dommages soufflent"));
    EXPECT_NE(warnings[0].Description.find(".\n\n###\n\n"), std::string::npos);
}

TEST(WarningReaders, CapWithoutFrenchGivesTheFirstLanguage)
{
    const auto warnings = ReadCapDocument(R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
        <info><language>de-DE</language><event>Sturm</event></info>
        <info><language>en-GB</language><event>Storm</event></info>
        <info><language>de-DE</language><event>Regen</event></info></alert>)");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].Event, "Sturm");
    EXPECT_EQ(warnings[1].Event, "Regen");
}

TEST(WarningReaders, GeoMetFeaturesInFrenchWithLatitudeFirst)
{
    const auto alerts = ReadGeoMetAlerts(saved("eccc-geomet-weather-alerts_2026-03-05__linecast.json"));
    ASSERT_EQ(alerts.Warnings.size(), 7u);
    EXPECT_EQ(alerts.Next, "");
    const TWarning& w = alerts.Warnings[0];
    EXPECT_EQ(w.Event, "avertissement de pluie vergla\xE7" "ante");
    EXPECT_EQ(w.LevelColour, "jaune");
    EXPECT_EQ(w.Level, 2);
    EXPECT_EQ(w.Kind, "warning");
    EXPECT_EQ(w.Stage, "maintenu");
    EXPECT_EQ(w.AreaDescriptions, std::vector<std::string>{"Burlington - Oakville"});
    EXPECT_EQ(w.Sent, 1772745966);  // 21:26:06.795Z
    EXPECT_TRUE(w.Description.starts_with("Pluie vergla\xE7" "ante en "));
    EXPECT_NE(w.Description.find(".\n\nQuoi :\nPluie vergla\xE7" "ante rendant"), std::string::npos);
    ASSERT_EQ(w.Polygons.size(), 1u);
    EXPECT_EQ(w.Polygons[0].size(), 193u);
    EXPECT_EQ(w.Polygons[0][0].Latitude, 43458142);   // [-79.59574712, 43.45814158]
    EXPECT_EQ(w.Polygons[0][0].Longitude, -79595747);
    // Toronto city hall is in the fourth feature's polygon (ville de
    // Toronto), Burlington in the first only.
    const TPosition toronto{43653200, -79383200}, burlington{43325500, -79799000};
    EXPECT_TRUE(PolygonContains(alerts.Warnings[3].Polygons[0], toronto));
    EXPECT_FALSE(PolygonContains(w.Polygons[0], toronto));
    EXPECT_TRUE(PolygonContains(w.Polygons[0], burlington));
    EXPECT_EQ(alerts.Warnings[6].Kind, "statement");
    EXPECT_EQ(alerts.Warnings[6].Level, 0);
    EXPECT_EQ(alerts.Warnings[6].Event, "bulletin m\xE9t\xE9orologique sp\xE9" "cial");

    const auto next = ReadGeoMetAlerts(R"({"type":"FeatureCollection","features":[],
        "links":[{"rel":"self","href":"a"},{"rel":"next","href":"https://api.weather.gc.ca/x?offset=20"}]})");
    EXPECT_EQ(next.Next, "https://api.weather.gc.ca/x?offset=20");
}

// -- Refusals -------------------------------------------------------------------

using TReader = std::function<void(std::string_view)>;
const TReader kAtom = [](std::string_view b) { ReadMeteoAlarmAtom(b); };
const TReader kCap = [](std::string_view b) { ReadCapDocument(b); };
const TReader kGeoMet = [](std::string_view b) { ReadGeoMetAlerts(b); };

std::string manyElements(std::size_t count)
{
    std::string body = R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">)";
    for (std::size_t i = 1; i < count; ++i)
        body += "<note/>";
    return body + "</alert>";
}

TEST(WarningReaders, HostileDocumentsRefusedWithOneLineMessage)
{
    const std::string cap = R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2"><info><area>)";
    struct Case {
        const char* What;
        TReader Reader;
        std::string Body;
        std::string Message;
    };
    const Case cases[] = {
        {"entity", kAtom,
         "<?xml version=\"1.0\"?><!DOCTYPE feed [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>&x;</title></entry></feed>",
         "Index MeteoAlarm illisible (d\xE9" "claration DOCTYPE refus\xE9" "e)."},
        {"lower-case doctype", kCap, "<!doctype alert>" + manyElements(1), "d\xE9" "claration DOCTYPE"},
        {"over 4 MiB", kCap, manyElements(1) + std::string((4u << 20) + 1, ' '), "Document CAP illisible (plus de 4 Mio)."},
        {"too many elements", kCap, manyElements(20001), "Document CAP illisible (plus de 20 000 \xE9l\xE9ments)."},
        {"not XML", kCap, "Vigilance jaune", "Document CAP illisible ("},
        {"unclosed", kAtom, "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry>", "XML mal form\xE9 \xE0 l'octet"},
        {"wrong root", kAtom, saved("meteoalarm-fr_cap_2022-12-07__meteoalert-api.xml"),
         "Index MeteoAlarm illisible (\xE9l\xE9ment racine <alert>, <feed> Atom attendu)."},
        {"wrong namespace", kCap, "<alert xmlns=\"urn:other\"/>", "<alert> CAP attendu"},
        {"bad polygon", kCap, cap + "<polygon>46.2,-80.4 91,-80 46.2,-80.4</polygon></area></info></alert>",
         "Document CAP illisible (polygone illisible)."},
        {"JSON not JSON", kGeoMet, "<feed/>", "R\xE9ponse GeoMet illisible (ce n'est pas du JSON)."},
        {"JSON wrong shape", kGeoMet, R"({"type":"Feature"})", "FeatureCollection"},
        {"JSON too deep", kGeoMet, std::string(40, '[') + std::string(40, ']'), "plus de 16 niveaux"},
        {"JSON wrong type", kGeoMet, R"({"type":"FeatureCollection","features":[{"properties":{"alert_name_fr":3}}]})",
         "alert_name_fr n'est pas un texte"},
        {"JSON position", kGeoMet,
         R"({"type":"FeatureCollection","features":[{"properties":{},
             "geometry":{"type":"Polygon","coordinates":[[[-79.5,"43"]]]}}]})",
         "position illisible"},
    };
    for (const Case& c : cases) {
        try {
            c.Reader(c.Body);
            ADD_FAILURE() << c.What << ": accepted";
        } catch (const EWarningDocument& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.Message), std::string::npos) << c.What << ": " << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << c.What;
        }
    }
    EXPECT_NO_THROW(ReadCapDocument(manyElements(20000)));
}

} // namespace
} // namespace nubra
