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
    trees.bd = s.PackedSize > kWideDistanceAbove ? 8 : 7;
    if (literalTree && !readTree(s, 256, 256, nullptr, nullptr, trees.literal, trees.bl))
        return ZIP_BAD_DATA;
    if (!readTree(s, 64, 0,
                  literalTree ? kLengthBaseWithLiterals.data() : kLengthBaseWithoutLiterals.data(),
                  kExtraBits.data(), trees.length, trees.bt))
        return ZIP_BAD_DATA;
    if (!readTree(s, 64, 0, bigDictionary ? kDistanceBase8K.data() : kDistanceBase4K.data(),
                  kExtraBits.data(), trees.distance, trees.bd))
        return ZIP_BAD_DATA;

    s.BitBuf = 0;
    s.BitCount = 0;
    std::uint8_t* const window = s.Window.get();
    unsigned w = 0;          // write position in the window
    bool firstPass = true;   // the window has not wrapped yet
    std::int64_t remaining = s.UnpackedSize;

    auto advance = [&](unsigned count) {
        w += count;
        if (w < static_cast<unsigned>(kWindowSize))
            return true;
        w = 0;
        firstPass = false;
        return FlushWindow(s, kWindowSize);
    };

    while (remaining > 0 && !s.InputEnded) {
        FillBits(s, 1);
        const bool literal = (s.BitBuf & 1) != 0;
        DropBits(s, 1);

        if (literal) {
            --remaining;
            std::uint8_t byte = 0;
            if (literalTree) {
                const HuffEntry* t = DecodeSymbol(s, trees.literal, trees.bl, kInverted);
                if (t == nullptr)
                    return ZIP_BAD_DATA;
                byte = static_cast<std::uint8_t>(t->n);
            } else {
                FillBits(s, 8);
                byte = static_cast<std::uint8_t>(s.BitBuf);
                DropBits(s, 8);
            }
            window[w] = byte;
            if (!advance(1))
                return ZIP_SHORT_WRITE;
            continue;
        }

        // A match: low distance bits, distance code, length code.
        FillBits(s, lowBits);
        const unsigned low = s.BitBuf & BitMask(lowBits);
        DropBits(s, lowBits);
        const HuffEntry* t = DecodeSymbol(s, trees.distance, trees.bd, kInverted);
        if (t == nullptr)
            return ZIP_BAD_DATA;
        unsigned from = static_cast<std::uint16_t>(w - low - t->n);
        t = DecodeSymbol(s, trees.length, trees.bt, kInverted);
        if (t == nullptr)
            return ZIP_BAD_DATA;
        unsigned length = t->n;
        if (t->e != 0) {
            FillBits(s, 8);
            length += s.BitBuf & 0xFF;
            DropBits(s, 8);
        }
        // The match is copied whole, even past the announced size; the CRC
        // then judges the entry.
        remaining -= length;

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
                return ZIP_SHORT_WRITE;
        }
    }

    if (!FlushWindow(s, static_cast<std::int32_t>(w)))
        return ZIP_SHORT_WRITE;
    return s.InputEnded ? ZIP_INPUT_ENDED : ZIP_OK;
}

} // namespace nubra
