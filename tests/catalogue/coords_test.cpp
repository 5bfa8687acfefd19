// The positions entry "data.geo": the reader's checks on hand-made bytes, and
// the entry the program carries against the four catalogues beside it (one
// position per record, inside the country, known places where they are),
// with the Swiss and Belgian records that the positions were built with.
#include "coords.h"
#include "entries.h"
#include "resource.h"
#include "vunzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "entry_bytes.h"

namespace nubra {
namespace {

using test::EntryBytes;

// A section as the generator writes it: code, count, then the pairs.
void section(std::vector<std::uint8_t>& out, const char* code, std::int32_t count,
             const std::vector<TPosition>& positions)
{
    out.push_back(static_cast<std::uint8_t>(code[0]));
    out.push_back(static_cast<std::uint8_t>(code[1]));
    EntryBytes pairs(count);
    for (const TPosition& p : positions)
        pairs.le32(static_cast<std::uint32_t>(p.Latitude)).le32(static_cast<std::uint32_t>(p.Longitude));
    out.insert(out.end(), pairs.bytes().begin(), pairs.bytes().end());
}

// Three sections with positions, in another order than the catalogues',
// then every other catalogue's section empty.
std::vector<std::uint8_t> everySection()
{
    std::vector<std::uint8_t> bytes;
    section(bytes, "ch", 2, {{46'005'400, 8'954'500}, {-90'000'000, 180'000'000}});
    section(bytes, "fr", 1, {{48'856'600, 2'352'200}});
    section(bytes, "ca", 1, {{45'508'900, -73'561'700}});
    for (const TCatalogueEntry& c : CatalogueEntries())
        if (c.Section != "ch" && c.Section != "fr" && c.Section != "ca")
            section(bytes, std::string(c.Section).c_str(), 0, {});
    return bytes;
}

TEST(ParseCoordinates, ReadsEachSectionIntoItsCountry)
{
    TCoordinates c;
    ASSERT_EQ(ParseCoordinates(everySection(), c), "");
    ASSERT_EQ(c.Of("fr").size(), 1u);
    ASSERT_EQ(c.Of("ca").size(), 1u);
    ASSERT_EQ(c.Of("ch").size(), 2u);
    EXPECT_TRUE(c.Of("be").empty());
    EXPECT_EQ(c.Of("ca")[0].Longitude, -73'561'700);
    EXPECT_EQ(c.Of("ch")[1].Latitude, -90'000'000);
    EXPECT_EQ(c.Of("ch")[1].Longitude, 180'000'000);
    EXPECT_TRUE(c.Of("xx").empty());
}

TEST(ParseCoordinates, RejectsDamagedEntriesWithAMessageAndNoPositions)
{
    const TPosition paris{48'856'600, 2'352'200};
    // A section of which the first is given, then the other catalogues' empty.
    auto withFirst = [](const char* code, std::int32_t count, const std::vector<TPosition>& positions) {
        std::vector<std::uint8_t> b;
        section(b, code, count, positions);
        for (const TCatalogueEntry& c : CatalogueEntries())
            if (c.Section != "fr") section(b, std::string(c.Section).c_str(), 0, {});
        return b;
    };
    std::vector<std::uint8_t> trailing = withFirst("fr", 0, {});
    trailing.push_back(0);
    std::vector<std::uint8_t> repeated = withFirst("fr", 0, {});
    section(repeated, "fr", 0, {});
    std::vector<std::uint8_t> withoutTheLast;
    const std::span<const TCatalogueEntry> catalogues = CatalogueEntries();
    for (const TCatalogueEntry& c : catalogues.first(catalogues.size() - 1))
        section(withoutTheLast, std::string(c.Section).c_str(), 0, {});
    const std::string lastMissing = "section " + std::string(catalogues.back().Section) + " absente";
    std::vector<std::uint8_t> cut;
    section(cut, "fr", 1, {});
    cut.insert(cut.end(), {1, 2, 3, 4});

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message; // a part of the expected message
    } cases[] = {
        {"empty entry", {}, "section fr absente"},
        {"last section missing", withoutTheLast, lastMissing.c_str()},
        {"cut inside a position", cut, "section fr tronqu"},
        {"count beyond the data", withFirst("fr", 0x7FFFFFFF, {paris}), "section fr tronqu"},
        {"negative count", withFirst("fr", -1, {paris}), "n\xE9gatif"},
        {"section repeated", repeated, "section fr en double"},
        {"unknown section", withFirst("de", 0, {}), "section inconnue"},
        {"a byte after the last section", trailing, "en-t\xEAte de section tronqu"},
        {"latitude beyond 90", withFirst("fr", 1, {{90'000'001, 0}}), "hors limites"},
        {"longitude beyond 180", withFirst("fr", 1, {{0, -180'000'001}}), "hors limites"},
    };
    for (const auto& c : cases) {
        TCoordinates out;
        out.Sections["fr"].push_back({});
        const std::string message = ParseCoordinates(c.bytes, out);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        EXPECT_TRUE(out.Sections.empty()) << c.what;
    }
}

TEST(ReadCoordinates, AnArchiveWithoutTheEntrySaysSo)
{
    const std::vector<std::uint8_t> notAZip(64, 0);
    TSpanStream stream(notAZip);
    TCoordinates out;
    EXPECT_NE(ReadCoordinates(stream, out).find("data.geo absente"), std::string::npos);
}

TEST(FormatDegrees, SixDecimalsWithADotAndTheSignOfTheValue)
{
    EXPECT_EQ(FormatDegrees(46'005'400), "46.005400");
    EXPECT_EQ(FormatDegrees(-73'561'700), "-73.561700");
    EXPECT_EQ(FormatDegrees(-5), "-0.000005");
    EXPECT_EQ(FormatDegrees(0), "0.000000");
    EXPECT_EQ(FormatDegrees(-180'000'000), "-180.000000");
}

// The carried archive: its four catalogues parsed from their entries, and
// the positions read from "data.geo".
class CarriedPositions : public ::testing::Test {
protected:
    static std::vector<std::uint8_t> entry(TStream& archive, const char* name)
    {
        archive.Seek(ZipFindEntry(archive, name));
        TMemoryStream out;
        EXPECT_EQ(ZipExtract(archive, out), ZIP_OK) << name;
        return {out.Bytes().begin(), out.Bytes().end()};
    }

