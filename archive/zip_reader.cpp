// The ZIP archive reader: the end-record search, the walk over the central
// directory, the lookup by name and the extraction driver, with method 0
// (stored) and the input/output machinery every method shares.
//
// Layout read (all fields little-endian):
//   end record        "PK\5\6", 22 bytes + comment: entry count at 10,
//                     directory offset at 16, comment length at 20
//   directory entry   "PK\1\2", 46 bytes + name + extra + comment
//   local header      "PK\3\4", 30 bytes + name + extra, then the data
// The end record is looked for at size - 22 first (an archive without
// comment), then backwards over the whole stream in 22-byte windows stepping
// by 18 (so consecutive windows overlap by 4 bytes and a signature cannot
// fall between two of them); the highest occurrence wins, even inside a
// comment.
#include <algorithm>
#include <cstring>

#include "crc32.h"
#include "extract_state.h"
#include "little_endian.h"
#include "vunzip.h"

namespace nubra {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kDirSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::int32_t kEndRecordSize = 22;
constexpr std::int32_t kDirHeaderSize = 46;
constexpr std::int32_t kLocalHeaderSize = 30;
constexpr std::int32_t kSearchStep = 18;

constexpr std::uint16_t kFlagEncrypted = 1u << 0;
constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;

// Positions and sizes are 32-bit in this format.
std::int32_t toPos(std::uint32_t v) { return static_cast<std::int32_t>(v); }

std::string readText(TStream& stream, std::int32_t length)
{
    std::string text(static_cast<std::size_t>(length), '\0');
    stream.ReadBuffer(text.data(), length);
    return text;
}

// A folder entry: the part after the last '\' or ':' is empty.
bool isFolderName(const std::string& name)
{
    return name.empty() || name.back() == '\\' || name.back() == ':';
}

} // namespace

// --- Directory walk ------------------------------------------------------

int ZipOpen(TStream& stream, TZipRec& rec)
{
    rec.ArchiveStream = &stream;
    const std::int64_t size = stream.Size();
    if (size < kEndRecordSize)
        return ZIP_NO_END_RECORD;

    std::array<std::uint8_t, kEndRecordSize> record{};
    rec.SearchPos = toPos(static_cast<std::uint32_t>(size - kEndRecordSize));
    stream.Seek(rec.SearchPos);
    stream.ReadBuffer(record.data(), kEndRecordSize);

    if (le32(record.data()) != kEndSignature) {
        // Backwards over the stream; the last occurrence in a window counts.
        int found = -1;
        while (found < 0) {
            if (rec.SearchPos <= 0)
                return ZIP_NO_END_RECORD;
            rec.SearchPos = std::max(rec.SearchPos - kSearchStep, 0);
            stream.Seek(rec.SearchPos);
            stream.ReadBuffer(record.data(), kEndRecordSize);
            for (int i = kEndRecordSize - 4; i >= 0; --i) {
                if (le32(record.data() + i) == kEndSignature) {
                    found = i;
                    break;
                }
            }
        }
        stream.Seek(std::int64_t{rec.SearchPos} + found);
        stream.ReadBuffer(record.data(), kEndRecordSize);
    }

    rec.ArchiveComment = readText(stream, le16(record.data() + 20));
    rec.NextDirPos = toPos(le32(record.data() + 16));
    rec.EntryCount = le16(record.data() + 10);
    rec.EntriesRead = 0;
    return ZipNext(rec);
}

