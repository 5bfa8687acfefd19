// Explode: the decoder of ZIP method 6 (imploded), a sliding dictionary of
// 4,096 or 8,192 bytes with Shannon-Fano coded lengths and distances.
//
// The entry's data starts with two or three tree descriptions, read as
// whole bytes: one byte n - 1, then n bytes each giving a bit length (low
// four bits + 1) for a run of symbols (high four bits + 1). Flag bit 2 of
// the local header adds a literal tree of 256 symbols before the length
// and distance trees of 64 symbols each; without it literals are raw bytes.
// Flag bit 1 selects the 8,192-byte dictionary (7 low distance bits) over
// the 4,096-byte one (6 low bits).
//
// Then, least significant bit first: a flag bit, 1 for a literal (a
// literal-tree code or 8 raw bits), 0 for a match: the low distance bits
// raw, a distance-tree code for the high part, a length-tree code whose
// symbol 63 is followed by 8 more bits. distance = low + 1 + 64 or 128 *
// symbol; length = symbol + 2 (+ 1 with a literal tree) + those 8 bits.
// The codes are stored inverted: every lookup indexes the tables with the
// complement of the input bits.
//
// Decoding stops when the uncompressed size has been produced or the input
// has ended. A match source before the first output byte, while the window
// has not yet wrapped, yields zeros.
//
// Worked example (two trees, 4K dictionary, every length-tree and
// distance-tree code 6 bits): after the descriptions 03 F5 F5 F5 F5, twice,
// the bits 1 + 'A' (raw) then 0 + low 000000 + distance code 111111 (symbol 0) +
// length code 111110 (symbol 1) decode to "A" then a copy of 3 bytes at
// distance 1: "AAAA".
#include <algorithm>
#include <array>
#include <cstring>

#include "extract_state.h"
#include "vunzip.h"

namespace nubra {

namespace {

constexpr std::uint16_t kFlagBigDictionary = 1u << 1;
constexpr std::uint16_t kFlagLiteralTree = 1u << 2;
constexpr std::int32_t kWideDistanceAbove = 200000; // packed bytes

constexpr int kLiteralBits = 9;
constexpr int kLengthBits = 7;

template <std::uint16_t First, std::uint16_t Step>
constexpr std::array<std::uint16_t, 64> arithmetic()
{
    std::array<std::uint16_t, 64> a{};
    for (std::size_t i = 0; i < 64; ++i)
        a[i] = static_cast<std::uint16_t>(First + Step * i);
    return a;
}

constexpr auto kLengthBaseWithLiterals = arithmetic<3, 1>();
constexpr auto kLengthBaseWithoutLiterals = arithmetic<2, 1>();
constexpr auto kDistanceBase4K = arithmetic<1, 64>();
constexpr auto kDistanceBase8K = arithmetic<1, 128>();
// Extra bits of lengths (and, unused, distances): 8 after symbol 63.
constexpr auto kExtraBits = [] {
    std::array<std::uint16_t, 64> a{};
    a[63] = 8;
    return a;
}();

// The trees of one entry, released on every path out.
struct Trees {
    HuffEntry* literal = nullptr;
    HuffEntry* length = nullptr;
    HuffEntry* distance = nullptr;
    int bl = kLiteralBits, bt = kLengthBits, bd = 7;
    Trees() = default;
    Trees(const Trees&) = delete;
    Trees& operator=(const Trees&) = delete;
    ~Trees()
    {
        FreeHuffmanTables(literal);
        FreeHuffmanTables(length);
        FreeHuffmanTables(distance);
    }
};

// Every lookup in an imploded entry's trees, root and sub-tables alike,
// indexes with the complement of the input bits.
constexpr std::uint32_t kInverted = ~std::uint32_t{0};

// Reads one tree description and builds its tables; false on a bad
// description or any build result but complete.
bool readTree(ExtractState& s, unsigned n, unsigned simple, const std::uint16_t* bases,
              const std::uint16_t* extras, HuffEntry*& root, int& bits)
{
    std::array<std::uint16_t, 256> lengths{};
    if (ReadTreeLengths(s, lengths.data(), n) != 0)
        return false;
    const int result = BuildHuffmanTable(lengths.data(), n, simple, bases, extras, root, bits);
    if (result != 0) {
        FreeHuffmanTables(root);
        root = nullptr;
        return false;
    }
    return true;
}

// Reads the entry's two or three tree descriptions and builds their tables;
// false when one is bad.
bool readTrees(ExtractState& s, Trees& trees, bool literalTree, bool bigDictionary)
{
    trees.bd = s.PackedSize > kWideDistanceAbove ? 8 : 7;
    if (literalTree && !readTree(s, 256, 256, nullptr, nullptr, trees.literal, trees.bl))
        return false;
    if (!readTree(s, 64, 0,
                  literalTree ? kLengthBaseWithLiterals.data() : kLengthBaseWithoutLiterals.data(),
                  kExtraBits.data(), trees.length, trees.bt))
        return false;
    return readTree(s, 64, 0, bigDictionary ? kDistanceBase8K.data() : kDistanceBase4K.data(),
                    kExtraBits.data(), trees.distance, trees.bd);
}

// One literal after its flag bit: a literal-tree code, or 8 raw bits when
// the entry has no literal tree. -1 for an unassigned code.
int readLiteral(ExtractState& s, const Trees& trees, bool literalTree)
{
    if (literalTree) {
        const HuffEntry* t = DecodeSymbol(s, trees.literal, trees.bl, kInverted);
        return t != nullptr ? static_cast<std::uint8_t>(t->n) : -1;
    }
    return static_cast<int>(ReadBits(s, 8));
}

// One match after its flag bit: the low distance bits, the distance code,
// the length code and, after length symbol 63, 8 more bits. `from` gets
// the source's window position for the write position w. False for an
// unassigned code.
bool readMatch(ExtractState& s, const Trees& trees, unsigned lowBits, unsigned w, unsigned& from,
               unsigned& length)
{
    const unsigned low = ReadBits(s, lowBits);
    const HuffEntry* t = DecodeSymbol(s, trees.distance, trees.bd, kInverted);
    if (t == nullptr)
        return false;
    from = static_cast<std::uint16_t>(w - low - t->n);
    t = DecodeSymbol(s, trees.length, trees.bt, kInverted);
    if (t == nullptr)
        return false;
    length = t->n;
    if (t->e != 0)
        length += ReadBits(s, 8);
    return true;
}

// The output side of one entry: the window, flushed to OutStream each time
// it fills.
struct Output {
    ExtractState& s;
    std::uint8_t* const window;
    unsigned w = 0;          // write position in the window
    bool firstPass = true;   // the window has not wrapped yet

