// The archive the program carries: its four entries load into tables whose
// counts, first records, orders and codes are those data/README.md states.
#include "catalogue.h"
#include "entries.h"
#include "fixed_lists.h"
#include "resource.h"
#include "vunzip.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace nubra {
namespace {

// Lower case without accents, for the Windows-1252 letters of place names.
std::string fold(std::string_view text)
{
    static const std::map<unsigned char, std::string_view> kLetters = {
        {0xC0, "a"}, {0xC2, "a"}, {0xC4, "a"}, {0xC7, "c"}, {0xC8, "e"}, {0xC9, "e"}, {0xCA, "e"},
        {0xCB, "e"}, {0xCE, "i"}, {0xCF, "i"}, {0xD4, "o"}, {0xD6, "o"}, {0xD9, "u"}, {0xDB, "u"},
        {0xDC, "u"}, {0xE0, "a"}, {0xE1, "a"}, {0xE2, "a"}, {0xE4, "a"}, {0xE7, "c"}, {0xE8, "e"},
        {0xE9, "e"}, {0xEA, "e"}, {0xEB, "e"}, {0xEE, "i"}, {0xEF, "i"}, {0xF3, "o"}, {0xF4, "o"},
        {0xF6, "o"}, {0xF9, "u"}, {0xFB, "u"}, {0xFC, "u"}, {0xFF, "y"}, {0x8C, "oe"}, {0x9C, "oe"},
        {0xC6, "ae"}, {0xE6, "ae"},
    };
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
            continue;
        }
        const auto it = kLetters.find(b);
        if (it == kLetters.end())
            ADD_FAILURE() << "unexpected byte " << int(b) << " in " << text;
        else
            out += it->second;
    }
    return out;
}

std::string without(std::string text, std::string_view drop)
{
    std::erase_if(text, [&](char c) { return drop.find(c) != std::string_view::npos; });
    return text;
}

std::string hyphenAsSpace(std::string text)
{
    std::replace(text.begin(), text.end(), '-', ' ');
    return text;
}

class CarriedArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadEmbeddedCatalogues(tables); }
    static void TearDownTestSuite() { tables = {}; }

    static inline TCatalogues tables;
    static inline const std::vector<TVilleFrance>& FranceCities = tables.FranceCities;
    static inline const std::vector<TVillecanada>& CanadaCities = tables.CanadaCities;
    static inline const std::vector<TVilleSuisse>& SuisseCities = tables.SuisseCities;
    static inline const std::vector<TVilleBelge>& BelgiqueCities = tables.BelgiqueCities;
};

TEST_F(CarriedArchive, GivesTheCountsOfItsReadme)
{
    EXPECT_EQ(FranceCities.size(), 36565u);
    EXPECT_EQ(CanadaCities.size(), 780u);
    EXPECT_EQ(SuisseCities.size(), 4266u);
    EXPECT_EQ(BelgiqueCities.size(), 2764u);
}

TEST_F(CarriedArchive, EveryEntryIsConsumedToItsLastByte)
{
    const auto resource = OpenResource("data");
    const auto check = [&](const char* name, auto parse, auto table) {
        SCOPED_TRACE(name);
        resource->Seek(ZipFindEntry(*resource, name));
        TMemoryStream entry;
        ASSERT_EQ(ZipExtract(*resource, entry), ZIP_OK);
        const TEntryParse result = parse(entry.Bytes(), table);
        EXPECT_EQ(static_cast<std::size_t>(result.announced), table.size());
        EXPECT_EQ(result.consumed, entry.Bytes().size());
    };
    check("data.fr", ParseFranceEntry, std::vector<TVilleFrance>());
    check("data.ca", ParseCanadaEntry, std::vector<TVillecanada>());
    check("data.ch", ParseSuisseEntry, std::vector<TVilleSuisse>());
    check("data.be", ParseBelgiqueEntry, std::vector<TVilleBelge>());
    check("data.lu", ParseLieuEntry, std::vector<TLieu>());
    check("data.mc", ParseLieuEntry, std::vector<TLieu>());
    check("data.om", ParseFranceEntry, std::vector<TVilleFrance>());
}

