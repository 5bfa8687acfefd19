// The four forecast walks on large replica-shaped pages (1 and 16 MiB: a
// page's forecast table or list repeated), against DecodeEntities of the
// same page in the same run. A walk decodes once and reads every token
// once, so two ratios should hold whatever the machine:
//   walk / decode         a small constant (the token walk costs about as
//                         much as the decoding);
//   16 MiB / 1 MiB        about 16 (linear in the page size).
// Medians over several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "pages.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"
#include "uuhtml.h"

namespace {

using Clock = std::chrono::steady_clock;
using Walk = std::string (*)(std::string_view, std::string_view, std::string_view);
constexpr std::int64_t kDay = 20795;
constexpr int kRounds = 5;

// `page` with the part from `from` (inclusive) to `to` (exclusive), both
// searched after `after`, repeated until the page is `size` bytes long.
std::string grow(const std::string& page, std::string_view after, std::string_view from, std::string_view to,
                 std::size_t size)
{
    const std::size_t start = page.find(from, page.find(after));
    const std::size_t end = page.find(to, start);
    const std::string repeated = page.substr(start, end - start);
    std::string big = page.substr(0, end);
    big.reserve(size + page.size());
    while (big.size() < size)
        big += repeated;
    big += page.substr(end);
    return big;
}

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

} // namespace

int main()
{
    using namespace nubra;
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
        {"suisse", WalkSuissePage, replica::SuissePage("1200", kDay), "class=\"prevision\"", "<tr>\r\n  <td>", "</table>"},
        {"canada", WalkCanadaPage, replica::CanadaPage("AB-12", kDay), "<div id=\"contenu\">", "<div class=\"theDefListsBox\">",
         "<p class=\"avis\">"},
        {"belgique", WalkBelgiquePage, replica::BelgiquePage("6450", kDay), "climat-content", "  <li>", "</ul>"},
    };
    std::printf("%-9s %6s %10s %10s %12s %10s\n", "source", "MiB", "decode ms", "walk ms", "walk/decode", "lines");
    for (const Source& source : sources) {
        double small = 0;
        for (std::size_t mib : {1, 16}) {
            const std::string page = grow(source.page, source.after, source.from, source.to, mib << 20);
            std::string text;
            const double decode = medianMs([&] { text = DecodeEntities(page); });
            const double walk = medianMs([&] { text = source.walk(page, "Lieu", "h\xF4te"); });
            std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
            std::printf("%-9s %6zu %10.1f %10.1f %12.2f %10zu", source.name, mib, decode, walk, walk / decode, lines);
            if (mib == 1)
                small = walk;
            else
                std::printf("   16 MiB / 1 MiB = %.1f", walk / small);
            std::printf("\n");
        }
    }
    return 0;
}
