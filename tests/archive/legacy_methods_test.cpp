// Unshrink (method 1) and explode (method 6): round trips through the
// test-side encoders, whose archives Info-ZIP's unzip also has to accept
// (so encoder and decoder cannot agree on a shared mistake), and the ways
// each stream can fail.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "archive_test_support.h"
#include "legacy_encoders.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;

namespace {

// Info-ZIP's unzip tests an archive: true when every entry checks out.
bool infoZipAccepts(const Bytes& archive)
{
    const auto path = std::filesystem::path(::testing::TempDir()) /
                      ("nubra_legacy_" + std::to_string(::getpid()) + ".zip");
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    }
    const int status = std::system(("unzip -tqq '" + path.string() + "' >/dev/null 2>&1").c_str());
    std::filesystem::remove(path);
    return status == 0;
}

ZipEntrySpec packedEntry(const std::string& name, std::uint16_t method, std::uint16_t flags,
                         const Bytes& packed, const Bytes& content)
{
    ZipEntrySpec e;
    e.name = name;
    e.method = method;
    e.flags = flags;
    e.data = packed;
    e.crc = crcOf(content);
    e.packedSize = static_cast<std::uint32_t>(packed.size());
    e.size = static_cast<std::uint32_t>(content.size());
    return e;
}

DecodeRun unshrinkRaw(const Bytes& packed, std::int64_t outputLimit = -1)
{
    return runDecoder(Method::Unshrink, packed, -1, kSizeUnknown, 0, outputLimit);
}

DecodeRun explodeRaw(const Bytes& packed, const ImplodeTrees& trees, std::size_t size,
                     std::int32_t packedSize = -1, std::int64_t outputLimit = -1)
{
    return runDecoder(Method::Explode, packed, packedSize, static_cast<std::int32_t>(size),
                      implodeFlags(trees), outputLimit);
}

Bytes runs(std::size_t n)
{
    // Runs of one byte, long enough for the longest implode matches.
    Bytes out;
    std::uint8_t b = 'a';
    while (out.size() < n) {
        out.insert(out.end(), 100 + (out.size() % 700), b);
        b = static_cast<std::uint8_t>(b == 'z' ? 'a' : b + 1);
    }
    out.resize(n);
    return out;
}

} // namespace

// --- Unshrink -----------------------------------------------------------------

TEST(Unshrink, RoundTripsAndInfoZipAgrees)
{
    const struct {
        const char* what;
        Bytes data;
        ShrinkOptions options;
        bool infoZip; // also checked by Info-ZIP's unzip
    } rows[] = {
        {"text", textLike(50000, 1), {}, true},
        {"single byte", {0x41}, {}, true},
        {"small alphabet, clearing whenever full", randomBytes(60000, 3, 3), {{}, {}, true}, true},
        {"random bytes, clearing whenever full", randomBytes(30000, 2), {{}, {}, true}, true},
        {"clearing part-way", textLike(60000, 4), {{}, {2000}, false}, true},
        {"clearing part-way, then whenever full", randomBytes(200000, 6, 16), {{}, {3000}, true}, true},
        {"clearing before any code is defined", textLike(5000, 7), {{}, {1}, false}, true},
        {"early widening", textLike(20000, 8), {{3, 10, 10}, {}, false}, true},
        // Info-ZIP's unzip refuses a code once the table is full; this
        // decoder goes on without defining codes.
        {"full table, never cleared", randomBytes(30000, 9), {}, false},
    };
    for (const auto& row : rows) {
        ShrinkStats stats;
        const Bytes packed = shrink(row.data, row.options, &stats);
        const DecodeRun run = unshrinkRaw(packed);
        EXPECT_EQ(run.result, ZIP_OK) << row.what;
        EXPECT_EQ(run.output, row.data) << row.what;
        if (!row.options.clearBefore.empty() || row.options.clearWhenFull) {
            EXPECT_GE(stats.clears, 1) << row.what;
        }
        const ZipImage img = buildZip({packedEntry("e.txt", 1, 0, packed, row.data)});
        if (row.infoZip) {
            EXPECT_TRUE(infoZipAccepts(img.bytes)) << row.what;
        }
        EXPECT_EQ(extractAt(img.bytes, 0).result, ZIP_OK) << row.what;
    }
}

