// Unshrink: the decoder of ZIP method 1 (shrunk), an LZW variant.
//
// Codes are read least significant bit first, 9 bits wide at the start and
// up to 13. Codes 0 to 255 stand for themselves; 256 is an escape followed
// by one more code of the current width: 1 widens the codes by one bit,
// 2 frees every "leaf" code (a code no other code extends), so that the
// table can be refilled without starting over. Codes 257 to 8,192 are
// defined one per code read: the previous code's string followed by the
// first byte of the current one. A code not yet defined can only be the one
// about to be, whose string is the previous string followed by its own first
// byte (the LZW "KwKwK" case).
//
// Free codes form a list through the prefix table: a free code holds the
// negated number of the next free code, and the head of the list is the
// next code to define (8,193 when the table is full). After a partial
// clearing, the freed codes come first, lowest first.
//
// Decoding stops when fewer bits remain of the compressed size than a code
// takes, so the compressed size must be known (an entry with a data
// descriptor is refused).
//
// Worked example: the 9-bit codes 'a' (97), 'b' (98), 257, 259 give "a",
// "b" (defining 257 = "ab"), "ab" (defining 258 = "ba"), then 259 is the
// code about to be defined: "ab" + "a". The output is "abababa".
#include <algorithm>
#include <memory>

#include "extract_state.h"
#include "vunzip.h"

namespace nubra {

namespace {

constexpr int kFirstCode = 257;
constexpr int kLastCode = 8192;
constexpr int kTableFull = kLastCode + 1;
constexpr int kCodes = kLastCode - kFirstCode + 1; // 7,936
constexpr int kStackTop = 8192;                    // stack indices 0 to 8,192
constexpr int kOutBufferSize = 767;
constexpr unsigned kMaxCodeSize = 13;

constexpr std::int32_t kMark = 1 << 15; // "leaf" mark during a clearing
constexpr std::int32_t kFreeBit = 1 << 14; // set in every free code's link

} // namespace

// The code tables of one shrunk entry (48,640 bytes), with the decoding
// values that go with them.
struct UnshrinkTables {
    std::int32_t prefix[kCodes];  // in use: the code this one extends; free: -(next free code)
    std::uint8_t suffix[kCodes];  // in use: the last byte of the code's string
    std::uint8_t stack[kStackTop + 1]; // a string's bytes, pushed from 8,192 down
    std::uint8_t out[kOutBufferSize];  // bytes waiting for OutStream

    int head = kFirstCode; // first code of the free list
    int stackPos = kStackTop;
    int outCount = 0;

