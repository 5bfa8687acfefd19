// Inflate: differential tests against zlib's deflate, the output and input
// pieces, and hand-assembled bit streams for each way a stream can fail.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <utility>

#include "archive_test_support.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;

namespace {

// The fixed literal/length and distance codes.
std::vector<std::uint16_t> fixedLiteralLengths()
{
    std::vector<std::uint16_t> l(288, 8);
    for (int i = 144; i < 256; ++i)
        l[static_cast<std::size_t>(i)] = 9;
    for (int i = 256; i < 280; ++i)
        l[static_cast<std::size_t>(i)] = 7;
    return l;
}

// Writes symbols of a block with given code lengths.
struct Coder {
    std::vector<std::uint16_t> lengths;
    std::vector<std::uint32_t> codes;
    explicit Coder(std::vector<std::uint16_t> l) : lengths(std::move(l)), codes(canonicalCodes(lengths)) {}
    void put(BitWriter& w, unsigned sym) const
    {
        ASSERT_LT(sym, lengths.size());
        ASSERT_NE(lengths[sym], 0) << "symbol " << sym << " has no code";
        w.code(codes[sym], lengths[sym]);
    }
};

const Coder& fixedLit()
{
    static const Coder c(fixedLiteralLengths());
    return c;
}
const Coder& fixedDist()
{
    static const Coder c(std::vector<std::uint16_t>(30, 5));
    return c;
}

// Length 3..258 as symbol + extra bits, distance 1..32768 likewise.
void putLength(BitWriter& w, const Coder& lit, unsigned length)
{
    static const unsigned base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    unsigned i = 28;
    while (base[i] > length)
        --i;
    lit.put(w, 257 + i);
    w.bits(length - base[i], extra[i]);
}

void putDistance(BitWriter& w, const Coder& dist, unsigned distance)
{
    static const unsigned base[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    unsigned i = 29;
    while (base[i] > distance)
        --i;
    dist.put(w, i);
    w.bits(distance - base[i], i < 4 ? 0 : i / 2 - 1);
}

void fixedHeader(BitWriter& w, bool final)
{
    w.bits(final ? 1 : 0, 1);
    w.bits(1, 2);
}

// A dynamic block header. The code-length code gives symbols 0..12 four
// bits and 13..18 five bits (a complete code) unless told otherwise;
// `sequence` holds the code-length symbols with their extra values.
struct DynamicHeader {
    unsigned nl = 257;
    unsigned nd = 1;
    unsigned nb = 19;
    std::vector<std::uint16_t> clLengths = defaultCl();
    std::vector<std::pair<unsigned, unsigned>> sequence;

    static std::vector<std::uint16_t> defaultCl()
    {
        std::vector<std::uint16_t> l(19, 4);
        for (int i = 13; i < 19; ++i)
            l[static_cast<std::size_t>(i)] = 5;
        return l;
    }

    // The sequence for plain lengths (no repeats).
    void plain(const std::vector<std::uint16_t>& lit, const std::vector<std::uint16_t>& dist)
    {
        nl = static_cast<unsigned>(lit.size());
        nd = static_cast<unsigned>(dist.size());
        for (auto l : lit)
            sequence.emplace_back(l, 0);
        for (auto l : dist)
            sequence.emplace_back(l, 0);
    }

    void write(BitWriter& w, bool final = true) const
    {
        static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        w.bits(final ? 1 : 0, 1);
        w.bits(2, 2);
        w.bits(nl - 257, 5);
        w.bits(nd - 1, 5);
        w.bits(nb - 4, 4);
        for (unsigned i = 0; i < nb; ++i)
            w.bits(clLengths[order[i]], 3);
        const Coder cl(clLengths);
        for (auto [sym, extra] : sequence) {
            cl.put(w, sym);
            if (sym == 16)
                w.bits(extra, 2);
            else if (sym == 17)
                w.bits(extra, 3);
            else if (sym == 18)
                w.bits(extra, 7);
        }
    }
};

// Literal/length lengths where symbols 0..255 have 9 bits and 256..287 have
// 6 bits: a complete code over all 288 symbols.
std::vector<std::uint16_t> all288Lengths()
{
    std::vector<std::uint16_t> l(288, 9);
    for (int i = 256; i < 288; ++i)
        l[static_cast<std::size_t>(i)] = 6;
    return l;
}

// Literal/length lengths: 'A' and 'B' and end of block of 2 bits, one
// length symbol (257, length 3) of 2 bits: a complete code.
std::vector<std::uint16_t> smallLitLengths(unsigned nl = 258)
{
    std::vector<std::uint16_t> l(nl, 0);
    l['A'] = 2;
    l['B'] = 2;
    l[256] = 2;
    l[257] = 2;
    return l;
}

Bytes repeatingBytes(std::size_t n)
{
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>("m\xE9t\xE9o "[i % 6]);
    return out;
}

Bytes sourceFile(const char* relative)
{
    std::ifstream f(std::string(NUBRA_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

} // namespace

// --- Differential tests against zlib ---------------------------------------

TEST(InflateDifferential, MatchesZlibAcrossLevelsStrategiesAndData)
{
    Bytes real = sourceFile("archive/inflate.cpp");
    ASSERT_FALSE(real.empty());
    while (real.size() < 150000)
        real.insert(real.end(), real.begin(), real.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(real.size(), 150000 - real.size())));

    const std::vector<std::pair<const char*, Bytes>> inputs = {
        {"empty", {}},
        {"one byte", {0x42}},
        {"one window", textLike(32768, 1)},
        {"window plus one", textLike(32769, 2)},
        {"text", textLike(200000, 3)},
        {"random", randomBytes(70000, 4)},
        {"small alphabet", randomBytes(120000, 5, 4)},
        {"repetitive", repeatingBytes(300000)},
        {"zeros", Bytes(100000, 0)},
        {"source text", real},
    };
    const std::vector<std::pair<const char*, int>> strategies = {
        {"default", Z_DEFAULT_STRATEGY}, {"filtered", Z_FILTERED}, {"huffman only", Z_HUFFMAN_ONLY},
        {"rle", Z_RLE},                  {"fixed", Z_FIXED},
    };
    for (const auto& [name, data] : inputs) {
        for (int level = 0; level <= 9; ++level) {
            for (const auto& [sname, strategy] : strategies) {
                if (level == 0 && strategy != Z_DEFAULT_STRATEGY)
                    continue;
                SCOPED_TRACE(std::string(name) + ", level " + std::to_string(level) + ", " + sname);
                const DecodeRun run = inflateRaw(deflateRaw(data, level, strategy));
                ASSERT_EQ(run.result, ZIP_OK);
                ASSERT_EQ(run.output, data);
                ASSERT_EQ(run.crc, crcOf(data));
            }
        }
    }
}

TEST(InflateDifferential, MatchesZlibOnManyRandomMixtures)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 60; ++round) {
        // Mixtures of text, noise and runs, in sizes around window borders.
        Bytes data;
        const int parts = 1 + static_cast<int>(rng() % 6);
        for (int p = 0; p < parts; ++p) {
            const std::size_t n = rng() % 40000;
            const Bytes piece = (rng() % 3 == 0)   ? randomBytes(n, rng())
                                : (rng() % 2 == 0) ? textLike(n, rng())
                                                   : Bytes(n, static_cast<std::uint8_t>(rng()));
            data.insert(data.end(), piece.begin(), piece.end());
        }
        const int level = static_cast<int>(rng() % 10);
        SCOPED_TRACE("round " + std::to_string(round));
        const DecodeRun run = inflateRaw(deflateRaw(data, level));
        ASSERT_EQ(run.result, ZIP_OK);
        ASSERT_EQ(run.output, data);
    }
}

// Decodes with and without the fast path and requires the same outcome:
// result, bytes, write sizes, reads, stream position and the bits left for
// whatever follows the data.
void expectSamePaths(const Bytes& packed, const std::string& what, std::int64_t outputLimit = -1)
{
    const DecodeRun fast = inflateRaw(packed, outputLimit, true);
    const DecodeRun slow = inflateRaw(packed, outputLimit, false);
    ASSERT_EQ(fast.result, slow.result) << what;
    ASSERT_EQ(fast.output, slow.output) << what;
    ASSERT_EQ(fast.writes, slow.writes) << what;
    ASSERT_EQ(fast.reads, slow.reads) << what;
    ASSERT_EQ(fast.inputPosition, slow.inputPosition) << what;
    ASSERT_EQ(fast.crc, slow.crc) << what;
    if (slow.result == ZIP_OK) {
        ASSERT_EQ(fast.unreadBits, slow.unreadBits) << what;
        ASSERT_EQ(fast.bitPhase, slow.bitPhase) << what;
    }
}

TEST(InflateFastPath, SameOutcomeAsTheBitByBitPath)
{
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"text", textLike(300000, 40)},
        {"random", randomBytes(100000, 41)},
        {"small alphabet", randomBytes(150000, 42, 3)},
        {"repetitive", repeatingBytes(200000)},
        {"zeros", Bytes(80000, 0)},
        {"source text", sourceFile("archive/inflate.cpp")},
    };
    // Short periods: every way a match overlaps its source, either side of a word.
    for (std::size_t period = 1; period <= 17; ++period) {
        Bytes p = randomBytes(period, static_cast<std::uint32_t>(period));
        Bytes d;
        while (d.size() < 40000)
            d.insert(d.end(), p.begin(), p.end());
        inputs.emplace_back("period " + std::to_string(period), d);
    }
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const auto& [name, data] : inputs) {
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : strategies) {
                const Bytes packed = deflateRaw(data, level, strategy);
                const std::string what = name + ", level " + std::to_string(level) + ", strategy " + std::to_string(strategy);
                expectSamePaths(packed, what);
                // With something after the data, as in an archive.
                Bytes followed = packed;
                followed.insert(followed.end(), {0x50, 0x4B, 0x07, 0x08, 1, 2, 3, 4, 5, 6, 7, 8});
                expectSamePaths(followed, what + ", followed");
                // Cut at places around the input buffer's end.
                for (std::size_t cut : {std::size_t{4090}, std::size_t{4097}, packed.size() / 2, packed.size() - 1})
                    if (cut < packed.size())
                        expectSamePaths(Bytes(packed.begin(), packed.begin() + static_cast<long>(cut)),
                                        what + ", cut at " + std::to_string(cut));
                expectSamePaths(packed, what + ", short output", 40000);
            }
        }
    }
}

