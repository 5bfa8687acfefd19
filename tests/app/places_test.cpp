// The place lists and the selection resolution over small hand-made
// catalogues (parsed from entry bytes made here), and the display-free parts
// of the forecast commands.
#include "commands.h"
#include "places.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue.h"
#include "entry_bytes.h"
#include "hosts.h"
#include "http.h"
#include "profile.h"
#include "recording_http.h"

namespace nubra {
namespace {

using test::EntryBytes;
using test::FillTable;

struct TCommune {
    std::string_view nom;
    std::string departement;
    std::uint8_t region;
};

// "data.fr" bytes of `communes`: each coded <departement>001, postal code
// <departement>000.
EntryBytes franceEntry(std::initializer_list<TCommune> communes) {
    EntryBytes entry(static_cast<std::int32_t>(communes.size()));
    for (const TCommune& c : communes)
        entry.byte(c.region).text(c.departement + "001" + c.departement + "000" + std::string(c.nom));
    return entry;
}

// A small world: Alsace (1) with 67 and 68, Aquitaine (2) with two
// "Castillon" in 64, Corsica (8); Alberta (1) and Quebec (11); Swiss
// entries with one exact duplicate; two Belgian places.
class SmallCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        FillTable(franceEntry({
                      {"Achenheim", "67", 1}, {"Altorf", "67", 1},  {"Colmar", "68", 1},
                      {"Castillon", "64", 2}, {"Pau", "64", 2},     {"Castillon", "64", 2},
                      {"Ajaccio", "2A", 8},   {"Bastia", "2B", 8},
                  }),
                  ParseFranceEntry, tables.FranceEntry, FranceCities);
        FillTable(EntryBytes(4).byte(1).text("AB-1").text("Airdrie").byte(1).text("AB-1").text("Banff")
                      .byte(11).text("AB-1").text("Qu\xE9" "bec").byte(1).text("AB-1").text("Banff"),
                  ParseCanadaEntry, tables.CanadaEntry, CanadaCities);
        FillTable(EntryBytes(3).le16(8355).text("AADORF").le16(3000).text("BERN").le16(3000).text("BERN"),
                  ParseSuisseEntry, tables.SuisseEntry, SuisseCities);
        FillTable(EntryBytes(2).le16(6450).text("'s Gravenwezel").le16(6451).text("Bruxelles"), ParseBelgiqueEntry,
                  tables.BelgiqueEntry, BelgiqueCities);
    }

    TCatalogues tables;
    std::vector<TVilleFrance>& FranceCities = tables.FranceCities;
    std::vector<TVillecanada>& CanadaCities = tables.CanadaCities;
    std::vector<TVilleSuisse>& SuisseCities = tables.SuisseCities;
    std::vector<TVilleBelge>& BelgiqueCities = tables.BelgiqueCities;
};

TEST_F(SmallCatalogue, FranceShowsTheRecordsRegionDepartmentAndCommune) {
    const TCountryView view = CountryView(tables, 1, kFrance);
    EXPECT_EQ(view.Country, kFrance);
    EXPECT_TRUE(view.RegionVisible);
    EXPECT_TRUE(view.DepartmentVisible);
    EXPECT_EQ(view.RegionEnabled, true);
    EXPECT_EQ(view.DepartmentEnabled, true);
    ASSERT_EQ(view.Regions.Items.size(), 22u);
    EXPECT_EQ(view.Regions.Items[0], "Alsace");
    EXPECT_EQ(view.Regions.Selected, 0);
    EXPECT_EQ(view.Departments.Items,
              (std::vector<std::string>{"67 : Bas-Rhin (Strasbourg)", "68 : Haut-Rhin (Colmar)"}));
    EXPECT_EQ(view.Departments.Selected, 0);
    EXPECT_EQ(view.Cities.Items, (std::vector<std::string>{"Achenheim", "Altorf"}));
    EXPECT_EQ(view.Cities.Selected, 1);

    const TCountryView colmar = CountryView(tables, 2, kFrance);
    EXPECT_EQ(colmar.Departments.Selected, 1);
    EXPECT_EQ(colmar.Cities.Items, (std::vector<std::string>{"Colmar"}));
    EXPECT_EQ(colmar.Cities.Selected, 0);
}

