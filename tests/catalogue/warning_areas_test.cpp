// The warning-areas entry "data.vig": the reader's checks on hand-made bytes,
// and the entry the program carries against its catalogues (one list per
// record, known places in the areas they are in).
#include "warning_areas.h"

#include "catalogue.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry_bytes.h"

namespace nubra {
namespace {

using test::EntryBytes;

// A section as the generator writes it: code, count, then the lists.
void section(std::vector<std::uint8_t>& out, const char* code, std::int32_t count,
             const std::vector<std::string>& lists)
{
    out.push_back(static_cast<std::uint8_t>(code[0]));
    out.push_back(static_cast<std::uint8_t>(code[1]));
    EntryBytes body(count);
    for (const std::string& list : lists)
        body.text(list);
    out.insert(out.end(), body.bytes().begin(), body.bytes().end());
}

TEST(ParseWarningAreas, ReadsEachRecordsCodes)
{
    std::vector<std::uint8_t> bytes;
    section(bytes, "lu", 2, {"LU001", ""});
    section(bytes, "fr", 1, {"FR067 FR101"});
    TWarningAreas areas;
    ASSERT_EQ(ParseWarningAreas(bytes, areas), "");
    EXPECT_EQ(areas.Count("lu"), 2u);
    EXPECT_EQ(areas.Of("lu", 0), "LU001");
    EXPECT_EQ(areas.Of("lu", 1), "");
    EXPECT_EQ(areas.Of("fr", 0), "FR067 FR101");
    EXPECT_TRUE(areas.Covers("fr", 0, "FR067"));
    EXPECT_TRUE(areas.Covers("fr", 0, "FR101"));
    // Whole codes only.
    EXPECT_FALSE(areas.Covers("fr", 0, "FR10"));
    EXPECT_FALSE(areas.Covers("fr", 0, "FR067 FR101"));
    EXPECT_FALSE(areas.Covers("lu", 1, ""));
    // A record or a section that is not there has no areas.
    EXPECT_EQ(areas.Of("lu", 2), "");
    EXPECT_EQ(areas.Count("be"), 0u);
    EXPECT_EQ(areas.Of("be", 0), "");
}

TEST(ParseWarningAreas, RejectsDamagedEntriesWithAMessageAndNoAreas)
{
    const auto one = [](const char* code, std::int32_t count, const std::vector<std::string>& lists) {
        std::vector<std::uint8_t> b;
        section(b, code, count, lists);
        return b;
    };
    std::vector<std::uint8_t> repeated = one("fr", 0, {});
    section(repeated, "fr", 0, {});
    std::vector<std::uint8_t> trailing = one("be", 0, {});
    trailing.push_back('f');
    std::vector<std::uint8_t> cutInAList = one("lu", 1, {"LU001"});
    cutInAList.pop_back();

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message; // a part of the expected message
    } cases[] = {
        {"a list cut short", cutInAList, "section lu tronqu"},
        {"count beyond the data", one("fr", 0x7FFFFFFF, {"FR086"}), "section fr tronqu"},
        {"list missing", one("fr", 2, {"FR086"}), "section fr tronqu"},
        {"negative count", one("fr", -1, {}), "n\xE9gatif"},
        {"bytes after the last section", trailing, "en-t\xEAte de section tronqu"},
        {"section repeated", repeated, "section fr en double"},
        {"unknown section", one("de", 0, {}), "section inconnue"},
        {"lower case", one("be", 1, {"be004"}), "code de zone invalide dans la section be"},
        {"two spaces", one("be", 1, {"BE004  BE10"}), "code de zone invalide"},
        {"trailing space", one("be", 1, {"BE004 "}), "code de zone invalide"},
        {"leading space", one("be", 1, {" BE004"}), "code de zone invalide"},
        {"only a space", one("be", 1, {" "}), "code de zone invalide"},
        {"not ASCII", one("fr", 1, {"FR\xC9" "01"}), "code de zone invalide"},
        {"a control byte", one("fr", 1, {std::string("FR0\0" "1", 5)}), "code de zone invalide"},
    };
    for (const auto& c : cases) {
        TWarningAreas out;
        out.Sections["fr"].push_back(0);
        const std::string message = ParseWarningAreas(c.bytes, out);
        EXPECT_EQ(message.rfind("Zones de vigilance illisibles : ", 0), 0u) << c.what << ": " << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        EXPECT_TRUE(out.Sections.empty()) << c.what;
        EXPECT_TRUE(out.Bytes.empty()) << c.what;
    }
}

TEST(ReadWarningAreas, AnArchiveWithoutTheEntrySaysSo)
{
    const std::vector<std::uint8_t> notAZip(64, 0);
    TSpanStream stream(notAZip);
    TWarningAreas out;
    EXPECT_NE(ReadWarningAreas(stream, out).find("data.vig absente"), std::string::npos);
}

// The carried archive: its catalogues, and the areas read from "data.vig".
class CarriedWarningAreas : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadEmbeddedCatalogues(tables);
        readError = ReadWarningAreas(*OpenResource("data"), areas);
    }
    static void TearDownTestSuite() { tables = {}; areas = {}; }

    static std::size_t commune(const char* code)
    {
        for (std::size_t i = 0; i < tables.FranceCities.size(); ++i)
            if (tables.FranceCities[i].CodeInsee() == code)
                return i;
        ADD_FAILURE() << "no commune " << code;
        return tables.FranceCities.size();
    }

    static inline TCatalogues tables;
    static inline TWarningAreas areas;
    static inline std::string readError;
};