TEST(InflateFastPath, SameOutcomeOnDamagedStreams)
{
    std::mt19937 rng(99);
    const Bytes good = deflateRaw(textLike(60000, 43), 9);
    for (int round = 0; round < 300; ++round) {
        Bytes input = good;
        for (int k = 0; k < 1 + static_cast<int>(rng() % 3); ++k)
            input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        expectSamePaths(input, "round " + std::to_string(round));
    }
}

// --- Pieces of output and input --------------------------------------------

TEST(InflateOutput, LeavesInWholeWindowsAndOneLastPiece)
{
    const struct {
        std::size_t size;
        std::vector<std::int32_t> writes;
    } rows[] = {
        {0, {0}},
        {1, {1}},
        {32767, {32767}},
        {32768, {32768, 0}},
        {65536, {32768, 32768, 0}},
        {100000, {32768, 32768, 32768, 1696}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        const Bytes data = textLike(row.size, 7);
        const DecodeRun run = inflateRaw(deflateRaw(data, 9));
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.writes, row.writes);
    }
}

TEST(InflateOutput, ShortWriteStopsWithMinusTwo)
{
    const Bytes data = textLike(100000, 8);
    const Bytes packed = deflateRaw(data);
    // The first full window falls short: decoding stops there.
    DecodeRun run = inflateRaw(packed, 1000);
    EXPECT_EQ(run.result, ZIP_SHORT_WRITE);
    EXPECT_EQ(run.writes, std::vector<std::int32_t>{32768});
    // Room for everything but the last piece.
    run = inflateRaw(packed, 98304);
    EXPECT_EQ(run.result, ZIP_SHORT_WRITE);
    EXPECT_EQ(run.writes.size(), 4u);
    // Short write of a stored block's window and of a copy that fills it.
    run = inflateRaw(deflateRaw(data, 0), 10);
    EXPECT_EQ(run.result, ZIP_SHORT_WRITE);
    run = inflateRaw(deflateRaw(Bytes(40000, 'z'), 9), 10);
    EXPECT_EQ(run.result, ZIP_SHORT_WRITE);
}

