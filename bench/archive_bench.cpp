// The archive decoders against references, in one run on the same inputs:
//   - inflate against zlib's (raw inflate followed by zlib's CRC-32, as an
//     extraction needs both), on text, binary, highly repetitive and
//     incompressible data, and on the packed place catalogues when
//     data/data.zip is there; libdeflate's (whole-buffer decompression and
//     its CRC-32) is shown beside it for reference;
//   - unshrink and explode against the whole process "unzip -p" of Info-ZIP
//     (when installed) on the same archives.
// Prints MB/s of output and the ratio ours / reference (above 1: faster).
//
// Usage: bench_archive [--quick]
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "archive_test_support.h"
#include "corpus.h"
#include "extract_state.h"
#include "legacy_encoders.h"
#include "median.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;

namespace {

double g_minSeconds = 0.5;

// Best time of one call, over repeated calls filling at least g_minSeconds.
double bestSeconds(const std::function<void()>& call)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    double total = 0;
    int rounds = 0;
    while (total < g_minSeconds || rounds < 3) {
        const auto t0 = Clock::now();
        call();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        best = std::min(best, s);
        total += s;
        ++rounds;
    }
    return best;
}

// Our inflate, as ZipExtract runs it: into a memory stream, CRC included.
std::uint32_t oursInflate(const Bytes& packed, TMemoryStream& out)
{
    TSpanStream in(packed);
    out.Clear();
    ExtractState s;
    PrepareExtractState(s, in, out, static_cast<std::int32_t>(packed.size()), kSizeUnknown, 0);
    if (InflateEntry(s) != ZIP_OK)
        std::abort();
    return ~s.Crc;
}

std::uint32_t zlibInflate(const Bytes& packed, Bytes& out)
{
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END)
        std::abort();
    inflateEnd(&z);
    return static_cast<std::uint32_t>(crc32(0, out.data(), static_cast<uInt>(z.total_out)));
}

std::uint32_t libdeflateInflate(libdeflate_decompressor* d, const Bytes& packed, Bytes& out)
{
    std::size_t size = 0;
    if (libdeflate_deflate_decompress(d, packed.data(), packed.size(), out.data(), out.size(), &size) !=
        LIBDEFLATE_SUCCESS)
        std::abort();
    return libdeflate_crc32(0, out.data(), size);
}

int g_runs = 5;
bool g_targetMissed = false;

// Ours against zlib and libdeflate: g_runs rounds, each the best time of
// each decoder in turn, then the medians. Rows marked `target` must reach
// a ratio to zlib of 1.0.
void compareInflate(const char* name, const Bytes& data, const Bytes& packed, bool target = false)
{
    TMemoryStream ours;
    ours.Reserve(data.size());
    Bytes theirs(data.size() + 1);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    const std::uint32_t crc = oursInflate(packed, ours);
    if (crc != zlibInflate(packed, theirs) || crc != libdeflateInflate(d, packed, theirs) ||
        !std::equal(data.begin(), data.end(), ours.Bytes().begin()))
        std::abort();
    std::vector<double> a, b, c, zlibRatio, libdeflateRatio;
    for (int run = 0; run < g_runs; ++run) {
        a.push_back(bestSeconds([&] { oursInflate(packed, ours); }));
        b.push_back(bestSeconds([&] { zlibInflate(packed, theirs); }));
        c.push_back(bestSeconds([&] { libdeflateInflate(d, packed, theirs); }));
        zlibRatio.push_back(b.back() / a.back());
        libdeflateRatio.push_back(c.back() / a.back());
    }
    libdeflate_free_decompressor(d);
    const double mb = static_cast<double>(data.size()) / 1e6;
    const double ratio = bench::Median(zlibRatio);
    const bool missed = target && ratio < 1.0;
    g_targetMissed = g_targetMissed || missed;
    std::printf("inflate  %-34s %9zu B  ours %7.1f MB/s  zlib %7.1f MB/s  ratio %.2f  libdeflate %7.1f MB/s  "
                "ratio %.2f%s\n",
                name, data.size(), mb / bench::Median(a), mb / bench::Median(b), ratio, mb / bench::Median(c),
                bench::Median(libdeflateRatio),
                target ? (missed ? "  (target >= 1.0: NOT MET)" : "  (target >= 1.0: met)") : "");
}

void catalogues()
{
    const auto path = std::filesystem::path(NUBRA_SOURCE_DIR) / "data" / "data.zip";
    const Bytes archive = bench::ReadFile(path);
    if (archive.empty()) {
        std::printf("inflate  (data/data.zip absent: catalogues skipped)\n");
        return;
    }
    TSpanStream in(archive);
    TZipRec rec;
    for (int r = ZipOpen(in, rec); r == ZIP_OK; r = ZipNext(rec)) {
        const auto* h = archive.data() + rec.LocalHeaderPos;
        const std::size_t start = static_cast<std::size_t>(rec.LocalHeaderPos) + 30 + (h[26] | h[27] << 8) +
                                  (h[28] | h[29] << 8);
        const Bytes packed(archive.begin() + static_cast<long>(start),
                           archive.begin() + static_cast<long>(start) + rec.EntryPackedSize);
        TMemoryStream out;
        oursInflate(packed, out);
        const Bytes data(out.Bytes().begin(), out.Bytes().end());
        compareInflate(("catalogue " + rec.EntryName).c_str(), data, packed, true);
    }
    ZipClose(rec);
}

