// DecodeEntities on a 1 MiB page holding about 20,000 entities and UTF-8
// pairs and as many line breaks, the size of a large forecast page.
//
// Reference in the same run: the literal rule, each occurrence replaced by
// writing one byte and erasing the rest of the entity, the text after it
// shifted every time. Both must give the same text; the ratio
// (literal / ours) is what to watch. Medians over several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "median.h"
#include "uuhtml.h"

namespace {

using Clock = std::chrono::steady_clock;

void literalReplaceEntity(std::string& text, std::string_view entity, char replacement)
{
    std::size_t i = text.find(entity);
    while (i != std::string::npos) {
        text[i] = replacement;
        text.erase(i + 1, entity.size() - 1);
        i = text.find(entity, i);
    }
}

std::string literalDecodeEntities(std::string text)
{
    for (const nubra::TEntityRow& row : nubra::EntityTable)
        literalReplaceEntity(text, row.Entity, row.Replacement);
    return text;
}

// Markup and French text, with an entity or a UTF-8 pair every ~50 bytes (about 20,000)
// and a line break every ~50 bytes.
std::string makePage(std::size_t size)
{
    static const char* const kEntities[] = {"&eacute;", "&agrave;", "&deg;", "&nbsp;", "&lt;", "&gt;",
                                            "\xC3\xA9", "\xC3\xA8", "\xC2\xB0", "&amp;", "&ecirc;", "\xC3\xA0"};
    static const char* const kWords[] = {"<td class=\"temp\">", "</td>", "Pr", "visions", " pour ", "demain",
                                         "ciel", " couvert ", "<img src='a.gif' alt='Soleil'>", "12", " vent "};
    std::mt19937 rng(42);
    std::string page;
    page.reserve(size + 64);
    std::size_t sinceEntity = 0, sinceBreak = 0;
    while (page.size() < size) {
        const std::string word = kWords[rng() % std::size(kWords)];
        page += word;
        sinceEntity += word.size();
        sinceBreak += word.size();
        if (sinceEntity >= 36 + rng() % 10) {
            page += kEntities[rng() % std::size(kEntities)];
            sinceEntity = 0;
        }
        if (sinceBreak >= 45 + rng() % 10) {
            page += "\r\n";
            sinceBreak = 0;
        }
    }
    page.resize(size);
    return page;
}

double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main()
{
    const std::string page = makePage(std::size_t{1} << 20);
    std::size_t entities = 0, breaks = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        entities += page[i] == '&' || page[i] == '\xC3' || page[i] == '\xC2';
        breaks += page[i] == '\n';
    }

    std::vector<double> ours, literal;
    std::string a, b;
    for (int round = 0; round < 5; ++round) {
        auto t0 = Clock::now();
        a = nubra::DecodeEntities(page);
        auto t1 = Clock::now();
        ours.push_back(milliseconds(t1 - t0));
        if (round < 3) {  // the literal rule is slow; three rounds give a median
            t0 = Clock::now();
            b = literalDecodeEntities(page);
            t1 = Clock::now();
            literal.push_back(milliseconds(t1 - t0));
        }
    }
    if (a != b) {
        std::fputs("bench_decode_entities: the two decoders disagree\n", stderr);
        return 1;
    }
    const double o = nubra::bench::Median(ours), l = nubra::bench::Median(literal);
    std::printf("page: %zu bytes, %zu entity starts, %zu line breaks, decoded to %zu bytes\n", page.size(),
                entities, breaks, a.size());
    std::printf("DecodeEntities (one pass per row): %8.2f ms (median of %zu)\n", o, ours.size());
    std::printf("literal rule (erase and shift):    %8.2f ms (median of %zu)\n", l, literal.size());
    std::printf("ratio literal / ours: %.1f\n", l / o);
    return 0;
}
