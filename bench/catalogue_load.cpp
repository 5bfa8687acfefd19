// Start-up cost of the catalogues: opening the resource "data", extracting
// its catalogue entries and parsing them into the tables, as every start does.
//
// Reference in the same run: zlib inflating the same entries into
// preallocated buffers, i.e. the decompression alone with a mature library.
// The ratio (load / reference) is what to watch; absolute times depend on
// the machine and its load. Medians over several rounds, run alternately.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue.h"
#include "little_endian.h"
#include "median.h"
#include "resource.h"
#include "vunzip.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PackedEntry {
    const std::uint8_t* data;
    std::uint32_t packed;
    std::uint32_t size;
};

using nubra::le16;
using nubra::le32;

// The deflated data of one entry, located through our reader's directory
// walk and the local header's fixed fields.
PackedEntry locate(std::span<const std::uint8_t> archive, const char* name)
{
    nubra::TSpanStream stream(archive);
    const std::int32_t at = nubra::ZipFindEntry(stream, name);
    if (at < 0 || static_cast<std::size_t>(at) + 30 > archive.size())
        throw std::runtime_error(std::string("entry missing: ") + name);
    const std::uint8_t* h = archive.data() + at;
    return {h + 30 + le16(h + 26) + le16(h + 28), le32(h + 18), le32(h + 22)};
}

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

} // namespace

int main()
{
    const auto archive = nubra::FindResourceBytes("data");
    std::vector<PackedEntry> entries;
    for (const nubra::TCatalogueEntry& catalogue : nubra::CatalogueEntries())
        entries.push_back(locate(archive, std::string(catalogue.Entry).c_str()));
    std::vector<std::vector<std::uint8_t>> outputs;
    for (const PackedEntry& e : entries)
        outputs.emplace_back(e.size);

    constexpr int kRounds = 31;
    std::vector<double> ours;
    std::vector<double> reference;
    std::size_t records = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        nubra::TCatalogues tables;
        nubra::LoadEmbeddedCatalogues(tables);
        ours.push_back(milliseconds(Clock::now() - start));
        records = tables.FranceCities.size() + tables.CanadaCities.size() + tables.SuisseCities.size()
            + tables.BelgiqueCities.size() + tables.LuxembourgCities.size() + tables.MonacoCities.size()
            + tables.OutreMerCities.size();

        start = Clock::now();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            z_stream z{};
            inflateInit2(&z, -MAX_WBITS);
            z.next_in = const_cast<Bytef*>(entries[i].data);
            z.avail_in = entries[i].packed;
            z.next_out = outputs[i].data();
            z.avail_out = static_cast<uInt>(outputs[i].size());
            const int rc = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (rc != Z_STREAM_END) {
                std::fprintf(stderr, "zlib refused entry %zu\n", i);
                return 1;
            }
        }
        reference.push_back(milliseconds(Clock::now() - start));
    }
    const double load = nubra::bench::Median(ours);
    const double inflateOnly = nubra::bench::Median(reference);
    std::printf("%d rounds, %zu records\n", kRounds, records);
    std::printf("catalogue load (open + %zu extractions + parse): median %.2f ms, best %.2f ms\n", entries.size(), load,
                *std::min_element(ours.begin(), ours.end()));
    std::printf("reference (zlib inflate of the same entries): median %.2f ms, best %.2f ms\n", inflateOnly,
                *std::min_element(reference.begin(), reference.end()));
    std::printf("ratio load / reference (medians): %.2f\n", load / inflateOnly);
    return 0;
}