TEST_F(SmallCatalogue, DuplicateNamesShowTheLastAndResolveToTheFirst) {
    // Either "Castillon" shown as the stored place selects the second entry.
    for (const std::int32_t city : {3, 5}) {
        const TCountryView view = CountryView(tables, city, kFrance);
        EXPECT_EQ(view.Regions.Selected, 1);
        EXPECT_EQ(view.Departments.Items[view.Departments.Selected], "64 : Pyr\xE9n\xE9" "es-Atlantiques (Pau)");
        EXPECT_EQ(view.Cities.Items, (std::vector<std::string>{"Castillon", "Pau", "Castillon"}));
        EXPECT_EQ(view.Cities.Selected, 2) << "city " << city;
    }
    // Choosing either resolves to the first in catalogue order.
    for (const std::int32_t row : {0, 2}) {
        std::int32_t city = -1, country = -1;
        ResolveSelection(tables, {kFrance, 1, "64 : Pyr\xE9n\xE9" "es-Atlantiques (Pau)", row, "Castillon"}, city, country);
        EXPECT_EQ(country, kFrance);
        EXPECT_EQ(city, 3);
    }
    // Canada: the same rule, by province.
    EXPECT_EQ(CountryView(tables, 3, kCanada).Cities.Selected, 2);
    std::int32_t city = -1, country = -1;
    ResolveSelection(tables, {kCanada, 0, "", 2, "Banff"}, city, country);
    EXPECT_EQ(city, 1);
}

TEST_F(SmallCatalogue, IdenticalSwissEntriesAreToldApartByPosition) {
    const TCountryView view = CountryView(tables, 2, kSuisse);
    EXPECT_EQ(view.Cities.Items, (std::vector<std::string>{"AADORF 8355", "BERN 3000", "BERN 3000"}));
    EXPECT_EQ(view.Cities.Selected, 2);
    EXPECT_FALSE(view.RegionVisible);
    EXPECT_FALSE(view.DepartmentVisible);
    EXPECT_EQ(view.RegionEnabled, false);
    EXPECT_EQ(view.DepartmentEnabled, false);
    for (const std::int32_t row : {1, 2}) {
        std::int32_t city = 0, country = 0;
        ResolveSelection(tables, {kSuisse, -1, "", row, "BERN 3000"}, city, country);
        EXPECT_EQ(country, kSuisse);
        EXPECT_EQ(city, row);
    }
}

TEST_F(SmallCatalogue, CanadaAndBelgiumLists) {
    const TCountryView canada = CountryView(tables, 2, kCanada);
    EXPECT_TRUE(canada.RegionVisible);
    EXPECT_FALSE(canada.DepartmentVisible);
    EXPECT_EQ(canada.RegionEnabled, true);
    EXPECT_EQ(canada.DepartmentEnabled, false);
    ASSERT_EQ(canada.Regions.Items.size(), 13u);
    EXPECT_EQ(canada.Regions.Selected, 10);
    EXPECT_TRUE(canada.Departments.Items.empty());
    EXPECT_EQ(canada.Cities.Items, (std::vector<std::string>{"Qu\xE9" "bec"}));

    const TCountryView belgium = CountryView(tables, 0, kBelgique);
    EXPECT_EQ(belgium.Cities.Items, (std::vector<std::string>{"'s Gravenwezel", "Bruxelles"}));
    EXPECT_EQ(belgium.Cities.Selected, 0);
    EXPECT_FALSE(belgium.RegionVisible);
}