int ZipNext(TZipRec& rec)
{
    // Folder entries are passed over: loop until a file entry or the end.
    for (;;) {
        if (rec.EntriesRead >= rec.EntryCount)
            return ZIP_NO_MORE_ENTRIES;
        ++rec.EntriesRead;

        TStream& stream = *rec.ArchiveStream;
        stream.Seek(rec.NextDirPos);
        stream.ReadBuffer(rec.DirHeader.data(), kDirHeaderSize);
        const std::uint8_t* h = rec.DirHeader.data();
        if (le32(h) != kDirSignature)
            return ZIP_BAD_DIR_SIGNATURE;

        rec.EntryName = readText(stream, le16(h + 28));
        stream.Seek(stream.Position() + le16(h + 30)); // extra field
        rec.EntryComment = readText(stream, le16(h + 32));
        rec.NextDirPos = toPos(static_cast<std::uint32_t>(stream.Position()));

        rec.EntryTime = le32(h + 12);
        rec.EntryPackedSize = toPos(le32(h + 20));
        rec.EntrySize = toPos(le32(h + 24));
        rec.LocalHeaderPos = toPos(le32(h + 42));
        rec.EntryAttr = le16(h + 4) == 0 ? h[38] : 0;

        std::replace(rec.EntryName.begin(), rec.EntryName.end(), '/', '\\');
        if (!isFolderName(rec.EntryName))
            return ZIP_OK;
    }
}

void ZipClose(TZipRec& rec)
{
    // The stream belongs to the caller; only the walk ends.
    rec.ArchiveStream = nullptr;
}

std::int32_t ZipFindEntry(TStream& stream, const std::string& name)
{
    TZipRec rec; // released on every path, a read error included
    std::int32_t result = -1;
    if (ZipOpen(stream, rec) == ZIP_OK) {
        for (;;) {
            if (rec.EntryName == name) {
                result = rec.LocalHeaderPos;
                break;
            }
            if (ZipNext(rec) != ZIP_OK)
                break;
        }
    }
    ZipClose(rec);
    return result;
}

// --- Input and output machinery --------------------------------------------

void RefillInput(ExtractState& s)
{
    s.InPos = 0;
    const bool dataExhausted = s.PackedSize != kSizeUnknown &&
                               std::int64_t{s.PackedRead} > std::int64_t{s.PackedSize} + 2;
    const std::int32_t count = dataExhausted ? 0 : s.InStream->Read(s.InBuffer.data(), kInBufferSize);
    if (count <= 0) {
        s.InputEnded = true;
        s.InLast = kInBufferSize - 1;
        return;
    }
    s.PackedRead += count;
    s.InLast = count - 1;
}

void UpdateCrc(ExtractState& s, const std::uint8_t* bytes, std::int32_t n)
{
    if (n > 0)
        s.Crc = Crc32Update(s.Crc, bytes, static_cast<std::size_t>(n));
}

bool FlushWindow(ExtractState& s, std::int32_t n)
{
    // A flush of nothing still reaches the stream, as every flush does. A
    // whole window flushed means the window wraps: from now on every byte
    // of it holds output.
    if (n == kWindowSize)
        s.WindowFilled = true;
    const std::int32_t written = s.OutStream->Write(s.Window.get(), n);
    UpdateCrc(s, s.Window.get(), n);
    return written == n;
}

void PrepareExtractState(ExtractState& s, TStream& in, TStream& out, std::int32_t packedSize,
                         std::int32_t unpackedSize, std::uint16_t flags)
{
    s.InStream = &in;
    s.OutStream = &out;
    s.InPos = 0;
    s.InLast = -1;
    s.BitBuf = 0;
    s.BitCount = 0;
    s.Window = std::make_unique_for_overwrite<std::uint8_t[]>(kWindowSize); // read as zeros: ReachBack
    s.WindowPos = 0;
    s.WindowFilled = false;
    s.PackedSize = packedSize;
    s.PackedRead = 0;
    s.UnpackedSize = unpackedSize;
    s.Crc = 0xFFFFFFFFu;
    s.EntryFlags = flags;
    s.InputEnded = false;
}

// Method 0: the data is copied straight from the archive stream into the
// window, 32,768 bytes at a time, without passing through InBuffer; the
// stream is left exactly at the end of the data.
int CopyStoredEntry(ExtractState& s)
{
    while (s.PackedRead < s.PackedSize) {
        const std::int32_t count = std::min(s.PackedSize - s.PackedRead, kWindowSize);
        if (s.InStream->Read(s.Window.get(), count) != count)
            return ZIP_INPUT_ENDED;
        if (!FlushWindow(s, count))
            return ZIP_SHORT_WRITE;
        s.PackedRead += count;
    }
    return ZIP_OK;
}