    // Moves past count bytes just written at w; false when the flush of a
    // full window fell short.
    bool advance(unsigned count)
    {
        w += count;
        if (w < static_cast<unsigned>(kWindowSize))
            return true;
        w = 0;
        firstPass = false;
        return FlushWindow(s, kWindowSize);
    }

    // Copies length bytes from window position `from` to w, in pieces that
    // stop at the window's end on either side. False when a flush fell short.
    bool copyMatch(unsigned from, unsigned length)
    {
        while (length > 0) {
            from &= kWindowSize - 1;
            unsigned count = std::min(kWindowSize - std::max(from, w), length);
            length -= count;
            if (firstPass && from >= w) {
                // Before the first output byte: nothing was written there.
                std::memset(window + w, 0, count);
                from += count;
            } else if (static_cast<int>(w) - static_cast<int>(from) >= static_cast<int>(count)) {
                std::memcpy(window + w, window + from, count);
                from += count;
            } else {
                for (unsigned i = 0; i < count; ++i)
                    window[w + i] = window[from++];
            }
            if (!advance(count))
                return false;
        }
        return true;
    }
};

} // namespace

int ReadTreeLengths(ExtractState& s, std::uint16_t* lengths, unsigned n)
{
    const unsigned bytes = ReadInputByte(s) + 1u;
    unsigned k = 0; // symbols given so far
    for (unsigned i = 0; i < bytes; ++i) {
        const std::uint8_t b = ReadInputByte(s);
        const auto bitLength = static_cast<std::uint16_t>((b & 0x0F) + 1);
        const unsigned count = (b >> 4) + 1u;
        if (k + count > n)
            return 4;
        for (unsigned j = 0; j < count; ++j)
            lengths[k++] = bitLength;
    }
    return k == n ? 0 : 4;
}

int ExplodeEntry(ExtractState& s)
{
    ResetInput(s);
    const bool literalTree = (s.EntryFlags & kFlagLiteralTree) != 0;
    const bool bigDictionary = (s.EntryFlags & kFlagBigDictionary) != 0;
    const unsigned lowBits = bigDictionary ? 7 : 6;

    Trees trees;
    if (!readTrees(s, trees, literalTree, bigDictionary))
        return ZIP_BAD_DATA;

    s.BitBuf = 0;
    s.BitCount = 0;
    Output out{s, s.Window.get()};
    std::int64_t remaining = s.UnpackedSize;

    while (remaining > 0 && !s.InputEnded) {
        const bool literal = ReadBits(s, 1) != 0;

        if (literal) {
            --remaining;
            const int byte = readLiteral(s, trees, literalTree);
            if (byte < 0)
                return ZIP_BAD_DATA;
            out.window[out.w] = static_cast<std::uint8_t>(byte);
            if (!out.advance(1))
                return ZIP_SHORT_WRITE;
            continue;
        }

        unsigned from = 0;
        unsigned length = 0;
        if (!readMatch(s, trees, lowBits, out.w, from, length))
            return ZIP_BAD_DATA;
        // The match is copied whole, even past the announced size; the CRC
        // then judges the entry.
        remaining -= length;
        if (!out.copyMatch(from, length))
            return ZIP_SHORT_WRITE;
    }

    if (!FlushWindow(s, static_cast<std::int32_t>(out.w)))
        return ZIP_SHORT_WRITE;
    return s.InputEnded ? ZIP_INPUT_ENDED : ZIP_OK;
}

} // namespace nubra