TEST(InflateInput, ReadsTheStreamIn4096BytePieces)
{
    const Bytes data = randomBytes(20000, 9);
    const Bytes packed = deflateRaw(data, 1);
    OwnedStream in(packed);
    RecordingStream out;
    ExtractState s;
    PrepareExtractState(s, in, out, static_cast<std::int32_t>(packed.size()), kSizeUnknown, 0);
    ASSERT_EQ(InflateEntry(s), ZIP_OK);
    ASSERT_FALSE(in.readSizes.empty());
    for (auto n : in.readSizes)
        EXPECT_EQ(n, 4096);
    EXPECT_EQ(in.readSizes.size(), (packed.size() + 4095) / 4096);
    EXPECT_FALSE(s.InputEnded);
}

// --- Hand-assembled streams -------------------------------------------------

TEST(InflateBlocks, FixedBlockWithOnlyEndOfBlockGivesNothing)
{
    BitWriter w;
    fixedHeader(w, true);
    fixedLit().put(w, 256);
    const DecodeRun run = inflateRaw(w.finish());
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_TRUE(run.output.empty());
    EXPECT_EQ(run.writes, std::vector<std::int32_t>{0});
}

TEST(InflateBlocks, StoredBlocks)
{
    // Empty final stored block: LEN 0, NLEN FFFF.
    EXPECT_EQ(inflateRaw({0x01, 0x00, 0x00, 0xFF, 0xFF}).result, ZIP_OK);
    // Two stored blocks, the first one not final.
    DecodeRun run = inflateRaw({0x00, 0x02, 0x00, 0xFD, 0xFF, 'h', 'i', 0x01, 0x01, 0x00, 0xFE, 0xFF, '!'});
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, toBytes("hi!"));
    // A stored block after a fixed block starts at the next byte boundary.
    BitWriter w;
    fixedHeader(w, false);
    fixedLit().put(w, 'a');
    fixedLit().put(w, 256);
    w.bits(1, 1);
    w.bits(0, 2);
    w.alignToByte();
    w.bits(1, 16);
    w.bits(0xFFFE, 16);
    w.bits('b', 8);
    run = inflateRaw(w.finish());
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, toBytes("ab"));
}

