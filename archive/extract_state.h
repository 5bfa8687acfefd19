// The state of one extraction and the machinery every decompression method
// reads and writes through: the input buffer and bit reader, the 32,768-byte
// output window, the output flush and the running CRC-32.
//
// Input: the archive stream is read in pieces of 4,096 bytes into InBuffer.
// Bits are consumed least significant first: an n-bit field is
// BitBuf & mask(n) after FillBits(n), followed by DropBits(n). FillBits loads
// whole bytes only while the buffer holds fewer bits than asked for, so the
// buffer never holds more than 23 valid bits.
//
// Output: methods 6 and 8 write each byte at Window[WindowPos]; at 32,768
// the window is flushed whole and restarts at 0, so the stream receives
// writes of 32,768 bytes and a last shorter one. Back-references read the
// window modulo 32,768; it reads as if it started zero-filled (see
// ReachBack), so a reference that reaches before the first output byte
// yields zero bytes.
//
// One ExtractState exists per ZipExtract call (not one for the whole
// library): extractions are independent and the reader is reentrant, while
// every byte read and written is the same as with a single shared state.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "stream.h"

namespace nubra {

inline constexpr std::int32_t kInBufferSize = 4096;
inline constexpr std::int32_t kWindowSize = 32768;
// PackedSize and UnpackedSize when the local header gives none (flag bit 3).
inline constexpr std::int32_t kSizeUnknown = 0x7FFFFFFF;

struct ExtractState {
    TStream* InStream = nullptr;        // the archive stream; not owned
    TStream* OutStream = nullptr;       // receives the entry; not owned
    std::array<std::uint8_t, kInBufferSize> InBuffer{}; // also holds the local header
    std::int32_t InPos = 0;             // next unread byte of InBuffer
    std::int32_t InLast = -1;           // last valid byte of InBuffer; -1 when empty
    std::uint32_t BitBuf = 0;           // next input bit is bit 0
    std::uint8_t BitCount = 0;          // valid bits in BitBuf
    std::unique_ptr<std::uint8_t[]> Window; // kWindowSize bytes during one extraction
    std::uint16_t WindowPos = 0;        // next write position, 0 to 32,768
    bool WindowFilled = false;          // every byte of Window is output or zero (see ReachBack)
    std::int32_t PackedSize = 0;        // compressed size, or kSizeUnknown
    std::int32_t PackedRead = 0;        // bytes of the entry read from InStream so far
    std::int32_t UnpackedSize = 0;      // uncompressed size, or kSizeUnknown
    std::uint32_t Crc = 0;              // running CRC-32 register of the bytes written
    std::uint16_t EntryFlags = 0;       // general-purpose flags of the local header
    bool InputEnded = false;            // the reader hit the end of the data or stream
    // Inflate may decode through its fast path while input and window room
    // allow; the bytes written, reads made and bits consumed are the same
    // either way (tests switch it off to compare).
    bool FastPath = true;
};

// mask(n) = 2^n - 1 for n from 0 to 16.
inline constexpr std::uint32_t BitMask(unsigned n) { return (std::uint32_t{1} << n) - 1; }

// --- Input reader -------------------------------------------------------

// Refills InBuffer with up to 4,096 bytes. When the entry's data is exhausted
// (more than PackedSize + 2 bytes already read) or the stream gives nothing,
// sets InputEnded and serves the old 4,096 bytes again: those carry no
// meaning, the decoders test InputEnded and stop.
void RefillInput(ExtractState& s);

// Loads whole bytes until BitBuf holds at least n bits (n from 0 to 16).
inline void FillBits(ExtractState& s, unsigned n)
{
    while (s.BitCount < n) {
        if (s.InPos > s.InLast)
            RefillInput(s);
        s.BitBuf |= std::uint32_t{s.InBuffer[static_cast<std::size_t>(s.InPos)]} << s.BitCount;
        ++s.InPos;
        s.BitCount = static_cast<std::uint8_t>(s.BitCount + 8);
    }
}

// Discards the n lowest bits of BitBuf (n at most BitCount).
inline void DropBits(ExtractState& s, unsigned n)
{
    s.BitBuf >>= n;
    s.BitCount = static_cast<std::uint8_t>(s.BitCount - n);
}

// Reads an n-bit field (n from 0 to 16), least significant bit first.
inline std::uint32_t ReadBits(ExtractState& s, unsigned n)
{
    FillBits(s, n);
    const std::uint32_t v = s.BitBuf & BitMask(n);
    DropBits(s, n);
    return v;
}

// The next byte of InBuffer, not passing through BitBuf.
inline std::uint8_t ReadInputByte(ExtractState& s)
{
    if (s.InPos > s.InLast)
        RefillInput(s);
    return s.InBuffer[static_cast<std::size_t>(s.InPos++)];
}

// Empties the input buffer (the start of every method).
inline void ResetInput(ExtractState& s)
{
    s.InPos = 0;
    s.InLast = -1;
}

// --- Output -------------------------------------------------------------

// Feeds n bytes to the running CRC register.
void UpdateCrc(ExtractState& s, const std::uint8_t* bytes, std::int32_t n);

// Writes the first n bytes of Window to OutStream and runs the CRC over them
// (also when the write fell short). True when the stream took all n bytes.
bool FlushWindow(ExtractState& s, std::int32_t n);

// Called before a back-reference of `distance` bytes is copied to window
// position `to`. The window is not cleared when an extraction starts:
// clearing 32 KB costs as much as decoding a few KB, a real share of a small
// entry. Until the window first wraps (or is cleared here), only [0, to) has
// been written, and a reference that reaches further back than that must
// read zeros, as from a cleared window; so the first such reference clears
// the part not yet written. Well-formed data never takes that branch.
inline void ReachBack(ExtractState& s, unsigned distance, unsigned to)
{
    if (distance > to && !s.WindowFilled) {
        std::memset(s.Window.get() + to, 0, static_cast<std::size_t>(kWindowSize) - to);
        s.WindowFilled = true;
    }
}

// --- Huffman lookup tables (shared by inflate and explode) ---------------

// One entry of a lookup table. e: 16 literal, 15 end of block, 99 invalid
// code, 17 to 32 link to a sub-table indexed by e - 16 further bits, 0 to 13
// number of extra bits whose value is added to n. b: bits of the code
// consumed at this table's level.
struct HuffEntry {
    std::uint8_t e = 0;
    std::uint8_t b = 0;
    std::uint16_t n = 0;
    HuffEntry* link = nullptr;
};

inline constexpr std::uint8_t kHuffLiteral = 16;
inline constexpr std::uint8_t kHuffEndOfBlock = 15;
inline constexpr std::uint8_t kHuffInvalid = 99;

// Decodes one symbol: looks up the root with the next `bits` input bits and
// descends through sub-tables. Returns the leaf (its bits dropped), or null
// for an unassigned pattern (e = 99) or an empty code. `invert` is XORed
// into the input bits before every lookup: 0 for deflate, all ones for the
// imploded format, whose tables are indexed with the complement of the bits.
inline const HuffEntry* DecodeSymbol(ExtractState& s, const HuffEntry* root, int bits,
                                     std::uint32_t invert = 0)
{
    if (root == nullptr)
        return nullptr;
    FillBits(s, static_cast<unsigned>(bits));
    const HuffEntry* t = root + ((s.BitBuf ^ invert) & BitMask(static_cast<unsigned>(bits)));
    while (t->e > kHuffLiteral) {
        if (t->e == kHuffInvalid)
            return nullptr;
        DropBits(s, t->b);
        const unsigned more = t->e - 16u;
        FillBits(s, more);
        t = t->link + ((s.BitBuf ^ invert) & BitMask(more));
    }
    DropBits(s, t->b);
    return t;
}

// Builds the lookup tables of a canonical prefix code.
//   lengths: n code lengths (0 = symbol absent, at most 16)
//   s:       symbols below s are simple (literal, or end of block for 256);
//            from s up, bases[sym - s] gives n and the low byte of
//            extras[sym - s] gives e (either may be null when no symbol
//            reaches s)
//   root:    receives the root table, or null when every length is 0
//   m:       in, the wanted root width; out, the root's actual width, the
//            wanted one narrowed to lie between the shortest and longest code
// Returns 0 complete, 1 incomplete (unassigned patterns decode as e = 99; a
// lone 1-bit code counts as complete), 2 invalid (over-subscribed, a length
// above 16, a symbol without base), 3 out of memory. Nothing is left
// allocated unless the result is 0 or 1.
int BuildHuffmanTable(const std::uint16_t* lengths, unsigned n, unsigned s,
                      const std::uint16_t* bases, const std::uint16_t* extras,
                      HuffEntry*& root, int& m);

// Releases every table of one build; a null root is allowed.
void FreeHuffmanTables(HuffEntry* root);

// --- Method drivers, each returning a result code ------------------------

int CopyStoredEntry(ExtractState& s);  // method 0
int UnshrinkEntry(ExtractState& s);    // method 1
int ExplodeEntry(ExtractState& s);     // method 6
int InflateEntry(ExtractState& s);     // method 8

// Explode: reads one tree description (whole bytes) into n code lengths;
// 0, or 4 when it does not give exactly n lengths.
int ReadTreeLengths(ExtractState& s, std::uint16_t* lengths, unsigned n);

// Unshrink's code tables, and their partial clearing.
struct UnshrinkTables;
void ClearLeafCodes(UnshrinkTables& tables);

// Inflate's pieces, exposed for tests.
int DecodeBlock(ExtractState& s, bool& last);
int DecodeStoredBlock(ExtractState& s);
int DecodeFixedBlock(ExtractState& s);
int DecodeDynamicBlock(ExtractState& s);
int DecodeCodes(ExtractState& s, const HuffEntry* tl, const HuffEntry* td, int bl, int bd);

// Prepares a state for decoding from `in` (at the compressed data) into
// `out`, as ZipExtract does after reading the local header: zero-filled
// window, empty input, CRC register started. For tests and benchmarks that
// drive a method directly.
void PrepareExtractState(ExtractState& s, TStream& in, TStream& out,
                         std::int32_t packedSize, std::int32_t unpackedSize,
                         std::uint16_t flags);

} // namespace nubra
