// Every country row against the catalogues the program carries: its table,
// its positions, its lists and its sources agree, and every place the
// lists show leads back to its own record.
#include "countries.h"
#include "places.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue.h"
#include "coords.h"

namespace nubra {
namespace {

class CarriedRows : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadEmbeddedCatalogues(tables);
        readError = LoadEmbeddedCoordinates(positions);
    }
    static void TearDownTestSuite() { tables = {}; }

    static inline TCatalogues tables;
    static inline TCoordinates positions;
    static inline std::string readError;
};

// The selection the window reads back once the lists show record `city`.
TSelectionState shownSelection(const TCountryView& view)
{
    TSelectionState state;
    state.Country = view.Country;
    state.Region = view.Regions.Selected;
    if (view.Departments.Selected >= 0) state.Department = view.Departments.Items[view.Departments.Selected];
    state.CityRow = view.Cities.Selected;
    if (state.CityRow >= 0) state.CityText = view.Cities.Items[state.CityRow];
    return state;
}

TEST_F(CarriedRows, EachRowAgreesWithItsTableItsPositionsAndItsLists)
{
    ASSERT_EQ(readError, "");
    // What the sources give: each table's size and its first and last places.
    const struct {
        std::string_view key;
        std::int32_t count;
        std::string_view first, last;
    } expected[] = {
        {"france", 36565, "Achenheim", "Yvoire"},      {"suisse", 4266, "AADORF", "ZWISCHENFLUH"},
        {"canada", 780, "Airdrie", "Whitehorse"},      {"belgique", 2764, "'S Gravenwezel", "Zwijndrecht"},
        {"luxembourg", 552, "Bascharage", "Winseler"}, {"monaco", 6, "Fontvieille", "Monte-Carlo"},
        {"outre-mer", 131, "Les Abymes", "Tsingoni"},
    };
    ASSERT_EQ(Countries().size(), std::size(expected));
    std::set<std::string_view> keys, sections;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const TCountry& row = Countries()[i];
        SCOPED_TRACE(std::string(row.Key));
        EXPECT_EQ(row.Key, expected[i].key);
        EXPECT_TRUE(keys.insert(row.Key).second);
        EXPECT_TRUE(sections.insert(row.Section).second);
        const std::int32_t count = row.CityCount(tables);
        ASSERT_EQ(count, expected[i].count);
        EXPECT_EQ(row.CityName(tables, 0), expected[i].first);
        EXPECT_EQ(row.CityName(tables, count - 1), expected[i].last);
        EXPECT_EQ(positions.Of(row.Section).size(), static_cast<std::size_t>(count));

        // Its view has what it calls; its default is one of its sources,
        // each named once.
        ASSERT_TRUE(row.View != TListView::Flat || row.ListEntry);
        ASSERT_TRUE(row.View != TListView::ByGroup || (row.CityGroup && !row.Groups.empty()));
        ASSERT_FALSE(row.Sources.empty());
        std::set<std::string_view> sourceNames;
        for (const TForecastSource* source : row.Sources) EXPECT_TRUE(sourceNames.insert(source->Name).second);
        EXPECT_EQ(FindSource(row, row.DefaultSource->Name), row.DefaultSource);

        // Every record is shown in its lists, and the selection shown
        // resolves to a record of the same name in the same group: the very
        // record where no name repeats within a group.
        std::set<std::pair<std::int32_t, std::string_view>> seen;
        std::int32_t total = 0;
        if (row.View == TListView::ByGroup) {
            for (std::size_t g = 1; g <= row.Groups.size(); ++g) {
                const auto names = GroupCities(tables, row, static_cast<std::int32_t>(g));
                EXPECT_FALSE(names.empty()) << row.Groups[g - 1];
                total += static_cast<std::int32_t>(names.size());
            }
            EXPECT_EQ(total, count);  // no record outside the groups
        }
        std::int32_t repeated = 0;
        for (std::int32_t city = 0; city < count; ++city) {
            const TCountryView view = CountryView(tables, city, row.Index);
            ASSERT_EQ(view.Country, row.Index);
            ASSERT_GE(view.Cities.Selected, 0) << city;
            std::int32_t resolved = -1, country = -1;
            ResolveSelection(tables, shownSelection(view), resolved, country);
            ASSERT_EQ(country, row.Index);
            ASSERT_GE(resolved, 0) << city;
            EXPECT_EQ(row.CityName(tables, resolved), row.CityName(tables, city)) << city;
            const std::int32_t group = row.View == TListView::ByGroup ? row.CityGroup(tables, city) : 0;
            if (row.View == TListView::ByGroup) {
                EXPECT_EQ(row.CityGroup(tables, resolved), group) << city;
            }
            if (!seen.insert({group, row.CityName(tables, city)}).second) {
                ++repeated;
            } else {
                EXPECT_EQ(resolved, city);
            }
            if (row.View == TListView::ByRegionAndDepartment && city > 2000) break;  // France: a sample
        }
        // The countries without a historic service list every place once.
        if (row.Sources.size() == 1) {
            EXPECT_EQ(repeated, 0);
        }
    }
}

} // namespace
} // namespace nubra