TEST_F(CarriedArchive, FirstRecords)
{
    ASSERT_FALSE(FranceCities.empty());
    EXPECT_EQ(FranceCities[0].Region, 1);
    EXPECT_EQ(FranceCities[0].CodeInsee(), "67001");
    EXPECT_EQ(FranceCities[0].CodePostal(), "67204");
    EXPECT_EQ(FranceCities[0].Departement(), "67");
    EXPECT_EQ(FranceCities[0].Nom(), "Achenheim");

    ASSERT_FALSE(CanadaCities.empty());
    EXPECT_EQ(CanadaCities[0].Province, 1);
    EXPECT_EQ(CanadaCities[0].CodeVille(), "AB-1");
    EXPECT_EQ(CanadaCities[0].Nom(), "Airdrie");

    ASSERT_FALSE(SuisseCities.empty());
    EXPECT_EQ(SuisseCities[0].NPA, 8355);
    EXPECT_EQ(SuisseCities[0].Nom(), "AADORF");

    ASSERT_GE(BelgiqueCities.size(), 3u);
    EXPECT_EQ(BelgiqueCities[0].Nom(), "'S Gravenwezel");
    EXPECT_EQ(BelgiqueCities[0].Station, 6450);
    EXPECT_EQ(BelgiqueCities[1].Nom(), "'S Herenelderen");
    EXPECT_EQ(BelgiqueCities[2].Nom(), "Aaigem");
}

TEST_F(CarriedArchive, FranceIsOrderedByRegionDepartmentAndName)
{
    std::map<std::string, std::size_t> position; // department code -> index in FranceDepartments
    for (std::size_t i = 0; i < FranceDepartments.size(); ++i)
        position[std::string(FranceDepartments[i].substr(5, 2))] = i;

    std::set<std::string> departments;
    for (std::size_t i = 0; i < FranceCities.size(); ++i) {
        const TVilleFrance& c = FranceCities[i];
        const auto it = position.find(std::string(c.Departement()));
        ASSERT_NE(it, position.end()) << c.CodeInsee();
        departments.emplace(c.Departement());
        // The region is the one the department list gives.
        const std::string_view listed = FranceDepartments[it->second];
        ASSERT_EQ(c.Region, std::stoi(std::string(listed.substr(0, 2)))) << c.CodeInsee();
        ASSERT_EQ(c.CodeInsee().substr(0, 2), c.Departement());
        ASSERT_EQ(c.CodeInsee().size(), 5u);
        ASSERT_EQ(c.CodePostal().size(), 5u);
        ASSERT_FALSE(c.Nom().empty());
        if (i == 0)
            continue;
        const TVilleFrance& p = FranceCities[i - 1];
        const std::size_t before = position[std::string(p.Departement())];
        ASSERT_LE(before, it->second) << c.CodeInsee();
        if (before == it->second) {
            ASSERT_LE(hyphenAsSpace(fold(p.Nom())), hyphenAsSpace(fold(c.Nom()))) << p.Nom() << " / " << c.Nom();
        }
    }
    EXPECT_EQ(departments.size(), 96u);
}

TEST_F(CarriedArchive, CorsicanDepartmentsAreTextCodes)
{
    std::map<std::string, int> corsica;
    for (const TVilleFrance& c : FranceCities)
        if (c.Region == 8)
            ++corsica[std::string(c.Departement())];
    ASSERT_EQ(corsica.size(), 2u);
    EXPECT_GT(corsica["2A"], 100);
    EXPECT_GT(corsica["2B"], 100);
}

