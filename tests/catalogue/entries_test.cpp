#include "entries.h"

#include <gtest/gtest.h>

#include <string>

#include "entry_bytes.h"

namespace nubra {
namespace {

using test::EntryBytes;

TEST(FranceEntry, CutsTheCommuneStringAtItsFixedPositions)
{
    const auto entry = EntryBytes(2).byte(1).text("6700167204Achenheim").byte(8).text("2A00420167Ajaccio");
    std::vector<TVilleFrance> table;
    const TEntryParse parse = ParseFranceEntry(entry.bytes(), table);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(parse.announced, 2);
    EXPECT_EQ(parse.consumed, entry.bytes().size());
    EXPECT_EQ(table[0].Region, 1);
    EXPECT_EQ(table[0].CodeInsee(), "67001");
    EXPECT_EQ(table[0].CodePostal(), "67204");
    EXPECT_EQ(table[0].Departement(), "67");
    EXPECT_EQ(table[0].Nom(), "Achenheim");
    EXPECT_EQ(table[1].Region, 8);
    EXPECT_EQ(table[1].Departement(), "2A");
    EXPECT_EQ(table[1].CodeInsee(), "2A004");
}

TEST(FranceEntry, ShortCommuneStringsGiveWhatIsThere)
{
    const auto entry = EntryBytes(4).byte(3).text("").byte(3).text("6").byte(3).text("6700167").byte(3)
                           .text("6700167204");
    std::vector<TVilleFrance> table;
    ParseFranceEntry(entry.bytes(), table);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].CodeInsee(), "");
    EXPECT_EQ(table[0].Nom(), "");
    EXPECT_EQ(table[1].Departement(), "6");
    EXPECT_EQ(table[1].CodePostal(), "");
    EXPECT_EQ(table[2].CodeInsee(), "67001");
    EXPECT_EQ(table[2].CodePostal(), "67");
    EXPECT_EQ(table[3].CodePostal(), "67204");
    EXPECT_EQ(table[3].Nom(), "");
}

TEST(FranceEntry, TakesNamesOfAnyLengthUpToTheLongestShortString)
{
    const std::string name(245, '\xE9');
    const auto entry = EntryBytes(1).byte(22).text("7400174000" + name);
    std::vector<TVilleFrance> table;
    ParseFranceEntry(entry.bytes(), table);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Nom(), name);
}

TEST(OtherEntries, ReadTheirFieldsInStoredOrder)
{
    std::vector<TVillecanada> canada;
    const auto ca = EntryBytes(1).byte(13).text("YK-2").text("Whitehorse");
    EXPECT_EQ(ParseCanadaEntry(ca.bytes(), canada).consumed, ca.bytes().size());
    ASSERT_EQ(canada.size(), 1u);
    EXPECT_EQ(canada[0].Province, 13);
    EXPECT_EQ(canada[0].CodeVille(), "YK-2");
    EXPECT_EQ(canada[0].Nom(), "Whitehorse");

    std::vector<TVilleSuisse> suisse;
    const auto ch = EntryBytes(2).le16(8355).text("AADORF").le16(9999).text("");
    EXPECT_EQ(ParseSuisseEntry(ch.bytes(), suisse).consumed, ch.bytes().size());
    ASSERT_EQ(suisse.size(), 2u);
    EXPECT_EQ(suisse[0].NPA, 8355);
    EXPECT_EQ(suisse[0].Nom(), "AADORF");
    EXPECT_EQ(suisse[1].NPA, 9999);
    EXPECT_EQ(suisse[1].Nom(), "");

    std::vector<TVilleBelge> belgique;
    const auto be = EntryBytes(1).le16(6590).text("Li\xE8ge");
    ParseBelgiqueEntry(be.bytes(), belgique);
    ASSERT_EQ(belgique.size(), 1u);
    EXPECT_EQ(belgique[0].Station, 6590);
    EXPECT_EQ(belgique[0].Nom(), "Li\xE8ge");
}