TEST_F(SmallCatalogue, InvalidIndicesShowTheCountryWithNothingSelected) {
    for (const std::int32_t city : {-1, 8, 100000}) {
        const TCountryView france = CountryView(tables, city, kFrance);
        EXPECT_EQ(france.Regions.Items.size(), 22u);
        EXPECT_EQ(france.Regions.Selected, -1);
        EXPECT_TRUE(france.Departments.Items.empty());
        EXPECT_TRUE(france.Cities.Items.empty());
        EXPECT_EQ(france.Cities.Selected, -1);
        EXPECT_TRUE(france.DepartmentVisible);
    }
    const TCountryView canada = CountryView(tables, 4, kCanada);
    EXPECT_EQ(canada.Regions.Items.size(), 13u);
    EXPECT_EQ(canada.Regions.Selected, -1);
    EXPECT_TRUE(canada.Cities.Items.empty());

    const TCountryView suisse = CountryView(tables, 3, kSuisse);
    EXPECT_EQ(suisse.Cities.Items.size(), 3u);
    EXPECT_EQ(suisse.Cities.Selected, -1);

    // An empty table: index 0 is no more valid than any other.
    BelgiqueCities.clear();
    const TCountryView empty = CountryView(tables, 0, kBelgique);
    EXPECT_TRUE(empty.Cities.Items.empty());
    EXPECT_EQ(empty.Cities.Selected, -1);
    EXPECT_FALSE(IsValidPlace(tables, kBelgique, 0));
    EXPECT_TRUE(IsValidPlace(tables, kSuisse, 2));
    EXPECT_FALSE(IsValidPlace(tables, kSuisse, 3));
    EXPECT_FALSE(IsValidPlace(tables, 7, 0));
}

TEST_F(SmallCatalogue, UnknownCountrySelectsNothingAndLeavesEnablingAlone) {
    const TCountryView view = CountryView(tables, 0, 7);
    EXPECT_EQ(view.Country, -1);
    EXPECT_FALSE(view.RegionVisible);
    EXPECT_FALSE(view.DepartmentVisible);
    EXPECT_FALSE(view.RegionEnabled.has_value());
    EXPECT_FALSE(view.DepartmentEnabled.has_value());
    EXPECT_TRUE(view.Regions.Items.empty());
    EXPECT_TRUE(view.Cities.Items.empty());

    std::int32_t city = 5, country = 0;
    ResolveSelection(tables, {7, 0, "", 0, "Achenheim"}, city, country);
    EXPECT_EQ(country, 7);
    EXPECT_EQ(city, 5);
}

TEST_F(SmallCatalogue, ResolutionWithoutAMatchKeepsTheCity) {
    // The lists hold French communes while the country list says Canada.
    std::int32_t city = 6, country = 0;
    ResolveSelection(tables, {kCanada, 0, "", 0, "Achenheim"}, city, country);
    EXPECT_EQ(country, kCanada);
    EXPECT_EQ(city, 6);
    // A commune of the right name in another region's department.
    ResolveSelection(tables, {kFrance, 2, "67 : Bas-Rhin (Strasbourg)", 0, "Achenheim"}, city, country);
    EXPECT_EQ(city, 6);
    ResolveSelection(tables, {kFrance, 0, "67 : Bas-Rhin (Strasbourg)", 0, "Achenheim"}, city, country);
    EXPECT_EQ(city, 0);
}

TEST_F(SmallCatalogue, CorsicaAndRegionChanges) {
    EXPECT_EQ(RegionDepartments(8),
              (std::vector<std::string>{"2A : Corse-du-Sud (Ajaccio)", "2B : Haute-Corse (Bastia)"}));
    EXPECT_EQ(DepartmentCommunes(tables, "2B : Haute-Corse (Bastia)"), (std::vector<std::string>{"Bastia"}));
    const TCountryView ajaccio = CountryView(tables, 6, kFrance);
    EXPECT_EQ(ajaccio.Regions.Selected, 7);
    EXPECT_EQ(ajaccio.Departments.Selected, 0);
    EXPECT_EQ(ajaccio.Cities.Items, (std::vector<std::string>{"Ajaccio"}));
    std::int32_t city = 0, country = 0;
    ResolveSelection(tables, {kFrance, 7, "2B : Haute-Corse (Bastia)", 0, "Bastia"}, city, country);
    EXPECT_EQ(city, 7);

    const auto ileDeFrance = RegionDepartments(10);
    ASSERT_EQ(ileDeFrance.size(), 8u);
    EXPECT_TRUE(std::is_sorted(ileDeFrance.begin(), ileDeFrance.end()));
    EXPECT_EQ(ileDeFrance.front(), "75 : Paris (Paris)");
    EXPECT_TRUE(RegionDepartments(0).empty());
    EXPECT_TRUE(RegionDepartments(23).empty());
    EXPECT_EQ(GroupCities(tables, *FindCountry(kCanada), 1), (std::vector<std::string>{"Airdrie", "Banff", "Banff"}));
    EXPECT_TRUE(GroupCities(tables, *FindCountry(kSuisse), 1).empty());
}

