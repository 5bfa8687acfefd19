// Inflate: the decoder of ZIP method 8 (deflate, RFC 1951).
//
// A deflate stream is a sequence of blocks, each starting with one bit
// "final block" and two bits of type: 0 stored (LEN, its one's complement,
// LEN raw bytes), 1 fixed Huffman codes, 2 dynamic Huffman codes described
// in the block header. Bits are read least significant first; Huffman codes
// arrive first bit first, so the lookup tables are indexed by the code's
// bits reversed. Codes are at most 15 bits (16 accepted by the table build),
// back-references reach at most 32,768 bytes back, and lengths run to 258.
//
// Each block's codes are decoded through multi-level lookup tables: a root
// indexed by m bits (9 for dynamic literal/length codes, 6 for distances),
// whose longer codes continue in sub-tables. The tables live only while
// their block is decoded.
//
// What this decoder accepts beyond the RFC: a literal/length code made of a
// single 1-bit code, incomplete distance codes (an unassigned pattern is an
// error only when it is met), header counts up to 288 literal/length and 32
// distance codes (symbols 286, 287 and distances 30, 31 are errors when met).
// It does not check that anything follows the final block: the bytes after
// it belong to the caller (the data descriptor).
//
// Worked example: the bytes 4B 4C 4A 4E 04 23 00 are one final fixed block:
// literals 'a' 'b' 'c', then length 6 at distance 3, then end of block;
// the output is "abcabcabc".
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "extract_state.h"
#include "vunzip.h"

namespace nubra {

namespace {

constexpr unsigned kMaxCodeBits = 16;
constexpr unsigned kMaxSymbols = 320; // 288 literal/length + 32 distance lengths

// Literal/length symbols 257 to 287: base length and extra bits. 286 and 287
// cannot occur in valid data; their e = 99 makes decoding them an error.
constexpr std::uint16_t kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,
                                           17, 19, 23, 27, 31, 35, 43, 51, 59,  67,  83,
                                           99, 115, 131, 163, 195, 227, 258, 0, 0};
constexpr std::uint16_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                            3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Distance symbols 0 to 31; 30 and 31 have no meaning and decode as errors.
constexpr std::uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,
                                         17,   25,   33,   49,   65,   97,    129,   193,
                                         257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                         4097, 6145, 8193, 12289, 16385, 24577, 0, 0};
constexpr std::uint16_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                          7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 99, 99};
// The order in which a dynamic header gives the code-length code lengths.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                               11, 4, 12, 3, 13, 2, 14, 1, 15};

// Lookup widths asked of the builds.
constexpr int kCodeLengthBits = 7;
constexpr int kDynamicLiteralBits = 9;
constexpr int kDynamicDistanceBits = 6;
constexpr int kFixedLiteralBits = 7;
constexpr int kFixedDistanceBits = 5;

// Releases a build's tables when leaving a scope.
struct TableGuard {
    HuffEntry* root = nullptr;
    TableGuard() = default;
    TableGuard(const TableGuard&) = delete;
    TableGuard& operator=(const TableGuard&) = delete;
    ~TableGuard() { FreeHuffmanTables(root); }
};

// Puts one byte into the window; false when the flush of a full window fell
// short.
inline bool putByte(ExtractState& s, std::uint8_t byte)
{
    s.Window[s.WindowPos] = byte;
    if (++s.WindowPos == kWindowSize) {
        s.WindowPos = 0;
        return FlushWindow(s, kWindowSize);
    }
    return true;
}

// --- Fast path ----------------------------------------------------------
//
// While at least kFastInputMargin unread bytes remain in InBuffer and the
// window has room for the longest match without reaching its end, symbols
// are decoded with a 64-bit bit buffer refilled a word at a time, and copies
// move whole words. Nothing observable changes: the fast loop never refills
// InBuffer and never flushes, and on leaving it hands the whole bytes it
// loaded but did not use back to InBuffer, so the slow path goes on with the
// same bits, and refills and flushes at the same points.

constexpr std::ptrdiff_t kFastInputMargin = 8;       // one word load
constexpr unsigned kFastWindowMargin = 258;          // the longest deflate match
constexpr int kFastContinue = 1;                     // not a result code