// Our extraction of every entry against "unzip -p" of the whole archive.
void compareWithUnzip(const char* name, const std::vector<ZipEntrySpec>& entries, std::size_t totalSize)
{
    const ZipImage img = buildZip(entries);
    const auto path = std::filesystem::temp_directory_path() / ("nubra_bench_" + std::to_string(::getpid()) + ".zip");
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(img.bytes.data()), static_cast<std::streamsize>(img.bytes.size()));
    }
    TMemoryStream out;
    const double a = bestSeconds([&] {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            TSpanStream in(img.bytes);
            in.Seek(img.localHeaderPos[i]);
            out.Clear();
            if (ZipExtract(in, out) != ZIP_OK)
                std::abort();
        }
    });
    const std::string command = "unzip -p '" + path.string() + "' > /dev/null 2>&1";
    const bool haveUnzip = std::system(command.c_str()) == 0;
    const double mb = static_cast<double>(totalSize) / 1e6;
    if (haveUnzip) {
        const double b = bestSeconds([&] {
            if (std::system(command.c_str()) != 0)
                std::abort();
        });
        std::printf("%-42s %9zu B  ours %8.1f MB/s  unzip -p %8.1f MB/s  ratio %.2f\n", name, totalSize, mb / a,
                    mb / b, b / a);
    } else {
        std::printf("%-42s %9zu B  ours %8.1f MB/s  (unzip not installed)\n", name, totalSize, mb / a);
    }
    std::filesystem::remove(path);
}

Bytes binaryLike(std::size_t n)
{
    // Machine-code-like bytes: short repeated patterns with varying operands.
    Bytes out;
    std::mt19937 rng(42);
    while (out.size() < n) {
        const std::uint8_t op[] = {0x48, 0x8B, 0x45, static_cast<std::uint8_t>(rng() % 64), 0xE8,
                                   static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0, 0};
        out.insert(out.end(), op, op + 3 + rng() % 6);
    }
    out.resize(n);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    // Five rounds of 0.1 s per decoder and input; --quick makes them 0.02 s.
    g_minSeconds = 0.1;
    if (argc > 1 && std::string(argv[1]) == "--quick")
        g_minSeconds = 0.02;
    std::printf("medians of %d rounds; ratio = reference time / our time (above 1: ours is faster)\n", g_runs);

    const std::size_t n = 4 << 20;
    const Bytes text = textLike(n, 1);
    const Bytes binary = binaryLike(n);
    Bytes repetitive(n);
    for (std::size_t i = 0; i < n; ++i)
        repetitive[i] = static_cast<std::uint8_t>("abcabd"[i % 6]);
    const Bytes random = randomBytes(n, 2);

    const Bytes prose = bench::RepositoryText(NUBRA_SOURCE_DIR, {"README.md", "BENCHMARKS.md"});
    if (!prose.empty())
        compareInflate("text, this repository's sources", prose, deflateRaw(prose, 6), true);
    if (const Bytes program = bench::ReadFile("/proc/self/exe"); !program.empty())
        compareInflate("binary, this benchmark's executable", program, deflateRaw(program, 6), true);
    compareInflate("text-like, level 6", text, deflateRaw(text, 6), true);
    compareInflate("text-like, level 9", text, deflateRaw(text, 9), true);
    compareInflate("text-like, level 1", text, deflateRaw(text, 1), true);
    compareInflate("text-like, fixed codes", text, deflateRaw(text, 6, Z_FIXED), true);
    compareInflate("binary-like, level 6", binary, deflateRaw(binary, 6), true);
    compareInflate("highly repetitive, level 6", repetitive, deflateRaw(repetitive, 6));
    compareInflate("incompressible, level 6", random, deflateRaw(random, 6));
    compareInflate("incompressible, stored", random, deflateRaw(random, 0));
    catalogues();

    // The older methods, through whole extractions.
    const Bytes legacyText = textLike(1 << 20, 3);
    const Bytes legacyBinary = binaryLike(1 << 20);
    ShrinkOptions clearing;
    clearing.clearWhenFull = true;
    std::vector<ZipEntrySpec> shrunk;
    for (const Bytes* d : {&legacyText, &legacyBinary}) {
        ZipEntrySpec e = storedEntry(d == &legacyText ? "text" : "binary", *d);
        e.method = 1;
        e.data = shrink(*d, clearing);
        e.packedSize = static_cast<std::uint32_t>(e.data.size());
        shrunk.push_back(e);
    }
    compareWithUnzip("unshrink text + binary (whole process)", shrunk, 2u << 20);

    std::vector<ZipEntrySpec> imploded;
    for (const Bytes* d : {&legacyText, &legacyBinary}) {
        const ImplodeTrees trees = mixedTrees(true, true);
        ZipEntrySpec e = storedEntry(d == &legacyText ? "text" : "binary", *d);
        e.method = 6;
        e.flags = implodeFlags(trees);
        e.data = implode(findMatches(*d, trees), trees);
        e.packedSize = static_cast<std::uint32_t>(e.data.size());
        imploded.push_back(e);
    }
    compareWithUnzip("explode text + binary (whole process)", imploded, 2u << 20);
    if (g_targetMissed)
        std::printf("inflate ratio to zlib >= 1.0 on text, binary and the catalogue: NOT MET\n");
    return 0;
}