// An entry that ends before its count is reached keeps exactly its complete
// records, wherever inside a record it was cut.
TEST(DamagedEntry, KeepsOnlyTheCompleteRecordsWhenCutShort)
{
    const auto whole = EntryBytes(3).le16(1000).text("LAUSANNE").le16(1200).text("GENEVE").le16(3000).text("BERN");
    const std::size_t secondEnds = 4 + 11 + 9;
    for (std::size_t size = secondEnds; size < whole.bytes().size(); ++size) {
        const std::vector<std::uint8_t> cut = whole.truncated(size);
        std::vector<TVilleSuisse> table;
        const TEntryParse parse = ParseSuisseEntry(cut, table);
        ASSERT_EQ(table.size(), 2u) << "cut at " << size;
        EXPECT_EQ(table[1].Nom(), "GENEVE");
        EXPECT_EQ(parse.announced, 3);
        EXPECT_EQ(parse.consumed, secondEnds);
    }
    std::vector<TVilleSuisse> table;
    EXPECT_EQ(ParseSuisseEntry(whole.truncated(4), table).consumed, 4u);
    EXPECT_TRUE(table.empty());
}

TEST(DamagedEntry, ACountCutShortFillsOnlyItsLowOrderBytes)
{
    std::vector<TVilleBelge> table;
    EXPECT_EQ(ParseBelgiqueEntry({}, table).announced, 0);
    EXPECT_TRUE(table.empty());

    const std::vector<std::uint8_t> twoBytes = {0x34, 0x12};
    const TEntryParse parse = ParseBelgiqueEntry(twoBytes, table);
    EXPECT_EQ(parse.announced, 0x1234);
    EXPECT_EQ(parse.consumed, 2u);
    EXPECT_TRUE(table.empty());
}

TEST(DamagedEntry, NegativeOrHugeCountsAllocateNothingTheDataCannotFill)
{
    std::vector<TVilleFrance> france;
    ParseFranceEntry(EntryBytes(-1).byte(1).text("6700167204Achenheim").bytes(), france);
    EXPECT_TRUE(france.empty());

    ParseFranceEntry(EntryBytes(INT32_MIN).bytes(), france);
    EXPECT_TRUE(france.empty());

    // Two billion records promised, one present: the table holds that one
    // and its capacity stays within what the bytes could ever fill.
    const auto huge = EntryBytes(INT32_MAX).byte(1).text("6700167204Achenheim");
    ParseFranceEntry(huge.bytes(), france);
    ASSERT_EQ(france.size(), 1u);
    EXPECT_EQ(france[0].Nom(), "Achenheim");
    EXPECT_LE(france.capacity(), huge.bytes().size());

    std::vector<TVillecanada> canada;
    ParseCanadaEntry(EntryBytes(INT32_MAX).bytes(), canada);
    EXPECT_TRUE(canada.empty());
    EXPECT_EQ(canada.capacity(), 0u);
}

TEST(DamagedEntry, ALengthByteBeyondTheDataDropsTheRecord)
{
    auto entry = EntryBytes(2).byte(2).text("FR-1").text("Ottawa").byte(2).text("FR-2");
    entry.byte(200).byte('x'); // name claims 200 bytes, 1 follows
    std::vector<TVillecanada> table;
    const TEntryParse parse = ParseCanadaEntry(entry.bytes(), table);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].Nom(), "Ottawa");
    EXPECT_EQ(parse.consumed, 4u + 1 + 5 + 7);
}

TEST(DamagedEntry, BytesAfterTheLastCountedRecordAreLeftUnread)
{
    const auto entry = EntryBytes(1).le16(6447).text("Uccle").le16(6400).text("Koksijde");
    std::vector<TVilleBelge> table;
    const TEntryParse parse = ParseBelgiqueEntry(entry.bytes(), table);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(parse.consumed, 4u + 2 + 6);
}

TEST(DamagedEntry, ReparsingReplacesTheTable)
{
    std::vector<TVilleSuisse> table;
    ParseSuisseEntry(EntryBytes(1).le16(1000).text("LAUSANNE").bytes(), table);
    ParseSuisseEntry({}, table);
    EXPECT_TRUE(table.empty());
}

} // namespace
} // namespace nubra
