// The four forecast walks and entity decoding on the stress pages of
// tests/forecast/large_pages.h (many rows, boxes or items, blocks and tags
// that never close, no marker), at 4 MiB and 16 MiB in the same run. Every
// one of them should be linear in the page: the 16 MiB page should take
// about 4 times as long as the 4 MiB one, never about 16 times. Medians
// over several rounds; the exit status is 1 when a ratio passes 8.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "large_pages.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "uuhtml.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
constexpr double kWorstRatio = 8.0;  // half-way between linear (4) and quadratic (16)

template <class F>
double medianMs(F&& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

nubra::test::Walk walkOf(std::string_view source)
{
    using namespace nubra;
    if (source == "france")
        return WalkFrancePage;
    if (source == "suisse")
        return WalkSuissePage;
    if (source == "canada")
        return WalkCanadaPage;
    return WalkBelgiquePage;
}

} // namespace

int main()
{
    using namespace nubra;
    int status = 0;
    std::printf("%-26s %12s %12s %8s\n", "page", "4 MiB ms", "16 MiB ms", "ratio");
    for (const test::LargePageMaker& maker : test::LargePageMakers()) {
        double ms[2] = {0, 0};
        int i = 0;
        for (const std::size_t size : {std::size_t{4} << 20, std::size_t{16} << 20}) {
            const test::LargePage page = maker.make(size);
            std::size_t result = 0;
            if (std::string_view(maker.source) == "decode")
                ms[i] = medianMs([&] { result = DecodeEntities(page.page).size(); });
            else
                ms[i] = medianMs([&] { result = walkOf(maker.source)(page.page, "Lieu", "h\xF4te").size(); });
            if (result == 0 && page.expected != 0)
                std::printf("(%s: empty result)\n", maker.name);
            ++i;
        }
        const double ratio = ms[1] / std::max(ms[0], 0.001);
        std::printf("%-26s %12.1f %12.1f %8.2f%s\n", maker.name, ms[0], ms[1], ratio,
                    ratio > kWorstRatio ? "  NOT LINEAR" : "");
        if (ratio > kWorstRatio)
            status = 1;
    }
    return status;
}