static_assert(std::endian::native == std::endian::little, "the fast path loads little-endian words");

inline std::uint64_t loadWord(const std::uint8_t* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

inline void copyWord(std::uint8_t* dst, const std::uint8_t* src)
{
    std::memcpy(dst, src, 8);
}

// Copies length bytes within the window from `from` to `to`, where the
// destination does not reach the window's end; the source may wrap.
inline void copyMatch(std::uint8_t* window, unsigned from, unsigned to, unsigned length)
{
    if (from < to && to - from >= 8) {
        // The common case: the source lies wholly before the destination and
        // at least a word back, so words move front to back, each reading
        // only bytes already final; the last word is placed to end exactly
        // at the match's end, since the bytes past it are still the data of
        // 32 KB ago that later matches may refer to.
        std::uint8_t* dst = window + to;
        const std::uint8_t* src = window + from;
        if (length >= 8) {
            unsigned i = 0;
            do {
                copyWord(dst + i, src + i);
                i += 8;
            } while (i + 8 < length);
            copyWord(dst + length - 8, src + length - 8);
        } else if (length >= 4) {
            // Two four-byte pieces that meet or overlap in the middle; the
            // source, a word back at least, does not overlap the destination.
            std::memcpy(dst, src, 4);
            std::memcpy(dst + length - 4, src + length - 4, 4);
        } else {
            for (unsigned i = 0; i < length; ++i)
                dst[i] = src[i];
        }
        return;
    }
    while (length > 0) {
        from &= kWindowSize - 1;
        const unsigned count = std::min(kWindowSize - from, length);
        const unsigned distance = (to - from) & (kWindowSize - 1);
        std::uint8_t* dst = window + to;
        const std::uint8_t* src = window + from;
        if (from < to && distance >= count) {
            std::memcpy(dst, src, count);
        } else if (from < to && distance >= 8) {
            // Overlapping, but each word's source lies wholly before it.
            unsigned i = 0;
            for (; i + 8 <= count; i += 8)
                std::memcpy(dst + i, src + i, 8);
            for (; i < count; ++i)
                dst[i] = src[i];
        } else if (from + 1 == to) {
            std::memset(dst, *src, count);
        } else if (from < to && to >= 56) {
            // A short repeating pattern: past the first (period - distance)
            // bytes each byte equals the one a whole period back, where the
            // period is a multiple of both the distance and a word, so words
            // move and each load reads exactly one earlier store.
            unsigned period = distance;
            while (period % 8 != 0)
                period += distance;
            const std::uint8_t* back = dst - period;
            unsigned i = 0;
            for (; i < period - distance && i < count; ++i)
                dst[i] = src[i];
            for (; i + 8 <= count; i += 8)
                std::memcpy(dst + i, back + i, 8);
            for (; i < count; ++i)
                dst[i] = src[i];
        } else {
            for (unsigned i = 0; i < count; ++i)
                dst[i] = src[i];
        }
        from += count;
        to += count;
        length -= count;
    }
}

// Decodes symbols while the margins hold. Returns a result code (end of
// block, invalid data) or kFastContinue when the slow path must take over.
int decodeFast(ExtractState& s, const HuffEntry* tl, const HuffEntry* td, int bl, int bd)
{
    const std::uint8_t* const start = s.InBuffer.data() + s.InPos;
    const std::uint8_t* in = start;
    const std::uint8_t* const inEnd = s.InBuffer.data() + s.InLast + 1;
    std::uint64_t bits = s.BitBuf;
    unsigned count = s.BitCount;
    std::uint8_t* const window = s.Window.get();
    unsigned wp = s.WindowPos;
    const std::uint64_t lmask = BitMask(static_cast<unsigned>(bl));
    const std::uint64_t dmask = BitMask(static_cast<unsigned>(bd));
    int result = kFastContinue;

    // From a root entry down to the leaf, dropping each level's bits; null
    // for an unassigned pattern.
    auto descend = [&](const HuffEntry* t) -> const HuffEntry* {
        while (t->e > kHuffLiteral) {
            if (t->e == kHuffInvalid)
                return nullptr;
            bits >>= t->b;
            count -= t->b;
            t = t->link + (bits & BitMask(t->e - 16u));
        }
        bits >>= t->b;
        count -= t->b;
        return t;
    };

    while (inEnd - in >= kFastInputMargin && wp + kFastWindowMargin < static_cast<unsigned>(kWindowSize)) {
        // At least 56 bits: a literal/length code and its extra bits (20)
        // and a distance code and its extra bits (28) need no refill. Bits
        // above `count` are the input's next bits, so reloading them is
        // harmless.
        bits |= loadWord(in) << count;
        in += (63 - count) >> 3;
        count |= 56;

        const HuffEntry* t = descend(tl + (bits & lmask));
        if (t == nullptr) {
            result = ZIP_BAD_DATA;
            break;
        }
        if (t->e == kHuffLiteral) {
            window[wp++] = static_cast<std::uint8_t>(t->n);
            // Literals come in runs: a second one whose code lies whole in
            // the root table is taken with the bits at hand (a code has at
            // most 15 bits, so at least 41 of the 56 remain), with no refill
            // and no margin check (the window margin holds 258 bytes).
            const HuffEntry* next = tl + (bits & lmask);
            if (next->e == kHuffLiteral) {
                bits >>= next->b;
                count -= next->b;
                window[wp++] = static_cast<std::uint8_t>(next->n);
            }
            continue;
        }
        if (t->e == kHuffEndOfBlock) {
            result = ZIP_OK;
            break;
        }
        const unsigned length = t->n + static_cast<unsigned>(bits & BitMask(t->e));
        bits >>= t->e;
        count -= t->e;

        t = td != nullptr ? descend(td + (bits & dmask)) : nullptr;
        if (t == nullptr) {
            result = ZIP_BAD_DATA;
            break;
        }
        const unsigned distance = t->n + static_cast<unsigned>(bits & BitMask(t->e));
        bits >>= t->e;
        count -= t->e;

        ReachBack(s, distance, wp);
        copyMatch(window, static_cast<std::uint16_t>(wp - distance), wp, length);
        wp += length;
    }

    // Hand back the whole bytes loaded here and not used.
    {
        const auto loaded = static_cast<unsigned>(in - start);
        const unsigned unused = std::min(count / 8, loaded);
        in -= unused;
        count -= 8 * unused;
    }
    s.InPos = static_cast<std::int32_t>(in - s.InBuffer.data());
    s.BitBuf = static_cast<std::uint32_t>(bits & BitMask(count));
    s.BitCount = static_cast<std::uint8_t>(count);
    s.WindowPos = static_cast<std::uint16_t>(wp);
    return result;
}

} // namespace