TEST(InflateBlocks, BackReferences)
{
    {
        SCOPED_TRACE("distance beyond the bytes written reads the zeroed window");
        BitWriter w;
        fixedHeader(w, true);
        fixedLit().put(w, 'a');
        putLength(w, fixedLit(), 3);
        putDistance(w, fixedDist(), 5);
        fixedLit().put(w, 256);
        const DecodeRun run = inflateRaw(w.finish());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, (Bytes{'a', 0, 0, 0}));
    }
    {
        SCOPED_TRACE("length 258 at distance 1 repeats the last byte");
        BitWriter w;
        fixedHeader(w, true);
        fixedLit().put(w, 'x');
        putLength(w, fixedLit(), 258);
        putDistance(w, fixedDist(), 1);
        fixedLit().put(w, 256);
        const DecodeRun run = inflateRaw(w.finish());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, Bytes(259, 'x'));
    }
    {
        SCOPED_TRACE("distance 32768 reaches across a flush");
        const Bytes first = randomBytes(40000, 10);
        BitWriter w;
        // Stored blocks of 20000 bytes each, then a fixed block.
        for (std::size_t at = 0; at < first.size(); at += 20000) {
            w.bits(0, 1);
            w.bits(0, 2);
            w.alignToByte();
            w.bits(20000, 16);
            w.bits(~20000u & 0xFFFF, 16);
            for (std::size_t i = at; i < at + 20000; ++i)
                w.bits(first[i], 8);
        }
        fixedHeader(w, true);
        putLength(w, fixedLit(), 10);
        putDistance(w, fixedDist(), 32768);
        fixedLit().put(w, 256);
        const DecodeRun run = inflateRaw(w.finish());
        ASSERT_EQ(run.result, ZIP_OK);
        ASSERT_EQ(run.output.size(), 40010u);
        EXPECT_TRUE(std::equal(run.output.begin() + 40000, run.output.end(), first.begin() + 7232));
    }
}

