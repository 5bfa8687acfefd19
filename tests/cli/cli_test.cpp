#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "entry_bytes.h"
#include "subcommands.h"

namespace nubra::cli {
namespace {

TEST(CliLibrary, FindsCountriesByKeyAndPlacesByExactName)
{
    const TCountry* canada = ParseCountry("canada");
    ASSERT_NE(canada, nullptr);
    EXPECT_EQ(ParseCountry("2"), canada);
    EXPECT_EQ(ParseCountry("Canada"), nullptr);
    EXPECT_EQ(ParseCountry("allemagne"), nullptr);

    TCatalogues tables;
    test::FillTable(test::EntryBytes(3).byte(1).text("AB-1").text("Banff").byte(1).text("AB-2").text("Airdrie")
                        .byte(1).text("AB-3").text("Banff"),
                    ParseCanadaEntry, tables.CanadaEntry, tables.CanadaCities);
    test::FillTable(test::EntryBytes(1).byte(1).text("0100101000Airdrie"), ParseFranceEntry, tables.FranceEntry,
                    tables.FranceCities);
    EXPECT_EQ(FindPlaceByName(*canada, tables, "Banff"), 0);  // the first of two
    EXPECT_EQ(FindPlaceByName(*canada, tables, "Airdrie"), 1);
    EXPECT_EQ(FindPlaceByName(*canada, tables, "banff"), std::nullopt);
    EXPECT_EQ(FindPlaceByName(*ParseCountry("france"), tables, "Banff"), std::nullopt);
}

// The companion reads the same "serveurs" section as the window, from the
// same file, starting from the same defaults.
TEST(CliLibrary, HostsComeFromTheSettingsFileOverTheDefaults)
{
    std::string folder = (std::filesystem::temp_directory_path() / "nubra-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    std::ofstream(std::filesystem::path(folder) / "nubra.ini")
        << "[serveurs]\nsuisse = 127.0.0.1:8080\ncanada=pas un hote\n";

    const TServiceHosts hosts = ConfiguredHosts();
    EXPECT_EQ(hosts.Suisse, "127.0.0.1:8080");
    EXPECT_EQ(hosts.Canada, DefaultServiceHosts().Canada);  // refused: the default stays
    EXPECT_EQ(hosts.France, DefaultServiceHosts().France);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace nubra::cli