TEST_F(CarriedArchive, OnlyTheTwoCastillonAndTheTwoBorsShareADepartmentAndName)
{
    std::map<std::pair<std::string, std::string>, int> seen;
    for (const TVilleFrance& c : FranceCities)
        ++seen[{std::string(c.Departement()), std::string(c.Nom())}];
    std::set<std::pair<std::string, std::string>> repeated;
    for (const auto& [key, n] : seen)
        if (n > 1)
            repeated.insert(key);
    const std::set<std::pair<std::string, std::string>> expected = {{"16", "Bors"}, {"64", "Castillon"}};
    EXPECT_EQ(repeated, expected);
}

TEST_F(CarriedArchive, CanadaIsOrderedByProvinceWithUniqueNamesAndCodes)
{
    const char* abbreviations[] = {"AB", "BC", "MB", "NB", "NF", "NS", "NT", "NU", "ON", "PE", "QC", "SK", "YK"};
    std::set<std::pair<int, std::string>> names;
    int expectedNumber = 0;
    for (std::size_t i = 0; i < CanadaCities.size(); ++i) {
        const TVillecanada& c = CanadaCities[i];
        ASSERT_GE(c.Province, 1);
        ASSERT_LE(c.Province, 13);
        EXPECT_TRUE(names.insert({c.Province, fold(c.Nom())}).second) << c.Nom();
        const bool newProvince = i == 0 || CanadaCities[i - 1].Province != c.Province;
        if (i > 0 && newProvince) {
            ASSERT_LT(CanadaCities[i - 1].Province, c.Province);
        }
        if (!newProvince) {
            ASSERT_LT(fold(CanadaCities[i - 1].Nom()), fold(c.Nom()));
        }
        expectedNumber = newProvince ? 1 : expectedNumber + 1;
        EXPECT_EQ(c.CodeVille(), std::string(abbreviations[c.Province - 1]) + "-" + std::to_string(expectedNumber));
        EXPECT_GE(c.CodeVille().size(), 4u);
        EXPECT_LE(c.CodeVille().size(), 6u);
    }
    bool montreal = false;
    for (const TVillecanada& c : CanadaCities)
        montreal = montreal || (c.Province == 11 && c.Nom() == "Montr\xE9" "al");
    EXPECT_TRUE(montreal);
}

TEST_F(CarriedArchive, SwitzerlandIsOrderedByNameWithoutHyphensAndApostrophes)
{
    std::set<std::pair<int, std::string>> pairs; // a postal number may have several localities
    for (std::size_t i = 0; i < SuisseCities.size(); ++i) {
        const TVilleSuisse& c = SuisseCities[i];
        EXPECT_GE(c.NPA, 1000);
        EXPECT_LE(c.NPA, 9999);
        EXPECT_FALSE(c.NPA >= 9485 && c.NPA <= 9498) << "Liechtenstein " << c.NPA;
        EXPECT_TRUE(pairs.emplace(c.NPA, c.Nom()).second) << c.NPA << " " << c.Nom();
        for (const char ch : c.Nom())
            ASSERT_FALSE(ch >= 'a' && ch <= 'z') << c.Nom();
        if (i > 0) {
            ASSERT_LE(without(std::string(SuisseCities[i - 1].Nom()), "-'"), without(std::string(c.Nom()), "-'"));
        }
    }
}

TEST_F(CarriedArchive, BelgiumIsOrderedWithUniqueNamesAndKnownStations)
{
    const std::set<int> stations = {6400, 6407, 6431, 6447, 6449, 6450, 6451, 6456, 6458,
                                    6464, 6476, 6477, 6478, 6479, 6484, 6490, 6496, 6590};
    std::set<std::string> names;
    for (std::size_t i = 0; i < BelgiqueCities.size(); ++i) {
        const TVilleBelge& c = BelgiqueCities[i];
        EXPECT_TRUE(stations.count(c.Station)) << c.Nom() << " " << c.Station;
        EXPECT_TRUE(names.emplace(c.Nom()).second) << c.Nom();
        if (i > 0) {
            ASSERT_LE(fold(BelgiqueCities[i - 1].Nom()), fold(c.Nom()));
        }
    }
}

} // namespace
} // namespace nubra
