// An executable built without resources: opening "data" fails with the
// program's message, and no table gets filled.
#include "catalogue.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace nubra {
namespace {

TEST(NoResource, OpeningDataFailsWithTheMessageShownToTheUser)
{
    EXPECT_TRUE(FindResourceBytes("data").empty());
    try {
        OpenResource("data");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Ressource data non trouv\xE9" "e");
    }
    TCatalogues tables;
    EXPECT_THROW(LoadEmbeddedCatalogues(tables), std::runtime_error);
    EXPECT_TRUE(tables.FranceCities.empty());
}

} // namespace
} // namespace nubra
