#include "catalogue.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "entry_bytes.h"
#include "zip_builder.h"

namespace nubra {
namespace {

using test::EntryBytes;
using test::ZipEntrySpec;

std::vector<std::uint8_t> franceEntry()
{
    return EntryBytes(2).byte(1).text("6700167204Achenheim").byte(1).text("6700267320Adamswiller").bytes();
}
std::vector<std::uint8_t> canadaEntry() { return EntryBytes(1).byte(1).text("AB-1").text("Airdrie").bytes(); }
std::vector<std::uint8_t> suisseEntry() { return EntryBytes(1).le16(8355).text("AADORF").bytes(); }
std::vector<std::uint8_t> belgiqueEntry() { return EntryBytes(1).le16(6447).text("Uccle").bytes(); }
std::vector<std::uint8_t> luxembourgEntry()
{
    return EntryBytes(2).byte(1).text("Bascharage").byte(12).text("Wiltz").bytes();
}

// The archive of `entries`, then the entries of the later catalogues,
// which these tests do not look into.
std::vector<std::uint8_t> archive(std::vector<ZipEntrySpec> entries)
{
    entries.push_back({"data.lu", luxembourgEntry()});
    entries.push_back({"data.mc", EntryBytes(1).byte(0).text("Monte-Carlo").bytes()});
    entries.push_back({"data.om", EntryBytes(1).byte(4).text("9741197400Saint-Denis").bytes()});
    return test::buildZip(entries);
}

class Loading : public ::testing::Test {
protected:
    void load(const std::vector<std::uint8_t>& archive)
    {
        TSpanStream resource(archive);
        TMemoryStream entry;
        LoadCatalogues(resource, entry, tables);
    }