// --- Lookup tables -------------------------------------------------------

void FreeHuffmanTables(HuffEntry* root)
{
    // Each table has a header in front of it whose link is the next table
    // of the same build.
    while (root != nullptr) {
        HuffEntry* header = root - 1;
        HuffEntry* next = header->link;
        delete[] header;
        root = next;
    }
}

namespace {

using CodeCounts = std::array<unsigned, kMaxCodeBits + 1>;

// Over-subscription test of the counts of lengths minLen to maxLen: 2 when
// they hold more codes than there are patterns, else 0. The unassigned
// patterns become extra codes of the longest length, which decode as
// e = 99: they are added to count[maxLen], and their number is left in
// `unassigned` (not zero: an incomplete code).
int completeCounts(CodeCounts& count, unsigned minLen, unsigned maxLen, int& unassigned)
{
    unassigned = 1 << minLen;
    for (unsigned len = minLen; len < maxLen; ++len, unassigned <<= 1) {
        unassigned -= static_cast<int>(count[len]);
        if (unassigned < 0)
            return 2;
    }
    unassigned -= static_cast<int>(count[maxLen]);
    if (unassigned < 0)
        return 2;
    count[maxLen] += static_cast<unsigned>(unassigned);
    return 0;
}

// The symbols present, by increasing length and by increasing symbol within
// a length: the order in which the canonical codes are given out.
void sortSymbols(const std::uint16_t* lengths, unsigned n, const CodeCounts& count, unsigned maxLen,
                 std::array<std::uint16_t, kMaxSymbols>& sorted)
{
    std::array<unsigned, kMaxCodeBits + 2> offset{};
    for (unsigned len = 1; len < maxLen; ++len)
        offset[len + 1] = offset[len] + count[len];
    for (unsigned sym = 0; sym < n; ++sym)
        if (lengths[sym] != 0)
            sorted[offset[lengths[sym]]++] = static_cast<std::uint16_t>(sym);
}

// The width of a sub-table that starts w bits into the codes, opened for a
// code of len bits of which `left` (this one included) are still to place:
// the smallest table that the remaining codes fill, within the limit of m
// bits and the longest code, and without a table boundary inside the
// end-of-block code (eobLength bits).
unsigned subTableBits(const CodeCounts& count, unsigned len, unsigned left, unsigned w, unsigned m,
                      unsigned maxLen, unsigned eobLength)
{
    const unsigned limit = std::min(maxLen - w, m);
    unsigned j = len - w;
    unsigned f = 1u << j;
    if (f > left + 1) {
        f -= left + 1;
        unsigned longer = len;
        while (++j < limit) {
            f <<= 1;
            if (f <= count[++longer])
                break;
            f -= count[longer];
        }
    }
    if (w + j > eobLength && w < eobLength)
        j = eobLength - w;
    return j;
}

// The leaf of symbol sym: below s a literal (256: the end of block), from s
// up the base and extra bits that bases and extras give. False when such a
// symbol comes without them.
bool symbolEntry(unsigned sym, unsigned s, const std::uint16_t* bases, const std::uint16_t* extras, HuffEntry& r)
{
    if (sym < s) {
        r.e = sym < 256 ? kHuffLiteral : kHuffEndOfBlock;
        r.n = static_cast<std::uint16_t>(sym);
        return true;
    }
    if (bases == nullptr || extras == nullptr)
        return false;
    r.e = static_cast<std::uint8_t>(extras[sym - s] & 0xFF);
    r.n = bases[sym - s];
    return true;
}

// The code after `code` among the codes of len bits, both held bits
// reversed: the increment runs from the code's first bit, the highest here.
unsigned nextReversedCode(unsigned code, unsigned len)
{
    unsigned bit = 1u << (len - 1);
    while (code & bit) {
        code ^= bit;
        bit >>= 1;
    }
    return code ^ bit;
}

// The tables of one build, as a stack along the current code: level 0 is
// "no table"; level h has width[h] bits and starts after the bits of the
// levels above it. Every table is allocated with a header entry in front,
// whose n is the table's entry count and whose link is the next table of
// the build (FreeHuffmanTables follows that chain from the root).
struct TableStack {
    std::array<HuffEntry*, kMaxCodeBits + 1> table{};
    std::array<unsigned, kMaxCodeBits + 1> width{};
    std::array<unsigned, kMaxCodeBits + 1> openedFor{}; // code whose low bits led to the table
    unsigned h = 0;
    unsigned w = 0;            // bits decoded before the current table
    HuffEntry* q = nullptr;    // current table
    unsigned tableSize = 0;    // its entry count
    HuffEntry* lastHeader = nullptr;