    static void SetUpTestSuite()
    {
        const auto archive = OpenResource("data");
        ParseFranceEntry(franceBytes = entry(*archive, "data.fr"), france);
        ParseCanadaEntry(canadaBytes = entry(*archive, "data.ca"), canada);
        ParseSuisseEntry(suisseBytes = entry(*archive, "data.ch"), suisse);
        ParseBelgiqueEntry(belgiqueBytes = entry(*archive, "data.be"), belgique);
        readError = ReadCoordinates(*archive, positions);
    }

    // Great-circle distance in kilometres.
    static double kilometres(const TPosition& p, double latitude, double longitude)
    {
        const double rad = std::numbers::pi / 180;
        const double lat1 = p.Latitude / 1e6 * rad;
        const double lat2 = latitude * rad;
        const double dLat = lat2 - lat1;
        const double dLon = (longitude - p.Longitude / 1e6) * rad;
        const double h = std::pow(std::sin(dLat / 2), 2)
                       + std::cos(lat1) * std::cos(lat2) * std::pow(std::sin(dLon / 2), 2);
        return 2 * 6371 * std::asin(std::sqrt(h));
    }

    template <class Table, class Match>
    static std::vector<std::size_t> find(const Table& table, Match match)
    {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < table.size(); ++i)
            if (match(table[i]))
                found.push_back(i);
        return found;
    }

    // The entries' bytes, which the records point into.
    static inline std::vector<std::uint8_t> franceBytes, canadaBytes, suisseBytes, belgiqueBytes;
    static inline std::vector<TVilleFrance> france;
    static inline std::vector<TVillecanada> canada;
    static inline std::vector<TVilleSuisse> suisse;
    static inline std::vector<TVilleBelge> belgique;
    static inline TCoordinates positions;
    static inline std::string readError;
};

TEST_F(CarriedPositions, OnePositionPerRecordOfEachCatalogue)
{
    ASSERT_EQ(readError, "");
    EXPECT_EQ(positions.Of("fr").size(), france.size());
    EXPECT_EQ(positions.Of("ca").size(), canada.size());
    EXPECT_EQ(positions.Of("ch").size(), suisse.size());
    EXPECT_EQ(positions.Of("be").size(), belgique.size());
    EXPECT_EQ(france.size(), 36565u);
}

