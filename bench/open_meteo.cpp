// The Open-Meteo answer of a 7-day forecast with its hourly block turned
// into text, as the window does after each fetch: the replica's JSON for
// Achenheim on a fixed day (2026-12-08), asked for with the program's own
// query.
//
// Reference in the same run: nlohmann::json::parse of the same body alone,
// so the ratio (conversion / parse) shows what the checks, the periods and
// the French text add to the parsing; the target is at most 3. Each round
// times a batch of conversions, then a batch of parses; the medians of the
// rounds, per conversion.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "median.h"
#include "open_meteo.h"
#include "pages.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kDay = 20795;  // 2026-12-08, days since 1970-01-01
constexpr int kRounds = 31;
constexpr int kBatch = 100;
constexpr double kTargetRatio = 3;

double microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

} // namespace

int main()
{
    const nubra::TPosition achenheim{48'583'300, 7'683'300};
    std::string query = nubra::OpenMeteoForecastPath(achenheim);
    query.erase(0, query.find('?') + 1);
    const nubra::replica::TAnswer answer = nubra::replica::OpenMeteoAnswer(query, kDay);
    const std::string text = nubra::OpenMeteoText(answer.Body, "Achenheim", "api.open-meteo.com");
    // Heading, credit, current, sun, then periods and days: well over the
    // seven lines of a text without periods.
    const auto lines = std::count(text.begin(), text.end(), '\n');
    if (answer.Status != 200 || lines < 12 || text.find(" soir\xE9" "e : ") == std::string::npos) {
        std::fprintf(stderr, "bench_open_meteo: status %u, %ld lines, no period\n", answer.Status,
                     static_cast<long>(lines));
        return 1;
    }

    std::vector<double> ours, reference;
    std::size_t sink = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i)
            sink += nubra::OpenMeteoText(answer.Body, "Achenheim", "api.open-meteo.com").size();
        ours.push_back(microseconds(Clock::now() - start) / kBatch);

        start = Clock::now();
        for (int i = 0; i < kBatch; ++i)
            sink += nlohmann::json::parse(answer.Body).size();
        reference.push_back(microseconds(Clock::now() - start) / kBatch);
    }
    // Every conversion gave the same text and every parse the same members.
    const std::size_t members = nlohmann::json::parse(answer.Body).size();
    if (sink != std::size_t{kRounds} * kBatch * (text.size() + members)) {
        std::fputs("bench_open_meteo: a conversion or a parse gave another result\n", stderr);
        return 1;
    }
    const double conversion = nubra::bench::Median(ours), parse = nubra::bench::Median(reference);
    std::printf("answer: %zu bytes of JSON, 7 days and their hours, %zu bytes of text in %ld lines\n",
                answer.Body.size(), text.size(), static_cast<long>(lines));
    std::printf("%d rounds of %d\n", kRounds, kBatch);
    std::printf("open-meteo text, 7 days with hours: median %.1f us per conversion, best %.1f us\n", conversion,
                *std::min_element(ours.begin(), ours.end()));
    std::printf("reference (nlohmann::json::parse alone): median %.1f us, best %.1f us\n", parse,
                *std::min_element(reference.begin(), reference.end()));
    const double ratio = conversion / parse;
    std::printf("ratio conversion / parse (medians): %.2f  (target <= %.0f: %s)\n", ratio, kTargetRatio,
                ratio <= kTargetRatio ? "met" : "NOT MET");
    return 0;
}