    // Bits of a code that the chain of open tables decodes.
    unsigned coveredBits() const { return w + width[h]; }

    // Opens a table of j bits below the current one, for the codes that
    // share `code`'s low bits, and links it from the table above at the
    // index that those bits give there. 0, 3 out of memory, or 2 when that
    // index falls outside the table above.
    int open(unsigned j, unsigned code, HuffEntry*& root)
    {
        w += width[h];
        ++h;
        tableSize = 1u << j;
        width[h] = j;

        auto* block = new (std::nothrow) HuffEntry[tableSize + 1];
        if (block == nullptr)
            return 3;
        block[0].n = static_cast<std::uint16_t>(tableSize);
        if (lastHeader != nullptr)
            lastHeader->link = block + 1;
        else
            root = block + 1;
        lastHeader = block;
        q = block + 1;
        table[h] = q;
        openedFor[h] = code & BitMask(w);

        if (h > 1) {
            const unsigned upWidth = width[h - 1];
            const unsigned index = (code & BitMask(w)) >> (w - upWidth);
            if (index >= (1u << upWidth))
                return 2;
            HuffEntry& up = table[h - 1][index];
            up.e = static_cast<std::uint8_t>(16 + j);
            up.b = static_cast<std::uint8_t>(upWidth);
            up.link = q;
        }
        return 0;
    }

