// The four forecast sources' walks, on small pages built from the services'
// markup, and the service hosts. Texts are Windows-1252.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hosts.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "pages.h"

namespace nubra {
namespace {

std::string lines(const std::vector<std::string>& list)
{
    std::string text;
    for (const std::string& line : list)
        text += line + "\r\n";
    return text;
}

// ---------------------------------------------------------------- France

// A commune page: the marker in a style sheet, the wrapper "div", then the
// ephemeris block, the update time and the forecast table with its two
// title rows.
std::string francePage(const std::string& block, const std::string& rows, bool withUpdate = true)
{
    std::string page = "<html><head><title>x</title></head><body><div id='nav'>menu</div>\r\n"
                       "<style>\r\n.cityWeather p {margin:0}\r\n</style><div class='cityWeather'>";
    page += block;
    page += "</div>\r\n";
    if (withUpdate)
        page += "<p>Actualis\xE9 le 8 d\xE9" "cembre \xE0 16h00</p>\r\n";
    page += "<table><tr><th colspan=5>Pr\xE9visions</th></tr>\r\n<tr><th>Jour</th><th>Ciel</th></tr>\r\n";
    page += rows;
    page += "</table><p>fin</p></body></html>";
    return page;
}

const std::string kFranceHeading = "Nubra de Achenheim Actualis\xE9 le 8 d\xE9" "cembre \xE0 16h00";
const std::string kFranceAttribution = "Par Nubra France - meteo.test";

std::string franceText(const std::vector<std::string>& ephemeris, const std::vector<std::string>& rows)
{
    std::vector<std::string> all = {kFranceHeading, kFranceAttribution, "\xE9ph\xE9m\xE9ride"};
    all.insert(all.end(), ephemeris.begin(), ephemeris.end());
    all.push_back("");
    all.insert(all.end(), rows.begin(), rows.end());
    return lines(all);
}

std::string walkFrance(const std::string& page)
{
    return WalkFrancePage(page, "Achenheim", "meteo.test");
}

TEST(FranceWalk, EphemerisParagraphsBecomeLines)
{
    struct Case {
        const char* what;
        std::string block;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"sun and moon", "<div><p class='sunrise'>Lever 08h21</p><p class='moonrise'>Lever 14h02</p></div>",
         {"Soleil : Lever 08h21", "Lune : Lever 14h02"}},
        {"plain paragraph", "<div><p>Saint Ambroise</p></div>", {"Saint Ambroise"}},
        {"heading joins the next paragraph", "<div><h3>Demain</h3><p>Saint Ambroise</p></div>",
         {"DemainSaint Ambroise"}},
        {"spaces are kept", "<div>  <p> a </p>\r\n</div>", {"   a "}},
        {"nested div does not end the block",
         "<div><div class='x'><p>A</p></div><p>B</p></div>", {"A", "B"}},
        {"text after the last paragraph is dropped", "<div><p>A</p>reste</div>", {"A"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkFrance(francePage(c.block, "")), franceText(c.expected, {})) << c.what;
}

TEST(FranceWalk, TableRowsBecomeLines)
{
    struct Case {
        const char* what;
        std::string rows;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"full row",
         "<tr><td>Lundi</td><td><img alt='Ensoleill\xE9'></td><td>12\xB0" "C</td><td>20 km/h</td><td>45 km/h</td></tr>",
         {"Lundi Ensoleill\xE9 : 12\xB0" "C, 20 km/hRafales: 45 km/h"}},
        {"dash and spaces contribute nothing", "<tr><td>-</td><td>   </td><td>x</td></tr>", {": x, "}},
        {"one empty cell", "<tr><td></td></tr>", {""}},
        {"three empty cells", "<tr><td></td><td></td><td></td></tr>", {": , "}},
        {"picture without alt", "<tr><td><img src=a.gif></td><td><img ALT='x'></td></tr>", {"    : "}},
        {"header cells do not count", "<tr><th>a</th><th>b</th><td>c</td></tr>", {"abc"}},
        {"two rows", "<tr><td>A</td></tr>\r\n<tr><td>B</td></tr>", {"A", "B"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkFrance(francePage("<div><p>e</p></div>", c.rows)), franceText({"e"}, c.expected)) << c.what;
}

TEST(FranceWalk, MissingPiecesGiveEmptyText)
{
    const std::string block = "<div><p>e</p></div>";
    EXPECT_EQ(walkFrance(""), "");
    EXPECT_EQ(walkFrance(francePage(block, "", false)), "") << "no update time";
    std::string noMarker = francePage(block, "");
    noMarker.replace(noMarker.find(".cityWeather"), 12, ".cityweather");
    EXPECT_EQ(walkFrance(noMarker), "") << "marker is case-sensitive";
    // The page ends inside the ephemeris block.
    EXPECT_EQ(walkFrance("x .cityWeather <div><div><p>a</p>"), "");
    EXPECT_EQ(walkFrance("x .cityWeather <div><div><p>a</p></div>"), "") << "ends on the block's last tag";
}

TEST(FranceWalk, PageCutShortInTheTableKeepsCompleteRows)
{
    const std::string page = francePage("<div><p>e</p></div>", "<tr><td>A</td></tr><tr><td>B</td></tr>");
    const std::string full = walkFrance(page);
    ASSERT_EQ(full, franceText({"e"}, {"A", "B"}));
    const std::size_t cut = page.find("<tr><td>B");
    EXPECT_EQ(walkFrance(page.substr(0, cut + 9)), franceText({"e"}, {"A"}));
    // Cut before the table: heading and ephemeris only.
    const std::size_t beforeTable = page.find("<table>");
    EXPECT_EQ(walkFrance(page.substr(0, beforeTable)),
              lines({kFranceHeading, kFranceAttribution, "\xE9ph\xE9m\xE9ride", "e"}));
}

TEST(FranceWalk, EntitiesAndLineBreaksAreDecodedFirst)
{
    const std::string page = francePage("<div><p class=\"sunrise\">Lever&nbsp;8h\r\n</p></div>",
                                        "<tr><td>Mardi</td><td><img alt='Pluie'></td><td>7&deg;C</td></tr>");
    EXPECT_EQ(walkFrance(page), franceText({"Soleil : Lever 8h  "}, {"Mardi Pluie : 7\xB0" "C, "}));
}

// ---------------------------------------------------------- Switzerland

std::string suissePage(const std::string& rows, bool withHeading = true)
{
    std::string page = "<html><body><table class='nav'><tr><td>menu</td></tr></table>\r\n";
    if (withHeading)
        page += "<h1>Pr\xE9visions pour 1200 Gen\xE8ve</h1>";
    page += "<table><tr><th>Jour</th><th>Temps</th></tr>\r\n" + rows + "</table></body></html>";
    return page;
}

std::string suisseText(const std::vector<std::string>& rows)
{
    std::vector<std::string> all = {"Pr\xE9visions pour GEN\xC8VE", "Par Nubra Suisse - suisse.test", ""};
    all.insert(all.end(), rows.begin(), rows.end());
    return lines(all);
}

std::string walkSuisse(const std::string& page)
{
    return WalkSuissePage(page, "GEN\xC8VE", "suisse.test");
}

const std::string kSuisseRow =
    "<tr><td>Lu, 07.12.</td><td><img alt='ensoleill\xE9'></td><td>-2|5\xB0</td><td>80%</td><td>0 mm</td><td>10%</td></tr>";
const std::string kSuisseDay =
    "Lundi 07 D\xE9" "cembre\r\nTemps : ensoleill\xE9\r\nTemp\xE9rature de -2 \xE0 5\xB0\r\nEnsoleillement 80%\r\n"
    "Pr\xE9" "cipitations 0 mm\r\nProbabilit\xE9 de rafales de vent > 45 km/h de 10%";

TEST(SuisseWalk, DayRowsBecomeBlocks)
{
    struct Case {
        const char* what;
        std::string rows;
        std::vector<std::string> expected;
    };
    std::string withoutGusts = kSuisseRow;
    withoutGusts.erase(withoutGusts.find("<td>10%</td>"), 12);
    const Case cases[] = {
        {"full row", kSuisseRow, {kSuisseDay}},
        {"no sixth cell ends in a line break",
         withoutGusts, {kSuisseDay.substr(0, kSuisseDay.find("Probabilit"))}},
        {"temperature without bar", "<tr><td></td><td></td><td>7</td></tr>", {"Temp\xE9rature de  \xE0 \xB0\r\n"}},
        {"temperature with empty high", "<tr><td></td><td></td><td>3|</td></tr>", {"Temp\xE9rature de 3 \xE0 \xB0\r\n"}},
        {"no day abbreviation", "<tr><td>Xy, 07.12.</td></tr>", {"07 D\xE9" "cembre\r\n"}},
        {"second cell's text is never output", "<tr><td></td><td>Soleil<img alt='beau'></td></tr>",
         {"Temps : beau\r\n"}},
        {"picture without alt", "<tr><td><img src=x></td></tr>", {"Temps : \r\n"}},
        {"header cells do not count", "<tr><th></th><th></th><td>Ma, 01.02.</td></tr>", {"Mardi 01 F\xE9vrier\r\n"}},
        {"seventh cell and beyond", "<tr><td></td><td></td><td></td><td></td><td></td><td></td><td>x</td><td>y</td></tr>",
         {"xy"}},
        {"two rows", "<tr><td>Ma, 08.12.</td></tr><tr><td>Me, 09.12.</td></tr>",
         {"Mardi 08 D\xE9" "cembre\r\n", "Mercredi 09 D\xE9" "cembre\r\n"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkSuisse(suissePage(c.rows)), suisseText(c.expected)) << c.what;
}

TEST(SuisseWalk, WithoutHeadingTheFirstTableIsUsed)
{
    // The navigation table comes first: its first row is skipped, its end
    // ends the walk.
    EXPECT_EQ(walkSuisse(suissePage(kSuisseRow, false)), suisseText({}));
    EXPECT_EQ(walkSuisse("<table><tr><td>t</td></tr>" + kSuisseRow + "</table>"), suisseText({kSuisseDay}));
}

TEST(SuisseWalk, EmptyAndCutShortPages)
{
    EXPECT_EQ(walkSuisse(""), "");
    EXPECT_EQ(walkSuisse("<p>rien</p>"), lines({"Pr\xE9visions pour GEN\xC8VE", "Par Nubra Suisse - suisse.test"}));
    const std::string page = suissePage(kSuisseRow + "<tr><td>Ma, 08.12.</td>");
    const std::string cut = page.substr(0, page.rfind("</table>"));
    EXPECT_EQ(walkSuisse(cut), suisseText({kSuisseDay}));
}

TEST(SuisseWalk, BadDateCellFailsWithConversionMessage)
{
    try {
        walkSuisse(suissePage("<tr><td>Lu, 07.xy.</td></tr>"));
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "'xy' n'est pas une valeur enti\xE8re correcte");
    }
}

TEST(ExpandDate, WritesOutDayAndMonth)
{
    struct Case {
        std::string date, expected;
    };
    const Case cases[] = {
        {"Lu, 07.12.", "Lundi 07 D\xE9" "cembre"},
        {"Di, 01.01.", "Dimanche 01 Janvier"},
        {"Sa, 15.08.", "Samedi 15 Ao\xFBt"},
        {"Je, 03. 2.", "Jeudi 03 F\xE9vrier"}, // leading space before the month
        {"Xy, 07.12.", "07 D\xE9" "cembre"},
        {"lu, 07.12.", "07 D\xE9" "cembre"},     // abbreviations are case-sensitive
        {"Lu, 07.13.", "Lundi 07 13"},          // month out of range: kept as written
        {"Lu, 07.00.", "Lundi 07 00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandDate(c.date), c.expected) << c.date;
    for (const char* bad : {"Lu, 07.1a.", "Lu", "", "Lu, 07.-."})
        EXPECT_THROW(ExpandDate(bad), std::runtime_error) << bad;
}

// ----------------------------------------------------------------- Canada

std::string walkCanada(const std::string& page)
{
    return WalkCanadaPage(page, "Airdrie", "site.test");
}

std::string canadaText(const std::vector<std::string>& found)
{
    std::vector<std::string> all = {"Nubra de Airdrie", "Par Nubra Canada - site.test"};
    all.insert(all.end(), found.begin(), found.end());
    return lines(all);
}

TEST(CanadaWalk, BoxesGiveOneLinePerEntry)
{
    struct Case {
        const char* what;
        std::string page;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"term and definition",
         "<div class='theDefListsBox'><dl><dt>Ce soir et cette nuit</dt><dd>Nuageux. Minimum moins 5.</dd></dl></div>",
         {"Ce soir et cette nuit Nuageux. Minimum moins 5."}},
        {"token after the opening tag is skipped", "<div class='theDefListsBox'>Alerte</div>", {}},
        {"heading and paragraph",
         "<div class='theDefListsBox'><h2>Pr\xE9visions</h2><p>Ensoleill\xE9.</p></div>",
         {"Pr\xE9visions", "Ensoleill\xE9."}},
        {"box ends at the first /div", "<div class='theDefListsBox'><i></i><div>A</div><p>B</p></div>", {"A"}},
        {"two boxes in page order",
         "<div class='theDefListsBox'> <p>1</p></div><p>hors</p><div class='theDefListsBox'> <p>2</p></div>",
         {"1", "2"}},
        {"spaces are kept", "<div class='theDefListsBox'>\r\n<p> a </p>\r\n</div>", {" a "}},
        {"lines without letters dropped", "<div class='theDefListsBox'> <p> - </p><p>x</p></div>", {"x"}},
        {"no box", "<p>Rien</p>", {}},
        {"other class not recognised", "<div class='theDefListsBox big'> <p>x</p></div>", {}},
        {"unquoted last class keeps '>'", "<div class=theDefListsBox> <p>x</p></div>", {}},
        {"page ends inside a box",
         "<div class='theDefListsBox'> <p>a</p><p>b", {"a"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkCanada(c.page), canadaText(c.expected)) << c.what;
    EXPECT_EQ(walkCanada(""), "");
}

// ---------------------------------------------------------------- Belgium

std::string walkBelgique(const std::string& page)
{
    return WalkBelgiquePage(page, "Aaigem", "be.test");
}

std::string belgiqueText(const std::vector<std::string>& found)
{
    std::vector<std::string> all = {"Pr\xE9visions pour Aaigem", "Nubra Belge - http://be.test"};
    all.insert(all.end(), found.begin(), found.end());
    return lines(all);
}

TEST(BelgiqueWalk, ListItemsBecomeLines)
{
    const std::string marker = std::string(BelgiqueMarker);
    struct Case {
        const char* what;
        std::string page;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"walk ends at the enclosing element's end",
         "<div>" + marker + "<ul><li>Lundi</li><li>Mardi</li></ul></div></div><ul><li>Apr\xE8s</li></ul>",
         {"Lundi", "Mardi", ""}},
        {"runs without letters are dropped", marker + "<ul><li><b>Lundi</b> <i>12\xB0</i></li></ul></div></div>x",
         {"Lundi12\xB0", ""}},
        {"text after the last item is not output", marker + "<ul><li>A</li></ul><p>Remarque</p></div></div>x",
         {"A", ""}},
        {"marker is exact", "<div class='climat-content'><ul><li>A</li></ul></div><li>B</li>xx", {"A", "", "B"}},
        {"no marker: whole page", "<ul><li>A</li></ul><div><ul><li>B</li></ul></div>x", {"A", "", "B", ""}},
        {"last token not handled", marker + "<ul><li>A</li>", {}},
        {"token with one character left not handled", marker + "<ul><li>A</li>x", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(walkBelgique(c.page), belgiqueText(c.expected)) << c.what;
    EXPECT_EQ(walkBelgique(""), "");
}

// ---------------------------------------------------------- All sources

// Every walk ends at the end of the page, whatever the markup: a page that
// is nothing but unclosed nesting, or a tag that never ends, is walked once.
TEST(AllWalks, EndOnHostileMarkupInLinearTime)
{
    const std::size_t size = 1u << 20;
    std::string nesting;
    nesting.reserve(size + 64);
    nesting += ".cityWeather Actualis Pr\xE9visions pour " + std::string(BelgiqueMarker);
    while (nesting.size() < size)
        nesting += "<div class='theDefListsBox'><table><tr><td>x</td>";
    std::string openTag = ".cityWeather <div><div> Actualis <table";
    openTag.append(size, 'a');
    for (const std::string* page : {&nesting, &openTag}) {
        EXPECT_EQ(WalkFrancePage(*page, "n", "h"), "");
        EXPECT_NO_THROW(WalkSuissePage(*page, "n", "h"));
        EXPECT_NO_THROW(WalkCanadaPage(*page, "n", "h"));
        EXPECT_NO_THROW(WalkBelgiquePage(*page, "n", "h"));
    }
}

TEST(SourceRequests, PathsAndQueries)
{
    EXPECT_EQ(FranceForecastPath("67001"),
              "/jsp/site/Portal.jsp?page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F670010");
    EXPECT_EQ(SuisseForecastPath(1200),
              "/web/fr/meteo/previsions_en_detail/prevision_par_localite.html?language=fr&plz=1200&x=0&y=0");
    EXPECT_EQ(CanadaForecastPath("AB-12"), "/forecast/city_f.html?AB-12&unit=m");
    EXPECT_EQ(CanadaForecastPath("QC-D4"), "/forecast/city_f.html?QC-D4&unit=m");
    EXPECT_EQ(BelgiqueForecastPath(6450), "/index.php?place=ville&ville=Bruxelles&station=6450");
    EXPECT_EQ(BelgiqueForecastPath(6400), "/index.php?place=ville&ville=Bruxelles&station=6400");
}

// ------------------------------------------------------- Saved pages

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Each saved page (tests/data/<case>.html) with the text its walk gives
// (<case>.txt), under the default hosts.
TEST(SavedPages, GiveTheirExpectedText)
{
    struct Case {
        const char* stem;
        int country;
        const char* name;
    };
    const Case cases[] = {
        {"france_commune_75056", 0, "Paris"},
        {"france_no_update_marker", 0, "Paris"},
        {"france_cut_in_table", 0, "Paris"},
        {"suisse_npa_1200", 1, "GEN\xC8VE"},
        {"suisse_without_heading", 1, "GEN\xC8VE"},
        {"canada_two_boxes_qc147", 2, "Qu\xE9" "bec"},
        {"canada_no_box", 2, "Qu\xE9" "bec"},
        {"belgique_station_6450", 3, "Aaigem"},
        {"belgique_no_marker", 3, "Aaigem"},
    };
    const TServiceHosts hosts = DefaultServiceHosts();
    for (const Case& c : cases) {
        const std::string base = std::string(NUBRA_TEST_DATA) + "/" + c.stem;
        const std::string page = readFile(base + ".html");
        ASSERT_FALSE(page.empty()) << c.stem;
        std::string text;
        switch (c.country) {
        case 0: text = WalkFrancePage(page, c.name, hosts.France); break;
        case 1: text = WalkSuissePage(page, c.name, hosts.Suisse); break;
        case 2: text = WalkCanadaPage(page, c.name, hosts.CanadaSite); break;
        default: text = WalkBelgiquePage(page, c.name, hosts.Belgique); break;
        }
        EXPECT_EQ(text, readFile(base + ".txt")) << c.stem;
    }
}

// ------------------------------------------------------ Replica pages

constexpr std::int64_t kDay = 20795; // 2026-12-08, a Tuesday

std::size_t countLines(const std::string& text)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        n += text[i] == '\r' && text[i + 1] == '\n';
    return n;
}

TEST(ReplicaPages, WalkIntoFullForecasts)
{
    const std::string france = WalkFrancePage(replica::FranceCommunePage("67001", kDay), "Achenheim", "h");
    EXPECT_EQ(france.rfind("Nubra de Achenheim Actualis\xE9 le mardi 8 d\xE9" "cembre 2026 \xE0 ", 0), 0u) << france;
    EXPECT_NE(france.find("Soleil : Lever 0"), std::string::npos) << france;
    EXPECT_NE(france.find("\r\nLune : Lever "), std::string::npos) << france;
    EXPECT_EQ(countLines(france), 7u + 8u) << france;  // 6 + empty line + 8 periods
    EXPECT_EQ(france.find('&'), std::string::npos) << "entities left: " << france;

    const std::string suisse = WalkSuissePage(replica::SuissePage("1200", kDay), "GEN\xC8VE", "h");
    EXPECT_NE(suisse.find("\r\n\r\nMardi 08 D\xE9" "cembre\r\nTemps : "), std::string::npos) << suisse;
    EXPECT_EQ(countLines(suisse), 3u + 5u * 6u) << suisse;

    const std::string canada = WalkCanadaPage(replica::CanadaPage("AB-12", kDay), "Airdrie", "h");
    EXPECT_NE(canada.find("Ce soir et cette nuit "), std::string::npos) << canada;
    EXPECT_EQ(countLines(canada), 2u + 4u + 6u) << canada;

    const std::string belgique = WalkBelgiquePage(replica::BelgiquePage("6450", kDay), "Aaigem", "h");
    EXPECT_NE(belgique.find("\r\nMardi 8 : "), std::string::npos) << belgique;
    EXPECT_EQ(countLines(belgique), 2u + 5u + 1u) << belgique;
}

TEST(ReplicaPages, VaryWithPlaceAndDayOnly)
{
    EXPECT_EQ(replica::SuissePage("1200", kDay), replica::SuissePage("1200", kDay));
    EXPECT_NE(replica::SuissePage("1200", kDay), replica::SuissePage("1201", kDay));
    EXPECT_NE(replica::SuissePage("1200", kDay), replica::SuissePage("1200", kDay + 1));
    EXPECT_NE(replica::FranceCommunePage("67001", kDay), replica::FranceCommunePage("67002", kDay));
    EXPECT_NE(replica::CanadaPage("AB-12", kDay), replica::CanadaPage("AB-13", kDay));
    EXPECT_NE(replica::BelgiquePage("6450", kDay), replica::BelgiquePage("6450", kDay + 1));
}

// Cutting a replica page anywhere never upsets a walk: a prefix gives a
// prefix of the full forecast's lines (whole lines only, or nothing).
TEST(ReplicaPages, EveryPrefixGivesWholeLinesOrNothing)
{
    struct Case {
        std::string page;
        std::string (*walk)(std::string_view, std::string_view, std::string_view);
        std::string marker; // before its end, a walk may take another road
    };
    const Case cases[] = {
        {replica::FranceCommunePage("67001", kDay), WalkFrancePage, "Actualis"},
        {replica::SuissePage("1200", kDay), WalkSuissePage, "Pr\xC3\xA9visions pour"},
        {replica::CanadaPage("AB-12", kDay), WalkCanadaPage, "<"},
        {replica::BelgiquePage("6450", kDay), WalkBelgiquePage, std::string(BelgiqueMarker)},
    };
    for (const Case& c : cases) {
        const std::string full = c.walk(c.page, "n", "h");
        for (std::size_t cut = 0; cut < c.page.size(); ++cut) {
            std::string text;
            try {
                text = c.walk(std::string_view(c.page).substr(0, cut), "n", "h");
            } catch (const std::runtime_error& error) {
                // A Swiss date cell cut before its month is a bad date.
                ASSERT_EQ(c.walk, &WalkSuissePage) << "cut at " << cut << ": " << error.what();
                continue;
            }
            const bool wholeLines = text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
            ASSERT_TRUE(wholeLines) << "cut at " << cut;
            // Past the heading (whose France line ends with a text run the
            // cut may shorten), every complete line but the last matches the
            // full text; the last may still be open at the cut, as the
            // Belgian walk ends a line at each "/li" it reaches.
            if (text.empty() || cut < c.page.find(c.marker) + c.marker.size())
                continue;
            const std::string body = text.substr(text.find("\r\n") + 2);
            const std::string fullBody = full.substr(full.find("\r\n") + 2);
            const std::size_t stable = body.size() < 3 ? 0 : body.rfind("\r\n", body.size() - 3);
            if (stable != std::string::npos && stable > 0) {
                ASSERT_EQ(fullBody.compare(0, stable, body, 0, stable), 0) << "cut at " << cut;
            }
        }
    }
}

TEST(ReplicaAnswers, FranceSessionAndUnknownPaths)
{
    const replica::TAnswer home = replica::AnswerRequest("/france/accueil", "", kDay);
    ASSERT_EQ(home.Status, 200u);
    std::string cookie;
    for (const auto& [name, value] : home.Headers) {
        if (name == "Set-Cookie")
            cookie = value.substr(0, value.find(';'));
    }
    ASSERT_FALSE(cookie.empty());
    EXPECT_TRUE(replica::HasFranceSession("a=b; " + cookie));
    EXPECT_FALSE(replica::HasFranceSession(""));
    EXPECT_FALSE(replica::HasFranceSession("JSESSIONID=00000000000000000000000000000000"));

    const std::string commune = "/jsp/site/Portal.jsp?page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F670010";
    const replica::TAnswer withSession = replica::AnswerRequest(commune, cookie, kDay);
    EXPECT_EQ(withSession.Status, 200u);
    EXPECT_EQ(withSession.Body, replica::FranceCommunePage("67001", kDay));
    const replica::TAnswer without = replica::AnswerRequest(commune, "", kDay);
    EXPECT_EQ(without.Status, 302u);
    EXPECT_EQ(WalkFrancePage(without.Body, "n", "h"), "");

    for (const char* target : {"/", "/france/accueil2", "/forecast/city_f.html?AB%2012&unit=m",
                               "/index.php?place=ville", "/jsp/site/Portal.jsp?page_id=2731"})
        EXPECT_EQ(replica::AnswerRequest(target, cookie, kDay).Status, 404u) << target;
    EXPECT_EQ(replica::AnswerRequest("/forecast/city_f.html?QC-D4&unit=m", "", kDay).Body,
              replica::CanadaPage("QC-D4", kDay));
}

// ------------------------------------------------------------------ Hosts

TEST(ServiceHosts, OverrideValidation)
{
    for (const char* good : {"localhost", "127.0.0.1:8080", "a", "meteo.example.org:1", "x-y.z:65535", "A1.b2"})
        EXPECT_TRUE(IsValidHostOverride(good)) << good;
    for (const char* bad : {"", ":80", "host:", "host:0", "host:65536", "host:080", "host:8a", "-a.b", "a-.b", "a..b",
                            ".a", "a.", "h\xE9te", "a b", "http://a", "a/b", "a:1:2", "[::1]:80", "a_b"})
        EXPECT_FALSE(IsValidHostOverride(bad)) << bad;
    EXPECT_TRUE(IsValidHostOverride(std::string(63, 'a') + ".b"));
    EXPECT_FALSE(IsValidHostOverride(std::string(64, 'a') + ".b"));
    std::string longest = std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
                          std::string(61, 'd');
    EXPECT_TRUE(IsValidHostOverride(longest));
    EXPECT_FALSE(IsValidHostOverride(longest + "d"));
}

TEST(ServiceHosts, OverridesApplyAndBadOnesAreReported)
{
    const TServiceHosts defaults = DefaultServiceHosts();
    for (std::string_view key : ServiceHostKeys) {
        ASSERT_NE(ServiceHostField(defaults, key), nullptr) << key;
        EXPECT_TRUE(IsValidHostOverride(*ServiceHostField(defaults, key))) << key;
    }
    EXPECT_EQ(ServiceHostField(defaults, "France"), nullptr);

    std::vector<std::string> rejected;
    const TServiceHosts hosts = ApplyHostOverrides(
        defaults,
        [](std::string_view key) -> std::optional<std::string> {
            if (key == "france")
                return " 127.0.0.1:4000\t";
            if (key == "suisse")
                return "mauvais h\xF4te";
            if (key == "canada")
                return "";
            if (key == "canada-site")
                return "site.test";
            return std::nullopt;
        },
        &rejected);
    EXPECT_EQ(hosts.France, "127.0.0.1:4000");
    EXPECT_EQ(hosts.Suisse, defaults.Suisse);
    EXPECT_EQ(hosts.Canada, defaults.Canada);
    EXPECT_EQ(hosts.CanadaSite, "site.test");
    EXPECT_EQ(hosts.Belgique, defaults.Belgique);
    EXPECT_EQ(rejected, std::vector<std::string>{"suisse"});
}

} // namespace
} // namespace nubra