    TCatalogues tables;
    const std::vector<TVilleFrance>& FranceCities = tables.FranceCities;
    const std::vector<TVillecanada>& CanadaCities = tables.CanadaCities;
    const std::vector<TVilleSuisse>& SuisseCities = tables.SuisseCities;
    const std::vector<TVilleBelge>& BelgiqueCities = tables.BelgiqueCities;
};

TEST_F(Loading, FillsEveryTableWhateverTheEntriesOrderInTheArchive)
{
    load(archive({{"data.be", belgiqueEntry()}, {"data.ch", suisseEntry()},
                         {"data.fr", franceEntry()}, {"data.ca", canadaEntry()}}));
    ASSERT_EQ(FranceCities.size(), 2u);
    EXPECT_EQ(FranceCities[1].Nom(), "Adamswiller");
    ASSERT_EQ(CanadaCities.size(), 1u);
    EXPECT_EQ(CanadaCities[0].CodeVille(), "AB-1");
    ASSERT_EQ(SuisseCities.size(), 1u);
    EXPECT_EQ(SuisseCities[0].NPA, 8355);
    ASSERT_EQ(BelgiqueCities.size(), 1u);
    EXPECT_EQ(BelgiqueCities[0].Station, 6447);
    ASSERT_EQ(tables.LuxembourgCities.size(), 2u);
    EXPECT_EQ(tables.LuxembourgCities[1].Nom(), "Wiltz");
    EXPECT_EQ(tables.LuxembourgCities[1].Groupe, 12);
    ASSERT_EQ(tables.MonacoCities.size(), 1u);
    ASSERT_EQ(tables.OutreMerCities.size(), 1u);
    EXPECT_EQ(tables.OutreMerCities[0].Nom(), "Saint-Denis");
    EXPECT_EQ(tables.OutreMerCities[0].Region, 4);
}

// The records point into the tables' entry bytes, whose buffers a move
// carries along.
TEST_F(Loading, MovedCataloguesReadTheSameRecords)
{
    const auto sameRecords = [](const TCatalogues& t) {
        ASSERT_EQ(t.FranceCities.size(), 2u);
        EXPECT_EQ(t.FranceCities[1].Nom(), "Adamswiller");
        EXPECT_EQ(t.FranceCities[1].CodePostal(), "67320");
        ASSERT_EQ(t.CanadaCities.size(), 1u);
        EXPECT_EQ(t.CanadaCities[0].CodeVille(), "AB-1");
        EXPECT_EQ(t.CanadaCities[0].Nom(), "Airdrie");
        ASSERT_EQ(t.SuisseCities.size(), 1u);
        EXPECT_EQ(t.SuisseCities[0].Nom(), "AADORF");
        ASSERT_EQ(t.BelgiqueCities.size(), 1u);
        EXPECT_EQ(t.BelgiqueCities[0].Nom(), "Uccle");
    };
    load(archive({{"data.fr", franceEntry()}, {"data.ca", canadaEntry()}, {"data.ch", suisseEntry()},
                         {"data.be", belgiqueEntry()}}));
    TCatalogues moved(std::move(tables));
    tables = {};
    sameRecords(moved);
    TCatalogues assigned;
    assigned = std::move(moved);
    moved = {};
    sameRecords(assigned);
}

TEST_F(Loading, AMissingEntryStopsWithAReadErrorAndKeepsTheEarlierTables)
{
    // "data.ch" is missing: France and Canada come before it.
    const auto zip = archive({{"data.fr", franceEntry()}, {"data.ca", canadaEntry()},
                                         {"data.be", belgiqueEntry()}});
    EXPECT_THROW(load(zip), EReadError);
    EXPECT_EQ(FranceCities.size(), 2u);
    EXPECT_EQ(CanadaCities.size(), 1u);
    EXPECT_TRUE(SuisseCities.empty());
    EXPECT_TRUE(BelgiqueCities.empty());
}

TEST_F(Loading, BytesThatAreNoArchiveStopAtTheFirstEntry)
{
    const std::vector<std::uint8_t> notAnArchive(100, 0x41);
    try {
        load(notAnArchive);
        FAIL() << "no error raised";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Erreur de lecture du flux");
    }
    EXPECT_TRUE(FranceCities.empty());
    EXPECT_THROW(load({}), EReadError);
}

TEST_F(Loading, ARefusedLocalHeaderEmptiesThatTableOnly)
{
    for (const ZipEntrySpec& refused : {ZipEntrySpec{"data.ca", canadaEntry(), 99, 0},  // unknown method
                                        ZipEntrySpec{"data.ca", canadaEntry(), 0, 1}}) { // encrypted
        tables = {};
        load(archive({{"data.fr", franceEntry()}, refused, {"data.ch", suisseEntry()},
                             {"data.be", belgiqueEntry()}}));
        EXPECT_EQ(FranceCities.size(), 2u);
        EXPECT_TRUE(CanadaCities.empty());
        EXPECT_EQ(SuisseCities.size(), 1u);
        EXPECT_EQ(BelgiqueCities.size(), 1u);
    }
}

TEST_F(Loading, DamagedEntriesLoadTheirCompleteRecords)
{
    auto france = franceEntry();
    france.erase(france.end() - 3, france.end()); // cut inside the second record
    const auto bogusCount = EntryBytes(1'000'000'000).le16(8355).text("AADORF").bytes();
    load(archive({{"data.fr", france}, {"data.ca", {}}, {"data.ch", bogusCount},
                         {"data.be", {0x01, 0x00}}}));
    ASSERT_EQ(FranceCities.size(), 1u);
    EXPECT_EQ(FranceCities[0].Nom(), "Achenheim");
    EXPECT_TRUE(CanadaCities.empty());
    ASSERT_EQ(SuisseCities.size(), 1u);
    EXPECT_EQ(SuisseCities[0].Nom(), "AADORF");
    EXPECT_TRUE(BelgiqueCities.empty());
}

TEST(Resource, TheDataResourceIsTheCommittedArchive)
{
    std::ifstream file(NUBRA_DATA_ZIP, std::ios::binary);
    ASSERT_TRUE(file) << NUBRA_DATA_ZIP;
    const std::vector<std::uint8_t> onDisk{std::istreambuf_iterator<char>(file), {}};
    const auto bytes = FindResourceBytes("data");
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), onDisk);

    const auto stream = OpenResource("data");
    EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(onDisk.size()));
    EXPECT_EQ(stream->Write("x", 1), 0); // read-only
}

TEST(Resource, AnUnknownNameIsReportedWithItsName)
{
    EXPECT_TRUE(FindResourceBytes("Data").empty());
    try {
        OpenResource("icone");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Ressource icone non trouv\xE9" "e");
    }
}

} // namespace
} // namespace nubra
