#include "fixed_lists.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace nubra {
namespace {

int regionOf(std::string_view department) { return std::stoi(std::string(department.substr(0, 2))); }
std::string_view codeOf(std::string_view department) { return department.substr(5, 2); }

TEST(FixedLists, RegionsAndProvincesStandInTheirNumberedOrder)
{
    EXPECT_EQ(FranceRegions.front(), "Alsace");
    EXPECT_EQ(FranceRegions[7], "Corse");
    EXPECT_EQ(FranceRegions[8], "Franche Comt\xE9");
    EXPECT_EQ(FranceRegions[20], "Provence - Alpes - C\xF4te d'Azur");
    EXPECT_EQ(FranceRegions.back(), "Rh\xF4ne - Alpes");

    EXPECT_EQ(CanadaProvinces.front(), "Alberta");
    EXPECT_EQ(CanadaProvinces[4], "Terre-Neuve-et-Labrador");
    EXPECT_EQ(CanadaProvinces[5], "Nouvelle-\xC9" "cosse");
    EXPECT_EQ(CanadaProvinces[9], "\xCEle-du-Prince-\xC9" "douard");
    EXPECT_EQ(CanadaProvinces[10], "Qu\xE9" "bec");
    EXPECT_EQ(CanadaProvinces.back(), "Yukon");
}

TEST(FixedLists, DepartmentsFollowTheirFixedLayout)
{
    std::set<std::string_view> codes;
    for (const std::string_view d : FranceDepartments) {
        SCOPED_TRACE(std::string(d));
        ASSERT_GE(d.size(), 13u);
        EXPECT_EQ(d.substr(2, 3), " : ");
        EXPECT_EQ(d.substr(7, 3), " : ");
        EXPECT_EQ(d.back(), ')');
        EXPECT_NE(d.find(" ("), std::string_view::npos);
        EXPECT_TRUE(codes.insert(codeOf(d)).second) << "code repeated";
        for (const char c : d) {
            const auto b = static_cast<unsigned char>(c);
            const bool allowed = b < 0x80 || b == 0xE2 || b == 0xE7 || b == 0xE8 || b == 0xE9 || b == 0xEA
                || b == 0xEE || b == 0xF4 || b == 0xC9 || b == 0xCE;
            EXPECT_TRUE(allowed) << "byte " << int(b);
        }
    }
}

TEST(FixedLists, DepartmentsAreGroupedByRegionWithCodesAscending)
{
    const int perRegion[22] = {2, 5, 4, 4, 4, 6, 4, 2, 4, 8, 5, 3, 4, 8, 2, 3, 2, 5, 3, 4, 6, 8};
    int counts[23] = {};
    for (std::size_t i = 0; i < FranceDepartments.size(); ++i) {
        const int region = regionOf(FranceDepartments[i]);
        ASSERT_GE(region, 1);
        ASSERT_LE(region, 22);
        ++counts[region];
        if (i > 0) {
            const int previous = regionOf(FranceDepartments[i - 1]);
            EXPECT_LE(previous, region);
            if (previous == region) {
                EXPECT_LT(codeOf(FranceDepartments[i - 1]), codeOf(FranceDepartments[i]));
            }
        }
    }
    for (int r = 1; r <= 22; ++r)
        EXPECT_EQ(counts[r], perRegion[r - 1]) << "region " << r;
}

TEST(FixedLists, CorsicaAlsaceAndParisReadAsStated)
{
    EXPECT_EQ(FranceDepartments[0], "01 : 67 : Bas-Rhin (Strasbourg)");
    EXPECT_EQ(FranceDepartments[1].substr(5), "68 : Haut-Rhin (Colmar)");
    int corsica = 0;
    for (const std::string_view d : FranceDepartments) {
        if (regionOf(d) == 8) {
            ++corsica;
            EXPECT_TRUE(codeOf(d) == "2A" || codeOf(d) == "2B");
        }
    }
    EXPECT_EQ(corsica, 2);
    EXPECT_EQ(FranceDepartments[29], "08 : 2A : Corse-du-Sud (Ajaccio)");
    EXPECT_EQ(FranceDepartments[30], "08 : 2B : Haute-Corse (Bastia)");
    EXPECT_EQ(FranceDepartments[35], "10 : 75 : Paris (Paris)");
    EXPECT_EQ(FranceDepartments[95], "22 : 74 : Haute-Savoie (Annecy)");
    EXPECT_EQ(FranceDepartments[94], "22 : 73 : Savoie (Chamb\xE9ry)");
}

} // namespace
} // namespace nubra