TEST(Unshrink, WritesIn767BytePieces)
{
    const Bytes data = textLike(2000, 9);
    const DecodeRun run = unshrinkRaw(shrink(data));
    ASSERT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.writes, (std::vector<std::int32_t>{767, 767, 466}));
}

TEST(Unshrink, WideningEscapes)
{
    const Bytes data = textLike(30000, 10);
    ShrinkStats stats;
    ShrinkOptions four;
    four.growBefore = {1, 1, 1, 1};
    const Bytes packed = shrink(data, four, &stats);
    EXPECT_EQ(stats.grows, 4) << "13-bit codes from the second code on";
    DecodeRun run = unshrinkRaw(packed);
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, data);
    EXPECT_TRUE(infoZipAccepts(buildZip({packedEntry("13.txt", 1, 0, packed, data)}).bytes));

    ShrinkOptions five;
    five.growBefore = {1, 1, 1, 1, 1};
    run = unshrinkRaw(shrink(data, five));
    EXPECT_EQ(run.result, ZIP_BAD_DATA);
}

TEST(Unshrink, PartialClearingReusesFreedCodesLowestFirst)
{
    const Bytes data = textLike(40000, 11);
    ShrinkOptions options;
    options.clearBefore = {1500};
    ShrinkStats stats;
    const Bytes packed = shrink(data, options, &stats);
    ASSERT_EQ(stats.clears, 1);
    EXPECT_GT(stats.reusedCodes, 0);
    ASSERT_GE(stats.reuseOrder.size(), 2u);
    EXPECT_TRUE(std::is_sorted(stats.reuseOrder.begin(), stats.reuseOrder.end()));
    EXPECT_LT(stats.reuseOrder.front(), 1500) << "a freed code, below the old head";
    const DecodeRun run = unshrinkRaw(packed);
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, data);
    EXPECT_TRUE(infoZipAccepts(buildZip({packedEntry("c.txt", 1, 0, packed, data)}).bytes));
}

TEST(Unshrink, CodeEqualToTheOneAboutToBeDefined)
{
    // "aaaa...": each code after the first is the one being defined.
    const Bytes data(300, 'a');
    ShrinkStats stats;
    const Bytes packed = shrink(data, {}, &stats);
    EXPECT_GT(stats.selfReferences, 5);
    const DecodeRun run = unshrinkRaw(packed);
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, data);

    // By hand: 'a' 'b' 257 259 is "ab" "ab" "aba".
    BitWriter w;
    for (unsigned code : {97u, 98u, 257u, 259u})
        w.bits(code, 9);
    EXPECT_EQ(unshrinkRaw(w.finish()).output, toBytes("abababa"));
}

TEST(Unshrink, Failures)
{
    const struct {
        const char* what;
        std::vector<std::pair<unsigned, unsigned>> codes; // (code, width)
        int expected;
    } rows[] = {
        {"escape followed by 0", {{'a', 9}, {256, 9}, {0, 9}, {'b', 9}}, ZIP_BAD_DATA},
        {"escape followed by 3", {{'a', 9}, {256, 9}, {3, 9}, {'b', 9}}, ZIP_BAD_DATA},
        // 258 is free but not next: taken as the code being defined; then
        // 258 is defined on top of itself, and reading it loops in its
        // own chain until the stack is exhausted.
        {"a code defined on top of itself", {{'a', 9}, {258, 9}, {'b', 9}, {258, 9}, {'c', 9}}, ZIP_BAD_DATA},
    };
    for (const auto& row : rows) {
        BitWriter w;
        for (auto [code, width] : row.codes)
            w.bits(code, width);
        EXPECT_EQ(unshrinkRaw(w.finish()).result, row.expected) << row.what;
    }

    // Without a compressed size (flag bit 3) the method is refused.
    const Bytes data = textLike(1000, 12);
    ZipEntrySpec e = packedEntry("dd.txt", 1, 8, shrink(data), data);
    const ZipImage img = buildZip({e});
    const ExtractRun run = extractAt(img.bytes, 0);
    EXPECT_EQ(run.result, ZIP_UNSUPPORTED_METHOD);
    EXPECT_TRUE(run.output.empty());

    // A short write.
    EXPECT_EQ(unshrinkRaw(shrink(textLike(5000, 13)), 1000).result, ZIP_SHORT_WRITE);
    // A compressed size larger than the stream: the input ends.
    const Bytes packed = shrink(textLike(5000, 14));
    EXPECT_EQ(runDecoder(Method::Unshrink, packed, static_cast<std::int32_t>(packed.size()) + 100000).result,
              ZIP_INPUT_ENDED);
}