TEST_F(CarriedPositions, EveryPositionLiesInsideItsCountry)
{
    const struct {
        const char* country;
        const std::vector<TPosition>& positions;
        double south, north, west, east; // degrees, a box around the country
    } boxes[] = {
        {"France (with Corsica)", positions.Of("fr"), 41.3, 51.1, -5.2, 9.6},
        {"Canada", positions.Of("ca"), 41.6, 83.2, -141.1, -52.6},
        {"Switzerland", positions.Of("ch"), 45.8, 47.9, 5.9, 10.5},
        {"Belgium", positions.Of("be"), 49.49, 51.51, 2.54, 6.41},
        {"Luxembourg", positions.Of("lu"), 49.44, 50.19, 5.73, 6.54},
        {"Monaco", positions.Of("mc"), 43.72, 43.76, 7.40, 7.44},
    };
    for (const auto& box : boxes) {
        ASSERT_FALSE(box.positions.empty()) << box.country;
        std::size_t outside = 0;
        for (const TPosition& p : box.positions) {
            const double lat = p.Latitude / 1e6;
            const double lon = p.Longitude / 1e6;
            outside += lat < box.south || lat > box.north || lon < box.west || lon > box.east;
        }
        EXPECT_EQ(outside, 0u) << box.country;
    }
}

TEST_F(CarriedPositions, KnownPlacesAreWhereTheyAre)
{
    const auto frenchCommune = [](const char* code) {
        return find(france, [&](const TVilleFrance& c) { return c.CodeInsee() == code; });
    };
    const struct {
        const char* place;
        std::vector<std::size_t> index; // exactly one record expected
        const std::vector<TPosition>& positions;
        double latitude, longitude;
    } known[] = {
        {"Paris", frenchCommune("75056"), positions.Of("fr"), 48.8566, 2.3522},
        {"Achenheim", frenchCommune("67001"), positions.Of("fr"), 48.5808, 7.6275},
        // Missing from the postal table: placed through another source.
        {"Pierrefitte-sur-Seine", frenchCommune("93059"), positions.Of("fr"), 48.9653, 2.3600},
        {"Montr\xE9" "al", find(canada, [](const TVillecanada& c) { return c.Nom() == "Montr\xE9" "al"; }),
         positions.Of("ca"), 45.5089, -73.5617},
        {"Lugano", find(suisse, [](const TVilleSuisse& c) { return c.Nom() == "LUGANO" && c.NPA == 6900; }),
         positions.Of("ch"), 46.0037, 8.9511},
        {"Bruxelles", find(belgique, [](const TVilleBelge& c) { return c.Nom() == "Bruxelles"; }),
         positions.Of("be"), 50.8467, 4.3525},
        {"Oostende", find(belgique, [](const TVilleBelge& c) { return c.Nom() == "Oostende"; }),
         positions.Of("be"), 51.2300, 2.9200},
    };
    for (const auto& k : known) {
        ASSERT_EQ(k.index.size(), 1u) << k.place;
        ASSERT_LT(k.index[0], k.positions.size()) << k.place;
        EXPECT_LT(kilometres(k.positions[k.index[0]], k.latitude, k.longitude), 5.0) << k.place;
    }
}

TEST_F(CarriedPositions, EveryLocalityOfAPostalNumberIsListed)
{
    const auto at6900 = find(suisse, [](const TVilleSuisse& c) { return c.NPA == 6900; });
    std::vector<std::string> names;
    for (const std::size_t i : at6900)
        names.emplace_back(suisse[i].Nom());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LUGANO", "MASSAGNO", "PARADISO"}));
    // Post-office boxes and numbered offices are not localities.
    EXPECT_TRUE(find(suisse, [](const TVilleSuisse& c) {
                    return c.Nom().find("CASELLE") != std::string::npos || c.Nom() == "AARAU 1";
                }).empty());
}

TEST_F(CarriedPositions, BelgianNamesAreTheLocalOnes)
{
    const auto named = [](const char* name) {
        return find(belgique, [&](const TVilleBelge& c) { return c.Nom() == name; }).size();
    };
    EXPECT_EQ(named("Bruxelles"), 1u);
    EXPECT_EQ(named("Oostende"), 1u);
    EXPECT_EQ(named("Brussels"), 0u);
    EXPECT_EQ(named("Ostend"), 0u);
}

} // namespace
} // namespace nubra