// The window is not cleared up front, so the zeros that a reference before
// the first output byte reads must come from the decoder even when the
// window's memory is dirty: an extraction of other bytes just before makes
// it so (the allocator hands the freed window back), and the sanitizer
// build fills fresh memory with a non-zero byte.
TEST(InflateBlocks, ReferencesBeforeTheFirstByteReadZerosFromADirtyWindow)
{
    BitWriter w;
    fixedHeader(w, true);
    fixedLit().put(w, 'a');
    putLength(w, fixedLit(), 10);
    putDistance(w, fixedDist(), 32768); // the window's start, just after the 'a'
    putLength(w, fixedLit(), 10);
    putDistance(w, fixedDist(), 20000); // its middle
    fixedLit().put(w, 256);
    Bytes packed = w.finish();
    packed.resize(packed.size() + 16); // input to spare, so the fast path may run
    Bytes expected(21, 0);
    expected[0] = 'a';
    for (const bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast path" : "slow path");
        ASSERT_EQ(inflateRaw(deflateRaw(Bytes(100000, 'x'))).result, ZIP_OK);
        const DecodeRun run = inflateRaw(packed, -1, fast);
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, expected);
    }
}

TEST(InflateBlocks, DynamicBlockHeaders)
{
    {
        SCOPED_TRACE("a first repeat symbol 16 repeats zeros");
        DynamicHeader h;
        h.nl = 258;
        const auto lit = smallLitLengths();
        h.sequence = {{16, 3}, {17, 7}, {17, 7}, {17, 7}, {17, 7}, {17, 7}, {17, 2}};
        // 6 + 5 * 10 + 5 = 61 zeros, then lengths from 61.
        unsigned at = 61;
        for (; at < lit.size(); ++at)
            h.sequence.emplace_back(lit[at], 0);
        h.sequence.emplace_back(1, 0); // one distance code of one bit
        BitWriter w;
        h.write(w);
        const Coder c(lit);
        c.put(w, 'A');
        c.put(w, 'B');
        c.put(w, 257); // length 3
        w.bits(0, 1);  // distance symbol 0: distance 1
        c.put(w, 256);
        const DecodeRun run = inflateRaw(w.finish());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, toBytes("ABBBB"));
    }
    {
        SCOPED_TRACE("nl = 288 is accepted; symbol 286 is invalid");
        const auto lit = all288Lengths();
        DynamicHeader h;
        h.plain(lit, {1});
        BitWriter w;
        h.write(w);
        const Coder c(lit);
        c.put(w, 'Q');
        c.put(w, 256);
        DecodeRun run = inflateRaw(w.finish());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_EQ(run.output, toBytes("Q"));
        for (unsigned bad : {286u, 287u}) {
            BitWriter v;
            h.write(v);
            c.put(v, 'Q');
            c.put(v, bad);
            v.bits(0, 16);
            run = inflateRaw(v.finish());
            EXPECT_EQ(run.result, ZIP_BAD_DATA) << bad;
        }
    }
    {
        SCOPED_TRACE("a literal/length code of one 1-bit code is accepted");
        std::vector<std::uint16_t> lit(257, 0);
        lit[256] = 1;
        DynamicHeader h;
        h.plain(lit, {0});
        BitWriter w;
        h.write(w);
        w.bits(0, 1); // end of block
        const DecodeRun run = inflateRaw(w.finish());
        EXPECT_EQ(run.result, ZIP_OK);
        EXPECT_TRUE(run.output.empty());
    }
}

