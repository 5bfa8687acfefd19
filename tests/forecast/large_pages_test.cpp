// The four walks and entity decoding on pages of 4 and 16 MiB built to
// stress them (see large_pages.h): each must finish and give exactly the
// lines its page holds. How their time grows with the page is measured by
// bench_large_pages, not here: these machines are shared and noisy.
#include "large_pages.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "uuhtml.h"

namespace nubra {
namespace {

constexpr std::size_t kSizes[] = {std::size_t{4} << 20, std::size_t{16} << 20};

test::Walk walkOf(std::string_view source)
{
    if (source == "france")
        return WalkFrancePage;
    if (source == "suisse")
        return WalkSuissePage;
    if (source == "canada")
        return WalkCanadaPage;
    return WalkBelgiquePage;
}

void checkSource(std::string_view source)
{
    int pages = 0;
    for (const test::LargePageMaker& maker : test::LargePageMakers()) {
        if (maker.source != source)
            continue;
        for (const std::size_t size : kSizes) {
            const test::LargePage page = maker.make(size);
            ASSERT_GE(page.page.size(), size) << maker.name;
            if (source == "decode") {
                EXPECT_EQ(DecodeEntities(page.page).size(), page.expected) << maker.name << ", " << (size >> 20) << " MiB";
            } else {
                const std::string text = walkOf(source)(page.page, "Lieu", "h\xF4te");
                const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
                EXPECT_EQ(lines, page.expected) << maker.name << ", " << (size >> 20) << " MiB";
            }
            ++pages;
        }
    }
    EXPECT_GE(pages, 4) << "no large page for " << source;
}

TEST(LargePages, France) { checkSource("france"); }
TEST(LargePages, Suisse) { checkSource("suisse"); }
TEST(LargePages, Canada) { checkSource("canada"); }
TEST(LargePages, Belgique) { checkSource("belgique"); }
TEST(LargePages, DecodeEntities) { checkSource("decode"); }

} // namespace
} // namespace nubra