// --- Extraction driver ---------------------------------------------------

namespace {

constexpr std::uint32_t kDescriptorSignature = 0x08074B50;

// The most output one byte of deflated data can stand for: a match of 258
// bytes coded in as little as two bits, so about 1,032 bytes per byte.
constexpr std::int64_t kMostExpansion = 1032;

// How much output to make room for before decoding an entry: the size its
// local header announces, but never more than the data that is really in the
// stream could expand to, so a header that lies about the size cannot make
// the output reserve memory that the archive could never fill. (Shrunk and
// imploded data can expand further; for those the output simply grows as
// it is written.)
std::int64_t expectedOutput(const TStream& stream, std::int64_t dataStart, std::int32_t packedSize,
                            std::int32_t unpackedSize)
{
    const std::int64_t present = std::clamp<std::int64_t>(stream.Size() - dataStart, 0, packedSize);
    return std::min<std::int64_t>(unpackedSize, present * kMostExpansion);
}

// A little-endian 32-bit word read through the bit reader.
std::uint32_t readWord(ExtractState& s)
{
    FillBits(s, 16);
    const std::uint32_t low = s.BitBuf & 0xFFFF;
    DropBits(s, 16);
    FillBits(s, 16);
    const std::uint32_t high = s.BitBuf & 0xFFFF;
    DropBits(s, 16);
    return low | high << 16;
}

} // namespace

int ZipExtract(TStream& stream, TStream& output)
{
    ExtractState s;
    s.InStream = &stream;
    const std::int64_t start = stream.Position();

    stream.ReadBuffer(s.InBuffer.data(), kLocalHeaderSize);
    const std::uint8_t* h = s.InBuffer.data();
    if (le32(h) != kLocalSignature)
        return ZIP_BAD_DATA;
    const std::int64_t dataStart = start + kLocalHeaderSize + le16(h + 26) + le16(h + 28);

    const std::uint16_t flags = le16(h + 6);
    const std::uint16_t method = le16(h + 8);
    const bool descriptor = (flags & kFlagDataDescriptor) != 0;
    // With a data descriptor the expected CRC is read after decoding.
    std::uint32_t expectedCrc = descriptor ? 0 : le32(h + 14);
    const std::int32_t packedSize = descriptor ? kSizeUnknown : toPos(le32(h + 18));
    const std::int32_t unpackedSize = descriptor ? kSizeUnknown : toPos(le32(h + 22));

    if (method != 0 && method != 1 && method != 6 && method != 8)
        return ZIP_UNSUPPORTED_METHOD;
    if (flags & kFlagEncrypted)
        return ZIP_ENCRYPTED;

    stream.Seek(dataStart);
    if (!descriptor)
        output.Expect(expectedOutput(stream, dataStart, packedSize, unpackedSize));
    PrepareExtractState(s, stream, output, packedSize, unpackedSize, flags);

    int result = ZIP_OK;
    switch (method) {
    case 0: result = CopyStoredEntry(s); break;
    case 1: result = UnshrinkEntry(s); break;
    case 6: result = ExplodeEntry(s); break;
    default: result = InflateEntry(s); break;
    }

    s.Crc = ~s.Crc;
    if (result == ZIP_OK && descriptor) {
        // The data descriptor follows the data, at the next byte boundary of
        // the bit reader: CRC-32, packed size, size, optionally preceded by
        // the signature "PK\7\8". Its first word is the CRC unless it is the
        // signature and the word after it is the CRC of the bytes written
        // (a CRC may equal the signature, so the plain reading wins when
        // both fit). The sizes are not read.
        DropBits(s, s.BitCount % 8u);
        expectedCrc = readWord(s);
        if (expectedCrc == kDescriptorSignature && expectedCrc != s.Crc)
            expectedCrc = readWord(s);
    }

    if (expectedCrc != s.Crc)
        result = ZIP_NOT_FOUND_OR_BAD_CRC;
    return result;
}

} // namespace nubra