TEST(InflateBlocks, IncompleteDistanceCodeFailsOnlyOnAnUnassignedPattern)
{
    const auto lit = smallLitLengths();
    DynamicHeader h;
    h.plain(lit, {2, 0, 0, 0}); // one 2-bit distance code: three patterns free
    const Coder c(lit);
    BitWriter good;
    h.write(good);
    c.put(good, 'A');
    c.put(good, 257);
    good.code(0, 2); // distance 1
    c.put(good, 256);
    DecodeRun run = inflateRaw(good.finish());
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_EQ(run.output, toBytes("AAAA"));

    BitWriter bad;
    h.write(bad);
    c.put(bad, 'A');
    c.put(bad, 257);
    bad.code(3, 2); // unassigned
    bad.bits(0, 16);
    run = inflateRaw(bad.finish());
    EXPECT_EQ(run.result, ZIP_BAD_DATA);
    EXPECT_TRUE(run.output.empty()) << "nothing was flushed before the failure";
}

TEST(InflateFailures, EachBadStreamGivesItsCode)
{
    const auto lit = smallLitLengths();
    const Coder c(lit);
    struct Row {
        const char* what;
        std::function<void(BitWriter&)> build;
        int expected;
    };
    const std::vector<Row> rows = {
        {"block type 3", [](BitWriter& w) { w.bits(1, 1); w.bits(3, 2); w.bits(0, 16); }, ZIP_BAD_DATA},
        {"stored length without its complement",
         [](BitWriter& w) { w.bits(1, 1); w.bits(0, 2); w.alignToByte(); w.bits(5, 16); w.bits(0xFFFF, 16); },
         ZIP_BAD_DATA},
        {"code-length code incomplete",
         [](BitWriter& w) {
             DynamicHeader h;
             h.nb = 4;
             h.clLengths.assign(19, 0);
             h.clLengths[16] = 1; // 1/2 + 1/4 of the patterns used
             h.clLengths[17] = 2;
             h.write(w);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"code-length code over-subscribed",
         [](BitWriter& w) {
             w.bits(1, 1); w.bits(2, 2); w.bits(0, 5); w.bits(0, 5); w.bits(0, 4);
             for (int i = 0; i < 4; ++i) w.bits(1, 3); // four 1-bit codes
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"code-length code all zero",
         [](BitWriter& w) {
             w.bits(1, 1); w.bits(2, 2); w.bits(0, 5); w.bits(0, 5); w.bits(0, 4); w.bits(0, 12);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"code-length repeat past nl + nd",
         [](BitWriter& w) {
             DynamicHeader h;
             h.sequence = {{18, 127}, {18, 127}}; // 276 zeros for 258 lengths
             h.write(w);
         },
         ZIP_BAD_DATA},
        {"literal/length code incomplete",
         [](BitWriter& w) {
             std::vector<std::uint16_t> l(257, 0);
             l['A'] = 2; l[256] = 2; // half the patterns free
             DynamicHeader h;
             h.plain(l, {1});
             h.write(w);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"literal/length code over-subscribed",
         [](BitWriter& w) {
             std::vector<std::uint16_t> l(257, 0);
             l['A'] = 1; l['B'] = 1; l[256] = 1;
             DynamicHeader h;
             h.plain(l, {1});
             h.write(w);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"literal/length code all zero",
         [](BitWriter& w) {
             DynamicHeader h;
             h.sequence = {{18, 127}, {18, 108}, {1, 0}}; // 257 zeros, one distance
             h.write(w);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"distance code over-subscribed",
         [&](BitWriter& w) {
             DynamicHeader h;
             h.plain(lit, {1, 1, 1});
             h.write(w);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"length symbol with a distance code all zero",
         [&](BitWriter& w) {
             DynamicHeader h;
             h.plain(lit, {0});
             h.write(w);
             c.put(w, 'A');
             c.put(w, 257);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"distance symbol 30",
         [&](BitWriter& w) {
             std::vector<std::uint16_t> d(32, 5);
             DynamicHeader h;
             h.plain(lit, d);
             h.write(w);
             c.put(w, 'A');
             c.put(w, 257);
             w.code(30, 5);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"distance symbol 31",
         [&](BitWriter& w) {
             std::vector<std::uint16_t> d(32, 5);
             DynamicHeader h;
             h.plain(lit, d);
             h.write(w);
             c.put(w, 'A');
             c.put(w, 257);
             w.code(31, 5);
             w.bits(0, 16);
         },
         ZIP_BAD_DATA},
        {"input ends before a symbol",
         [](BitWriter& w) {
             fixedHeader(w, true);
             for (int i = 0; i < 20; ++i) fixedLit().put(w, 'a');
         },
         ZIP_INPUT_ENDED},
        {"input ends inside a stored block",
         [](BitWriter& w) { w.bits(1, 1); w.bits(0, 2); w.alignToByte(); w.bits(50, 16); w.bits(~50u & 0xFFFF, 16); w.bits(7, 8); },
         ZIP_INPUT_ENDED},
    };
    for (const auto& row : rows) {
        BitWriter w;
        row.build(w);
        EXPECT_EQ(inflateRaw(w.finish()).result, row.expected) << row.what;
    }
}

TEST(InflateInput, StreamWithoutFinalBlockFails)
{
    // Once the input has ended, the next block header comes from stale
    // bytes: the stream fails one way or another, never with success.
    BitWriter w;
    fixedHeader(w, false);
    fixedLit().put(w, 'a');
    fixedLit().put(w, 256);
    const int result = inflateRaw(w.finish()).result;
    EXPECT_TRUE(result == ZIP_INPUT_ENDED || result == ZIP_BAD_DATA) << result;
}

TEST(InflateInput, InputRunningOutDuringTheLastEndOfBlockStillSucceeds)
{
    // A non-final empty stored block, then a final fixed block whose
    // end-of-block code (seven 0 bits) lacks its last two bits: they come
    // from the stale buffer served once the input has ended (a 0 byte).
    const DecodeRun run = inflateRaw({0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03});
    EXPECT_EQ(run.result, ZIP_OK);
    EXPECT_TRUE(run.output.empty());
}

TEST(InflateInput, GarbageNeverEscapesTheResultCodes)
{
    // Random bytes, and valid streams with random damage: whatever comes,
    // decoding ends with a result code (the sanitizers watch the memory).
    std::mt19937 rng(77);
    const Bytes good = deflateRaw(textLike(50000, 11), 9);
    for (int round = 0; round < 400; ++round) {
        Bytes input;
        if (round % 2 == 0) {
            input = randomBytes(rng() % 3000, rng());
        } else {
            input = good;
            for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k)
                input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            input.resize(rng() % input.size() + 1);
        }
        const int result = inflateRaw(input).result;
        EXPECT_TRUE(result == 0 || result == -2 || result == -3 || result == -4) << result;
    }
}