TEST(SortedList, AddReportsThePositionInTextOrder) {
    std::vector<std::string> list;
    EXPECT_EQ(AddSorted(list, "68 : b"), 0);
    EXPECT_EQ(AddSorted(list, "67 : a"), 0);
    EXPECT_EQ(AddSorted(list, "2A : c"), 0);
    EXPECT_EQ(AddSorted(list, "67 : a"), 2);  // after its equal
    EXPECT_EQ(list, (std::vector<std::string>{"2A : c", "67 : a", "67 : a", "68 : b"}));
}

TEST(ErrorBox, TitleFromTheExecutableName) {
    // The first character keeps its case; every later letter is lowered.
    EXPECT_EQ(ApplicationTitle("/usr/bin/nubra"), "nubra");
    EXPECT_EQ(ApplicationTitle("NUBRA.EXE"), "Nubra");
    EXPECT_EQ(ApplicationTitle("./build/app/nubra.bin.old"), "nubra");
    EXPECT_EQ(ApplicationTitle("/opt/\xC9T\xC9"), "\xC9t\xE9");
    EXPECT_EQ(ApplicationTitle("/opt/\xE9T\xC9"), "\xE9t\xE9");
    EXPECT_EQ(ApplicationTitle("app_Tests"), "app_tests");
    EXPECT_EQ(ApplicationTitle(""), "");
}

TEST(ErrorBox, FullStopAddedWhenTheLastByteSortsAfterIt) {
    EXPECT_EQ(ErrorBoxText("Erreur HTTP 404"), "Erreur HTTP 404.");
    EXPECT_EQ(ErrorBoxText("Ressource data non trouv\xE9" "e"), "Ressource data non trouv\xE9" "e.");
    EXPECT_EQ(ErrorBoxText("Op\xE9ration annul\xE9" "e."), "Op\xE9ration annul\xE9" "e.");
    EXPECT_EQ(ErrorBoxText("(x)"), "(x)");  // ')' sorts before '.'
    EXPECT_EQ(ErrorBoxText("a-"), "a-");
    EXPECT_EQ(ErrorBoxText("a/"), "a/.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

// An HTTP client that records what it is asked and answers an empty page.
struct TRecordingHttp : test::TRecordingHttp {
    TRecordingHttp() : test::TRecordingHttp(TMissingPage::Empty) {}
};


TEST_F(SmallCatalogue, FetchForecastChecksTheIndexBeforeFetching) {
    const TServiceHosts hosts = DefaultServiceHosts();
    const TSourceChoice classic = AllOn("classique");
    TRecordingHttp http;
    EXPECT_FALSE(FetchForecast(tables, hosts, 7, 0, http, classic).has_value());
    EXPECT_FALSE(FetchForecast(tables, hosts, -1, 0, http, classic).has_value());
    EXPECT_TRUE(http.Requests.empty());

    try {
        FetchForecast(tables, hosts, kCanada, 4, http, classic);
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Ville inconnue : le catalogue Canada n'a pas de ville num\xE9ro 4");
    }
    EXPECT_THROW(FetchForecast(tables, hosts, kFrance, -1, http, classic), std::runtime_error);
    EXPECT_TRUE(http.Requests.empty());

    // A valid place goes to its country's source.
    EXPECT_TRUE(FetchForecast(tables, hosts, kSuisse, 0, http, classic).has_value());
    ASSERT_EQ(http.Requests.size(), 1u);
    EXPECT_NE(http.Requests[0].find("8355"), std::string::npos);
}

// The country table: one row per index, found by key or index, each
// record's fields in declared order, and the fetch refusing an index its
// table does not hold before anything is fetched.
TEST_F(SmallCatalogue, CountryRowsDescribeEachCountry) {
    ASSERT_EQ(Countries().size(), 7u);
    for (const TCountry& row : Countries()) {
        EXPECT_EQ(FindCountry(row.Index), &row);
        EXPECT_EQ(FindCountry(row.Key), &row);
        EXPECT_EQ(FindCountry(std::to_string(row.Index)), &row);
        EXPECT_EQ(CountryName(row.Index), row.Name);
    }
    EXPECT_EQ(FindCountry(7), nullptr);
    EXPECT_EQ(FindCountry("FRANCE"), nullptr);
    EXPECT_EQ(FindCountry(" 0"), nullptr);
    EXPECT_EQ(FindCountry(kCanada)->CityCount(tables), 4);
    EXPECT_EQ(FindCountry(kSuisse)->CityName(tables, 1), "BERN");
    EXPECT_EQ(FindCountry(kFrance)->CityFields(tables, 0),
              (std::vector<std::string>{"67000", "67001", "67", "Achenheim", "1"}));
    EXPECT_EQ(FindCountry(kBelgique)->CityFields(tables, 1), (std::vector<std::string>{"Bruxelles", "6451"}));

    const TServiceHosts hosts = DefaultServiceHosts();
    TRecordingHttp http;
    const std::pair<std::int32_t, std::int32_t> outside[] = {{kFrance, 8}, {kFrance, -1}, {kSuisse, 3},
                                                              {kCanada, 4}, {kBelgique, 2147483647}};
    const char* messages[] = {"Aucune ville d'indice 8 en France", "Aucune ville d'indice -1 en France",
                              "Aucune ville d'indice 3 en Suisse", "Aucune ville d'indice 4 au Canada",
                              "Aucune ville d'indice 2147483647 en Belgique"};
    for (std::size_t i = 0; i < std::size(outside); ++i) {
        try {
            const TCountry& country = *FindCountry(outside[i].first);
            FetchCityForecast(country, tables, outside[i].second, hosts, http, *FindSource(country, "classique"));
            ADD_FAILURE() << messages[i];
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), messages[i]);
        }
    }
    EXPECT_TRUE(http.Requests.empty());
}