    // Places the leaf of a code of len bits at every index of the current
    // table that the code's bits at this level start, whatever the bits
    // after them.
    void place(unsigned code, unsigned len, const HuffEntry& r)
    {
        for (unsigned idx = code >> w; idx < tableSize; idx += 1u << (len - w))
            q[idx] = r;
    }

    // Closes the tables whose patterns are all placed: those that the next
    // code no longer leads to.
    void closeFilled(unsigned code)
    {
        while ((code & BitMask(w)) != openedFor[h]) {
            --h;
            w -= width[h];
            q = table[h];
            tableSize = 1u << width[h];
        }
    }
};

} // namespace

int BuildHuffmanTable(const std::uint16_t* lengths, unsigned n, unsigned s,
                      const std::uint16_t* bases, const std::uint16_t* extras,
                      HuffEntry*& root, int& m)
{
    root = nullptr;
    if (n > kMaxSymbols) {
        m = 0;
        return 2;
    }

    // Codes of each length.
    CodeCounts count{};
    for (unsigned i = 0; i < n; ++i) {
        if (lengths[i] > kMaxCodeBits) {
            m = 0;
            return 2;
        }
        ++count[lengths[i]];
    }
    if (count[0] == n) {
        m = 0;
        return 0;
    }
    // The end-of-block code's length: no table boundary is placed inside it.
    const unsigned eobLength = n > 256 ? lengths[256] : kMaxCodeBits;

    unsigned minLen = 1;
    while (count[minLen] == 0)
        ++minLen;
    unsigned maxLen = kMaxCodeBits;
    while (count[maxLen] == 0)
        --maxLen;
    m = std::clamp(m, static_cast<int>(minLen), static_cast<int>(maxLen));

    int unassigned = 0;
    if (completeCounts(count, minLen, maxLen, unassigned) != 0)
        return 2;

    std::array<std::uint16_t, kMaxSymbols> sorted{};
    sortSymbols(lengths, n, count, maxLen, sorted);
    const unsigned realCodes = n - count[0];
    unsigned next = 0; // index into sorted of the next symbol to place

    TableStack stack;
    unsigned code = 0; // current code, bits reversed
    auto fail = [&](int result) {
        FreeHuffmanTables(root);
        root = nullptr;
        return result;
    };

    // Codes are given out in canonical order; each is placed in the table
    // that its last bits fall in, opening tables down to it first.
    for (unsigned len = minLen; len <= maxLen; ++len) {
        for (unsigned left = count[len]; left > 0; --left) {
            while (len > stack.coveredBits()) {
                const unsigned j = stack.h == 0 ? static_cast<unsigned>(m)
                                                : subTableBits(count, len, left, stack.coveredBits(),
                                                               static_cast<unsigned>(m), maxLen, eobLength);
                if (const int result = stack.open(j, code, root); result != 0)
                    return fail(result);
            }

            HuffEntry r;
            r.b = static_cast<std::uint8_t>(len - stack.w);
            if (next >= realCodes)
                r.e = kHuffInvalid;
            else if (!symbolEntry(sorted[next++], s, bases, extras, r))
                return fail(2);
            stack.place(code, len, r);

            code = nextReversedCode(code, len);
            stack.closeFilled(code);
        }
    }

    return (unassigned != 0 && maxLen != 1) ? 1 : 0;
}

// --- Decoding ------------------------------------------------------------