TEST_F(CarriedWarningAreas, OneListPerRecordOfFranceBelgiumAndLuxembourg)
{
    ASSERT_EQ(readError, "");
    EXPECT_EQ(areas.Count("fr"), tables.FranceCities.size());
    EXPECT_EQ(areas.Count("be"), tables.BelgiqueCities.size());
    EXPECT_EQ(areas.Count("lu"), tables.LuxembourgCities.size());
    EXPECT_EQ(areas.Sections.size(), 3u);
    // Every commune has its department's EMMA_ID and NUTS3 code.
    for (std::size_t i = 0; i < areas.Count("fr"); ++i)
        ASSERT_EQ(areas.Of("fr", i).size(), 11u) << tables.FranceCities[i].CodeInsee();
}

TEST_F(CarriedWarningAreas, FrenchCommunesHaveTheirDepartmentsAreas)
{
    const std::size_t strasbourg = commune("67482");
    EXPECT_TRUE(areas.Covers("fr", strasbourg, "FR421"));
    EXPECT_TRUE(areas.Covers("fr", strasbourg, "FR086"));
    const std::size_t colmar = commune("68066");
    EXPECT_FALSE(areas.Covers("fr", colmar, "FR421"));
    EXPECT_FALSE(areas.Covers("fr", colmar, "FR086"));
    EXPECT_TRUE(areas.Covers("fr", colmar, "FR422"));
    // Paris and its neighbours: the warnings of Paris et Petite Ceinture
    // and those of their own department.
    EXPECT_EQ(areas.Of("fr", commune("75056")), "FR067 FR101");
    EXPECT_EQ(areas.Of("fr", commune("92050")), "FR067 FR105"); // Nanterre
}

TEST_F(CarriedWarningAreas, BelgianAndLuxembourgPlacesHaveTheirRegions)
{
    std::size_t bruxelles = tables.BelgiqueCities.size();
    for (std::size_t i = 0; i < tables.BelgiqueCities.size(); ++i)
        if (tables.BelgiqueCities[i].Nom() == "Bruxelles")
            bruxelles = i;
    EXPECT_TRUE(areas.Covers("be", bruxelles, "BE004"));
    EXPECT_TRUE(areas.Covers("be", bruxelles, "BE10"));

    std::size_t south = 0, north = 0;
    for (std::size_t i = 0; i < areas.Count("lu"); ++i) {
        const bool s = areas.Covers("lu", i, "LU001");
        const bool n = areas.Covers("lu", i, "LU002");
        EXPECT_NE(s, n) << tables.LuxembourgCities[i].Nom() << ": " << areas.Of("lu", i);
        south += s;
        north += n;
    }
    EXPECT_GT(south, 0u);
    EXPECT_GT(north, 0u);
}

} // namespace
} // namespace nubra