class TempConfig : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "nubra-places-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(TempConfig, DefaultPlaceIsWrittenCityFirstAndReadBack) {
    const auto file = (dir_ / "nubra.ini").string();
    EXPECT_EQ(ReadDefaultPlace(file).Country, 0);
    EXPECT_EQ(ReadDefaultPlace(file).City, 0);
    WriteDefaultPlace(file, {2, 17});
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "[general]\nvilledefaut=17\nPays=2\n");
    EXPECT_EQ(ReadDefaultPlace(file).Country, 2);
    EXPECT_EQ(ReadDefaultPlace(file).City, 17);

    // The settings file is a folder: the first write fails, nothing else is tried.
    const auto folder = dir_ / "dossier.ini";
    std::filesystem::create_directory(folder);
    EXPECT_THROW(WriteDefaultPlace(folder.string(), {1, 1}), EProfileError);
}

TEST_F(TempConfig, SourcesComeFromTheSourcesSection) {
    const auto file = (dir_ / "nubra.ini").string();
    std::vector<std::string> rejected;
    EXPECT_EQ(SettingsSources(file, rejected), AllOn("open-meteo"));  // no file: Open-Meteo everywhere
    WriteProfileString(file, "sources", "belgique", "open-meteo");
    WriteProfileString(file, "sources", "suisse", "Open-Meteo");
    WriteProfileString(file, "sources", "france", "classique");
    WriteProfileString(file, "sources", "canada", "meteo");
    WriteProfileString(file, "sources", "monaco", "classique");
    const TSourceChoice sources = SettingsSources(file, rejected);
    // A value that is no source, or a source the country does not offer,
    // leaves its country on its default.
    TSourceChoice expected = DefaultSources();
    expected[kFrance] = &kFranceClassique;
    EXPECT_EQ(sources, expected);
    EXPECT_EQ(sources[kMonaco], &kOpenMeteo);
    EXPECT_EQ(rejected, (std::vector<std::string>{"canada", "monaco"}));
    // On the command line, a country without a classic source stays on Open-Meteo.
    EXPECT_EQ(AllOn("CLASSIQUE")[kCanada], &kCanadaClassique);
    EXPECT_EQ(AllOn("classique")[kLuxembourg], &kOpenMeteo);
}