// Decodes literal/length and distance symbols into the window until the
// end-of-block code. tl/td are the roots, bl/bd their widths; a null root
// is a code without any symbol, an error once a symbol is needed from it.
// InputEnded is tested before each symbol only, so a symbol whose bits came
// as the input ran out is still carried out.
int DecodeCodes(ExtractState& s, const HuffEntry* tl, const HuffEntry* td, int bl, int bd)
{
    std::uint8_t* const window = s.Window.get();
    for (;;) {
        if (s.InputEnded)
            return ZIP_INPUT_ENDED;
        if (s.FastPath && tl != nullptr && s.InLast - s.InPos + 1 >= kFastInputMargin &&
            s.WindowPos + kFastWindowMargin < static_cast<unsigned>(kWindowSize)) {
            if (const int result = decodeFast(s, tl, td, bl, bd); result != kFastContinue)
                return result;
        }
        const HuffEntry* t = DecodeSymbol(s, tl, bl);
        if (t == nullptr)
            return ZIP_BAD_DATA;
        if (t->e == kHuffLiteral) {
            if (!putByte(s, static_cast<std::uint8_t>(t->n)))
                return ZIP_SHORT_WRITE;
            continue;
        }
        if (t->e == kHuffEndOfBlock)
            return ZIP_OK;

        // A length: base + extra bits, then a distance the same way.
        unsigned length = t->n + ReadBits(s, t->e);
        t = DecodeSymbol(s, td, bd);
        if (t == nullptr)
            return ZIP_BAD_DATA;
        const unsigned distance = t->n + ReadBits(s, t->e);
        ReachBack(s, distance, s.WindowPos);
        unsigned from = static_cast<std::uint16_t>(s.WindowPos - distance);

        // Copy in pieces that neither wrap the window nor run past its end.
        while (length > 0) {
            from &= kWindowSize - 1;
            unsigned to = s.WindowPos;
            unsigned count = std::min(kWindowSize - std::max(from, to), length);
            length -= count;
            if (static_cast<int>(to) - static_cast<int>(from) >= static_cast<int>(count)) {
                std::memcpy(window + to, window + from, count);
                to += count;
                from += count;
            } else {
                // Overlapping (or source ahead of the destination): byte by
                // byte, so a short distance repeats the recent bytes.
                do {
                    window[to++] = window[from++];
                } while (--count);
            }
            if (to == kWindowSize) {
                s.WindowPos = 0;
                if (!FlushWindow(s, kWindowSize))
                    return ZIP_SHORT_WRITE;
            } else {
                s.WindowPos = static_cast<std::uint16_t>(to);
            }
        }
    }
}

// Stored block: after the header bits, skip to a byte boundary, then LEN and
// its one's complement NLEN (16 bits each), then LEN bytes. The bytes pass
// one at a time through the bit buffer and the window.
int DecodeStoredBlock(ExtractState& s)
{
    DropBits(s, s.BitCount % 8u);
    std::uint32_t length = ReadBits(s, 16);
    const std::uint32_t complement = ReadBits(s, 16);
    if (length != (~complement & 0xFFFF))
        return ZIP_BAD_DATA;
    while (length > 0 && !s.InputEnded) {
        if (s.FastPath && s.BitCount == 0 && s.InPos <= s.InLast) {
            // Bytes straight from InBuffer, as many as it holds and the
            // window takes: the same bytes the bit reader would give.
            const auto n = std::min({length, static_cast<std::uint32_t>(s.InLast - s.InPos + 1),
                                     static_cast<std::uint32_t>(kWindowSize - s.WindowPos)});
            std::memcpy(s.Window.get() + s.WindowPos, s.InBuffer.data() + s.InPos, n);
            s.InPos += static_cast<std::int32_t>(n);
            length -= n;
            const unsigned end = s.WindowPos + n;
            if (end == static_cast<unsigned>(kWindowSize)) {
                s.WindowPos = 0;
                if (!FlushWindow(s, kWindowSize))
                    return ZIP_SHORT_WRITE;
            } else {
                s.WindowPos = static_cast<std::uint16_t>(end);
            }
            continue;
        }
        --length;
        if (!putByte(s, static_cast<std::uint8_t>(ReadBits(s, 8))))
            return ZIP_SHORT_WRITE;
    }
    return s.InputEnded ? ZIP_INPUT_ENDED : ZIP_OK;
}