TEST(Unshrink, ClearingAfterACodeDefinedOnAFreeCodeStaysInTheTable)
{
    // 300 is free and not next, so it is taken as the code being defined;
    // the next definition (258) then extends the free code 300. A partial
    // clearing must leave 300's free-list link intact, or once the free
    // list reaches 300 the next clearing walks far past the table.
    BitWriter w;
    for (auto [code, width] : std::vector<std::pair<unsigned, unsigned>>{
             {'a', 9}, {300, 9}, {'b', 9}, {256, 9}, {2, 9}})
        w.bits(code, width);
    for (int i = 0; i < 60; ++i)
        w.bits('c', 9);
    w.bits(256, 9);
    w.bits(2, 9);
    w.bits('d', 9);
    w.bits('e', 9);
    const DecodeRun run = unshrinkRaw(w.finish());
    EXPECT_EQ(run.result, ZIP_OK);
    // "a", "aa" for 300, "b", sixty "c", "d", "e": every code kept its meaning.
    EXPECT_EQ(run.output, toBytes("aaab" + std::string(60, 'c') + "de"));
}

TEST(Unshrink, GarbageEndsWithAResultCode)
{
    std::mt19937 rng(5);
    const Bytes good = shrink(textLike(20000, 15), {{}, {900}, true});
    for (int round = 0; round < 200; ++round) {
        Bytes input = round % 2 == 0 ? randomBytes(1 + rng() % 4000, rng()) : good;
        if (round % 2 == 1)
            for (int k = 0; k < 3; ++k)
                input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        const int result = unshrinkRaw(input, 1 << 20).result;
        EXPECT_TRUE(result == 0 || result == -2 || result == -3 || result == -4) << result;
    }
}

// --- Explode ------------------------------------------------------------------

TEST(Explode, AllFourVariantsRoundTripAndInfoZipAgrees)
{
    const std::vector<std::pair<const char*, Bytes>> inputs = {
        {"text", textLike(70000, 20)},
        {"random", randomBytes(9000, 21)},
        {"runs", runs(50000)},
    };
    std::vector<ZipEntrySpec> entries;
    for (bool literalTree : {false, true}) {
        for (bool big : {false, true}) {
            for (bool mixed : {false, true}) {
                const ImplodeTrees trees = mixed ? mixedTrees(literalTree, big) : flatTrees(literalTree, big);
                for (const auto& [name, data] : inputs) {
                    SCOPED_TRACE(std::string(name) + (literalTree ? ", literal tree" : ", raw literals") +
                                 (big ? ", 8K" : ", 4K") + (mixed ? ", mixed trees" : ", flat trees"));
                    const auto ops = findMatches(data, trees);
                    ASSERT_EQ(applyOps(ops), data);
                    const Bytes packed = implode(ops, trees);
                    const DecodeRun run = explodeRaw(packed, trees, data.size());
                    EXPECT_EQ(run.result, ZIP_OK);
                    EXPECT_EQ(run.output, data);
                    // The wider distance root of large entries decodes the same.
                    EXPECT_EQ(explodeRaw(packed, trees, data.size(), 200001).output, data);
                    entries.push_back(packedEntry(std::to_string(entries.size()) + ".dat", 6,
                                                  implodeFlags(trees), packed, data));
                }
            }
        }
    }
    const ZipImage img = buildZip(entries);
    EXPECT_TRUE(infoZipAccepts(img.bytes));
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(extractAt(img.bytes, img.localHeaderPos[i]).result, ZIP_OK) << i;
}