    std::int32_t& prefixOf(int code) { return prefix[code - kFirstCode]; }
    std::uint8_t& suffixOf(int code) { return suffix[code - kFirstCode]; }
};

namespace {

// Hands the output buffer to OutStream and the CRC; false on a short write.
bool flushOut(ExtractState& s, UnshrinkTables& t)
{
    const std::int32_t written = s.OutStream->Write(t.out, t.outCount);
    UpdateCrc(s, t.out, t.outCount);
    const bool complete = written == t.outCount;
    t.outCount = 0;
    return complete;
}

bool putByte(ExtractState& s, UnshrinkTables& t, std::uint8_t byte)
{
    t.out[t.outCount++] = byte;
    return t.outCount < kOutBufferSize || flushOut(s, t);
}

} // namespace

// Partial clearing: frees every code below the free-list head that no other
// code below it extends, and puts the freed codes (and those already free
// there) at the front of the free list, lowest first, followed by the old
// head. Codes at and above the head are not visited: when the table is full
// (head 8,193) the clearing covers it all.
//
// When no code qualifies (all codes below the head are prefixes of others,
// or none is defined yet), the free list is left as it was: its head is
// still the first free code, or "table full", so the next definition never
// lands outside the table or on a code in use.
void ClearLeafCodes(UnshrinkTables& t)
{
    const int top = std::min(t.head, kTableFull) - 1;
    // Mark every code; free codes (negative links) carry the mark already.
    for (int x = kFirstCode; x <= top; ++x)
        t.prefixOf(x) |= kMark;
    // Unmark the codes that another code extends: they stay.
    for (int x = kFirstCode; x <= top; ++x) {
        const std::int32_t p = t.prefixOf(x) & ~kMark;
        // A damaged stream can define a code on top of a free one; the free
        // code's link (a negative number) must keep its bits, or the free
        // list would lead outside the table.
        if (p >= kFirstCode && p <= kLastCode && t.prefixOf(p) >= 0)
            t.prefixOf(p) &= ~kMark;
    }
    // Link the marked codes (leaves and free codes), lowest first, to the
    // codes from the old head on.
    int first = 0;
    int last = 0;
    for (int x = kFirstCode; x <= top; ++x) {
        if ((t.prefixOf(x) & (kMark | kFreeBit)) == 0)
            continue;
        if (last == 0)
            first = x;
        else
            t.prefixOf(last) = -x;
        last = x;
    }
    if (last != 0) {
        t.prefixOf(last) = -(top + 1);
        t.head = first;
    }
}

namespace {

// Carries out the code that follows an escape (256): 1 widens the codes by
// one bit, 2 clears the leaf codes. False for any other code, or a width
// beyond 13 bits.
bool applyEscape(UnshrinkTables& t, std::uint32_t escape, unsigned& codeSize)
{
    if (escape == 1)
        return ++codeSize <= kMaxCodeSize;
    if (escape == 2) {
        ClearLeafCodes(t);
        return true;
    }
    return false;
}

// Writes the string of code (257 and up): its bytes are pushed on the
// stack from the last one back along the prefix chain, then written first
// byte first. A code not defined yet is the one about to be, previous
// string + its first byte. `lead` is the first byte of the last string, in
// and out. A result code.
int putString(ExtractState& s, UnshrinkTables& t, int code, int previous, std::uint8_t& lead)
{
    if (t.prefixOf(code) < 0) {
        t.stack[t.stackPos--] = lead;
        code = previous;
    }
    while (code > 256) {
        // A chain longer than the stack only comes from damaged data (a
        // code defined on top of itself).
        if (t.stackPos < 0)
            return ZIP_BAD_DATA;
        t.stack[t.stackPos--] = t.suffixOf(code);
        code = t.prefixOf(code);
    }
    // code is now the string's first byte (or, in damaged data, a free
    // code's link or 256, of which the low byte is taken).
    lead = static_cast<std::uint8_t>(code);
    if (!putByte(s, t, lead))
        return ZIP_SHORT_WRITE;
    for (int i = t.stackPos + 1; i <= kStackTop; ++i)
        if (!putByte(s, t, t.stack[i]))
            return ZIP_SHORT_WRITE;
    t.stackPos = kStackTop;
    return ZIP_OK;
}

// Defines the code at the head of the free list, when there is one:
// previous string + `lead`, the first byte of the string just written.
void defineNext(UnshrinkTables& t, int previous, std::uint8_t lead)
{
    if (t.head >= kFirstCode && t.head <= kLastCode && t.prefixOf(t.head) < 0) {
        const int added = t.head;
        t.head = -t.prefixOf(added);
        t.prefixOf(added) = previous;
        t.suffixOf(added) = lead;
    }
}

} // namespace

int UnshrinkEntry(ExtractState& s)
{
    if (s.PackedSize == kSizeUnknown)
        return ZIP_UNSUPPORTED_METHOD;
    ResetInput(s);
    s.BitBuf = 0;
    s.BitCount = 0;

    const auto tables = std::make_unique<UnshrinkTables>();
    UnshrinkTables& t = *tables;
    for (int x = kFirstCode; x <= kLastCode; ++x)
        t.prefixOf(x) = -(x + 1);

    unsigned codeSize = 9;
    // The first code is a byte.
    int previous = static_cast<int>(ReadBits(s, codeSize));
    std::uint8_t lead = static_cast<std::uint8_t>(previous); // first byte of the last string
    if (!putByte(s, t, lead))
        return ZIP_SHORT_WRITE;

    std::int64_t bitsLeft = std::int64_t{s.PackedSize} * 8 - 9;
    while (static_cast<std::int64_t>(codeSize) <= bitsLeft) {
        // The compressed size bounds the loop; a stream shorter than it
        // would otherwise be decoded from stale bytes up to that size.
        if (s.InputEnded)
            return ZIP_INPUT_ENDED;
        const int code = static_cast<int>(ReadBits(s, codeSize));
        bitsLeft -= codeSize;

        if (code == 256) {
            const std::uint32_t escape = ReadBits(s, codeSize);
            bitsLeft -= codeSize;
            if (!applyEscape(t, escape, codeSize))
                return ZIP_BAD_DATA;
            continue;
        }

        if (code < 256) {
            lead = static_cast<std::uint8_t>(code);
            if (!putByte(s, t, lead))
                return ZIP_SHORT_WRITE;
        } else if (const int result = putString(s, t, code, previous, lead); result != ZIP_OK) {
            return result;
        }
        defineNext(t, previous, lead);
        previous = code;
    }

    return flushOut(s, t) ? ZIP_OK : ZIP_SHORT_WRITE;
}

} // namespace nubra