// Fixed block: the codes of RFC 1951 3.2.6, built anew for every block.
int DecodeFixedBlock(ExtractState& s)
{
    std::array<std::uint16_t, 288> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, std::uint16_t{8});
    std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint16_t{9});
    std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint16_t{7});
    std::fill(lengths.begin() + 280, lengths.end(), std::uint16_t{8});

    TableGuard tl, td;
    int bl = kFixedLiteralBits;
    if (BuildHuffmanTable(lengths.data(), 288, 257, kLengthBase, kLengthExtra, tl.root, bl) != 0)
        return ZIP_BAD_DATA;

    // 30 codes of 5 bits leave two patterns unassigned: accepted.
    std::fill(lengths.begin(), lengths.begin() + 30, std::uint16_t{5});
    int bd = kFixedDistanceBits;
    if (BuildHuffmanTable(lengths.data(), 30, 0, kDistBase, kDistExtra, td.root, bd) > 1)
        return ZIP_BAD_DATA;

    return DecodeCodes(s, tl.root, td.root, bl, bd);
}

// Dynamic block: HLIT (5 bits, + 257), HDIST (5 bits, + 1), HCLEN (4 bits,
// + 4), then HCLEN 3-bit lengths of the code-length code in kCodeLengthOrder,
// then the HLIT + HDIST code lengths in that code, with the repeats 16
// (previous length 3 to 6 times), 17 (3 to 10 zeros) and 18 (11 to 138
// zeros). A repeat may cross from literal/length into distance lengths.
int DecodeDynamicBlock(ExtractState& s)
{
    const unsigned nl = ReadBits(s, 5) + 257;
    const unsigned nd = ReadBits(s, 5) + 1;
    const unsigned nb = ReadBits(s, 4) + 4;

    std::array<std::uint16_t, kMaxSymbols> lengths{};
    for (unsigned i = 0; i < nb; ++i)
        lengths[kCodeLengthOrder[i]] = static_cast<std::uint16_t>(ReadBits(s, 3));

    const unsigned total = nl + nd;
    {
        TableGuard tc;
        int bc = kCodeLengthBits;
        if (BuildHuffmanTable(lengths.data(), 19, 19, nullptr, nullptr, tc.root, bc) != 0)
            return ZIP_BAD_DATA;
        lengths.fill(0);

        unsigned i = 0;
        std::uint16_t previous = 0;
        while (i < total) {
            // The root covers the longest code-length code: one lookup.
            const HuffEntry* t = DecodeSymbol(s, tc.root, bc);
            if (t == nullptr)
                return ZIP_BAD_DATA;
            const unsigned symbol = t->n;
            if (symbol < 16) {
                previous = static_cast<std::uint16_t>(symbol);
                lengths[i++] = previous;
                continue;
            }
            unsigned repeat = 0;
            if (symbol == 16) {
                repeat = 3 + ReadBits(s, 2);
            } else if (symbol == 17) {
                repeat = 3 + ReadBits(s, 3);
                previous = 0;
            } else {
                repeat = 11 + ReadBits(s, 7);
                previous = 0;
            }
            if (i + repeat > total)
                return ZIP_BAD_DATA;
            while (repeat-- > 0)
                lengths[i++] = previous;
        }
    }

    // The literal/length code must be complete (a lone 1-bit code passes);
    // the distance code may be incomplete.
    TableGuard tl, td;
    int bl = kDynamicLiteralBits;
    if (BuildHuffmanTable(lengths.data(), nl, 257, kLengthBase, kLengthExtra, tl.root, bl) != 0)
        return ZIP_BAD_DATA;
    int bd = kDynamicDistanceBits;
    if (BuildHuffmanTable(lengths.data() + nl, nd, 0, kDistBase, kDistExtra, td.root, bd) > 1)
        return ZIP_BAD_DATA;

    return DecodeCodes(s, tl.root, td.root, bl, bd);
}

int DecodeBlock(ExtractState& s, bool& last)
{
    last = ReadBits(s, 1) != 0;
    switch (ReadBits(s, 2)) {
    case 0: return DecodeStoredBlock(s);
    case 1: return DecodeFixedBlock(s);
    case 2: return DecodeDynamicBlock(s);
    default: return ZIP_BAD_DATA;
    }
}

int InflateEntry(ExtractState& s)
{
    ResetInput(s);
    s.WindowPos = 0;
    s.BitBuf = 0;
    s.BitCount = 0;
    bool last = false;
    do {
        if (const int result = DecodeBlock(s, last); result != ZIP_OK)
            return result;
    } while (!last);
    return FlushWindow(s, s.WindowPos) ? ZIP_OK : ZIP_SHORT_WRITE;
}

} // namespace nubra