TEST(Explode, LengthsAndDistancesAtTheirLimits)
{
    for (bool literalTree : {false, true}) {
        const ImplodeTrees trees = mixedTrees(literalTree, true);
        const unsigned longest = maximumMatch(trees);
        SCOPED_TRACE(literalTree ? "literal tree" : "raw literals");
        const std::vector<ImplodeOp> ops = {
            {'x', 0, 0},
            {0, 100, 5},            // reaches before the first byte: zeros
            {'y', 0, 0},
            {0, 1, longest},        // symbol 63 with its extra byte at 255
            {0, 1, minimumMatch(trees) + 63}, // symbol 63, extra byte 0
            {0, 1, minimumMatch(trees) + 62}, // symbol 62, no extra byte
            {0, 8192, 9},           // the farthest distance
            {0, 1, minimumMatch(trees)},
        };
        const Bytes expected = applyOps(ops);
        ASSERT_EQ(expected[1], 0);
        const DecodeRun run = explodeRaw(implode(ops, trees), trees, expected.size());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, expected);
    }
}

TEST(Explode, MatchesPastTheWindowEnd)
{
    // Output of several windows, where copies wrap around the window end.
    const Bytes data = runs(100000);
    const ImplodeTrees trees = flatTrees(false, true);
    const DecodeRun run = explodeRaw(implode(findMatches(data, trees), trees), trees, data.size());
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, data);
    EXPECT_EQ(run.writes, (std::vector<std::int32_t>{32768, 32768, 32768, 1696}));
}

TEST(Explode, Failures)
{
    const ImplodeTrees trees = flatTrees(true, false);
    const Bytes data = textLike(3000, 30);
    const Bytes good = implode(findMatches(data, trees), trees);
    const Bytes flat64 = describeTree(std::vector<std::uint16_t>(64, 6));
    auto withTrees = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const auto& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        out.insert(out.end(), 64, 0x55);
        return out;
    };
    const ImplodeTrees twoTrees = flatTrees(false, false);
    const struct {
        const char* what;
        Bytes packed;
        const ImplodeTrees* trees;
        int expected;
    } rows[] = {
        {"length tree described past 64 symbols",
         withTrees({describeTree(std::vector<std::uint16_t>(80, 6)), flat64}), &twoTrees, ZIP_BAD_DATA},
        {"length tree described short of 64 symbols",
         withTrees({describeTree(std::vector<std::uint16_t>(48, 6)), flat64}), &twoTrees, ZIP_BAD_DATA},
        {"distance tree described past 64 symbols",
         withTrees({flat64, Bytes{4, 0xF5, 0xF5, 0xF5, 0xF5, 0xF5}}), &twoTrees, ZIP_BAD_DATA},
        {"literal tree short of 256 symbols",
         withTrees({describeTree(std::vector<std::uint16_t>(255, 8)), flat64, flat64}), &trees, ZIP_BAD_DATA},
        {"incomplete length tree", withTrees({describeTree(std::vector<std::uint16_t>(64, 7)), flat64}),
         &twoTrees, ZIP_BAD_DATA},
        {"over-subscribed distance tree", withTrees({flat64, describeTree(std::vector<std::uint16_t>(64, 5))}),
         &twoTrees, ZIP_BAD_DATA},
        {"input ends early", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2)), &trees,
         ZIP_INPUT_ENDED},
    };
    for (const auto& row : rows)
        EXPECT_EQ(explodeRaw(row.packed, *row.trees, data.size()).result, row.expected) << row.what;

    EXPECT_EQ(explodeRaw(good, trees, data.size(), -1, 100).result, ZIP_SHORT_WRITE)
        << "3,000 bytes leave in one final write, which falls short";
}

TEST(Explode, ShortWritesAndDataDescriptors)
{
    const ImplodeTrees trees = flatTrees(false, true);
    const Bytes data = textLike(80000, 31);
    const Bytes packed = implode(findMatches(data, trees), trees);
    EXPECT_EQ(explodeRaw(packed, trees, data.size(), -1, 1000).result, ZIP_SHORT_WRITE);
    EXPECT_EQ(explodeRaw(packed, trees, data.size(), -1, 70000).result, ZIP_SHORT_WRITE);

    // With a data descriptor the size is unknown: decoding runs until the
    // input ends, and the entry fails.
    ZipEntrySpec e = packedEntry("dd.dat", 6, static_cast<std::uint16_t>(implodeFlags(trees) | 8), packed, data);
    EXPECT_NE(extractAt(buildZip({e}).bytes, 0).result, ZIP_OK);
}
