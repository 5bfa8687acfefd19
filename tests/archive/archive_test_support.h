// Test-side tools for the archive reader: a ZIP writer, deflate through
// zlib, a bit writer for hand-made streams, and output streams that record
// or refuse writes.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "extract_state.h"
#include "stream.h"

namespace nubra::test {

using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(const std::string& text);
std::uint32_t crcOf(const Bytes& data);

// Raw deflate (no zlib header) of data.
Bytes deflateRaw(const Bytes& data, int level = 6, int strategy = 0 /* Z_DEFAULT_STRATEGY */);

// Pseudo-random data: `alphabet` distinct byte values, or text-like runs.
Bytes randomBytes(std::size_t n, std::uint32_t seed, int alphabet = 256);
Bytes textLike(std::size_t n, std::uint32_t seed);

// Canonical prefix codes for code lengths (shorter codes first, and by
// increasing symbol within a length), as deflate and implode assign them.
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint16_t>& lengths);

// Bits least significant first, as the deflate format packs them.
class BitWriter {
public:
    void bits(std::uint32_t value, unsigned count);
    // A Huffman code of `length` bits, most significant bit first.
    void code(std::uint32_t code, unsigned length);
    void alignToByte();
    void byte(std::uint8_t b) { alignToByte(); bits(b, 8); }
    Bytes finish();

private:
    Bytes out_;
    std::uint32_t acc_ = 0;
    unsigned count_ = 0;
};

// One entry of a test archive. `data` is what goes into the archive after
// the local header (already compressed); the sizes and CRC are written as
// given.
struct ZipEntrySpec {
    std::string name;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    Bytes data;
    std::uint32_t crc = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t size = 0;
    Bytes localExtra;
    Bytes dirExtra;
    std::string comment;
    Bytes trailer; // written right after the data (a data descriptor)
    std::uint16_t versionMadeBy = 0x031E;
    std::uint32_t externalAttr = 0;
};

// An entry holding `content` stored (method 0) or deflated (method 8), with
// correct sizes and CRC.
ZipEntrySpec storedEntry(const std::string& name, const Bytes& content);
ZipEntrySpec deflatedEntry(const std::string& name, const Bytes& content, int level = 6);

struct ZipImage {
    Bytes bytes;
    std::vector<std::int32_t> localHeaderPos; // one per entry
    std::int32_t directoryPos = 0;
};

ZipImage buildZip(const std::vector<ZipEntrySpec>& entries, const std::string& archiveComment = "",
                  std::optional<std::uint16_t> entryCountOverride = std::nullopt);

// A memory stream that records the size of every write and may take only
// the first `limit` bytes in all.
class RecordingStream final : public TStream {
public:
    explicit RecordingStream(std::int64_t limit = -1) : limit_(limit) {}
    std::int64_t Size() const override { return mem_.Size(); }
    std::int64_t Position() const override { return mem_.Position(); }
    void Seek(std::int64_t p) override { mem_.Seek(p); }
    std::int32_t Read(void* b, std::int32_t n) override { return mem_.Read(b, n); }
    std::int32_t Write(const void* b, std::int32_t n) override;

    std::vector<std::int32_t> writes;
    Bytes bytes() const { return Bytes(mem_.Bytes().begin(), mem_.Bytes().end()); }

private:
    TMemoryStream mem_;
    std::int64_t limit_;
};

// A read-only stream over a byte vector it owns, counting its reads.
class OwnedStream final : public TStream {
public:
    explicit OwnedStream(Bytes bytes) : bytes_(std::move(bytes)), span_(bytes_) {}
    std::int64_t Size() const override { return span_.Size(); }
    std::int64_t Position() const override { return span_.Position(); }
    void Seek(std::int64_t p) override { span_.Seek(p); }
    std::int32_t Read(void* b, std::int32_t n) override
    {
        readSizes.push_back(n);
        return span_.Read(b, n);
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }

    std::vector<std::int32_t> readSizes;

private:
    Bytes bytes_;
    TSpanStream span_;
};

// Runs a decoder directly on raw compressed bytes (as ZipExtract would after
// the local header) and reports its result, output and final CRC.
struct DecodeRun {
    int result = 0;
    Bytes output;
    std::vector<std::int32_t> writes;
    std::uint32_t crc = 0;
    std::int64_t inputPosition = 0;
    std::int64_t unreadBits = 0;   // in InBuffer and BitBuf together
    unsigned bitPhase = 0;         // BitCount mod 8: where a byte boundary lies
    std::vector<std::int32_t> reads;
};

enum class Method { Inflate, Unshrink, Explode };

DecodeRun runDecoder(Method method, const Bytes& compressed, std::int32_t packedSize = -1,
                     std::int32_t unpackedSize = kSizeUnknown, std::uint16_t flags = 0,
                     std::int64_t outputLimit = -1, bool fastPath = true);

inline DecodeRun inflateRaw(const Bytes& compressed, std::int64_t outputLimit = -1, bool fastPath = true)
{
    return runDecoder(Method::Inflate, compressed, -1, kSizeUnknown, 0, outputLimit, fastPath);
}

// Extracts the entry at localHeaderPos through ZipExtract.
struct ExtractRun {
    int result = 0;
    Bytes output;
    std::int64_t streamPosition = 0;
};
ExtractRun extractAt(const Bytes& archive, std::int64_t localHeaderPos);

} // namespace nubra::test