TEST_F(TempConfig, WithoutSettingsTheForecastComesFromOpenMeteoOverHttps) {
    const auto file = (dir_ / "nubra.ini").string();
    std::vector<std::string> rejected;
    const TServiceHosts hosts = SettingsHosts(file, rejected);
    const TSourceChoice sources = SettingsSources(file, rejected);
    TCatalogues tables;
    FillTable(franceEntry({{"Achenheim", "67", 1}}), ParseFranceEntry, tables.FranceEntry, tables.FranceCities);
    TCoordinates positions;
    positions.Sections["fr"] = {{48583300, 7633300}};
    TRecordingHttp http;
    // The recording client answers an empty page, which is no forecast.
    EXPECT_THROW(
        FetchForecast(tables, hosts, kFrance, 0, http, sources, [&]() -> const TCoordinates& { return positions; }),
        std::runtime_error);
    ASSERT_EQ(http.Requests.size(), 1u);
    EXPECT_EQ(http.Requests[0].rfind("https://api.open-meteo.com/v1/forecast?latitude=48.5833&longitude=7.6333&", 0),
              0u)
        << http.Requests[0];
}

TEST_F(TempConfig, HostOverridesComeFromTheServeursSection) {
    const auto file = (dir_ / "nubra.ini").string();
    TServiceHosts base = DefaultServiceHosts();
    base.Belgique = "miroir.example:81";
    WriteProfileString(file, "serveurs", "suisse", "127.0.0.1:8080");
    WriteProfileString(file, "serveurs", "canada", "pas un h\xF4te");
    WriteProfileString(file, "serveurs", "open-meteo", "HTTP://127.0.0.1:8081");
    std::vector<std::string> rejected;
    const TServiceHosts hosts = SettingsHosts(file, rejected, base);
    EXPECT_EQ(rejected, (std::vector<std::string>{"canada"}));
    EXPECT_EQ(hosts.OpenMeteo, "http://127.0.0.1:8081");  // the scheme word in lower case
    // Only a live service takes a scheme, and only http://.
    for (const char* value : {"https://127.0.0.1", "http://127.0.0.1:8081/", "ftp://h", "http://"}) {
        WriteProfileString(file, "serveurs", "open-meteo", value);
        rejected.clear();
        EXPECT_EQ(SettingsHosts(file, rejected).OpenMeteo, DefaultServiceHosts().OpenMeteo) << value;
        EXPECT_EQ(rejected, (std::vector<std::string>{"canada", "open-meteo"})) << value;
    }
    WriteProfileString(file, "serveurs", "suisse", "http://127.0.0.1:8080");
    rejected.clear();
    SettingsHosts(file, rejected);
    EXPECT_EQ(rejected, (std::vector<std::string>{"suisse", "canada", "open-meteo"}));
    WriteProfileString(file, "serveurs", "suisse", "127.0.0.1:8080");
    TCatalogues tables;
    FillTable(EntryBytes(1).le16(8355).text("AADORF"), ParseSuisseEntry, tables.SuisseEntry, tables.SuisseCities);
    TRecordingHttp http;
    FetchForecast(tables, hosts, kSuisse, 0, http, AllOn("classique"));
    ASSERT_EQ(http.Requests.size(), 1u);
    EXPECT_EQ(http.Requests[0].rfind("http://127.0.0.1:8080/", 0), 0u) << http.Requests[0];
    EXPECT_EQ(hosts.Belgique, "miroir.example:81");  // no key: kept
    EXPECT_EQ(hosts.Canada, DefaultServiceHosts().Canada);
    // Without a base, the window and the companion start from the defaults.
    EXPECT_EQ(SettingsHosts(file, rejected).Belgique, DefaultServiceHosts().Belgique);
}

} // namespace
} // namespace nubra
