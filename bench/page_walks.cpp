// DecodeEntities and the four forecast walks on pages of 1, 2 and 16 MiB, the
// sizes a misbehaving service could send: real-shaped pages (a replica
// page's forecast table or list repeated) and the stress pages of
// tests/forecast/large_pages.h (rows without end, tags that never close, no
// marker, entity runs). Each should be linear in the page: the 16 MiB page
// should take about eight times as long as the 2 MiB one (a quadratic pass
// would take 64 times). The 2 / 1 MiB ratio is shown too, but pages of a
// few milliseconds that fit in the processor's cache are too short to judge
// by it alone. Also printed: MB/s at 2 MiB, and for the replica pages
// the walk against DecodeEntities of the same page (the walk decodes once
// and reads every token once, so a small constant). Medians of several
// rounds. Exit status 1 when the 16 / 2 MiB ratio passes 23.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "large_pages.h"
#include "pages.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "uuhtml.h"

namespace {

using Clock = std::chrono::steady_clock;
using Walk = nubra::test::Walk;
constexpr std::int64_t kDay = 20795;
constexpr int kRounds = 5;
constexpr double kWorstRatio = 23.0;  // half-way (geometric) between linear (8) and quadratic (64)
constexpr std::size_t kSizes[] = {1, 2, 16};  // MiB
constexpr std::size_t kMiB = std::size_t{1} << 20;

template <class F>
double medianMs(std::size_t mib, F&& run) {
    std::vector<double> times;
    const int rounds = mib > 2 ? 3 : kRounds;  // the largest pages vary less and take long
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// `page` with the part from `from` (inclusive) to `to` (exclusive), both
// searched after `after`, repeated until the page is `size` bytes long.
std::string grow(const std::string& page, std::string_view after, std::string_view from, std::string_view to,
                 std::size_t size) {
    const std::size_t start = page.find(from, page.find(after));
    const std::size_t end = page.find(to, start);
    const std::string repeated = page.substr(start, end - start);
    std::string big = page.substr(0, end);
    big.reserve(size + page.size());
    while (big.size() < size) big += repeated;
    big += page.substr(end);
    return big;
}

Walk walkOf(std::string_view source) {
    using namespace nubra;
    if (source == "france") return WalkFrancePage;
    if (source == "suisse") return WalkSuissePage;
    if (source == "canada") return WalkCanadaPage;
    return WalkBelgiquePage;
}

// Prints one line; false when the growth is not linear.
bool report(const char* name, const double ms[3], std::size_t bytes2, const char* extra) {
    const double ratio = ms[2] / std::max(ms[1], 0.001);
    std::printf("%-28s %9.2f %9.2f %9.2f %6.2f %6.2f %8.0f%s%s\n", name, ms[0], ms[1], ms[2],
                ms[1] / std::max(ms[0], 0.001), ratio, static_cast<double>(bytes2) / 1e6 / (ms[1] / 1e3), extra,
                ratio > kWorstRatio ? "  NOT LINEAR" : "");
    return ratio <= kWorstRatio;
}

} // namespace

int main() {
    using namespace nubra;
    bool linear = true;
    std::printf("%-28s %9s %9s %9s %6s %6s %8s\n", "page", "1 MiB ms", "2 MiB ms", "16 MiB ms", "2/1", "16/2",
                "MB/s @2");

    struct Source {
        const char* name;
        Walk walk;
        std::string page;
        const char* after;
        const char* from;
        const char* to;
    };
    const Source sources[] = {
        {"france", WalkFrancePage, replica::FranceCommunePage("67001", kDay), "Actualis", "<tr>\r\n  <td>", "</table>"},
        {"suisse", WalkSuissePage, replica::SuissePage("1200", kDay), "class=\"prevision\"", "<tr>\r\n  <td>",
         "</table>"},
        {"canada", WalkCanadaPage, replica::CanadaPage("AB-12", kDay), "<div id=\"contenu\">",
         "<div class=\"theDefListsBox\">", "<p class=\"avis\">"},
        {"belgique", WalkBelgiquePage, replica::BelgiquePage("6450", kDay), "climat-content", "  <li>", "</ul>"},
    };
    for (const Source& source : sources) {
        double decode[3], walk[3];
        std::size_t bytes2 = 0;
        for (int i = 0; i < 3; ++i) {
            const std::string page = grow(source.page, source.after, source.from, source.to, kSizes[i] * kMiB);
            if (i == 1) bytes2 = page.size();
            std::string text;
            decode[i] = medianMs(kSizes[i], [&] { text = DecodeEntities(page); });
            walk[i] = medianMs(kSizes[i], [&] { text = source.walk(page, "Lieu", "h\xF4te"); });
            if (text.empty()) std::printf("(%s: empty forecast text)\n", source.name);
        }
        char extra[64];
        std::snprintf(extra, sizeof extra, "   walk/decode %.2f", walk[1] / decode[1]);
        linear &= report((std::string("replica ") + source.name + " decode").c_str(), decode, bytes2, "");
        linear &= report((std::string("replica ") + source.name + " walk").c_str(), walk, bytes2, extra);
    }

    for (const test::LargePageMaker& maker : test::LargePageMakers()) {
        double ms[3];
        std::size_t bytes2 = 0;
        for (int i = 0; i < 3; ++i) {
            const test::LargePage page = maker.make(kSizes[i] * kMiB);
            if (i == 1) bytes2 = page.page.size();
            if (std::string_view(maker.source) == "decode")
                ms[i] = medianMs(kSizes[i], [&] { (void)DecodeEntities(page.page); });
            else
                ms[i] = medianMs(kSizes[i], [&] { (void)walkOf(maker.source)(page.page, "Lieu", "h\xF4te"); });
        }
        linear &= report(maker.name, ms, bytes2, "");
    }
    return linear ? 0 : 1;
}
